// CProgramEPROM: asks whether the controller's programs are to be stored in
// its flash EPROM, halts running programs when needed, has the project
// window store them (0x8187, sent from a worker thread, which returns when
// the store has ended) and follows the controller's progress words
// "ERASING", "PROGRAMMING" and "VERIFYING" in the replies to "EPROM".
// It runs as a tool window (tool id 1034) or modally (RunModal).
//
// CProgramChangedEPROMDialog: the same, asked when programs in RAM have
// changed.
#pragma once

#include <atomic>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/sync.h"
#include "link/messagesender.h"
#include "link/vexoreply.h"

class CProgramEPROM : public CDialog, public CVexoReply {
    DECLARE_DYNCREATE(CProgramEPROM)
public:
    CProgramEPROM();
    CProgramEPROM(CWnd* pParent, HWND hWndProject, BOOL modal, int editableCount);
    ~CProgramEPROM() override;

    // Modeless window (the tool launcher's form); FALSE when refused (the
    // object is deleted then).
    BOOL Create(CWnd* pParentWnd = nullptr);
    // Runs the dialog to its end on this thread; 1 stored, 2 cancelled.
    // An abort flag that becomes non-zero ends it early.
    int RunModal(const std::atomic<int>* abort);

    CString GetStatusText();
    void OnReply(ControllerMessage* message) override;

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
    LRESULT OnRefresh(WPARAM wParam, LPARAM lParam);
    LRESULT OnShowControl(WPARAM wParam, LPARAM lParam);
    LRESULT OnQuestion(WPARAM wParam, LPARAM lParam);
    LRESULT OnHalting(WPARAM wParam, LPARAM lParam);
    LRESULT OnStoring(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

    CString m_strQuestion;
    CString m_strFirst = "&Yes";
    CString m_strSecond = "&No";

private:
    bool IsBusy() const;
    void MakeButtons(LPCSTR first, LPCSTR second);
    void DestroyButtons();
    // Waits for a button (seconds 0: no limit); the result.
    int WaitForUser(int seconds);
    void Finish(int result);
    void SetStatus(const CString& text);
    void AppendStatus(LPCSTR text);
    static unsigned __stdcall StoreWorker(void* parameter);

    CButton m_buttons[2];
    HWND m_hWndProject = nullptr;
    bool m_bError = false;
    BOOL m_bModal = FALSE;
    bool m_bWaiting = false;
    std::atomic<bool> m_bClosing{false};
    bool m_bFirstDefault = true;
    int m_nResult = 2;
    int m_nStages = 1;
    std::atomic<bool> m_bWorkerBusy{false};
    std::atomic<bool> m_bWorkerStarted{false};
    bool m_bRunDone = false;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    CMessageSender m_sender;
    CCriticalSection m_statusLock;
    CString m_strStatus;
};

class CProgramChangedEPROMDialog : public CProgramEPROM {
public:
    CProgramChangedEPROMDialog(CWnd* pParent, HWND hWndProject, BOOL modal, int editableCount, BOOL battery);
};
