#include "framework/gdiplus.h"

#include <gtest/gtest.h>

namespace {

// Draws a 2x2 GDI+ bitmap of one colour into a memory DC and reads the
// pixel back: what every picture the program shows relies on.
COLORREF DrawnPixel(Gdiplus::Color colour)
{
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, 4, 4);
    ::ReleaseDC(nullptr, screen);
    HGDIOBJ old = ::SelectObject(dc, target);
    COLORREF result = CLR_INVALID;
    {
        Gdiplus::Bitmap picture(2, 2, PixelFormat24bppRGB);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 2; ++x)
                picture.SetPixel(x, y, colour);
        Gdiplus::Graphics graphics(dc);
        if (graphics.DrawImage(&picture, 1, 1, 2, 2) == Gdiplus::Ok)
            result = ::GetPixel(dc, 1, 1);
    }
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    return result;
}

TEST(GdiplusSessionTest, SessionsNestAndTheLastOneShutsDown)
{
    ASSERT_FALSE(AfxIsGdiplusRunning());
    {
        CGdiplusSession outer;
        ASSERT_TRUE(outer.IsStarted());
        {
            CGdiplusSession inner;
            EXPECT_TRUE(inner.IsStarted());
        }
        // The inner session's end leaves GDI+ running for the outer one.
        EXPECT_TRUE(AfxIsGdiplusRunning());
        EXPECT_EQ(RGB(10, 120, 230), DrawnPixel(Gdiplus::Color(10, 120, 230)));
    }
    EXPECT_FALSE(AfxIsGdiplusRunning());
    // An unpaired shutdown changes nothing; GDI+ starts again afterwards.
    AfxGdiplusShutdown();
    CGdiplusSession again;
    EXPECT_TRUE(again.IsStarted());
}

TEST(GdiplusSessionTest, PathsWidenThroughTheProgramsCodePage)
{
    EXPECT_EQ(L"", AfxWidePath(nullptr));
    EXPECT_EQ(L"", AfxWidePath(""));
    EXPECT_EQ(L"C:\\Logo\\a.png", AfxWidePath("C:\\Logo\\a.png"));
    // In the ANSI code page 0x80 is the euro sign, not U+0080.
    wchar_t euro = 0;
    ::MultiByteToWideChar(CP_ACP, 0, "\x80", 1, &euro, 1);
    EXPECT_EQ(std::wstring(L"x") + euro, AfxWidePath("x\x80"));
}

} // namespace
