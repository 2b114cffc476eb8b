#include "simulator/runtime/process.h"

#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"

namespace qcrt {

ProcessRecord g_ProcessRecords[kProcessCount];
OuterProcessRecord g_OuterProcess;

ProcessRecord* GetProcessRecord(int process)
{
    if (process < 0 || process >= kProcessCount)
        return nullptr;
    return &g_ProcessRecords[process];
}

void SetProcessError(int process, int32_t number)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return;
    if (number < 0 || number >= kErrorCount)
        number = kErrCommandNotRecognized;
    record->errorNumber = number;
}

int32_t GetProcessError(int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    return record ? record->errorNumber : 0;
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
        r.processNumber = n;
        for (uint32_t& bits : r.resources)
            bits = 0;
        r.stateWord.store(0);
        r.stopRequest.store(0);
    }
    g_OuterProcess.stopRequest.store(0);
}

} // namespace qcrt
