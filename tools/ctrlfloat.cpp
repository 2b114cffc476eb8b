#include "tools/ctrlfloat.h"

#include <cmath>

double ControllerFloatToDouble(std::uint32_t word)
{
    const int exponent = static_cast<std::int8_t>(static_cast<std::uint8_t>(word >> 24));
    if (exponent == -128)
        return 0.0;
    const double fraction = static_cast<double>(word & 0x7FFFFFu) / 8388608.0; // f / 2^23
    // Positive: 1.f x 2^e; negative: the two's complement of the mantissa,
    // -(2 - f) x 2^e.
    const double mantissa = (word & 0x800000u) ? -(2.0 - fraction) : 1.0 + fraction;
    return std::ldexp(mantissa, exponent);
}
