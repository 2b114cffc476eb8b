/* What both drivers' WDM adapters share: the head of every device
 * extension, the named device with its instance number and symbolic link,
 * passing requests down the stack, and the power handler. */
#ifndef VEXO_DRIVERS_DEVICE_H
#define VEXO_DRIVERS_DEVICE_H

#include <ntddk.h>

#include "common/devstate.h"
#include "common/instances.h"

typedef struct VX_DEVICE_COMMON {
    PDEVICE_OBJECT Pdo;
    PDEVICE_OBJECT LowerDevice;
    PDEVICE_OBJECT Self;
    /* Each with a pool buffer of its own. */
    UNICODE_STRING LinkName;
    UNICODE_STRING DeviceName;
    int Instance;
    vx_device_state State;
    /* D0 = 1 .. D3 = 4. */
    DEVICE_POWER_STATE DevicePower;
    /* The system set-power request waiting for the device's own. */
    PIRP SystemPowerIrp;
} VX_DEVICE_COMMON;

/* Creates the device "\Device\<name>" and the link "\DosDevices\<name>",
 * where the first "xxx" of name is the lowest free instance number, and
 * attaches it above pdo. extensionSize covers the driver's whole extension,
 * which starts with VX_DEVICE_COMMON; the rest is zeroed. Undoes every step
 * on failure. prefix starts the messages ("VexoPCI-"). */
NTSTATUS VxCreateNamedDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo, vx_instances* instances,
                             const WCHAR* name, ULONG extensionSize, const char* prefix,
                             PDEVICE_OBJECT* created);
/* Deletes the link, detaches and deletes the device, and gives its number
 * back. */
void VxDeleteNamedDevice(VX_DEVICE_COMMON* device, vx_instances* instances);

/* The request goes to the lower device as it is. */
NTSTATUS VxPassDown(VX_DEVICE_COMMON* device, PIRP irp);
/* The request goes down and comes back here once the lower drivers have
 * finished it; their status, the request not yet completed. */
NTSTATUS VxPassDownAndWait(VX_DEVICE_COMMON* device, PIRP irp);
/* Completes a request in its dispatch routine. */
NTSTATUS VxComplete(PIRP irp, NTSTATUS status, ULONG_PTR information);

/* IRP_MJ_POWER of both drivers. */
NTSTATUS VxDispatchPower(PDEVICE_OBJECT deviceObject, PIRP irp);

#endif
