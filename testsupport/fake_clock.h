// A virtual clock for tests: time moves only when the test (or the code
// under test, by sleeping) moves it. Installed for the lifetime of the
// object.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "framework/clock.h"

class FakeClock : public IClock {
public:
    explicit FakeClock(std::uint64_t startMs = 1000000);
    ~FakeClock() override;
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;

    std::uint64_t NowMs() override { return m_now.load(); }
    // Sleeping advances virtual time at once, then runs the sleep hook (a
    // test uses it to let a peer answer while the code waits).
    void SleepMs(DWORD ms) override;

    void Advance(std::uint64_t ms) { m_now += ms; }
    std::uint64_t SleptMs() const { return m_slept.load(); }
    void SetSleepHook(std::function<void(std::uint64_t nowMs)> hook);

private:
    std::atomic<std::uint64_t> m_now;
    std::atomic<std::uint64_t> m_slept{0};
    std::mutex m_hookLock;
    std::function<void(std::uint64_t)> m_hook;
};
