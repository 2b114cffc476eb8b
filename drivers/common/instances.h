/* Instance numbering of the drivers' devices: every device takes the
 * lowest number from 0 to 999 that no live device holds, so a card that is
 * removed and added again gets its old name back, and only 1000 live
 * devices exhaust the numbers. */
#ifndef VEXO_DRIVERS_INSTANCES_H
#define VEXO_DRIVERS_INSTANCES_H

#include "common/platform.h"

#ifdef __cplusplus
extern "C" {
#endif

#define VX_INSTANCE_COUNT 1000

typedef struct vx_instances {
    vx_mutex mutex;
    uint8_t used[(VX_INSTANCE_COUNT + 7) / 8];
} vx_instances;

void vx_instances_init(vx_instances* instances);
/* The lowest free number, now taken; -1 when all are taken. */
int vx_instance_take(vx_instances* instances);
/* Gives a taken number back; others are ignored. */
void vx_instance_give(vx_instances* instances, int number);

/* Puts the three decimal digits of number (0..999) in place of the first
 * "xxx" of a NUL-terminated UTF-16 name; false when it has none. */
int vx_name_number(uint16_t* name, unsigned number);

#ifdef __cplusplus
}
#endif

#endif
