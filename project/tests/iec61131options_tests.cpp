// The IEC 61131 options window: its check box shows and stores the
// setting, it registers with the project window and goes on the destroy
// request.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/app.h"
#include "project/iec61131options.h"
#include "project/project_resource.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_windows.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "ui/toolmessages.h"

namespace {

std::string WindowText(HWND window)
{
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class IecOptionsTest : public RegistrySandboxTest {
protected:
    HWND Open()
    {
        auto* dialog = new CIEC61131Options;
        if (!dialog->Create())
            return nullptr;
        return dialog->GetSafeHwnd();
    }

    CWinApp m_app{"project tests"};
    MemoryLog m_log{LOG_DESTROY_REQUESTS | LOG_WINDOW_REGISTRATION};
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
};

TEST_F(IecOptionsTest, TheCheckBoxShowsAndStoresTheSetting)
{
    struct Case {
        DWORD stored;
        UINT shown;
        bool tick;
        BOOL written;
    };
    const Case cases[] = {
        {0, BST_UNCHECKED, true, TRUE},
        {1, BST_CHECKED, false, FALSE},
        {7, BST_CHECKED, false, FALSE},
        {1, BST_CHECKED, true, TRUE},
    };
    for (const Case& c : cases) {
        CVQRegistry().SetEnableIEC61131(c.stored);
        HWND dialog = Open();
        ASSERT_NE(nullptr, dialog);
        EXPECT_EQ(dialog, m_project.WaitForRegistration(TOOL_ID_IEC61131_OPTIONS));
        EXPECT_EQ(c.shown, IsDlgButtonChecked(dialog, IDC_ENABLE_IEC61131)) << c.stored;
        EXPECT_EQ("IEC 61131 Options", WindowText(dialog));
        EXPECT_EQ("Enable IEC 61131 support", WindowText(GetDlgItem(dialog, IDC_ENABLE_IEC61131)));
        CheckDlgButton(dialog, IDC_ENABLE_IEC61131, c.tick ? BST_CHECKED : BST_UNCHECKED);
        SendMessageA(dialog, WM_COMMAND, IDOK, 0);
        EXPECT_FALSE(IsWindow(dialog));
        EXPECT_TRUE(m_project.WaitForUnregistration(dialog));
        EXPECT_EQ(c.written, CVQRegistry().GetEnableIEC61131()) << c.stored;
    }
}

TEST_F(IecOptionsTest, CancelStoresNothing)
{
    CVQRegistry().SetEnableIEC61131(0);
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    CheckDlgButton(dialog, IDC_ENABLE_IEC61131, BST_CHECKED);
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_FALSE(CVQRegistry().GetEnableIEC61131());
}

TEST_F(IecOptionsTest, TheDestroyRequestIsLoggedAndClosesTheWindow)
{
    HWND dialog = Open();
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(0, SendMessageA(dialog, WM_DESTROY_REQUEST, 0, 0));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"IEC61131 Options dialog\""));
    EXPECT_TRUE(m_project.WaitForUnregistration(dialog));
}

TEST_F(IecOptionsTest, ARefusedRegistrationFailsTheCreation)
{
    m_project.SetRegistrationAnswer(0);
    EXPECT_EQ(nullptr, Open());
}

} // namespace
