// The program and process commands typed at the command line (process 0 on
// the test thread, on virtual time): directory, listing, copy and delete,
// compile, run, stop, step and pause, the fast project load, the flash copy
// of the programs and the flash dump.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/control_codes.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;
using namespace testbytes;

namespace {

// The load's check: 4, 6 and 6 bits of the CRC-16, each plus 32.
std::string LoadCheck(const std::string& bytes)
{
    uint16_t v = Crc16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return {static_cast<char>(((v >> 12) & 15) + 32), static_cast<char>(((v >> 6) & 63) + 32),
            static_cast<char>((v & 63) + 32)};
}

std::string LoadHeader(const std::string& name, int type)
{
    std::string text = name + FS + std::to_string(type);
    return SOH + text + ETX + LoadCheck(text);
}

std::string LoadText(const std::string& text)
{
    return STX + text + ETX + LoadCheck(text);
}

class ProgramCommands : public StoreEnvironment {
protected:
    ProgramCommands()
    {
        InstallInterpreter();
        g_RuntimeModeWord = 0;
        RunServices(); // the link's first XON
        env.host.TakeWritten(0);
    }
    ~ProgramCommands() override
    {
        // Threads that RUN created wait for a sequencer that never comes.
        WindDownProcesses();
        for (ProcessRecord& r : g_ProcessRecords)
            r.stopRequest.store(0);
        env.host.onSleep = nullptr;
    }

    // Runs one command line as process 0 (output on the given channel);
    // returns what it printed.
    std::string Command(const std::string& line, int channel = 0)
    {
        g_ProcessRecords[0].outputChannel = channel;
        {
            InlineProcess commandLine(0);
            ExecuteCommandLine(line.c_str());
        }
        g_ProcessRecords[0].outputChannel = 0;
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    // The load typed at the terminal: the development environment's bytes
    // wait on channel 0 and more arrive as the load takes them.
    std::string Load(const std::string& command, const std::string& bytes)
    {
        std::string rest = bytes;
        env.host.onSleep = [&] {
            while (!rest.empty() && InputCount(0) < 100) {
                FillInput(0, rest.substr(0, 1));
                rest.erase(0, 1);
            }
        };
        std::string answers = Command(command);
        env.host.onSleep = nullptr;
        return answers;
    }

    std::vector<std::string> Listing(int program)
    {
        std::vector<std::string> lines;
        for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
            lines.push_back(std::string(g_MemoryBase[at + 2] & 0x7F, ' ') +
                            DetokeniseLine(g_MemoryBase, at + 3, at + g_MemoryBase[at + 1], 0));
        return lines;
    }
};

TEST_F(ProgramCommands, DirectoryInBothForms)
{
    int main = MakeProgram("MAIN", {"a=1", "b=2"});
    MakeProgram("SECOND", {"c=3"});
    ASSERT_TRUE(CompileProgram(main, 0));
    SelectProgramNumber(main, 0);
    Printed();
    SetRunType("SECOND", kRunAtPowerUp, 5, 0);
    const int32_t free = static_cast<int32_t>(g_MemorySize) - ProgramAreaEnd();
    const std::string sizes = std::to_string(SourceLength(main)) + "," + std::to_string(CodeLength(main));
    const std::string second = std::to_string(SourceLength(1)) + ",0";

    EXPECT_EQ(Command("DIR", 8), "RAM," + std::to_string(free) + "\r\nMAIN," + sizes + ",0\r\nSECOND," + second +
                                     ",5\r\n");
    EXPECT_EQ(Command("DIR X", 8),
              "RAM," + std::to_string(free) + "\r\nMAIN," + sizes + ",0,0,1\r\nSECOND," + second + ",5,0,1\r\n")
        << "X adds the code type and the editable flag";

    char row1[80], row2[80];
    std::snprintf(row1, sizeof row1, "MAIN             %6d %6d Manual   Normal   \r\n", SourceLength(main),
                  CodeLength(main));
    std::snprintf(row2, sizeof row2, "SECOND           %6d      0 Auto( 5) Normal   \r\n", SourceLength(1));
    EXPECT_EQ(Command("DIR"), "RAM selected for power up\r\n"
                              "Memory available: " +
                                  std::to_string(free) +
                                  "\r\n"
                                  "Selected program: MAIN            \r\n"
                                  "Directory is UNLOCKED\r\n"
                                  "Program          Source Code   Run Type Code Type\r\n"
                                  "---------------- ------ ------ -------- ---------\r\n" +
                                  row1 + row2 + "OK\r\n");
    EXPECT_EQ(Command("DIR F"), "No Flash Stick Present\r\n");

    // A blank in a name: channel 8's fields show it as "*", the table as it is.
    ASSERT_TRUE(DeleteProgram("ALL", 0));
    int blank = MakeProgram("MY PROG", {"a=1"});
    ASSERT_GE(blank, 0);
    EXPECT_NE(Command("DIR", 8).find("\r\nMY*PROG," + std::to_string(SourceLength(blank)) + ",0,0\r\n"),
              std::string::npos);
    const std::string table = Command("DIR");
    EXPECT_NE(table.find("\r\nMY PROG          " + FormatText("%6i", SourceLength(blank))), std::string::npos) << table;
    EXPECT_NE(table.find("Selected program: MY PROG         \r\n"), std::string::npos) << table;
}

TEST_F(ProgramCommands, ListNewAndCopy)
{
    MakeProgram("MAIN", {"a=1", "IF a THEN", "b=2", "ENDIF"});
    g_MemoryBase[FindLine(0, 2) + 2] = 2; // indented by two
    EXPECT_EQ(Command("LIST \"MAIN\""), "a=1\r\nIF a THEN\r\n  b=2\r\nENDIF\r\n");
    EXPECT_EQ(Command("COPY \"MAIN\", \"OTHER\""), "OK\r\n");
    EXPECT_EQ(Command("LIST OTHER"), "a=1\r\nIF a THEN\r\n  b=2\r\nENDIF\r\n");
    EXPECT_EQ(Command("NEW \"OTHER\""), "OK\r\n");
    EXPECT_LT(FindProgram("OTHER"), 0);
    EXPECT_EQ(Command("LIST \"NONE\""), "%[COMMAND 27] Program not found\r\n");
    SetMemoryProtection(true);
    EXPECT_EQ(Command("LIST \"MAIN\""), "%[COMMAND 81] Directory is LOCKED\r\n");
    SetMemoryProtection(false);
    EXPECT_EQ(Command("NEW \"ALL\""), "OK\r\n");
    EXPECT_LT(FindProgram("MAIN"), 0);
    EXPECT_EQ(Command("NEW"), "%[COMMAND 33] No program selected\r\n");
}

TEST_F(ProgramCommands, ViewDumpsSourceAndCodeInHex)
{
    int main = MakeProgram("MAIN", {"a=1"});
    Command("COMPILE", 8);
    std::string view = Command("VIEW \"MAIN\"");
    const std::string source = "Source code: from " + std::to_string(SourceStart(main)) + " to " +
                               std::to_string(SourceEnd(main) - 1) + "\r\n" + std::to_string(SourceStart(main)) +
                               " : 00";
    EXPECT_EQ(view.substr(0, source.size()), source) << view;
    const std::string code = "Object code: from " + std::to_string(CodeStart(main)) + " to " +
                             std::to_string(CodeEnd(main) - 1) + "\r\n" + std::to_string(CodeStart(main)) + " : ";
    EXPECT_NE(view.find(code), std::string::npos) << view;
    SetMemoryProtection(true);
    EXPECT_EQ(Command("VIEW"), "%[COMMAND 81] Directory is LOCKED\r\n");
    EXPECT_NE(Command("DIR").find("Directory is LOCKED\r\n"), std::string::npos);
    SetMemoryProtection(false);
}

TEST_F(ProgramCommands, CompileAndAppendToTheSelectedProgram)
{
    EXPECT_EQ(Command("COMPILE"), "%[COMMAND 33] No program selected\r\n");
    int main = MakeProgram("MAIN", {"a=1"});
    EXPECT_EQ(Command("APPENDPROG   VR(1)=a"), "");
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"a=1", "VR(1)=a"}));
    Command("COMPILE", 8);
    EXPECT_TRUE(HasCode(main));
}

TEST_F(ProgramCommands, RunPicksTheHighestFreeProcessAndRefusesWhatItCannot)
{
    MakeProgram("MAIN", {"a=1", "WAIT UNTIL 0"});
    MakeProgram("OTHER", {"b=1"});
    SelectProgramNumber(0, 0);
    Printed();
    EXPECT_EQ(Command("RUN \"NOPE\""), "%[COMMAND 27] Program not found\r\n");
    EXPECT_EQ(Command("RUN \"MAIN\", 15"), "%[COMMAND 19] Parameter out of range\r\n");
    EXPECT_EQ(Command("STOP"), "%[COMMAND 76] Program not running\r\n");
    EXPECT_EQ(Command("TROFF"), "%[COMMAND 78] Program not paused\r\n");

    Command("RUN", 8); // compiles the selected program first
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStateRunning);
    EXPECT_EQ(g_ProcessRecords[14].programNumber, 0);
    EXPECT_EQ(Command("RUN \"MAIN\""), "");
    EXPECT_EQ(g_ProcessRecords[13].requestedState, kStateRunning) << "the next free process";
    EXPECT_EQ(Command("RUN \"MAIN\", 14"), "%[COMMAND 30] Program(s) running\r\n");
    EXPECT_EQ(Command("RUN \"OTHER\", 14"), "%[COMMAND 75] Program not running on this process\r\n");
    EXPECT_EQ(Command("TRON \"MAIN\", 14"), "OK\r\n");
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStatePaused);
    EXPECT_EQ(Command("RUN \"OTHER\""), "%[COMMAND 36] No code available for program\r\n")
        << "only the selected program is compiled by RUN";

    EXPECT_EQ(Command("STOP \"MAIN\", 3"), "%[COMMAND 75] Program not running on this process\r\n");
    EXPECT_EQ(Command("STOP"), "");
    EXPECT_EQ(GetProcessError(14), kErrProgramStopped);
    EXPECT_EQ(GetProcessError(13), kErrProgramStopped);
}

TEST_F(ProgramCommands, RunWithEveryProcessBusy)
{
    int main = MakeProgram("MAIN", {"a=1"});
    Command("COMPILE", 8);
    for (int p = 1; p < kProcessCount; ++p)
        g_ProcessRecords[p].currentState = kStateRunning;
    EXPECT_EQ(Command("RUN"), "%[COMMAND 20] No process available\r\n");
    for (int p = 1; p < kProcessCount; ++p)
        g_ProcessRecords[p].currentState = kStateStopped;
    SetProgramLock(main, 0);
    EXPECT_EQ(Command("RUN"), "%[COMMAND 29] Program is locked\r\n");
}

TEST_F(ProgramCommands, RunOnAProcessWhoseThreadHasNotGoneIsRefused)
{
    MakeProgram("MAIN", {"a=1"});
    Command("COMPILE", 8);
    ASSERT_TRUE(CreateProcessThread(14)); // a thread that never leaves
    uint64_t before = env.host.MillisecondsSinceStart();
    EXPECT_EQ(Command("RUN \"MAIN\", 14"), "%[COMMAND 30] Program(s) running\r\n");
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStateStopped) << "no process left asking to run";
    EXPECT_GE(env.host.MillisecondsSinceStart() - before, 100u) << "the old thread was given its moment";
}

TEST_F(ProgramCommands, StepAndPauseOnAStoppedProgramStartIt)
{
    MakeProgram("MAIN", {"a=1"});
    Command("COMPILE", 8);
    EXPECT_EQ(Command("STEPLINE"), "OK\r\n");
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStateStep);
    g_ProcessRecords[14].currentState = kStateStep;
    EXPECT_EQ(Command("STEPLINE"), "OK\r\n");
    EXPECT_EQ(g_ProcessRecords[13].requestedState, kStateStopped) << "a running program is stepped, not started";
    EXPECT_EQ(Command("TROFF \"MAIN\""), "OK\r\n");
    EXPECT_EQ(g_ProcessRecords[14].requestedState, kStateRunning);
}

TEST_F(ProgramCommands, BreakpointsListedAndReset)
{
    int main = MakeProgram("MAIN", {"a=1", "b=2", "c=3"});
    g_MemoryBase[FindLine(main, 1) + 2] |= 0x80;
    Command("COMPILE", 8);
    EXPECT_EQ(Command("BREAK_LIST \"MAIN\""), "Program: MAIN\r\nLine 1: b=2\r\n");
    EXPECT_EQ(Command("BREAK_RESET"), "");
    EXPECT_EQ(Command("BREAK_LIST"), "Program: MAIN\r\n");
    int position = 0;
    EXPECT_EQ(NextBreakpointLine(0, main, position, false), 0u) << "the compiled mark went too";
}

TEST_F(ProgramCommands, ProjectLoadCreatesEveryProgram)
{
    MakeProgram("OLD", {"x=1"});
    std::string bytes = LoadHeader("MAIN", 0) + LoadText("a=1\r  VR(1)=a\r") + LoadHeader("GCODE", 2) +
                        LoadText("G1 X10\rG0 Y2") + std::string(1, EOT);
    std::string answers = Load("LOAD_PROJECT", bytes);
    EXPECT_EQ(answers, (std::string{ENQ, ACK, ACK, ACK, ACK}));
    EXPECT_LT(FindProgram("OLD"), 0) << "the load replaces every program";
    int main = FindProgram("MAIN");
    ASSERT_GE(main, 0);
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"a=1", "  VR(1)=a"}));
    int gcode = FindProgram("GCODE");
    ASSERT_GE(gcode, 0);
    EXPECT_EQ(ProgramType(gcode), kProgramTypeGCode);
    EXPECT_EQ(LineCount(gcode), 2);
}

TEST_F(ProgramCommands, ProjectLoadFailuresAnswerNak)
{
    struct Case {
        const char* name;
        std::string bytes;
        std::string answers;
        bool mainKept;
    };
    const std::string header = LoadHeader("MAIN", 0);
    std::string longSum = "a=1"; // 159 characters, 315 token bytes
    for (int n = 0; n < 78; ++n)
        longSum += "+1";
    const Case cases[] = {
        {"wrong text check", header + STX + "a=1\r" + ETX + "!!!" + EOT, {ENQ, ACK, NAK}, false},
        {"wrong header check", SOH + std::string("MAIN") + FS + "0" + ETX + "!!!" + EOT, {ENQ, NAK}, false},
        {"name too long", LoadHeader("ABCDEFGHIJKLMNOP", 0) + EOT, {ENQ, NAK}, false},
        {"program type 1", LoadHeader("MAIN", 1) + EOT, {ENQ, NAK}, false},
        {"line too long", header + LoadText(std::string(170, 'a') + "\r") + EOT, {ENQ, ACK, NAK}, false},
        {"silence", header, {ENQ, ACK, NAK}, false},
        // Lines the tokeniser refuses are never stored, so never acknowledged.
        {"byte 200 in a string", header + LoadText("PRINT \"a\xC8" "b\"\r") + EOT, {ENQ, ACK, NAK}, false},
        {"byte 232 in a string", header + LoadText("PRINT \"a\xE8" "b\"\r") + EOT, {ENQ, ACK, NAK}, false},
        {"tokens overflow a record", header + LoadText(longSum + "\r") + EOT, {ENQ, ACK, NAK}, false},
        {"79-character name", header + LoadText(std::string(79, 'n') + "=1\r") + EOT, {ENQ, ACK, NAK}, false},
        {"refused last line", header + LoadText("a=1\r" + std::string(79, 'n')) + EOT, {ENQ, ACK, NAK}, false},
    };
    for (const Case& c : cases) {
        MakeProgram("KEEP", {"x=1"});
        uint64_t before = env.host.MillisecondsSinceStart();
        EXPECT_EQ(Load("LOAD_PROJECT", c.bytes), c.answers) << c.name;
        EXPECT_LT(FindProgram("MAIN"), 0) << c.name;
        EXPECT_LT(FindProgram("KEEP"), 0) << c.name;
        EXPECT_LE(env.host.MillisecondsSinceStart() - before, 6000u) << c.name;
    }
}

TEST_F(ProgramCommands, SingleProgramLoadKeepsTheOthers)
{
    int keep = MakeProgram("KEEP", {"x=1"});
    MakeProgram("MAIN", {"old=1"});
    EXPECT_EQ(Load("LOAD_PROJECT(1)", LoadHeader("MAIN", 0) + LoadText("a=1\r") + EOT), std::string({ENQ, ACK, ACK}));
    EXPECT_EQ(Load("LOAD_PROJECT(2)", LoadHeader("MAIN", 0) + LoadText("b=2\r") + EOT), std::string({ENQ, ACK, ACK}));
    int main = FindProgram("MAIN");
    ASSERT_GE(main, 0);
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"a=1", "b=2"}));
    EXPECT_EQ(FindProgram("KEEP"), keep);
    EXPECT_EQ(Load("LOAD_PROJECT(2)", LoadHeader("MAIN", 0) + STX + "c=3\r" + ETX + "!!!" + EOT),
              std::string({ENQ, ACK, NAK}));
    EXPECT_EQ(FindProgram("KEEP"), keep) << "a failed block loses no other program";
    EXPECT_EQ(Command("LOAD_PROJECT(3)"), "%[COMMAND 19] Parameter out of range\r\n");
}

TEST_F(ProgramCommands, FlashDumpAsSRecords)
{
    env.host.flash.assign(20, 0);
    for (int n = 0; n < 20; ++n)
        env.host.flash[static_cast<size_t>(n)] = static_cast<uint8_t>(n * 13);
    auto record = [](const char* type, uint32_t address, int from, int count) {
        uint32_t sum = static_cast<uint32_t>(count + 4) + (address >> 16) + ((address >> 8) & 255) + (address & 255);
        char text[64];
        std::string line = type;
        std::snprintf(text, sizeof text, "%02x%06x", count + 4, address);
        line += text;
        for (int n = from; n < from + count; ++n) {
            std::snprintf(text, sizeof text, "%02x", (n * 13) & 255);
            line += text;
            sum += static_cast<uint32_t>((n * 13) & 255);
        }
        std::snprintf(text, sizeof text, "%02x", ~sum & 255);
        return line + text + "\r\n";
    };
    EXPECT_EQ(Command("FLASH_DUMP"), record("S2", 0, 0, 16) + record("S8", 16, 16, 4));
    EXPECT_EQ(SRecord("S2", 0x123456, reinterpret_cast<const uint8_t*>("\x01\xff"), 2), "S20612345601ff5d");
}

TEST_F(ProgramCommands, FlashDumpStopsOnAKey)
{
    env.host.flash.assign(4096, 0xFF);
    int lines = 0;
    env.host.onSleep = [&] {
        if (++lines == 3)
            FillInput(0, "x");
    };
    std::string dump = Command("FLASH_DUMP");
    EXPECT_LT(dump.size(), 20u * 48u);
    EXPECT_EQ(InputCount(0), 0) << "the key is taken";
}

TEST_F(ProgramCommands, EpromStoresTheProgramsForPowerUp)
{
    MakeProgram("MAIN", {"a=1", "b=2"});
    std::string written = Command("EPROM");
    EXPECT_EQ(written, "Erasing Application area of FLASH\r\nProgramming0\b1\b\r\nVerifying\r\n");
    // The stored copy is what a power-up from EPROM brings back.
    const uint8_t* copy = env.host.flash.data() + 0x80000;
    EXPECT_EQ(std::memcmp(copy, g_MemoryBase, kDirectorySize), 0);
    EXPECT_EQ(Command("EPROM(4)"), "%[COMMAND 19] Parameter out of range\r\n");
    EXPECT_EQ(Command("EPROM(1)"), "%[COMMAND 85] Flash Stick Blank\r\n");

    int fails = 0;
    SetFlashFaultHook([&](FlashOperation operation, uint32_t, uint32_t) {
        return operation != FlashOperation::Erase || ++fails > 100;
    });
    EXPECT_EQ(Command("EPROM"), "Erasing Application area of FLASH\r\nFlash did not erase\r\n");
    SetFlashFaultHook(nullptr);
}

TEST_F(ProgramCommands, ProcModeSetsAndClearsItsBit)
{
    Command("PROC_MODE(1)");
    EXPECT_EQ(g_RuntimeModeWord & kProcModeBit, kProcModeBit);
    Command("PROC_MODE(0)");
    EXPECT_EQ(g_RuntimeModeWord & kProcModeBit, 0u);
}

TEST_F(ProgramCommands, LoadSystemAsksFirstAndHandsOverOnYes)
{
    int handedOver = 0;
    SetSystemLoaderHook([&] { ++handedOver; });
    FillInput(0, "qn");
    EXPECT_EQ(Command("LOADSYSTEM"), "WARNING: This will stop the controller\r\nContinue [Y/N] ? Q\bN\b\r\n");
    EXPECT_EQ(handedOver, 0);
    FillInput(0, "Y");
    uint64_t before = env.host.MillisecondsSinceStart();
    EXPECT_EQ(Command("LOADSYSTEM"),
              "WARNING: This will stop the controller\r\nContinue [Y/N] ? Y\b\r\nSystem will shut down in 5 seconds.\r\n");
    EXPECT_GE(env.host.MillisecondsSinceStart() - before, 5000u);
    EXPECT_EQ(handedOver, 1);
    SetSystemLoaderHook(nullptr);
}

// A program started by RUN runs on its own thread under the sequencer.
TEST(ProgramThreads, RunStartsTheProgramOnProcess14WithItsStatusLine)
{
    RuntimeEnvironment env;
    InitProcessTable();
    ResetMemory();
    ClearCommandLineVariables();
    InstallInterpreter();
    RunServices();
    env.host.TakeWritten(0);
    MakeProgram("MAIN", {"VR(0)=7"});
    g_ProcessRecords[0].outputChannel = 8;
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("RUN");
    }
    g_ProcessRecords[0].outputChannel = 0;
    TestSequencer sequencer;
    sequencer.Start();
    bool done = WaitFor([&] {
        return env.host.Written(0).find("%[Process 14:Line 0] (31) - Program is stopped") != std::string::npos;
    });
    sequencer.Stop();
    std::string written = env.host.Written(0);
    EXPECT_TRUE(done) << written;
    EXPECT_NE(written.find("%[Process 14:Program MAIN] - Running\r\n"), std::string::npos) << written;
    EXPECT_FALSE(IsRunning(0)) << "the process released its program";
}

// The development environment's fast project load ends with the program to
// run at power-up, its name unquoted; the loaded program's check value is
// the one the environment computes from the file's lines.
TEST_F(ProgramCommands, ProjectLoadEndsWithAnUnquotedRunType)
{
    std::string bytes = LoadHeader("MAIN", 0) + LoadText("PRINT 1\r") + std::string(1, EOT);
    EXPECT_EQ(Load("LOAD_PROJECT", bytes), (std::string{ENQ, ACK, ACK}));
    EXPECT_EQ(Command("RUNTYPE MAIN,1"), "");
    int main = FindProgram("MAIN");
    ASSERT_GE(main, 0);
    EXPECT_EQ(RunType(main), kRunAtPowerUp);
    EXPECT_EQ(RunProcess(main), -1);
    EXPECT_EQ(Command("&Z,MAIN"), "17700\r\n"); // 0x4524
}

} // namespace
