// The project window opening a real program editor frame on a thread of its
// own, as Vorta2 does, over the scripted controller.
#include <gtest/gtest.h>

#include <string>

#include "editor/basickeys.h"
#include "editor/editortool.h"
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

    ScratchFolder m_folder;
};

TEST_F(EditorOpenTest, EditProgramOpensTheEditorFrameOnItsProgram)
{
    m_window->Send(PWM_EDIT_PROGRAM, reinterpret_cast<WPARAM>("main"));
    // The frame registers while it is made; its title comes once it opened
    // the program.
    HWND frame = nullptr;
    const auto title = [&] {
        char text[64] = {};
        ::GetWindowTextA(frame, text, sizeof text);
        return std::string(text);
    };
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const CProjectWnd::CToolRecord& record : m_window->Object()->GetToolRecords())
                if (record.toolId == static_cast<int>(TOOL_EDITOR))
                    frame = record.hWnd;
            return frame && title() == "Edit : MAIN (BASIC)";
        },
        20000))
        << title();
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

} // namespace
