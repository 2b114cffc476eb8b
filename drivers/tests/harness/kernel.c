/* The harness's kernel: the kernel functions the driver calls, built with
 * the kernel's headers (the harness build defines _NTOSKRNL_, _NTHALDLL_
 * and _NTSYSTEM_, so the driver's calls bind to these), the bus driver
 * below each card's device, and the test's requests. */
#include <ntddk.h>

#include <string.h>

#include "common/device.h"
#include "harness.h"
#include "host.h"

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath);

#define MAX_DEVICES 2200 /* the drivers' and the bus driver's */
#define MAX_LINKS 1100
#define NAME_CHARS 64

typedef struct DeviceRecord {
    PDEVICE_OBJECT device;
    WCHAR name[NAME_CHARS];
    int files;   /* open file objects */
    int deleted; /* deleted while files were open */
} DeviceRecord;

typedef struct LinkRecord {
    WCHAR link[NAME_CHARS];
    WCHAR target[NAME_CHARS];
} LinkRecord;

/* A request with room for its stack locations and the harness's notes. */
typedef struct Request {
    int completed;
    PREQUEST_POWER_COMPLETE powerDone;
    PVOID powerContext;
    POWER_STATE powerState;
    IRP irp;
    IO_STACK_LOCATION stack[4];
} Request;

static PDRIVER_OBJECT g_driver;
static PDRIVER_OBJECT g_busDriver;
static DeviceRecord g_devices[MAX_DEVICES];
static LinkRecord g_links[MAX_LINKS];
static char g_linkText[MAX_LINKS * 32];

struct vh_file {
    PFILE_OBJECT file;
    PDEVICE_OBJECT device;
};

/* A fault injected for function: its status. */
static int Fault(const char* function, NTSTATUS* status)
{
    int32_t injected;
    if (!host_fault(function, &injected))
        return 0;
    *status = injected;
    return 1;
}

static void CopyName(WCHAR* target, const UNICODE_STRING* name)
{
    USHORT n = name->Length / sizeof(WCHAR);
    if (n >= NAME_CHARS)
        n = NAME_CHARS - 1;
    memcpy(target, name->Buffer, n * sizeof(WCHAR));
    target[n] = 0;
}

static int SameName(const WCHAR* a, const WCHAR* b)
{
    for (;; ++a, ++b) {
        WCHAR x = *a >= 'a' && *a <= 'z' ? *a - 32 : *a;
        WCHAR y = *b >= 'a' && *b <= 'z' ? *b - 32 : *b;
        if (x != y)
            return 0;
        if (!x)
            return 1;
    }
}

static DeviceRecord* RecordOf(PDEVICE_OBJECT device)
{
    int i;
    for (i = 0; i < MAX_DEVICES; ++i)
        if (g_devices[i].device == device)
            return &g_devices[i];
    return NULL;
}

static void FreeDevice(PDEVICE_OBJECT device)
{
    DeviceRecord* record = RecordOf(device);
    if (record)
        memset(record, 0, sizeof *record);
    host_free(device);
}

/* Kernel functions. */

VOID NTAPI RtlInitUnicodeString(PUNICODE_STRING target, PCWSTR source)
{
    size_t n = 0;
    if (source)
        while (source[n])
            ++n;
    target->Buffer = (PWSTR)source;
    target->Length = (USHORT)(n * sizeof(WCHAR));
    target->MaximumLength = (USHORT)(source ? target->Length + sizeof(WCHAR) : 0);
}

BOOLEAN NTAPI RtlEqualUnicodeString(PCUNICODE_STRING a, PCUNICODE_STRING b, BOOLEAN caseInsensitive)
{
    USHORT i;
    if (a->Length != b->Length)
        return FALSE;
    for (i = 0; i < a->Length / sizeof(WCHAR); ++i) {
        WCHAR x = a->Buffer[i], y = b->Buffer[i];
        if (caseInsensitive) {
            x = x >= 'a' && x <= 'z' ? x - 32 : x;
            y = y >= 'a' && y <= 'z' ? y - 32 : y;
        }
        if (x != y)
            return FALSE;
    }
    return TRUE;
}

static NTSTATUS CreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, PUNICODE_STRING name, DEVICE_TYPE type,
                             ULONG characteristics, BOOLEAN exclusive, PDEVICE_OBJECT* created)
{
    PDEVICE_OBJECT device;
    int i;
    *created = NULL;
    if (name) {
        for (i = 0; i < MAX_DEVICES; ++i) {
            WCHAR text[NAME_CHARS];
            CopyName(text, name);
            if (g_devices[i].device && !g_devices[i].deleted && SameName(g_devices[i].name, text))
                return STATUS_OBJECT_NAME_COLLISION;
        }
    }
    for (i = 0; i < MAX_DEVICES && g_devices[i].device; ++i) {
    }
    if (i == MAX_DEVICES)
        return STATUS_INSUFFICIENT_RESOURCES;
    device = host_alloc(sizeof(DEVICE_OBJECT) + ((extensionSize + 15) & ~15u), "device");
    memset(device, 0, sizeof(DEVICE_OBJECT) + extensionSize);
    device->Type = IO_TYPE_DEVICE;
    device->Size = sizeof(DEVICE_OBJECT);
    device->DriverObject = driver;
    device->DeviceExtension = extensionSize ? (PVOID)(device + 1) : NULL;
    device->DeviceType = type;
    device->Characteristics = characteristics;
    device->Flags = DO_DEVICE_INITIALIZING | (exclusive ? DO_EXCLUSIVE : 0);
    device->StackSize = 1;
    g_devices[i].device = device;
    if (name)
        CopyName(g_devices[i].name, name);
    *created = device;
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI IoCreateDevice(PDRIVER_OBJECT driver, ULONG extensionSize, PUNICODE_STRING name, DEVICE_TYPE type,
                              ULONG characteristics, BOOLEAN exclusive, PDEVICE_OBJECT* created)
{
    NTSTATUS status;
    if (Fault("IoCreateDevice", &status)) {
        *created = NULL;
        return status;
    }
    return CreateDevice(driver, extensionSize, name, type, characteristics, exclusive, created);
}

VOID NTAPI IoDeleteDevice(PDEVICE_OBJECT device)
{
    DeviceRecord* record = RecordOf(device);
    if (!record || record->deleted) {
        host_violation("IoDeleteDevice of a device that is not live");
        return;
    }
    if (device->AttachedDevice)
        host_violation("IoDeleteDevice of a device with a device attached above it");
    if (record->files > 0) {
        /* Its memory stays until the last file closes. */
        record->deleted = 1;
        record->name[0] = 0;
        return;
    }
    FreeDevice(device);
}

NTSTATUS NTAPI IoCreateSymbolicLink(PUNICODE_STRING link, PUNICODE_STRING target)
{
    NTSTATUS status;
    int i, free = -1;
    WCHAR text[NAME_CHARS];
    if (Fault("IoCreateSymbolicLink", &status))
        return status;
    CopyName(text, link);
    for (i = 0; i < MAX_LINKS; ++i) {
        if (g_links[i].link[0] && SameName(g_links[i].link, text))
            return STATUS_OBJECT_NAME_COLLISION;
        if (!g_links[i].link[0] && free < 0)
            free = i;
    }
    if (free < 0)
        return STATUS_INSUFFICIENT_RESOURCES;
    CopyName(g_links[free].link, link);
    CopyName(g_links[free].target, target);
    return STATUS_SUCCESS;
}

NTSTATUS NTAPI IoDeleteSymbolicLink(PUNICODE_STRING link)
{
    int i;
    WCHAR text[NAME_CHARS];
    CopyName(text, link);
    for (i = 0; i < MAX_LINKS; ++i) {
        if (g_links[i].link[0] && SameName(g_links[i].link, text)) {
            memset(&g_links[i], 0, sizeof g_links[i]);
            return STATUS_SUCCESS;
        }
    }
    host_violation("IoDeleteSymbolicLink of a link that does not exist");
    return STATUS_OBJECT_NAME_NOT_FOUND;
}

PDEVICE_OBJECT NTAPI IoAttachDeviceToDeviceStack(PDEVICE_OBJECT source, PDEVICE_OBJECT target)
{
    NTSTATUS status;
    PDEVICE_OBJECT top = target;
    if (Fault("IoAttachDeviceToDeviceStack", &status))
        return NULL;
    while (top->AttachedDevice)
        top = top->AttachedDevice;
    top->AttachedDevice = source;
    source->StackSize = (CCHAR)(top->StackSize + 1);
    return top;
}

VOID NTAPI IoDetachDevice(PDEVICE_OBJECT target)
{
    if (!target->AttachedDevice)
        host_violation("IoDetachDevice with nothing attached");
    target->AttachedDevice = NULL;
}

PVOID NTAPI ExAllocatePoolWithTag(POOL_TYPE type, SIZE_T bytes, ULONG tag)
{
    NTSTATUS status;
    (void)type;
    (void)tag;
    if (Fault("ExAllocatePoolWithTag", &status))
        return NULL;
    return host_alloc(bytes, "pool");
}

VOID NTAPI ExFreePoolWithTag(PVOID block, ULONG tag)
{
    (void)tag;
    host_free(block);
}

PVOID NTAPI MmMapIoSpace(PHYSICAL_ADDRESS physical, SIZE_T bytes, MEMORY_CACHING_TYPE caching)
{
    NTSTATUS status;
    struct vh_card* card = host_card_at((uint64_t)physical.QuadPart);
    if (Fault("MmMapIoSpace", &status))
        return NULL;
    if (caching != MmNonCached)
        host_violation("card memory mapped cached");
    if (!card || bytes > host_card_bytes(card)) {
        host_violation("MmMapIoSpace of memory no card has");
        return NULL;
    }
    host_map(host_card_words(card), bytes, card);
    return host_card_words(card);
}

VOID NTAPI MmUnmapIoSpace(PVOID base, SIZE_T bytes)
{
    if (!host_unmap(base, bytes))
        host_violation("MmUnmapIoSpace of a range that is not mapped");
}

VOID NTAPI KeInitializeEvent(PRKEVENT event, EVENT_TYPE type, BOOLEAN state)
{
    event->Header.Type = (UCHAR)type;
    event->Header.SignalState = state;
}

LONG NTAPI KeSetEvent(PRKEVENT event, KPRIORITY increment, BOOLEAN wait)
{
    (void)increment;
    (void)wait;
    return InterlockedExchange(&event->Header.SignalState, 1);
}

NTSTATUS NTAPI KeWaitForSingleObject(PVOID object, KWAIT_REASON reason, KPROCESSOR_MODE mode, BOOLEAN alertable,
                                     PLARGE_INTEGER timeout)
{
    PRKEVENT event = object;
    const uint64_t start = host_real_ms();
    (void)reason;
    (void)mode;
    (void)alertable;
    (void)timeout;
    while (!event->Header.SignalState) {
        if (host_real_ms() - start > 20000) {
            host_violation("KeWaitForSingleObject never ended");
            return STATUS_TIMEOUT;
        }
        host_yield();
    }
    if (event->Header.Type == SynchronizationEvent)
        event->Header.SignalState = 0;
    return STATUS_SUCCESS;
}

static Request* RequestOf(PIRP irp)
{
    return CONTAINING_RECORD(irp, Request, irp);
}

static PIRP NewIrp(CCHAR stackSize)
{
    Request* request;
    if (stackSize > 4) {
        host_violation("a device stack deeper than the harness builds");
        stackSize = 4;
    }
    request = host_alloc(sizeof(Request), "irp");
    memset(request, 0, sizeof *request);
    request->irp.Type = IO_TYPE_IRP;
    request->irp.Size = (USHORT)IoSizeOfIrp(stackSize);
    request->irp.StackCount = stackSize;
    request->irp.CurrentLocation = (CHAR)(stackSize + 1);
    request->irp.Tail.Overlay.CurrentStackLocation = request->stack + stackSize;
    request->irp.IoStatus.Status = STATUS_NOT_SUPPORTED;
    return &request->irp;
}

static void FreeIrp(PIRP irp)
{
    host_free(RequestOf(irp));
}

NTSTATUS FASTCALL IofCallDriver(PDEVICE_OBJECT device, PIRP irp)
{
    PIO_STACK_LOCATION stack;
    if (irp->CurrentLocation <= 1) {
        host_violation("a request passed below the bottom of its stack");
        return STATUS_INVALID_PARAMETER;
    }
    IoSetNextIrpStackLocation(irp);
    stack = IoGetCurrentIrpStackLocation(irp);
    stack->DeviceObject = device;
    return device->DriverObject->MajorFunction[stack->MajorFunction](device, irp);
}

NTSTATUS NTAPI PoCallDriver(PDEVICE_OBJECT device, PIRP irp)
{
    return IofCallDriver(device, irp);
}

VOID NTAPI PoStartNextPowerIrp(PIRP irp)
{
    (void)irp;
}

VOID FASTCALL IofCompleteRequest(PIRP irp, CCHAR boost)
{
    Request* request = RequestOf(irp);
    (void)boost;
    if (request->completed) {
        host_violation("a request completed twice");
        return;
    }
    while (irp->CurrentLocation <= irp->StackCount) {
        PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
        PIO_COMPLETION_ROUTINE routine = stack->CompletionRoutine;
        PVOID context = stack->Context;
        UCHAR control = stack->Control;
        irp->PendingReturned = (control & SL_PENDING_RETURNED) != 0;
        stack->CompletionRoutine = NULL;
        stack->Control = 0;
        /* Up to the caller's location. */
        irp->CurrentLocation++;
        irp->Tail.Overlay.CurrentStackLocation++;
        if (routine && ((NT_SUCCESS(irp->IoStatus.Status) && (control & SL_INVOKE_ON_SUCCESS)) ||
                        (!NT_SUCCESS(irp->IoStatus.Status) && (control & SL_INVOKE_ON_ERROR)))) {
            PDEVICE_OBJECT device = irp->CurrentLocation <= irp->StackCount
                                        ? IoGetCurrentIrpStackLocation(irp)->DeviceObject
                                        : NULL;
            if (routine(device, irp, context) == STATUS_MORE_PROCESSING_REQUIRED)
                return;
        } else if (irp->PendingReturned && irp->CurrentLocation <= irp->StackCount) {
            IoMarkIrpPending(irp);
        }
    }
    request->completed = 1;
    if (request->powerDone) {
        request->powerDone(NULL, IRP_MN_SET_POWER, request->powerState, request->powerContext, &irp->IoStatus);
        FreeIrp(irp);
    }
}

static PDEVICE_OBJECT TopOf(PDEVICE_OBJECT device)
{
    while (device->AttachedDevice)
        device = device->AttachedDevice;
    return device;
}

NTSTATUS NTAPI PoRequestPowerIrp(PDEVICE_OBJECT device, UCHAR minor, POWER_STATE state,
                                 PREQUEST_POWER_COMPLETE done, PVOID context, PIRP* created)
{
    PDEVICE_OBJECT top = TopOf(device);
    PIRP irp = NewIrp(top->StackSize);
    Request* request = RequestOf(irp);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_POWER;
    next->MinorFunction = minor;
    next->Parameters.Power.Type = DevicePowerState;
    next->Parameters.Power.State = state;
    request->powerDone = done;
    request->powerContext = context;
    request->powerState = state;
    if (created)
        *created = irp;
    IofCallDriver(top, irp);
    return STATUS_PENDING;
}

/* The bus driver below every card's device. */

static struct vh_card* CardOf(PDEVICE_OBJECT pdo)
{
    return *(struct vh_card**)pdo->DeviceExtension;
}

static NTSTATUS NTAPI BusPnp(PDEVICE_OBJECT pdo, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    NTSTATUS status = STATUS_SUCCESS;
    char event[16];
    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
        host_card_bus_event(CardOf(pdo), "start");
        Fault("start", &status);
        break;
    case IRP_MN_STOP_DEVICE:
        host_card_bus_event(CardOf(pdo), "stop");
        break;
    case IRP_MN_REMOVE_DEVICE:
        host_card_bus_event(CardOf(pdo), "remove");
        break;
    case IRP_MN_SURPRISE_REMOVAL:
        host_card_bus_event(CardOf(pdo), "surprise");
        break;
    default:
        event[0] = 'p';
        event[1] = 'n';
        event[2] = 'p';
        event[3] = (char)('0' + stack->MinorFunction / 10);
        event[4] = (char)('0' + stack->MinorFunction % 10);
        event[5] = 0;
        host_card_bus_event(CardOf(pdo), event);
        status = irp->IoStatus.Status;
        break;
    }
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS NTAPI BusPower(PDEVICE_OBJECT pdo, PIRP irp)
{
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    char event[4] = {0};
    if (stack->MinorFunction == IRP_MN_SET_POWER) {
        if (stack->Parameters.Power.Type == DevicePowerState) {
            event[0] = 'D';
            event[1] = (char)('0' + stack->Parameters.Power.State.DeviceState - 1);
        } else {
            event[0] = 'S';
            event[1] = (char)('0' + stack->Parameters.Power.State.SystemState - 1);
        }
        host_card_bus_event(CardOf(pdo), event);
    }
    irp->IoStatus.Status = STATUS_SUCCESS;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_SUCCESS;
}

static NTSTATUS NTAPI NotServed(PDEVICE_OBJECT device, PIRP irp)
{
    (void)device;
    irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return STATUS_INVALID_DEVICE_REQUEST;
}

static PDRIVER_OBJECT NewDriverObject(void)
{
    PDRIVER_OBJECT driver = host_alloc(sizeof(DRIVER_OBJECT) + sizeof(DRIVER_EXTENSION), "driver");
    int i;
    memset(driver, 0, sizeof(DRIVER_OBJECT) + sizeof(DRIVER_EXTENSION));
    driver->DriverExtension = (PDRIVER_EXTENSION)(driver + 1);
    driver->DriverExtension->DriverObject = driver;
    for (i = 0; i <= IRP_MJ_MAXIMUM_FUNCTION; ++i)
        driver->MajorFunction[i] = NotServed;
    return driver;
}

static PDEVICE_OBJECT PdoOf(struct vh_card* card)
{
    PDEVICE_OBJECT pdo = host_card_pdo(card);
    if (!pdo) {
        if (!g_busDriver) {
            g_busDriver = NewDriverObject();
            g_busDriver->MajorFunction[IRP_MJ_PNP] = BusPnp;
            g_busDriver->MajorFunction[IRP_MJ_POWER] = BusPower;
        }
        CreateDevice(g_busDriver, sizeof(struct vh_card*), NULL, FILE_DEVICE_BUS_EXTENDER, 0, FALSE, &pdo);
        pdo->Flags &= ~DO_DEVICE_INITIALIZING;
        *(struct vh_card**)pdo->DeviceExtension = card;
        host_card_set_pdo(card, pdo);
    }
    return pdo;
}

void kernel_card_freed(struct vh_card* card)
{
    PDEVICE_OBJECT pdo = host_card_pdo(card);
    if (pdo) {
        if (pdo->AttachedDevice)
            host_violation("a card taken away with the driver's device still on it");
        FreeDevice(pdo);
        host_card_set_pdo(card, NULL);
    }
}

/* The test's side. */

int32_t vh_load(void)
{
    UNICODE_STRING path;
    g_driver = NewDriverObject();
    RtlInitUnicodeString(&path, L"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\VexoPCI");
    return DriverEntry(g_driver, &path);
}

void vh_unload(void)
{
    if (!g_driver)
        return;
    if (g_driver->DriverUnload)
        g_driver->DriverUnload(g_driver);
    host_free(g_driver);
    g_driver = NULL;
}

/* Sends a request to the top of a device's stack; checks that the driver
 * completed it in its dispatch routine (unless it said pending). */
static NTSTATUS Send(PDEVICE_OBJECT device, PIRP irp)
{
    NTSTATUS status = IofCallDriver(device, irp);
    if (status != STATUS_PENDING && !RequestOf(irp)->completed)
        host_violation("a request returned from its dispatch routine without being completed");
    if (RequestOf(irp)->completed && status != STATUS_PENDING && status != irp->IoStatus.Status)
        host_violation("a dispatch routine returned another status than it completed with");
    return RequestOf(irp)->completed ? irp->IoStatus.Status : status;
}

int32_t vh_add_device(struct vh_card* card)
{
    return g_driver->DriverExtension->AddDevice(g_driver, PdoOf(card));
}

static PIRP NewPnpIrp(struct vh_card* card, UCHAR minor, PDEVICE_OBJECT* top)
{
    PIRP irp;
    PIO_STACK_LOCATION next;
    *top = TopOf(PdoOf(card));
    irp = NewIrp((*top)->StackSize);
    next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_PNP;
    next->MinorFunction = minor;
    return irp;
}

int32_t vh_start(struct vh_card* card, uint32_t memoryBytes)
{
    PDEVICE_OBJECT top;
    PIRP irp = NewPnpIrp(card, IRP_MN_START_DEVICE, &top);
    const ULONG count = 3;
    const size_t size = sizeof(CM_RESOURCE_LIST) + (count - 1) * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR);
    PCM_RESOURCE_LIST raw = host_alloc(size, "pool");
    PCM_RESOURCE_LIST translated = host_alloc(size, "pool");
    PCM_PARTIAL_RESOURCE_DESCRIPTOR d;
    NTSTATUS status;
    memset(translated, 0, size);
    translated->Count = 1;
    translated->List[0].InterfaceType = PCIBus;
    translated->List[0].PartialResourceList.Version = 1;
    translated->List[0].PartialResourceList.Revision = 1;
    translated->List[0].PartialResourceList.Count = count;
    d = translated->List[0].PartialResourceList.PartialDescriptors;
    d[0].Type = CmResourceTypePort;
    d[0].ShareDisposition = CmResourceShareDeviceExclusive;
    d[0].Flags = CM_RESOURCE_PORT_IO;
    d[0].u.Port.Start.QuadPart = 0xE000;
    d[0].u.Port.Length = 0x80;
    d[1].Type = CmResourceTypeInterrupt;
    d[1].ShareDisposition = CmResourceShareShared;
    d[1].u.Interrupt.Level = 11;
    d[1].u.Interrupt.Vector = 0x3B;
    d[1].u.Interrupt.Affinity = 1;
    d[2].Type = CmResourceTypeMemory;
    d[2].ShareDisposition = CmResourceShareDeviceExclusive;
    d[2].Flags = CM_RESOURCE_MEMORY_READ_WRITE;
    d[2].u.Memory.Start.QuadPart = (LONGLONG)host_card_physical(card);
    d[2].u.Memory.Length = memoryBytes;
    /* The raw list differs: only the translated one is the processor's. */
    memcpy(raw, translated, size);
    d = raw->List[0].PartialResourceList.PartialDescriptors;
    d[2].u.Memory.Start.QuadPart = 0xBAD00000;
    IoGetNextIrpStackLocation(irp)->Parameters.StartDevice.AllocatedResources = raw;
    IoGetNextIrpStackLocation(irp)->Parameters.StartDevice.AllocatedResourcesTranslated = translated;
    status = Send(top, irp);
    host_free(raw);
    host_free(translated);
    FreeIrp(irp);
    return status;
}

int32_t vh_pnp(struct vh_card* card, uint8_t minorFunction)
{
    PDEVICE_OBJECT top;
    PIRP irp = NewPnpIrp(card, minorFunction, &top);
    NTSTATUS status = Send(top, irp);
    FreeIrp(irp);
    return status;
}

static int32_t SetPower(struct vh_card* card, POWER_STATE_TYPE type, POWER_STATE state)
{
    PDEVICE_OBJECT top = TopOf(PdoOf(card));
    PIRP irp = NewIrp(top->StackSize);
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    NTSTATUS status;
    next->MajorFunction = IRP_MJ_POWER;
    next->MinorFunction = IRP_MN_SET_POWER;
    next->Parameters.Power.Type = type;
    next->Parameters.Power.State = state;
    status = Send(top, irp);
    if (!RequestOf(irp)->completed)
        host_violation("a power request was never completed");
    FreeIrp(irp);
    return status;
}

int32_t vh_system_power(struct vh_card* card, int systemState)
{
    POWER_STATE state;
    state.SystemState = (SYSTEM_POWER_STATE)systemState;
    return SetPower(card, SystemPowerState, state);
}

int32_t vh_device_power(struct vh_card* card, int deviceState)
{
    POWER_STATE state;
    state.DeviceState = (DEVICE_POWER_STATE)deviceState;
    return SetPower(card, DevicePowerState, state);
}

int vh_device_power_state(struct vh_card* card)
{
    PDEVICE_OBJECT pdo = PdoOf(card);
    if (!pdo->AttachedDevice)
        return 0;
    return ((VX_DEVICE_COMMON*)pdo->AttachedDevice->DeviceExtension)->DevicePower;
}

vh_file* vh_open(const char* path, int32_t* status)
{
    WCHAR link[NAME_CHARS] = L"\\DosDevices\\";
    WCHAR rest[NAME_CHARS];
    size_t n = 12, r = 0;
    const char* p = path;
    PDEVICE_OBJECT device = NULL;
    DeviceRecord* record;
    PFILE_OBJECT file;
    PIRP irp;
    PIO_STACK_LOCATION next;
    vh_file* handle;
    int i;
    if (strncmp(p, "\\\\.\\", 4) == 0)
        p += 4;
    while (*p && *p != '\\' && n + 1 < NAME_CHARS)
        link[n++] = (WCHAR)*p++;
    link[n] = 0;
    while (*p && r + 1 < NAME_CHARS)
        rest[r++] = (WCHAR)*p++;
    rest[r] = 0;
    for (i = 0; i < MAX_LINKS && !device; ++i) {
        if (g_links[i].link[0] && SameName(g_links[i].link, link)) {
            int j;
            for (j = 0; j < MAX_DEVICES; ++j)
                if (g_devices[j].device && !g_devices[j].deleted && SameName(g_devices[j].name, g_links[i].target))
                    device = g_devices[j].device;
        }
    }
    if (!device) {
        *status = STATUS_OBJECT_NAME_NOT_FOUND;
        return NULL;
    }
    device = TopOf(device);
    file = host_alloc(sizeof(FILE_OBJECT), "file");
    memset(file, 0, sizeof *file);
    file->Type = IO_TYPE_FILE;
    file->DeviceObject = device;
    if (r) {
        file->FileName.Buffer = host_alloc(r * sizeof(WCHAR), "file name");
        memcpy(file->FileName.Buffer, rest, r * sizeof(WCHAR));
        file->FileName.Length = file->FileName.MaximumLength = (USHORT)(r * sizeof(WCHAR));
    }
    irp = NewIrp(device->StackSize);
    next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = IRP_MJ_CREATE;
    next->FileObject = file;
    *status = Send(device, irp);
    FreeIrp(irp);
    if (!NT_SUCCESS(*status)) {
        host_free(file->FileName.Buffer);
        host_free(file);
        return NULL;
    }
    record = RecordOf(device);
    if (record)
        ++record->files;
    handle = host_alloc(sizeof *handle, "handle");
    handle->file = file;
    handle->device = device;
    return handle;
}

static NTSTATUS SendOnFile(vh_file* handle, UCHAR major, PIRP irp)
{
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    next->MajorFunction = major;
    next->FileObject = handle->file;
    return Send(handle->device, irp);
}

static NTSTATUS Transfer(vh_file* handle, UCHAR major, void* data, uint32_t length, uint32_t* done)
{
    PIRP irp = NewIrp(handle->device->StackSize);
    void* buffer = host_alloc(length, "buffer");
    NTSTATUS status;
    if (major == IRP_MJ_WRITE) {
        memcpy(buffer, data, length);
        IoGetNextIrpStackLocation(irp)->Parameters.Write.Length = length;
    } else {
        memset(buffer, 0xCD, length);
        IoGetNextIrpStackLocation(irp)->Parameters.Read.Length = length;
    }
    irp->AssociatedIrp.SystemBuffer = buffer;
    status = SendOnFile(handle, major, irp);
    *done = (uint32_t)irp->IoStatus.Information;
    if (*done > length) {
        host_violation("a transfer reported more bytes than asked for");
        *done = length;
    }
    if (!NT_SUCCESS(status) && *done)
        host_violation("a failed request reported data");
    if (major == IRP_MJ_READ)
        memcpy(data, buffer, *done);
    host_free(buffer);
    FreeIrp(irp);
    return status;
}

int32_t vh_read(vh_file* handle, void* buffer, uint32_t length, uint32_t* done)
{
    return Transfer(handle, IRP_MJ_READ, buffer, length, done);
}

int32_t vh_write(vh_file* handle, const void* buffer, uint32_t length, uint32_t* done)
{
    return Transfer(handle, IRP_MJ_WRITE, (void*)buffer, length, done);
}

int32_t vh_ioctl(vh_file* handle, uint32_t code, const void* input, uint32_t inputLength, void* output,
                 uint32_t outputLength, uint32_t* returned)
{
    PIRP irp = NewIrp(handle->device->StackSize);
    const uint32_t size = inputLength > outputLength ? inputLength : outputLength;
    void* buffer = size ? host_alloc(size, "buffer") : NULL;
    PIO_STACK_LOCATION next = IoGetNextIrpStackLocation(irp);
    NTSTATUS status;
    if (inputLength)
        memcpy(buffer, input, inputLength);
    next->Parameters.DeviceIoControl.IoControlCode = code;
    next->Parameters.DeviceIoControl.InputBufferLength = inputLength;
    next->Parameters.DeviceIoControl.OutputBufferLength = outputLength;
    irp->AssociatedIrp.SystemBuffer = buffer;
    status = SendOnFile(handle, IRP_MJ_DEVICE_CONTROL, irp);
    *returned = (uint32_t)irp->IoStatus.Information;
    if (*returned > outputLength) {
        host_violation("a device control returned more bytes than its output holds");
        *returned = outputLength;
    }
    if (*returned)
        memcpy(output, buffer, *returned);
    host_free(buffer);
    FreeIrp(irp);
    return status;
}

int32_t vh_close(vh_file* handle)
{
    PIRP irp = NewIrp(handle->device->StackSize);
    DeviceRecord* record = RecordOf(handle->device);
    NTSTATUS status = SendOnFile(handle, IRP_MJ_CLOSE, irp);
    FreeIrp(irp);
    if (record && --record->files == 0 && record->deleted)
        FreeDevice(handle->device);
    host_free(handle->file->FileName.Buffer);
    host_free(handle->file);
    host_free(handle);
    return status;
}

int vh_live(const char* what)
{
    int i, count = 0;
    if (strcmp(what, "devices") == 0) {
        for (i = 0; i < MAX_DEVICES; ++i)
            if (g_devices[i].device && !g_devices[i].deleted && g_devices[i].device->DriverObject == g_driver)
                ++count;
        return count;
    }
    if (strcmp(what, "links") == 0) {
        for (i = 0; i < MAX_LINKS; ++i)
            if (g_links[i].link[0])
                ++count;
        return count;
    }
    if (strcmp(what, "mappings") == 0)
        return host_mappings();
    if (strcmp(what, "threads") == 0)
        return 0; /* the harness starts no system threads */
    return host_live(what);
}

const char* vh_links(void)
{
    size_t n = 0;
    int i;
    for (i = 0; i < MAX_LINKS; ++i) {
        const WCHAR* p;
        if (!g_links[i].link[0])
            continue;
        for (p = g_links[i].link; *p && n + 2 < sizeof g_linkText; ++p)
            g_linkText[n++] = (char)*p;
        g_linkText[n++] = ';';
    }
    g_linkText[n] = 0;
    return g_linkText;
}
