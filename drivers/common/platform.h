/* The platform layer of the kernel drivers: everything the portable driver
 * code needs from the machine it runs on. The kernel build
 * (platform_kernel.c) calls the kernel; the test harness supplies its own
 * build, so time, thread identity, sleeps, register access, pool and debug
 * output can be played there (the headers' inline versions of some of
 * these read kernel-only addresses and registers).
 *
 * Plain C over fixed-width types: no kernel or Win32 header comes in. */
#ifndef VEXO_DRIVERS_PLATFORM_H
#define VEXO_DRIVERS_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes the portable code returns (NTSTATUS values). */
#define VX_STATUS_SUCCESS 0x00000000
#define VX_STATUS_DEVICE_BUSY ((int32_t)0x80000011)
#define VX_STATUS_NO_SUCH_DEVICE ((int32_t)0xC000000E)
#define VX_STATUS_ARRAY_BOUNDS_EXCEEDED ((int32_t)0xC000008C)
#define VX_STATUS_OUTPUT_TOO_SMALL ((int32_t)0xC0000099)
#define VX_STATUS_INSUFFICIENT_RESOURCES ((int32_t)0xC000009A)
#define VX_STATUS_DEVICE_NOT_READY ((int32_t)0xC00000A3)
#define VX_STATUS_NOT_SUPPORTED ((int32_t)0xC00000BB)
#define VX_STATUS_INVALID_PARAMETER_1 ((int32_t)0xC00000EF)
#define VX_STATUS_INVALID_DEVICE_STATE ((int32_t)0xC0000184)
#define VX_STATUS_RANGE_REVERSED ((int32_t)0xC000028C)

#define VX_SUCCESS(status) ((int32_t)(status) >= 0)

/* System time in 100-ns units. */
uint64_t vx_now(void);
/* The identity of the calling thread. */
uintptr_t vx_current_thread(void);
/* The processor's interrupt request level. */
unsigned vx_irql(void);
/* Gives up the processor for at least this long. */
void vx_sleep_us(uint32_t microseconds);
/* Waits this long without giving up the processor. */
void vx_stall_us(uint32_t microseconds);

/* One 32-bit access to device memory. */
uint32_t vx_reg_read(const volatile uint32_t* reg);
void vx_reg_write(volatile uint32_t* reg, uint32_t value);

/* Non-paged memory; null when there is none. */
void* vx_alloc(size_t bytes);
void vx_free(void* block);

/* Kernel debug output, in the kernel's printf style ("%ws" a UTF-16 text). */
void vx_print(const char* format, ...);

/* A mutex held for short spans at passive level (a fast mutex). */
typedef struct vx_mutex {
    uint64_t opaque[8];
} vx_mutex;
void vx_mutex_init(vx_mutex* mutex);
void vx_mutex_lock(vx_mutex* mutex);
void vx_mutex_unlock(vx_mutex* mutex);

#ifdef __cplusplus
}
#endif

#endif
