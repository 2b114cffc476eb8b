// A scripted device behind IDeviceIo, standing in for the USB and PCI
// drivers: which device names exist, the bytes the device hands over, how
// much of a write it takes, how long an overlapped operation stays
// pending, and unplugging. Records every open, control, read size and
// written byte. Safe from any thread.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "link/deviceio.h"

class FakeDevice : public IDeviceIo {
public:
    struct ControlCall {
        DWORD code;
        std::string input;
        bool operator==(const ControlCall& other) const { return code == other.code && input == other.input; }
    };

    // Makes a device name exist; Unplug makes every name vanish and every
    // open handle fail from then on.
    void Plug(const std::string& name);
    void Unplug();
    // Bytes the device will hand over to reads.
    void Feed(const std::string& bytes);
    // At most this many bytes of each write are taken (0: all).
    void SetWriteLimit(DWORD limit);
    void FailNextWrite();
    // Overlapped operations report pending and complete after this many
    // result polls; -1: never.
    void SetPendingPolls(int polls);

    std::vector<std::string> Opened() const;
    int CountOpens(const std::string& name) const;
    bool LastOpenWasOverlapped() const;
    std::vector<ControlCall> Controls() const;
    std::vector<DWORD> ReadSizes() const;
    std::string Written() const;
    int Closes() const;
    int Cancels() const;
    // Overlapped operations that went pending.
    int PendingStarts() const;

    // IDeviceIo.
    HANDLE Open(LPCSTR name, BOOL overlapped) override;
    BOOL Close(HANDLE device) override;
    BOOL Read(HANDLE device, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Write(HANDLE device, const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped) override;
    BOOL Control(HANDLE device, DWORD code, void* input, DWORD inputSize, void* output, DWORD outputSize,
                 DWORD* returned) override;
    BOOL GetResult(HANDLE device, OVERLAPPED* overlapped, DWORD* done, BOOL wait) override;
    BOOL Cancel(HANDLE device) override;

private:
    struct Pending {
        bool active = false;
        bool read = false;
        bool cancelled = false;
        void* buffer = nullptr;
        DWORD count = 0;
        int pollsLeft = 0;
    };

    // Under m_lock.
    bool Live(HANDLE device) const;
    DWORD DoRead(void* buffer, DWORD count);
    DWORD DoWrite(const void* buffer, DWORD count);

    mutable std::mutex m_lock;
    std::set<std::string> m_present;
    std::set<std::uintptr_t> m_live;
    std::uintptr_t m_nextHandle = 0x1000;
    std::deque<char> m_incoming;
    DWORD m_writeLimit = 0;
    bool m_failNextWrite = false;
    int m_pendingPolls = 0;
    Pending m_pending;
    std::vector<std::string> m_opened;
    bool m_lastOverlapped = false;
    std::vector<ControlCall> m_controls;
    std::vector<DWORD> m_readSizes;
    std::string m_written;
    int m_closes = 0;
    int m_cancels = 0;
    int m_pendingStarts = 0;
};
