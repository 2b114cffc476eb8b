#include "test_support.h"

#include <algorithm>

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

bool RecordingReceiver::WaitForBytes(std::size_t count, DWORD timeoutMs) const
{
    const ULONGLONG start = GetTickCount64();
    while (Bytes().size() < count) {
        if (GetTickCount64() - start >= timeoutMs)
            return false;
        Sleep(1);
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
