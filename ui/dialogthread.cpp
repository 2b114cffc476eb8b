#include "ui/dialogthread.h"

#include "foundation/winutil.h"
#include "framework/dialog.h"
#include "framework/prompt.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"

// --- CDialogThread -----------------------------------------------------------------

IMPLEMENT_DYNCREATE(CDialogThread, CWinThread)

void CDialogThread::SetDialog(CDialog* pDialog, UINT nTemplateID, HWND hWndParent, BOOL bModal)
{
    m_pDialog = pDialog;
    m_nTemplateID = nTemplateID;
    m_hWndParent = hWndParent;
    m_bModal = bModal;
}

BOOL CDialogThread::InitInstance()
{
    if (!m_pDialog) {
        m_bStarted = TRUE;
        m_bDone = TRUE;
        return FALSE;
    }
    if (m_bModal) {
        m_bAutoDelete = FALSE;
        m_bDone = FALSE;
        m_bStarted = TRUE;
        m_pDialog->KeepParentHandle(m_hWndParent);
        if (m_nTemplateID)
            m_pDialog->m_lpszTemplateName = MAKEINTRESOURCEA(m_nTemplateID);
        m_nResult = m_pDialog->DoModal();
        m_bDone = TRUE;
        return FALSE; // the dialog is over: so is the thread
    }

    CDialog* pDialog = m_pDialog;
    m_pDialog = nullptr; // a self-deleting dialog may be gone after Create
    const BOOL created = pDialog->Create(m_nTemplateID, pDialog->KeepParentHandle(m_hWndParent));
    m_bStarted = TRUE;
    if (!created)
        return FALSE;
    m_pMainWnd = pDialog;
    return TRUE;
}

BOOL StartDialogThread(CDialog* pDialog, UINT nTemplateID, HWND hWndParent, HANDLE* phThread)
{
    if (phThread)
        *phThread = nullptr;
    if (!pDialog)
        return FALSE;
    auto* pThread = static_cast<CDialogThread*>(
        AfxBeginThread(RUNTIME_CLASS(CDialogThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!pThread)
        return FALSE;
    if (phThread && !::DuplicateHandle(::GetCurrentProcess(), pThread->m_hThread, ::GetCurrentProcess(), phThread,
                                       SYNCHRONIZE, FALSE, 0)) {
        // Without a handle the caller could not tell when the thread ends;
        // a thread never resumed ends on its own when its object goes.
        *phThread = nullptr;
        delete pThread;
        return FALSE;
    }
    pThread->SetDialog(pDialog, nTemplateID, hWndParent, FALSE);
    pThread->ResumeThread(); // from here on the thread may delete itself
    return TRUE;
}

// --- CThreadedUserDialog -------------------------------------------------------------

CThreadedUserDialog::CThreadedUserDialog(CWnd* pParent, UINT nCaptionID)
{
    Init(pParent, LoadStringOr(nCaptionID));
}

CThreadedUserDialog::~CThreadedUserDialog()
{
    // A dialog left open by Start closes with its starter, also when its
    // window is not up yet.
    if (!m_bRan && m_outcome)
        m_outcome->RequestClose();
    delete m_pDialog; // never handed to a thread
}

void CThreadedUserDialog::Init(CWnd* pParent, LPCTSTR lpszCaption)
{
    m_bRan = FALSE;
    m_pParent = pParent;
    delete m_pDialog;
    m_pDialog = new CUserDialog(pParent, lpszCaption);
}

void CThreadedUserDialog::SetMessageText(LPCTSTR lpszText)
{
    if (m_pDialog)
        m_pDialog->SetMessageText(lpszText);
}

void CThreadedUserDialog::SetMessageById(UINT nTextID)
{
    if (m_pDialog)
        m_pDialog->SetMessage(nTextID);
}

void CThreadedUserDialog::AppendMessageById(UINT nTextID)
{
    if (m_pDialog)
        m_pDialog->AppendMessageById(nTextID);
}

BOOL CThreadedUserDialog::AddButton(LPCTSTR lpszText, int nResult, BOOL bDefault)
{
    return m_pDialog ? m_pDialog->AddButton(lpszText, nResult, bDefault) : FALSE;
}

BOOL CThreadedUserDialog::AddButtonById(UINT nTextID, int nResult, BOOL bDefault)
{
    return m_pDialog ? m_pDialog->AddButtonById(nTextID, nResult, bDefault) : FALSE;
}

void CThreadedUserDialog::SetOwner(CWnd* pOwner)
{
    m_pParent = pOwner;
    if (m_pDialog)
        m_pDialog->m_pParentWnd = pOwner;
}

namespace {

// Waits until the dialog has ended or gone, or its thread has ended,
// handling one message of this thread at a time meanwhile. FALSE when this
// thread was asked to quit (the quit stays queued for its own loop).
BOOL WaitForDialog(const CDialogOutcome& outcome, HANDLE hThread)
{
    const HANDLE handles[2] = {outcome.GetEvent(), hThread};
    for (;;) {
        if (outcome.IsEnded() || outcome.IsGone())
            return TRUE;
        const DWORD wait = ::MsgWaitForMultipleObjectsEx(2, handles, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (wait == WAIT_OBJECT_0)
            continue;
        if (wait != WAIT_OBJECT_0 + 2)
            return TRUE; // the thread ended (or the wait failed)
        MSG msg;
        if (::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
            return FALSE;
        PumpOneMessage();
    }
}

} // namespace

int CThreadedUserDialog::Run()
{
    m_bRan = TRUE;
    const HWND hWndParent = m_pParent ? m_pParent->GetSafeHwnd() : nullptr;
    if (!m_pDialog)
        return IDCANCEL;

    // The window stays after a button so that the result can be read; the
    // destroy request below closes it, and it deletes itself and quits its
    // thread then.
    m_pDialog->SetSelfDelete(TRUE);
    m_pDialog->SetPostQuit(TRUE);
    m_pDialog->SetDestroyOnEnd(FALSE);
    std::shared_ptr<CDialogOutcome> outcome = m_pDialog->GetOutcome();
    HANDLE hThread = nullptr;
    if (!StartDialogThread(m_pDialog, IDD_USER_DIALOG, hWndParent, &hThread))
        return IDCANCEL;
    m_pDialog = nullptr; // its thread has it now

    WaitForDialog(*outcome, hThread);
    ::CloseHandle(hThread);
    const int result = outcome->IsEnded() ? outcome->GetResult() : IDCANCEL;
    if (HWND hWnd = outcome->GetWindow())
        ::PostMessageA(hWnd, WM_DESTROY_REQUEST, 0, 0);
    return result;
}

BOOL CThreadedUserDialog::Start()
{
    if (!m_pDialog)
        return FALSE;
    m_pDialog->SetSelfDelete(TRUE);
    m_pDialog->SetPostQuit(TRUE);
    std::shared_ptr<CDialogOutcome> outcome = m_pDialog->GetOutcome();
    if (!StartDialogThread(m_pDialog, IDD_USER_DIALOG, m_pParent ? m_pParent->GetSafeHwnd() : nullptr)) {
        m_pDialog->SetSelfDelete(FALSE);
        m_pDialog->SetPostQuit(FALSE);
        return FALSE;
    }
    m_pDialog = nullptr;
    m_outcome = outcome;
    return TRUE;
}

// --- CThreadedMessageDialog ----------------------------------------------------------

CThreadedMessageDialog::CThreadedMessageDialog(CWnd*, LPCTSTR lpszText, UINT nCaptionID)
{
    AfxGetPromptService().PromptDetached(lpszText, LoadStringOr(nCaptionID), MB_OK);
}

CThreadedMessageDialog::CThreadedMessageDialog(CWnd*, UINT nTextID, UINT nCaptionID)
{
    AfxGetPromptService().PromptDetached(LoadStringOr(nTextID), LoadStringOr(nCaptionID), MB_OK);
}
