// Dialogs on user-interface threads of their own: CDialogThread runs one
// dialog and ends when it goes; CThreadedUserDialog asks a question on such
// a thread while the caller's messages keep flowing; CThreadedMessageDialog
// shows a message without making the caller wait.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/thread.h"
#include "framework/wnd.h"
#include "ui/userdialog.h"

class CDialog;

// Created suspended through AfxBeginThread(RUNTIME_CLASS(CDialogThread)),
// given its dialog with SetDialog, then resumed. Modeless, the dialog is
// created from the template under the parent and becomes the thread's main
// window: the thread's message loop ends when the dialog's window goes.
// Modal, the thread runs DoModal, keeps the result and ends; it is then not
// auto-deleting, so the starter waits for m_hThread, reads the result and
// deletes the thread object. The thread does not own the dialog.
class CDialogThread : public CWinThread {
    DECLARE_DYNCREATE(CDialogThread)
public:
    CDialogThread() = default;

    void SetDialog(CDialog* pDialog, UINT nTemplateID, HWND hWndParent, BOOL bModal);

    BOOL InitInstance() override;

    BOOL IsStarted() const { return m_bStarted.load(); }
    BOOL IsDone() const { return m_bDone.load(); }
    INT_PTR GetResult() const { return m_nResult.load(); }

private:
    CDialog* m_pDialog = nullptr;
    UINT m_nTemplateID = 0;
    HWND m_hWndParent = nullptr;
    BOOL m_bModal = FALSE;
    std::atomic<BOOL> m_bStarted{FALSE};
    std::atomic<BOOL> m_bDone{FALSE};
    std::atomic<INT_PTR> m_nResult{IDCANCEL};
};

// Starts pDialog modeless on a new CDialogThread under hWndParent. FALSE
// when no thread could be started: the dialog is then still the caller's.
// With phThread, a handle of the new thread is duplicated there (the caller
// closes it) before the thread runs.
BOOL StartDialogThread(CDialog* pDialog, UINT nTemplateID, HWND hWndParent, HANDLE* phThread = nullptr);

class CThreadedUserDialog {
public:
    CThreadedUserDialog(CWnd* pParent, UINT nCaptionID);
    virtual ~CThreadedUserDialog();
    CThreadedUserDialog(const CThreadedUserDialog&) = delete;
    CThreadedUserDialog& operator=(const CThreadedUserDialog&) = delete;

    // A new dialog with this caption under pParent.
    virtual void Init(CWnd* pParent, LPCTSTR lpszCaption);

    // Set up the dialog before Run or Start; after either the dialog
    // belongs to its thread and these do nothing (GetDialog gives null).
    void SetMessageText(LPCTSTR lpszText);
    void SetMessageById(UINT nTextID);
    void AppendMessageById(UINT nTextID);
    BOOL AddButton(LPCTSTR lpszText, int nResult, BOOL bDefault);
    BOOL AddButtonById(UINT nTextID, int nResult, BOOL bDefault);
    void SetOwner(CWnd* pOwner);
    CUserDialog* GetDialog() const { return m_pDialog; }

    // Shows the dialog on a thread of its own and waits, handling this
    // thread's messages, until a button ends it; the button's result. It
    // ends with 2 when there is no dialog, no thread, the dialog could not
    // be created (no project window, or the registration was refused), the
    // window was destroyed (the destroy request), its thread ended, or this
    // thread is asked to quit. The dialog is closed afterwards.
    virtual int Run();
    // Shows the dialog on a thread of its own and returns at once: TRUE, or
    // FALSE when there is no dialog or no thread (the dialog then stays
    // here). The user's button closes it; so does destroying this object.
    virtual BOOL Start();

private:
    CUserDialog* m_pDialog = nullptr; // until handed to its thread
    std::shared_ptr<CDialogOutcome> m_outcome;
    BOOL m_bRan = FALSE;
    CWnd* m_pParent = nullptr;
};

// A message box with one "&OK" button that does not make the caller wait:
// constructing it hands the message to the prompt service's detached
// prompt (the program's service shows a user dialog on a thread of its
// own, owned by no window, so a busy parent never holds it up). The object
// may be discarded at once.
class CThreadedMessageDialog {
public:
    CThreadedMessageDialog(CWnd* pParent, LPCTSTR lpszText, UINT nCaptionID);
    CThreadedMessageDialog(CWnd* pParent, UINT nTextID, UINT nCaptionID);
    virtual ~CThreadedMessageDialog() = default;
};
