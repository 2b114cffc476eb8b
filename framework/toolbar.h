// CToolBar: the common toolbar control, built from a TOOLBAR resource (the
// image size and the buttons' command ids, 0 for a separator) and the
// bitmap of the same id whose images, left to right, belong to the buttons
// in order. Buttons send WM_COMMAND with their id to the toolbar's parent.
//
// Created with a CBRS_ALIGN_ edge (CBRS_TOP, say), the toolbar is a docked
// bar of its frame (CControlBar): the frame places it, and docked at the
// left or the right its buttons stand one below the other. Without one it
// is the plain control, which places itself by its CCS_ styles.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "framework/controlbar.h"
#include "framework/gdi.h"
#include "framework/wnd.h"

// The frame's toolbar id.
const UINT AFX_IDW_TOOLBAR = 0xE800;
// A separator in a button id list.
const UINT ID_SEPARATOR = 0;

class CToolBar : public CControlBar {
    DECLARE_DYNAMIC(CToolBar)
public:
    CToolBar() = default;
    ~CToolBar() override;

    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = WS_CHILD | WS_VISIBLE | CCS_TOP, UINT nID = AFX_IDW_TOOLBAR);
    // dwCtrlStyle: the toolbar's own TBSTYLE_ styles. CBRS_TOOLTIPS in
    // dwStyle gives the buttons tooltips (TBSTYLE_TOOLTIPS).
    BOOL CreateEx(CWnd* pParentWnd, DWORD dwCtrlStyle = TBSTYLE_FLAT,
                  DWORD dwStyle = WS_CHILD | WS_VISIBLE | CCS_TOP, UINT nID = AFX_IDW_TOOLBAR);

    // Buttons and images from the resources (the language library first,
    // then the program). FALSE when the resource is missing or malformed.
    BOOL LoadToolBar(UINT nIDResource) { return LoadToolBar(MAKEINTRESOURCEA(nIDResource)); }
    BOOL LoadToolBar(LPCTSTR lpszResourceName);
    BOOL LoadBitmap(UINT nIDResource) { return LoadBitmap(MAKEINTRESOURCEA(nIDResource)); }
    BOOL LoadBitmap(LPCTSTR lpszResourceName);
    // Replaces the buttons: one per id, ID_SEPARATOR for a separator; the
    // buttons take the images in order.
    BOOL SetButtons(const UINT* lpIDArray, int nIDCount);
    void SetSizes(SIZE sizeButton, SIZE sizeImage);
    CSize GetImageSize() const { return m_sizeImage; }

    int GetCount() const;
    // The index of the button with command nIDFind, or -1.
    int CommandToIndex(UINT nIDFind) const;
    UINT GetItemID(int nIndex) const;
    void GetItemRect(int nIndex, LPRECT lpRect) const;
    // TBBUTTON styles (BTNS_DROPDOWN and so on).
    UINT GetButtonStyle(int nIndex) const;
    void SetButtonStyle(int nIndex, UINT nStyle);
    DWORD SetExtendedStyle(DWORD dwExStyle);

    // Enables and checks each button by its command's update handler in
    // pTarget; with bDisableIfNoHndler a command nobody handles is grayed.
    void OnUpdateCmdUI(CCmdTarget* pTarget, BOOL bDisableIfNoHndler);

    // The buttons' extent plus borders and gripper, across and along the
    // edge (bHorz: along the top or the bottom).
    CSize CalcFixedLayout(BOOL bHorz) override;

protected:
    // Docked at a side, every button wraps: one button per row.
    void OnOrientationChanged() override;

private:
    CBitmap m_bitmap;
    CSize m_sizeImage{16, 15};
};

// The TOOLBAR resource as it is stored.
struct CToolBarData {
    WORD wVersion; // 1
    WORD wWidth;   // image width
    WORD wHeight;  // image height
    WORD wItemCount;
    // WORD items[wItemCount] follow
};
static_assert(sizeof(CToolBarData) == 8, "the TOOLBAR resource header is four words");
