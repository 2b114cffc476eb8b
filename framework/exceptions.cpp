#include "framework/exceptions.h"

#include <cstring>

IMPLEMENT_DYNAMIC(CException, CObject)
IMPLEMENT_DYNAMIC(CMemoryException, CException)
IMPLEMENT_DYNAMIC(CNotSupportedException, CException)
IMPLEMENT_DYNAMIC(CInvalidArgException, CException)
IMPLEMENT_DYNAMIC(CResourceException, CException)
IMPLEMENT_DYNAMIC(CFileException, CException)

void CException::Delete()
{
    if (m_bAutoDelete)
        delete this;
}

BOOL CException::CopyErrorText(const char* text, LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext)
{
    if (pnHelpContext)
        *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0)
        return FALSE;
    size_t n = std::strlen(text);
    if (n >= nMaxError)
        n = nMaxError - 1;
    std::memcpy(lpszError, text, n);
    lpszError[n] = '\0';
    return *text != '\0';
}

BOOL CException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyErrorText("", lpszError, nMaxError, pnHelpContext);
}

CString CException::GetErrorText() const
{
    char text[1024];
    if (!GetErrorMessage(text, sizeof text))
        return CString();
    return CString(text);
}

BOOL CMemoryException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyErrorText("Out of memory.", lpszError, nMaxError, pnHelpContext);
}

BOOL CNotSupportedException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyErrorText("The operation is not supported.", lpszError, nMaxError, pnHelpContext);
}

BOOL CInvalidArgException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyErrorText("An invalid argument was given.", lpszError, nMaxError, pnHelpContext);
}

BOOL CResourceException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    return CopyErrorText("A system resource could not be created.", lpszError, nMaxError, pnHelpContext);
}

CFileException::CFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
    : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszFileName)
{
}

void CFileException::Clear()
{
    m_cause = none;
    m_lOsError = -1;
    m_strFileName.Empty();
}

int CFileException::OsErrorToException(LONG lOsError)
{
    struct Mapping {
        LONG error;
        int cause;
    };
    static const Mapping table[] = {
        {NO_ERROR, none},
        {ERROR_FILE_NOT_FOUND, fileNotFound},
        {ERROR_NO_MORE_FILES, fileNotFound},
        {ERROR_DISK_CHANGE, fileNotFound},
        {ERROR_PATH_NOT_FOUND, badPath},
        {ERROR_INVALID_DRIVE, badPath},
        {ERROR_NOT_SAME_DEVICE, badPath},
        {ERROR_WRONG_DISK, badPath},
        {ERROR_BAD_NETPATH, badPath},
        {ERROR_DEV_NOT_EXIST, badPath},
        {ERROR_BAD_NET_NAME, badPath},
        {ERROR_INVALID_NAME, badPath},
        {ERROR_BAD_PATHNAME, badPath},
        {ERROR_FILENAME_EXCED_RANGE, badPath},
        {ERROR_DIRECTORY, badPath},
        {ERROR_TOO_MANY_OPEN_FILES, tooManyOpenFiles},
        {ERROR_SHARING_BUFFER_EXCEEDED, tooManyOpenFiles},
        {ERROR_NO_MORE_SEARCH_HANDLES, tooManyOpenFiles},
        {ERROR_ACCESS_DENIED, accessDenied},
        {ERROR_INVALID_ACCESS, accessDenied},
        {ERROR_WRITE_PROTECT, accessDenied},
        {ERROR_NETWORK_ACCESS_DENIED, accessDenied},
        {ERROR_FILE_EXISTS, accessDenied},
        {ERROR_ALREADY_EXISTS, accessDenied},
        {ERROR_CANNOT_MAKE, accessDenied},
        {ERROR_BUSY, accessDenied},
        {ERROR_INVALID_HANDLE, invalidFile},
        {ERROR_INVALID_TARGET_HANDLE, invalidFile},
        {ERROR_BAD_FORMAT, invalidFile},
        {ERROR_NOT_DOS_DISK, invalidFile},
        {ERROR_BAD_DEV_TYPE, invalidFile},
        {ERROR_CURRENT_DIRECTORY, removeCurrentDir},
        {ERROR_DIR_NOT_EMPTY, removeCurrentDir},
        {ERROR_NO_SPOOL_SPACE, directoryFull},
        {ERROR_SEEK, badSeek},
        {ERROR_NEGATIVE_SEEK, badSeek},
        {ERROR_SEEK_ON_DEVICE, badSeek},
        {ERROR_SECTOR_NOT_FOUND, badSeek},
        {ERROR_BAD_UNIT, hardIO},
        {ERROR_NOT_READY, hardIO},
        {ERROR_CRC, hardIO},
        {ERROR_READ_FAULT, hardIO},
        {ERROR_WRITE_FAULT, hardIO},
        {ERROR_NET_WRITE_FAULT, hardIO},
        {ERROR_IO_DEVICE, hardIO},
        {ERROR_OPERATION_ABORTED, hardIO},
        {ERROR_SHARING_VIOLATION, sharingViolation},
        {ERROR_LOCK_VIOLATION, lockViolation},
        {ERROR_LOCK_FAILED, lockViolation},
        {ERROR_DRIVE_LOCKED, lockViolation},
        {ERROR_DISK_FULL, diskFull},
        {ERROR_HANDLE_DISK_FULL, diskFull},
        {ERROR_HANDLE_EOF, endOfFile},
    };
    for (const Mapping& m : table) {
        if (m.error == lOsError)
            return m.cause;
    }
    return genericException;
}

void CFileException::ThrowOsError(LONG lOsError, LPCTSTR lpszFileName)
{
    AfxThrowFileException(OsErrorToException(lOsError), lOsError, lpszFileName);
}

BOOL CFileException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    static const char* const causes[] = {
        "No error occurred while accessing %s.",
        "An unknown error occurred while accessing %s.",
        "%s was not found.",
        "%s contains an invalid path.",
        "%s could not be opened because too many files are open.",
        "Access to %s was denied.",
        "An invalid file handle was used with %s.",
        "%s could not be removed because it is the current folder.",
        "%s could not be created because the folder is full.",
        "Seeking failed on %s.",
        "A hardware error occurred while accessing %s.",
        "A sharing violation occurred while accessing %s.",
        "A locking violation occurred while accessing %s.",
        "The disk is full while accessing %s.",
        "An attempt was made to access %s past its end.",
    };
    const char* pattern = (m_cause >= 0 && m_cause < static_cast<int>(sizeof causes / sizeof causes[0]))
                              ? causes[m_cause]
                              : causes[genericException];
    CString text;
    text.Format(pattern, m_strFileName.IsEmpty() ? "an unnamed file" : m_strFileName.GetString());
    if (m_lOsError > 0) {
        char system[512];
        DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                 static_cast<DWORD>(m_lOsError), 0, system, sizeof system, nullptr);
        while (n > 0 && (system[n - 1] == '\r' || system[n - 1] == '\n' || system[n - 1] == ' '))
            --n;
        if (n > 0)
            text += " " + CString(system, static_cast<int>(n));
    }
    return CopyErrorText(text, lpszError, nMaxError, pnHelpContext);
}

void AfxThrowMemoryException()
{
    // Thrown from static storage: allocating at this point might fail too.
    static CMemoryException s_exception(FALSE);
    throw &s_exception;
}

void AfxThrowNotSupportedException()
{
    throw new CNotSupportedException;
}

void AfxThrowInvalidArgException()
{
    throw new CInvalidArgException;
}

void AfxThrowResourceException()
{
    throw new CResourceException;
}

void AfxThrowFileException(int cause, LONG lOsError, LPCTSTR lpszFileName)
{
    throw new CFileException(cause, lOsError, lpszFileName);
}

void AfxReportException(const char* where, const char* what)
{
    const CString text = CString(where) + ": " + (what ? what : "") + "\n";
    ::OutputDebugStringA(text);
}
