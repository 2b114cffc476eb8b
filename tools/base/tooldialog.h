// CToolDialog: a live tool as a modeless dialog on a thread of its own (the
// shell's CShellToolDialog) with the tool-window parts: registration at
// the project window's place while the window is created (a refusal or no
// project window fails the creation), the large icon 101, the answers to
// 0x8105, 0x8147 and 0x8148, the saved record applied during
// initialisation, the busy depth, Close and the destroy request that wait
// while busy, 0x8104 when the window goes, and the replies queued for the
// window's thread.
//
// A tool derives from it, gives its template, tool id and name, and puts
// its start in OnInitTool; the project window's launcher makes it on a
// thread of its own (see tools/base/toolcreators.h).
#pragma once

#include <windows.h>

#include <deque>
#include <initializer_list>
#include <vector>

#include "shell/tooldialog.h"
#include "tools/base/toolwindow.h"

namespace tools {

class CToolDialog : public CShellToolDialog, public CToolWindowParts {
    DECLARE_DYNAMIC(CToolDialog)
public:
    // hWndProject: the project window to register with; looked up through
    // the main frame when it is no window.
    CToolDialog(UINT nIDTemplate, UINT toolId, LPCSTR name, int replyClass = 1, HWND hWndProject = nullptr);

    // Makes the window on the calling thread, without a parent. FALSE when
    // it was not made: the object is then deleted.
    BOOL CreateTool();

    // The commands as one sequence, busy meanwhile; the command-channel
    // replies in replies. TRUE when every command succeeded.
    BOOL Send(std::initializer_list<CommandItem> items, std::vector<ControllerMessage>* replies = nullptr);
    // A message box owned by the dialog (through the prompt service), busy
    // while it is open; the button chosen.
    int Ask(LPCSTR text, LPCSTR caption, UINT type = MB_OK);

protected:
    // The tool's own start, at the end of OnInitDialog, still busy: the
    // answer of OnInitDialog.
    virtual BOOL OnInitTool() { return TRUE; }
    // The replies QueueForWindow put aside, on the window's thread.
    virtual void OnQueuedReplies(std::deque<ControllerMessage>& replies) {}

    BOOL OnInitDialog() override;
    // Close (also Cancel and Escape): waits while busy.
    void OnCancel() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnClose();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnToolDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnToolReplyClass(WPARAM wParam, LPARAM lParam);
    LRESULT OnToolRestoreRecord(WPARAM wParam, LPARAM lParam);
    LRESULT OnToolSaveRecord(WPARAM wParam, LPARAM lParam);
    LRESULT OnToolRepliesWaiting(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    UINT m_nTemplate;
    HWND m_hWndGivenProject;
};

} // namespace tools
