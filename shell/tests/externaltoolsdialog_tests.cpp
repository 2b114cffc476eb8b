#include "shell/externaltoolsdialog.h"

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "shell/res/shell_resource.h"
#include "shell_test_support.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const std::string kExternal = std::string(kSettingsRoot) + "\\External";

std::string ToolKey(int n)
{
    char key[16];
    snprintf(key, sizeof key, "\\Tool%02d", n);
    return kExternal + key;
}

std::vector<std::string> ListedTools(HWND hDlg)
{
    std::vector<std::string> names;
    const int count = static_cast<int>(SendDlgItemMessageA(hDlg, IDC_TOOL_LIST, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char name[64] = {};
        SendDlgItemMessageA(hDlg, IDC_TOOL_LIST, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
        names.push_back(name);
    }
    return names;
}

// The user selects a list entry (the list tells its dialog).
void SelectTool(HWND hDlg, int index)
{
    SendDlgItemMessageA(hDlg, IDC_TOOL_LIST, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_TOOL_LIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(hDlg, IDC_TOOL_LIST)));
}

class ExternalToolsDialogTest : public ShellDialogTest {
protected:
    HWND Open()
    {
        auto* dialog = new CExternalTools(nullptr, m_project.Handle(), m_frame.Handle());
        if (!dialog->Start(nullptr)) {
            delete dialog;
            return nullptr;
        }
        const HWND hDlg = m_project.WaitForRegistration(1019);
        return hDlg && PumpUntil([hDlg] { return IsWindowVisible(hDlg) != FALSE; }) ? hDlg : nullptr;
    }

    size_t MenuRebuilds() const { return m_frame.Received(WM_APP + 0x169).size(); }
};

TEST_F(ExternalToolsDialogTest, TenToolsDisableAddAndDeletingOneEnablesItAgain)
{
    std::vector<std::pair<std::string, std::string>> tools;
    for (int i = 0; i < 10; ++i)
        tools.push_back({"Tool " + std::to_string(i), "C:\\t" + std::to_string(i) + ".exe"});
    PutExternalTools(tools);
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("External Tools", WindowText(hDlg));
    EXPECT_EQ(10u, ListedTools(hDlg).size());
    EXPECT_FALSE(ItemEnabled(hDlg, IDC_TOOL_ADD));
    EXPECT_FALSE(ItemEnabled(hDlg, IDC_TOOL_DELETE)); // nothing selected

    SelectTool(hDlg, 9);
    EXPECT_TRUE(ItemEnabled(hDlg, IDC_TOOL_DELETE));
    Click(hDlg, IDC_TOOL_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return MenuRebuilds() == 1; }));
    EXPECT_EQ(9u, ListedTools(hDlg).size());
    EXPECT_TRUE(ItemEnabled(hDlg, IDC_TOOL_ADD));
    EXPECT_FALSE(ItemEnabled(hDlg, IDC_TOOL_DELETE));
    EXPECT_FALSE(RegKeyExists(ToolKey(9)));

    Click(hDlg, IDC_TOOL_CLOSE);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(ExternalToolsDialogTest, DeletingTheFirstOfThreeRenumbersTheOthers)
{
    PutExternalTools({{"Alpha", "C:\\a.exe"}, {"Beta", "C:\\b.exe"}, {"Gamma", "C:\\g.exe"}});
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    SelectTool(hDlg, 0);
    Click(hDlg, IDC_TOOL_DELETE);
    ASSERT_TRUE(PumpUntil([&] { return MenuRebuilds() == 1; }));
    EXPECT_EQ((std::vector<std::string>{"Beta", "Gamma"}), ListedTools(hDlg));
    EXPECT_EQ("Beta", RegText(ToolKey(0), "Name"));
    EXPECT_EQ("C:\\b.exe", RegText(ToolKey(0), "File"));
    EXPECT_EQ("Gamma", RegText(ToolKey(1), "Name"));
    EXPECT_FALSE(RegKeyExists(ToolKey(2)));
    PostMessageA(hDlg, WM_APP + 0x108, 0, 0);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"External Tools\""));
}

TEST_F(ExternalToolsDialogTest, AddTakesTheBrowsedProgramAndRefusesANameAlreadyListed)
{
    ScratchFolder folder;
    const std::string program = folder / "My.Tool.exe";
    ASSERT_TRUE(WriteWholeFile(program, "MZ"));
    PutExternalTools({{"Alpha", "C:\\a.exe"}});
    m_files.Choose(program);
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);

    Click(hDlg, IDC_TOOL_ADD);
    HWND hAdd = WaitForDialog("Add External Tool");
    ASSERT_TRUE(hAdd);
    Click(hAdd, IDC_TOOL_BROWSE);
    ASSERT_TRUE(PumpUntil([&] { return ItemText(hAdd, IDC_TOOL_FILE) == program; }));
    EXPECT_EQ("My.Tool", ItemText(hAdd, IDC_TOOL_NAME));
    const auto asked = m_files.Records();
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ("Application(*.exe)|*.exe||", asked[0].filter);
    EXPECT_TRUE(asked[0].flags & OFN_FILEMUSTEXIST);
    Click(hAdd, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return MenuRebuilds() == 1; }));
    EXPECT_EQ((std::vector<std::string>{"Alpha", "My.Tool"}), ListedTools(hDlg));
    EXPECT_EQ("My.Tool", RegText(ToolKey(1), "Name"));
    EXPECT_EQ(program, RegText(ToolKey(1), "File"));

    // The same name in other letters is refused; so is an empty field.
    for (const char* name : {"ALPHA", ""}) {
        Click(hDlg, IDC_TOOL_ADD);
        hAdd = WaitForDialog("Add External Tool");
        ASSERT_TRUE(hAdd);
        SetDlgItemTextA(hAdd, IDC_TOOL_FILE, "C:\\other.exe");
        SetDlgItemTextA(hAdd, IDC_TOOL_NAME, name);
        Click(hAdd, IDOK);
        ASSERT_TRUE(PumpUntil([hAdd] { return !IsWindow(hAdd); }));
    }
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(2u, ListedTools(hDlg).size());
    EXPECT_FALSE(RegKeyExists(ToolKey(2)));
    EXPECT_EQ(1u, MenuRebuilds());
    const auto told = m_prompts.Records();
    ASSERT_EQ(1u, told.size());
    EXPECT_EQ("An external tool named \"ALPHA\" is already listed.", told[0].text);
    Click(hDlg, IDC_TOOL_CLOSE);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(ExternalToolsDialogTest, OverlongFieldsAreCutToTheRecord)
{
    const std::string name(45, 'N');
    const std::string file = "C:\\" + std::string(300, 'f') + ".exe";
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    Click(hDlg, IDC_TOOL_ADD);
    const HWND hAdd = WaitForDialog("Add External Tool");
    ASSERT_TRUE(hAdd);
    SetDlgItemTextA(hAdd, IDC_TOOL_FILE, file.c_str());
    SetDlgItemTextA(hAdd, IDC_TOOL_NAME, name.c_str());
    Click(hAdd, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return MenuRebuilds() == 1; }));
    EXPECT_EQ(name.substr(0, 40), RegText(ToolKey(0), "Name"));
    EXPECT_EQ(file.substr(0, 259), RegText(ToolKey(0), "File"));
    EXPECT_EQ(std::vector<std::string>{name.substr(0, 40)}, ListedTools(hDlg));
    Click(hDlg, IDC_TOOL_CLOSE);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(ExternalToolsDialogTest, RefusedRegistrationCreatesNoDialog)
{
    m_project.SetRegistrationAnswer(0);
    auto* dialog = new CExternalTools(nullptr, nullptr, m_frame.Handle()); // looked up through the frame
    ASSERT_TRUE(dialog->Start(nullptr));
    const auto asked = m_project.WaitFor(WM_APP + 0x103);
    ASSERT_TRUE(asked);
    EXPECT_EQ(1019u, asked->wParam);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("#32770", "External Tools"); }));
}

} // namespace
