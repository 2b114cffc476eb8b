// The watch window on QCSimulation, started as a program of its own and
// reached over the window link: a program with two locals runs on process
// 2; its items, made as the editor makes them (the LOOKUP index from the
// names in the order they first appear), and its variable table give the
// values the runtime holds, and a write reaches the runtime's local.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "editor/editline.h"
#include "editor/editrecords.h"
#include "editor/linetokens.h"
#include "editor/programlines.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/messagesender.h"
#include "link/tests/support/recording_tool.h"
#include "link/tests/support/simulator_session.h"
#include "link/tests/support/tool_project.h"
#include "project/toolthread.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "tools/watchdialogs_resource.h"
#include "tools/watchwindow.h"

namespace {

constexpr int kCommandNew = 13;
constexpr int kCommandSelect = 19;
constexpr int kCommandInsertAt = 24;
constexpr int kCommandRun = 2;
constexpr int kCommandDeleteLine = 0x31;

std::string Cell(HWND watch, int row, int column)
{
    char text[128] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(::GetDlgItem(watch, IDC_WATCH_LIST), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                   reinterpret_cast<LPARAM>(&item));
    return text;
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, 20000, &result);
    return static_cast<LRESULT>(result);
}

TEST(WatchOnSimulator, LocalsOfARunningProgramReadAndWrite)
{
    const char title[] = "Vorta2 watch end-to-end frame";
    TestWindow mainFrame(title, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(RegisterSimulatorPeerFrame(title));
    SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Started()) << SimulatorProgramPath();
    ASSERT_TRUE(PumpUntil([&] { return FindWindowA(nullptr, "QC Simulation") != nullptr; }, 10000));

    CWinApp app("watch end-to-end");
    ScriptedPrompts prompts;
    CToolProject project;
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    project.SetFeature(5, true);
    project.SetFeature(6, true);
    CCommPortData record;
    int row = 0;
    ASSERT_TRUE(ConnectToSimulator(connection, project.GetSafeHwnd(), mainFrame, record, row));

    // The program, on the controller and as the editor sees it.
    const std::vector<std::string> lines = {"alpha=2.5", "beta=3", "VR(7)=alpha", "WHILE 1", "WA(10)", "WEND"};
    TestWindow toolWindow("watch end-to-end tool");
    project.Register(toolWindow);
    RecordingTool tool;
    CMessageSender sender;
    sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandNew, "WATCHT")});
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandSelect, "WATCHT")}));
    std::vector<std::string> names;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string insert = std::to_string(i) + "," + lines[i];
        ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandInsertAt, insert.c_str())}));
        editor::CEditRLine line;
        line.SetFileType(editor::kFileTypeBasic);
        line.SetText(lines[i], false);
        editor::CEditRDocLines::MergeNames(names, editor::NamesUsed(line.Text(), line.States()));
    }
    ASSERT_EQ((std::vector<std::string>{"alpha", "beta"}), names);
    // A new program holds one empty line; the inserts went before it.
    const std::string last = std::to_string(lines.size()) + "," + std::to_string(lines.size());
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandDeleteLine, last.c_str())}));
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandRun, "WATCHT,2")}));
    Sleep(300);

    const HWND watch = CreateWindowOnThread([&project]() -> CWnd* {
        auto* window = new CWatchWindow(project.GetSafeHwnd());
        return window->CreateTool() ? window : nullptr;
    });
    ASSERT_NE(nullptr, watch);
    auto add = [&](const char* name, int vr) {
        editor::SWatchItem item = {};
        std::strncpy(item.name, name, sizeof item.name - 1);
        std::strncpy(item.program, "WATCHT", sizeof item.program - 1);
        item.vrIndex = vr;
        item.process = vr >= 0 ? -1 : 2;
        item.index = vr >= 0 ? -1 : static_cast<int>(std::find(names.begin(), names.end(), name) - names.begin());
        SendTo(watch, WM_WATCH_ITEM, kWatchAdd, reinterpret_cast<LPARAM>(&item));
    };
    add("VR(7)", 7);
    add("alpha", -1);
    add("beta", -1);
    editor::VariableTable table;
    editor::AddVariables(table, names, "WATCHT");
    SendTo(watch, WM_WATCH_ITEM, kWatchVariableTable, reinterpret_cast<LPARAM>(&table));
    SendTo(watch, WM_COMMAND, IDC_WATCH_REFRESH);
    for (int i = 0; i < 3; ++i)
        SendTo(watch, WM_NULL);
    // The reads run on the window's thread; this thread serves the link.
    auto shows = [watch](int row, const char* text) {
        return PumpUntil([&] { return Cell(watch, row, kWatchValue) == text; }, 10000);
    };
    EXPECT_TRUE(shows(0, "2.5")) << Cell(watch, 0, kWatchValue);
    EXPECT_TRUE(shows(1, "2.5")) << Cell(watch, 1, kWatchValue);
    EXPECT_TRUE(shows(2, "3.0")) << Cell(watch, 2, kWatchValue);

    // Writing the second local.
    NMLVDISPINFOA info = {};
    info.hdr.idFrom = IDC_WATCH_EDIT;
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = 2;
    info.item.iSubItem = kWatchValue;
    info.item.pszText = const_cast<char*>("7");
    SendTo(watch, WM_NOTIFY, IDC_WATCH_EDIT, reinterpret_cast<LPARAM>(&info));
    EXPECT_TRUE(PumpUntil([&] { return Cell(watch, 2, kWatchValue) == "7.0"; }, 10000));
    // The runtime's local holds it.
    const size_t before = tool.Replies().size();
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(136, "1,2")}));
    ASSERT_LT(before, tool.Replies().size());
    EXPECT_EQ(7.0, ParseLookupReply(tool.Replies().back().GetText()));

    ::PostMessageA(watch, WM_APP + 0x108, 0, 0);
    PumpUntil([watch] { return !::IsWindow(watch); }, 5000);
    sender.SendSequenceEx(toolWindow, &tool, {CommandItem(3, "WATCHT")}); // STOP
    project.Unregister(toolWindow);
    connection.LeaveChannelMode();
    connection.CloseLink();
}

} // namespace
