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

// The bits that processes other than this one hold in a group.
uint32_t HeldByOthers(int process, int group)
{
    uint32_t bits = 0;
    for (int n = 0; n < kProcessCount; ++n) {
        if (n != process)
            bits |= g_ProcessRecords[n].resources[group];
    }
    return bits;
}

// The table is the union of what each process holds, so that one process's
// release never frees a bit that another still holds.
void UpdateTable(int group)
{
    g_ResourceTable[group] = HeldByOthers(-1, group);
}

// Only bits the process holds are released: a stray release never frees
// another process's claim.
void ReleaseMask(ProcessRecord& record, int group, uint32_t mask)
{
    record.resources[group] &= ~mask;
    UpdateTable(group);
}

} // namespace

bool ClaimResource(int process, int group, int bit)
{
    ProcessRecord* record = GetProcessRecord(process);
    uint32_t wanted = BitMask(bit);
    if (!record || !ValidGroup(group) || wanted == 0)
        return false;
    if ((record->resources[group] & wanted) == wanted)
        return true;

    if (HeldByOthers(process, group) & wanted) {
        // Give up everything held, so that the holder can never be waiting
        // for one of our bits meanwhile.
        uint32_t givenUp[kResourceGroups];
        for (int g = 0; g < kResourceGroups; ++g) {
            givenUp[g] = record->resources[g];
            record->resources[g] = 0;
            UpdateTable(g);
        }
        auto blocked = [&] {
            if (HeldByOthers(process, group) & wanted)
                return true;
            for (int g = 0; g < kResourceGroups; ++g) {
                if (HeldByOthers(process, g) & givenUp[g])
                    return true;
            }
            return false;
        };
        // The wait gives up the slice on every turn, so the holder runs and
        // a release is seen on the next turn.
        while (blocked()) {
            // A process being stopped takes nothing another process holds;
            // what it gave up stays given up.
            if (ProcessStopping(process))
                return false;
            YieldSlice();
        }
        for (int g = 0; g < kResourceGroups; ++g) {
            record->resources[g] |= givenUp[g];
            UpdateTable(g);
        }
    }
    record->resources[group] |= wanted;
    UpdateTable(group);
    return true;
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
    int process = CurrentThreadProcess();
    if (process == kNoProcess)
        process = g_CurrentProcess.load();
    return (HeldByOthers(process, group) & mask) == 0;
}

ResourceClaim::ResourceClaim(int process, int group, int bit)
    : m_process(process), m_group(group), m_taken(0), m_held(false)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record || !ValidGroup(group))
        return;
    uint32_t before = record->resources[group];
    m_held = ClaimResource(process, group, bit);
    m_taken = m_held ? record->resources[group] & ~before : 0;
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
