// Number and text helpers: number formatting and number-text checks, text
// clean-up, bounded copies, sort callbacks and line wrapping. They work on
// bytes and text only and include no Win32 header.
#pragma once

#include <functional>

#include "framework/collections.h"
#include "framework/cstring.h"

// The text printf makes of format and the arguments.
CString FormatString(const char* format, ...);

// Measures the width of a text (pixels, characters, ...) for the wrapping
// and path-shortening helpers.
using TextMeasure = std::function<int(const CString& text)>;

// A number as the program shows it. 0 gives "0.0". Without exponents, or
// for magnitudes from 0.0001 to 10000000000, fixed notation with the fewest
// decimals from minDecimals up to 8 that reads back within 0.000001, less
// trailing zeros (one decimal is kept). Otherwise "%16.8e" with trailing
// mantissa zeros and leading exponent zeros removed ("1.23456789e+10").
CString FormatNumber(double value, BOOL allowExponent, int minDecimals);

// After trimming: an optional sign and decimal digits only. With normalise
// the text is replaced by its trimmed form.
BOOL IsIntegerText(CString& text, BOOL normalise = FALSE);
BOOL IsIntegerText(LPCSTR text);
// After trimming: hexadecimal digits only.
BOOL IsHexText(CString& text, BOOL normalise = FALSE);
BOOL IsHexText(LPCSTR text);
// After trimming: an optional sign, digits and at most one "."; a second
// "." makes it false. Other characters are left out of the normalised form
// (they do not make the text false). At least one digit is needed.
BOOL IsRealText(CString& text, BOOL normalise = FALSE);
BOOL IsRealText(LPCSTR text);

// The value of a hexadecimal text of at most two characters (a character
// that is not a hex digit counts as 0); -1 for a longer text.
int HexByteToValue(LPCSTR text);
// Decimal text to "%x" text and "0x"-optional hex text to "%d" text.
// White space may come before the first digit only; any other character
// gives "0". Values wrap at 32 bits.
CString DecimalTextToHexText(LPCSTR text);
CString HexTextToDecimalText(LPCSTR text);

// The C library's conversions (strtod; strtoul with base 10).
double ParseDouble(LPCSTR text);
float ParseFloat(LPCSTR text);
DWORD ParseUnsigned(LPCSTR text);

// Copies at most count characters of source (fewer when it ends sooner)
// into destination, whose capacity counts the terminating NUL, and
// terminates the copy. FALSE when it had to cut; FALSE without copying for
// a null pointer or a capacity or count below 1.
BOOL CopyTextBounded(char* destination, int capacity, LPCSTR source, int count);

BOOL IsDigitOrSign(char ch);
// Case-sensitive inequality; a null text counts as empty.
BOOL StringsDiffer(LPCSTR a, LPCSTR b);
// Puts a CR before every LF; returns the new length.
int InsertCarriageReturns(CString& text);
// TAB, LF and CR become spaces, then trailing white space goes.
CString& ControlCharsToSpaces(CString& text);

// "a.b.c.d" with each part (leading spaces allowed) an integer from 0 to
// 255, rewritten without leading zeros; "0.0.0.0" for anything else (a
// part with a minus sign too, "-0" included).
CString NormaliseIPv4Text(LPCSTR text);

// Sort callback: empty texts first, then texts that do not begin with a
// letter, then those that do; two texts that both begin with a digit or a
// sign compare by their integer values, others without regard to case.
// Both texts are trimmed first. Returns -1/1 (empty against non-empty),
// 2/-2 (letter against non-letter), else a value below, at or above 0.
int CompareNatural(LPCSTR a, LPCSTR b);
// Sort callback for CTList<int>::Sort giving ascending order: above 0 when
// b > a, 0 when equal, below 0 when b < a.
int CompareIntsAscending(int a, int b);

// Splits text into lines narrower than width (as measured), breaking after
// the last space, TAB or CR that fits (trailing spaces and TABs may hang
// over the edge); a line with no such character is cut where it stops
// fitting. An LF always ends a line. CR and LF are not part of the lines.
// A width of 0 or less wraps only at LF. Appends the lines and returns how
// many it appended.
int WrapText(LPCSTR text, int width, const TextMeasure& measure, CStringArray& lines);

// Shortens a path of three or more backslash-separated parts by putting
// ".." in place of its first level middle folders ("C:\..\c\file.txt");
// level 0 or less leaves it alone, a level beyond the middle folders
// replaces them all. A UNC path keeps its head, \\server\share.
CString CompactPath(LPCSTR path, int level);
// CompactPath with rising levels until the measured width is not above
// width (or no folder is left to drop).
CString CompactPathToWidth(LPCSTR path, int width, const TextMeasure& measure);
