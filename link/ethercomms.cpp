#include "link/ethercomms.h"

#include <ws2tcpip.h>

#include <cstring>

#include "foundation/logfile.h"
#include "framework/clock.h"
#include "link/linkconnection.h"

namespace {

const int kSendAttempts = 40;
const DWORD kSendRetryMs = 50;
const DWORD kReadLockMs = 1000;
const long kReadWaitMicroseconds = 100;
const DWORD kReconnectLockMs = 10000;

void SetDefaultRecord(CCommPortData& record)
{
    record.SetLinkDefaults("ENet0", LINK_TYPE_ETHERNET);
}

} // namespace

bool ShouldReselectChannel(bool transactionActive, int receiveChannel, int modelWord45, int transmitChannel)
{
    const bool receiving = transactionActive || (receiveChannel >= FIRST_CHANNEL && receiveChannel <= 7);
    return receiving && modelWord45 < 190 && transmitChannel >= FIRST_CHANNEL && transmitChannel <= LAST_CHANNEL;
}

CEtherComms::CEtherComms()
{
    WSADATA data;
    m_bSocketsReady = ::WSAStartup(MAKEWORD(1, 1), &data) == 0;
    StoreDefaultConfigSet("ENet0", LINK_TYPE_ETHERNET);
}

CEtherComms::~CEtherComms()
{
    Close();
    if (m_bSocketsReady)
        ::WSACleanup();
}

BOOL CEtherComms::SetConfiguration(const CCommPortData* record)
{
    Close();
    m_nMode = LINK_MODE_RAW;
    if (record)
        m_data = *record;
    else
        SetDefaultRecord(m_data);
    m_bHandshake = FALSE;
    return TRUE;
}

BOOL CEtherComms::SetData(const BYTE* data, BOOL /*handshake*/)
{
    std::memcpy(m_data.m_data.m_bytes, data ? data : m_configSets[0], COMM_LINK_DATA_SIZE);
    m_bHandshake = FALSE;
    return TRUE;
}

bool CEtherComms::Connect()
{
    CloseSocket();
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return false;
    m_socket = s;

    char host[ETHERNET_ADDRESS_SIZE] = {};
    std::memcpy(host, m_data.m_data.ethernet.m_szAddress, ETHERNET_ADDRESS_SIZE - 1);
    const std::uint32_t port = m_data.m_data.ethernet.m_nPort;
    if (port == 0 || port > 65535) {
        GlobalLogFormat(LOG_STATUS_ERRORS, "Ethernet port %lu is out of range", static_cast<unsigned long>(port));
        return false;
    }
    const hostent* entry = ::gethostbyname(host);
    if (!entry || entry->h_addrtype != AF_INET || !entry->h_addr_list || !entry->h_addr_list[0])
        return false;

    u_long nonBlocking = 1;
    ::ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(static_cast<u_short>(port));
    std::memcpy(&address.sin_addr, entry->h_addr_list[0], sizeof address.sin_addr);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR &&
        ::WSAGetLastError() != WSAEWOULDBLOCK)
        return false;

    // Writable means connected; a refused connection shows in the error
    // set and fails at once instead of waiting out the time.
    fd_set writable, failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = {static_cast<long>(m_nConnectTimeoutMs / 1000), static_cast<long>(m_nConnectTimeoutMs % 1000) * 1000};
    const int ready = ::select(0, nullptr, &writable, &failed, &wait);
    return ready > 0 && FD_ISSET(s, &writable) && !FD_ISSET(s, &failed);
}

void CEtherComms::CloseSocket()
{
    const SOCKET s = m_socket.exchange(INVALID_SOCKET);
    if (s != INVALID_SOCKET)
        ::closesocket(s);
}

UINT __cdecl CEtherComms::EthernetReadThread(LPVOID param)
{
    return RunReceiveThread(param);
}

BOOL CEtherComms::Open(ILinkReceiver* connection)
{
    if (m_bOpen)
        Close();
    if (connection && Connect()) {
        m_pConnection = connection;
        m_bOpen = TRUE;
        if (StartReceiveThread(connection, "Ethernet read thread started", "Ethernet read thread ended",
                               THREAD_PRIORITY_HIGHEST, EthernetReadThread)) {
            GlobalLogFormat(LOG_LINK, "%s opened", static_cast<LPCSTR>(GetName()));
        } else {
            m_bOpen = FALSE;
        }
    }
    if (!m_bOpen)
        CloseSocket();
    CComms::Open(connection);
    return m_bOpen;
}

BOOL CEtherComms::Close()
{
    if (m_bOpen) {
        StopReceiveThread();
        m_bOpen = FALSE;
        GlobalLogFormat(LOG_LINK, "%s closed", static_cast<LPCSTR>(GetName()));
    }
    {
        CSingleLock lock(&m_linkMutex, TRUE);
        CloseSocket();
    }
    CComms::Close();
    return !m_bOpen;
}

BOOL CEtherComms::IsOpen()
{
    return m_bOpen;
}

BOOL CEtherComms::Write(int length, const BYTE* data)
{
    const SOCKET s = m_socket;
    if (!m_bOpen || s == INVALID_SOCKET || !data)
        return FALSE;
    if (length <= 0)
        return TRUE;
    CLogFile& log = GetGlobalLog();
    log.LogData("TxStartWrite: ", data, length, LOG_LINK_WRITES);
    log.LogData("Tx: ", data, length, LOG_LINK);

    int sent = 0;
    for (int attempt = 0; attempt < kSendAttempts && sent < length; ++attempt) {
        if (attempt > 0)
            AfxGetClock().SleepMs(kSendRetryMs);
        const int accepted = ::send(s, reinterpret_cast<const char*>(data) + sent, length - sent, 0);
        if (accepted > 0) {
            sent += accepted;
        } else if (accepted == SOCKET_ERROR && ::WSAGetLastError() != WSAEWOULDBLOCK) {
            // A reset or closed connection never takes the rest.
            GlobalLogFormat(LOG_STATUS_ERRORS, "Ethernet send failed, error %d", ::WSAGetLastError());
            break;
        }
    }
    if (sent >= length) {
        log.LogData("TxEndWrite: ", data, length, LOG_LINK_WRITES);
        return TRUE;
    }
    // The stream lost its place: start again on a fresh connection, under
    // the link mutex so the receive thread never reads a closed socket.
    {
        CSingleLock lock(&m_linkMutex);
        if (lock.Lock(kReconnectLockMs))
            Connect();
        else
            CloseSocket();
    }
    log.LogData("TxEndWrite (failed): ", data, length, LOG_LINK_WRITES);
    return FALSE;
}

int CEtherComms::Read(BYTE* buffer, int maximum)
{
    if (m_socket == INVALID_SOCKET) {
        GlobalLogLine("Invalid Rx socket", LOG_STATUS_ERRORS);
        return 0;
    }
    if (!buffer || maximum < 1)
        return 0;
    CSingleLock lock(&m_linkMutex);
    if (!lock.Lock(kReadLockMs)) {
        GlobalLogLine("Rx lock timed out", LOG_STATUS_ERRORS);
        return 0;
    }
    const SOCKET s = m_socket;
    if (!m_bOpen || s == INVALID_SOCKET)
        return 0;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval wait = {0, kReadWaitMicroseconds};
    int count = 0;
    if (::select(0, &readable, nullptr, nullptr, &wait) > 0 && FD_ISSET(s, &readable)) {
        count = ::recv(s, reinterpret_cast<char*>(buffer), maximum, 0);
        // Readable with nothing to read is the controller hanging up; an
        // error other than "try again" is a broken connection.
        if (count == 0 || (count < 0 && ::WSAGetLastError() != WSAEWOULDBLOCK)) {
            GlobalLogLine("Ethernet connection lost", LOG_STATUS_ERRORS);
            return READ_LINK_LOST;
        }
        if (count < 0)
            count = 0;
    }
    if (LogWanted(LOG_RECEIVE_COUNTS | LOG_EMPTY_READS)) {
        if (count != 0)
            GlobalLogFormat(LOG_RECEIVE_COUNTS, "RX: %d chars", count);
        else if (++m_nEmptyReads % 1024 == 0)
            GlobalLogFormat(LOG_EMPTY_READS, "RX: %lu x 0 chars", m_nEmptyReads);
    }
    if (count > 0)
        GetGlobalLog().LogData("Rx: ", buffer, count, LOG_LINK);
    return count;
}

void CEtherComms::AfterDelivery(int mode)
{
    if (mode != LINK_MODE_CHANNEL)
        return;
    ILinkConnectionState* state = LinkConnectionState(m_pConnection);
    if (!state)
        return;
    struct Context {
        CEtherComms* link;
        ILinkConnectionState* state;
    } context{this, state};
    // Decided and written under the connection's write lock: a write of
    // another thread selecting its channel in between would otherwise be
    // followed by this selection of the old one.
    state->WithTransmitChannel(
        [](int channel, void* param) {
            auto* c = static_cast<Context*>(param);
            if (!ShouldReselectChannel(c->state->IsTransactionActive(), c->state->GetReceiveChannel(),
                                       c->state->GetModelInfo().m_nWords176[0], channel))
                return;
            const BYTE select[2] = {ESC, static_cast<BYTE>('0' + channel)};
            c->link->Write(2, select);
        },
        &context);
}
