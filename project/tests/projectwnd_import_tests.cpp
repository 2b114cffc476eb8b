// The program file import through the real project window: the tools' file
// requests (load a file into the project, save a program to a file), the
// new program of the operation queue, the reload of a program from its file
// and what the queue drops, against the scripted controller's program store.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "foundation/fileutil.h"
#include "ieclink/tests/standin_session.h"
#include "link/tests/support/program_store.h"
#include "project/checkfaildialog.h"
#include "link/asciicoder.h"
#include "project/programtransfer.h"
#include "project/programoperation.h"
#include "project/programtypes.h"
#include "project/projectbackup.h"
#include "project/projectwndmessages.h"
#include "project/tests/projectwnd_fixture.h"
#include "project/tests/test_hub.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

using Lines = std::vector<std::string>;

const char kCopyError[] = "Error copying file from %s to %s";

class ImportTest : public ProjectWndTest {
protected:
    void BeforeStart() override { CVQRegistry().SetForceSlowProgramLoad(1); }
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply(m_controlCode));
        m_store.Attach(link);
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        ::CreateDirectoryA(Demo().c_str(), nullptr);
        ::CreateDirectoryA(Source().c_str(), nullptr);
        OpenProject(Demo());
    }
    void Open(const char* controlCode = "206")
    {
        m_controlCode = controlCode;
        OpenLink(true);
    }
    std::string Demo() const { return m_folder / "Demo"; }
    std::string Source() const { return m_folder / "src"; }
    std::string InDemo(const std::string& name) const { return Demo() + "\\" + name; }
    std::string InSource(const std::string& name) const { return Source() + "\\" + name; }
    CProjectWnd& Window() { return *m_window->Object(); }
    CProjectFile& Project() { return Window().GetProjectFile(); }

    // The load request as the load window sends it (the texts are its own).
    LRESULT SendLoad(const std::string& program, const std::string& path)
    {
        return m_window->Send(PWM_LOAD_FILE, reinterpret_cast<WPARAM>(program.c_str()),
                              reinterpret_cast<LPARAM>(path.c_str()));
    }
    void Queue(int code, const char* program, int type, const char* second = "")
    {
        CProgramOperationData operation;
        operation.m_nOperation = code;
        operation.m_strProgram = program;
        operation.m_strSecond = second;
        operation.m_nType = type;
        m_window->Send(PWM_QUEUE_OPERATION, code, reinterpret_cast<LPARAM>(&operation));
        ASSERT_TRUE(PumpUntil([this] { return Window().CountUnfinishedOperations() == 0; }, 10000));
    }
    static std::string Format(const char* format, const std::string& a, const std::string& b)
    {
        char text[1024];
        std::snprintf(text, sizeof text, format, a.c_str(), b.c_str());
        return text;
    }

    const char* m_controlCode = "206";
    CProgramStore m_store;
    ScratchFolder m_folder;
};

} // namespace

TEST_F(ImportTest, ALoadRequestPutsTheFileIntoTheProjectAndTheController)
{
    Open();
    WriteWholeFile(InSource("MAIN.bas"), "VR(7)=2.5\r\n");
    EXPECT_EQ(0, SendLoad("MAIN", InSource("MAIN.bas")));

    EXPECT_EQ("VR(7)=2.5\r\n", ReadWholeFile(InDemo("MAIN.bas")));
    EXPECT_EQ(Lines{"VR(7)=2.5"}, m_store.Lines("MAIN"));
    EXPECT_EQ(0, Project().FindProgram("MAIN"));
    EXPECT_EQ(0, Project().GetProgramType("MAIN"));
    const std::string written = ReadWholeFile(InDemo("Demo.prj"));
    EXPECT_NE(std::string::npos, written.find("Program00=MAIN"));
    EXPECT_NE(std::string::npos, written.find("MAIN=0"));
    EXPECT_EQ(0, Connection().GetProgramType("MAIN"));
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(0, Window().GetBusyCount());

    // The program check's Load button posts heap copies, which the window
    // takes over; a last line without a line end is loaded too.
    WriteWholeFile(InSource("SUB.bas"), "a=1\r\nb=2");
    ASSERT_TRUE(::PostMessageA(m_window->Handle(), PWM_LOAD_FILE, reinterpret_cast<WPARAM>(DuplicateCheckFailText("SUB")),
                               reinterpret_cast<LPARAM>(DuplicateCheckFailText(InSource("SUB.bas").c_str()))));
    // (The import serves messages while it waits: wait for its end.)
    EXPECT_TRUE(PumpUntil([this] { return Project().FindProgram("SUB") >= 0 && Window().GetBusyCount() == 0; }));
    EXPECT_EQ((Lines{"a=1", "b=2"}), m_store.Lines("SUB"));
    EXPECT_EQ(1, Project().FindProgram("SUB"));
}

TEST_F(ImportTest, TheFilesExtensionChoosesTheProgramTypeOrNothing)
{
    Open();
    struct Case {
        const char* program;
        const char* file;
        const char* content;
        const char* destination; // empty: nothing is loaded
        int type;
        Lines lines;
    };
    const Case cases[] = {
        {"NOTES", "notes.txt", "some text\r\n", "NOTES.txt", PROGRAM_TYPE_TEXT, {"some text"}},
        {"PATH", "path.gco", "G1 X10\r\n", "PATH.gco", PROGRAM_TYPE_GCODE, {"G1 X10"}},
        {"PLOT", "plot.plt", "PU;PD;", "PLOT.txt", PROGRAM_TYPE_TEXT, {"PU;", "PD;"}},
        {"SECRET", "secret.enc", "xx\r\n", "", 0, {}},
        {"OTHER", "other.prj", "[Programs]\r\n", "", 0, {}},
        {"PLAIN", "plain", "a=1\r\n", "", 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteWholeFile(InSource(c.file), c.content);
        SendLoad(c.program, InSource(c.file));
        if (!*c.destination) {
            EXPECT_FALSE(m_store.HasProgram(c.program));
            EXPECT_LT(Project().FindProgram(c.program), 0);
            EXPECT_FALSE(Connection().HasProgram(c.program));
            continue;
        }
        EXPECT_TRUE(PathExists(InDemo(c.destination).c_str()));
        EXPECT_EQ(c.lines, m_store.Lines(c.program));
        EXPECT_EQ(c.type, Project().GetProgramType(c.program));
    }
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(ImportTest, AnExistingProgramIsReplacedOnlyWhenTheUserAgreesAndAfterTheFileIsInPlace)
{
    Open();
    m_store.SetProgram("MAIN", {"old"});
    AddControllerProgram("MAIN");
    WriteWholeFile(InDemo("MAIN.bas"), "old\r\n");
    WriteWholeFile(InSource("MAIN.bas"), "new=1\r\n");

    m_prompts.Answer(IDNO);
    SendLoad("MAIN", InSource("MAIN.bas"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Program MAIN exists in project,\r\nDo you wish to overwrite it?", m_prompts.Records()[0].text);
    EXPECT_EQ("Load program", m_prompts.Records()[0].caption);
    EXPECT_EQ("old\r\n", ReadWholeFile(InDemo("MAIN.bas")));
    EXPECT_EQ(Lines{"old"}, m_store.Lines("MAIN"));
    EXPECT_TRUE(CommandsStarting("NEW").empty());

    // Yes: the project's file is the new one by the time NEW goes out.
    std::string fileAtNew;
    m_link->WithScript([&](CControllerScript& script) {
        script.SetReplyCallback([&](const std::string& command, ScriptedReply& reply) {
            if (command == "NEW \"MAIN\"" && fileAtNew.empty())
                fileAtNew = ReadWholeFile(InDemo("MAIN.bas"));
            return m_store.Answer(command, reply);
        });
    });
    m_prompts.Answer(IDYES);
    SendLoad("MAIN", InSource("MAIN.bas"));
    EXPECT_EQ("new=1\r\n", fileAtNew);
    EXPECT_EQ(Lines{"new=1"}, m_store.Lines("MAIN"));
    EXPECT_EQ("new=1\r\n", ReadWholeFile(InDemo("MAIN.bas")));
}

TEST_F(ImportTest, BadInputIsRefusedWithAClearErrorAndTouchesNothing)
{
    Open();
    m_store.SetProgram("KEEP", {"k=1"});
    AddControllerProgram("KEEP");
    Project().AddProgram("KEEP", 0);
    WriteWholeFile(InSource("GOOD.bas"), "g=1\r\n");
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::string program;
        std::string source;
        std::string message; // the prompt's text
    };
    const std::string longName = "ABCDEFGHIJKLMNOP"; // 16 characters
    const Case cases[] = {
        {"missing source", [] {}, "GONE", InSource("GONE.bas"),
         Format(kCopyError, InSource("GONE.bas"), InDemo("GONE.bas"))},
        {"read-only destination",
         [this] {
             WriteWholeFile(InDemo("LOCKED.bas"), "mine\r\n");
             ::SetFileAttributesA(InDemo("LOCKED.bas").c_str(), FILE_ATTRIBUTE_READONLY);
             WriteWholeFile(InSource("LOCKED.bas"), "theirs\r\n");
         },
         "LOCKED", InSource("LOCKED.bas"), Format(kCopyError, InSource("LOCKED.bas"), InDemo("LOCKED.bas"))},
        {"name too long", [] {}, longName, InSource("GOOD.bas"),
         "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        const std::size_t before = m_link->Commands().size();
        const std::size_t prompts = m_prompts.Records().size();
        SendLoad(c.program, c.source);
        ASSERT_EQ(prompts + 1, m_prompts.Records().size());
        EXPECT_EQ(c.message, m_prompts.Records().back().text);
        EXPECT_EQ(before, m_link->Commands().size()) << "the controller was asked something";
        EXPECT_FALSE(m_store.HasProgram(c.program));
        EXPECT_FALSE(Connection().HasProgram(c.program.c_str()));
        EXPECT_LT(Project().FindProgram(c.program.c_str()), 0);
    }
    EXPECT_EQ("mine\r\n", ReadWholeFile(InDemo("LOCKED.bas")));
    EXPECT_NE(0u, ::GetFileAttributesA(InDemo("LOCKED.bas").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(Lines{"k=1"}, m_store.Lines("KEEP"));
    EXPECT_EQ(1, Project().GetProgramCount());
    ::SetFileAttributesA(InDemo("LOCKED.bas").c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ImportTest, AProjectFolderTakenByAFileIsReported)
{
    Open();
    WriteWholeFile(m_folder / "Taken", "a file");
    Project().Load((m_folder / "Taken\\Demo.prj").c_str());
    WriteWholeFile(InSource("MAIN.bas"), "a=1\r\n");
    SendLoad("MAIN", InSource("MAIN.bas"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Directory error:\nunable to create directory\n" + m_folder / "Taken", m_prompts.Records()[0].text);
    EXPECT_EQ("Load program from file", m_prompts.Records()[0].caption);
    EXPECT_FALSE(m_store.HasProgram("MAIN"));
    EXPECT_EQ("a file", ReadWholeFile(m_folder / "Taken"));
}

TEST_F(ImportTest, ImportingTheProjectsOwnFileCopiesNothingButLoads)
{
    Open();
    WriteWholeFile(InDemo("MAIN.bas"), "x=3\r\n");
    ::SetFileAttributesA(InDemo("MAIN.bas").c_str(), FILE_ATTRIBUTE_READONLY);
    SendLoad("MAIN", InDemo("MAIN.bas"));
    EXPECT_EQ(Lines{"x=3"}, m_store.Lines("MAIN"));
    EXPECT_EQ("x=3\r\n", ReadWholeFile(InDemo("MAIN.bas")));
    // The project's copy is writable afterwards (the editor saves it).
    EXPECT_EQ(0u, ::GetFileAttributesA(InDemo("MAIN.bas").c_str()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(ImportTest, AProgramTypeTheControllerLacksIsRefusedBeforeAnythingChanges)
{
    Open("2"); // a first-family controller: no G-Code
    WriteWholeFile(InSource("PATH.gco"), "G1 X1\r\n");
    SendLoad("PATH", InSource("PATH.gco"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Program type \"G-Code\" not supported on this controller, or by this version of system software",
              m_prompts.Records()[0].text);
    EXPECT_EQ("Load program", m_prompts.Records()[0].caption);
    EXPECT_FALSE(PathExists(InDemo("PATH.gco").c_str()));
    EXPECT_FALSE(m_store.HasProgram("PATH"));
}

TEST_F(ImportTest, ANewProgramIsAnEmptyFileLoadedAndRecorded)
{
    Open();
    Queue(PROGRAM_OP_NEW, "FRESH", PROGRAM_TYPE_BASIC);
    EXPECT_TRUE(PathExists(InDemo("FRESH.bas").c_str()));
    EXPECT_EQ("", ReadWholeFile(InDemo("FRESH.bas")));
    EXPECT_TRUE(m_store.HasProgram("FRESH"));
    EXPECT_EQ(0, Project().GetProgramType("FRESH"));

    // A file of that name left in the project is emptied only when the
    // user agrees.
    WriteWholeFile(InDemo("KEPT.bas"), "mine\r\n");
    m_prompts.Answer(IDNO);
    Queue(PROGRAM_OP_NEW, "KEPT", PROGRAM_TYPE_BASIC);
    EXPECT_EQ("mine\r\n", ReadWholeFile(InDemo("KEPT.bas")));
    EXPECT_FALSE(m_store.HasProgram("KEPT"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Program KEPT exists in project,\r\nDo you wish to overwrite it?", m_prompts.Records()[0].text);
    m_prompts.Answer(IDYES);
    Queue(PROGRAM_OP_NEW, "KEPT", PROGRAM_TYPE_BASIC);
    EXPECT_EQ("", ReadWholeFile(InDemo("KEPT.bas")));
    EXPECT_TRUE(m_store.HasProgram("KEPT"));

    // Types that cannot be made new, and a type the controller's record
    // does not give, make nothing.
    Queue(PROGRAM_OP_NEW, "LOCKED", PROGRAM_TYPE_ENCRYPTED);
    Queue(PROGRAM_OP_NEW, "NOTYPE", PROGRAM_OP_TYPE_FROM_CONTROLLER);
    for (const char* name : {"LOCKED", "NOTYPE"}) {
        EXPECT_FALSE(m_store.HasProgram(name));
        EXPECT_LT(Project().FindProgram(name), 0);
    }

    // One IEC project per controller.
    AddControllerProgram("PLC1", PROGRAM_TYPE_IEC_PROJECT);
    Queue(PROGRAM_OP_NEW, "PLC2", PROGRAM_TYPE_IEC_PROJECT);
    ASSERT_EQ(3u, m_prompts.Records().size());
    EXPECT_EQ("Only one IEC project is allowed", m_prompts.Records()[2].text);
    EXPECT_EQ("New Program", m_prompts.Records()[2].caption);
    EXPECT_FALSE(PathExists(InDemo("PLC2.mwe").c_str()));
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ImportTest, TheQueueTakesTheControllersTypeAndDropsWhatComesWhileClosing)
{
    Open();
    m_store.SetProgram("MAIN", {"a=1"});
    m_store.SetProgram("NOTES", {"text"}, PROGRAM_TYPE_TEXT);
    AddControllerProgram("MAIN", PROGRAM_TYPE_BASIC);
    AddControllerProgram("NOTES", PROGRAM_TYPE_TEXT);
    // Type -1: BASIC compiles, Text does not.
    Queue(PROGRAM_OP_COMPILE, "NOTES", PROGRAM_OP_TYPE_FROM_CONTROLLER);
    EXPECT_TRUE(CommandsStarting("COMPILE").empty());
    Queue(PROGRAM_OP_COMPILE, "MAIN", PROGRAM_OP_TYPE_FROM_CONTROLLER);
    EXPECT_EQ(1u, CommandsStarting("COMPILE").size());

    Window().m_bClosing = TRUE;
    CProgramOperationData run;
    run.m_nOperation = PROGRAM_OP_RUN;
    run.m_strProgram = "MAIN";
    m_window->Send(PWM_QUEUE_OPERATION, PROGRAM_OP_RUN, reinterpret_cast<LPARAM>(&run));
    m_window->Settle();
    EXPECT_TRUE(CommandsStarting("RUN").empty());
    // A file request while closing is dropped as well.
    WriteWholeFile(InSource("LATE.bas"), "l=1\r\n");
    SendLoad("LATE", InSource("LATE.bas"));
    EXPECT_FALSE(m_store.HasProgram("LATE"));
    EXPECT_FALSE(PathExists(InDemo("LATE.bas").c_str()));
}

// Program > Save names neither program nor file: the program file window
// comes up, shown, for the user to choose them.
TEST_F(ImportTest, ASaveRequestWithoutNamesShowsTheProgramFileWindow)
{
    Open();
    m_window->Send(PWM_SAVE_FILE, 0, 0);
    m_window->Settle();
    HWND window = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (window = FindWindowA(nullptr, "Save program to file")) != nullptr; }, 10000));
    EXPECT_TRUE(IsWindowVisible(window));
    PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 10000));
}

TEST_F(ImportTest, ASaveRequestWritesTheControllersCopyAndAReloadTakesTheFileAgain)
{
    Open();
    m_store.SetProgram("MAIN", {"a=1", "PRINT a"});
    AddControllerProgram("MAIN");
    Project().AddProgram("MAIN", 0);
    const std::string target = InSource("saved.bas");
    m_window->Send(PWM_SAVE_FILE, reinterpret_cast<WPARAM>("MAIN"), reinterpret_cast<LPARAM>(target.c_str()));
    // The save runs when its turn comes.
    EXPECT_TRUE(PumpUntil([&] { return PathExists(target.c_str()) && Window().GetBusyCount() == 0; }));
    EXPECT_EQ("a=1\r\nPRINT a\r\n", ReadWholeFile(target));

    // A request a tool queues by record runs the same way; a kind that is
    // neither load nor save is dropped.
    CProjectWnd::CFileOperationData request;
    request.kind = 1;
    request.program = "SUB";
    request.path = InSource("sub.bas").c_str();
    WriteWholeFile(InSource("sub.bas"), "s=1\r\n");
    m_window->Send(PWM_QUEUE_FILE_OPERATION, 0, reinterpret_cast<LPARAM>(&request));
    EXPECT_TRUE(PumpUntil([&] { return Project().FindProgram("SUB") >= 0 && Window().GetBusyCount() == 0; }));
    EXPECT_EQ(Lines{"s=1"}, m_store.Lines("SUB"));
    request.kind = 2;
    request.program = "ODD";
    const std::size_t commands = m_link->Commands().size();
    m_window->Send(PWM_QUEUE_FILE_OPERATION, 0, reinterpret_cast<LPARAM>(&request));
    m_window->Settle();
    EXPECT_EQ(commands, m_link->Commands().size());

    // The reload takes the project's file.
    WriteWholeFile(InDemo("MAIN.bas"), "b=2\r\n");
    EXPECT_NE(0, m_window->Send(PWM_RELOAD_PROGRAM, 0, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_EQ(Lines{"b=2"}, m_store.Lines("MAIN"));
    // A program the controller does not hold: nothing.
    const std::size_t before = m_link->Commands().size();
    EXPECT_EQ(0, m_window->Send(PWM_RELOAD_PROGRAM, 0, reinterpret_cast<LPARAM>("NONE")));
    EXPECT_EQ(before, m_link->Commands().size());
    EXPECT_EQ(0, Window().GetBusyCount());
}

TEST_F(ImportTest, AnIECProjectFileIsRefusedWhileTheControllerHoldsAnother)
{
    CVQRegistry().SetEnableIEC61131(1);
    Open("464");
    AddControllerProgram("PLC1", PROGRAM_TYPE_IEC_PROJECT);
    WriteWholeFile(InSource("LINE.mwe"), "project");
    ::CreateDirectoryA(InSource("LINE").c_str(), nullptr);
    SendLoad("LINE", InSource("LINE.mwe"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Only one IEC project is allowed", m_prompts.Records()[0].text);
    EXPECT_FALSE(PathExists(InDemo("LINE.mwe").c_str()));
    EXPECT_FALSE(Connection().HasProgram("LINE"));
}

namespace {

// The same against the stand-in IEC system, on a controller that runs IEC
// programs.
class IECImportTest : public ImportTest {
protected:
    void BeforeStart() override
    {
        ImportTest::BeforeStart();
        CVQRegistry().SetEnableIEC61131(1);
    }
    void SetUp() override
    {
        ImportTest::SetUp();
        // The session's clock is the one in use: it lets the stand-in start
        // and, like the fixture's, the link answer while the window waits.
        m_session.Clock().SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
    }
    void TearDown() override
    {
        ImportTest::TearDown();
        m_session.Clock().SetSleepHook({});
    }

    StandInSession m_session;
};

} // namespace

TEST_F(IECImportTest, ANewIECProgramIsCreatedBesideItsFolderAndRecorded)
{
    Open("464");
    Queue(PROGRAM_OP_NEW, "PLC1", PROGRAM_TYPE_IEC_PROJECT);
    EXPECT_TRUE(PathExists(InDemo("PLC1.mwe").c_str()));
    EXPECT_TRUE(DirectoryExists(InDemo("PLC1").c_str()));
    // Made in the project folder, saved, and compiled (the IEC system's load).
    EXPECT_TRUE(m_session.JournalHas("CreateProject " + Demo() + " PLC1"));
    EXPECT_TRUE(m_session.JournalHas("CompressProject \"" + InDemo("PLC1.zwe") + "\""));
    EXPECT_TRUE(m_session.JournalHas("Compile"));
    EXPECT_EQ(PROGRAM_TYPE_IEC_PROJECT, Project().GetProgramType("PLC1"));
    EXPECT_EQ(0, Project().FindProgram("PLC1"));
    EXPECT_TRUE(m_prompts.Records().empty());

    // Once the controller lists it, a reload compiles it again through the
    // IEC system.
    m_session.ClearJournal();
    m_store.SetProgram("PLC1", {}, PROGRAM_TYPE_IEC_PROJECT);
    AddControllerProgram("PLC1", PROGRAM_TYPE_IEC_PROJECT);
    EXPECT_NE(0, m_window->Send(PWM_RELOAD_PROGRAM, 0, reinterpret_cast<LPARAM>("PLC1")));
    EXPECT_TRUE(m_session.JournalHas("Compile"));
    EXPECT_EQ(0, Window().GetBusyCount());

    // The project's backup takes the IEC project with its folder.
    WriteWholeFile(InDemo("PLC1\\unit.st"), "unit");
    {
        TestHub hub;
        hub.SetConnection(&Connection());
        hub.SetProjectPath(InDemo("Demo.prj"));
        ASSERT_TRUE(BackupProject(hub));
    }
    EXPECT_TRUE(PathExists(InDemo("backup\\PLC1.mwe").c_str()));
    EXPECT_EQ("unit", ReadWholeFile(InDemo("backup\\PLC1\\unit.st")));
}

TEST_F(IECImportTest, AnIECProjectFileComesWithItsFolderAndReplacesOlderCopies)
{
    Open("464");
    WriteWholeFile(InSource("LINE.mwe"), "IEC STAND-IN PROJECT\r\n");
    ::CreateDirectoryA(InSource("LINE").c_str(), nullptr);
    ::CreateDirectoryA(InSource("LINE\\POU").c_str(), nullptr);
    WriteWholeFile(InSource("LINE\\POU\\MAIN.st"), "PROGRAM MAIN END_PROGRAM");
    ::CreateDirectoryA(InDemo("LINE").c_str(), nullptr);
    WriteWholeFile(InDemo("LINE\\old.st"), "old");

    SendLoad("LINE", InSource("LINE.mwe"));
    EXPECT_EQ("IEC STAND-IN PROJECT\r\n", ReadWholeFile(InDemo("LINE.mwe")));
    EXPECT_EQ("PROGRAM MAIN END_PROGRAM", ReadWholeFile(InDemo("LINE\\POU\\MAIN.st")));
    EXPECT_FALSE(PathExists(InDemo("LINE\\old.st").c_str()));
    EXPECT_TRUE(m_session.JournalHas("OpenProject " + InDemo("LINE.mwe")));
    EXPECT_TRUE(m_session.JournalHas("Compile"));
    EXPECT_EQ(PROGRAM_TYPE_IEC_PROJECT, Project().GetProgramType("LINE"));
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(IECImportTest, SavingFromTheControllerMakesItsIECProjectAgainFromTheCodedCopy)
{
    Open("464");
    Queue(PROGRAM_OP_NEW, "PLC1", PROGRAM_TYPE_IEC_PROJECT);
    ASSERT_TRUE(PathExists(InDemo("PLC1.mwe").c_str()));
    // The controller's copy of an IEC program is its coded project, line by
    // line.
    ASSERT_TRUE(PathExists(InDemo("PLC1.zwe").c_str()));
    CASCIICoder coder;
    ASSERT_TRUE(coder.EncodeFile(InDemo("PLC1.zwe").c_str(), InDemo("PLC1.zwa").c_str()));
    Lines coded;
    {
        std::string line;
        for (char c : ReadWholeFile(InDemo("PLC1.zwa"))) {
            if (c == '\r')
                continue;
            if (c == '\n') {
                coded.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        if (!line.empty())
            coded.push_back(line);
    }
    ASSERT_FALSE(coded.empty());
    m_store.SetProgram("PLC1", coded, PROGRAM_TYPE_IEC_PROJECT);
    AddControllerProgram("PLC1", PROGRAM_TYPE_IEC_PROJECT);
    // The project's copy has moved on since.
    WriteWholeFile(InDemo("PLC1\\later.st"), "later");
    ::DeleteFileA(InDemo("PLC1.zwa").c_str());
    m_session.ClearJournal();

    EXPECT_EQ(1, m_window->Send(PWM_EXPORT_PROGRAM, 0, reinterpret_cast<LPARAM>("PLC1")));
    EXPECT_TRUE(PathExists(InDemo("PLC1.zwa").c_str()));
    EXPECT_TRUE(PathExists(InDemo("PLC1.mwe").c_str()));
    EXPECT_FALSE(PathExists(InDemo("PLC1\\later.st").c_str())) << "the controller's copy replaced it";
    bool expanded = false;
    for (const std::string& line : m_session.Journal())
        expanded = expanded || line.rfind("ExpandProject", 0) == 0;
    EXPECT_TRUE(expanded);
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(0, Window().GetBusyCount());
}
