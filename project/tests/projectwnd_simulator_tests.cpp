// The project window's start-up search with a stored simulator link, against
// the real QCSimulation: it starts the simulator from the program's folder,
// connects in channel mode and identifies it; a tool's query reaches the
// tool; the destroy request disconnects and ends the window's thread.
// Waits take real time here (the simulator runs on its own), through the
// virtual clock's sleep hook.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/fileutil.h"
#include "framework/gdiplus.h"
#include "link/commlinks.h"
#include "link/messagesender.h"
#include "link/wincomms.h"
#include "project/projectfile.h"
#include "project/projectsearch.h"
#include "shell/splashscreen.h"
#include "project/projectmessages.h"
#include "project/tests/check_dialog_driver.h"
#include "project/tests/projectwnd_fixture.h"
#include "project/tests/simulator_startup.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

TEST_F(SimulatorStartup, FindsStartsAndIdentifiesTheSimulatorAToolIsAnsweredAndTheDestroyRequestEndsIt)
{
    ASSERT_EQ(nullptr, ::FindWindowA(nullptr, "QC Simulation")) << "a simulator already runs";
    // The search starts the simulator from the program's folder, waits for
    // its windows and lets it settle (over 10 s), then connects.
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Received(WM_CONTROLLER_TYPE).empty(); }, 120000));
    EXPECT_NE(nullptr, ::FindWindowA(nullptr, "QC Simulation"));
    CControllerConnection& connection = Connection();
    EXPECT_EQ(CONNECTION_CHANNEL_MODE, connection.GetLinkMode());
    EXPECT_STREQ("QC110", connection.GetModel().m_szName);
    EXPECT_NEAR(1.65, connection.GetStoredVersion(), 0.0001);
    m_window->Settle();

    // A tool's query goes through the project window to the simulator and
    // its answer comes back to the tool.
    TestTool tool;
    ASSERT_NE(0, tool.Register(m_window->Handle(), TOOL_PLAIN_DIALOG));
    CMessageSender sender;
    EXPECT_TRUE(sender.SendSequenceEx(tool.Handle(), &tool, {CommandItem(40)}));
    ASSERT_TRUE(PumpUntil([&] { return !tool.Replies().empty(); }, 10000));
    EXPECT_NEAR(1.65, tool.Replies().back().GetReal(), 0.0001);
    tool.Unregister();

    // The destroy request disconnects and ends the window's thread.
    const HWND window = m_window->Handle();
    ::PostMessageA(window, PWM_DESTROY, 0, 0);
    EXPECT_TRUE(PumpUntil([window] { return !::IsWindow(window); }, 30000));
    EXPECT_FALSE(m_frame->Received(PWM_GOING).empty());
}

TEST_F(SimulatorStartup, AProjectLoadedProgramByProgramRunsOnTheSimulator)
{
    ASSERT_EQ(nullptr, ::FindWindowA(nullptr, "QC Simulation")) << "a simulator already runs";
    // The checks after the connect and after the load: programs the
    // simulator still holds are taken into the project.
    CheckDialogDriver driver({}, {"&OK", "&Resolve", "&Add"});
    const std::string project = ConnectAndWriteDemo({{"MAIN", "VR(7)=2.5\r\n"}});
    ASSERT_FALSE(project.empty());
    CProjectWnd& window = *m_window->Object();
    EXPECT_EQ(0, m_window->Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(project.c_str())));
    ASSERT_EQ(1u, m_prompts.Texts().size());
    EXPECT_EQ(0u, m_prompts.Texts()[0].rfind("This will erase the actual contents of the controller", 0));
    ASSERT_TRUE(window.GetConnection().HasProgram("MAIN"));

    EXPECT_TRUE(window.RunProgram("MAIN", -1));
    std::vector<std::string> lines;
    EXPECT_TRUE(PumpUntil(
        [&] {
            lines.clear();
            return window.ReadVariables(lines, 7, 7) && lines.size() > 1 && lines[1] == " VR(7)=2.5000";
        },
        10000));
}

TEST(ConnectScreen, TheProgramsScreenIsShownBesideTheHiddenProjectWindow)
{
    // The search's own screen belongs to the project window, which is a
    // hidden popup; the screen must show all the same, or its wait for OK
    // could never be answered.
    CWinApp app("connect screen test");
    CGdiplusSession gdiplus;
    HWND project = ::CreateWindowExA(0, "STATIC", "hidden project window", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     nullptr, nullptr);
    ASSERT_NE(nullptr, project);
    {
        CSplashConnectScreen screen(project);
        ASSERT_TRUE(screen.IsCreated());
        EXPECT_TRUE(::IsWindowVisible(screen.GetSplash()->GetSafeHwnd()));
    }
    ::DestroyWindow(project);
}

} // namespace
