// Text search over the editor's lines, plain C++: from a position
// downwards or upwards, optionally going on from the other end of the
// program (the caller shows its notice then).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "editor/editbuffer.h"

namespace editor {

// Searches lines for text from (column, line): downwards the first match at
// or after column on that line, then from the start of each following line;
// upwards the last match at or before column, then from the end of each
// earlier line. Matching ignores case unless matchCase. Past the last
// (first) line, with wrap, onWrap is called once and the search goes on
// from the other end until it is back on the start line, where it takes
// what the first pass left (the part before the column downwards, after it
// upwards). True with the match's position.
bool FindInLines(const std::vector<CEditRLine>& lines, const std::string& text, int column, int line, bool matchCase,
                 bool upwards, bool wrap, const std::function<void()>& onWrap, Caret& found);

} // namespace editor
