// The program and process commands: the directory and listings, creating,
// copying and deleting programs, compiling, running, stopping, stepping and
// pausing them, breakpoints, the fast project load, the flash copy of the
// programs, the flash dump and the hand-over to the system-software loader.
//
// When the caller's output channel is 8 (the development environment's data
// channel) DIR answers in a compact comma-separated form. Program names are
// quoted texts in the code (the lexer quotes the word after RUN, DIR ...),
// upper-cased when read.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qcrt {

// The runtime's mode word (COORDINATOR_DATA(7) reads and sets it whole); its
// bit 1 is set by PROC_MODE with a non-zero argument.
constexpr uint32_t kProcModeBit = 0x2;
extern uint32_t g_RuntimeModeWord;

// Keyword handlers.
void KeywordDir(const uint8_t* text, int& position, int limit, int process);
void KeywordList(const uint8_t* text, int& position, int limit, int process);
void KeywordView(const uint8_t* text, int& position, int limit, int process);
void KeywordNew(const uint8_t* text, int& position, int limit, int process);
void KeywordCopy(const uint8_t* text, int& position, int limit, int process);
void KeywordCompile(const uint8_t* text, int& position, int limit, int process);
void KeywordAppendProgram(const uint8_t* text, int& position, int limit, int process);
void KeywordRun(const uint8_t* text, int& position, int limit, int process);
void KeywordStop(const uint8_t* text, int& position, int limit, int process);
void KeywordStepLine(const uint8_t* text, int& position, int limit, int process);
void KeywordTron(const uint8_t* text, int& position, int limit, int process);
void KeywordTroff(const uint8_t* text, int& position, int limit, int process);
void KeywordProcMode(const uint8_t* text, int& position, int limit, int process);
void KeywordBreakList(const uint8_t* text, int& position, int limit, int process);
void KeywordBreakReset(const uint8_t* text, int& position, int limit, int process);
void KeywordFlashDump(const uint8_t* text, int& position, int limit, int process);
void KeywordEprom(const uint8_t* text, int& position, int limit, int process);
void KeywordLoadProject(const uint8_t* text, int& position, int limit, int process);
void KeywordLoadSystem(const uint8_t* text, int& position, int limit, int process);

// Starts a program on a process with a requested state (run, step, pause):
// compiles it first when it is the selected program and has no code, then
// creates the process's thread. False with the caller's error set: 29
// locked, 36 no code, 30 the process is busy.
bool StartProgramOnProcess(int program, int target, int32_t state, int process);
// The highest free program process from 14 down to 1, or -1.
int HighestFreeProcess();

// Starts every program marked to run at power-up on its process.
void StartPowerUpPrograms(int process);

// The fast project load on the process's channels. mode 0 replaces every
// program (LOAD_PROJECT); 1 and 2 load one program beside the others, 1
// anew and 2 as a further block of the same program.
void LoadProject(int process, int mode);
constexpr uint8_t kSoh = 1;
constexpr uint8_t kEot = 4;
constexpr uint8_t kEnq = 5;
constexpr uint8_t kFs = 28;
constexpr unsigned kLoadByteWaitMs = 5000;
constexpr unsigned kLoadDiscardMs = 500;
constexpr int kLoadLineLength = 160;

// The hand-over to the system-software loader; the host decides what it does.
using SystemLoaderHook = std::function<void()>;
void SetSystemLoaderHook(SystemLoaderHook hook);

// One S-record line of the flash dump (without its line end).
std::string SRecord(const char* type, uint32_t address, const uint8_t* data, int count);

} // namespace qcrt
