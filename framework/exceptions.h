// The framework's exceptions. They are thrown as heap pointers and caught as
// CException*; whoever catches one frees it with Delete():
//
//     try { file.Write(data, size); }
//     catch (CException* e) { ... e->Delete(); }
//
// Exceptions never show message boxes themselves; GetErrorMessage gives the
// text for whoever reports it.
#pragma once

#include <windows.h>

#include <exception>

#include "framework/cstring.h"
#include "framework/object.h"
#include "framework/throws.h"

class CException : public CObject {
    DECLARE_DYNAMIC(CException)
public:
    // An exception built on the stack or kept in static storage passes
    // FALSE so that Delete() leaves it alone.
    explicit CException(BOOL bAutoDelete = TRUE) : m_bAutoDelete(bAutoDelete) {}

    // Frees a heap exception; does nothing for one that is not auto-deleted.
    void Delete();

    // Copies the description into lpszError (at most nMaxError characters
    // with the NUL). FALSE, with an empty text, when there is none.
    virtual BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const;

    // The same description as a string; empty when there is none.
    CString GetErrorText() const;

    BOOL m_bAutoDelete;

protected:
    // Shared by the subclasses: copies text into the caller's buffer.
    static BOOL CopyErrorText(const char* text, LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext);
};

class CMemoryException : public CException {
    DECLARE_DYNAMIC(CMemoryException)
public:
    explicit CMemoryException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

class CNotSupportedException : public CException {
    DECLARE_DYNAMIC(CNotSupportedException)
public:
    explicit CNotSupportedException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

class CInvalidArgException : public CException {
    DECLARE_DYNAMIC(CInvalidArgException)
public:
    explicit CInvalidArgException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

// A system object (event, mutex, thread, window) could not be created.
class CResourceException : public CException {
    DECLARE_DYNAMIC(CResourceException)
public:
    explicit CResourceException(BOOL bAutoDelete = TRUE) : CException(bAutoDelete) {}
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;
};

class CFileException : public CException {
    DECLARE_DYNAMIC(CFileException)
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile
    };

    explicit CFileException(int cause = none, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

    // Back to the state of a new exception; CFile::Open reuses the caller's.
    void Clear();

    // The cause that a Win32 error code stands for.
    static int OsErrorToException(LONG lOsError);
    [[noreturn]] static void ThrowOsError(LONG lOsError, LPCTSTR lpszFileName = nullptr);

    // Names the cause and the file, and adds the system's text for the
    // error code when there is one.
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;

    int m_cause;
    LONG m_lOsError; // -1 when no system error is known
    CString m_strFileName;
};

[[noreturn]] void AfxThrowFileException(int cause, LONG lOsError = -1, LPCTSTR lpszFileName = nullptr);

// The exception wall: runs body and stops anything it throws. The exception
// is freed and reported (OutputDebugString: "<where>: <text>") and the
// result is false. Every place the system calls into the framework (window,
// dialog and hook procedures, enumeration and property-sheet callbacks,
// thread entry) runs its code through it, so nothing unwinds through the
// system's frames.
void AfxReportException(const char* where, const char* what);
template <class Body> bool AfxCallWalled(const char* where, Body&& body)
{
    try {
        body();
        return true;
    } catch (CException* e) {
        CString text = e->GetErrorText();
        if (text.IsEmpty())
            text = e->GetRuntimeClass()->m_lpszClassName;
        e->Delete();
        AfxReportException(where, text);
    } catch (const std::exception& e) {
        AfxReportException(where, e.what());
    } catch (...) {
        AfxReportException(where, "unknown exception");
    }
    return false;
}
