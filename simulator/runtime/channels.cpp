#include "simulator/runtime/channels.h"

#include <atomic>

#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/ring.h"
#include "simulator/runtime/scheduler.h"

namespace qcrt {

ChannelRecord g_ChannelRecords[kChannelCount];
uint8_t g_KeypadTable[256];

namespace {

std::atomic<CommandChannelService> g_CommandService{nullptr};
std::atomic<bool> g_CommandServiceActive{false};
std::atomic<ModbusService> g_ModbusService{nullptr};

// The runtime's one terminal decoder.
struct TerminalDecoder {
    int state = 0;
    int32_t parameters[10] = {};
    int count = 0;
    int digitSeen = 0;
};
TerminalDecoder g_Decoder;

constexpr int kBytesPerCall = 16; // bytes a service moves per call

const struct KeypadIdentity {
    KeypadIdentity()
    {
        for (int n = 0; n < 256; ++n)
            g_KeypadTable[n] = static_cast<uint8_t>(n);
    }
} g_KeypadInit;

bool IsChannelDigit(uint8_t c)
{
    return c == '0' || (c >= '5' && c <= '9');
}

bool IsTextChannel(int channel)
{
    return channel == 8 || channel == 9;
}

// The channel record a process reads from, or null.
ChannelRecord* InputChannelOf(int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    return record ? GetChannelRecord(MapChannel(record->inputChannel)) : nullptr;
}

bool InputPut(ChannelRecord& ch, uint8_t c)
{
    return RingPut(ch.inRing, ch.inRead, ch.inWrite, c);
}

int InputFree(const ChannelRecord& ch)
{
    return RingFree(ch.inRead, ch.inWrite);
}

// After taking a byte from a flow-controlled port that had asked its peer to
// pause: once there is room again (in the host's queue, where it keeps one,
// else in the receive ring), the next service sends XON.
void ResumeReceiving(PortRecord& p)
{
    if ((p.flags & kPortFlowControl) && !(p.flags & kPortRxEnabled) && PortReceiveMayResume(p))
        p.flags |= kPortSendXon | kPortRxEnabled;
}

void ReceiveMultiplexed(PortRecord& p)
{
    for (int n = 0; n < kBytesPerCall; ++n) {
        uint8_t c;
        if (!RingPeek(p.rxRing, p.rxRead, p.rxWrite, c))
            break;
        ChannelRecord* current = GetChannelRecord(p.inputChannel);
        if (!current) {
            p.inputChannel = 0;
            current = &g_ChannelRecords[0];
        }
        bool text = IsTextChannel(p.inputChannel);

        // A byte is taken only when everything it stores fits, so that
        // nothing is lost while a reader is slow.
        int needed;
        if (current->escState == 0)
            needed = c == kEsc ? 0 : 1;
        else if (IsChannelDigit(c))
            needed = text && p.textInProgress ? 1 : 0;
        else
            needed = 2;
        if (InputFree(*current) < needed)
            break;
        p.rxRead = (p.rxRead + 1) & kRingMask;
        ResumeReceiving(p);

        if (current->escState == 0) {
            if (c == kEsc) {
                current->escState = 1;
                continue;
            }
            if (text) {
                if (c == kDc4) {
                    p.textInProgress = 0;
                    current->textCount = 0;
                    p.timeout = kTextTimeout;
                } else {
                    p.textInProgress = 1;
                    ++current->textCount;
                }
            }
            InputPut(*current, c);
            continue;
        }

        current->escState = 0;
        if (!IsChannelDigit(c)) {
            InputPut(*current, kEsc);
            InputPut(*current, c);
            continue;
        }
        // A channel switch ends an open text of channel 8 or 9 with DC2.
        if (text && p.textInProgress) {
            InputPut(*current, kDc2);
            p.textInProgress = 0;
            current->textCount = 0;
            p.timeout = kTextTimeout;
        }
        p.inputChannel = c - '0';
        g_ChannelRecords[p.inputChannel].textCount = 0;
        p.timeout = p.inputChannel < 8 ? 50 : kTextTimeout;
    }
}

void ReceivePlain(PortRecord& p)
{
    for (int n = 0; n < kBytesPerCall; ++n) {
        ChannelRecord* ch = GetChannelRecord(p.inputChannel);
        if (!ch || InputFree(*ch) < 1)
            break;
        uint8_t c;
        if (!RingGet(p.rxRing, p.rxRead, p.rxWrite, c))
            break;
        ResumeReceiving(p);
        InputPut(*ch, c);
    }
}

void TransmitMultiplexed(int channel, ChannelRecord& ch, PortRecord& p)
{
    for (int n = 0; n < kBytesPerCall; ++n) {
        if (RingFree(p.txRead, p.txWrite) <= 31 || RingCount(ch.outRead, ch.outWrite) == 0)
            break;
        // An open text of channel 8 or 9 holds the port for itself.
        if (p.outputChannel > 7 && channel != p.outputChannel)
            break;
        if ((g_LinkProtocolMode != 0 && channel != p.outputChannel) || (ch.flags & kChannelResendPrefix)) {
            RingPut(p.txRing, p.txRead, p.txWrite, kEsc);
            RingPut(p.txRing, p.txRead, p.txWrite, static_cast<uint8_t>('0' + channel));
            if (channel != p.outputChannel && IsTextChannel(channel))
                p.textTimer = kTextTimeout;
            p.outputChannel = channel;
            ch.flags &= ~kChannelResendPrefix;
        }
        uint8_t c = 0;
        RingGet(ch.outRing, ch.outRead, ch.outWrite, c);
        RingPut(p.txRing, p.txRead, p.txWrite, c);
        if (IsTextChannel(channel) && (c == 6 || c == kDc2 || c == kDc4 || c == 21))
            p.outputChannel = -1;
    }
}

void TransmitPlain(ChannelRecord& ch, PortRecord& p)
{
    for (int n = 0; n < kBytesPerCall; ++n) {
        if (RingFree(p.txRead, p.txWrite) <= 31)
            break;
        uint8_t c;
        if (!RingGet(ch.outRing, ch.outRead, ch.outWrite, c))
            break;
        RingPut(p.txRing, p.txRead, p.txWrite, c);
    }
}

// Runs the command channel service unless it is already running: a command
// that reads channel 8 itself must not take its own bytes. True when a byte
// was waiting on channel 8 for it.
bool RunCommandChannelService(int process)
{
    CommandChannelService service = g_CommandService.load();
    ProcessRecord* record = GetProcessRecord(process);
    if (!service || !record || g_CommandServiceActive.exchange(true))
        return false;
    int32_t input = record->inputChannel;
    int32_t output = record->outputChannel;
    record->inputChannel = 8;
    record->outputChannel = 8;
    const bool waiting = CharWaiting(process);
    service(process);
    record->inputChannel = input;
    record->outputChannel = output;
    g_CommandServiceActive.store(false);
    return waiting;
}

} // namespace

ChannelRecord* GetChannelRecord(int channel)
{
    if (channel < 0 || channel >= kChannelCount)
        return nullptr;
    return &g_ChannelRecords[channel];
}

void InitChannels()
{
    static const int32_t kPorts[kChannelCount] = {0, 1, -1, -1, -1, 0, 0, 0, 0, 0, -1, 2};
    static const int32_t kLineLimits[kChannelCount] = {20, 0, 0, 0, 0, 20, 20, 20, 99, 99, 20, 20};
    for (int n = 0; n < kChannelCount; ++n) {
        ChannelRecord& ch = g_ChannelRecords[n];
        ch = ChannelRecord{};
        ch.inputMode = n == 0 ? kInputTerminal : kInputRaw;
        ch.port = kPorts[n];
        ch.inRing = g_MemoryBase + kChannelRingsOffset + 256 * n;
        ch.outRing = ch.inRing + kRingSize;
        ch.lineLimit = kLineLimits[n];
        ch.flags = 0x0F;
    }
    ResetTerminalDecoder();
}

void PutOutputRing(int channel, int process, uint8_t byte)
{
    ChannelRecord* ch = GetChannelRecord(MapChannel(channel));
    if (!ch || !ch->outRing)
        return;
    // A full ring waits for the services to drain it: each turn gives up
    // the slice, and the ring is tried again when the process runs next.
    while (!RingPut(ch->outRing, ch->outRead, ch->outWrite, byte)) {
        if (ProcessStopping(process))
            break;
        YieldSlice();
    }
}

bool TryPutOutputRing(int channel, uint8_t byte)
{
    ChannelRecord* ch = GetChannelRecord(MapChannel(channel));
    if (!ch || !ch->outRing)
        return false;
    return RingPut(ch->outRing, ch->outRead, ch->outWrite, byte);
}

int OutputCount(int channel)
{
    ChannelRecord* ch = GetChannelRecord(MapChannel(channel));
    return ch ? RingCount(ch->outRead, ch->outWrite) : 0;
}

bool OutputWaitingForPort(int port)
{
    for (const ChannelRecord& ch : g_ChannelRecords) {
        if (ch.port == port && ch.outRing && RingCount(ch.outRead, ch.outWrite) > 0)
            return true;
    }
    return PortTxCount(port) > 0;
}

int GetInputRing(int process)
{
    ChannelRecord* ch = InputChannelOf(process);
    if (!ch || !ch->inRing)
        return -1;
    uint8_t c;
    if (!RingGet(ch->inRing, ch->inRead, ch->inWrite, c))
        return -1;
    return c;
}

int InputCount(int process)
{
    ChannelRecord* ch = InputChannelOf(process);
    return ch ? RingCount(ch->inRead, ch->inWrite) : 0;
}

bool CharWaiting(int process)
{
    return InputCount(process) != 0;
}

void DropChannelInput(int channel)
{
    ChannelRecord* ch = GetChannelRecord(MapChannel(channel));
    if (!ch)
        return;
    ch->inRead = ch->inWrite;
}

int WaitInputChar(int process)
{
    for (;;) {
        if (GetProcessError(process) != 0 || ProcessStopping(process))
            return -1;
        if (CharWaiting(process))
            return GetInputRing(process);
        YieldSlice();
    }
}

int ReadChannelChar(int process)
{
    ChannelRecord* ch = InputChannelOf(process);
    if (!ch)
        return -1;
    switch (ch->inputMode) {
    case kInputTerminal:
        for (;;) {
            int c = WaitInputChar(process);
            if (c < 0)
                return -1;
            int decoded = DecodeTerminalByte(static_cast<uint8_t>(c));
            if (decoded >= 0)
                return decoded;
        }
    case kInputKeypad: {
        int c = WaitInputChar(process);
        return c < 0 ? -1 : g_KeypadTable[c];
    }
    default:
        return WaitInputChar(process);
    }
}

int ReadChar(int process)
{
    ProcessRecord* record = GetProcessRecord(process);
    if (!record)
        return -1;
    for (;;) {
        if (record->errorNumber != 0 || ProcessStopping(process))
            return -1;
        if (CharWaiting(process))
            return ReadChannelChar(process);
        // The service takes one byte of a command per call: while bytes
        // are waiting it is called again at once (with a switch point), so
        // a command is read in one slice rather than a byte per sleep.
        if (g_CurrentProcess.load() == 0 && RunCommandChannelService(process)) {
            SwitchPoint();
            continue;
        }
        // Nothing to do until the next service turn: wait for it rather
        // than spin, so that an idle command line uses no processor. The
        // wait ends as the turn's services have moved any new bytes in, not
        // a sleep's length later.
        WaitForNextSlice();
    }
}

void SetCommandChannelService(CommandChannelService service)
{
    g_CommandService.store(service);
}

void ServicePortReceive(int port)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->rxRing)
        return;
    switch (p->type) {
    case kPortMultiplexed:
        ReceiveMultiplexed(*p);
        break;
    case kPortPlain:
        ReceivePlain(*p);
        break;
    default:
        if (ModbusService modbus = g_ModbusService.load(); modbus && IsModbusType(p->type))
            modbus(port, true);
        break;
    }
}

void ServiceChannelTransmit(int channel)
{
    ChannelRecord* ch = GetChannelRecord(channel);
    if (!ch || !ch->outRing)
        return;
    PortRecord* p = GetPortRecord(ch->port);
    if (!p || !p->txRing)
        return;
    switch (p->type) {
    case kPortMultiplexed:
        TransmitMultiplexed(channel, *ch, *p);
        break;
    case kPortPlain:
        TransmitPlain(*ch, *p);
        break;
    default:
        if (ModbusService modbus = g_ModbusService.load(); modbus && IsModbusType(p->type))
            modbus(ch->port, false);
        break;
    }
}

void ServicePortsReceive()
{
    ServicePortReceive(0);
    ServicePortReceive(1);
}

void ServiceChannelsTransmitNoRest()
{
    for (int channel = 0; channel < kChannelCount; ++channel) {
        if (g_ChannelRecords[channel].port >= 0)
            ServiceChannelTransmit(channel);
    }
}

void ServiceChannelsTransmit()
{
    ServiceChannelsTransmitNoRest();
    RuntimeSleep(1);
}

void PortServiceLoop()
{
    while (!g_RuntimeStopping.load()) {
        ServicePortsReceive();
        ServiceChannelsTransmit();
    }
}

void SetModbusService(ModbusService service)
{
    g_ModbusService.store(service);
}

int DecodeTerminalByte(uint8_t c)
{
    TerminalDecoder& d = g_Decoder;
    switch (d.state) {
    case 0:
        if (c == 11) {
            d.state = 10;
            return 0;
        }
        if (c == kEsc) {
            d.state = 1;
            return -1;
        }
        return c;
    case 1:
        if (c == '[') {
            d.count = 0;
            d.parameters[0] = 0;
            d.digitSeen = 0;
            d.state = 2;
            return 0;
        }
        d.state = 0;
        return c;
    case 2:
        if (c >= '0' && c <= '9') {
            // Parameters beyond the tenth are dropped; a value stops growing
            // before it would overflow.
            if (d.count < 10 && d.parameters[d.count] < 100000000)
                d.parameters[d.count] = d.parameters[d.count] * 10 + (c - '0');
            d.digitSeen = 1;
            return -1;
        }
        if (c == ';') {
            ++d.count;
            if (d.count < 10)
                d.parameters[d.count] = 0;
            d.digitSeen = 0;
            return -1;
        }
        if (c >= 'A' && c <= 'D') {
            d.count += d.digitSeen;
            if (d.count == 0) {
                d.count = 1;
                d.parameters[0] = 1;
            }
            d.state = 0;
            static const uint8_t kKeys[4] = {2, 3, 1, 0};
            return kKeys[c - 'A'];
        }
        d.state = 0;
        return 0;
    case 10:
        if (c == 4 || c == 'D' || c == 'd') {
            d.state = 0;
            return 4;
        }
        return -1;
    default:
        d.state = 0;
        return c;
    }
}

void ResetTerminalDecoder()
{
    g_Decoder = TerminalDecoder{};
}

} // namespace qcrt
