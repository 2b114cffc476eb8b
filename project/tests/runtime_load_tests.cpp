// The fast project load into the simulated runtime itself: the runtime runs
// in this process on a thread of its own, its link port behind a CComms, and
// the load's lines are read back with LIST and DIR at its command line.
//
// Both sides run on one virtual clock (the test's FakeClock): the runtime's
// sleeps wait until the clock has reached their end, and every sleep of the
// development environment's side moves the clock only once the runtime has
// taken in what it was sent and waits again. So neither side's time-outs
// run out while the other is still working.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/app.h"
#include "link/comms.h"
#include "link/controllerconnection.h"
#include "link/tests/support/fake_project.h"
#include "project/fastloadprogram.h"
#include "project/fastloadproject.h"
#include "project/programtransfer.h"
#include "project/projectmessages.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/vocabulary.h"
#include "project/tests/program_load_window.h"
#include "project/tests/transfer_host.h"
#include "testsupport/fake_clock.h"
#include "testsupport/fake_windows.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

// The runtime's host and the link to it in one: what the development
// environment writes is what the runtime's port 0 receives, and what the
// runtime writes on port 0 is what the link reads.
class CRuntimeLink : public CComms, public qcrt::RuntimeHost {
public:
    explicit CRuntimeLink(FakeClock& clock)
        : m_clock(clock), m_flash(qcrt::kFlashSize, 0xFF), m_batteryRam(qcrt::kBatteryRamSize, 0)
    {
        SetConfiguration(nullptr);
    }
    ~CRuntimeLink() override
    {
        Stop();
        Close();
    }

    // Powers the runtime up on a thread of its own, as process 0.
    void Start()
    {
        // The runtime's tables as a fresh simulator has them: nothing of an
        // earlier test's host (its flash image above all) is kept.
        qcrt::g_RuntimeStopping.store(false);
        qcrt::SetRuntimeHost(this);
        qcrt::ReleaseFlashDevice();
        qcrt::SetFlashFaultHook(nullptr);
        qcrt::ResetProcessTable();
        qcrt::ResetResources();
        qcrt::ResetSchedule();
        qcrt::ResetOutputFrames();
        qcrt::g_LinkProtocolMode = 0;
        qcrt::g_ServoRunning.store(false);
        qcrt::g_MotionEnabled.store(0);
        qcrt::g_SystemMilliseconds.store(0);
        qcrt::g_ProcessRecords[0].stopRequest.store(0);
        m_thread = std::thread([] {
            qcrt::AttachCurrentThread(0);
            qcrt::g_CurrentProcess.store(0);
            qcrt::SetInlineScheduling(true);
            qcrt::ControllerStartup();
            qcrt::SetInlineScheduling(false);
            qcrt::DetachCurrentThread();
        });
    }

    // Asks the command line to stop and waits for its thread; the runtime
    // is left without a host.
    void Stop()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bStopping = true;
        }
        qcrt::g_ProcessRecords[0].stopRequest.store(1);
        qcrt::g_RuntimeStopping.store(true);
        m_changed.notify_all();
        m_thread.join();
        qcrt::WindDownProcesses();
        qcrt::SetCommandChannelService(nullptr);
        qcrt::SetProcessLoop(nullptr);
        qcrt::ReleaseFlashDevice();
        qcrt::SetRuntimeHost(nullptr);
        qcrt::BindMemoryImages();
        qcrt::InitChannels();
        qcrt::InitPorts();
        qcrt::g_ProcessRecords[0].stopRequest.store(0);
        qcrt::g_RuntimeStopping.store(false);
    }

    bool IsRunning() const { return m_thread.joinable(); }

    // Waits (bounded, real time) until the runtime has taken in every byte
    // sent to it and waits for the clock again. The clock's sleep hook.
    void WaitUntilIdle()
    {
        std::unique_lock<std::mutex> lock(m_lock);
        m_changed.notify_all();
        m_changed.wait_for(lock, std::chrono::seconds(2), [this] {
            // A receive thread, when there is one and it is not held, has
            // taken what was written; while it is held the test reads.
            return m_bStopping ||
                   (m_bWaiting && m_toRuntime.empty() && m_clock.NowMs() < m_wakeMs &&
                    (m_fromRuntime.empty() || !IsReceiveThreadRunning() || m_nPauses.load() > 0));
        });
    }

    BOOL SuspendReceive() override
    {
        const BOOL paused = CComms::SuspendReceive();
        if (paused)
            ++m_nPauses;
        return paused;
    }
    BOOL ResumeReceive() override
    {
        if (m_nPauses.load() > 0)
            --m_nPauses;
        return CComms::ResumeReceive();
    }

    // CComms. Opened without a receiver (as the fast project load borrows
    // the link) it has no receive thread.
    BOOL Open(ILinkReceiver* receiver) override
    {
        m_bOpen = TRUE;
        BOOL opened = receiver ? StartReceiveThread(receiver, "Runtime link read thread started",
                                                    "Runtime link read thread ended")
                               : TRUE;
        CComms::Open(receiver);
        return opened;
    }
    BOOL SetConfiguration(const CCommPortData* record) override
    {
        m_data = record ? *record : CCommPortData();
        if (!record) {
            m_data.SetName("Runtime");
            m_data.m_nType = LINK_TYPE_SERIAL;
        }
        m_nMode = LINK_MODE_RAW;
        return TRUE;
    }
    BOOL SetData(const BYTE* data, BOOL handshake) override
    {
        if (data)
            std::memcpy(m_data.m_data.m_bytes, data, COMM_LINK_DATA_SIZE);
        m_bHandshake = handshake;
        return TRUE;
    }
    BOOL Close() override
    {
        StopReceiveThread();
        m_bOpen = FALSE;
        CComms::Close();
        return TRUE;
    }
    BOOL IsOpen() override { return m_bOpen; }
    BOOL Write(int length, const BYTE* data) override
    {
        if (!m_bOpen || !data || length < 1)
            return FALSE;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            std::string bytes(reinterpret_cast<const char*>(data), length);
            m_written += bytes;
            if (!m_corrupt.empty()) {
                if (const size_t at = bytes.find(m_corrupt); at != std::string::npos) {
                    bytes[at] ^= 0x20;
                    m_corrupt.clear();
                }
            }
            m_toRuntime.insert(m_toRuntime.end(), bytes.begin(), bytes.end());
        }
        m_changed.notify_all();
        return TRUE;
    }

    // The next write that holds these bytes reaches the runtime with the
    // first of them changed (as by a fault on the line).
    void CorruptNextWriteOf(const std::string& bytes)
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_corrupt = bytes;
    }
    // Every byte the runtime wrote.
    std::string Sent()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_sent;
    }
    // Every byte written to the runtime, as written.
    std::string Written()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_written;
    }
    int Read(BYTE* buffer, int maximum) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_bOpen || !buffer || maximum < 1)
            return 0;
        int taken = 0;
        while (taken < maximum && !m_fromRuntime.empty()) {
            buffer[taken++] = m_fromRuntime.front();
            m_fromRuntime.pop_front();
        }
        return taken;
    }

    // RuntimeHost: port 0 only.
    int Write(int port, const uint8_t* data, int length) override
    {
        if (port != 0 || !data || length < 1)
            return 0;
        std::lock_guard<std::mutex> guard(m_lock);
        m_fromRuntime.insert(m_fromRuntime.end(), data, data + length);
        m_sent.append(reinterpret_cast<const char*>(data), length);
        return length;
    }
    int GetRxCount(int port) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return port == 0 ? static_cast<int>(m_toRuntime.size()) : 0;
    }
    int GetRxChar(int port, uint8_t* out) override
    {
        std::lock_guard<std::mutex> guard(m_lock);
        if (port != 0 || !out || m_toRuntime.empty())
            return 0;
        *out = m_toRuntime.front();
        m_toRuntime.pop_front();
        return 1;
    }
    uint8_t* GetFlashImage() override { return m_flash.data(); }
    uint32_t GetFlashSize() override { return static_cast<uint32_t>(m_flash.size()); }
    uint8_t* GetBatteryRamImage() override { return m_batteryRam.data(); }
    uint32_t GetBatteryRamSize() override { return static_cast<uint32_t>(m_batteryRam.size()); }
    uint64_t GetTimeNow() override { return m_clock.NowMs() * qcrt::kTicksPerMillisecond; }
    // Returns once the clock has moved on by the time asked for, or at once
    // when bytes are waiting or the runtime is being stopped.
    void SleepMs(unsigned milliseconds) override
    {
        std::unique_lock<std::mutex> lock(m_lock);
        if (milliseconds == 0)
            return;
        m_wakeMs = m_clock.NowMs() + milliseconds;
        while (!m_bStopping && m_toRuntime.empty() && m_clock.NowMs() < m_wakeMs) {
            m_bWaiting = true;
            m_changed.notify_all();
            // The clock tells nobody when it moves: look again shortly.
            m_changed.wait_for(lock, std::chrono::milliseconds(1));
        }
        m_bWaiting = false;
    }
    bool PostToLinkWindow(unsigned, uintptr_t, intptr_t) override { return false; }
    bool PostToDialog(unsigned, uintptr_t, intptr_t) override { return false; }
    void ShowPrompt(const std::string&) override {}
    bool GetLocalAppDataFolder(std::string&) override { return false; }
    bool DirectoryExists(const std::string&) override { return false; }
    bool MakeDirectory(const std::string&) override { return false; }

private:
    FakeClock& m_clock;
    std::vector<uint8_t> m_flash;
    std::vector<uint8_t> m_batteryRam;
    std::mutex m_lock;
    std::atomic<int> m_nPauses{0}; // SuspendReceive calls not yet undone
    std::condition_variable m_changed;
    std::deque<uint8_t> m_toRuntime;
    std::deque<uint8_t> m_fromRuntime;
    std::string m_written;
    std::string m_sent;
    std::string m_corrupt;
    bool m_bWaiting = false;
    bool m_bStopping = false;
    std::uint64_t m_wakeMs = 0;
    std::thread m_thread;
};

class Owner : public IFastLoadOwner {
public:
    Owner(CComms* link, HWND window) : m_pLink(link), m_hWnd(window) {}
    HWND GetOwnerWindow() override { return m_hWnd; }
    void Disconnect() override {}
    CComms* BorrowLink(int) override { return m_pLink; }
    void ReturnLink() override {}

private:
    CComms* m_pLink;
    HWND m_hWnd;
};

// Terminal output without its channel selections and flow control.
std::string Plain(const std::string& bytes)
{
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x1b' && i + 1 < bytes.size()) {
            ++i;
            continue;
        }
        if (c == '\x11' || c == '\x13')
            continue;
        text += c;
    }
    return text;
}

std::string Printable(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c < 32 || c > 126) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "<%02X>", c);
            text += hex;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

// Everything the runtime writes until it prompts again (at most timeoutMs
// of virtual time), without channel selections, read from the link itself.
std::string ReadUntilPrompt(CComms& link, FakeClock& clock, std::uint64_t timeoutMs)
{
    std::string received;
    const std::uint64_t start = clock.NowMs();
    while (clock.NowMs() - start < timeoutMs) {
        BYTE buffer[256];
        const int count = link.Read(buffer, sizeof buffer);
        if (count > 0) {
            received.append(reinterpret_cast<const char*>(buffer), count);
            const std::string text = Plain(received);
            if (text.size() >= 2 && text.compare(text.size() - 2, 2, ">>") == 0)
                return text;
            continue;
        }
        clock.SleepMs(1);
    }
    ADD_FAILURE() << "no prompt after: " << Plain(received);
    return Plain(received);
}

// Types a command line; the runtime's answer between its echo and the next
// prompt.
std::string Command(CComms& link, FakeClock& clock, const std::string& line)
{
    const std::string typed = line + "\r";
    EXPECT_TRUE(link.Write(static_cast<int>(typed.size()), reinterpret_cast<const BYTE*>(typed.data())));
    std::string answer = ReadUntilPrompt(link, clock, 5000);
    const std::string echo = line + "\r\n";
    if (answer.compare(0, echo.size(), echo) == 0)
        answer.erase(0, echo.size());
    else
        ADD_FAILURE() << "no echo of " << line << " in " << answer;
    return answer.substr(0, answer.size() - 2);
}

class RuntimeProjectLoad : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_link.Open(nullptr));
        m_clock.SetSleepHook([this](std::uint64_t) { m_link.WaitUntilIdle(); });
        m_link.Start();
        // Power-up ends at the command line's prompt.
        ASSERT_NE(ReadUntilPrompt(10000).find("QC Multitasking BASIC"), std::string::npos);
    }
    void TearDown() override
    {
        m_link.Stop();
        EXPECT_FALSE(m_link.IsRunning());
        m_clock.SetSleepHook({});
    }

    std::string ReadUntilPrompt(std::uint64_t timeoutMs = 5000) { return ::ReadUntilPrompt(m_link, m_clock, timeoutMs); }

    std::string Command(const std::string& line) { return ::Command(m_link, m_clock, line); }

    void WriteProject(const std::string& programs, const std::string& types, const std::string& autoRun)
    {
        WriteWholeFile(Path(), "[Controller]\r\nType=QC116\r\n[Programs]\r\n" + programs + "[ProgramType]\r\n" + types +
                                   "[AutoRun]\r\n" + autoRun);
    }
    std::string Path() const { return m_folder / "Proj.prj"; }

    bool Load()
    {
        Owner owner(&m_link, m_project.Handle());
        auto* load = new CFastLoadProject(&owner, Path().c_str(), &m_cancel);
        load->SetShowGauge(FALSE);
        if (!load->Start(1)) {
            ADD_FAILURE() << "the load did not start";
            load->Release();
            return false;
        }
        EXPECT_TRUE(load->WaitUntilDone(60000));
        const bool succeeded = load->Succeeded() != FALSE;
        load->Release();
        // What the runtime wrote after the load's last prompt.
        for (int n = 0; n < 50; ++n)
            m_clock.SleepMs(1);
        BYTE buffer[256];
        while (m_link.Read(buffer, sizeof buffer) > 0) {
        }
        return succeeded;
    }

    CWinApp m_app{"runtime load"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    FakeProjectWindow m_project;
    CRuntimeLink m_link{m_clock};
    std::atomic<int> m_cancel{0};
};

} // namespace

namespace {

// The program rows of DIR (name, source size, code size, run type).
std::string DirectoryRows(const std::string& dir)
{
    const std::string rule = "---------------- ------ ------ -------- ---------\r\n";
    const size_t at = dir.find(rule);
    if (at == std::string::npos)
        return "no directory: " + dir;
    std::string rows = dir.substr(at + rule.size());
    const size_t ok = rows.rfind("OK\r\n");
    return ok == std::string::npos ? rows : rows.substr(0, ok);
}

bool RuntimeHasRunType()
{
    const int keyword = qcrt::FindKeyword("RUNTYPE");
    return keyword >= 0 && qcrt::g_Keywords[keyword].handler != nullptr;
}

} // namespace

TEST_F(RuntimeProjectLoad, ProgramsHoldTheLinesOfTheirFiles)
{
    // MAIN with CR LF line ends and a blank line, MOVES with bare LFs, and
    // a name of the most characters a program name has.
    WriteProject("Program00=MAIN\r\nProgram01=MOVES\r\nProgram02=ABCDEFGHIJKLMNO\r\n",
                 "MAIN=0\r\nMOVES=0\r\nABCDEFGHIJKLMNO=0\r\n", "MAIN=-1\r\nMOVES=0\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "VR(1)=2\r\n\r\n  PRINT VR(1)\r\n");
    WriteWholeFile(m_folder / "MOVES.bas", "a=1\nb=a+1\n");
    WriteWholeFile(m_folder / "ABCDEFGHIJKLMNO.bas", "");
    ASSERT_TRUE(Load());
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_NE(m_link.Written().find("\x04RUNTYPE MAIN,1\r"), std::string::npos);
    EXPECT_EQ(m_link.Written().find("RUNTYPE MOVES"), std::string::npos);

    EXPECT_EQ(Command("LIST MAIN"), "VR(1)=2\r\n\r\n  PRINT VR(1)\r\n");
    EXPECT_EQ(Command("LIST MOVES"), "a=1\r\nb=a+1\r\n");
    // A program always holds a line: an empty file's has one blank line.
    EXPECT_EQ(Command("LIST ABCDEFGHIJKLMNO"), "\r\n");
    const std::string rows = DirectoryRows(Command("DIR"));
    EXPECT_NE(rows.find("MAIN "), std::string::npos) << rows;
    EXPECT_NE(rows.find("MOVES "), std::string::npos) << rows;
    EXPECT_NE(rows.find("ABCDEFGHIJKLMNO "), std::string::npos) << rows;
    if (RuntimeHasRunType()) {
        EXPECT_NE(rows.find("Auto"), std::string::npos) << rows;
    }
}

TEST_F(RuntimeProjectLoad, ALoadReplacesEveryProgram)
{
    WriteProject("Program00=OLD\r\n", "OLD=0\r\n", "");
    WriteWholeFile(m_folder / "OLD.bas", "x=1\r\n");
    ASSERT_TRUE(Load());
    WriteProject("Program00=FRESH\r\n", "FRESH=0\r\n", "");
    WriteWholeFile(m_folder / "FRESH.bas", "y=2\r\n");
    ASSERT_TRUE(Load());
    const std::string rows = DirectoryRows(Command("DIR"));
    EXPECT_EQ(rows.find("OLD"), std::string::npos) << rows;
    EXPECT_NE(rows.find("FRESH "), std::string::npos) << rows;
    EXPECT_EQ(Command("LIST FRESH"), "y=2\r\n");
}

TEST_F(RuntimeProjectLoad, ATextWhoseCheckFailsLeavesAnEmptyStore)
{
    WriteProject("Program00=MAIN\r\nProgram01=MOVES\r\n", "MAIN=0\r\nMOVES=0\r\n", "MAIN=-1\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "VR(1)=2\r\n");
    WriteWholeFile(m_folder / "MOVES.bas", "a=1\r\nb=a+1\r\n");
    m_link.CorruptNextWriteOf("b=a+1");
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Aborted by controller"});
    const std::string written = m_link.Written();
    EXPECT_EQ(written.find("RUNTYPE"), std::string::npos);
    EXPECT_EQ(written.substr(written.size() - 13), "\x1b" "0\x03" "VQE(0)\r\r\r\r");
    // The runtime drops the whole load, MAIN too, and its command line
    // still answers after the abort sequence.
    EXPECT_EQ(DirectoryRows(Command("DIR")), "");
}

TEST_F(RuntimeProjectLoad, ANameTooLongIsNeverSent)
{
    WriteProject("Program00=MAIN\r\nProgram01=ABCDEFGHIJKLMNOP\r\n", "MAIN=0\r\nABCDEFGHIJKLMNOP=0\r\n", "MAIN=-1\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "VR(1)=2\r\n");
    WriteWholeFile(m_folder / "ABCDEFGHIJKLMNOP.bas", "a=1\r\n");
    EXPECT_FALSE(Load());
    EXPECT_EQ(m_prompts.Texts(), std::vector<std::string>{"Error during project load"});
    const std::string written = m_link.Written();
    EXPECT_EQ(written.find("ABCDEFGHIJKLMNOP"), std::string::npos);
    EXPECT_EQ(written.find("RUNTYPE"), std::string::npos);
    // What was sent and acknowledged before the name stays.
    const std::string rows = DirectoryRows(Command("DIR"));
    EXPECT_NE(rows.find("MAIN "), std::string::npos) << rows;
    EXPECT_EQ(rows.find("ABCDEFGHIJKLMNO"), std::string::npos) << rows;
    EXPECT_EQ(Command("LIST MAIN"), "VR(1)=2\r\n");
}

// ---------------------------------------------------------------- program load

namespace {

// The connection's links are the runtime, powered up to its prompt; rLink
// names the newest. The clock runs on once the runtime is idle.
void UseRuntimeLinks(CControllerConnection& connection, FakeClock& clock, CRuntimeLink*& rLink)
{
    connection.SetLinkFactory([&clock, &rLink](int) {
        rLink = new CRuntimeLink(clock);
        rLink->Open(nullptr);
        rLink->Start();
        EXPECT_NE(ReadUntilPrompt(*rLink, clock, 10000).find("QC Multitasking BASIC"), std::string::npos);
        rLink->Close();
        return rLink;
    });
    clock.SetSleepHook([&rLink](std::uint64_t) {
        if (rLink)
            rLink->WaitUntilIdle();
    });
}

// A controller connection in channel mode whose link is the runtime.
class RuntimeProgramLoad : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_project);
        m_project.SetConnection(m_connection.get());
        UseRuntimeLinks(*m_connection, m_clock, m_link);
        CCommPortData record;
        record.SetName("Runtime");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        const BOOL opened = m_connection->OpenLink(m_project.GetSafeHwnd(), &record, TRUE);
        std::string prompts;
        for (const std::string& text : m_prompts.Texts())
            prompts += text + "|";
        ASSERT_TRUE(opened) << Plain(m_link ? m_link->Written() : "") << " prompts: " << prompts
                               << " last reply: " << Plain(std::string(m_connection->GetLastRawReply().GetString()));
    }
    void TearDown() override
    {
        m_connection.reset();
        m_clock.SetSleepHook({});
        m_link = nullptr;
    }

    // One load through the window's message; the window has gone after.
    bool Load(const char* name, const std::string& path)
    {
        return LoadThroughWindow(m_project, name, path, [this] { m_clock.SleepMs(1); });
    }

    // Leaves channel mode and types a command line at the runtime, past
    // the connection (its receive thread is held meanwhile).
    std::string Command(const std::string& line)
    {
        if (m_connection->GetLinkMode() == CONNECTION_CHANNEL_MODE) {
            EXPECT_TRUE(m_connection->LeaveChannelMode());
        }
        CReceivePause pause(m_link);
        EXPECT_TRUE(pause.IsPaused());
        // What the runtime wrote on leaving channel mode.
        ReadUntilPrompt(*m_link, m_clock, 5000);
        return ::Command(*m_link, m_clock, line);
    }

    CWinApp m_app{"runtime program load"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    CFakeProjectLink m_project;
    std::unique_ptr<CControllerConnection> m_connection;
    CRuntimeLink* m_link = nullptr;
};

} // namespace

TEST_F(RuntimeProgramLoad, TheConnectionEntersChannelMode)
{
    EXPECT_EQ(m_connection->GetLinkMode(), CONNECTION_CHANNEL_MODE);
    EXPECT_DOUBLE_EQ(m_connection->GetVersion(), 1.65);
    EXPECT_TRUE(m_prompts.Texts().empty());
}

// A program long enough for several blocks, loaded through the connection
// into the runtime: the runtime ends the reply to "LOAD_PROJECT(1)" before it
// asks for the blocks, so the connection's exchange of that command ends at
// once and the blocks join up into the one program.
TEST_F(RuntimeProgramLoad, BlocksOfAProgramJoinUpInTheRuntime)
{
    std::string file;
    for (int i = 0; i < 150; ++i)
        file += "VR(" + std::to_string(i) + ")=" + std::to_string(i * 3) + "\r\n";
    const std::string path = m_folder / "PROG.bas";
    WriteWholeFile(path, file);
    const size_t written = m_link->Written().size();
    const size_t sent = m_link->Sent().size();
    EXPECT_TRUE(Load("PROG", path)) << Printable(m_link->Written().substr(written))
                                    << "\nruntime: " << Printable(m_link->Sent().substr(sent));
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(Command("LIST PROG"), file);
}

// ---------------------------------------------------------------- line load and read-back

namespace {

// The program transfers over a connection in channel mode whose link is the
// runtime.
class RuntimeTransfer : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_connection = std::make_unique<CControllerConnection>(&m_hub);
        m_hub.SetConnection(m_connection.get());
        UseRuntimeLinks(*m_connection, m_clock, m_link);
        WriteWholeFile(m_folder / "Demo.prj", "[Programs]\r\nProgram00=MAIN\r\n[ProgramType]\r\nMAIN=0\r\n");
        m_hub.SetProjectPath(m_folder / "Demo.prj");
        CCommPortData record;
        record.SetName("Runtime");
        record.SetTypeDefaults(LINK_TYPE_SERIAL);
        ASSERT_TRUE(m_connection->OpenLink(m_hub.GetSafeHwnd(), &record, TRUE));
        ASSERT_EQ(m_connection->GetLinkMode(), CONNECTION_CHANNEL_MODE);
    }
    void TearDown() override
    {
        m_connection.reset();
        m_clock.SetSleepHook({});
        m_link = nullptr;
    }

    // The controller's check value of a program ("&Z,name"); -1 when not
    // answered.
    int ControllerCrc(const char* name)
    {
        std::atomic<int> crc{-1};
        m_hub.SetReplySink([&crc](const ControllerMessage& reply) { crc = reply.GetInteger(); });
        const BOOL answered = m_hub.RunCommand(26, 0, name);
        m_hub.SetReplySink({});
        return answered ? crc.load() : -1;
    }

    CWinApp m_app{"runtime transfer"};
    FakeClock m_clock;
    ScriptedPrompts m_prompts;
    ScratchFolder m_folder;
    TransferHost m_hub;
    std::unique_ptr<CControllerConnection> m_connection;
    CRuntimeLink* m_link = nullptr;
};

} // namespace

TEST_F(RuntimeTransfer, AProgramLoadsLineByLineAndReadsBackWithTheControllersCrc)
{
    const std::string file = "VR(1)=2\r\nVR(2)=VR(1)*3\r\nPRINT VR(2)\r\n";
    WriteWholeFile(m_folder / "MAIN.bas", file);
    {
        CProgramTransfer transfer(m_hub);
        EXPECT_TRUE(transfer.LoadProgramToController("MAIN", 0, TRUE)) << Printable(m_link->Written());
        EXPECT_TRUE(transfer.SaveProgramToDisk("MAIN", 0, TRUE));
    }
    const std::string written = Plain(m_link->Written());
    for (const char* line : {"&0R,VR(1)=2", "&1I,VR(2)=VR(1)*3", "&2I,PRINT VR(2)", "&N", "&0L", "&1L", "&2L"})
        EXPECT_NE(written.find(line), std::string::npos) << line;
    EXPECT_EQ(written.find("&3L"), std::string::npos);
    EXPECT_TRUE(m_prompts.Texts().empty());

    // The controller's copy, read back, has the check value the controller
    // gives, and so does the project's file.
    const std::string readBack = ReadWholeFile(m_folder / "Controller\\MAIN.bas");
    EXPECT_EQ(readBack, file);
    std::uint16_t fileCrc = 0;
    ASSERT_TRUE(ProgramFileCrc((m_folder / "Controller\\MAIN.bas").c_str(), fileCrc));
    EXPECT_EQ(ControllerCrc("MAIN"), static_cast<int>(fileCrc));
}
