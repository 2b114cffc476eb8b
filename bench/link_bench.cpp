// How fast the receive side of the link decodes what the controller sends,
// and how fast the project check's CRC runs over program text. The link
// reads up to 1024 bytes per pass and sleeps 1 ms between passes, so
// decoding must take a small fraction of a millisecond per read.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "foundation/crc.h"
#include "foundation/logfile.h"
#include "link/channeldemux.h"

namespace {

class CountingReceiver : public ILinkReceiver {
public:
    void OnReceive(int, int length, const BYTE*) override
    {
        m_bytes += static_cast<unsigned long long>(length);
        ++m_runs;
    }
    unsigned long long m_bytes = 0;
    unsigned long long m_runs = 0;
};

// Replies on channel 0 with a switch to channel 9 for a status line every
// 200 bytes, and escaped bytes now and then.
std::vector<BYTE> MixedTraffic(std::size_t size)
{
    std::vector<BYTE> data;
    data.reserve(size + 16);
    unsigned n = 0;
    while (data.size() < size) {
        if (n % 200 == 0) {
            for (BYTE b : {ESC, BYTE('9'), BYTE('S'), BYTE('T'), BYTE('\r'), BYTE('\n'), ESC, BYTE('0')})
                data.push_back(b);
        } else if (n % 97 == 0) {
            data.push_back(ESC);
            data.push_back(ESC);
        } else {
            data.push_back(static_cast<BYTE>('A' + n % 26));
        }
        ++n;
    }
    return data;
}

double Seconds(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main()
{
    // Logging off: the benchmark measures decoding, not the log file.
    CLogFile quiet;
    quiet.SetEnabled(FALSE);
    CLogFile* previous = SetGlobalLog(&quiet);

    const std::vector<BYTE> traffic = MixedTraffic(8 * 1024 * 1024);
    CountingReceiver receiver;
    int channel = 0, escape = 0;
    const auto start = std::chrono::steady_clock::now();
    const int rounds = 4;
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t at = 0; at < traffic.size(); at += 1024) {
            const int count = static_cast<int>(std::min<std::size_t>(1024, traffic.size() - at));
            DispatchChannels(&receiver, channel, escape, count, traffic.data() + at);
        }
    }
    const double seconds = Seconds(start);
    const double megabytes = static_cast<double>(traffic.size()) * rounds / (1024.0 * 1024.0);
    const double reads = static_cast<double>(traffic.size()) * rounds / 1024.0;
    std::printf("demux_throughput: %.1f MB/s\n", megabytes / seconds);
    std::printf("demux_time_per_1024_byte_read: %.2f us\n", seconds * 1e6 / reads);

    CCrcCalculator crc;
    crc.SelectModel("CRC-16");
    const auto crcStart = std::chrono::steady_clock::now();
    for (int round = 0; round < rounds; ++round) {
        crc.Reset();
        crc.Update(traffic.data(), traffic.size());
    }
    std::printf("crc16_throughput: %.1f MB/s\n", megabytes / Seconds(crcStart));
    std::printf("(checksum %04X, %llu runs delivered)\n", static_cast<unsigned>(crc.GetValue()), receiver.m_runs);

    SetGlobalLog(previous);
    return 0;
}
