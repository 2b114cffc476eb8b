// The compiler: token lines to the executable code the process loop walks.
//
// A stored program is compiled as a whole into the memory behind its source
// (from its source end up to its code end), in a compile pass and a link
// pass; the command line compiles its one line into a buffer of its own.
//
// Code format:
//   line        the line number in 24 bits (bit 23: breakpoint), the line's
//               statements, then kTokZero, which thus stands between one
//               line and the next. The command line's code has no line
//               number. A line that holds no statement (only labels, blanks
//               or a comment) leaves no code.
//   statements  separated by kTokColon; a PRINT statement ends with its own
//               kTokColon, which then also separates it from the next one.
//   expression  operands and operators in postfix order, ended by kTokEox;
//               numbers and constants are kTokNumber or kTokConstant and a
//               32-bit float; a variable is kTokName and its 16-bit slot; a
//               function is its keyword token followed by its arguments in
//               brackets, each argument an expression of its own.
//   jump field  4 bytes, least significant first: a code position less the
//               program's source start (for the command line, less the start
//               of its buffer).
//   label       a label definition is kTokLabel alone at the start of its
//               line; a label reference (GOTO, GOSUB, ON) is kTokLabel and a
//               jump field, filled by the link pass with the position of the
//               definition (for a line that holds only labels, the position
//               of the next line's first statement).
//   blocks      IF field cond, ELSE field, [ELSE field] ELSEIF field cond,
//               ENDIF, WHILE field cond, WEND field, UNTIL field cond (REPEAT
//               leaves no code), ON field ..., INCLUDE field "name" followed
//               by the included program's lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qcrt {

constexpr int kOperatorStackDepth = 20;
constexpr int kOperandNesting = 20;
constexpr int kStructureDepth = 1023;
constexpr int kVariableSlotCount = 1023;
constexpr int kNameLength = 15; // characters of a variable or label name that count
constexpr uint32_t kBreakpointBit = 0x800000;
constexpr int kCodeHeadroom = 160; // compiled code stays this far from the end of memory

// The variable table of the command line (programs have one each).
constexpr int kCommandLineText = -1;

// A decimal number text to a 32-bit float: sign, digits, "." and digits,
// "E" and a signed exponent.
float ParseNumber(std::string_view text);

// The precedence of a binary operator token: power 0, multiply and divide 1,
// MOD 2, minus and plus 3, the comparisons 4, AND, OR and XOR 5 (the lower
// binds tighter).
int32_t OperatorPrecedence(uint8_t op);

// Compiles the command line's token line into code (capacity bytes), clearing
// the process's error and the structure stack first; a structure left open is
// error 39. Returns false with the process's error set.
bool CompileCommandLine(const uint8_t* tokens, int tokenLength, uint8_t* code, int capacity, int& codeLength,
                        int process);

// Compiles a stored program: it is moved to the top of the program area if
// need be and its old code dropped; the compile pass writes behind its
// source, the link pass resolves its labels. Prints "Compiling", "Linking"
// and "Pass=" (not on channel 8) and the COMPILE or LINK report of an error,
// which stays pending on the process. On success the code end is stored.
bool CompileProgram(int program, int process);

// The power-up compile: every BASIC program is selected and compiled; true
// when none failed (each error is cleared after it is noted).
bool CompileAllPrograms(int process);

// The code position (an image offset) of the first compiled line whose
// number is not below lineNumber, and that line's number; -1 and error 36
// for a program without code, -1 alone when no line follows.
int FindCodeLine(int process, int program, int lineNumber, int& foundLine);

// The line field (line number, breakpoint bit) of the compiled line that
// holds a code position (an image offset), from the program's line table, and
// the position of that field; 0 and -1 when no line holds the position.
uint32_t LineFieldAt(int program, int position, int& lineStart);
// The same for a caller that knows the program's base (its source start) and
// code end.
uint32_t LineFieldAt(int program, int base, int codeEnd, int position, int& lineStart);

// From position (an image offset; 0 for the start of the code) to the next
// line whose line field carries the breakpoint bit: returns that field and
// leaves position at the line (passIt false) or behind its field (true).
// Returns 0 when no such line follows.
uint32_t NextBreakpointLine(int process, int program, int& position, bool passIt);

// The slot of a variable in the table of a program (or kCommandLineText), or
// -1; used by the variable binding at program start.
int FindVariableSlot(int text, std::string_view name);
void ClearCommandLineVariables();

// Called by the program store when a program's code goes or is copied.
void ForgetCompiledProgram(int program);
void CopyCompiledProgram(int from, int to);

// The declaration scan of GLOBAL and CONSTANT: every variable of the program
// with the line it first appears on, and the table that holds its name.
// The lookup answers "GLOBAL", "CONSTANT" or null for a name.
using DeclarationLookup = const char* (*)(const char* name);
void SetDeclarationLookup(DeclarationLookup lookup);
void ScanProgramNames(int process, int program);

} // namespace qcrt
