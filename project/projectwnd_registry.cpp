// The project window's registry of tool windows: registration and the
// reply classes, unregistration, closing windows, channel sets, request
// processing for the tools, delivery of received packets, broadcasts and
// the tool launcher.
//
// Locking: the registry (m_tools, m_controlPanel, m_subscriptions, the
// pending restore record) is guarded by m_registryLock. No one holds it
// across a SendMessage to a tool (the tool's thread may be waiting for the
// lock in ProcessMessage); reply delivery holds it across OnReply, so a
// tool that has unregistered is never called after. Every wait for the
// lock answers sent messages meanwhile.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "foundation/logfile.h"
#include "foundation/logline.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "link/commandtable.h"
#include "link/commlinks.h"
#include "link/vexoreply.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"
#include "ui/userdialog.h"

namespace {

struct CreatorEntry {
    CProjectWnd::ToolCreator creator;
    const CRuntimeClass* windowClass;
};

std::mutex g_creatorLock;
std::map<UINT, CreatorEntry> g_creators;

bool FindCreator(UINT toolId, CreatorEntry& entry)
{
    std::lock_guard<std::mutex> lock(g_creatorLock);
    const auto found = g_creators.find(toolId);
    if (found == g_creators.end())
        return false;
    entry = found->second;
    return true;
}

const int kCloseWaitMs = 12000;
const int kCascadeStep = 24;
const int kCascadeMost = 160;

// Tools that open at any time, whatever the link.
const UINT kAnyTimeTools[] = {1025, 1043, 1048, 1052, 1053, 1055, 1059, 1062};
// Tools that open in channel mode.
const UINT kChannelModeTools[] = {1000, 1001, 1013, 1020, 1021, 1028, 1029, 1030, 1037, 1039,
                                  1041, 1044, 1045, 1049, 1050, 1051, 1057, 1058, 1060};
const UINT kCanDrives = 1004;
const UINT kCanOpenDrives = 1007;
const UINT kFlashStick = 1027;
const UINT kMemoryCard = 1056;

template <std::size_t N> bool InTable(const UINT (&table)[N], UINT id)
{
    for (UINT entry : table)
        if (entry == id)
            return true;
    return false;
}

CString ReplyText(CVexoReply* reply)
{
    return reply ? reply->GetReply() : CString();
}

unsigned Handle32(HWND window)
{
    return static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window));
}

} // namespace

void CProjectWnd::RegisterToolCreator(UINT toolId, ToolCreator creator, const CRuntimeClass* windowClass)
{
    std::lock_guard<std::mutex> lock(g_creatorLock);
    if (creator)
        g_creators[toolId] = CreatorEntry{std::move(creator), windowClass};
    else
        g_creators.erase(toolId);
}

bool CProjectWnd::HasToolCreator(UINT toolId)
{
    CreatorEntry entry;
    return FindCreator(toolId, entry);
}

void CProjectWnd::ClearToolCreators()
{
    std::lock_guard<std::mutex> lock(g_creatorLock);
    g_creators.clear();
}

// ---------------------------------------------------------------- the lock

void CProjectWnd::TakeRegistryLock()
{
    while (!m_registryLock.try_lock()) {
        // Answer what is sent to this thread's windows meanwhile: the holder
        // may be waiting for one of them.
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        ::Sleep(0);
    }
}

void CProjectWnd::LockRegistry()
{
    TakeRegistryLock();
}

void CProjectWnd::UnlockRegistry()
{
    m_registryLock.unlock();
}

CProjectWnd::CToolRecord* CProjectWnd::FindRecordLocked(HWND window)
{
    if (!window)
        return nullptr;
    if (m_controlPanel.hWnd == window)
        return &m_controlPanel;
    for (CToolRecord& record : m_tools)
        if (record.hWnd == window)
            return &record;
    return nullptr;
}

bool CProjectWnd::LookupRegisteredWindow(HWND window)
{
    TakeRegistryLock();
    const bool found = FindRecordLocked(window) != nullptr;
    m_registryLock.unlock();
    return found;
}

bool CProjectWnd::FindToolRecord(HWND window, CToolRecord& record)
{
    TakeRegistryLock();
    const CToolRecord* found = FindRecordLocked(window);
    if (found)
        record = *found;
    m_registryLock.unlock();
    return found != nullptr;
}

std::vector<CProjectWnd::CToolRecord> CProjectWnd::GetToolRecords()
{
    TakeRegistryLock();
    std::vector<CToolRecord> records = m_tools;
    m_registryLock.unlock();
    return records;
}

int CProjectWnd::CountToolWindows(int toolId)
{
    int count = 0;
    for (const CToolRecord& record : GetToolRecords())
        if (toolId == -1 || record.toolId == toolId)
            ++count;
    return count;
}

bool CProjectWnd::RemoveRecord(HWND window)
{
    TakeRegistryLock();
    bool removed = false;
    if (window && m_controlPanel.hWnd == window) {
        m_controlPanel = CToolRecord();
        removed = true;
    }
    for (auto it = m_tools.begin(); it != m_tools.end(); ++it) {
        if (it->hWnd == window) {
            m_tools.erase(it);
            removed = true;
            break;
        }
    }
    if (removed) {
        for (auto it = m_subscriptions.begin(); it != m_subscriptions.end();) {
            if (it->hWnd == window)
                it = m_subscriptions.erase(it);
            else
                ++it;
        }
    }
    m_registryLock.unlock();
    return removed;
}

// ---------------------------------------------------------------- registration

void CProjectWnd::SetPendingRestore(const SWindowParameters* record)
{
    TakeRegistryLock();
    if (record)
        m_pPendingRestore = std::make_unique<SWindowParameters>(*record);
    else
        m_pPendingRestore.reset();
    m_registryLock.unlock();
}

bool CProjectWnd::IsRestorePending()
{
    TakeRegistryLock();
    const bool pending = m_pPendingRestore != nullptr;
    m_registryLock.unlock();
    return pending;
}

void CProjectWnd::QueueEditorOpen(LPCSTR program, WPARAM first, LPARAM second)
{
    m_editorQueue.push_back(EditorOpen{program ? program : "", first, second, false});
}

// The class negotiation of one window: the reply mode and channels of its
// class. 1 accepted, 0 refused, -1 refused at once (no refresh posted).
int CProjectWnd::ClassToRecord(int replyClass, UINT toolId, HWND window, int wanted, CToolRecord& record)
{
    int cls = replyClass;
    if (m_pConnection->GetLinkMode() == CONNECTION_COMMAND_LINE && (toolId == TOOL_TERMINAL || toolId == TOOL_LOCK_DIALOG))
        cls = REPLY_CLASS_COMMAND_LINE;
    if (m_pConnection->GetModelRow() == MODEL_ROW_NONE && toolId != TOOL_CONTROL_PANEL &&
        cls != REPLY_CLASS_COMMAND_LINE && cls != REPLY_CLASS_PLAIN && cls != REPLY_CLASS_LOADER)
        return -1;
    const int terminalChannel = m_nTerminalChannel.load();
    const int channel = wanted != CHANNEL_NOT_SET ? wanted : terminalChannel;
    bool accepted = true;
    switch (cls) {
    case REPLY_CLASS_TERMINAL:
        record.replyMode = 2;
        record.channels.Set(1, channel);
        accepted = terminalChannel >= -1 && terminalChannel <= 7;
        break;
    case REPLY_CLASS_TOOL:
        record.replyMode = 2;
        record.channels.Set(1, CHANNEL_COMMAND);
        break;
    case REPLY_CLASS_EDITOR: {
        record.replyMode = 3;
        record.channels.Set(1, CHANNEL_COMMAND);
        accepted = false;
        if (toolId != TOOL_EDITOR)
            break;
        for (auto it = m_editorQueue.begin(); it != m_editorQueue.end(); ++it) {
            if (it->taken)
                continue;
            it->taken = true;
            record.SetName(it->program);
            const EditorOpen entry = *it;
            m_editorQueue.erase(it);
            if (::IsWindow(window))
                ::SendMessageA(window, PWM_EDITOR_REQUEST, entry.first, entry.second);
            accepted = true;
            break;
        }
        break;
    }
    case REPLY_CLASS_COMMAND_LINE:
        record.replyMode = 1;
        record.channels.Set(1, CHANNEL_DIRECT);
        break;
    case REPLY_CLASS_PLAIN:
        record.replyMode = 0;
        record.channels.Set(1, CHANNEL_COMMAND);
        break;
    case REPLY_CLASS_LOADER:
        record.replyMode = 4;
        record.channels.Set(3, CHANNEL_DIRECT, 0, CHANNEL_COMMAND);
        break;
    case REPLY_CLASS_PANEL:
        record.replyMode = 5;
        record.channels.Set(2, CHANNEL_COMMAND, CHANNEL_DIRECT);
        break;
    case REPLY_CLASS_FAST_LOAD:
        record.replyMode = 2;
        record.channels.Set(2, channel, CHANNEL_COMMAND);
        accepted = channel >= -1 && channel <= 7;
        break;
    default:
        accepted = false;
        break;
    }
    return accepted ? 1 : 0;
}

LRESULT CProjectWnd::OnRegister(WPARAM wParam, LPARAM lParam)
{
    return RegisterWindow(static_cast<UINT>(wParam), reinterpret_cast<HWND>(lParam));
}

LRESULT CProjectWnd::RegisterWindow(UINT toolId, HWND window)
{
    CToolRecord record;
    record.hWnd = window;
    record.toolId = static_cast<int>(toolId);

    std::unique_ptr<SWindowParameters> pending;
    TakeRegistryLock();
    if (m_pPendingRestore)
        pending = std::make_unique<SWindowParameters>(*m_pPendingRestore);
    m_registryLock.unlock();
    // Plain dialogs that come up during a restore register as ever.
    if (toolId == TOOL_PLAIN_DIALOG)
        pending.reset();

    const auto negotiate = [&]() -> int {
        if (!::IsWindow(window))
            return 0;
        CVexoReply* reply = nullptr;
        std::int32_t wanted = CHANNEL_NOT_SET;
        const auto cls = static_cast<int>(::SendMessageA(window, PWM_QUERY_CLASS, reinterpret_cast<WPARAM>(&reply),
                                                         reinterpret_cast<LPARAM>(&wanted)));
        record.replyClass = cls;
        record.reply = reply;
        return ClassToRecord(cls, toolId, window, wanted, record);
    };

    int outcome = 0;
    if (pending) {
        const int pendingTool = pending->m_nHead[5];
        if (static_cast<int>(toolId) == pendingTool) {
            outcome = 1;
            if (toolId == TOOL_EDITOR) {
                outcome = negotiate();
                if (outcome != -1)
                    PostToMainFrame(PWM_READY);
            }
            if (outcome == 1) {
                // An editor keeps what its class gave it.
                if (toolId != TOOL_EDITOR) {
                    record.channels = pending->m_channels;
                    record.replyMode = pending->m_nHead[6];
                }
                outcome = ::IsWindow(window) &&
                                  ::SendMessageA(window, PWM_RESTORE_RECORD, 0, reinterpret_cast<LPARAM>(pending.get()))
                              ? 1
                              : 0;
                if (outcome == 1 && ::IsWindow(window)) {
                    CVexoReply* reply = nullptr;
                    record.replyClass = static_cast<int>(
                        ::SendMessageA(window, PWM_QUERY_CLASS, reinterpret_cast<WPARAM>(&reply), 0));
                    record.reply = reply;
                }
            }
        }
        GlobalLogFormat(LOG_WINDOW_REGISTRATION, "Restore and register window h=0x%08x, w %s (%s)", Handle32(window),
                        ReplyText(record.reply).GetString(), outcome == 1 ? "OK" : "FAIL");
    } else {
        outcome = negotiate();
        if (outcome != -1)
            PostToMainFrame(PWM_READY);
        GlobalLogFormat(LOG_WINDOW_REGISTRATION, "Register new window h=0x%08x, w=%s (%s)", Handle32(window),
                        ReplyText(record.reply).GetString(), outcome == 1 ? "OK" : "FAIL");
    }
    if (outcome != 1)
        return 0;

    if (::IsWindow(window)) {
        switch (toolId) {
        case TOOL_EDITOR:
            ::SendMessageA(window, PWM_PROGRAM_NAME, 0, reinterpret_cast<LPARAM>(record.name));
            break;
        case TOOL_KEYPAD:
            ::SendMessageA(window, PWM_CHANNEL, static_cast<WPARAM>(record.channels.GetAt(0)), 0);
            break;
        case TOOL_TERMINAL:
            if (record.channels.GetAt(0) == CHANNEL_DIRECT) {
                const CString description = m_pConnection->GetLinkDescription(1);
                ::SendMessageA(window, PWM_CHANNEL, static_cast<WPARAM>(CHANNEL_DIRECT),
                               reinterpret_cast<LPARAM>(description.GetString()));
            } else {
                ::SendMessageA(window, PWM_CHANNEL, static_cast<WPARAM>(record.channels.GetAt(0)), 0);
            }
            break;
        case TOOL_WATCH:
            m_hWndWatch = window;
            break;
        default:
            break;
        }
    }

    if (toolId == TOOL_CONTROL_PANEL) {
        TakeRegistryLock();
        m_controlPanel = record;
        m_registryLock.unlock();
        m_hWndControlPanel = window;
        if (record.reply)
            m_pControlPanelReply = record.reply;
        return 0;
    }
    record.listed = ::IsWindow(window) && ::SendMessageA(window, PWM_LISTED, 0, 0) == 0 ? 1 : 0;
    TakeRegistryLock();
    m_tools.push_back(record);
    m_registryLock.unlock();
    PostMessage(PWM_WINDOW_LIST);

    RECT corner = {};
    SendToMainFrame(PWM_FRAME_CORNER, 0, reinterpret_cast<LPARAM>(&corner));
    int x = corner.left;
    int y = corner.top;
    if (IsProjectOpen()) {
        x += m_nCascadeX;
        y += m_nCascadeY;
        m_nCascadeX = static_cast<short>(m_nCascadeX + kCascadeStep > kCascadeMost ? 0 : m_nCascadeX + kCascadeStep);
        m_nCascadeY = static_cast<short>(m_nCascadeY + kCascadeStep > kCascadeMost ? 0 : m_nCascadeY + kCascadeStep);
    }
    return static_cast<LRESULT>(static_cast<DWORD>(static_cast<WORD>(static_cast<short>(x))) |
                                (static_cast<DWORD>(static_cast<WORD>(static_cast<short>(y))) << 16));
}

LRESULT CProjectWnd::OnUnregister(WPARAM wParam, LPARAM lParam)
{
    const UINT toolId = static_cast<UINT>(wParam);
    const HWND window = reinterpret_cast<HWND>(lParam);
    CToolRecord record;
    if (FindToolRecord(window, record)) {
        GlobalLogFormat(LOG_WINDOW_REGISTRATION, "Unregister window h=0x%08x, p=0x%08x, w=%s", Handle32(window),
                        Handle32(window), ReplyText(record.reply).GetString());
        if (RemoveRecord(window)) {
            if (window == m_hWndControlPanel)
                m_hWndControlPanel = nullptr;
            if (window == m_hWndWatch)
                m_hWndWatch = nullptr;
            RebuildWindowList();
        }
    }
    if (toolId != TOOL_PLAIN_DIALOG)
        SendToMainFrame(PWM_FRAME_FOREGROUND);
    return 0;
}

void CProjectWnd::RebuildWindowList()
{
    SendToMainFrame(PWM_WINDOW_LIST_CLEAR);
    for (const CToolRecord& record : GetToolRecords())
        if (record.listed)
            SendToMainFrame(PWM_WINDOW_LIST_ADD, reinterpret_cast<WPARAM>(record.hWnd));
    SendToMainFrame(PWM_WINDOW_LIST);
}

// ---------------------------------------------------------------- closing

bool CProjectWnd::CloseToolWindow(HWND window, bool wait)
{
    TakeRegistryLock();
    CToolRecord* record = nullptr;
    for (CToolRecord& entry : m_tools)
        if (entry.hWnd == window)
            record = &entry;
    if (!record) {
        m_registryLock.unlock();
        return true;
    }
    if (::IsWindow(window) && record->reply)
        record->reply->SetClosing();
    m_registryLock.unlock();
    if (!::IsWindow(window)) {
        RemoveRecord(window);
        return true;
    }
    ::PostMessageA(window, PWM_DESTROY, 0, 0);
    if (!wait)
        return true;
    const auto gone = [this, window] {
        TakeRegistryLock();
        bool present = false;
        for (const CToolRecord& entry : m_tools)
            present = present || entry.hWnd == window;
        m_registryLock.unlock();
        return !present;
    };
    if (WaitServing(gone, kCloseWaitMs))
        return true;
    GlobalLogFormat(LOG_WINDOW_REGISTRATION, "Window h=0x%08x did not close: removed", Handle32(window));
    RemoveRecord(window);
    return false;
}

void CProjectWnd::CloseAllWindows(UINT keepToolId)
{
    GlobalLogLine("Close All Windows", LOG_DESTROY_REQUESTS);
    std::set<HWND> left;
    for (;;) {
        const std::vector<CToolRecord> records = GetToolRecords();
        const CToolRecord* next = nullptr;
        for (const CToolRecord& record : records) {
            if (record.replyMode == 4 || (keepToolId > 0 && record.toolId == static_cast<int>(keepToolId))) {
                if (left.insert(record.hWnd).second)
                    GlobalLogLine("Close Window: (Leave) " + ReplyText(record.reply), LOG_DESTROY_REQUESTS);
                continue;
            }
            next = &record;
            break;
        }
        if (!next)
            break;
        const CString text = ReplyText(next->reply);
        GlobalLogLine("Close Window: " + text, LOG_DESTROY_REQUESTS);
        CloseToolWindow(next->hWnd, true);
        GlobalLogLine("Close Window: (Closed) " + text, LOG_DESTROY_REQUESTS);
    }
    RebuildWindowList();
}

int CProjectWnd::CloseToolWindowsOfId(UINT toolId)
{
    int count = 0;
    for (const CToolRecord& record : GetToolRecords()) {
        if (record.toolId == static_cast<int>(toolId)) {
            CloseToolWindow(record.hWnd, true);
            ++count;
        }
    }
    return count;
}

BOOL CProjectWnd::CloseEditor(LPCSTR program)
{
    if (!program || !*program)
        return FALSE;
    for (const CToolRecord& record : GetToolRecords()) {
        if (record.toolId == static_cast<int>(TOOL_EDITOR) && _stricmp(record.name, program) == 0) {
            CloseToolWindow(record.hWnd, true);
            RebuildWindowList();
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CProjectWnd::BringToolToFront(UINT toolId)
{
    for (const CToolRecord& record : GetToolRecords()) {
        if (record.toolId == static_cast<int>(toolId) && ::IsWindow(record.hWnd)) {
            ::SetFocus(record.hWnd);
            ::SetForegroundWindow(record.hWnd);
            PostToMainFrame(PWM_READY);
            return TRUE;
        }
    }
    return FALSE;
}

CComms* CProjectWnd::HandOverLink(UINT keepToolId)
{
    CComms* link = m_pConnection->GetLink();
    if (!link)
        return nullptr;
    SendToMainFrame(PWM_BUSY);
    CloseAllWindows(keepToolId);
    SendToMainFrame(WM_APP + 0x1B5);
    link->SuspendReceive();
    return link;
}

// ---------------------------------------------------------------- channels

LRESULT CProjectWnd::OnSubscribe(WPARAM wParam, LPARAM lParam)
{
    TakeRegistryLock();
    m_subscriptions.push_back(Subscription{reinterpret_cast<HWND>(lParam), static_cast<int>(wParam)});
    m_registryLock.unlock();
    return 1;
}

LRESULT CProjectWnd::OnLeaveChannelMode(WPARAM, LPARAM lParam)
{
    const HWND caller = reinterpret_cast<HWND>(lParam);
    for (;;) {
        const CToolRecord* next = nullptr;
        const std::vector<CToolRecord> records = GetToolRecords();
        for (const CToolRecord& record : records) {
            if (record.hWnd != caller) {
                next = &record;
                break;
            }
        }
        if (!next)
            break;
        if (!CloseToolWindow(next->hWnd, true))
            return 0;
    }
    return m_pConnection->LeaveChannelMode();
}

LRESULT CProjectWnd::OnEnterChannelMode(WPARAM, LPARAM lParam)
{
    const HWND caller = reinterpret_cast<HWND>(lParam);
    const BOOL entered = m_pConnection->EnterChannelMode(nullptr);
    CComms* link = m_pConnection->GetLink();
    if (link && link->IsOpen()) {
        TakeRegistryLock();
        if (CToolRecord* record = FindRecordLocked(caller))
            record->channels.Set(1, CHANNEL_COMMAND);
        m_registryLock.unlock();
    } else if (CountToolWindows(-1) == 0) {
        SendToMainFrame(PWM_DISCONNECT);
    } else {
        CloseToolWindow(caller, true);
    }
    return entered;
}

LRESULT CProjectWnd::OnFreeChannels(WPARAM wParam, LPARAM lParam)
{
    auto* list = reinterpret_cast<CStringList*>(lParam);
    if (m_pConnection->GetLinkMode() != CONNECTION_CHANNEL_MODE)
        return 0;
    const std::vector<CToolRecord> records = GetToolRecords();
    int count = 0;
    for (int channel = static_cast<int>(wParam); channel <= 7; ++channel) {
        if (channel >= 1 && channel <= 4)
            continue;
        bool used = false;
        for (const CToolRecord& record : records)
            used = used || record.channels.Contains(channel);
        if (used)
            continue;
        ++count;
        if (list) {
            CString text;
            text.Format("%d", channel);
            list->AddTail(text);
        }
    }
    return count;
}

LRESULT CProjectWnd::OnGetChannel(WPARAM, LPARAM lParam)
{
    CToolRecord record;
    if (!FindToolRecord(reinterpret_cast<HWND>(lParam), record))
        return CHANNEL_NOT_SET;
    return record.channels.GetAt(0);
}

LRESULT CProjectWnd::OnSetChannel(WPARAM wParam, LPARAM lParam)
{
    TakeRegistryLock();
    CToolRecord* record = FindRecordLocked(reinterpret_cast<HWND>(lParam));
    int old = CHANNEL_NOT_SET;
    if (record) {
        old = record->channels.GetAt(0);
        if (old != CHANNEL_NOT_SET)
            record->channels.Set(1, static_cast<int>(wParam));
    }
    m_registryLock.unlock();
    return old;
}

LRESULT CProjectWnd::OnArrange(WPARAM wParam, LPARAM lParam)
{
    CBusy busy(*this);
    const auto* area = reinterpret_cast<const RECT*>(lParam);
    if (!area)
        return 0;
    std::vector<HWND> windows;
    for (const CToolRecord& record : GetToolRecords())
        if (::IsWindow(record.hWnd) && !::IsIconic(record.hWnd))
            windows.push_back(record.hWnd);
    const int n = static_cast<int>(windows.size());
    if (n == 0)
        return 0;
    const int width = area->right - area->left + 1;
    const int height = area->bottom - area->top + 1;
    for (int i = 0; i < n; ++i) {
        const HWND window = windows[static_cast<std::size_t>(i)];
        if (::IsZoomed(window))
            ::ShowWindow(window, SW_RESTORE);
        RECT rect = {};
        ::GetWindowRect(window, &rect);
        UINT flags = SWP_NOACTIVATE | SWP_NOZORDER | SWP_SHOWWINDOW;
        int x = area->left, y = area->top, cx = 0, cy = 0;
        switch (wParam) {
        case 0:
            x = area->left + i * kCascadeStep;
            y = area->top + i * kCascadeStep;
            flags |= SWP_NOSIZE;
            break;
        case 1:
            cx = width;
            cy = height / n - 1;
            y = area->top + i * (height / n);
            break;
        default:
            cx = width / n - 1;
            cy = height;
            x = area->left + i * (width / n);
            break;
        }
        ::SetWindowPos(window, nullptr, x, y, cx, cy, flags);
    }
    return 0;
}

// ---------------------------------------------------------------- requests

BOOL CProjectWnd::ProcessMessage(const ControllerMessage* message)
{
    GlobalLogLine("Project: Process message", LOG_PROJECT_MESSAGES);
    if (m_bClosing || !message)
        return FALSE;
    CToolRecord sender;
    if (!FindToolRecord(message->m_hReplyWnd, sender))
        return FALSE;
    ControllerMessage request(*message);
    const CommandTableEntry* row = GetCommandRow(request.m_nCommandId);
    request.SetProgramName(row && row->m_nNeedsProgramName ? sender.name : "");

    const int id = request.m_nCommandId;
    const bool runOrStep = id == 2 || id == 4;
    CString program;
    if (runOrStep) {
        const CString argument = request.GetText();
        const int comma = argument.Find(',');
        program = comma >= 0 ? argument.Left(comma) : argument;
        program.Trim(" ");
        int process = -1;
        if (comma >= 0 && comma + 1 < argument.GetLength())
            process = std::atoi(argument.Mid(comma + 1));
        Broadcast(PWM_BROADCAST, 0, 0);
        SendToControlPanel(PWM_BROADCAST);

        CProcessData status;
        bool haveStatus = false;
        for (const CProcessData& entry : GetProcesses()) {
            if (entry.m_strProgram.CompareNoCase(program) == 0) {
                status = entry;
                haveStatus = true;
                break;
            }
        }
        bool haveEditor = false;
        bool rewrite = true;
        TakeRegistryLock();
        for (CToolRecord& record : m_tools) {
            if (record.toolId == static_cast<int>(TOOL_EDITOR) && program.CompareNoCase(record.name) == 0) {
                haveEditor = true;
                if (haveStatus && record.process == -1) {
                    record.process = status.m_nProcess;
                    rewrite = status.m_nProcess != -1;
                }
                break;
            }
        }
        m_registryLock.unlock();
        if (haveEditor && haveStatus && rewrite) {
            if (id == 2 && status.m_nState == 1)
                return FALSE; // running already: nothing to send
            ControllerMessage replaced;
            replaced.m_hReplyWnd = request.m_hReplyWnd;
            replaced.m_pReplyReceiver = request.m_pReplyReceiver;
            replaced.m_nChannel = request.m_nChannel;
            replaced.m_nCommandId = id == 2 ? 6 : 4;
            CString text = program;
            if (process >= 0)
                text.Format("%s,%d", program.GetString(), process);
            replaced.SetArgumentText(text);
            request = replaced;
        }
    }
    bool hadStatus = false;
    for (const CProcessData& entry : GetProcesses())
        hadStatus = hadStatus || program.IsEmpty() || entry.m_strProgram.CompareNoCase(program) == 0;

    if (m_bClosing)
        return FALSE;
    const int reportsBefore = m_nCommandReports.load();
    const BOOL result = m_pConnection->Transact(&request);
    if (runOrStep && !hadStatus)
        PostMessage(PWM_READ_PROCESSES);
    if (result && !m_bClosing) {
        std::vector<HWND> subscribers;
        TakeRegistryLock();
        const bool senderListed = FindRecordLocked(message->m_hReplyWnd) != nullptr;
        for (const Subscription& subscription : m_subscriptions)
            if (subscription.commandId == request.m_nCommandId && subscription.hWnd != message->m_hReplyWnd)
                subscribers.push_back(subscription.hWnd);
        m_registryLock.unlock();
        if (senderListed)
            for (HWND subscriber : subscribers)
                if (::IsWindow(subscriber))
                    ::SendMessageA(subscriber, PWM_SUBSCRIBED_REQUEST, 0, reinterpret_cast<LPARAM>(&request));
    }
    if (!result && !m_bClosing) {
        // This may be a tool's thread: whether a project is open, the
        // layout and the disconnect are the project window's to see to.
        // A command the controller refused with a report (a program's
        // compile error, no code to run) is no failed link.
        const bool refused = m_nCommandReports.load() != reportsBefore && !m_pConnection->IsLinkLost() &&
                             !m_pConnection->IsTimeoutLatched();
        const WPARAM kind = !refused ? REQUEST_LINK_FAILED : runOrStep ? REQUEST_RUN_REFUSED : REQUEST_REFUSED;
        CString command;
        BuildCommandText(request, command);
        auto* text = new char[static_cast<std::size_t>(command.GetLength()) + 1];
        std::memcpy(text, command.GetString(), static_cast<std::size_t>(command.GetLength()) + 1);
        if (!::IsWindow(m_hWnd) || !::PostMessageA(m_hWnd, PWM_REQUEST_FAILED, kind, reinterpret_cast<LPARAM>(text)))
            delete[] text;
    }
    return result;
}

LRESULT CProjectWnd::OnRequestFailed(WPARAM wParam, LPARAM lParam)
{
    std::unique_ptr<char[]> command(reinterpret_cast<char*>(lParam));
    if (wParam != REQUEST_LINK_FAILED) {
        // The controller said why (the error list shows it); the link and
        // the tools stay. A program that would not run is compiled, so its
        // compile error, with the program and line, is shown.
        const std::string text = command ? command.get() : "";
        const std::size_t open = text.find('"');
        const std::size_t close = open == std::string::npos ? open : text.find('"', open + 1);
        if (wParam == REQUEST_RUN_REFUSED && close != std::string::npos) {
            const CString program(text.substr(open + 1, close - open - 1).c_str());
            const int type = m_pConnection->GetProgramType(program);
            if (m_pConnection->HasProgram(program) && ControllerCanCompileProgramType(type, m_pConnection.get())) {
                CProgramOperationData operation;
                operation.m_nOperation = PROGRAM_OP_COMPILE;
                operation.m_strProgram = program;
                operation.m_nType = type;
                QueueProgramOperation(operation);
            }
        }
        return 0;
    }
    if (!IsProjectOpen())
        return 0;
    GlobalLogLine(CString("Error processing message: ") + (command ? command.get() : ""), LOG_STATUS_ERRORS);
    SaveLayout("AutoDesktop");
    PostMessage(PWM_DISCONNECT, DISCONNECT_LINK_FAILED, 0);
    return 0;
}

void CProjectWnd::DispatchReplyToWindow(ControllerMessage* message)
{
    if (!message || IsReplyDispatchBlocked())
        return;
    const bool exclusive = m_pConnection->GetLinkMode() == CONNECTION_EXCLUSIVE;
    TakeRegistryLock();
    const CToolRecord* target = nullptr;
    for (const CToolRecord& record : m_tools) {
        if (exclusive ? record.replyMode == 4 : record.channels.Contains(message->m_nChannel)) {
            target = &record;
            break;
        }
    }
    if (target && target->reply && !target->reply->IsClosing()) {
        // The window's own label, not its title: reading the title would
        // ask the window's thread, which may be waiting for this lock.
        CString text;
        text.Format("Async dispatch %d: %s: ", message->m_nChannel, target->reply->GetReply().Left(30).GetString());
        GetGlobalLog().LogData(text, message->GetBytes(), message->GetLength(), LOG_CHANNEL_DISPATCH);
        target->reply->OnReply(message);
        GlobalLogLine(text + ": Done", LOG_CHANNEL_DISPATCH);
    }
    m_registryLock.unlock();
}

// ---------------------------------------------------------------- broadcast

void CProjectWnd::Broadcast(UINT message, WPARAM wParam, LPARAM lParam, UINT toolIdFilter, LPCSTR nameFilter,
                            bool editorChosenOnly)
{
    CBusy busy(*this);
    HWND chosen = nullptr;
    TakeRegistryLock();
    if (message == PWM_PROCESS_STATUS && lParam) {
        const auto* status = reinterpret_cast<const CProcessData*>(lParam);
        CString name = status->m_strProgram;
        const int comma = name.Find(',');
        if (comma >= 0)
            name = name.Left(comma);
        for (CToolRecord& record : m_tools)
            if (record.toolId == static_cast<int>(TOOL_EDITOR) && record.process == status->m_nProcess &&
                name.CompareNoCase(record.name) == 0) {
                chosen = record.hWnd;
                break;
            }
        if (!chosen) {
            for (CToolRecord& record : m_tools)
                if (record.toolId == static_cast<int>(TOOL_EDITOR) && record.process == -1 &&
                    name.CompareNoCase(record.name) == 0) {
                    record.process = status->m_nProcess;
                    chosen = record.hWnd;
                    break;
                }
        }
    }
    if (message == PWM_PROCESSES_CLEARED)
        for (CToolRecord& record : m_tools)
            record.process = -1;
    std::vector<HWND> selected;
    for (const CToolRecord& record : m_tools) {
        if (toolIdFilter != 0 && record.toolId != static_cast<int>(toolIdFilter))
            continue;
        if (toolIdFilter == TOOL_EDITOR && nameFilter && _stricmp(nameFilter, record.name) != 0)
            continue;
        if (editorChosenOnly && record.toolId == static_cast<int>(TOOL_EDITOR) && record.hWnd != chosen)
            continue;
        if (message == PWM_PROCESS_MESSAGE) {
            // A reply, straight to the window's reply interface.
            if (record.reply && !record.reply->IsClosing())
                record.reply->OnReply(reinterpret_cast<ControllerMessage*>(lParam));
            continue;
        }
        selected.push_back(record.hWnd);
    }
    m_registryLock.unlock();
    for (HWND window : selected)
        if (::IsWindow(window))
            ::SendMessageA(window, message, wParam, lParam);
}

// ---------------------------------------------------------------- launcher

BOOL CProjectWnd::CreateTool(UINT toolId, int channel)
{
    CreatorEntry entry;
    if (!FindCreator(toolId, entry)) {
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "No window for tool %u", toolId);
        return FALSE;
    }
    return entry.creator(*this, channel);
}

BOOL CProjectWnd::OpenTool(UINT toolId, int channel)
{
    CBusy busy(*this);
    const auto openOrFront = [this](UINT id, int k) -> BOOL {
        if (id != TOOL_TERMINAL && id != TOOL_KEYPAD) {
            CreatorEntry entry;
            const CRuntimeClass* windowClass = FindCreator(id, entry) ? entry.windowClass : nullptr;
            for (const CToolRecord& record : GetToolRecords()) {
                if (record.toolId != static_cast<int>(id) || !::IsWindow(record.hWnd))
                    continue;
                CWnd* object = CWnd::FromHandlePermanent(record.hWnd);
                if (windowClass && (!object || !object->IsKindOf(windowClass)))
                    continue;
                ::SetFocus(record.hWnd);
                ::SetForegroundWindow(record.hWnd);
                return FALSE;
            }
        }
        return CreateTool(id, k);
    };
    BOOL result = FALSE;
    const int mode = m_pConnection->GetLinkMode();
    if (InTable(kAnyTimeTools, toolId)) {
        result = openOrFront(toolId, channel);
    } else if (mode == CONNECTION_EXCLUSIVE) {
        result = FALSE;
    } else if (mode == CONNECTION_CHANNEL_MODE) {
        if (InTable(kChannelModeTools, toolId)) {
            result = openOrFront(toolId, channel);
        } else if (toolId == TOOL_EPROM) {
            Broadcast(PWM_BROADCAST, 0, 0);
            result = openOrFront(toolId, channel);
        } else if (toolId == kCanDrives) {
            if (CountToolWindows(kCanDrives) > 0)
                BringToolToFront(kCanDrives);
            else if (CountToolWindows(kCanOpenDrives) > 0)
                BringToolToFront(kCanOpenDrives);
            else if (m_projectFile.GetCANDriveType(1) != 1)
                result = CreateTool(kCanDrives, channel);
            else if (m_pConnection->IsFeatureSupported(8))
                result = CreateTool(kCanOpenDrives, channel);
            else
                AfxGetPromptService().Prompt(
                    m_hWnd, "This version of controller system software does not support CANOpen", "Project", MB_OK);
        } else if (toolId == TOOL_TERMINAL || toolId == TOOL_KEYPAD) {
            // lParam 1: the channel is chosen (0x8170 set it); 0: the user
            // chooses first, in one chooser at a time (choosing is on again
            // once it closed, 0x81A9).
            if (channel != 0) {
                result = CreateTool(toolId, m_nTerminalChannel.load());
            } else if (m_bChooseChannel.exchange(FALSE)) {
                m_nChooserToolId = static_cast<int>(toolId);
                result = CreateTool(TOOL_CHANNEL_CHOOSER, 0);
                if (!result)
                    m_bChooseChannel = TRUE;
            }
        } else if (toolId == TOOL_MEMORY_DEVICE) {
            const BOOL flash = m_pConnection->IsFeatureSupported(7);
            const BOOL card = m_pConnection->IsFeatureSupported(30);
            UINT device = 0;
            if (flash && card) {
                RunControllerCommands({Command(16)});
                device = GetReplyValues().flashStick > 0 ? kFlashStick : kMemoryCard;
            } else if (flash) {
                device = kFlashStick;
            } else if (card) {
                device = kMemoryCard;
            }
            if (device == 0) {
                AfxGetPromptService().Prompt(m_hWnd, "Memory card not supported", "Memory card", MB_OK);
            } else {
                const BOOL present = device == kFlashStick
                                         ? (RunControllerCommands({Command(16)}) && GetReplyValues().flashStick)
                                         : (RunControllerCommands({Command(198)}) && GetReplyValues().memoryCard);
                if (present)
                    result = openOrFront(device, channel);
                else
                    AfxGetPromptService().Prompt(m_hWnd, "No memory card present.", "Memory card", MB_OK);
            }
        }
    } else if (toolId == TOOL_TERMINAL || toolId == TOOL_KEYPAD) {
        // On the command line only a first terminal opens.
        if (CountToolWindows(static_cast<int>(TOOL_TERMINAL)) == 0) {
            m_nChooserToolId = static_cast<int>(TOOL_TERMINAL);
            if (channel == 0) {
                const int links = GetCommLinkCount();
                if (links == 1) {
                    OpenSelectedLink(0);
                    result = CreateTool(TOOL_TERMINAL, channel);
                } else if (links > 1) {
                    result = CreateTool(TOOL_LINK_CHOOSER, 0);
                }
            } else {
                OpenSelectedLink(-1);
                result = CreateTool(TOOL_TERMINAL, m_nTerminalChannel.load());
            }
        }
    }
    PostToMainFrame(PWM_READY);
    return result;
}

LRESULT CProjectWnd::OnModifyStartup(WPARAM, LPARAM)
{
    if (m_pConnection->GetModelRow() == MODEL_ROW_NONE)
        return 1;
    CloseEditor("STARTUP");
    return CreateTool(TOOL_STARTUP_DIALOG, 0) ? 0 : 1;
}
