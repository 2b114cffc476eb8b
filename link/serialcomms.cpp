#include "link/serialcomms.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "foundation/logfile.h"
#include "framework/clock.h"
#include "link/linkconnection.h"

namespace {

const DWORD kPortMutexMs = 500;
const int kRingSize = 2048;
const DWORD kDeviceQueue = 4096;
const DWORD kBufferThreadStopMs = 5000;

// The buffer thread's error codes.
enum {
    kNoError = 0,
    kPortNotOpen = 1,
    kOverflow = 2,
    kReadError = 3,
    kRingAddError = 5,
};

void SetSerialSettings(BYTE* block, std::uint32_t baud, int dataBits, int stopBits, int parity)
{
    SerialLinkData& settings = reinterpret_cast<CommLinkTypeData*>(block)->serial;
    settings.m_nBaudRate = baud;
    settings.m_nDataBits = static_cast<std::uint8_t>(dataBits);
    settings.m_nStopBits = stopBits;
    settings.m_nParity = parity;
}

bool SameSettings(const SerialLinkData& a, const SerialLinkData& b)
{
    return a.m_nBaudRate == b.m_nBaudRate && a.m_nDataBits == b.m_nDataBits && a.m_nStopBits == b.m_nStopBits &&
           a.m_nParity == b.m_nParity;
}

CString ExceptionText(CException* e)
{
    CString text = e->GetErrorText();
    e->Delete();
    return text;
}

} // namespace

int SerialPortNumber(LPCSTR portName)
{
    if (!portName || std::strlen(portName) <= 3 || _strnicmp(portName, "COM", 3) != 0)
        return -1;
    int number = 0;
    for (const char* p = portName + 3; *p; ++p) {
        if (!std::isdigit(static_cast<unsigned char>(*p)))
            return -1;
        number = number * 10 + (*p - '0');
        if (number > SERIAL_HIGHEST_PORT)
            return -1;
    }
    return number >= 1 ? number : -1;
}

BOOL BuildSerialState(DCB& dcb, const SerialLinkData& settings, BOOL handshake)
{
    switch (settings.m_nBaudRate) {
    case 1200: case 2400: case 4800: case 9600: case 19200: case 38400: case 115200:
        break;
    default:
        return FALSE;
    }
    if (settings.m_nParity < 0 || settings.m_nParity > 4 || (settings.m_nDataBits != 7 && settings.m_nDataBits != 8) ||
        settings.m_nStopBits < 0 || settings.m_nStopBits > 2)
        return FALSE;
    dcb.BaudRate = settings.m_nBaudRate;
    dcb.ByteSize = settings.m_nDataBits;
    dcb.StopBits = SerialStopBits(settings.m_nStopBits);
    dcb.Parity = SerialParity(settings.m_nParity);
    dcb.fBinary = TRUE;
    dcb.fParity = TRUE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = handshake ? TRUE : FALSE;
    dcb.fInX = handshake ? TRUE : FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = SERIAL_XON_LIMIT;
    dcb.XoffLim = SERIAL_XOFF_LIMIT;
    dcb.XonChar = static_cast<char>(SERIAL_XON);
    dcb.XoffChar = static_cast<char>(SERIAL_XOFF);
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    return TRUE;
}

const char* SerialErrorText(int error)
{
    static const char* const texts[] = {"No error",           "Port not open",     "Receive buffer overflow",
                                        "Read error",         "Write error",       "Rx buffer add error",
                                        "Rx buffer get error", "Tx buffer add error", "Tx buffer get error"};
    return error >= 0 && error < static_cast<int>(sizeof texts / sizeof texts[0]) ? texts[error] : "Unknown error";
}

CSerialComms::CSerialComms(const CCommPortData* record)
{
    SetSerialSettings(m_configSets[0], 9600, 7, LINK_STOP_BITS_2, LINK_PARITY_EVEN);
    SetSerialSettings(m_configSets[1], 38400, 8, LINK_STOP_BITS_1, LINK_PARITY_EVEN);
    SetSerialSettings(m_exclusiveData, 9600, 8, LINK_STOP_BITS_2, LINK_PARITY_NONE);
    m_nValidSets = 2;
    SetConfiguration(record);
}

CSerialComms::~CSerialComms()
{
    Close();
}

BOOL CSerialComms::SetConfiguration(const CCommPortData* record)
{
    if (m_bOpen)
        Close();
    m_nMode = LINK_MODE_RAW;
    if (record) {
        m_data = *record;
    } else {
        m_data.SetDefault();
        m_data.SetName(DEFAULT_SERIAL_PORT);
        m_data.m_nType = LINK_TYPE_SERIAL;
        std::memcpy(m_data.m_data.m_bytes, m_configSets[0], COMM_LINK_DATA_SIZE);
    }
    m_bHandshake = TRUE;
    return TRUE;
}

BOOL CSerialComms::SetData(const BYTE* data, BOOL handshake)
{
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = handshake;
    return ApplyConfiguration();
}

void CSerialComms::TakeSettings(const BYTE* data)
{
    const SerialLinkData& from = reinterpret_cast<const CommLinkTypeData*>(data)->serial;
    SerialLinkData& to = m_data.m_data.serial;
    to.m_nBaudRate = from.m_nBaudRate;
    to.m_nDataBits = from.m_nDataBits;
    to.m_nStopBits = from.m_nStopBits;
    to.m_nParity = from.m_nParity;
}

BOOL CSerialComms::SelectConfigSet(int index)
{
    TakeSettings(m_configSets[index == 1 ? 1 : 0]);
    m_bHandshake = TRUE;
    return ApplyConfiguration();
}

BOOL CSerialComms::ApplyConfiguration()
{
    CSingleLock lock(&m_portMutex);
    if (!lock.Lock(kPortMutexMs))
        return FALSE;
    try {
        DCB dcb = {};
        m_port.GetState(dcb);
        if (!BuildSerialState(dcb, m_data.m_data.serial, m_bHandshake))
            return FALSE;
        m_port.SetState(dcb);
        return TRUE;
    } catch (CException* e) {
        GlobalLogFormat(LOG_LINK, "State error: %s\n", static_cast<LPCSTR>(ExceptionText(e)));
        return FALSE;
    }
}

BOOL CSerialComms::Open(ILinkReceiver* connection)
{
    if (m_bOpen)
        Close();
    const int flow = m_bHandshake ? SERIAL_FLOW_XON_XOFF : SERIAL_FLOW_NONE;
    char portName[SERIAL_PORT_NAME_SIZE] = {};
    std::memcpy(portName, m_data.m_data.serial.m_szPort, SERIAL_PORT_NAME_SIZE - 1);
    const int port = SerialPortNumber(portName);

    BOOL opened = FALSE;
    CSingleLock lock(&m_portMutex);
    if (lock.Lock(kPortMutexMs)) {
        try {
            const SerialLinkData& s = m_data.m_data.serial;
            m_port.Open(port, s.m_nBaudRate, s.m_nParity, s.m_nDataBits, s.m_nStopBits, flow, FALSE);
            m_port.SetMask(EV_RXCHAR);
            m_port.Setup(kDeviceQueue, kDeviceQueue);
            m_port.Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
            // A read returns at once with what has arrived.
            COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 10, 1000};
            m_port.SetTimeouts(timeouts);
            if (ApplyConfiguration()) { // takes the port mutex again
                m_pConnection = connection;
                m_rxRing.Clear();
                m_bPortFailed = false;
                m_bBufferRun = true;
                m_pBufferThread =
                    AfxBeginThread(SerialBufferThread, this, THREAD_PRIORITY_HIGHEST, 0, CREATE_SUSPENDED);
                if (m_pBufferThread) {
                    m_pBufferThread->m_bAutoDelete = FALSE;
                    m_pBufferThread->ResumeThread();
                    opened = StartReceiveThread(connection, "Serial port read thread started",
                                                "Serial port read thread ended", THREAD_PRIORITY_ABOVE_NORMAL,
                                                SerialReadThread);
                }
                if (!opened)
                    StopBufferThread();
            } else {
                m_port.SetMask(0);
                m_port.Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
            }
        } catch (CException* e) {
            GlobalLogFormat(LOG_LINK, "Open error: %s\n", static_cast<LPCSTR>(ExceptionText(e)));
            opened = FALSE;
        }
    }
    if (lock.IsLocked())
        lock.Unlock();
    m_bOpen = opened;
    if (opened) {
        GlobalLogFormat(LOG_LINK, "%s opened", static_cast<LPCSTR>(GetName()));
    } else {
        CSingleLock closing(&m_portMutex);
        if (closing.Lock(kPortMutexMs)) {
            try {
                m_port.Close();
            } catch (CException* e) {
                e->Delete();
            }
        }
    }
    CComms::Open(connection);
    return m_bOpen;
}

void CSerialComms::StopBufferThread()
{
    m_bBufferRun = false;
    CWinThread* thread = m_pBufferThread;
    m_pBufferThread = nullptr;
    if (!thread)
        return;
    if (::WaitForSingleObject(thread->m_hThread, kBufferThreadStopMs) != WAIT_OBJECT_0) {
        // It reads with a zero time-out and waits 500 ms at most for the
        // port mutex, so this is a fault; leave the object rather than
        // free it under a running thread.
        GlobalLogLine("Serial buffer thread did not stop", LOG_STATUS_ERRORS);
        return;
    }
    delete thread;
}

BOOL CSerialComms::Close()
{
    if (m_bOpen) {
        StopBufferThread();
        StopReceiveThread();
        CSingleLock lock(&m_portMutex);
        try {
            if (lock.Lock(kPortMutexMs) && m_port.IsOpen()) {
                m_port.SetMask(0);
                m_port.Purge(PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
                m_port.Close();
            }
            GlobalLogFormat(LOG_LINK, "%s closed", static_cast<LPCSTR>(GetName()));
        } catch (CException* e) {
            GlobalLogFormat(LOG_LINK, "Close error: %s\n", static_cast<LPCSTR>(ExceptionText(e)));
            try {
                m_port.Close();
            } catch (CException* again) {
                again->Delete();
            }
        }
        m_bOpen = FALSE;
        m_nMode = LINK_MODE_RAW;
    }
    CComms::Close();
    return !m_bOpen;
}

BOOL CSerialComms::IsOpen()
{
    return m_bOpen;
}

BOOL CSerialComms::Write(int length, const BYTE* data)
{
    if (!m_bOpen || !data || length < 0)
        return FALSE;
    CLogFile& log = GetGlobalLog();
    log.LogData("Tx: ", data, length, LOG_LINK);
    log.LogData("TxStartWrite: ", data, length, LOG_LINK_WRITES);
    DWORD written = 0;
    try {
        CSingleLock lock(&m_portMutex);
        if (lock.Lock(kPortMutexMs))
            written = m_port.Write(data, static_cast<DWORD>(length));
    } catch (CException* e) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "Write error: %s", static_cast<LPCSTR>(ExceptionText(e)));
        // The port failed: nothing more goes out or comes in.
        ReportLinkLost();
        return FALSE;
    }
    BOOL result = TRUE;
    if (written == static_cast<DWORD>(length)) {
        GlobalLogFormat(LOG_RECEIVE_COUNTS, "TX: %lu bytes", static_cast<unsigned long>(written));
    } else {
        if (written > 0)
            GlobalLogFormat(LOG_RECEIVE_COUNTS, "Tx error: only %lu of %d bytes", static_cast<unsigned long>(written),
                            length);
        else
            GlobalLogLine("Tx error: 0 bytes", LOG_RECEIVE_COUNTS);
        AfxGetClock().SleepMs(10);
        result = FALSE;
    }
    log.LogData("TxEndWrite: ", data, length, LOG_LINK_WRITES);
    return result;
}

int CSerialComms::Read(BYTE* buffer, int maximum)
{
    if (!buffer || maximum < 1)
        return 0;
    // The receive thread comes back to its pause point rather than wait
    // long for the link mutex.
    CSingleLock lock(&m_linkMutex);
    if (!lock.Lock(RECEIVE_LOCK_WAIT_MS))
        return 0;
    const int count = m_rxRing.Read(buffer, maximum);
    // What arrived before the port failed is handed on first.
    if (count == 0 && m_bPortFailed)
        return READ_LINK_LOST;
    if (count > 0) {
        GlobalLogFormat(LOG_RECEIVE_COUNTS, "RX: %d chars", count);
        GetGlobalLog().LogData("Rx: ", buffer, count, LOG_LINK);
    }
    return count;
}

BOOL CSerialComms::SetExclusiveMode(BOOL on, ILinkReceiver* connection)
{
    if (on) {
        if (m_nMode == LINK_MODE_EXCLUSIVE)
            return TRUE;
        BYTE fast[COMM_LINK_DATA_SIZE];
        std::memcpy(fast, m_configSets[1], sizeof fast);
        ILinkConnectionState* state = LinkConnectionState(connection);
        const bool keep = SameSettings(m_data.m_data.serial, reinterpret_cast<CommLinkTypeData*>(fast)->serial) &&
                          state && state->HasFeature(FEATURE_FAST_EXCLUSIVE);
        std::memcpy(m_savedData, m_data.m_data.m_bytes, COMM_LINK_DATA_SIZE);
        m_bSavedHandshake = m_bHandshake;
        // The exclusive set names no port: keep the link's own.
        BYTE chosen[COMM_LINK_DATA_SIZE];
        std::memcpy(chosen, m_data.m_data.m_bytes, sizeof chosen);
        if (!keep) {
            const SerialLinkData& exclusive = reinterpret_cast<CommLinkTypeData*>(m_exclusiveData)->serial;
            SetSerialSettings(chosen, exclusive.m_nBaudRate, exclusive.m_nDataBits, exclusive.m_nStopBits,
                              exclusive.m_nParity);
        }
        SetData(chosen, FALSE);
        m_nMode = LINK_MODE_EXCLUSIVE;
        return TRUE;
    }
    if (m_nMode != LINK_MODE_EXCLUSIVE)
        return FALSE;
    BYTE saved[COMM_LINK_DATA_SIZE];
    std::memcpy(saved, m_savedData, sizeof saved);
    SetData(saved, m_bSavedHandshake);
    m_nMode = LINK_MODE_RAW;
    return TRUE;
}

UINT __cdecl CSerialComms::SerialReadThread(LPVOID param)
{
    return RunReceiveThread(param);
}

UINT __cdecl CSerialComms::SerialBufferThread(LPVOID param)
{
    static_cast<CSerialComms*>(param)->BufferLoop();
    return 0;
}

void CSerialComms::BufferLoop()
{
    BYTE buffer[kRingSize];
    while (m_bBufferRun) {
        ::Sleep(1);
        int room = m_rxRing.GetFree();
        if (room > kRingSize)
            room = kRingSize;
        if (room <= 0)
            continue;
        int error = kNoError;
        CString message;
        {
            CSingleLock lock(&m_portMutex);
            if (!lock.Lock(kPortMutexMs))
                continue;
            if (!m_port.IsOpen()) {
                error = kPortNotOpen;
            } else {
                try {
                    const DWORD count = m_port.Read(buffer, static_cast<DWORD>(room));
                    if (count > static_cast<DWORD>(room)) {
                        error = kOverflow;
                    } else if (count > 0) {
                        GetGlobalLog().LogData("Rx Read:", buffer, static_cast<int>(count), LOG_RAW_SERIAL);
                        if (!m_rxRing.Write(buffer, static_cast<int>(count)))
                            error = kRingAddError;
                    }
                } catch (CException* e) {
                    error = kReadError;
                    message = ExceptionText(e);
                }
            }
        }
        if (error != kNoError)
            ReportCommsError(error, message);
        if (error == kPortNotOpen || error == kReadError) {
            // A port that cannot be read will not come back by itself.
            m_bPortFailed = true;
            break;
        }
    }
}

void CSerialComms::ReportCommsError(int error, const CString& message)
{
    if (!LogWanted(LOG_STATUS_ERRORS))
        return;
    if (message.IsEmpty())
        GlobalLogFormat(LOG_STATUS_ERRORS, "Comms error - %s", SerialErrorText(error));
    else
        GlobalLogFormat(LOG_STATUS_ERRORS, "Comms error - %s %s", SerialErrorText(error),
                        static_cast<LPCSTR>(message));
}
