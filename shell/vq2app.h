// The application object of the development environment. CSingleInstanceApp
// lets one copy of a program run per user: the first copy owns a named
// mutex and registers the main window's class under the same name; a second
// copy finds the mutex, brings the first copy's main window to the front
// and ends quietly. CVq2App starts the program: single instance, the
// settings root, the language library, and the main frame, made from the
// run-time class it is given. The application handles Help > About and
// File > Print Setup for every window of the program.
#pragma once

#include <windows.h>

#include "framework/app.h"
#include "framework/cstring.h"
#include "shell/language.h"

class CFrameWnd;

class CSingleInstanceApp : public CWinApp {
    DECLARE_DYNAMIC(CSingleInstanceApp)
public:
    explicit CSingleInstanceApp(LPCTSTR lpszAppName = nullptr);
    ~CSingleInstanceApp() override;

    // TRUE for the first copy, once its window class is registered; FALSE
    // in a second copy (after bringing the first to the front) and when the
    // class cannot be registered (told to the user).
    BOOL CheckSingleInstance(UINT nIconID);
    // The name of the mutex and of the main window's class: the same in
    // every copy of the program.
    CString GetClassName() const { return m_strClassName; }

    // From whichever module holds the resource (the language library or the
    // program).
    HCURSOR LoadAppCursor(UINT nID) const;
    HICON LoadAppIcon(UINT nID) const;

    // The application's name: the name given to the constructor, else the
    // program's title string, else the program file's name.
    CString GetApplicationName() const;

private:
    HANDLE m_hMutex = nullptr;
    CString m_strClassName;
    BOOL m_bNamed = FALSE;
};

class CVq2App : public CSingleInstanceApp {
    DECLARE_DYNAMIC(CVq2App)
public:
    // pFrameClass: a creatable class derived from CFrameWnd.
    explicit CVq2App(CRuntimeClass* pFrameClass, LPCTSTR lpszAppName = nullptr);

    BOOL InitInstance() override;
    BOOL OnIdle(LONG lCount) override;
    // Waits (handling messages, at most kExitWaitMs on the clock) for the
    // main window to go.
    int ExitInstance() override;
    static constexpr DWORD kExitWaitMs = 5000;

    // The frame registers itself while it is created; the project window
    // reads it.
    void SetMainFrame(CFrameWnd* pFrame) { m_pMainFrame = pFrame; }
    CFrameWnd* GetMainFrame() const { return m_pMainFrame; }
    CLanguageSupport& GetLanguages() { return m_languages; }

    // Help > About: the about box, modal, over the main window.
    void OnAppAbout();

    DECLARE_MESSAGE_MAP()

private:
    CRuntimeClass* m_pFrameClass;
    CFrameWnd* m_pMainFrame = nullptr;
    CLanguageSupport m_languages;
    // GDI+ runs from the start of InitInstance to the end of ExitInstance
    // (the pictures of the splash screen and the main background need it).
    BOOL m_bGdiplusStarted = FALSE;
};
