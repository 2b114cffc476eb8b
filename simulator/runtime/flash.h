// The flash image as a flash device, and the flash settings store.
//
// The simulator's flash image ("Flash.img", 4 MiB, erased to 0xFF) is erased
// in 64 KB sectors and programmed in place. Small values that must survive a
// restart and a memory reset (POWER_UP, the servo period, the lock state and
// others) live in a wear-levelled store of two rows, sectors 6 and 7.
//
// A row is a 64-byte header (the signature) and 16 slots of 4092 bytes, slot n
// for setting n. A slot is a bitmap of 128 bytes and value entries of 4 bytes
// from its offset 128; the current value is the entry of the first bitmap bit
// that is still 1. A write programs the next entry and then clears the
// current entry's bit, so a write cut short after either step leaves the old
// or the new value, never an empty setting. A full slot moves the store to
// the other row (compaction); the new row's header is programmed last, so
// until then the old row stays the current one.
#pragma once

#include <bitset>
#include <cstdint>
#include <functional>

namespace qcrt {

// The flash chip's own operations, as the program that hosts the runtime
// supplies them (the simulator works on its flash image). Erase and program
// answer false for a failed attempt; the process index is the caller's.
struct FlashDeviceOperations {
    bool (*eraseChip)(int32_t flag);
    bool (*eraseBlock)(int32_t block, int process);
    void (*clearImage)();
    bool (*queryFlag)();
    bool (*programBytes)(const void* source, void* destination, int32_t count, int process);
};

// The operations InitFlashDevice puts into the record; null (the default)
// leaves the runtime erasing and programming the image in place.
void SetFlashDeviceOperations(const FlashDeviceOperations* operations);

struct FlashDeviceRecord {
    uint8_t* image;
    uint32_t size;
    uint32_t sectorSize;
    uint32_t settingsOffset; // two rows, one sector each
    int settingsRows;
    uint32_t memoryCopyOffset; // the stored memory copy of POWER_UP = 1
    uint32_t furtherAreaOffset;
    uint32_t runtimeAreaSize; // the part of the device the runtime uses
    FlashDeviceOperations operations;
    // Slots that take the process index and do nothing (clearing the
    // parameters and storing the programs call one).
    void (*idle[3])(int process);
    bool set;
};

extern FlashDeviceRecord g_FlashDevice;

// Binds the host's flash image once; a second call does nothing. False when
// there is no image (or one too small for the runtime's areas).
bool InitFlashDevice();
// Forgets the image (the host is about to free it).
void ReleaseFlashDevice();

bool EraseSector(int sector);
bool EraseAll();
bool ProgramFlash(const void* source, uint32_t address, uint32_t length);

// Settings.
constexpr int kSettingCount = 16;
constexpr int kSettingPowerUp = 0;
constexpr int kSettingUnlocked = 1; // 0 while the controller is locked
constexpr int kSettingLockKey = 2;
constexpr int kSettingServoPeriod = 9;
constexpr int kSettingFlashVr = 6;  // records of VR values, not a setting
constexpr int kSettingRawBlock = 7; // a raw block, not a setting

constexpr uint32_t kSettingsHeaderSize = 64;
constexpr uint32_t kSettingSlotSize = 4092;
constexpr uint32_t kSlotBitmapSize = 128;
constexpr int kSlotEntries = static_cast<int>((kSettingSlotSize - kSlotBitmapSize) / 4);
constexpr int kFlashRetries = 10;

// Reads setting n under the flash resource (group 8, bit 1); -1 for a
// setting never written, for slots 6 and 7 and for numbers outside 0 to 15.
int32_t ReadSetting(int n, int process);
// Writes setting n under the flash resource. Failures set the process's
// error: 14 when an erase fails, 72 when programming fails, 19 for a number
// that is no setting. Returns true when the value is stored.
bool WriteSetting(int32_t value, int n, int process);

// VR values kept in flash (slot 6): they come back at every power-up, over
// whatever the battery-backed memory holds.
constexpr int kFlashVrCount = 1024;
// Records VR(index) (0 to 1023, else error 19) with its value in the store
// and marks it kept. Errors as for WriteSetting; a slot that would hold more
// kept values than it has records gives error 72.
bool WriteFlashVr(int32_t index, float value, int process);
// The kept values, the newest record of each, into values; the set of kept
// indices is read anew from the store and returned.
std::bitset<kFlashVrCount> LoadFlashVrs(float values[kFlashVrCount], int process);
bool IsFlashKeptVr(int index);

// Flash areas for the TABLE, beyond the runtime's first megabyte (FLASHVR
// with a negative argument):
// - the stored TABLE that the power-up reads back: a mark byte (0 while a
//   TABLE is stored) and the 256000 values from its byte 1 on, in sectors 16
//   to 31 (0x100000 to 0x1FFFFF);
// - 16 pages of one block of 16000 TABLE values each, a page a sector from
//   0x200000 (sectors 32 to 47): a mark word (0 while the page holds a
//   block) and the values from its byte 4 on.
// Values are little-endian float bits. The mark is programmed last, so a
// copy cut short is never taken for a stored one. Each erase and each
// programming step is tried up to 10 times; failing that sets error 14
// ("Error erasing Flash") or 3 ("Error programming Flash") on the process.
constexpr uint32_t kFlashTableOffset = 0x100000;
constexpr int kFlashTableSectors = 16;
constexpr uint32_t kTablePagesOffset = 0x200000;
constexpr int kTablePages = 16;
constexpr int kTableBlockEntries = 16000;

bool StoreTableInFlash(const float* values, int32_t count, int process);
bool EraseFlashTable(int process);
bool StoreTablePage(int page, const float values[kTableBlockEntries], int process);
// False with error 19 when the page holds no block.
bool LoadTablePage(int page, float values[kTableBlockEntries], int process);

// The current row (0 or 1), or -1 when neither header is complete.
int CurrentSettingsRow();

// Lets a test fail erase and program operations: the hook is asked before
// each one and the operation fails (the image unchanged) when it answers
// false.
enum class FlashOperation { Erase, Program };
using FlashFaultHook = std::function<bool(FlashOperation operation, uint32_t address, uint32_t length)>;
void SetFlashFaultHook(FlashFaultHook hook);

} // namespace qcrt
