#include "simulator/runtime/message_pool.h"

#include <atomic>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace qcrt {

namespace {

// Large enough for every text of the runtime; the texts are the program's own,
// so running out is a build fault, reported loudly.
constexpr uint32_t kPoolCapacity = 256 * 1024;

struct Pool {
    char bytes[kPoolCapacity];
    std::atomic<uint32_t> used{0};
    std::mutex lock;

    Pool() { Append("Command not recognized"); }

    PoolOffset Append(std::string_view text)
    {
        uint32_t at = used.load();
        if (text.size() + 1 > kPoolCapacity - at)
            throw std::length_error("runtime message pool is full");
        std::memcpy(bytes + at, text.data(), text.size());
        bytes[at + text.size()] = '\0';
        used.store(at + static_cast<uint32_t>(text.size()) + 1, std::memory_order_release);
        return static_cast<PoolOffset>(at);
    }
};

Pool& ThePool()
{
    static Pool* pool = new Pool; // never destroyed: texts outlive every thread
    return *pool;
}

} // namespace

PoolOffset PoolAdd(std::string_view text)
{
    Pool& pool = ThePool();
    std::lock_guard<std::mutex> guard(pool.lock);
    uint32_t end = pool.used.load();
    for (uint32_t at = 0; at < end;) {
        size_t length = std::strlen(pool.bytes + at);
        if (length == text.size() && std::memcmp(pool.bytes + at, text.data(), length) == 0)
            return static_cast<PoolOffset>(at);
        at += static_cast<uint32_t>(length) + 1;
    }
    return pool.Append(text);
}

const char* PoolText(PoolOffset offset)
{
    Pool& pool = ThePool();
    if (offset < 0 || static_cast<uint32_t>(offset) >= pool.used.load(std::memory_order_acquire))
        return "";
    return pool.bytes + offset;
}

uint32_t PoolSize()
{
    return ThePool().used.load();
}

} // namespace qcrt
