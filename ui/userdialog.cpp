#include "ui/userdialog.h"

#include <algorithm>

#include "foundation/logfile.h"
#include "framework/app.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui/windowlookup.h"

IMPLEMENT_DYNAMIC(CUserDialog, CDialog)

// --- CDialogOutcome ----------------------------------------------------------------

CDialogOutcome::CDialogOutcome() : m_hEvent(::CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}

CDialogOutcome::~CDialogOutcome()
{
    if (m_hEvent)
        ::CloseHandle(m_hEvent);
}

void CDialogOutcome::End(int nResult)
{
    // The result is in place before anyone can see the dialog ended.
    m_nResult = nResult;
    m_bEnded = TRUE;
    ::SetEvent(m_hEvent);
}

void CDialogOutcome::SetWindow(HWND hWnd)
{
    // Published before the request is read, as RequestClose stores its flag
    // before it reads the window: one of the two sees the other.
    m_hWnd = hWnd;
    if (hWnd && m_bCloseRequested)
        ::PostMessageA(hWnd, WM_DESTROY_REQUEST, 0, 0);
}

void CDialogOutcome::RequestClose()
{
    m_bCloseRequested = TRUE;
    if (HWND hWnd = m_hWnd.load())
        ::PostMessageA(hWnd, WM_DESTROY_REQUEST, 0, 0);
}

void CDialogOutcome::SetGone()
{
    m_hWnd = nullptr;
    m_bGone = TRUE;
    ::SetEvent(m_hEvent);
}

// --- CUserDialog -------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CUserDialog, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_COMMAND_RANGE(IDC_USER_BUTTON0, IDC_USER_BUTTON2, OnButton)
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_MESSAGE(WM_APPEND_MESSAGE_LINE, OnAppendMessageLine)
END_MESSAGE_MAP()

CUserDialog::CUserDialog(CWnd* pParent, UINT nCaptionID)
    : CDialog(IDD_USER_DIALOG, pParent), m_outcome(std::make_shared<CDialogOutcome>())
{
    Initialise(LoadStringOr(nCaptionID));
}

CUserDialog::CUserDialog(CWnd* pParent, LPCTSTR lpszCaption)
    : CDialog(IDD_USER_DIALOG, pParent), m_outcome(std::make_shared<CDialogOutcome>())
{
    Initialise(lpszCaption);
}

CUserDialog::~CUserDialog() = default;

void CUserDialog::Initialise(LPCTSTR lpszCaption)
{
    for (int i = 0; i < kMaxButtons; ++i)
        m_entries[i].nControlID = IDC_USER_BUTTON0 + i;
    m_bModalRun = FALSE;
    m_bEnded = FALSE;
    m_bSelfDelete = FALSE;
    m_bPostQuit = FALSE;
    m_bWindowExists = FALSE;
    m_bDestroyOnEnd = TRUE;
    m_nResult = IDCANCEL;
    m_nButtonCount = 0;
    m_nDefaultButton = -1;
    m_strCaption = lpszCaption;
    m_strMessage.Empty();
}

void CUserDialog::SetMessageText(LPCTSTR lpszText)
{
    if (lpszText)
        m_strMessage = lpszText;
}

void CUserDialog::SetMessage(UINT nTextID)
{
    SetMessageText(LoadStringOr(nTextID));
}

void CUserDialog::AppendMessage(LPCTSTR lpszText)
{
    if (!lpszText)
        return;
    m_strMessage += lpszText;
    if (m_bWindowExists && m_hWnd)
        SetDlgItemText(IDC_MESSAGE_TEXT, m_strMessage);
}

void CUserDialog::AppendMessageById(UINT nTextID)
{
    AppendMessage(LoadStringOr(nTextID));
}

BOOL CUserDialog::AddButton(LPCTSTR lpszText, int nResult, BOOL bDefault)
{
    if (m_nButtonCount >= kMaxButtons)
        return FALSE;
    ButtonEntry& entry = m_entries[m_nButtonCount];
    if (lpszText)
        entry.strText = lpszText;
    entry.nResult = nResult;
    if (bDefault)
        m_nDefaultButton = m_nButtonCount;
    ++m_nButtonCount;
    return TRUE;
}

BOOL CUserDialog::AddButtonById(UINT nTextID, int nResult, BOOL bDefault)
{
    return AddButton(LoadStringOr(nTextID), nResult, bDefault);
}

INT_PTR CUserDialog::DoModal()
{
    m_bModalRun = TRUE;
    const INT_PTR result = CDialog::DoModal();
    // -1: the window was never created (no project window, or it refused).
    return result == -1 ? IDCANCEL : result;
}

BOOL CUserDialog::Create(CWnd* pParent)
{
    return Create(MAKEINTRESOURCEA(IDD_USER_DIALOG), pParent);
}

BOOL CUserDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    m_bModalRun = FALSE;
    if (CDialog::Create(lpszTemplateName, pParentWnd))
        return TRUE;
    m_outcome->SetGone();
    if (m_bSelfDelete)
        delete this;
    return FALSE;
}

void CUserDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_MESSAGE_TEXT, m_message);
    DDX_Control(pDX, IDC_USER_BUTTON2, m_buttons[2]);
    DDX_Control(pDX, IDC_USER_BUTTON1, m_buttons[1]);
    DDX_Control(pDX, IDC_USER_BUTTON0, m_buttons[0]);
}

int CUserDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    // Like every tool window: no project window, or a refusal, and the
    // dialog is not created.
    m_hWndProject = RegisterToolWindow(TOOL_ID_DIALOG, m_hWnd);
    return m_hWndProject ? 0 : -1;
}

void CUserDialog::OnDestroy()
{
    m_bWindowExists = FALSE;
    UnregisterToolWindow(m_hWndProject, TOOL_ID_DIALOG, m_hWnd, TRUE);
    m_hWndProject = nullptr;
    CDialog::OnDestroy();
}

void CUserDialog::PostNcDestroy()
{
    m_bWindowExists = FALSE;
    m_outcome->SetGone();
    // A window that never finished its creation leaves the object to Create
    // (which deletes a self-deleting dialog itself).
    if (!m_bWasCreated)
        return;
    if (m_bPostQuit)
        ::PostQuitMessage(0);
    if (m_bSelfDelete)
        delete this;
}

namespace {

CRect ChildRect(CWnd* pParent, CWnd& child)
{
    CRect rect;
    child.GetWindowRect(&rect);
    pParent->ScreenToClient(&rect);
    return rect;
}

} // namespace

BOOL CUserDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWindowExists = TRUE;
    m_bWasCreated = TRUE;
    m_outcome->SetWindow(m_hWnd);

    SetWindowText(m_strCaption);
    m_message.SetWindowText(m_strMessage);
    FitMessage();
    for (int i = 0; i < kMaxButtons; ++i) {
        m_buttons[i].ShowWindow(SW_HIDE);
        m_buttons[i].SetWindowText(m_entries[i].strText);
    }

    // The template places the three buttons side by side; fewer buttons
    // are centred: one takes the middle place, two move right by half the
    // distance between neighbours.
    const CRect left = ChildRect(this, m_buttons[0]);
    const CRect middle = ChildRect(this, m_buttons[1]);
    const int distance = middle.left - left.left;
    switch (m_nButtonCount) {
    case 1:
        m_buttons[0].MoveWindow(&middle);
        break;
    case 2:
        for (int i = 0; i < 2; ++i) {
            CRect rect = ChildRect(this, m_buttons[i]);
            rect.OffsetRect(distance / 2, 0);
            m_buttons[i].MoveWindow(&rect);
        }
        break;
    default:
        break;
    }
    for (int i = 0; i < m_nButtonCount; ++i)
        m_buttons[i].ShowWindow(SW_SHOW);

    if (m_nDefaultButton >= 0 && m_nDefaultButton < m_nButtonCount) {
        SetDefID(m_entries[m_nDefaultButton].nControlID);
        GotoDlgCtrl(&m_buttons[m_nDefaultButton]);
    } else if (m_nButtonCount > 0) {
        GotoDlgCtrl(&m_buttons[0]);
    }
    return FALSE; // the focus is set
}

void CUserDialog::FitMessage()
{
    // The template's text box holds a few short lines. A longer message is
    // measured as the box shows it (its font, words wrapped at its width)
    // and the box grows to fit, the dialog with it and the buttons moving
    // down and along; the dialog stays within the work area.
    const CRect box = ChildRect(this, m_message);
    HDC hDC = ::GetDC(m_message.m_hWnd);
    if (!hDC)
        return;
    HGDIOBJ hOldFont = ::SelectObject(hDC, m_message.GetFont());
    CRect text(0, 0, box.Width(), 0);
    ::DrawTextA(hDC, m_strMessage, m_strMessage.GetLength(), &text,
                DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    ::SelectObject(hDC, hOldFont);
    ::ReleaseDC(m_message.m_hWnd, hDC);

    CRect window;
    GetWindowRect(&window);
    CRect work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int growX = std::clamp(text.Width() - box.Width(), 0, std::max(0, work.Width() - window.Width()));
    const int growY = std::clamp(text.Height() - box.Height(), 0, std::max(0, work.Height() - window.Height()));
    if (growX == 0 && growY == 0)
        return;
    m_message.SetWindowPos(nullptr, 0, 0, box.Width() + growX, box.Height() + growY,
                           SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (CButton& button : m_buttons) {
        CRect rect = ChildRect(this, button);
        rect.OffsetRect(growX / 2, growY);
        button.MoveWindow(&rect);
    }
    SetWindowPos(nullptr, 0, 0, window.Width() + growX, window.Height() + growY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CenterWindow();
}

void CUserDialog::OnButton(UINT nID)
{
    EndWithButton(static_cast<int>(nID) - IDC_USER_BUTTON0);
}

void CUserDialog::EndWithButton(int nIndex)
{
    const int result = (nIndex >= 0 && nIndex < m_nButtonCount) ? m_entries[nIndex].nResult : IDCANCEL;
    m_nResult = result;
    m_bEnded = TRUE;
    m_outcome->End(result);
    if (m_bModalRun)
        EndDialog(result);
    else if (m_bDestroyOnEnd)
        DestroyWindow(); // a self-deleting dialog is gone after this
}

void CUserDialog::OnOK()
{
    // Enter without a default button: only the buttons end the dialog.
}

void CUserDialog::OnCancel()
{
    EndWithButton(-1);
}

LRESULT CUserDialog::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"User Dialog\"", LOG_DESTROY_REQUESTS);
    if (m_bModalRun) {
        m_nResult = IDCANCEL;
        m_bEnded = TRUE;
        m_outcome->End(IDCANCEL);
        EndDialog(IDCANCEL);
    } else {
        DestroyWindow();
    }
    return 0;
}

LRESULT CUserDialog::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

LRESULT CUserDialog::OnAppendMessageLine(WPARAM, LPARAM lParam)
{
    if (!lParam)
        return 0;
    // Only the shown text changes; the stored message stays as it was.
    CString shown;
    GetDlgItemText(IDC_MESSAGE_TEXT, shown);
    shown += "\n";
    shown += reinterpret_cast<LPCTSTR>(lParam);
    SetDlgItemText(IDC_MESSAGE_TEXT, shown);
    return 0;
}

// --- CMessageDialog ----------------------------------------------------------------

CMessageDialog::CMessageDialog(CWnd* pParent, UINT nTextID, UINT nCaptionID) : CUserDialog(pParent, nCaptionID)
{
    SetMessage(nTextID);
    Create(pParent);
}

CMessageDialog::~CMessageDialog()
{
    if (m_hWnd)
        DestroyWindow();
}

// --- message boxes -------------------------------------------------------------------

CString LoadStringOr(UINT nID, LPCTSTR lpszFallback)
{
    CString text;
    if (!text.LoadString(nID))
        text = lpszFallback;
    return text;
}

HICON LoadApplicationIcon()
{
    if (CWinApp* pApp = AfxGetApp())
        return pApp->LoadIcon(IDI_APPLICATION_ICON);
    return ::LoadIconA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDI_APPLICATION_ICON));
}

namespace {

HWND HandleOf(CWnd* pWnd)
{
    return pWnd ? pWnd->GetSafeHwnd() : nullptr;
}

} // namespace

int ShowUserMessage(CWnd* pParent, LPCTSTR lpszText, LPCTSTR lpszCaption)
{
    return AfxGetPromptService().Prompt(HandleOf(pParent), lpszText, lpszCaption, MB_OK);
}

int ShowUserMessageWithCaptionId(CWnd* pParent, LPCTSTR lpszText, UINT nCaptionID)
{
    return ShowUserMessage(pParent, lpszText, LoadStringOr(nCaptionID));
}

int ShowUserMessageWithTextId(CWnd* pParent, UINT nTextID, LPCTSTR lpszCaption)
{
    return ShowUserMessage(pParent, LoadStringOr(nTextID), lpszCaption);
}

int ShowUserMessageByIds(CWnd* pParent, UINT nTextID, UINT nCaptionID)
{
    return ShowUserMessage(pParent, LoadStringOr(nTextID), LoadStringOr(nCaptionID));
}

CString GetSystemErrorText(DWORD dwError)
{
    char* buffer = nullptr;
    ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_SYS_DEFAULT), reinterpret_cast<LPSTR>(&buffer),
                     0, nullptr);
    CString text;
    if (buffer) {
        text = buffer;
        ::LocalFree(buffer);
    }
    return text;
}

int ShowSystemErrorMessage(CWnd* pParent, DWORD dwError, LPCTSTR lpszCaption)
{
    CString text = GetSystemErrorText(dwError);
    if (text.IsEmpty())
        text = LoadStringOr(IDS_UNKNOWN_ERROR, "Unknown error");
    return ShowUserMessage(pParent, text, lpszCaption);
}

int ShowSystemErrorMessageWithCaptionId(CWnd* pParent, DWORD dwError, UINT nCaptionID)
{
    return ShowSystemErrorMessage(pParent, dwError, LoadStringOr(nCaptionID));
}
