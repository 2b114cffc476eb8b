#include "ui/fontpage.h"

#include <climits>
#include <stdexcept>

#include <gtest/gtest.h>

#include "toolkit_test_support.h"
#include "ui/toolkit_resource.h"

namespace {

// A page whose font comes from the test.
class TestFontPage : public CFontPage {
public:
    LOGFONTA m_stored = {};
    int m_saves = 0;
    LOGFONTA m_load = {};

protected:
    void LoadFont() override { m_logFont = m_load; }
    void SaveFont() override
    {
        m_stored = m_logFont;
        ++m_saves;
    }
};

TEST(FontPage, SizesStylesAndPixels)
{
    const struct {
        const char* text;
        int points;
    } sizes[] = {{"4", 8}, {"", 12}, {"abc", 12}, {"14", 14}, {"8", 8}};
    for (const auto& s : sizes)
        EXPECT_EQ(s.points, CFontPage::SizeFromText(s.text)) << s.text;
    const struct {
        int points;
        int resolution;
        int pixels;
    } pixels[] = {
        {12, 96, 16}, {9, 96, 12}, {11, 96, 14}, {-12, 96, -16},
        // Products beyond int are worked out whole and held at int's ends.
        {100000000, 96, 133333333}, {INT_MAX, 96, INT_MAX}, {INT_MAX, 72, INT_MAX}, {INT_MIN, 96, INT_MIN},
    };
    for (const auto& p : pixels)
        EXPECT_EQ(p.pixels, CFontPage::PointsToPixels(p.points, p.resolution)) << p.points << " at " << p.resolution;
    EXPECT_STREQ("Bold italic", CFontPage::StyleName(600, TRUE));
    EXPECT_STREQ("Italic", CFontPage::StyleName(549, TRUE));
    EXPECT_STREQ("Bold", CFontPage::StyleName(550, FALSE));
    EXPECT_STREQ("Regular", CFontPage::StyleName(400, FALSE));
}

TEST(FontPage, ShowsTheLoadedFontAndMarksChanges)
{
    RecordingParent host;
    TestFontPage page;
    page.m_load.lfHeight = 12;
    page.m_load.lfWeight = 600;
    page.m_load.lfItalic = TRUE;
    lstrcpyA(page.m_load.lfFaceName, "Arial");
    page.SetNotifyWindow(host.m_hWnd);
    ASSERT_TRUE(page.CreateAsChild(&host));
    EXPECT_EQ("Bold italic", std::string(page.m_styleBox.GetWindowTextString()));
    EXPECT_EQ("12", std::string(page.m_sizeBox.GetWindowTextString()));
    LOGFONTA sample = {};
    ASSERT_TRUE(::GetObjectA(page.m_sampleFont.m_hObject, sizeof(sample), &sample));
    EXPECT_EQ(CFontPage::PointsToPixels(12, page.m_nResolution), sample.lfHeight);
    EXPECT_EQ(reinterpret_cast<LRESULT>(page.m_sampleFont.m_hObject),
              ::SendDlgItemMessageA(page.m_hWnd, IDC_FONT_SAMPLE, WM_GETFONT, 0, 0));

    // The user picks 4 points (too small) and Regular, and ticks Underline.
    page.m_sizeBox.SetWindowText("4");
    page.m_styleBox.SetCurSel(page.m_styleBox.FindStringExact(-1, "Regular"));
    page.m_styleBox.SetWindowText("Regular");
    page.m_underlineBox.SetCheck(BST_CHECKED);
    page.SendMessage(WM_COMMAND, MAKEWPARAM(IDC_FONT_UNDERLINE, BN_CLICKED),
                     reinterpret_cast<LPARAM>(page.m_underlineBox.m_hWnd));
    EXPECT_TRUE(page.m_bModified);
    PumpFor(20);
    EXPECT_EQ(1u, host.Messages(WM_OPTION_PAGE_MODIFIED).size());
    EXPECT_TRUE(page.OnApply());
    EXPECT_EQ(1, page.m_saves);
    EXPECT_EQ(8, page.m_stored.lfHeight);
    EXPECT_EQ(FW_NORMAL, page.m_stored.lfWeight);
    EXPECT_FALSE(page.m_stored.lfItalic);
    EXPECT_TRUE(page.m_stored.lfUnderline);
    EXPECT_FALSE(page.m_bModified);
    page.DestroyWindow();
}

// A page whose face listing fails at the first face.
class ThrowingFontPage : public TestFontPage {
public:
    int m_faces = 0;

protected:
    void AddFontFace(const LOGFONTA&) override
    {
        ++m_faces;
        throw std::runtime_error("no room for a face");
    }
};

TEST(FontPage, AFailingFaceEndsTheListingButNotThePage)
{
    RecordingParent host;
    ThrowingFontPage page;
    page.m_load.lfHeight = 12;
    lstrcpyA(page.m_load.lfFaceName, "Arial");
    ASSERT_TRUE(page.CreateAsChild(&host));
    // The failure stayed inside the listing's callback: the listing ended
    // at the first face and the rest of the page was set up.
    EXPECT_EQ(1, page.m_faces);
    EXPECT_EQ(0, page.m_faceBox.GetCount());
    EXPECT_EQ(15, page.m_sizeBox.GetCount());
    EXPECT_EQ(4, page.m_styleBox.GetCount());
    page.DestroyWindow();
}

TEST(SystemTime, FormatsTheTimeStamp)
{
    CSystemTime time;
    time.m_time = {2024, 3, 2, 5, 7, 8, 9, 45};
    CString text;
    time.Format(text);
    EXPECT_STREQ("05-Mar-2024 @ 07:08:09.045", text);
}

} // namespace
