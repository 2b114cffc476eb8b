// QCSimulation for the tests that drive it as the development environment
// does: the program started as a process of its own, and a controller
// connection opened to it over the simulator window link and taken to
// channel mode.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "link/commportdata.h"
#include "link/controllerconnection.h"
#include "link/wincomms.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

// QCSimulation.exe beside the running test program.
inline std::string SimulatorProgramPath()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string self = path;
    return self.substr(0, self.find_last_of('\\')) + "\\QCSimulation.exe";
}

// The environment variable that names the folder of QCSimulation's memory
// images in place of the user's own one.
constexpr char kSimulatorDataFolderVariable[] = "VEXO_QCSIM_DATA_DIR";

// QCSimulation started with the given arguments for the life of the object;
// ended by force if it has not closed by then. It keeps its memory images in
// a folder of its own (a fresh scratch folder, removed with the object,
// unless a folder is given), never in the user's.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const std::string& arguments = std::string(), const std::string& dataFolder = std::string())
        : m_dataFolder(dataFolder.empty() ? m_scratch.Path() : dataFolder)
    {
        std::string line = "\"" + SimulatorProgramPath() + "\" " + arguments;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        // The child takes the folder from its inherited environment.
        char previous[MAX_PATH + 1] = {};
        const DWORD had = GetEnvironmentVariableA(kSimulatorDataFolderVariable, previous, sizeof previous);
        SetEnvironmentVariableA(kSimulatorDataFolderVariable, m_dataFolder.c_str());
        m_started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                                   &m_process) != FALSE;
        SetEnvironmentVariableA(kSimulatorDataFolderVariable, had && had < sizeof previous ? previous : nullptr);
    }
    ~SimulatorProcess()
    {
        if (m_started && WaitForSingleObject(m_process.hProcess, 0) != WAIT_OBJECT_0) {
            TerminateProcess(m_process.hProcess, 1);
            WaitForSingleObject(m_process.hProcess, 5000);
        }
        if (m_started) {
            CloseHandle(m_process.hProcess);
            CloseHandle(m_process.hThread);
        }
    }
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    bool Started() const { return m_started; }
    bool Ended(DWORD ms) const { return WaitForSingleObject(m_process.hProcess, ms) == WAIT_OBJECT_0; }
    HANDLE Handle() const { return m_process.hProcess; }
    // The folder of its memory images, without a trailing "\".
    const std::string& DataFolder() const { return m_dataFolder; }

private:
    ScratchFolder m_scratch;
    std::string m_dataFolder;
    PROCESS_INFORMATION m_process{};
    bool m_started = false;
};

// Names the window titled title as the development environment's main
// frame, where the simulator looks for it (in the real current-user hive:
// the simulator is another process).
inline bool RegisterSimulatorPeerFrame(const char* title)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG set = RegSetValueExA(key, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(title),
                                    static_cast<DWORD>(strlen(title) + 1));
    RegCloseKey(key);
    return set == ERROR_SUCCESS;
}

// Opens connection to the running simulator over the window link (its
// receive window below mainFrame, the project window owning the link),
// waits out the controller's power-up, resets the link to the command line,
// identifies the controller (its row of the model table in row) and enters
// channel mode. False, with the step that failed reported, otherwise.
inline bool ConnectToSimulator(CControllerConnection& connection, HWND projectWindow, HWND mainFrame,
                               CCommPortData& record, int& row)
{
    connection.SetLinkFactory([](int) { return new CWinComms(); });
    record.SetName("Simulator");
    record.SetTypeDefaults(LINK_TYPE_SIMULATOR);
    if (!connection.ApplyLinkData(&record, TRUE) || !connection.GetLink()) {
        ADD_FAILURE() << "no simulator window link";
        return false;
    }
    connection.GetLink()->SetMainFrameWindow(mainFrame);
    if (!connection.OpenLink(projectWindow, &record, FALSE)) {
        ADD_FAILURE() << "the simulator window link did not open";
        return false;
    }
    // The controller's power-up (banner, memory tests) takes a moment.
    PumpUntil([] { return false; }, 3000);
    if (!connection.ResetLinkToCommandLine()) {
        ADD_FAILURE() << "no command line";
        return false;
    }
    row = 0;
    if (!connection.Identify(row)) {
        ADD_FAILURE() << "not identified";
        return false;
    }
    if (!connection.EnterChannelMode(&record)) {
        ADD_FAILURE() << "no channel mode";
        return false;
    }
    return true;
}
