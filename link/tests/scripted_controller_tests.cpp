// The scripted controller that later tests stand on: what it answers, byte
// for byte, on the command line, in channel mode and in the packet form,
// and how its faults show.
#include "link/tests/support/scripted_controller.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/syncpacket.h"
#include "test_support.h"
#include "testsupport/fake_clock.h"

namespace {

const std::string kEsc = "\x1b";
const std::string kDc4 = "\x14";

class ControllerScriptTest : public testing::Test {
protected:
    // Writes bytes and returns everything the controller answered by now.
    std::string Say(const std::string& bytes, std::uint64_t nowMs = 0)
    {
        m_script.Receive(reinterpret_cast<const BYTE*>(bytes.data()), static_cast<int>(bytes.size()), nowMs);
        return Take(nowMs);
    }
    std::string Take(std::uint64_t nowMs = 0)
    {
        std::string out;
        BYTE buffer[64];
        for (int got; (got = m_script.TakeOutput(buffer, sizeof buffer, nowMs)) > 0;)
            out.append(reinterpret_cast<char*>(buffer), static_cast<std::size_t>(got));
        return out;
    }
    static std::string Packet(const char* payload)
    {
        CSyncPacket packet;
        return packet.Build(payload).str();
    }
    void EnterChannelMode(const char* command = "VQE(1)")
    {
        // The prompt comes on channel 0 once the mode has changed.
        EXPECT_EQ(std::string(command) + "\r\n" + kEsc + "0>>", Say(std::string(command) + "\r"));
        ASSERT_TRUE(m_script.IsChannelMode());
    }

    CControllerScript m_script;
};

TEST_F(ControllerScriptTest, TheCommandLineEchoesRepliesAndPrompts)
{
    m_script.SetReply("?VERSION", ScriptedReply("2.0137"));
    m_script.SetReply("LIST", ScriptedReply("line 1\nline 2"));
    EXPECT_EQ("?VERSION\r\n2.0137\r\n>>", Say("?VERSION\r"));
    EXPECT_EQ("LIST\r\nline 1\r\nline 2\r\n>>", Say("LIST\r\n"));
    EXPECT_EQ("OTHER\r\n>>", Say("OTHER\r"));
    EXPECT_EQ("\r\n>>", Say("\r"));
    // ETX drops what was typed; a channel selection means nothing here.
    EXPECT_EQ("\r\n>>VQE(0)\r\n>>", Say("junk\x03" + kEsc + "0VQE(0)\r"));
    EXPECT_EQ((std::vector<std::string>{"?VERSION", "LIST", "OTHER", "", "VQE(0)"}), m_script.Commands());
}

TEST_F(ControllerScriptTest, QueuedRepliesComeFirstInOrder)
{
    m_script.QueueReply("?IN(0)[0];", ScriptedReply("1"));
    m_script.QueueReply("?IN(0)[0];", ScriptedReply("2"));
    m_script.SetReply("?IN(0)[0];", ScriptedReply("3"));
    std::string replies;
    for (int n = 0; n < 4; ++n)
        replies += Say("?IN(0)[0];\r");
    const std::string echo = "?IN(0)[0];\r\n";
    EXPECT_EQ(echo + "1\r\n>>" + echo + "2\r\n>>" + echo + "3\r\n>>" + echo + "3\r\n>>", replies);
}

TEST_F(ControllerScriptTest, ChannelModeAnswersOnTheCommandChannel)
{
    m_script.SetReply("?VR(10);", ScriptedReply("1.5"));
    EnterChannelMode();
    // The echo ends LF DC4, reply lines CR DC4, the end mark is LF DC4;
    // each line selects its channel (DC4 ends a text of channel 8).
    EXPECT_EQ(kEsc + "8?VR(10);\n" + kDc4 + kEsc + "81.5\r" + kDc4 + kEsc + "8\n" + kDc4,
              Say(kEsc + "8?VR(10);\n" + kDc4));
    // What the development environment selected stays selected.
    EXPECT_EQ(kEsc + "8HALT\n" + kDc4 + kEsc + "8\n" + kDc4, Say("HALT\n" + kDc4));

    ScriptedReply running;
    running.statusLines = {"%[Process 1:Program MAIN] - Running"};
    m_script.SetReply("RUN \"MAIN\"", running);
    EXPECT_EQ(kEsc + "8RUN \"MAIN\"\n" + kDc4 + kEsc + "8\n" + kDc4 + kEsc + "9%[Process 1:Program MAIN] - Running\r" +
                  kDc4,
              Say("RUN \"MAIN\"\n" + kDc4));
}

TEST_F(ControllerScriptTest, TerminalChannels)
{
    m_script.SetReply("?1+1", ScriptedReply("2"));
    EnterChannelMode();
    // Channel 0 is the terminal's command line (selected by the prompt).
    EXPECT_EQ("?1+1\r\n2\r\n>>", Say(kEsc + "0?1+1\r"));
    // Other channels are taken as input; ESC ESC is one ESC.
    EXPECT_EQ("", Say(kEsc + "3abc" + kEsc + kEsc + kEsc + "/x"));
    EXPECT_EQ("abc\x1b", m_script.TerminalInput(3));
    EXPECT_EQ("x", m_script.TerminalInput(-1));
    // Output is announced by its channel; data DC1 and DC3 are escaped,
    // ESC goes as it is.
    m_script.SendOnChannel(2, "a\x1b" "b\x11\x13");
    EXPECT_EQ(kEsc + "2a" + kEsc + "b" + kEsc + "\x01" + kEsc + "\x02", Take());
    m_script.SendStatusLine("%[Process 2:Line 17] - Paused");
    EXPECT_EQ(kEsc + "9%[Process 2:Line 17] - Paused\r" + kDc4, Take());
}

TEST_F(ControllerScriptTest, LeavingChannelModeAnswersOnThePlainCommandLine)
{
    EnterChannelMode();
    // ETX answers like Ctrl-C; the echo is still on channel 0, the prompt
    // plain.
    EXPECT_EQ("\r\n>>VQE(0)\r\n>>", Say(kEsc + "0\x03VQE(0)\r"));
    EXPECT_FALSE(m_script.IsChannelMode());
    EXPECT_EQ("\r\n>>", Say("\r"));
}

TEST_F(ControllerScriptTest, ThePacketFormAcknowledgesAndSendsOneFrameAtATime)
{
    m_script.SetReply("?VERSION;", ScriptedReply("2.0137"));
    EnterChannelMode("VQE(3)");
    ASSERT_TRUE(m_script.IsPacketMode());
    const std::string line = Packet("2.0137") + "\r" + kDc4;
    const std::string end = Packet("") + "\n" + kDc4;
    // The ACK replaces the echo; the end mark waits for the line's ACK.
    EXPECT_EQ(kEsc + "8\x06" + kEsc + "8" + line, Say(kEsc + "8" + Packet("?VERSION;") + "\n" + kDc4));
    EXPECT_EQ(kEsc + "8" + end, Say("\x06"));
    EXPECT_EQ("", Say("\x06"));
    EXPECT_EQ(2, m_script.AcksReceived());
    EXPECT_EQ((std::vector<std::string>{"VQE(3)", "?VERSION;"}), m_script.Commands());

    // A damaged packet, and a good one the script rejects, get NAK.
    std::string damaged = Packet("?VERSION;");
    damaged[3] = 'X';
    EXPECT_EQ(kEsc + "8\x15", Say(damaged + "\n" + kDc4));
    m_script.RejectNextPackets(1);
    EXPECT_EQ(kEsc + "8\x15", Say(Packet("?VERSION;") + "\n" + kDc4));
    EXPECT_EQ(2, m_script.PacketsRejected());
}

TEST_F(ControllerScriptTest, ARefusedOrUnansweredFrameIsSentAgain)
{
    m_script.SetReply("?VERSION;", ScriptedReply("2.0137"));
    EnterChannelMode("VQE(3)");
    const std::string line = Packet("2.0137") + "\r" + kDc4;
    const std::string end = Packet("") + "\n" + kDc4;
    const std::string command = Packet("?VERSION;") + "\n" + kDc4;

    // NAK: the refused frame again, with its channel selection.
    EXPECT_EQ(kEsc + "8\x06" + kEsc + "8" + line, Say(kEsc + "8" + command, 1000));
    EXPECT_EQ(kEsc + "8" + line, Say("\x15", 1010));
    EXPECT_EQ(kEsc + "8" + end, Say("\x06", 1020));
    // No ACK: the frame again after 300 ms, five times in all at most.
    EXPECT_EQ("", Take(1319));
    EXPECT_EQ(kEsc + "8" + end, Take(1320));
    EXPECT_EQ(kEsc + "8" + end + kEsc + "8" + end + kEsc + "8" + end, Take(2220));
    EXPECT_EQ("", Take(5000)); // given up
    EXPECT_EQ(4, m_script.FramesRepeated() - 1);

    // A frame corrupted on the way is refused and comes again sound; a lost
    // ACK brings the frame again after the time-out.
    m_script.CorruptNextFrames(1);
    const std::string sent = Say(command, 6000);
    ASSERT_EQ(kEsc + "8\x06" + kEsc + "8", sent.substr(0, 5));
    CSyncPacket received;
    received.SetText(CString(sent.substr(5, line.size() - 2).c_str()));
    EXPECT_TRUE(received.IsFramed());
    EXPECT_FALSE(received.Check());
    EXPECT_EQ(kEsc + "8" + line, Say("\x15", 6010));
    m_script.LoseNextAcks(1);
    EXPECT_EQ("", Say("\x06", 6020));
    EXPECT_EQ(kEsc + "8" + line, Take(6310));
    EXPECT_EQ(kEsc + "8" + end, Say("\x06", 6320));
    EXPECT_EQ("", Say("\x06", 6330));
}

TEST_F(ControllerScriptTest, StatusFramesAreAcknowledgedOnTheirOwnChannel)
{
    EnterChannelMode("VQE(3)");
    m_script.SendStatusLine("%[Process 2:Line 17] - Paused", 0);
    m_script.SendStatusLine("%[Process 1:Program MAIN] - Running", 0);
    EXPECT_EQ(kEsc + "9" + Packet("%[Process 2:Line 17] - Paused") + "\r" + kDc4, Take());
    EXPECT_EQ("", Say(kEsc + "8\x06")); // an ACK on another channel
    EXPECT_EQ(kEsc + "9" + Packet("%[Process 1:Program MAIN] - Running") + "\r" + kDc4, Say(kEsc + "9\x06"));
}

TEST_F(ControllerScriptTest, RepliesByPatternAndByCallback)
{
    m_script.SetReply("?VR(7);", ScriptedReply("7.5"));
    m_script.SetReplyPattern("?VR(%d);", ScriptedReply("0.0000"));
    m_script.SetReplyPattern("?%s AXIS(%d);", ScriptedReply("1.0000"));
    m_script.SetReplyCallback([](const std::string& command, ScriptedReply& reply) {
        if (command.compare(0, 3, "?IN") != 0)
            return false;
        reply.text = "42";
        return true;
    });
    struct Case {
        const char* command;
        const char* reply;
    };
    const Case cases[] = {
        {"?VR(7);", "7.5"},           {"?VR(123);", "0.0000"},   {"?VR(-1);", "0.0000"},
        {"?VR(x);", ""},              {"?VR(1);;", ""},          {"?MPOS AXIS(3);", "1.0000"},
        {"?IN(0)[0];", "42"},         {"OTHER", ""},
    };
    for (const Case& c : cases) {
        const std::string reply = *c.reply ? std::string(c.reply) + "\r\n" : std::string();
        EXPECT_EQ(std::string(c.command) + "\r\n" + reply + ">>", Say(std::string(c.command) + "\r")) << c.command;
    }
}

TEST_F(ControllerScriptTest, DelayedRepliesWaitForTheirTimeAndKeepTheirPlace)
{
    ScriptedReply slow("42");
    slow.delayMs = 1000;
    m_script.SetReply("?SLOW", slow);
    EXPECT_EQ("", Say("?SLOW\r", 5000));
    m_script.InjectRaw("after", 5000);
    EXPECT_EQ("", Take(5999));
    EXPECT_EQ("?SLOW\r\n42\r\n>>after", Take(6000));
}

TEST_F(ControllerScriptTest, Faults)
{
    ScriptedReply mute;
    mute.silent = true;
    m_script.SetReply("MUTE", mute);
    EXPECT_EQ("", Say("MUTE\r"));

    ScriptedReply noPrompt("1");
    noPrompt.prompt = false;
    noPrompt.before = "PRINT OUTPUT\r\n";
    m_script.SetReply("?HALF", noPrompt);
    EXPECT_EQ("PRINT OUTPUT\r\n?HALF\r\n1\r\n", Say("?HALF\r"));

    m_script.SetSilent(true);
    EXPECT_EQ("", Say("?HALF\r"));
    m_script.SetSilent(false);

    ScriptedReply drop;
    drop.before = "par";
    drop.dropLink = true;
    m_script.SetReply("BYE", drop);
    EXPECT_EQ("par", Say("BYE\r"));
    EXPECT_TRUE(m_script.IsDropped());
    EXPECT_EQ("", Say("?HALF\r"));
    EXPECT_EQ((std::vector<std::string>{"MUTE", "?HALF", "?HALF", "BYE"}), m_script.Commands());
}

TEST_F(ControllerScriptTest, TheTranscriptShowsEveryByteBothWays)
{
    m_script.SetReply("?VERSION", ScriptedReply("2.0137"));
    Say("?VERSION\r");
    Say(kEsc + "0");
    EXPECT_EQ("W: ?VERSION<CR>\n"
              "R: ?VERSION<CR><LF>2.0137<CR><LF>>>\n"
              "W: <ESC>0\n",
              m_script.Transcript());
    EXPECT_EQ("?VERSION\r" + kEsc + "0", m_script.Written());
    EXPECT_EQ("?VERSION\r\n2.0137\r\n>>", m_script.Sent());
}

// The scripted controller as a link with its receive thread.
TEST(ScriptedControllerTest, RepliesReachTheReceiverThroughTheReceiveThread)
{
    CScriptedController link;
    link.SetReply("?VERSION", ScriptedReply("2.0137"));
    RecordingReceiver receiver;
    ASSERT_TRUE(link.Open(&receiver));
    const std::string command = "?VERSION\r";
    ASSERT_TRUE(link.Write(static_cast<int>(command.size()), reinterpret_cast<const BYTE*>(command.data())));
    const std::string reply = "?VERSION\r\n2.0137\r\n>>";
    ASSERT_TRUE(receiver.WaitForBytes(reply.size()));
    EXPECT_EQ(reply, receiver.Bytes());
    EXPECT_EQ(CHANNEL_NONE, receiver.Deliveries().front().first);
    EXPECT_EQ(1, link.GetWriteCount());
    EXPECT_EQ(command, link.Written());
}

TEST(ScriptedControllerTest, HeldRepliesWaitForTheClockInUse)
{
    FakeClock clock;
    CScriptedController link;
    ScriptedReply slow("7");
    slow.delayMs = 10000;
    link.SetReply("?SLOW", slow);
    RecordingReceiver receiver;
    ASSERT_TRUE(link.Open(&receiver));
    link.Write(6, reinterpret_cast<const BYTE*>("?SLOW\r"));
    Sleep(50);
    EXPECT_EQ("", receiver.Bytes());
    clock.Advance(10000);
    EXPECT_TRUE(receiver.WaitForBytes(12));
    EXPECT_EQ("?SLOW\r\n7\r\n>>", receiver.Bytes());
}

TEST(ScriptedControllerTest, ADroppedLinkRefusesWrites)
{
    CScriptedController link;
    ASSERT_TRUE(link.Open(nullptr));
    EXPECT_TRUE(link.IsOpen());
    link.DropLink();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_TRUE(link.GetOpenFlag()); // the link object does not know yet
    EXPECT_FALSE(link.Write(2, reinterpret_cast<const BYTE*>("?\r")));
    BYTE buffer[8];
    EXPECT_EQ(READ_LINK_LOST, link.Read(buffer, sizeof buffer));
    // Opening again starts a fresh controller.
    link.Close();
    ASSERT_TRUE(link.Open(nullptr));
    EXPECT_TRUE(link.IsOpen());
}

} // namespace
