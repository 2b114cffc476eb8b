#include "framework/clock.h"

#include <windows.h>

#include <atomic>

namespace {

class CSystemClock : public IClock {
public:
    std::uint64_t NowMs() override { return GetTickCount64(); }
    void SleepMs(DWORD ms) override { Sleep(ms); }
    bool WaitMs(void* wake, DWORD ms) override
    {
        // Input already waiting (seen by an earlier peek but not taken)
        // ends the wait as well as new input.
        HANDLE handle = wake;
        return MsgWaitForMultipleObjectsEx(handle ? 1 : 0, handle ? &handle : nullptr, ms, QS_ALLINPUT,
                                           MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
    }
};

CSystemClock g_systemClock;
std::atomic<IClock*> g_clock{&g_systemClock};

} // namespace

IClock& AfxGetClock()
{
    return *g_clock.load();
}

void AfxSetClock(IClock* clock)
{
    g_clock = clock ? clock : &g_systemClock;
}
