#include "shell/language.h"

#include <vector>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "foundation/versioninfo.h"
#include "framework/controls.h"
#include "framework/file.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "shell/res/shell_resource.h"
#include "settings/vqregistry.h"

namespace {

const char kUseDefault[] = "\nUsing application default language";

void Warn(const CString& text)
{
    AfxGetPromptService().Prompt(nullptr, text, AfxGetAppName(), MB_OK | MB_ICONEXCLAMATION);
}

LCID LocaleOf(LANGID nLanguage)
{
    return MAKELCID(nLanguage, SORT_DEFAULT);
}

} // namespace

CLanguageSupport::CLanguageSupport() : CLanguageSupport(GetModulePath()) {}

CLanguageSupport::CLanguageSupport(LPCSTR lpszProgramPath) : m_strProgramPath(lpszProgramPath)
{
    FindLanguages();
}

CLanguageSupport::~CLanguageSupport()
{
    FreeLanguageLibrary();
}

LANGID CLanguageSupport::GetFileLanguage(LPCSTR lpszPath)
{
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(lpszPath, &handle);
    if (!size)
        return 0;
    std::vector<BYTE> block(size);
    if (!GetFileVersionInfoA(lpszPath, 0, size, block.data()))
        return 0;
    WORD* translation = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<LPVOID*>(&translation),
                        &length) ||
        length < 2 * sizeof(WORD))
        return 0;
    return translation[0];
}

void CLanguageSupport::FindLanguages()
{
    m_available.RemoveAll();
    m_nProgramLanguage = GetFileLanguage(m_strProgramPath);
    if (m_nProgramLanguage)
        m_available.Add(m_nProgramLanguage);
    const int dot = m_strProgramPath.ReverseFind('.');
    const CString stem = dot > m_strProgramPath.ReverseFind('\\') ? m_strProgramPath.Left(dot) : m_strProgramPath;
    const CString folder = m_strProgramPath.Left(m_strProgramPath.ReverseFind('\\') + 1);
    WIN32_FIND_DATAA found = {};
    HANDLE search = FindFirstFileA(stem + "???.dll", &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (const LANGID language = GetFileLanguage(folder + found.cFileName))
            m_available.Add(language);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

BOOL CLanguageSupport::IsAvailable(LANGID nLanguage) const
{
    for (INT_PTR i = 0; i < m_available.GetSize(); ++i) {
        if (m_available[i] == nLanguage)
            return TRUE;
    }
    return FALSE;
}

CString CLanguageSupport::GetLanguageName(LANGID nLanguage)
{
    wchar_t wide[128] = {};
    if (GetLocaleInfoW(LocaleOf(nLanguage), LOCALE_SNATIVELANGNAME, wide, 128) > 1) {
        char name[256] = {};
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, "X", &usedDefault);
        if (n > 1 && !usedDefault)
            return CString(name);
    }
    char english[128] = {};
    if (GetLocaleInfoA(LocaleOf(nLanguage), LOCALE_SLANGUAGE, english, sizeof english) > 1)
        return CString(english);
    CString unknown;
    unknown.Format("%u - ???", static_cast<unsigned>(nLanguage));
    return unknown;
}

void CLanguageSupport::FreeLanguageLibrary()
{
    if (!m_hLibrary)
        return;
    AfxSetResourceHandle(nullptr); // the program's own module again
    FreeLibrary(m_hLibrary);
    m_hLibrary = nullptr;
}

BOOL CLanguageSupport::LoadLanguage(LANGID nLanguage)
{
    if (nLanguage == m_nProgramLanguage) {
        FreeLanguageLibrary();
        m_nRequested = nLanguage;
        return TRUE;
    }
    char abbreviation[16] = {};
    if (GetLocaleInfoA(LocaleOf(nLanguage), LOCALE_SABBREVLANGNAME, abbreviation, sizeof abbreviation) <= 1) {
        CString text;
        text.Format("Attempt to load DLL for unsupported language. Language = %u%s", static_cast<unsigned>(nLanguage),
                    kUseDefault);
        Warn(text);
        return FALSE;
    }
    const int dot = m_strProgramPath.ReverseFind('.');
    const CString stem = dot > m_strProgramPath.ReverseFind('\\') ? m_strProgramPath.Left(dot) : m_strProgramPath;
    const CString library = stem + abbreviation + ".dll";

    if (!FileExists(library)) {
        Warn("File does not exist: " + library + kUseDefault);
        return TRUE;
    }
    CVersionInfo versions(m_strProgramPath);
    if (!versions.SetOtherFile(library) || !versions.IsSameVersion()) {
        CString text;
        text.Format("Version mismatch\nProg: %s\nDLL:  %s%s", versions.GetVersionText().GetString(),
                    versions.GetOtherVersionText().GetString(), kUseDefault);
        Warn(text);
        return TRUE;
    }
    HMODULE hLibrary = LoadLibraryA(library);
    if (!hLibrary)
        return FALSE;
    FreeLanguageLibrary();
    m_hLibrary = hLibrary;
    m_nRequested = nLanguage;
    AfxSetResourceHandle(reinterpret_cast<HINSTANCE>(hLibrary));
    return TRUE;
}

BOOL CLanguageSupport::TryLanguage(LANGID nLanguage)
{
    if (nLanguage == 0)
        return FALSE;
    if (LoadLanguage(nLanguage))
        return TRUE;
    if (nLanguage < 0x400) // no sublanguage: the program's own resources
        return TRUE;
    if (LoadLanguage(static_cast<LANGID>(nLanguage & 0x3FF)))
        return TRUE;
    if (SUBLANGID(nLanguage) == SUBLANG_DEFAULT)
        return TRUE;
    return LoadLanguage(static_cast<LANGID>((nLanguage & 0x3FF) | 0x400));
}

void CLanguageSupport::LoadLanguageLibrary()
{
    const LANGID setting = CVQRegistry().GetLanguage();
    if (TryLanguage(setting ? setting : m_nProgramLanguage))
        return;
    using LanguageQuery = LANGID(WINAPI*)();
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    for (const char* name : {"GetUserDefaultUILanguage", "GetSystemDefaultUILanguage"}) {
        const auto query =
            kernel ? reinterpret_cast<LanguageQuery>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
        if (query && TryLanguage(query()))
            return;
    }
    if (TryLanguage(GetUserDefaultLangID()) || TryLanguage(GetSystemDefaultLangID()))
        return;
    TryLanguage(m_nProgramLanguage);
}

// --- CLanguageDialog ---------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CLanguageDialog, CDialog)

CLanguageDialog::CLanguageDialog(const CLanguageSupport& languages, CWnd* pParent)
    : CDialog(IDD_LANGUAGE, pParent), m_languages(languages)
{
}

BOOL CLanguageDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    HWND hList = GetDlgItemHwnd(IDC_LANGUAGE_LIST);
    const CWordArray& languages = m_languages.GetAvailableLanguages();
    for (INT_PTR i = 0; i < languages.GetSize(); ++i) {
        const LRESULT item =
            ::SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(CLanguageSupport::GetLanguageName(languages[i]).GetString()));
        ::SendMessageA(hList, LB_SETITEMDATA, static_cast<WPARAM>(item), languages[i]);
        if (languages[i] == m_languages.GetRequestedLanguage())
            ::SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
    return TRUE;
}

void CLanguageDialog::OnOK()
{
    HWND hList = GetDlgItemHwnd(IDC_LANGUAGE_LIST);
    const LRESULT selected = ::SendMessageA(hList, LB_GETCURSEL, 0, 0);
    if (selected != LB_ERR) {
        const LANGID language = static_cast<LANGID>(::SendMessageA(hList, LB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
        if (m_languages.IsAvailable(language))
            CVQRegistry().SetLanguage(language);
    }
    CDialog::OnOK();
}
