#include "simulator/runtime/process.h"

#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/values.h"

namespace qcrt {

ProcessRecord g_ProcessRecords[kProcessCount];
OuterProcessRecord g_OuterProcess;

void SetProcessError(int process, int32_t number)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return;
    if (number < 0 || number >= kErrorCount)
        number = kErrCommandNotRecognized;
    record->errorNumber = number;
}

bool ProcessStopping(int process)
{
    if (g_RuntimeStopping.load())
        return true;
    if (process == -1)
        return g_OuterProcess.stopRequest.load() != 0;
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return false;
    if (record->stopRequest.load() != 0)
        return true;
    return process > 0 && record->requestedState == kStateStopped && record->currentState != kStateStopped;
}

void ResetProcessTable()
{
    for (int n = 0; n < kProcessCount; ++n) {
        ProcessRecord& r = g_ProcessRecords[n];
        r.errorNumber = 0;
        r.programNumber = 0;
        r.inputChannel = 0;
        r.outputChannel = 0;
        r.requestedState = kStateStopped;
        r.currentState = kStateStopped;
        r.tickCounter.store(0);
        r.result = 0.0f;
        r.endFlag = 0;
        r.forDepth = 0;
        r.gosubDepth = 0;
        r.processNumber = n;
        for (uint32_t& bits : r.resources)
            bits = 0;
        r.stateWord.store(0);
        r.stopRequest.store(0);
    }
    g_OuterProcess.stopRequest.store(0);
}

void InitProcessTable()
{
    ResetProcessTable();
    for (int n = 0; n < kProcessCount; ++n) {
        ProcessRecord& r = g_ProcessRecords[n];
        for (int axis = 0; axis < kBaseListSize; ++axis)
            r.baseList[axis] = axis;
        r.statementAxis = 0;
        r.modifierProcess = n;
        r.modifierSlot = 0;
        r.modifierPort = 0;
        r.hashChannel = -1;
        ResetArguments(n);
        r.valueDepth = 0;
        ResetLocalVariables(n);
    }
    ResetMotion();
}

bool PushArgumentFrame(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return false;
    int32_t base = r->argumentBase + r->argumentCounts[r->argumentDepth];
    if (r->argumentDepth + 1 >= kArgumentSlots || base > kArgumentSlots) {
        SetProcessError(process, kErrStackOverflow);
        return false;
    }
    ++r->argumentDepth;
    r->argumentBase = base;
    r->argumentCounts[r->argumentDepth] = 0;
    return true;
}

void PopArgumentFrame(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r || r->argumentDepth == 0)
        return;
    --r->argumentDepth;
    r->argumentBase -= r->argumentCounts[r->argumentDepth];
}

bool AddArgument(int process, float value)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return false;
    int32_t slot = r->argumentBase + r->argumentCounts[r->argumentDepth];
    if (slot >= kArgumentSlots) {
        SetProcessError(process, kErrStackOverflow);
        return false;
    }
    r->argumentValues[slot] = {value, TruncateToInt32(value)};
    ++r->argumentCounts[r->argumentDepth];
    return true;
}

int ArgumentCount(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    return r ? r->argumentCounts[r->argumentDepth] : 0;
}

const ArgumentValue* GetArgument(int process, int n)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r || n < 0 || n >= r->argumentCounts[r->argumentDepth])
        return nullptr;
    return &r->argumentValues[r->argumentBase + n];
}

void ResetArguments(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return;
    r->argumentDepth = 0;
    r->argumentBase = 0;
    r->argumentCounts[0] = 0;
}

void ClearLocalVariables(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return;
    for (int n = 0; n < kLocalVariables; ++n) {
        if ((r->localFlags[n] & 1u) == 0)
            r->localValues[n] = 0.0f;
    }
}

void ResetLocalVariables(int process)
{
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return;
    for (int n = 0; n < kLocalVariables; ++n) {
        r->localFlags[n] = 0;
        r->localValues[n] = 0.0f;
    }
}

} // namespace qcrt
