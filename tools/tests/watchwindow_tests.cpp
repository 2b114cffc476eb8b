// The ticks monitor and the watch window on the scripted controller,
// through the project window as a tool sees it.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "link/programdata.h"
#include "project/projectwndmessages.h"
#include "tools/tests/tool_fixture.h"
#include "tools/ticksdialog.h"
#include "tools/watchdialogs_resource.h"
#include "tools/watchwindow.h"

using namespace tools;

namespace {

std::string ItemText(HWND window, int id)
{
    char text[64] = {};
    ::GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}

class TicksTest : public ToolBaseTest {
protected:
    HWND Open()
    {
        return Make([](HWND project) -> CWnd* {
            auto* ticks = new CTicksDialog(project);
            return ticks->CreateTool() ? ticks : nullptr;
        });
    }
    // One timer tick on the window's thread.
    void Tick() { SendToTool(WM_TIMER, 1); }
    std::string Shown() { return ItemText(m_hTool, IDC_TICKS_VALUE); }
};

TEST_F(TicksTest, ReadsEveryTickAndCountsFromTheZeroPoint)
{
    m_link->SetReply("?TICKS[0];", ScriptedReply("5000"));
    ASSERT_NE(nullptr, Open());
    EXPECT_EQ(1, CountCommand("?TICKS[0];")) << "one reading at once";
    EXPECT_EQ("5000", Shown());
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(m_hTool, IDC_TICKS_ABS));
    Tick();
    EXPECT_EQ(2, CountCommand("?TICKS[0];"));

    SendToTool(WM_COMMAND, IDC_TICKS_ZERO);
    EXPECT_EQ(BST_CHECKED, ::IsDlgButtonChecked(m_hTool, IDC_TICKS_REL));
    Tick();
    EXPECT_EQ("0", Shown());
    m_link->SetReply("?TICKS[0];", ScriptedReply("4990"));
    Tick();
    EXPECT_EQ("10", Shown());

    // Silence keeps the value.
    m_link->SetReply("?TICKS[0];", [] {
        ScriptedReply silent;
        silent.silent = true;
        return silent;
    }());
    Tick();
    EXPECT_EQ("10", Shown());

    // The record says relative.
    SWindowParameters record = {};
    EXPECT_EQ(1, SendToTool(WM_TOOL_SAVE_RECORD, 0, reinterpret_cast<LPARAM>(&record)));
    EXPECT_EQ(1058, GetRecordWord(record, kRecordToolIdOffset));
    EXPECT_EQ(1, GetRecordWord(record, kRecordOwnOffset));
    SendToTool(WM_COMMAND, IDC_TICKS_ABS);
    EXPECT_EQ(1, SendToTool(WM_TOOL_SAVE_RECORD, 0, reinterpret_cast<LPARAM>(&record)));
    EXPECT_EQ(0, GetRecordWord(record, kRecordOwnOffset));
}

class WatchTest : public ToolBaseTest {
protected:
    void SetUp() override
    {
        ToolBaseTest::SetUp();
        m_project.SetFeature(5, true);
        m_project.SetFeature(6, true);
        m_project.SetHandler(WM_WATCH_SET_WINDOW, [this](WPARAM, LPARAM window) {
            m_announced.push_back(window);
            return LRESULT(0);
        });
    }
    HWND Open()
    {
        return Make([](HWND project) -> CWnd* {
            auto* watch = new CWatchWindow(project);
            return watch->CreateTool() ? watch : nullptr;
        });
    }
    std::string Cell(int row, int column)
    {
        char text[128] = {};
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        ::SendMessageA(::GetDlgItem(m_hTool, IDC_WATCH_LIST), LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                       reinterpret_cast<LPARAM>(&item));
        return text;
    }
    // What the cell editor sends when an edit ends.
    void Edit(int row, int column, const char* text)
    {
        NMLVDISPINFOA info = {};
        info.hdr.idFrom = IDC_WATCH_EDIT;
        info.hdr.code = LVN_ENDLABELEDITA;
        info.item.mask = LVIF_TEXT;
        info.item.iItem = row;
        info.item.iSubItem = column;
        info.item.pszText = const_cast<char*>(text);
        SendToTool(WM_NOTIFY, IDC_WATCH_EDIT, reinterpret_cast<LPARAM>(&info));
        Settle();
    }
    void Add(const char* name, const char* program, int index, int process, int vr)
    {
        editor::SWatchItem item = {};
        std::strncpy(item.name, name, sizeof item.name - 1);
        std::strncpy(item.program, program, sizeof item.program - 1);
        item.index = index;
        item.process = process;
        item.vrIndex = vr;
        SendToTool(WM_WATCH_ITEM, kWatchAdd, reinterpret_cast<LPARAM>(&item));
        Settle();
    }
    // Waits (serving this thread's messages) until condition holds.
    bool Eventually(const std::function<bool()>& condition) { return PumpUntil(condition, 5000); }
    // The window's sent work has run.
    void Settle()
    {
        for (int i = 0; i < 3; ++i)
            SendToTool(WM_NULL);
    }

    std::vector<LPARAM> m_announced;
};

TEST_F(WatchTest, TypedVrItemsReadAndWrite)
{
    m_link->SetReply("?VR(12);", ScriptedReply("3.25"));
    m_link->SetReply("?VR(7);", ScriptedReply("1.0"));
    ASSERT_NE(nullptr, Open());
    ASSERT_FALSE(m_announced.empty());
    EXPECT_EQ(reinterpret_cast<LPARAM>(m_hTool), m_announced.front());

    Edit(0, kWatchName, "vr ( 12 )");
    EXPECT_EQ("VR ( 12 )", Cell(0, kWatchName));
    SendToTool(WM_COMMAND, IDC_WATCH_REFRESH);
    Settle();
    EXPECT_EQ(1, CountCommand("?VR(12);"));
    EXPECT_EQ("3.25", Cell(0, kWatchValue));

    Add("VR(7)", "", -1, -1, 7);
    EXPECT_TRUE(Eventually([&] { return Cell(1, kWatchValue) == "1.0"; })) << "an added VR item is read at once";
    EXPECT_EQ(1, CountCommand("?VR(7);"));
    m_link->SetReply("?VR(7);", ScriptedReply("1.5"));
    Edit(1, kWatchValue, "1.5");
    EXPECT_EQ(1, CountCommand("VR(7)= 1.5"));
    EXPECT_TRUE(Eventually([&] { return CountCommand("?VR(7);") == 2; })) << "read back";
    EXPECT_TRUE(Eventually([&] { return Cell(1, kWatchValue) == "1.5"; }));
    const size_t before = m_link->Commands().size();
    Edit(1, kWatchValue, "abc");
    EXPECT_TRUE(Eventually([&] { return CountCommand("?VR(7);") == 3; })) << "only read back";
    const std::vector<std::string> after = m_link->Commands();
    ASSERT_EQ(before + 1, after.size()) << "nothing written";
    EXPECT_EQ("?VR(7);", after.back());
}

TEST_F(WatchTest, VariablesOfAProgram)
{
    m_link->SetReply("?LOOKUP(3,3) PROC(2);", ScriptedReply("04.5"));
    ASSERT_NE(nullptr, Open());
    Add("speed", "MAIN", 3, 2, -1);
    Add("ghost", "MAIN", -1, 2, -1);
    EXPECT_EQ("MAIN", Cell(0, kWatchProgram));
    EXPECT_EQ("2", Cell(0, kWatchProcess));
    SendToTool(WM_COMMAND, IDC_WATCH_REFRESH);
    Settle();
    EXPECT_EQ(1, CountCommand("?LOOKUP(3,3) PROC(2);"));
    EXPECT_EQ("4.5", Cell(0, kWatchValue));
    m_link->SetReply("?LOOKUP(3,3) PROC(2);", ScriptedReply("x4.5"));
    SendToTool(WM_COMMAND, IDC_WATCH_REFRESH);
    Settle();
    EXPECT_EQ("4.5", Cell(0, kWatchValue)) << "not an answer: the value stays";

    editor::VariableTable table;
    editor::AddVariables(table, {"count", "other", "x", "speed"}, "MAIN");
    SendToTool(WM_WATCH_ITEM, kWatchVariableTable, reinterpret_cast<LPARAM>(&table));
    EXPECT_EQ("Unknown variable", Cell(1, kWatchValue));
    EXPECT_EQ("4.5", Cell(0, kWatchValue));
}

TEST_F(WatchTest, ProcessEventsBindAndReadTheVariables)
{
    m_link->SetReply("?LOOKUP(3,2) PROC(4);", ScriptedReply("01.25"));
    ASSERT_NE(nullptr, Open());
    Add("total", "MAIN", 2, -1, -1);
    EXPECT_EQ("", Cell(0, kWatchProcess));
    CProcessData process;
    process.m_strProgram = "MAIN";
    process.m_nProcess = 4;
    SendToTool(WM_WATCH_PROCESS_STATUS, 3, reinterpret_cast<LPARAM>(&process));
    EXPECT_EQ("4", Cell(0, kWatchProcess));
    EXPECT_TRUE(Eventually([&] { return Cell(0, kWatchValue) == "1.25"; }));
    EXPECT_EQ(1, CountCommand("?LOOKUP(3,2) PROC(4);"));
    SendToTool(WM_WATCH_PROCESS_STATUS, 0, reinterpret_cast<LPARAM>(&process));
    EXPECT_EQ("", Cell(0, kWatchProcess));
}

TEST_F(WatchTest, TheCellEditorOpensOnAClickAndEnterMovesItToTheNextRow)
{
    m_link->SetReply("?VR(5);", ScriptedReply("0.5"));
    ASSERT_NE(nullptr, Open());
    const HWND list = ::GetDlgItem(m_hTool, IDC_WATCH_LIST);
    RECT cell = {};
    cell.top = kWatchName;
    cell.left = LVIR_LABEL;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, 0, reinterpret_cast<LPARAM>(&cell));
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_WATCH_LIST;
    click.hdr.code = NM_CLICK;
    click.ptAction = {cell.left + 3, (cell.top + cell.bottom) / 2};
    SendToTool(WM_NOTIFY, IDC_WATCH_LIST, reinterpret_cast<LPARAM>(&click));
    HWND editor = ::GetDlgItem(list, IDC_WATCH_EDIT);
    ASSERT_NE(nullptr, editor) << "the editor opens on the first free row";
    ::SetWindowTextA(editor, "vr(5)");
    ::SendMessageA(editor, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ("VR(5)", Cell(0, kWatchName));
    editor = ::GetDlgItem(list, IDC_WATCH_EDIT);
    ASSERT_NE(nullptr, editor) << "Enter opens the next row";
    RECT now = {};
    ::GetWindowRect(editor, &now);
    RECT second = {};
    second.top = kWatchName;
    second.left = LVIR_LABEL;
    ::SendMessageA(list, LVM_GETSUBITEMRECT, 1, reinterpret_cast<LPARAM>(&second));
    ::MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&second), 2);
    EXPECT_EQ(second.top, now.top);
    ::SendMessageA(editor, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(nullptr, ::GetDlgItem(list, IDC_WATCH_EDIT)) << "Esc opens none";
}

// The cell editor driven by keys, as a person types into the list.
class WatchKeysTest : public WatchTest {
protected:
    HWND List() const { return ::GetDlgItem(m_hTool, IDC_WATCH_LIST); }
    HWND Editor() const { return ::GetDlgItem(List(), IDC_WATCH_EDIT); }
    RECT CellRect(int row, int column) const
    {
        RECT cell = {};
        cell.top = column;
        cell.left = LVIR_LABEL;
        ::SendMessageA(List(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
        return cell;
    }
    RECT EditorRect() const
    {
        RECT rect = {};
        ::GetWindowRect(Editor(), &rect);
        ::MapWindowPoints(nullptr, List(), reinterpret_cast<POINT*>(&rect), 2);
        return rect;
    }
    // The cell the editor lies over: {row, column}, {-1, -1} when none is open.
    std::pair<int, int> EditorCell() const
    {
        if (!Editor())
            return {-1, -1};
        const RECT editor = EditorRect();
        for (int row = 0; row < kWatchRows; ++row)
            for (int column = 0; column < kWatchColumns; ++column) {
                const RECT cell = CellRect(row, column);
                if (cell.left == editor.left && cell.top == editor.top)
                    return {row, column};
            }
        return {-2, -2};
    }
    void Click(int row, int column)
    {
        const RECT cell = CellRect(row, column);
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = List();
        click.hdr.idFrom = IDC_WATCH_LIST;
        click.hdr.code = NM_CLICK;
        click.ptAction = {cell.left + 3, (cell.top + cell.bottom) / 2};
        SendToTool(WM_NOTIFY, IDC_WATCH_LIST, reinterpret_cast<LPARAM>(&click));
    }
    // A key pressed in the editor; with ctrl the Ctrl key is held on the
    // window's thread meanwhile.
    void Press(UINT key, bool ctrl = false)
    {
        const DWORD tool = ::GetWindowThreadProcessId(m_hTool, nullptr);
        BYTE keys[256] = {};
        if (ctrl) {
            ::AttachThreadInput(::GetCurrentThreadId(), tool, TRUE);
            ::GetKeyboardState(keys);
            keys[VK_CONTROL] = 0x80;
            ::SetKeyboardState(keys);
        }
        ::SendMessageA(Editor(), WM_KEYDOWN, key, 1);
        if (ctrl) {
            keys[VK_CONTROL] = 0;
            ::SetKeyboardState(keys);
            ::AttachThreadInput(::GetCurrentThreadId(), tool, FALSE);
        }
        Settle();
    }
    void Select(int row)
    {
        LVITEMA item = {};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        ::SendMessageA(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    void Type(HWND window, const std::string& text)
    {
        for (char ch : text)
            ::SendMessageA(window, WM_CHAR, static_cast<unsigned char>(ch), 1);
        Settle();
    }
};

TEST_F(WatchKeysTest, KeysMoveTheEditorFromCellToCell)
{
    ASSERT_NE(nullptr, Open());
    // Twelve variables that are never read: moving over a cell changes nothing.
    for (int i = 0; i < kWatchRows; ++i)
        Add(("v" + std::to_string(i)).c_str(), "MAIN", -1, -1, -1);
    const size_t before = m_link->Commands().size();
    // A window that shows a part of the list.
    const RECT window = WindowRect();
    ::SetWindowPos(m_hTool, nullptr, 0, 0, window.right - window.left, 150, SWP_NOMOVE | SWP_NOZORDER);
    Settle();
    const int page = static_cast<int>(::SendMessageA(List(), LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GT(page, 0);
    ASSERT_LT(page, kWatchRows - 1) << "the window shows less than the list";

    // Opened by a click, the arrows move the caret; Tab moves the editor.
    Click(1, kWatchName);
    ASSERT_EQ(std::make_pair(1, 0), EditorCell());
    const HWND clicked = Editor();
    Press(VK_RIGHT);
    EXPECT_EQ(clicked, Editor()) << "the caret moved, not the editor";
    Press(VK_TAB);
    ASSERT_EQ(std::make_pair(1, 1), EditorCell());

    const int last = kWatchRows - 1;
    const struct {
        const char* name;
        UINT key;
        bool ctrl;
        std::pair<int, int> cell;
    } steps[] = {
        {"Right", VK_RIGHT, false, {1, 2}},
        {"Right", VK_RIGHT, false, {1, 3}},
        {"Right in the last column", VK_RIGHT, false, {1, 3}},
        {"Left", VK_LEFT, false, {1, 2}},
        {"Home alone moves the caret", VK_HOME, false, {1, 2}},
        {"Ctrl+End", VK_END, true, {last, 2}},
        {"Page Up", VK_PRIOR, false, {last - page, 2}},
        {"Ctrl+Home", VK_HOME, true, {0, 2}},
        {"Page Up in row 0", VK_PRIOR, false, {0, 2}},
        {"Page Down", VK_NEXT, false, {page, 2}},
        {"Page Down", VK_NEXT, false, {std::min(last, 2 * page), 2}},
        {"Ctrl+End", VK_END, true, {last, 2}},
        {"Page Down in the last row", VK_NEXT, false, {last, 2}},
        {"Down in the last row wraps", VK_DOWN, false, {0, 2}},
        {"Down", VK_DOWN, false, {1, 2}},
        {"Up", VK_UP, false, {0, 2}},
        {"Up in row 0 closes", VK_UP, false, {-1, -1}},
    };
    for (const auto& step : steps) {
        Press(step.key, step.ctrl);
        EXPECT_EQ(step.cell, EditorCell()) << step.name;
    }
    for (int i = 0; i < kWatchRows; ++i)
        EXPECT_EQ("v" + std::to_string(i), Cell(i, kWatchName));
    EXPECT_EQ(before, m_link->Commands().size()) << "moving over the cells sends nothing";
}

TEST_F(WatchKeysTest, ACharacterTypedIntoTheListOpensTheEditorWhichWidensWithTheText)
{
    ASSERT_NE(nullptr, Open());
    Add("speed", "MAIN", -1, -1, -1);
    Type(List(), "v");
    EXPECT_EQ(nullptr, Editor()) << "no row selected";

    Select(1);
    Type(List(), "v");
    const HWND first = Editor();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(std::make_pair(1, 0), EditorCell());
    Type(Editor(), "r(9)");
    char text[32] = {};
    ::GetWindowTextA(Editor(), text, sizeof text);
    EXPECT_STREQ("vr(9)", text) << "the typed character is the editor's first";
    const RECT narrow = EditorRect();
    Press(VK_RETURN);
    EXPECT_EQ("VR(9)", Cell(1, kWatchName));
    ASSERT_EQ(std::make_pair(2, 0), EditorCell());
    Press(VK_ESCAPE);

    // A long text widens the editor up to the list's right edge.
    Select(0);
    Type(List(), "a");
    ASSERT_NE(nullptr, Editor());
    // The focus notice of an editor that is gone comes late; it leaves the
    // open editor alone.
    SendToTool(WM_COMMAND, MAKEWPARAM(IDC_WATCH_EDIT, EN_KILLFOCUS), reinterpret_cast<LPARAM>(first));
    ASSERT_NE(nullptr, Editor());
    EXPECT_EQ(narrow.right - narrow.left, EditorRect().right - EditorRect().left) << "short text: the cell's width";
    Type(Editor(), "_long_variable");
    const RECT wider = EditorRect();
    EXPECT_GT(wider.right - wider.left, narrow.right - narrow.left);
    Type(Editor(), std::string(200, 'x'));
    RECT client = {};
    ::GetClientRect(List(), &client);
    EXPECT_EQ(client.right, EditorRect().right) << "at most to the list's right edge";
    Press(VK_ESCAPE);
    EXPECT_EQ("speed", Cell(0, kWatchName)) << "Esc keeps the name";
}

TEST_F(WatchTest, TheRefreshButtonShowsItsPictureAndTip)
{
    ASSERT_NE(nullptr, Open());
    const HWND refresh = ::GetDlgItem(m_hTool, IDC_WATCH_REFRESH);
    const auto picture =
        reinterpret_cast<HBITMAP>(::SendMessageA(refresh, BM_GETIMAGE, IMAGE_BITMAP, 0));
    ASSERT_NE(nullptr, picture);
    BITMAP info = {};
    ASSERT_TRUE(::GetObjectA(picture, sizeof info, &info));
    EXPECT_EQ(16, info.bmWidth);
    EXPECT_EQ(16, info.bmHeight);
    EXPECT_EQ("&Refresh", ItemText(m_hTool, IDC_WATCH_REFRESH)) << "Alt+R still presses it";

    // The window's tool tip names the button.
    struct Found {
        HWND owner;
        HWND tip;
    } found = {m_hTool, nullptr};
    ::EnumThreadWindows(
        ::GetWindowThreadProcessId(m_hTool, nullptr),
        [](HWND window, LPARAM data) -> BOOL {
            auto* found = reinterpret_cast<Found*>(data);
            char name[64] = {};
            ::GetClassNameA(window, name, sizeof name);
            if (::lstrcmpiA(name, TOOLTIPS_CLASSA) == 0 && ::GetWindow(window, GW_OWNER) == found->owner)
                found->tip = window;
            return found->tip == nullptr;
        },
        reinterpret_cast<LPARAM>(&found));
    ASSERT_NE(nullptr, found.tip);
    char text[80] = {};
    TOOLINFOA tool = {};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = m_hTool;
    tool.uId = reinterpret_cast<UINT_PTR>(refresh);
    tool.lpszText = text;
    ::SendMessageA(found.tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    EXPECT_STREQ("&Refresh", text);
}

TEST_F(WatchTest, AsksForTheProjectFileBeforeItAnnouncesItself)
{
    // The handlers outlive this body (the window withdraws at tear-down).
    const auto asked = std::make_shared<std::vector<std::string>>();
    m_project.SetHandler(WM_WATCH_SET_WINDOW, [asked](WPARAM, LPARAM) {
        asked->push_back("announce");
        return LRESULT(0);
    });
    m_project.SetHandler(PWM_PROJECT_FILE_PATH, [asked](WPARAM, LPARAM path) {
        asked->push_back("project file");
        *reinterpret_cast<CString*>(path) = "C:\\Projects\\Line\\Line.prj";
        return LRESULT(1);
    });
    ASSERT_NE(nullptr, Open());
    ASSERT_LE(2u, asked->size());
    EXPECT_EQ("project file", (*asked)[0]);
    EXPECT_EQ("announce", (*asked)[1]);
    const auto* watch = static_cast<CWatchWindow*>(m_pTool);
    EXPECT_STREQ("C:\\Projects\\Line\\Line.prj", watch->GetProjectFile().GetFilePath().GetString());
}

TEST_F(WatchTest, RowsLimitMoveUpAndPinnedProcesses)
{
    ASSERT_NE(nullptr, Open());
    for (int i = 0; i < 13; ++i)
        Add(("VR(" + std::to_string(i) + ")").c_str(), "", -1, -1, i);
    EXPECT_EQ("VR(11)", Cell(11, kWatchName));
    EXPECT_EQ(0, CountCommand("?VR(12);")) << "a 13th add is ignored";

    Edit(2, kWatchName, "");
    EXPECT_EQ("VR(3)", Cell(2, kWatchName));
    EXPECT_EQ("VR(4)", Cell(3, kWatchName));
    EXPECT_EQ("", Cell(11, kWatchName));

    Add("speed", "MAIN", 1, -1, -1);
    for (const char* text : {"[3]", "3]"}) {
        Edit(11, kWatchProcess, text);
        EXPECT_EQ("[3]", Cell(11, kWatchProcess)) << text;
        Edit(11, kWatchProcess, "");
        EXPECT_EQ("", Cell(11, kWatchProcess));
    }
}

TEST_F(WatchTest, WithdrawsAtCloseAndClosesWithoutTheFeature)
{
    ASSERT_NE(nullptr, Open());
    Close();
    ASSERT_FALSE(m_announced.empty());
    EXPECT_EQ(0, m_announced.back());

    m_project.SetFeature(5, false);
    const HWND window = Open();
    if (window)
        PumpUntil([window] { return !::IsWindow(window); }, 5000);
    EXPECT_FALSE(window && ::IsWindow(window)) << "a controller without watch support";
}

} // namespace
