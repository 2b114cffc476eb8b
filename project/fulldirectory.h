// CFullDirectory: the tool window (tool id 1028) that lists every program
// stored in the controller and every running process, with the free
// memory, and refreshes them twice a second, one of the three reads per
// tick.
#pragma once

#include <atomic>

#include "foundation/containers.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "link/messagesender.h"
#include "link/programdata.h"
#include "link/vexoreply.h"

// The program list's "Run" and "Proc" texts for an auto-run value.
CString FormatRunColumn(int autoRun);
CString FormatProcessColumn(int autoRun);

class CFullDirectory : public CDialog, public CVexoReply {
    DECLARE_DYNCREATE(CFullDirectory)
public:
    CFullDirectory();
    ~CFullDirectory() override;
    BOOL Create(CWnd* pParentWnd = nullptr);

    // One step of the refresh (what the timer runs).
    void Step();

    void OnReply(ControllerMessage* message) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    void OnClose();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    bool IsBusy() const { return m_nFillDepth > 0 || m_bInStep || m_sender.GetDepth() > 0; }
    void FillPrograms();
    void FillProcesses();
    void ShowFields();

    CMessageSender m_sender;
    CTList<CProgramData> m_programs;
    CTList<CProcessData> m_processes;
    std::atomic<bool> m_bRemote{false};
    std::atomic<bool> m_bClosing{false};
    bool m_bInStep = false;
    int m_nFillDepth = 0;
    UINT_PTR m_nTimer = 0;
    BOOL m_bEdColumn = FALSE;
    CString m_strFree = "0";
    CCriticalSection m_freeLock;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    CListCtrl m_programList;
    CListCtrl m_processList;
};
