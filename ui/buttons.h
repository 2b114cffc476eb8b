// Owner-drawn push buttons: CBaTButton (a bitmap and a text),
// CGraphicButton (a bitmap, with other images and a text while pushed or
// disabled), CGraphicToggleButton (stays down when clicked and tells its
// parent) and CColorButton (a coloured face with its own frame and text
// colours).
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/gdi.h"

// Posted to a toggle button's parent after a click: wParam 1 when the
// button is now down, 0 when up; lParam the control id.
const UINT WM_TOGGLE_BUTTON_CHANGED = 0x814A;
// Sent to a toggle button's parent on a right-button release (wParam the
// control id).
const UINT WM_TOGGLE_BUTTON_RCLICK = 0x81DB;

// The disabled look of an image: every pixel inverted, made grey and mixed
// half and half with the button face colour. Null for a null bitmap.
HBITMAP MakeDisabledImage(HBITMAP hBitmap);

class CBaTButton : public CButton {
    DECLARE_DYNAMIC(CBaTButton)
public:
    CBaTButton() = default;
    ~CBaTButton() override;

    // Returns the previous bitmap; builds the generated disabled image.
    HBITMAP SetBitmap(HBITMAP hBitmap);
    HBITMAP GetBitmap() const { return m_hBitmap; }
    // The image shown while disabled (in full colour); the previous one.
    HBITMAP SetAltBitmap(HBITMAP hBitmap);
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    BOOL m_bImageLeft = TRUE;
    int m_nVerticalMargin = 4;
    int m_nImageMargin = 4;
    int m_nTextMarginImageSide = 4;
    int m_nTextMarginOtherSide = 4;
    HBITMAP m_hBitmap = nullptr;
    BOOL m_bFlag = TRUE;
    HBITMAP m_hAltBitmap = nullptr;
    BOOL m_bUseAltBitmap = FALSE;
    CBitmap m_disabledImage;
};

class CGraphicButton : public CButton {
    DECLARE_DYNAMIC(CGraphicButton)
public:
    CGraphicButton() = default;

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    virtual HBITMAP SetBitmap(HBITMAP hBitmap);
    virtual HBITMAP GetBitmap() const { return m_hBitmap; }
    virtual HBITMAP SetDisabledBitmap(HBITMAP hBitmap);
    virtual HBITMAP GetDisabledBitmap() const { return m_hDisabledBitmap; }
    virtual HBITMAP SetAltBitmap(HBITMAP hBitmap);
    virtual HBITMAP GetAltBitmap() const { return m_hAltBitmap; }
    virtual void DrawButton(LPDRAWITEMSTRUCT lpDrawItemStruct);
    void SetAltText(LPCTSTR lpszText) { m_strAltText = lpszText ? lpszText : ""; }

    HBITMAP m_hBitmap = nullptr;
    COLORREF m_clrTransparent = 0;
    BOOL m_bCornerTransparent = TRUE;
    HBITMAP m_hDisabledBitmap = nullptr;
    BOOL m_bUseDisabledBitmap = FALSE;
    HBITMAP m_hAltBitmap = nullptr;
    CBitmap m_disabledImage;
    CString m_strAltText;
    BOOL m_bFlat = FALSE;

protected:
    void PreSubclassWindow() override;
};

class CGraphicToggleButton : public CGraphicButton {
    DECLARE_DYNAMIC(CGraphicToggleButton)
public:
    BOOL IsDown() const { return (GetState() & BST_PUSHED) ? TRUE : FALSE; }
    void SetDown(BOOL bDown) { SetState(bDown); }

protected:
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnLButtonDblClk(UINT nFlags, CPoint point);
    void OnRButtonUp(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()
};

class CColorButton : public CButton {
    DECLARE_DYNAMIC(CColorButton)
public:
    CColorButton();

    using CButton::Create;
    BOOL Create(LPCTSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    void SetColor(COLORREF clr) { m_clrText = clr; }
    void SetColour(COLORREF clr) { m_clrFrame = clr; }
    void SetColourMargin(int n) { m_nMargin = n < 0 ? 0 : (n > 10 ? 10 : n); }
    void SetFlat(BOOL bFlat);
    BOOL IsDown() const { return (GetState() & BST_PUSHED) ? TRUE : FALSE; }
    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;

    // The text colour that reads on a face: kind 0 white when each of R, G
    // and B is below 160, else black; kind 1 per channel 255 below 160,
    // else 0.
    static COLORREF ContrastColour(COLORREF face, int nKind);

    BOOL m_bAutoContrast = FALSE;
    int m_nContrastKind = 0;
    BOOL m_bFocusRect = TRUE;
    BOOL m_bLatchedDown = FALSE;
    BOOL m_bInvertedEdges = FALSE;
    BOOL m_bSystemFrame = TRUE;
    BOOL m_bInnerFill = FALSE;
    int m_nMargin = 2;
    int m_nInnerInset = 1;
    COLORREF m_clrText;
    COLORREF m_clrFace;
    COLORREF m_clrFrame;
    COLORREF m_clrHotFrame;
    COLORREF m_clrInnerFill;
    BOOL m_bFlat = FALSE;
    BOOL m_bDrawAsEnabled = FALSE;

private:
    void Restyle();
};
