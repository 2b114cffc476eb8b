#include "ui/progress.h"

#include <atomic>
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
        m_hGauge = m_thread->GetGauge()->m_hWnd;
        m_thread->SetNotifyWindow(m_notify.m_hWnd);
    }
    void TearDown() override
    {
        if (m_hGauge && ::IsWindow(m_hGauge))
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
    // Paints the control into a memory bitmap; the number of red pixels.
    int RedPixels()
    {
        HDC hScreen = ::GetDC(nullptr);
        CDC dc;
        dc.Attach(::CreateCompatibleDC(hScreen));
        HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 200, 24);
        HGDIOBJ hOld = ::SelectObject(dc.m_hDC, hBitmap);
        m_bar.Draw(&dc);
        int red = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 200; ++x)
                red += dc.GetPixel(x, y) == RGB(255, 0, 0);
        ::SelectObject(dc.m_hDC, hOld);
        ::DeleteObject(hBitmap);
        ::DeleteDC(dc.Detach());
        ::ReleaseDC(nullptr, hScreen);
        return red;
    }
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
    HDC hScreen = ::GetDC(nullptr);
    CDC dc;
    dc.Attach(::CreateCompatibleDC(hScreen));
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 200, 24);
    HGDIOBJ hOld = ::SelectObject(dc.m_hDC, hBitmap);
    m_bar.Draw(&dc);
    EXPECT_EQ(RGB(0, 0, 255), dc.GetPixel(2, 1));
    EXPECT_EQ(RGB(255, 255, 255), dc.GetPixel(197, 1));
    ::SelectObject(dc.m_hDC, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(dc.Detach());
    ::ReleaseDC(nullptr, hScreen);
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
