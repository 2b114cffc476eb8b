// The project window's program transfers joined to the rest of the window:
// the fast program load through the real tool window 1057, the halt question
// while programs run, the flash store after a change, the TABLE values its
// own replies collect and the tools' queued copy, rename and delete, against
// the scripted controller's program store and fast-load model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/tests/support/program_store.h"
#include "project/programoperation.h"
#include "project/programtransfer.h"
#include "project/projectmessages.h"
#include "project/projectwndmessages.h"
#include "project/tests/projectwnd_fixture.h"
#include "project/toolthread.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

using Lines = std::vector<std::string>;

const char kHaltQuestion[] =
    "This operation cannot be performed with programs running.\n\nDo you wish to halt all running programs";

class ProgramOperationsTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply(m_controlCode));
        link.SetReply("EPROM", ScriptedReply("Erasing\nProgramming\nverifying"));
        link.SetReply("?POWER_UP[0];", ScriptedReply("1"));
        link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        m_store.Attach(link);
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        RegisterFastLoadProgramTool();
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
        WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\nPRINT 2\r\n");
        Window().GetProjectFile().Load(m_project.c_str());
    }
    void TearDown() override
    {
        CProjectWnd::ClearToolCreators();
        ProjectWndTest::TearDown();
    }
    // Opens the link to a controller of this model code, holding MAIN.
    void Open(const char* controlCode)
    {
        m_controlCode = controlCode;
        OpenLink(true);
        m_store.SetProgram("MAIN", {"PRINT 1", "PRINT 2"});
        AddControllerProgram("MAIN");
    }
    void StartPrograms()
    {
        m_link->SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
        ASSERT_TRUE(Window().RefreshProcesses());
        ASSERT_FALSE(Window().GetProcesses().empty());
    }
    // Runs an operation through the window's queue, as a tool asks for it.
    void Queue(int code, const char* program, const char* second = "")
    {
        CProgramOperationData operation;
        operation.m_nOperation = code;
        operation.m_strProgram = program;
        operation.m_strSecond = second;
        m_window->Send(PWM_QUEUE_OPERATION, code, reinterpret_cast<LPARAM>(&operation));
        ASSERT_TRUE(PumpUntil([this] { return Window().CountUnfinishedOperations() == 0; }, 10000));
    }
    std::size_t FastLoads()
    {
        std::size_t count = 0;
        m_link->WithScript([&](CControllerScript& script) { count = script.FastLoaded().size(); });
        return count;
    }
    CProjectWnd& Window() { return *m_window->Object(); }

    const char* m_controlCode = "206"; // fast loads; keeps POWER_UP
    CProgramStore m_store;
    ScratchFolder m_folder;
    std::string m_project;
};

} // namespace

TEST_F(ProgramOperationsTest, AProgramGoesInBlocksWhereTheControllerTakesThemElseLineByLine)
{
    Open("206");
    struct Row {
        const char* what;
        int forceSlow;
        const char* file;
        bool fast;
    };
    // The fast row comes first: the store then holds what the file holds,
    // so the check values agree.
    const Row rows[] = {
        {"fast", 0, "PRINT 1\r\nPRINT 2\r\n", true},
        {"the user forces the line load", 1, "PRINT 1\r\nPRINT 2\r\n", false},
        {"an empty file has no block to send", 0, "", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CVQRegistry().SetForceSlowProgramLoad(row.forceSlow);
        WriteWholeFile(m_folder / "MAIN.bas", row.file);
        const std::size_t fastBefore = FastLoads();
        const std::size_t linesBefore = CommandsStarting("&0R").size();
        EXPECT_TRUE(Window().LoadProgramToController("MAIN", TRUE));
        EXPECT_EQ(row.fast ? fastBefore + 1 : fastBefore, FastLoads());
        EXPECT_EQ(row.fast ? linesBefore : linesBefore + (*row.file ? 1 : 0), CommandsStarting("&0R").size());
        // The load window has gone; the check value was asked for.
        EXPECT_EQ(0, Window().CountToolWindows(TOOL_ID_FAST_LOAD_PROGRAM));
        EXPECT_EQ(ReadWholeFile(m_folder / "MAIN.bas"), row.file);
    }
    EXPECT_EQ(3u, CommandsStarting("&Z").size());
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProgramOperationsTest, AFastLoadWhoseCopyDiffersFromTheFileFails)
{
    Open("206");
    // The controller ends up with another program than the file's.
    m_store.SetProgram("MAIN", {"PRINT 9"});
    EXPECT_FALSE(Window().LoadProgramToController("MAIN", TRUE));
    EXPECT_EQ(1u, FastLoads());
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0u, records[0].text.rfind("Program CRC check failed (Controller=0x", 0)) << records[0].text;
    EXPECT_EQ("Load program", records[0].caption);
    // The fast path does not read the controller's copy back.
    EXPECT_TRUE(CommandsStarting("&0L").empty());
    EXPECT_EQ(ReadWholeFile(m_folder / "MAIN.bas"), "PRINT 1\r\nPRINT 2\r\n");
}

TEST_F(ProgramOperationsTest, WhileProgramsRunAChangeAsksToHaltThemFirst)
{
    Open("206");
    StartPrograms();
    struct Row {
        const char* what;
        std::function<BOOL()> run;
    };
    const Row rows[] = {
        {"load", [this] { return Window().LoadProgramToController("MAIN", TRUE); }},
        {"read-back", [this] { return Window().SaveProgramToDisk("MAIN", FALSE); }},
        {"delete", [this] { return Window().DeletePrograms("MAIN"); }},
        {"copy", [this] { return Window().CopyProgram("MAIN", "OTHER"); }},
        {"rename", [this] { return Window().RenameProgram("MAIN", "OTHER"); }},
    };
    // Declined: nothing is sent, nothing changes.
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t asked = m_prompts.Records().size();
        m_prompts.Answer(IDNO);
        EXPECT_FALSE(row.run());
        const auto records = m_prompts.Records();
        ASSERT_EQ(asked + 1, records.size());
        EXPECT_EQ(kHaltQuestion, records.back().text);
    }
    EXPECT_TRUE(CommandsStarting("HALT").empty());
    EXPECT_TRUE(CommandsStarting("SELECT").empty());
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_TRUE(CommandsStarting("COPY").empty());
    EXPECT_TRUE(CommandsStarting("RENAME").empty());
    EXPECT_EQ(0u, FastLoads());
    EXPECT_TRUE(m_store.HasProgram("MAIN"));

    // Agreed: HALT goes first, then the change.
    m_prompts.Answer(IDYES);
    EXPECT_EQ(1, Window().DeletePrograms("MAIN"));
    EXPECT_EQ(1u, CommandsStarting("HALT").size());
    EXPECT_EQ(CommandsStarting("NEW"), Lines{"NEW \"MAIN\""});
    EXPECT_FALSE(m_store.HasProgram("MAIN"));
    // The program list is read again afterwards, on the window's thread;
    // nothing stays busy.
    EXPECT_TRUE(PumpUntil([this] { return Window().GetBusyCount() == 0; }));
}

TEST_F(ProgramOperationsTest, AModelWithoutBatteryStoresInFlashAfterAChangeWhenAsked)
{
    Open("202");
    ASSERT_EQ(0, Connection().GetModel().m_nPowerUpCapable);
    struct Row {
        int autoEprom;
        std::size_t stores;
    };
    const Row rows[] = {{0, 0}, {1, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.autoEprom);
        CVQRegistry().SetAutoEPROM(row.autoEprom);
        const std::size_t before = CommandsStarting("EPROM").size();
        ASSERT_TRUE(Window().CopyProgram("MAIN", "COPY1"));
        EXPECT_EQ(1, Window().DeletePrograms("COPY1"));
        // A copy and a deletion: one store each.
        EXPECT_EQ(before + 2 * row.stores, CommandsStarting("EPROM").size());
    }
    // A failed deletion changed nothing: nothing to store.
    m_link->SetReply("NEW \"MAIN\"", "%[COMMAND 13] Program not found");
    const std::size_t before = CommandsStarting("EPROM").size();
    EXPECT_EQ(0, Window().DeletePrograms("MAIN"));
    EXPECT_EQ(before, CommandsStarting("EPROM").size());
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(ProgramOperationsTest, TheWindowsOwnTableReplyExpandsRunsOfEqualValues)
{
    Open("206");
    struct Row {
        const char* reply;
        std::vector<double> values;
    };
    const Row rows[] = {
        {"1.0,k3,2.5,4.0", {1, 2.5, 2.5, 2.5, 4}},
        {"#,k2,#,7.0", {1.7976931348623158e+303, 1.7976931348623158e+303, 1.7976931348623158e+303, 7}},
        // A run of no values does not scan: it is dropped, the rest kept.
        {"k0,1.0,3.0", {3}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reply);
        m_link->SetReply("TABLEVALUES(0,4,0)", row.reply);
        Window().ClearReplyValues();
        Window().RunControllerCommand(31, 0, "0,4,0");
        EXPECT_EQ(row.values, Window().GetReplyValues().tableValues);
    }
}

TEST_F(ProgramOperationsTest, QueuedCopyRenameAndDeleteChangeControllerAndProject)
{
    Open("206");
    CProjectFile& project = Window().GetProjectFile();

    Queue(PROGRAM_OP_COPY, "MAIN", "COPY1");
    EXPECT_EQ(m_store.Lines("COPY1"), (Lines{"PRINT 1", "PRINT 2"}));
    EXPECT_GE(project.FindProgram("COPY1"), 0);
    EXPECT_EQ(ReadWholeFile(m_folder / "COPY1.bas"), "PRINT 1\r\nPRINT 2\r\n");

    Queue(PROGRAM_OP_RENAME, "COPY1", "SECOND");
    EXPECT_FALSE(m_store.HasProgram("COPY1"));
    EXPECT_TRUE(m_store.HasProgram("SECOND"));
    EXPECT_LT(project.FindProgram("COPY1"), 0);
    EXPECT_GE(project.FindProgram("SECOND"), 0);

    Queue(PROGRAM_OP_DELETE, "SECOND");
    EXPECT_FALSE(m_store.HasProgram("SECOND"));
    EXPECT_LT(project.FindProgram("SECOND"), 0);

    // A record naming no one program deletes nothing.
    Queue(PROGRAM_OP_DELETE, "*");
    Queue(PROGRAM_OP_DELETE, "MAIN,OTHER");
    EXPECT_TRUE(m_store.HasProgram("MAIN"));

    // Nothing runs: halting all asks nothing and sends nothing.
    Queue(PROGRAM_OP_HALT_ALL, "");
    EXPECT_TRUE(CommandsStarting("HALT").empty());

    // Delete all asks first; No keeps everything.
    m_prompts.Answer(IDNO);
    Queue(PROGRAM_OP_DELETE_ALL, "");
    EXPECT_TRUE(m_store.HasProgram("MAIN"));
    m_prompts.Answer(IDYES);
    Queue(PROGRAM_OP_DELETE_ALL, "");
    EXPECT_EQ(0, m_store.Count());
    EXPECT_EQ(0, project.GetProgramCount());
    const auto records = m_prompts.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Delete all programs", records[0].caption);
    EXPECT_EQ("This will completely erase the contents of the controller\n\nDo you wish to continue?", records[0].text);

    // This model keeps its programs over a power cycle: no flash store.
    EXPECT_TRUE(CommandsStarting("EPROM").empty());
    EXPECT_EQ(0, Window().GetBusyCount());
}
