#include "foundation/iniparse.h"

#include <cstring>

// ---- CIniFileEntry -------------------------------------------------------

CIniFileEntry::CIniFileEntry(LPCSTR key, LPCSTR value, DWORD modified)
{
    Set(key, value, modified);
}

BOOL CIniFileEntry::Set(LPCSTR key, LPCSTR value, DWORD modified)
{
    if (!key || !value)
        return FALSE;
    m_key = key;
    m_value = value;
    m_modified = modified;
    return TRUE;
}

BOOL CIniFileEntry::SetValue(LPCSTR value, DWORD modified)
{
    if (!value)
        return FALSE;
    m_value = value;
    m_modified = modified;
    return TRUE;
}

// ---- CIniFileSection -----------------------------------------------------

void CIniFileSection::SetName(LPCSTR name)
{
    if (name)
        m_name = name;
}

BOOL CIniFileSection::IsNamed(LPCSTR name) const
{
    return name && m_name.CompareNoCase(name) == 0;
}

void CIniFileSection::Clear()
{
    m_name.Empty();
    m_entries.RemoveAll();
    m_removed = 0;
}

void CIniFileSection::LoadFromLines(const CStringList& lines)
{
    m_entries.RemoveAll();
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        const CString& line = lines.GetNext(pos);
        const int equals = line.Find('=');
        if (equals < 1)
            continue;
        CString key = line.Left(equals);
        CString value = line.Mid(equals + 1);
        key.Trim();
        value.Trim();
        if (key.IsEmpty() || value.IsEmpty())
            continue;
        CIniFileEntry entry(key, value, 1);
        m_entries.AddTail(&entry);
    }
}

void CIniFileSection::ToLines(CStringList& lines) const
{
    for (CIniFileEntry* entry = m_entries.GetHead(); entry; entry = m_entries.GetNext(entry)) {
        CString key = entry->m_key;
        CString value = entry->m_value;
        if (key.Trim().IsEmpty() || value.Trim().IsEmpty())
            continue;
        lines.AddTail(entry->m_key + "=" + entry->m_value);
    }
}

CIniFileEntry* CIniFileSection::FindEntry(LPCSTR key) const
{
    if (!key)
        return nullptr;
    for (CIniFileEntry* entry = m_entries.GetHead(); entry; entry = m_entries.GetNext(entry)) {
        if (entry->m_key.CompareNoCase(key) == 0)
            return entry;
    }
    return nullptr;
}

CString CIniFileSection::GetValue(LPCSTR key) const
{
    CIniFileEntry* entry = FindEntry(key);
    return entry ? entry->m_value : CString();
}

BOOL CIniFileSection::SetValue(LPCSTR key, LPCSTR value)
{
    if (!key || !value)
        return FALSE;
    if (CIniFileEntry* entry = FindEntry(key))
        return entry->SetValue(value, 1);
    CIniFileEntry entry(key, value, 1);
    return m_entries.AddTail(&entry) != nullptr;
}

BOOL CIniFileSection::RemoveKey(LPCSTR key)
{
    CIniFileEntry* entry = FindEntry(key);
    if (!entry)
        return FALSE;
    m_entries.Remove(entry);
    ++m_removed;
    return TRUE;
}

int CIniFileSection::GetModifiedCount(BOOL includeRemovals) const
{
    int count = 0;
    for (CIniFileEntry* entry = m_entries.GetHead(); entry; entry = m_entries.GetNext(entry)) {
        if (entry->m_modified)
            ++count;
    }
    if (includeRemovals)
        count += static_cast<int>(m_removed);
    return count;
}

void CIniFileSection::ClearModified()
{
    for (CIniFileEntry* entry = m_entries.GetHead(); entry; entry = m_entries.GetNext(entry))
        entry->m_modified = 0;
    m_removed = 0;
}

// ---- Text rules ----------------------------------------------------------

namespace IniText {

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = text[i], b = prefix[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

std::string_view Content(std::string_view text, const Line& line)
{
    return text.substr(line.begin, line.end - line.begin);
}

bool IsNamedHeader(std::string_view line, LPCSTR section)
{
    CString name;
    return ParseHeader(line, &name) && name.CompareNoCase(section) == 0;
}

// Index of the header line of the first section named section, or -1.
int FindHeader(std::string_view text, const std::vector<Line>& lines, LPCSTR section)
{
    for (size_t i = 0; i < lines.size(); ++i) {
        if (IsNamedHeader(Content(text, lines[i]), section))
            return static_cast<int>(i);
    }
    return -1;
}

// Index of the first line after header that begins with "[", or the line
// count.
size_t SectionEnd(std::string_view text, const std::vector<Line>& lines, size_t header)
{
    size_t i = header + 1;
    while (i < lines.size() && !(lines[i].end > lines[i].begin && text[lines[i].begin] == '['))
        ++i;
    return i;
}

} // namespace

bool ParseHeader(std::string_view line, CString* name)
{
    if (line.empty() || line[0] != '[')
        return false;
    const size_t close = line.rfind(']');
    if (close == std::string_view::npos || close < 2)
        return false;
    if (name) {
        *name = CString(line.substr(1, close - 1));
        name->Trim();
    }
    return true;
}

bool SplitEntry(const CString& line, CString& key, CString& value)
{
    CString trimmed = line;
    trimmed.Trim();
    const int equals = trimmed.Find('=');
    if (equals < 1)
        return false;
    key = trimmed.Left(equals);
    value = trimmed.Mid(equals + 1);
    key.Trim();
    value.Trim();
    return true;
}

bool IsWritableSectionName(LPCSTR section)
{
    return section && !std::strpbrk(section, "\r\n");
}

bool IsWritableKey(LPCSTR key)
{
    if (!key || std::strpbrk(key, "\r\n="))
        return false;
    while (*key == ' ' || *key == '\t')
        ++key;
    return *key != '[';
}

bool IsWritableValue(LPCSTR value)
{
    return value && !std::strpbrk(value, "\r\n");
}

bool IsWritableLine(LPCSTR line)
{
    return line && !std::strpbrk(line, "\r\n") && line[0] != '[';
}

std::vector<Line> SplitLines(std::string_view text)
{
    std::vector<Line> lines;
    // A byte-order mark is skipped; it stays in front of the first line.
    size_t begin = text.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    while (begin < text.size()) {
        const size_t lf = text.find('\n', begin);
        Line line;
        line.begin = begin;
        if (lf == std::string_view::npos) {
            line.end = text.size();
            line.next = text.size();
        } else {
            line.end = lf;
            line.next = lf + 1;
        }
        if (line.end > line.begin && text[line.end - 1] == '\r')
            --line.end;
        lines.push_back(line);
        begin = line.next;
    }
    return lines;
}

bool ReadSection(std::string_view text, LPCSTR section, CStringList& lines)
{
    if (!section)
        return false;
    const std::vector<Line> all = SplitLines(text);
    const int header = FindHeader(text, all, section);
    if (header < 0)
        return false;
    const size_t end = SectionEnd(text, all, static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        CString line(Content(text, all[i]));
        line.Trim();
        if (!line.IsEmpty() && line.Find('=') >= 0)
            lines.AddTail(line);
    }
    return true;
}

void GetSectionNames(std::string_view text, CStringList& names)
{
    for (const Line& line : SplitLines(text)) {
        CString name;
        if (ParseHeader(Content(text, line), &name))
            names.AddTail(name);
    }
}

std::string ReplaceSection(std::string_view text, LPCSTR section, const CStringList& lines)
{
    std::string body;
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        body += lines.GetNext(pos).str();
        body += "\r\n";
    }
    const std::vector<Line> all = SplitLines(text);
    const int header = section ? FindHeader(text, all, section) : -1;
    std::string result;
    if (header < 0) {
        result.assign(text);
        if (!result.empty() && result.back() != '\n' && !all.empty())
            result += "\r\n";
        result += "[";
        result += section ? section : "";
        result += "]\r\n";
        result += body;
        return result;
    }
    const Line& headerLine = all[static_cast<size_t>(header)];
    result.assign(text.substr(0, headerLine.next));
    // The header was the last line, without a line end or with a CR alone:
    // complete the line end.
    if (headerLine.next == headerLine.end)
        result += "\r\n";
    else if (text[headerLine.next - 1] != '\n')
        result += "\n";
    result += body;
    const size_t end = SectionEnd(text, all, static_cast<size_t>(header));
    if (end < all.size())
        result.append(text.substr(all[end].begin));
    return result;
}

bool RemoveSection(std::string& text, LPCSTR section, bool removeHeader)
{
    if (!section)
        return false;
    const std::string prefix = std::string("[") + section + "]";
    const std::vector<Line> all = SplitLines(text);
    size_t header = 0;
    while (header < all.size() && !StartsWithNoCase(Content(text, all[header]), prefix))
        ++header;
    if (header == all.size())
        return false;
    const size_t end = SectionEnd(text, all, header);
    const size_t from = removeHeader ? all[header].begin : all[header].next;
    const size_t to = end < all.size() ? all[end].begin : text.size();
    if (to <= from && !(removeHeader))
        return false;
    text.erase(from, to - from);
    return true;
}

} // namespace IniText
