#include "project/projecthub.h"

#include "foundation/winutil.h"
#include "framework/clock.h"
#include "ui/progress.h"

void SleepServingSent(DWORD ms)
{
    IClock& clock = AfxGetClock();
    const std::uint64_t start = clock.NowMs();
    while (!AfxClockElapsed(start, ms)) {
        MSG msg;
        ::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        clock.SleepMs(1);
    }
}

LRESULT SendIfWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window || !::IsWindow(window))
        return 0;
    return ::SendMessageA(window, message, wParam, lParam);
}

void PostIfWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (window && ::IsWindow(window))
        ::PostMessageA(window, message, wParam, lParam);
}

namespace {

const DWORD kGaugeStartWaitMs = 10000;

class CGaugeProgress : public IHubProgress {
public:
    CGaugeProgress(HWND notify, LPCSTR caption)
    {
        m_pThread = static_cast<CGaugeThread*>(AfxBeginThread(RUNTIME_CLASS(CGaugeThread)));
        if (!m_pThread)
            return;
        const std::uint64_t start = AfxGetClock().NowMs();
        while (!m_pThread->IsStarted() && !AfxClockElapsed(start, kGaugeStartWaitMs)) {
            if (!PumpOneMessage())
                AfxGetClock().SleepMs(1);
        }
        m_pThread->SetNotifyWindow(notify);
        m_pThread->SetCaption(caption);
        m_pThread->SetCancelFlag(&m_nCancel);
    }
    ~CGaugeProgress() override { Close(); }
    void SetText(LPCSTR text) override
    {
        if (m_pThread)
            m_pThread->SetText(text);
    }
    void SetRange(int steps) override
    {
        if (m_pThread)
            m_pThread->SetRange(steps);
    }
    void StepIt() override
    {
        if (m_pThread)
            m_pThread->StepIt(1);
    }
    void SetPercent(int percent) override
    {
        if (m_pThread) {
            m_pThread->SetRange(100);
            m_pThread->SetPos(percent);
        }
    }
    bool IsCancelled() override { return m_nCancel != 0; }
    void Close() override
    {
        if (m_pThread)
            m_pThread->Close();
        m_pThread = nullptr;
    }

private:
    CGaugeThread* m_pThread = nullptr;
    int m_nCancel = 0;
};

} // namespace

std::unique_ptr<IHubProgress> StartGaugeProgress(HWND notify, LPCSTR caption)
{
    return std::make_unique<CGaugeProgress>(notify, caption);
}
