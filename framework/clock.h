// The clock that every wait of seconds takes its time from (link time-outs,
// resend timers, drive tuning, system-software loading). Production code
// uses the system clock; tests install a virtual one so they never sleep.
#pragma once

#include <cstdint>

#include "framework/types.h"

class IClock {
public:
    virtual ~IClock() = default;
    // Milliseconds since an arbitrary fixed point; never goes backwards.
    virtual std::uint64_t NowMs() = 0;
    // Lets at least ms milliseconds pass.
    virtual void SleepMs(DWORD ms) = 0;
    // Lets at most ms milliseconds pass, ending as soon as the event (a
    // handle; null for none) is set or input arrives for the calling
    // thread; true when it ended early. A clock of virtual time only lets
    // its ms pass.
    virtual bool WaitMs(void* wake, DWORD ms)
    {
        (void)wake;
        SleepMs(ms);
        return false;
    }
};

// The clock in use. Installing null puts the system clock back.
IClock& AfxGetClock();
void AfxSetClock(IClock* clock);

// True once timeoutMs have passed since startMs on the clock in use.
inline bool AfxClockElapsed(std::uint64_t startMs, std::uint64_t timeoutMs)
{
    return AfxGetClock().NowMs() - startMs >= timeoutMs;
}
