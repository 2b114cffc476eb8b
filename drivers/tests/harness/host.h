/* The harness's side that needs the host system (guard pages, locks,
 * threads, the clock, the log), for the harness's kernel (kernel.c) and
 * its platform layer, which cannot include the host's headers beside the
 * kernel's. Plain C types only. */
#ifndef VEXO_DRIVERS_HARNESS_HOST_H
#define VEXO_DRIVERS_HARNESS_HOST_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Blocks on guard pages: the byte after the block is no-access, and so is
 * the whole block once freed (its pages are never used again). kind counts
 * the live blocks ("pool", "device", "file", "irp", "card"). */
void* host_alloc(size_t bytes, const char* kind);
void host_free(void* block);
/* The live blocks of a kind. */
int host_live(const char* kind);

void host_lock(void);   /* the harness's own lock, recursive */
void host_unlock(void);

/* Mutex storage of up to 64 bytes. */
void host_mutex_init(void* storage);
void host_mutex_lock(void* storage);
void host_mutex_unlock(void* storage);

uintptr_t host_thread_id(void);
void host_yield(void);
/* A real-time bound for waits that the test cannot move on: milliseconds
 * since the process started. */
uint64_t host_real_ms(void);

uint64_t host_now(void);
void host_sleep(uint64_t units);

/* Card memory access, through the live mappings. */
uint32_t host_reg_read(const volatile uint32_t* reg);
void host_reg_write(volatile uint32_t* reg, uint32_t value);
/* Cards (vh_card of harness.h): found by the physical address of their
 * memory; the memory and its length; the bus driver's record; the bus
 * driver's device object the harness's kernel made for the card. */
struct vh_card* host_card_at(uint64_t physical);
uint64_t host_card_physical(struct vh_card* card);
uint32_t* host_card_words(struct vh_card* card);
uint32_t host_card_bytes(struct vh_card* card);
void host_card_bus_event(struct vh_card* card, const char* event);
void* host_card_pdo(struct vh_card* card);
void host_card_set_pdo(struct vh_card* card, void* pdo);
/* kernel.c: the card's bus device goes with the card. */
void kernel_card_freed(struct vh_card* card);

/* A mapping of a card's memory comes and goes; false when base and length
 * are not a live mapping. */
void host_map(void* base, uint64_t length, struct vh_card* card);
int host_unmap(void* base, uint64_t length);
int host_mappings(void);

/* True when the next call of function fails, with the status to give. */
int host_fault(const char* function, int32_t* status);
void host_violation(const char* text);

void host_vprint(const char* format, va_list args);

#ifdef __cplusplus
}
#endif

#endif
