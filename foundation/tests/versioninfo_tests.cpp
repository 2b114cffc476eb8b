#include "foundation/versioninfo.h"

#include <string>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "testsupport/scratch_folder.h"

namespace {

std::string ProgramPath()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    return path;
}

// The test program's path with another extension, as a help-file path.
std::string HelpPath()
{
    std::string path = ProgramPath();
    return path.substr(0, path.size() - 3) + "hlp";
}

std::string LibraryPath()
{
    std::string path = ProgramPath();
    return path.substr(0, path.rfind('\\') + 1) + "foundation_tests_version.dll";
}

TEST(VersionInfoTest, OwnVersionTextSpecialBuildAndCopyright)
{
    CVersionInfo info(HelpPath().c_str());
    EXPECT_STREQ(ProgramPath().c_str(), info.GetFilePath());
    EXPECT_STREQ("2.1.0.35", info.GetVersionText(FALSE));
    EXPECT_STREQ("2.1.0.35 Beta", info.GetVersionText(TRUE));
    EXPECT_STREQ("Copyright (C) 2024 VexoLabs Ltd.", info.GetCopyright());
    EXPECT_STREQ("", info.GetOtherVersionText());
    EXPECT_FALSE(info.IsSameVersion());
}

TEST(VersionInfoTest, TheApplicationsHelpPathNamesTheProgram)
{
    ASSERT_EQ(nullptr, AfxGetApp());
    CVersionInfo withoutApp;
    EXPECT_STREQ("", withoutApp.GetVersionText());
    EXPECT_STREQ("", withoutApp.GetFilePath());

    CWinApp app("Version Test");
    CVersionInfo withoutHelpPath;
    EXPECT_STREQ("", withoutHelpPath.GetVersionText());
    app.m_strHelpFilePath = HelpPath().c_str();
    CVersionInfo info;
    EXPECT_STREQ(ProgramPath().c_str(), info.GetFilePath());
    EXPECT_STREQ("2.1.0.35 Beta", info.GetVersionText());
}

TEST(VersionInfoTest, OtherFileWithoutSpecialBuildIsNotTheSameVersion)
{
    CVersionInfo info(HelpPath().c_str());
    ASSERT_TRUE(info.SetOtherFile(LibraryPath().c_str()));
    EXPECT_STREQ("2.1.0.35", info.GetOtherVersionText(TRUE));
    EXPECT_STREQ("2.1.0.35", info.GetOtherVersionText(FALSE));
    EXPECT_FALSE(info.IsSameVersion());

    ASSERT_TRUE(info.SetOtherFile(ProgramPath().c_str()));
    EXPECT_STREQ("2.1.0.35 Beta", info.GetOtherVersionText());
    EXPECT_TRUE(info.IsSameVersion());

    EXPECT_FALSE(info.SetOtherFile("C:\\no\\such\\library.dll"));
    EXPECT_STREQ("", info.GetOtherVersionText());
    EXPECT_STREQ("", info.GetOtherFilePath());
    EXPECT_FALSE(info.IsSameVersion());
    EXPECT_TRUE(info.SetOtherFile(""));
}

TEST(VersionInfoTest, NoPathOrNoResourceGivesEmptyTexts)
{
    CVersionInfo none("");
    EXPECT_STREQ("", none.GetVersionText());
    EXPECT_STREQ("", none.GetCopyright());
    EXPECT_FALSE(none.IsSameVersion());

    ScratchFolder folder;
    const std::string plain = folder / "plain.txt";
    ASSERT_TRUE(WriteWholeFile(plain, "no resources"));
    // The fourth character from the end is not ".": the path is taken as it is.
    CVersionInfo text((folder / "plain.txt").c_str());
    EXPECT_STREQ((folder / "plain.exe").c_str(), text.GetFilePath());
    CVersionInfo asIs((folder / "plain.text").c_str());
    EXPECT_STREQ((folder / "plain.text").c_str(), asIs.GetFilePath());
    EXPECT_STREQ("", asIs.GetVersionText());
}

TEST(CharFileTest, CharactersStringsAndLines)
{
    ScratchFolder folder;
    const std::string path = folder / "capture.txt";
    {
        CCharFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        ASSERT_TRUE(file.IsOpen());
        EXPECT_TRUE(file.WriteLine(""));
        EXPECT_TRUE(file.WriteChar('A'));
        EXPECT_TRUE(file.WriteString("BC"));
        EXPECT_FALSE(file.WriteString(nullptr));
        EXPECT_TRUE(file.WriteLine("D"));
        EXPECT_FALSE(file.WriteLine(nullptr));
        EXPECT_STREQ(path.c_str(), file.GetFullPath());
    }
    EXPECT_EQ("\r\nABCD\r\n", ReadWholeFile(path));

    CCharFile closed;
    EXPECT_FALSE(closed.IsOpen());
    EXPECT_FALSE(closed.WriteChar('x'));
    EXPECT_STREQ("", closed.GetFullPath());
    closed.SetFilePath("name.txt");
    EXPECT_STREQ("name.txt", closed.GetFilePath());
    CCharFile unnamed(nullptr, CFile::modeRead);
    EXPECT_FALSE(unnamed.IsOpen());
}

} // namespace
