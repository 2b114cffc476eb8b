// The text entry and recent projects dialogs, created modeless and driven
// by messages.
#include <gtest/gtest.h>

#include <string>

#include "foundation/registry.h"
#include "framework/app.h"
#include "project/project_resource.h"
#include "project/projectdialogs.h"
#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"

namespace {

UINT DefaultButton(HWND dialog)
{
    return LOWORD(::SendMessageA(dialog, DM_GETDEFID, 0, 0));
}

} // namespace

TEST(EnterTextDialog, ShowsThePresetAndFollowsTheText)
{
    CWinApp app("enter text");
    CString result = "Old";
    CEnterTextDialog dialog(nullptr, "New directory", "Enter new directory name", &result);
    ASSERT_TRUE(dialog.Create(IDD_ENTER_TEXT, nullptr));
    const HWND window = dialog.m_hWnd;
    char text[64] = {};
    ::GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "New directory");
    ::GetDlgItemTextA(window, IDC_ENTER_PROMPT, text, sizeof text);
    EXPECT_STREQ(text, "Enter new directory name");
    ::GetDlgItemTextA(window, IDC_ENTER_TEXT, text, sizeof text);
    EXPECT_STREQ(text, "Old");
    EXPECT_EQ(DefaultButton(window), static_cast<UINT>(IDOK));
    ::SetDlgItemTextA(window, IDC_ENTER_TEXT, "");
    EXPECT_EQ(DefaultButton(window), static_cast<UINT>(IDCANCEL));
    EXPECT_STREQ(result, "Old") << "nothing is stored before OK";
    ::SendMessageA(window, WM_COMMAND, IDOK, 0);
    EXPECT_STREQ(result, "") << "OK with an empty field stores an empty text";
    if (::IsWindow(window))
        dialog.DestroyWindow();
}

class RecentProjectsTest : public RegistrySandboxTest {};

// Two projects in one folder differ at the end of their paths only: the
// dialog is wide enough to show each path whole.
TEST_F(RecentProjectsTest, LongPathsAreShownWhole)
{
    CWinApp app("recent");
    CRegistry key;
    ASSERT_TRUE(key.CreateAndOpen(HKEY_CURRENT_USER, CVQRegistry::KeyPath("\\Projects")));
    const char folder[] = "Z:\\work\\customers\\North Works\\Line 4 retrofit 2026\\Axis tuning\\";
    key.SetString("Project00", (std::string(folder) + "First trial.prj").c_str());
    key.SetString("Project01", (std::string(folder) + "Second trial.prj").c_str());

    CRecentProjectsDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_RECENT_PROJECTS, nullptr));
    const HWND list = ::GetDlgItem(dialog.m_hWnd, IDC_RECENT_LIST);
    HDC dc = ::GetDC(list);
    HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageA(list, WM_GETFONT, 0, 0)));
    const std::string longest = std::string(folder) + "Second trial.prj";
    SIZE text = {};
    ::GetTextExtentPoint32A(dc, longest.c_str(), static_cast<int>(longest.size()), &text);
    ::SelectObject(dc, old);
    ::ReleaseDC(list, dc);
    RECT client = {};
    ::GetClientRect(list, &client);
    EXPECT_GE(client.right, text.cx);
    dialog.DestroyWindow();
}

TEST_F(RecentProjectsTest, ListsUpToTheFirstEmptyValueAndSelects)
{
    CWinApp app("recent");
    CRegistry key;
    ASSERT_TRUE(key.CreateAndOpen(HKEY_CURRENT_USER, CVQRegistry::KeyPath("\\Projects")));
    key.SetString("Project00", "C:\\Work\\B\\B.prj");
    key.SetString("Project01", "C:\\Work\\A\\A.prj");
    key.SetString("Project02", "");
    key.SetString("Project03", "C:\\Work\\C\\C.prj");

    CRecentProjectsDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_RECENT_PROJECTS, nullptr));
    const HWND window = dialog.m_hWnd;
    const HWND list = ::GetDlgItem(window, IDC_RECENT_LIST);
    ASSERT_EQ(::SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    char first[64] = {};
    ::SendMessageA(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, "C:\\Work\\A\\A.prj") << "the list is sorted";
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(window, IDOK)));
    EXPECT_EQ(DefaultButton(window), static_cast<UINT>(IDCANCEL));

    ::SendMessageA(list, LB_SETCURSEL, 1, 0);
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_RECENT_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    EXPECT_STREQ(dialog.GetText(), "C:\\Work\\B\\B.prj");
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(window, IDOK)));
    EXPECT_EQ(DefaultButton(window), static_cast<UINT>(IDOK));

    // Shrinking below the smallest size snaps back to it.
    RECT button;
    ::GetWindowRect(::GetDlgItem(window, IDOK), &button);
    const int h = button.bottom - button.top, w = button.right - button.left, m = h / 3;
    ::SetWindowPos(window, nullptr, 0, 0, 20, 20, SWP_NOMOVE | SWP_NOZORDER);
    RECT client;
    ::GetClientRect(window, &client);
    EXPECT_GE(client.right, 2 * w + 3 * m);
    EXPECT_GE(client.bottom, 3 * (h + m));
    dialog.DestroyWindow();
}
