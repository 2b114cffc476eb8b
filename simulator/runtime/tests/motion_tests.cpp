// The BASE list, the motion keywords and the motion generator, on virtual
// servo periods: programs load moves on the test thread, and the tests run
// the generator period by period with ServoPeriod().
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/motion_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/vocabulary.h"

using namespace qcrt;

namespace {

class Motion : public StoreEnvironment {
protected:
    Motion()
    {
        InstallInterpreter();
        SetAxisDefaults();
        SetSystemDefaults();
        ResetParameterValues();
        ResetMotion();
        g_HighestAxisInUse = 0;
        SetTableEntriesInUse(kTableEntries);
        std::memset(g_MemoryBase + 780, 0, 4096);
        // Every input off (an input is on while its bit is 0); the moves run.
        PublishInputs(0xFFFFFFFF);
        g_InputWord = 0xFFFFFFFF;
        g_MotionEnabled.store(1);
        RunServices();
        env.host.TakeWritten(0);
    }
    ~Motion() override
    {
        SetParameterReader(nullptr);
        SetMotionPass(nullptr);
        g_ServoRunning.store(false);
        g_MotionEnabled.store(0);
    }

    // Runs a program on process 1 to its end. With servo periods on, its
    // waits run the generator on virtual time; without them its moves are
    // only handed over (so it may hand over one move only).
    std::string Run(const std::vector<std::string>& lines, bool servo = false, int maxTurns = 200000)
    {
        if (FindProgram("MOTION") >= 0)
            DeleteProgram("MOTION", 0);
        int program = MakeProgram("MOTION", lines);
        EXPECT_GE(program, 0);
        g_ProcessRecords[0].outputChannel = 8;
        EXPECT_TRUE(CompileProgram(program, 0)) << GetProcessError(0);
        g_ProcessRecords[0].outputChannel = 0;
        EXPECT_TRUE(AssignProgramToProcess(program, 1, kStateRunning));
        g_ServoRunning.store(servo);
        {
            InlineProcess inlineProcess(1);
            for (int n = 0; n < maxTurns && ProcessTurn(1); ++n) {
            }
        }
        g_ServoRunning.store(false);
        for (int n = 0; n < 50; ++n)
            RunServices();
        std::string written = env.host.TakeWritten(0);
        EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped) << written;
        return written;
    }

    // The error a one-line program stops with.
    int32_t ErrorOf(const std::string& line)
    {
        ResetMemory();
        if (FindProgram("MOTION") >= 0)
            DeleteProgram("MOTION", 0);
        int program = MakeProgram("MOTION", {line});
        g_ProcessRecords[0].outputChannel = 8;
        EXPECT_TRUE(CompileProgram(program, 0)) << line;
        g_ProcessRecords[0].outputChannel = 0;
        EXPECT_TRUE(AssignProgramToProcess(program, 1, kStateRunning));
        InlineProcess inlineProcess(1);
        for (int n = 0; n < 1000 && ProcessTurn(1); ++n) {
        }
        Printed();
        return g_ProcessRecords[1].lastError;
    }

    // Runs a command line on process 0; returns what it printed.
    std::string CommandLine(const std::string& line)
    {
        std::vector<uint8_t> tokens = TokenLine(line);
        std::vector<uint8_t> code(512);
        int length = 0;
        EXPECT_TRUE(CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(),
                                       static_cast<int>(code.size()), length, 0))
            << line;
        ProcessRecord& r = g_ProcessRecords[0];
        int position = 0;
        g_ServoRunning.store(true); // CANCEL and RAPIDSTOP wait for servo periods
        {
            InlineProcess inlineProcess(0);
            while (position < length && code[static_cast<size_t>(position)] != kTokZero && r.errorNumber == 0) {
                r.statementAxis = 0;
                r.modifierProcess = 0;
                ExecuteStatement(code.data(), position, length, 0);
                if (position < length && code[static_cast<size_t>(position)] == kTokColon)
                    ++position;
            }
        }
        g_ServoRunning.store(false);
        return Printed();
    }

    static void Periods(int n)
    {
        for (int k = 0; k < n; ++k)
            ServoPeriod();
    }

    // Runs periods until the axis is idle with nothing waiting; false when it
    // does not get there.
    static bool RunUntilIdle(int axis, int most = 100000)
    {
        for (int n = 0; n < most; ++n) {
            ServoPeriod();
            const AxisRecord& a = g_AxisRecords[axis];
            if (a.GetInt(kAxisMtype) == kMoveIdle && a.GetInt(kAxisNtype) == kMoveIdle && g_PendingMoves.load() == 0 &&
                a.GetInt(kAxisFollowerPosition) == a.GetInt(kAxisDpos))
                return true;
        }
        return false;
    }

    static int32_t Dpos(int axis) { return g_AxisRecords[axis].GetInt(kAxisDpos); }
    static int32_t Mpos(int axis) { return g_AxisRecords[axis].GetInt(kAxisMpos); }
    static int32_t Status(int axis) { return g_AxisRecords[axis].GetInt(kAxisStatus); }
    static int32_t Mtype(int axis) { return g_AxisRecords[axis].GetInt(kAxisMtype); }
    static float VpSpeed(int axis) { return g_AxisRecords[axis].GetFloat(kAxisVpSpeed); }

    static int32_t EntryInt(int process, int axis, int word)
    {
        return static_cast<int32_t>(g_MoveEntries[process][axis].words[word]);
    }
    static float EntryFloat(int process, int axis, int word)
    {
        return std::bit_cast<float>(g_MoveEntries[process][axis].words[word]);
    }

    static float Vr(int n)
    {
        int32_t bits;
        std::memcpy(&bits, g_MemoryBase + 780 + 4 * n, 4);
        return std::bit_cast<float>(bits);
    }

    static void ServoAxis(int axis)
    {
        SetAxisType(axis, 2);
        g_AxisRecords[axis].SetInt(kAxisServo, 1);
    }
};

TEST_F(Motion, BaseListsAndTheirErrors)
{
    struct Case {
        const char* line;
        int32_t error;
        std::vector<int32_t> front; // the list's first entries
    };
    const Case cases[] = {
        {"BASE(2,0)", kErrProgramStopped, {2, 0, 1, 3, 4, 5}},
        {"BASE(5)", kErrProgramStopped, {5, 6, 7}},
        {"BASE(23)", kErrProgramStopped, {23, 0, 1}},
        {"BASE(3,3)", kErrDuplicateAxes, {0, 1, 2}},
        {"BASE(24)", kErrParameterOutOfRange, {0, 1, 2}},
        {"BASE(-1)", kErrParameterOutOfRange, {0, 1, 2}},
        {"BASE", kErrCommandLineOnly, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        for (int n = 0; n < kBaseListSize; ++n)
            g_ProcessRecords[1].baseList[n] = n;
        // The program start sets the list to 0..23; a second statement keeps
        // the process running so that its list can be read.
        EXPECT_EQ(ErrorOf(std::string(c.line) + ":VR(0)=BASE"), c.error) << c.line;
        if (c.error == kErrProgramStopped) {
            for (size_t n = 0; n < c.front.size(); ++n)
                EXPECT_EQ(g_ProcessRecords[1].baseList[n], c.front[n]) << c.line << " entry " << n;
            EXPECT_FLOAT_EQ(Vr(0), static_cast<float>(c.front[0])) << "BASE in an expression: " << c.line;
            bool seen[kAxisCount] = {};
            for (int32_t axis : g_ProcessRecords[1].baseList)
                seen[axis] = true;
            for (bool s : seen)
                EXPECT_TRUE(s) << c.line << ": every axis once";
        }
    }
    // BASE(a..w) with all 24 axes fills nothing.
    ErrorOf("BASE(23,22,21,20,19,18,17,16,15,14,13,12,11,10,9,8,7,6,5,4,3,2,1,0)");
    EXPECT_EQ(g_ProcessRecords[1].baseList[0], 23);
    EXPECT_EQ(g_ProcessRecords[1].baseList[23], 0);
}

TEST_F(Motion, BaseAloneListsTheCommandLinesList)
{
    EXPECT_EQ(CommandLine("BASE(1)"), "");
    EXPECT_EQ(CommandLine("BASE"), "(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,0)\r\n");
    EXPECT_EQ(GetProcessError(0), 0);
    // PROC(n) lists another process's list.
    g_ProcessRecords[4].baseList[0] = 7;
    g_ProcessRecords[4].baseList[7] = 0;
    EXPECT_EQ(CommandLine("BASE PROC(4)"), "(7,1,2,3,4,5,6,0,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23)\r\n");
}

TEST_F(Motion, AxisCommandsStoreInCounts)
{
    struct Case {
        const char* line;
        int32_t error;
        float accel, decel, speed; // stored, in counts
    };
    const Case cases[] = {
        {"UNITS=10:ACC(100)", kErrProgramStopped, 1000.0f, 1000.0f, 1000.0f},
        {"UNITS=10:DEC(50)", kErrProgramStopped, 10000.0f, 500.0f, 1000.0f},
        {"DEC(-1)", kErrParameterOutOfRange, 10000.0f, 10000.0f, 1000.0f},
        {"SP(-1)", kErrParameterOutOfRange, 10000.0f, 10000.0f, 1000.0f},
        {"SP(0)", kErrProgramStopped, 10000.0f, 10000.0f, 0.0f},
        {"ACC(-0.5)", kErrParameterOutOfRange, 10000.0f, 10000.0f, 1000.0f},
        {"ACC(0)", kErrProgramStopped, 0.0f, 0.0f, 1000.0f},
    };
    for (const Case& c : cases) {
        SetAxisDefaults();
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
        const AxisRecord& a = g_AxisRecords[0];
        EXPECT_FLOAT_EQ(a.GetFloat(kAxisAccel), c.accel) << c.line;
        EXPECT_FLOAT_EQ(a.GetFloat(kAxisDecel), c.decel) << c.line;
        EXPECT_FLOAT_EQ(a.GetFloat(kAxisSpeed), c.speed) << c.line;
        float decel = a.GetFloat(kAxisDecel);
        EXPECT_FLOAT_EQ(a.GetFloat(kAxisReciprocalDecelWord), decel != 0.0f ? 1.0f / decel : 0.0f) << c.line;
    }
    SetAxisDefaults();
    Run({"UNITS=10", "ACC(100)", "VR(0)=ACCEL", "VR(1)=DECEL"});
    EXPECT_FLOAT_EQ(Vr(0), 100.0f) << "?ACCEL reads the rate in units";
    EXPECT_FLOAT_EQ(Vr(1), 100.0f);

    // ADDAX and ADD_DAC link to another axis; -1 removes the link.
    EXPECT_EQ(ErrorOf("ADDAX(0)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("ADDAX(24)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("ADD_DAC(-2)"), kErrParameterOutOfRange);
    ErrorOf("ADDAX(3):ADD_DAC(2) AXIS(1)");
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisAddax), 4);
    EXPECT_EQ(g_AxisRecords[1].GetInt(kAxisAddDac), 3);
    ErrorOf("ADDAX(-1)");
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisAddax), 0);
}

TEST_F(Motion, MovesFillTheirEntriesAndWaitForTheGenerator)
{
    // Without servo periods the moves stay handed over.
    Run({"BASE(1,0)", "MOVEABS(10,20)"});
    EXPECT_EQ(EntryInt(1, 1, kEntryType), kMoveAbsolute);
    EXPECT_EQ(EntryInt(1, 1, kEntryDistance), 10);
    EXPECT_EQ(EntryInt(1, 0, kEntryDistance), 20);
    EXPECT_EQ(EntryInt(1, 0, kEntryMaster), 2) << "the statement's axis, 1, is the master";
    EXPECT_EQ(g_SubmittedAxes[1], 3u);
    EXPECT_EQ(g_PendingMoves.load(), 2u);

    ResetMotion();
    Run({"MOVE(3,4)", "VR(0)=PMOVE"});
    EXPECT_EQ(EntryInt(1, 0, kEntryLength), 5);
    EXPECT_EQ(EntryInt(1, 1, kEntryLength), 5);
    EXPECT_EQ(EntryInt(1, 0, kEntryDistance), 3);
    EXPECT_EQ(EntryInt(1, 1, kEntryDistance), 4);
    EXPECT_FLOAT_EQ(EntryFloat(1, 0, kEntryFactor), 0.6f);
    EXPECT_FLOAT_EQ(Vr(0), -1.0f) << "PMOVE while the move waits";

    // Negative targets round away from zero by 0.1; UNITS scales.
    ResetMotion();
    Run({"UNITS=10", "MOVE(-2.995)", "VR(0)=PMOVE PROC(2)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryDistance), -30);
    EXPECT_FLOAT_EQ(Vr(0), 0.0f) << "PMOVE of a process with nothing pending";

    EXPECT_EQ(ErrorOf("CANCEL(2)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("CANCEL(-1)"), kErrParameterOutOfRange);

    // A second move waits until the first is taken; the generator then runs
    // both.
    ResetMotion();
    SetAxisDefaults();
    Run({"MOVE(10)", "VR(0)=PMOVE", "MOVE(20)", "VR(1)=NTYPE", "WAIT IDLE", "VR(2)=DPOS"}, true);
    EXPECT_FLOAT_EQ(Vr(0), -1.0f);
    EXPECT_FLOAT_EQ(Vr(2), 30.0f);
}

TEST_F(Motion, MoveReachesItsEndWithAMonotoneFollower)
{
    ServoAxis(0);
    Run({"MOVE(100)"});
    int32_t lastM = Mpos(0), lastD = Dpos(0);
    float topSpeed = 0.0f;
    int periods = 0;
    for (; periods < 5000; ++periods) {
        ServoPeriod();
        ASSERT_GE(Mpos(0), lastM) << "period " << periods;
        ASSERT_GE(Dpos(0), lastD) << "period " << periods;
        ASSERT_LE(Mpos(0), 100) << "period " << periods;
        ASSERT_LE(Dpos(0), 100) << "period " << periods;
        ASSERT_LE(Mpos(0), Dpos(0)) << "the servo never passes its demand";
        topSpeed = std::max(topSpeed, VpSpeed(0));
        lastM = Mpos(0);
        lastD = Dpos(0);
        if (Mtype(0) == kMoveIdle && Mpos(0) == 100)
            break;
    }
    EXPECT_EQ(Dpos(0), 100);
    EXPECT_EQ(Mpos(0), 100);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisEndMove), 100);
    EXPECT_LE(topSpeed, 1000.0f);
    // 100 counts at 1000 counts/s with ramps of 10000 counts/s^2: a little
    // over 0.1 s of demand.
    EXPECT_GT(periods, 100);
    EXPECT_LT(periods, 400);
    Periods(50);
    EXPECT_EQ(Mpos(0), 100) << "and it stays there";
    EXPECT_EQ(g_AxisRecords[0].GetFloat(kAxisFollowerSpeed), 0.0f);
}

TEST_F(Motion, MovesOfSeveralSizesEndExactly)
{
    // Long, short, negative, and with an S-ramp and large accelerations.
    struct Case {
        const char* setup;
        float distance;
        int32_t end;
    };
    const Case cases[] = {
        {"SPEED=1000", 5000.0f, 5000}, {"SPEED=1000", 1.0f, 1},        {"SPEED=1000", -250.0f, -250},
        {"SRAMP=5", 300.0f, 300},      {"ACCEL=1000000", 77.0f, 77},   {"DECEL=100000000", 33.0f, 33},
        {"UNITS=7.5", 3.0f, 22},       {"ACCEL=0:DECEL=0", 40.0f, 40}, {"SPEED=50000", 40000.0f, 40000},
    };
    for (const Case& c : cases) {
        SetAxisDefaults();
        ResetMotion();
        ServoAxis(0);
        Run({c.setup, "MOVE(" + std::to_string(c.distance) + ")"});
        ASSERT_TRUE(RunUntilIdle(0)) << c.setup;
        EXPECT_EQ(Dpos(0), c.end) << c.setup;
        EXPECT_EQ(Mpos(0), c.end) << c.setup;
    }
}

TEST_F(Motion, ForwardThenCancelStopsWithTheDeceleration)
{
    Run({"ACCEL=4000", "DECEL=2000", "FORWARD"});
    Periods(500); // at speed after 0.25 s
    EXPECT_EQ(Mtype(0), kMoveForward);
    EXPECT_FLOAT_EQ(VpSpeed(0), 1000.0f);
    int32_t before = Dpos(0);
    EXPECT_NEAR(before, 375, 3) << "0.25 s ramp (125 counts) and 0.25 s at speed";
    // CANCEL from a program on the command line's process.
    CommandLine("CANCEL");
    // The cancel waited two periods; the speed falls by DECEL per period.
    int periods = 2;
    float last = VpSpeed(0);
    while (Mtype(0) != kMoveIdle && periods < 2000) {
        ServoPeriod();
        ++periods;
        EXPECT_LE(VpSpeed(0), last);
        EXPECT_NEAR(last - VpSpeed(0), 2.0f, 0.01f) << "period " << periods;
        last = VpSpeed(0);
    }
    EXPECT_NEAR(periods, 500, 3) << "1000 counts/s down at 2000 counts/s^2";
    // v^2 / (2 decel) = 250 counts of braking.
    EXPECT_NEAR(Dpos(0) - before, 250, 3);
    EXPECT_EQ(Status(0) & kStatusCancel, 0) << "the cancel is over";
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisEndMove), Dpos(0));
    int32_t stopped = Dpos(0);
    Periods(10);
    EXPECT_EQ(Dpos(0), stopped);
}

TEST_F(Motion, RapidStopStopsEveryAxisAndDropsTheMovesBehind)
{
    Run({"FORWARD", "REVERSE AXIS(3)", "FORWARD AXIS(7)"}, true);
    Periods(200);
    for (int axis : {0, 3, 7})
        EXPECT_NE(Mtype(axis), kMoveIdle) << axis;
    Run({"MOVE(1000) AXIS(3)"}); // waits behind the REVERSE
    Periods(2);
    EXPECT_EQ(g_AxisRecords[3].GetInt(kAxisNtype), kMoveLinear);
    CommandLine("RAPIDSTOP");
    Periods(200);
    for (int axis : {0, 3, 7}) {
        EXPECT_EQ(Mtype(axis), kMoveIdle) << axis;
        EXPECT_EQ(g_AxisRecords[axis].GetInt(kAxisNtype), kMoveIdle) << axis;
        int32_t stopped = Dpos(axis);
        Periods(5);
        EXPECT_EQ(Dpos(axis), stopped) << axis;
    }
    EXPECT_LT(Dpos(3), 0);
    // A later move runs as usual: no cancel is left over.
    Run({"MOVE(10) AXIS(5)"});
    ASSERT_TRUE(RunUntilIdle(5));
    EXPECT_EQ(Dpos(5), 10);
}

TEST_F(Motion, SoftAndHardLimitsCancelAndSetTheirStatus)
{
    Run({"FS_LIMIT=50", "FORWARD"});
    ASSERT_TRUE(RunUntilIdle(0, 5000));
    EXPECT_GE(Dpos(0), 50);
    EXPECT_NE(Status(0) & kStatusForwardLimit, 0) << "bit 9";
    EXPECT_EQ(Mtype(0), kMoveIdle);

    // A reverse limit input (active when its bit is 0) stops a REVERSE.
    ResetMotion();
    SetAxisDefaults();
    Run({"REV_IN=4", "REVERSE"});
    Periods(100);
    g_InputWord &= ~(1u << 4);
    ASSERT_TRUE(RunUntilIdle(0, 5000));
    EXPECT_NE(Status(0) & kStatusReverseIn, 0) << "bit 5";
    EXPECT_LT(Dpos(0), 0);
}

TEST_F(Motion, FullCirclesReturnToTheirStart)
{
    for (int direction : {0, 1}) {
        SetAxisDefaults();
        ResetMotion();
        for (auto [axis, position] : {std::pair{0, 1000}, std::pair{1, -500}}) {
            g_AxisRecords[axis].SetInt(kAxisDpos, position);
            g_AxisRecords[axis].SetInt(kAxisEndMove, position);
        }
        Run({"MOVECIRC(0,0,0,200," + std::to_string(direction) + ")"});
        double furthest = 0.0, radiusError = 0.0;
        for (int n = 0; n < 20000 && (n < 3 || Mtype(0) != kMoveIdle); ++n) {
            ServoPeriod();
            double x = Dpos(0) - 1000.0, y = Dpos(1) - (-500.0 + 200.0);
            radiusError = std::max(radiusError, std::fabs(std::sqrt(x * x + y * y) - 200.0));
            furthest = std::max(furthest, Dpos(1) + 500.0);
        }
        EXPECT_EQ(Mtype(0), kMoveIdle);
        EXPECT_EQ(Dpos(0), 1000) << direction;
        EXPECT_EQ(Dpos(1), -500) << direction;
        EXPECT_LT(radiusError, 1.5) << "on the circle";
        EXPECT_NEAR(furthest, 400.0, 1.0) << "through the far side";
        EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisEndMove), 1000) << "a full circle ends where it started";
    }
    EXPECT_EQ(ErrorOf("MOVECIRC(0,0,0,200,2)"), kErrParameterOutOfRange);

    // From (0,0) about (0,100) to (100,100): a quarter of the circle in
    // direction 0, three quarters the other way round in direction 1.
    for (int direction : {0, 1}) {
        SetAxisDefaults();
        ResetMotion();
        Run({"MOVECIRC(100,100,0,100," + std::to_string(direction) + ")"});
        const int32_t path = EntryInt(1, 0, kEntryLength);
        EXPECT_NEAR(path, (direction == 0 ? 1 : 3) * 157, 2) << direction;
        Periods(20);
        const int32_t firstX = Dpos(0);
        ASSERT_TRUE(RunUntilIdle(0));
        EXPECT_EQ(Dpos(0), 100) << direction;
        EXPECT_EQ(Dpos(1), 100) << direction;
        EXPECT_EQ(firstX > 0, direction == 0) << "sets off its own way round";
        EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisEndMove), 100) << direction;
    }

    // Arcs one after another end on their end points: no count is lost or
    // gained on the way round, however many there are.
    SetAxisDefaults();
    ResetMotion();
    for (int n = 1; n <= 6; ++n) {
        for (const char* arc : {"MOVECIRC(47,47,0,47,0)", "MOVECIRC(-47,47,-47,0,0)"}) {
            Run({arc});
            ASSERT_TRUE(RunUntilIdle(0));
        }
        EXPECT_EQ(Dpos(0), 0) << "after " << n << " pairs of arcs";
        EXPECT_EQ(Dpos(1), 94 * n) << "after " << n << " pairs of arcs";
        EXPECT_EQ(g_AxisRecords[1].GetInt(kAxisEndMove), 94 * n);
    }
}

TEST_F(Motion, HelixMovesItsThirdAxisAlongThePath)
{
    Run({"MHELICAL(0,0,0,100,1,50)"});
    EXPECT_EQ(EntryInt(1, 2, kEntryType), kMoveLinear);
    EXPECT_EQ(EntryInt(1, 2, kEntryDistance), 50);
    const float arc = 2.0f * 3.1415927f * 100.0f;
    EXPECT_EQ(EntryInt(1, 0, kEntryLength), static_cast<int32_t>(std::sqrt(arc * arc + 2500.0f)));
    ASSERT_TRUE(RunUntilIdle(0));
    EXPECT_EQ(Dpos(0), 0);
    EXPECT_EQ(Dpos(1), 0);
    EXPECT_EQ(Dpos(2), 50);

    // Mode 1 takes the arc alone as the path.
    ResetMotion();
    Run({"MHELICAL(0,0,0,100,1,50,1)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryLength), static_cast<int32_t>(arc));
}

TEST_F(Motion, ConnectFollowsAtItsRatio)
{
    EXPECT_EQ(ErrorOf("CONNECT(1,0)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("CONNECT(1,24)"), kErrParameterOutOfRange);
    ResetMotion();
    Run({"CONNECT(0.5,1)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryType), kMoveConnect);
    EXPECT_FLOAT_EQ(EntryFloat(1, 0, kEntryFactor), 0.5f);
    EXPECT_EQ(EntryInt(1, 0, kEntryMaster), 2);
    Periods(3);
    Run({"MOVE(101) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_EQ(Dpos(1), 101);
    EXPECT_NEAR(Dpos(0), 50, 1);
    EXPECT_EQ(Mtype(0), kMoveConnect) << "a CONNECT runs until it is cancelled";
    Run({"MOVE(-41) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_NEAR(Dpos(0), 30, 1) << "back by half as much";
    CommandLine("CANCEL");
    Periods(3);
    EXPECT_EQ(Mtype(0), kMoveIdle);
}

TEST_F(Motion, MoveLinkScalesItsRampsAndEndsOnItsDistance)
{
    Run({"MOVELINK(100,50,40,40,1)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryLength), 50);
    EXPECT_EQ(EntryInt(1, 0, kEntryWord5), 25) << "link distance less the scaled acceleration";
    EXPECT_EQ(EntryInt(1, 0, kEntryWord7), 25) << "the scaled deceleration";
    EXPECT_FLOAT_EQ(EntryFloat(1, 0, kEntryReciprocal), 100.0f / 25.0f);

    ResetMotion();
    Run({"MOVELINK(10,100,20)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryWord5), 80);
    EXPECT_EQ(EntryInt(1, 0, kEntryWord7), 20) << "three arguments: the deceleration is the acceleration";
    EXPECT_EQ(EntryInt(1, 0, kEntryMaster), 2) << "the next axis of the BASE list";

    ResetMotion();
    Run({"MOVELINK(-10,100,0,0,1)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryDistance), -10);
    ResetMotion();
    Run({"MOVEMODIFY(-10)"});
    EXPECT_EQ(EntryInt(1, 0, kEntryDistance), -10);

    // Running: axis 0 moves 100 while axis 1 moves 50, slowly at both ends.
    ResetMotion();
    Run({"MOVELINK(100,50,10,10,1)", "MOVE(50) AXIS(1)"}, true);
    int32_t last = Dpos(0);
    int32_t atQuarter = 0;
    for (int n = 0; n < 5000 && (n < 3 || Mtype(0) != kMoveIdle); ++n) {
        ServoPeriod();
        ASSERT_GE(Dpos(0), last);
        last = Dpos(0);
        if (atQuarter == 0 && Mpos(1) >= 5)
            atQuarter = Dpos(0);
    }
    EXPECT_EQ(Dpos(0), 100);
    // After half the ramp's link distance the follower has covered a quarter
    // of the ramp's share: 5 * 5 * ratio / (2 * 10), ratio 100/40.
    EXPECT_NEAR(atQuarter, 3, 2) << "a ratio without its ramp would give 10";
}

TEST_F(Motion, DefposMovesTheAxisOriginOnly)
{
    ServoAxis(0);
    Run({"MOVE(100)"});
    ASSERT_TRUE(RunUntilIdle(0));
    Run({"DEFPOS(0)", "VR(0)=DPOS", "VR(1)=MPOS"}, true);
    EXPECT_FLOAT_EQ(Vr(0), 0.0f);
    EXPECT_FLOAT_EQ(Vr(1), 0.0f);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisOffposApplied), -100);
    Periods(20);
    EXPECT_EQ(Mpos(0), 0) << "no move follows an origin shift";

    // DEFPOS of two axes with UNITS; with motion simulation off it returns at
    // once and changes nothing.
    Run({"UNITS AXIS(1)=2", "DEFPOS(5,7)", "VR(0)=DPOS AXIS(1)"}, true);
    EXPECT_EQ(Dpos(0), 5);
    EXPECT_EQ(Dpos(1), 14);
    EXPECT_FLOAT_EQ(Vr(0), 7.0f);
    g_MotionEnabled.store(0);
    Run({"DEFPOS(50)"});
    EXPECT_EQ(Dpos(0), 5);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisOffpos), 0);
}

TEST_F(Motion, CamRunsItsTableOverTheDistance)
{
    for (int n = 0; n < 5; ++n)
        WriteTable(n, static_cast<float>(n * n), 1); // 0 1 4 9 16
    SetTableEntriesInUse(5);
    EXPECT_EQ(ErrorOf("CAM(0,10,1,100)"), kErrTableIndex);
    EXPECT_EQ(ErrorOf("CAM(3,3,1,100)"), kErrTableIndex);
    EXPECT_EQ(ErrorOf("CAM(0,4,1,0)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("CAM(0,10,1,0)"), kErrParameterOutOfRange) << "the later check's error";
    ResetMotion();
    Run({"SPEED=100", "CAM(0,4,10,50)"});
    int32_t last = 0;
    int periods = 0;
    for (; periods < 5000 && (periods < 3 || Mtype(0) != kMoveIdle); ++periods) {
        ServoPeriod();
        ASSERT_GE(Dpos(0), last);
        last = Dpos(0);
    }
    EXPECT_EQ(Dpos(0), 160) << "10 times the table's rise";
    EXPECT_NEAR(periods, 500, 15) << "50 counts at 100 counts/s";
}

TEST_F(Motion, CamBoxFollowsItsLinkWithItsOptions)
{
    for (int n = 0; n < 11; ++n)
        WriteTable(n, static_cast<float>(10 * n), 1); // a straight line 0..100
    WriteTable(20, 3.0f, 1);                          // option 8 block at 20: index of the multiplier
    WriteTable(22, 30.0f, 1);
    WriteTable(30, 2.0f, 1); // the multiplier itself
    SetTableEntriesInUse(40);
    EXPECT_EQ(ErrorOf("CAMBOX(0,10,1,100,0)"), kErrParameterOutOfRange) << "its own axis as link";
    EXPECT_EQ(ErrorOf("CAMBOX(0,10,1,0,1)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("CAMBOX(0,50,1,100,1)"), kErrTableIndex);
    EXPECT_EQ(ErrorOf("CAMBOX(0,10,35,100,1,8)"), kErrTableIndex) << "a block beyond the table";
    EXPECT_EQ(ErrorOf("CAMBOX(0,10,1,100,1,32)"), kErrCommaExpected);
    EXPECT_EQ(ErrorOf("CAMBOX(0,10,1,100,1,32,0,100)"), kErrParameterOutOfRange) << "lead not below the distance";

    struct Case {
        const char* line;
        int32_t firstStep; // the follower after one count of link travel, at most
        int32_t end;       // after 100 counts of link travel
    };
    const Case cases[] = {
        {"CAMBOX(0,10,1,100,1)", 1, 100},
        {"CAMBOX(0,10,20,100,1,8)", 2, 200},     // the multiplier of the TABLE block
        {"CAMBOX(0,10,1,100,1,32,0,40)", 1, 60}, // starts 40 in, without a jump
    };
    for (const Case& c : cases) {
        SetAxisDefaults();
        ResetMotion();
        Run({c.line});
        Periods(3);
        EXPECT_EQ(Dpos(0), 0) << c.line << ": nothing moves while the link stands";
        Run({"MOVE(1) AXIS(1)"});
        ASSERT_TRUE(RunUntilIdle(1)) << c.line;
        Periods(3);
        EXPECT_LE(std::abs(Dpos(0)), c.firstStep) << c.line;
        Run({"MOVE(99) AXIS(1)"});
        ASSERT_TRUE(RunUntilIdle(1)) << c.line;
        Periods(5);
        EXPECT_EQ(Dpos(0), c.end) << c.line;
        EXPECT_EQ(Mtype(0), kMoveIdle) << c.line;
    }
}

TEST_F(Motion, DatumSearchesEndAtZero)
{
    EXPECT_EQ(ErrorOf("DATUM(7)"), kErrParameterOutOfRange);
    EXPECT_EQ(ErrorOf("DATUM(-1)"), kErrParameterOutOfRange);

    // DATUM(0) clears the error bits and loads nothing.
    g_AxisRecords[2].SetInt(kAxisStatus, 0x90E | kStatusForwardIn);
    g_AxisRecords[2].SetInt(kAxisFeLatch, 9);
    *SystemParameterWord(FindParameter("MOTION_ERROR")) = 4;
    ResetMotion();
    Run({"DATUM(0)"});
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisStatus), kStatusForwardIn);
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisFeLatch), 0);
    EXPECT_EQ(*SystemParameterWord(FindParameter("MOTION_ERROR")), 0);
    EXPECT_EQ(g_PendingMoves.load(), 0u);

    // Modes 3 to 6 look for the datum input (here input 6, switched on at
    // the switch position), come back off it at creep speed, and call that
    // point 0; modes 1 and 2 take the encoder's mark where they are.
    struct Case {
        int mode;
        int32_t start;
        int32_t switchAt; // the input is on at and beyond this point in the search direction
    };
    const Case cases[] = {{1, 500, 0}, {2, -40, 0}, {3, 0, 300}, {4, 0, -300}, {5, 10, 200}, {6, 10, -200}};
    for (const Case& c : cases) {
        SetAxisDefaults();
        ResetMotion();
        g_InputWord = 0xFFFFFFFF;
        g_AxisRecords[0].SetInt(kAxisDpos, c.start);
        Periods(1);
        Run({"DATUM_IN=6", "CREEP=50", "DATUM(" + std::to_string(c.mode) + ")"});
        int32_t turnedAt = 0;
        bool sawDatuming = c.switchAt == 0; // the mark alone is found at once
        for (int n = 0; n < 20000 && (n < 3 || Mtype(0) != kMoveIdle); ++n) {
            ServoPeriod();
            sawDatuming = sawDatuming || (Status(0) & kStatusDatuming);
            int32_t p = Dpos(0);
            bool on = c.switchAt > 0 ? p >= c.switchAt : (c.switchAt < 0 ? p <= c.switchAt : false);
            if (on && turnedAt == 0)
                turnedAt = p;
            g_InputWord = on ? ~(1u << 6) : 0xFFFFFFFF;
        }
        ServoPeriod();
        EXPECT_EQ(Mtype(0), kMoveIdle) << c.mode;
        EXPECT_EQ(Dpos(0), 0) << c.mode;
        EXPECT_EQ(Mpos(0), 0) << c.mode;
        EXPECT_TRUE(sawDatuming) << c.mode;
        if (c.switchAt != 0) {
            EXPECT_NEAR(turnedAt, c.switchAt, 2) << c.mode << ": found the input";
        }
    }
}

TEST_F(Motion, PositionSwitchesDriveTheirOutputs)
{
    g_PositionSwitches[0] = {10, 20, 9, 0, 1};
    g_PositionSwitches[1] = {-100, -50, 12, 0, 1};
    g_PositionSwitches[2] = {0, 1000, 13, 0, 0}; // not in use
    g_PositionSwitchWord = 3;
    g_OutputWord = 1u << 15; // an output no switch drives
    Run({"MOVE(30)"});
    bool wasOn = false;
    for (int n = 0; n < 2000 && (n < 3 || Mtype(0) != kMoveIdle); ++n) {
        ServoPeriod();
        bool inside = Mpos(0) >= 10 && Mpos(0) <= 20;
        ASSERT_EQ((g_OutputWord >> 9) & 1u, inside ? 1u : 0u) << "at " << Mpos(0);
        ASSERT_EQ((g_OutputWord >> 12) & 1u, 0u);
        wasOn = wasOn || inside;
    }
    EXPECT_TRUE(wasOn);
    EXPECT_EQ(g_OutputWord, 1u << 15) << "off again past 20; output 15 kept, 13 untouched";
    g_PositionSwitchWord = 0;
    g_AxisRecords[0].SetInt(kAxisDpos, 15);
    Periods(2);
    EXPECT_EQ(g_OutputWord, 1u << 15) << "the switches rest while the switch word is 0";
}

TEST_F(Motion, CaptureSamplesIntoTable)
{
    SetTableEntriesInUse(1000);
    Run({"FORWARD"});
    g_Capture.period = 2;
    g_Capture.samples = 4;
    g_Capture.start = 100;
    g_Capture.count = 2;
    g_Capture.parameters[0] = {3, &g_AxisRecords[0].words[kAxisDpos]};
    g_Capture.parameters[1] = {4, &g_AxisRecords[0].words[kAxisVpSpeed]};
    g_Capture.mode = 2;
    std::vector<float> positions, speeds;
    for (int n = 0; n < 20; ++n) {
        ServoPeriod();
        if (n % 2 == 1 && positions.size() < 4) {
            positions.push_back(static_cast<float>(Dpos(0)));
            speeds.push_back(VpSpeed(0));
        }
        if (n == 8) {
            EXPECT_EQ(g_Capture.mode, 2) << "the last sample taken, the mode waits one sample period";
        }
    }
    EXPECT_EQ(g_Capture.mode, 1) << "armed again";
    for (int n = 0; n < 4; ++n) {
        float value = 0.0f;
        ASSERT_TRUE(ReadTable(100 + n, value, 1));
        EXPECT_EQ(value, positions[static_cast<size_t>(n)]) << n;
        ASSERT_TRUE(ReadTable(104 + n, value, 1));
        EXPECT_EQ(value, speeds[static_cast<size_t>(n)]) << n;
    }
    float value = 0.0f;
    ASSERT_TRUE(ReadTable(108, value, 1));
    EXPECT_EQ(value, 0.0f) << "nothing beyond the samples";

    struct Kind {
        int32_t kind;
        uint32_t word;
        bool writes;
        float value;
    };
    const Kind kinds[] = {
        {1, std::bit_cast<uint32_t>(2.5f), true, 2.5f},
        {12, 0xFFFE1234u, true, -2.0f},
        {3, static_cast<uint32_t>(-7), true, -7.0f},
        {8, 42u, true, 42.0f},
        {9, 1u, false, 0.0f},
        {13, 1u, false, 0.0f},
    };
    for (const Kind& k : kinds) {
        float v = 0.0f;
        EXPECT_EQ(ConvertCaptureValue(k.kind, k.word, v), k.writes) << k.kind;
        if (k.writes) {
            EXPECT_EQ(v, k.value) << k.kind;
        }
    }
}

TEST_F(Motion, WithoutMotionSimulationNothingMovesAndNoWaitHangs)
{
    // The second MOVE waits for the first, which the periods drop.
    g_MotionEnabled.store(0);
    Run({"MOVE(100)", "MOVE(50)", "VR(1)=2"}, true);
    EXPECT_FLOAT_EQ(Vr(1), 2.0f);
    ServoPeriod();
    EXPECT_EQ(g_PendingMoves.load(), 0u);
    EXPECT_EQ(Mtype(0), kMoveIdle);
    EXPECT_EQ(Dpos(0), 0);
}

TEST_F(Motion, JogsRunWhileTheirInputIsOn)
{
    Run({"FWD_JOG=3", "REV_JOG=4", "JOGSPEED=200"});
    g_InputWord = ~(1u << 3);
    Periods(200);
    EXPECT_EQ(Mtype(0), kMoveJogForward);
    EXPECT_FLOAT_EQ(VpSpeed(0), 200.0f) << "at JOGSPEED";
    g_InputWord = 0xFFFFFFFF;
    ASSERT_TRUE(RunUntilIdle(0, 2000));
    int32_t stopped = Dpos(0);
    EXPECT_GT(stopped, 0);
    // A reverse jog, held off by the reverse limit status.
    g_AxisRecords[0].SetInt(kAxisRsLimit, stopped);
    Periods(1);
    g_InputWord = ~(1u << 4);
    Periods(50);
    EXPECT_EQ(Dpos(0), stopped) << "bit 10 blocks the reverse jog";
}

} // namespace

namespace {

TEST_F(Motion, AddaxAddsTheOtherAxisDemand)
{
    Run({"ADDAX(1)", "MOVE(10)"});
    ASSERT_TRUE(RunUntilIdle(0));
    Run({"MOVE(50) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_EQ(Dpos(1), 50);
    EXPECT_EQ(Dpos(0), 60) << "its own move and the added axis's";
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisEndMove), 60);
    Run({"ADDAX(-1)", "MOVE(-50) AXIS(1)"}, true);
    ASSERT_TRUE(RunUntilIdle(1));
    EXPECT_EQ(Dpos(0), 60) << "unlinked";
}

TEST_F(Motion, FrameTwoCouplesTheFirstTwoAxes)
{
    int32_t* frame = SystemParameterWord(FindParameter("FRAME"));
    ASSERT_NE(frame, nullptr);
    Run({"MOVE(30,10)"});
    ASSERT_TRUE(RunUntilIdle(0));
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisDemandEdges), 30);
    *frame = 2;
    Periods(2);
    // The demand side is rebuilt from the edges once, then transformed.
    EXPECT_EQ(Dpos(0), 20);
    EXPECT_EQ(Dpos(1), 10);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisDemandEdges), 30);
    EXPECT_EQ(g_AxisRecords[1].GetInt(kAxisDemandEdges), 10);
    EXPECT_EQ(Mpos(0), 30) << "the axes measure the transformed demand";
    *frame = 0;
}

TEST_F(Motion, ServoAxesReportFollowingErrorsAndMotionErrors)
{
    ServoAxis(2);
    Run({"FE_LIMIT AXIS(2)=30", "FE_RANGE AXIS(2)=10"});
    Periods(2);
    EXPECT_EQ(Status(2) & (kStatusFeRange | kStatusFeLimit), 0);
    // The drive falls behind its demand: 20 counts, then 50.
    g_AxisRecords[2].SetInt(kAxisFollowerPosition, -20);
    ServoPeriod();
    EXPECT_NEAR(g_AxisRecords[2].GetInt(kAxisFe), 20, 2) << "less what the drive caught up";
    EXPECT_EQ(Status(2) & (kStatusFeRange | kStatusFeLimit), kStatusFeRange) << "bit 1 beyond FE_RANGE";
    EXPECT_EQ(*SystemParameterWord(FindParameter("MOTION_ERROR")), 0);
    g_AxisRecords[2].SetInt(kAxisFollowerPosition, -50);
    ServoPeriod();
    EXPECT_NE(Status(2) & kStatusFeLimit, 0) << "bit 8 at FE_LIMIT";
    EXPECT_NEAR(g_AxisRecords[2].GetInt(kAxisFeLatch), 50, 2);
    EXPECT_EQ(*SystemParameterWord(FindParameter("MOTION_ERROR")), 4) << "ERRORMASK holds bit 8";
    EXPECT_EQ(*SystemParameterWord(FindParameter("ERROR_AXIS")), 2);
    EXPECT_NE(g_AxisRecords[2].GetInt(kAxisDacOut), 0) << "the loop drives its output";

    // With SERVO off the demand follows the measured position.
    g_AxisRecords[2].SetInt(kAxisServo, 0);
    Periods(2);
    EXPECT_EQ(Dpos(2), Mpos(2));
    EXPECT_EQ(g_AxisRecords[2].GetInt(kAxisEndMove), Mpos(2));
}

TEST_F(Motion, RepeatDistanceWrapsBothSides)
{
    for (int option : {0, 1}) {
        SetAxisDefaults();
        ResetMotion();
        Run({"REP_DIST=100", "REP_OPTION=" + std::to_string(option), "SPEED=20000", "ACCEL=1000000", "FORWARD"});
        int32_t lowest = 0, highest = 0;
        for (int n = 0; n < 100; ++n) {
            ServoPeriod();
            lowest = std::min(lowest, Mpos(0));
            highest = std::max(highest, Mpos(0));
            ASSERT_EQ(Mpos(0), Dpos(0));
        }
        EXPECT_LT(highest, 100) << option;
        EXPECT_GE(lowest, option == 1 ? 0 : -100) << option;
        EXPECT_LT(lowest, option == 1 ? 20 : -80) << option << ": wrapped";
    }
}

TEST_F(Motion, CancelOneDropsTheNextMoveOnly)
{
    Run({"MOVE(100)", "MOVE(50)"}, true);
    Periods(1);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisNtype), kMoveLinear);
    CommandLine("CANCEL(1)");
    ASSERT_TRUE(RunUntilIdle(0));
    EXPECT_EQ(Dpos(0), 100);

    // WAIT LOADED passes once the next move has started; WAIT IDLE once all
    // are done.
    SetAxisDefaults();
    ResetMotion();
    Run({"MOVE(100)", "MOVE(50)", "WAIT LOADED", "VR(0)=MTYPE", "VR(1)=DPOS", "WAIT IDLE", "VR(2)=DPOS"}, true);
    EXPECT_FLOAT_EQ(Vr(0), 1.0f);
    EXPECT_GE(Vr(1), 100.0f);
    EXPECT_LT(Vr(1), 150.0f);
    EXPECT_FLOAT_EQ(Vr(2), 150.0f);
}

TEST_F(Motion, DatumZeroResetsTheDrivesOfItsAxisTypes)
{
    g_AxisRecords[3].SetInt(kAxisType, 21);
    SetAxisType(4, 4);
    g_AxisRecords[4].SetInt(kAxisMpos, 77);
    g_AxisRecords[4].SetInt(kAxisFollowerPosition, 77);
    g_AxisRecords[5].SetInt(kAxisType, 11);
    g_AxisRecords[5].SetInt(125, 1 << 28); // a drive exchange that never ends
    g_AxisRecords[5].SetInt(139, 5);
    uint64_t before = env.host.MillisecondsSinceStart();
    Run({"DATUM(0)"}, true);
    EXPECT_NE(g_AxisRecords[3].GetInt(kAxisDriveEnable) & 0x800, 0);
    EXPECT_EQ(Dpos(4), 77);
    EXPECT_EQ(g_AxisRecords[4].GetInt(kAxisEndMove), 77);
    EXPECT_EQ(g_AxisRecords[5].GetInt(125), 0);
    EXPECT_EQ(g_AxisRecords[5].GetInt(139), 0);
    EXPECT_GE(env.host.MillisecondsSinceStart() - before, 500u) << "it waited for the drive, on virtual time";
}

TEST_F(Motion, OutOfRangeValuesStayInRange)
{
    // The largest values and degenerate shapes: nothing overflows, every move
    // ends, and the generator keeps running.
    const char* lines[] = {
        "MOVE(1000000*1000000*1000000)",
        "MOVEABS(-1000000*1000000*1000000)",
        "MOVECIRC(0,0,0,0,0)",
        "MOVELINK(100,0,0,0,1)",
        "v=1000000*1000000*1000000:SPEED=v:ACCEL=v:DECEL=v:FORWARD",
        "CONNECT(1000000*1000000*1000000,1)",
        "UNITS=1/(1000000*1000000*1000000):MOVE(1)",
        "SPEED=-5:MOVE(10)",
    };
    for (const char* line : lines) {
        SetAxisDefaults();
        ResetMotion();
        ErrorOf(line);
        Periods(200);
        Run({"RAPIDSTOP"}, true);
        ASSERT_TRUE(RunUntilIdle(0, 200000)) << line;
        EXPECT_GE(Dpos(0), INT32_MIN) << line;
    }
}

} // namespace

namespace {

// A program process on a thread of its own under a sequencer: its waits for
// the generator (the hand-over of a move, WAIT IDLE, DEFPOS) give up the
// processor, so a second process keeps getting its turns meanwhile.
class MotionThreads : public StoreEnvironment {
protected:
    MotionThreads()
    {
        InstallInterpreter();
        SetAxisDefaults();
        SetSystemDefaults();
        ResetParameterValues();
        ResetMotion();
        std::memset(g_MemoryBase + 780, 0, 4096);
        PublishInputs(0xFFFFFFFF);
        g_ServoRunning.store(true);
        g_MotionEnabled.store(1);
    }
    ~MotionThreads() override
    {
        sequencer.Stop();
        SetParameterReader(nullptr);
        SetMotionPass(nullptr);
        g_ServoRunning.store(false);
        g_MotionEnabled.store(0);
    }

    TestSequencer sequencer;
};

TEST_F(MotionThreads, WaitsForTheGeneratorGiveUpTheProcessor)
{
    int program = MakeProgram("MOTION", {"MOVE(200)", "MOVE(-100)", "WAIT IDLE", "DEFPOS(0)", "VR(0)=MPOS+1"});
    ASSERT_GE(program, 0);
    g_ProcessRecords[0].outputChannel = 8;
    ASSERT_TRUE(CompileProgram(program, 0));
    ASSERT_TRUE(AssignProgramToProcess(program, 1, kStateRunning));
    static std::atomic<int> turns{0};
    static std::atomic<bool> moved{false};
    turns.store(0);
    moved.store(false);
    StartTestProcess(1, [](int process) {
        while (ProcessTurn(process))
            SwitchPoint();
        moved.store(true);
    });
    StartTestProcess(2, [](int) {
        while (!moved.load() && turns.load() < 10000000) {
            turns.fetch_add(1);
            YieldSlice();
        }
    });
    sequencer.Start();
    ASSERT_TRUE(WaitFor([] { return TestProcessFinished(1) && TestProcessFinished(2); }));
    sequencer.Stop();
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_FLOAT_EQ(ReadVr(0, 0), 1.0f) << "the moves ran and DEFPOS put the axis at 0";
    EXPECT_GT(turns.load(), 100) << "the other process ran while the moves were waited for";
}

} // namespace

namespace {

TEST_F(Motion, MergeRunsConsecutiveMovesWithoutStopping)
{
    for (int merge : {0, 1}) {
        SetAxisDefaults();
        ResetMotion();
        Run({"MERGE=" + std::to_string(merge), "MOVE(100)", "MOVE(100)"}, true);
        float slowest = 1000.0f;
        for (int n = 0; n < 2000 && Dpos(0) < 150; ++n) {
            ServoPeriod();
            if (Dpos(0) >= 90 && Dpos(0) <= 110)
                slowest = std::min(slowest, VpSpeed(0));
        }
        ASSERT_TRUE(RunUntilIdle(0));
        EXPECT_EQ(Dpos(0), 200) << merge;
        if (merge == 1) {
            EXPECT_GE(slowest, 900.0f) << "runs on through the joint";
        } else {
            EXPECT_LT(slowest, 300.0f) << "stops at the joint";
        }
    }
}

TEST_F(Motion, AMoveThatEndsAtOnceEndsInThePeriodItsPredecessorEnds)
{
    // The period a move ends in also loads and steps the move behind it: a
    // move of no length behind it ends there too, so the axis is idle the
    // same period it reaches its end (WAIT IDLE loses no period).
    for (int merge : {0, 1}) {
        SetAxisDefaults();
        ResetMotion();
        Run({"MERGE=" + std::to_string(merge), "SPEED=10000", "ACCEL=100000000", "DECEL=100000000", "MOVE(100)",
             "MOVE(0)"},
            true);
        int n = 0;
        for (; n < 200 && Dpos(0) < 100; ++n)
            ServoPeriod();
        ASSERT_EQ(Dpos(0), 100) << merge;
        EXPECT_EQ(g_PendingMoves.load(), 0u) << merge;
        EXPECT_EQ(Mtype(0), kMoveIdle) << "merge " << merge << ", after " << n << " periods";
        EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisNtype), kMoveIdle) << merge;
    }
}

TEST_F(Motion, CamBoxWaitsForItsLinkPositionAndRepeats)
{
    for (int n = 0; n < 11; ++n)
        WriteTable(n, static_cast<float>(10 * n), 1);
    SetTableEntriesInUse(11);
    // Option 2: the cam starts when the link axis reaches 50.
    Run({"CAMBOX(0,10,1,100,1,2,50)"});
    Periods(2);
    Run({"MOVE(40) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_EQ(Dpos(0), 0);
    Run({"MOVE(110) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_EQ(Dpos(0), 100);
    EXPECT_EQ(Mtype(0), kMoveIdle);

    // Option 4: the table runs again, from where it ended.
    SetAxisDefaults();
    ResetMotion();
    Run({"CAMBOX(0,10,1,100,1,4)"});
    Periods(2);
    Run({"MOVE(250) AXIS(1)"});
    ASSERT_TRUE(RunUntilIdle(1));
    Periods(3);
    EXPECT_EQ(Dpos(0), 250);
    EXPECT_EQ(Mtype(0), kMoveCamBox) << "until it is cancelled";
}

} // namespace
