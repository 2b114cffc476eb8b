// The program's own edit controls: CNumericEdit (bound to an integer or a
// double, filtering keystrokes and checking its range on leaving),
// CFilterEdit (no spaces, or an unsigned number within limits) and
// CCellEdit (the in-place editor of grid and table cells).
#pragma once

#include <windows.h>

#include "framework/controls.h"

// Sent to a numeric edit's parent when it loses the focus (wParam 1,
// lParam the control object).
const UINT WM_NUMERIC_EDIT_DONE = 0x811C;
// Sent to a cell editor's parent for Tab, Enter, Up and Down (wParam 0,
// lParam a CELLEDIT_KEY).
const UINT WM_CELL_EDIT_KEY = 0x81A4;
// Sent to a cell editor's parent when it gains the focus (wParam 1,
// lParam the control object).
const UINT WM_CELL_EDIT_FOCUS = 0x81A6;
// Asks a cell editor to post itself the destroy request.
const UINT WM_CELL_EDIT_CLOSE = 0x81CE;

class CNumericEdit : public CEdit {
    DECLARE_DYNAMIC(CNumericEdit)
public:
    CNumericEdit() = default;

    // Create or take over an edit bound to a value; a lower limit above 0
    // becomes 0. Without a message the default range message is used.
    BOOL CreateIntegerEdit(const RECT& rect, CWnd* pParent, UINT nID, int* pValue, int nLower, int nUpper,
                           LPCTSTR lpszMessage = nullptr);
    BOOL CreateFloatEdit(const RECT& rect, CWnd* pParent, UINT nID, double* pValue, double dLower, double dUpper,
                         LPCTSTR lpszMessage = nullptr);
    BOOL SubclassIntegerEdit(UINT nID, CWnd* pParent, int* pValue, int nLower, int nUpper,
                             LPCTSTR lpszMessage = nullptr);
    BOOL SubclassFloatEdit(UINT nID, CWnd* pParent, double* pValue, double dLower, double dUpper,
                           LPCTSTR lpszMessage = nullptr);
    // Switch the mode and set the limits as given.
    void SetIntegerRange(int nLower, int nUpper);
    void SetFloatRange(double dLower, double dUpper);
    void SetRangeMessage(LPCTSTR lpszText);

    // Whether text is acceptable while typing in the given mode.
    static bool IsValidIntegerText(const char* text);
    static bool IsValidFloatText(const char* text);
    // The value of an acceptable text (empty, "-", "." and "-." are 0);
    // false when the number does not fit the type.
    static bool ParseIntegerText(const char* text, int& value);
    static bool ParseFloatText(const char* text, double& value);
    // Whether every conversion of a range message takes an argument of the
    // kind (integers: d i u x X; doubles: f F e E g G), with at most two.
    static bool IsRangeMessageFor(const char* format, bool floating);

    int m_nValue = 0;
    int* m_pnValue = &m_nValue;
    int m_nLower = 0;
    int m_nUpper = 0;
    double m_dValue = 0;
    double* m_pdValue = &m_dValue;
    double m_dLower = 0;
    double m_dUpper = 0;
    CString m_strMessage;
    int m_nMode = 0; // 0 integer, 1 floating point
    CFont m_font;

protected:
    void PreSubclassWindow() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnKillFocus(CWnd* pNewWnd);
    void OnDestroy();
    DECLARE_MESSAGE_MAP()

private:
    void BindInteger(int* pValue, int nLower, int nUpper, LPCTSTR lpszMessage, BOOL bKeepMessage);
    void BindFloat(double* pValue, double dLower, double dUpper, LPCTSTR lpszMessage, BOOL bKeepMessage);
    // Checks the text after any change (typing, paste, undo, a text set
    // from outside): an acceptable text sets the bound value; anything else
    // is rolled back to the last acceptable text with a beep.
    void CheckText();

    CString m_strGoodText;   // the last acceptable text
    DWORD m_dwGoodSel = 0;   // its selection, taken before a change
    BOOL m_bSelKnown = FALSE;
    BOOL m_bRestoring = FALSE;
};

class CFilterEdit : public CEdit {
    DECLARE_DYNAMIC(CFilterEdit)
public:
    CFilterEdit() = default;
    void SetLimits(BOOL bUpper, long nUpper, BOOL bLower, long nLower);

    int m_nFilter = 0; // 0 none, 1 no spaces, 2 unsigned number
    BOOL m_bLower = FALSE;
    long m_nLower = 0;
    BOOL m_bUpper = FALSE;
    long m_nUpper = 0;

protected:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    DECLARE_MESSAGE_MAP()
};

class CCellEdit;

// What a cell editor reports for a navigation key.
struct CELLEDIT_KEY {
    UINT nChar;
    UINT nRepCnt;
    UINT nFlags;
    CCellEdit* pEdit;
};

class CCellEdit : public CEdit {
    DECLARE_DYNAMIC(CCellEdit)
public:
    enum { KIND_TEXT = 0, KIND_DOUBLE = 1, KIND_SIGNED = 2, KIND_UNSIGNED = 3 };
    CCellEdit() = default;

    void SetCellKind(int nKind);
    BOOL IsTextChanged() const;
    // Shows the value (a double, int, unsigned or text pointer by the
    // cell kind) fitted to the control's width.
    void ShowNumberFitted(const void* pValue);
    // How many digits fit the client width with the control's font.
    int GetFittingDigits() const;

    BOOL m_bSelectAllPending = FALSE;
    BOOL m_bMouseDown = FALSE;
    CString m_strFocusText;
    int m_nKind = KIND_TEXT;
    BOOL m_bSelfDelete = FALSE;
    BOOL m_bKeyDown = FALSE;
    BOOL m_bFrame = FALSE;
    COLORREF m_clrFrame = 0;
    int m_nFrameWidth = 1;
    BOOL m_bFitted = FALSE;

protected:
    void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags);
    void OnKeyUp(UINT nChar, UINT nRepCnt, UINT nFlags);
    UINT OnGetDlgCode();
    void OnSetFocus(CWnd* pOldWnd);
    void OnLButtonDown(UINT nFlags, CPoint point);
    void OnLButtonUp(UINT nFlags, CPoint point);
    void OnPaint();
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnCloseRequest(WPARAM wParam, LPARAM lParam);
    void PostNcDestroy() override;
    DECLARE_MESSAGE_MAP()
};
