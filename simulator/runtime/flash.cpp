#include "simulator/runtime/flash.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"

namespace qcrt {

FlashDeviceRecord g_FlashDevice;

namespace {

std::mutex g_HookLock;
FlashFaultHook g_FaultHook;
FlashDeviceOperations g_DeviceOperations{};

void DoNothing(int) {}

constexpr uint32_t kRuntimeAreaSize = 0x100000;
// A record of slot 6: the VR index (16 bits, 0xFFFF while the record is
// free) and the value's float bits (32 bits), both little-endian. Records are
// used from the slot's start in order; a later record of an index supersedes
// the earlier ones.
constexpr uint32_t kFlashVrRecordSize = 6;
constexpr uint16_t kFreeVrRecord = 0xFFFF;
constexpr int kFlashVrRecords = static_cast<int>(kSettingSlotSize / kFlashVrRecordSize);

std::bitset<kFlashVrCount> g_FlashKeptVrs;

// The row signature: five bit patterns and the float bits of the ramp
// factors.
constexpr uint32_t kSignature[16] = {
    0xAAAAAAAAu,
    0x55555555u,
    0xF0F0F0F0u,
    0x0F0F0F0Fu,
    0xFFFFFFFFu,
    std::bit_cast<uint32_t>(1.0f),
    std::bit_cast<uint32_t>(0.66f),
    std::bit_cast<uint32_t>(0.43f),
    std::bit_cast<uint32_t>(0.28f),
    std::bit_cast<uint32_t>(0.19f),
    std::bit_cast<uint32_t>(0.12f),
    std::bit_cast<uint32_t>(0.083f),
    std::bit_cast<uint32_t>(0.054f),
    std::bit_cast<uint32_t>(0.036f),
    std::bit_cast<uint32_t>(0.024f),
    std::bit_cast<uint32_t>(0.015f),
};

bool HookAllows(FlashOperation operation, uint32_t address, uint32_t length)
{
    std::lock_guard<std::mutex> guard(g_HookLock);
    return !g_FaultHook || g_FaultHook(operation, address, length);
}

uint32_t ReadWord(uint32_t address)
{
    const uint8_t* p = g_FlashDevice.image + address;
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void EncodeWord(uint32_t value, uint8_t out[4])
{
    for (int n = 0; n < 4; ++n)
        out[n] = static_cast<uint8_t>(value >> (8 * n));
}

uint32_t RowOffset(int row)
{
    return g_FlashDevice.settingsOffset + static_cast<uint32_t>(row) * g_FlashDevice.sectorSize;
}

int RowSector(int row)
{
    return static_cast<int>(RowOffset(row) / g_FlashDevice.sectorSize);
}

uint32_t SlotOffset(int row, int n)
{
    return RowOffset(row) + kSettingsHeaderSize + kSettingSlotSize * static_cast<uint32_t>(n);
}

uint32_t EntryOffset(uint32_t slot, int entry)
{
    return slot + kSlotBitmapSize + 4 * static_cast<uint32_t>(entry);
}

// The newest value of each VR index in a row's VR slot, and the number of
// records in use (the first free record ends them).
struct VrSlotContents {
    std::map<int, uint32_t> newest;
    int used = 0;
};

VrSlotContents ReadVrSlot(int row)
{
    VrSlotContents contents;
    const uint32_t slot = SlotOffset(row, kSettingFlashVr);
    for (; contents.used < kFlashVrRecords; ++contents.used) {
        const uint8_t* record = g_FlashDevice.image + slot + kFlashVrRecordSize * static_cast<uint32_t>(contents.used);
        const int index = record[0] | (record[1] << 8);
        if (index == kFreeVrRecord)
            break;
        if (index < kFlashVrCount)
            contents.newest[index] = ReadWord(slot + kFlashVrRecordSize * static_cast<uint32_t>(contents.used) + 2);
    }
    return contents;
}

void EncodeVrRecord(int index, uint32_t value, uint8_t out[kFlashVrRecordSize])
{
    out[0] = static_cast<uint8_t>(index);
    out[1] = static_cast<uint8_t>(index >> 8);
    EncodeWord(value, out + 2);
}

bool RowIsCurrent(int row)
{
    uint32_t header = RowOffset(row);
    for (int n = 0; n < 16; ++n) {
        if (ReadWord(header + 4 * n) != kSignature[n])
            return false;
    }
    return true;
}

// The index of the current entry: the first bitmap bit still 1. Past the
// last entry when the bitmap is used up.
int CurrentEntry(uint32_t slot)
{
    int position = 0;
    for (uint32_t word = 0; word < kSlotBitmapSize / 4; ++word) {
        uint32_t bits = ReadWord(slot + 4 * word);
        if (bits == 0) {
            position += 32;
            continue;
        }
        return position + std::countr_zero(bits);
    }
    return position;
}

int32_t ReadSlot(int row, int n)
{
    if (n < 0 || n >= kSettingCount || n == kSettingFlashVr || n == kSettingRawBlock)
        return -1;
    uint32_t slot = SlotOffset(row, n);
    int entry = CurrentEntry(slot);
    if (entry >= kSlotEntries)
        return -1;
    return static_cast<int32_t>(ReadWord(EntryOffset(slot, entry)));
}

bool ProgramWithRetry(const void* source, uint32_t address, uint32_t length)
{
    for (int attempt = 0; attempt < kFlashRetries; ++attempt) {
        if (ProgramFlash(source, address, length))
            return true;
    }
    return false;
}

bool ProgramWordWithRetry(uint32_t address, uint32_t value)
{
    uint8_t bytes[4];
    EncodeWord(value, bytes);
    return ProgramWithRetry(bytes, address, 4);
}

bool EraseWithRetry(int sector)
{
    for (int attempt = 0; attempt < kFlashRetries; ++attempt) {
        if (EraseSector(sector))
            return true;
    }
    return false;
}

bool ProgramSignature(int row)
{
    uint8_t header[kSettingsHeaderSize];
    for (int n = 0; n < 16; ++n)
        EncodeWord(kSignature[n], header + 4 * n);
    return ProgramWithRetry(header, RowOffset(row), kSettingsHeaderSize);
}

// Erases both rows and makes row 0 current. Error number or 0.
int32_t FormatStore()
{
    for (int row = 0; row < g_FlashDevice.settingsRows; ++row) {
        if (!EraseWithRetry(RowSector(row)))
            return kErrErasingFlash;
    }
    return ProgramSignature(0) ? kErrNone : kErrValueCannotBeSet;
}

// A VR record that a compaction adds to the carried ones.
struct PendingVr {
    int index = -1; // none
    uint32_t value = 0;
};

// Moves the store to the other row, writing setting n (or, with n = -1, a VR
// record) with its new value on the way. The new row's header is programmed
// only after every value, so a move cut short leaves the old row current and
// complete. Error number or 0.
int32_t CompactStore(int oldRow, int n, int32_t value, PendingVr vr = {})
{
    int newRow = 1 - oldRow;
    int32_t values[kSettingCount];
    for (int s = 0; s < kSettingCount; ++s)
        values[s] = s == n ? value : ReadSlot(oldRow, s);

    if (!EraseWithRetry(RowSector(newRow)))
        return kErrErasingFlash;
    for (int s = 0; s < kSettingCount; ++s) {
        if (s == kSettingFlashVr || s == kSettingRawBlock || values[s] == -1)
            continue; // -1 is what an erased slot reads
        if (!ProgramWordWithRetry(EntryOffset(SlotOffset(newRow, s), 0), static_cast<uint32_t>(values[s])))
            return kErrValueCannotBeSet;
    }

    // The newest record of each kept VR, packed in index order, and the raw
    // block as it is.
    std::map<int, uint32_t> kept = ReadVrSlot(oldRow).newest;
    if (vr.index >= 0)
        kept[vr.index] = vr.value;
    std::vector<uint8_t> records;
    for (const auto& [index, bits] : kept) {
        uint8_t record[kFlashVrRecordSize];
        EncodeVrRecord(index, bits, record);
        records.insert(records.end(), record, record + kFlashVrRecordSize);
    }
    if (!records.empty() &&
        !ProgramWithRetry(records.data(), SlotOffset(newRow, kSettingFlashVr), static_cast<uint32_t>(records.size())))
        return kErrValueCannotBeSet;
    std::vector<uint8_t> block(g_FlashDevice.image + SlotOffset(oldRow, kSettingRawBlock),
                               g_FlashDevice.image + SlotOffset(oldRow, kSettingRawBlock) + kSettingSlotSize);
    if (!ProgramWithRetry(block.data(), SlotOffset(newRow, kSettingRawBlock), kSettingSlotSize))
        return kErrValueCannotBeSet;

    if (!ProgramSignature(newRow))
        return kErrValueCannotBeSet;
    if (!EraseWithRetry(RowSector(oldRow)))
        return kErrErasingFlash;
    return kErrNone;
}

// The row a write goes to: the current one, or row 0 of a store formatted
// because it had none. Error number or 0.
int32_t RowForWriting(int& row)
{
    row = CurrentSettingsRow();
    if (row >= 0)
        return kErrNone;
    row = 0;
    return FormatStore();
}

int32_t WriteSlot(int n, int32_t value)
{
    int row = 0;
    if (int32_t error = RowForWriting(row))
        return error;
    uint32_t slot = SlotOffset(row, n);
    int entry = CurrentEntry(slot);
    uint32_t wanted = static_cast<uint32_t>(value);
    if (entry < kSlotEntries) {
        uint32_t current = ReadWord(EntryOffset(slot, entry));
        if (current == wanted)
            return kErrNone;
        // Programming only turns 1 bits into 0: a value that needs no 0 bit
        // turned back into 1 goes over the current entry.
        if ((wanted & ~current) == 0)
            return ProgramWordWithRetry(EntryOffset(slot, entry), wanted) ? kErrNone : kErrValueCannotBeSet;
        if (entry + 1 < kSlotEntries) {
            // The new entry first, then the old entry's bit: until the bit is
            // cleared the old value is still the one read.
            if (!ProgramWordWithRetry(EntryOffset(slot, entry + 1), wanted))
                return kErrValueCannotBeSet;
            uint32_t bitmapWord = slot + 4 * static_cast<uint32_t>(entry / 32);
            uint32_t cleared = ReadWord(bitmapWord) & ~(1u << (entry % 32));
            return ProgramWordWithRetry(bitmapWord, cleared) ? kErrNone : kErrValueCannotBeSet;
        }
    }
    return CompactStore(row, n, value);
}

int32_t WriteVrRecord(int index, uint32_t value)
{
    int row = 0;
    if (int32_t error = RowForWriting(row))
        return error;
    const VrSlotContents contents = ReadVrSlot(row);
    const auto found = contents.newest.find(index);
    if (found != contents.newest.end() && found->second == value)
        return kErrNone;
    if (contents.used < kFlashVrRecords) {
        uint8_t record[kFlashVrRecordSize];
        EncodeVrRecord(index, value, record);
        const uint32_t at =
            SlotOffset(row, kSettingFlashVr) + kFlashVrRecordSize * static_cast<uint32_t>(contents.used);
        return ProgramWithRetry(record, at, kFlashVrRecordSize) ? kErrNone : kErrValueCannotBeSet;
    }
    // A full slot keeps only the newest record of each index in the other
    // row; refused before anything is erased when even that leaves no room.
    const size_t distinct = contents.newest.size() + (found == contents.newest.end() ? 1 : 0);
    if (distinct > static_cast<size_t>(kFlashVrRecords))
        return kErrValueCannotBeSet;
    return CompactStore(row, -1, 0, PendingVr{index, value});
}

} // namespace

bool InitFlashDevice()
{
    if (g_FlashDevice.set)
        return true;
    uint8_t* image = GetFlashImage();
    uint32_t size = GetFlashSize();
    if (!image || size < kRuntimeAreaSize)
        return false;
    g_FlashDevice.image = image;
    g_FlashDevice.size = size < kFlashSize ? size : kFlashSize;
    g_FlashDevice.sectorSize = kFlashSectorSize;
    g_FlashDevice.settingsOffset = 0x60000;
    g_FlashDevice.settingsRows = 2;
    g_FlashDevice.memoryCopyOffset = 0x80000;
    g_FlashDevice.furtherAreaOffset = 0xF0000;
    g_FlashDevice.runtimeAreaSize = kRuntimeAreaSize;
    g_FlashDevice.operations = g_DeviceOperations;
    for (auto& slot : g_FlashDevice.idle)
        slot = DoNothing;
    g_FlashDevice.set = true;
    return true;
}

void SetFlashDeviceOperations(const FlashDeviceOperations* operations)
{
    g_DeviceOperations = operations ? *operations : FlashDeviceOperations{};
}

void ReleaseFlashDevice()
{
    g_FlashDevice = FlashDeviceRecord{};
    g_FlashKeptVrs.reset();
}

bool EraseSector(int sector)
{
    if (!InitFlashDevice() || sector < 0)
        return false;
    uint32_t start = static_cast<uint32_t>(sector) * g_FlashDevice.sectorSize;
    if (start >= g_FlashDevice.size || !HookAllows(FlashOperation::Erase, start, g_FlashDevice.sectorSize))
        return false;
    if (g_FlashDevice.operations.eraseBlock)
        return g_FlashDevice.operations.eraseBlock(sector, -1);
    std::memset(g_FlashDevice.image + start, 0xFF, g_FlashDevice.sectorSize);
    return true;
}

bool EraseAll()
{
    if (!InitFlashDevice() || !HookAllows(FlashOperation::Erase, 0, g_FlashDevice.size))
        return false;
    std::memset(g_FlashDevice.image, 0xFF, g_FlashDevice.size);
    return true;
}

bool ProgramFlash(const void* source, uint32_t address, uint32_t length)
{
    if (!InitFlashDevice() || !source || address > g_FlashDevice.size || length > g_FlashDevice.size - address)
        return false;
    if (!HookAllows(FlashOperation::Program, address, length))
        return false;
    if (g_FlashDevice.operations.programBytes)
        return g_FlashDevice.operations.programBytes(source, g_FlashDevice.image + address,
                                                     static_cast<int32_t>(length), -1);
    const uint8_t* bytes = static_cast<const uint8_t*>(source);
    for (uint32_t n = 0; n < length; ++n) {
        g_FlashDevice.image[address + n] = bytes[n];
    }
    return true;
}

int CurrentSettingsRow()
{
    if (!InitFlashDevice())
        return -1;
    for (int row = 0; row < g_FlashDevice.settingsRows; ++row) {
        if (RowIsCurrent(row))
            return row;
    }
    return -1;
}

int32_t ReadSetting(int n, int process)
{
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    int row = CurrentSettingsRow();
    return row < 0 ? -1 : ReadSlot(row, n);
}

namespace {

// Runs a write of the store under the flash resource; its error, if any,
// goes to the process.
template <typename Write> bool WriteUnderResource(int process, Write write)
{
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    int32_t error = InitFlashDevice() ? write() : kErrValueCannotBeSet;
    if (error != kErrNone)
        SetProcessError(process, error);
    return error == kErrNone;
}

} // namespace

bool WriteSetting(int32_t value, int n, int process)
{
    if (n < 0 || n >= kSettingCount || n == kSettingFlashVr || n == kSettingRawBlock) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    return WriteUnderResource(process, [&] { return WriteSlot(n, value); });
}

bool WriteFlashVr(int32_t index, float value, int process)
{
    if (index < 0 || index >= kFlashVrCount) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    if (!WriteUnderResource(process, [&] { return WriteVrRecord(index, std::bit_cast<uint32_t>(value)); }))
        return false;
    g_FlashKeptVrs.set(static_cast<size_t>(index));
    return true;
}

std::bitset<kFlashVrCount> LoadFlashVrs(float values[kFlashVrCount], int process)
{
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    g_FlashKeptVrs.reset();
    int row = CurrentSettingsRow();
    if (row >= 0) {
        for (const auto& [index, bits] : ReadVrSlot(row).newest) {
            values[index] = std::bit_cast<float>(bits);
            g_FlashKeptVrs.set(static_cast<size_t>(index));
        }
    }
    return g_FlashKeptVrs;
}

bool IsFlashKeptVr(int index)
{
    return index >= 0 && index < kFlashVrCount && g_FlashKeptVrs.test(static_cast<size_t>(index));
}

namespace {

constexpr uint32_t kPageValuesOffset = 4;

uint32_t PageOffset(int page)
{
    return kTablePagesOffset + static_cast<uint32_t>(page) * g_FlashDevice.sectorSize;
}

int32_t EraseSectors(uint32_t offset, int count)
{
    const int first = static_cast<int>(offset / g_FlashDevice.sectorSize);
    for (int sector = first; sector < first + count; ++sector) {
        if (!EraseWithRetry(sector))
            return kErrErasingFlash;
    }
    return kErrNone;
}

// Programs the values from address on, a sector's worth a step, and then the
// mark (0) in the given number of bytes at markAddress.
int32_t ProgramValuesAndMark(const float* values, int32_t count, uint32_t address, uint32_t markAddress,
                             uint32_t markBytes)
{
    std::vector<uint8_t> bytes(g_FlashDevice.sectorSize);
    const int32_t perStep = static_cast<int32_t>(g_FlashDevice.sectorSize / 4);
    for (int32_t done = 0; done < count; done += perStep) {
        const int32_t step = std::min(perStep, count - done);
        for (int32_t n = 0; n < step; ++n)
            EncodeWord(std::bit_cast<uint32_t>(values[done + n]), bytes.data() + 4 * n);
        const uint32_t length = 4 * static_cast<uint32_t>(step);
        if (!ProgramWithRetry(bytes.data(), address + 4 * static_cast<uint32_t>(done), length))
            return kErrProgrammingFlash;
    }
    const uint8_t mark[4] = {0, 0, 0, 0};
    return ProgramWithRetry(mark, markAddress, markBytes) ? kErrNone : kErrProgrammingFlash;
}

bool ValidPage(int page, int process)
{
    if (page >= 0 && page < kTablePages)
        return true;
    SetProcessError(process, kErrParameterOutOfRange);
    return false;
}

} // namespace

bool StoreTableInFlash(const float* values, int32_t count, int process)
{
    // The values and the mark byte within the area.
    const uint64_t room = uint64_t{kFlashTableSectors} * kFlashSectorSize;
    if (count < 0 || 4 * static_cast<uint64_t>(count) + 1 > room) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    return WriteUnderResource(process, [&] {
        if (int32_t error = EraseSectors(kFlashTableOffset, kFlashTableSectors))
            return error;
        return ProgramValuesAndMark(values, count, kFlashTableOffset + 1, kFlashTableOffset, 1);
    });
}

bool EraseFlashTable(int process)
{
    return WriteUnderResource(process, [] { return EraseSectors(kFlashTableOffset, kFlashTableSectors); });
}

bool StoreTablePage(int page, const float values[kTableBlockEntries], int process)
{
    if (!ValidPage(page, process))
        return false;
    return WriteUnderResource(process, [&] {
        if (int32_t error = EraseSectors(PageOffset(page), 1))
            return error;
        return ProgramValuesAndMark(values, kTableBlockEntries, PageOffset(page) + kPageValuesOffset, PageOffset(page),
                                    4);
    });
}

bool LoadTablePage(int page, float values[kTableBlockEntries], int process)
{
    if (!ValidPage(page, process))
        return false;
    ResourceClaim claim(process, kResourceFlash, kResourceFlashSettingsBit);
    if (!InitFlashDevice() || PageOffset(page) + g_FlashDevice.sectorSize > g_FlashDevice.size ||
        ReadWord(PageOffset(page)) != 0) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    for (int n = 0; n < kTableBlockEntries; ++n)
        values[n] = std::bit_cast<float>(ReadWord(PageOffset(page) + kPageValuesOffset + 4 * static_cast<uint32_t>(n)));
    return true;
}

void SetFlashFaultHook(FlashFaultHook hook)
{
    std::lock_guard<std::mutex> guard(g_HookLock);
    g_FaultHook = std::move(hook);
}

} // namespace qcrt
