// The pattern matcher: a pattern (the input up to its first LF) and a text
// (the rest). Every conversion is given the argument its kind needs: the
// harness sets the kind of the n-th conversion (d, s, u, f, c in turn), so
// the pattern and the argument list always agree. CountFields and
// CheckFieldCount run over the text too.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "foundation/matcher.h"

namespace {

const char kKinds[] = {'d', 's', 'u', 'f', 'c'};
const int kMaxConversions = 10;

// The pattern with each conversion's letter set by its place; false when it
// holds more conversions than the argument list below.
bool ShapePattern(std::string& pattern)
{
    std::string out;
    int conversions = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char ch = pattern[i];
        if (ch != '%') {
            out += ch;
            continue;
        }
        if (i + 1 >= pattern.size())
            break; // a lone "%" at the end is left out
        const char next = pattern[++i];
        if (std::strchr("%[]{|}", next)) {
            out += '%';
            out += next;
            continue;
        }
        if (conversions == kMaxConversions)
            return false;
        const char kind = kKinds[conversions++ % 5];
        out += '%';
        if (next == 'l' && kind != 's' && kind != 'c')
            out += 'l';
        out += kind;
    }
    pattern = out;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t lf = input.find('\n');
    std::string pattern = input.substr(0, lf == std::string::npos ? input.size() : lf);
    std::string text = lf == std::string::npos ? std::string() : input.substr(lf + 1);
    // Both are C texts.
    pattern = pattern.substr(0, pattern.find('\0'));
    text = text.substr(0, text.find('\0'));
    if (!ShapePattern(pattern))
        return 0;

    int i1 = 0, i2 = 0;
    unsigned u1 = 0, u2 = 0;
    double f1 = 0, f2 = 0;
    char c1 = 0, c2 = 0;
    char s1[8], s2[64];
    MatchText(text.c_str(), pattern.c_str(), &i1, s1, static_cast<int>(sizeof s1), &u1, &f1, &c1, &i2, s2,
              static_cast<int>(sizeof s2), &u2, &f2, &c2);

    for (char separator : {',', ' '}) {
        for (BOOL allowEmpty : {FALSE, TRUE}) {
            const int fields = CountFields(text.c_str(), separator, allowEmpty);
            CString cut(text.c_str());
            if (fields >= 1 && !CheckFieldCount(fields, cut, separator, allowEmpty))
                __builtin_trap(); // a text holds the fields it was counted to hold
        }
    }
    return 0;
}
