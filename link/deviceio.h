// The device files of the system's own kernel drivers, as the USB and PCI
// links use them: open, read, write, device control and overlapped
// completion. SystemDeviceIo is the platform's; tests give the links a
// scripted device instead, since the drivers cannot be loaded everywhere.
//
// Results follow the platform's calls: FALSE with the reason in the
// thread's last error (ERROR_IO_PENDING for an overlapped operation still
// running).
#pragma once

#include <windows.h>

class IDeviceIo {
public:
    virtual ~IDeviceIo() = default;
    // Opens an existing device for reading and writing, unshared, with the
    // overlapped attribute when asked; INVALID_HANDLE_VALUE on failure.
    virtual HANDLE Open(LPCSTR name, BOOL overlapped) = 0;
    virtual BOOL Close(HANDLE device) = 0;
    // overlapped null: synchronous.
    virtual BOOL Read(HANDLE device, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Write(HANDLE device, const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) = 0;
    virtual BOOL Control(HANDLE device, DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                         DWORD* returned) = 0;
    // The result of an overlapped operation; with wait FALSE, FALSE and
    // ERROR_IO_INCOMPLETE while it still runs.
    virtual BOOL GetResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done, BOOL wait) = 0;
    // Cancels this thread's operations on the device.
    virtual BOOL Cancel(HANDLE device) = 0;
};

// CreateFile, ReadFile, WriteFile, DeviceIoControl, GetOverlappedResult,
// CancelIo.
IDeviceIo& SystemDeviceIo();

// One overlapped read or write run to its end: issued with an event of its
// own, then while it is pending its result is asked for every 100 ms (on
// the clock in use). keepWaiting is asked before each wait; once it says
// no, or after timeoutMs, the operation is cancelled and its end awaited,
// so the buffer is never left to the device. TRUE when it succeeded; the
// bytes moved go to *done.
BOOL OverlappedRead(IDeviceIo& io, HANDLE device, void* buffer, DWORD count, DWORD* done,
                    bool (*keepWaiting)(void* context), void* context, DWORD timeoutMs);
BOOL OverlappedWrite(IDeviceIo& io, HANDLE device, const void* buffer, DWORD count, DWORD* done,
                     bool (*keepWaiting)(void* context), void* context, DWORD timeoutMs);
