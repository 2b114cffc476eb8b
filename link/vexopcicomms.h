// CVexoPCIComms: the link to a controller card in the PC through the PCI
// card driver, whose device for board n is "\\.\VexoPCI-<nnn>\VQE". Reads
// and writes are overlapped; one still pending is asked for its result
// every 100 ms. Bulk writes are cut to 16 bytes.
#pragma once

#include "link/comms.h"
#include "link/deviceio.h"

// "\\.\VexoPCI-%03d\VQE" for the board number.
CString PciDeviceName(unsigned board);

class CVexoPCIComms : public CComms {
public:
    CVexoPCIComms();
    ~CVexoPCIComms() override;

    // Where the device is opened; the system's by default.
    void SetDeviceIo(IDeviceIo* io) { m_pIo = io ? io : &SystemDeviceIo(); }

    // Opens the board's device and starts the receive thread; the open
    // flag.
    BOOL Open(ILinkReceiver* connection) override;
    // Closes an open link; raw mode; the record given or "PCI0" with board
    // 0; handshake 1.
    BOOL SetConfiguration(const CCommPortData* record) override;
    // Copies the data given, or saved set 0; nothing reaches the device.
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    BOOL IsOpen() override;
    // FALSE unless the device took every byte.
    BOOL Write(int length, const BYTE* data) override;
    int Read(BYTE* buffer, int maximum) override;
    int GetTxBlockSize() override { return 16; }
    // Saved set 0 with handshake 1.
    virtual BOOL SelectConfigSet(int index);

private:
    // The receive thread's entry (the link base's receive loop).
    static UINT __cdecl PciReadThread(LPVOID param);
    static bool StillOpen(void* link);

    IDeviceIo* m_pIo;
    HANDLE m_hDevice = INVALID_HANDLE_VALUE;
    unsigned long m_nEmptyReads = 0;
};
