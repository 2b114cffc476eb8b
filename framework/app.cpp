#include "framework/app.h"

#include <cstdlib>
#include <cstring>

#include "framework/printdialog.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/wnd.h"

IMPLEMENT_DYNAMIC(CWinApp, CWinThread)

namespace {
CWinApp* g_pApp = nullptr;
} // namespace

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CWnd* AfxGetMainWnd()
{
    CWinThread* pThread = AfxGetThread();
    return pThread ? pThread->GetMainWnd() : (g_pApp ? g_pApp->GetMainWnd() : nullptr);
}

HWND AfxGetMainWndHandle()
{
    return g_pApp ? g_pApp->m_pMainWnd.GetSafeHwnd() : nullptr;
}

void CCommandLineInfo::ParseParam(const char* pszParam, BOOL bFlag, BOOL)
{
    if (!bFlag) {
        if (m_nShellCommand == FilePrintTo && m_strFileName.IsEmpty() == FALSE)
            m_strPrinterName = pszParam;
        else {
            m_strFileName = pszParam;
            if (m_nShellCommand == FileNew)
                m_nShellCommand = FileOpen;
        }
        return;
    }
    const CString flag(pszParam);
    if (flag.CompareNoCase("p") == 0)
        m_nShellCommand = FilePrint;
    else if (flag.CompareNoCase("pt") == 0)
        m_nShellCommand = FilePrintTo;
    else if (flag.CompareNoCase("dde") == 0)
        m_nShellCommand = FileDDE;
    else if (flag.CompareNoCase("Embedding") == 0)
        m_bRunEmbedded = TRUE, m_bShowSplash = FALSE;
    else if (flag.CompareNoCase("Automation") == 0)
        m_bRunAutomated = TRUE, m_bShowSplash = FALSE;
    else if (flag.CompareNoCase("Register") == 0 || flag.CompareNoCase("Regserver") == 0)
        m_nShellCommand = AppRegister;
    else if (flag.CompareNoCase("Unregister") == 0 || flag.CompareNoCase("Unregserver") == 0)
        m_nShellCommand = AppUnregister;
    else if (flag.CompareNoCase("nologo") == 0)
        m_bShowSplash = FALSE;
}

CWinApp::CWinApp(LPCTSTR lpszAppName)
{
    g_pApp = this;
    if (lpszAppName) {
        m_strAppName = lpszAppName;
        m_pszAppName = m_strAppName;
        AfxSetAppName(lpszAppName);
    }
    m_bAutoDelete = FALSE;
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
    if (m_hLangResourceDLL)
        FreeLibrary(m_hLangResourceDLL);
    if (m_hDevMode)
        GlobalFree(m_hDevMode);
    if (m_hDevNames)
        GlobalFree(m_hDevNames);
}

void CWinApp::OnFilePrintSetup()
{
    PRINTDLGA pd = {};
    pd.lStructSize = sizeof pd;
    pd.hwndOwner = m_pMainWnd.GetSafeHwnd();
    pd.Flags = PD_PRINTSETUP;
    pd.hDevMode = m_hDevMode;
    pd.hDevNames = m_hDevNames;
    AfxGetPrintDialogService().Run(pd);
    m_hDevMode = pd.hDevMode;
    m_hDevNames = pd.hDevNames;
}

BOOL CWinApp::InitApplication()
{
    return TRUE;
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return CWinThread::ExitInstance();
}

int CWinApp::Run()
{
    if (!m_pMainWnd) {
        // Nothing to run a message loop for.
        return ExitInstance();
    }
    return CWinThread::Run();
}

void CWinApp::SetRegistryKey(LPCTSTR lpszRegistryKey)
{
    m_strRegistryKey = lpszRegistryKey;
    m_pszRegistryKey = m_strRegistryKey;
    if (m_strProfileName.IsEmpty())
        m_strProfileName = m_strAppName;
}

HKEY CWinApp::GetAppRegistryKey() const
{
    if (m_strRegistryKey.IsEmpty())
        return nullptr;
    CString path = "Software\\" + m_strRegistryKey + "\\" + m_strProfileName;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return key;
}

HKEY CWinApp::GetSectionKey(LPCTSTR lpszSection) const
{
    HKEY app = GetAppRegistryKey();
    if (!app)
        return nullptr;
    HKEY key = nullptr;
    const LONG rc = RegCreateKeyExA(app, lpszSection, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                                    nullptr, &key, nullptr);
    RegCloseKey(app);
    return rc == ERROR_SUCCESS ? key : nullptr;
}

UINT CWinApp::GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) const
{
    HKEY key = GetSectionKey(lpszSection);
    if (!key)
        return static_cast<UINT>(nDefault);
    DWORD value = 0, type = 0, size = sizeof value;
    const LONG rc = RegQueryValueExA(key, lpszEntry, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return (rc == ERROR_SUCCESS && type == REG_DWORD && size == sizeof value) ? value : static_cast<UINT>(nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue)
{
    HKEY key = GetSectionKey(lpszSection);
    if (!key)
        return FALSE;
    const DWORD value = static_cast<DWORD>(nValue);
    const LONG rc = RegSetValueExA(key, lpszEntry, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

CString CWinApp::GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault) const
{
    const CString fallback(lpszDefault);
    HKEY key = GetSectionKey(lpszSection);
    if (!key)
        return fallback;
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExA(key, lpszEntry, nullptr, &type, nullptr, &size);
    CString value;
    if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        char* buffer = value.GetBufferSetLength(static_cast<int>(size) + 1);
        rc = RegQueryValueExA(key, lpszEntry, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        buffer[size] = '\0';
        value.ReleaseBuffer(); // stored with or without the NUL
    } else {
        rc = ERROR_FILE_NOT_FOUND;
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS ? value : fallback;
}

BOOL CWinApp::WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue)
{
    HKEY key = GetSectionKey(lpszSection);
    if (!key)
        return FALSE;
    LONG rc;
    if (!lpszEntry)
        rc = RegDeleteTreeA(key, nullptr);
    else if (!lpszValue)
        rc = RegDeleteValueA(key, lpszEntry);
    else
        rc = RegSetValueExA(key, lpszEntry, 0, REG_SZ, reinterpret_cast<const BYTE*>(lpszValue),
                            static_cast<DWORD>(std::strlen(lpszValue) + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& rCmdInfo)
{
    for (int i = 1; i < __argc; ++i) {
        const char* param = __argv[i];
        const BOOL bFlag = param[0] == '-' || param[0] == '/';
        rCmdInfo.ParseParam(bFlag ? param + 1 : param, bFlag, i == __argc - 1);
    }
}

HICON CWinApp::LoadIcon(LPCTSTR lpszResourceName) const
{
    return ::LoadIconA(AfxFindResourceHandle(lpszResourceName, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */),
                       lpszResourceName);
}

HICON CWinApp::LoadIcon(UINT nIDResource) const
{
    return LoadIcon(MAKEINTRESOURCEA(nIDResource));
}

HICON CWinApp::LoadStandardIcon(LPCTSTR lpszIconName) const
{
    return ::LoadIconA(nullptr, lpszIconName);
}

HCURSOR CWinApp::LoadCursor(UINT nIDResource) const
{
    const LPCTSTR name = MAKEINTRESOURCEA(nIDResource);
    return ::LoadCursorA(AfxFindResourceHandle(name, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */), name);
}

HCURSOR CWinApp::LoadStandardCursor(LPCTSTR lpszCursorName) const
{
    return ::LoadCursorA(nullptr, lpszCursorName);
}

void CWinApp::SetLanguageResources(HINSTANCE hLanguage)
{
    AfxSetResourceHandle(hLanguage);
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int nCmdShow)
{
    CWinApp* pApp = AfxGetApp();
    if (!pApp)
        return -1;
    AfxSetInstanceHandle(hInstance);
    pApp->m_hInstance = hInstance;
    pApp->m_lpCmdLine = lpCmdLine;
    pApp->m_nCmdShow = nCmdShow;
    pApp->m_nThreadID = GetCurrentThreadId();
    char path[MAX_PATH] = {};
    GetModuleFileNameA(hInstance, path, MAX_PATH);
    // The help file is named after the program, beside it; the version
    // information of the about box and the splash screen finds the program
    // file through it.
    if (pApp->m_strHelpFilePath.IsEmpty()) {
        CString help(path);
        const int dot = help.ReverseFind('.');
        if (dot > help.ReverseFind('\\'))
            help = help.Left(dot);
        pApp->m_strHelpFilePath = help + ".HLP";
    }
    CString exe(path);
    exe = exe.Mid(exe.ReverseFind('\\') + 1);
    if (exe.ReverseFind('.') > 0)
        exe = exe.Left(exe.ReverseFind('.'));
    pApp->m_strExeName = exe;
    if (pApp->m_strAppName.IsEmpty()) {
        pApp->m_strAppName = exe;
        pApp->m_pszAppName = pApp->m_strAppName;
        AfxSetAppName(exe);
    }
    AfxSetCurrentThread(pApp);

    int result = -1;
    if (pApp->InitApplication() && pApp->InitInstance())
        result = pApp->Run();
    else
        result = pApp->ExitInstance();
    AfxSetCurrentThread(nullptr);
    return result;
}
