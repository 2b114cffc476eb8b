// The program transfers (TABLE and VR read-out, the line load, read-back,
// the program load with its CRC check, delete, copy and rename) against the
// scripted controller with its program store, on virtual time.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "foundation/safefile.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/program_store.h"
#include "link/tests/support/scripted_controller.h"
#include "project/programtransfer.h"
#include "project/programtypes.h"
#include "project/tablelist.h"
#include "link/modeltables.h"
#include "settings/vqregistry.h"
#include "project/tests/transfer_host.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

using Lines = std::vector<std::string>;

class ProgramTransferTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_hub);
        m_hub.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(
            ScriptedLinkFactory(m_link, [this](CScriptedController& link) { m_store.Attach(link); }));
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        WriteWholeFile(ProjectPath(), "[Programs]\r\n");
        m_hub.SetProjectPath(ProjectPath());
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(m_connection->OpenLink(m_hub.GetSafeHwnd(), &record, TRUE));
        m_mark = m_link->Commands().size();
        m_hub.Panel().ClearReceived();
        m_store.Clear();
    }
    void TearDown() override
    {
        m_hub.onCommand = {};
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
    }

    std::string ProjectPath() const { return m_folder / "Demo.prj"; }
    std::string FilePath(const std::string& name) const { return m_folder / (name + ".bas"); }
    // The commands the controller took since the last call (or the set-up).
    Lines NewCommands()
    {
        const Lines all = m_link->Commands();
        Lines fresh(all.begin() + static_cast<std::ptrdiff_t>(m_mark), all.end());
        m_mark = all.size();
        return fresh;
    }
    // Prompt texts and captions, "caption: text".
    Lines Prompts() const
    {
        Lines shown;
        for (const ScriptedPrompts::Record& record : m_prompts.Records())
            shown.push_back(record.caption + ": " + record.text);
        return shown;
    }
    void AddControllerPrograms(int count)
    {
        for (int n = 0; n < count; ++n) {
            CProgramData program;
            program.m_strName = ("P" + std::to_string(n)).c_str();
            program.m_nType = 0;
            m_connection->AddProgram(program);
        }
    }
    void AddToProject(const std::string& name, const std::string& text)
    {
        WriteWholeFile(FilePath(name), text);
        m_hub.GetProjectFile()->AddProgram(name.c_str(), 0);
        CProgramData program;
        program.m_strName = name.c_str();
        program.m_nType = 0;
        m_connection->AddProgram(program);
    }

    CWinApp m_app{"program transfer tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    TransferHost m_hub;
    CProgramStore m_store;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
    size_t m_mark = 0;
    CProgramTransfer m_transfer{m_hub};
};

} // namespace

// ---------------------------------------------------------------- file CRC

TEST(ProgramFileCrc, LinesAndLineEnds)
{
    ScratchFolder folder;
    struct Case {
        const char* bytes;
        Lines lines;
        std::uint16_t crc;
    };
    const Case cases[] = {
        {"", {}, 0x03FC},
        {"PRINT 1", {"PRINT 1"}, 0x4524},
        {"PRINT 1\r\n", {"PRINT 1"}, 0x4524},
        {"a=1\r\nPRINT a\r\n", {"a=1", "PRINT a"}, 0xC327},
        {"a=1\nPRINT a\n", {"a=1", "PRINT a"}, 0xC327},
        {"a=1\nPRINT a", {"a=1", "PRINT a"}, 0xC327},
        {"a=1\r\r\nPRINT a\r\n", {"a=1", "PRINT a"}, 0xC327},
        // A blank line is a line of the program; one line end alone is
        // the one empty line of a new program.
        {"a=1\r\n\r\nPRINT a\r\n", {"a=1", "", "PRINT a"}, 0},
        {"\r\n", {""}, 0x03FC},
    };
    for (const Case& c : cases) {
        const std::string path = folder / "P.bas";
        WriteWholeFile(path, c.bytes);
        Lines lines;
        ASSERT_TRUE(ReadProgramFileLines(path.c_str(), lines)) << c.bytes;
        EXPECT_EQ(lines, c.lines) << c.bytes;
        std::uint16_t crc = 0;
        ASSERT_TRUE(ProgramFileCrc(path.c_str(), crc));
        EXPECT_EQ(crc, c.crc ? c.crc : CProgramStore::CheckValue(c.lines)) << c.bytes;
        EXPECT_EQ(crc, CProgramStore::CheckValue(lines)) << c.bytes;
    }
    std::uint16_t crc = 0;
    EXPECT_FALSE(ProgramFileCrc((folder / "missing.bas").c_str(), crc));
}

// ---------------------------------------------------------------- line load

TEST_F(ProgramTransferTest, ASlowLoadSendsTheLinesFromZeroAndChecksCountAndCrc)
{
    AddToProject("MAIN", "PRINT 1\r\nPRINT 2\r\n");
    EXPECT_TRUE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_EQ(NewCommands(), (Lines{"SELECT \"MAIN\"", "NEW \"MAIN\"", "SELECT \"MAIN\" 0", "&C", "&0R,PRINT 1",
                                    "&1I,PRINT 2", "&N", "&Z,MAIN"}));
    EXPECT_EQ(m_store.Lines("MAIN"), (Lines{"PRINT 1", "PRINT 2"}));
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "PRINT 1\r\nPRINT 2\r\n");
    EXPECT_EQ(m_hub.Panel().Received(PWM_PROGRAM_TRANSFER_START).size(), 1u);
    EXPECT_EQ(m_hub.Panel().Received(PWM_PROGRAM_TRANSFER_END).size(), 1u);
    EXPECT_EQ(m_hub.busy, 0);
    ASSERT_FALSE(m_hub.Progresses().empty());
    EXPECT_EQ(m_hub.LastProgress()->texts, (Lines{"Loading File", FilePath("MAIN")}));
    EXPECT_EQ(m_hub.LastProgress()->percents, (std::vector<int>{50, 100}));
    EXPECT_TRUE(m_hub.LastProgress()->closed);
}

TEST_F(ProgramTransferTest, EdgeFilesOfTheLineLoad)
{
    struct Case {
        const char* what;
        std::string file;
        Lines lineCommands; // the "&" commands between "&C" and "&Z"
        Lines stored;
        Lines prompts;
    };
    const std::string longLine(81, 'x');
    const Case cases[] = {
        {"an empty file leaves the new program's one line", "", {"&N"}, {""}, {}},
        {"a one-line file replaces line 0 only", "a=1", {"&0R,a=1", "&N"}, {"a=1"}, {}},
        {"an 81-character line is cut and reported",
         "a=1\r\nb=2\r\n" + longLine + "\r\n",
         {"&0R,a=1", "&1I,b=2", "&2I," + longLine.substr(0, 80), "&N"},
         {"a=1", "b=2", longLine.substr(0, 80)},
         {"Editor: Line 2 is too long (80 characters max), extra removed from end of line:-\n\n" + longLine}},
    };
    for (const Case& c : cases) {
        WriteWholeFile(FilePath("MAIN"), c.file);
        m_hub.GetProjectFile()->AddProgram("MAIN", 0);
        const size_t prompts = m_prompts.Records().size();
        EXPECT_TRUE(m_transfer.LoadProgramToController("MAIN", 0, TRUE)) << c.what;
        Lines commands = NewCommands();
        Lines lineCommands;
        for (size_t n = 4; n < commands.size() && commands[n].rfind("&Z", 0) != 0; ++n)
            lineCommands.push_back(commands[n]);
        EXPECT_EQ(lineCommands, c.lineCommands) << c.what;
        EXPECT_EQ(m_store.Lines("MAIN"), c.stored) << c.what;
        const Lines shown = Prompts();
        EXPECT_EQ(Lines(shown.begin() + static_cast<std::ptrdiff_t>(prompts), shown.end()), c.prompts) << c.what;
    }
    // The cut line differs from the file: the controller's copy became the
    // project's.
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "a=1\r\nb=2\r\n" + longLine.substr(0, 80) + "\r\n");
}

TEST_F(ProgramTransferTest, ACancelledLoadErasesThePartialProgram)
{
    AddToProject("MAIN", "a=1\r\nb=2\r\nc=3\r\n");
    m_hub.onCommand = [this](int id, int) {
        if (id == 24) // the first insert
            m_transfer.Cancel();
    };
    EXPECT_FALSE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    const Lines commands = NewCommands();
    EXPECT_EQ(Lines(commands.begin() + 4, commands.end()), (Lines{"&0R,a=1", "&1I,b=2", "NEW \"MAIN\""}));
    EXPECT_FALSE(m_store.HasProgram("MAIN"));
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "a=1\r\nb=2\r\nc=3\r\n");
    EXPECT_TRUE(m_hub.LastProgress()->closed);
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, AFailedLoadNeverTouchesTheProjectFile)
{
    struct Case {
        const char* what;
        const char* command;
        const char* reply;
        const char* lastCommand;
    };
    const Case cases[] = {
        {"a refused line", "&1I,print 2", "%[COMMAND 9] Syntax error", "&1I,print 2"},
        {"a line count that differs", "&N", "2", "&N"},
        {"the program cannot be selected", "&C", "OTHER", "&C"},
    };
    for (const Case& c : cases) {
        SetUp();
        m_store.SetUpperCaseListing(true);
        AddToProject("MAIN", "print 1\r\nprint 2\r\nprint 3\r\n");
        m_link->SetReply(c.command, c.reply);
        EXPECT_FALSE(m_transfer.LoadProgramToController("MAIN", 0, TRUE)) << c.what;
        const Lines commands = NewCommands();
        ASSERT_FALSE(commands.empty()) << c.what;
        EXPECT_EQ(commands.back(), c.lastCommand) << c.what;
        EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "print 1\r\nprint 2\r\nprint 3\r\n") << c.what;
        EXPECT_TRUE(m_hub.LastProgress() == nullptr || m_hub.LastProgress()->closed) << c.what;
        TearDown();
    }
    EXPECT_EQ(m_prompts.Texts(), Lines{"Could not select the program MAIN on the controller"});
}

TEST_F(ProgramTransferTest, AnUpperCasedListingAfterALoadReplacesTheFile)
{
    m_store.SetUpperCaseListing(true);
    AddToProject("MAIN", "print 1\nx=\"ab\"");
    EXPECT_TRUE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "PRINT 1\r\nX=\"ab\"\r\n");
    std::uint16_t crc = 0;
    ASSERT_TRUE(ProgramFileCrc(FilePath("MAIN").c_str(), crc));
    EXPECT_EQ(crc, CProgramStore::CheckValue(m_store.Lines("MAIN")));
}

TEST_F(ProgramTransferTest, TheFastPathFailsOnACrcDifferenceAndLoadsEmptyFilesLineByLine)
{
    m_hub.fastLoad = TRUE;
    AddToProject("MAIN", "a=1\r\n");
    m_store.SetProgram("MAIN", {""});
    // The stand-in fast load loads nothing: the controller's copy is still
    // the empty program.
    EXPECT_FALSE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_EQ(m_hub.TransferEvents(), (Lines{"permit MAIN", "fast MAIN " + FilePath("MAIN")}));
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "Load program: Program CRC check failed (Controller=0x%08x,File=0x%08x)\nRun a project check to "
                  "resolve any inconsistancies.",
                  0x03FCu, static_cast<unsigned>(CProgramStore::CheckValue({"a=1"})));
    EXPECT_EQ(Prompts(), Lines{expected});
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "a=1\r\n");

    WriteWholeFile(FilePath("MAIN"), "");
    NewCommands();
    EXPECT_TRUE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_EQ(NewCommands().front(), "SELECT \"MAIN\"");
}

TEST_F(ProgramTransferTest, NothingIsLoadedWithoutFileOrPermission)
{
    EXPECT_FALSE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_EQ(Prompts(), Lines{"Project Manager: Program file MAIN does not exist"});
    AddToProject("MAIN", "a=1\r\n");
    m_hub.permit = FALSE;
    EXPECT_FALSE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_TRUE(NewCommands().empty());
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, RunOfALoadedProgramReachesTheProjectWindow)
{
    AddToProject("MAIN", "PRINT 1\r\n");
    ASSERT_TRUE(m_transfer.LoadProgramToController("MAIN", 0, TRUE));
    EXPECT_TRUE(m_hub.RunCommand(2, 0, "MAIN"));
    for (int n = 0; n < 100 && m_hub.ProgramStatuses().empty(); ++n)
        m_clock.SleepMs(1);
    EXPECT_EQ(m_hub.ProgramStatuses(), std::vector<std::string>{"14:MAIN"});
    EXPECT_TRUE(m_hub.RunCommand(2, 0, "GONE") == FALSE);
}

// ---------------------------------------------------------------- read-back

TEST_F(ProgramTransferTest, AReadBackReadsLinesZeroToCountLessOne)
{
    m_store.SetProgram("MAIN", {"a=1", "PRINT a"});
    EXPECT_TRUE(m_transfer.SaveProgramToDisk("MAIN", 0, FALSE));
    EXPECT_EQ(NewCommands(), (Lines{"SELECT \"MAIN\"", "&C", "&N", "&0L", "&1L"}));
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "a=1\r\nPRINT a\r\n");
    EXPECT_EQ(m_hub.LastProgress()->texts, (Lines{"Saving file", "MAIN"}));

    // Into the project's "Controller" folder, made when missing.
    EXPECT_TRUE(m_transfer.SaveProgramToDisk("MAIN", 0, TRUE));
    EXPECT_EQ(ReadWholeFile(m_folder / "Controller\\MAIN.bas"), "a=1\r\nPRINT a\r\n");

    // A program of no lines is an empty file.
    m_link->SetReply("&N", "0");
    EXPECT_TRUE(m_transfer.SaveProgramToDisk("MAIN", 0, FALSE));
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "");
    EXPECT_EQ(m_hub.busy, 0);

    // A program that cannot be selected (a FIFO) is never read from
    // whatever program is selected.
    NewCommands();
    EXPECT_FALSE(m_transfer.SaveProgramToDisk("MAIN", PROGRAM_TYPE_FIFO, FALSE));
    EXPECT_TRUE(NewCommands().empty());
}

TEST_F(ProgramTransferTest, AReplyToAnotherCommandIsNotTakenForTheAnswer)
{
    m_store.SetProgram("MAIN", {"a=1", "b=2"});
    m_hub.afterCommand = [this](int id) {
        if (id != 22)
            return;
        // A reply to "?VR(1);" run meanwhile, after the line count.
        ControllerMessage stray;
        stray.m_nCommandId = 32;
        stray.SetInteger(5);
        m_hub.OnControllerReply(&stray);
    };
    EXPECT_TRUE(m_transfer.SaveProgramToDisk("MAIN", 0, FALSE));
    EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "a=1\r\nb=2\r\n");
    m_hub.afterCommand = {};
}

TEST_F(ProgramTransferTest, AFailedOrCancelledReadBackKeepsTheOldFile)
{
    struct Case {
        const char* what;
        bool cancel;
        const char* refused; // a command answered with an error
    };
    const Case cases[] = {
        {"a refused line", false, "&1L"},
        {"a refused count", false, "&N"},
        {"a cancel", true, nullptr},
    };
    for (const Case& c : cases) {
        SetUp();
        m_store.SetProgram("MAIN", {"a=1", "b=2", "c=3"});
        WriteWholeFile(FilePath("MAIN"), "old\r\n");
        if (c.refused)
            m_link->SetReply(c.refused, "%[COMMAND 67] Invalid line number");
        if (c.cancel)
            m_hub.onCommand = [this](int id, int line) {
                if (id == 23 && line == 1)
                    m_transfer.Cancel();
            };
        EXPECT_FALSE(m_transfer.SaveProgramToDisk("MAIN", 0, FALSE)) << c.what;
        EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "old\r\n") << c.what;
        EXPECT_TRUE(m_hub.LastProgress()->closed) << c.what;
        EXPECT_EQ(m_hub.Panel().Received(PWM_PROGRAM_TRANSFER_END).size(), 1u) << c.what;
        TearDown();
        m_transfer.ResetCancel();
    }
}

TEST_F(ProgramTransferTest, SaveAllStopsAtTheFirstFailure)
{
    // A controller that runs IEC programs (QC374, system software 2.01).
    CVQRegistry().SetEnableIEC61131(1);
    m_link->SetReply("?CONTROL[0]", "464");
    m_link->SetReply("?VERSION", "2.0100");
    int row = 0;
    ASSERT_TRUE(m_connection->Identify(row));
    m_connection->GetVersion();
    ASSERT_TRUE(m_connection->IsFeatureSupported(FEATURE_IEC61131));
    m_store.SetProgram("MAIN", {"a=1"});
    m_store.SetProgram("SUB", {"b=2"});
    // The controller holds an IEC program as its coded project.
    m_store.SetProgram("IEC", {"coded 1", "coded 2"}, PROGRAM_TYPE_IEC_PROJECT);
    for (const char* name : {"MAIN", "IEC", "SUB"}) {
        CProgramData program;
        program.m_strName = name;
        program.m_nType = std::string(name) == "IEC" ? PROGRAM_TYPE_IEC_PROJECT : 0;
        m_connection->AddProgram(program);
    }
    Lines saved;
    EXPECT_TRUE(m_transfer.SaveAllProgramsToDisk(&saved));
    EXPECT_EQ(saved, (Lines{"MAIN", "SUB"}));
    EXPECT_EQ(ReadWholeFile(FilePath("SUB")), "b=2\r\n");
    // Its coded file is read into the project folder, from which the host
    // makes the IEC project.
    EXPECT_EQ(ReadWholeFile(m_folder / "IEC.zwa"), "coded 1\r\ncoded 2\r\n");
    EXPECT_FALSE(FileExists((m_folder / "IEC.mwe").c_str()));
    EXPECT_EQ(m_hub.TransferEvents(), (Lines{"permit MAIN", "permit IEC", "iec IEC", "permit SUB"}));

    ::DeleteFileA(FilePath("SUB").c_str());
    m_hub.iecExportResult = FALSE;
    saved.clear();
    EXPECT_FALSE(m_transfer.SaveAllProgramsToDisk(&saved));
    EXPECT_EQ(saved, Lines{"MAIN"});
    EXPECT_FALSE(FileExists(FilePath("SUB").c_str()));
}

TEST_F(ProgramTransferTest, ExportTakesTheProjectCopyUnlessForcedOrMissing)
{
    struct Case {
        const char* what;
        const char* projectCopy; // null: none
        BOOL force;
        const char* destination; // under the scratch folder; "" the project copy itself
        int result;
        std::string destinationText;
        bool readFromController;
    };
    const Case cases[] = {
        {"the project copy goes", "project\r\n", FALSE, "out.bas", 1, "project\r\n", false},
        {"forced: the controller's copy", "project\r\n", TRUE, "out.bas", 1, "a=1\r\n", true},
        {"no project copy: the controller's", nullptr, FALSE, "out.bas", 1, "a=1\r\n", true},
        {"the project copy is the destination", "project\r\n", FALSE, "", 1, "a=1\r\n", true},
        {"a destination that cannot be written", "project\r\n", FALSE, "none\\out.bas", 0, "", false},
    };
    for (const Case& c : cases) {
        SetUp();
        m_store.SetProgram("MAIN", {"a=1"});
        AddToProject("MAIN", c.projectCopy ? c.projectCopy : "");
        if (!c.projectCopy)
            ::DeleteFileA(FilePath("MAIN").c_str());
        const std::string destination = *c.destination ? m_folder / c.destination : FilePath("MAIN");
        const size_t prompts = m_prompts.Records().size();
        EXPECT_EQ(m_transfer.ExportProgramFile("MAIN", destination.c_str(), c.force), c.result) << c.what;
        if (c.result) {
            EXPECT_EQ(ReadWholeFile(destination), c.destinationText) << c.what;
        } else {
            ASSERT_EQ(m_prompts.Records().size(), prompts + 1) << c.what;
            EXPECT_EQ(m_prompts.Records().back().text,
                      "Error copying file from " + FilePath("MAIN") + " to " + destination) << c.what;
        }
        bool read = false;
        for (const std::string& command : NewCommands())
            read = read || command == "&0L";
        EXPECT_EQ(read, c.readFromController) << c.what;
        EXPECT_EQ(m_hub.TransferEvents().back(), c.readFromController ? "permit MAIN" : "save MAIN") << c.what;
        ::DeleteFileA((m_folder / "out.bas").c_str());
        TearDown();
    }
    EXPECT_EQ(m_transfer.ExportProgramFile("GONE", (m_folder / "out.bas").c_str(), TRUE), 0);
}

// ---------------------------------------------------------------- TABLE and VR

TEST_F(ProgramTransferTest, ReadTableEndsAtTheLastEntryThere)
{
    std::vector<double> table(120);
    for (size_t n = 0; n < table.size(); ++n)
        table[n] = static_cast<double>(n) / 2;
    m_store.SetTable(table);
    CTableList buffer;
    EXPECT_EQ(m_transfer.ReadTable(buffer, 100, 129), 1);
    EXPECT_EQ(NewCommands(), (Lines{"?TSIZE[0];", "TABLEVALUES(100,119,0)"}));
    EXPECT_EQ(buffer.GetStart(), 100);
    ASSERT_EQ(buffer.GetCount(), 20);
    EXPECT_EQ(buffer.GetValue(100), 50.0);
    EXPECT_EQ(buffer.GetValue(119), 59.5);
    EXPECT_TRUE(m_hub.LastProgress()->closed);

    // Blocks of 30.
    EXPECT_EQ(m_transfer.ReadTable(buffer, 0, 64), 1);
    EXPECT_EQ(NewCommands(),
              (Lines{"?TSIZE[0];", "TABLEVALUES(0,29,0)", "TABLEVALUES(30,59,0)", "TABLEVALUES(60,64,0)"}));
    EXPECT_EQ(buffer.GetCount(), 65);
    EXPECT_EQ(m_hub.LastProgress()->percents, (std::vector<int>{0, 46, 92, 100}));
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, ReadTableExpandsRepeatsAndFailsOnShortBlocks)
{
    m_store.SetTable(std::vector<double>(10, 0.0));
    struct Case {
        const char* what;
        const char* reply; // to TABLEVALUES(0,4,0)
        std::vector<double> values; // empty: the read fails
    };
    const Case cases[] = {
        {"plain values", "1.0,2.0,3.0,4.0,5.0", {1, 2, 3, 4, 5}},
        {"a repeat in the middle", "1.0,k3,2.5,4.0", {1, 2.5, 2.5, 2.5, 4}},
        {"a repeat at the end", "1.0,k4,-1.0", {1, -1, -1, -1, -1}},
        {"a short block", "1.0,2.0", {}},
        {"a repeat past the block", "k9,1.0", {}},
        {"an error", "%[COMMAND 54] Array index out of range", {}},
    };
    for (const Case& c : cases) {
        m_link->SetReply("TABLEVALUES(0,4,0)", c.reply);
        CTableList buffer;
        buffer.SetStart(7);
        buffer.AddValue(42.0);
        EXPECT_EQ(m_transfer.ReadTable(buffer, 0, 4), c.values.empty() ? 0 : 1) << c.what;
        if (c.values.empty()) {
            EXPECT_EQ(buffer.GetStart(), 7) << c.what;
            EXPECT_EQ(buffer.GetCount(), 1) << c.what;
            continue;
        }
        ASSERT_EQ(buffer.GetCount(), static_cast<int>(c.values.size())) << c.what;
        for (size_t n = 0; n < c.values.size(); ++n)
            EXPECT_EQ(buffer.GetValue(static_cast<long>(n)), c.values[n]) << c.what << " " << n;
    }
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, ReadTableAtTheLargestIndex)
{
    m_link->SetReply("?TSIZE[0];", "2147483647");
    m_link->SetReply("TABLEVALUES(2147483640,2147483646,0)", "1.0,k5,2.0,3.0");
    CTableList buffer;
    EXPECT_EQ(m_transfer.ReadTable(buffer, 2147483640, 2147483647), 1);
    EXPECT_EQ(NewCommands(), (Lines{"?TSIZE[0];", "TABLEVALUES(2147483640,2147483646,0)"}));
    EXPECT_EQ(buffer.GetStart(), 2147483640);
    EXPECT_EQ(buffer.GetCount(), 7);
}

TEST_F(ProgramTransferTest, ReadTableReadsNothingForAnEmptyRangeOrACancel)
{
    m_store.SetTable(std::vector<double>(100, 1.0));
    CTableList buffer;
    EXPECT_EQ(m_transfer.ReadTable(buffer, 10, 9), 0);
    EXPECT_TRUE(m_hub.Progresses().empty());
    EXPECT_EQ(m_transfer.ReadTable(buffer, 100, 120), 0); // past the end
    m_hub.onCommand = [this](int id, int) {
        if (id == 31)
            m_transfer.Cancel();
    };
    EXPECT_EQ(m_transfer.ReadTable(buffer, 0, 99), 0);
    EXPECT_EQ(buffer.GetCount(), 0);
    EXPECT_EQ(NewCommands(), (Lines{"?TSIZE[0];", "?TSIZE[0];", "TABLEVALUES(0,29,0)"}));
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, ReadVariablesFormatsWholeAndFractionalValues)
{
    m_store.SetVR(7, 2.0);
    m_store.SetVR(8, 2.5);
    m_store.SetVR(9, -0.125);
    Lines lines{"keep"};
    EXPECT_EQ(m_transfer.ReadVariables(lines, 7, 9), 1);
    EXPECT_EQ(lines, (Lines{"keep", "' Variables", " VR(7)=2.0", " VR(8)=2.5000", " VR(9)=-0.1250", ""}));
    EXPECT_EQ(NewCommands(), (Lines{"?VR(7);", "?VR(8);", "?VR(9);"}));
    EXPECT_EQ(m_hub.LastProgress()->texts, Lines{"Reading variables"});
    EXPECT_TRUE(m_hub.LastProgress()->closed);

    // A line too long for the controller is kept and reported.
    ScriptedReply huge("1e75");
    huge.markEndsLastLine = true;
    m_link->SetReply("?VR(1);", huge);
    lines.clear();
    EXPECT_EQ(m_transfer.ReadVariables(lines, 1, 1), 1);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_GT(lines[1].size(), 80u);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find(lines[1]), std::string::npos);

    // A failed read stops with 0.
    m_link->SetReply("?VR(3);", "%[COMMAND 0] Command not recognized");
    lines.clear();
    EXPECT_EQ(m_transfer.ReadVariables(lines, 2, 4), 0);
    EXPECT_EQ(lines, (Lines{"' Variables", " VR(2)=0.0"}));
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, VariableRangesAtTheEdges)
{
    Lines lines;
    EXPECT_EQ(m_transfer.ReadVariables(lines, 5, 4), 1);
    EXPECT_EQ(lines, (Lines{"' Variables", ""}));
    // The largest index ends the range (no wrap to the smallest).
    m_store.SetVR(2147483647, 3.0);
    lines.clear();
    EXPECT_EQ(m_transfer.ReadVariables(lines, 2147483646, 2147483647), 1);
    EXPECT_EQ(lines, (Lines{"' Variables", " VR(2147483646)=0.0", " VR(2147483647)=3.0", ""}));
    EXPECT_EQ(NewCommands(), (Lines{"?VR(2147483646);", "?VR(2147483647);"}));
}

// ---------------------------------------------------------------- a silent controller

TEST_F(ProgramTransferTest, AControllerThatFallsSilentFailsTheTransferAndKeepsTheFile)
{
    struct Case {
        const char* what;
        int silentFrom; // command id after which the controller answers nothing
        bool load;
    };
    const Case cases[] = {
        {"silent during the line load", 24, true},
        {"silent before the line count", 22, true},
        {"silent during the read-back", 23, false},
    };
    for (const Case& c : cases) {
        SetUp();
        m_connection->SetMessageTimeout(1);
        AddToProject("MAIN", "old 1\r\nold 2\r\nold 3\r\n");
        m_store.SetProgram("MAIN", {"a=1", "b=2", "c=3"});
        m_hub.onCommand = [this, &c](int id, int) {
            if (id == c.silentFrom)
                m_link->SetSilent(true);
        };
        const BOOL done = c.load ? m_transfer.LoadProgramToController("MAIN", 0, TRUE)
                                 : m_transfer.SaveProgramToDisk("MAIN", 0, FALSE);
        EXPECT_FALSE(done) << c.what;
        EXPECT_EQ(ReadWholeFile(FilePath("MAIN")), "old 1\r\nold 2\r\nold 3\r\n") << c.what;
        EXPECT_TRUE(m_hub.LastProgress()->closed) << c.what;
        EXPECT_EQ(m_hub.busy, 0) << c.what;
        TearDown();
    }
}

// ---------------------------------------------------------------- delete, copy, rename

TEST_F(ProgramTransferTest, DeleteProgramThenTableThenEverything)
{
    AddToProject("MAIN", "a=1\r\n");
    AddToProject("SUB", "b=1\r\n");
    m_store.SetProgram("MAIN", {"a=1"});
    m_store.SetProgram("SUB", {"b=1"});
    EXPECT_EQ(m_transfer.DeletePrograms(" MAIN, TABLE ,*, "), 1);
    EXPECT_EQ(NewCommands(), (Lines{"NEW \"MAIN\"", "NEW \"TABLE\"", "NEW \"TABLE\"", "NEW ALL", "&C"}));
    EXPECT_EQ(m_hub.TransferEvents(), (Lines{"permit ", "close MAIN", "close *", "changed", "store"}));
    EXPECT_EQ(m_hub.GetProjectFile()->GetProgramCount(), 0);
    EXPECT_EQ(m_connection->CountPrograms(PROGRAM_TYPE_ALL), 0);
    EXPECT_EQ(m_store.Count(), 0);
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, AProgramLeavesTheProjectOnlyWhenTheControllerErasedIt)
{
    AddToProject("MAIN", "a=1\r\n");
    AddToProject("SUB", "b=1\r\n");
    m_link->SetReply("NEW \"SUB\"", "%[COMMAND 30] Program(s) running");
    EXPECT_EQ(m_transfer.DeletePrograms("MAIN,SUB"), 0);
    EXPECT_EQ(m_hub.TransferEvents(), (Lines{"permit MAIN,SUB", "close MAIN", "close SUB", "changed", "store"}));
    EXPECT_LT(m_hub.GetProjectFile()->FindProgram("MAIN"), 0);
    EXPECT_GE(m_hub.GetProjectFile()->FindProgram("SUB"), 0);
    EXPECT_TRUE(m_connection->HasProgram("SUB"));

    // Refused: nothing is sent.
    NewCommands();
    m_hub.permit = FALSE;
    EXPECT_EQ(m_transfer.DeletePrograms("*"), 0);
    EXPECT_TRUE(NewCommands().empty());
    // TABLE alone changes no program.
    m_hub.permit = TRUE;
    EXPECT_EQ(m_transfer.DeletePrograms("table"), 1);
    EXPECT_EQ(NewCommands(), Lines{"NEW \"TABLE\""});
}

TEST_F(ProgramTransferTest, NamesNoProgramCanHaveAreNeverSent)
{
    AddToProject("MAIN", "a=1\r\n");
    const char* const names[] = {"MA\"IN", "A B", "ABCDEFGHIJKLMNOP", ""};
    for (const char* name : names) {
        WriteWholeFile(FilePath(name), "a=1\r\n");
        EXPECT_EQ(m_transfer.LoadProgramText(name, FilePath(name).c_str(), 0, TRUE), 0) << name;
        EXPECT_FALSE(m_transfer.LoadProgramToController(name, 0, TRUE)) << name;
        EXPECT_FALSE(m_transfer.SaveProgramToDisk(name, 0, FALSE)) << name;
        EXPECT_FALSE(m_transfer.CopyProgram("MAIN", name)) << name;
        EXPECT_FALSE(m_transfer.RenameProgram(name, "MAIN")) << name;
        EXPECT_EQ(m_transfer.ExportProgramFile(name, FilePath("OUT").c_str(), TRUE), 0) << name;
        EXPECT_TRUE(NewCommands().empty()) << name;
        ::DeleteFileA(FilePath(name).c_str());
    }
    // In a list, the others still go.
    EXPECT_EQ(m_transfer.DeletePrograms("MA\"IN\",MAIN"), 0);
    EXPECT_EQ(NewCommands(), (Lines{"NEW \"MAIN\"", "&C"}));
    EXPECT_TRUE(m_prompts.Texts().empty());
}

TEST_F(ProgramTransferTest, CopyMakesTheFileThenTheControllerCopy)
{
    AddToProject("MAIN", "a=1\r\n");
    m_store.SetProgram("MAIN", {"a=1"});
    m_store.SetProgram("SUB", {"old"});
    CProgramData sub;
    sub.m_strName = "SUB";
    sub.m_nType = 0;
    m_connection->AddProgram(sub);
    EXPECT_TRUE(m_transfer.CopyProgram("MAIN", "SUB"));
    EXPECT_EQ(NewCommands(), (Lines{"NEW \"SUB\"", "COPY \"MAIN\" \"SUB\""}));
    EXPECT_EQ(ReadWholeFile(FilePath("SUB")), "a=1\r\n");
    EXPECT_GE(m_hub.GetProjectFile()->FindProgram("SUB"), 0);
    EXPECT_EQ(m_store.Lines("SUB"), Lines{"a=1"});
    EXPECT_EQ(m_hub.TransferEvents(), (Lines{"permit SUB", "close MAIN", "close SUB", "changed", "store"}));

    // The same name in other letters: nothing at all.
    EXPECT_FALSE(m_transfer.CopyProgram("MAIN", "main"));
    EXPECT_TRUE(NewCommands().empty());
    EXPECT_EQ(m_hub.busy, 0);
}

TEST_F(ProgramTransferTest, CopyAndRenameRefusals)
{
    struct Case {
        const char* what;
        bool rename;
        int programs;            // more programs on the controller
        const char* refused;     // the controller refuses this command
        bool folder;             // the destination's file is a folder
        Lines prompts;
        Lines commands;
        bool added;              // D in the project after
    };
    const Case cases[] = {
        {"32 programs: no copy", false, 31, nullptr, false,
         {"Copy Program: Too many programs on controller, cannot add another"}, {}, false},
        {"32 programs: a rename still goes", true, 31, nullptr, false, {}, {"RENAME \"MAIN\" \"SUB\"", "&C"}, true},
        {"31 programs: a copy goes", false, 30, nullptr, false, {}, {"COPY \"MAIN\" \"SUB\""}, true},
        {"a refused copy adds nothing", false, 0, "COPY \"MAIN\" \"SUB\"", false, {}, {"COPY \"MAIN\" \"SUB\""},
         false},
        {"a refused rename keeps the name", true, 0, "RENAME \"MAIN\" \"SUB\"", false, {},
         {"RENAME \"MAIN\" \"SUB\""}, false},
        {"a folder in the way of a copy", false, 0, nullptr, true,
         {"Copy Program: " + std::string() + "%FOLDER% is a directory, cannot continue!"}, {}, false},
        {"a folder in the way of a rename", true, 0, nullptr, true,
         {"Rename Program: %FOLDER%\r\nis a directory, cannot continue"}, {}, false},
    };
    for (const Case& c : cases) {
        SetUp();
        AddToProject("MAIN", "a=1\r\n");
        m_store.SetProgram("MAIN", {"a=1"});
        AddControllerPrograms(c.programs);
        if (c.refused)
            m_link->SetReply(c.refused, "%[COMMAND 47] Program not found");
        if (c.folder)
            ::CreateDirectoryA(FilePath("SUB").c_str(), nullptr);
        const size_t prompts = m_prompts.Records().size();
        const BOOL done = c.rename ? m_transfer.RenameProgram("MAIN", "SUB") : m_transfer.CopyProgram("MAIN", "SUB");
        EXPECT_EQ(done != FALSE, c.added) << c.what;
        EXPECT_EQ(NewCommands(), c.commands) << c.what;
        Lines expected;
        for (std::string text : c.prompts) {
            const size_t at = text.find("%FOLDER%");
            if (at != std::string::npos)
                text.replace(at, 8, FilePath("SUB"));
            expected.push_back(text);
        }
        const Lines shown = Prompts();
        EXPECT_EQ(Lines(shown.begin() + static_cast<std::ptrdiff_t>(prompts), shown.end()), expected) << c.what;
        EXPECT_EQ(m_hub.GetProjectFile()->FindProgram("SUB") >= 0, c.added) << c.what;
        if (c.rename && c.added) {
            EXPECT_LT(m_hub.GetProjectFile()->FindProgram("MAIN"), 0) << c.what;
        }
        if (!c.folder)
            ::DeleteFileA(FilePath("SUB").c_str());
        else
            ::RemoveDirectoryA(FilePath("SUB").c_str());
        m_hub.GetProjectFile()->RemoveProgram("SUB");
        TearDown();
    }
}
