// Framed lines of channels 8 and 9 (link protocol mode 3) against a peer that
// acknowledges, refuses or ignores them. The processes run on their own
// threads under a test sequencer, on the host's virtual clock.
#include <gtest/gtest.h>

#include <mutex>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/control_codes.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;
using namespace testbytes;

namespace {

// The whole frame of a line as the development environment sees it.
std::string Frame(const std::string& text, char lineEnd)
{
    std::string body = text + ETX;
    uint8_t code[3];
    EncodeFrameCrc(Crc16(reinterpret_cast<const uint8_t*>(body.data()), body.size()), code);
    return STX + body + std::string(reinterpret_cast<const char*>(code), 3) + lineEnd + DC4;
}

// Plays the development environment: follows the channel prefixes, cuts the
// written bytes into frames and answers each from a script: 'A' ACK, 'N' NAK,
// 'G' some other bytes then ACK, '-' nothing.
class Peer {
public:
    explicit Peer(std::string script) : m_script(std::move(script)) {}

    void Attach(FakeHost& host)
    {
        host.SetResponder([this](FakeHost& h, int, std::string_view bytes) { See(h, bytes); });
    }

    struct Received {
        int channel;
        std::string frame;
        bool operator==(const Received&) const = default;
    };

    std::vector<Received> Frames()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_frames;
    }

private:
    void See(FakeHost& host, std::string_view bytes)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (char c : bytes) {
            if (m_escape) {
                m_escape = false;
                m_channel = c - '0';
                continue;
            }
            if (c == 27) {
                m_escape = true;
                continue;
            }
            if (c == STX)
                m_current.clear();
            m_current.push_back(c);
            if (c != DC4)
                continue;
            size_t n = m_frames.size();
            m_frames.push_back({m_channel, m_current});
            std::string prefix = E + static_cast<char>('0' + m_channel);
            switch (n < m_script.size() ? m_script[n] : '-') {
            case 'A':
                host.Send(0, prefix + ACK);
                break;
            case 'N':
                host.Send(0, prefix + NAK);
                break;
            case 'G':
                host.Send(0, prefix + "xyz" + ACK);
                break;
            default:
                break;
            }
        }
    }

    std::mutex m_lock;
    std::string m_script;
    bool m_escape = false;
    int m_channel = 0;
    std::string m_current;
    std::vector<Received> m_frames;
};

class FramedLink : public testing::Test {
protected:
    void SetUp() override
    {
        g_LinkProtocolMode = 3;
        g_ServoRunning.store(true); // waits for another process count servo periods
    }

    // Runs the bodies as processes 1, 2, ... until all have ended: one body
    // on the test thread, more on threads of their own under a sequencer.
    void Run(const std::vector<std::function<void(int)>>& bodies)
    {
        if (bodies.size() == 1) {
            InlineProcess process(1);
            bodies[0](1);
            for (int n = 0; n < 20; ++n)
                YieldSlice(); // what is left in the rings goes out
            return;
        }
        for (size_t n = 0; n < bodies.size(); ++n)
            StartTestProcess(static_cast<int>(n) + 1, bodies[n]);
        TestSequencer sequencer;
        sequencer.Start();
        bool ended = WaitFor([&] {
            for (size_t n = 0; n < bodies.size(); ++n) {
                if (!TestProcessFinished(static_cast<int>(n) + 1))
                    return false;
            }
            return true;
        });
        sequencer.Stop();
        ASSERT_TRUE(ended) << "a process did not finish";
    }

    static std::function<void(int)> PrintLine(int channel, std::string text)
    {
        return [channel, text](int process) {
            g_ProcessRecords[process].outputChannel = channel;
            g_ProcessRecords[process].inputChannel = 0;
            PrintFormatted(process, "%s%c", text, 28);
            EXPECT_EQ(g_ProcessRecords[process].inputChannel, 0) << "input channel restored";
        };
    }

    RuntimeEnvironment env;
};

TEST_F(FramedLink, AcknowledgedLineIsSentOnce)
{
    Peer peer("A");
    peer.Attach(env.host);
    Run({PrintLine(9, "HI")});
    EXPECT_EQ(env.host.Written(0), "\x11" + E + "9" + Frame("HI", '\r'));
    EXPECT_EQ(OutputFrameOwner(), -1);
}

TEST_F(FramedLink, RefusedLineIsSentAgainWithItsChannelPrefix)
{
    Peer peer("NA");
    peer.Attach(env.host);
    Run({PrintLine(9, "HI")});
    std::string frame = Frame("HI", '\r');
    EXPECT_EQ(env.host.Written(0), "\x11" + E + "9" + frame + E + "9" + frame);
}

TEST_F(FramedLink, OtherBytesBeforeTheAnswerAreDropped)
{
    Peer peer("G");
    peer.Attach(env.host);
    Run({PrintLine(8, "?VR(1)")});
    ASSERT_EQ(peer.Frames().size(), 1u);
    EXPECT_EQ(peer.Frames()[0].frame, Frame("?VR(1)", '\r'));
}

TEST_F(FramedLink, SilenceSendsTheLineAgainAfter300msAtMostFiveTimes)
{
    Peer peer("");
    peer.Attach(env.host);
    Run({PrintLine(9, "LOST")});
    std::vector<Peer::Received> frames = peer.Frames();
    ASSERT_EQ(frames.size(), static_cast<size_t>(kFrameRounds));
    for (const Peer::Received& f : frames)
        EXPECT_EQ(f, (Peer::Received{9, Frame("LOST", '\r')}));
    EXPECT_GE(env.host.MillisecondsSinceStart(), uint64_t{kFrameRounds} * kFrameReplyWaitMs)
        << "each round waits 300 ms of the host's clock";
    EXPECT_EQ(OutputFrameOwner(), -1);
}

TEST_F(FramedLink, LineFeedEndCode)
{
    Peer peer("A");
    peer.Attach(env.host);
    Run({[](int process) {
        g_ProcessRecords[process].outputChannel = 8;
        PrintFormatted(process, "OK%c", 30);
    }});
    ASSERT_EQ(peer.Frames().size(), 1u);
    EXPECT_EQ(peer.Frames()[0].frame, Frame("OK", '\n'));
}

class FramedLinkThreads : public FramedLink {};

TEST_F(FramedLinkThreads, LinesOfTwoProcessesOnChannels8And9DoNotMix)
{
    Peer peer("AAAAAAAA");
    peer.Attach(env.host);
    auto lines = [](int channel, char letter) {
        return [channel, letter](int process) {
            g_ProcessRecords[process].outputChannel = channel;
            for (int n = 0; n < 4; ++n)
                PrintFormatted(process, "%s%i%c", std::string(20, letter), n, 28);
        };
    };
    Run({lines(8, 'a'), lines(9, 'b')});
    std::vector<Peer::Received> frames = peer.Frames();
    ASSERT_EQ(frames.size(), 8u);
    int next[2] = {0, 0};
    for (const Peer::Received& f : frames) {
        ASSERT_TRUE(f.channel == 8 || f.channel == 9);
        int k = f.channel - 8;
        char letter = k == 0 ? 'a' : 'b';
        EXPECT_EQ(f.frame, Frame(std::string(20, letter) + std::to_string(next[k]++), '\r'));
    }
}

} // namespace
