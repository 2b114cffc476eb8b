// The lexer and the de-tokeniser: source text to token byte lines and back.
//
// Every line that reaches the runtime -- typed at the command line, sent by
// the development environment, stored in a program, read by EXECUTE -- is
// first turned into a token byte line (tokens.h). The de-tokeniser turns a
// token line back into text for listings.
//
// Lexer modes: 0 for the command line and BASIC programs, 1 for G code. A
// keyword is recognised in mode m only when its row carries that mode;
// parameters, modifiers and constants are recognised in every mode.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qcrt {

constexpr int kLexerModeBasic = 0;
constexpr int kLexerModeGCode = 1;

// A word (letters, "_", "$", and in mode 0 digits) holds at most this many
// characters; a longer one is error 43 ("Identifier expected").
constexpr int kMaxWordLength = 78;

// De-tokenising stops once this many characters have been written.
constexpr int kDetokeniseLimit = 120;

// Tokenises text (its end, or its first NUL, ends it; trailing blanks are
// dropped) into out, which holds capacity bytes, and returns the number of
// bytes written, the end code kTokZero included. On failure error is set and
// out holds an empty line (kTokZero alone):
//   43  a word of more than kMaxWordLength characters
//    6  a string that holds the byte of a token code that ends a string or
//       a line (232 or 200), which the token line could not carry
//   68  the token line does not fit into capacity bytes
int TokeniseLine(std::string_view text, uint8_t* out, int capacity, int mode, int32_t& error);

// The text of the token line that starts at tokens[start]; reading stops at
// kTokZero, at end, at a code that no token line holds, or once more than
// kDetokeniseLimit characters are written (so a longer line shows as such). Keywords, parameters and
// constants are written by their first alias. In mode 0 a blank is put
// between a name and a following word or number that the line holds without
// one (as "?VERSION" does), and the quote and backslash inside a string are
// written with a backslash, so that the text tokenises to the same line.
std::string DetokeniseLine(const uint8_t* tokens, int start, int end, int mode);

// INPUT's number reader: at text[position] (blanks before it skipped) an
// optional "-", digits, an optional "." and digits, or a number that begins
// with "." (written as "0." and its digits). The number is written to out as
// text and a NUL byte (never beyond capacity); a "," behind it sets
// moreFollows and is consumed. True when a number was read and the text ends
// there or a "," follows.
bool ReadInputNumber(std::string_view text, int& position, uint8_t* out, int& outPosition, int capacity,
                     bool& moreFollows);

} // namespace qcrt
