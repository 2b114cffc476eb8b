// The flash settings store on the host's flash image.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <bitset>
#include <map>
#include <memory>

#include "simulator/runtime/errors.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

constexpr uint32_t kRow0 = 0x60000;
constexpr uint32_t kRow1 = 0x70000;

uint32_t SlotAddress(uint32_t row, int n)
{
    return row + kSettingsHeaderSize + kSettingSlotSize * static_cast<uint32_t>(n);
}

// The settings that are plain values.
std::vector<int> PlainSettings()
{
    std::vector<int> settings;
    for (int n = 0; n < kSettingCount; ++n) {
        if (n != kSettingFlashVr && n != kSettingRawBlock)
            settings.push_back(n);
    }
    return settings;
}

// A record of the VR slot: the index in 16 bits, then the value's bits.
std::vector<uint8_t> VrRecord(int index, float value)
{
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    return {static_cast<uint8_t>(index),     static_cast<uint8_t>(index >> 8), static_cast<uint8_t>(bits),
            static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

class FlashStore : public testing::Test {
protected:
    int32_t Read(int n) { return ReadSetting(n, 0); }

    bool Write(int32_t value, int n)
    {
        g_ProcessRecords[0].errorNumber = 0;
        return WriteSetting(value, n, 0);
    }

    int32_t Error() const { return g_ProcessRecords[0].errorNumber; }

    std::vector<uint8_t> Bytes(uint32_t address, uint32_t length) const
    {
        return std::vector<uint8_t>(env.host.flash.begin() + address, env.host.flash.begin() + address + length);
    }

    bool Erased(uint32_t address, uint32_t length) const
    {
        return std::all_of(env.host.flash.begin() + address, env.host.flash.begin() + address + length,
                           [](uint8_t b) { return b == 0xFF; });
    }

    // Fails every erase and program operation after the first `allowed`.
    void KillAfter(int allowed)
    {
        auto count = std::make_shared<int>(0);
        SetFlashFaultHook([count, allowed](FlashOperation, uint32_t, uint32_t) { return (*count)++ < allowed; });
    }

    RuntimeEnvironment env;
};

TEST_F(FlashStore, FreshImageReadsMinusOneForEverySetting)
{
    for (int n = -1; n <= kSettingCount; ++n)
        EXPECT_EQ(Read(n), -1) << n;
    EXPECT_EQ(CurrentSettingsRow(), -1);
    EXPECT_TRUE(Erased(0, kFlashSize)) << "reading writes nothing";
}

TEST_F(FlashStore, FirstWriteFormatsTheStore)
{
    ASSERT_TRUE(Write(500, kSettingServoPeriod));
    EXPECT_EQ(CurrentSettingsRow(), 0);
    EXPECT_EQ(Read(kSettingServoPeriod), 500);
    for (int n : PlainSettings()) {
        if (n != kSettingServoPeriod) {
            EXPECT_EQ(Read(n), -1) << n;
        }
    }
    EXPECT_TRUE(Erased(kRow1, 0x10000));
}

TEST_F(FlashStore, EntriesAreUsedOnlyWhenTheValueNeedsOne)
{
    const uint32_t bitmap = SlotAddress(kRow0, 4);
    ASSERT_TRUE(Write(5, 4));
    std::vector<uint8_t> first = Bytes(bitmap, kSlotBitmapSize);
    ASSERT_TRUE(Write(5, 4));
    EXPECT_EQ(Bytes(bitmap, kSlotBitmapSize), first) << "the same value again";
    ASSERT_TRUE(Write(4, 4));
    EXPECT_EQ(Bytes(bitmap, kSlotBitmapSize), first) << "4 only clears bits of 5: written in place";
    EXPECT_EQ(Read(4), 4);
    ASSERT_TRUE(Write(7, 4));
    EXPECT_EQ(env.host.flash[bitmap], 0xFE) << "7 needs a new entry";
    EXPECT_EQ(Read(4), 7);
    ASSERT_TRUE(Write(-1, 4));
    EXPECT_EQ(Read(4), -1);
}

TEST_F(FlashStore, ThousandWritesCompactAndReadBack)
{
    for (int n : PlainSettings())
        ASSERT_TRUE(Write(100 + n, n));
    for (int32_t value = 1; value <= 1000; ++value)
        ASSERT_TRUE(Write(value, 3)) << value;
    EXPECT_EQ(CurrentSettingsRow(), 1);
    EXPECT_TRUE(Erased(kRow0, 0x10000)) << "the old row is erased after the move";
    EXPECT_EQ(Read(3), 1000);
    for (int n : PlainSettings()) {
        if (n != 3) {
            EXPECT_EQ(Read(n), 100 + n) << n;
        }
    }

    for (int32_t value = 1001; value <= 2000; ++value)
        ASSERT_TRUE(Write(value, 3)) << value;
    EXPECT_EQ(CurrentSettingsRow(), 0) << "and back to the first row";
    EXPECT_EQ(Read(3), 2000);
    EXPECT_EQ(Read(15), 115);
}

TEST_F(FlashStore, WriteKilledBetweenItsStepsKeepsTheOldValue)
{
    ASSERT_TRUE(Write(11, 8));
    const std::vector<uint8_t> before = env.host.flash;
    struct Case {
        int allowed;
        int32_t expected;
    };
    // 12 needs a new entry: the entry is programmed, then the old bit cleared.
    const Case cases[] = {{0, 11}, {1, 11}, {2, 12}};
    for (const Case& c : cases) {
        env.host.flash = before;
        KillAfter(c.allowed);
        bool stored = Write(12, 8);
        SetFlashFaultHook(nullptr);
        EXPECT_EQ(stored, c.expected == 12) << "killed after " << c.allowed;
        EXPECT_EQ(Error(), stored ? 0 : kErrValueCannotBeSet);
        EXPECT_EQ(Read(8), c.expected) << "killed after " << c.allowed;
    }
}

TEST_F(FlashStore, CompactionKilledAtAnyStepKeepsEverySetting)
{
    for (int n : PlainSettings())
        ASSERT_TRUE(Write(100 + n, n));
    // Fill slot 3 up to its last entry. Each rising value needs an entry of
    // its own (it sets a bit the previous one has clear), so the next write
    // moves the store.
    int32_t value = 999;
    for (int entry = 1; entry < kSlotEntries; ++entry)
        ASSERT_TRUE(Write(++value, 3));
    ASSERT_EQ(CurrentSettingsRow(), 0);
    // Entry 990 (bit 6 of bitmap byte 123) is current; the bits below it are
    // cleared.
    ASSERT_EQ(env.host.flash[SlotAddress(kRow0, 3) + 123], 0xC0);
    ASSERT_EQ(Read(3), value);
    const std::vector<uint8_t> full = env.host.flash;
    const int32_t oldValue = value;
    const int32_t newValue = value + 1;

    bool completed = false;
    for (int allowed = 0; allowed < 60 && !completed; ++allowed) {
        env.host.flash = full;
        KillAfter(allowed);
        completed = Write(newValue, 3);
        SetFlashFaultHook(nullptr);
        int32_t read = Read(3);
        EXPECT_TRUE(read == oldValue || read == newValue) << "killed after " << allowed << ": " << read;
        if (completed) {
            EXPECT_EQ(read, newValue);
        }
        for (int n : PlainSettings()) {
            if (n != 3) {
                EXPECT_EQ(Read(n), 100 + n) << "setting " << n << ", killed after " << allowed;
            }
        }
    }
    EXPECT_TRUE(completed);
}

TEST_F(FlashStore, CompactionCarriesTheVrRecordsAndTheRawBlock)
{
    ASSERT_TRUE(Write(1, 0));
    // Three VR records, the third superseding the first, a free record and a
    // stray one behind it (records end at the first free one), and a pattern
    // in the raw block.
    std::vector<uint8_t> records;
    for (const auto& [index, value] : std::vector<std::pair<int, float>>{{513, 1.0f}, {2, 2.0f}, {513, 3.0f}}) {
        std::vector<uint8_t> record = VrRecord(index, value);
        records.insert(records.end(), record.begin(), record.end());
    }
    records.insert(records.end(), 6, uint8_t{0xFF});
    std::vector<uint8_t> stray = VrRecord(9, 9.0f);
    records.insert(records.end(), stray.begin(), stray.end());
    std::copy(records.begin(), records.end(), env.host.flash.begin() + SlotAddress(kRow0, kSettingFlashVr));
    for (uint32_t n = 0; n < kSettingSlotSize; ++n)
        env.host.flash[SlotAddress(kRow0, kSettingRawBlock) + n] = static_cast<uint8_t>(n * 7);
    const std::vector<uint8_t> rawBlock = Bytes(SlotAddress(kRow0, kSettingRawBlock), kSettingSlotSize);

    for (int32_t value = 2; value <= 1000; ++value)
        ASSERT_TRUE(Write(value, 0));
    ASSERT_EQ(CurrentSettingsRow(), 1);

    // The newest record of each index, packed in index order.
    std::vector<uint8_t> packed = VrRecord(2, 2.0f);
    std::vector<uint8_t> second = VrRecord(513, 3.0f);
    packed.insert(packed.end(), second.begin(), second.end());
    EXPECT_EQ(Bytes(SlotAddress(kRow1, kSettingFlashVr), 12), packed);
    EXPECT_TRUE(Erased(SlotAddress(kRow1, kSettingFlashVr) + 12, 6));
    EXPECT_EQ(Bytes(SlotAddress(kRow1, kSettingRawBlock), kSettingSlotSize), rawBlock);
    EXPECT_EQ(Read(kSettingFlashVr), -1) << "slot 6 is no setting";
}

class FlashVr : public FlashStore {
protected:
    bool Keep(int index, float value)
    {
        g_ProcessRecords[0].errorNumber = 0;
        return WriteFlashVr(index, value, 0);
    }

    // The kept values as a power-up reads them back.
    std::map<int, float> Loaded()
    {
        float values[kFlashVrCount];
        const std::bitset<kFlashVrCount> kept = LoadFlashVrs(values, 0);
        std::map<int, float> loaded;
        for (int n = 0; n < kFlashVrCount; ++n) {
            if (kept.test(static_cast<size_t>(n)))
                loaded[n] = values[n];
        }
        return loaded;
    }
};

TEST_F(FlashVr, RecordsAreReadBackAndTheNewestWins)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, float>> writes;
        std::map<int, float> loaded;
        int records; // records used in the slot
    };
    const Case cases[] = {
        {"one value", {{0, 1.5f}}, {{0, 1.5f}}, 1},
        {"indices a byte cannot name",
         {{255, 2.0f}, {256, 3.0f}, {1023, -4.0f}},
         {{255, 2.0f}, {256, 3.0f}, {1023, -4.0f}},
         3},
        {"a later record supersedes", {{7, 1.0f}, {8, 2.0f}, {7, 3.0f}}, {{7, 3.0f}, {8, 2.0f}}, 3},
        {"the same value again takes no record", {{7, 1.0f}, {7, 1.0f}}, {{7, 1.0f}}, 1},
    };
    for (const Case& c : cases) {
        std::fill(env.host.flash.begin(), env.host.flash.end(), uint8_t{0xFF});
        for (const auto& [index, value] : c.writes)
            ASSERT_TRUE(Keep(index, value)) << c.what;
        EXPECT_EQ(Loaded(), c.loaded) << c.what;
        const uint32_t slot = SlotAddress(kRow0, kSettingFlashVr);
        EXPECT_EQ(Bytes(slot + 6 * (c.records - 1), 6), VrRecord(c.writes.back().first, c.writes.back().second))
            << c.what;
        EXPECT_TRUE(Erased(slot + 6 * c.records, 6)) << c.what;
        for (const auto& [index, value] : c.loaded)
            EXPECT_TRUE(IsFlashKeptVr(index)) << c.what << " " << index;
    }
    EXPECT_FALSE(Keep(1024, 1.0f));
    EXPECT_EQ(Error(), kErrParameterOutOfRange);
    EXPECT_FALSE(Keep(-1, 1.0f));
    EXPECT_EQ(g_ProcessRecords[0].resources[8], 0u) << "the flash resource is released";
}

TEST_F(FlashVr, AFullSlotCompactsToTheNewestRecordOfEachIndex)
{
    ASSERT_TRUE(Write(42, kSettingServoPeriod));
    // 682 records fill the slot: 600 indices, the first 82 written twice.
    std::map<int, float> expected;
    for (int n = 0; n < 600; ++n)
        ASSERT_TRUE(Keep(n, static_cast<float>(n)));
    for (int n = 0; n < 82; ++n)
        ASSERT_TRUE(Keep(n, static_cast<float>(-n - 1)));
    ASSERT_FALSE(Erased(SlotAddress(kRow0, kSettingFlashVr) + 6 * 681, 6)) << "the slot is full";
    ASSERT_EQ(CurrentSettingsRow(), 0);

    ASSERT_TRUE(Keep(1000, 0.25f)) << "moves the store";
    EXPECT_EQ(CurrentSettingsRow(), 1);
    for (int n = 0; n < 600; ++n)
        expected[n] = n < 82 ? static_cast<float>(-n - 1) : static_cast<float>(n);
    expected[1000] = 0.25f;
    EXPECT_EQ(Loaded(), expected);
    EXPECT_TRUE(Erased(SlotAddress(kRow1, kSettingFlashVr) + 6 * 601, 6)) << "one record per index";
    EXPECT_EQ(Read(kSettingServoPeriod), 42) << "the settings move with it";

    // A settings compaction carries the records in the same way.
    for (int32_t value = 1; value <= 1000; ++value)
        ASSERT_TRUE(Write(value, 3));
    EXPECT_EQ(CurrentSettingsRow(), 0);
    EXPECT_EQ(Loaded(), expected);
}

TEST_F(FlashVr, MoreKeptValuesThanTheSlotHoldsAreRefusedUntouched)
{
    for (int n = 0; n < 682; ++n)
        ASSERT_TRUE(Keep(n, 1.0f)) << n;
    const std::vector<uint8_t> full = env.host.flash;
    EXPECT_FALSE(Keep(682, 1.0f));
    EXPECT_EQ(Error(), kErrValueCannotBeSet);
    EXPECT_EQ(env.host.flash, full) << "nothing erased or programmed";
    EXPECT_FALSE(IsFlashKeptVr(682));
    EXPECT_TRUE(Keep(5, 2.0f)) << "a kept index still takes a new value after compaction";
    EXPECT_EQ(Loaded().at(5), 2.0f);
    EXPECT_EQ(Loaded().size(), 682u);
}

TEST_F(FlashStore, FailuresSetTheirErrors)
{
    SetFlashFaultHook([](FlashOperation op, uint32_t, uint32_t) { return op != FlashOperation::Erase; });
    EXPECT_FALSE(Write(3, 0));
    EXPECT_EQ(Error(), kErrErasingFlash);
    SetFlashFaultHook(nullptr);

    ASSERT_TRUE(Write(3, 0));
    SetFlashFaultHook([](FlashOperation op, uint32_t, uint32_t) { return op != FlashOperation::Program; });
    EXPECT_FALSE(Write(4, 0));
    EXPECT_EQ(Error(), kErrValueCannotBeSet);
    SetFlashFaultHook(nullptr);
    EXPECT_EQ(Read(0), 3);

    EXPECT_FALSE(Write(1, kSettingFlashVr));
    EXPECT_EQ(Error(), kErrParameterOutOfRange);
    EXPECT_FALSE(Write(1, 16));
    EXPECT_EQ(Error(), kErrParameterOutOfRange);
    EXPECT_EQ(g_ProcessRecords[0].resources[8], 0u) << "the flash resource is released";
}

TEST_F(FlashStore, NoFlashImage)
{
    env.host.flash.clear();
    EXPECT_EQ(Read(0), -1);
    EXPECT_FALSE(Write(1, 0));
    EXPECT_EQ(Error(), kErrValueCannotBeSet);
    EXPECT_FALSE(EraseSector(0));
    uint8_t b = 0;
    EXPECT_FALSE(ProgramFlash(&b, 0, 1));
}

TEST_F(FlashStore, DeviceOperations)
{
    ASSERT_TRUE(InitFlashDevice());
    EXPECT_EQ(g_FlashDevice.size, kFlashSize);
    EXPECT_EQ(g_FlashDevice.sectorSize, kFlashSectorSize);
    const uint8_t bytes[] = {1, 2, 3};
    EXPECT_TRUE(ProgramFlash(bytes, 0x10FFFE, 2));
    EXPECT_EQ(env.host.flash[0x10FFFF], 2);
    EXPECT_FALSE(ProgramFlash(bytes, kFlashSize - 2, 3)) << "past the end of the device";
    EXPECT_TRUE(EraseSector(0x10));
    EXPECT_TRUE(Erased(0x100000, 0x10000));
    EXPECT_FALSE(EraseSector(64));
    EXPECT_FALSE(EraseSector(-1));
}

} // namespace
