// The commands the development environment formats itself, typed at the
// command line as process 0 on virtual time: EDPROG and its "&" short form,
// SELECT, RENAME, RUNTYPE, NEW and DEL, the breakpoints, the axis and TABLE
// listings, and LOCK and UNLOCK.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/edprog.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/lock.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_selection.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

class ControllerCommands : public InterpreterEnvironment {
protected:
    ControllerCommands()
    {
        InitFlashDevice();
        ResetUnlockFailures();
        g_LinkProtocolMode = 0;
    }
    ~ControllerCommands() override
    {
        g_LinkProtocolMode = 0;
        g_ProcessRecords[0].stopRequest.store(0);
    }

    // Runs one command line as process 0 with its output on the channel;
    // returns what reached the link.
    std::string Command(const std::string& line, int channel = 0)
    {
        g_ProcessRecords[0].outputChannel = channel;
        {
            InlineProcess commandLine(0);
            ExecuteCommandLine(line.c_str());
        }
        g_ProcessRecords[0].outputChannel = 0;
        for (int n = 0; n < 20; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    // The error number of a command line's report, 0 without one.
    static int ErrorOf(const std::string& output)
    {
        size_t at = output.find("COMMAND ");
        return at == std::string::npos ? 0 : std::atoi(output.c_str() + at + 8);
    }

    std::vector<std::string> Listing(int program)
    {
        std::vector<std::string> lines;
        for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
            lines.push_back(ListedLine(program, at));
        return lines;
    }

    static bool Marked(int program, int line) { return (g_MemoryBase[FindLine(program, line) + 2] & 0x80) != 0; }
};

TEST_F(ControllerCommands, EditInsertsListsCountsAndNames)
{
    int main = MakeProgram("MAIN", {"a=1", "b=2"});
    EXPECT_EQ(Command("&0I,print 1"), "PRINT 1\r\n");
    EXPECT_EQ(Command("&3I,  c=3"), "  c=3\r\n"); // at the end, indented
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"PRINT 1", "a=1", "b=2", "  c=3"}));
    EXPECT_EQ(Command("&N"), "4\r\n");
    EXPECT_EQ(Command("&C"), "MAIN\r\n");
    EXPECT_EQ(Command("&1,2L"), "a=1\r\nb=2\r\n");
    EXPECT_EQ(Command("&0,3S,b="), "2\r\n");
    EXPECT_EQ(Command("&0,3S,zz"), "-1\r\n");
    EXPECT_EQ(Command("EDPROG \"\",9"), "0\r\n");
    EXPECT_EQ(Command("&X,MAIN"), "0\r\n");   // no second check value
    EXPECT_EQ(Command("EDPROG \"\",11"), ""); // above 10: nothing

    // The framed mode leaves out the echo when the store lists the text as sent.
    g_LinkProtocolMode = 3;
    EXPECT_EQ(Command("&0I,PRINT 2"), "");
    EXPECT_NE(Command("&0I,print 3").find("PRINT 3\r\n"), std::string::npos);
}

TEST_F(ControllerCommands, EditLabelsAndNameWithoutSelection)
{
    EXPECT_EQ(Command("&C"), "\r\n");
    EXPECT_EQ(Command("&N"), "0\r\n");
    EXPECT_EQ(ErrorOf(Command("&0L")), 33);
    MakeProgram("MAIN", {"start:", "a=1", "again: b=2"});
    EXPECT_EQ(Command("&0,2A"), "0 start\r\n2 again\r\n");
}

TEST_F(ControllerCommands, EditDeleteRangesAndReplaceKeepsTheBreakpoint)
{
    int main = MakeProgram("MAIN", {"a=0", "a=1", "a=2", "a=3", "a=4", "a=5", "a=6"});
    EXPECT_EQ(Command("&5,4D"), "OK\r\n"); // a < b: nothing
    EXPECT_EQ(Listing(main).size(), 7u);
    EXPECT_EQ(Command("&5,5D"), "OK\r\n");
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"a=0", "a=1", "a=2", "a=3", "a=4", "a=6"}));
    EXPECT_EQ(Command("&4,99D"), "OK\r\n"); // stops at the last line
    EXPECT_EQ(Listing(main), (std::vector<std::string>{"a=0", "a=1", "a=2", "a=3"}));

    EXPECT_EQ(Command("BREAK_ADD \"MAIN\" 1"), "break line=1\r\n");
    EXPECT_EQ(Command("&1R,b=7"), "b=7\r\n");
    EXPECT_TRUE(Marked(main, 1));
    EXPECT_EQ(Listing(main)[1], "b=7");
    EXPECT_FALSE(Marked(main, 2));
}

TEST_F(ControllerCommands, EditRefusesHostileInput)
{
    int main = MakeProgram("MAIN", {"a=1"});
    const std::vector<std::string> before = Listing(main);
    struct Case {
        const char* line;
        int error;
    } cases[] = {
        {"&5L", 67},                 // past the end
        {"EDPROG \"\",4,-1", 67},    // no such line
        {"&3I,b=2", 67},             // an insert beyond the end
        {"&1R,b=2", 67},             // the end is no line to replace
        {"&9,9D", 67},               // nothing there to delete
        {"EDPROG 5", 6},             // no quote
        {"EDPROG \"a\" 4", 17},      // no comma
        {"EDPROG \"a\",0", 1},       // op 0
        {"&Z,NOSUCH", 27},           //
        {"&Z,ABCDEFGHIJKLMNOP", 68}, // 16 characters
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorOf(Command(c.line)), c.error) << c.line;
        EXPECT_EQ(Listing(main), before) << c.line;
    }
    // A string never closed is closed by the store, and the echo says so.
    EXPECT_EQ(Command("&0I,a=\"open"), "a=\"open\r\n");
    EXPECT_EQ(Command("&0D"), "OK\r\n");
    // A long line: the store keeps at most what a record holds.
    std::string longLine = "&0I,a=" + std::string(70, '1') + "+" + std::string(70, '2');
    EXPECT_NE(ErrorOf(Command(longLine)), 0);
    EXPECT_EQ(Listing(main), before);
}

// Listings show a line whole or report error 93; the development
// environment takes an echo as its copy of the line.
TEST_F(ControllerCommands, ALineThatListsLongerThan120IsNeverShownCut)
{
    auto sum = [](const char* first, int terms) {
        std::string text = first;
        for (int n = 0; n < terms; ++n)
            text += "+1";
        return text;
    };
    std::string prints; // 119 characters that list as 8 each ("PRINT 1:")
    for (int n = 0; n < 40; ++n)
        prints += n == 0 ? "?1" : ":?1";
    const struct Case {
        std::string line;
        bool whole;
    } cases[] = {
        {sum("a=12", 58), true},   // 120 characters
        {sum("a=123", 58), false}, // 121: the last piece would end at 120
        {prints, false},
    };
    for (const Case& c : cases) {
        int main = MakeProgram("MAIN", {"a=1", "b=2"});
        std::vector<uint8_t> tokens = TokenLine(c.line);
        ASSERT_TRUE(InsertLine(FindLine(main, 1), tokens.data(), static_cast<int>(tokens.size()), 0, 0)) << c.line;
        const std::string list = Command("LIST");
        const std::string edit = Command("&1L");
        if (c.whole) {
            EXPECT_EQ(list, "a=1\r\n" + c.line + "\r\nb=2\r\n");
            EXPECT_EQ(edit, c.line + "\r\n");
        } else {
            EXPECT_EQ(ErrorOf(list), 93) << c.line;
            EXPECT_EQ(list.find("a=1\r\n"), 0u) << "the lines before it are listed";
            EXPECT_EQ(list.find(c.line.substr(0, 20), 1), std::string::npos) << list;
            EXPECT_EQ(ErrorOf(edit), 93) << c.line;
            EXPECT_EQ(edit.find(c.line.substr(0, 20)), std::string::npos) << edit;
        }
        ASSERT_TRUE(DeleteProgram("MAIN", 0));
    }

    // EDPROG keeps no line whose echo could not show it whole.
    int main = MakeProgram("MAIN", {"a=1", "b=2"});
    const std::vector<std::string> before = Listing(main);
    EXPECT_EQ(ErrorOf(Command("&1I," + prints)), 93);
    EXPECT_EQ(Listing(main), before);
    EXPECT_EQ(Command("BREAK_ADD \"MAIN\" 1"), "break line=1\r\n");
    EXPECT_EQ(ErrorOf(Command("&1R," + prints)), 93);
    EXPECT_EQ(Listing(main), before) << "the replaced line is back";
    EXPECT_TRUE(Marked(main, 1)) << "with its breakpoint";
    EXPECT_EQ(Command("&1R," + sum("a=12", 58)), sum("a=12", 58) + "\r\n");
}

TEST_F(ControllerCommands, EditRefusesARunningProgramAndALockedController)
{
    int main = MakeProgram("MAIN", {"a=1"});
    IncrementRunCount(main);
    EXPECT_EQ(ErrorOf(Command("&0I,b=2")), 30);
    EXPECT_EQ(ErrorOf(Command("&0D")), 30);
    DecrementRunCount(main);

    EXPECT_EQ(Command("LOCK(5)"), "");
    EXPECT_EQ(ErrorOf(Command("&0I,b=2")), 81);
    EXPECT_EQ(ErrorOf(Command("&0L")), 81);
    EXPECT_EQ(Command("&N"), "0\r\n");
    EXPECT_EQ(Command("UNLOCK(5)"), "");
    EXPECT_EQ(Command("&0I,b=2"), "b=2\r\n");
}

TEST_F(ControllerCommands, CheckValueOfAProgramAndOfAnEmptyOne)
{
    MakeProgram("MAIN", {"PRINT 1"});
    const std::string bytes = "PRINT 1\xAA";
    ASSERT_EQ(Crc16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), 0x4524);
    EXPECT_EQ(Command("&Z,MAIN"), "17700\r\n");
    EXPECT_EQ(Command("&Z,main"), "17700\r\n");
    EXPECT_EQ(Command("&Z"), "17700\r\n"); // the selected program

    // An empty program, and one whose last line was deleted, agree with
    // the check value of an empty file: one empty line.
    const uint8_t separator = 0xAA;
    const int emptyFile = Crc16(&separator, 1);
    ASSERT_EQ(emptyFile, 0x03FC);
    int empty = MakeProgram("EMPTY", {});
    EXPECT_EQ(ProgramCheckValue(empty), emptyFile);
    EXPECT_EQ(Command("&0D"), "OK\r\n");
    EXPECT_EQ(LineCount(empty), 0);
    EXPECT_EQ(Command("&Z,EMPTY"), std::to_string(emptyFile) + "\r\n");
}

TEST_F(ControllerCommands, SelectInBothFormsAndItsTypes)
{
    struct Case {
        const char* line;
        int32_t type;
        bool marked;
    } cases[] = {
        {"SELECT \"ONE\"", 0, false},
        {"SELECT \"TWO\" 1", 0, true},
        {"SELECT \"THREE\",2", 1, false},
        {"SELECT \"FOUR\",0", 0, false},
    };
    for (const Case& c : cases) {
        std::string out = Command(c.line);
        int program = SelectedProgram();
        ASSERT_GE(program, 0) << c.line;
        // Selecting another program first compiles the one SELECT marked.
        const std::string reply = ProgramName(program) + " selected\r\n";
        EXPECT_EQ(out.substr(out.size() - std::min(out.size(), reply.size())), reply) << c.line;
        EXPECT_EQ(ProgramType(program), c.type) << c.line;
        EXPECT_EQ(IsModified(program), c.marked) << c.line;
    }
    EXPECT_EQ(Command("SELECT \"ONE\""), "ONE selected\r\n");
    EXPECT_EQ(ErrorOf(Command("SELECT \"ONE\" 1")), 10); // the type is set already
    EXPECT_EQ(ErrorOf(Command("SELECT \"X\" 3")), 19);
    EXPECT_EQ(ErrorOf(Command("SELECT \"X\",-1")), 19);
    EXPECT_EQ(ErrorOf(Command("SELECT \"\"")), 32);

    // In the protocol mode only the data channel selects.
    g_LinkProtocolMode = 1;
    EXPECT_EQ(ErrorOf(Command("SELECT \"ONE\"")), 79);
    EXPECT_NE(Command("SELECT \"ONE\"", 8).find("ONE selected"), std::string::npos);
}

TEST_F(ControllerCommands, RenameNewDelAndRunType)
{
    MakeProgram("MAIN", {"a=1"});
    MakeProgram("OTHER", {"b=1"});
    EXPECT_EQ(Command("RENAME \"MAIN\" \"FIRST\""), "OK\r\n");
    EXPECT_GE(FindProgram("FIRST"), 0);
    EXPECT_EQ(ErrorOf(Command("RENAME \"FIRST\" \"ABCDEFGHIJKLMNOP\"")), 68); // 16 characters
    EXPECT_EQ(ErrorOf(Command("RENAME \"NONE\" \"X\"")), 27);
    EXPECT_GE(FindProgram("FIRST"), 0);

    EXPECT_EQ(Command("NEW \"FIRST\""), "OK\r\n");
    EXPECT_LT(FindProgram("FIRST"), 0);
    EXPECT_EQ(Command("DEL \"OTHER\""), "OK\r\n");
    EXPECT_LT(FindProgram("OTHER"), 0);

    int main = MakeProgram("MAIN", {"a=1"});
    EXPECT_EQ(Command("RUNTYPE \"MAIN\",1,3"), "");
    EXPECT_EQ(RunType(main), kRunAtPowerUp);
    EXPECT_EQ(RunProcess(main), 3);
    EXPECT_EQ(Command("RUNTYPE MAIN,1"), ""); // the fast load's unquoted form
    EXPECT_EQ(RunProcess(main), -1);
    EXPECT_EQ(Command("RUNTYPE \"MAIN\",0"), "");
    EXPECT_EQ(RunType(main), 0);
    EXPECT_EQ(ErrorOf(Command("RUNTYPE \"MAIN\",1,0")), 19);
    EXPECT_EQ(ErrorOf(Command("RUNTYPE \"MAIN\",1,15")), 19);
    EXPECT_EQ(Command("RUNTYPE \"MAIN\",1,14"), "");
    EXPECT_EQ(RunProcess(main), 14);
}

TEST_F(ControllerCommands, BreakpointsInBothFormsAndTheirErrors)
{
    int main = MakeProgram("MAIN", {"a=1", "b=2"});
    EXPECT_EQ(Command("BREAK_ADD \"MAIN\",1"), "break line=1\r\n");
    EXPECT_TRUE(Marked(main, 1));
    std::string out = Command("BREAK_ADD \"MAIN\" 5");
    EXPECT_EQ(out.substr(0, 15), "break line=-1\r\n");
    EXPECT_EQ(ErrorOf(out), 67);
    EXPECT_EQ(Command("BREAK_DELETE \"MAIN\" 1"), "");
    EXPECT_FALSE(Marked(main, 1));
    EXPECT_EQ(ErrorOf(Command("BREAK_DELETE \"MAIN\" 7")), 67);
    EXPECT_EQ(ErrorOf(Command("BREAK_ADD \"NONE\" 0")), 27);

    g_LinkProtocolMode = 1;
    out = Command("BREAK_ADD \"MAIN\" 0", 8);
    EXPECT_EQ(out, "\x1b"
                   "80\r\x14"); // channel 8 chosen, the bare number, the line end of mode 1
    EXPECT_TRUE(Marked(main, 0));
}

TEST_F(ControllerCommands, BreakpointsOnACompiledProgramActOnTheLineTheyName)
{
    int main = MakeProgram("MAIN", {"a=1", "b=2", "c=3"});
    Command("COMPILE", 8);
    ASSERT_TRUE(HasCode(main));
    EXPECT_EQ(Command("BREAK_ADD \"MAIN\" 1"), "break line=1\r\n");
    int position = 0;
    EXPECT_EQ(NextBreakpointLine(0, main, position, false), 0x800002u) << "line 1 is the second line, code line 2";
    EXPECT_EQ(Command("BREAK_DELETE \"MAIN\" 1"), "");
    position = 0;
    EXPECT_EQ(NextBreakpointLine(0, main, position, false), 0u) << "the deleted breakpoint no longer fires";

    // Set before the compile, the mark reaches the same code line.
    EXPECT_EQ(Command("BREAK_ADD \"MAIN\" 2"), "break line=2\r\n");
    DiscardCode(main);
    Command("COMPILE", 8);
    ASSERT_TRUE(HasCode(main));
    EXPECT_EQ(Command("BREAK_DELETE \"MAIN\" 2"), "");
    position = 0;
    EXPECT_EQ(NextBreakpointLine(0, main, position, false), 0u);
}

TEST_F(ControllerCommands, AxisValuesAfterPowerUp)
{
    std::string out = Command("AXISVALUES(0,0)");
    const char* expected[] = {"AXISi=0",          "P_GAINf=1.0000",    "UNITSu=1.0000",
                              "SPEEDf=1000.0000", "ACCELf=10000.0000", "RSLIMITf=-20000000.0000"};
    for (const char* line : expected)
        EXPECT_NE(out.find(std::string(line) + "\r\n"), std::string::npos) << line << "\n" << out;
    EXPECT_EQ(out.find("AXISi=0\r\nP_GAINf="), 0u) << out;

    g_AxisRecords[0].SetInt(32, (1 << 1) | (1 << 12));
    out = Command("AXISVALUES(0,1)");
    EXPECT_NE(out.find("AXISSTATUSc=OcyxehdrfmaW\r\n"), std::string::npos) << out;
    EXPECT_NE(out.find("MTYPEs=IDLE\r\n"), std::string::npos) << out;

    g_LinkProtocolMode = 3;
    EXPECT_NE(Command("AXISVALUES(0,1)").find("MTYPEs=IDLE,NTYPEs=IDLE,MPOSf="), std::string::npos);
    g_LinkProtocolMode = 0;

    EXPECT_EQ(ErrorOf(Command("AXISVALUES(24,0)")), 19);
    EXPECT_EQ(ErrorOf(Command("AXISVALUES(0,2)")), 19);
    EXPECT_EQ(ErrorOf(Command("AXISVALUES(-1,0)")), 19);
}

TEST_F(ControllerCommands, StatusLettersAndMoveTypeNames)
{
    EXPECT_EQ(AxisStatusLetters(0), "ocyxehdrfmaw");
    EXPECT_EQ(AxisStatusLetters(0x1FFE), "OCYXEHDRFMAW");
    EXPECT_EQ(AxisStatusLetters(1), "ocyxehdrfmaw"); // bit 0 has no letter
    EXPECT_STREQ(MoveTypeName(16), "MOVETANG");
    EXPECT_STREQ(MoveTypeName(22), "MOVELINK");
    EXPECT_STREQ(MoveTypeName(17), "UNKNOWN");
    EXPECT_STREQ(MoveTypeName(-1), "UNKNOWN");
}

TEST_F(ControllerCommands, TableValuesWithRunsAndBounds)
{
    SetTableEntriesInUse(4);
    const float values[] = {5, 5, 5, 7};
    for (int n = 0; n < 4; ++n)
        ASSERT_TRUE(WriteTable(n, values[n], 0));
    EXPECT_EQ(Command("TABLEVALUES(0,3,1)", 8), "k3,5.0000,\r\n7.0000,\r\n");
    EXPECT_EQ(Command("TABLEVALUES(0,3)", 8), "5.0000,\r\n5.0000,\r\n5.0000,\r\n7.0000,\r\n");
    EXPECT_EQ(Command("TABLEVALUES(2,3,1)"), std::string("5.0000,") + '\0' + "7.0000," + '\0' + "\r\n");

    EXPECT_EQ(ErrorOf(Command("TABLEVALUES(0,4)")), 65); // one past the entries in use
    EXPECT_EQ(ErrorOf(Command("TABLEVALUES(3,2)")), 65);
    EXPECT_EQ(ErrorOf(Command("TABLEVALUES(-1,2)")), 65);
    EXPECT_EQ(ErrorOf(Command("TABLEVALUES(0,3,2)")), 19);
}

TEST_F(ControllerCommands, LockAndUnlock)
{
    MakeProgram("MAIN", {"a=1"});
    EXPECT_EQ(Command("LOCK"), ""); // unlocked: nothing
    EXPECT_EQ(ErrorOf(Command("UNLOCK(1)")), 73);
    EXPECT_EQ(ErrorOf(Command("LOCK(10000000)")), 19);
    EXPECT_FALSE(ControllerLocked(0));

    EXPECT_EQ(Command("LOCK(0)"), "");
    EXPECT_EQ(LockCodeText(0), "00000000");
    EXPECT_EQ(LockCodeText(0x1A2B3C), "C3B2A100");
    EXPECT_TRUE(ControllerLocked(0));
    EXPECT_TRUE(IsMemoryProtected());
    char key[16];
    std::snprintf(key, sizeof key, "%X\r\n", LockKeyOf(0));
    EXPECT_EQ(Command("LOCK"), key);
    EXPECT_EQ(ErrorOf(Command("LOCK(3)")), 74);
    EXPECT_EQ(ErrorOf(Command("NEW \"MAIN\"")), 81);

    EXPECT_EQ(ErrorOf(Command("UNLOCK(1)")), 70);
    EXPECT_EQ(ErrorOf(Command("UNLOCK(2)")), 70);
    EXPECT_EQ(Command("UNLOCK(0)"), "");
    EXPECT_FALSE(ControllerLocked(0));
    EXPECT_FALSE(IsMemoryProtected());

    // The failures keep counting: the next wrong code is the third.
    EXPECT_EQ(Command("LOCK(1234567)"), "");
    EXPECT_EQ(Command("UNLOCK(7654321)"), "Unlock failed too many times. Please reboot\r\n");
    EXPECT_NE(g_ProcessRecords[0].stopRequest.load(), 0);
    EXPECT_TRUE(ControllerLocked(0));
    EXPECT_EQ(UnlockFailures(), 3);
}

// The program commands as the development environment formats them, in the
// order a project check and an editor session send them: each is answered,
// none with an error report.
TEST_F(ControllerCommands, TheEnvironmentsProgramCommandsAreAnswered)
{
    MakeProgram("MAIN", {"a=1", "b=2"});
    struct Case {
        const char* command;
        const char* reply;
    } cases[] = {
        {"SELECT \"MAIN\"", "MAIN selected\r\n"},
        {"SELECT \"NEWONE\" 0", "NEWONE selected\r\n"},
        {"SELECT \"MAIN\"", "MAIN selected\r\n"},
        {"&C", "MAIN\r\n"},
        {"&N", "2\r\n"},
        {"&1L", "b=2\r\n"},
        {"&1I,c=3", "c=3\r\n"},
        {"&1R,c=4", "c=4\r\n"},
        {"&1,1D", "OK\r\n"},
        {"&K", "0\r\n"},
        {"&X,MAIN", "0\r\n"},
        {"BREAK_ADD \"MAIN\" 1", "break line=1\r\n"},
        {"BREAK_DELETE \"MAIN\" 1", ""},
        {"RUNTYPE \"MAIN\",1,3", ""},
        {"RUNTYPE MAIN,0", ""},
        {"COPY \"MAIN\" \"M2\"", "OK\r\n"},
        {"RENAME \"M2\" \"M3\"", "OK\r\n"},
        {"NEW \"M3\"", "OK\r\n"},
        {"AXISVALUES(1,1)", "AXISi=1\r\nMTYPEs=IDLE\r\n"},
        {"?TSIZE[0];", "256000"},
    };
    for (const Case& c : cases) {
        std::string out = Command(c.command);
        EXPECT_EQ(out.substr(0, std::string(c.reply).size()), c.reply) << c.command;
        EXPECT_EQ(ErrorOf(out), 0) << c.command << ": " << out;
    }
}

// A flash write that fails while LOCK stores the new key leaves the
// controller unlocked, so no key of an older code can lock it.
TEST_F(ControllerCommands, LockWhoseFlashWriteFailsStaysUnlocked)
{
    SetFlashFaultHook([](FlashOperation, uint32_t, uint32_t) { return false; });
    EXPECT_NE(ErrorOf(Command("LOCK(42)")), 0);
    SetFlashFaultHook(nullptr);
    EXPECT_FALSE(ControllerLocked(0));
    EXPECT_FALSE(IsMemoryProtected());
    EXPECT_EQ(Command("LOCK(42)"), "");
    EXPECT_EQ(Command("UNLOCK(42)"), "");
    EXPECT_FALSE(ControllerLocked(0));
}

} // namespace
