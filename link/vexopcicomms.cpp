#include "link/vexopcicomms.h"

#include <cstdio>
#include <cstring>

#include "foundation/logfile.h"

namespace {

// An operation the card has not finished in this time is cancelled.
const DWORD kTransferTimeoutMs = 10000;

void SetDefaultRecord(CCommPortData& record)
{
    record.SetLinkDefaults("PCI0", LINK_TYPE_PCI);
}

} // namespace

CString PciDeviceName(unsigned board)
{
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\VexoPCI-%03u\\VQE", board);
    return name;
}

CVexoPCIComms::CVexoPCIComms() : m_pIo(&SystemDeviceIo())
{
    StoreDefaultConfigSet("PCI0", LINK_TYPE_PCI);
}

CVexoPCIComms::~CVexoPCIComms()
{
    Close();
}

BOOL CVexoPCIComms::SetConfiguration(const CCommPortData* record)
{
    if (m_bOpen)
        Close();
    m_nMode = LINK_MODE_RAW;
    if (record)
        m_data = *record;
    else
        SetDefaultRecord(m_data);
    m_bHandshake = TRUE;
    return TRUE;
}

BOOL CVexoPCIComms::SetData(const BYTE* data, BOOL handshake)
{
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = handshake;
    return TRUE;
}

BOOL CVexoPCIComms::SelectConfigSet(int /*index*/)
{
    return SetData(nullptr, TRUE);
}

bool CVexoPCIComms::StillOpen(void* link)
{
    return static_cast<CVexoPCIComms*>(link)->m_bOpen;
}

UINT __cdecl CVexoPCIComms::PciReadThread(LPVOID param)
{
    return RunReceiveThread(param);
}

BOOL CVexoPCIComms::Open(ILinkReceiver* connection)
{
    if (m_bOpen)
        Close();
    const CString name = PciDeviceName(m_data.m_data.number.m_nNumber);
    m_hDevice = m_pIo->Open(name, TRUE);
    if (m_hDevice != INVALID_HANDLE_VALUE) {
        m_bOpen = TRUE; // reads run only while the link is open
        if (StartReceiveThread(connection, "PCI port read thread started", "PCI port read thread ended",
                               THREAD_PRIORITY_ABOVE_NORMAL, PciReadThread)) {
            GlobalLogFormat(LOG_LINK, "%s opened", static_cast<LPCSTR>(GetName()));
        } else {
            m_bOpen = FALSE;
            m_pIo->Close(m_hDevice);
            m_hDevice = INVALID_HANDLE_VALUE;
        }
    }
    CComms::Open(connection);
    return m_bOpen;
}

BOOL CVexoPCIComms::Close()
{
    if (m_bOpen) {
        m_bOpen = FALSE; // ends a read still waiting for the card
        StopReceiveThread();
        if (m_hDevice != INVALID_HANDLE_VALUE)
            m_pIo->Close(m_hDevice);
        m_hDevice = INVALID_HANDLE_VALUE;
        GlobalLogFormat(LOG_LINK, "%s closed", static_cast<LPCSTR>(GetName()));
        m_nMode = LINK_MODE_RAW;
    }
    CComms::Close();
    return !m_bOpen;
}

BOOL CVexoPCIComms::IsOpen()
{
    return m_bOpen;
}

BOOL CVexoPCIComms::Write(int length, const BYTE* data)
{
    if (!m_bOpen || !data || length < 0)
        return FALSE;
    CLogFile& log = GetGlobalLog();
    log.LogData("TxStartWrite: ", data, length, LOG_LINK_WRITES);
    log.LogData("Tx: ", data, length, LOG_LINK);
    DWORD written = 0;
    BOOL result = OverlappedWrite(*m_pIo, m_hDevice, data, static_cast<DWORD>(length), &written, &StillOpen, this,
                                  kTransferTimeoutMs);
    if (!result) {
        GlobalLogLine("TX: Could not write to port", LOG_LINK);
        // The card refused the call: the link is gone (a close meanwhile is
        // no loss).
        ReportLinkLost();
    } else if (written != static_cast<DWORD>(length)) {
        GlobalLogFormat(LOG_LINK, "Tx: %lu of %d bytes", static_cast<unsigned long>(written), length);
        result = FALSE;
    } else {
        GlobalLogFormat(LOG_RECEIVE_COUNTS, "TX: %lu bytes", static_cast<unsigned long>(written));
    }
    log.LogData("TxEndWrite: ", data, length, LOG_LINK_WRITES);
    return result;
}

int CVexoPCIComms::Read(BYTE* buffer, int maximum)
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
    DWORD count = 0;
    if (!OverlappedRead(*m_pIo, m_hDevice, buffer, static_cast<DWORD>(maximum), &count, &StillOpen, this,
                        kTransferTimeoutMs)) {
        // A failed read of an open card ends the link; one cut short by the
        // close is no loss.
        if (!m_bOpen)
            return 0;
        GlobalLogFormat(LOG_STATUS_ERRORS, "RX: read failed, error %lu", static_cast<unsigned long>(::GetLastError()));
        return READ_LINK_LOST;
    }
    if (count > static_cast<DWORD>(maximum))
        return 0;
    if (count > 0) {
        GlobalLogFormat(LOG_RECEIVE_COUNTS, "RX: %d chars", static_cast<int>(count));
        GetGlobalLog().LogData("Rx: ", buffer, static_cast<int>(count), LOG_LINK);
    } else if (++m_nEmptyReads % 1024 == 0) {
        GlobalLogFormat(LOG_EMPTY_READS, "RX: %lu x 0 chars", m_nEmptyReads);
    }
    return static_cast<int>(count);
}
