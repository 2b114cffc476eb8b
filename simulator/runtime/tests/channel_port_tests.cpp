// Channels and ports as byte scripts: what the development environment sends
// on the link and which channel it reaches, and what the channels write.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

const std::string E = "\x1b"; // ESC
const std::string XON = "\x11";
const std::string XOFF = "\x13";
const std::string DC2 = "\x12";
const std::string DC4 = "\x14";

// Starts the link: the first service sends the initial XON, which the tests
// take away so that they see only their own bytes.
void StartLink(FakeHost& host)
{
    RunServices();
    ASSERT_EQ(host.TakeWritten(0), XON);
}

struct ReceiveCase {
    const char* name;
    int32_t linkMode;
    std::string wire;
    std::map<int, std::string> expected; // channel -> input bytes
};

std::vector<ReceiveCase> ReceiveCases()
{
    return {
        {"plain bytes go to channel 0", 0, "AB", {{0, "AB"}}},
        {"ESC 3 is data in the plain link mode", 0, E + "3", {{0, E + "3"}}},
        {"ESC 3 loses its ESC in the other modes", 1, E + "3", {{0, "3"}}},
        {"ESC 1 gives 17", 0, E + "\x01", {{0, XON}}},
        {"ESC 2 gives 19", 1, E + "\x02", {{0, XOFF}}},
        {"ESC and the digit 1 is no flow control", 0, E + "1", {{0, E + "1"}}},
        {"XON and XOFF are no data", 0, "A" + XON + "B" + XOFF + "C", {{0, "ABC"}}},
        {"ESC ESC is one ESC", 0, E + E + "A", {{0, E + "A"}}},
        {"channel 8 text", 0, E + "8HELLO" + DC4, {{8, "HELLO" + DC4}, {0, ""}}},
        {"a switch from 9 to 0 inside a text adds DC2", 1, E + "9AB" + E + "0C", {{9, "AB" + DC2}, {0, "C"}}},
        {"a finished text needs no DC2", 1, E + "9AB" + DC4 + E + "0C", {{9, "AB" + DC4}, {0, "C"}}},
        {"switching among terminal channels", 0, E + "5x" + E + "0y" + E + "7z", {{5, "x"}, {0, "y"}, {7, "z"}}},
        {"only 0 and 5 to 9 select a channel", 0, E + "5x" + E + "3y", {{5, "x" + E + "3y"}, {0, ""}}},
    };
}

// Feeds the script to port 0 in chunks of the given size, running the
// services after each chunk, and collects what each channel received.
std::map<int, std::string> Receive(const ReceiveCase& c, size_t chunk)
{
    RuntimeEnvironment env;
    g_LinkProtocolMode = c.linkMode;
    StartLink(env.host);
    std::map<int, std::string> received;
    for (size_t at = 0; at < c.wire.size(); at += chunk) {
        env.host.Send(0, c.wire.substr(at, chunk));
        RunServices();
        for (const auto& [channel, bytes] : c.expected)
            received[channel] += DrainInput(channel);
    }
    return received;
}

TEST(PortReceive, ScriptsReachTheirChannelsWholeSplitAndBytewise)
{
    for (const ReceiveCase& c : ReceiveCases()) {
        size_t half = c.wire.size() / 2 + 1;
        for (size_t chunk : {c.wire.size(), half, size_t{1}})
            EXPECT_EQ(Receive(c, chunk), c.expected) << c.name << " (chunks of " << chunk << ")";
    }
}

class Link : public testing::Test {
protected:
    void SetUp() override { StartLink(env.host); }

    void Output(int channel, const std::string& bytes)
    {
        for (char c : bytes)
            ASSERT_TRUE(TryPutOutputRing(channel, static_cast<uint8_t>(c)));
    }

    RuntimeEnvironment env;
};

TEST_F(Link, PlainLinkModeSendsNoChannelPrefixes)
{
    Output(5, "A");
    Output(8, "B");
    RunServices();
    Output(0, "C");
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), "ABC");
}

TEST_F(Link, OtherModesPrefixAChannelChange)
{
    g_LinkProtocolMode = 1;
    Output(5, "A");
    RunServices();
    Output(0, "B");
    RunServices();
    Output(0, "C");
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), E + "5A" + E + "0BC");
}

TEST_F(Link, TextOfChannel8EndsWithItsLine)
{
    g_LinkProtocolMode = 1;
    g_ProcessRecords[1].outputChannel = 8;
    PrintFormatted(1, "X%c", 28);
    RunServices();
    PrintFormatted(1, "Y%c", 28);
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), E + "8X\r" + DC4 + E + "8Y\r" + DC4);
}

TEST_F(Link, OpenTextHoldsThePortUntilItTimesOut)
{
    g_LinkProtocolMode = 1;
    Output(8, "X");
    RunServices();
    Output(0, "Y");
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), E + "8X") << "channel 0 waits behind the open text";

    for (int n = 0; n < kTextTimeout - 1; ++n)
        TickTimers();
    RunServices();
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), "");

    TickTimers();
    for (int n = 0; n < 3; ++n)
        RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), DC2 + E + "0Y");
}

TEST_F(Link, FlowControlCharactersAreEscapedOnTheWire)
{
    Output(5, XON + "a" + XOFF + E);
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), E + "\x01" + "a" + E + "\x02" + E);
}

TEST_F(Link, ReceivedXoffStopsTransmittingUntilXon)
{
    env.host.Send(0, XOFF);
    RunServices();
    Output(5, "hold");
    RunServices();
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), "");
    env.host.Send(0, XON);
    RunServices();
    EXPECT_EQ(env.host.TakeWritten(0), "hold");
}

// Behind a host that queues received bytes the full 128-byte ring is no
// reason to pause the peer: the bytes wait in the host's queue. XOFF comes
// only when that queue runs short, XON once it has room again.
TEST_F(Link, BehindAHostQueueXoffOnlyWhenTheQueueRunsShort)
{
    env.host.rxRoom = 60000;
    env.host.Send(0, std::string(200, 'a'));
    PortService();
    EXPECT_GE(PortRxCount(0), 126) << "the ring is full";
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "") << "the host's queue has room";

    env.host.rxRoom = kHostRoomPause - 1;
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), XOFF);
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "") << "one XOFF only";

    env.host.rxRoom = kHostRoomResume - 1;
    ServicePortsReceive();
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "") << "not yet room enough";
    env.host.rxRoom = kHostRoomResume;
    ServicePortsReceive();
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), XON);
}

TEST_F(Link, XoffWhenFewerThan32BytesAreFreeAndXonWhenDrained)
{
    // The channel layer is not run, so the bytes stay in port 0's ring.
    env.host.Send(0, std::string(95, 'a'));
    PortService();
    EXPECT_EQ(PortRxCount(0), 95);
    EXPECT_EQ(env.host.TakeWritten(0), "") << "32 bytes still free";

    env.host.Send(0, "b");
    PortService();
    EXPECT_EQ(PortRxCount(0), 96);
    EXPECT_EQ(env.host.TakeWritten(0), XOFF);
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "") << "one XOFF only";

    // Channel 0 takes 16 bytes per service; XON comes once more than 96
    // bytes of the port's ring are free again (30 bytes left).
    for (int n = 0; n < 4; ++n)
        ServicePortsReceive();
    EXPECT_EQ(PortRxCount(0), 32);
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "");
    ServicePortsReceive();
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), XON);
    ServicePortsReceive();
    EXPECT_EQ(DrainInput(0), std::string(95, 'a') + "b");
}

TEST_F(Link, NoXoffOnTheFramedLink)
{
    g_LinkProtocolMode = 3;
    env.host.Send(0, std::string(100, 'a'));
    PortService();
    PortService();
    EXPECT_EQ(env.host.TakeWritten(0), "");
}

TEST_F(Link, FullRingsHold127BytesAndLoseNothing)
{
    std::string sent;
    for (int n = 0; n < 300; ++n)
        sent.push_back(static_cast<char>('a' + n % 26));
    env.host.Send(0, sent);
    for (int n = 0; n < 40; ++n)
        RunServices();
    EXPECT_EQ(InputCount(0), 127) << "channel 0's ring is full";
    EXPECT_EQ(PortRxCount(0), 126) << "the port takes no byte it may not be able to store";
    EXPECT_EQ(env.host.Pending(0), 300 - 127 - 126) << "the rest waits in the link's ring";

    std::string received = DrainInput(0);
    for (int n = 0; n < 40; ++n) {
        RunServices();
        received += DrainInput(0);
    }
    EXPECT_EQ(received, sent);
}

TEST_F(Link, PortWithoutFlowControlPassesXonAndXoffAsData)
{
    PortReceiveByte(2, kXon);
    PortReceiveByte(2, kXoff);
    ServicePortReceive(2);
    EXPECT_EQ(DrainInput(11), XON + XOFF);

    Output(11, XON + XOFF);
    ServiceChannelTransmit(11);
    PortTransmit(2);
    EXPECT_EQ(env.host.TakeWritten(2), XON + XOFF);
}

TEST(TerminalDecoder, CursorKeysAndDeleteSequences)
{
    struct Case {
        const char* name;
        std::string input;
        std::vector<int> handedOn;
    };
    const Case cases[] = {
        {"plain bytes", "ab", {'a', 'b'}},
        {"cursor up", E + "[A", {0, 2}},
        {"cursor down", E + "[B", {0, 3}},
        {"cursor right with parameters", E + "[5;3C", {0, 1}},
        {"cursor left", E + "[D", {0, 0}},
        {"ESC and another byte drops the ESC", E + "x", {'x'}},
        {"unknown final byte", E + "[Z", {0, 0}},
        {"Ctrl-K then D",
         "\x0b"
         "D",
         {0, 4}},
        {"Ctrl-K swallows until 4, D or d",
         "\x0b"
         "zq"
         "d",
         {0, 4}},
        {"more than ten parameters", E + "[1;2;3;4;5;6;7;8;9;10;11;12;99999999999A", {0, 2}},
    };
    for (const Case& c : cases) {
        ResetTerminalDecoder();
        std::vector<int> out;
        for (char ch : c.input) {
            int decoded = DecodeTerminalByte(static_cast<uint8_t>(ch));
            if (decoded >= 0)
                out.push_back(decoded);
        }
        EXPECT_EQ(out, c.handedOn) << c.name;
    }
}

TEST(ChannelInput, TranslationByInputMode)
{
    RuntimeEnvironment env;
    ProcessRecord& p = g_ProcessRecords[1];

    p.inputChannel = 0; // terminal mode
    FillInput(0, E + "[Aq");
    EXPECT_EQ(ReadChannelChar(1), 0);
    EXPECT_EQ(ReadChannelChar(1), 2);
    EXPECT_EQ(ReadChannelChar(1), 'q');

    p.inputChannel = 5; // raw
    FillInput(5, E + "[A");
    EXPECT_EQ(ReadChannelChar(1), 27);

    g_ChannelRecords[6].inputMode = kInputKeypad;
    p.inputChannel = 6;
    g_KeypadTable[0x41] = 0x90;
    FillInput(6, "A");
    EXPECT_EQ(ReadChannelChar(1), 0x90);
    g_KeypadTable[0x41] = 0x41;

    p.inputChannel = 4; // taken as channel 3
    FillInput(3, "z");
    EXPECT_EQ(InputCount(1), 1);
    EXPECT_EQ(GetInputRing(1), 'z');
    EXPECT_EQ(GetInputRing(1), -1);
}

TEST(ChannelInput, WaitEndsOnAPendingError)
{
    RuntimeEnvironment env;
    g_ProcessRecords[1].inputChannel = 5;
    SetProcessError(1, 18);
    EXPECT_EQ(WaitInputChar(1), -1);
    EXPECT_EQ(ReadChar(1), -1);
}

// The command-channel service runs while the command line waits for a key;
// a command that itself reads a key must not run the service again, or it
// would take its own bytes off channel 8.
int g_ServiceDepth = 0;
int g_MaxServiceDepth = 0;
int g_ServiceCalls = 0;
int g_ServiceRead = -1;

void CommandService(int process)
{
    ++g_ServiceCalls;
    g_MaxServiceDepth = std::max(g_MaxServiceDepth, ++g_ServiceDepth);
    if (g_ServiceCalls == 1) {
        EXPECT_EQ(g_ProcessRecords[process].inputChannel, 8);
        g_ServiceRead = ReadChar(process);
    }
    --g_ServiceDepth;
}

TEST(ChannelInput, CommandChannelServiceIsNeverReentered)
{
    RuntimeEnvironment env;
    g_ServiceDepth = g_MaxServiceDepth = g_ServiceCalls = 0;
    g_ServiceRead = -1;
    ProcessRecord& p = g_ProcessRecords[0];
    p.inputChannel = 5;
    p.outputChannel = 5;
    SetCommandChannelService(CommandService);
    int sleeps = 0;
    env.host.onSleep = [&] {
        ++sleeps;
        if (sleeps == 5)
            FillInput(8, "K"); // the command's own key arrives
        if (sleeps == 10)
            FillInput(5, "!"); // then the command line's key
    };

    EXPECT_EQ(ReadChar(0), '!');
    EXPECT_EQ(g_ServiceRead, 'K');
    EXPECT_EQ(g_MaxServiceDepth, 1);
    EXPECT_GE(g_ServiceCalls, 2) << "the service keeps running while the command line waits";
    EXPECT_EQ(p.inputChannel, 5) << "channels restored after the service";
    EXPECT_EQ(p.outputChannel, 5);
    env.host.onSleep = nullptr;
}

} // namespace
