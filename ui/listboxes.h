// CAutosizeListBox (an owner-drawn list that sizes itself to its items and
// reports choices to its parent), CListBoxM (forwards right clicks to its
// parent) and CDScrollBar (range, page, position and step as doubles over
// the platform's integer scroll bar).
#pragma once

#include <windows.h>

#include "foundation/containers.h"
#include "framework/controls.h"

// Sent to the parent when an item is chosen (wParam the index, lParam the
// list object).
const UINT WM_AUTOSIZE_LIST_CHOICE = 0x81DF;
// Sent to the parent on a right-button press (wParam WM_RBUTTONDOWN,
// lParam a LISTBOXM_CLICK).
const UINT WM_LISTBOXM_CLICK = 0x8190;

class CAutosizeListBox : public CListBox {
    DECLARE_DYNAMIC(CAutosizeListBox)
public:
    CAutosizeListBox() = default;

    void SetBkColour(COLORREF clr);
    void SetHideSelection(BOOL bHide);
    int GetTopItemHeight() const;
    int GetVisibleItemCount() const;
    int GetNonClientHeight() const;
    void MeasureWidestItem(CSize& size, BOOL bAddSpace) const;
    void ResizeToItems(int nMaxRows);

    void DrawItem(LPDRAWITEMSTRUCT lpDrawItemStruct) override;
    void MeasureItem(LPMEASUREITEMSTRUCT lpMeasureItemStruct) override;

    COLORREF m_clrBackground = RGB(255, 255, 255);
    BOOL m_bHideSelection = FALSE;

protected:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnLButtonDown(UINT nFlags, CPoint point);
    BOOL OnEraseBkgnd(CDC* pDC);
    LRESULT OnVKeyToItem(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    void ReportChoice();
};

class CListBoxM;

struct LISTBOXM_CLICK {
    CListBoxM* pList;
    int x;
    int y;
};

class CListBoxM : public CListBox {
    DECLARE_DYNAMIC(CListBoxM)
protected:
    void OnRButtonDown(UINT nFlags, CPoint point);
    DECLARE_MESSAGE_MAP()
};

class CDScrollBar : public CScrollBar {
    DECLARE_DYNAMIC(CDScrollBar)
public:
    CDScrollBar() = default;

    using CScrollBar::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    virtual void EnableArrows(UINT nFlags);
    virtual void Reset();
    virtual void GetRange(CTRange<double>& range) const { range = m_range; }
    virtual void SetRange(const CTRange<double>& range, BOOL bIncludePage);
    virtual double GetPos() const { return m_dPos; }
    virtual void SetPos(double dPos, BOOL bGrow);
    virtual void SetIntPos(int nPos) { SetPos(nPos * m_dScale, FALSE); }
    virtual double GetPage() const { return m_dPage; }
    virtual void SetPage(double dPage, BOOL bGrow);
    virtual void SetScale(double dScale);
    virtual double GetScale() const { return m_dScale; }
    virtual void SetMax(double dMax);
    virtual double GetMax() const { return m_range.m_high; }
    virtual void SetMin(double dMin);
    virtual double GetMin() const { return m_range.m_low; }
    virtual void LineForward(BOOL bPage);
    virtual void LineBack();
    virtual void PageForward(BOOL bPage);
    virtual void PageBack();
    virtual void GoToMin();
    virtual void GoToEnd(BOOL bPage);

    // What the platform scroll bar is given (minimum, maximum, page and
    // position over the scale); FALSE when the range cannot be mapped.
    BOOL GetPlatformInfo(SCROLLINFO& info) const;

    CTRange<double> m_range;
    double m_dPos = 0;
    double m_dScale = 1.0;
    double m_dPage = 0;

private:
    double UpperLimit(BOOL bPage) const { return bPage ? m_range.m_high - m_dPage : m_range.m_high; }
    void Update();
};
