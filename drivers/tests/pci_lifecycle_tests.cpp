// The PCI driver's devices through Plug and Play and power: names and
// instance numbers, start and stop with the card's memory, removal with
// handles open, failures half-way through AddDevice, system sleep.
#include <atomic>
#include <string>
#include <thread>

#include "harness_fixture.h"
#include "pci/card.h"

namespace {

const char kVqe[] = "\\\\.\\VexoPCI-000\\VQE";
const int32_t kNoSuchDevice = static_cast<int32_t>(0xC000000E);
const int32_t kInvalidState = static_cast<int32_t>(0xC0000184);
const int32_t kInsufficient = static_cast<int32_t>(0xC000009A);
const uint8_t kRemove = 0x02, kStop = 0x04, kSurprise = 0x17;

using PciLifecycleTest = DriverTest;

TEST_F(PciLifecycleTest, StartMapsTheMemoryBesideAPortAndAnInterruptAndStopUnmapsIt)
{
    vh_card* card = AddCard(false);
    EXPECT_STREQ("\\DosDevices\\VexoPCI-000;", vh_links());
    vh_clear_log();
    ASSERT_EQ(0, vh_start(card, 0x10000));
    EXPECT_EQ(1, vh_live("mappings"));
    const std::string log = vh_log();
    for (const char* line : {"VexoPCI-IRP_MN_START_DEVICE\n", "VexoPCI-Partial-Descriptor[0].Type=Port\n",
                             "VexoPCI-Partial-Descriptor[1].Type=Interrupt\n",
                             "VexoPCI-Partial-Descriptor[2].Type=Memory\n", "VexoPCI-DeviceExtension->MemoryBase=0x"})
        EXPECT_NE(std::string::npos, log.find(line)) << line;
    vh_file* file = Open(kVqe);
    ASSERT_NE(nullptr, file);

    EXPECT_EQ(0, vh_pnp(card, kStop));
    EXPECT_EQ(0, vh_live("mappings"));
    uint8_t byte = 'x';
    uint32_t done = 0;
    EXPECT_EQ(kInvalidState, vh_write(file, &byte, 1, &done));
    EXPECT_EQ(0, Close(file)); // closes without touching the card
    Open(kVqe, kInvalidState);

    // Started again, it maps again.
    ASSERT_EQ(0, vh_start(card, 0x10000));
    EXPECT_EQ(1, vh_live("mappings"));
    EXPECT_NE(nullptr, Open(kVqe));
    EXPECT_STREQ("start;stop;start;", vh_card_bus_log(card));
}

TEST_F(PciLifecycleTest, AFailedStartLeavesTheDeviceUnstarted)
{
    vh_card* card = AddCard(false);
    vh_fail("start", 1, static_cast<int32_t>(0xC0000001));
    EXPECT_EQ(static_cast<int32_t>(0xC0000001), vh_start(card, 0x10000));
    EXPECT_EQ(0, vh_live("mappings"));
    Open(kVqe, kInvalidState);
}

TEST_F(PciLifecycleTest, RemovalWithAHandleOpenDeletesDeviceAndLinkAtOnce)
{
    vh_card* card = AddCard();
    vh_file* file = Open(kVqe);
    ASSERT_NE(nullptr, file);
    RemoveCard(card);
    EXPECT_EQ(0, vh_live("devices"));
    EXPECT_EQ(0, vh_live("links"));
    EXPECT_EQ(0, vh_live("mappings"));
    EXPECT_NE(std::string::npos, std::string(vh_log()).find("VexoPCI-RemoveDevice\n"));
    uint8_t byte = 'x';
    uint32_t done = 0;
    EXPECT_EQ(kNoSuchDevice, vh_write(file, &byte, 1, &done));
    EXPECT_EQ(kNoSuchDevice, vh_read(file, &byte, 1, &done));
    EXPECT_EQ(0, Close(file));
    Open(kVqe, static_cast<int32_t>(0xC0000034));
    // The card comes back under its old name.
    AddCard();
    EXPECT_STREQ("\\DosDevices\\VexoPCI-000;", vh_links());
    EXPECT_NE(nullptr, Open(kVqe));
}

TEST_F(PciLifecycleTest, ACardAddedTakesTheLowestFreeNumber)
{
    vh_card* first = AddCard(false, 0x1000);
    AddCard(false, 0x1000);
    AddCard(false, 0x1000);
    EXPECT_STREQ("\\DosDevices\\VexoPCI-000;\\DosDevices\\VexoPCI-001;\\DosDevices\\VexoPCI-002;", vh_links());
    RemoveCard(first);
    AddCard(false, 0x1000);
    EXPECT_EQ(3, vh_live("devices"));
    EXPECT_NE(std::string::npos, std::string(vh_links()).find("\\DosDevices\\VexoPCI-000;"));
}

TEST_F(PciLifecycleTest, OnlyAThousandLiveDevicesExhaustTheNumbers)
{
    for (int i = 0; i < 1000; ++i)
        AddCard(false, 0x1000);
    EXPECT_EQ(1000, vh_live("devices"));
    vh_card* extra = vh_card_new(0x1000);
    EXPECT_EQ(kInsufficient, vh_add_device(extra));
    EXPECT_EQ(1000, vh_live("devices"));
    // One removed, the next add gets its number.
    RemoveCard(m_cards[500]);
    ASSERT_EQ(0, vh_add_device(extra));
    m_cards.push_back(extra);
    EXPECT_NE(std::string::npos, std::string(vh_links()).find("\\DosDevices\\VexoPCI-500;"));
}

TEST_F(PciLifecycleTest, AFailingAddDeviceUndoesItsWork)
{
    const struct {
        const char* function;
        int32_t status;
    } faults[] = {{"ExAllocatePoolWithTag", 0},
                  {"IoCreateDevice", static_cast<int32_t>(0xC0000035)},
                  {"IoCreateSymbolicLink", static_cast<int32_t>(0xC0000035)},
                  {"IoAttachDeviceToDeviceStack", 0}};
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.function);
        vh_card* card = vh_card_new(0x1000);
        vh_fail(fault.function, 1, fault.status);
        EXPECT_NE(0, vh_add_device(card));
        EXPECT_EQ(0, vh_live("devices"));
        EXPECT_EQ(0, vh_live("links"));
        EXPECT_EQ(0, vh_live("pool"));
        vh_card_free(card);
    }
    // Number 000 was given back every time.
    AddCard(false, 0x1000);
    EXPECT_STREQ("\\DosDevices\\VexoPCI-000;", vh_links());
}

TEST_F(PciLifecycleTest, StopAndSurpriseRemovalWaitForRequestsInFlight)
{
    for (uint8_t minor : {kStop, kSurprise}) {
        SCOPED_TRACE(static_cast<int>(minor));
        vh_card* card = AddCard();
        CardModel model(card);
        model.FullAfterFirstTransmitCheck();
        vh_file* file = Open(kVqe);
        vh_manual_time(1);
        std::atomic<uint32_t> written{0};
        std::atomic<int32_t> writeStatus{1}, stopStatus{1};
        std::thread writer([&] {
            std::string bytes(100, 'w');
            uint32_t done = 0;
            writeStatus = vh_write(file, bytes.data(), 100, &done);
            written = done;
        });
        ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 1; })); // the queue is full
        std::thread stopper([&] { stopStatus = vh_pnp(card, minor); });
        ASSERT_TRUE(WaitUntil([] { return vh_sleepers() == 2; })); // the stop waits
        EXPECT_EQ(1, vh_live("mappings"));
        ASSERT_TRUE(WaitUntil([&] {
            vh_advance(10000);
            return stopStatus.load() != 1;
        }));
        writer.join();
        stopper.join();
        vh_manual_time(0);
        EXPECT_EQ(0, writeStatus.load());
        EXPECT_EQ(32u, written.load());
        EXPECT_EQ(0, stopStatus.load());
        EXPECT_EQ(0, vh_live("mappings"));
        Close(file);
        RemoveCard(card);
    }
}

TEST_F(PciLifecycleTest, SystemSleepAsksForD3BeforeItGoesDown)
{
    vh_card* card = AddCard();
    EXPECT_EQ(1, vh_device_power_state(card));
    EXPECT_EQ(0, vh_system_power(card, 4)); // sleeping 3
    EXPECT_EQ(4, vh_device_power_state(card));
    EXPECT_EQ(0, vh_system_power(card, 5)); // hibernate: already D3
    EXPECT_EQ(0, vh_system_power(card, 1)); // working
    EXPECT_EQ(1, vh_device_power_state(card));
    EXPECT_STREQ("start;D3;S3;S4;D0;S0;", vh_card_bus_log(card));
    EXPECT_EQ(0, vh_device_power(card, 3));
    EXPECT_EQ(3, vh_device_power_state(card));
}

TEST_F(PciLifecycleTest, AfterUnloadNothingIsLeft)
{
    vh_card* card = AddCard();
    Open(kVqe);
    Open("\\\\.\\VexoPCI-000\\MEMORY");
    vh_pnp(card, kSurprise);
    // TearDown closes, removes and unloads, then finds no pool, mapping,
    // device, link or thread left.
}

} // namespace
