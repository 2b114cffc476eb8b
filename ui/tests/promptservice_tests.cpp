#include "ui/promptservice.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "ui/dialogthread.h"
#include "ui/resource.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"
#include "ui_test_support.h"
#include "ui_tests_res.h"

namespace {

const int kButtons[] = {IDC_USER_BUTTON0, IDC_USER_BUTTON1, IDC_USER_BUTTON2};

// The program's service installed for one test, with a scripted fallback.
class PromptServiceTest : public DialogTest {
protected:
    PromptServiceTest() : m_service(&m_fallback) { AfxSetPromptService(&m_service); }
    ~PromptServiceTest() override { AfxSetPromptService(nullptr); }

    ScriptedPrompts m_fallback;
    CUserPromptService m_service;
};

TEST_F(PromptServiceTest, TheDialogKeepsItsOwnerByHandleNotByATemporaryWrapper)
{
    TestWindow owner("prompt owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    // The wrapper this thread would lend for the owner: it dies at the
    // thread's next idle, so the dialog must not keep it.
    CWnd* temporary = CWnd::FromHandle(owner);
    CWnd* kept = nullptr;
    HWND keptHandle = nullptr;
    HWND ownerOfDialog = nullptr;
    User user(m_project, [&](HWND hDlg) {
        auto* dialog = static_cast<CDialog*>(CWnd::FromHandlePermanent(hDlg));
        kept = dialog ? dialog->m_pParentWnd : nullptr;
        keptHandle = kept ? kept->m_hWnd : nullptr;
        ownerOfDialog = ::GetWindow(hDlg, GW_OWNER);
        ClickButton(hDlg, IDC_USER_BUTTON0);
    });
    EXPECT_EQ(IDOK, m_service.Prompt(owner, "Text", "Caption", MB_OK));
    EXPECT_NE(nullptr, user.Finish());
    ASSERT_NE(nullptr, kept);
    EXPECT_NE(temporary, kept);
    EXPECT_EQ(owner.Handle(), keptHandle);
    EXPECT_EQ(owner.Handle(), ownerOfDialog);
    CWnd::DeleteTempMap();
}

TEST_F(PromptServiceTest, PromptShowsAUserDialogWithTheButtonsOfItsType)
{
    const struct {
        UINT type;
        std::vector<std::string> texts;
        int defaultId;
        int press;
        int expected;
        std::vector<LPCTSTR> labels; // the caller's labels; none: Prompt
    } cases[] = {
        {MB_OK | MB_ICONERROR, {"&OK"}, IDC_USER_BUTTON0, 0, IDOK},
        {MB_OKCANCEL, {"&OK", "&Cancel"}, IDC_USER_BUTTON0, 1, IDCANCEL},
        {MB_YESNO | MB_DEFBUTTON2, {"&Yes", "&No"}, IDC_USER_BUTTON1, 0, IDYES},
        {MB_YESNOCANCEL | MB_DEFBUTTON3, {"&Yes", "&No", "&Cancel"}, IDC_USER_BUTTON2, 1, IDNO},
        {MB_ABORTRETRYIGNORE, {"&Abort", "&Retry", "&Ignore"}, IDC_USER_BUTTON0, 2, IDIGNORE},
        {MB_RETRYCANCEL | MB_DEFBUTTON3, {"&Retry", "&Cancel"}, IDC_USER_BUTTON0, 0, IDRETRY},
        // Labelled buttons answer with their type's ids; a null label keeps
        // the button's own text.
        {MB_YESNOCANCEL, {"&Backup", "&Overwrite", "&Cancel"}, IDC_USER_BUTTON0, 1, IDNO,
         {"&Backup", "&Overwrite", "&Cancel"}},
        {MB_YESNO | MB_DEFBUTTON2, {"&Keep", "&No"}, IDC_USER_BUTTON1, 0, IDYES, {"&Keep", nullptr, "&Extra"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        std::string caption, text;
        std::vector<std::string> shown;
        int defaultId = 0;
        User user(m_project, [&](HWND hDlg) {
            caption = WindowText(hDlg);
            text = ControlText(hDlg, IDC_MESSAGE_TEXT);
            for (int id : kButtons) {
                if (ControlVisible(hDlg, id))
                    shown.push_back(ControlText(hDlg, id));
            }
            defaultId = LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0));
            ClickButton(hDlg, kButtons[c.press]);
        });
        const int answer =
            c.labels.empty()
                ? AfxGetPromptService().Prompt(nullptr, "Load the project?", "Project", c.type)
                : AfxGetPromptService().PromptLabelled(nullptr, "Load the project?", "Project", c.type,
                                                       c.labels.data(), static_cast<int>(c.labels.size()));
        EXPECT_EQ(c.expected, answer);
        ASSERT_NE(nullptr, user.Finish());
        EXPECT_EQ("Project", caption);
        EXPECT_EQ("Load the project?", text);
        EXPECT_EQ(c.texts, shown);
        EXPECT_EQ(c.defaultId, defaultId);
    }
    EXPECT_TRUE(m_fallback.Records().empty());
}

TEST_F(PromptServiceTest, WithoutAProjectWindowTheFallbackAnswers)
{
    m_frame.ClearComponent(COMPONENT_PROJECT_WINDOW);
    m_fallback.Answer(IDNO);
    EXPECT_EQ(IDNO, AfxGetPromptService().Prompt(nullptr, "Quit?", "Vorta2", MB_YESNO));
    m_project.SetRegistrationAnswer(0);
    m_frame.SetComponent(COMPONENT_PROJECT_WINDOW, &m_project);
    EXPECT_EQ(IDOK, AfxGetPromptService().Prompt(nullptr, "Refused", "Vorta2", MB_OK));
    const LPCTSTR labels[] = {"&Backup", "&Overwrite", "&Cancel"};
    EXPECT_EQ(IDYES, AfxGetPromptService().PromptLabelled(nullptr, "Labelled", "Vorta2", MB_YESNOCANCEL, labels, 3));
    const auto records = m_fallback.Records();
    ASSERT_EQ(3u, records.size());
    EXPECT_EQ((std::vector<std::string>{"&Backup", "&Overwrite", "&Cancel"}), records[2].labels);
    EXPECT_EQ("Quit?", records[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), records[0].type);
    EXPECT_EQ("Refused", records[1].text);
}

TEST_F(PromptServiceTest, DetachedPromptShowsOnAThreadOfItsOwn)
{
    CThreadedMessageDialog(nullptr, IDS_TEST_MESSAGE, IDS_TEST_CAPTION);
    const HWND hDlg = WaitForShownDialog(m_project);
    ASSERT_NE(nullptr, hDlg);
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(hDlg, nullptr));
    EXPECT_EQ("Vorta2 test", WindowText(hDlg));
    EXPECT_EQ("Save the changes?", ControlText(hDlg, IDC_MESSAGE_TEXT));
    EXPECT_EQ("&OK", ControlText(hDlg, IDC_USER_BUTTON0));
    ClickButton(hDlg, IDC_USER_BUTTON0);
    EXPECT_TRUE(m_project.WaitForUnregistration(hDlg));
}

TEST_F(DialogTest, MessageFunctionsGoThroughThePromptService)
{
    ScriptedPrompts prompts;
    TestWindow owner("owner");
    CWnd* pOwner = CWnd::FromHandle(owner);
    ShowUserMessage(pOwner, "Link lost", "Comms");
    ShowUserMessageWithCaptionId(nullptr, "Text", IDS_TEST_CAPTION);
    ShowUserMessageWithTextId(nullptr, IDS_TEST_MESSAGE, "Editor");
    ShowUserMessageByIds(nullptr, IDS_TEST_MESSAGE, IDS_TEST_CAPTION);
    ShowSystemErrorMessage(nullptr, ERROR_FILE_NOT_FOUND, "Open");
    ShowSystemErrorMessageWithCaptionId(nullptr, 0x2000BEEF, IDS_TEST_CAPTION);
    CThreadedMessageDialog(nullptr, "From a worker", IDS_TEST_CAPTION);

    const std::string fileNotFound(GetSystemErrorText(ERROR_FILE_NOT_FOUND));
    ASSERT_FALSE(fileNotFound.empty());
    const std::vector<ScriptedPrompts::Record> expected = {
        {"Comms", "Link lost", MB_OK, false},          {"Vorta2 test", "Text", MB_OK, false},
        {"Editor", "Save the changes?", MB_OK, false}, {"Vorta2 test", "Save the changes?", MB_OK, false},
        {"Open", fileNotFound, MB_OK, false},          {"Vorta2 test", "Unknown error", MB_OK, false},
        {"Vorta2 test", "From a worker", MB_OK, true},
    };
    const auto records = prompts.Records();
    ASSERT_EQ(expected.size(), records.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].caption, records[i].caption) << i;
        EXPECT_EQ(expected[i].text, records[i].text) << i;
        EXPECT_EQ(expected[i].type, records[i].type) << i;
        EXPECT_EQ(expected[i].detached, records[i].detached) << i;
    }
}

} // namespace
