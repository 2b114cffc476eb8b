// Threads: CWinThread for worker threads (a function and a parameter) and
// user-interface threads (a CWinThread subclass with a message loop), and
// helpers that keep a thread's messages flowing while it waits.
//
// Start-up: every thread owns its message queue before its creator goes on,
// so a PostThreadMessage straight after creation (or after ResumeThread for
// a thread created with CREATE_SUSPENDED) is never lost. A thread created
// suspended waits on a private gate that the first ResumeThread opens; it is
// never suspended by the system while it might hold a lock.
//
// Ending: a thread ends when its function or Run returns. An auto-delete
// object (the default) deletes itself then, closing the thread handle; to
// wait on m_hThread, create the thread suspended, clear m_bAutoDelete and
// delete the object yourself after the wait. Nothing thrown inside a thread
// escapes it: the thread reports the exception with OutputDebugString and
// ends with AFX_THREAD_EXCEPTION_EXIT.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/cmdtarget.h"

class CWnd;

typedef UINT(__cdecl* AFX_THREADPROC)(LPVOID);

// A thread's main window: set and used on that thread like a plain
// pointer. Other threads may ask for the window's handle only
// (GetSafeHwnd), and that is safe while the owning thread replaces or
// deletes the object: a window object that is destroyed clears every main
// window pointer to it under the same lock.
class CMainWndPtr {
public:
    CMainWndPtr();
    ~CMainWndPtr();
    CMainWndPtr(const CMainWndPtr&) = delete;
    CMainWndPtr& operator=(const CMainWndPtr&) = delete;

    CMainWndPtr& operator=(CWnd* pWnd);
    operator CWnd*() const { return m_pWnd.load(); }
    CWnd* operator->() const { return m_pWnd.load(); }
    // The handle of the window; null without one. From any thread.
    HWND GetSafeHwnd() const;
    // A window object is going: every main window pointer to it becomes
    // null (~CWnd calls this).
    static void Forget(CWnd* pWnd);

private:
    std::atomic<CWnd*> m_pWnd{nullptr};
};

// Exit code of a thread that ended with an exception.
const UINT AFX_THREAD_EXCEPTION_EXIT = 0xFFFFFFFF;

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)
public:
    // A user-interface thread: derive, override InitInstance (and usually
    // ExitInstance), declare the class DYNCREATE and start it with
    // AfxBeginThread(RUNTIME_CLASS(...)).
    CWinThread();
    // A worker thread running pfnThreadProc(pParam).
    CWinThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam);
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    // Starts the thread; returns once its message queue exists. With
    // CREATE_SUSPENDED it runs nothing until ResumeThread.
    BOOL CreateThread(DWORD dwCreateFlags = 0, UINT nStackSize = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

    operator HANDLE() const { return m_hThread; }
    int GetThreadPriority();
    BOOL SetThreadPriority(int nPriority);
    // Both return the previous suspend count, or (DWORD)-1 on failure.
    DWORD SuspendThread();
    DWORD ResumeThread();
    BOOL PostThreadMessage(UINT message, WPARAM wParam, LPARAM lParam);

    virtual CWnd* GetMainWnd() { return m_pMainWnd; }

    // Per-thread set-up; FALSE ends the thread after ExitInstance.
    virtual BOOL InitInstance();
    // Clean-up; the result is the thread's exit code. The default gives
    // the code passed to PostQuitMessage.
    virtual int ExitInstance();
    // The message loop: idle processing while the queue is empty, then
    // messages until WM_QUIT; returns ExitInstance's result.
    virtual int Run();
    // First look at every message the loop takes; TRUE means handled and
    // not dispatched. The default hands thread messages (no window) to
    // this thread's message map (ON_THREAD_MESSAGE), and window messages
    // to PreTranslateMessage of the window and each of its parents.
    virtual BOOL PreTranslateMessage(MSG* pMsg);
    // Takes one message (waiting if needed) and dispatches it; FALSE on
    // WM_QUIT.
    virtual BOOL PumpMessage();
    // Called while the queue is empty with a count that starts at 0; TRUE
    // asks for more idle calls.
    virtual BOOL OnIdle(LONG lCount);
    // Whether a message should start a new round of idle processing.
    virtual BOOL IsIdleMessage(MSG* pMsg);
    // Frees the object when m_bAutoDelete is set.
    virtual void Delete();

    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    BOOL m_bAutoDelete = TRUE;
    CMainWndPtr m_pMainWnd;
    LPVOID m_pThreadParams = nullptr;
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    MSG m_msgCur = {}; // the message being handled

private:
    struct StartGate;
    struct Startup;
    static unsigned __stdcall ThreadEntry(void* pParam);

    std::shared_ptr<StartGate> m_gate;
    LONG m_nStartSuspendCount = 0; // start-up suspends not yet resumed
    POINT m_ptCursorLast = {-1, -1};
    UINT m_nMsgLast = 0;
};

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int nPriority = THREAD_PRIORITY_NORMAL,
                           UINT nStackSize = 0, DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
// pThreadClass must be a creatable class derived from CWinThread.
CWinThread* AfxBeginThread(CRuntimeClass* pThreadClass, int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0, LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);

// The CWinThread object of the calling thread, or null.
CWinThread* AfxGetThread();
// For the application object, whose thread is not started by CreateThread.
void AfxSetCurrentThread(CWinThread* pThread);
// Ends the calling thread at once, like ExitThread: objects on its stack
// are not destroyed, so prefer returning from the thread function.
[[noreturn]] void AfxEndThread(UINT nExitCode, BOOL bDelete = TRUE);

// Dispatches every message waiting in this thread's queue (through the
// current thread's PreTranslateMessage). On WM_QUIT it posts the quit again
// for the outer loop and returns FALSE.
BOOL AfxPumpMessages();
// Frees the calling thread's temporary window, GDI, menu and image-list
// wrappers (at idle, and when a framework thread ends).
void AfxDeleteTempMaps();
// The pre-translation of a message on this thread: the thread object's
// PreTranslateMessage, or the window chain's on a thread without one.
BOOL AfxPreTranslateMessage(MSG* pMsg);
// Waits up to timeoutMs for h while dispatching this thread's messages:
// WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED. After WM_QUIT it stops
// dispatching and waits for the rest of the time only.
DWORD AfxWaitWithMessages(HANDLE h, DWORD timeoutMs);
// Lets ms milliseconds pass while dispatching this thread's messages.
void AfxSleepWithMessages(DWORD ms);
