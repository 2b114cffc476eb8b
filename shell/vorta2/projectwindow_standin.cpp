#include "shell/vorta2/projectwindow_standin.h"

#include "framework/app.h"
#include "shell/mainframemessages.h"
#include "ui/toolmessages.h"

IMPLEMENT_DYNCREATE(CProjectWndStandIn, CWnd)

CProjectWndStandIn::CProjectWndStandIn()
{
    CWinApp* pApp = AfxGetApp();
    CreateProjectWindow(pApp ? pApp->m_pMainWnd.GetSafeHwnd() : nullptr);
}

BOOL CProjectWndStandIn::CreateProjectWindow(HWND hWndFrame)
{
    m_hWndFrame = hWndFrame;
    if (!CreateEx(0, AfxRegisterWndClass(0), "Project", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr))
        return FALSE;
    ::PostMessageA(m_hWndFrame, WM_PROJECT_WINDOW_STARTED, 0, reinterpret_cast<LPARAM>(static_cast<CWnd*>(this)));
    ::PostMessageA(m_hWndFrame, WM_READY, 0, 0);
    return TRUE;
}

LRESULT CProjectWndStandIn::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message < WM_APP + 0x100 || message > WM_APP + 0x1F6)
        return CWnd::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_GET_WINDOW_OBJECT:
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(this));
    case WM_REGISTER_TOOL_WINDOW:
        ++m_nRegistered;
        return MAKELONG(40, 30);
    case WM_UNREGISTER_TOOL_WINDOW:
        if (m_nRegistered > 0)
            --m_nRegistered;
        return 0;
    case WM_PW_QUERY_REGISTERED_COUNT:
        return m_nRegistered;
    case WM_DESTROY_REQUEST:
        DestroyWindow();
        return 0;
    default:
        break;
    }
    // A sent message is a query: nothing to report. A posted one is a
    // command: done at once, so the frame is ready again.
    if (!::InSendMessage())
        ::PostMessageA(m_hWndFrame, WM_READY, 0, 0);
    return 0;
}

void CProjectWndStandIn::PostNcDestroy()
{
    if (::IsWindow(m_hWndFrame))
        ::PostMessageA(m_hWndFrame, WM_PROJECT_WINDOW_GOING, 0, 0);
    ::PostQuitMessage(0);
    delete this;
}
