#include "framework/frame.h"

#include <gtest/gtest.h>

#include "framework/cmdui.h"
#include "framework/menu.h"
#include "framework/statusbar.h"
#include "framework/toolbar.h"
#include "frame_holder.h"
#include "framework_tests_res.h"
#include "testsupport/test_window.h"

namespace {

const UINT IDR_TEST_TOOLBAR = 400; // buttons 0x9001, separator, 0x9002, 0x9003

// An MDI frame with a toolbar, a status bar and a bar down the left side;
// "Save" and toolbar button 0x9002 are disabled by their update handlers
// while saveEnabled is false.
class TestFrame : public CMDIFrameWnd {
public:
    CToolBar toolBar;
    CStatusBar statusBar;
    CWnd leftBar;
    bool saveEnabled = false;
    int opened = 0;
    int saved = 0;

    int OnCreate(LPCREATESTRUCT lpcs)
    {
        if (CMDIFrameWnd::OnCreate(lpcs) == -1)
            return -1;
        if (!toolBar.CreateEx(this) || !toolBar.LoadToolBar(IDR_TEST_TOOLBAR))
            return -1;
        if (!statusBar.Create(this))
            return -1;
        const UINT indicators[] = {IDS_STATUS_READY, 0, IDS_GREETING};
        statusBar.SetIndicators(indicators, 3);
        leftBar.CreateEx(0, AfxRegisterWndClass(0), "left", WS_CHILD | WS_VISIBLE | CCS_LEFT, 0, 0, 40, 10, m_hWnd,
                         reinterpret_cast<HMENU>(UINT_PTR{AFX_IDW_CONTROLBAR_FIRST + 0x10}));
        return 0;
    }
    void OnOpen() { ++opened; }
    void OnSave() { ++saved; }
    void OnUpdateOpen(CCmdUI* pCmdUI)
    {
        pCmdUI->Enable(TRUE);
        pCmdUI->SetCheck(1);
    }
    void OnUpdateSave(CCmdUI* pCmdUI) { pCmdUI->Enable(saveEnabled); }
    void OnButton(UINT) {}
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(TestFrame, CMDIFrameWnd)
ON_WM_CREATE()
ON_COMMAND(ID_TEST_OPEN, OnOpen)
ON_COMMAND(ID_TEST_SAVE, OnSave)
ON_UPDATE_COMMAND_UI(ID_TEST_OPEN, OnUpdateOpen)
ON_UPDATE_COMMAND_UI(ID_TEST_SAVE, OnUpdateSave)
ON_UPDATE_COMMAND_UI(0x9002, OnUpdateSave)
ON_COMMAND_RANGE(0x9001, 0x9003, OnButton)
END_MESSAGE_MAP()

struct FrameHolder : TFrameHolder<TestFrame> {
    FrameHolder() : TFrameHolder(CRect(760, 560, 1260, 960), [](TestFrame&) {}) {}
};

CRect ChildRect(const CWnd& parent, HWND child)
{
    CRect rect;
    ::GetWindowRect(child, &rect);
    parent.ScreenToClient(&rect);
    return rect;
}

TEST(StatusBarTest, PanesTakeTheirTextsWidthsAndTheRestGoesToTheStretchingPane)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    CStatusBar& bar = holder.frame->statusBar;
    ASSERT_EQ(3, bar.GetCount());
    EXPECT_EQ("Ready", bar.GetPaneText(0));
    EXPECT_EQ("", bar.GetPaneText(1));
    EXPECT_EQ("Hello from the string table", bar.GetPaneText(2));
    EXPECT_EQ(2, bar.CommandToIndex(IDS_GREETING));
    EXPECT_EQ(-1, bar.CommandToIndex(4711));

    bar.SetPaneInfo(0, 0, SBPS_NOBORDERS | SBPS_STRETCH, 60);
    bar.SetPaneInfo(1, 0, SBPS_NORMAL, 25);
    bar.SetPaneInfo(2, 0, SBPS_NORMAL, 100);
    UINT id = 1;
    UINT style = 0;
    int width = 0;
    bar.GetPaneInfo(1, id, style, width);
    EXPECT_EQ(0u, id);
    EXPECT_EQ(SBPS_NORMAL, style);
    EXPECT_EQ(25, width);

    CRect client;
    bar.GetClientRect(&client);
    CRect first, second, third;
    bar.GetItemRect(0, &first);
    bar.GetItemRect(1, &second);
    bar.GetItemRect(2, &third);
    // The fixed panes keep their widths; the first fills the rest.
    EXPECT_NEAR(second.Width(), third.Width() - 75, 4);
    EXPECT_GT(first.Width(), client.Width() - third.Width() - second.Width() - 40);

    EXPECT_TRUE(bar.SetPaneText(1, "Packet"));
    EXPECT_EQ("Packet", bar.GetPaneText(1));
    char shown[32] = {};
    bar.SendMessage(SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(shown));
    EXPECT_STREQ("Packet", shown);
    EXPECT_FALSE(bar.SetPaneText(3, "beyond the panes"));
    EXPECT_EQ("", bar.GetPaneText(-1));
}

TEST(FrameLayoutTest, BarsTakeTheirEdgesAndTheMdiClientTheRest)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    TestFrame& frame = *holder.frame;
    ASSERT_TRUE(frame.m_hWndMDIClient);
    EXPECT_EQ(AFX_IDW_PANE_FIRST, static_cast<UINT>(::GetDlgCtrlID(frame.m_hWndMDIClient)));
    frame.RecalcLayout();

    CRect client;
    frame.GetClientRect(&client);
    const CRect tool = ChildRect(frame, frame.toolBar);
    const CRect status = ChildRect(frame, frame.statusBar);
    const CRect left = ChildRect(frame, frame.leftBar);
    const CRect mdi = ChildRect(frame, frame.m_hWndMDIClient);
    EXPECT_EQ(0, tool.top);
    EXPECT_EQ(client.bottom, status.bottom);
    EXPECT_EQ(tool.bottom, left.top);
    EXPECT_EQ(status.top, left.bottom);
    EXPECT_EQ(0, left.left);
    EXPECT_EQ(40, left.Width());
    EXPECT_EQ(CRect(left.right, tool.bottom, client.right, status.top), mdi);

    CRect free;
    frame.GetLayoutClientRect(&free);
    EXPECT_EQ(mdi, free);

    // A hidden bar gives its room back.
    frame.toolBar.ShowWindow(SW_HIDE);
    frame.leftBar.ShowWindow(SW_HIDE);
    frame.RecalcLayout();
    EXPECT_EQ(CRect(0, 0, client.right, status.top), ChildRect(frame, frame.m_hWndMDIClient));
}

TEST(FrameCommandUiTest, MenusAreUpdatedWhenTheyOpenAndDisabledCommandsDoNothing)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    TestFrame& frame = *holder.frame;
    HMENU file = ::GetSubMenu(frame.GetMenuHandle(), 0);
    ASSERT_TRUE(file);
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, FALSE));
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED),
              ::GetMenuState(file, ID_TEST_OPEN, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED));
    EXPECT_TRUE(::GetMenuState(file, ID_TEST_SAVE, MF_BYCOMMAND) & MF_GRAYED);
    // A command without an update handler keeps the state it has.
    EXPECT_FALSE(::GetMenuState(file, ID_TEST_NOBODY, MF_BYCOMMAND) & MF_GRAYED);

    // From a menu or an accelerator a disabled command is not carried out.
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TEST_SAVE, 0), 0);
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TEST_SAVE, 1), 0);
    EXPECT_EQ(0, frame.saved);
    frame.saveEnabled = true;
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(ID_TEST_SAVE, 0), 0);
    EXPECT_EQ(1, frame.saved);
    frame.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), MAKELPARAM(0, FALSE));
    EXPECT_FALSE(::GetMenuState(file, ID_TEST_SAVE, MF_BYCOMMAND) & MF_GRAYED);

    // The accelerator table of the frame's resource id is in use.
    MSG key = {frame.m_hWnd, WM_KEYDOWN, 'O', 0, 0, {0, 0}};
    EXPECT_TRUE(frame.GetAccelerators());
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    const BOOL translated = frame.PreTranslateMessage(&key);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_TRUE(translated);
    EXPECT_EQ(1, frame.opened);
}

TEST(FrameCommandUiTest, TheSelectedMenuItemsPromptShowsInTheFirstPane)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    TestFrame& frame = *holder.frame;
    HMENU file = ::GetSubMenu(frame.GetMenuHandle(), 0);
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_TEST_OPEN, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ("Opens a thing", frame.statusBar.GetPaneText(0));
    // A command without a string has an empty prompt.
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_TEST_NOBODY, MF_HILITE), reinterpret_cast<LPARAM>(file));
    EXPECT_EQ("", frame.statusBar.GetPaneText(0));
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(ID_TEST_OPEN, MF_HILITE), reinterpret_cast<LPARAM>(file));
    frame.SendMessage(WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ("", frame.statusBar.GetPaneText(0));
}

TEST(FrameCommandUiTest, AHotToolbarButtonsPromptShowsInTheFirstPaneUntilThePointerLeaves)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    TestFrame& frame = *holder.frame;
    NMTBHOTITEM hot = {};
    hot.hdr.hwndFrom = frame.toolBar.m_hWnd;
    hot.hdr.idFrom = AFX_IDW_TOOLBAR;
    hot.hdr.code = TBN_HOTITEMCHANGE;
    hot.idNew = ID_TEST_OPEN;
    hot.dwFlags = HICF_MOUSE | HICF_ENTERING;
    EXPECT_EQ(0, frame.SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot)));
    EXPECT_EQ("Opens a thing", frame.statusBar.GetPaneText(0));
    hot.idOld = ID_TEST_OPEN;
    hot.idNew = ID_TEST_NOBODY;
    hot.dwFlags = HICF_MOUSE;
    frame.SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ("", frame.statusBar.GetPaneText(0));
    hot.idNew = ID_TEST_OPEN;
    frame.SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    hot.dwFlags = HICF_MOUSE | HICF_LEAVING;
    frame.SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&hot));
    EXPECT_EQ("", frame.statusBar.GetPaneText(0));
}

TEST(FrameCommandUiTest, AToolbarButtonsTooltipIsThePartOfItsStringAfterTheNewline)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    struct Case {
        UINT id;
        const char* tip;
    } cases[] = {{ID_TEST_OPEN, "Open"}, {IDS_GREETING, ""}, {ID_TEST_NOBODY, ""}};
    for (const Case& c : cases) {
        NMTTDISPINFOA info = {};
        info.hdr.hwndFrom = nullptr;
        info.hdr.idFrom = c.id;
        info.hdr.code = TTN_GETDISPINFOA;
        holder.frame->SendMessage(WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&info));
        ASSERT_TRUE(info.lpszText) << c.id;
        EXPECT_STREQ(c.tip, info.lpszText) << c.id;
    }
}

TEST(FrameCommandUiTest, ToolbarButtonsFollowTheirUpdateHandlersWhenIdle)
{
    FrameHolder holder;
    ASSERT_TRUE(holder.frame);
    TestFrame& frame = *holder.frame;
    frame.SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_FALSE(frame.toolBar.SendMessage(TB_ISBUTTONENABLED, 0x9002, 0));
    EXPECT_TRUE(frame.toolBar.SendMessage(TB_ISBUTTONENABLED, 0x9001, 0));
    // A click on the disabled button does nothing either.
    frame.SendMessage(WM_COMMAND, MAKEWPARAM(0x9002, BN_CLICKED), reinterpret_cast<LPARAM>(frame.toolBar.m_hWnd));
    frame.saveEnabled = true;
    frame.SendMessage(WM_IDLEUPDATECMDUI, TRUE, 0);
    EXPECT_TRUE(frame.toolBar.SendMessage(TB_ISBUTTONENABLED, 0x9002, 0));
}

} // namespace
