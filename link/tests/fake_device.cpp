#include "fake_device.h"

#include <algorithm>
#include <cstring>

void FakeDevice::Plug(const std::string& name)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_present.insert(name);
}

void FakeDevice::Unplug()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_present.clear();
    m_live.clear();
}

void FakeDevice::Feed(const std::string& bytes)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_incoming.insert(m_incoming.end(), bytes.begin(), bytes.end());
}

void FakeDevice::SetWriteLimit(DWORD limit)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_writeLimit = limit;
}

void FakeDevice::FailNextWrite()
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_failNextWrite = true;
}

void FakeDevice::SetPendingPolls(int polls)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_pendingPolls = polls;
}

std::vector<std::string> FakeDevice::Opened() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_opened;
}

int FakeDevice::CountOpens(const std::string& name) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return static_cast<int>(std::count(m_opened.begin(), m_opened.end(), name));
}

bool FakeDevice::LastOpenWasOverlapped() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lastOverlapped;
}

std::vector<FakeDevice::ControlCall> FakeDevice::Controls() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_controls;
}

std::vector<DWORD> FakeDevice::ReadSizes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_readSizes;
}

std::string FakeDevice::Written() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_written;
}

int FakeDevice::Closes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_closes;
}

int FakeDevice::Cancels() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_cancels;
}

int FakeDevice::PendingStarts() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_pendingStarts;
}

bool FakeDevice::Live(HANDLE device) const
{
    return m_live.count(reinterpret_cast<std::uintptr_t>(device)) != 0;
}

HANDLE FakeDevice::Open(LPCSTR name, BOOL overlapped)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_opened.push_back(name);
    m_lastOverlapped = overlapped != FALSE;
    if (!m_present.count(name)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    const std::uintptr_t handle = m_nextHandle++;
    m_live.insert(handle);
    return reinterpret_cast<HANDLE>(handle);
}

BOOL FakeDevice::Close(HANDLE device)
{
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_closes;
    m_live.erase(reinterpret_cast<std::uintptr_t>(device));
    return TRUE;
}

DWORD FakeDevice::DoRead(void* buffer, DWORD count)
{
    m_readSizes.push_back(count);
    const DWORD n = std::min<DWORD>(count, static_cast<DWORD>(m_incoming.size()));
    std::copy(m_incoming.begin(), m_incoming.begin() + n, static_cast<char*>(buffer));
    m_incoming.erase(m_incoming.begin(), m_incoming.begin() + n);
    return n;
}

DWORD FakeDevice::DoWrite(const void* buffer, DWORD count)
{
    const DWORD n = m_writeLimit ? std::min(count, m_writeLimit) : count;
    m_written.append(static_cast<const char*>(buffer), n);
    return n;
}

BOOL FakeDevice::Read(HANDLE device, void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped)
{
    std::lock_guard<std::mutex> guard(m_lock);
    *done = 0;
    if (!Live(device)) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    if (overlapped && m_pendingPolls != 0) {
        m_pending = {true, true, false, buffer, count, m_pendingPolls};
        ++m_pendingStarts;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    *done = DoRead(buffer, count);
    return TRUE;
}

BOOL FakeDevice::Write(HANDLE device, const void* buffer, DWORD count, DWORD* done, OVERLAPPED* overlapped)
{
    std::lock_guard<std::mutex> guard(m_lock);
    *done = 0;
    if (!Live(device) || m_failNextWrite) {
        m_failNextWrite = false;
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    if (overlapped && m_pendingPolls != 0) {
        m_pending = {true, false, false, const_cast<void*>(buffer), count, m_pendingPolls};
        ++m_pendingStarts;
        SetLastError(ERROR_IO_PENDING);
        return FALSE;
    }
    *done = DoWrite(buffer, count);
    return TRUE;
}

BOOL FakeDevice::Control(HANDLE device, DWORD code, void* input, DWORD inputSize, void* /*output*/,
                         DWORD /*outputSize*/, DWORD* returned)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_controls.push_back({code, input ? std::string(static_cast<const char*>(input), inputSize) : std::string()});
    *returned = 0;
    return Live(device);
}

BOOL FakeDevice::GetResult(HANDLE /*device*/, OVERLAPPED* /*overlapped*/, DWORD* done, BOOL wait)
{
    std::lock_guard<std::mutex> guard(m_lock);
    *done = 0;
    if (!m_pending.active) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (m_pending.cancelled) {
        m_pending.active = false;
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    if (m_pending.pollsLeft < 0 || --m_pending.pollsLeft > 0) {
        if (wait) // nothing here would ever finish it
            SetLastError(ERROR_INVALID_PARAMETER);
        else
            SetLastError(ERROR_IO_INCOMPLETE);
        return FALSE;
    }
    m_pending.active = false;
    *done = m_pending.read ? DoRead(m_pending.buffer, m_pending.count) : DoWrite(m_pending.buffer, m_pending.count);
    return TRUE;
}

BOOL FakeDevice::Cancel(HANDLE /*device*/)
{
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_cancels;
    if (m_pending.active)
        m_pending.cancelled = true;
    return TRUE;
}
