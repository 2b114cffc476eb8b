#include "shell/vq2app.h"

#include <gtest/gtest.h>

#include "framework/frame.h"
#include "framework/gdiplus.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
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
