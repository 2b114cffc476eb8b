// The scripted controller's program store: the answers other tests rely on
// when they load, read back, copy and delete programs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/tests/support/program_store.h"

namespace {

// Runs commands in order; the reply text of each (with "!" before a
// refusal), joined by "|".
std::string Answers(CProgramStore& store, const std::vector<std::string>& commands)
{
    std::string answers;
    for (const std::string& command : commands) {
        ScriptedReply reply;
        if (&command != &commands.front())
            answers += "|";
        if (!store.Answer(command, reply)) {
            answers += "?";
            continue;
        }
        answers += (reply.text.rfind("%[", 0) == 0 ? "!" : "") + reply.text;
    }
    return answers;
}

} // namespace

TEST(ProgramStore, LineEditsFromLineZero)
{
    struct Case {
        const char* what;
        std::vector<std::string> commands;
        std::string answers;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"a new program holds one empty line",
         {"SELECT \"main\"", "&C", "&N", "&0L"},
         "|MAIN|1|",
         {""}},
        {"replace line 0, insert after it",
         {"SELECT \"MAIN\"", "&0R,PRINT 1", "&1I,PRINT 2", "&N", "&0L", "&1L"},
         "|PRINT 1|PRINT 2|2|PRINT 1|PRINT 2",
         {"PRINT 1", "PRINT 2"}},
        {"lines past the end are refused",
         {"SELECT \"MAIN\"", "&1R,x", "&2I,x", "&1L", "&1,2D"},
         "|!%[COMMAND 67] Invalid line number|!%[COMMAND 67] Invalid line number|"
         "!%[COMMAND 67] Invalid line number|!%[COMMAND 67] Invalid line number",
         {""}},
        {"a range delete",
         {"SELECT \"MAIN\"", "&0R,a", "&1I,b", "&2I,c", "&0,1D", "&N"},
         "|a|b|c|OK|1",
         {"c"}},
        {"NEW removes the program, SELECT makes it again",
         {"SELECT \"MAIN\"", "&0R,a", "NEW \"MAIN\"", "&C", "&N", "&0L", "SELECT \"MAIN\" 3", "&N"},
         "|a|||0|!%[COMMAND 33] No program selected||1",
         {""}},
        {"an unknown command is left to the script",
         {"FOO"},
         "?",
         {}},
    };
    for (const Case& c : cases) {
        CProgramStore store;
        EXPECT_EQ(Answers(store, c.commands), c.answers) << c.what;
        EXPECT_EQ(store.Lines("MAIN"), c.lines) << c.what;
    }
}

TEST(ProgramStore, CheckValueIsTheFileCrc)
{
    CProgramStore store;
    store.SetProgram("EMPTY", {});
    store.SetProgram("ONE", {"PRINT 1"});
    store.SetProgram("TWO", {"a=1", "PRINT a"});
    EXPECT_EQ(Answers(store, {"&Z,EMPTY", "&Z,one", "&Z,TWO", "&Z,NONE"}),
              std::to_string(0x03FC) + "|" + std::to_string(0x4524) + "|" + std::to_string(0xC327) +
                  "|!%[COMMAND 47] Program not found");
    // "&Z" alone: the selected program.
    EXPECT_EQ(Answers(store, {"SELECT \"ONE\"", "&Z"}), "|" + std::to_string(0x4524));
}

TEST(ProgramStore, CopyRenameDirectoryAndRun)
{
    CProgramStore store;
    store.SetProgram("MAIN", {"PRINT 1"}, 0);
    store.SetProgram("TEXT", {"abc"}, 3);
    EXPECT_EQ(Answers(store, {"COPY \"MAIN\" \"SUB\"", "RENAME \"TEXT\" \"NOTE\"", "RENAME \"NOTE\" \"MAIN\"",
                          "COPY \"GONE\" \"X\"", "DIR X"}),
              "||!%[COMMAND 48] Program already exists|!%[COMMAND 47] Program not found|"
              "MAIN,8,8,0,0\nNOTE,4,4,0,3\nSUB,8,8,0,0");
    EXPECT_EQ(store.Lines("SUB"), std::vector<std::string>{"PRINT 1"});

    ScriptedReply reply;
    ASSERT_TRUE(store.Answer("RUN \"MAIN\"", reply));
    EXPECT_EQ(reply.statusLines, std::vector<std::string>{"%[Process 14:Program MAIN] - Running"});
    ASSERT_TRUE(store.Answer("STOP \"MAIN\",3", reply));
    EXPECT_EQ(reply.statusLines, std::vector<std::string>{"%[Process 3:Line 0] (31) - Program is stopped"});

    EXPECT_EQ(Answers(store, {"NEW ALL", "DIR X", "&C"}), "||");
    EXPECT_EQ(store.Count(), 0);
}

TEST(ProgramStore, UpperCaseListingLeavesStringsAndComments)
{
    CProgramStore store;
    store.SetUpperCaseListing(true);
    EXPECT_EQ(Answers(store, {"SELECT \"MAIN\"", "&0R,print \"hi\" ' note", "&0L"}),
              "|PRINT \"hi\" ' note|PRINT \"hi\" ' note");
}

TEST(ProgramStore, TableAndVariables)
{
    CProgramStore store;
    store.SetTable({1.0, 2.5, -3.0});
    store.SetVR(7, 2.5);
    EXPECT_EQ(Answers(store, {"?TSIZE[0];", "TABLEVALUES(1,2,0)", "TABLEVALUES(1,3,0)", "?VR(7);", "?VR(8);",
                          "NEW \"TABLE\"", "?TSIZE[0];"}),
              "3|2.5000,-3.0000|!%[COMMAND 54] Array index out of range|2.5000|0.0000||0");
}
