// The document draws its lines into a memory device context; the pixels
// are read back per character cell.
#include "editor/editdoc.h"

#include <gtest/gtest.h>

#include "framework/app.h"
#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"

namespace editor {
namespace {

constexpr COLORREF kKeyWord = 0x000080;
constexpr COLORREF kComment = 0x008000;
constexpr COLORREF kMargin = 0x000080;

class EditDraw : public RegistrySandboxTest {
protected:
    EditDraw()
    {
        m_screen = ::GetDC(nullptr);
        m_dc.Attach(::CreateCompatibleDC(m_screen));
        m_bitmap = ::CreateCompatibleBitmap(m_screen, kWidth, kHeight);
        m_old = ::SelectObject(m_dc, m_bitmap);
        m_doc.SetProgramName("DEMO");
        m_doc.Buffer().Store().m_fileType = kFileTypeBasic;
    }
    ~EditDraw() override
    {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc.Detach());
        ::ReleaseDC(nullptr, m_screen);
    }
    // Lines as read from a file: sent, so not pending.
    void Lines(std::initializer_list<const char*> texts)
    {
        int index = 0;
        for (const char* text : texts)
            m_doc.Buffer().InsertLine(index++, text, false);
    }
    void Draw(int firstColumn = 0, CEditRange selection = {}, int highlight = -1)
    {
        m_doc.DrawLines(&m_dc, CRect(0, 0, kWidth, kHeight), firstColumn, 0, selection, highlight);
        CFont* old = m_dc.SelectObject(&Font());
        m_cell = MeasureEditCell(m_dc);
        m_dc.SelectObject(old);
    }
    CFont& Font()
    {
        if (!m_font.m_hObject)
            m_font.CreateFontIndirect(&m_doc.Display().screenFont);
        return m_font;
    }
    // How many pixels of colour the cells [fromColumn, toColumn) of row hold.
    int Count(int row, int fromColumn, int toColumn, COLORREF colour)
    {
        int count = 0;
        for (int y = row * m_cell.height; y < (row + 1) * m_cell.height; ++y)
            for (int x = fromColumn * m_cell.width; x < toColumn * m_cell.width && x < kWidth; ++x)
                count += m_dc.GetPixel(x, y) == colour;
        return count;
    }
    COLORREF Colour(int slot) { return m_doc.Display().colours[slot]; }

    static constexpr int kWidth = 1000;
    static constexpr int kHeight = 200;
    CWinApp m_app{"editor tests"};
    CEditRDoc m_doc{nullptr};
    HDC m_screen;
    CDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    CFont m_font;
    EditCharCell m_cell;
};

TEST_F(EditDraw, KeywordsAndCommentsTakeTheirColoursAndAPendingLineTheForeground)
{
    Lines({"PRINT 1 'note", "PRINT 2"});
    m_doc.Buffer().InsertChar(7, 1, 'x', false); // typed, not yet sent
    ASSERT_TRUE(m_doc.Buffer().Line(1)->IsPending());
    Draw();
    EXPECT_GT(Count(0, 0, 5, kKeyWord), 0);
    EXPECT_EQ(0, Count(0, 0, 5, kComment));
    EXPECT_GT(Count(0, 8, 13, kComment), 0);
    EXPECT_EQ(0, Count(0, 8, 13, kKeyWord));
    EXPECT_EQ(0, Count(1, 0, 5, kKeyWord));
    EXPECT_GT(Count(1, 0, 5, Colour(kColourForeground)), 0);
    // Nothing drawn beyond the text but the background.
    EXPECT_EQ(0, Count(0, 14, 60, Colour(kColourForeground)));
}

TEST_F(EditDraw, TheMarginStandsAtColumn80UntilScrolledPastIt)
{
    Lines({"a=1"});
    for (const auto& c : std::initializer_list<std::pair<int, bool>>{{0, true}, {10, true}, {80, true}, {81, false}}) {
        Draw(c.first);
        const int x = (80 - c.first) * m_cell.width;
        int margin = 0;
        for (int y = 0; y < kHeight; ++y)
            margin += m_dc.GetPixel(x, y) == kMargin;
        if (c.second) {
            EXPECT_EQ(kHeight, margin) << "scrolled to " << c.first;
        } else {
            int anywhere = 0;
            for (int y = 0; y < kHeight; ++y)
                for (int px = 0; px < kWidth; ++px)
                    anywhere += m_dc.GetPixel(px, y) == kMargin;
            EXPECT_EQ(0, anywhere) << "scrolled to " << c.first;
        }
    }
}

TEST_F(EditDraw, LineKindsFillTheirRowAndDrawForegroundText)
{
    Lines({"  TRON", "a=1", "b=2", "c=3", "d=4", "e=5", "PRINT 6"});
    m_doc.m_featureBreakpoints = true;
    m_doc.Buffer().Store().m_lines[2].SetBreakpoint(true);     // inline breakpoint: Break
    m_doc.Buffer().Store().m_lines[3].SetBreakpoint(true);     // and the current line: CurrentBreak
    m_doc.Buffer().m_currentLine = 3;
    m_doc.Buffer().m_markedLine = 4;                           // ErrorLine
    Draw(0, {}, 6);                                            // the highlight line draws as a normal line
    const struct {
        int row;
        int slot;
    } filled[] = {{0, kColourBreak}, {2, kColourBreak}, {3, kColourCurrentBreak}, {4, kColourErrorLine}};
    const int across = 40;
    for (const auto& c : filled) {
        EXPECT_GT(Count(c.row, 0, across, Colour(c.slot)), across * m_cell.width * m_cell.height / 2) << c.row;
        EXPECT_GT(Count(c.row, 0, 6, Colour(kColourForeground)), 0) << c.row;
    }
    EXPECT_EQ(0, Count(1, 0, across, Colour(kColourBreak)));
    EXPECT_EQ(0, Count(6, 0, across, Colour(kColourCurrentLine)));
    EXPECT_GT(Count(6, 0, 5, kKeyWord), 0);

    // Only the current line: CurrentLine. Without inline breakpoints a
    // marked line is no break line.
    m_doc.Buffer().m_currentLine = 1;
    m_doc.m_featureBreakpoints = false;
    Draw();
    EXPECT_GT(Count(1, 0, across, Colour(kColourCurrentLine)), across * m_cell.width * m_cell.height / 2);
    EXPECT_EQ(0, Count(2, 0, across, Colour(kColourBreak)));
}

TEST_F(EditDraw, TheSelectionIsForegroundWithItsTextInTheBackgroundColour)
{
    Lines({"abc def", "ghi", "jkl mno"});
    Draw(0, CEditRange{4, 0, 3, 2});
    const int cellArea = m_cell.width * m_cell.height;
    EXPECT_LT(Count(0, 0, 3, Colour(kColourForeground)), cellArea); // before the start: text only
    EXPECT_GT(Count(0, 4, 7, Colour(kColourForeground)), 3 * cellArea / 2);
    EXPECT_GT(Count(0, 4, 7, Colour(kColourBackground)), 0);             // the selected text
    EXPECT_GT(Count(1, 20, 40, Colour(kColourForeground)), 19 * cellArea); // a whole middle row
    EXPECT_GT(Count(2, 0, 3, Colour(kColourForeground)), 3 * cellArea / 2);
    EXPECT_LT(Count(2, 5, 40, Colour(kColourForeground)), 3 * cellArea);   // after the end: text only
}

TEST_F(EditDraw, NothingStoredMeansCourierNewOnTheWindowColoursAndNewSettingsAreReadAgain)
{
    const EditDisplaySettings& display = m_doc.Display();
    EXPECT_STREQ("Courier New", display.screenFont.lfFaceName);
    HDC screen = ::GetDC(nullptr);
    EXPECT_EQ(MulDiv(12, ::GetDeviceCaps(screen, LOGPIXELSY), 72), display.screenFont.lfHeight);
    ::ReleaseDC(nullptr, screen);
    EXPECT_EQ(10, display.printerFont.lfHeight); // points until printing
    EXPECT_EQ(::GetSysColor(COLOR_WINDOW), display.colours[kColourBackground]);
    EXPECT_EQ(::GetSysColor(COLOR_WINDOWTEXT), display.colours[kColourForeground]);
    EXPECT_EQ(kKeyWord, display.colours[kColourKeyWord]);
    EXPECT_EQ(kComment, display.colours[kColourComment]);
    EXPECT_EQ(4, display.tabIndent);

    // Stored by registry index, held by slot.
    CVQRegistry settings;
    settings.SetEditorColour(4, RGB(10, 20, 30)); // KeyWord
    settings.SetEditorColour(0, RGB(40, 50, 60)); // CurrentLine
    settings.SetTabIndent(6);
    EXPECT_EQ(kKeyWord, m_doc.Display().colours[kColourKeyWord]); // until told
    m_doc.ReadDisplaySettings();
    EXPECT_EQ(RGB(10, 20, 30), m_doc.Display().colours[kColourKeyWord]);
    EXPECT_EQ(RGB(40, 50, 60), m_doc.Display().colours[kColourCurrentLine]);
    EXPECT_EQ(6, m_doc.Display().tabIndent);
    Lines({"PRINT 1"});
    Draw();
    EXPECT_GT(Count(0, 0, 5, RGB(10, 20, 30)), 0);
}

TEST_F(EditDraw, ScrolledPastTheLastLineOnlyTheBackgroundAndTheSelectionShow)
{
    Lines({"PRINT 1", "PRINT 2"});
    Draw(); // measures the cell
    m_doc.DrawLines(&m_dc, CRect(0, 0, kWidth, kHeight), 0, 5, CEditRange{0, 0, 3, 9}, 7);
    EXPECT_EQ(0, Count(0, 0, 70, kKeyWord));
    EXPECT_GT(Count(0, 0, 70, Colour(kColourForeground)), 0); // lines 5..9 lie in the selection
    EXPECT_EQ(0, Count(5, 0, 70, Colour(kColourForeground)));  // line 10 does not
    // A negative first line counts as 0.
    m_doc.DrawLines(&m_dc, CRect(0, 0, kWidth, kHeight), 0, -3, CEditRange{}, -1);
    EXPECT_GT(Count(0, 0, 5, kKeyWord), 0);
    // An empty rectangle or no device context draws nothing and does not fail.
    m_doc.DrawLines(&m_dc, CRect(10, 10, 10, 10), 0, 0, CEditRange{}, -1);
    m_doc.DrawLines(nullptr, CRect(0, 0, kWidth, kHeight), 0, 0, CEditRange{}, -1);
}

// A line read from a file with control bytes in it is marked as an error
// line, and each control byte shows as a sign in its cell.
TEST_F(EditDraw, ControlBytesAreShownAndTheirLineMarked)
{
    Lines({"a=1", "b=1"});
    const std::string texts[] = {"a=\x1b" "1", std::string("b=\x02\x14\t1", 6)};
    for (int i = 0; i < 2; ++i) {
        m_doc.Buffer().Store().m_lines[static_cast<size_t>(i)].SetText(texts[i], false);
        m_doc.Buffer().Store().m_lines[static_cast<size_t>(i)].ClearFlags();
    }
    Draw();
    const int across = 40;
    for (int row : {0, 1}) {
        EXPECT_GT(Count(row, 0, across, Colour(kColourErrorLine)), across * m_cell.width * m_cell.height / 2) << row;
        EXPECT_GT(Count(row, 2, 3, Colour(kColourForeground)), 0) << row << ": the sign in the control byte's cell";
    }
    EXPECT_GT(Count(1, 3, 4, Colour(kColourForeground)), 0);
    CEditRLine tab;
    tab.SetText("\tPRINT 1", false);
    EXPECT_EQ(kLineNormal, GetEditLineKind(tab, 0, EditLineMarks{})) << "TAB is no control byte";
}

TEST_F(EditDraw, KindsAreTestedInTheirOrder)
{
    CEditRLine tron, plain;
    tron.SetText("   TRON", false);
    plain.SetText("a", false);
    EditLineMarks marks;
    marks.markedLine = 0;
    marks.currentLine = 0;
    EXPECT_EQ(kLineMarked, GetEditLineKind(tron, 0, marks));
    EXPECT_EQ(kLineCurrentBreak, GetEditLineKind(tron, 1, EditLineMarks{-1, 1, false, 1}));
    EXPECT_EQ(kLineBreak, GetEditLineKind(tron, 1, EditLineMarks{}));
    EXPECT_EQ(kLineNormal, GetEditLineKind(plain, 1, EditLineMarks{}));
    plain.SetBreakpoint(true);
    EXPECT_EQ(kLineNormal, GetEditLineKind(plain, 1, EditLineMarks{}));
    EXPECT_EQ(kLineBreak, GetEditLineKind(plain, 1, EditLineMarks{-1, -1, true, -1}));
    EXPECT_EQ(kLineHighlight, GetEditLineKind(CEditRLine(), 2, EditLineMarks{-1, -1, false, 2}));
    CEditRLine lower;
    lower.SetText("tron", false); // case counts
    EXPECT_EQ(kLineNormal, GetEditLineKind(lower, 0, EditLineMarks{}));
}

} // namespace
} // namespace editor
