// Conversions of the runtime's 32-bit float values.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace qcrt {

// The value truncated toward zero to a 32-bit integer. Values beyond the
// 32-bit range saturate and NaN gives 0, so no conversion is ever undefined.
inline int32_t TruncateToInt32(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (value < -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

} // namespace qcrt
