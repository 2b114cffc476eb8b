#include "ui/userdialog.h"

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/test_window.h"
#include "ui/dialogthread.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui_test_support.h"
#include "ui_tests_res.h"

namespace {

const int kButtons[] = {IDC_USER_BUTTON0, IDC_USER_BUTTON1, IDC_USER_BUTTON2};

struct Button {
    const char* text;
    int result;
    bool isDefault;
};

// A modeless user dialog on the test thread, with the given buttons.
class ShownDialog {
public:
    ShownDialog(const std::vector<Button>& buttons, LPCTSTR message = "Message") : m_dialog(nullptr, "Layout")
    {
        m_dialog.SetMessageText(message);
        for (const Button& b : buttons)
            m_dialog.AddButton(b.text, b.result, b.isDefault);
        m_dialog.SetDestroyOnEnd(FALSE);
        m_created = m_dialog.Create(static_cast<CWnd*>(nullptr)) != FALSE;
    }
    ~ShownDialog()
    {
        if (m_dialog.m_hWnd)
            m_dialog.DestroyWindow();
    }
    HWND Handle() const { return m_dialog.m_hWnd; }

    CUserDialog m_dialog;
    bool m_created;
};

TEST_F(DialogTest, UserDialogCentresOneOrTwoButtonsAndKeepsThreeWhereTheTemplatePutsThem)
{
    ShownDialog three({{"&Yes", 6, false}, {"&No", 7, false}, {"&Cancel", 2, false}});
    ASSERT_TRUE(three.m_created);
    const CRect left = ControlRect(three.Handle(), IDC_USER_BUTTON0);
    const CRect middle = ControlRect(three.Handle(), IDC_USER_BUTTON1);
    const CRect right = ControlRect(three.Handle(), IDC_USER_BUTTON2);
    // Side by side at the same height, evenly spaced, left to right.
    ASSERT_LT(left.right, middle.left);
    EXPECT_EQ(left.top, middle.top);
    EXPECT_EQ(middle.left - left.left, right.left - middle.left);
    const int distance = middle.left - left.left;
    CRect leftShifted = left, middleShifted = middle;
    leftShifted.OffsetRect(distance / 2, 0);
    middleShifted.OffsetRect(distance / 2, 0);

    const struct {
        std::vector<Button> buttons;
        std::vector<CRect> places; // of the visible buttons, left to right
        int defaultId;             // 0: none asked for
    } cases[] = {
        {{}, {}, 0},
        {{{"&OK", 1, true}}, {middle}, IDC_USER_BUTTON0},
        {{{"&Yes", 6, false}, {"&No", 7, true}}, {leftShifted, middleShifted}, IDC_USER_BUTTON1},
        {{{"A", 3, false}, {"B", 4, false}, {"C", 5, false}}, {left, middle, right}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.buttons.size());
        ShownDialog shown(c.buttons);
        ASSERT_TRUE(shown.m_created);
        EXPECT_EQ("Layout", WindowText(shown.Handle()));
        EXPECT_EQ("Message", ControlText(shown.Handle(), IDC_MESSAGE_TEXT));
        for (std::size_t i = 0; i < 3; ++i) {
            const bool shownButton = i < c.buttons.size();
            EXPECT_EQ(shownButton, ControlVisible(shown.Handle(), kButtons[i])) << i;
            if (shownButton) {
                EXPECT_EQ(c.places[i], ControlRect(shown.Handle(), kButtons[i])) << i;
                EXPECT_EQ(c.buttons[i].text, ControlText(shown.Handle(), kButtons[i]));
            }
        }
        if (c.defaultId) {
            EXPECT_EQ(c.defaultId, LOWORD(SendMessageA(shown.Handle(), DM_GETDEFID, 0, 0)));
        }
    }
}

TEST_F(DialogTest, UserDialogGrowsToShowALongMessageWhole)
{
    std::string manyLines;
    for (int i = 1; i <= 16; ++i)
        manyLines += "Line " + std::to_string(i) + " of the message\n";
    const std::string longWord(60, 'W');
    const struct {
        std::string message;
        int lines;        // lines the text box must hold at least
        bool widerWord;   // the box must hold this word on one line
    } cases[] = {
        {"Short", 1, false},
        {manyLines, 16, false},
        {"Path: " + longWord, 1, true},
        // Far more than the screen holds: the dialog stops at the work area.
        {std::string(400, 'W') + "\n" + manyLines + manyLines + manyLines + manyLines, 1, false},
    };
    ShownDialog plain({{"&OK", 1, true}});
    ASSERT_TRUE(plain.m_created);
    const CRect plainBox = ControlRect(plain.Handle(), IDC_MESSAGE_TEXT);
    const CRect plainButton = ControlRect(plain.Handle(), IDC_USER_BUTTON0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.substr(0, 20));
        ShownDialog shown({{"&OK", 1, true}}, c.message.c_str());
        ASSERT_TRUE(shown.m_created);
        const HWND hDlg = shown.Handle();
        const HWND hBox = GetDlgItem(hDlg, IDC_MESSAGE_TEXT);
        const CRect box = ControlRect(hDlg, IDC_MESSAGE_TEXT);
        const CRect button = ControlRect(hDlg, IDC_USER_BUTTON0);
        HDC hDC = GetDC(hBox);
        HGDIOBJ hOld = SelectObject(hDC, reinterpret_cast<HGDIOBJ>(SendMessageA(hBox, WM_GETFONT, 0, 0)));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(hDC, &metrics);
        SIZE word = {};
        GetTextExtentPoint32A(hDC, longWord.c_str(), static_cast<int>(longWord.size()), &word);
        SelectObject(hDC, hOld);
        ReleaseDC(hBox, hDC);

        EXPECT_GE(box.Height(), c.lines * metrics.tmHeight);
        if (c.widerWord) {
            EXPECT_GE(box.Width(), word.cx);
        }
        // The buttons stay under the text, inside the dialog, as far below
        // it as in the template.
        CRect client;
        GetClientRect(hDlg, &client);
        EXPECT_EQ(plainButton.top - plainBox.bottom, button.top - box.bottom);
        EXPECT_LE(button.bottom, client.bottom);
        EXPECT_GE(box.Width(), plainBox.Width());
        EXPECT_GE(box.Height(), plainBox.Height());
        CRect window, work;
        GetWindowRect(hDlg, &window);
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        EXPECT_LE(window.Width(), work.Width());
        EXPECT_LE(window.Height(), work.Height());
    }
}

TEST_F(DialogTest, UserDialogRegistersAsAPlainDialogAndUnregistersWithTheSameId)
{
    HWND hDlg;
    {
        ShownDialog shown({{"&OK", 1, true}});
        ASSERT_TRUE(shown.m_created);
        hDlg = shown.Handle();
        const auto registered = m_project.Registered();
        ASSERT_EQ(1u, registered.size());
        EXPECT_EQ(TOOL_ID_DIALOG, registered[0].toolId);
        EXPECT_EQ(hDlg, registered[0].hWnd);
        EXPECT_EQ(REPLY_CLASS_NONE, registered[0].replyClass);
    }
    const auto unregister = m_project.WaitFor(WM_UNREGISTER_TOOL_WINDOW);
    ASSERT_TRUE(unregister);
    EXPECT_EQ(TOOL_ID_DIALOG, unregister->wParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(hDlg), unregister->lParam);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(DialogTest, UserDialogIsNotCreatedWithoutAProjectWindowThatAcceptsIt)
{
    m_project.SetRegistrationAnswer(0);
    ShownDialog refused({{"&OK", 1, true}});
    EXPECT_FALSE(refused.m_created);
    EXPECT_FALSE(refused.m_dialog.WasShown());
    EXPECT_EQ(nullptr, refused.Handle());
    EXPECT_EQ(1u, m_project.Received(WM_REGISTER_TOOL_WINDOW).size());
    EXPECT_TRUE(m_project.Registered().empty());

    m_frame.ClearComponent(COMPONENT_PROJECT_WINDOW);
    CUserDialog modal(nullptr, "No project");
    modal.AddButton("&OK", 1, TRUE);
    EXPECT_EQ(IDCANCEL, modal.DoModal());
    EXPECT_FALSE(modal.WasShown());
}

TEST_F(DialogTest, UserDialogMessageLinesShowOnlyOnceTheWindowExists)
{
    CUserDialog dialog(nullptr, IDS_TEST_CAPTION);
    dialog.SetMessage(IDS_TEST_MESSAGE);
    dialog.AppendMessageById(IDS_TEST_MORE);
    dialog.AppendMessage(nullptr);
    dialog.SetMessageText(nullptr);
    EXPECT_STREQ("Save the changes? (the project is open)", dialog.GetMessageText());
    ASSERT_TRUE(dialog.Create(static_cast<CWnd*>(nullptr)));
    const HWND hDlg = dialog.m_hWnd;
    EXPECT_EQ("Vorta2 test", WindowText(hDlg));
    EXPECT_EQ("Save the changes? (the project is open)", ControlText(hDlg, IDC_MESSAGE_TEXT));

    dialog.AppendMessage(" Really?");
    EXPECT_EQ("Save the changes? (the project is open) Really?", ControlText(hDlg, IDC_MESSAGE_TEXT));

    // A shown line: the window shows it, the stored message stays.
    SendMessageA(hDlg, WM_APPEND_MESSAGE_LINE, 0, reinterpret_cast<LPARAM>("Line 2"));
    SendMessageA(hDlg, WM_APPEND_MESSAGE_LINE, 0, 0);
    EXPECT_EQ("Save the changes? (the project is open) Really?\nLine 2", ControlText(hDlg, IDC_MESSAGE_TEXT));
    EXPECT_STREQ("Save the changes? (the project is open) Really?", dialog.GetMessageText());
    dialog.DestroyWindow();
}

TEST_F(DialogTest, UserDialogButtonsBeyondTheThirdAndIndexesWithoutAButton)
{
    CUserDialog dialog(nullptr, "Edges");
    EXPECT_TRUE(dialog.AddButtonById(IDS_BUTTON_YES, 6, FALSE));
    EXPECT_TRUE(dialog.AddButtonById(IDS_BUTTON_NO, 7, TRUE));
    EXPECT_TRUE(dialog.AddButton("&Later", 1000, FALSE));
    EXPECT_FALSE(dialog.AddButton("&Fourth", 4, TRUE));
    EXPECT_EQ(3, dialog.GetButtonCount());
    EXPECT_EQ(1, dialog.GetDefaultButton());

    dialog.SetDestroyOnEnd(FALSE);
    for (const auto& c : {std::pair{2, 1000}, std::pair{0, 6}, std::pair{3, IDCANCEL}, std::pair{-1, IDCANCEL}}) {
        dialog.EndWithButton(c.first);
        EXPECT_EQ(c.second, dialog.GetResult()) << c.first;
        EXPECT_TRUE(dialog.IsEnded());
    }
}

// --- modal and threaded runs -----------------------------------------------------------

struct RunCase {
    const char* name;
    std::vector<Button> buttons;
    void (*act)(HWND);
    int expected;
    bool logsDestroyRequest;
};

const RunCase kRunCases[] = {
    {"Yes", {{"&Yes", 6, true}, {"&No", 7, false}}, [](HWND h) { ClickButton(h, IDC_USER_BUTTON0); }, 6, false},
    {"No", {{"&Yes", 6, true}, {"&No", 7, false}}, [](HWND h) { ClickButton(h, IDC_USER_BUTTON1); }, 7, false},
    {"OK", {{"&OK", 1, true}}, [](HWND h) { ClickButton(h, IDC_USER_BUTTON0); }, 1, false},
    {"Escape", {{"&Yes", 6, true}, {"&No", 7, false}}, PressEscape, 2, false},
    {"Escape without buttons", {}, PressEscape, 2, false},
    {"Destroy request", {{"&Yes", 6, true}, {"&No", 7, false}}, RequestDestroy, 2, true},
};

TEST_F(DialogTest, ThreadedUserDialogRunReturnsWhatEndedIt)
{
    for (const RunCase& c : kRunCases) {
        SCOPED_TRACE(c.name);
        CThreadedUserDialog question(nullptr, IDS_TEST_CAPTION);
        question.SetMessageById(IDS_TEST_MESSAGE);
        for (const Button& b : c.buttons)
            question.AddButton(b.text, b.result, b.isDefault);

        std::string caption, message;
        DWORD dialogThread = 0;
        User user(m_project, [&](HWND hDlg) {
            caption = WindowText(hDlg);
            message = ControlText(hDlg, IDC_MESSAGE_TEXT);
            dialogThread = GetWindowThreadProcessId(hDlg, nullptr);
            c.act(hDlg);
        });
        EXPECT_EQ(c.expected, question.Run());
        const HWND hDlg = user.Finish();
        ASSERT_NE(nullptr, hDlg);
        EXPECT_EQ("Vorta2 test", caption);
        EXPECT_EQ("Save the changes?", message);
        EXPECT_NE(GetCurrentThreadId(), dialogThread);
        EXPECT_EQ(nullptr, question.GetDialog());
        // The dialog closes, unregisters and its thread ends.
        EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
        EXPECT_TRUE(PumpUntil([&] { return !IsWindow(hDlg); }));
    }
}

TEST_F(DialogTest, ThreadedUserDialogRunEndsWithCancelWhenItsDialogCannotBeShown)
{
    m_project.SetRegistrationAnswer(0);
    CThreadedUserDialog refused(nullptr, IDS_TEST_CAPTION);
    refused.AddButtonById(IDS_BUTTON_OK, 1, TRUE);
    EXPECT_EQ(IDCANCEL, refused.Run());
    EXPECT_EQ(1u, m_project.Received(WM_REGISTER_TOOL_WINDOW).size());

    m_frame.ClearComponent(COMPONENT_PROJECT_WINDOW);
    CThreadedUserDialog noProject(nullptr, IDS_TEST_CAPTION);
    noProject.AddButtonById(IDS_BUTTON_OK, 1, TRUE);
    EXPECT_EQ(IDCANCEL, noProject.Run());
    EXPECT_EQ(1u, m_project.Received(WM_REGISTER_TOOL_WINDOW).size());
}

TEST_F(DialogTest, ThreadedUserDialogStartedClosesWithItsOwnerOrItsButton)
{
    HWND hDlg;
    {
        CThreadedUserDialog notice(nullptr, IDS_TEST_CAPTION);
        notice.SetMessageText("Working");
        notice.AddButtonById(IDS_BUTTON_OK, 1, TRUE);
        ASSERT_TRUE(notice.Start());
        EXPECT_EQ(nullptr, notice.GetDialog());
        EXPECT_FALSE(notice.AddButton("&More", 2, FALSE));
        hDlg = WaitForShownDialog(m_project);
        ASSERT_NE(nullptr, hDlg);
        EXPECT_EQ("Working", ControlText(hDlg, IDC_MESSAGE_TEXT));
    }
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"User Dialog\""));

    // Ended by its button, the dialog is gone before its starter; the
    // starter's end then has nothing left to close.
    CThreadedUserDialog clicked(nullptr, IDS_TEST_CAPTION);
    clicked.AddButtonById(IDS_BUTTON_OK, 1, TRUE);
    ASSERT_TRUE(clicked.Start());
    hDlg = WaitForShownDialog(m_project);
    ASSERT_NE(nullptr, hDlg);
    ClickButton(hDlg, IDC_USER_BUTTON0);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(DialogTest, ThreadedUserDialogDestroyedBeforeItsWindowIsUpStillCloses)
{
    // The project window holds the dialog in its registration, while its
    // window is being created, until the test lets go.
    HANDLE hRelease = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<HWND> registering{nullptr};
    m_project.SetHandler(WM_REGISTER_TOOL_WINDOW, [&](WPARAM, LPARAM lParam) -> LRESULT {
        registering = reinterpret_cast<HWND>(lParam);
        ::WaitForSingleObject(hRelease, 5000);
        return MAKELONG(40, 30);
    });
    std::shared_ptr<CDialogOutcome> outcome;
    {
        CThreadedUserDialog notice(nullptr, IDS_TEST_CAPTION);
        notice.AddButtonById(IDS_BUTTON_OK, 1, TRUE);
        outcome = notice.GetDialog()->GetOutcome();
        EXPECT_TRUE(notice.Start());
        EXPECT_TRUE(PumpUntil([&] { return registering.load() != nullptr; }));
        EXPECT_EQ(nullptr, outcome->GetWindow());
    }
    ::SetEvent(hRelease);
    EXPECT_TRUE(PumpUntil([&] { return outcome->IsGone() != FALSE; }));
    // The outcome is marked gone while the window handles its last message;
    // the handle dies as that message returns, on the dialog's own thread.
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(registering.load()); }));
    EXPECT_TRUE(m_log.Contains("Destroy window request \"User Dialog\""));
    ::CloseHandle(hRelease);
}

TEST_F(DialogTest, ModalUserDialogReturnsWhatEndedIt)
{
    for (const RunCase& c : kRunCases) {
        SCOPED_TRACE(c.name);
        CUserDialog dialog(nullptr, IDS_TEST_CAPTION);
        for (const Button& b : c.buttons)
            dialog.AddButton(b.text, b.result, b.isDefault);
        User user(m_project, c.act);
        EXPECT_EQ(c.expected, dialog.DoModal());
        EXPECT_NE(nullptr, user.Finish());
        EXPECT_EQ(c.expected, dialog.GetResult());
        EXPECT_EQ(nullptr, dialog.m_hWnd);
        EXPECT_EQ(c.logsDestroyRequest, m_log.Contains("Destroy window request \"User Dialog\""));
    }
}

TEST_F(DialogTest, DialogThreadRunsAModalDialogAndEndsWithIt)
{
    CUserDialog dialog(nullptr, IDS_TEST_CAPTION);
    dialog.AddButtonById(IDS_BUTTON_YES, IDYES, TRUE);
    dialog.AddButtonById(IDS_BUTTON_NO, IDNO, FALSE);
    auto* pThread = static_cast<CDialogThread*>(
        AfxBeginThread(RUNTIME_CLASS(CDialogThread), THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED));
    ASSERT_NE(nullptr, pThread);
    pThread->SetDialog(&dialog, IDD_USER_DIALOG, nullptr, TRUE);
    pThread->ResumeThread();
    User user(m_project, [](HWND hDlg) { ClickButton(hDlg, IDC_USER_BUTTON1); });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pThread->m_hThread, 10000));
    EXPECT_TRUE(pThread->IsStarted());
    EXPECT_TRUE(pThread->IsDone());
    EXPECT_EQ(IDNO, pThread->GetResult());
    delete pThread; // a modal run leaves the thread object to its starter
    EXPECT_NE(nullptr, user.Finish());
}

TEST_F(DialogTest, MessageDialogShowsAtOnceAndClosesWithItsObject)
{
    HWND hDlg;
    {
        CMessageDialog message(nullptr, IDS_TEST_MESSAGE, IDS_TEST_CAPTION);
        hDlg = message.m_hWnd;
        ASSERT_TRUE(IsWindow(hDlg));
        EXPECT_TRUE(IsWindowVisible(hDlg));
        EXPECT_EQ("Vorta2 test", WindowText(hDlg));
        EXPECT_EQ("Save the changes?", ControlText(hDlg, IDC_MESSAGE_TEXT));
    }
    EXPECT_FALSE(IsWindow(hDlg));
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

} // namespace
