/* The Plug and Play state both drivers keep for a device, and the gate
 * every request passes: a stop or a removal closes the gate and then waits
 * until the requests already inside have left, so nothing they use (the
 * card's mapping, the device's memory) goes away under them. Every request
 * is bounded in time, so the wait ends. */
#ifndef VEXO_DRIVERS_DEVSTATE_H
#define VEXO_DRIVERS_DEVSTATE_H

#include "common/platform.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct vx_device_state {
    /* Plug and Play flags. */
    volatile uint16_t started;
    volatile uint16_t removing;     /* a removal was asked for */
    volatile uint16_t stop_pending; /* a stop was asked for */
    /* The gate: 0 open; else the status requests get (not started, or
     * removed). */
    volatile int32_t closed_status;
    volatile int32_t in_flight;
    /* Open files. */
    volatile int32_t open_files;
} vx_device_state;

/* A new device: not started, the gate closed with
 * STATUS_INVALID_DEVICE_STATE. */
void vx_state_init(vx_device_state* state);

/* A request comes in: success, or the status it fails with. A request that
 * entered leaves with vx_request_leave. */
int32_t vx_request_enter(vx_device_state* state);
void vx_request_leave(vx_device_state* state);

/* Opens the gate (the device started). */
void vx_gate_open(vx_device_state* state);
/* Closes the gate with the status later requests get, then waits until the
 * requests inside have left. */
void vx_gate_drain(vx_device_state* state, int32_t closed_status);

/* The Plug and Play queries: true when the request is answered with success
 * (the device is started), false when it goes down untouched. */
int vx_state_query(vx_device_state* state, volatile uint16_t* flag, uint16_t value);

#ifdef __cplusplus
}
#endif

#endif
