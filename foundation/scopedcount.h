// A count raised for the life of a scope: busy counts that a destroy
// request or a re-entered handler reads. Lowered on every way out.
#pragma once

class CScopedCount {
public:
    explicit CScopedCount(int& count) : m_count(count) { ++m_count; }
    ~CScopedCount() { --m_count; }
    CScopedCount(const CScopedCount&) = delete;
    CScopedCount& operator=(const CScopedCount&) = delete;

private:
    int& m_count;
};
