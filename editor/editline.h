// One line of a program in the editor: its text, the token state of every
// character, and the flags the document and the on-line line protocol keep
// per line. Plain C++, no Win32.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace editor {

constexpr int kFileTypeBasic = 0;
constexpr int kDefaultNameLimit = 16;
constexpr int kLineLimit = 80;

// Lines are numbered for the user from 1, as the controller's messages
// number them ("Line 1" is the program's first line); the document counts
// them from 0.
inline int UserLineNumber(int index)
{
    return index + 1;
}
inline int LineIndexOfUserNumber(int number)
{
    return number - 1;
}

// File type of a program file from its extension ("bas" is BASIC program
// text, 0); -1 for anything else.
int FileTypeOfPath(const std::string& path);

// One line of a text with the line end that followed it: "\r\n", "\n",
// "\r", or empty for a last line that ends without one.
struct TextLine {
    std::string text;
    std::string end;
};
// Cuts a text into lines at CR, LF or CR LF (a CR LF pair ends one line).
// An empty text has no lines; a text that ends in a line end has no empty
// line after it.
std::vector<TextLine> SplitTextLines(std::string_view text);

// Bytes that must not reach the controller inside a program line: below 32
// but TAB. ESC with a digit switches the link's channel, the others are
// the controller's own command bytes.
inline bool IsControlByte(char c)
{
    return static_cast<unsigned char>(c) < 32 && c != '\t';
}
bool HoldsControlBytes(std::string_view text);

// Told about a variable name longer than the line's name limit that has not
// been warned about on this line yet. Returns true when a warning was shown.
class INameWarner {
public:
    virtual bool WarnLongName(const std::string& name, int limit) = 0;

protected:
    ~INameWarner() = default;
};

class CEditRLine {
public:
    CEditRLine() = default;
    virtual ~CEditRLine() = default;

    // Stores the text and tokenizes it (BASIC lines only), checks the
    // variable-name lengths through warner (none: no check) and marks the
    // line pending when asked. Nothing happens when the text is the same.
    // Returns 0 when a warning was shown, else 1.
    int SetText(const std::string& text, bool markPending, INameWarner* warner = nullptr);

    const std::string& Text() const { return m_text; }
    const std::string& States() const { return m_states; }
    int Length() const { return static_cast<int>(m_text.size()); }

    bool IsPending() const { return m_pending; }
    void SetPending(bool pending) { m_pending = pending; }
    // Clears pending and the warned-names mask (the line was sent).
    void ClearFlags()
    {
        m_pending = false;
        m_warnedNames = 0;
    }
    uint32_t WarnedNames() const { return m_warnedNames; }
    bool HasBreakpoint() const { return m_breakpoint; }
    void SetBreakpoint(bool on) { m_breakpoint = on; }
    int FileType() const { return m_fileType; }
    void SetFileType(int type) { m_fileType = type; }
    int NameLimit() const { return m_nameLimit; }
    void SetNameLimit(int limit) { m_nameLimit = limit; }
    // The line end the line had in its file; empty for a line that ended
    // the file without one or was made in the editor (saving gives it the
    // document's line end).
    const std::string& LineEnd() const { return m_lineEnd; }
    void SetLineEnd(std::string end) { m_lineEnd = std::move(end); }
    bool HoldsControlBytes() const { return editor::HoldsControlBytes(m_text); }
    // The line's identity: every new line gets its own; a line keeps it
    // while it is moved about in its document, so a late reply about it can
    // tell whether the line still exists.
    std::uint64_t Serial() const { return m_serial; }

    // The text from column on (empty at or past the end).
    std::string GetText(int column) const;
    // The text between two columns; empty unless 0 <= from <= to <= length.
    std::string GetTextBetween(int from, int to) const;
    // Removes trailing white space; the state string is cut to match.
    void TrimRight();
    // Keeps the first 80 characters of a longer text; true when it cut.
    bool CutTo80();

    // Token n (maximal runs of equal states, counted from 0): its state,
    // kStateUnknown when there is no token n.
    int GetTokenClass(int n) const;
    std::string GetToken(int n, int& state) const;
    // True when [from, to) is exactly one whole variable-name token.
    bool IsWholeName(int from, int to) const;
    // The column of the first match of what starting at column, forwards or
    // backwards; -1 when there is none.
    int Find(const std::string& what, int column, bool matchCase, bool backwards) const;
    // Not empty after its leading white space and not a comment.
    bool IsCodeLine() const;
    // The program named by an INCLUDE line, else empty.
    std::string GetInclude() const;
    std::string GetLabel() const;

private:
    void Tokenize();
    int CheckNameLengths(INameWarner* warner);

    std::string m_text;
    std::string m_states;
    bool m_pending = true;
    bool m_breakpoint = false;
    uint32_t m_warnedNames = 0;
    int m_fileType = -1;
    int m_nameLimit = kDefaultNameLimit;
    std::string m_lineEnd;
    std::uint64_t m_serial = NextSerial();

    static std::uint64_t NextSerial();
};

} // namespace editor
