#include "framework/statusbar.h"

#include <algorithm>

#include "framework/controls.h"
#include "framework/gdi.h"

IMPLEMENT_DYNAMIC(CStatusBar, CWnd)

BEGIN_MESSAGE_MAP(CStatusBar, CWnd)
ON_WM_SIZE()
END_MESSAGE_MAP()

namespace {

// Room the control keeps around each pane's text.
const int kPaneMargin = 6;

} // namespace

BOOL CStatusBar::Create(CWnd* pParentWnd, DWORD dwStyle, UINT nID)
{
    AfxInitCommonControls();
    return CWnd::CreateEx(0, STATUSCLASSNAMEA, nullptr, dwStyle | WS_CHILD, CRect(0, 0, 0, 0), pParentWnd, nID);
}

BOOL CStatusBar::SetIndicators(const UINT* lpIDArray, int nIDCount)
{
    if (!m_hWnd || nIDCount < 0 || (nIDCount > 0 && !lpIDArray))
        return FALSE;
    m_panes.clear();
    for (int i = 0; i < nIDCount; ++i) {
        Pane pane{lpIDArray[i], SBPS_NORMAL, 0, CString()};
        if (pane.nID != 0)
            pane.text.LoadString(pane.nID);
        pane.cxWidth = GetTextWidth(pane.text);
        m_panes.push_back(pane);
    }
    UpdateLayout();
    return TRUE;
}

int CStatusBar::CommandToIndex(UINT nIDFind) const
{
    for (size_t i = 0; i < m_panes.size(); ++i)
        if (m_panes[i].nID == nIDFind)
            return static_cast<int>(i);
    return -1;
}

UINT CStatusBar::GetItemID(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[nIndex].nID : 0;
}

void CStatusBar::GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const
{
    if (nIndex < 0 || nIndex >= GetCount()) {
        nID = 0;
        nStyle = 0;
        cxWidth = 0;
        return;
    }
    nID = m_panes[nIndex].nID;
    nStyle = m_panes[nIndex].nStyle;
    cxWidth = m_panes[nIndex].cxWidth;
}

void CStatusBar::SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    m_panes[nIndex].nID = nID;
    m_panes[nIndex].nStyle = nStyle;
    m_panes[nIndex].cxWidth = cxWidth < 0 ? 0 : cxWidth;
    UpdateLayout();
}

UINT CStatusBar::GetPaneStyle(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[nIndex].nStyle : 0;
}

void CStatusBar::SetPaneStyle(int nIndex, UINT nStyle)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return;
    m_panes[nIndex].nStyle = nStyle;
    UpdateLayout();
}

BOOL CStatusBar::SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate)
{
    if (nIndex < 0 || nIndex >= GetCount())
        return FALSE;
    m_panes[nIndex].text = lpszNewText ? lpszNewText : "";
    ShowPaneText(nIndex);
    if (bUpdate && m_hWnd)
        UpdateWindow();
    return TRUE;
}

CString CStatusBar::GetPaneText(int nIndex) const
{
    return nIndex >= 0 && nIndex < GetCount() ? m_panes[nIndex].text : CString();
}

void CStatusBar::GetItemRect(int nIndex, LPRECT lpRect) const
{
    ::SetRectEmpty(lpRect);
    if (m_hWnd)
        ::SendMessageA(m_hWnd, SB_GETRECT, static_cast<WPARAM>(nIndex), reinterpret_cast<LPARAM>(lpRect));
}

int CStatusBar::GetTextWidth(LPCTSTR lpszText) const
{
    if (!m_hWnd || !lpszText || !*lpszText)
        return 0;
    HDC hDC = ::GetDC(m_hWnd);
    HGDIOBJ hOld = ::SelectObject(hDC, reinterpret_cast<HGDIOBJ>(::SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    SIZE size = {};
    ::GetTextExtentPoint32A(hDC, lpszText, lstrlenA(lpszText), &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    return size.cx;
}

void CStatusBar::UpdateLayout()
{
    if (!m_hWnd)
        return;
    if (m_panes.empty()) {
        ::SendMessageA(m_hWnd, SB_SIMPLE, TRUE, 0);
        return;
    }
    ::SendMessageA(m_hWnd, SB_SIMPLE, FALSE, 0);
    CRect client;
    GetClientRect(&client);
    int fixed = 0;
    for (const Pane& pane : m_panes)
        if (!(pane.nStyle & SBPS_STRETCH))
            fixed += pane.cxWidth + kPaneMargin;
    // The stretching pane takes the rest (at least its own width); the
    // size grip's corner is left free.
    const int grip = (GetStyle() & SBARS_SIZEGRIP) ? ::GetSystemMetrics(SM_CXVSCROLL) : 0;
    std::vector<int> edges;
    int right = 0;
    for (const Pane& pane : m_panes) {
        int width = pane.cxWidth + kPaneMargin;
        if (pane.nStyle & SBPS_STRETCH)
            width = std::max(width, client.Width() - grip - fixed);
        right += width;
        edges.push_back(right);
    }
    ::SendMessageA(m_hWnd, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
    for (int i = 0; i < GetCount(); ++i)
        ShowPaneText(i);
}

void CStatusBar::ShowPaneText(int nIndex) const
{
    if (!m_hWnd)
        return;
    const Pane& pane = m_panes[nIndex];
    const WPARAM part = static_cast<WPARAM>(nIndex) | (pane.nStyle & (SBT_NOBORDERS | SBT_POPOUT));
    ::SendMessageA(m_hWnd, SB_SETTEXTA, part, reinterpret_cast<LPARAM>(pane.text.GetString()));
}

void CStatusBar::OnSize(UINT nType, int cx, int cy)
{
    CWnd::OnSize(nType, cx, cy);
    UpdateLayout();
}
