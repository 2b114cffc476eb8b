// The controller's DSP floating-point words (the TMS320C3x single-precision
// format: an 8-bit two's-complement exponent, a sign bit and a 23-bit
// fraction, from the most significant bit) as double values. Plain C++.
#pragma once

#include <cstdint>

// The value of one word; 0 for the exponent -128. Computed in double, so
// every exponent from -127 to 127 is exact: 0x7F800000 is -2^128 and
// 0x81000000 is 2^-127, which a single-precision result could not hold.
double ControllerFloatToDouble(std::uint32_t word);
