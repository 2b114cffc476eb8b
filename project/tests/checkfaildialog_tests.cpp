// The failed-program question of the project check.
#include <gtest/gtest.h>

#include "framework/app.h"
#include "project/checkfaildialog.h"
#include "project/projectmessages.h"
#include "testsupport/fake_windows.h"

TEST(ProgCheckFailDialog, PostsCopiesOfItsTextsOrDisconnects)
{
    CWinApp app("check fail");
    FakeProjectWindow project;
    FakeMainFrame frame(&project);
    const struct {
        int button;
        UINT message;
    } cases[] = {{0, WM_PW_SAVE_PROGRAM_FILE}, {1, WM_PW_LOAD_PROGRAM_FILE}, {2, WM_PW_DISCONNECT},
                 {-1, WM_PW_DISCONNECT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        project.ClearReceived();
        auto* dialog = new CProgCheckFailDialog(project.Object(), "Check project", "MAIN differs", "MAIN",
                                                "C:\\Proj\\MAIN.bas");
        dialog->SetSelfDelete(TRUE);
        ASSERT_TRUE(dialog->Create(static_cast<CWnd*>(nullptr)));
        EXPECT_EQ(dialog->GetButtonCount(), 3);
        EXPECT_EQ(dialog->GetDefaultButton(), 0) << "Save is the default";
        dialog->EndWithButton(c.button); // the dialog is gone after this
        const auto got = project.WaitFor(c.message);
        ASSERT_TRUE(got.has_value());
        if (c.message == WM_PW_DISCONNECT) {
            EXPECT_EQ(got->wParam, 3u);
        } else {
            EXPECT_STREQ(reinterpret_cast<const char*>(got->wParam), "MAIN");
            EXPECT_STREQ(reinterpret_cast<const char*>(got->lParam), "C:\\Proj\\MAIN.bas");
            FreeCheckFailText(static_cast<LPARAM>(got->wParam));
            FreeCheckFailText(got->lParam);
        }
    }
}
