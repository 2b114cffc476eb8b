#include "editor/editbuffer.h"

#include <gtest/gtest.h>

#include <functional>

namespace editor {
namespace {

// Records what the buffer hands on, line commands written as they go on
// the wire ("&5I,PRINT 1"), each followed by "changed" for the project
// window's notice.
class RecordingPeer : public IEditPeer, public INameWarner {
public:
    void SendLineCommand(int id, const std::string& argument) override
    {
        const size_t comma = argument.find(',');
        const std::string n = argument.substr(0, comma), rest = argument.substr(comma + 1);
        if (id == kCommandReplaceLine)
            wire.push_back("&" + n + "R," + rest);
        else if (id == kCommandInsertLine)
            wire.push_back("&" + n + "I," + rest);
        else
            wire.push_back("&" + n + "," + rest + "D");
    }
    void ProgramChanged() override { wire.push_back("changed"); }
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        messages.push_back(caption + ": " + text);
    }
    void ModifiedChanged(bool modified) override { lastModified = modified; }
    INameWarner* NameWarner() override { return this; }
    bool WarnLongName(const std::string& name, int limit) override
    {
        warned.push_back(name);
        return true;
    }
    // The commands without the notices.
    std::vector<std::string> Commands() const
    {
        std::vector<std::string> out;
        for (const std::string& w : wire)
            if (w != "changed")
                out.push_back(w);
        return out;
    }
    std::vector<std::string> wire, messages, warned;
    bool lastModified = false;
};

class EditBuffer : public ::testing::Test {
protected:
    EditBuffer() : buffer(peer) { buffer.Store().m_fileType = kFileTypeBasic; }
    void Lines(int count)
    {
        for (int i = 0; i < count; ++i)
            buffer.InsertLine(i, "x" + std::to_string(i), false);
        peer.wire.clear();
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < buffer.GetLineCount(); ++i)
            out.push_back(buffer.GetLineText(i));
        return out;
    }
    RecordingPeer peer;
    CEditBuffer buffer;
};

TEST_F(EditBuffer, LineCommandsAndTheirNotices)
{
    Lines(5);
    EXPECT_EQ(1, buffer.InsertLine(5, "PRINT 1", true));
    EXPECT_EQ(1, buffer.ReplaceLine(5, "PRINT 1   ", true, true)); // same after trimming: sent trimmed
    EXPECT_EQ(1, buffer.DeleteLine(5, true));
    EXPECT_EQ((std::vector<std::string>{"&5I,PRINT 1", "changed", "&5R,PRINT 1", "changed", "&5,5D", "changed"}),
              peer.wire);
    EXPECT_TRUE(peer.lastModified);

    // Not compiled: no notices.
    peer.wire.clear();
    buffer.m_compileState = 2;
    buffer.InsertLine(0, "a=1", false);
    EXPECT_EQ(std::vector<std::string>{"&0I,a=1"}, peer.wire);

    EXPECT_EQ(0, buffer.InsertLine(99, "x", true));
    EXPECT_EQ(0, buffer.ReplaceLine(-1, "x", true, true));
    EXPECT_EQ(0, buffer.DeleteLine(buffer.GetLineCount(), true));
    EXPECT_EQ(-1, buffer.GetLineLength(99));
    EXPECT_EQ("", buffer.GetLineText(99));
}

// The controller's empty line of a new program is taken by the first line
// once; undone, the line goes from both sides and comes back as an insert.
TEST_F(EditBuffer, FirstLineTakesTheControllersEmptyLineOnce)
{
    buffer.SetControllerHoldsEmptyLine(true);
    buffer.BeginUndoGroup();
    buffer.InsertLine(0, "a=1", true);
    buffer.InsertLine(1, "b=2", true);
    EXPECT_EQ((std::vector<std::string>{"&0R,a=1", "&1I,b=2"}), peer.Commands());

    peer.wire.clear();
    Caret caret;
    EXPECT_TRUE(buffer.UndoCommand(caret));
    EXPECT_EQ(0, buffer.GetLineCount());
    EXPECT_EQ((std::vector<std::string>{"&1,1D", "&0,0D"}), peer.Commands());
    peer.wire.clear();
    EXPECT_TRUE(buffer.RedoCommand(caret));
    EXPECT_EQ(std::vector<std::string>{"&0I,a=1"}, peer.Commands());

    // Only an empty document stands for that line.
    peer.wire.clear();
    buffer.SetControllerHoldsEmptyLine(true);
    buffer.InsertLine(0, "c=3", false);
    EXPECT_EQ(std::vector<std::string>{"&0I,c=3"}, peer.Commands());
}

TEST_F(EditBuffer, TypingSendsNothingUntilPendingLinesGo)
{
    Lines(2);
    Caret caret = buffer.InsertChar(2, 1, 'y', true);
    EXPECT_EQ((Caret{3, 1}), caret);
    caret = buffer.InsertChar(9, 1, 'z', true); // past the end: nothing
    EXPECT_EQ((Caret{9, 1}), caret);
    EXPECT_TRUE(peer.wire.empty());
    EXPECT_TRUE(buffer.Line(1)->IsPending());
    EXPECT_TRUE(buffer.SendPendingLines());
    EXPECT_EQ((std::vector<std::string>{"&1R,x1y"}), peer.Commands());
    EXPECT_FALSE(buffer.SendPendingLines());
}

TEST_F(EditBuffer, LinesLongerThan80AreCutUndoably)
{
    Lines(5);
    const std::string eighty(80, 'a');
    buffer.ReplaceLine(4, eighty, true, true);
    EXPECT_EQ("&4R," + eighty, peer.Commands().back());
    EXPECT_TRUE(peer.messages.empty());
    EXPECT_FALSE(buffer.CheckLineLength(4)) << "80 characters are allowed";

    buffer.BeginUndoGroup();
    const std::string longer = "PRINT " + std::string(75, 'b');
    buffer.ReplaceLine(4, longer, true, true);
    ASSERT_EQ(1u, peer.messages.size());
    EXPECT_EQ("Editor: Line 5 is too long (80 characters max), extra removed from end of line:-\n\n" + longer,
              peer.messages[0]);
    EXPECT_EQ(longer.substr(0, 80), buffer.GetLineText(4));
    EXPECT_EQ("&4R," + longer.substr(0, 80), peer.Commands().back());

    Caret caret;
    EXPECT_TRUE(buffer.UndoCommand(caret));
    EXPECT_EQ(eighty, buffer.GetLineText(4));
}

TEST_F(EditBuffer, PasteUndoAndRedo)
{
    buffer.InsertLine(0, "xxyy", false);
    peer.wire.clear();
    buffer.BeginUndoGroup();
    const Caret caret = buffer.InsertMultiLineText(2, 0, "a\r\nb\nc", true);
    EXPECT_EQ((Caret{1, 2}), caret);
    EXPECT_EQ((std::vector<std::string>{"&0R,xxa", "&1I,b", "&2I,c", "&2R,cyy"}), peer.Commands());

    peer.wire.clear();
    Caret undo;
    EXPECT_TRUE(buffer.UndoCommand(undo));
    EXPECT_EQ((std::vector<std::string>{"&2,2D", "&1,1D"}), peer.Commands());
    EXPECT_EQ(std::vector<std::string>{"xxyy"}, Texts());
    EXPECT_TRUE(buffer.Line(0)->IsPending());

    // Redo re-applies one record per command.
    peer.wire.clear();
    Caret redo;
    EXPECT_TRUE(buffer.RedoCommand(redo));
    EXPECT_EQ(std::vector<std::string>{"xxa"}, Texts());
    EXPECT_TRUE(peer.Commands().empty());
    EXPECT_TRUE(buffer.RedoCommand(redo));
    EXPECT_EQ((std::vector<std::string>{"xxa", "b"}), Texts());
    EXPECT_EQ(std::vector<std::string>{"&1I,b"}, peer.Commands());
    EXPECT_TRUE(buffer.RedoCommand(redo));
    EXPECT_TRUE(buffer.RedoCommand(redo));
    EXPECT_EQ((std::vector<std::string>{"xxa", "b", "cyy"}), Texts());
    EXPECT_FALSE(buffer.RedoCommand(redo));

    // A text ending in a line end gives a final empty piece; past the end
    // of the line every piece is a new line below it.
    buffer.InsertMultiLineText(10, 2, "p\r\n", true);
    EXPECT_EQ((std::vector<std::string>{"xxa", "b", "cyy", "p", ""}), Texts());
}

// Large actions come back whole with one Undo, whatever their number of
// line records; what is saved afterwards is the text before the action.
TEST_F(EditBuffer, OneUndoTakesBackALargeActionWhole)
{
    const struct {
        const char* action;
        int lines;
        std::function<void(CEditBuffer&)> run;
    } cases[] = {
        {"select all and delete", 600,
         [](CEditBuffer& b) {
             b.DeleteRange({0, 0, b.GetLineLength(b.GetLineCount() - 1), b.GetLineCount() - 1}, true);
         }},
        {"paste of 10000 lines", 3,
         [](CEditBuffer& b) {
             std::string text;
             for (int i = 0; i < 10000; ++i)
                 text += "p" + std::to_string(i) + "\r\n";
             b.InsertMultiLineText(1, 1, text, true);
         }},
        {"replace of 200 lines", 200,
         [](CEditBuffer& b) {
             for (int i = 0; i < 200; ++i)
                 b.ReplaceLine(i, "y" + std::to_string(i), true, true);
         }},
        {"reformat of 200 lines", 200,
         [](CEditBuffer& b) {
             b.InsertLine(0, "FOR i=1 TO 2", true);
             b.Reformat(4, 0);
         }},
    };
    for (const auto& c : cases) {
        CEditBuffer b(peer);
        b.Store().m_fileType = kFileTypeBasic;
        for (int i = 0; i < c.lines; ++i)
            b.InsertLine(i, "x" + std::to_string(i), false);
        b.BeginUndoGroup();
        b.ReplaceLine(0, "first", true, true); // an earlier action stays undoable
        const std::string before = b.SaveText();
        b.BeginUndoGroup();
        c.run(b);
        ASSERT_NE(before, b.SaveText()) << c.action;
        Caret caret;
        EXPECT_TRUE(b.UndoCommand(caret)) << c.action;
        EXPECT_EQ(before, b.SaveText()) << c.action;
        EXPECT_TRUE(b.CanUndo()) << c.action;
        EXPECT_TRUE(b.UndoCommand(caret)) << c.action;
        EXPECT_EQ("x0", b.GetLineText(0)) << c.action;
    }
}

// Control bytes would reach the link raw (ESC and a digit switches the
// channel, DC2, DC4 and STX are command bytes): typing and pasting refuse
// them; a line read with them goes to the controller without them.
TEST_F(EditBuffer, ControlBytesAreRefusedOnInputAndNeverSent)
{
    const struct {
        std::string text;
        bool multiLine;
        bool refused;
    } cases[] = {
        {"\x1b" "1PRINT 1", false, true}, {"a\x12", false, true}, {"\x14", false, true},
        {"\x02", true, true}, {std::string("a\0b", 3), false, true}, {"a\r\nb\x1b" "2", true, true},
        {"x\ry", false, true}, // one line: a CR would split it in the file
        {"\tPRINT 1", false, false}, {"a\r\nb\n", true, false},
    };
    for (const auto& c : cases) {
        CEditBuffer b(peer);
        b.InsertLine(0, "old", false);
        peer.wire.clear();
        peer.messages.clear();
        if (c.multiLine)
            b.InsertMultiLineText(0, 0, c.text, true);
        else
            b.InsertText(0, 0, c.text, true, true);
        EXPECT_EQ(c.refused, b.GetLineText(0) == "old" && b.GetLineCount() == 1) << c.text;
        EXPECT_EQ(c.refused ? 1u : 0u, peer.messages.size()) << c.text;
        for (const std::string& command : peer.Commands())
            EXPECT_FALSE(HoldsControlBytes(command)) << c.text;
    }

    // A line from a file keeps its bytes; changed, it is sent without them.
    buffer.InsertLine(0, "PRINT 1", false);
    buffer.Store().m_lines[0].SetText("PRINT \x1b" "21", false);
    peer.wire.clear();
    buffer.InsertText(9, 0, "0", true, true);
    EXPECT_EQ("PRINT \x1b" "210", buffer.GetLineText(0));
    EXPECT_EQ(std::vector<std::string>{"&0R,PRINT 210"}, peer.Commands());
    ASSERT_EQ(1u, peer.messages.size());
    EXPECT_EQ(0u, peer.messages[0].find("Editor: Line 1 holds control characters")) << peer.messages[0];
}

TEST_F(EditBuffer, DeleteRangeAcrossLines)
{
    Lines(4); // x0 x1 x2 x3
    EXPECT_EQ(0, buffer.DeleteRange({1, 1, 1, 1}, true));
    EXPECT_EQ(1, buffer.DeleteRange({1, 0, 1, 2}, true));
    EXPECT_EQ((std::vector<std::string>{"x2", "x3"}), Texts());
    EXPECT_EQ("x2", buffer.GetLineText(0));
    buffer.SendPendingLines();

    buffer.BeginUndoGroup();
    EXPECT_EQ(1, buffer.DeleteRange({0, 0, 1, 1}, true)); // start part empty: the end line stays
    EXPECT_EQ(std::vector<std::string>{"3"}, Texts());
    Caret caret;
    buffer.UndoCommand(caret);
    EXPECT_EQ((std::vector<std::string>{"x2", "x3"}), Texts());
    EXPECT_EQ("x2\r\nx", buffer.GetRangeText({0, 0, 1, 1}));
}

TEST_F(EditBuffer, LongNamesWarnOnceUntilSent)
{
    Lines(1);
    const std::string name = "abcdefghijklmnopq"; // 17
    buffer.InsertChar(0, 0, ' ', true);
    buffer.ReplaceLine(0, name + "=1", true, false);
    buffer.ReplaceLine(0, name + "=2", true, false);
    EXPECT_EQ(std::vector<std::string>{name}, peer.warned);
    buffer.SendPendingLines();
    buffer.ReplaceLine(0, name + "=3", true, false);
    EXPECT_EQ(2u, peer.warned.size());
}

TEST_F(EditBuffer, ReformatCountsOverlongLinesAndStopsOnCancel)
{
    for (const char* text : {"IF a THEN", "PRINT a", "ENDIF"})
        buffer.InsertLine(buffer.GetLineCount(), text, false);
    buffer.InsertLine(3, "IF b THEN", false);
    buffer.InsertLine(4, std::string(78, 'c'), false);
    buffer.InsertLine(5, "PRINT b", false);
    peer.wire.clear();
    EXPECT_EQ(1, buffer.Reformat(4, 0));
    EXPECT_EQ((std::vector<std::string>{"IF a THEN", "    PRINT a", "ENDIF", "IF b THEN", std::string(78, 'c'),
                                        "    PRINT b"}),
              Texts());
    EXPECT_EQ((std::vector<std::string>{"&1R,    PRINT a", "&5R,    PRINT b"}), peer.Commands());
    EXPECT_EQ("Editor: 1 lines left unformatted to avoid truncation.", peer.messages.back());

    // Cancel after the first line: only the first line is looked at.
    buffer.ReplaceLine(0, "  IF a THEN", false, true);
    buffer.ReplaceLine(1, "PRINT a", false, true);
    peer.wire.clear();
    peer.messages.clear();
    buffer.Reformat(4, 0, [](int line, int) { return line < 1; });
    EXPECT_EQ((std::vector<std::string>{"&0R,IF a THEN"}), peer.Commands());
    EXPECT_TRUE(peer.messages.empty());
}

TEST_F(EditBuffer, LabelsVrIndicesAndNamesUnderTheSelection)
{
    for (const char* text : {"start: a=VR( 12 )", "x=VR(12)+VR(a)", "' note", "  loop: GOTO start", "n=VR(99999999999)"})
        buffer.InsertLine(buffer.GetLineCount(), text, false);
    EXPECT_EQ((std::vector<std::pair<std::string, int>>{{"start", 0}, {"loop", 3}}), buffer.BuildLabelList());

    const struct {
        CEditRange selection;
        int index;
    } cases[] = {
        {{9, 0, 17, 0}, 12},  // VR( 12 ) selected whole
        {{5, 1, 7, 1}, 12},   // the digits inside VR(12)
        {{9, 1, 14, 1}, -1},  // VR(a)
        {{12, 1, 13, 1}, -1}, // a inside VR(a)
        {{5, 1, 6, 1}, -1},   // not up to the bracket
        {{5, 1, 7, 2}, -1},   // two lines
        {{5, 1, 5, 1}, -1},   // empty
        {{5, 4, 16, 4}, -1},  // too large to be an index
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.index, buffer.GetSelectedVrIndex(c.selection)) << c.selection.startColumn << "," << c.selection.startLine;

    EXPECT_TRUE(buffer.IsSelectionOneName({7, 0, 8, 0}));
    EXPECT_FALSE(buffer.IsSelectionOneName({13, 1, 99, 1}));
    EXPECT_TRUE(buffer.IsSelectionOneName({-3, 1, 1, 1}));
    EXPECT_FALSE(buffer.IsSelectionOneName({0, 0, 5, 0})); // a label
    EXPECT_FALSE(buffer.IsSelectionOneName({7, 0, 7, 0}));
}

TEST_F(EditBuffer, SaveTextEndsEveryLineWithCrLf)
{
    Lines(2);
    EXPECT_EQ("x0\r\nx1\r\n", buffer.SaveText());
}

} // namespace
} // namespace editor
