// What several link tests share: a receiver that records what a link
// delivers. The in-memory global log is testsupport/memory_log.h.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "testsupport/memory_log.h"
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
    bool WaitForBytes(std::size_t count, DWORD timeoutMs = 5000) const;

private:
    mutable std::mutex m_lock;
    std::vector<std::pair<int, std::string>> m_deliveries;
};

// Joins neighbouring runs on the same channel.
std::vector<std::pair<int, std::string>> JoinRuns(const std::vector<std::pair<int, std::string>>& deliveries);
