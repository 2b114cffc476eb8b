// The process sequencer: one thread, above normal priority, that gives the
// runtime's process threads their slices. At every tick of a 1 ms waitable
// timer it ends the running process's slice at its next switch point, runs
// the runtime's scheduling step and lets the chosen process run on. When
// stopped it winds every process down.
//
// The timer is unnamed, so two simulators never share one, and the thread
// asks for a 1 ms timer resolution while it runs: with the default 15.6 ms
// granularity the slices would be sixteen times longer.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class CWaitableTimer {
public:
    explicit CWaitableTimer(bool manualReset);
    virtual ~CWaitableTimer();
    CWaitableTimer(const CWaitableTimer&) = delete;
    CWaitableTimer& operator=(const CWaitableTimer&) = delete;

    // A negative high word makes the offset 0.
    void SetDueOffset(uint32_t low, int32_t high);
    // The period in ms the timer fires at once armed (0: it fires once per
    // arming). Takes effect at the next Arm.
    void SetPeriod(LONG ms) { m_period = ms < 0 ? 0 : ms; }
    int64_t GetDueOffset() const { return m_dueOffset; }
    // False when already armed or without a timer.
    bool Arm();
    // True only when the timer fired within ms.
    bool Wait(DWORD ms);
    void Cancel();
    bool IsArmed() const { return m_armed; }
    HANDLE GetHandle() const { return m_timer; }

private:
    HANDLE m_timer = nullptr;
    bool m_armed = false;
    LONG m_period = 0;
    int64_t m_dueOffset = 10000; // 100 ns units: 1 ms
};

// The sequencer's tick as threads wait for it. A slim lock and condition
// variable, not a kernel event: at a thousand ticks a second, waking and
// waiting must cost no system call when nobody waits and as little as
// possible when somebody does.
class CTickSignal {
public:
    CTickSignal() = default;
    CTickSignal(const CTickSignal&) = delete;
    CTickSignal& operator=(const CTickSignal&) = delete;

    // Wakes every thread waiting for this tick.
    void Signal();
    // Waits until the next Signal, at most ms; true when it came.
    bool Wait(DWORD ms);
    uint64_t GetCount() const;
    // Threads waiting now.
    int GetWaiters() const;

private:
    mutable SRWLOCK m_lock = SRWLOCK_INIT;
    CONDITION_VARIABLE m_changed = CONDITION_VARIABLE_INIT;
    uint64_t m_count = 0;
    int m_waiters = 0;
};

class CSequencer {
public:
    // tick (optional, kept by the owner): signalled at every tick once the
    // running process is asked to end its slice, so a process that waits
    // for the next tick sleeps on it instead of spinning.
    //
    // idle (optional): asked at every tick; while it answers true nothing
    // can change but by time and by wake (the command line alone, waiting
    // for the link, motion off), so the next tick comes after
    // kIdleTickMs or at the next Signal of wake, whichever is first, and
    // the timers are advanced by the milliseconds that passed.
    explicit CSequencer(std::shared_ptr<CTickSignal> tick = nullptr, std::function<bool()> idle = {},
                        std::shared_ptr<CTickSignal> wake = nullptr);
    static constexpr DWORD kIdleTickMs = 50;
    virtual ~CSequencer();
    CSequencer(const CSequencer&) = delete;
    CSequencer& operator=(const CSequencer&) = delete;

    void RequestStop() { m_stopRequest.store(true); }
    bool IsRunning() const { return m_running.load(); }
    // Waits up to ms for the thread to end (it ends after the wind-down).
    bool WaitForEnd(DWORD ms);
    HANDLE GetThreadHandle() const { return m_thread; }
    uint64_t GetSwitchCount() const { return m_switches.load(); }

private:
    static DWORD WINAPI ThreadMain(LPVOID parameter);
    void Run();

    std::atomic<bool> m_stopRequest{false};
    std::atomic<bool> m_running{false};
    std::atomic<uint64_t> m_switches{0};
    std::shared_ptr<CTickSignal> m_tick;
    std::function<bool()> m_idle;
    std::shared_ptr<CTickSignal> m_wake;
    HANDLE m_thread = nullptr;
};
