#include "shell/mainbackgroundwnd.h"

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "framework/gdi.h"
#include "picture_files.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const COLORREF kLogoFrame = RGB(0, 51, 102); // the built-in logo's frame
const int kWidth = 320;
const int kHeight = 200;

class MainBackgroundTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_gdiplus.IsStarted()); }
    void TearDown() override { CWnd::DeleteTempMap(); }

    // The background as a child window with a client area of kWidth by
    // kHeight.
    void CreateChild(CMainBackgroundWnd& wnd)
    {
        ASSERT_TRUE(wnd.Create(AfxRegisterWndClass(0), "", WS_CHILD | WS_VISIBLE, CRect(0, 0, kWidth, kHeight),
                               CWnd::FromHandle(m_parent), 1));
    }
    // Gradient, then logo, into a canvas of the client's size.
    void Paint(CMainBackgroundWnd& wnd, Canvas& canvas)
    {
        CDC* dc = CDC::FromHandle(canvas.Dc());
        wnd.PaintBackground(dc);
        wnd.PaintLogo(dc);
        CDC::DeleteTempMap();
    }

    CGdiplusSession m_gdiplus;
    ScratchFolder m_programFolder; // holds no logo file unless a test puts one
    TestWindow m_parent{"background", WS_OVERLAPPEDWINDOW};
};

TEST_F(MainBackgroundTest, GradientCornersAndBuiltInLogoTenPixelsInFromBottomRight)
{
    CMainBackgroundWnd wnd(m_programFolder.Path().c_str());
    EXPECT_TRUE(wnd.IsLogoLoaded());
    ASSERT_TRUE(wnd.HasLogo()) << "error " << wnd.GetLastLogoError();
    EXPECT_EQ(0u, wnd.GetLastLogoError());
    EXPECT_TRUE(wnd.GetTempLogoPath().IsEmpty());
    const CSize logo = wnd.GetLogoSize();
    ASSERT_EQ(CSize(96, 40), logo);
    CreateChild(wnd);
    Canvas canvas(kWidth, kHeight, RGB(255, 0, 255));
    Paint(wnd, canvas);

    const struct {
        int x, y;
        COLORREF colour;
    } corners[] = {
        {0, 0, kBackgroundCorners[0]},
        {kWidth - 1, 0, kBackgroundCorners[1]},
        {0, kHeight - 1, kBackgroundCorners[2]},
        {kWidth - 1, kHeight - 1, kBackgroundCorners[3]},
    };
    EXPECT_EQ(RGB(202, 227, 253), kBackgroundCorners[0]);
    EXPECT_EQ(RGB(119, 144, 151), kBackgroundCorners[3]);
    for (const auto& c : corners) {
        const COLORREF got = canvas.Pixel(c.x, c.y);
        EXPECT_TRUE(Near(got, c.colour, 6)) << c.x << "," << c.y << " " << ColourText(got);
    }

    // The logo's corners sit 10 pixels in from the client's bottom right;
    // just outside it the gradient shows.
    const int right = kWidth - 10 - 1;
    const int bottom = kHeight - 10 - 1;
    const int left = kWidth - 10 - logo.cx;
    const int top = kHeight - 10 - logo.cy;
    const struct {
        int x, y;
        bool logo;
    } probes[] = {
        {right, bottom, true},     {left, top, true},       {right, top, true},      {left, bottom, true},
        {right + 1, bottom, false}, {right, bottom + 1, false}, {left - 1, top, false}, {left, top - 1, false},
    };
    for (const auto& p : probes) {
        const COLORREF got = canvas.Pixel(p.x, p.y);
        EXPECT_EQ(p.logo, got == kLogoFrame) << p.x << "," << p.y << " " << ColourText(got);
    }
    EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(right - 3, bottom - 3)); // inside the frame
}

TEST_F(MainBackgroundTest, FailedLoadsLeaveTheGradientOnlyAndTheirReason)
{
    ScratchFolder files;
    const std::string bad = files / "bad.tepg";
    ASSERT_TRUE(WriteWholeFile(bad, "not a picture"));
    const std::string empty = files / "empty.tepg";
    ASSERT_TRUE(WriteWholeFile(empty, ""));
    const std::string notPicture = files / "text.png";
    ASSERT_TRUE(WriteWholeFile(notPicture, "plain text, no picture"));

    CMainBackgroundWnd wnd(m_programFolder.Path().c_str());
    CreateChild(wnd);
    const struct {
        const char* what;
        std::function<BOOL()> load;
        DWORD error;
    } cases[] = {
        {"unreadable stored file", [&] { return wnd.LoadImageFromStoredFile(bad.c_str()); }, 11},
        {"empty stored file", [&] { return wnd.LoadImageFromStoredFile(empty.c_str()); }, 11},
        {"missing stored file", [&] { return wnd.LoadImageFromStoredFile((files / "none.tepg").c_str()); }, 11},
        {"missing picture file", [&] { return wnd.LoadImageFromFile((files / "none.png").c_str()); }, 10},
        {"missing resource", [&] { return wnd.LoadImageFromResource(4321); }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(wnd.LoadImageFromResource(1291)); // a logo to lose
        EXPECT_FALSE(c.load());
        EXPECT_EQ(c.error, wnd.GetLastLogoError());
        EXPECT_FALSE(wnd.HasLogo());
        Canvas canvas(kWidth, kHeight, RGB(255, 0, 255));
        Paint(wnd, canvas);
        const COLORREF where = canvas.Pixel(kWidth - 11, kHeight - 11);
        EXPECT_TRUE(Near(where, kBackgroundCorners[3], 8)) << ColourText(where);
    }
    // A file that exists but holds no picture: no logo either.
    EXPECT_FALSE(wnd.LoadImageFromFile(notPicture.c_str()));
    EXPECT_FALSE(wnd.HasLogo());
}

TEST_F(MainBackgroundTest, StoredLogoFileBesideTheProgramWinsAndItsPictureIsRemovedWithTheWindow)
{
    const std::string stored = m_programFolder / "BackgroundLogoFile.tepg";
    const struct {
        const char* what;
        std::string content;
        bool logo;
        DWORD error;
    } cases[] = {
        {"a picture", LogoPngBytes(), true, 0},
        // No fall-back to the built-in logo: the gradient shows alone.
        {"garbage", "\x89PNG but not really", false, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(WriteWholeFile(stored, c.content));
        std::string temp;
        {
            CMainBackgroundWnd wnd(m_programFolder.Path().c_str());
            EXPECT_EQ(c.logo, wnd.HasLogo() != FALSE);
            EXPECT_EQ(c.error, wnd.GetLastLogoError());
            temp = static_cast<const char*>(wnd.GetTempLogoPath());
            EXPECT_EQ(".png", temp.substr(temp.size() - 4));
            EXPECT_EQ(c.logo, ::GetFileAttributesA(temp.c_str()) != INVALID_FILE_ATTRIBUTES);
            CreateChild(wnd);
        }
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(temp.c_str())) << temp;
    }
}

TEST_F(MainBackgroundTest, TakesOverAnMdiClientAndErasesWithTheGradient)
{
    CMainBackgroundWnd wnd(m_programFolder.Path().c_str());
    CLIENTCREATESTRUCT ccs = {nullptr, 0xFF00};
    HWND client = ::CreateWindowExA(0, "MDICLIENT", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, kWidth, kHeight, m_parent,
                                    nullptr, ::GetModuleHandleA(nullptr), &ccs);
    ASSERT_TRUE(client);
    ASSERT_TRUE(wnd.SubclassWindow(client));
    CRect rc;
    wnd.GetClientRect(&rc);
    Canvas canvas(rc.Width(), rc.Height(), RGB(255, 0, 255));
    EXPECT_EQ(1, ::SendMessageA(client, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.Dc()), 0));
    EXPECT_TRUE(Near(canvas.Pixel(0, 0), kBackgroundCorners[0], 6)) << ColourText(canvas.Pixel(0, 0));
    EXPECT_TRUE(Near(canvas.Pixel(rc.Width() - 1, rc.Height() - 1), kBackgroundCorners[3], 6));
    EXPECT_FALSE(wnd.IsLogoLoaded());
    wnd.DestroyWindow();
}

} // namespace
