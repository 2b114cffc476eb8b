#include "shell/externaltools.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "framework/cstring.h"
#include "shell/shellmessages.h"
#include "shell_test_support.h"
#include "shell_tests_res.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

std::vector<std::string> ExternalMenu(HMENU hMenuBar)
{
    HMENU hMenu = GetSubMenu(hMenuBar, 2);
    std::vector<std::string> items;
    for (int i = 0; i < GetMenuItemCount(hMenu); ++i) {
        char text[128] = {};
        GetMenuStringA(hMenu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        const UINT id = GetMenuItemID(hMenu, i);
        items.push_back(id == 0 ? "-" : std::string(text) + "=" + std::to_string(id));
    }
    return items;
}

TEST_F(RegistrySandboxTest, ExternalMenuListsTheToolsAfterOneSeparator)
{
    HMENU hMenuBar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TEST_MENU));
    ASSERT_TRUE(hMenuBar);
    EXPECT_TRUE(BuildExternalToolsMenu(hMenuBar));
    EXPECT_EQ((std::vector<std::string>{"&Configure...=9105"}), ExternalMenu(hMenuBar));

    PutExternalTools({{"Editor", "C:\\e.exe"}, {"Docwell", "C:\\d.exe"}, {"Calc", "C:\\c.exe"}});
    EXPECT_TRUE(BuildExternalToolsMenu(hMenuBar));
    EXPECT_TRUE(BuildExternalToolsMenu(hMenuBar)); // again: no second separator, no duplicates
    EXPECT_EQ((std::vector<std::string>{"&Configure...=9105", "-", "Editor=32865", "Docwell=32866", "Calc=32867"}),
              ExternalMenu(hMenuBar));

    ASSERT_EQ(ERROR_SUCCESS, RegDeleteTreeA(HKEY_CURRENT_USER, (std::string(kSettingsRoot) + "\\External").c_str()));
    EXPECT_TRUE(BuildExternalToolsMenu(hMenuBar));
    EXPECT_EQ((std::vector<std::string>{"&Configure...=9105"}), ExternalMenu(hMenuBar));

    HMENU hOther = CreateMenu();
    EXPECT_FALSE(BuildExternalToolsMenu(hOther)); // no "&External"
    DestroyMenu(hOther);
    DestroyMenu(hMenuBar);
}

TEST(ExternalToolCommandTest, DocwellAloneGetsTheQuotedProjectPath)
{
    struct Case {
        const char* file;
        const char* project;
        const char* commandLine;
        const char* folder;
    };
    const Case cases[] = {
        {"C:\\Tools\\Docwell.exe", "C:\\P\\P.prj", "\"C:\\Tools\\Docwell.exe\" \"C:\\P\\P.prj\"", "C:\\Tools"},
        {"C:\\Tools\\DOCWELL.EXE", "C:\\P\\P.prj", "\"C:\\Tools\\DOCWELL.EXE\" \"C:\\P\\P.prj\"", "C:\\Tools"},
        {"C:\\Tools\\Docwell.exe", "", "\"C:\\Tools\\Docwell.exe\"", "C:\\Tools"},
        {"C:\\Tools\\Docwell2.exe", "C:\\P\\P.prj", "\"C:\\Tools\\Docwell2.exe\"", "C:\\Tools"},
        {"C:\\Docwell.v2\\Edit.exe", "C:\\P\\P.prj", "\"C:\\Docwell.v2\\Edit.exe\"", "C:\\Docwell.v2"},
        {"Docwell", "C:\\P\\P.prj", "\"Docwell\" \"C:\\P\\P.prj\"", "Docwell"},
    };
    for (const Case& c : cases) {
        CString line, folder;
        MakeExternalToolCommand(c.file, c.project, line, folder);
        EXPECT_EQ(c.commandLine, std::string(line)) << c.file;
        EXPECT_EQ(c.folder, std::string(folder)) << c.file;
    }
}

// Waits for the stand-in's record: its command line and working folder.
std::vector<std::string> WaitForRecord(const std::string& exe)
{
    std::string text;
    PumpUntil([&] { return !(text = ReadWholeFile(exe + ".cmdline")).empty(); }, 20000);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class ExternalToolStartTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_recorder = std::string(GetProgramDirectory()) + "\\cmdline_recorder.exe";
        ASSERT_TRUE(CopyFileA(m_recorder.c_str(), (m_folder / "Docwell.exe").c_str(), FALSE));
        m_project.SetHandler(WM_GET_PROJECT_FILE_PATH, [this](WPARAM, LPARAM lParam) {
            *reinterpret_cast<CString*>(lParam) = m_projectPath.c_str();
            return 0;
        });
    }

    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
    FakeProjectWindow m_project;
    std::string m_recorder;
    std::string m_projectPath;
};

TEST_F(ExternalToolStartTest, DocwellStartsInItsFolderWithTheProjectPath)
{
    const std::string docwell = m_folder / "Docwell.exe";
    PutExternalTools({{"Other", m_recorder}, {"Docwell", docwell}});
    m_projectPath = "C:\\Projects\\Axis Test\\Axis Test.prj";
    ASSERT_TRUE(StartExternalTool(1, m_project));
    const auto record = WaitForRecord(docwell);
    ASSERT_EQ(2u, record.size());
    EXPECT_EQ("\"" + docwell + "\" \"C:\\Projects\\Axis Test\\Axis Test.prj\"", record[0]);
    EXPECT_EQ(0, lstrcmpiA(m_folder.Path().c_str(), record[1].c_str())) << record[1];
    EXPECT_EQ(1u, m_project.Received(WM_GET_PROJECT_FILE_PATH).size());
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(ExternalToolStartTest, DocwellWithoutAProjectGetsOnlyItsQuotedPath)
{
    const std::string docwell = m_folder / "Docwell.exe";
    PutExternalTools({{"Docwell", docwell}});
    m_projectPath = "";
    ASSERT_TRUE(StartExternalTool(0, m_project));
    const auto record = WaitForRecord(docwell);
    ASSERT_EQ(2u, record.size());
    EXPECT_EQ("\"" + docwell + "\"", record[0]);

    // Without a project window at all the same.
    DeleteFileA((docwell + ".cmdline").c_str());
    ASSERT_TRUE(StartExternalTool(0, nullptr));
    EXPECT_EQ("\"" + docwell + "\"", WaitForRecord(docwell).at(0));
}

TEST_F(ExternalToolStartTest, AMissingOrUnstartableFileIsToldUnderStartTool)
{
    const std::string gone = m_folder / "Gone.exe";
    const std::string bad = m_folder / "Bad.exe";
    ASSERT_TRUE(WriteWholeFile(bad, "this is no program"));
    PutExternalTools({{"Gone", gone}, {"Bad", bad}});

    EXPECT_FALSE(StartExternalTool(0, m_project));
    EXPECT_FALSE(StartExternalTool(1, m_project));
    EXPECT_FALSE(StartExternalTool(2, m_project)); // not listed: nothing at all
    EXPECT_FALSE(StartExternalTool(-1, m_project));
    const auto records = m_prompts.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Start Tool", records[0].caption);
    EXPECT_EQ("Unable to start tool Gone\n\nFile: " + gone, records[0].text);
    EXPECT_EQ("Start Tool", records[1].caption);
    const std::string head = "Unable to start tool Bad\n\nFile: " + bad + "\n\n";
    EXPECT_EQ(head, records[1].text.substr(0, head.size()));
    EXPECT_GT(records[1].text.size(), head.size()); // the system's reason follows
    EXPECT_TRUE(m_project.Received(WM_GET_PROJECT_FILE_PATH).size() <= 1u);
}

} // namespace
