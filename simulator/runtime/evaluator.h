// Expression evaluation: the postfix expressions of compiled code to 32-bit
// floats.
//
// Every value is a 32-bit float. A comparison gives -1 for true and 0 for
// false, within a tolerance of 1.1920929e-6; a NaN is unequal to every
// value, itself included ("<>" true, "=", "<", ">", "<=", ">=" false); AND, OR, XOR, NOT and MOD work on
// the values truncated toward zero to 32-bit integers.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr float kComparisonTolerance = 1.1920929e-6f;

// Evaluates the expression at code[position] (reading no byte at or beyond
// limit), advances position past its end token and returns the value. An
// error is left on the process and 0 returned.
float EvaluateExpression(const uint8_t* code, int& position, int limit, int process);

// A bracketed argument list behind a keyword token into the current argument
// frame of the process: each argument an expression, "," between them and
// ")" at the end. No list leaves the count 0.
bool EvaluateCallArguments(uint8_t token, const uint8_t* code, int& position, int limit, int process);
// The list alone, for handlers that read their own arguments (TABLE takes
// more than the 24 a keyword's list may otherwise hold).
bool EvaluateArgumentList(const uint8_t* code, int& position, int limit, int process);

// A keyword with its argument frame around it (in an expression or as a
// statement; position is past the token): its "#" channel, quoted names,
// arguments and modifier, then its handler; returns the process's result.
float CallKeyword(uint8_t token, const uint8_t* code, int& position, int limit, int process);

// A modifier at code[position] (kTokModifier, its row, and its argument in
// brackets): AXIS(n) n 0 to 23, PROC(n) 0 to 14, SLOT(n) 0 to 3, PORT(n) 0.
// The choice stays in the process record for the rest of the statement.
// Errors: 19 for a value out of range, 16 for a missing ")".
bool EvaluateModifier(const uint8_t* code, int& position, int limit, int process);

// The operators, also used by the direct evaluator of G code lines.
float ApplyUnaryOperator(uint8_t op, float b, int process);
float ApplyBinaryOperator(uint8_t op, float a, float b, int process);

// Functions of one value (SIN, SQR, VR ...) that an expression calls
// without an argument frame: the function module installs one per keyword
// row, and the evaluator calls it for "KEYWORD(expression)". Rows that take
// a modifier or a "#" channel keep their handler; so does every other caller.
using ValueFunction = float (*)(float value, int process);
void SetValueFunction(int row, ValueFunction function);

// Reading a parameter (its row, for the process's current statement axis)
// belongs to the parameter module, which installs itself here; without a
// reader a parameter in an expression is error 62 ("Evaluation error").
using ParameterReader = float (*)(int row, int process);
void SetParameterReader(ParameterReader reader);

} // namespace qcrt
