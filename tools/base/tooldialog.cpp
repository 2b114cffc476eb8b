#include "tools/base/tooldialog.h"

#include "framework/app.h"
#include "framework/resources.h"
#include "framework/prompt.h"

namespace tools {

namespace {
const UINT kToolIconId = 101;
}

IMPLEMENT_DYNAMIC(CToolDialog, CShellToolDialog)

BEGIN_MESSAGE_MAP(CToolDialog, CShellToolDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_CLOSE()
ON_WM_TIMER()
ON_MESSAGE(WM_TOOL_DESTROY_REQUEST, OnToolDestroyRequest)
ON_MESSAGE(WM_TOOL_REPLY_CLASS, OnToolReplyClass)
ON_MESSAGE(WM_TOOL_RESTORE_RECORD, OnToolRestoreRecord)
ON_MESSAGE(WM_TOOL_SAVE_RECORD, OnToolSaveRecord)
ON_MESSAGE(WM_TOOL_REPLIES_WAITING, OnToolRepliesWaiting)
END_MESSAGE_MAP()

CToolDialog::CToolDialog(UINT nIDTemplate, UINT toolId, LPCSTR name, int replyClass, HWND hWndProject)
    : CShellToolDialog(nIDTemplate, nullptr, toolId, name, hWndProject), CToolWindowParts(toolId, name, replyClass),
      m_nTemplate(nIDTemplate), m_hWndGivenProject(hWndProject)
{
}

BOOL CToolDialog::CreateTool()
{
    return CreateOrDelete(MAKEINTRESOURCEA(m_nTemplate), nullptr);
}

int CToolDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    // The shell dialog's own registration is replaced by the tool's, which
    // also takes the answered place.
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    const LPCSTR icon = MAKEINTRESOURCEA(kToolIconId);
    HICON hIcon = ::LoadIconA(AfxFindResourceHandle(icon, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), icon);
    SetIcon(hIcon ? hIcon : ::LoadIconA(nullptr, IDI_APPLICATION), TRUE);
    return Register(m_hWnd, m_hWndGivenProject) ? 0 : -1;
}

BOOL CToolDialog::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    ApplyRestoreRecord(m_hWnd);
    const BOOL result = OnInitTool();
    EndStart();
    // A window the user opens comes up in front (a restored one as its
    // record shows it).
    if (!IsWindowVisible())
        ShowWindow(SW_SHOWNORMAL);
    ::SetForegroundWindow(m_hWnd);
    return result;
}

BOOL CToolDialog::Send(std::initializer_list<CommandItem> items, std::vector<ControllerMessage>* replies)
{
    return CToolWindowParts::Send(m_hWnd, items, replies);
}

int CToolDialog::Ask(LPCSTR text, LPCSTR caption, UINT type)
{
    CBusy busy(*this);
    return AfxGetPromptService().Prompt(m_hWnd, text, caption, type);
}

void CToolDialog::OnCancel()
{
    OnClose();
}

void CToolDialog::OnClose()
{
    if (HandleDestroyRequest(m_hWnd))
        DestroyWindow();
}

LRESULT CToolDialog::OnToolDestroyRequest(WPARAM, LPARAM)
{
    OnClose();
    return 0;
}

void CToolDialog::OnTimer(UINT_PTR nIDEvent)
{
    HandleTimer(m_hWnd, nIDEvent);
}

void CToolDialog::OnDestroy()
{
    HandleWindowDestroy(m_hWnd);
    CDialog::OnDestroy();
}

LRESULT CToolDialog::OnToolReplyClass(WPARAM wParam, LPARAM lParam)
{
    return AnswerReplyClass(wParam, lParam);
}

LRESULT CToolDialog::OnToolRestoreRecord(WPARAM, LPARAM lParam)
{
    return TakeRestoreRecord(lParam);
}

LRESULT CToolDialog::OnToolSaveRecord(WPARAM, LPARAM lParam)
{
    return FillSaveRecord(m_hWnd, lParam);
}

LRESULT CToolDialog::OnToolRepliesWaiting(WPARAM, LPARAM)
{
    std::deque<ControllerMessage> replies = TakeQueued();
    if (!replies.empty() && !IsClosing())
        OnQueuedReplies(replies);
    return 0;
}

} // namespace tools
