#include "simulator/runtime/flow_control.h"

#include "simulator/runtime/axis.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

int32_t ClassAt(const uint8_t* text, int position, int limit)
{
    return position < limit && IsKeywordToken(text[position]) ? g_Keywords[text[position]].classCode : -1;
}

bool Failed(int process)
{
    return g_ProcessRecords[process].errorNumber != 0;
}

// Steps over the token and reads the jump field behind it.
bool TokenAndField(const uint8_t* text, int& position, int limit, int process, int32_t& field)
{
    ++position;
    return ReadJumpField(text, position, limit, process, field);
}

bool PushGosub(int process, int32_t returnPosition)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.gosubDepth >= kGosubDepth) {
        SetProcessError(process, kErrTooManyGosub);
        return false;
    }
    r.gosubReturn[r.gosubDepth] = returnPosition;
    r.gosubLine[r.gosubDepth] = r.currentLine;
    ++r.gosubDepth;
    return true;
}

} // namespace

bool ReadLoopVariable(const uint8_t* text, int& position, int limit, int process, int32_t error, LoopVariable& v)
{
    if (position >= limit) {
        SetProcessError(process, error);
        return false;
    }
    const uint8_t token = text[position];
    if (token == kTokName && position + 3 <= limit) {
        v.kind = kLoopVariableNamed;
        v.number = text[position + 1] | (text[position + 2] << 8);
        position += 3;
        return true;
    }
    if (token == kTokParameter && position + 2 <= limit) {
        v.kind = kLoopVariableParameter;
        v.number = text[position + 1];
        position += 2;
        if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
            return false;
        v.axis = g_ProcessRecords[process].statementAxis;
        return true;
    }
    if (IsKeywordToken(token) && token == VrKeywordRow()) {
        ++position;
        if (position >= limit || text[position] != kTokOpenBracket) {
            SetProcessError(process, kErrVrExpected);
            return false;
        }
        ++position;
        float index = EvaluateExpression(text, position, limit, process);
        if (Failed(process))
            return false;
        if (position >= limit || text[position] != kTokCloseBracket) {
            SetProcessError(process, kErrCloseBracketExpected);
            return false;
        }
        ++position;
        v.kind = kLoopVariableVr;
        v.number = TruncateToInt32(index);
        return true;
    }
    SetProcessError(process, error);
    return false;
}

float LoopValue(const LoopVariable& v, int process)
{
    switch (v.kind) {
    case kLoopVariableNamed:
        return ReadLocal(v.number, process);
    case kLoopVariableVr:
        return ReadVr(v.number, process);
    default:
        g_ProcessRecords[process].statementAxis = v.axis;
        return ReadParameter(v.number, process);
    }
}

void SetLoopValue(const LoopVariable& v, float value, int process)
{
    switch (v.kind) {
    case kLoopVariableNamed:
        WriteLocal(v.number, value, process);
        return;
    case kLoopVariableVr:
        WriteVr(v.number, value, process);
        return;
    default:
        g_ProcessRecords[process].statementAxis = v.axis;
        WriteParameter(v.number, value, process);
        return;
    }
}

void KeywordIf(const uint8_t* text, int& position, int limit, int process)
{
    int32_t field;
    if (!TokenAndField(text, position, limit, process, field))
        return;
    float condition = EvaluateExpression(text, position, limit, process);
    if (!Failed(process) && condition == 0.0f)
        JumpToField(process, position, field);
}

void KeywordElse(const uint8_t* text, int& position, int limit, int process)
{
    int32_t field;
    if (TokenAndField(text, position, limit, process, field))
        JumpToField(process, position, field);
}

void KeywordEndIf(const uint8_t*, int& position, int, int)
{
    ++position;
}

void KeywordWhile(const uint8_t* text, int& position, int limit, int process)
{
    KeywordIf(text, position, limit, process); // a false condition jumps past WEND
}

void KeywordWend(const uint8_t* text, int& position, int limit, int process)
{
    KeywordElse(text, position, limit, process); // back to the WHILE
}

void KeywordUntil(const uint8_t* text, int& position, int limit, int process)
{
    int32_t field;
    if (!TokenAndField(text, position, limit, process, field))
        return;
    float condition = EvaluateExpression(text, position, limit, process);
    if (Failed(process) || condition != 0.0f)
        return;
    JumpToField(process, position, field);
    // A loop that waits for something gives the others their turn.
    YieldSlice();
}

void KeywordGoto(const uint8_t* text, int& position, int limit, int process)
{
    int32_t field;
    ++position; // the label marker follows the token
    if (TokenAndField(text, position, limit, process, field))
        JumpToField(process, position, field);
}

void KeywordGosub(const uint8_t* text, int& position, int limit, int process)
{
    int32_t field;
    ++position;
    if (TokenAndField(text, position, limit, process, field) && PushGosub(process, position))
        JumpToField(process, position, field);
}

void KeywordReturn(const uint8_t*, int& position, int, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.gosubDepth <= 0) {
        SetProcessError(process, kErrReturnWithoutGosub);
        return;
    }
    --r.gosubDepth;
    position = r.gosubReturn[r.gosubDepth];
    r.currentLine = r.gosubLine[r.gosubDepth];
}

void KeywordOn(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int32_t continueField;
    if (!TokenAndField(text, position, limit, process, continueField))
        return;
    const int32_t continuePosition = r.base + continueField;

    if (ClassAt(text, position, limit) == kClassBasicError) {
        ++position;
        int32_t kind = ClassAt(text, position, limit) == kClassGosub ? 1 : 0;
        int32_t target;
        position += 2; // GOTO or GOSUB, the label marker
        if (!ReadJumpField(text, position, limit, process, target))
            return;
        r.trapKind = kind;
        r.trapTarget = target;
        return;
    }

    float selector = EvaluateExpression(text, position, limit, process);
    if (Failed(process))
        return;
    const bool gosub = ClassAt(text, position, limit) == kClassGosub;
    ++position;
    if (gosub && !PushGosub(process, continuePosition))
        return;
    const int32_t n = TruncateToInt32(selector);
    // Each entry is the label marker and a jump field.
    int32_t passed = 0;
    while (passed < n - 1 && position + 5 <= limit && text[position] == kTokLabel) {
        position += 5;
        ++passed;
    }
    int32_t target;
    if (n >= 1 && passed == n - 1 && position + 5 <= limit && text[position] == kTokLabel) {
        ++position;
        if (ReadJumpField(text, position, limit, process, target))
            JumpToField(process, position, target);
        return;
    }
    // No entry for this selector: on behind the statement, no return left.
    if (gosub)
        --r.gosubDepth;
    position = continuePosition;
}

void KeywordFor(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (r.forDepth >= kForDepth) {
        SetProcessError(process, kErrTooManyFor);
        return;
    }
    ++position;
    LoopVariable v;
    if (!ReadLoopVariable(text, position, limit, process, kErrIdentifierExpected, v))
        return;
    if (position >= limit || text[position] != kTokAssign) {
        SetProcessError(process, kErrAssignmentExpected);
        return;
    }
    ++position;
    float start = EvaluateExpression(text, position, limit, process);
    if (Failed(process))
        return;
    SetLoopValue(v, start, process);
    if (Failed(process))
        return;
    if (ClassAt(text, position, limit) != kClassTo) {
        SetProcessError(process, kErrToExpected);
        return;
    }
    ++position;
    float end = EvaluateExpression(text, position, limit, process);
    float step = 1.0f;
    if (!Failed(process) && ClassAt(text, position, limit) == kClassStep) {
        ++position;
        step = EvaluateExpression(text, position, limit, process);
    }
    if (Failed(process))
        return;
    ForEntry& entry = r.forStack[r.forDepth++];
    entry.loopPosition = position;
    entry.loopLine = r.currentLine & ~static_cast<int32_t>(kBreakpointBit);
    entry.end = end;
    entry.step = step;
    entry.kind = v.kind;
    entry.number = v.number;
    entry.axis = v.axis;
}

void KeywordNext(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    if (NextOnPlainLocal(r, text, position, limit))
        return;
    if (r.forDepth <= 0) {
        SetProcessError(process, kErrNextWithoutFor);
        return;
    }
    ++position;
    LoopVariable v;
    if (!ReadLoopVariable(text, position, limit, process, kErrNextWithoutFor, v))
        return;
    ForEntry& entry = r.forStack[r.forDepth - 1];
    if (v.kind != entry.kind || v.number != entry.number) {
        SetProcessError(process, kErrNextWithoutFor);
        return;
    }
    v.axis = entry.axis;
    const float value = LoopValue(v, process) + entry.step;
    SetLoopValue(v, value, process);
    if (Failed(process))
        return;
    const bool over = entry.step >= 0.0f ? entry.end < value : entry.end > value;
    if (over) {
        --r.forDepth;
        return;
    }
    // Back to the loop's start, which lies on the FOR's own line.
    position = entry.loopPosition;
    r.currentLine = entry.loopLine;
}

void KeywordWait(const uint8_t* text, int& position, int limit, int process)
{
    const int wait = position;
    ++position;
    switch (ClassAt(text, position, limit)) {
    case kClassUntil:
        return; // the UNTIL behind WAIT waits on its own
    case kClassIdle:
    case kClassLoaded: {
        // WAIT IDLE and WAIT LOADED [AXIS(n)]: taken again on every turn until
        // the axis has no move (or no next move) left.
        const bool loaded = ClassAt(text, position, limit) == kClassLoaded;
        ++position;
        if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
            return;
        if (AxisIdle(process, loaded))
            return;
        position = wait;
        YieldSlice();
        return;
    }
    default:
        SetProcessError(process, kErrCommandNotRecognized);
        return;
    }
}

void KeywordWa(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    const int32_t tick = r.tickCounter.load();
    ++position;
    if (!PushArgumentFrame(process))
        return;
    float time = 0.0f;
    bool ok = EvaluateArgumentList(text, position, limit, process) && GetArgument(process, 0);
    if (ok)
        time = GetArgument(process, 0)->value;
    PopArgumentFrame(process);
    if (!ok) {
        if (!Failed(process))
            SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (time < 0.0f) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    const int32_t milliseconds = TruncateToInt32(time + 0.5f);
    if (milliseconds == 0)
        return;
    // A millisecond at a time: STOP sets error 31 on the process, which ends
    // the wait at once. The step count bounds it on a clock that stands still.
    const uint64_t end = GetTimeNow() + static_cast<uint64_t>(milliseconds) * kTicksPerMillisecond;
    for (int32_t step = 0; step < milliseconds && GetTimeNow() < end; ++step) {
        if (Failed(process) || ProcessStopping(process))
            return;
        RuntimeSleep(1);
    }
    if (Failed(process))
        return;
    // Then as many servo periods as the time holds, counted on the process's
    // tick counter (which counts down and may pass through negative values).
    if (!g_ServoRunning.load())
        return;
    const int32_t periods = TruncateToInt32(time * 0.001f / g_ServoPeriod + 0.5f);
    while (static_cast<int32_t>(static_cast<uint32_t>(tick) - static_cast<uint32_t>(r.tickCounter.load())) < periods &&
           !Failed(process) && !ProcessStopping(process))
        YieldSlice();
}

void KeywordOutOfContext(const uint8_t*, int&, int, int process)
{
    SetProcessError(process, kErrCommandOutOfContext);
}

} // namespace qcrt
