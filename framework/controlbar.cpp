#include "framework/controlbar.h"

#include "framework/frame.h"

IMPLEMENT_DYNAMIC(CControlBar, CWnd)
IMPLEMENT_DYNAMIC(CMiniDockFrameWnd, CWnd)

BEGIN_MESSAGE_MAP(CControlBar, CWnd)
ON_MESSAGE(WM_NCCALCSIZE, OnNcCalcSize)
ON_MESSAGE(WM_NCPAINT, OnNcPaintMessage)
ON_MESSAGE(WM_NCHITTEST, OnNcHitTestMessage)
ON_MESSAGE(WM_SETCURSOR, OnSetCursorMessage)
ON_MESSAGE(WM_LBUTTONDOWN, OnLButtonDownMessage)
ON_MESSAGE(WM_MOUSEMOVE, OnMouseMoveMessage)
ON_MESSAGE(WM_LBUTTONUP, OnLButtonUpMessage)
ON_MESSAGE(WM_CAPTURECHANGED, OnCaptureChangedMessage)
ON_MESSAGE(WM_SHOWWINDOW, OnShowWindowMessage)
END_MESSAGE_MAP()

BEGIN_MESSAGE_MAP(CMiniDockFrameWnd, CWnd)
ON_MESSAGE(WM_CLOSE, OnCloseMessage)
END_MESSAGE_MAP()

namespace {

struct DockEdge {
    UINT nID;
    DWORD dwAlign;
};
// In the order a bar without a named edge picks the first allowed one.
const DockEdge kDockEdges[] = {{AFX_IDW_DOCKBAR_TOP, CBRS_ALIGN_TOP},
                               {AFX_IDW_DOCKBAR_BOTTOM, CBRS_ALIGN_BOTTOM},
                               {AFX_IDW_DOCKBAR_LEFT, CBRS_ALIGN_LEFT},
                               {AFX_IDW_DOCKBAR_RIGHT, CBRS_ALIGN_RIGHT}};

// How far pt lies inside rc from the edge dwAlign (0 outside it).
int EdgeDistance(const RECT& rc, POINT pt, DWORD dwAlign)
{
    int d = 0;
    switch (dwAlign) {
    case CBRS_ALIGN_TOP:
        d = pt.y - rc.top;
        break;
    case CBRS_ALIGN_BOTTOM:
        d = rc.bottom - pt.y;
        break;
    case CBRS_ALIGN_LEFT:
        d = pt.x - rc.left;
        break;
    default:
        d = rc.right - pt.x;
        break;
    }
    return d < 0 ? 0 : d;
}

} // namespace

DWORD AfxDockBarAlign(UINT nDockBarID)
{
    for (const DockEdge& edge : kDockEdges)
        if (edge.nID == nDockBarID)
            return edge.dwAlign;
    return 0;
}

UINT AfxDockBarID(DWORD dwAlign)
{
    for (const DockEdge& edge : kDockEdges)
        if (edge.dwAlign & dwAlign)
            return edge.nID;
    return 0;
}

DWORD AfxDockEdgeAt(const RECT& rcArea, POINT pt, DWORD dwAllowed, DWORD dwCurrent, int nSnap)
{
    if (pt.x < rcArea.left - nSnap || pt.x > rcArea.right + nSnap || pt.y < rcArea.top - nSnap ||
        pt.y > rcArea.bottom + nSnap)
        return 0;
    // A bar let go near its own edge stays there, even in a corner where
    // another edge is nearer.
    if ((dwCurrent & dwAllowed & CBRS_ALIGN_ANY) && EdgeDistance(rcArea, pt, dwCurrent & CBRS_ALIGN_ANY) <= nSnap)
        return dwCurrent & CBRS_ALIGN_ANY;
    DWORD best = 0;
    int bestDistance = nSnap + 1;
    for (const DockEdge& edge : kDockEdges) {
        if (!(dwAllowed & edge.dwAlign))
            continue;
        const int d = EdgeDistance(rcArea, pt, edge.dwAlign);
        if (d < bestDistance) {
            best = edge.dwAlign;
            bestDistance = d;
        }
    }
    return best;
}

DWORD CControlBar::SplitBarStyle(DWORD dwStyle)
{
    m_dwStyle = dwStyle & CBRS_ALL;
    return dwStyle & ~CBRS_ALL;
}

void CControlBar::SetBarStyle(DWORD dwStyle)
{
    const DWORD old = m_dwStyle;
    m_dwStyle = dwStyle & CBRS_ALL;
    const bool turned = ((old & CBRS_ORIENT_VERT) != 0) != ((m_dwStyle & CBRS_ORIENT_VERT) != 0);
    if (turned)
        OnOrientationChanged();
    // The gripper moves with the orientation: the non-client area changes.
    if (m_hWnd && (turned || ((old ^ m_dwStyle) & CBRS_GRIPPER)))
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                       SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CSize CControlBar::CalcFixedLayout(BOOL bHorz)
{
    const int gripper = (m_dwStyle & CBRS_GRIPPER) ? kGripperSize : 0;
    return bHorz ? CSize(2 * kBorderSize + gripper, 2 * kBorderSize)
                 : CSize(2 * kBorderSize, 2 * kBorderSize + gripper);
}

CRect CControlBar::GetGripperRect(const CRect& rect) const
{
    if (!(m_dwStyle & CBRS_GRIPPER))
        return CRect(0, 0, 0, 0);
    if (IsHorizontal())
        return CRect(rect.left + kBorderSize, rect.top + kBorderSize, rect.left + kBorderSize + kGripperSize,
                     rect.bottom - kBorderSize);
    return CRect(rect.left + kBorderSize, rect.top + kBorderSize, rect.right - kBorderSize,
                 rect.top + kBorderSize + kGripperSize);
}

void CControlBar::DrawGripper(HDC hDC, const CRect& rect) const
{
    const CRect grip = GetGripperRect(rect);
    if (grip.IsRectEmpty())
        return;
    // A raised ridge three pixels wide down the middle of the strip: light
    // on its top and left, shadow on its bottom and right.
    CRect ridge = grip;
    const CPoint middle = grip.CenterPoint();
    if (IsHorizontal()) {
        ridge.left = middle.x - 1;
        ridge.right = middle.x + 2;
        ridge.DeflateRect(0, 1);
    } else {
        ridge.top = middle.y - 1;
        ridge.bottom = middle.y + 2;
        ridge.DeflateRect(1, 0);
    }
    HBRUSH light = ::GetSysColorBrush(COLOR_BTNHIGHLIGHT);
    HBRUSH shadow = ::GetSysColorBrush(COLOR_BTNSHADOW);
    const RECT top = {ridge.left, ridge.top, ridge.right, ridge.top + 1};
    const RECT left = {ridge.left, ridge.top, ridge.left + 1, ridge.bottom};
    const RECT bottom = {ridge.left, ridge.bottom - 1, ridge.right, ridge.bottom};
    const RECT right = {ridge.right - 1, ridge.top, ridge.right, ridge.bottom};
    ::FillRect(hDC, &top, light);
    ::FillRect(hDC, &left, light);
    ::FillRect(hDC, &bottom, shadow);
    ::FillRect(hDC, &right, shadow);
}

LRESULT CControlBar::OnNcCalcSize(WPARAM, LPARAM lParam)
{
    const LRESULT result = Default();
    if (!IsBar())
        return result;
    // The first rectangle is the client area in both forms of the message.
    auto* pRect = reinterpret_cast<RECT*>(lParam);
    if (!pRect)
        return result;
    ::InflateRect(pRect, -kBorderSize, -kBorderSize);
    if (m_dwStyle & CBRS_GRIPPER) {
        if (IsHorizontal())
            pRect->left += kGripperSize;
        else
            pRect->top += kGripperSize;
    }
    if (pRect->right < pRect->left)
        pRect->right = pRect->left;
    if (pRect->bottom < pRect->top)
        pRect->bottom = pRect->top;
    return result;
}

LRESULT CControlBar::OnNcPaintMessage(WPARAM, LPARAM)
{
    Default();
    if (!IsBar())
        return 0;
    HDC hDC = ::GetWindowDC(m_hWnd);
    if (!hDC)
        return 0;
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    window.OffsetRect(-window.left, -window.top);
    // Everything outside the client area is the bar's face.
    CRect client;
    ::GetClientRect(m_hWnd, &client);
    CPoint origin(0, 0);
    ::ClientToScreen(m_hWnd, &origin);
    CRect screen;
    ::GetWindowRect(m_hWnd, &screen);
    client.OffsetRect(origin.x - screen.left, origin.y - screen.top);
    ::ExcludeClipRect(hDC, client.left, client.top, client.right, client.bottom);
    ::FillRect(hDC, &window, ::GetSysColorBrush(COLOR_BTNFACE));
    DrawGripper(hDC, window);
    ::ReleaseDC(m_hWnd, hDC);
    return 0;
}

LRESULT CControlBar::OnNcHitTestMessage(WPARAM, LPARAM lParam)
{
    // The borders and gripper count as client area, so a press on the
    // gripper reaches the bar as WM_LBUTTONDOWN.
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    const CPoint point(lParam);
    if (IsBar() && window.PtInRect(point))
        return HTCLIENT;
    return Default();
}

LRESULT CControlBar::OnSetCursorMessage(WPARAM, LPARAM)
{
    CPoint point;
    ::GetCursorPos(&point);
    ::ScreenToClient(m_hWnd, &point);
    if (m_bDragging || HitGripper(point)) {
        ::SetCursor(::LoadCursorA(nullptr, IDC_SIZEALL));
        return TRUE;
    }
    return Default();
}

BOOL CControlBar::HitGripper(CPoint point) const
{
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    CPoint origin(0, 0);
    ::ClientToScreen(m_hWnd, &origin);
    // From client to window coordinates.
    point.Offset(origin.x - window.left, origin.y - window.top);
    window.OffsetRect(-window.left, -window.top);
    return GetGripperRect(window).PtInRect(point);
}

LRESULT CControlBar::OnLButtonDownMessage(WPARAM, LPARAM lParam)
{
    if (!HitGripper(CPoint(lParam)) || !m_dwDockStyle)
        return Default();
    m_bDragging = TRUE;
    CPoint grab(lParam);
    ::ClientToScreen(m_hWnd, &grab);
    CRect window;
    ::GetWindowRect(m_hWnd, &window);
    m_sizeGrab = CSize(grab.x - window.left, grab.y - window.top);
    ::SetCapture(m_hWnd);
    // While the bar has the mouse no WM_SETCURSOR comes: set it now.
    ::SetCursor(::LoadCursorA(nullptr, IDC_SIZEALL));
    return 0;
}

LRESULT CControlBar::OnMouseMoveMessage(WPARAM, LPARAM)
{
    // While dragging the buttons do not track the pointer.
    return m_bDragging ? 0 : Default();
}

LRESULT CControlBar::OnLButtonUpMessage(WPARAM, LPARAM lParam)
{
    if (!m_bDragging)
        return Default();
    EndDrag(TRUE, CPoint(lParam));
    return 0;
}

LRESULT CControlBar::OnCaptureChangedMessage(WPARAM, LPARAM lParam)
{
    // Another window took the mouse: the drag is over, the bar stays.
    if (m_bDragging && reinterpret_cast<HWND>(lParam) != m_hWnd)
        m_bDragging = FALSE;
    return Default();
}

LRESULT CControlBar::OnShowWindowMessage(WPARAM wParam, LPARAM)
{
    // A floating bar's tool window shows and hides with it.
    HWND hWndParent = ::GetParent(m_hWnd);
    if (IsFloating() && hWndParent)
        ::ShowWindow(hWndParent, wParam ? SW_SHOWNOACTIVATE : SW_HIDE);
    return Default();
}

CFrameWnd* CControlBar::GetDockingFrame() const
{
    HWND hWnd = ::GetParent(m_hWnd);
    if (IsFloating() && hWnd)
        hWnd = ::GetWindow(hWnd, GW_OWNER);
    return DYNAMIC_DOWNCAST(CFrameWnd, CWnd::FromHandlePermanent(hWnd));
}

void CControlBar::EndDrag(BOOL bDrop, CPoint point)
{
    m_bDragging = FALSE;
    if (::GetCapture() == m_hWnd)
        ::ReleaseCapture();
    if (!bDrop)
        return;
    CFrameWnd* pFrame = GetDockingFrame();
    if (!pFrame)
        return;
    ::ClientToScreen(m_hWnd, &point);
    ::ScreenToClient(pFrame->m_hWnd, &point);
    pFrame->DropControlBar(this, point, m_sizeGrab);
}

// --- CMiniDockFrameWnd -----------------------------------------------------------------------

namespace {

const DWORD kMiniFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
const DWORD kMiniFrameExStyle = WS_EX_TOOLWINDOW;

} // namespace

BOOL CMiniDockFrameWnd::Create(CFrameWnd* pFrame, LPCTSTR lpszCaption)
{
    LPCTSTR lpszClass =
        AfxRegisterWndClass(0, ::LoadCursorA(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    return CreateEx(kMiniFrameExStyle, lpszClass, lpszCaption, kMiniFrameStyle, 0, 0, 0, 0, pFrame->m_hWnd, nullptr);
}

CControlBar* CMiniDockFrameWnd::GetBar() const
{
    return DYNAMIC_DOWNCAST(CControlBar, CWnd::FromHandlePermanent(::GetWindow(m_hWnd, GW_CHILD)));
}

void CMiniDockFrameWnd::PlaceBar(CPoint point)
{
    CControlBar* pBar = GetBar();
    if (!pBar)
        return;
    const CSize size = pBar->CalcFixedLayout(TRUE);
    pBar->MoveWindow(0, 0, size.cx, size.cy);
    CRect rect(point, size);
    ::AdjustWindowRectEx(&rect, kMiniFrameStyle, FALSE, kMiniFrameExStyle);
    ::SetWindowPos(m_hWnd, nullptr, rect.left, rect.top, rect.Width(), rect.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CMiniDockFrameWnd::OnCloseMessage(WPARAM, LPARAM)
{
    // The bar hides, and its window with it; it shows again with the bar.
    if (CControlBar* pBar = GetBar())
        pBar->ShowWindow(SW_HIDE);
    else
        ::ShowWindow(m_hWnd, SW_HIDE);
    return 0;
}

BOOL CMiniDockFrameWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hWndOwner)
        ::SendMessageA(hWndOwner, WM_COMMAND, wParam, lParam);
    return TRUE;
}

BOOL CMiniDockFrameWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    HWND hWndOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (!hWndOwner)
        return FALSE;
    *pResult = ::SendMessageA(hWndOwner, WM_NOTIFY, wParam, lParam);
    return TRUE;
}
