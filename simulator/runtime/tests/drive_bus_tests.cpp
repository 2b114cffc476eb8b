// The drive-bus keywords: MECHATROLINK and INVERTER_ check their arguments
// against a bus where no station answers; SERCOS runs its ring procedures on
// the slots' register images, here with a scripted station answering on the
// ring where a test needs one.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/drive_buses.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

// ---------------------------------------------------------------- the scripted station

// What a station on slot 0 does with the service-channel block of entry 0
// once per servo period.
enum class Station { Silent, Answers, SlaveError, ProtocolError, StaysBusy, NeverMirrors };

struct StepSeen {
    uint32_t control;
    uint32_t attrA;
    uint32_t attrB;
    std::vector<uint32_t> data; // words 5 to 12
};

struct StationScript {
    Station behaviour = Station::Silent;
    std::vector<StepSeen> steps;
    uint16_t reply[2] = {0, 0};       // words 21 and 22 of an ordinary step
    int procedureState = 3;           // word 21 while a procedure is polled
    std::vector<uint16_t> list;       // the words of a list read
    bool answersRingTest = true;
} g_Script;

constexpr int kBlock = 291; // entry 0's service-channel block

uint32_t Word(int w)
{
    return RingRegister(0, kBlock + w);
}
void SetWord(int w, uint32_t value)
{
    SetRingRegister(0, kBlock + w, value & 0xFFFF);
}

void PlayStation(int slot)
{
    StationScript& s = g_Script;
    if (slot != 0 || s.behaviour == Station::Silent)
        return;
    const uint32_t control = Word(0);
    const uint32_t ack = Word(1);
    if (((control ^ ack) & 1) == 0 && (control & 0x80) != 0)
        return; // nothing new asked
    if ((control & 0x80) == 0) {
        // A new step: record it and answer.
        StepSeen seen{control & ~0x81u, Word(2), Word(3), {}};
        for (int w = 5; w <= 12; ++w)
            seen.data.push_back(Word(w));
        s.steps.push_back(seen);
        if (seen.control == 56 && seen.attrB == 4368) {
            SetWord(21, static_cast<uint32_t>(s.list.size()) << 1);
        } else if (seen.control == 56) {
            static size_t next = 0;
            if (s.steps.size() == 1 || s.steps[s.steps.size() - 2].attrB == 4368)
                next = 0;
            const size_t words = (seen.attrB - 3856) / 256;
            for (size_t n = 0; n < words && next < s.list.size(); ++n)
                SetWord(21 + static_cast<int>(n), s.list[next++]);
        } else if (seen.control == 78) {
            SetWord(21, static_cast<uint32_t>(s.procedureState));
        } else {
            SetWord(21, s.reply[0]);
            SetWord(22, s.reply[1]);
        }
        uint32_t answered = control | 0x80;
        if (s.behaviour == Station::SlaveError)
            answered |= 0x1000;
        if (s.behaviour == Station::ProtocolError)
            SetWord(4, 0x400);
        SetWord(0, answered);
    }
    if (s.behaviour == Station::StaysBusy)
        SetWord(1, Word(1) | 0x02);
    else if (s.behaviour != Station::NeverMirrors)
        SetWord(1, (Word(1) & ~1u) | (Word(0) & 1));
}

// The ring test writes word 0 = v and word 1 = not v and waits for them to
// agree; a station that answers mirrors word 0.
void PlayRingTestStation(int slot)
{
    if (slot == 0 && g_Script.answersRingTest)
        SetWord(1, (Word(1) & ~1u) | (Word(0) & 1));
}

struct CheckCase {
    const char* line;
    float result;
    int32_t error;
    int vr;           // a VR preset to 7 that the call must set to 0, -1 none
    const char* printed;
};

struct Outcome {
    float result;
    int32_t error;
    std::string printed;
};

class DriveBuses : public InterpreterEnvironment {
protected:
    DriveBuses()
    {
        g_Script = StationScript{};
        g_ServoRunning.store(true); // the waits count servo periods
        for (int axis = 0; axis < kAxisCount; ++axis)
            g_AxisRecords[axis].SetInt(kAxisType, 0);
    }
    ~DriveBuses() override
    {
        SetRingStationModel(nullptr);
        g_ServoRunning.store(false);
    }

    // A command line on process 0 and what it printed.
    Outcome Run(const std::string& line)
    {
        const LineOutcome outcome = RunLine(line);
        return {outcome.result, outcome.error, env.host.TakeWritten(0) + Printed()};
    }

    int32_t ErrorOf(const std::string& line) { return Run(line).error; }

    // Each call as a value: its error, what it printed, its value when it
    // succeeded, and the VR it must have set to 0.
    template <size_t N> void ExpectChecks(const CheckCase (&cases)[N])
    {
        for (const CheckCase& c : cases) {
            if (c.vr >= 0)
                SetVr(c.vr, 7.0f);
            const Outcome outcome = Run(std::string("VR(1000)=") + c.line);
            EXPECT_EQ(outcome.error, c.error) << c.line;
            EXPECT_EQ(outcome.printed, c.printed) << c.line;
            if (c.error == 0) {
                EXPECT_EQ(Vr(1000), c.result) << c.line;
            }
            if (c.vr >= 0) {
                EXPECT_EQ(Vr(c.vr), 0.0f) << c.line;
            }
        }
    }

    static float Vr(int n)
    {
        float v;
        std::memcpy(&v, g_MemoryBase + 780 + 4 * n, 4);
        return v;
    }
    static void SetVr(int n, float v) { std::memcpy(g_MemoryBase + 780 + 4 * n, &v, 4); }

    // Slot 0 initialised, with a station of address 5 on axis 2 at entry 0.
    void RingWithStation(int kind = 0)
    {
        ASSERT_EQ(ErrorOf("SERCOS(2,0)"), 0);
        ASSERT_EQ(ErrorOf("SERCOS(3,0,5,2," + std::to_string(kind) + ")"), 0);
    }
};

// ---------------------------------------------------------------- MECHATROLINK and INVERTER_

TEST_F(DriveBuses, MechatrolinkChecksItsArgumentsAndNoStationAnswers)
{
    const CheckCase cases[] = {
        {"MECHATROLINK(0,20,1)", 0.0f, 0, -1, ""}, // a station function: nobody answered
        {"MECHATROLINK(0,49,1,2,3)", 0.0f, 0, -1, ""},
        {"MECHATROLINK(0,20)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,11)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,33)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,16)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,34)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,10)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,3,-1)", -1.0f, 0, -1, "0\r\n"},
        {"MECHATROLINK(0,3,12)", -1.0f, 0, 12, ""},
        {"MECHATROLINK(0,3,1023)", -1.0f, 0, 1023, ""},
        {"MECHATROLINK(0,3,1024)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,3,-2)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,3)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,3,1,2)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"MECHATROLINK(0,4,0,13)", -1.0f, 0, 13, ""},
        {"MECHATROLINK(0,5,0,-1)", -1.0f, 0, -1, "0\r\n"},
        {"MECHATROLINK(0,5,0)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,4,0,1,2)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"MECHATROLINK(-1,0,0)", 0.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,0,1)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,0,1,2)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"MECHATROLINK(0,2)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,1)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,1,1,2,3,4,5,6,7)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,50,1,2,3)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,51,1,2,3)", -1.0f, kErrCommaExpected, -1, ""},
        {"MECHATROLINK(0,52,1,2,3,4,5)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"MECHATROLINK(0,53,1,2,1023)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,53,1,2,-1)", -1.0f, 0, -1, ""},
        {"MECHATROLINK(0,53,1,2,1024)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,6)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,9)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,54,1)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"MECHATROLINK(0,-1,1)", -1.0f, kErrParameterOutOfRange, -1, ""},
    };
    ExpectChecks(cases);
}

TEST_F(DriveBuses, InverterKeywordsCheckTheirArgumentsAndNoInverterAnswers)
{
    const CheckCase cases[] = {
        {"INVERTER_READ(0,0,1,0,1023)", -1.0f, 0, 1023, ""},
        {"INVERTER_READ(0,0,1,0,1024)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0,1,0,-1)", -1.0f, 0, -1, "0\r\n"},
        {"INVERTER_READ(0,0,1,0)", -1.0f, kErrCommaExpected, -1, ""},
        {"INVERTER_READ(0,0,0,0,2046,0)", -1.0f, 0, 0, ""},    // VR 0 + 2046 / 2 = 1023
        {"INVERTER_READ(0,0,0,0,2048,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0,0,0,-3,1023)", -1.0f, 0, 1023, ""}, // -3 / 2 shifts to -2
        {"INVERTER_READ(0,0,0,0,0,-1)", -1.0f, 0, -1, "0\r\n"},
        {"INVERTER_READ(0,0,0,0,0,-2)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0,0,0,0,1,1)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"INVERTER_READ(0,0,2,21)", -1.0f, 0, 21, ""},
        {"INVERTER_READ(0,0,3,22)", -1.0f, 0, 22, ""},
        {"INVERTER_READ(0,0,3,2000)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0,3,1,2)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"INVERTER_READ(0,0,4)", -1.0f, 0, -1, ""},
        {"INVERTER_READ(0,0,6,1,2,3,4,5,6)", -1.0f, 0, -1, ""},
        {"INVERTER_READ(0,0,5)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0,7)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_READ(0,0)", 0.0f, kErrCommaExpected, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,2,1022,0)", -1.0f, 0, -1, ""}, // 1022 + 2 / 2 = 1023
        {"INVERTER_WRITE(0,0,0,0,2,1023,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,3,0,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,-1,0,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,0,-1,0)", -1.0f, 0, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,0,-2,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,0,0,-1)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_WRITE(0,0,0,0,0,0)", -1.0f, kErrCommaExpected, -1, ""},
        {"INVERTER_WRITE(0,0,2,0)", -1.0f, 0, -1, ""},
        {"INVERTER_WRITE(0,0,3,0,0)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"INVERTER_WRITE(0,0,4)", -1.0f, 0, -1, ""},
        {"INVERTER_WRITE(0,0,1,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
        {"INVERTER_COMMAND(0,0,1,0)", -1.0f, 0, -1, ""},
        {"INVERTER_COMMAND(0,0,7,0)", -1.0f, 0, -1, ""},
        {"INVERTER_COMMAND(0,0,7)", -1.0f, kErrCommaExpected, -1, ""},
        {"INVERTER_COMMAND(0,0,1,0,0)", -1.0f, kErrCloseBracketExpected, -1, ""},
        {"INVERTER_COMMAND(0,0,2,0)", -1.0f, kErrParameterOutOfRange, -1, ""},
    };
    ExpectChecks(cases);
}

// ---------------------------------------------------------------- SERCOS checks

TEST_F(DriveBuses, SercosChecksItsArgumentsBeforeTouchingAnImage)
{
    ASSERT_EQ(ErrorOf("SERCOS(2,0)"), 0);
    std::vector<uint8_t> before(sizeof(RingImage) * kRingSlots);
    std::memcpy(before.data(), GetRingImage(0), before.size());
    const struct {
        const char* line;
        int32_t error;
    } cases[] = {
        {"SERCOS(2)", kErrCommaExpected},
        {"SERCOS(12,0)", kErrParameterOutOfRange},
        {"SERCOS(-1,0)", kErrParameterOutOfRange},
        {"SERCOS(0,24)", kErrParameterOutOfRange},
        {"SERCOS(0,4)", kErrParameterOutOfRange}, // a slot without a ring image
        {"SERCOS(2,23,3)", kErrParameterOutOfRange},
        {"SERCOS(9,23)", 0},                      // function 9 does nothing
        {"SERCOS(9,0,255)", kErrParameterOutOfRange},
        {"SERCOS(2,0,7)", kErrParameterOutOfRange},
        {"SERCOS(2,0,3,5)", kErrParameterOutOfRange},
        {"SERCOS(2,0,3,4,1)", kErrCloseBracketExpected},
        {"SERCOS(0,0,2,0)", kErrParameterOutOfRange},
        {"SERCOS(0,0,0,1024)", kErrParameterOutOfRange},
        {"SERCOS(0,0,0,1,0)", kErrCloseBracketExpected},
        {"SERCOS(1,0,0,1)", kErrCommaExpected},
        {"SERCOS(1,0,0,1,2,3)", kErrCloseBracketExpected},
        {"SERCOS(1,0,2,1,2)", kErrParameterOutOfRange},
        {"SERCOS(3,0,255,0)", kErrParameterOutOfRange},
        {"SERCOS(3,0,5)", kErrCommaExpected},
        {"SERCOS(3,0,5,0,5)", kErrParameterOutOfRange},
        {"SERCOS(3,0,5,0,1,1)", kErrCloseBracketExpected},
        {"SERCOS(4,0,5)", kErrCommaExpected},
        {"SERCOS(4,0,5,100,3)", kErrParameterOutOfRange},
        {"SERCOS(4,0,5,100,2,8)", kErrParameterOutOfRange},
        {"SERCOS(4,0,5,100,2,7,0,1)", kErrCloseBracketExpected},
        {"SERCOS(4,0,9,100)", kErrParameterOutOfRange}, // no station of that address
        {"SERCOS(5,0,9,100,2)", kErrCommaExpected},
        {"SERCOS(5,0,9,100,2,1)", kErrParameterOutOfRange},
        {"SERCOS(6,0,9,100,-1)", kErrParameterOutOfRange},
        {"SERCOS(7,0)", kErrCommaExpected},
        {"SERCOS(7,0,5,1)", kErrCloseBracketExpected},
        {"SERCOS(8,0,3)", kErrParameterOutOfRange},
        {"SERCOS(8,0,0,1)", kErrCloseBracketExpected},
        {"SERCOS(10,0,1)", kErrCloseBracketExpected},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
    EXPECT_EQ(std::memcmp(before.data(), GetRingImage(0), before.size()), 0) << "no check failure touched an image";
}

// ---------------------------------------------------------------- SERCOS ring

TEST_F(DriveBuses, RingInitialisationLeavesTheTelegramLayout)
{
    SetRingRegister(0, 500, 77);
    SetRingRegister(1, 0, 99);
    ASSERT_EQ(ErrorOf("SERCOS(2,0,3,4)"), 0);
    const struct {
        int reg;
        uint32_t value;
    } expected[] = {
        {0, 27},     {1, 29},       {2, 291},     {9, 557},    {10, 0},     {11, 6145},  {12, 100},
        {16, 50178}, {20, 20481},   {23, 27},     {24, 50178}, {26, 0},     {27, 0xC000}, {28, 1950},
        {29, 6145},  {30, 50},      {31, 4},      {32, 181},   {34, 50180}, {35, 0},    {48, 6146},
        {49, 100},   {53, 52228},   {162, 6152},  {168, 0},    {169, 0},    {180, 0},   {181, 21247},
        {182, 500},  {183, 4},      {184, 289},   {185, 50180}, {194, 52228}, {248, 64516},
        {289, 0xC000}, {290, 950},  {500, 0},     {1022, 0},
    };
    for (const auto& e : expected)
        EXPECT_EQ(RingRegister(0, e.reg), e.value) << "register " << e.reg;
    EXPECT_EQ(RingRegister(1, 0), 99) << "another slot's image is left alone";
    const RingRecord* record = GetRingRecord(0);
    EXPECT_EQ(record->stations, 0);
    EXPECT_EQ(record->lengthFactor, 4);
    EXPECT_EQ(record->control, 0);
    EXPECT_EQ(record->idleCommand, 27);
    EXPECT_EQ(RingAccessWord(0), 0u);

    EXPECT_EQ(Run("VR(1)=SERCOS(8,0,1)").error, 0);
    EXPECT_EQ(Vr(1), 16.0f) << "register 1 holds 29: bits 15 and 6 clear";
    Run("VR(1)=SERCOS(8,0,2)");
    EXPECT_EQ(Vr(1), 3.0f) << "291 has three of bits 0 to 6 set";
    Run("VR(1)=SERCOS(0,0,1,28)");
    EXPECT_EQ(Vr(1), 1950.0f);
    Run("VR(1)=SERCOS(10,0)");
    EXPECT_EQ(Vr(1), 1.0f);
}

TEST_F(DriveBuses, RegisterAccessAndTheInformationFunctions)
{
    ASSERT_EQ(ErrorOf("SERCOS(2,1)"), 0);
    const struct {
        const char* write;
        const char* read;
        float value;
    } cases[] = {
        {"SERCOS(1,1,0,1,$8040)", "SERCOS(8,1,1)", 2.0f},
        {"SERCOS(1,1,1,1,$8000)", "SERCOS(8,1,1)", 4.0f},
        {"SERCOS(1,1,0,1,$0040)", "SERCOS(8,1,1)", 8.0f},
        {"SERCOS(1,1,0,1,$FFBF)", "SERCOS(8,1,1)", 4.0f},
        {"SERCOS(1,1,1,2,$2000)", "SERCOS(10,1)", -1.0f},
        {"SERCOS(1,1,1,2,$1000)", "SERCOS(10,1)", -2.0f},
        {"SERCOS(1,1,1,2,$3000)", "SERCOS(10,1)", -1.0f},
        {"SERCOS(1,1,1,2,$FF)", "SERCOS(8,1,2)", 7.0f},
        {"SERCOS(1,1,0,700,$12345)", "SERCOS(0,1,0,700)", 0x2345},  // reads keep the low 16 bits
        {"SERCOS(1,1,1,1023,5)", "SERCOS(0,1,1,1023)", 5.0f},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(ErrorOf(c.write), 0) << c.write;
        EXPECT_EQ(Run(std::string("VR(1)=") + c.read).error, 0) << c.read;
        EXPECT_EQ(Vr(1), c.value) << c.write << " then " << c.read;
    }
    EXPECT_EQ(RingAccessWord(1), 0u) << "a locked access leaves the access word clear";
    EXPECT_EQ(RingRegister(0, 700), 0) << "slot 0 untouched";

    Run("SERCOS(11,1)");
    EXPECT_EQ(RingRegister(1, 511), 0);
    EXPECT_EQ(RingRegister(1, 512), 512);
    EXPECT_EQ(RingRegister(1, 1022), 1022);
    EXPECT_EQ(RingRegister(1, 1023), 5) << "the last register is left alone";
}

TEST_F(DriveBuses, StationAssignmentFillsTheListAndTheTelegrams)
{
    ASSERT_EQ(ErrorOf("SERCOS(2,0)"), 0);
    g_AxisRecords[3].SetInt(kAxisType, 16);
    EXPECT_EQ(ErrorOf("SERCOS(3,0,5,2)"), 0);
    EXPECT_EQ(RingRegister(0, 29), 6149) << "entry 0 takes the address into register 29";
    EXPECT_EQ(ErrorOf("SERCOS(3,0,5,4)"), kErrParameterOutOfRange) << "the same address again";
    EXPECT_EQ(ErrorOf("SERCOS(3,0,6,3,4)"), 0);
    const RingRecord* record = GetRingRecord(0);
    EXPECT_EQ(record->stations, 2);
    const RingStation& second = record->entries[1];
    EXPECT_EQ(second.inUse, 1);
    EXPECT_EQ(second.index, 1);
    EXPECT_EQ(second.address, 6);
    EXPECT_EQ(second.axis, 3);
    EXPECT_EQ(second.kind, 4);
    EXPECT_EQ(g_AxisRecords[3].GetInt(kAxisType), 0);
    EXPECT_EQ(g_AxisRecords[3].GetInt(kAxisRingStation), 1);
    EXPECT_EQ(g_AxisRecords[3].GetInt(kAxisRingRate), kRingRateWord);
    EXPECT_EQ(RingRegister(0, 51), 181) << "register 32 + 19 takes register 13 + 19";
    EXPECT_EQ(RingRegister(0, 32), 48);
    EXPECT_EQ(RingRegister(0, 48), 6150);
    EXPECT_EQ(RingRegister(0, 185), 50180 & 0x7FFF);
    EXPECT_EQ(RingRegister(0, 194) & 0x8000, 0x8000);
    EXPECT_EQ(RingRegister(0, 183), 8);

    EXPECT_EQ(Run("SERCOS(8,0,0)").printed, "5,2;6,3;\r\n");
    g_ProcessRecords[0].outputChannel = 8;
    Run("SERCOS(8,0,0)");
    EXPECT_EQ(DrainOutput(8), "5,2;6,3;") << "no line end on the command channel";
    g_ProcessRecords[0].outputChannel = 0;

    g_AxisRecords[7].SetInt(kAxisType, 44);
    EXPECT_EQ(ErrorOf("SERCOS(3,0,7,7)"), kErrRemoteAxisInUse);
    EXPECT_EQ(ErrorOf("SERCOS(3,0,7,24)"), kErrParameterOutOfRange);
    for (int address = 7; address <= 12; ++address)
        EXPECT_EQ(ErrorOf("SERCOS(3,0," + std::to_string(address) + ",4)"), 0) << address;
    EXPECT_EQ(ErrorOf("SERCOS(3,0,13,4)"), kErrParameterOutOfRange) << "a ninth station";
    EXPECT_EQ(record->stations, 8);

    EXPECT_EQ(ErrorOf("SERCOS(3,0,0,0)"), 0);
    EXPECT_EQ(record->stations, 0);
    EXPECT_EQ(Run("SERCOS(8,0,0)").printed, "\r\n");
    EXPECT_EQ(ErrorOf("SERCOS(3,0,1,0)"), 0);
    EXPECT_EQ(RingRegister(0, 29), 6149) << "address 1 leaves register 29 as it was";
}

TEST_F(DriveBuses, SercosPhaseReadsAndSetsThePhaseRegisters)
{
    ASSERT_EQ(ErrorOf("SERCOS(2,1)"), 0);
    const struct {
        int32_t phase;
        uint32_t reg12;
        uint32_t reg25;
    } steps[] = {
        {3, 100, 0},    // register 12 holds 100: bit 2 set already
        {1, 2403, 301}, // back below 3 with bit 2 set
        {2, 2403, 301},
        {4, 6503, 16},
        {3, 6503, 16},
        {7, 6503, 16}, // above 4 only register 10
        {0, 2403, 301},
    };
    for (const auto& s : steps) {
        ASSERT_EQ(ErrorOf("SERCOS_PHASE SLOT(1)=" + std::to_string(s.phase)), 0);
        EXPECT_EQ(RingRegister(1, 10), static_cast<uint32_t>(s.phase));
        EXPECT_EQ(RingRegister(1, 12), s.reg12) << "phase " << s.phase;
        EXPECT_EQ(RingRegister(1, 25), s.reg25) << "phase " << s.phase;
        Run("VR(1)=SERCOS_PHASE SLOT(1)");
        EXPECT_EQ(Vr(1), static_cast<float>(s.phase));
    }
    SetRingRegister(1, 10, 0x1234);
    Run("VR(1)=SERCOS_PHASE SLOT(1)");
    EXPECT_EQ(Vr(1), static_cast<float>(0x34)) << "the low 8 bits";
    EXPECT_EQ(RingRegister(0, 10), 0) << "slot 0 untouched";
}

// ---------------------------------------------------------------- service channel

TEST_F(DriveBuses, ATransferReportsTheStationsFaultAsResultAndError)
{
    RingWithStation();
    const struct {
        Station behaviour;
        float read;
        float write;
        int32_t error;
    } cases[] = {
        {Station::Answers, 1234.0f, 0.0f, 0},
        {Station::Silent, 0.0f, -1.0f, kErrMaster},
        {Station::StaysBusy, 0.0f, -1.0f, kErrNetworkTimeout},
        {Station::NeverMirrors, 0.0f, -1.0f, kErrNetworkTimeout},
        {Station::SlaveError, 0.0f, -1.0f, kErrSlave},
        {Station::ProtocolError, 0.0f, -1.0f, kErrNetworkProtocol},
    };
    SetRingStationModel(PlayStation);
    for (const auto& c : cases) {
        g_Script.behaviour = c.behaviour;
        g_Script.reply[0] = 1234;
        SetVr(1, 99.0f);
        const Outcome read = Run("VR(1)=SERCOS(4,0,5,100)");
        EXPECT_EQ(read.error, c.error) << static_cast<int>(c.behaviour);
        EXPECT_EQ(read.result, c.read) << static_cast<int>(c.behaviour);
        const Outcome write = Run("SERCOS(5,0,5,100,2,77)");
        EXPECT_EQ(write.error, c.error) << static_cast<int>(c.behaviour);
        EXPECT_EQ(write.result, c.write) << static_cast<int>(c.behaviour);
        SetWord(1, 0);
        SetWord(4, 0);
    }
}

TEST_F(DriveBuses, ReadsAndWritesSendTheirStepsThroughTheServiceChannel)
{
    RingWithStation(4);
    SetRingStationModel(PlayStation);
    g_Script.behaviour = Station::Answers;
    g_Script.reply[0] = 0x5678;
    g_Script.reply[1] = 0x0012;

    Outcome read = Run("SERCOS(4,0,5,100,4,3)");
    EXPECT_EQ(read.error, 0);
    EXPECT_EQ(read.result, static_cast<float>(0x125678));
    ASSERT_GE(g_Script.steps.size(), 2u);
    EXPECT_EQ(g_Script.steps[0].control, 78u);
    EXPECT_EQ(g_Script.steps[0].data[0], 100u) << "the select step carries the IDN";
    EXPECT_EQ(g_Script.steps[1].control, 3u * 8 + 0x40);
    EXPECT_EQ(g_Script.steps[1].attrB, 4368u);
    EXPECT_EQ(Word(0) & ~1u, 0xC6u) << "the closing step";
    EXPECT_EQ(Word(3), 4112u);

    g_Script.steps.clear();
    EXPECT_EQ(Run("SERCOS(5,0,5,200,4,-2)").error, 0);
    ASSERT_GE(g_Script.steps.size(), 2u);
    const StepSeen& write = g_Script.steps[1];
    EXPECT_EQ(write.control, 122u);
    EXPECT_EQ(write.attrA, 256u);
    EXPECT_EQ(write.data[0], 0xFFFEu);
    EXPECT_EQ(write.data[1], 0xFFFFu);

    // Three values to a station of kind 4: a header, then two to a value.
    g_Script.steps.clear();
    EXPECT_EQ(Run("VR(1)=SERCOS(5,0,5,300,6,1,2,3)").error, 0);
    EXPECT_EQ(Vr(1), 0.0f);
    ASSERT_GE(g_Script.steps.size(), 2u);
    const StepSeen& list = g_Script.steps[1];
    EXPECT_EQ(list.control, 122u);
    EXPECT_EQ(list.attrA, 256u * 4);
    const uint32_t header = 2 * 3 + 3 * 131072;
    const std::vector<uint32_t> data = {header & 0xFFFF, header >> 16, 1, 2, 3, 0};
    EXPECT_EQ(std::vector<uint32_t>(list.data.begin(), list.data.begin() + 6), data);
}

TEST_F(DriveBuses, AListReadPrintsItsWordsInBlocks)
{
    RingWithStation();
    SetRingStationModel(PlayStation);
    g_Script.behaviour = Station::Answers;
    for (uint16_t n = 1; n <= 19; ++n)
        g_Script.list.push_back(n);
    Outcome numbers = Run("SERCOS(4,0,5,100,6)");
    EXPECT_EQ(numbers.error, 0);
    EXPECT_EQ(numbers.printed, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19\r\n");

    g_Script.list = {0x6548, 0x6C6C, 0x216F}; // "Hello!" two characters a word
    EXPECT_EQ(Run("SERCOS(4,0,5,100,7)").printed, "Hello!\r\n");
    g_Script.list.clear();
    EXPECT_EQ(Run("SERCOS(4,0,5,100,6,7,-1)").error, kErrNetworkProtocol) << "a negative list length";
}

TEST_F(DriveBuses, AProcedureCommandWaitsForTheDrive)
{
    RingWithStation();
    SetRingStationModel(PlayStation);
    const struct {
        Station behaviour;
        int state;
        const char* line;
        float result;
        int32_t error;
    } cases[] = {
        {Station::Answers, 3, "SERCOS(6,0,5,99)", 1.0f, 0},
        {Station::Answers, 9, "SERCOS(6,0,5,99)", -1.0f, 0},
        {Station::Answers, 1, "SERCOS(6,0,5,99,5)", -2.0f, 0},
        {Station::Silent, 3, "SERCOS(6,0,5,99)", 0.0f, kErrMaster},
    };
    for (const auto& c : cases) {
        g_Script.behaviour = c.behaviour;
        g_Script.procedureState = c.state;
        g_Script.steps.clear();
        const Outcome outcome = Run(std::string("VR(1)=") + c.line);
        EXPECT_EQ(outcome.error, c.error) << c.line << " state " << c.state;
        EXPECT_EQ(outcome.result, c.result) << c.line << " state " << c.state;
    }
    EXPECT_TRUE(g_Script.steps.empty()) << "the silent station saw no step";
}

int g_PeriodsWhileStopping = 0;

// A station that never answers, and the runtime stopping under the waiter.
void StopTheRuntime(int)
{
    ++g_PeriodsWhileStopping;
    g_RuntimeStopping.store(true);
}

TEST_F(DriveBuses, AStoppingProcessLeavesTheRingWaitsAtOnce)
{
    RingWithStation();
    g_PeriodsWhileStopping = 0;
    SetRingStationModel(StopTheRuntime);
    const Outcome outcome = Run("SERCOS(6,0,5,99,10000)");
    g_RuntimeStopping.store(false);
    EXPECT_EQ(outcome.error, kErrMaster);
    EXPECT_EQ(outcome.result, 0.0f);
    EXPECT_LE(g_PeriodsWhileStopping, 2) << "no wait of 1000 periods after the stop";
}

TEST_F(DriveBuses, TheRingTestFindsAStationThatMirrorsTheToggle)
{
    RingWithStation();
    SetRingRegister(0, 11, 0x1234);
    SetRingRegister(0, 20, 0x5678);
    Outcome quiet = Run("VR(1)=SERCOS(7,0,9)");
    EXPECT_EQ(quiet.error, 0);
    EXPECT_EQ(Vr(1), -1.0f);
    SetRingStationModel(PlayRingTestStation);
    Run("VR(1)=SERCOS(7,0,9)");
    EXPECT_EQ(Vr(1), 1.0f);
    EXPECT_EQ(RingRegister(0, 11), 0x1234) << "registers 11 and 20 restored";
    EXPECT_EQ(RingRegister(0, 20), 0x5678);
}

TEST_F(DriveBuses, PreparingAStationAtPhaseTwoSetsItsAddressRegisters)
{
    RingWithStation();
    ASSERT_EQ(ErrorOf("SERCOS(3,0,8,4)"), 0);
    ASSERT_EQ(ErrorOf("SERCOS_PHASE=2"), 0);
    // No station answers: the preparation runs anyway.
    EXPECT_EQ(Run("SERCOS(4,0,8,100)").error, kErrMaster);
    EXPECT_EQ(RingRegister(0, 11), 8 + 0x1800);
    EXPECT_EQ(RingRegister(0, 20), 8 + 0x5000);
    EXPECT_EQ(RingRegister(0, 16) & 0x3800, 1u << 11);
    EXPECT_EQ(RingRegister(0, 24) & 0x3800, 1u << 11);
    EXPECT_EQ(GetRingRecord(0)->entries[1].prepared, 1);
    EXPECT_EQ(GetRingRecord(0)->entries[0].prepared, 0);
}

} // namespace
