#include "simulator/app/sequencer.h"

#include <mmsystem.h>

#include "simulator/app/simlog.h"
#include "simulator/runtime/scheduler.h"

#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

CWaitableTimer::CWaitableTimer(bool manualReset)
{
    // A high-resolution timer where the system has one, else a plain one.
    const DWORD flags = (manualReset ? CREATE_WAITABLE_TIMER_MANUAL_RESET : 0);
    m_timer = CreateWaitableTimerExW(nullptr, nullptr, flags | CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                     TIMER_ALL_ACCESS);
    if (!m_timer)
        m_timer = CreateWaitableTimerExW(nullptr, nullptr, flags, TIMER_ALL_ACCESS);
}

CWaitableTimer::~CWaitableTimer()
{
    Cancel();
    if (m_timer)
        CloseHandle(m_timer);
}

void CWaitableTimer::SetDueOffset(uint32_t low, int32_t high)
{
    m_dueOffset = high < 0 ? 0 : static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

bool CWaitableTimer::Arm()
{
    if (m_armed || !m_timer)
        return false;
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    LARGE_INTEGER due;
    due.QuadPart = static_cast<LONGLONG>((static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime) +
                   m_dueOffset;
    m_armed = SetWaitableTimer(m_timer, &due, m_period, nullptr, nullptr, FALSE) != FALSE;
    return m_armed;
}

bool CWaitableTimer::Wait(DWORD ms)
{
    if (!m_armed || !m_timer)
        return false;
    return WaitForSingleObjectEx(m_timer, ms, TRUE) == WAIT_OBJECT_0;
}

void CWaitableTimer::Cancel()
{
    if (!m_armed || !m_timer)
        return;
    CancelWaitableTimer(m_timer);
    m_armed = false;
}

void CTickSignal::Signal()
{
    AcquireSRWLockExclusive(&m_lock);
    ++m_count;
    const bool waited = m_waiters > 0;
    ReleaseSRWLockExclusive(&m_lock);
    if (waited)
        WakeAllConditionVariable(&m_changed);
}

bool CTickSignal::Wait(DWORD ms)
{
    AcquireSRWLockExclusive(&m_lock);
    const uint64_t start = m_count;
    ++m_waiters;
    // A wake-up without a tick (the system may wake a waiter early) waits
    // again, at most ms each time.
    while (m_count == start && SleepConditionVariableSRW(&m_changed, &m_lock, ms, 0)) {
    }
    --m_waiters;
    const bool ticked = m_count != start;
    ReleaseSRWLockExclusive(&m_lock);
    return ticked;
}

uint64_t CTickSignal::GetCount() const
{
    AcquireSRWLockShared(&m_lock);
    const uint64_t count = m_count;
    ReleaseSRWLockShared(&m_lock);
    return count;
}

int CTickSignal::GetWaiters() const
{
    AcquireSRWLockShared(&m_lock);
    const int waiters = m_waiters;
    ReleaseSRWLockShared(&m_lock);
    return waiters;
}

CSequencer::CSequencer(std::shared_ptr<CTickSignal> tick, std::function<bool()> idle, std::shared_ptr<CTickSignal> wake)
    : m_tick(std::move(tick)), m_idle(std::move(idle)), m_wake(std::move(wake))
{
    m_thread = CreateThread(nullptr, 0, ThreadMain, this, CREATE_SUSPENDED, nullptr);
    if (m_thread) {
        // Running from the start, so an owner that stops at once still waits
        // for the wind-down.
        m_running.store(true);
        SetThreadPriority(m_thread, THREAD_PRIORITY_ABOVE_NORMAL);
        ResumeThread(m_thread);
    }
}

CSequencer::~CSequencer()
{
    if (m_thread) {
        m_stopRequest.store(true);
        WaitForSingleObject(m_thread, INFINITE);
        CloseHandle(m_thread);
    }
}

bool CSequencer::WaitForEnd(DWORD ms)
{
    return !m_thread || WaitForSingleObject(m_thread, ms) == WAIT_OBJECT_0;
}

DWORD WINAPI CSequencer::ThreadMain(LPVOID parameter)
{
    static_cast<CSequencer*>(parameter)->Run();
    return 0;
}

void CSequencer::Run()
{
    qcrt::ClearSliceEndRequest();
    timeBeginPeriod(1);
    {
        // One arming for the whole run, firing every millisecond: the ticks
        // keep their 1 ms pace however long a switch takes, where re-arming
        // after each switch would add the switch and the arming to every
        // tick. Auto-reset, so a tick missed while a switch ran late is not
        // made up with a burst of switches.
        CWaitableTimer timer(false);
        timer.SetDueOffset(10000, 0);
        timer.SetPeriod(1);
        qcsim::CLogFile& log = SimLog();
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        while (!m_stopRequest.load()) {
            if (m_idle && m_wake && m_idle()) {
                // Idle: no tick a millisecond (each would wake the waiting
                // command line for nothing). The timers are moved on by the
                // time that passed, less the tick the switch gives them.
                timer.Cancel();
                LARGE_INTEGER start, end;
                QueryPerformanceCounter(&start);
                m_wake->Wait(kIdleTickMs);
                QueryPerformanceCounter(&end);
                const LONGLONG passed = (end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart;
                if (qcrt::g_ServoRunning.load()) {
                    for (LONGLONG ms = 1; ms < passed && ms < kIdleTickMs; ++ms)
                        qcrt::TickTimers();
                }
            } else {
                if (!timer.IsArmed() && !timer.Arm()) {
                    // No timer: no switching, but no busy loop either.
                    Sleep(1);
                    continue;
                }
                if (!timer.Wait(10))
                    timer.Cancel(); // lost its pace: armed again from now
            }
            if (m_stopRequest.load())
                break;
            log.LogFormat(kLogTaskSwitch, "Suspend %d", qcrt::g_CurrentProcess.load());
            // The slice's end is asked for before the tick is signalled, so a
            // process woken by it parks at once.
            qcrt::RequestSliceEnd();
            if (m_tick)
                m_tick->Signal();
            qcrt::SequencerSwitch(m_stopRequest);
            if (!m_stopRequest.load())
                log.LogFormat(kLogTaskSwitch, "Resume %d", qcrt::g_CurrentProcess.load());
            m_switches.fetch_add(1, std::memory_order_relaxed);
        }
    }
    if (m_tick)
        m_tick->Signal();
    qcrt::WindDownProcesses();
    timeEndPeriod(1);
    m_running.store(false);
}
