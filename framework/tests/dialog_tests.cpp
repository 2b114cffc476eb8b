#include "framework/dialog.h"

#include <gtest/gtest.h>

#include "framework/app.h"
#include "framework_tests_res.h"
#include "testsupport/deleted_storage.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

class CExchangeDialog : public CDialog {
public:
    CExchangeDialog() : CDialog(IDD_EXCHANGE) {}

    int m_number = 7;
    CString m_name = "initial";
    int m_enabled = 1;
    int m_choice = 1;
    double m_ratio = 0.25;
    int m_closeWith = 0; // a modal run ends itself with this command

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_NUMBER, m_number);
        DDV_MinMaxInt(pDX, m_number, 0, 100);
        DDX_Text(pDX, IDC_NAME, m_name);
        DDV_MaxChars(pDX, m_name, 8);
        DDX_Check(pDX, IDC_ENABLED, m_enabled);
        DDX_Radio(pDX, IDC_RADIO1, m_choice);
        DDX_Text(pDX, IDC_RATIO, m_ratio);
        DDV_MinMaxDouble(pDX, m_ratio, 0.0, 1.0);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (m_closeWith) {
            SetDlgItemText(IDC_NUMBER, "55");
            PostMessage(WM_COMMAND, MAKEWPARAM(m_closeWith, BN_CLICKED), 0);
        }
        return TRUE;
    }
};

TEST(DialogTest, ModelessDialogExchangesDataBothWaysAndRejectsOutOfRangeValues)
{
    ScriptedPrompts prompts;
    CExchangeDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_EXCHANGE));
    ASSERT_TRUE(IsWindow(dlg.m_hWnd));

    // Members to controls.
    EXPECT_EQ("7", WindowText(dlg.GetDlgItemHwnd(IDC_NUMBER)));
    EXPECT_EQ("initial", WindowText(dlg.GetDlgItemHwnd(IDC_NAME)));
    EXPECT_EQ(BST_CHECKED, dlg.IsDlgButtonChecked(IDC_ENABLED));
    EXPECT_EQ(BST_UNCHECKED, dlg.IsDlgButtonChecked(IDC_RADIO1));
    EXPECT_EQ(BST_CHECKED, dlg.IsDlgButtonChecked(IDC_RADIO2));
    EXPECT_EQ("0.25", WindowText(dlg.GetDlgItemHwnd(IDC_RATIO)));

    // Controls to members.
    dlg.SetDlgItemText(IDC_NUMBER, " 42 ");
    dlg.SetDlgItemText(IDC_NAME, "changed");
    dlg.CheckDlgButton(IDC_ENABLED, BST_UNCHECKED);
    dlg.CheckRadioButton(IDC_RADIO1, IDC_RADIO2, IDC_RADIO1);
    dlg.SetDlgItemText(IDC_RATIO, "0.5");
    ASSERT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(42, dlg.m_number);
    EXPECT_STREQ("changed", dlg.m_name);
    EXPECT_EQ(0, dlg.m_enabled);
    EXPECT_EQ(0, dlg.m_choice);
    EXPECT_DOUBLE_EQ(0.5, dlg.m_ratio);
    EXPECT_TRUE(prompts.Records().empty());

    // Invalid input: the user is told, the exchange stops at that control.
    const struct {
        int control;
        const char* text;
        const char* message;
    } cases[] = {
        {IDC_NUMBER, "250", "Please enter an integer between 0 and 100."},
        {IDC_NUMBER, "12abc", "Please enter an integer."},
        {IDC_NUMBER, "99999999999", "Please enter an integer."},
        {IDC_NAME, "far too long", "Enter no more than 8 characters."},
        {IDC_RATIO, "1.5", "Please enter a number between 0 and 1."},
        {IDC_RATIO, "x", "Please enter a number."},
    };
    for (const auto& c : cases) {
        CString saved;
        dlg.GetDlgItemText(c.control, saved);
        dlg.SetDlgItemText(c.control, c.text);
        EXPECT_FALSE(dlg.UpdateData(TRUE)) << c.text;
        ASSERT_FALSE(prompts.Records().empty());
        EXPECT_EQ(c.message, prompts.Records().back().text) << c.text;
        dlg.SetDlgItemText(c.control, saved);
    }
    EXPECT_EQ(42, dlg.m_number);
    dlg.DestroyWindow();
    EXPECT_EQ(nullptr, dlg.m_hWnd);
}

// A double and a float exchanged through edit controls: decimal numbers only.
class CNumberDialog : public CDialog {
public:
    CNumberDialog() : CDialog(IDD_EXCHANGE) {}

    double m_double = 1.0;
    float m_float = 1.0f;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_RATIO, m_double);
        DDX_Text(pDX, IDC_NAME, m_float);
    }
};

TEST(DialogTest, NumberFieldsTakeDecimalNumbersOnly)
{
    ScriptedPrompts prompts;
    CNumberDialog dlg;
    ASSERT_TRUE(dlg.Create(IDD_EXCHANGE));
    const struct {
        const char* text;
        bool taken;
        double value; // as a double; the float field holds it as a float
    } cases[] = {
        {"8", true, 8.0},
        {" -2.5 ", true, -2.5},
        {".5", true, 0.5},
        {"5.", true, 5.0},
        {"+1.25e2", true, 125.0},
        {"1E-3", true, 0.001},
        {"1e-400", true, 0.0}, // too small for a double: 0
        {"-1e-320", true, 0.0},
        {"nan", false, 0.0},
        {"NaN", false, 0.0},
        {"inf", false, 0.0},
        {"-Infinity", false, 0.0},
        {"0x1p3", false, 0.0},
        {"0x10", false, 0.0},
        {"1e400", false, 0.0}, // too large
        {".", false, 0.0},
        {"1e", false, 0.0},
        {"1e+", false, 0.0},
        {"1.2.3", false, 0.0},
        {"", false, 0.0},
    };
    for (const auto& c : cases) {
        for (const int control : {IDC_RATIO, IDC_NAME}) {
            SCOPED_TRACE(std::string(c.text) + (control == IDC_RATIO ? " (double)" : " (float)"));
            dlg.m_double = 1.0;
            dlg.m_float = 1.0f;
            dlg.SetDlgItemText(IDC_RATIO, "1");
            dlg.SetDlgItemText(IDC_NAME, "1");
            dlg.SetDlgItemText(control, c.text);
            const size_t told = prompts.Records().size();
            EXPECT_EQ(c.taken, dlg.UpdateData(TRUE) != FALSE);
            if (c.taken) {
                EXPECT_EQ(told, prompts.Records().size());
                if (control == IDC_RATIO)
                    EXPECT_EQ(c.value, dlg.m_double);
                else
                    EXPECT_EQ(static_cast<float>(c.value), dlg.m_float);
            } else {
                ASSERT_EQ(told + 1, prompts.Records().size());
                EXPECT_EQ("Please enter a number.", prompts.Records().back().text);
                EXPECT_EQ(1.0, control == IDC_RATIO ? dlg.m_double : static_cast<double>(dlg.m_float))
                    << "the member keeps its value";
            }
        }
    }
    // A double's range is more than a float holds.
    dlg.SetDlgItemText(IDC_RATIO, "1e39");
    dlg.SetDlgItemText(IDC_NAME, "1");
    EXPECT_TRUE(dlg.UpdateData(TRUE));
    EXPECT_EQ(1e39, dlg.m_double);
    dlg.SetDlgItemText(IDC_NAME, "1e39");
    EXPECT_FALSE(dlg.UpdateData(TRUE));
    EXPECT_EQ(1.0f, dlg.m_float);
    dlg.DestroyWindow();
}

TEST(DialogTest, ModalDialogReturnsTheButtonAndSavesOnlyOnOk)
{
    ScriptedPrompts prompts;
    CExchangeDialog ok;
    ok.m_closeWith = IDOK;
    EXPECT_EQ(IDOK, ok.DoModal());
    EXPECT_EQ(55, ok.m_number);
    EXPECT_EQ(nullptr, ok.m_hWnd);

    CExchangeDialog cancel;
    cancel.m_closeWith = IDCANCEL;
    EXPECT_EQ(IDCANCEL, cancel.DoModal());
    EXPECT_EQ(7, cancel.m_number);

    CDialog missing(9999);
    EXPECT_EQ(-1, missing.DoModal());
}

// Deletes itself when its window goes.
class CSelfDeletingDialogBase : public CExchangeDialog {
protected:
    void PostNcDestroy() override { delete this; }
};
using CSelfDeletingDialog = DeletedStorage<CSelfDeletingDialogBase>;

TEST(DialogTest, ASelfDeletingModalDialogIsNotTouchedAfterItsRun)
{
    ScriptedPrompts prompts;
    for (const int button : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(button);
        auto* dlg = new CSelfDeletingDialog;
        dlg->m_closeWith = button;
        EXPECT_EQ(button, dlg->DoModal());
        ASSERT_TRUE(CSelfDeletingDialog::IsDeleted());
        EXPECT_EQ(-1, CSelfDeletingDialog::FirstWriteAfterDeletion());
    }
}

// A dialog whose template leaves its place open (0, 0 of its owner) opens
// centred on its owner instead of in the owner's corner; given no owner it
// is owned by the program's main window. One placed while it is made stays
// where it was put.
class CPlacedDialog : public CExchangeDialog {
public:
    POINT m_place = {-1, -1}; // where OnCreate puts it; -1 leaves it
protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        const LRESULT result = CExchangeDialog::WindowProc(message, wParam, lParam);
        if (message == WM_CREATE && m_place.x >= 0)
            SetWindowPos(nullptr, m_place.x, m_place.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return result;
    }
};

TEST(DialogTest, ADialogWithoutAPlaceOpensCentredOnItsOwner)
{
    ScriptedPrompts prompts;
    CWinApp app("Dialog place");
    TestWindow owner("Main", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetWindowPos(owner, nullptr, 300, 200, 600, 400, SWP_NOZORDER | SWP_NOACTIVATE);
    CWnd mainWindow;
    mainWindow.m_hWnd = owner;
    app.m_pMainWnd = &mainWindow;

    for (const bool placed : {false, true}) {
        SCOPED_TRACE(placed);
        CPlacedDialog dlg;
        if (placed)
            dlg.m_place = {40, 30};
        ASSERT_TRUE(dlg.Create(IDD_EXCHANGE));
        EXPECT_EQ(owner.Handle(), GetWindow(dlg.m_hWnd, GW_OWNER));
        RECT box = {};
        GetWindowRect(dlg.m_hWnd, &box);
        if (placed) {
            EXPECT_EQ(40, box.left);
            EXPECT_EQ(30, box.top);
        } else {
            EXPECT_NEAR(300 + 600 / 2, (box.left + box.right) / 2, 1);
            EXPECT_NEAR(200 + 400 / 2, (box.top + box.bottom) / 2, 1);
        }
        dlg.DestroyWindow();
    }
    app.m_pMainWnd = nullptr;
    mainWindow.m_hWnd = nullptr;
}

TEST(ResourceTest, LoadStringReadsTheStringTable)
{
    CString s;
    EXPECT_TRUE(s.LoadString(IDS_GREETING));
    EXPECT_STREQ("Hello from the string table", s);
    EXPECT_FALSE(s.LoadString(4242));
    EXPECT_TRUE(s.IsEmpty());
}

} // namespace
