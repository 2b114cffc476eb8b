#include "tools/base/toolwindow.h"

#include <cstring>

#include "foundation/logline.h"
#include "ui/windowlookup.h"

namespace tools {

std::int32_t GetRecordWord(const SWindowParameters& record, std::size_t offset)
{
    std::int32_t value = 0;
    if (offset + sizeof value <= sizeof record)
        std::memcpy(&value, reinterpret_cast<const char*>(&record) + offset, sizeof value);
    return value;
}

void SetRecordWord(SWindowParameters& record, std::size_t offset, std::int32_t value)
{
    if (offset + sizeof value <= sizeof record)
        std::memcpy(reinterpret_cast<char*>(&record) + offset, &value, sizeof value);
}

CToolWindowParts::CToolWindowParts(UINT toolId, LPCSTR name, int replyClass)
    : m_nToolId(toolId), m_nReplyClass(replyClass)
{
    SetReply(name ? name : "");
    m_sender.SetText(name);
}

CToolWindowParts::~CToolWindowParts() = default;

void CToolWindowParts::EndStart()
{
    if (m_bStarted)
        return;
    m_bStarted = true;
    --m_nBusy;
}

// ---------------------------------------------------------------- registration

BOOL CToolWindowParts::Register(HWND window, HWND hWndProject)
{
    m_hWndTool = window;
    {
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_hWndQueue = window;
    }
    if (hWndProject && ::IsWindow(hWndProject)) {
        // A given project window: the same registration and move as the
        // looked-up one.
        const LRESULT answer = ::SendMessageA(hWndProject, WM_TOOL_REGISTER, m_nToolId, reinterpret_cast<LPARAM>(window));
        if (answer == 0)
            return FALSE;
        const DWORD position = static_cast<DWORD>(answer);
        ::SetWindowPos(window, nullptr, static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position)), 0, 0,
                       SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        m_hWndProject = hWndProject;
    } else {
        m_hWndProject = RegisterToolWindowAtItsPlace(m_nToolId, window);
    }
    m_bRegistered = m_hWndProject != nullptr;
    return m_bRegistered ? TRUE : FALSE;
}

void CToolWindowParts::Unregister()
{
    if (!m_bRegistered)
        return;
    m_bRegistered = false;
    UnregisterToolWindow(m_hWndProject, m_nToolId, m_hWndTool, FALSE);
}

LRESULT CToolWindowParts::AnswerReplyClass(WPARAM wParam, LPARAM lParam)
{
    // A window without controller traffic hands out no reply part.
    if (wParam && m_nReplyClass != 4)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    if (lParam && m_nWantedChannel != CHANNEL_NOT_SET)
        *reinterpret_cast<std::int32_t*>(lParam) = m_nWantedChannel;
    return m_nReplyClass;
}

// ---------------------------------------------------------------- saved window record

LRESULT CToolWindowParts::TakeRestoreRecord(LPARAM lParam)
{
    const auto* record = reinterpret_cast<const SWindowParameters*>(lParam);
    if (!record || GetRecordWord(*record, kRecordToolIdOffset) != static_cast<std::int32_t>(m_nToolId)) {
        m_pRestore.reset();
        return 0;
    }
    m_pRestore = std::make_unique<SWindowParameters>(*record);
    return 1;
}

bool CToolWindowParts::ApplyRestoreRecord(HWND window)
{
    if (!m_pRestore)
        return false;
    const std::unique_ptr<SWindowParameters> record = std::move(m_pRestore);
    WINDOWPLACEMENT placement = {sizeof placement};
    ::GetWindowPlacement(window, &placement);
    placement.rcNormalPosition = {GetRecordWord(*record, 0), GetRecordWord(*record, 4), GetRecordWord(*record, 8),
                                  GetRecordWord(*record, 12)};
    const std::int32_t state = GetRecordWord(*record, kRecordShowOffset);
    placement.showCmd = state == 0 ? SW_SHOWMINIMIZED : (state == 2 ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    ::SetWindowPlacement(window, &placement);
    ReadOwnData(*record);
    if (m_hWndProject && ::IsWindow(m_hWndProject))
        ::SendMessageA(m_hWndProject, WM_TOOL_RESTORE_RECORD, 0, 0);
    return true;
}

LRESULT CToolWindowParts::FillSaveRecord(HWND window, LPARAM lParam)
{
    auto* record = reinterpret_cast<SWindowParameters*>(lParam);
    if (!record || !m_bStarted || !::IsWindow(window))
        return 0;
    WINDOWPLACEMENT placement = {sizeof placement};
    ::GetWindowPlacement(window, &placement);
    SetRecordWord(*record, 0, placement.rcNormalPosition.left);
    SetRecordWord(*record, 4, placement.rcNormalPosition.top);
    SetRecordWord(*record, 8, placement.rcNormalPosition.right);
    SetRecordWord(*record, 12, placement.rcNormalPosition.bottom);
    SetRecordWord(*record, kRecordShowOffset, ::IsIconic(window) ? 0 : (::IsZoomed(window) ? 2 : 1));
    SetRecordWord(*record, kRecordToolIdOffset, static_cast<std::int32_t>(m_nToolId));
    WriteOwnData(*record);
    return 1;
}

// ---------------------------------------------------------------- sending and replies

BOOL CToolWindowParts::Send(HWND window, std::initializer_list<CommandItem> items,
                            std::vector<ControllerMessage>* replies)
{
    // One send at a time: a handler entered again during the wait (a
    // timer, a button) cannot tell its replies from the waiting send's.
    if (m_sender.GetDepth() > 0 || IsClosing())
        return FALSE;
    CBusy busy(*this);
    std::vector<ControllerMessage> taken;
    {
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_pWaiting = &taken;
    }
    const BOOL result = m_sender.SendSequenceEx(window, this, items);
    {
        // A reply that comes after this belongs to nothing.
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_pWaiting = nullptr;
    }
    if (replies)
        *replies = std::move(taken);
    return result;
}

void CToolWindowParts::OnReply(ControllerMessage* message)
{
    GlobalLogLine("RxAtTool: " + GetReply(), LOG_TOOL_REPLIES);
    if (!message || IsClosing())
        return;
    if (message->m_nChannel == CHANNEL_COMMAND) {
        std::lock_guard<std::mutex> hold(m_replyLock);
        if (m_pWaiting) {
            m_pWaiting->push_back(*message);
            return;
        }
    }
    TakeChannelData(*message);
}

void CToolWindowParts::QueueForWindow(const ControllerMessage& message)
{
    HWND window = nullptr;
    {
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_queue.push_back(message);
        if (m_bNoticePosted)
            return;
        m_bNoticePosted = true;
        window = m_hWndQueue;
    }
    if (!window || !::PostMessageA(window, WM_TOOL_REPLIES_WAITING, 0, 0)) {
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_bNoticePosted = false;
    }
}

std::deque<ControllerMessage> CToolWindowParts::TakeQueued()
{
    std::lock_guard<std::mutex> hold(m_replyLock);
    m_bNoticePosted = false;
    std::deque<ControllerMessage> taken;
    taken.swap(m_queue);
    return taken;
}

void CToolWindowParts::SetClosing()
{
    CVexoReply::SetClosing();
    m_sender.SetClosing(true);
}

// ---------------------------------------------------------------- close

bool CToolWindowParts::HandleDestroyRequest(HWND window)
{
    const bool wait = IsBusy();
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", GetReply().GetString(), wait ? 1 : 0);
    SetClosing();
    if (wait) {
        // Back on a timer, never from a loop that would take it at once.
        ::SetTimer(window, kDestroyRetryTimer, kDestroyRetryMs, nullptr);
        return false;
    }
    return true;
}

bool CToolWindowParts::HandleTimer(HWND window, UINT_PTR id)
{
    if (id != kDestroyRetryTimer)
        return false;
    ::KillTimer(window, kDestroyRetryTimer);
    ::PostMessageA(window, WM_TOOL_DESTROY_REQUEST, 0, 0);
    return true;
}

void CToolWindowParts::HandleWindowDestroy(HWND window)
{
    SetClosing();
    ::KillTimer(window, kDestroyRetryTimer);
    {
        std::lock_guard<std::mutex> hold(m_replyLock);
        m_hWndQueue = nullptr;
        m_queue.clear();
    }
    Unregister();
}

} // namespace tools
