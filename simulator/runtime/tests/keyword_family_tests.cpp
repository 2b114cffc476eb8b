// The terminal, I/O, capture and system keywords, run on the command line's
// process and in programs on the test thread, on virtual time.
#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/comms_keywords.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/terminal_keywords.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/vocabulary.h"

using namespace qcrt;

namespace {

std::vector<int> g_Started;

bool RecordStart(int process)
{
    g_Started.push_back(process);
    return true;
}

class Keywords : public InterpreterEnvironment {
protected:
    Keywords()
    {
        g_Started.clear();
        SetProcessStarter(RecordStart);
    }
    ~Keywords() override
    {
        SetProcessStarter(nullptr);
        g_LinkProtocolMode = 0;
    }

    // Runs a command line on process 0: what it printed on channel 0 and the
    // error it left (cleared for the next line).
    std::string CommandLine(const std::string& line, int32_t* error = nullptr)
    {
        std::vector<uint8_t> tokens = TokenLine(line);
        std::vector<uint8_t> code(1024);
        int length = 0;
        ProcessRecord& r = g_ProcessRecords[0];
        r.errorNumber = 0;
        // What is still waiting on other channels (status lines) goes first.
        for (int n = 0; n < 50; ++n)
            RunServices();
        env.host.TakeWritten(0);
        executionStart = env.host.MillisecondsSinceStart();
        bool compiled = CompileCommandLine(tokens.data(), static_cast<int>(tokens.size()), code.data(),
                                           static_cast<int>(code.size()), length, 0);
        EXPECT_TRUE(compiled) << line << ": error " << r.errorNumber;
        BindDeclaredNames(0, kCommandLineText);
        int position = 0;
        {
            InlineProcess inlineProcess(0);
            while (compiled && position < length && code[static_cast<size_t>(position)] != kTokZero &&
                   r.errorNumber == 0) {
                r.statementAxis = 0;
                r.modifierProcess = 0;
                r.hashChannel = -1;
                ExecuteStatement(code.data(), position, length, 0);
                while (position < length && code[static_cast<size_t>(position)] == kTokColon)
                    ++position;
            }
        }
        if (error)
            *error = r.errorNumber;
        else
            EXPECT_EQ(r.errorNumber, 0) << line;
        r.errorNumber = 0;
        // A long output has partly gone to the link already.
        std::string sent = env.host.TakeWritten(0);
        return sent + Printed();
    }

    int32_t ErrorOf(const std::string& line)
    {
        int32_t error = 0;
        CommandLine(line, &error);
        return error;
    }

    float Value(const std::string& expression)
    {
        CommandLine("VR(1000)=" + expression);
        return Vr(1000);
    }

    // Runs a program on process 1 until it ends; its last error.
    int32_t RunProgram(const std::vector<std::string>& lines)
    {
        if (FindProgram("PROG") >= 0)
            DeleteProgram("PROG", 0);
        int program = MakeProgram("PROG", lines);
        EXPECT_GE(program, 0);
        CompileQuietly(program);
        EXPECT_TRUE(AssignProgramToProcess(program, 1, kStateRunning));
        Turns(1, 10000);
        Printed();
        return g_ProcessRecords[1].lastError;
    }

    // Compiled beforehand, so that its progress lines are not in the way.
    void CompileQuietly(int program)
    {
        g_ProcessRecords[0].outputChannel = 8;
        EXPECT_TRUE(CompileProgram(program, 0));
        g_ProcessRecords[0].outputChannel = 0;
    }

    // Up to n turns of a process, until it ends.
    static void Turns(int process, int n)
    {
        InlineProcess inlineProcess(process);
        for (int k = 0; k < n && ProcessTurn(process); ++k) {
        }
    }

    // Virtual milliseconds the last command line took.
    uint64_t Elapsed() const { return env.host.MillisecondsSinceStart() - executionStart; }
    uint64_t executionStart = 0;

    static float Vr(int n)
    {
        float value;
        std::memcpy(&value, g_MemoryBase + 780 + 4 * n, 4);
        return value;
    }
    static void SetVr(int n, float value) { std::memcpy(g_MemoryBase + 780 + 4 * n, &value, 4); }

    // Puts the fake host's clock at a UTC time of day on a date.
    void SetClock(int year, int month, int day, int hour)
    {
        // FILETIME of the date: days since 1 January 1601.
        const int64_t days = DayNumber(year, month, day) - DayNumber(1601, 1, 1);
        const uint64_t target =
            (static_cast<uint64_t>(days) * 86400 + static_cast<uint64_t>(hour) * 3600) * 10000000ULL;
        ASSERT_GE(target, env.host.Now());
        uint64_t remaining = (target - env.host.Now()) / kTicksPerMillisecond;
        while (remaining > 0) {
            const unsigned step = remaining > 4000000000ULL ? 4000000000u : static_cast<unsigned>(remaining);
            env.host.Advance(step);
            remaining -= step;
        }
    }
};

struct PrintCase {
    const char* line;
    const char* printed;
};

TEST_F(Keywords, PrintFormatsItemsAndLineEnds)
{
    SetVr(20, 'H');
    SetVr(21, 'i');
    SetVr(22, 0);
    const PrintCase cases[] = {
        {"PRINT 3", "3.0000\r\n"},
        {"PRINT 3[5.2]", " 3.00\r\n"},
        {"PRINT 3[2]", "3.00\r\n"},
        {"PRINT 3[6,1]", "   3.0\r\n"},
        {"PRINT -2.5[0,0]", "-3\r\n"},
        {"PRINT 12345[3.1]", "***\r\n"},
        {"PRINT \"ab\";", "ab"},
        {"PRINT \"50%\"", "50%\r\n"},
        {"PRINT 1,2", "1.0000     2.0000\r\n"},
        {"PRINT \"x\";3", "x3.0000\r\n"},
        {"PRINT 1,", "1.0000     \r\n"},
        {"PRINT", "\r\n"},
        {"PRINT CHR(65);HEX(255)", "AFF\r\n"},
        {"PRINT HEX(-1)", "FFFFFF\r\n"},
        {"PRINT HEX(16777215);HEX(-8388608)", "FFFFFF800000\r\n"},
        {"PRINT CURSOR(79);", "\x1bHO"},
        {"PRINT VRSTRING(20)", "Hi\r\n"},
        {"PRINT VERSION[4.2]", "1.65\r\n"},
    };
    for (const PrintCase& c : cases)
        EXPECT_EQ(CommandLine(c.line), c.printed) << c.line;
}

TEST_F(Keywords, PrintRefusesBadChannelsAndValues)
{
    const std::pair<const char*, int32_t> cases[] = {
        {"PRINT #8, 1", 71},      {"PRINT #9, 1", 71},          {"PRINT #25, 1", 71},
        {"PRINT #-1, 1", 71},     {"PRINT HEX(16777216)", 19},  {"PRINT HEX(-8388609)", 19},
        {"PRINT CURSOR(80)", 19}, {"PRINT VRSTRING(1024)", 19}, {"PRINT VRSTRING(-1)", 19},
    };
    for (const auto& [line, error] : cases)
        EXPECT_EQ(ErrorOf(line), error) << line;
}

TEST_F(Keywords, PrintOnAChannelAndInATerminalWindow)
{
    CommandLine("PRINT #5, 1");
    EXPECT_EQ(DrainOutput(5), "1.0000\x1c"); // the line end stays 28 on a plain channel
    CommandLine("PRINT #10, \"a\"");
    EXPECT_EQ(DrainOutput(3), "\x89"
                              "a\x1c\x88");
    CommandLine("PRINT #24, \"b\";");
    EXPECT_EQ(DrainOutput(3), "\xf9"
                              "b\xf8");
    EXPECT_EQ(g_ProcessRecords[0].outputChannel, 0) << "the channel is restored";
    EXPECT_TRUE(IsResourceFree(kResourceTerminalOutput, 0)) << "the terminal is released";
}

TEST_F(Keywords, GetTakesAWaitingCharacterOnly)
{
    SetVr(1, 7.0f);
    CommandLine("GET VR(1)");
    EXPECT_EQ(Vr(1), 7.0f) << "nothing waiting leaves the variable";
    FillInput(0, "A");
    CommandLine("GET VR(1)");
    EXPECT_EQ(Vr(1), 65.0f);
    FillInput(5, "B");
    CommandLine("GET #5, k: VR(2)=k");
    EXPECT_EQ(Vr(2), 66.0f);
    FillInput(3, "C");
    CommandLine("GET #24, VR(3)");
    EXPECT_EQ(Vr(3), 67.0f) << "terminal windows read channel 3";
    EXPECT_EQ(ErrorOf("GET #25, VR(3)"), 19);
    EXPECT_EQ(ErrorOf("GET #-1, VR(3)"), 19);
    EXPECT_EQ(g_ProcessRecords[0].inputChannel, 0);
}

TEST_F(Keywords, LineInputFillsVrUpToTheCarriageReturn)
{
    FillInput(5, "hi\rrest");
    CommandLine("LINPUT #5, VR(10)");
    EXPECT_EQ(Vr(10), 'h');
    EXPECT_EQ(Vr(11), 'i');
    EXPECT_EQ(Vr(12), 13.0f);
    EXPECT_EQ(DrainInput(5), "rest") << "reading stops at the CR";

    FillInput(5, "xy");
    CommandLine("LINPUT #5, VR(1023)");
    EXPECT_EQ(Vr(1023), 'x');
    EXPECT_EQ(DrainInput(5), "y") << "VR(1023) is the last written";

    EXPECT_EQ(ErrorOf("LINPUT #26, VR(0)"), 19);
    EXPECT_EQ(ErrorOf("LINPUT #10, VR(1024)"), 19);
}

TEST_F(Keywords, KeyTellsWhetherInputWaits)
{
    EXPECT_EQ(Value("KEY"), 0.0f);
    FillInput(0, "z");
    EXPECT_EQ(Value("KEY"), -1.0f);
    FillInput(6, "z");
    EXPECT_EQ(Value("KEY #6"), -1.0f);
    EXPECT_EQ(Value("KEY #106"), -1.0f);
    EXPECT_EQ(Value("KEY #107"), 0.0f);
    EXPECT_EQ(ErrorOf("VR(0)=KEY #10"), 19);
}

TEST_F(Keywords, InputAsksAgainAfterABadEntry)
{
    FillInput(0, "x\r3, -4.5\r");
    std::string printed = CommandLine("INPUT a, b: VR(0)=a: VR(1)=b");
    EXPECT_NE(printed.find("Error in input parameter, please enter again."), std::string::npos) << printed;
    EXPECT_EQ(Vr(0), 3.0f);
    EXPECT_EQ(Vr(1), -4.5f);
}

struct ValueCase {
    const char* expression;
    float value;
};

TEST_F(Keywords, DigitalInputsAndOutputs)
{
    g_InputWord = 0x00F0F5;
    const ValueCase reads[] = {
        {"IN", 0xF0F5},       {"IN(2)", 1},    {"IN(3)", 0},       {"IN(287)", 0},
        {"IN(0,23)", 0xF0F5}, {"IN(4,7)", 15}, {"IN(8,31)", 0xF0},
    };
    for (const ValueCase& c : reads)
        EXPECT_EQ(Value(c.expression), c.value) << c.expression;

    CommandLine("OP(8,1): OP(287,1): OP(31,1)");
    EXPECT_EQ(g_OutputWord, 0x80000100u);
    EXPECT_TRUE(ReadOutput(287));
    EXPECT_EQ(Value("READ_OP(287)"), 1.0f);
    EXPECT_EQ(Value("READ_OP(8,31)"), static_cast<float>(0x800001));
    CommandLine("OP(8,0)");
    CommandLine("OP(1193215)"); // 0x1234FF: outputs 0 to 7 do not exist
    EXPECT_EQ(g_OutputWord, 0x80123400u);
    EXPECT_EQ(Value("OP"), static_cast<float>(0x123400));

    const std::pair<const char*, int32_t> errors[] = {
        {"VR(0)=IN(288)", 19},  {"VR(0)=IN(-1)", 19},        {"VR(0)=IN(0,24)", 19},
        {"VR(0)=IN(9,32)", 19}, {"VR(0)=IN(5,4)", 19},       {"OP(288,1)", 19},
        {"OP(7,1)", 19},        {"VR(0)=READ_OP(8,32)", 19}, {"VR(0)=READ_OP(280,288)", 19},
    };
    for (const auto& [line, error] : errors)
        EXPECT_EQ(ErrorOf(line), error) << line;
}

TEST_F(Keywords, InvertedInputsAndVrBitsAndFlags)
{
    g_InputWord = 0;
    PublishInputs(0);
    CommandLine("INVERT_IN(3,1)");
    EXPECT_EQ(Value("IN(3)"), 1.0f);
    ExchangeInputs();
    EXPECT_EQ(Value("IN(3)"), 1.0f) << "the inversion holds for the next published word";
    CommandLine("INVERT_IN(3,0)");
    EXPECT_EQ(Value("IN(3)"), 0.0f);

    CommandLine("VR(5)=1: SET_BIT(23,5): CLEAR_BIT(0,5)");
    EXPECT_EQ(Vr(5), 8388608.0f);
    EXPECT_EQ(Value("READ_BIT(23,5)"), 1.0f);
    EXPECT_EQ(Value("READ_BIT(0,5)"), 0.0f);

    CommandLine("FLAGS(5): FLAG(23,1)");
    EXPECT_EQ(Value("FLAGS"), 8388613.0f);
    EXPECT_EQ(Value("FLAG(2)"), 1.0f);
    EXPECT_EQ(Value("FLAG(1)"), 0.0f);

    const std::pair<const char*, int32_t> errors[] = {
        {"INVERT_IN(32,1)", 19}, {"INVERT_IN(0,2)", 19},       {"SET_BIT(24,0)", 19},
        {"SET_BIT(0,1024)", 19}, {"VR(0)=READ_BIT(-1,0)", 19}, {"VR(0)=FLAG(24)", 19},
    };
    for (const auto& [line, error] : errors)
        EXPECT_EQ(ErrorOf(line), error) << line;
}

TEST_F(Keywords, AnalogueValuesAndTheirLimits)
{
    SetAnalogueInput(71, 2.5f);
    EXPECT_EQ(Value("AIN(71)"), 2.5f);
    CommandLine("AOUT(35)=40000: AOUT(0)=-40000: AOUT(1)=123");
    EXPECT_EQ(AnalogueOutput(35), 32767);
    EXPECT_EQ(AnalogueOutput(0), -32767);
    EXPECT_EQ(Value("AOUT(1)"), 123.0f);
    EXPECT_EQ(ErrorOf("VR(0)=AIN(72)"), 19);
    EXPECT_EQ(ErrorOf("AOUT(36)=1"), 16);
    EXPECT_EQ(ErrorOf("VR(0)=AOUT(36)"), 16);
}

TEST_F(Keywords, DateNumbersAndTheClockKeywords)
{
    EXPECT_EQ(DayNumber(2026, 12, 9), 46364);
    EXPECT_EQ(DayNumber(2000, 1, 1), 36525);
    EXPECT_EQ(DayNumber(1999, 12, 31), 36524) << "the day before counts one less";
    EXPECT_EQ(DayNumber(2089, 12, 31), DayNumber(2089, 1, 1) + 364);

    SetClock(2026, 12, 9, 12);
    EXPECT_EQ(Value("DATE"), 46364.0f);
    EXPECT_EQ(Value("DAY"), 3.0f); // a Wednesday
    EXPECT_EQ(CommandLine("PRINT DATE$;\" \";DAY$"), "09/12/26 Wednesday\r\n");
    const float before = Value("TIME");
    env.host.Advance(61000);
    EXPECT_EQ(Value("TIME") - before, 61.0f);
    EXPECT_EQ(CommandLine("PRINT TIME$").size(), 10u);

    SetClock(2030, 1, 1, 12);
    EXPECT_EQ(Value("DATE"), static_cast<float>(DayNumber(2030, 1, 1)));

    const std::pair<const char*, int32_t> assignments[] = {
        {"DATE = 29:2:2024", 0},  {"DATE = 30:2:2024", 19}, {"DATE = 29:2:2023", 19}, {"DATE = 0:1:2024", 19},
        {"DATE = 31:4:2024", 19}, {"DATE = 1:13:2024", 19}, {"DATE = 31:12:2024", 0}, {"TIME = 23:59:59", 0},
        {"TIME = 24:0:0", 19},    {"TIME = 0:60:0", 19},    {"TIME = 0:0:-1", 19},    {"DAY = 6", 0},
        {"DAY = 7", 19},
    };
    for (const auto& [line, error] : assignments)
        EXPECT_EQ(ErrorOf(line), error) << line;
    EXPECT_EQ(Value("DATE"), static_cast<float>(DayNumber(2030, 1, 1))) << "the assignments change nothing";
}

TEST_F(Keywords, GlobalsAndConstantsBindInPrograms)
{
    CommandLine("GLOBAL \"amount\", 10");
    CommandLine("CONSTANT \"limit\", 2.5");
    EXPECT_EQ(RunProgram({"amount = 5", "VR(0) = amount + limit"}), kErrProgramStopped);
    EXPECT_EQ(Vr(10), 5.0f) << "the global is VR(10)";
    EXPECT_EQ(Vr(0), 7.5f);
    EXPECT_EQ(RunProgram({"limit = 3"}), kErrReadOnly);

    // The bare word form of the name.
    CommandLine("GLOBAL Other, 11");
    int32_t vr = 0;
    EXPECT_TRUE(FindGlobal("other", vr));
    EXPECT_EQ(vr, 11);
    CommandLine("GLOBAL \"other\"");
    EXPECT_FALSE(FindGlobal("other", vr));

    EXPECT_EQ(CommandLine("LIST_GLOBAL"), "Global           VR\r\n"
                                          "---------------- ----\r\n"
                                          "amount           10\r\n"
                                          "Constant         Value\r\n"
                                          "---------------- -------\r\n"
                                          "limit            2.5000\r\n");

    const std::pair<const char*, int32_t> errors[] = {
        {"GLOBAL \"nope\"", 64},    {"CONSTANT \"amount\", 1", 91}, {"GLOBAL \"limit\", 1", 91},
        {"GLOBAL \"x\", 1024", 19}, {"GLOBAL \"x\", -1", 19},
    };
    for (const auto& [line, error] : errors)
        EXPECT_EQ(ErrorOf(line), error) << line;
}

TEST_F(Keywords, AnIncludedProgramRunsInPlace)
{
    ASSERT_GE(MakeProgram("LIB", {"VR(1) = VR(0) + 1"}), 0);
    EXPECT_EQ(RunProgram({"VR(0) = 4", "INCLUDE \"lib\"", "VR(2) = VR(1) * 2"}), kErrProgramStopped);
    EXPECT_EQ(Vr(1), 5.0f);
    EXPECT_EQ(Vr(2), 10.0f);

    // A program of comments alone includes nothing.
    ASSERT_GE(MakeProgram("NOTES", {"' nothing to run"}), 0);
    EXPECT_EQ(RunProgram({"INCLUDE \"notes\"", "VR(3) = 1"}), kErrProgramStopped);
    EXPECT_EQ(Vr(3), 1.0f);
}

TEST_F(Keywords, AFullTableRefusesTheNextNameAndKeepsTheOthers)
{
    for (int n = 0; n < kDeclaredNames; ++n)
        CommandLine("GLOBAL \"g" + std::to_string(n) + "\", " + std::to_string(n));
    EXPECT_EQ(ErrorOf("GLOBAL \"onemore\", 1"), kErrTooManyVariables);
    int32_t vr = -1;
    EXPECT_TRUE(FindGlobal("g126", vr));
    EXPECT_EQ(vr, 126);
    CommandLine("GLOBAL \"g5\", 500"); // a redefinition takes no new entry
    EXPECT_TRUE(FindGlobal("g5", vr));
    EXPECT_EQ(vr, 500);
}

TEST_F(Keywords, ADefinitionChangeReachesARunningProgram)
{
    int program = MakeProgram("USER", {"VR(0) = total"});
    ASSERT_GE(program, 0);
    CompileQuietly(program);
    Printed();
    const int slot = FindVariableSlot(program, "total");
    ASSERT_GE(slot, 0);
    ProcessRecord& r = g_ProcessRecords[4];
    r.programNumber = program;
    r.currentState = kStateRunning;

    CommandLine("GLOBAL \"total\", 33");
    EXPECT_EQ(r.localFlags[slot], 3u);
    EXPECT_EQ(r.localValues[slot], 33.0f);
    CommandLine("GLOBAL \"total\"");
    EXPECT_EQ(r.localFlags[slot], 0u);

    g_ProcessRecords[5].currentState = kStateRunning;
    EXPECT_EQ(ErrorOf("GLOBAL \"total\", 1"), 94) << "two programs run";
    g_ProcessRecords[5].currentState = kStateStopped;
    r.currentState = kStateStopped;
}

TEST_F(Keywords, AutorunStartsThePowerUpProgramsOnTheirProcesses)
{
    int first = MakeProgram("FIRST", {"VR(0)=1"});
    int second = MakeProgram("SECOND", {"VR(1)=1"});
    int manual = MakeProgram("MANUAL", {"VR(2)=1"});
    ASSERT_GE(first, 0);
    ASSERT_GE(second, 0);
    ASSERT_GE(manual, 0);
    ASSERT_TRUE(SetRunType("FIRST", kRunAtPowerUp, -1, 0));
    ASSERT_TRUE(SetRunType("SECOND", kRunAtPowerUp, 3, 0));
    CommandLine("AUTORUN");
    EXPECT_EQ(g_Started, (std::vector<int>{14, 3}));
    EXPECT_EQ(g_ProcessRecords[14].programNumber, first);
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStateRunning);
    EXPECT_EQ(g_ProcessRecords[3].programNumber, second);
    EXPECT_TRUE(HasCode(first)) << "compiled on the way";

    // Process 3 now busy: AUTORUN again gives error 59.
    g_ProcessRecords[3].currentState = kStateRunning;
    g_ProcessRecords[14].currentState = kStateRunning;
    g_Started.clear();
    EXPECT_EQ(ErrorOf("AUTORUN"), kErrProcessSelected);
    g_ProcessRecords[3].currentState = kStateStopped;
    g_ProcessRecords[14].currentState = kStateStopped;

    // No free process for a program without one.
    for (int p = 1; p < kProcessCount; ++p)
        g_ProcessRecords[p].currentState = kStateRunning;
    EXPECT_EQ(ErrorOf("AUTORUN"), 20);
    for (int p = 1; p < kProcessCount; ++p)
        g_ProcessRecords[p].currentState = kStateStopped;
}

TEST_F(Keywords, HaltStopsOrEndsEveryRunningProgram)
{
    int program = MakeProgram("LOOP", {"l: GOTO l"});
    ASSERT_GE(program, 0);
    CompileQuietly(program);
    ASSERT_TRUE(AssignProgramToProcess(program, 2, kStateRunning));
    Turns(2, 5);
    ASSERT_TRUE(IsRunning(program));
    EXPECT_EQ(ErrorOf("HALT(2)"), 19);
    CommandLine("HALT(1)");
    Turns(2, 100);
    EXPECT_FALSE(IsRunning(program)) << "ended through its end action, the program is released";
    EXPECT_EQ(g_ProcessRecords[2].lastError, 0);

    ASSERT_TRUE(AssignProgramToProcess(program, 2, kStateRunning));
    Turns(2, 5);
    CommandLine("HALT");
    Turns(2, 100);
    EXPECT_EQ(g_ProcessRecords[2].lastError, kErrProgramStopped);
    EXPECT_FALSE(IsRunning(program));
}

TEST_F(Keywords, ScopeAndTriggerCaptureIntoTable)
{
    const int ain0 = FindParameter("AIN0");
    const int ain1 = FindParameter("AIN1");
    int32_t* word0 = SystemParameterWord(ain0);
    int32_t* word1 = SystemParameterWord(ain1);
    ASSERT_TRUE(word0 && word1);
    CommandLine("TABLE(110, -1)");
    CommandLine("SCOPE(1, 2, 100, 109, AIN0, AIN1)");
    EXPECT_EQ(g_Capture.mode, 1);
    EXPECT_EQ(g_Capture.samples, 5);
    for (int n = 0; n < 4; ++n)
        PeriodIoStep();
    float value = 0.0f;
    ASSERT_TRUE(ReadTable(100, value, 0));
    EXPECT_EQ(value, 0.0f) << "armed, nothing is captured before TRIGGER";

    CommandLine("TRIGGER");
    EXPECT_EQ(g_Capture.mode, 2);
    for (int n = 1; n <= 12; ++n) {
        *word0 = n;
        *word1 = 100 + n;
        PeriodIoStep();
    }
    // Period 2: samples at the 2nd, 4th ... period.
    for (int k = 0; k < 5; ++k) {
        ASSERT_TRUE(ReadTable(100 + k, value, 0));
        EXPECT_EQ(value, static_cast<float>(2 * (k + 1))) << k;
        ASSERT_TRUE(ReadTable(105 + k, value, 0));
        EXPECT_EQ(value, static_cast<float>(100 + 2 * (k + 1))) << k;
    }
    ASSERT_TRUE(ReadTable(110, value, 0));
    EXPECT_EQ(value, -1.0f) << "nothing beyond the range";
    EXPECT_EQ(g_Capture.mode, 1) << "armed again after the last sample";

    // A parameter of another axis is sampled from that axis.
    CommandLine("SCOPE(1, 1, 0, 9, MPOS AXIS(1))");
    EXPECT_EQ(g_Capture.parameters[0].word, &g_AxisRecords[1].words[kAxisMpos]);
    CommandLine("SCOPE(0)");
    EXPECT_EQ(g_Capture.mode, 0);
    CommandLine("TRIGGER");
    EXPECT_EQ(g_Capture.mode, 0) << "TRIGGER needs an armed capture";
    CommandLine("SCOPE(1, 1, 255000, 255999, AIN0, AIN1, MPOS, DPOS)");
    EXPECT_EQ(g_Capture.samples, 250);

    const std::pair<const char*, int32_t> errors[] = {
        {"SCOPE(1, 1, 0, 256000, AIN0)", 19}, {"SCOPE(1, 1, -1, 10, AIN0)", 19},
        {"SCOPE(1, 1, 10, 10, AIN0)", 19},    {"SCOPE(2)", 19},
        {"SCOPE(1, 1, 0, 9, 5)", 19},
    };
    for (const auto& [line, error] : errors)
        EXPECT_EQ(ErrorOf(line), error) << line;
    EXPECT_EQ(g_Capture.samples, 250) << "a refused SCOPE changes nothing";
}

TEST_F(Keywords, FreeExecuteVqeAndTheSmallFunctions)
{
    EXPECT_EQ(Value("FREE"), 1031136.0f);
    CommandLine("EXECUTE \"VR(3)=4\"");
    EXPECT_EQ(Vr(3), 4.0f);
    EXPECT_EQ(CommandLine("EXECUTE \"PRINT 1+1\""), "2.0000\r\n");
    EXPECT_EQ(Value("VERSION"), 1.65f);
    EXPECT_EQ(Value("VQE(3)"), 3.0f);
    EXPECT_EQ(g_LinkProtocolMode, 3);
    g_LinkProtocolMode = 0;
    EXPECT_EQ(Value("BATTERY_LOW"), 0.0f);
    EXPECT_EQ(Value("PEEK(100)"), 0.0f);
    CommandLine("DEFKEY(250, 1, 2, 3, 4, 5, 6)");
    EXPECT_EQ(g_KeypadTable[255], 6);
    EXPECT_EQ(ErrorOf("DEFKEY(251, 1, 2, 3, 4, 5, 6)"), 19);
}

struct ErrorCase {
    const char* line;
    int32_t error;
};

TEST_F(Keywords, CanSettingsAndArgumentCounts)
{
    EXPECT_EQ(Value("CAN(65535, 2)"), -1.0f);
    CommandLine("CAN(-1, 2, 3)");
    EXPECT_EQ(Value("CAN(65535, 2)"), 3.0f) << "65535 stands for channel -1";
    EXPECT_EQ(Value("CAN(0, 2)"), -1.0f);
    EXPECT_EQ(Value("CAN(0, 0, 7)"), 0.0f);
    SetVr(12, 5.0f);
    CommandLine("CAN(1, 6, 0, 12)");
    EXPECT_EQ(Vr(12), 0.0f);
    const ErrorCase cases[] = {
        {"CAN(0, 2, 5)", 19},
        {"CAN(4, 0, 0)", 19},
        {"CAN(-2, 0, 0)", 19},
        {"CAN(0, 10)", 19},
        {"CAN(0, 0)", 17},
        {"CAN(0, 0, 1, 2)", 16},
        {"CAN(0, 6, 0, 1014)", 19},
        {"CAN(0, 5, 0, 0, 9)", 19},
        {"CAN(0, 8, 0, 0, 0, 0, 1014)", 19},
        {"CAN(0, 8, 0, 0, 0, 0)", 17},
        {"CAN(0, 9, 0, 0)", 17},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
}

TEST_F(Keywords, ASecondCanMessageTimesOutWhileTheFirstIsPending)
{
    int32_t* debug = SystemParameterWord(FindParameter("SYSTEM_DEBUG"));
    ASSERT_TRUE(debug);
    const int32_t before = g_SystemMilliseconds.load();
    CommandLine("CAN(0, 7, 1, 2)");
    EXPECT_EQ(*debug & 1, 1);
    EXPECT_EQ(g_SystemMilliseconds.load(), before) << "the first message is taken at once";
    g_ServoRunning.store(true); // the ticks come from the servo periods
    EXPECT_EQ(ErrorOf("CAN(0, 7, 3)"), 89);
    g_ServoRunning.store(false);
    EXPECT_EQ(before - g_SystemMilliseconds.load(), 500) << "after 500 ticks";
    *debug = 0;
    CommandLine("CAN(0, 7, 3)");
}

TEST_F(Keywords, SetcomChecksItsPortAndLineSettings)
{
    EXPECT_EQ(ErrorOf("SETCOM(9600, 8, 1, 0, 1)"), 19);
    EXPECT_EQ(Elapsed(), 0u) << "a wrong port fails at once";
    EXPECT_EQ(ErrorOf("SETCOM(300, 8, 1, 0)"), 19);
    EXPECT_GE(Elapsed(), 100u) << "after the pause";
    EXPECT_EQ(ErrorOf("SETCOM(9600, 9, 1, 0)"), 19);
    EXPECT_EQ(ErrorOf("SETCOM(9600, 8, 3, 0)"), 19);
    EXPECT_EQ(ErrorOf("SETCOM(9600, 8, 1, 3)"), 19);
    EXPECT_EQ(ErrorOf("SETCOM(9600, 8, 1, 0, 0, 5)"), 19);
    EXPECT_EQ(ErrorOf("SETCOM(9600, 8, 1, 0, 0, -1)"), 19);
    CommandLine("SETCOM(38400, 7, 2, 2, 0, 0, 42)");
    EXPECT_EQ(GetPortRecord(0)->extra, 42);
    EXPECT_EQ(GetPortRecord(0)->flags & kPortFlowControl, 0u);
    CommandLine("SETCOM(19200, 8, 1, 0)");
    EXPECT_NE(GetPortRecord(0)->flags & kPortFlowControl, 0u) << "mode 1 has flow control";
}

TEST_F(Keywords, SendFramesAValueForATerminalWindow)
{
    CommandLine("SEND(10, 1, 5, 1)");
    EXPECT_EQ(DrainOutput(3), std::string("\x8a\x05\x02", 3) + std::string(9, '\0') + "\x78\x7f\x88");
    CommandLine("SEND(24, 1, 200, -1)");
    const std::string negative = DrainOutput(3);
    ASSERT_EQ(negative.size(), 15u);
    EXPECT_EQ(static_cast<uint8_t>(negative[0]), 130 + 8 * 15);
    EXPECT_EQ(static_cast<uint8_t>(negative[2]), 127) << "bit 7 of r and the value's low bits";
    EXPECT_EQ(static_cast<uint8_t>(negative[6]), 127) << "the sign fills d5";
    CommandLine("SEND(10, 2, 12)");
    EXPECT_EQ(DrainOutput(3), "\x8b\x03\x88");
    const ErrorCase cases[] = {
        {"SEND(9, 1, 0, 0)", 19},  {"SEND(25, 1, 0, 0)", 19}, {"SEND(10, 1, 1024, 0)", 19}, {"SEND(10, 1, 5)", 17},
        {"SEND(10, 3, 0, 0)", 19}, {"SEND(10, 2, 9)", 19},    {"SEND(10, 2, 1, 1)", 16},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
    EXPECT_EQ(DrainOutput(3), "");
    EXPECT_EQ(g_ProcessRecords[0].outputChannel, 0);
    EXPECT_TRUE(IsResourceFree(kResourceTerminalOutput, 0));
}

TEST_F(Keywords, ReadPacketChecksWhatArrives)
{
    const uint8_t data[] = {1, 2};
    const uint16_t crc = Crc16(data, 2);
    FillInput(0, std::string{1, 2, static_cast<char>(crc >> 8), static_cast<char>(crc & 0xFF)});
    CommandLine("READPACKET(0, 10, 2, 0)");
    EXPECT_EQ(Vr(10), 1.0f);
    EXPECT_EQ(Vr(11), 2.0f);
    EXPECT_EQ(Vr(12), 0.0f);

    FillInput(0, std::string{1, 2, static_cast<char>(crc >> 8), static_cast<char>((crc & 0xFF) ^ 1)});
    CommandLine("READPACKET(0, 10, 2, 0)");
    EXPECT_EQ(Vr(12), 1.0f) << "a damaged packet";

    // Four bytes a value, most significant first, signed.
    const uint8_t word[] = {0xFF, 0xFF, 0xFF, 0xFE};
    const uint16_t wordCrc = Crc16(word, 4);
    FillInput(0, std::string(reinterpret_cast<const char*>(word), 4) + static_cast<char>(wordCrc >> 8) +
                     static_cast<char>(wordCrc & 0xFF));
    CommandLine("READPACKET(0, 20, 1, 2)");
    EXPECT_EQ(Vr(20), -2.0f);
    EXPECT_EQ(Vr(21), 0.0f);

    // Seven bits a byte: noise before the start byte is skipped, a start
    // byte inside the packet starts it again.
    const uint8_t packet[] = {0x81, 0, 0, 2};
    const uint16_t packetCrc = Crc16(packet, 4) & 0x7F7F;
    std::string bytes = "\x05\x83\x01";
    bytes += std::string(reinterpret_cast<const char*>(packet), 4);
    bytes += static_cast<char>(packetCrc >> 8);
    bytes += static_cast<char>(packetCrc & 0xFF);
    FillInput(0, bytes);
    CommandLine("READPACKET(0, 30, 1, 4)");
    EXPECT_EQ(Vr(30), static_cast<float>((1 << 21) | 2));
    EXPECT_EQ(Vr(31), 0.0f);

    const ErrorCase cases[] = {
        {"READPACKET(2, 0, 1)", 19},    {"READPACKET(0, 1024, 0)", 19}, {"READPACKET(0, 1020, 4)", 19},
        {"READPACKET(0, 0, 1, 5)", 19}, {"READPACKET(0, 0, -1)", 19},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
    CommandLine("READPACKET(1, 0, 1023, 3)"); // format 3 reads nothing
    EXPECT_EQ(g_ProcessRecords[0].inputChannel, 0);
}

TEST_F(Keywords, CoordinatorPwmAndFieldbusFunctions)
{
    CommandLine("COORDINATOR_DATA(7, 1)");
    EXPECT_EQ(Value("COORDINATOR_DATA(7)"), 1.0f);
    *SystemParameterWord(FindParameter("WDOG")) = 1;
    EXPECT_EQ(Value("COORDINATOR_DATA(0)"), 0.0f);
    EXPECT_EQ(*SystemParameterWord(FindParameter("WDOG")), 0);
    EXPECT_EQ(Value("COORDINATOR_DATA(4)"), static_cast<float>(Crc16(env.host.flash.data(), env.host.flash.size())));

    CommandLine("PROFIBUS(3, 1, 2047, 300)");
    EXPECT_EQ(Value("PROFIBUS(3, 0, 2047)"), 44.0f) << "the low 8 bits";
    EXPECT_EQ(FieldbusCell(3, 2047), 300);

    CommandLine("PWM_CONTROL(6)");
    EXPECT_EQ(Elapsed(), 6u);
    EXPECT_EQ(ErrorOf("PWM_CONTROL(3, 0, 0)"), 17);
    EXPECT_EQ(Elapsed(), 0u) << "a function whose arguments fail does not pause";

    const ErrorCase cases[] = {
        {"COORDINATOR_DATA(6)", 19},
        {"VR(0)=COORDINATOR_DATA(0, 1)", 16},
        {"COORDINATOR_DATA(1, 2)", 19},
        {"PROFIBUS(4, 0, 0)", 19},
        {"PROFIBUS(0, 2, 0)", 19},
        {"PROFIBUS(0, 0, 5, 1)", 16},
        {"PROFIBUS(0, 1, 5)", 17},
        {"PROFIBUS(0, 0, 2048)", 19},
        {"PWM_CONTROL(3, 0, 0, 0, 300)", 19},
        {"PWM_CONTROL(3, 0, 0)", 17},
        {"PWM_CONTROL(2, 0, 0, 0, 24)", 19},
        {"PWM_CONTROL(0, 1)", 19},
        {"PWM_CONTROL(9)", 19},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
}

TEST_F(Keywords, RegistrationSwitchesRatiosAndGroups)
{
    g_AxisRecords[2].SetInt(kAxisType, 12);
    CommandLine("BASE(0, 1, 2)");
    CommandLine("REGIST(1) AXIS(1)");
    EXPECT_EQ(RegistrationControl(1), 0x4004);
    CommandLine("REGIST(518) AXIS(2)"); // 0x206
    EXPECT_EQ(RegistrationControl(2), 0x4805 + 0x20 + 8);

    g_AxisRecords[0].SetFloat(kAxisUnits, 10.0f);
    CommandLine("PSWITCH(3, 1, 0, 12, 1, 20, 10)");
    EXPECT_EQ(g_PositionSwitches[3].low, 100);
    EXPECT_EQ(g_PositionSwitches[3].high, 200);
    EXPECT_EQ(g_PositionSwitches[3].output, 12);
    EXPECT_EQ(g_PositionSwitchWord, 1u << 3);
    CommandLine("PSWITCH(3, 0)");
    EXPECT_EQ(g_PositionSwitchWord, 0u);

    CommandLine("HW_PSWITCH(1, 1, 0, 0, 256)");
    CommandLine("DISABLE_GROUP(1, 2)");
    CommandLine("ENCODER_RATIO(-100, 1) AXIS(1)");
    EXPECT_EQ(Value("ENCODER_READ(65535)"), -1.0f);

    const ErrorCase cases[] = {
        {"REGIST(14)", 19},
        {"REGIST(0)", 19},
        {"PSWITCH(16, 0)", 62},
        {"PSWITCH(0, 1)", 62},
        {"PSWITCH(0, 1, 24, 0, 1, 0, 1)", 62},
        {"HW_PSWITCH(1, 1, 0, 0, 257)", 19},
        {"HW_PSWITCH(1)", 62},
        {"HW_PSWITCH(3)", 62},
        {"HW_PSWITCH(0, 0, 0, 0, 0)", 62},
        {"DISABLE_GROUP(2, 3)", 19},
        {"DISABLE_GROUP(24)", 19},
        {"DISABLE_GROUP(5, 5)", 19},
        {"ENCODER_RATIO(101, 1)", 19},
        {"ENCODER_RATIO(1, 0)", 19},
        {"STEP_RATIO(128, 2)", 19},
        {"STEP_RATIO(101, 1)", 19},
        {"VR(0)=ENCODER_READ(65536)", 19},
    };
    for (const ErrorCase& c : cases)
        EXPECT_EQ(ErrorOf(c.line), c.error) << c.line;
    CommandLine("DISABLE_GROUP(-1)");
    CommandLine("DISABLE_GROUP(2, 3)");
}

} // namespace
