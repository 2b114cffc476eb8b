// The editor frame and its view against the scripted controller: the
// project window is a fake that answers the frame's queries from a table and
// hands the frame's sequences to a controller connection in channel mode.
#include "editor/editframe.h"

#include "editor/framemenu.h"
#include "project/projectwnd.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <atomic>
#include <set>
#include <thread>

#include "editor/basickeys.h"
#include "editor/editfind.h"
#include "editor/editortool.h"
#include "foundation/clipboard.h"
#include "framework/app.h"
#include "framework/thread.h"
#include "link/controllerconnection.h"
#include "link/vexothread.h"
#include "link/programdata.h"
#include "link/tests/support/tool_project.h"
#include "link/tests/support/scripted_controller.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/metafile_printer.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace editor {
namespace {

// The watch window: records what the editor sends it with 0x819F.
class FakeWatchWindow : public FakeWindow {
public:
    FakeWatchWindow() : FakeWindow("Watch Variables")
    {
        SetHandler(kMsgWatchItem, [this](WPARAM code, LPARAM item) {
            std::lock_guard<std::mutex> hold(m_lock);
            if (code == 0) {
                const auto* watch = reinterpret_cast<const SWatchItem*>(item);
                m_items.push_back(watch->name);
                m_vr.push_back(watch->vrIndex);
                m_index.push_back(watch->index);
            } else if (code == 5) {
                const auto* table = reinterpret_cast<const VariableTable*>(item);
                m_tables.push_back((table->empty() ? std::string() : table->begin()->second.m_program) + ":" +
                                   std::to_string(table->size()));
            }
            return LRESULT(0);
        });
        Start();
    }
    ~FakeWatchWindow() override { Stop(); }
    std::vector<std::string> Items()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_items;
    }
    std::vector<int> VrIndices()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_vr;
    }
    std::vector<int> LookupIndices()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_index;
    }
    std::vector<std::string> Tables()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_tables;
    }

private:
    std::mutex m_lock;
    std::vector<std::string> m_items;
    std::vector<int> m_vr;
    std::vector<int> m_index;
    std::vector<std::string> m_tables;
};

void Pump()
{
    AfxPumpMessages();
}

class EditFrameTest : public RegistrySandboxTest {
public:
    void SetUp() override
    {
        m_project.m_program = "DEMO";
        CBasicKeyTable::Instance().Reset();
        CBasicKeyTable::Instance().EnsureLoaded([](std::vector<CBasicKeyRecord>& records) {
            for (const char* name : {"PRINT", "PROC", "PROCESS", "PRINT", "RUN", "MOVE"}) {
                CBasicKeyRecord record;
                record.name = name;
                record.parameters = std::string(name) == "MOVE" ? "(distance1 [,distance2])" : "";
                records.push_back(record);
            }
            return true;
        });
        m_connection = std::make_unique<CControllerConnection>(&m_project);
        m_project.SetConnection(m_connection.get());
        m_connection->SetLinkFactory(ScriptedLinkFactory(m_link));
        m_clock.SetSleepHook([this](std::uint64_t) {
            if (m_link)
                m_link->WaitUntilQuiet(2000);
        });
        CCommPortData record;
        record.SetName("Test");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(m_connection->OpenLink(m_project.GetSafeHwnd(), &record, TRUE));
        m_project.SetHandler(kMsgProgramPath, [this](WPARAM w, LPARAM l) {
            *reinterpret_cast<CString*>(l) = (m_folder / (std::string(reinterpret_cast<LPCSTR>(w)) + ".BAS")).c_str();
            return LRESULT(1);
        });
        m_project.SetAnswer(kMsgProgramType, 0);
        m_project.SetAnswer(kMsgNameLimit, 16);
        std::string text;
        for (int i = 0; i < 10; ++i)
            text += i == 5 ? "PRINT\r\n" : "x" + std::to_string(i) + "=1\r\n";
        WriteProgram(text);
    }
    void TearDown() override
    {
        CloseFrame();
        m_clock.SetSleepHook({});
        m_connection.reset();
        m_link = nullptr;
        CBasicKeyTable::Instance().Reset();
    }
    void WriteProgram(const std::string& text) { ASSERT_TRUE(WriteWholeFile(m_folder / "DEMO.BAS", text)); }
    // "PRINT 0" .. "PRINT count-1", one a line.
    void WritePrintLines(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "PRINT " + std::to_string(i) + "\r\n";
        WriteProgram(text);
    }
    CEditRFrame* OpenFrame()
    {
        auto* frame = new CEditRFrame;
        if (!frame->m_hWnd) {
            delete frame;
            return nullptr;
        }
        m_frame = frame;
        m_hFrame = frame->m_hWnd;
        // The long-name warning is a dialog of its own; not here.
        frame->GetDocument()->SetNameWarner(nullptr);
        Pump();
        return frame;
    }
    void CloseFrame()
    {
        if (m_hFrame && ::IsWindow(m_hFrame))
            ::DestroyWindow(m_hFrame);
        m_frame = nullptr;
        m_hFrame = nullptr;
    }
    CEditRView* View() { return m_frame->GetView(); }
    CEditBuffer& Buffer() { return m_frame->GetDocument()->Buffer(); }
    std::string Title() const
    {
        char text[128] = {};
        ::GetWindowTextA(m_hFrame, text, sizeof text);
        return text;
    }
    void Key(UINT key, UINT repeat = 1)
    {
        ::SendMessageA(View()->m_hWnd, WM_KEYDOWN, key, repeat);
        Pump();
    }
    void Type(const std::string& text)
    {
        for (char c : text) {
            ::SendMessageA(View()->m_hWnd, WM_KEYDOWN, static_cast<WPARAM>(::VkKeyScanA(c) & 0xFF), 1);
            ::SendMessageA(View()->m_hWnd, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
        }
        Pump();
    }
    // Holds Shift (or Ctrl) down for the calling thread's key state.
    void HoldKey(int key, bool down)
    {
        BYTE state[256];
        ::GetKeyboardState(state);
        state[key] = down ? 0x80 : 0;
        ::SetKeyboardState(state);
    }
    int CommandCount(const std::string& command) const
    {
        const auto commands = m_link->Commands();
        return static_cast<int>(std::count(commands.begin(), commands.end(), command));
    }
    std::vector<std::string> CommandsFrom(size_t first) const
    {
        const auto commands = m_link->Commands();
        return std::vector<std::string>(commands.begin() + static_cast<long>(std::min(first, commands.size())),
                                        commands.end());
    }
    std::vector<ScriptedPrompts::Record> Prompts() const { return m_prompts.Records(); }

    CWinApp m_app{"editor frame tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    CToolProject m_project;
    std::unique_ptr<CControllerConnection> m_connection;
    CScriptedController* m_link = nullptr;
    CEditRFrame* m_frame = nullptr;
    HWND m_hFrame = nullptr;
};

TEST_F(EditFrameTest, RegistersAsEditorWithTitleAndPanes)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_EQ(1u, m_project.m_registered.size());
    EXPECT_EQ(m_hFrame, m_project.m_registered[0]);
    EXPECT_EQ(1, m_project.Count(kMsgRegisterTool));
    for (const auto& [message, tool] : m_project.Got()) {
        if (message == kMsgRegisterTool) {
            EXPECT_EQ(1024u, tool) << "the editor's tool id";
        }
    }
    EXPECT_EQ("Edit : DEMO (BASIC)", Title());
    EXPECT_TRUE(m_frame->GetDocument()->IsLineEditable());

    Buffer().ReplaceLine(3, "x3=1+2", false, false);
    ASSERT_TRUE(View()->GoTo(5, 3, false));
    Pump();
    EXPECT_STREQ("L:4, C:5", m_frame->GetPaneText(1)) << "line 3 from 0 is the user's line 4";
    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_CAPITAL] = 1; // toggled on
    keys[VK_NUMLOCK] = 0;
    ::SetKeyboardState(keys);
    ::SendMessageA(m_hFrame, kMsgCaretMoved, 0, 0);
    EXPECT_STREQ("CAP", m_frame->GetPaneText(3));
    EXPECT_STREQ("", m_frame->GetPaneText(4));
    keys[VK_CAPITAL] = 0;
    ::SetKeyboardState(keys);
    EXPECT_STREQ("", m_frame->GetPaneText(2));

    CProgramData program;
    program.m_strName = "demo";
    program.m_nCodeSize = 12;
    ::SendMessageA(m_hFrame, kMsgProgramRecord, 0, reinterpret_cast<LPARAM>(&program));
    EXPECT_STREQ("Compiled", m_frame->GetPaneText(2));
    program.m_nCodeSize = 0;
    ::SendMessageA(m_hFrame, kMsgProgramRecord, 0, reinterpret_cast<LPARAM>(&program));
    EXPECT_STREQ("NotCompiled", m_frame->GetPaneText(2));
    program.m_strName = "OTHER";
    program.m_nCodeSize = 5;
    ::SendMessageA(m_hFrame, kMsgProgramRecord, 0, reinterpret_cast<LPARAM>(&program));
    EXPECT_STREQ("NotCompiled", m_frame->GetPaneText(2)) << "another program's record";
    CloseFrame();

    // Programs running on the controller: read-only.
    m_project.SetAnswer(kMsgAnyRunning, 1);
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ("Debug mode - read only : DEMO (BASIC)", Title());
    EXPECT_FALSE(m_frame->GetDocument()->IsLineEditable());
    Type("abc");
    EXPECT_EQ("x0=1", Buffer().GetLineText(0)) << "keys do not edit a read-only program";
    ::SendMessageA(m_hFrame, kMsgRunningOff, 0, 0);
    EXPECT_EQ("Edit : DEMO (BASIC)", Title());
}

// Writes what the screen shows of a window as a 24-bit .bmp file, for a
// person to look at (VEXO_SCREENSHOT_DIR names the folder; none: nothing).
void SaveWindowPictureIfAsked(HWND hWnd, const char* name)
{
    const char* folder = std::getenv("VEXO_SCREENSHOT_DIR");
    if (!folder || !*folder)
        return;
    RECT r;
    ::GetWindowRect(hWnd, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    HDC screen = ::GetDC(nullptr);
    HDC memory = ::CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    ::GdiFlush();
    const DWORD size = static_cast<DWORD>(((width * 3 + 3) & ~3) * height);
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + size;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    bytes.append(static_cast<const char*>(bits), size);
    WriteWholeFile(std::string(folder) + "\\" + name + ".bmp", bytes);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    ::ReleaseDC(nullptr, screen);
}

// Every command of the frame is reachable: a menu bar made from the
// command table, with the keys that reach a command shown, and toolbar
// buttons with pictures and tips. Save through the menu writes the file.
TEST_F(EditFrameTest, MenuAndToolbarReachTheCommands)
{
    WriteProgram("x=1\r\n");
    ASSERT_TRUE(OpenFrame());
    const HMENU bar = ::GetMenu(m_hFrame);
    ASSERT_NE(nullptr, bar);
    int count = 0;
    const EditorMenuItem* items = EditorMenuItems(count);
    for (int i = 0; i < count; ++i) {
        if (!items[i].id)
            continue;
        char text[80] = {};
        ::GetMenuStringA(bar, items[i].id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_EQ(std::string(items[i].text) + (items[i].keys ? std::string("\t") + items[i].keys : ""), text);
    }
    const struct {
        UINT id;
        const char* text;
    } shown[] = {{ID_EDITOR_SAVE, "&Save"},           {ID_EDITOR_PRINT, "&Print..."},
                 {ID_EDITOR_FIND, "&Find..."},        {ID_EDITOR_GOTO, "&Goto..."},
                 {ID_EDITOR_RUN, "&Run\tCtrl+R, F5"}, {ID_EDITOR_STEP, "Step &Line\tF8"},
                 {ID_EDITOR_STOP, "&Stop\tCtrl+S"},   {ID_EDITOR_COMPILE, "&Compile\tF7"},
                 {ID_EDITOR_REFORMAT, "Re&format"},   {ID_EDITOR_TOOLBAR, "&Toolbar"}};
    for (const auto& c : shown) {
        char text[80] = {};
        ::GetMenuStringA(bar, c.id, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(c.text, text) << c.id;
    }

    // Save is grey until there is something to save, and then writes it.
    const HMENU file = ::GetSubMenu(bar, 0);
    auto saveGrey = [&] {
        ::SendMessageA(m_hFrame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        return (::GetMenuState(file, ID_EDITOR_SAVE, MF_BYCOMMAND) & MF_GRAYED) != 0;
    };
    EXPECT_TRUE(saveGrey());
    Type("y");
    EXPECT_FALSE(saveGrey());
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_SAVE, 0);
    EXPECT_EQ("yx=1\r\n", ReadWholeFile(m_folder / "DEMO.BAS"));
    EXPECT_TRUE(saveGrey());

    // One picture per button, a tip and a prompt for each.
    const HWND toolbar = ::GetDlgItem(m_hFrame, AFX_IDW_TOOLBAR);
    ASSERT_NE(nullptr, toolbar);
    const int buttons = static_cast<int>(::SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    int pictures = 0;
    for (int i = 0; i < buttons; ++i) {
        TBBUTTON button = {};
        ::SendMessageA(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&button));
        if (button.fsStyle & BTNS_SEP)
            continue;
        EXPECT_EQ(pictures++, button.iBitmap);
        NMTTDISPINFOA tip = {};
        tip.hdr.idFrom = static_cast<UINT_PTR>(button.idCommand);
        tip.hdr.code = TTN_GETDISPINFOA;
        ::SendMessageA(m_hFrame, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
        ASSERT_NE(nullptr, FindEditorCommand(static_cast<UINT>(button.idCommand)));
        EXPECT_STREQ(FindEditorCommand(static_cast<UINT>(button.idCommand))->tip, tip.lpszText);
    }
    EXPECT_EQ(7, pictures);
    const HIMAGELIST images = reinterpret_cast<HIMAGELIST>(::SendMessageA(toolbar, TB_GETIMAGELIST, 0, 0));
    ASSERT_NE(nullptr, images);
    EXPECT_EQ(pictures, ImageList_GetImageCount(images));
    CString prompt;
    m_frame->GetMessageString(ID_EDITOR_RUN, prompt);
    EXPECT_STREQ("Run the program", prompt);

    ::ShowWindow(m_hFrame, SW_SHOW);
    ::UpdateWindow(m_hFrame);
    Pump();
    SaveWindowPictureIfAsked(m_hFrame, "editor_frame");
}

// The controller numbers a program's lines from 1: its error on line 1
// marks the first line the user sees.
TEST_F(EditFrameTest, AControllerErrorLineMarksThatLine)
{
    ASSERT_TRUE(OpenFrame());
    const struct {
        LPARAM controllerLine;
        int marked;
    } cases[] = {{1, 0}, {10, 9}, {6, 5}, {0, -1}, {-3, -1}};
    for (const auto& c : cases) {
        ::SendMessageA(m_hFrame, kMsgMarkLine, 0, c.controllerLine);
        EXPECT_EQ(c.marked, Buffer().m_markedLine) << c.controllerLine;
    }
}

TEST_F(EditFrameTest, RefusedRegistrationOrMissingFileCreatesNoFrame)
{
    m_project.m_registration = 0;
    EXPECT_EQ(nullptr, OpenFrame());
    EXPECT_TRUE(m_project.m_registered.empty());
    m_project.m_registration = MAKELONG(40, 30);
    m_project.m_program = "GONE";
    EXPECT_EQ(nullptr, OpenFrame());
    EXPECT_EQ(1, m_project.Count(kMsgUnregisterTool)) << "a frame that registered unregisters as it fails";
}

TEST_F(EditFrameTest, PlacementRecordKeepsProgramNameAndViewState)
{
    WritePrintLines(300);
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(4, 150, true));
    SWindowParameters saved;
    ASSERT_EQ(1, ::SendMessageA(m_hFrame, kMsgSavePlacement, 0, reinterpret_cast<LPARAM>(&saved)));
    const char* bytes = reinterpret_cast<const char*>(&saved);
    EXPECT_STREQ("DEMO", bytes + 40);
    std::int32_t tool = 0;
    std::memcpy(&tool, bytes + 20, sizeof tool);
    EXPECT_EQ(1024, tool);
    const SEditViewState before = View()->SaveViewState();
    EXPECT_GT(before.firstLine, 0);
    CloseFrame();

    // Another tool's record is not taken.
    SWindowParameters foreign = saved;
    std::int32_t other = 1045;
    std::memcpy(reinterpret_cast<char*>(&foreign) + 20, &other, sizeof other);
    m_project.m_pPlacement = &foreign;
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(0, View()->SaveViewState().firstLine);
    CloseFrame();

    m_project.m_pPlacement = &saved;
    ASSERT_TRUE(OpenFrame());
    Pump();
    const SEditViewState after = View()->SaveViewState();
    EXPECT_EQ(before.firstLine, after.firstLine);
    EXPECT_EQ(before.caretLine, after.caretLine);
    EXPECT_EQ(before.caretColumn, after.caretColumn);
    EXPECT_EQ(4, View()->GetCaret().column);
    EXPECT_EQ(150, View()->GetCaret().line);
    EXPECT_GE(m_project.Count(kMsgRestorePlacement), 1) << "the frame answers that it took the record";
}

TEST_F(EditFrameTest, TypedLineGoesOnceWhenTheCaretLeavesIt)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(5, 5, false));
    Type(" 1");
    EXPECT_EQ(0, CommandCount("&5R,PRINT 1")) << "nothing goes while the caret stays";
    Key(VK_DOWN);
    EXPECT_EQ(1, CommandCount("&5R,PRINT 1"));
    Key(VK_DOWN);
    Key(VK_UP);
    EXPECT_EQ(1, CommandCount("&5R,PRINT 1")) << "a line that was sent is not pending";

    ASSERT_TRUE(View()->GoTo(0, 5, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_DELETE_LINE, 0);
    Pump();
    EXPECT_EQ(1, CommandCount("&5,5D"));
    EXPECT_EQ("x6=1", Buffer().GetLineText(5));
}

// An empty file: a new program, which the controller holds as one empty
// line, or a program whose lines were all deleted, which holds none. The
// first line typed takes the controller's empty line or goes in as the
// first, so that the controller ends with the lines typed and no more.
TEST_F(EditFrameTest, FirstLineTypedIntoAnEmptyFileMeetsTheControllersCount)
{
    struct Case {
        const char* lineCount;
        const char* firstCommand;
    };
    for (const Case& c : {Case{"1", "&0R,"}, Case{"0", "&0I,"}}) {
        SCOPED_TRACE(c.lineCount);
        WriteProgram("");
        m_link->SetReply("&N", ScriptedReply(c.lineCount));
        ASSERT_TRUE(OpenFrame());
        const size_t first = m_link->Commands().size();
        Type("a=1");
        Key(VK_RETURN);
        Type("b=2");
        Key(VK_UP);
        std::vector<std::string> edits;
        for (const std::string& command : CommandsFrom(first))
            if (command.rfind("&", 0) == 0)
                edits.push_back(command);
        // Enter sends the new line; the typed line goes as the caret leaves it.
        EXPECT_EQ((std::vector<std::string>{c.firstCommand, "&1I,", "&0R,a=1", "&1R,b=2"}), edits);
        CloseFrame();
        Pump();
    }
}

TEST_F(EditFrameTest, EchoesReplaceTheLineOnlyWhileItStillHoldsTheSentText)
{
    const std::string long81(81, 'A');
    m_link->SetReply("&5R,PRINT 1", ScriptedReply("PRINT  1"));
    m_link->SetReply("&6R,x6=2", ScriptedReply("x6=2"));
    m_link->SetReply("&7R,x7=2", ScriptedReply(long81));
    ASSERT_TRUE(OpenFrame());
    const auto sendLine = [this](int line, const std::string& text) {
        Buffer().ReplaceLine(line, text, true, false);
        Buffer().SendPendingLine(line);
        Pump();
    };

    sendLine(5, "PRINT 1");
    EXPECT_EQ("PRINT  1", Buffer().GetLineText(5)) << "a differing echo replaces the line";
    EXPECT_FALSE(Buffer().Line(5)->IsPending());
    EXPECT_EQ(1, CommandCount("&5R,PRINT 1"));
    EXPECT_EQ(0, CommandCount("&5R,PRINT  1")) << "nothing goes back";

    sendLine(6, "x6=2");
    EXPECT_EQ("x6=2", Buffer().GetLineText(6));
    EXPECT_TRUE(Prompts().empty());

    sendLine(7, "x7=2");
    EXPECT_EQ(std::string(80, 'A'), Buffer().GetLineText(7));
    ASSERT_EQ(1u, Prompts().size());
    EXPECT_EQ("Editor", Prompts()[0].caption);
    EXPECT_EQ("Tokenized line 8 returned by controller is too long (80 characters max), extra removed from end of "
              "line:-\n\n" + long81,
              Prompts()[0].text);
}

TEST_F(EditFrameTest, LateEchoForADeletedOrRetypedLineChangesNothing)
{
    ASSERT_TRUE(OpenFrame());
    const auto lateEcho = [this](const std::string& text) {
        ControllerMessage echo;
        echo.m_nCommandId = kCommandReplaceLine;
        echo.m_nChannel = CHANNEL_COMMAND;
        echo.SetArgumentText(text.c_str());
        // The link's thread queues it; the frame takes it on its own.
        std::thread link([&] { m_frame->OnReply(&echo); });
        link.join();
    };

    // Deleted before the queue is taken: the line now at its place stays.
    Buffer().ReplaceLine(5, "PRINT 5", true, true);
    lateEcho("PRINT 55");
    Buffer().DeleteLine(5, true);
    Pump();
    EXPECT_EQ("x6=1", Buffer().GetLineText(5));
    for (int i = 0; i < Buffer().GetLineCount(); ++i)
        EXPECT_NE("PRINT 55", Buffer().GetLineText(i));

    // Retyped meanwhile: the new text stays.
    Buffer().ReplaceLine(2, "PRINT 2", true, true);
    lateEcho("PRINT 22");
    Buffer().ReplaceLine(2, "PRINT 222", true, false);
    Pump();
    EXPECT_EQ("PRINT 222", Buffer().GetLineText(2));
    EXPECT_TRUE(Buffer().Line(2)->IsPending());

    // The same line, unchanged: the echo applies.
    Buffer().ReplaceLine(3, "PRINT 3", true, true);
    lateEcho("PRINT 33");
    Pump();
    EXPECT_EQ("PRINT 33", Buffer().GetLineText(3));
}

TEST_F(EditFrameTest, ErrorReplyShowsTheCommsErrorUnderEditor)
{
    ASSERT_TRUE(OpenFrame());
    const std::string before = Buffer().SaveText();
    ControllerMessage failed;
    failed.m_nCommandId = kCommandReplaceLine;
    failed.m_nChannel = CHANNEL_COMMAND;
    failed.m_nIncomplete = 1;
    failed.SetArgumentText("bad line");
    ControllerMessage failedEmpty = failed;
    failedEmpty.ClearArgument();
    std::thread link([&] {
        m_frame->OnReply(&failed);
        m_frame->OnReply(&failedEmpty);
    });
    link.join();
    Pump();
    const auto prompts = Prompts();
    ASSERT_EQ(2u, prompts.size());
    EXPECT_EQ("Editor", prompts[0].caption);
    EXPECT_EQ("Error: editor comms error \n\nbad line", prompts[0].text);
    EXPECT_EQ("Error: editor comms error \n\n?", prompts[1].text);
    EXPECT_EQ(before, Buffer().SaveText());
}

TEST_F(EditFrameTest, ProcessRecordOfAnotherProgramDoesNotHoldUpEchoes)
{
    ASSERT_TRUE(OpenFrame());
    Buffer().ReplaceLine(4, "PRINT 4", true, true);
    ProcessReplyRecord other = {2, 3, 7, "OTHER"};
    ControllerMessage status;
    status.m_nCommandId = 1;
    status.m_nChannel = CHANNEL_COMMAND;
    status.SetArgument(&other, sizeof other);
    ControllerMessage echo;
    echo.m_nCommandId = kCommandReplaceLine;
    echo.m_nChannel = CHANNEL_COMMAND;
    echo.SetArgumentText("PRINT 44");
    std::thread link([&] {
        m_frame->OnReply(&status);
        m_frame->OnReply(&echo);
    });
    link.join();
    Pump();
    EXPECT_EQ("PRINT 44", Buffer().GetLineText(4));

    // This program's process stopped at line 7: the caret goes there.
    ProcessReplyRecord mine = {2, 3, 7, "DEMO"};
    status.SetArgument(&mine, sizeof mine);
    std::thread again([&] { m_frame->OnReply(&status); });
    again.join();
    Pump();
    EXPECT_EQ(7, View()->GetCaret().line);
    EXPECT_EQ(7, Buffer().m_currentLine);
}

TEST_F(EditFrameTest, RepliesThatComeDuringASendWaitForItsEnd)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(0, 2, false));
    Type("q"); // line 2 pending, the caret on it
    CEditRFrame* frame = m_frame;
    const HWND hFrame = m_hFrame;
    // While line 6 goes, the controller reports the program stopped at line
    // 7 and the frame is made to look at its queue at once.
    m_link->SetReplyCallback([frame, hFrame](const std::string& command, ScriptedReply&) {
        if (command == "&6R,x6=2") {
            ProcessReplyRecord stopped = {2, 3, 7, "DEMO"};
            ControllerMessage status;
            status.m_nCommandId = 1;
            status.m_nChannel = CHANNEL_COMMAND;
            status.SetArgument(&stopped, sizeof stopped);
            frame->OnReply(&status);
            ::SendMessageA(hFrame, kMsgReplyQueue, 0, 0);
        }
        return false;
    });
    Buffer().ReplaceLine(6, "x6=2", true, false);
    Buffer().SendPendingLine(6);
    EXPECT_EQ(2, View()->GetCaret().line) << "the caret stays while the send is in progress";
    Pump();
    EXPECT_EQ(7, View()->GetCaret().line);
    EXPECT_EQ(1, CommandCount("&2R,qx2=1")) << "the line the caret left went, after the first send";
    EXPECT_FALSE(Buffer().Line(2)->IsPending());
}

class BreakpointTest : public EditFrameTest {
protected:
    void SetUp() override
    {
        EditFrameTest::SetUp();
        m_project.SetFeature(kFeatureBreakpoints, true);
    }
    std::vector<int> Marks()
    {
        std::vector<int> marks;
        for (int i = 0; i < Buffer().GetLineCount(); ++i)
            if (Buffer().Line(i)->HasBreakpoint())
                marks.push_back(i);
        return marks;
    }
};

TEST_F(BreakpointTest, ToggleMarksTheLineTheControllerAnswers)
{
    const struct {
        const char* answer;
        std::vector<int> marks;
        bool refused;
    } cases[] = {{"3", {3}, false}, {"4", {4}, false}, {"-1", {}, true}};
    ASSERT_TRUE(OpenFrame());
    for (const auto& c : cases) {
        for (CEditRLine& line : Buffer().Store().m_lines)
            line.SetBreakpoint(false);
        const size_t prompts = Prompts().size();
        m_link->SetReply("BREAK_ADD \"DEMO\" 3", ScriptedReply(c.answer));
        const size_t first = m_link->Commands().size();
        ASSERT_TRUE(View()->GoTo(0, 3, false));
        ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
        Pump();
        EXPECT_EQ(std::vector<std::string>{"BREAK_ADD \"DEMO\" 3"}, CommandsFrom(first)) << c.answer;
        EXPECT_EQ(c.marks, Marks()) << c.answer;
        if (c.refused) {
            ASSERT_EQ(prompts + 1, Prompts().size());
            EXPECT_EQ("Unable to set breakpoint on controller at line 4", Prompts().back().text);
            EXPECT_EQ("Editor", Prompts().back().caption);
        } else {
            EXPECT_EQ(prompts, Prompts().size()) << c.answer;
        }
    }
    // A marked line: the toggle deletes the breakpoint.
    m_link->SetReply("BREAK_ADD \"DEMO\" 3", ScriptedReply("3"));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
    EXPECT_EQ(std::vector<int>{3}, Marks());
    const size_t first = m_link->Commands().size();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
    EXPECT_EQ(std::vector<std::string>{"BREAK_DELETE \"DEMO\" 3"}, CommandsFrom(first));
    EXPECT_TRUE(Marks().empty());
}

TEST_F(BreakpointTest, OpeningMarksTheControllersBreakpoints)
{
    m_link->SetReply("BREAK_LIST \"DEMO\"", ScriptedReply("Line 3\nLine 5\nLine 42"));
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(1, CommandCount("BREAK_LIST \"DEMO\""));
    EXPECT_EQ((std::vector<int>{3, 5}), Marks()) << "a line the file lacks is left out";

    // With the setting off the controller is not asked.
    CloseFrame();
    CVQRegistry().SetUseInlineBreakpoints(0);
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(1, CommandCount("BREAK_LIST \"DEMO\""));
    EXPECT_TRUE(Marks().empty());
}

TEST_F(BreakpointTest, RunResendsChangedBreakpointsFirstAndStopStops)
{
    m_link->SetReply("BREAK_ADD \"DEMO\" 3", ScriptedReply("3"));
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(0, 3, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
    ASSERT_EQ(std::vector<int>{3}, Marks());
    // An edit may have moved the breakpoints.
    ASSERT_TRUE(View()->GoTo(0, 8, false));
    Type("z");
    size_t first = m_link->Commands().size();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_RUN, 0);
    EXPECT_EQ((std::vector<std::string>{"&8R,zx8=1", "BREAK_RESET \"DEMO\"", "BREAK_ADD \"DEMO\" 3", "RUN \"DEMO\""}),
              CommandsFrom(first));
    first = m_link->Commands().size();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_RUN, 0);
    EXPECT_EQ(std::vector<std::string>{"RUN \"DEMO\""}, CommandsFrom(first)) << "unchanged breakpoints are not sent";
    first = m_link->Commands().size();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_STOP, 0);
    EXPECT_EQ(std::vector<std::string>{"STOP \"DEMO\""}, CommandsFrom(first));
    EXPECT_FALSE(CEditRFrame::IsRunInProgress());
}

TEST_F(BreakpointTest, DestroyRequestDuringRunIsCarriedOutAfterIt)
{
    ASSERT_TRUE(OpenFrame());
    const HWND frame = m_hFrame;
    bool aliveAfterRun = false;
    std::atomic<bool> aliveInSend{false};
    ASSERT_TRUE(View()->GoTo(0, 2, false));
    Type("k");
    const HWND view = View()->m_hWnd;
    // The request comes while RUN is on its way: sent from the link's side,
    // so the frame takes it inside the wait of its send; so does a key,
    // which must not start a second command inside it.
    m_link->SetReplyCallback([frame, view, &aliveInSend](const std::string& command, ScriptedReply&) {
        if (command == "RUN \"DEMO\"") {
            ::SendMessageA(view, WM_KEYDOWN, VK_DOWN, 1);
            ::SendMessageA(frame, kMsgDestroyRequest, 0, 0);
            aliveInSend = ::IsWindow(frame) != FALSE;
        }
        return false;
    });
    m_frame->Run();
    EXPECT_EQ(2, View()->GetCaret().line);
    aliveAfterRun = ::IsWindow(frame) != FALSE;
    EXPECT_TRUE(aliveInSend.load()) << "postponed while the send is in progress";
    EXPECT_TRUE(aliveAfterRun) << "the frame outlives the send it is in";
    EXPECT_EQ(1, CommandCount("RUN \"DEMO\""));
    // The postponed request comes back on its timer.
    const DWORD start = ::GetTickCount();
    while (::IsWindow(frame) && ::GetTickCount() - start < 5000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Pump();
    }
    EXPECT_FALSE(::IsWindow(frame));
    EXPECT_EQ(1, m_project.Count(kMsgUnregisterTool));
    m_hFrame = nullptr;
}

TEST_F(EditFrameTest, WithoutInlineBreakpointsTheToggleIsATronLine)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(2, 3, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
    EXPECT_EQ("TRON", Buffer().GetLineText(3));
    EXPECT_EQ("x3=1", Buffer().GetLineText(4));
    EXPECT_EQ(1, CommandCount("&3I,TRON"));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_TOGGLE_BREAKPOINT, 0);
    EXPECT_EQ("x3=1", Buffer().GetLineText(3));
    EXPECT_EQ(10, Buffer().GetLineCount());
    EXPECT_EQ(1, CommandCount("&3,3D"));
}

TEST_F(EditFrameTest, WatchGetsTheVrItemAndTheVariableTable)
{
    WriteProgram("a=VR(12)+b\r\nPRINT a\r\n");
    FakeWatchWindow watch;
    m_project.SetFeature(kFeatureWatch, true);
    m_project.SetAnswer(kMsgWatchWindowOf, reinterpret_cast<LRESULT>(watch.Handle()));
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(4, 0, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_EQ(std::vector<std::string>{"VR(12)"}, watch.Items());
    EXPECT_EQ(std::vector<int>{12}, watch.VrIndices());
    // A name goes with its LOOKUP index: b is the second name of the program.
    ASSERT_TRUE(View()->GoTo(9, 0, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_EQ((std::vector<std::string>{"VR(12)", "b"}), watch.Items());
    EXPECT_EQ((std::vector<int>{-1, 1}), watch.LookupIndices());

    ::SendMessageA(m_hFrame, kMsgSaveRequest, 0, 0);
    ASSERT_EQ(1u, watch.Tables().size()) << "the table is due after the watch window came";
    ::SendMessageA(m_hFrame, kMsgSaveRequest, 0, 0);
    EXPECT_EQ(1u, watch.Tables().size()) << "nothing changed";
    ASSERT_TRUE(View()->GoTo(0, 1, false));
    Type("c=1:");
    ::SendMessageA(m_hFrame, kMsgSaveRequest, 0, 0);
    ASSERT_EQ(2u, watch.Tables().size()) << "an edit sends the table again";
    EXPECT_EQ(0, watch.Tables()[1].rfind("DEMO:", 0));
    EXPECT_EQ("a=VR(12)+b\r\nc=1:PRINT a\r\n", ReadWholeFile(m_folder / "DEMO.BAS")) << "the request saved";
}

TEST_F(EditFrameTest, StartupStepsTheRequestedProcessAndProgramRecordsClose)
{
    m_project.m_onRegister = [](HWND tool) { ::SendMessageA(tool, kMsgStartupRequest, 1, 3); };
    ASSERT_TRUE(OpenFrame());
    EXPECT_EQ(1, CommandCount("STEPLINE \"DEMO\",3"));
    // The program went from the controller: the editor closes.
    CProgramData gone;
    gone.m_strName = "Demo";
    EXPECT_EQ(1, ::SendMessageA(m_hFrame, kMsgProgramRecord, 1, reinterpret_cast<LPARAM>(&gone)));
    Pump();
    EXPECT_FALSE(::IsWindow(m_hFrame));
    m_hFrame = nullptr;
}

TEST_F(EditFrameTest, CompileAndReformatCommands)
{
    WriteProgram("IF a THEN\r\nPRINT a\r\nENDIF\r\n");
    std::string compiled;
    m_project.SetHandler(kMsgCompile, [&compiled](WPARAM name, LPARAM) {
        compiled = reinterpret_cast<LPCSTR>(name);
        return LRESULT(0);
    });
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(0, 0, false));
    Type("'");
    const int changed = m_project.Count(kMsgProgramChanged);
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_COMPILE, 0);
    EXPECT_EQ("DEMO", compiled);
    EXPECT_EQ(1, CommandCount("&0R,'IF a THEN")) << "pending lines go first";
    EXPECT_GT(m_project.Count(kMsgProgramChanged), changed);

    Buffer().ReplaceLine(0, "IF a THEN", true, true);
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_REFORMAT, 0);
    EXPECT_EQ("    PRINT a", Buffer().GetLineText(1));
    EXPECT_EQ(1, CommandCount("&1R,    PRINT a"));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_UNDO, 0);
    EXPECT_EQ("PRINT a", Buffer().GetLineText(1)) << "one undo group";
}

TEST_F(EditFrameTest, ClosingAfterAFailedSaveAsksAndNoKeepsTheText)
{
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(0, 0, false));
    Type("q");
    const std::string path = m_folder / "DEMO.BAS";
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    m_prompts.Answer(IDOK); // the failed save's message
    m_prompts.Answer(IDNO);
    ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(::IsWindow(m_hFrame)) << "No keeps the frame";
    EXPECT_EQ("qx0=1", Buffer().GetLineText(0));
    EXPECT_TRUE(m_frame->GetDocument()->IsModified());
    const auto prompts = Prompts();
    ASSERT_EQ(2u, prompts.size());
    EXPECT_NE(std::string::npos, prompts[0].text.find(path)) << "the failed save names the file";
    EXPECT_EQ(static_cast<UINT>(MB_YESNO), prompts[1].type & MB_TYPEMASK);
    m_prompts.Answer(IDOK);
    m_prompts.Answer(IDYES);
    ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(m_hFrame));
    m_hFrame = nullptr;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(1, CommandCount("&0R,qx0=1")) << "the line went to the controller before the save";
}

TEST_F(EditFrameTest, AddToWatchIsGreyWithoutAWatchWindowToSendTo)
{
    WriteProgram("speed=VR(3)\r\n");
    m_project.SetFeature(kFeatureWatch, true);
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(8, 0, false));
    EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_ADD_WATCH)) << "no watch window and none can be made";
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_EQ(0, m_project.Count(kMsgOpenTool));

    FakeWatchWindow watch;
    ::SendMessageA(m_hFrame, kMsgWatchWindow, 0, reinterpret_cast<LPARAM>(watch.Handle()));
    EXPECT_TRUE(m_frame->IsCommandEnabled(ID_EDITOR_ADD_WATCH));
}

TEST_F(EditFrameTest, AddToWatchOpensTheWatchWindowAndWaitsOnVirtualTime)
{
    WriteProgram("speed=VR(3)\r\n");
    m_project.SetFeature(kFeatureWatch, true);
    // The watch window's library tells the project window how to make one.
    CProjectWnd::RegisterToolCreator(kToolIdWatch, [](CProjectWnd&, int) { return FALSE; });
    struct Unregister {
        ~Unregister() { CProjectWnd::RegisterToolCreator(kToolIdWatch, nullptr); }
    } unregister;
    ASSERT_TRUE(OpenFrame());
    ASSERT_TRUE(View()->GoTo(8, 0, false));
    EXPECT_TRUE(m_frame->IsCommandEnabled(ID_EDITOR_ADD_WATCH));
    // No watch window comes: the frame gives up after 8 s of the clock.
    m_clock.SetSleepHook({});
    const std::uint64_t before = m_clock.NowMs();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_GE(m_clock.NowMs() - before, CEditRFrame::kWatchWaitMs);
    EXPECT_EQ(1, m_project.Count(kMsgOpenTool));

    // The project window opens it and it announces itself meanwhile.
    FakeWatchWindow watch;
    const HWND frame = m_hFrame;
    const HWND handle = watch.Handle();
    m_project.SetHandler(kMsgOpenTool, [frame, handle](WPARAM tool, LPARAM) {
        if (tool == kToolIdWatch)
            ::PostMessageA(frame, kMsgWatchWindow, 0, reinterpret_cast<LPARAM>(handle));
        return LRESULT(0);
    });
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_EQ(std::vector<std::string>{"VR(3)"}, watch.Items());
    ASSERT_TRUE(View()->GoTo(2, 0, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_ADD_WATCH, 0);
    EXPECT_EQ((std::vector<std::string>{"VR(3)", "speed"}), watch.Items());
    EXPECT_EQ((std::vector<int>{3, -1}), watch.VrIndices());
}

TEST_F(EditFrameTest, FrameOnAThreadOfItsOwnEndsItWithTheDestroyRequest)
{
    auto* thread = dynamic_cast<CVexoThread*>(
        AfxBeginThread(RUNTIME_CLASS(CVexoThread), THREAD_PRIORITY_ABOVE_NORMAL, 0, CREATE_SUSPENDED));
    ASSERT_NE(nullptr, thread);
    thread->SetWindowClass(RUNTIME_CLASS(CEditRFrame));
    HANDLE handle = nullptr;
    ::DuplicateHandle(::GetCurrentProcess(), thread->m_hThread, ::GetCurrentProcess(), &handle, 0, FALSE,
                      DUPLICATE_SAME_ACCESS);
    thread->ResumeThread();
    // The frame sends its queries to this thread's project window: answer
    // them while waiting.
    HWND frame = nullptr;
    const DWORD start = ::GetTickCount();
    while (!(frame = thread->GetWindowHandle()) && ::GetTickCount() - start < 5000) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    ASSERT_TRUE(frame);
    EXPECT_NE(::GetCurrentThreadId(), ::GetWindowThreadProcessId(frame, nullptr));
    char title[64] = {};
    ::GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ("Edit : DEMO (BASIC)", title);
    ::PostMessageA(frame, kMsgDestroyRequest, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(handle, 5000)) << "the thread ends with its frame";
    ::CloseHandle(handle);
    EXPECT_EQ(1, m_project.Count(kMsgUnregisterTool));
}

TEST_F(EditFrameTest, EditorToolMakesAFrameOnAThreadOfItsOwnOrReportsNone)
{
    // The project window lives on this thread: the wait answers its
    // registration and queries meanwhile.
    const HWND frame = CreateEditorFrameThread();
    ASSERT_TRUE(frame);
    EXPECT_NE(::GetCurrentThreadId(), ::GetWindowThreadProcessId(frame, nullptr));
    char title[64] = {};
    ::GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ("Edit : DEMO (BASIC)", title);
    HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, ::GetWindowThreadProcessId(frame, nullptr));
    ASSERT_TRUE(thread);
    ::PostMessageA(frame, kMsgDestroyRequest, 0, 0);
    EXPECT_EQ(WAIT_OBJECT_0, AfxWaitWithMessages(thread, 5000)) << "the thread ends with its frame";
    ::CloseHandle(thread);

    // A refused registration: no frame, and nothing shown for it.
    m_project.m_registration = 0;
    const int registrations = m_project.Count(kMsgRegisterTool);
    EXPECT_EQ(nullptr, CreateEditorFrameThread());
    EXPECT_EQ(registrations + 1, m_project.Count(kMsgRegisterTool));
    EXPECT_TRUE(Prompts().empty());
}

TEST_F(EditFrameTest, CommandsFollowTheProgramTypeAndTheEditState)
{
    const struct {
        LRESULT type;
        bool feature12;
        const char* title;
        bool run, step, compile;
    } cases[] = {
        {0, false, "Edit : DEMO (BASIC)", true, true, true},
        {3, false, "Edit : DEMO (Text)", false, false, false},
        {2, false, "Edit : DEMO (G-Code)", false, false, false},
        {2, true, "Edit : DEMO (G-Code)", true, true, false},
        {-1, false, "Edit : DEMO", false, false, false},
    };
    for (const auto& c : cases) {
        m_project.SetAnswer(kMsgProgramType, c.type);
        m_project.SetFeature(12, c.feature12);
        ASSERT_TRUE(OpenFrame());
        EXPECT_EQ(c.title, Title());
        EXPECT_EQ(c.run, m_frame->IsCommandEnabled(ID_EDITOR_RUN) != FALSE) << c.type;
        EXPECT_EQ(c.run, m_frame->IsCommandEnabled(ID_EDITOR_STOP) != FALSE) << c.type;
        EXPECT_EQ(c.step, m_frame->IsCommandEnabled(ID_EDITOR_STEP) != FALSE) << c.type;
        EXPECT_EQ(c.compile, m_frame->IsCommandEnabled(ID_EDITOR_COMPILE) != FALSE) << c.type;
        EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_SAVE)) << "nothing to save yet";
        EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_UNDO));
        if (!c.run) {
            const size_t first = m_link->Commands().size();
            ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_RUN, 0);
            EXPECT_TRUE(CommandsFrom(first).empty()) << "a disabled Run sends nothing";
        }
        CloseFrame();
    }
    m_project.SetAnswer(kMsgProgramType, 0);
    ASSERT_TRUE(OpenFrame());
    Type("a");
    EXPECT_TRUE(m_frame->IsCommandEnabled(ID_EDITOR_SAVE));
    EXPECT_TRUE(m_frame->IsCommandEnabled(ID_EDITOR_UNDO));
    ::SendMessageA(m_hFrame, kMsgRunningOn, 0, 0);
    EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_UNDO)) << "read-only";
    EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_DELETE_LINE));
    EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_TOGGLE_BREAKPOINT)) << "no inline breakpoints, read-only";
}

// --- the view's keys -------------------------------------------------------------------------

class EditViewTest : public EditFrameTest {
protected:
    bool ListShown(HWND list) const { return (::GetWindowLongA(list, GWL_STYLE) & WS_VISIBLE) != 0; }
    std::vector<std::string> ListItems(HWND list) const
    {
        std::vector<std::string> items;
        const int count = static_cast<int>(::SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = {};
            ::SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            items.push_back(text);
        }
        return items;
    }
};

// A paste of control bytes is refused before the selection it would
// replace is deleted: nothing changes, and the user is told.
TEST_F(EditViewTest, PasteOfControlBytesChangesNothing)
{
    ASSERT_TRUE(OpenFrame());
    const struct {
        const char* clipboard;
        std::string line1; // afterwards
        size_t prompts;
    } cases[] = {{"a\x1b" "1b", "x1=1", 1}, {"\x14", "x1=1", 1}, {"ab", "ab=1", 0}};
    for (const auto& c : cases) {
        Buffer().ReplaceLine(1, "x1=1", false, false);
        ASSERT_TRUE(ClipboardAccess(m_hFrame).SetText(c.clipboard));
        View()->SetSelection(Caret{0, 1}, Caret{2, 1});
        const size_t before = Prompts().size();
        ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_PASTE, 0);
        Pump();
        EXPECT_EQ(c.line1, Buffer().GetLineText(1)) << c.clipboard;
        EXPECT_EQ(before + c.prompts, Prompts().size()) << c.clipboard;
    }
}

TEST_F(EditViewTest, EditingKeys)
{
    struct Case {
        const char* name;
        std::string line;
        int column;
        std::function<void(EditViewTest&)> keys;
        std::vector<std::string> lines; // the program's first lines afterwards
        int caretColumn;
    };
    const Case cases[] = {
        {"Tab before the code start", "", 0, [](EditViewTest& t) { t.Key(VK_TAB); }, {"      "}, 6},
        {"Tab after it, to the next stop", "      a", 7, [](EditViewTest& t) { t.Key(VK_TAB); }, {"      a   "}, 10},
        {"Tab stops at column 80", std::string(78, 'x'), 78, [](EditViewTest& t) { t.Key(VK_TAB); },
         {std::string(78, 'x') + "  "}, 80},
        {"Tab at column 80 adds nothing", std::string(80, 'x'), 80, [](EditViewTest& t) { t.Key(VK_TAB); },
         {std::string(80, 'x')}, 80},
        {"Shift+Backspace back to a tab stop", "          ab", 12,
         [](EditViewTest& t) {
             t.HoldKey(VK_SHIFT, true);
             t.Key(VK_BACK);
             t.HoldKey(VK_SHIFT, false);
         },
         {"          "}, 10},
        {"Backspace at column 0 joins the lines", "ab", 0, [](EditViewTest& t) { t.Key(VK_BACK); }, {"x0=1ab"}, 4},
        {"Return keeps the indent", "   a=1", 4, [](EditViewTest& t) { t.Key(VK_RETURN); }, {"   a", "   =1"}, 3},
        {"Delete at the end joins the next line", "ab", 2, [](EditViewTest& t) { t.Key(VK_DELETE); },
         {"abx2=1"}, 2},
    };
    CVQRegistry settings;
    settings.SetCodeStart(6);
    settings.SetTabIndent(4);
    settings.SetTabInOnEnter(1);
    for (const Case& c : cases) {
        ASSERT_TRUE(OpenFrame());
        const int line = 1;
        Buffer().ReplaceLine(line, c.line, false, false);
        ASSERT_TRUE(View()->GoTo(c.column, line, false)) << c.name;
        c.keys(*this);
        const int first = c.name == std::string("Backspace at column 0 joins the lines") ? 0 : line;
        for (size_t i = 0; i < c.lines.size(); ++i)
            EXPECT_EQ(c.lines[i], Buffer().GetLineText(first + static_cast<int>(i))) << c.name;
        EXPECT_EQ(c.caretColumn, View()->GetCaret().column) << c.name;
        CloseFrame();
    }
}

TEST_F(EditViewTest, CaretKeysAndSelection)
{
    WriteProgram("abc def\r\nxy\r\nlonger line\r\n");
    ASSERT_TRUE(OpenFrame());
    const struct {
        Caret from;
        UINT key;
        bool shift, ctrl;
        Caret to;
        bool selection;
    } cases[] = {
        {{0, 0}, VK_LEFT, false, false, {0, 0}, false},  {{0, 1}, VK_LEFT, false, false, {7, 0}, false},
        {{7, 0}, VK_RIGHT, false, false, {0, 1}, false}, {{5, 2}, VK_UP, false, false, {2, 1}, false},
        {{0, 0}, VK_RIGHT, false, true, {4, 0}, false},  {{2, 1}, VK_END, false, true, {11, 2}, false},
        {{4, 2}, VK_HOME, false, true, {0, 0}, false},   {{0, 0}, VK_DOWN, true, false, {0, 1}, true},
        {{5, 2}, VK_DOWN, false, false, {5, 2}, false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(View()->GoTo(c.from.column, c.from.line, false));
        HoldKey(VK_SHIFT, c.shift);
        HoldKey(VK_CONTROL, c.ctrl);
        Key(c.key);
        HoldKey(VK_SHIFT, false);
        HoldKey(VK_CONTROL, false);
        EXPECT_EQ(c.to, View()->GetCaret()) << c.key << " from " << c.from.column << "," << c.from.line;
        EXPECT_EQ(c.selection, View()->HasSelection()) << c.key;
    }
    // Left with a selection goes to its start.
    View()->SetSelection({1, 0}, {2, 1});
    Key(VK_LEFT);
    EXPECT_EQ((Caret{1, 0}), View()->GetCaret());
    EXPECT_FALSE(View()->HasSelection());
    View()->SetSelection({1, 0}, {2, 1});
    EXPECT_EQ("bc def\nxy", View()->GetSelectedText());
    ASSERT_TRUE(View()->GoTo(5, 0, false));
    EXPECT_EQ("def", View()->GetWordAtCaret());
    EXPECT_FALSE(View()->GoTo(0, 3, false)) << "past the last line";
    EXPECT_FALSE(View()->GoTo(3, 1, false)) << "past the line's end";
}

TEST_F(EditViewTest, MouseDragSelectsAndAutoScrollsBelowTheWindow)
{
    WritePrintLines(200);
    ASSERT_TRUE(OpenFrame());
    const HWND view = View()->m_hWnd;
    RECT client;
    ::GetClientRect(view, &client);
    ::SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    EXPECT_EQ((Caret{0, 0}), View()->GetCaret());
    ::SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(5, client.bottom + 40));
    const int lastVisible = View()->GetCaret().line;
    EXPECT_GT(lastVisible, 0);
    // The timer's tick moves the selection's end one line further down.
    ::SendMessageA(view, WM_TIMER, 33003, 0);
    EXPECT_EQ(lastVisible + 1, View()->GetCaret().line);
    ::SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(5, client.bottom + 40));
    ::SendMessageA(view, WM_TIMER, 33003, 0);
    EXPECT_EQ(lastVisible + 1, View()->GetCaret().line) << "the drag has ended";
    EXPECT_TRUE(View()->HasSelection());
    EXPECT_EQ(0, View()->GetSelection().startLine);

    ASSERT_TRUE(View()->GoTo(2, 7, false));
    ::SendMessageA(view, WM_LBUTTONDBLCLK, 0, 0);
    EXPECT_EQ("PRINT", View()->GetSelectedText());
}

TEST_F(EditViewTest, WheelScrollsALinePerNotchAndKeepsTheRemainder)
{
    WritePrintLines(200);
    ASSERT_TRUE(OpenFrame());
    const HWND view = View()->m_hWnd;
    const auto wheel = [view](int delta) {
        ::SendMessageA(view, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))), 0);
    };
    wheel(-240);
    EXPECT_EQ(2, View()->GetScroll().line);
    EXPECT_EQ(0, View()->GetCaret().line) << "the caret keeps its place in the text";
    wheel(-60);
    EXPECT_EQ(2, View()->GetScroll().line);
    wheel(-60);
    EXPECT_EQ(3, View()->GetScroll().line);
    wheel(120);
    wheel(360);
    EXPECT_EQ(0, View()->GetScroll().line) << "not above the first line";
    for (int i = 0; i < 10; ++i)
        wheel(-120 * 30);
    EXPECT_EQ(200 - View()->VisibleRows(), View()->GetScroll().line) << "not below the last page";
}

// A key repaints the rows that look different afterwards and no more: a
// row it leaves out keeps showing the text from before the key.
TEST_F(EditViewTest, AKeyRepaintsTheRowsThatChanged)
{
    WritePrintLines(200);
    ASSERT_TRUE(OpenFrame());
    const HWND view = View()->m_hWnd;
    const int rows = View()->VisibleRows();
    ASSERT_GT(rows, 6);
    // The keys go straight to the view: a pump would paint what they left.
    const auto press = [view](UINT key) { ::SendMessageA(view, WM_KEYDOWN, key, 1); };
    const auto type = [view](char c) {
        ::SendMessageA(view, WM_KEYDOWN, static_cast<WPARAM>(::VkKeyScanA(c) & 0xFF), 1);
        ::SendMessageA(view, WM_CHAR, static_cast<WPARAM>(c), 1);
    };
    struct Case {
        const char* name;
        Caret from;
        std::function<void()> before; // not measured
        std::function<void()> key;
        int firstRow, lastRow; // the rows to repaint; -1 none
    };
    const auto down = [&] { press(VK_DOWN); };
    const Case cases[] = {
        {"typing repaints the caret's row", {0, 3}, {}, [&] { type('a'); }, 3, 3},
        {"a move off a typed line repaints it as sent", {0, 3}, [&] { type('a'); }, down, 3, 3},
        {"a move between unchanged lines repaints nothing", {0, 2}, {}, down, -1, -1},
        {"a move along a typed line repaints nothing", {0, 2}, [&] { type('b'); }, [&] { press(VK_LEFT); }, -1, -1},
        {"Shift+Down repaints the selected rows", {0, 2}, {},
         [&] {
             HoldKey(VK_SHIFT, true);
             press(VK_DOWN);
             HoldKey(VK_SHIFT, false);
         },
         2, 3},
        {"collapsing a selection repaints its rows", {0, 1}, [&] { View()->SetSelection({0, 1}, {2, 4}); },
         [&] { press(VK_ESCAPE); }, 1, 4},
        // Last: these move the lines.
        {"Return repaints every row", {2, 2}, {}, [&] { press(VK_RETURN); }, 0, rows},
        {"Page Down that scrolls repaints every row", {0, 5}, {}, [&] { press(VK_NEXT); }, 0, rows},
    };
    RECT client;
    ::GetClientRect(view, &client);
    const int height = View()->LineHeight();
    for (const Case& c : cases) {
        ASSERT_TRUE(View()->GoTo(c.from.column, c.from.line, false)) << c.name;
        if (c.before)
            c.before();
        Pump();
        ::UpdateWindow(view);
        ASSERT_EQ(0, View()->GetScroll().line) << c.name;
        c.key();
        HRGN region = ::CreateRectRgn(0, 0, 0, 0);
        ::GetUpdateRgn(view, region, FALSE);
        for (int row = 0; row < rows; ++row) {
            const bool expected = row >= c.firstRow && row <= c.lastRow;
            EXPECT_EQ(expected, ::PtInRegion(region, client.right / 2, row * height + height / 2) != FALSE)
                << c.name << ", row " << row;
        }
        ::DeleteObject(region);
    }
}

// The horizontal bar runs to the longest line of the whole program, kept up
// as keys lengthen and shorten it.
TEST_F(EditViewTest, HorizontalRangeFollowsTheLongestLine)
{
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += (i == 250 ? std::string(60, 'x') : "PRINT " + std::to_string(i)) + "\r\n";
    WriteProgram(text);
    ASSERT_TRUE(OpenFrame());
    const HWND view = View()->m_hWnd;
    const auto range = [view] {
        SCROLLINFO info = {sizeof info, SIF_RANGE};
        ::GetScrollInfo(view, SB_HORZ, &info);
        return info.nMax;
    };
    EXPECT_EQ(60, range()) << "a line below the window counts";
    ASSERT_TRUE(View()->GoTo(8, 10, false));
    Type(std::string(55, 'y'));
    EXPECT_EQ(63, range()) << "the typed line is the longest now";
    Key(VK_BACK, 10);
    EXPECT_EQ(60, range()) << "shortened, the other one is the longest again";
    ASSERT_TRUE(View()->GoTo(0, 250, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_DELETE_LINE, 0);
    Pump();
    EXPECT_EQ(53, range()) << "deleted";
}

TEST_F(EditViewTest, KeyAssistListsKeywordsOutsideComments)
{
    CVQRegistry().SetEnableEditorKeyAssist(1);
    WriteProgram("\r\n");
    ASSERT_TRUE(OpenFrame());
    const HWND list = View()->KeywordList();
    ASSERT_TRUE(list);
    EXPECT_EQ(kKeywordListId, static_cast<UINT>(::GetDlgCtrlID(list)));
    const struct {
        const char* typed;
        bool shown;
        std::vector<std::string> items;
    } cases[] = {
        {"PR", true, {"PRINT", "PROC", "PROCESS"}},
        {"PRINT", false, {}},
        {"a=1 'PR", false, {}},
        {"a$=\"'\" PR", true, {"PRINT", "PROC", "PROCESS"}},
        {"P", false, {}},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(View()->GoTo(0, 0, false));
        Buffer().ReplaceLine(0, "", false, false);
        Type(c.typed);
        EXPECT_EQ(c.shown, ListShown(list)) << c.typed;
        if (c.shown) {
            EXPECT_EQ(c.items, ListItems(list)) << c.typed;
        }
        Key(VK_ESCAPE);
        ::ShowWindow(list, SW_HIDE);
    }
    // Choosing an entry replaces the word being typed.
    Buffer().ReplaceLine(0, "", false, false);
    ASSERT_TRUE(View()->GoTo(0, 0, false));
    Type("PROCE");
    ASSERT_TRUE(ListShown(list));
    ::SendMessageA(View()->m_hWnd, kMsgAssistChosen, 0, reinterpret_cast<LPARAM>(list));
    EXPECT_EQ("PROCESS", Buffer().GetLineText(0));
    EXPECT_FALSE(ListShown(list));
}

// --- find, go to, printing and new settings from the frame -----------------------------------

// Acts on the next dialog this thread shows, from inside its modal loop (a
// thread timer is dispatched there), then leaves the dialog to the action.
class NextDialog {
public:
    explicit NextDialog(std::function<void(HWND)> action)
    {
        s_action = std::move(action);
        s_ran = false;
        m_timer = ::SetTimer(nullptr, 0, 10, &NextDialog::Tick);
    }
    ~NextDialog()
    {
        ::KillTimer(nullptr, m_timer);
        s_action = nullptr;
    }
    NextDialog(const NextDialog&) = delete;
    NextDialog& operator=(const NextDialog&) = delete;
    bool Ran() const { return s_ran; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        HWND dialog = nullptr;
        ::EnumThreadWindows(
            ::GetCurrentThreadId(),
            [](HWND hWnd, LPARAM out) -> BOOL {
                char name[16] = {};
                ::GetClassNameA(hWnd, name, sizeof name);
                if (std::string(name) == "#32770" && ::IsWindowVisible(hWnd) && ::IsWindowEnabled(hWnd))
                    *reinterpret_cast<HWND*>(out) = hWnd;
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&dialog));
        if (!dialog || !s_action)
            return;
        auto action = std::move(s_action);
        s_action = nullptr;
        s_ran = true;
        action(dialog);
    }
    static inline std::function<void(HWND)> s_action;
    static inline bool s_ran = false;
    UINT_PTR m_timer = 0;
};

void ClickButton(HWND dialog, int id)
{
    ::SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

class EditFrameSearchTest : public EditFrameTest {
protected:
    // Runs a frame command whose dialog the action answers.
    void CommandWithDialog(UINT command, std::function<void(HWND)> action)
    {
        NextDialog next(std::move(action));
        ::SendMessageA(m_hFrame, WM_COMMAND, command, 0);
        EXPECT_TRUE(next.Ran()) << "no dialog for " << command;
    }
    // The search dialogs: one search of text, then Cancel.
    void Search(UINT command, const std::string& text, bool up = false, int button = kIdcFindNext,
                const std::string& replacement = {})
    {
        CommandWithDialog(command, [&](HWND dialog) {
            ::SetWindowTextA(::GetDlgItem(dialog, kIdcFindText), text.c_str());
            if (command == ID_EDITOR_REPLACE)
                ::SetWindowTextA(::GetDlgItem(dialog, kIdcReplaceText), replacement.c_str());
            if (up) {
                ::CheckDlgButton(dialog, kIdcUp, BST_CHECKED);
                ::CheckDlgButton(dialog, kIdcDown, BST_UNCHECKED);
            }
            ClickButton(dialog, button);
            ClickButton(dialog, IDCANCEL);
        });
    }
    // The selection as "column,line-column,line".
    std::string Selection()
    {
        const CEditRange r = View()->GetSelection();
        return std::to_string(r.startColumn) + "," + std::to_string(r.startLine) + "-" + std::to_string(r.endColumn) +
               "," + std::to_string(r.endLine);
    }
};

TEST_F(EditFrameSearchTest, FindMovesTheCaretAndFindNextRepeatsTheSearch)
{
    ASSERT_TRUE(OpenFrame());
    EXPECT_FALSE(m_frame->IsCommandEnabled(ID_EDITOR_FIND_NEXT)) << "nothing to repeat yet";
    Search(ID_EDITOR_FIND, "=1");
    EXPECT_EQ((Caret{2, 0}), View()->GetCaret());
    EXPECT_EQ("2,0-4,0", Selection());
    EXPECT_TRUE(m_frame->IsCommandEnabled(ID_EDITOR_FIND_NEXT));

    // Find Next starts one character on from the found text.
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_FIND_NEXT, 0);
    EXPECT_EQ("2,1-4,1", Selection());
    // F3 is Find Next through the frame's keys.
    MSG f3{View()->m_hWnd, WM_KEYDOWN, VK_F3, 1, 0, {}};
    EXPECT_TRUE(m_frame->PreTranslateMessage(&f3));
    EXPECT_EQ((Caret{2, 2}), View()->GetCaret());

    // Upwards (a match must begin before the caret) the direction is kept
    // for Find Next too.
    ASSERT_TRUE(View()->GoTo(0, 9, false));
    Search(ID_EDITOR_FIND, "x", true);
    EXPECT_EQ((Caret{0, 8}), View()->GetCaret());
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_FIND_NEXT, 0);
    EXPECT_EQ((Caret{0, 7}), View()->GetCaret());
    EXPECT_TRUE(Prompts().empty());

    // A text that is not there is told, and the caret stays.
    Search(ID_EDITOR_FIND, "zz");
    EXPECT_EQ((Caret{0, 7}), View()->GetCaret());
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_FIND_NEXT, 0);
    ASSERT_EQ(2u, Prompts().size());
    EXPECT_EQ("'zz' not found", Prompts()[1].text);
    EXPECT_EQ("Search", Prompts()[1].caption);

    // A selection within one line is the dialog's first text.
    View()->SetSelection(Caret{0, 5}, Caret{5, 5});
    std::string initial;
    CommandWithDialog(ID_EDITOR_FIND, [&initial](HWND dialog) {
        initial = WindowText(::GetDlgItem(dialog, kIdcFindText));
        ClickButton(dialog, IDCANCEL);
    });
    EXPECT_EQ("PRINT", initial);
}

TEST_F(EditFrameSearchTest, ReplaceAllFromTheFrameChangesTheLinesAndSendsThem)
{
    ASSERT_TRUE(OpenFrame());
    Search(ID_EDITOR_REPLACE, "=1", false, kIdcReplaceAll, "=22");
    EXPECT_EQ("x0=22", Buffer().GetLineText(0));
    EXPECT_EQ("x9=22", Buffer().GetLineText(9));
    EXPECT_EQ("PRINT", Buffer().GetLineText(5));
    ASSERT_EQ(1u, Prompts().size());
    EXPECT_EQ("9 occurrences replaced", Prompts()[0].text);
    EXPECT_EQ(1, CommandCount("&0R,x0=22"));
    EXPECT_EQ(1, CommandCount("&9R,x9=22"));
    // Find Next then repeats the find text of the Replace dialog.
    ASSERT_TRUE(View()->GoTo(0, 0, false));
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_FIND_NEXT, 0);
    EXPECT_EQ("'=1' not found", Prompts().back().text);
}

TEST_F(EditFrameSearchTest, GotoJumpsToALabelAndIgnoresALinePastTheEnd)
{
    WriteProgram("x=1\r\nPRINT x\r\nloop:\r\nx=x+1\r\nGOTO loop\r\n");
    ASSERT_TRUE(OpenFrame());
    std::string labels, number;
    CommandWithDialog(ID_EDITOR_GOTO, [&labels, &number](HWND dialog) {
        const HWND list = ::GetDlgItem(dialog, kIdcGotoLabels);
        char name[32] = {};
        ListView_GetItemText(list, 0, 0, name, sizeof name);
        labels = name;
        ListView_GetItemText(list, 0, 1, name, sizeof name);
        number = name;
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = list;
        click.hdr.idFrom = kIdcGotoLabels;
        click.hdr.code = NM_CLICK;
        click.iItem = 0;
        ::SendMessageA(dialog, WM_NOTIFY, kIdcGotoLabels, reinterpret_cast<LPARAM>(&click));
        ClickButton(dialog, IDOK);
    });
    EXPECT_EQ("loop", labels);
    EXPECT_EQ("3", number) << "the user's line numbers count from 1, as the controller's do";
    EXPECT_EQ((Caret{0, 2}), View()->GetCaret());

    // Line 1 is the first line; 6 is past the end and 0 before the start.
    const struct {
        const char* typed;
        Caret caret;
    } cases[] = {{"5", {0, 4}}, {"1", {0, 0}}, {"6", {0, 0}}, {"0", {0, 0}}};
    for (const auto& c : cases) {
        CommandWithDialog(ID_EDITOR_GOTO, [&c](HWND dialog) {
            ::SetWindowTextA(::GetDlgItem(dialog, kIdcGotoLine), c.typed);
            ClickButton(dialog, IDOK);
        });
        EXPECT_EQ(c.caret, View()->GetCaret()) << c.typed;
    }
}

TEST_F(EditFrameSearchTest, PrintGoesThroughThePrintLoopIntoPages)
{
    ASSERT_TRUE(OpenFrame());
    MetafilePrinter printer;
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_PRINT, 0);
    ASSERT_EQ(1u, printer.Documents().size());
    EXPECT_EQ("DEMO", printer.Documents()[0]);
    ASSERT_EQ(1u, printer.Pages().size());
    const std::vector<std::string> lines = MetafilePrinter::Lines(printer.Pages()[0]);
    ASSERT_EQ(11u, lines.size());
    EXPECT_EQ("Program : DEMOPage 1", lines[0]);
    EXPECT_EQ("x0=1", lines[1]);
    EXPECT_EQ("PRINT", lines[6]);

    printer.Cancel();
    ::SendMessageA(m_hFrame, WM_COMMAND, ID_EDITOR_PRINT, 0);
    EXPECT_EQ(1u, printer.Pages().size()) << "a cancelled job prints nothing";
}

TEST_F(EditFrameSearchTest, NewSettingsReachAnOpenView)
{
    ASSERT_TRUE(OpenFrame());
    const auto pixel = [this] {
        CRect client;
        ::GetClientRect(View()->m_hWnd, &client);
        HDC screen = ::GetDC(nullptr);
        CDC dc;
        dc.Attach(::CreateCompatibleDC(screen));
        HBITMAP bitmap = ::CreateCompatibleBitmap(screen, client.Width(), client.Height());
        ::ReleaseDC(nullptr, screen);
        HGDIOBJ old = ::SelectObject(dc.m_hDC, bitmap);
        View()->OnDraw(&dc);
        // Right of the text of line 1, which is neither the caret's nor
        // marked.
        const COLORREF colour = ::GetPixel(dc.m_hDC, client.right - 2, View()->GetCaret().line + 20);
        ::SelectObject(dc.m_hDC, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(dc.Detach());
        return colour;
    };
    const COLORREF fresh = RGB(0x20, 0x40, 0x60);
    ASSERT_NE(fresh, pixel());
    CVQRegistry settings;
    settings.SetEditorColour(kRegistryColourOfSlot[kColourBackground], fresh);
    settings.SetCodeStart(6);
    EXPECT_NE(fresh, pixel()) << "read when the document opened";
    ::SendMessageA(m_hFrame, kMsgSettingsChanged, 0, 0);
    EXPECT_EQ(fresh, pixel());
    EXPECT_EQ(6, m_frame->GetDocument()->Display().codeStart);
    ASSERT_TRUE(View()->GoTo(0, 0, false));
    Key(VK_TAB);
    EXPECT_EQ("      x0=1", Buffer().GetLineText(0)) << "the view's tab stops follow";
}

} // namespace
} // namespace editor
