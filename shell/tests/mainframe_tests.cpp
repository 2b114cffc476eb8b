#include "shell/mainframe.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/logfile.h"
#include "framework/cmdui.h"
#include "framework/dialog.h"
#include "link/commportdata.h"
#include "shell/framebars.h"
#include "shell/mainframemessages.h"
#include "shell/res/mainframe_resource.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "shell/vqregistry.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "ui/toolmessages.h"

namespace {

// The project window's messages that end a gated command: the fake
// reports ready (0x811E) to the frame afterwards, as the real one does
// when its work is done.
const UINT kGatedMessages[] = {
    WM_PW_CONNECT,   WM_PW_CONNECT_USING_PROJECT, WM_PW_CONNECT_TO_SIMULATOR, WM_PW_DISCONNECT,
    WM_PW_OPEN_TOOL, WM_PW_CLEAR_DESKTOP,         WM_PW_CHECK_PROJECT};

class MainFrameTest : public testing::Test {
protected:
    void SetUp() override
    {
        // The frame takes a small place in the bottom-right corner instead
        // of the whole screen, which other test programs share (some read
        // its pixels near the top-left corner).
        StoreNormalPlacement({820, 640, 1240, 940});
        m_pFrame = new CMainFrame;
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
    const UINT ids[] = {32851, 32847, 32858, 32838, 32853, 32849, 32846, 33122, 32857, 32832, 32848, 32859, 32781,
                        33147, 33040, 32783, 32787, 32791, 32780, 32785, 32784, 32789, 32790, 32786, 1011,  33055,
                        33051, 32986, 32826, 32824, 32820, 32830, 32819, 32822, 32831, 32985, 32835, 32836, 32821,
                        32825, 32823, 33080, 33146, 33145, 32920, 32908, 32914, 32915, 32916, 32917, 32919, 32922,
                        33120, 33018, 1014,  33129, 33130, 33042, 33057, 33131, 32811, 32815, 33035, 1029,  33069,
                        33071, 33121, 33050, 33023, 1035,  33079, 32804, 32966, 32977, 32978, 32967, 32983, 32969,
                        32968, 32979, 32974, 32971, 32972, 32973, 32805, 32806, 33141};
    HMENU menu = m_pFrame->GetMenuHandle();
    for (UINT id : ids)
        EXPECT_NE(static_cast<UINT>(-1), ::GetMenuState(menu, id, MF_BYCOMMAND)) << id;
    // The toolbar's drive button is on the toolbar.
    EXPECT_GE(m_pFrame->GetToolBar().CommandToIndex(32909), 0);
}

TEST_F(MainFrameTest, HotKeysActOnlyWhenTheFrameIsReady)
{
    const LPARAM connect = MAKELPARAM(MOD_CONTROL | MOD_ALT, 'C');
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_CONNECT, connect);
    EXPECT_TRUE(ProjectMessages(WM_PW_CONNECT).empty());
    Ready();
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_CONNECT, connect);
    auto connects = ProjectMessages(WM_PW_CONNECT);
    ASSERT_EQ(1u, connects.size());
    EXPECT_EQ(1u, connects[0].wParam);
    // The hot key took the readiness: a second press waits for it.
    EXPECT_FALSE(m_pFrame->IsReady());
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_CONNECT, connect);
    EXPECT_EQ(1u, ProjectMessages(WM_PW_CONNECT).size());

    // Disconnect and check need a connection; the beta chord keeps ready.
    Ready();
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_DISCONNECT, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'D'));
    EXPECT_TRUE(ProjectMessages(WM_PW_DISCONNECT).empty());
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_BETA, MAKELPARAM(MOD_CONTROL | MOD_ALT, 'B'));
    EXPECT_EQ(1u, ProjectMessages(WM_OPEN_BETA_FEATURES).size());
    EXPECT_TRUE(m_pFrame->IsReady());
    // A chord of the wrong modifiers matches no row.
    m_pFrame->SendMessage(WM_HOTKEY, ID_HOTKEY_CONNECT, MAKELPARAM(MOD_CONTROL, 'C'));
    EXPECT_EQ(1u, ProjectMessages(WM_PW_CONNECT).size());
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

    // Disconnection forgets the drives and empties the packet pane.
    m_pFrame->SendMessage(WM_DRIVE_KIND_PRESENT, 0, DRIVE_KIND_CAN);
    EXPECT_TRUE(m_pFrame->HasCANDrives());
    m_pFrame->SendMessage(WM_DISCONNECTED);
    EXPECT_FALSE(m_pFrame->HasCANDrives());
    EXPECT_EQ("", bar.GetPaneText(3));
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

    m_pFrame->SendMessage(WM_WINDOW_LIST_CLEAR);
    m_pFrame->SendMessage(WM_WINDOW_LIST_DONE);
    EXPECT_EQ(plain, ::GetMenuItemCount(menu));
}

// One row per command: what it sends the project window, and the state that
// enables it (the rule fails in the state before).
struct CommandCase {
    UINT id;
    UINT message;
    WPARAM wParam;
    bool connected;
    bool project;
};

TEST_F(MainFrameTest, CommandsReachTheProjectWindowOnlyWhenTheirRuleHolds)
{
    const CommandCase cases[] = {
        {ID_PROJECT_NEW, WM_PW_NEW_PROJECT, 0, true, false},
        {ID_PROJECT_CHECK, WM_PW_CHECK_PROJECT, 0, true, true},
        {ID_PROJECT_LOAD_PROGRAM, WM_PW_LOAD_PROGRAM_FILE, 0, true, false},
        {ID_CONTROLLER_CONNECT, WM_PW_CONNECT, 1, false, false},
        {ID_CONTROLLER_DISCONNECT, WM_PW_DISCONNECT, 1, true, false},
        {ID_CONTROLLER_RESET, WM_PW_RESET_CONTROLLER, 0, true, false},
        {ID_CONTROLLER_DIRECTORY, WM_PW_OPEN_TOOL, 1028, true, false},
        {ID_TOOLS_TERMINAL, WM_PW_OPEN_TOOL, 1042, false, false},
        {ID_TOOLS_OSCILLOSCOPE, WM_PW_OPEN_TOOL, 1037, true, false},
        {ID_WINDOW_CLEAR_DESKTOP, WM_PW_CLEAR_DESKTOP, 0, false, false},
        {ID_PROGRAM_COMPILE_ALL, WM_PW_COMPILE_ALL, 0, true, false},
    };
    ReportReadyAfterGatedCommands();
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.id);
        // Not ready: grayed, and nothing happens.
        m_pFrame->SendMessage(WM_NOT_READY);
        m_pFrame->SendMessage(c.connected ? WM_CONNECTED : WM_DISCONNECTED);
        EXPECT_FALSE(Enabled(c.id));
        m_project.ClearReceived();
        Command(c.id);
        EXPECT_TRUE(ProjectMessages(c.message).empty());

        Ready();
        if (c.project)
            m_pFrame->SendMessage(WM_PROJECT_AVAILABLE);
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
    Command(ID_WINDOW_TILE_VERT);
    const auto sent = m_project.Received(WM_PW_ARRANGE_WINDOWS);
    ASSERT_EQ(1u, sent.size());
    EXPECT_EQ(2u, sent[0].wParam);
    CRect free;
    m_pFrame->GetFreeArea(free);
    EXPECT_EQ(free, CRect(received));
    CRect client;
    m_pFrame->GetClientRect(&client);
    m_pFrame->ClientToScreen(&client);
    CRect toolbar, status;
    m_pFrame->GetToolBar().GetWindowRect(&toolbar);
    m_pFrame->GetStatusBar().GetWindowRect(&status);
    EXPECT_EQ(client.top + toolbar.Height() + 1, free.top);
    EXPECT_EQ(client.bottom - status.Height() - 1, free.bottom);

    // The same area on request, and nothing for no rectangle.
    RECT asked = {};
    EXPECT_EQ(1, m_pFrame->SendMessage(WM_GET_FRAME_FREE_AREA, 0, reinterpret_cast<LPARAM>(&asked)));
    EXPECT_EQ(free, CRect(asked));
    EXPECT_EQ(0, m_pFrame->SendMessage(WM_GET_FRAME_FREE_AREA, 0, 0));
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

TEST_F(MainFrameTest, ClosingWhileConnectedDisconnectsFirst)
{
    FakeClock clock;
    Ready();
    Connect();
    const HWND frame = m_hWndFrame;
    bool reported = false;
    m_project.SetHandler(WM_PW_DISCONNECT, [&, frame](WPARAM, LPARAM) {
        reported = true;
        ::PostMessageA(frame, WM_DISCONNECTED, 0, 0);
        return LRESULT{0};
    });
    m_pFrame->SendMessage(WM_CLOSE);
    const auto disconnects = m_project.Received(WM_PW_DISCONNECT);
    ASSERT_EQ(1u, disconnects.size());
    EXPECT_EQ(2u, disconnects[0].wParam);
    EXPECT_TRUE(reported);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(frame); }));
    EXPECT_FALSE(m_project.Received(WM_PW_SHUT_DOWN).empty());
    EXPECT_FALSE(m_project.Received(WM_DESTROY_REQUEST).empty());
}

TEST_F(MainFrameTest, ClosingWhileBusyBeepsAndALaterCloseWorks)
{
    FakeClock clock;
    m_pFrame->SendMessage(WM_CLOSE); // not ready with a project window
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(::IsWindow(m_hWndFrame));
    Ready();
    m_pFrame->SendMessage(WM_OPERATION_STARTED);
    m_pFrame->SendMessage(WM_CLOSE);
    PumpUntil([] { return false; }, 100);
    EXPECT_TRUE(::IsWindow(m_hWndFrame));
    EXPECT_TRUE(m_project.Received(WM_PW_CLEAR_DESKTOP).empty());

    m_pFrame->SendMessage(WM_OPERATION_ENDED);
    m_pFrame->SendMessage(WM_CLOSE);
    EXPECT_EQ(1u, m_project.Received(WM_PW_CLEAR_DESKTOP).size());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hWndFrame); }));
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
