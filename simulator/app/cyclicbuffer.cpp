#include "simulator/app/cyclicbuffer.h"

#include <algorithm>
#include <cstring>

namespace qcsim {

CCyclicCharBuffer::CCyclicCharBuffer(int capacity, int option)
    : m_storage(static_cast<size_t>(std::max(capacity, 1))), m_capacity(std::max(capacity, 1)),
      m_write(std::max(capacity, 1) - 1), m_option(option)
{
    (void)m_option;
}

int CCyclicCharBuffer::CountLocked() const
{
    if (m_read < 0)
        return 0;
    int count = m_write - m_read + 1;
    if (m_write < m_read)
        count += m_capacity;
    return count;
}

bool CCyclicCharBuffer::Put(uint8_t byte)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const int next = (m_write + 1) % m_capacity;
    if (next == m_read)
        return false;
    m_storage[static_cast<size_t>(next)] = byte;
    m_write = next;
    if (m_read < 0)
        m_read = next;
    return true;
}

int CCyclicCharBuffer::GetCount() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return CountLocked();
}

int CCyclicCharBuffer::GetFree() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_capacity - CountLocked();
}

uint8_t CCyclicCharBuffer::PeekChar() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_read < 0 ? 0 : m_storage[static_cast<size_t>(m_read)];
}

void CCyclicCharBuffer::DropChar()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_read < 0)
        return;
    if (m_read == m_write)
        m_read = -1;
    else
        m_read = (m_read + 1) % m_capacity;
}

uint8_t CCyclicCharBuffer::GetChar()
{
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_read < 0)
        return 0;
    const uint8_t byte = m_storage[static_cast<size_t>(m_read)];
    if (m_read == m_write)
        m_read = -1;
    else
        m_read = (m_read + 1) % m_capacity;
    return byte;
}

int CCyclicCharBuffer::Write(const uint8_t* data, int length)
{
    if (!data || length <= 0)
        return 0;
    std::lock_guard<std::mutex> guard(m_lock);
    const int count = std::min(length, m_capacity - CountLocked());
    if (count <= 0)
        return 0;
    const int start = (m_write + 1) % m_capacity;
    const int first = std::min(count, m_capacity - start);
    std::memcpy(&m_storage[static_cast<size_t>(start)], data, static_cast<size_t>(first));
    if (count > first)
        std::memcpy(&m_storage[0], data + first, static_cast<size_t>(count - first));
    if (m_read < 0)
        m_read = start;
    m_write = (start + count - 1) % m_capacity;
    return count;
}

void CCyclicCharBuffer::Clear()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_write = m_capacity - 1;
    m_read = -1;
}

} // namespace qcsim
