#include "framework/filedialog.h"

#include <string>

#include <gtest/gtest.h>

#include "testsupport/scripted_file_dialogs.h"

namespace {

TEST(FileDialogTest, TheChosenPathIsSplitIntoItsParts)
{
    struct Case {
        const char* path;
        const char* name;
        const char* title;
        const char* ext;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Tools\\My.Tool.exe", "My.Tool.exe", "My.Tool", "exe", "C:\\Tools"},
        {"C:\\Tools\\README", "README", "README", "", "C:\\Tools"},
        {"C:\\dir.d\\file", "file", "file", "", "C:\\dir.d"},
        {"name.txt", "name.txt", "name", "txt", ""},
    };
    ScriptedFileDialogs dialogs;
    for (const Case& c : cases) {
        dialogs.Choose(c.path);
        CFileDialog dialog(FALSE, "prj", "start.prj", OFN_OVERWRITEPROMPT, "Projects (*.prj)|*.prj||");
        ASSERT_EQ(IDOK, dialog.DoModal()) << c.path;
        EXPECT_EQ(c.path, std::string(dialog.GetPathName()));
        EXPECT_EQ(c.name, std::string(dialog.GetFileName())) << c.path;
        EXPECT_EQ(c.title, std::string(dialog.GetFileTitle())) << c.path;
        EXPECT_EQ(c.ext, std::string(dialog.GetFileExt())) << c.path;
        EXPECT_EQ(c.folder, std::string(dialog.GetFolderPath())) << c.path;
    }
    const auto asked = dialogs.Records();
    ASSERT_EQ(std::size(cases), asked.size());
    EXPECT_FALSE(asked[0].open);
    EXPECT_EQ("prj", asked[0].defExt);
    EXPECT_EQ("start.prj", asked[0].fileName);
    EXPECT_EQ("Projects (*.prj)|*.prj||", asked[0].filter);
    EXPECT_EQ(static_cast<DWORD>(OFN_OVERWRITEPROMPT), asked[0].flags);
}

TEST(FileDialogTest, CancelLeavesNoPath)
{
    ScriptedFileDialogs dialogs;
    dialogs.Choose("C:\\first.txt");
    dialogs.Cancel();
    CFileDialog dialog(TRUE);
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ("", std::string(dialog.GetPathName()));
    EXPECT_EQ(IDCANCEL, dialog.DoModal()); // nothing scripted: the user cancels
}

} // namespace
