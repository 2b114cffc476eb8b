#include "foundation/cyclicbuffer.h"

#include <chrono>
#include <new>

#include "foundation/logline.h"
#include "framework/throws.h"

class CCyclicCharBuffer::Guard {
public:
    explicit Guard(CCyclicCharBuffer& ring) : m_ring(ring)
    {
        if (ring.m_timeoutMs == 0xFFFFFFFF) {
            ring.m_lock.lock();
            m_locked = true;
        } else {
            m_locked = ring.m_lock.try_lock_for(std::chrono::milliseconds(ring.m_timeoutMs));
        }
    }
    ~Guard()
    {
        if (m_locked)
            m_ring.m_lock.unlock();
    }
    Guard(const Guard&) = delete;
    Guard& operator=(const Guard&) = delete;
    explicit operator bool() const { return m_locked; }

private:
    CCyclicCharBuffer& m_ring;
    bool m_locked = false;
};

namespace {

std::unique_ptr<BYTE[]> Allocate(int size)
{
    try {
        return std::unique_ptr<BYTE[]>(new BYTE[static_cast<std::size_t>(size > 0 ? size : 1)]);
    } catch (const std::bad_alloc&) {
        AfxThrowMemoryException();
    }
}

} // namespace

CCyclicCharBuffer::CCyclicCharBuffer(int size) : m_storage(Allocate(size)), m_size(size > 0 ? size : 0) {}

void CCyclicCharBuffer::Clear()
{
    Guard guard(*this);
    if (!guard)
        return;
    m_read = -1;
    m_write = 0;
}

void CCyclicCharBuffer::Resize(int size)
{
    Guard guard(*this);
    if (!guard)
        return;
    // Allocate first: a failure leaves the old ring as it was.
    m_storage = Allocate(size);
    m_size = size > 0 ? size : 0;
    m_read = -1;
    m_write = 0;
}

int CCyclicCharBuffer::CountLocked() const
{
    if (m_read < 0)
        return 0;
    return m_write > m_read ? m_write - m_read : m_write + m_size - m_read;
}

bool CCyclicCharBuffer::PutLocked(BYTE byte)
{
    if (m_write == m_read || m_size == 0)
        return false; // full
    m_storage[static_cast<std::size_t>(m_write)] = byte;
    if (m_read < 0)
        m_read = m_write;
    m_write = (m_write + 1) % m_size;
    return true;
}

void CCyclicCharBuffer::SkipLocked()
{
    if (m_read < 0)
        return;
    m_read = (m_read + 1) % m_size;
    if (m_read == m_write)
        m_read = -1;
}

BOOL CCyclicCharBuffer::Put(BYTE byte)
{
    Guard guard(*this);
    return guard && PutLocked(byte);
}

BOOL CCyclicCharBuffer::PutFront(BYTE byte)
{
    Guard guard(*this);
    if (!guard || m_write == m_read || m_size == 0)
        return FALSE;
    if (m_read < 0) {
        m_read = 0;
        m_write = 1 % m_size;
    } else {
        m_read = m_read == 0 ? m_size - 1 : m_read - 1;
    }
    m_storage[static_cast<std::size_t>(m_read)] = byte;
    return TRUE;
}

BOOL CCyclicCharBuffer::Write(const BYTE* bytes, int count)
{
    if (!bytes)
        return FALSE;
    if (count < 1)
        return TRUE;
    int stored = 0;
    int held = 0;
    {
        Guard guard(*this);
        if (!guard)
            return FALSE;
        while (stored < count && PutLocked(bytes[stored]))
            ++stored;
        held = CountLocked();
    }
    GlobalLogFormat(LOG_RECEIVE_COUNTS, "Chars In: %d (%d in buffer)", stored, held);
    return stored == count;
}

int CCyclicCharBuffer::Read(BYTE* dest, int max, BOOL remove)
{
    if (!dest || max < 1)
        return 0;
    Guard guard(*this);
    if (!guard)
        return 0;
    const int available = CountLocked();
    const int n = available < max ? available : max;
    int at = m_read;
    for (int i = 0; i < n; ++i) {
        dest[i] = m_storage[static_cast<std::size_t>(at)];
        at = (at + 1) % m_size;
    }
    if (remove && n > 0)
        m_read = n < available ? at : -1;
    return n;
}

BYTE CCyclicCharBuffer::PeekChar(BOOL remove)
{
    Guard guard(*this);
    if (!guard || m_read < 0)
        return 0;
    const BYTE byte = m_storage[static_cast<std::size_t>(m_read)];
    if (remove)
        SkipLocked();
    return byte;
}

void CCyclicCharBuffer::Skip()
{
    Guard guard(*this);
    if (guard)
        SkipLocked();
}

BOOL CCyclicCharBuffer::IsEmpty()
{
    Guard guard(*this);
    return guard && m_read < 0;
}

int CCyclicCharBuffer::GetCount()
{
    Guard guard(*this);
    return guard ? CountLocked() : 0;
}

int CCyclicCharBuffer::GetFree()
{
    Guard guard(*this);
    return guard ? m_size - CountLocked() : 0;
}
