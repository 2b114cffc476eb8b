// CVexoThread: the user-interface thread on which a window is made from its
// run-time class: the project window, a tool window, a link's receive
// window. The starter begins it suspended, names the class (and, where the
// thread's message boxes should belong to another window, that window),
// then resumes it. The class's object creates its window when it is
// constructed; that window is the thread's main window, so the thread ends
// when the window goes.
#pragma once

#include <windows.h>

#include <atomic>

#include "framework/thread.h"

class CVexoThread : public CWinThread {
    DECLARE_DYNCREATE(CVexoThread)
public:
    CVexoThread() = default;

    // Set before the thread is resumed.
    void SetWindowClass(CRuntimeClass* pWindowClass) { m_pWindowClass = pWindowClass; }
    void SetMainWindowHandle(HWND hWndMain) { m_hWndMain = hWndMain; }

    // The window made on the thread; null until it exists and after the
    // thread has ended. From any thread.
    HWND GetWindowHandle() const { return m_hWnd.load(); }

    // Makes the object of the class and keeps its window; without a class,
    // or when no window comes of it, shows why and ends the thread.
    BOOL InitInstance() override;
    int ExitInstance() override;
    // The window of the main-window handle when one was given, else the
    // thread's own main window.
    CWnd* GetMainWnd() override;

private:
    CRuntimeClass* m_pWindowClass = nullptr;
    HWND m_hWndMain = nullptr;
    std::atomic<HWND> m_hWnd{nullptr};
};
