#include "shell/vq2app.h"

#include <cstring>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "framework/frame.h"
#include "framework/gdiplus.h"
#include "picture_files.h"
#include "shell/visual_resource.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_print_dialogs.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

// The application's end waits for a main window that is still there, but
// not for ever.
TEST(Vq2AppTest, ExitWaitsForTheMainWindowAtMostFiveSeconds)
{
    struct Case {
        const char* name;
        bool closeDuringTheWait;
        bool waitsFull;
    };
    const Case cases[] = {
        {"window stays", false, true},
        {"window closes", true, false},
    };
    for (const Case& c : cases) {
        CVq2App app(RUNTIME_CLASS(CFrameWnd), "Exit test");
        FakeProjectWindow window; // a window on a thread of its own
        FakeClock clock;
        bool closed = false;
        clock.SetSleepHook([&](std::uint64_t) {
            // The window's own thread closes it 100 ms into the wait.
            if (c.closeDuringTheWait && !closed && clock.SleptMs() >= 100) {
                closed = true;
                SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_BLOCK, 5000, nullptr);
            }
        });
        app.m_pMainWnd = window.Object();
        app.ExitInstance();
        if (c.waitsFull) {
            EXPECT_GE(clock.SleptMs(), CVq2App::kExitWaitMs) << c.name;
            EXPECT_LT(clock.SleptMs(), CVq2App::kExitWaitMs + 100) << c.name;
            EXPECT_TRUE(IsWindow(window)) << c.name;
        } else {
            EXPECT_LT(clock.SleptMs(), CVq2App::kExitWaitMs) << c.name;
            EXPECT_FALSE(IsWindow(window)) << c.name;
        }
        clock.SetSleepHook(nullptr);
        app.m_pMainWnd = nullptr;
    }
}

// GDI+ runs from the start of the application to its end, also when the
// start-up fails (here: no frame class).
TEST(Vq2AppTest, GdiplusRunsFromInitInstanceToExitInstance)
{
    RegistrySandbox sandbox;
    ScriptedPrompts prompts;
    ASSERT_FALSE(AfxIsGdiplusRunning());
    CVq2App app(nullptr, "GDI+ test");
    EXPECT_FALSE(app.InitInstance());
    EXPECT_TRUE(AfxIsGdiplusRunning());
    app.ExitInstance();
    EXPECT_FALSE(AfxIsGdiplusRunning());
    UnregisterClassA(app.GetClassName(), GetModuleHandleA(nullptr));
}

// What the timer saw of the about box while its modal run went on.
struct AboutBoxSeen {
    int ticks = 0;
    int foundAt = -1;
    std::string caption;
    std::string version;
    HWND owner = nullptr;
} g_about;

BOOL CALLBACK FindAboutBox(HWND hwnd, LPARAM)
{
    char cls[16] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "#32770") != 0)
        return TRUE;
    if (g_about.foundAt < 0) {
        g_about.foundAt = g_about.ticks;
        g_about.caption = WindowText(hwnd);
        g_about.version = WindowText(GetDlgItem(hwnd, IDC_ABOUT_VERSION));
        g_about.owner = GetWindow(hwnd, GW_OWNER);
        PostMessageA(hwnd, WM_COMMAND, IDOK, 0);
    } else if (g_about.ticks - g_about.foundAt > 50) {
        DestroyWindow(hwnd); // OK did not end it: end the run anyway
    }
    return FALSE;
}

// Runs inside the dialog's modal loop on the test's thread.
void CALLBACK CloseAboutBox(HWND, UINT, UINT_PTR, DWORD)
{
    ++g_about.ticks;
    EnumThreadWindows(GetCurrentThreadId(), FindAboutBox, 0);
}

// Help > About and File > Print Setup sent to the main frame, which has no
// handlers of its own, reach the application: the about box comes up over
// the frame with the program's version and OK ends it; print setup asks
// for a printer on behalf of the frame and keeps the one chosen.
TEST(Vq2AppTest, AboutAndPrintSetupReachTheApplicationFromTheFrame)
{
    ScriptedPrompts prompts;
    ScriptedPrintDialogs printDialogs;
    CVq2App app(RUNTIME_CLASS(CFrameWnd), "Command test");
    app.m_strHelpFilePath = HelpPathOfThisProgram().c_str();
    auto* frame = new CFrameWnd; // deletes itself with its window
    ASSERT_TRUE(frame->LoadFrame(0x7F01, WS_OVERLAPPEDWINDOW));
    app.m_pMainWnd = frame;
    const HWND hFrame = frame->GetSafeHwnd();

    g_about = AboutBoxSeen();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, CloseAboutBox);
    ASSERT_NE(0u, timer);
    frame->SendMessage(WM_COMMAND, ID_APP_ABOUT, 0);
    KillTimer(nullptr, timer);
    EXPECT_GE(g_about.foundAt, 0);
    EXPECT_EQ("About Vorta 2", g_about.caption);
    EXPECT_EQ("Version: 2.3.0.41 RC2", g_about.version);
    EXPECT_EQ(hFrame, g_about.owner);

    printDialogs.Choose("Printer A");
    frame->SendMessage(WM_COMMAND, ID_FILE_PRINT_SETUP, 0);
    const auto asked = printDialogs.Records();
    ASSERT_EQ(1u, asked.size());
    EXPECT_EQ(hFrame, asked[0].owner);
    EXPECT_TRUE(asked[0].flags & PD_PRINTSETUP);
    EXPECT_EQ("Printer A", ScriptedPrintDialogs::PrinterOf(app.m_hDevMode));

    frame->DestroyWindow();
    app.m_pMainWnd = nullptr;
}

} // namespace

namespace {

TEST(SingleInstanceCheckTest, TheFirstCopyRegistersTheClassAndASecondIsRefusedQuietly)
{
    ScriptedPrompts prompts;
    {
        CSingleInstanceApp first("Check test");
        EXPECT_TRUE(first.CheckSingleInstance(101));
        EXPECT_EQ("Check test:400000:8:0:0", std::string(first.GetClassName()));
        WNDCLASSA registered = {};
        EXPECT_TRUE(GetClassInfoA(GetModuleHandleA(nullptr), first.GetClassName(), &registered));
        EXPECT_EQ(CS_DBLCLKS, registered.style);

        CSingleInstanceApp second("Check test");
        EXPECT_FALSE(second.CheckSingleInstance(101));
        EXPECT_TRUE(prompts.Records().empty());
        UnregisterClassA(first.GetClassName(), GetModuleHandleA(nullptr));
    }
    // The first copy's mutex went with it: the name is free again.
    CSingleInstanceApp again("Check test");
    EXPECT_TRUE(again.CheckSingleInstance(101));
    UnregisterClassA(again.GetClassName(), GetModuleHandleA(nullptr));
}

// A first copy whose window does not answer (its thread is busy) does not
// hold up the second: the second copy ends at once all the same.
TEST(SingleInstanceCheckTest, ASecondCopyDoesNotWaitForAFirstCopyThatDoesNotAnswer)
{
    ScriptedPrompts prompts;
    CSingleInstanceApp first("Hung test");
    ASSERT_TRUE(first.CheckSingleInstance(101));
    // The first copy's window under the shared class name, on a thread that
    // stops answering once the window is there.
    const CString className = first.GetClassName();
    UnregisterClassA(className, GetModuleHandleA(nullptr));
    WNDCLASSA plain = {};
    plain.lpfnWndProc = DefWindowProcA;
    plain.hInstance = GetModuleHandleA(nullptr);
    plain.lpszClassName = className;
    ASSERT_TRUE(RegisterClassA(&plain));
    HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE created = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread busy([&] {
        HWND window = CreateWindowExA(0, className, "First", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_MINIMIZE, 0, 0,
                                      200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetEvent(created);
        WaitForSingleObject(release, 30000); // no messages answered meanwhile
        DestroyWindow(window);
    });
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(created, 10000));

    HANDLE checked = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    BOOL secondResult = TRUE;
    std::thread second([&] {
        CSingleInstanceApp copy("Hung test");
        secondResult = copy.CheckSingleInstance(101);
        SetEvent(checked);
    });
    const bool ended = WaitForSingleObject(checked, 3000) == WAIT_OBJECT_0;
    SetEvent(release);
    second.join();
    busy.join();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(secondResult);
    EXPECT_TRUE(prompts.Records().empty());
    for (HANDLE h : {release, created, checked})
        CloseHandle(h);
    UnregisterClassA(className, GetModuleHandleA(nullptr));
}

TEST(SingleInstanceCheckTest, AClassThatCannotBeRegisteredIsTold)
{
    ScriptedPrompts prompts;
    // Something else holds the class name already.
    WNDCLASSA taken = {};
    taken.lpfnWndProc = DefWindowProcA;
    taken.hInstance = GetModuleHandleA(nullptr);
    taken.lpszClassName = "Taken test:400000:8:0:0";
    ASSERT_TRUE(RegisterClassA(&taken));
    CSingleInstanceApp app("Taken test");
    EXPECT_FALSE(app.CheckSingleInstance(101));
    ASSERT_EQ(1u, prompts.Records().size());
    EXPECT_EQ("Failed to register window class!", prompts.Records()[0].text);
    EXPECT_TRUE(prompts.Records()[0].type & MB_ICONERROR);
    UnregisterClassA(taken.lpszClassName, GetModuleHandleA(nullptr));
}

} // namespace
