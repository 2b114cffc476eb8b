#include "foundation/winutil.h"

#include <vector>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework/wnd.h"

#include "testsupport/test_window.h"

namespace {

// Counts the private messages a window receives.
class CountingWindow {
public:
    CountingWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = &CountingWindow::Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "FoundationCountingWindow";
        RegisterClassA(&wc);
        m_hwnd =
            CreateWindowA("FoundationCountingWindow", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
        s_count = 0;
    }
    ~CountingWindow() { DestroyWindow(m_hwnd); }
    HWND Handle() const { return m_hwnd; }
    static int s_count;

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_APP + 1)
            ++s_count;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    HWND m_hwnd;
};
int CountingWindow::s_count = 0;

TEST(WinUtilTest, PumpingDispatchesWaitingMessagesOnly)
{
    CountingWindow window;
    ASSERT_NE(nullptr, window.Handle());
    PumpWaitingMessages();
    EXPECT_FALSE(PumpOneMessage());
    EXPECT_FALSE(PumpWaitingMessages());

    PostMessageA(window.Handle(), WM_APP + 1, 0, 0);
    PostMessageA(window.Handle(), WM_APP + 1, 0, 0);
    EXPECT_TRUE(PumpOneMessage());
    EXPECT_EQ(1, CountingWindow::s_count);
    EXPECT_TRUE(PumpWaitingMessages());
    EXPECT_EQ(2, CountingWindow::s_count);
}

TEST(WinUtilTest, PumpingLeavesTheQuitForTheMessageLoop)
{
    CountingWindow window;
    PostQuitMessage(3);
    PostMessageA(window.Handle(), WM_APP + 1, 0, 0);
    EXPECT_TRUE(PumpWaitingMessages()); // the window message, then the quit stops it
    EXPECT_EQ(1, CountingWindow::s_count);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(static_cast<UINT>(WM_QUIT), msg.message);
    EXPECT_EQ(3u, msg.wParam);
}

TEST(WinUtilTest, MainWindowHandleIsNullOnceTheWindowIsGone)
{
    EXPECT_EQ(nullptr, GetMainWindowHandle());
    CWinApp app("Main window test");
    CWnd frame;
    {
        TestWindow window("Main");
        frame.Attach(window);
        app.m_pMainWnd = &frame;
        EXPECT_EQ(window.Handle(), GetMainWindowHandle());
    }
    EXPECT_EQ(nullptr, GetMainWindowHandle());
    frame.Detach();
}

TEST(WinUtilTest, WindowTextAndComboHelpers)
{
    TestWindow frame("42abc");
    EXPECT_EQ(42, GetWindowInt(frame));
    EXPECT_EQ(0, GetWindowInt(nullptr));

    HWND combo = CreateWindowA("COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST, 0, 0, 100, 100, frame, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, combo);
    for (const char* item : {"9600", "19200", "38400", "19200"})
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(1, FindComboString(combo, "19200"));
    EXPECT_EQ(2, FindComboString(combo, "38400"));
    EXPECT_EQ(-1, FindComboString(combo, "1920"));
    EXPECT_EQ(-1, FindComboString(nullptr, "9600"));
}

TEST(WinUtilTest, Colours)
{
    EXPECT_EQ(RGB(0x8F, 0x40, 0x02), BlendColours(RGB(0xFF, 0x80, 0x02), RGB(0x21, 0x01, 0x03)));
    EXPECT_EQ(0x7F7F7F7Fu, BlendColours(0xFFFFFFFF, 0x01010101)); // no byte carries over
    EXPECT_EQ(RGB(40, 40, 40), GreyColour(RGB(30, 40, 50)));
    EXPECT_EQ(RGB(85, 85, 85), GreyColour(RGB(255, 0, 1)));
    EXPECT_EQ(RGB(0xF0, 0x0F, 0x00), InvertColour(RGB(0x0F, 0xF0, 0xFF)));
}

TEST(WinUtilTest, ReplaceImageColourChangesOnlyMatchingPixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 2;
    info.bmiHeader.biHeight = -2;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(nullptr, image);
    DWORD* pixels = static_cast<DWORD*>(bits);
    // Pixels are 0x00RRGGBB in a 32-bit DIB.
    pixels[0] = 0x00FF0000; // red
    pixels[1] = 0x0000FF00; // green
    pixels[2] = 0x00FF0000; // red
    pixels[3] = 0x000000FF; // blue
    GdiFlush();

    EXPECT_TRUE(ReplaceImageColour(image, RGB(255, 0, 0), RGB(1, 2, 3)));
    GdiFlush();
    EXPECT_EQ(0x00010203u, pixels[0]);
    EXPECT_EQ(0x0000FF00u, pixels[1]);
    EXPECT_EQ(0x00010203u, pixels[2]);
    EXPECT_EQ(0x000000FFu, pixels[3]);
    EXPECT_FALSE(ReplaceImageColour(nullptr, 0, 1));
    DeleteObject(image);
}

} // namespace
