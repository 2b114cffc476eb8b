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
    kErrErasingFlash = 14,
    kErrParameterOutOfRange = 19,
    kErrProgramStopped = 31,
    kErrCommandOutOfContext = 37,
    kErrStructureNesting = 39,
    kErrValueIncorrect = 70,
    kErrValueCannotBeSet = 72,
    kErrDirectoryStructureInvalid = 80,
    kErrDirectoryLocked = 81,
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
