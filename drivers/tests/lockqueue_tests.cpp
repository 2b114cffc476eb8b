// The memory lock across threads: one holder at a time over the three
// kinds, first come first served, and a waiter whose turn does not come in
// time leaves only its own place. Time is moved by the test.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "harness_fixture.h"
#include "pci/card.h"

namespace {

using namespace card_layout;

const int32_t kNotReady = static_cast<int32_t>(0xC00000A3);

class LockQueueTest : public DriverTest {
protected:
    void SetUp() override
    {
        DriverTest::SetUp();
        m_card = AddCard();
        m_memory = Open("\\\\.\\VexoPCI-000\\MEMORY");
        m_remote = Open("\\\\.\\VexoPCI-000\\REMOTE");
        m_model = std::make_unique<CardModel>(m_card);
        // The first reader of VR 0 holds the lock until the test lets go.
        m_model->onRead = [this](uint32_t*, uint32_t offset, uint32_t&) {
            if (offset == kVr * 4) {
                std::unique_lock<std::mutex> guard(m_holdLock);
                m_holding = true;
                m_holdChanged.notify_all();
                m_holdChanged.wait_for(guard, std::chrono::seconds(10), [this] { return m_letGo; });
            }
            return false;
        };
        vh_manual_time(1);
    }
    void TearDown() override
    {
        LetGo();
        vh_manual_time(0);
        for (std::thread& thread : m_threads)
            thread.join();
        m_model.reset();
        DriverTest::TearDown();
    }

    // Each thread's request: VR ("TableAndVr"), status bits ("IO") or a
    // \REMOTE read ("Remote"); its status lands in *status.
    void StartVr(std::atomic<int32_t>* status) { Start(status, [this] { return GetVr(); }); }
    void StartBits(std::atomic<int32_t>* status) { Start(status, [this] { return GetBits(); }); }
    void StartRemote(std::atomic<int32_t>* status) { Start(status, [this] { return ReadRemote(); }); }

    void Start(std::atomic<int32_t>* status, std::function<int32_t()> request)
    {
        status->store(1);
        m_threads.emplace_back([status, request] { status->store(request()); });
    }
    int32_t GetVr()
    {
        uint32_t range[2] = {0, 0}, value = 0, returned = 0;
        return vh_ioctl(m_memory, IOCTL_VEXO_GET_VR, range, 8, &value, 4, &returned);
    }
    int32_t GetBits()
    {
        uint32_t range[2] = {0, 7}, value = 0, returned = 0;
        return vh_ioctl(m_memory, IOCTL_VEXO_GET_BITS, range, 8, &value, 4, &returned);
    }
    int32_t ReadRemote()
    {
        char buffer[4];
        uint32_t done = 0;
        return vh_read(m_remote, buffer, sizeof buffer, &done);
    }
    bool WaitHolding()
    {
        std::unique_lock<std::mutex> guard(m_holdLock);
        return m_holdChanged.wait_for(guard, std::chrono::seconds(10), [this] { return m_holding; });
    }
    void LetGo()
    {
        std::lock_guard<std::mutex> guard(m_holdLock);
        m_letGo = true;
        m_holdChanged.notify_all();
    }
    // Moves the clock on and waits until the sleepers woken have slept
    // again or left, leaving `sleepers` asleep.
    bool Advance(uint64_t units, int sleepers)
    {
        vh_advance(units);
        return WaitUntil([&] { return vh_sleepers() == sleepers; });
    }
    // The lock word as the card saw it: never two host bits at once.
    void ExpectOneHolderAtATime(const std::vector<uint32_t>& writes)
    {
        for (uint32_t value : writes)
            EXPECT_TRUE(value == 0 || (value & (value - 1)) == 0) << std::hex << value;
    }

    vh_card* m_card = nullptr;
    vh_file* m_memory = nullptr;
    vh_file* m_remote = nullptr;
    std::unique_ptr<CardModel> m_model;
    std::vector<std::thread> m_threads;
    std::mutex m_holdLock;
    std::condition_variable m_holdChanged;
    bool m_holding = false;
    bool m_letGo = false;
};

TEST_F(LockQueueTest, WaitersGetTheLockInTheOrderTheyAskedAcrossKinds)
{
    std::atomic<int32_t> vr{1}, bits{1}, remote{1};
    StartVr(&vr);
    ASSERT_TRUE(WaitHolding());
    StartBits(&bits);
    ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 1; }));
    StartRemote(&remote);
    ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 2; }));
    EXPECT_EQ(1, bits.load()); // still waiting: the lock is held
    LetGo();
    ASSERT_TRUE(WaitUntil([&] { return vr.load() != 1; }));
    // Turns come as the clock moves.
    ASSERT_TRUE(WaitUntil([&] {
        vh_advance(10);
        return bits.load() != 1 && remote.load() != 1;
    }));
    EXPECT_EQ(0, vr.load());
    EXPECT_EQ(0, bits.load());
    EXPECT_EQ(0, remote.load());
    const std::vector<uint32_t> writes = m_model->LockWrites();
    EXPECT_EQ((std::vector<uint32_t>{0x10000, 0, 0x100, 0, 0x1, 0}), writes);
    ExpectOneHolderAtATime(writes);
}

TEST_F(LockQueueTest, AWaiterWhoseTurnDoesNotComeLeavesOnlyItsOwnPlace)
{
    std::atomic<int32_t> vr{1}, bits{1}, remote{1};
    StartVr(&vr);
    ASSERT_TRUE(WaitHolding());
    StartBits(&bits); // asks at 0 s
    ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 1; }));
    const int sleeps = vh_sleeps();
    vh_advance(6000000);
    ASSERT_TRUE(WaitUntil([&] { return vh_sleeps() > sleeps && vh_sleepers() == 1; }));
    StartRemote(&remote); // asks at 0.6 s
    ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 2; }));
    // At 1 s the first waiter gives up; the second keeps its place.
    vh_advance(4000000);
    ASSERT_TRUE(WaitUntil([&] { return bits.load() != 1; }));
    EXPECT_EQ(kNotReady, bits.load());
    ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 1; }));
    EXPECT_EQ(1, remote.load());
    LetGo();
    ASSERT_TRUE(WaitUntil([&] { return vr.load() != 1; }));
    ASSERT_TRUE(WaitUntil([&] {
        vh_advance(10);
        return remote.load() != 1;
    }));
    EXPECT_EQ(0, vr.load());
    EXPECT_EQ(0, remote.load());
    const std::vector<uint32_t> writes = m_model->LockWrites();
    EXPECT_EQ((std::vector<uint32_t>{0x10000, 0, 0x1, 0}), writes);
    ExpectOneHolderAtATime(writes);
    EXPECT_NE(std::string::npos,
              std::string(vh_log()).find("memory(IO): TIMEOUT waiting for my turn to acquire memory (-1073741661)"));
}

} // namespace
