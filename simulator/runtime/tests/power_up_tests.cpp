// Power-up defaults, the memory checksum and the power-up restore.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/vocabulary.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/tests/token_bytes.h"
#include "simulator/runtime/tokens.h"

using namespace qcrt;

namespace {

TEST(PowerUpDefaults, AxisRecords)
{
    SetAxisDefaults();
    struct Case {
        int axis;
        int word;
        bool isFloat;
        double expected;
        const char* what;
    };
    const Case cases[] = {
        {0, 5, true, 1000.0, "SPEED"},
        {0, 6, true, 10000.0, "ACCEL"},
        {0, 7, true, 10000.0, "DECEL"},
        {0, 12, true, 1.0, "UNITS"},
        {0, 13, false, 2000, "FE_LIMIT"},
        {0, 22, false, -1, "FWD_IN"},
        {0, 0, true, 1.0, "P_GAIN"},
        {0, 1, true, 0.0, "I_GAIN"},
        {0, 10, true, 0.0, "AFF_GAIN"},
        {3, 9, true, 100.0, "JOGSPEED"},
        {3, 16, true, 100.0, "CREEP"},
        {3, 11, true, 0.0, "FHSPEED"},
        {3, 14, false, 1000, "FE_RANGE"},
        {3, 18, false, 5000000, "REP_DIST"},
        {3, 26, false, 20000000, "FS_LIMIT"},
        {3, 27, false, -20000000, "RS_LIMIT"},
        {5, 15, false, 32767, "OUTLIMIT"},
        {5, 23, false, -1, "REV_IN"},
        {5, 24, false, -1, "DATUM_IN"},
        {5, 25, false, -1, "FHOLD_IN"},
        {5, 116, false, -1, "FWD_JOG"},
        {5, 117, false, -1, "REV_JOG"},
        {5, 118, false, -1, "FAST_JOG"},
        {5, 173, true, 1000.0, "FORCE_SPEED"},
        {5, 174, true, 1000.0, "ENDMOVE_SPEED"},
        {7, 175, true, 0.0001f, "reciprocal of ACCEL"},
        {7, 19, false, 1, "word 19"},
        {7, 44, false, 16389, "word 44"},
        {7, 48, false, 268, "word 48"},
        {7, 50, true, 0.125, "word 50"},
        {7, 54, false, 0x3FFFFFFF, "word 54"},
        {7, 95, false, 7, "axis number in word 95"},
        {7, 96, false, 1 << 7, "axis bit"},
        {23, 96, false, 1 << 23, "axis bit of axis 23"},
        {7, 129, false, 0xFFFF, "word 129"},
        {7, 131, false, -16, "word 131"},
        {7, 132, true, 1000000.0, "word 132"},
        {7, 200, false, -1, "word 200"},
        {7, 206, true, 0.001f, "word 206"},
        {7, 254, false, 7, "axis number"},
        {7, 30, false, 0, "axis type"},
    };
    for (const Case& c : cases) {
        const AxisRecord& a = g_AxisRecords[c.axis];
        if (c.isFloat) {
            EXPECT_FLOAT_EQ(a.GetFloat(c.word), static_cast<float>(c.expected)) << c.what;
        } else {
            EXPECT_EQ(a.GetInt(c.word), static_cast<int32_t>(c.expected)) << c.what;
        }
    }
}

TEST(PowerUpDefaults, UnitsScaleTheCountsAndSpeeds)
{
    SetAxisDefaults();
    g_AxisRecords[2].SetFloat(kAxisUnits, 10.5f);
    SetUnitsDefaults(2);
    EXPECT_FLOAT_EQ(g_AxisRecords[2].GetFloat(kAxisSpeed), 10500.0f);
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisFeLimit), 20000) << "integer counts take the truncated UNITS";
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisRsLimit), -200000000);
    EXPECT_FLOAT_EQ(g_AxisRecords[1].GetFloat(kAxisSpeed), 1000.0f) << "other axes keep theirs";
}

TEST(PowerUpDefaults, InitialiseKeepsTheAxisTypes)
{
    SetAxisDefaults();
    SetAxisType(2, 1);
    g_AxisRecords[2].SetFloat(kAxisUnits, 5.0f);
    g_AxisRecords[2].SetFloat(kAxisSpeed, 7.0f);
    g_AxisRecords[4].SetFloat(kAxisUnits, 3.0f);

    int position = 0;
    const uint8_t line[] = {25, kTokZero};
    Initialise(line, position, 2, 0);
    EXPECT_EQ(position, 1) << "INITIALISE steps over its token";
    EXPECT_FLOAT_EQ(g_AxisRecords[2].GetFloat(kAxisUnits), 1.0f);
    EXPECT_FLOAT_EQ(g_AxisRecords[2].GetFloat(kAxisSpeed), 1000.0f);
    EXPECT_FLOAT_EQ(g_AxisRecords[4].GetFloat(kAxisUnits), 1.0f);
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisType), 1);
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisServo), 1) << "the type was handed to SetAxisType";
    EXPECT_EQ(g_AxisRecords[4].GetInt(kAxisType), 0);
}

class SystemDefaults : public StoreEnvironment {};

TEST_F(SystemDefaults, ServoPeriodAndSettingFiveFromTheFlashStore)
{
    struct Case {
        int32_t servo; // -1: never written
        int32_t setting5;
        float period;
        int32_t expected5;
    };
    const Case cases[] = {
        {-1, -1, 0.001f, 32},       {750, 35, 0.001f, 35},  {500, 41, 0.0005f, 32},
        {250, 0x125, 0.00025f, 37}, {2000, 40, 0.002f, 40}, {1000, 31, 0.001f, 32},
    };
    for (const Case& c : cases) {
        std::fill(env.host.flash.begin(), env.host.flash.end(), 0xFF);
        if (c.servo >= 0) {
            ASSERT_TRUE(WriteSetting(c.servo, kSettingServoPeriod, 0));
        }
        if (c.setting5 >= 0) {
            ASSERT_TRUE(WriteSetting(c.setting5, 5, 0));
        }
        SetSystemDefaults();
        EXPECT_FLOAT_EQ(g_ServoPeriod, c.period) << c.servo;
        EXPECT_EQ(g_SystemValues.setting5, c.expected5) << c.setting5;
    }
    EXPECT_EQ(g_SystemValues.controllerType, 200);
    EXPECT_EQ(g_SystemValues.programAreaTop, 17440);
    EXPECT_EQ(SelectedProgram(), -1);
    EXPECT_TRUE(g_SystemValues.defaultsSet);
}

// The development environment identifies the controller by VERSION; the
// power-up gives it the system software's version and clears the other
// system words of the parameters.
TEST_F(SystemDefaults, VersionReadsTheSystemSoftwareVersionAndOtherWordsAreCleared)
{
    int32_t* version = SystemParameterWord(FindParameter("VERSION"));
    int32_t* watchdog = SystemParameterWord(FindParameter("WDOG"));
    ASSERT_TRUE(version && watchdog);
    *version = 0;
    *watchdog = 1;
    SetSystemDefaults();
    EXPECT_FLOAT_EQ(ReadParameter(FindParameter("VERSION"), 0), 1.65f);
    EXPECT_EQ(*watchdog, 0);
}

class Memory : public StoreEnvironment {
protected:
    int32_t ImageWord(uint32_t offset)
    {
        int at = static_cast<int>(offset);
        return Get32(g_MemoryBase, at);
    }
};

TEST_F(Memory, ResetMemoryThenCheckMemoryGivesOne)
{
    std::memset(g_MemoryBase, 0x5A, kDirectorySize + 8); // rubbish in the directory
    ResetMemory();
    EXPECT_EQ(CheckMemory(), 1);
    EXPECT_EQ(ImageWord(kProgramTopOffset), 17440);
    EXPECT_EQ(ImageWord(kMemoryChecksumOffset), 17440) << "an empty directory sums to the top alone";
    EXPECT_FALSE(g_MemoryLost);
}

TEST_F(Memory, ChangedDirectoryBytesOrAStrayTopAreFound)
{
    ASSERT_GE(MakeProgram("MAIN", {"a=1"}), 0);
    ASSERT_EQ(CheckMemory(), 1);

    g_MemoryBase[5 * 4] ^= 1; // the source end of program 0
    EXPECT_EQ(CheckMemory(), 0);
    EXPECT_TRUE(g_MemoryLost);
    g_MemoryBase[5 * 4] ^= 1;
    g_MemoryLost = false;
    EXPECT_EQ(CheckMemory(), 1);

    // A matching checksum does not make an impossible top plausible.
    int at = static_cast<int>(kProgramTopOffset);
    int32_t top = ImageWord(kProgramTopOffset);
    Put32(g_MemoryBase, at, 0x200000);
    at = static_cast<int>(kMemoryChecksumOffset);
    Put32(g_MemoryBase, at, ImageWord(kMemoryChecksumOffset) - top + 0x200000);
    EXPECT_EQ(CheckMemory(), 0);
}

TEST_F(Memory, RamPowerUpKeepsTheProgramsAndDropsTheirOldCode)
{
    int main = MakeProgram("MAIN", {"a=1", "PRINT a"});
    ASSERT_GE(main, 0);
    g_ProcessRecords[0].outputChannel = 8;
    ASSERT_TRUE(CompileProgram(main, 0));
    g_ProcessRecords[0].outputChannel = 0;
    IncrementRunCount(main);
    std::vector<std::vector<uint8_t>> lines = ProgramLines(main);

    RestoreMemory(0);
    EXPECT_EQ(Printed(), "RAM selected for power up\r\nFLASHSTICK allowed\r\n");
    EXPECT_EQ(ProgramLines(main), lines);
    EXPECT_FALSE(HasCode(main)) << "code from before the power-up is compiled again when needed";
    EXPECT_FALSE(IsRunning(main)) << "run counts are cleared";
    EXPECT_EQ(g_TableEntriesInUse, 256000);
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(Memory, ABlankImagePowersUpToAnEmptyValidStore)
{
    std::fill(env.host.batteryRam.begin(), env.host.batteryRam.end(), uint8_t{0});
    ASSERT_EQ(CheckMemory(), 0) << "a blank image has no valid directory yet";
    g_MemoryLost = false;

    RestoreMemory(0);
    EXPECT_EQ(Printed(), "RAM selected for power up\r\nFLASHSTICK allowed\r\n");
    EXPECT_EQ(CheckMemory(), 1);
    EXPECT_EQ(ProgramAreaEnd(), 17440);
    EXPECT_GE(CreateProgram("MAIN", 0), 0) << "error " << GetProcessError(0);
    EXPECT_TRUE(SelectProgram("MAIN", 0)) << "error " << GetProcessError(0);

    // An image that is not blank but broken is left for the memory check.
    ASSERT_GE(MakeProgram("OTHER", {"a=1"}), 0);
    int at = static_cast<int>(kMemoryChecksumOffset);
    Put32(g_MemoryBase, at, 12345);
    RestoreMemory(0);
    Printed();
    EXPECT_EQ(CheckMemory(), 0);
}

TEST_F(Memory, RestoreFromTheFlashCopy)
{
    ASSERT_GE(MakeProgram("FIRST", {"a=1", "b=a*2"}), 0);
    int second = MakeProgram("SECOND", {"PRINT \"hello\""});
    ASSERT_GE(second, 0);
    std::vector<std::vector<uint8_t>> lines = ProgramLines(second);

    // The flash copy: the directory, the top at 728, the program bytes from 1024.
    uint8_t* copy = env.host.flash.data() + 0x80000;
    int32_t top = ProgramAreaEnd();
    std::memcpy(copy, g_MemoryBase, kDirectorySize);
    int at = static_cast<int>(kDirectorySize);
    Put32(copy, at, top);
    std::memcpy(copy + 1024, g_MemoryBase + kProgramAreaStart, static_cast<size_t>(top) - kProgramAreaStart);

    ResetMemory();
    ASSERT_EQ(FindProgram("SECOND"), -1);
    ASSERT_TRUE(WriteSetting(1, kSettingPowerUp, 0));
    RestoreMemory(0);
    EXPECT_EQ(Printed(), "EPROM selected for power up\r\nFLASHSTICK allowed\r\n");
    EXPECT_EQ(FindProgram("FIRST"), 0);
    EXPECT_EQ(FindProgram("SECOND"), second);
    EXPECT_EQ(ProgramLines(second), lines);
    EXPECT_EQ(ProgramAreaEnd(), top);
    EXPECT_EQ(CheckMemory(), 1);
}

TEST_F(Memory, AFlashCopyWithoutAPlausibleTopEmptiesTheMemory)
{
    ASSERT_GE(MakeProgram("MAIN", {"a=1"}), 0);
    for (int32_t top : {0x100000, 0, 17000}) {
        uint8_t* copy = env.host.flash.data() + 0x80000;
        int at = static_cast<int>(kDirectorySize);
        Put32(copy, at, top);
        ASSERT_TRUE(WriteSetting(1, kSettingPowerUp, 0));
        RestoreMemory(0);
        EXPECT_EQ(Printed(), "EPROM selected for power up\r\n") << "the restore stops at the reset";
        EXPECT_EQ(FindProgram("MAIN"), -1) << top;
        EXPECT_EQ(ProgramAreaEnd(), 17440) << top;
        EXPECT_EQ(CheckMemory(), 1) << top;
        ASSERT_GE(MakeProgram("MAIN", {"a=1"}), 0);
    }
}

TEST_F(Memory, ALockedControllerRefusesChangesAfterPowerUp)
{
    ASSERT_GE(MakeProgram("MAIN", {"a=1"}), 0);
    ASSERT_TRUE(WriteSetting(0, kSettingUnlocked, 0));
    RestoreMemory(0);
    EXPECT_EQ(Printed(), "RAM selected for power up\r\nDirectory is LOCKED\r\n");
    EXPECT_EQ(CreateProgram("OTHER", 0), -1);
    EXPECT_EQ(GetProcessError(0), kErrDirectoryLocked);
    EXPECT_TRUE(SelectProgram("MAIN", 0)) << "selecting an existing program changes nothing";
}

} // namespace
