#include "framework/app.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "framework/cmdui.h"
#include "framework/dialog.h"
#include "framework/frame.h"
#include "framework/prompt.h"
#include "framework/resources.h"
#include "framework_tests_res.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_print_dialogs.h"
#include "testsupport/test_window.h"

namespace {

const UINT WM_THREAD_JOB = WM_APP + 0x120;

class CMainWindow : public CWnd {
protected:
    void OnTimer(UINT_PTR) { DestroyWindow(); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CMainWindow, CWnd)
ON_WM_TIMER()
END_MESSAGE_MAP()

class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp("Framework Test") {}
    std::vector<std::string> m_log;
    bool m_failInit = false;

    BOOL InitInstance() override
    {
        m_log.push_back("init");
        if (m_failInit)
            return FALSE;
        SetRegistryKey("VexoLabs");
        auto* pWnd = new CMainWindow;
        pWnd->CreateEx(0, nullptr, "app main", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr);
        m_pMainWnd = pWnd;
        ::PostThreadMessageA(GetCurrentThreadId(), WM_THREAD_JOB, 5, 6);
        return TRUE;
    }
    int ExitInstance() override
    {
        m_log.push_back("exit");
        return CWinApp::ExitInstance() + 40;
    }

protected:
    void OnJob(WPARAM wParam, LPARAM lParam)
    {
        m_log.push_back("job " + std::to_string(wParam + lParam));
        m_pMainWnd->SetTimer(1, 10);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CTestApp, CWinApp)
ON_THREAD_MESSAGE(WM_THREAD_JOB, OnJob)
END_MESSAGE_MAP()

TEST(WinAppTest, WinMainRunsTheLoopUntilTheMainWindowIsGone)
{
    RegistrySandbox sandbox;
    CTestApp app;
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(40, AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_HIDE));
    EXPECT_EQ((std::vector<std::string>{"init", "job 11", "exit"}), app.m_log);
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_STREQ("Framework Test", AfxGetAppName());

    // Settings under Software\VexoLabs\<application>.
    EXPECT_TRUE(app.WriteProfileInt("Config", "Answer", 42));
    EXPECT_TRUE(app.WriteProfileString("Config", "Name", "text"));
    EXPECT_EQ(42u, app.GetProfileInt("Config", "Answer", 1));
    EXPECT_EQ(7u, app.GetProfileInt("Config", "Missing", 7));
    EXPECT_STREQ("text", app.GetProfileString("Config", "Name"));
    EXPECT_STREQ("fallback", app.GetProfileString("Config", "Answer", "fallback"));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\Framework Test\\Config", 0, KEY_READ, &key));
    RegCloseKey(key);
}

TEST(WinAppTest, AFailedInitInstanceEndsWithExitInstance)
{
    CTestApp app;
    app.m_failInit = true;
    EXPECT_EQ(40, AfxWinMain(GetModuleHandleA(nullptr), nullptr, const_cast<char*>(""), SW_HIDE));
    EXPECT_EQ((std::vector<std::string>{"init", "exit"}), app.m_log);
}

TEST(WinAppTest, CommandLineFlagsAndFileName)
{
    const struct {
        std::vector<const char*> params;
        int shellCommand;
        const char* fileName;
        BOOL splash;
    } cases[] = {
        {{}, CCommandLineInfo::FileNew, "", TRUE},
        {{"project.prj"}, CCommandLineInfo::FileOpen, "project.prj", TRUE},
        {{"-nologo", "a.prj"}, CCommandLineInfo::FileOpen, "a.prj", FALSE},
        {{"/Embedding"}, CCommandLineInfo::FileNew, "", FALSE},
        {{"-p", "doc.txt"}, CCommandLineInfo::FilePrint, "doc.txt", TRUE},
        {{"/unregserver"}, CCommandLineInfo::AppUnregister, "", TRUE},
    };
    for (const auto& c : cases) {
        CCommandLineInfo info;
        for (size_t i = 0; i < c.params.size(); ++i) {
            const char* p = c.params[i];
            const BOOL flag = p[0] == '-' || p[0] == '/';
            info.ParseParam(flag ? p + 1 : p, flag, i + 1 == c.params.size());
        }
        EXPECT_EQ(c.shellCommand, info.m_nShellCommand);
        EXPECT_STREQ(c.fileName, info.m_strFileName);
        EXPECT_EQ(c.splash, info.m_bShowSplash);
    }
}

std::string ProgramFolder()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.rfind('\\') + 1);
}

class CTitleDialog : public CDialog {
public:
    CTitleDialog() : CDialog(IDD_EXCHANGE) {}
    CString m_title;

protected:
    BOOL OnInitDialog() override
    {
        GetWindowText(m_title);
        EndDialog(IDOK);
        return TRUE;
    }
};

TEST(ResourceChainTest, ALanguageLibrarySuppliesStringsAndDialogsTheProgramFillsTheGaps)
{
    HINSTANCE lang = LoadLibraryA((ProgramFolder() + "framework_tests_lang.dll").c_str());
    ASSERT_NE(nullptr, lang);
    CTestApp app;
    app.SetLanguageResources(lang);

    CString text;
    EXPECT_TRUE(text.LoadString(IDS_GREETING));
    EXPECT_STREQ("Hallo aus der Sprachbibliothek", text);
    EXPECT_TRUE(text.LoadString(IDS_ONLY_IN_PROGRAM));
    EXPECT_STREQ("Only the program has this one", text);
    CTitleDialog dlg;
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_STREQ("Austausch", dlg.m_title);

    app.SetLanguageResources(nullptr);
    EXPECT_TRUE(text.LoadString(IDS_GREETING));
    EXPECT_STREQ("Hello from the string table", text);
    FreeLibrary(lang);
}

class CCommandWindow : public CWnd {
public:
    bool m_canSave = false;

protected:
    void OnSave() {}
    void OnOpen() {}
    void OnUpdateSave(CCmdUI* pCmdUI) { pCmdUI->Enable(m_canSave); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CCommandWindow, CWnd)
ON_COMMAND(501, OnSave)
ON_COMMAND(502, OnOpen)
ON_UPDATE_COMMAND_UI(501, OnUpdateSave)
END_MESSAGE_MAP()

TEST(CmdUITest, UpdateHandlersAndMissingHandlersSetMenuItemStates)
{
    CCommandWindow wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, "commands", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr));
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 501, "Save");
    AppendMenuA(menu, MF_STRING, 502, "Open");
    AppendMenuA(menu, MF_STRING, 503, "Nobody");

    const auto update = [&](UINT index, UINT id) {
        CCmdUI ui;
        ui.m_hMenu = menu;
        ui.m_nIndex = index;
        ui.m_nID = id;
        return ui.DoUpdate(&wnd, TRUE);
    };
    EXPECT_TRUE(update(0, 501));
    EXPECT_FALSE(update(1, 502));
    EXPECT_FALSE(update(2, 503));
    EXPECT_TRUE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_FALSE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_TRUE(GetMenuState(menu, 2, MF_BYPOSITION) & MF_GRAYED);
    wnd.m_canSave = true;
    update(0, 501);
    EXPECT_FALSE(GetMenuState(menu, 0, MF_BYPOSITION) & MF_GRAYED);

    CCmdUI ui;
    ui.m_hMenu = menu;
    ui.m_nIndex = 1;
    ui.m_nID = 502;
    ui.SetText("Open...");
    ui.SetCheck(1);
    char text[32];
    GetMenuStringA(menu, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("Open...", text);
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_CHECKED);
    DestroyMenu(menu);
    wnd.DestroyWindow();
}

// A main window object whose storage is filled with a pattern when it is
// deleted, so that a read of the deleted object shows as a wrong handle.
class CPatternedWnd : public CWnd {
public:
    static void* operator new(std::size_t size) { return std::malloc(size); }
    static void operator delete(void* p, std::size_t size)
    {
        std::memset(p, 0xDD, size);
        std::free(p);
    }
};

TEST(WinAppTest, TheMainWindowHandleIsSafeFromAnyThreadWhileTheObjectGoes)
{
    CWinApp app("Main window handle");
    TestWindow window("main");
    EXPECT_EQ(nullptr, AfxGetMainWndHandle());

    // Deleted without being taken out of m_pMainWnd first: the object's
    // end clears the pointer, so nothing reads the deleted object.
    auto* pWnd = new CPatternedWnd;
    pWnd->m_hWnd = window;
    app.m_pMainWnd = pWnd;
    EXPECT_EQ(window.Handle(), AfxGetMainWndHandle());
    delete pWnd;
    EXPECT_EQ(nullptr, AfxGetMainWndHandle());
    EXPECT_EQ(nullptr, static_cast<CWnd*>(app.m_pMainWnd));

    // Another thread asks all the time while this one replaces and
    // deletes main window objects: every answer is the window or null.
    std::atomic<bool> stop{false};
    std::atomic<long> wrong{0};
    std::atomic<long> asked{0};
    std::thread reader([&] {
        while (!stop) {
            const HWND hWnd = AfxGetMainWndHandle();
            if (hWnd && hWnd != window.Handle())
                ++wrong;
            ++asked;
        }
    });
    for (int i = 0; i < 2000; ++i) {
        auto* p = new CPatternedWnd;
        p->m_hWnd = window;
        app.m_pMainWnd = p;
        if (i % 2)
            app.m_pMainWnd = nullptr;
        delete p;
    }
    stop = true;
    reader.join();
    EXPECT_EQ(0, wrong.load()) << "of " << asked.load();
}

} // namespace

namespace {

const UINT ID_BOTH = 0x8101;     // the frame and the application handle it
const UINT ID_APP_ONLY = 0x8102; // only the application
const UINT ID_NOBODY = 0x8103;

class CRoutingApp : public CWinApp {
public:
    CRoutingApp() : CWinApp("Routing test") {}
    std::vector<UINT> m_ran;

protected:
    void OnBoth() { m_ran.push_back(ID_BOTH); }
    void OnAppOnly() { m_ran.push_back(ID_APP_ONLY); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingApp, CWinApp)
ON_COMMAND(ID_BOTH, OnBoth)
ON_COMMAND(ID_APP_ONLY, OnAppOnly)
END_MESSAGE_MAP()

class CRoutingFrame : public CFrameWnd {
public:
    std::vector<UINT> m_ran;

protected:
    void OnBoth() { m_ran.push_back(ID_BOTH); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CRoutingFrame, CFrameWnd)
ON_COMMAND(ID_BOTH, OnBoth)
END_MESSAGE_MAP()

// A frame's own handler wins; a command it does not handle goes on to the
// application; one nobody handles runs nothing. The menu's command states
// see the application's handlers as well.
TEST(FrameCommandRoutingTest, CommandsTheFrameDoesNotHandleReachTheApplication)
{
    struct Case {
        UINT id;
        bool frameRuns;
        bool appRuns;
    };
    const Case cases[] = {
        {ID_BOTH, true, false},
        {ID_APP_ONLY, false, true},
        {ID_NOBODY, false, false},
    };
    CRoutingApp app;
    auto* frame = new CRoutingFrame; // deletes itself with its window
    ASSERT_TRUE(frame->LoadFrame(0x7F01, WS_OVERLAPPEDWINDOW));
    HMENU menu = CreatePopupMenu();
    for (UINT index = 0; index < std::size(cases); ++index) {
        const Case& c = cases[index];
        frame->m_ran.clear();
        app.m_ran.clear();
        frame->SendMessage(WM_COMMAND, c.id, 0);
        EXPECT_EQ(c.frameRuns, frame->m_ran == std::vector<UINT>{c.id}) << c.id;
        EXPECT_EQ(c.appRuns, app.m_ran == std::vector<UINT>{c.id}) << c.id;

        AppendMenuA(menu, MF_STRING, c.id, "item");
        CCmdUI ui;
        ui.m_hMenu = menu;
        ui.m_nIndex = index;
        ui.m_nID = c.id;
        ui.DoUpdate(frame, TRUE);
        EXPECT_EQ(c.frameRuns || c.appRuns, !(GetMenuState(menu, index, MF_BYPOSITION) & MF_GRAYED)) << c.id;
    }
    DestroyMenu(menu);
    frame->DestroyWindow();
}

// Print setup starts from the printer chosen last and keeps what the
// dialog gives back; a cancel keeps the earlier choice.
TEST(PrintSetupTest, TheChosenPrinterIsKeptForTheNextTime)
{
    ScriptedPrintDialogs dialogs;
    CWinApp app("Print setup test");
    TestWindow main;
    CWnd mainWnd;
    mainWnd.Attach(main);
    app.m_pMainWnd = &mainWnd;
    struct Step {
        const char* choose; // null: the user cancels
        const char* offered;
        const char* kept;
    };
    const Step steps[] = {
        {nullptr, "", ""},
        {"Printer A", "", "Printer A"},
        {nullptr, "Printer A", "Printer A"},
        {"Printer B", "Printer A", "Printer B"},
    };
    for (const Step& step : steps) {
        if (step.choose)
            dialogs.Choose(step.choose);
        else
            dialogs.Cancel();
        app.OnFilePrintSetup();
        const auto asked = dialogs.Records();
        ASSERT_FALSE(asked.empty());
        EXPECT_EQ(static_cast<HWND>(main), asked.back().owner);
        EXPECT_TRUE(asked.back().flags & PD_PRINTSETUP);
        EXPECT_EQ(step.offered, asked.back().printer);
        EXPECT_EQ(*step.offered != 0, asked.back().hadDevNames);
        EXPECT_EQ(step.kept, ScriptedPrintDialogs::PrinterOf(app.m_hDevMode));
        EXPECT_EQ(*step.kept != 0, app.m_hDevNames != nullptr);
    }
    app.m_pMainWnd = nullptr;
    mainWnd.Detach();
}

} // namespace
