// The Editor Options dialog on its own thread, registered with a fake
// project window; the test types into its pages and presses its buttons.
#include "editor/editoptions.h"

#include <gtest/gtest.h>

#include "framework/app.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_colour_dialogs.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace editor {
namespace {

const char* const kEditorKey = "Software\\VexoLabs\\Vorta2\\Editor";
const char* const kColourKey = "Software\\VexoLabs\\Vorta2\\Editor\\Colour";

bool ValueExists(const char* key, const char* name)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    const bool exists = RegQueryValueExA(hKey, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(hKey);
    return exists;
}

bool KeyHasValues(const char* key)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD values = 0;
    RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(hKey);
    return values > 0;
}

// A control of one of the pages (children of the dialog).
HWND Control(HWND hDlg, int id)
{
    struct Search {
        int id;
        HWND found;
    } search{id, nullptr};
    EnumChildWindows(
        hDlg,
        [](HWND hWnd, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            if (GetDlgCtrlID(hWnd) == s->id && !s->found)
                s->found = hWnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void Press(HWND control)
{
    PostMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                 reinterpret_cast<LPARAM>(control));
}

class EditorOptions : public RegistrySandboxTest {
protected:
    HWND Open()
    {
        if (!StartEditorOptions(nullptr, m_project))
            return nullptr;
        const HWND hDlg = m_project.WaitForRegistration(kToolIdEditorOptions);
        return hDlg && PumpUntil([hDlg] { return IsWindowVisible(hDlg) != FALSE; }) ? hDlg : nullptr;
    }
    static bool Enabled(HWND hDlg, int id) { return IsWindowEnabled(GetDlgItem(hDlg, id)) != FALSE; }
    void Close(HWND hDlg, int button)
    {
        Press(GetDlgItem(hDlg, button));
        ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
    }

    CWinApp m_app{"editor tests"};
    ScriptedPrompts m_prompts;
    FakeProjectWindow m_project;
};

TEST_F(EditorOptions, TabWidthsOutsideTheRangeAreWrittenAtItsEnds)
{
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("Editor Options", WindowText(hDlg));
    EXPECT_FALSE(Enabled(hDlg, IDOK));
    EXPECT_FALSE(Enabled(hDlg, kIdcApply));
    const HWND tabWidth = Control(hDlg, kIdcTabWidth);
    ASSERT_TRUE(tabWidth);
    EXPECT_EQ("4", WindowText(tabWidth));
    EXPECT_EQ("( 1 to 8 )", WindowText(Control(hDlg, kIdcTabWidthRange)));

    for (const auto& c : std::initializer_list<std::pair<const char*, DWORD>>{{"0", 1}, {"12", 8}, {"3", 3}}) {
        SetWindowTextA(tabWidth, c.first);
        ASSERT_TRUE(PumpUntil([&] { return Enabled(hDlg, kIdcApply); })) << c.first;
        EXPECT_TRUE(Enabled(hDlg, IDOK));
        m_project.ClearReceived();
        Press(GetDlgItem(hDlg, kIdcApply));
        ASSERT_TRUE(m_project.WaitFor(kMsgEditorSettingsChanged)) << c.first;
        EXPECT_EQ(c.second, CVQRegistry().GetTabIndent()) << c.first;
        EXPECT_TRUE(PumpUntil([&] { return !Enabled(hDlg, kIdcApply); }));
    }
    Close(hDlg, IDCANCEL);
    const auto unregistered = m_project.Received(WM_APP + 0x104);
    ASSERT_EQ(1u, unregistered.size());
    EXPECT_EQ(kToolIdEditorOptions, unregistered[0].wParam);
}

TEST_F(EditorOptions, ResetToDefaultsThenCancelWritesNothing)
{
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    const HWND reset = Control(hDlg, kIdcResetColours);
    ASSERT_TRUE(reset);
    Press(reset);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(hDlg, kIdcApply); }));
    Close(hDlg, IDCANCEL);
    EXPECT_FALSE(KeyHasValues(kColourKey));
    EXPECT_FALSE(ValueExists(kEditorKey, "TabIndent"));
    EXPECT_TRUE(m_project.Received(kMsgEditorSettingsChanged).empty());
}

TEST_F(EditorOptions, OkWritesTheModifiedPagesOnly)
{
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    Press(Control(hDlg, kIdcResetColours));
    ASSERT_TRUE(PumpUntil([&] { return Enabled(hDlg, IDOK); }));
    Close(hDlg, IDOK);
    EXPECT_EQ(RGB(128, 0, 0), CVQRegistry().GetEditorColour(4));
    EXPECT_TRUE(ValueExists(kColourKey, "Foreground"));
    EXPECT_FALSE(ValueExists(kEditorKey, "TabIndent"));
    EXPECT_FALSE(ValueExists(kEditorKey, "PrintInColour"));
    EXPECT_EQ(1u, m_project.Received(kMsgEditorSettingsChanged).size());
}

TEST_F(EditorOptions, AChosenColourIsWrittenOnApplyAndACancelledChooserChangesNothing)
{
    ScriptedColourDialogs colours;
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    const HWND comment = Control(hDlg, 1074); // "Comment text", colour 5
    ASSERT_TRUE(comment);
    Press(comment); // cancelled
    ASSERT_TRUE(PumpUntil([&] { return colours.Records().size() == 1; }));
    PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(Enabled(hDlg, kIdcApply));
    colours.Choose(RGB(1, 2, 3));
    Press(comment);
    ASSERT_TRUE(PumpUntil([&] { return Enabled(hDlg, kIdcApply); }));
    const auto asked = colours.Records();
    ASSERT_EQ(2u, asked.size());
    EXPECT_EQ(RGB(0, 128, 0), asked[0].initial);
    EXPECT_EQ(DWORD(CC_RGBINIT | CC_FULLOPEN | CC_ANYCOLOR), asked[0].flags);
    Press(GetDlgItem(hDlg, kIdcApply));
    ASSERT_TRUE(m_project.WaitFor(kMsgEditorSettingsChanged));
    EXPECT_EQ(RGB(1, 2, 3), CVQRegistry().GetEditorColour(5));
    Close(hDlg, IDCANCEL);
}

TEST_F(EditorOptions, TheDestroyRequestClosesAndIsLogged)
{
    MemoryLog log(LOG_DESTROY_REQUESTS);
    const HWND hDlg = Open();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ(4, SendMessageA(hDlg, WM_APP + 0x105, 0, 0));
    PostMessageA(hDlg, WM_APP + 0x108, 0, 0);
    ASSERT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_TRUE(PumpUntil([&] { return log.Contains("Destroy window request \"Editor Options\""); }));
}

TEST_F(EditorOptions, ARefusedRegistrationMakesNoDialog)
{
    m_project.SetRegistrationAnswer(0);
    ASSERT_TRUE(StartEditorOptions(nullptr, m_project));
    const auto asked = m_project.WaitFor(WM_APP + 0x103);
    ASSERT_TRUE(asked);
    EXPECT_EQ(kToolIdEditorOptions, asked->wParam);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA("#32770", "Editor Options"); }));
    EXPECT_TRUE(m_project.Registered().empty());
}

} // namespace
} // namespace editor
