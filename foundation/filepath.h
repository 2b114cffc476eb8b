// CFilePath: a Windows file path kept as folder, name and extension, so a
// caller can replace one part and join them again.
#pragma once

#include "framework/cstring.h"

class CFilePath {
public:
    CFilePath() = default;
    explicit CFilePath(LPCSTR path) { SetPath(path); }
    CFilePath(const CFilePath&) = default;
    CFilePath& operator=(const CFilePath&) = default;
    virtual ~CFilePath() = default;

    // Splits at the last backslash and at the last dot after it. A path
    // without a backslash leaves all three parts empty.
    void SetPath(LPCSTR path);

    const CString& GetDirectory() const { return m_directory; }
    const CString& GetName() const { return m_name; }
    const CString& GetExtension() const { return m_extension; }

    // Stores the folder without trailing backslashes.
    BOOL SetDirectory(LPCSTR folder);
    // Splits a file name at its last dot (no dot: no extension); FALSE,
    // changing nothing, when it holds a backslash.
    BOOL SetFileName(LPCSTR fileName);
    // FALSE, changing nothing, when the extension holds a backslash.
    BOOL SetExtension(LPCSTR extension);

    // directory + "\" + name + "." + extension, always with both
    // separators.
    CString GetFullPath() const;
    // directory + "\" + name.
    CString GetPathWithoutExtension() const;
    // name, plus "." and the extension when there is one.
    CString GetFullName() const;

    // Appends "\" and the subfolder (without backslashes at its ends) to
    // the folder.
    void AppendDirectory(LPCSTR subfolder);

private:
    CString m_directory;
    CString m_name;
    CString m_extension;
};
