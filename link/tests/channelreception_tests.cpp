// Channel-mode reception: lines of channels 8 and 9, the packet form's
// checks and answers, and terminal bytes; every input fed whole, split in
// two and byte by byte must give the same result.
#include "link/channelreception.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/syncpacket.h"
#include "testsupport/memory_log.h"

namespace {

struct RecordingSink : IChannelReceptionSink {
    std::vector<std::string> events;
    void OnTerminalBytes(int channel, int length, const BYTE* bytes) override
    {
        events.push_back("T" + std::to_string(channel) + ":" + std::string(reinterpret_cast<const char*>(bytes), length));
    }
    bool OnChannelLine(int channel, const char* text, int length, bool endedCR) override
    {
        events.push_back("L" + std::to_string(channel) + (endedCR ? "cr:" : ":") + std::string(text, length));
        return true;
    }
    void OnPacketAnswer(int channel, BYTE answer) override
    {
        events.push_back(std::string(answer == 0x06 ? "ACK" : "NAK") + std::to_string(channel));
    }
    void SendPacketAnswer(int channel, BYTE answer) override
    {
        events.push_back(std::string(answer == 0x06 ? "send ACK" : "send NAK") + std::to_string(channel));
    }
};

std::string Packet(const char* payload)
{
    CSyncPacket packet;
    return packet.Build(payload).str();
}

// Feeds input in the given cut (0 whole, 1 halves, 2 byte by byte).
std::vector<std::string> Feed(bool packet, int channel, const std::string& input, int cut)
{
    CChannelReception reception;
    RecordingSink sink;
    auto give = [&](std::size_t from, std::size_t count) {
        reception.Receive(sink, packet, channel, static_cast<int>(count),
                          reinterpret_cast<const BYTE*>(input.data() + from));
    };
    if (cut == 0) {
        give(0, input.size());
    } else if (cut == 1) {
        give(0, input.size() / 2);
        give(input.size() / 2, input.size() - input.size() / 2);
    } else {
        for (std::size_t n = 0; n < input.size(); ++n)
            give(n, 1);
    }
    return sink.events;
}

TEST(ChannelReceptionTest, LinesWholeSplitAndByteByByte)
{
    const std::string dc4 = "\x14";
    std::string bad = Packet("2.0137");
    bad[2] = '3';
    struct Case {
        const char* name;
        bool packet;
        int channel;
        std::string input;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"echo, value, end", false, 8, "?VERSION;\n" + dc4 + "2.0137\r" + dc4 + "\n" + dc4,
         {"L8:?VERSION;", "L8cr:2.0137", "L8:"}},
        {"status line", false, 9, "%[Process 2:Line 17] - Paused\r" + dc4,
         {"L9cr:%[Process 2:Line 17] - Paused"}},
        {"DC2 drops the text", false, 8, "half\x12" "whole\n" + dc4, {"L8:whole"}},
        {"DC4 out of place skips to the next", false, 8, "x" + dc4 + "y\n" + dc4 + "ok\n" + dc4, {"L8:ok"}},
        {"terminal bytes pass at once", false, 3, "abc\r\n", {"T3:abc\r\n"}},
        {"good packet", true, 8, Packet("2.0137") + "\r" + dc4, {"send ACK8", "L8cr:2.0137"}},
        {"damaged packet", true, 8, bad + "\r" + dc4, {"send NAK8"}},
        {"unframed line in the packet form", true, 8, "2.0137\r" + dc4, {}},
        {"answers to our packets", true, 8, "\x06\x15", {"ACK8", "NAK8"}},
        {"status packet answered on 9", true, 9, Packet("%[Process 1:Line 2] - Paused") + "\r" + dc4,
         {"send ACK9", "L9cr:%[Process 1:Line 2] - Paused"}},
    };
    for (const Case& c : cases) {
        for (int cut = 0; cut < 3; ++cut) {
            std::vector<std::string> events = Feed(c.packet, c.channel, c.input, cut);
            if (c.channel < 8 && cut > 0) {
                // Terminal bytes come in the pieces they arrived in.
                std::string joined;
                for (const std::string& event : events)
                    joined += event.substr(3);
                events = {"T3:" + joined};
            }
            EXPECT_EQ(c.events, events) << c.name << " cut " << cut;
        }
    }
}

TEST(ChannelReceptionTest, ALineTooLongSkipsUntilItsEnd)
{
    MemoryLog log;
    CChannelReception reception;
    RecordingSink sink;
    const std::string longLine(300, 'a');
    EXPECT_FALSE(reception.Receive(sink, false, 8, static_cast<int>(longLine.size()),
                                   reinterpret_cast<const BYTE*>(longLine.data())));
    EXPECT_EQ(CChannelReception::Skipping, reception.GetState());
    const std::string rest = "\n\x14ok\n\x14";
    reception.Receive(sink, false, 8, static_cast<int>(rest.size()), reinterpret_cast<const BYTE*>(rest.data()));
    EXPECT_EQ((std::vector<std::string>{"L8:ok"}), sink.events);

    // 256 bytes fit.
    const std::string fits = std::string(256, 'b') + "\n\x14";
    RecordingSink second;
    EXPECT_TRUE(reception.Receive(second, false, 8, static_cast<int>(fits.size()),
                                  reinterpret_cast<const BYTE*>(fits.data())));
    ASSERT_EQ(1u, second.events.size());
    EXPECT_EQ(3u + 256u, second.events[0].size());

    std::string bad = Packet("x");
    bad[1] = 'y';
    const std::string framed = bad + "\n\x14";
    reception.Receive(sink, true, 8, static_cast<int>(framed.size()), reinterpret_cast<const BYTE*>(framed.data()));
    EXPECT_TRUE(log.Contains("Invalid packet received"));
}

} // namespace
