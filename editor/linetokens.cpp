#include "editor/linetokens.h"

#include <algorithm>
#include <cctype>

namespace editor {
namespace {

bool IsLower(char c) { return c >= 'a' && c <= 'z'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLowerName(char c) { return IsLower(c) || IsDigit(c) || c == '_'; }
bool IsUpperName(char c) { return IsUpper(c) || IsDigit(c) || c == '_' || c == '$'; }
bool IsNumberStart(char c) { return IsDigit(c) || c == '.' || c == '$'; }
bool IsNumberPart(char c)
{
    return IsDigit(c) || c == '.' || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsOperator(char c)
{
    switch (c) {
    case '#': case '$': case '(': case ')': case '*': case '+': case ',': case '-':
    case '/': case ':': case ';': case '<': case '=': case '>': case '[': case ']':
        return true;
    default:
        return false;
    }
}

// The state that ends a word when c is not part of it: the shared tail of
// most rows (operator, comment, string when quoted strings may start here,
// anything else unrecognised).
char AfterWord(char c, bool stringMayStart)
{
    if (IsOperator(c))
        return kStateOperator;
    if (c == '\'')
        return kStateComment;
    if (c == '"' && stringMayStart)
        return kStateString;
    return kStateUnknown;
}

class Tokenizer {
public:
    explicit Tokenizer(const std::string& text) : m_text(text), m_states(text.size(), kStateUnknown) {}

    std::string Run()
    {
        char s = kStateStart;
        for (m_i = 0; m_i < m_text.size(); ++m_i) {
            s = Step(s, m_text[m_i]);
            if (s == kStateUnknown) {
                m_states[m_i] = kStateUnknown;
                return m_states;
            }
        }
        if (s == kStateLabel)
            DemoteLabelRun(m_text.size());
        return m_states;
    }

private:
    // Stores the state of the current character and returns the state the
    // machine is in after it.
    char Set(char state)
    {
        m_states[m_i] = state;
        return state;
    }

    // A separator: white space takes state 1; any other character that
    // ends a token (a closing quote, the ":" after a label) keeps the state
    // of the character before it.
    char Separator(char c)
    {
        m_states[m_i] = (!IsSpaceByte(c) && m_i > 0) ? m_states[m_i - 1] : static_cast<char>(kStateSpace);
        return kStateSpace;
    }

    char LowerName() { return Set(m_afterJump ? kStateLabelRef : kStateName); }

    char TokenStart(char c)
    {
        if (IsLower(c))
            return LowerName();
        if (IsUpper(c))
            return Set(kStateKeyword);
        if (IsNumberStart(c))
            return Set(kStateNumber);
        return Set(AfterWord(c, true));
    }

    // A line-start word that is not followed by ":" is a variable. Only the
    // first word of a line can be a label.
    void DemoteLabelRun(size_t end)
    {
        for (size_t j = end; j > 0 && m_states[j - 1] == kStateLabel; --j)
            m_states[j - 1] = kStateName;
        m_firstWord = false;
    }

    bool EndsWith(const char* word, size_t length) const
    {
        return m_i >= length && m_text.compare(m_i - length, length, word) == 0;
    }

    char Step(char s, char c)
    {
        switch (s) {
        case kStateStart:
            if (IsSpaceByte(c))
                return Separator(c);
            if (IsLower(c))
                return Set(kStateLabel);
            m_firstWord = false;
            if (IsUpper(c))
                return Set(kStateKeyword);
            if (IsNumberStart(c))
                return Set(kStateNumber);
            return Set(AfterWord(c, false));
        case kStateSpace:
            if (IsSpaceByte(c))
                return Separator(c);
            if (IsLower(c))
                return m_firstWord ? Set(kStateLabel) : LowerName();
            m_firstWord = false;
            return TokenStart(c);
        case kStateName:
            if (IsLowerName(c))
                return Set(kStateName);
            if (IsSpaceByte(c))
                return Separator(c);
            return Set(AfterWord(c, false));
        case kStateLabel:
            if (IsLowerName(c))
                return Set(kStateLabel);
            if (c == ':') {
                m_firstWord = false;
                return Separator(c);
            }
            DemoteLabelRun(m_i);
            if (IsSpaceByte(c))
                return Separator(c);
            return Set(AfterWord(c, true));
        case kStateLabelRef:
            if (IsLowerName(c))
                return Set(kStateLabelRef);
            if (IsSpaceByte(c))
                return Separator(c);
            if (IsOperator(c)) {
                m_afterJump = (c == ',');
                return Set(kStateOperator);
            }
            m_afterJump = false;
            return Set(AfterWord(c, false));
        case kStateKeyword:
            if (IsUpperName(c))
                return Set(kStateKeyword);
            m_afterJump = EndsWith("GOSUB", 5) || EndsWith("GOTO", 4);
            if (IsSpaceByte(c))
                return Separator(c);
            return Set(AfterWord(c, true));
        case kStateNumber:
            if (IsSpaceByte(c))
                return Separator(c);
            if (IsNumberPart(c))
                return Set(kStateNumber);
            return Set(AfterWord(c, false));
        case kStateOperator:
            if (IsSpaceByte(c))
                return Separator(c);
            return TokenStart(c);
        case kStateComment:
            return Set(kStateComment);
        case kStateString:
            if (c == '"')
                return Separator(c);
            return Set(kStateString);
        default:
            return Set(kStateUnknown);
        }
    }

    const std::string& m_text;
    std::string m_states;
    size_t m_i = 0;
    bool m_firstWord = true;
    bool m_afterJump = false;
};

} // namespace

std::string TokenizeLine(const std::string& text)
{
    return Tokenizer(text).Run();
}

std::string LabelAtLineStart(const std::string& text, const std::string& states)
{
    size_t i = 0;
    const size_t n = std::min(text.size(), states.size());
    while (i < n && states[i] == kStateSpace)
        ++i;
    size_t start = i;
    while (i < n && states[i] == kStateLabel && text[i] != ':')
        ++i;
    return text.substr(start, i - start);
}

std::vector<std::string> NamesUsed(const std::string& text, const std::string& states)
{
    std::vector<std::string> names;
    const size_t n = std::min(text.size(), states.size());
    for (size_t i = 0; i < n;) {
        if (states[i] != kStateName) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < n && states[i] == kStateName)
            ++i;
        names.push_back(text.substr(start, i - start));
    }
    return names;
}

std::string IncludedName(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && IsSpaceByte(text[i]))
        ++i;
    if (text.compare(i, 7, "INCLUDE") != 0)
        return {};
    i += 7;
    while (i < text.size() && IsSpaceByte(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '"')
        return {};
    size_t start = ++i;
    while (i < text.size() && (IsUpper(text[i]) || IsLowerName(text[i])))
        ++i;
    if (i >= text.size() || text[i] != '"' || i == start)
        return {};
    return text.substr(start, i - start);
}

bool EqualNoCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string TrimBoth(const std::string& text)
{
    size_t b = 0, e = text.size();
    while (b < e && IsSpaceByte(text[b]))
        ++b;
    while (e > b && IsSpaceByte(text[e - 1]))
        --e;
    return text.substr(b, e - b);
}

std::string IndentedCopy(const std::string& text, int indent, bool& overlong)
{
    const std::string trimmed = TrimBoth(text);
    overlong = indent + trimmed.size() > 80;
    if (overlong)
        return text;
    return std::string(static_cast<size_t>(indent < 0 ? 0 : indent), ' ') + trimmed;
}

} // namespace editor
