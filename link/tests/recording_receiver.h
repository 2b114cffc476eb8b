// A receiver that records what a link delivers, for the link tests. It
// includes no Win32 header, so the channel demultiplexer's tests also build
// natively.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "link/channeldemux.h"

// Records every delivery as (channel, bytes).
class RecordingReceiver : public ILinkReceiver {
public:
    void OnReceive(int channel, int length, const BYTE* bytes) override;

    std::vector<std::pair<int, std::string>> Deliveries() const;
    // Deliveries joined: neighbouring deliveries on one channel become one,
    // so the result does not depend on how the input was cut up.
    std::vector<std::pair<int, std::string>> Runs() const;
    // Everything delivered, in order, whatever the channel.
    std::string Bytes() const;
    void Clear();
    // Waits (real time, bounded) until Bytes() holds at least count bytes.
    bool WaitForBytes(std::size_t count, std::uint32_t timeoutMs = 5000) const;

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<int, std::string>> m_deliveries;
};

// Joins neighbouring runs on the same channel.
std::vector<std::pair<int, std::string>> JoinRuns(const std::vector<std::pair<int, std::string>>& deliveries);
