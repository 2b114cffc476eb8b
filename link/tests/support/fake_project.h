// CFakeProjectLink: the project window as the controller connection and the
// message senders see it, for tests: a hidden window on the creating
// thread that answers WM_GET_WINDOW_OBJECT with itself and takes tool
// registrations, and an IProjectWindow that records every call. Messages
// handed to ProcessMessage run at once through the connection's Transact.
//
//   CWinApp app("tests");
//   CFakeProjectLink project;        // also the main frame's project window
//   CControllerConnection connection(&project);
//   project.SetConnection(&connection);
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "link/controllermessage.h"
#include "link/projectwindow.h"
#include "testsupport/fake_windows.h"

class CControllerConnection;

class CFakeProjectLink : public CWnd, public IProjectWindow {
public:
    struct ProcessStatus {
        int process, status, line, error;
        std::string text;
        bool hasText;
    };

    CFakeProjectLink();
    ~CFakeProjectLink() override;

    void SetConnection(CControllerConnection* connection) { m_pConnection = connection; }
    void SetDispatchBlocked(bool blocked) { m_bBlocked = blocked; }
    // Runs on the thread that asks whether reply dispatch is blocked (the
    // connection asks as it delivers a reply), before the answer; set it
    // while no reply is under way.
    void SetDispatchCheckHook(std::function<void()> hook) { m_dispatchCheckHook = std::move(hook); }
    // Received bytes (DispatchReplyToWindow) also go to this receiver, as
    // the project window hands them to the tool that asked for them.
    void SetBytesReceiver(CVexoReply* receiver);
    // Registers a tool window as the real project window would.
    void Register(HWND window);
    void Unregister(HWND window);

    std::vector<std::string> Errors() const;
    std::vector<std::pair<std::string, int>> CompileMessages() const;
    std::vector<ProcessStatus> ProcessStatuses() const;
    std::vector<std::pair<int, std::string>> ProgramStatuses() const;
    std::vector<ControllerMessage> Dispatched() const;
    std::vector<ControllerMessage> OwnReplies() const;
    // The programs the control panel was told of, in order.
    std::vector<std::string> ControlPanelPrograms() const;
    int ProcessedCount() const;
    // Private messages (WM_APP and up) the window got and did not answer
    // itself, as message and lParam, in order. It answers the connection
    // query (0x816B) with the connection.
    std::vector<std::pair<UINT, LPARAM>> PrivateMessages() const;

    // IProjectWindow.
    HWND GetProjectWindowHandle() override { return m_hWnd; }
    BOOL ProcessMessage(const ControllerMessage* message) override;
    void DispatchReplyToWindow(ControllerMessage* message) override;
    void OnCompileMessage(LPCSTR text, int commandId) override;
    void LockRegistry() override { m_registryLock.lock(); }
    void UnlockRegistry() override { m_registryLock.unlock(); }
    bool LookupRegisteredWindow(HWND window) override;
    void OnControllerReply(ControllerMessage* message) override;
    bool IsReplyDispatchBlocked() override
    {
        if (m_dispatchCheckHook)
            m_dispatchCheckHook();
        return m_bBlocked;
    }
    void AddErrorText(LPCSTR text) override;
    void NotifyControlPanelProgram(LPCSTR program) override;
    void SetProcessStatus(int process, int status, int line, int error, LPCSTR text) override;
    void SetProgramStatusByName(int process, LPCSTR program) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    CControllerConnection* m_pConnection = nullptr;
    std::unique_ptr<FakeMainFrame> m_pFrame;
    bool m_bBlocked = false;
    std::function<void()> m_dispatchCheckHook;
    CVexoReply* m_pBytesReceiver = nullptr; // under m_registryLock
    std::recursive_mutex m_registryLock;
    std::vector<HWND> m_registered; // under m_registryLock
    mutable std::mutex m_lock;
    std::vector<std::string> m_errors;
    std::vector<std::pair<std::string, int>> m_compile;
    std::vector<ProcessStatus> m_processStatus;
    std::vector<std::pair<int, std::string>> m_programStatus;
    std::vector<ControllerMessage> m_dispatched;
    std::vector<ControllerMessage> m_ownReplies;
    std::vector<std::string> m_controlPanelPrograms;
    int m_nProcessed = 0;
    std::vector<std::pair<UINT, LPARAM>> m_privateMessages;
};
