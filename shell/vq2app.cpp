#include "shell/vq2app.h"

#include "foundation/winutil.h"
#include "framework/clock.h"
#include "framework/frame.h"
#include "framework/gdiplus.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework/thread.h"
#include "framework/wnd.h"
#include "shell/aboutdialog.h"
#include "shell/res/shell_resource.h"

IMPLEMENT_DYNAMIC(CSingleInstanceApp, CWinApp)
IMPLEMENT_DYNAMIC(CVq2App, CSingleInstanceApp)

// --- CSingleInstanceApp ------------------------------------------------------------------

CSingleInstanceApp::CSingleInstanceApp(LPCTSTR lpszAppName) : CWinApp(lpszAppName), m_bNamed(lpszAppName != nullptr) {}

CSingleInstanceApp::~CSingleInstanceApp()
{
    if (m_hMutex) {
        ReleaseMutex(m_hMutex);
        CloseHandle(m_hMutex);
    }
}

CString CSingleInstanceApp::GetApplicationName() const
{
    if (m_bNamed)
        return m_strAppName;
    CString title;
    if (title.LoadString(IDS_APP_TITLE))
        return title;
    return m_strAppName.IsEmpty() ? m_strExeName : m_strAppName;
}

HCURSOR CSingleInstanceApp::LoadAppCursor(UINT nID) const
{
    const LPCSTR name = MAKEINTRESOURCEA(nID);
    return ::LoadCursorA(AfxFindResourceHandle(name, MAKEINTRESOURCEA(12) /* RT_GROUP_CURSOR */), name);
}

HICON CSingleInstanceApp::LoadAppIcon(UINT nID) const
{
    const LPCSTR name = MAKEINTRESOURCEA(nID);
    return ::LoadIconA(AfxFindResourceHandle(name, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */), name);
}

BOOL CSingleInstanceApp::CheckSingleInstance(UINT nIconID)
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    // The system's arrow when the program has no cursor of that id.
    HCURSOR hCursor = LoadAppCursor(32512);
    if (!hCursor)
        hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    HICON hIcon = LoadAppIcon(nIconID);
    // Only values every copy shares make up the name, so that a second copy
    // always finds the first: not this copy's handles.
    m_strClassName.Format("%s:%x:%x:%x:%x", GetApplicationName().GetString(), 0x400000u, 8u, 0u, 0u);

    m_hMutex = CreateMutexA(nullptr, FALSE, m_strClassName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        // This copy's handle is closed: only the first copy keeps the name.
        if (m_hMutex)
            CloseHandle(m_hMutex);
        m_hMutex = nullptr;
        if (HWND hWndFirst = FindWindowExA(nullptr, nullptr, m_strClassName, nullptr)) {
            // The first copy may be busy or hung: nothing here waits for its
            // window to answer.
            AfxShowWindowInFront(hWndFirst);
        }
        return FALSE;
    }

    WNDCLASSA wc = {};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = AfxWndProc;
    wc.hInstance = hInstance;
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.lpszClassName = m_strClassName;
    if (!RegisterClassA(&wc)) {
        AfxGetPromptService().Prompt(nullptr, "Failed to register window class!", AfxGetAppName(),
                                     MB_OK | MB_ICONERROR);
        return FALSE;
    }
    return TRUE;
}

// --- CVq2App ---------------------------------------------------------------------------------

BEGIN_MESSAGE_MAP(CVq2App, CSingleInstanceApp)
ON_COMMAND(ID_APP_ABOUT, OnAppAbout)
ON_COMMAND(ID_FILE_PRINT_SETUP, CWinApp::OnFilePrintSetup)
END_MESSAGE_MAP()

CVq2App::CVq2App(CRuntimeClass* pFrameClass, LPCTSTR lpszAppName)
    : CSingleInstanceApp(lpszAppName), m_pFrameClass(pFrameClass)
{
}

BOOL CVq2App::InitInstance()
{
    m_pMainFrame = nullptr;
    if (!m_bGdiplusStarted)
        m_bGdiplusStarted = AfxGdiplusStartup();
    if (!CheckSingleInstance(IDR_MAINFRAME))
        return FALSE; // a second copy: the first is in front now

    CCommandLineInfo commandLine;
    // Settings then live under HKEY_CURRENT_USER\Software\VexoLabs\<name>.
    SetRegistryKey("VexoLabs");
    m_languages.LoadLanguageLibrary();

    CObject* pObject = m_pFrameClass ? m_pFrameClass->CreateObject() : nullptr;
    auto* pFrame = DYNAMIC_DOWNCAST(CFrameWnd, pObject);
    if (!pFrame) {
        delete pObject;
        return FALSE;
    }
    if (!pFrame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW, nullptr, nullptr)) {
        delete pFrame;
        m_pMainFrame = nullptr;
        return FALSE;
    }
    m_pMainWnd = pFrame;
    ParseCommandLine(commandLine); // no shell command is carried out
    pFrame->ShowWindow(m_nCmdShow);
    pFrame->UpdateWindow();
    return TRUE;
}

void CVq2App::OnAppAbout()
{
    CAboutDialog about(GetMainWnd());
    about.DoModal();
}

BOOL CVq2App::OnIdle(LONG lCount)
{
    return CWinApp::OnIdle(lCount);
}

int CVq2App::ExitInstance()
{
    // The main window normally went before the message loop ended; one that
    // is still there (on another thread) gets a bounded wait.
    const std::uint64_t start = AfxGetClock().NowMs();
    while (::IsWindow(m_pMainWnd.GetSafeHwnd()) && !AfxClockElapsed(start, kExitWaitMs)) {
        PumpWaitingMessages();
        AfxGetClock().SleepMs(10);
    }
    if (m_bGdiplusStarted) {
        AfxGdiplusShutdown();
        m_bGdiplusStarted = FALSE;
    }
    return CWinApp::ExitInstance();
}
