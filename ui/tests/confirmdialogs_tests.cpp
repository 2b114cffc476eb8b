#include "ui/confirmdialogs.h"

#include <atomic>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "testsupport/test_window.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui_test_support.h"
#include "ui_tests_res.h"

namespace {

const UINT WM_PROGRAM_OPERATION = WM_APP + 0x12D;

// The record a confirmation's reply points to; counts its own end.
struct Operation {
    explicit Operation(std::atomic<int>& freed) : m_freed(freed) {}
    ~Operation() { ++m_freed; }
    std::atomic<int>& m_freed;
};

TEST_F(DialogTest, ConfirmationSendsItsReplyOnlyWhenTheUserAgrees)
{
    const struct {
        BOOL yesNo;
        int button;
        const char* okText;
        const char* cancelText;
        size_t replies;
    } cases[] = {
        {TRUE, IDOK, "&Yes", "&No", 1},
        {FALSE, IDOK, "OK", "Cancel", 1},
        {TRUE, IDCANCEL, "&Yes", "&No", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button * 10 + c.yesNo);
        m_frame.ClearReceived();
        m_frame.SetAnswer(WM_PROGRAM_OPERATION, 1);
        std::atomic<int> freed{0};
        auto payload = std::make_shared<Operation>(freed);
        const SReplyMessage reply = {m_frame, WM_PROGRAM_OPERATION, 5, reinterpret_cast<LPARAM>(payload.get())};
        auto* pDialog = new CConfirmationDialogEx(nullptr, "Delete", "Delete the program MAIN?", &reply, c.yesNo,
                                                  std::move(payload));
        ASSERT_TRUE(pDialog->Start(nullptr));

        const HWND hDlg = WaitForShownDialog(m_project);
        ASSERT_NE(nullptr, hDlg);
        EXPECT_EQ("Delete", WindowText(hDlg));
        EXPECT_EQ("Delete the program MAIN?", ControlText(hDlg, IDC_MESSAGE_TEXT));
        EXPECT_EQ(c.okText, ControlText(hDlg, IDOK));
        EXPECT_EQ(c.cancelText, ControlText(hDlg, IDCANCEL));
        ClickButton(hDlg, c.button);

        // The dialog goes, unregisters under the id it registered with, and
        // frees the record after the receiver has read it.
        const auto unregister = m_project.WaitFor(WM_UNREGISTER_TOOL_WINDOW);
        ASSERT_TRUE(unregister);
        EXPECT_EQ(TOOL_ID_DIALOG, unregister->wParam);
        EXPECT_EQ(reinterpret_cast<LPARAM>(hDlg), unregister->lParam);
        ASSERT_TRUE(PumpUntil([&] { return freed == 1; }));
        const auto replies = m_frame.Received(WM_PROGRAM_OPERATION);
        ASSERT_EQ(c.replies, replies.size());
        if (c.replies) {
            EXPECT_EQ(5u, replies[0].wParam);
            EXPECT_TRUE(replies[0].sent);
        }
        m_project.ClearReceived();
    }
}

TEST_F(DialogTest, IncompleteOrRefusedConfirmationClosesWithoutAsking)
{
    const SReplyMessage reply = {m_frame, WM_PROGRAM_OPERATION, 0, 0};
    const SReplyMessage noMessage = {m_frame, 0, 0, 0};
    const struct {
        const char* name;
        const char* caption;
        const char* message;
        const SReplyMessage* reply;
        LRESULT registration;
    } cases[] = {
        {"no caption", nullptr, "Sure?", &reply, MAKELONG(1, 1)},
        {"no message", "Delete", "", &reply, MAKELONG(1, 1)},
        {"no reply", "Delete", "Sure?", nullptr, MAKELONG(1, 1)},
        {"no reply message", "Delete", "Sure?", &noMessage, MAKELONG(1, 1)},
        {"refused", "Delete", "Sure?", &reply, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_project.ClearReceived();
        m_project.SetRegistrationAnswer(c.registration);
        std::atomic<int> freed{0};
        auto* pDialog =
            new CConfirmationDialogEx(nullptr, c.caption, c.message, c.reply, TRUE, std::make_shared<Operation>(freed));
        ASSERT_TRUE(pDialog->Start(nullptr));
        EXPECT_TRUE(PumpUntil([&] { return freed == 1; }));
        EXPECT_TRUE(m_project.Registered().empty());
        EXPECT_EQ(c.registration != 0, !m_project.Received(WM_UNREGISTER_TOOL_WINDOW).empty());
    }
    EXPECT_TRUE(m_frame.Received(WM_PROGRAM_OPERATION).empty());
    EXPECT_TRUE(m_log.Contains("Destroy window request \"Confirmation\""));
}

TEST_F(DialogTest, OkCancelHideDialogTogglesItsFlagWithTheCheckBox)
{
    COKCancelHideDialog dialog;
    dialog.SetCaptionById(IDS_TEST_CAPTION);
    dialog.SetMessage("The file has changed.");
    ASSERT_TRUE(dialog.Create(IDD_OK_CANCEL_HIDE_DIALOG));
    const HWND hDlg = dialog.m_hWnd;
    EXPECT_EQ("Vorta2 test", WindowText(hDlg));
    EXPECT_EQ("The file has changed.", ControlText(hDlg, IDC_HIDE_MESSAGE_TEXT));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DONT_SHOW_AGAIN));

    for (BOOL expected : {TRUE, FALSE, TRUE}) {
        SendMessageA(GetDlgItem(hDlg, IDC_DONT_SHOW_AGAIN), BM_CLICK, 0, 0);
        EXPECT_EQ(expected, dialog.m_bDontShowAgain);
        EXPECT_EQ(expected ? BST_CHECKED : BST_UNCHECKED, IsDlgButtonChecked(hDlg, IDC_DONT_SHOW_AGAIN));
    }
    dialog.SetMessageById(IDS_TEST_MESSAGE);
    EXPECT_EQ("Save the changes?", ControlText(hDlg, IDC_HIDE_MESSAGE_TEXT));
    dialog.DestroyWindow();
    EXPECT_TRUE(dialog.m_bDontShowAgain);
}

TEST_F(DialogTest, SelectFromListGivesTheChosenTextOnlyAfterOk)
{
    const struct {
        int selected;
        int command;
        const char* chosen;
    } cases[] = {
        {1, IDOK, "MAIN"},
        {-1, IDOK, ""},
        {0, IDCANCEL, ""},
    };
    CStringList items;
    for (const char* name : {"PROG3", "ALPHA", "MAIN"})
        items.AddTail(name);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.selected);
        CSelectFromListDialog dialog(nullptr, IDS_TEST_CAPTION, IDS_TEST_PROMPT);
        dialog.SetItems(items);
        dialog.m_strChosen = "stale";
        ASSERT_TRUE(dialog.Create(IDD_SELECT_FROM_LIST_DIALOG));
        const HWND hDlg = dialog.m_hWnd;
        EXPECT_EQ("Vorta2 test", WindowText(hDlg));
        EXPECT_EQ("Choose a program", ControlText(hDlg, IDC_MESSAGE_TEXT));
        const HWND hList = GetDlgItem(hDlg, IDC_SELECT_LIST);
        ASSERT_EQ(3, SendMessageA(hList, LB_GETCOUNT, 0, 0));
        char first[32] = {};
        SendMessageA(hList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
        EXPECT_STREQ("ALPHA", first);

        SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(c.selected), 0);
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0);
        EXPECT_STREQ(c.chosen, dialog.m_strChosen);
        dialog.DestroyWindow();
    }
}

} // namespace
