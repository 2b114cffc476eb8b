// CCyclicCharBuffer: a fixed-size byte ring that carries received
// characters between threads. Every operation takes the ring's own
// recursive lock, waiting without limit unless SetLockTimeout says
// otherwise; an operation whose wait runs out changes nothing and returns
// its failure value. A full ring refuses further bytes (Write reports how
// many it stored in the program log).
//
// This header includes no Win32 header.
#pragma once

#include <memory>
#include <mutex>

#include "framework/types.h"

class CCyclicCharBuffer {
public:
    explicit CCyclicCharBuffer(int size);
    virtual ~CCyclicCharBuffer() = default;
    CCyclicCharBuffer(const CCyclicCharBuffer&) = delete;
    CCyclicCharBuffer& operator=(const CCyclicCharBuffer&) = delete;

    // 0xFFFFFFFF (the default) waits without limit.
    void SetLockTimeout(DWORD timeoutMs) { m_timeoutMs = timeoutMs; }

    // Empties the ring.
    void Clear();
    // New storage of size bytes; the ring is empty afterwards.
    void Resize(int size);

    // Stores one byte after the newest; FALSE when the ring is full.
    BOOL Put(BYTE byte);
    // Stores one byte before the oldest, so it is read next; FALSE when
    // the ring is full.
    BOOL PutFront(BYTE byte);
    // Stores bytes in order until all are stored or the ring is full, then
    // logs "Chars In: %d (%d in buffer)". TRUE only when all were stored;
    // FALSE for null bytes; TRUE at once for a count below 1.
    BOOL Write(const BYTE* bytes, int count);
    // Copies up to max of the oldest bytes into dest and returns how many;
    // remove consumes them, otherwise they stay. 0 for a null dest or a max
    // below 1.
    int Read(BYTE* dest, int max, BOOL remove = TRUE);
    // The oldest byte (0 when empty), consumed when remove is set.
    BYTE PeekChar(BOOL remove = FALSE);
    // Consumes the oldest byte, if any.
    void Skip();

    // FALSE also when the lock timed out.
    BOOL IsEmpty();
    // Bytes held (a full ring counts its size); 0 on a lock time-out.
    int GetCount();
    // Room left; 0 on a lock time-out.
    int GetFree();
    int GetSize() const { return m_size; }

private:
    class Guard;

    // Under the lock.
    int CountLocked() const;
    bool PutLocked(BYTE byte);
    void SkipLocked();

    std::unique_ptr<BYTE[]> m_storage;
    int m_read = -1; // index of the oldest byte; -1 while empty
    int m_write = 0; // index where the next byte goes
    int m_size = 0;
    std::recursive_timed_mutex m_lock;
    DWORD m_timeoutMs = 0xFFFFFFFF;
};
