// CInstRegistry: the installers' registry key, which keeps what went wrong
// last (an error code, the root, the key path and the value name) so that a
// failed write can be described to the user.
#pragma once

#include <windows.h>

#include "foundation/registry.h"
#include "framework/cstring.h"

class CInstRegistry : public CRegistry {
public:
    enum {
        ErrNone = 0,
        ErrCreateKey = 1,
        ErrSelectKey = 2,
        ErrWriteValue = 3,
        ErrReadValue = 4,
        ErrDeleteKey = 5,
        ErrDeleteValue = 6,
    };

    // Creates the key path under root (full access), selects it and writes
    // a REG_SZ value. The last error is cleared first and says where it
    // stopped: ErrCreateKey (the key path), ErrSelectKey, or ErrWriteValue
    // (with the value name). TRUE only when the value was written.
    BOOL WriteString(HKEY root, LPCSTR lpszPath, LPCSTR lpszName, LPCSTR lpszText);

    void ClearError();
    int GetError() const { return m_nError; }
    // The error's text, "\nRoot=" and the root's name, "\nKey=" and the key
    // path, and "\nValue=" with the value name when there is one.
    CString GetErrorDescription() const;

    // "No error", "Error creating key", ...; "Unknown error" for other codes.
    static CString GetErrorText(int nError);
    // HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, ...; "Unknown 0x%x" for any
    // other key.
    static CString GetRootName(HKEY root);

private:
    void SetError(int nError, HKEY root, LPCSTR lpszPath, LPCSTR lpszName);

    int m_nError = ErrNone;
    HKEY m_hErrorRoot = nullptr;
    CString m_strErrorPath;
    CString m_strErrorValue;
};
