// The harness's host side: guard-page blocks, locks, the virtual clock, the
// cards with their register models, faults, the log and the record of
// broken rules.
#include <windows.h>

#include <condition_variable>
#include <deque>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "harness.h"
#include "host.h"

struct vh_card {
    uint64_t physical;
    uint32_t bytes;
    uint32_t* words;
    vh_card_model model;
    bool hasModel = false;
    std::string busLog;
    void* pdo = nullptr;
    std::recursive_mutex lock; // one register access at a time
};

namespace {

struct Block {
    void* pages;
    size_t pageBytes;
    std::string kind;
};

struct Mapping {
    uint64_t length;
    vh_card* card;
};

struct Fault {
    int count;
    int32_t status;
};

struct State {
    std::recursive_mutex lock;
    std::map<void*, Block> blocks;
    // Freed blocks stay no-access for a while; the oldest are given back so
    // a long test does not run out of address space.
    std::deque<void*> quarantine;
    std::map<std::string, int> live;
    std::map<char*, Mapping> mappings;
    std::map<std::string, Fault> faults;
    std::string log;
    std::string violations;
    uint64_t nextPhysical = 0xF0000000u;

    // The clock.
    std::mutex clockLock;
    std::condition_variable clockMoved;
    uint64_t now = 132000000000000000ull; // some day in 2019
    bool manual = false;
    uint64_t floor = 0;
    int sleepers = 0;
    int sleeps = 0;
};

State& S()
{
    static State* state = new State; // lives as long as the process
    return *state;
}

const size_t kPage = 4096;
const size_t kQuarantine = 4096;
// A virtual sleep that the test never ends is a hung test: give up.
const DWORD kLongestRealWaitMs = 20000;

void Fail(const char* text)
{
    std::fprintf(stderr, "harness: %s\n", text);
    std::fflush(stderr);
    std::abort();
}

} // namespace

extern "C" {

void* host_alloc(size_t bytes, const char* kind)
{
    const size_t rounded = (bytes + 15) & ~size_t(15);
    const size_t dataPages = (rounded + kPage - 1) / kPage + (rounded == 0);
    const size_t total = (dataPages + 1) * kPage;
    char* pages = static_cast<char*>(::VirtualAlloc(nullptr, total, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (!pages)
        Fail("out of memory");
    DWORD old;
    ::VirtualProtect(pages + dataPages * kPage, kPage, PAGE_NOACCESS, &old);
    void* block = pages + dataPages * kPage - rounded;
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    S().blocks[block] = Block{pages, dataPages * kPage, kind};
    ++S().live[kind];
    return block;
}

void host_free(void* block)
{
    if (!block)
        return;
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    auto found = S().blocks.find(block);
    if (found == S().blocks.end()) {
        host_violation("a block freed that is not live");
        return;
    }
    DWORD old;
    // A later use of the block crashes.
    ::VirtualProtect(found->second.pages, found->second.pageBytes, PAGE_NOACCESS, &old);
    --S().live[found->second.kind];
    S().quarantine.push_back(found->second.pages);
    S().blocks.erase(found);
    if (S().quarantine.size() > kQuarantine) {
        ::VirtualFree(S().quarantine.front(), 0, MEM_RELEASE);
        S().quarantine.pop_front();
    }
}

int host_live(const char* kind)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    return S().live[kind];
}

void host_lock(void)
{
    S().lock.lock();
}

void host_unlock(void)
{
    S().lock.unlock();
}

static_assert(sizeof(CRITICAL_SECTION) <= 64, "a critical section fits the mutex storage");

void host_mutex_init(void* storage)
{
    ::InitializeCriticalSection(static_cast<CRITICAL_SECTION*>(storage));
}

void host_mutex_lock(void* storage)
{
    ::EnterCriticalSection(static_cast<CRITICAL_SECTION*>(storage));
}

void host_mutex_unlock(void* storage)
{
    ::LeaveCriticalSection(static_cast<CRITICAL_SECTION*>(storage));
}

uintptr_t host_thread_id(void)
{
    return ::GetCurrentThreadId();
}

void host_yield(void)
{
    ::Sleep(0);
}

uint64_t host_real_ms(void)
{
    return ::GetTickCount64();
}

uint64_t host_now(void)
{
    std::lock_guard<std::mutex> guard(S().clockLock);
    return S().now;
}

void host_sleep(uint64_t units)
{
    State& s = S();
    std::unique_lock<std::mutex> guard(s.clockLock);
    if (!s.manual) {
        s.now += units > s.floor ? units : s.floor;
        guard.unlock();
        ::Sleep(0);
        return;
    }
    const uint64_t wake = s.now + units;
    ++s.sleepers;
    ++s.sleeps;
    s.clockMoved.notify_all();
    const bool woke = s.clockMoved.wait_for(guard, std::chrono::milliseconds(kLongestRealWaitMs),
                                            [&] { return s.now >= wake || !s.manual; });
    --s.sleepers;
    if (!woke)
        Fail("a virtual sleep was never ended by the test");
}

// The card whose live mapping holds the word at address, and the word's
// byte offset; the test fails on any other address.
static vh_card* MappedCard(const volatile uint32_t* reg, uint32_t* offset, const char* access)
{
    vh_card* card = nullptr;
    {
        std::lock_guard<std::recursive_mutex> guard(S().lock);
        char* address = reinterpret_cast<char*>(const_cast<uint32_t*>(reg));
        auto found = S().mappings.upper_bound(address);
        if (found != S().mappings.begin()) {
            --found;
            if (address >= found->first && address + 4 <= found->first + found->second.length) {
                card = found->second.card;
                *offset = static_cast<uint32_t>(address - found->first);
            }
        }
    }
    if (!card || *offset % 4) {
        std::string text = std::string("the driver ") + access + " card memory that is not mapped, or off a word";
        Fail(text.c_str());
    }
    return card;
}

uint32_t host_reg_read(const volatile uint32_t* reg)
{
    uint32_t offset = 0;
    vh_card* card = MappedCard(reg, &offset, "read");
    std::lock_guard<std::recursive_mutex> cardGuard(card->lock);
    if (card->hasModel && card->model.read)
        return card->model.read(card->model.context, card->words, offset);
    return card->words[offset / 4];
}

void host_reg_write(volatile uint32_t* reg, uint32_t value)
{
    uint32_t offset = 0;
    vh_card* card = MappedCard(reg, &offset, "wrote");
    std::lock_guard<std::recursive_mutex> cardGuard(card->lock);
    if (card->hasModel && card->model.write)
        card->model.write(card->model.context, card->words, offset, value);
    else
        card->words[offset / 4] = value;
}

vh_card* host_card_at(uint64_t physical)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    for (auto& block : S().blocks) {
        if (block.second.kind == "card") {
            auto* card = static_cast<vh_card*>(block.first);
            if (card->physical == physical)
                return card;
        }
    }
    return nullptr;
}

uint64_t host_card_physical(vh_card* card)
{
    return card->physical;
}

uint32_t* host_card_words(vh_card* card)
{
    return card->words;
}

uint32_t host_card_bytes(vh_card* card)
{
    return card->bytes;
}

void host_card_bus_event(vh_card* card, const char* event)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    card->busLog += event;
    card->busLog += ';';
}

void* host_card_pdo(vh_card* card)
{
    return card->pdo;
}

void host_card_set_pdo(vh_card* card, void* pdo)
{
    card->pdo = pdo;
}

void host_map(void* base, uint64_t length, vh_card* card)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    S().mappings[static_cast<char*>(base)] = Mapping{length, card};
}

int host_unmap(void* base, uint64_t length)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    auto found = S().mappings.find(static_cast<char*>(base));
    if (found == S().mappings.end() || found->second.length != length)
        return 0;
    S().mappings.erase(found);
    return 1;
}

int host_mappings(void)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    return static_cast<int>(S().mappings.size());
}

int host_fault(const char* function, int32_t* status)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    auto found = S().faults.find(function);
    if (found == S().faults.end() || found->second.count <= 0)
        return 0;
    --found->second.count;
    *status = found->second.status;
    return 1;
}

void host_violation(const char* text)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    S().violations += text;
    S().violations += '\n';
}

void host_vprint(const char* format, va_list args)
{
    char line[1024];
    // The runtime's own formatter knows the kernel's "%ws".
    _vsnprintf(line, sizeof line - 1, format, args);
    line[sizeof line - 1] = 0;
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    std::string& log = S().log;
    // A long wait prints a line per turn: the oldest half goes.
    if (log.size() > (1u << 20))
        log.erase(0, log.find('\n', log.size() / 2) + 1);
    log += line;
    if (log.empty() || log.back() != '\n')
        log += '\n';
}

// The test's side.

vh_card* vh_card_new(uint32_t memoryBytes)
{
    auto* card = static_cast<vh_card*>(host_alloc(sizeof(vh_card), "card"));
    new (card) vh_card;
    card->bytes = memoryBytes;
    card->words = static_cast<uint32_t*>(host_alloc(memoryBytes, "card memory"));
    std::memset(card->words, 0, memoryBytes);
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    card->physical = S().nextPhysical;
    S().nextPhysical += 0x1000000;
    return card;
}

uint32_t* vh_card_memory(vh_card* card)
{
    return card->words;
}

void vh_card_set_model(vh_card* card, const vh_card_model* model)
{
    std::lock_guard<std::recursive_mutex> guard(card->lock);
    card->hasModel = model != nullptr;
    if (model)
        card->model = *model;
}

const char* vh_card_bus_log(vh_card* card)
{
    return card->busLog.c_str();
}

void vh_card_free(vh_card* card)
{
    if (!card)
        return;
    kernel_card_freed(card);
    host_free(card->words);
    card->~vh_card();
    host_free(card);
}

uint64_t vh_time(void)
{
    return host_now();
}

void vh_advance(uint64_t units)
{
    State& s = S();
    std::lock_guard<std::mutex> guard(s.clockLock);
    s.now += units;
    s.clockMoved.notify_all();
}

void vh_manual_time(int on)
{
    State& s = S();
    std::lock_guard<std::mutex> guard(s.clockLock);
    s.manual = on != 0;
    s.clockMoved.notify_all();
}

void vh_sleep_floor(uint64_t units)
{
    std::lock_guard<std::mutex> guard(S().clockLock);
    S().floor = units;
}

int vh_sleepers(void)
{
    std::lock_guard<std::mutex> guard(S().clockLock);
    return S().sleepers;
}

int vh_sleeps(void)
{
    std::lock_guard<std::mutex> guard(S().clockLock);
    return S().sleeps;
}

void vh_fail(const char* function, int count, int32_t status)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    S().faults[function] = Fault{count, status};
}

const char* vh_log(void)
{
    return S().log.c_str();
}

void vh_clear_log(void)
{
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    S().log.clear();
}

const char* vh_violations(void)
{
    return S().violations.c_str();
}

void vh_reset(void)
{
    {
        std::lock_guard<std::recursive_mutex> guard(S().lock);
        S().faults.clear();
        S().log.clear();
        S().violations.clear();
    }
    vh_manual_time(0);
    vh_sleep_floor(0);
}

} // extern "C"
