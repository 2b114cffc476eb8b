#include "editor/editdraw.h"

#include <algorithm>
#include <climits>

#include "editor/linetokens.h"

namespace editor {

namespace {

COLORREF StateColour(char state, const COLORREF colours[kColourSlotCount])
{
    switch (state) {
    case kStateLabel:
        return colours[kColourLabelDef];
    case kStateLabelRef:
        return colours[kColourLabelRef];
    case kStateKeyword:
        return colours[kColourKeyWord];
    case kStateNumber:
        return colours[kColourConstant];
    case kStateComment:
        return colours[kColourComment];
    case kStateString:
        return colours[kColourString];
    default:
        return colours[kColourForeground];
    }
}

} // namespace

EditCharCell MeasureEditCell(CDC& dc)
{
    TEXTMETRICA metrics{};
    EditCharCell cell;
    if (dc.GetTextMetrics(&metrics)) {
        cell.width = std::max<int>(1, metrics.tmAveCharWidth);
        cell.height = std::max<int>(1, metrics.tmHeight);
    }
    return cell;
}

bool IsTronLine(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsSpaceByte(text[i]))
        ++i;
    return text.compare(i, 4, "TRON") == 0;
}

int GetEditLineKind(const CEditRLine& line, int index, const EditLineMarks& marks)
{
    // A line holding control bytes (read from a file) is marked like an
    // error line: it cannot go to the controller as it stands.
    if (index == marks.markedLine || line.HoldsControlBytes())
        return kLineMarked;
    if (IsTronLine(line.Text()) || (marks.inlineBreakpoints && line.HasBreakpoint()))
        return index == marks.currentLine ? kLineCurrentBreak : kLineBreak;
    if (index == marks.currentLine)
        return kLineCurrent;
    if (index == marks.highlightLine)
        return kLineHighlight;
    return kLineNormal;
}

COLORREF EditLineKindColour(int kind, const COLORREF colours[kColourSlotCount])
{
    switch (kind) {
    case kLineCurrent:
        return colours[kColourCurrentLine];
    case kLineBreak:
        return colours[kColourBreak];
    case kLineCurrentBreak:
        return colours[kColourCurrentBreak];
    case kLineMarked:
        return colours[kColourErrorLine];
    default:
        return CLR_INVALID;
    }
}

void DrawEditLine(CDC& dc, const CEditRLine& line, int x, int y, int charWidth, int firstColumn, int selStart,
                  int selEnd, int mode, const COLORREF colours[kColourSlotCount])
{
    // Control bytes are shown as a visible sign in their cell.
    std::string shown;
    if (line.HoldsControlBytes()) {
        shown = line.Text();
        for (char& c : shown)
            if (IsControlByte(c))
                c = kControlByteSign;
    }
    const std::string& text = shown.empty() ? line.Text() : shown;
    const std::string& states = line.States();
    const int length = line.Length();
    auto colourAt = [&](int column) {
        if (column >= selStart && column < selEnd)
            return colours[kColourBackground];
        if (mode == kLineNormal || mode == kLineHighlight) {
            if (line.IsPending() || column >= static_cast<int>(states.size()))
                return colours[kColourForeground];
            return StateColour(states[static_cast<size_t>(column)], colours);
        }
        if (mode == kDrawMonochrome)
            return COLORREF(0);
        return colours[kColourForeground];
    };
    // Each character takes one cell; a run of one colour goes out in one
    // call with the cells spelled out, which places every character where
    // drawing it by itself would.
    std::vector<INT> cells;
    int column = std::max(firstColumn, 0);
    while (column < length) {
        const COLORREF colour = colourAt(column);
        int end = column + 1;
        while (end < length && colourAt(end) == colour)
            ++end;
        cells.assign(static_cast<size_t>(end - column), charWidth);
        dc.SetTextColor(colour);
        dc.ExtTextOut(x, y, 0, nullptr, text.c_str() + column, static_cast<UINT>(end - column), cells.data());
        x += (end - column) * charWidth;
        column = end;
    }
}

void SelectionOnLine(const CEditRange& selection, int index, int& start, int& end)
{
    start = end = 0;
    if (selection.IsEmpty() || index < selection.startLine || index > selection.endLine)
        return;
    start = index == selection.startLine ? selection.startColumn : 0;
    end = index == selection.endLine ? selection.endColumn : INT_MAX;
    if (end <= start)
        start = end = 0;
}

void DrawEditLines(CDC& dc, const std::vector<CEditRLine>& lines, const CRect& rect, int firstColumn, int firstLine,
                   const CEditRange& selection, const EditLineMarks& marks, const COLORREF colours[kColourSlotCount],
                   CFont* font)
{
    CFont* oldFont = font && font->m_hObject ? dc.SelectObject(font) : nullptr;
    const EditCharCell cell = MeasureEditCell(dc);
    const int rows = (rect.Height() + cell.height - 1) / cell.height;
    const int lineCount = static_cast<int>(lines.size());
    const int shownLines = std::max(0, std::min(rows, lineCount - std::max(firstLine, 0)));
    firstLine = std::max(firstLine, 0);

    dc.FillSolidRect(&rect, colours[kColourBackground]);
    for (int row = 0; row < shownLines; ++row) {
        const int index = firstLine + row;
        const COLORREF fill =
            EditLineKindColour(GetEditLineKind(lines[static_cast<size_t>(index)], index, marks), colours);
        if (fill != CLR_INVALID)
            dc.FillSolidRect(rect.left, rect.top + row * cell.height, rect.Width(), cell.height, fill);
    }

    const int marginX = rect.left + (kLineLimit - firstColumn) * cell.width;
    if (marginX >= rect.left && marginX < rect.right) {
        CPen pen(PS_SOLID, 1, RGB(128, 0, 0));
        CPen* oldPen = dc.SelectObject(&pen);
        dc.MoveTo(marginX, rect.top);
        dc.LineTo(marginX, rect.bottom);
        dc.SelectObject(oldPen);
    }

    // The selection, clipped to the rectangle, on a Foreground fill.
    for (int row = 0; row < rows; ++row) {
        int start, end;
        SelectionOnLine(selection, firstLine + row, start, end);
        if (start == end)
            continue;
        const long long left = rect.left + static_cast<long long>(start - firstColumn) * cell.width;
        const long long right = end == INT_MAX ? rect.right : rect.left + static_cast<long long>(end - firstColumn) * cell.width;
        CRect band(static_cast<int>(std::max<long long>(left, rect.left)), rect.top + row * cell.height,
                   static_cast<int>(std::min<long long>(right, rect.right)), rect.top + (row + 1) * cell.height);
        band.bottom = std::min(band.bottom, rect.bottom);
        if (band.right > band.left && band.bottom > band.top)
            dc.FillSolidRect(&band, colours[kColourForeground]);
    }

    const int oldMode = dc.SetBkMode(TRANSPARENT);
    for (int row = 0; row < shownLines; ++row) {
        const int index = firstLine + row;
        const CEditRLine& line = lines[static_cast<size_t>(index)];
        int start, end;
        SelectionOnLine(selection, index, start, end);
        int kind = GetEditLineKind(line, index, marks);
        if (kind == kLineHighlight)
            kind = kLineNormal;
        DrawEditLine(dc, line, rect.left, rect.top + row * cell.height, cell.width, firstColumn, start, end, kind,
                     colours);
    }
    dc.SetBkMode(oldMode);
    if (oldFont)
        dc.SelectObject(oldFont);
}

} // namespace editor
