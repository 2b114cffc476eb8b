// Two copies of a program on CVq2App: the second brings the first to the
// front and ends quietly.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "program_process.h"
#include "shell_test_support.h"
#include "testsupport/test_window.h"

namespace {

const char kProbeClass[] = "ShellProbe:400000:8:0:0";

// The probe program, started beside the tests.
class Process : public ProgramProcess {
public:
    explicit Process(int nCmdShow) : ProgramProcess("single_instance_probe.exe", nCmdShow) {}
};

int CountWindows(const char* className)
{
    int count = 0;
    for (HWND h = FindWindowExA(nullptr, nullptr, className, nullptr); h;
         h = FindWindowExA(nullptr, h, className, nullptr))
        ++count;
    return count;
}

TEST(SingleInstanceTest, ASecondCopyEndsQuietlyAndRestoresTheFirst)
{
    Process first(SW_SHOWNORMAL);
    ASSERT_TRUE(first.Started());
    HWND hWndFirst = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hWndFirst = FindWindowA(kProbeClass, nullptr)) && IsWindowVisible(hWndFirst); },
                          20000));
    DWORD owner = 0;
    GetWindowThreadProcessId(hWndFirst, &owner);
    EXPECT_EQ(first.Id(), owner);
    EXPECT_EQ("ShellProbe", WindowText(hWndFirst));

    ShowWindow(hWndFirst, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return IsIconic(hWndFirst) != FALSE; }));
    TestWindow cover("Cover", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    SetWindowPos(cover, HWND_TOP, 0, 0, 300, 200, SWP_SHOWWINDOW);
    ASSERT_TRUE(IsAbove(cover, hWndFirst));

    Process second(SW_SHOWNORMAL);
    ASSERT_TRUE(second.Started());
    EXPECT_TRUE(second.WaitForEnd(2000));
    // The second copy does not wait for the first: it asks, the first does.
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(hWndFirst) && IsAbove(hWndFirst, cover); }));
    EXPECT_EQ(1, CountWindows(kProbeClass));

    // The first copy ends with its window.
    PostMessageA(hWndFirst, WM_CLOSE, 0, 0);
    EXPECT_TRUE(first.WaitForEnd(10000));

    // With the first copy gone the next one is a first copy again.
    Process third(SW_SHOWNORMAL);
    ASSERT_TRUE(third.Started());
    HWND hWndThird = nullptr;
    EXPECT_TRUE(PumpUntil([&] { return (hWndThird = FindWindowA(kProbeClass, nullptr)) != nullptr; }, 20000));
    EXPECT_FALSE(third.WaitForEnd(0));
    if (hWndThird)
        PostMessageA(hWndThird, WM_CLOSE, 0, 0);
    EXPECT_TRUE(third.WaitForEnd(10000));
}

} // namespace
