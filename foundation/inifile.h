// CIniFile: INI-style text files with the program's own reader and writer.
// The product INI file (CVQIni), the project file and the drive data files
// build on it.
//
// Optional one-section cache; optional deferred writing, in which changes
// to the cached section are collected and written in one rewrite of that
// section (when another section is loaded, the path changes, caching or
// deferred writing is switched off, on Flush and on destruction).
//
// A section rewrite keeps every byte outside the section: the whole new
// file is built in a temporary file in the same folder, which then
// replaces the original atomically (foundation/safefile.h). A failed
// rewrite leaves the original intact, shows "Error writing to file:\n%s"
// (caption "Project file") through the prompt service without waiting,
// and gives FALSE. A read-only file is never rewritten. Rewrites hold the
// file's write lock (CFileWriteLock) from the read to the replacement, so
// two writers, in this process or another, never lose each other's
// changes; a file changed by anyone else meanwhile is not overwritten (the
// rewrite fails).
//
// Names, keys, values and lines that would change the file's layout when
// written (a CR or LF anywhere, a key holding "=" or beginning with "[", a
// section line beginning with "[") are refused: FALSE, a line in the log,
// the file unchanged. A UTF-8 byte-order mark is read past and kept.
//
// Section names, and keys, compare without regard to case everywhere.
// Every operation takes the object's own recursive lock, without a limit.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "foundation/iniparse.h"
#include "framework/collections.h"
#include "framework/cstring.h"

class CIniFile {
public:
    explicit CIniFile(LPCSTR path = nullptr);
    virtual ~CIniFile();
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // How many of base0, base1, ... exist in a row (HasKey).
    virtual int CountNumberedKeys(LPCSTR section, LPCSTR base);
    // Makes the cache hold section (flushing pending changes of another
    // one first); an empty cached section when the file has none. FALSE
    // for a null name.
    virtual BOOL LoadSection(LPCSTR section);
    // Rewrites the file so that the section's body is exactly the lines
    // (each followed by CR LF); a missing section is appended.
    virtual BOOL ReplaceSectionInFile(LPCSTR section, const CStringList& lines);
    // out = default, then the trimmed value of the first entry line of the
    // section whose key matches, read from the file. TRUE when found.
    virtual BOOL ReadString(CString& out, LPCSTR section, LPCSTR key, LPCSTR defaultValue);
    // Replaces every entry line of the section whose key matches and whose
    // value differs by key=value, or appends key=value when no key
    // matched; rewrites the section (its non-entry lines go) when anything
    // changed.
    virtual BOOL WriteStringToFile(LPCSTR section, LPCSTR key, LPCSTR value);
    virtual void SetFilePath(LPCSTR path);
    virtual CString GetFilePath() const;

    virtual CString GetString(LPCSTR section, LPCSTR key, LPCSTR defaultValue = "");
    virtual int GetInt(LPCSTR section, LPCSTR key, int defaultValue = 0);
    virtual long GetLong(LPCSTR section, LPCSTR key, long defaultValue = 0);
    virtual double GetDouble(LPCSTR section, LPCSTR key, double defaultValue = 0.0);
    // TRUE only when the value is exactly 1.
    virtual BOOL GetBool(LPCSTR section, LPCSTR key, BOOL defaultValue = FALSE);
    // Every header name in file order (duplicates kept).
    virtual BOOL GetSectionNames(CStringList& names);
    // The section's trimmed entry lines; from the cache when it may serve
    // (caching on, fromFile false, the cache holds the section).
    virtual BOOL ReadSection(LPCSTR section, CStringList& lines, BOOL fromFile = FALSE);
    // Deferred writing: the cache becomes this section (written now with
    // writeNow); otherwise ReplaceSectionInFile.
    virtual BOOL WriteSection(LPCSTR section, const CStringList& lines, BOOL writeNow);
    virtual BOOL WriteString(LPCSTR section, LPCSTR key, LPCSTR value);
    virtual BOOL WriteInt(LPCSTR section, LPCSTR key, int value);
    virtual BOOL WriteLong(LPCSTR section, LPCSTR key, long value);
    virtual BOOL WriteDouble(LPCSTR section, LPCSTR key, double value);
    virtual BOOL WriteBool(LPCSTR section, LPCSTR key, BOOL value);
    virtual BOOL DeleteSection(LPCSTR section);
    // Removes the section's body, keeping its header.
    virtual BOOL ClearSection(LPCSTR section);
    virtual BOOL DeleteKey(LPCSTR section, LPCSTR key);
    virtual BOOL HasSection(LPCSTR section);
    virtual BOOL HasKey(LPCSTR section, LPCSTR key);
    // The values of base0 .. base(count-1); returns the count.
    virtual int GetNumberedStrings(LPCSTR section, LPCSTR base, CStringList& list);
    virtual BOOL SetNumberedStrings(LPCSTR section, LPCSTR base, const CStringList& list);
    virtual void SetCaching(BOOL on);
    virtual BOOL IsCaching() const;
    virtual void SetDeferredWrite(BOOL on);
    virtual BOOL IsDeferredWrite() const;
    // Writes the cached section when deferred writing is on and it has
    // changes (or always with force). FALSE only when a write failed.
    virtual BOOL Flush(BOOL force = FALSE);
    virtual BOOL ReloadCachedSection();
    // Empties the cache and cuts the file to length 0.
    virtual BOOL EraseFile();

    // The cache (tests and derived readers look at it).
    const CIniFileSection& GetCachedSection() const { return m_cache; }

protected:
    // Whether the file exists.
    BOOL FileExists() const;
    // The whole file; FALSE when it does not exist or cannot be read.
    BOOL ReadFileText(std::string& text) const;
    // Replaces the whole file; reports a failure to the user. With
    // readBefore, the file must still hold those bytes (see
    // ReplaceFileContents).
    BOOL WriteFileText(const std::string& text, const std::string* readBefore = nullptr);
    // Shows "Error writing to file" and gives FALSE.
    BOOL ReportWriteFailure() const;
    // FALSE (logged) when a name, key, value or line would change the
    // file's layout if written (foundation/iniparse.h, IsWritable...).
    BOOL CheckSectionLines(LPCSTR section, const CStringList& lines) const;
    BOOL CheckEntry(LPCSTR section, LPCSTR key, LPCSTR value) const;
    BOOL CacheHolds(LPCSTR section) const;
    // Where the removal of a cached key reaches the file when deferred
    // writing is off.
    BOOL DeleteKeyInFile(LPCSTR section, LPCSTR key);

    CString m_path;
    BOOL m_caching = FALSE;
    BOOL m_deferredWrite = FALSE;
    CIniFileSection m_cache;
    mutable std::recursive_mutex m_lock;
};

// The numbered key base + index ("%s%d").
CString MakeNumberedKey(LPCSTR base, int index);
