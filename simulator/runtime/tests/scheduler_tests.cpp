// The host interface: port and window operations, the choice of the next
// process, the servo clock, cooperative switching and the resource lock.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

TEST(HostInterface, WithoutHostNothingIsSentOrReceived)
{
    SetRuntimeHost(nullptr);
    const uint8_t bytes[] = {1, 2, 3};
    uint8_t c = 0;
    EXPECT_EQ(GetPortRxCount(0), 0);
    EXPECT_EQ(GetPortRxChar(0, &c), 0);
    EXPECT_EQ(WritePort(0, bytes, 3), 0);
    PutPortChar(0, 'x');
    EXPECT_EQ(GetFlashImage(), nullptr);
    EXPECT_EQ(GetBatteryRamImage(), nullptr);
    EXPECT_EQ(GetBatteryRamSize(), 0u);
    EXPECT_FALSE(PostToLinkWindow(kRestartMessage, 0, 0));
    BindMemoryImages();
    EXPECT_NE(g_MemoryBase, nullptr) << "channels keep a place for their rings";
}

TEST(HostInterface, WritePortResults)
{
    RuntimeEnvironment env;
    const uint8_t bytes[] = {'a', 'b'};
    EXPECT_EQ(WritePort(0, nullptr, 2), 0);
    EXPECT_EQ(WritePort(0, bytes, 0), 0);
    EXPECT_EQ(WritePort(0, bytes, -3), -3);
    EXPECT_EQ(WritePort(0, bytes, 2), 1);
    EXPECT_EQ(WritePort(1, bytes, 2), 0) << "the host serves port 0 only";
    EXPECT_EQ(env.host.Written(0), "ab");
}

TEST(HostInterface, RestartAndOutputsGoToTheirWindows)
{
    RuntimeEnvironment env;
    RequestRestart();
    g_OutputWord = 0x5A;
    PostOutputsToDialog();
    g_RuntimeStopping.store(true);
    PostOutputsToDialog(); // not while the runtime stops
    g_RuntimeStopping.store(false);
    env.host.linkWindowExists.store(false);
    RequestRestart();

    std::vector<FakeHost::PostedMessage> posted = env.host.Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_TRUE(posted[0].toLinkWindow);
    EXPECT_EQ(posted[0].message, 0x8107u);
    EXPECT_EQ(posted[0].wParam, 0u);
    EXPECT_EQ(posted[0].lParam, 0);
    EXPECT_FALSE(posted[1].toLinkWindow);
    EXPECT_EQ(posted[1].message, 0x8117u);
    EXPECT_EQ(posted[1].wParam, 0x5Au);
}

TEST(HostInterface, InputWordIsTakenWithoutWaiting)
{
    RuntimeEnvironment env;
    PublishInputs(0x00F0);
    EXPECT_EQ(g_InputWord, 0u) << "taken at the next scheduling step";
    ScheduleNextProcess(false);
    EXPECT_EQ(g_InputWord, 0x00F0u);
}

class Schedule : public testing::Test {
protected:
    void Activate(std::initializer_list<int> processes)
    {
        for (int n : processes) {
            g_ProcessRecords[n].runningCount.store(1);
            g_ProcessRecords[n].requestedState = kStateRunning;
        }
    }

    std::vector<int> Choices(int steps)
    {
        std::vector<int> chosen;
        for (int n = 0; n < steps; ++n)
            chosen.push_back(ScheduleNextProcess(false));
        return chosen;
    }

    RuntimeEnvironment env;
};

TEST_F(Schedule, PhasesChooseNormalAndFastProcesses)
{
    struct Case {
        const char* name;
        std::initializer_list<int> active;
        std::vector<int> chosen; // phases 0, 1, 2, 3, 0
    };
    const Case cases[] = {
        {"only process 13: phase 0 keeps the last normal process", {13}, {0, 13, 13, 13, 0}},
        {"normal processes in turn, phase 3 keeps the current one", {2, 5}, {2, 5, 2, 2, 5}},
        {"fast processes alternate in phases 1 and 2", {3, 13, 14}, {3, 14, 13, 13, 3}},
        {"nothing active", {}, {0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        ResetProcessTable();
        for (ProcessRecord& r : g_ProcessRecords)
            r.runningCount.store(0);
        ResetSchedule();
        Activate(c.active);
        EXPECT_EQ(Choices(5), c.chosen) << c.name;
        EXPECT_EQ(g_CurrentProcess.load(), c.chosen.back());
    }
}

TEST_F(Schedule, EveryFourthStepPostsTheOutputs)
{
    g_OutputWord = 7;
    Choices(8);
    std::vector<FakeHost::PostedMessage> posted = env.host.Posted();
    ASSERT_EQ(posted.size(), 2u);
    EXPECT_EQ(posted[0].message, 0x8117u);
    EXPECT_EQ(posted[0].wParam, 7u);
}

TEST_F(Schedule, ServoCatchesUpAtMostFivePeriods)
{
    g_ServoRunning.store(true);
    g_MotionEnabled.store(1);
    auto periods = [] {
        int32_t before = g_SystemMilliseconds.load();
        ScheduleNextProcess(false);
        return before - g_SystemMilliseconds.load();
    };
    // Each step sleeps 1 ms after its first servo period; the channel
    // service rests only outside the sequencer's step.
    EXPECT_EQ(periods(), 1) << "the first step records the time and runs one period";
    env.host.Advance(20);
    EXPECT_EQ(periods(), 5) << "21 ms passed, 5 periods run";
    EXPECT_EQ(periods(), 1) << "the missing 16 ms are not made up";
    EXPECT_EQ(g_ProcessRecords[4].tickCounter.load(), -7) << "every process counter counts the periods";

    g_MotionEnabled.store(0);
    env.host.Advance(20);
    EXPECT_EQ(periods(), 1) << "without motion simulation one period per step";

    int32_t before = g_SystemMilliseconds.load();
    ScheduleNextProcess(true);
    EXPECT_EQ(g_SystemMilliseconds.load(), before) << "no servo period while a stop is requested";
    g_ServoRunning.store(false);
    ScheduleNextProcess(false);
    EXPECT_EQ(g_SystemMilliseconds.load(), before);
}

TEST(NoSuspend, SectionsNest)
{
    EXPECT_TRUE(IsSuspendable());
    BeginNoSuspend();
    BeginNoSuspend();
    EndNoSuspend();
    EXPECT_FALSE(IsSuspendable());
    EndNoSuspend();
    EXPECT_TRUE(IsSuspendable());
    EndNoSuspend(); // an unmatched end changes nothing
    EXPECT_TRUE(IsSuspendable());
}

class ProcessThreads : public testing::Test {
protected:
    void SetUp() override { g_ServoRunning.store(true); }

    bool RunUntilFinished(std::initializer_list<int> processes)
    {
        sequencer.Start();
        bool ended = WaitFor([&] {
            for (int n : processes) {
                if (!TestProcessFinished(n))
                    return false;
            }
            return true;
        });
        sequencer.Stop();
        return ended;
    }

    RuntimeEnvironment env;
    TestSequencer sequencer;
};

TEST_F(ProcessThreads, OnlyOneProcessThreadRunsAtATime)
{
    static std::atomic<int> inside{0};
    static std::atomic<int> overlaps{0};
    static std::atomic<int> lastRunner{0};
    static std::atomic<int> handovers{0};
    static std::atomic<int> work{0}; // time spent without a switch point
    overlaps.store(0);
    lastRunner.store(0);
    handovers.store(0);
    // Each process runs until the two have taken turns often enough, so a
    // fast machine that finishes a fixed count within one slice proves nothing
    // either way; the iteration bound only ends a scheduler that never hands over.
    auto body = [](int process) {
        for (int n = 0; n < 1000000 && handovers.load() < 40; ++n) {
            if (inside.fetch_add(1) != 0)
                overlaps.fetch_add(1);
            if (lastRunner.exchange(process) != process)
                handovers.fetch_add(1);
            for (int spin = 0; spin < 200; ++spin)
                work.fetch_add(1, std::memory_order_relaxed);
            inside.fetch_sub(1);
            YieldSlice();
        }
    };
    StartTestProcess(1, body);
    StartTestProcess(2, body);
    ASSERT_TRUE(RunUntilFinished({1, 2}));
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_GT(handovers.load(), 10) << "the two processes took turns";
}

TEST_F(ProcessThreads, ASleepingProcessHoldsNoOneAndWaitsForItsSliceWhenItWakes)
{
    // Process 1's sleep lasts until the test ends it. The sequencer takes
    // the slice from a sleeping process at once, as it would suspend its
    // thread, so process 2 runs on meanwhile; when the sleep ends process 1
    // waits for its next slice instead of running beside process 2.
    static std::atomic<bool> armed{false}, asleep{false}, wake{false}, finished{false};
    static std::atomic<int> inside{0}, overlaps{0}, turns{0};
    for (std::atomic<bool>* flag : {&armed, &asleep, &wake, &finished})
        flag->store(false);
    for (std::atomic<int>* count : {&inside, &overlaps, &turns})
        count->store(0);
    env.host.onSleep = [] {
        if (CurrentThreadProcess() == 1 && armed.exchange(false)) {
            asleep.store(true);
            while (!wake.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    auto exclusive = [] {
        if (inside.fetch_add(1) != 0)
            overlaps.fetch_add(1);
        for (int spin = 0; spin < 2000; ++spin)
            turns.fetch_add(0, std::memory_order_relaxed);
        inside.fetch_sub(1);
    };
    StartTestProcess(1, [exclusive](int) {
        armed.store(true);
        RuntimeSleep(1);
        for (int n = 0; n < 200; ++n) {
            exclusive();
            YieldSlice();
        }
        finished.store(true);
    });
    StartTestProcess(2, [exclusive](int) {
        for (int n = 0; n < 10000000 && !finished.load(); ++n) {
            exclusive();
            turns.fetch_add(1);
            YieldSlice();
        }
    });
    sequencer.Start();
    ASSERT_TRUE(WaitFor([] { return asleep.load(); }));
    const int before = turns.load();
    EXPECT_TRUE(WaitFor([before] { return turns.load() > before + 20; }, 5000))
        << "the sequencer waited for the sleeping process";
    wake.store(true);
    EXPECT_TRUE(WaitFor([] { return TestProcessFinished(1) && TestProcessFinished(2); }));
    sequencer.Stop();
    env.host.onSleep = nullptr;
    EXPECT_EQ(overlaps.load(), 0);
}

TEST_F(ProcessThreads, OnePrintIsNeverInterleavedWithAnother)
{
    auto body = [](int process) {
        g_ProcessRecords[process].outputChannel = 5;
        char letter = process == 1 ? 'a' : 'b';
        for (int n = 0; n < 4; ++n)
            PrintFormatted(process, "%s%c", std::string(40, letter), 28);
    };
    StartTestProcess(1, body);
    StartTestProcess(2, body);
    ASSERT_TRUE(RunUntilFinished({1, 2}));
    // Let the services send what is still in the rings.
    for (int n = 0; n < 20; ++n)
        RunServices();

    std::string written = env.host.Written(0);
    ASSERT_FALSE(written.empty());
    written.erase(0, 1); // the initial XON
    int lines[2] = {0, 0};
    size_t at = 0;
    while (at < written.size()) {
        size_t end = written.find('\x1c', at);
        ASSERT_NE(end, std::string::npos);
        std::string line = written.substr(at, end - at);
        ASSERT_EQ(line.size(), 40u);
        EXPECT_EQ(line, std::string(40, line[0])) << "a line mixed with another";
        ++lines[line[0] == 'a' ? 0 : 1];
        at = end + 1;
    }
    EXPECT_EQ(lines[0], 4);
    EXPECT_EQ(lines[1], 4);
}

TEST_F(ProcessThreads, WriterToAChannelWithoutPortBlocksAt127BytesUntilStopped)
{
    static std::atomic<bool> returned;
    static std::atomic<int> stored; // the writer's count: the ring's own is the process's
    returned.store(false);
    stored.store(0);
    StartTestProcess(1, [](int process) {
        for (int n = 0; n < 200; ++n) {
            PutOutputRing(2, process, static_cast<uint8_t>(n));
            stored.fetch_add(1);
        }
        returned.store(true);
    });
    sequencer.Start();
    ASSERT_TRUE(WaitFor([] { return stored.load() == 127; }));
    // Many servo periods later it still waits.
    int32_t tick = g_SystemMilliseconds.load();
    ASSERT_TRUE(WaitFor([&] { return g_SystemMilliseconds.load() < tick - 50; }));
    EXPECT_EQ(stored.load(), 127);
    EXPECT_FALSE(returned.load());

    g_ProcessRecords[1].stopRequest.store(1);
    ASSERT_TRUE(WaitFor([] { return TestProcessFinished(1); }));
    sequencer.Stop();
    EXPECT_TRUE(returned.load());
    std::string ring = DrainOutput(2);
    ASSERT_EQ(ring.size(), 127u) << "a full ring is never written over";
    for (int n = 0; n < 127; ++n)
        EXPECT_EQ(static_cast<uint8_t>(ring[n]), n);
}

TEST_F(ProcessThreads, ClaimerWaitsWithoutHoldingItsOtherResources)
{
    static std::atomic<bool> claiming{false};
    static std::atomic<bool> gaveUp{false};
    static std::atomic<bool> otherBitFreeMeanwhile{false};
    static std::atomic<bool> holdsBothAfterwards{false};
    for (std::atomic<bool>* flag : {&claiming, &gaveUp, &otherBitFreeMeanwhile, &holdsBothAfterwards})
        flag->store(false);

    // Process 1 holds the flash store until process 2 waits for it.
    StartTestProcess(1, [](int process) {
        ClaimResource(process, kResourceFlash, kResourceFlashSettingsBit);
        while (!claiming.load())
            YieldSlice();
        for (int n = 0; n < 100000 && g_ProcessRecords[2].resources[kResourceOutput] != 0; ++n)
            YieldSlice();
        gaveUp.store(g_ProcessRecords[2].resources[kResourceOutput] == 0);
        otherBitFreeMeanwhile.store((g_ResourceTable[kResourceOutput] & (1u << 5)) == 0);
        ReleaseResource(process, kResourceFlash, kResourceFlashSettingsBit);
    });
    StartTestProcess(2, [](int process) {
        ClaimResource(process, kResourceOutput, 5);
        claiming.store(true);
        ClaimResource(process, kResourceFlash, kResourceFlashSettingsBit);
        const uint32_t* held = g_ProcessRecords[process].resources;
        holdsBothAfterwards.store(held[kResourceOutput] == (1u << 5) &&
                                  held[kResourceFlash] == (1u << kResourceFlashSettingsBit));
        ReleaseResource(process, kResourceFlash, kResourceFlashSettingsBit);
        ReleaseResource(process, kResourceOutput, 5);
    });
    ASSERT_TRUE(RunUntilFinished({1, 2}));
    EXPECT_TRUE(gaveUp.load());
    EXPECT_TRUE(otherBitFreeMeanwhile.load());
    EXPECT_TRUE(holdsBothAfterwards.load());
    EXPECT_EQ(g_ResourceTable[kResourceOutput], 0u);
    EXPECT_EQ(g_ResourceTable[kResourceFlash], 0u);
}

TEST(ResourceLock, ClaimReleaseAndFreeTests)
{
    RuntimeEnvironment env;
    g_CurrentProcess.store(3);
    ClaimResource(3, kResourceProgramStore, -1);
    EXPECT_EQ(g_ResourceTable[kResourceProgramStore], 0xFFFFFFFFu);
    EXPECT_TRUE(IsResourceFree(kResourceProgramStore, 4)) << "free for the process that holds it";
    g_CurrentProcess.store(5);
    EXPECT_FALSE(IsResourceFree(kResourceProgramStore, 4));
    ReleaseResource(5, kResourceProgramStore, -1); // not its claim: nothing happens
    EXPECT_EQ(g_ResourceTable[kResourceProgramStore], 0xFFFFFFFFu);
    ReleaseResource(3, kResourceProgramStore, 4);
    EXPECT_TRUE(IsResourceFree(kResourceProgramStore, 4));
    EXPECT_FALSE(IsResourceFree(kResourceProgramStore, 5));
    ReleaseResource(3, kResourceProgramStore, -1);
    EXPECT_EQ(g_ResourceTable[kResourceProgramStore], 0u);
    ClaimResource(3, 42, 1); // no such group
    ClaimResource(99, 1, 1); // no such process
}

TEST_F(ProcessThreads, WindDownEndsAProcessThatNeverRan)
{
    static std::atomic<bool> ran;
    ran.store(false);
    StartTestProcess(6, [](int) { ran.store(true); });
    EXPECT_EQ(g_ProcessRecords[6].runningCount.load(), 1);
    EXPECT_FALSE(CreateProcessThread(6)) << "one thread per process";
    WindDownProcesses();
    EXPECT_FALSE(ran.load());
    EXPECT_EQ(g_ProcessRecords[6].runningCount.load(), 0);
    EXPECT_EQ(g_ProcessRecords[6].stateWord.load(), kStateWindingDown);
    EXPECT_EQ(g_ProcessRecords[6].stopRequest.load(), 1);
}

// The controller stops while a process runs: that process runs on to its
// end, and only then does the wind-down let the others run to theirs.
TEST_F(ProcessThreads, AWindDownRunsOneProcessAtATime)
{
    static std::atomic<bool> higherRan;
    static std::atomic<bool> lowerRunning;
    static std::atomic<bool> higherEnded;
    static std::atomic<bool> overlapped;
    for (std::atomic<bool>* flag : {&higherRan, &lowerRunning, &higherEnded, &overlapped})
        flag->store(false);
    // The higher process waits; its last turn, once the runtime stops, notes
    // whether the lower one still runs.
    StartTestProcess(9, [](int process) {
        while (!ProcessStopping(process)) {
            higherRan.store(true);
            YieldSlice();
        }
        overlapped.store(lowerRunning.load());
        higherEnded.store(true);
    });
    // The lower process stops the runtime in its own slice and runs on, never
    // parking again, until it is wound down or the higher one has run beside it.
    StartTestProcess(2, [](int process) {
        while (!higherRan.load())
            YieldSlice();
        lowerRunning.store(true);
        g_RuntimeStopping.store(true);
        while (g_ProcessRecords[process].stopRequest.load() == 0 && !higherEnded.load())
            std::this_thread::yield();
        lowerRunning.store(false);
    });
    sequencer.Start();
    ASSERT_TRUE(WaitFor([] { return g_RuntimeStopping.load(); }));
    sequencer.Stop();
    g_RuntimeStopping.store(false);
    EXPECT_TRUE(higherEnded.load());
    EXPECT_FALSE(overlapped.load()) << "the higher process ran while the lower one still ran";
}

TEST(ResourceLock, HoldersAreKeptPerProcess)
{
    RuntimeEnvironment env;
    ASSERT_TRUE(ClaimResource(3, kResourceProcessControl, 2));

    // A claimant being stopped gives way without the bit.
    g_ProcessRecords[5].stopRequest.store(1);
    EXPECT_FALSE(ClaimResource(5, kResourceProcessControl, 2));
    EXPECT_EQ(g_ProcessRecords[5].resources[kResourceProcessControl], 0u);
    {
        ResourceClaim claim(5, kResourceProcessControl, 2);
        EXPECT_FALSE(claim.Held());
    }
    ReleaseResource(5, kResourceProcessControl, 2);
    EXPECT_EQ(g_ResourceTable[kResourceProcessControl], 1u << 2) << "process 3 still holds it";
    g_CurrentProcess.store(6);
    EXPECT_FALSE(IsResourceFree(kResourceProcessControl, 2));

    // Two holders of one bit (a group-wide claim and a single bit taken
    // before it): one release leaves the other's hold in the table.
    g_ProcessRecords[5].stopRequest.store(0);
    g_ProcessRecords[7].resources[kResourceOutput] = 1u << 4;
    g_ProcessRecords[8].resources[kResourceOutput] = 1u << 4;
    ReleaseResource(7, kResourceOutput, 4);
    EXPECT_EQ(g_ResourceTable[kResourceOutput], 1u << 4);
    ReleaseResource(8, kResourceOutput, -1);
    EXPECT_EQ(g_ResourceTable[kResourceOutput], 0u);
    ReleaseResource(3, kResourceProcessControl, -1);
    EXPECT_EQ(g_ResourceTable[kResourceProcessControl], 0u);
}

// The waits of a process wake when what they wait for is there, whether or
// not the servo tick runs.
class Waits : public testing::Test {
protected:
    void SetUp() override
    {
        g_ServoRunning.store(false); // the tick is off, as before start-up
        g_ChannelRecords[0].port = 0;
    }

    RuntimeEnvironment env;
};

TEST_F(Waits, AFullRingWakesWhenTheServicesMakeRoom)
{
    InlineProcess process(1);
    g_ProcessRecords[1].outputChannel = 5;
    const std::string text(400, 'x');
    for (char c : text)
        PutOutputRing(5, 1, static_cast<uint8_t>(c));
    for (int n = 0; n < 20; ++n)
        RunServices();
    std::string written = env.host.Written(0);
    EXPECT_EQ(std::count(written.begin(), written.end(), 'x'), 400) << "nothing lost";
    EXPECT_EQ(g_SystemMilliseconds.load(), 0) << "no servo period ran";
}

TEST_F(Waits, OutputPausedByXoffGoesOnAfterXon)
{
    InlineProcess process(1);
    RunServices();
    env.host.Send(0, "\x13"); // XOFF
    RunServices();
    env.host.TakeWritten(0);
    int sleeps = 0;
    env.host.onSleep = [&] {
        if (++sleeps == 50)
            env.host.Send(0, "\x11"); // XON, 50 ms later
    };
    const std::string text(300, 'y');
    for (char c : text)
        PutOutputRing(5, 1, static_cast<uint8_t>(c));
    EXPECT_GE(sleeps, 50) << "the writer waited for the XON";
    for (int n = 0; n < 20; ++n)
        RunServices();
    std::string written = env.host.Written(0);
    EXPECT_EQ(std::count(written.begin(), written.end(), 'y'), 300);
}

TEST_F(Waits, AResourceWaitWakesWhenTheHolderReleases)
{
    InlineProcess process(1);
    ASSERT_TRUE(ClaimResource(2, kResourceProgramStore, 3));
    int sleeps = 0;
    env.host.onSleep = [&] {
        if (++sleeps == 10)
            ReleaseResource(2, kResourceProgramStore, 3);
    };
    EXPECT_TRUE(ClaimResource(1, kResourceProgramStore, 3));
    EXPECT_GE(sleeps, 10);
    EXPECT_EQ(g_ProcessRecords[1].resources[kResourceProgramStore], 1u << 3);
}

TEST(PortTransmit, ARefusedWriteIsSentAgainLater)
{
    RuntimeEnvironment env;
    RunServices(); // the link's first XON
    env.host.TakeWritten(0);
    for (char c : std::string("HELLO"))
        ASSERT_TRUE(TryPutOutputRing(5, static_cast<uint8_t>(c)));
    env.host.refuseWrites.store(2);
    for (int n = 0; n < 4; ++n)
        RunServices();
    EXPECT_EQ(env.host.refuseWrites.load(), 0);
    EXPECT_EQ(env.host.Written(0), "HELLO") << "sent once it was taken, nothing lost or doubled";
    EXPECT_EQ(PortTxCount(0), 0);
}

TEST(AxisType, WordsSetByEachType)
{
    struct Word {
        int word;
        int32_t value;
    };
    struct Case {
        int type;
        std::vector<Word> words;
    };
    const Case cases[] = {
        {1, {{kAxisType, 1}, {kAxisVerify, 1}, {kAxisServo, 1}, {kAxisServoMode, 0}}},
        {2, {{kAxisType, 2}, {kAxisVerify, 1}, {kAxisServo, 0}}},
        {4, {{kAxisType, 4}, {kAxisVerify, 0}, {kAxisServo, 1}}},
        {5, {{kAxisType, 5}, {kAxisMpos, 1234}}},
        {7, {{kAxisType, 7}, {kAxisRepDist, 20000000}}},
        {12, {{kAxisType, 12}, {kAxisOutLimit, 32767}, {129, 0x3FFF}, {130, 18}, {131, -18}, {44, 16397}}},
        {40, {{kAxisType, 0}, {kAxisFeLimit, 20000}, {kAxisOutLimit, 32767}, {kAxisServo, 0}}},
    };
    for (const Case& c : cases) {
        AxisRecord& a = g_AxisRecords[3];
        a = AxisRecord{};
        a.SetInt(kAxisEncoder, 1234);
        SetAxisType(3, c.type);
        for (const Word& w : c.words)
            EXPECT_EQ(a.GetInt(w.word), w.value) << "type " << c.type << " word " << w.word;
    }

    SetAxisType(2, 8);
    EXPECT_EQ(g_DriveInterface[2][0], 1);
    SetAxisType(2, 12);
    EXPECT_EQ(g_DriveInterface[2][1], 8);

    float saved = g_ServoPeriod;
    g_ServoPeriod = 0.00025f;
    SetAxisType(0, 1);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisServoMode), 3);
    g_ServoPeriod = 0.0005f;
    SetAxisType(0, 4);
    EXPECT_EQ(g_AxisRecords[0].GetInt(kAxisServoMode), 1);
    g_ServoPeriod = saved;
    SetAxisType(24, 1); // no such axis
}

} // namespace
