#include "editor/editortool.h"

#include <memory>

#include "editor/editframe.h"
#include "framework/thread.h"
#include "project/projectwnd.h"

namespace editor {

namespace {

// How a frame's creation ended, shared by the thread that makes it and the
// one that waits: the thread object is gone once a creation failed.
struct CCreation {
    CCreation() : done(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~CCreation() { ::CloseHandle(done); }
    CCreation(const CCreation&) = delete;
    CCreation& operator=(const CCreation&) = delete;

    HANDLE done;
    HWND frame = nullptr;
};

// A frame's creation runs the project window's registration and the
// document's opening; it is bounded so that a lost thread never holds the
// project window. Real time: it waits for a thread to start, not for the
// controller.
const DWORD kCreationWaitMs = 30000;

class CEditorThread : public CWinThread {
    DECLARE_DYNCREATE(CEditorThread)
public:
    void SetCreation(std::shared_ptr<CCreation> creation) { m_creation = std::move(creation); }

    BOOL InitInstance() override
    {
        auto* frame = new CEditRFrame;
        if (!frame->m_hWnd) {
            // A frame whose creation failed is its creator's.
            delete frame;
            Finish(nullptr);
            return FALSE;
        }
        m_pMainWnd = frame;
        Finish(frame->m_hWnd);
        return TRUE;
    }

private:
    void Finish(HWND frame)
    {
        if (!m_creation)
            return;
        m_creation->frame = frame;
        ::SetEvent(m_creation->done);
        m_creation.reset();
    }

    std::shared_ptr<CCreation> m_creation;
};

IMPLEMENT_DYNCREATE(CEditorThread, CWinThread)

} // namespace

HWND CreateEditorFrameThread()
{
    auto creation = std::make_shared<CCreation>();
    auto* thread = dynamic_cast<CEditorThread*>(
        AfxBeginThread(RUNTIME_CLASS(CEditorThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!thread)
        return nullptr;
    thread->SetCreation(creation);
    HANDLE threadHandle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &threadHandle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    // Only the sent messages are answered meanwhile (the frame registers
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
    return ::WaitForSingleObject(creation->done, 0) == WAIT_OBJECT_0 ? creation->frame : nullptr;
}

void RegisterEditorTool()
{
    CProjectWnd::RegisterToolCreator(
        TOOL_EDITOR, [](CProjectWnd&, int) -> BOOL { return CreateEditorFrameThread() ? TRUE : FALSE; },
        RUNTIME_CLASS(CEditRFrame));
}

} // namespace editor
