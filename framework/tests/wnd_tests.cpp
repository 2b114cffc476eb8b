#include "framework/wnd.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/exceptions.h"
#include "testsupport/deleted_storage.h"
#include "testsupport/test_window.h"

namespace {

const UINT WM_PRIVATE = WM_APP + 0x100;
const UINT kRegistered = RegisterWindowMessageA("Vexo_Framework_Test_Message");

// A button whose own object takes its clicks (reflection) when asked to.
class CReflectingButton : public CWnd {
public:
    bool m_takeClicks = false;
    int m_clicks = 0;
    int m_notifyClicks = 0;
    std::vector<UINT> m_itemKeys;

protected:
    void OnClicked() { ++m_clicks; }
    // A list box's key questions: -2 says the control handled the key.
    LRESULT OnVKeyToItem(WPARAM wParam, LPARAM)
    {
        m_itemKeys.push_back(LOWORD(wParam));
        return -2;
    }
    LRESULT OnCharToItem(WPARAM wParam, LPARAM)
    {
        m_itemKeys.push_back(LOWORD(wParam));
        return 3;
    }
    void OnNotifyClick(NMHDR*, LRESULT* pResult)
    {
        ++m_notifyClicks;
        *pResult = 17;
    }
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        return m_takeClicks && CWnd::OnChildNotify(message, wParam, lParam, pResult);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CReflectingButton, CWnd)
ON_CONTROL_REFLECT(BN_CLICKED, OnClicked)
ON_NOTIFY_REFLECT(NM_CLICK, OnNotifyClick)
ON_MESSAGE(WM_REFLECT_BASE + WM_VKEYTOITEM, OnVKeyToItem)
ON_MESSAGE(WM_REFLECT_BASE + WM_CHARTOITEM, OnCharToItem)
END_MESSAGE_MAP()

class CBaseWindow : public CWnd {
public:
    std::vector<std::string> m_log;

protected:
    void OnSize(UINT nType, int cx, int cy)
    {
        m_log.push_back("base size " + std::to_string(cx));
        CWnd::OnSize(nType, cx, cy);
    }
    LRESULT OnPrivate(WPARAM wParam, LPARAM lParam)
    {
        m_log.push_back("base private");
        return static_cast<LRESULT>(wParam + lParam);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseWindow, CWnd)
ON_WM_SIZE()
ON_MESSAGE(WM_PRIVATE, OnPrivate)
END_MESSAGE_MAP()

class CTestWnd : public CBaseWindow {
public:
    CReflectingButton m_button;
    bool* m_deleted = nullptr;
    UINT m_lastRangeId = 0;

protected:
    int OnCreate(LPCREATESTRUCT cs)
    {
        m_log.push_back(std::string("create ") + cs->lpszName);
        if (CBaseWindow::OnCreate(cs) == -1)
            return -1;
        m_button.CreateEx(0, "BUTTON", "Go", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, CRect(0, 0, 50, 20), this, 100);
        return 0;
    }
    void OnButton() { m_log.push_back("parent click"); }
    void OnMenuCommand() { m_log.push_back("command 200"); }
    void OnRange(UINT id) { m_lastRangeId = id; }
    void OnCustomNotify(NMHDR* hdr, LRESULT* result)
    {
        m_log.push_back("notify " + std::to_string(hdr->idFrom));
        *result = 42;
    }
    LRESULT OnRegistered(WPARAM, LPARAM) { return 7; }
    LRESULT OnThrow(WPARAM, LPARAM) { throw std::runtime_error("handler failure"); }
    void PostNcDestroy() override
    {
        if (m_deleted)
            *m_deleted = true;
        delete this;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestWnd, CBaseWindow)
ON_WM_CREATE()
ON_BN_CLICKED(100, OnButton)
ON_COMMAND(200, OnMenuCommand)
ON_COMMAND_RANGE(300, 310, OnRange)
ON_NOTIFY(NM_CLICK, 400, OnCustomNotify)
ON_REGISTERED_MESSAGE(kRegistered, OnRegistered)
ON_MESSAGE(WM_PRIVATE + 1, OnThrow)
END_MESSAGE_MAP()

class WindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_wnd = new CTestWnd;
        m_wnd->m_deleted = &m_deleted;
        ASSERT_TRUE(m_wnd->CreateEx(0, nullptr, "main", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr));
        m_hwnd = m_wnd->m_hWnd;
    }
    void TearDown() override
    {
        if (IsWindow(m_hwnd))
            DestroyWindow(m_hwnd);
        CWnd::DeleteTempMap();
    }
    CTestWnd* m_wnd = nullptr;
    HWND m_hwnd = nullptr;
    bool m_deleted = false;
};

TEST_F(WindowTest, CreationReachesTheMapFromWmCreateAndAttachesTheHandle)
{
    ASSERT_FALSE(m_wnd->m_log.empty());
    EXPECT_EQ("create main", m_wnd->m_log.front());
    EXPECT_EQ(m_wnd, CWnd::FromHandlePermanent(m_hwnd));
    EXPECT_EQ(&m_wnd->m_button, CWnd::FromHandlePermanent(m_wnd->m_button.m_hWnd));
    EXPECT_EQ("Go", WindowText(m_wnd->m_button));
}

TEST_F(WindowTest, MessagesAndCommandsFindHandlersInTheClassAndItsBases)
{
    EXPECT_EQ(5, SendMessageA(m_hwnd, WM_PRIVATE, 2, 3));
    EXPECT_EQ(7, SendMessageA(m_hwnd, kRegistered, 0, 0));
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(200, 0), 0);
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(200, 1), 0); // accelerator
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(305, 0), 0);
    EXPECT_EQ(305u, m_wnd->m_lastRangeId);
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(311, 0), 0);
    EXPECT_EQ(305u, m_wnd->m_lastRangeId);
    SetWindowPos(m_hwnd, nullptr, 0, 0, 250, 150, SWP_NOZORDER);

    NMHDR hdr = {m_wnd->m_button.m_hWnd, 400, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(42, SendMessageA(m_hwnd, WM_NOTIFY, 400, reinterpret_cast<LPARAM>(&hdr)));
    hdr.idFrom = 401;
    EXPECT_EQ(0, SendMessageA(m_hwnd, WM_NOTIFY, 401, reinterpret_cast<LPARAM>(&hdr)));

    const auto& log = m_wnd->m_log;
    EXPECT_EQ(2, std::count(log.begin(), log.end(), "command 200"));
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "base private"));
    RECT client;
    GetClientRect(m_hwnd, &client);
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "base size " + std::to_string(client.right)));
    EXPECT_EQ(log.end(), std::find(log.begin(), log.end(), "notify 401"));
}

TEST_F(WindowTest, ControlNotificationsAreOfferedToTheControlFirst)
{
    const WPARAM clicked = MAKEWPARAM(100, BN_CLICKED);
    const LPARAM button = reinterpret_cast<LPARAM>(m_wnd->m_button.m_hWnd);
    SendMessageA(m_hwnd, WM_COMMAND, clicked, button);
    EXPECT_EQ(0, m_wnd->m_button.m_clicks);
    EXPECT_EQ(1, std::count(m_wnd->m_log.begin(), m_wnd->m_log.end(), "parent click"));

    m_wnd->m_button.m_takeClicks = true;
    SendMessageA(m_hwnd, WM_COMMAND, clicked, button);
    EXPECT_EQ(1, m_wnd->m_button.m_clicks);
    EXPECT_EQ(1, std::count(m_wnd->m_log.begin(), m_wnd->m_log.end(), "parent click"));
}

TEST_F(WindowTest, NotifyMessagesFromAControlReachItsOwnHandlerFirst)
{
    m_wnd->m_button.m_takeClicks = true;
    NMHDR hdr = {m_wnd->m_button.m_hWnd, 100, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(17, SendMessageA(m_hwnd, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_EQ(1, m_wnd->m_button.m_notifyClicks);

    // A code the control does not handle goes on to the parent's map.
    hdr.code = static_cast<UINT>(NM_DBLCLK);
    EXPECT_EQ(0, SendMessageA(m_hwnd, WM_NOTIFY, 100, reinterpret_cast<LPARAM>(&hdr)));
    EXPECT_EQ(1, m_wnd->m_button.m_notifyClicks);
}

TEST_F(WindowTest, ListBoxKeyQuestionsReachTheControlFirst)
{
    const struct {
        UINT message;
        UINT key;
        LRESULT answer;
    } cases[] = {{WM_VKEYTOITEM, VK_DOWN, -2}, {WM_CHARTOITEM, 'x', 3}};
    const LPARAM control = reinterpret_cast<LPARAM>(m_wnd->m_button.m_hWnd);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        m_wnd->m_button.m_takeClicks = true;
        m_wnd->m_button.m_itemKeys.clear();
        EXPECT_EQ(c.answer, SendMessageA(m_hwnd, c.message, MAKEWPARAM(c.key, 0), control));
        EXPECT_EQ(std::vector<UINT>{c.key}, m_wnd->m_button.m_itemKeys);
        // A control that declines leaves the question to its parent.
        m_wnd->m_button.m_takeClicks = false;
        SendMessageA(m_hwnd, c.message, MAKEWPARAM(c.key, 0), control);
        EXPECT_EQ(1u, m_wnd->m_button.m_itemKeys.size());
    }
}

TEST_F(WindowTest, ExceptionsStopAtTheWindowProcedure)
{
    EXPECT_EQ(0, SendMessageA(m_hwnd, WM_PRIVATE + 1, 0, 0));
    EXPECT_TRUE(IsWindow(m_hwnd));
}

TEST_F(WindowTest, DestroyingTheWindowDetachesAndDeletesASelfDeletingObject)
{
    HWND button = m_wnd->m_button.m_hWnd;
    ASSERT_TRUE(DestroyWindow(m_hwnd));
    EXPECT_TRUE(m_deleted);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(button));
    EXPECT_FALSE(IsWindow(m_hwnd));
}

TEST(WindowWrapper, TemporaryWrappersAndSubclassing)
{
    TestWindow plain("plain");
    CWnd* temp = CWnd::FromHandle(plain);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(temp, CWnd::FromHandle(plain));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(plain));
    EXPECT_STREQ("plain", temp->GetWindowTextString());

    CBaseWindow sub;
    ASSERT_TRUE(sub.SubclassWindow(plain));
    EXPECT_EQ(&sub, CWnd::FromHandle(plain));
    EXPECT_EQ(9, SendMessageA(plain, WM_PRIVATE, 4, 5));
    EXPECT_EQ(plain.Handle(), sub.UnsubclassWindow());
    EXPECT_EQ(0, SendMessageA(plain, WM_PRIVATE, 4, 5));
    CWnd::DeleteTempMap();
}

} // namespace

namespace {

// Deletes itself when its window goes, and refuses to be created.
class CRefusingWindowBase : public CWnd {
protected:
    int OnCreate(LPCREATESTRUCT) { return -1; }
    void PostNcDestroy() override { delete this; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRefusingWindowBase, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

using CRefusingWindow = DeletedStorage<CRefusingWindowBase>;

TEST(WindowCreation, ASelfDeletingWindowDestroyedDuringCreationIsNotTouchedAfterwards)
{
    auto* wnd = new CRefusingWindow;
    EXPECT_FALSE(wnd->CreateEx(0, nullptr, "refused", WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
    ASSERT_TRUE(CRefusingWindow::IsDeleted());
    EXPECT_EQ(-1, CRefusingWindow::FirstWriteAfterDeletion());
}

// Throws from one step of its own creation.
class CThrowingWindow : public CWnd {
public:
    enum Step { kNone, kFirstLook, kNcCreate, kCreate };
    Step m_throwAt = kNone;
    bool m_frameworkException = false;
    int m_destroyed = 0;

protected:
    void Fail()
    {
        if (m_frameworkException)
            AfxThrowNotSupportedException();
        throw std::runtime_error("creation step failed");
    }
    void PreSubclassWindow() override
    {
        if (m_throwAt == kFirstLook)
            Fail();
    }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_NCCREATE && m_throwAt == kNcCreate)
            Fail();
        return CWnd::WindowProc(message, wParam, lParam);
    }
    int OnCreate(LPCREATESTRUCT)
    {
        if (m_throwAt == kCreate)
            Fail();
        return 0;
    }
    void PostNcDestroy() override { ++m_destroyed; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CThrowingWindow, CWnd)
ON_WM_CREATE()
END_MESSAGE_MAP()

// An exception in any step of a creation stops at the wall and fails the
// creation: no window is left, and the object can be created again.
TEST(WindowCreation, AnExceptionDuringCreationFailsIt)
{
    const struct {
        const char* name;
        CThrowingWindow::Step step;
        bool frameworkException;
    } cases[] = {
        {"PreSubclassWindow", CThrowingWindow::kFirstLook, false},
        {"WM_NCCREATE", CThrowingWindow::kNcCreate, false},
        {"OnCreate", CThrowingWindow::kCreate, false},
        {"OnCreate, framework exception", CThrowingWindow::kCreate, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const char* title = "creation that throws";
        CThrowingWindow wnd;
        wnd.m_throwAt = c.step;
        wnd.m_frameworkException = c.frameworkException;
        EXPECT_FALSE(wnd.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
        EXPECT_EQ(nullptr, wnd.m_hWnd);
        EXPECT_EQ(nullptr, ::FindWindowA(nullptr, title));

        wnd.m_throwAt = CThrowingWindow::kNone;
        const int destroyedBefore = wnd.m_destroyed;
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, title, WS_OVERLAPPEDWINDOW, 0, 0, 50, 50, nullptr, nullptr));
        const HWND hWnd = wnd.m_hWnd;
        EXPECT_EQ(hWnd, ::FindWindowA(nullptr, title));
        EXPECT_TRUE(wnd.DestroyWindow());
        EXPECT_EQ(destroyedBefore + 1, wnd.m_destroyed);
        EXPECT_FALSE(::IsWindow(hWnd));
    }
}

} // namespace
