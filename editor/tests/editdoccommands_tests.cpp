// The document's commands: the clipboard, Undo and Redo with their wait
// indicators, the run state from the controller's records and reformat
// with its progress window.
#include "editor/editdoc.h"

#include <gtest/gtest.h>

#include <thread>

#include "foundation/clipboard.h"
#include "framework/app.h"
#include "link/programdata.h"
#include "recording_sink.h"
#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "ui/progress.h"
#include "ui/toolkit_resource.h"

namespace editor {
namespace {

// The frame as far as the document needs one: its window owns the
// clipboard and takes the progress window's Cancel (0x8112), which it
// hands to the document as the frame does.
class FrameWindow {
public:
    FrameWindow()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "EditDocTestFrame";
        RegisterClassA(&wc);
        m_hWnd = CreateWindowA("EditDocTestFrame", "Editor Frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr,
                               nullptr, wc.hInstance, nullptr);
    }
    ~FrameWindow() { DestroyWindow(m_hWnd); }
    void Attach(CEditRDoc* doc) { SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(doc)); }
    operator HWND() const { return m_hWnd; }

private:
    static LRESULT CALLBACK Proc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_GAUGE_CANCELLED) {
            if (auto* doc = reinterpret_cast<CEditRDoc*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA)))
                doc->CancelReformat();
            return 0;
        }
        return DefWindowProcA(hWnd, message, wParam, lParam);
    }
    HWND m_hWnd = nullptr;
};

// Records the wait indicators instead of showing them.
class WaitRecordingDoc : public CEditRDoc {
public:
    explicit WaitRecordingDoc(ILineCommandSink* sink) : CEditRDoc(nullptr, sink) {}
    std::vector<std::string> waits;

protected:
    std::unique_ptr<CWaiting> ShowWaitIndicator(const char* text) override
    {
        waits.push_back(text);
        return nullptr;
    }
};

class EditDocCommands : public RegistrySandboxTest {
protected:
    EditDocCommands()
    {
        m_doc.SetProgramName("MAIN");
        m_doc.SetFrame(m_frame, nullptr);
        m_doc.SetNameWarner(nullptr); // the warning has tests of its own
        m_doc.Buffer().Store().m_fileType = kFileTypeBasic;
        m_frame.Attach(&m_doc);
    }
    void Lines(std::initializer_list<const char*> texts)
    {
        for (const char* text : texts)
            m_doc.Buffer().InsertLine(m_doc.Buffer().GetLineCount(), text, false);
        m_sink.commands.clear();
    }
    std::vector<std::string> Texts()
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_doc.Buffer().GetLineCount(); ++i)
            out.push_back(m_doc.Buffer().GetLineText(i));
        return out;
    }
    void PutOnClipboard(const char* text) { ASSERT_TRUE(ClipboardAccess(m_frame).SetText(text)); }
    std::string ClipboardText()
    {
        CString text;
        return ClipboardAccess(m_frame).GetText(text) ? std::string(static_cast<LPCSTR>(text)) : "(none)";
    }
    void EmptyTheClipboard()
    {
        ASSERT_TRUE(OpenClipboard(m_frame));
        EmptyClipboard();
        CloseClipboard();
    }

    CWinApp m_app{"editor tests"};
    ScriptedPrompts m_prompts;
    FrameWindow m_frame;
    RecordingSink m_sink;
    WaitRecordingDoc m_doc{&m_sink};
};

TEST_F(EditDocCommands, PasteUndoRedoThroughTheClipboard)
{
    Lines({"xxyy"});
    PutOnClipboard("a\r\nb\nc");
    EXPECT_TRUE(m_doc.CanPaste());
    m_doc.Buffer().BeginUndoGroup();
    Caret caret;
    ASSERT_EQ(1, m_doc.Paste(2, 0, caret));
    EXPECT_EQ((Caret{1, 2}), caret);
    EXPECT_EQ((std::vector<std::string>{"48:0,xxa", "50:1,b", "50:2,c", "48:2,cyy"}), m_sink.commands);

    m_sink.commands.clear();
    ASSERT_EQ(1, m_doc.Undo(caret));
    EXPECT_EQ((std::vector<std::string>{"49:2,2", "49:1,1"}), m_sink.commands);
    EXPECT_EQ(std::vector<std::string>{"xxyy"}, Texts());
    EXPECT_TRUE(m_doc.Buffer().Line(0)->IsPending());

    // One record per Redo: the replace (pending, nothing sent), b, c, the tail.
    const std::vector<std::vector<std::string>> redone = {
        {"xxa"}, {"xxa", "b"}, {"xxa", "b", "c"}, {"xxa", "b", "cyy"}};
    for (const auto& texts : redone) {
        ASSERT_EQ(1, m_doc.Redo(caret));
        EXPECT_EQ(texts, Texts());
    }
    EXPECT_EQ(0, m_doc.Redo(caret));
    EXPECT_TRUE(m_doc.waits.empty());
}

TEST_F(EditDocCommands, CopyAndCut)
{
    Lines({"abc", "def", "ghi"});
    EXPECT_EQ(1, m_doc.Copy({1, 0, 2, 1}));
    EXPECT_EQ("bc\r\nde", ClipboardText());
    EXPECT_TRUE(m_sink.commands.empty());

    // An empty range leaves the clipboard as it was.
    EXPECT_EQ(0, m_doc.Copy({1, 1, 1, 1}));
    EXPECT_EQ(0, m_doc.Cut({1, 1, 1, 1}));
    EXPECT_EQ("bc\r\nde", ClipboardText());

    m_doc.Buffer().BeginUndoGroup();
    EXPECT_EQ(1, m_doc.Cut({1, 1, 1, 2}));
    EXPECT_EQ("ef\r\ng", ClipboardText());
    EXPECT_EQ((std::vector<std::string>{"abc", "dhi"}), Texts());
    Caret caret;
    m_doc.Undo(caret);
    EXPECT_EQ((std::vector<std::string>{"abc", "def", "ghi"}), Texts());
}

TEST_F(EditDocCommands, NothingToPasteOrAClipboardHeldElsewhere)
{
    Lines({"abc"});
    EmptyTheClipboard();
    EXPECT_FALSE(m_doc.CanPaste());
    Caret caret{3, 0};
    EXPECT_EQ(0, m_doc.Paste(1, 0, caret));
    EXPECT_EQ((Caret{3, 0}), caret);
    PutOnClipboard("");
    EXPECT_EQ(0, m_doc.Paste(1, 0, caret));
    PutOnClipboard("zz");
    EXPECT_EQ(0, m_doc.Paste(0, 2, caret)); // no line 2 to paste into
    EXPECT_EQ(0, m_doc.Paste(0, -1, caret));
    EXPECT_EQ((Caret{3, 0}), caret);
    EXPECT_EQ(std::vector<std::string>{"abc"}, Texts());

    // Another thread keeps the clipboard open: nothing is pasted, and a cut
    // whose text cannot reach the clipboard deletes nothing.
    PutOnClipboard("zz");
    HANDLE opened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread holder([&] {
        TestWindow owner("holder");
        const BOOL open = OpenClipboard(owner);
        SetEvent(opened);
        WaitForSingleObject(release, 10000);
        if (open)
            CloseClipboard();
    });
    WaitForSingleObject(opened, 10000);
    EXPECT_EQ(0, m_doc.Paste(1, 0, caret));
    EXPECT_EQ(0, m_doc.Cut({0, 0, 2, 0}));
    EXPECT_EQ(0, m_doc.Copy({0, 0, 2, 0}));
    SetEvent(release);
    holder.join();
    CloseHandle(opened);
    CloseHandle(release);
    EXPECT_EQ(std::vector<std::string>{"abc"}, Texts());
    EXPECT_TRUE(m_sink.commands.empty());
    EXPECT_EQ("zz", ClipboardText());
}

TEST_F(EditDocCommands, HugePasteIsUndoneWhole)
{
    Lines({"xxyy"});
    constexpr int kPieces = 20000;
    std::string text;
    for (int i = 0; i < kPieces; ++i)
        text += (i ? "\r\n" : "") + ("L" + std::to_string(i));
    PutOnClipboard(text.c_str());
    m_doc.Buffer().BeginUndoGroup();
    Caret caret;
    ASSERT_EQ(1, m_doc.Paste(2, 0, caret));
    EXPECT_EQ((Caret{6, kPieces - 1}), caret);
    ASSERT_EQ(kPieces, m_doc.Buffer().GetLineCount());
    EXPECT_EQ("xxL0", m_doc.Buffer().GetLineText(0));
    EXPECT_EQ("L19999yy", m_doc.Buffer().GetLineText(kPieces - 1));
    EXPECT_EQ(static_cast<size_t>(kPieces + 1), m_sink.commands.size());

    // One Undo takes the whole paste back, with the wait indicator.
    m_doc.Undo(caret);
    EXPECT_EQ(std::vector<std::string>{"Undoing..."}, m_doc.waits);
    EXPECT_EQ(std::vector<std::string>{"xxyy"}, Texts());
    EXPECT_FALSE(m_doc.Buffer().CanUndo());
}

TEST_F(EditDocCommands, AnActionTooLargeToKeepIsNotUndoneAtAll)
{
    Lines({"xxyy", "zz"});
    m_doc.Buffer().UndoList().SetMemoryLimit(40 * CUndoList::kRecordCost);
    m_doc.Buffer().BeginUndoGroup();
    m_doc.Buffer().ReplaceLine(1, "z", true, true);
    m_doc.Buffer().BeginUndoGroup();
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += "L" + std::to_string(i) + "\r\n";
    PutOnClipboard(text.c_str());
    Caret caret{9, 9};
    ASSERT_EQ(1, m_doc.Paste(0, 0, caret));
    const std::vector<std::string> after = Texts();

    // Refused and said so: neither a part of the paste nor the edit before
    // it is taken back.
    EXPECT_FALSE(m_doc.Buffer().CanUndo());
    EXPECT_EQ(0, m_doc.Undo(caret));
    EXPECT_EQ(after, Texts());
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Editor", m_prompts.Records()[0].caption);
    EXPECT_NE(std::string::npos, m_prompts.Records()[0].text.find("too large")) << m_prompts.Records()[0].text;

    // The next action is undoable again.
    m_doc.Buffer().BeginUndoGroup();
    m_doc.Buffer().ReplaceLine(0, "new", true, true);
    EXPECT_EQ(1, m_doc.Undo(caret));
    EXPECT_EQ(after, Texts());
}

TEST_F(EditDocCommands, UndoShowsItsWaitIndicatorFromTheFifthStep)
{
    const struct {
        int records;
        bool shown;
    } cases[] = {{1, false}, {4, false}, {5, true}, {9, true}};
    for (const auto& c : cases) {
        m_doc.waits.clear();
        m_doc.Buffer().BeginUndoGroup();
        for (int i = 0; i < c.records; ++i)
            m_doc.Buffer().InsertLine(0, "a=" + std::to_string(i), true);
        Caret caret;
        EXPECT_EQ(1, m_doc.Undo(caret));
        EXPECT_EQ(0, m_doc.Buffer().GetLineCount());
        EXPECT_EQ(c.shown ? std::vector<std::string>{"Undoing..."} : std::vector<std::string>{}, m_doc.waits)
            << c.records;
        EXPECT_EQ(1, m_doc.Redo(caret));
        EXPECT_EQ(1, m_doc.Buffer().GetLineCount());
        while (m_doc.Redo(caret)) {
        }
        EXPECT_EQ(c.records, m_doc.Buffer().GetLineCount());
        m_doc.Undo(caret);
    }

    // The real indicator starts on its own thread and goes with the command.
    CEditRDoc plain(nullptr, &m_sink);
    plain.SetFrame(m_frame, nullptr);
    plain.Buffer().BeginUndoGroup();
    for (int i = 0; i < 6; ++i)
        plain.Buffer().InsertLine(0, "b=" + std::to_string(i), true);
    Caret caret;
    EXPECT_EQ(1, plain.Undo(caret));
    EXPECT_EQ(0, plain.Buffer().GetLineCount());
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA(nullptr, "Undoing..."); }));
}

TEST_F(EditDocCommands, RunStateFromTheControllersRecords)
{
    Lines({"PRINT 0", "PRINT 1", "PRINT 2"});
    CProgramData program;
    program.m_strName = "main";
    program.m_nCodeSize = 12;
    program.m_nEditable = 1;
    EXPECT_TRUE(m_doc.SetProgramState(program));
    EXPECT_EQ(1, m_doc.Buffer().m_compileState);
    EXPECT_TRUE(m_doc.IsLineEditable());
    program.m_nCodeSize = 0;
    EXPECT_FALSE(m_doc.SetProgramState(program));
    EXPECT_EQ(2, m_doc.Buffer().m_compileState);

    CProcessData process;
    process.m_strProgram = "MAIN";
    process.m_nProcess = 2;
    process.m_nState = kProcessAtLine;
    process.m_nLine = 7; // the program is shorter now
    EXPECT_TRUE(m_doc.SetProcessStatus(process));
    EXPECT_EQ(-1, m_doc.Buffer().m_currentLine);
    EXPECT_EQ(kEditStateReadOnly, m_doc.RunState().GetEditState());
    process.m_nLine = 1;
    EXPECT_TRUE(m_doc.SetProcessStatus(process));
    EXPECT_EQ(1, m_doc.Buffer().m_currentLine);

    // Editing while programs run: the controller's feature, the setting,
    // and the program's own word.
    m_doc.m_featureEditWhileRunning = true;
    EXPECT_EQ(kEditStateReadOnly, m_doc.UpdateEditState(false));
    CVQRegistry().SetAllowProgramOperationsWhenRuning(1);
    m_doc.SetProgramState(program);
    EXPECT_TRUE(m_doc.IsLineEditable());
    m_doc.SetReadOnlyRequest(true);
    EXPECT_FALSE(m_doc.IsLineEditable());
    m_doc.SetReadOnlyRequest(false);
    m_doc.SetRunning(false);
    m_doc.RunState().SetStartupRequest(1, -3);
    EXPECT_EQ(-1, m_doc.RunState().GetStartupProcess());
    EXPECT_TRUE(m_doc.IsLineEditable());
}

TEST_F(EditDocCommands, ReformatWithItsProgressWindow)
{
    CVQRegistry().SetTabIndent(2);
    const std::string full = "PRINT " + std::string(74, '1'); // 80 characters
    Lines({"IF a THEN", "PRINT a", full.c_str(), "ENDIF"});
    m_doc.SetRunning(true);
    EXPECT_EQ(0, m_doc.Reformat()); // read-only
    EXPECT_TRUE(m_sink.commands.empty());

    m_doc.SetRunning(false);
    m_doc.Buffer().BeginUndoGroup();
    ASSERT_EQ(1, m_doc.Reformat());
    EXPECT_EQ((std::vector<std::string>{"IF a THEN", "  PRINT a", full, "ENDIF"}), Texts());
    EXPECT_EQ((std::vector<std::string>{"48:1,  PRINT a"}), m_sink.commands);
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("1 lines left unformatted to avoid truncation.", m_prompts.Records()[0].text);
    EXPECT_EQ("Editor", m_prompts.Records()[0].caption);
    EXPECT_TRUE(PumpUntil([] { return !FindWindowA(nullptr, "Reformatting"); }));
    Caret caret;
    m_doc.Undo(caret);
    EXPECT_EQ("PRINT a", m_doc.Buffer().GetLineText(1));
}

TEST_F(EditDocCommands, CancelOnTheProgressWindowStopsTheReformat)
{
    constexpr int kLines = 200;
    for (int i = 0; i < kLines; ++i)
        m_doc.Buffer().InsertLine(i, "  PRINT " + std::to_string(i), false);
    m_sink.commands.clear();
    m_doc.SetRunning(false);
    // The user presses Cancel while the third line goes out and confirms.
    bool clicked = false;
    m_sink.onCommand = [&](size_t count) {
        if (count != 3)
            return;
        HWND gauge = FindWindowA(nullptr, "Reformatting");
        ASSERT_NE(nullptr, gauge);
        SendMessageA(gauge, WM_COMMAND, MAKEWPARAM(IDC_GAUGE_CANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(gauge, IDC_GAUGE_CANCEL)));
        clicked = true;
    };
    ASSERT_EQ(1, m_doc.Reformat());
    ASSERT_TRUE(clicked);
    const size_t changed = m_sink.commands.size();
    EXPECT_GE(changed, 3u);
    EXPECT_LT(changed, 10u);
    for (int i = 0; i < kLines; ++i)
        EXPECT_EQ((i < static_cast<int>(changed) ? "PRINT " : "  PRINT ") + std::to_string(i),
                  m_doc.Buffer().GetLineText(i));
}

TEST_F(EditDocCommands, LabelListAndVariableTable)
{
    Lines({"start: speed=1", "  loop: count=count+1", "GOTO loop"});
    CTList<CEditLabelDef> labels;
    const CEditLabelDef stale("old", 9);
    labels.AddTail(&stale);
    m_doc.BuildLabelList(labels);
    std::vector<std::string> found;
    for (CEditLabelDef* label = labels.GetHead(); label; label = labels.GetNext(label))
        found.push_back(label->m_name + ":" + std::to_string(label->m_line));
    EXPECT_EQ((std::vector<std::string>{"start:0", "loop:1"}), found);

    m_doc.Buffer().Store().GatherNames(DiskProgramFiles());
    VariableTable table;
    table["speed"] = CVariableData("speed", "OTHER");
    EXPECT_EQ(2, m_doc.BuildVariableTable(table));
    EXPECT_EQ("OTHER", table["speed"].m_program);
    ASSERT_EQ(1u, table.count("count"));
    EXPECT_EQ("MAIN", table["count"].m_program);
}

} // namespace
} // namespace editor
