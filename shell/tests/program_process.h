// A program of the build started by a test from the tests' own folder, and
// ended (terminated when it is still running) with the object.
#pragma once

#include <windows.h>

#include <string>

#include "foundation/fileutil.h"
#include "testsupport/test_window.h"

class ProgramProcess {
public:
    ProgramProcess(const char* program, int nCmdShow)
    {
        std::string command = "\"" + std::string(GetProgramDirectory()) + "\\" + program + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(nCmdShow);
        m_started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_info) != FALSE;
    }
    ~ProgramProcess()
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
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return m_started; }
    // Waits while handling this thread's messages; whether it ended.
    bool WaitForEnd(DWORD timeoutMs) const
    {
        return PumpUntil([this] { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    }
    DWORD Id() const { return m_info.dwProcessId; }
    // The exit code once it ended (STILL_ACTIVE before).
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }

private:
    bool m_started = false;
    PROCESS_INFORMATION m_info = {};
};
