/* The platform layer of the kernel build: the kernel's own calls. */
#include <ntddk.h>

#include <stdarg.h>

#include "common/platform.h"

_Static_assert(sizeof(FAST_MUTEX) <= sizeof(vx_mutex), "a fast mutex fits the platform's mutex");

#define VX_POOL_TAG 0x6F786556u /* "Vexo" */

uint64_t vx_now(void)
{
    LARGE_INTEGER now;
    KeQuerySystemTime(&now);
    return (uint64_t)now.QuadPart;
}

uintptr_t vx_current_thread(void)
{
    return (uintptr_t)PsGetCurrentThreadId();
}

unsigned vx_irql(void)
{
    return KeGetCurrentIrql();
}

void vx_sleep_us(uint32_t microseconds)
{
    LARGE_INTEGER interval;
    interval.QuadPart = -10 * (LONGLONG)microseconds; /* relative, in 100 ns */
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
}

void vx_stall_us(uint32_t microseconds)
{
    KeStallExecutionProcessor(microseconds);
}

uint32_t vx_reg_read(const volatile uint32_t* reg)
{
    return READ_REGISTER_ULONG((volatile ULONG*)reg);
}

void vx_reg_write(volatile uint32_t* reg, uint32_t value)
{
    WRITE_REGISTER_ULONG((volatile ULONG*)reg, value);
}

void* vx_alloc(size_t bytes)
{
    return ExAllocatePoolWithTag(NonPagedPool, bytes, VX_POOL_TAG);
}

void vx_free(void* block)
{
    if (block)
        ExFreePoolWithTag(block, VX_POOL_TAG);
}

void vx_print(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    vDbgPrintEx(DPFLTR_IHVDRIVER_ID, DPFLTR_ERROR_LEVEL, format, args);
    va_end(args);
}

void vx_mutex_init(vx_mutex* mutex)
{
    ExInitializeFastMutex((PFAST_MUTEX)mutex);
}

void vx_mutex_lock(vx_mutex* mutex)
{
    ExAcquireFastMutex((PFAST_MUTEX)mutex);
}

void vx_mutex_unlock(vx_mutex* mutex)
{
    ExReleaseFastMutex((PFAST_MUTEX)mutex);
}
