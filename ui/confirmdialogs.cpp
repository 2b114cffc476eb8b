#include "ui/confirmdialogs.h"

#include "foundation/logfile.h"
#include "ui/dialogthread.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

IMPLEMENT_DYNAMIC(CConfirmationDialogEx, CDialog)
IMPLEMENT_DYNAMIC(COKCancelHideDialog, CDialog)
IMPLEMENT_DYNAMIC(CSelectFromListDialog, CDialog)

// --- CConfirmationDialogEx -----------------------------------------------------------

BEGIN_MESSAGE_MAP(CConfirmationDialogEx, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CConfirmationDialogEx::CConfirmationDialogEx(CWnd* pParent, LPCTSTR lpszCaption, LPCTSTR lpszMessage,
                                             const SReplyMessage* pReply, BOOL bYesNo, std::shared_ptr<void> payload)
    : CDialog(IDD_CONFIRMATION_DIALOG, pParent), m_strCaption(lpszCaption), m_strMessage(lpszMessage), m_bYesNo(bYesNo),
      m_payload(std::move(payload))
{
    if (pReply)
        m_reply = *pReply;
}

CConfirmationDialogEx::~CConfirmationDialogEx() = default;

BOOL CConfirmationDialogEx::Start(HWND hWndParent)
{
    return StartDialogThread(this, IDD_CONFIRMATION_DIALOG, hWndParent);
}

BOOL CConfirmationDialogEx::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    return CreateOrDelete(lpszTemplateName, pParentWnd);
}

void CConfirmationDialogEx::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Text(pDX, IDC_MESSAGE_TEXT, m_strMessage);
}

int CConfirmationDialogEx::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    SetIcon(LoadApplicationIcon(), TRUE);
    m_hWndProject = RegisterToolWindow(TOOL_ID_DIALOG, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CConfirmationDialogEx::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    if (m_strCaption.IsEmpty() || m_strMessage.IsEmpty() || !m_reply.hWnd || !m_reply.message) {
        // Nothing to ask: close again at once.
        PostMessage(WM_DESTROY_REQUEST);
        return TRUE;
    }
    SetWindowText(m_strCaption);
    if (m_bYesNo) {
        SetDlgItemText(IDOK, LoadStringOr(IDS_BUTTON_YES, "&Yes"));
        SetDlgItemText(IDCANCEL, LoadStringOr(IDS_BUTTON_NO, "&No"));
    }
    return TRUE;
}

void CConfirmationDialogEx::OnOK()
{
    if (::IsWindow(m_reply.hWnd))
        ::SendMessageA(m_reply.hWnd, m_reply.message, m_reply.wParam, m_reply.lParam);
    DestroyWindow();
}

void CConfirmationDialogEx::OnCancel()
{
    DestroyWindow();
}

LRESULT CConfirmationDialogEx::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"Confirmation\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CConfirmationDialogEx::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CConfirmationDialogEx::OnDestroy()
{
    // Unregistered under the id it registered with.
    if (m_bRegistered)
        UnregisterToolWindow(m_hWndProject, TOOL_ID_DIALOG, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CConfirmationDialogEx::PostNcDestroy()
{
    // A window that never finished its creation leaves the object to
    // Create, which deletes it.
    if (!m_bWasCreated)
        return;
    ::PostQuitMessage(0);
    delete this;
}

// --- COKCancelHideDialog -------------------------------------------------------------

BEGIN_MESSAGE_MAP(COKCancelHideDialog, CDialog)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_DONT_SHOW_AGAIN, OnDontShowAgain)
END_MESSAGE_MAP()

COKCancelHideDialog::COKCancelHideDialog(CWnd* pParent) : CDialog(IDD_OK_CANCEL_HIDE_DIALOG, pParent) {}

void COKCancelHideDialog::SetCaption(LPCTSTR lpszCaption)
{
    m_strCaption = lpszCaption;
    if (m_bWindowExists)
        SetWindowText(m_strCaption);
}

void COKCancelHideDialog::SetMessage(LPCTSTR lpszMessage)
{
    m_strMessage = lpszMessage;
    if (m_bWindowExists)
        SetDlgItemText(IDC_HIDE_MESSAGE_TEXT, m_strMessage);
}

void COKCancelHideDialog::SetCaptionById(UINT nCaptionID)
{
    SetCaption(LoadStringOr(nCaptionID));
}

void COKCancelHideDialog::SetMessageById(UINT nMessageID)
{
    SetMessage(LoadStringOr(nMessageID));
}

BOOL COKCancelHideDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWindowExists = TRUE;
    CheckDlgButton(IDC_DONT_SHOW_AGAIN, BST_UNCHECKED);
    SetWindowText(m_strCaption);
    SetDlgItemText(IDC_HIDE_MESSAGE_TEXT, m_strMessage);
    return TRUE;
}

void COKCancelHideDialog::OnDestroy()
{
    m_bWindowExists = FALSE;
    CDialog::OnDestroy();
}

void COKCancelHideDialog::OnDontShowAgain()
{
    m_bDontShowAgain = !m_bDontShowAgain;
    CheckDlgButton(IDC_DONT_SHOW_AGAIN, m_bDontShowAgain ? BST_CHECKED : BST_UNCHECKED);
}

// --- CSelectFromListDialog -----------------------------------------------------------

CSelectFromListDialog::CSelectFromListDialog(CWnd* pParent, UINT nCaptionID, UINT nPromptID)
    : CDialog(IDD_SELECT_FROM_LIST_DIALOG, pParent), m_strCaption(LoadStringOr(nCaptionID)),
      m_strPrompt(LoadStringOr(nPromptID))
{
}

void CSelectFromListDialog::SetItems(const CStringList& items)
{
    m_items.RemoveAll();
    m_items.AddTail(&items);
}

void CSelectFromListDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SELECT_LIST, m_list);
}

BOOL CSelectFromListDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetWindowText(m_strCaption);
    SetDlgItemText(IDC_MESSAGE_TEXT, m_strPrompt);
    m_list.ResetContent();
    for (POSITION pos = m_items.GetHeadPosition(); pos;)
        m_list.AddString(m_items.GetNext(pos));
    return TRUE;
}

void CSelectFromListDialog::OnOK()
{
    m_strChosen.Empty();
    const int selected = m_list.GetCurSel();
    if (selected != LB_ERR)
        m_list.GetText(selected, m_strChosen);
    EndDialog(IDOK);
}

void CSelectFromListDialog::OnCancel()
{
    m_strChosen.Empty();
    EndDialog(IDCANCEL);
}
