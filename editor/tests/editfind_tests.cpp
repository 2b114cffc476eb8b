// Find, replace and go to over a document through a view that only keeps
// its selection, with the wrap notice on the virtual clock and the answers
// of message boxes scripted.
#include "editor/editfind.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "editor/editdoc.h"
#include "editor/editsearch.h"
#include "framework/app.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "recording_sink.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace editor {
namespace {

class SelectionView : public IEditSearchView {
public:
    explicit SelectionView(CEditRDoc& doc) : m_doc(doc) {}
    CEditRDoc& GetSearchDocument() override { return m_doc; }
    EditSelection GetSearchSelection() override { return m_selection; }
    void SetSearchSelection(const EditSelection& selection) override { m_selection = selection; }
    BOOL GoToPosition(int column, int line, BOOL centre) override
    {
        m_goto.push_back({column, line});
        m_centred = centre != FALSE;
        return TRUE;
    }
    void Select(int line, int from, int to, bool caretAtStart = true)
    {
        m_selection.range = CEditRange{from, line, to, line};
        m_selection.caret = Caret{caretAtStart ? from : to, line};
    }
    void Caret_(int column, int line)
    {
        m_selection.caret = Caret{column, line};
        m_selection.range = CEditRange{column, line, column, line};
    }
    CEditRange Range() const { return m_selection.range; }

    CEditRDoc& m_doc;
    EditSelection m_selection;
    std::vector<Caret> m_goto;
    bool m_centred = false;
};

// The notice that stands while the clock sleeps.
HWND VisibleNoticeWindow()
{
    HWND found = nullptr;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hWnd, LPARAM out) -> BOOL {
            if (IsWindowVisible(hWnd) && GetDlgItem(hWnd, 1194))
                *reinterpret_cast<HWND*>(out) = hWnd;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string VisibleNotice()
{
    const HWND notice = VisibleNoticeWindow();
    return notice ? WindowText(GetDlgItem(notice, 1194)) : std::string();
}

class EditFind : public RegistrySandboxTest {
protected:
    EditFind()
    {
        m_doc.SetProgramName("DEMO");
        m_doc.Buffer().Store().m_fileType = kFileTypeBasic;
        m_clock.SetSleepHook([this](std::uint64_t) {
            const std::string notice = VisibleNotice();
            if (!notice.empty() && (m_notices.empty() || m_notices.back() != notice)) {
                m_notices.push_back(notice);
                GetWindowRect(VisibleNoticeWindow(), &m_noticeRect);
            }
        });
    }
    void Lines(std::initializer_list<const char*> texts)
    {
        int index = 0;
        for (const char* text : texts)
            m_doc.Buffer().InsertLine(index++, text, false);
        m_sink.commands.clear();
    }
    std::vector<std::string> Texts()
    {
        std::vector<std::string> out;
        for (int i = 0; i < m_doc.Buffer().GetLineCount(); ++i)
            out.push_back(m_doc.Buffer().GetLineText(i));
        return out;
    }

    CWinApp m_app{"editor tests"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    RecordingSink m_sink;
    CEditRDoc m_doc{nullptr, &m_sink};
    SelectionView m_view{m_doc};
    std::vector<std::string> m_notices;
    RECT m_noticeRect{};
};

TEST_F(EditFind, FromASelectedMatchTheNextOneIsFound)
{
    Lines({"a=1", "b=a+a"});
    m_view.Select(0, 0, 1); // the "a" found before, caret at its start
    ASSERT_TRUE(SearchFromCaret(m_view, "a", false, false, true, POINT{}));
    EXPECT_EQ(1, m_view.Range().startLine);
    EXPECT_EQ(2, m_view.Range().startColumn);
    EXPECT_EQ(3, m_view.Range().endColumn);
    EXPECT_EQ((Caret{2, 1}), m_view.m_selection.caret);
    ASSERT_TRUE(SearchFromCaret(m_view, "a", false, false, true, POINT{}));
    EXPECT_EQ(4, m_view.Range().startColumn);
    // Upwards from there: the one before.
    ASSERT_TRUE(SearchFromCaret(m_view, "A", false, true, true, POINT{}));
    EXPECT_EQ((Caret{2, 1}), m_view.m_selection.caret);
    EXPECT_FALSE(SearchFromCaret(m_view, "A", true, true, false, POINT{})); // Match case
    EXPECT_TRUE(m_notices.empty());
    EXPECT_EQ(0u, m_clock.SleptMs());
}

TEST_F(EditFind, PassingTheEndShowsTheNoticeForTwoSecondsAndGoesOnFromTheStart)
{
    Lines({"x=1", "y=2", "z=3"});
    m_view.Caret_(0, 2);
    ASSERT_TRUE(FindNextOrTell(m_view, "x", false, false, POINT{100, 100}, nullptr));
    EXPECT_EQ((Caret{0, 0}), m_view.m_selection.caret);
    EXPECT_EQ((std::vector<std::string>{"End of file found, continuing from start"}), m_notices);
    EXPECT_EQ(100, m_noticeRect.left);
    EXPECT_EQ(100, m_noticeRect.top);
    EXPECT_EQ(2000u, m_clock.SleptMs());
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_TRUE(VisibleNotice().empty()); // hidden again

    m_view.Caret_(0, 0);
    ASSERT_TRUE(FindNextOrTell(m_view, "z", false, true, POINT{100, 100}, nullptr));
    EXPECT_EQ("Start of file found, continuing from end", m_notices.back());

    // Without wrap the search ends at the end.
    m_view.Caret_(0, 2);
    EXPECT_FALSE(SearchFromCaret(m_view, "x", false, false, false, POINT{}));
}

TEST_F(EditFind, AWrappedSearchAlsoLooksAtTheStartLineBeforeTheCaret)
{
    Lines({"ab ab"});
    m_view.Caret_(2, 0);
    ASSERT_TRUE(SearchFromCaret(m_view, "ab", false, false, true, POINT{}));
    EXPECT_EQ((Caret{3, 0}), m_view.m_selection.caret);
    ASSERT_TRUE(SearchFromCaret(m_view, "ab", false, false, true, POINT{}));
    EXPECT_EQ((Caret{0, 0}), m_view.m_selection.caret);
}

TEST_F(EditFind, TextThatIsNowhereIsReportedUnderSearch)
{
    Lines({"a=1"});
    m_view.Caret_(0, 0);
    EXPECT_FALSE(FindNextOrTell(m_view, "zz", false, false, POINT{}, nullptr));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Search", records[0].caption);
    EXPECT_EQ("'zz' not found", records[0].text);
    EXPECT_EQ((Caret{0, 0}), m_view.m_selection.caret);
}

TEST_F(EditFind, ReplaceAllCountsAndStopsWhenTheReplacementHoldsTheFindText)
{
    Lines({"a=a+1", "PRINT a", "b=2"});
    const int count = ReplaceAll(m_view, "a", "aa", true);
    EXPECT_EQ(3, count);
    EXPECT_EQ((std::vector<std::string>{"aa=aa+1", "PRINT aa", "b=2"}), Texts());
    EXPECT_EQ((std::vector<std::string>{"48:0,aa=aa+1", "48:1,PRINT aa"}), m_sink.commands);
    EXPECT_EQ((Caret{8, 1}), m_view.m_selection.caret);
    // One Undo takes back every replacement.
    Caret caret;
    m_doc.Buffer().UndoCommand(caret);
    EXPECT_EQ((std::vector<std::string>{"a=a+1", "PRINT a", "b=2"}), Texts());

    m_sink.commands.clear();
    EXPECT_EQ(0, ReplaceAll(m_view, "zz", "q", false));
    EXPECT_TRUE(m_sink.commands.empty());
}

TEST_F(EditFind, ReplaceTakesTheSelectionAsOneUndoGroupAndMovesByDirection)
{
    Lines({"PRINT a"});
    m_view.Select(0, 6, 7);
    ASSERT_TRUE(SelectionMatches(m_view, "A", false));
    EXPECT_FALSE(SelectionMatches(m_view, "A", true));
    ASSERT_TRUE(ReplaceSelection(m_view, "abc", false));
    EXPECT_EQ("PRINT abc", m_doc.Buffer().GetLineText(0));
    EXPECT_EQ((Caret{9, 0}), m_view.m_selection.caret);
    EXPECT_EQ((std::vector<std::string>{"48:0,PRINT abc"}), m_sink.commands);
    m_view.Select(0, 6, 9);
    ASSERT_TRUE(ReplaceSelection(m_view, "x", true));
    EXPECT_EQ((Caret{6, 0}), m_view.m_selection.caret);
}

// The Replace button, pressed again and again: replace a selected match,
// else select the next one. Upwards with a replacement that begins with
// the find text, it goes on to the occurrence above instead of replacing
// inside its own replacement.
TEST_F(EditFind, ReplaceUpMovesOnToTheOccurrenceAbove)
{
    const struct {
        const char* replacement;
        std::vector<std::string> texts; // after four presses
    } cases[] = {
        {"aa", {"x=aa", "PRINT aa"}},
        {"ab", {"x=ab", "PRINT ab"}},
        {"ba", {"x=ba", "PRINT ba"}},
    };
    for (const auto& c : cases) {
        while (m_doc.Buffer().GetLineCount() > 0)
            m_doc.Buffer().DeleteLine(0, false);
        Lines({"x=a", "PRINT a"});
        m_view.Caret_(7, 1);
        for (int press = 0; press < 4; ++press) {
            if (SelectionMatches(m_view, "a", true))
                ReplaceSelection(m_view, c.replacement, true);
            else
                ASSERT_TRUE(SearchFromCaret(m_view, "a", true, true, false, POINT{})) << c.replacement << press;
        }
        EXPECT_EQ(c.texts, Texts()) << c.replacement;
        EXPECT_EQ((Caret{2, 0}), m_view.m_selection.caret) << c.replacement;
    }
}

TEST_F(EditFind, ASearchAskedForWhileOneRunsFailsAtOnce)
{
    Lines({"x=1", "y=2"});
    Caret found;
    bool inner = true;
    m_clock.SetSleepHook([&](std::uint64_t) {
        Caret again;
        inner = m_doc.Find("y", 0, 0, again, false, false, true, POINT{}) != 0;
    });
    ASSERT_TRUE(m_doc.Find("x", 0, 1, found, false, false, true, POINT{}));
    EXPECT_FALSE(inner);
    EXPECT_TRUE(m_doc.Find("y", 0, 0, found, false, false, true, POINT{}));
}

TEST_F(EditFind, EmptyProgramsEmptyTextsAndTextsLongerThanEveryLineFindNothing)
{
    Caret found{7, 7};
    EXPECT_FALSE(m_doc.Find("a", 0, 0, found, false, false, true, POINT{})); // no lines
    Lines({"ab", "c"});
    EXPECT_FALSE(m_doc.Find("", 0, 0, found, false, false, true, POINT{}));
    EXPECT_FALSE(m_doc.Find("abc", 0, 0, found, false, false, true, POINT{}));
    // Positions outside the program start from its nearest line.
    EXPECT_TRUE(m_doc.Find("c", 99, 99, found, false, true, false, POINT{}));
    EXPECT_EQ((Caret{0, 1}), found);
    EXPECT_TRUE(m_doc.Find("ab", -5, -5, found, false, false, false, POINT{}));
    EXPECT_EQ((Caret{0, 0}), found);
    EXPECT_EQ(1u, m_notices.size()); // "abc" wrapped once, then gave up on its start line
}

TEST_F(EditFind, GotoMovesToAnExistingLineOnly)
{
    Lines({"start:", "GOTO start", "loop:"});
    EXPECT_TRUE(GotoLine(m_view, 2));
    EXPECT_FALSE(GotoLine(m_view, 3));
    EXPECT_FALSE(GotoLine(m_view, -1));
    ASSERT_EQ(1u, m_view.m_goto.size());
    EXPECT_EQ((Caret{0, 2}), m_view.m_goto[0]);
    EXPECT_TRUE(m_view.m_centred);
}

// The dialogs, made modeless so the test can type and press buttons.
class EditFindDialogs : public EditFind {
protected:
    static void Type(HWND hDlg, int id, const char* text)
    {
        SetWindowTextA(GetDlgItem(hDlg, id), text);
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
    }
    static void Click(HWND hDlg, int id)
    {
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(hDlg, id)));
    }
    static bool Enabled(HWND hDlg, int id) { return IsWindowEnabled(GetDlgItem(hDlg, id)) != FALSE; }
    static std::vector<std::string> ComboItems(HWND hDlg, int id)
    {
        std::vector<std::string> items;
        const HWND combo = GetDlgItem(hDlg, id);
        const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        return items;
    }
    static std::string Stored(int slot)
    {
        CStringList list;
        CVQRegistry().GetFindHistory(list);
        POSITION pos = list.FindIndex(slot);
        return pos ? std::string(static_cast<LPCSTR>(list.GetAt(pos))) : std::string();
    }
};

TEST_F(EditFindDialogs, FindStartsFromTheSelectionAndKeepsSixteenTexts)
{
    Lines({"alpha=1"});
    {
        CStringList stored;
        for (int i = 0; i < 16; ++i)
            stored.AddTail(CString("t") + std::to_string(i).c_str());
        CVQRegistry().SetFindHistory(stored);
    }
    m_view.Select(0, 0, 5);
    CEditorFind dialog(m_view);
    ASSERT_TRUE(dialog.Create(kIddEditorFind));
    const HWND hDlg = dialog.m_hWnd;
    EXPECT_EQ("alpha", WindowText(GetDlgItem(hDlg, kIdcFindText)));
    std::vector<std::string> items = ComboItems(hDlg, kIdcFindText);
    ASSERT_EQ(16u, items.size()); // the selection on top pushed t15 out
    EXPECT_EQ("alpha", items[0]);
    EXPECT_EQ("t14", items[15]);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(hDlg, kIdcDown));
    EXPECT_TRUE(Enabled(hDlg, kIdcFindNext));

    Type(hDlg, kIdcFindText, "");
    EXPECT_FALSE(Enabled(hDlg, kIdcFindNext));
    EXPECT_EQ(IDCANCEL, LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0)));
    Type(hDlg, kIdcFindText, "t3");
    EXPECT_TRUE(Enabled(hDlg, kIdcFindNext));
    EXPECT_EQ(kIdcFindNext, LOWORD(SendMessageA(hDlg, DM_GETDEFID, 0, 0)));
    Click(hDlg, kIdcFindNext); // not in the program
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("'t3' not found", m_prompts.Records()[0].text);
    items = ComboItems(hDlg, kIdcFindText);
    EXPECT_EQ("t3", items[0]);
    EXPECT_EQ(16u, items.size());

    Click(hDlg, IDCANCEL);
    EXPECT_EQ("t3", Stored(0));
    EXPECT_EQ("alpha", Stored(1));
    EXPECT_EQ("t14", Stored(15));
    EXPECT_EQ("t3", dialog.m_findText);
    EXPECT_FALSE(dialog.m_bUp);
    dialog.DestroyWindow();
}

TEST_F(EditFindDialogs, TheSeventeenthTextDropsTheOldest)
{
    std::vector<std::string> history;
    for (int i = 0; i < 17; ++i)
        PushHistory(history, "f" + std::to_string(i));
    ASSERT_EQ(16u, history.size());
    EXPECT_EQ("f16", history.front());
    EXPECT_EQ("f1", history.back());
    PushHistory(history, "f5"); // a text already there moves to the top
    EXPECT_EQ(16u, history.size());
    EXPECT_EQ("f5", history.front());
    EXPECT_EQ("f1", history.back());
}

TEST_F(EditFindDialogs, ReplaceIsEnabledOnlyOnAMatchAndReplaceAllReports)
{
    Lines({"a=a", "b=1"});
    m_view.Select(0, 0, 1);
    CEditorFindReplace dialog(m_view);
    ASSERT_TRUE(dialog.Create(kIddEditorFindReplace));
    const HWND hDlg = dialog.m_hWnd;
    EXPECT_EQ("a", WindowText(GetDlgItem(hDlg, kIdcFindText)));
    EXPECT_TRUE(Enabled(hDlg, kIdcReplace));
    Type(hDlg, kIdcFindText, "b");
    EXPECT_FALSE(Enabled(hDlg, kIdcReplace));
    EXPECT_TRUE(Enabled(hDlg, kIdcReplaceAll));
    Click(hDlg, kIdcReplace); // no match selected: finds the next
    EXPECT_EQ((Caret{0, 1}), m_view.m_selection.caret);
    EXPECT_EQ("b=1", m_doc.Buffer().GetLineText(1));

    Type(hDlg, kIdcFindText, "a");
    SetWindowTextA(GetDlgItem(hDlg, kIdcReplaceText), "ab");
    Click(hDlg, kIdcReplaceAll);
    EXPECT_EQ("ab=ab", m_doc.Buffer().GetLineText(0));
    Type(hDlg, kIdcFindText, "q");
    Click(hDlg, kIdcReplaceAll);
    const auto records = m_prompts.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Editor - replace", records[0].caption);
    EXPECT_EQ("2 occurrences replaced", records[0].text);
    EXPECT_EQ("0 occurrences replaced", records[1].text);
    Click(hDlg, IDCANCEL);
    CStringList replaced;
    CVQRegistry().GetReplaceHistory(replaced);
    ASSERT_EQ(1, replaced.GetCount());
    EXPECT_STREQ("ab", replaced.GetHead());
    dialog.DestroyWindow();
}

TEST_F(EditFindDialogs, GotoTakesALabelsLineOrATypedOne)
{
    CEditorGoto dialog({{"start", 0}, {"loop", 7}, {"end", 3}});
    ASSERT_TRUE(dialog.Create(kIddEditorGoto));
    const HWND hDlg = dialog.m_hWnd;
    EXPECT_FALSE(Enabled(hDlg, IDOK));
    ASSERT_EQ(3u, dialog.m_labels.size());
    EXPECT_EQ("end", dialog.m_labels[1].name); // by line
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = GetDlgItem(hDlg, kIdcGotoLabels);
    click.hdr.idFrom = kIdcGotoLabels;
    click.hdr.code = NM_CLICK;
    click.iItem = 2;
    SendMessageA(hDlg, WM_NOTIFY, kIdcGotoLabels, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ("loop", WindowText(GetDlgItem(hDlg, kIdcGotoLabel)));
    EXPECT_EQ("7", WindowText(GetDlgItem(hDlg, kIdcGotoLine)));
    EXPECT_TRUE(Enabled(hDlg, IDOK));
    EXPECT_EQ(7, dialog.m_nLine);

    SetWindowTextA(GetDlgItem(hDlg, kIdcGotoLabel), "line 12 ");
    EXPECT_EQ("12", WindowText(GetDlgItem(hDlg, kIdcGotoLine)));
    EXPECT_EQ(12, dialog.m_nLine);
    SetWindowTextA(GetDlgItem(hDlg, kIdcGotoLabel), "loop");
    EXPECT_EQ("", WindowText(GetDlgItem(hDlg, kIdcGotoLine)));
    EXPECT_EQ(-1, dialog.m_nLine);
    EXPECT_FALSE(Enabled(hDlg, IDOK));

    // A number past the largest line number names no line.
    SetWindowTextA(GetDlgItem(hDlg, kIdcGotoLine), "99999999999");
    EXPECT_EQ(-1, dialog.m_nLine);
    SetWindowTextA(GetDlgItem(hDlg, kIdcGotoLine), "2147483647");
    EXPECT_EQ(2147483647, dialog.m_nLine);

    dialog.SortBy(0);
    EXPECT_EQ("end", dialog.m_labels[0].name);
    EXPECT_EQ("start", dialog.m_labels[2].name);
    dialog.DestroyWindow();
}

} // namespace
} // namespace editor
