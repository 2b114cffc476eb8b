#include "editor/editsearch.h"

#include <algorithm>
#include <climits>

namespace editor {

bool FindInLines(const std::vector<CEditRLine>& lines, const std::string& text, int column, int line, bool matchCase,
                 bool upwards, bool wrap, const std::function<void()>& onWrap, Caret& found)
{
    const int count = static_cast<int>(lines.size());
    if (text.empty() || count == 0)
        return false;
    const int start = std::clamp(line, 0, count - 1);
    auto at = [&](int index) -> const CEditRLine& { return lines[static_cast<size_t>(index)]; };
    auto hit = [&](int index, int col) {
        found = Caret{col, index};
        return true;
    };

    if (const int col = at(start).Find(text, column, matchCase, upwards); col >= 0)
        return hit(start, col);
    bool wrapped = false;
    for (int index = start;;) {
        index += upwards ? -1 : 1;
        if (index < 0 || index >= count) {
            if (!wrap || wrapped)
                return false;
            if (onWrap)
                onWrap();
            wrapped = true;
            index = upwards ? count - 1 : 0;
        }
        if (index == start && wrapped) {
            // Back on the start line: only what the first pass did not see.
            const int col = at(start).Find(text, upwards ? INT_MAX : 0, matchCase, upwards);
            if (col >= 0 && (upwards ? col > column : col < column))
                return hit(start, col);
            return false;
        }
        if (const int col = at(index).Find(text, upwards ? INT_MAX : 0, matchCase, upwards); col >= 0)
            return hit(index, col);
    }
}

} // namespace editor
