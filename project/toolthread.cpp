#include "project/toolthread.h"

#include <memory>
#include <utility>

#include "framework/thread.h"
#include "framework/wnd.h"
#include "project/fastloadprogram.h"
#include "project/projectmessages.h"
#include "project/projectwnd.h"

namespace {

// How a creation ended, shared by the thread that makes the window and the
// one that waits: the thread object is gone once a creation failed.
struct CCreation {
    CCreation() : done(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CCreation() { ::CloseHandle(done); }
    CCreation(const CCreation&) = delete;
    CCreation& operator=(const CCreation&) = delete;

    HANDLE done;
    HWND window = nullptr;
};

// A creation runs the project window's registration (and, for an editor,
// the document's opening); it is bounded so that a lost thread never holds
// the project window. Real time: it waits for a thread to start, not for
// the controller.
const DWORD kCreationWaitMs = 30000;

class CToolWindowThread : public CWinThread {
    DECLARE_DYNCREATE(CToolWindowThread)
public:
    void SetCreation(std::shared_ptr<CCreation> creation, std::function<CWnd*()> make)
    {
        m_creation = std::move(creation);
        m_make = std::move(make);
    }

    BOOL InitInstance() override
    {
        CWnd* window = m_make ? m_make() : nullptr;
        if (!window || !::IsWindow(window->GetSafeHwnd())) {
            Finish(nullptr);
            return FALSE;
        }
        m_pMainWnd = window;
        // The window the user asked for comes up in front (a template may
        // leave it hidden).
        const HWND hWnd = window->GetSafeHwnd();
        if (!::IsWindowVisible(hWnd))
            window->ShowWindow(SW_SHOW);
        ::SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        ::SetForegroundWindow(hWnd);
        Finish(hWnd);
        return TRUE;
    }

private:
    void Finish(HWND window)
    {
        if (!m_creation)
            return;
        m_creation->window = window;
        ::SetEvent(m_creation->done);
        m_creation.reset();
    }

    std::shared_ptr<CCreation> m_creation;
    std::function<CWnd*()> m_make;
};

IMPLEMENT_DYNCREATE(CToolWindowThread, CWinThread)

} // namespace

HWND CreateWindowOnThread(std::function<CWnd*()> make)
{
    auto creation = std::make_shared<CCreation>();
    auto* thread = dynamic_cast<CToolWindowThread*>(
        AfxBeginThread(RUNTIME_CLASS(CToolWindowThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!thread)
        return nullptr;
    thread->SetCreation(creation, std::move(make));
    HANDLE threadHandle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &threadHandle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    // Only the sent messages are answered meanwhile (the window registers
    // and asks its questions by SendMessage); posted ones wait, so nothing
    // else of this thread runs in the middle of the creation.
    const HANDLE handles[] = {creation->done, threadHandle};
    const DWORD count = threadHandle ? 2 : 1;
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        if (::WaitForSingleObject(creation->done, 0) == WAIT_OBJECT_0)
            break;
        if (threadHandle && ::WaitForSingleObject(threadHandle, 0) == WAIT_OBJECT_0)
            break;
        const DWORD waited = ::GetTickCount() - start;
        if (waited >= kCreationWaitMs)
            break;
        ::MsgWaitForMultipleObjects(count, handles, FALSE, kCreationWaitMs - waited, QS_SENDMESSAGE);
    }
    if (threadHandle)
        ::CloseHandle(threadHandle);
    return ::WaitForSingleObject(creation->done, 0) == WAIT_OBJECT_0 ? creation->window : nullptr;
}

void RegisterFastLoadProgramTool()
{
    CProjectWnd::RegisterToolCreator(
        TOOL_ID_FAST_LOAD_PROGRAM,
        [](CProjectWnd&, int) -> BOOL {
            const HWND window = CreateWindowOnThread([]() -> CWnd* {
                auto* load = new CFastLoadProgram;
                // A window that could not be made has deleted itself.
                return load->Create() ? load : nullptr;
            });
            return window ? TRUE : FALSE;
        },
        RUNTIME_CLASS(CFastLoadProgram));
}
