#include "simulator/app/hrlog.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "simulator/app/simlog.h"

namespace qcsim {

namespace {

void CopyCut(char* field, size_t size, const char* text)
{
    const size_t length = text ? strnlen(text, size - 1) : 0;
    if (length)
        std::memcpy(field, text, length);
    field[length] = 0;
}

} // namespace

CHRLog::CHRLog(const std::string& path) : m_path(path), m_entries(new Entry[kMaxEntries]) {}

CHRLog::~CHRLog()
{
    Write();
}

bool CHRLog::Add(const char* message)
{
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    char stamp[kTimeSize];
    FormatLogStamp(now, stamp, sizeof stamp);
    return Add(stamp, message);
}

bool CHRLog::Add(const char* time, const char* message)
{
    // Claim a slot without passing the end, however many threads add.
    int slot = m_next.load();
    do {
        if (slot >= kMaxEntries)
            return false;
    } while (!m_next.compare_exchange_weak(slot, slot + 1));
    Entry& entry = m_entries[slot];
    CopyCut(entry.time, sizeof entry.time, time);
    CopyCut(entry.message, sizeof entry.message, message);
    entry.ready.store(true);
    return true;
}

int CHRLog::GetCount() const
{
    return m_next.load();
}

bool CHRLog::Write() const
{
    const int count = m_next.load();
    if (count == 0)
        return true;
    std::FILE* file = std::fopen(m_path.c_str(), "ab");
    if (!file)
        return false;
    bool written = true;
    for (int n = 0; n < count; ++n) {
        const Entry& entry = m_entries[n];
        if (!entry.ready.load())
            continue; // still being filled by its writer
        written = std::fprintf(file, "%-34s%s\n", entry.time, entry.message) > 0 && written;
    }
    return std::fclose(file) == 0 && written;
}

} // namespace qcsim
