#include "testsupport/fake_windows.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/thread.h"
#include "framework/wnd.h"
#include "testsupport/test_window.h"
#include "ui/toolmessages.h"

namespace {
const DWORD kStartStopTimeoutMs = 10000;
} // namespace

// --- the window and its thread -------------------------------------------------------

class FakeWindow::CFakeWnd : public CWnd {
public:
    explicit CFakeWnd(FakeWindow* owner) : m_owner(owner) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        // The object may be gone once the message is handled (WM_CLOSE,
        // WM_NCDESTROY): only locals are used afterwards.
        FakeWindow* owner = m_owner;
        const bool sent = ::InSendMessage() != FALSE;
        LRESULT answer = 0;
        if (message == WM_CLOSE) {
            DestroyWindow();
        } else {
            bool handled = false;
            answer = owner->Answer(message, wParam, lParam, handled);
            if (!handled && message < WM_APP)
                answer = CWnd::WindowProc(message, wParam, lParam);
        }
        std::lock_guard<std::mutex> guard(owner->m_lock);
        owner->m_received.push_back({message, wParam, lParam, sent, answer});
        return answer;
    }

protected:
    void PostNcDestroy() override { delete this; }

private:
    FakeWindow* m_owner;
};

class FakeWindow::CFakeThread : public CWinThread {
public:
    explicit CFakeThread(FakeWindow* owner) : m_owner(owner) {}

    BOOL InitInstance() override
    {
        auto* pWnd = new CFakeWnd(m_owner);
        const BOOL created =
            pWnd->CreateEx(0, AfxRegisterWndClass(0), m_owner->m_title.c_str(), WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
        if (created) {
            m_pMainWnd = pWnd; // the thread ends when the window goes
            m_owner->m_pWnd = pWnd;
            m_owner->m_hWnd = pWnd->m_hWnd;
            m_owner->m_threadId = ::GetCurrentThreadId();
        } else if (!CWnd::LastCreateDestroyed()) {
            delete pWnd; // never attached; else its destruction deleted it
        }
        ::SetEvent(m_owner->m_hReady);
        return created;
    }

private:
    FakeWindow* m_owner;
};

// --- FakeWindow ----------------------------------------------------------------------

FakeWindow::FakeWindow(const char* title) : m_title(title) {}

FakeWindow::~FakeWindow()
{
    Stop();
}

void FakeWindow::Start()
{
    m_hReady = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    m_pThread = new CFakeThread(this);
    m_pThread->m_bAutoDelete = FALSE;
    if (!m_pThread->CreateThread()) {
        ADD_FAILURE() << "cannot start the thread of " << m_title;
        delete m_pThread;
        m_pThread = nullptr;
        return;
    }
    if (::WaitForSingleObject(m_hReady, kStartStopTimeoutMs) != WAIT_OBJECT_0 || !m_hWnd)
        ADD_FAILURE() << "cannot create " << m_title;
}

void FakeWindow::Stop()
{
    if (m_pThread) {
        if (m_hWnd)
            ::PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(m_pThread->m_hThread, kStartStopTimeoutMs) == WAIT_OBJECT_0)
            delete m_pThread;
        else
            ADD_FAILURE() << m_title << " did not close"; // left running: deleting it would crash
        m_pThread = nullptr;
        m_hWnd = nullptr;
        m_pWnd = nullptr;
    }
    if (m_hReady) {
        ::CloseHandle(m_hReady);
        m_hReady = nullptr;
    }
}

LRESULT FakeWindow::Answer(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    Handler handler;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (auto it = m_byParam.find({message, wParam}); it != m_byParam.end())
            handler = it->second;
        else if (auto it2 = m_byMessage.find(message); it2 != m_byMessage.end())
            handler = it2->second;
    }
    handled = static_cast<bool>(handler);
    return handler ? handler(wParam, lParam) : 0;
}

void FakeWindow::SetAnswer(UINT message, LRESULT answer)
{
    SetHandler(message, [answer](WPARAM, LPARAM) { return answer; });
}

void FakeWindow::SetAnswer(UINT message, WPARAM wParam, LRESULT answer)
{
    SetHandler(message, wParam, [answer](WPARAM, LPARAM) { return answer; });
}

void FakeWindow::SetHandler(UINT message, Handler handler)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_byMessage[message] = std::move(handler);
}

void FakeWindow::SetHandler(UINT message, WPARAM wParam, Handler handler)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_byParam[{message, wParam}] = std::move(handler);
}

void FakeWindow::RemoveAnswers(UINT message)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_byMessage.erase(message);
    for (auto it = m_byParam.begin(); it != m_byParam.end();)
        it = it->first.first == message ? m_byParam.erase(it) : std::next(it);
}

std::vector<ReceivedMessage> FakeWindow::Received() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_received;
}

std::vector<ReceivedMessage> FakeWindow::Received(UINT message) const
{
    std::vector<ReceivedMessage> result;
    std::lock_guard<std::mutex> guard(m_lock);
    std::copy_if(m_received.begin(), m_received.end(), std::back_inserter(result),
                 [message](const ReceivedMessage& m) { return m.message == message; });
    return result;
}

void FakeWindow::ClearReceived()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_received.clear();
}

std::optional<ReceivedMessage>
FakeWindow::WaitFor(UINT message, const std::function<bool(const ReceivedMessage&)>& match, DWORD timeoutMs) const
{
    std::optional<ReceivedMessage> found;
    PumpUntil(
        [&] {
            for (const ReceivedMessage& m : Received(message)) {
                if (!match || match(m)) {
                    found = m;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

// --- FakeProjectWindow ---------------------------------------------------------------

FakeProjectWindow::FakeProjectWindow() : FakeWindow("Fake project window")
{
    SetHandler(WM_REGISTER_TOOL_WINDOW, [this](WPARAM w, LPARAM l) { return OnRegister(w, l); });
    SetHandler(WM_UNREGISTER_TOOL_WINDOW, [this](WPARAM w, LPARAM l) { return OnUnregister(w, l); });
    SetHandler(WM_GET_WINDOW_OBJECT, [this](WPARAM, LPARAM) { return reinterpret_cast<LRESULT>(Object()); });
    // Whether a tool id is registered; how many tools are.
    SetHandler(WM_APP + 0x12C, [this](WPARAM toolId, LPARAM) {
        std::lock_guard<std::mutex> guard(m_registryLock);
        return static_cast<LRESULT>(std::any_of(m_registered.begin(), m_registered.end(),
                                                [toolId](const Registration& r) { return r.toolId == toolId; }));
    });
    SetHandler(WM_APP + 0x1EC, [this](WPARAM, LPARAM) {
        std::lock_guard<std::mutex> guard(m_registryLock);
        return static_cast<LRESULT>(m_registered.size());
    });
    // Controller features (lParam = the feature number).
    SetHandler(WM_APP + 0x1CC, [this](WPARAM, LPARAM feature) {
        std::lock_guard<std::mutex> guard(m_registryLock);
        return static_cast<LRESULT>(std::find(m_features.begin(), m_features.end(), static_cast<int>(feature)) !=
                                    m_features.end());
    });
    Start();
}

FakeProjectWindow::~FakeProjectWindow()
{
    Stop();
}

LRESULT FakeProjectWindow::OnRegister(WPARAM toolId, LPARAM window)
{
    const HWND hWnd = reinterpret_cast<HWND>(window);
    LRESULT answer;
    {
        std::lock_guard<std::mutex> guard(m_registryLock);
        answer = m_registrationAnswer;
    }
    // The class query comes first, as the project window asks it.
    LRESULT replyClass = -1;
    if (::IsWindow(hWnd)) {
        void* replyReceiver = nullptr;
        int channel = NO_CHANNEL;
        replyClass = ::SendMessageA(hWnd, WM_QUERY_REPLY_CLASS, reinterpret_cast<WPARAM>(&replyReceiver),
                                    reinterpret_cast<LPARAM>(&channel));
    }
    if (answer) {
        std::lock_guard<std::mutex> guard(m_registryLock);
        m_registered.push_back({static_cast<UINT>(toolId), hWnd, replyClass});
        m_registeredEver.push_back(m_registered.back());
    }
    return answer;
}

LRESULT FakeProjectWindow::OnUnregister(WPARAM, LPARAM window)
{
    const HWND hWnd = reinterpret_cast<HWND>(window);
    // Read before the lock: the window's thread answers while it waits here.
    std::string text = ::IsWindow(hWnd) ? WindowText(hWnd) : std::string();
    std::lock_guard<std::mutex> guard(m_registryLock);
    m_unregisteredTexts.emplace_back(hWnd, std::move(text));
    m_registered.erase(std::remove_if(m_registered.begin(), m_registered.end(),
                                      [hWnd](const Registration& r) { return r.hWnd == hWnd; }),
                       m_registered.end());
    return 0;
}

void FakeProjectWindow::SetRegistrationAnswer(LRESULT answer)
{
    std::lock_guard<std::mutex> guard(m_registryLock);
    m_registrationAnswer = answer;
}

std::vector<FakeProjectWindow::Registration> FakeProjectWindow::RegisteredEver() const
{
    std::lock_guard<std::mutex> guard(m_registryLock);
    return m_registeredEver;
}

std::string FakeProjectWindow::TextAtUnregistration(HWND window) const
{
    std::lock_guard<std::mutex> guard(m_registryLock);
    for (auto it = m_unregisteredTexts.rbegin(); it != m_unregisteredTexts.rend(); ++it) {
        if (it->first == window)
            return it->second;
    }
    return std::string();
}

std::vector<FakeProjectWindow::Registration> FakeProjectWindow::Registered() const
{
    std::lock_guard<std::mutex> guard(m_registryLock);
    return m_registered;
}

HWND FakeProjectWindow::WaitForRegistration(UINT toolId, DWORD timeoutMs) const
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            const std::vector<Registration> now = Registered();
            for (auto it = now.rbegin(); it != now.rend(); ++it) {
                if (it->toolId == toolId && ::IsWindow(it->hWnd)) {
                    found = it->hWnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

bool FakeProjectWindow::WaitForUnregistration(HWND window, DWORD timeoutMs) const
{
    return PumpUntil(
        [&] {
            const std::vector<Registration> now = Registered();
            return std::none_of(now.begin(), now.end(), [window](const Registration& r) { return r.hWnd == window; });
        },
        timeoutMs);
}

void FakeProjectWindow::SetFeature(int feature, bool supported)
{
    std::lock_guard<std::mutex> guard(m_registryLock);
    m_features.erase(std::remove(m_features.begin(), m_features.end(), feature), m_features.end());
    if (supported)
        m_features.push_back(feature);
}

void FakeProjectWindow::ReportReadyAfter(HWND hWndFrame, const std::vector<UINT>& messages)
{
    for (UINT message : messages)
        SetHandler(message, [hWndFrame](WPARAM, LPARAM) {
            ::PostMessageA(hWndFrame, WM_APP + 0x11E, 0, 0);
            return LRESULT{0};
        });
}

// --- FakeMainFrame -------------------------------------------------------------------

FakeMainFrame::FakeMainFrame(FakeWindow* project, bool installAsMainWindow) : FakeWindow("Fake main frame")
{
    if (project)
        SetComponent(COMPONENT_PROJECT_WINDOW, project);
    SetHandler(WM_GET_WINDOW_HANDLE, [this](WPARAM id, LPARAM) {
        std::lock_guard<std::mutex> guard(m_componentLock);
        auto it = m_components.find(static_cast<UINT>(id));
        return it == m_components.end() ? 0 : reinterpret_cast<LRESULT>(it->second.first);
    });
    SetHandler(WM_GET_WINDOW_OBJECT, [this](WPARAM id, LPARAM) {
        std::lock_guard<std::mutex> guard(m_componentLock);
        auto it = m_components.find(static_cast<UINT>(id));
        return it == m_components.end() ? 0 : reinterpret_cast<LRESULT>(it->second.second);
    });
    Start();
    CWinApp* pApp = AfxGetApp();
    if (installAsMainWindow && pApp && Object()) {
        m_pPreviousMain = pApp->m_pMainWnd;
        pApp->m_pMainWnd = Object();
        m_installed = true;
    }
}

FakeMainFrame::~FakeMainFrame()
{
    CWinApp* pApp = AfxGetApp();
    if (m_installed && pApp && pApp->m_pMainWnd == Object())
        pApp->m_pMainWnd = m_pPreviousMain;
    Stop();
}

void FakeMainFrame::SetComponent(UINT componentId, HWND hWnd, CWnd* object)
{
    std::lock_guard<std::mutex> guard(m_componentLock);
    m_components[componentId] = {hWnd, object};
}

void FakeMainFrame::ClearComponent(UINT componentId)
{
    std::lock_guard<std::mutex> guard(m_componentLock);
    m_components.erase(componentId);
}

void FakeMainFrame::SetComponent(UINT componentId, FakeWindow* window)
{
    if (window)
        SetComponent(componentId, window->Handle(), window->Object());
    else
        ClearComponent(componentId);
}
