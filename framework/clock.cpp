#include "framework/clock.h"

#include <windows.h>

#include <atomic>

namespace {

class CSystemClock : public IClock {
public:
    std::uint64_t NowMs() override { return GetTickCount64(); }
    void SleepMs(DWORD ms) override { Sleep(ms); }
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
