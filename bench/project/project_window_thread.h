// The project window of the project benchmarks: started on a thread of its
// own (a CVexoThread), as the program's main frame starts it.
#pragma once

#include <windows.h>

#include "link/vexothread.h"
#include "project/projectwnd.h"
#include "testsupport/test_window.h"

// The window, or null; threadHandle receives a handle of its thread, which
// the caller closes.
inline HWND StartProjectWindowThread(HANDLE& threadHandle)
{
    auto* thread = static_cast<CVexoThread*>(
        AfxBeginThread(RUNTIME_CLASS(CVexoThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    thread->SetWindowClass(RUNTIME_CLASS(CProjectWnd));
    threadHandle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &threadHandle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    PumpUntil([&] { return thread->GetWindowHandle() != nullptr; }, 10000);
    return thread->GetWindowHandle();
}
