// The full controller directory against the scripted controller.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include "project/fulldirectory.h"
#include "project/project_resource.h"
#include "link/tests/support/scripted_connection.h"

namespace {

std::string ItemText(HWND list, int item, int column)
{
    char text[128] = {};
    LVITEMA lvItem = {};
    lvItem.iSubItem = column;
    lvItem.pszText = text;
    lvItem.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem));
    return text;
}

std::vector<std::string> Row(HWND list, int item, int columns)
{
    std::vector<std::string> row;
    for (int column = 0; column < columns; ++column)
        row.push_back(ItemText(list, item, column));
    return row;
}

bool NoteShown(HWND window)
{
    return (::GetWindowLongA(::GetDlgItem(window, IDC_DIRECTORY_REMOTE), GWL_STYLE) & WS_VISIBLE) != 0;
}

class FullDirectoryTest : public ScriptedConnectionTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("DIR X", ScriptedReply("RAM,12000\nMAIN,1200,300,-1,0\nAUX,10,5,3,2\nMANUAL,1,1,0,0"));
        link.SetReply("PROCESS", ScriptedReply("2,1,MAIN,16\n3,9,AUX,4\n4,1,REMOTE_PROGRAM,0"));
        link.SetReply("?FREE[0];", ScriptedReply("65432"));
    }
    void TearDown() override
    {
        if (::IsWindow(m_window))
            ::DestroyWindow(m_window);
        ScriptedConnectionTest::TearDown();
    }
    HWND m_window = nullptr;
};

} // namespace

TEST(FullDirectoryColumns, RunAndProcess)
{
    const struct {
        int autoRun;
        const char* run;
        const char* process;
    } cases[] = {{-1, "Auto", "Def."}, {3, "Auto", "3"}, {0, "Man.", ""}, {-5, "Auto", "Def."}};
    for (const auto& c : cases) {
        EXPECT_STREQ(FormatRunColumn(c.autoRun), c.run) << c.autoRun;
        EXPECT_STREQ(FormatProcessColumn(c.autoRun), c.process) << c.autoRun;
    }
}

TEST_F(FullDirectoryTest, ListsProgramsProcessesAndTheRemoteProgramNote)
{
    auto* directory = new CFullDirectory;
    ASSERT_TRUE(directory->Create());
    m_window = directory->m_hWnd;
    const HWND programs = ::GetDlgItem(m_window, IDC_DIRECTORY_PROGRAMS);
    const HWND processes = ::GetDlgItem(m_window, IDC_DIRECTORY_PROCESSES);
    ASSERT_EQ(::SendMessageA(programs, LVM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_EQ(Row(programs, 0, 6), (std::vector<std::string>{"MAIN", "BASIC", "1200", "300", "Auto", "Def."}));
    EXPECT_EQ(Row(programs, 1, 6), (std::vector<std::string>{"AUX", "G-Code", "10", "5", "Auto", "3"}));
    EXPECT_EQ(Row(programs, 2, 6), (std::vector<std::string>{"MANUAL", "BASIC", "1", "1", "Man.", ""}));
    ASSERT_EQ(::SendMessageA(processes, LVM_GETITEMCOUNT, 0, 0), 2) << "REMOTE_PROGRAM is a note, not a line";
    EXPECT_EQ(Row(processes, 0, 4), (std::vector<std::string>{"2", "MAIN", "Running", "16"}));
    EXPECT_EQ(Row(processes, 1, 4), (std::vector<std::string>{"3", "AUX", "", "4"})) << "state 9 has no text";
    EXPECT_TRUE(NoteShown(m_window));
    char free[32] = {};
    ::GetDlgItemTextA(m_window, IDC_DIRECTORY_FREE, free, sizeof free);
    EXPECT_STREQ(free, "65432");

    // The refresh: without the remote program the note goes.
    m_link->SetReply("PROCESS", ScriptedReply("2,1,MAIN,17"));
    for (int i = 0; i < 3; ++i)
        directory->Step();
    EXPECT_FALSE(NoteShown(m_window));
    EXPECT_EQ(::SendMessageA(processes, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(ItemText(processes, 0, 3), "17");

    ::SendMessageA(m_window, WM_APP + 0x108, 0, 0);
    EXPECT_FALSE(::IsWindow(m_window));
}
