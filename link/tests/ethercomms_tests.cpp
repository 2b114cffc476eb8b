// The Ethernet link against a fake controller listening on 127.0.0.1 (a
// port the system picks; never a controller's address).
#include "link/ethercomms.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "connection_stub.h"
#include "loopback_peer.h"
#include "testsupport/fake_clock.h"

namespace {

const std::string kEsc = "\x1b";

CCommPortData LoopbackRecord(std::uint32_t port, LPCSTR host = "127.0.0.1")
{
    CCommPortData record;
    record.SetName("ENetTest");
    record.SetTypeDefaults(LINK_TYPE_ETHERNET);
    record.SetEthernet(host, port);
    return record;
}

bool WriteText(CComms& link, const std::string& text)
{
    return link.Write(static_cast<int>(text.size()), reinterpret_cast<const BYTE*>(text.data()));
}

// Bytes that differ from their neighbours, so a byte sent twice or lost
// shows.
std::string Pattern(std::size_t size)
{
    std::string bytes(size, '\0');
    for (std::size_t n = 0; n < size; ++n)
        bytes[n] = static_cast<char>((n * 7 + n / 251) & 0xFF);
    return bytes;
}

TEST(EtherCommsRecordTest, DefaultsNameTheControllerAddressAndKeepNoHandshake)
{
    CEtherComms link;
    EXPECT_TRUE(link.SetConfiguration(nullptr));
    EXPECT_STREQ("ENet0", link.GetName());
    EXPECT_STREQ("Ethernet:192.168.0.250:23", link.GetRecord()->FormatDescription(true));
    EXPECT_EQ(LINK_TYPE_ETHERNET, link.GetRecord()->m_nType);
    EXPECT_TRUE(link.SetData(nullptr, TRUE));
    EXPECT_FALSE(link.GetHandshake());
    EXPECT_EQ(256, link.GetTxBlockSize());
    EXPECT_FALSE(link.GetOpenFlag());
}

class EtherCommsTest : public testing::Test {
protected:
    bool OpenOn(unsigned short port, LPCSTR host = "127.0.0.1")
    {
        const CCommPortData record = LoopbackRecord(port, host);
        m_link.SetConfiguration(&record);
        return m_link.Open(&m_connection) && m_peer.Accept();
    }

    LoopbackPeer m_peer;
    ConnectionStub m_connection;
    CEtherComms m_link;
};

TEST_F(EtherCommsTest, TheEchoExchangeRunsBothWays)
{
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    EXPECT_TRUE(m_link.GetOpenFlag());
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_TRUE(WriteText(m_link, "?VERSION\r"));
    EXPECT_EQ("?VERSION\r", m_peer.Receive(9));
    ASSERT_TRUE(m_peer.Send("?VERSION\r\n2.0137\r\n>>"));
    ASSERT_TRUE(m_connection.WaitForBytes(20));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, "?VERSION\r\n2.0137\r\n>>"}}),
              m_connection.Runs());
    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    EXPECT_EQ("", m_peer.ReceiveUntilClosed()); // the link hung up
    EXPECT_FALSE(WriteText(m_link, "x"));
}

TEST_F(EtherCommsTest, AHostNameIsLookedUp)
{
    EXPECT_TRUE(OpenOn(m_peer.Port(), "localhost"));
}

TEST_F(EtherCommsTest, OpeningNeedsAConnectionToDeliverTo)
{
    const CCommPortData record = LoopbackRecord(m_peer.Port());
    m_link.SetConfiguration(&record);
    EXPECT_FALSE(m_link.Open(nullptr));
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_peer.Accept(100));
}

TEST_F(EtherCommsTest, ARefusedPortFailsWithinTheTimeOut)
{
    const unsigned short port = m_peer.Port();
    m_peer.StopListening();
    const CCommPortData record = LoopbackRecord(port);
    m_link.SetConfiguration(&record);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(m_link.Open(&m_connection));
    EXPECT_LT(GetTickCount64() - start, 5000u);
    EXPECT_FALSE(m_link.GetOpenFlag());
}

TEST_F(EtherCommsTest, PortsOutsideTheTcpRangeAreRefusedWithoutConnecting)
{
    for (std::uint32_t port : {0u, 65536u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(port);
        const CCommPortData record = LoopbackRecord(port);
        m_link.SetConfiguration(&record);
        EXPECT_FALSE(m_link.Open(&m_connection));
    }
    EXPECT_FALSE(m_peer.Accept(50));
}

TEST_F(EtherCommsTest, ASendTakenInPartsDeliversEveryByteOnce)
{
    FakeClock clock;
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    const std::string block = Pattern(8 * 1024 * 1024);
    std::string received;
    std::atomic<std::size_t> progress{0};
    // Each retry waits until the peer has drained what was sent so far.
    clock.SetSleepHook([&](std::uint64_t) {
        std::size_t seen = progress;
        const ULONGLONG start = GetTickCount64();
        for (int quiet = 0; quiet < 20 && GetTickCount64() - start < 2000; ++quiet) {
            Sleep(1);
            if (progress != seen) {
                seen = progress;
                quiet = 0;
            }
        }
    });
    std::thread reader([&] {
        Sleep(50);
        while (received.size() < block.size()) {
            const std::string chunk = m_peer.Receive(std::min<std::size_t>(block.size() - received.size(), 65536));
            if (chunk.empty())
                break;
            received += chunk;
            progress = received.size();
        }
    });
    EXPECT_TRUE(WriteText(m_link, block));
    reader.join();
    EXPECT_GT(clock.SleptMs(), 0u); // more than one attempt was needed
    EXPECT_EQ(block.size(), received.size());
    EXPECT_TRUE(block == received);
    EXPECT_EQ(1, m_peer.AcceptedCount());
}

TEST_F(EtherCommsTest, ASendThatNeverCompletesFailsAndReconnects)
{
    FakeClock clock; // the 40 attempts pass at once
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    EXPECT_FALSE(WriteText(m_link, Pattern(64 * 1024 * 1024)));
    EXPECT_EQ(39u * 50u, clock.SleptMs());
    // The link is still open, on a fresh connection that works.
    ASSERT_TRUE(m_peer.Accept());
    EXPECT_EQ(2, m_peer.AcceptedCount());
    EXPECT_TRUE(m_link.GetOpenFlag());
    EXPECT_TRUE(WriteText(m_link, "?1\r"));
    EXPECT_EQ("?1\r", m_peer.Receive(3));
}

TEST_F(EtherCommsTest, AWriteAfterThePeerResetFailsAndReconnects)
{
    FakeClock clock;
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    m_peer.Disconnect(true);
    Sleep(20);
    // The first send after a reset may still be taken by the system; the
    // reset shows by the second at the latest.
    bool failed = false;
    for (int n = 0; n < 3 && !failed; ++n)
        failed = !WriteText(m_link, "?VERSION\r");
    EXPECT_TRUE(failed);
    ASSERT_TRUE(m_peer.Accept());
    EXPECT_TRUE(WriteText(m_link, "ok"));
    EXPECT_EQ("ok", m_peer.Receive(2));
}

TEST_F(EtherCommsTest, ThePeerDroppingMidReadReportsTheLinkLostOnce)
{
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    ASSERT_TRUE(m_peer.Send("part of a rep"));
    ASSERT_TRUE(m_connection.WaitForBytes(13));
    m_peer.Disconnect();
    // The hang-up reaches the connection once.
    const ULONGLONG start = GetTickCount64();
    while (m_connection.m_linkLost == 0 && GetTickCount64() - start < 5000)
        Sleep(1);
    EXPECT_EQ(1, m_connection.m_linkLost.load());
    EXPECT_EQ("part of a rep", m_connection.Bytes());
    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
}

TEST(EtherCommsReselectTest, TheChannelIsReselectedOnlyWhenTheConnectionIsListening)
{
    struct Case {
        bool transaction;
        int receiveChannel;
        int modelWord;
        int transmitChannel;
        bool reselect;
    };
    const Case cases[] = {
        {true, CHANNEL_NONE, 0, 5, true},   // a transaction waits
        {false, -1, 0, 5, true},            // receive channels -1..7
        {false, 7, 0, 5, true},
        {false, 8, 0, 5, false},            // 8 and 9 are not
        {false, 9, 0, 5, false},
        {false, CHANNEL_NONE, 0, 5, false},
        {true, 8, 189, 5, true},            // below 190
        {true, 8, 190, 5, false},
        {true, 3, 0, -1, true},             // transmit channels -1..9
        {true, 3, 0, 9, true},
        {true, 3, 0, 10, false},
        {true, 3, 0, -2, false},
        {true, 3, 0, CHANNEL_NONE, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.transaction << " rx " << c.receiveChannel << " word " << c.modelWord
                                        << " tx " << c.transmitChannel);
        EXPECT_EQ(c.reselect, ShouldReselectChannel(c.transaction, c.receiveChannel, c.modelWord, c.transmitChannel));
    }
}

TEST_F(EtherCommsTest, ABlockInChannelModeBringsTheControllerBackToTheTransmitChannel)
{
    m_connection.m_transmitChannel = 5;
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    m_link.SetChannelMode();
    Sleep(20); // the mode is taken at the top of the next pass
    // A block on channel 8 with no transaction: the connection is not
    // listening, so nothing is re-sent.
    ASSERT_TRUE(m_peer.Send(kEsc + "8terminal"));
    ASSERT_TRUE(m_connection.WaitForBytes(8));
    // A block on channel 3: the transmit channel is re-sent once.
    ASSERT_TRUE(m_peer.Send(kEsc + "3abc"));
    ASSERT_TRUE(m_connection.WaitForBytes(11));
    EXPECT_EQ(kEsc + "5", m_peer.Receive(2));
    EXPECT_TRUE(m_link.Close());
    EXPECT_EQ("", m_peer.ReceiveUntilClosed());
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{8, "terminal"}, {3, "abc"}}), m_connection.Runs());
}

TEST_F(EtherCommsTest, RawModeNeverReselects)
{
    m_connection.m_transmitChannel = 5;
    m_connection.m_transaction = true;
    ASSERT_TRUE(OpenOn(m_peer.Port()));
    ASSERT_TRUE(m_peer.Send(kEsc + "3abc"));
    ASSERT_TRUE(m_connection.WaitForBytes(5));
    EXPECT_TRUE(m_link.Close());
    EXPECT_EQ("", m_peer.ReceiveUntilClosed());
}

} // namespace
