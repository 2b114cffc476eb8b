#include "simulator/runtime/power_up.h"

#include <cstring>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/comms_keywords.h"
#include "simulator/runtime/drive_buses.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/modbus.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/values.h"

namespace qcrt {

SystemValues g_SystemValues;
bool g_MemoryLost = false;
int32_t g_HighestAxisInUse = 0;
int32_t g_TableEntriesInUse = kTableEntries;

namespace {

// Words the motion generator keeps in every axis record.
constexpr int kAxisReciprocalAccel = 175;
constexpr int kAxisReciprocalDecel = 176;

// A product in encoder counts, wrapping at 32 bits as the controller does.
int32_t Counts(int64_t units, int64_t factor)
{
    return static_cast<int32_t>(static_cast<uint32_t>(units * factor));
}

// The stored memory copy of the flash image: directory words, the top of the
// program area, and from its offset 1024 the program bytes.
constexpr uint32_t kCopyTopOffset = kDirectorySize;
constexpr uint32_t kCopyProgramOffset = 1024;

void PutImageWord(uint32_t offset, int32_t value)
{
    int position = static_cast<int>(offset);
    Put32(g_MemoryBase, position, value);
}

// Brings the directory and the programs from the flash copy into the
// battery-backed memory. False when the copy holds no usable memory.
// True when the directory, the top of the program area and the checksum
// are all zero.
bool BlankDirectoryImage()
{
    if (!g_MemoryBase || g_MemorySize < kMemoryChecksumOffset + 4)
        return false;
    for (uint32_t offset = kDirectoryOffset; offset < kDirectorySize; ++offset) {
        if (g_MemoryBase[offset] != 0)
            return false;
    }
    for (uint32_t offset = kProgramTopOffset; offset < kMemoryChecksumOffset + 4; ++offset) {
        if (g_MemoryBase[offset] != 0)
            return false;
    }
    return true;
}

bool CopyFromFlash()
{
    if (!InitFlashDevice())
        return false;
    const uint8_t* copy = g_FlashDevice.image + g_FlashDevice.memoryCopyOffset;
    int position = static_cast<int>(kCopyTopOffset);
    uint32_t top = static_cast<uint32_t>(Get32(copy, position));
    // The program bytes of the copy end where the flash's further area begins.
    uint32_t copyRoom = g_FlashDevice.furtherAreaOffset - g_FlashDevice.memoryCopyOffset - kCopyProgramOffset;
    if (top >= kBatteryRamSize || top < kProgramAreaStart || top > g_MemorySize || top - kProgramAreaStart > copyRoom)
        return false;

    uint32_t sum = top;
    for (uint32_t offset = 0; offset < kDirectorySize; offset += 4) {
        int at = static_cast<int>(offset);
        int32_t word = Get32(copy, at);
        PutImageWord(kDirectoryOffset + offset, word);
        sum += static_cast<uint32_t>(word);
    }
    PutImageWord(kProgramTopOffset, static_cast<int32_t>(top));
    PutImageWord(kMemoryChecksumOffset, static_cast<int32_t>(sum));
    std::memcpy(g_MemoryBase + kProgramAreaStart, copy + kCopyProgramOffset, top - kProgramAreaStart);
    return true;
}

} // namespace

void SetUnitsDefaults(int axis)
{
    if (axis < 0 || axis >= kAxisCount)
        return;
    AxisRecord& a = g_AxisRecords[axis];
    float units = a.GetFloat(kAxisUnits);
    int64_t u = TruncateToInt32(units);
    a.SetFloat(kAxisSpeed, 1000.0f * units);
    a.SetFloat(kAxisForceSpeed, 1000.0f * units);
    a.SetFloat(kAxisEndMoveSpeed, 1000.0f * units);
    a.SetFloat(kAxisAccel, 10000.0f * units);
    a.SetFloat(kAxisDecel, 10000.0f * units);
    a.SetFloat(kAxisReciprocalAccel, 1.0f / (10000.0f * units));
    a.SetFloat(kAxisReciprocalDecel, 1.0f / (10000.0f * units));
    a.SetFloat(kAxisJogSpeed, 100.0f * units);
    a.SetFloat(kAxisCreep, 100.0f * units);
    a.SetFloat(kAxisFhSpeed, 0.0f);
    a.SetFloat(kAxisFastDec, 0.0f);
    a.SetInt(kAxisFeLimit, Counts(u, 2000));
    a.SetInt(kAxisFeRange, Counts(u, 1000));
    a.SetInt(kAxisRepDist, Counts(u, 5000000));
    a.SetInt(kAxisFsLimit, Counts(u, 20000000));
    a.SetInt(kAxisRsLimit, Counts(u, -20000000));
}

void SetAxisDefaults()
{
    for (int n = 0; n < kAxisCount; ++n) {
        AxisRecord& a = g_AxisRecords[n];
        std::memset(a.words, 0, sizeof a.words);
        a.SetFloat(kAxisPGain, 1.0f); // I, D, OV, VFF and AFF gains stay 0
        a.SetFloat(kAxisUnits, 1.0f);
        a.SetInt(kAxisNumber, n);
        SetUnitsDefaults(n);
        a.SetInt(kAxisOutLimit, 32767);
        for (int word : {kAxisFwdIn, kAxisRevIn, kAxisDatumIn, kAxisFholdIn, kAxisFwdJog, kAxisRevJog, kAxisFastJog})
            a.SetInt(word, -1); // no input assigned

        // The motion generator's own words.
        a.SetInt(19, 1);
        a.SetInt(44, 16389);
        a.SetInt(48, 268);
        a.SetFloat(50, 0.125f);
        a.SetInt(54, 0x3FFFFFFF);
        a.SetInt(95, n);
        a.SetInt(96, static_cast<int32_t>(1u << n));
        a.SetFloat(108, 1.0f);
        a.SetInt(129, 0xFFFF);
        a.SetInt(130, 16);
        a.SetInt(131, -16);
        a.SetFloat(132, 1000000.0f);
        a.SetFloat(146, 16.0f);
        a.SetInt(187, 1);
        a.SetFloat(188, 1.0f);
        a.SetInt(200, -1);
        a.SetFloat(203, 10000.0f);
        a.SetFloat(205, 1000.0f);
        a.SetFloat(206, 0.001f);
    }
}

void SetSystemDefaults()
{
    g_SystemValues = SystemValues{};
    // The system words of the parameters are part of the same block; among
    // them VERSION, which the development environment reads to identify
    // the controller.
    ResetParameterValues();
    g_ServoPeriod = 0.001f;
    ResetStoreState(); // no program selected
    ResetIo();
    ResetDeclaredNames();
    ResetCommsKeywords();
    ResetDriveBuses();
    ResetModbus();
    g_SystemValues.controllerType = 200;
    g_SystemValues.programAreaTop = static_cast<int32_t>(kProgramAreaStart);
    g_SystemValues.value16 = 16;
    g_SystemValues.value20 = 20;
    g_SystemValues.minusOne[0] = -1;
    g_SystemValues.minusOne[1] = -1;
    g_SystemValues.value2748 = 2748;

    g_SystemValues.setting4 = ReadSetting(4, 0);
    g_SystemValues.setting3 = ReadSetting(3, 0);
    int32_t setting5 = ReadSetting(5, 0) & 0xFF;
    g_SystemValues.setting5 = setting5 >= 32 && setting5 <= 40 ? setting5 : 32;
    g_SystemValues.setting8 = ReadSetting(8, 0);
    int32_t servo = ReadSetting(kSettingServoPeriod, 0);
    g_SystemValues.servoMicroseconds = servo == 250 || servo == 500 || servo == 2000 ? servo : 1000;
    g_ServoPeriod = static_cast<float>(g_SystemValues.servoMicroseconds) / 1000000.0f;

    g_SystemValues.motionConstant1 = 8.192f;
    g_SystemValues.motionConstant2 = 1.65f;
    ServoPeriodChanged();
    g_SystemValues.defaultsSet = true;
}

uint32_t ComputeMemoryChecksum()
{
    return ImageDirectoryChecksum();
}

int CheckMemory()
{
    if (DirectoryValid())
        return 1;
    g_MemoryLost = true;
    return 0;
}

void ResetMemory()
{
    ClearDirectory();
    ResetStoreState();
}

void RestoreMemory(int process)
{
    {
        std::memset(g_MemoryBase + kWorkArea1Offset, 0, kWorkAreaSize);
        std::memset(g_MemoryBase + kWorkArea2Offset, 0, kWorkAreaSize);
    }

    bool stopped = false;
    if (ReadSetting(kSettingPowerUp, process) == 1) {
        PrintFormatted(process, "EPROM selected for power up%c", kEndOfLineCr);
        // A copy that holds no program area the memory could take empties
        // the memory, and the restore stops there.
        stopped = !CopyFromFlash();
        if (stopped)
            ResetMemory();
        else
            LoadDirectoryFromImage();
    } else {
        // A battery-backed image that was never written (a first start, a
        // new image file) becomes an empty store that the directory check
        // accepts; any other image is taken as it stands.
        if (BlankDirectoryImage())
            ResetMemory();
        else
            LoadDirectoryFromImage();
        PrintFormatted(process, "RAM selected for power up%c", kEndOfLineCr);
    }

    // Flash setting 1 is 0 while the controller is locked; the store then
    // refuses every change.
    bool unlocked = ReadSetting(kSettingUnlocked, process) != 0;
    if (!stopped)
        PrintFormatted(process, unlocked ? "FLASHSTICK allowed%c" : "Directory is LOCKED%c", kEndOfLineCr);
    SetMemoryProtection(!unlocked);

    // Run counts from before the power-up mean nothing now, and code compiled
    // before it is compiled again when it is needed.
    ClearRunStates();
    for (int program = 0; program < kProgramCount; ++program)
        DiscardCode(program);
    SetTableEntriesInUse(kTableEntries);
    // A copy from flash may end below the programs it replaced.
    RewriteTableMirror(kProgramAreaStart, g_MemorySize);

    // VR values kept in flash survive whatever became of the memory.
    float kept[kFlashVrCount];
    const std::bitset<kFlashVrCount> keptSet = LoadFlashVrs(kept, process);
    for (int index = 0; index < kFlashVrCount; ++index) {
        if (keptSet.test(static_cast<size_t>(index)))
            WriteVr(index, kept[index], process);
    }
}

void InitialiseAxes()
{
    int32_t types[kAxisCount];
    for (int n = 0; n < kAxisCount; ++n)
        types[n] = g_AxisRecords[n].GetInt(kAxisType);
    SetAxisDefaults();
    for (int n = 0; n < kAxisCount; ++n) {
        g_AxisRecords[n].SetInt(kAxisType, types[n]);
        SetAxisType(n, types[n]);
    }
}

void Initialise(const uint8_t*, int& position, int, int)
{
    ++position; // the handler reads its own (empty) operands
    InitialiseAxes();
}

} // namespace qcrt
