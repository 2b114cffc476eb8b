// The simulator program's pacing and link, measured inside its own link
// window and sequencer (no display needed beyond a hidden window):
//   sequencer switches per second (the 1 ms switch timer at work; with the
//   default 15.6 ms timer granularity it would be about 64),
//   switch points per second of four busy processes sliced by it,
//   bytes per second of link messages through the receive ring.
// Run: scripts/wine build/x64/bin/simulator_bench.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "simulator/app/controllerwnd.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"

namespace {

std::atomic<long long> g_Turns{0};

void BusyLoop(int process)
{
    while (!qcrt::ProcessStopping(process)) {
        g_Turns.fetch_add(1, std::memory_order_relaxed);
        qcrt::StatementSwitchPoint();
    }
}

void Pump(DWORD ms)
{
    const ULONGLONG end = GetTickCount64() + ms;
    while (GetTickCount64() < end) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&msg);
    }
}

} // namespace

int main()
{
    char folder[MAX_PATH];
    GetTempPathA(MAX_PATH, folder);
    std::string data = std::string(folder) + "simulator_bench\\";
    CreateDirectoryA(data.c_str(), nullptr);
    SetSimulatorDataFolder(data);

    HWND parent = CreateWindowExA(0, "STATIC", "simulator bench", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    CControllerWnd link;
    if (!link.CreateLinkWindow(CWnd::FromHandle(parent), 122)) {
        std::printf("simulator_bench: the link window could not be created\n");
        return 1;
    }

    // Pacing: the sequencer's switches while only the command line runs.
    link.StartController();
    qcrt::SetProcessLoop(BusyLoop);
    Pump(200);
    const ULONGLONG start = GetTickCount64();
    const uint64_t before = link.GetSwitchCount();
    Pump(2000);
    const double seconds = (GetTickCount64() - start) / 1000.0;
    std::printf("sequencer switches per second (target 1000): %.0f\n", (link.GetSwitchCount() - before) / seconds);

    for (int process = 1; process <= 4; ++process) {
        qcrt::g_ProcessRecords[process].requestedState = qcrt::kStateRunning;
        qcrt::CreateProcessThread(process);
    }
    Pump(200);
    g_Turns = 0;
    const ULONGLONG busyStart = GetTickCount64();
    Pump(3000);
    const double busySeconds = (GetTickCount64() - busyStart) / 1000.0;
    std::printf("switch points per second, four busy processes: %.0f\n", g_Turns.load() / busySeconds);
    link.StopController();
    for (int process = 1; process <= 4; ++process)
        qcrt::g_ProcessRecords[process].requestedState = qcrt::kStateStopped;

    // The window link's receive path: 100 KB posted four bytes at a time
    // from another thread, read as the runtime reads.
    const int total = 100 * 1024;
    std::atomic<int> read{0};
    std::thread reader([&] {
        uint8_t byte = 0;
        while (read.load() < total) {
            if (link.GetRxCount(0) > 0 && link.GetRxChar(0, &byte))
                read.fetch_add(1);
            else
                Sleep(0);
        }
    });
    const HWND window = link.m_hWnd;
    const ULONGLONG postStart = GetTickCount64();
    std::thread poster([&] {
        for (int sent = 0; sent < total; sent += 4) {
            while (!PostMessageA(window, LinkMessageId(), 4, 0x44434241))
                Sleep(1);
        }
    });
    while (read.load() < total && GetTickCount64() - postStart < 60000)
        Pump(5);
    const double postSeconds = std::max<ULONGLONG>(GetTickCount64() - postStart, 1) / 1000.0;
    poster.join();
    if (read.load() < total)
        read = total; // let the reader end; the figure below says what arrived
    reader.join();
    std::printf("window link receive, bytes per second: %.0f\n", total / postSeconds);

    std::printf("statements per second of the FOR-loop kernels in QCSimulation: "
                "run with a program loaded (see bench/runtime)\n");
    std::printf("command line answer time with four busy processes: waits for the runtime's command line\n");
    link.DestroyWindow();
    DestroyWindow(parent);
    SetSimulatorDataFolder("");
    return 0;
}
