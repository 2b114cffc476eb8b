#include "pci/lockqueue.h"

#define CARD_GONE 0xFFFFFFFFu

#define TRACE(queue, ...)                                                                                  \
    do {                                                                                                   \
        if (*(queue)->trace)                                                                               \
            vx_print(__VA_ARGS__);                                                                         \
    } while (0)

const char* vx_lock_kind_name(int kind)
{
    switch (kind) {
    case VX_LOCK_REMOTE:
        return "Remote";
    case VX_LOCK_IO:
        return "IO";
    default:
        return "TableAndVr";
    }
}

void vx_lock_init(vx_lock_queue* queue, volatile uint32_t* word, const volatile uint16_t* trace)
{
    vx_mutex_init(&queue->mutex);
    queue->head = queue->tail = 0;
    queue->word = word;
    queue->trace = trace;
}

static int queue_depth(const vx_lock_queue* queue)
{
    int depth = 0;
    const vx_lock_waiter* w;
    for (w = queue->head; w; w = w->next)
        ++depth;
    return depth;
}

/* Under the mutex. */
static void leave_queue(vx_lock_queue* queue, vx_lock_waiter* waiter)
{
    vx_lock_waiter** link = &queue->head;
    vx_lock_waiter* previous = 0;
    while (*link && *link != waiter) {
        previous = *link;
        link = &(*link)->next;
    }
    if (!*link)
        return;
    *link = waiter->next;
    if (queue->tail == waiter)
        queue->tail = previous;
}

int32_t vx_memory_acquire(vx_lock_queue* queue, int kind, vx_lock_waiter* waiter)
{
    const char* name = vx_lock_kind_name(kind);
    const uint32_t bit = 1u << (8 * kind);
    uint64_t start = vx_now();
    int32_t status = VX_STATUS_SUCCESS;
    uint32_t value;

    waiter->next = 0;
    waiter->thread = vx_current_thread();
    vx_mutex_lock(&queue->mutex);
    if (queue->tail)
        queue->tail->next = waiter;
    else
        queue->head = waiter;
    queue->tail = waiter;
    while (queue->head != waiter) {
        if (vx_now() - start >= VX_LOCK_TIMEOUT) {
            TRACE(queue, "memory(%s): TIMEOUT waiting for my turn to acquire memory (%li)\n", name,
                  (long)VX_STATUS_DEVICE_NOT_READY);
            leave_queue(queue, waiter);
            vx_mutex_unlock(&queue->mutex);
            return VX_STATUS_DEVICE_NOT_READY;
        }
        TRACE(queue, "memory(%s): KeDelayExecutionThread. FIFO depth=%i\n", name, queue_depth(queue));
        vx_mutex_unlock(&queue->mutex);
        vx_sleep_us(1);
        vx_mutex_lock(&queue->mutex);
    }
    vx_mutex_unlock(&queue->mutex);

    /* This thread's turn: ask the card for the area. */
    start = vx_now();
    for (;;) {
        vx_reg_write(queue->word, bit);
        value = vx_reg_read(queue->word);
        if (value == CARD_GONE) {
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        if (value & bit)
            break;
        if (vx_now() - start >= VX_LOCK_TIMEOUT) {
            TRACE(queue, "memory(%s): TIMEOUT acquiring memory (%li)\n", name, (long)VX_STATUS_DEVICE_NOT_READY);
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        vx_stall_us(1);
    }
    if (!VX_SUCCESS(status)) {
        vx_reg_write(queue->word, 0); /* withdraws the request */
        vx_mutex_lock(&queue->mutex);
        leave_queue(queue, waiter);
        vx_mutex_unlock(&queue->mutex);
    }
    return status;
}

int32_t vx_memory_release(vx_lock_queue* queue, int kind, vx_lock_waiter* waiter)
{
    const uint32_t bit = 1u << (8 * kind);
    const uint64_t start = vx_now();
    int32_t status = VX_STATUS_SUCCESS;
    for (;;) {
        uint32_t value;
        vx_reg_write(queue->word, 0);
        value = vx_reg_read(queue->word);
        if (value == CARD_GONE) {
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        if (!(value & bit))
            break;
        if (vx_now() - start >= VX_LOCK_TIMEOUT) {
            TRACE(queue, "memory(%s): TIMEOUT releasing memory (%li)\n", vx_lock_kind_name(kind),
                  (long)VX_STATUS_DEVICE_NOT_READY);
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        vx_sleep_us(1);
    }
    vx_mutex_lock(&queue->mutex);
    leave_queue(queue, waiter);
    vx_mutex_unlock(&queue->mutex);
    return status;
}
