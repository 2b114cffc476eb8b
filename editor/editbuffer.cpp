#include "editor/editbuffer.h"

#include "editor/linetokens.h"

#include <algorithm>
#include <cstdio>

namespace editor {

int CEditBuffer::GetLineLength(int index) const
{
    return ValidIndex(index) ? m_store.m_lines[static_cast<size_t>(index)].Length() : -1;
}

std::string CEditBuffer::GetLineText(int index) const
{
    return ValidIndex(index) ? m_store.m_lines[static_cast<size_t>(index)].Text() : std::string();
}

const CEditRLine* CEditBuffer::Line(int index) const
{
    return ValidIndex(index) ? &m_store.m_lines[static_cast<size_t>(index)] : nullptr;
}

CUndoRecord* CEditBuffer::Record(bool recordUndo, int kind, int line, const std::string& oldText,
                                 const std::string& newText)
{
    if (!recordUndo)
        return nullptr;
    CUndoRecord* record = m_undo.AddRecord();
    if (record) {
        record->m_kind = kind;
        record->m_line = line;
        record->m_oldText = oldText;
        record->m_newText = newText;
        m_undo.Recorded(record);
    }
    return record;
}

CEditRLine CEditBuffer::NewLine() const
{
    CEditRLine line;
    line.SetFileType(m_store.m_fileType);
    line.SetNameLimit(m_store.m_nameLimit);
    return line;
}

// The marked line and the current line stay on their own lines.
void CEditBuffer::LineInserted(int index)
{
    for (int* line : {&m_markedLine, &m_currentLine})
        if (*line >= index)
            ++*line;
}

void CEditBuffer::LineDeleted(int index)
{
    for (int* line : {&m_markedLine, &m_currentLine}) {
        if (*line == index)
            *line = -1;
        else if (*line > index)
            --*line;
    }
}

void CEditBuffer::SetModified(bool modified)
{
    m_modified = modified;
    m_peer.ModifiedChanged(modified);
}

bool CEditBuffer::CheckLineLength(int index)
{
    if (!ValidIndex(index))
        return false;
    CEditRLine& line = m_store.m_lines[static_cast<size_t>(index)];
    if (line.Length() <= kLineLimit)
        return false;
    const std::string full = line.Text();
    if (!m_applyingHistory)
        Record(true, CUndoRecord::kReplace, index, full, full.substr(0, kLineLimit));
    line.CutTo80();
    char prefix[128];
    std::snprintf(prefix, sizeof prefix,
                  "Line %d is too long (%d characters max), extra removed from end of line:-\n\n", UserLineNumber(index),
                  kLineLimit);
    m_peer.ShowMessage(prefix + full, "Editor");
    return true;
}

// A line goes to the controller with at most 80 characters and without
// trailing white space.
void CEditBuffer::SendLine(int index, int commandId)
{
    CheckLineLength(index);
    CEditRLine& line = m_store.m_lines[static_cast<size_t>(index)];
    line.TrimRight();
    m_lastSentLine = index;
    line.SetPending(false);
    std::string text = line.Text();
    if (HoldsControlBytes(text)) {
        // A line read from a file may hold them; they would switch the
        // link's channel or run as commands, so the controller's copy of
        // the line goes without them (and keeps its place in the program).
        text.erase(std::remove_if(text.begin(), text.end(), IsControlByte), text.end());
        m_peer.ShowMessage("Line " + std::to_string(UserLineNumber(index)) +
                               " holds control characters (marked in the editor). They were left out of the "
                               "line sent to the controller; delete them from the line.",
                           "Editor");
    }
    m_peer.SendLineCommand(commandId, std::to_string(index) + "," + text);
    if (m_compileState != 2)
        m_peer.ProgramChanged();
}

int CEditBuffer::InsertLine(int index, const std::string& text, bool recordUndo)
{
    if (index < 0 || index > GetLineCount())
        return 0;
    const bool replacesEmptyLine = m_controllerEmptyLine && GetLineCount() == 0;
    m_controllerEmptyLine = false;
    Record(recordUndo, CUndoRecord::kInsert, index, {}, text);
    m_store.m_lines.insert(m_store.m_lines.begin() + index, NewLine());
    LineInserted(index);
    SetModified(true);
    CEditRLine& line = m_store.m_lines[static_cast<size_t>(index)];
    line.SetText(text, true, m_peer.NameWarner());
    SendLine(index, replacesEmptyLine ? kCommandReplaceLine : kCommandInsertLine);
    m_store.m_lines[static_cast<size_t>(index)].ClearFlags();
    return 1;
}

int CEditBuffer::ReplaceLine(int index, const std::string& text, bool recordUndo, bool send)
{
    if (!ValidIndex(index))
        return 0;
    CEditRLine& line = m_store.m_lines[static_cast<size_t>(index)];
    if (text == line.Text())
        return 1;
    Record(recordUndo, CUndoRecord::kReplace, index, line.Text(), text);
    line.SetText(text, true, m_peer.NameWarner());
    if (text.empty() && m_markedLine == index)
        m_markedLine = -1;
    if (send) {
        SendLine(index, kCommandReplaceLine);
        m_store.m_lines[static_cast<size_t>(index)].ClearFlags();
    }
    SetModified(true);
    return 1;
}

int CEditBuffer::DeleteLine(int index, bool recordUndo)
{
    if (!ValidIndex(index))
        return 0;
    Record(recordUndo, CUndoRecord::kDelete, index, GetLineText(index), {});
    LineDeleted(index);
    m_store.m_lines.erase(m_store.m_lines.begin() + index);
    SetModified(true);
    m_peer.SendLineCommand(kCommandDeleteLine, std::to_string(index) + "," + std::to_string(index));
    if (m_compileState != 2)
        m_peer.ProgramChanged();
    return 1;
}

bool CEditBuffer::RefuseControlBytes(const std::string& text, bool lineEndsAllowed)
{
    const bool refused = std::any_of(text.begin(), text.end(), [lineEndsAllowed](char c) {
        return IsControlByte(c) && !(lineEndsAllowed && (c == '\r' || c == '\n'));
    });
    if (!refused)
        return false;
    m_peer.ShowMessage("The text holds control characters (bytes below 32 other than TAB), which would reach the "
                       "controller as commands. Nothing was inserted; remove them from the text first.",
                       "Editor");
    return true;
}

Caret CEditBuffer::InsertText(int column, int index, const std::string& text, bool recordUndo, bool send)
{
    if (RefuseControlBytes(text, false))
        return {column, index};
    if (index == GetLineCount())
        InsertLine(index, {}, recordUndo);
    if (!ValidIndex(index) || column < 0 || column > GetLineLength(index))
        return {column, index};
    const std::string old = GetLineText(index);
    const size_t at = static_cast<size_t>(column);
    if (!ReplaceLine(index, old.substr(0, at) + text + old.substr(at), recordUndo, send))
        return {column, index};
    return {column + static_cast<int>(text.size()), index};
}

Caret CEditBuffer::AppendText(int index, const std::string& text, bool recordUndo, bool send)
{
    if (!ValidIndex(index))
        return {0, index};
    return InsertText(GetLineLength(index), index, text, recordUndo, send);
}

int CEditBuffer::DeleteChars(int column, int index, int count, bool recordUndo, bool send)
{
    if (!ValidIndex(index) || column < 0)
        return 0;
    const std::string old = GetLineText(index);
    const int n = std::min(count, static_cast<int>(old.size()) - column);
    if (n < 1)
        return 0;
    std::string text = old;
    text.erase(static_cast<size_t>(column), static_cast<size_t>(n));
    return ReplaceLine(index, text, recordUndo, send);
}

int CEditBuffer::DeleteRange(const CEditRange& r, bool recordUndo)
{
    if (r.IsEmpty() || r.startLine > r.endLine || !ValidIndex(r.startLine) || !ValidIndex(r.endLine))
        return 0;
    if (r.startLine == r.endLine) {
        if (r.startColumn >= r.endColumn)
            return 0;
        return DeleteChars(r.startColumn, r.startLine, r.endColumn - r.startColumn, true, false);
    }
    const std::string startText = GetLineText(r.startLine);
    const std::string head = startText.substr(0, std::min(static_cast<size_t>(std::max(r.startColumn, 0)), startText.size()));
    for (int k = r.startLine + 1; k < r.endLine; ++k)
        DeleteLine(r.startLine + 1, true);
    const int endLine = r.startLine + 1;
    const std::string endText = GetLineText(endLine);
    const std::string tail =
        static_cast<size_t>(std::max(r.endColumn, 0)) < endText.size() ? endText.substr(static_cast<size_t>(r.endColumn)) : "";
    if (head.empty()) {
        ReplaceLine(endLine, tail, recordUndo, false);
        DeleteLine(r.startLine, true);
    } else {
        ReplaceLine(r.startLine, head + tail, recordUndo, false);
        DeleteLine(endLine, true);
    }
    return 1;
}

Caret CEditBuffer::InsertMultiLineText(int column, int index, const std::string& text, bool recordUndo)
{
    if (RefuseControlBytes(text, true))
        return {column, index};
    // A text that ends in a line end gives a last, empty piece.
    std::vector<std::string> pieces;
    std::vector<TextLine> lines = SplitTextLines(text);
    for (TextLine& line : lines)
        pieces.push_back(std::move(line.text));
    if (lines.empty() || !lines.back().end.empty())
        pieces.emplace_back();
    if (index == GetLineCount())
        InsertLine(index, {}, recordUndo);
    if (!ValidIndex(index))
        return {column, index};
    if (pieces.size() == 1)
        return InsertText(column, index, pieces[0], recordUndo, true);

    int line = index;
    std::string tail;
    size_t first = 0;
    const std::string old = GetLineText(index);
    if (column >= 0 && static_cast<size_t>(column) <= old.size()) {
        tail = old.substr(static_cast<size_t>(column));
        const std::string joined = old.substr(0, static_cast<size_t>(column)) + pieces[0];
        if (joined == old)
            SendPendingLine(index);
        else
            ReplaceLine(index, joined, recordUndo, true);
        first = 1;
    }
    for (size_t p = first; p < pieces.size(); ++p)
        InsertLine(++line, pieces[p], recordUndo);
    if (!tail.empty())
        AppendText(line, tail, recordUndo, true);
    return {static_cast<int>(pieces.back().size()), line};
}

std::string CEditBuffer::GetRangeText(const CEditRange& r) const
{
    if (r.IsEmpty() || r.startLine > r.endLine || !ValidIndex(r.startLine) || !ValidIndex(r.endLine))
        return {};
    auto part = [this](int line, int from, int to) {
        const std::string text = GetLineText(line);
        const size_t b = std::min(static_cast<size_t>(std::max(from, 0)), text.size());
        const size_t e = to < 0 ? text.size() : std::min(static_cast<size_t>(to), text.size());
        return b < e ? text.substr(b, e - b) : std::string();
    };
    if (r.startLine == r.endLine)
        return part(r.startLine, r.startColumn, r.endColumn);
    std::string out = part(r.startLine, r.startColumn, -1);
    for (int k = r.startLine + 1; k < r.endLine; ++k)
        out += "\r\n" + GetLineText(k);
    return out + "\r\n" + part(r.endLine, 0, r.endColumn);
}

std::vector<std::pair<std::string, int>> CEditBuffer::BuildLabelList() const
{
    std::vector<std::pair<std::string, int>> labels;
    for (int i = 0; i < GetLineCount(); ++i) {
        const std::string label = m_store.m_lines[static_cast<size_t>(i)].GetLabel();
        if (!label.empty())
            labels.emplace_back(label, i);
    }
    return labels;
}

int CEditBuffer::GetSelectedVrIndex(const CEditRange& r) const
{
    if (r.IsEmpty() || r.startLine != r.endLine || !ValidIndex(r.startLine))
        return -1;
    const std::string text = GetLineText(r.startLine);
    const size_t from = std::min(static_cast<size_t>(std::max(r.startColumn, 0)), text.size());
    const size_t to = std::min(static_cast<size_t>(std::max(r.endColumn, 0)), text.size());
    if (from >= to)
        return -1;
    const std::string selected = TrimBoth(text.substr(from, to - from));
    std::string index;
    if (selected.size() >= 4 && selected.compare(0, 3, "VR(") == 0 && selected.back() == ')') {
        index = TrimBoth(selected.substr(3, selected.size() - 4));
    } else {
        size_t before = from;
        while (before > 0 && IsSpaceByte(text[before - 1]))
            --before;
        size_t after = to;
        while (after < text.size() && IsSpaceByte(text[after]))
            ++after;
        if (before < 3 || text.compare(before - 3, 3, "VR(") != 0 || after >= text.size() || text[after] != ')')
            return -1;
        index = selected;
    }
    if (index.empty() || index.size() > 9)
        return -1;
    for (char c : index)
        if (c < '0' || c > '9')
            return -1;
    return std::stoi(index);
}

bool CEditBuffer::IsSelectionOneName(const CEditRange& r) const
{
    if (r.startLine != r.endLine || !ValidIndex(r.startLine))
        return false;
    const int from = std::max(r.startColumn, 0);
    const int to = std::min(r.endColumn, GetLineLength(r.startLine));
    return from < to && m_store.m_lines[static_cast<size_t>(r.startLine)].IsWholeName(from, to);
}

bool CEditBuffer::SendPendingLine(int index)
{
    if (!ValidIndex(index) || !m_store.m_lines[static_cast<size_t>(index)].IsPending())
        return false;
    SendLine(index, kCommandReplaceLine);
    m_store.m_lines[static_cast<size_t>(index)].ClearFlags();
    return true;
}

bool CEditBuffer::SendPendingLines()
{
    bool any = false;
    for (int i = 0; i < GetLineCount(); ++i)
        any = SendPendingLine(i) || any;
    return any;
}

bool CEditBuffer::UndoStep(Caret& caret)
{
    CUndoRecord* record = m_undo.StepBack();
    if (!record)
        return false;
    m_applyingHistory = true;
    switch (record->m_kind) {
    case CUndoRecord::kInsert:
        DeleteLine(record->m_line, false);
        break;
    case CUndoRecord::kDelete:
        InsertLine(record->m_line, record->m_oldText, false);
        break;
    case CUndoRecord::kReplace:
        ReplaceLine(record->m_line, record->m_oldText, false, false);
        break;
    default:
        break;
    }
    m_applyingHistory = false;
    caret = {0, record->m_line};
    return true;
}

bool CEditBuffer::RedoStep(Caret& caret, int* kind)
{
    CUndoRecord* record = m_undo.StepForward();
    if (!record)
        return false;
    if (kind)
        *kind = record->m_kind;
    m_applyingHistory = true;
    switch (record->m_kind) {
    case CUndoRecord::kInsert:
        InsertLine(record->m_line, record->m_newText, false);
        break;
    case CUndoRecord::kDelete:
        DeleteLine(record->m_line, false);
        break;
    case CUndoRecord::kReplace:
        ReplaceLine(record->m_line, record->m_newText, false, false);
        break;
    default:
        break;
    }
    m_applyingHistory = false;
    caret = {0, record->m_line};
    return true;
}

bool CEditBuffer::UndoCommand(Caret& caret, const std::function<void(int)>& progress)
{
    if (m_undo.IsAtGroupMarker())
        m_undo.StepBack();
    bool result = false;
    for (int steps = 1; !m_undo.IsAtGroupMarker(); ++steps) {
        result = UndoStep(caret);
        if (!result)
            break;
        if (progress)
            progress(steps);
    }
    return result;
}

bool CEditBuffer::RedoCommand(Caret& caret, const std::function<void(int)>& progress)
{
    // Markers are passed, so each command redoes one edit record.
    int kind = CUndoRecord::kGroupMarker;
    bool result = true;
    for (int steps = 1; result && kind == CUndoRecord::kGroupMarker; ++steps) {
        result = RedoStep(caret, &kind);
        if (result && progress)
            progress(steps);
    }
    return result;
}

int CEditBuffer::Reformat(int tabIndent, int codeStart, const std::function<bool(int, int)>& continueWith)
{
    int level = 0;
    int unformatted = 0;
    const int count = GetLineCount();
    for (int i = 0; i < GetLineCount(); ++i) {
        bool overlong = false;
        const std::string text = ReformatLine(m_store.m_lines[static_cast<size_t>(i)], level, tabIndent, codeStart, overlong);
        if (overlong)
            ++unformatted;
        else if (text != GetLineText(i))
            ReplaceLine(i, text, true, true);
        if (continueWith && !continueWith(i + 1, count))
            break;
    }
    if (unformatted > 0) {
        char text[96];
        std::snprintf(text, sizeof text, "%d lines left unformatted to avoid truncation.", unformatted);
        m_peer.ShowMessage(text, "Editor");
    }
    return unformatted;
}

std::string CEditBuffer::SaveText() const
{
    return m_store.FileText();
}

} // namespace editor
