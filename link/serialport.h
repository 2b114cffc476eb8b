// CSerialPort: a thin wrapper of the platform's serial-port calls that
// reports every failure by throwing a CSerialException (thrown as a heap
// pointer, caught as CException* and freed with Delete, as every framework
// exception). Calls that change the port pause 25 ms after they succeed,
// giving the port's driver time to settle.
#pragma once

#include <windows.h>

#include "framework/exceptions.h"

class CSerialException : public CException {
    DECLARE_DYNAMIC(CSerialException)
public:
    explicit CSerialException(DWORD error = 0) : m_dwError(error) {}
    // The system's message text for the code (empty when it has none).
    BOOL GetErrorMessage(LPTSTR lpszError, UINT nMaxError, PUINT pnHelpContext = nullptr) const override;

    DWORD m_dwError;
};

[[noreturn]] void AfxThrowSerialException(DWORD error = 0);

// Flow control of CSerialPort::Open.
enum : int {
    SERIAL_FLOW_NONE = 0,
    SERIAL_FLOW_CTS_RTS = 1,
    SERIAL_FLOW_CTS_DTR = 2,
    SERIAL_FLOW_DSR_RTS = 3,
    SERIAL_FLOW_DSR_DTR = 4,
    SERIAL_FLOW_XON_XOFF = 5,
};

const BYTE SERIAL_XON = 0x11;
const BYTE SERIAL_XOFF = 0x13;
const WORD SERIAL_XON_LIMIT = 100;
const WORD SERIAL_XOFF_LIMIT = 100;

// The port's parity (NOPARITY ... SPACEPARITY) for a parity code 0..4 and
// its stop bits (ONESTOPBIT ... TWOSTOPBITS) for a stop code 0..2; none and
// one stop bit for codes outside.
BYTE SerialParity(int parityCode);
BYTE SerialStopBits(int stopCode);

class CSerialPort {
public:
    CSerialPort() = default;
    virtual ~CSerialPort();
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Closes first, then opens "\\.\COM<port>" (1..255) for reading and
    // writing, unshared, and sets baud, parity code (0..4), data bits,
    // stop code (0..2) and flow control.
    void Open(int port, DWORD baud, int parity, int dataBits, int stopBits, int flowControl, BOOL overlapped);
    void Close();
    BOOL IsOpen() const { return m_hComm != INVALID_HANDLE_VALUE; }

    // Synchronous; the bytes moved.
    DWORD Read(void* buffer, DWORD count);
    DWORD Write(const void* buffer, DWORD count);
    // Overlapped; a pending operation (ERROR_IO_PENDING) is no error. The
    // bytes moved so far go to *done.
    BOOL Read(void* buffer, DWORD count, OVERLAPPED& overlapped, DWORD* done);
    BOOL Write(const void* buffer, DWORD count, OVERLAPPED& overlapped, DWORD* done);

    void GetState(DCB& dcb);
    void SetState(DCB& dcb);
    void SetMask(DWORD mask);
    void Purge(DWORD flags);
    void Setup(DWORD inQueue, DWORD outQueue);
    void SetTimeouts(COMMTIMEOUTS& timeouts);

private:
    // Logs text and throws with code 6 (invalid handle) when closed.
    void RequireOpen(LPCSTR text) const;
    // Logs text and throws with the last error.
    [[noreturn]] void Fail(LPCSTR text) const;

    HANDLE m_hComm = INVALID_HANDLE_VALUE;
    HANDLE m_hEvent = nullptr;
};
