// What a live tool's command costs: "?VR(1);" sent as a tool sends it (a
// sequence of one command through the message sender, the project window's
// transaction and the wait of the tool's thread) on a running QCSimulation,
// beside the connection's own round trip of the same command, median and
// p99 of 1000 each. Target: the tool's median at most the connection's
// median + 1 ms.
//     scripts/wine build/x64/bin/tools_bench.exe
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/simulator_session.h"

int main()
{
    simbench::SimulatorSession session;
    if (!session.Start())
        return 1;
    const int trips = 1000;
    const std::vector<double> connection = session.VrRoundTrips(trips);
    std::vector<double> tool;
    tool.reserve(trips);
    int failed = 0;
    for (int n = 0; n < trips; ++n) {
        const auto start = std::chrono::steady_clock::now();
        if (!session.Send({CommandItem(32, 1)}))
            ++failed;
        tool.push_back(simbench::Seconds(start) * 1e3);
    }
    const double connectionMedian = simbench::Percentile(connection, 0.5);
    std::printf("connection_vr_round_trip_median: %.3f ms\n", connectionMedian);
    std::printf("connection_vr_round_trip_p99: %.3f ms\n", simbench::Percentile(connection, 0.99));
    std::printf("tool_vr_sequence_median: %.3f ms (target %.3f)\n", simbench::Percentile(tool, 0.5),
                connectionMedian + 1.0);
    std::printf("tool_vr_sequence_p99: %.3f ms\n", simbench::Percentile(tool, 0.99));
    std::printf("(%d of %d tool sequences failed)\n", failed, trips);
    return 0;
}
