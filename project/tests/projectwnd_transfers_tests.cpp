// The program transfers through the real project window: its messages, its
// command runner and the replies its own commands get.
#include <gtest/gtest.h>

#include "link/tests/support/program_store.h"
#include "project/programtransfer.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"

namespace {

class ProjectWndTransfersTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override { m_store.Attach(link); }
    void SetUp() override
    {
        ProjectWndTest::SetUp();
        ASSERT_TRUE(WriteWholeFile(m_folder / "Demo.prj", "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n"));
        m_window->Object()->GetProjectFile().Load((m_folder / "Demo.prj").c_str());
        OpenLink();
        m_store.SetProgram("MAIN", {"a=1", "PRINT a"});
        m_store.SetProgram("SUB", {"b=2"});
        AddControllerProgram("MAIN");
        AddControllerProgram("SUB");
    }

    CProgramStore m_store;
    ScratchFolder m_folder;
};

} // namespace

TEST_F(ProjectWndTransfersTest, ExportWritesTheControllersCopyIntoTheProject)
{
    WriteWholeFile(m_folder / "MAIN.bas", "old\r\n");
    EXPECT_EQ(0, m_window->Send(PWM_EXPORT_PROGRAM, 0, reinterpret_cast<LPARAM>("NONE")));
    EXPECT_EQ(ReadWholeFile(m_folder / "MAIN.bas"), "old\r\n");
    EXPECT_NE(0, m_window->Send(PWM_EXPORT_PROGRAM, 0, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_EQ(ReadWholeFile(m_folder / "MAIN.bas"), "a=1\r\nPRINT a\r\n");
    EXPECT_EQ(CommandsStarting("&"), (std::vector<std::string>{"&C", "&N", "&0L", "&1L"}));
    EXPECT_EQ(0, m_window->Object()->GetBusyCount());

    // A refused line read leaves the file as it was.
    m_link->SetReply("&1L", "%[COMMAND 67] Invalid line number");
    m_store.SetProgram("MAIN", {"x=1", "y=2"});
    EXPECT_EQ(0, m_window->Send(PWM_EXPORT_PROGRAM, 0, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_EQ(ReadWholeFile(m_folder / "MAIN.bas"), "a=1\r\nPRINT a\r\n");
}

TEST_F(ProjectWndTransfersTest, DeleteByMessage)
{
    EXPECT_EQ(1, m_window->Send(PWM_DELETE_PROGRAMS, reinterpret_cast<WPARAM>("MAIN, TABLE ,*")));
    EXPECT_EQ(CommandsStarting("NEW"),
              (std::vector<std::string>{"NEW \"MAIN\"", "NEW \"TABLE\"", "NEW \"TABLE\"", "NEW ALL"}));
    EXPECT_EQ(m_store.Count(), 0);
    EXPECT_EQ(Connection().CountPrograms(PROGRAM_TYPE_ALL), 0);
    EXPECT_EQ(m_window->Object()->GetProjectFile().GetProgramCount(), 0);

    // Without a text: every program (the user agreed already).
    m_store.SetProgram("MAIN", {"a=1"});
    EXPECT_EQ(1, m_window->Send(PWM_DELETE_PROGRAMS));
    EXPECT_EQ(m_store.Count(), 0);
    EXPECT_EQ(0, m_window->Object()->GetBusyCount());
}
