#include "pci/cardfloat.h"

#define FRACTION_MASK 0x007FFFFFu
#define HIDDEN_BIT 0x00800000u
#define SIGN_BIT 0x80000000u

uint32_t vx_card_to_ieee(uint32_t card)
{
    const int exponent = (int8_t)(card >> 24);
    const uint32_t negative = card & HIDDEN_BIT; /* the card's sign bit */
    const uint32_t fraction = card & FRACTION_MASK;
    uint32_t magnitude; /* 24 bits: the significand 1.f of the value */
    int biased;
    if (exponent == -128)
        return 0;
    if (!negative) {
        magnitude = HIDDEN_BIT | fraction;
        biased = exponent + 127;
    } else if (fraction == 0) {
        /* -(2) * 2^E = -1.0 * 2^(E+1) */
        magnitude = HIDDEN_BIT;
        biased = exponent + 128;
    } else {
        magnitude = HIDDEN_BIT | (HIDDEN_BIT - fraction);
        biased = exponent + 127;
    }
    if (biased >= 255)
        return (negative ? SIGN_BIT : 0) | 0x7F800000u; /* beyond the largest single */
    if (biased <= 0) {
        /* E = -127: the nearest subnormal, magnitude / 2 rounded to even. */
        uint32_t subnormal = magnitude >> 1;
        if ((magnitude & 1u) && (subnormal & 1u))
            ++subnormal;
        return (negative ? SIGN_BIT : 0) | subnormal; /* 2^23 carries into the smallest normal */
    }
    return (negative ? SIGN_BIT : 0) | ((uint32_t)biased << 23) | (magnitude & FRACTION_MASK);
}

uint32_t vx_ieee_to_card(uint32_t ieee)
{
    const uint32_t negative = ieee & SIGN_BIT;
    const int biased = (int)((ieee >> 23) & 0xFFu);
    const uint32_t fraction = ieee & FRACTION_MASK;
    int exponent;
    if (biased == 0)
        return 0x80000000u; /* zero and subnormals */
    if (biased == 255) {
        if (fraction)
            return 0x80000000u; /* NaN */
        /* Infinity: the card's largest value of that sign. */
        return negative ? 0x7F800000u : 0x7F7FFFFFu;
    }
    exponent = biased - 127;
    if (!negative)
        return ((uint32_t)(uint8_t)exponent << 24) | fraction;
    if (fraction == 0)
        return ((uint32_t)(uint8_t)(exponent - 1) << 24) | HIDDEN_BIT;
    return ((uint32_t)(uint8_t)exponent << 24) | HIDDEN_BIT | (HIDDEN_BIT - fraction);
}
