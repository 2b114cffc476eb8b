// What the project window's tests share: a tool window on a thread of its
// own that answers the registry's questions from its options and records
// what it gets, the real project window started as the main frame starts
// it (on a CVexoThread, beside a fake main frame), and a test base with
// the registry sandbox, virtual time, scripted prompts and a scripted
// controller behind the window's connection.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/app.h"
#include "link/controllermessage.h"
#include "link/tests/support/scripted_controller.h"
#include "link/vexoreply.h"
#include "project/projectwnd.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"

// A tool window on a thread of its own.
class TestTool : public CVexoReply {
public:
    struct Options {
        int replyClass = REPLY_CLASS_PLAIN;
        int wantedChannel = CHANNEL_NOT_SET;
        bool closesOnRequest = true; // false: ignores the destroy request
        LRESULT listedAnswer = 0;    // 0: shown in the "Window" list
        LRESULT restoreAnswer = 1;   // answer to a restore record
        LRESULT saveAnswer = 0;      // answer to a layout collection (1: saved)
        std::string title = "Test tool";
        // Called on the tool's thread with every message it gets.
        std::function<void(UINT message, WPARAM wParam, LPARAM lParam)> onMessage;
    };
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };

    explicit TestTool(Options options);
    TestTool() : TestTool(Options()) {}
    ~TestTool() override;
    TestTool(const TestTool&) = delete;
    TestTool& operator=(const TestTool&) = delete;

    HWND Handle() const { return m_hWnd; }
    // Registers with project on the tool's own thread; the answer.
    LRESULT Register(HWND project, UINT toolId);
    // The same without waiting: the tool's thread registers when it gets
    // to it, and keeps the answer.
    void RegisterLater(HWND project, UINT toolId);
    LRESULT LastAnswer() const { return m_nLastAnswer.load(); }
    void Unregister();
    bool IsAlive() const { return ::IsWindow(m_hWnd) != FALSE; }
    // Waits (real time, bounded) until the window has gone.
    bool WaitGone(DWORD timeoutMs = 5000) const;

    std::vector<Message> Received(UINT message) const;
    // Replies that came after Unregister had returned.
    int RepliesAfterUnregistration() const { return m_nLateReplies.load(); }
    std::vector<ControllerMessage> Replies() const;

    // CVexoReply.
    void OnReply(ControllerMessage* message) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Run();

    Options m_options;
    std::thread m_thread;
    HWND m_hWnd = nullptr;
    HANDLE m_hReady = nullptr;
    HWND m_hProject = nullptr;
    UINT m_nToolId = 0;
    std::atomic<LRESULT> m_nLastAnswer{-1};
    std::atomic<bool> m_bUnregistered{false};
    std::atomic<int> m_nLateReplies{0};
    mutable std::mutex m_lock;
    std::vector<Message> m_received;
    std::vector<ControllerMessage> m_replies;
};

// The real project window, started on a CVexoThread as the main frame
// starts it; destroyed (destroy request, then its thread's end) with the
// object.
class RealProjectWindow {
public:
    RealProjectWindow();
    ~RealProjectWindow();
    RealProjectWindow(const RealProjectWindow&) = delete;
    RealProjectWindow& operator=(const RealProjectWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    CProjectWnd* Object() const { return m_pObject; }
    // Sends a message to the window and answers this thread's messages
    // while it waits (the window may send to this thread meanwhile).
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Waits until every message posted to the window so far is handled.
    void Settle() const;

private:
    HWND m_hWnd = nullptr;
    CProjectWnd* m_pObject = nullptr;
    HANDLE m_hThread = nullptr;
};

class ProjectWndTest : public RegistrySandboxTest {
protected:
    // Scripts each link the window's connection makes.
    virtual void Script(CScriptedController& link) {}
    // Settings before the window starts (AutoConnectAtStart is off).
    virtual void BeforeStart() {}

    void SetUp() override;
    void TearDown() override;

    // Opens the window's link to the scripted controller, in channel mode
    // when asked, as a connect would.
    void OpenLink(bool channelMode = true);
    // Opens the project "Demo" in the folder (its project file made there).
    void OpenProject(const std::string& folder);
    // A program in the controller's list, as a directory read leaves it.
    void AddControllerProgram(const char* name, int type = 0);
    // The commands the controller took that begin with prefix, in order.
    std::vector<std::string> CommandsStarting(const std::string& prefix) const;
    CControllerConnection& Connection() { return m_window->Object()->GetConnection(); }

    CWinApp m_app{"project window tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    std::unique_ptr<FakeMainFrame> m_frame;
    std::unique_ptr<RealProjectWindow> m_window;
    CScriptedController* m_link = nullptr;
};
