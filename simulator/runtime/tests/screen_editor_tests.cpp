// EDIT, the terminal's full-screen editor, typed at the command line (process
// 0 on the test thread, on virtual time): the keys wait on channel 0 and
// what the editor draws is read back from the link byte for byte.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/edprog.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tests/store_helpers.h"

using namespace qcrt;

namespace {

const std::string kUp = "\33[A";
const std::string kDown = "\33[B";
const std::string kRight = "\33[C";
const std::string kLeft = "\33[D";
const std::string kLeave = "\x0b" "D"; // Ctrl-K D
const std::string kDeleteLine = "\x19"; // Ctrl-Y

std::string Repeat(const std::string& keys, int count)
{
    std::string all;
    for (int n = 0; n < count; ++n)
        all += keys;
    return all;
}

class ScreenEditor : public StoreEnvironment {
protected:
    ScreenEditor()
    {
        InstallInterpreter();
        ResetTerminalDecoder();
        RunServices(); // the link's first XON
        env.host.TakeWritten(0);
    }
    ~ScreenEditor() override
    {
        env.host.onSleep = nullptr;
        g_LinkProtocolMode = 0;
    }

    // Runs the command with the keys arriving on channel 0 as the editor
    // takes them; returns what reached the terminal.
    std::string Edit(const std::string& command, const std::string& keys)
    {
        std::string rest = keys;
        env.host.onSleep = [&] {
            while (!rest.empty() && InputCount(0) < 100) {
                FillInput(0, rest.substr(0, 1));
                rest.erase(0, 1);
            }
        };
        {
            InlineProcess commandLine(0);
            ExecuteCommandLine(command.c_str());
        }
        env.host.onSleep = nullptr;
        EXPECT_EQ(rest, "") << command << ": every key was read";
        for (int n = 0; n < 50; ++n)
            RunServices();
        return env.host.TakeWritten(0);
    }

    static std::vector<std::string> Listing(int program)
    {
        std::vector<std::string> lines;
        for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
            lines.push_back(ListedLine(program, at));
        return lines;
    }
};

TEST_F(ScreenEditor, InsertSplitJoinAndDeleteTranscript)
{
    int program = MakeProgram("MAIN", {"a=1", "b=2", "c=3"});
    std::string written = Edit("EDIT", "x" + kDown + "\r" + "\b" + kDeleteLine + kLeave);
    EXPECT_EQ(written, "\33[1;1H\33[Ja=1\r\nb=2\r\nc=3\r\n\33[H" // the screen, cursor home
                       "xa=1\b\b\b"                              // x inserted, the rest redrawn
                       "\r\33[Kxa=1\33[2;2H"                     // down: the line stored and listed
                       "\r\33[Kb\33[3;1H\33[J=2\r\nc=3\r\n\33[3;1H" // Enter splits b=2
                       "\33[2;1H\33[Jb=2\r\nc=3\r\n\33[2;2H"     // backspace joins them again
                       "\33[2;1H\33[Jc=3\r\n\33[2;1H"            // Ctrl-Y deletes b=2
                       "\33[2J\33[HLeaving editor at line 1\r\n");
    EXPECT_EQ(Listing(program), (std::vector<std::string>{"xa=1", "c=3"}));
}

TEST_F(ScreenEditor, CursorKeysTabAndTheStoredFormOfALine)
{
    int program = MakeProgram("MAIN", {"ab", "cd"});
    std::string written = Edit("ED", Repeat(kRight, 3) + Repeat(kLeft, 3) + "\t" + kDown + Repeat(kLeft, 2) + "?1:" +
                                         kUp + "\b" + kLeave);
    EXPECT_EQ(written, "\33[1;1H\33[Jab\r\ncd\r\n\33[H"
                       "\33[1;2H\33[1;3H"   // right within the line
                       "\33[2;1H"           // right at its end: the next line's start
                       "\33[1;3H"           // left at column 0: the previous line's end
                       "\33[D\33[D"         // left within the line
                       "    ab\b\b"         // TAB inserts four blanks
                       "\r\33[K    ab\33[2;3H" // stored as indentation; down keeps the column the line has
                       "\33[D\33[D?cd\b\b1cd\b\b:cd\b\b"
                       "\r\33[KPRINT 1:cd\33[1;4H" // up: the line as the store lists it
                       "\b ab \b\b\b\b"        // backspace within the line
                       "\r\33[K   ab"          // leaving stores the line
                       "\33[2J\33[HLeaving editor at line 0\r\n");
    EXPECT_EQ(Listing(program), (std::vector<std::string>{"   ab", "PRINT 1:cd"}));
}

TEST_F(ScreenEditor, ScrollingDownAndUpRedrawsAroundTheLine)
{
    std::vector<std::string> lines;
    for (int n = 0; n < 30; ++n)
        lines.push_back("v=" + std::to_string(n));
    MakeProgram("LONG", lines);
    auto screen = [&](int first, int cursorRow) {
        std::string text = "\33[1;1H\33[J";
        for (int n = first; n < static_cast<int>(lines.size()) && n - first < 23; ++n)
            text += lines[n] + "\r\n";
        return text + "\33[" + std::to_string(cursorRow + 1) + ";1H";
    };
    std::string expected = screen(0, 0);
    expected.replace(expected.size() - 6, 6, "\33[H");
    for (int row = 1; row <= 22; ++row)
        expected += "\33[" + std::to_string(row + 1) + ";1H";
    expected += screen(12, 11); // line 23 is drawn on row 11
    for (int row = 10; row >= 0; --row)
        expected += "\33[" + std::to_string(row + 1) + ";1H";
    expected += screen(1, 10); // line 11 is drawn on row 10
    expected += "\33[2J\33[HLeaving editor at line 11\r\n";
    EXPECT_EQ(Edit("EDIT", Repeat(kDown, 23) + Repeat(kUp, 12) + kLeave), expected);
}

TEST_F(ScreenEditor, EditsTheEmptyLineBehindTheLast)
{
    int program = MakeProgram("MAIN", {"a=1"});
    std::string written = Edit("EDIT 1", "b=2\r\b" + kLeave);
    EXPECT_EQ(written, "\33[1;1H\33[J\33[H" // the screen from the empty line on
                       "b=2"
                       "\r\33[Kb=2"            // Enter inserts the line
                       "\33[2;1H\33[J\33[2;1H"  // and the cursor stands on the empty line again
                       "\33[1;4H"              // backspace there goes to the end of the line above
                       "\33[2J\33[HLeaving editor at line 1\r\n");
    EXPECT_EQ(Listing(program), (std::vector<std::string>{"a=1", "b=2"}));
}

TEST_F(ScreenEditor, AGcodeProgramsLinesAreStoredAsGcode)
{
    int program = MakeProgram("GC", {"G1 X10"}, kProgramTypeGCode);
    std::string written = Edit("EDIT", "n5 " + kLeave);
    EXPECT_NE(written.find("\r\33[KN5 G1 X10\33[2J"), std::string::npos) << written;
    EXPECT_EQ(Listing(program), (std::vector<std::string>{"N5 G1 X10"}));
}

TEST_F(ScreenEditor, LimitsOfTheLine)
{
    const std::string full = "'" + std::string(77, 'z'); // 78 characters
    int program = MakeProgram("MAIN", {full, "a=1"});
    // A 79th character, a join that would pass 78, and backspace at the
    // start of the first line do nothing.
    std::string written = Edit("EDIT 30000", "y" + kDown + "\b" + kUp + "\b" + kLeave);
    EXPECT_EQ(written, "\33[1;1H\33[J" + full + "\r\na=1\r\n\33[H\33[2;1H\33[1;1H\33[2J\33[HLeaving editor at line 0\r\n");
    EXPECT_EQ(Listing(program), (std::vector<std::string>{full, "a=1"}));
    EXPECT_FALSE(IsModified(program));
}

// The development environment's channel may change the program while the
// editor waits for a key (its commands run in between): the editor keeps to
// its line.
TEST_F(ScreenEditor, AChangeWhileAKeyIsAwaitedLeavesOtherLinesAlone)
{
    struct Case {
        const char* change; // run once the first keys are taken
        std::vector<std::string> after;
    } cases[] = {
        {"&0I,z=0", {"z=0", "a=1", "xyb=2", "c=3"}},     // a line inserted above it
        {"&0,0D", {"xyb=2", "c=3"}},                      // the line above it deleted
        {"&2I,z=0", {"a=1", "xyb=2", "z=0", "c=3"}},     // a line inserted below it
        {"&1R,q=5", {"a=1", "qy=5", "c=3"}},             // its own line replaced: the new text is edited
        {"&1,1D", {"a=1", "cy=3"}},                       // its own line deleted: the next takes its place
    };
    for (const Case& c : cases) {
        if (FindProgram("MAIN") >= 0)
            DeleteProgram("MAIN", 0);
        int program = MakeProgram("MAIN", {"a=1", "b=2", "c=3"});
        std::string first = kDown + "x"; // on b=2, typing
        std::string second = "y" + kLeave;
        bool changed = false;
        env.host.onSleep = [&] {
            if (!first.empty()) {
                FillInput(0, first);
                first.clear();
            } else if (!changed && InputCount(0) == 0) {
                changed = true;
                ExecuteCommandLine(c.change);
                FillInput(0, second);
            }
        };
        {
            InlineProcess commandLine(0);
            ExecuteCommandLine("EDIT");
        }
        env.host.onSleep = nullptr;
        for (int n = 0; n < 50; ++n)
            RunServices();
        env.host.TakeWritten(0);
        EXPECT_TRUE(changed) << c.change;
        EXPECT_EQ(Listing(program), c.after) << c.change;
    }

    // The program itself gone: the editor ends with its error.
    int program = FindProgram("MAIN");
    ASSERT_GE(program, 0);
    bool gone = false;
    env.host.onSleep = [&] {
        if (!gone) {
            gone = true;
            ExecuteCommandLine("NEW \"MAIN\"");
            FillInput(0, "x");
        }
    };
    {
        InlineProcess commandLine(0);
        ExecuteCommandLine("EDIT");
    }
    env.host.onSleep = nullptr;
    for (int n = 0; n < 50; ++n)
        RunServices();
    EXPECT_NE(env.host.TakeWritten(0).find("%[COMMAND 27]"), std::string::npos);
}

TEST_F(ScreenEditor, RefusalsAndErrorsLeaveTheStoreAsItWas)
{
    EXPECT_EQ(Edit("EDIT", ""), "%[COMMAND 33] No program selected\r\n");
    int program = MakeProgram("MAIN", {"a=1", "b=2"});

    EXPECT_EQ(Edit("EDIT 3", ""), "%[COMMAND 67] Invalid line number\r\n");
    EXPECT_EQ(Edit("EDIT -1", ""), "%[COMMAND 67] Invalid line number\r\n");

    g_LinkProtocolMode = 1;
    std::string refused = Edit("EDIT", "");
    EXPECT_NE(refused.find("%[COMMAND 79] Command not allowed when running Vorta\r\n"), std::string::npos) << refused;
    g_LinkProtocolMode = 0;

    IncrementRunCount(program);
    EXPECT_EQ(Edit("EDIT", ""), "%[COMMAND 82] Cannot edit program\r\n");
    DecrementRunCount(program);

    Edit("LOCK(77)", "");
    EXPECT_EQ(Edit("EDIT", ""), "%[COMMAND 81] Directory is LOCKED\r\n");
    Edit("UNLOCK(77)", "");

    // A line the tokeniser refuses ends the editor with its error; the
    // stored line stays.
    std::string written = Edit("EDIT", "\"\xe8" + kDown);
    EXPECT_NE(written.find("%[COMMAND 6] "), std::string::npos) << written;
    EXPECT_EQ(Listing(program), (std::vector<std::string>{"a=1", "b=2"}));
}

} // namespace
