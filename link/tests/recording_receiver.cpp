#include "recording_receiver.h"

#include <chrono>
#include <thread>

void RecordingReceiver::OnReceive(int channel, int length, const BYTE* bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_deliveries.emplace_back(channel, std::string(reinterpret_cast<const char*>(bytes), length));
}

std::vector<std::pair<int, std::string>> RecordingReceiver::Deliveries() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_deliveries;
}

std::vector<std::pair<int, std::string>> RecordingReceiver::Runs() const
{
    return JoinRuns(Deliveries());
}

std::string RecordingReceiver::Bytes() const
{
    std::string all;
    for (const auto& delivery : Deliveries())
        all += delivery.second;
    return all;
}

void RecordingReceiver::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_deliveries.clear();
}

bool RecordingReceiver::WaitForBytes(std::size_t count, std::uint32_t timeoutMs) const
{
    const auto start = std::chrono::steady_clock::now();
    while (Bytes().size() < count) {
        if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(timeoutMs))
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

std::vector<std::pair<int, std::string>> JoinRuns(const std::vector<std::pair<int, std::string>>& deliveries)
{
    std::vector<std::pair<int, std::string>> runs;
    for (const auto& delivery : deliveries) {
        if (!runs.empty() && runs.back().first == delivery.first)
            runs.back().second += delivery.second;
        else
            runs.push_back(delivery);
    }
    return runs;
}
