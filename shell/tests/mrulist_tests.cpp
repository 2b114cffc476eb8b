#include "shell/mrulist.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/wnd.h"
#include "shell_test_support.h"
#include "shell_tests_res.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/test_window.h"

namespace {

const std::string kProjects = std::string(kSettingsRoot) + "\\Projects";

std::vector<std::string> Entries(const CMRUList& list)
{
    std::vector<std::string> entries;
    for (int i = 0; i < list.GetCount(); ++i)
        entries.push_back(list.GetEntry(i).GetString());
    return entries;
}

class MRUListTest : public RegistrySandboxTest {
protected:
    std::unique_ptr<CMRUList> MakeList(CWnd* pOwner = nullptr)
    {
        auto list = std::make_unique<CMRUList>(pOwner, 5000, HKEY_CURRENT_USER, kProjects.c_str());
        list->SetValueNameFormat("Project%02d");
        return list;
    }
};

TEST_F(MRUListTest, AddKeepsTheFiveMostRecentWithoutDuplicates)
{
    const auto owned = MakeList();
    CMRUList& list = *owned;
    for (const char* path : {"C:\\p1\\p1.prj", "C:\\p2\\p2.prj", "C:\\p3\\p3.prj", "C:\\p4\\p4.prj", "C:\\p5\\p5.prj"})
        list.Add(path);
    list.Add(nullptr); // nothing
    ASSERT_EQ((std::vector<std::string>{"C:\\p5\\p5.prj", "C:\\p4\\p4.prj", "C:\\p3\\p3.prj", "C:\\p2\\p2.prj",
                                        "C:\\p1\\p1.prj"}),
              Entries(list));

    list.Add("C:\\p6\\p6.prj"); // a sixth drops the oldest
    EXPECT_EQ((std::vector<std::string>{"C:\\p6\\p6.prj", "C:\\p5\\p5.prj", "C:\\p4\\p4.prj", "C:\\p3\\p3.prj",
                                        "C:\\p2\\p2.prj"}),
              Entries(list));

    list.Add("C:\\p3\\p3.prj"); // a listed one moves to the top
    EXPECT_EQ((std::vector<std::string>{"C:\\p3\\p3.prj", "C:\\p6\\p6.prj", "C:\\p5\\p5.prj", "C:\\p4\\p4.prj",
                                        "C:\\p2\\p2.prj"}),
              Entries(list));

    list.Add("c:\\p3\\P3.PRJ"); // the comparison is exact
    EXPECT_EQ("c:\\p3\\P3.PRJ", Entries(list)[0]);
    EXPECT_EQ("C:\\p3\\p3.prj", Entries(list)[1]);
    EXPECT_EQ("", std::string(list.GetEntry(5)));
    EXPECT_EQ("", std::string(list.GetEntry(-1)));
}

TEST_F(MRUListTest, SaveWritesTheEntriesAndDeletesTheValuesBeyondThem)
{
    const auto owned = MakeList();
    CMRUList& list = *owned;
    for (const char* path : {"A", "B", "C", "D", "E"})
        list.Add(path);
    list.Save();
    EXPECT_EQ("E", RegText(kProjects, "Project00"));
    EXPECT_EQ("A", RegText(kProjects, "Project04"));

    const auto ownedTwo = MakeList();
    CMRUList& two = *ownedTwo;
    two.Add("X");
    two.Add("Y");
    two.Save();
    EXPECT_EQ("Y", RegText(kProjects, "Project00"));
    EXPECT_EQ("X", RegText(kProjects, "Project01"));
    for (const char* gone : {"Project02", "Project03", "Project04"})
        EXPECT_FALSE(RegValueExists(kProjects, gone)) << gone;
}

TEST_F(MRUListTest, LoadStopsAtTheFirstEmptyValue)
{
    const auto owned = MakeList();
    CMRUList& list = *owned;
    list.Add("stale");
    EXPECT_FALSE(list.Load()); // no key
    EXPECT_EQ(0, list.GetCount());

    PutRegText(kProjects, "Project00", "first");
    PutRegText(kProjects, "Project01", "second");
    PutRegText(kProjects, "Project02", "");
    PutRegText(kProjects, "Project03", "ignored");
    EXPECT_TRUE(list.Load());
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), Entries(list));

    // A value that cannot be read (missing) ends the list with FALSE.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, kProjects.c_str(), "Project02"));
    EXPECT_FALSE(list.Load());
    EXPECT_EQ((std::vector<std::string>{"first", "second"}), Entries(list));
}

std::vector<std::string> MenuTexts(HMENU hMenu)
{
    std::vector<std::string> texts;
    for (int i = 0; i < GetMenuItemCount(hMenu); ++i) {
        char text[256] = {};
        GetMenuStringA(hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        texts.push_back(std::string(text) + "=" + std::to_string(GetMenuItemID(hMenu, i)));
    }
    return texts;
}

TEST_F(MRUListTest, UpdateMenuRefillsTheSubmenuAndEnableMenuGraysIt)
{
    TestWindow window("MRU owner");
    HMENU hMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TEST_MENU));
    ASSERT_TRUE(hMenu);
    ASSERT_TRUE(SetMenu(window, hMenu));
    CWnd owner;
    owner.Attach(window);

    const auto owned = MakeList(&owner);
    CMRUList& list = *owned;
    list.SetMenuName("&PROJECT"); // menu texts match in any case
    list.SetSubMenuName("recent &projects");
    list.Add("C:\\a\\a.prj");
    list.Add("C:\\b\\b.prj");
    list.UpdateMenu();
    HMENU hProject = GetSubMenu(hMenu, 1);
    HMENU hRecent = GetSubMenu(hProject, 1);
    EXPECT_EQ((std::vector<std::string>{"C:\\b\\b.prj=5000", "C:\\a\\a.prj=5001"}), MenuTexts(hRecent));
    // The "&File" menu's own submenu is left alone.
    EXPECT_EQ((std::vector<std::string>{"(none)=9102"}), MenuTexts(GetSubMenu(GetSubMenu(hMenu, 0), 1)));

    list.EnableMenu(FALSE);
    EXPECT_TRUE(GetMenuState(hProject, 1, MF_BYPOSITION) & MF_GRAYED);
    list.EnableMenu(TRUE);
    EXPECT_FALSE(GetMenuState(hProject, 1, MF_BYPOSITION) & MF_GRAYED);
    owner.Detach();
}

} // namespace
