// The editor on QCSimulation, started as a program of its own and reached
// over the development environment's window link: an editor frame on
// program DEMO, keys that change, split and delete its lines, a save, and
// then the controller's check value of DEMO ("&Z,DEMO") against the file
// the editor saved (CRC-16 of each line followed by 0xAA).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "editor/basickeys.h"
#include "editor/editframe.h"
#include "link/tests/support/tool_project.h"
#include "foundation/crc.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/messagesender.h"
#include "link/tests/support/recording_tool.h"
#include "link/tests/support/simulator_session.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace editor {
namespace {

constexpr int kCommandNew = 13;
constexpr int kCommandSelect = 19;
constexpr int kCommandInsertAt = 24;
constexpr int kCommandCheckValue = 26;

// The check value of a program file as the controller computes it for its
// copy of the file's lines (each without its CR LF).
std::uint32_t FileCheckValue(const std::string& path)
{
    const std::string text = ReadWholeFile(path);
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return ProgramLinesCrc(lines);
}

TEST(EditorOnSimulator, KeyEditsLeaveTheControllerWithTheSavedFilesCheckValue)
{
    // The development environment's main frame as the simulator finds it.
    const char title[] = "Vorta2 editor end-to-end frame";
    TestWindow mainFrame(title, WS_OVERLAPPEDWINDOW);
    ASSERT_TRUE(RegisterSimulatorPeerFrame(title));
    SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Started()) << SimulatorProgramPath();
    HWND simulatorWindow = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (simulatorWindow = FindWindowA(nullptr, "QC Simulation")) != nullptr; }, 10000));

    CWinApp app("editor end-to-end");
    ScriptedPrompts prompts;
    CBasicKeyTable::Instance().Reset();
    CBasicKeyTable::Instance().EnsureLoaded([](std::vector<CBasicKeyRecord>& records) {
        CBasicKeyRecord record;
        record.name = "PRINT";
        records.push_back(record);
        return true;
    });
    ScratchFolder folder;
    CToolProject project;
    project.m_program = "DEMO";
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    project.SetHandler(kMsgProgramPath, [&folder](WPARAM w, LPARAM l) {
        *reinterpret_cast<CString*>(l) = (folder / (std::string(reinterpret_cast<LPCSTR>(w)) + ".BAS")).c_str();
        return LRESULT(1);
    });
    project.SetAnswer(kMsgProgramType, 0);
    project.SetAnswer(kMsgNameLimit, 16);
    CCommPortData record;
    int row = 0;
    ASSERT_TRUE(ConnectToSimulator(connection, project.GetSafeHwnd(), mainFrame, record, row));

    // DEMO on the controller and in the project folder, line for line (a
    // DEMO an earlier run left in the battery-backed memory goes first).
    TestWindow toolWindow("editor end-to-end tool");
    project.Register(toolWindow);
    RecordingTool tool;
    CMessageSender sender;
    const auto checkValue = [&]() -> long {
        const size_t before = tool.Replies().size();
        if (!sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandCheckValue, "DEMO")}) ||
            tool.Replies().size() <= before)
            return -1;
        return tool.Replies().back().GetInteger();
    };
    const std::vector<std::string> lines = {"a=1", "PRINT a", "b=2"};
    sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandNew, "DEMO")});
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandSelect, "DEMO")}));
    std::string file;
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string insert = std::to_string(i) + "," + lines[i];
        ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandInsertAt, insert.c_str())}));
        file += lines[i] + "\r\n";
    }
    // A new program holds one empty line; the inserts went before it.
    ASSERT_TRUE(sender.SendSequenceEx(toolWindow, &tool, {CommandItem(kCommandDeleteLine, "3,3")}));
    const std::string path = folder / "DEMO.BAS";
    ASSERT_TRUE(WriteWholeFile(path, file));
    ASSERT_EQ(static_cast<long>(FileCheckValue(path)), checkValue()) << "the file and the controller start equal";

    auto* frame = new CEditRFrame;
    ASSERT_TRUE(frame->m_hWnd);
    const HWND hFrame = frame->m_hWnd;
    frame->GetDocument()->SetNameWarner(nullptr);
    AfxPumpMessages();
    CEditRView* view = frame->GetView();
    const HWND hView = view->m_hWnd;
    const auto key = [hView](UINT code) {
        ::SendMessageA(hView, WM_KEYDOWN, code, 1);
        AfxPumpMessages();
    };
    const auto type = [hView](const std::string& text) {
        for (char c : text) {
            ::SendMessageA(hView, WM_KEYDOWN, static_cast<WPARAM>(::VkKeyScanA(c) & 0xFF), 1);
            ::SendMessageA(hView, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        }
        AfxPumpMessages();
    };

    // A changed line goes when the caret leaves it; Return splits a line
    // (the head is replaced, the tail inserted); the new line is typed on
    // and left upwards; Delete Line takes "PRINT a" out.
    ASSERT_TRUE(view->GoTo(3, 0, false));
    type("+41");
    key(VK_DOWN);
    ASSERT_TRUE(view->GoTo(3, 2, false));
    key(VK_RETURN);
    type("c=b*2");
    key(VK_UP);
    ASSERT_TRUE(view->GoTo(0, 1, false));
    ::SendMessageA(hFrame, WM_COMMAND, ID_EDITOR_DELETE_LINE, 0);
    AfxPumpMessages();
    ::SendMessageA(hFrame, WM_COMMAND, ID_EDITOR_SAVE, 0);
    // Every line command has had its answer; the echoes queued with them
    // are applied here.
    AfxPumpMessages();

    CEditBuffer& buffer = frame->GetDocument()->Buffer();
    ASSERT_EQ(3, buffer.GetLineCount());
    EXPECT_EQ("a=1+41", buffer.GetLineText(0));
    EXPECT_EQ("b=2", buffer.GetLineText(1));
    EXPECT_EQ("c=b*2", buffer.GetLineText(2));
    EXPECT_EQ(static_cast<long>(FileCheckValue(path)), checkValue())
        << "the controller's DEMO has the check value of the saved file";
    EXPECT_TRUE(prompts.Records().empty()) << prompts.Records().front().text;
    EXPECT_TRUE(project.Errors().empty()) << project.Errors().front();

    ::DestroyWindow(hFrame);
    AfxPumpMessages();
    EXPECT_TRUE(connection.LeaveChannelMode());
    connection.CloseLink();
    PostMessageA(simulatorWindow, WM_CLOSE, 0, 0);
    EXPECT_TRUE(simulator.Ended(15000));
    CBasicKeyTable::Instance().Reset();
}

} // namespace
} // namespace editor
