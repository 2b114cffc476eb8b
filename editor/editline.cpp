#include "editor/editline.h"

#include <atomic>

#include <algorithm>
#include <cctype>

#include "editor/linetokens.h"

namespace editor {

std::uint64_t CEditRLine::NextSerial()
{
    static std::atomic<std::uint64_t> next{1};
    return next.fetch_add(1);
}

int FileTypeOfPath(const std::string& path)
{
    const size_t dot = path.find_last_of('.');
    const size_t slash = path.find_last_of("\\/");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return -1;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "bas" ? kFileTypeBasic : -1;
}

std::vector<TextLine> SplitTextLines(std::string_view text)
{
    std::vector<TextLine> lines;
    size_t begin = 0;
    while (begin < text.size()) {
        const size_t stop = text.find_first_of("\r\n", begin);
        TextLine line;
        if (stop == std::string_view::npos) {
            line.text.assign(text.substr(begin));
            begin = text.size();
        } else {
            line.text.assign(text.substr(begin, stop - begin));
            const size_t endLength = text.compare(stop, 2, "\r\n") == 0 ? 2 : 1;
            line.end.assign(text.substr(stop, endLength));
            begin = stop + endLength;
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

bool HoldsControlBytes(std::string_view text)
{
    for (char c : text)
        if (IsControlByte(c))
            return true;
    return false;
}

int CEditRLine::SetText(const std::string& text, bool markPending, INameWarner* warner)
{
    if (text == m_text)
        return 1;
    m_text = text;
    Tokenize();
    const int result = CheckNameLengths(warner);
    if (markPending)
        m_pending = true;
    return result;
}

void CEditRLine::Tokenize()
{
    if (m_fileType == kFileTypeBasic)
        m_states = TokenizeLine(m_text);
}

// Bit k of the mask stands for the k-th variable-name token of the line, so
// a name is warned about once until the line is sent.
int CEditRLine::CheckNameLengths(INameWarner* warner)
{
    if (!warner || m_fileType != kFileTypeBasic)
        return 1;
    int result = 1;
    int k = 0;
    for (int n = 0;; ++n) {
        int state = 0;
        const std::string token = GetToken(n, state);
        if (state == kStateUnknown && token.empty())
            break;
        if (state != kStateName)
            continue;
        const uint32_t bit = k < 32 ? (1u << k) : 0;
        ++k;
        if (static_cast<int>(token.size()) > m_nameLimit && bit && !(m_warnedNames & bit)) {
            if (warner->WarnLongName(token, m_nameLimit))
                result = 0;
            m_warnedNames |= bit;
        }
    }
    return result;
}

std::string CEditRLine::GetText(int column) const
{
    if (column < 0)
        column = 0;
    if (column >= Length())
        return {};
    return m_text.substr(static_cast<size_t>(column));
}

std::string CEditRLine::GetTextBetween(int from, int to) const
{
    if (from < 0 || from > to || to > Length())
        return {};
    return m_text.substr(static_cast<size_t>(from), static_cast<size_t>(to - from));
}

void CEditRLine::TrimRight()
{
    size_t e = m_text.size();
    while (e > 0 && IsSpaceByte(m_text[e - 1]))
        --e;
    m_text.resize(e);
    if (m_states.size() > e)
        m_states.resize(e);
}

bool CEditRLine::CutTo80()
{
    if (m_text.size() <= static_cast<size_t>(kLineLimit))
        return false;
    m_text.resize(kLineLimit);
    if (m_states.size() > m_text.size())
        m_states.resize(m_text.size());
    return true;
}

std::string CEditRLine::GetToken(int n, int& state) const
{
    const size_t len = std::min(m_states.size(), m_text.size());
    size_t i = 0;
    for (int t = 0; i < len; ++t) {
        size_t start = i;
        while (i < len && m_states[i] == m_states[start])
            ++i;
        if (t == n) {
            state = m_states[start];
            return m_text.substr(start, i - start);
        }
    }
    state = kStateUnknown;
    return {};
}

int CEditRLine::GetTokenClass(int n) const
{
    int state = kStateUnknown;
    GetToken(n, state);
    return state;
}

bool CEditRLine::IsWholeName(int from, int to) const
{
    const int len = static_cast<int>(std::min(m_states.size(), m_text.size()));
    if (from < 0 || to > len || from >= to)
        return false;
    for (int i = from; i < to; ++i)
        if (m_states[static_cast<size_t>(i)] != kStateName)
            return false;
    if (from > 0 && m_states[static_cast<size_t>(from - 1)] == kStateName)
        return false;
    return !(to < len && m_states[static_cast<size_t>(to)] == kStateName);
}

int CEditRLine::Find(const std::string& what, int column, bool matchCase, bool backwards) const
{
    if (what.empty() || what.size() > m_text.size())
        return -1;
    auto same = [matchCase](char a, char b) {
        return matchCase ? a == b
                         : std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
    };
    auto matchesAt = [&](int at) {
        for (size_t j = 0; j < what.size(); ++j)
            if (!same(m_text[static_cast<size_t>(at) + j], what[j]))
                return false;
        return true;
    };
    const int last = Length() - static_cast<int>(what.size());
    if (backwards) {
        for (int at = std::min(column, last); at >= 0; --at)
            if (matchesAt(at))
                return at;
    } else {
        for (int at = std::max(column, 0); at <= last; ++at)
            if (matchesAt(at))
                return at;
    }
    return -1;
}

bool CEditRLine::IsCodeLine() const
{
    size_t i = 0;
    while (i < m_text.size() && IsSpaceByte(m_text[i]))
        ++i;
    return i < m_text.size() && m_text[i] != '\'';
}

std::string CEditRLine::GetInclude() const
{
    return IncludedName(m_text);
}

std::string CEditRLine::GetLabel() const
{
    return LabelAtLineStart(m_text, m_states);
}

} // namespace editor
