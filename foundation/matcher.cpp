#include "foundation/matcher.h"

#include <cctype>
#include <cstring>
#include <vector>

namespace {

const double kRealMark = 1.7976931348623158e303;

bool IsDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

bool IsSpace(char ch)
{
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

// 10 raised to a power, by repeated squaring.
double PowerOfTen(std::uint32_t exponent)
{
    double result = 1.0;
    double base = 10.0;
    while (exponent) {
        if (exponent & 1)
            result *= base;
        base *= base;
        exponent >>= 1;
    }
    return result;
}

// A run of "#", a "." and a second run of "#" that ends the input; when
// loneRunEnds, a single run that ends the input counts as well. The
// characters read stay consumed.
bool ReadMark(const char*& input, bool loneRunEnds)
{
    while (*input == '#')
        ++input;
    if (*input == '\0')
        return loneRunEnds;
    if (*input != '.')
        return false;
    ++input;
    if (*input != '#')
        return false;
    while (*input == '#')
        ++input;
    return *input == '\0';
}

// The destination of one conversion.
struct Argument {
    char kind = 0; // 'c', 'd', 'u', 'f' or 's'
    void* target = nullptr;
    int size = 0; // "%s" only
};

// The arguments of a match, taken from the argument list up front in
// pattern order, so that every conversion finds its own argument wherever
// the matching stops or skips a group.
class Arguments {
public:
    Arguments(const char* pattern, va_list args) : m_pattern(pattern), m_slots(std::strlen(pattern), -1)
    {
        for (const char* p = pattern; *p; ++p) {
            if (*p != '%')
                continue;
            char conversion = p[1];
            if (conversion == '\0')
                return;
            if (std::strchr("%[]{|}", conversion)) {
                ++p; // an escaped literal takes no argument
                continue;
            }
            const bool isLong = conversion == 'l';
            if (isLong)
                conversion = p[2];
            Argument argument;
            switch (conversion) {
            case 'd':
            case 'i':
                argument.kind = 'd';
                break;
            case 'u':
                argument.kind = 'u';
                break;
            case 'f':
                argument.kind = 'f';
                break;
            case 'c':
            case 's':
                argument.kind = isLong ? 0 : conversion;
                break;
            default:
                break;
            }
            if (argument.kind == 0)
                return; // the match fails here; later arguments are unknown
            argument.target = va_arg(args, void*);
            if (argument.kind == 's')
                argument.size = va_arg(args, int);
            m_slots[static_cast<std::size_t>(p - pattern)] = static_cast<int>(m_arguments.size());
            m_arguments.push_back(argument);
            p += isLong ? 2 : 1;
        }
    }

    // The argument of the conversion at pattern position p; null when it
    // has none.
    const Argument* At(const char* p) const
    {
        const std::size_t at = static_cast<std::size_t>(p - m_pattern);
        if (at >= m_slots.size() || m_slots[at] < 0)
            return nullptr;
        return &m_arguments[static_cast<std::size_t>(m_slots[at])];
    }

private:
    const char* m_pattern;
    std::vector<int> m_slots;
    std::vector<Argument> m_arguments;
};

// Just past the close of the group whose content starts at p (nested
// groups and "%" escapes are passed over); the end of the pattern when the
// group is not closed.
const char* SkipGroup(const char* p)
{
    int level = 0;
    for (; *p; ++p) {
        if (*p == '%' && p[1]) {
            ++p;
            continue;
        }
        if (*p == '[' || *p == '{') {
            ++level;
        } else if (*p == ']' || *p == '}') {
            if (level == 0)
                return p + 1;
            --level;
        }
    }
    return p;
}

// The start of the next alternative after the one that starts at p; null
// when p's alternative is the last.
const char* NextAlternative(const char* p)
{
    int level = 0;
    for (; *p; ++p) {
        if (*p == '%' && p[1]) {
            ++p;
            continue;
        }
        if (*p == '[' || *p == '{') {
            ++level;
        } else if (*p == ']' || *p == '}') {
            if (level == 0)
                return nullptr;
            --level;
        } else if (*p == '|' && level == 0) {
            return p + 1;
        }
    }
    return nullptr;
}

void StoreEmptyText(const Argument* argument)
{
    if (argument && argument->target && argument->size >= 1)
        static_cast<char*>(argument->target)[0] = '\0';
}

// The input has ended while pattern is not used up.
int MatchEndOfInput(const char*& pattern, const Arguments& arguments)
{
    for (;;) {
        if (pattern[0] == '%' && pattern[1] == 's') {
            StoreEmptyText(arguments.At(pattern));
            pattern += 2;
        } else if (*pattern == '}' || IsSpace(*pattern)) {
            ++pattern;
        } else if (*pattern == '|') {
            const char* close = std::strchr(pattern, '}');
            pattern = close ? close + 1 : pattern + std::strlen(pattern);
        } else if (pattern[0] == ',' && IsSpace(pattern[1])) {
            pattern += 2;
        } else {
            break;
        }
    }
    return (*pattern == '[' || *pattern == ']' || *pattern == '\0') ? 1 : 0;
}

// One conversion at pattern (which points at its "%"); 0 on failure.
int MatchConversion(const char*& input, const char*& pattern, const Arguments& arguments)
{
    const Argument* argument = arguments.At(pattern);
    const char* p = pattern + 1;
    if (*p && std::strchr("%[]{|}", *p)) {
        if (*input != *p)
            return 0;
        ++input;
        pattern = p + 1;
        return 1;
    }
    if (!argument)
        return 0;
    if (*p == 'l')
        ++p;
    pattern = p + 1;

    switch (argument->kind) {
    case 'c':
        if (argument->target)
            *static_cast<char*>(argument->target) = *input;
        ++input;
        return 1;
    case 'd': {
        std::int32_t value;
        if (!MatchInteger(input, value))
            return 0;
        if (argument->target)
            *static_cast<std::int32_t*>(argument->target) = value;
        return 1;
    }
    case 'u': {
        std::uint32_t value;
        if (!MatchUnsigned(input, value))
            return 0;
        if (argument->target)
            *static_cast<std::uint32_t*>(argument->target) = value;
        return 1;
    }
    case 'f': {
        // The reader stores only on success, or when it read a number but
        // not the exponent after its "e".
        double unused;
        double& value = argument->target ? *static_cast<double*>(argument->target) : unused;
        return MatchRealWithExponent(input, value) ? 1 : 0;
    }
    case 's': {
        char* buffer = static_cast<char*>(argument->target);
        if (!buffer || argument->size < 1)
            return 0;
        char stop = *pattern;
        if (stop == ']')
            stop = pattern[1];
        int copied = 0;
        while (*input && (stop == '\0' || *input != stop) && copied < argument->size - 1)
            buffer[copied++] = *input++;
        buffer[copied] = '\0';
        return 1;
    }
    default:
        return 0;
    }
}

int MatchStep(const char*& input, const char*& pattern, const Arguments& arguments, int depth)
{
    for (;;) {
        const char c = *pattern;
        if (c == '\0')
            return (depth > 0 || *input == '\0') ? 1 : 0;
        // A "|" or "}" ends the inside of a group as "]" does.
        if (depth > 0 && (c == ']' || c == '|' || c == '}'))
            return 1;
        if (*input == '\0')
            return MatchEndOfInput(pattern, arguments);

        if (c == '[') {
            const char* close = SkipGroup(pattern + 1);
            const char* inner = pattern + 1;
            MatchStep(input, inner, arguments, depth + 1);
            pattern = close;
            continue;
        }
        if (c == '{') {
            const char* close = SkipGroup(pattern + 1);
            const char* start = input;
            bool matched = false;
            for (const char* alternative = pattern + 1; alternative; alternative = NextAlternative(alternative)) {
                input = start;
                const char* inner = alternative;
                if (MatchStep(input, inner, arguments, depth + 1)) {
                    matched = true;
                    break;
                }
            }
            if (!matched)
                return 0;
            pattern = close;
            continue;
        }
        if (c == '%') {
            if (!MatchConversion(input, pattern, arguments))
                return 0;
            continue;
        }
        if (*input != c)
            return 0;
        ++input;
        ++pattern;
    }
}

} // namespace

bool MatchInteger(const char*& input, std::int32_t& value)
{
    const char* start = input;
    const bool negative = *input == '-';
    if (negative)
        ++input;
    if (*input == '#') {
        if (!ReadMark(input, false))
            return false;
        value = 0x7FFFFFFF;
        return true;
    }
    if (!IsDigit(*input)) {
        input = start;
        return false;
    }
    std::uint32_t magnitude = 0;
    for (; IsDigit(*input); ++input)
        magnitude = magnitude * 10 + static_cast<std::uint32_t>(*input - '0');
    value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
    return true;
}

bool MatchUnsigned(const char*& input, std::uint32_t& value)
{
    if (*input == '#') {
        if (!ReadMark(input, false))
            return false;
        value = 0xFFFFFFFFu;
        return true;
    }
    if (!IsDigit(*input))
        return false;
    std::uint32_t result = 0;
    for (; IsDigit(*input); ++input)
        result = result * 10 + static_cast<std::uint32_t>(*input - '0');
    value = result;
    return true;
}

bool MatchReal(const char*& input, double& value)
{
    const char* start = input;
    const bool negative = *input == '-';
    if (negative)
        ++input;
    if (*input == '#') {
        if (!ReadMark(input, true))
            return false;
        value = kRealMark;
        return true;
    }
    if (!IsDigit(*input)) {
        input = start;
        return false;
    }
    double result = 0.0;
    for (; IsDigit(*input); ++input)
        result = result * 10.0 + (*input - '0');
    if (*input == '.') {
        ++input;
        double weight = 0.1;
        for (; IsDigit(*input); ++input) {
            result += (*input - '0') * weight;
            weight /= 10.0;
        }
    }
    value = negative ? -result : result;
    return true;
}

bool MatchRealWithExponent(const char*& input, double& value)
{
    double result;
    if (!MatchReal(input, result))
        return false;
    if (*input == 'e' || *input == 'E') {
        ++input;
        std::int32_t exponent;
        if (!MatchInteger(input, exponent)) {
            value = result;
            return false;
        }
        if (exponent > 0)
            result *= PowerOfTen(static_cast<std::uint32_t>(exponent));
        else if (exponent < 0)
            result /= PowerOfTen(0u - static_cast<std::uint32_t>(exponent));
    }
    value = result;
    return true;
}

BOOL MatchTextV(LPCSTR input, LPCSTR pattern, va_list args)
{
    if (!input || !pattern)
        return FALSE;
    va_list copy;
    va_copy(copy, args);
    const Arguments arguments(pattern, copy);
    va_end(copy);
    const char* in = input;
    const char* pat = pattern;
    return MatchStep(in, pat, arguments, 0) ? TRUE : FALSE;
}

BOOL MatchText(LPCSTR input, LPCSTR pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    const BOOL result = MatchTextV(input, pattern, args);
    va_end(args);
    return result;
}

int CountFields(LPCSTR text, char separator, BOOL allowEmpty)
{
    if (!text || !*text)
        return allowEmpty ? 1 : 0;
    int count = 0;
    bool content = false;
    for (const char* p = text; *p; ++p) {
        if (*p == separator) {
            if (!content && !allowEmpty)
                return count;
            ++count;
            content = false;
        } else if (!IsSpace(*p)) {
            content = true;
        }
    }
    if (allowEmpty || content)
        ++count;
    return count;
}

BOOL CheckFieldCount(int n, CString& text, char separator, BOOL allowEmpty)
{
    int separators = 0;
    bool content = false;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char ch = text[i];
        if (ch == separator) {
            if (!content && !allowEmpty)
                return FALSE;
            ++separators;
            content = false;
            if (separators == n) {
                text.Truncate(i);
                return TRUE;
            }
        } else if (!IsSpace(ch)) {
            content = true;
        }
    }
    return (separators == n - 1 && (allowEmpty || content)) ? TRUE : FALSE;
}
