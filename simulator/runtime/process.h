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

constexpr int kBaseListSize = 24;    // axes a process addresses, in order
constexpr int kArgumentSlots = 100;  // argument values and frame counts
constexpr int kValueStackDepth = 64; // values of one expression evaluation
constexpr int kLocalVariables = 1023;

// A function argument: the float and the same value truncated to an integer,
// so that handlers need no conversion.
struct ArgumentValue {
    float value;
    int32_t integer;
};

constexpr int kForDepth = 8;
constexpr int kGosubDepth = 7; // return entries in use at the most

// A FOR loop: where its body starts (and on which line), its end and step,
// and its variable: a
// named variable (its slot), VR(n) (its index) or a parameter (its row and
// the axis of the FOR statement).
constexpr int32_t kLoopVariableVr = 0;
constexpr int32_t kLoopVariableNamed = 1;
constexpr int32_t kLoopVariableParameter = 2;
struct ForEntry {
    int32_t loopPosition;
    int32_t loopLine; // the line that holds the loop position
    float end;
    float step;
    int32_t kind;
    int32_t number;
    int32_t axis;
};

// The record's shared words are plain loads and stores: the interpreter
// reads the states on every statement and takes no lock for them.
static_assert(std::atomic<int32_t>::is_always_lock_free && sizeof(std::atomic<int32_t>) == sizeof(int32_t));

struct ProcessRecord {
    int32_t errorNumber; // pending error, 0 none (set through SetProcessError)
    int32_t programNumber;
    int32_t inputChannel;
    int32_t outputChannel;
    // The state asked for and the state reached. The process's own thread
    // moves them; the command line asks for a state and the sequencer reads
    // both while the process is parked, but a wind-down reads them from
    // another thread while the process may still run its last slice.
    std::atomic<int32_t> requestedState;
    std::atomic<int32_t> currentState;
    std::atomic<int32_t> tickCounter; // counted down once per servo period
    float result;
    int32_t endFlag;
    int32_t processNumber;
    uint32_t resources[kResourceGroups]; // resource bits this process holds

    // The axes the process addresses (BASE) and what the modifiers of the
    // current statement chose: the position of the AXIS(n) axis in the BASE
    // list (kBaseListSize when it is not in the list), PROC(n), SLOT(n) and
    // PORT(n). A "#" channel given to a keyword is kept beside them.
    int32_t baseList[kBaseListSize];
    int32_t statementAxis;
    int32_t modifierProcess;
    int32_t modifierSlot;
    int32_t modifierPort;
    int32_t hashChannel;

    // Argument stack: one frame per keyword call being evaluated. The
    // current frame's values start at argumentBase and number
    // argumentCounts[argumentDepth].
    int32_t argumentDepth;
    int32_t argumentBase;
    int32_t argumentCounts[kArgumentSlots];
    ArgumentValue argumentValues[kArgumentSlots];

    // The expression evaluator's value stack.
    int32_t valueDepth;
    float valueStack[kValueStackDepth];

    // Local variables: flag bit 0 marks a variable kept over CLEAR and RESET.
    uint32_t localFlags[kLocalVariables];
    float localValues[kLocalVariables];

    // Execution: the code being run (the memory image for a program, the
    // command line's buffer for the command line), the position of the next
    // token, the bounds of the code, the base that jump fields are relative
    // to, and the program whose line table gives line numbers (-1 none).
    const uint8_t* text;
    int32_t position;
    int32_t lowBound;
    int32_t highBound; // the end of the code: nothing at or beyond it is read
    int32_t base;
    int32_t codeProgram;
    int32_t statementStart; // where the statement being run began
    int32_t programKind;    // 0 BASIC, 1 G code

    // The number of the line being run (from 1); bit 23 marks a breakpoint.
    int32_t currentLine;
    int32_t lastError;
    int32_t lastErrorLine;

    // Flow control: the FOR and GOSUB stacks and the error trap (a
    // program-relative target, 0 when none is armed; kind 1 calls it).
    int32_t forDepth;
    ForEntry forStack[kForDepth];
    int32_t gosubDepth;
    int32_t gosubReturn[kGosubDepth + 1];
    int32_t gosubLine[kGosubDepth + 1];
    int32_t trapTarget;
    int32_t trapKind;

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
inline ProcessRecord* GetProcessRecord(int process)
{
    return process >= 0 && process < kProcessCount ? &g_ProcessRecords[process] : nullptr;
}

// Stores an error number (0 to 111) as the process's pending error. A number
// outside that range becomes 1, "Command not recognized": the error fields
// never hold a number the message table cannot print.
void SetProcessError(int process, int32_t number);
inline int32_t GetProcessError(int process)
{
    const ProcessRecord* record = GetProcessRecord(process);
    return record ? record->errorNumber : 0;
}

// True while the process is being stopped: the runtime stops, the sequencer
// winds the process down, or a program process is asked to stop while it
// runs. Waits that would block a stopping process give way.
bool ProcessStopping(int process);

// Clears the records' scheduling and thread fields and the resource bits;
// the process loop's own initialisation sets the rest.
void ResetProcessTable();

// The power-up state of the whole table: ResetProcessTable, then every
// record's BASE list 0 to 23, an empty argument stack and value stack, no
// modifier chosen, and its local variables cleared.
void InitProcessTable();

// Argument frames. PushArgumentFrame opens a frame above the current one's
// values; AddArgument appends to the current frame. Both fail with error 7
// ("Stack overflow") when the stack is full.
bool PushArgumentFrame(int process);
void PopArgumentFrame(int process);
bool AddArgument(int process, float value);
int ArgumentCount(int process);
// Argument n of the current frame, or null when the frame has no such argument.
const ArgumentValue* GetArgument(int process, int n);
void ResetArguments(int process);

// Local variables. ClearLocalVariables sets every value not marked as kept
// to 0 (CLEAR, RESET, power-up); ResetLocalVariables clears values and flags
// (a program start).
void ClearLocalVariables(int process);
void ResetLocalVariables(int process);

} // namespace qcrt
