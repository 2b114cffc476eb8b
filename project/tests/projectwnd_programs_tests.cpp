// The project window's controller program list, the editors it opens, and
// the program commands (RUN, STEPLINE, COMPILE), against the scripted
// controller; the editor frames are stand-in tools that register as the
// frame does.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "project/tests/dialog_answer.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"
#include "ui/resource.h"

namespace {

// A notice 0x8120 as a tool saw it.
struct Notice {
    WPARAM removed;
    std::string program;
    bool listed; // the project window still listed the program then
};

class ProgramsTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("DIR X", ScriptedReply("RAM,12000\nMAIN,1200,300,0,0\nSUB,10,5,3,0"));
        link.SetReply("PROCESS", ScriptedReply(""));
        link.SetReply("&Z,MAIN", ScriptedReply("17700")); // "PRINT 1"
        link.SetReply("&C", ScriptedReply("MAIN"));
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        OpenLink(true);
        OpenProject(m_folder.Path());
        ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n"));
        AddControllerProgram("MAIN");
        // Editor frames: tools of class 2 that register as 1024 while they
        // are made, as the frame does.
        CProjectWnd::RegisterToolCreator(TOOL_EDITOR, [this](CProjectWnd& project, int) -> BOOL {
            ++m_creations;
            if (m_duringCreation)
                m_duringCreation(project);
            TestTool::Options options;
            options.replyClass = REPLY_CLASS_EDITOR;
            options.title = "Editor";
            auto editor = std::make_unique<TestTool>(options);
            if (!m_refuseEditors && editor->Register(project.GetSafeHwnd(), TOOL_EDITOR) != 0) {
                m_editors.push_back(std::move(editor));
                return TRUE;
            }
            return FALSE;
        });
    }
    void TearDown() override
    {
        CProjectWnd::ClearToolCreators();
        m_editors.clear();
        ProjectWndTest::TearDown();
    }
    CProjectWnd& Window() { return *m_window->Object(); }
    std::vector<std::string> ProgramNames()
    {
        std::vector<std::string> names;
        for (const CProgramData& program : Connection().GetPrograms())
            names.push_back(program.m_strName.GetString());
        return names;
    }
    // A registered tool that records the program notices it gets and asks
    // the project window, while it is told, whether the program is listed.
    std::unique_ptr<TestTool> NoticeTool()
    {
        TestTool::Options options;
        options.onMessage = [this](UINT message, WPARAM wParam, LPARAM lParam) {
            if (message != PWM_PROGRAM_NOTICE || !lParam)
                return;
            const auto* program = reinterpret_cast<const CProgramData*>(lParam);
            const bool listed = ::SendMessageA(m_window->Handle(), PWM_HAS_PROGRAM, 0,
                                               reinterpret_cast<LPARAM>(program->m_strName.GetString())) != 0;
            std::lock_guard<std::mutex> lock(m_noticeLock);
            m_notices.push_back(Notice{wParam, program->m_strName.GetString(), listed});
        };
        auto tool = std::make_unique<TestTool>(options);
        EXPECT_NE(0, tool->Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
        return tool;
    }
    std::vector<Notice> Notices()
    {
        std::lock_guard<std::mutex> lock(m_noticeLock);
        return m_notices;
    }

    ScratchFolder m_folder;
    std::vector<std::unique_ptr<TestTool>> m_editors;
    std::atomic<int> m_creations{0};
    bool m_refuseEditors = false;
    std::function<void(CProjectWnd&)> m_duringCreation;
    std::mutex m_noticeLock;
    std::vector<Notice> m_notices;
};

// ---------------------------------------------------------------- program list

TEST_F(ProgramsTest, RefreshTakesTheDirectoryAndTellsOfEachProgramBeforeOneGoes)
{
    AddControllerProgram("OLD");
    const auto tool = NoticeTool();
    EXPECT_EQ(1, m_window->Send(PWM_REFRESH_PROGRAMS));
    EXPECT_EQ((std::vector<std::string>{"MAIN", "SUB"}), ProgramNames());
    CProgramData sub;
    ASSERT_TRUE(Connection().LookupProgram("SUB", sub));
    EXPECT_EQ(3, sub.m_nAutoRun);
    EXPECT_EQ(0, sub.m_nNew);
    EXPECT_EQ(1, sub.m_nSeen);
    const std::vector<Notice> notices = Notices();
    ASSERT_EQ(3u, notices.size());
    EXPECT_EQ(0u, notices[0].removed);
    EXPECT_EQ("MAIN", notices[0].program);
    EXPECT_EQ("SUB", notices[1].program);
    EXPECT_EQ(1u, notices[2].removed);
    EXPECT_EQ("OLD", notices[2].program);
    EXPECT_TRUE(notices[2].listed) << "told while it was still listed";
}

TEST_F(ProgramsTest, FailedDirectoryReadKeepsTheList)
{
    AddControllerProgram("OLD");
    const auto tool = NoticeTool();
    const struct {
        const char* name;
        std::function<void(CScriptedController&)> fault;
    } cases[] = {
        {"a line that does not scan",
         [](CScriptedController& link) { link.SetReply("DIR X", ScriptedReply("BAD,x,1,2,3")); }},
        {"a controller that never answers", [](CScriptedController& link) { link.SetSilent(true); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.fault(*m_link);
        EXPECT_FALSE(Window().RefreshProgramList(TRUE));
        EXPECT_EQ((std::vector<std::string>{"MAIN", "OLD"}), ProgramNames());
        EXPECT_TRUE(Notices().empty());
    }
}

TEST_F(ProgramsTest, RefreshLeavesOutNamesNoProgramMayHave)
{
    // A hostile directory's names would become file names in the project
    // folder (backup, save): they never join the list.
    for (const char* hostile : {"..\\MAIN", "..\\..\\VICTIM", "SUB\\X", "A B", "SIXTEEN_CHARS_AB", "BAD-NAME"}) {
        SCOPED_TRACE(hostile);
        m_link->SetReply("DIR X", ScriptedReply(std::string("MAIN,1200,300,0,0\n") + hostile + ",1,1,0,0"));
        EXPECT_TRUE(Window().RefreshProgramList(TRUE));
        EXPECT_EQ((std::vector<std::string>{"MAIN"}), ProgramNames());
    }
}

TEST_F(ProgramsTest, RefreshOutsideChannelModeEmptiesTheList)
{
    ASSERT_TRUE(Connection().LeaveChannelMode());
    const auto tool = NoticeTool();
    EXPECT_TRUE(Window().RefreshProgramList(TRUE));
    EXPECT_TRUE(ProgramNames().empty());
    ASSERT_EQ(1u, Notices().size());
    EXPECT_EQ(1u, Notices()[0].removed);
}

TEST_F(ProgramsTest, RefreshesAskedForDuringARefreshRunOnceMoreAfterIt)
{
    // While the first refresh tells of its two programs, the tool asks for
    // a refresh each time.
    std::atomic<int> asks{2};
    TestTool::Options options;
    options.onMessage = [this, &asks](UINT message, WPARAM, LPARAM) {
        if (message == PWM_PROGRAM_NOTICE && asks > 0) {
            --asks;
            ::SendMessageA(m_window->Handle(), PWM_REFRESH_PROGRAMS, 0, 0);
        }
    };
    TestTool asker(options);
    ASSERT_NE(0, asker.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    const std::size_t before = CommandsStarting("DIR X").size();
    EXPECT_EQ(1, m_window->Send(PWM_REFRESH_PROGRAMS));
    EXPECT_EQ(0, asks.load());
    EXPECT_EQ(before + 1, CommandsStarting("DIR X").size());
    m_window->Settle();
    m_window->Settle();
    EXPECT_EQ(before + 2, CommandsStarting("DIR X").size()) << "one refresh more, not two";
}

TEST_F(ProgramsTest, DirectoryReadFailsWholeOnANameTheProjectCannotUse)
{
    AddControllerProgram("OLD");
    const struct {
        const char* listing;
        bool read;
    } cases[] = {
        {"MAIN,1200,300,0,0\nSUB,10,5,3,0", true},
        {"MAIN,1200,300,0,0\nSIXTEEN_CHARS_AB,1,1,0,0", false},
        {"MAIN,1200,300,0,0\nBAD-NAME,1,1,0,0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.listing);
        m_link->SetReply("DIR X", ScriptedReply(c.listing));
        const std::size_t processReads = CommandsStarting("PROCESS").size();
        const std::vector<std::string> before = ProgramNames();
        EXPECT_EQ(c.read, Window().ReadProgramDirectory() != FALSE);
        if (c.read) {
            EXPECT_EQ((std::vector<std::string>{"MAIN", "SUB"}), ProgramNames());
            EXPECT_EQ(processReads + 1, CommandsStarting("PROCESS").size());
        } else {
            EXPECT_EQ(before, ProgramNames());
            EXPECT_TRUE(Window().GetReplyValues().directory.empty());
        }
    }
}

// ---------------------------------------------------------------- editors

TEST_F(ProgramsTest, EditorOpensOnAnAgreeingCopyAndIsBroughtUpTheSecondTime)
{
    const struct {
        BOOL run;
        int process;
        WPARAM first;
        LPARAM second;
    } cases[] = {{FALSE, 5, 0, 0}, {TRUE, 3, 1, 3}, {TRUE, -4, 1, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.process);
        m_editors.clear();
        const int before = m_creations.load();
        EXPECT_EQ(1, Window().OpenEditor("main", 0, c.run, c.process));
        EXPECT_EQ(before + 1, m_creations.load());
        ASSERT_EQ(1u, m_editors.size());
        const auto requests = m_editors[0]->Received(PWM_EDITOR_REQUEST);
        ASSERT_EQ(1u, requests.size());
        EXPECT_EQ(c.first, requests[0].wParam);
        EXPECT_EQ(c.second, requests[0].lParam);
        EXPECT_EQ(1u, m_editors[0]->Received(PWM_PROGRAM_NAME).size());
        EXPECT_EQ(1, m_window->Send(PWM_EDITOR_OPEN, 0, reinterpret_cast<LPARAM>("MAIN")));
        // Open already: brought up, not made again; with run, stepped.
        const std::size_t steps = CommandsStarting("STEPLINE").size();
        EXPECT_EQ(1, Window().OpenEditor("MAIN", 0, TRUE, -1));
        EXPECT_EQ(before + 1, m_creations.load());
        EXPECT_EQ(steps + 1, CommandsStarting("STEPLINE").size());
    }
}

TEST_F(ProgramsTest, EditorRequestNoFrameTookLeavesTheQueue)
{
    m_refuseEditors = true;
    EXPECT_EQ(0, Window().OpenEditor("MAIN", 0, FALSE, -1));
    EXPECT_EQ(1, m_creations.load());
    // The next open is not held up by the request of the one that failed.
    m_refuseEditors = false;
    EXPECT_EQ(1, Window().OpenEditor("MAIN", 0, FALSE, -1));
    EXPECT_EQ(2, m_creations.load());
    EXPECT_EQ(1u, m_editors.size());
}

TEST_F(ProgramsTest, SecondOpenWhileAnEditorIsBeingMadeIsRefused)
{
    AddControllerProgram("SUB");
    BOOL second = TRUE;
    m_duringCreation = [&second](CProjectWnd& project) { second = project.OpenEditor("SUB", 0, FALSE, -1); };
    EXPECT_EQ(1, Window().OpenEditor("MAIN", 0, FALSE, -1));
    EXPECT_EQ(0, second);
    EXPECT_EQ(1, m_creations.load());
}

TEST_F(ProgramsTest, TypesThatNeedNoEditorOrMayNotBeEditedOpenNothing)
{
    const struct {
        const char* name;
        int type;
        BOOL result;
    } cases[] = {
        {"", 0, FALSE},         // no name
        {"ENC", 1, FALSE},      // Encrypted: not editable
        {"FIFO", 5, FALSE},     // not editable
        {"BIN", 8, FALSE},      // not editable
        {"UNKNOWN", 12, FALSE}, // no such type
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.result, Window().OpenEditor(c.name, c.type, FALSE, -1));
    }
    EXPECT_EQ(0, m_creations.load());
}

TEST_F(ProgramsTest, DifferingCopiesAskTheQuestionAndOpenNoEditor)
{
    ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.bas", "PRINT 2\r\n"));
    // The question's Save (its first button) posts the save request, which
    // the window takes and frees.
    DialogAnswer answer("Program Check", 0, nullptr, IDC_USER_BUTTON0);
    EXPECT_EQ(0, Window().OpenEditor("MAIN", 0, FALSE, -1));
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(0, m_creations.load());
    EXPECT_TRUE(Window().CountToolWindows(TOOL_EDITOR) == 0);
}

TEST_F(ProgramsTest, CopyCheckReadsBothCopiesCheckValues)
{
    unsigned crc = 0, second = 7;
    EXPECT_TRUE(Window().ReadControllerProgramCrc("MAIN", 0, crc, second));
    EXPECT_EQ(0x4524u, crc);
    EXPECT_EQ(0u, second);
    EXPECT_TRUE(Window().ReadProjectProgramCrc("MAIN", 0, crc, second));
    EXPECT_EQ(0x4524u, crc);
    EXPECT_TRUE(Window().CheckProgramCopy("MAIN", FALSE));
    // A signed answer is the same 16 bits.
    m_link->SetReply("&Z,MAIN", ScriptedReply("-15577"));
    ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.bas", "a=1\nPRINT a"));
    EXPECT_TRUE(Window().CheckProgramCopy("MAIN", FALSE));
    // A project without the file: reported, and the copies differ.
    AddControllerProgram("SUB");
    m_link->SetReply("&Z,SUB", ScriptedReply("1020"));
    EXPECT_FALSE(Window().ReadProjectProgramCrc("SUB", 0, crc, second));
    ASSERT_FALSE(m_prompts.Records().empty());
    EXPECT_EQ("File " + (m_folder / "SUB.bas") + " defined in the project does not exist",
              m_prompts.Records().back().text);
    EXPECT_FALSE(Window().CheckProgramCopy("SUB", FALSE));
    // A controller that refuses the question: no check.
    m_link->SetReply("&Z,MAIN", ScriptedReply("Program not found"));
    EXPECT_FALSE(Window().CheckProgramCopy("MAIN", FALSE));
}

TEST_F(ProgramsTest, EditorOptionsChangesReachOnlyTheEditors)
{
    ASSERT_EQ(1, Window().OpenEditor("MAIN", 0, FALSE, -1));
    TestTool other;
    ASSERT_NE(0, other.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    ::PostMessageA(m_window->Handle(), PWM_BROADCAST_EDITORS, 0, 0);
    m_window->Settle();
    EXPECT_EQ(1u, m_editors[0]->Received(PWM_BROADCAST_EDITORS).size());
    EXPECT_TRUE(other.Received(PWM_BROADCAST_EDITORS).empty());
}

TEST_F(ProgramsTest, CloseEditorsClosesThoseOfTheProgramOrAll)
{
    AddControllerProgram("SUB");
    m_link->SetReply("&Z,SUB", ScriptedReply("17700"));
    ASSERT_TRUE(WriteWholeFile(m_folder / "SUB.bas", "PRINT 1\r\n"));
    ASSERT_EQ(1, Window().OpenEditor("MAIN", 0, FALSE, -1));
    ASSERT_EQ(1, Window().OpenEditor("SUB", 0, FALSE, -1));
    Window().CloseEditors("sub");
    EXPECT_TRUE(m_editors[1]->WaitGone());
    EXPECT_TRUE(m_editors[0]->IsAlive());
    Window().CloseEditors("");
    EXPECT_TRUE(m_editors[0]->WaitGone());
    EXPECT_EQ(0, Window().CountToolWindows(TOOL_EDITOR));
}

// ---------------------------------------------------------------- commands

TEST_F(ProgramsTest, RunAndStepNameTheProcessOnlyFromOne)
{
    const struct {
        bool run;
        int process;
        const char* sent;
    } cases[] = {
        {true, 0, "RUN \"MAIN\""},       {true, -1, "RUN \"MAIN\""},        {true, 3, "RUN \"MAIN\",3"},
        {false, 0, "STEPLINE \"MAIN\""}, {false, 3, "STEPLINE \"MAIN\",3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sent);
        EXPECT_TRUE(c.run ? Window().RunProgram("MAIN", c.process) : Window().StepProgram("MAIN", c.process));
        const std::vector<std::string> sent = CommandsStarting(c.run ? "RUN" : "STEPLINE");
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(c.sent, sent.back());
    }
}

TEST_F(ProgramsTest, RunTellsTheEditorToSendItsLinesFirstAndItsStatusReachesTheProcessList)
{
    ASSERT_EQ(1, Window().OpenEditor("MAIN", 0, FALSE, -1));
    EXPECT_TRUE(Window().RunProgram("MAIN", 0));
    EXPECT_EQ(1u, m_editors[0]->Received(PWM_SEND_PENDING).size());
    m_link->SendStatusLine("%[Process 14:Program MAIN] - Running");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_window->Settle();
    const std::vector<CProcessData> processes = Window().GetProcesses();
    ASSERT_EQ(1u, processes.size());
    EXPECT_EQ("MAIN", std::string(processes[0].m_strProgram.GetString()));
    EXPECT_EQ(14, processes[0].m_nProcess);
    EXPECT_EQ(1, processes[0].m_nState);
    // Running: a step no longer asks the editor for its lines.
    EXPECT_TRUE(Window().StepProgram("MAIN", 14));
    EXPECT_EQ(1u, m_editors[0]->Received(PWM_SEND_PENDING).size());
}

TEST_F(ProgramsTest, CompileSelectsTheProgramWhenAnotherIsSelected)
{
    const struct {
        const char* name;
        std::vector<const char*> answers; // to "&C", in order
        std::vector<std::string> sent;
        BOOL result;
    } cases[] = {
        {"selected already", {"MAIN"}, {"&C", "COMPILE"}, TRUE},
        {"selected by SELECT", {"OTHER", "MAIN"}, {"&C", "SELECT \"MAIN\"", "&C", "COMPILE"}, TRUE},
        {"never selected", {"OTHER", "OTHER"}, {"&C", "SELECT \"MAIN\"", "&C"}, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const char* answer : c.answers)
            m_link->QueueReply("&C", ScriptedReply(answer));
        const std::size_t first = m_link->Commands().size();
        const std::size_t prompts = m_prompts.Records().size();
        EXPECT_EQ(c.result, Window().CompileProgram("MAIN", 0));
        std::vector<std::string> sent;
        for (std::size_t n = first; n < m_link->Commands().size(); ++n)
            if (m_link->Commands()[n] != "DIR X")
                sent.push_back(m_link->Commands()[n]);
        EXPECT_EQ(c.sent, sent);
        EXPECT_EQ("DIR X", m_link->Commands().back()) << "the list is read again in every case";
        if (!c.result) {
            ASSERT_EQ(prompts + 1, m_prompts.Records().size());
            EXPECT_EQ("Could not select the program MAIN on the controller", m_prompts.Records().back().text);
            EXPECT_EQ("Project Manager", m_prompts.Records().back().caption);
        }
    }
    // A type that may not be compiled sends nothing.
    const std::size_t sent = m_link->Commands().size();
    EXPECT_FALSE(Window().CompileProgram("MAIN", 3));
    EXPECT_EQ(sent, m_link->Commands().size());
}

TEST_F(ProgramsTest, CompileAllCompilesEachProgramThatMayBeCompiled)
{
    AddControllerProgram("NOTES", 3); // Text: never compiled
    AddControllerProgram("SUB");
    m_link->SetReply("DIR X", ScriptedReply("MAIN,1200,300,0,0\nNOTES,1,1,0,3\nSUB,10,5,3,0"));
    for (const char* answer : {"MAIN", "MAIN", "SUB"})
        m_link->QueueReply("&C", ScriptedReply(answer));
    m_window->Send(PWM_COMPILE_ALL);
    EXPECT_EQ(2u, CommandsStarting("COMPILE").size());
    EXPECT_EQ((std::vector<std::string>{"SELECT \"SUB\""}), CommandsStarting("SELECT"));
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(ProgramsTest, ToolsOperationsRunQueuedOnTheWindowsThread)
{
    // The editor's compile request, then an edit request.
    m_window->Send(PWM_COMPILE_PROGRAM, reinterpret_cast<WPARAM>("MAIN"));
    m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("MAIN"));
    CProgramOperationData run;
    run.m_nOperation = PROGRAM_OP_RUN;
    run.m_strProgram = "MAIN";
    run.m_nNumber = 2;
    m_window->Send(PWM_QUEUE_OPERATION, PROGRAM_OP_RUN, reinterpret_cast<LPARAM>(&run));
    ASSERT_TRUE(PumpUntil(
        [this] {
            return Window().CountQueuedOperations() == 0 && Window().CountToolWindows(TOOL_EDITOR) > 0 &&
                   !CommandsStarting("RUN").empty();
        },
        10000));
    EXPECT_EQ(1u, CommandsStarting("COMPILE").size());
    EXPECT_EQ("RUN \"MAIN\",2", CommandsStarting("RUN").back());
    EXPECT_EQ(1, m_creations.load());
}

TEST_F(ProgramsTest, TwoToolsAskingForTheSameEditorAtOnceGetOne)
{
    // Two threads ask at the same moment; the operations run one after the
    // other, so the second finds the first one's editor.
    std::thread first([this] { m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("MAIN")); });
    std::thread second([this] { m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("MAIN")); });
    first.join();
    second.join();
    ASSERT_TRUE(PumpUntil(
        [this] { return Window().CountQueuedOperations() == 0 && Window().CountToolWindows(TOOL_EDITOR) > 0; }, 10000));
    m_window->Settle();
    EXPECT_EQ(1, m_creations.load());
    EXPECT_EQ(1, Window().CountToolWindows(TOOL_EDITOR));
}

} // namespace
