// The about box and the page setup.
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "picture_files.h"
#include "shell/aboutdialog.h"
#include "shell/pagesetupdialog.h"
#include "shell/visual_resource.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

CRect ControlRect(HWND dialog, int id)
{
    CRect rect;
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

TEST(AboutDialogTest, ShowsVersionBuildAndLegalNoticeAndEndsBelowTheNotice)
{
    CWinApp app("Shell tests");
    app.m_strHelpFilePath = HelpPathOfThisProgram().c_str();
    CAboutDialog about;
    ASSERT_TRUE(about.Create(IDD_ABOUT));
    EXPECT_EQ("About Vorta 2", WindowText(about));
    EXPECT_EQ("Version: 2.3.0.41 RC2", WindowText(about.GetDlgItemHwnd(IDC_ABOUT_VERSION)));
    const std::string build = WindowText(about.GetDlgItemHwnd(IDC_ABOUT_BUILD));
    EXPECT_TRUE(std::regex_match(build, std::regex("Built on [A-Z][a-z]{2} [ 0-9][0-9] [0-9]{4} at [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << build;
    EXPECT_EQ("Copyright (C) 2026 VexoLabs Ltd.", WindowText(about.GetDlgItemHwnd(IDC_ABOUT_LEGAL)));
    EXPECT_FALSE(::IsWindowVisible(about.GetDlgItemHwnd(IDC_ABOUT_CREDIT)));
    // OK moved up to end where the legal notice ends; the box shrank by as
    // much, so OK still sits inside it.
    const CRect ok = ControlRect(about, IDOK);
    EXPECT_EQ(ControlRect(about, IDC_ABOUT_LEGAL).bottom, ok.bottom);
    CRect client;
    about.GetClientRect(&client);
    EXPECT_LE(ok.bottom, client.bottom);
    EXPECT_LT(client.bottom - ok.bottom, ok.Height());
    about.DestroyWindow();
}

TEST(PrintMarginsTest, ShownMarginsRoundToTheNearestStoredStep)
{
    const struct {
        double shown;
        int unit;
        LONG stored;
        DWORD metric;
    } cases[] = {
        {0.29, CPrintPageSetupDialog::Inches, 29, 0},   {0.75, CPrintPageSetupDialog::Inches, 75, 0},
        {1.5, CPrintPageSetupDialog::Centimetres, 60, 1}, {0.33, CPrintPageSetupDialog::Centimetres, 13, 1},
        {0, CPrintPageSetupDialog::Inches, 0, 0},       {100, CPrintPageSetupDialog::Inches, 10000, 0},
        {100, CPrintPageSetupDialog::Centimetres, 4000, 1},
    };
    for (const auto& c : cases) {
        const double shown[4] = {c.shown, c.shown, c.shown, c.shown};
        const VQPrintMargins stored = ShownToMargins(shown, c.unit);
        EXPECT_EQ(c.stored, stored.left) << c.shown;
        EXPECT_EQ(c.stored, stored.bottom) << c.shown;
        EXPECT_EQ(c.metric, stored.metric) << c.shown;
        // Shown again in the unit they were stored in.
        double back[4];
        int unit = -1;
        MarginsToShown(stored, back, unit);
        EXPECT_EQ(c.unit, unit);
        EXPECT_NEAR(c.shown, back[0], c.unit == CPrintPageSetupDialog::Inches ? 0.005 : 0.0125);
    }
}

class PageSetupTest : public RegistrySandboxTest {
protected:
    void TearDown() override { CWnd::DeleteTempMap(); }

    // The dialog, modeless, so a test can type into it and press OK.
    void Open()
    {
        ASSERT_TRUE(m_dialog.Create(IDD_PAGE_SETUP));
    }
    std::string Field(int id) { return WindowText(m_dialog.GetDlgItemHwnd(id)); }
    void Type(int id, const char* text) { ::SetWindowTextA(m_dialog.GetDlgItemHwnd(id), text); }
    void ChooseUnit(int id)
    {
        m_dialog.CheckRadioButton(IDC_UNIT_CM, IDC_UNIT_INCH, id);
    }
    void PressOk() { m_dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }
    VQPrintMargins Stored()
    {
        VQPrintMargins margins = {-1, -1, -1, -1, 99};
        CVQRegistry().GetPrintMargins(margins);
        return margins;
    }

    ScriptedPrompts m_prompts;
    CPrintPageSetupDialog m_dialog;
};

TEST_F(PageSetupTest, NothingStoredShowsThreeQuarterInchMargins)
{
    Open();
    for (int id : {IDC_MARGIN_LEFT, IDC_MARGIN_TOP, IDC_MARGIN_RIGHT, IDC_MARGIN_BOTTOM})
        EXPECT_EQ("0.75", Field(id)) << id;
    EXPECT_EQ(BST_CHECKED, m_dialog.IsDlgButtonChecked(IDC_UNIT_INCH));
    EXPECT_EQ(BST_UNCHECKED, m_dialog.IsDlgButtonChecked(IDC_UNIT_CM));
    m_dialog.DestroyWindow();
}

TEST_F(PageSetupTest, SwitchingToCentimetresStoresTheShownNumbersInFortiethsOfACentimetre)
{
    Open();
    Type(IDC_MARGIN_LEFT, "1.5");
    ChooseUnit(IDC_UNIT_CM);
    PressOk();
    const VQPrintMargins stored = Stored();
    EXPECT_EQ(60, stored.left);
    EXPECT_EQ(30, stored.top); // 0.75 cm
    EXPECT_EQ(30, stored.right);
    EXPECT_EQ(30, stored.bottom);
    EXPECT_EQ(1u, stored.metric);
    EXPECT_TRUE(m_prompts.Texts().empty());
    m_dialog.DestroyWindow();

    // Shown again in centimetres.
    CPrintPageSetupDialog again;
    ASSERT_TRUE(again.Create(IDD_PAGE_SETUP));
    EXPECT_EQ("1.5", WindowText(again.GetDlgItemHwnd(IDC_MARGIN_LEFT)));
    EXPECT_EQ(BST_CHECKED, again.IsDlgButtonChecked(IDC_UNIT_CM));
    again.DestroyWindow();
}

TEST_F(PageSetupTest, MarginsOutsideZeroToHundredAreRefusedAndNothingIsStored)
{
    const struct {
        int field;
        const char* text;
    } cases[] = {
        {IDC_MARGIN_LEFT, "101"}, {IDC_MARGIN_BOTTOM, "-0.5"}, {IDC_MARGIN_TOP, "100.01"}, {IDC_MARGIN_RIGHT, "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        CPrintPageSetupDialog dialog;
        ASSERT_TRUE(dialog.Create(IDD_PAGE_SETUP));
        ::SetWindowTextA(dialog.GetDlgItemHwnd(c.field), c.text);
        const size_t before = m_prompts.Texts().size();
        dialog.SendMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        EXPECT_EQ(before + 1, m_prompts.Texts().size());
        EXPECT_EQ(-1, Stored().left); // the key was never written
        dialog.DestroyWindow();
    }
    // The edge values themselves are taken.
    Open();
    Type(IDC_MARGIN_LEFT, "100");
    Type(IDC_MARGIN_RIGHT, "0");
    Type(IDC_MARGIN_TOP, "0.29");
    PressOk();
    const VQPrintMargins stored = Stored();
    EXPECT_EQ(10000, stored.left);
    EXPECT_EQ(0, stored.right);
    EXPECT_EQ(29, stored.top);
    EXPECT_EQ(0u, stored.metric);
    m_dialog.DestroyWindow();
}

} // namespace
