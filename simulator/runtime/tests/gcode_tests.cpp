// G-code programs run as a process on the test thread on virtual time. The
// serving side of the VR(0) handshake is played by the servo period, which
// the G-code process's wait runs in place: it records each hand-off and
// answers with VR(0) = 0. The real serving BASIC program on a second process
// is in GcodeThreads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/command_line.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/gcode.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

using HandOff = std::vector<float>; // VR(0), then the values it counts

std::vector<HandOff> g_Served;
int g_AnswerAfter = 0; // servo periods the serving side lets pass before it answers
int g_Waited = 0;

// The serving program: takes what VR(0) announces and answers 0.
void ServeOnePeriod()
{
    const float count = ReadVr(0, 0);
    if (count == 0.0f)
        return;
    if (g_Waited++ < g_AnswerAfter)
        return;
    g_Waited = 0;
    HandOff taken{count};
    for (int n = 1; n <= static_cast<int>(count); ++n)
        taken.push_back(ReadVr(n, 0));
    g_Served.push_back(taken);
    WriteVr(0, 0.0f, 0);
}

int MakeGcodeProgram(const std::string& name, const std::vector<std::string>& lines)
{
    return MakeProgram(name, lines, kProgramTypeGCode);
}

class Gcode : public InterpreterEnvironment {
protected:
    Gcode()
    {
        g_Served.clear();
        g_AnswerAfter = 0;
        g_Waited = 0;
        SetMotionPass(ServeOnePeriod);
        g_ServoRunning.store(true);
    }
    ~Gcode() override
    {
        g_ServoRunning.store(false);
        InstallMotionGenerator();
    }

    // Runs the lines as a G-code program on process 1 until it ends; returns
    // what reached the link.
    std::string Run(const std::vector<std::string>& lines, int32_t state = kStateRunning, int maxTurns = 2000)
    {
        if (FindProgram("GC") >= 0)
            DeleteProgram("GC", 0);
        int program = MakeGcodeProgram("GC", lines);
        EXPECT_GE(program, 0);
        EXPECT_TRUE(AssignProgramToProcess(program, 1, state));
        Turns(maxTurns);
        return Flushed();
    }

    void Turns(int count)
    {
        InlineProcess inlineProcess(1);
        for (int n = 0; n < count && ProcessTurn(1); ++n) {
        }
    }

    std::string Flushed()
    {
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    static float Local(int n) { return g_ProcessRecords[1].localValues[n]; }
};

TEST_F(Gcode, WordsGoToTheServingProgramInPriorityOrder)
{
    std::string written = Run({"G0 X99", "%", "(behind the marker)", "G1 X10 F100", "(tool change)", "%", "G0 X1"});
    // F (priority 3) before G1 (priority 20), then the end of the block.
    const std::vector<HandOff> expected = {{2, 70, 100}, {4, 71, 1, 88, 10}, {-1}};
    EXPECT_EQ(g_Served, expected);
    EXPECT_EQ(written, "%[Process 1:Program GC] - Running\r\n"
                       "tool change\r\n"
                       "%[Process 1:Line 6] (31) - Program is stopped\r\n")
        << "lines before the marker and right behind it are passed over; the second marker ends the program";
    EXPECT_FLOAT_EQ(ReadVr(0, 0), 0.0f);
}

TEST_F(Gcode, TheBlockWaitsForEachAnswer)
{
    g_AnswerAfter = 5;
    Run({"%", "", "M3 S1200 T2"});
    const std::vector<HandOff> expected = {{2, 83, 1200}, {2, 84, 2}, {2, 77, 3}, {-1}};
    EXPECT_EQ(g_Served, expected) << "no word overwrites one the serving side has not taken";
}

TEST_F(Gcode, ParametersAloneGoToTheWordHeldOverFromAnEarlierBlock)
{
    std::string written = Run({"%", "", "G1 X0 Y0", "X10 Y20", "G4 P5", "X1"});
    const std::vector<HandOff> expected = {{6, 71, 1, 88, 0, 89, 0}, {-1}, {6, 71, 1, 88, 10, 89, 20}, {-1},
                                           {4, 71, 4, 80, 5},       {-1}};
    EXPECT_EQ(g_Served, expected);
    EXPECT_NE(written.find("%[Process 1:Line 5] (100) - Invalid parameter for command\r\n"), std::string::npos)
        << "G4 takes no X: " << written;
}

TEST_F(Gcode, AssignmentsRunLastAndExpressionsEvaluate)
{
    struct Case {
        const char* expression;
        float value;
    };
    const Case cases[] = {
        {"[2+3]*2", 10.0f},     {"2+3*4", 14.0f},        {"[2+3]*4", 20.0f},   {"-2+3", 1.0f},
        {"2*-3+1", -5.0f},      {"#2+2", 6.0f},          {"-[2 + 3]", -5.0f},  {"10-4-3", 3.0f},
        {"2^3*2", 16.0f},       {"7 MOD 3", 1.0f},       {"5 AND 3", 1.0f},    {"NOT 0", -1.0f},
        {"SIN[0]+1", 1.0f},     {"ABS[-2]*3", 6.0f},     {"VR[7]*2", 6.0f},    {"#[1+1]", 4.0f},
    };
    for (const Case& c : cases) {
        WriteVr(7, 3.0f, 0);
        g_Served.clear();
        std::string line = std::string("#1=") + c.expression;
        std::string written = Run({"%", "", "#2=4", line});
        EXPECT_FLOAT_EQ(Local(1), c.value) << line << ": " << written;
        EXPECT_NE(written.find("(31) - Program is stopped"), std::string::npos) << line << ": " << written;
        // An assignment is carried out here; only the end of its block is handed on.
        EXPECT_EQ(g_Served, (std::vector<HandOff>{{-1}, {-1}})) << line;
    }

    g_Served.clear();
    Run({"%", "", "#3=1 G0 X#3"});
    EXPECT_EQ(g_Served, (std::vector<HandOff>{{4, 71, 0, 88, 0}, {-1}}))
        << "the word's value is read in the parse, the assignment runs after the words";
    EXPECT_FLOAT_EQ(Local(3), 1.0f);
}

TEST_F(Gcode, ErrorsStopTheProgramWithTheirReport)
{
    struct Case {
        std::string block;
        int32_t error;
    };
    std::string sixtyOneWords; // the shortest words, so that the line fits its record
    for (int n = 0; n < 61; ++n)
        sixtyOneWords += "S1";
    const std::string tooDeep = "G1 X" + std::string(20, '[') + "1" + std::string(20, ']');
    const Case cases[] = {
        {"G5", 99},
        {"G1.5", 99},
        {"M100", 99},
        {"G-1", 99},
        {"#1023=1", kErrParameterOutOfRange},
        {"#-1=1", kErrParameterOutOfRange},
        {"G1 X#[1023]", kErrParameterOutOfRange},
        {"X1", 100}, // no word held over yet
        {"G81 X1 Y2 Z3 I4 J5 K6 R7 P8", 101},
        {sixtyOneWords, 101},
        {"#5 2", kErrAssignmentExpected},
        {"G1 X[1+2", kErrTooManyStructures},
        {tooDeep, kErrTooManyStructures},
        {"G1 X1]", kErrStructureNesting},
        {"G1 X1,2", kErrStructureNesting},
        {"G1 X1/0", kErrDivideByZero},
        {"G", kErrOperandExpected},
        {"G1 X*2", kErrOperandExpected},
        {"G1 X2-", kErrOperandExpected},
        {"VR[1]", kErrCommandNotRecognized},
        {"G1 X SIN[1,2]", kErrEvaluation},
    };
    for (const Case& c : cases) {
        ResetMemory();
        g_Served.clear();
        std::string written = Run({"%", "", c.block, "G0 X0"});
        const std::string report = "%[Process 1:Line 2] (" + std::to_string(c.error) + ") - ";
        EXPECT_NE(written.find(report), std::string::npos) << c.block << ": " << written;
        EXPECT_EQ(g_ProcessRecords[1].lastError, c.error) << c.block;
        EXPECT_EQ(g_ProcessRecords[1].currentState, kStateStopped) << c.block;
        EXPECT_TRUE(g_Served.empty()) << c.block << ": the failed block hands nothing on, the next does not run";
    }
}

// The largest blocks that fit: seven parameters on one word, sixty words,
// the last local variable (one more of each fails above).
TEST_F(Gcode, TheLargestBlocksRun)
{
    Run({"%", "", "G81 X1 Y2 Z3 I4 J5 K6 R7"});
    const std::vector<HandOff> expected = {{16, 71, 81, 88, 1, 89, 2, 90, 3, 73, 4, 74, 5, 75, 6, 82, 7}, {-1}};
    EXPECT_EQ(g_Served, expected);
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);

    g_Served.clear();
    std::string sixtyWords = "#1022=5"; // runs last, at priority 99
    for (int n = 0; n < 59; ++n)
        sixtyWords += "T" + std::to_string(n % 10);
    Run({"%", "", sixtyWords});
    ASSERT_EQ(g_Served.size(), 60u);
    EXPECT_EQ(g_Served[58], (HandOff{2, 84, 8})) << "equal priorities keep their order in the block";
    EXPECT_EQ(g_ProcessRecords[1].lastError, kErrProgramStopped);
    EXPECT_FLOAT_EQ(Local(1022), 5.0f);
}

TEST_F(Gcode, SteppingPausesBehindEachBlock)
{
    std::string written = Run({"%", "", "G0 X1", "G0 X2"}, kStateStep, 20);
    EXPECT_EQ(written, "%[Process 1:Program GC] - Running\r\n%[Process 1:Line 0] - Paused\r\n\r\n");
    for (int step = 0; step < 3; ++step) {
        g_ProcessRecords[1].requestedState = kStateStep;
        Turns(20);
    }
    EXPECT_EQ(Flushed(), "%[Process 1:Line 1] - Paused\r\n%\r\n"
                         "%[Process 1:Line 2] - Paused\r\n\r\n"
                         "%[Process 1:Line 3] - Paused\r\nG0 X1\r\n");
    EXPECT_EQ(g_Served, (std::vector<HandOff>{{4, 71, 0, 88, 1}, {-1}})) << "one block per step";
    EXPECT_EQ(g_ProcessRecords[1].currentState, kStatePaused);
}

TEST_F(Gcode, AStopEndsTheWaitForAnAnswer)
{
    g_AnswerAfter = 1000000; // the serving side never answers
    int program = MakeGcodeProgram("GC", {"%", "", "G0 X1", "G0 X2"});
    ASSERT_TRUE(AssignProgramToProcess(program, 1, kStateRunning));
    int sleeps = 0;
    env.host.onSleep = [&] {
        if (++sleeps == 50)
            g_ProcessRecords[1].requestedState = kStateStopped;
    };
    // Without an answer the block waits in its step; a stop request from
    // elsewhere ends the wait and then the program.
    g_ProcessRecords[1].stopRequest.store(0);
    Turns(200);
    env.host.onSleep = nullptr;
    EXPECT_EQ(g_ProcessRecords[1].currentState, kStateStopped);
    EXPECT_TRUE(g_ProcessRecords[1].endFlag);
    EXPECT_FLOAT_EQ(ReadVr(4, 0), 1.0f) << "only the first block's word was handed on";
}

// G code is never compiled: COMPILE leaves it alone and RUN starts it.
TEST_F(Gcode, RunStartsAProgramThatHasNoCode)
{
    int program = MakeGcodeProgram("GC", {"%", "", "G1 X1"});
    SelectProgramNumber(program, 0);
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("COMPILE");
    }
    EXPECT_FALSE(HasCode(program));
    EXPECT_EQ(Flushed(), "") << "COMPILE reports nothing";
    int basic = MakeProgram("OTHER", {"a=1"});
    ASSERT_GE(basic, 0);
    EXPECT_EQ(ProgramType(program), kProgramTypeGCode) << "selecting away compiles nothing";
    EXPECT_FALSE(HasCode(program));
}

} // namespace

namespace {

// A G-code program and the BASIC program that serves it, each on a process
// of its own under a real sequencer: the server writes every hand-off (VR(0)
// to VR(4)) into TABLE and answers until the end of a block.
TEST(GcodeThreads, TheServingBasicProgramReceivesTheWordsOfABlock)
{
    RuntimeEnvironment env;
    InitProcessTable();
    ResetMemory();
    ClearCommandLineVariables();
    InstallInterpreter();
    RunServices();
    env.host.TakeWritten(0);
    std::memset(g_MemoryBase + 780, 0, 4096);

    int server = MakeProgram("SERVER", {"t=0", "REPEAT", "WAIT UNTIL VR(0)<>0",
                                        "TABLE(t, VR(0), VR(1), VR(2), VR(3), VR(4))", "t=t+5", "k=VR(0)",
                                        "VR(0)=0", "UNTIL k=-1"});
    ASSERT_GE(server, 0);
    g_ProcessRecords[0].outputChannel = 8;
    ASSERT_TRUE(CompileProgram(server, 0));
    ASSERT_GE(MakeGcodeProgram("GC", {"%", "", "G1 X10 F100", "%"}), 0);
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("RUN \"SERVER\", 2");
        ExecuteCommandLine("RUN \"GC\", 1");
    }
    g_ProcessRecords[0].outputChannel = 0;
    TestSequencer sequencer;
    sequencer.Start();
    bool done = WaitFor([&] {
        const std::string written = env.host.Written(0);
        return written.find("%[Process 1:Line 4] (31)") != std::string::npos &&
               written.find("%[Process 2:Line") != std::string::npos;
    });
    sequencer.Stop();
    std::string written = env.host.Written(0);
    ASSERT_TRUE(done) << written;
    EXPECT_NE(written.find("%[Process 2:Line 7] (31) - Program is stopped"), std::string::npos) << written;

    const float expected[] = {2, 70, 100, 0, 0, 4, 71, 1, 88, 10, -1, 71, 1, 88, 10};
    for (int n = 0; n < 15; ++n) {
        float value = 0.0f;
        ASSERT_TRUE(ReadTable(n, value, 0)) << n;
        EXPECT_FLOAT_EQ(value, expected[n]) << "TABLE(" << n << ")";
    }
}

} // namespace
