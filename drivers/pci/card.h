/* The PCI controller card as the driver sees it through its mapped shared
 * memory: the command-line registers, the memory lock, the container
 * directory with its two byte rings and its VR, TABLE and IO areas, and
 * the requests served on them. Plain C over the platform layer; every
 * access is one 32-bit access through it.
 *
 * Card data is checked before it is used: containers that do not lie
 * inside the mapped memory, ring containers under 3 words and IO containers
 * under 21 words are dropped, and a ring position past its buffer fails the
 * request. A status or lock word of all ones means the card has gone:
 * the request fails at once with STATUS_DEVICE_NOT_READY. Every wait is
 * bounded by the clock. */
#ifndef VEXO_DRIVERS_CARD_H
#define VEXO_DRIVERS_CARD_H

#include "pci/lockqueue.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Byte offsets in the card's memory. */
#define VX_CARD_RECEIVE_STATUS 0x0030u
#define VX_CARD_TRANSMIT_STATUS 0x0038u
#define VX_CARD_TRANSMIT 0x0040u
#define VX_CARD_RECEIVE 0x0044u
#define VX_CARD_LOCK 0x04C0u
#define VX_CARD_DIRECTORY 0x4000u
#define VX_CARD_HOST_LINK 0x7FFCu
/* Less memory than this does not hold the host-link word: not used. */
#define VX_CARD_MIN_MEMORY 0x8000u

#define VX_CARD_STATUS_BYTE 0x08u   /* receive: a byte waits; transmit: queue full */
#define VX_CARD_HOST_LINK_OPEN 0x55555555u
#define VX_CARD_TX_CHECK_EVERY 32u  /* bytes between transmit status checks */

/* Container types of the directory. */
enum { VX_CONTAINER_IO = 1, VX_CONTAINER_REMOTE_OUT = 5, VX_CONTAINER_VR = 6, VX_CONTAINER_TABLE = 7,
       VX_CONTAINER_REMOTE_IN = 8 };

/* Device controls (METHOD_BUFFERED, device type 0x22). */
#define IOCTL_VEXO_SET_TRACE 0x220020u
#define IOCTL_VEXO_GET_VR 0x220024u
#define IOCTL_VEXO_SET_VR 0x220028u
#define IOCTL_VEXO_GET_TABLE 0x22002Cu
#define IOCTL_VEXO_SET_TABLE 0x220030u
#define IOCTL_VEXO_GET_INPUT 0x220034u
#define IOCTL_VEXO_SET_OUTPUT 0x220038u
#define IOCTL_VEXO_GET_BITS 0x22003Cu
#define IOCTL_VEXO_GET_WORDS 0x220040u

typedef struct vx_ring {
    volatile uint32_t* read;  /* read-position word */
    volatile uint32_t* write; /* write-position word */
    volatile uint32_t* buffer;
    uint32_t length; /* in words; 0: no ring */
} vx_ring;

typedef struct vx_area {
    volatile uint32_t* base;
    uint32_t length; /* in words; 0: no area */
} vx_area;

typedef struct vx_card {
    volatile uint8_t* memory; /* null while nothing is mapped */
    uint64_t length;
    /* Bytes written since the transmit status was last tested. */
    uint32_t tx_counter;
    vx_ring remote_in;
    vx_ring remote_out;
    vx_area vr;
    vx_area table;
    vx_area io;
    vx_lock_queue lock;
    /* Non-zero: diagnostic messages are printed. */
    volatile uint16_t trace;
} vx_card;

void vx_card_init(vx_card* card);
/* Takes the mapped memory; false (and nothing taken) when it is too small
 * to be the card's. */
int vx_card_attach(vx_card* card, void* memory, uint64_t length);
/* Forgets the memory and everything found in it. */
void vx_card_detach(vx_card* card);

/* Reads the container directory; areas not found, or dropped, are empty. */
void vx_card_read_directory(vx_card* card);

/* Opening a file: 1 \VQE sets the host-link word; 2 \REMOTE and
 * 3 \MEMORY take the lock once to clear a stale "Remote" bit and read the
 * directory again, and \REMOTE starts both rings empty. */
int32_t vx_card_open(vx_card* card, int kind);
void vx_card_close(vx_card* card, int kind);

/* The command line: what waits in the receive register, at once. */
int32_t vx_vqe_read(vx_card* card, uint8_t* buffer, uint32_t length, uint32_t* done);
/* Every byte to the transmit register; a queue full for 1 s ends the write
 * with the bytes written. */
int32_t vx_vqe_write(vx_card* card, const uint8_t* buffer, uint32_t length, uint32_t* done);
/* The second channel: the RemoteIn ring. */
int32_t vx_remote_read(vx_card* card, uint8_t* buffer, uint32_t length, uint32_t* done);
/* The RemoteOut ring, in blocks of at most its buffer length. */
int32_t vx_remote_write(vx_card* card, const uint8_t* buffer, uint32_t length, uint32_t* done);

/* A device control; memoryFile: the handle is a \MEMORY file. */
int32_t vx_card_control(vx_card* card, int memoryFile, uint32_t code, const uint8_t* input, uint32_t inputLength,
                        uint8_t* output, uint32_t outputLength, uint32_t* returned);

#ifdef __cplusplus
}
#endif

#endif
