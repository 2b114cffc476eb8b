// The project window's own commands (the runner and the controller
// queries), the replies that come back to it, the process status list and
// the controller's error reports, against the scripted controller.
#include <gtest/gtest.h>

#include <memory>

#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

class CommandsTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?SERVO_PERIOD;", ScriptedReply("4000"));
        link.SetReply("PROCESS", ScriptedReply("1,1,REMOTE_PROGRAM,0\n3,1,MAIN,5"));
        link.SetReply("COMPILE", ScriptedReply("%[COMPILE Line 4] (8) - x"));
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        OpenLink(true);
        AddControllerProgram("MAIN");
    }
    CProjectWnd& Window() { return *m_window->Object(); }
    // The editor frame of MAIN, registered as the window expects it.
    std::unique_ptr<TestTool> EditorOfMain()
    {
        Window().QueueEditorOpen("MAIN", 0, 0);
        TestTool::Options options;
        options.replyClass = REPLY_CLASS_EDITOR;
        auto editor = std::make_unique<TestTool>(options);
        if (!editor->Register(m_window->Handle(), TOOL_EDITOR))
            return nullptr;
        return editor;
    }
    // A command request of an editor frame, as its message sender makes it.
    static ControllerMessage EditorRequest(TestTool& editor, int commandId)
    {
        ControllerMessage request;
        request.m_hReplyWnd = editor.Handle();
        request.m_pReplyReceiver = &editor;
        request.m_nCommandId = commandId;
        request.m_nChannel = CHANNEL_COMMAND;
        return request;
    }
};

// ---------------------------------------------------------------- runner

TEST_F(CommandsTest, RunOfNoCommandsSendsNothingAndSucceeds)
{
    const std::size_t before = m_link->Commands().size();
    EXPECT_TRUE(Window().RunControllerCommands(std::vector<CProjectWnd::Command>()));
    EXPECT_EQ(before, m_link->Commands().size());
}

TEST_F(CommandsTest, RunStopsBeforeACommandWithoutAFormAndAtAFailure)
{
    // Command 8 takes raw bytes, which the runner has no form for.
    EXPECT_FALSE(Window().RunControllerCommands({CProjectWnd::Command(33), CProjectWnd::Command(8, "x")}));
    EXPECT_EQ((std::vector<std::string>{"?POWER_UP[0];"}), CommandsStarting("?POWER_UP"));
    // A controller that never answers: the first command times out (on
    // virtual time) and the second is not sent.
    m_link->SetSilent(true);
    EXPECT_FALSE(Window().RunControllerCommands({CProjectWnd::Command(34), CProjectWnd::Command(35)}));
    EXPECT_EQ(1u, CommandsStarting("?WDOG").size());
    EXPECT_TRUE(CommandsStarting("?FREE").empty());
}

TEST_F(CommandsTest, ReplyArrivingAfterTheTimeOutIsNotStored)
{
    ScriptedReply late("55");
    late.delayMs = 200000;
    m_link->SetReply("?WDOG[0];", late);
    EXPECT_FALSE(Window().RunControllerCommands({CProjectWnd::Command(34)}));
    m_clock.Advance(300000);
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_window->Settle();
    EXPECT_EQ(0, Window().GetReplyValues().watchdog);
}

TEST_F(CommandsTest, RunTypesGoOutInTheirThreeForms)
{
    struct Row {
        int process;
        const char* sent;
    };
    const Row rows[] = {{-1, "RUNTYPE \"MAIN\",1"}, {0, "RUNTYPE \"MAIN\",0"}, {3, "RUNTYPE \"MAIN\",1,3"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.sent);
        EXPECT_EQ(1, m_window->Send(PWM_SET_RUN_TYPE, static_cast<WPARAM>(row.process),
                                    reinterpret_cast<LPARAM>("MAIN")));
        ASSERT_FALSE(CommandsStarting("RUNTYPE").empty());
        EXPECT_EQ(row.sent, CommandsStarting("RUNTYPE").back());
    }
    // The same run type again sends nothing; an unknown program is refused.
    const std::size_t sent = CommandsStarting("RUNTYPE").size();
    EXPECT_EQ(1, m_window->Send(PWM_SET_RUN_TYPE, 3, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_EQ(0, m_window->Send(PWM_SET_RUN_TYPE, 3, reinterpret_cast<LPARAM>("NONE")));
    EXPECT_EQ(sent, CommandsStarting("RUNTYPE").size());
}

TEST_F(CommandsTest, ServoPeriodOutsideTheKnownValuesStoresTheDefault)
{
    EXPECT_EQ(1000, m_window->Send(PWM_SERVO_PERIOD));
    EXPECT_EQ(1000, Window().GetServoPeriod());
    m_link->SetReply("?SERVO_PERIOD;", ScriptedReply("500"));
    EXPECT_EQ(500, m_window->Send(PWM_SERVO_PERIOD));
}

TEST_F(CommandsTest, ModuleSlotsBelowTheFirstModuleReadAsZero)
{
    Window().m_moduleSlots[0] = 0x10013;
    Window().m_moduleSlots[1] = -1;
    Window().m_moduleSlots[2] = 0x10020;
    int slots[8] = {};
    EXPECT_EQ(2, m_window->Send(PWM_MODULE_SLOTS, 0, reinterpret_cast<LPARAM>(slots)));
    EXPECT_EQ(0, slots[0]);
    EXPECT_EQ(0, slots[1]);
    EXPECT_EQ(0x10020, slots[2]);
    EXPECT_EQ(0, m_window->Send(PWM_MODULE_SLOTS, 0, 0));
}

TEST_F(CommandsTest, AxisTypeOfAnAxisBeyondTheCountSendsNothing)
{
    const int axes = static_cast<int>(m_window->Send(PWM_AXIS_COUNT));
    ASSERT_GT(axes, 0);
    EXPECT_EQ(0, m_window->Send(PWM_AXIS_TYPE, 0, axes));
    EXPECT_TRUE(CommandsStarting("?ATYPE").empty());
}

// ---------------------------------------------------------------- replies

TEST_F(CommandsTest, ProcessListingLeavesOutTheRemoteProgram)
{
    EXPECT_TRUE(m_window->Send(PWM_READ_PROCESSES) || true);
    const std::vector<CProcessData> processes = Window().GetProcesses();
    ASSERT_EQ(1u, processes.size());
    EXPECT_EQ("MAIN", std::string(processes[0].m_strProgram.GetString()));
    EXPECT_EQ(3, processes[0].m_nProcess);
    EXPECT_EQ(3, m_window->Send(PWM_PROGRAM_PROCESS, 0, reinterpret_cast<LPARAM>("main")));
    EXPECT_EQ(-1, m_window->Send(PWM_PROGRAM_PROCESS, 0, reinterpret_cast<LPARAM>("REMOTE_PROGRAM")));
    EXPECT_EQ(1, m_window->Send(PWM_PROCESS_IN_USE, 0, 3));
    EXPECT_EQ(0, m_window->Send(PWM_PROCESS_IN_USE, 0, 1));
    CStringList running;
    EXPECT_EQ(1, m_window->Send(PWM_RUNNING_PROGRAMS, 0, reinterpret_cast<LPARAM>(&running)));
    ASSERT_EQ(1, running.GetCount());
    EXPECT_EQ("MAIN,3", std::string(running.GetHead().GetString()));
}

TEST_F(CommandsTest, FlashListingSaysWhetherAStickIsPresent)
{
    m_link->SetReply("DIR F", ScriptedReply("No Flash"));
    ASSERT_TRUE(Window().RunControllerCommands({CProjectWnd::Command(16)}));
    EXPECT_EQ(0, Window().GetReplyValues().flashStick);
    m_link->SetReply("DIR F", ScriptedReply("Flash stick 512k"));
    ASSERT_TRUE(Window().RunControllerCommands({CProjectWnd::Command(16)}));
    EXPECT_EQ(1, Window().GetReplyValues().flashStick);
}

TEST_F(CommandsTest, StoppedAtLineLeavesOneEntryAndNoRecord)
{
    m_link->SendStatusLine("%[Process 3:Program MAIN] - Running");
    m_link->SendStatusLine("%[Process 3:Line 0] - Released");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_window->Settle();
    std::vector<CProcessData> processes = Window().GetProcesses();
    ASSERT_EQ(1u, processes.size());
    EXPECT_EQ(0, processes[0].m_nLine); // line 0 running stays 0, not -1
    EXPECT_EQ(1, processes[0].m_nState);

    m_link->SendStatusLine("%[Process 3:Line 17] (31) - Program stopped");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_window->Settle();
    EXPECT_TRUE(Window().GetProcesses().empty());
    EXPECT_EQ((std::vector<std::string>{"The program MAIN running on process 3 stopped at line 17\n"}),
              Window().GetErrorEntries());
}

TEST_F(CommandsTest, StatusOfAProcessWithoutARecordChangesNothing)
{
    m_link->SendStatusLine("%[Process 5:Line 9] (12) - Bad thing");
    ASSERT_TRUE(m_link->WaitUntilQuiet());
    m_window->Settle();
    EXPECT_TRUE(Window().GetProcesses().empty());
    EXPECT_TRUE(Window().GetErrorEntries().empty());
}

// ---------------------------------------------------------------- error reports

TEST_F(CommandsTest, CompileReportOfTheSelectedProgramMarksItsEditor)
{
    const std::unique_ptr<TestTool> editorOfMain = EditorOfMain();
    ASSERT_TRUE(editorOfMain);
    TestTool& editor = *editorOfMain;
    ControllerMessage compile = EditorRequest(editor, 46);
    Window().ProcessMessage(&compile);
    EXPECT_EQ((std::vector<std::string>{"SELECT \"MAIN\""}), CommandsStarting("SELECT"));
    const std::vector<std::string> entries = Window().GetErrorEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("The following error occured whilst processing the command COMPILE\r\n->Phase COMPILE - Program MAIN, "
              "Line 4\n->x",
              entries[0]);
    ASSERT_TRUE(PumpUntil([&] { return !editor.Received(PWM_MARK_LINE).empty(); }));
    const auto marks = editor.Received(PWM_MARK_LINE);
    EXPECT_EQ(0u, marks[0].wParam);
    EXPECT_EQ(4, marks[0].lParam);
}

TEST_F(CommandsTest, ARunTheControllerRefusesKeepsTheLinkAndShowsTheProgramsCompileError)
{
    // The editor's RUN of a program with a syntax error: the controller has
    // no code to run. That is no failed link: the connection and the
    // editor stay, and the program is compiled so its error shows with its
    // line.
    ScratchFolder folder;
    ::CreateDirectoryA((folder / "Demo").c_str(), nullptr);
    OpenProject(folder / "Demo");
    ASSERT_TRUE(Window().IsProjectOpen());
    m_link->SetReplyPattern("RUN %s", ScriptedReply("%[COMMAND 36] No code available for program"));
    m_link->SetReply("&C", ScriptedReply("MAIN"));
    // The controller names the program in its compile report.
    m_link->SetReply("COMPILE", ScriptedReply("%[COMPILE Line 4 Program MAIN] (8) - Operand expected"));
    const std::unique_ptr<TestTool> editorOfMain = EditorOfMain();
    ASSERT_TRUE(editorOfMain);
    TestTool& editor = *editorOfMain;
    ControllerMessage run = EditorRequest(editor, 2);
    run.SetArgumentText("MAIN,");
    EXPECT_FALSE(Window().ProcessMessage(&run));
    ASSERT_TRUE(PumpUntil([&] { return !CommandsStarting("COMPILE").empty(); }, 10000));
    ASSERT_TRUE(PumpUntil([&] { return Window().GetErrorEntries().size() >= 2; }, 10000));
    const std::vector<std::string> entries = Window().GetErrorEntries();
    EXPECT_NE(std::string::npos, entries[0].find("No code available")) << entries[0];
    EXPECT_NE(std::string::npos, entries[1].find("Program MAIN, Line 4")) << entries[1];
    m_window->Settle();
    EXPECT_TRUE(Connection().IsLinkOpened());
    EXPECT_TRUE(editor.IsAlive());
}

TEST_F(CommandsTest, EachNewErrorBringsTheErrorListInFrontOfTheMainFrame)
{
    const HWND frame = m_frame->Handle();
    ::ShowWindow(frame, SW_SHOW);
    HWND list = nullptr;
    // The first of the two in the z-order, from the top.
    const auto inFront = [&] {
        for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT))
            if (window == list || window == frame)
                return window;
        return HWND();
    };
    for (const char* error : {"%[COMPILE Line 2 Program MAIN] (8) - Operand expected",
                              "%[COMPILE Line 3 Program MAIN] (8) - Operand expected"}) {
        SCOPED_TRACE(error);
        // The user has brought the main frame to the front meanwhile.
        ::SetWindowPos(frame, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        if (list) {
            ASSERT_EQ(frame, inFront());
        }
        Window().OnCompileMessage(error, 46);
        ASSERT_TRUE(PumpUntil([&] {
            list = ::FindWindowA(nullptr, "Command / Program error");
            return list && ::IsWindowVisible(list);
        }));
        m_window->Settle();
        EXPECT_EQ(list, inFront());
    }
}

TEST_F(CommandsTest, ACompileReportOnSelectIsThatOfTheProgramItNames)
{
    // SELECT compiles the program edited before it: the report is an error
    // of that program, and the selection is not its subject.
    Window().OnCompileMessage("%[COMPILE Line 2 Program MAIN] (8) - Syntax error", 19);
    const std::vector<std::string> entries = Window().GetErrorEntries();
    ASSERT_EQ(1u, entries.size());
    EXPECT_NE(std::string::npos, entries[0].find("Program MAIN, Line 2")) << entries[0];
    EXPECT_NE(std::string::npos, entries[0].find("Syntax error")) << entries[0];
    // A link report on SELECT is none of its business.
    Window().OnCompileMessage("%[LINK Line 2] (8) - x", 19);
    EXPECT_EQ(1u, Window().GetErrorEntries().size());
}

TEST_F(CommandsTest, ReportsThatAreNoErrorsOrMatchNoForm)
{
    Window().OnCompileMessage("%[COMPILE Line 2] (8) - x", 151); // BREAK_LIST
    EXPECT_TRUE(Window().GetErrorEntries().empty());
    Window().OnCompileMessage("%[VQE 12] Bad", 19);
    Window().OnCompileMessage("%[Something odd", -1);
    EXPECT_EQ((std::vector<std::string>{"Error detected in the command \r\n->Bad", "Error in command \n->[Something odd"}),
              Window().GetErrorEntries());
    // The one-shot suppression of a general report.
    m_window->Send(PWM_SUPPRESS_REPORT, 0, 1);
    Window().OnCompileMessage("%[VQE 12] Bad", 19);
    Window().OnCompileMessage("%[VQE 13] Worse", 19);
    EXPECT_EQ(3u, Window().GetErrorEntries().size());
}

} // namespace
