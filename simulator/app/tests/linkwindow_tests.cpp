// The link window against a development environment's comms window made by
// the test, and the sequencer slicing busy processes.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "simulator/app/controllerwnd.h"
#include "simulator/app/sequencer.h"
#include "simulator/app/simlog.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "foundation/safefile.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scripted_prompts.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const char kPeerMain[] = "Vorta link test main";
const char kPeerComms[] = "Vorta link test comms";

// The development environment's comms window as the simulator finds it:
// published under WinTargets\Vorta; it records the link messages it gets.
class PeerWindows {
public:
    PeerWindows()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "SimLinkTestPeer";
        RegisterClassA(&windowClass);
        m_main = CreateWindowExA(0, "SimLinkTestPeer", kPeerMain, WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                 windowClass.hInstance, nullptr);
        m_comms = CreateWindowExA(0, "SimLinkTestPeer", kPeerComms, WS_CHILD, 0, 0, 10, 10, m_main, nullptr,
                                  windowClass.hInstance, nullptr);
        SetWindowLongPtrA(m_comms, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~PeerWindows() { DestroyWindow(m_main); }

    static void Publish()
    {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\Vorta", 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr);
        RegSetValueExA(key, "MainWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(kPeerMain), sizeof kPeerMain);
        RegSetValueExA(key, "CommsWindow", 0, REG_SZ, reinterpret_cast<const BYTE*>(kPeerComms), sizeof kPeerComms);
        RegCloseKey(key);
    }

    struct Post {
        WPARAM count;
        uint32_t bytes;
    };
    std::vector<Post> posts;
    int allowQueries = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<PeerWindows*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message == LinkMessageId()) {
            self->posts.push_back({wParam, static_cast<uint32_t>(lParam)});
            return static_cast<LRESULT>(wParam);
        }
        if (self && message == AllowCopyDataMessageId()) {
            ++self->allowQueries;
            return 1;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND m_main = nullptr;
    HWND m_comms = nullptr;
};

class LinkWindowTest : public RegistrySandboxTest {
protected:
    LinkWindowTest() { SetSimulatorDataFolder(m_folder.Path() + "\\"); }
    ~LinkWindowTest() override
    {
        m_link.reset();
        SetSimulatorDataFolder("");
    }

    CControllerWnd& Create()
    {
        m_link = std::make_unique<CControllerWnd>();
        CWnd* parent = CWnd::FromHandle(m_parent);
        EXPECT_TRUE(m_link->CreateLinkWindow(parent, 122));
        return *m_link;
    }

    LRESULT Post(CControllerWnd& link, const std::string& bytes)
    {
        uint32_t packed = 0;
        for (size_t n = 0; n < bytes.size() && n < 4; ++n)
            packed |= static_cast<uint32_t>(static_cast<uint8_t>(bytes[n])) << (8 * n);
        return SendMessageA(link.m_hWnd, LinkMessageId(), bytes.size(), static_cast<LPARAM>(packed));
    }

    static std::string TakeRing(CControllerWnd& link)
    {
        std::string bytes;
        uint8_t byte = 0;
        while (link.GetRxCount(0) > 0 && link.GetRxChar(0, &byte))
            bytes += static_cast<char>(byte);
        return bytes;
    }

    ScratchFolder m_folder;
    TestWindow m_parent{"simulator link test"};
    std::unique_ptr<CControllerWnd> m_link;
};

TEST_F(LinkWindowTest, PublishesItselfLoadsTheImagesAndSavesThemAtTheEnd)
{
    std::string stored(0x400000, '\xFF');
    stored.replace(0, 1000, std::string(1000, '\x55'));
    ASSERT_TRUE(WriteWholeFile(m_folder / "Flash.img", stored));
    CControllerWnd& link = Create();
    char text[64] = {};
    DWORD size = sizeof text;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, "Software\\VexoLabs\\WinTargets\\QCSimulation", "CommsWindow",
                           RRF_RT_REG_SZ, nullptr, text, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "QCSimulator ControllerWnd");
    ASSERT_NE(link.GetFlashImage(), nullptr);
    EXPECT_EQ(link.GetFlashSize(), 0x400000u);
    EXPECT_EQ(link.GetFlashImage()[999], 0x55);
    EXPECT_EQ(link.GetFlashImage()[1000], 0xFF);
    EXPECT_EQ(link.GetBatteryRamSize(), 0x100000u);
    EXPECT_EQ(link.GetRxChar(1, nullptr), 0);
    link.GetBatteryRamImage()[5] = 0x42;
    m_link.reset();
    const std::string flash = ReadWholeFile(m_folder / "Flash.img");
    const std::string ram = ReadWholeFile(m_folder / "BB_RAM.img");
    ASSERT_EQ(flash.size(), 0x400000u);
    ASSERT_EQ(ram.size(), 0x100000u);
    EXPECT_EQ(flash[2000], '\xFF');
    EXPECT_EQ(ram[5], '\x42');
    EXPECT_EQ(ram[6], '\x00');
}

// An image file that is there but cannot be taken is never silently
// replaced: the user chooses between blank memory, with the old file kept
// as ".bak", and quitting with the files untouched.
TEST_F(LinkWindowTest, AnImageThatCannotBeReadIsReportedAndTheUserChooses)
{
    const struct {
        const char* name;
        std::string flash; // the Flash.img there at the start
        bool held;         // held open by another program
        int answer;        // IDYES: start blank; IDNO: quit
        const char* reason;
    } cases[] = {
        {"cut short, quit", std::string(1000, '\x55'), false, IDNO, "holds 1000 bytes instead of 4194304"},
        {"cut short, start blank", std::string(1000, '\x55'), false, IDYES, "holds 1000 bytes instead of 4194304"},
        {"zero length, start blank", "", false, IDYES, "holds 0 bytes instead of 4194304"},
        {"held open, quit", std::string(0x400000, '\x55'), true, IDNO, "could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string flash = m_folder / "Flash.img", backup = flash + ".bak";
        DeleteFileA(backup.c_str());
        DeleteFileA((m_folder / "BB_RAM.img").c_str());
        ASSERT_TRUE(WriteWholeFile(flash, c.flash));
        HANDLE holder = c.held ? CreateFileA(flash.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                                             nullptr)
                               : INVALID_HANDLE_VALUE;
        ScriptedPrompts prompts;
        prompts.Answer(c.answer);
        m_link = std::make_unique<CControllerWnd>();
        const BOOL created = m_link->CreateLinkWindow(CWnd::FromHandle(m_parent), 122);
        ASSERT_EQ(prompts.Records().size(), 1u);
        const ScriptedPrompts::Record question = prompts.Records()[0];
        EXPECT_NE(question.text.find(flash), std::string::npos) << question.text;
        EXPECT_NE(question.text.find(c.reason), std::string::npos) << question.text;
        EXPECT_EQ(question.labels, (std::vector<std::string>{"&Start blank", "&Quit"}));
        EXPECT_EQ(question.type & MB_DEFMASK, static_cast<UINT>(MB_DEFBUTTON2)) << "quitting is the default";
        if (c.answer == IDYES) {
            ASSERT_TRUE(created);
            EXPECT_EQ(m_link->GetFlashImage()[0], 0xFF) << "blank flash: erased";
            EXPECT_EQ(ReadWholeFile(backup), c.flash) << "the old file kept";
            m_link.reset();
            EXPECT_EQ(ReadWholeFile(flash), std::string(0x400000, '\xFF')) << "the blank memory saved";
        } else {
            EXPECT_FALSE(created);
            m_link.reset();
            if (holder != INVALID_HANDLE_VALUE)
                CloseHandle(holder);
            holder = INVALID_HANDLE_VALUE;
            EXPECT_EQ(ReadWholeFile(flash), c.flash) << "nothing written over it";
            EXPECT_EQ(GetFileAttributesA(backup.c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_EQ(GetFileAttributesA((m_folder / "BB_RAM.img").c_str()), INVALID_FILE_ATTRIBUTES)
                << "no image is written when the user quits";
        }
        if (holder != INVALID_HANDLE_VALUE)
            CloseHandle(holder);
        EXPECT_EQ(prompts.Records().size(), 1u) << "no further message";
    }
}

TEST_F(LinkWindowTest, ASaveThatFailsIsReportedAndTheLastImageStays)
{
    CControllerWnd& link = Create();
    link.GetBatteryRamImage()[5] = 0x42;
    ASSERT_TRUE(link.SaveImages(nullptr));
    link.GetBatteryRamImage()[5] = 0x43;
    ScriptedPrompts prompts;
    auto previous = SetReplaceFileHookForTest([](LPCSTR, LPCSTR target) {
        SetLastError(ERROR_DISK_FULL);
        return std::string(target).find("BB_RAM.img") == std::string::npos;
    });
    m_link.reset();
    SetReplaceFileHookForTest(previous);
    ASSERT_EQ(prompts.Records().size(), 1u);
    EXPECT_NE(prompts.Records()[0].text.find("could not be saved"), std::string::npos) << prompts.Records()[0].text;
    EXPECT_NE(prompts.Records()[0].text.find(m_folder / "BB_RAM.img"), std::string::npos);
    EXPECT_EQ(prompts.Records()[0].text.find("Flash.img"), std::string::npos) << "the flash image was saved";
    EXPECT_EQ(ReadWholeFile(m_folder / "BB_RAM.img")[5], '\x42') << "the last saved image";
}

TEST_F(LinkWindowTest, ResetImagesAreWrittenAndThenDeleted)
{
    Create().SetDeleteOnExit(true);
    m_link.reset();
    EXPECT_EQ(GetFileAttributesA((m_folder / "Flash.img").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((m_folder / "BB_RAM.img").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(LinkWindowTest, DumpsTheBatteryRamToNumberedFilesInTheDocumentsFolder)
{
    CControllerWnd& link = Create();
    link.GetBatteryRamImage()[7] = 0x77;
    WriteSimSettingDword("\\Config", "DumpSequence", 41);
    const std::string documents = DocumentsFolderPath();
    ASSERT_FALSE(documents.empty());
    const std::string expected[] = {documents + "\\SimDmpSR0041.dmp", documents + "\\SimDmpSR0042.dmp"};
    for (const std::string& path : expected) {
        EXPECT_EQ(link.DumpImage(), path);
        const std::string dump = ReadWholeFile(path);
        DeleteFileA(path.c_str());
        ASSERT_EQ(dump.size(), 0x100000u) << path;
        EXPECT_EQ(dump[7], '\x77');
    }
    EXPECT_EQ(ReadSimSettingDword("\\Config", "DumpSequence", 0), 43u);
}

TEST_F(LinkWindowTest, TransmitPacksFourBytesPerPostOnceThePeerRuns)
{
    CControllerWnd& link = Create();
    const uint8_t bytes[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(link.Write(0, bytes, 9), 0) << "no development environment yet";
    EXPECT_EQ(link.Write(1, bytes, 9), 0) << "only port 0 is the link";

    PeerWindows peer;
    PeerWindows::Publish();
    // A missing peer is looked for again only after a pause (output that
    // waits for one is offered at every tick).
    EXPECT_EQ(link.Write(0, bytes, 9), 0) << "looked for a moment ago";
    EXPECT_TRUE(PumpUntil([&] { return link.Write(0, bytes, 9) == 1; }, 2000));
    EXPECT_EQ(peer.allowQueries, 1);
    PumpUntil([&] { return peer.posts.size() >= 3; }, 2000);
    ASSERT_EQ(peer.posts.size(), 3u);
    EXPECT_EQ(peer.posts[0].count, 4u);
    EXPECT_EQ(peer.posts[0].bytes, 0x34333231u);
    EXPECT_EQ(peer.posts[1].count, 4u);
    EXPECT_EQ(peer.posts[1].bytes, 0x38373635u);
    EXPECT_EQ(peer.posts[2].count, 1u);
    EXPECT_EQ(peer.posts[2].bytes & 0xFF, 0x39u);
    EXPECT_EQ(link.Write(0, bytes, 0), 1);
    EXPECT_EQ(link.Write(0, nullptr, 3), 0);
}

TEST_F(LinkWindowTest, ReceivesLinkMessagesAndBlocksAndAnswersTheQueryWithZero)
{
    CControllerWnd& link = Create();
    EXPECT_EQ(SendMessageA(link.m_hWnd, AllowCopyDataMessageId(), 0, 0), 0);
    EXPECT_EQ(Post(link, "ab"), 2);
    EXPECT_EQ(SendMessageA(link.m_hWnd, LinkMessageId(), 0, 0x41), 0) << "no bytes";
    EXPECT_EQ(SendMessageA(link.m_hWnd, LinkMessageId(), 5, 0x41414141), 0) << "more than four";
    COPYDATASTRUCT block = {7, 5, const_cast<char*>("cdefg")};
    EXPECT_EQ(SendMessageA(link.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block)), TRUE);
    COPYDATASTRUCT broken = {0, 5, nullptr};
    EXPECT_EQ(SendMessageA(link.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&broken)), FALSE);
    EXPECT_EQ(TakeRing(link), "abcdefg");
}

TEST_F(LinkWindowTest, NothingIsLostWhenThePeerPostsFasterThanTheRingDrains)
{
    CControllerWnd& link = Create();
    std::string sent;
    for (int n = 0; n < 3000; ++n)
        sent += static_cast<char>('A' + n % 23);
    for (size_t n = 0; n < sent.size(); n += 3)
        ASSERT_EQ(Post(link, sent.substr(n, 3)), 3);
    COPYDATASTRUCT block = {0, 4, const_cast<char*>("tail")};
    EXPECT_EQ(SendMessageA(link.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block)), TRUE);
    sent += "tail";
    EXPECT_EQ(link.GetRxCount(0), 1024);
    EXPECT_EQ(link.GetBacklog(), static_cast<int>(sent.size()) - 1024);

    // A runtime thread reads while the window thread feeds the ring.
    std::string read;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        uint8_t byte = 0;
        const ULONGLONG end = GetTickCount64() + 20000;
        while (read.size() < sent.size() && GetTickCount64() < end) {
            if (link.GetRxCount(0) > 0 && link.GetRxChar(0, &byte))
                read += static_cast<char>(byte);
            else
                Sleep(0);
        }
        done = true;
    });
    PumpUntil([&] { return done.load(); }, 25000);
    reader.join();
    EXPECT_EQ(read, sent);
    EXPECT_EQ(link.GetBacklog(), 0);
}

// Blocks beyond what the queue behind the ring can sensibly hold are
// refused, so the sender keeps them and sends them again later.
TEST_F(LinkWindowTest, CopyDataBeyondTheQueueLimitIsRefused)
{
    CControllerWnd& link = Create();
    auto send = [&](size_t size) {
        const std::string bytes(size, 'q');
        COPYDATASTRUCT block = {0, static_cast<DWORD>(size), const_cast<char*>(bytes.data())};
        return SendMessageA(link.m_hWnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&block));
    };
    EXPECT_EQ(send(kReceiveQueueLimit + 1), FALSE) << "more than the whole queue";
    EXPECT_EQ(send(60000), TRUE);
    EXPECT_EQ(send(kReceiveQueueLimit - 60000), TRUE) << "up to the limit";
    EXPECT_EQ(send(1), FALSE) << "one past it";
    EXPECT_EQ(link.GetRxCount(0) + link.GetBacklog(), kReceiveQueueLimit) << "a refused block is not queued";
    EXPECT_EQ(Post(link, "ab"), 2) << "link messages are still taken";
    EXPECT_EQ(TakeRing(link).size(), 1024u);
    PumpUntil([&] { return link.GetRxCount(0) > 0; }, 2000); // the backlog feeds the ring
    EXPECT_EQ(send(1000), TRUE) << "room again once the runtime has taken bytes";
}

// Busy processes: each counts its turns until it is stopped.
std::atomic<long> g_Turns[qcrt::kProcessCount];

void BusyLoop(int process)
{
    while (!qcrt::ProcessStopping(process)) {
        g_Turns[process].fetch_add(1, std::memory_order_relaxed);
        qcrt::StatementSwitchPoint();
    }
}

TEST_F(LinkWindowTest, StoppingWhileProcessesRunWindsEveryOneDown)
{
    CControllerWnd& link = Create();
    link.StartController();
    ASSERT_TRUE(link.IsRunning());
    qcrt::SetProcessLoop(BusyLoop);
    for (int process = 1; process <= 4; ++process) {
        g_Turns[process] = 0;
        qcrt::g_ProcessRecords[process].requestedState = qcrt::kStateRunning;
        ASSERT_TRUE(qcrt::CreateProcessThread(process));
    }
    // Every busy process gets slices, and the command line still does.
    EXPECT_TRUE(PumpUntil(
        [] {
            for (int process = 1; process <= 4; ++process) {
                if (g_Turns[process].load() < 1000)
                    return false;
            }
            return true;
        },
        20000));
    SendMessageA(link.m_hWnd, WM_SIM_START, 0, 0); // running: ignored
    EXPECT_TRUE(link.IsRunning());
    link.StopController();
    EXPECT_FALSE(link.IsRunning());
    for (int process = 0; process < qcrt::kProcessCount; ++process)
        EXPECT_EQ(qcrt::g_ProcessRecords[process].runningCount.load(), 0) << process;
    for (int process = 1; process <= 4; ++process)
        qcrt::g_ProcessRecords[process].requestedState = qcrt::kStateStopped;
    qcrt::SetProcessLoop(nullptr);

    // A restart brings the command line back.
    SendMessageA(link.m_hWnd, WM_SIM_RESTART, 0, 0);
    EXPECT_TRUE(link.IsRunning());
    EXPECT_NE(qcrt::g_ProcessRecords[0].runningCount.load(), 0);
}

// A peer that posts link messages without pause must not keep a stop (and
// so the close) waiting: a wait serves a bounded number per turn.
TEST_F(LinkWindowTest, AFloodOfLinkMessagesDoesNotHoldOffTheStop)
{
    CControllerWnd& link = Create();
    link.StartController();
    ASSERT_TRUE(link.IsRunning());
    std::atomic<bool> stop{false}, floodEnded{false};
    const HWND window = link.m_hWnd;
    std::vector<std::thread> flood;
    for (int n = 0; n < 3; ++n) {
        flood.emplace_back([&] {
            const ULONGLONG end = GetTickCount64() + 20000;
            while (!stop.load() && GetTickCount64() < end)
                PostMessageA(window, LinkMessageId(), 4, 0x44434241);
            floodEnded = true;
        });
    }
    Sleep(300); // the queue fills
    link.StopController();
    const bool stoppedDuringTheFlood = !floodEnded.load();
    stop = true;
    for (std::thread& thread : flood)
        thread.join();
    EXPECT_FALSE(link.IsRunning());
    EXPECT_TRUE(stoppedDuringTheFlood) << "the stop waited for the flood to end";
}

// The command line in channel mode as it waits for a command: parked until
// its next slice, when the services may have brought bytes.
int WaitForCommandsEntry()
{
    while (!qcrt::ProcessStopping(0))
        qcrt::WaitForNextSlice();
    return 0;
}

// With nothing to do (no peer, no bytes, the command line alone) the
// sequencer does not tick every millisecond: the waiting command line is
// not woken a thousand times a second for nothing, whether it sleeps (the
// idle loop) or waits for its next slice (channel mode).
TEST_F(LinkWindowTest, AnIdleControllerIsNotTickedEveryMillisecond)
{
    const struct {
        const char* name;
        ControllerEntry entry;
    } cases[] = {{"sleeping", nullptr}, {"waiting for its next slice", WaitForCommandsEntry}};
    CControllerWnd& link = Create();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetControllerEntry(c.entry);
        link.StartController();
        ASSERT_TRUE(link.IsRunning());
        PumpUntil([] { return false; }, 300);
        const uint64_t before = link.GetSwitchCount();
        const ULONGLONG start = GetTickCount64();
        PumpUntil([] { return false; }, 1000);
        const double switchesPerSecond = static_cast<double>(link.GetSwitchCount() - before) * 1000.0 /
                                         static_cast<double>(GetTickCount64() - start);
        EXPECT_LT(switchesPerSecond, 400.0);
        link.StopController();
        EXPECT_FALSE(link.IsRunning());
    }
    SetControllerEntry(nullptr);
}

TEST(SwitchTimer, TwoSimulatorsHaveTimersOfTheirOwn)
{
    CWaitableTimer first(true), second(true);
    ASSERT_NE(first.GetHandle(), nullptr);
    ASSERT_NE(second.GetHandle(), nullptr);
    EXPECT_NE(first.GetHandle(), second.GetHandle());
    first.SetDueOffset(0, -1);
    EXPECT_EQ(first.GetDueOffset(), 0);
    second.SetDueOffset(50 * 10000, 0); // 50 ms
    EXPECT_TRUE(first.Arm());
    EXPECT_FALSE(first.Arm()) << "already armed";
    EXPECT_TRUE(second.Arm());
    EXPECT_TRUE(first.Wait(1000));
    // The first timer firing does not fire the second one.
    EXPECT_FALSE(second.Wait(0));
    EXPECT_TRUE(second.Wait(2000));
    first.Cancel();
    EXPECT_FALSE(first.IsArmed());
    EXPECT_FALSE(first.Wait(10)) << "a cancelled timer is not waited on";
}

} // namespace
