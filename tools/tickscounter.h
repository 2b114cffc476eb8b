// What the ticks monitor shows: the controller's TICKS value as read, or
// relative to a zero point the user sets. Plain C++.
#pragma once

#include <cstdint>

class CTicksCounter {
public:
    // A reading taken from the controller.
    void Take(std::int32_t ticks) { m_last = ticks; }
    // The zero point becomes the last reading; the mode relative.
    void Zero()
    {
        m_zero = m_last;
        m_relative = true;
    }
    void SetRelative(bool relative) { m_relative = relative; }
    bool IsRelative() const { return m_relative; }
    // Relative: zero point minus the reading (TICKS counts down), in 64
    // bits so no pair of 32-bit values overflows.
    std::int64_t Shown() const { return m_relative ? static_cast<std::int64_t>(m_zero) - m_last : m_last; }

private:
    std::int32_t m_last = 0;
    std::int32_t m_zero = 0;
    bool m_relative = false;
};
