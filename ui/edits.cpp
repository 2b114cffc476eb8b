#include "ui/edits.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ui/numbertext.h"
#include "ui/progress.h"
#include "ui/toolkit_resource.h"
#include "ui/userdialog.h"

namespace {

const DWORD EDIT_STYLE = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP; // 0x50810000

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool IsUnsignedText(const char* text)
{
    for (; *text; ++text)
        if (!IsDigit(*text))
            return false;
    return true;
}

// A number with an optional exponent while it is being typed: a sign at
// the start or after the "e", digits, one point before the "e", one "e"
// after a digit.
bool IsExponentNumberText(const char* text)
{
    bool digit = false, point = false, exponent = false;
    for (const char* p = text; *p; ++p) {
        const char c = *p;
        if (IsDigit(c)) {
            digit = true;
        } else if (c == '-' || c == '+') {
            if (p != text && std::tolower(static_cast<unsigned char>(p[-1])) != 'e')
                return false;
        } else if (c == '.') {
            if (point || exponent)
                return false;
            point = true;
        } else if (c == 'e' || c == 'E') {
            if (exponent || !digit)
                return false;
            exponent = true;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

// --- CNumericEdit ---------------------------------------------------------------

IMPLEMENT_DYNAMIC(CNumericEdit, CEdit)

BEGIN_MESSAGE_MAP(CNumericEdit, CEdit)
ON_WM_CREATE()
ON_WM_KILLFOCUS()
ON_WM_DESTROY()
END_MESSAGE_MAP()

namespace {

const char kIntegerRangeMessage[] = "Number out of range\n\nIt must be in the range %d to %d";
const char kFloatRangeMessage[] = "Number out of range\n\nIt must be in the range %.3f to %.3f";

CString DefaultRangeMessage(bool floating)
{
    return floating ? LoadStringOr(IDS_FLOAT_OUT_OF_RANGE, kFloatRangeMessage)
                    : LoadStringOr(IDS_INTEGER_OUT_OF_RANGE, kIntegerRangeMessage);
}

// The messages that change an edit's text from the keyboard or the
// clipboard.
bool IsEditingMessage(UINT message)
{
    switch (message) {
    case WM_CHAR:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_UNDO:
    case EM_UNDO:
    case EM_REPLACESEL:
        return true;
    default:
        return false;
    }
}

} // namespace

void CNumericEdit::BindInteger(int* pValue, int nLower, int nUpper, LPCTSTR lpszMessage, BOOL bKeepMessage)
{
    m_nMode = 0;
    m_pnValue = pValue ? pValue : &m_nValue;
    m_nLower = nLower > 0 ? 0 : nLower;
    m_nUpper = nUpper;
    if (lpszMessage)
        m_strMessage = lpszMessage;
    else if (!bKeepMessage || m_strMessage.IsEmpty())
        m_strMessage = DefaultRangeMessage(false);
}

void CNumericEdit::BindFloat(double* pValue, double dLower, double dUpper, LPCTSTR lpszMessage, BOOL bKeepMessage)
{
    m_nMode = 1;
    m_pdValue = pValue ? pValue : &m_dValue;
    m_dLower = dLower > 0 ? 0 : dLower;
    m_dUpper = dUpper;
    if (lpszMessage)
        m_strMessage = lpszMessage;
    else if (!bKeepMessage || m_strMessage.IsEmpty())
        m_strMessage = DefaultRangeMessage(true);
}

BOOL CNumericEdit::CreateIntegerEdit(const RECT& rect, CWnd* pParent, UINT nID, int* pValue, int nLower, int nUpper,
                                     LPCTSTR lpszMessage)
{
    BindInteger(pValue, nLower, nUpper, lpszMessage, FALSE);
    return Create(EDIT_STYLE, rect, pParent, nID);
}

BOOL CNumericEdit::CreateFloatEdit(const RECT& rect, CWnd* pParent, UINT nID, double* pValue, double dLower,
                                   double dUpper, LPCTSTR lpszMessage)
{
    BindFloat(pValue, dLower, dUpper, lpszMessage, FALSE);
    return Create(EDIT_STYLE, rect, pParent, nID);
}

BOOL CNumericEdit::SubclassIntegerEdit(UINT nID, CWnd* pParent, int* pValue, int nLower, int nUpper,
                                       LPCTSTR lpszMessage)
{
    BindInteger(pValue, nLower, nUpper, lpszMessage, TRUE);
    return SubclassDlgItem(nID, pParent);
}

BOOL CNumericEdit::SubclassFloatEdit(UINT nID, CWnd* pParent, double* pValue, double dLower, double dUpper,
                                     LPCTSTR lpszMessage)
{
    BindFloat(pValue, dLower, dUpper, lpszMessage, TRUE);
    return SubclassDlgItem(nID, pParent);
}

void CNumericEdit::SetIntegerRange(int nLower, int nUpper)
{
    m_nMode = 0;
    m_nLower = nLower;
    m_nUpper = nUpper;
}

void CNumericEdit::SetFloatRange(double dLower, double dUpper)
{
    m_nMode = 1;
    m_dLower = dLower;
    m_dUpper = dUpper;
}

void CNumericEdit::SetRangeMessage(LPCTSTR lpszText)
{
    if (lpszText)
        m_strMessage = lpszText;
}

bool CNumericEdit::IsValidIntegerText(const char* text)
{
    if (!*text)
        return true;
    if (!IsDigit(text[0]) && text[0] != '-')
        return false;
    return IsUnsignedText(text + 1);
}

bool CNumericEdit::IsValidFloatText(const char* text)
{
    if (!*text)
        return true;
    int points = 0;
    for (const char* p = text; *p; ++p) {
        if (*p == '.')
            ++points;
        else if (!IsDigit(*p) && !(p == text && *p == '-'))
            return false;
    }
    return points <= 1;
}

bool CNumericEdit::ParseIntegerText(const char* text, int& value)
{
    value = 0;
    if (!*text || std::strcmp(text, "-") == 0)
        return true;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text, &end, 10);
    if (errno == ERANGE || *end || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool CNumericEdit::ParseFloatText(const char* text, double& value)
{
    value = 0;
    if (!*text || std::strcmp(text, "-") == 0 || std::strcmp(text, ".") == 0 || std::strcmp(text, "-.") == 0)
        return true;
    char* end = nullptr;
    const double parsed = std::strtod(text, &end);
    // Without an exponent only a few hundred digits overflow; a result
    // that underflows is as near to the text as a double gets.
    if (*end || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool CNumericEdit::IsRangeMessageFor(const char* format, bool floating)
{
    int conversions = 0;
    for (const char* p = format; *p; ++p) {
        if (*p != '%')
            continue;
        if (*++p == '%')
            continue;
        while (*p && std::strchr("-+ #0", *p))
            ++p;
        while (IsDigit(*p))
            ++p;
        if (*p == '.') {
            ++p;
            while (IsDigit(*p))
                ++p;
        }
        if (!*p || !std::strchr(floating ? "fFeEgG" : "diuxX", *p))
            return false;
        ++conversions;
    }
    return conversions <= 2;
}

void CNumericEdit::PreSubclassWindow()
{
    CEdit::PreSubclassWindow();
    m_strGoodText = GetWindowTextString();
}

int CNumericEdit::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CEdit::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_font.CreateFont(6, 0, 0, 0, 100, FALSE, FALSE, FALSE, ANSI_CHARSET, 5, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, "MS Shell Dlg");
    SetFont(static_cast<HFONT>(m_font.m_hObject), FALSE);
    m_strGoodText = GetWindowTextString();
    return 0;
}

LRESULT CNumericEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!IsEditingMessage(message))
        return CEdit::WindowProc(message, wParam, lParam);
    // The selection before the change, for a roll-back.
    m_dwGoodSel = GetSel();
    m_bSelKnown = TRUE;
    const LRESULT result = CEdit::WindowProc(message, wParam, lParam);
    // The parent hears of the change too (and hands it back here), but a
    // parent outside the framework does not: look again.
    if (m_hWnd)
        CheckText();
    m_bSelKnown = FALSE;
    return result;
}

BOOL CNumericEdit::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Every change of the text, whatever made it; the parent still gets
    // the notification afterwards.
    if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        CheckText();
    return CEdit::OnChildNotify(message, wParam, lParam, pResult);
}

void CNumericEdit::CheckText()
{
    if (m_bRestoring)
        return;
    const CString text = GetWindowTextString();
    if (text == m_strGoodText)
        return;
    if (m_nMode == 0) {
        int value = 0;
        if (IsValidIntegerText(text) && ParseIntegerText(text, value)) {
            *m_pnValue = value;
            m_strGoodText = text;
            return;
        }
    } else {
        double value = 0;
        if (IsValidFloatText(text) && ParseFloatText(text, value)) {
            *m_pdValue = value;
            m_strGoodText = text;
            return;
        }
    }
    m_bRestoring = TRUE;
    SetWindowText(m_strGoodText);
    if (m_bSelKnown)
        SetSel(m_dwGoodSel);
    else
        SetSel(m_strGoodText.GetLength(), m_strGoodText.GetLength());
    m_bRestoring = FALSE;
    ::MessageBeep(0xFFFFFFFF);
}

namespace {

// Set while an edit takes the focus back after its range message: the
// field that loses the focus then must not complain in turn, or two fields
// out of range would pass the focus and their messages back and forth.
thread_local bool t_bReturningFocus = false;

} // namespace

void CNumericEdit::OnKillFocus(CWnd* pNewWnd)
{
    CEdit::OnKillFocus(pNewWnd);
    const bool inRange = t_bReturningFocus || (m_nMode == 0 ? (m_nLower <= *m_pnValue && *m_pnValue <= m_nUpper)
                                                            : (m_dLower <= *m_pdValue && *m_pdValue <= m_dUpper));
    if (!inRange) {
        // The message is formatted with the limits of the field's kind; a
        // message written for the other kind gives way to the default one.
        const bool floating = m_nMode != 0;
        const CString format = IsRangeMessageFor(m_strMessage, floating) ? m_strMessage : DefaultRangeMessage(floating);
        CString text;
        if (floating)
            text.Format(format, m_dLower, m_dUpper);
        else
            text.Format(format, m_nLower, m_nUpper);
        t_bReturningFocus = true;
        ShowUserMessageWithCaptionId(this, text, IDS_NUMERIC_ENTRY);
        SetFocus();
        t_bReturningFocus = false;
    }
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_NUMERIC_EDIT_DONE, 1, reinterpret_cast<LPARAM>(this));
}

void CNumericEdit::OnDestroy()
{
    CEdit::OnDestroy();
    m_font.DeleteObject();
}

// --- CFilterEdit -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CFilterEdit, CEdit)

BEGIN_MESSAGE_MAP(CFilterEdit, CEdit)
ON_WM_CHAR()
END_MESSAGE_MAP()

void CFilterEdit::SetLimits(BOOL bUpper, long nUpper, BOOL bLower, long nLower)
{
    m_bUpper = bUpper;
    m_nUpper = nUpper;
    m_bLower = bLower;
    m_nLower = nLower;
}

void CFilterEdit::OnChar(UINT nChar, UINT, UINT)
{
    if (m_nFilter == 1) {
        if (nChar != ' ')
            Default();
        return;
    }
    if (m_nFilter != 2) {
        Default();
        return;
    }
    const CString oldText = GetWindowTextString();
    if (nChar >= '0' && nChar <= '9') {
        Default();
        const long value = std::atol(GetWindowTextString());
        if ((m_bUpper && value > m_nUpper) || (m_bLower && value < m_nLower)) {
            SetWindowText(oldText);
            SetSel(oldText.GetLength(), oldText.GetLength());
            ::MessageBeep(MB_ICONEXCLAMATION);
        }
        return;
    }
    if ((nChar == 8 || nChar == '.') && !oldText.IsEmpty()) {
        Default();
        return;
    }
    ::MessageBeep(MB_ICONEXCLAMATION);
}

// --- CCellEdit -------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CCellEdit, CEdit)

BEGIN_MESSAGE_MAP(CCellEdit, CEdit)
ON_WM_CHAR()
ON_WM_KEYDOWN()
ON_WM_KEYUP()
ON_WM_GETDLGCODE()
ON_WM_SETFOCUS()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONUP()
ON_WM_PAINT()
ON_WM_DESTROY()
ON_MESSAGE(WM_TOOL_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_CELL_EDIT_CLOSE, OnCloseRequest)
END_MESSAGE_MAP()

void CCellEdit::SetCellKind(int nKind)
{
    if (nKind == m_nKind)
        return;
    m_nKind = nKind;
    if (m_hWnd)
        SetWindowText("");
}

BOOL CCellEdit::IsTextChanged() const
{
    return GetWindowTextString() != m_strFocusText;
}

void CCellEdit::OnChar(UINT nChar, UINT, UINT)
{
    if (nChar == 9 || nChar == 13)
        return;
    const CString oldText = GetWindowTextString();
    const DWORD oldSel = GetSel();
    Default();
    const CString text = GetWindowTextString();
    bool valid = true;
    if (!text.IsEmpty()) {
        switch (m_nKind) {
        case KIND_DOUBLE:
            valid = m_bFitted ? IsExponentNumberText(text) : CNumericEdit::IsValidFloatText(text);
            break;
        case KIND_SIGNED:
            valid = CNumericEdit::IsValidIntegerText(text);
            break;
        case KIND_UNSIGNED:
            valid = IsUnsignedText(text);
            break;
        default:
            break;
        }
    }
    if (!valid) {
        SetWindowText(oldText);
        SetSel(oldSel);
    }
}

void CCellEdit::OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags)
{
    m_bKeyDown = TRUE;
    if (nChar == VK_TAB || nChar == VK_RETURN || nChar == VK_UP || nChar == VK_DOWN) {
        CELLEDIT_KEY key = {nChar, nRepCnt, nFlags, this};
        if (CWnd* pParent = GetParent())
            pParent->SendMessage(WM_CELL_EDIT_KEY, 0, reinterpret_cast<LPARAM>(&key));
        return;
    }
    Default();
}

void CCellEdit::OnKeyUp(UINT, UINT, UINT)
{
    m_bKeyDown = FALSE;
    Default();
}

UINT CCellEdit::OnGetDlgCode()
{
    return DLGC_WANTALLKEYS;
}

void CCellEdit::OnSetFocus(CWnd* pOldWnd)
{
    CEdit::OnSetFocus(pOldWnd);
    m_strFocusText = GetWindowTextString();
    if (CWnd* pParent = GetParent())
        pParent->SendMessage(WM_CELL_EDIT_FOCUS, 1, reinterpret_cast<LPARAM>(this));
    if (m_bMouseDown)
        m_bSelectAllPending = TRUE;
    else
        SetSel(0, -1);
}

void CCellEdit::OnLButtonDown(UINT nFlags, CPoint point)
{
    m_bMouseDown = TRUE;
    CEdit::OnLButtonDown(nFlags, point);
}

void CCellEdit::OnLButtonUp(UINT nFlags, CPoint point)
{
    m_bMouseDown = FALSE;
    CEdit::OnLButtonUp(nFlags, point);
    if (m_bSelectAllPending) {
        m_bSelectAllPending = FALSE;
        SetSel(0, -1);
    }
}

void CCellEdit::OnPaint()
{
    Default();
    if (!m_bFrame)
        return;
    // The frame lies outside the control, on the parent.
    CWnd* pParent = GetParent();
    if (!pParent)
        return;
    CRect rect;
    GetWindowRect(&rect);
    pParent->ScreenToClient(&rect);
    const int offset = (m_nFrameWidth + 1) / 2;
    rect.InflateRect(offset, offset);
    HDC hDC = ::GetDC(pParent->m_hWnd);
    HPEN hPen = ::CreatePen(PS_SOLID, m_nFrameWidth, m_clrFrame);
    HGDIOBJ hOldPen = ::SelectObject(hDC, hPen);
    HGDIOBJ hOldBrush = ::SelectObject(hDC, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(hDC, rect.left, rect.top, rect.right, rect.bottom);
    ::SelectObject(hDC, hOldBrush);
    ::SelectObject(hDC, hOldPen);
    ::DeleteObject(hPen);
    ::ReleaseDC(pParent->m_hWnd, hDC);
}

void CCellEdit::OnDestroy()
{
    if (m_bFrame) {
        if (CWnd* pParent = GetParent()) {
            CRect rect;
            GetWindowRect(&rect);
            pParent->ScreenToClient(&rect);
            rect.InflateRect(m_nFrameWidth + 1, m_nFrameWidth + 1);
            pParent->InvalidateRect(&rect);
        }
    }
    CEdit::OnDestroy();
}

LRESULT CCellEdit::OnCloseRequest(WPARAM, LPARAM)
{
    PostMessage(WM_TOOL_DESTROY_REQUEST);
    return 0;
}

LRESULT CCellEdit::OnDestroyRequest(WPARAM, LPARAM)
{
    DestroyWindow();
    return 0;
}

void CCellEdit::PostNcDestroy()
{
    if (m_bSelfDelete)
        delete this;
}

int CCellEdit::GetFittingDigits() const
{
    if (!m_hWnd)
        return 8;
    HFONT hFont = GetFont();
    HDC hDC = ::GetDC(m_hWnd);
    if (!hDC || !hFont) {
        if (hDC)
            ::ReleaseDC(m_hWnd, hDC);
        return 8;
    }
    HGDIOBJ hOld = ::SelectObject(hDC, hFont);
    SIZE size = {};
    ::GetTextExtentPoint32A(hDC, "0123456789", 10, &size);
    ::SelectObject(hDC, hOld);
    ::ReleaseDC(m_hWnd, hDC);
    if (size.cx <= 0)
        return 8;
    CRect client;
    GetClientRect(&client);
    return (client.Width() - (2 * m_nFrameWidth + 2)) * 10 / size.cx;
}

void CCellEdit::ShowNumberFitted(const void* pValue)
{
    if (!pValue)
        return;
    CString text;
    switch (m_nKind) {
    case KIND_DOUBLE: {
        const double value = *static_cast<const double*>(pValue);
        if (m_bFitted) {
            text = FormatFitted(value, GetFittingDigits());
        } else {
            text = FormatTidied(value, 24);
        }
        break;
    }
    case KIND_SIGNED:
        text.Format("%d", *static_cast<const int*>(pValue));
        break;
    case KIND_UNSIGNED:
        text.Format("%u", *static_cast<const unsigned*>(pValue));
        break;
    default:
        text = static_cast<const char*>(pValue);
        break;
    }
    SetWindowText(text);
}
