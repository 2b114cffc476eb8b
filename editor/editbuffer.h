// The editor document's line operations as plain C++: the lines with their
// undo history, every change mirrored to the controller's copy of the
// program as line commands, the 80-character rule, paste, range deletion,
// undo and redo, and reformat. The document (a framework document) owns
// one and connects it to the link, the project window and the prompts
// through IEditPeer.
#pragma once
#include <functional>
#include <string>

#include "editor/programlines.h"
#include "editor/undolist.h"

namespace editor {

// Line commands, by command-table id; the argument is "%d,%s" (line,
// text) or, for delete, "%d,%d" (line, line).
constexpr int kCommandReplaceLine = 0x30;
constexpr int kCommandDeleteLine = 0x31;
constexpr int kCommandInsertLine = 0x32;

class IEditPeer {
public:
    virtual void SendLineCommand(int commandId, const std::string& argument) = 0;
    // The controller's copy of the program has changed.
    virtual void ProgramChanged() = 0;
    virtual void ShowMessage(const std::string& text, const std::string& caption) = 0;
    virtual void ModifiedChanged(bool modified) = 0;
    // Warns about long names; none for no check.
    virtual INameWarner* NameWarner() = 0;

protected:
    ~IEditPeer() = default;
};

struct Caret {
    int column = 0;
    int line = 0;
    bool operator==(const Caret&) const = default;
};

// A range of text: start column, start line, end column, end line, all
// from 0. Empty when start and end are equal.
struct CEditRange {
    int startColumn = 0, startLine = 0, endColumn = 0, endLine = 0;
    bool IsEmpty() const { return startColumn == endColumn && startLine == endLine; }
};

class CEditBuffer {
public:
    explicit CEditBuffer(IEditPeer& peer) : m_peer(peer) {}
    virtual ~CEditBuffer() = default;

    int GetLineCount() const { return static_cast<int>(m_store.m_lines.size()); }
    int GetLineLength(int index) const;
    std::string GetLineText(int index) const;
    const CEditRLine* Line(int index) const;
    CEditRDocLines& Store() { return m_store; }
    CUndoList& UndoList() { return m_undo; }

    int InsertLine(int index, const std::string& text, bool recordUndo);
    // An empty document whose program the controller holds as one empty
    // line (a new program, or one loaded from an empty file): the first
    // line the document gets replaces that line on the controller instead
    // of going before it, so that both hold the same lines.
    void SetControllerHoldsEmptyLine(bool holds) { m_controllerEmptyLine = holds && GetLineCount() == 0; }
    int ReplaceLine(int index, const std::string& text, bool recordUndo, bool send);
    int DeleteLine(int index, bool recordUndo);
    // Text holding control bytes (IsControlByte) is refused with a message,
    // here and in InsertMultiLineText: nothing changes.
    Caret InsertText(int column, int index, const std::string& text, bool recordUndo, bool send);
    Caret InsertChar(int column, int index, char ch, bool recordUndo)
    {
        return InsertText(column, index, std::string(1, ch), recordUndo, false);
    }
    Caret AppendText(int index, const std::string& text, bool recordUndo, bool send);
    int DeleteChars(int column, int index, int count, bool recordUndo, bool send);
    // The 80-character rule, before a line is sent: a longer line is cut to
    // its first 80 characters (undoably, outside an undo or redo) and the
    // user is told what was removed. True when it cut.
    bool CheckLineLength(int index);
    int DeleteRange(const CEditRange& range, bool recordUndo);
    // Paste: pieces at CR, LF or CR LF; the caret after the last piece.
    Caret InsertMultiLineText(int column, int index, const std::string& text, bool recordUndo);
    // The text of a range, lines joined by CR LF.
    std::string GetRangeText(const CEditRange& range) const;

    // Labels at line starts with their line indices, in line order.
    std::vector<std::pair<std::string, int>> BuildLabelList() const;
    // The VR index a one-line selection names: "VR( 12 )" selected, or the
    // digits inside VR(...); -1 otherwise.
    int GetSelectedVrIndex(const CEditRange& selection) const;
    // A one-line selection that covers exactly one whole variable name.
    bool IsSelectionOneName(const CEditRange& selection) const;

    // Tells the user and gives true when text holds control bytes (with
    // lineEndsAllowed, CR and LF apart).
    bool RefuseControlBytes(const std::string& text, bool lineEndsAllowed);

    bool SendPendingLines();
    bool SendPendingLine(int index);

    void BeginUndoGroup() { m_undo.AddGroupMarker(); }
    bool CanUndo() const { return m_undo.CanUndo(); }
    // The last action was too large to keep in the history.
    bool TooLargeToUndo() const { return m_undo.TooLargeToUndo(); }
    bool CanRedo() const { return m_undo.CanRedo(); }
    // One step each; false when there was nothing to undo (redo).
    bool UndoStep(Caret& caret);
    bool RedoStep(Caret& caret, int* kind = nullptr);
    // The Undo command: back to the previous group marker. progress is
    // told the number of steps taken so far.
    bool UndoCommand(Caret& caret, const std::function<void(int steps)>& progress = {});
    // The Redo command: one edit record. progress as for UndoCommand.
    bool RedoCommand(Caret& caret, const std::function<void(int steps)>& progress = {});

    // Re-indents every line; continueWith is asked after each line (the
    // caller pumps a message and reports progress there) and stops the
    // loop when it returns false. Returns the lines left unformatted.
    int Reformat(int tabIndent, int codeStart, const std::function<bool(int line, int count)>& continueWith = {});

    bool IsModified() const { return m_modified; }
    void SetModified(bool modified);
    // The file's text: every line with its own line end (CR LF for lines
    // of a new file); the last line without one when the file's had none.
    std::string SaveText() const;

    int m_markedLine = -1;
    // The line where the followed process stands (-1 none); like the marked
    // line it moves with inserted and deleted lines and goes with its line.
    int m_currentLine = -1;
    int m_compileState = 0; // 0 unknown, 1 compiled, 2 not compiled
    int m_lastSentLine = -1;

private:
    bool ValidIndex(int index) const { return index >= 0 && index < GetLineCount(); }
    CUndoRecord* Record(bool recordUndo, int kind, int line, const std::string& oldText, const std::string& newText);
    void SendLine(int index, int commandId);
    CEditRLine NewLine() const;
    void LineInserted(int index);
    void LineDeleted(int index);

    IEditPeer& m_peer;
    CEditRDocLines m_store;
    CUndoList m_undo;
    bool m_modified = false;
    bool m_applyingHistory = false; // inside an undo or redo step
    bool m_controllerEmptyLine = false;
};

} // namespace editor
