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
#include "project/tests/projectwnd_fixture.h"
#include "shell/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const char kTargets[] = "Software\\VexoLabs\\WinTargets\\";

// Writes a text value under the current user's real hive. The sandbox
// stands in for HKEY_CURRENT_USER in this process only; the simulator, a
// process of its own, looks for the development environment's windows in
// the real one.
bool WriteRealUserText(const std::string& path, const char* name, const char* text)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE buffer[256];
    DWORD size = 0;
    LPSTR sid = nullptr;
    const bool named = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                       ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    ::CloseHandle(token);
    if (!named)
        return false;
    const std::string full = std::string(sid) + "\\" + path;
    ::LocalFree(sid);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_USERS, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool written = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return written;
}

void WriteSandboxText(const std::string& path, const char* name, const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
    ::RegCloseKey(key);
}

// The connect screen answered with OK at once, as the user would.
class AnsweringScreen : public IConnectScreen {
public:
    void SetStatusText(LPCSTR) override {}
    void EnableOkButton(BOOL) override {}
    int WaitForUser() override { return IDOK; }
    void Cancel() override {}
};

class SimulatorStartup : public ProjectWndTest {
protected:
    void BeforeStart() override
    {
        const std::string folder = m_folder.Path() + "\\Demo";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        {
            CProjectFile file((folder + "\\Demo.prj").c_str());
            file.WriteString("Project", "Name", "Demo");
        }
        const std::string line = "\"" + folder + "\"";
        CProjectWnd::SetCommandLineSource([line] { return CString(line.c_str()); });
        CVQRegistry().SetAutoConnectAtStart(1);
        ASSERT_EQ(1, SetCommLink(0, CControllerSearch::SimulatorLink()));
        // The simulator's windows by the titles it publishes.
        WriteSandboxText(std::string(kTargets) + "QCSimulation", "MainWindow", "QC Simulation");
        WriteSandboxText(std::string(kTargets) + "QCSimulation", "CommsWindow", "QCSimulator ControllerWnd");
        // The development environment's, where the simulator looks.
        ASSERT_TRUE(WriteRealUserText(std::string(kTargets) + "Vorta", "MainWindow", "Fake main frame"));
        ASSERT_TRUE(WriteRealUserText(std::string(kTargets) + "Vorta", "CommsWindow", RX_WINDOW_TITLE));
        CProjectWnd::SetConnectionSetup([](CControllerConnection& connection) {
            connection.SetLinkFactory([](int) { return new CWinComms(); });
        });
        CControllerSearch::SetScreenOverride([](HWND) { return std::make_unique<AnsweringScreen>(); });
        // Every virtual sleep lasts as long in real time.
        m_clock.SetSleepHook([this](std::uint64_t now) {
            std::lock_guard<std::mutex> guard(m_sleepLock);
            if (now > m_lastSleepEnd && m_lastSleepEnd != 0)
                ::Sleep(static_cast<DWORD>(now - m_lastSleepEnd));
            m_lastSleepEnd = now;
        });
        m_lastSleepEnd = m_clock.NowMs();
    }

    void TearDown() override
    {
        m_window.reset();
        if (HWND simulator = ::FindWindowA(nullptr, "QC Simulation")) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(simulator, &process);
            HANDLE handle = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process);
            ::PostMessageA(simulator, WM_CLOSE, 0, 0);
            if (handle) {
                if (::WaitForSingleObject(handle, 15000) != WAIT_OBJECT_0)
                    ::TerminateProcess(handle, 1);
                ::CloseHandle(handle);
            }
        }
        CControllerSearch::SetScreenOverride(nullptr);
        ProjectWndTest::TearDown();
    }

    ScratchFolder m_folder;
    std::mutex m_sleepLock;
    std::uint64_t m_lastSleepEnd = 0;
};

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
    ASSERT_TRUE(PumpUntil([&] { return !m_frame->Received(WM_CONTROLLER_TYPE).empty(); }, 120000));
    CProjectWnd& window = *m_window->Object();
    ASSERT_TRUE(PumpUntil([&] { return !window.m_bConnecting.load(); }, 30000));
    m_window->Settle();

    // The slow path: NEW ALL, then each program's lines and check value.
    CVQRegistry().SetForceSlowProjectLoad(1);
    const std::string folder = m_folder.Path() + "\\Demo";
    const std::string project = folder + "\\Demo.prj";
    WriteWholeFile(project, "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
    WriteWholeFile(folder + "\\MAIN.bas", "VR(7)=2.5\r\n");
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
