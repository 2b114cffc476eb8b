// Files: CFile (a Win32 file handle with throwing reads and writes),
// CStdioFile (buffered, line-oriented, with text-mode line ends) and
// CFileFind (walks the entries that match a wildcard pattern).
//
// Errors throw CFileException* (see exceptions.h), except Open, which
// returns FALSE and fills the caller's exception object.
#pragma once

#include <windows.h>

#include "framework/cstring.h"
#include "framework/datetime.h"
#include "framework/exceptions.h"
#include "framework/object.h"

struct CFileStatus {
    CTime m_ctime; // creation
    CTime m_mtime; // last write
    CTime m_atime; // last access
    ULONGLONG m_size;
    BYTE m_attribute; // CFile::Attribute bits
    char m_szFullName[MAX_PATH];
};

class CFile : public CObject {
    DECLARE_DYNAMIC(CFile)
public:
    enum OpenFlags {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareCompat = 0x0000,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeNoInherit = 0x0080,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeText = 0x4000,   // CStdioFile only
        typeBinary = 0x8000, // CStdioFile only
    };
    enum Attribute {
        normal = 0x00,
        readOnly = 0x01,
        hidden = 0x02,
        system = 0x04,
        volume = 0x08,
        directory = 0x10,
        archive = 0x20,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    static inline const HANDLE hFileNull = INVALID_HANDLE_VALUE;

    CFile();
    // Wraps a handle the caller keeps: the destructor does not close it.
    explicit CFile(HANDLE hFile);
    // Opens at once and throws CFileException* on failure.
    CFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CFile() override;
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    operator HANDLE() const { return m_hFile; }

    // FALSE on failure, with the cause, system error and name in *pError
    // when it is given. modeCreate truncates unless modeNoTruncate is set.
    // Fails when this object already has a file open.
    virtual BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);

    // Reads up to nCount bytes; returns how many were read (0 at the end).
    virtual UINT Read(void* lpBuf, UINT nCount);
    virtual void Write(const void* lpBuf, UINT nCount);
    // Returns the new position from the start of the file.
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetPosition() const;
    virtual ULONGLONG GetLength() const;
    // Cuts or extends the file; the position is left at the new end.
    virtual void SetLength(ULONGLONG dwNewLen);
    virtual void Flush();
    // Close throws if the system reports an error; Abort never throws.
    virtual void Close();
    virtual void Abort();

    // The full path, the name with its extension, and the name without it.
    virtual CString GetFilePath() const { return m_strFileName; }
    virtual CString GetFileName() const;
    virtual CString GetFileTitle() const;
    virtual void SetFilePath(LPCTSTR lpszNewName) { m_strFileName = lpszNewName; }

    BOOL GetStatus(CFileStatus& rStatus) const;
    static BOOL GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus);
    static void Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName);
    static void Remove(LPCTSTR lpszFileName);

    HANDLE m_hFile;

protected:
    BOOL m_bCloseOnDelete;
    CString m_strFileName;
};

// Buffered file access for text. In text mode (the default, or typeText)
// reading turns CR LF into LF (a lone CR stays) and writing turns LF into
// CR LF; in binary mode (typeBinary) bytes pass unchanged. Positions are
// byte offsets in the file, whatever the buffer holds.
class CStdioFile : public CFile {
    DECLARE_DYNAMIC(CStdioFile)
public:
    CStdioFile();
    CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags);
    ~CStdioFile() override;

    BOOL Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr) override;

    // One line without its line end (LF or CR LF); FALSE at the end of the
    // file. A last line without a line end is still returned.
    virtual BOOL ReadString(CString& rString);
    // Like fgets: at most nMax - 1 characters, keeping the "\n"; null at
    // the end of the file.
    virtual LPTSTR ReadString(LPTSTR lpsz, UINT nMax);
    virtual void WriteString(LPCTSTR lpsz);

    UINT Read(void* lpBuf, UINT nCount) override;
    void Write(const void* lpBuf, UINT nCount) override;
    ULONGLONG Seek(LONGLONG lOff, UINT nFrom) override;
    ULONGLONG GetPosition() const override;
    ULONGLONG GetLength() const override;
    void SetLength(ULONGLONG dwNewLen) override;
    // Writes out the buffer (the system may still cache it).
    void Flush() override;
    void Close() override;
    void Abort() override;

private:
    enum { kBufferSize = 4096 };

    bool FillBuffer();
    int GetChar();
    void PutBytes(const char* bytes, UINT count);
    void FlushWrites();
    void DropReadAhead();

    BOOL m_bText = TRUE;
    // Either read-ahead bytes [m_readPos, m_readLen) or m_writeLen pending
    // bytes, never both.
    UINT m_readPos = 0;
    UINT m_readLen = 0;
    UINT m_writeLen = 0;
    char m_buffer[kBufferSize];
};

// Walks the files and folders that match a pattern. After FindFile, each
// FindNextFile moves to the next entry and returns FALSE when that entry is
// the last one (its details can still be read):
//
//     BOOL more = finder.FindFile("C:\\data\\*.txt");
//     while (more) { more = finder.FindNextFile(); use(finder.GetFilePath()); }
class CFileFind : public CObject {
    DECLARE_DYNAMIC(CFileFind)
public:
    CFileFind();
    ~CFileFind() override;
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    virtual BOOL FindFile(LPCTSTR pstrName = nullptr, DWORD dwUnused = 0);
    virtual BOOL FindNextFile();
    void Close();

    ULONGLONG GetLength() const;
    virtual CString GetFileName() const;
    virtual CString GetFilePath() const;
    virtual CString GetFileTitle() const;
    virtual CString GetFileURL() const;
    // The searched folder, ending with a backslash.
    virtual CString GetRoot() const { return m_strRoot; }

    virtual BOOL GetLastWriteTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetLastAccessTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetCreationTime(FILETIME* pTimeStamp) const;
    virtual BOOL GetLastWriteTime(CTime& refTime) const;
    virtual BOOL GetLastAccessTime(CTime& refTime) const;
    virtual BOOL GetCreationTime(CTime& refTime) const;

    // TRUE when any of the FILE_ATTRIBUTE_ bits in dwMask is set.
    virtual BOOL MatchesMask(DWORD dwMask) const;
    // The "." and ".." entries of a folder.
    virtual BOOL IsDots() const;
    BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
    BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
    BOOL IsCompressed() const { return MatchesMask(FILE_ATTRIBUTE_COMPRESSED); }
    BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
    BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
    BOOL IsTemporary() const { return MatchesMask(FILE_ATTRIBUTE_TEMPORARY); }
    BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }
    BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }

private:
    BOOL GetTime(const FILETIME WIN32_FIND_DATAA::*field, FILETIME* pTimeStamp) const;

    HANDLE m_hContext = nullptr;
    BOOL m_bHaveFound = FALSE; // m_found holds an entry
    BOOL m_bHaveNext = FALSE;  // m_next holds the entry after it
    WIN32_FIND_DATAA m_found = {};
    WIN32_FIND_DATAA m_next = {};
    CString m_strRoot;
};
