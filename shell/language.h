// Language resource libraries: the user interface texts may come from a
// library beside the program, named after the program file with the
// language's three-letter abbreviation and ".dll" in place of the
// extension ("Vorta2DEU.dll"). At start-up the application picks a
// language and makes that library the resource module; CLanguageDialog
// lists the languages found and stores the choice for the next start.
#pragma once

#include <windows.h>

#include "framework/collections.h"
#include "framework/cstring.h"
#include "framework/dialog.h"

class CLanguageSupport {
public:
    // For the running program: its own file.
    CLanguageSupport();
    // For the program file at lpszProgramPath (its version resource and the
    // libraries beside it); resources still come from the running program.
    explicit CLanguageSupport(LPCSTR lpszProgramPath);
    ~CLanguageSupport();
    CLanguageSupport(const CLanguageSupport&) = delete;
    CLanguageSupport& operator=(const CLanguageSupport&) = delete;

    // Picks the language at start-up: the setting "Language" (0: the
    // program's own), then the user's and the system's UI language, the
    // user's and the system's default language, and the program's own,
    // stopping at the first that TryLanguage takes.
    void LoadLanguageLibrary();
    // The language, else its primary language alone, else its primary
    // language with the default sublanguage. FALSE for 0.
    BOOL TryLanguage(LANGID nLanguage);
    // Makes the language's library the resource module (the program's own
    // language frees it). A library that is missing or of another version
    // is told to the user and the program's own resources stay (TRUE).
    BOOL LoadLanguage(LANGID nLanguage);
    // Back to the program's own resources.
    void FreeLanguageLibrary();

    // The language's own name in the system's code page, else its name in
    // the system's language, else "<id> - ???".
    static CString GetLanguageName(LANGID nLanguage);
    // The first language of a file's version resource; 0 when none.
    static LANGID GetFileLanguage(LPCSTR lpszPath);

    // The program's language first, then the libraries' in the order the
    // file search found them.
    const CWordArray& GetAvailableLanguages() const { return m_available; }
    BOOL IsAvailable(LANGID nLanguage) const;
    LANGID GetProgramLanguage() const { return m_nProgramLanguage; }
    LANGID GetRequestedLanguage() const { return m_nRequested; }
    HMODULE GetLibrary() const { return m_hLibrary; }
    const CString& GetProgramPath() const { return m_strProgramPath; }

private:
    void FindLanguages();

    CString m_strProgramPath;
    CWordArray m_available;
    LANGID m_nProgramLanguage = 0;
    LANGID m_nRequested = 0;
    HMODULE m_hLibrary = nullptr;
};

// Options > Language: lists the available languages and stores the chosen
// one as the setting "Language"; it takes effect at the next start.
class CLanguageDialog : public CDialog {
    DECLARE_DYNAMIC(CLanguageDialog)
public:
    CLanguageDialog(const CLanguageSupport& languages, CWnd* pParent = nullptr);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    const CLanguageSupport& m_languages;
};
