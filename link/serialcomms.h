// CSerialComms: the link over a PC serial port. A buffer thread at the
// highest priority pulls what arrives from the port into a 2048-byte ring;
// the link's receive thread reads the ring and delivers as every link does.
// The port mutex serialises the port between the buffer thread, writers,
// applying settings and closing; every wait on it is 500 ms.
//
// Settings: the normal set 9600,7,e,2 (saved set 0), the fast set
// 38400,8,e,1 (saved set 1) and the exclusive set 9600,8,n,2; with the
// handshake flag set the port uses XON/XOFF flow control (0x11/0x13,
// limits 100 and 100).
#pragma once

#include <windows.h>

#include <atomic>

#include "foundation/cyclicbuffer.h"
#include "link/comms.h"
#include "link/serialport.h"

// The highest port the serial link opens; the serial page offers COM1 to
// this one.
const int SERIAL_HIGHEST_PORT = 253;

// The port number in a port name "COM<n>" (any case, at least one digit,
// nothing after the digits): n for 1 to SERIAL_HIGHEST_PORT, else -1.
int SerialPortNumber(LPCSTR portName);

// Fills the port state from the serial settings and the handshake flag:
// FALSE, with the state left as it was, when the baud rate is not 1200,
// 2400, 4800, 9600, 19200, 38400 or 115200, the data bits not 7 or 8, the
// stop code not 0..2 or the parity code not 0..4.
BOOL BuildSerialState(DCB& dcb, const SerialLinkData& settings, BOOL handshake);

// Texts of the buffer thread's error codes ("No error" ... "Unknown error").
const char* SerialErrorText(int error);

class CSerialComms : public CComms {
public:
    // With the record given, or the default one ("COM1", saved set 0).
    explicit CSerialComms(const CCommPortData* record = nullptr);
    ~CSerialComms() override;

    BOOL Open(ILinkReceiver* connection) override;
    // Closes an open link; raw mode; the record given or the default one;
    // handshake 1.
    BOOL SetConfiguration(const CCommPortData* record) override;
    // Copies the data (or saved set 0) and the handshake flag, then applies
    // them to the port: the result of applying.
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    BOOL IsOpen() override;
    BOOL Write(int length, const BYTE* data) override;
    // At most maximum bytes from the receive ring.
    int Read(BYTE* buffer, int maximum) override;
    // On: the fast set stays when it is in force and the controller has
    // feature 26; otherwise the exclusive set, without handshake. Already
    // exclusive: TRUE, nothing changes. Off: the settings from before.
    BOOL SetExclusiveMode(BOOL on, ILinkReceiver* connection) override;
    // Saved set 1 for index 1, else saved set 0, with handshake 1, applied.
    // The port name stays.
    virtual BOOL SelectConfigSet(int index);

protected:
    // Applies the record's settings and the handshake flag to the open port.
    BOOL ApplyConfiguration();

    CSerialPort m_port;
    CMutex m_portMutex;

private:
    // The thread that moves what the port received into the ring Read
    // takes from, and the receive thread's entry.
    static UINT __cdecl SerialBufferThread(LPVOID param);
    static UINT __cdecl SerialReadThread(LPVOID param);
    void BufferLoop();
    void StopBufferThread();
    void ReportCommsError(int error, const CString& message);
    // The settings fields of data over the record's, keeping its port name.
    void TakeSettings(const BYTE* data);

    CCyclicCharBuffer m_rxRing{2048};
    CWinThread* m_pBufferThread = nullptr;
    std::atomic<bool> m_bBufferRun{false};
    // The buffer thread could not read the port (an error, or the port
    // gone): Read reports the link lost.
    std::atomic<bool> m_bPortFailed{false};
    ILinkReceiver* m_pConnection = nullptr;
};

// Feature the controller needs for the fast set to stay in exclusive mode.
const int FEATURE_FAST_EXCLUSIVE = 26;
