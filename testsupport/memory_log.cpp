#include "testsupport/memory_log.h"

#include <algorithm>

namespace {

struct MemoryLogSettings : ILogSettings {
    DWORD mask;
    explicit MemoryLogSettings(DWORD m) : mask(m) {}
    DWORD GetLogFlags() const override { return mask; }
    BOOL GetEnableCommsLogging() const override { return TRUE; }
    BOOL GetLogToFile() const override { return FALSE; }
    BOOL GetLogWithDebugPrint() const override { return TRUE; }
    BOOL GetTimeStampLogEntries() const override { return FALSE; }
};

} // namespace

MemoryLog::MemoryLog(DWORD mask) : CLogFile(MemoryLogSettings(mask)), m_previous(SetGlobalLog(this)) {}

MemoryLog::~MemoryLog()
{
    SetGlobalLog(m_previous);
}

std::vector<std::string> MemoryLog::Lines() const
{
    std::lock_guard<std::mutex> guard(m_linesLock);
    return m_lines;
}

bool MemoryLog::Contains(const std::string& line) const
{
    const auto lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

void MemoryLog::DebugPrint(LPCSTR text) const
{
    std::string line(text);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    std::lock_guard<std::mutex> guard(m_linesLock);
    m_lines.push_back(line);
}
