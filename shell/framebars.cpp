#include "shell/framebars.h"

#include <commctrl.h>

#include "framework/gdi.h"
#include "shell/mainframemessages.h"

BOOL CControlPanel::Create(CWnd* pFrame)
{
    // CCS_LEFT: the frame lays it out down its left side.
    return CreateEx(
        0, AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)),
        "Control Panel", WS_CHILD | WS_CLIPSIBLINGS | CCS_LEFT, CRect(0, 0, 0, 0), pFrame, IDW_CONTROL_PANEL);
}

void CControlPanel::MainFrameClosing()
{
    m_bClosing = TRUE;
    m_hWndProject = nullptr;
}

void CControlPanel::RequestEnableEditing() const
{
    if (!m_bClosing && ::IsWindow(m_hWndProject))
        ::PostMessageA(m_hWndProject, WM_PW_ENABLE_EDITING, 0, 0);
}

BEGIN_MESSAGE_MAP(CControllerMessageDlg, CWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_CLOSE()
END_MESSAGE_MAP()

BOOL CControllerMessageDlg::Create(CWnd* pFrame)
{
    m_hWndFrame = pFrame ? pFrame->GetSafeHwnd() : nullptr;
    return CreateEx(
        WS_EX_TOOLWINDOW,
        AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)),
        "Controller Messages", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, 0, 0, 400, 120, m_hWndFrame,
        nullptr);
}

int CControllerMessageDlg::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndList = ::CreateWindowExA(WS_EX_CLIENTEDGE, "LISTBOX", nullptr,
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOSEL, 0, 0, 10, 10,
                                   m_hWnd, nullptr, nullptr, nullptr);
    return m_hWndList ? 0 : -1;
}

void CControllerMessageDlg::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (m_hWndList)
        ::MoveWindow(m_hWndList, 0, 0, cx, cy, TRUE);
}

void CControllerMessageDlg::OnClose()
{
    ShowWindow(SW_HIDE);
    if (::IsWindow(m_hWndFrame))
        ::PostMessageA(m_hWndFrame, WM_HIDE_CONTROLLER_MESSAGES, 0, 0);
}

void CControllerMessageDlg::AddMessage(LPCSTR text)
{
    if (m_hWndList)
        ::SendMessageA(m_hWndList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text ? text : ""));
}

void CControllerMessageDlg::ClearMessages()
{
    if (m_hWndList)
        ::SendMessageA(m_hWndList, LB_RESETCONTENT, 0, 0);
}

int CControllerMessageDlg::GetMessageCount() const
{
    return m_hWndList ? static_cast<int>(::SendMessageA(m_hWndList, LB_GETCOUNT, 0, 0)) : 0;
}
