// The project window's own project operations against the scripted
// controller's program store, with the project-file dialog answered as a
// user would and the project folders in a scratch folder: a new project,
// the load with its questions, the revert from the backup, the copy and the
// controller save, and the project-file operations they share (the program
// list, the controller model, the conversion of an old project).
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/fileutil.h"
#include "link/tests/support/program_store.h"
#include "project/project_resource.h"
#include "project/projectwndmessages.h"
#include "project/tests/check_dialog_driver.h"
#include "project/tests/dialog_answer.h"
#include "project/tests/projectwnd_fixture.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"

namespace {

using Lines = std::vector<std::string>;

const char kDemoProject[] = "[Controller]\r\nType=QC116\r\n"
                            "[Programs]\r\nProgram00=MAIN\r\nProgram01=SUB\r\n"
                            "[ProgramType]\r\nMAIN=0\r\nSUB=0\r\n"
                            "[AutoRun]\r\nSUB=3\r\n";
const char kNewProjectCaption[] = "New project";
const char kSaveProjectCaption[] = "Save project";
const char kEraseQuestion[] = "This will completely erase the contents of the controller\r\nDo you wish to continue?";
const char kHaltQuestion[] =
    "This operation cannot be performed with programs running.\n\nDo you wish to halt all running programs";

class ProjectOpsTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply(m_controlCode));
        if (m_fastLoadModel)
            link.WithScript([](CControllerScript& script) { script.SetFastLoadModel(true); });
        m_store.Attach(link);
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        // The slow path: program by program, line by line.
        CVQRegistry().SetForceSlowProjectLoad(1);
        CVQRegistry().SetForceSlowProgramLoad(1);
        m_demo = m_folder / "Demo";
        ::CreateDirectoryA(m_demo.c_str(), nullptr);
        m_project = m_demo + "\\Demo.prj";
        WriteWholeFile(m_project, kDemoProject);
        WriteWholeFile(m_demo + "\\MAIN.bas", "VR(7)=2.5\r\nRUN \"SUB\"\r\n");
        WriteWholeFile(m_demo + "\\SUB.bas", "PRINT 1\r\n");
        Window().GetProjectFile().Load(m_project.c_str());
    }
    void TearDown() override
    {
        for (const std::string& path : m_readOnly)
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ProjectWndTest::TearDown();
    }
    // The link to a controller of the model code that holds OLD.
    void Open(const char* controlCode = "206")
    {
        m_controlCode = controlCode;
        OpenLink(true);
        m_store.SetProgram("OLD", {"PRINT 0"});
        AddControllerProgram("OLD");
    }
    void StartPrograms()
    {
        m_link->SetReply("PROCESS", ScriptedReply("3,1,OLD,5"));
        ASSERT_TRUE(Window().RefreshProcesses());
        ASSERT_FALSE(Window().GetProcesses().empty());
    }
    void MakeReadOnly(const std::string& path)
    {
        ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        m_readOnly.push_back(path);
    }
    std::string ProjectPath() { return std::string(Window().GetProjectFile().GetFilePath()); }
    std::vector<std::string> ControllerList()
    {
        std::vector<std::string> names;
        for (const CProgramData& program : Connection().GetPrograms())
            names.push_back(program.m_strName.str());
        return names;
    }
    // The prompts' texts after the first count of them.
    Lines Since(std::size_t count)
    {
        const Lines texts = m_prompts.Texts();
        return count < texts.size() ? Lines(texts.begin() + static_cast<std::ptrdiff_t>(count), texts.end()) : Lines();
    }
    bool Asked(const std::string& text)
    {
        for (const std::string& asked : m_prompts.Texts())
            if (asked == text)
                return true;
        return false;
    }
    CProjectWnd& Window() { return *m_window->Object(); }

    const char* m_controlCode = "206"; // QC116
    bool m_fastLoadModel = false;
    CProgramStore m_store;
    ScratchFolder m_folder;
    std::string m_demo;
    std::string m_project;
    std::vector<std::string> m_readOnly;
    // A load checks the project at its end: the final dialog is answered.
    CheckDialogDriver m_checks;
};

// ---------------------------------------------------------------- new project

TEST_F(ProjectOpsTest, ANewProjectEmptiesTheControllerAndBecomesTheOpenProject)
{
    Open();
    const std::string folder = m_folder / "Fresh";
    LRESULT made = 0;
    {
        DialogAnswer chooser(kNewProjectCaption, IDC_CHOOSER_NAME, folder.c_str(), IDC_CHOOSER_ACTION);
        made = m_window->Send(PWM_NEW_PROJECT);
        EXPECT_TRUE(chooser.Seen());
    }
    EXPECT_EQ(1, made);
    EXPECT_EQ(Lines{kEraseQuestion}, m_prompts.Texts());
    EXPECT_EQ(Lines{"NEW ALL"}, CommandsStarting("NEW"));
    EXPECT_EQ(0, m_store.Count());
    EXPECT_TRUE(ControllerList().empty());

    const std::string project = folder + "\\Fresh.prj";
    EXPECT_EQ(project, ProjectPath());
    CProjectFile file(project.c_str());
    EXPECT_STREQ("QC116", file.GetString("Controller", "Type"));
    EXPECT_EQ(0, file.GetProgramCount());
    // Backed up at once, so that a revert has something to go back to.
    EXPECT_TRUE(DirectoryExists((folder + "\\backup").c_str()));
    EXPECT_TRUE(PathExists((folder + "\\backup\\Fresh.prj").c_str()));
    // Busy on before, ready after; the control panel is told.
    EXPECT_EQ(1u, m_frame->Received(PWM_BUSY).size());
    m_window->Settle();
    EXPECT_FALSE(m_frame->Received(PWM_READY).empty());
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProjectOpsTest, ANewProjectThatIsNotMadeLeavesControllerAndProjectAsTheyWere)
{
    Open();
    // A project already there, and a file where the folder would go.
    const std::string taken = m_folder / "Taken";
    ::CreateDirectoryA(taken.c_str(), nullptr);
    WriteWholeFile(taken + "\\Taken.prj", "[Programs]\r\nProgram00=KEEP\r\n");
    WriteWholeFile(m_folder / "AFile", "not a folder");
    struct Row {
        const char* what;
        std::vector<int> answers; // erase question, overwrite question
        const char* folder;       // typed into the dialog; null: no dialog
        int button;
        LRESULT made;
        std::string lastText;
    };
    const Row rows[] = {
        {"erase answered No", {IDNO}, nullptr, 0, 0, kEraseQuestion},
        {"the dialog cancelled", {IDYES}, "Ignored", IDCANCEL, 0, kEraseQuestion},
        {"overwrite answered No", {IDYES, IDNO}, "Taken", IDC_CHOOSER_ACTION, 0,
         "Project\n" + taken + "\\Taken.prj\nalready exists\n\nDo you want to overwrite it?"},
        {"a file takes the folder's name", {IDYES}, "AFile", IDC_CHOOSER_ACTION, 0,
         "Error during new project\r\n\r\nError creating project directory\r\nNew project will be cancelled"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t before = m_prompts.Records().size();
        for (int answer : row.answers)
            m_prompts.Answer(answer);
        LRESULT made = -1;
        if (row.folder) {
            DialogAnswer chooser(kNewProjectCaption, IDC_CHOOSER_NAME, (m_folder / row.folder).c_str(), row.button);
            made = m_window->Send(PWM_NEW_PROJECT);
            EXPECT_TRUE(chooser.Seen());
        } else {
            made = m_window->Send(PWM_NEW_PROJECT);
        }
        EXPECT_EQ(row.made, made);
        EXPECT_TRUE(CommandsStarting("NEW").empty());
        EXPECT_EQ(Lines{"OLD"}, ControllerList());
        EXPECT_TRUE(m_store.HasProgram("OLD"));
        EXPECT_EQ(m_project, ProjectPath());
        EXPECT_EQ("[Programs]\r\nProgram00=KEEP\r\n", ReadWholeFile(taken + "\\Taken.prj"));
        const auto records = m_prompts.Records();
        ASSERT_GT(records.size(), before);
        EXPECT_EQ(row.lastText, records.back().text);
    }
    EXPECT_EQ("not a folder", ReadWholeFile(m_folder / "AFile"));
    EXPECT_FALSE(DirectoryExists((m_demo + "\\Nested").c_str()));
    EXPECT_FALSE(PathExists((m_folder / "Demo.prj").c_str()));
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProjectOpsTest, AControllerThatRefusesToEraseFailsTheNewProjectAndWritesNoFile)
{
    Open();
    m_link->SetReply("NEW ALL", ScriptedReply("%[COMMAND 14] (31) - refused"));
    const std::string folder = m_folder / "Fresh";
    LRESULT made = -1;
    {
        DialogAnswer chooser(kNewProjectCaption, IDC_CHOOSER_NAME, folder.c_str(), IDC_CHOOSER_ACTION);
        made = m_window->Send(PWM_NEW_PROJECT);
        EXPECT_TRUE(chooser.Seen());
    }
    EXPECT_EQ(0, made);
    EXPECT_EQ("Error during new project\r\n\r\nError deleting programs on controller\r\nNew project will be cancelled",
              m_prompts.Texts().back());
    EXPECT_FALSE(PathExists((folder + "\\Fresh.prj").c_str()));
    EXPECT_EQ(m_project, ProjectPath());
    // The main frame shows "Not Connected" (string 624).
    const auto texts = m_frame->Received(PWM_OPEN_PROJECT);
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(624u, texts.back().wParam);
}

TEST(ProjectFolder, TheProjectFileIsNamedAfterItsFolderWithOrWithoutATrailingBackslash)
{
    for (const char* folder : {"C:\\Work\\Demo", "C:\\Work\\Demo\\", "C:\\Work\\Demo\\\\"}) {
        SCOPED_TRACE(folder);
        EXPECT_STREQ("C:\\Work\\Demo\\Demo.prj", CProjectWnd::ProjectFileOfFolder(folder));
    }
    EXPECT_STREQ("C:\\", CProjectWnd::WithoutTrailingBackslash("C:\\"));
}

// ---------------------------------------------------------------- load

TEST_F(ProjectOpsTest, TheSlowLoadErasesTheControllerLoadsEachProgramAndSetsItsRunType)
{
    Open();
    RealProjectWindow& window = *m_window;
    EXPECT_EQ(0, window.Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(m_project.c_str())));
    EXPECT_EQ(Lines{"This will erase the actual contents of the controller\nand load the project\n" + m_project +
                    "\nin its place.\n\nAre you sure?"},
              m_prompts.Texts());
    EXPECT_EQ(Lines{"NEW ALL"}, CommandsStarting("NEW ALL"));
    EXPECT_FALSE(m_store.HasProgram("OLD"));
    EXPECT_EQ((Lines{"VR(7)=2.5", "RUN \"SUB\""}), m_store.Lines("MAIN"));
    EXPECT_EQ(Lines{"PRINT 1"}, m_store.Lines("SUB"));
    EXPECT_EQ((Lines{"MAIN", "SUB"}), ControllerList());
    EXPECT_EQ((Lines{"RUNTYPE \"MAIN\",0", "RUNTYPE \"SUB\",1,3"}), CommandsStarting("RUNTYPE"));
    EXPECT_EQ(m_project, ProjectPath());
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProjectOpsTest, AfterTheLoadTheProgramsGoToEpromAsTheProjectAndTheModelAsk)
{
    const char* storeQuestion = "This project was originally stored in EPROM.\n\nDo you want it stored in EPROM on this "
                                "controller?";
    struct Row {
        const char* what;
        const char* controlCode;
        bool runFromEprom;
        std::vector<int> answers; // erase, EPROM
        bool asked;
        bool stored;
    };
    const Row rows[] = {
        {"stored there before, agreed", "206", true, {IDYES, IDYES}, true, true},
        {"stored there before, declined", "206", true, {IDYES, IDNO}, true, false},
        {"kept in battery-backed memory", "206", false, {IDYES}, false, false},
        // QC232X keeps nothing over a power cycle: AutoEPROM stores unasked.
        {"a model without battery-backed memory", "293", false, {IDYES}, false, true},
    };
    const std::string original = ReadWholeFile(m_project);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Connection().CloseLink();
        Open(row.controlCode);
        m_link->SetReply("EPROM", ScriptedReply("Erasing\nProgramming\nverifying"));
        m_link->SetReply("?POWER_UP[0];", ScriptedReply("1"));
        std::string project = original;
        if (row.runFromEprom)
            project.insert(project.find("[Programs]"), "Run=EPROM\r\n");
        WriteWholeFile(m_project, project);
        for (int answer : row.answers)
            m_prompts.Answer(answer);
        const std::size_t before = m_prompts.Texts().size();
        EXPECT_EQ(0, m_window->Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(m_project.c_str())));
        const auto texts = m_prompts.Texts();
        EXPECT_EQ(row.asked ? before + 2 : before + 1, texts.size());
        EXPECT_EQ(row.asked, texts.back() == storeQuestion);
        EXPECT_EQ(row.stored, !CommandsStarting("EPROM").empty());
        EXPECT_EQ((Lines{"MAIN", "SUB"}), ControllerList());
    }
}

TEST_F(ProjectOpsTest, ALoadChangesNothingUntilEveryQuestionIsAnswered)
{
    struct Row {
        const char* what;
        const char* controlCode;
        const char* projectText; // replaces Demo.prj when given
        bool running;
        bool checkType;
        std::vector<int> answers;
        bool exists;
        LRESULT result;
        const char* lastText; // %s: the project path
    };
    const Row rows[] = {
        {"no project file", "206", nullptr, false, false, {}, false, 1,
         "Project %s not found\r\nPlease specify an existing project\""},
        {"halt refused", "206", nullptr, true, false, {IDNO}, true, 1, kHaltQuestion},
        // QC232X runs no G-code programs.
        {"an unsupported program type", "293",
         "[Programs]\r\nProgram00=MAIN\r\nProgram01=CUT\r\n[ProgramType]\r\nMAIN=0\r\nCUT=2\r\n", false, false, {},
         true, 1,
         "Program type \"G-Code\" not supported on this controller, or by this version of system software"},
        {"erase answered No", "206", nullptr, false, false, {IDNO}, true, 1,
         "This will erase the actual contents of the controller\nand load the project\n%s\nin its place.\n\nAre you "
         "sure?"},
        {"another model kept", "206", "[Controller]\r\nType=QC2\r\n[Programs]\r\nProgram00=MAIN\r\n", false, true,
         {IDYES, IDNO}, true, 1,
         "Project was created on a different controller.\nProject uses   QC2\nController is  QC116\n\nDo you want to "
         "load it and change the project?"},
        // Names the controller cannot hold, or that cannot be file names,
        // are refused before the controller is erased.
        {"a name with a dash", "206", "[Programs]\r\nProgram00=MAIN\r\nProgram01=A-B\r\n", false, false, {}, true, 1,
         "Program name \"A-B\" is not valid: a program name has 1 to 15 letters, digits or \"_\" and is no device "
         "name.\r\nRename the program in the project; the project is not loaded."},
        {"a name of 16 characters", "206", "[Programs]\r\nProgram00=SIXTEEN_CHARS_AB\r\n", false, false, {}, true, 1,
         "Program name \"SIXTEEN_CHARS_AB\" is not valid: a program name has 1 to 15 letters, digits or \"_\" and is "
         "no device name.\r\nRename the program in the project; the project is not loaded."},
        {"a name that leaves the folder", "206", "[Programs]\r\nProgram00=..\\..\\VICTIM\r\n", false, false, {},
         true, 1,
         "Program name \"..\\..\\VICTIM\" is not valid: a program name has 1 to 15 letters, digits or \"_\" and is "
         "no device name.\r\nRename the program in the project; the project is not loaded."},
        {"a device name", "206", "[Programs]\r\nProgram00=MAIN\r\nProgram01=aux\r\n", false, false, {}, true, 1,
         "Program name \"AUX\" is not valid: a program name has 1 to 15 letters, digits or \"_\" and is no device "
         "name.\r\nRename the program in the project; the project is not loaded."},
    };
    const std::string original = ReadWholeFile(m_project);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Connection().CloseLink();
        Connection().RemoveAllPrograms();
        Window().ClearProcesses();
        Open(row.controlCode);
        WriteWholeFile(m_project, row.projectText ? row.projectText : original);
        const std::string before = ReadWholeFile(m_project);
        if (row.running)
            StartPrograms();
        CVQRegistry().SetCheckControllerType(row.checkType ? 1 : 0);
        TestTool tool;
        ASSERT_NE(0, tool.Register(*m_window, 1000));
        for (int answer : row.answers)
            m_prompts.Answer(answer);
        const std::string path = row.exists ? m_project : m_folder / "Gone\\Gone.prj";

        EXPECT_EQ(row.result, m_window->Send(PWM_LOAD_PROJECT, 0, reinterpret_cast<LPARAM>(path.c_str())));
        CString text;
        text.Format(row.lastText, path.c_str());
        EXPECT_EQ(std::string(text), m_prompts.Texts().back());
        EXPECT_TRUE(CommandsStarting("NEW").empty());
        EXPECT_EQ(Lines{"OLD"}, ControllerList());
        EXPECT_EQ(m_project, ProjectPath());
        EXPECT_EQ(before, ReadWholeFile(m_project));
        EXPECT_TRUE(tool.IsAlive());
        EXPECT_EQ(1, Window().CountToolWindows(1000));
        EXPECT_EQ(0, Window().GetBusyCount());
        tool.Unregister();
    }
}

TEST_F(ProjectOpsTest, AnotherModelTakenOnLoadsAndRecordsTheConnectedModel)
{
    Open();
    CVQRegistry().SetCheckControllerType(1);
    WriteWholeFile(m_project, "[Controller]\r\nType=QC2\r\n[Programs]\r\nProgram00=SUB\r\n[ProgramType]\r\nSUB=0\r\n");
    // Erase: Yes; the other model: Yes.
    EXPECT_EQ(2, Window().LoadProject(m_project.c_str(), nullptr, FALSE, TRUE));
    EXPECT_STREQ("QC116", CProjectFile(m_project.c_str()).GetString("Controller", "Type"));
    EXPECT_EQ(Lines{"SUB"}, ControllerList());
}

TEST_F(ProjectOpsTest, AProgramThatCannotBeLoadedFailsTheLoadAndSaysSo)
{
    Open();
    struct Row {
        const char* what;
        const char* projectText;
        Lines loaded;
    };
    const Row rows[] = {
        {"a program file missing", "[Programs]\r\nProgram00=MAIN\r\nProgram01=GONE\r\n", {"MAIN"}},
        // The project file ends inside an entry: its name has no file.
        {"a project file cut short", "[Programs]\r\nProgram00=MAIN\r\nProgram01=SU", {"MAIN"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        WriteWholeFile(m_project, row.projectText);
        EXPECT_EQ(0, Window().LoadProject(m_project.c_str(), nullptr, TRUE, FALSE));
        EXPECT_EQ("Load project failed\r\nProject is now inconsistent and so VQ will disconnect", m_prompts.Texts().back());
        EXPECT_EQ(row.loaded, m_store.Names());
        const auto texts = m_frame->Received(PWM_OPEN_PROJECT);
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(624u, texts.back().wParam);
    }
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProjectOpsTest, ACompileErrorOnSelectIsReportedAndTheLoadGoesOn)
{
    Open();
    // Selecting SUB compiles MAIN, loaded just before, which has an error:
    // the controller reports it on SELECT's reply and selects SUB all the
    // same.
    m_link->SetReplyCallback([this](const std::string& command, ScriptedReply& reply) {
        const bool known = m_store.Answer(command, reply);
        if (command == "SELECT \"SUB\"")
            reply.text = "%[COMPILE Line 1 Program MAIN] (5) - Syntax error" + (reply.text.empty() ? "" : "\n" + reply.text);
        return known;
    });
    EXPECT_EQ(2, Window().LoadProject(m_project.c_str(), nullptr, FALSE, FALSE));
    EXPECT_EQ((Lines{"MAIN", "SUB"}), m_store.Names());
    EXPECT_EQ((Lines{"PRINT 1"}), m_store.Lines("SUB"));
    for (const std::string& text : m_prompts.Texts()) {
        EXPECT_EQ(std::string::npos, text.find("Could not select")) << text;
        EXPECT_EQ(std::string::npos, text.find("Load project failed")) << text;
    }
    bool reported = false;
    for (const std::string& entry : Window().GetErrorEntries())
        reported = reported || entry.find("Program MAIN, Line 1") != std::string::npos;
    EXPECT_TRUE(reported);
}

TEST_F(ProjectOpsTest, TheProjectWindowIsFoundAndLoadsTheProjectTheUserChooses)
{
    EXPECT_EQ(&Window(), GetProjectWnd());
    Open();
    // The chooser starts on the open project; Load takes it, and the load
    // asks before it erases the controller.
    m_prompts.Answer(IDNO);
    {
        DialogAnswer chooser("Load Project", 0, nullptr, IDC_CHOOSER_ACTION);
        EXPECT_EQ(1, Window().OpenProjectWithDialog());
        EXPECT_TRUE(chooser.Seen());
    }
    EXPECT_EQ("This will erase the actual contents of the controller\nand load the project\n" + m_project +
                  "\nin its place.\n\nAre you sure?",
              m_prompts.Texts().back());
    {
        DialogAnswer chooser("Load Project", 0, nullptr, IDCANCEL);
        EXPECT_EQ(1, Window().OpenProjectWithDialog());
    }
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    m_frame->ClearComponent(1035);
    EXPECT_EQ(nullptr, GetProjectWnd());
}

TEST_F(ProjectOpsTest, AnOldProjectIsConvertedOnlyWhenTheUserAgrees)
{
    Open();
    const char* old = "[Programs]\r\nProgram00=MAIN;main.bas\r\n[ProgramType]\r\nMAIN=0\r\n";
    WriteWholeFile(m_project, old);
    m_prompts.Answer(IDNO);
    EXPECT_EQ(0, Window().LoadProject(m_project.c_str(), nullptr, FALSE, FALSE));
    EXPECT_EQ("Project\n" + m_project + "\n is a Vorta 1 project \n\nDo you want to convert it?", m_prompts.Texts().back());
    EXPECT_EQ(old, ReadWholeFile(m_project));
    EXPECT_TRUE(CommandsStarting("NEW").empty());

    m_prompts.Answer(IDYES);
    EXPECT_EQ(2, Window().LoadProject(m_project.c_str(), nullptr, FALSE, FALSE));
    EXPECT_STREQ("MAIN", CProjectFile(m_project.c_str()).GetString("Programs", "Program00"));
    EXPECT_EQ(Lines{"MAIN"}, ControllerList());
}

TEST_F(ProjectOpsTest, WithTheFastLoadTheProjectGoesOutWholeAndNotProgramByProgram)
{
    CVQRegistry().SetForceSlowProjectLoad(0);
    m_fastLoadModel = true;
    OpenLink(true);
    // The engine's reconnect request is held back.
    Window().m_bConnecting = TRUE;
    EXPECT_EQ(2, Window().LoadProject(m_project.c_str(), nullptr, TRUE, FALSE));
    std::size_t fastLoaded = 0;
    m_link->WithScript([&](CControllerScript& script) { fastLoaded = script.FastLoaded().size(); });
    EXPECT_EQ(2u, fastLoaded);
    EXPECT_EQ(1u, CommandsStarting("NEW ALL").size());
    EXPECT_TRUE(CommandsStarting("&0R").empty());
    for (int i = 0; i < 500 && !Window().m_bConnectAgain.load(); ++i)
        ::Sleep(10);
    Window().m_bConnectAgain = FALSE;
    Window().m_bConnecting = FALSE;
}

// ---------------------------------------------------------------- revert

TEST_F(ProjectOpsTest, RevertPutsTheBackupBackAndLoadsIt)
{
    Open();
    const std::string backup = m_demo + "\\backup";
    ::CreateDirectoryA(backup.c_str(), nullptr);
    WriteWholeFile(backup + "\\Demo.prj", "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
    WriteWholeFile(backup + "\\MAIN.bas", "PRINT 7\r\n");
    EXPECT_EQ(0, m_window->Send(PWM_REVERT_PROJECT));
    EXPECT_EQ(Lines{"This will completely erase any modifications that have been done since the last connection to the "
                    "controller\r\nAre you sure?"},
              m_prompts.Texts());
    EXPECT_EQ("PRINT 7\r\n", ReadWholeFile(m_demo + "\\MAIN.bas"));
    CProjectFile project(m_project.c_str());
    EXPECT_EQ(1, project.GetProgramCount());
    EXPECT_EQ(-1, project.FindProgram("SUB"));
    EXPECT_EQ(Lines{"NEW ALL"}, CommandsStarting("NEW ALL"));
    EXPECT_EQ(Lines{"PRINT 7"}, m_store.Lines("MAIN"));
    EXPECT_EQ(Lines{"MAIN"}, ControllerList());
}

TEST_F(ProjectOpsTest, AnIncompleteBackupRevertsNothing)
{
    Open();
    const std::string backup = m_demo + "\\backup";
    struct Row {
        const char* what;
        const char* backupProject; // null: none
        std::vector<int> answers;
        std::string lastText;
    };
    const Row rows[] = {
        {"no backup", nullptr, {},
         "Backup project file " + backup + "\\Demo.prj does not exist\r\nThe project will not be reverted"},
        // MAIN comes first and is there; SUB is not: MAIN is not copied
        // either.
        {"a program missing", kDemoProject, {IDYES},
         "Backup project file " + backup + "\\SUB.bas does not exist\r\nThe project will not be reverted"},
        {"a backup project file cut short", "[Programs]\r\nProgram00=MAIN\r\nProgram01=SU", {IDYES},
         "Backup project file " + backup + "\\SU.bas does not exist\r\nThe project will not be reverted"},
        {"the question answered No", kDemoProject, {IDNO},
         "This will completely erase any modifications that have been done since the last connection to the "
         "controller\r\nAre you sure?"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (row.backupProject) {
            ::CreateDirectoryA(backup.c_str(), nullptr);
            WriteWholeFile(backup + "\\Demo.prj", row.backupProject);
            WriteWholeFile(backup + "\\MAIN.bas", "PRINT 7\r\n");
        }
        for (int answer : row.answers)
            m_prompts.Answer(answer);
        EXPECT_EQ(1, m_window->Send(PWM_REVERT_PROJECT));
        EXPECT_EQ(row.lastText, m_prompts.Texts().back());
        EXPECT_EQ("VR(7)=2.5\r\nRUN \"SUB\"\r\n", ReadWholeFile(m_demo + "\\MAIN.bas"));
        EXPECT_EQ(kDemoProject, ReadWholeFile(m_project));
        EXPECT_TRUE(CommandsStarting("NEW").empty());
    }
}

// ---------------------------------------------------------------- save

TEST_F(ProjectOpsTest, ACopyTakesTheOpenProjectsProgramsAndBecomesTheProject)
{
    // The controller holds MAIN only: the copy is of the project's
    // programs, whatever the controller holds.
    OpenLink(true);
    m_store.SetProgram("MAIN", {"VR(7)=2.5", "RUN \"SUB\""});
    AddControllerProgram("MAIN");
    // The check after the copy finds SUB in the project only: added.
    m_checks.SetFallback({"&OK", "&Resolve", "&Add"});
    const std::string folder = m_folder / "Copy";
    LRESULT saved = 0;
    {
        DialogAnswer chooser(kSaveProjectCaption, IDC_CHOOSER_NAME, folder.c_str(), IDC_CHOOSER_ACTION);
        saved = m_window->Send(PWM_SAVE_PROJECT_COPY);
        EXPECT_TRUE(chooser.Seen());
    }
    EXPECT_EQ(1, saved);
    EXPECT_EQ(folder + "\\Copy.prj", ProjectPath());
    EXPECT_EQ(kDemoProject, ReadWholeFile(folder + "\\Copy.prj"));
    EXPECT_EQ("VR(7)=2.5\r\nRUN \"SUB\"\r\n", ReadWholeFile(folder + "\\MAIN.bas"));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(folder + "\\SUB.bas"));
    EXPECT_TRUE(PathExists((folder + "\\backup\\Copy.prj").c_str()));
    // The original stays as it was.
    EXPECT_EQ(kDemoProject, ReadWholeFile(m_project));
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_TRUE(CommandsStarting("&0L").empty());
}

TEST_F(ProjectOpsTest, ACopyThatIsNotMadeKeepsTheOpenProject)
{
    Open();
    const std::string existing = m_folder / "Existing";
    ::CreateDirectoryA(existing.c_str(), nullptr);
    WriteWholeFile(existing + "\\Existing.prj", "[Programs]\r\nProgram00=KEEP\r\n");
    WriteWholeFile(m_folder / "AFile", "not a folder");
    const std::string locked = m_folder / "Locked";
    ::CreateDirectoryA(locked.c_str(), nullptr);
    WriteWholeFile(locked + "\\SUB.bas", "PRINT 9\r\n");
    MakeReadOnly(locked + "\\SUB.bas");
    struct Row {
        const char* what;
        std::string folder;
        int button;
        std::vector<int> answers;
        std::string lastText; // empty: nothing is said
    };
    // The project's own folder by other spellings: each copy would go
    // over the files it copies.
    const std::string ownFolder = "Cannot save to currently selected project";
    const auto nested = [](const std::string& folder) {
        return "Cannot save the project into\n" + folder +
               "\nwhich is inside the current project or holds it.\n\nChoose a folder of its own.";
    };
    const Row rows[] = {
        {"the dialog cancelled", m_folder / "Other", IDCANCEL, {}, ""},
        {"the open project's own folder", m_demo, IDC_CHOOSER_ACTION, {}, ownFolder},
        {"its folder through \".\"", m_folder.Path() + "\\.\\Demo", IDC_CHOOSER_ACTION, {}, ownFolder},
        {"its folder through \"..\"", m_demo + "\\..\\Demo", IDC_CHOOSER_ACTION, {}, ownFolder},
        {"its folder in another case", m_folder.Path() + "\\DEMO", IDC_CHOOSER_ACTION, {}, ownFolder},
        {"a folder inside the project", m_demo + "\\Nested", IDC_CHOOSER_ACTION, {}, nested(m_demo + "\\Nested")},
        {"the folder that holds the project", m_folder.Path(), IDC_CHOOSER_ACTION, {}, nested(m_folder.Path())},
        {"overwrite answered No", existing, IDC_CHOOSER_ACTION, {IDNO},
         "Project\n" + existing + "\\Existing.prj\nalready exists\n\nDo you want to overwrite it?"},
        {"a file takes the folder's name", m_folder / "AFile", IDC_CHOOSER_ACTION, {},
         "Could not create project directory\r\nSave project will be cancelled"},
        {"a read-only file in the way", locked, IDC_CHOOSER_ACTION, {},
         "Save project failed\nThe original project will be reselected"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        for (int answer : row.answers)
            m_prompts.Answer(answer);
        const std::size_t before = m_prompts.Texts().size();
        LRESULT saved = -1;
        {
            DialogAnswer chooser(kSaveProjectCaption, IDC_CHOOSER_NAME, row.folder.c_str(), row.button);
            saved = m_window->Send(PWM_SAVE_PROJECT_COPY);
            EXPECT_TRUE(chooser.Seen());
        }
        EXPECT_EQ(0, saved);
        EXPECT_EQ(m_project, ProjectPath());
        EXPECT_EQ(kDemoProject, ReadWholeFile(m_project));
        EXPECT_EQ("VR(7)=2.5\r\nRUN \"SUB\"\r\n", ReadWholeFile(m_demo + "\\MAIN.bas"));
        EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(m_demo + "\\SUB.bas"));
        if (!row.lastText.empty())
            EXPECT_EQ(row.lastText, m_prompts.Texts().back());
        else
            EXPECT_EQ(before, m_prompts.Texts().size());
    }
    EXPECT_EQ("[Programs]\r\nProgram00=KEEP\r\n", ReadWholeFile(existing + "\\Existing.prj"));
    EXPECT_EQ("PRINT 9\r\n", ReadWholeFile(locked + "\\SUB.bas"));
    EXPECT_EQ("not a folder", ReadWholeFile(m_folder / "AFile"));
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ProjectOpsTest, ACopyOntoTheProjectsFolderByItsShortNameIsRefused)
{
    Open();
    const std::string folder = m_folder / "DemoConveyor";
    ::CreateDirectoryA(folder.c_str(), nullptr);
    const std::string project = folder + "\\DemoConveyor.prj";
    WriteWholeFile(project, kDemoProject);
    WriteWholeFile(folder + "\\MAIN.bas", "PRINT 2\r\n");
    WriteWholeFile(folder + "\\SUB.bas", "PRINT 3\r\n");
    Window().GetProjectFile().Load(project.c_str());
    char shortName[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetShortPathNameA(folder.c_str(), shortName, sizeof shortName));
    ASSERT_NE(0, _stricmp(shortName, folder.c_str())) << "the folder has a short name of its own";
    EXPECT_EQ(1, Window().SaveProjectInto(shortName, TRUE, nullptr, FALSE));
    EXPECT_EQ(Lines{"Cannot save to currently selected project"}, m_prompts.Texts());
    EXPECT_EQ("PRINT 2\r\n", ReadWholeFile(folder + "\\MAIN.bas"));
    EXPECT_EQ("PRINT 3\r\n", ReadWholeFile(folder + "\\SUB.bas"));
    EXPECT_EQ(kDemoProject, ReadWholeFile(project));
    EXPECT_EQ(project, ProjectPath());
}

TEST_F(ProjectOpsTest, SavingFromTheControllerWritesItsProgramsIntoTheNewFolder)
{
    Open();
    const std::string folder = m_folder / "FromController";
    EXPECT_EQ(2, Window().SaveProjectInto((folder + "\\").c_str(), FALSE, nullptr, FALSE));
    const std::string project = folder + "\\FromController.prj";
    EXPECT_EQ(project, ProjectPath());
    CProjectFile file(project.c_str());
    EXPECT_STREQ("OLD", file.GetString("Programs", "Program00"));
    EXPECT_STREQ("QC116", file.GetString("Controller", "Type"));
    EXPECT_EQ("PRINT 0\r\n", ReadWholeFile(folder + "\\OLD.bas"));
    EXPECT_TRUE(PathExists((folder + "\\backup\\OLD.bas").c_str()));
    EXPECT_EQ(0, Window().SaveProjectInto("", FALSE, nullptr, FALSE));
}

// ---------------------------------------------------------------- project file

TEST_F(ProjectOpsTest, TheProgramListIsWrittenWithoutGapsAndWithTheConnectedModel)
{
    Open();
    AddControllerProgram("IECP", 4);
    AddControllerProgram("SUB", 0);
    AddControllerProgram("TXT", 3);
    const std::string path = m_folder / "List.prj";
    WriteWholeFile(path, "[Controller]\r\nType=QC2\r\n[Programs]\r\nProgram00=A\r\nProgram05=Z\r\n[Extra]\r\nKeep=1\r\n");
    EXPECT_TRUE(Window().WriteProgramList(path.c_str(), FALSE));
    CProjectFile file(path.c_str());
    EXPECT_STREQ("QC116", file.GetString("Controller", "Type"));
    const char* expected[] = {"OLD", "SUB", "TXT", ""};
    for (int i = 0; i < 4; ++i) {
        CString name;
        int type = 0;
        file.GetProgram(i, name, type);
        EXPECT_STREQ(expected[i], name) << i;
    }
    EXPECT_EQ(3, file.GetProgramType("TXT"));
    EXPECT_FALSE(file.KeyExists("ProgramType", "IECP"));
    EXPECT_FALSE(file.KeyExists("Programs", "Program05"));
    EXPECT_STREQ("1", file.GetString("Extra", "Keep"));

    // Reset: only what the list says.
    EXPECT_TRUE(Window().WriteProgramList(path.c_str(), TRUE));
    EXPECT_FALSE(CProjectFile(path.c_str()).SectionExists("Extra"));
}

TEST_F(ProjectOpsTest, AListLongerThanAProjectHoldsIsReportedAtTheFirstEntryThatDoesNotFit)
{
    Open();
    for (int i = 1; i < PROJECT_MAX_PROGRAMS; ++i)
        AddControllerProgram(("P" + std::to_string(i)).c_str());
    const std::string path = m_folder / "Full.prj";
    EXPECT_TRUE(Window().WriteProgramList(path.c_str(), TRUE));
    EXPECT_EQ(PROJECT_MAX_PROGRAMS, CProjectFile(path.c_str()).GetProgramCount());
    EXPECT_TRUE(m_prompts.Texts().empty());

    AddControllerProgram("ONEMORE");
    EXPECT_FALSE(Window().WriteProgramList(path.c_str(), TRUE));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Error writing program \"ONEMORE\" entry in project file", records[0].text);
    EXPECT_EQ("Project file", records[0].caption);
}

TEST_F(ProjectOpsTest, TheProjectsModelFollowsTheControllerWhenTheUserAgrees)
{
    Open();
    struct Row {
        const char* what;
        bool checkType;
        const char* recorded;
        int answer;
        BOOL matched;
        const char* afterwards;
        bool asked;
    };
    const Row rows[] = {
        {"the same model", true, "QC116", IDYES, TRUE, "QC116", false},
        {"the check off", false, "QC2", IDNO, TRUE, "QC116", false},
        {"agreed", true, "QC2", IDYES, TRUE, "QC116", true},
        {"refused", true, "QC2", IDNO, FALSE, "QC2", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CVQRegistry().SetCheckControllerType(row.checkType ? 1 : 0);
        WriteWholeFile(m_project, std::string("[Controller]\r\nType=") + row.recorded + "\r\n");
        const std::size_t before = m_prompts.Records().size();
        if (row.asked)
            m_prompts.Answer(row.answer);
        EXPECT_EQ(row.matched, Window().MatchProjectController());
        EXPECT_STREQ(row.afterwards, Window().GetProjectFile().GetString("Controller", "Type"));
        const auto records = m_prompts.Records();
        EXPECT_EQ(row.asked ? before + 1 : before, records.size());
        if (row.asked) {
            EXPECT_EQ("Project was created on a different controller\r\nProject uses   QC2\r\nController is  "
                      "QC116\r\n\r\nDo you want to modify the project?",
                      records.back().text);
            EXPECT_EQ("Project Check", records.back().caption);
        }
    }
}

TEST_F(ProjectOpsTest, ConfirmingTheControllerRewritesTheModelOrRefusesWithAReason)
{
    Open();
    CVQRegistry().SetCheckControllerType(1);
    WriteWholeFile(m_project, "[Controller]\r\nType=QC2\r\n");
    m_prompts.Answer(IDNO);
    EXPECT_FALSE(Window().ConfirmProjectController(m_project.c_str()));
    EXPECT_EQ("Cannot load this project as controller definition does not coincide with the detected controller",
              m_prompts.Texts().back());
    EXPECT_STREQ("QC2", CProjectFile(m_project.c_str()).GetString("Controller", "Type"));

    CVQRegistry().SetCheckControllerType(0);
    EXPECT_TRUE(Window().ConfirmProjectController(m_project.c_str()));
    EXPECT_STREQ("QC116", CProjectFile(m_project.c_str()).GetString("Controller", "Type"));
}

TEST_F(ProjectOpsTest, AnOldProjectIsConvertedAndOnAFailureKeptAsItWas)
{
    WriteWholeFile(m_demo + "\\main.bas", "PRINT 1\r\n");
    WriteWholeFile(m_demo + "\\old_ab.txt", "PRINT 2\r\n");
    const std::string old = "[Programs]\r\nProgram00=MAIN;main.bas\r\nProgram01=A-B;old_ab.txt\r\nProgram02=PLAIN\r\n"
                            "[ProgramType]\r\nMAIN=0\r\nA-B=0\r\nPLAIN=0\r\n";
    WriteWholeFile(m_project, old);
    EXPECT_TRUE(Window().ConvertProjectFile(m_project.c_str()));
    EXPECT_EQ(old, ReadWholeFile(m_demo + "\\Demo.bak"));
    CProjectFile file(m_project.c_str());
    EXPECT_STREQ("MAIN", file.GetString("Programs", "Program00"));
    EXPECT_STREQ("A_B", file.GetString("Programs", "Program01"));
    EXPECT_STREQ("PLAIN", file.GetString("Programs", "Program02"));
    EXPECT_EQ("PRINT 2\r\n", ReadWholeFile(m_demo + "\\A_B.bas"));

    // The old file of the second program is gone: nothing changes.
    const std::string broken = "[Programs]\r\nProgram00=MAIN;main.bas\r\nProgram01=GONE;gone.txt\r\n";
    WriteWholeFile(m_project, broken);
    EXPECT_FALSE(Window().ConvertProjectFile(m_project.c_str()));
    EXPECT_EQ(broken, ReadWholeFile(m_project));
    const auto records = m_prompts.Records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ("Convert project", records.back().caption);
    EXPECT_EQ(0u, records.back().text.rfind("Error copying file from ", 0)) << records.back().text;

    EXPECT_FALSE(Window().ConvertProjectFile((m_demo + "\\Demo.txt").c_str()));
    EXPECT_FALSE(Window().ConvertProjectFile(".prj"));
}

// ---------------------------------------------------------------- choosing

TEST_F(ProjectOpsTest, OpenAndConnectWithTheChooserCancelledConnectsNothing)
{
    const std::size_t ready = m_frame->Received(PWM_READY).size();
    {
        DialogAnswer chooser("Open project", 0, nullptr, IDCANCEL);
        m_window->Send(PWM_CONNECT_WITH_PROJECT, 1);
        EXPECT_TRUE(chooser.Seen());
    }
    m_window->Settle();
    EXPECT_GT(m_frame->Received(PWM_READY).size(), ready);
    EXPECT_FALSE(Window().IsConnected());
    EXPECT_EQ(m_project, ProjectPath());

    // The open project chosen again: it is opened, and the frame told.
    const std::size_t opened = m_frame->Received(PWM_OPEN_PROJECT).size();
    {
        DialogAnswer chooser("Change project", 0, nullptr, IDC_CHOOSER_ACTION);
        EXPECT_EQ(2, Window().ChooseProjectFile(4));
        EXPECT_TRUE(chooser.Seen());
    }
    EXPECT_EQ(m_project, ProjectPath());
    EXPECT_EQ(opened + 1, m_frame->Received(PWM_OPEN_PROJECT).size());
}

TEST_F(ProjectOpsTest, AProjectRequestDuringAnotherWaitsUntilItHasEnded)
{
    Open();
    struct Row {
        const char* what;
        UINT message;
        bool withPath;
        std::string firstText; // the deferred request's first question
    };
    const Row rows[] = {
        {"new project", PWM_NEW_PROJECT, false, kEraseQuestion},
        // The sender's text is overwritten once it has been answered: the
        // load runs later on the project it was asked for.
        {"load of a given project", PWM_LOAD_PROJECT, true,
         "This will erase the actual contents of the controller\nand load the project\n" + m_project +
             "\nin its place.\n\nAre you sure?"},
        {"revert", PWM_REVERT_PROJECT, false,
         "Backup project file " + m_demo + "\\backup\\Demo.prj does not exist\r\nThe project will not be reverted"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const std::size_t before = m_prompts.Texts().size();
        Window().m_bProjectOperationRunning = TRUE;
        m_prompts.Answer(IDNO);
        std::vector<char> path(m_project.begin(), m_project.end());
        path.push_back('\0');
        EXPECT_EQ(PWM_OPERATION_DEFERRED,
                  m_window->Send(row.message, 0, row.withPath ? reinterpret_cast<LPARAM>(path.data()) : 0))
            << "not told it was done";
        std::fill(path.begin(), path.end() - 1, 'X');
        EXPECT_EQ(before, m_prompts.Texts().size());
        Window().m_bProjectOperationRunning = FALSE;
        // The deferred request runs by its timer.
        for (int i = 0; i < 500 && m_prompts.Texts().size() == before; ++i)
            ::Sleep(10);
        EXPECT_EQ(Lines{row.firstText}, Since(before));
        EXPECT_TRUE(CommandsStarting("NEW").empty());
        if (row.message == PWM_LOAD_PROJECT)
            Open();
    }
}

// ---------------------------------------------------------------- hostile names

TEST_F(ProjectOpsTest, NamesThatLeaveTheFolderOrAreDevicesTouchNothingOutsideIt)
{
    Open();
    // Files beside the project folder that a hostile name points at.
    const std::string victim = m_folder / "VICTIM.bas";
    WriteWholeFile(victim, "PRINT \"mine\"\r\n");
    WriteWholeFile(m_project, "[Controller]\r\nType=QC116\r\n[Programs]\r\nProgram00=MAIN\r\nProgram01=..\\VICTIM\r\n"
                              "Program02=AUX\r\nProgram03=SUB\r\n[ProgramType]\r\nMAIN=0\r\nSUB=0\r\n");
    const Lines reported = {
        "The project file\n" + m_project +
            "\nnames the program \"..\\VICTIM\", which is no valid program name.\n\nThe entry is skipped; correct or "
            "remove it in the project file.",
        "The project file\n" + m_project +
            "\nnames the program \"AUX\", which is no valid program name.\n\nThe entry is skipped; correct or remove it "
            "in the project file.",
    };

    // Read: the entries are reported and left out.
    CTList<CProgramData> programs;
    EXPECT_TRUE(CProjectFile(m_project.c_str()).ReadProgramList(programs));
    Lines names;
    for (const CProgramData* program = programs.GetHead(); program; program = programs.GetNext(program))
        names.push_back(program->m_strName.str());
    EXPECT_EQ((Lines{"MAIN", "SUB"}), names);
    EXPECT_EQ(reported, m_prompts.Texts());

    // A copy of the project copies its own programs only.
    const std::size_t before = m_prompts.Texts().size();
    const std::string copy = m_folder / "Copy";
    Window().SaveProjectInto(copy.c_str(), TRUE, nullptr, FALSE);
    EXPECT_EQ(reported, Since(before));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(copy + "\\SUB.bas"));
    EXPECT_EQ("PRINT \"mine\"\r\n", ReadWholeFile(victim));
    std::vector<std::string> outside = FilesIn(m_folder.Path());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ((Lines{"Copy", "Demo", "VICTIM.bas"}), outside);

    // An old project's entry: not converted, nothing written outside.
    WriteWholeFile(m_project, "[Programs]\r\nProgram00=..\\VICTIM;main.bas\r\n[ProgramType]\r\n..\\VICTIM=0\r\n");
    m_prompts.Answer(IDYES);
    EXPECT_EQ(0, Window().LoadProject(m_project.c_str(), nullptr, FALSE, FALSE));
    EXPECT_EQ("PRINT \"mine\"\r\n", ReadWholeFile(victim));
    EXPECT_TRUE(CommandsStarting("NEW").empty());
    outside = FilesIn(m_folder.Path());
    std::sort(outside.begin(), outside.end());
    EXPECT_EQ((Lines{"Copy", "Demo", "VICTIM.bas"}), outside);
}

} // namespace
