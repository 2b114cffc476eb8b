// Number text: tolerance comparison of doubles, rounding and truncation to
// decimals, and the tidying of printed doubles (trailing zeros and the
// rounding noise of the last printed digits) used by the edits and the
// number viewers. Plain C++ over text.
#pragma once

#include "framework/cstring.h"

// r is the one of a and b with the larger magnitude; t is tolerance when
// absolute is set, else tolerance * r. True when a and b both lie within
// r - t .. r + t.
bool AreNearlyEqual(double a, double b, double tolerance, bool absolute);
// The same with t the larger of factor * r and floor.
bool AreNearlyEqualBounded(double a, double b, double factor, double floor);
double RoundToDecimals(double x, int decimals);
double TruncateToDecimals(double x, int decimals);
// x = mantissa * 10^exponent with 1 <= |mantissa| < 10; 0 gives 0 and 0.
// A value that is not finite comes back as the mantissa with exponent 0.
void SplitDecimalExponent(double x, double& mantissa, int& exponent);

// Both act only on texts with a decimal point and without an exponent;
// they return whether they acted. TidyFractionDigits drops a last digit 1
// to 4 that follows at least four zeros (in texts of 8 or more characters),
// then trailing zeros, keeping one digit after the point. TidyTrailingNines
// carries a trailing run of nines (after dropping a noisy "998" or "997"
// end of a long text) into the digit before it.
int TidyFractionDigits(CString& text);
int TidyTrailingNines(CString& text);
// The same on the part before an "e" or "E"; the exponent part is kept.
CString TidyNumberText(const CString& text);
CString TidyNumberTextNines(const CString& text);

// x in fixed notation with at most maxDecimals decimals and no more than a
// double's 15 significant digits (at least one decimal).
CString FormatSignificant(double x, int maxDecimals);

// x in fixed notation as FormatSignificant prints it, tidied of trailing
// zeros and noise; a trailing run of nines is carried only in a text that
// holds a double's full precision (1.9 stays "1.9").
CString FormatTidied(double x, int maxDecimals);

// The shorter of the tidied fixed and exponent forms of x: the fixed form
// when it has at most maxChars characters or is not longer than the other.
CString FormatFitted(double x, int maxChars);
// x in exactly width characters (padded on the left): fixed with width - 2
// decimals and cut to width, or "%.Ne" when the point lies too far in. A
// negative width counts as 10, a width from 0 to 5 as 6.
CString FormatDoubleText(double x, int width);
// x in at most width characters for the number viewers: the tidied fixed
// form with fixedDecimals, cut to width while its integer digits fit;
// otherwise (with exponentAllowed) the mantissa with exponentDecimals and
// "e%d", the mantissa cut and marked with "#" when the whole does not fit;
// otherwise "#" marks. A width below 3, a magnitude of 1.7976913371691808e303
// or more (the viewers' marker value) or a value that is not a number gives
// width "#" characters.
CString FormatNumberText(double x, int width, bool exponentAllowed, int fixedDecimals, int exponentDecimals);
