// The user-interface thread that makes a window from its run-time class:
// the window lives on that thread and ends it when it goes; a missing
// class or a class that gives no window is reported and ends the thread.
#include "link/vexothread.h"

#include <gtest/gtest.h>

#include <string>

#include "framework/app.h"
#include "framework/wnd.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

// A tool-like window: its constructor creates the window, and the object
// deletes itself when the window has gone.
class CMadeWindow : public CWnd {
    DECLARE_DYNCREATE(CMadeWindow)
public:
    CMadeWindow() { CreateEx(0, AfxRegisterWndClass(0), "made", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
    void PostNcDestroy() override { delete this; }
};
IMPLEMENT_DYNCREATE(CMadeWindow, CWnd)

// A window class whose window cannot be created.
class CFailingWindow : public CWnd {
    DECLARE_DYNCREATE(CFailingWindow)
public:
    CFailingWindow() { CreateEx(0, "no such window class", "failing", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
};
IMPLEMENT_DYNCREATE(CFailingWindow, CWnd)

// Not a window at all.
class CNotAWindow : public CObject {
    DECLARE_DYNCREATE(CNotAWindow)
};
IMPLEMENT_DYNCREATE(CNotAWindow, CObject)

class VexoThreadTest : public testing::Test {
protected:
    // Starts a thread for the class as the starters do (suspended, above
    // normal, then resumed) and keeps a handle to wait for its end.
    CVexoThread* Start(CRuntimeClass* pClass, HWND hWndMain = nullptr)
    {
        auto* pThread = dynamic_cast<CVexoThread*>(
            AfxBeginThread(RUNTIME_CLASS(CVexoThread), THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED));
        if (!pThread)
            return nullptr;
        pThread->SetWindowClass(pClass);
        pThread->SetMainWindowHandle(hWndMain);
        ::DuplicateHandle(::GetCurrentProcess(), pThread->m_hThread, ::GetCurrentProcess(), &m_hThread, 0, FALSE,
                          DUPLICATE_SAME_ACCESS);
        pThread->ResumeThread();
        return pThread;
    }
    bool Ended(DWORD timeoutMs = 5000) { return ::WaitForSingleObject(m_hThread, timeoutMs) == WAIT_OBJECT_0; }
    void TearDown() override
    {
        if (m_hThread)
            ::CloseHandle(m_hThread);
    }

    CWinApp m_app{"vexo thread tests"};
    ScriptedPrompts m_prompts;
    HANDLE m_hThread = nullptr;
};

TEST_F(VexoThreadTest, TheWindowLivesOnItsThreadAndEndsIt)
{
    TestWindow frame("frame");
    CVexoThread* pThread = Start(RUNTIME_CLASS(CMadeWindow), frame);
    ASSERT_NE(nullptr, pThread);
    HWND hWnd = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hWnd = pThread->GetWindowHandle()) != nullptr; }));
    EXPECT_EQ(pThread->m_nThreadID, ::GetWindowThreadProcessId(hWnd, nullptr));
    EXPECT_EQ("made", WindowText(hWnd));
    // Its message boxes belong to the given main window.
    CWnd* pMain = pThread->GetMainWnd();
    ASSERT_NE(nullptr, pMain);
    EXPECT_EQ(frame.Handle(), pMain->GetSafeHwnd());
    EXPECT_FALSE(Ended(0));

    // The window goes: the thread ends with it.
    ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(VexoThreadTest, WithoutAGivenMainWindowItsOwnWindowIsTheMainWindow)
{
    CVexoThread* pThread = Start(RUNTIME_CLASS(CMadeWindow));
    ASSERT_NE(nullptr, pThread);
    HWND hWnd = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hWnd = pThread->GetWindowHandle()) != nullptr; }));
    EXPECT_EQ(hWnd, pThread->m_pMainWnd.GetSafeHwnd());
    ::PostMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(Ended());
}

TEST_F(VexoThreadTest, NoWindowIsReportedAndEndsTheThread)
{
    struct Case {
        const char* name;
        CRuntimeClass* windowClass;
        const char* message;
    };
    const Case cases[] = {
        {"no class", nullptr, "Internal error creathing thread, run time class not set"},
        {"no window", RUNTIME_CLASS(CFailingWindow), "Internal error creating thread, object creation failed"},
        {"not a window", RUNTIME_CLASS(CNotAWindow), "Internal error creating thread, object creation failed"},
    };
    for (const Case& c : cases) {
        const std::size_t before = m_prompts.Records().size();
        ASSERT_NE(nullptr, Start(c.windowClass)) << c.name;
        EXPECT_TRUE(Ended()) << c.name;
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
        const auto records = m_prompts.Records();
        ASSERT_EQ(before + 1, records.size()) << c.name;
        EXPECT_EQ(c.message, records.back().text) << c.name;
        EXPECT_EQ("Create thread", records.back().caption) << c.name;
        EXPECT_TRUE(records.back().detached) << c.name;
    }
}

} // namespace
