// The editor's line tokenizer: one state byte per character of a program
// line, decided by character case alone (keywords are upper case, the
// program's own names lower case), so it needs no keyword table. The
// editor colours each character by its state and finds labels, label
// references and variable names from the states. Plain C++, no Win32.
#pragma once
#include <string>
#include <vector>

namespace editor {

// State of one character.
enum TokenState : char {
    kStateStart = 0,     // before the first character only
    kStateSpace = 1,     // white space between tokens
    kStateName = 2,      // lower-case name (a variable)
    kStateLabel = 3,     // word at the line start followed by ":"
    kStateLabelRef = 4,  // lower-case name after GOTO or GOSUB
    kStateKeyword = 5,   // upper-case word
    kStateNumber = 6,
    kStateOperator = 7,
    kStateComment = 8,   // from an apostrophe to the end of the line
    kStateString = 9,    // from a double quote to the next, both included
    kStateEnd = 10,      // never stored
    kStateUnknown = 11,  // tokenizing stops here; the rest of the line keeps it
};

// The state string of a line: as long as the text; empty for an empty text.
std::string TokenizeLine(const std::string& text);

// The label a line defines: after leading white space, the run of label
// characters (without the ":"); empty when the line has none.
std::string LabelAtLineStart(const std::string& text, const std::string& states);

// Every run of variable-name characters, in order (repeats included).
std::vector<std::string> NamesUsed(const std::string& text, const std::string& states);

// The included program's name when the line reads INCLUDE "name" (only
// white space before INCLUDE, optional white space after it, a name of
// letters, digits and '_'); empty otherwise.
std::string IncludedName(const std::string& text);

// The text trimmed at both ends and preceded by indent spaces; the text
// unchanged, with overlong set, when that would pass 80 characters.
std::string IndentedCopy(const std::string& text, int indent, bool& overlong);

// C library isspace on a byte, without locale.
inline bool IsSpaceByte(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string TrimBoth(const std::string& text);

// Equal texts when letters are compared without case (C locale).
bool EqualNoCase(const std::string& a, const std::string& b);

} // namespace editor
