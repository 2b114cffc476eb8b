// The project check through the real project window: message 0x8117 runs
// it against the scripted controller's program store and a project folder,
// and the check dialog is answered as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <string>
#include <vector>

#include "link/tests/support/program_store.h"
#include "project/tests/check_dialog_driver.h"
#include "project/tests/dialog_answer.h"
#include "project/tests/projectwnd_fixture.h"
#include "shell/mainframemessages.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const char kChoices[] = " \r\n\r\nSave controller programs to new project\r\nLoad a different project,\r\n"
                        "Change project for comparison\r\nErase controller programs and create a new project";
const char kResolve[] = "\r\nResolve project and controller mismatches";
const char kFailed[] = "Check project failed:  Unable to connect";

using Buttons = std::vector<std::string>;
const Buttons kWarnButtons = {"&Save", "&Load", "C&hange", "&New", "&Cancel"};
const Buttons kWarnProgramButtons = {"&Save", "&Load", "C&hange", "&New", "&Resolve", "&Cancel"};

// Posted messages of one thread that the test wants to see.
class PostedMessages {
public:
    PostedMessages(DWORD thread, UINT message)
    {
        s_message = message;
        s_seen = 0;
        m_hook = ::SetWindowsHookExA(WH_GETMESSAGE, Hook, nullptr, thread);
    }
    ~PostedMessages() { ::UnhookWindowsHookEx(m_hook); }
    int Seen() const { return s_seen.load(); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (code >= 0 && wParam == PM_REMOVE && msg && msg->message == s_message)
            ++s_seen;
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK m_hook = nullptr;
    static inline UINT s_message = 0;
    static inline std::atomic<int> s_seen{0};
};

class ProjectCheckTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?POWER_UP[0];", m_powerUp);
        m_store.Attach(link);
    }
    void BeforeStart() override
    {
        // Programs go line by line into the program store.
        CVQRegistry().SetForceSlowProgramLoad(1);
        CProjectWnd::SetTimeSource([] { return CTime(2026, 12, 9, 14, 5, 0); });
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        m_frame->SetHandler(WM_SET_PROJECT_TEXT, [this](WPARAM wParam, LPARAM lParam) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_textLock);
            m_projectTexts.push_back(wParam ? std::to_string(wParam) : reinterpret_cast<LPCSTR>(lParam));
            return 0;
        });
        m_path = m_folder / "Demo.prj";
    }
    void TearDown() override
    {
        ProjectWndTest::TearDown();
        CProjectWnd::SetTimeSource({});
    }

    // The link opened, the controller identified (QC116), then channel mode.
    void Connect(bool identify = true)
    {
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(Connection().OpenLink(m_window->Handle(), &record, FALSE));
        int row = 0;
        if (identify) {
            ASSERT_TRUE(Connection().Identify(row));
            Connection().GetVersion();
        }
        ASSERT_TRUE(Connection().EnterChannelMode(&record));
    }
    // The project "Demo" with these programs (type 0 unless given) and
    // their files, made for the QC116.
    void MakeProject(const std::vector<std::pair<std::string, std::string>>& programs,
                     const std::map<std::string, int>& types = {})
    {
        std::string text = "[Controller]\r\nType=QC116\r\n[Programs]\r\n";
        for (std::size_t i = 0; i < programs.size(); ++i)
            text += "Program" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=" + programs[i].first + "\r\n";
        text += "[ProgramType]\r\n";
        for (const auto& program : programs) {
            const auto type = types.find(program.first);
            const int value = type == types.end() ? 0 : type->second;
            text += program.first + "=" + std::to_string(value) + "\r\n";
            const char* extension = value == 3 ? ".txt" : ".bas";
            WriteWholeFile(m_folder / (program.first + extension), program.second);
        }
        ASSERT_TRUE(WriteWholeFile(m_path, text));
        m_window->Object()->GetProjectFile().Load(m_path.c_str());
    }
    // Runs the check (0x8117) until it has ended.
    void Check() { m_window->Send(PWM_CHECK_PROJECT); }
    std::vector<std::string> ProjectTexts()
    {
        std::lock_guard<std::mutex> guard(m_textLock);
        return m_projectTexts;
    }
    std::string ProjectValue(const char* section, const char* key)
    {
        return CProjectFile(m_path.c_str()).GetString(section, key).str();
    }

    std::string m_powerUp = "0";
    CProgramStore m_store;
    ScratchFolder m_folder;
    std::string m_path;
    std::mutex m_textLock;
    std::vector<std::string> m_projectTexts;
};

} // namespace

TEST_F(ProjectCheckTest, AProjectTheControllerHoldsIsCheckedOkAndShownByTheFrame)
{
    m_store.SetProgram("MAIN", {"a=1", "PRINT a"});
    m_store.SetProgram("EMPTY", {});
    MakeProject({{"MAIN", "a=1\r\nPRINT a\r\n"}, {"EMPTY", ""}});
    Connect();
    {
        CheckDialogDriver driver;
        Check();
        const auto questions = driver.Questions();
        ASSERT_EQ(1u, questions.size());
        EXPECT_EQ("Project checked OK", questions[0].text);
        EXPECT_EQ(Buttons{"&OK"}, questions[0].buttons);
        EXPECT_NE(std::string::npos, questions[0].log.find("* Cross-checking controller and project programs"));
    }
    // The time of the check, without a line end.
    EXPECT_EQ("14:05 09-Dec-2026", ReadWholeFile(m_folder / "LastOpen.log"));
    EXPECT_EQ(std::vector<std::string>{m_path}, ProjectTexts());
    EXPECT_EQ(1u, m_frame->Received(WM_OPERATION_STARTED).size());
    EXPECT_TRUE(m_frame->WaitFor(WM_OPERATION_ENDED).has_value());
    EXPECT_TRUE(m_frame->WaitFor(WM_READY).has_value());
    EXPECT_EQ((std::vector<std::string>{"&Z,EMPTY", "&Z,MAIN"}), [&] {
        auto crcs = CommandsStarting("&Z");
        std::sort(crcs.begin(), crcs.end());
        return crcs;
    }());
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_EQ("QC116", ProjectValue("Controller", "Type"));
    EXPECT_FALSE(m_window->Object()->IsProjectCheckRunning());
    EXPECT_EQ(0, m_window->Object()->GetBusyCount());
}

TEST_F(ProjectCheckTest, WarningsBeforeTheProgramsAreComparedOfferTheirChoices)
{
    struct Case {
        const char* name;
        std::function<void()> arrange;
        std::string question; // without the choices
        Buttons buttons;
    };
    const std::string path = m_path;
    const std::vector<Case> cases = {
        {"no project and no recent one", [] {}, "No project file specified" + std::string(kChoices), kWarnButtons},
        {"a project file that is gone",
         [&] {
             MakeProject({});
             ::DeleteFileA(path.c_str());
         },
         "Project file  " + path + "  not found" + kChoices, kWarnButtons},
        {"a project file that cannot be written",
         [&] {
             MakeProject({});
             ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
         },
         "No write permission for project " + path + kChoices, kWarnButtons},
        {"a controller directory that cannot be read",
         [&] {
             MakeProject({});
             m_link->SetReply("DIR X", "%[COMMAND 0] Command failed");
         },
         "Error reading controller directory\r\n\r\nLoad an existing project or\r\ncreate a new project",
         Buttons{"&Load", "&Cancel"}},
    };
    Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_window->Object()->GetProjectFile().Load("");
        c.arrange();
        {
            CheckDialogDriver driver({"&Cancel"});
            Check();
            const auto questions = driver.Questions();
            ASSERT_EQ(2u, questions.size());
            EXPECT_EQ(c.question, questions[0].text);
            EXPECT_EQ(c.buttons, questions[0].buttons);
            EXPECT_EQ(c.question + "\r\n\r\n" + kFailed, questions[1].text);
        }
        EXPECT_TRUE(ReadWholeFile(m_folder / "LastOpen.log").empty()) << "nothing written beside the project";
        EXPECT_EQ("624", ProjectTexts().back());
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

TEST_F(ProjectCheckTest, WithoutAControllerModelTheCheckStopsAtOnce)
{
    MakeProject({});
    Connect(false);
    Connection().ClearIdentification();
    CheckDialogDriver driver;
    Check();
    const auto questions = driver.Questions();
    ASSERT_EQ(1u, questions.size());
    EXPECT_EQ(std::string("No controller found\r\n\r\nProject check will be stopped\r\n\r\n") + kFailed,
              questions[0].text);
    EXPECT_TRUE(CommandsStarting("DIR").empty());
    EXPECT_EQ(std::vector<std::string>{"624"}, ProjectTexts());
}

TEST_F(ProjectCheckTest, ADifferingProgramIsSavedOrLoadedAsTheUserChooses)
{
    struct Case {
        const char* choice;
        std::string file;                   // the project's copy afterwards
        std::vector<std::string> controller; // the controller's afterwards
    };
    const Case cases[] = {
        {"&Save", "a=2\r\n", {"a=2"}},
        {"&Load", "a=1\r\n", {"a=1"}},
    };
    Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        m_store.SetProgram("MAIN", {"a=2"});
        MakeProject({{"MAIN", "a=1\r\n"}});
        {
            CheckDialogDriver driver({"&Resolve", c.choice});
            Check();
            const auto questions = driver.Questions();
            ASSERT_EQ(3u, questions.size());
            EXPECT_EQ(std::string("Controller and project programs differ") + kChoices + kResolve, questions[0].text);
            EXPECT_EQ(kWarnProgramButtons, questions[0].buttons);
            EXPECT_EQ("The copy of the program MAIN on disk differs from the one on the controller\r\n\r\n"
                      "Do you wish to save the copy on the controller, load the copy from the project, or delete "
                      "it?",
                      questions[1].text);
            EXPECT_EQ((Buttons{"&Save", "&Load", "Examine", "Delete", "&Cancel"}), questions[1].buttons);
            EXPECT_EQ("Project checked OK", questions[2].text);
        }
        EXPECT_EQ(c.file, ReadWholeFile(m_folder / "MAIN.bas"));
        EXPECT_EQ(c.controller, m_store.Lines("MAIN"));
    }
}

TEST_F(ProjectCheckTest, DeletingADifferingProgramTakesItFromBothSides)
{
    m_store.SetProgram("MAIN", {"a=2"});
    m_store.SetProgram("SUB", {"b=1"});
    MakeProject({{"SUB", "b=1\r\n"}, {"MAIN", "a=1\r\n"}});
    Connect();
    {
        CheckDialogDriver driver({"&Resolve", "Delete"});
        Check();
        ASSERT_FALSE(driver.Texts().empty());
        EXPECT_EQ("Project checked OK", driver.Texts().back());
    }
    EXPECT_FALSE(m_store.HasProgram("MAIN"));
    EXPECT_TRUE(m_store.HasProgram("SUB"));
    // Selected first: a program that is not the selected one is not erased.
    const std::vector<std::string> commands = m_link->Commands();
    const auto select = std::find(commands.begin(), commands.end(), "SELECT \"MAIN\"");
    const auto erase = std::find(commands.begin(), commands.end(), "NEW \"MAIN\"");
    ASSERT_NE(commands.end(), erase);
    EXPECT_LT(select, erase);
    EXPECT_EQ("SUB", ProjectValue("Programs", "Program00"));
    EXPECT_EQ("", ProjectValue("Programs", "Program01"));
}

TEST_F(ProjectCheckTest, AProgramOnOneSideOnlyIsAddedToTheOtherOrErased)
{
    struct Case {
        const char* name;
        std::vector<std::string> controllerPrograms;
        std::vector<std::pair<std::string, std::string>> projectPrograms;
        std::string choice;
        std::string question;
        Buttons buttons;
        std::vector<std::string> controllerAfter;
        std::vector<std::string> projectAfter;
    };
    const Case cases[] = {
        {"controller only, added to the project", {"MAIN", "EXTRA"}, {{"MAIN", "x=1\r\n"}}, "&Add",
         "Program EXTRA on controller QC116 does not have a matching program in the project file.\r\n\r\n"
         "Do you wish to add it to the project file or erase it from the controller?",
         Buttons{"&Add", "&Erase", "&Cancel"}, {"EXTRA", "MAIN"}, {"MAIN", "EXTRA"}},
        {"controller only, erased from it", {"MAIN", "EXTRA"}, {{"MAIN", "x=1\r\n"}}, "&Erase",
         "Program EXTRA on controller QC116 does not have a matching program in the project file.\r\n\r\n"
         "Do you wish to add it to the project file or erase it from the controller?",
         Buttons{"&Add", "&Erase", "&Cancel"}, {"MAIN"}, {"MAIN"}},
        {"project only, added to the controller", {"MAIN"}, {{"MAIN", "x=1\r\n"}, {"ABCDEFGHIJKLMNO", "x=1\r\n"}},
         "&Add",
         "Program ABCDEFGHIJKLMNO in the project does not have a matching program on controller.\r\n\r\n"
         "erase it from the project or\r\nadd it to the controller?",
         Buttons{"&Erase", "&Add", "&Cancel"}, {"ABCDEFGHIJKLMNO", "MAIN"}, {"MAIN", "ABCDEFGHIJKLMNO"}},
        {"project only, erased from it", {"MAIN"}, {{"SUB", "x=1\r\n"}, {"MAIN", "x=1\r\n"}, {"LAST", "x=1\r\n"}},
         "&Erase",
         "Program SUB in the project does not have a matching program on controller.\r\n\r\n"
         "erase it from the project or\r\nadd it to the controller?",
         Buttons{"&Erase", "&Add", "&Cancel"}, {"MAIN"}, {"MAIN"}},
    };
    Connect();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_store.Clear();
        for (const std::string& name : c.controllerPrograms)
            m_store.SetProgram(name, {"x=1"});
        MakeProject(c.projectPrograms);
        {
            CheckDialogDriver driver({"&Resolve"}, {"&OK", c.choice});
            Check();
            const auto questions = driver.Questions();
            ASSERT_GE(questions.size(), 3u);
            EXPECT_EQ(c.question, questions[1].text);
            EXPECT_EQ(c.buttons, questions[1].buttons);
            EXPECT_EQ("Project checked OK", questions.back().text);
        }
        std::vector<std::string> controller = m_store.Names();
        std::sort(controller.begin(), controller.end());
        EXPECT_EQ(c.controllerAfter, controller);
        std::vector<std::string> project;
        CProjectFile file(m_path.c_str());
        for (int i = 0; i < file.GetProgramCount(); ++i) {
            CString name;
            int type = -1;
            file.GetProgram(i, name, type);
            project.push_back(name.str());
            EXPECT_EQ(0, type);
            EXPECT_EQ(ReadWholeFile(m_folder / (name.str() + ".bas")), "x=1\r\n");
        }
        EXPECT_EQ(c.projectAfter, project);
    }
}

TEST_F(ProjectCheckTest, AProjectProgramWithASixteenCharacterNameIsNotSentToTheController)
{
    // No program may have the name: the project file's entry is reported
    // and left out, and the rest of the project checks OK.
    m_store.SetProgram("MAIN", {"x=1"});
    MakeProject({{"MAIN", "x=1\r\n"}, {"ABCDEFGHIJKLMNOP", "y=1\r\n"}});
    Connect();
    CheckDialogDriver driver;
    Check();
    EXPECT_EQ((std::vector<std::string>{"Project checked OK"}), driver.Texts());
    const std::vector<std::string> prompts = m_prompts.Texts();
    ASSERT_FALSE(prompts.empty());
    EXPECT_EQ("The project file\n" + m_path +
                  "\nnames the program \"ABCDEFGHIJKLMNOP\", which is no valid program name.\n\nThe entry is skipped; "
                  "correct or remove it in the project file.",
              prompts[0]);
    EXPECT_FALSE(m_store.HasProgram("ABCDEFGHIJKLMNOP"));
    for (const std::string& command : m_link->Commands())
        EXPECT_EQ(std::string::npos, command.find("ABCDEFGHIJKLMNOP")) << command;
}

TEST_F(ProjectCheckTest, SavingInTheTypeQuestionGivesTheProjectTheControllersType)
{
    m_store.SetProgram("NOTES", {"first line"}, 3);
    MakeProject({{"NOTES", "first line\r\n"}});
    Connect();
    {
        CheckDialogDriver driver({"&Resolve", "&Save", "&Resolve"});
        Check();
        const auto questions = driver.Questions();
        ASSERT_EQ(4u, questions.size());
        EXPECT_EQ("Program type mismatch: Program NOTES\n    (Controller 3, Project 0)", questions[1].text);
        EXPECT_EQ((Buttons{"&Save", "&Load", "Examine", "&Erase", "&Cancel"}), questions[1].buttons);
        // The mismatch is solved: the next round of Resolve finds none.
        EXPECT_EQ("Project checked OK", questions[3].text);
    }
    EXPECT_EQ("3", ProjectValue("ProgramType", "NOTES"));
    EXPECT_EQ("first line\r\n", ReadWholeFile(m_folder / "NOTES.txt"));
}

TEST_F(ProjectCheckTest, TheWarningsChoicesRunTheirOperations)
{
    // Each choice runs its operation; the user cancels it there, and the
    // check reports the cancel in its final text. The controller keeps its
    // programs throughout.
    struct Case {
        const char* choice;
        const char* chooser; // the project-file dialog the operation shows, cancelled
        int promptAnswer;    // the operation's question, when it asks one
        std::string finalText;
    };
    const Case cases[] = {
        {"&Save", "Save project", 0, "Create new project cancelled by user"},
        {"&New", nullptr, IDNO, "Create new project cancelled by user"},
        {"C&hange", "Change project", 0, "Change project cancelled by user"},
    };
    Connect();
    m_store.SetProgram("MAIN", {"x=1"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.choice);
        MakeProject({});
        if (c.promptAnswer)
            m_prompts.Answer(c.promptAnswer);
        std::unique_ptr<DialogAnswer> chooser;
        if (c.chooser)
            chooser = std::make_unique<DialogAnswer>(c.chooser, 0, nullptr, IDCANCEL);
        CheckDialogDriver driver({c.choice});
        Check();
        m_window->Settle();
        if (chooser) {
            EXPECT_TRUE(chooser->Seen());
        }
        const auto texts = driver.Texts();
        ASSERT_EQ(2u, texts.size());
        EXPECT_EQ(c.finalText + "\r\n\r\n" + kFailed, texts[1]);
        EXPECT_TRUE(CommandsStarting("NEW").empty());
        EXPECT_TRUE(m_store.HasProgram("MAIN"));
    }

    // Load with the fast path: the check ends at once and hands the load
    // over (0x8115), which asks before it erases; answered No it erases
    // nothing.
    MakeProject({});
    CVQRegistry().SetForceSlowProjectLoad(0);
    PostedMessages loads(::GetWindowThreadProcessId(m_window->Handle(), nullptr), PWM_LOAD_PROJECT);
    m_prompts.Answer(IDNO);
    {
        CheckDialogDriver driver({"&Load"});
        Check();
        m_window->Settle();
        EXPECT_EQ(1u, driver.Texts().size());
    }
    EXPECT_EQ(1, loads.Seen());
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    EXPECT_TRUE(m_store.HasProgram("MAIN"));
}

TEST_F(ProjectCheckTest, ACheckAskedForWhileOneRunsStartsOnlyAfterIt)
{
    MakeProject({});
    Connect();
    CheckDialogDriver driver({}, {});
    ::PostMessageA(m_window->Handle(), PWM_CHECK_PROJECT, 0, 0);
    ::PostMessageA(m_window->Handle(), PWM_CHECK_PROJECT, 0, 0);
    // The first waits for OK while the second is asked for again and again.
    ASSERT_TRUE(PumpUntil([&] { return ReadWholeFile(m_folder / "LastOpen.log").size() > 0; }, 10000));
    for (int i = 0; i < 5; ++i)
        m_window->Settle();
    EXPECT_TRUE(ProjectTexts().empty());
    int dialogs = 0;
    ::EnumThreadWindows(
        ::GetWindowThreadProcessId(m_window->Handle(), nullptr),
        [](HWND window, LPARAM count) {
            char title[32] = {};
            ::GetWindowTextA(window, title, sizeof title);
            if (std::string(title) == "Check project")
                ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    EXPECT_EQ(1, dialogs);

    driver.Press("&OK");
    ASSERT_TRUE(PumpUntil([&] { return ProjectTexts().size() == 1; }, 10000));
    driver.Press("&OK");
    ASSERT_TRUE(PumpUntil([&] { return ProjectTexts().size() == 2; }, 10000));
    EXPECT_EQ((std::vector<std::string>{"Project checked OK", "Project checked OK"}), driver.Texts());
}

TEST_F(ProjectCheckTest, ACheckAskedForDuringAProjectOperationStartsOnlyAfterIt)
{
    MakeProject({});
    Connect();
    CheckDialogDriver driver({}, {});
    m_window->Object()->m_bProjectOperationRunning = TRUE;
    EXPECT_EQ(PWM_OPERATION_DEFERRED, m_window->Send(PWM_CHECK_PROJECT));
    for (int i = 0; i < 5; ++i)
        m_window->Settle();
    EXPECT_FALSE(m_window->Object()->IsProjectCheckRunning());
    EXPECT_TRUE(driver.Texts().empty());
    m_window->Object()->m_bProjectOperationRunning = FALSE;
    ASSERT_TRUE(PumpUntil([&] { return ReadWholeFile(m_folder / "LastOpen.log").size() > 0; }, 10000));
    driver.Press("&OK");
    ASSERT_TRUE(PumpUntil([&] { return ProjectTexts().size() == 1; }, 10000));
    EXPECT_EQ((std::vector<std::string>{"Project checked OK"}), driver.Texts());
}

TEST_F(ProjectCheckTest, FixedProgramsAreMadeEditableBeforeTheWarningOffersLoad)
{
    m_powerUp = "1";
    m_store.SetProgram("MAIN", {"x=1"});
    MakeProject({});
    Connect();
    Connection().SetPowerUpFlag(1);
    ASSERT_TRUE(m_window->Object()->AreProgramsFixed());
    m_link->SetReply("?POWER_UP[0];", "0");
    // The question whether to make them editable, answered "make editable".
    std::thread answer([] {
        HWND dialog = nullptr;
        for (int i = 0; i < 30000 && !dialog; ++i) {
            ::Sleep(1);
            dialog = ::FindWindowA(nullptr, "Programs Fixed");
            if (dialog && !::IsWindowVisible(dialog))
                dialog = nullptr;
        }
        if (!dialog)
            return;
        ::SendMessageA(::GetDlgItem(dialog, IDC_UNFIX_CONTINUE_FIXED), BM_SETCHECK, BST_UNCHECKED, 0);
        ::SendMessageA(::GetDlgItem(dialog, IDC_UNFIX_MAKE_EDITABLE), BM_SETCHECK, BST_CHECKED, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    });
    CheckDialogDriver driver({"&Cancel"});
    Check();
    answer.join();
    const auto questions = driver.Questions();
    ASSERT_EQ(2u, questions.size());
    EXPECT_EQ((std::vector<bool>{true, true, true, true, true, true}), questions[0].enabled)
        << "Load and New are offered once the programs are editable";
    EXPECT_EQ(std::vector<std::string>{"POWER_UP=0"}, CommandsStarting("POWER_UP="));
    EXPECT_FALSE(m_window->Object()->AreProgramsFixed());
}
