#include "framework/thread.h"

#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <vector>

#include "framework/exceptions.h"
#include "framework/controls.h"
#include "framework/gdi.h"
#include "framework/menu.h"
#include "framework/wnd.h"

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

// --- CMainWndPtr ---------------------------------------------------------------------

namespace {

// Guards every main window pointer's target against deletion while
// another thread reads the target's handle. A slim lock needs no
// destruction, so window objects destroyed during the program's exit
// still find it.
SRWLOCK g_mainWndLock = SRWLOCK_INIT;

// Every main window pointer alive (one per user-interface thread; few).
std::vector<CMainWndPtr*>& MainWndPtrs()
{
    static auto* s_ptrs = new std::vector<CMainWndPtr*>;
    return *s_ptrs;
}

} // namespace

CMainWndPtr::CMainWndPtr()
{
    ::AcquireSRWLockExclusive(&g_mainWndLock);
    MainWndPtrs().push_back(this);
    ::ReleaseSRWLockExclusive(&g_mainWndLock);
}

CMainWndPtr::~CMainWndPtr()
{
    ::AcquireSRWLockExclusive(&g_mainWndLock);
    auto& ptrs = MainWndPtrs();
    ptrs.erase(std::remove(ptrs.begin(), ptrs.end(), this), ptrs.end());
    ::ReleaseSRWLockExclusive(&g_mainWndLock);
}

CMainWndPtr& CMainWndPtr::operator=(CWnd* pWnd)
{
    ::AcquireSRWLockExclusive(&g_mainWndLock);
    m_pWnd = pWnd;
    ::ReleaseSRWLockExclusive(&g_mainWndLock);
    return *this;
}

HWND CMainWndPtr::GetSafeHwnd() const
{
    ::AcquireSRWLockShared(&g_mainWndLock);
    const CWnd* pWnd = m_pWnd.load();
    const HWND hWnd = pWnd ? pWnd->m_hWnd : nullptr;
    ::ReleaseSRWLockShared(&g_mainWndLock);
    return hWnd;
}

void CMainWndPtr::Forget(CWnd* pWnd)
{
    ::AcquireSRWLockExclusive(&g_mainWndLock);
    for (CMainWndPtr* p : MainWndPtrs()) {
        CWnd* expected = pWnd;
        p->m_pWnd.compare_exchange_strong(expected, nullptr);
    }
    ::ReleaseSRWLockExclusive(&g_mainWndLock);
}

// The gate a new thread waits at before it runs anything. It outlives the
// CWinThread object, so a thread whose object is deleted before it was
// ever resumed can still learn that and end without touching the object.
struct CWinThread::StartGate {
    HANDLE hGate = nullptr; // manual-reset; set when the thread may run
    std::atomic<bool> abandoned{false};
    ~StartGate()
    {
        if (hGate)
            ::CloseHandle(hGate);
    }
};

// Lives on the creator's stack until the new thread signals hReady.
struct CWinThread::Startup {
    CWinThread* pThread;
    std::shared_ptr<StartGate> gate;
    HANDLE hReady;
};

namespace {

thread_local CWinThread* t_pCurrentThread = nullptr;

// The caret blink timer, which should not restart idle processing.
const UINT WM_SYSTIMER = 0x0118;

// Runs body inside the exception wall; a thread that ends by an exception
// says so.
template <class Body> bool RunWalled(Body body)
{
    char where[64];
    std::snprintf(where, sizeof where, "Thread %lu ended by an exception",
                  static_cast<unsigned long>(::GetCurrentThreadId()));
    return AfxCallWalled(where, body);
}

DWORD WaitPumping(DWORD count, const HANDLE* handles, DWORD timeoutMs)
{
    ULONGLONG start = ::GetTickCount64();
    bool quit = false;
    bool pumped = false;
    for (;;) {
        DWORD remaining = INFINITE;
        if (timeoutMs != INFINITE) {
            ULONGLONG elapsed = ::GetTickCount64() - start;
            remaining = elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        }
        DWORD result;
        if (quit || (pumped && remaining == 0)) {
            // No more dispatching: after WM_QUIT, or once time is up (a
            // handler that keeps posting must not hold the wait open).
            if (count == 0) {
                ::Sleep(remaining);
                return WAIT_TIMEOUT;
            }
            result = ::WaitForMultipleObjects(count, handles, FALSE, remaining);
        } else {
            result = ::MsgWaitForMultipleObjectsEx(count, handles, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (result == WAIT_OBJECT_0 + count) {
                pumped = true;
                if (!AfxPumpMessages())
                    quit = true;
                continue;
            }
        }
        if (result < WAIT_OBJECT_0 + count || (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count))
            return WAIT_OBJECT_0;
        if (result == WAIT_TIMEOUT)
            return WAIT_TIMEOUT;
        return WAIT_FAILED;
    }
}

} // namespace

CWinThread::CWinThread() {}

CWinThread::CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam)
    : m_pThreadParams(pParam), m_pfnThreadProc(pfnThreadProc)
{
}

CWinThread::~CWinThread()
{
    if (m_gate && m_nStartSuspendCount > 0) {
        // Never resumed: let the waiting thread end on its own.
        m_gate->abandoned = true;
        ::SetEvent(m_gate->hGate);
    }
    if (m_hThread)
        ::CloseHandle(m_hThread);
    if (t_pCurrentThread == this)
        t_pCurrentThread = nullptr;
}

BOOL CWinThread::CreateThread(DWORD dwCreateFlags, UINT nStackSize, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (m_hThread)
        return FALSE;
    auto gate = std::make_shared<StartGate>();
    gate->hGate = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE hReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!gate->hGate || !hReady) {
        if (hReady)
            ::CloseHandle(hReady);
        return FALSE;
    }

    // The system never suspends the thread; the gate holds it instead.
    Startup startup = {this, gate, hReady};
    unsigned threadId = 0;
    uintptr_t handle = _beginthreadex(lpSecurityAttrs, nStackSize, &ThreadEntry, &startup,
                                      dwCreateFlags & ~static_cast<DWORD>(CREATE_SUSPENDED), &threadId);
    if (!handle) {
        ::CloseHandle(hReady);
        return FALSE;
    }
    m_hThread = reinterpret_cast<HANDLE>(handle);
    m_nThreadID = threadId;

    HANDLE waits[2] = {hReady, m_hThread};
    DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    ::CloseHandle(hReady);
    if (result != WAIT_OBJECT_0) {
        ::CloseHandle(m_hThread);
        m_hThread = nullptr;
        m_nThreadID = 0;
        return FALSE;
    }

    m_gate = gate;
    if (dwCreateFlags & CREATE_SUSPENDED)
        m_nStartSuspendCount = 1;
    else
        ::SetEvent(gate->hGate); // from here on the thread may delete this
    return TRUE;
}

unsigned __stdcall CWinThread::ThreadEntry(void* pParam)
{
    Startup* startup = static_cast<Startup*>(pParam);
    CWinThread* pThread = startup->pThread;
    std::shared_ptr<StartGate> gate = startup->gate;
    t_pCurrentThread = pThread;

    // Create the message queue before the creator goes on.
    MSG msg;
    ::PeekMessageA(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(startup->hReady); // startup is gone after this

    ::WaitForSingleObject(gate->hGate, INFINITE);
    bool abandoned = gate->abandoned;
    gate.reset();
    if (abandoned) {
        t_pCurrentThread = nullptr;
        return 0;
    }

    UINT exitCode = AFX_THREAD_EXCEPTION_EXIT;
    RunWalled([&] {
        if (pThread->m_pfnThreadProc)
            exitCode = pThread->m_pfnThreadProc(pThread->m_pThreadParams);
        else if (!pThread->InitInstance())
            exitCode = static_cast<UINT>(pThread->ExitInstance());
        else
            exitCode = static_cast<UINT>(pThread->Run());
    });
    RunWalled([&] { pThread->Delete(); });
    t_pCurrentThread = nullptr;
    AfxDeleteTempMaps();
    return exitCode;
}

int CWinThread::GetThreadPriority()
{
    return ::GetThreadPriority(m_hThread);
}

BOOL CWinThread::SetThreadPriority(int nPriority)
{
    return ::SetThreadPriority(m_hThread, nPriority);
}

DWORD CWinThread::SuspendThread()
{
    if (m_nStartSuspendCount > 0)
        return static_cast<DWORD>(m_nStartSuspendCount++);
    return ::SuspendThread(m_hThread);
}

DWORD CWinThread::ResumeThread()
{
    if (m_nStartSuspendCount > 0) {
        DWORD previous = static_cast<DWORD>(m_nStartSuspendCount--);
        if (m_nStartSuspendCount == 0)
            ::SetEvent(m_gate->hGate); // from here on the thread may delete this
        return previous;
    }
    return ::ResumeThread(m_hThread);
}

BOOL CWinThread::PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::PostThreadMessageA(m_nThreadID, message, wParam, lParam);
}

BOOL CWinThread::InitInstance()
{
    return FALSE;
}

int CWinThread::ExitInstance()
{
    return static_cast<int>(m_msgCur.wParam);
}

int CWinThread::Run()
{
    BOOL idle = TRUE;
    LONG idleCount = 0;
    MSG peek;
    for (;;) {
        while (idle && !::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++))
                idle = FALSE;
        }
        do {
            if (!PumpMessage())
                return ExitInstance();
            if (IsIdleMessage(&m_msgCur)) {
                idle = TRUE;
                idleCount = 0;
            }
        } while (::PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE));
    }
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg)
{
    if (!pMsg->hwnd) {
        const AFX_MSGMAP_ENTRY* e = FindMessageEntry(pMsg->message, 0, 0);
        if (!e)
            return FALSE;
        e->pfn(this, pMsg->message, pMsg->wParam, pMsg->lParam);
        return TRUE;
    }
    return CWnd::WalkPreTranslateTree(nullptr, pMsg);
}

BOOL AfxPreTranslateMessage(MSG* pMsg)
{
    if (CWinThread* pThread = AfxGetThread())
        return pThread->PreTranslateMessage(pMsg);
    return pMsg->hwnd && CWnd::WalkPreTranslateTree(nullptr, pMsg);
}

BOOL CWinThread::PumpMessage()
{
    BOOL result = ::GetMessageA(&m_msgCur, nullptr, 0, 0);
    if (result == 0)
        return FALSE; // WM_QUIT
    if (result == -1) {
        ::OutputDebugStringA("GetMessage failed; the message loop ends\n");
        return FALSE;
    }
    if (!PreTranslateMessage(&m_msgCur)) {
        ::TranslateMessage(&m_msgCur);
        ::DispatchMessageA(&m_msgCur);
    }
    return TRUE;
}

void AfxDeleteTempMaps()
{
    CWnd::DeleteTempMap();
    CGdiObject::DeleteTempMap();
    CDC::DeleteTempMap();
    CMenu::DeleteTempMap();
    CImageList::DeleteTempMap();
}

BOOL CWinThread::OnIdle(LONG lCount)
{
    if (lCount == 0) {
        // The main window brings its command user interface (toolbar
        // buttons) up to date once per idle spell.
        HWND hWndMain = m_pMainWnd.GetSafeHwnd();
        if (hWndMain && ::IsWindowVisible(hWndMain) && ::GetWindowThreadProcessId(hWndMain, nullptr) == m_nThreadID)
            ::SendMessageA(hWndMain, 0x0363 /* WM_IDLEUPDATECMDUI */, TRUE, 0);
        // Temporary wrappers handed out while handling messages are no
        // longer referred to.
        AfxDeleteTempMaps();
    }
    return FALSE;
}

BOOL CWinThread::IsIdleMessage(MSG* pMsg)
{
    // A mouse move to where the cursor already was, a repaint and the caret
    // blink change nothing a command-state update would show.
    if (pMsg->message == WM_MOUSEMOVE || pMsg->message == WM_NCMOUSEMOVE) {
        if (pMsg->message == m_nMsgLast && pMsg->pt.x == m_ptCursorLast.x && pMsg->pt.y == m_ptCursorLast.y)
            return FALSE;
        m_ptCursorLast = pMsg->pt;
        m_nMsgLast = pMsg->message;
        return TRUE;
    }
    return pMsg->message != WM_PAINT && pMsg->message != WM_SYSTIMER;
}

void CWinThread::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

namespace {

// Starts a new thread object suspended, sets its priority, and lets it run
// unless the caller asked for it suspended.
CWinThread* StartThread(CWinThread* pThread, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                        LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (!pThread->CreateThread(dwCreateFlags | CREATE_SUSPENDED, nStackSize, lpSecurityAttrs)) {
        pThread->Delete();
        return nullptr;
    }
    pThread->SetThreadPriority(nPriority);
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        pThread->ResumeThread();
    return pThread;
}

} // namespace

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    CWinThread* pThread = new CWinThread(pfnThreadProc, pParam);
    return StartThread(pThread, nPriority, nStackSize, dwCreateFlags, lpSecurityAttrs);
}

CWinThread* AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority, UINT nStackSize, DWORD dwCreateFlags,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs)
{
    if (!pThreadClass || !pThreadClass->IsDerivedFrom(RUNTIME_CLASS(CWinThread)))
        return nullptr;
    CObject* pObject = pThreadClass->CreateObject();
    CWinThread* pThread = dynamic_cast<CWinThread*>(pObject);
    if (!pThread) {
        delete pObject;
        return nullptr;
    }
    return StartThread(pThread, nPriority, nStackSize, dwCreateFlags, lpSecurityAttrs);
}

CWinThread* AfxGetThread()
{
    return t_pCurrentThread;
}

void AfxSetCurrentThread(CWinThread* pThread)
{
    t_pCurrentThread = pThread;
}

void AfxEndThread(UINT nExitCode, BOOL bDelete)
{
    CWinThread* pThread = t_pCurrentThread;
    t_pCurrentThread = nullptr;
    if (pThread && bDelete)
        RunWalled([&] { pThread->Delete(); });
    _endthreadex(nExitCode);
}

BOOL AfxPumpMessages()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave the quit for the loop that owns this thread.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return FALSE;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
    return TRUE;
}

DWORD AfxWaitWithMessages(HANDLE h, DWORD timeoutMs)
{
    return WaitPumping(1, &h, timeoutMs);
}

void AfxSleepWithMessages(DWORD ms)
{
    WaitPumping(0, nullptr, ms);
}
