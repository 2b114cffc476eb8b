#include "ui/listboxes.h"

#include <algorithm>
#include <climits>
#include <cmath>

// --- CAutosizeListBox ------------------------------------------------------------

IMPLEMENT_DYNAMIC(CAutosizeListBox, CListBox)

BEGIN_MESSAGE_MAP(CAutosizeListBox, CListBox)
ON_WM_CHAR()
ON_WM_LBUTTONDOWN()
ON_WM_ERASEBKGND()
ON_MESSAGE(WM_REFLECT_BASE + WM_VKEYTOITEM, OnVKeyToItem)
END_MESSAGE_MAP()

void CAutosizeListBox::SetBkColour(COLORREF clr)
{
    m_clrBackground = clr;
    if (m_hWnd)
        Invalidate();
}

void CAutosizeListBox::SetHideSelection(BOOL bHide)
{
    if (bHide == m_bHideSelection)
        return;
    m_bHideSelection = bHide;
    if (m_hWnd)
        Invalidate();
}

int CAutosizeListBox::GetTopItemHeight() const
{
    return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(GetTopIndex())));
}

int CAutosizeListBox::GetVisibleItemCount() const
{
    const int height = GetTopItemHeight();
    CRect client;
    GetClientRect(&client);
    return height > 0 ? client.Height() / height : 0;
}

int CAutosizeListBox::GetNonClientHeight() const
{
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    return window.Height() - client.Height();
}

void CAutosizeListBox::MeasureWidestItem(CSize& size, BOOL bAddSpace) const
{
    size = CSize(4, 0);
    HDC hDC = ::GetDC(m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, GetFont());
    for (int i = 0; i < GetCount(); ++i) {
        CString text;
        GetText(i, text);
        if (bAddSpace)
            text += " ";
        SIZE extent = {};
        ::GetTextExtentPoint32A(hDC, text, text.GetLength(), &extent);
        if (extent.cx > size.cx)
            size.cx = extent.cx;
        size.cy = std::max<LONG>(size.cy, extent.cy);
    }
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
}

void CAutosizeListBox::ResizeToItems(int nMaxRows)
{
    const int rows = std::min(GetCount(), nMaxRows);
    CSize widest;
    MeasureWidestItem(widest, FALSE);
    const int rowHeight = std::max<int>(widest.cy, GetTopItemHeight());
    CRect window, client;
    GetWindowRect(&window);
    GetClientRect(&client);
    const int width = widest.cx + (window.Width() - client.Width());
    const int height = rows * rowHeight + GetNonClientHeight();
    SetWindowPos(nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CAutosizeListBox::ReportChoice()
{
    const int selected = GetCurSel();
    if (selected == LB_ERR)
        return;
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_AUTOSIZE_LIST_CHOICE, static_cast<WPARAM>(selected), reinterpret_cast<LPARAM>(this));
}

void CAutosizeListBox::OnChar(UINT nChar, UINT, UINT)
{
    if (!m_bHideSelection) {
        if (nChar == VK_RETURN) {
            ReportChoice();
        } else if (nChar == VK_ESCAPE) {
            SetCurSel(-1);
            if (CWnd* pParent = GetParent())
                pParent->SetFocus();
        }
    }
    Default();
}

void CAutosizeListBox::OnLButtonDown(UINT, CPoint)
{
    Default();
    if (!m_bHideSelection)
        ReportChoice();
}

BOOL CAutosizeListBox::OnEraseBkgnd(CDC* pDC)
{
    CRect client;
    GetClientRect(&client);
    pDC->FillSolidRect(&client, m_clrBackground);
    return TRUE;
}

LRESULT CAutosizeListBox::OnVKeyToItem(WPARAM wParam, LPARAM)
{
    switch (LOWORD(wParam)) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN:
        Invalidate();
        break;
    default:
        break;
    }
    return -1;
}

void CAutosizeListBox::MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct)
{
    if (m_hWnd) {
        lpMeasureItemStruct->itemHeight = static_cast<UINT>(SendMessage(LB_GETITEMHEIGHT, lpMeasureItemStruct->itemID));
        CRect client;
        GetClientRect(&client);
        lpMeasureItemStruct->itemWidth = static_cast<UINT>(client.Width());
    }
}

void CAutosizeListBox::DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    const int index = static_cast<int>(lpDrawItemStruct->itemID);
    const int top = GetTopIndex();
    if (index < 0 || index < top)
        return;
    CString text;
    GetText(index, text);
    if (text.IsEmpty())
        return;
    const int height = static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
    CRect client;
    GetClientRect(&client);
    CRect rect(0, (index - top) * height, client.Width(), (index - top + 1) * height);
    HDC hDC = lpDrawItemStruct->hDC;
    const BOOL selected = !m_bHideSelection && index == GetCurSel();
    const COLORREF fill = selected ? ::GetSysColor(COLOR_HIGHLIGHT) : m_clrBackground;
    ::SetBkColor(hDC, fill);
    ::ExtTextOutA(hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetTextColor(hDC, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    ::SetBkMode(hDC, TRANSPARENT);
    ::DrawTextA(hDC, text, text.GetLength(), &rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

// --- CListBoxM -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CListBoxM, CListBox)

BEGIN_MESSAGE_MAP(CListBoxM, CListBox)
ON_WM_RBUTTONDOWN()
END_MESSAGE_MAP()

void CListBoxM::OnRButtonDown(UINT, CPoint point)
{
    if (CWnd* pParent = GetParent()) {
        POINT pt = point;
        ::MapWindowPoints(m_hWnd, pParent->m_hWnd, &pt, 1);
        LISTBOXM_CLICK click = {this, pt.x, pt.y};
        pParent->SendMessage(WM_LISTBOXM_CLICK, WM_RBUTTONDOWN, reinterpret_cast<LPARAM>(&click));
    }
    Default();
}

// --- CDScrollBar ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CDScrollBar, CScrollBar)

BOOL CDScrollBar::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CScrollBar::Create(dwStyle, rect, pParentWnd, nID);
}

void CDScrollBar::EnableArrows(UINT nFlags)
{
    if (m_hWnd)
        ::EnableScrollBar(m_hWnd, SB_CTL, nFlags);
}

void CDScrollBar::Reset()
{
    m_range.Set(0, 0);
    m_dPos = 0;
    m_dPage = 0;
    m_dScale = 1.0;
    Update();
}

void CDScrollBar::SetMin(double dMin)
{
    m_range.m_low = dMin;
    Update();
}

void CDScrollBar::SetMax(double dMax)
{
    m_range.m_high = dMax;
    Update();
}

void CDScrollBar::SetScale(double dScale)
{
    m_dScale = dScale;
    Update();
}

void CDScrollBar::SetPos(double dPos, BOOL bGrow)
{
    if (dPos == m_dPos || dPos < m_range.m_low || dPos > m_range.m_high)
        return;
    m_dPos = dPos;
    if (bGrow && m_dPos + m_dPage > m_range.m_high)
        m_range.m_high = m_dPos + m_dPage;
    Update();
}

void CDScrollBar::SetPage(double dPage, BOOL bGrow)
{
    m_dPage = dPage;
    if (bGrow && m_dPos + m_dPage > m_range.m_high)
        m_range.m_high = m_dPos + m_dPage;
    Update();
}

void CDScrollBar::SetRange(const CTRange<double>& range, BOOL bIncludePage)
{
    if (range == m_range)
        return;
    m_range.m_low = std::min(range.m_low, m_dPos);
    m_range.m_high = bIncludePage ? std::max(range.m_high, m_dPos + m_dPage) : range.m_high;
    Update();
}

void CDScrollBar::LineForward(BOOL bPage)
{
    SetPos(std::min(m_dPos + m_dScale, UpperLimit(bPage)), FALSE);
}

void CDScrollBar::LineBack()
{
    SetPos(std::max(m_dPos - m_dScale, m_range.m_low), FALSE);
}

void CDScrollBar::PageForward(BOOL bPage)
{
    SetPos(std::min(m_dPos + m_dPage, UpperLimit(bPage)), FALSE);
}

void CDScrollBar::PageBack()
{
    SetPos(std::max(m_dPos - m_dPage, m_range.m_low), FALSE);
}

void CDScrollBar::GoToMin()
{
    SetPos(m_range.m_low, FALSE);
}

void CDScrollBar::GoToEnd(BOOL bPage)
{
    SetPos(UpperLimit(bPage), FALSE);
}

BOOL CDScrollBar::GetPlatformInfo(SCROLLINFO& info) const
{
    if (m_range.m_high < m_range.m_low || m_dScale == 0.0)
        return FALSE;
    const double values[4] = {m_range.m_low / m_dScale, m_range.m_high / m_dScale, m_dPage / m_dScale,
                              m_dPos / m_dScale};
    for (double v : values)
        if (!(v >= INT_MIN && v <= INT_MAX))
            return FALSE;
    info = {};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    // Rounded to the nearest unit so that 1 / 0.001 maps onto 1000, not
    // 999 from the binary fraction.
    info.nMin = static_cast<int>(std::lround(values[0]));
    info.nMax = static_cast<int>(std::lround(values[1]));
    info.nPage = static_cast<UINT>(std::lround(values[2]));
    info.nPos = static_cast<int>(std::lround(values[3]));
    return TRUE;
}

void CDScrollBar::Update()
{
    SCROLLINFO info;
    if (m_hWnd && GetPlatformInfo(info))
        SetScrollInfo(&info, TRUE);
}
