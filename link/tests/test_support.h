// What several link tests share: a receiver that records what a link
// delivers, and a global log that keeps its lines in memory.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "foundation/logfile.h"
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

// Installs itself as the global log for its lifetime: enabled, the given
// category mask, no file, lines kept in memory.
class MemoryLog : public CLogFile {
public:
    explicit MemoryLog(DWORD mask = 0xFFFFFFFF);
    ~MemoryLog() override;

    std::vector<std::string> Lines() const;
    bool Contains(const std::string& line) const;

protected:
    void DebugPrint(LPCSTR text) const override;

private:
    mutable std::mutex m_linesLock;
    mutable std::vector<std::string> m_lines;
    CLogFile* m_previous;
};
