#include "project/progressgauge.h"

#include "framework/thread.h"
#include "ui/progress.h"

CGaugeThread* StartProgressGauge()
{
    auto* gauge = static_cast<CGaugeThread*>(
        AfxBeginThread(RUNTIME_CLASS(CGaugeThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    if (!gauge)
        return nullptr;
    gauge->ResumeThread();
    while (!gauge->IsStarted()) {
        if (!AfxPumpMessages())
            break;
        ::Sleep(1);
    }
    return gauge;
}
