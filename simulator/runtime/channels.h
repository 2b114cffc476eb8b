// Channels: the numbered character streams that processes read and write.
//
// Twelve channel records, each with a 128-byte input and output ring in the
// battery-backed image. The services move bytes between a port's rings and
// the channels: on a multiplexed port ESC and a digit select the channel
// ("0" and "5" to "9"), on a plain port every byte belongs to the port's
// current channel. Channel 4 is taken as channel 3 by every routine that takes
// the channel from a process.
//
// Channels 8 and 9 carry the development environment's texts: the command
// channel and the status channel. A text ends with DC4 (or ACK, DC2, NAK on
// output); while one is open on a port the other channels wait.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kChannelCount = 12;

// Input modes.
constexpr int32_t kInputRaw = 0;
constexpr int32_t kInputTerminal = 1; // cursor-key sequences decoded
constexpr int32_t kInputKeypad = 2;   // key codes through the keypad table

// Channel flags.
constexpr uint32_t kChannelResendPrefix = 0x20; // send ESC and the digit before the next byte

struct ChannelRecord {
    int32_t inputMode;
    int32_t port;     // the port that serves the channel, -1 none
    int32_t escState; // the port's demultiplexer saw ESC while this channel was current
    int32_t inRead;
    int32_t inWrite;
    uint8_t* inRing;
    int32_t outRead;
    int32_t outWrite;
    uint8_t* outRing;
    int32_t lineLimit;
    int32_t textCount; // characters of the current text (channels 8 and 9)
    uint32_t flags;
};

extern ChannelRecord g_ChannelRecords[kChannelCount];

// Channel 4 is channel 3.
inline int MapChannel(int channel)
{
    return channel == 4 ? 3 : channel;
}

ChannelRecord* GetChannelRecord(int channel);

// Power-up state of the 12 records and their channel-to-port binding.
void InitChannels();

// Output ring. PutOutputRing waits while the ring is full, giving up the
// slice on every turn, until the services have made room; a process that is
// being stopped gives up the byte rather than write over unread output. It
// must not be called inside a no-suspend section. TryPutOutputRing never
// waits.
void PutOutputRing(int channel, int process, uint8_t byte);
bool TryPutOutputRing(int channel, uint8_t byte);
int OutputCount(int channel);
// Output that the services still have to move to the port: in the rings of
// the channels it serves or in its own transmit ring.
bool OutputWaitingForPort(int port);

// Input of a process: from the input ring of its input channel.
int GetInputRing(int process); // -1 when nothing waits
int InputCount(int process);
bool CharWaiting(int process);
// Drops every byte waiting on a channel's input ring.
void DropChannelInput(int channel);
// Waits until a byte is waiting (the byte) or the process has an error
// pending or is being stopped (-1).
int WaitInputChar(int process);
// One character after the channel's input translation, or -1.
int ReadChannelChar(int process);
// The blocking key read of the line editor. While it waits and the command
// line's process (0) has the slice, it serves the command channel 8 through
// the installed service, never re-entering it.
int ReadChar(int process);

using CommandChannelService = void (*)(int process);
void SetCommandChannelService(CommandChannelService service);

// Services, run between process slices.
void ServicePortReceive(int port);
void ServiceChannelTransmit(int channel);
void ServicePortsReceive();     // port 0 and port 1
void ServiceChannelsTransmit(); // every channel with a port, then a 1 ms sleep
void ServiceChannelsTransmitNoRest(); // the same without the sleep
void PortServiceLoop();         // both, until the runtime stops

// The MODBUS slave serves ports of types 5, 7 (RTU) and 8, 9 (TCP).
using ModbusService = void (*)(int port, bool receive);
void SetModbusService(ModbusService service);

// The terminal decoder of input mode 1: turns ESC "[" ... "A"/"B"/"C"/"D"
// into the pairs 0 2, 0 3, 0 1, 0 0 and Ctrl-K followed by 4, "D" or "d"
// into 0 4. Answers the byte handed on, or -1 when the byte is swallowed.
int DecodeTerminalByte(uint8_t c);
void ResetTerminalDecoder();

// Key code to key value for input mode 2, indexed by the key code.
extern uint8_t g_KeypadTable[256];

} // namespace qcrt
