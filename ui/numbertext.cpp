#include "ui/numbertext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

std::string Printf(const char* format, double value)
{
    char buffer[512];
    std::snprintf(buffer, sizeof(buffer), format, value);
    return buffer;
}

std::string DecimalsFormat(int decimals, char kind)
{
    if (decimals < 0)
        decimals = 0;
    if (decimals > 60)
        decimals = 60;
    char format[16];
    std::snprintf(format, sizeof(format), "%%.%d%c", decimals, kind);
    return format;
}

// The decimal digits a double holds.
const int kDoubleDigits = 15;

// Digits from the first non-zero one on.
int CountSignificantDigits(const std::string& text)
{
    int count = 0;
    for (const char c : text) {
        if (c >= '1' && c <= '9')
            ++count;
        else if (c == '0' && count > 0)
            ++count;
    }
    return count;
}

bool HasExponent(const std::string& text)
{
    return text.find_first_of("eE") != std::string::npos;
}

CString TidyMantissaPart(const CString& text, int (*tidy)(CString&))
{
    const std::string& s = text.str();
    const size_t e = s.find_first_of("eE");
    CString mantissa(s.substr(0, e));
    tidy(mantissa);
    if (e == std::string::npos)
        return mantissa;
    return CString(mantissa.str() + s.substr(e));
}

} // namespace

CString FormatSignificant(double x, int maxDecimals)
{
    // A double holds about 15 significant decimal digits: more decimals
    // than that print the binary fraction's noise ("0.1000000000000000055").
    int decimals = maxDecimals;
    if (x != 0.0 && std::isfinite(x)) {
        const int integerDigits = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
        decimals = std::clamp(kDoubleDigits - integerDigits, 1, maxDecimals);
    }
    return CString(Printf(DecimalsFormat(decimals, 'f').c_str(), x));
}

bool AreNearlyEqual(double a, double b, double tolerance, bool absolute)
{
    const double r = std::fabs(a) > std::fabs(b) ? a : b;
    const double t = absolute ? tolerance : tolerance * r;
    const double low = std::fmin(r - t, r + t);
    const double high = std::fmax(r - t, r + t);
    return a >= low && a <= high && b >= low && b <= high;
}

bool AreNearlyEqualBounded(double a, double b, double factor, double floor)
{
    const double r = std::fabs(a) > std::fabs(b) ? a : b;
    const double t = std::fmax(std::fabs(factor * r), floor);
    return a >= r - t && a <= r + t && b >= r - t && b <= r + t;
}

double RoundToDecimals(double x, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::floor(x * scale + 0.5) / scale;
}

double TruncateToDecimals(double x, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    return std::trunc(x * scale) / scale;
}

void SplitDecimalExponent(double x, double& mantissa, int& exponent)
{
    mantissa = x;
    exponent = 0;
    if (x == 0.0 || !std::isfinite(x))
        return;
    double m = std::fabs(x);
    while (m >= 10.0) {
        m /= 10.0;
        ++exponent;
    }
    while (m < 1.0) {
        m *= 10.0;
        --exponent;
    }
    mantissa = x < 0 ? -m : m;
}

int TidyFractionDigits(CString& text)
{
    std::string s = text.str();
    if (HasExponent(s) || s.find('.') == std::string::npos)
        return 0;
    const size_t n = s.size();
    if (n >= 2 && s[n - 1] >= '1' && s[n - 1] <= '4') {
        size_t zeros = 0;
        for (size_t i = n - 1; i > 0 && s[i - 1] == '0'; --i)
            ++zeros;
        if (n >= 8 && zeros >= 4)
            s.pop_back();
    }
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s += '0';
    text = CString(s);
    return 1;
}

int TidyTrailingNines(CString& text)
{
    std::string s = text.str();
    const size_t point = s.find('.');
    if (HasExponent(s) || point == std::string::npos)
        return 0;
    size_t p = point;
    std::string digits = s.substr(0, p) + s.substr(p + 1);
    if (digits.empty())
        return 1;
    long i = static_cast<long>(digits.size()) - 1;
    const std::string end = digits.size() >= 3 ? digits.substr(digits.size() - 3) : std::string();
    if (digits.size() >= 8 && (end == "998" || end == "997"))
        i -= 3;
    while (i > 0 && digits[i] == '9')
        --i;
    if (i >= 0 && i < static_cast<long>(digits.size()) - 1) {
        const char c = digits[i];
        if (c >= '0' && c <= '8') {
            digits = digits.substr(0, i) + static_cast<char>(c + 1);
        } else {
            // The run of nines reaches the first digit (or the sign): the
            // carry makes a new leading 1 and the integer part one longer.
            digits = digits.substr(0, c == '9' ? 0 : 1) + "1";
            ++p;
        }
    }
    if (digits.size() < p) {
        digits.append(p - digits.size(), '0');
        digits += ".0";
    } else {
        const std::string rest = digits.substr(p);
        digits = digits.substr(0, p) + "." + (rest.empty() ? "0" : rest);
    }
    text = CString(digits);
    return 1;
}

CString TidyNumberText(const CString& text)
{
    return TidyMantissaPart(text, TidyFractionDigits);
}

CString TidyNumberTextNines(const CString& text)
{
    return TidyMantissaPart(text, TidyTrailingNines);
}

CString FormatTidied(double x, int maxDecimals)
{
    CString text = TidyNumberText(TidyNumberText(FormatSignificant(x, maxDecimals)));
    // A run of nines is rounding noise only where the text reaches a
    // double's precision; in a shorter text the nines are the value's own
    // digits (1.9, 2.99) and must stay.
    if (CountSignificantDigits(text.str()) >= kDoubleDigits)
        TidyTrailingNines(text);
    return text;
}

CString FormatFitted(double x, int maxChars)
{
    CString fixed = FormatTidied(x, 48);
    double mantissa = 0;
    int exponent = 0;
    SplitDecimalExponent(x, mantissa, exponent);
    CString exp = FormatTidied(mantissa, 48);
    exp.AppendFormat("e%d", exponent);
    if (fixed.GetLength() <= maxChars || fixed.GetLength() <= exp.GetLength())
        return fixed;
    return exp;
}

CString FormatDoubleText(double x, int width)
{
    if (width < 0)
        width = 10;
    else if (width <= 5)
        width = 6;
    std::string text = Printf(DecimalsFormat(width - 2, 'f').c_str(), x);
    const size_t point = text.find('.');
    if (point == std::string::npos || point <= static_cast<size_t>(width - 2)) {
        if (text.size() > static_cast<size_t>(width))
            text.resize(width);
    } else {
        text = Printf(DecimalsFormat(std::min(width - 5, 4), 'e').c_str(), x);
    }
    if (text.size() < static_cast<size_t>(width))
        text.insert(0, width - text.size(), ' ');
    return CString(text);
}

CString FormatNumberText(double x, int width, bool exponentAllowed, int fixedDecimals, int exponentDecimals)
{
    const CString marks('#', width > 0 ? width : 0);
    if (width < 3 || !(std::fabs(x) < 1.7976913371691808e303))
        return marks;
    const size_t w = static_cast<size_t>(width);
    const bool negative = x < 0;

    double mantissa = 0;
    int exponent = 0;
    SplitDecimalExponent(std::fabs(x), mantissa, exponent);

    // The fixed form, whole when it fits; cut while its integer digits and
    // one decimal fit, for values of 1 and more (a cut small value would
    // lose its digits).
    std::string fixed = TidyNumberText(CString(Printf(DecimalsFormat(fixedDecimals, 'f').c_str(), x))).str();
    const size_t point = fixed.find('.');
    const size_t integerLength = point == std::string::npos ? fixed.size() : point;
    const bool smallLost = x != 0.0 && exponent < 0 && -exponent > fixedDecimals;
    if (fixed.size() <= w && !(smallLost && exponentAllowed))
        return CString(fixed);
    if (exponent >= 0 && integerLength + 2 <= w)
        return CString(fixed.substr(0, w));

    if (exponentAllowed) {
        std::string m = TidyNumberText(CString(Printf(DecimalsFormat(exponentDecimals, 'f').c_str(), mantissa))).str();
        if (m.size() >= 2 && m[0] == '1' && m[1] == '0') {
            // Rounding the mantissa carried to 10.
            mantissa /= 10.0;
            ++exponent;
            m = TidyNumberText(CString(Printf(DecimalsFormat(exponentDecimals, 'f').c_str(), mantissa))).str();
        }
        if (negative)
            m.insert(0, "-");
        char e[16];
        std::snprintf(e, sizeof(e), "e%d", exponent);
        const std::string exp = e;
        if (m.size() + exp.size() <= w)
            return CString(m + exp);
        const size_t lead = negative ? 2 : 1;
        if (lead + 1 + exp.size() <= w) {
            std::string cut = m.substr(0, w - exp.size() - 1);
            if (!cut.empty() && cut.back() == '.')
                cut.pop_back();
            std::string text = cut + "#" + exp;
            if (text.size() < w)
                text.insert(cut.size(), w - text.size(), '#');
            return CString(text);
        }
    }
    if (integerLength + 1 <= w && !smallLost)
        return CString(fixed.substr(0, w - 1) + "#");
    return marks;
}
