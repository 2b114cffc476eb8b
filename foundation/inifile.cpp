#include "foundation/inifile.h"

#include <cstdlib>

#include "foundation/logline.h"
#include "foundation/safefile.h"
#include "foundation/textutil.h"
#include "framework/prompt.h"

namespace {

using Lock = std::lock_guard<std::recursive_mutex>;

// Logs a text refused because writing it would change the file's
// structure (a line end, or a key that would read as a header or split at
// its "=").
BOOL RefuseText(LPCSTR path, LPCSTR what, LPCSTR text)
{
    GlobalLogFormat(LOG_STATUS_ERRORS, "INI file %s: %s refused, it would change the file's layout: \"%s\"", path, what,
                    text ? text : "(null)");
    return FALSE;
}

} // namespace

CString MakeNumberedKey(LPCSTR base, int index)
{
    return FormatString("%s%d", base ? base : "", index);
}

CIniFile::CIniFile(LPCSTR path) : m_path(path ? path : "") {}

CIniFile::~CIniFile()
{
    Lock lock(m_lock);
    if (m_deferredWrite)
        Flush(FALSE);
}

BOOL CIniFile::FileExists() const
{
    return ::FileExists(m_path);
}

BOOL CIniFile::ReadFileText(std::string& text) const
{
    return ReadWholeFileBytes(m_path, text);
}

BOOL CIniFile::WriteFileText(const std::string& text, const std::string* readBefore)
{
    if (!m_path.IsEmpty() && ReplaceFileContents(m_path, text, readBefore))
        return TRUE;
    return ReportWriteFailure();
}

BOOL CIniFile::ReportWriteFailure() const
{
    CString message;
    message.Format("Error writing to file:\n%s", m_path.GetString());
    AfxGetPromptService().PromptDetached(message, "Project file", MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

BOOL CIniFile::CheckSectionLines(LPCSTR section, const CStringList& lines) const
{
    if (!IniText::IsWritableSectionName(section))
        return RefuseText(m_path, "section name", section);
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        const CString& line = lines.GetNext(pos);
        if (!IniText::IsWritableLine(line))
            return RefuseText(m_path, "line", line);
    }
    return TRUE;
}

BOOL CIniFile::CheckEntry(LPCSTR section, LPCSTR key, LPCSTR value) const
{
    if (!IniText::IsWritableSectionName(section))
        return RefuseText(m_path, "section name", section);
    if (!IniText::IsWritableKey(key))
        return RefuseText(m_path, "key", key);
    if (!IniText::IsWritableValue(value))
        return RefuseText(m_path, "value", value);
    return TRUE;
}

BOOL CIniFile::CacheHolds(LPCSTR section) const
{
    return !m_cache.GetName().IsEmpty() && m_cache.IsNamed(section);
}

int CIniFile::CountNumberedKeys(LPCSTR section, LPCSTR base)
{
    Lock lock(m_lock);
    int count = 0;
    while (HasKey(section, MakeNumberedKey(base, count)))
        ++count;
    return count;
}

BOOL CIniFile::LoadSection(LPCSTR section)
{
    Lock lock(m_lock);
    if (!section)
        return FALSE;
    if (CacheHolds(section))
        return TRUE;
    if (m_deferredWrite)
        Flush(FALSE);
    CStringList lines;
    ReadSection(section, lines, TRUE);
    if (!CacheHolds(section)) {
        m_cache.Clear();
        m_cache.SetName(section);
        m_cache.LoadFromLines(lines);
        m_cache.ClearModified();
    }
    return TRUE;
}

BOOL CIniFile::ReplaceSectionInFile(LPCSTR section, const CStringList& lines)
{
    Lock lock(m_lock);
    if (!section || m_path.IsEmpty() || !CheckSectionLines(section, lines))
        return FALSE;
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return ReportWriteFailure();
    std::string text;
    BOOL exists = FALSE;
    // Never write a file whose content could not be read whole.
    if (!ReadWholeFileBytes(m_path, text, &exists) && exists)
        return ReportWriteFailure();
    return WriteFileText(IniText::ReplaceSection(text, section, lines), &text);
}

BOOL CIniFile::ReadString(CString& out, LPCSTR section, LPCSTR key, LPCSTR defaultValue)
{
    Lock lock(m_lock);
    if (defaultValue)
        out = defaultValue;
    if (!section || !key)
        return FALSE;
    CStringList lines;
    ReadSection(section, lines, TRUE);
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        CString lineKey, lineValue;
        if (IniText::SplitEntry(lines.GetNext(pos), lineKey, lineValue) && lineKey.CompareNoCase(key) == 0) {
            out = lineValue;
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CIniFile::WriteStringToFile(LPCSTR section, LPCSTR key, LPCSTR value)
{
    Lock lock(m_lock);
    if (!section || !key || !value || !CheckEntry(section, key, value))
        return FALSE;
    // Held from the read to the replacement, so that another writer's
    // change in between is not lost.
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return ReportWriteFailure();
    CString newKey = key, newValue = value;
    newKey.Trim();
    newValue.Trim();
    const CString newLine = newKey + "=" + newValue;

    CStringList lines;
    ReadSection(section, lines, TRUE);
    bool matched = false, changed = false;
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        CString& line = lines.GetNext(pos);
        CString lineKey, lineValue;
        if (!IniText::SplitEntry(line, lineKey, lineValue) || lineKey.CompareNoCase(newKey) != 0)
            continue;
        matched = true;
        if (lineValue != newValue) {
            line = newLine;
            changed = true;
        }
    }
    if (!matched) {
        lines.AddTail(newLine);
        changed = true;
    }
    if (!changed)
        return TRUE;
    if (!WriteSection(section, lines, TRUE))
        return FALSE;
    if (m_caching && !m_deferredWrite && CacheHolds(section)) {
        // The cache was read before the change: show the new text.
        m_cache.LoadFromLines(lines);
        m_cache.ClearModified();
    }
    return TRUE;
}

void CIniFile::SetFilePath(LPCSTR path)
{
    Lock lock(m_lock);
    if (m_deferredWrite)
        Flush(FALSE);
    m_cache.Clear();
    m_path = path ? path : "";
}

CString CIniFile::GetFilePath() const
{
    Lock lock(m_lock);
    return m_path;
}

CString CIniFile::GetString(LPCSTR section, LPCSTR key, LPCSTR defaultValue)
{
    Lock lock(m_lock);
    const CString fallback = defaultValue ? defaultValue : "";
    if (!section || !key)
        return fallback;
    if (m_caching) {
        LoadSection(section);
        CIniFileEntry* entry = m_cache.FindEntry(key);
        return entry ? entry->m_value : fallback;
    }
    CString out = fallback;
    ReadString(out, section, key, fallback);
    return out;
}

int CIniFile::GetInt(LPCSTR section, LPCSTR key, int defaultValue)
{
    const CString text = GetString(section, key, FormatString("%d", defaultValue));
    return text.IsEmpty() ? defaultValue : std::atoi(text);
}

long CIniFile::GetLong(LPCSTR section, LPCSTR key, long defaultValue)
{
    const CString text = GetString(section, key, FormatString("%ld", defaultValue));
    return text.IsEmpty() ? defaultValue : std::atol(text);
}

double CIniFile::GetDouble(LPCSTR section, LPCSTR key, double defaultValue)
{
    const CString text = GetString(section, key, FormatString("%#.10g", defaultValue));
    return text.IsEmpty() ? defaultValue : std::atof(text);
}

BOOL CIniFile::GetBool(LPCSTR section, LPCSTR key, BOOL defaultValue)
{
    return GetInt(section, key, defaultValue ? 1 : 0) == 1;
}

BOOL CIniFile::GetSectionNames(CStringList& names)
{
    Lock lock(m_lock);
    names.RemoveAll();
    std::string text;
    if (!ReadFileText(text))
        return FALSE;
    IniText::GetSectionNames(text, names);
    return TRUE;
}

BOOL CIniFile::ReadSection(LPCSTR section, CStringList& lines, BOOL fromFile)
{
    Lock lock(m_lock);
    lines.RemoveAll();
    if (!section)
        return FALSE;
    if (m_caching && !fromFile && CacheHolds(section)) {
        m_cache.ToLines(lines);
        return TRUE;
    }
    if (!FileExists())
        return FALSE;
    if (m_deferredWrite)
        Flush(FALSE);
    std::string text;
    ReadFileText(text);
    const bool found = IniText::ReadSection(text, section, lines);
    if (m_caching) {
        m_cache.Clear();
        m_cache.SetName(section);
        m_cache.LoadFromLines(lines);
        m_cache.ClearModified();
    }
    return found ? TRUE : FALSE;
}

BOOL CIniFile::WriteSection(LPCSTR section, const CStringList& lines, BOOL writeNow)
{
    Lock lock(m_lock);
    if (!section || !CheckSectionLines(section, lines))
        return FALSE;
    if (m_deferredWrite) {
        // Only one section holds unwritten changes: write the other first.
        if (!CacheHolds(section))
            Flush(FALSE);
        m_cache.Clear();
        m_cache.SetName(section);
        m_cache.LoadFromLines(lines);
        return writeNow ? Flush(TRUE) : TRUE;
    }
    return ReplaceSectionInFile(section, lines);
}

BOOL CIniFile::WriteString(LPCSTR section, LPCSTR key, LPCSTR value)
{
    Lock lock(m_lock);
    if (!section || !key || !value || !CheckEntry(section, key, value))
        return FALSE;
    if (m_caching) {
        LoadSection(section);
        CIniFileEntry* entry = m_cache.FindEntry(key);
        if (entry && entry->m_value.CompareNoCase(value) == 0)
            return TRUE;
        if (m_deferredWrite) {
            CString newKey = key, newValue = value;
            return m_cache.SetValue(newKey.Trim(), newValue.Trim());
        }
    }
    return WriteStringToFile(section, key, value);
}

BOOL CIniFile::WriteInt(LPCSTR section, LPCSTR key, int value)
{
    return WriteString(section, key, FormatString("%d", value));
}

BOOL CIniFile::WriteLong(LPCSTR section, LPCSTR key, long value)
{
    return WriteString(section, key, FormatString("%ld", value));
}

BOOL CIniFile::WriteDouble(LPCSTR section, LPCSTR key, double value)
{
    return WriteString(section, key, FormatString("%#.10g", value));
}

BOOL CIniFile::WriteBool(LPCSTR section, LPCSTR key, BOOL value)
{
    return WriteInt(section, key, value ? 1 : 0);
}

BOOL CIniFile::DeleteSection(LPCSTR section)
{
    Lock lock(m_lock);
    if (!section)
        return FALSE;
    if (CacheHolds(section))
        m_cache.Clear();
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return ReportWriteFailure();
    std::string text;
    if (!ReadFileText(text))
        return !FileExists();
    const std::string before = text;
    if (!IniText::RemoveSection(text, section, true))
        return TRUE;
    return WriteFileText(text, &before);
}

BOOL CIniFile::ClearSection(LPCSTR section)
{
    Lock lock(m_lock);
    if (!section)
        return FALSE;
    if (CacheHolds(section))
        m_cache.Clear();
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return ReportWriteFailure();
    std::string text;
    if (!ReadFileText(text))
        return !FileExists();
    const std::string before = text;
    if (!IniText::RemoveSection(text, section, false))
        return TRUE;
    return WriteFileText(text, &before);
}

BOOL CIniFile::DeleteKeyInFile(LPCSTR section, LPCSTR key)
{
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return ReportWriteFailure();
    CStringList lines;
    ReadSection(section, lines, TRUE);
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        const POSITION at = pos;
        CString lineKey, lineValue;
        if (IniText::SplitEntry(lines.GetNext(pos), lineKey, lineValue) && lineKey.CompareNoCase(key) == 0)
            lines.RemoveAt(at);
    }
    if (!WriteSection(section, lines, FALSE))
        return FALSE;
    if (m_caching && !m_deferredWrite && CacheHolds(section)) {
        m_cache.LoadFromLines(lines);
        m_cache.ClearModified();
    }
    return TRUE;
}

BOOL CIniFile::DeleteKey(LPCSTR section, LPCSTR key)
{
    Lock lock(m_lock);
    if (!section || !key || !HasKey(section, key))
        return FALSE;
    if (m_caching && CacheHolds(section)) {
        if (m_deferredWrite)
            return m_cache.RemoveKey(key);
        // Caching without deferred writing: the removal goes to the file at
        // once, like a write does.
        return DeleteKeyInFile(section, key);
    }
    return DeleteKeyInFile(section, key);
}

BOOL CIniFile::HasSection(LPCSTR section)
{
    Lock lock(m_lock);
    if (!section)
        return FALSE;
    if (m_caching && CacheHolds(section))
        return TRUE;
    CStringList names;
    GetSectionNames(names);
    for (POSITION pos = names.GetHeadPosition(); pos;) {
        if (names.GetNext(pos).CompareNoCase(section) == 0)
            return TRUE;
    }
    return FALSE;
}

BOOL CIniFile::HasKey(LPCSTR section, LPCSTR key)
{
    Lock lock(m_lock);
    if (!section || !key)
        return FALSE;
    if (m_caching && CacheHolds(section))
        return m_cache.HasKey(key);
    std::string text;
    if (!ReadFileText(text))
        return FALSE;
    CStringList lines;
    IniText::ReadSection(text, section, lines);
    for (POSITION pos = lines.GetHeadPosition(); pos;) {
        CString lineKey, lineValue;
        if (IniText::SplitEntry(lines.GetNext(pos), lineKey, lineValue) && lineKey.CompareNoCase(key) == 0)
            return TRUE;
    }
    return FALSE;
}

int CIniFile::GetNumberedStrings(LPCSTR section, LPCSTR base, CStringList& list)
{
    Lock lock(m_lock);
    list.RemoveAll();
    const int count = CountNumberedKeys(section, base);
    for (int i = 0; i < count; ++i)
        list.AddTail(GetString(section, MakeNumberedKey(base, i), ""));
    return count;
}

BOOL CIniFile::SetNumberedStrings(LPCSTR section, LPCSTR base, const CStringList& list)
{
    Lock lock(m_lock);
    if (!section || !base)
        return FALSE;
    BOOL ok = TRUE;
    const int oldCount = CountNumberedKeys(section, base);
    for (int i = static_cast<int>(list.GetCount()); i < oldCount; ++i) {
        if (!DeleteKey(section, MakeNumberedKey(base, i)))
            ok = FALSE;
    }
    int index = 0;
    for (POSITION pos = list.GetHeadPosition(); pos; ++index) {
        const CString& text = list.GetNext(pos);
        const CString key = MakeNumberedKey(base, index);
        if (GetString(section, key, "") != text && !WriteString(section, key, text))
            ok = FALSE;
    }
    return ok;
}

void CIniFile::SetCaching(BOOL on)
{
    Lock lock(m_lock);
    if (!on && m_deferredWrite) {
        Flush(FALSE);
        m_deferredWrite = FALSE;
    }
    m_cache.Clear();
    m_caching = on ? TRUE : FALSE;
}

BOOL CIniFile::IsCaching() const
{
    Lock lock(m_lock);
    return m_caching;
}

void CIniFile::SetDeferredWrite(BOOL on)
{
    Lock lock(m_lock);
    if (on) {
        if (m_deferredWrite)
            Flush(FALSE);
        m_cache.Clear();
        m_caching = TRUE;
        m_deferredWrite = TRUE;
        return;
    }
    if (m_deferredWrite)
        Flush(FALSE);
    m_deferredWrite = FALSE;
}

BOOL CIniFile::IsDeferredWrite() const
{
    Lock lock(m_lock);
    return m_deferredWrite;
}

BOOL CIniFile::Flush(BOOL force)
{
    Lock lock(m_lock);
    if (!m_deferredWrite || m_cache.GetName().IsEmpty())
        return TRUE;
    if (!force && m_cache.GetModifiedCount(TRUE) == 0)
        return TRUE;
    CStringList lines;
    m_cache.ToLines(lines);
    if (!ReplaceSectionInFile(m_cache.GetName(), lines))
        return FALSE;
    m_cache.ClearModified();
    return TRUE;
}

BOOL CIniFile::ReloadCachedSection()
{
    Lock lock(m_lock);
    const CString name = m_cache.GetName();
    if (name.IsEmpty())
        return FALSE;
    CStringList lines;
    return ReadSection(name, lines, TRUE);
}

BOOL CIniFile::EraseFile()
{
    Lock lock(m_lock);
    m_cache.Clear();
    if (!FileExists())
        return TRUE;
    CFileWriteLock writeLock(m_path);
    if (!writeLock.Held())
        return FALSE;
    HANDLE file = ::CreateFileA(m_path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return FALSE;
    ::CloseHandle(file);
    return TRUE;
}
