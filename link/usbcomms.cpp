#include "link/usbcomms.h"

#include <cstdio>
#include <cstring>

#include "foundation/logfile.h"
#include "framework/clock.h"

namespace {

const int kInstances = 1000;
const std::uint64_t kRescanMs = 500;
const DWORD kSettleAfterOpenMs = 500;

void SetDefaultRecord(CCommPortData& record)
{
    record.SetLinkDefaults("USB", LINK_TYPE_USB);
}

} // namespace

CString UsbDeviceName(int instance)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\Vexo-%03d\\VQE", instance);
    return name;
}

CUsbComms::CUsbComms() : m_pIo(&SystemDeviceIo())
{
    StoreDefaultConfigSet("USB", LINK_TYPE_USB);
}

CUsbComms::~CUsbComms()
{
    Close();
}

BOOL CUsbComms::SetConfiguration(const CCommPortData* record)
{
    m_nMode = LINK_MODE_RAW;
    if (record)
        m_data = *record;
    else
        SetDefaultRecord(m_data);
    m_bHandshake = TRUE;
    return TRUE;
}

BOOL CUsbComms::SetData(const BYTE* data, BOOL handshake)
{
    m_data.SetName("USB");
    m_data.m_nType = LINK_TYPE_USB;
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = data ? handshake : TRUE;
    return TRUE;
}

bool CUsbComms::EnsureDevice(bool fromWrite)
{
    if (m_hDevice != INVALID_HANDLE_VALUE)
        return true;
    // With nothing attached, a scan of the thousand names every pass would
    // keep the receive thread busy for nothing.
    const std::uint64_t now = AfxGetClock().NowMs();
    if (m_bScanned && now - m_nLastScanMs < kRescanMs)
        return false;
    m_bScanned = true;
    m_nLastScanMs = now;
    GlobalLogLine(fromWrite ? "@Tx: Invalid port so opening" : "@Rx: Invalid port so opening", LOG_LINK);
    CString name;
    for (int instance = 0; instance < kInstances && m_hDevice == INVALID_HANDLE_VALUE; ++instance) {
        name = UsbDeviceName(instance);
        m_hDevice = m_pIo->Open(name, FALSE);
    }
    if (m_hDevice == INVALID_HANDLE_VALUE) {
        GlobalLogLine("@Rx: Open port failed", LOG_LINK);
        return false;
    }
    m_bScanned = false;
    // Configuration 1, then a port reset; the driver reports nothing useful
    // back from either.
    DWORD configuration = 1;
    DWORD returned = 0;
    m_pIo->Control(m_hDevice, USB_CONTROL_SELECT_CONFIGURATION, &configuration, sizeof configuration, nullptr, 0,
                   &returned);
    m_pIo->Control(m_hDevice, USB_CONTROL_RESET_PORT, nullptr, 0, nullptr, 0, &returned);
    if (fromWrite)
        GlobalLogFormat(LOG_CONNECTION, "@Tx:Driver %s opened", static_cast<LPCSTR>(name));
    else
        GlobalLogFormat(LOG_LINK, "@Rx: Driver %s opened", static_cast<LPCSTR>(name));
    return true;
}

void CUsbComms::CloseDevice()
{
    if (m_hDevice != INVALID_HANDLE_VALUE)
        m_pIo->Close(m_hDevice);
    m_hDevice = INVALID_HANDLE_VALUE;
}

UINT __cdecl CUsbComms::UsbReadThread(LPVOID param)
{
    return RunReceiveThread(param);
}

BOOL CUsbComms::Open(ILinkReceiver* connection)
{
    if (m_bOpen)
        Close();
    m_bScanned = false;
    m_bOpen = TRUE; // the thread reads only while the link is open
    if (StartReceiveThread(connection, "USB read thread started", "USB read thread stopped",
                           THREAD_PRIORITY_ABOVE_NORMAL, UsbReadThread)) {
        GlobalLogFormat(LOG_LINK, "%s opened", static_cast<LPCSTR>(GetName()));
    } else {
        m_bOpen = FALSE;
    }
    CComms::Open(connection);
    return m_bOpen;
}

BOOL CUsbComms::Close()
{
    if (m_bOpen) {
        m_bOpen = FALSE;
        StopReceiveThread();
        {
            CSingleLock lock(&m_linkMutex, TRUE);
            CloseDevice();
        }
        GlobalLogFormat(LOG_LINK, "%s closed", static_cast<LPCSTR>(GetName()));
    }
    CComms::Close();
    return !m_bOpen;
}

BOOL CUsbComms::IsOpen()
{
    return m_bOpen;
}

BOOL CUsbComms::Write(int length, const BYTE* data)
{
    if (!data || length < 0)
        return FALSE;
    CSingleLock lock(&m_linkMutex, TRUE);
    if (!m_bOpen)
        return FALSE;
    const bool wasOpen = m_hDevice != INVALID_HANDLE_VALUE;
    if (!EnsureDevice(true)) {
        GlobalLogLine("@Tx: Could not open port", LOG_LINK);
        return FALSE;
    }
    if (!wasOpen)
        AfxGetClock().SleepMs(kSettleAfterOpenMs);
    DWORD written = 0;
    if (!m_pIo->Write(m_hDevice, data, static_cast<DWORD>(length), &written, nullptr) ||
        written != static_cast<DWORD>(length)) {
        GlobalLogLine("@Tx: Could not write to port", LOG_LINK);
        CloseDevice();
        // The controller is told the link is gone; the device is looked for
        // again on the next use. No lock is held while the receiver hears.
        lock.Unlock();
        ReportLinkLost();
        return FALSE;
    }
    GetGlobalLog().LogData("@Tx: ", data, length, LOG_LINK);
    return TRUE;
}

int CUsbComms::Read(BYTE* buffer, int maximum)
{
    if (!buffer || maximum < 1)
        return 0;
    // The receive thread comes back to its pause point rather than wait
    // long for the link mutex.
    CSingleLock lock(&m_linkMutex);
    if (!lock.Lock(RECEIVE_LOCK_WAIT_MS))
        return 0;
    if (!m_bOpen)
        return 0;
    if (!EnsureDevice(false))
        return 0;
    DWORD count = 0;
    const DWORD wanted = static_cast<DWORD>(maximum < USB_READ_SIZE ? maximum : USB_READ_SIZE);
    if (!m_pIo->Read(m_hDevice, buffer, wanted, &count, nullptr)) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "@Rx: Read port failed, Error 0x%08lx",
                        static_cast<unsigned long>(::GetLastError()));
        CloseDevice();
        // The receiver hears of the loss at once; the thread goes on looking
        // for the device, so a controller plugged in again is found.
        lock.Unlock();
        ReportLinkLost();
        return 0;
    }
    if (count > wanted) // the device may not hand over more than asked
        count = 0;
    if (count > 0)
        GetGlobalLog().LogData("@Rx: ", buffer, static_cast<int>(count), LOG_LINK);
    return static_cast<int>(count);
}
