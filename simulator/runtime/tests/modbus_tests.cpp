// The MODBUS slave on port 0: request and answer bytes through the port's
// services, over VR and TABLE, as 16-bit integers and as float pairs, and the
// frames it drops or answers with an exception.
#include <gtest/gtest.h>

#include <bit>
#include <cstddef>
#include <cstring>
#include <initializer_list>
#include <string>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/io_keywords.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/modbus.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/tests/store_helpers.h"
#include "simulator/runtime/vocabulary.h"

using namespace qcrt;

namespace {

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

// The frame with its CRC behind it, low byte first.
std::string Rtu(std::initializer_list<int> bytes)
{
    std::string s = Bytes(bytes);
    const uint16_t crc = ModbusCrc(reinterpret_cast<const uint8_t*>(s.data()), s.size());
    s.push_back(static_cast<char>(crc & 0xFF));
    s.push_back(static_cast<char>(crc >> 8));
    return s;
}

std::string Hex(const std::string& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    for (unsigned char c : bytes) {
        if (!s.empty())
            s.push_back(' ');
        s.push_back(kDigits[c >> 4]);
        s.push_back(kDigits[c & 15]);
    }
    return s;
}

enum PortType { kRtuInteger = 5, kRtuFloat = 7, kTcpInteger = 8, kTcpFloat = 9 };
enum Registers { kVr = 0, kTable = 1 };

class ModbusSlave : public InterpreterEnvironment {
protected:
    ModbusSlave()
    {
        ResetModbus();
        InstallModbus();
        *SystemParameterWord(FindParameter("ADDRESS")) = 17;
        Serve(kRtuInteger, kVr);
    }
    ~ModbusSlave() override { SetModbusService(nullptr); }

    // Port 0 as SETCOM leaves it for a MODBUS mode: no flow control, the
    // register space in its last argument.
    void Serve(PortType type, Registers registers)
    {
        PortRecord* p = GetPortRecord(0);
        p->type = type;
        p->flags &= ~kPortFlowControl;
        p->extra = registers;
    }

    // Sends the request in pieces of at most chunk bytes, one service round
    // after each, then gives the answer time to go out: what the port sent.
    std::string Exchange(const std::string& request, size_t chunk = 100)
    {
        for (size_t at = 0; at < request.size(); at += chunk) {
            env.host.Send(0, request.substr(at, chunk));
            RunServices();
        }
        for (int n = 0; n < 6; ++n)
            RunServices();
        return Hex(env.host.TakeWritten(0));
    }

    static void SetVr(int n, float v) { std::memcpy(g_MemoryBase + 780 + 4 * n, &v, 4); }
    static float Vr(int n)
    {
        float v;
        std::memcpy(&v, g_MemoryBase + 780 + 4 * n, 4);
        return v;
    }
    static float Table(int n)
    {
        float v = 0.0f;
        EXPECT_TRUE(ReadTable(n, v, 0));
        return v;
    }
};

// ---------------------------------------------------------------- RTU

TEST_F(ModbusSlave, TheCrcIsTheStandardOne)
{
    // The read request and answer of the protocol's own example, CRC included.
    const std::string request = Bytes({0x11, 0x03, 0x00, 0x6B, 0x00, 0x03, 0x76, 0x87});
    const std::string answer = Bytes({0x11, 0x03, 0x06, 0xAE, 0x41, 0x56, 0x52, 0x43, 0x40, 0x49, 0xAD});
    EXPECT_EQ(ModbusCrc(reinterpret_cast<const uint8_t*>(request.data()), 6), 0x8776);
    SetVr(107, -20927.0f); // 0xAE41 as a signed 16-bit value
    SetVr(108, 22098.0f);
    SetVr(109, 17216.4f);
    EXPECT_EQ(Exchange(request), Hex(answer));
}

TEST_F(ModbusSlave, RtuRequestsAndAnswersOverIntegerRegisters)
{
    SetVr(0, 1234.7f);
    SetVr(1, -2.0f);
    SetVr(2, 70000.0f); // the low 16 bits of the integer
    WriteOutput(8, true);
    WriteOutput(10, true);
    WriteOutput(16, true);
    g_InputWord = 0x00000105u; // as the scheduling step takes it from the main dialog
    const struct {
        const char* what;
        std::string request;
        std::string answer;
    } cases[] = {
        {"read registers", Rtu({0x11, 3, 0, 0, 0, 3}), Rtu({0x11, 3, 6, 0x04, 0xD2, 0xFF, 0xFE, 0x11, 0x70})},
        {"read 9 coils: 2 bytes", Rtu({0x11, 1, 0, 8, 0, 9}), Rtu({0x11, 1, 2, 0x05, 0x01})},
        {"read inputs", Rtu({0x11, 2, 0, 0, 0, 10}), Rtu({0x11, 2, 2, 0x05, 0x01})},
        {"write a coil on", Rtu({0x11, 5, 0, 12, 0xFF, 0}), Rtu({0x11, 5, 0, 12, 0xFF, 0})},
        {"write a register", Rtu({0x11, 6, 0, 5, 0xFF, 0xFF}), Rtu({0x11, 6, 0, 5, 0xFF, 0xFF})},
        {"write registers", Rtu({0x11, 16, 0, 10, 0, 2, 4, 0, 1, 0x80, 0}), Rtu({0x11, 16, 0, 10, 0, 2})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(c.request), Hex(c.answer)) << c.what;
    EXPECT_TRUE(ReadOutput(12));
    EXPECT_EQ(Vr(5), -1.0f) << "65535 is stored as -1";
    EXPECT_EQ(Vr(10), 1.0f);
    EXPECT_EQ(Vr(11), -32768.0f);

    Exchange(Rtu({0x11, 5, 0, 12, 0, 0}));
    EXPECT_FALSE(ReadOutput(12)) << "0 clears the coil";
}

TEST_F(ModbusSlave, FloatPortsServeEachValueAsTwoRegistersLowHalfFirst)
{
    Serve(kRtuFloat, kVr);
    SetVr(5, 1.5f); // 0x3FC00000
    SetVr(6, -2.0f); // 0xC0000000
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 10, 0, 2})), Hex(Rtu({0x11, 3, 4, 0x00, 0x00, 0x3F, 0xC0})));
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 10, 0, 4})),
              Hex(Rtu({0x11, 3, 8, 0x00, 0x00, 0x3F, 0xC0, 0x00, 0x00, 0xC0, 0x00})));

    const uint32_t pi = std::bit_cast<uint32_t>(3.14159f);
    const int low = static_cast<int>(pi & 0xFFFF), high = static_cast<int>(pi >> 16);
    Exchange(Rtu({0x11, 16, 0, 20, 0, 2, 4, low >> 8, low & 0xFF, high >> 8, high & 0xFF}));
    EXPECT_EQ(Vr(10), 3.14159f);
    Exchange(Rtu({0x11, 6, 0, 8, 0xFF, 0xFE}));
    EXPECT_EQ(Vr(4), -2.0f) << "a single register is a signed number at half the address";

    Serve(kRtuFloat, kTable);
    WriteTable(5, 0.25f, 0); // 0x3E800000
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 10, 0, 2})), Hex(Rtu({0x11, 3, 4, 0x00, 0x00, 0x3E, 0x80})));
}

TEST_F(ModbusSlave, TableRegistersAreServedWhenThePortAsksForThem)
{
    Serve(kRtuInteger, kTable);
    SetVr(3, 55.0f);
    EXPECT_EQ(Exchange(Rtu({0x11, 16, 0, 3, 0, 2, 4, 0, 9, 0xFF, 0xF7})), Hex(Rtu({0x11, 16, 0, 3, 0, 2})));
    EXPECT_EQ(Table(3), 9.0f);
    EXPECT_EQ(Table(4), -9.0f);
    EXPECT_EQ(Vr(3), 55.0f) << "VR untouched";
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 4, 0, 1})), Hex(Rtu({0x11, 3, 2, 0xFF, 0xF7})));
    SetTableEntriesInUse(100);
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 200, 0, 1})), Hex(Rtu({0x11, 3, 2, 0, 0})))
        << "a value not in use reads 0";
    EXPECT_EQ(GetProcessError(0), 0);
}

TEST_F(ModbusSlave, BadFramesAreDroppedOrAnsweredWithAnException)
{
    std::string badCrc = Rtu({0x11, 3, 0, 0, 0, 1});
    badCrc.back() = static_cast<char>(badCrc.back() ^ 1);
    SetVr(1023, 3.0f);
    const struct {
        const char* what;
        std::string request;
        std::string answer;
    } cases[] = {
        {"another node", Rtu({0x12, 3, 0, 0, 0, 1}), ""},
        {"a bad CRC", badCrc, ""},
        {"a function not served", Rtu({0x11, 4, 0, 0, 0, 1}), ""},
        {"the last VR", Rtu({0x11, 3, 0x03, 0xFF, 0, 1}), Rtu({0x11, 3, 2, 0, 3})},
        {"one past the last VR", Rtu({0x11, 3, 0x03, 0xFF, 0, 2}), Rtu({0x11, 0x83, 2})},
        {"a write past the last VR", Rtu({0x11, 6, 0x04, 0x00, 0, 1}), Rtu({0x11, 0x86, 2})},
        {"no registers", Rtu({0x11, 3, 0, 0, 0, 0}), Rtu({0x11, 0x83, 3})},
        {"more than a frame holds", Rtu({0x11, 3, 0, 0, 0, 126}), Rtu({0x11, 0x83, 3})},
        {"a byte count that is not the count", Rtu({0x11, 16, 0, 0, 0, 2, 2, 0, 1}), Rtu({0x11, 0x90, 3})},
        {"one register", Rtu({0x11, 16, 0, 0, 0, 1, 2, 0, 7}), Rtu({0x11, 16, 0, 0, 0, 1})},
        {"a coil past the outputs", Rtu({0x11, 5, 0x01, 0x20, 0xFF, 0}), Rtu({0x11, 0x85, 2})},
        {"a coil value that is neither on nor off", Rtu({0x11, 5, 0, 12, 0x12, 0x34}), Rtu({0x11, 0x85, 3})},
        {"bits past the inputs", Rtu({0x11, 2, 0x01, 0x1F, 0, 2}), Rtu({0x11, 0x82, 2})},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Exchange(c.request), Hex(c.answer)) << c.what;
        // Whatever came before, the next request is answered.
        EXPECT_EQ(Exchange(Rtu({0x11, 3, 0x03, 0xFF, 0, 1})), Hex(Rtu({0x11, 3, 2, 0, 3}))) << "after " << c.what;
    }
    EXPECT_EQ(Vr(0), 7.0f) << "only the one good write stored";
    EXPECT_EQ(Vr(1), 0.0f);
}

TEST_F(ModbusSlave, ARequestFedInPiecesGivesTheSameAnswer)
{
    // The longest write, 264 bytes: more than the receive ring holds at once.
    std::string write = Rtu({0x11, 16, 0, 50, 0, 123, 246});
    write.erase(write.size() - 2);
    for (int n = 0; n < 123; ++n) {
        write.push_back(0);
        write.push_back(static_cast<char>(n));
    }
    const uint16_t crc = ModbusCrc(reinterpret_cast<const uint8_t*>(write.data()), write.size());
    write.push_back(static_cast<char>(crc & 0xFF));
    write.push_back(static_cast<char>(crc >> 8));
    const std::string written = Hex(Rtu({0x11, 16, 0, 50, 0, 123}));
    for (size_t chunk : {write.size(), write.size() / 2 + 1, static_cast<size_t>(1)}) {
        std::memset(g_MemoryBase + 780 + 4 * 50, 0xFF, 4 * 123);
        EXPECT_EQ(Exchange(write, chunk), written) << "in pieces of " << chunk;
        EXPECT_EQ(Vr(50), 0.0f);
        EXPECT_EQ(Vr(172), 122.0f) << "in pieces of " << chunk;
    }
    // The longest read answer goes out over several rounds of the transmit ring.
    std::string read = Exchange(Rtu({0x11, 3, 0, 0, 0, 125}));
    EXPECT_EQ(read.size(), (3u + 250u + 2u) * 3u - 1u);
    EXPECT_EQ(read.substr(0, 8), "11 03 FA") << read.substr(0, 8);
}

TEST_F(ModbusSlave, AnUnfinishedRequestIsDroppedAfterThirtyQuietCalls)
{
    const std::string request = Rtu({0x11, 6, 0, 1, 0, 9});
    // Quiet for 29 calls: the rest still completes the request.
    env.host.Send(0, request.substr(0, 4));
    RunServices();
    for (int n = 0; n < kModbusIdleCalls - 1; ++n)
        RunServices();
    EXPECT_EQ(Exchange(request.substr(4)), Hex(request));
    EXPECT_EQ(Vr(1), 9.0f);

    // Quiet for 30: the start is forgotten, and the rest is not a request.
    SetVr(1, 0.0f);
    env.host.Send(0, request.substr(0, 4));
    RunServices();
    for (int n = 0; n < kModbusIdleCalls; ++n)
        RunServices();
    EXPECT_EQ(Exchange(request.substr(4)), "");
    EXPECT_EQ(Vr(1), 0.0f);
    EXPECT_EQ(Exchange(request), Hex(request)) << "the next whole request is answered";
}

TEST_F(ModbusSlave, SetcomAndAddressChooseWhatThePortServes)
{
    InitPort(0, 0);
    GetPortRecord(0)->type = kPortMultiplexed;
    ASSERT_EQ(RunLine("ADDRESS=3").error, 0);
    ASSERT_EQ(RunLine("SETCOM(19200,8,1,2,0,4,1)").error, 0); // integers over TABLE
    RunServices(); // what the link had to send before (its XON) is no answer
    env.host.TakeWritten(0);
    WriteTable(7, 1234.0f, 0);
    SetVr(7, 99.0f);
    EXPECT_EQ(Exchange(Rtu({3, 3, 0, 7, 0, 1})), Hex(Rtu({3, 3, 2, 0x04, 0xD2})));
    EXPECT_EQ(Exchange(Rtu({0x11, 3, 0, 7, 0, 1})), "") << "the old node address";

    ASSERT_EQ(RunLine("SETCOM(19200,8,1,2,0,7)").error, 0); // floats over VR
    SetVr(3, 1.5f);
    EXPECT_EQ(Exchange(Rtu({3, 3, 0, 6, 0, 2})), Hex(Rtu({3, 3, 4, 0, 0, 0x3F, 0xC0})));
}

// ---------------------------------------------------------------- TCP

TEST_F(ModbusSlave, TcpRequestsCarryTheirHeaderIntoTheAnswer)
{
    Serve(kTcpInteger, kVr);
    SetVr(0, 11.0f);
    SetVr(1, 22.0f);
    const struct {
        const char* what;
        std::string request;
        std::string answer;
    } cases[] = {
        {"read registers", Bytes({0x12, 0x34, 0, 0, 0, 6, 0xFF, 3, 0, 0, 0, 2}),
         Bytes({0x12, 0x34, 0, 0, 0, 7, 0xFF, 3, 4, 0, 11, 0, 22})},
        {"write a register", Bytes({0, 1, 0, 0, 0, 6, 1, 6, 0, 2, 0x80, 0}), Bytes({0, 1, 0, 0, 0, 6, 1, 6, 0, 2, 0x80, 0})},
        {"write registers", Bytes({0, 2, 0, 0, 0, 11, 1, 16, 0, 3, 0, 2, 4, 0, 5, 0, 6}),
         Bytes({0, 2, 0, 0, 0, 6, 1, 16, 0, 3, 0, 2})},
        {"read and write: the write first", Bytes({0, 3, 0, 0, 0, 13, 1, 23, 0, 0, 0, 2, 0, 1, 0, 1, 2, 0, 7}),
         Bytes({0, 3, 0, 0, 0, 7, 1, 23, 4, 0, 11, 0, 7})},
        {"a function not served", Bytes({0, 4, 0, 0, 0, 7, 1, 43, 14, 1, 0, 0, 0}), ""},
        {"read coils", Bytes({0, 5, 0, 0, 0, 6, 1, 1, 0, 8, 0, 3}), Bytes({0, 5, 0, 0, 0, 4, 1, 1, 1, 0})},
        {"too many registers", Bytes({0, 6, 0, 0, 0, 6, 1, 3, 0, 0, 0, 200}), Bytes({0, 6, 0, 0, 0, 3, 1, 0x83, 3})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Exchange(c.request), Hex(c.answer)) << c.what;
    EXPECT_EQ(Vr(2), -32768.0f);
    EXPECT_EQ(Vr(3), 5.0f);
    EXPECT_EQ(Vr(4), 6.0f);
    EXPECT_EQ(Vr(1), 7.0f);
}

// Port 0 switched to MODBUS TCP with PROTOCOL, its flow control as the
// multiplexed link had it: bytes 17, 19 and 27 in a frame are data.
TEST_F(ModbusSlave, ProtocolSwitchesPortZeroToBinaryFrames)
{
    for (int type : {kTcpInteger, kTcpFloat}) {
        InitPort(0, 0);
        GetPortRecord(0)->type = kPortMultiplexed;
        GetPortRecord(0)->extra = kVr;
        ASSERT_EQ(RunLine("PROTOCOL PORT(0)=" + std::to_string(type)).error, 0);
        RunServices();
        env.host.TakeWritten(0);
        // Transaction 0x1113 (XON, XOFF), unit 27 (ESC): write VR(0) as 0x111B and
        // read it back.
        std::string write, answer;
        if (type == kTcpInteger) {
            write = Bytes({0x11, 0x13, 0, 0, 0, 6, 27, 6, 0, 0, 0x11, 0x1B});
            answer = write;
        } else {
            write = Bytes({0x11, 0x13, 0, 0, 0, 11, 27, 16, 0, 0, 0, 2, 4, 0x11, 0x13, 0x41, 0x1B});
            answer = Bytes({0x11, 0x13, 0, 0, 0, 6, 27, 16, 0, 0, 0, 2});
        }
        EXPECT_EQ(Exchange(write), Hex(answer)) << type;
        if (type == kTcpInteger)
            EXPECT_EQ(Vr(0), 0x111B) << type;
        else
            EXPECT_EQ(std::bit_cast<uint32_t>(Vr(0)), 0x411B1113u) << type;
    }
}

TEST_F(ModbusSlave, TcpFloatPortsExchangeFloatPairs)
{
    Serve(kTcpFloat, kTable);
    WriteTable(5, 1.5f, 0);
    // Write TABLE 6 = -2.0 (0xC0000000) and read TABLE 5 and 6.
    EXPECT_EQ(Exchange(Bytes({0, 9, 0, 0, 0, 15, 1, 23, 0, 10, 0, 4, 0, 12, 0, 2, 4, 0, 0, 0xC0, 0})),
              Hex(Bytes({0, 9, 0, 0, 0, 11, 1, 23, 8, 0, 0, 0x3F, 0xC0, 0, 0, 0xC0, 0})));
    EXPECT_EQ(Table(6), -2.0f);
    EXPECT_EQ(Exchange(Bytes({0, 10, 0, 0, 0, 6, 1, 3, 0, 10, 0, 3})), Hex(Bytes({0, 10, 0, 0, 0, 3, 1, 0x83, 3})))
        << "an odd count splits a float";
}

} // namespace
