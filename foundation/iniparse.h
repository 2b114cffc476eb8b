// The INI text layer: entries, the cached section, and the rules that find
// headers, entries and sections in whole-file text and rewrite one
// section. Plain C++ over bytes; no Win32 header, so it also builds
// natively. CIniFile (foundation/inifile.h) puts files under it.
//
// Text rules:
// - A header is a line whose first character is "[" and whose last "]"
//   stands at index 2 or later; the name is the text between, trimmed.
//   Names compare without regard to case.
// - A section runs from its header to the next line whose first character
//   is "[". Its entry lines are the non-empty lines holding "=", trimmed;
//   the key is the trimmed text left of the first "=", the value the
//   trimmed text right of it.
// - Lines end with LF or CR LF; a last line without a line end counts.
// - A UTF-8 byte-order mark at the start of the text belongs to no line:
//   it is skipped on reading and kept where it is on rewriting.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "foundation/containers.h"
#include "framework/collections.h"
#include "framework/cstring.h"

// One key and value of a section, with a modified flag (1 when made).
class CIniFileEntry {
public:
    CIniFileEntry() = default;
    CIniFileEntry(LPCSTR key, LPCSTR value, DWORD modified = 1);
    virtual ~CIniFileEntry() = default;
    CIniFileEntry(const CIniFileEntry&) = default;
    CIniFileEntry& operator=(const CIniFileEntry&) = default;

    // Both texts must be non-null; FALSE (and no change) otherwise.
    BOOL Set(LPCSTR key, LPCSTR value, DWORD modified = 1);
    // The value must be non-null.
    BOOL SetValue(LPCSTR value, DWORD modified = 1);

    CString m_key;
    CString m_value;
    DWORD m_modified = 1;
};

// A named list of entries with a count of keys removed since the last
// write: the cache of CIniFile.
class CIniFileSection {
public:
    CIniFileSection() = default;
    virtual ~CIniFileSection() = default;
    CIniFileSection(const CIniFileSection&) = delete;
    CIniFileSection& operator=(const CIniFileSection&) = delete;

    // A null name is ignored.
    void SetName(LPCSTR name);
    const CString& GetName() const { return m_name; }
    // Whether the name equals name without regard to case (never for null).
    BOOL IsNamed(LPCSTR name) const;
    // Empty name, no entries, no removals.
    void Clear();

    // Replaces the entries with those of the lines: every line with "=" at
    // index 1 or later whose trimmed key and value are both non-empty,
    // modified flag 1.
    void LoadFromLines(const CStringList& lines);
    // key=value per entry, in order, leaving out entries whose trimmed key
    // or value is empty.
    void ToLines(CStringList& lines) const;

    // First entry whose key equals key without regard to case; null when
    // none (or for a null key).
    CIniFileEntry* FindEntry(LPCSTR key) const;
    BOOL HasKey(LPCSTR key) const { return FindEntry(key) != nullptr; }
    // Empty when absent.
    CString GetValue(LPCSTR key) const;
    // Changes the entry's value or appends an entry; its flag becomes 1.
    // FALSE for a null key or value.
    BOOL SetValue(LPCSTR key, LPCSTR value);
    // Removes the entry and counts the removal; FALSE when absent.
    BOOL RemoveKey(LPCSTR key);

    // Entries with their flag set, plus the removals when asked.
    int GetModifiedCount(BOOL includeRemovals) const;
    void ClearModified();
    INT_PTR GetEntryCount() const { return m_entries.GetCount(); }
    const CTList<CIniFileEntry>& GetEntries() const { return m_entries; }

private:
    CString m_name;
    CTList<CIniFileEntry> m_entries;
    DWORD m_removed = 0;
};

namespace IniText {

// Whether line is a header; its trimmed name goes to name (optional).
bool ParseHeader(std::string_view line, CString* name);
// Whether line (already trimmed or not) is an entry line with a key: it
// holds "=" at index 1 or later of its trimmed form. key and value are the
// trimmed parts. A line whose "=" comes first has no key (false).
bool SplitEntry(const CString& line, CString& key, CString& value);

// Whether a text can be written without changing the file's structure.
// No text may hold CR or LF (it would start a line of its own, perhaps a
// section header); a key (trimmed) may also not hold "=" or begin with "[",
// and a whole section line may not begin with "[". Null is refused.
bool IsWritableSectionName(LPCSTR section);
bool IsWritableKey(LPCSTR key);
bool IsWritableValue(LPCSTR value);
bool IsWritableLine(LPCSTR line);

// Positions of one line in a text: [begin, end) is its content without the
// line end, next is where the following line begins.
struct Line {
    size_t begin;
    size_t end;
    size_t next;
};
std::vector<Line> SplitLines(std::string_view text);

// The trimmed entry lines of the first section whose trimmed name equals
// section without regard to case; false when there is no such section.
bool ReadSection(std::string_view text, LPCSTR section, CStringList& lines);

// Every header name in order (trimmed; duplicates kept).
void GetSectionNames(std::string_view text, CStringList& names);

// The text with the body of the first section named section replaced by
// the lines, each followed by CR LF. Every byte before the header line
// (and the header line itself) and every byte from the next line that
// begins with "[" on stay as they were. A missing section is appended at
// the end as "[section]" CR LF and the lines; a line end is put first when
// the text does not end with one.
std::string ReplaceSection(std::string_view text, LPCSTR section, const CStringList& lines);

// Finds the first line that begins with "[" + section + "]" (without
// regard to case, no trimming) and removes the lines after it up to the
// next line beginning with "[", and with removeHeader the header line
// too. Every other byte stays. Returns whether anything was removed.
bool RemoveSection(std::string& text, LPCSTR section, bool removeHeader);

} // namespace IniText
