#include "link/channeldemux.h"

#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "recording_receiver.h"
#include "testsupport/memory_log.h"

namespace {

using Runs = std::vector<std::pair<int, std::string>>;

// Decodes input fed in parts cut at the given sizes (the rest in one
// part), starting on channel start.
Runs Decode(const std::string& input, const std::vector<std::size_t>& cuts, int start = 0, int* endChannel = nullptr)
{
    RecordingReceiver receiver;
    int channel = start;
    int escape = 0;
    std::size_t at = 0;
    for (std::size_t cut : cuts) {
        cut = std::min(cut, input.size() - at);
        DispatchChannels(&receiver, channel, escape, static_cast<int>(cut),
                         reinterpret_cast<const BYTE*>(input.data() + at));
        at += cut;
    }
    if (at < input.size())
        DispatchChannels(&receiver, channel, escape, static_cast<int>(input.size() - at),
                         reinterpret_cast<const BYTE*>(input.data() + at));
    if (endChannel)
        *endChannel = channel;
    return receiver.Runs();
}

struct Case {
    const char* name;
    std::string input;
    Runs expected;
};

std::vector<Case> Cases()
{
    const std::string esc = "\x1b";
    return {
        {"plain bytes stay on the current channel", "abc", {{0, "abc"}}},
        {"a digit selects a channel", "ab" + esc + "3cd", {{0, "ab"}, {3, "cd"}}},
        {"slash selects channel -1", esc + "/x" + esc + "9y", {{-1, "x"}, {9, "y"}}},
        {"ESC ESC is one ESC",
         "a" + esc + esc + "b",
         {{0, "a\x1b"
              "b"}}},
        {"ESC 01 is DC1, ESC 02 is DC3", esc + "\x01" + esc + "\x02", {{0, "\x11\x13"}}},
        {"an unknown pair passes whole", "a" + esc + ":b", {{0, "a\x1b:b"}}},
        {"selecting the current channel changes nothing", "a" + esc + "0b", {{0, "ab"}}},
        {"a selection without data delivers nothing", esc + "5" + esc + "6z", {{6, "z"}}},
        {"NUL and high bytes pass", std::string("\0\xff", 2), {{0, std::string("\0\xff", 2)}}},
    };
}

TEST(ChannelDemuxTest, FedWholeSplitAndByteByByteGivesTheSameResult)
{
    for (const Case& c : Cases()) {
        EXPECT_EQ(c.expected, Decode(c.input, {})) << c.name << " (whole)";
        for (std::size_t cut = 1; cut < c.input.size(); ++cut)
            EXPECT_EQ(c.expected, Decode(c.input, {cut})) << c.name << " (cut at " << cut << ")";
        EXPECT_EQ(c.expected, Decode(c.input, std::vector<std::size_t>(c.input.size(), 1)))
            << c.name << " (byte by byte)";
    }
}

TEST(ChannelDemuxTest, AnEscapeAtTheEndOfOneReadSelectsWithTheNextRead)
{
    RecordingReceiver receiver;
    int channel = 0;
    int escape = 0;
    const BYTE first[] = {'a', 0x1B};
    const BYTE second[] = {'3', 'b'};
    DispatchChannels(&receiver, channel, escape, 2, first);
    EXPECT_EQ(1, escape);
    EXPECT_EQ(0, channel);
    DispatchChannels(&receiver, channel, escape, 2, second);
    EXPECT_EQ(3, channel);
    EXPECT_EQ(0, escape);
    EXPECT_EQ((Runs{{0, "a"}, {3, "b"}}), receiver.Deliveries());
}

TEST(ChannelDemuxTest, ChannelChangesAreLoggedOnlyWhenTheChannelChanges)
{
    MemoryLog log(LOG_CHANNEL_CHANGES);
    Decode("a\x1b"
           "0b\x1b"
           "8c\x1b"
           "8d\x1b"
           "/e",
           {}, 0);
    EXPECT_EQ((std::vector<std::string>{"Change channel from 0 to 8", "Change channel from 8 to -1"}), log.Lines());

    MemoryLog otherCategories(0xFFFFFFFF & ~LOG_CHANNEL_CHANGES);
    Decode("\x1b"
           "3x",
           {}, 0);
    EXPECT_TRUE(otherCategories.Lines().empty());
}

TEST(ChannelDemuxTest, MissingArgumentsDoNothing)
{
    RecordingReceiver receiver;
    int channel = 2;
    int escape = 0;
    const BYTE bytes[] = {0x1B, '4'};
    DispatchChannels(nullptr, channel, escape, 2, bytes);
    DispatchChannels(&receiver, channel, escape, 2, nullptr);
    DispatchChannels(&receiver, channel, escape, 0, bytes);
    DispatchChannels(&receiver, channel, escape, -1, bytes);
    EXPECT_EQ(2, channel);
    EXPECT_EQ(0, escape);
    EXPECT_TRUE(receiver.Deliveries().empty());
}

} // namespace
