#include "common/device.h"

#define VX_NAME_CHARS 64

static NTSTATUS VxMakeName(UNICODE_STRING* target, const WCHAR* head, const WCHAR* name, unsigned number)
{
    WCHAR* text = vx_alloc(VX_NAME_CHARS * sizeof(WCHAR));
    unsigned length = 0;
    const WCHAR* p;
    if (!text)
        return STATUS_INSUFFICIENT_RESOURCES;
    for (p = head; *p && length + 1 < VX_NAME_CHARS; ++p)
        text[length++] = *p;
    for (p = name; *p && length + 1 < VX_NAME_CHARS; ++p)
        text[length++] = *p;
    text[length] = 0;
    vx_name_number((uint16_t*)text, number);
    target->Buffer = text;
    target->Length = (USHORT)(length * sizeof(WCHAR));
    target->MaximumLength = VX_NAME_CHARS * sizeof(WCHAR);
    return STATUS_SUCCESS;
}

static void VxFreeName(UNICODE_STRING* name)
{
    vx_free(name->Buffer);
    name->Buffer = NULL;
    name->Length = name->MaximumLength = 0;
}

NTSTATUS VxCreateNamedDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo, vx_instances* instances,
                             const WCHAR* name, ULONG extensionSize, const char* prefix,
                             PDEVICE_OBJECT* created)
{
    UNICODE_STRING deviceName = {0}, linkName = {0};
    PDEVICE_OBJECT deviceObject = NULL;
    VX_DEVICE_COMMON* device;
    NTSTATUS status;
    int number = vx_instance_take(instances);
    *created = NULL;
    if (number < 0)
        return STATUS_INSUFFICIENT_RESOURCES;
    status = VxMakeName(&deviceName, L"\\Device\\", name, (unsigned)number);
    if (NT_SUCCESS(status))
        status = VxMakeName(&linkName, L"\\DosDevices\\", name, (unsigned)number);
    if (!NT_SUCCESS(status))
        goto undo_names;

    status = IoCreateDevice(driver, extensionSize, &deviceName, FILE_DEVICE_UNKNOWN, 0, FALSE, &deviceObject);
    if (!NT_SUCCESS(status)) {
        vx_print("%sIoCreateDevice %ws failed - %li\n", prefix, deviceName.Buffer, (long)status);
        goto undo_names;
    }
    status = IoCreateSymbolicLink(&linkName, &deviceName);
    if (!NT_SUCCESS(status)) {
        vx_print("%sIoCreateSymbolicLink %ws - %ws failed - %li\n", prefix, linkName.Buffer, deviceName.Buffer,
                 (long)status);
        goto undo_device;
    }
    device = deviceObject->DeviceExtension;
    RtlZeroMemory(device, extensionSize);
    device->LowerDevice = IoAttachDeviceToDeviceStack(deviceObject, pdo);
    if (!device->LowerDevice) {
        vx_print("%sIoAttachDeviceToDeviceStack failed\n", prefix);
        status = STATUS_NO_SUCH_DEVICE;
        IoDeleteSymbolicLink(&linkName);
        goto undo_device;
    }
    device->Pdo = pdo;
    device->Self = deviceObject;
    device->DeviceName = deviceName;
    device->LinkName = linkName;
    device->Instance = number;
    device->DevicePower = PowerDeviceD0;
    vx_state_init(&device->State);
    deviceObject->Flags |= DO_BUFFERED_IO | DO_POWER_PAGABLE;
    deviceObject->Flags &= ~DO_DEVICE_INITIALIZING;
    *created = deviceObject;
    return STATUS_SUCCESS;

undo_device:
    IoDeleteDevice(deviceObject);
undo_names:
    VxFreeName(&linkName);
    VxFreeName(&deviceName);
    vx_instance_give(instances, number);
    return status;
}

void VxDeleteNamedDevice(VX_DEVICE_COMMON* device, vx_instances* instances)
{
    PDEVICE_OBJECT self = device->Self;
    int number = device->Instance;
    IoDeleteSymbolicLink(&device->LinkName);
    VxFreeName(&device->LinkName);
    VxFreeName(&device->DeviceName);
    if (device->LowerDevice)
        IoDetachDevice(device->LowerDevice);
    device->LowerDevice = NULL;
    IoDeleteDevice(self);
    vx_instance_give(instances, number);
}

NTSTATUS VxPassDown(VX_DEVICE_COMMON* device, PIRP irp)
{
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(device->LowerDevice, irp);
}

static NTSTATUS NTAPI VxSignalDone(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context)
{
    (void)deviceObject;
    (void)irp;
    KeSetEvent((PKEVENT)context, IO_NO_INCREMENT, FALSE);
    /* The request stays with the caller, who completes it. */
    return STATUS_MORE_PROCESSING_REQUIRED;
}

NTSTATUS VxPassDownAndWait(VX_DEVICE_COMMON* device, PIRP irp)
{
    KEVENT done;
    NTSTATUS status;
    KeInitializeEvent(&done, NotificationEvent, FALSE);
    IoCopyCurrentIrpStackLocationToNext(irp);
    IoSetCompletionRoutine(irp, VxSignalDone, &done, TRUE, TRUE, TRUE);
    status = IoCallDriver(device->LowerDevice, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&done, Executive, KernelMode, FALSE, NULL);
        status = irp->IoStatus.Status;
    }
    return status;
}

NTSTATUS VxComplete(PIRP irp, NTSTATUS status, ULONG_PTR information)
{
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

/* The device's own set-power request has finished: the system request that
 * waited for it goes down. */
static VOID NTAPI VxDevicePowerDone(PDEVICE_OBJECT deviceObject, UCHAR minor, POWER_STATE state, PVOID context,
                                    PIO_STATUS_BLOCK result)
{
    VX_DEVICE_COMMON* device = context;
    PIRP systemIrp = device->SystemPowerIrp;
    (void)deviceObject;
    (void)minor;
    (void)state;
    (void)result;
    device->SystemPowerIrp = NULL;
    if (systemIrp) {
        PoStartNextPowerIrp(systemIrp);
        IoSkipCurrentIrpStackLocation(systemIrp);
        PoCallDriver(device->LowerDevice, systemIrp);
    }
}

/* Power is back once the lower drivers have finished with it. */
static NTSTATUS NTAPI VxPowerUpDone(PDEVICE_OBJECT deviceObject, PIRP irp, PVOID context)
{
    VX_DEVICE_COMMON* device = context;
    (void)deviceObject;
    if (irp->PendingReturned)
        IoMarkIrpPending(irp);
    if (NT_SUCCESS(irp->IoStatus.Status))
        device->DevicePower = PowerDeviceD0;
    return STATUS_SUCCESS;
}

NTSTATUS VxDispatchPower(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    VX_DEVICE_COMMON* device = deviceObject->DeviceExtension;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    if (stack->MinorFunction == IRP_MN_SET_POWER) {
        if (stack->Parameters.Power.Type == SystemPowerState) {
            DEVICE_POWER_STATE target =
                stack->Parameters.Power.State.SystemState == PowerSystemWorking ? PowerDeviceD0 : PowerDeviceD3;
            if (target != device->DevicePower) {
                POWER_STATE state;
                NTSTATUS status;
                state.DeviceState = target;
                IoMarkIrpPending(irp);
                device->SystemPowerIrp = irp;
                status = PoRequestPowerIrp(device->Pdo, IRP_MN_SET_POWER, state, VxDevicePowerDone, device, NULL);
                if (!NT_SUCCESS(status)) {
                    /* Without the device's request the system's goes down
                     * as it is. */
                    device->SystemPowerIrp = NULL;
                    PoStartNextPowerIrp(irp);
                    IoSkipCurrentIrpStackLocation(irp);
                    PoCallDriver(device->LowerDevice, irp);
                }
                return STATUS_PENDING;
            }
        } else if (stack->Parameters.Power.Type == DevicePowerState) {
            DEVICE_POWER_STATE target = stack->Parameters.Power.State.DeviceState;
            if (target == PowerDeviceD0) {
                IoCopyCurrentIrpStackLocationToNext(irp);
                IoSetCompletionRoutine(irp, VxPowerUpDone, device, TRUE, TRUE, TRUE);
                PoStartNextPowerIrp(irp);
                return PoCallDriver(device->LowerDevice, irp);
            }
            device->DevicePower = target;
        }
    }
    PoStartNextPowerIrp(irp);
    IoSkipCurrentIrpStackLocation(irp);
    return PoCallDriver(device->LowerDevice, irp);
}
