// The fake main frame and fake project window: hidden windows, each on a
// user-interface thread of its own, that answer the tool-window messages
// from a table and record every message they receive, so a tool window or
// dialog can be tested without the real ones.
//
//   CWinApp app("tests");            // the frame becomes its main window
//   FakeProjectWindow project;
//   FakeMainFrame frame(&project);   // answers 0x8107 (1035) with project
//   project.SetAnswer(0x81CC, 1);    // any other query: from the table
//   ... create the tool; it registers with project ...
//   HWND tool = project.WaitForRegistration(1019);
//
// Answers are looked up by message and wParam, then by message alone; a
// handler (run on the fake's thread) may compute the answer instead.
// Messages without an entry get 0 when they are private (WM_APP and up),
// and the default window procedure's answer otherwise.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CWnd;
class CWinThread;

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    bool sent;      // sent by another thread, which waited for the answer
    LRESULT answer; // what the fake answered
};

class FakeWindow {
public:
    using Handler = std::function<LRESULT(WPARAM wParam, LPARAM lParam)>;

    virtual ~FakeWindow();
    FakeWindow(const FakeWindow&) = delete;
    FakeWindow& operator=(const FakeWindow&) = delete;

    HWND Handle() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }
    // The framework object attached to the window.
    CWnd* Object() const { return m_pWnd; }
    DWORD ThreadId() const { return m_threadId; }

    void SetAnswer(UINT message, LRESULT answer);
    void SetAnswer(UINT message, WPARAM wParam, LRESULT answer);
    void SetHandler(UINT message, Handler handler);
    void SetHandler(UINT message, WPARAM wParam, Handler handler);
    // Back to no entry for the message (any wParam).
    void RemoveAnswers(UINT message);

    std::vector<ReceivedMessage> Received() const;
    std::vector<ReceivedMessage> Received(UINT message) const;
    void ClearReceived();
    // Waits, handling the calling thread's messages, until a message
    // arrives that matches (message and the optional test); the first such
    // message, or nothing after timeoutMs.
    std::optional<ReceivedMessage> WaitFor(UINT message, const std::function<bool(const ReceivedMessage&)>& match = {},
                                           DWORD timeoutMs = 5000) const;

protected:
    explicit FakeWindow(const char* title);
    // Called by derived constructors once their own tables are set up; the
    // window and its thread exist when it returns.
    void Start();
    // Destroys the window and waits for its thread; derived destructors
    // call it first, so no message reaches a half-destroyed fake.
    void Stop();

private:
    class CFakeWnd;
    class CFakeThread;
    friend class CFakeWnd;
    friend class CFakeThread;

    LRESULT Answer(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    std::string m_title;
    HWND m_hWnd = nullptr;
    CWnd* m_pWnd = nullptr;
    DWORD m_threadId = 0;
    CWinThread* m_pThread = nullptr;
    HANDLE m_hReady = nullptr;

    mutable std::mutex m_lock;
    std::map<std::pair<UINT, WPARAM>, Handler> m_byParam;
    std::map<UINT, Handler> m_byMessage;
    std::vector<ReceivedMessage> m_received;
};

class FakeProjectWindow : public FakeWindow {
public:
    struct Registration {
        UINT toolId;
        HWND hWnd;
        LRESULT replyClass; // the tool's answer to the class query
    };

    // Accepts registrations at the position (40, 30) and asks every new
    // tool for its reply class, as the project window does; answers 0x8106
    // with its own object, 0x812C and 0x81EC from the registrations and
    // 0x81CC from the feature set.
    FakeProjectWindow();
    ~FakeProjectWindow() override;

    // The answer to every registration from now on; 0 refuses.
    void SetRegistrationAnswer(LRESULT answer);
    // The tools registered now, oldest first.
    std::vector<Registration> Registered() const;
    // Waits for a live window registered under toolId (the newest one).
    HWND WaitForRegistration(UINT toolId, DWORD timeoutMs = 5000) const;
    // Waits until window has unregistered.
    bool WaitForUnregistration(HWND window, DWORD timeoutMs = 5000) const;
    // Every registration accepted so far, oldest first, those that have
    // unregistered since included.
    std::vector<Registration> RegisteredEver() const;
    // A window's text as it unregistered (a window that closes at once can
    // be read no later); empty when it has not.
    std::string TextAtUnregistration(HWND window) const;

    void SetFeature(int feature, bool supported);

    // Reports ready (0x811E, posted) to the main frame after each of these
    // messages, as the project window does once the work a command asked
    // for is done.
    void ReportReadyAfter(HWND hWndFrame, const std::vector<UINT>& messages);

private:
    LRESULT OnRegister(WPARAM toolId, LPARAM window);
    LRESULT OnUnregister(WPARAM toolId, LPARAM window);

    mutable std::mutex m_registryLock;
    LRESULT m_registrationAnswer = MAKELONG(40, 30);
    std::vector<Registration> m_registered;
    std::vector<Registration> m_registeredEver;
    std::vector<std::pair<HWND, std::string>> m_unregisteredTexts;
    std::vector<int> m_features;
};

class FakeMainFrame : public FakeWindow {
public:
    // Answers 0x8107 (component id) with the window handle and 0x8106
    // (component id) with the object the frame knows under that id; the
    // project window (1035) is the one given here. With installAsMainWindow
    // the frame becomes the application object's main window (when there
    // is one) for its lifetime.
    explicit FakeMainFrame(FakeWindow* project = nullptr, bool installAsMainWindow = true);
    ~FakeMainFrame() override;

    void SetComponent(UINT componentId, HWND hWnd, CWnd* object = nullptr);
    void SetComponent(UINT componentId, FakeWindow* window);
    // The frame knows no window under the id any more.
    void ClearComponent(UINT componentId);

private:
    mutable std::mutex m_componentLock;
    std::map<UINT, std::pair<HWND, CWnd*>> m_components;
    CWnd* m_pPreviousMain = nullptr;
    bool m_installed = false;
};
