// Small question dialogs: a confirmation that sends a message chosen by
// its caller when the user agrees, an OK/Cancel message that can be told
// not to show again, and a choice of one text from a list.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/collections.h"
#include "framework/controls.h"
#include "framework/dialog.h"

// The message a confirmation sends (synchronously) when the user agrees.
struct SReplyMessage {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// A modeless OK/Cancel (or Yes/No) question on a dialog thread of its own
// (template 970), registered with the project window. OK sends the reply
// message to its window, then the dialog closes; Cancel closes it without
// sending. A confirmation without caption, message, reply window or reply
// message closes at once. Always created with new: it deletes itself when
// its window goes, and when Create fails. The payload (typically the
// record the reply's lParam points to, read by the receiver during the
// send) is freed with the dialog.
class CConfirmationDialogEx : public CDialog {
    DECLARE_DYNAMIC(CConfirmationDialogEx)
public:
    CConfirmationDialogEx(CWnd* pParent, LPCTSTR lpszCaption, LPCTSTR lpszMessage, const SReplyMessage* pReply,
                          BOOL bYesNo, std::shared_ptr<void> payload = nullptr);
    ~CConfirmationDialogEx() override;

    // Runs the dialog on a new dialog thread; FALSE when no thread could be
    // started (the dialog is then still the caller's to delete).
    BOOL Start(HWND hWndParent);

    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) override;
    using CDialog::Create;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

    CString m_strCaption;
    CString m_strMessage;
    SReplyMessage m_reply = {};
    BOOL m_bYesNo;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    HWND m_hWndProject = nullptr;
    std::shared_ptr<void> m_payload;
};

// OK/Cancel with the check box "Don't show this dialog again" (template
// 1081); the caller reads m_bDontShowAgain after the dialog ends.
class COKCancelHideDialog : public CDialog {
    DECLARE_DYNAMIC(COKCancelHideDialog)
public:
    explicit COKCancelHideDialog(CWnd* pParent = nullptr);

    // Stored, and shown at once when the window exists.
    void SetCaption(LPCTSTR lpszCaption);
    void SetMessage(LPCTSTR lpszMessage);
    void SetCaptionById(UINT nCaptionID);
    void SetMessageById(UINT nMessageID);

    BOOL m_bDontShowAgain = FALSE;

protected:
    BOOL OnInitDialog() override;
    void OnDestroy();
    void OnDontShowAgain();

    DECLARE_MESSAGE_MAP()

    BOOL m_bWindowExists = FALSE;
    CString m_strCaption;
    CString m_strMessage;
};

// Picks one text from a list (template 1256), shown sorted. After OK the
// chosen text is the selected entry's, empty when none was selected; after
// Cancel it is empty.
class CSelectFromListDialog : public CDialog {
    DECLARE_DYNAMIC(CSelectFromListDialog)
public:
    CSelectFromListDialog(CWnd* pParent, UINT nCaptionID, UINT nPromptID);

    // The choices become copies of these texts.
    void SetItems(const CStringList& items);

    CString m_strChosen;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    CString m_strCaption;
    CString m_strPrompt;
    CStringList m_items;
    CListBox m_list;
};
