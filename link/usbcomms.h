// CUsbComms: the link to a controller on USB through the USB link driver.
// The driver's device is "\\.\Vexo-xxx\VQE" with xxx a three-digit
// instance number; the link opens the first instance from 000 to 999 that
// opens, on first use, and after any failure closes the device and looks
// again, so a controller unplugged and plugged in again is found without
// reopening the link. With no controller attached the instances are
// scanned at most once every 500 ms.
//
// After opening, the device is given configuration 1 (control 0x220014
// with the 4-byte value 1) and its port is reset (control 0x22001C). Reads
// take at most 64 bytes, as the driver hands them over.
#pragma once

#include "link/comms.h"
#include "link/deviceio.h"

const DWORD USB_CONTROL_SELECT_CONFIGURATION = 0x220014;
const DWORD USB_CONTROL_RESET_PORT = 0x22001C;
const int USB_READ_SIZE = 64;

// "\\.\Vexo-xxx\VQE" for an instance 0..999.
CString UsbDeviceName(int instance);

class CUsbComms : public CComms {
public:
    CUsbComms();
    ~CUsbComms() override;

    // Where the device is opened; the system's by default.
    void SetDeviceIo(IDeviceIo* io) { m_pIo = io ? io : &SystemDeviceIo(); }

    // Starts the receive thread; the device opens on first use. The open
    // flag.
    BOOL Open(ILinkReceiver* connection) override;
    // Raw mode (an open link stays open); the record given or "USB" with
    // device number 0; handshake 1.
    BOOL SetConfiguration(const CCommPortData* record) override;
    // The record becomes "USB", type 2; the data given with its handshake
    // flag, or saved set 0 with handshake 1.
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    BOOL IsOpen() override;
    // Opens the device when needed (then lets it settle 500 ms) and writes
    // the whole block; a failure closes the device.
    BOOL Write(int length, const BYTE* data) override;
    // Up to 64 bytes; a failure closes the device and gives 0.
    int Read(BYTE* buffer, int maximum) override;

private:
    // The receive thread's entry (the link base's receive loop).
    static UINT __cdecl UsbReadThread(LPVOID param);
    // Under the link mutex: the device, opened when needed; false when no
    // instance opens (or the last scan was under 500 ms ago).
    bool EnsureDevice(bool fromWrite);
    void CloseDevice();

    IDeviceIo* m_pIo;
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    bool m_bScanned = false;
    std::uint64_t m_nLastScanMs = 0;
};
