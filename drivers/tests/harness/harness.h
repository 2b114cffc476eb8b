/* The kernel a test gives the PCI card driver: the same driver sources,
 * built with the kernel's functions supplied here (kernel.c), run in an
 * ordinary process. Tests reach the driver only through this C API.
 *
 * - Pool, device objects, file objects, requests and their buffers lie on
 *   guard pages and become no-access once freed, so an over-read or a use
 *   after delete crashes.
 * - A virtual clock: in the automatic mode (the default) a sleep moves the
 *   clock on by its length (at least the sleep floor); in the manual mode a
 *   sleeping thread waits until the test moves the clock past its wake-up.
 * - Each card is a fake PCI device with a block of memory and, optionally,
 *   a model that plays its registers.
 * - Fault injection by kernel function name.
 * - Counts of what is left (pool, mappings, devices, links, threads) and
 *   of broken rules (a request not completed in its dispatch routine, a
 *   card access outside a live mapping). */
#ifndef VEXO_DRIVERS_HARNESS_H
#define VEXO_DRIVERS_HARNESS_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The driver: DriverEntry and the unload routine. */
int32_t vh_load(void);
void vh_unload(void);

/* A card's registers as a test plays them: every 32-bit access of the
 * driver to the card's memory comes here (offset in bytes). memory is the
 * card's memory, which the model may read and change. Called under the
 * card's lock, one access at a time. */
typedef struct vh_card_model {
    uint32_t (*read)(void* context, uint32_t* memory, uint32_t offset);
    void (*write)(void* context, uint32_t* memory, uint32_t offset, uint32_t value);
    void* context;
} vh_card_model;

typedef struct vh_card vh_card;

/* A card on the bus with memory of this many bytes (zeroed), not yet seen
 * by the driver. */
vh_card* vh_card_new(uint32_t memoryBytes);
/* The card's memory, to set up or inspect. */
uint32_t* vh_card_memory(vh_card* card);
/* Null: plain memory. */
void vh_card_set_model(vh_card* card, const vh_card_model* model);
/* The bus driver's record of what reached it, in order: "start", "stop",
 * "remove", "D3", "S4" and so on, each ended by ";". */
const char* vh_card_bus_log(vh_card* card);
/* Frees the card once the driver is done with it. */
void vh_card_free(vh_card* card);

/* Plug and Play: AddDevice for the card; the start request with the card's
 * resources (an I/O port, an interrupt and the memory range, given as
 * memoryBytes long); any other minor function. */
int32_t vh_add_device(vh_card* card);
int32_t vh_start(vh_card* card, uint32_t memoryBytes);
int32_t vh_pnp(vh_card* card, uint8_t minorFunction);
/* Power: a system set-power request (1 working .. 6 off) and a device one
 * (1 D0 .. 4 D3). */
int32_t vh_system_power(vh_card* card, int systemState);
int32_t vh_device_power(vh_card* card, int deviceState);
/* The device state the driver keeps for the card (1 D0 .. 4 D3). */
int vh_device_power_state(vh_card* card);

/* Files: path as user mode gives it ("\\.\VexoPCI-000\VQE"). Null with the
 * status on failure. */
typedef struct vh_file vh_file;
vh_file* vh_open(const char* path, int32_t* status);
int32_t vh_read(vh_file* file, void* buffer, uint32_t length, uint32_t* done);
int32_t vh_write(vh_file* file, const void* buffer, uint32_t length, uint32_t* done);
int32_t vh_ioctl(vh_file* file, uint32_t code, const void* input, uint32_t inputLength, void* output,
                 uint32_t outputLength, uint32_t* returned);
int32_t vh_close(vh_file* file);

/* The virtual clock, in 100-ns units. */
uint64_t vh_time(void);
void vh_advance(uint64_t units);
void vh_manual_time(int on);
/* Automatic mode: a sleep moves the clock at least this far (0: exactly
 * its length). */
void vh_sleep_floor(uint64_t units);
/* Threads waiting in a sleep now, and sleeps begun so far (manual mode). */
int vh_sleepers(void);
int vh_sleeps(void);

/* The next count calls of the named kernel function fail with status
 * ("IoCreateDevice", "IoCreateSymbolicLink", "IoAttachDeviceToDeviceStack",
 * "ExAllocatePoolWithTag", "MmMapIoSpace", and "start" for the bus
 * driver's answer to the start request). */
void vh_fail(const char* function, int count, int32_t status);

/* What is alive: "pool", "mappings", "devices", "links", "threads",
 * "files". */
int vh_live(const char* what);
/* The names of the symbolic links alive, each ended by ";". */
const char* vh_links(void);
/* The driver's debug output since the last clear, one message per line. */
const char* vh_log(void);
void vh_clear_log(void);
/* Broken rules seen, each a line; empty when none. */
const char* vh_violations(void);

/* Between tests: forgets faults, the log and violations, puts the clock in
 * automatic mode with no floor. */
void vh_reset(void);

#ifdef __cplusplus
}
#endif

#endif
