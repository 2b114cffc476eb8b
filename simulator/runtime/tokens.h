// The token codes of the runtime's internal line forms.
//
// A token byte line (what the lexer makes of a source line) is a sequence of
// one-byte codes, some followed by data bytes, ended by kTokZero. Codes 0 to
// 195 are keywords: the row of the keyword table. The compiled form of a line
// (what the compiler makes of a token line) uses the same codes and a few of
// its own: the operators 201, 202, 207 and 215 to 217, the expression end
// kTokEox and the assignment kTokAssign.
//
// What follows each code in a token line:
//   kTokNumber      the digits and "." as text, then NUL
//   kTokName        the variable name in lower case, then NUL
//   kTokParameter   one byte: the parameter row
//   kTokModifier    one byte: the modifier row
//   kTokConstant    one byte: the constant row
//   kTokQuotes      the characters of the string, then a second kTokQuotes
//   kTokLabel       the label name in lower case, then NUL
//   kTokComment     the comment text, then NUL
//   kTokHex         up to six hexadecimal digits as text, then NUL
//   kTokCharacter   one byte: the character itself
// and in compiled code:
//   kTokNumber      the value as a 32-bit little-endian float
//   kTokConstant    the value as a 32-bit little-endian float
//   kTokName        the variable slot, 16 bits little-endian
//   kTokLabel       a label definition alone; behind GOTO, GOSUB and ON a
//                   4-byte jump field follows
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kKeywordRows = 196; // codes 0 to 195

constexpr uint8_t kTokZero = 200; // end of a token line; line start in code
constexpr uint8_t kTokNegate = 201;
constexpr uint8_t kTokNot = 202;
constexpr uint8_t kTokMinus = 203;
constexpr uint8_t kTokPlus = 204;
constexpr uint8_t kTokMultiply = 205;
constexpr uint8_t kTokDivide = 206;
constexpr uint8_t kTokMod = 207;
constexpr uint8_t kTokPower = 208;
constexpr uint8_t kTokEqual = 209;
constexpr uint8_t kTokGreater = 210;
constexpr uint8_t kTokGreaterEqual = 211;
constexpr uint8_t kTokLess = 212;
constexpr uint8_t kTokLessEqual = 213;
constexpr uint8_t kTokNotEqual = 214;
constexpr uint8_t kTokAnd = 215;
constexpr uint8_t kTokOr = 216;
constexpr uint8_t kTokXor = 217;
constexpr uint8_t kTokEox = 218; // end of an expression
constexpr uint8_t kTokOpenBracket = 219;
constexpr uint8_t kTokCloseBracket = 220;
constexpr uint8_t kTokComma = 221;
constexpr uint8_t kTokNumber = 222;
constexpr uint8_t kTokName = 223;
constexpr uint8_t kTokParameter = 227; // SYSTEMVARIABLE
constexpr uint8_t kTokModifier = 228;
constexpr uint8_t kTokConstant = 229;
constexpr uint8_t kTokAssign = 230;
constexpr uint8_t kTokColon = 231; // statement separator
constexpr uint8_t kTokQuotes = 232;
constexpr uint8_t kTokSemicolon = 233;
constexpr uint8_t kTokOpenSquare = 234;
constexpr uint8_t kTokCloseSquare = 235;
constexpr uint8_t kTokHash = 236;
constexpr uint8_t kTokSpace = 237;
constexpr uint8_t kTokLabel = 238;
constexpr uint8_t kTokComment = 239;
constexpr uint8_t kTokOn = 240;
constexpr uint8_t kTokHex = 241;
constexpr uint8_t kTokPercent = 242;
constexpr uint8_t kTokCharacter = 243;

inline bool IsKeywordToken(uint8_t token)
{
    return token < kKeywordRows;
}

} // namespace qcrt
