// A global log that keeps its lines in memory, for tests that check what
// the code logs.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "foundation/logfile.h"

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
