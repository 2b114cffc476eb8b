#include "foundation/textutil.h"

#include <cctype>
#include <cstdarg>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

CString FormatString(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    return text;
}

namespace {

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsSpace(char ch)
{
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

int HexDigitValue(char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

// Removes trailing "0" characters while at least two characters follow the
// decimal point.
void TrimDecimalZeros(CString& text)
{
    const int point = text.Find('.');
    if (point < 0)
        return;
    int length = text.GetLength();
    while (length - point - 1 >= 2 && text[length - 1] == '0')
        --length;
    text.Truncate(length);
}

// Leading white space, then digits of the given base up to the end; any
// other character (white space after a digit too) makes the text invalid.
// The value wraps at 32 bits.
bool ParseDigits(const char* text, unsigned base, std::uint32_t& value)
{
    value = 0;
    if (!text)
        return false;
    while (IsSpace(*text))
        ++text;
    if (base == 16 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text += 2;
    for (; *text; ++text) {
        const int digit = HexDigitValue(*text);
        if (digit < 0 || static_cast<unsigned>(digit) >= base)
            return false;
        value = value * base + static_cast<std::uint32_t>(digit);
    }
    return true;
}

int ClampToInt(long long value)
{
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The integer at the start of a text, as atoi reads it but without
// overflow: values beyond the int range are clamped.
int LeadingInt(const CString& text)
{
    return ClampToInt(std::strtoll(text, nullptr, 10));
}

} // namespace

CString FormatNumber(double value, BOOL allowExponent, int minDecimals)
{
    if (value == 0.0)
        return "0.0";

    CString text;
    const double magnitude = std::fabs(value);
    if (!allowExponent || (magnitude >= 0.0001 && magnitude <= 10000000000.0)) {
        int decimals = minDecimals > 0 ? minDecimals : 0;
        for (;;) {
            text.Format("%.*f", decimals, value);
            if (std::fabs(std::strtod(text, nullptr) - value) < 0.000001 || decimals >= 8)
                break;
            ++decimals;
        }
        TrimDecimalZeros(text);
    } else {
        text.Format("%16.8e", value);
        const int e = text.Find('e');
        if (e >= 0) {
            CString mantissa = text.Left(e);
            TrimDecimalZeros(mantissa);
            CString exponent = text.Mid(e + 1);
            CString out = mantissa + "e";
            if (!exponent.IsEmpty() && (exponent[0] == '+' || exponent[0] == '-')) {
                out += exponent[0];
                exponent = exponent.Mid(1);
            }
            exponent.TrimLeft('0');
            out += exponent.IsEmpty() ? CString("0") : exponent;
            text = out;
        }
        text.TrimLeft(' ');
    }
    if (text.IsEmpty())
        text = "0.0";
    return text;
}

BOOL IsIntegerText(CString& text, BOOL normalise)
{
    CString trimmed = text;
    trimmed.Trim();
    const int length = trimmed.GetLength();
    int i = (length > 0 && (trimmed[0] == '+' || trimmed[0] == '-')) ? 1 : 0;
    if (i >= length)
        return FALSE;
    for (; i < length; ++i) {
        if (!IsDigit(trimmed[i]))
            return FALSE;
    }
    if (normalise && trimmed != text)
        text = trimmed;
    return TRUE;
}

BOOL IsIntegerText(LPCSTR text)
{
    CString copy = text;
    return IsIntegerText(copy, FALSE);
}

BOOL IsHexText(CString& text, BOOL normalise)
{
    CString trimmed = text;
    trimmed.Trim();
    if (trimmed.IsEmpty())
        return FALSE;
    for (int i = 0; i < trimmed.GetLength(); ++i) {
        if (HexDigitValue(trimmed[i]) < 0)
            return FALSE;
    }
    if (normalise && trimmed != text)
        text = trimmed;
    return TRUE;
}

BOOL IsHexText(LPCSTR text)
{
    CString copy = text;
    return IsHexText(copy, FALSE);
}

BOOL IsRealText(CString& text, BOOL normalise)
{
    CString trimmed = text;
    trimmed.Trim();
    CString clean;
    int i = 0;
    if (!trimmed.IsEmpty() && (trimmed[0] == '+' || trimmed[0] == '-')) {
        clean += trimmed[0];
        i = 1;
    }
    bool point = false;
    int digits = 0;
    for (; i < trimmed.GetLength(); ++i) {
        const char ch = trimmed[i];
        if (IsDigit(ch)) {
            clean += ch;
            ++digits;
        } else if (ch == '.') {
            if (point)
                return FALSE;
            point = true;
            clean += ch;
        }
    }
    if (digits == 0)
        return FALSE;
    if (normalise && clean != text)
        text = clean;
    return TRUE;
}

BOOL IsRealText(LPCSTR text)
{
    CString copy = text;
    return IsRealText(copy, FALSE);
}

int HexByteToValue(LPCSTR text)
{
    if (!text || std::strlen(text) > 2)
        return -1;
    int value = 0;
    for (; *text; ++text) {
        const int digit = HexDigitValue(*text);
        value = value * 16 + (digit < 0 ? 0 : digit);
    }
    return value;
}

CString DecimalTextToHexText(LPCSTR text)
{
    std::uint32_t value = 0;
    if (!ParseDigits(text, 10, value))
        value = 0;
    CString out;
    out.Format("%x", static_cast<unsigned>(value));
    return out;
}

CString HexTextToDecimalText(LPCSTR text)
{
    std::uint32_t value = 0;
    if (!ParseDigits(text, 16, value))
        value = 0;
    CString out;
    out.Format("%d", static_cast<int>(value));
    return out;
}

double ParseDouble(LPCSTR text)
{
    return text ? std::strtod(text, nullptr) : 0.0;
}

float ParseFloat(LPCSTR text)
{
    return static_cast<float>(ParseDouble(text));
}

DWORD ParseUnsigned(LPCSTR text)
{
    return text ? static_cast<DWORD>(std::strtoul(text, nullptr, 10)) : 0;
}

BOOL CopyTextBounded(char* destination, int capacity, LPCSTR source, int count)
{
    if (!destination || !source || capacity < 1 || count < 1)
        return FALSE;
    const std::size_t available = strnlen(source, static_cast<std::size_t>(count));
    const std::size_t room = static_cast<std::size_t>(capacity) - 1;
    const std::size_t copied = available < room ? available : room;
    std::memcpy(destination, source, copied);
    destination[copied] = '\0';
    return available <= room;
}

BOOL IsDigitOrSign(char ch)
{
    return IsDigit(ch) || ch == '+' || ch == '-';
}

BOOL StringsDiffer(LPCSTR a, LPCSTR b)
{
    return std::strcmp(a ? a : "", b ? b : "") != 0;
}

int InsertCarriageReturns(CString& text)
{
    text.Replace("\n", "\r\n");
    return text.GetLength();
}

CString& ControlCharsToSpaces(CString& text)
{
    text.Replace('\t', ' ');
    text.Replace('\n', ' ');
    text.Replace('\r', ' ');
    text.TrimRight();
    return text;
}

CString NormaliseIPv4Text(LPCSTR text)
{
    const CString invalid = "0.0.0.0";
    CString source = text;
    CString parts[4];
    int start = 0;
    for (int i = 0; i < 4; ++i) {
        const int dot = source.Find('.', start);
        if ((i < 3) != (dot >= 0))
            return invalid;
        parts[i] = i < 3 ? source.Mid(start, dot - start) : source.Mid(start);
        start = dot + 1;
    }

    CString out;
    for (int i = 0; i < 4; ++i) {
        CString part = parts[i];
        part.TrimLeft(' ');
        if (!IsIntegerText(part, TRUE))
            return invalid;
        // A minus sign makes no address part, not even before a zero.
        if (part[0] == '-')
            return invalid;
        if (part[0] == '+')
            part = part.Mid(1);
        part.TrimLeft('0');
        if (part.GetLength() > 3)
            return invalid;
        const int value = part.IsEmpty() ? 0 : std::atoi(part);
        if (value > 255)
            return invalid;
        if (i > 0)
            out += '.';
        out.AppendFormat("%d", value);
    }
    return out;
}

int CompareNatural(LPCSTR a, LPCSTR b)
{
    CString left = a;
    CString right = b;
    left.Trim();
    right.Trim();
    if (left.IsEmpty() || right.IsEmpty()) {
        if (left.IsEmpty() && right.IsEmpty())
            return 0;
        return left.IsEmpty() ? -1 : 1;
    }
    const bool leftLetter = std::isalpha(static_cast<unsigned char>(left[0])) != 0;
    const bool rightLetter = std::isalpha(static_cast<unsigned char>(right[0])) != 0;
    if (leftLetter != rightLetter)
        return leftLetter ? 2 : -2;
    if (IsDigitOrSign(left[0]) && IsDigitOrSign(right[0]))
        return ClampToInt(static_cast<long long>(LeadingInt(left)) - LeadingInt(right));
    return left.CompareNoCase(right);
}

int CompareIntsAscending(int a, int b)
{
    return (b > a) - (b < a);
}

int WrapText(LPCSTR text, int width, const TextMeasure& measure, CStringArray& lines)
{
    const INT_PTR before = lines.GetSize();
    CString line;
    int breakAfter = -1; // index in line of the last break character

    auto findBreak = [&]() {
        breakAfter = -1;
        for (int i = line.GetLength() - 1; i >= 0; --i) {
            if (line[i] == ' ' || line[i] == '\t' || line[i] == '\r') {
                breakAfter = i;
                break;
            }
        }
    };
    auto emit = [&](const CString& out) {
        CString clean = out;
        clean.Remove('\r');
        lines.Add(clean);
    };

    for (const char* p = text ? text : ""; *p; ++p) {
        if (*p == '\n') {
            emit(line);
            line.Empty();
            breakAfter = -1;
            continue;
        }
        line += *p;
        const bool breakChar = *p == ' ' || *p == '\t' || *p == '\r';
        // A break character may hang over the edge; the line breaks after it
        // once the next character does not fit.
        if (!breakChar && width > 0 && line.GetLength() > 1 && measure(line) >= width) {
            if (breakAfter >= 0) {
                emit(line.Left(breakAfter + 1));
                line = line.Mid(breakAfter + 1);
                findBreak();
            } else {
                emit(line.Left(line.GetLength() - 1));
                line = line.Right(1);
            }
        }
        if (breakChar)
            breakAfter = line.GetLength() - 1;
    }
    if (!line.IsEmpty())
        emit(line);
    return static_cast<int>(lines.GetSize() - before);
}

CString CompactPath(LPCSTR path, int level)
{
    CString source = path;
    std::vector<CString> parts;
    int start = 0;
    for (;;) {
        const int slash = source.Find('\\', start);
        if (slash < 0) {
            parts.push_back(source.Mid(start));
            break;
        }
        parts.push_back(source.Mid(start, slash - start));
        start = slash + 1;
    }
    // The head that stays: the drive (or whatever comes before the first
    // backslash), or for a UNC path "\\\\server\\share".
    std::size_t head = 1;
    if (parts.size() >= 3 && parts[0].IsEmpty() && parts[1].IsEmpty())
        head = parts.size() < 4 ? parts.size() : 4;
    const int middle = static_cast<int>(parts.size() - head) - 1;
    if (middle < 1 || level <= 0)
        return source;
    const int dropped = level < middle ? level : middle;
    CString out = parts[0];
    for (std::size_t i = 1; i < head; ++i)
        out += "\\" + parts[i];
    out += "\\..";
    for (std::size_t i = head + static_cast<std::size_t>(dropped); i < parts.size(); ++i)
        out += "\\" + parts[i];
    return out;
}

CString CompactPathToWidth(LPCSTR path, int width, const TextMeasure& measure)
{
    CString text = path;
    for (int level = 1; measure(text) > width; ++level) {
        CString shorter = CompactPath(path, level);
        if (shorter == text)
            break;
        text = shorter;
    }
    return text;
}
