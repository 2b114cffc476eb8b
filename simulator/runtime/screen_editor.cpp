#include "simulator/runtime/screen_editor.h"

#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/edprog.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/lock.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/tokens.h"

namespace qcrt {

namespace {

constexpr int32_t kErrNotWithDevelopmentLink = 79;
constexpr int32_t kErrCannotEditProgram = 82;

constexpr int kKeyCursor = 0;
constexpr int kCursorLeft = 0;
constexpr int kCursorRight = 1;
constexpr int kCursorUp = 2;
constexpr int kCursorDown = 3;
constexpr int kCursorLeave = 4;
constexpr int kKeyBackspace = 8;
constexpr int kKeyTab = 9;
constexpr int kKeyEnter = 13;
constexpr int kKeyDeleteLine = 25; // Ctrl-Y
constexpr int kFirstCharacter = 26;

constexpr int kLastRow = kEditorRows - 1;
constexpr int kRowAfterScrollUp = 10;   // a line reached above the top row
constexpr int kRowAfterScrollDown = 11; // a line reached below the last row
constexpr int kTabWidth = 4;
constexpr int kIndentMaximum = 0x7F;
constexpr uint8_t kBreakpointMark = 0x80;

// The record of line index of a program, or its end record (the empty line
// behind the last) when index reaches it; index comes back as the line
// found, so it is lower than asked where the program has fewer lines.
int LineRecord(int program, int32_t& index)
{
    int at = SourceStart(program);
    const int end = SourceEnd(program);
    int32_t line = 0;
    for (; line < index; ++line) {
        const int length = g_MemoryBase[at + 1];
        if (length == 0 || at + length >= end)
            break;
        at += length;
    }
    index = line;
    return at;
}

// A record's own bytes (length, indentation, tokens); the end record's is
// its length 0 alone.
std::string RecordBytes(int at)
{
    const int length = std::max<int>(g_MemoryBase[at + 1], 2);
    return std::string(reinterpret_cast<const char*>(g_MemoryBase + at + 1), static_cast<size_t>(length - 1));
}

class ScreenEditor {
public:
    ScreenEditor(int process, int program, int at, int line)
        : m_process(process), m_program(program), m_name(ProgramName(program)), m_at(at), m_line(line)
    {
    }

    void Run()
    {
        PrintScreen(m_process, m_program, m_at, 0);
        PrintFormatted(m_process, "\33[H");
        Load();
        for (;;) {
            int key = ReadChar(m_process);
            if (key < 0 || !Follow())
                return;
            if (key == kKeyCursor) {
                key = ReadChar(m_process);
                if (key < 0 || !Follow())
                    return;
                if (key == kCursorLeave) {
                    Leave();
                    return;
                }
                if (!CursorKey(key))
                    return;
                continue;
            }
            if (!EditKey(key))
                return;
        }
    }

private:
    int m_process;
    int m_program;
    std::string m_name;
    int m_at;   // the record of the current line (the end record: the empty line behind the last)
    int m_line; // its index
    std::string m_record; // that record's bytes as the editor last saw or stored them
    int m_row = 0;
    int m_column = 0;
    std::string m_text; // the line as edited: its indentation as blanks, then the text
    bool m_modified = false;

    int Size() const { return static_cast<int>(m_text.size()); }
    bool AtEnd() const { return g_MemoryBase[m_at + 1] == 0; }
    int NextPosition() const { return m_at + g_MemoryBase[m_at + 1]; }
    int PreviousPosition() const { return m_at - g_MemoryBase[m_at]; }

    std::string Stored(int at) const { return g_MemoryBase[at + 1] == 0 ? std::string() : ListedLine(m_program, at); }

    void Load()
    {
        m_text = Stored(m_at);
        m_record = RecordBytes(m_at);
        m_modified = false;
        m_column = std::min(m_column, Size());
    }

    // While the editor waits for a key, a command of the development
    // environment's channel may change the program. The editor keeps to its
    // line: found again where the change moved it (the text being typed
    // stays), or, when the line itself was changed or removed, the line now
    // at its index with its stored text. The screen is then drawn again.
    // False, with error 27, when the program itself is gone.
    bool Follow()
    {
        if (!ProgramExists(m_program) || ProgramName(m_program) != m_name) {
            SetProcessError(m_process, kErrProgramNotFound);
            return false;
        }
        int32_t index = m_line;
        if (LineRecord(m_program, index) == m_at && index == m_line && RecordBytes(m_at) == m_record)
            return true;
        int best = -1;
        int32_t bestLine = 0;
        int at = SourceStart(m_program);
        for (int32_t line = 0;; ++line) {
            if (RecordBytes(at) == m_record && (best < 0 || std::abs(line - m_line) < std::abs(bestLine - m_line))) {
                best = at;
                bestLine = line;
            }
            const int length = g_MemoryBase[at + 1];
            if (length == 0 || at + length >= SourceEnd(m_program))
                break;
            at += length;
        }
        if (best >= 0) {
            m_at = best;
            m_line = bestLine;
        } else {
            m_line = index;
            m_at = LineRecord(m_program, m_line);
            Load();
        }
        m_row = std::min(m_row, m_line);
        RedrawScreen(m_process, m_program, m_at, m_row, m_row, m_column);
        if (m_modified) {
            // The text being typed is shown on its row again.
            PrintFormatted(m_process, "\r\33[K%s", m_text);
            PlaceCursor();
        }
        return true;
    }

    void PlaceCursor() { PrintFormatted(m_process, "\033[%i;%iH", m_row + 1, m_column + 1); }

    // A line's text as a token line and its indentation; false with the
    // tokeniser's error set.
    bool Tokenise(const std::string& text, uint8_t* tokens, int& length, int& indent)
    {
        size_t blanks = text.find_first_not_of(' ');
        if (blanks == std::string::npos)
            blanks = text.size();
        indent = std::min(static_cast<int>(blanks), kIndentMaximum);
        int32_t error = 0;
        length = TokeniseLine(std::string_view(text).substr(blanks), tokens, kMaxLineRecord + 1,
                              LexerModeOf(m_program), error);
        if (error != 0)
            SetProcessError(m_process, error);
        return error == 0;
    }

    // Stores the edited line: it replaces the stored one, or is inserted when
    // the cursor stands on the empty line behind the last. A breakpoint on
    // the line stays.
    bool Store()
    {
        uint8_t tokens[kMaxLineRecord + 1];
        int length = 0;
        int indent = 0;
        if (!Tokenise(m_text, tokens, length, indent))
            return false;
        const bool end = AtEnd();
        const uint8_t mark = end ? 0 : (g_MemoryBase[m_at + 2] & kBreakpointMark);
        if (end ? !InsertLine(m_at, tokens, length, indent, m_process)
                : !ReplaceLine(m_at, tokens, length, indent, m_process))
            return false;
        g_MemoryBase[m_at + 2] |= mark;
        m_record = RecordBytes(m_at);
        m_modified = false;
        return true;
    }

    // Before the cursor leaves a changed line: stored, and its row rewritten
    // as the store lists it.
    bool Commit()
    {
        if (!m_modified)
            return true;
        if (!Store())
            return false;
        PrintFormatted(m_process, "\r\33[K%s", Stored(m_at));
        return true;
    }

    // The current line and those below it from the cursor's row on.
    void RedrawBelow()
    {
        PrintScreen(m_process, m_program, m_at, m_row);
        PlaceCursor();
    }

    // The cursor's row moves one up or down; beyond the screen the screen is
    // drawn again around the line. True when it was.
    bool ScrolledUp()
    {
        if (--m_row >= 0)
            return false;
        m_row = std::min(kRowAfterScrollUp, m_line);
        RedrawScreen(m_process, m_program, m_at, m_row, m_row, m_column);
        return true;
    }

    bool ScrolledDown()
    {
        if (++m_row <= kLastRow)
            return false;
        m_row = kRowAfterScrollDown;
        RedrawScreen(m_process, m_program, m_at, m_row, m_row, m_column);
        return true;
    }

    bool MoveUp(int column)
    {
        if (m_line == 0)
            return true;
        if (!Commit())
            return false;
        m_at = PreviousPosition();
        --m_line;
        Load();
        m_column = column < 0 ? Size() : std::min(column, Size());
        if (!ScrolledUp())
            PlaceCursor();
        return true;
    }

    bool MoveDown(int column)
    {
        if (AtEnd())
            return true;
        if (!Commit())
            return false;
        m_at = NextPosition();
        ++m_line;
        Load();
        m_column = std::min(column, Size());
        if (!ScrolledDown())
            PlaceCursor();
        return true;
    }

    bool CursorKey(int key)
    {
        switch (key) {
        case kCursorLeft:
            if (m_column == 0)
                return MoveUp(-1);
            --m_column;
            PrintFormatted(m_process, "\33[D");
            return true;
        case kCursorRight:
            if (m_column >= Size())
                return MoveDown(0);
            ++m_column;
            PlaceCursor();
            return true;
        case kCursorUp:
            return MoveUp(m_column);
        case kCursorDown:
            return MoveDown(m_column);
        default:
            return true;
        }
    }

    // Inserts text at the cursor and redraws the rest of the line, the
    // terminal's cursor moved back over it.
    void Insert(std::string_view text)
    {
        m_text.insert(static_cast<size_t>(m_column), text);
        const std::string rest = m_text.substr(static_cast<size_t>(m_column));
        m_column += static_cast<int>(text.size());
        PrintFormatted(m_process, "%s%s", rest, std::string(rest.size() - text.size(), '\b'));
        m_modified = true;
    }

    bool EditKey(int key)
    {
        switch (key) {
        case kKeyBackspace:
            return Backspace();
        case kKeyTab:
            if (Size() < kEditorTabLimit)
                Insert(std::string(kTabWidth, ' '));
            return true;
        case kKeyEnter:
            return Split();
        case kKeyDeleteLine:
            return DeleteCurrentLine();
        default:
            if (key < kFirstCharacter)
                return true;
            if (m_column < kEditorColumnLimit && Size() < kEditorLineMaximum)
                Insert(std::string(1, static_cast<char>(key)));
            return true;
        }
    }

    bool Backspace()
    {
        if (m_column > 0) {
            m_text.erase(static_cast<size_t>(m_column - 1), 1);
            --m_column;
            const std::string rest = m_text.substr(static_cast<size_t>(m_column));
            PrintFormatted(m_process, "\b%s %s", rest, std::string(rest.size() + 1, '\b'));
            m_modified = true;
            return true;
        }
        // At the start of a line: joined to the previous one when the two fit
        // (the empty line behind the last has nothing to join).
        if (m_line == 0)
            return true;
        if (AtEnd() && m_text.empty())
            return MoveUp(-1);
        const int previous = PreviousPosition();
        const std::string head = Stored(previous);
        if (head.size() + m_text.size() >= static_cast<size_t>(kEditorLineMaximum))
            return true;
        const std::string tail = m_text;
        if (!AtEnd() && !DeleteLine(m_at, m_process))
            return false;
        m_at = previous;
        --m_line;
        m_text = head + tail;
        m_modified = true;
        if (!Store())
            return false;
        Load();
        m_column = std::min(static_cast<int>(head.size()), Size());
        if (!ScrolledUp())
            RedrawBelow();
        return true;
    }

    // Enter: the text before the cursor stays on the line, the text behind it
    // becomes a new line below, where the cursor goes.
    bool Split()
    {
        const bool end = AtEnd();
        const std::string after = m_text.substr(static_cast<size_t>(m_column));
        m_text.resize(static_cast<size_t>(m_column));
        m_modified = true;
        if (!Commit())
            return false;
        const int next = NextPosition();
        if (!end || !after.empty()) {
            uint8_t tokens[kMaxLineRecord + 1];
            int length = 0;
            int indent = 0;
            if (!Tokenise(after, tokens, length, indent) || !InsertLine(next, tokens, length, indent, m_process))
                return false;
        }
        m_at = next;
        ++m_line;
        m_column = 0;
        Load();
        if (!ScrolledDown())
            RedrawBelow();
        return true;
    }

    // Ctrl-Y: the line goes from the store; the next one takes its row.
    bool DeleteCurrentLine()
    {
        if (!AtEnd() && !DeleteLine(m_at, m_process))
            return false;
        m_column = 0;
        Load();
        RedrawBelow();
        return true;
    }

    void Leave()
    {
        if (!Commit())
            return;
        static const PoolOffset leaving = PoolAdd("Leaving editor at line ");
        PrintFormatted(m_process, "\33[2J\33[H");
        PrintFormatted(m_process, "%r%i\r\n", leaving, m_line);
    }
};

} // namespace

void KeywordEdit(const uint8_t* text, int& position, int limit, int process)
{
    if (g_LinkProtocolMode != 0) {
        ++position;
        SetProcessError(process, kErrNotWithDevelopmentLink);
        return;
    }
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int32_t start = ops.Value(0, 0);
    if (start > kEditorFirstLineAbove)
        start = 0;
    const int program = SelectedProgram();
    if (program < 0) {
        SetProcessError(process, kErrNoProgramSelected);
        return;
    }
    if (ControllerLocked(process)) {
        SetProcessError(process, kErrDirectoryLocked);
        return;
    }
    {
        // No program process may start the program while it is checked.
        ResourceClaim claim(process, kResourceProgramStore, -1);
        if (!claim.Held())
            return;
        if (!MayBeChanged(program)) {
            SetProcessError(process, kErrCannotEditProgram);
            return;
        }
    }
    // The start line: any line, or the empty line behind the last.
    if (start < 0) {
        SetProcessError(process, kErrInvalidLineNumber);
        return;
    }
    int32_t line = start;
    const int at = LineRecord(program, line);
    if (line != start) {
        SetProcessError(process, kErrInvalidLineNumber);
        return;
    }
    ScreenEditor(process, program, at, start).Run();
}

} // namespace qcrt
