#include "simulator/runtime/modbus.h"

#include <bit>
#include <cstring>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/ring.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

// The largest request: the TCP header and function 23 with 255 data bytes.
constexpr int kRequestSize = 17 + 255;
// The largest answer: the TCP header, the function, a byte count and 250
// data bytes.
constexpr int kAnswerSize = 8 + 2 + 250;

constexpr int kTcpHeader = 7;      // transaction, protocol, length, unit
constexpr int kMaxReadBits = 2000; // 250 data bytes
constexpr int kMaxReadRegisters = 125;
constexpr int kMaxWriteRegisters = 123;
constexpr int kMaxExchangeWrite = 121; // function 23
constexpr int32_t kVrLast = kVrCount - 1;
constexpr int32_t kTableLast = 255999;

enum : uint8_t {
    kReadCoils = 1,
    kReadInputs = 2,
    kReadRegisters = 3,
    kWriteCoil = 5,
    kWriteRegister = 6,
    kWriteRegisters = 16,
    kExchangeRegisters = 23,
};

enum : uint8_t { kIllegalAddress = 2, kIllegalValue = 3 };

struct ModbusPort {
    int32_t type = 0; // the port type the request is collected for
    uint8_t request[kRequestSize] = {};
    int position = 0;
    int idle = 0;        // receive calls since the last byte
    bool ready = false;  // a whole request waits for its answer
    uint8_t answer[kAnswerSize] = {};
    int answerLength = 0;
    int sent = 0;
    bool executed = false;
};

ModbusPort g_Ports[kPortCount];

bool IsRtu(int32_t type)
{
    return type == 5 || type == 7;
}
bool IsTcp(int32_t type)
{
    return type == 8 || type == 9;
}

uint16_t Field(const uint8_t* bytes, int at)
{
    return static_cast<uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

void PutField(uint8_t* bytes, int at, uint32_t value)
{
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

// ---------------------------------------------------------------- framing

// The whole length of an RTU request once enough of it has come, else 0.
int RtuLength(const uint8_t* r, int have)
{
    if (have < 2)
        return 0;
    if (r[1] != kWriteRegisters)
        return 8;
    return have < 7 ? 0 : 7 + r[6] + 2;
}

// The same for TCP. A function not served is skipped by the header's length.
int TcpLength(const uint8_t* r, int have)
{
    if (have < 8)
        return 0;
    switch (r[7]) {
    case kReadCoils:
    case kReadInputs:
    case kReadRegisters:
    case kWriteCoil:
    case kWriteRegister:
        return 12;
    case kWriteRegisters:
        return have < 13 ? 0 : 13 + r[12];
    case kExchangeRegisters:
        return have < 17 ? 0 : 17 + r[16];
    default: {
        const int length = 6 + Field(r, 4);
        return length < 8 ? 8 : length > kRequestSize ? kRequestSize : length;
    }
    }
}

// ---------------------------------------------------------------- registers

struct Space {
    bool table;
    bool floats;
    int serving; // the process that takes an error of a store
};

// Whether values first to first + n - 1 lie in the register space.
bool InSpace(int32_t first, int32_t n, const Space& space)
{
    const int32_t last = space.table ? kTableLast : kVrLast;
    return first >= 0 && n >= 0 && static_cast<int64_t>(first) + n - 1 <= last;
}

float ReadValue(int32_t index, const Space& space)
{
    if (!space.table)
        return ReadVr(index, space.serving);
    float value = 0.0f;
    // A value not in use reads 0; a remote read sets no error on a program.
    if (index < TableEntriesInUse())
        ReadTable(index, value, space.serving);
    return value;
}

void StoreValue(int32_t index, float value, const Space& space)
{
    if (space.table)
        WriteTable(index, value, space.serving);
    else
        WriteVr(index, value, space.serving);
}

float SignedRegister(uint32_t value)
{
    return static_cast<float>(static_cast<int16_t>(static_cast<uint16_t>(value)));
}

// Puts count registers from the start register into the answer; the start
// and count are checked.
void PutRegisters(uint8_t* out, int32_t start, int count, const Space& space)
{
    if (space.floats) {
        for (int n = 0; n < count / 2; ++n) {
            const uint32_t bits = std::bit_cast<uint32_t>(ReadValue(start / 2 + n, space));
            PutField(out, 4 * n, bits & 0xFFFF);
            PutField(out, 4 * n + 2, bits >> 16);
        }
    } else {
        for (int n = 0; n < count; ++n)
            PutField(out, 2 * n, static_cast<uint32_t>(TruncateToInt32(ReadValue(start + n, space))) & 0xFFFF);
    }
}

void StoreRegisters(const uint8_t* data, int32_t start, int count, const Space& space)
{
    if (space.floats) {
        for (int n = 0; n < count / 2; ++n) {
            const uint32_t bits = Field(data, 4 * n) | static_cast<uint32_t>(Field(data, 4 * n + 2)) << 16;
            StoreValue(start / 2 + n, std::bit_cast<float>(bits), space);
        }
    } else {
        for (int n = 0; n < count; ++n)
            StoreValue(start + n, SignedRegister(Field(data, 2 * n)), space);
    }
}

// The values a register range covers: float ports take two registers a value.
struct Range {
    int32_t first;
    int32_t values;
};
Range ValuesOf(int32_t start, int count, const Space& space)
{
    return space.floats ? Range{start / 2, count / 2} : Range{start, count};
}

// 0 when the count fits the frame (and, on a float port, is whole values),
// else the exception code.
uint8_t CountCheck(int count, int most, const Space& space)
{
    if (count < 1 || count > most || (space.floats && count % 2 != 0))
        return kIllegalValue;
    return 0;
}

uint8_t RangeCheck(Range range, const Space& space)
{
    return InSpace(range.first, range.values, space) ? 0 : kIllegalAddress;
}

int Exception(uint8_t function, uint8_t code, uint8_t* out)
{
    out[0] = static_cast<uint8_t>(function | 0x80);
    out[1] = code;
    return 2;
}

// Executes the request's PDU (function code first) and writes the answer's
// PDU; its length, 0 for no answer.
int Execute(const uint8_t* pdu, int length, const Space& space, uint8_t* out)
{
    const uint8_t function = pdu[0];
    const int32_t start = Field(pdu, 1);
    const int count = Field(pdu, 3);
    out[0] = function;
    switch (function) {
    case kReadCoils:
    case kReadInputs: {
        if (count < 1 || count > kMaxReadBits)
            return Exception(function, kIllegalValue, out);
        const int limit = function == kReadCoils ? kOutputNumbers : kInputNumbers;
        if (start + count > limit)
            return Exception(function, kIllegalAddress, out);
        const int bytes = (count - 1) / 8 + 1;
        out[1] = static_cast<uint8_t>(bytes);
        std::memset(out + 2, 0, static_cast<size_t>(bytes));
        for (int n = 0; n < count; ++n) {
            const bool on = function == kReadCoils ? ReadOutput(start + n) : ReadInput(start + n);
            if (on)
                out[2 + n / 8] |= static_cast<uint8_t>(1u << (n % 8));
        }
        return 2 + bytes;
    }
    case kReadRegisters: {
        if (uint8_t code = CountCheck(count, kMaxReadRegisters, space))
            return Exception(function, code, out);
        if (uint8_t code = RangeCheck(ValuesOf(start, count, space), space))
            return Exception(function, code, out);
        out[1] = static_cast<uint8_t>(2 * count);
        PutRegisters(out + 2, start, count, space);
        return 2 + 2 * count;
    }
    case kWriteCoil:
        if (count != 0xFF00 && count != 0)
            return Exception(function, kIllegalValue, out);
        if (start >= kOutputNumbers)
            return Exception(function, kIllegalAddress, out);
        WriteOutput(start, count != 0);
        std::memcpy(out, pdu, 5);
        return 5;
    case kWriteRegister: {
        const int32_t index = space.floats ? start / 2 : start;
        if (uint8_t code = RangeCheck({index, 1}, space))
            return Exception(function, code, out);
        StoreValue(index, SignedRegister(static_cast<uint32_t>(count)), space);
        std::memcpy(out, pdu, 5);
        return 5;
    }
    case kWriteRegisters: {
        if (uint8_t code = CountCheck(count, kMaxWriteRegisters, space); code || pdu[5] != 2 * count || length < 6 + 2 * count)
            return Exception(function, kIllegalValue, out);
        if (uint8_t code = RangeCheck(ValuesOf(start, count, space), space))
            return Exception(function, code, out);
        StoreRegisters(pdu + 6, start, count, space);
        std::memcpy(out, pdu, 5);
        return 5;
    }
    case kExchangeRegisters: {
        const int32_t writeStart = Field(pdu, 5);
        const int writeCount = Field(pdu, 7);
        if (CountCheck(count, kMaxReadRegisters, space) || CountCheck(writeCount, kMaxExchangeWrite, space) ||
            pdu[9] != 2 * writeCount || length < 10 + 2 * writeCount)
            return Exception(function, kIllegalValue, out);
        if (RangeCheck(ValuesOf(start, count, space), space) ||
            RangeCheck(ValuesOf(writeStart, writeCount, space), space))
            return Exception(function, kIllegalAddress, out);
        // The write comes before the read, so a read of the same registers
        // answers the values just written.
        StoreRegisters(pdu + 10, writeStart, writeCount, space);
        out[1] = static_cast<uint8_t>(2 * count);
        PutRegisters(out + 2, start, count, space);
        return 2 + 2 * count;
    }
    default:
        return 0;
    }
}

Space SpaceOf(const PortRecord& p)
{
    return Space{p.extra != 0, p.type == 7 || p.type == 9, g_CurrentProcess.load()};
}

int32_t NodeAddress()
{
    const int32_t* address = SystemParameterWord(FindParameter("ADDRESS"));
    return address ? *address : 0;
}

// ---------------------------------------------------------------- services

void Restart(ModbusPort& m)
{
    m.position = 0;
    m.idle = 0;
    m.ready = false;
    m.executed = false;
    m.answerLength = 0;
    m.sent = 0;
}

void Receive(int port, bool rtu)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->rxRing)
        return;
    ModbusPort& m = g_Ports[port];
    if (m.type != p->type) {
        Restart(m);
        m.type = p->type;
    }
    // A request waits for its answer: the next one stays in the ring.
    if (m.ready)
        return;
    bool received = false;
    uint8_t c;
    while (!m.ready && RingGet(p->rxRing, p->rxRead, p->rxWrite, c)) {
        received = true;
        if (rtu && m.position == 0 && c != NodeAddress())
            continue; // another node's request
        if (m.position >= kRequestSize) {
            Restart(m);
            continue;
        }
        m.request[m.position++] = c;
        const int length = rtu ? RtuLength(m.request, m.position) : TcpLength(m.request, m.position);
        if (length == 0 || m.position < length)
            continue;
        if (rtu) {
            const uint16_t crc = ModbusCrc(m.request, static_cast<size_t>(length - 2));
            if ((m.request[length - 2] | m.request[length - 1] << 8) != crc) {
                Restart(m);
                continue;
            }
        }
        m.ready = true;
    }
    if (received) {
        m.idle = 0;
    } else if (m.position > 0 && !m.ready && ++m.idle >= kModbusIdleCalls) {
        Restart(m);
    }
}

// Builds the answer frame of a whole request; false when there is none.
bool BuildAnswer(ModbusPort& m, const PortRecord& p, bool rtu)
{
    const Space space = SpaceOf(p);
    if (rtu) {
        const int length = RtuLength(m.request, m.position);
        const int pdu = Execute(m.request + 1, length - 3, space, m.answer + 1);
        if (pdu == 0)
            return false;
        m.answer[0] = m.request[0];
        const uint16_t crc = ModbusCrc(m.answer, static_cast<size_t>(1 + pdu));
        m.answer[1 + pdu] = static_cast<uint8_t>(crc);
        m.answer[2 + pdu] = static_cast<uint8_t>(crc >> 8);
        m.answerLength = pdu + 3;
        return true;
    }
    const int length = TcpLength(m.request, m.position);
    const int pdu = Execute(m.request + kTcpHeader, length - kTcpHeader, space, m.answer + kTcpHeader);
    if (pdu == 0)
        return false;
    std::memcpy(m.answer, m.request, 4); // transaction and protocol
    PutField(m.answer, 4, static_cast<uint32_t>(pdu + 1));
    m.answer[6] = m.request[6];
    m.answerLength = kTcpHeader + pdu;
    return true;
}

void Transmit(int port, bool rtu)
{
    PortRecord* p = GetPortRecord(port);
    if (!p || !p->txRing)
        return;
    ModbusPort& m = g_Ports[port];
    if (!m.ready || m.type != p->type)
        return;
    if (!m.executed) {
        m.executed = true;
        if (!BuildAnswer(m, *p, rtu)) {
            Restart(m);
            return;
        }
    }
    while (m.sent < m.answerLength && RingPut(p->txRing, p->txRead, p->txWrite, m.answer[m.sent]))
        ++m.sent;
    if (m.sent == m.answerLength)
        Restart(m);
}

int PortOfChannel(int channel)
{
    const ChannelRecord* ch = GetChannelRecord(channel);
    return ch ? ch->port : -1;
}

void Service(int port, bool receive)
{
    const PortRecord* p = GetPortRecord(port);
    if (!p)
        return;
    const bool rtu = IsRtu(p->type);
    if (!rtu && !IsTcp(p->type))
        return;
    if (receive)
        Receive(port, rtu);
    else
        Transmit(port, rtu);
}

} // namespace

uint16_t ModbusCrc(const uint8_t* bytes, size_t count)
{
    uint16_t crc = 0xFFFF;
    for (size_t n = 0; n < count; ++n)
        crc = Crc16ModbusStep(crc, bytes[n]);
    return crc;
}

void ResetModbus()
{
    for (ModbusPort& m : g_Ports)
        m = ModbusPort{};
}

void InstallModbus()
{
    SetModbusService(Service);
}

void ModbusRtuReceive(int port)
{
    Receive(port, true);
}

void ModbusRtuTransmit(int channel)
{
    Transmit(PortOfChannel(channel), true);
}

void ModbusTcpReceive(int port)
{
    Receive(port, false);
}

void ModbusTcpTransmit(int channel)
{
    Transmit(PortOfChannel(channel), false);
}

} // namespace qcrt
