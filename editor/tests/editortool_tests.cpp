// The project window opening a real program editor frame on a thread of its
// own, as Vorta2 does, over the scripted controller.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "editor/basickeys.h"
#include "editor/editortool.h"
#include "foundation/crc.h"
#include "project/tests/projectwnd_fixture.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

class EditorOpenTest : public ProjectWndTest {
protected:
    void Script(CScriptedController& link) override
    {
        link.SetReply("DIR X", ScriptedReply("MAIN,1200,300,0,0"));
        link.SetReply("&Z,MAIN", ScriptedReply("49959")); // "a=1", "PRINT a"
    }
    void SetUp() override
    {
        // The keywords without the keyword file.
        editor::CBasicKeyTable::Instance().Reset();
        editor::CBasicKeyTable::Instance().EnsureLoaded([](std::vector<editor::CBasicKeyRecord>& records) {
            editor::CBasicKeyRecord print;
            print.name = "PRINT";
            records.push_back(print);
            return true;
        });
        ProjectWndTest::SetUp();
        OpenLink(true);
        OpenProject(m_folder.Path());
        ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.bas", "a=1\r\nPRINT a\r\n"));
        AddControllerProgram("MAIN");
        editor::RegisterEditorTool();
    }
    void TearDown() override
    {
        ProjectWndTest::TearDown();
        CProjectWnd::ClearToolCreators();
        editor::CBasicKeyTable::Instance().Reset();
    }

    // The editor frame of the project window once its title shows it opened
    // its program.
    HWND EditorFrame(const std::string& title)
    {
        HWND frame = nullptr;
        const auto text = [&] {
            char buffer[64] = {};
            ::GetWindowTextA(frame, buffer, sizeof buffer);
            return std::string(buffer);
        };
        PumpUntil(
            [&] {
                for (const CProjectWnd::CToolRecord& record : m_window->Object()->GetToolRecords())
                    if (record.toolId == static_cast<int>(TOOL_EDITOR))
                        frame = record.hWnd;
                return frame && text() == title;
            },
            20000);
        return frame && text() == title ? frame : nullptr;
    }

    ScratchFolder m_folder;
};

TEST_F(EditorOpenTest, EditProgramOpensTheEditorFrameOnItsProgram)
{
    m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("main"));
    // The frame registers while it is made; its title comes once it opened
    // the program.
    const HWND frame = EditorFrame("Edit : MAIN (BASIC)");
    ASSERT_TRUE(frame);
    CProjectWnd::CToolRecord record;
    ASSERT_TRUE(m_window->Object()->FindToolRecord(frame, record));
    EXPECT_STREQ("MAIN", record.name);
    EXPECT_NE(::GetCurrentThreadId(), ::GetWindowThreadProcessId(frame, nullptr));
    EXPECT_NE(::GetWindowThreadProcessId(m_window->Handle(), nullptr), ::GetWindowThreadProcessId(frame, nullptr));
    EXPECT_EQ(1, m_window->Send(PWM_EDITOR_OPEN, 0, reinterpret_cast<LPARAM>("MAIN")));
    // Closed by name, its thread with it.
    HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, ::GetWindowThreadProcessId(frame, nullptr));
    ASSERT_TRUE(thread);
    EXPECT_EQ(1, m_window->Send(PWM_CLOSE_EDITOR, 0, reinterpret_cast<LPARAM>("MAIN")));
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 20000));
    ::CloseHandle(thread);
    EXPECT_EQ(0, m_window->Object()->CountToolWindows(TOOL_EDITOR));
}

// An empty program file: the editor asks how many lines the controller
// holds of its program, the one it edits, whichever was selected before.
TEST_F(EditorOpenTest, AnEmptyFileAsksTheLineCountOfItsOwnProgram)
{
    ASSERT_TRUE(WriteWholeFile(m_folder / "MAIN.bas", ""));
    m_link->SetReply("&Z,MAIN", ScriptedReply(std::to_string(ProgramLinesCrc({}))));
    m_link->SetReply("&N", ScriptedReply("1"));
    m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("main"));
    const HWND frame = EditorFrame("Edit : MAIN (BASIC)");
    ASSERT_TRUE(frame);
    const std::vector<std::string> commands = m_link->Commands();
    const auto count = std::find(commands.begin(), commands.end(), "&N");
    ASSERT_NE(commands.end(), count);
    std::string selected;
    for (auto it = commands.begin(); it != count; ++it)
        if (it->rfind("SELECT ", 0) == 0)
            selected = *it;
    EXPECT_EQ("SELECT \"MAIN\"", selected);
    m_window->Send(PWM_CLOSE_EDITOR, 0, reinterpret_cast<LPARAM>("MAIN"));
}

} // namespace
