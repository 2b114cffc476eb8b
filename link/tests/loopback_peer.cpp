#include "loopback_peer.h"

#include <ws2tcpip.h>

namespace {

bool WaitReadable(SOCKET s, DWORD timeoutMs)
{
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    return ::select(0, &readable, nullptr, nullptr, &wait) > 0;
}

} // namespace

LoopbackPeer::LoopbackPeer(int receiveBuffer)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (receiveBuffer > 0)
        ::setsockopt(m_listener, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&receiveBuffer),
                     sizeof receiveBuffer);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::listen(m_listener, 4);
    int size = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ::ntohs(address.sin_port);
}

LoopbackPeer::~LoopbackPeer()
{
    Disconnect();
    StopListening();
    ::WSACleanup();
}

bool LoopbackPeer::Accept(DWORD timeoutMs)
{
    if (m_listener == INVALID_SOCKET || !WaitReadable(m_listener, timeoutMs))
        return false;
    const SOCKET s = ::accept(m_listener, nullptr, nullptr);
    if (s == INVALID_SOCKET)
        return false;
    Disconnect();
    m_connection = s;
    ++m_accepted;
    return true;
}

bool LoopbackPeer::Send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = ::send(m_connection, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

std::string LoopbackPeer::Receive(std::size_t count, DWORD timeoutMs)
{
    std::string got;
    const ULONGLONG start = ::GetTickCount64();
    char buffer[65536];
    while (got.size() < count) {
        const ULONGLONG spent = ::GetTickCount64() - start;
        if (spent >= timeoutMs || !WaitReadable(m_connection, static_cast<DWORD>(timeoutMs - spent)))
            break;
        const int want = static_cast<int>(std::min<std::size_t>(sizeof buffer, count - got.size()));
        const int n = ::recv(m_connection, buffer, want, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

std::string LoopbackPeer::ReceiveUntilClosed(DWORD timeoutMs)
{
    std::string got;
    const ULONGLONG start = ::GetTickCount64();
    char buffer[65536];
    for (;;) {
        const ULONGLONG spent = ::GetTickCount64() - start;
        if (spent >= timeoutMs || !WaitReadable(m_connection, static_cast<DWORD>(timeoutMs - spent)))
            break;
        const int n = ::recv(m_connection, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

void LoopbackPeer::Disconnect(bool reset)
{
    if (m_connection == INVALID_SOCKET)
        return;
    if (reset) {
        linger hard = {1, 0};
        ::setsockopt(m_connection, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard), sizeof hard);
    }
    ::closesocket(m_connection);
    m_connection = INVALID_SOCKET;
}

void LoopbackPeer::StopListening()
{
    if (m_listener != INVALID_SOCKET)
        ::closesocket(m_listener);
    m_listener = INVALID_SOCKET;
}
