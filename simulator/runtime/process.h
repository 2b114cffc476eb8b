// The process table: process 0 is the command line, 1 to 12 the "Slow" and
// 13 and 14 the "Fast" program processes. One further process (index -1)
// stands outside the table for the runtime's polling loop.
//
// This header holds the fields that the channels, the output, the resource
// lock and the scheduler use; the process loop adds its own.
#pragma once

#include <atomic>
#include <cstdint>

namespace qcrt {

constexpr int kProcessCount = 15;
constexpr int kFirstFastProcess = 13;
constexpr int kResourceGroups = 10;

// Process states (requested and current).
constexpr int32_t kStateStopped = 0;
constexpr int32_t kStateRunning = 1;
constexpr int32_t kStateStep = 2;
constexpr int32_t kStatePaused = 3;

// The state word value the sequencer writes when it winds a process down.
constexpr int32_t kStateWindingDown = 31;

struct ProcessRecord {
    int32_t errorNumber; // pending error, 0 none (set through SetProcessError)
    int32_t programNumber;
    int32_t inputChannel;
    int32_t outputChannel;
    int32_t requestedState;
    int32_t currentState;
    std::atomic<int32_t> tickCounter; // counted down once per servo period
    float result;
    int32_t endFlag;
    int32_t processNumber;
    uint32_t resources[kResourceGroups]; // resource bits this process holds

    // Shared with the sequencer.
    std::atomic<int32_t> stateWord;
    std::atomic<int32_t> stopRequest;
    std::atomic<int32_t> runningCount; // non-zero while its thread runs
};

// The process outside the table (index -1).
struct OuterProcessRecord {
    std::atomic<int32_t> stopRequest;
    std::atomic<int32_t> runningCount;
};

extern ProcessRecord g_ProcessRecords[kProcessCount];
extern OuterProcessRecord g_OuterProcess;

// The record of process n, or null outside 0 to 14.
ProcessRecord* GetProcessRecord(int process);

// Stores an error number (0 to 111) as the process's pending error. A number
// outside that range becomes 1, "Command not recognized": the error fields
// never hold a number the message table cannot print.
void SetProcessError(int process, int32_t number);
int32_t GetProcessError(int process);

// True while the process is being stopped: the runtime stops, the sequencer
// winds the process down, or a program process is asked to stop while it
// runs. Waits that would block a stopping process give way.
bool ProcessStopping(int process);

// Clears the records' scheduling and thread fields and the resource bits;
// the process loop's own initialisation sets the rest.
void ResetProcessTable();

} // namespace qcrt
