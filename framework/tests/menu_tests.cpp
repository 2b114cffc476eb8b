#include "framework/menu.h"

#include <string>

#include <gtest/gtest.h>

#include "framework/wnd.h"

namespace {

const UINT kOpen = 100;
const UINT kSave = 101;
const UINT kRecentFile = 200;

// File menu: Open, a separator, Save (grayed), Recent > File1.
class MenuTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_popup.CreatePopupMenu());
        CMenu recent;
        ASSERT_TRUE(recent.CreatePopupMenu());
        recent.AppendMenu(MF_STRING, kRecentFile, "File1");
        m_popup.AppendMenu(MF_STRING, kOpen, "&Open...\tCtrl+O");
        m_popup.AppendMenu(MF_SEPARATOR);
        m_popup.AppendMenu(MF_STRING | MF_GRAYED, kSave, "Save");
        m_popup.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(recent.m_hMenu), "Recent");
        m_hRecent = recent.Detach(); // the popup owns it now
    }
    void TearDown() override { CMenu::DeleteTempMap(); }

    CMenu m_popup;
    HMENU m_hRecent = nullptr;
};

TEST_F(MenuTest, ItemsReadBackWithTheirStringsAndIds)
{
    ASSERT_EQ(4, m_popup.GetMenuItemCount());
    const struct {
        UINT id;
        const char* text;
    } items[] = {{kOpen, "&Open...\tCtrl+O"}, {0, ""}, {kSave, "Save"}, {static_cast<UINT>(-1), "Recent"}};
    for (int pos = 0; pos < 4; ++pos) {
        CString text("stale");
        EXPECT_EQ(static_cast<int>(std::string(items[pos].text).size()),
                  m_popup.GetMenuString(static_cast<UINT>(pos), text, MF_BYPOSITION));
        EXPECT_STREQ(items[pos].text, text) << "position " << pos;
        EXPECT_EQ(items[pos].id, m_popup.GetMenuItemID(pos)) << "position " << pos;
    }

    CString text;
    EXPECT_EQ(4, m_popup.GetMenuString(kSave, text, MF_BYCOMMAND));
    EXPECT_STREQ("Save", text);
    // Commands in sub-menus are found from the top.
    EXPECT_EQ(5, m_popup.GetMenuString(kRecentFile, text, MF_BYCOMMAND));
    EXPECT_STREQ("File1", text);
    EXPECT_EQ(0, m_popup.GetMenuString(999, text, MF_BYCOMMAND));
    EXPECT_STREQ("", text);

    const std::string longText(600, 'm');
    ASSERT_TRUE(m_popup.ModifyMenu(kOpen, MF_BYCOMMAND | MF_STRING, kOpen, longText.c_str()));
    EXPECT_EQ(600, m_popup.GetMenuString(kOpen, text, MF_BYCOMMAND));
    EXPECT_EQ(longText, text.str());
}

TEST_F(MenuTest, StateChangesReportThePreviousState)
{
    EXPECT_EQ(static_cast<UINT>(MF_UNCHECKED), m_popup.CheckMenuItem(kOpen, MF_BYCOMMAND | MF_CHECKED));
    EXPECT_EQ(static_cast<UINT>(MF_CHECKED), m_popup.CheckMenuItem(kOpen, MF_BYCOMMAND | MF_UNCHECKED));
    EXPECT_TRUE(m_popup.GetMenuState(kSave, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED), m_popup.EnableMenuItem(kSave, MF_BYCOMMAND | MF_ENABLED));
    EXPECT_FALSE(m_popup.GetMenuState(kSave, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(0xFFFFFFFFu, m_popup.GetMenuState(999, MF_BYCOMMAND));
    EXPECT_EQ(0xFFFFFFFFu, m_popup.EnableMenuItem(999, MF_BYCOMMAND | MF_ENABLED));

    ASSERT_TRUE(m_popup.CheckMenuRadioItem(kOpen, kSave, kSave, MF_BYCOMMAND));
    EXPECT_TRUE(m_popup.GetMenuState(kSave, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(m_popup.GetMenuState(kOpen, MF_BYCOMMAND) & MF_CHECKED);

    MENUITEMINFO info = {};
    info.fMask = MIIM_STATE;
    ASSERT_TRUE(m_popup.GetMenuItemInfo(kSave, &info));
    EXPECT_TRUE(info.fState & MFS_CHECKED);
}

TEST_F(MenuTest, SubMenusComeBackAsTheirObjectOrAWrapper)
{
    CMenu* wrapper = m_popup.GetSubMenu(3);
    ASSERT_NE(nullptr, wrapper);
    EXPECT_EQ(m_hRecent, wrapper->m_hMenu);
    EXPECT_EQ(wrapper, m_popup.GetSubMenu(3));
    EXPECT_EQ(nullptr, m_popup.GetSubMenu(0));
    CMenu::DeleteTempMap();
    EXPECT_TRUE(IsMenu(m_hRecent)); // wrappers never destroy

    CMenu recent;
    ASSERT_TRUE(recent.Attach(m_hRecent));
    EXPECT_EQ(&recent, m_popup.GetSubMenu(3));
    EXPECT_EQ(&recent, CMenu::FromHandle(m_hRecent));
    recent.Detach();
}

TEST(MenuLifetime, AMenuObjectDestroysItsMenuWithItsSubMenus)
{
    HMENU hBar = nullptr;
    HMENU hFile = nullptr;
    {
        CMenu bar;
        ASSERT_TRUE(bar.CreateMenu());
        CMenu file;
        ASSERT_TRUE(file.CreatePopupMenu());
        bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(file.m_hMenu), "File");
        hBar = bar.m_hMenu;
        hFile = file.Detach();
    }
    EXPECT_FALSE(IsMenu(hBar));
    EXPECT_FALSE(IsMenu(hFile));

    CMenu kept;
    ASSERT_TRUE(kept.CreatePopupMenu());
    HMENU hKept = kept.Detach();
    EXPECT_TRUE(IsMenu(hKept));
    DestroyMenu(hKept);
}

// The popup a window is about to show reaches its handler as the object
// that owns it.
class CMenuWindow : public CWnd {
public:
    CMenu* m_lastPopup = nullptr;
    UINT m_lastIndex = 0;

protected:
    void OnInitMenuPopup(CMenu* pPopupMenu, UINT nIndex, BOOL)
    {
        m_lastPopup = pPopupMenu;
        m_lastIndex = nIndex;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMenuWindow, CWnd)
ON_WM_INITMENUPOPUP()
END_MESSAGE_MAP()

TEST_F(MenuTest, InitMenuPopupHandsTheHandlerTheMenuObject)
{
    CMenuWindow wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "menus", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    wnd.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(m_popup.m_hMenu), MAKELPARAM(2, FALSE));
    EXPECT_EQ(&m_popup, wnd.m_lastPopup);
    EXPECT_EQ(2u, wnd.m_lastIndex);
    wnd.DestroyWindow();
}

} // namespace
