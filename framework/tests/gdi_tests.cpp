#include "framework/gdi.h"

#include <gtest/gtest.h>

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kGreen = RGB(0, 255, 0);
const COLORREF kBlue = RGB(0, 0, 255);

// A 64x64 memory DC, filled white, compatible with the screen.
class MemoryDCTest : public testing::Test {
protected:
    void SetUp() override
    {
        CClientDC screen(nullptr);
        ASSERT_TRUE(m_dc.CreateCompatibleDC(&screen));
        ASSERT_TRUE(m_bitmap.CreateCompatibleBitmap(&screen, 64, 64));
        m_oldBitmap = m_dc.SelectObject(static_cast<HGDIOBJ>(m_bitmap.m_hObject));
        m_dc.FillSolidRect(0, 0, 64, 64, kWhite);
    }
    void TearDown() override
    {
        m_dc.SelectObject(m_oldBitmap);
        CGdiObject::DeleteTempMap();
        CDC::DeleteTempMap();
    }

    CDC m_dc;
    CBitmap m_bitmap;
    HGDIOBJ m_oldBitmap = nullptr;
};

TEST_F(MemoryDCTest, SolidFillsAndThreeDFramesCoverExactlyTheirPixels)
{
    m_dc.SetBkColor(RGB(1, 2, 3));
    m_dc.FillSolidRect(10, 10, 20, 20, kRed);
    m_dc.FillSolidRect(60, 0, -1, 5, kRed); // negative width: the column left of x
    m_dc.Draw3dRect(CRect(40, 40, 50, 50), kGreen, kBlue);
    EXPECT_EQ(RGB(1, 2, 3), m_dc.GetBkColor());

    const struct {
        int x, y;
        COLORREF expected;
    } probes[] = {
        {9, 10, kWhite},
        {10, 10, kRed},
        {29, 29, kRed},
        {30, 29, kWhite},
        {29, 30, kWhite},
        {59, 0, kRed},
        {59, 4, kRed},
        {60, 0, kWhite},
        {59, 5, kWhite},
        // 3D frame: top and left in the first colour, right and bottom
        // (with both of their corners) in the second.
        {40, 40, kGreen},
        {48, 40, kGreen},
        {49, 40, kBlue},
        {40, 48, kGreen},
        {40, 49, kBlue},
        {49, 49, kBlue},
        {45, 45, kWhite},
        {50, 45, kWhite},
        {45, 50, kWhite},
    };
    for (const auto& p : probes)
        EXPECT_EQ(p.expected, m_dc.GetPixel(p.x, p.y)) << "at " << p.x << "," << p.y;
}

// Selects obj, checks the DC hands back the object selected before, and
// puts it back, expecting obj in return.
template <class T> void CheckSelectRoundTrip(CDC& dc, T& obj, UINT type)
{
    HGDIOBJ before = GetCurrentObject(dc, type);
    T* old = dc.SelectObject(&obj);
    ASSERT_NE(nullptr, old);
    EXPECT_EQ(before, old->GetSafeHandle());
    EXPECT_TRUE(old->IsKindOf(obj.GetRuntimeClass()));
    EXPECT_EQ(obj.GetSafeHandle(), GetCurrentObject(dc, type));
    EXPECT_EQ(&obj, dc.SelectObject(old));
    EXPECT_EQ(before, GetCurrentObject(dc, type));
}

TEST_F(MemoryDCTest, SelectObjectHandsBackThePreviousObjectToRestore)
{
    CPen pen(PS_SOLID, 1, kRed);
    CBrush brush(kBlue);
    CFont font;
    ASSERT_TRUE(font.CreatePointFont(100, "Arial"));
    CheckSelectRoundTrip(m_dc, pen, OBJ_PEN);
    CheckSelectRoundTrip(m_dc, brush, OBJ_BRUSH);
    CheckSelectRoundTrip(m_dc, font, OBJ_FONT);

    // Selected objects are the ones drawing.
    CPen* oldPen = m_dc.SelectObject(&pen);
    CBrush* oldBrush = m_dc.SelectObject(&brush);
    m_dc.Rectangle(10, 10, 20, 20);
    EXPECT_EQ(kRed, m_dc.GetPixel(10, 10));
    EXPECT_EQ(kBlue, m_dc.GetPixel(15, 15));
    m_dc.SelectObject(oldPen);
    m_dc.SelectObject(oldBrush);

    CGdiObject* previous = m_dc.SelectStockObject(NULL_BRUSH);
    ASSERT_NE(nullptr, previous);
    EXPECT_EQ(GetStockObject(WHITE_BRUSH), previous->GetSafeHandle());
    m_dc.SelectObject(previous);
}

TEST(GdiObjectTest, WrappersNeverDeleteTheHandleAndOwnersDo)
{
    HPEN raw = CreatePen(PS_SOLID, 1, kRed);
    CPen* wrapper = CPen::FromHandle(raw);
    ASSERT_NE(nullptr, wrapper);
    EXPECT_TRUE(wrapper->IsKindOf(RUNTIME_CLASS(CPen)));
    EXPECT_EQ(wrapper, CGdiObject::FromHandle(raw));
    CGdiObject::DeleteTempMap();
    EXPECT_EQ(static_cast<DWORD>(OBJ_PEN), GetObjectType(raw));

    {
        CPen owner;
        ASSERT_TRUE(owner.Attach(raw));
        EXPECT_EQ(&owner, CPen::FromHandle(raw));
    }
    EXPECT_EQ(0u, GetObjectType(raw));

    HGDIOBJ kept = nullptr;
    {
        CBrush brush(kRed);
        kept = brush.Detach();
    }
    EXPECT_EQ(static_cast<DWORD>(OBJ_BRUSH), GetObjectType(kept));
    DeleteObject(kept);
}

TEST(FontTest, PointFontHeightFollowsTheDeviceResolution)
{
    CClientDC screen(nullptr);
    ASSERT_EQ(96, screen.GetDeviceCaps(LOGPIXELSY)) << "the test display runs at 96 dpi";
    CDC twips;
    ASSERT_TRUE(twips.CreateCompatibleDC(&screen));
    twips.SetMapMode(MM_TWIPS);

    // Tenths of a point become whole device pixels, then the DC's logical
    // units; the height asked for is the character height (negative).
    const struct {
        int tenths;
        CDC* dc;
        LONG height;
    } cases[] = {
        {120, nullptr, -16}, {120, &screen, -16}, {90, nullptr, -12},
        {80, nullptr, -11},  {120, &twips, -240}, {100, &twips, -195},
    };
    for (const auto& c : cases) {
        CFont font;
        ASSERT_TRUE(font.CreatePointFont(c.tenths, "Arial", c.dc));
        LOGFONT lf = {};
        ASSERT_EQ(static_cast<int>(sizeof(lf)), font.GetLogFont(&lf));
        EXPECT_EQ(c.height, lf.lfHeight) << c.tenths << " tenths";
        EXPECT_STREQ("Arial", lf.lfFaceName);
    }

    CFont font;
    ASSERT_TRUE(font.CreatePointFont(120, "Arial"));
    CFont* old = screen.SelectObject(&font);
    TEXTMETRIC tm = {};
    ASSERT_TRUE(screen.GetTextMetrics(&tm));
    EXPECT_EQ(16, tm.tmHeight - tm.tmInternalLeading);
    screen.SelectObject(old);
    CGdiObject::DeleteTempMap();
}

class MemDCTest : public MemoryDCTest, public testing::WithParamInterface<POINT> {};

TEST_P(MemDCTest, DrawingReachesTheTargetWhenTheMemoryDCEnds)
{
    // The target scrolled by a viewport origin: logical coordinates hold.
    m_dc.SetViewportOrg(GetParam());
    m_dc.FillSolidRect(-20, -20, 100, 100, kBlue);
    const CRect area(10, 10, 40, 40);
    {
        CMemDC mem(&m_dc, &area);
        ASSERT_TRUE(mem.IsMemDC());
        mem.FillSolidRect(20, 20, 10, 10, kRed);
        EXPECT_EQ(kBlue, m_dc.GetPixel(25, 25));
    }
    const struct {
        int x, y;
        COLORREF expected;
    } probes[] = {
        {20, 20, kRed},   {29, 29, kRed},   {30, 30, kWhite}, // the rest of the area: the background colour
        {10, 10, kWhite}, {39, 39, kWhite}, {9, 9, kBlue},    {40, 40, kBlue}, {40, 20, kBlue},
    };
    for (const auto& p : probes)
        EXPECT_EQ(p.expected, m_dc.GetPixel(p.x, p.y)) << "at " << p.x << "," << p.y;
}

INSTANTIATE_TEST_SUITE_P(ViewportOrigins, MemDCTest, testing::Values(POINT{0, 0}, POINT{5, 3}));

TEST(MemDCRecordingTest, AMetafileTargetIsDrawnOnDirectly)
{
    HDC meta = CreateEnhMetaFileA(nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, meta);
    CDC target;
    target.Attach(meta);
    const CRect area(0, 0, 20, 20);
    {
        CMemDC mem(&target, &area);
        EXPECT_FALSE(mem.IsMemDC());
        EXPECT_EQ(meta, mem.m_hDC);
        mem.FillSolidRect(0, 0, 5, 5, RGB(255, 0, 0));
    }
    target.Detach();
    HENHMETAFILE recorded = CloseEnhMetaFile(meta);
    ASSERT_NE(nullptr, recorded);
    // Drawing was recorded: more than the header and the end record.
    EXPECT_GT(GetEnhMetaFileBits(recorded, 0, nullptr), 200u);
    DeleteEnhMetaFile(recorded);
}

} // namespace
