// The programs-fixed question and the program properties dialog.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "framework/app.h"
#include "project/programdialogs.h"
#include "project/programtypes.h"
#include "project/project_resource.h"
#include "testsupport/test_window.h"

namespace {

struct PropertiesCase {
    int autoRun;
    int editable;
    const char* autoRunText;
    const char* editableText;
};

} // namespace

TEST(ProgramProperties, ShowsTheRecord)
{
    CWinApp app("program properties");
    const PropertiesCase cases[] = {
        {0, 1, "", "&Yes"}, {-1, 0, "Default", "&No"}, {3, 1, "3", "&Yes"}, {-2, 0, "", "&No"},
    };
    for (const PropertiesCase& c : cases) {
        CProgramData program;
        program.m_strName = "MAIN";
        program.m_nType = PROGRAM_TYPE_BASIC;
        program.m_nSourceSize = 2147483647;
        program.m_nCodeSize = -1;
        program.m_nAutoRun = c.autoRun;
        program.m_nEditable = c.editable;
        CProgramProperties dialog(nullptr, program);
        ASSERT_TRUE(dialog.Create(IDD_PROGRAM_PROPERTIES, nullptr));
        auto field = [&](int id) { return WindowText(::GetDlgItem(dialog.m_hWnd, id)); };
        EXPECT_EQ(WindowText(dialog.m_hWnd), "Program Properties");
        EXPECT_EQ(field(IDC_PROPERTIES_NAME), "MAIN");
        EXPECT_EQ(field(IDC_PROPERTIES_TYPE), std::string(GetProgramTypeName(PROGRAM_TYPE_BASIC)));
        EXPECT_EQ(field(IDC_PROPERTIES_SOURCE), "2147483647");
        EXPECT_EQ(field(IDC_PROPERTIES_CODE), "-1");
        EXPECT_EQ(field(IDC_PROPERTIES_AUTORUN), c.autoRunText) << c.autoRun;
        EXPECT_EQ(field(IDC_PROPERTIES_EDITABLE), c.editableText) << c.editable;
        dialog.DestroyWindow();
    }
}

// The question runs modal, as the project check shows it; a helper thread
// answers.
TEST(AskUnfixPrograms, ReportsTheChoiceOnContinueOnly)
{
    CWinApp app("unfix programs");
    const struct {
        int radio;  // 0: leave as it starts
        int button;
        INT_PTR result;
        bool makeEditable;
    } cases[] = {
        {0, IDOK, IDOK, false},
        {IDC_UNFIX_MAKE_EDITABLE, IDOK, IDOK, true},
        {IDC_UNFIX_MAKE_EDITABLE, IDCANCEL, IDCANCEL, false},
    };
    for (const auto& c : cases) {
        std::atomic<bool> startedFixed{false};
        std::thread helper([&] {
            HWND dialog = nullptr;
            PumpUntil([&] {
                dialog = ::FindWindowA(nullptr, "Programs Fixed");
                return dialog && ::IsWindowVisible(dialog);
            });
            if (!dialog)
                return;
            startedFixed = ::IsDlgButtonChecked(dialog, IDC_UNFIX_CONTINUE_FIXED) == BST_CHECKED &&
                           ::IsDlgButtonChecked(dialog, IDC_UNFIX_MAKE_EDITABLE) == BST_UNCHECKED;
            if (c.radio)
                ::CheckRadioButton(dialog, IDC_UNFIX_MAKE_EDITABLE, IDC_UNFIX_CONTINUE_FIXED, c.radio);
            ::PostMessageA(dialog, WM_COMMAND, c.button, 0);
        });
        CAskUnfixProgramsDialog dialog;
        const INT_PTR result = dialog.DoModal();
        helper.join();
        EXPECT_TRUE(startedFixed);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(dialog.IsMakeEditable() != FALSE, c.makeEditable) << c.radio << " " << c.button;
    }
}
