#include "ui/progress.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <vector>
#include <string>

#include <gtest/gtest.h>

#include "framework/thread.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "toolkit_test_support.h"
#include "ui/toolkit_resource.h"

namespace {

// Starts a gauge the way its callers do and closes it at the end.
class GaugeTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_thread = static_cast<CGaugeThread*>(AfxBeginThread(RUNTIME_CLASS(CGaugeThread)));
        ASSERT_NE(nullptr, m_thread);
        ASSERT_TRUE(PumpUntil([&] { return m_thread->IsStarted() != FALSE; }));
        m_hGauge = m_thread->GetGaugeWindow();
        ASSERT_NE(nullptr, m_hGauge);
        m_thread->SetNotifyWindow(m_notify.m_hWnd);
    }
    void TearDown() override
    {
        // The starter always closes: that lets go of the thread object,
        // whether or not the gauge is still there.
        if (m_thread)
            m_thread->Close();
        PumpUntil([&] { return !::IsWindow(m_hGauge); });
    }
    void ClickCancel()
    {
        m_thread->ShowButton(TRUE);
        ::SendMessageA(m_hGauge, WM_COMMAND, MAKEWPARAM(IDC_GAUGE_CANCEL, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(m_hGauge, IDC_GAUGE_CANCEL)));
        PumpFor(20);
    }
    size_t Cancellations() const { return m_notify.Messages(WM_GAUGE_CANCELLED).size(); }

    RecordingParent m_notify;
    CGaugeThread* m_thread = nullptr;
    HWND m_hGauge = nullptr;
};

TEST_F(GaugeTest, CancelAsksThenNotifiesOnlyOnYes)
{
    const struct {
        int answer;
        size_t notes;
        int flag;
    } cases[] = {{IDNO, 0, 0}, {IDYES, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptedPrompts prompts;
        prompts.Answer(c.answer);
        int flag = 0;
        m_notify.Clear();
        m_thread->SetCancelFlag(&flag);
        ClickCancel();
        ASSERT_EQ(1u, prompts.Records().size());
        EXPECT_EQ("Warning", prompts.Records()[0].caption);
        EXPECT_EQ("This will abort the current process\n\nAre you sure?", prompts.Records()[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_YESNO), prompts.Records()[0].type & MB_TYPEMASK);
        EXPECT_EQ(c.notes, Cancellations());
        EXPECT_EQ(c.flag, flag);
        EXPECT_FALSE(m_thread->IsCancelPending());
    }
}

TEST_F(GaugeTest, CancelWithoutConfirmationNotifiesAtOnce)
{
    ScriptedPrompts prompts;
    int flag = 0;
    m_thread->SetCancelFlag(&flag);
    m_thread->SetConfirmCancel(FALSE);
    ClickCancel();
    EXPECT_TRUE(prompts.Records().empty());
    EXPECT_EQ(1u, Cancellations());
    EXPECT_EQ(1, flag);
}

// Asks the gauge to close while its Cancel question is open.
class ClosingPrompts : public IPromptService {
public:
    explicit ClosingPrompts(HWND hGauge) : m_hGauge(hGauge) { AfxSetPromptService(this); }
    ~ClosingPrompts() override { AfxSetPromptService(nullptr); }
    int Prompt(HWND, LPCTSTR, LPCTSTR, UINT) override
    {
        ::SendMessageA(m_hGauge, WM_TOOL_DESTROY_REQUEST, 0, 0);
        // The box stays open a while, its loop dispatching the gauge's
        // messages; the gauge must still be there afterwards.
        AfxSleepWithMessages(150);
        m_bAliveDuringQuestion = ::IsWindow(m_hGauge);
        return IDYES;
    }
    HWND m_hGauge;
    std::atomic<bool> m_bAliveDuringQuestion{false};
};

TEST_F(GaugeTest, CloseDuringTheQuestionWaitsForIt)
{
    ClosingPrompts prompts(m_hGauge);
    ClickCancel();
    EXPECT_TRUE(prompts.m_bAliveDuringQuestion);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(m_hGauge); }, 3000));
    EXPECT_EQ(1u, Cancellations());
}

TEST_F(GaugeTest, RangeAndSteps)
{
    HWND hBar = ::GetDlgItem(m_hGauge, IDC_GAUGE_PROGRESS);
    auto range = [&] {
        PBRANGE r = {};
        ::SendMessageA(hBar, PBM_GETRANGE, 0, reinterpret_cast<LPARAM>(&r));
        return r;
    };
    m_thread->SetRange(0);
    EXPECT_EQ(0, range().iLow);
    EXPECT_EQ(1, range().iHigh);
    m_thread->SetRange(50);
    EXPECT_EQ(50, range().iHigh);
    m_thread->StepIt(3);
    EXPECT_EQ(3, ::SendMessageA(hBar, PBM_GETPOS, 0, 0));
    m_thread->StepIt(0);
    m_thread->StepIt(-3);
    EXPECT_EQ(3, ::SendMessageA(hBar, PBM_GETPOS, 0, 0));
    m_thread->SetText("Loading MAIN");
    EXPECT_EQ("Loading MAIN", WindowText(::GetDlgItem(m_hGauge, IDC_GAUGE_TEXT)));
    m_thread->SetCaption("Saving project");
    EXPECT_EQ("Saving project", WindowText(m_hGauge));
}

// A gauge thread started the way its callers do, with a notify window set
// before it runs, and a handle of the thread to wait for its end. The
// starter's Close comes at the end at the latest.
class StartedGauge {
public:
    explicit StartedGauge(HWND hWndNotify)
    {
        m_thread = static_cast<CGaugeThread*>(
            AfxBeginThread(RUNTIME_CLASS(CGaugeThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
        if (!m_thread)
            return;
        ::DuplicateHandle(::GetCurrentProcess(), m_thread->m_hThread, ::GetCurrentProcess(), &m_hThread, SYNCHRONIZE,
                          FALSE, 0);
        m_thread->SetNotifyWindow(hWndNotify);
        m_thread->ResumeThread();
        PumpUntil([&] { return m_thread->IsStarted() != FALSE; });
    }
    ~StartedGauge()
    {
        Close();
        if (m_hThread)
            ::CloseHandle(m_hThread);
    }
    void Close()
    {
        if (m_thread)
            m_thread->Close();
        m_thread = nullptr;
    }
    bool Ended(DWORD timeoutMs = 3000) const { return AfxWaitWithMessages(m_hThread, timeoutMs) == WAIT_OBJECT_0; }

    CGaugeThread* m_thread = nullptr;
    HANDLE m_hThread = nullptr;
};

TEST(Gauge, AGaugeWhoseWindowCannotBeCreatedEndsItsThread)
{
    // A parent that is gone: the gauge window cannot be created under it.
    HWND hGone = nullptr;
    {
        TestWindow gone("gone");
        hGone = gone.Handle();
    }
    StartedGauge gauge(hGone);
    ASSERT_NE(nullptr, gauge.m_thread);
    ASSERT_TRUE(gauge.m_thread->IsStarted());
    EXPECT_EQ(nullptr, gauge.m_thread->GetGaugeWindow());
    EXPECT_TRUE(gauge.Ended());
    // The starter's calls find no gauge and do nothing.
    gauge.m_thread->SetText("nothing to show");
    gauge.m_thread->StepIt(1);
    EXPECT_FALSE(gauge.m_thread->IsCancelPending());
}

TEST(Gauge, KeepsItsParentByHandlePastIdle)
{
    RecordingParent notify;
    StartedGauge gauge(notify.m_hWnd);
    ASSERT_NE(nullptr, gauge.m_thread);
    const HWND hGauge = gauge.m_thread->GetGaugeWindow();
    ASSERT_NE(nullptr, hGauge);
    // Let the gauge's thread go idle, where its temporary wrappers are
    // freed; a message it answers afterwards shows it has been idle.
    PumpFor(100);
    gauge.m_thread->SetPos(1);
    auto* pGauge = static_cast<CGauge*>(CWnd::FromHandlePermanent(hGauge));
    ASSERT_NE(nullptr, pGauge);
    ASSERT_NE(nullptr, pGauge->m_pParentWnd);
    EXPECT_EQ(notify.m_hWnd, pGauge->m_pParentWnd->m_hWnd);
    gauge.Close();
    EXPECT_TRUE(gauge.Ended());
}

TEST(Gauge, ClosedByTheHubWhileAnotherThreadDrivesIt)
{
    RecordingParent notify;
    StartedGauge gauge(notify.m_hWnd);
    ASSERT_NE(nullptr, gauge.m_thread);
    const HWND hGauge = gauge.m_thread->GetGaugeWindow();
    ASSERT_NE(nullptr, hGauge);
    gauge.m_thread->SetRange(1000);

    // A worker drives the gauge without pause, before, during and after
    // the hub's close.
    struct Drive {
        CGaugeThread* gauge;
        std::atomic<bool> stop{false};
        std::atomic<int> calls{0};
    } drive{gauge.m_thread};
    CWinThread* pWorker = AfxBeginThread(
        [](LPVOID p) -> UINT {
            auto* d = static_cast<Drive*>(p);
            while (!d->stop) {
                d->gauge->SetText("Loading MAIN");
                d->gauge->StepIt(1);
                d->gauge->SetPathText("C:\\projects\\demo\\MAIN.BAS");
                d->gauge->IsCancelPending();
                ++d->calls;
            }
            return 0;
        },
        &drive, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
    ASSERT_NE(nullptr, pWorker);
    pWorker->m_bAutoDelete = FALSE;
    pWorker->ResumeThread();
    EXPECT_TRUE(PumpUntil([&] { return drive.calls.load() > 20; }));

    // The hub's close: the gauge goes and its thread ends.
    ::SendMessageA(hGauge, WM_TOOL_DESTROY_REQUEST, 0, 0);
    EXPECT_TRUE(gauge.Ended());
    EXPECT_FALSE(::IsWindow(hGauge));
    EXPECT_EQ(nullptr, gauge.m_thread->GetGaugeWindow());
    const int atClose = drive.calls.load();
    EXPECT_TRUE(PumpUntil([&] { return drive.calls.load() > atClose + 20; }));
    drive.stop = true;
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(pWorker->m_hThread, 3000));
    delete pWorker;
}

TEST(Waiting, ShowsByCounter)
{
    TestWindow owner("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    CWnd ownerWnd(owner.Handle());
    CWaiting waiting(&ownerWnd, "Reading ...");
    ownerWnd.m_hWnd = nullptr;
    ASSERT_NE(nullptr, waiting.GetWindow());
    CString text;
    waiting.GetText(text);
    EXPECT_STREQ("Reading ...", text);
    EXPECT_FALSE(waiting.IsVisible());
    waiting.Show();
    waiting.Show();
    waiting.Hide();
    EXPECT_TRUE(waiting.IsVisible());
    waiting.Hide();
    EXPECT_FALSE(waiting.IsVisible());
    waiting.Hide();
    EXPECT_EQ(0, waiting.GetCount());
    waiting.Show();
    EXPECT_TRUE(waiting.IsVisible());
}

TEST(Waiting, DelayedHideHidesAfterTheDelayAndDestructionWaitsForIt)
{
    TestWindow owner("owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    CWnd ownerWnd(owner.Handle());
    HWND hWait = nullptr;
    {
        CWaiting waiting(&ownerWnd, "Waiting");
        hWait = waiting.GetWindow();
        waiting.SetHideDelay(60);
        waiting.Show();
        waiting.Show();
        waiting.HideDelayed(); // the counter is still 1
        EXPECT_TRUE(waiting.IsVisible());
        EXPECT_TRUE(PumpUntil([&] { return !waiting.IsVisible(); }, 2000));
        // Several hides in flight when the object goes.
        waiting.SetHideDelay(5000);
        waiting.HideDelayed();
        waiting.HideDelayed();
    }
    ownerWnd.m_hWnd = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hWait); }, 3000));
}

class TextProgressTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_bar.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 200, 24), &m_parent, 100));
        m_bar.SetBarColour(RGB(0, 0, 255));
        m_bar.SetBkColour(RGB(255, 255, 255));
        m_bar.SetTextColour(RGB(255, 0, 0));
    }
    // Paints the control into a memory bitmap; its pixels, row by row.
    std::vector<COLORREF> Paint()
    {
        HDC hScreen = ::GetDC(nullptr);
        CDC dc;
        dc.Attach(::CreateCompatibleDC(hScreen));
        HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, kWidth, kHeight);
        HGDIOBJ hOld = ::SelectObject(dc.m_hDC, hBitmap);
        dc.FillSolidRect(CRect(0, 0, kWidth, kHeight), RGB(0, 255, 0));
        m_bar.Draw(&dc);
        std::vector<COLORREF> pixels;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                pixels.push_back(dc.GetPixel(x, y));
        ::SelectObject(dc.m_hDC, hOld);
        ::DeleteObject(hBitmap);
        ::DeleteDC(dc.Detach());
        ::ReleaseDC(nullptr, hScreen);
        return pixels;
    }
    int RedPixels()
    {
        const std::vector<COLORREF> pixels = Paint();
        return static_cast<int>(std::count(pixels.begin(), pixels.end(), RGB(255, 0, 0)));
    }
    // The bar's length along the top row, where no text is drawn.
    int BarPixels()
    {
        const std::vector<COLORREF> pixels = Paint();
        return static_cast<int>(std::count(pixels.begin(), pixels.begin() + kWidth, RGB(0, 0, 255)));
    }
    COLORREF PixelAt(int x, int y) { return Paint()[static_cast<size_t>(y * kWidth + x)]; }

    static const int kWidth = 200;
    static const int kHeight = 24;
    RecordingParent m_parent;
    CTextProgressCtrl m_bar;
};

TEST_F(TextProgressTest, DrawsThePercentageOverTheBar)
{
    m_bar.SetRange32(0, 100);
    m_bar.SetPos(50);
    EXPECT_GT(RedPixels(), 20);
    // The same pixels as a text "50%" of the stored text.
    const int percentPixels = RedPixels();
    m_bar.SetWindowText("50%");
    EXPECT_EQ(percentPixels, RedPixels());
    m_bar.SetWindowText("");
    // The bar covers the left half.
    EXPECT_EQ(RGB(0, 0, 255), PixelAt(2, 1));
    EXPECT_EQ(RGB(255, 255, 255), PixelAt(197, 1));
    EXPECT_EQ(100, BarPixels());
}

TEST_F(TextProgressTest, WideRangesPlaceTheBarWithoutOverflow)
{
    const struct {
        int lower;
        int upper;
        int pos;
        int bar;
    } cases[] = {
        {INT_MIN, INT_MAX, 0, 100}, {INT_MIN, INT_MAX, INT_MIN, 0}, {INT_MIN, INT_MAX, INT_MAX, 200},
        {0, INT_MAX, INT_MAX, 200}, {INT_MIN, 0, INT_MIN / 2, 100}, {-100, 100, 0, 100},
        // A position outside the range shows an empty or a full bar.
        {0, 100, 150, 200},         {0, 100, -50, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lower << ".." << c.upper << " at " << c.pos);
        m_bar.SetRange32(c.lower, c.upper);
        m_bar.SetPos(c.pos);
        EXPECT_EQ(c.bar, BarPixels());
    }
    // Steps held at the end of int instead of wrapping to a negative position.
    m_bar.SetRange32(0, INT_MAX);
    m_bar.SetPos(INT_MAX - 1);
    m_bar.SetStep(10);
    m_bar.StepIt();
    EXPECT_EQ(INT_MAX, m_bar.GetPos());
    m_bar.OffsetPos(INT_MAX);
    EXPECT_EQ(INT_MAX, m_bar.GetPos());
    EXPECT_EQ(200, BarPixels());
}

TEST_F(TextProgressTest, NoTextWhenHiddenVerticalOrRangeEmpty)
{
    m_bar.SetRange32(0, 100);
    m_bar.SetPos(50);
    m_bar.SetShowText(FALSE);
    EXPECT_EQ(0, RedPixels());
    m_bar.SetShowText(TRUE);
    m_bar.ModifyStyle(0, PBS_VERTICAL);
    EXPECT_EQ(0, RedPixels());
    m_bar.ModifyStyle(PBS_VERTICAL, 0);
    m_bar.SetRange32(10, 10);
    EXPECT_EQ(50, m_bar.SetPos(60)); // the range is empty: no division
    EXPECT_EQ(0, RedPixels());
}

TEST_F(TextProgressTest, RedrawsOnlyWhenTheBarWidthChanges)
{
    m_bar.SetRange32(0, 1000);
    m_bar.SetPos(500);
    const int redraws = m_bar.GetRedrawCount();
    m_bar.SetPos(501); // 100.2 pixels: still 100
    EXPECT_EQ(redraws, m_bar.GetRedrawCount());
    m_bar.SetPos(510);
    EXPECT_EQ(redraws + 1, m_bar.GetRedrawCount());
    EXPECT_EQ(510, m_bar.GetPos());
    EXPECT_EQ(510, m_bar.SetPos(0));
}

TEST_F(TextProgressTest, GetTextCopiesAtMostTheBufferLessOne)
{
    m_bar.SetWindowText("Loading");
    char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(4, ::SendMessageA(m_bar.m_hWnd, WM_GETTEXT, sizeof(buffer), reinterpret_cast<LPARAM>(buffer)));
    EXPECT_STREQ("Load", buffer);
    char big[32];
    EXPECT_EQ(7, ::SendMessageA(m_bar.m_hWnd, WM_GETTEXT, sizeof(big), reinterpret_cast<LPARAM>(big)));
    EXPECT_STREQ("Loading", big);
}

} // namespace
