// The in-memory global log of the test programs, for the native build: the
// lines of the categories in its mask, logged while it is the newest one.
#pragma once

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "foundation/logline.h"
#include "native_log.h"

class MemoryLog : public NativeLogListener {
public:
    explicit MemoryLog(DWORD mask = 0xFFFFFFFF) : m_mask(mask) { PushNativeLogListener(this); }
    ~MemoryLog() { RemoveNativeLogListener(this); }
    MemoryLog(const MemoryLog&) = delete;
    MemoryLog& operator=(const MemoryLog&) = delete;

    std::vector<std::string> Lines() const
    {
        std::lock_guard<std::mutex> guard(m_linesLock);
        return m_lines;
    }
    bool Contains(const std::string& line) const
    {
        const std::vector<std::string> lines = Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    void OnLogLine(const char* text, DWORD category) override
    {
        if ((category & m_mask) == 0)
            return;
        std::lock_guard<std::mutex> guard(m_linesLock);
        m_lines.emplace_back(text);
    }

private:
    DWORD m_mask;
    mutable std::mutex m_linesLock;
    std::vector<std::string> m_lines;
};
