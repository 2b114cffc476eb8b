// Real windows for GUI tests (they need the Xvfb display of the test run)
// and bounded waits that keep the calling thread's messages flowing.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

// A plain top-level window of its own class, destroyed with the object.
class TestWindow {
public:
    explicit TestWindow(const char* title = "", DWORD style = WS_OVERLAPPEDWINDOW);
    ~TestWindow();
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND Handle() const { return m_hwnd; }
    operator HWND() const { return m_hwnd; }

private:
    HWND m_hwnd = nullptr;
};

// The text of any window, read the way a user would see it.
std::string WindowText(HWND hwnd);

// Dispatches this thread's messages until the condition holds or timeoutMs
// pass; returns whether it held. Never waits without bound.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
