// What the benchmarks that measure a running QCSimulation share: the
// program started beside the benchmark (from the benchmark's own folder), a
// frame window published as the development environment's main window (the
// simulator sends to the receive window below it), and the development
// environment's controller connection over the simulator window link,
// identified and in channel mode, with a tool window whose commands go on
// the command channel as the tools send them.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/app.h"
#include "link/commportdata.h"
#include "link/controllerconnection.h"
#include "link/messagesender.h"
#include "link/tests/support/fake_project.h"
#include "link/tests/support/recording_tool.h"
#include "link/tests/support/simulator_session.h"
#include "link/wincomms.h"

namespace simbench {

inline double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Processor time (user and kernel) a process has used so far, in seconds;
// negative when it cannot be read. Under Wine, GetProcessTimes does not
// know another process's times: there the process is found in the host's
// /proc (through drive Z:) by its program's path, the latest started of
// that program, and its times are read from there.
inline double ProcessorSeconds(HANDLE process, const std::string& programPath = std::string())
{
    auto readFile = [](const std::string& path) {
        std::string bytes;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return bytes;
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
            bytes.append(buffer, got);
        CloseHandle(file);
        return bytes;
    };
    WIN32_FIND_DATAA entry;
    HANDLE find = programPath.empty() ? INVALID_HANDLE_VALUE : FindFirstFileA("Z:\\proc\\*", &entry);
    if (find != INVALID_HANDLE_VALUE) {
        double seconds = -1.0;
        unsigned long long latest = 0;
        do {
            const std::string name = entry.cFileName;
            if (name.find_first_not_of("0123456789") != std::string::npos)
                continue;
            const std::string line = readFile("Z:\\proc\\" + name + "\\cmdline");
            if (_strnicmp(line.c_str(), programPath.c_str(), programPath.size()) != 0)
                continue;
            // Fields 14 and 15 (user and system time) and 22 (the start),
            // in clock ticks of 1/100 s, follow the name in parentheses.
            const std::string stat = readFile("Z:\\proc\\" + name + "\\stat");
            const std::size_t close = stat.rfind(')');
            unsigned long long user = 0, system = 0, started = 0;
            if (close != std::string::npos &&
                std::sscanf(stat.c_str() + close + 1,
                            " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu %*d %*d %*d %*d %*d %*d %llu", &user,
                            &system, &started) == 3 &&
                started >= latest) {
                latest = started;
                seconds = static_cast<double>(user + system) / 100.0;
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
        if (seconds >= 0)
            return seconds;
    }
    FILETIME created, ended, kernel, user;
    if (!process || !GetProcessTimes(process, &created, &ended, &kernel, &user))
        return -1.0;
    auto seconds = [](const FILETIME& time) {
        return static_cast<double>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

// The value below which the given fraction of the values lie.
inline double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

// Serves this thread's windows (the frame, the fake project window, the
// tool) for ms milliseconds.
inline void Pump(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    do {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    } while (GetTickCount64() < end);
}

// One "?VR(1);" after another on the command channel of a connection in
// channel mode, as the connection's own queries go; the time of each, ms.
inline std::vector<double> VrRoundTrips(CControllerConnection& connection, HWND replyWindow, int trips)
{
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(trips));
    ControllerMessage message;
    message.m_nCommandId = 32;
    message.m_nChannel = CHANNEL_COMMAND;
    message.m_hReplyWnd = replyWindow;
    message.SetInteger(1);
    for (int n = 0; n < trips; ++n) {
        const auto start = std::chrono::steady_clock::now();
        connection.TransmitSynchronous(&message, nullptr);
        times.push_back(Seconds(start) * 1e3);
    }
    return times;
}

// The share of one core a process uses while this thread serves its windows
// for ms milliseconds, in percent; negative when it cannot be read.
inline double ProcessorPercent(HANDLE process, DWORD ms, const std::string& programPath = std::string())
{
    const double before = ProcessorSeconds(process, programPath);
    const auto start = std::chrono::steady_clock::now();
    Pump(ms);
    const double after = ProcessorSeconds(process, programPath);
    if (before < 0 || after < 0)
        return -1.0;
    return 100.0 * (after - before) / Seconds(start);
}

class SimulatorSession {
public:
    SimulatorSession() : m_connection(&m_project)
    {
        m_project.SetConnection(&m_connection);
        m_connection.SetLinkFactory([](int) { return new CWinComms(); });
        m_record.SetName("Simulator");
        m_record.SetTypeDefaults(LINK_TYPE_SIMULATOR);
    }
    ~SimulatorSession() { End(); }
    SimulatorSession(const SimulatorSession&) = delete;
    SimulatorSession& operator=(const SimulatorSession&) = delete;

    // Starts QCSimulation and connects in channel mode; prints why not and
    // answers false when that fails.
    bool Start()
    {
        const char title[] = "simulator bench frame";
        m_frame = CreateWindowExA(0, "STATIC", title, WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        m_tool = CreateWindowExA(0, "STATIC", "simulator bench tool", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                 nullptr, GetModuleHandleA(nullptr), nullptr);
        RegisterSimulatorPeerFrame(title);
        m_project.Register(m_tool);

        m_simulator = std::make_unique<SimulatorProcess>();
        if (!m_simulator->Started()) {
            std::printf("(QCSimulation could not be started from %s)\n", SimulatorProgramPath().c_str());
            return false;
        }
        HWND main = nullptr;
        for (int n = 0; n < 200 && !main; ++n) {
            Pump(50);
            main = FindWindowA(nullptr, "QC Simulation");
        }
        if (!main) {
            std::printf("(QCSimulation showed no window)\n");
            return false;
        }
        m_main = main;
        if (!m_connection.ApplyLinkData(&m_record, TRUE) || !m_connection.GetLink()) {
            std::printf("(the window link could not be set up)\n");
            return false;
        }
        m_connection.GetLink()->SetMainFrameWindow(m_frame);
        if (!m_connection.OpenLink(m_project.GetSafeHwnd(), &m_record, FALSE)) {
            std::printf("(the window link did not open)\n");
            return false;
        }
        // The controller's power-up (banner, memory tests) takes a moment.
        Pump(3000);
        int row = 0;
        if (!m_connection.ResetLinkToCommandLine() || !m_connection.Identify(row) ||
            !m_connection.EnterChannelMode(&m_record)) {
            std::printf("(the simulator did not answer on the window link)\n");
            return false;
        }
        return true;
    }

    // Leaves channel mode, closes the link and the simulator.
    void End()
    {
        if (m_connection.GetLink()) {
            m_connection.LeaveChannelMode();
            m_connection.CloseLink();
        }
        if (m_main) {
            PostMessageA(m_main, WM_CLOSE, 0, 0);
            m_main = nullptr;
        }
        if (m_simulator) {
            m_simulator->Ended(15000); // it saves its memory images as it closes
            m_simulator.reset();
        }
        if (m_tool) {
            m_project.Unregister(m_tool);
            DestroyWindow(m_tool);
            m_tool = nullptr;
        }
        if (m_frame) {
            DestroyWindow(m_frame);
            m_frame = nullptr;
        }
    }

    // Commands as a tool sends them, one sequence; false when one failed.
    bool Send(std::initializer_list<CommandItem> items)
    {
        return m_sender.SendSequenceEx(m_tool, &m_replies, items) != FALSE;
    }
    // The value of VR(n), or -1 when it could not be read.
    double ReadVr(int n)
    {
        const std::size_t before = m_replies.Replies().size();
        if (!Send({CommandItem(32, n)}))
            return -1;
        const auto replies = m_replies.Replies();
        return replies.size() > before ? replies.back().GetReal() : -1;
    }
    std::vector<double> VrRoundTrips(int trips) { return simbench::VrRoundTrips(m_connection, Project(), trips); }
    // Makes a program of the given lines, replacing one of the same name.
    bool MakeProgram(const char* name, const std::vector<std::string>& lines)
    {
        Send({CommandItem(13, name)}); // NEW of a missing program only says so
        if (!Send({CommandItem(19, name)}))
            return false;
        for (std::size_t n = 0; n < lines.size(); ++n) {
            const std::string item = std::to_string(n) + "," + lines[n];
            if (!Send({CommandItem(24, item.c_str())}))
                return false;
        }
        return true;
    }

    // The simulator's process (null before Start).
    const SimulatorProcess* Simulator() const { return m_simulator.get(); }
    // The simulator's comms window (null before Start).
    HWND Comms() const { return m_main ? FindWindowExA(m_main, nullptr, nullptr, "QCSimulator ControllerWnd") : nullptr; }
    CControllerConnection& Connection() { return m_connection; }
    CCommPortData& Record() { return m_record; }
    HWND Project() { return m_project.GetSafeHwnd(); }
    std::vector<std::string> Errors() const { return m_project.Errors(); }

private:
    CWinApp m_app{"simulator bench"};
    CFakeProjectLink m_project;
    CControllerConnection m_connection;
    CCommPortData m_record;
    CMessageSender m_sender;
    RecordingTool m_replies;
    HWND m_frame = nullptr;
    HWND m_tool = nullptr;
    HWND m_main = nullptr;
    std::unique_ptr<SimulatorProcess> m_simulator;
};

} // namespace simbench
