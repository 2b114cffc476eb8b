// The controller's power-up and its command line.
//
// ControllerStartup runs once on the command-line thread the simulator
// starts: it sets the runtime's tables to their power-up state, prints the
// start-up banner on channel 0, runs the memory tests, restores and compiles
// the programs, starts those marked to run at power-up and enters the
// command line, which prompts with ">>", reads a line with a small line
// editor (history of 10 lines) and executes it as process 0.
//
// While the command line waits for a key it also serves the development
// environment's command channel 8: one command per DC4 (or DC2), framed and
// acknowledged in link protocol mode 3.
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

constexpr int kCommandLineMaximum = 78; // characters of a typed line
constexpr int kLineBufferSize = 160;
constexpr int kHistoryEntries = 10;
constexpr int kCommandBufferSize = 100; // channel 8
constexpr int kSlotCount = 4;

// Start-up state.
extern int32_t g_DigitalInputs; // 32 in the simulator
extern int32_t g_AnalogInputs;
extern int32_t g_SlotBoardTypes[kSlotCount]; // 0: no board fitted
extern bool g_StartingUp;                    // from the banner until the command line ends
extern int32_t g_MemoryFault;                // -1 none; 0 program memory, 1 low word, 2 high word

// The build's date ("Mar  3 2008") and time ("14:58:23") in the banner.
const char* BuildDate();
const char* BuildTime();

// Power-up, then the command line until process 0 is asked to stop; returns 0.
int ControllerStartup();
void CommandLineLoop();
// Reads and edits one line on the process's channels into buffer (at most
// maximum characters, zero-terminated; buffer holds kLineBufferSize bytes).
// False when the read ended on a pending error or a stop.
bool ReadCommandLine(int process, char* buffer, int maximum);
// Tokenises, compiles and runs one line as process 0; reports its error.
void ExecuteCommandLine(const char* line);
// Handles at most one byte of command channel 8 (installed as the command
// channel service of the key read).
void ServiceCommandChannel(int process);
// Ends the reply to the command from channel 8 that the process is running
// (the closing line the development environment waits for), at most once;
// nothing when the process runs no such command.
void EndCommandReply(int process);
// The command buffer's state is cleared (power-up).
void ResetCommandChannel();
void ClearHistory();

// label, then the numbers of the axes whose ATYPE is boardType, else of the
// slots holding such a board, else "None"; then CR LF.
void PrintBoardList(int process, const char* label, int32_t boardType);

// The test hook of the memory tests: 0 when the memory is good, else the
// failing address. The simulator's memory is always good.
using MemoryTestHook = uint32_t (*)(uint32_t start, uint32_t length, int widthBits, int bitOffset);
void SetMemoryTestHook(MemoryTestHook hook);

} // namespace qcrt
