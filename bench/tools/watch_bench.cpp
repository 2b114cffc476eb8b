// The watch window's Refresh of twelve VR items on a running QCSimulation
// over the window link: the time from the Refresh click until every item
// has been read and shown, median and 90th percentile of 50 refreshes.
//     scripts/wine build/x64/bin/watch_bench.exe
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/simulator_session.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/simulator_session.h"
#include "link/tests/support/tool_project.h"
#include "project/toolthread.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"
#include "tools/watchdialogs_resource.h"
#include "tools/watchwindow.h"

int main()
{
    const char title[] = "watch bench frame";
    TestWindow mainFrame(title, WS_OVERLAPPEDWINDOW);
    if (!RegisterSimulatorPeerFrame(title)) {
        std::printf("(the frame could not be published)\n");
        return 1;
    }
    SimulatorProcess simulator;
    if (!simulator.Started()) {
        std::printf("(QCSimulation could not be started from %s)\n", SimulatorProgramPath().c_str());
        return 1;
    }
    if (!PumpUntil([&] { return FindWindowA(nullptr, "QC Simulation") != nullptr; }, 10000)) {
        std::printf("(QCSimulation showed no window)\n");
        return 1;
    }
    CWinApp app("watch bench");
    ScriptedPrompts prompts;
    CToolProject project;
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    project.SetFeature(5, true);
    CCommPortData record;
    int row = 0;
    if (!ConnectToSimulator(connection, project.GetSafeHwnd(), mainFrame, record, row)) {
        std::printf("(the simulator did not answer on the window link)\n");
        return 1;
    }
    CWatchWindow* window = nullptr;
    const HWND watch = CreateWindowOnThread([&project, &window]() -> CWnd* {
        window = new CWatchWindow(project.GetSafeHwnd());
        return window->CreateTool() ? window : nullptr;
    });
    if (!watch) {
        std::printf("(the watch window was not made)\n");
        return 1;
    }
    for (int n = 0; n < kWatchRows; ++n) {
        editor::SWatchItem item = {};
        std::snprintf(item.name, sizeof item.name, "VR(%d)", n);
        item.index = -1;
        item.process = -1;
        item.vrIndex = n;
        SendMessageA(watch, WM_WATCH_ITEM, kWatchAdd, reinterpret_cast<LPARAM>(&item));
    }
    // The reads run on the window's thread; this thread serves the project
    // window, through which they go, meanwhile.
    auto refresh = [&] {
        const int before = window->GetPassesDone();
        PostMessageA(watch, WM_COMMAND, IDC_WATCH_REFRESH, 0);
        return PumpUntil([&] { return window->GetPassesDone() > before; }, 20000);
    };
    PumpUntil([] { return false; }, 500); // the reads the adds started
    refresh();
    std::vector<double> times;
    for (int n = 0; n < 50; ++n) {
        const auto start = std::chrono::steady_clock::now();
        if (!refresh()) {
            std::printf("(a refresh did not end)\n");
            break;
        }
        times.push_back(simbench::Seconds(start) * 1000.0);
    }
    // Every row shows the value it read.
    int shown = 0;
    for (int n = 0; n < kWatchRows; ++n) {
        char text[64] = {};
        LVITEMA item = {};
        item.iSubItem = kWatchValue;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(GetDlgItem(watch, IDC_WATCH_LIST), LVM_GETITEMTEXTA, static_cast<WPARAM>(n),
                     reinterpret_cast<LPARAM>(&item));
        shown += text[0] != '\0';
    }
    if (shown != kWatchRows)
        std::printf("(only %d of %d rows show a value)\n", shown, kWatchRows);
    // Beside it: the connection's own "?VR(1);" round trip, which each read costs.
    const std::vector<double> trips = simbench::VrRoundTrips(connection, project.GetSafeHwnd(), 60);
    std::printf("connection_vr_round_trip_median: %.2f ms\n", simbench::Percentile(trips, 0.5));
    std::printf("watch_refresh_12_median: %.2f ms\n", simbench::Percentile(times, 0.5));
    std::printf("watch_refresh_12_p90: %.2f ms\n", simbench::Percentile(times, 0.9));
    PostMessageA(watch, WM_APP + 0x108, 0, 0);
    PumpUntil([watch] { return !IsWindow(watch); }, 5000);
    connection.LeaveChannelMode();
    connection.CloseLink();
    return 0;
}
