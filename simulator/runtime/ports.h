// Ports: the communication lines of the runtime. Port 0 is the link to the
// development environment, carried by the host (host.h); ports 1 and 2 have
// no line in the simulator.
//
// Each port has a receive and a transmit ring of 128 bytes in the
// battery-backed image. Ports 0 and 1 use XON (17) / XOFF (19) flow control
// and an escape form that lets those two pass as data (ESC 1 for 17, ESC 2
// for 19). The port service, run by the scheduling step between process
// slices, moves bytes between the host and the rings; the channel layer
// (channels.h) reads and writes the rings.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kPortCount = 3;

constexpr uint8_t kXon = 17;
constexpr uint8_t kXoff = 19;
constexpr uint8_t kEsc = 27;
constexpr uint8_t kDc2 = 18;
constexpr uint8_t kDc4 = 20;
// The other control codes of the link's framing.
constexpr uint8_t kStx = 2;
constexpr uint8_t kEtx = 3;
constexpr uint8_t kAck = 6;
constexpr uint8_t kLf = 10;
constexpr uint8_t kCr = 13;
constexpr uint8_t kNak = 21;

// Port flags.
constexpr uint32_t kPortRxEnabled = 0x01; // clear after an XOFF was asked for
constexpr uint32_t kPortTxAllowed = 0x02; // cleared by a received XOFF
constexpr uint32_t kPortFlowControl = 0x04;
constexpr uint32_t kPortSendXon = 0x08;
constexpr uint32_t kPortSendXoff = 0x10;

// Port types (PROTOCOL).
// A port whose host queues received bytes (GetPortRxRoom) asks its peer to
// pause when fewer than kHostRoomPause bytes of that queue are left, and to
// go on when kHostRoomResume are free again.
constexpr int kHostRoomPause = 4096;
constexpr int kHostRoomResume = 16384;

constexpr int32_t kPortMultiplexed = 0; // channels selected by ESC and a digit
constexpr int32_t kPortPlain = 1;
// 5 and 7 MODBUS RTU, 8 and 9 MODBUS TCP: binary frames.
constexpr bool IsModbusType(int32_t type)
{
    return type == 5 || type == 7 || type == 8 || type == 9;
}

// Servo periods an open output text of channel 8 or 9 may hold the port while
// other channels wait, before a DC2 closes it.
constexpr int32_t kTextTimeout = 5000;

struct PortRecord {
    uint8_t* rxRing;
    uint8_t* txRing;
    int32_t rxRead;
    int32_t rxWrite;
    int32_t txRead;
    int32_t txWrite;
    int32_t escapeState;  // 1 after an ESC on a flow-controlled port
    int32_t portLow;      // port number AND 1
    int32_t portHigh;     // port number shifted right by 1
    int32_t linkWords[2]; // 0 (port 0)
    int32_t word11;       // -1
    int32_t word12;       // 0
    uint8_t byte13;       // 20
    int32_t rateWords[2]; // 50 and 50 (port 0)
    int (*receive)(int port, uint8_t* out);
    void (*transmit)(int port, uint8_t ch);
    uint32_t flags;
    int32_t type; // PROTOCOL: 0 multiplexed, 1 plain, 5/7 MODBUS RTU, 8/9 MODBUS TCP

    // Channel layer.
    int32_t inputChannel;   // the channel received bytes go to
    int32_t outputChannel;  // the channel whose prefix was sent last, -1 none
    int32_t textInProgress; // a text of channel 8 or 9 is being received
    int32_t timeout;        // 50 below channel 8, 5000 for 8 and 9
    int32_t textTimer;      // see kTextTimeout
    int32_t extra;          // SETCOM's extra argument, kept without effect
};

extern PortRecord g_PortRecords[kPortCount];

PortRecord* GetPortRecord(int port);

// Initialises a port for a SETCOM or start-up mode: 4 makes the port type 5,
// 5 type 3 and 6 type 4 (both without the initial XON), 7 type 7; any other
// mode keeps the type.
void InitPort(int port, int mode);
// Power-up: port 0 multiplexed, ports 1 and 2 plain, every port initialised.
void InitPorts();

void PortReceiveAll(int port);
void PortReceiveByte(int port, uint8_t c);
// Whether a flow-controlled port's peer must pause (the bytes could soon
// not be taken) and whether it may go on again: by the host's queue where
// the host keeps one, else by the port's receive ring (fewer than 32 bytes
// free; more than 96 free).
bool PortReceiveMustPause(const PortRecord& p);
bool PortReceiveMayResume(const PortRecord& p);
void PortTransmit(int port);
void PortService();
// Counts down the open-text timer of port 0 (once per servo period).
void TickPortTimers();

int PortRxCount(int port);
int PortTxCount(int port);

} // namespace qcrt
