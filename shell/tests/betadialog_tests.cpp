#include "shell/betadialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "shell/betafeatures.h"
#include "shell/res/shell_resource.h"
#include "shell_test_support.h"
#include "testsupport/test_window.h"

namespace {

const std::string kConfig = std::string(kSettingsRoot) + "\\Config";

class BetaDialogTest : public ShellDialogTest {
protected:
    // Creates the dialog as the project window's tool launcher does; its
    // window, or null (the object is then deleted here).
    HWND Create()
    {
        CObject* object = RUNTIME_CLASS(CBetaFeatureControlDialog)->CreateObject();
        auto* dialog = static_cast<CBetaFeatureControlDialog*>(object);
        if (!dialog || !dialog->GetSafeHwnd()) {
            delete dialog;
            return nullptr;
        }
        return dialog->GetSafeHwnd();
    }

    static HWND List(HWND hDlg) { return GetDlgItem(hDlg, IDC_BETA_LIST); }

    static int RowImage(HWND hDlg, int row)
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        return SendMessageA(List(hDlg), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.iImage : -99;
    }

    static std::string RowText(HWND hDlg, int row)
    {
        char text[128] = {};
        LVITEMA item = {};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(List(hDlg), LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        return text;
    }

    // The user clicks a row: it becomes the selection and the list tells
    // its dialog.
    static void ClickRow(HWND hDlg, int row)
    {
        LVITEMA state = {};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageA(List(hDlg), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = List(hDlg);
        click.hdr.idFrom = IDC_BETA_LIST;
        click.hdr.code = NM_CLICK;
        click.iItem = row;
        SendMessageA(hDlg, WM_NOTIFY, IDC_BETA_LIST, reinterpret_cast<LPARAM>(&click));
    }
};

TEST_F(BetaDialogTest, RowsShowTheTableAndTheDialogMovesToTheRegisteredPosition)
{
    PutRegDword(kConfig, "BetaMask01", 1);
    m_project.SetRegistrationAnswer(MAKELONG(123, 77));
    const HWND hDlg = Create();
    ASSERT_TRUE(hDlg);
    EXPECT_EQ("Beta Features", WindowText(hDlg));
    RECT rect = {};
    GetWindowRect(hDlg, &rect);
    EXPECT_EQ(123, rect.left);
    EXPECT_EQ(77, rect.top);
    const auto registered = m_project.Registered();
    ASSERT_EQ(1u, registered.size());
    EXPECT_EQ(1028u, registered[0].toolId);
    EXPECT_EQ(4, registered[0].replyClass);

    LVCOLUMNA column = {};
    char heading[64] = {};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(SendMessageA(List(hDlg), LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ("Feature", heading);

    ASSERT_EQ(5, SendMessageA(List(hDlg), LVM_GETITEMCOUNT, 0, 0));
    const char* texts[] = {"", "", "Fast Project Load (Connected)", "FastProgramSave", "Enhanced comms link selection"};
    for (int row = 0; row < 5; ++row)
        EXPECT_EQ(texts[row], RowText(hDlg, row)) << row;
    EXPECT_EQ(6, RowImage(hDlg, 2));
    EXPECT_EQ(6, RowImage(hDlg, 3));
    EXPECT_EQ(1, RowImage(hDlg, 4));

    // The dialog takes no replies: it answers 4 and stores no receiver.
    void* receiver = &receiver;
    EXPECT_EQ(4, SendMessageA(hDlg, WM_APP + 0x105, reinterpret_cast<WPARAM>(&receiver), 0));
    EXPECT_EQ(&receiver, receiver);

    PostMessageA(hDlg, WM_APP + 0x108, 0, 0);
    EXPECT_TRUE(PumpUntil([hDlg] { return !IsWindow(hDlg); }));
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_FALSE(RegValueExists(kConfig, "BetaMask00"));
}

TEST_F(BetaDialogTest, ClicksToggleOnlyTheSwitchedFeatureAndOKWritesTheMasks)
{
    PutRegDword(kConfig, "BetaMask01", 1);
    const HWND hDlg = Create();
    ASSERT_TRUE(hDlg);
    for (int row : {0, 1, 2, 3})
        ClickRow(hDlg, row);
    EXPECT_EQ(6, RowImage(hDlg, 2));
    ClickRow(hDlg, 4);
    EXPECT_EQ(0, RowImage(hDlg, 4));
    EXPECT_TRUE(IsBetaFeatureEnabled(4)); // nothing is stored before OK

    Click(hDlg, IDOK);
    ASSERT_TRUE(PumpUntil([hDlg] { return !IsWindow(hDlg); }));
    EXPECT_EQ(0, RegDword(kConfig, "BetaMask00"));
    EXPECT_EQ(0, RegDword(kConfig, "BetaMask01"));
    EXPECT_FALSE(IsBetaFeatureEnabled(4));

    // On again, and Cancel keeps what is stored.
    const HWND again = Create();
    ASSERT_TRUE(again);
    EXPECT_EQ(0, RowImage(again, 4));
    ClickRow(again, 4);
    EXPECT_EQ(1, RowImage(again, 4));
    Click(again, IDOK);
    ASSERT_TRUE(PumpUntil([again] { return !IsWindow(again); }));
    EXPECT_EQ(1, RegDword(kConfig, "BetaMask01"));
    EXPECT_TRUE(IsBetaFeatureEnabled(4));

    const HWND cancelled = Create();
    ASSERT_TRUE(cancelled);
    ClickRow(cancelled, 4);
    Click(cancelled, IDCANCEL);
    ASSERT_TRUE(PumpUntil([cancelled] { return !IsWindow(cancelled); }));
    EXPECT_EQ(1, RegDword(kConfig, "BetaMask01"));
}

TEST_F(BetaDialogTest, NoDialogWithoutAProjectWindowOrWhenRefused)
{
    m_project.SetRegistrationAnswer(0);
    EXPECT_EQ(nullptr, Create());
    m_frame.ClearComponent(1035);
    m_project.SetRegistrationAnswer(MAKELONG(40, 30));
    EXPECT_EQ(nullptr, Create());
    EXPECT_TRUE(m_project.Registered().empty());
}

} // namespace
