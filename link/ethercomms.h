// CEtherComms: the link to a controller over TCP. The controller's command
// line listens on a TCP port of its own address (by default 192.168.0.250
// port 23). Connecting is non-blocking with a 5 s bound; the receive thread
// polls the socket; a send that cannot finish drops the connection and
// connects again at once.
//
// In channel mode the receive thread re-sends the connection's transmit
// channel after each block it delivered, so that the controller stays on
// it (see ShouldReselectChannel).
#pragma once

#include <winsock2.h>

#include <atomic>

#include "link/comms.h"

class CEtherComms : public CComms {
public:
    CEtherComms();
    ~CEtherComms() override;

    // Closes first when open. Opens only with a connection to deliver to
    // and a connected socket; starts the receive thread. The open flag.
    BOOL Open(ILinkReceiver* connection) override;
    // Closes the link; raw mode; the record given, or "ENet0" with the
    // default data; handshake 0.
    BOOL SetConfiguration(const CCommPortData* record) override;
    // The data given or saved set 0; the handshake flag is always 0.
    BOOL SetData(const BYTE* data, BOOL handshake) override;
    BOOL Close() override;
    BOOL IsOpen() override;
    // Sends every byte, trying up to 40 times 50 ms apart; bytes the socket
    // took are never sent again. When bytes are left the socket is
    // replaced by a fresh connection and the write fails.
    BOOL Write(int length, const BYTE* data) override;
    // Waits at most 100 microseconds for the socket, then receives up to
    // maximum bytes; READ_LINK_LOST when the controller hung up or the
    // connection broke.
    int Read(BYTE* buffer, int maximum) override;
    int GetTxBlockSize() override { return 256; }

    // How long a connection attempt may take (5000 ms).
    void SetConnectTimeout(DWORD timeoutMs) { m_nConnectTimeoutMs = timeoutMs; }

protected:
    void AfterDelivery(int mode) override;

private:
    // The receive thread's entry (the link base's receive loop).
    static UINT __cdecl EthernetReadThread(LPVOID param);
    // A fresh socket connected to the record's address and port.
    bool Connect();
    void CloseSocket();

    std::atomic<SOCKET> m_socket{INVALID_SOCKET};
    ILinkReceiver* m_pConnection = nullptr;
    bool m_bSocketsReady = false;
    unsigned long m_nEmptyReads = 0;
    DWORD m_nConnectTimeoutMs = 5000;
};

// Whether the receive thread re-sends the transmit channel after a block:
// a transaction is active or the connection receives on a channel from -1
// to 7; the controller's model row holds a value below 190 in its 45th
// word; and the last transmit channel is a channel (-1 to 9).
bool ShouldReselectChannel(bool transactionActive, int receiveChannel, int modelWord45, int transmitChannel);
