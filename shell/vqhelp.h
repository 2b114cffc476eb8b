// CVQHelp: the two compiled HTML help files beside the program (the
// environment's own help and the BASIC language help) and the keyword index
// that maps a BASIC keyword to its help context id.
//
// The index file is named like the BASIC help file with the extension
// ".kwl", or ".kwd" when there is no ".kwl": one "keyword,id" per line,
// "#" starts a comment line. Keywords keep at most 16 characters.
#pragma once

#include <windows.h>

#include "foundation/containers.h"
#include "framework/cstring.h"

class CVQHelp {
public:
    struct SBasicKey {
        char keyword[17];
        int contextId;
    };

    // The help files lie in the program's own folder.
    explicit CVQHelp(HWND hWndOwner);
    // The help files lie in lpszFolder (for tests and other programs).
    CVQHelp(HWND hWndOwner, LPCSTR lpszFolder);
    virtual ~CVQHelp() = default;

    // Opens the help at the context id (its first page for 0); nothing when
    // the file was missing at construction.
    void ShowHelp(UINT nContextId) const;
    void ShowBasicHelp(UINT nContextId) const;
    BOOL IsHelpPresent() const { return m_bHelpPresent; }
    BOOL IsBasicHelpPresent() const { return m_bBasicHelpPresent; }
    const CString& GetHelpFile() const { return m_strHelpFile; }
    const CString& GetBasicHelpFile() const { return m_strBasicHelpFile; }

    // The context id of the keyword, any case (the index is read on first
    // use); 0 when it is not listed.
    int GetKeywordContext(LPCSTR lpszKeyword);
    // Reads the index file again.
    void LoadKeywordIndex();

private:
    void Show(const CString& file, UINT nContextId) const;

    CString m_strHelpFile;
    CString m_strBasicHelpFile;
    HWND m_hWndOwner;
    BOOL m_bHelpPresent = FALSE;
    BOOL m_bBasicHelpPresent = FALSE;
    CTList<SBasicKey> m_index;
};
