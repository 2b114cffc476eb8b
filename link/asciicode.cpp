// The coder's text form and the script response rules: bytes and text only.
#include <cstdint>
#include <cstring>

#include "link/asciicoder.h"

namespace {

const int kGroupsPerLine = 19;
const char kFirstCode = 35;             // "#"
const char kLastCode = kFirstCode + 63; // "b"
const std::size_t kMaxLengthDigits = 15;

} // namespace

std::string EncodeAsciiText(const std::string& bytes)
{
    std::string text = std::to_string(bytes.size()) + "\r\n{";
    const std::size_t groups = (bytes.size() + 2) / 3;
    text.reserve(text.size() + groups * 4 + groups / kGroupsPerLine * 2 + 3);
    for (std::size_t group = 0; group < groups; ++group) {
        std::uint32_t value = 0;
        for (std::size_t n = 0; n < 3; ++n) {
            const std::size_t at = group * 3 + n;
            if (at < bytes.size())
                value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << (8 * n);
        }
        for (int part = 0; part < 4; ++part)
            text += static_cast<char>(((value >> (6 * part)) & 63) + kFirstCode);
        if ((group + 1) % kGroupsPerLine == 0)
            text += "\r\n";
    }
    text += "}\r\n";
    return text;
}

bool DecodeAsciiText(const std::string& text, std::string& bytes)
{
    bytes.clear();
    const std::size_t open = text.find('{');
    if (open == std::string::npos)
        return false;
    std::size_t lengthEnd = open;
    while (lengthEnd > 0 && (text[lengthEnd - 1] == '\r' || text[lengthEnd - 1] == '\n'))
        --lengthEnd;
    if (lengthEnd == 0 || lengthEnd > kMaxLengthDigits)
        return false;
    std::uint64_t length = 0;
    for (std::size_t n = 0; n < lengthEnd; ++n) {
        if (text[n] < '0' || text[n] > '9')
            return false;
        length = length * 10 + static_cast<std::uint64_t>(text[n] - '0');
    }
    std::size_t at = open + 1;
    for (;;) {
        while (at < text.size() && (text[at] == '\r' || text[at] == '\n'))
            ++at;
        if (at >= text.size())
            break; // no "}"
        if (text[at] == '}')
            break;
        if (at + 4 > text.size())
            break;
        std::uint32_t value = 0;
        for (int part = 0; part < 4; ++part) {
            const char code = text[at + static_cast<std::size_t>(part)];
            if (code < kFirstCode || code > kLastCode) {
                bytes.clear();
                return false;
            }
            value |= static_cast<std::uint32_t>(code - kFirstCode) << (6 * part);
        }
        at += 4;
        for (int n = 0; n < 3 && bytes.size() < length; ++n)
            bytes += static_cast<char>((value >> (8 * n)) & 0xFF);
    }
    if (at >= text.size() || text[at] != '}' || bytes.size() < length) {
        bytes.clear();
        return false;
    }
    return true;
}

void CScriptResponseChecker::SplitAlternatives(LPCSTR text, CTList<CString>& list)
{
    list.RemoveAll();
    if (!text)
        return;
    const char* start = text;
    for (;;) {
        const char* bar = std::strchr(start, '|');
        CString part = bar ? CString(start, static_cast<int>(bar - start)) : CString(start);
        if (!bar && part.IsEmpty())
            return;
        part.Trim(" \t");
        list.AddTail(part);
        if (!bar)
            return;
        start = bar + 1;
    }
}

bool CScriptResponseChecker::IsExactMatch(LPCSTR expected, LPCSTR received)
{
    return std::strcmp(expected ? expected : "", received ? received : "") == 0;
}
