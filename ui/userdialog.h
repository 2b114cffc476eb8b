// CUserDialog: the program's own message box, with a caption, a message and
// up to three buttons, each returning its own result value. It runs modal
// (DoModal) or modeless (Create, usually on a dialog thread of its own),
// registers with the project window like every tool window and closes on
// the destroy request.
//
// Results are the dialog results of the platform: 1 OK, 2 Cancel (also
// Escape, the destroy request and every abnormal end), 6 Yes, 7 No, or
// whatever a button was given.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>

#include "framework/controls.h"
#include "framework/dialog.h"

// What another thread may know of a dialog: shared with the dialog and
// outliving it, so a thread that waits for a dialog on another thread never
// reads the dialog itself (which may already have deleted itself).
class CDialogOutcome {
public:
    CDialogOutcome();
    ~CDialogOutcome();
    CDialogOutcome(const CDialogOutcome&) = delete;
    CDialogOutcome& operator=(const CDialogOutcome&) = delete;

    // A button (or Cancel) ended the dialog with result.
    void End(int nResult);
    // The window exists (handle) or is gone (null): gone also covers a
    // window that could not be created.
    void SetWindow(HWND hWnd);
    void SetGone();
    // Asks the dialog to close (the destroy request), at once when its
    // window exists, else as soon as it does: a dialog whose owner goes
    // before its window is up still closes.
    void RequestClose();

    BOOL IsEnded() const { return m_bEnded.load(); }
    BOOL IsGone() const { return m_bGone.load(); }
    int GetResult() const { return m_nResult.load(); }
    HWND GetWindow() const { return m_hWnd.load(); }
    // Signalled once the dialog has ended or is gone.
    HANDLE GetEvent() const { return m_hEvent; }

private:
    std::atomic<int> m_nResult{IDCANCEL};
    std::atomic<BOOL> m_bEnded{FALSE};
    std::atomic<BOOL> m_bGone{FALSE};
    std::atomic<HWND> m_hWnd{nullptr};
    std::atomic<BOOL> m_bCloseRequested{FALSE};
    HANDLE m_hEvent;
};

class CUserDialog : public CDialog {
    DECLARE_DYNAMIC(CUserDialog)
public:
    // Template 265; the id form loads the caption from the string table.
    CUserDialog(CWnd* pParent, UINT nCaptionID);
    CUserDialog(CWnd* pParent, LPCTSTR lpszCaption);
    ~CUserDialog() override;

    // Back to a dialog without buttons or message, with this caption.
    virtual void Initialise(LPCTSTR lpszCaption);

    // The message (shown when the dialog is initialised). Null does nothing.
    void SetMessageText(LPCTSTR lpszText);
    void SetMessage(UINT nTextID);
    // Appends to the message; a shown dialog shows the new text at once.
    // Call on the dialog's own thread once it runs.
    void AppendMessage(LPCTSTR lpszText);
    void AppendMessageById(UINT nTextID);

    // Adds a button returning nResult; FALSE (and nothing changes) when
    // three exist already. A null text leaves the button's text as it was.
    BOOL AddButton(LPCTSTR lpszText, int nResult, BOOL bDefault);
    BOOL AddButtonById(UINT nTextID, int nResult, BOOL bDefault);

    // Whether a modeless dialog destroys its window when a button ends it
    // (the default), or stays open for its owner to read the result.
    void SetDestroyOnEnd(BOOL bDestroy) { m_bDestroyOnEnd = bDestroy; }
    // A self-deleting dialog deletes itself when its window goes, and also
    // when Create fails: the caller's pointer is dead after either.
    void SetSelfDelete(BOOL bDelete) { m_bSelfDelete = bDelete; }
    // The dialog's thread leaves its message loop when the window goes.
    void SetPostQuit(BOOL bPostQuit) { m_bPostQuit = bPostQuit; }

    // Runs modally; the result value of the button pressed, 2 for Cancel
    // and when the dialog could not be shown (see WasShown).
    INT_PTR DoModal() override;
    // Modeless from template 265.
    virtual BOOL Create(CWnd* pParent);
    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) override;
    using CDialog::Create;

    // Ends the dialog as the button at nIndex would (2 for an index
    // without a button).
    virtual void EndWithButton(int nIndex);

    int GetResult() const { return m_nResult; }
    BOOL IsEnded() const { return m_bEnded; }
    BOOL WindowExists() const { return m_bWindowExists; }
    // Whether the window was ever created (a refused registration, or no
    // project window, leaves this FALSE).
    BOOL WasShown() const { return m_bWasCreated; }
    int GetButtonCount() const { return m_nButtonCount; }
    int GetDefaultButton() const { return m_nDefaultButton; }
    const CString& GetCaption() const { return m_strCaption; }
    const CString& GetMessageText() const { return m_strMessage; }
    std::shared_ptr<CDialogOutcome> GetOutcome() const { return m_outcome; }

    static const int kMaxButtons = 3;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnButton(UINT nID);
    // Grows the message box (and the dialog) to the measured message.
    void FitMessage();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    LRESULT OnAppendMessageLine(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

    struct ButtonEntry {
        UINT nControlID = 0;
        CString strText;
        int nResult = IDCANCEL;
    };

    CString m_strCaption;
    CString m_strMessage;
    int m_nButtonCount = 0;
    int m_nDefaultButton = -1;
    int m_nResult = IDCANCEL;
    ButtonEntry m_entries[kMaxButtons];
    BOOL m_bWindowExists = FALSE;
    BOOL m_bModalRun = FALSE;
    BOOL m_bEnded = FALSE;
    BOOL m_bDestroyOnEnd = TRUE;
    BOOL m_bSelfDelete = FALSE;
    BOOL m_bPostQuit = FALSE;
    BOOL m_bWasCreated = FALSE;
    HWND m_hWndProject = nullptr; // the project window that accepted us
    CStatic m_message;
    CButton m_buttons[kMaxButtons];
    std::shared_ptr<CDialogOutcome> m_outcome;
};

// A user dialog created modeless at once from string-table texts, owned by
// its creator; its destructor destroys the window.
class CMessageDialog : public CUserDialog {
public:
    CMessageDialog(CWnd* pParent, UINT nTextID, UINT nCaptionID);
    ~CMessageDialog() override;
};

// Message boxes with one "&OK" button (result 1), through the prompt
// service; each returns once the box is closed, with its result.
int ShowUserMessage(CWnd* pParent, LPCTSTR lpszText, LPCTSTR lpszCaption);
int ShowUserMessageWithCaptionId(CWnd* pParent, LPCTSTR lpszText, UINT nCaptionID);
int ShowUserMessageWithTextId(CWnd* pParent, UINT nTextID, LPCTSTR lpszCaption);
int ShowUserMessageByIds(CWnd* pParent, UINT nTextID, UINT nCaptionID);

// The platform's description of a system error code (empty when it has
// none); ShowSystemErrorMessage shows it, or "Unknown error".
CString GetSystemErrorText(DWORD dwError);
int ShowSystemErrorMessage(CWnd* pParent, DWORD dwError, LPCTSTR lpszCaption);
int ShowSystemErrorMessageWithCaptionId(CWnd* pParent, DWORD dwError, UINT nCaptionID);

// A string-table text, or the fallback when the table lacks it.
CString LoadStringOr(UINT nID, LPCTSTR lpszFallback = "");
// The application's icon (resource 101 through the resource chain), or
// null.
HICON LoadApplicationIcon();
