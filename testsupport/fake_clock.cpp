#include "testsupport/fake_clock.h"

#include <windows.h>

FakeClock::FakeClock(std::uint64_t startMs) : m_now(startMs)
{
    AfxSetClock(this);
}

FakeClock::~FakeClock()
{
    AfxSetClock(nullptr);
}

void FakeClock::SleepMs(DWORD ms)
{
    m_now += ms;
    m_slept += ms;
    std::function<void(std::uint64_t)> hook;
    {
        std::lock_guard<std::mutex> guard(m_hookLock);
        hook = m_hook;
    }
    if (hook)
        hook(m_now.load());
    // Give other threads a turn, as a real sleep would.
    Sleep(0);
}

void FakeClock::SetSleepHook(std::function<void(std::uint64_t)> hook)
{
    std::lock_guard<std::mutex> guard(m_hookLock);
    m_hook = std::move(hook);
}
