// The link window's receive ring: a byte ring of fixed capacity, shared
// between the window thread (which puts received bytes) and the runtime's
// threads (which take them). Every operation holds the ring's mutex.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

// The simulator's own classes; the development environment's libraries
// have classes of the same names.
namespace qcsim {

class CCyclicCharBuffer {
public:
    explicit CCyclicCharBuffer(int capacity, int option = 0);
    CCyclicCharBuffer(const CCyclicCharBuffer&) = delete;
    CCyclicCharBuffer& operator=(const CCyclicCharBuffer&) = delete;

    // False when the ring is full; the byte is not stored.
    bool Put(uint8_t byte);
    int GetCount() const;
    int GetFree() const;
    int GetCapacity() const { return m_capacity; }
    // The oldest byte (0 when empty); DropChar removes it.
    uint8_t PeekChar() const;
    void DropChar();
    uint8_t GetChar();
    // Writes as many of the bytes as fit; answers how many went in.
    int Write(const uint8_t* data, int length);
    void Clear();

private:
    int CountLocked() const;

    mutable std::mutex m_lock;
    std::vector<uint8_t> m_storage;
    int m_capacity;
    int m_write = 0;  // the last byte written
    int m_read = -1;  // the oldest byte; -1 while empty
    int m_option;
};

} // namespace qcsim
