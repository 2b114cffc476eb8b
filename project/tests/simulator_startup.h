// The real project window beside QCSimulation started as a program of its
// own: the start-up search finds the simulator through a stored simulator
// link, starts it from the program's folder and connects; the connect
// screen is answered at once. Waits take real time here (the simulator
// runs on its own), through the virtual clock's sleep hook.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/commlinks.h"
#include "link/wincomms.h"
#include "project/projectfile.h"
#include "project/projectsearch.h"
#include "project/tests/connect_sequence.h"
#include "project/tests/projectwnd_fixture.h"
#include "settings/vqregistry.h"
#include "shell/mainframemessages.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

inline constexpr char kTargets[] = "Software\\VexoLabs\\WinTargets\\";

// Writes a text value under the current user's real hive. The sandbox
// stands in for HKEY_CURRENT_USER in this process only; the simulator, a
// process of its own, looks for the development environment's windows in
// the real one.
inline bool WriteRealUserText(const std::string& path, const char* name, const char* text)
{
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    BYTE buffer[256];
    DWORD size = 0;
    LPSTR sid = nullptr;
    const bool named = ::GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) &&
                       ::ConvertSidToStringSidA(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid, &sid);
    ::CloseHandle(token);
    if (!named)
        return false;
    const std::string full = std::string(sid) + "\\" + path;
    ::LocalFree(sid);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_USERS, full.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    const bool written = ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                          static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
    return written;
}

inline void WriteSandboxText(const std::string& path, const char* name, const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(std::strlen(text) + 1));
    ::RegCloseKey(key);
}

class SimulatorStartup : public ProjectWndTest {
protected:
    void BeforeStart() override
    {
        if (m_bConnectAtStart) {
            const std::string folder = m_folder.Path() + "\\Demo";
            ::CreateDirectoryA(folder.c_str(), nullptr);
            {
                CProjectFile file((folder + "\\Demo.prj").c_str());
                file.WriteString("Project", "Name", "Demo");
            }
            const std::string line = "\"" + folder + "\"";
            CProjectWnd::SetCommandLineSource([line] { return CString(line.c_str()); });
            CVQRegistry().SetAutoConnectAtStart(1);
        } else {
            CProjectWnd::SetCommandLineSource([] { return CString(); });
        }
        ASSERT_EQ(1, SetCommLink(0, CControllerSearch::SimulatorLink()));
        // The simulator's windows by the titles it publishes.
        WriteSandboxText(std::string(kTargets) + "QCSimulation", "MainWindow", "QC Simulation");
        WriteSandboxText(std::string(kTargets) + "QCSimulation", "CommsWindow", "QCSimulator ControllerWnd");
        // The development environment's, where the simulator looks.
        ASSERT_TRUE(WriteRealUserText(std::string(kTargets) + "Vorta", "MainWindow", "Fake main frame"));
        ASSERT_TRUE(WriteRealUserText(std::string(kTargets) + "Vorta", "CommsWindow", RX_WINDOW_TITLE));
        CProjectWnd::SetConnectionSetup([](CControllerConnection& connection) {
            connection.SetLinkFactory([](int) { return new CWinComms(); });
        });
        CControllerSearch::SetScreenOverride([](HWND) { return std::make_unique<QuietScreen>(); });
        // Every virtual sleep lasts as long in real time.
        m_clock.SetSleepHook([this](std::uint64_t now) {
            std::lock_guard<std::mutex> guard(m_sleepLock);
            if (now > m_lastSleepEnd && m_lastSleepEnd != 0)
                ::Sleep(static_cast<DWORD>(now - m_lastSleepEnd));
            m_lastSleepEnd = now;
        });
        m_lastSleepEnd = m_clock.NowMs();
    }

    void TearDown() override
    {
        m_window.reset();
        if (HWND simulator = ::FindWindowA(nullptr, "QC Simulation")) {
            DWORD process = 0;
            ::GetWindowThreadProcessId(simulator, &process);
            HANDLE handle = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, process);
            ::PostMessageA(simulator, WM_CLOSE, 0, 0);
            if (handle) {
                if (::WaitForSingleObject(handle, 15000) != WAIT_OBJECT_0)
                    ::TerminateProcess(handle, 1);
                ::CloseHandle(handle);
            }
        }
        CControllerSearch::SetScreenOverride(nullptr);
        ProjectWndTest::TearDown();
    }

    // Waits until the start-up search has connected to the simulator and
    // the connect has ended; then the project loads go the slow way
    // (NEW ALL, then each program's lines and check value) and the project
    // "Demo" is written with these programs (type 0) and their files. The
    // project file's path.
    std::string ConnectAndWriteDemo(const std::vector<std::pair<std::string, std::string>>& programs)
    {
        if (!PumpUntil([&] { return !m_frame->Received(WM_CONTROLLER_TYPE).empty(); }, 120000) ||
            !PumpUntil([&] { return !m_window->Object()->m_bConnecting.load(); }, 30000))
            return std::string();
        m_window->Settle();
        CVQRegistry().SetForceSlowProjectLoad(1);
        const std::string folder = m_folder.Path() + "\\Demo";
        std::string list = "[Programs]\r\n";
        std::string types = "[ProgramType]\r\n";
        for (std::size_t i = 0; i < programs.size(); ++i) {
            list += "Program0" + std::to_string(i) + "=" + programs[i].first + "\r\n";
            types += programs[i].first + "=0\r\n";
            WriteWholeFile(folder + "\\" + programs[i].first + ".bas", programs[i].second);
        }
        WriteWholeFile(folder + "\\Demo.prj", list + types);
        return folder + "\\Demo.prj";
    }

    // Set by a derived fixture's constructor: true, the window starts with
    // the project Demo (its file made in the scratch folder) and connects
    // at once; false, it starts without a project and connects when asked.
    bool m_bConnectAtStart = true;
    ScratchFolder m_folder;
    std::mutex m_sleepLock;
    std::uint64_t m_lastSleepEnd = 0;
};
