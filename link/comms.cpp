#include "link/comms.h"

#include <cstring>

#include "foundation/logfile.h"
#include "foundation/winutil.h"

namespace {

// How long SuspendReceive waits for the thread to reach its pause point.
const DWORD kPauseWaitMs = 10000;
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
    // Normally stopped by the subclass's Close already.
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
    CSingleLock lock(&m_linkMutex, TRUE);
    if (!m_pReceiveThread)
        return FALSE;
    if (m_nPauseCount++ > 0)
        return TRUE; // already paused
    m_pauseAcknowledged.ResetEvent();
    m_resume.ResetEvent();
    m_bPauseRequested = true;
    if (::GetCurrentThreadId() == m_pReceiveThread->m_nThreadID)
        return TRUE; // pauses when this pass ends
    HANDLE waits[2] = {m_pauseAcknowledged.m_hObject, m_pReceiveThread->m_hThread};
    const DWORD result = ::WaitForMultipleObjects(2, waits, FALSE, kPauseWaitMs);
    if (result == WAIT_OBJECT_0)
        return TRUE;
    // The thread neither paused nor is it still running: undo the request.
    GlobalLogFormat(LOG_STATUS_ERRORS, "Receive thread did not pause (%lu)", static_cast<unsigned long>(result));
    m_nPauseCount = 0;
    m_bPauseRequested = false;
    m_resume.SetEvent();
    return FALSE;
}

BOOL CComms::ResumeReceive()
{
    CSingleLock lock(&m_linkMutex, TRUE);
    if (!m_pReceiveThread)
        return FALSE;
    const int before = m_nPauseCount;
    if (m_nPauseCount > 0 && --m_nPauseCount == 0) {
        m_bPauseRequested = false;
        m_resume.SetEvent();
    }
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

BOOL CComms::StartReceiveThread(ILinkReceiver* receiver, LPCSTR startLine, LPCSTR endLine, int priority)
{
    StopReceiveThread();
    m_pReceiver = receiver;
    m_strStartLine = startLine;
    m_strEndLine = endLine;
    m_nPauseCount = 0;
    m_bPauseRequested = false;
    m_resume.SetEvent();
    m_bRun = true;
    CWinThread* thread = AfxBeginThread(ReceiveThreadProc, this, priority, 0, CREATE_SUSPENDED);
    if (!thread) {
        m_bRun = false;
        return FALSE;
    }
    thread->m_bAutoDelete = FALSE;
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        m_pReceiveThread = thread;
    }
    thread->ResumeThread();
    return TRUE;
}

void CComms::StopReceiveThread()
{
    CWinThread* thread = nullptr;
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        thread = m_pReceiveThread;
        m_bRun = false;
        // A paused thread must run again to see that it is to end.
        m_nPauseCount = 0;
        m_bPauseRequested = false;
        m_resume.SetEvent();
    }
    if (!thread)
        return;
    if (::GetCurrentThreadId() == thread->m_nThreadID) {
        // Asked from a delivery on the receive thread: it ends when the
        // pass returns; the object is freed by the next start or the
        // destructor from another thread.
        return;
    }
    ::WaitForSingleObject(thread->m_hThread, INFINITE);
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        m_pReceiveThread = nullptr;
    }
    delete thread;
}

UINT __cdecl CComms::ReceiveThreadProc(LPVOID param)
{
    static_cast<CComms*>(param)->ReceiveLoop();
    return 0;
}

void CComms::PausePoint()
{
    // The acknowledgement is given again now and then, so a pause asked for
    // again just as the last one ended is never left waiting for it.
    while (m_bPauseRequested && m_bRun) {
        m_pauseAcknowledged.SetEvent();
        ::WaitForSingleObject(m_resume.m_hObject, 50);
    }
}

void CComms::ReceiveLoop()
{
    GlobalLogLine(m_strStartLine, LOG_LINK);
    m_bThreadRunning = true;
    BYTE buffer[RECEIVE_BLOCK_SIZE];
    unsigned long passes = 0;
    int modeSeen = -1;
    ULONGLONG mark = ::GetTickCount64();
    while (m_bRun) {
        PausePoint();
        if (!m_bRun)
            break;
        ++passes;
        if (LogWanted(LOG_RECEIVE_LOOP))
            GlobalLogFormat(LOG_RECEIVE_LOOP, "Rx Loop: %lu", passes);
        const int mode = m_nMode.load();
        if (mode != modeSeen) {
            modeSeen = mode;
            m_nChannel = mode == LINK_MODE_RAW ? 0 : CHANNEL_NONE;
            m_nEscapeState = 0;
        }
        const int count = Read(buffer, RECEIVE_BLOCK_SIZE);
        ULONGLONG now = ::GetTickCount64();
        if (now - mark > kSlowStepMs)
            GlobalLogFormat(LOG_LINK, "Read Ticks %lu", static_cast<unsigned long>(now - mark));
        mark = now;
        if (count > 0) {
            passes = 0;
            if (count > RECEIVE_BLOCK_SIZE) {
                GlobalLogFormat(LOG_STATUS_ERRORS, "Read returned %d bytes for %d", count, RECEIVE_BLOCK_SIZE);
            } else {
                Deliver(modeSeen, count, buffer);
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
    GlobalLogLine(m_strEndLine, LOG_LINK);
    m_bThreadRunning = false;
}

void CComms::Deliver(int mode, int count, const BYTE* bytes)
{
    if (!m_pReceiver)
        return;
    if (mode == LINK_MODE_CHANNEL) {
        GetGlobalLog().LogData("Dispatch buffer: ", bytes, count, LOG_CHANNEL_DISPATCH);
        DispatchChannels(m_pReceiver, m_nChannel, m_nEscapeState, count, bytes);
    } else {
        m_pReceiver->OnReceive(CHANNEL_NONE, count, bytes);
    }
}
