// EDIT (short form ED): the controller's full-screen editor for a user at a
// plain VT100 terminal. It edits the selected program in place, one line at
// a time, on a 23-row screen drawn through the process's output, reading
// keys from the process's input as the key reader decodes them (a cursor key
// is 0 followed by 0 left, 1 right, 2 up, 3 down, 4 leave; 8 backspace, 9
// TAB, 13 Enter, 25 Ctrl-Y delete line; other control codes below 26 are
// ignored, every other code is a character to insert).
//
// A changed line is tokenised back into the program store as soon as the
// cursor leaves it, and the row is rewritten as the store lists the line.
// Leaving prints "Leaving editor at line n" with the line's number counted
// from 0, as EDIT takes it.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kEditorRows = 23;
constexpr int kEditorLineMaximum = 78;  // characters of a line
constexpr int kEditorColumnLimit = 79;  // the cursor's last column
constexpr int kEditorTabLimit = 75;     // TAB inserts 4 blanks below this length
constexpr int kEditorFirstLineAbove = 20000; // EDIT n above this starts at the first line

void KeywordEdit(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
