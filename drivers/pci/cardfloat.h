/* The controller card's single-precision floats (bits 24..31 a two's-
 * complement exponent E, bit 23 a sign S, bits 0..22 a fraction F; E = -128
 * is zero; S = 0: (1 + F/2^23) * 2^E; S = 1: -(2 - F/2^23) * 2^E) and their
 * conversion to and from IEEE 754 single bit patterns, in integer
 * arithmetic only (the driver uses no floating point). */
#ifndef VEXO_DRIVERS_CARDFLOAT_H
#define VEXO_DRIVERS_CARDFLOAT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

uint32_t vx_card_to_ieee(uint32_t card);
uint32_t vx_ieee_to_card(uint32_t ieee);

#ifdef __cplusplus
}
#endif

#endif
