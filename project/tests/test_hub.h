// A project window for the tests of the controller search, connect and
// disconnect, the hardware scan and the window layout: a hidden window on
// the test's thread that is the connection's project window (its own
// replies fill the answer words) and the IProjectHub of the parts under
// test, with a recording main frame and control panel, a table of
// registered tool windows and a progress that records what it shows.
//
// The command runner sends each command through the connection as the
// project window's own synchronous transaction.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/wnd.h"
#include "link/commandtable.h"
#include "link/controllerconnection.h"
#include "link/projectwindow.h"
#include "project/projectfile.h"
#include "project/projecthub.h"
#include "project/projectmessages.h"
#include "testsupport/fake_windows.h"

class RecordingProgress : public IHubProgress {
public:
    struct Log {
        std::vector<std::string> texts;
        std::vector<int> percents;
        int range = -1;
        int steps = 0;
        bool closed = false;
        bool cancelled = false;
    };
    explicit RecordingProgress(std::shared_ptr<Log> log) : m_log(std::move(log)) {}
    void SetText(LPCSTR text) override { m_log->texts.push_back(text ? text : ""); }
    void SetRange(int steps) override { m_log->range = steps; }
    void StepIt() override { ++m_log->steps; }
    void SetPercent(int percent) override { m_log->percents.push_back(percent); }
    bool IsCancelled() override { return m_log->cancelled; }
    void Close() override { m_log->closed = true; }

private:
    std::shared_ptr<Log> m_log;
};

class TestHub : public CWnd, public IProjectWindow, public IProjectHub {
public:
    TestHub()
    {
        CreateEx(0, AfxRegisterWndClass(0), "Test project window", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
        m_frame = std::make_unique<FakeMainFrame>(nullptr, true);
        RECT area = {10, 20, 500, 400};
        m_frame->SetHandler(WM_GET_FRAME_CLIENT_RECT, [area](WPARAM, LPARAM lParam) -> LRESULT {
            if (lParam)
                *reinterpret_cast<RECT*>(lParam) = area;
            return 1;
        });
        m_panel = std::make_unique<FakeProjectWindow>();
        m_slots.assign(128, -1);
    }
    ~TestHub() override
    {
        m_panel.reset();
        m_frame.reset();
        if (m_hWnd)
            DestroyWindow();
    }

    // Set-up.
    void SetConnection(CControllerConnection* connection) { m_pConnection = connection; }
    void SetProjectPath(const std::string& path) { m_file.Load(path.c_str()); }
    void AddTool(const RegisteredTool& tool) { m_tools.push_back(tool); }
    // What opening a layout record does (default: skipped).
    std::function<OpenResult(const SWindowParameters&)> onOpen;
    // Handlers of messages the hub window gets.
    std::map<UINT, std::function<LRESULT(WPARAM, LPARAM)>> handlers;
    BOOL checkResult = TRUE;
    BOOL backupResult = TRUE;
    bool closing = false;
    CConnectionState state;
    CString directPort;
    // Called before each command the runner sends.
    std::function<void(int id, int argument)> onCommand;

    FakeMainFrame& Frame() { return *m_frame; }
    FakeProjectWindow& Panel() { return *m_panel; }
    std::shared_ptr<RecordingProgress::Log> LastProgress() const { return m_progress.empty() ? nullptr : m_progress.back(); }
    const std::vector<std::shared_ptr<RecordingProgress::Log>>& Progresses() const { return m_progress; }
    std::vector<std::string> Events() const
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_events;
    }
    const std::vector<ControllerMessage>& PassedReplies() const { return m_passed; }
    int Slot(int slot) const { return m_slots[slot]; }
    int busy = 0;
    int maxBusy = 0;

    // IProjectHub.
    HWND GetHubWindow() override { return m_hWnd; }
    HWND GetMainFrameWindow() override { return m_frame ? m_frame->Handle() : nullptr; }
    HWND GetControlPanelWindow() override { return m_panel ? m_panel->Handle() : nullptr; }
    CControllerConnection* GetConnection() override { return m_pConnection; }
    CProjectFile* GetProjectFile() override { return &m_file; }
    CConnectionState& GetConnectionState() override { return state; }
    bool IsClosing() override { return closing; }
    void SetDirectPortText(LPCSTR text) override { directPort = text; }
    void SetPendingRestore(const SWindowParameters* record) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_pending.reset(record ? new SWindowParameters(*record) : nullptr);
    }
    bool IsRestorePending() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_pending != nullptr;
    }
    // A copy of the pending record; false when none.
    bool GetPendingRestore(SWindowParameters& record)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_pending)
            record = *m_pending;
        return m_pending != nullptr;
    }
    void RaiseBusy() override
    {
        ++busy;
        maxBusy = busy > maxBusy ? busy : maxBusy;
    }
    void LowerBusy() override { --busy; }
    void GetRegisteredWindows(std::vector<RegisteredTool>& windows) override { windows = m_tools; }
    void CloseAllToolWindows(int exceptToolId) override
    {
        Event("close all except " + std::to_string(exceptToolId));
        std::vector<RegisteredTool> kept;
        for (const RegisteredTool& tool : m_tools)
            if (exceptToolId > 0 && tool.toolId == exceptToolId)
                kept.push_back(tool);
        m_tools = kept;
    }
    void CloseToolWindows(int toolId) override { Event("close " + std::to_string(toolId)); }
    void BroadcastToTools(UINT message, WPARAM, LPARAM) override { Event("broadcast " + std::to_string(message)); }
    void PassReplyToTools(const ControllerMessage& reply) override { m_passed.push_back(reply); }
    std::unique_ptr<IHubProgress> StartProgress(LPCSTR caption) override
    {
        auto log = std::make_shared<RecordingProgress::Log>();
        log->texts.push_back(caption);
        m_progress.push_back(log);
        if (onProgress)
            onProgress(*log);
        return std::make_unique<RecordingProgress>(log);
    }
    std::function<void(RecordingProgress::Log&)> onProgress;
    OpenResult OpenToolForRestore(const SWindowParameters& record) override
    {
        return onOpen ? onOpen(record) : OPEN_SKIPPED;
    }
    BOOL RunCommand(int commandId, int integer = 0, LPCSTR text = nullptr) override
    {
        if (onCommand)
            onCommand(commandId, integer);
        if (!m_pConnection)
            return FALSE;
        ControllerMessage message;
        message.m_hReplyWnd = m_hWnd;
        message.m_nCommandId = commandId;
        message.m_nChannel = m_pConnection->GetLinkMode() == CONNECTION_CHANNEL_MODE ? CHANNEL_COMMAND : CHANNEL_DIRECT;
        if (text)
            message.SetArgumentText(text);
        else
            message.SetInteger(integer);
        return m_pConnection->TransmitSynchronous(&message, nullptr);
    }
    int GetAnswerWord() override { return Answer(CMD_ATYPE); }
    int GetPowerUpState() override { return Answer(CMD_POWER_UP); }
    int GetWatchdogValue() override { return Answer(CMD_WDOG); }
    int GetFreeMemory() override { return Answer(CMD_FREE); }
    CString GetSelectedProgramName() override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_selected.c_str();
    }
    int GetAxisCountAtServoPeriod() override
    {
        RunCommand(142);
        return m_pConnection ? m_pConnection->GetMaxAxes(3) : 0;
    }
    void RefreshIOCounts(int kind) override
    {
        const int commands[] = {59, 65, 66};
        if (kind != 2 || (m_pConnection && m_pConnection->IsFeatureSupported(22)))
            RunCommand(commands[kind]);
    }
    void SetModuleSlot(int slot, int value) override { m_slots[slot] = value; }
    BOOL CheckProject(BOOL) override
    {
        Event("check");
        return checkResult;
    }
    BOOL BackupProject() override
    {
        Event("backup");
        return backupResult;
    }
    bool AreProgramsFixed() override { return false; }
    void OfferEPROMStore(int reason) override { Event("eprom " + std::to_string(reason)); }
    BOOL LoadIECProjectToController() override
    {
        Event("iec");
        return TRUE;
    }
    void WriteAutoRunToProject() override { Event("autorun"); }
    void ClearProcessList() override {}
    void ResetAxisValues() override { Event("axes reset"); }

    // IProjectWindow.
    HWND GetProjectWindowHandle() override { return m_hWnd; }
    BOOL ProcessMessage(const ControllerMessage*) override { return FALSE; }
    void DispatchReplyToWindow(ControllerMessage*) override {}
    void OnCompileMessage(LPCSTR, int) override {}
    void LockRegistry() override { m_registryLock.lock(); }
    void UnlockRegistry() override { m_registryLock.unlock(); }
    bool LookupRegisteredWindow(HWND) override { return false; }
    void OnControllerReply(ControllerMessage* message) override
    {
        if (!message)
            return;
        std::lock_guard<std::mutex> guard(m_lock);
        int id = message->m_nCommandId;
        int value = message->GetInteger();
        if (id == CMD_SELECT_CONTINUE)
            m_selected = message->GetText();
        if (id == CMD_COMMSTYPE) {
            // A slot's communications type is kept as the answer + 0x10000.
            id = CMD_ATYPE;
            value += 0x10000;
        }
        m_answers[id] = value;
    }
    bool IsReplyDispatchBlocked() override { return false; }
    void AddErrorText(LPCSTR text) override { Event(std::string("error ") + (text ? text : "")); }
    void NotifyControlPanelProgram(LPCSTR) override {}
    void SetProcessStatus(int, int, int, int, LPCSTR) override {}
    void SetProgramStatusByName(int, LPCSTR) override {}

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_GET_WINDOW_OBJECT)
            return reinterpret_cast<LRESULT>(static_cast<CWnd*>(this));
        auto handler = handlers.find(message);
        if (handler != handlers.end())
            return handler->second(wParam, lParam);
        if (message >= WM_APP)
            Event("hub " + std::to_string(message) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
        return CWnd::WindowProc(message, wParam, lParam);
    }

private:
    void Event(const std::string& text)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_events.push_back(text);
    }
    int Answer(int id)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        auto found = m_answers.find(id);
        return found == m_answers.end() ? 0 : found->second;
    }

    CControllerConnection* m_pConnection = nullptr;
    std::unique_ptr<FakeMainFrame> m_frame;
    std::unique_ptr<FakeProjectWindow> m_panel;
    CProjectFile m_file;
    std::vector<RegisteredTool> m_tools;
    std::vector<int> m_slots;
    std::vector<std::shared_ptr<RecordingProgress::Log>> m_progress;
    std::vector<ControllerMessage> m_passed;
    std::recursive_mutex m_registryLock;
    mutable std::mutex m_lock;
    std::vector<std::string> m_events;
    std::map<int, int> m_answers;
    std::string m_selected;
    std::unique_ptr<SWindowParameters> m_pending;
};
