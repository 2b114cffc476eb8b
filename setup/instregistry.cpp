#include "setup/instregistry.h"

BOOL CInstRegistry::WriteString(HKEY root, LPCSTR lpszPath, LPCSTR lpszName, LPCSTR lpszText)
{
    ClearError();
    if (!CreatePath(root, lpszPath)) {
        SetError(ErrCreateKey, root, lpszPath, nullptr);
        return FALSE;
    }
    if (!Open(root, lpszPath)) {
        SetError(ErrSelectKey, root, lpszPath, nullptr);
        return FALSE;
    }
    if (!SetString(lpszName, lpszText)) {
        SetError(ErrWriteValue, root, lpszPath, lpszName);
        return FALSE;
    }
    return TRUE;
}

void CInstRegistry::ClearError()
{
    SetError(ErrNone, nullptr, nullptr, nullptr);
}

void CInstRegistry::SetError(int nError, HKEY root, LPCSTR lpszPath, LPCSTR lpszName)
{
    m_nError = nError;
    m_hErrorRoot = root;
    m_strErrorPath = lpszPath ? lpszPath : "";
    m_strErrorValue = lpszName ? lpszName : "";
}

CString CInstRegistry::GetErrorDescription() const
{
    CString text = GetErrorText(m_nError) + "\nRoot=" + GetRootName(m_hErrorRoot) + "\nKey=" + m_strErrorPath;
    if (!m_strErrorValue.IsEmpty())
        text += "\nValue=" + m_strErrorValue;
    return text;
}

CString CInstRegistry::GetErrorText(int nError)
{
    static const char* const texts[] = {
        "No error",
        "Error creating key",
        "Error selecting key",
        "Error writing value",
        "Error reading value",
        "Error deleting key",
        "Error deleting value",
    };
    if (nError < 0 || nError >= static_cast<int>(sizeof texts / sizeof texts[0]))
        return "Unknown error";
    return texts[nError];
}

CString CInstRegistry::GetRootName(HKEY root)
{
    static const struct {
        HKEY root;
        const char* name;
    } roots[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, "HKEY_USERS"},
        {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
        {HKEY_PERFORMANCE_TEXT, "HKEY_PERFORMANCE_TEXT"},
        {HKEY_PERFORMANCE_NLSTEXT, "HKEY_PERFORMANCE_NLSTEXT"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
        {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
    };
    for (const auto& entry : roots) {
        if (entry.root == root)
            return entry.name;
    }
    CString text;
    // The predefined keys are 32-bit values, sign-extended in a 64-bit
    // handle: the low 32 bits name any key.
    text.Format("Unknown 0x%x", static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(root)));
    return text;
}
