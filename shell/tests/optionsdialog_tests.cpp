#include "shell/optionsdialog.h"

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "shell_test_support.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const std::string kConfig = std::string(kSettingsRoot) + "\\Config";
const std::string kTerminal = std::string(kSettingsRoot) + "\\Terminal";

const struct {
    int control;
    const char* value;
} kSwitches[] = {
    {IDC_OPT_AUTO_CONNECT, "AutoConnectAtStart"},
    {IDC_OPT_RESTORE_MAIN_WINDOW, "RestoreMainWindowAtStart"},
    {IDC_OPT_CHECK_CONTROLLER_TYPE, "CheckControllerType"},
    {IDC_OPT_RESTORE_DESKTOP, "AutoRestoreDesktop"},
    {IDC_OPT_AUTO_EPROM, "AutoEPROM"},
    {IDC_OPT_FORCE_SLOW_PROJECT_LOAD, "ForceSlowProjectLoad"},
    {IDC_OPT_FORCE_SLOW_PROGRAM_LOAD, "ForceSlowProgramLoad"},
    {IDC_OPT_FORCE_SLOW_PROGRAM_SAVE, "ForceSlowProgramSave"},
    {IDC_OPT_ALLOW_OPERATIONS_RUNNING, "AllowProgramOperationsWhenRuning"},
};

class OptionsDialogTest : public ShellDialogTest {
protected:
    HWND Open()
    {
        auto* dialog = new COptionsDialog(nullptr, m_frame.Handle());
        if (!dialog->Start(nullptr)) {
            delete dialog;
            return nullptr;
        }
        const HWND hDlg = m_project.WaitForRegistration(TOOL_ID_GENERAL_OPTIONS);
        return hDlg && PumpUntil([hDlg] { return IsWindowVisible(hDlg) != FALSE; }) ? hDlg : nullptr;
    }
};

TEST_F(OptionsDialogTest, RefusedRegistrationCreatesNoDialog)
{
    m_project.SetRegistrationAnswer(0);
    auto* dialog = new COptionsDialog(nullptr, m_frame.Handle());
    ASSERT_TRUE(dialog->Start(nullptr)); // the dialog is its thread's now
    const auto asked = m_project.WaitFor(WM_APP + 0x103);
    ASSERT_TRUE(asked);
    EXPECT_EQ(1010u, asked->wParam);
    EXPECT_EQ(0, asked->answer);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("#32770", "General Options"); }));
    EXPECT_TRUE(m_project.Registered().empty());
}

TEST_F(OptionsDialogTest, StoredSwitchesAreShownAndOKWritesAllNine)
{
    PutRegDword(kConfig, "AutoConnectAtStart", 0);
    PutRegDword(kConfig, "CheckControllerType", 1);
    PutRegDword(kConfig, "ForceSlowProgramLoad", 1);
    PutRegDword(kConfig, "ForceSlowProgramSave", 1); // its fast save is not available
    PutRegDword(kConfig, "AllowProgramOperationsWhenRuning", 1);
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("General Options", WindowText(hDlg));

    const bool shown[] = {false, false, true, false, true, false, true, false, true};
    for (std::size_t i = 0; i < std::size(kSwitches); ++i)
        EXPECT_EQ(shown[i], ItemChecked(hDlg, kSwitches[i].control)) << kSwitches[i].value;
    EXPECT_TRUE(ItemEnabled(hDlg, IDC_OPT_FORCE_SLOW_PROGRAM_LOAD)); // fast program load is always on
    EXPECT_FALSE(ItemEnabled(hDlg, IDC_OPT_FORCE_SLOW_PROGRAM_SAVE));
    EXPECT_EQ("Notepad.exe", ItemText(hDlg, IDC_OPT_SCRIPT_EDITOR));

    SendDlgItemMessageA(hDlg, IDC_OPT_RESTORE_DESKTOP, BM_SETCHECK, BST_CHECKED, 0);
    Click(hDlg, IDOK);
    ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
    const DWORD written[] = {0, 0, 1, 1, 1, 0, 1, 0, 1};
    for (std::size_t i = 0; i < std::size(kSwitches); ++i)
        EXPECT_EQ(written[i], RegDword(kConfig, kSwitches[i].value)) << kSwitches[i].value;
    EXPECT_FALSE(RegValueExists(kTerminal, "ScriptEditor")); // shown, never stored
    const auto unregistered = m_project.Received(WM_APP + 0x104);
    ASSERT_EQ(1u, unregistered.size());
    EXPECT_EQ(1010u, unregistered[0].wParam);
}

TEST_F(OptionsDialogTest, ChangeStoresAnExistingEditorAtOnceAndCancelWritesNothingElse)
{
    ScratchFolder folder;
    const std::string editor = folder / "Edit Plus.exe";
    ASSERT_TRUE(WriteWholeFile(editor, "MZ"));
    m_files.Choose(folder / "missing.exe"); // ignored
    m_files.Choose(editor);
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);

    Click(hDlg, IDC_OPT_CHANGE_SCRIPT_EDITOR);
    ASSERT_TRUE(PumpUntil([&] { return m_files.Records().size() == 1; }));
    PumpUntil([] { return false; }, 100);
    EXPECT_EQ("Notepad.exe", ItemText(hDlg, IDC_OPT_SCRIPT_EDITOR));
    EXPECT_FALSE(RegValueExists(kTerminal, "ScriptEditor"));

    Click(hDlg, IDC_OPT_CHANGE_SCRIPT_EDITOR);
    ASSERT_TRUE(PumpUntil([&] { return ItemText(hDlg, IDC_OPT_SCRIPT_EDITOR) == editor; }));
    EXPECT_EQ(editor, RegText(kTerminal, "ScriptEditor"));
    const auto asked = m_files.Records();
    ASSERT_EQ(2u, asked.size());
    EXPECT_TRUE(asked[0].open);
    EXPECT_EQ("tsf", asked[0].defExt);
    EXPECT_EQ("Notepad.exe", asked[0].fileName);
    EXPECT_EQ("Executable (*.exe)|*.exe||", asked[0].filter);

    Click(hDlg, IDCANCEL);
    ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_EQ(editor, RegText(kTerminal, "ScriptEditor"));
    EXPECT_FALSE(RegValueExists(kConfig, "AutoConnectAtStart"));
}

TEST_F(OptionsDialogTest, DestroyRequestIsLoggedAndClosesWithoutWriting)
{
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ(4, SendMessageA(hDlg, WM_APP + 0x105, 0, 0));
    PostMessageA(hDlg, WM_APP + 0x108, 0, 0);
    ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"Options dialog\""));
    EXPECT_FALSE(RegKeyExists(kConfig));
}

} // namespace
