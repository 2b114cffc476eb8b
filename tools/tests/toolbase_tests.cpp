// The tool-window base: one table over the tool windows that exist (each
// row makes its window on a thread of its own against the project window
// as a tool sees it, over a scripted controller in channel mode), the
// sending and reply paths, and the external program start.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <atomic>
#include <deque>
#include <thread>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framework/app.h"
#include "framework/collections.h"
#include "link/tests/support/scripted_connection.h"
#include "link/tests/support/tool_project.h"
#include "project/toolthread.h"
#include "testsupport/captured_log.h"
#include "testsupport/memory_log.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "tools/base/externalstart.h"
#include "tools/base/tooldialog.h"
#include "tools/channelselect.h"
#include "tools/tests/tool_fixture.h"
#include "tools/ticksdialog.h"
#include "tools/watchdialogs_resource.h"
#include "tools/watchwindow.h"
#include "tools/tests/tools_tests_resource.h"

using namespace tools;

namespace {

const UINT kSendCommand = 40001;

// A dialog tool of the base alone: one word of its own in the saved record,
// a button that sends "?VR(1);".
class BaseTool : public CToolDialog {
public:
    explicit BaseTool(HWND project) : CToolDialog(IDD_TEST_TOOL, 1058, "Ticks", 1, project) {}

    std::atomic<std::int32_t> m_nOwnWord{0};
    std::atomic<int> m_nSends{0};
    std::atomic<BOOL> m_bSendResult{FALSE};
    std::vector<ControllerMessage> m_replies; // the tool's thread, read after it ended
    std::atomic<double> m_dValue{0.0};

protected:
    void WriteOwnData(SWindowParameters& record) override { SetRecordWord(record, kRecordOwnOffset, m_nOwnWord); }
    void ReadOwnData(const SWindowParameters& record) override { m_nOwnWord = GetRecordWord(record, kRecordOwnOffset); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (LOWORD(wParam) != kSendCommand)
            return CToolDialog::OnCommand(wParam, lParam);
        m_bSendResult = Send({CommandItem(32, 1)}, &m_replies);
        if (!m_replies.empty())
            m_dValue = m_replies.back().GetReal();
        ++m_nSends;
        return TRUE;
    }
};

// One window of the table: how it is made against the project window,
// what the project window answers it, and how it is kept busy.
struct ToolRow {
    const char* name;
    UINT toolId;
    LRESULT replyClass;
    bool handsOutReply;
    std::function<CWnd*(HWND project)> make;
    // Answers the window needs from the project window (beside the fixture's).
    std::function<void(CToolProject&)> answers;
    // Sets the word the tool keeps at 40 and what the record must hold.
    std::function<void(CWnd*)> setOwnData;
    std::int32_t ownWordAt40;
    // Starts a send on the window's thread (none: the row has no sends).
    std::function<void(HWND)> startSend;
    // The command that send sends, and the name the window logs under.
    const char* command = "?VR(1);";
    const char* logName = "Ticks";
};

std::vector<ToolRow> ToolRows()
{
    return {
        {"BaseTool", 1058, 1, true, [](HWND project) -> CWnd* {
             auto* tool = new BaseTool(project);
             return tool->CreateTool() ? tool : nullptr;
         },
         nullptr, [](CWnd* window) { static_cast<BaseTool*>(window)->m_nOwnWord = 1; }, 1,
         [](HWND window) { ::PostMessageA(window, WM_COMMAND, kSendCommand, 0); }},
        {"ChannelSelect", TOOL_ID_CHANNEL_SELECT, 4, false,
         [](HWND project) -> CWnd* {
             auto* chooser = new CChannelSelectDlg(project);
             return chooser->CreateTool() ? chooser : nullptr;
         },
         [](CToolProject& project) {
             project.SetAnswer(WM_APP + 0x16F, TOOL_ID_TERMINAL);
             project.SetHandler(WM_APP + 0x16E, [](WPARAM, LPARAM lParam) {
                 auto* list = reinterpret_cast<CStringList*>(lParam);
                 list->AddTail("6");
                 list->AddTail("7");
                 return LRESULT(2);
             });
         },
         nullptr, 0, nullptr},
        {"CTicksDialog", kToolIdTicks, 1, true, [](HWND project) -> CWnd* {
             auto* tool = new CTicksDialog(project);
             return tool->CreateTool() ? tool : nullptr;
         },
         nullptr, [](CWnd* window) { ::SendMessageA(window->m_hWnd, WM_COMMAND, IDC_TICKS_REL, 0); }, 1,
         [](HWND window) { ::PostMessageA(window, WM_TIMER, 1, 0); }, "?TICKS[0];", "Ticks"},
        {"CWatchWindow", kToolIdWatch, 1, true, [](HWND project) -> CWnd* {
             auto* tool = new CWatchWindow(project);
             return tool->CreateTool() ? tool : nullptr;
         },
         [](CToolProject& project) { project.SetFeature(5, true); }, nullptr, 0,
         [](HWND window) {
             editor::SWatchItem item = {};
             std::strcpy(item.name, "VR(1)");
             item.index = item.process = -1;
             item.vrIndex = 1;
             ::SendMessageA(window, WM_WATCH_ITEM, kWatchAdd, reinterpret_cast<LPARAM>(&item));
         },
         "?VR(1);", "VariableWatch"},
    };
}

class ToolWindowTableTest : public ToolBaseTest, public ::testing::WithParamInterface<ToolRow> {
protected:
    void SetUp() override
    {
        ToolBaseTest::SetUp();
        if (GetParam().answers)
            GetParam().answers(m_project);
    }
};

TEST_P(ToolWindowTableTest, ARefusedRegistrationMakesNoWindow)
{
    m_project.m_registration = 0;
    EXPECT_EQ(nullptr, Make(GetParam().make));
    EXPECT_EQ(1, m_project.Count(WM_APP + 0x103));
    EXPECT_TRUE(m_project.m_registered.empty());
}

TEST_P(ToolWindowTableTest, StandsWhereTheProjectWindowAnswersAndHandsOverItsReplyPart)
{
    m_project.m_registration = MAKELONG(static_cast<WORD>(-20), 30);
    ASSERT_NE(nullptr, Make(GetParam().make));
    const RECT rect = WindowRect();
    EXPECT_EQ(-20, rect.left);
    EXPECT_EQ(30, rect.top);
    const auto registrations = m_project.GotWith(WM_APP + 0x103);
    ASSERT_EQ(1u, registrations.size());
    EXPECT_EQ(GetParam().toolId, registrations[0].first);
    EXPECT_EQ(reinterpret_cast<LPARAM>(m_hTool), registrations[0].second);
    EXPECT_EQ(GetParam().replyClass, m_project.m_replyClass);
    EXPECT_EQ(GetParam().handsOutReply, m_project.m_pReply != nullptr);
    EXPECT_TRUE(::IsWindowVisible(m_hTool));
}

TEST_P(ToolWindowTableTest, FillsItsSavedRecordAndTakesOnlyItsOwn)
{
    ASSERT_NE(nullptr, Make(GetParam().make));
    if (GetParam().setOwnData)
        GetParam().setOwnData(m_pTool);
    SWindowParameters saved;
    EXPECT_EQ(0, SendToTool(WM_APP + 0x148, 0, 0)) << "no record to fill";
    ASSERT_EQ(1, SendToTool(WM_APP + 0x148, 0, reinterpret_cast<LPARAM>(&saved)));
    const RECT rect = WindowRect();
    EXPECT_EQ(rect.left, GetRecordWord(saved, 0));
    EXPECT_EQ(rect.bottom, GetRecordWord(saved, 12));
    EXPECT_EQ(1, GetRecordWord(saved, 16)) << "shown normally";
    EXPECT_EQ(static_cast<std::int32_t>(GetParam().toolId), GetRecordWord(saved, 20));
    EXPECT_EQ(GetParam().ownWordAt40, GetRecordWord(saved, 40));
    Close();

    // Another tool's record is turned down; the tool's own is applied.
    SWindowParameters foreign = saved;
    SetRecordWord(foreign, 20, static_cast<std::int32_t>(GetParam().toolId) + 1);
    m_project.m_pPlacement = &foreign;
    ASSERT_NE(nullptr, Make(GetParam().make));
    EXPECT_EQ(0, m_project.m_restoreAnswer);
    EXPECT_EQ(0, m_project.Count(WM_APP + 0x147)) << "nothing applied, nothing told";
    Close();

    SWindowParameters own = saved;
    SetRecordWord(own, 0, 77);
    SetRecordWord(own, 4, 66);
    SetRecordWord(own, 8, 77 + (rect.right - rect.left));
    SetRecordWord(own, 12, 66 + (rect.bottom - rect.top));
    const int before = m_project.Count(WM_APP + 0x147);
    m_project.m_pPlacement = &own;
    ASSERT_NE(nullptr, Make(GetParam().make));
    EXPECT_EQ(1, m_project.m_restoreAnswer);
    EXPECT_EQ(77, WindowRect().left);
    EXPECT_EQ(66, WindowRect().top);
    const auto told = m_project.GotWith(WM_APP + 0x147);
    ASSERT_EQ(static_cast<std::size_t>(before + 1), told.size()) << "(0, 0) once the record was applied";
    EXPECT_EQ(0, told.back().first);
    EXPECT_EQ(0, told.back().second);
    SWindowParameters again;
    ASSERT_EQ(1, SendToTool(WM_APP + 0x148, 0, reinterpret_cast<LPARAM>(&again)));
    EXPECT_EQ(GetParam().ownWordAt40, GetRecordWord(again, 40)) << "its own word came back from the record";
}

TEST_P(ToolWindowTableTest, ADestroyRequestDuringASendWaitsForItAndTheWindowUnregisters)
{
    CapturedGlobalLog log;
    ASSERT_NE(nullptr, Make(GetParam().make));
    const HWND tool = m_hTool;
    if (GetParam().startSend) {
        // The controller takes the command, and the destroy request comes
        // while the send still waits for the answer.
        std::atomic<bool> asked{false};
        const std::string sent = GetParam().command;
        const int before = CountCommand(sent);
        m_link->SetReplyCallback([&](const std::string& command, ScriptedReply& reply) {
            if (command != sent)
                return false;
            ::PostMessageA(tool, WM_APP + 0x108, 0, 0);
            ::Sleep(100);
            asked = true;
            reply = ScriptedReply("7.25");
            return true;
        });
        GetParam().startSend(tool);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(tool); }, 10000))
            << log.Text();
        EXPECT_TRUE(asked.load());
        const std::string request = std::string("Destroy window request \"") + GetParam().logName + "\" (";
        PumpUntil([&] { return log.Text().find(request + "0)") != std::string::npos; }, 5000);
        const std::string text = log.Text();
        const std::size_t waited = text.find(request + "1)");
        const std::size_t went = text.find(request + "0)");
        EXPECT_NE(std::string::npos, waited) << text;
        EXPECT_NE(std::string::npos, went) << text;
        EXPECT_LT(waited, went);
        EXPECT_EQ(before + 1, CountCommand(sent)) << "the send ran once, whole";
    } else {
        ::PostMessageA(tool, WM_APP + 0x108, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(tool); }, 5000));
    }
    const auto gone = m_project.GotWith(WM_APP + 0x104);
    ASSERT_EQ(1u, gone.size());
    EXPECT_EQ(GetParam().toolId, gone[0].first);
    EXPECT_EQ(reinterpret_cast<LPARAM>(tool), gone[0].second);
}

INSTANTIATE_TEST_SUITE_P(Windows, ToolWindowTableTest, ::testing::ValuesIn(ToolRows()),
                         [](const ::testing::TestParamInfo<ToolRow>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- sending

TEST_F(ToolBaseTest, ASendTakesTheValueOfItsOwnReplyOnly)
{
    MemoryLog log;
    BaseTool* tool = nullptr;
    ASSERT_NE(nullptr, Make([&tool](HWND project) -> CWnd* {
        tool = new BaseTool(project);
        return tool->CreateTool() ? tool : nullptr;
    }));
    // A reply that comes while no send waits belongs to nothing.
    ControllerMessage stray;
    stray.m_nChannel = CHANNEL_COMMAND;
    stray.m_nCommandId = 32;
    stray.SetReal(99.0);
    tool->OnReply(&stray);

    m_link->SetReply("?VR(1);", ScriptedReply("7.25"));
    ::PostMessageA(m_hTool, WM_COMMAND, kSendCommand, 0);
    ASSERT_TRUE(PumpUntil([&] { return tool->m_nSends.load() == 1; }, 5000));
    EXPECT_TRUE(tool->m_bSendResult.load());
    EXPECT_DOUBLE_EQ(7.25, tool->m_dValue.load());
    EXPECT_EQ(1, CountCommand("?VR(1);"));
    // The reply's log line names the tool.
    EXPECT_TRUE(PumpUntil(
        [&] {
            for (const std::string& line : log.Lines())
                if (line.find("RxAtTool: Ticks") != std::string::npos)
                    return true;
            return false;
        },
        5000));
}

TEST_F(ToolBaseTest, RepliesQueuedForTheWindowArriveWithOneNotice)
{
    struct QueueTool : BaseTool {
        using BaseTool::BaseTool;
        std::atomic<int> batches{0};
        std::atomic<int> taken{0};
        void OnQueuedReplies(std::deque<ControllerMessage>& replies) override
        {
            ++batches;
            taken += static_cast<int>(replies.size());
        }
    };
    QueueTool* tool = nullptr;
    ASSERT_NE(nullptr, Make([&tool](HWND project) -> CWnd* {
        tool = new QueueTool(project);
        return tool->CreateTool() ? tool : nullptr;
    }));
    // From another thread, as the link's receive thread queues them, while
    // the window's thread is held (it waits for messages): five replies
    // queued before the window runs again make one notice and one batch.
    const DWORD windowThread = ::GetWindowThreadProcessId(tool->m_hWnd, nullptr);
    HANDLE held = ::OpenThread(THREAD_SUSPEND_RESUME, FALSE, windowThread);
    ASSERT_TRUE(held);
    ASSERT_NE(static_cast<DWORD>(-1), ::SuspendThread(held));
    std::thread other([tool] {
        ControllerMessage record;
        for (int i = 0; i < 5; ++i)
            tool->QueueForWindow(record);
    });
    other.join();
    ::ResumeThread(held);
    ::CloseHandle(held);
    ASSERT_TRUE(PumpUntil([&] { return tool->taken.load() == 5; }, 5000));
    EXPECT_EQ(1, tool->batches.load());
    // Replies queued once the window has taken its batch make a notice of
    // their own.
    std::thread later([tool] { tool->QueueForWindow(ControllerMessage()); });
    later.join();
    ASSERT_TRUE(PumpUntil([&] { return tool->taken.load() == 6; }, 5000));
    EXPECT_EQ(2, tool->batches.load());
}

// ---------------------------------------------------------------- external start

TEST(ExternalStartTest, StartsTheProgramOnTheFileAndReportsAMissingOne)
{
    ScratchFolder folder;
    ScriptedPrompts prompts;
    char self[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string recorder(self);
    recorder = recorder.substr(0, recorder.rfind('\\') + 1) + "cmdline_recorder.exe";
    const std::string program = folder / "Edit Script.exe";
    ASSERT_TRUE(::CopyFileA(recorder.c_str(), program.c_str(), FALSE)) << recorder;
    const std::string file = folder / "my script.tsf";

    EXPECT_TRUE(StartProgramWithFile(program.c_str(), file.c_str(), nullptr, "Terminal"));
    std::string recorded;
    for (int i = 0; i < 500 && recorded.empty(); ++i) {
        ::Sleep(10);
        recorded = ReadWholeFile(program + ".cmdline");
    }
    EXPECT_EQ("\"" + program + "\" \"" + file + "\"", recorded.substr(0, recorded.find('\n')));
    EXPECT_TRUE(prompts.Records().empty());

    const std::string missing = folder / "Gone.exe";
    EXPECT_FALSE(StartProgramWithFile(missing.c_str(), file.c_str(), nullptr, "Terminal"));
    const auto records = prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Terminal", records[0].caption);
    EXPECT_EQ(0u, records[0].text.find("Error running external program\n\n\"" + missing + "\" \"" + file + "\""))
        << records[0].text;
}

} // namespace
