// A fake controller on the loopback interface: a TCP listener on 127.0.0.1
// and a port the system picks, which accepts the link's connections and
// reads and writes their bytes. Every wait is bounded.
#pragma once

#include <winsock2.h>

#include <string>

class LoopbackPeer {
public:
    // Listens with the given backlog; a receive buffer size above 0 is
    // set on the listener, and so on every accepted connection.
    explicit LoopbackPeer(int receiveBuffer = 0);
    ~LoopbackPeer();
    LoopbackPeer(const LoopbackPeer&) = delete;
    LoopbackPeer& operator=(const LoopbackPeer&) = delete;

    unsigned short Port() const { return m_port; }
    // Accepts the next connection; it becomes the current one. False when
    // none came within timeoutMs.
    bool Accept(DWORD timeoutMs = 5000);
    int AcceptedCount() const { return m_accepted; }
    // Sends all of bytes on the current connection.
    bool Send(const std::string& bytes);
    // Receives until count bytes came or timeoutMs passed.
    std::string Receive(std::size_t count, DWORD timeoutMs = 5000);
    // Receives until the link closes the connection (or timeoutMs passed).
    std::string ReceiveUntilClosed(DWORD timeoutMs = 5000);
    // Closes the current connection; with reset, abortively (RST).
    void Disconnect(bool reset = false);
    // Stops listening, so the port refuses connections.
    void StopListening();

private:
    SOCKET m_listener = INVALID_SOCKET;
    SOCKET m_connection = INVALID_SOCKET;
    unsigned short m_port = 0;
    int m_accepted = 0;
};
