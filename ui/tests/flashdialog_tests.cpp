// The flash notice: shown over the wait on the virtual clock, sized to its
// text, hidden again.
#include "ui/flashdialog.h"

#include <gtest/gtest.h>

#include "testsupport/fake_clock.h"
#include "testsupport/test_window.h"
#include "ui/toolkit_resource.h"

namespace {

struct Seen {
    bool visible = false;
    std::string text;
    RECT rect{};
};

TEST(FlashDialog, ShowsItsTextForTheGivenTimeWhereItWasMovedAndGrowsWithALongText)
{
    FakeClock clock;
    CFlashDialog notice(nullptr, 60999, "Short notice"); // no such string: the fallback
    ASSERT_TRUE(notice.m_hWnd);
    EXPECT_FALSE(IsWindowVisible(notice.m_hWnd));
    Seen seen;
    clock.SetSleepHook([&](std::uint64_t) {
        seen.visible = IsWindowVisible(notice.m_hWnd) != FALSE;
        seen.text = WindowText(GetDlgItem(notice.m_hWnd, IDC_FLASH_TEXT));
        GetWindowRect(notice.m_hWnd, &seen.rect);
    });
    notice.MoveTo(POINT{40, 30});
    notice.Flash(2000);
    EXPECT_TRUE(seen.visible);
    EXPECT_EQ("Short notice", seen.text);
    EXPECT_EQ(40, seen.rect.left);
    EXPECT_EQ(30, seen.rect.top);
    EXPECT_EQ(2000u, clock.SleptMs());
    EXPECT_FALSE(IsWindowVisible(notice.m_hWnd));
    const int shortWidth = seen.rect.right - seen.rect.left;

    notice.Flash(500, "A much longer notice than the one it was made with, shown whole");
    EXPECT_EQ("A much longer notice than the one it was made with, shown whole", seen.text);
    EXPECT_GT(seen.rect.right - seen.rect.left, 2 * shortWidth);
    EXPECT_EQ(40, seen.rect.left);
    RECT label;
    GetWindowRect(GetDlgItem(notice.m_hWnd, IDC_FLASH_TEXT), &label);
    EXPECT_LE(seen.rect.left, label.left);
    EXPECT_GE(seen.rect.right, label.right);
    EXPECT_EQ(2500u, clock.SleptMs());

    // No text: the last one stays.
    notice.Flash(10);
    EXPECT_EQ("A much longer notice than the one it was made with, shown whole", seen.text);
}

} // namespace
