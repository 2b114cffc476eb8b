#include "framework/thread.h"

#include <atomic>
#include <stdexcept>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/exceptions.h"

namespace {

const DWORD kWait = 5000; // bound for waits that should end at once
const UINT WM_PING = WM_APP + 1;

DWORD ExitCodeOf(HANDLE thread)
{
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeThread(thread, &code));
    return code;
}

} // namespace

// Records the pings it is posted and quits with 7 after the second.
class CPingQuitThread : public CWinThread {
    DECLARE_DYNCREATE(CPingQuitThread)
public:
    BOOL InitInstance() override
    {
        m_bWasCurrent = AfxGetThread() == this;
        return TRUE;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != WM_PING)
            return CWinThread::PreTranslateMessage(pMsg);
        m_pings.push_back(pMsg->wParam);
        if (m_pings.size() == 2)
            PostQuitMessage(7);
        return TRUE;
    }
    int ExitInstance() override
    {
        m_bExited = true;
        return CWinThread::ExitInstance();
    }

    bool m_bWasCurrent = false;
    bool m_bExited = false;
    std::vector<WPARAM> m_pings;
};
IMPLEMENT_DYNCREATE(CPingQuitThread, CWinThread)

// Refuses to start; tells when it was destroyed.
class CRefusingThread : public CWinThread {
    DECLARE_DYNCREATE(CRefusingThread)
public:
    ~CRefusingThread() override { SetEvent(s_destroyed); }
    BOOL InitInstance() override { return FALSE; }
    int ExitInstance() override { return 3; }
    int Run() override
    {
        s_ran = true;
        return CWinThread::Run();
    }

    static inline HANDLE s_destroyed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    static inline std::atomic<bool> s_ran{false};
};
IMPLEMENT_DYNCREATE(CRefusingThread, CWinThread)

namespace {

TEST(CWinThread, UserInterfaceThreadGetsEveryPostedMessage)
{
    // Posted before and right after ResumeThread for a suspended start;
    // right after creation otherwise. No message may be lost either way.
    for (bool suspended : {true, false}) {
        SCOPED_TRACE(suspended ? "created suspended" : "created running");
        auto* thread = static_cast<CPingQuitThread*>(AfxBeginThread(
            RUNTIME_CLASS(CPingQuitThread), THREAD_PRIORITY_NORMAL, 0, suspended ? CREATE_SUSPENDED : 0));
        ASSERT_NE(nullptr, thread);
        thread->m_bAutoDelete = FALSE; // it cannot end before the second ping
        EXPECT_TRUE(thread->PostThreadMessage(WM_PING, 1, 0));
        if (suspended) {
            EXPECT_EQ(1u, thread->ResumeThread());
        }
        EXPECT_TRUE(thread->PostThreadMessage(WM_PING, 2, 0));

        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread->m_hThread, kWait));
        EXPECT_EQ(7u, ExitCodeOf(thread->m_hThread));
        EXPECT_EQ((std::vector<WPARAM>{1, 2}), thread->m_pings);
        EXPECT_TRUE(thread->m_bWasCurrent);
        EXPECT_TRUE(thread->m_bExited);
        delete thread;
    }
}

TEST(CWinThread, RefusedStartEndsAndDeletesItself)
{
    ResetEvent(CRefusingThread::s_destroyed);
    CWinThread* thread = AfxBeginThread(RUNTIME_CLASS(CRefusingThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, thread);
    HANDLE handle = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &handle, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    thread->ResumeThread();

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, kWait));
    EXPECT_EQ(3u, ExitCodeOf(handle));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(CRefusingThread::s_destroyed, 0));
    EXPECT_FALSE(CRefusingThread::s_ran);
    CloseHandle(handle);
}

TEST(CWinThread, DeletingAThreadThatNeverRanEndsIt)
{
    CWinThread* thread = AfxBeginThread(
        [](LPVOID) -> UINT {
            ADD_FAILURE() << "the thread ran";
            return 1;
        },
        nullptr, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, thread);
    HANDLE handle = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), thread->m_hThread, GetCurrentProcess(), &handle, 0, FALSE,
                                DUPLICATE_SAME_ACCESS));
    delete thread;
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(handle, kWait));
    EXPECT_EQ(0u, ExitCodeOf(handle));
    CloseHandle(handle);
}

struct WorkerCase {
    const char* name;
    AFX_THREADPROC proc;
    DWORD exitCode;
};

UINT ReturnsFive(LPVOID param)
{
    *static_cast<CWinThread**>(param) = AfxGetThread();
    return 5;
}

UINT EndsWithNine(LPVOID param)
{
    *static_cast<CWinThread**>(param) = AfxGetThread();
    AfxEndThread(9);
}

UINT ThrowsFileException(LPVOID param)
{
    *static_cast<CWinThread**>(param) = AfxGetThread();
    AfxThrowFileException(CFileException::diskFull);
}

UINT ThrowsStdException(LPVOID param)
{
    *static_cast<CWinThread**>(param) = AfxGetThread();
    throw std::runtime_error("worker failed");
}

TEST(CWinThread, WorkerExitCodes)
{
    const WorkerCase cases[] = {
        {"returns", ReturnsFive, 5},
        {"AfxEndThread", EndsWithNine, 9},
        {"CException", ThrowsFileException, AFX_THREAD_EXCEPTION_EXIT},
        {"std::exception", ThrowsStdException, AFX_THREAD_EXCEPTION_EXIT},
    };
    for (const WorkerCase& c : cases) {
        SCOPED_TRACE(c.name);
        CWinThread* current = nullptr;
        CWinThread* thread = AfxBeginThread(c.proc, &current, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        ASSERT_NE(nullptr, thread);
        thread->m_bAutoDelete = FALSE;
        thread->ResumeThread();
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread->m_hThread, kWait));
        EXPECT_EQ(c.exitCode, ExitCodeOf(thread->m_hThread));
        EXPECT_EQ(thread, current);
        delete thread;
    }
}

TEST(CWinThread, PriorityIsSetBeforeTheThreadRuns)
{
    std::atomic<int> seen{0};
    CWinThread* thread = AfxBeginThread(
        [](LPVOID param) -> UINT {
            static_cast<std::atomic<int>*>(param)->store(GetThreadPriority(GetCurrentThread()));
            return 0;
        },
        &seen, THREAD_PRIORITY_BELOW_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, thread);
    thread->m_bAutoDelete = FALSE;
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, thread->GetThreadPriority());
    thread->ResumeThread();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread->m_hThread, kWait));
    EXPECT_EQ(THREAD_PRIORITY_BELOW_NORMAL, seen.load());
    delete thread;
}

// A hidden window that counts WM_PING and sets an event when it gets one;
// a sent WM_PING is answered with 42.
class PingWindow {
public:
    PingWindow()
    {
        static const ATOM atom = [] {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = &PingWindow::WndProc;
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "VexoFrameworkTests.PingWindow";
            return RegisterClassA(&wc);
        }();
        m_hwnd = CreateWindowExA(0, MAKEINTATOM(atom), "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(m_hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PingWindow()
    {
        DestroyWindow(m_hwnd);
        CloseHandle(m_hPinged);
    }

    HWND m_hwnd = nullptr;
    HANDLE m_hPinged = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    int m_pings = 0;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<PingWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (message == WM_PING && self) {
            ++self->m_pings;
            SetEvent(self->m_hPinged);
            return 42;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

TEST(MessagePump, WaitDispatchesWhileWaiting)
{
    PingWindow window;
    ASSERT_NE(nullptr, window.m_hwnd);

    // Only dispatching the posted message sets the event.
    PostMessageA(window.m_hwnd, WM_PING, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(window.m_hPinged, kWait));
    EXPECT_EQ(1, window.m_pings);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), AfxWaitWithMessages(window.m_hPinged, 50));

    // Another thread's SendMessage is answered while this thread waits for
    // that thread, which a plain wait would deadlock on.
    HANDLE done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD_PTR> answer{0};
    std::thread sender([&] {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window.m_hwnd, WM_PING, 0, 0, SMTO_NORMAL, kWait, &result))
            answer = result;
        SetEvent(done);
    });
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(done, kWait));
    sender.join();
    EXPECT_EQ(42u, answer.load());
    CloseHandle(done);

    PostMessageA(window.m_hwnd, WM_PING, 0, 0);
    AfxSleepWithMessages(10);
    EXPECT_EQ(3, window.m_pings);
}

TEST(MessagePump, PumpStopsAtQuitAndLeavesItQueued)
{
    PingWindow window;
    ASSERT_NE(nullptr, window.m_hwnd);
    PostMessageA(window.m_hwnd, WM_PING, 0, 0);
    PostQuitMessage(4);

    EXPECT_FALSE(AfxPumpMessages());
    EXPECT_EQ(1, window.m_pings);

    // While the quit is pending a wait still waits for its handle.
    ResetEvent(window.m_hPinged);
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), AfxWaitWithMessages(window.m_hPinged, 50));
    SetEvent(window.m_hPinged);
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(window.m_hPinged, kWait));

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(4u, msg.wParam);
    EXPECT_TRUE(AfxPumpMessages());
}

} // namespace
