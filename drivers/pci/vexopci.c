/* VexoPCI.sys: the WDM adapter of the PCI controller-card driver. One
 * device per card, above the PCI bus driver's device; the card's shared
 * memory is mapped at start and served through the portable card code
 * (pci/card.h): the command line (\VQE), the second channel (\REMOTE) and
 * the VR, TABLE and IO device controls (\MEMORY). Every request completes
 * in its dispatch routine. */
#include "common/device.h"
#include "pci/card.h"

#define PREFIX "VexoPCI-"

enum { FILE_VQE = 1, FILE_REMOTE = 2, FILE_MEMORY = 3 };

typedef struct VEXOPCI_EXTENSION {
    VX_DEVICE_COMMON Common;
    volatile uint16_t VqeOpen;
    volatile uint16_t RemoteOpen;
    /* The card's memory as mapped at start. */
    PVOID MappedBase;
    SIZE_T MappedLength;
    vx_card Card;
} VEXOPCI_EXTENSION;

/* Driver-wide: the instance numbers of the live devices. */
static vx_instances g_instances;

DRIVER_INITIALIZE DriverEntry;
static DRIVER_ADD_DEVICE VexoAddDevice;
static DRIVER_UNLOAD VexoUnload;
static DRIVER_DISPATCH DDDispatch_Create;
static DRIVER_DISPATCH DDDispatch_Close;
static DRIVER_DISPATCH DDDispatch_Read;
static DRIVER_DISPATCH DDDispatch_Write;
static DRIVER_DISPATCH DDDispatch_DeviceControl;
static DRIVER_DISPATCH DDDispatch_PnP;

#define TRACE(ext, ...)                                                                                    \
    do {                                                                                                   \
        if ((ext)->Card.trace)                                                                             \
            vx_print(__VA_ARGS__);                                                                         \
    } while (0)

static int FileKind(PIO_STACK_LOCATION stack)
{
    return stack->FileObject ? (int)(ULONG_PTR)stack->FileObject->FsContext2 : 0;
}

static int NameIs(const UNICODE_STRING* name, PCWSTR text)
{
    UNICODE_STRING other;
    RtlInitUnicodeString(&other, text);
    return RtlEqualUnicodeString(name, &other, TRUE);
}

/* Marks a channel open unless it already is. */
static int ClaimChannel(volatile uint16_t* flag)
{
    uint16_t expected = 0;
    return __atomic_compare_exchange_n(flag, &expected, 1, 0, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
}

static NTSTATUS DDDispatch_Create(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
    vx_device_state* state = &ext->Common.State;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const UNICODE_STRING* name = stack->FileObject ? &stack->FileObject->FileName : NULL;
    NTSTATUS status = vx_request_enter(state);
    int kind = 0;
    if (!NT_SUCCESS(status) || state->removing || state->stop_pending || !state->started || !ext->Card.memory) {
        if (NT_SUCCESS(status))
            vx_request_leave(state);
        if (status != VX_STATUS_NO_SUCH_DEVICE) {
            TRACE(ext, PREFIX "DDDispatch_Create fails as we are closing down\n");
            status = STATUS_INVALID_DEVICE_STATE;
        }
        return VxComplete(irp, status, 0);
    }
    if (!name || name->Length == 0) {
        TRACE(ext, PREFIX "DDDispatch_Create fails as there is no file name\n");
        status = STATUS_NO_SUCH_DEVICE;
    } else if (NameIs(name, L"\\VQE")) {
        kind = FILE_VQE;
        status = ClaimChannel(&ext->VqeOpen) ? STATUS_SUCCESS : STATUS_DEVICE_BUSY;
    } else if (NameIs(name, L"\\REMOTE")) {
        kind = FILE_REMOTE;
        status = ClaimChannel(&ext->RemoteOpen) ? STATUS_SUCCESS : STATUS_DEVICE_BUSY;
    } else if (NameIs(name, L"\\MEMORY")) {
        kind = FILE_MEMORY;
    } else {
        status = STATUS_NO_SUCH_DEVICE;
    }
    if (NT_SUCCESS(status) && kind) {
        status = vx_card_open(&ext->Card, kind);
        if (NT_SUCCESS(status)) {
            stack->FileObject->FsContext2 = (PVOID)(ULONG_PTR)kind;
            __atomic_add_fetch(&state->open_files, 1, __ATOMIC_SEQ_CST);
        } else if (kind == FILE_VQE) {
            ext->VqeOpen = 0;
        } else if (kind == FILE_REMOTE) {
            ext->RemoteOpen = 0;
        }
    }
    vx_request_leave(state);
    return VxComplete(irp, status, 0);
}

static NTSTATUS DDDispatch_Close(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
    vx_device_state* state = &ext->Common.State;
    const int kind = FileKind(IoGetCurrentIrpStackLocation(irp));
    /* A card that has gone or been stopped is not touched. */
    if (NT_SUCCESS(vx_request_enter(state))) {
        if (ext->Card.memory)
            vx_card_close(&ext->Card, kind);
        vx_request_leave(state);
    }
    if (kind == FILE_VQE)
        ext->VqeOpen = 0;
    else if (kind == FILE_REMOTE)
        ext->RemoteOpen = 0;
    if (kind)
        __atomic_sub_fetch(&state->open_files, 1, __ATOMIC_SEQ_CST);
    return VxComplete(irp, STATUS_SUCCESS, 0);
}

static NTSTATUS Transfer(PDEVICE_OBJECT deviceObject, PIRP irp, int write)
{
    VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
    vx_device_state* state = &ext->Common.State;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG length = write ? stack->Parameters.Write.Length : stack->Parameters.Read.Length;
    uint8_t* buffer = irp->AssociatedIrp.SystemBuffer;
    uint32_t done = 0;
    NTSTATUS status = vx_request_enter(state);
    if (!NT_SUCCESS(status))
        return VxComplete(irp, status, 0);
    if (!ext->Card.memory) {
        TRACE(ext, write ? PREFIX "DDDispatch_Write fails because memory pointer not initialised\n"
                         : PREFIX "DDDispatch_Read fails because memory pointer not initialised\n");
        status = STATUS_INVALID_DEVICE_STATE;
    } else if (length && !buffer) {
        status = STATUS_INVALID_PARAMETER;
    } else {
        switch (FileKind(stack)) {
        case FILE_VQE:
            status = write ? vx_vqe_write(&ext->Card, buffer, length, &done)
                           : vx_vqe_read(&ext->Card, buffer, length, &done);
            break;
        case FILE_REMOTE:
            status = write ? vx_remote_write(&ext->Card, buffer, length, &done)
                           : vx_remote_read(&ext->Card, buffer, length, &done);
            break;
        case FILE_MEMORY:
            status = STATUS_NOT_SUPPORTED;
            break;
        default:
            status = STATUS_INVALID_DEVICE_STATE;
            break;
        }
    }
    if (!NT_SUCCESS(status))
        TRACE(ext, write ? "DDDispatch_Write failed with value %lx\n" : "DDDispatch_Read failed with value %lx\n",
              (unsigned long)status);
    vx_request_leave(state);
    return VxComplete(irp, status, done);
}

static NTSTATUS DDDispatch_Read(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    return Transfer(deviceObject, irp, 0);
}

static NTSTATUS DDDispatch_Write(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    return Transfer(deviceObject, irp, 1);
}

static NTSTATUS DDDispatch_DeviceControl(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
    vx_device_state* state = &ext->Common.State;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    uint8_t* buffer = irp->AssociatedIrp.SystemBuffer;
    const ULONG inputLength = buffer ? stack->Parameters.DeviceIoControl.InputBufferLength : 0;
    const ULONG outputLength = buffer ? stack->Parameters.DeviceIoControl.OutputBufferLength : 0;
    uint32_t returned = 0;
    NTSTATUS status = vx_request_enter(state);
    if (!NT_SUCCESS(status))
        return VxComplete(irp, status, 0);
    status = vx_card_control(&ext->Card, FileKind(stack) == FILE_MEMORY, stack->Parameters.DeviceIoControl.IoControlCode,
                             buffer, inputLength, buffer, outputLength, &returned);
    if (!NT_SUCCESS(status))
        TRACE(ext, "DDDispatch_DeviceControl failed with value %lx\n", (unsigned long)status);
    vx_request_leave(state);
    return VxComplete(irp, status, returned);
}

static const char* ResourceTypeName(UCHAR type)
{
    switch (type) {
    case CmResourceTypePort:
        return "Port";
    case CmResourceTypeInterrupt:
        return "Interrupt";
    case CmResourceTypeMemory:
        return "Memory";
    case CmResourceTypeDma:
        return "Dma";
    case CmResourceTypeDeviceSpecific:
        return "DeviceSpecific";
    case CmResourceTypeBusNumber:
        return "BusNumber";
    default:
        return "Other";
    }
}

/* Maps the card's memory from the translated resources: the first memory
 * range large enough to be the card's. Ports, interrupts and the rest are
 * only printed. */
static void MapCardMemory(VEXOPCI_EXTENSION* ext, PCM_RESOURCE_LIST list)
{
    PCM_FULL_RESOURCE_DESCRIPTOR full;
    ULONG i;
    if (!list)
        return;
    vx_print(PREFIX "List count %li\n", (long)list->Count);
    full = list->List;
    for (i = 0; i < list->Count; ++i) {
        PCM_PARTIAL_RESOURCE_LIST partials = &full->PartialResourceList;
        ULONG j;
        vx_print(PREFIX "Partial-Descriptors %li\n", (long)partials->Count);
        for (j = 0; j < partials->Count; ++j) {
            PCM_PARTIAL_RESOURCE_DESCRIPTOR d = &partials->PartialDescriptors[j];
            vx_print(PREFIX "Partial-Descriptor[%i].Type=%s\n", (int)j, ResourceTypeName(d->Type));
            vx_print(PREFIX "Partial-Descriptor[%i].ShareDisposition=%i; Flags=0x%x\n", (int)j,
                     (int)d->ShareDisposition, (unsigned)d->Flags);
            if (d->Type != CmResourceTypeMemory || ext->MappedBase)
                continue;
            if (d->u.Memory.Length < VX_CARD_MIN_MEMORY) {
                vx_print(PREFIX "Memory of 0x%lx bytes is too small for the card: not used\n",
                         (unsigned long)d->u.Memory.Length);
                continue;
            }
            ext->MappedBase = MmMapIoSpace(d->u.Memory.Start, d->u.Memory.Length, MmNonCached);
            if (ext->MappedBase) {
                ext->MappedLength = d->u.Memory.Length;
                vx_card_attach(&ext->Card, ext->MappedBase, ext->MappedLength);
                vx_print(PREFIX "DeviceExtension->MemoryBase=0x%lx\n", (unsigned long)(ULONG_PTR)ext->MappedBase);
            }
        }
        full = (PCM_FULL_RESOURCE_DESCRIPTOR)&partials->PartialDescriptors[partials->Count];
    }
}

static void UnmapCardMemory(VEXOPCI_EXTENSION* ext)
{
    vx_card_detach(&ext->Card);
    if (ext->MappedBase)
        MmUnmapIoSpace(ext->MappedBase, ext->MappedLength);
    ext->MappedBase = NULL;
    ext->MappedLength = 0;
}

static NTSTATUS DDDispatch_PnP(PDEVICE_OBJECT deviceObject, PIRP irp)
{
    VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
    vx_device_state* state = &ext->Common.State;
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status;
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        vx_print(PREFIX "IRP_MN_START_DEVICE\n");
        status = VxPassDownAndWait(&ext->Common, irp);
        if (NT_SUCCESS(status)) {
            MapCardMemory(ext, stack->Parameters.StartDevice.AllocatedResourcesTranslated);
            state->started = 1;
            vx_gate_open(state);
        }
        return VxComplete(irp, status, irp->IoStatus.Information);
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
    case IRP_MN_QUERY_STOP_DEVICE:
    case IRP_MN_CANCEL_STOP_DEVICE: {
        const UCHAR minor = stack->MinorFunction;
        vx_print(minor == IRP_MN_QUERY_REMOVE_DEVICE    ? PREFIX "IRP_MN_QUERY_REMOVE_DEVICE\n"
                 : minor == IRP_MN_CANCEL_REMOVE_DEVICE ? PREFIX "IRP_MN_CANCEL_REMOVE_DEVICE\n"
                 : minor == IRP_MN_QUERY_STOP_DEVICE    ? PREFIX "IRP_MN_QUERY_STOP_DEVICE\n"
                                                        : PREFIX "IRP_MN_CANCEL_STOP_DEVICE\n");
        if (vx_state_query(state,
                           minor == IRP_MN_QUERY_REMOVE_DEVICE || minor == IRP_MN_CANCEL_REMOVE_DEVICE
                               ? &state->removing
                               : &state->stop_pending,
                           minor == IRP_MN_QUERY_REMOVE_DEVICE || minor == IRP_MN_QUERY_STOP_DEVICE))
            irp->IoStatus.Status = STATUS_SUCCESS;
        return VxPassDown(&ext->Common, irp);
    }
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_SURPRISE_REMOVAL:
        vx_print(stack->MinorFunction == IRP_MN_STOP_DEVICE ? PREFIX "IRP_MN_STOP_DEVICE\n"
                                                            : PREFIX "IRP_MN_SURPRISE_REMOVAL\n");
        /* Requests inside finish with the card before it goes. */
        vx_gate_drain(state, STATUS_INVALID_DEVICE_STATE);
        UnmapCardMemory(ext);
        state->started = 0;
        state->stop_pending = 0;
        irp->IoStatus.Status = STATUS_SUCCESS;
        return VxPassDown(&ext->Common, irp);
    case IRP_MN_REMOVE_DEVICE:
        vx_print(PREFIX "IRP_MN_REMOVE_DEVICE\n");
        /* Handles still open get STATUS_NO_SUCH_DEVICE from now on. */
        vx_gate_drain(state, STATUS_NO_SUCH_DEVICE);
        vx_print(PREFIX "RemoveDevice\n");
        state->removing = 0;
        state->started = 0;
        UnmapCardMemory(ext);
        irp->IoStatus.Status = STATUS_SUCCESS;
        status = VxPassDown(&ext->Common, irp);
        VxDeleteNamedDevice(&ext->Common, &g_instances);
        return status;
    default:
        return VxPassDown(&ext->Common, irp);
    }
}

static NTSTATUS VexoAddDevice(PDRIVER_OBJECT driver, PDEVICE_OBJECT pdo)
{
    PDEVICE_OBJECT deviceObject;
    NTSTATUS status;
    vx_print(PREFIX "AddDevice\n");
    status = VxCreateNamedDevice(driver, pdo, &g_instances, L"VexoPCI-xxx", sizeof(VEXOPCI_EXTENSION), PREFIX,
                                 &deviceObject);
    if (NT_SUCCESS(status)) {
        VEXOPCI_EXTENSION* ext = deviceObject->DeviceExtension;
        vx_card_init(&ext->Card);
    }
    return status;
}

static VOID VexoUnload(PDRIVER_OBJECT driver)
{
    (void)driver;
    vx_print(PREFIX "Unload %s@%s\n", __DATE__, __TIME__);
}

NTSTATUS DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath)
{
    (void)registryPath;
    vx_print(PREFIX "DriverEntry %s@%s\n", __DATE__, __TIME__);
    vx_instances_init(&g_instances);
    driver->MajorFunction[IRP_MJ_CREATE] = DDDispatch_Create;
    driver->MajorFunction[IRP_MJ_CLOSE] = DDDispatch_Close;
    driver->MajorFunction[IRP_MJ_READ] = DDDispatch_Read;
    driver->MajorFunction[IRP_MJ_WRITE] = DDDispatch_Write;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DDDispatch_DeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DDDispatch_PnP;
    driver->MajorFunction[IRP_MJ_POWER] = VxDispatchPower;
    driver->DriverExtension->AddDevice = VexoAddDevice;
    driver->DriverUnload = VexoUnload;
    return STATUS_SUCCESS;
}
