// CRegistry: names one registry key (a root handle and a path below it) and
// reads and writes typed values under it. Every operation
// opens the key, does its one thing and closes it again; the object holds
// no open handle. Failures are results (FALSE, or an output left unchanged
// or zeroed as stated); nothing is shown or thrown. A value of the wrong
// type counts as missing.
//
// Strings are written with their terminating NUL counted in the data
// length; readers accept values stored with or without it.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/cstring.h"

// What GetKeyInfo reports, in RegQueryInfoKey's order.
struct CRegistryKeyInfo {
    DWORD subKeyCount;
    DWORD maxSubKeyLength;
    DWORD valueCount;
    DWORD maxValueNameLength;
    DWORD maxValueDataLength;
    FILETIME lastWriteTime;
};

class CRegistry {
public:
    CRegistry() = default;
    CRegistry(HKEY root, LPCSTR path) : m_root(root), m_path(path ? path : "") {}

    // Opens root + path for reading to test it; on success stores both. On
    // failure the stored path is emptied (the root stays) and FALSE.
    BOOL Open(HKEY root, LPCSTR path);
    // Creates (or opens) path under root level by level: the first part up
    // to "\" under root, the rest under it. FALSE for an empty path, a
    // path that begins with "\", or when any level fails. Does not change
    // the stored key.
    static BOOL CreatePath(HKEY root, LPCSTR path);
    // CreatePath, then Open.
    BOOL CreateAndOpen(HKEY root, LPCSTR path);

    HKEY GetRoot() const { return m_root; }
    const CString& GetPath() const { return m_path; }
    void SetKey(HKEY root, LPCSTR path)
    {
        m_root = root;
        m_path = path ? path : "";
    }
    // Whether the stored key can be opened for reading.
    BOOL KeyExists() const;

    BOOL GetKeyInfo(CRegistryKeyInfo& info) const;
    // Every subkey name in enumeration order; FALSE at the first
    // enumeration error or when the key cannot be opened.
    BOOL GetSubKeyNames(CStringList& names) const;
    // Deletes the named subkey (it must have no subkeys of its own). TRUE
    // on success and also when the key itself cannot be opened.
    BOOL DeleteSubKey(LPCSTR name) const;
    BOOL ValueExists(LPCSTR name) const;
    // TRUE on success and also when the key cannot be opened.
    BOOL DeleteValue(LPCSTR name) const;

    // REG_SZ only. The text is emptied first.
    BOOL GetString(LPCSTR name, CString& text) const;
    BOOL SetString(LPCSTR name, LPCSTR text) const;
    // REG_DWORD. The output is 0 unless the read succeeds.
    BOOL GetDword(LPCSTR name, DWORD& value) const;
    BOOL SetDword(LPCSTR name, DWORD value) const;
    // REG_DWORD; the output changes only when the read succeeds.
    BOOL GetUInt(LPCSTR name, UINT& value) const;
    BOOL SetUInt(LPCSTR name, UINT value) const;
    // A REG_DWORD whose low 16 bits count; the output changes only on
    // success; the write zero-extends.
    BOOL GetWord(LPCSTR name, WORD& value) const;
    BOOL SetWord(LPCSTR name, WORD value) const;
    // REG_BINARY: copies min(size, stored length) bytes and sets size to
    // the count copied; size becomes 0 on any failure. Needs a buffer and
    // a size above 0.
    BOOL GetBinary(LPCSTR name, void* buffer, DWORD& size) const;
    BOOL SetBinary(LPCSTR name, const void* data, DWORD length) const;
    // Doubles are their 8 raw bytes (little-endian IEEE 754) in a
    // REG_BINARY value; TRUE only when exactly 8 bytes were read.
    BOOL GetDouble(LPCSTR name, double& value) const;
    BOOL SetDouble(LPCSTR name, double value) const;

private:
    HKEY OpenKey(REGSAM access) const;

    HKEY m_root = nullptr;
    CString m_path;
};
