// A project's life from the first connect, end to end through the real
// project window, against the scripted controller's program store and
// against QCSimulation (with the program-by-program load and the fast
// load): the
// connect finds no project and the check makes a new one, a program file
// is imported, the project is loaded into the emptied controller, its
// program is run and read by a tool, and a last check finds controller and
// project agreeing.
#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

#include "foundation/fileutil.h"
#include "link/commlinks.h"
#include "link/messagesender.h"
#include "link/tests/support/program_store.h"
#include "project/programoperation.h"
#include "project/project_resource.h"
#include "project/projectsearch.h"
#include "project/projectwndmessages.h"
#include "project/tests/check_dialog_driver.h"
#include "project/tests/connect_sequence.h"
#include "project/tests/dialog_answer.h"
#include "project/tests/projectwnd_fixture.h"
#include "project/tests/simulator_startup.h"
#include "shell/mainframemessages.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

using Lines = std::vector<std::string>;

const char kNoProject[] = "No project file specified \r\n\r\nSave controller programs to new project\r\n"
                          "Load a different project,\r\nChange project for comparison\r\n"
                          "Erase controller programs and create a new project";
const char kEraseQuestion[] = "This will completely erase the contents of the controller\r\nDo you wish to continue?";
const int kRunOperation = 8;
const int kReadVrCommand = 32;  // "?VR(%i);"
const int kWriteVrCommand = 132; // "VR(%i)=%s"
const char kCheckedOk[] = "Project checked OK";

// The paths the main frame is told to show (0x810A with a path, or the id
// of a text), in order.
class ProjectTextLog {
public:
    void Watch(FakeMainFrame& frame)
    {
        frame.SetHandler(WM_SET_PROJECT_TEXT, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            m_texts.push_back(wParam ? std::to_string(wParam) : reinterpret_cast<LPCSTR>(lParam));
            return 0;
        });
    }
    std::vector<std::string> Texts() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_texts;
    }

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_texts;
};

// The flow's steps that read the same on either controller. The project
// Demo is in folder; MAIN.bas is imported from beside it.
void ImportMain(const RealProjectWindow& window, const std::string& folder)
{
    const std::string demo = folder + "\\Demo";
    const std::string source = folder + "\\MAIN.bas";
    ASSERT_TRUE(WriteWholeFile(source, "VR(7)=2.5\r\n"));
    const std::string name = "MAIN";
    window.Send(PWM_LOAD_FILE, reinterpret_cast<WPARAM>(name.c_str()), reinterpret_cast<LPARAM>(source.c_str()));
    EXPECT_EQ("VR(7)=2.5\r\n", ReadWholeFile(demo + "\\MAIN.bas"));
    CProjectFile file((demo + "\\Demo.prj").c_str());
    EXPECT_STREQ("MAIN", file.GetString("Programs", "Program00"));
    EXPECT_STREQ("0", file.GetString("ProgramType", "MAIN"));
    EXPECT_TRUE(window.Object()->GetConnection().HasProgram("MAIN"));
}

// Runs MAIN through the operation queue (operation 8).
void RunMain(const RealProjectWindow& window)
{
    CProgramOperationData run;
    run.m_nOperation = kRunOperation;
    run.m_strProgram = "MAIN";
    run.m_nType = -1;
    window.Send(PWM_QUEUE_OPERATION, kRunOperation, reinterpret_cast<LPARAM>(&run));
    ASSERT_TRUE(PumpUntil([&] { return window.Object()->CountUnfinishedOperations() == 0; }, 10000));
}

// VR(7) as a tool reads it through the window; -1 when it gets no answer.
double ReadVr7(const RealProjectWindow& window)
{
    TestTool tool;
    if (!tool.Register(window.Handle(), TOOL_PLAIN_DIALOG))
        return -1;
    CMessageSender sender;
    if (!sender.SendSequenceEx(tool.Handle(), &tool, {CommandItem(kReadVrCommand, 7)}) ||
        !PumpUntil([&] { return !tool.Replies().empty(); }, 10000))
        return -1;
    const double value = tool.Replies().back().GetReal();
    tool.Unregister();
    return value;
}

// VR(7) set to 0 by a tool, so that what RUN sets is seen and not what an
// earlier run left in the simulator's battery-backed memory.
bool ClearVr7(const RealProjectWindow& window)
{
    TestTool tool;
    if (!tool.Register(window.Handle(), TOOL_PLAIN_DIALOG))
        return false;
    CMessageSender sender;
    const bool sent = sender.SendSequenceEx(tool.Handle(), &tool, {CommandItem(kWriteVrCommand, "7,0")}) != FALSE;
    tool.Unregister();
    return sent;
}

// The last check (0x8117): it ends OK, the frame is given the project's
// path and the time of the check is written beside the project.
void CheckEndsOk(const RealProjectWindow& window, const ProjectTextLog& log, const std::string& folder)
{
    const std::string demo = folder + "\\Demo";
    ::DeleteFileA((demo + "\\LastOpen.log").c_str());
    const std::size_t before = log.Texts().size();
    {
        CheckDialogDriver driver;
        window.Send(PWM_CHECK_PROJECT);
        EXPECT_EQ(Lines{kCheckedOk}, driver.Texts());
    }
    const auto texts = log.Texts();
    ASSERT_EQ(before + 1, texts.size());
    EXPECT_EQ(demo + "\\Demo.prj", texts.back());
    EXPECT_EQ("14:05 09-Dec-2026", ReadWholeFile(demo + "\\LastOpen.log"));
}

class ProjectFlowTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        ScriptConnectReplies(link);
        // The store runs no programs: what MAIN does ("VR(7)=2.5") happens
        // when it is started.
        link.SetReplyCallback([this](const std::string& command, ScriptedReply& reply) {
            if (command == "RUN \"MAIN\"" && m_store.Lines("MAIN") == Lines{"VR(7)=2.5"})
                m_store.SetVR(7, 2.5);
            return m_store.Answer(command, reply);
        });
    }
    void BeforeStart() override
    {
        CCommPortData link;
        link.SetLinkDefaults("COM6", LINK_TYPE_SERIAL);
        ASSERT_EQ(1, SetCommLink(0, link));
        CVQRegistry settings;
        settings.SetForceSlowProjectLoad(1);
        settings.SetForceSlowProgramLoad(1);
        CProjectWnd::SetTimeSource([] { return CTime(2026, 12, 9, 14, 5, 0); });
        CControllerSearch::SetScreenOverride([](HWND) { return std::make_unique<QuietScreen>(); });
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        m_texts.Watch(*m_frame);
    }
    void TearDown() override
    {
        ProjectWndTest::TearDown();
        CProjectWnd::SetTimeSource({});
        CControllerSearch::SetScreenOverride(nullptr);
    }
    CProjectWnd& Window() { return *m_window->Object(); }

    CProgramStore m_store;
    ScratchFolder m_folder;
    ProjectTextLog m_texts;
};

} // namespace

TEST_F(ProjectFlowTest, ANewProjectGetsAProgramIsLoadedRunsAndIsCheckedOk)
{
    const std::string demo = m_folder / "Demo";
    const std::string project = demo + "\\Demo.prj";
    // The controller holds a program of an earlier project.
    m_store.SetProgram("OLD", {"PRINT 0"});

    // The connect finds no project: the check offers New, which empties
    // the controller and makes Demo, and the check then runs again on it.
    {
        CheckDialogDriver driver({"&New"});
        m_prompts.Answer(IDYES);
        DialogAnswer chooser("New project", IDC_CHOOSER_NAME, demo.c_str(), IDC_CHOOSER_ACTION);
        m_window->Send(PWM_CONNECT, 0);
        m_window->Settle();
        EXPECT_TRUE(chooser.Seen());
        EXPECT_EQ((Lines{kNoProject, kCheckedOk}), driver.Texts());
    }
    ASSERT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    EXPECT_EQ(Lines{kEraseQuestion}, m_prompts.Texts());
    EXPECT_EQ(Lines{"NEW ALL"}, CommandsStarting("NEW"));
    EXPECT_EQ(0, m_store.Count());
    EXPECT_EQ(project, std::string(Window().GetProjectFile().GetFilePath()));
    EXPECT_STREQ("QC116", CProjectFile(project.c_str()).GetString("Controller", "Type"));
    EXPECT_TRUE(DirectoryExists((demo + "\\backup").c_str()));

    // A program file from elsewhere goes into the project and the controller.
    ImportMain(*m_window, m_folder.Path());
    EXPECT_EQ(Lines{"VR(7)=2.5"}, m_store.Lines("MAIN"));

    // The project loaded in the controller's place: emptied, then program
    // by program with its run type, then checked.
    m_prompts.Answer(IDYES);
    {
        CheckDialogDriver driver;
        EXPECT_EQ(0, m_window->Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(project.c_str())));
        EXPECT_EQ(Lines{kCheckedOk}, driver.Texts());
    }
    EXPECT_EQ("This will erase the actual contents of the controller\nand load the project\n" + project +
                  "\nin its place.\n\nAre you sure?",
              m_prompts.Texts().back());
    // (Each program's own load erases its old copy first with NEW "MAIN".)
    EXPECT_EQ((Lines{"NEW ALL", "NEW ALL"}), CommandsStarting("NEW ALL"));
    EXPECT_EQ(Lines{"VR(7)=2.5"}, m_store.Lines("MAIN"));
    EXPECT_EQ(Lines{"RUNTYPE \"MAIN\",0"}, CommandsStarting("RUNTYPE"));

    // Run through the operation queue; a tool reads what the program set.
    RunMain(*m_window);
    EXPECT_EQ(Lines{"RUN \"MAIN\""}, CommandsStarting("RUN "));
    EXPECT_EQ(2.5, ReadVr7(*m_window));

    // The last check: controller and project agree.
    CheckEndsOk(*m_window, m_texts, m_folder.Path());
    EXPECT_EQ(1, m_window->Send(PWM_IS_CONNECTED));
    EXPECT_EQ(0, Window().GetBusyCount());
}

namespace {

// The same flow on QCSimulation, which the connect request's search starts.
// The parameter: whether the project goes in program by program (the slow
// path, forced) or as a whole (the QC110's fast project load).
class ProjectFlowOnSimulator : public SimulatorStartup, public ::testing::WithParamInterface<bool> {
protected:
    ProjectFlowOnSimulator() { m_bConnectAtStart = false; }
    void BeforeStart() override
    {
        SimulatorStartup::BeforeStart();
        CVQRegistry().SetForceSlowProjectLoad(GetParam() ? 1 : 0);
        CProjectWnd::SetTimeSource([] { return CTime(2026, 12, 9, 14, 5, 0); });
    }
    void SetUp() override
    {
        SimulatorStartup::SetUp();
        m_texts.Watch(*m_frame);
    }
    void TearDown() override
    {
        SimulatorStartup::TearDown();
        CProjectWnd::SetTimeSource({});
    }
    // Waits (real time, bounded) until the check has asked count questions
    // and the window is connected with no connect running.
    bool WaitConnectedAfter(const CheckDialogDriver& driver, std::size_t count)
    {
        CProjectWnd& window = *m_window->Object();
        return PumpUntil(
            [&] {
                return driver.Texts().size() >= count && !window.m_bConnecting.load() &&
                       window.GetConnection().GetLinkMode() == CONNECTION_CHANNEL_MODE;
            },
            180000);
    }

    ProjectTextLog m_texts;
};

} // namespace

TEST_P(ProjectFlowOnSimulator, ANewProjectGetsAProgramIsLoadedRunsAndIsCheckedOk)
{
    ASSERT_EQ(nullptr, ::FindWindowA(nullptr, "QC Simulation")) << "a simulator already runs";
    CProjectWnd& window = *m_window->Object();
    const std::string demo = m_folder / "Demo";
    const std::string project = demo + "\\Demo.prj";

    // The connect starts the simulator (over 10 s) and finds no project:
    // New makes Demo, and the check runs again on it.
    {
        CheckDialogDriver driver({"&New"});
        m_prompts.Answer(IDYES);
        ASSERT_TRUE(::PostMessageA(m_window->Handle(), PWM_CONNECT, 0, 0));
        ASSERT_TRUE(PumpUntil([&] { return !driver.Texts().empty(); }, 180000));
        DialogAnswer chooser("New project", IDC_CHOOSER_NAME, demo.c_str(), IDC_CHOOSER_ACTION);
        ASSERT_TRUE(WaitConnectedAfter(driver, 2));
        EXPECT_TRUE(chooser.Seen());
        EXPECT_EQ((Lines{kNoProject, kCheckedOk}), driver.Texts());
    }
    m_window->Settle();
    EXPECT_STREQ("QC110", window.GetConnection().GetModel().m_szName);
    EXPECT_EQ(Lines{kEraseQuestion}, m_prompts.Texts());
    EXPECT_TRUE(window.GetConnection().GetPrograms().empty());
    EXPECT_EQ(project, std::string(window.GetProjectFile().GetFilePath()));
    EXPECT_STREQ("QC110", CProjectFile(project.c_str()).GetString("Controller", "Type"));
    EXPECT_TRUE(DirectoryExists((demo + "\\backup").c_str()));

    ImportMain(*m_window, m_folder.Path());

    // The load: the slow one checks the project at its end; the fast one
    // hands the project to the controller whole, and the connect that
    // follows checks it.
    m_prompts.Answer(IDYES);
    const std::size_t connects = m_frame->Received(PWM_CONNECTED).size();
    {
        CheckDialogDriver driver;
        EXPECT_EQ(0, m_window->Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(project.c_str())));
        ASSERT_TRUE(WaitConnectedAfter(driver, 1));
        EXPECT_EQ(GetParam() ? connects : connects + 1, m_frame->Received(PWM_CONNECTED).size());
        EXPECT_EQ(Lines{kCheckedOk}, driver.Texts());
    }
    m_window->Settle();
    EXPECT_EQ(0u, m_prompts.Texts().back().rfind("This will erase the actual contents of the controller", 0));
    EXPECT_TRUE(window.GetConnection().HasProgram("MAIN"));

    // The program really runs: a tool reads what it set.
    ASSERT_TRUE(ClearVr7(*m_window));
    ASSERT_EQ(0.0, ReadVr7(*m_window));
    RunMain(*m_window);
    EXPECT_TRUE(PumpUntil([&] { return ReadVr7(*m_window) == 2.5; }, 10000));

    CheckEndsOk(*m_window, m_texts, m_folder.Path());
}

INSTANTIATE_TEST_SUITE_P(LoadPaths, ProjectFlowOnSimulator, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "ProgramByProgram" : "Fast";
                         });
