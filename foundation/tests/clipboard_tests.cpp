#include "foundation/clipboard.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/gdi.h"
#include "testsupport/test_window.h"
#include "testsupport/scratch_folder.h"

namespace {

void Put16(std::string& s, size_t at, unsigned v)
{
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, size_t at, unsigned long v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A .bmp file: file header, 40-byte info header, colour table, bits.
std::string MakeBmp(int width, int height, int bitCount, const std::vector<COLORREF>& table, const std::string& bits)
{
    std::string s(14 + 40, '\0');
    s[0] = 'B';
    s[1] = 'M';
    Put32(s, 10, 14 + 40 + table.size() * 4);
    Put32(s, 14, 40);
    Put32(s, 18, static_cast<unsigned long>(width));
    Put32(s, 22, static_cast<unsigned long>(height));
    Put16(s, 26, 1);
    Put16(s, 28, static_cast<unsigned>(bitCount));
    Put32(s, 30, BI_RGB);
    Put32(s, 34, static_cast<unsigned long>(bits.size()));
    Put32(s, 46, static_cast<unsigned long>(table.size()));
    for (COLORREF c : table) {
        s += static_cast<char>(GetBValue(c));
        s += static_cast<char>(GetGValue(c));
        s += static_cast<char>(GetRValue(c));
        s += '\0';
    }
    s += bits;
    Put32(s, 2, static_cast<unsigned long>(s.size()));
    return s;
}

// 2 x 2, 8 bits per pixel, four colours; rows are bottom-up and padded to 4
// bytes: bottom row indices 0 1, top row 2 3.
std::string Bmp8()
{
    const std::vector<COLORREF> table = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 255)};
    return MakeBmp(2, 2, 8, table, std::string("\x00\x01\x00\x00\x02\x03\x00\x00", 8));
}

// 3 x 1, 24 bits per pixel: red, green, blue (stored blue, green, red).
std::string Bmp24()
{
    return MakeBmp(3, 1, 24, {}, std::string("\x00\x00\xFF\x00\xFF\x00\xFF\x00\x00\x00\x00\x00", 12));
}

COLORREF PixelOf(HBITMAP bitmap, int x, int y)
{
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(memory, bitmap);
    const COLORREF colour = GetPixel(memory, x, y);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return colour;
}

class BitmapFileTest : public testing::Test {
protected:
    std::string Save(const std::string& bytes)
    {
        const std::string path = m_folder / ("file" + std::to_string(m_count++) + ".bmp");
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    // Loading is refused and neither output is touched.
    void ExpectRefused(const std::string& bytes, const char* what)
    {
        CBitmap bitmap;
        CPalette palette;
        EXPECT_FALSE(LoadBitmapFile(Save(bytes).c_str(), bitmap, &palette)) << what;
        EXPECT_EQ(nullptr, bitmap.GetSafeHandle()) << what;
        EXPECT_EQ(nullptr, palette.GetSafeHandle()) << what;
    }

    ScratchFolder m_folder;
    int m_count = 0;
};

TEST_F(BitmapFileTest, EightBitFileLoadsWithItsPalette)
{
    CBitmap bitmap;
    CPalette palette;
    ASSERT_TRUE(LoadBitmapFile(Save(Bmp8()).c_str(), bitmap, &palette));
    BITMAP info;
    ASSERT_TRUE(bitmap.GetBitmap(&info));
    EXPECT_EQ(2, info.bmWidth);
    EXPECT_EQ(2, info.bmHeight);
    ASSERT_NE(nullptr, palette.GetSafeHandle());
    ASSERT_EQ(4, palette.GetEntryCount());
    PALETTEENTRY entries[4];
    ASSERT_EQ(4u, palette.GetPaletteEntries(0, 4, entries));
    EXPECT_EQ(0, entries[2].peRed);
    EXPECT_EQ(0, entries[2].peGreen);
    EXPECT_EQ(255, entries[2].peBlue);
    // Bottom-up rows: the top-left pixel is index 2 (blue).
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(bitmap, 0, 0));
    EXPECT_EQ(RGB(255, 255, 255), PixelOf(bitmap, 1, 0));
    EXPECT_EQ(RGB(255, 0, 0), PixelOf(bitmap, 0, 1));
    EXPECT_EQ(RGB(0, 255, 0), PixelOf(bitmap, 1, 1));
}

TEST_F(BitmapFileTest, TwentyFourBitFileLoadsWithoutAPalette)
{
    CBitmap bitmap;
    CPalette palette;
    ASSERT_TRUE(LoadBitmapFile(Save(Bmp24()).c_str(), bitmap, &palette));
    EXPECT_EQ(nullptr, palette.GetSafeHandle());
    BITMAP info;
    ASSERT_TRUE(bitmap.GetBitmap(&info));
    EXPECT_EQ(3, info.bmWidth);
    EXPECT_EQ(1, info.bmHeight);
    EXPECT_EQ(RGB(255, 0, 0), PixelOf(bitmap, 0, 0));
    EXPECT_EQ(RGB(0, 255, 0), PixelOf(bitmap, 1, 0));
    EXPECT_EQ(RGB(0, 0, 255), PixelOf(bitmap, 2, 0));

    CBitmap again;
    ASSERT_TRUE(LoadBitmapFile(Save(Bmp8()).c_str(), again, nullptr));
}

TEST_F(BitmapFileTest, MalformedFilesAreRefused)
{
    ExpectRefused("", "empty");
    ExpectRefused("BM", "shorter than the file header");
    std::string notBm = Bmp8();
    notBm[0] = 'X';
    ExpectRefused(notBm, "wrong type");

    const std::string good = Bmp8();
    ExpectRefused(good.substr(0, good.size() - 1), "truncated bits");
    ExpectRefused(good.substr(0, 14 + 20), "truncated header");
    ExpectRefused(good.substr(0, 14 + 40 + 6), "truncated colour table");

    std::string bigHeader = good;
    Put32(bigHeader, 14, 1000);
    ExpectRefused(bigHeader, "header larger than the file");
    std::string smallHeader = good;
    Put32(smallHeader, 14, 12);
    ExpectRefused(smallHeader, "core header");
    std::string manyColours = good;
    Put32(manyColours, 46, 200);
    ExpectRefused(manyColours, "colour table beyond the file");
    std::string tooManyColours = good;
    Put32(tooManyColours, 46, 300);
    ExpectRefused(tooManyColours, "more colours than 8 bits hold");
    std::string wide = good;
    Put32(wide, 18, 0x7FFFFFFF);
    ExpectRefused(wide, "rows longer than the file");
    std::string tall = Bmp24();
    Put32(tall, 22, 0x7FFFFFFF);
    ExpectRefused(tall, "more rows than the file");
    std::string depth = good;
    Put16(depth, 28, 7);
    ExpectRefused(depth, "odd bit count");
    std::string jpeg = good;
    Put32(jpeg, 30, BI_JPEG);
    ExpectRefused(jpeg, "compressed form not read");
    std::string noWidth = good;
    Put32(noWidth, 18, 0);
    ExpectRefused(noWidth, "zero width");

    CBitmap bitmap;
    EXPECT_FALSE(LoadBitmapFile((m_folder / "missing.bmp").c_str(), bitmap, nullptr));
}

TEST(BitmapBlockTest, LayoutOfTheColourTableAndBits)
{
    const std::string file = Bmp8();
    BitmapBlockLayout layout;
    ASSERT_TRUE(CheckBitmapBlock(reinterpret_cast<const BYTE*>(file.data()) + 14, file.size() - 14, layout));
    EXPECT_EQ(40u, layout.headerSize);
    EXPECT_EQ(4u, layout.colourCount);
    EXPECT_EQ(16u, layout.colourTableSize);
    EXPECT_EQ(56u, layout.bitsOffset);
    EXPECT_EQ(8u, layout.bitsSize);

    // Colours used 0 means the full table for the depth.
    std::string full = MakeBmp(1, 1, 1, {RGB(0, 0, 0), RGB(255, 255, 255)}, std::string(4, '\0'));
    Put32(full, 46, 0);
    ASSERT_TRUE(CheckBitmapBlock(reinterpret_cast<const BYTE*>(full.data()) + 14, full.size() - 14, layout));
    EXPECT_EQ(2u, layout.colourCount);
    EXPECT_EQ(48u, layout.bitsOffset);
    EXPECT_FALSE(CheckBitmapBlock(nullptr, 100, layout));
}

TEST(BitmapPaletteTest, UniqueColoursAndHalftone)
{
    PALETTEENTRY entries[256] = {};
    int count = 0;
    AddUniqueColour(entries, RGB(1, 2, 3), count);
    AddUniqueColour(entries, RGB(4, 5, 6), count);
    AddUniqueColour(entries, RGB(1, 2, 3), count);
    ASSERT_EQ(2, count);
    EXPECT_EQ(4, entries[1].peRed);
    EXPECT_EQ(6, entries[1].peBlue);
    EXPECT_EQ(0, entries[1].peFlags);

    HDC screen = GetDC(nullptr);
    HBITMAP deep = CreateCompatibleBitmap(screen, 4, 4);
    ReleaseDC(nullptr, screen);
    CPalette palette;
    EXPECT_TRUE(CreateBitmapPalette(deep, palette));
    EXPECT_GT(palette.GetEntryCount(), 16);
    DeleteObject(deep);
    EXPECT_FALSE(CreateBitmapPalette(nullptr, palette));
}

TEST(ClipboardTest, TextRoundTrip)
{
    TestWindow owner("clipboard owner");
    ClipboardAccess clipboard(owner);
    ASSERT_TRUE(clipboard.SetText("Print \"hello\"\r\nVR(1)=2"));
    CString text;
    ASSERT_TRUE(clipboard.GetText(text));
    EXPECT_STREQ("Print \"hello\"\r\nVR(1)=2", text);

    ASSERT_TRUE(clipboard.SetText(""));
    SIZE_T size = 0;
    ASSERT_TRUE(clipboard.GetTextSize(size));
    EXPECT_EQ(1u, size);
    ASSERT_TRUE(clipboard.GetText(text));
    EXPECT_STREQ("", text);
}

TEST(ClipboardTest, CopyBitmapPutsTheRectangle)
{
    TestWindow owner("clipboard owner");
    ClipboardAccess clipboard;
    clipboard.SetOwner(owner);
    EXPECT_EQ(static_cast<HWND>(owner), clipboard.GetOwner());

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP source = CreateCompatibleBitmap(screen, 20, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(memory, source);
    RECT all = {0, 0, 20, 20};
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    FillRect(memory, &all, green);
    DeleteObject(green);

    const RECT part = {5, 5, 15, 12};
    ASSERT_TRUE(clipboard.CopyBitmap(memory, part));
    SelectObject(memory, old);
    DeleteDC(memory);
    DeleteObject(source);

    ASSERT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_TRUE(OpenClipboard(owner));
    HBITMAP copied = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    const bool gotInfo = copied && GetObjectA(copied, sizeof info, &info);
    COLORREF colour = copied ? PixelOf(copied, 3, 3) : 0;
    CloseClipboard();
    ASSERT_TRUE(gotInfo);
    EXPECT_EQ(10, info.bmWidth);
    EXPECT_EQ(7, info.bmHeight);
    EXPECT_EQ(RGB(0, 255, 0), colour);
}

} // namespace
