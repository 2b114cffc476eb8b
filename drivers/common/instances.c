#include "common/instances.h"

void vx_instances_init(vx_instances* instances)
{
    unsigned i;
    vx_mutex_init(&instances->mutex);
    for (i = 0; i < sizeof instances->used; ++i)
        instances->used[i] = 0;
}

int vx_instance_take(vx_instances* instances)
{
    int number = -1;
    int n;
    vx_mutex_lock(&instances->mutex);
    for (n = 0; n < VX_INSTANCE_COUNT; ++n) {
        if (!(instances->used[n / 8] & (1u << (n % 8)))) {
            instances->used[n / 8] |= (uint8_t)(1u << (n % 8));
            number = n;
            break;
        }
    }
    vx_mutex_unlock(&instances->mutex);
    return number;
}

void vx_instance_give(vx_instances* instances, int number)
{
    if (number < 0 || number >= VX_INSTANCE_COUNT)
        return;
    vx_mutex_lock(&instances->mutex);
    instances->used[number / 8] &= (uint8_t)~(1u << (number % 8));
    vx_mutex_unlock(&instances->mutex);
}

int vx_name_number(uint16_t* name, unsigned number)
{
    uint16_t* p;
    if (number >= VX_INSTANCE_COUNT)
        return 0;
    for (p = name; p[0]; ++p) {
        if (p[0] == 'x' && p[1] == 'x' && p[2] == 'x') {
            p[0] = (uint16_t)('0' + number / 100);
            p[1] = (uint16_t)('0' + number / 10 % 10);
            p[2] = (uint16_t)('0' + number % 10);
            return 1;
        }
    }
    return 0;
}
