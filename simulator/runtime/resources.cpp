#include "simulator/runtime/resources.h"

#include "simulator/runtime/scheduler.h"

namespace qcrt {

uint32_t g_ResourceTable[kResourceGroups];

namespace {

uint32_t BitMask(int bit)
{
    if (bit < 0)
        return 0xFFFFFFFFu;
    return bit < 32 ? 1u << bit : 0;
}

bool ValidGroup(int group)
{
    return group >= 0 && group < kResourceGroups;
}

// Only bits the process holds are released: a stray release never frees
// another process's claim.
void ReleaseMask(ProcessRecord& record, int group, uint32_t mask)
{
    NoSuspendSection section;
    uint32_t held = mask & record.resources[group];
    g_ResourceTable[group] &= ~held;
    record.resources[group] &= ~held;
}

} // namespace

void ClaimResource(int process, int group, int bit)
{
    ProcessRecord* record = GetProcessRecord(process);
    uint32_t wanted = BitMask(bit);
    if (!record || !ValidGroup(group) || wanted == 0)
        return;
    if ((record->resources[group] & wanted) == wanted)
        return;

    // Must not be called inside a no-suspend section: the wait below has to
    // let the holder run.
    BeginNoSuspend();
    if (g_ResourceTable[group] & wanted & ~record->resources[group]) {
        // Give up everything held, so that the holder can never be waiting
        // for one of our bits meanwhile.
        uint32_t givenUp[kResourceGroups];
        for (int g = 0; g < kResourceGroups; ++g) {
            givenUp[g] = record->resources[g];
            g_ResourceTable[g] &= ~givenUp[g];
            record->resources[g] = 0;
        }
        auto heldByOthers = [&] {
            if (g_ResourceTable[group] & wanted)
                return true;
            for (int g = 0; g < kResourceGroups; ++g) {
                if (g_ResourceTable[g] & givenUp[g])
                    return true;
            }
            return false;
        };
        while (heldByOthers() && !ProcessStopping(process)) {
            int32_t tick = record->tickCounter.load();
            EndNoSuspend();
            while (record->tickCounter.load() == tick && !ProcessStopping(process))
                YieldSlice();
            BeginNoSuspend();
        }
        for (int g = 0; g < kResourceGroups; ++g) {
            g_ResourceTable[g] |= givenUp[g];
            record->resources[g] |= givenUp[g];
        }
    }
    g_ResourceTable[group] |= wanted;
    record->resources[group] |= wanted;
    EndNoSuspend();
}

void ReleaseResource(int process, int group, int bit)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || !ValidGroup(group))
        return;
    ReleaseMask(*record, group, BitMask(bit));
}

bool IsResourceFree(int group, int bit)
{
    uint32_t mask = BitMask(bit);
    if (!ValidGroup(group) || mask == 0)
        return false;
    if ((g_ResourceTable[group] & mask) == 0)
        return true;
    int process = CurrentThreadProcess();
    if (process == kNoProcess)
        process = g_CurrentProcess.load();
    ProcessRecord* record = GetProcessRecord(process);
    return record && (record->resources[group] & mask) == (g_ResourceTable[group] & mask);
}

ResourceClaim::ResourceClaim(int process, int group, int bit) : m_process(process), m_group(group), m_taken(0)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || !ValidGroup(group))
        return;
    uint32_t before = record->resources[group];
    ClaimResource(process, group, bit);
    m_taken = record->resources[group] & ~before;
}

ResourceClaim::~ResourceClaim()
{
    if (ProcessRecord* record = GetProcessRecord(m_process); record && m_taken != 0)
        ReleaseMask(*record, m_group, m_taken);
}

void ResetResources()
{
    for (uint32_t& bits : g_ResourceTable)
        bits = 0;
    for (ProcessRecord& record : g_ProcessRecords) {
        for (uint32_t& bits : record.resources)
            bits = 0;
    }
}

} // namespace qcrt
