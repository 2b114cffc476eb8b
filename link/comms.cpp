#include "link/comms.h"

#include <cassert>
#include <cstring>

#include "foundation/logfile.h"
#include "foundation/winutil.h"

namespace {

// How long SuspendReceive waits for the thread to reach its pause point.
const DWORD kPauseWaitMs = 10000;
// How long a stop waits for a receive thread to end.
const DWORD kStopWaitMs = 10000;
// Steps of the receive loop slower than this are logged.
const ULONGLONG kSlowStepMs = 100;

} // namespace

CComms::CComms()
{
    std::memset(m_savedData, 0, sizeof m_savedData);
    std::memset(m_exclusiveData, 0, sizeof m_exclusiveData);
    std::memset(m_configSets, 0, sizeof m_configSets);
    m_hMainFrame = GetMainWindowHandle();
}

CComms::~CComms()
{
    bool alive = false;
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        alive = m_pCurrent != nullptr && m_nThreadsRunning.load() > 0;
    }
    if (alive) {
        // The subclass's Close should have stopped it: its Read is gone now.
        GlobalLogLine("Link destroyed with its receive thread still running", LOG_STATUS_ERRORS);
        assert(!"receive thread still running");
    }
    StopReceiveThread();
}

bool CComms::LogWanted(DWORD category)
{
    CLogFile& log = GetGlobalLog();
    return log.IsEnabled() && (log.GetLogMask() & category) != 0;
}

BOOL CComms::Open(ILinkReceiver* /*receiver*/)
{
    NotifyMainFrame(TRUE);
    return FALSE;
}

BOOL CComms::GetLinkInfo(CCommPortData* record, int set, BOOL* handshake)
{
    if (handshake)
        *handshake = m_bHandshake;
    if (!record)
        return FALSE;
    *record = m_data;
    const int from = (set >= 1 && set < m_nValidSets && set < 2) ? set : 0;
    std::memcpy(record->m_data.m_bytes, m_configSets[from], COMM_LINK_DATA_SIZE);
    return TRUE;
}

BOOL CComms::Close()
{
    NotifyMainFrame(FALSE);
    return FALSE;
}

BOOL CComms::SuspendReceive()
{
    HANDLE waits[2] = {m_paused.m_hObject, nullptr};
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        if (!m_pCurrent)
            return FALSE;
        if (m_nPauseCount++ == 0)
            m_resume.ResetEvent();
        if (IsReceiveThread(m_pCurrent))
            return TRUE; // pauses when this pass ends
        // A copy of the handle: a stop from another thread may free the
        // thread object while this one waits.
        if (!::DuplicateHandle(::GetCurrentProcess(), m_pCurrent->thread->m_hThread, ::GetCurrentProcess(),
                               &waits[1], SYNCHRONIZE, FALSE, 0))
            waits[1] = nullptr;
    }
    const DWORD result = WaitServingSentMessages(waits[1] ? 2 : 1, waits, kPauseWaitMs);
    if (waits[1])
        ::CloseHandle(waits[1]);
    CSingleLock lock(&m_linkMutex, TRUE);
    if (result == WAIT_OBJECT_0 && m_bThreadPaused && m_nPauseCount > 0)
        return TRUE;
    // The thread neither paused nor is it still running: undo this pause.
    GlobalLogFormat(LOG_STATUS_ERRORS, "Receive thread did not pause (%lu)", static_cast<unsigned long>(result));
    if (m_nPauseCount > 0 && --m_nPauseCount == 0)
        m_resume.SetEvent();
    return FALSE;
}

BOOL CComms::ResumeReceive()
{
    CSingleLock lock(&m_linkMutex, TRUE);
    if (!m_pCurrent)
        return FALSE;
    const int before = m_nPauseCount;
    if (m_nPauseCount > 0 && --m_nPauseCount == 0)
        m_resume.SetEvent();
    return before <= 1 ? TRUE : FALSE;
}

BOOL CComms::SetRawMode()
{
    if (m_nMode == LINK_MODE_EXCLUSIVE)
        return FALSE;
    m_nMode = LINK_MODE_RAW;
    return TRUE;
}

BOOL CComms::SetChannelMode()
{
    if (m_nMode == LINK_MODE_EXCLUSIVE)
        return FALSE;
    m_nMode = LINK_MODE_CHANNEL;
    return TRUE;
}

BOOL CComms::SetExclusiveMode(BOOL on, ILinkReceiver* /*connection*/)
{
    if (on) {
        if (m_nMode == LINK_MODE_EXCLUSIVE)
            return FALSE;
        m_nMode = LINK_MODE_EXCLUSIVE;
        return TRUE;
    }
    if (m_nMode != LINK_MODE_EXCLUSIVE)
        return FALSE;
    m_nMode = LINK_MODE_RAW;
    return TRUE;
}

BOOL CComms::GetOpenFlag()
{
    return m_bOpen.load();
}

CString CComms::GetName()
{
    char name[COMM_LINK_NAME_SIZE + 1] = {};
    std::memcpy(name, m_data.m_szName, sizeof m_data.m_szName);
    return name;
}

CCommPortData* CComms::GetRecord()
{
    return &m_data;
}

BOOL CComms::CopyRecord(CCommPortData* record, BOOL* handshake)
{
    if (handshake)
        *handshake = m_bHandshake;
    if (!record)
        return FALSE;
    *record = m_data;
    return TRUE;
}

BOOL CComms::CopyData(BYTE* data, BOOL* handshake)
{
    if (handshake)
        *handshake = m_bHandshake;
    if (!data)
        return FALSE;
    std::memcpy(data, m_data.m_data.m_bytes, COMM_LINK_DATA_SIZE);
    return TRUE;
}

int CComms::GetTxBlockSize()
{
    return 4;
}

void CComms::NotifyMainFrame(BOOL withRecord)
{
    if (m_hMainFrame && ::IsWindow(m_hMainFrame))
        ::SendMessageA(m_hMainFrame, WM_VEXO_LINK_CHANGED, 0, withRecord ? reinterpret_cast<LPARAM>(&m_data) : 0);
}

void CComms::SetLinkReceiver(ILinkReceiver* receiver)
{
    m_pLinkReceiver = receiver;
    m_bLossReported = false;
}

void CComms::ReportLinkLost()
{
    ILinkReceiver* receiver = m_pLinkReceiver.load();
    if (!m_bOpen || !receiver || m_bLossReported.exchange(true))
        return;
    GlobalLogLine("Link lost", LOG_LINK | LOG_STATUS_ERRORS);
    receiver->OnLinkLost();
}

bool CComms::IsReceiveThread(const ReceiveThread* thread) const
{
    return thread && thread->thread && ::GetCurrentThreadId() == thread->thread->m_nThreadID;
}

void CComms::RetireCurrentThread()
{
    if (!m_pCurrent)
        return;
    m_pCurrent->run = false;
    m_retired.push_back(m_pCurrent);
    m_pCurrent = nullptr;
    // A paused thread must run again to see that it is to end.
    m_nPauseCount = 0;
    m_resume.SetEvent();
}

BOOL CComms::ReapRetiredThreads(DWORD timeoutMs)
{
    std::vector<ReceiveThread*> waiting;
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        for (auto it = m_retired.begin(); it != m_retired.end();) {
            if (IsReceiveThread(*it)) {
                ++it; // ends when its pass returns; reaped from elsewhere
            } else {
                waiting.push_back(*it);
                it = m_retired.erase(it);
            }
        }
    }
    BOOL allEnded = TRUE;
    for (ReceiveThread* retired : waiting) {
        HANDLE handle = retired->thread->m_hThread;
        if (WaitServingSentMessages(1, &handle, timeoutMs) != WAIT_OBJECT_0) {
            GlobalLogLine("Receive thread did not end", LOG_STATUS_ERRORS);
            CSingleLock lock(&m_linkMutex, TRUE);
            m_retired.push_back(retired); // kept: it may still touch the link
            allEnded = FALSE;
            continue;
        }
        delete retired->thread;
        delete retired;
    }
    return allEnded;
}

BOOL CComms::StartReceiveThread(ILinkReceiver* receiver, LPCSTR startLine, LPCSTR endLine, int priority,
                                AFX_THREADPROC entry)
{
    StopReceiveThread();
    auto* self = new ReceiveThread;
    self->link = this;
    self->receiver = receiver;
    self->startLine = startLine;
    self->endLine = endLine;
    CWinThread* thread = AfxBeginThread(entry ? entry : ReceiveThreadProc, self, priority, 0, CREATE_SUSPENDED);
    if (!thread) {
        delete self;
        return FALSE;
    }
    thread->m_bAutoDelete = FALSE;
    self->thread = thread;
    SetLinkReceiver(receiver);
    ++m_nThreadsRunning; // counted from now, so a caller never sees it not yet started
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        m_pCurrent = self;
        m_nPauseCount = 0;
        m_bThreadPaused = false;
        m_paused.ResetEvent();
        m_resume.SetEvent();
    }
    thread->ResumeThread();
    return TRUE;
}

BOOL CComms::StopReceiveThread()
{
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        RetireCurrentThread();
    }
    return ReapRetiredThreads(kStopWaitMs);
}

UINT CComms::RunReceiveThread(LPVOID param)
{
    auto* self = static_cast<ReceiveThread*>(param);
    self->link->ReceiveLoop(*self);
    return 0;
}

UINT __cdecl CComms::ReceiveThreadProc(LPVOID param)
{
    return RunReceiveThread(param);
}

void CComms::PausePoint(ReceiveThread& self)
{
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        if (m_nPauseCount == 0 || !self.run)
            return;
        m_bThreadPaused = true;
        m_paused.SetEvent();
    }
    for (;;) {
        ::WaitForSingleObject(m_resume.m_hObject, 50);
        CSingleLock lock(&m_linkMutex, TRUE);
        // Leaves only when no pause is counted any more, decided under the
        // lock, so a pauser that counted itself in finds the thread held.
        if (m_nPauseCount == 0 || !self.run) {
            m_bThreadPaused = false;
            m_paused.ResetEvent();
            return;
        }
    }
}

void CComms::ReceiveLoop(ReceiveThread& self)
{
    GlobalLogLine(self.startLine, LOG_LINK);
    BYTE buffer[RECEIVE_BLOCK_SIZE];
    unsigned long passes = 0;
    int modeSeen = -1;
    // Receive state of this thread's decoding.
    int channel = CHANNEL_NONE;
    int escapeState = 0;
    ULONGLONG mark = ::GetTickCount64();
    while (self.run) {
        PausePoint(self);
        if (!self.run)
            break;
        ++passes;
        if (LogWanted(LOG_RECEIVE_LOOP))
            GlobalLogFormat(LOG_RECEIVE_LOOP, "Rx Loop: %lu", passes);
        const int mode = m_nMode.load();
        if (mode != modeSeen) {
            modeSeen = mode;
            channel = mode == LINK_MODE_RAW ? 0 : CHANNEL_NONE;
            escapeState = 0;
        }
        const int count = Read(buffer, RECEIVE_BLOCK_SIZE);
        ULONGLONG now = ::GetTickCount64();
        if (now - mark > kSlowStepMs)
            GlobalLogFormat(LOG_LINK, "Read Ticks %lu", static_cast<unsigned long>(now - mark));
        mark = now;
        if (count < 0) {
            if (self.receiver && self.run && !m_bLossReported.exchange(true)) {
                GlobalLogLine("Link lost", LOG_LINK | LOG_STATUS_ERRORS);
                self.receiver->OnLinkLost();
            }
            break;
        }
        if (count > 0) {
            passes = 0;
            if (count > RECEIVE_BLOCK_SIZE) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Read returned %d bytes for %d", count, RECEIVE_BLOCK_SIZE);
            } else {
                Deliver(self.receiver, modeSeen, channel, escapeState, count, buffer);
                AfterDelivery(modeSeen);
                now = ::GetTickCount64();
                if (now - mark > kSlowStepMs)
                    GlobalLogFormat(LOG_LINK, "Process Ticks %lu", static_cast<unsigned long>(now - mark));
                mark = now;
            }
        }
        ::Sleep(1);
        now = ::GetTickCount64();
        if (now - mark > kSlowStepMs)
            GlobalLogFormat(LOG_LINK, "Sleep Ticks %lu", static_cast<unsigned long>(now - mark));
        mark = now;
    }
    GlobalLogLine(self.endLine, LOG_LINK);
    --m_nThreadsRunning;
}

void CComms::Deliver(ILinkReceiver* receiver, int mode, int& channel, int& escapeState, int count, const BYTE* bytes)
{
    if (!receiver)
        return;
    if (mode == LINK_MODE_CHANNEL) {
        GetGlobalLog().LogData("Dispatch buffer: ", bytes, count, LOG_CHANNEL_DISPATCH);
        DispatchChannels(receiver, channel, escapeState, count, bytes);
    } else {
        receiver->OnReceive(CHANNEL_NONE, count, bytes);
    }
}

DWORD WaitServingSentMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs)
{
    const ULONGLONG start = ::GetTickCount64();
    for (;;) {
        const ULONGLONG elapsed = ::GetTickCount64() - start;
        const DWORD remaining = elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
        const DWORD result = ::MsgWaitForMultipleObjectsEx(count, handles, remaining, QS_SENDMESSAGE, 0);
        if (result == WAIT_OBJECT_0 + count) {
            // Peeking answers the messages sent to this thread; posted
            // messages stay queued.
            MSG msg;
            ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            if (remaining == 0)
                return WAIT_TIMEOUT;
            continue;
        }
        if (result < WAIT_OBJECT_0 + count)
            return result;
        if (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count)
            return WAIT_OBJECT_0 + (result - WAIT_ABANDONED_0);
        return result;
    }
}

void CComms::StoreDefaultConfigSet(LPCSTR name, int type)
{
    CCommPortData defaults;
    defaults.SetLinkDefaults(name, type);
    std::memcpy(m_configSets[0], defaults.m_data.m_bytes, COMM_LINK_DATA_SIZE);
}
