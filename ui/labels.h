// Small display controls: CLabel (one centred line in its own colours),
// CMultiLineLabel (wraps its text itself), CLED (a rectangular lamp) and
// CTextLED (a lamp with a caption in its own font and colours).
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/controls.h"
#include "framework/gdi.h"

// Sent to a lamp's parent when it is clicked (wParam 0, lParam the lamp
// object).
const UINT WM_LED_CLICKED = 0x814B;

class CLabel : public CStatic {
    DECLARE_DYNAMIC(CLabel)
public:
    CLabel();
    COLORREF m_clrText;
    COLORREF m_clrBackground;

protected:
    void OnPaint();
    BOOL OnEraseBkgnd(CDC* pDC);
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()
};

class CMultiLineLabel : public CStatic {
    DECLARE_DYNAMIC(CMultiLineLabel)
public:
    CMultiLineLabel() = default;

    // The text broken into lines no wider than width (as measured) and no
    // longer than maxChars (-1: no limit); FALSE (and no lines) when even
    // one character is too wide.
    template <class Measure>
    static BOOL BreakLines(const CString& text, int width, int maxChars, Measure measure, CStringArray& lines);
    // Draws the label into dc within client.
    void Draw(CDC* pDC, const CRect& client);

    int m_nMaxLineChars = -1;
    int m_nHorizontalAlign = 0; // 0 left, 1 centre, 2 right
    int m_nVerticalAlign = 0;   // 0 top, 1 centre, 2 bottom

protected:
    void OnPaint();
    DECLARE_MESSAGE_MAP()
};

class CLED : public CWnd {
    DECLARE_DYNAMIC(CLED)
public:
    CLED() = default;

    virtual void OnDraw(CDC* pDC);
    using CWnd::Create;
    virtual BOOL Create(const RECT& rect, CWnd* pParent, UINT nID);
    void SetOnColour(COLORREF clr) { m_clrOn = clr; }
    void SetOffColour(COLORREF clr) { m_clrOff = clr; }
    void SetState(int nState);
    int GetState() const { return m_nState; }
    // The lamp's rectangle inside the frame: client inset by the frame
    // width, but by no more than half the width or half the height.
    CRect GetLampRect(const CRect& client) const;

    COLORREF m_clrOn = RGB(255, 0, 0);
    COLORREF m_clrOff = RGB(0, 0, 0);
    COLORREF m_clrFrame = RGB(0, 0, 0);
    int m_nFrameWidth = 1;
    int m_nState = 0;

protected:
    void OnPaint();
    void OnLButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()
};

class CTextLED : public CLED {
    DECLARE_DYNAMIC(CTextLED)
public:
    CTextLED() = default;

    void OnDraw(CDC* pDC) override;
    virtual void SetTextColour(COLORREF clrOn, COLORREF clrOff);
    virtual COLORREF GetTextColour() const { return m_nState ? m_clrTextOn : m_clrTextOff; }
    virtual void SetOnTextColour(COLORREF clr) { m_clrTextOn = clr; }
    virtual COLORREF GetOnTextColour() const { return m_clrTextOn; }
    virtual void SetOffTextColour(COLORREF clr) { m_clrTextOff = clr; }
    virtual COLORREF GetOffTextColour() const { return m_clrTextOff; }
    virtual void SetFontHeight(int n) { m_nFontHeight = n < 8 ? 8 : n; }
    virtual int GetFontHeight() const { return m_nFontHeight; }
    virtual void SetFontWeight(int n) { m_nFontWeight = n < 100 ? 100 : (n > 1000 ? 1000 : n); }
    virtual int GetFontWeight() const { return m_nFontWeight; }
    virtual void SetFontName(LPCTSTR lpszName);
    virtual CString GetFontName() const { return m_strFontName; }
    virtual int GetAlignment() const { return m_nAlignment; }
    virtual void SetAlignment(int n) { m_nAlignment = n; }
    virtual CString GetCaption() const { return m_strCaption; }
    virtual void SetCaption(LPCTSTR lpszText);
    virtual void SetFontFrom(CFont* pFont);

    COLORREF m_clrTextOn = RGB(0, 0, 0);
    COLORREF m_clrTextOff = RGB(255, 255, 255);
    int m_nFontHeight = 10;
    int m_nFontWeight = 300;
    CString m_strFontName = "Courier";
    int m_nAlignment = 1;
    CString m_strCaption;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    DECLARE_MESSAGE_MAP()
};

template <class Measure>
BOOL CMultiLineLabel::BreakLines(const CString& text, int width, int maxChars, Measure measure, CStringArray& lines)
{
    lines.RemoveAll();
    CString line;
    for (int i = 0; i < text.GetLength(); ++i) {
        const char c = text[i];
        line += c;
        if (measure(line) > width) {
            if (line.GetLength() == 1) {
                lines.RemoveAll();
                return FALSE;
            }
            line.Truncate(line.GetLength() - 1);
            lines.Add(line);
            line = CString(c);
            if (measure(line) > width) {
                lines.RemoveAll();
                return FALSE;
            }
        }
        if (maxChars > 0 && line.GetLength() >= maxChars) {
            lines.Add(line);
            line.Empty();
        }
    }
    if (!line.IsEmpty())
        lines.Add(line);
    return TRUE;
}
