// The serial link. The port tests run against a real tty: the test's
// wrapper joins COM3 and COM4 of the Wine prefix through a socat pty pair,
// the link opens COM3 and the test plays the controller on COM4.
#include "link/serialcomms.h"

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "connection_stub.h"
#include "framework/app.h"
#include "link/controllerconnection.h"
#include "link/tests/support/controller_script.h"
#include "link/tests/support/fake_project.h"
#include "settings/vqregistry.h"
#include "testsupport/memory_log.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/test_window.h"

namespace {

// The controller's end of the pty pair.
class SerialPeer {
public:
    SerialPeer()
    {
        m_port = CreateFileA("\\\\.\\COM4", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (m_port == INVALID_HANDLE_VALUE)
            return;
        COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 1000};
        SetCommTimeouts(m_port, &timeouts);
        PurgeComm(m_port, PURGE_RXCLEAR | PURGE_TXCLEAR);
    }
    ~SerialPeer()
    {
        if (IsOpen())
            CloseHandle(m_port);
    }
    bool IsOpen() const { return m_port != INVALID_HANDLE_VALUE; }

    bool Send(const std::string& bytes)
    {
        DWORD written = 0;
        return WriteFile(m_port, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
               written == bytes.size();
    }
    // What has arrived by now (the port's reads return at once).
    std::string ReadAvailable()
    {
        char buffer[256];
        DWORD read = 0;
        if (!ReadFile(m_port, buffer, sizeof buffer, &read, nullptr))
            return std::string();
        return std::string(buffer, read);
    }
    // Reads until count bytes came or timeoutMs passed.
    std::string Receive(std::size_t count, DWORD timeoutMs = 5000)
    {
        std::string got;
        const ULONGLONG start = GetTickCount64();
        while (got.size() < count && GetTickCount64() - start < timeoutMs) {
            char buffer[256];
            DWORD read = 0;
            if (!ReadFile(m_port, buffer, sizeof buffer, &read, nullptr))
                break;
            if (read == 0)
                Sleep(1);
            got.append(buffer, read);
        }
        return got;
    }

private:
    HANDLE m_port = INVALID_HANDLE_VALUE;
};

// Lets the tests see the port as the link set it, and hold its mutex.
class CTestSerialComms : public CSerialComms {
public:
    using CSerialComms::CSerialComms;
    DCB PortState()
    {
        DCB state = {};
        CSingleLock lock(&m_portMutex, TRUE);
        m_port.GetState(state);
        return state;
    }
    CMutex& PortMutex() { return m_portMutex; }
    // The port goes from under the link (a USB adapter pulled out): every
    // further call on it fails.
    void LosePort()
    {
        CSingleLock lock(&m_portMutex, TRUE);
        m_port.Close();
    }
};

CCommPortData SerialRecord(LPCSTR port, std::uint32_t baud = 9600, int dataBits = 7, int stopBits = LINK_STOP_BITS_2,
                           int parity = LINK_PARITY_EVEN)
{
    CCommPortData record;
    record.SetName(port);
    record.SetTypeDefaults(LINK_TYPE_SERIAL);
    record.SetSerial(port, baud, dataBits, stopBits, parity);
    return record;
}

// A pty carries neither parity nor 7-bit characters, and Wine's serial
// layer refuses such settings when they are applied a second time (as the
// link's open always does), so records opened through the pty are 8 bits
// without parity; the settings logic for the others is checked without a
// port.
CCommPortData PtyRecord(LPCSTR port, std::uint32_t baud = 9600)
{
    return SerialRecord(port, baud, 8, LINK_STOP_BITS_1, LINK_PARITY_NONE);
}

bool WriteText(CComms& link, const std::string& text)
{
    return link.Write(static_cast<int>(text.size()), reinterpret_cast<const BYTE*>(text.data()));
}

TEST(SerialPortNumberTest, OnlyComOneToTwoHundredFiftyThreeIsAPort)
{
    const struct {
        const char* name;
        int number;
    } cases[] = {
        {"COM1", 1},   {"com3", 3},    {"Com12", 12},  {"COM253", 253}, {"COM254", -1},
        {"COM0", -1},  {"COM", -1},    {"", -1},       {nullptr, -1},   {"COM3x", -1},
        {"LPT1", -1},  {"COM-1", -1},  {"COM 3", -1},  {"COM99999999999", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name ? c.name : "(null)");
        EXPECT_EQ(c.number, SerialPortNumber(c.name));
    }
}

TEST(SerialStateTest, SettingsOutsideTheOfferedValuesAreRefused)
{
    const struct {
        std::uint32_t baud;
        int dataBits;
        int stopBits;
        int parity;
        bool valid;
    } cases[] = {
        {1200, 7, 2, 2, true},     {2400, 8, 0, 0, true},  {4800, 8, 1, 1, true},  {19200, 8, 0, 3, true},
        {38400, 8, 0, 4, true},    {115200, 8, 0, 0, true}, {57600, 8, 0, 0, false}, {0, 8, 0, 0, false},
        {300, 8, 0, 0, false},     {0xFFFFFFFF, 8, 0, 0, false}, {9600, 6, 0, 0, false}, {9600, 9, 0, 0, false},
        {9600, 8, 3, 0, false},    {9600, 8, -1, 0, false}, {9600, 8, 0, 5, false}, {9600, 8, 0, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.baud << "," << c.dataBits << "," << c.stopBits << "," << c.parity);
        const CCommPortData record = SerialRecord("COM3", c.baud, c.dataBits, c.stopBits, c.parity);
        DCB state = {};
        state.BaudRate = 1;
        EXPECT_EQ(c.valid, BuildSerialState(state, record.m_data.serial, TRUE) != FALSE);
        EXPECT_EQ(c.valid ? c.baud : 1u, state.BaudRate); // a refusal leaves the state alone
    }
}

TEST(SerialStateTest, HandshakeIsXonXoffBothWaysWithTheFixedCharactersAndLimits)
{
    for (BOOL handshake : {FALSE, TRUE}) {
        SCOPED_TRACE(handshake);
        const CCommPortData record = SerialRecord("COM3", 9600, 7, LINK_STOP_BITS_1_5, LINK_PARITY_MARK);
        DCB state = {};
        ASSERT_TRUE(BuildSerialState(state, record.m_data.serial, handshake));
        EXPECT_EQ(7, state.ByteSize);
        EXPECT_EQ(MARKPARITY, state.Parity);
        EXPECT_EQ(ONE5STOPBITS, state.StopBits);
        EXPECT_EQ(static_cast<DWORD>(handshake), state.fOutX);
        EXPECT_EQ(static_cast<DWORD>(handshake), state.fInX);
        EXPECT_EQ(0x11, state.XonChar);
        EXPECT_EQ(0x13, state.XoffChar);
        EXPECT_EQ(100, state.XonLim);
        EXPECT_EQ(100, state.XoffLim);
        EXPECT_EQ(1u, state.fBinary);
        EXPECT_EQ(static_cast<DWORD>(DTR_CONTROL_DISABLE), state.fDtrControl);
        EXPECT_EQ(static_cast<DWORD>(RTS_CONTROL_DISABLE), state.fRtsControl);
        EXPECT_EQ(0u, state.fOutxCtsFlow);
        EXPECT_EQ(0u, state.fTXContinueOnXoff);
    }
}

TEST(SerialPortTest, EveryCallOnAClosedPortThrowsInvalidHandle)
{
    MemoryLog log(LOG_STATUS_ERRORS);
    CSerialPort port;
    BYTE byte = 0;
    DCB state = {};
    COMMTIMEOUTS timeouts = {};
    const struct {
        const char* line;
        std::function<void()> call;
    } cases[] = {
        {"Attempted write while comm port closed", [&] { port.Read(&byte, 1); }},
        {"Attempted write while comm port closed", [&] { port.Write(&byte, 1); }},
        {"Attempted get state while comm port closed", [&] { port.GetState(state); }},
        {"Attempted set state while comm port closed", [&] { port.SetState(state); }},
        {"Attempted set mask while comm port closed", [&] { port.SetMask(EV_RXCHAR); }},
        {"Attempted pruge while comm port closed", [&] { port.Purge(PURGE_RXCLEAR); }},
        {"Attempted setup while comm port closed", [&] { port.Setup(4096, 4096); }},
        {"Attempted set timeouts while comm port closed", [&] { port.SetTimeouts(timeouts); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        DWORD code = 0;
        try {
            c.call();
        } catch (CException* e) {
            if (auto* serial = dynamic_cast<CSerialException*>(e))
                code = serial->m_dwError;
            e->Delete();
        }
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), code);
        EXPECT_TRUE(log.Contains(c.line));
    }
}

TEST(SerialPortTest, TheExceptionCarriesTheSystemTextWithoutTheLineBreak)
{
    const CString known = CSerialException(ERROR_FILE_NOT_FOUND).GetErrorText();
    EXPECT_FALSE(known.IsEmpty());
    EXPECT_EQ(-1, known.Find('\n'));
    EXPECT_TRUE(CSerialException(0x2FFFFFFF).GetErrorText().IsEmpty());
}

TEST(SerialCommsRecordTest, TheDefaultRecordNamesNoPortAndFailsToOpen)
{
    MemoryLog log(LOG_STATUS_ERRORS);
    CSerialComms link;
    EXPECT_STREQ("COM1", link.GetName());
    EXPECT_EQ(LINK_TYPE_SERIAL, link.GetRecord()->m_nType);
    EXPECT_TRUE(link.GetHandshake());
    EXPECT_EQ(2, link.GetValidSetCount());
    EXPECT_STREQ("9600,7,e,2", link.GetRecord()->FormatDescription(false));
    CCommPortData fast;
    ASSERT_TRUE(link.GetLinkInfo(&fast, 1, nullptr));
    EXPECT_STREQ("38400,8,e,1", fast.FormatDescription(false));
    ConnectionStub connection;
    EXPECT_FALSE(link.Open(&connection));
    EXPECT_FALSE(link.GetOpenFlag());
    EXPECT_TRUE(log.Contains("CSerialPort::Open: Invalid port number -1"));
}

TEST(SerialCommsRecordTest, PortNamesOutsideTheRangeNeverReachTheSystem)
{
    for (const char* name : {"COM254", "", "COM0", "LPT1"}) {
        SCOPED_TRACE(name);
        MemoryLog log(LOG_STATUS_ERRORS);
        const CCommPortData record = SerialRecord(name);
        CSerialComms link(&record);
        ConnectionStub connection;
        EXPECT_FALSE(link.Open(&connection));
        EXPECT_TRUE(log.Contains("CSerialPort::Open: Invalid port number -1"));
    }
    // The highest port offered is tried; there is no such device here.
    MemoryLog log(LOG_STATUS_ERRORS);
    const CCommPortData record = SerialRecord("COM253");
    CSerialComms link(&record);
    ConnectionStub connection;
    EXPECT_FALSE(link.Open(&connection));
    EXPECT_TRUE(log.Contains("Failed to open up the comms port:\\\\.\\COM253"));
}

class SerialCommsTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_peer.IsOpen()) << "COM4 is not joined to COM3 (run through with_serial_pair.sh)"; }
    void TearDown() override { m_link.Close(); }

    bool OpenAs(const CCommPortData& record)
    {
        m_link.SetConfiguration(&record);
        return m_link.Open(&m_connection);
    }

    SerialPeer m_peer;
    ConnectionStub m_connection;
    CTestSerialComms m_link;
};

TEST_F(SerialCommsTest, LowerCaseComThreeOpensTheThirdPortAndRunsAVersionExchange)
{
    ASSERT_TRUE(OpenAs(PtyRecord("com3")));
    EXPECT_TRUE(m_link.GetOpenFlag());
    std::thread controller([&] {
        if (m_peer.Receive(9) == "?VERSION\r")
            m_peer.Send("?VERSION\r\n2.0137\r\n>>");
    });
    EXPECT_TRUE(WriteText(m_link, "?VERSION\r"));
    controller.join();
    ASSERT_TRUE(m_connection.WaitForBytes(20));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, "?VERSION\r\n2.0137\r\n>>"}}),
              m_connection.Runs());
    const DCB state = m_link.PortState();
    EXPECT_EQ(9600u, state.BaudRate);
    EXPECT_EQ(ONESTOPBIT, state.StopBits);
    EXPECT_EQ(1u, state.fOutX); // handshake on
    EXPECT_EQ(0x11, state.XonChar);
    EXPECT_EQ(0x13, state.XoffChar);
    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    EXPECT_FALSE(WriteText(m_link, "x"));
}

TEST_F(SerialCommsTest, ABaudRateThatIsNotOfferedFailsTheOpen)
{
    EXPECT_FALSE(OpenAs(SerialRecord("COM3", 57600)));
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    // The port was given back: the next open with good settings works.
    EXPECT_TRUE(OpenAs(PtyRecord("COM3", 115200)));
    EXPECT_EQ(115200u, m_link.PortState().BaudRate);
}

TEST_F(SerialCommsTest, MoreThanTheRingHoldsArrivesInOrderExactlyOnce)
{
    ASSERT_TRUE(OpenAs(PtyRecord("COM3", 115200)));
    m_link.SetData(m_link.GetRecord()->m_data.m_bytes, FALSE); // no XON/XOFF: every byte is data
    std::string bytes;
    for (int n = 0; n < 5000; ++n)
        bytes += static_cast<char>(n % 251);
    ASSERT_TRUE(m_peer.Send(bytes));
    ASSERT_TRUE(m_connection.WaitForBytes(bytes.size()));
    EXPECT_TRUE(bytes == m_connection.Bytes());
}

TEST_F(SerialCommsTest, ExclusiveModeTakesTheExclusiveSetWithoutHandshakeAndGivesItBack)
{
    ASSERT_TRUE(OpenAs(PtyRecord("COM3")));
    ASSERT_TRUE(m_link.GetHandshake());
    EXPECT_TRUE(m_link.SetExclusiveMode(TRUE, &m_connection));
    EXPECT_EQ(LINK_MODE_EXCLUSIVE, m_link.GetMode());
    EXPECT_STREQ("Serial:COM3:9600,8,n,2", m_link.GetRecord()->FormatDescription(true));
    EXPECT_FALSE(m_link.GetHandshake());
    EXPECT_EQ(0u, m_link.PortState().fOutX);
    EXPECT_EQ(TWOSTOPBITS, m_link.PortState().StopBits);
    EXPECT_TRUE(m_link.SetExclusiveMode(TRUE, &m_connection)); // already: nothing changes
    EXPECT_FALSE(m_link.SetChannelMode());

    EXPECT_TRUE(m_link.SetExclusiveMode(FALSE, &m_connection));
    EXPECT_EQ(LINK_MODE_RAW, m_link.GetMode());
    EXPECT_STREQ("Serial:COM3:9600,8,n,1", m_link.GetRecord()->FormatDescription(true));
    EXPECT_TRUE(m_link.GetHandshake());
    EXPECT_EQ(1u, m_link.PortState().fOutX);
    EXPECT_EQ(ONESTOPBIT, m_link.PortState().StopBits);
    EXPECT_FALSE(m_link.SetExclusiveMode(FALSE, &m_connection));
}

TEST(SerialExclusiveTest, TheNormalSetGoesExclusiveAndTheFastSetStaysOnlyWhenTheControllerCanKeepUp)
{
    const struct {
        int feature;
        bool withConnection;
        const char* exclusive;
    } cases[] = {
        {FEATURE_FAST_EXCLUSIVE, true, "COM3:38400,8,e,1"},
        {FEATURE_FAST_EXCLUSIVE, false, "COM3:9600,8,n,2"},
        {-1, true, "COM3:9600,8,n,2"},
    };
    // The settings are chosen whether or not a port takes them.
    {
        const CCommPortData record = SerialRecord("COM3");
        CSerialComms link(&record);
        EXPECT_TRUE(link.SetExclusiveMode(TRUE, nullptr));
        EXPECT_STREQ("COM3:9600,8,n,2", link.GetRecord()->FormatDescription(false));
        EXPECT_FALSE(link.GetHandshake());
        EXPECT_TRUE(link.SetExclusiveMode(FALSE, nullptr));
        EXPECT_STREQ("COM3:9600,7,e,2", link.GetRecord()->FormatDescription(false));
        EXPECT_TRUE(link.GetHandshake());
    }
    const CCommPortData record = SerialRecord("COM3");
    CSerialComms link(&record);
    ConnectionStub connection;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exclusive);
        link.SelectConfigSet(1);
        EXPECT_STREQ("COM3:38400,8,e,1", link.GetRecord()->FormatDescription(false));
        EXPECT_TRUE(link.GetHandshake());
        connection.m_feature = c.feature;
        EXPECT_TRUE(link.SetExclusiveMode(TRUE, c.withConnection ? &connection : nullptr));
        EXPECT_STREQ(c.exclusive, link.GetRecord()->FormatDescription(false));
        EXPECT_FALSE(link.GetHandshake());
        EXPECT_TRUE(link.SetExclusiveMode(FALSE, nullptr));
        EXPECT_STREQ("COM3:38400,8,e,1", link.GetRecord()->FormatDescription(false));
        EXPECT_TRUE(link.GetHandshake());
        link.SelectConfigSet(0);
        EXPECT_STREQ("COM3:9600,7,e,2", link.GetRecord()->FormatDescription(false));
    }
}

TEST_F(SerialCommsTest, AWriteThatCannotHaveThePortFailsWithNothingSent)
{
    ASSERT_TRUE(OpenAs(PtyRecord("COM3")));
    MemoryLog log(LOG_RECEIVE_COUNTS);
    std::atomic<bool> held{false}, release{false};
    std::thread holder([&] {
        CSingleLock lock(&m_link.PortMutex(), TRUE);
        held = true;
        while (!release)
            Sleep(1);
    });
    while (!held)
        Sleep(1);
    EXPECT_FALSE(WriteText(m_link, "?VERSION\r"));
    release = true;
    holder.join();
    EXPECT_TRUE(log.Contains("Tx error: 0 bytes"));
    EXPECT_EQ("", m_peer.Receive(1, 50));
    // With the port free again the write goes through.
    EXPECT_TRUE(WriteText(m_link, "?1\r"));
    EXPECT_EQ("?1\r", m_peer.Receive(3));
}

// A port that fails is a lost link, known at once and told once, whether a
// read or a write finds it first.
TEST_F(SerialCommsTest, APortThatFailsIsALostLink)
{
    for (bool writeFirst : {false, true}) {
        SCOPED_TRACE(writeFirst);
        ConnectionStub connection;
        const CCommPortData record = PtyRecord("COM3");
        m_link.SetConfiguration(&record);
        ASSERT_TRUE(m_link.Open(&connection));
        m_peer.Send("before");
        ASSERT_TRUE(connection.WaitForBytes(6));
        m_link.LosePort();
        if (writeFirst) {
            EXPECT_FALSE(WriteText(m_link, "?1\r"));
        }
        ASSERT_TRUE(PumpUntil([&] { return connection.m_linkLost.load() > 0; }));
        EXPECT_FALSE(WriteText(m_link, "?2\r"));
        EXPECT_TRUE(PumpUntil([&] { return !m_link.IsReceiveThreadRunning(); }));
        EXPECT_EQ(1, connection.m_linkLost.load());
        EXPECT_EQ("before", connection.Bytes());
        m_link.Close();
    }
}

TEST_F(SerialCommsTest, ACloseAndReopenStartsFreshThreads)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(OpenAs(PtyRecord("COM3")));
        ASSERT_TRUE(m_peer.Send("r"));
        ASSERT_TRUE(m_connection.WaitForBytes(round + 1));
        EXPECT_TRUE(m_link.Close());
        EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    }
    EXPECT_EQ("rr", m_connection.Bytes());
}

// The controller connection over the serial link, through the pty, against
// the scripted controller on the far end: the command line, and a command
// channel exchange in both channel forms.
class SerialConnectionTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_peer.IsOpen()) << "COM4 is not joined to COM3 (run through with_serial_pair.sh)";
        m_script.SetReply("?CONTROL[0]", ScriptedReply("206"));
        m_script.SetReply("?VERSION", ScriptedReply("2.0137"));
        m_script.SetReply("?VERSION;", ScriptedReply("2.0137"));
        m_controller = std::thread([this] { PlayController(); });
        m_project.SetConnection(&m_connection);
    }
    void TearDown() override
    {
        m_connection.CloseLink();
        m_stop = true;
        if (m_controller.joinable())
            m_controller.join();
    }
    // The scripted controller on COM4, on real time.
    void PlayController()
    {
        while (!m_stop) {
            const std::string in = m_peer.ReadAvailable();
            BYTE out[256];
            int count = 0;
            {
                std::lock_guard<std::mutex> guard(m_lock);
                if (!in.empty())
                    m_script.Receive(reinterpret_cast<const BYTE*>(in.data()), static_cast<int>(in.size()),
                                     GetTickCount64());
                count = m_script.TakeOutput(out, sizeof out, GetTickCount64());
            }
            if (count > 0)
                m_peer.Send(std::string(reinterpret_cast<char*>(out), static_cast<std::size_t>(count)));
            else if (in.empty())
                Sleep(1);
        }
    }
    std::string Written()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_script.Written();
    }

    CWinApp m_app{"serial connection tests"};
    ScriptedPrompts m_prompts;
    SerialPeer m_peer;
    std::mutex m_lock;
    CControllerScript m_script;
    std::atomic<bool> m_stop{false};
    std::thread m_controller;
    CFakeProjectLink m_project;
    CControllerConnection m_connection{&m_project};
};

TEST_F(SerialConnectionTest, TheVersionOnTheCommandLineAndOnTheCommandChannel)
{
    CCommPortData record = PtyRecord("COM3");
    ASSERT_TRUE(m_connection.OpenLink(m_project.GetSafeHwnd(), &record, FALSE));
    EXPECT_DOUBLE_EQ(2.0137, m_connection.GetVersion());
    EXPECT_EQ("?VERSION\r", Written());

    for (int packet : {0, 1}) {
        SCOPED_TRACE(packet);
        CVQRegistry().SetPacket(packet);
        ASSERT_TRUE(m_connection.EnterChannelMode(nullptr));
        EXPECT_EQ(packet == 1, m_connection.IsPacketMode() != FALSE);
        ControllerMessage message;
        message.m_nCommandId = 40; // "?VERSION;"
        message.m_nChannel = CHANNEL_COMMAND;
        message.m_hReplyWnd = m_project.GetSafeHwnd();
        ASSERT_TRUE(m_connection.Transact(&message));
        ASSERT_FALSE(m_project.OwnReplies().empty());
        EXPECT_DOUBLE_EQ(2.0137, m_project.OwnReplies().back().GetReal());
        EXPECT_TRUE(m_connection.LeaveChannelMode());
    }
    EXPECT_NE(std::string::npos, Written().find("VQE(1)\r"));
    EXPECT_NE(std::string::npos, Written().find("VQE(3)\r"));
    EXPECT_TRUE(m_project.Errors().empty());
    EXPECT_TRUE(m_prompts.Records().empty());
}

} // namespace
