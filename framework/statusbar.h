// CStatusBar: the common status bar control as a row of panes. Each pane
// has a command id (whose string is its first text), a style and a width in
// pixels; the one pane marked SBPS_STRETCH takes whatever width is left.
// Pane 0 of a frame's status bar shows the menu prompts.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "framework/cstring.h"
#include "framework/wnd.h"

// The frame's status bar id.
const UINT AFX_IDW_STATUS_BAR = 0xE801;

// Pane styles.
const UINT SBPS_NORMAL = 0x0000;
const UINT SBPS_NOBORDERS = SBT_NOBORDERS; // 0x0100
const UINT SBPS_POPOUT = SBT_POPOUT;       // 0x0200
const UINT SBPS_STRETCH = 0x0800;

class CStatusBar : public CWnd {
    DECLARE_DYNAMIC(CStatusBar)
public:
    CStatusBar() = default;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CCS_BOTTOM, UINT nID = AFX_IDW_STATUS_BAR);

    // One pane per id; a pane whose id names a string shows that text.
    // Panes start normal and as wide as their text. FALSE without a window.
    BOOL SetIndicators(const UINT* lpIDArray, int nIDCount);
    int GetCount() const { return static_cast<int>(m_panes.size()); }
    // The first pane with id nIDFind, or -1.
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;

    void GetPaneInfo(int nIndex, UINT& nID, UINT& nStyle, int& cxWidth) const;
    void SetPaneInfo(int nIndex, UINT nID, UINT nStyle, int cxWidth);
    UINT GetPaneStyle(int nIndex) const;
    void SetPaneStyle(int nIndex, UINT nStyle);
    BOOL SetPaneText(int nIndex, LPCTSTR lpszNewText, BOOL bUpdate = TRUE);
    CString GetPaneText(int nIndex) const;
    // The pane's rectangle in the bar's client coordinates.
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    // The width in pixels the text takes in the bar's font.
    int GetTextWidth(LPCTSTR lpszText) const;

    // Lays the panes out again over the bar's width (after the bar moved or
    // a pane changed).
    void UpdateLayout();

protected:
    void OnSize(UINT nType, int cx, int cy);
    DECLARE_MESSAGE_MAP()

private:
    struct Pane {
        UINT nID;
        UINT nStyle;
        int cxWidth;
        CString text;
    };
    void ShowPaneText(int nIndex) const;
    std::vector<Pane> m_panes;
};
