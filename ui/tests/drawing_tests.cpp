// How the bitmap buttons, the wrapping label and the right-click list box
// look and behave: each control draws into an off-screen bitmap and the
// result is read back pixel by pixel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "testsupport/test_window.h"
#include "toolkit_test_support.h"
#include "ui/buttons.h"
#include "ui/labels.h"
#include "ui/listboxes.h"

namespace {

const COLORREF kBody = RGB(0, 160, 0);     // the normal image
const COLORREF kAlt = RGB(0, 0, 200);      // a second image (pushed or disabled)
const COLORREF kOwnGrey = RGB(200, 0, 0);  // a button's own disabled image
const COLORREF kCorner = RGB(255, 0, 255); // top-left pixel of every image
const COLORREF kPaper = RGB(1, 2, 3);      // what the canvas holds before drawing

COLORREF Face()
{
    return ::GetSysColor(COLOR_BTNFACE);
}

// The generated disabled look of one colour: inverted, grey, then half
// and half with the button face.
COLORREF DisabledLook(COLORREF c)
{
    const int grey = ((255 - GetRValue(c)) + (255 - GetGValue(c)) + (255 - GetBValue(c))) / 3;
    const COLORREF face = Face();
    return RGB(grey / 2 + GetRValue(face) / 2, grey / 2 + GetGValue(face) / 2, grey / 2 + GetBValue(face) / 2);
}

// A font without smoothing, so that drawn text keeps its exact colour.
HFONT PlainFont()
{
    static HFONT font =
        ::CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                      CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    return font;
}

// A memory device context holding a screen-compatible bitmap, with the
// plain font selected (the buttons draw in the font they are given).
class Canvas {
public:
    Canvas(int width, int height, COLORREF fill = kPaper) : m_width(width), m_height(height)
    {
        HDC hScreen = ::GetDC(nullptr);
        m_dc = ::CreateCompatibleDC(hScreen);
        m_bitmap = ::CreateCompatibleBitmap(hScreen, width, height);
        ::ReleaseDC(nullptr, hScreen);
        m_old = ::SelectObject(m_dc, m_bitmap);
        m_oldFont = ::SelectObject(m_dc, PlainFont());
        Fill(fill);
    }
    ~Canvas()
    {
        ::SelectObject(m_dc, m_oldFont);
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    void Fill(COLORREF colour)
    {
        HBRUSH brush = ::CreateSolidBrush(colour);
        RECT all = {0, 0, m_width, m_height};
        ::FillRect(m_dc, &all, brush);
        ::DeleteObject(brush);
    }
    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    COLORREF At(int x, int y) const { return ::GetPixel(m_dc, x, y); }

    // The smallest rectangle holding every pixel that passes; empty when none.
    CRect Bounds(const std::function<bool(int, int)>& pass) const
    {
        CRect box(m_width, m_height, 0, 0);
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (pass(x, y)) {
                    box.left = std::min<int>(box.left, x);
                    box.top = std::min<int>(box.top, y);
                    box.right = std::max<int>(box.right, x + 1);
                    box.bottom = std::max<int>(box.bottom, y + 1);
                }
        return box.IsRectEmpty() ? CRect() : box;
    }
    CRect BoundsOf(COLORREF colour) const
    {
        return Bounds([&](int x, int y) { return At(x, y) == colour; });
    }
    // Every pixel that differs from the same pixel of another canvas.
    std::vector<POINT> Differences(const Canvas& other) const
    {
        std::vector<POINT> points;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x)
                if (At(x, y) != other.At(x, y))
                    points.push_back({x, y});
        return points;
    }

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    HGDIOBJ m_oldFont = nullptr;
};

CRect BoundsOf(const std::vector<POINT>& points)
{
    if (points.empty())
        return CRect();
    CRect box(points[0].x, points[0].y, points[0].x + 1, points[0].y + 1);
    for (const POINT& p : points) {
        box.left = std::min<int>(box.left, p.x);
        box.top = std::min<int>(box.top, p.y);
        box.right = std::max<int>(box.right, p.x + 1);
        box.bottom = std::max<int>(box.bottom, p.y + 1);
    }
    return box;
}

std::string Describe(const CRect& r)
{
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

// An image of one colour whose top-left pixel is another; deleted with the
// object (the buttons only borrow their images).
class Image {
public:
    Image(int width, int height, COLORREF body, COLORREF corner = kCorner)
    {
        Canvas canvas(width, height, body);
        ::SetPixel(canvas.Dc(), 0, 0, corner);
        HDC hScreen = ::GetDC(nullptr);
        m_bitmap = ::CreateCompatibleBitmap(hScreen, width, height);
        ::ReleaseDC(nullptr, hScreen);
        HDC hDC = ::CreateCompatibleDC(canvas.Dc());
        HGDIOBJ old = ::SelectObject(hDC, m_bitmap);
        ::BitBlt(hDC, 0, 0, width, height, canvas.Dc(), 0, 0, SRCCOPY);
        ::SelectObject(hDC, old);
        ::DeleteDC(hDC);
    }
    ~Image() { ::DeleteObject(m_bitmap); }
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    operator HBITMAP() const { return m_bitmap; }

private:
    HBITMAP m_bitmap = nullptr;
};

// Has an owner-drawn button draw itself, whole, onto the canvas.
void Paint(CButton& button, Canvas& canvas)
{
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_BUTTON;
    dis.CtlID = static_cast<UINT>(button.GetDlgCtrlID());
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hwndItem = button.m_hWnd;
    dis.hDC = canvas.Dc();
    dis.rcItem = {0, 0, canvas.Width(), canvas.Height()};
    button.DrawItem(&dis);
}

// The pixels a button's caption adds: the button drawn with and without it.
std::vector<POINT> CaptionPixels(CButton& button, const char* caption, int width, int height)
{
    Canvas without(width, height), with(width, height);
    button.SetWindowText("");
    Paint(button, without);
    button.SetWindowText(caption);
    Paint(button, with);
    return with.Differences(without);
}

CSize TextSize(const char* text, HFONT font = nullptr)
{
    Canvas canvas(1, 1);
    HGDIOBJ old = font ? ::SelectObject(canvas.Dc(), font) : nullptr;
    SIZE size = {};
    ::GetTextExtentPoint32A(canvas.Dc(), text, static_cast<int>(std::strlen(text)), &size);
    if (old)
        ::SelectObject(canvas.Dc(), old);
    return size;
}

// --- CBaTButton -----------------------------------------------------------------

TEST(BaTButtonDrawing, ImageSitsOnItsSideAndByTheVerticalAlignment)
{
    const int W = 120, H = 60, IW = 12, IH = 8;
    const struct {
        BOOL imageLeft;
        DWORD style;
        BOOL pushed;
        int x;
        int y;
    } cases[] = {
        {TRUE, 0, FALSE, 5, (H - IH) / 2},
        {FALSE, 0, FALSE, W - 5 - IW, (H - IH) / 2},
        {TRUE, BS_TOP, FALSE, 5, 7},
        {TRUE, BS_BOTTOM, FALSE, 5, H - 7 - IH},
        {TRUE, BS_VCENTER, FALSE, 5, (H - IH) / 2}, // both bits: centred
        {FALSE, BS_TOP, TRUE, W - 5 - IW + 1, 7 + 1},
        {TRUE, BS_BOTTOM, TRUE, 5 + 1, H - 7 - IH + 1},
    };
    RecordingParent parent;
    Image image(IW, IH, kBody);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "left " << c.imageLeft << " style " << c.style << " pushed " << c.pushed);
        CBaTButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | c.style, CRect(0, 0, W, H), &parent, 30));
        button.SetBitmap(image);
        button.m_bImageLeft = c.imageLeft;
        button.m_nImageMargin = 5;
        button.m_nVerticalMargin = 7;
        button.SetState(c.pushed);
        Canvas canvas(W, H);
        Paint(button, canvas);
        EXPECT_EQ(Describe(CRect(c.x, c.y, c.x + IW, c.y + IH)), Describe(canvas.BoundsOf(kBody)));
        // The image's top-left colour is see-through: the face shows there.
        EXPECT_EQ(Face(), canvas.At(c.x, c.y));
        button.DestroyWindow();
    }
}

TEST(BaTButtonDrawing, CaptionSitsBesideTheImageByTheAlignment)
{
    const int W = 120, H = 60, IW = 10, IH = 10;
    // Margins all different, so a swapped one shows.
    const int imageMargin = 5, vertical = 9, imageSide = 6, otherSide = 3;
    enum Side { None, Left, Right };
    const struct {
        Side image;
        DWORD style;
        BOOL pushed;
    } cases[] = {
        {None, BS_LEFT | BS_TOP, FALSE},       {None, BS_RIGHT | BS_BOTTOM, FALSE},  {None, 0, FALSE},
        {None, BS_CENTER | BS_VCENTER, FALSE}, {Left, BS_LEFT | BS_TOP, FALSE},      {Right, BS_LEFT | BS_TOP, FALSE},
        {Left, BS_RIGHT | BS_BOTTOM, FALSE},   {Right, BS_RIGHT | BS_BOTTOM, FALSE}, {None, BS_LEFT | BS_TOP, TRUE},
    };
    const char* caption = "Hi";
    const CSize text = TextSize(caption);
    RecordingParent parent;
    Image image(IW, IH, kBody);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "image " << c.image << " style " << c.style << " pushed " << c.pushed);
        CBaTButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | c.style, CRect(0, 0, W, H), &parent, 31));
        if (c.image != None)
            button.SetBitmap(image);
        button.m_bImageLeft = c.image != Right;
        button.m_nImageMargin = imageMargin;
        button.m_nVerticalMargin = vertical;
        button.m_nTextMarginImageSide = imageSide;
        button.m_nTextMarginOtherSide = otherSide;
        button.SetState(c.pushed);

        CRect area(2, 2 + vertical, W - 2, H - 2 - vertical);
        if (c.image == Left)
            area = CRect(imageMargin + IW + imageSide, vertical, W - otherSide, H - vertical);
        else if (c.image == Right)
            area = CRect(otherSide, vertical, W - imageMargin - IW - imageSide, H - vertical);
        const DWORD h = c.style & BS_CENTER, v = c.style & BS_VCENTER;
        const int x = h == BS_LEFT ? area.left
                                   : (h == BS_RIGHT ? area.right - text.cx : area.left + (area.Width() - text.cx) / 2);
        const int y = v == BS_TOP ? area.top
                                  : (v == BS_BOTTOM ? area.bottom - text.cy : area.top + (area.Height() - text.cy) / 2);
        CRect cell(x, y, x + text.cx, y + text.cy);
        cell.OffsetRect(c.pushed, c.pushed);
        cell.InflateRect(1, 1);

        const CRect ink = BoundsOf(CaptionPixels(button, caption, W, H));
        ASSERT_FALSE(ink.IsRectEmpty());
        CRect inside;
        inside.IntersectRect(&ink, &cell);
        EXPECT_EQ(Describe(ink), Describe(inside)) << "expected within " << Describe(cell);
        button.DestroyWindow();
    }
}

TEST(BaTButtonDrawing, DisabledShowsTheAlternativeOrTheGeneratedImage)
{
    const int W = 80, H = 40, IW = 12, IH = 8;
    const int x = 4, y = (H - IH) / 2;
    const struct {
        BOOL enabled;
        BOOL alt;
        COLORREF image;
        COLORREF text;
    } cases[] = {
        {TRUE, FALSE, kBody, ::GetSysColor(COLOR_BTNTEXT)},
        {TRUE, TRUE, kBody, ::GetSysColor(COLOR_BTNTEXT)},
        {FALSE, FALSE, DisabledLook(kBody), ::GetSysColor(COLOR_GRAYTEXT)},
        {FALSE, TRUE, kAlt, ::GetSysColor(COLOR_GRAYTEXT)},
    };
    RecordingParent parent;
    Image image(IW, IH, kBody), alt(IW, IH, kAlt);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "enabled " << c.enabled << " alternative " << c.alt);
        CBaTButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, W, H), &parent, 32));
        button.SetBitmap(image);
        if (c.alt)
            button.SetAltBitmap(alt);
        button.EnableWindow(c.enabled);
        Canvas canvas(W, H);
        Paint(button, canvas);
        EXPECT_EQ(Describe(CRect(x, y, x + IW, y + IH)), Describe(canvas.BoundsOf(c.image)));
        EXPECT_EQ(Face(), canvas.At(x, y));

        const std::vector<POINT> ink = CaptionPixels(button, "Go", W, H);
        ASSERT_FALSE(ink.empty());
        Canvas drawn(W, H);
        Paint(button, drawn);
        for (const POINT& p : ink)
            ASSERT_EQ(c.text, drawn.At(p.x, p.y)) << "at " << p.x << "," << p.y;
        button.DestroyWindow();
    }
}

TEST(BaTButtonDrawing, DisabledWithoutAnyGreyImageDrawsTheImageGreyed)
{
    RecordingParent parent;
    // A white top-left pixel, as a greyed drawing keeps white see-through.
    Image image(12, 8, kBody, RGB(255, 255, 255));
    CBaTButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 80, 40), &parent, 33));
    button.m_hBitmap = image; // no generated disabled image
    button.EnableWindow(FALSE);
    Canvas canvas(80, 40);
    Paint(button, canvas);
    EXPECT_TRUE(canvas.BoundsOf(kBody).IsRectEmpty());
    // The image's shape in the shadow colour where the image goes.
    const CRect where(4, 16, 16, 24);
    const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
    const CRect marks =
        canvas.Bounds([&](int x, int y) { return where.PtInRect(CPoint(x, y)) && canvas.At(x, y) == shadow; });
    EXPECT_FALSE(marks.IsRectEmpty());
}

TEST(BitmapButtonDrawing, FocusRectangleIsInsetByAQuarterClampedToOneToThree)
{
    const struct {
        int width;
        int height;
        int dx;
        int dy;
    } cases[] = {
        {80, 40, 3, 3},
        {10, 40, 2, 3},
        {80, 6, 3, 1},
        {6, 5, 1, 1},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height);
        CBaTButton button;
        ASSERT_TRUE(
            button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, c.width, c.height), &parent, 34));
        Canvas plain(c.width, c.height), focused(c.width, c.height);
        Paint(button, plain);
        button.SendMessage(WM_SETFOCUS, 0, 0);
        ASSERT_TRUE(button.GetState() & BST_FOCUS);
        Paint(button, focused);
        const CRect expected(c.dx, c.dy, c.width - c.dx, c.height - c.dy);
        EXPECT_EQ(Describe(expected), Describe(BoundsOf(focused.Differences(plain))));
        button.SendMessage(WM_KILLFOCUS, 0, 0);
        button.DestroyWindow();
    }
}

// --- CGraphicButton -------------------------------------------------------------

TEST(GraphicButtonDrawing, ImageByPushedAndEnabledState)
{
    const int W = 60, H = 30, IW = 12, IH = 8;
    const struct {
        BOOL alt;
        BOOL own;
        BOOL pushed;
        BOOL enabled;
        COLORREF image;
    } cases[] = {
        {FALSE, FALSE, FALSE, TRUE, kBody},  {TRUE, FALSE, FALSE, TRUE, kBody},
        {TRUE, FALSE, TRUE, TRUE, kAlt},     {FALSE, FALSE, TRUE, TRUE, kBody},
        {FALSE, TRUE, FALSE, TRUE, kBody},   {FALSE, TRUE, FALSE, FALSE, kOwnGrey},
        {TRUE, TRUE, TRUE, FALSE, kOwnGrey}, {FALSE, FALSE, FALSE, FALSE, DisabledLook(kBody)},
    };
    RecordingParent parent;
    Image image(IW, IH, kBody), alt(IW, IH, kAlt), own(IW, IH, kOwnGrey);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "alt " << c.alt << " own grey " << c.own << " pushed " << c.pushed
                                        << " enabled " << c.enabled);
        CGraphicButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, W, H), &parent, 40));
        button.SetBitmap(image);
        if (c.alt)
            button.SetAltBitmap(alt);
        if (c.own)
            button.SetDisabledBitmap(own);
        button.SetState(c.pushed);
        button.EnableWindow(c.enabled);
        Canvas canvas(W, H);
        Paint(button, canvas);
        const int x = 4 + c.pushed, y = (H - IH) / 2 + c.pushed;
        EXPECT_EQ(Describe(CRect(x, y, x + IW, y + IH)), Describe(canvas.BoundsOf(c.image)));
        button.DestroyWindow();
    }
}

TEST(GraphicButtonDrawing, TransparentColourFromTheCornerOrAsStored)
{
    const int W = 60, H = 30, IW = 12, IH = 8;
    const int x = 4, y = (H - IH) / 2;
    const struct {
        BOOL corner;
        COLORREF stored;
        COLORREF atCorner;
        BOOL bodyShows;
    } cases[] = {
        {TRUE, kBody, Face(), TRUE},
        {FALSE, kBody, kCorner, FALSE},
        {FALSE, RGB(9, 9, 9), kCorner, TRUE},
    };
    RecordingParent parent;
    Image image(IW, IH, kBody);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "corner " << c.corner);
        CGraphicButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, W, H), &parent, 41));
        button.SetBitmap(image);
        button.m_bCornerTransparent = c.corner;
        button.m_clrTransparent = c.stored;
        Canvas canvas(W, H);
        Paint(button, canvas);
        EXPECT_EQ(c.atCorner, canvas.At(x, y));
        EXPECT_EQ(c.bodyShows, !canvas.BoundsOf(kBody).IsRectEmpty());
        button.DestroyWindow();
    }
}

TEST(GraphicButtonDrawing, FlatStyleLeavesOutTheFrame)
{
    enum How { ByCreate, ByCreateEx, BySubclass };
    const struct {
        How how;
        DWORD style;
        BOOL framed;
    } cases[] = {
        {ByCreate, 0, TRUE},          {ByCreate, BS_FLAT, FALSE}, {ByCreateEx, 0, TRUE},
        {ByCreateEx, BS_FLAT, FALSE}, {BySubclass, 0, TRUE},      {BySubclass, BS_FLAT, FALSE},
    };
    RecordingParent parent;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "how " << c.how << " style " << c.style);
        const DWORD style = WS_CHILD | WS_VISIBLE | BS_OWNERDRAW | c.style;
        const CRect rect(0, 0, 40, 20);
        CGraphicButton button;
        if (c.how == ByCreate) {
            ASSERT_TRUE(button.Create("", style, rect, &parent, 42));
        } else if (c.how == ByCreateEx) {
            ASSERT_TRUE(button.CreateEx(0, "BUTTON", "", style, rect, &parent, 42));
        } else {
            HWND plain = ::CreateWindowExA(0, "BUTTON", "", style, 0, 0, 40, 20, parent.m_hWnd,
                                           reinterpret_cast<HMENU>(42), nullptr, nullptr);
            ASSERT_NE(nullptr, plain);
            ASSERT_TRUE(button.SubclassWindow(plain));
        }
        Canvas canvas(40, 20);
        Paint(button, canvas);
        EXPECT_EQ(c.framed, canvas.At(0, 0) != kPaper);
        EXPECT_EQ(c.framed, canvas.At(39, 19) != kPaper);
        button.DestroyWindow();
    }
}

TEST(GraphicButtonDrawing, TextOnlyWithoutAnImageAndTheAltTextWhilePushed)
{
    const int W = 120, H = 30;
    const struct {
        BOOL image;
        const char* altText;
        BOOL pushed;
        const char* shown; // null: no text at all
    } cases[] = {
        {FALSE, "", FALSE, "W"},           {FALSE, "", TRUE, "W"},     {FALSE, "WWWWWW", FALSE, "W"},
        {FALSE, "WWWWWW", TRUE, "WWWWWW"}, {TRUE, "", FALSE, nullptr}, {TRUE, "WWWWWW", TRUE, nullptr},
    };
    RecordingParent parent;
    Image image(12, 8, kBody);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "image " << c.image << " alt text '" << c.altText << "' pushed "
                                        << c.pushed);
        CGraphicButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, W, H), &parent, 43));
        if (c.image)
            button.SetBitmap(image);
        button.SetState(c.pushed);
        // The alt text is drawn on both canvases alike unless it is chosen,
        // so compare against a drawing without either text.
        Canvas without(W, H), with(W, H);
        Paint(button, without);
        button.SetAltText(c.altText);
        button.SetWindowText("W");
        Paint(button, with);
        const CRect ink = BoundsOf(with.Differences(without));
        if (!c.shown) {
            EXPECT_TRUE(ink.IsRectEmpty()) << Describe(ink);
        } else {
            const int width = TextSize(c.shown).cx;
            EXPECT_LE(ink.Width(), width);
            // Glyph edges may fall short of the measured advance.
            EXPECT_GE(ink.Width(), width / 2) << Describe(ink);
        }
        button.DestroyWindow();
    }
}

TEST(GraphicButtonDrawing, TextColourFollowsEnabled)
{
    RecordingParent parent;
    for (BOOL enabled : {TRUE, FALSE}) {
        SCOPED_TRACE(enabled);
        CGraphicButton button;
        ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, 60, 30), &parent, 44));
        button.EnableWindow(enabled);
        const std::vector<POINT> ink = CaptionPixels(button, "Go", 60, 30);
        ASSERT_FALSE(ink.empty());
        Canvas drawn(60, 30);
        Paint(button, drawn);
        const COLORREF expected = ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
        for (const POINT& p : ink)
            ASSERT_EQ(expected, drawn.At(p.x, p.y)) << "at " << p.x << "," << p.y;
        button.DestroyWindow();
    }
}

// --- CGraphicToggleButton -------------------------------------------------------

// Records the commands its children send, besides the private messages.
class CommandParent : public RecordingParent {
public:
    std::vector<Message> m_commands;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED)
            m_commands.push_back({message, wParam, lParam});
        return RecordingParent::WindowProc(message, wParam, lParam);
    }
};

TEST(GraphicToggleButton, StaysDownAndDrawsItsDownImageUntilClickedAgain)
{
    const int W = 60, H = 30, IW = 12, IH = 8;
    CommandParent parent;
    Image image(IW, IH, kBody), alt(IW, IH, kAlt);
    CGraphicToggleButton button;
    ASSERT_TRUE(button.Create("", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, CRect(0, 0, W, H), &parent, 50));
    button.SetBitmap(image);
    button.SetAltBitmap(alt);

    const struct {
        UINT press; // how the click starts
        BOOL down;
        COLORREF image;
        int shift;
    } steps[] = {
        {WM_LBUTTONDOWN, TRUE, kAlt, 1},
        {WM_LBUTTONDOWN, FALSE, kBody, 0},
        {WM_LBUTTONDBLCLK, TRUE, kAlt, 1}, // a quick second click toggles too
        {WM_LBUTTONDBLCLK, FALSE, kBody, 0},
    };
    for (size_t i = 0; i < std::size(steps); ++i) {
        const auto& s = steps[i];
        SCOPED_TRACE(testing::Message() << "click " << i);
        parent.Clear();
        parent.m_commands.clear();
        button.SendMessage(s.press, MK_LBUTTON, MAKELPARAM(5, 5));
        EXPECT_NE(button.m_hWnd, ::GetCapture());
        EXPECT_EQ(s.down, button.IsDown());
        button.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        // The click is sent at once; the change is posted after it.
        ASSERT_EQ(1u, parent.m_commands.size());
        EXPECT_EQ(MAKEWPARAM(50, BN_CLICKED), parent.m_commands[0].wParam);
        EXPECT_EQ(reinterpret_cast<LPARAM>(button.m_hWnd), parent.m_commands[0].lParam);
        EXPECT_TRUE(parent.Messages(WM_TOGGLE_BUTTON_CHANGED).empty());
        ASSERT_TRUE(PumpUntil([&] { return !parent.Messages(WM_TOGGLE_BUTTON_CHANGED).empty(); }, 2000));
        const auto changes = parent.Messages(WM_TOGGLE_BUTTON_CHANGED);
        EXPECT_EQ(static_cast<WPARAM>(s.down), changes[0].wParam);
        EXPECT_EQ(50, changes[0].lParam);

        Canvas canvas(W, H);
        Paint(button, canvas);
        const int x = 4 + s.shift, y = (H - IH) / 2 + s.shift;
        EXPECT_EQ(Describe(CRect(x, y, x + IW, y + IH)), Describe(canvas.BoundsOf(s.image)));
    }
}

// --- CMultiLineLabel ------------------------------------------------------------

TEST(MultiLineLabelDrawing, LinesWrapAndAlignWithinTheRectangle)
{
    HFONT font = ::CreateFontA(-20, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, "Tahoma");
    ASSERT_NE(nullptr, font);
    const CSize m = TextSize("M", font);
    const int lineHeight = m.cy;
    const struct {
        const char* text;
        double widthInMs;
        double heightInLines;
        int maxChars;
        int h;
        int v;
        std::vector<const char*> lines;
    } cases[] = {
        {"MM", 10, 3, -1, 0, 0, {"MM"}},
        {"MM", 10, 3, -1, 1, 1, {"MM"}},
        {"MM", 10, 3, -1, 2, 2, {"MM"}},
        {"MM", 10, 3, -1, 2, 0, {"MM"}},
        {"MMMMMMMMMM", 4.5, 4, -1, 0, 0, {"MMMM", "MMMM", "MM"}},
        {"MMMMMMMMMM", 4.5, 4, -1, 2, 1, {"MMMM", "MMMM", "MM"}},
        {"MMMMMMMMMM", 4.5, 4, -1, 1, 2, {"MMMM", "MMMM", "MM"}},
        {"MMMMMMMMMM", 4.5, 5, 3, 0, 0, {"MMM", "MMM", "MMM", "M"}},
        {"MMMMMMMMMM", 12, 2, 3, 0, 0, {"MMMMMMMMMM"}},           // fits: no limit applies
        {"MMMMMMMMMM", 4.5, 1, -1, 2, 2, {"MMMM", "MMMM", "MM"}}, // taller than the room: from the top
        {"MMMMMMMMMM", 12, 0.5, -1, 0, 2, {"MMMMMMMMMM"}},
        {"MMM", 0.6, 3, -1, 0, 0, {}}, // narrower than one character
        {"", 10, 3, -1, 0, 0, {}},
    };
    RecordingParent parent;
    const COLORREF paper = RGB(255, 255, 255);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "'" << c.text << "' in " << c.widthInMs << " Ms, " << c.heightInLines
                                        << " lines, max " << c.maxChars << ", align " << c.h << "/" << c.v);
        CMultiLineLabel label;
        ASSERT_TRUE(label.Create(c.text, WS_CHILD, CRect(0, 0, 10, 10), &parent));
        label.SetFont(font, FALSE);
        label.m_nMaxLineChars = c.maxChars;
        label.m_nHorizontalAlign = c.h;
        label.m_nVerticalAlign = c.v;
        const CRect client(10, 6, 10 + static_cast<int>(c.widthInMs * m.cx),
                           6 + static_cast<int>(c.heightInLines * lineHeight));

        Canvas canvas(400, 200, paper);
        CDC dc;
        dc.Attach(canvas.Dc());
        label.Draw(&dc, client);
        dc.Detach();

        auto offset = [](int spare, int align) {
            return std::max(0, align == 1 ? spare / 2 : (align == 2 ? spare : 0));
        };
        const int count = static_cast<int>(c.lines.size());
        int y = client.top + offset(client.Height() - count * lineHeight, c.v);
        std::vector<CRect> cells;
        for (const char* line : c.lines) {
            const int width = TextSize(line, font).cx;
            const int x = client.left + offset(client.Width() - width, c.h);
            cells.emplace_back(x, y, x + width, y + lineHeight);
            y += lineHeight;
        }
        auto ink = [&](int x, int y) { return canvas.At(x, y) != paper; };
        for (const CRect& cell : cells) {
            CRect loose = cell;
            loose.InflateRect(1, 1);
            const CRect box = canvas.Bounds([&](int x, int y) { return loose.PtInRect(CPoint(x, y)) && ink(x, y); });
            EXPECT_FALSE(box.IsRectEmpty()) << "nothing in " << Describe(cell);
            EXPECT_GE(box.Width(), cell.Width() - m.cx / 2) << "short line in " << Describe(cell);
        }
        const CRect stray = canvas.Bounds([&](int x, int y) {
            if (!ink(x, y))
                return false;
            for (CRect cell : cells) {
                cell.InflateRect(1, 1);
                if (cell.PtInRect(CPoint(x, y)))
                    return false;
            }
            return true;
        });
        EXPECT_TRUE(stray.IsRectEmpty()) << "text outside its lines at " << Describe(stray);
        label.DestroyWindow();
    }
    ::DeleteObject(font);
}

// --- CListBoxM ------------------------------------------------------------------

TEST(ListBoxM, RightPressTellsTheParentWhereInItsOwnCoordinates)
{
    const struct {
        int left;
        int top;
        int x;
        int y;
    } cases[] = {
        {0, 0, 5, 7},
        {30, 40, 5, 7},
        {120, 15, 60, 2},
    };
    RecordingParent parent;
    parent.m_payloadSize = sizeof(LISTBOXM_CLICK);
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "list at " << c.left << "," << c.top << " press at " << c.x << "," << c.y);
        CListBoxM list;
        // No border: the list's client area starts where the list does.
        ASSERT_TRUE(list.Create(WS_CHILD | WS_VISIBLE | LBS_NOTIFY, CRect(c.left, c.top, c.left + 100, c.top + 80),
                                &parent, 60));
        list.AddString("one");
        list.AddString("two");
        parent.Clear();
        list.SendMessage(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(c.x, c.y));
        const auto clicks = parent.Messages(WM_LISTBOXM_CLICK);
        ASSERT_EQ(1u, clicks.size());
        EXPECT_EQ(static_cast<WPARAM>(WM_RBUTTONDOWN), clicks[0].wParam);
        ASSERT_EQ(sizeof(LISTBOXM_CLICK), parent.m_lastPayload.size());
        LISTBOXM_CLICK click = {};
        std::memcpy(&click, parent.m_lastPayload.data(), sizeof(click));
        EXPECT_EQ(&list, click.pList);
        EXPECT_EQ(c.left + c.x, click.x);
        EXPECT_EQ(c.top + c.y, click.y);
        list.SendMessage(WM_RBUTTONUP, 0, MAKELPARAM(c.x, c.y));
        list.DestroyWindow();
    }
}

} // namespace
