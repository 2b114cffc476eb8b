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
constexpr int kCommandListLine = 23;
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

// QCSimulation started and connected, an editor project whose program files
// are in a scratch folder, and a tool window through which the test reaches
// the controller itself.
class EditorOnSimulator : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterSimulatorPeerFrame(kTitle));
        ASSERT_TRUE(m_simulator.Started()) << SimulatorProgramPath();
        ASSERT_TRUE(PumpUntil([&] { return (m_simulatorWindow = FindWindowA(nullptr, "QC Simulation")) != nullptr; },
                              10000));
        CBasicKeyTable::Instance().Reset();
        CBasicKeyTable::Instance().EnsureLoaded([](std::vector<CBasicKeyRecord>& records) {
            CBasicKeyRecord record;
            record.name = "PRINT";
            records.push_back(record);
            return true;
        });
        m_project.SetConnection(&m_connection);
        m_project.SetHandler(kMsgProgramPath, [this](WPARAM w, LPARAM l) {
            *reinterpret_cast<CString*>(l) = (m_folder / (std::string(reinterpret_cast<LPCSTR>(w)) + ".BAS")).c_str();
            return LRESULT(1);
        });
        m_project.SetAnswer(kMsgProgramType, 0);
        m_project.SetAnswer(kMsgNameLimit, 16);
        CCommPortData record;
        int row = 0;
        ASSERT_TRUE(ConnectToSimulator(m_connection, m_project.GetSafeHwnd(), m_mainFrame, record, row));
        m_project.Register(m_toolWindow);
        m_connected = true;
    }

    void TearDown() override
    {
        if (m_hFrame)
            ::DestroyWindow(m_hFrame);
        AfxPumpMessages();
        if (m_connected) {
            EXPECT_TRUE(m_connection.LeaveChannelMode());
            m_connection.CloseLink();
        }
        if (m_simulatorWindow)
            PostMessageA(m_simulatorWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(m_simulator.Ended(15000));
        CBasicKeyTable::Instance().Reset();
    }

    bool Send(const CommandItem& command)
    {
        return m_sender.SendSequenceEx(m_toolWindow, &m_tool, {command}) != FALSE;
    }
    bool Send(int commandId, const std::string& argument) { return Send(CommandItem(commandId, argument.c_str())); }

    // The replies to one command.
    std::vector<ControllerMessage> Ask(const CommandItem& command)
    {
        const size_t before = m_tool.Replies().size();
        if (!Send(command))
            return {};
        const std::vector<ControllerMessage> replies = m_tool.Replies();
        return {replies.begin() + static_cast<std::ptrdiff_t>(before), replies.end()};
    }

    long CheckValue(const std::string& program)
    {
        const std::vector<ControllerMessage> replies = Ask(CommandItem(kCommandCheckValue, program.c_str()));
        return replies.empty() ? -1 : replies.back().GetInteger();
    }

    // The selected program's lines as the controller lists them.
    std::vector<std::string> ControllerLines()
    {
        std::vector<std::string> lines;
        const std::vector<ControllerMessage> count = Ask(CommandItem(kCommandLineCount));
        if (count.empty())
            return {"<no line count>"};
        for (int i = 0; i < count.back().GetInteger(); ++i) {
            const std::vector<ControllerMessage> line = Ask(CommandItem(kCommandListLine, i));
            lines.push_back(line.empty() ? "<no reply>" : line.back().GetText());
        }
        return lines;
    }

    // A new program on the controller (one an earlier run left in the
    // battery-backed memory goes first), selected.
    void NewProgram(const std::string& name)
    {
        m_project.m_program = name;
        Send(kCommandNew, name);
        ASSERT_TRUE(Send(kCommandSelect, name));
    }

    CEditRFrame* OpenFrame()
    {
        auto* frame = new CEditRFrame;
        m_hFrame = frame->m_hWnd;
        frame->GetDocument()->SetNameWarner(nullptr);
        AfxPumpMessages();
        m_hView = frame->GetView()->m_hWnd;
        return frame;
    }

    void Key(UINT code)
    {
        ::SendMessageA(m_hView, WM_KEYDOWN, code, 1);
        AfxPumpMessages();
    }

    // Text typed a key at a time; a CR is the Enter key as the keyboard
    // gives it (its key, then its character 13).
    void Type(const std::string& text)
    {
        for (char c : text) {
            const WPARAM code = c == '\r' ? VK_RETURN : static_cast<WPARAM>(::VkKeyScanA(c) & 0xFF);
            ::SendMessageA(m_hView, WM_KEYDOWN, code, 1);
            ::SendMessageA(m_hView, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
            AfxPumpMessages();
        }
    }

    static constexpr char kTitle[] = "Vorta2 editor end-to-end frame";
    // The development environment's main frame as the simulator finds it.
    TestWindow m_mainFrame{kTitle, WS_OVERLAPPEDWINDOW};
    SimulatorProcess m_simulator;
    HWND m_simulatorWindow = nullptr;
    CWinApp m_app{"editor end-to-end"};
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    CToolProject m_project;
    CControllerConnection m_connection{&m_project};
    TestWindow m_toolWindow{"editor end-to-end tool"};
    RecordingTool m_tool;
    CMessageSender m_sender;
    bool m_connected = false;
    HWND m_hFrame = nullptr;
    HWND m_hView = nullptr;
};

TEST_F(EditorOnSimulator, KeyEditsLeaveTheControllerWithTheSavedFilesCheckValue)
{
    // DEMO on the controller and in the project folder, line for line.
    NewProgram("DEMO");
    const std::vector<std::string> lines = {"a=1", "PRINT a", "b=2"};
    std::string file;
    for (size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(Send(kCommandInsertAt, std::to_string(i) + "," + lines[i]));
        file += lines[i] + "\r\n";
    }
    // A new program holds one empty line; the inserts went before it.
    ASSERT_TRUE(Send(kCommandDeleteLine, "3,3"));
    const std::string path = m_folder / "DEMO.BAS";
    ASSERT_TRUE(WriteWholeFile(path, file));
    ASSERT_EQ(static_cast<long>(FileCheckValue(path)), CheckValue("DEMO")) << "the file and the controller start equal";

    CEditRFrame* frame = OpenFrame();
    CEditRView* view = frame->GetView();

    // A changed line goes when the caret leaves it; Return splits a line
    // (the head is replaced, the tail inserted); the new line is typed on
    // and left upwards; Delete Line takes "PRINT a" out.
    ASSERT_TRUE(view->GoTo(3, 0, false));
    Type("+41");
    Key(VK_DOWN);
    ASSERT_TRUE(view->GoTo(3, 2, false));
    Key(VK_RETURN);
    Type("c=b*2");
    Key(VK_UP);
    ASSERT_TRUE(view->GoTo(0, 1, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_DELETE_LINE, 0);
    AfxPumpMessages();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_SAVE, 0);
    // Every line command has had its answer; the echoes queued with them
    // are applied here.
    AfxPumpMessages();

    CEditBuffer& buffer = frame->GetDocument()->Buffer();
    ASSERT_EQ(3, buffer.GetLineCount());
    EXPECT_EQ("a=1+41", buffer.GetLineText(0));
    EXPECT_EQ("b=2", buffer.GetLineText(1));
    EXPECT_EQ("c=b*2", buffer.GetLineText(2));
    EXPECT_EQ(static_cast<long>(FileCheckValue(path)), CheckValue("DEMO"))
        << "the controller's DEMO has the check value of the saved file";
    EXPECT_TRUE(m_prompts.Records().empty()) << m_prompts.Records().front().text;
    EXPECT_TRUE(m_project.Errors().empty()) << m_project.Errors().front();
}

// A program typed into a new, empty program file a key at a time, lines
// ended with Enter, and saved: the controller holds the file's lines, byte
// for byte.
TEST_F(EditorOnSimulator, ProgramTypedIntoANewProgramIsTheSavedFile)
{
    NewProgram("WALK");
    const std::string path = m_folder / "WALK.BAS";
    ASSERT_TRUE(WriteWholeFile(path, ""));
    ASSERT_EQ(static_cast<long>(FileCheckValue(path)), CheckValue("WALK")) << "the empty file and the new program";

    OpenFrame();
    Type("count=0\rWHILE TRUE\rcount=count+1\rWA(10)\rWEND");
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_SAVE, 0);
    AfxPumpMessages();

    ASSERT_EQ("count=0\r\nWHILE TRUE\r\ncount=count+1\r\nWA(10)\r\nWEND\r\n", ReadWholeFile(path));
    EXPECT_EQ((std::vector<std::string>{"count=0", "WHILE TRUE", "count=count+1", "WA(10)", "WEND"}),
              ControllerLines());
    EXPECT_EQ(static_cast<long>(FileCheckValue(path)), CheckValue("WALK"));
    EXPECT_TRUE(m_prompts.Records().empty()) << m_prompts.Records().front().text;
    EXPECT_TRUE(m_project.Errors().empty()) << m_project.Errors().front();
}

} // namespace
} // namespace editor
