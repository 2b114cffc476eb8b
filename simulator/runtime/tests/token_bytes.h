// Builds expected token and code bytes for tests: integers are single bytes,
// texts their characters (without a terminator), floats their four bytes
// least significant first.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A 32-bit field and a 24-bit line number, least significant byte first.
struct Field {
    int32_t value;
};
struct LineNumber {
    uint32_t value;
};

struct TokenBytes {
    std::vector<uint8_t> bytes;

    TokenBytes& Add(Field field)
    {
        for (int n = 0; n < 4; ++n)
            bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(field.value) >> (8 * n)));
        return *this;
    }
    TokenBytes& Add(LineNumber line)
    {
        for (int n = 0; n < 3; ++n)
            bytes.push_back(static_cast<uint8_t>(line.value >> (8 * n)));
        return *this;
    }

    TokenBytes& Add(int byte)
    {
        bytes.push_back(static_cast<uint8_t>(byte));
        return *this;
    }
    TokenBytes& Add(const char* text)
    {
        for (char c : std::string_view(text))
            bytes.push_back(static_cast<uint8_t>(c));
        return *this;
    }
    TokenBytes& Add(float value)
    {
        uint32_t bits = std::bit_cast<uint32_t>(value);
        for (int n = 0; n < 4; ++n)
            bytes.push_back(static_cast<uint8_t>(bits >> (8 * n)));
        return *this;
    }
};

template <typename... Items> std::vector<uint8_t> Bytes(Items... items)
{
    TokenBytes b;
    (b.Add(items), ...);
    return b.bytes;
}

// A readable form of a byte sequence for failure messages.
inline std::string Show(const std::vector<uint8_t>& bytes)
{
    std::string text;
    for (uint8_t b : bytes) {
        if (b >= 33 && b < 127)
            text += static_cast<char>(b);
        else
            text += "<" + std::to_string(b) + ">";
        text += ' ';
    }
    return text;
}

// Keyword rows used by the tests (the token bytes stored programs hold).
namespace kw {
constexpr int COPY = 2, APPENDPROG = 13, EDPROG = 17, AND = 30, MOD = 42, NOT = 43, OR = 44, XOR = 50, VR = 52,
              ELSEIF = 59, ELSE = 60, ENDIF = 61, FOR = 63, GOTO = 64, GOSUB = 65, INCLUDE = 68, IF = 70, NEXT = 71,
              ON = 72, REPEAT = 73, RUN = 75, STEP = 76, THEN = 79, TO = 80, UNTIL = 83, WEND = 84, WHILE = 85,
              WAIT = 86, GET = 125, PRINT = 135, TIME = 146, DATE = 147, G = 178, X = 183;
} // namespace kw
