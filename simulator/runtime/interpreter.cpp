#include "simulator/runtime/interpreter.h"

#include <atomic>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flow_control.h"
#include "simulator/runtime/gcode.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int kTurnsBetweenSleeps = 100;
constexpr int kStatusChannel = 9;

std::atomic<bool> g_Pacing{true};

// The state a transition leads to, by requested and current state.
constexpr int32_t kNextState[4][4] = {
    {0, 0, 0, 0},
    {1, 1, 1, 1},
    {3, 2, 2, 2},
    {3, 3, 3, 3},
};

struct StatusTexts {
    PoolOffset process = PoolAdd("%[Process ");
    PoolOffset line = PoolAdd(":Line ");
    PoolOffset program = PoolAdd(":Program ");
    PoolOffset commandLine = PoolAdd(",Command line/NTE,0");
    PoolOffset header = PoolAdd("Process Type Status Program          Line\r\n"
                                "------- ---- ------ ---------------- -----\r\n"
                                "      0 Slow Run    Command line/VQE\r\n");
};

const StatusTexts& Texts()
{
    static const StatusTexts texts;
    return texts;
}

int32_t LineNumber(const ProcessRecord& r)
{
    return r.currentLine & ~static_cast<int32_t>(kBreakpointBit);
}

// Prints a status line with the process's output channel set to 9.
template <typename... Args> void PrintStatus(int process, const char* format, const Args&... args)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int32_t channel = r.outputChannel;
    r.outputChannel = kStatusChannel;
    PrintFormatted(process, format, args...);
    r.outputChannel = channel;
}

// Resets what a statement's modifiers chose.
void BeginStatement(ProcessRecord& r)
{
    r.statementAxis = 0;
    r.modifierProcess = r.processNumber;
    r.modifierSlot = 0;
    r.modifierPort = 0;
    r.hashChannel = -1;
}

// Steps over what separates one statement from the next: separators, label
// definitions and line ends, reading the header of each line begun. Error 31
// when the code ends.
void NextStatement(ProcessRecord& r, int process)
{
    const uint8_t* text = r.text;
    int pos = r.position;
    for (;;) {
        if (pos >= r.highBound) {
            SetProcessError(process, kErrProgramStopped);
            break;
        }
        uint8_t t = text[pos];
        if (t == kTokColon || t == kTokLabel) {
            ++pos;
        } else if (t == kTokZero) {
            ++pos;
            if (r.codeProgram >= 0) {
                if (pos + 3 > r.highBound) {
                    SetProcessError(process, kErrProgramStopped);
                    break;
                }
                r.currentLine = static_cast<int32_t>(Get24(text, pos));
            }
        } else {
            break;
        }
    }
    r.position = pos;
}

void ExecuteAssignable(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    uint8_t token = text[position++];
    if (!PushArgumentFrame(process))
        return;
    if (EvaluateCallArguments(token, text, position, limit, process)) {
        if (position >= limit || text[position] != kTokAssign) {
            SetProcessError(process, kErrAssignmentExpected);
        } else {
            ++position;
            float value = EvaluateExpression(text, position, limit, process);
            const ArgumentValue* index = GetArgument(process, 0);
            if (r.errorNumber == 0) {
                if (token == VrKeywordRow() && index)
                    WriteVr(index->integer, value, process);
                else if (token == AoutKeywordRow() && index)
                    WriteAnalogueOutput(index->integer, value, process);
                else
                    SetProcessError(process, kErrCommandNotRecognized);
                r.result = value;
            }
        }
    }
    PopArgumentFrame(process);
}

void ExecuteLocalAssignment(const uint8_t* text, int& position, int limit, int process)
{
    if (position + 4 > limit || text[position + 3] != kTokAssign) {
        SetProcessError(process, kErrAssignmentExpected);
        return;
    }
    int slot = text[position + 1] | (text[position + 2] << 8);
    position += 4;
    float value = EvaluateExpression(text, position, limit, process);
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.errorNumber != 0)
        return;
    if (slot < kLocalVariables && (r.localFlags[slot] & 3u) == 0) {
        // A plain local, the common case, directly.
        r.localValues[slot] = value;
        r.result = value;
        return;
    }
    WriteLocal(slot, value, process);
}

void ExecuteParameterAssignment(const uint8_t* text, int& position, int limit, int process)
{
    if (position + 2 > limit) {
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    int row = text[position + 1];
    position += 2;
    if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
        return;
    if (position >= limit || text[position] != kTokAssign) {
        SetProcessError(process, kErrAssignmentExpected);
        return;
    }
    ++position;
    float value = EvaluateExpression(text, position, limit, process);
    if (GetProcessError(process) == 0)
        WriteParameter(row, value, process);
}

// An error with an armed trap enters it once; without one the error is
// reported and the process asked to stop.
void HandleError(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    r.lastError = r.errorNumber;
    r.lastErrorLine = LineNumber(r);
    if (r.trapTarget != 0) {
        bool entered = true;
        if (r.trapKind == 1) {
            // The trap's GOSUB is bounded like any other; its RETURN goes
            // back to the start of the statement that failed.
            if (r.gosubDepth >= kGosubDepth) {
                r.errorNumber = kErrTooManyGosub;
                r.lastError = kErrTooManyGosub;
                entered = false;
            } else {
                r.gosubReturn[r.gosubDepth] = r.statementStart;
                r.gosubLine[r.gosubDepth] = r.currentLine;
                ++r.gosubDepth;
            }
        }
        int32_t target = r.trapTarget;
        r.trapTarget = 0; // taken once: the program arms it again
        if (entered) {
            r.errorNumber = 0;
            int position = 0;
            JumpToField(process, position, target);
            r.position = position;
            return;
        }
    }
    ReportProcessError(process);
    ResourceClaim claim(process, kResourceProcessControl, process);
    r.requestedState = kStateStopped;
    r.errorNumber = 0;
}

void RunAction(int process, int32_t requested, int32_t current)
{
    switch (requested) {
    case kStateStopped:
        if (current != kStateStopped)
            EndProcess(process);
        else
            RuntimeSleep(1);
        return;
    case kStateRunning:
        if (current == kStateStopped)
            StartProcess(process);
        else if (current == kStateRunning)
            StepProcess(process);
        else if (current == kStatePaused)
            ReportProcessReleased(process);
        else
            RuntimeSleep(1);
        return;
    case kStateStep:
        if (current == kStateStopped)
            StartProcess(process);
        else if (current == kStateRunning || current == kStatePaused)
            StepAndPause(process);
        else
            RuntimeSleep(1);
        return;
    default: // pause
        if (current == kStateStopped)
            StartProcess(process);
        else if (current == kStateRunning || current == kStateStep)
            ReportProcessPaused(process);
        else
            RuntimeSleep(1);
        return;
    }
}

void ApplyTransition(int process, int32_t requested)
{
    ProcessRecord& r = g_ProcessRecords[process];
    ResourceClaim claim(process, kResourceProcessControl, process);
    int32_t now = r.requestedState;
    if (now < kStateStopped || now > kStatePaused)
        now = kStateStopped;
    int32_t next = kNextState[now][r.currentState & 3];
    r.currentState = next;
    if (r.requestedState == requested)
        r.requestedState = next;
}

} // namespace

void SetProcessPacing(bool on)
{
    g_Pacing.store(on);
}

bool ReadJumpField(const uint8_t* text, int& position, int limit, int process, int32_t& field)
{
    if (position < 0 || position + 4 > limit) {
        SetProcessError(process, kErrProgramCorrupt);
        return false;
    }
    field = Get32(text, position);
    return true;
}

void JumpToPosition(int process, int& position, int32_t target)
{
    ProcessRecord& r = g_ProcessRecords[process];
    // A label on the program's last lines, with no statement after it,
    // stands for the first statement of a line that does not exist: the
    // end of the code, where the program stops.
    if (target == r.highBound + 3)
        target = r.highBound;
    position = target;
    if (r.codeProgram < 0)
        return;
    int lineStart = -1;
    uint32_t field = LineFieldAt(r.codeProgram, r.base, r.highBound, target, lineStart);
    if (lineStart < 0)
        return;
    // A jump to a line's first statement enters the line as the step does,
    // breakpoint included; a jump into a line only changes the number.
    if (target != lineStart + 3)
        field &= ~kBreakpointBit;
    r.currentLine = static_cast<int32_t>(field);
}

void JumpToField(int process, int& position, int32_t target)
{
    JumpToPosition(process, position, g_ProcessRecords[process].base + target);
}

namespace {

[[gnu::always_inline]] inline void DispatchStatement(const uint8_t* text, int& position, int limit, int process)
{
    if (position < 0 || position >= limit) {
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    uint8_t token = text[position];
    if (IsKeywordToken(token)) {
        const TokenDescriptor& k = g_Keywords[token];
        if (k.classCode == kClassNext && NextOnPlainLocal(g_ProcessRecords[process], text, position, limit))
            return;
        if (k.classCode == kClassAssignable) {
            ExecuteAssignable(text, position, limit, process);
        } else if (!k.handler) {
            SetProcessError(process, kErrCommandNotRecognized);
        } else if (k.Has(kKwOwnArguments)) {
            k.handler(text, position, limit, process);
        } else {
            ++position;
            CallKeyword(token, text, position, limit, process);
        }
        return;
    }
    switch (token) {
    case kTokLabel: // a label definition, where a jump lands
        ++position;
        return;
    case kTokName:
        ExecuteLocalAssignment(text, position, limit, process);
        return;
    case kTokParameter:
        ExecuteParameterAssignment(text, position, limit, process);
        return;
    default:
        SetProcessError(process, kErrCommandOutOfContext);
        return;
    }
}

// One statement of a running program and the step to the next one.
[[gnu::always_inline]] inline void RunStatement(ProcessRecord& r, int process)
{
    int position = r.position;
    r.statementStart = position;
    BeginStatement(r);
    DispatchStatement(r.text, position, r.highBound, process);
    r.position = position;
    if (r.errorNumber != 0)
        return;
    if (position < r.lowBound || position > r.highBound) {
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    NextStatement(r, process);
}

// True when the process's turn would do nothing but run its next statement:
// it runs a BASIC program as asked, has no error pending, has not ended, and
// its line has no breakpoint.
inline bool PlainRunningTurn(const ProcessRecord& r)
{
    // The process's own thread reads them: no order with other memory needed.
    return r.requestedState.load(std::memory_order_relaxed) == kStateRunning &&
           r.currentState.load(std::memory_order_relaxed) == kStateRunning && r.errorNumber == 0 &&
           r.endFlag == 0 && (r.currentLine & kBreakpointBit) == 0 && r.programKind == 0;
}

} // namespace

void ExecuteStatement(const uint8_t* text, int& position, int limit, int process)
{
    DispatchStatement(text, position, limit, process);
}

void StepProcess(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.programKind == 1)
        GcodeStep(process);
    else
        RunStatement(r, process);
}

bool ProcessTurn(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.endFlag)
        return false;
    // A breakpoint pauses the process before its line runs.
    if (r.errorNumber == 0 && (r.currentLine & kBreakpointBit)) {
        r.currentLine &= ~static_cast<int32_t>(kBreakpointBit);
        r.requestedState = kStatePaused;
    }
    int32_t requested = r.requestedState;
    int32_t current = r.currentState;
    if (requested < kStateStopped || requested > kStatePaused)
        requested = kStateStopped;
    RunAction(process, requested, current);
    if (requested != current)
        ApplyTransition(process, requested);
    if (r.errorNumber != 0)
        HandleError(process);
    return !r.endFlag;
}

void ProcessThreadLoop(int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || process == 0)
        return;
    ProcessRecord& r = *record;
    int turns = 0;
    for (;;) {
        // The common turn, a running program's next statement, without the
        // state machine of ProcessTurn; it does just what ProcessTurn would.
        if (PlainRunningTurn(r)) {
            RunStatement(r, process);
            if (r.errorNumber != 0)
                HandleError(process);
            if (r.endFlag)
                break;
        } else if (!ProcessTurn(process)) {
            break;
        }
        if (++turns >= kTurnsBetweenSleeps) {
            turns = 0;
            // A wind-down ends the thread of a program that would never end
            // by itself: one that loops, waits or is paused.
            if (ProcessStopping(process))
                break;
            if (g_Pacing.load(std::memory_order_relaxed)) {
                RuntimeSleep(1);
                continue;
            }
        }
        StatementSwitchPoint();
    }
}

bool AssignProgramToProcess(int program, int process, int32_t requestedState)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r || process == 0 || !ProgramExists(program) || r->currentState != kStateStopped)
        return false;
    r->programNumber = program;
    r->endFlag = 0;
    r->errorNumber = 0;
    r->requestedState = requestedState;
    return true;
}

void StartProcess(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    const int program = r.programNumber;
    const bool gcode = IsGcodeProgram(program);
    {
        ResourceClaim control(process, kResourceProcessControl, process);
        ResourceClaim store(process, kResourceProgramStore, program);
        if (!gcode && !HasCode(program) && !CompileProgram(program, process))
            return;
        IncrementRunCount(program);
    }

    ResetArguments(process);
    r.inputChannel = 0;
    r.outputChannel = 0;
    r.errorNumber = 0;
    r.lastError = 0;
    r.lastErrorLine = -1;
    r.forDepth = 0;
    r.gosubDepth = 0;
    r.trapTarget = 0;
    r.trapKind = 0;
    r.valueDepth = 0;
    r.programKind = gcode ? 1 : 0;
    for (int axis = 0; axis < kBaseListSize; ++axis)
        r.baseList[axis] = axis;
    r.text = g_MemoryBase;
    r.codeProgram = program;
    r.base = SourceStart(program);
    r.lowBound = gcode ? r.base : CodeStart(program);
    // G code steps through the source lines, the end record included.
    r.highBound = gcode ? SourceEnd(program) - 1 : CodeEnd(program);
    r.position = r.lowBound;
    r.currentLine = 0;
    if (gcode)
        ResetGcodeProcess(process);
    else if (r.position + 3 <= r.highBound) {
        int at = r.position;
        r.currentLine = static_cast<int32_t>(Get24(g_MemoryBase, at));
        r.position = at;
    }
    {
        ResourceClaim binding(process, kResourceCompile, -1);
        ResetLocalVariables(process);
        BindDeclaredNames(process, program);
    }
    ClearLocalVariables(process);

    if (program < kProgramCount)
        ReportProcessRunning(process);
    if (r.requestedState == kStatePaused || r.requestedState == kStateStep)
        ReportProcessPaused(process);
}

void EndProcess(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    ResourceClaim store(process, kResourceProgramStore, r.programNumber);
    DecrementRunCount(r.programNumber);
    g_StartedProcesses &= ~(1u << process);
    r.endFlag = 1;
}

void StepAndPause(int process)
{
    if (g_ProcessRecords[process].programKind == 1) {
        GcodeStepAndPause(process);
        return;
    }
    StepProcess(process);
    ReportProcessPaused(process);
    g_ProcessRecords[process].requestedState = kStatePaused;
}

void ReportProcessError(int process)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    PrintStatus(process, "%r%i%r%i] (%i) - %r%c", Texts().process, process, Texts().line, LineNumber(r) - 1,
                r.errorNumber, ErrorMessage(r.errorNumber), kEndOfLineLf);
}

void ReportProcessPaused(int process)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    int32_t line = LineNumber(r);
    std::string text;
    if (r.codeProgram >= 0 && r.position >= r.lowBound && r.position < r.highBound && line > 0) {
        int at = FindLine(r.codeProgram, line - 1);
        if (at >= 0)
            text = DetokeniseLine(g_MemoryBase, at + kLineHeaderSize, at + g_MemoryBase[at + 1],
                                  LexerModeOf(r.codeProgram));
    }
    PrintStatus(process, "%r%i%r%i] - Paused%c", Texts().process, process, Texts().line, line, kEndOfLineCr);
    PrintStatus(process, "%s%c", text, kEndOfLineLf);
}

void ReportProcessReleased(int process)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    PrintStatus(process, "%r%i%r%z] - Released%c", Texts().process, process, Texts().program,
                ProgramNameInMemory(r.programNumber), kEndOfLineLf);
}

void ReportProcessRunning(int process)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    PrintStatus(process, "%r%i%r%z] - Running%c", Texts().process, process, Texts().program,
                ProgramNameInMemory(r.programNumber), kEndOfLineLf);
}

void ListProcesses(const uint8_t*, int& position, int, int process)
{
    ++position;
    ProcessRecord* caller = GetProcessRecord(process);
    if (!caller)
        return;
    if (caller->outputChannel == 8) {
        PrintFormatted(process, "0,%i%r%c", 1, Texts().commandLine, kEndOfLineCr);
        for (int n = 1; n < kProcessCount; ++n) {
            const ProcessRecord& r = g_ProcessRecords[n];
            if (r.currentState != kStateStopped)
                PrintFormatted(process, "%i,%i,%s,%i%c", n, r.currentState.load(), ProgramName(r.programNumber),
                               LineNumber(r) - 1, kEndOfLineCr);
        }
        return;
    }
    PrintFormatted(process, "%r", Texts().header);
    for (int n = 1; n < kProcessCount; ++n) {
        const ProcessRecord& r = g_ProcessRecords[n];
        if (r.currentState == kStateStopped)
            continue;
        const char* status = r.currentState == kStateRunning || r.currentState == kStateStep ? "Run    "
                             : r.currentState == kStatePaused                                ? "Pause  "
                                                                                             : "Unknown  ";
        PrintFormatted(process, "%7i %s %s%*s %5i%c", n, n < kFirstFastProcess ? "Slow" : "Fast", status, 16,
                       ProgramName(r.programNumber), LineNumber(r) - 1, kEndOfLineCr);
    }
}

void InstallInterpreter()
{
    SetProcessLoop(ProcessThreadLoop);
    InstallParameterAccess();
    InstallMotionGenerator();
    InstallValueFunctions();
    InstallSystemKeywords();
}

} // namespace qcrt
