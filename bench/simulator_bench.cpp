// The simulator program's pacing and link, measured inside its own link
// window and sequencer (no display needed beyond a hidden window):
//   sequencer switches per second while processes run (the 1 ms switch
//   timer at work; with the default 15.6 ms timer granularity it would be
//   about 64),
//   switch points per second of four busy processes sliced by it,
//   bytes per second of link messages through the receive ring.
// Then, in a QCSimulation started from this program's folder and driven over
// the development environment's window link, as the development environment
// drives it:
//   statements per second of FOR-loop kernels (those of bench/runtime) run
//   on process 3 with the runtime's pacing on (a 1 ms sleep after every 100
//   statements), counted by the program itself in VR(100) over 3 s,
//   the command line's answer time to "?VR(1);" while four processes run
//   busy loops (target: median at most 20 ms),
//   the share of a core the idle simulator uses, with no development
//   environment to talk to and with one connected (target: under 2 %).
// The kernels' programs are deleted afterwards.
// Run: scripts/wine build/x64/bin/simulator_bench.exe
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/simulator_session.h"
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

using simbench::Pump;

struct Kernel {
    const char* name;
    std::vector<std::string> setup;
    const char* loop; // 1000 turns
    int statementsPerTurn;
};

// Each kernel's 1000-turn loop, run again and again, with the number of
// rounds done in VR(100): 1000 times the kernel's statements and two of the
// outer loop per round.
void KernelFigures(simbench::SimulatorSession& session)
{
    const Kernel kernels[] = {
        {"for_next", {}, "FOR i=1 TO 1000:NEXT i", 1},
        {"assign_arith", {}, "FOR i=1 TO 1000:a=a+i*2:NEXT i", 2},
        {"expression", {"b=2:c=3:d=4:e=5:f=6"}, "FOR i=1 TO 1000:a=(b*c+d)/e-f MOD 7:NEXT i", 2},
        {"vr_table", {}, "FOR i=1 TO 1000:VR(1)=VR(2)+1:TABLE(3,TABLE(4)):NEXT i", 3},
    };
    const char name[] = "SBKERNEL";
    for (const Kernel& kernel : kernels) {
        std::vector<std::string> lines = kernel.setup;
        for (const char* line : {"VR(100)=0", "FOR j=1 TO 100000000"})
            lines.push_back(line);
        lines.push_back(kernel.loop);
        for (const char* line : {"VR(100)=j", "NEXT j"})
            lines.push_back(line);
        const std::size_t errors = session.Errors().size();
        if (!session.MakeProgram(name, lines) || !session.Send({CommandItem(2, "SBKERNEL,3")})) {
            // Why, as the controller said it (a full directory, say).
            const std::vector<std::string> reported = session.Errors();
            const std::string why = reported.size() > errors ? reported.back() : "no reason given";
            std::printf("simulator_%s: the program did not start (%s)\n", kernel.name, why.c_str());
            continue;
        }
        simbench::Pump(500);
        const double first = session.ReadVr(100);
        const auto start = std::chrono::steady_clock::now();
        simbench::Pump(3000);
        const double last = session.ReadVr(100);
        const double seconds = simbench::Seconds(start);
        session.Send({CommandItem(3, "SBKERNEL,3")});
        const double statements = (last - first) * (1000.0 * kernel.statementsPerTurn + 2);
        std::printf("simulator_%s: %.0f statements/s\n", kernel.name, statements / seconds);
    }
    session.Send({CommandItem(13, name)});
}

// Four processes in endless loops; the command line answers meanwhile.
void BusyAnswerFigures(simbench::SimulatorSession& session)
{
    const std::vector<std::string> loop = {"FOR i=1 TO 1000000000", "a=a+1", "NEXT i"};
    const char* const names[] = {"SBBUSY1", "SBBUSY2", "SBBUSY3", "SBBUSY4"};
    int running = 0;
    for (int n = 0; n < 4; ++n) {
        const std::string run = std::string(names[n]) + "," + std::to_string(n + 1);
        if (session.MakeProgram(names[n], loop) && session.Send({CommandItem(2, run.c_str())}))
            ++running;
    }
    simbench::Pump(500);
    const std::vector<double> times = session.VrRoundTrips(200);
    std::printf("command_line_answer_four_busy_median: %.2f ms (target 20, %d busy processes)\n",
                simbench::Percentile(times, 0.5), running);
    std::printf("command_line_answer_four_busy_p99: %.2f ms\n", simbench::Percentile(times, 0.99));
    for (int n = 0; n < 4; ++n) {
        const std::string stop = std::string(names[n]) + "," + std::to_string(n + 1);
        session.Send({CommandItem(3, stop.c_str())});
        session.Send({CommandItem(13, names[n])});
    }
}

// The idle simulator: after its power-up, alone (no development environment
// window to send to), and then connected in channel mode.
void IdleFigures()
{
    RegisterSimulatorPeerFrame("simulator bench: no such frame");
    {
        SimulatorProcess simulator;
        HWND main = nullptr;
        for (int n = 0; n < 200 && !main; ++n) {
            Pump(50);
            main = FindWindowA(nullptr, "QC Simulation");
        }
        if (!main) {
            std::printf("simulator_idle_cpu_no_peer: (QCSimulation showed no window)\n");
            return;
        }
        Pump(3000); // the power-up and its banner
        std::printf("simulator_idle_cpu_no_peer: %.1f %% of a core (target 2)\n",
                    simbench::ProcessorPercent(simulator.Handle(), 5000, SimulatorProgramPath()));
        PostMessageA(main, WM_CLOSE, 0, 0);
        simulator.Ended(15000);
    }
    simbench::SimulatorSession session;
    if (!session.Start())
        return;
    Pump(1000);
    std::printf("simulator_idle_cpu_connected: %.1f %% of a core (target 2)\n",
                simbench::ProcessorPercent(session.Simulator()->Handle(), 5000,
                                               SimulatorProgramPath()));
}

} // namespace

int main(int argc, char** argv)
{
    // "idle": the idle figures alone.
    const bool idleOnly = argc > 1 && std::string(argv[1]) == "idle";
    // Memory images of its own, removed at the end.
    ScratchFolder images;
    SetSimulatorDataFolder(images.Path() + "\\");

    if (idleOnly) {
        IdleFigures();
        return 0;
    }
    HWND parent = CreateWindowExA(0, "STATIC", "simulator bench", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    CControllerWnd link;
    if (!link.CreateLinkWindow(CWnd::FromHandle(parent), 122)) {
        std::printf("simulator_bench: the link window could not be created\n");
        return 1;
    }

    // Pacing: the sequencer's switches while four processes run (the idle
    // command line alone is ticked only every few milliseconds).
    link.StartController();
    qcrt::SetProcessLoop(BusyLoop);
    for (int process = 1; process <= 4; ++process) {
        qcrt::g_ProcessRecords[process].requestedState = qcrt::kStateRunning;
        qcrt::CreateProcessThread(process);
    }
    Pump(200);
    g_Turns = 0;
    const ULONGLONG busyStart = GetTickCount64();
    const uint64_t before = link.GetSwitchCount();
    Pump(3000);
    const double busySeconds = (GetTickCount64() - busyStart) / 1000.0;
    std::printf("sequencer switches per second (target 1000): %.0f\n",
                (link.GetSwitchCount() - before) / busySeconds);
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

    link.DestroyWindow();
    DestroyWindow(parent);
    SetSimulatorDataFolder("");

    IdleFigures();
    simbench::SimulatorSession session;
    if (!session.Start())
        return 1;
    KernelFigures(session);
    BusyAnswerFigures(session);
    return 0;
}
