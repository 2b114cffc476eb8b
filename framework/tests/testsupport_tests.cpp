// The shared test seams work under Wine: real windows on the test display,
// the registry sandbox and the virtual clock.
#include <windows.h>

#include <gtest/gtest.h>

#include "framework/clock.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/test_window.h"

namespace {

TEST(TestWindowTest, RealWindowReportsTheTextItWasGiven)
{
    TestWindow window("first title");
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ("first title", WindowText(window));
    SetWindowTextA(window, "changed");
    EXPECT_EQ("changed", WindowText(window));

    // PumpUntil dispatches what is waiting, and gives up after its time.
    PostMessageA(window, WM_APP, 0, 0);
    EXPECT_TRUE(PumpUntil(
        [&] {
            MSG msg;
            return !PeekMessageA(&msg, window, WM_APP, WM_APP, PM_NOREMOVE);
        },
        1000));
    EXPECT_FALSE(PumpUntil([] { return false; }, 50));
}

bool KeyExists(HKEY root, const char* path)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

TEST(RegistrySandboxTest, RedirectsBothHivesAndLeavesNothingBehind)
{
    std::string scratch;
    {
        RegistrySandbox sandbox;
        scratch = sandbox.ScratchPath();
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2\\Config", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        const DWORD value = 5;
        RegSetValueExA(key, "Answer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
        RegCloseKey(key);
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\Machine", 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key, nullptr));
        RegCloseKey(key);
        EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2\\Config"));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\Machine"));
        // Both hives start empty and are kept apart.
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\Vorta2"));
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\VexoLabs\\Vorta2\\Config"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\Machine"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, scratch.c_str()));
}

TEST(FakeClockTest, SleepsAdvanceVirtualTimeAndUninstallRestoresTheSystemClock)
{
    {
        FakeClock clock(5000);
        EXPECT_EQ(5000u, AfxGetClock().NowMs());
        std::uint64_t seen = 0;
        clock.SetSleepHook([&](std::uint64_t now) { seen = now; });
        const std::uint64_t start = AfxGetClock().NowMs();
        while (!AfxClockElapsed(start, 300))
            AfxGetClock().SleepMs(100);
        EXPECT_EQ(5300u, clock.NowMs());
        EXPECT_EQ(5300u, seen);
        EXPECT_EQ(300u, clock.SleptMs());
    }
    // The system clock is back: it follows the system's tick count.
    EXPECT_NEAR(static_cast<double>(GetTickCount64()), static_cast<double>(AfxGetClock().NowMs()), 1000.0);
}

// The wait that ends early: the system clock's ends when the event is set
// (before or during the wait) or a message comes for the thread, and runs
// its time out otherwise; a virtual clock lets its time pass whatever the
// event says. The long waits would hang the test if the wake were missed.
TEST(ClockWaitTest, SystemClockEndsEarlyOnEventOrInputVirtualClockOnlyAdvances)
{
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(event);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    EXPECT_FALSE(AfxGetClock().WaitMs(event, 0));
    EXPECT_FALSE(AfxGetClock().WaitMs(nullptr, 1));

    SetEvent(event);
    EXPECT_TRUE(AfxGetClock().WaitMs(event, 60000));
    ResetEvent(event);

    HANDLE setter = CreateThread(
        nullptr, 0,
        [](LPVOID parameter) -> DWORD {
            Sleep(20);
            SetEvent(static_cast<HANDLE>(parameter));
            return 0;
        },
        event, 0, nullptr);
    ASSERT_TRUE(setter);
    EXPECT_TRUE(AfxGetClock().WaitMs(event, 60000));
    WaitForSingleObject(setter, INFINITE);
    CloseHandle(setter);
    ResetEvent(event);

    // Input seen by a peek but left in the queue still ends the wait.
    PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
    PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
    EXPECT_TRUE(AfxGetClock().WaitMs(event, 60000));
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_REMOVE));

    {
        FakeClock clock(1000);
        SetEvent(event);
        EXPECT_FALSE(AfxGetClock().WaitMs(event, 5));
        EXPECT_EQ(1005u, clock.NowMs());
        EXPECT_EQ(5u, clock.SleptMs());
    }
    CloseHandle(event);
}

} // namespace
