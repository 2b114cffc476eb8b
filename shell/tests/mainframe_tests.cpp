#include "shell/mainframe.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "foundation/logfile.h"
#include "framework/app.h"
#include "framework/cmdui.h"
#include "framework/dialog.h"
#include "link/commportdata.h"
#include "shell/framebars.h"
#include "shell/mainframemessages.h"
#include "shell/res/mainframe_resource.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "settings/vqregistry.h"
#include "shell_test_support.h"
#include "testsupport/bar_drag.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"

namespace {

// The project window's messages that end a gated command: the fake
// reports ready (0x811E) to the frame afterwards, as the real one does
// when its work is done.
const UINT kGatedMessages[] = {
    WM_PW_CONNECT,   WM_PW_CONNECT_USING_PROJECT, WM_PW_CONNECT_TO_SIMULATOR, WM_PW_DISCONNECT,
    WM_PW_OPEN_TOOL, WM_PW_CLEAR_DESKTOP,         WM_PW_CHECK_PROJECT,        WM_PW_RESTORE_LAST_DESKTOP,
    WM_PW_RESTORE_SAVED_DESKTOP};

class MainFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The frame takes a small place in the bottom-right corner instead
        // of the whole screen, which other test programs share (some read
        // its pixels near the top-left corner).
        StoreNormalPlacement({820, 640, 1240, 940});
        m_pFrame = new CMainFrame;
        m_pFrame->SetWarningBeep([this] { ++m_beeps; });
        ASSERT_TRUE(m_pFrame->LoadFrame(IDR_MAINFRAME)) << CWnd::GetLastCreateError().GetString();
        m_hWndFrame = m_pFrame->m_hWnd;
        // The start-up messages the frame posted itself.
        PumpUntil([] { return false; }, 50);
        m_pFrame->SendMessage(WM_PROJECT_WINDOW_STARTED, 0, reinterpret_cast<LPARAM>(m_project.Object()));
    }
    void TearDown() override
    {
        if (::IsWindow(m_hWndFrame))
            ::DestroyWindow(m_hWndFrame);
    }

    // The frame restores this normal placement when it starts.
    static void StoreNormalPlacement(const RECT& normal)
    {
        CVQRegistry settings;
        settings.SetRestoreMainWindowAtStart(TRUE);
        WINDOWPLACEMENT placement = {};
        placement.length = sizeof placement;
        placement.showCmd = SW_SHOWNORMAL;
        placement.rcNormalPosition = normal;
        settings.SetMainWindowPlacement(placement);
    }
    void Ready() { m_pFrame->SendMessage(WM_READY); }
    void Connect(LPARAM packet = 0) { m_pFrame->SendMessage(WM_CONNECTED, 1, packet); }
    void ReportReadyAfterGatedCommands()
    {
        m_project.ReportReadyAfter(m_hWndFrame,
                                   std::vector<UINT>(std::begin(kGatedMessages), std::end(kGatedMessages)));
    }
    // The messages of the project window since the last look, with their
    // wParam, once what was posted has arrived.
    std::vector<ReceivedMessage> ProjectMessages(UINT message)
    {
        PumpUntil([&] { return !m_project.Received(message).empty(); }, 300);
        return m_project.Received(message);
    }
    // How many of a message the project window has, once no more arrive
    // (one beyond `expected` is waited for a little).
    size_t ProjectMessageCount(UINT message, size_t expected)
    {
        PumpUntil([&] { return m_project.Received(message).size() > expected; }, 200);
        return m_project.Received(message).size();
    }
    void Command(UINT nID) { m_pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(nID, 0), 0); }
    BOOL Enabled(UINT nID) { return m_pFrame->IsCommandEnabled(nID); }
    HMENU WindowMenu()
    {
        HMENU bar = m_pFrame->GetMenuHandle();
        for (int i = 0; i < ::GetMenuItemCount(bar); ++i) {
            char text[32] = {};
            ::GetMenuStringA(bar, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            if (std::string(text) == "&Window")
                return ::GetSubMenu(bar, i);
        }
        return nullptr;
    }

    RegistrySandbox m_registry;
    ScriptedPrompts m_prompts;
    FakeProjectWindow m_project;
    CMainFrame* m_pFrame = nullptr;
    HWND m_hWndFrame = nullptr;
    int m_beeps = 0;
};

TEST_F(MainFrameTest, StartsWithItsBarsTitleAndPublishedName)
{
    EXPECT_EQ("Vorta 2", WindowText(m_hWndFrame));
    EXPECT_EQ("Not Connected", m_pFrame->GetStatusBar().GetPaneText(4));
    EXPECT_EQ(5, m_pFrame->GetStatusBar().GetCount());
    EXPECT_TRUE(m_pFrame->GetToolBar().IsWindowVisible());
    EXPECT_EQ(15, m_pFrame->GetToolBar().GetNormalImageCount());
    EXPECT_EQ("Main Tools", WindowText(m_pFrame->GetToolBar()));
    EXPECT_FALSE(m_pFrame->IsZoomed()); // the stored placement

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", 0, KEY_QUERY_VALUE, &key));
    char name[64] = {};
    DWORD size = sizeof name;
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegQueryValueExA(key, "MainWindow", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size));
    ::RegCloseKey(key);
    EXPECT_STREQ("Vorta 2", name);

    // The lookups answer for the project window once it announced itself.
    EXPECT_EQ(reinterpret_cast<LRESULT>(m_project.Handle()),
              m_pFrame->SendMessage(WM_GET_WINDOW_HANDLE, COMPONENT_PROJECT_WINDOW));
    EXPECT_EQ(reinterpret_cast<LRESULT>(m_project.Object()),
              m_pFrame->SendMessage(WM_GET_WINDOW_OBJECT, COMPONENT_PROJECT_WINDOW));
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_GET_WINDOW_HANDLE, 4711));
    EXPECT_EQ(1, m_pFrame->SendMessage(WM_QUERY_REPLY_CLASS));
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_FRAME_QUERY_0x81B5));
    m_pFrame->SendMessage(WM_PROJECT_WINDOW_GOING);
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_GET_WINDOW_HANDLE, COMPONENT_PROJECT_WINDOW));
}

TEST_F(MainFrameTest, MenuHoldsEveryCommandOfTheFrame)
{
    EXPECT_EQ(std::vector<UINT>{}, MissingFrameCommands(m_pFrame->GetMenuHandle()));
    // The toolbar's drive button is on the toolbar.
    EXPECT_GE(m_pFrame->GetToolBar().CommandToIndex(32909), 0);
}

TEST_F(MainFrameTest, HotKeysActOnlyWhenTheFrameIsReady)
{
    // One row per chord: the connection it needs, what it posts, and
    // whether it takes the readiness (the beta chord needs no connection
    // state and keeps it).
    const struct {
        UINT id;
        UINT key;
        bool connected;
        UINT message;
        WPARAM wParam;
        bool takesReady;
    } rows[] = {
        {ID_HOTKEY_CONNECT, 'C', false, WM_PW_CONNECT, 1, true},
        {ID_HOTKEY_DISCONNECT, 'D', true, WM_PW_DISCONNECT, 1, true},
        {ID_HOTKEY_CHECK_PROJECT, 'P', true, WM_PW_CHECK_PROJECT, 0, true},
        {ID_HOTKEY_BETA, 'B', false, WM_OPEN_BETA_FEATURES, 0, false},
        {ID_HOTKEY_BETA, 'B', true, WM_OPEN_BETA_FEATURES, 0, false},
    };
    auto connect = [this](bool connected) { m_pFrame->SendMessage(connected ? WM_CONNECTED : WM_DISCONNECTED); };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(1, static_cast<char>(row.key)) + (row.connected ? " connected" : ""));
        const LPARAM chord = MAKELPARAM(MOD_CONTROL | MOD_ALT, row.key);
        m_project.ClearReceived();
        connect(row.connected);
        m_pFrame->SendMessage(WM_NOT_READY);
        m_pFrame->SendMessage(WM_HOTKEY, row.id, chord);
        EXPECT_TRUE(ProjectMessages(row.message).empty());
        if (row.takesReady) {
            // Ready, but the connection is the other way round.
            connect(!row.connected);
            Ready();
            m_pFrame->SendMessage(WM_HOTKEY, row.id, chord);
            EXPECT_TRUE(ProjectMessages(row.message).empty());
            connect(row.connected);
        }
        Ready();
        m_pFrame->SendMessage(WM_HOTKEY, row.id, chord);
        auto sent = ProjectMessages(row.message);
        ASSERT_EQ(1u, sent.size());
        EXPECT_EQ(row.wParam, sent[0].wParam);
        EXPECT_EQ(!row.takesReady, m_pFrame->IsReady() != FALSE);
        // A chord of the wrong modifiers matches no row.
        m_pFrame->SendMessage(WM_HOTKEY, row.id, MAKELPARAM(MOD_CONTROL, row.key));
        // A second press before the project window reported ready again.
        m_pFrame->SendMessage(WM_HOTKEY, row.id, chord);
        const size_t expected = row.takesReady ? 1u : 2u;
        EXPECT_EQ(expected, ProjectMessageCount(row.message, expected));
    }
}

TEST_F(MainFrameTest, StatusPanesShowConnectionControllerAndLink)
{
    CStatusBar& bar = m_pFrame->GetStatusBar();
    Connect(1);
    EXPECT_EQ("Packet", bar.GetPaneText(3));
    UINT id = 0, style = 0;
    int width = 0;
    bar.GetPaneInfo(3, id, style, width);
    EXPECT_EQ(bar.GetTextWidth("Packet") + 2 < 25 ? 25 : bar.GetTextWidth("Packet") + 2, width);

    m_pFrame->SendMessage(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>("qc116"));
    EXPECT_EQ(8, m_pFrame->GetControllerModelIndex());
    EXPECT_EQ("qc116", bar.GetPaneText(1));
    m_pFrame->SendMessage(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>("XYZ"));
    EXPECT_EQ(0, m_pFrame->GetControllerModelIndex());

    CCommPortData link;
    link.SetLinkDefaults("Link", LINK_TYPE_ETHERNET);
    m_pFrame->SendMessage(0x81E5, 0, reinterpret_cast<LPARAM>(&link));
    EXPECT_EQ("ENet:192.168.0.250", bar.GetPaneText(2));
    m_pFrame->SendMessage(0x81E5, 0, 0);
    EXPECT_EQ("", bar.GetPaneText(2));

    // A project path is remembered as the last project.
    m_pFrame->SendMessage(WM_SET_PROJECT_TEXT, 0, reinterpret_cast<LPARAM>("C:\\Projects\\Axis\\Axis.prj"));
    EXPECT_EQ("C:\\Projects\\Axis\\Axis.prj", bar.GetPaneText(4));
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2\\Projects", 0, KEY_QUERY_VALUE, &key));
    char stored[MAX_PATH] = {};
    DWORD size = sizeof stored;
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegQueryValueExA(key, "Project00", nullptr, nullptr, reinterpret_cast<BYTE*>(stored), &size));
    ::RegCloseKey(key);
    EXPECT_STREQ("C:\\Projects\\Axis\\Axis.prj", stored);

    // Disconnection forgets the drives and the controller and empties the
    // packet and controller panes.
    m_pFrame->SendMessage(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>("QC110"));
    EXPECT_EQ("QC110", bar.GetPaneText(1));
    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_CAN);
    EXPECT_TRUE(m_pFrame->HasCANDrives());
    m_pFrame->SendMessage(WM_DISCONNECTED);
    EXPECT_FALSE(m_pFrame->HasCANDrives());
    EXPECT_EQ("", bar.GetPaneText(1));
    EXPECT_EQ(0, m_pFrame->GetControllerModelIndex());
    EXPECT_EQ("", bar.GetPaneText(3));

    // A controller found by the search whose connection ends before it is
    // made (the project check cancelled): "Not Connected" takes it away.
    m_pFrame->SendMessage(WM_CONTROLLER_TYPE, 0, reinterpret_cast<LPARAM>("QC110"));
    m_pFrame->SendMessage(WM_SET_PROJECT_TEXT, IDS_NOT_CONNECTED, 0);
    EXPECT_EQ("", bar.GetPaneText(1));
    EXPECT_EQ("Not Connected", bar.GetPaneText(4));
    EXPECT_EQ("Not Connected", bar.GetPaneText(4));
}

TEST_F(MainFrameTest, WindowMenuListsAtMostTenWindowsAndDropsItsSeparatorWhenEmpty)
{
    HMENU menu = WindowMenu();
    ASSERT_TRUE(menu);
    const int plain = ::GetMenuItemCount(menu);
    std::vector<std::unique_ptr<TestWindow>> windows;
    m_pFrame->SendMessage(WM_WINDOW_LIST_CLEAR);
    for (int i = 0; i < 12; ++i) {
        windows.push_back(std::make_unique<TestWindow>(("Tool " + std::to_string(i)).c_str()));
        m_pFrame->SendMessage(WM_WINDOW_LIST_ADD, reinterpret_cast<WPARAM>(windows.back()->Handle()));
    }
    // Something that is no window is not listed.
    m_pFrame->SendMessage(WM_WINDOW_LIST_ADD, 0x4711);
    m_pFrame->SendMessage(WM_WINDOW_LIST_DONE);
    ASSERT_EQ(plain + 11, ::GetMenuItemCount(menu));
    EXPECT_TRUE(::GetMenuState(menu, static_cast<UINT>(plain), MF_BYPOSITION) & MF_SEPARATOR);
    char text[32] = {};
    ::GetMenuStringA(menu, ID_WINDOW_ENTRY_LAST, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ("Tool 9", text);

    // Rebuilding does not pile entries up.
    m_pFrame->SendMessage(WM_WINDOW_LIST_DONE);
    EXPECT_EQ(plain + 11, ::GetMenuItemCount(menu));

    // An entry shows its window (placed away from the corner other test
    // programs read), in front of the frame; one whose window went does
    // nothing.
    ::SetWindowPos(*windows[3], nullptr, 900, 700, 120, 80, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_FALSE(::IsWindowVisible(*windows[3]));
    // What the display still owes of the frame's own start (its activation
    // raises it) arrives before a person's command.
    PumpUntil([] { return false; }, 500);
    Command(ID_WINDOW_ENTRY_FIRST + 3);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(*windows[3]) && IsAbove(*windows[3], m_hWndFrame); }));
    // A minimised one comes back restored, above the window that covered it.
    ::ShowWindow(*windows[3], SW_MINIMIZE);
    ::SetWindowPos(*windows[5], HWND_TOP, 900, 700, 120, 80, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    // The display's notices of these two changes arrive a moment later and
    // restack the windows as they were then; a person's command comes after
    // them.
    PumpUntil([] { return false; }, 500);
    Command(ID_WINDOW_ENTRY_FIRST + 3);
    EXPECT_TRUE(PumpUntil([&] { return !::IsIconic(*windows[3]) && IsAbove(*windows[3], *windows[5]); }));
    ::ShowWindow(*windows[3], SW_HIDE);
    ::ShowWindow(*windows[5], SW_HIDE);
    windows[4].reset();
    Command(ID_WINDOW_ENTRY_FIRST + 4);

    // A window whose thread does not answer does not hold up the frame.
    HANDLE release = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE created = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HWND busyWindow = nullptr;
    std::thread busy([&] {
        busyWindow = ::CreateWindowExA(0, "STATIC", "Busy", WS_OVERLAPPEDWINDOW, 900, 700, 120, 80, nullptr, nullptr,
                                       nullptr, nullptr);
        ::SetEvent(created);
        ::WaitForSingleObject(release, 30000); // no messages answered meanwhile
        ::DestroyWindow(busyWindow);
    });
    ASSERT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(created, 10000));
    const DWORD start = ::GetTickCount();
    m_pFrame->SendMessage(WM_WINDOW_LIST_CLEAR);
    m_pFrame->SendMessage(WM_WINDOW_LIST_ADD, reinterpret_cast<WPARAM>(busyWindow));
    m_pFrame->SendMessage(WM_WINDOW_LIST_DONE);
    char listed[32] = {};
    ::GetMenuStringA(WindowMenu(), ID_WINDOW_ENTRY_FIRST, listed, sizeof listed, MF_BYCOMMAND);
    EXPECT_STREQ("Busy", listed);
    Command(ID_WINDOW_ENTRY_FIRST);
    EXPECT_LT(::GetTickCount() - start, 1000u);
    ::SetEvent(release);
    busy.join();
    ::CloseHandle(release);
    ::CloseHandle(created);

    m_pFrame->SendMessage(WM_WINDOW_LIST_CLEAR);
    m_pFrame->SendMessage(WM_WINDOW_LIST_DONE);
    EXPECT_EQ(plain, ::GetMenuItemCount(menu));
}

// A window the frame owns, on a thread of its own, filled with one colour
// (what the screen shows of it tells whether it is in front).
class OwnedToolWindow {
public:
    OwnedToolWindow(HWND owner, const RECT& place, COLORREF colour)
    {
        HANDLE created = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
        m_thread = std::thread([this, owner, place, colour, created] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = ::DefWindowProcA;
            wc.hInstance = ::GetModuleHandleA(nullptr);
            wc.hbrBackground = ::CreateSolidBrush(colour);
            wc.lpszClassName = "OwnedToolWindowTest";
            ::RegisterClassA(&wc);
            m_hWnd = ::CreateWindowExA(0, wc.lpszClassName, "Owned tool", WS_POPUP | WS_VISIBLE, place.left, place.top,
                                       place.right - place.left, place.bottom - place.top, owner, nullptr,
                                       wc.hInstance, nullptr);
            m_threadId = ::GetCurrentThreadId();
            ::SetEvent(created);
            MSG msg;
            while (::GetMessageA(&msg, nullptr, 0, 0) > 0)
                ::DispatchMessageA(&msg);
            ::DestroyWindow(m_hWnd);
            ::UnregisterClassA(wc.lpszClassName, wc.hInstance);
            ::DeleteObject(wc.hbrBackground);
        });
        ::WaitForSingleObject(created, 10000);
        ::CloseHandle(created);
    }
    ~OwnedToolWindow()
    {
        ::PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    HWND Handle() const { return m_hWnd; }

private:
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    DWORD m_threadId = 0;
};

COLORREF ScreenPixel(int x, int y)
{
    HDC screen = ::GetDC(nullptr);
    const COLORREF colour = ::GetPixel(screen, x, y);
    ::ReleaseDC(nullptr, screen);
    return colour;
}

// The frame comes to the top after an operation (and when the user clicks
// it): the windows it owns come back above it, on the screen too.
TEST_F(MainFrameTest, WindowsTheFrameOwnsStayInFrontWhenItComesToTheTop)
{
    const COLORREF red = RGB(255, 0, 0);
    const RECT place = {900, 700, 1000, 780}; // inside the frame's place
    OwnedToolWindow tool(m_hWndFrame, place, red);
    ASSERT_TRUE(tool.Handle());
    EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(950, 740) == red; }));

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        if (round == 0)
            m_pFrame->SendMessage(WM_OPERATION_ENDED); // brings the frame to the top
        else
            ::SetForegroundWindow(m_hWndFrame);
        EXPECT_TRUE(PumpUntil([&] { return ScreenPixel(950, 740) == red && IsAbove(tool.Handle(), m_hWndFrame); }));
    }
}

// One row per command: what it sends the project window, and its rule
// (the state that enables it).
enum class Needs { Ready, Connected, NotConnected, Project };

struct CommandCase {
    UINT id;
    UINT message;
    WPARAM wParam;
    Needs needs;
};

TEST_F(MainFrameTest, CommandsReachTheProjectWindowOnlyWhenTheirRuleHolds)
{
    const CommandCase cases[] = {
        {ID_PROJECT_NEW, WM_PW_NEW_PROJECT, 0, Needs::Connected},
        {ID_PROJECT_LOAD, WM_PW_LOAD_PROJECT, 0, Needs::Connected},
        {ID_PROJECT_SAVE_AS, WM_PW_SAVE_PROJECT_AS, 0, Needs::Project},
        {ID_PROJECT_CHECK, WM_PW_CHECK_PROJECT, 0, Needs::Project},
        {ID_PROJECT_REVERT, WM_PW_REVERT_TO_BACKUP, 0, Needs::Project},
        {ID_PROJECT_MODIFY_STARTUP, WM_PW_MODIFY_STARTUP, 0, Needs::Project},
        {ID_PROJECT_LOAD_PROGRAM, WM_PW_LOAD_PROGRAM_FILE, 0, Needs::Connected},
        {ID_PROGRAM_LOAD, WM_PW_LOAD_PROGRAM_FILE, 0, Needs::Connected},
        {ID_PROGRAM_SAVE, WM_PW_SAVE_PROGRAM_FILE, 0, Needs::Connected},
        {ID_CONTROLLER_CONNECT, WM_PW_CONNECT, 1, Needs::NotConnected},
        {ID_CONTROLLER_CONNECT_PROJECT, WM_PW_CONNECT_USING_PROJECT, 1, Needs::NotConnected},
        {ID_CONTROLLER_CONNECT_SIMULATOR, WM_PW_CONNECT_TO_SIMULATOR, 0, Needs::NotConnected},
        {ID_CONTROLLER_DISCONNECT, WM_PW_DISCONNECT, 1, Needs::Connected},
        {ID_CONTROLLER_RESET, WM_PW_RESET_CONTROLLER, 0, Needs::Connected},
        {ID_CONTROLLER_CONFIGURATION, WM_PW_OPEN_TOOL, 1013, Needs::Project},
        {ID_CONTROLLER_DIRECTORY, WM_PW_OPEN_TOOL, 1028, Needs::Connected},
        {ID_CONTROLLER_FIX_EPROM, WM_PW_OPEN_TOOL, 1034, Needs::Connected},
        {ID_CONTROLLER_CANIO, WM_PW_OPEN_TOOL, 1049, Needs::Connected},
        {ID_PROGRAM_HALT, WM_PW_HALT_ALL, 0, Needs::Project},
        {ID_PROGRAM_COMPILE_ALL, WM_PW_COMPILE_ALL, 0, Needs::Connected},
        {ID_TOOLS_TERMINAL, WM_PW_OPEN_TOOL, 1042, Needs::Ready},
        {ID_TOOLS_AXIS_PARAMETERS, WM_PW_OPEN_TOOL, 1001, Needs::Connected},
        {ID_TOOLS_OSCILLOSCOPE, WM_PW_OPEN_TOOL, 1037, Needs::Connected},
        {ID_TOOLS_TICKS, WM_PW_OPEN_TOOL, 1058, Needs::Connected},
        {ID_OPTIONS_EDITOR, WM_PW_OPEN_TOOL, 1025, Needs::Ready},
        {ID_OPTIONS_IEC, WM_PW_OPEN_TOOL, 1059, Needs::Ready},
        {ID_WINDOW_CLEAR_DESKTOP, WM_PW_CLEAR_DESKTOP, 0, Needs::Ready},
        {ID_WINDOW_RESTORE_LAST, WM_PW_RESTORE_LAST_DESKTOP, 0, Needs::Connected},
        {ID_WINDOW_RESTORE_SAVED, WM_PW_RESTORE_SAVED_DESKTOP, 0, Needs::Connected},
        {ID_WINDOW_SAVE_DESKTOP, WM_PW_SAVE_DESKTOP, 0, Needs::Connected},
        {ID_HELP_CONTROLLERS, WM_PW_OPEN_TOOL, 1062, Needs::Ready},
    };
    // No project yet: the commands that need one are grayed although ready
    // and connected. (A project, once there, stays.)
    Ready();
    Connect();
    for (const CommandCase& c : cases) {
        if (c.needs == Needs::Project) {
            EXPECT_FALSE(Enabled(c.id)) << c.id;
        }
    }
    m_pFrame->SendMessage(WM_PROJECT_AVAILABLE);

    ReportReadyAfterGatedCommands();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.id);
        const bool connected = c.needs != Needs::NotConnected;
        // Not ready: grayed, and nothing happens.
        m_pFrame->SendMessage(WM_NOT_READY);
        m_pFrame->SendMessage(connected ? WM_CONNECTED : WM_DISCONNECTED);
        EXPECT_FALSE(Enabled(c.id));
        m_project.ClearReceived();
        Command(c.id);
        EXPECT_TRUE(ProjectMessages(c.message).empty());

        // Ready, but the connection is the other way round.
        Ready();
        if (c.needs != Needs::Ready) {
            m_pFrame->SendMessage(connected ? WM_DISCONNECTED : WM_CONNECTED);
            EXPECT_FALSE(Enabled(c.id));
            m_pFrame->SendMessage(connected ? WM_CONNECTED : WM_DISCONNECTED);
        }
        EXPECT_TRUE(Enabled(c.id));
        Command(c.id);
        const auto sent = ProjectMessages(c.message);
        ASSERT_EQ(1u, sent.size());
        EXPECT_EQ(c.wParam, sent[0].wParam);
        PumpUntil([&] { return m_pFrame->IsReady() != FALSE; }, 500);
    }
}

TEST_F(MainFrameTest, AGatedCommandWaitsForTheProjectWindowToReportReadyAgain)
{
    Ready();
    Command(ID_CONTROLLER_CONNECT);
    EXPECT_EQ(1u, ProjectMessages(WM_PW_CONNECT).size());
    EXPECT_FALSE(Enabled(ID_CONTROLLER_CONNECT));
    // Sent straight to the frame (a toolbar click before the refresh).
    m_pFrame->SendMessage(WM_COMMAND, MAKEWPARAM(ID_TOOLS_TERMINAL, BN_CLICKED),
                          reinterpret_cast<LPARAM>(m_pFrame->GetToolBar().m_hWnd));
    EXPECT_TRUE(ProjectMessages(WM_PW_OPEN_TOOL).empty());
    Ready();
    Command(ID_TOOLS_TERMINAL);
    EXPECT_EQ(1u, ProjectMessages(WM_PW_OPEN_TOOL).size());
}

TEST_F(MainFrameTest, ArrangingWindowsSendsTheFreeArea)
{
    RECT received = {};
    m_project.SetHandler(WM_PW_ARRANGE_WINDOWS, [&](WPARAM, LPARAM lParam) {
        received = *reinterpret_cast<const RECT*>(lParam);
        return 0;
    });
    CRect client;
    m_pFrame->GetClientRect(&client);
    m_pFrame->ClientToScreen(&client);
    CRect toolbar, status;
    m_pFrame->GetToolBar().GetWindowRect(&toolbar);
    m_pFrame->GetStatusBar().GetWindowRect(&status);
    CRect free;
    m_pFrame->GetFreeArea(free);
    EXPECT_EQ(client.top + toolbar.Height() + 1, free.top);
    EXPECT_EQ(client.bottom - status.Height() - 1, free.bottom);

    // Neither ready nor connected: the arrangement needs neither.
    const struct {
        UINT id;
        WPARAM how;
    } cases[] = {{ID_WINDOW_CASCADE, 0}, {ID_WINDOW_TILE_HORZ, 1}, {ID_WINDOW_TILE_VERT, 2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        m_project.ClearReceived();
        received = RECT{};
        EXPECT_TRUE(Enabled(c.id));
        Command(c.id);
        const auto sent = m_project.Received(WM_PW_ARRANGE_WINDOWS);
        ASSERT_EQ(1u, sent.size());
        EXPECT_TRUE(sent[0].sent);
        EXPECT_EQ(c.how, sent[0].wParam);
        EXPECT_EQ(free, CRect(received));
    }

    // The same area on request, and nothing for no rectangle.
    RECT asked = {};
    EXPECT_EQ(1, m_pFrame->SendMessage(WM_GET_FRAME_FREE_AREA, 0, reinterpret_cast<LPARAM>(&asked)));
    EXPECT_EQ(free, CRect(asked));
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_GET_FRAME_FREE_AREA, 0, 0));
    // The client area right of the panel and below the toolbar, its bottom
    // kept.
    RECT area = {};
    m_pFrame->SendMessage(WM_GET_FRAME_CLIENT_RECT, 0, reinterpret_cast<LPARAM>(&area));
    EXPECT_EQ(CRect(free.left, free.top, client.right, client.bottom), CRect(area));
}

TEST_F(MainFrameTest, TheToolbarHasAGripperAndDocksAtAnyEdge)
{
    CTrueColourToolBar& bar = m_pFrame->GetToolBar();
    EXPECT_EQ(static_cast<int>(AFX_IDW_TOOLBAR), bar.GetDlgCtrlID());
    EXPECT_EQ(CBRS_ALIGN_TOP, bar.GetBarStyle() & CBRS_ALIGN_ANY);
    EXPECT_TRUE(bar.GetBarStyle() & CBRS_GRIPPER);
    EXPECT_EQ(CBRS_ALIGN_ANY, bar.GetDockStyle());
    EXPECT_EQ(CBRS_ALIGN_ANY, m_pFrame->GetDockStyle());
    EXPECT_TRUE(bar.GetStyle() & TBSTYLE_FLAT);
    EXPECT_TRUE(bar.GetStyle() & TBSTYLE_TOOLTIPS);

    CRect area;
    m_pFrame->GetDockingArea(&area);
    const CPoint middle = area.CenterPoint();
    const struct {
        CPoint target;
        DWORD edge;
    } drags[] = {{CPoint(area.left + 5, middle.y), CBRS_ALIGN_LEFT},
                 {CPoint(area.right - 5, middle.y), CBRS_ALIGN_RIGHT},
                 {CPoint(middle.x, area.bottom - 5), CBRS_ALIGN_BOTTOM},
                 {CPoint(middle.x, area.top + 5), CBRS_ALIGN_TOP}};
    for (const auto& drag : drags) {
        SCOPED_TRACE(::testing::Message() << "edge " << std::hex << drag.edge);
        ASSERT_TRUE(DragBarTo(bar, drag.target));
        ASSERT_EQ(drag.edge, bar.GetBarStyle() & CBRS_ALIGN_ANY);
        // The MDI client takes what the bars leave, the status bar stays at
        // the bottom.
        CRect client, mdi, status, toolbar;
        m_pFrame->GetClientRect(&client);
        ::GetWindowRect(m_pFrame->m_hWndMDIClient, &mdi);
        m_pFrame->ScreenToClient(&mdi);
        m_pFrame->GetStatusBar().GetWindowRect(&status);
        m_pFrame->ScreenToClient(&status);
        bar.GetWindowRect(&toolbar);
        m_pFrame->ScreenToClient(&toolbar);
        CRect rest;
        m_pFrame->GetLayoutClientRect(&rest);
        EXPECT_EQ(rest, mdi);
        EXPECT_EQ(client.bottom, status.bottom);
        CRect overlap;
        EXPECT_FALSE(overlap.IntersectRect(&toolbar, &mdi));
        EXPECT_FALSE(overlap.IntersectRect(&toolbar, &status));

        // The free area for arranging windows leaves the toolbar's edge.
        CRect free, screenClient = client;
        m_pFrame->GetFreeArea(free);
        m_pFrame->ClientToScreen(&screenClient);
        CRect panel;
        m_pFrame->GetControlPanel()->GetWindowRect(&panel);
        const int panelWidth = m_pFrame->GetControlPanel()->IsWindowVisible() ? panel.Width() + 1 : 0;
        switch (drag.edge) {
        case CBRS_ALIGN_LEFT:
            EXPECT_EQ(screenClient.left + panelWidth + toolbar.Width() + 1, free.left);
            EXPECT_EQ(screenClient.top, free.top);
            break;
        case CBRS_ALIGN_RIGHT:
            EXPECT_EQ(screenClient.right - toolbar.Width() - 1, free.right);
            break;
        case CBRS_ALIGN_BOTTOM:
            EXPECT_EQ(screenClient.bottom - status.Height() - 1 - toolbar.Height() - 1, free.bottom);
            EXPECT_EQ(screenClient.top, free.top);
            break;
        default:
            EXPECT_EQ(screenClient.top + toolbar.Height() + 1, free.top);
            break;
        }
    }
}

TEST_F(MainFrameTest, TheToolbarFloatsAsMainToolsAndTheWindowMenuBringsItBackAfterClosing)
{
    Ready();
    CTrueColourToolBar& bar = m_pFrame->GetToolBar();
    CRect area;
    m_pFrame->GetDockingArea(&area);
    ASSERT_TRUE(DragBarTo(bar, area.CenterPoint()));
    ASSERT_TRUE(bar.IsFloating());
    HWND hWndFloat = ::GetParent(bar.m_hWnd);
    EXPECT_EQ(m_hWndFrame, ::GetWindow(hWndFloat, GW_OWNER));
    char caption[64] = {};
    ::GetWindowTextA(hWndFloat, caption, sizeof caption);
    EXPECT_STREQ("Main Tools", caption);
    // The frame's free area and its MDI client no longer leave room for it.
    CRect client, free, mdi, rest;
    m_pFrame->GetClientRect(&client);
    m_pFrame->ClientToScreen(&client);
    m_pFrame->GetFreeArea(free);
    EXPECT_EQ(client.top, free.top);
    EXPECT_EQ(client.right, free.right);
    ::GetWindowRect(m_pFrame->m_hWndMDIClient, &mdi);
    m_pFrame->ScreenToClient(&mdi);
    m_pFrame->GetLayoutClientRect(&rest);
    EXPECT_EQ(rest, mdi);
    EXPECT_EQ(area.top, rest.top);

    // Closing its window hides the toolbar; the Window menu shows it again.
    ::SendMessageA(hWndFloat, WM_CLOSE, 0, 0);
    EXPECT_FALSE(bar.IsWindowVisible());
    Command(ID_WINDOW_TOOLBAR);
    EXPECT_TRUE(bar.IsWindowVisible());
    EXPECT_TRUE(::IsWindowVisible(hWndFloat));

    // Dragged back near the top it docks there and its window goes.
    CPoint top(area.CenterPoint().x, area.top + 5);
    m_pFrame->ClientToScreen(&top);
    ::ScreenToClient(hWndFloat, &top);
    ASSERT_TRUE(DragBarTo(bar, top));
    EXPECT_FALSE(::IsWindow(hWndFloat));
    EXPECT_EQ(CBRS_ALIGN_TOP, bar.GetBarStyle() & CBRS_ALIGN_ANY);
    EXPECT_EQ(m_hWndFrame, ::GetParent(bar.m_hWnd));
}

TEST_F(MainFrameTest, TheDriveButtonOpensTheOneKindTheChooserOrNothing)
{
    ReportReadyAfterGatedCommands();
    Ready();
    Connect();
    EXPECT_FALSE(Enabled(ID_DRIVES_TOOLBAR));
    Command(ID_DRIVES_TOOLBAR);
    EXPECT_TRUE(ProjectMessages(WM_PW_OPEN_TOOL).empty());

    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_CAN);
    EXPECT_TRUE(Enabled(ID_DRIVES_TOOLBAR));
    EXPECT_TRUE(Enabled(ID_DRIVES_CAN));
    EXPECT_FALSE(Enabled(ID_DRIVES_SERCOS));
    Command(ID_DRIVES_TOOLBAR);
    auto opened = ProjectMessages(WM_PW_OPEN_TOOL);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(1004u, opened[0].wParam);

    PumpUntil([&] { return m_pFrame->IsReady() != FALSE; }, 500);
    m_project.ClearReceived();
    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_SERCOS);
    Command(ID_DRIVES_TOOLBAR);
    opened = ProjectMessages(WM_PW_OPEN_TOOL);
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ(1029u, opened[0].wParam);
}

TEST_F(MainFrameTest, RulesThatAskTheProjectWindowFollowItsAnswers)
{
    Ready();
    Connect();
    EXPECT_FALSE(Enabled(ID_TOOLS_ANALOGUE));
    m_project.SetAnswer(WM_PW_QUERY_ANALOGUE_INPUTS, 2);
    EXPECT_TRUE(Enabled(ID_TOOLS_ANALOGUE));
    EXPECT_TRUE(Enabled(ID_CONTROLLER_LOCK));
    m_project.SetAnswer(WM_PW_QUERY_LOCKED, 1);
    EXPECT_FALSE(Enabled(ID_CONTROLLER_LOCK));
    // Unlock is offered only while not connected.
    EXPECT_FALSE(Enabled(ID_CONTROLLER_UNLOCK));
    m_pFrame->SendMessage(WM_DISCONNECTED);
    EXPECT_TRUE(Enabled(ID_CONTROLLER_UNLOCK));

    // The edit lock of the control panel grays the editing commands.
    Connect();
    m_pFrame->SendMessage(WM_PROJECT_AVAILABLE);
    EXPECT_TRUE(Enabled(ID_PROJECT_NEW));
    m_pFrame->GetControlPanel()->SetEditLock(TRUE);
    EXPECT_FALSE(Enabled(ID_PROJECT_NEW));
    EXPECT_TRUE(Enabled(ID_CONTROLLER_ENABLE_EDITING));
    Command(ID_CONTROLLER_ENABLE_EDITING);
    EXPECT_EQ(1u, ProjectMessages(WM_PW_ENABLE_EDITING).size());

    // A project window that does not answer in time counts as "no".
    m_project.SetHandler(WM_PW_QUERY_ANALOGUE_INPUTS, [](WPARAM, LPARAM) {
        ::Sleep(CMainFrame::kQueryTimeoutMs + 500);
        return LRESULT{2};
    });
    EXPECT_FALSE(Enabled(ID_TOOLS_ANALOGUE));
}

TEST_F(MainFrameTest, DialogCommandsWithoutACreatorAreGrayed)
{
    Ready();
    EXPECT_FALSE(Enabled(ID_OPTIONS_DIAGNOSTICS));
    int created = 0;
    CMainFrame::RegisterDialogCreator(ID_OPTIONS_DIAGNOSTICS, 4711, [&](CMainFrame* pFrame, HWND hWndProject) {
        EXPECT_EQ(m_pFrame, pFrame);
        EXPECT_EQ(m_project.Handle(), hWndProject);
        ++created;
        return static_cast<CDialog*>(nullptr);
    });
    EXPECT_TRUE(Enabled(ID_OPTIONS_DIAGNOSTICS));
    Command(ID_OPTIONS_DIAGNOSTICS);
    EXPECT_EQ(1, created);
    CMainFrame::UnregisterDialogCreator(ID_OPTIONS_DIAGNOSTICS);
    EXPECT_FALSE(Enabled(ID_OPTIONS_DIAGNOSTICS));
}

// A command that opens a tool the project window cannot make is grayed and
// sends nothing; so is the drive button when the tool it would open is one.
TEST_F(MainFrameTest, ToolCommandsOfToolsThatCannotOpenAreGrayed)
{
    Ready();
    Connect();
    ReportReadyAfterGatedCommands();
    CMainFrame::SetToolAvailability([](UINT tool) { return tool == 1028 || tool == 1025 || tool == 1004; });
    const struct {
        UINT id;
        bool opens;
    } cases[] = {
        {ID_CONTROLLER_DIRECTORY, true},
        {ID_OPTIONS_EDITOR, true},
        {ID_TOOLS_TERMINAL, false},
        {ID_TOOLS_VR_VIEWER, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        m_project.ClearReceived();
        EXPECT_EQ(c.opens, Enabled(c.id) != FALSE);
        Command(c.id);
        EXPECT_EQ(c.opens ? 1u : 0u, ProjectMessageCount(WM_PW_OPEN_TOOL, c.opens ? 1 : 0));
        PumpUntil([&] { return m_pFrame->IsReady() != FALSE; }, 500);
    }
    // One kind of drive whose tool opens, then a second: the chooser does not.
    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_CAN);
    EXPECT_TRUE(Enabled(ID_DRIVES_TOOLBAR));
    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_SERCOS);
    EXPECT_FALSE(Enabled(ID_DRIVES_TOOLBAR));

    CMainFrame::SetToolAvailability(nullptr);
    EXPECT_TRUE(Enabled(ID_TOOLS_VR_VIEWER));
    EXPECT_TRUE(Enabled(ID_DRIVES_TOOLBAR));
}

// Registers a creator that records its command and makes no dialog, for
// as long as the object lives (the creators are the program's, shared by
// every frame).
class RecordingCreators {
public:
    explicit RecordingCreators(std::vector<UINT> ids) : m_ids(std::move(ids))
    {
        for (UINT id : m_ids)
            CMainFrame::RegisterDialogCreator(id, 4711, [this, id](CMainFrame*, HWND) {
                m_created.push_back(id);
                return static_cast<CDialog*>(nullptr);
            });
    }
    ~RecordingCreators()
    {
        for (UINT id : m_ids)
            CMainFrame::UnregisterDialogCreator(id);
    }
    std::vector<UINT> Created() const { return m_created; }
    void Clear() { m_created.clear(); }

private:
    std::vector<UINT> m_ids;
    std::vector<UINT> m_created;
};

TEST_F(MainFrameTest, ProgramOperationsRunTheirDialogOnlyWhileTheSelectionToolIsClosed)
{
    const struct {
        UINT id;
        int operation;
    } cases[] = {
        {ID_PROGRAM_NEW, 0},    {ID_PROGRAM_EDIT, 2},    {ID_PROGRAM_COPY, 3}, {ID_PROGRAM_RENAME, 4},
        {ID_PROGRAM_DELETE, 5}, {ID_PROGRAM_COMPILE, 7}, {ID_PROGRAM_RUN, 8},  {ID_PROGRAM_START_STEPPING, 9},
        {ID_PROGRAM_DEBUG, 10}, {ID_PROGRAM_STEP, 11},   {ID_PROGRAM_STOP, 13},
    };
    std::vector<UINT> ids;
    for (const auto& c : cases) {
        EXPECT_EQ(c.operation, CMainFrame::GetProgramOperation(c.id)) << c.id;
        ids.push_back(c.id);
    }
    EXPECT_EQ(-1, CMainFrame::GetProgramOperation(ID_PROGRAM_HALT));
    RecordingCreators creators(ids);

    // The program selection tool (1038) is open: a beep, no dialog.
    m_project.SetAnswer(WM_PW_QUERY_TOOL_OPEN, 1038, 1);
    for (const auto& c : cases)
        m_pFrame->OnProgramOperation(c.id);
    EXPECT_EQ(static_cast<int>(std::size(cases)), m_beeps);
    EXPECT_TRUE(creators.Created().empty());

    m_project.SetAnswer(WM_PW_QUERY_TOOL_OPEN, 1038, 0);
    for (const auto& c : cases)
        m_pFrame->OnProgramOperation(c.id);
    EXPECT_EQ(ids, creators.Created());

    // Through the menu: Run needs a connection and a project, Delete also
    // programs on the controller.
    creators.Clear();
    Ready();
    Connect();
    EXPECT_FALSE(Enabled(ID_PROGRAM_RUN));
    m_pFrame->SendMessage(WM_PROJECT_AVAILABLE);
    EXPECT_TRUE(Enabled(ID_PROGRAM_RUN));
    EXPECT_FALSE(Enabled(ID_PROGRAM_DELETE));
    m_project.SetAnswer(WM_PW_QUERY_PROGRAM_COUNT, 1);
    EXPECT_TRUE(Enabled(ID_PROGRAM_DELETE));
    Command(ID_PROGRAM_RUN);
    EXPECT_EQ(std::vector<UINT>{ID_PROGRAM_RUN}, creators.Created());
}

TEST_F(MainFrameTest, LockAndUnlockTellWhenThereIsNothingToDo)
{
    RecordingCreators creators({ID_CONTROLLER_LOCK, ID_CONTROLLER_UNLOCK});
    const struct {
        bool locked;
        void (CMainFrame::*command)();
        const char* told;
        UINT dialog;
    } cases[] = {
        {true, &CMainFrame::OnControllerLock, "Controller already locked", 0},
        {false, &CMainFrame::OnControllerLock, nullptr, ID_CONTROLLER_LOCK},
        {false, &CMainFrame::OnControllerUnlock, "Controller not locked", 0},
        {true, &CMainFrame::OnControllerUnlock, nullptr, ID_CONTROLLER_UNLOCK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.told ? c.told : "dialog");
        const size_t before = m_prompts.Records().size();
        creators.Clear();
        m_project.SetAnswer(WM_PW_QUERY_LOCKED, c.locked ? 1 : 0);
        (m_pFrame->*c.command)();
        const auto records = m_prompts.Records();
        if (c.told) {
            ASSERT_EQ(before + 1, records.size());
            EXPECT_EQ(c.told, records.back().text);
            EXPECT_EQ("Controller lock", records.back().caption);
            EXPECT_TRUE(creators.Created().empty());
        } else {
            EXPECT_EQ(before, records.size());
            EXPECT_EQ(std::vector<UINT>{c.dialog}, creators.Created());
        }
    }
}

TEST_F(MainFrameTest, DeleteAllAsksOnADialogThreadAndOnlyOKReachesTheProjectWindow)
{
    // The question registers with the project window it finds through the
    // application's main window.
    CWinApp app("Frame tests");
    app.m_pMainWnd = m_pFrame;
    Ready();
    Connect();
    m_pFrame->SendMessage(WM_PROJECT_AVAILABLE);
    EXPECT_TRUE(Enabled(ID_PROGRAM_DELETE_ALL));
    for (int answer : {IDCANCEL, IDOK}) {
        SCOPED_TRACE(answer);
        Command(ID_PROGRAM_DELETE_ALL);
        const HWND hDlg = m_project.WaitForRegistration(1019);
        ASSERT_TRUE(hDlg);
        EXPECT_EQ("Project", WindowText(hDlg));
        EXPECT_EQ("Do you want to delete all programs on the controller?",
                  WindowText(::GetDlgItem(hDlg, IDC_MESSAGE_TEXT)));
        EXPECT_TRUE(m_project.Received(WM_PW_DELETE_ALL_PROGRAMS).empty());
        ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
        EXPECT_EQ(answer == IDOK ? 1u : 0u, m_project.Received(WM_PW_DELETE_ALL_PROGRAMS).size());
    }
    app.m_pMainWnd = nullptr;
}

TEST_F(MainFrameTest, SystemSoftwareRefusalNamesTheLinksToUse)
{
    EXPECT_EQ("Unable to load system code using the current communications link",
              CMainFrame::FormatSystemSoftwareRefusal(0));
    EXPECT_EQ("Unable to load system code using the current communications link\nUse: Serial or Ethernet",
              CMainFrame::FormatSystemSoftwareRefusal(9));
    EXPECT_EQ("Unable to load system code using the current communications link\nUse: USB, QCSim or FINS",
              CMainFrame::FormatSystemSoftwareRefusal(2 | 4 | 32));
    EXPECT_EQ("Unable to load system code using the current communications link\nUse: PCI",
              CMainFrame::FormatSystemSoftwareRefusal(16));

    // The project window refuses with the mask it fills in.
    m_project.SetHandler(WM_PW_QUERY_LOAD_SYSTEM_SOFTWARE, [](WPARAM, LPARAM lParam) {
        *reinterpret_cast<DWORD*>(lParam) = 9;
        return LRESULT{0};
    });
    Ready();
    Command(ID_CONTROLLER_LOAD_SYSTEM);
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Load System Software", records[0].caption);
    EXPECT_EQ("Unable to load system code using the current communications link\nUse: Serial or Ethernet",
              records[0].text);
}

TEST_F(MainFrameTest, TheHaltQuestionGivesUpAfterFifteenSeconds)
{
    FakeClock clock;
    m_project.SetAnswer(WM_PW_QUERY_PROGRAMS_RUNNING, 1);
    m_prompts.Answer(IDYES);
    const std::uint64_t start = clock.NowMs();
    EXPECT_FALSE(m_pFrame->AskToHaltPrograms());
    EXPECT_GE(clock.NowMs() - start, CMainFrame::kHaltWaitMs);
    EXPECT_LT(clock.NowMs() - start, CMainFrame::kHaltWaitMs + 1000);
    EXPECT_EQ(1u, m_project.Received(WM_PW_HALT_ALL).size());
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Project Manager", records[0].caption);
    EXPECT_EQ("This operation cannot be performed with programs running.\n\nDo you wish to halt all running programs",
              records[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), records[0].type & MB_TYPEMASK);

    // Programs that stop in time let the command go on; "No" stops it.
    m_project.SetHandler(WM_PW_HALT_ALL, [this](WPARAM, LPARAM) {
        m_project.SetAnswer(WM_PW_QUERY_PROGRAMS_RUNNING, 0);
        return LRESULT{0};
    });
    m_prompts.Answer(IDYES);
    EXPECT_TRUE(m_pFrame->AskToHaltPrograms());
    m_project.SetAnswer(WM_PW_QUERY_PROGRAMS_RUNNING, 1);
    m_prompts.Answer(IDNO);
    EXPECT_FALSE(m_pFrame->AskToHaltPrograms());
}

TEST_F(MainFrameTest, ClosingWhileConnectedWaitsForTheProjectWindowToReportTheDisconnection)
{
    FakeClock clock;
    Ready();
    Connect();
    const HWND frame = m_hWndFrame;
    // The project window answers "not busy" all along (the question may
    // come before it has even seen the request) and reports the
    // disconnection a virtual second into the frame's wait.
    bool aliveWhenReported = false;
    size_t shutDownsBeforeReport = 99;
    bool reported = false;
    clock.SetSleepHook([&](std::uint64_t) {
        if (reported || clock.SleptMs() < 1000)
            return;
        reported = true;
        aliveWhenReported = ::IsWindow(frame) != FALSE;
        shutDownsBeforeReport = m_project.Received(WM_PW_SHUT_DOWN).size();
        ::PostMessageA(frame, WM_DISCONNECTED, 0, 0);
    });
    const std::uint64_t start = clock.NowMs();
    m_pFrame->SendMessage(WM_CLOSE);
    EXPECT_GE(clock.NowMs() - start, 1000u);
    EXPECT_LT(clock.NowMs() - start, CMainFrame::kCloseWaitMs);
    clock.SetSleepHook(nullptr);
    const auto disconnects = m_project.Received(WM_PW_DISCONNECT);
    ASSERT_EQ(1u, disconnects.size());
    EXPECT_EQ(2u, disconnects[0].wParam);
    ASSERT_TRUE(reported);
    EXPECT_TRUE(aliveWhenReported);
    EXPECT_EQ(0u, shutDownsBeforeReport);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(frame); }));
    EXPECT_FALSE(m_project.Received(WM_PW_SHUT_DOWN).empty());
    EXPECT_FALSE(m_project.Received(WM_DESTROY_REQUEST).empty());
    EXPECT_EQ(0, m_beeps);
}

TEST_F(MainFrameTest, ClosingWhileBusyBeepsAndALaterCloseWorks)
{
    FakeClock clock;
    m_pFrame->SendMessage(WM_CLOSE); // not ready with a project window
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(::IsWindow(m_hWndFrame));
    EXPECT_EQ(1, m_beeps);
    Ready();
    m_pFrame->SendMessage(WM_OPERATION_STARTED);
    m_pFrame->SendMessage(WM_CLOSE);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(::IsWindow(m_hWndFrame));
    EXPECT_EQ(2, m_beeps);
    EXPECT_TRUE(m_project.Received(WM_PW_CLEAR_DESKTOP).empty());

    m_pFrame->SendMessage(WM_OPERATION_ENDED);
    m_pFrame->SendMessage(WM_CLOSE);
    // The request is posted; the project window's thread answers the
    // frame's sent queries first, so it may still be on its way.
    EXPECT_TRUE(m_project.WaitFor(WM_PW_CLEAR_DESKTOP));
    EXPECT_EQ(1u, m_project.Received(WM_PW_CLEAR_DESKTOP).size());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWndFrame); }));
    EXPECT_EQ(2, m_beeps);
}

TEST_F(MainFrameTest, WithoutAProjectWindowANotReadyFrameClosesQuietly)
{
    FakeClock clock;
    m_pFrame->SendMessage(WM_PROJECT_WINDOW_GOING);
    m_pFrame->SendMessage(WM_CLOSE);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWndFrame); }));
    EXPECT_EQ(0, m_beeps);
    EXPECT_TRUE(m_project.Received(WM_PW_CLEAR_DESKTOP).empty());
}

TEST_F(MainFrameTest, ASilentProjectWindowDelaysTheExitOnlyToTheBounds)
{
    FakeClock clock;
    MemoryLog log;
    Ready();
    Connect();
    // The project window never reports the disconnection and stays busy.
    m_project.SetAnswer(WM_PW_QUERY_DISCONNECT_BUSY, 1);
    m_project.SetAnswer(WM_PW_QUERY_SHUTDOWN_BUSY, 1);
    const std::uint64_t start = clock.NowMs();
    m_pFrame->SendMessage(WM_CLOSE);
    EXPECT_GE(clock.NowMs() - start, CMainFrame::kCloseWaitMs);
    // The destroy request is deferred while connected, at most 200 times.
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWndFrame); }, 20000));
    EXPECT_LE(clock.NowMs() - start, 2 * CMainFrame::kCloseWaitMs + 2000);
    std::string text;
    for (const std::string& line : log.Lines())
        text += line + "\n";
    EXPECT_NE(std::string::npos, text.find("Destroy window request \"MainFrame\" (1)"));
    EXPECT_NE(std::string::npos, text.find("Destroy window request \"MainFrame\" (0)"));
}

TEST_F(MainFrameTest, BarsAndTheControllerMessagesFollowTheirCommandsAndSettings)
{
    Ready();
    HMENU menu = WindowMenu();
    ASSERT_TRUE(menu);
    m_pFrame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_TRUE(::GetMenuState(menu, ID_WINDOW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_WINDOW_TOOLBAR);
    EXPECT_FALSE(m_pFrame->GetToolBar().IsWindowVisible());
    EXPECT_FALSE(CVQRegistry().GetShowToolBar());
    m_pFrame->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    EXPECT_FALSE(::GetMenuState(menu, ID_WINDOW_TOOLBAR, MF_BYCOMMAND) & MF_CHECKED);
    Command(ID_WINDOW_STATUS_BAR);
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_GET_STATUS_BAR_HEIGHT));
    Command(ID_WINDOW_STATUS_BAR);
    EXPECT_GT(m_pFrame->SendMessage(WM_GET_STATUS_BAR_HEIGHT), 0);
    EXPECT_TRUE(CVQRegistry().GetShowStatusBar());

    // The controller messages show while connected and the flag is set.
    CControllerMessageDlg* pMessages = m_pFrame->GetControllerMessages();
    ASSERT_TRUE(pMessages);
    EXPECT_FALSE(pMessages->IsWindowVisible());
    Connect();
    EXPECT_TRUE(pMessages->IsWindowVisible());
    pMessages->AddMessage("%1 error");
    EXPECT_TRUE(Enabled(ID_WINDOW_CLEAR_MESSAGES));
    Command(ID_WINDOW_CLEAR_MESSAGES);
    EXPECT_EQ(0, pMessages->GetMessageCount());
    // Closing the window hides it for good (until shown again).
    pMessages->SendMessage(WM_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return !CVQRegistry().GetShowControllerMessages(); }));
    EXPECT_FALSE(pMessages->IsWindowVisible());
    Command(ID_WINDOW_CONTROLLER_MESSAGES);
    EXPECT_TRUE(pMessages->IsWindowVisible());
    EXPECT_TRUE(CVQRegistry().GetShowControllerMessages());
    m_pFrame->SendMessage(WM_DISCONNECTED);
    EXPECT_FALSE(pMessages->IsWindowVisible());
}

TEST_F(MainFrameTest, TheControllerMessagesArePlacedInTheBottomLeftCornerOfTheFreeArea)
{
    CControllerMessageDlg* pMessages = m_pFrame->GetControllerMessages();
    ASSERT_TRUE(pMessages);
    CRect before;
    pMessages->GetWindowRect(&before);
    m_pFrame->SendMessage(WM_PLACE_CONTROLLER_MESSAGES);
    CRect client, panel, status, placed;
    m_pFrame->GetClientRect(&client);
    m_pFrame->ClientToScreen(&client);
    m_pFrame->GetControlPanel()->GetWindowRect(&panel);
    m_pFrame->GetStatusBar().GetWindowRect(&status);
    pMessages->GetWindowRect(&placed);
    const int left = client.left + (m_pFrame->GetControlPanel()->IsWindowVisible() ? panel.Width() + 1 : 0);
    EXPECT_EQ(left, placed.left);
    EXPECT_EQ(client.bottom - status.Height() - 1, placed.bottom);
    EXPECT_EQ(before.Width() - 1, placed.Width());
    EXPECT_EQ(before.Height() - 1, placed.Height());
    // Not connected: it stays hidden.
    EXPECT_FALSE(pMessages->IsWindowVisible());
}

TEST_F(MainFrameTest, TheEndOfTheSessionDestroysTheFrameAtOnce)
{
    FakeClock clock;
    Ready();
    Connect(); // nothing waits for the project window
    EXPECT_EQ(TRUE, m_pFrame->SendMessage(WM_QUERYENDSESSION));
    EXPECT_FALSE(::IsWindow(m_hWndFrame));
    EXPECT_TRUE(m_project.Received(WM_PW_DISCONNECT).empty());
}

TEST_F(MainFrameTest, TheStoredPlacementIsRestoredAndASizeChangeStored)
{
    ::DestroyWindow(m_hWndFrame);
    StoreNormalPlacement({810, 620, 1130, 860});

    m_pFrame = new CMainFrame;
    ASSERT_TRUE(m_pFrame->LoadFrame(IDR_MAINFRAME));
    m_hWndFrame = m_pFrame->m_hWnd;
    PumpUntil([] { return false; }, 50);
    EXPECT_FALSE(m_pFrame->IsZoomed());
    WINDOWPLACEMENT shown = {};
    shown.length = sizeof shown;
    ASSERT_TRUE(m_pFrame->GetWindowPlacement(&shown));
    EXPECT_EQ(CRect(810, 620, 1130, 860), CRect(shown.rcNormalPosition));

    m_pFrame->MoveWindow(830, 640, 300, 220);
    WINDOWPLACEMENT now = {};
    now.length = sizeof now;
    CVQRegistry().GetMainWindowPlacement(now);
    EXPECT_EQ(CRect(830, 640, 1130, 860), CRect(now.rcNormalPosition));
}

TEST_F(MainFrameTest, ARecentProjectIsHandedToTheProjectWindowWhenReady)
{
    std::string sent;
    m_project.SetHandler(WM_SET_PROJECT_TEXT, [&](WPARAM, LPARAM lParam) {
        sent = reinterpret_cast<LPCSTR>(lParam);
        return LRESULT{0};
    });
    m_pFrame->SendMessage(WM_SET_PROJECT_TEXT, 0, reinterpret_cast<LPARAM>("C:\\P\\One.prj"));
    m_pFrame->SendMessage(WM_SET_PROJECT_TEXT, 0, reinterpret_cast<LPARAM>("C:\\P\\Two.prj"));
    Connect();
    EXPECT_FALSE(Enabled(ID_RECENT_PROJECT_FIRST));
    Command(ID_RECENT_PROJECT_FIRST + 1);
    EXPECT_EQ("", sent);
    Ready();
    EXPECT_TRUE(Enabled(ID_RECENT_PROJECT_FIRST));
    Command(ID_RECENT_PROJECT_FIRST + 1);
    EXPECT_EQ("C:\\P\\One.prj", sent);
    // An entry beyond the list sends nothing.
    sent.clear();
    Command(ID_RECENT_PROJECT_LAST);
    EXPECT_EQ("", sent);
}

} // namespace
