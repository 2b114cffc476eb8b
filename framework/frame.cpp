#include "framework/frame.h"

#include "framework/app.h"
#include "framework/cstring.h"
#include "framework/prompt.h"
#include "framework/resources.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass) {
        HICON hIcon = nullptr;
        if (m_nIDResource) {
            const LPCSTR name = MAKEINTRESOURCEA(m_nIDResource);
            hIcon = ::LoadIconA(AfxFindResourceHandle(name, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), name);
        }
        cs.lpszClass = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, IDC_ARROW),
                                           reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1), hIcon);
    }
    return CWnd::PreCreateWindow(cs);
}

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, void*)
{
    m_nIDResource = nIDResource;
    CString title;
    if (title.LoadString(nIDResource)) {
        if (title.Find('\n') >= 0)
            title = title.Left(title.Find('\n'));
    } else {
        title = AfxGetAppName();
    }
    const LPCSTR name = MAKEINTRESOURCEA(nIDResource);
    HINSTANCE hMenuModule = AfxFindResourceHandle(name, MAKEINTRESOURCEA(4) /* RT_MENU */);
    HMENU hMenu = ::FindResourceA(hMenuModule, name, MAKEINTRESOURCEA(4)) ? ::LoadMenuA(hMenuModule, name) : nullptr;
    if (!CreateEx(0, nullptr, title, dwDefaultStyle, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                  pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, hMenu)) {
        if (hMenu && !m_hWnd)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    m_bCreated = TRUE;
    return TRUE;
}

BOOL CFrameWnd::OnCmdMsg(UINT nID, int nCode, void* pExtra)
{
    if (CWnd::OnCmdMsg(nID, nCode, pExtra))
        return TRUE;
    CWinApp* pApp = AfxGetApp();
    return pApp && pApp->OnCmdMsg(nID, nCode, pExtra);
}

BOOL CFrameWnd::HasCommandHandler(UINT nID) const
{
    if (CWnd::HasCommandHandler(nID))
        return TRUE;
    const CWinApp* pApp = AfxGetApp();
    return pApp && pApp->HasCommandHandler(nID);
}

void CFrameWnd::PostNcDestroy()
{
    if (m_bCreated)
        delete this;
}
