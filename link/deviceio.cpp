#include "link/deviceio.h"

#include <cstdint>

#include "framework/clock.h"

namespace {

const DWORD kPollMs = 100;

class CSystemDeviceIo : public IDeviceIo {
public:
    HANDLE Open(LPCSTR name, BOOL overlapped) override
    {
        return ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    }
    BOOL Close(HANDLE device) override { return ::CloseHandle(device); }
    BOOL Read(HANDLE device, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override
    {
        return ::ReadFile(device, buffer, count, done, overlapped);
    }
    BOOL Write(HANDLE device, const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override
    {
        return ::WriteFile(device, buffer, count, done, overlapped);
    }
    BOOL Control(HANDLE device, DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* returned) override
    {
        return ::DeviceIoControl(device, code, input, inputSize, output, outputSize, returned, nullptr);
    }
    BOOL GetResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done, BOOL wait) override
    {
        return ::GetOverlappedResult(device, overlapped, done, wait);
    }
    BOOL Cancel(HANDLE device) override { return ::CancelIo(device); }
};

} // namespace

IDeviceIo& SystemDeviceIo()
{
    static CSystemDeviceIo io;
    return io;
}

namespace {

enum class DeviceTransfer { Read, Write };

BOOL RunOverlapped(IDeviceIo& io, HANDLE device, DeviceTransfer kind, void* buffer, DWORD count, DWORD* done,
                   bool (*keepWaiting)(void* context), void* context, DWORD timeoutMs)
{
    DWORD moved = 0;
    OVERLAPPED overlapped = {};
    overlapped.hEvent = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!overlapped.hEvent) {
        *done = 0;
        return FALSE;
    }
    BOOL result = kind == DeviceTransfer::Read ? io.Read(device, buffer, count, &moved, &overlapped)
                                               : io.Write(device, buffer, count, &moved, &overlapped);
    if (!result && ::GetLastError() == ERROR_IO_PENDING) {
        IClock& clock = AfxGetClock();
        const std::uint64_t start = clock.NowMs();
        for (;;) {
            if (!keepWaiting(context) || clock.NowMs() - start >= timeoutMs) {
                io.Cancel(device);
                io.GetResult(device, &overlapped, &moved, TRUE);
                result = FALSE;
                break;
            }
            clock.SleepMs(kPollMs);
            moved = 0;
            result = io.GetResult(device, &overlapped, &moved, FALSE);
            if (result)
                break;
            const DWORD error = ::GetLastError();
            if (error != ERROR_IO_INCOMPLETE && error != ERROR_IO_PENDING)
                break;
        }
    }
    ::CloseHandle(overlapped.hEvent);
    *done = result ? moved : 0;
    return result;
}

} // namespace

BOOL OverlappedRead(IDeviceIo& io, HANDLE device, void* buffer, DWORD count, DWORD* done,
                    bool (*keepWaiting)(void* context), void* context, DWORD timeoutMs)
{
    return RunOverlapped(io, device, DeviceTransfer::Read, buffer, count, done, keepWaiting, context, timeoutMs);
}

BOOL OverlappedWrite(IDeviceIo& io, HANDLE device, const void* buffer, DWORD count, DWORD* done,
                     bool (*keepWaiting)(void* context), void* context, DWORD timeoutMs)
{
    // The device only reads the buffer of a write.
    return RunOverlapped(io, device, DeviceTransfer::Write, const_cast<void*>(buffer), count, done, keepWaiting,
                         context, timeoutMs);
}
