#include "pci/card.h"

#include "pci/cardfloat.h"

#define CARD_GONE 0xFFFFFFFFu
/* 1 s and 1 ms in 100-ns units. */
#define ONE_SECOND 10000000u
#define TX_FULL_SLEEP_US 1000u
/* A store that does not read back equal is tried this often. */
#define STORE_TRIES 100
/* Reads of the receive register that bring no byte while the status says
 * one waits, before the read returns what it has. */
#define EMPTY_RECEIVE_TRIES 64
#define IO_MIN_WORDS 21u
#define IO_BITS 288

#define TRACE(card, ...)                                                                                   \
    do {                                                                                                   \
        if ((card)->trace)                                                                                 \
            vx_print(__VA_ARGS__);                                                                         \
    } while (0)

static volatile uint32_t* word_at(vx_card* card, uint64_t offset)
{
    return (volatile uint32_t*)(card->memory + offset);
}

static uint32_t load32(const uint8_t* p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

static void store32(uint8_t* p, uint32_t value)
{
    p[0] = (uint8_t)value;
    p[1] = (uint8_t)(value >> 8);
    p[2] = (uint8_t)(value >> 16);
    p[3] = (uint8_t)(value >> 24);
}

/* Stores value until it reads back; false when it never does. */
static int store_checked(volatile uint32_t* word, uint32_t value)
{
    int tries;
    for (tries = 0; tries < STORE_TRIES; ++tries) {
        vx_reg_write(word, value);
        if (vx_reg_read(word) == value)
            return 1;
    }
    return 0;
}

void vx_card_init(vx_card* card)
{
    card->memory = 0;
    card->length = 0;
    card->tx_counter = VX_CARD_TX_CHECK_EVERY;
    card->trace = 1;
    vx_card_detach(card);
    vx_lock_init(&card->lock, 0, &card->trace);
}

int vx_card_attach(vx_card* card, void* memory, uint64_t length)
{
    if (!memory || length < VX_CARD_MIN_MEMORY)
        return 0;
    card->memory = memory;
    card->length = length;
    card->lock.word = word_at(card, VX_CARD_LOCK);
    return 1;
}

void vx_card_detach(vx_card* card)
{
    static const vx_ring noRing;
    static const vx_area noArea;
    card->memory = 0;
    card->length = 0;
    card->lock.word = 0;
    card->remote_in = noRing;
    card->remote_out = noRing;
    card->vr = noArea;
    card->table = noArea;
    card->io = noArea;
}

static void set_ring(vx_card* card, vx_ring* ring, uint64_t address, uint32_t words)
{
    ring->read = word_at(card, address);
    ring->write = word_at(card, address + 4);
    ring->buffer = word_at(card, address + 8);
    ring->length = words - 2;
}

void vx_card_read_directory(vx_card* card)
{
    static const vx_ring noRing;
    static const vx_area noArea;
    int i;
    if (!card->memory)
        return;
    card->remote_in = noRing;
    card->remote_out = noRing;
    card->vr = noArea;
    card->table = noArea;
    card->io = noArea;
    TRACE(card, "VexoPCI-Directory Address=0x%lx\n", (unsigned long)VX_CARD_DIRECTORY);
    TRACE(card, "VexoPCI-Container version %lu\n", (unsigned long)vx_reg_read(word_at(card, VX_CARD_DIRECTORY)));
    TRACE(card, "VexoPCI-Controller %lu\n", (unsigned long)vx_reg_read(word_at(card, VX_CARD_DIRECTORY + 4)));
    for (i = 0; i < 9; ++i) {
        const uint32_t entry = vx_reg_read(word_at(card, VX_CARD_DIRECTORY + 8 + 8 * (uint64_t)i));
        const uint32_t start = vx_reg_read(word_at(card, VX_CARD_DIRECTORY + 12 + 8 * (uint64_t)i));
        const int type = (int)(entry & 0x1Fu);
        const uint32_t words = entry >> 5;
        const uint64_t address = VX_CARD_DIRECTORY + 4 * (uint64_t)start;
        const int inside = address + 4 * (uint64_t)words <= card->length;
        TRACE(card, "VexoPCI-Container %i Type=%i; Length=%lu; Start = 0x%lx\n", i, type, (unsigned long)words,
              (unsigned long)start);
        if (type != VX_CONTAINER_IO && type != VX_CONTAINER_REMOTE_OUT && type != VX_CONTAINER_VR &&
            type != VX_CONTAINER_TABLE && type != VX_CONTAINER_REMOTE_IN)
            continue;
        if (!inside || words == 0 || (type == VX_CONTAINER_IO && words < IO_MIN_WORDS) ||
            ((type == VX_CONTAINER_REMOTE_IN || type == VX_CONTAINER_REMOTE_OUT) && words < 3)) {
            TRACE(card, "VexoPCI-Container %i dropped: it does not fit the card's memory\n", i);
            continue;
        }
        switch (type) {
        case VX_CONTAINER_IO:
            card->io.base = word_at(card, address);
            card->io.length = words;
            TRACE(card, "VexoPCI-IOBase=0x%lx; IOLength=0x%lx\n", (unsigned long)address, (unsigned long)words);
            break;
        case VX_CONTAINER_REMOTE_OUT:
            set_ring(card, &card->remote_out, address, words);
            TRACE(card, "VexoPCI-RemoteOut ReadPosition=0x%lx; WritePosition=0x%lx;Buffer=0x%lx;BufferLen=0x%lx\n",
                  (unsigned long)address, (unsigned long)(address + 4), (unsigned long)(address + 8),
                  (unsigned long)(words - 2));
            break;
        case VX_CONTAINER_VR:
            card->vr.base = word_at(card, address);
            card->vr.length = words;
            TRACE(card, "VexoPCI-VrBase=0x%lx; VrLength=0x%lx\n", (unsigned long)address, (unsigned long)words);
            break;
        case VX_CONTAINER_TABLE:
            card->table.base = word_at(card, address);
            card->table.length = words;
            TRACE(card, "VexoPCI-TableBase=0x%lx; TableLength=0x%lx\n", (unsigned long)address,
                  (unsigned long)words);
            break;
        default:
            set_ring(card, &card->remote_in, address, words);
            TRACE(card, "VexoPCI-RemoteIn ReadPosition=0x%lx; WritePosition=0x%lx;Buffer=0x%lx;BufferLen=0x%lx\n",
                  (unsigned long)address, (unsigned long)(address + 4), (unsigned long)(address + 8),
                  (unsigned long)(words - 2));
            break;
        }
    }
    TRACE(card, "VexoPCI-NIO %lu\n", (unsigned long)vx_reg_read(word_at(card, VX_CARD_DIRECTORY + 80)));
}

int32_t vx_card_open(vx_card* card, int kind)
{
    vx_lock_waiter waiter;
    int32_t status;
    if (kind == 1) {
        vx_reg_write(word_at(card, VX_CARD_HOST_LINK), VX_CARD_HOST_LINK_OPEN);
        return VX_STATUS_SUCCESS;
    }
    /* Holding the lock, this thread's own bit clears any stale one on
     * release, and nobody else's area changes under the directory read. */
    status = vx_memory_acquire(&card->lock, VX_LOCK_REMOTE, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    vx_card_read_directory(card);
    if (kind == 2 && card->remote_out.length && card->remote_in.length) {
        vx_reg_write(card->remote_out.write, 0);
        vx_reg_write(card->remote_out.read, 0);
        vx_reg_write(card->remote_in.write, 0);
        vx_reg_write(card->remote_in.read, 0);
    }
    return vx_memory_release(&card->lock, VX_LOCK_REMOTE, &waiter);
}

void vx_card_close(vx_card* card, int kind)
{
    vx_lock_waiter waiter;
    if (kind == 1) {
        vx_reg_write(word_at(card, VX_CARD_HOST_LINK), 0);
    } else if (kind == 2) {
        if (VX_SUCCESS(vx_memory_acquire(&card->lock, VX_LOCK_REMOTE, &waiter)))
            vx_memory_release(&card->lock, VX_LOCK_REMOTE, &waiter);
    }
}

int32_t vx_vqe_read(vx_card* card, uint8_t* buffer, uint32_t length, uint32_t* done)
{
    uint32_t taken = 0;
    int empty = 0;
    *done = 0;
    while (taken < length) {
        uint32_t status = vx_reg_read(word_at(card, VX_CARD_RECEIVE_STATUS));
        uint32_t value;
        if (status == CARD_GONE)
            return VX_STATUS_DEVICE_NOT_READY;
        if (!(status & VX_CARD_STATUS_BYTE))
            break;
        value = vx_reg_read(word_at(card, VX_CARD_RECEIVE));
        if (value == CARD_GONE) {
            if (++empty >= EMPTY_RECEIVE_TRIES)
                break;
            continue;
        }
        buffer[taken++] = (uint8_t)value;
    }
    *done = taken;
    return VX_STATUS_SUCCESS;
}

int32_t vx_vqe_write(vx_card* card, const uint8_t* buffer, uint32_t length, uint32_t* done)
{
    uint32_t i;
    *done = 0;
    for (i = 0; i < length; ++i) {
        if (card->tx_counter >= VX_CARD_TX_CHECK_EVERY) {
            const uint64_t start = vx_now();
            for (;;) {
                const uint32_t status = vx_reg_read(word_at(card, VX_CARD_TRANSMIT_STATUS));
                if (status == CARD_GONE)
                    return VX_STATUS_DEVICE_NOT_READY;
                if (!(status & VX_CARD_STATUS_BYTE))
                    break;
                if (vx_now() - start >= ONE_SECOND) {
                    /* The controller takes nothing: the write ends with
                     * what went. */
                    TRACE(card, "VexoPCI-DDDispatch_Write: transmit queue full, %lu of %lu bytes written\n",
                          (unsigned long)i, (unsigned long)length);
                    *done = i;
                    return VX_STATUS_SUCCESS;
                }
                vx_sleep_us(TX_FULL_SLEEP_US);
            }
            card->tx_counter = 0;
        }
        vx_reg_write(word_at(card, VX_CARD_TRANSMIT), (uint32_t)(int32_t)(int8_t)buffer[i]);
        ++card->tx_counter;
    }
    *done = length;
    return VX_STATUS_SUCCESS;
}

int32_t vx_remote_read(vx_card* card, uint8_t* buffer, uint32_t length, uint32_t* done)
{
    vx_ring* ring = &card->remote_in;
    vx_lock_waiter waiter;
    uint32_t taken = 0;
    uint32_t r, w;
    int32_t status = vx_memory_acquire(&card->lock, VX_LOCK_REMOTE, &waiter);
    *done = 0;
    if (!VX_SUCCESS(status)) {
        TRACE(card, "[%s@%i] error aquiring memory 0x%lx\n", __func__, __LINE__, (unsigned long)status);
        return status;
    }
    if (ring->length) {
        r = vx_reg_read(ring->read);
        w = vx_reg_read(ring->write);
        if (r >= ring->length || w >= ring->length) {
            status = VX_STATUS_DEVICE_NOT_READY;
        } else {
            while (r != w && taken < length) {
                buffer[taken++] = (uint8_t)vx_reg_read(ring->buffer + r);
                r = (r + 1) % ring->length;
                vx_reg_write(ring->read, r);
            }
        }
    }
    {
        const int32_t released = vx_memory_release(&card->lock, VX_LOCK_REMOTE, &waiter);
        if (VX_SUCCESS(status))
            status = released;
    }
    *done = VX_SUCCESS(status) ? taken : 0;
    return status;
}

int32_t vx_remote_write(vx_card* card, const uint8_t* buffer, uint32_t length, uint32_t* done)
{
    vx_ring* ring = &card->remote_out;
    vx_lock_waiter waiter;
    uint32_t sent = 0;
    uint64_t start;
    int32_t status;
    *done = 0;
    if (!ring->length)
        return VX_STATUS_DEVICE_NOT_READY;
    status = vx_memory_acquire(&card->lock, VX_LOCK_REMOTE, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    start = vx_now();
    do {
        uint32_t pending = vx_reg_read(ring->write);
        if (pending == CARD_GONE) {
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        if (pending == 0) {
            /* The controller took the last block: the next one goes. */
            uint32_t block = length - sent;
            uint32_t i;
            if (block > ring->length)
                block = ring->length;
            for (i = 0; i < block && VX_SUCCESS(status); ++i) {
                if (!store_checked(ring->buffer + i, (uint32_t)(int32_t)(int8_t)buffer[sent + i]))
                    status = VX_STATUS_DEVICE_NOT_READY;
            }
            if (VX_SUCCESS(status) && !store_checked(ring->write, block))
                status = VX_STATUS_DEVICE_NOT_READY;
            if (!VX_SUCCESS(status))
                break;
            sent += block;
            start = vx_now();
            continue;
        }
        if (vx_now() - start >= ONE_SECOND) {
            TRACE(card, "remote_write: TIMEOUT writing data\n");
            status = VX_STATUS_DEVICE_NOT_READY;
            break;
        }
        /* Lets other users of the lock in while the controller works. */
        vx_memory_release(&card->lock, VX_LOCK_REMOTE, &waiter);
        vx_sleep_us(1);
        status = vx_memory_acquire(&card->lock, VX_LOCK_REMOTE, &waiter);
        if (!VX_SUCCESS(status))
            return status;
    } while (sent < length);
    {
        const int32_t released = vx_memory_release(&card->lock, VX_LOCK_REMOTE, &waiter);
        if (VX_SUCCESS(status))
            status = released;
    }
    *done = VX_SUCCESS(status) ? length : 0;
    return status;
}

/* How a range code's output is sized. */
enum { OUT_PER_INDEX, OUT_PER_32_BITS, OUT_ONE_WORD };

/* The checks of a range code, in order; name null: no messages. Indices
 * are compared in 64-bit signed arithmetic, so a reversed or huge range
 * cannot wrap. */
static int32_t check_range(vx_card* card, const char* name, const uint8_t* input, uint32_t inputLength,
                           uint32_t outputLength, int outKind, int64_t limit, int64_t* first, int64_t* last,
                           uint32_t* outBytes)
{
    int64_t count, needed;
    if (inputLength != 8) {
        if (name)
            TRACE(card, "%s: Parameter is not a ValueRange\n", name);
        return VX_STATUS_INVALID_PARAMETER_1;
    }
    *first = load32(input);
    *last = load32(input + 4);
    count = *last - *first + 1;
    needed = outKind == OUT_PER_INDEX ? 4 * count : outKind == OUT_PER_32_BITS ? 4 * ((count + 31) / 32) : 4;
    if (needed > (int64_t)outputLength) {
        if (name)
            TRACE(card, "%s: Output buffer too small to fit %i values\n", name, (int)count);
        return VX_STATUS_OUTPUT_TOO_SMALL;
    }
    if (*last < *first) {
        if (name)
            TRACE(card, "%s: Stop index (%i) must be greater than start index (%i)\n", name, (int)*last,
                  (int)*first);
        return VX_STATUS_RANGE_REVERSED;
    }
    if (*last >= limit) {
        if (name)
            TRACE(card, "%s: Stop index (%i) out of range\n", name, (int)*last);
        return VX_STATUS_ARRAY_BOUNDS_EXCEEDED;
    }
    *outBytes = (uint32_t)needed;
    return VX_STATUS_SUCCESS;
}

static int32_t acquire(vx_card* card, const char* name, int kind, vx_lock_waiter* waiter)
{
    const int32_t status = vx_memory_acquire(&card->lock, kind, waiter);
    if (!VX_SUCCESS(status) && name)
        TRACE(card, "%s: memory_acquire failed\n", name);
    return status;
}

/* GET_VR and GET_TABLE. */
static int32_t get_values(vx_card* card, const char* name, const vx_area* area, const uint8_t* input,
                          uint32_t inputLength, uint8_t* output, uint32_t outputLength, uint32_t* returned)
{
    int64_t first, last, i;
    uint32_t bytes;
    vx_lock_waiter waiter;
    int32_t status = check_range(card, name, input, inputLength, outputLength, OUT_PER_INDEX, area->length, &first,
                                 &last, &bytes);
    if (!VX_SUCCESS(status))
        return status;
    status = acquire(card, name, VX_LOCK_TABLE_AND_VR, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    for (i = first; i <= last; ++i)
        store32(output + 4 * (i - first), vx_card_to_ieee(vx_reg_read(area->base + i)));
    vx_memory_release(&card->lock, VX_LOCK_TABLE_AND_VR, &waiter);
    *returned = bytes;
    return VX_STATUS_SUCCESS;
}

/* SET_VR, SET_TABLE and SET_OUTPUT: pairs of (index, value). */
static int32_t set_pairs(vx_card* card, const char* name, uint32_t code, const uint8_t* input, uint32_t inputLength)
{
    const vx_area* area = code == IOCTL_VEXO_SET_VR ? &card->vr : code == IOCTL_VEXO_SET_TABLE ? &card->table : &card->io;
    const int kind = code == IOCTL_VEXO_SET_OUTPUT ? VX_LOCK_IO : VX_LOCK_TABLE_AND_VR;
    const uint32_t limit = code == IOCTL_VEXO_SET_OUTPUT ? (area->length ? IO_BITS : 0) : area->length;
    const uint32_t pairs = inputLength / 8;
    vx_lock_waiter waiter;
    uint32_t i;
    int32_t status;
    if (inputLength % 8)
        return VX_STATUS_INVALID_PARAMETER_1;
    for (i = 0; i < pairs; ++i) {
        if (load32(input + 8 * i) >= limit) {
            TRACE(card, "%s: invalid request\n", name);
            return VX_STATUS_ARRAY_BOUNDS_EXCEEDED;
        }
    }
    status = acquire(card, name, kind, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    for (i = 0; i < pairs; ++i) {
        const uint32_t index = load32(input + 8 * i);
        const uint32_t value = load32(input + 8 * i + 4);
        if (code == IOCTL_VEXO_SET_OUTPUT) {
            volatile uint32_t* word = area->base + 9 + index / 32;
            const uint32_t bit = 1u << (index % 32);
            const uint32_t old = vx_reg_read(word);
            vx_reg_write(word, value ? old | bit : old & ~bit);
        } else {
            vx_reg_write(area->base + index, vx_ieee_to_card(value));
        }
    }
    vx_memory_release(&card->lock, kind, &waiter);
    return VX_STATUS_SUCCESS;
}

static int32_t get_inputs(vx_card* card, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                          uint32_t outputLength, uint32_t* returned)
{
    static const char name[] = "IOCTL_VEXO_GET_INPUT";
    int64_t first, last, bit;
    uint32_t bytes, i;
    vx_lock_waiter waiter;
    int32_t status = check_range(card, name, input, inputLength, outputLength, OUT_PER_32_BITS,
                                 card->io.length ? IO_BITS : 0, &first, &last, &bytes);
    if (!VX_SUCCESS(status))
        return status;
    status = acquire(card, name, VX_LOCK_IO, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    for (i = 0; i < bytes; ++i)
        output[i] = 0;
    for (bit = first; bit <= last; ++bit) {
        const uint32_t word = vx_reg_read(card->io.base + bit / 32);
        if (word >> (bit % 32) & 1u) {
            const int64_t n = bit - first;
            output[n / 8] |= (uint8_t)(1u << (n % 8));
        }
    }
    vx_memory_release(&card->lock, VX_LOCK_IO, &waiter);
    *returned = bytes;
    return VX_STATUS_SUCCESS;
}

static int32_t get_bits(vx_card* card, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                        uint32_t outputLength, uint32_t* returned)
{
    int64_t first, last;
    uint32_t bytes, value, width;
    vx_lock_waiter waiter;
    int32_t status = check_range(card, 0, input, inputLength, outputLength, OUT_ONE_WORD, card->io.length ? 32 : 0,
                                 &first, &last, &bytes);
    if (!VX_SUCCESS(status))
        return status;
    status = vx_memory_acquire(&card->lock, VX_LOCK_IO, &waiter);
    if (!VX_SUCCESS(status))
        return status;
    value = vx_reg_read(card->io.base + 18) >> first;
    vx_memory_release(&card->lock, VX_LOCK_IO, &waiter);
    width = (uint32_t)(last - first + 1);
    if (width < 32)
        value &= (1u << width) - 1;
    store32(output, value);
    *returned = bytes;
    return VX_STATUS_SUCCESS;
}

static int32_t get_words(vx_card* card, const uint8_t* input, uint32_t inputLength, uint8_t* output,
                         uint32_t outputLength, uint32_t* returned)
{
    int64_t first, last, i;
    uint32_t bytes;
    int32_t status = check_range(card, 0, input, inputLength, outputLength, OUT_PER_INDEX, card->io.length ? 4 : 0,
                                 &first, &last, &bytes);
    if (!VX_SUCCESS(status))
        return status;
    for (i = first; i <= last; ++i) {
        vx_lock_waiter waiter;
        uint32_t word;
        status = vx_memory_acquire(&card->lock, VX_LOCK_IO, &waiter);
        if (!VX_SUCCESS(status))
            return status;
        /* Value i is the low (even i) or high half of word 19 + i / 2. */
        word = vx_reg_read(card->io.base + 19 + i / 2);
        vx_memory_release(&card->lock, VX_LOCK_IO, &waiter);
        store32(output + 4 * (i - first), i % 2 ? word >> 16 : word & 0xFFFFu);
    }
    *returned = bytes;
    return VX_STATUS_SUCCESS;
}

int32_t vx_card_control(vx_card* card, int memoryFile, uint32_t code, const uint8_t* input, uint32_t inputLength,
                        uint8_t* output, uint32_t outputLength, uint32_t* returned)
{
    *returned = 0;
    if (!card->memory)
        return VX_STATUS_INVALID_DEVICE_STATE;
    if (code == IOCTL_VEXO_SET_TRACE) {
        if (inputLength < 2)
            return VX_STATUS_INVALID_PARAMETER_1;
        card->trace = (uint16_t)(input[0] | input[1] << 8);
        return VX_STATUS_SUCCESS;
    }
    if (!memoryFile)
        return VX_STATUS_NOT_SUPPORTED;
    switch (code) {
    case IOCTL_VEXO_GET_VR:
        return get_values(card, "IOCTL_VEXO_GET_VR", &card->vr, input, inputLength, output, outputLength, returned);
    case IOCTL_VEXO_GET_TABLE:
        return get_values(card, "IOCTL_VEXO_GET_TABLE", &card->table, input, inputLength, output, outputLength,
                          returned);
    case IOCTL_VEXO_SET_VR:
        return set_pairs(card, "IOCTL_VEXO_SET_VR", code, input, inputLength);
    case IOCTL_VEXO_SET_TABLE:
        return set_pairs(card, "IOCTL_VEXO_SET_TABLE", code, input, inputLength);
    case IOCTL_VEXO_SET_OUTPUT:
        return set_pairs(card, "IOCTL_VEXO_SET_OUTPUT", code, input, inputLength);
    case IOCTL_VEXO_GET_INPUT:
        return get_inputs(card, input, inputLength, output, outputLength, returned);
    case IOCTL_VEXO_GET_BITS:
        return get_bits(card, input, inputLength, output, outputLength, returned);
    case IOCTL_VEXO_GET_WORDS:
        return get_words(card, input, inputLength, output, outputLength, returned);
    default:
        return VX_STATUS_NOT_SUPPORTED;
    }
}
