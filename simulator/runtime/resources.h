// The resource lock between processes: 10 groups of 32 resource bits. A
// process claims bits for longer exclusive use; the groups in use are
//   1  the output of one print, one bit per channel
//   2  GLOBAL/CONSTANT binding and the command-line compile
//   3  process control
//   4  the program store
//   5  exclusive output on channels 3 and 4 during one PRINT
//   7  drive-bus messages
//   8  bit 1: the flash settings store
//
// A process that finds a wanted bit held by another process gives up every
// bit it holds while it waits (so two processes can never wait for each
// other), and takes them back together with the wanted bits.
#pragma once

#include <cstdint>

#include "simulator/runtime/process.h"

namespace qcrt {

constexpr int kResourceOutput = 1;
constexpr int kResourceCompile = 2;
constexpr int kResourceProcessControl = 3;
constexpr int kResourceProgramStore = 4;
constexpr int kResourceTerminalOutput = 5;
constexpr int kResourceFlash = 8;
constexpr int kResourceFlashSettingsBit = 1;

// The bits held by any process, per group.
extern uint32_t g_ResourceTable[kResourceGroups];

// bit is a bit number 0 to 31, or -1 for the whole group. Each process's
// holdings are kept in its record and the table is their union. Claiming
// what the process already holds returns at once; a process that is being
// stopped stops waiting, takes nothing another process holds and gets false.
bool ClaimResource(int process, int group, int bit);
void ReleaseResource(int process, int group, int bit);
// True when no process but the current one holds the bit.
bool IsResourceFree(int group, int bit);

void ResetResources();

// Holds a resource for a scope. Only the bits the scope took are given back,
// so a claim nested inside a longer claim of the same process (a store
// operation inside an edit that holds the program's bit) leaves the outer
// claim in place.
class ResourceClaim {
public:
    ResourceClaim(int process, int group, int bit);
    ~ResourceClaim();
    ResourceClaim(const ResourceClaim&) = delete;
    // False when the claim gave way to a stop without the bits.
    bool Held() const { return m_held; }
    ResourceClaim& operator=(const ResourceClaim&) = delete;

private:
    int m_process;
    int m_group;
    uint32_t m_taken; // bits this claim added to what the process held
    bool m_held;
};

} // namespace qcrt
