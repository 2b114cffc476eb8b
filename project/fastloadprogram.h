// CFastLoadProgram: loads one program file into the controller in blocks,
// shown as a small progress window (tool id 1057 of the project window).
//
// Each block of at most 1024 file bytes, cut after its last line feed, is
// announced with "LOAD_PROJECT(n)" on the command channel; the controller
// answers ENQ on channel -1, then the block goes out raw on channel -1 as a
// header frame, its text (line feeds removed) and a check frame, each
// answered ACK or NAK, and ends with EOT. The controller's single bytes
// reach the window through its reply receiver on the link's thread and
// wait in a ring until the load takes them.
//
// The load runs on the window's own thread (the project window posts
// 0x811A with the program name and the file path) and answers the
// thread's messages while it waits. A failed load tells the project window
// (0x81E3, lParam 1); either way the window closes itself afterwards.
#pragma once

#include <atomic>
#include <string>

#include "foundation/cyclicbuffer.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "framework/sync.h"
#include "link/messagesender.h"
#include "link/vexoreply.h"

class CControllerConnection;

class CFastLoadProgram : public CDialog, public CVexoReply {
    DECLARE_DYNCREATE(CFastLoadProgram)
public:
    CFastLoadProgram();
    ~CFastLoadProgram() override;

    // Creates the modeless window; FALSE (object deleted) when the project
    // window refuses it.
    BOOL Create(CWnd* pParentWnd = nullptr);

    // The load (also what 0x811A runs); TRUE when every byte of the file
    // went out and was acknowledged.
    BOOL LoadFile(LPCSTR programName, LPCSTR path);
    BOOL SendBlock(CMutex* lock, LPCSTR name, int type, const std::string& text);
    BOOL WaitForByte(int seconds, BYTE byte);
    BOOL WaitForAnyOf(int seconds, const BYTE* bytes, int count, BYTE& got);

    // CVexoReply: bytes of channel -1 and replies to "LOAD_PROJECT(n)".
    void OnReply(ControllerMessage* message) override;

    BOOL IsBusy() const { return m_nConstruction > 0 || m_nLoadDepth > 0; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override {}
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    LRESULT OnLoadFile(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    bool Stopped() const { return m_bClosing.load() || m_bCancel.load(); }
    CControllerConnection* GetConnection() const;
    BOOL SendRaw(CMutex* lock, const std::string& bytes);
    void ShowText(LPCSTR text);

    CMessageSender m_sender;
    int m_nConstruction = 1;
    std::atomic<int> m_nLoadDepth{0};
    HWND m_hWndProject = nullptr;
    std::atomic<bool> m_bClosing{false};
    CCyclicCharBuffer m_ring{2048};
    CMutex m_lock;
    std::atomic<bool> m_bCancel{false};
    CString m_strCommandReply;
    int m_nMessageTimeout = 20;
    CStatic m_text;
    CProgressCtrl m_progress;
    CButton m_cancelButton;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
};
