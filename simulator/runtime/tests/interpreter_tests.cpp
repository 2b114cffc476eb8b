// The process loop and the statements: flow control, VR, TABLE, the
// arithmetic functions and parameters, run as processes on the test thread
// on virtual time.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

class Interpreter : public InterpreterEnvironment {
protected:
    // Runs a program on process p until it ends (or the turns run out);
    // returns what the process wrote to the link.
    std::string Run(const std::vector<std::string>& lines, int process = 1, int32_t state = kStateRunning,
                    int maxTurns = 200000)
    {
        const std::string name = "PROG" + std::to_string(process);
        if (FindProgram(name) >= 0)
            DeleteProgram(name, 0);
        int program = MakeProgram(name, lines);
        EXPECT_GE(program, 0);
        return RunProgram(program, process, state, maxTurns);
    }

    std::string RunProgram(int program, int process, int32_t state = kStateRunning, int maxTurns = 200000)
    {
        // Compiled beforehand, so that its progress lines are not in the way.
        g_ProcessRecords[0].outputChannel = 8;
        EXPECT_TRUE(CompileProgram(program, 0)) << GetProcessError(0);
        g_ProcessRecords[0].outputChannel = 0;
        EXPECT_TRUE(AssignProgramToProcess(program, process, state));
        {
            InlineProcess inlineProcess(process);
            for (int n = 0; n < maxTurns && ProcessTurn(process); ++n) {
            }
        }
        return Flushed();
    }

    // What reached the link, once the services have sent what is waiting.
    std::string Flushed()
    {
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    static float Vr(int n)
    {
        int32_t bits;
        std::memcpy(&bits, g_MemoryBase + 780 + 4 * n, 4);
        return std::bit_cast<float>(bits);
    }
};

struct ProgramCase {
    const char* name;
    std::vector<std::string> lines;
    std::vector<std::pair<int, float>> vr; // expected VR values
};

TEST_F(Interpreter, ProgramsRunToTheirValues)
{
    const ProgramCase cases[] = {
        {"a FOR loop and a named variable",
         {"s=0", "FOR i=1 TO 10", "s=s+i", "NEXT i", "VR(0)=s", "VR(1)=i"},
         {{0, 55.0f}, {1, 11.0f}}},
        {"a negative STEP ends below the end value",
         {"n=0", "FOR i=10 TO 1 STEP -3", "n=n+1", "NEXT i", "VR(0)=n"},
         {{0, 4.0f}}},
        {"the body runs once when the start is beyond the end",
         {"n=0", "FOR i=5 TO 1", "n=n+1", "NEXT i", "VR(0)=n"},
         {{0, 1.0f}}},
        {"a VR loop variable", {"FOR VR(5)=1 TO 3:VR(6)=VR(6)+VR(5):NEXT VR(5)"}, {{6, 6.0f}, {5, 4.0f}}},
        {"eight nested FOR loops",
         {"FOR a=1 TO 2:FOR b=1 TO 2:FOR c=1 TO 2:FOR d=1 TO 2", "FOR e=1 TO 2:FOR f=1 TO 2:FOR g=1 TO 2:FOR h=1 TO 2",
          "VR(0)=VR(0)+1", "NEXT h:NEXT g:NEXT f:NEXT e:NEXT d:NEXT c:NEXT b:NEXT a"},
         {{0, 256.0f}}},
        {"GOSUB and RETURN",
         {"GOSUB sub", "VR(1)=VR(0)*10", "GOTO done", "sub:", "VR(0)=VR(0)+1", "RETURN", "done:"},
         {{0, 1.0f}, {1, 10.0f}}},
        {"seven nested GOSUBs",
         {"GOSUB s1", "GOTO done", "s1: GOSUB s2:RETURN", "s2: GOSUB s3:RETURN", "s3: GOSUB s4:RETURN",
          "s4: GOSUB s5:RETURN", "s5: GOSUB s6:RETURN", "s6: GOSUB s7:RETURN", "s7: VR(0)=7:RETURN", "done: VR(1)=1"},
         {{0, 7.0f}, {1, 1.0f}}},
        {"ON GOTO picks by the selector",
         {"k=2", "ON k GOTO a1, a2, a3", "a1: VR(0)=1:GOTO e", "a2: VR(0)=2:GOTO e", "a3: VR(0)=3", "e:"},
         {{0, 2.0f}}},
        {"ON GOTO beyond the list goes on behind it",
         {"ON 4 GOTO a1, a2:VR(0)=9", "GOTO e", "a1:", "a2: VR(0)=1", "e:"},
         {{0, 9.0f}}},
        {"ON 0 GOSUB leaves no return entry",
         {"ON 0 GOSUB s1", "VR(0)=1", "GOSUB s2", "GOTO e", "s1: VR(1)=1:RETURN", "s2: VR(2)=2:RETURN", "e:"},
         {{0, 1.0f}, {1, 0.0f}, {2, 2.0f}}},
        {"ON GOSUB returns behind the statement",
         {"ON 2 GOSUB s1, s2:VR(0)=5", "GOTO e", "s1: VR(1)=1:RETURN", "s2: VR(2)=2:RETURN", "e:"},
         {{0, 5.0f}, {1, 0.0f}, {2, 2.0f}}},
        {"WHILE and WEND", {"i=0", "WHILE i<5", "i=i+1", "WEND", "VR(0)=i"}, {{0, 5.0f}}},
        {"a WHILE that is false at once", {"WHILE 0", "VR(1)=1", "WEND", "VR(0)=1"}, {{0, 1.0f}, {1, 0.0f}}},
        {"REPEAT and UNTIL", {"i=0", "REPEAT", "i=i+2", "UNTIL i>=7", "VR(0)=i"}, {{0, 8.0f}}},
        {"IF, ELSEIF and ELSE",
         {"FOR k=1 TO 3", "IF k=1 THEN", "VR(1)=10", "ELSEIF k=2 THEN", "VR(2)=20", "ELSE", "VR(3)=30", "ENDIF",
          "NEXT k"},
         {{1, 10.0f}, {2, 20.0f}, {3, 30.0f}}},
        {"one-line IF",
         {"a=3", "IF a>2 THEN VR(0)=1", "IF a>5 THEN VR(1)=1", "VR(2)=2"},
         {{0, 1.0f}, {1, 0.0f}, {2, 2.0f}}},
        {"an error trap that jumps",
         {"ON BASICERROR GOTO trap", "VR(0)=1/0", "VR(1)=1", "trap: VR(2)=RUN_ERROR"},
         {{1, 0.0f}, {2, 9.0f}}},
        {"an error trap that calls and returns",
         {"ON BASICERROR GOSUB trap", "d=0", "VR(0)=1/d", "VR(1)=VR(0)", "GOTO e", "trap: d=4:RETURN", "e:"},
         {{0, 0.25f}, {1, 0.25f}}},
        {"arithmetic functions",
         {"VR(0)=SGN(0)", "VR(1)=FRAC(-2.75)", "VR(2)=INT(-2.75)", "VR(3)=SQR(16)", "VR(4)=ABS(-3)", "VR(5)=ATAN2(1,0)",
          "VR(6)=LN(EXP(2))", "VR(7)=SGN(-0.5)"},
         {{0, 1.0f}, {1, -0.75f}, {2, -2.0f}, {3, 4.0f}, {4, 3.0f}, {5, 1.5707964f}, {6, 2.0f}, {7, -1.0f}}},
        {"SIN and COS, small, negative, large and beyond the reduction",
         {"VR(0)=SIN(0.5)", "VR(1)=COS(-3)", "VR(2)=SIN(10000000)", "VR(3)=COS(1000000000)", "VR(4)=SIN(-7.0685835)"},
         {{0, 0.47942555f}, {1, -0.9899925f}, {2, 0.42054778f}, {3, 0.83788717f}, {4, -0.70710677f}}},
        {"functions of a variable alone and in an expression",
         {"x=16", "FOR i=1 TO 3:VR(i)=SQR(x)+ABS(i)+SQR(x+i*0)+SQR(x)*SIN(i-i):NEXT i"},
         {{1, 9.0f}, {2, 10.0f}, {3, 11.0f}}},
        {"TABLE writes and reads", {"TABLE(10, 1.5, 2.5)", "VR(0)=TABLE(10)+TABLE(11)"}, {{0, 4.0f}}},
        {"CLEAR empties the VR variables", {"VR(3)=4", "CLEAR", "VR(4)=VR(3)+1"}, {{3, 0.0f}, {4, 1.0f}}},
        {"STICK_READ gives FALSE", {"VR(0)=1+STICK_READ(0,0)"}, {{0, 1.0f}}},
    };
    for (const ProgramCase& c : cases) {
        ResetMemory();
        std::memset(g_MemoryBase + 780, 0, 4096);
        std::string written = Run(c.lines);
        EXPECT_NE(written.find("(31) - Program is stopped"), std::string::npos) << c.name << ": " << written;
        for (const auto& [n, value] : c.vr)
            EXPECT_FLOAT_EQ(Vr(n), value) << c.name << ": VR(" << n << ")";
        EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped) << c.name;
    }
}

struct ErrorCase {
    const char* name;
    std::vector<std::string> lines;
    int32_t error;
    int32_t line; // as the report shows it (the line number less 1)
};

TEST_F(Interpreter, RunTimeErrorsStopTheProgramWithTheirReport)
{
    const ErrorCase cases[] = {
        {"nine nested FOR loops",
         {"FOR a=1 TO 2:FOR b=1 TO 2:FOR c=1 TO 2:FOR d=1 TO 2", "FOR e=1 TO 2:FOR f=1 TO 2:FOR g=1 TO 2:FOR h=1 TO 2",
          "FOR i=1 TO 2", "NEXT i"},
         kErrTooManyFor,
         2},
        {"eight nested GOSUBs",
         {"GOSUB s1", "s1: GOSUB s2", "s2: GOSUB s3", "s3: GOSUB s4", "s4: GOSUB s5", "s5: GOSUB s6", "s6: GOSUB s7",
          "s7: GOSUB s8", "s8: RETURN"},
         kErrTooManyGosub,
         7},
        {"RETURN without GOSUB", {"VR(0)=1", "RETURN"}, kErrReturnWithoutGosub, 1},
        {"NEXT without FOR", {"NEXT i"}, kErrNextWithoutFor, 0},
        {"NEXT of another variable", {"FOR i=1 TO 2", "NEXT j"}, kErrNextWithoutFor, 1},
        {"a second error in the trap's handler",
         {"ON BASICERROR GOSUB trap", "VR(0)=1/0", "trap: VR(1)=SQR(-1)"},
         kErrParameterOutOfRange,
         2},
        {"the trap's GOSUB at depth 7",
         {"ON BASICERROR GOSUB trap", "GOSUB s1", "s1: GOSUB s2", "s2: GOSUB s3", "s3: GOSUB s4", "s4: GOSUB s5",
          "s5: GOSUB s6", "s6: GOSUB s7", "s7: VR(0)=1/0", "trap: RETURN"},
         kErrTooManyGosub,
         8},
        {"VR beyond 1023", {"VR(1024)=1"}, kErrParameterOutOfRange, 0},
        {"a TABLE read at TSIZE", {"a=TABLE(256000)"}, kErrTableIndex, 0},
        {"a TABLE write beyond 255999", {"TABLE(256000, 0)"}, kErrTableIndex, 0},
        {"WA of a negative time", {"WA(-1)"}, kErrParameterOutOfRange, 0},
        {"LOOKUP(4) without the value", {"LOOKUP(4, 5)"}, kErrCommaExpected, 0},
        {"LOOKUP of a local beyond the last", {"a=LOOKUP(3, 1023)"}, kErrParameterOutOfRange, 0},
    };
    for (const ErrorCase& c : cases) {
        ResetMemory();
        std::string written = Run(c.lines);
        std::string report = "%[Process 1:Line " + std::to_string(c.line) + "] (" + std::to_string(c.error) + ") - ";
        EXPECT_NE(written.find(report), std::string::npos) << c.name << ": " << written;
        EXPECT_EQ(written.find("(31)"), std::string::npos) << c.name << ": stopped by its error";
        EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.name;
        EXPECT_EQ(g_ProcessRecords[1].currentState, kStateStopped) << c.name;
    }
}

TEST_F(Interpreter, StatusLinesOfRunningPausingAndEnding)
{
    int program = MakeProgram("MAIN", {"a=1", "b=2", "c=3"});
    // A step request on a stopped process starts the program and pauses on
    // its first line.
    std::string written = RunProgram(program, 14, kStateStep, 50);
    EXPECT_EQ(written, "%[Process 14:Program MAIN] - Running\r\n%[Process 14:Line 1] - Paused\r\na=1\r\n");
    EXPECT_EQ(g_ProcessRecords[14].currentState, kStatePaused);

    // A step runs one statement and pauses again on the next line.
    g_ProcessRecords[14].requestedState = kStateStep;
    {
        InlineProcess inlineProcess(14);
        for (int n = 0; n < 50; ++n)
            ProcessTurn(14);
    }
    EXPECT_EQ(Flushed(), "%[Process 14:Line 2] - Paused\r\nb=2\r\n");

    // Run: released, then to the end.
    g_ProcessRecords[14].requestedState = kStateRunning;
    {
        InlineProcess inlineProcess(14);
        for (int n = 0; n < 1000 && ProcessTurn(14); ++n) {
        }
    }
    EXPECT_EQ(Flushed(), "%[Process 14:Program MAIN] - Released\r\n%[Process 14:Line 2] (31) - Program is stopped\r\n");
    EXPECT_FALSE(IsRunning(program)) << "the process released its program";
}

TEST_F(Interpreter, ABreakpointPausesBeforeItsLine)
{
    int program = MakeProgram("MAIN", {"a=1", "VR(0)=5", "VR(1)=6"});
    g_MemoryBase[FindLine(program, 1) + 2] |= 0x80; // breakpoint on line 2
    std::string written = RunProgram(program, 2, kStateRunning, 100);
    EXPECT_EQ(written, "%[Process 2:Program MAIN] - Running\r\n%[Process 2:Line 2] - Paused\r\nVR(0)=5\r\n");
    EXPECT_FLOAT_EQ(Vr(0), 0.0f) << "the line has not run";
}

TEST_F(Interpreter, WaitUntilHoldsTheProgramOnItsLine)
{
    int sleeps = 0;
    env.host.onSleep = [&] {
        if (++sleeps == 30)
            WriteVr(9, 1.0f, 0);
    };
    std::string written = Run({"WAIT UNTIL VR(9)", "VR(0)=1"});
    EXPECT_GE(sleeps, 30) << "the wait gave up its slice on every turn";
    EXPECT_FLOAT_EQ(Vr(0), 1.0f);
    EXPECT_NE(written.find("(31)"), std::string::npos);
}

TEST_F(Interpreter, WaWaitsItsTimeOnTheClock)
{
    g_ServoRunning.store(true);
    uint64_t before = env.host.MillisecondsSinceStart();
    Run({"WA(0)", "VR(0)=1", "WA(20)", "VR(1)=1"});
    EXPECT_FLOAT_EQ(Vr(1), 1.0f);
    EXPECT_GE(env.host.MillisecondsSinceStart() - before, 20u);
    g_ServoRunning.store(false);
}

TEST_F(Interpreter, StopEndsAWaOnItsWay)
{
    g_ServoRunning.store(true);
    int sleeps = 0;
    env.host.onSleep = [&] {
        if (++sleeps == 10)
            SetProcessError(1, kErrProgramStopped); // what STOP does to a process that runs the program
    };
    uint64_t before = env.host.MillisecondsSinceStart();
    std::string written = Run({"WA(100000)", "VR(0)=1"}, 1, kStateRunning, 1000);
    env.host.onSleep = nullptr;
    g_ServoRunning.store(false);
    EXPECT_LT(env.host.MillisecondsSinceStart() - before, 1000u) << "the wait did not end with the stop";
    EXPECT_NE(written.find("(31)"), std::string::npos) << written;
    EXPECT_FLOAT_EQ(Vr(0), 0.0f);
}

TEST_F(Interpreter, ProcessListingInBothForms)
{
    int program = MakeProgram("MOTION", {"a=1", "WAIT UNTIL 0"});
    int second = MakeProgram("SECOND", {"b=1"});
    // Compiled beforehand: nothing compiles while a program runs.
    g_ProcessRecords[0].outputChannel = 8;
    ASSERT_TRUE(CompileProgram(second, 0));
    g_ProcessRecords[0].outputChannel = 0;
    ASSERT_TRUE(AssignProgramToProcess(program, 3, kStateRunning));
    ASSERT_TRUE(AssignProgramToProcess(second, 14, kStatePaused));
    for (int process : {3, 14}) {
        InlineProcess inlineProcess(process);
        for (int n = 0; n < 20; ++n)
            ProcessTurn(process);
    }
    Flushed();
    auto list = [&](int channel) {
        {
            InlineProcess commandLine(0);
            g_ProcessRecords[0].outputChannel = channel;
            const uint8_t code[] = {145};
            int position = 0;
            ListProcesses(code, position, 1, 0);
            EXPECT_EQ(position, 1);
        }
        return Flushed();
    };
    EXPECT_EQ(list(8), "0,1,Command line/NTE,0\r\n3,1,MOTION,1\r\n14,3,SECOND,0\r\n");
    EXPECT_EQ(list(0), "Process Type Status Program          Line\r\n"
                       "------- ---- ------ ---------------- -----\r\n"
                       "      0 Slow Run    Command line/VQE\r\n"
                       "      3 Slow Run    MOTION               1\r\n"
                       "     14 Fast Pause  SECOND               0\r\n");
    for (int process : {3, 14}) {
        g_ProcessRecords[process].requestedState = kStateStopped;
        InlineProcess inlineProcess(process);
        for (int n = 0; n < 20 && ProcessTurn(process); ++n) {
        }
    }
    EXPECT_EQ(list(8), "0,1,Command line/NTE,0\r\n") << "a stopped process is not listed";
}

TEST_F(Interpreter, LookupSendsValuesAndReachesAnotherProcesssLocals)
{
    // Forms 0 and 1: a 0 byte, then 4 bytes per value, least significant
    // first, sent as data: the 28 is no line end.
    std::string written = Run({"LOOKUP(1, 28, -2)", "LOOKUP(0, 1.5)", "LOOKUP(9, 1)"});
    const std::string sent = std::string("\0\x1c\0\0\0\xfe\xff\xff\xff", 9) + std::string("\0\0\0\xc0\x3f", 5);
    EXPECT_NE(written.find(sent), std::string::npos) << written;

    // Forms 2 to 4 on process 2's locals; errors stay with the caller.
    ProcessRecord& other = g_ProcessRecords[2];
    other.localValues[3] = 300.75f;
    other.localFlags[5] = 1; // read-only
    other.localValues[5] = 8.0f;
    written = Run({"LOOKUP(2, 3) PROC(2)", "VR(0)=LOOKUP(3, 3) PROC(2)", "LOOKUP(4, 4, 9.5) PROC(2)",
                   "VR(1)=LOOKUP(3, 4)", "LOOKUP(4, 5, 1) PROC(2)"});
    EXPECT_NE(written.find(std::string("\0\x2c\x01\0\0", 5) + "0"), std::string::npos) << written;
    EXPECT_FLOAT_EQ(Vr(0), 300.75f);
    EXPECT_FLOAT_EQ(other.localValues[4], 9.5f);
    EXPECT_FLOAT_EQ(Vr(1), 0.0f) << "PROC(2) chose process 2 for its own call only";
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrReadOnly);
    EXPECT_EQ(other.errorNumber, 0);
    EXPECT_FLOAT_EQ(other.localValues[5], 8.0f);
}

TEST_F(Interpreter, LocalsBoundToVrOrReadOnly)
{
    g_ProcessRecords[1].localFlags[0] = 3; // stands for VR(its value)
    g_ProcessRecords[1].localValues[0] = 5.0f;
    g_ProcessRecords[1].localFlags[1] = 1; // read-only
    g_ProcessRecords[1].localValues[1] = 7.0f;
    EXPECT_EQ(WriteLocal(0, 2.5f, 1), 2.5f);
    EXPECT_FLOAT_EQ(Vr(5), 2.5f);
    EXPECT_FLOAT_EQ(ReadLocal(0, 1), 2.5f);
    WriteLocal(1, 9.0f, 1);
    EXPECT_EQ(GetProcessError(1), kErrReadOnly);
    EXPECT_FLOAT_EQ(ReadLocal(1, 1), 7.0f);
}

TEST_F(Interpreter, TableGrowsOneByOneAndNeverIntoThePrograms)
{
    SetTableEntriesInUse(10);
    float value = 0.0f;
    EXPECT_FALSE(ReadTable(10, value, 1));
    EXPECT_EQ(GetProcessError(1), kErrTableIndex);
    SetProcessError(1, 0);
    EXPECT_TRUE(WriteTable(10, 1.5f, 1));
    EXPECT_EQ(TableEntriesInUse(), 11);
    int32_t stored;
    std::memcpy(&stored, g_MemoryBase + g_MemorySize - 4, 4);
    EXPECT_EQ(stored, 11) << "TSIZE is kept in the image's last 4 bytes";
    EXPECT_TRUE(ReadTable(10, value, 1));
    EXPECT_EQ(value, 1.5f);

    // The largest index fits while the programs leave room ...
    EXPECT_TRUE(WriteTable(255999, 0.0f, 1)) << GetProcessError(1);
    EXPECT_FALSE(WriteTable(256000, 0.0f, 1));
    EXPECT_EQ(GetProcessError(1), kErrTableIndex);
    // ... and growing to it is refused once the program area reaches its place.
    SetProcessError(1, 0);
    SetTableEntriesInUse(255999);
    SetProgramAreaEnd(static_cast<int32_t>(g_MemorySize) - 8 - 4 * 255990);
    EXPECT_FALSE(WriteTable(255999, 1.0f, 1));
    EXPECT_EQ(GetProcessError(1), kErrOutOfMemory);
    EXPECT_EQ(TableEntriesInUse(), 255999);
}

TEST_F(Interpreter, ATableWriteStopsAtTheValueThatFails)
{
    Run({"TABLE(20, 1, 2, SQR(-1), 4)"});
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrParameterOutOfRange);
    float value = 0.0f;
    EXPECT_TRUE(ReadTable(21, value, 1));
    EXPECT_EQ(value, 2.0f) << "the values before it are written";
    EXPECT_TRUE(ReadTable(23, value, 1));
    EXPECT_EQ(value, 0.0f) << "the value behind it is not";
}

TEST_F(Interpreter, BSplineOfEqualValuesIsFlat)
{
    for (int n = 0; n < 4; ++n)
        WriteTable(n, 2.5f, 1);
    Run({"B_SPLINE(1, 0, 4, 100, 10)"});
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    float value = 0.0f;
    for (int n = 100; n < 100 + 4 * 10 + 2; ++n) {
        ASSERT_TRUE(ReadTable(n, value, 1)) << n;
        EXPECT_NEAR(value, 2.5f, 1e-5f) << "entry " << n;
    }
    for (const char* line :
         {"B_SPLINE(2, 0, 4, 100, 10)", "B_SPLINE(1, 0, 3, 100, 10)", "B_SPLINE(1, 0, 4, 255990, 10)"}) {
        ResetMemory();
        Run({line});
        EXPECT_EQ(g_ProcessRecords[1].lastError, kErrParameterOutOfRange) << line;
    }
}

TEST_F(Interpreter, VrAndTableSurviveARestartOnTheSameImages)
{
    Run({"VR(1023)=2", "TABLE(5, 7.5)"});
    // A restart: the runtime powers up again on the images it left.
    BindMemoryImages();
    RestoreMemory(0);
    Printed();
    EXPECT_FLOAT_EQ(ReadVr(1023, 1), 2.0f);
    float value = 0.0f;
    EXPECT_TRUE(ReadTable(5, value, 1));
    EXPECT_EQ(value, 7.5f);
}

TEST_F(Interpreter, FlashVrKeepsValuesThroughALostMemoryAndARestart)
{
    Run({"VR(0)=1.5", "VR(1023)=-7", "VR(7)=3", "VR(5)=9", "FLASHVR(0)", "FLASHVR(1023)", "FLASHVR(7)", "VR(7)=4",
         "FLASHVR(7)", "VR(0)=2"});
    ASSERT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    // The battery-backed memory is lost; the runtime powers up again.
    std::fill(env.host.batteryRam.begin(), env.host.batteryRam.end(), uint8_t{0});
    BindMemoryImages();
    RestoreMemory(0);
    Flushed();
    EXPECT_FLOAT_EQ(ReadVr(0, 1), 1.5f) << "the value it had when kept";
    EXPECT_FLOAT_EQ(ReadVr(1023, 1), -7.0f);
    EXPECT_FLOAT_EQ(ReadVr(7, 1), 4.0f) << "the later record wins";
    EXPECT_FLOAT_EQ(ReadVr(5, 1), 0.0f) << "not kept";
    EXPECT_TRUE(IsFlashKeptVr(7));
    EXPECT_FALSE(IsFlashKeptVr(5));

    struct Case {
        const char* line;
        int32_t error;
    };
    const Case cases[] = {
        {"FLASHVR(1023)", kErrProgramStopped},       {"FLASHVR(1023.9)", kErrProgramStopped},
        {"FLASHVR(1024)", kErrParameterOutOfRange},  {"FLASHVR(-5)", kErrParameterOutOfRange},
        {"FLASHVR(3, 1)", kErrCloseBracketExpected},
    };
    for (const Case& c : cases) {
        Run({c.line});
        EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.line;
    }
}

TEST_F(Interpreter, FlashVrNegativeFormsCopyTheTableToAndFromFlash)
{
    for (int32_t n = 0; n < 32000; ++n)
        ASSERT_TRUE(WriteTable(n, static_cast<float>(n), 1));
    auto flashFloat = [&](uint32_t at) {
        float value;
        std::memcpy(&value, env.host.flash.data() + at, 4);
        return value;
    };
    auto table = [](int32_t index) {
        float value = -1.0f;
        EXPECT_TRUE(ReadTable(index, value, 1)) << index;
        return value;
    };
    auto erased = [&](uint32_t from, uint32_t to) {
        return std::all_of(env.host.flash.begin() + from, env.host.flash.begin() + to,
                           [](uint8_t b) { return b == 0xFF; });
    };

    // The whole TABLE, where the power-up reads it: a mark byte 0, the
    // values from byte 1.
    Run({"FLASHVR(-1)"});
    ASSERT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_EQ(env.host.flash[0x100000], 0);
    EXPECT_EQ(flashFloat(0x100001 + 4 * 7), 7.0f);
    EXPECT_EQ(flashFloat(0x100001 + 4 * 31999), 31999.0f);
    EXPECT_TRUE(erased(0x1FA001, 0x200000)) << "nothing beyond the last value";
    EXPECT_TRUE(erased(0x200000, 0x300000)) << "the pages are another area";
    EXPECT_TRUE(erased(0x60000, 0x100000)) << "nor in the runtime's first megabyte";
    Run({"FLASHVR(-2)"});
    ASSERT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_TRUE(erased(0x100000, 0x200000));

    // Block 1 (16000 to 31999) to page 1 and back; block 0 to page 15 and
    // from there into block 15.
    Run({"FLASHVR(-3, 1)", "TABLE(16000, -1)", "FLASHVR(-4, 1)"});
    ASSERT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_EQ(std::vector<uint8_t>(env.host.flash.begin() + 0x210000, env.host.flash.begin() + 0x210004),
              std::vector<uint8_t>(4, 0))
        << "page 1's mark";
    EXPECT_EQ(flashFloat(0x210004), 16000.0f);
    EXPECT_EQ(table(16000), 16000.0f) << "copied back";
    Run({"FLASHVR(-3, 0, 15)", "FLASHVR(-4, 15, 15)"});
    ASSERT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_EQ(flashFloat(0x2F0004 + 4 * 5), 5.0f);
    EXPECT_EQ(table(240005), 5.0f);

    struct Case {
        const char* line;
        int32_t error;
    };
    const Case cases[] = {
        {"FLASHVR(-4, 2)", kErrParameterOutOfRange},     // page 2 holds no block
        {"FLASHVR(-3, 16)", kErrParameterOutOfRange},    // TABLE has blocks 0 to 15
        {"FLASHVR(-3, 0, 16)", kErrParameterOutOfRange}, // and flash pages 0 to 15
        {"FLASHVR(-3, -1, 0)", kErrParameterOutOfRange}, //
        {"FLASHVR(-3)", kErrCommaExpected},              // the block is needed
        {"FLASHVR(-1, 1)", kErrCloseBracketExpected},    //
        {"FLASHVR(-5)", kErrParameterOutOfRange},        //
    };
    for (const Case& c : cases) {
        Run({c.line});
        EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.line;
    }
}

TEST_F(Interpreter, FlashVrTriesEachFlashStepTenTimes)
{
    WriteTable(3, 1.5f, 1);
    struct Case {
        FlashOperation failing;
        int failures; // of that operation, before it works
        int32_t error;
    };
    const Case cases[] = {
        {FlashOperation::Program, 9, kErrProgramStopped},
        {FlashOperation::Program, 10, kErrProgrammingFlash},
        {FlashOperation::Erase, 9, kErrProgramStopped},
        {FlashOperation::Erase, 10, kErrErasingFlash},
    };
    for (const Case& c : cases) {
        std::fill(env.host.flash.begin(), env.host.flash.end(), uint8_t{0xFF});
        auto count = std::make_shared<int>(0);
        SetFlashFaultHook([count, c](FlashOperation operation, uint32_t, uint32_t) {
            return operation != c.failing || (*count)++ >= c.failures;
        });
        Run({"FLASHVR(-3, 0, 4)"});
        SetFlashFaultHook(nullptr);
        EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.failures;
        EXPECT_EQ(env.host.flash[0x240000] == 0, c.error == kErrProgramStopped)
            << "the page is marked only when its copy is complete";
    }
}

// Programs and the TABLE's image mirror share the battery-backed memory: a
// program store larger than the room below the TABLE's far end.
TEST_F(Interpreter, TableValuesNeverMeetProgramBytes)
{
    const int64_t farEnd = static_cast<int64_t>(g_MemorySize) - 8 - 4 * 255999; // where TABLE(255999) lies
    std::vector<std::string> lines(400, "a=12345678+87654321+VR(1)");
    auto makeBig = [&] {
        int big = MakeProgram("BIG", lines);
        EXPECT_GE(big, 0);
        EXPECT_GT(ProgramAreaEnd(), farEnd);
        return big;
    };
    auto table = [](int32_t index) {
        float value = -1.0f;
        EXPECT_TRUE(ReadTable(index, value, 1)) << index << " error " << GetProcessError(1);
        SetProcessError(1, 0);
        return value;
    };
    auto mirror = [](int32_t index) {
        float value;
        std::memcpy(&value, g_MemoryBase + g_MemorySize - 8 - 4 * index, 4);
        return value;
    };
    auto storeInFlash = [&] {
        bool stored;
        {
            InlineProcess commandLine(0); // its progress lines go out as they come
            stored = StoreProgramsInFlash(0);
        }
        Flushed();
        return stored;
    };
    WriteTable(0, 1.5f, 1);
    WriteTable(255999, 2.5f, 1);

    // Program edits: the values stay, and the programs' bytes too.
    int big = makeBig();
    const std::vector<std::vector<uint8_t>> bytes = ProgramLines(big);
    EXPECT_EQ(table(255999), 2.5f);
    EXPECT_TRUE(WriteTable(255999, 9.0f, 1));
    EXPECT_EQ(table(255999), 9.0f);
    EXPECT_EQ(ProgramLines(big), bytes) << "a TABLE write reached the program";
    EXPECT_EQ(Run({"VR(0)=TABLE(255999)"}).find("(65)"), std::string::npos);
    EXPECT_FLOAT_EQ(Vr(0), 9.0f);
    ASSERT_TRUE(DeleteProgram("ALL", 0));
    EXPECT_EQ(table(255999), 9.0f) << "after NEW the value, not the program's bytes";
    EXPECT_EQ(mirror(255999), 9.0f) << "the mirror holds the value again";

    // Power-up on the same image: the mirrored values survive; one whose
    // place the programs hold reads 0, never program bytes.
    BindMemoryImages();
    RestoreMemory(0);
    EXPECT_EQ(table(255999), 9.0f);
    EXPECT_EQ(table(0), 1.5f);
    makeBig();
    BindMemoryImages();
    RestoreMemory(0);
    EXPECT_EQ(table(255999), 0.0f);
    EXPECT_EQ(table(0), 1.5f);

    // Power-up from EPROM: programs stored in flash come back over the
    // place of a value, and a smaller copy gives the place back.
    WriteTable(255999, 4.0f, 1);
    ASSERT_TRUE(storeInFlash());
    ASSERT_TRUE(DeleteProgram("ALL", 0));
    EXPECT_EQ(mirror(255999), 4.0f);
    ASSERT_TRUE(WriteSetting(1, kSettingPowerUp, 0));
    RestoreMemory(0);
    big = FindProgram("BIG");
    ASSERT_GE(big, 0);
    EXPECT_EQ(ProgramLines(big), bytes);
    EXPECT_EQ(table(255999), 4.0f);
    ASSERT_TRUE(DeleteProgram("ALL", 0));
    ASSERT_TRUE(storeInFlash()); // an empty copy
    makeBig();
    WriteTable(255999, 6.0f, 1);
    RestoreMemory(0);
    EXPECT_LT(ProgramAreaEnd(), farEnd);
    EXPECT_EQ(table(255999), 6.0f);
    EXPECT_EQ(mirror(255999), 6.0f) << "the place the old programs left holds the value";
    WriteSetting(0, kSettingPowerUp, 0);
    Flushed();
}

struct ParameterCase {
    const char* statement;
    int32_t error;
    const char* readBack; // an expression for VR(0) afterwards, "" for none
    float expected;
};

TEST_F(Interpreter, ParameterWritesAndReads)
{
    const ParameterCase cases[] = {
        {"UNITS=0", kErrParameterOutOfRange, "UNITS", 1.0f},
        {"UNITS=1000:SPEED=2", 0, "SPEED", 2.0f},
        {"SERVO_PERIOD=750", kErrParameterOutOfRange, "SERVO_PERIOD", 1000.0f},
        {"SERVO_PERIOD=500", 0, "SERVO_PERIOD", 500.0f},
        {"SRAMP=11", kErrParameterOutOfRange, "SRAMP", 0.0f},
        {"SRAMP=3", 0, "SRAMP", 3.0f},
        {"FWD_IN=-1", 0, "FWD_IN", -1.0f},
        {"FWD_IN=32", kErrParameterOutOfRange, "FWD_IN", -1.0f},
        {"FWD_IN=31", 0, "FWD_IN", 31.0f},
        {"a=1", 0, "CONTROL", 200.0f},
        {"LOT_NUMBER=1", kErrCommandOutOfContext, "", 0.0f},
        {"a=LOT_NUMBER", kErrParameterOutOfRange, "", 0.0f},
        {"SPEED AXIS(2)=7", 0, "SPEED AXIS(2)", 7.0f},
        {"ACCEL=0", 0, "ACCEL", 0.0f},
    };
    for (const ParameterCase& c : cases) {
        ResetMemory();
        SetAxisDefaults();
        SetSystemDefaults();
        ResetParameterValues();
        std::vector<std::string> lines = {c.statement};
        if (c.readBack[0] != '\0')
            lines.push_back(std::string("VR(0)=") + c.readBack);
        std::memset(g_MemoryBase + 780, 0, 4);
        std::string written = Run(lines);
        if (c.error != 0) {
            EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.statement << ": " << written;
            if (c.readBack[0] != '\0') {
                // The old value stays: read it in a second program.
                ResetMemory();
                Run({std::string("VR(0)=") + c.readBack});
            }
        } else {
            EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped) << c.statement << ": " << written;
        }
        if (c.readBack[0] != '\0') {
            EXPECT_FLOAT_EQ(Vr(0), c.expected) << c.statement;
        }
    }
    EXPECT_FLOAT_EQ(g_AxisRecords[0].GetFloat(kAxisSpeed), 1000.0f) << "SPEED of axis 2 left axis 0 alone";
}

TEST_F(Interpreter, StoredFormsOfParameters)
{
    ResetMemory();
    Run({"UNITS=1000", "SPEED=2", "ACCEL=4", "SERVO_PERIOD=500"});
    EXPECT_FLOAT_EQ(g_AxisRecords[0].GetFloat(kAxisSpeed), 2000.0f) << "kept in counts";
    EXPECT_FLOAT_EQ(g_AxisRecords[0].GetFloat(176), 1.0f / 4000.0f) << "the reciprocal of the new ACCEL";
    EXPECT_EQ(ReadSetting(kSettingServoPeriod, 0), 500) << "kept in the flash settings";
    SetSystemDefaults();
    EXPECT_EQ(g_SystemValues.servoMicroseconds, 500) << "and read again at power-up";

    // ACCEL=0 leaves no infinite reciprocal.
    Run({"ACCEL=0"});
    EXPECT_EQ(g_AxisRecords[0].GetFloat(176), 0.0f);

    // PROTOCOL 11 gives the port channel 10; 0 gives it the link's channels.
    Run({"PROTOCOL=11"});
    EXPECT_EQ(g_PortRecords[0].type, 11);
    EXPECT_EQ(g_PortRecords[0].rateWords[1], 10);
    EXPECT_EQ(g_ChannelRecords[10].port, 0);
    g_ChannelRecords[7].port = -1;
    Run({"PROTOCOL=0"});
    EXPECT_EQ(g_PortRecords[0].type, 0);
    EXPECT_EQ(g_PortRecords[0].rateWords[0], 0);
    EXPECT_EQ(g_ChannelRecords[7].port, 0);

    // CONTROL reads 1200 while the controller is locked.
    ASSERT_TRUE(WriteSetting(0, kSettingUnlocked, 0));
    ResetMemory();
    Run({"VR(0)=CONTROL"});
    EXPECT_FLOAT_EQ(Vr(0), 1200.0f);
}

} // namespace
