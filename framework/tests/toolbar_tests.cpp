#include "framework/toolbar.h"

#include <gtest/gtest.h>

#include "framework/menu.h"
#include "testsupport/test_window.h"

namespace {

const UINT IDR_TEST_TOOLBAR = 400;
const UINT IDR_BAD_TOOLBAR = 401;

// A framework window: notifications of its children reach their objects.
class HostWindow : public CWnd {
public:
    HostWindow()
    {
        CreateEx(0, AfxRegisterWndClass(0), "host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr);
    }
    ~HostWindow() override { DestroyWindow(); }
};

TEST(ToolBarTest, ButtonsAndImagesComeFromTheToolbarResource)
{
    HostWindow host;
    CToolBar bar;
    ASSERT_TRUE(bar.CreateEx(&host));
    ASSERT_TRUE(bar.LoadToolBar(IDR_TEST_TOOLBAR));
    ASSERT_EQ(4, bar.GetCount());
    const UINT ids[] = {0x9001, ID_SEPARATOR, 0x9002, 0x9003};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ids[i], bar.GetItemID(i)) << i;
    EXPECT_EQ(2, bar.CommandToIndex(0x9002));
    EXPECT_EQ(-1, bar.CommandToIndex(0x9999));
    EXPECT_EQ(CSize(16, 15), bar.GetImageSize());
    EXPECT_TRUE(bar.GetButtonStyle(1) & BTNS_SEP);

    // Each button draws its own image: the bitmap's images in order,
    // separators taking none.
    HIMAGELIST images = reinterpret_cast<HIMAGELIST>(bar.SendMessage(TB_GETIMAGELIST));
    ASSERT_TRUE(images);
    EXPECT_EQ(3, ImageList_GetImageCount(images));
    TBBUTTON button = {};
    ASSERT_TRUE(bar.SendMessage(TB_GETBUTTON, 3, reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(2, button.iBitmap);

    bar.SetButtonStyle(0, BTNS_DROPDOWN);
    EXPECT_EQ(static_cast<UINT>(BTNS_DROPDOWN), bar.GetButtonStyle(0));
    CRect first;
    bar.GetItemRect(0, &first);
    EXPECT_FALSE(first.IsRectEmpty());

    // A click reaches the toolbar's parent as the button's command.
    EXPECT_EQ(::GetParent(bar), host.m_hWnd);
}

TEST(ToolBarTest, MissingOrMalformedResourcesAreRefused)
{
    HostWindow host;
    CToolBar bar;
    ASSERT_TRUE(bar.Create(&host));
    EXPECT_FALSE(bar.LoadToolBar(IDR_BAD_TOOLBAR));
    EXPECT_FALSE(bar.LoadToolBar(4242));
    EXPECT_FALSE(bar.LoadBitmap(4242));
}

// A menu object that records the owner-drawn items it was asked about.
class RecordingMenu : public CMenu {
public:
    void MeasureItem(LPMEASUREITEMSTRUCT lpMIS) override
    {
        measured = lpMIS->itemID;
        lpMIS->itemWidth = 77;
    }
    void DrawItem(LPDRAWITEMSTRUCT lpDIS) override { drawn = lpDIS->itemID; }
    UINT measured = 0;
    UINT drawn = 0;
};

TEST(OwnerDrawMenuTest, WindowHandsMenuItemsToTheMenuObjectHoldingThem)
{
    HostWindow host;
    CMenu bar;
    ASSERT_TRUE(bar.CreateMenu());
    RecordingMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    CMenu inner;
    ASSERT_TRUE(inner.CreatePopupMenu());
    inner.AppendMenu(MF_OWNERDRAW, 0x7002);
    popup.AppendMenu(MF_OWNERDRAW, 0x7001);
    popup.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(inner.Detach()), "More");
    bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup.m_hMenu), "&File");
    ASSERT_TRUE(host.SetMenu(bar));

    const UINT ids[] = {0x7001, 0x7002}; // the second lies in a submenu without an object
    for (UINT id : ids) {
        MEASUREITEMSTRUCT mis = {ODT_MENU, 0, id, 0, 0, 0};
        EXPECT_TRUE(host.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&mis)));
        EXPECT_EQ(id, popup.measured);
        EXPECT_EQ(77u, mis.itemWidth);
        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_MENU;
        dis.itemID = id;
        dis.hwndItem = reinterpret_cast<HWND>(::GetSubMenu(popup, 1));
        EXPECT_TRUE(host.SendMessage(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)));
        EXPECT_EQ(id, popup.drawn);
    }
    // An item no menu object holds is left to the system.
    MEASUREITEMSTRUCT other = {ODT_MENU, 0, 0x7FFF, 0, 0, 0};
    host.SendMessage(WM_MEASUREITEM, 0, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(0x7002u, popup.measured);

    host.SetMenu(nullptr);
    bar.RemoveMenu(0, MF_BYPOSITION); // the popup object destroys its own menu
}

} // namespace
