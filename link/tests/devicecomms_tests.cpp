// The USB and PCI links. Their drivers cannot be loaded here, so the logic
// runs against a scripted device; the system's device calls are tried for
// real only to see that a missing device fails cleanly.
#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "connection_stub.h"
#include "fake_device.h"
#include "link/usbcomms.h"
#include "link/vexopcicomms.h"
#include "testsupport/fake_clock.h"
#include "testsupport/memory_log.h"

namespace {

bool WriteText(CComms& link, const std::string& text)
{
    return link.Write(static_cast<int>(text.size()), reinterpret_cast<const BYTE*>(text.data()));
}

// Waits (real time, bounded) until condition holds.
template <typename Condition>
bool WaitFor(Condition condition, DWORD timeoutMs = 5000)
{
    const ULONGLONG start = GetTickCount64();
    while (!condition()) {
        if (GetTickCount64() - start >= timeoutMs)
            return false;
        Sleep(1);
    }
    return true;
}

TEST(DeviceNameTest, InstanceAndBoardNumbersHaveThreeDigitsAtLeast)
{
    EXPECT_STREQ("\\\\.\\Vexo-000\\VQE", UsbDeviceName(0));
    EXPECT_STREQ("\\\\.\\Vexo-003\\VQE", UsbDeviceName(3));
    EXPECT_STREQ("\\\\.\\Vexo-999\\VQE", UsbDeviceName(999));
    EXPECT_STREQ("\\\\.\\VexoPCI-007\\VQE", PciDeviceName(7));
    EXPECT_STREQ("\\\\.\\VexoPCI-010\\VQE", PciDeviceName(10));
    EXPECT_STREQ("\\\\.\\VexoPCI-65535\\VQE", PciDeviceName(65535)); // the largest stored number
}

TEST(SystemDeviceIoTest, AMissingDeviceFailsToOpenWithAReason)
{
    for (const CString& name : {UsbDeviceName(0), PciDeviceName(0)}) {
        SCOPED_TRACE(static_cast<LPCSTR>(name));
        SetLastError(0);
        EXPECT_EQ(INVALID_HANDLE_VALUE, SystemDeviceIo().Open(name, FALSE));
        EXPECT_NE(0u, GetLastError());
    }
}

TEST(SystemDeviceIoTest, LinksWithoutTheirDriverFailCleanly)
{
    ConnectionStub connection;
    CVexoPCIComms pci;
    pci.SetConfiguration(nullptr);
    EXPECT_FALSE(pci.Open(&connection));
    EXPECT_FALSE(pci.IsReceiveThreadRunning());
    EXPECT_FALSE(WriteText(pci, "?1\r"));

    // The USB link opens without a device and finds none on use.
    MemoryLog log(LOG_LINK);
    CUsbComms usb;
    usb.SetConfiguration(nullptr);
    EXPECT_TRUE(usb.Open(&connection));
    EXPECT_FALSE(WriteText(usb, "?1\r"));
    EXPECT_TRUE(log.Contains("@Tx: Could not open port"));
    EXPECT_TRUE(usb.Close());
    EXPECT_FALSE(usb.IsReceiveThreadRunning());
}

class UsbCommsTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_link.SetDeviceIo(&m_device);
        m_link.SetConfiguration(nullptr);
    }
    void TearDown() override { m_link.Close(); }

    FakeClock m_clock; // rescans and the settling pause run on virtual time
    FakeDevice m_device;
    ConnectionStub m_connection;
    CUsbComms m_link;
};

TEST_F(UsbCommsTest, TheScanOpensTheFirstInstanceThatExistsAndConfiguresIt)
{
    m_device.Plug("\\\\.\\Vexo-003\\VQE");
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(WriteText(m_link, "?VERSION\r"));
    EXPECT_EQ("?VERSION\r", m_device.Written());
    EXPECT_EQ((std::vector<std::string>{"\\\\.\\Vexo-000\\VQE", "\\\\.\\Vexo-001\\VQE", "\\\\.\\Vexo-002\\VQE",
                                        "\\\\.\\Vexo-003\\VQE"}),
              m_device.Opened());
    EXPECT_FALSE(m_device.LastOpenWasOverlapped());
    const std::string one("\x01\x00\x00\x00", 4);
    EXPECT_EQ((std::vector<FakeDevice::ControlCall>{{0x220014, one}, {0x22001C, ""}}), m_device.Controls());
}

TEST_F(UsbCommsTest, ReadsTakeAtMostSixtyFourBytes)
{
    m_device.Plug(UsbDeviceName(0).GetString());
    std::string bytes;
    for (int n = 0; n < 150; ++n)
        bytes += static_cast<char>('A' + n % 26);
    m_device.Feed(bytes);
    ASSERT_TRUE(m_link.Open(&m_connection));
    ASSERT_TRUE(m_connection.WaitForBytes(bytes.size()));
    EXPECT_EQ(bytes, m_connection.Bytes());
    for (DWORD size : m_device.ReadSizes())
        EXPECT_EQ(64u, size);
}

TEST_F(UsbCommsTest, AnUnpluggedControllerIsFoundAgainWhenItComesBack)
{
    m_device.Plug(UsbDeviceName(0).GetString());
    m_device.Feed("before");
    ASSERT_TRUE(m_link.Open(&m_connection));
    ASSERT_TRUE(m_connection.WaitForBytes(6));

    m_device.Unplug();
    // The connection hears at once that the controller has gone.
    ASSERT_TRUE(WaitFor([&] { return m_connection.m_linkLost.load() == 1; }));
    // The failed read closes the device and one scan finds nothing; until
    // 500 ms have passed no further scan runs, however often the thread
    // reads.
    ASSERT_TRUE(WaitFor([&] { return m_device.CountOpens(UsbDeviceName(999).GetString()) == 1; }));
    EXPECT_EQ(1, m_device.Closes());
    Sleep(50);
    m_clock.Advance(499);
    Sleep(50);
    EXPECT_EQ(2, m_device.CountOpens(UsbDeviceName(0).GetString())); // the first open and the one scan

    m_device.Plug(UsbDeviceName(5).GetString());
    m_device.Feed("after");
    m_clock.Advance(1);
    ASSERT_TRUE(m_connection.WaitForBytes(11));
    EXPECT_EQ("beforeafter", m_connection.Bytes());
    // The first open, the scan that found nothing, the scan that stopped
    // at 005.
    EXPECT_EQ(3, m_device.CountOpens(UsbDeviceName(0).GetString()));
    EXPECT_EQ(1, m_device.CountOpens(UsbDeviceName(6).GetString()));
    EXPECT_TRUE(m_link.GetOpenFlag()); // the link itself stayed open
    EXPECT_EQ(1, m_connection.m_linkLost.load()); // told once
}

TEST_F(UsbCommsTest, AFailedWriteClosesTheDeviceAndTheNextOneReopensIt)
{
    m_device.Plug(UsbDeviceName(1).GetString());
    ASSERT_TRUE(m_link.Open(&m_connection));
    ASSERT_TRUE(WriteText(m_link, "a"));
    m_device.FailNextWrite();
    EXPECT_FALSE(WriteText(m_link, "b"));
    EXPECT_EQ(1, m_connection.m_linkLost.load());
    EXPECT_TRUE(WriteText(m_link, "c"));
    EXPECT_EQ("ac", m_device.Written());
    EXPECT_GE(m_device.CountOpens(UsbDeviceName(1).GetString()), 2);
}

TEST_F(UsbCommsTest, AClosedLinkNeitherReadsNorWrites)
{
    m_device.Plug(UsbDeviceName(0).GetString());
    EXPECT_FALSE(WriteText(m_link, "x"));
    BYTE buffer[8];
    EXPECT_EQ(0, m_link.Read(buffer, sizeof buffer));
    EXPECT_TRUE(m_device.Opened().empty());
    EXPECT_STREQ("USB:0", m_link.GetRecord()->FormatDescription(true));
    EXPECT_TRUE(m_link.GetHandshake());
    EXPECT_EQ(4, m_link.GetTxBlockSize());
}

class PciCommsTest : public testing::Test {
protected:
    void SetUp() override { m_link.SetDeviceIo(&m_device); }
    void TearDown() override { m_link.Close(); }

    bool OpenBoard(std::uint16_t board)
    {
        CCommPortData record;
        record.SetName("PCI0");
        record.SetTypeDefaults(LINK_TYPE_PCI);
        record.SetNumber(board);
        m_link.SetConfiguration(&record);
        return m_link.Open(&m_connection);
    }

    FakeDevice m_device;
    ConnectionStub m_connection;
    CVexoPCIComms m_link;
};

TEST_F(PciCommsTest, BoardSevenOpensItsOwnDeviceOverlapped)
{
    m_device.Plug("\\\\.\\VexoPCI-007\\VQE");
    ASSERT_TRUE(OpenBoard(7));
    EXPECT_EQ((std::vector<std::string>{"\\\\.\\VexoPCI-007\\VQE"}), m_device.Opened());
    EXPECT_TRUE(m_device.LastOpenWasOverlapped());
    m_device.Feed("2.0137\r\n>>");
    ASSERT_TRUE(m_connection.WaitForBytes(10));
    EXPECT_EQ("2.0137\r\n>>", m_connection.Bytes());
    EXPECT_EQ(16, m_link.GetTxBlockSize());
}

TEST_F(PciCommsTest, AMissingBoardFailsTheOpen)
{
    m_device.Plug(PciDeviceName(7).GetString());
    EXPECT_FALSE(OpenBoard(6));
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
}

TEST_F(PciCommsTest, APartialWriteFailsWhetherOrNotTheLogIsOn)
{
    m_device.Plug(PciDeviceName(0).GetString());
    ASSERT_TRUE(OpenBoard(0));
    m_device.SetWriteLimit(3);
    for (DWORD mask : {0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(mask);
        MemoryLog log(mask);
        EXPECT_FALSE(WriteText(m_link, "?VERSION"));
        EXPECT_EQ(mask != 0, log.Contains("Tx: 3 of 8 bytes"));
    }
    m_device.SetWriteLimit(0);
    EXPECT_TRUE(WriteText(m_link, "?1\r"));
}

TEST_F(PciCommsTest, APendingWriteIsPolledEveryHundredMillisecondsToItsEnd)
{
    FakeClock clock;
    m_device.Plug(PciDeviceName(0).GetString());
    ASSERT_TRUE(OpenBoard(0));
    ASSERT_TRUE(m_link.SuspendReceive()); // only the write pends
    m_device.SetPendingPolls(3);
    const std::uint64_t before = clock.SleptMs();
    EXPECT_TRUE(WriteText(m_link, "?VERSION\r"));
    EXPECT_EQ(300u, clock.SleptMs() - before);
    EXPECT_EQ("?VERSION\r", m_device.Written());
    m_link.ResumeReceive();
}

TEST_F(PciCommsTest, ACardThatFailsIsALostLinkToldOnce)
{
    m_device.Plug(PciDeviceName(0).GetString());
    m_device.Feed("before");
    ASSERT_TRUE(OpenBoard(0));
    ASSERT_TRUE(m_connection.WaitForBytes(6));
    m_device.Unplug();
    ASSERT_TRUE(WaitFor([&] { return m_connection.m_linkLost.load() > 0; }));
    EXPECT_TRUE(WaitFor([&] { return !m_link.IsReceiveThreadRunning(); }));
    EXPECT_FALSE(WriteText(m_link, "?1\r"));
    EXPECT_EQ(1, m_connection.m_linkLost.load());
    // A close is no loss.
    EXPECT_TRUE(m_link.Close());
    EXPECT_EQ(1, m_connection.m_linkLost.load());
}

TEST_F(PciCommsTest, AReadTheCardNeverFinishesIsCancelledWhenTheLinkCloses)
{
    m_device.Plug(PciDeviceName(0).GetString());
    m_device.SetPendingPolls(-1);
    ASSERT_TRUE(OpenBoard(0));
    ASSERT_TRUE(WaitFor([&] { return m_device.PendingStarts() > 0; }));
    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    EXPECT_GE(m_device.Cancels(), 1);
}

} // namespace
