#include "link/transactionworker.h"

#include "foundation/winutil.h"
#include "framework/thread.h"

namespace {

// How long the worker's end is waited for; a transaction ends on its own
// time-outs long before.
const DWORD kStopWaitMs = 30000;
// The caller's wait wakes at least this often to look at aborted() (input
// and the events wake it at once).
const DWORD kWaitSliceMs = 100;

} // namespace

CTransactionWorker::CTransactionWorker(std::function<BOOL(ControllerMessage*)> run)
    : m_run(std::move(run)), m_hWork(::CreateEventA(nullptr, FALSE, FALSE, nullptr))
{
}

CTransactionWorker::~CTransactionWorker()
{
    HANDLE thread = nullptr;
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_bStop = true;
        m_jobs.clear();
        thread = m_hThread;
        m_hThread = nullptr;
    }
    ::SetEvent(m_hWork);
    if (thread) {
        ::WaitForSingleObject(thread, kStopWaitMs);
        ::CloseHandle(thread);
    }
    ::CloseHandle(m_hWork);
}

bool CTransactionWorker::Start()
{
    // Under m_lock.
    if (m_hThread)
        return true;
    CWinThread* thread = AfxBeginThread(ThreadProc, this, THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED);
    if (!thread)
        return false;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &m_hThread, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    return true;
}

UINT __cdecl CTransactionWorker::ThreadProc(LPVOID param)
{
    static_cast<CTransactionWorker*>(param)->Main();
    return 0;
}

void CTransactionWorker::Main()
{
    m_nWorkerThreadId = ::GetCurrentThreadId();
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::lock_guard<std::mutex> hold(m_lock);
            if (m_bStop)
                return;
            if (!m_jobs.empty()) {
                job = m_jobs.front();
                m_jobs.pop_front();
            }
        }
        if (!job) {
            ::WaitForSingleObject(m_hWork, INFINITE);
            continue;
        }
        job->result = m_run(&job->message);
        ::SetEvent(job->done);
    }
}

BOOL CTransactionWorker::Run(const ControllerMessage& message, HANDLE abortEvent, const std::function<bool()>& aborted)
{
    auto job = std::make_shared<Job>(message);
    // A transaction asked for by the worker's own thread (a reply handler
    // that sends) cannot wait behind itself: it runs here and now.
    if (::GetCurrentThreadId() == m_nWorkerThreadId.load())
        return m_run(&job->message);
    {
        std::lock_guard<std::mutex> hold(m_lock);
        if (m_bStop || !Start())
            return FALSE;
        m_jobs.push_back(job);
    }
    ::SetEvent(m_hWork);
    const HANDLE handles[] = {job->done, abortEvent};
    const DWORD count = abortEvent ? 2 : 1;
    for (;;) {
        if (::WaitForSingleObject(job->done, 0) == WAIT_OBJECT_0)
            return job->result.load();
        if (aborted && aborted()) {
            // One that has not started is taken back; one that runs ends
            // on its own, and its result goes nowhere.
            std::lock_guard<std::mutex> hold(m_lock);
            for (auto it = m_jobs.begin(); it != m_jobs.end(); ++it)
                if (*it == job) {
                    m_jobs.erase(it);
                    break;
                }
            return FALSE;
        }
        // One waiting message at a time, so handlers run as they would in
        // the thread's own loop; then sleep until input or an event.
        if (!PumpOneMessage())
            ::MsgWaitForMultipleObjects(count, handles, FALSE, kWaitSliceMs, QS_ALLINPUT);
    }
}
