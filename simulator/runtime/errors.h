// Error numbers, their messages and the common shape of the error reports.
//
// A handler reports a failure by storing an error number in its process's
// pending-error field (SetProcessError); the command line, the compiler or
// the process loop later prints the report. Every report begins with "%[" so
// that the development environment can pick it out of the output, and ends
// with the end-of-line code 28.
#pragma once

#include <cstdint>

#include "simulator/runtime/message_pool.h"

namespace qcrt {

constexpr int32_t kErrorCount = 112; // numbers 0 to 111

// The numbers the runtime raises by name.
enum : int32_t {
    kErrNone = 0,
    kErrCommandNotRecognized = 1,
    kErrProgrammingFlash = 3,
    kErrOperandExpected = 4,
    kErrAssignmentExpected = 5,
    kErrQuotesExpected = 6,
    kErrStackOverflow = 7,
    kErrTooManyVariables = 8,
    kErrDivideByZero = 9,
    kErrExtraCharacters = 10,
    kErrSquareBracketExpected = 11,
    kErrSpecialProgram = 12,
    kErrThenExpected = 13,
    kErrErasingFlash = 14,
    kErrStartOfExpression = 15,
    kErrCloseBracketExpected = 16,
    kErrCommaExpected = 17,
    kErrParameterOutOfRange = 19,
    kErrReadOnly = 21,
    kErrModifierNotAllowed = 22,
    kErrRemoteAxisInUse = 23,
    kErrCommandLineOnly = 24,
    kErrRuntimeOnly = 25,
    kErrLabelExpected = 26,
    kErrProgramNotFound = 27,
    kErrDuplicateIdentifier = 28,
    kErrProgramLocked = 29,
    kErrProgramsRunning = 30,
    kErrProgramStopped = 31,
    kErrNoProgramSelected = 33,
    kErrNoMorePrograms = 34,
    kErrOutOfMemory = 35,
    kErrNoCode = 36,
    kErrCommandOutOfContext = 37,
    kErrTooManyStructures = 38,
    kErrStructureNesting = 39,
    kErrElseWithoutIf = 40,
    kErrWendWithoutWhile = 41,
    kErrUntilWithoutRepeat = 42,
    kErrIdentifierExpected = 43,
    kErrToExpected = 44,
    kErrTooManyFor = 45,
    kErrNextWithoutFor = 46,
    kErrWaitForm = 47,
    kErrGotoGosubExpected = 48,
    kErrTooManyGosub = 49,
    kErrReturnWithoutGosub = 50,
    kErrLabelNotAtStart = 51,
    kErrNestedOneLineIf = 52,
    kErrLabelNotFound = 53,
    kErrLineNumberPoint = 54,
    kErrInvalidDollar = 56,
    kErrVrExpected = 57,
    kErrProgramExists = 58,
    kErrProcessSelected = 59,
    kErrEvaluation = 62,
    kErrReservedKeyword = 63,
    kErrTableIndex = 65,
    kErrInvalidLineNumber = 67,
    kErrStringTooLong = 68,
    kErrValueIncorrect = 70,
    kErrValueCannotBeSet = 72,
    kErrDirectoryStructureInvalid = 80,
    kErrDirectoryLocked = 81,
    kErrTooManyOperands = 83,
    kErrSlave = 87,
    kErrMaster = 88,
    kErrNetworkTimeout = 89,
    kErrNetworkProtocol = 90,
    kErrInvalidProgramName = 92,
    kErrProgramCorrupt = 93,
    kErrTokenDefinition = 96,
    kErrOutsideInclude = 103,
    kErrInvalidProgramType = 104,
};

// The pool offset of the message of an error number, for %r. Numbers outside
// 0 to 111 give the message of 0.
PoolOffset ErrorMessage(int32_t number);

// Report lines, printed on the output channel of the process:
//   "%[COMMAND n] message"                  a command line
//   "%[Autorun failed (n)] - message"       a failed auto-run at power-up
//   "%[Error n] - message"                  a power-up error
//   "%[COMPILE Line l Program name] (n) - message"
//   "%[LINK Line l] (n) - message"
// programName is a zero-terminated text in the controller memory.
void ReportCommandLineError(int process, int32_t number);
void ReportAutorunError(int process, int32_t number);
void ReportPowerUpError(int process, int32_t number);
void ReportCompileError(int process, int32_t line, const uint8_t* programName, int32_t number);
void ReportLinkError(int process, int32_t line, int32_t number);

} // namespace qcrt
