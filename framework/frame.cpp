#include "framework/frame.h"

#include <commctrl.h>

#include "framework/app.h"
#include "framework/cmdui.h"
#include "framework/cstring.h"
#include "framework/docview.h"
#include "framework/menu.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/statusbar.h"
#include "framework/toolbar.h"

IMPLEMENT_DYNCREATE(CFrameWnd, CWnd)
IMPLEMENT_DYNCREATE(CMDIFrameWnd, CFrameWnd)

BEGIN_MESSAGE_MAP(CFrameWnd, CWnd)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_INITMENUPOPUP()
ON_MESSAGE(WM_MENUSELECT, OnMenuSelect)
ON_MESSAGE(WM_IDLEUPDATECMDUI, OnIdleUpdateCmdUI)
END_MESSAGE_MAP()

namespace {

// A command's state as its update handler leaves it, without any user
// interface to change.
class CTestCmdUI : public CCmdUI {
public:
    void Enable(BOOL bOn) override
    {
        m_bEnabled = bOn;
        m_bEnableChanged = TRUE;
    }
    void SetCheck(int) override {}
    void SetRadio(BOOL) override {}
    void SetText(LPCTSTR) override {}
    BOOL m_bEnabled = TRUE;
};

} // namespace

CFrameWnd::~CFrameWnd()
{
    if (m_hAccelTable)
        ::DestroyAcceleratorTable(m_hAccelTable);
}

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

BOOL CFrameWnd::LoadFrame(UINT nIDResource, DWORD dwDefaultStyle, CWnd* pParentWnd, void* pContext)
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
    HINSTANCE hAccelModule = AfxFindResourceHandle(name, MAKEINTRESOURCEA(9) /* RT_ACCELERATOR */);
    if (!m_hAccelTable && ::FindResourceA(hAccelModule, name, MAKEINTRESOURCEA(9)))
        m_hAccelTable = ::LoadAcceleratorsA(hAccelModule, name);
    return CreateFrame(0, nullptr, title, dwDefaultStyle, CRect(CW_USEDEFAULT, 0, 0, 0), pParentWnd, hMenu, pContext);
}

BOOL CFrameWnd::CreateFrame(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle,
                            const RECT& rect, CWnd* pParentWnd, HMENU hMenu, void* pContext)
{
    const bool defaultPlace = rect.left == CW_USEDEFAULT;
    m_pCreateContext = pContext;
    const BOOL created = CreateEx(
        dwExStyle, lpszClassName, lpszWindowName, dwStyle, defaultPlace ? CW_USEDEFAULT : rect.left,
        defaultPlace ? CW_USEDEFAULT : rect.top, defaultPlace ? CW_USEDEFAULT : rect.right - rect.left,
        defaultPlace ? CW_USEDEFAULT : rect.bottom - rect.top, pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr, hMenu);
    m_pCreateContext = nullptr;
    if (!created) {
        if (hMenu && ::IsMenu(hMenu) && !m_hWnd)
            ::DestroyMenu(hMenu);
        return FALSE;
    }
    m_bCreated = TRUE;
    return TRUE;
}

int CFrameWnd::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CWnd::OnCreate(lpCreateStruct) == -1)
        return -1;
    return OnCreateClient(lpCreateStruct, m_pCreateContext) ? 0 : -1;
}

BOOL CFrameWnd::OnCreateClient(LPCREATESTRUCT, void* pContext)
{
    auto* pCreateContext = static_cast<CCreateContext*>(pContext);
    if (pCreateContext && pCreateContext->m_pNewViewClass)
        return CreateView(pCreateContext) != nullptr;
    return TRUE;
}

BOOL CFrameWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                       LPCTSTR lpszMenuName, DWORD dwExStyle, CCreateContext* pContext)
{
    HMENU hMenu = nullptr;
    if (lpszMenuName) {
        HINSTANCE hModule = AfxFindResourceHandle(lpszMenuName, MAKEINTRESOURCEA(4) /* RT_MENU */);
        hMenu = ::LoadMenuA(hModule, lpszMenuName);
    }
    // A further frame of the program given no owner is owned by the
    // program's main window, so that it stays in front of it whenever the
    // main window comes to the top.
    CWnd mainWindow;
    if (!pParentWnd && !(dwStyle & WS_CHILD) && ::IsWindow(AfxGetMainWndHandle())) {
        mainWindow.m_hWnd = AfxGetMainWndHandle();
        pParentWnd = &mainWindow;
    }
    const BOOL created =
        CreateFrame(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect, pParentWnd, hMenu, pContext);
    mainWindow.m_hWnd = nullptr; // names a window it does not own
    return created;
}

CWnd* CFrameWnd::CreateView(CCreateContext* pContext, UINT nID)
{
    if (!pContext || !pContext->m_pNewViewClass)
        return nullptr;
    CObject* pObject = pContext->m_pNewViewClass->CreateObject();
    auto* pView = DYNAMIC_DOWNCAST(CWnd, pObject);
    if (!pView) {
        delete pObject;
        return nullptr;
    }
    // A view that is created deletes itself when its window goes.
    if (!pView->Create(nullptr, nullptr, AFX_WS_DEFAULT_VIEW, CRect(0, 0, 0, 0), this, nID, pContext)) {
        if (!pView->m_hWnd)
            delete pView;
        return nullptr;
    }
    return pView;
}

CView* CFrameWnd::GetActiveView() const
{
    return DYNAMIC_DOWNCAST(CView,
                            CWnd::FromHandlePermanent(::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_PANE_FIRST))));
}

void CFrameWnd::InitialUpdateFrame(CDocument* pDoc, BOOL bMakeVisible)
{
    if (pDoc) {
        for (POSITION position = pDoc->GetFirstViewPosition(); position;) {
            CView* pView = pDoc->GetNextView(position);
            if (pView && pView->GetParent() == this)
                pView->OnInitialUpdate();
        }
    }
    RecalcLayout();
    if (bMakeVisible) {
        ShowWindow(SW_SHOWNORMAL);
        UpdateWindow();
    }
}

HWND CFrameWnd::GetClientWindow() const
{
    return ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_PANE_FIRST));
}

BOOL CFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (m_hAccelTable && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST &&
        ::TranslateAcceleratorA(m_hWnd, m_hAccelTable, pMsg))
        return TRUE;
    return CWnd::PreTranslateMessage(pMsg);
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

BOOL CFrameWnd::IsCommandEnabled(UINT nID)
{
    CTestCmdUI state;
    state.m_nID = nID;
    OnCmdMsg(nID, static_cast<int>(CN_UPDATE_COMMAND_UI), &state);
    return state.m_bEnabled;
}

BOOL CFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    const UINT nCode = HIWORD(wParam);
    // A menu item, accelerator or toolbar button whose update handler
    // disables the command does nothing, even when the user got to it
    // before its state was refreshed.
    const bool fromUser = lParam == 0 || ::GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == AFX_IDW_TOOLBAR;
    if (fromUser && (nCode == 0 || nCode == 1) && !IsCommandEnabled(nID))
        return TRUE;
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // The toolbar's hot button shows its command's prompt in the message
    // bar while the pointer is over it, as a selected menu item does.
    const auto* pHeader = reinterpret_cast<const NMHDR*>(lParam);
    if (pHeader && pHeader->code == TBN_HOTITEMCHANGE && pHeader->idFrom == AFX_IDW_TOOLBAR) {
        const auto* pHot = reinterpret_cast<const NMTBHOTITEM*>(lParam);
        CString prompt;
        if (!(pHot->dwFlags & HICF_LEAVING))
            GetMessageString(static_cast<UINT>(pHot->idNew), prompt);
        SetMessageText(prompt);
        *pResult = 0; // the button may become hot
        return TRUE;
    }
    auto* pInfo = reinterpret_cast<NMTTDISPINFOA*>(lParam);
    if (pInfo && pInfo->hdr.code == TTN_GETDISPINFOA && !(pInfo->uFlags & TTF_IDISHWND)) {
        CString text;
        const UINT nID = static_cast<UINT>(pInfo->hdr.idFrom);
        if (nID != 0 && text.LoadString(nID)) {
            const int newline = text.Find('\n');
            text = newline >= 0 ? text.Mid(newline + 1) : CString();
        }
        ::lstrcpynA(pInfo->szText, text, static_cast<int>(sizeof pInfo->szText));
        pInfo->lpszText = pInfo->szText;
        *pResult = 0;
        return TRUE;
    }
    return CWnd::OnNotify(wParam, lParam, pResult);
}

CWnd* CFrameWnd::GetMessageBar() const
{
    HWND hWndBar = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_STATUS_BAR));
    return hWndBar ? CWnd::FromHandle(hWndBar) : nullptr;
}

void CFrameWnd::GetMessageString(UINT nID, CString& rMessage) const
{
    rMessage.Empty();
    CString text;
    if (nID != 0 && text.LoadString(nID)) {
        const int newline = text.Find('\n');
        rMessage = newline >= 0 ? text.Left(newline) : text;
    }
}

void CFrameWnd::SetMessageText(LPCTSTR lpszText)
{
    CWnd* pBar = GetMessageBar();
    if (!pBar)
        return;
    if (auto* pStatus = DYNAMIC_DOWNCAST(CStatusBar, pBar))
        pStatus->SetPaneText(0, lpszText);
    else
        pBar->SendMessage(SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(lpszText ? lpszText : ""));
}

LRESULT CFrameWnd::OnMenuSelect(WPARAM wParam, LPARAM lParam)
{
    const UINT nItem = LOWORD(wParam);
    const UINT nFlags = HIWORD(wParam);
    if (nFlags == 0xFFFF && lParam == 0) {
        SetMessageText(""); // the menu closed
    } else if (nFlags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)) {
        SetMessageText("");
    } else {
        CString prompt;
        GetMessageString(nItem, prompt);
        SetMessageText(prompt);
    }
    return 0;
}

void CFrameWnd::OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL bSysMenu)
{
    if (bSysMenu || !pPopupMenu)
        return;
    HMENU hMenu = pPopupMenu->GetSafeHmenu();
    const int count = ::GetMenuItemCount(hMenu);
    CCmdUI state;
    state.m_hMenu = hMenu;
    state.m_nIndexMax = static_cast<UINT>(count < 0 ? 0 : count);
    for (int i = 0; i < count; ++i) {
        const UINT nID = ::GetMenuItemID(hMenu, i);
        // Submenus (-1) and separators (0) have no command.
        if (nID == 0 || nID == static_cast<UINT>(-1))
            continue;
        state.m_nIndex = static_cast<UINT>(i);
        state.m_nID = nID;
        state.DoUpdate(this, FALSE);
    }
}

void CFrameWnd::UpdateToolBarCmdUI()
{
    HWND hWndBar = GetControlBarHwnd(AFX_IDW_TOOLBAR);
    auto* pBar = DYNAMIC_DOWNCAST(CToolBar, CWnd::FromHandlePermanent(hWndBar));
    if (pBar && pBar->IsWindowVisible())
        pBar->OnUpdateCmdUI(this, FALSE);
}

LRESULT CFrameWnd::OnIdleUpdateCmdUI(WPARAM, LPARAM)
{
    if (IsWindowVisible())
        UpdateToolBarCmdUI();
    return 0;
}

namespace {

// The docked bar hWnd belongs to, or null.
CControlBar* DockedBar(HWND hWnd)
{
    auto* pBar = DYNAMIC_DOWNCAST(CControlBar, CWnd::FromHandlePermanent(hWnd));
    return pBar && (pBar->GetBarStyle() & CBRS_ALIGN_ANY) ? pBar : nullptr;
}

int WindowHeight(HWND hWnd)
{
    CRect rect;
    ::GetWindowRect(hWnd, &rect);
    return rect.Height();
}

} // namespace

void CFrameWnd::LayoutBars(CRect& rest, BOOL bMove) const
{
    ::GetClientRect(m_hWnd, &rest);
    const CRect client = rest;
    HWND hWndStatus = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_STATUS_BAR));
    if (hWndStatus && ::IsWindowVisible(hWndStatus)) {
        // The status bar places itself along the bottom.
        if (bMove)
            ::SendMessageA(hWndStatus, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
        rest.bottom -= WindowHeight(hWndStatus);
    }
    HWND hWndTool = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_TOOLBAR));
    if (hWndTool && ::IsWindowVisible(hWndTool) && !DockedBar(hWndTool)) {
        // A toolbar that is not docked sizes itself along the top.
        if (bMove)
            ::SendMessageA(hWndTool, TB_AUTOSIZE, 0, 0);
        rest.top += WindowHeight(hWndTool);
    }
    // The docked bars: top and bottom across the width, then the sides.
    for (const DWORD edge : {CBRS_ALIGN_TOP, CBRS_ALIGN_BOTTOM, CBRS_ALIGN_LEFT, CBRS_ALIGN_RIGHT}) {
        for (HWND hWnd = ::GetWindow(m_hWnd, GW_CHILD); hWnd; hWnd = ::GetWindow(hWnd, GW_HWNDNEXT)) {
            CControlBar* pBar = DockedBar(hWnd);
            if (!pBar || !(pBar->GetBarStyle() & edge) || !::IsWindowVisible(hWnd))
                continue;
            const CSize size = pBar->CalcFixedLayout((edge & CBRS_ORIENT_HORZ) != 0);
            CRect place = rest;
            switch (edge) {
            case CBRS_ALIGN_TOP:
                place.bottom = place.top + size.cy;
                rest.top = place.bottom;
                break;
            case CBRS_ALIGN_BOTTOM:
                place.top = place.bottom - size.cy;
                rest.bottom = place.top;
                break;
            case CBRS_ALIGN_LEFT:
                place.right = place.left + size.cx;
                rest.left = place.right;
                break;
            default:
                place.left = place.right - size.cx;
                rest.right = place.left;
                break;
            }
            // In a frame too small for its bars a bar gets no room, never a
            // negative size.
            if (bMove)
                ::MoveWindow(hWnd, place.left, place.top, place.Width() > 0 ? place.Width() : 0,
                             place.Height() > 0 ? place.Height() : 0, TRUE);
        }
    }
    // The other control bars down a side, inside the docked ones.
    for (HWND hWnd = ::GetWindow(m_hWnd, GW_CHILD); hWnd; hWnd = ::GetWindow(hWnd, GW_HWNDNEXT)) {
        const UINT id = static_cast<UINT>(::GetDlgCtrlID(hWnd));
        if (id <= AFX_IDW_STATUS_BAR || id > AFX_IDW_CONTROLBAR_LAST || !::IsWindowVisible(hWnd) || DockedBar(hWnd))
            continue;
        CRect bar;
        ::GetWindowRect(hWnd, &bar);
        const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hWnd, GWL_STYLE));
        const int height = rest.bottom > rest.top ? rest.Height() : 0;
        if ((style & CCS_RIGHT) == CCS_RIGHT) {
            if (bMove)
                ::MoveWindow(hWnd, rest.right - bar.Width(), rest.top, bar.Width(), height, TRUE);
            rest.right -= bar.Width();
        } else if ((style & CCS_LEFT) == CCS_LEFT) {
            if (bMove)
                ::MoveWindow(hWnd, rest.left, rest.top, bar.Width(), height, TRUE);
            rest.left += bar.Width();
        }
    }
    if (rest.bottom < rest.top)
        rest.bottom = rest.top;
    if (rest.right < rest.left)
        rest.right = rest.left;
}

void CFrameWnd::GetLayoutClientRect(LPRECT lpRect) const
{
    CRect rest;
    LayoutBars(rest, FALSE);
    *lpRect = rest;
}

void CFrameWnd::RecalcLayout()
{
    if (!m_hWnd)
        return;
    CRect rest;
    LayoutBars(rest, TRUE);
    if (HWND hWndClient = GetClientWindow())
        ::MoveWindow(hWndClient, rest.left, rest.top, rest.Width(), rest.Height(), TRUE);
}

void CFrameWnd::GetDockingArea(LPRECT lpRect) const
{
    CRect area;
    ::GetClientRect(m_hWnd, &area);
    HWND hWndStatus = ::GetDlgItem(m_hWnd, static_cast<int>(AFX_IDW_STATUS_BAR));
    if (hWndStatus && ::IsWindowVisible(hWndStatus))
        area.bottom -= WindowHeight(hWndStatus);
    *lpRect = area;
}

BOOL CFrameWnd::DockControlBar(CControlBar* pBar, UINT nDockBarID)
{
    if (!pBar || !pBar->m_hWnd)
        return FALSE;
    const DWORD allowed = m_dwDockStyle & pBar->GetDockStyle();
    const DWORD edge = AfxDockBarAlign(nDockBarID ? nDockBarID : AfxDockBarID(allowed));
    if (!edge || !(edge & allowed))
        return FALSE;
    HWND hWndFloat = pBar->IsFloating() ? ::GetParent(pBar->m_hWnd) : nullptr;
    if (hWndFloat) {
        // Back into the frame, at the edge; its tool window goes.
        pBar->SetParent(this);
        ::DestroyWindow(hWndFloat);
    }
    pBar->SetBarStyle((pBar->GetBarStyle() & ~(CBRS_ALIGN_ANY | CBRS_FLOATING)) | edge);
    RecalcLayout();
    return TRUE;
}

BOOL CFrameWnd::FloatControlBar(CControlBar* pBar, CPoint point)
{
    if (!pBar || !pBar->m_hWnd || pBar->GetDockingFrame() != this)
        return FALSE;
    auto* pFloat = DYNAMIC_DOWNCAST(CMiniDockFrameWnd, pBar->GetParent());
    if (!pBar->IsFloating() || !pFloat) {
        pFloat = new CMiniDockFrameWnd;
        if (!pFloat->Create(this, pBar->GetWindowTextString())) {
            delete pFloat;
            return FALSE;
        }
        pBar->SetParent(pFloat);
        // Floating, the bar lies horizontally.
        pBar->SetBarStyle((pBar->GetBarStyle() & ~CBRS_ALIGN_ANY) | CBRS_FLOATING);
        RecalcLayout();
    }
    pFloat->PlaceBar(point);
    if (pBar->GetStyle() & WS_VISIBLE)
        pFloat->ShowWindow(SW_SHOWNOACTIVATE);
    return TRUE;
}

BOOL CFrameWnd::DropControlBar(CControlBar* pBar, CPoint point, CSize sizeGrab)
{
    if (!pBar)
        return FALSE;
    CRect area;
    GetDockingArea(&area);
    const DWORD edge = AfxDockEdgeAt(area, point, m_dwDockStyle & pBar->GetDockStyle(), pBar->GetBarStyle(),
                                     CControlBar::kDockSnap);
    if (edge)
        return DockControlBar(pBar, AfxDockBarID(edge));
    ClientToScreen(&point);
    return FloatControlBar(pBar, CPoint(point.x - sizeGrab.cx, point.y - sizeGrab.cy));
}

namespace {

struct CFloatingBarSearch {
    HWND hWndFrame;
    UINT nID;
    HWND hWndFound;
};

BOOL CALLBACK FindFloatingBar(HWND hWnd, LPARAM lParam)
{
    auto* pSearch = reinterpret_cast<CFloatingBarSearch*>(lParam);
    if (::GetWindow(hWnd, GW_OWNER) != pSearch->hWndFrame ||
        !DYNAMIC_DOWNCAST(CMiniDockFrameWnd, CWnd::FromHandlePermanent(hWnd)))
        return TRUE;
    pSearch->hWndFound = ::GetDlgItem(hWnd, static_cast<int>(pSearch->nID));
    return pSearch->hWndFound == nullptr;
}

} // namespace

HWND CFrameWnd::GetControlBarHwnd(UINT nID) const
{
    if (HWND hWnd = ::GetDlgItem(m_hWnd, static_cast<int>(nID)))
        return hWnd;
    // A floating bar lies in a tool window the frame owns.
    CFloatingBarSearch search = {m_hWnd, nID, nullptr};
    ::EnumThreadWindows(::GetWindowThreadProcessId(m_hWnd, nullptr), FindFloatingBar,
                        reinterpret_cast<LPARAM>(&search));
    return search.hWndFound;
}

void CFrameWnd::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    if (nType != SIZE_MINIMIZED)
        RecalcLayout();
}

void CFrameWnd::PostNcDestroy()
{
    if (m_bCreated)
        delete this;
}

// --- CMDIFrameWnd ----------------------------------------------------------------------------

BOOL CMDIFrameWnd::OnCreateClient(LPCREATESTRUCT lpcs, void*)
{
    return CreateClient(lpcs, nullptr);
}

BOOL CMDIFrameWnd::CreateClient(LPCREATESTRUCT, HMENU hWindowMenu)
{
    CLIENTCREATESTRUCT ccs = {};
    ccs.hWindowMenu = hWindowMenu;
    ccs.idFirstChild = AFX_IDM_FIRST_MDICHILD;
    m_hWndMDIClient = ::CreateWindowExA(
        WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
        WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_VSCROLL | WS_HSCROLL | MDIS_ALLCHILDSTYLES, 0, 0,
        0, 0, m_hWnd, reinterpret_cast<HMENU>(UINT_PTR{AFX_IDW_PANE_FIRST}), AfxGetInstanceHandle(), &ccs);
    return m_hWndMDIClient != nullptr;
}

LRESULT CMDIFrameWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    return ::DefFrameProcA(m_hWnd, m_hWndMDIClient, message, wParam, lParam);
}

BOOL CMDIFrameWnd::PreTranslateMessage(MSG* pMsg)
{
    if (m_hWndMDIClient && ::TranslateMDISysAccel(m_hWndMDIClient, pMsg))
        return TRUE;
    return CFrameWnd::PreTranslateMessage(pMsg);
}
