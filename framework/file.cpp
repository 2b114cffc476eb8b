#include "framework/file.h"

#include <algorithm>
#include <cstring>

IMPLEMENT_DYNAMIC(CFile, CObject)
IMPLEMENT_DYNAMIC(CStdioFile, CFile)
IMPLEMENT_DYNAMIC(CFileFind, CObject)

namespace {

// The part of a path after its last folder separator.
CString NamePart(const CString& path)
{
    int slash = std::max(path.ReverseFind('\\'), path.ReverseFind('/'));
    slash = std::max(slash, path.ReverseFind(':'));
    return path.Mid(slash + 1);
}

CString TitlePart(const CString& path)
{
    CString name = NamePart(path);
    int dot = name.ReverseFind('.');
    return dot > 0 ? name.Left(dot) : name;
}

CString FullPath(LPCTSTR name)
{
    char buffer[MAX_PATH];
    DWORD n = ::GetFullPathNameA(name, sizeof buffer, buffer, nullptr);
    if (n == 0 || n >= sizeof buffer)
        return CString(name);
    return CString(buffer, static_cast<int>(n));
}

[[noreturn]] void ThrowLastError(const CString& fileName)
{
    CFileException::ThrowOsError(static_cast<LONG>(::GetLastError()), fileName);
}

} // namespace

// CFile

CFile::CFile() : m_hFile(hFileNull), m_bCloseOnDelete(FALSE) {}

CFile::CFile(HANDLE hFile) : m_hFile(hFile), m_bCloseOnDelete(FALSE) {}

CFile::CFile(LPCTSTR lpszFileName, UINT nOpenFlags) : m_hFile(hFileNull), m_bCloseOnDelete(FALSE)
{
    CFileException e;
    if (!CFile::Open(lpszFileName, nOpenFlags, &e))
        AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CFile::~CFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete)
        Abort();
}

BOOL CFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (pError)
        pError->Clear();
    auto fail = [&](LONG osError) {
        if (pError) {
            pError->m_lOsError = osError;
            pError->m_cause = CFileException::OsErrorToException(osError);
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    };
    // An open file must be closed first: closing it here could lose
    // buffered data without anyone hearing of it.
    if (!lpszFileName || m_hFile != hFileNull)
        return fail(ERROR_INVALID_PARAMETER);

    DWORD access;
    switch (nOpenFlags & 0x03) {
    case modeRead:
        access = GENERIC_READ;
        break;
    case modeWrite:
        access = GENERIC_WRITE;
        break;
    case modeReadWrite:
        access = GENERIC_READ | GENERIC_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }

    DWORD share;
    switch (nOpenFlags & 0x70) {
    case shareCompat:
    case shareExclusive:
        share = 0;
        break;
    case shareDenyWrite:
        share = FILE_SHARE_READ;
        break;
    case shareDenyRead:
        share = FILE_SHARE_WRITE;
        break;
    case shareDenyNone:
        share = FILE_SHARE_READ | FILE_SHARE_WRITE;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER);
    }

    DWORD creation = OPEN_EXISTING;
    if (nOpenFlags & modeCreate)
        creation = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, (nOpenFlags & modeNoInherit) == 0};
    HANDLE h = ::CreateFileA(lpszFileName, access, share, &sa, creation, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return fail(static_cast<LONG>(::GetLastError()));

    m_hFile = h;
    m_bCloseOnDelete = TRUE;
    m_strFileName = FullPath(lpszFileName);
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return 0;
    DWORD read = 0;
    if (!::ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        ThrowLastError(m_strFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount)
{
    if (nCount == 0)
        return;
    DWORD written = 0;
    if (!::WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        ThrowLastError(m_strFileName);
    if (written != nCount)
        AfxThrowFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom)
{
    LARGE_INTEGER distance;
    distance.QuadPart = lOff;
    LARGE_INTEGER position;
    if (nFrom > end)
        AfxThrowFileException(CFileException::badSeek, ERROR_INVALID_PARAMETER, m_strFileName);
    if (!::SetFilePointerEx(m_hFile, distance, &position, nFrom))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetPosition() const
{
    LARGE_INTEGER zero = {};
    LARGE_INTEGER position;
    if (!::SetFilePointerEx(m_hFile, zero, &position, FILE_CURRENT))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const
{
    LARGE_INTEGER size;
    if (!::GetFileSizeEx(m_hFile, &size))
        ThrowLastError(m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::SetLength(ULONGLONG dwNewLen)
{
    Seek(static_cast<LONGLONG>(dwNewLen), begin);
    if (!::SetEndOfFile(m_hFile))
        ThrowLastError(m_strFileName);
}

void CFile::Flush()
{
    if (m_hFile != hFileNull && !::FlushFileBuffers(m_hFile))
        ThrowLastError(m_strFileName);
}

void CFile::Close()
{
    bool failed = false;
    LONG error = 0;
    if (m_hFile != hFileNull && !::CloseHandle(m_hFile)) {
        failed = true;
        error = static_cast<LONG>(::GetLastError());
    }
    CString name = m_strFileName;
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
    if (failed)
        CFileException::ThrowOsError(error, name);
}

void CFile::Abort()
{
    if (m_hFile != hFileNull)
        ::CloseHandle(m_hFile);
    m_hFile = hFileNull;
    m_bCloseOnDelete = FALSE;
    m_strFileName.Empty();
}

CString CFile::GetFileName() const
{
    return NamePart(m_strFileName);
}

CString CFile::GetFileTitle() const
{
    return TitlePart(m_strFileName);
}

BOOL CFile::GetStatus(CFileStatus& rStatus) const
{
    rStatus = {};
    BY_HANDLE_FILE_INFORMATION info;
    if (m_hFile == hFileNull || !::GetFileInformationByHandle(m_hFile, &info))
        return FALSE;
    rStatus.m_ctime = CTime(info.ftCreationTime);
    rStatus.m_mtime = CTime(info.ftLastWriteTime);
    rStatus.m_atime = CTime(info.ftLastAccessTime);
    rStatus.m_size = (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    rStatus.m_attribute = static_cast<BYTE>(info.dwFileAttributes & 0x3F);
    lstrcpynA(rStatus.m_szFullName, m_strFileName, sizeof rStatus.m_szFullName);
    return TRUE;
}

BOOL CFile::GetStatus(LPCTSTR lpszFileName, CFileStatus& rStatus)
{
    rStatus = {};
    if (!lpszFileName)
        return FALSE;
    CString full = FullPath(lpszFileName);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(full, GetFileExInfoStandard, &data))
        return FALSE;
    rStatus.m_ctime = CTime(data.ftCreationTime);
    rStatus.m_mtime = CTime(data.ftLastWriteTime);
    rStatus.m_atime = CTime(data.ftLastAccessTime);
    rStatus.m_size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    rStatus.m_attribute = static_cast<BYTE>(data.dwFileAttributes & 0x3F);
    lstrcpynA(rStatus.m_szFullName, full, sizeof rStatus.m_szFullName);
    return TRUE;
}

void CFile::Rename(LPCTSTR lpszOldName, LPCTSTR lpszNewName)
{
    if (!::MoveFileA(lpszOldName, lpszNewName))
        ThrowLastError(lpszOldName);
}

void CFile::Remove(LPCTSTR lpszFileName)
{
    if (!::DeleteFileA(lpszFileName))
        ThrowLastError(lpszFileName);
}

// CStdioFile

CStdioFile::CStdioFile() {}

CStdioFile::CStdioFile(LPCTSTR lpszFileName, UINT nOpenFlags)
{
    CFileException e;
    if (!CStdioFile::Open(lpszFileName, nOpenFlags, &e))
        AfxThrowFileException(e.m_cause, e.m_lOsError, e.m_strFileName);
}

CStdioFile::~CStdioFile()
{
    if (m_hFile != hFileNull && m_bCloseOnDelete) {
        try {
            Close();
        } catch (CException* e) {
            e->Delete();
        }
    }
}

BOOL CStdioFile::Open(LPCTSTR lpszFileName, UINT nOpenFlags, CFileException* pError)
{
    if (!CFile::Open(lpszFileName, nOpenFlags & ~(typeText | typeBinary), pError))
        return FALSE;
    m_readPos = m_readLen = m_writeLen = 0;
    m_bText = (nOpenFlags & typeBinary) == 0;
    return TRUE;
}

bool CStdioFile::FillBuffer()
{
    m_readPos = 0;
    m_readLen = 0;
    m_readLen = CFile::Read(m_buffer, kBufferSize);
    return m_readLen > 0;
}

// The next character, with CR LF read as LF in text mode; -1 at the end.
int CStdioFile::GetChar()
{
    if (m_readPos == m_readLen && !FillBuffer())
        return -1;
    int c = static_cast<unsigned char>(m_buffer[m_readPos++]);
    if (c == '\r' && m_bText) {
        if (m_readPos == m_readLen && !FillBuffer())
            return c;
        if (m_buffer[m_readPos] == '\n') {
            ++m_readPos;
            return '\n';
        }
    }
    return c;
}

void CStdioFile::FlushWrites()
{
    if (m_writeLen == 0)
        return;
    // Forget the buffer before writing, so a failed write is reported once
    // and not again by every later call.
    UINT count = m_writeLen;
    m_writeLen = 0;
    CFile::Write(m_buffer, count);
}

// Puts the file position back to where the reader is, before anything else
// touches the file.
void CStdioFile::DropReadAhead()
{
    UINT unread = m_readLen - m_readPos;
    m_readPos = m_readLen = 0;
    if (unread)
        CFile::Seek(-static_cast<LONGLONG>(unread), current);
}

void CStdioFile::PutBytes(const char* bytes, UINT count)
{
    while (count > 0) {
        if (m_writeLen == 0 && count >= kBufferSize) {
            CFile::Write(bytes, count);
            return;
        }
        UINT n = std::min<UINT>(count, kBufferSize - m_writeLen);
        std::memcpy(m_buffer + m_writeLen, bytes, n);
        m_writeLen += n;
        bytes += n;
        count -= n;
        if (m_writeLen == kBufferSize)
            FlushWrites();
    }
}

BOOL CStdioFile::ReadString(CString& rString)
{
    FlushWrites();
    rString.Empty();
    bool readAny = false;
    for (;;) {
        if (m_readPos == m_readLen && !FillBuffer())
            return readAny ? TRUE : FALSE;
        readAny = true;
        const char* start = m_buffer + m_readPos;
        UINT available = m_readLen - m_readPos;
        const char* lineEnd = static_cast<const char*>(std::memchr(start, '\n', available));
        UINT n = lineEnd ? static_cast<UINT>(lineEnd - start) : available;
        rString.Append(start, static_cast<int>(n));
        m_readPos += n;
        if (lineEnd) {
            ++m_readPos;
            if (!rString.IsEmpty() && rString[rString.GetLength() - 1] == '\r')
                rString.Truncate(rString.GetLength() - 1);
            return TRUE;
        }
    }
}

LPTSTR CStdioFile::ReadString(LPTSTR lpsz, UINT nMax)
{
    if (!lpsz || nMax == 0)
        return nullptr;
    FlushWrites();
    UINT n = 0;
    while (n + 1 < nMax) {
        int c = GetChar();
        if (c < 0)
            break;
        lpsz[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    lpsz[n] = '\0';
    return n > 0 ? lpsz : nullptr;
}

void CStdioFile::WriteString(LPCTSTR lpsz)
{
    if (!lpsz)
        AfxThrowInvalidArgException();
    Write(lpsz, static_cast<UINT>(std::strlen(lpsz)));
}

UINT CStdioFile::Read(void* lpBuf, UINT nCount)
{
    FlushWrites();
    char* out = static_cast<char*>(lpBuf);
    UINT done = 0;
    if (m_bText) {
        while (done < nCount) {
            int c = GetChar();
            if (c < 0)
                break;
            out[done++] = static_cast<char>(c);
        }
        return done;
    }
    while (done < nCount) {
        if (m_readPos == m_readLen) {
            if (nCount - done >= kBufferSize) {
                m_readPos = m_readLen = 0;
                return done + CFile::Read(out + done, nCount - done);
            }
            if (!FillBuffer())
                break;
        }
        UINT n = std::min(nCount - done, m_readLen - m_readPos);
        std::memcpy(out + done, m_buffer + m_readPos, n);
        m_readPos += n;
        done += n;
    }
    return done;
}

void CStdioFile::Write(const void* lpBuf, UINT nCount)
{
    DropReadAhead();
    const char* bytes = static_cast<const char*>(lpBuf);
    if (!m_bText) {
        PutBytes(bytes, nCount);
        return;
    }
    UINT start = 0;
    for (UINT i = 0; i < nCount; ++i) {
        if (bytes[i] == '\n') {
            PutBytes(bytes + start, i - start);
            PutBytes("\r\n", 2);
            start = i + 1;
        }
    }
    PutBytes(bytes + start, nCount - start);
}

ULONGLONG CStdioFile::Seek(LONGLONG lOff, UINT nFrom)
{
    FlushWrites();
    if (m_readLen > 0 && (nFrom == begin || nFrom == current)) {
        // A target inside the read-ahead needs no system call.
        LONGLONG handlePos = static_cast<LONGLONG>(CFile::GetPosition());
        LONGLONG bufferStart = handlePos - m_readLen;
        LONGLONG target = nFrom == begin ? lOff : bufferStart + m_readPos + lOff;
        if (target >= bufferStart && target <= handlePos) {
            m_readPos = static_cast<UINT>(target - bufferStart);
            return static_cast<ULONGLONG>(target);
        }
    }
    if (nFrom == current)
        lOff -= m_readLen - m_readPos;
    m_readPos = m_readLen = 0;
    return CFile::Seek(lOff, nFrom);
}

ULONGLONG CStdioFile::GetPosition() const
{
    return CFile::GetPosition() - (m_readLen - m_readPos) + m_writeLen;
}

ULONGLONG CStdioFile::GetLength() const
{
    ULONGLONG length = CFile::GetLength();
    if (m_writeLen > 0)
        length = std::max(length, CFile::GetPosition() + m_writeLen);
    return length;
}

void CStdioFile::SetLength(ULONGLONG dwNewLen)
{
    FlushWrites();
    DropReadAhead();
    CFile::SetLength(dwNewLen);
}

void CStdioFile::Flush()
{
    FlushWrites();
}

void CStdioFile::Close()
{
    try {
        FlushWrites();
    } catch (...) {
        Abort();
        throw;
    }
    m_readPos = m_readLen = 0;
    CFile::Close();
}

void CStdioFile::Abort()
{
    m_readPos = m_readLen = m_writeLen = 0;
    CFile::Abort();
}

// CFileFind

CFileFind::CFileFind() {}

CFileFind::~CFileFind()
{
    Close();
}

void CFileFind::Close()
{
    if (m_hContext && m_hContext != INVALID_HANDLE_VALUE)
        ::FindClose(m_hContext);
    m_hContext = nullptr;
    m_bHaveFound = FALSE;
    m_bHaveNext = FALSE;
    m_strRoot.Empty();
}

BOOL CFileFind::FindFile(LPCTSTR pstrName, DWORD /*dwUnused*/)
{
    Close();
    if (!pstrName)
        pstrName = "*.*";
    HANDLE h = ::FindFirstFileA(pstrName, &m_next);
    if (h == INVALID_HANDLE_VALUE)
        return FALSE;
    m_hContext = h;
    m_bHaveNext = TRUE;

    char full[MAX_PATH];
    char* filePart = nullptr;
    DWORD n = ::GetFullPathNameA(pstrName, sizeof full, full, &filePart);
    if (n > 0 && n < sizeof full)
        m_strRoot = filePart ? CString(full, static_cast<int>(filePart - full)) : CString(full);
    return TRUE;
}

BOOL CFileFind::FindNextFile()
{
    if (!m_bHaveNext)
        return FALSE;
    m_found = m_next;
    m_bHaveFound = TRUE;
    m_bHaveNext = ::FindNextFileA(m_hContext, &m_next);
    return m_bHaveNext;
}

ULONGLONG CFileFind::GetLength() const
{
    return (static_cast<ULONGLONG>(m_found.nFileSizeHigh) << 32) | m_found.nFileSizeLow;
}

CString CFileFind::GetFileName() const
{
    return m_bHaveFound ? CString(m_found.cFileName) : CString();
}

CString CFileFind::GetFilePath() const
{
    if (!m_bHaveFound)
        return CString();
    CString path = m_strRoot;
    if (!path.IsEmpty() && path[path.GetLength() - 1] != '\\' && path[path.GetLength() - 1] != '/')
        path += '\\';
    return path + m_found.cFileName;
}

CString CFileFind::GetFileTitle() const
{
    return m_bHaveFound ? TitlePart(m_found.cFileName) : CString();
}

CString CFileFind::GetFileURL() const
{
    return m_bHaveFound ? "file://" + GetFilePath() : CString();
}

BOOL CFileFind::GetTime(const FILETIME WIN32_FIND_DATAA::*field, FILETIME* pTimeStamp) const
{
    if (!m_bHaveFound || !pTimeStamp)
        return FALSE;
    *pTimeStamp = m_found.*field;
    return TRUE;
}

BOOL CFileFind::GetLastWriteTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftLastWriteTime, pTimeStamp);
}

BOOL CFileFind::GetLastAccessTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftLastAccessTime, pTimeStamp);
}

BOOL CFileFind::GetCreationTime(FILETIME* pTimeStamp) const
{
    return GetTime(&WIN32_FIND_DATAA::ftCreationTime, pTimeStamp);
}

BOOL CFileFind::GetLastWriteTime(CTime& refTime) const
{
    FILETIME ft;
    if (!GetLastWriteTime(&ft))
        return FALSE;
    refTime = CTime(ft);
    return TRUE;
}

BOOL CFileFind::GetLastAccessTime(CTime& refTime) const
{
    FILETIME ft;
    if (!GetLastAccessTime(&ft))
        return FALSE;
    refTime = CTime(ft);
    return TRUE;
}

BOOL CFileFind::GetCreationTime(CTime& refTime) const
{
    FILETIME ft;
    if (!GetCreationTime(&ft))
        return FALSE;
    refTime = CTime(ft);
    return TRUE;
}

BOOL CFileFind::MatchesMask(DWORD dwMask) const
{
    return m_bHaveFound && (m_found.dwFileAttributes & dwMask) != 0;
}

BOOL CFileFind::IsDots() const
{
    if (!IsDirectory())
        return FALSE;
    const char* name = m_found.cFileName;
    return (name[0] == '.' && name[1] == '\0') || (name[0] == '.' && name[1] == '.' && name[2] == '\0');
}
