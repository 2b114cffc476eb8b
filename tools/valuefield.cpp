#include "tools/valuefield.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

bool IsBlank(char ch)
{
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n';
}

std::string Trimmed(const std::string& text)
{
    size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

} // namespace

void CValueField::SetKind(int kind)
{
    m_kind = kind >= kValueSigned && kind <= kValueDouble ? kind : kValueUnsigned;
    m_minimum = m_maximum = m_value = 0.0;
}

void CValueField::SetDecimals(int decimals)
{
    m_decimals = decimals < 0 ? 0 : (decimals > 15 ? 15 : decimals);
}

bool CValueField::Fits(double value) const
{
    if (!std::isfinite(value))
        return false;
    switch (m_kind) {
    case kValueSigned:
        return value == std::trunc(value) && value >= INT32_MIN && value <= INT32_MAX;
    case kValueUnsigned:
        return value == std::trunc(value) && value >= 0.0 && value <= UINT32_MAX;
    case kValueFloat:
        return std::fabs(value) <= FLT_MAX;
    default:
        return true;
    }
}

bool CValueField::SetRange(double minimum, double maximum)
{
    if (!Fits(minimum) || !Fits(maximum) || minimum > maximum)
        return false;
    m_minimum = minimum;
    m_maximum = maximum;
    return true;
}

bool CValueField::SetValue(double value)
{
    if (!Fits(value))
        return false;
    m_value = m_kind == kValueFloat ? static_cast<double>(static_cast<float>(value)) : value;
    return true;
}

std::optional<double> CValueField::Parse(const std::string& input) const
{
    const std::string text = Trimmed(input);
    if (text.empty())
        return 0.0;
    size_t i = text[0] == '+' || text[0] == '-' ? 1 : 0;
    double value = 0.0;
    if (m_kind == kValueSigned || m_kind == kValueUnsigned) {
        if (i == text.size())
            return std::nullopt;
        for (size_t n = i; n < text.size(); ++n)
            if (!IsDigit(text[n]))
                return std::nullopt;
        errno = 0;
        const long long parsed = std::strtoll(text.c_str(), nullptr, 10);
        if (errno == ERANGE)
            return std::nullopt;
        value = static_cast<double>(parsed);
    } else {
        // Decimal notation only: digits, one point, an exponent.
        bool digits = false;
        for (size_t n = i; n < text.size(); ++n) {
            const char ch = text[n];
            if (IsDigit(ch))
                digits = true;
            else if (ch != '.' && ch != 'e' && ch != 'E' && ch != '+' && ch != '-')
                return std::nullopt;
        }
        if (!digits)
            return std::nullopt;
        char* end = nullptr;
        value = std::strtod(text.c_str(), &end);
        if (!end || *end != '\0')
            return std::nullopt;
    }
    if (!Fits(value))
        return std::nullopt;
    return m_kind == kValueFloat ? static_cast<double>(static_cast<float>(value)) : value;
}

std::optional<double> CValueField::Check(const std::string& text) const
{
    const std::optional<double> value = Parse(text);
    if (!value || *value < m_minimum || *value > m_maximum)
        return std::nullopt;
    return value;
}

std::string CValueField::Format(double value) const
{
    char text[400];
    switch (m_kind) {
    case kValueSigned:
        std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
        break;
    case kValueUnsigned:
        std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(value));
        break;
    default:
        std::snprintf(text, sizeof text, "%.*f", m_decimals, value);
        break;
    }
    return text;
}

std::string CValueField::RangeText() const
{
    return "(" + Format(m_minimum) + " to " + Format(m_maximum) + ")";
}

std::string CValueField::OutOfRangeText() const
{
    return "Value outside specified range" + RangeText();
}
