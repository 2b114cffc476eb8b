#include <gtest/gtest.h>

#include "testsupport/test_window.h"
#include "toolkit_test_support.h"
#include "ui/buttons.h"
#include "ui/labels.h"
#include "ui/listboxes.h"

namespace {

TEST(ColorButton, ContrastAndMargin)
{
    const struct {
        COLORREF face;
        int kind;
        COLORREF text;
    } cases[] = {
        {RGB(200, 100, 50), 0, RGB(0, 0, 0)},
        {RGB(200, 100, 50), 1, RGB(0, 255, 255)},
        {RGB(10, 20, 159), 0, RGB(255, 255, 255)},
        {RGB(160, 160, 160), 1, RGB(0, 0, 0)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text, CColorButton::ContrastColour(c.face, c.kind));

    const struct {
        int in;
        int out;
    } margins[] = {{-1, 0}, {11, 10}, {0, 0}, {10, 10}, {5, 5}};
    CColorButton button;
    for (const auto& m : margins) {
        button.SetColourMargin(m.in);
        EXPECT_EQ(m.out, button.m_nMargin);
    }
}

TEST(ColorButton, PaintsItsFaceAndContrastText)
{
    RecordingParent parent;
    CColorButton button;
    ASSERT_TRUE(button.Create("X", WS_CHILD | WS_VISIBLE, CRect(0, 0, 60, 30), &parent, 20));
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), button.GetStyle() & BS_TYPEMASK);
    button.m_clrFace = RGB(0, 0, 128);
    button.m_bAutoContrast = TRUE;
    button.m_bSystemFrame = FALSE;
    HDC hScreen = ::GetDC(nullptr);
    HDC hDC = ::CreateCompatibleDC(hScreen);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hScreen, 60, 30);
    HGDIOBJ hOld = ::SelectObject(hDC, hBitmap);
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = hDC;
    dis.rcItem = {0, 0, 60, 30};
    button.DrawItem(&dis);
    EXPECT_EQ(RGB(0, 0, 128), ::GetPixel(hDC, 5, 5));
    int white = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x)
            white += ::GetPixel(hDC, x, y) == RGB(255, 255, 255);
    EXPECT_GT(white, 0); // the "X" in white on the dark face
    ::SelectObject(hDC, hOld);
    ::DeleteObject(hBitmap);
    ::DeleteDC(hDC);
    ::ReleaseDC(nullptr, hScreen);
}

TEST(GraphicToggleButton, ClicksToggleAndTellTheParent)
{
    RecordingParent parent;
    CGraphicToggleButton button;
    ASSERT_TRUE(button.Create("T", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 40, 20), &parent, 21));
    for (int i = 0; i < 2; ++i) {
        button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    PumpFor(20);
    EXPECT_FALSE(button.IsDown());
    auto changes = parent.Messages(WM_TOGGLE_BUTTON_CHANGED);
    ASSERT_EQ(2u, changes.size());
    EXPECT_EQ(1u, changes[0].wParam);
    EXPECT_EQ(0u, changes[1].wParam);
    EXPECT_EQ(21, changes[0].lParam);
    button.SendMessage(WM_RBUTTONUP, 0, 0);
    auto right = parent.Messages(WM_TOGGLE_BUTTON_RCLICK);
    ASSERT_EQ(1u, right.size());
    EXPECT_EQ(21u, right[0].wParam);
}

TEST(BitmapButtons, DisabledImageIsInvertedGreyMixedWithTheFace)
{
    HDC hScreen = ::GetDC(nullptr);
    HBITMAP hSource = ::CreateCompatibleBitmap(hScreen, 2, 1);
    HDC hDC = ::CreateCompatibleDC(hScreen);
    HGDIOBJ hOld = ::SelectObject(hDC, hSource);
    ::SetPixel(hDC, 0, 0, RGB(255, 255, 255));
    ::SetPixel(hDC, 1, 0, RGB(30, 60, 90));
    ::SelectObject(hDC, hOld);
    HBITMAP hDisabled = MakeDisabledImage(hSource);
    ASSERT_NE(nullptr, hDisabled);
    hOld = ::SelectObject(hDC, hDisabled);
    const COLORREF face = ::GetSysColor(COLOR_BTNFACE);
    auto expected = [&](int r, int g, int b) {
        const int grey = ((255 - r) + (255 - g) + (255 - b)) / 3;
        return RGB(grey / 2 + GetRValue(face) / 2, grey / 2 + GetGValue(face) / 2, grey / 2 + GetBValue(face) / 2);
    };
    EXPECT_EQ(expected(255, 255, 255), ::GetPixel(hDC, 0, 0));
    EXPECT_EQ(expected(30, 60, 90), ::GetPixel(hDC, 1, 0));
    ::SelectObject(hDC, hOld);
    ::DeleteObject(hDisabled);
    ::DeleteObject(hSource);
    ::DeleteDC(hDC);
    ::ReleaseDC(nullptr, hScreen);
    EXPECT_EQ(nullptr, MakeDisabledImage(nullptr));
}

TEST(LED, ClickTellsTheParentAndTheFrameIsBounded)
{
    RecordingParent parent;
    CLED led;
    ASSERT_TRUE(led.Create(CRect(0, 0, 6, 6), &parent, 22));
    led.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, 0);
    auto clicks = parent.Messages(WM_LED_CLICKED);
    ASSERT_EQ(1u, clicks.size());
    EXPECT_EQ(0u, clicks[0].wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&led), clicks[0].lParam);

    led.m_nFrameWidth = 5;
    EXPECT_EQ(CRect(3, 3, 3, 3), led.GetLampRect(CRect(0, 0, 6, 6)));
    led.m_nFrameWidth = 1;
    EXPECT_EQ(CRect(1, 1, 5, 5), led.GetLampRect(CRect(0, 0, 6, 6)));
    led.SetState(1);
    EXPECT_EQ(1, led.GetState());
}

TEST(TextLED, FontLimits)
{
    CTextLED led;
    const struct {
        int in;
        int out;
    } heights[] = {{5, 8}, {8, 8}, {20, 20}}, weights[] = {{50, 100}, {1001, 1000}, {700, 700}};
    for (const auto& h : heights) {
        led.SetFontHeight(h.in);
        EXPECT_EQ(h.out, led.GetFontHeight());
    }
    for (const auto& w : weights) {
        led.SetFontWeight(w.in);
        EXPECT_EQ(w.out, led.GetFontWeight());
    }
    led.SetFontName(nullptr);
    EXPECT_STREQ("Courier", led.GetFontName());
    led.SetState(1);
    EXPECT_EQ(led.m_clrTextOn, led.GetTextColour());
}

TEST(MultiLineLabel, BreaksByWidthAndCount)
{
    auto measure = [](const CString& text) { return text.GetLength() * 10; };
    CStringArray lines;
    ASSERT_TRUE(CMultiLineLabel::BreakLines("abcdefg", 30, -1, measure, lines));
    ASSERT_EQ(3, lines.GetSize());
    EXPECT_STREQ("abc", lines[0]);
    EXPECT_STREQ("def", lines[1]);
    EXPECT_STREQ("g", lines[2]);
    ASSERT_TRUE(CMultiLineLabel::BreakLines("abcdefg", 30, 2, measure, lines));
    EXPECT_STREQ("ab", lines[0]);
    EXPECT_EQ(4, lines.GetSize());
    EXPECT_FALSE(CMultiLineLabel::BreakLines("abc", 5, -1, measure, lines)); // narrower than one character
    EXPECT_EQ(0, lines.GetSize());
}

TEST(AutosizeListBox, ResizesToItsItemsAndReportsChoices)
{
    RecordingParent parent;
    CAutosizeListBox list;
    ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | WS_BORDER | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY,
                            CRect(0, 0, 50, 200), &parent, 23));
    list.AddString("alpha");
    list.AddString("beta");
    list.AddString("a much longer entry");
    list.ResizeToItems(5);
    CRect client;
    list.GetClientRect(&client);
    EXPECT_EQ(3 * list.GetTopItemHeight(), client.Height());
    CSize widest;
    list.MeasureWidestItem(widest, FALSE);
    EXPECT_EQ(widest.cx, client.Width());
    list.ResizeToItems(2);
    list.GetClientRect(&client);
    EXPECT_EQ(2 * list.GetTopItemHeight(), client.Height());

    list.SetCurSel(1);
    list.SendMessage(WM_CHAR, VK_RETURN, 0);
    auto choices = parent.Messages(WM_AUTOSIZE_LIST_CHOICE);
    ASSERT_EQ(1u, choices.size());
    EXPECT_EQ(1u, choices[0].wParam);
    list.SendMessage(WM_CHAR, VK_ESCAPE, 0);
    EXPECT_EQ(LB_ERR, list.GetCurSel());
}

TEST(DScrollBar, StepTable)
{
    RecordingParent parent;
    const struct {
        double pos;
        void (*step)(CDScrollBar&);
        double expected;
    } cases[] = {
        {95, [](CDScrollBar& b) { b.LineForward(TRUE); }, 90},  {95, [](CDScrollBar& b) { b.LineForward(FALSE); }, 96},
        {50, [](CDScrollBar& b) { b.PageForward(TRUE); }, 60},  {85, [](CDScrollBar& b) { b.PageForward(TRUE); }, 90},
        {5, [](CDScrollBar& b) { b.PageBack(); }, 0},           {0.5, [](CDScrollBar& b) { b.LineBack(); }, 0},
        {40, [](CDScrollBar& b) { b.GoToEnd(TRUE); }, 90},      {40, [](CDScrollBar& b) { b.GoToEnd(FALSE); }, 100},
        {40, [](CDScrollBar& b) { b.GoToMin(); }, 0},           {40, [](CDScrollBar& b) { b.SetPos(40, FALSE); }, 40},
        {40, [](CDScrollBar& b) { b.SetPos(101, FALSE); }, 40}, {40, [](CDScrollBar& b) { b.SetIntPos(7); }, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        CDScrollBar bar;
        ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, CRect(0, 0, 200, 16), &parent, 24));
        bar.SetMax(100);
        bar.SetPage(10, FALSE);
        bar.SetPos(c.pos, FALSE);
        c.step(bar);
        EXPECT_DOUBLE_EQ(c.expected, bar.GetPos());
        bar.DestroyWindow();
    }
}

TEST(DScrollBar, RangeAndScale)
{
    RecordingParent parent;
    CDScrollBar bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE | SBS_HORZ, CRect(0, 0, 200, 16), &parent, 25));
    bar.SetMax(100);
    bar.SetPos(5, FALSE);
    bar.SetRange(CTRange<double>(10, 50), FALSE);
    EXPECT_DOUBLE_EQ(5, bar.GetMin());
    EXPECT_DOUBLE_EQ(50, bar.GetMax());
    bar.SetPage(20, FALSE);
    bar.SetRange(CTRange<double>(10, 20), TRUE);
    EXPECT_DOUBLE_EQ(25, bar.GetMax()); // position + page
    bar.SetPos(30, TRUE);
    EXPECT_DOUBLE_EQ(5, bar.GetPos()); // above the maximum: nothing
    bar.SetPos(20, TRUE);
    EXPECT_DOUBLE_EQ(40, bar.GetMax());

    bar.Reset();
    bar.SetScale(0.001);
    bar.SetMax(1.0);
    SCROLLINFO info = {sizeof(info), SIF_ALL};
    ASSERT_TRUE(bar.GetScrollInfo(&info));
    EXPECT_EQ(0, info.nMin);
    EXPECT_EQ(1000, info.nMax);
    bar.SetMax(1e12); // beyond the platform's range: left as it was
    ASSERT_TRUE(bar.GetScrollInfo(&info));
    EXPECT_EQ(1000, info.nMax);
}

} // namespace
