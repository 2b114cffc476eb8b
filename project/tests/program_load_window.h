// One single-program fast load through the load window's message, as the
// project window starts it: the window takes the bytes the connection
// receives while it loads, and has closed itself by the end.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "framework/app.h"
#include "link/tests/support/fake_project.h"
#include "project/fastloadprogram.h"
#include "project/projectmessages.h"

// idle runs between looks at the window while it closes.
inline bool LoadThroughWindow(CFakeProjectLink& project, const char* name, const std::string& path,
                              const std::function<void()>& idle)
{
    auto* dialog = new CFastLoadProgram;
    if (!dialog->Create()) {
        ADD_FAILURE() << "the window was refused";
        return false;
    }
    const HWND window = dialog->m_hWnd;
    project.SetBytesReceiver(dialog);
    const bool result = ::SendMessageA(window, WM_PW_LOAD_PROGRAM_FILE, reinterpret_cast<WPARAM>(name),
                                       reinterpret_cast<LPARAM>(path.c_str())) != 0;
    project.SetBytesReceiver(nullptr);
    // Bounded in real time, not in turns: a loaded machine may take a while.
    const ULONGLONG giveUp = ::GetTickCount64() + 30000;
    while (::IsWindow(window) && ::GetTickCount64() < giveUp) {
        AfxPumpMessages();
        idle();
    }
    EXPECT_FALSE(::IsWindow(window)) << "the window closes itself after the load";
    return result;
}
