// The EPROM dialog: the question, the halt question, and the store's
// progress words, against the fake project window, on virtual time.
#include <gtest/gtest.h>

#include <thread>

#include "framework/app.h"
#include "link/controllermessage.h"
#include "project/programeprom.h"
#include "project/projectmessages.h"
#include "project/tests/dialog_answer.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"

namespace {

// The user: for each answer in turn, waits (real time, bounded) until the
// dialog shows a question starting with its text and its buttons, then
// presses the button and waits until the question's buttons have gone (the
// next question's buttons are new windows of the same ids).
void AnswerQuestions(HWND window, std::vector<std::pair<std::string, int>> answers)
{
    for (const auto& answer : answers) {
        HWND first = nullptr;
        WaitUntil([&] {
            char status[512] = {};
            ::GetDlgItemTextA(window, 1332, status, sizeof status);
            first = ::GetDlgItem(window, 1);
            return ::IsWindow(first) && std::string(status).rfind(answer.first, 0) == 0;
        });
        ::PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(answer.second), 0);
        WaitUntil([&] { return !::IsWindow(first); });
    }
}

class ProgramEpromTest : public ::testing::Test {
protected:
    ProgramEpromTest() { Answers({{"", IDOK}}); }
    ~ProgramEpromTest() override
    {
        if (m_user.joinable())
            m_user.join();
    }
    // The user's answers, given once the dialog has registered.
    void Answers(std::vector<std::pair<std::string, int>> answers)
    {
        m_project.SetHandler(WM_REGISTER_TOOL_WINDOW, [this, answers](WPARAM, LPARAM window) -> LRESULT {
            if (m_user.joinable())
                m_user.join();
            m_user = std::thread(AnswerQuestions, reinterpret_cast<HWND>(window), answers);
            return MAKELONG(40, 30);
        });
    }
    // The project window's store: the controller's replies to "EPROM".
    void StoreReplies(std::vector<std::string> words, bool failed = false)
    {
        m_project.SetHandler(WM_PW_STORE_EPROM, [this, words, failed](WPARAM, LPARAM) -> LRESULT {
            for (const std::string& word : words) {
                ControllerMessage reply;
                reply.m_nCommandId = 15;
                reply.m_nChannel = CHANNEL_COMMAND;
                reply.SetArgumentText(word.c_str());
                m_dialog->OnReply(&reply);
            }
            if (failed) {
                ControllerMessage reply;
                reply.m_nCommandId = 15;
                reply.m_nChannel = CHANNEL_COMMAND;
                reply.m_nIncomplete = 1;
                m_dialog->OnReply(&reply);
            }
            return 1;
        });
    }

    CWinApp m_app{"eprom"};
    FakeClock m_clock;
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
    CProgramEPROM* m_dialog = nullptr;
    std::thread m_user;
};

} // namespace

TEST_F(ProgramEpromTest, ProgressWordsEndInDone)
{
    CProgramEPROM dialog(nullptr, m_project.Handle(), TRUE, 1);
    m_dialog = &dialog;
    StoreReplies({"Erasing...", "Programming", "Verifying"});
    EXPECT_EQ(dialog.RunModal(nullptr), 1);
    EXPECT_EQ(dialog.GetStatusText(), "Erasing...\nProgramming\nVerifying\nDone");
    EXPECT_TRUE(m_project.Received(WM_PW_STORE_EPROM).size() == 1);
}

TEST_F(ProgramEpromTest, WordsOutOfOrderOrAnErrorAreNoSuccess)
{
    const struct {
        const char* what;
        std::vector<std::string> words;
        bool failed;
        const char* status;
    } cases[] = {
        {"verifying first", {"VERIFYING", "Erasing", "Programming"}, false,
         "VERIFYING\nErasing\nProgramming\nError programming EPROM"},
        {"no words", {}, false, "Error programming EPROM"},
        {"an error reply", {"Erasing"}, true, "Erasing\nError programming EPROM\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CProgramEPROM dialog(nullptr, m_project.Handle(), TRUE, 0);
        m_dialog = &dialog;
        StoreReplies(c.words, c.failed);
        EXPECT_EQ(dialog.RunModal(nullptr), 2);
        EXPECT_EQ(dialog.GetStatusText(), c.status);
    }
}

TEST_F(ProgramEpromTest, RunningProgramsAreHaltedFirstAndNoCancels)
{
    m_project.SetAnswer(WM_PW_QUERY_PROGRAMS_RUNNING, 1);
    // The halt question is answered No.
    Answers({{"This will copy", IDOK}, {"There are programs running", IDCANCEL}});
    CProgramEPROM dialog(nullptr, m_project.Handle(), TRUE, 0);
    m_dialog = &dialog;
    StoreReplies({"Erasing"});
    EXPECT_EQ(dialog.RunModal(nullptr), 2);
    EXPECT_EQ(dialog.GetStatusText(),
              "There are programs running. They must be halted before you can continue\n\nHalt programs?");
    EXPECT_TRUE(m_project.Received(WM_PW_STORE_EPROM).empty());
}
