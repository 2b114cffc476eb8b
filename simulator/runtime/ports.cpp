#include "simulator/runtime/ports.h"

#include "simulator/runtime/channels.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/ring.h"
#include "simulator/runtime/scheduler.h"

namespace qcrt {

PortRecord g_PortRecords[kPortCount];

namespace {

bool FlowControlled(const PortRecord& p)
{
    return (p.flags & kPortFlowControl) != 0;
}

void RxPut(PortRecord& p, uint8_t c)
{
    RingPut(p.rxRing, p.rxRead, p.rxWrite, c);
}

// True when some channel of the port other than the open text's channel has
// output waiting behind that text.
bool OutputWaitingBehindText(int port, int textChannel)
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        const ChannelRecord& ch = g_ChannelRecords[channel];
        if (channel != textChannel && ch.port == port && OutputCount(channel) > 0)
            return true;
    }
    return false;
}

} // namespace

PortRecord* GetPortRecord(int port)
{
    if (port < 0 || port >= kPortCount)
        return nullptr;
    return &g_PortRecords[port];
}

void InitPort(int port, int mode)
{
    PortRecord* p = GetPortRecord(port);
    if (!p)
        return;
    p->flags |= kPortRxEnabled | kPortTxAllowed;
    if (port <= 1)
        p->flags |= kPortFlowControl | kPortSendXon;
    else
        p->flags &= ~(kPortFlowControl | kPortSendXon);
    p->flags &= ~kPortSendXoff;
    p->rxRead = p->rxWrite = p->txRead = p->txWrite = 0;
    p->escapeState = 0;
    p->rxRing = g_MemoryBase + kPortRingsOffset + 256 * port;
    p->txRing = p->rxRing + kRingSize;
    p->portLow = port & 1;
    p->portHigh = port >> 1;
    p->word11 = -1;
    p->word12 = 0;
    p->byte13 = 20;
    if (port == 0) {
        p->linkWords[0] = p->linkWords[1] = 0;
        p->rateWords[0] = p->rateWords[1] = 50;
        p->receive = GetPortRxChar;
        p->transmit = PutPortChar;
    }
    switch (mode) {
    case 4:
        p->type = 5;
        break;
    case 5:
        p->type = 3;
        p->flags &= ~kPortSendXon;
        break;
    case 6:
        p->type = 4;
        p->flags &= ~kPortSendXon;
        break;
    case 7:
        p->type = 7;
        break;
    default:
        break;
    }
}

void InitPorts()
{
    static const int32_t kFirstChannel[kPortCount] = {0, 1, 11};
    for (int port = 0; port < kPortCount; ++port) {
        PortRecord& p = g_PortRecords[port];
        p = PortRecord{};
        p.type = port == 0 ? kPortMultiplexed : kPortPlain;
        InitPort(port, 0);
        p.inputChannel = kFirstChannel[port];
        p.outputChannel = -1;
        p.textInProgress = 0;
        p.timeout = 50;
        p.textTimer = kTextTimeout;
    }
}

namespace {

int PortIndex(const PortRecord& p)
{
    return static_cast<int>(&p - g_PortRecords);
}

// Asks the peer to pause once: receiving is marked off and an XOFF waits
// for the next service.
void PauseReceivingIfFull(int port, PortRecord& p)
{
    bool framedLink = port == 0 && g_LinkProtocolMode == 3;
    if (FlowControlled(p) && !framedLink && (p.flags & kPortRxEnabled) && PortReceiveMustPause(p)) {
        p.flags &= ~kPortRxEnabled;
        p.flags |= kPortSendXoff;
    }
}

} // namespace

bool PortReceiveMustPause(const PortRecord& p)
{
    const int room = GetPortRxRoom(PortIndex(p));
    return room >= 0 ? room < kHostRoomPause : RingFree(p.rxRead, p.rxWrite) < 32;
}

bool PortReceiveMayResume(const PortRecord& p)
{
    const int room = GetPortRxRoom(PortIndex(p));
    return room >= 0 ? room >= kHostRoomResume : RingFree(p.rxRead, p.rxWrite) > 96;
}

void PortReceiveAll(int port)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->receive || !p->rxRing)
        return;
    // A byte is taken from the host only while the ring can hold what it may
    // turn into (an escaped byte becomes two); the rest waits in the host's
    // ring instead of being lost.
    while (GetPortRxCount(port) > 0 && RingFree(p->rxRead, p->rxWrite) >= 2) {
        uint8_t c;
        if (!p->receive(port, &c))
            break;
        PortReceiveByte(port, c);
    }
    // The host's queue fills behind a full ring without a byte taken here.
    PauseReceivingIfFull(port, *p);
}

void PortReceiveByte(int port, uint8_t c)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->rxRing)
        return;
    if (!FlowControlled(*p)) {
        RxPut(*p, c);
    } else if (p->escapeState == 0) {
        if (c == kXon)
            p->flags |= kPortTxAllowed;
        else if (c == kXoff)
            p->flags &= ~kPortTxAllowed;
        else if (c == kEsc)
            p->escapeState = 1;
        else
            RxPut(*p, c);
    } else {
        p->escapeState = 0;
        if (c == 1) {
            RxPut(*p, kXon);
        } else if (c == 2) {
            RxPut(*p, kXoff);
        } else if (c == '0' || (c >= '5' && c <= ';') || (c != kEsc && g_LinkProtocolMode == 0)) {
            // Channel selections (and, in the plain link mode, every escape)
            // reach the channel layer with their ESC.
            RxPut(*p, kEsc);
            RxPut(*p, c);
        } else {
            RxPut(*p, c);
        }
    }
    PauseReceivingIfFull(port, *p);
}

void PortTransmit(int port)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->txRing)
        return;
    bool flow = FlowControlled(*p);
    if (flow && ((p->flags & (kPortSendXon | kPortSendXoff)) || !(p->flags & kPortTxAllowed)))
        return;
    // Bytes leave the ring only once the host has taken them: a refused
    // write leaves them for the next service to send again.
    uint8_t buffer[2 * kRingSize];
    for (;;) {
        int length = 0;
        int32_t read = p->txRead;
        uint8_t c;
        while (length < kRingSize && RingGet(p->txRing, read, p->txWrite, c)) {
            if (flow && (c == kXon || c == kXoff)) {
                buffer[length++] = kEsc;
                buffer[length++] = c == kXon ? 1 : 2;
            } else {
                buffer[length++] = c;
            }
        }
        if (length == 0)
            return;
        // Without a host there is no link to send on at all.
        if (GetRuntimeHost() && WritePort(port, buffer, length) <= 0)
            return;
        p->txRead = read;
    }
}

void PortService()
{
    PortReceiveAll(0);

    // An output text of channel 8 or 9 that has held the port for too long
    // while other channels wait is closed with a DC2.
    PortRecord& link = g_PortRecords[0];
    if ((link.outputChannel == 8 || link.outputChannel == 9) && link.textTimer <= 0) {
        TryPutOutputRing(link.outputChannel, kDc2);
        link.textTimer = kTextTimeout;
    }

    for (int port = 0; port < kPortCount; ++port) {
        PortRecord& p = g_PortRecords[port];
        if (!FlowControlled(p))
            continue;
        if (p.flags & kPortSendXon) {
            p.flags &= ~kPortSendXon;
            PutPortChar(port, kXon);
        } else if (p.flags & kPortSendXoff) {
            p.flags &= ~kPortSendXoff;
            PutPortChar(port, kXoff);
        }
    }

    PortTransmit(0);
}

void TickPortTimers()
{
    PortRecord& link = g_PortRecords[0];
    if (link.outputChannel > 7 && link.textTimer > 0 && OutputWaitingBehindText(0, link.outputChannel))
        --link.textTimer;
}

int PortRxCount(int port)
{
    PortRecord* p = GetPortRecord(port);
    return p ? RingCount(p->rxRead, p->rxWrite) : 0;
}

int PortTxCount(int port)
{
    PortRecord* p = GetPortRecord(port);
    return p ? RingCount(p->txRead, p->txWrite) : 0;
}

} // namespace qcrt
