#include "common/devstate.h"

void vx_state_init(vx_device_state* state)
{
    state->started = 0;
    state->removing = 0;
    state->stop_pending = 0;
    state->closed_status = VX_STATUS_INVALID_DEVICE_STATE;
    state->in_flight = 0;
    state->open_files = 0;
}

int32_t vx_request_enter(vx_device_state* state)
{
    int32_t closed;
    /* Counted in before the gate is looked at, so a drain that closed the
     * gate either sees this request or this request sees the gate closed. */
    __atomic_add_fetch(&state->in_flight, 1, __ATOMIC_SEQ_CST);
    closed = __atomic_load_n(&state->closed_status, __ATOMIC_SEQ_CST);
    if (closed != 0) {
        __atomic_sub_fetch(&state->in_flight, 1, __ATOMIC_SEQ_CST);
        return closed;
    }
    return VX_STATUS_SUCCESS;
}

void vx_request_leave(vx_device_state* state)
{
    __atomic_sub_fetch(&state->in_flight, 1, __ATOMIC_SEQ_CST);
}

void vx_gate_open(vx_device_state* state)
{
    __atomic_store_n(&state->closed_status, 0, __ATOMIC_SEQ_CST);
}

void vx_gate_drain(vx_device_state* state, int32_t closed_status)
{
    __atomic_store_n(&state->closed_status, closed_status, __ATOMIC_SEQ_CST);
    while (__atomic_load_n(&state->in_flight, __ATOMIC_SEQ_CST) != 0)
        vx_sleep_us(1000);
}

int vx_state_query(vx_device_state* state, volatile uint16_t* flag, uint16_t value)
{
    if (!state->started)
        return 0;
    *flag = value;
    return 1;
}
