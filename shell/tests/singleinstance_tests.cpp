// Two copies of a program on CVq2App: the second brings the first to the
// front and ends quietly.
#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "testsupport/test_window.h"

namespace {

const char kProbeClass[] = "ShellProbe:400000:8:0:0";

class Process {
public:
    explicit Process(int nCmdShow)
    {
        std::string command = "\"" + std::string(GetProgramDirectory()) + "\\single_instance_probe.exe\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(nCmdShow);
        m_started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_info) != FALSE;
    }
    ~Process()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    bool Started() const { return m_started; }
    // Waits while handling this thread's messages; whether it ended.
    bool WaitForEnd(DWORD timeoutMs) const
    {
        return PumpUntil([this] { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    }
    DWORD Id() const { return m_info.dwProcessId; }

private:
    bool m_started = false;
    PROCESS_INFORMATION m_info = {};
};

int CountWindows(const char* className)
{
    int count = 0;
    for (HWND h = FindWindowExA(nullptr, nullptr, className, nullptr); h;
         h = FindWindowExA(nullptr, h, className, nullptr))
        ++count;
    return count;
}

// Whether a lies above b in the z-order of the top-level windows.
bool IsAbove(HWND a, HWND b)
{
    for (HWND h = GetTopWindow(nullptr); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (h == a)
            return true;
        if (h == b)
            return false;
    }
    return false;
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
    EXPECT_TRUE(PumpUntil([&] { return !IsIconic(hWndFirst); }));
    EXPECT_TRUE(IsAbove(hWndFirst, cover));
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
