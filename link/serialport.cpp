#include "link/serialport.h"

#include <cstdio>

#include "foundation/logline.h"
#include "framework/clock.h"

IMPLEMENT_DYNAMIC(CSerialException, CException)

namespace {

const DWORD kSettleMs = 25;

void Settle()
{
    AfxGetClock().SleepMs(kSettleMs);
}

} // namespace

BYTE SerialParity(int parityCode)
{
    static const BYTE parities[] = {NOPARITY, ODDPARITY, EVENPARITY, MARKPARITY, SPACEPARITY};
    return parityCode >= 0 && parityCode <= 4 ? parities[parityCode] : NOPARITY;
}

BYTE SerialStopBits(int stopCode)
{
    static const BYTE stops[] = {ONESTOPBIT, ONE5STOPBITS, TWOSTOPBITS};
    return stopCode >= 0 && stopCode <= 2 ? stops[stopCode] : ONESTOPBIT;
}

BOOL CSerialException::GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext) const
{
    char text[512] = {};
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                          m_dwError, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text,
                                          nullptr);
    // The system's texts end in a line break, which a log line does not want.
    DWORD end = length;
    while (end > 0 && (text[end - 1] == '\r' || text[end - 1] == '\n'))
        text[--end] = '\0';
    CopyErrorText(text, lpszError, nMaxError, pnHelpContext);
    return end > 0;
}

void AfxThrowSerialException(DWORD error)
{
    throw new CSerialException(error ? error : ::GetLastError());
}

CSerialPort::~CSerialPort()
{
    try {
        Close();
    } catch (CException* e) {
        e->Delete();
    }
}

void CSerialPort::RequireOpen(LPCSTR text) const
{
    if (IsOpen())
        return;
    GlobalLogLine(text, LOG_STATUS_ERRORS);
    AfxThrowSerialException(ERROR_INVALID_HANDLE);
}

void CSerialPort::Fail(LPCSTR text) const
{
    const DWORD error = ::GetLastError();
    GlobalLogLine(text, LOG_STATUS_ERRORS);
    AfxThrowSerialException(error ? error : ERROR_GEN_FAILURE);
}

void CSerialPort::Open(int port, DWORD baud, int parity, int dataBits, int stopBits, int flowControl,
                       BOOL overlapped)
{
    Close();
    if (port < 1 || port > 255) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "CSerialPort::Open: Invalid port number %d", port);
        AfxThrowSerialException(ERROR_INVALID_PARAMETER);
    }
    char name[16];
    std::snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    m_hComm = ::CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            overlapped ? FILE_FLAG_OVERLAPPED : 0, nullptr);
    if (m_hComm == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        GlobalLogFormat(LOG_STATUS_ERRORS, "Failed to open up the comms port:%s", name);
        AfxThrowSerialException(error);
    }
    m_hEvent = ::CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!m_hEvent) {
        const DWORD error = ::GetLastError();
        Close();
        GlobalLogLine("CSerialPort::Open, Failed in call to CreateEvent in Open", LOG_STATUS_ERRORS);
        AfxThrowSerialException(error);
    }

    DCB dcb = {};
    GetState(dcb);
    dcb.BaudRate = baud;
    dcb.Parity = SerialParity(parity);
    dcb.ByteSize = static_cast<BYTE>(dataBits);
    dcb.StopBits = SerialStopBits(stopBits);
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    switch (flowControl) {
    case SERIAL_FLOW_CTS_RTS:
        dcb.fOutxCtsFlow = TRUE;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        break;
    case SERIAL_FLOW_CTS_DTR:
        dcb.fOutxCtsFlow = TRUE;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        break;
    case SERIAL_FLOW_DSR_RTS:
        dcb.fOutxDsrFlow = TRUE;
        dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
        break;
    case SERIAL_FLOW_DSR_DTR:
        dcb.fOutxDsrFlow = TRUE;
        dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
        break;
    case SERIAL_FLOW_XON_XOFF:
        dcb.fOutX = TRUE;
        dcb.fInX = TRUE;
        dcb.XonChar = SERIAL_XON;
        dcb.XoffChar = SERIAL_XOFF;
        dcb.XonLim = SERIAL_XON_LIMIT;
        dcb.XoffLim = SERIAL_XOFF_LIMIT;
        break;
    default:
        break;
    }
    SetState(dcb);
}

void CSerialPort::Close()
{
    if (IsOpen()) {
        if (!::CloseHandle(m_hComm)) {
            GlobalLogFormat(LOG_STATUS_ERRORS, "Failed to close comms port, GetLastError:%lu\n",
                            static_cast<unsigned long>(::GetLastError()));
        } else {
            Settle();
        }
        m_hComm = INVALID_HANDLE_VALUE;
    }
    if (m_hEvent) {
        ::CloseHandle(m_hEvent);
        m_hEvent = nullptr;
    }
}

DWORD CSerialPort::Read(void* buffer, DWORD count)
{
    RequireOpen("Attempted write while comm port closed");
    DWORD done = 0;
    if (!::ReadFile(m_hComm, buffer, count, &done, nullptr))
        Fail("CSerialPort::Read: Failed in call to ReadFile");
    return done;
}

DWORD CSerialPort::Write(const void* buffer, DWORD count)
{
    RequireOpen("Attempted write while comm port closed");
    DWORD done = 0;
    if (!::WriteFile(m_hComm, buffer, count, &done, nullptr))
        Fail("CSerialPort::Write, Failed in call to WriteFile");
    return done;
}

BOOL CSerialPort::Read(void* buffer, DWORD count, OVERLAPPED& overlapped, DWORD* done)
{
    RequireOpen("Attempted write while comm port closed");
    DWORD moved = 0;
    const BOOL finished = ::ReadFile(m_hComm, buffer, count, &moved, &overlapped);
    if (!finished && ::GetLastError() != ERROR_IO_PENDING)
        Fail("CSerialPort::Read: Failed in call to ReadFile");
    if (done)
        *done = moved;
    return finished;
}

BOOL CSerialPort::Write(const void* buffer, DWORD count, OVERLAPPED& overlapped, DWORD* done)
{
    RequireOpen("Attempted write while comm port closed");
    DWORD moved = 0;
    const BOOL finished = ::WriteFile(m_hComm, buffer, count, &moved, &overlapped);
    if (!finished && ::GetLastError() != ERROR_IO_PENDING)
        Fail("CSerialPort::Write, Failed in call to WriteFile");
    if (done)
        *done = moved;
    return finished;
}

void CSerialPort::GetState(DCB& dcb)
{
    RequireOpen("Attempted get state while comm port closed");
    dcb.DCBlength = sizeof dcb;
    if (!::GetCommState(m_hComm, &dcb))
        Fail("Failed in call to GetCommState");
}

void CSerialPort::SetState(DCB& dcb)
{
    RequireOpen("Attempted set state while comm port closed");
    dcb.DCBlength = sizeof dcb;
    if (!::SetCommState(m_hComm, &dcb))
        Fail("Failed in call to SetCommState");
    Settle();
}

void CSerialPort::SetMask(DWORD mask)
{
    RequireOpen("Attempted set mask while comm port closed");
    if (!::SetCommMask(m_hComm, mask))
        Fail("Failed in call to SetCommMask");
    Settle();
}

void CSerialPort::Purge(DWORD flags)
{
    RequireOpen("Attempted pruge while comm port closed");
    if (!::PurgeComm(m_hComm, flags))
        Fail("Failed in call to PurgeComm");
    Settle();
}

void CSerialPort::Setup(DWORD inQueue, DWORD outQueue)
{
    RequireOpen("Attempted setup while comm port closed");
    if (!::SetupComm(m_hComm, inQueue, outQueue))
        Fail("Failed in call to SetupComm");
    Settle();
}

void CSerialPort::SetTimeouts(COMMTIMEOUTS& timeouts)
{
    RequireOpen("Attempted set timeouts while comm port closed");
    if (!::SetCommTimeouts(m_hComm, &timeouts))
        Fail("Failed in call to SetCommTimeouts");
    Settle();
}
