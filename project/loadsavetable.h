// CLoadSaveTable: the tool window (tool id 1040) that saves a range of the
// controller's TABLE memory into a PC file ("Save Table", mode 1) or writes
// the values of a PC file into TABLE memory ("Load Table", mode 0).
//
// A save reads every value first and only then replaces the file, through
// a temporary file: a read that fails, times out or is stopped keeps the
// old file as it was and says so.
#pragma once

#include <atomic>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "link/messagesender.h"
#include "link/vexoreply.h"
#include "project/tablelist.h"
#include "ui/shelltree.h"

class CGaugeThread;

// The progress window of one transfer: a percentage and a Cancel button
// that stops the transfer (the window gets the stop request 0x8112).
class CTransferProgress {
public:
    CTransferProgress(HWND hWndNotify, LPCSTR text);
    ~CTransferProgress();
    CTransferProgress(const CTransferProgress&) = delete;
    CTransferProgress& operator=(const CTransferProgress&) = delete;

    void Show(long done, long total);
    bool IsCancelled() const;
    // The percentage shown last.
    int GetPercent() const { return m_nPercent; }
    void Close();

private:
    CGaugeThread* m_pGauge;
    int m_nPercent = 0;
    mutable int m_nCancel = 0; // set by the gauge's thread
};

class CLoadSaveTable : public CDialog, public CVexoReply {
    DECLARE_DYNAMIC(CLoadSaveTable)
public:
    enum { MODE_LOAD = 0, MODE_SAVE = 1 };
    enum { FILE_LIST = 0, FILE_PROGRAM = 1, FILE_TEXT = 2 };

    explicit CLoadSaveTable(int mode);
    ~CLoadSaveTable() override;
    // Creates the modeless window; FALSE (object deleted) when refused.
    BOOL Create(CWnd* pParentWnd = nullptr);

    // Opens the folder tree at a folder; TRUE when it was found.
    BOOL SelectFolder(LPCSTR folder);
    long GetHighestIndex() const { return m_nHighest.load(); }
    int GetLineLimit() const { return m_nLineLimit; }

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
    LRESULT OnStop(WPARAM wParam, LPARAM lParam);
    void OnFileType();
    void OnFieldChange();
    void OnTreeSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnNewDirectory();
    DECLARE_MESSAGE_MAP()

private:
    CString Extension() const;
    // The file's path from the selected folder and the typed name.
    BOOL BuildPath(CString& path);
    void UpdateOk();
    void ShowHighest();
    void Save(const CString& path, long start, long end);
    void Load(const CString& path);
    bool Stopped(const CTransferProgress& progress) const;

    int m_nMode;
    int m_nFileType = FILE_LIST;
    std::atomic<long> m_nHighest{-1};
    int m_nLineLimit = 80;
    std::atomic<bool> m_bStop{false};
    int m_nBusy = 0;
    std::atomic<bool> m_bClosing{false};
    BOOL m_bFeature = FALSE;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    CMessageSender m_sender;
    CTableList m_values;
    CShellTree m_tree;
    CEdit m_fileName;
    CEdit m_start;
    CEdit m_end;
    CEdit m_highest;
};
