/* The card's memory lock: the word at 0x04C0 of the card's memory, where
 * the host sets bit 0 ("Remote"), bit 8 ("IO") or bit 16 ("TableAndVr") to
 * ask for that area and clears it to give the area back; a bit the card
 * refuses does not read back set.
 *
 * The threads of the host take turns in one queue across the three kinds,
 * first come first served: the thread at the head holds the lock from its
 * acquire to its release, so the host never has two bits set. A waiter
 * whose turn has not come within 1 s leaves its own place and fails with
 * STATUS_DEVICE_NOT_READY; the others keep theirs. Every wait is bounded by
 * the clock, and a lock word of all ones (the card has gone) fails at once. */
#ifndef VEXO_DRIVERS_LOCKQUEUE_H
#define VEXO_DRIVERS_LOCKQUEUE_H

#include "common/platform.h"

#ifdef __cplusplus
extern "C" {
#endif

enum { VX_LOCK_REMOTE = 0, VX_LOCK_IO = 1, VX_LOCK_TABLE_AND_VR = 2 };

/* 1 s in 100-ns units: the longest wait for a turn, for the card to grant a
 * bit, or to take one back. */
#define VX_LOCK_TIMEOUT 10000000u

typedef struct vx_lock_waiter {
    struct vx_lock_waiter* next;
    uintptr_t thread;
} vx_lock_waiter;

typedef struct vx_lock_queue {
    vx_mutex mutex;
    vx_lock_waiter* head; /* the holder, once its turn has come */
    vx_lock_waiter* tail;
    volatile uint32_t* word;
    const volatile uint16_t* trace;
} vx_lock_queue;

/* word: the card's lock word; trace: the device's trace flag. */
void vx_lock_init(vx_lock_queue* queue, volatile uint32_t* word, const volatile uint16_t* trace);
/* Waits for this thread's turn and takes the kind's bit; waiter is this
 * thread's place, kept until the release. */
int32_t vx_memory_acquire(vx_lock_queue* queue, int kind, vx_lock_waiter* waiter);
/* Gives back the bit taken by a successful acquire and the turn. */
int32_t vx_memory_release(vx_lock_queue* queue, int kind, vx_lock_waiter* waiter);

/* The kind's name in messages: "Remote", "IO", "TableAndVr". */
const char* vx_lock_kind_name(int kind);

#ifdef __cplusplus
}
#endif

#endif
