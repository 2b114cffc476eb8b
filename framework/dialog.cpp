#include "framework/dialog.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>

#include <commctrl.h>

#include "framework/app.h"
#include "framework/prompt.h"
#include "framework/resources.h"

IMPLEMENT_DYNAMIC(CUserException, CException)
IMPLEMENT_DYNAMIC(CDialog, CWnd)

void AfxThrowUserException()
{
    throw new CUserException;
}

// --- CDataExchange -----------------------------------------------------------------

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    m_hWndLastControl = m_pDlgWnd->GetDlgItemHwnd(nIDC);
    m_bEditLastControl = FALSE;
    return m_hWndLastControl;
}

HWND CDataExchange::PrepareEditCtrl(int nIDC)
{
    HWND hWnd = PrepareCtrl(nIDC);
    m_bEditLastControl = TRUE;
    return hWnd;
}

void CDataExchange::Fail()
{
    if (m_bSaveAndValidate && m_hWndLastControl) {
        ::SetFocus(m_hWndLastControl);
        if (m_bEditLastControl)
            ::SendMessageA(m_hWndLastControl, EM_SETSEL, 0, -1);
    }
    AfxThrowUserException();
}

// --- CDialog -----------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCEA(nIDTemplate)), m_pParentWnd(pParentWnd)
{
    m_nIDHelp = nIDTemplate;
}

CDialog::CDialog(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd)
{
}

LPCDLGTEMPLATE CDialog::LoadTemplate() const
{
    if (m_lpDialogTemplate)
        return m_lpDialogTemplate;
    if (!m_lpszTemplateName)
        return nullptr;
    const HINSTANCE hInst = AfxFindResourceHandle(m_lpszTemplateName, MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    HRSRC hRes = FindResourceA(hInst, m_lpszTemplateName, MAKEINTRESOURCEA(5));
    HGLOBAL hGlobal = hRes ? LoadResource(hInst, hRes) : nullptr;
    return hGlobal ? static_cast<LPCDLGTEMPLATE>(LockResource(hGlobal)) : nullptr;
}

namespace {

struct TemplatePlace {
    DWORD style = 0;
    short x = 0;
    short y = 0;
};

TemplatePlace ReadTemplatePlace(LPCDLGTEMPLATE lpTemplate)
{
    TemplatePlace place;
    if (!lpTemplate)
        return place;
    const WORD* words = reinterpret_cast<const WORD*>(lpTemplate);
    if (words[0] == 1 && words[1] == 0xFFFF) {
        // The extended form: version, signature, help id, extended style,
        // style, item count, x, y.
        place.style = MAKELONG(words[6], words[7]);
        place.x = static_cast<short>(words[9]);
        place.y = static_cast<short>(words[10]);
    } else {
        // Style, extended style, item count, x, y.
        place.style = MAKELONG(words[0], words[1]);
        place.x = static_cast<short>(words[5]);
        place.y = static_cast<short>(words[6]);
    }
    return place;
}

// Whether a template leaves the dialog's place open: a pop-up at 0, 0 of
// its owner that the system neither centres nor places absolutely.
bool TemplateLeavesPlaceOpen(LPCDLGTEMPLATE lpTemplate)
{
    const TemplatePlace place = ReadTemplatePlace(lpTemplate);
    return lpTemplate && place.x == 0 && place.y == 0 &&
           !(place.style & (WS_CHILD | DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN));
}

} // namespace

INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    CDialog* pDlg = DYNAMIC_DOWNCAST(CDialog, CWnd::FromHandlePermanent(hWnd));
    if (!pDlg)
        return TRUE;
    BOOL result = TRUE;
    AfxCallWalled("framework: exception in OnInitDialog", [&] { result = pDlg->OnInitDialog(); });
    // A dialog that nothing placed (its template, its creation or its
    // initialisation) opens centred on its owner instead of in the owner's
    // corner, over its menu bar.
    if (pDlg->m_bPlaceOpen && ::IsWindow(hWnd)) {
        RECT now = {};
        ::GetWindowRect(hWnd, &now);
        if (now.left == pDlg->m_ptCreated.x && now.top == pDlg->m_ptCreated.y)
            pDlg->CenterWindow();
    }
    return result;
}

BOOL CDialog::CreateFromTemplate(LPCDLGTEMPLATE lpTemplate, CWnd* pParentWnd)
{
    ForgetLastCreate();
    if (!lpTemplate || m_hWnd)
        return FALSE;
    m_pParentWnd = pParentWnd;
    m_bModal = FALSE;
    m_bPlaceOpen = TemplateLeavesPlaceOpen(lpTemplate);
    // A window of the program given no owner is owned by the program's main
    // window, so that it stays in front of it whenever the main window comes
    // to the top.
    HWND hWndOwner = pParentWnd ? pParentWnd->m_hWnd : nullptr;
    if (!hWndOwner && !(ReadTemplatePlace(lpTemplate).style & WS_CHILD) && ::IsWindow(AfxGetMainWndHandle()))
        hWndOwner = AfxGetMainWndHandle();
    // The creation hook attaches this object to the dialog window before
    // its first message, so WM_INITDIALOG and everything after reaches the
    // message map.
    CCreation creation;
    PrepareCreate(creation);
    HWND hWnd = CreateDialogIndirectParamA(AfxGetInstanceHandle(), lpTemplate, hWndOwner, AfxDlgProc, 0);
    if (!EndCreate(creation, hWnd))
        return FALSE; // destroyed during creation: the object may be gone
    if (!hWnd) {
        if (m_hWnd)
            UnsubclassWindow();
        return FALSE;
    }
    return TRUE;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd)
{
    return Create(MAKEINTRESOURCEA(nIDTemplate), pParentWnd);
}

BOOL CDialog::CreateOrDelete(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    if (CDialog::Create(lpszTemplateName, pParentWnd))
        return TRUE;
    delete this;
    return FALSE;
}

BOOL CDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_lpszTemplateName = lpszTemplateName;
    if (IS_INTRESOURCE(lpszTemplateName) && !m_nIDHelp)
        m_nIDHelp = static_cast<UINT>(reinterpret_cast<UINT_PTR>(lpszTemplateName));
    return CreateFromTemplate(LoadTemplate(), pParentWnd);
}

BOOL CDialog::CreateIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    return CreateFromTemplate(lpDialogTemplate, pParentWnd);
}

BOOL CDialog::InitModalIndirect(LPCDLGTEMPLATE lpDialogTemplate, CWnd* pParentWnd)
{
    m_lpDialogTemplate = lpDialogTemplate;
    m_pParentWnd = pParentWnd;
    return lpDialogTemplate != nullptr;
}

INT_PTR CDialog::DoModal()
{
    LPCDLGTEMPLATE lpTemplate = LoadTemplate();
    if (!lpTemplate || m_hWnd)
        return -1;
    HWND hWndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : GetActiveWindow();
    m_bModal = TRUE;
    m_bPlaceOpen = TemplateLeavesPlaceOpen(lpTemplate);
    CCreation creation;
    PrepareCreate(creation);
    const INT_PTR result = DialogBoxIndirectParamA(AfxGetInstanceHandle(), lpTemplate, hWndParent, AfxDlgProc, 0);
    // A window that existed is gone when the modal run returns, and its
    // PostNcDestroy may have deleted this object: touch nothing then (the
    // window's end already cleared the modal flag and the handle).
    if (!EndCreate(creation, nullptr))
        return result;
    m_bModal = FALSE;
    if (m_hWnd)
        UnsubclassWindow();
    return result;
}

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // Where the window was made, before anything (its registration at its
    // place, say) moves it.
    if (message == WM_CREATE) {
        RECT created = {};
        ::GetWindowRect(m_hWnd, &created);
        m_ptCreated = {created.left, created.top};
    }
    // The end of the window ends a modal run too; after this message the
    // object may be deleted by its PostNcDestroy.
    if (message == WM_NCDESTROY)
        m_bModal = FALSE;
    return CWnd::WindowProc(message, wParam, lParam);
}

CWnd* CDialog::KeepParentHandle(HWND hWndParent)
{
    m_wndParentHandle.m_hWnd = hWndParent;
    m_pParentWnd = hWndParent ? &m_wndParentHandle : nullptr;
    return m_pParentWnd;
}

CDialog::~CDialog()
{
    // The wrapper names a window it does not own.
    m_wndParentHandle.m_hWnd = nullptr;
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult)
{
    if (m_hWnd)
        ::EndDialog(m_hWnd, nResult);
}

void CDialog::DoDataExchange(CDataExchange*) {}

BOOL CDialog::UpdateData(BOOL bSaveAndValidate)
{
    CDataExchange dx(this, bSaveAndValidate);
    try {
        DoDataExchange(&dx);
        return TRUE;
    } catch (CUserException* e) {
        e->Delete();
        return FALSE;
    }
}

void CDialog::GotoDlgCtrl(CWnd* pWndCtrl)
{
    if (pWndCtrl)
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pWndCtrl->m_hWnd), TRUE);
}

void CDialog::NextDlgCtrl() const
{
    SendMessage(WM_NEXTDLGCTL, 0, 0);
}

void CDialog::PrevDlgCtrl() const
{
    SendMessage(WM_NEXTDLGCTL, 1, 0);
}

void CDialog::SetDefID(UINT nID)
{
    SendMessage(DM_SETDEFID, nID, 0);
}

DWORD CDialog::GetDefID() const
{
    return static_cast<DWORD>(SendMessage(DM_GETDEFID, 0, 0));
}

void CDialog::MapDialogRect(LPRECT lpRect) const
{
    ::MapDialogRect(m_hWnd, lpRect);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg)
{
    // Keyboard navigation of modeless dialogs (modal ones get it from the
    // system's dialog loop).
    if (!m_bModal && m_hWnd && pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST)
        return ::IsDialogMessageA(m_hWnd, pMsg);
    return FALSE;
}

// --- data exchange -----------------------------------------------------------------

namespace {

void Tell(CDataExchange* pDX, const CString& text)
{
    AfxGetPromptService().Prompt(pDX->m_pDlgWnd->GetSafeHwnd(), text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
    pDX->Fail();
}

CString ControlText(HWND hWnd)
{
    CString text;
    CWnd::FromHandle(hWnd)->GetWindowText(text);
    return text;
}

// Whole-text integer parse with optional spaces around it.
bool ParseLongLong(const CString& text, long long& value)
{
    CString t(text);
    t.Trim();
    if (t.IsEmpty())
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtoll(t, &end, 10);
    return errno == 0 && end && *end == '\0';
}

// True when text is a decimal number: an optional sign, digits with at most
// one point (a digit on at least one side), and an optional exponent.
// "nan", "inf" and hexadecimal forms, which strtod also reads, are not.
bool IsDecimalNumber(const char* text)
{
    const char* p = text;
    if (*p == '+' || *p == '-')
        ++p;
    bool digits = false;
    while (*p >= '0' && *p <= '9') {
        ++p;
        digits = true;
    }
    if (*p == '.') {
        ++p;
        while (*p >= '0' && *p <= '9') {
            ++p;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (*p == 'e' || *p == 'E') {
        ++p;
        if (*p == '+' || *p == '-')
            ++p;
        if (!(*p >= '0' && *p <= '9'))
            return false;
        while (*p >= '0' && *p <= '9')
            ++p;
    }
    return *p == '\0';
}

// Whole-text decimal parse with optional spaces around it. A number too
// small for a double reads as 0; one too large is refused.
bool ParseDouble(const CString& text, double& value)
{
    CString t(text);
    t.Trim();
    if (!IsDecimalNumber(t))
        return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtod(t, &end);
    if (!end || *end != '\0')
        return false;
    if (errno == ERANGE) {
        if (std::isinf(value))
            return false;
        if (std::fabs(value) < DBL_MIN)
            value = 0.0; // an underflow, denormal or not, is 0
    }
    return std::isfinite(value);
}

template <class T> void TextSigned(CDataExchange* pDX, int nIDC, T& value)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseLongLong(ControlText(hWnd), v) || v < static_cast<long long>(std::numeric_limits<T>::min()) ||
            v > static_cast<long long>(std::numeric_limits<T>::max()))
            Tell(pDX, "Please enter an integer.");
        value = static_cast<T>(v);
    } else {
        CString text;
        text.Format("%lld", static_cast<long long>(value));
        ::SetWindowTextA(hWnd, text);
    }
}

template <class T> void TextUnsigned(CDataExchange* pDX, int nIDC, T& value)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        long long v = 0;
        if (!ParseLongLong(ControlText(hWnd), v) || v < 0 ||
            static_cast<unsigned long long>(v) > static_cast<unsigned long long>(std::numeric_limits<T>::max()))
            Tell(pDX, "Please enter a positive integer.");
        value = static_cast<T>(v);
    } else {
        CString text;
        text.Format("%llu", static_cast<unsigned long long>(value));
        ::SetWindowTextA(hWnd, text);
    }
}

template <class T> void TextFloating(CDataExchange* pDX, int nIDC, T& value, int digits)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate) {
        double v = 0;
        // The value must fit the member too: a float holds less than a double.
        if (!ParseDouble(ControlText(hWnd), v) || std::fabs(v) > static_cast<double>(std::numeric_limits<T>::max()))
            Tell(pDX, "Please enter a number.");
        else
            value = static_cast<T>(v);
    } else {
        CString text;
        text.Format("%.*g", digits, static_cast<double>(value));
        ::SetWindowTextA(hWnd, text);
    }
}

template <class T> void RangeCheck(CDataExchange* pDX, T value, T minVal, T maxVal, const char* format)
{
    if (!pDX->m_bSaveAndValidate || (value >= minVal && value <= maxVal))
        return;
    CString text;
    if constexpr (std::is_floating_point_v<T>)
        text.Format(format, static_cast<double>(minVal), static_cast<double>(maxVal));
    else if constexpr (std::is_signed_v<T>)
        text.Format(format, static_cast<long long>(minVal), static_cast<long long>(maxVal));
    else
        text.Format(format, static_cast<unsigned long long>(minVal), static_cast<unsigned long long>(maxVal));
    Tell(pDX, text);
}

// A value a control reports with one message and takes with another
// (wParam).
void ExchangeByMessage(CDataExchange* pDX, int nIDC, int& value, UINT getMessage, UINT setMessage)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(hWnd, getMessage, 0, 0));
    else
        ::SendMessageA(hWnd, setMessage, static_cast<WPARAM>(value), 0);
}

} // namespace

void DDX_Text(CDataExchange* pDX, int nIDC, CString& value)
{
    HWND hWnd = pDX->PrepareEditCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ControlText(hWnd);
    else
        ::SetWindowTextA(hWnd, value);
}

void DDX_Text(CDataExchange* pDX, int nIDC, int& value)
{
    TextSigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, long& value)
{
    TextSigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, short& value)
{
    TextSigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, UINT& value)
{
    TextUnsigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, DWORD& value)
{
    TextUnsigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, BYTE& value)
{
    TextUnsigned(pDX, nIDC, value);
}
void DDX_Text(CDataExchange* pDX, int nIDC, double& value)
{
    TextFloating(pDX, nIDC, value, DBL_DIG);
}
void DDX_Text(CDataExchange* pDX, int nIDC, float& value)
{
    TextFloating(pDX, nIDC, value, FLT_DIG);
}

void DDX_Check(CDataExchange* pDX, int nIDC, int& value)
{
    ExchangeByMessage(pDX, nIDC, value, BM_GETCHECK, BM_SETCHECK);
}

void DDX_Radio(CDataExchange* pDX, int nIDC, int& value)
{
    // The group starts at nIDC and runs until the next control with
    // WS_GROUP; value is the index of the checked button, -1 for none.
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = -1;
    int index = 0;
    do {
        if (::SendMessageA(hWnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) {
            if (pDX->m_bSaveAndValidate) {
                if (::SendMessageA(hWnd, BM_GETCHECK, 0, 0) == BST_CHECKED)
                    value = index;
            } else {
                ::SendMessageA(hWnd, BM_SETCHECK, index == value ? BST_CHECKED : BST_UNCHECKED, 0);
            }
            ++index;
        }
        hWnd = ::GetWindow(hWnd, GW_HWNDNEXT);
    } while (hWnd && !(::GetWindowLongPtrA(hWnd, GWL_STYLE) & WS_GROUP));
}

void DDX_LBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    ExchangeByMessage(pDX, nIDC, index, LB_GETCURSEL, LB_SETCURSEL);
}

namespace {

CString ListText(HWND hWnd, UINT getLen, UINT getText, WPARAM index)
{
    CString text;
    const LRESULT length = ::SendMessageA(hWnd, getLen, index, 0);
    if (length >= 0) {
        char* buffer = text.GetBufferSetLength(static_cast<int>(length) + 1);
        ::SendMessageA(hWnd, getText, index, reinterpret_cast<LPARAM>(buffer));
        text.ReleaseBuffer();
    }
    return text;
}

void ListString(CDataExchange* pDX, int nIDC, CString& value, bool combo, bool exact)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    const UINT getCurSel = combo ? CB_GETCURSEL : LB_GETCURSEL;
    if (pDX->m_bSaveAndValidate) {
        const LRESULT sel = ::SendMessageA(hWnd, getCurSel, 0, 0);
        if (sel >= 0)
            value = combo ? ListText(hWnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, static_cast<WPARAM>(sel))
                          : ListText(hWnd, LB_GETTEXTLEN, LB_GETTEXT, static_cast<WPARAM>(sel));
        else if (combo)
            value = ControlText(hWnd); // the edit part of a drop-down combo box
        else
            value.Empty();
        return;
    }
    const UINT find =
        combo ? (exact ? CB_FINDSTRINGEXACT : CB_FINDSTRING) : (exact ? LB_FINDSTRINGEXACT : LB_FINDSTRING);
    const LRESULT at = ::SendMessageA(hWnd, find, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.GetString()));
    ::SendMessageA(hWnd, combo ? CB_SETCURSEL : LB_SETCURSEL, static_cast<WPARAM>(at), 0);
    if (combo && at < 0)
        ::SetWindowTextA(hWnd, value);
}

} // namespace

void DDX_LBString(CDataExchange* pDX, int nIDC, CString& value)
{
    ListString(pDX, nIDC, value, false, false);
}
void DDX_LBStringExact(CDataExchange* pDX, int nIDC, CString& value)
{
    ListString(pDX, nIDC, value, false, true);
}
void DDX_CBString(CDataExchange* pDX, int nIDC, CString& value)
{
    ListString(pDX, nIDC, value, true, false);
}
void DDX_CBStringExact(CDataExchange* pDX, int nIDC, CString& value)
{
    ListString(pDX, nIDC, value, true, true);
}

void DDX_CBIndex(CDataExchange* pDX, int nIDC, int& index)
{
    ExchangeByMessage(pDX, nIDC, index, CB_GETCURSEL, CB_SETCURSEL);
}

void DDX_Scroll(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = ::GetScrollPos(hWnd, SB_CTL);
    else
        ::SetScrollPos(hWnd, SB_CTL, value, TRUE);
}

void DDX_Slider(CDataExchange* pDX, int nIDC, int& value)
{
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (pDX->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(hWnd, TBM_GETPOS, 0, 0));
    else
        ::SendMessageA(hWnd, TBM_SETPOS, TRUE, value);
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.m_hWnd)
        return;
    HWND hWnd = pDX->PrepareCtrl(nIDC);
    if (!hWnd || !rControl.SubclassWindow(hWnd)) {
        OutputDebugStringA("framework: DDX_Control could not subclass the control\n");
        AfxThrowNotSupportedException();
    }
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minVal, int maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %lld and %lld.");
}

void DDV_MinMaxLong(CDataExchange* pDX, long value, long minVal, long maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %lld and %lld.");
}

void DDV_MinMaxShort(CDataExchange* pDX, short value, short minVal, short maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %lld and %lld.");
}

void DDV_MinMaxUInt(CDataExchange* pDX, UINT value, UINT minVal, UINT maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %llu and %llu.");
}

void DDV_MinMaxDWord(CDataExchange* pDX, DWORD value, DWORD minVal, DWORD maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %llu and %llu.");
}

void DDV_MinMaxByte(CDataExchange* pDX, BYTE value, BYTE minVal, BYTE maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter an integer between %llu and %llu.");
}

void DDV_MinMaxDouble(CDataExchange* pDX, const double& value, double minVal, double maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter a number between %g and %g.");
}

void DDV_MinMaxFloat(CDataExchange* pDX, const float& value, float minVal, float maxVal)
{
    RangeCheck(pDX, value, minVal, maxVal, "Please enter a number between %g and %g.");
}

void DDV_MaxChars(CDataExchange* pDX, const CString& value, int nChars)
{
    if (pDX->m_bSaveAndValidate) {
        if (value.GetLength() > nChars) {
            CString text;
            text.Format("Enter no more than %d characters.", nChars);
            Tell(pDX, text);
        }
    } else if (pDX->m_hWndLastControl && pDX->m_bEditLastControl) {
        ::SendMessageA(pDX->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(nChars), 0);
    }
}
