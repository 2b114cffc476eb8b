// The link base: modes, records, the receive thread with its channel
// decoding and cooperative pause, and the main frame notice. The link
// under test is the scripted controller, which is a CComms.
#include "link/comms.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/tests/support/scripted_controller.h"
#include "test_support.h"
#include "testsupport/test_window.h"

namespace {

const std::string kEsc = "\x1b";

// Gives the tests the protected saved sets.
class CTestLink : public CScriptedController {
public:
    using CScriptedController::CScriptedController;
    void SetSavedSet(int set, const CCommPortData& record, int validSets)
    {
        std::memcpy(m_configSets[set], record.m_data.m_bytes, COMM_LINK_DATA_SIZE);
        m_nValidSets = validSets;
    }
};

TEST(CommsModeTest, ExclusiveModeLocksOutTheOtherModes)
{
    CScriptedController link;
    EXPECT_EQ(LINK_MODE_RAW, link.GetMode());
    EXPECT_FALSE(link.SetExclusiveMode(FALSE, nullptr)); // not exclusive
    EXPECT_TRUE(link.SetChannelMode());
    EXPECT_EQ(LINK_MODE_CHANNEL, link.GetMode());
    EXPECT_TRUE(link.SetExclusiveMode(TRUE, nullptr));
    EXPECT_FALSE(link.SetExclusiveMode(TRUE, nullptr));
    EXPECT_FALSE(link.SetChannelMode());
    EXPECT_FALSE(link.SetRawMode());
    EXPECT_EQ(LINK_MODE_EXCLUSIVE, link.GetMode());
    EXPECT_TRUE(link.SetExclusiveMode(FALSE, nullptr));
    EXPECT_EQ(LINK_MODE_RAW, link.GetMode());
}

TEST(CommsRecordTest, LinkInfoTakesTheDataOfAValidSavedSetOrSetZero)
{
    CTestLink link(LINK_TYPE_SERIAL);
    CCommPortData second;
    second.SetTypeDefaults(LINK_TYPE_SERIAL);
    second.SetSerial("COM9", 38400, 8, LINK_STOP_BITS_1, LINK_PARITY_NONE);
    link.SetSavedSet(1, second, 1);

    CCommPortData info;
    BOOL handshake = FALSE;
    EXPECT_TRUE(link.GetLinkInfo(&info, 5, &handshake));
    EXPECT_STREQ("COM1", info.m_data.serial.m_szPort);
    EXPECT_STREQ("Scripted", info.m_szName);
    EXPECT_TRUE(handshake);
    EXPECT_TRUE(link.GetLinkInfo(&info, 1, nullptr));
    EXPECT_STREQ("COM1", info.m_data.serial.m_szPort); // only one valid set

    link.SetSavedSet(1, second, 2);
    EXPECT_TRUE(link.GetLinkInfo(&info, 1, nullptr));
    EXPECT_STREQ("COM9", info.m_data.serial.m_szPort);
    EXPECT_FALSE(link.GetLinkInfo(nullptr, 1, &handshake));

    CCommPortData copy;
    EXPECT_TRUE(link.CopyRecord(&copy, nullptr));
    EXPECT_TRUE(copy.IsEqual(*link.GetRecord()));
    EXPECT_STREQ("Scripted", link.GetName());
}

TEST(CommsRecordTest, ConfigurationAndDataReplaceTheRecord)
{
    CScriptedController link(LINK_TYPE_ETHERNET);
    EXPECT_FALSE(link.GetHandshake());
    CCommPortData record;
    record.SetName("ENet0");
    record.SetTypeDefaults(LINK_TYPE_ETHERNET);
    record.SetEthernet("127.0.0.1", 4023);
    link.SetChannelMode();
    EXPECT_TRUE(link.SetConfiguration(&record));
    EXPECT_EQ(LINK_MODE_RAW, link.GetMode());
    EXPECT_STREQ("Ethernet:127.0.0.1:4023", link.GetRecord()->FormatDescription(true));

    EXPECT_TRUE(link.SetData(nullptr, TRUE)); // saved set 0: the defaults
    EXPECT_STREQ("Ethernet:192.168.0.250:23", link.GetRecord()->FormatDescription(true));
    BYTE data[COMM_LINK_DATA_SIZE];
    BOOL handshake = FALSE;
    EXPECT_TRUE(link.CopyData(data, &handshake));
    EXPECT_TRUE(handshake);
    EXPECT_EQ(0, std::memcmp(data, link.GetRecord()->m_data.m_bytes, COMM_LINK_DATA_SIZE));
}

class ReceiveThreadTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_link.Open(&m_receiver)); }

    CScriptedController m_link;
    RecordingReceiver m_receiver;
};

TEST_F(ReceiveThreadTest, RawAndExclusiveModesDeliverBytesOnNoChannel)
{
    const std::string bytes = "ab" + kEsc + "3cd";
    m_link.InjectRaw(bytes);
    ASSERT_TRUE(m_receiver.WaitForBytes(bytes.size()));
    m_link.SetExclusiveMode(TRUE, nullptr);
    Sleep(20); // the mode is taken at the top of the next pass
    m_link.InjectRaw(bytes);
    ASSERT_TRUE(m_receiver.WaitForBytes(2 * bytes.size()));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, bytes + bytes}}), m_receiver.Runs());
}

TEST_F(ReceiveThreadTest, ChannelModeDecodesChannelsAcrossReads)
{
    MemoryLog log(LOG_CHANNEL_CHANGES);
    m_link.SetChannelMode();
    Sleep(20);
    m_link.SetReadChunk(1); // every byte in a read of its own
    m_link.InjectRaw("x" + kEsc + "8reply" + kEsc + kEsc + kEsc + "9st" + kEsc + "/t");
    ASSERT_TRUE(m_receiver.WaitForBytes(10));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, "x"}, {8, "reply\x1b"}, {9, "st"}, {-1, "t"}}),
              m_receiver.Runs());
    EXPECT_TRUE(log.Contains("Change channel from 8 to 9"));
}

TEST(ReceiveThreadLogTest, TheThreadLogsItsStartAndEnd)
{
    MemoryLog log(LOG_LINK);
    CScriptedController link;
    RecordingReceiver receiver;
    ASSERT_TRUE(link.Open(&receiver));
    link.Close();
    EXPECT_TRUE(log.Contains("Scripted link read thread started"));
    EXPECT_TRUE(log.Contains("Scripted link read thread ended"));
}

// A medium whose destructor forgets to close it, so its receive thread is
// still running when the base goes.
class CUnclosedLink : public CComms {
public:
    BOOL Open(ILinkReceiver* receiver) override
    {
        const BOOL started = StartReceiveThread(receiver, "Unclosed link read thread started",
                                                "Unclosed link read thread ended");
        CComms::Open(receiver);
        return started;
    }
    BOOL SetConfiguration(const CCommPortData*) override { return TRUE; }
    BOOL SetData(const BYTE*, BOOL) override { return TRUE; }
    BOOL IsOpen() override { return TRUE; }
    BOOL Write(int, const BYTE*) override { return TRUE; }
    int Read(BYTE*, int) override { return 0; }
    void Stop() { StopReceiveThread(); }
};

// The base reports the fault: a debug build stops there, a release build
// logs it and still ends the thread. The thread is held at its pause point,
// so it never calls the subclass's Read once that is gone.
TEST(ReceiveThreadLogTest, ALinkDestroyedWithItsThreadRunningSaysSo)
{
    MemoryLog log;
    RecordingReceiver receiver;
    auto* link = new CUnclosedLink;
    ASSERT_TRUE(link->Open(&receiver));
    ASSERT_TRUE(link->SuspendReceive());
#ifdef NDEBUG
    delete link;
    EXPECT_TRUE(log.Contains("Link destroyed with its receive thread still running"));
    EXPECT_TRUE(log.Contains("Unclosed link read thread ended"));
#else
    EXPECT_DEATH(delete link, "receive thread still running");
    link->Stop();
    EXPECT_FALSE(link->IsReceiveThreadRunning());
    delete link;
#endif
}

TEST_F(ReceiveThreadTest, APausedThreadDeliversNothingUntilResumed)
{
    ASSERT_TRUE(m_link.SuspendReceive());
    m_link.InjectRaw("held");
    Sleep(50);
    EXPECT_EQ("", m_receiver.Bytes());
    // While the thread is paused its link may be read directly.
    BYTE buffer[16];
    EXPECT_EQ(4, m_link.Read(buffer, sizeof buffer));
    m_link.InjectRaw("later");

    // Pauses nest: the thread goes on only when the last one ends.
    ASSERT_TRUE(m_link.SuspendReceive());
    EXPECT_FALSE(m_link.ResumeReceive());
    Sleep(20);
    EXPECT_EQ("", m_receiver.Bytes());
    EXPECT_TRUE(m_link.ResumeReceive());
    EXPECT_TRUE(m_receiver.WaitForBytes(5));
    EXPECT_EQ("later", m_receiver.Bytes());
    EXPECT_TRUE(m_link.ResumeReceive()); // nothing left to resume
}

TEST_F(ReceiveThreadTest, CloseEndsAPausedThread)
{
    ASSERT_TRUE(m_link.SuspendReceive());
    EXPECT_TRUE(m_link.IsReceiveThreadRunning());
    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(m_link.IsReceiveThreadRunning());
    EXPECT_FALSE(m_link.GetOpenFlag());
    EXPECT_FALSE(m_link.SuspendReceive()); // no thread any more
    EXPECT_FALSE(m_link.ResumeReceive());
}

// A receiver that pauses its own link from the receive thread.
class PausingReceiver : public RecordingReceiver {
public:
    CComms* link = nullptr;
    std::atomic<int> suspendResult{-1};
    void OnReceive(int channel, int length, const BYTE* bytes) override
    {
        RecordingReceiver::OnReceive(channel, length, bytes);
        if (suspendResult < 0)
            suspendResult = link->SuspendReceive();
    }
};

TEST(ReceiveThreadPauseTest, TheReceiveThreadCanPauseItselfWithoutDeadlock)
{
    CScriptedController link;
    PausingReceiver receiver;
    receiver.link = &link;
    ASSERT_TRUE(link.Open(&receiver));
    link.InjectRaw("first");
    ASSERT_TRUE(receiver.WaitForBytes(5));
    const ULONGLONG start = GetTickCount64();
    while (receiver.suspendResult < 0 && GetTickCount64() - start < 5000)
        Sleep(1);
    EXPECT_EQ(TRUE, receiver.suspendResult.load());
    link.InjectRaw("second");
    Sleep(50);
    EXPECT_EQ("first", receiver.Bytes());
    EXPECT_TRUE(link.ResumeReceive());
    EXPECT_TRUE(receiver.WaitForBytes(11));
}

// A receiver that, on its first delivery, signals that it is inside
// OnReceive and then runs an action there (on the receive thread).
class ActingReceiver : public RecordingReceiver {
public:
    std::function<void()> action;
    HANDLE inside = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> linkLost{0};
    ~ActingReceiver() override { CloseHandle(inside); }
    void OnReceive(int channel, int length, const BYTE* bytes) override
    {
        RecordingReceiver::OnReceive(channel, length, bytes);
        if (!m_acted.exchange(true)) {
            SetEvent(inside);
            if (action)
                action();
        }
    }
    void OnLinkLost() override { ++linkLost; }

private:
    std::atomic<bool> m_acted{false};
};

// Waits for the event, answering messages sent to this thread meanwhile.
bool WaitServing(HANDLE event, DWORD timeoutMs = 5000)
{
    return WaitServingSentMessages(1, &event, timeoutMs) == WAIT_OBJECT_0;
}

// While another thread waits for the pause, the receive thread pauses its
// own link: neither may hold up the other.
TEST(ReceiveThreadPauseTest, APauseFromTheReceiveThreadDoesNotStallAnotherPauser)
{
    CScriptedController link;
    ActingReceiver receiver;
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::atomic<int> ownPause{-1};
    receiver.action = [&] {
        WaitForSingleObject(go, 5000);
        Sleep(20); // the other thread is in its wait by now
        ownPause = link.SuspendReceive();
    };
    ASSERT_TRUE(link.Open(&receiver));
    link.InjectRaw("x");
    ASSERT_TRUE(WaitServing(receiver.inside));
    SetEvent(go);
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(link.SuspendReceive());
    EXPECT_LT(GetTickCount64() - start, 5000u); // not the 10 s give-up
    EXPECT_EQ(TRUE, ownPause.load());
    link.InjectRaw("held");
    Sleep(30);
    EXPECT_EQ("x", receiver.Bytes());
    EXPECT_FALSE(link.ResumeReceive()); // two pauses were counted
    EXPECT_TRUE(link.ResumeReceive());
    EXPECT_TRUE(receiver.WaitForBytes(5));
    CloseHandle(go);
}

// A receiver that sends to the window of the thread that pauses or closes
// the link (reading a window's title from another thread does this).
TEST(ReceiveThreadPauseTest, WaitsAnswerMessagesSentByTheReceiver)
{
    struct Case {
        const char* name;
        bool close; // else pause
    };
    const Case cases[] = {{"pause", false}, {"close", true}};
    for (const Case& c : cases) {
        TestWindow window("waiting window");
        CScriptedController link;
        ActingReceiver receiver;
        std::string title;
        receiver.action = [&] {
            Sleep(20); // the owner is in its wait by now
            char text[64] = {};
            SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
            title = text;
        };
        ASSERT_TRUE(link.Open(&receiver)) << c.name;
        link.InjectRaw("x");
        ASSERT_TRUE(WaitForSingleObject(receiver.inside, 5000) == WAIT_OBJECT_0) << c.name;
        const ULONGLONG start = GetTickCount64();
        if (c.close) {
            EXPECT_TRUE(link.Close()) << c.name;
            EXPECT_FALSE(link.IsReceiveThreadRunning()) << c.name;
        } else {
            EXPECT_TRUE(link.SuspendReceive()) << c.name;
            EXPECT_TRUE(link.ResumeReceive()) << c.name;
        }
        EXPECT_LT(GetTickCount64() - start, 5000u) << c.name;
        EXPECT_EQ("waiting window", title) << c.name;
    }
}

TEST(ReceivePauseGuardTest, APauseEndsWithItsScope)
{
    CScriptedController link;
    RecordingReceiver receiver;
    ASSERT_TRUE(link.Open(&receiver));
    {
        CReceivePause pause(&link);
        EXPECT_TRUE(pause.IsPaused());
        link.InjectRaw("held");
        Sleep(30);
        EXPECT_EQ("", receiver.Bytes());
    }
    EXPECT_TRUE(receiver.WaitForBytes(4));
    CReceivePause none(nullptr);
    EXPECT_FALSE(none.IsPaused());
}

// Closing and opening the link again from inside OnReceive leaves exactly
// one receive thread, and every thread started ends.
TEST(ReceiveThreadRestartTest, ReopeningFromTheReceiveThreadLeavesOneThread)
{
    MemoryLog log(LOG_LINK);
    CScriptedController link;
    ActingReceiver receiver;
    const HANDLE reopened = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    receiver.action = [&] {
        link.Close();
        link.Open(&receiver);
        SetEvent(reopened);
    };
    ASSERT_TRUE(link.Open(&receiver));
    link.InjectRaw("first");
    ASSERT_TRUE(receiver.WaitForBytes(5));
    // Bytes injected before the new thread exists would go to the closed link.
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(reopened, 5000));
    CloseHandle(reopened);
    link.InjectRaw("second");
    ASSERT_TRUE(receiver.WaitForBytes(11));
    Sleep(30);
    EXPECT_EQ("firstsecond", receiver.Bytes()); // read once, by one thread
    EXPECT_TRUE(link.Close());
    EXPECT_FALSE(link.IsReceiveThreadRunning());
    const auto lines = log.Lines();
    EXPECT_EQ(2, std::count(lines.begin(), lines.end(), "Scripted link read thread started"));
    EXPECT_EQ(2, std::count(lines.begin(), lines.end(), "Scripted link read thread ended"));
}

TEST(ReceiveThreadLinkLostTest, ABrokenMediumIsReportedOnceAndEndsTheThread)
{
    struct Case {
        const char* name;
        bool scripted; // the drop comes with a reply, else at once
    };
    const Case cases[] = {{"drop now", false}, {"drop in a reply", true}};
    for (const Case& c : cases) {
        MemoryLog log(LOG_LINK);
        CScriptedController link;
        ActingReceiver receiver;
        ASSERT_TRUE(link.Open(&receiver)) << c.name;
        if (c.scripted) {
            ScriptedReply bye;
            bye.before = "bye";
            bye.dropLink = true;
            link.SetReply("BYE", bye);
            link.Write(4, reinterpret_cast<const BYTE*>("BYE\r"));
        } else {
            link.DropLink();
        }
        const ULONGLONG start = GetTickCount64();
        while ((link.IsReceiveThreadRunning() || receiver.linkLost == 0) && GetTickCount64() - start < 5000)
            Sleep(1);
        EXPECT_FALSE(link.IsReceiveThreadRunning()) << c.name;
        EXPECT_EQ(1, receiver.linkLost.load()) << c.name;
        EXPECT_EQ(c.scripted ? "bye" : "", receiver.Bytes()) << c.name;
        EXPECT_TRUE(log.Contains("Link lost")) << c.name;
        EXPECT_TRUE(link.Close()) << c.name;
        EXPECT_EQ(1, receiver.linkLost.load()) << c.name;
    }
}

// Records the link notices a window receives.
std::vector<LPARAM> g_notices;
WNDPROC g_previousProc = nullptr;

LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_VEXO_LINK_CHANGED)
        g_notices.push_back(lParam);
    return CallWindowProcA(g_previousProc, window, message, wParam, lParam);
}

TEST(CommsNoticeTest, TheMainFrameHearsOfOpeningAndClosingEvenWhenOpeningFails)
{
    TestWindow frame("main frame");
    g_notices.clear();
    g_previousProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NoticeProc)));
    CScriptedController link;
    link.SetMainFrameWindow(frame);
    ASSERT_TRUE(link.Open(nullptr));
    EXPECT_TRUE(link.GetOpenFlag());
    EXPECT_TRUE(link.Close());
    link.SetOpenFails(true);
    EXPECT_FALSE(link.Open(nullptr));
    EXPECT_FALSE(link.GetOpenFlag());
    const LPARAM record = reinterpret_cast<LPARAM>(link.GetRecord());
    EXPECT_EQ((std::vector<LPARAM>{record, 0, record}), g_notices);
    SetWindowLongPtrA(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_previousProc));
}

} // namespace
