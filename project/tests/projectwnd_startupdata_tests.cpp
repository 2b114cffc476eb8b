// The STARTUP data through the real project window (0x8199): the Standard
// section of "StartUp.bas" made from the controller's VR and TABLE values as
// the project file's "Store" settings choose, the user's lines and the other
// tools' sections kept, the program loaded with its run type, and nothing
// touched when a read, the write or the halt question fails.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "controller/startupfile.h"
#include "foundation/fileutil.h"
#include "link/tests/support/program_store.h"
#include "project/programtransfer.h"
#include "project/projectwndmessages.h"
#include "project/tests/projectwnd_fixture.h"
#include "settings/vqregistry.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

using Lines = std::vector<std::string>;

// The user's lines and a CAN section, as another tool wrote it.
const char kExisting[] = "' my own set-up\r\n"
                         "PRINT \"hello\"\r\n"
                         "'Start CAN Section\r\n"
                         "CANIO_ADDRESS=40\r\n"
                         "'Stop CAN Section\r\n";

class StartupDataTest : public ProjectWndTest {
protected:
    void BeforeStart() override { CVQRegistry().SetForceSlowProgramLoad(1); }
    void Script(CScriptedController& link) override
    {
        link.SetReply("?CONTROL[0]", ScriptedReply("206"));
        m_store.Attach(link);
    }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        OpenProject(m_folder.Path());
        CProjectFile& project = Project();
        project.SetStoreVariables(TRUE);
        project.SetVariablesRange(7, 7);
        project.SetStoreTable(TRUE);
        project.SetTableRange(0, 2);
        OpenLink(true);
        m_store.SetVR(7, 2.5);
        m_store.SetTable({1.5, 2, 3});
        WriteWholeFile(File(), kExisting);
    }
    std::string File() const { return m_folder / "StartUp.bas"; }
    CProjectFile& Project() { return m_window->Object()->GetProjectFile(); }
    LRESULT Store() { return m_window->Send(PWM_STORE_STARTUP_DATA); }
    // Section 1 of the file as a reader finds it.
    Lines StandardSection()
    {
        CStartupFile file(File().c_str());
        file.LoadText(ReadWholeFile(File()));
        Lines lines;
        if (CStartupSectionRecord* record = file.FindSection(STARTUP_SECTION_STANDARD))
            for (POSITION pos = record->GetLines().GetHeadPosition(); pos;)
                lines.push_back(record->GetLines().GetNext(pos).str());
        return lines;
    }
    // The file without its Standard section.
    std::string WithoutStandardSection()
    {
        CStartupFile file(File().c_str());
        EXPECT_TRUE(file.LoadText(ReadWholeFile(File())));
        file.ClearSection(STARTUP_SECTION_STANDARD);
        std::string text;
        EXPECT_TRUE(file.FormatText(text));
        return text;
    }

    CProgramStore m_store;
    ScratchFolder m_folder;
};

} // namespace

TEST_F(StartupDataTest, TheStandardSectionHoldsTheChosenValuesAndTheRestIsKept)
{
    // The controller has no STARTUP yet: the file is read all the same.
    EXPECT_EQ(1, Store());
    const Lines section = StandardSection();
    ASSERT_EQ(5u, section.size()) << ReadWholeFile(File());
    EXPECT_EQ((Lines{"' Variables", " VR(7)=2.5000", "", "' TABLE DATA"}), Lines(section.begin(), section.begin() + 4));
    EXPECT_EQ("TABLE(0,1.5,2.0,3.0)", section[4]);
    EXPECT_EQ(kExisting, WithoutStandardSection());
    const std::string text = ReadWholeFile(File());
    EXPECT_NE(std::string::npos, text.find("'Start Standard Section\r\n' Variables\r\n VR(7)=2.5000\r\n\r\n' TABLE DATA\r\n"));
    EXPECT_NE(std::string::npos, text.find(section[4] + "\r\n'Stop Standard Section\r\n"));

    // Imported: in the controller and the project, run type 0.
    Lines expected;
    ASSERT_TRUE(ReadProgramFileLines(File().c_str(), expected));
    EXPECT_EQ(expected, m_store.Lines("STARTUP"));
    EXPECT_EQ(0, Project().GetProgramType("STARTUP"));
    EXPECT_EQ((std::vector<std::string>{"RUNTYPE \"STARTUP\",0"}), CommandsStarting("RUNTYPE"));
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(0, m_window->Object()->GetBusyCount());
    // The main frame shows the long operation as busy, then ready.
    EXPECT_FALSE(m_frame->Received(PWM_BUSY).empty());
    EXPECT_TRUE(PumpUntil([this] { return !m_frame->Received(PWM_READY).empty(); }));
}

TEST_F(StartupDataTest, NothingChosenEmptiesTheSectionAndAnExistingProgramKeepsItsRunType)
{
    WriteWholeFile(File(), std::string("'Start Standard Section\r\nVR(1)=1\r\n'Stop Standard Section\r\n") + kExisting);
    m_store.SetProgram("STARTUP", {"old"});
    AddControllerProgram("STARTUP");
    Connection().FindProgram("STARTUP")->m_nAutoRun = 3;
    Project().SetStoreVariables(FALSE);
    Project().SetStoreTable(FALSE);

    EXPECT_EQ(1, Store());
    EXPECT_TRUE(StandardSection().empty());
    EXPECT_EQ(kExisting, ReadWholeFile(File()));
    EXPECT_EQ((Lines{"' my own set-up", "PRINT \"hello\"", "'Start CAN Section", "CANIO_ADDRESS=40",
                     "'Stop CAN Section"}),
              m_store.Lines("STARTUP"));
    EXPECT_EQ((std::vector<std::string>{"RUNTYPE \"STARTUP\",1,3"}), CommandsStarting("RUNTYPE"));
    EXPECT_EQ(3, Connection().FindProgram("STARTUP")->m_nAutoRun);
}

TEST_F(StartupDataTest, AFailedReadWriteOrHaltLeavesFileAndControllerAlone)
{
    struct Case {
        const char* what;
        std::function<void()> arrange;
        std::function<void()> undo;
        std::string message; // a prompt's text, when one is shown
    };
    const Case cases[] = {
        {"TABLE read refused", [this] { m_link->SetReply("?TSIZE[0];", "%[COMMAND 1] Refused"); },
         [this] { m_link->SetReply("?TSIZE[0];", ScriptedReply("3")); }, ""},
        {"VR read refused", [this] { m_link->SetReply("?VR(7);", "%[COMMAND 1] Refused"); },
         [this] { m_link->SetReply("?VR(7);", ScriptedReply("2.5")); }, ""},
        {"file read-only", [this] { ::SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_READONLY); },
         [this] { ::SetFileAttributesA(File().c_str(), FILE_ATTRIBUTE_NORMAL); },
         "Error writing to file:\n" + File()},
        {"halt refused",
         [this] {
             m_link->SetReply("PROCESS", ScriptedReply("3,1,MAIN,5"));
             ASSERT_TRUE(m_window->Object()->RefreshProcesses());
             m_prompts.Answer(IDNO);
         },
         [this] { m_window->Object()->ClearProcesses(); },
         "This operation cannot be performed with programs running.\n\nDo you wish to halt all running programs"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.arrange();
        const std::size_t prompts = m_prompts.Records().size();
        EXPECT_EQ(0, Store());
        EXPECT_EQ(kExisting, ReadWholeFile(File()));
        EXPECT_FALSE(m_store.HasProgram("STARTUP"));
        EXPECT_LT(Project().FindProgram("STARTUP"), 0);
        EXPECT_TRUE(CommandsStarting("RUNTYPE").empty());
        if (c.message.empty()) {
            EXPECT_EQ(prompts, m_prompts.Records().size());
        } else {
            ASSERT_EQ(prompts + 1, m_prompts.Records().size());
            EXPECT_EQ(c.message, m_prompts.Records().back().text);
        }
        EXPECT_EQ(0, m_window->Object()->GetBusyCount());
        c.undo();
    }
    // Afterwards it works again.
    EXPECT_EQ(1, Store());
    EXPECT_TRUE(m_store.HasProgram("STARTUP"));
}
