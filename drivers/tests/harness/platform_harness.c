/* The platform layer of the harness build: the harness's clock, threads,
 * card memory, guard-page pool and log. */
#include "common/platform.h"
#include "host.h"

_Static_assert(sizeof(vx_mutex) >= 64, "the mutex storage holds the host's mutex");

uint64_t vx_now(void)
{
    return host_now();
}

uintptr_t vx_current_thread(void)
{
    return host_thread_id();
}

unsigned vx_irql(void)
{
    return 0; /* PASSIVE_LEVEL: the dispatch routines run there */
}

void vx_sleep_us(uint32_t microseconds)
{
    host_sleep(10 * (uint64_t)microseconds);
}

void vx_stall_us(uint32_t microseconds)
{
    host_sleep(10 * (uint64_t)microseconds);
}

uint32_t vx_reg_read(const volatile uint32_t* reg)
{
    return host_reg_read(reg);
}

void vx_reg_write(volatile uint32_t* reg, uint32_t value)
{
    host_reg_write(reg, value);
}

void* vx_alloc(size_t bytes)
{
    int32_t status;
    if (host_fault("ExAllocatePoolWithTag", &status))
        return 0;
    return host_alloc(bytes, "pool");
}

void vx_free(void* block)
{
    host_free(block);
}

void vx_print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    host_vprint(format, args);
    va_end(args);
}

void vx_mutex_init(vx_mutex* mutex)
{
    host_mutex_init(mutex);
}

void vx_mutex_lock(vx_mutex* mutex)
{
    host_mutex_lock(mutex);
}

void vx_mutex_unlock(vx_mutex* mutex)
{
    host_mutex_unlock(mutex);
}
