// The 128-byte rings of the channels and ports. A ring is empty when its read
// and write indices are equal and full when write + 1 (modulo 128) equals
// read, so it holds at most 127 bytes. Indices are kept in the records, the
// bytes in the battery-backed memory image.
#pragma once

#include <cstdint>

#include "simulator/runtime/memory_layout.h"

namespace qcrt {

constexpr int kRingMask = kRingSize - 1;
constexpr int kRingCapacity = kRingSize - 1;

inline int RingCount(int32_t read, int32_t write)
{
    return (write - read) & kRingMask;
}

inline int RingFree(int32_t read, int32_t write)
{
    return kRingCapacity - RingCount(read, write);
}

inline bool RingPut(uint8_t* bytes, int32_t read, int32_t& write, uint8_t c)
{
    int32_t next = (write + 1) & kRingMask;
    if (next == (read & kRingMask))
        return false;
    bytes[write & kRingMask] = c;
    write = next;
    return true;
}

inline bool RingPeek(const uint8_t* bytes, int32_t read, int32_t write, uint8_t& c)
{
    if (RingCount(read, write) == 0)
        return false;
    c = bytes[read & kRingMask];
    return true;
}

inline bool RingGet(const uint8_t* bytes, int32_t& read, int32_t write, uint8_t& c)
{
    if (!RingPeek(bytes, read, write, c))
        return false;
    read = (read + 1) & kRingMask;
    return true;
}

} // namespace qcrt
