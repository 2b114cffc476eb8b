// CWinApp: the application object. One per program, constructed as a
// global; the framework's WinMain runs InitApplication, InitInstance and
// the main thread's message loop. It also keeps the program's registry key
// (Software\<company>\<application>), the command line, and the resource
// chain (a language library in front of the program's own resources).
#pragma once

#include <windows.h>

#include "framework/commandids.h"
#include "framework/cstring.h"
#include "framework/thread.h"

class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // One parameter: pszParam without its leading '-' or '/' when bFlag.
    virtual void ParseParam(const char* pszParam, BOOL bFlag, BOOL bLast);

    enum { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppRegister, AppUnregister, FileNothing = -1 };
    int m_nShellCommand = FileNew;
    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    CString m_strFileName;
    CString m_strPrinterName;
};

class CWinApp : public CWinThread {
    DECLARE_DYNAMIC(CWinApp)
public:
    explicit CWinApp(LPCTSTR lpszAppName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitApplication();
    BOOL InitInstance() override;
    int ExitInstance() override;
    int Run() override;

    // Settings live under HKEY_CURRENT_USER\Software\<key>\<application>.
    void SetRegistryKey(LPCTSTR lpszRegistryKey);
    // The key of the application, or of one of its sections (created when
    // missing); the caller closes it. Null without a registry key.
    HKEY GetAppRegistryKey() const;
    HKEY GetSectionKey(LPCTSTR lpszSection) const;
    UINT GetProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nDefault) const;
    BOOL WriteProfileInt(LPCTSTR lpszSection, LPCTSTR lpszEntry, int nValue);
    CString GetProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszDefault = nullptr) const;
    BOOL WriteProfileString(LPCTSTR lpszSection, LPCTSTR lpszEntry, LPCTSTR lpszValue);

    void ParseCommandLine(CCommandLineInfo& rCmdInfo);

    // Resources through the chain.
    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCTSTR lpszResourceName) const;
    HICON LoadStandardIcon(LPCTSTR lpszIconName) const;
    HCURSOR LoadCursor(UINT nIDResource) const;
    HCURSOR LoadStandardCursor(LPCTSTR lpszCursorName) const;
    // Puts a language library in front of the program's own resources
    // (null takes it away again).
    void SetLanguageResources(HINSTANCE hLanguage);

    // File > Print Setup: the print setup dialog, owned by the main window,
    // starting from the printer settings chosen last; the settings it gives
    // back are kept for the next time.
    void OnFilePrintSetup();

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_lpCmdLine = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;
    CString m_strAppName;
    CString m_strExeName;
    CString m_strRegistryKey;
    CString m_strProfileName;
    CString m_strHelpFilePath;
    LPCTSTR m_pszAppName = nullptr;     // the two keep pointing into the
    LPCTSTR m_pszRegistryKey = nullptr; // strings above
    HINSTANCE m_hLangResourceDLL = nullptr;
    // The chosen printer (DEVMODE and DEVNAMES); null for the default one.
    // The application frees them.
    HGLOBAL m_hDevMode = nullptr;
    HGLOBAL m_hDevNames = nullptr;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
// The handle of the application's main window, from any thread, while the
// main thread may be replacing or deleting the window object; null
// without one.
HWND AfxGetMainWndHandle();

// The body of the framework's WinMain; a program that has its own entry
// point (a test) calls it too.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
