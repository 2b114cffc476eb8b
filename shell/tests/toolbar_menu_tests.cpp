// The true-colour toolbar and the image menu.
#include <gtest/gtest.h>

#include "framework/gdi.h"
#include "picture_files.h"
#include "shell/menuwithimage.h"
#include "shell/truecolourtoolbar.h"
#include "testsupport/test_window.h"

namespace {

const UINT IDR_TEST_TOOLBAR = 500;
const UINT IDB_TOOLBAR_NORMAL = 501;
const UINT IDB_TOOLBAR_HOT = 502;
const UINT IDB_TOOLBAR_DISABLED = 503;
const UINT IDR_DROP_MENU = 504;

// A framework window that records the popups opened for it and closes
// each one at once.
class MenuOwner : public CWnd {
public:
    MenuOwner()
    {
        CreateEx(0, AfxRegisterWndClass(0), "owner", WS_OVERLAPPEDWINDOW, 0, 0, 400, 200, nullptr, nullptr);
    }
    ~MenuOwner() override { DestroyWindow(); }

    int popups = 0;
    UINT firstItem = 0;

protected:
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT, BOOL)
    {
        ++popups;
        firstItem = pPopupMenu->GetMenuItemID(0);
        PostMessage(WM_CANCELMODE); // the menu loop ends on it
        ::EndMenu();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(MenuOwner, CWnd)
    ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

// The colour an image list draws at (x, y) of image i over a grey canvas.
COLORREF ImagePixel(HIMAGELIST list, int i, int x, int y)
{
    Canvas canvas(20, 20, RGB(90, 90, 90));
    ImageList_Draw(list, i, canvas.Dc(), 0, 0, ILD_NORMAL);
    return canvas.Pixel(x, y);
}

class TrueColourToolBarTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_bar.CreateEx(&m_owner));
        ASSERT_TRUE(m_bar.LoadToolBar(IDR_TEST_TOOLBAR));
    }
    void TearDown() override
    {
        CWnd::DeleteTempMap();
        CMenu::DeleteTempMap();
    }
    HIMAGELIST List(UINT message) { return reinterpret_cast<HIMAGELIST>(m_bar.SendMessage(message)); }
    void NotifyDropDown(UINT id)
    {
        NMTOOLBARA notify = {};
        notify.hdr.hwndFrom = m_bar.m_hWnd;
        notify.hdr.idFrom = AFX_IDW_TOOLBAR;
        notify.hdr.code = TBN_DROPDOWN;
        notify.iItem = static_cast<int>(id);
        m_owner.SendMessage(WM_NOTIFY, AFX_IDW_TOOLBAR, reinterpret_cast<LPARAM>(&notify));
    }

    MenuOwner m_owner;
    CTrueColourToolBar m_bar;
};

TEST_F(TrueColourToolBarTest, ImageListsFromTwentyFourBitBitmapsWithTheCornerPixelTransparent)
{
    ASSERT_TRUE(m_bar.LoadTrueColourImages(20, IDB_TOOLBAR_NORMAL, IDB_TOOLBAR_HOT, IDB_TOOLBAR_DISABLED));
    EXPECT_EQ(3, m_bar.GetNormalImageCount());
    const struct {
        UINT message;
        COLORREF second; // image 1's body
    } lists[] = {
        {TB_GETIMAGELIST, RGB(0, 200, 0)},
        {TB_GETHOTIMAGELIST, RGB(80, 250, 80)},
        {TB_GETDISABLEDIMAGELIST, RGB(128, 128, 128)},
    };
    for (const auto& l : lists) {
        HIMAGELIST list = List(l.message);
        ASSERT_TRUE(list) << l.message;
        EXPECT_EQ(3, ImageList_GetImageCount(list));
        EXPECT_EQ(l.second, ImagePixel(list, 1, 10, 10)) << ColourText(ImagePixel(list, 1, 10, 10));
        // Magenta at the strip's corner is the mask: the canvas shows.
        EXPECT_EQ(RGB(90, 90, 90), ImagePixel(list, 0, 0, 0));
    }
}

TEST_F(TrueColourToolBarTest, HotAndDisabledIdsOfZeroLeaveThoseListsUnset)
{
    ASSERT_TRUE(m_bar.LoadTrueColourImages(20, IDB_TOOLBAR_NORMAL, 0, 0));
    EXPECT_TRUE(List(TB_GETIMAGELIST));
    EXPECT_FALSE(List(TB_GETHOTIMAGELIST));
    EXPECT_FALSE(List(TB_GETDISABLEDIMAGELIST));
}

TEST_F(TrueColourToolBarTest, MissingBitmapOrWidthFailsAtTheFirstFailingList)
{
    EXPECT_FALSE(m_bar.LoadTrueColourImages(20, 4242));
    EXPECT_FALSE(m_bar.LoadTrueColourImages(0, IDB_TOOLBAR_NORMAL));
    EXPECT_FALSE(m_bar.LoadTrueColourImages(21, IDB_TOOLBAR_NORMAL, 4242, IDB_TOOLBAR_DISABLED));
    EXPECT_TRUE(List(TB_GETIMAGELIST)); // the normal list was made first
    EXPECT_FALSE(List(TB_GETDISABLEDIMAGELIST));
}

TEST_F(TrueColourToolBarTest, DropDownShowsTheButtonsMenuForItsOwnerOnly)
{
    m_bar.AddDropDownButton(&m_owner, 0x9102, IDR_DROP_MENU);
    EXPECT_TRUE(m_bar.GetButtonStyle(m_bar.CommandToIndex(0x9102)) & BTNS_DROPDOWN);
    EXPECT_TRUE(m_bar.SendMessage(TB_GETEXTENDEDSTYLE) & TBSTYLE_EX_DRAWDDARROWS);

    NotifyDropDown(0x9101); // no drop-down entry: nothing
    EXPECT_EQ(0, m_owner.popups);
    NotifyDropDown(0x9102);
    EXPECT_EQ(1, m_owner.popups);
    EXPECT_EQ(0x9201u, m_owner.firstItem);
}

class MenuWithImageTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_small.CreateBitmap(16, 16, 1, 32, nullptr));
        ASSERT_TRUE(m_wide.CreateBitmap(24, 12, 1, 32, nullptr));
        Fill(m_small, RGB(0, 160, 0));
        Fill(m_wide, RGB(0, 0, 160));
        ASSERT_TRUE(m_menu.CreatePopupMenu());
        m_menu.AppendMenu(MF_STRING, 0x9301, "Alpha");
        m_menu.AppendMenu(MF_STRING, 0x9302, "Beta");
        m_menu.AppendMenu(MF_STRING, 0x9303, "Gamma");
        for (UINT id : {0x9301u, 0x9302u, 0x9303u})
            ASSERT_TRUE(m_menu.SetOwnerDraw(id));
        m_menu.SetItemImage(0x9301, &m_small);
        m_menu.SetItemImage(0x9303, &m_wide);
        m_font = ::CreateFontA(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                               CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, "Tahoma");
    }
    void TearDown() override { ::DeleteObject(m_font); }

    static void Fill(CBitmap& bitmap, COLORREF colour)
    {
        HDC dc = ::CreateCompatibleDC(nullptr);
        HGDIOBJ old = ::SelectObject(dc, bitmap);
        BITMAP info = {};
        bitmap.GetBitmap(&info);
        RECT all = {0, 0, info.bmWidth, info.bmHeight};
        HBRUSH brush = ::CreateSolidBrush(colour);
        ::FillRect(dc, &all, brush);
        ::DeleteObject(brush);
        ::SelectObject(dc, old);
        ::DeleteDC(dc);
    }

    CBitmap m_small;
    CBitmap m_wide;
    CMenuWithImage m_menu;
    HFONT m_font = nullptr;
};

TEST_F(MenuWithImageTest, EveryTextStartsSixPixelsRightOfTheWidestImage)
{
    EXPECT_EQ(6 + 24, m_menu.TextOffset());
    const int left = 10;
    const int width = 200;
    const int height = 24;
    const struct {
        UINT id;
        const char* text;
        COLORREF image; // at (left + 2 + 1, top + 2 + 1); CLR_INVALID: none
    } items[] = {
        {0x9301, "Alpha", RGB(0, 160, 0)},
        {0x9302, "Beta", CLR_INVALID},
        {0x9303, "Gamma", RGB(0, 0, 160)},
    };
    for (const auto& item : items) {
        SCOPED_TRACE(item.text);
        Canvas drawn(left + width, height, RGB(255, 0, 255));
        ::SelectObject(drawn.Dc(), m_font);
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_MENU;
        dis.itemID = item.id;
        dis.hwndItem = reinterpret_cast<HWND>(m_menu.m_hMenu);
        dis.hDC = drawn.Dc();
        dis.rcItem = {left, 0, left + width, height};
        m_menu.DrawItem(&dis);

        // What the text looks like drawn where it belongs.
        Canvas expected(left + width, height, RGB(255, 0, 255));
        ::SelectObject(expected.Dc(), m_font);
        ::FillRect(expected.Dc(), &dis.rcItem, ::GetSysColorBrush(COLOR_MENU));
        ::SetBkMode(expected.Dc(), TRANSPARENT);
        ::SetTextColor(expected.Dc(), ::GetSysColor(COLOR_MENUTEXT));
        ::TextOutA(expected.Dc(), left + 30, 2, item.text, static_cast<int>(strlen(item.text)));

        int textPixels = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = left + 28; x < left + width; ++x) {
                ASSERT_EQ(expected.Pixel(x, y), drawn.Pixel(x, y)) << x << "," << y;
                textPixels += drawn.Pixel(x, y) == ::GetSysColor(COLOR_MENUTEXT);
            }
        }
        EXPECT_GT(textPixels, 10);
        EXPECT_EQ(::GetSysColor(COLOR_MENU), drawn.Pixel(left + 1, 1));
        if (item.image != CLR_INVALID)
            EXPECT_EQ(item.image, drawn.Pixel(left + 3, 3));
        else
            EXPECT_EQ(::GetSysColor(COLOR_MENU), drawn.Pixel(left + 3, 3));
        ::SelectObject(drawn.Dc(), ::GetStockObject(SYSTEM_FONT));
        ::SelectObject(expected.Dc(), ::GetStockObject(SYSTEM_FONT));
    }
}

TEST_F(MenuWithImageTest, SelectedItemsUseTheHighlightColours)
{
    Canvas drawn(100, 24, RGB(255, 0, 255));
    DRAWITEMSTRUCT dis = {};
    dis.CtlType = ODT_MENU;
    dis.itemID = 0x9302;
    dis.itemState = ODS_SELECTED;
    dis.hDC = drawn.Dc();
    dis.rcItem = {0, 0, 100, 24};
    m_menu.DrawItem(&dis);
    EXPECT_EQ(::GetSysColor(COLOR_HIGHLIGHT), drawn.Pixel(1, 1));
}

TEST_F(MenuWithImageTest, ItemsAreMeasuredWithRoomForTheirTextPastTheWidestImage)
{
    MEASUREITEMSTRUCT withImage = {ODT_MENU, 0, 0x9303, 0, 0, 0};
    m_menu.MeasureItem(&withImage);
    MEASUREITEMSTRUCT withoutImage = {ODT_MENU, 0, 0x9302, 0, 0, 0};
    m_menu.MeasureItem(&withoutImage);
    // Both make room for the widest image, 6 pixels and their text.
    EXPECT_GT(withImage.itemWidth, 30u + 8u);
    EXPECT_GT(withoutImage.itemWidth, 30u + 8u);
    EXPECT_GE(withImage.itemHeight, 12u + 4u);
    EXPECT_GE(withoutImage.itemHeight, 4u + 8u);

    // Replacing an image changes the offset for every item.
    m_menu.SetItemImage(0x9303, &m_small);
    EXPECT_EQ(6 + 16, m_menu.TextOffset());
    // An item that is not there is not made owner-drawn.
    EXPECT_FALSE(m_menu.SetOwnerDraw(0x9399));
}

} // namespace
