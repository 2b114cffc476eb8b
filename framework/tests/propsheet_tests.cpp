#include "framework/propsheet.h"

#include <stdexcept>

#include <gtest/gtest.h>

#include "framework_tests_res.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

class CValuePage : public CPropertyPage {
public:
    explicit CValuePage(UINT id) : CPropertyPage(id) {}
    int m_value = 1;
    int m_applied = 0;
    int m_activated = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_Text(pDX, IDC_PAGE_VALUE, m_value);
        DDV_MinMaxInt(pDX, m_value, 0, 10);
    }
    BOOL OnSetActive() override
    {
        ++m_activated;
        return CPropertyPage::OnSetActive();
    }
    BOOL OnApply() override
    {
        ++m_applied;
        return CPropertyPage::OnApply();
    }
};

class PropertySheetTest : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&icc);
    }
    ScriptedPrompts m_prompts;
};

TEST_F(PropertySheetTest, ApplyReachesTheModifiedPagesOfAModelessSheet)
{
    CValuePage first(IDD_PAGE1), second(IDD_PAGE2);
    CPropertySheet sheet("Options");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create());
    ASSERT_NE(nullptr, first.m_hWnd);
    EXPECT_EQ(0, sheet.GetActiveIndex());
    EXPECT_EQ(&first, sheet.GetActivePage());
    EXPECT_EQ("1", WindowText(first.GetDlgItemHwnd(IDC_PAGE_VALUE)));

    first.SetDlgItemText(IDC_PAGE_VALUE, "4");
    first.SetModified();
    ASSERT_TRUE(sheet.SetActivePage(1));
    ASSERT_NE(nullptr, second.m_hWnd);
    EXPECT_EQ(4, first.m_value);
    second.SetDlgItemText(IDC_PAGE_VALUE, "9");
    second.SetModified();

    sheet.PressButton(PSBTN_APPLYNOW);
    EXPECT_EQ(1, first.m_applied);
    EXPECT_EQ(1, second.m_applied);
    EXPECT_EQ(9, second.m_value);
    EXPECT_FALSE(first.IsModified());
    EXPECT_TRUE(m_prompts.Records().empty());
    sheet.DestroyWindow();
}

TEST_F(PropertySheetTest, AnInvalidPageKeepsTheSheetOnIt)
{
    CValuePage first(IDD_PAGE1), second(IDD_PAGE2);
    CPropertySheet sheet("Options");
    sheet.AddPage(&first);
    sheet.AddPage(&second);
    ASSERT_TRUE(sheet.Create());
    first.SetDlgItemText(IDC_PAGE_VALUE, "11");
    sheet.SetActivePage(1);
    EXPECT_EQ(0, sheet.GetActiveIndex());
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Please enter an integer between 0 and 10.", m_prompts.Records()[0].text);
    sheet.DestroyWindow();
}

// Fails its first look at the sheet window, inside the sheet's callback.
class CFailingSheet : public CPropertySheet {
public:
    using CPropertySheet::CPropertySheet;

protected:
    void PreSubclassWindow() override { throw std::runtime_error("no look at the sheet"); }
};

TEST_F(PropertySheetTest, AFailureInTheSheetCallbackStaysInsideItAndLeavesNoSheet)
{
    CValuePage first(IDD_PAGE1);
    CFailingSheet sheet("Failing sheet");
    sheet.AddPage(&first);
    EXPECT_FALSE(sheet.Create());
    EXPECT_EQ(nullptr, sheet.m_hWnd);
    EXPECT_EQ(nullptr, ::FindWindowA(nullptr, "Failing sheet"));
}

TEST_F(PropertySheetTest, PagesHostedInATabControlSwitchValidateAndApply)
{
    TestWindow host("host", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND tab = CreateWindowExA(0, WC_TABCONTROLA, "", WS_CHILD | WS_VISIBLE, 5, 5, 300, 150, host, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, tab);
    CValuePage first(IDD_PAGE1), second(IDD_PAGE2);
    CTabbedPages pages;
    ASSERT_TRUE(pages.Attach(tab));
    ASSERT_TRUE(pages.AddPage(&first));
    ASSERT_TRUE(pages.AddPage(&second, "Renamed"));
    EXPECT_EQ(2, TabCtrl_GetItemCount(tab));
    EXPECT_EQ(host.Handle(), GetParent(first.m_hWnd));
    EXPECT_TRUE(first.GetStyle() & WS_CHILD);
    EXPECT_TRUE(first.IsWindowVisible());
    EXPECT_FALSE(second.IsWindowVisible());

    char title[32] = {};
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = title;
    item.cchTextMax = sizeof title;
    TabCtrl_GetItem(tab, 1, &item);
    EXPECT_STREQ("Renamed", title);

    first.SetDlgItemText(IDC_PAGE_VALUE, "12");
    EXPECT_FALSE(pages.SetActivePage(1));
    EXPECT_EQ(&first, pages.GetActivePage());
    first.SetDlgItemText(IDC_PAGE_VALUE, "3");
    EXPECT_TRUE(pages.SetActivePage(1));
    EXPECT_FALSE(first.IsWindowVisible());
    EXPECT_TRUE(second.IsWindowVisible());
    EXPECT_EQ(3, first.m_value);

    EXPECT_TRUE(pages.Apply());
    EXPECT_EQ(1, first.m_applied);
    EXPECT_EQ(1, second.m_applied);
    first.DestroyWindow();
    second.DestroyWindow();
}

} // namespace
