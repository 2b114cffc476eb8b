// Drawing the editor's lines: one line in the colours of its token states
// (DrawEditLine), and the visible part of a program into a device context
// with its background, the column-80 margin, the selection and the line
// kinds that mark execution, breakpoints and errors (DrawEditLines). The
// view paints through CEditRDoc::DrawLines, which hands these the
// document's lines, colours and font; printing uses DrawEditLine too.
#pragma once
#include <windows.h>

#include <vector>

#include "editor/editbuffer.h"
#include "editor/editdisplay.h"
#include "framework/gdi.h"

namespace editor {

// How one line is drawn: the kinds that fill their whole row take the
// colour of their slot and draw their text in the Foreground colour.
enum EditLineKind {
    kLineNormal = 0,
    kLineHighlight = 1, // the line the view passes in; drawn as a normal line
    kLineCurrent = 2,   // the current execution line: CurrentLine
    kLineBreak = 3,     // a breakpoint: Break
    kLineCurrentBreak = 4, // the current execution line on a breakpoint: CurrentBreak
    kLineMarked = 5,    // the marked (error) line: ErrorLine
};

// Colour modes of DrawEditLine beside the line kinds: 6 draws every
// character black (printing without colour).
constexpr int kDrawMonochrome = 6;

// The sign a control byte (IsControlByte) is drawn as: the currency sign
// of the ANSI code page, which program text does not use.
constexpr char kControlByteSign = '\xA4';

// What marks lines, by index (-1 for none).
struct EditLineMarks {
    int markedLine = -1;
    int currentLine = -1;
    bool inlineBreakpoints = false; // the controller's breakpoints are in use
    int highlightLine = -1;
};

// A fixed-pitch font's cell as the editor lays out its text.
struct EditCharCell {
    int width = 8;
    int height = 16;
};
// The cell of the font selected into dc: the average character width and
// the text height.
EditCharCell MeasureEditCell(CDC& dc);

// The kind a line is drawn with, tested in the order marked (or holding
// control bytes), break (current
// break when it is also the current line), current, highlight.
int GetEditLineKind(const CEditRLine& line, int index, const EditLineMarks& marks);
// The row colour of a kind, or CLR_INVALID for kinds drawn on the
// background.
COLORREF EditLineKindColour(int kind, const COLORREF colours[kColourSlotCount]);

// Draws the characters of line from firstColumn on, one cell each from x
// on row y: selected columns [selStart, selEnd) in the Background colour
// (their fill is the caller's), then by mode: 0 and 1 in the colour of
// each character's state (Foreground for a pending line or a character
// without a state), 6 black, any other Foreground.
void DrawEditLine(CDC& dc, const CEditRLine& line, int x, int y, int charWidth, int firstColumn, int selStart,
                  int selEnd, int mode, const COLORREF colours[kColourSlotCount]);

// The part of the lines that falls into rect, scrolled to (firstColumn,
// firstLine), with the selection (ordered) and the marks, in font.
void DrawEditLines(CDC& dc, const std::vector<CEditRLine>& lines, const CRect& rect, int firstColumn, int firstLine,
                   const CEditRange& selection, const EditLineMarks& marks, const COLORREF colours[kColourSlotCount],
                   CFont* font);

// Where the selection falls on line index: [start, end) in columns, empty
// (start == end) when it does not touch the line.
void SelectionOnLine(const CEditRange& selection, int index, int& start, int& end);

// The leading white space removed, the line begins with "TRON".
bool IsTronLine(const std::string& text);

} // namespace editor
