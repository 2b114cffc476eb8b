// The simulator window link against a stand-in simulator: a top-level
// window with a comms window child on a thread of its own, published under
// WinTargets\QCSimulation in a registry sandbox, that records what
// arrives, answers the copy-data query as told and sends bytes back.
#include "link/wincomms.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "connection_stub.h"
#include "foundation/fileutil.h"
#include "framework/app.h"
#include "framework/thread.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const char* const kPeerMain = "QCSimulation stand-in";
const char* const kPeerComms = "QCSim comms stand-in";

class SimulatorPeer {
public:
    struct Post {
        WPARAM count;
        DWORD packed;
    };

    explicit SimulatorPeer(LRESULT allowAnswer, bool publish = true) : m_allowAnswer(allowAnswer)
    {
        if (publish) {
            SetTargetValue("MainWindow", kPeerMain);
            SetTargetValue("CommsWindow", kPeerComms);
        }
        m_thread = std::thread([this] { Run(); });
        while (!m_ready)
            Sleep(1);
    }
    ~SimulatorPeer() { Stop(); }

    void Stop()
    {
        if (!m_thread.joinable())
            return;
        PostThreadMessageA(m_threadId, WM_QUIT, 0, 0);
        m_thread.join();
    }
    // The comms window stops pumping for ms (a hung simulator).
    void Freeze(DWORD ms) { PostMessageA(m_comms, WM_APP, ms, 0); }

    std::vector<Post> Posts()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_posts;
    }
    std::string PostedBytes()
    {
        std::string bytes;
        for (const Post& post : Posts())
            for (WPARAM n = 0; n < post.count; ++n)
                bytes += static_cast<char>(post.packed >> (8 * n));
        return bytes;
    }
    std::string CopiedBytes()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_copied;
    }
    std::vector<std::pair<ULONG_PTR, WPARAM>> CopyHeaders()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_copyHeaders;
    }
    void SetCopyAnswer(BOOL answer) { m_copyAnswer = answer; }
    // The next count blocks are refused (a full receive queue).
    void RefuseBlocks(int count)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_refusals = count;
    }
    HWND Comms() const { return m_comms; }

private:
    static void SetTargetValue(const char* value, const char* text)
    {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\QCSimulation", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr);
        RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       static_cast<DWORD>(strlen(text) + 1));
        RegCloseKey(key);
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<SimulatorPeer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == VexoLinkMessage()) {
            std::lock_guard<std::mutex> guard(self->m_lock);
            self->m_posts.push_back({wParam, static_cast<DWORD>(lParam)});
            return 0;
        }
        if (self && message == VexoAllowCopyDataMessage())
            return self->m_allowAnswer;
        if (self && message == WM_COPYDATA) {
            const auto* block = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            std::lock_guard<std::mutex> guard(self->m_lock);
            if (self->m_refusals > 0) {
                --self->m_refusals;
                return FALSE;
            }
            self->m_copyHeaders.emplace_back(block->dwData, wParam);
            self->m_copied.append(static_cast<const char*>(block->lpData), block->cbData);
            return self->m_copyAnswer.load();
        }
        if (message == WM_APP) {
            Sleep(static_cast<DWORD>(wParam));
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    void Run()
    {
        m_threadId = GetCurrentThreadId();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = &Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SimulatorPeerWindow";
        RegisterClassA(&windowClass);
        m_main = CreateWindowExA(0, "SimulatorPeerWindow", kPeerMain, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        m_comms = CreateWindowExA(0, "SimulatorPeerWindow", kPeerComms, WS_CHILD, 0, 0, 10, 10, m_main, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrA(m_comms, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        MSG msg;
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
        m_ready = true;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        DestroyWindow(m_main);
    }

    LRESULT m_allowAnswer;
    std::atomic<BOOL> m_copyAnswer{TRUE};
    int m_refusals = 0; // under m_lock
    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<bool> m_ready{false};
    HWND m_main = nullptr;
    HWND m_comms = nullptr;
    std::mutex m_lock;
    std::vector<Post> m_posts;
    std::string m_copied;
    std::vector<std::pair<ULONG_PTR, WPARAM>> m_copyHeaders;
};

TEST(WinCommsPackingTest, BytesPackFirstLowestAndUnpackByCount)
{
    const BYTE bytes[4] = {0x41, 0x42, 0x43, 0xFF};
    EXPECT_EQ(static_cast<LPARAM>(0xFF434241u), PackLinkBytes(bytes, 4));
    EXPECT_EQ(static_cast<LPARAM>(0x4241), PackLinkBytes(bytes, 2));
    EXPECT_EQ(static_cast<LPARAM>(0x41), PackLinkBytes(bytes, 1));
    BYTE out[4] = {};
    EXPECT_EQ(3, UnpackLinkBytes(3, 0xFF434241u, out));
    EXPECT_EQ(0, std::memcmp(bytes, out, 3));
    EXPECT_EQ(0, UnpackLinkBytes(0, 0x41, out));
    EXPECT_EQ(0, UnpackLinkBytes(5, 0x41, out)); // a packet never carries more than four
}

TEST(WinCommsFlowTest, DcOneAndDcThreeAreTakenOutAndSetTheHold)
{
    const struct {
        std::string in;
        bool holdBefore;
        std::string out;
        bool holdAfter;
    } cases[] = {
        {"A\x13" "B", false, "AB", true},
        {"\x11", true, "", false},
        {"\x13x\x11y", false, "xy", false},
        {"\x11\x13", false, "", true},
        {"plain", true, "plain", true},
    };
    for (const auto& c : cases) {
        std::string bytes = c.in;
        bool hold = c.holdBefore;
        const int left = StripFlowControl(reinterpret_cast<BYTE*>(bytes.data()), static_cast<int>(bytes.size()), hold);
        EXPECT_EQ(c.out, bytes.substr(0, left));
        EXPECT_EQ(c.holdAfter, hold);
    }
}

class WinCommsTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_link.SetMainFrameWindow(m_frame);
        m_link.SetConfiguration(nullptr);
        m_link.SetMessageTimeout(500);
    }
    void TearDown() override { m_link.Close(); }

    bool WriteText(const std::string& text)
    {
        return m_link.Write(static_cast<int>(text.size()), reinterpret_cast<const BYTE*>(text.data()));
    }
    // The simulator's side: bytes posted to the receive window.
    void PeerPosts(const std::string& bytes)
    {
        for (std::size_t n = 0; n < bytes.size(); n += 4) {
            const int count = static_cast<int>(std::min<std::size_t>(4, bytes.size() - n));
            PostMessageA(m_link.GetReceiveWindow(), VexoLinkMessage(), count,
                         PackLinkBytes(reinterpret_cast<const BYTE*>(bytes.data()) + n, count));
        }
    }
    LRESULT PeerCopies(const std::string& bytes)
    {
        COPYDATASTRUCT block = {0, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
        return SendMessageA(m_link.GetReceiveWindow(), WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block));
    }

    TestWindow m_frame{"Vorta main frame"};
    ConnectionStub m_connection;
    CWinComms m_link;
};

TEST_F(WinCommsTest, OpeningMakesTheReceiveWindowAndPublishesIt)
{
    ASSERT_TRUE(m_link.Open(&m_connection));
    const HWND window = m_link.GetReceiveWindow();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_EQ(m_frame.Handle(), GetParent(window));
    EXPECT_EQ("Vorta_WinComm", WindowText(window));
    EXPECT_EQ(static_cast<LONG_PTR>(RX_WINDOW_ID), GetWindowLongPtrA(window, GWLP_ID));
    EXPECT_NE(GetCurrentThreadId(), GetWindowThreadProcessId(window, nullptr));

    char text[64] = {};
    DWORD size = sizeof text;
    DWORD type = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", "CommsWindow",
                                          RRF_RT_ANY, &type, text, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ("Vorta_WinComm", text);
    EXPECT_EQ(sizeof "Vorta_WinComm", size); // stored with its NUL

    // The simulator asks whether it may send blocks.
    EXPECT_EQ(1, SendMessageA(window, VexoAllowCopyDataMessage(), 0, 0));

    EXPECT_TRUE(m_link.Close());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(m_link.GetOpenFlag());
    // Open again after a close.
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(IsWindow(m_link.GetReceiveWindow()));
}

TEST_F(WinCommsTest, WithoutAMainWindowTheLinkDoesNotOpen)
{
    m_link.SetMainFrameWindow(nullptr);
    EXPECT_FALSE(m_link.Open(&m_connection));
    EXPECT_FALSE(m_link.GetOpenFlag());
}

TEST_F(WinCommsTest, TenBytesGoAsThreePacketsOfFourFourAndTwo)
{
    SimulatorPeer peer(0);
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_FALSE(m_link.IsCopyData());
    EXPECT_TRUE(WriteText("?VERSION\r\n"));
    ASSERT_TRUE(PumpUntil([&] { return peer.Posts().size() == 3; }));
    const auto posts = peer.Posts();
    EXPECT_EQ(4u, posts[0].count);
    EXPECT_EQ(static_cast<DWORD>('?' | 'V' << 8 | 'E' << 16 | 'R' << 24), posts[0].packed);
    EXPECT_EQ(4u, posts[1].count);
    EXPECT_EQ(static_cast<DWORD>('S' | 'I' << 8 | 'O' << 16 | 'N' << 24), posts[1].packed);
    EXPECT_EQ(2u, posts[2].count);
    EXPECT_EQ(static_cast<DWORD>('\r' | '\n' << 8), posts[2].packed);
    EXPECT_TRUE(peer.CopiedBytes().empty());
}

TEST_F(WinCommsTest, PostsGoBackToBackWithAPauseAfterEachGroup)
{
    // 200 bytes are 50 posts: three pauses of 1 ms after groups of 16, not
    // one after every post; the bytes arrive whole and in order.
    SimulatorPeer peer(0);
    ASSERT_TRUE(m_link.Open(&m_connection));
    std::string text;
    for (int n = 0; text.size() < 200; ++n)
        text += static_cast<char>('A' + n % 26);
    {
        FakeClock clock;
        EXPECT_TRUE(WriteText(text));
        EXPECT_EQ(static_cast<std::uint64_t>(50 / WIN_COMMS_POSTS_PER_PAUSE), clock.SleptMs());
    }
    ASSERT_TRUE(PumpUntil([&] { return peer.PostedBytes().size() == text.size(); }));
    EXPECT_EQ(text, peer.PostedBytes());
}

TEST_F(WinCommsTest, ASimulatorThatTakesBlocksGetsOneCopyDataMessage)
{
    SimulatorPeer peer(1);
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(WriteText("?VERSION\r"));
    EXPECT_TRUE(m_link.IsCopyData());
    EXPECT_EQ("?VERSION\r", peer.CopiedBytes());
    EXPECT_EQ((std::vector<std::pair<ULONG_PTR, WPARAM>>{{0, reinterpret_cast<WPARAM>(m_frame.Handle())}}),
              peer.CopyHeaders());
    EXPECT_TRUE(peer.Posts().empty());
    // A refused block (the simulator's queue is full) is offered again
    // until it is taken, once.
    peer.RefuseBlocks(3);
    {
        FakeClock clock;
        EXPECT_TRUE(WriteText("?VR(1)\r"));
        EXPECT_EQ(3u, clock.SleptMs());
    }
    EXPECT_EQ("?VERSION\r?VR(1)\r", peer.CopiedBytes());
    // Refused for longer than the message time-out: the write fails.
    peer.SetCopyAnswer(FALSE);
    EXPECT_FALSE(WriteText("x"));
}

TEST_F(WinCommsTest, WithoutTheSimulatorWritesFailUntilItStarts)
{
    ASSERT_TRUE(m_link.Open(&m_connection)); // the simulator is not needed to open
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_FALSE(WriteText("?1\r"));
    SimulatorPeer peer(0);
    EXPECT_TRUE(m_link.IsOpen());
    EXPECT_TRUE(WriteText("?1\r"));
    ASSERT_TRUE(PumpUntil([&] { return peer.PostedBytes() == "?1\r"; }));
    // The simulator goes away: the link says so and writes fail.
    peer.Stop();
    EXPECT_FALSE(m_link.IsOpen());
    EXPECT_FALSE(WriteText("?2\r"));
}

TEST_F(WinCommsTest, AHungSimulatorCostsTheQueryTimeOutAndGetsPackets)
{
    SimulatorPeer peer(1);
    peer.Freeze(1500);
    Sleep(20);
    ASSERT_TRUE(m_link.Open(&m_connection));
    const ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(WriteText("ab")); // the copy-data query went unanswered
    EXPECT_LT(GetTickCount64() - start, 1400u);
    EXPECT_FALSE(m_link.IsCopyData());
    ASSERT_TRUE(PumpUntil([&] { return peer.PostedBytes() == "ab"; }));
}

TEST_F(WinCommsTest, ReceivedBytesAreDeliveredWithoutFlowControlAndSetTheHold)
{
    ASSERT_TRUE(m_link.Open(&m_connection));
    PeerPosts("A\x13" "B");
    ASSERT_TRUE(m_connection.WaitForBytes(2));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, "AB"}}), m_connection.Runs());
    EXPECT_TRUE(m_link.IsHeld());
    EXPECT_EQ(TRUE, PeerCopies("\x11"));
    EXPECT_FALSE(m_link.IsHeld());
    EXPECT_EQ(TRUE, PeerCopies("CD"));
    EXPECT_EQ("ABCD", m_connection.Bytes());
}

TEST_F(WinCommsTest, AHeldWriteWaitsForDcOneAndFailsAfterTheTimeOut)
{
    SimulatorPeer peer(0);
    ASSERT_TRUE(m_link.Open(&m_connection));
    PeerPosts("\x13");
    ASSERT_TRUE(PumpUntil([&] { return m_link.IsHeld(); }));
    {
        FakeClock clock;
        EXPECT_FALSE(WriteText("held"));
        EXPECT_GE(clock.SleptMs(), 500u);
        EXPECT_TRUE(peer.Posts().empty());

        // DC1 arrives while a write waits: it goes on.
        m_link.SetMessageTimeout(60000);
        const std::uint64_t before = clock.SleptMs();
        clock.SetSleepHook([&](std::uint64_t) {
            if (clock.SleptMs() == before + 10)
                PeerPosts("\x11");
        });
        EXPECT_TRUE(WriteText("go"));
        clock.SetSleepHook(nullptr);
    }
    ASSERT_TRUE(PumpUntil([&] { return peer.PostedBytes() == "go"; }));
}

TEST_F(WinCommsTest, ChannelAndExclusiveModesDecideTheChannel)
{
    ASSERT_TRUE(m_link.Open(&m_connection));
    m_link.SetChannelMode();
    PeerPosts("\x1b" "3abc");
    ASSERT_TRUE(m_connection.WaitForBytes(3));
    m_link.SetExclusiveMode(TRUE, nullptr);
    PeerPosts("\x1b" "5de");
    ASSERT_TRUE(m_connection.WaitForBytes(6));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{3, "abc"}, {CHANNEL_NONE, "\x1b" "5de"}}),
              m_connection.Runs());
}

TEST_F(WinCommsTest, ASimulatorWindowThatGoesIsALinkLostAtOnce)
{
    SimulatorPeer peer(0);
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(WriteText("?1\r"));
    const ULONGLONG start = GetTickCount64();
    peer.Stop();
    ASSERT_TRUE(PumpUntil([&] { return m_connection.m_linkLost.load() > 0; }, 2000));
    EXPECT_LT(GetTickCount64() - start, 1000u);
    EXPECT_FALSE(WriteText("?2\r"));
    EXPECT_EQ(1, m_connection.m_linkLost.load()); // told once
}

TEST_F(WinCommsTest, ANewSimulatorIsNotHeldByTheOneBefore)
{
    {
        SimulatorPeer gone(0);
        ASSERT_TRUE(m_link.Open(&m_connection));
        EXPECT_TRUE(WriteText("a"));
        PeerPosts("\x13");
        ASSERT_TRUE(PumpUntil([&] { return m_link.IsHeld(); }));
    }
    SimulatorPeer replacement(0);
    FakeClock clock;
    EXPECT_TRUE(WriteText("b"));
    EXPECT_LT(clock.SleptMs(), 500u); // never held
    ASSERT_TRUE(PumpUntil([&] { return replacement.PostedBytes() == "b"; }));
}

// The connection over the window link: an exchange waiting for a
// simulator that goes ends at once with the link lost, not after its
// time-out, and the project window is told to disconnect.
TEST_F(WinCommsTest, AnExchangeWaitingForASimulatorThatGoesEndsAtOnce)
{
    CWinApp app("media tests");
    SimulatorPeer peer(0); // takes every byte and never answers
    CFakeProjectLink project;
    CControllerConnection connection(&project);
    project.SetConnection(&connection);
    connection.SetLinkFactory([](int) -> CComms* { return new CWinComms; });
    CCommPortData record;
    record.SetName("Sim");
    record.SetTypeDefaults(LINK_TYPE_SIMULATOR);
    ASSERT_TRUE(connection.OpenLink(project.GetSafeHwnd(), &record, FALSE));
    std::thread stopper([&] {
        PumpUntil([&] { return peer.PostedBytes() == "?1\r"; });
        peer.Stop();
    });
    const ULONGLONG start = GetTickCount64();
    CString reply;
    EXPECT_FALSE(connection.SyncCommand("?1\r", reply, FALSE));
    stopper.join();
    EXPECT_LT(GetTickCount64() - start, 2000u); // the exchange would wait 10 s
    EXPECT_TRUE(connection.IsLinkLost());
    EXPECT_EQ((std::vector<std::string>{"** Connection to controller lost"}), project.Errors());
    EXPECT_TRUE(PumpUntil([&] {
        for (const auto& message : project.PrivateMessages())
            if (message.first == WM_VEXO_LINK_FAILED)
                return true;
        return false;
    }));
    connection.CloseLink();
}

TEST_F(WinCommsTest, WhileSuspendedBytesWaitForReadInArrivalOrder)
{
    ASSERT_TRUE(m_link.Open(&m_connection));
    ASSERT_TRUE(m_link.SuspendReceive());
    PeerPosts("first ");
    std::string read;
    auto readUntil = [&](std::size_t size) {
        return PumpUntil([&] {
            BYTE buffer[64];
            const int count = m_link.Read(buffer, sizeof buffer);
            read.append(reinterpret_cast<char*>(buffer), count);
            return read.size() >= size;
        });
    };
    ASSERT_TRUE(readUntil(6));
    EXPECT_EQ(TRUE, PeerCopies("second"));
    PeerPosts(" third");
    ASSERT_TRUE(readUntil(18));
    EXPECT_EQ("first second third", read);
    EXPECT_EQ("", m_connection.Bytes());
    ASSERT_TRUE(m_link.ResumeReceive());
    PeerPosts("live");
    ASSERT_TRUE(m_connection.WaitForBytes(4));
    EXPECT_EQ("live", m_connection.Bytes());
}

TEST_F(WinCommsTest, WhatTheRingCannotHoldIsRefused)
{
    ASSERT_TRUE(m_link.Open(&m_connection));
    ASSERT_TRUE(m_link.SuspendReceive());
    EXPECT_EQ(TRUE, PeerCopies(std::string(4096, 'x')));
    EXPECT_EQ(FALSE, PeerCopies("y")); // one past what the ring holds
}

// The simulator in a process of its own (SimulatorPeer.exe, beside the
// test program): window handles, packed bytes and copied blocks cross the
// process boundary as they do between the two programs.
class WinCommsAcrossProcessesTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        // The main frame publishes its title; the simulator finds the
        // receive window below it.
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", 0,
                                                 nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
        RegSetValueExA(key, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(m_frameTitle.c_str()),
                       static_cast<DWORD>(m_frameTitle.size() + 1));
        RegCloseKey(key);
        m_link.SetMainFrameWindow(m_frame);
        m_link.SetConfiguration(nullptr);
    }
    void TearDown() override
    {
        m_link.Close();
        StopPeer();
    }

    // Starts the peer answering the copy-data query with allow; true once
    // it has published its windows.
    bool StartPeer(int allow)
    {
        const std::string exe = std::string(GetProgramDirectory()) + "\\SimulatorPeer.exe";
        std::string command = "\"" + exe + "\" \"" + m_journal + "\" " + std::to_string(allow) + " \"" +
                              m_sandbox.ScratchPath() + "\\HKCU\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_peer))
            return false;
        CloseHandle(m_peer.hThread);
        if (!PumpUntil([&] { return !Journal().empty(); }, 20000))
            return false;
        const std::string ready = Journal().front();
        m_peerMain = FindWindowA(nullptr, ready.substr(ready.find(' ') + 1).c_str());
        return ready.rfind("ready ", 0) == 0 && IsWindow(m_peerMain);
    }
    void StopPeer()
    {
        if (!m_peer.hProcess)
            return;
        if (IsWindow(m_peerMain))
            PostMessageA(m_peerMain, WM_CLOSE, 0, 0);
        if (AfxWaitWithMessages(m_peer.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(m_peer.hProcess, 1);
        CloseHandle(m_peer.hProcess);
        m_peer = {};
    }
    // Has the peer post (command 1), copy (2) or ask (3) the receive window.
    void Command(ULONG_PTR command, const std::string& bytes = std::string())
    {
        COPYDATASTRUCT block = {command, static_cast<DWORD>(bytes.size()), const_cast<char*>(bytes.data())};
        SendMessageA(m_peerMain, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block));
    }
    std::vector<std::string> Journal() const
    {
        std::vector<std::string> lines;
        const std::string text = ReadWholeFile(m_journal);
        for (std::size_t start = 0; start < text.size();) {
            const std::size_t end = text.find('\n', start);
            if (end == std::string::npos)
                break; // a line being written
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
    // The journal's lines after "ready", once there are count of them.
    std::vector<std::string> Events(std::size_t count)
    {
        std::vector<std::string> lines;
        PumpUntil([&] {
            lines = Journal();
            return lines.size() >= count + 1;
        });
        return lines.empty() ? lines : std::vector<std::string>(lines.begin() + 1, lines.end());
    }
    bool WriteText(const std::string& text)
    {
        return m_link.Write(static_cast<int>(text.size()), reinterpret_cast<const BYTE*>(text.data()));
    }
    static std::string Hex32(HWND window)
    {
        char text[16];
        std::snprintf(text, sizeof text, "%08lX",
                      static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window) & 0xFFFFFFFFu));
        return text;
    }

    const std::string m_frameTitle = "Vorta frame " + std::to_string(GetCurrentProcessId());
    TestWindow m_frame{m_frameTitle.c_str()};
    ScratchFolder m_folder;
    const std::string m_journal = m_folder / "peer.txt";
    PROCESS_INFORMATION m_peer = {};
    HWND m_peerMain = nullptr;
    ConnectionStub m_connection;
    CWinComms m_link;
};

TEST_F(WinCommsAcrossProcessesTest, TenBytesGoAsThreeLinkMessages)
{
    ASSERT_TRUE(StartPeer(0));
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(WriteText("?VERSION\r\n"));
    EXPECT_FALSE(m_link.IsCopyData());
    EXPECT_EQ((std::vector<std::string>{"allow-query", "post 4 5245563F", "post 4 4E4F4953", "post 2 00000A0D"}),
              Events(4));
}

TEST_F(WinCommsAcrossProcessesTest, ASimulatorThatTakesBlocksGetsThemAsCopyData)
{
    ASSERT_TRUE(StartPeer(1));
    ASSERT_TRUE(m_link.Open(&m_connection));
    EXPECT_TRUE(WriteText("?VERSION\r"));
    EXPECT_TRUE(m_link.IsCopyData());
    EXPECT_EQ((std::vector<std::string>{"allow-query", "copy 0 " + Hex32(m_frame) + " 3F56455253494F4E0D"}), Events(2));
}

TEST_F(WinCommsAcrossProcessesTest, TheSimulatorFindsTheReceiveWindowAndItsBytesArrive)
{
    ASSERT_TRUE(StartPeer(0));
    ASSERT_TRUE(m_link.Open(&m_connection));
    // Found through the published title; the receive window takes blocks.
    Command(3);
    EXPECT_EQ((std::vector<std::string>{"allow-answer 1"}), Events(1));

    // A, DC3, B: A and B arrive, the hold is set; DC1 clears it.
    Command(1, "A\x13" "B");
    ASSERT_TRUE(m_connection.WaitForBytes(2));
    EXPECT_EQ((std::vector<std::pair<int, std::string>>{{CHANNEL_NONE, "AB"}}), m_connection.Runs());
    EXPECT_TRUE(m_link.IsHeld());
    Command(1, "\x11");
    EXPECT_TRUE(PumpUntil([&] { return !m_link.IsHeld(); }));
    // A block: every byte taken, the flow control bytes too.
    Command(2, "\x13" "CD");
    EXPECT_EQ((std::vector<std::string>{"allow-answer 1", "sent-posts 1", "sent-posts 1", "sent-copy 1"}),
              Events(4));
    EXPECT_EQ("ABCD", m_connection.Bytes());
    EXPECT_TRUE(m_link.IsHeld());
}

} // namespace
