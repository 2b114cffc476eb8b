// The keywords that act on the whole runtime: the named globals and
// constants (GLOBAL, CONSTANT, LIST_GLOBAL), AUTORUN, HALT, EXECUTE and FREE.
//
// A GLOBAL name stands for a VR variable and a CONSTANT name for a value in
// every program: when a program starts, and whenever a definition changes
// while programs run, each of the program's variables of that name is bound
// to the definition (a local marked as VR(n), or as read-only holding the
// value). The two tables hold 127 names each; a name is lower-cased and at
// most 16 characters long.
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

constexpr int kDeclaredNames = 127;
constexpr int kDeclaredNameLength = 16;

// Power-up state: both tables empty.
void ResetDeclaredNames();

// Binds every declared name that the variable table of a text (a program, or
// kCommandLineText) uses into the process's locals.
void BindDeclaredNames(int process, int text);

// The definition of a name: true with the VR number (GLOBAL) or the value
// (CONSTANT).
bool FindGlobal(const std::string& name, int32_t& vr);
bool FindConstant(const std::string& name, float& value);

// How AUTORUN starts the thread of a process it has prepared (by default a
// new process thread, which runs once the sequencer schedules it).
using ProcessStarter = bool (*)(int process);
void SetProcessStarter(ProcessStarter starter);

// Installs the declaration look-up of the compiler's name scan.
void InstallSystemKeywords();

// Keyword handlers.
void KeywordGlobal(const uint8_t* text, int& position, int limit, int process);
void KeywordConstant(const uint8_t* text, int& position, int limit, int process);
void KeywordListGlobal(const uint8_t* text, int& position, int limit, int process);
void KeywordAutorun(const uint8_t* text, int& position, int limit, int process);
void KeywordHalt(const uint8_t* text, int& position, int limit, int process);
void KeywordExecute(const uint8_t* text, int& position, int limit, int process);
// INCLUDE "name": the compiler has put the included program's code in place
// behind the statement, so the statement itself only steps over its field,
// the name and the first included line's number.
void KeywordInclude(const uint8_t* text, int& position, int limit, int process);
void KeywordFree(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
