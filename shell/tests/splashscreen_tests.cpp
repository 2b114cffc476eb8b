#include "shell/splashscreen.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "picture_files.h"
#include "shell/visual_resource.h"
#include "testsupport/memory_log.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"
#include "ui/toolmessages.h"

namespace {

const COLORREF kBuiltInTopLeft = RGB(66, 100, 200); // the built-in splash bitmap's corner
const COLORREF kLogoFrame = RGB(0, 51, 102);       // the built-in logo PNG's corner

// Whether a control is shown (its own style: the splash window itself may
// not be on screen).
bool Shown(HWND dialog, int id)
{
    return (::GetWindowLongA(::GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Exists(const std::string& path)
{
    return !path.empty() && ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> ListLines(HWND list)
{
    std::vector<std::string> lines;
    const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        lines.push_back(text);
    }
    return lines;
}

class SplashScreenTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_gdiplus.IsStarted());
        m_app.m_strHelpFilePath = HelpPathOfThisProgram().c_str();
    }
    void TearDown() override { CWnd::DeleteTempMap(); }

    void Create(CSplashScreen& splash)
    {
        splash.SetImageFolder(m_programFolder.Path().c_str());
        ASSERT_TRUE(splash.Create());
        ASSERT_TRUE(splash.IsInitialised());
    }
    // The picture control drawn into a canvas of its size; the colour of
    // its top-left pixel.
    COLORREF PictureCorner(CSplashScreen& splash)
    {
        Canvas canvas(40, 40, RGB(255, 0, 255));
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = IDC_SPLASH_PICTURE;
        dis.hwndItem = splash.GetDlgItemHwnd(IDC_SPLASH_PICTURE);
        dis.hDC = canvas.Dc();
        dis.rcItem = {0, 0, 40, 40};
        splash.SendMessage(WM_DRAWITEM, IDC_SPLASH_PICTURE, reinterpret_cast<LPARAM>(&dis));
        return canvas.Pixel(0, 0);
    }
    static void Click(CSplashScreen& splash, int id)
    {
        splash.PostMessage(WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                           reinterpret_cast<LPARAM>(splash.GetDlgItemHwnd(id)));
    }

    CWinApp m_app{"Shell tests"};
    CGdiplusSession m_gdiplus;
    MemoryLog m_log{LOG_DESTROY_REQUESTS};
    ScratchFolder m_programFolder;
};

TEST_F(SplashScreenTest, ShowsTitleVersionAndBuiltInPictureWithTheButtonsHidden)
{
    CSplashScreen splash;
    Create(splash);
    EXPECT_EQ("VQ2 Splashscreen", WindowText(splash));
    EXPECT_EQ("2.3.0.41 RC2", WindowText(splash.GetDlgItemHwnd(IDC_SPLASH_VERSION)));
    for (int id : {IDOK, IDCANCEL, IDC_SPLASH_UNLOCK})
        EXPECT_FALSE(Shown(splash, id)) << id;
    EXPECT_EQ(static_cast<DWORD>(IDOK), LOWORD(splash.SendMessage(DM_GETDEFID)));
    EXPECT_TRUE(splash.HasPicture());
    EXPECT_TRUE(splash.GetTempPicturePath().IsEmpty());
    EXPECT_EQ(kBuiltInTopLeft, PictureCorner(splash)) << ColourText(PictureCorner(splash));

    splash.SetStatusText("Opening project");
    splash.SetStatusText("Connecting");
    EXPECT_EQ((std::vector<std::string>{"Opening project", "Connecting"}),
              ListLines(splash.GetDlgItemHwnd(IDC_SPLASH_STATUS)));
}

TEST_F(SplashScreenTest, StoredSplashFileOfTheFirstTableRowPresentIsShownAndItsPictureRemovedAfterwards)
{
    const COLORREF red = RGB(200, 0, 0);
    const COLORREF blue = RGB(0, 0, 200);
    const std::string png = LogoPngBytes();
    const struct {
        const char* what;
        std::vector<std::pair<const char*, std::string>> files;
        COLORREF corner;
        const char* tempExtension; // null: no temporary picture
    } cases[] = {
        {"bmp before png", {{"SplashFile.tebg", BitmapFileBytes(8, 8, red)}, {"SplashFile.tepg", png}}, red, ".bmp"},
        {"png alone", {{"SplashFile.tepg", png}}, kLogoFrame, ".png"},
        {"old bitmap first",
         {{"SplashFile.tebg", BitmapFileBytes(8, 8, red)}, {"SplashFile.teg", BitmapFileBytes(8, 8, blue)}},
         blue,
         ".oldbmp"},
        // The first file present is taken even when it holds no picture:
        // the built-in one shows.
        {"bad bmp before png", {{"SplashFile.tebg", "garbage"}, {"SplashFile.tepg", png}}, kBuiltInTopLeft, ".bmp"},
        {"other names only", {{"Splash.tebg", BitmapFileBytes(8, 8, red)}}, kBuiltInTopLeft, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder folder;
        for (const auto& file : c.files)
            ASSERT_TRUE(WriteWholeFile(folder / file.first, file.second));
        CSplashScreen splash;
        splash.SetImageFolder(folder.Path().c_str());
        ASSERT_TRUE(splash.Create());
        EXPECT_EQ(c.corner, PictureCorner(splash)) << ColourText(PictureCorner(splash));
        const std::string temp = static_cast<const char*>(splash.GetTempPicturePath());
        if (!c.tempExtension) {
            EXPECT_TRUE(temp.empty());
            continue;
        }
        ASSERT_GT(temp.size(), 4u);
        EXPECT_EQ(c.tempExtension, temp.substr(temp.rfind('.')));
        EXPECT_EQ(c.corner != kBuiltInTopLeft, Exists(temp));
        // Answered, so the destroy request closes it at once.
        Click(splash, IDOK);
        EXPECT_EQ(CSplashScreen::AnsweredOk, splash.WaitForUser());
        splash.SendMessage(WM_DESTROY_REQUEST);
        EXPECT_FALSE(::IsWindow(splash.m_hWnd));
        EXPECT_FALSE(Exists(temp)) << temp;
    }
}

TEST_F(SplashScreenTest, EachButtonAnswersTheWaitWithoutClosingTheWindow)
{
    const struct {
        int id;
        int result;
    } cases[] = {{IDOK, 1}, {IDCANCEL, 2}, {IDC_SPLASH_UNLOCK, 3}};
    CSplashScreen splash;
    Create(splash);
    for (const auto& c : cases) {
        Click(splash, c.id);
        EXPECT_EQ(c.result, splash.WaitForUser()) << c.id;
        EXPECT_TRUE(::IsWindow(splash.m_hWnd));
    }
    EXPECT_TRUE(Shown(splash, IDOK));
    EXPECT_TRUE(Shown(splash, IDCANCEL));
    EXPECT_FALSE(Shown(splash, IDC_SPLASH_UNLOCK));
}

TEST_F(SplashScreenTest, EnablingOkMakesItTheDefaultButtonDisablingMakesCancelIt)
{
    CSplashScreen splash;
    Create(splash);
    splash.EnableOkButton(FALSE);
    EXPECT_FALSE(::IsWindowEnabled(splash.GetDlgItemHwnd(IDOK)));
    EXPECT_EQ(static_cast<DWORD>(IDCANCEL), LOWORD(splash.SendMessage(DM_GETDEFID)));
    splash.EnableOkButton(TRUE);
    EXPECT_TRUE(::IsWindowEnabled(splash.GetDlgItemHwnd(IDOK)));
    EXPECT_EQ(static_cast<DWORD>(IDOK), LOWORD(splash.SendMessage(DM_GETDEFID)));
}

TEST_F(SplashScreenTest, DestroyRequestDuringTheWaitEndsItWithCancelThenCloses)
{
    CSplashScreen splash;
    Create(splash);
    splash.PostMessage(WM_DESTROY_REQUEST);
    EXPECT_EQ(CSplashScreen::AnsweredCancel, splash.WaitForUser());
    // The request came round again for whoever pumps next.
    EXPECT_TRUE(::IsWindow(splash.m_hWnd));
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(splash.m_hWnd); }, 2000));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"Splash Screen\""));
}

TEST_F(SplashScreenTest, WaitEndsWithCancelWhenTheWindowGoesOrTheThreadQuits)
{
    {
        CSplashScreen splash;
        Create(splash);
        static HWND s_victim;
        s_victim = splash.m_hWnd;
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR id, DWORD) {
            ::KillTimer(nullptr, id);
            ::DestroyWindow(s_victim);
        });
        ASSERT_NE(0u, timer);
        EXPECT_EQ(CSplashScreen::AnsweredCancel, splash.WaitForUser());
        EXPECT_FALSE(::IsWindow(s_victim));
    }
    {
        CSplashScreen splash;
        Create(splash);
        ::PostQuitMessage(7);
        EXPECT_EQ(CSplashScreen::AnsweredCancel, splash.WaitForUser());
        // The quit is passed on to the thread's own loop.
        MSG msg;
        ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(7u, msg.wParam);
    }
}

} // namespace
