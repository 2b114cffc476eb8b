// MatchText: the scanf-like matcher for controller replies and text lines.
//
// A pattern of literal characters, conversions and optional groups is
// matched against an input text; converted values are stored through the
// pointer arguments that follow the pattern, one per conversion in pattern
// order (two for "%s"):
//
//   any other character    must equal the next input character
//   %% %[ %] %{ %| %}      the character after the "%", literally
//   %c                     one character -> char*
//   %d %i %ld %li          signed integer -> 32-bit int*
//   %u %lu                 unsigned integer -> 32-bit unsigned*
//   %f %lf                 real number, optional exponent -> double*
//   %s                     -> char* buffer, int size: the input up to the
//                          pattern's next character (the one after a "]"
//                          that follows), or to the end, at most size - 1
//                          characters, terminated
//   [ ... ]                optional group: matched as far as it goes; its
//                          failure does not fail the match
//   { a | b | ... }        alternatives: the first that matches is taken
//
// Numbers may be written as runs of "#", the controller's mark for a value
// that does not fit: "##.#" reads as 0x7FFFFFFF (%d), 0xFFFFFFFF (%u) or
// 1.7976931348623158e303 (%f).
//
// The matcher never goes back in the input: what a failed group or number
// consumed stays consumed (a "-" before a number that fails is given back).
// When the input ends first, a remaining "%s" stores an empty text and the
// match succeeds if what is left of the pattern starts with "[", "]" or
// ends (white space, ", ", "}" and "| ... }" are passed over first). Values
// stored before a failure stay stored. Each conversion stores only into its
// own argument, also when an optional group before it was skipped.
//
// This header includes no Win32 header.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "framework/cstring.h"

BOOL MatchText(LPCSTR input, LPCSTR pattern, ...);
BOOL MatchTextV(LPCSTR input, LPCSTR pattern, va_list args);

// The number readers behind the conversions. Each reads at input, moves it
// past what it consumed and returns true on success.
// Optional "-", then digits (32-bit, wrapping) or the mark "#...#.#...#"
// reaching the end of the input (0x7FFFFFFF, also after "-").
bool MatchInteger(const char*& input, std::int32_t& value);
// Digits, or the mark (0xFFFFFFFF); a "-" fails at once.
bool MatchUnsigned(const char*& input, std::uint32_t& value);
// Optional "-", digits with an optional "." and fraction, or the mark "#..."
// or "#...#.#...#" reaching the end of the input (1.7976931348623158e303,
// never negated). No exponent.
bool MatchReal(const char*& input, double& value);
// MatchReal, then an optional "e" or "E" and an exponent read as by
// MatchInteger. When the exponent cannot be read, the value before the "e"
// is still stored and the read fails.
bool MatchRealWithExponent(const char*& input, double& value);

// The number of separator-divided fields of text. A field has content when
// it holds a character that is not white space. Without allowEmpty, the
// count stops at the first field without content (not counted); an empty
// text has 0 fields (1 with allowEmpty).
int CountFields(LPCSTR text, char separator, BOOL allowEmpty);
// TRUE when text has at least n fields (n >= 1), counted as CountFields
// does; a text with more is cut at its n-th separator so it keeps
// exactly its first n fields. FALSE leaves the text unchanged.
BOOL CheckFieldCount(int n, CString& text, char separator, BOOL allowEmpty);
