#include "link/tests/support/fake_project.h"

#include <algorithm>

#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/vexoreply.h"
#include "ui/toolmessages.h"

CFakeProjectLink::CFakeProjectLink()
{
    CreateEx(0, AfxRegisterWndClass(0), "Fake project window", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
    m_pFrame = std::make_unique<FakeMainFrame>(nullptr, true);
    m_pFrame->SetComponent(COMPONENT_PROJECT_WINDOW, m_hWnd, this);
}

CFakeProjectLink::~CFakeProjectLink()
{
    m_pFrame.reset();
    if (m_hWnd)
        DestroyWindow();
}

LRESULT CFakeProjectLink::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_GET_WINDOW_OBJECT:
        return reinterpret_cast<LRESULT>(static_cast<CWnd*>(this));
    case WM_REGISTER_TOOL_WINDOW:
        Register(reinterpret_cast<HWND>(lParam));
        return MAKELONG(40, 30);
    case WM_UNREGISTER_TOOL_WINDOW:
        Unregister(reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_APP + 0x16B: // the connection
        return reinterpret_cast<LRESULT>(m_pConnection);
    default:
        if (message >= WM_APP) {
            std::lock_guard<std::mutex> guard(m_lock);
            m_privateMessages.emplace_back(message, lParam);
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
}

void CFakeProjectLink::Register(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(m_registryLock);
    m_registered.push_back(window);
}

void CFakeProjectLink::Unregister(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(m_registryLock);
    m_registered.erase(std::remove(m_registered.begin(), m_registered.end(), window), m_registered.end());
}

bool CFakeProjectLink::LookupRegisteredWindow(HWND window)
{
    std::lock_guard<std::recursive_mutex> guard(m_registryLock);
    return std::find(m_registered.begin(), m_registered.end(), window) != m_registered.end();
}

BOOL CFakeProjectLink::ProcessMessage(const ControllerMessage* message)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        ++m_nProcessed;
    }
    if (!message || !m_pConnection)
        return FALSE;
    ControllerMessage copy(*message);
    return m_pConnection->Transact(&copy);
}

std::vector<std::pair<UINT, LPARAM>> CFakeProjectLink::PrivateMessages() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_privateMessages;
}

void CFakeProjectLink::SetBytesReceiver(CVexoReply* receiver)
{
    std::lock_guard<std::recursive_mutex> guard(m_registryLock);
    m_pBytesReceiver = receiver;
}

void CFakeProjectLink::DispatchReplyToWindow(ControllerMessage* message)
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_dispatched.push_back(*message);
    }
    std::lock_guard<std::recursive_mutex> guard(m_registryLock);
    if (m_pBytesReceiver && message)
        m_pBytesReceiver->OnReply(message);
}

void CFakeProjectLink::OnCompileMessage(LPCSTR text, int commandId)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_compile.emplace_back(text ? text : "", commandId);
}

void CFakeProjectLink::OnControllerReply(ControllerMessage* message)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_ownReplies.push_back(*message);
}

void CFakeProjectLink::AddErrorText(LPCSTR text)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_errors.emplace_back(text ? text : "");
}

void CFakeProjectLink::SetProcessStatus(int process, int status, int line, int error, LPCSTR text)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_processStatus.push_back({process, status, line, error, text ? text : "", text != nullptr});
}

void CFakeProjectLink::SetProgramStatusByName(int process, LPCSTR program)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_programStatus.emplace_back(process, program ? program : "");
}

void CFakeProjectLink::NotifyControlPanelProgram(LPCSTR program)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_controlPanelPrograms.emplace_back(program ? program : "");
}

std::vector<std::string> CFakeProjectLink::ControlPanelPrograms() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_controlPanelPrograms;
}

std::vector<std::string> CFakeProjectLink::Errors() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_errors;
}

std::vector<std::pair<std::string, int>> CFakeProjectLink::CompileMessages() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_compile;
}

std::vector<CFakeProjectLink::ProcessStatus> CFakeProjectLink::ProcessStatuses() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_processStatus;
}

std::vector<std::pair<int, std::string>> CFakeProjectLink::ProgramStatuses() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_programStatus;
}

std::vector<ControllerMessage> CFakeProjectLink::Dispatched() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_dispatched;
}

std::vector<ControllerMessage> CFakeProjectLink::OwnReplies() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_ownReplies;
}

int CFakeProjectLink::ProcessedCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_nProcessed;
}
