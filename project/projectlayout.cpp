#include "project/projectlayout.h"

#include <cstring>

#include "foundation/logfile.h"
#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/prompt.h"
#include "project/projectfile.h"
#include "shell/mainframemessages.h"

const char* const CWindowLayout::kTimeoutText =
    "A timeout occurred whilst trying to restore windows, restoration not completed";
const char* const CWindowLayout::kTimeoutCaption = "Restore windows";
const char* const CWindowLayout::kProgressCaption = "Restoring windows";

namespace {

const DWORD kCollectLockWaitMs = 10;
const DWORD kFocusPauseMs = 100;
const DWORD kFinalPauseMs = 250;

// The process-wide lock that keeps two collections apart.
HANDLE CollectLock()
{
    static HANDLE lock = ::CreateMutexA(nullptr, FALSE, nullptr);
    return lock;
}

// Takes the lock within waitMs, answering messages sent to this thread's
// windows meanwhile.
bool TakeCollectLock(DWORD waitMs)
{
    HANDLE lock = CollectLock();
    if (!lock)
        return false;
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD spent = ::GetTickCount() - start;
        const DWORD left = spent >= waitMs ? 0 : waitMs - spent;
        const DWORD result = ::MsgWaitForMultipleObjects(1, &lock, FALSE, left, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED_0)
            return true;
        if (result != WAIT_OBJECT_0 + 1 || left == 0)
            return false;
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

bool SameName(const CString& a, const CString& b) { return a.CompareNoCase(b) == 0; }

bool IsDuplicate(const SWindowParameters& first, const SWindowParameters& later)
{
    const int tool = LayoutField(first, LAYOUT_TOOL_ID);
    if (LayoutField(later, LAYOUT_TOOL_ID) != tool)
        return false;
    if (tool == TOOL_EDITOR)
        return SameName(GetLayoutProgramName(first), GetLayoutProgramName(later));
    if (tool == TOOL_KEYPAD || tool == TOOL_TERMINAL)
        return first.m_channels.GetAt(0) == later.m_channels.GetAt(0);
    return true;
}

void Offset(SWindowParameters& record, int dx, int dy)
{
    LayoutField(record, LAYOUT_LEFT) += dx;
    LayoutField(record, LAYOUT_RIGHT) += dx;
    LayoutField(record, LAYOUT_TOP) += dy;
    LayoutField(record, LAYOUT_BOTTOM) += dy;
}

} // namespace

CString GetLayoutProgramName(const SWindowParameters& record)
{
    char name[16] = {};
    std::memcpy(name, record.m_nTail, sizeof name - 1);
    return name;
}

void SetLayoutProgramName(SWindowParameters& record, LPCSTR name)
{
    char bytes[16] = {};
    if (name)
        std::strncpy(bytes, name, sizeof bytes - 1);
    std::memcpy(record.m_nTail, bytes, sizeof bytes);
}

void RemoveLayoutDuplicates(CTList<SWindowParameters>& list)
{
    for (SWindowParameters* record = list.GetHead(); record; record = list.GetNext(record)) {
        SWindowParameters* later = list.GetNext(record);
        while (later) {
            if (IsDuplicate(*record, *later))
                later = list.Remove(later);
            else
                later = list.GetNext(later);
        }
    }
}

CWindowLayout::CWindowLayout(IProjectHub& hub) : m_hub(hub) {}

CWindowLayout::~CWindowLayout() = default;

POINT CWindowLayout::GetFrameCorner()
{
    RECT area = {};
    SendIfWindow(m_hub.GetMainFrameWindow(), WM_GET_FRAME_CLIENT_RECT, 0, reinterpret_cast<LPARAM>(&area));
    return POINT{area.left, area.top};
}

void CWindowLayout::Collect()
{
    const HWND frame = m_hub.GetMainFrameWindow();
    CProjectFile* file = m_hub.GetProjectFile();
    if (!frame || !::IsWindow(frame) || !file || file->GetFilePath().IsEmpty() || m_hub.IsClosing() ||
        m_hub.IsReplyDispatchBlocked())
        return;
    if (!TakeCollectLock(kCollectLockWaitMs)) {
        GlobalLogLine("Window layout not collected: another collection runs", LOG_STATUS_ERRORS);
        return;
    }
    if (!::IsIconic(frame)) {
        const POINT corner = GetFrameCorner();
        m_list.RemoveAll();
        std::vector<IProjectHub::RegisteredTool> tools;
        m_hub.GetRegisteredWindows(tools);
        for (const IProjectHub::RegisteredTool& tool : tools) {
            SWindowParameters record;
            DWORD_PTR answer = 0;
            // A tool that hangs is left out rather than hanging the hub.
            if (!::SendMessageTimeoutA(tool.hWnd, PWM_SAVE_RECORD, 0, reinterpret_cast<LPARAM>(&record),
                                       SMTO_ABORTIFHUNG, 5000, &answer) ||
                answer == 0)
                continue;
            LayoutField(record, LAYOUT_TOOL_ID) = tool.toolId;
            LayoutField(record, LAYOUT_REPLY_MODE) = tool.replyMode;
            record.m_channels = tool.channels;
            Offset(record, -corner.x, -corner.y);
            m_list.AddTail(&record);
        }
        RemoveLayoutDuplicates(m_list);
    }
    ::ReleaseMutex(CollectLock());
}

void CWindowLayout::SaveDesktop()
{
    Collect();
    CProjectFile* file = m_hub.GetProjectFile();
    if (file && !m_list.IsEmpty() && !file->WriteDesktop(m_list))
        GlobalLogLine("Window layout: section Desktop not written", LOG_STATUS_ERRORS);
}

void CWindowLayout::SaveAutoDesktop()
{
    Collect();
    CProjectFile* file = m_hub.GetProjectFile();
    if (file && !file->GetFilePath().IsEmpty() && !file->WriteAutoDesktop(m_list))
        GlobalLogLine("Window layout: section AutoDesktop not written", LOG_STATUS_ERRORS);
}

BOOL CWindowLayout::ReadSection(LPCSTR section)
{
    CProjectFile* file = m_hub.GetProjectFile();
    if (!file || file->GetFilePath().IsEmpty()) {
        m_list.RemoveAll();
        return FALSE;
    }
    if (std::strcmp(section, "Desktop") == 0)
        return file->ReadDesktop(m_list);
    return file->ReadAutoDesktop(m_list);
}

void CWindowLayout::RestoreSavedDesktop()
{
    CProjectFile* file = m_hub.GetProjectFile();
    if (file && !file->GetFilePath().IsEmpty() && file->HasDesktop()) {
        ReadSection("Desktop");
        m_hub.CloseAllToolWindows(0);
        Restore();
    }
    PostIfWindow(m_hub.GetMainFrameWindow(), WM_READY);
}

void CWindowLayout::RestoreLastDesktop()
{
    m_hub.CloseAllToolWindows(0);
    CProjectFile* file = m_hub.GetProjectFile();
    if (file && !file->GetFilePath().IsEmpty() && file->HasAutoDesktop())
        ReadSection("AutoDesktop");
    if (!m_list.IsEmpty())
        Restore();
    PostIfWindow(m_hub.GetMainFrameWindow(), WM_READY);
}

LRESULT CWindowLayout::OnRestoreRecord(const SWindowParameters* record)
{
    m_hub.SetPendingRestore(record);
    return 1;
}

bool CWindowLayout::WaitForRelease(IHubProgress& progress)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (m_hub.IsRestorePending() && !progress.IsCancelled() && !AfxClockElapsed(start, kReleaseWaitMs)) {
        if (!PumpOneMessage())
            clock.SleepMs(1);
    }
    return !m_hub.IsRestorePending();
}

void CWindowLayout::Restore()
{
    CHubBusy busy(m_hub);
    const POINT corner = GetFrameCorner();
    std::unique_ptr<IHubProgress> progress = m_hub.StartProgress(kProgressCaption);
    RemoveLayoutDuplicates(m_list);

    const int count = static_cast<int>(m_list.GetCount());
    int index = 0;
    for (SWindowParameters* record = m_list.GetHead(); record; record = m_list.GetNext(record), ++index) {
        if (m_hub.IsClosing() || m_hub.IsReplyDispatchBlocked())
            break;
        progress->SetPercent(100 * index / count);
        if (progress->IsCancelled())
            break;
        SWindowParameters placed = *record;
        Offset(placed, corner.x, corner.y);
        m_hub.SetPendingRestore(&placed);
        const IProjectHub::OpenResult opened = m_hub.OpenToolForRestore(placed);
        if (opened == IProjectHub::OPEN_FAILED) {
            GlobalLogFormat(LOG_STATUS_ERRORS, "Restore windows: tool %d could not be created",
                            LayoutField(placed, LAYOUT_TOOL_ID));
            break;
        }
        if (opened == IProjectHub::OPEN_SKIPPED) {
            m_hub.SetPendingRestore(nullptr);
            continue;
        }
        if (!WaitForRelease(*progress) && !progress->IsCancelled()) {
            AfxGetPromptService().Prompt(m_hub.GetHubWindow(), kTimeoutText, kTimeoutCaption, MB_OK);
            break;
        }
    }
    m_hub.SetPendingRestore(nullptr);

    std::vector<IProjectHub::RegisteredTool> tools;
    m_hub.GetRegisteredWindows(tools);
    for (const IProjectHub::RegisteredTool& tool : tools) {
        if (tool.hasReplyInterface && ::IsWindow(tool.hWnd))
            ::SendMessageTimeoutA(tool.hWnd, WM_SETFOCUS, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
        SleepServingSent(kFocusPauseMs);
    }
    progress->SetPercent(100);
    SleepServingSent(kFinalPauseMs);
    progress->Close();
}
