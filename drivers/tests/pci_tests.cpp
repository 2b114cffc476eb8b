// The PCI card driver's files and requests, through the harness's kernel.
#include <cstring>
#include <string>
#include <vector>

#include "harness_fixture.h"
#include "pci/card.h"
#include "pci/cardfloat.h"

namespace {

using namespace card_layout;

const char kVqe[] = "\\\\.\\VexoPCI-000\\VQE";
const char kRemote[] = "\\\\.\\VexoPCI-000\\REMOTE";
const char kMemory[] = "\\\\.\\VexoPCI-000\\MEMORY";
const int32_t kBusy = static_cast<int32_t>(0x80000011);
const int32_t kNoSuchDevice = static_cast<int32_t>(0xC000000E);
const int32_t kInvalidState = static_cast<int32_t>(0xC0000184);
const int32_t kNotReady = static_cast<int32_t>(0xC00000A3);
const int32_t kNotSupported = static_cast<int32_t>(0xC00000BB);
const int32_t kParameter1 = static_cast<int32_t>(0xC00000EF);
const int32_t kTooSmall = static_cast<int32_t>(0xC0000099);
const int32_t kReversed = static_cast<int32_t>(0xC000028C);
const int32_t kBounds = static_cast<int32_t>(0xC000008C);
const uint64_t kSecond = 10000000;

using PciDriverTest = DriverTest;

TEST_F(PciDriverTest, OpeningTheCommandLineMarksTheHostLink)
{
    vh_card* card = AddCard();
    uint32_t* memory = vh_card_memory(card);
    vh_file* vqe = Open("\\\\.\\VexoPCI-000\\vqe"); // the name without regard to case
    ASSERT_NE(nullptr, vqe);
    EXPECT_EQ(0x55555555u, memory[VX_CARD_HOST_LINK / 4]);
    Open(kVqe, kBusy);
    EXPECT_EQ(0, Close(vqe));
    EXPECT_EQ(0u, memory[VX_CARD_HOST_LINK / 4]);
    // Free again once closed.
    EXPECT_NE(nullptr, Open(kVqe));

    Open("\\\\.\\VexoPCI-000", kNoSuchDevice);
    Open("\\\\.\\VexoPCI-000\\FOO", kNoSuchDevice);
    Open("\\\\.\\VexoPCI-001\\VQE", static_cast<int32_t>(0xC0000034)); // no such link
    ASSERT_NE(nullptr, Open(kRemote));
    Open(kRemote, kBusy);
    // Any number of memory files.
    EXPECT_NE(nullptr, Open(kMemory));
    EXPECT_NE(nullptr, Open("\\\\.\\VexoPCI-000\\memory"));
}

TEST_F(PciDriverTest, NothingOpensBeforeTheStartOrWithoutCardMemory)
{
    vh_card* card = AddCard(false);
    Open(kVqe, kInvalidState);
    // Too little memory to be the card's is not used.
    EXPECT_EQ(0, vh_start(card, 0x4000));
    EXPECT_EQ(0, vh_live("mappings"));
    Open(kVqe, kInvalidState);
}

TEST_F(PciDriverTest, QueriedRemovalOrStopRefusesOpensUntilCancelled)
{
    AddCard();
    const struct {
        uint8_t query, cancel;
    } pairs[] = {{0x01, 0x03}, {0x05, 0x06}}; // QUERY/CANCEL_REMOVE, QUERY/CANCEL_STOP
    for (auto pair : pairs) {
        EXPECT_EQ(0, vh_pnp(m_cards[0], pair.query));
        Open(kVqe, kInvalidState);
        EXPECT_EQ(0, vh_pnp(m_cards[0], pair.cancel));
        vh_file* file = Open(kVqe);
        ASSERT_NE(nullptr, file);
        Close(file);
    }
}

TEST_F(PciDriverTest, CommandLineWriteTestsTheTransmitStatusEveryThirtyTwoBytes)
{
    vh_card* card = AddCard();
    CardModel model(card);
    vh_file* vqe = Open(kVqe);
    std::vector<uint8_t> bytes(100);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(0x7E + i); // 0x80 and above among them
    uint32_t done = 0;
    ASSERT_EQ(0, vh_write(vqe, bytes.data(), 100, &done));
    EXPECT_EQ(100u, done);
    // Before bytes 0, 32, 64 and 96.
    EXPECT_EQ(4, model.Reads(VX_CARD_TRANSMIT_STATUS));
    std::vector<uint32_t> sent = model.Writes(VX_CARD_TRANSMIT);
    ASSERT_EQ(100u, sent.size());
    EXPECT_EQ(0x7Eu, sent[0]);
    EXPECT_EQ(0x7Fu, sent[1]);
    EXPECT_EQ(0xFFFFFF80u, sent[2]); // sign-extended
    EXPECT_EQ(0xFFFFFFE1u, sent[99]);
    // The count goes on across writes: the next check comes 28 bytes on.
    ASSERT_EQ(0, vh_write(vqe, bytes.data(), 29, &done));
    EXPECT_EQ(5, model.Reads(VX_CARD_TRANSMIT_STATUS));
}

TEST_F(PciDriverTest, AQueueThatStaysFullEndsTheWriteAfterOneSecondWithTheBytesWritten)
{
    vh_card* card = AddCard();
    CardModel model(card);
    model.FullAfterFirstTransmitCheck(); // full after the first 32 bytes
    vh_file* vqe = Open(kVqe);
    std::vector<uint8_t> bytes(100, 'a');
    const uint64_t start = vh_time();
    uint32_t done = 0;
    ASSERT_EQ(0, vh_write(vqe, bytes.data(), 100, &done));
    EXPECT_EQ(32u, done);
    EXPECT_EQ(32u, model.Writes(VX_CARD_TRANSMIT).size());
    const uint64_t waited = vh_time() - start;
    EXPECT_GE(waited, kSecond);
    EXPECT_LT(waited, kSecond + kSecond / 100);
}

TEST_F(PciDriverTest, CommandLineReadTakesWhatWaitsAndReturnsAtOnce)
{
    vh_card* card = AddCard();
    CardModel model(card);
    std::string waiting = "OK>";
    model.onRead = [&](uint32_t*, uint32_t offset, uint32_t& value) {
        if (offset == VX_CARD_RECEIVE_STATUS) {
            value = waiting.empty() ? 0 : VX_CARD_STATUS_BYTE;
            return true;
        }
        if (offset == VX_CARD_RECEIVE) {
            value = waiting.empty() ? 0xFFFFFFFFu : static_cast<uint8_t>(waiting[0]);
            if (!waiting.empty())
                waiting.erase(0, 1);
            return true;
        }
        return false;
    };
    vh_file* vqe = Open(kVqe);
    char buffer[16] = {};
    uint32_t done = 99;
    ASSERT_EQ(0, vh_read(vqe, buffer, 2, &done));
    EXPECT_EQ(std::string("OK"), std::string(buffer, done));
    ASSERT_EQ(0, vh_read(vqe, buffer, sizeof buffer, &done));
    EXPECT_EQ(std::string(">"), std::string(buffer, done));
    const uint64_t before = vh_time();
    ASSERT_EQ(0, vh_read(vqe, buffer, sizeof buffer, &done));
    EXPECT_EQ(0u, done);
    EXPECT_EQ(before, vh_time()); // no wait
    // A memory file neither reads nor writes.
    vh_file* memoryFile = Open(kMemory);
    EXPECT_EQ(kNotSupported, vh_read(memoryFile, buffer, 4, &done));
    EXPECT_EQ(kNotSupported, vh_write(memoryFile, buffer, 4, &done));
}

TEST_F(PciDriverTest, EveryRequestEndsOnACardThatHasGone)
{
    vh_card* card = AddCard();
    CardModel model(card);
    vh_file* vqe = Open(kVqe);
    vh_file* remote = Open(kRemote);
    vh_file* memoryFile = Open(kMemory);
    bool gone = true;
    model.onRead = [&](uint32_t*, uint32_t, uint32_t& value) {
        value = 0xFFFFFFFFu;
        return gone;
    };
    uint8_t buffer[64] = {};
    uint32_t done = 0, range[2] = {0, 3}, pair[2] = {1, 0};
    EXPECT_EQ(kNotReady, vh_read(vqe, buffer, sizeof buffer, &done));
    EXPECT_EQ(kNotReady, vh_write(vqe, buffer, sizeof buffer, &done));
    EXPECT_EQ(kNotReady, vh_read(remote, buffer, sizeof buffer, &done));
    EXPECT_EQ(kNotReady, vh_write(remote, buffer, sizeof buffer, &done));
    EXPECT_EQ(kNotReady, vh_ioctl(memoryFile, IOCTL_VEXO_GET_VR, range, 8, buffer, 16, &done));
    EXPECT_EQ(kNotReady, vh_ioctl(memoryFile, IOCTL_VEXO_SET_TABLE, pair, 8, nullptr, 0, &done));
    EXPECT_EQ(kNotReady, vh_ioctl(memoryFile, IOCTL_VEXO_GET_WORDS, range, 8, buffer, 16, &done));
    Open(kMemory, kNotReady);
    gone = false;
}

struct ControlRow {
    const char* name;
    const char* file; // kVqe or kMemory
    uint32_t code;
    std::vector<uint32_t> input;
    uint32_t inputBytes; // the input's length (may cut the words short)
    uint32_t outputBytes;
    int32_t status;
    std::vector<uint32_t> output;
};

uint32_t Ieee(float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

TEST_F(PciDriverTest, DeviceControls)
{
    vh_card* card = AddCard();
    uint32_t* memory = vh_card_memory(card);
    for (uint32_t i = 0; i < kVrWords; ++i)
        memory[kVr + i] = vx_ieee_to_card(Ieee(static_cast<float>(i) + 0.5f));
    for (uint32_t i = 0; i < kTableWords; ++i)
        memory[kTable + i] = vx_ieee_to_card(Ieee(-static_cast<float>(i)));
    memory[kIo + 0] = 0x80000001u; // inputs 0 and 31
    memory[kIo + 1] = 0x00000003u; // inputs 32 and 33
    memory[kIo + 8] = 0x80000000u; // input 287
    memory[kIo + 10] = 0x00000100u; // output 40
    memory[kIo + 18] = 0x000000F0u;
    memory[kIo + 19] = 0x22221111u;
    memory[kIo + 20] = 0x44443333u;

    const ControlRow rows[] = {
        {"trace on any file", kVqe, IOCTL_VEXO_SET_TRACE, {1}, 2, 0, 0, {}},
        {"trace needs two bytes", kVqe, IOCTL_VEXO_SET_TRACE, {1}, 1, 0, kParameter1, {}},
        {"memory codes need a memory file", kVqe, IOCTL_VEXO_GET_VR, {0, 0}, 8, 4, kNotSupported, {}},
        {"unknown code", kMemory, 0x220044, {0, 0}, 8, 4, kNotSupported, {}},
        {"one VR", kMemory, IOCTL_VEXO_GET_VR, {3, 3}, 8, 4, 0, {Ieee(3.5f)}},
        {"VR range", kMemory, IOCTL_VEXO_GET_VR, {62, 63}, 8, 8, 0, {Ieee(62.5f), Ieee(63.5f)}},
        {"range not 8 bytes", kMemory, IOCTL_VEXO_GET_VR, {0, 0}, 7, 4, kParameter1, {}},
        {"output one byte short", kMemory, IOCTL_VEXO_GET_VR, {0, 2}, 8, 11, kTooSmall, {}},
        {"last before first", kMemory, IOCTL_VEXO_GET_VR, {5, 3}, 8, 16, kReversed, {}},
        {"reversed across the top", kMemory, IOCTL_VEXO_GET_VR, {0xFFFFFFFF, 0}, 8, 16, kReversed, {}},
        {"every index does not wrap", kMemory, IOCTL_VEXO_GET_VR, {0, 0xFFFFFFFF}, 8, 16, kTooSmall, {}},
        {"VR at its length", kMemory, IOCTL_VEXO_GET_VR, {63, 64}, 8, 8, kBounds, {}},
        {"TABLE", kMemory, IOCTL_VEXO_GET_TABLE, {127, 127}, 8, 4, 0, {Ieee(-127.0f)}},
        {"TABLE at its length", kMemory, IOCTL_VEXO_GET_TABLE, {128, 128}, 8, 4, kBounds, {}},
        {"set VR at its length", kMemory, IOCTL_VEXO_SET_VR, {64, 0}, 8, 0, kBounds, {}},
        {"set TABLE at its length", kMemory, IOCTL_VEXO_SET_TABLE, {128, 0}, 8, 0, kBounds, {}},
        {"pairs not whole", kMemory, IOCTL_VEXO_SET_VR, {1, 0, 2}, 12, 0, kParameter1, {}},
        {"no pairs", kMemory, IOCTL_VEXO_SET_VR, {}, 0, 0, 0, {}},
        {"output bit 288", kMemory, IOCTL_VEXO_SET_OUTPUT, {0, 1, 288, 1}, 16, 0, kBounds, {}},
        {"inputs", kMemory, IOCTL_VEXO_GET_INPUT, {30, 33}, 8, 4, 0, {0xEu}},
        {"all inputs", kMemory, IOCTL_VEXO_GET_INPUT, {0, 287}, 8, 36, 0,
         {0x80000001u, 3, 0, 0, 0, 0, 0, 0, 0x80000000u}},
        {"inputs output short", kMemory, IOCTL_VEXO_GET_INPUT, {0, 32}, 8, 4, kTooSmall, {}},
        {"input 288", kMemory, IOCTL_VEXO_GET_INPUT, {0, 288}, 8, 40, kBounds, {}},
        {"status bits", kMemory, IOCTL_VEXO_GET_BITS, {4, 7}, 8, 4, 0, {0xFu}},
        {"all status bits", kMemory, IOCTL_VEXO_GET_BITS, {0, 31}, 8, 4, 0, {0xF0u}},
        {"status bit 32", kMemory, IOCTL_VEXO_GET_BITS, {0, 32}, 8, 4, kBounds, {}},
        {"words", kMemory, IOCTL_VEXO_GET_WORDS, {0, 3}, 8, 16, 0, {0x1111u, 0x2222u, 0x3333u, 0x4444u}},
        {"word 4", kMemory, IOCTL_VEXO_GET_WORDS, {3, 4}, 8, 8, kBounds, {}},
    };
    for (const ControlRow& row : rows) {
        SCOPED_TRACE(row.name);
        vh_file* file = Open(row.file);
        ASSERT_NE(nullptr, file);
        std::vector<uint8_t> input(row.input.size() * 4 + 4);
        std::memcpy(input.data(), row.input.data(), row.input.size() * 4);
        std::vector<uint32_t> output(row.outputBytes / 4 + 1, 0xCDCDCDCDu);
        uint32_t returned = 99;
        EXPECT_EQ(row.status, vh_ioctl(file, row.code, input.data(), row.inputBytes, output.data(), row.outputBytes,
                                       &returned));
        EXPECT_EQ(row.output.size() * 4, returned);
        output.resize(returned / 4);
        EXPECT_EQ(row.output, output);
        Close(file);
    }
    // Nothing above stored anything.
    EXPECT_EQ(0x00000100u, memory[kIo + 10]);
    EXPECT_EQ(0u, memory[kIo + 9]);
}

TEST_F(PciDriverTest, SetCodesStoreCardValuesAndOutputBits)
{
    vh_card* card = AddCard();
    uint32_t* memory = vh_card_memory(card);
    memory[kIo + 10] = 0x00000100u; // output 40
    vh_file* file = Open(kMemory);
    uint32_t returned = 0;
    const uint32_t vr[] = {2, Ieee(-1.0f), 63, Ieee(0.0f)};
    ASSERT_EQ(0, vh_ioctl(file, IOCTL_VEXO_SET_VR, vr, sizeof vr, nullptr, 0, &returned));
    EXPECT_EQ(0xFF800000u, memory[kVr + 2]);
    EXPECT_EQ(0x80000000u, memory[kVr + 63]);
    const uint32_t table[] = {127, Ieee(2.0f)};
    ASSERT_EQ(0, vh_ioctl(file, IOCTL_VEXO_SET_TABLE, table, sizeof table, nullptr, 0, &returned));
    EXPECT_EQ(0x01000000u, memory[kTable + 127]);
    const uint32_t outputs[] = {0, 1, 40, 0};
    ASSERT_EQ(0, vh_ioctl(file, IOCTL_VEXO_SET_OUTPUT, outputs, sizeof outputs, nullptr, 0, &returned));
    EXPECT_EQ(1u, memory[kIo + 9]);
    EXPECT_EQ(0u, memory[kIo + 10]);
    EXPECT_EQ(0u, returned);
    // Every code gave its lock back.
    EXPECT_EQ(0u, memory[VX_CARD_LOCK / 4]);
}

TEST_F(PciDriverTest, CardDataOutsideItsMemoryIsNotUsed)
{
    vh_card* card = AddCard(false);
    uint32_t* memory = vh_card_memory(card);
    const uint32_t end = (0x10000 - 0x4000) / 4; // in words from the directory
    WriteDirectory(memory, {{VX_CONTAINER_VR, 16, end - 15},              // one word past the end
                            {VX_CONTAINER_TABLE, 0x7FFFFFF, 0},           // far too long
                            {VX_CONTAINER_REMOTE_IN, 2, 0x200},           // no buffer
                            {VX_CONTAINER_REMOTE_OUT, 10, 0xFFFFFFFFu},   // start beyond everything
                            {VX_CONTAINER_IO, 20, 0x300}});               // too short for its words
    ASSERT_EQ(0, vh_start(card, 0x10000));
    vh_file* file = Open(kMemory);
    uint32_t range[2] = {0, 0}, value = 0, returned = 0;
    EXPECT_EQ(kBounds, vh_ioctl(file, IOCTL_VEXO_GET_VR, range, 8, &value, 4, &returned));
    EXPECT_EQ(kBounds, vh_ioctl(file, IOCTL_VEXO_GET_TABLE, range, 8, &value, 4, &returned));
    EXPECT_EQ(kBounds, vh_ioctl(file, IOCTL_VEXO_GET_WORDS, range, 8, &value, 4, &returned));
    vh_file* remote = Open(kRemote);
    uint8_t bytes[4] = {1, 2, 3, 4};
    uint32_t done = 0;
    EXPECT_EQ(0, vh_read(remote, bytes, 4, &done));
    EXPECT_EQ(0u, done);
    EXPECT_EQ(kNotReady, vh_write(remote, bytes, 4, &done));
    // A container that fits exactly is used.
    WriteDirectory(memory, {{VX_CONTAINER_VR, 16, end - 16}});
    memory[0x4000 / 4 + end - 1] = 0x00000000u; // 1.0
    Close(file);
    file = Open(kMemory);
    range[0] = range[1] = 15;
    ASSERT_EQ(0, vh_ioctl(file, IOCTL_VEXO_GET_VR, range, 8, &value, 4, &returned));
    EXPECT_EQ(Ieee(1.0f), value);
}

// The controller's side of the RemoteOut ring: takes each block the host
// stores and clears the write position, unless told to stall.
struct RemoteController {
    explicit RemoteController(CardModel& model)
    {
        model.onWrite = [this](uint32_t* memory, uint32_t offset, uint32_t value) {
            if (offset != (kRemoteOut + 1) * 4 || value == 0)
                return false;
            std::string block;
            for (uint32_t i = 0; i < value; ++i)
                block += static_cast<char>(memory[kRemoteOut + 2 + i]);
            blocks.push_back(block);
            memory[kRemoteOut + 1] = value;
            if (!stall)
                pendingTake = true;
            return true;
        };
        model.onRead = [this](uint32_t* memory, uint32_t offset, uint32_t& value) {
            // The controller takes the block after the host saw it stored.
            if (offset == (kRemoteOut + 1) * 4 && pendingTake && memory[kRemoteOut + 1] != 0) {
                if (++readsSinceStore > 1) {
                    memory[kRemoteOut + 1] = 0;
                    pendingTake = false;
                    readsSinceStore = 0;
                }
            }
            (void)value;
            return false;
        };
    }
    std::vector<std::string> blocks;
    bool stall = false;
    bool pendingTake = false;
    int readsSinceStore = 0;
};

TEST_F(PciDriverTest, RemoteChannelMovesBytesThroughTheRings)
{
    vh_card* card = AddCard();
    uint32_t* memory = vh_card_memory(card);
    memory[kRemoteIn] = 7; // stale positions, cleared by the open
    memory[kRemoteOut + 1] = 3;
    CardModel model(card);
    RemoteController controller(model);
    vh_file* remote = Open(kRemote);
    EXPECT_EQ(0u, memory[kRemoteIn]);
    EXPECT_EQ(0u, memory[kRemoteOut + 1]);

    // RemoteIn: the controller wrote "abc" wrapping round the buffer end.
    memory[kRemoteIn] = kRemoteInBuffer - 1;
    memory[kRemoteIn + 2 + kRemoteInBuffer - 1] = 'a';
    memory[kRemoteIn + 2 + 0] = 'b';
    memory[kRemoteIn + 2 + 1] = 0x163; // only bits 0..7 count: 'c'
    memory[kRemoteIn + 1] = 2;
    char buffer[8] = {};
    uint32_t done = 0;
    ASSERT_EQ(0, vh_read(remote, buffer, sizeof buffer, &done));
    EXPECT_EQ("abc", std::string(buffer, done));
    EXPECT_EQ(2u, memory[kRemoteIn]);
    ASSERT_EQ(0, vh_read(remote, buffer, sizeof buffer, &done));
    EXPECT_EQ(0u, done);

    // RemoteOut: 20 bytes through an 8-word buffer go as three blocks.
    const std::string text = "0123456789abcdefghij";
    ASSERT_EQ(0, vh_write(remote, text.data(), static_cast<uint32_t>(text.size()), &done));
    EXPECT_EQ(20u, done);
    EXPECT_EQ((std::vector<std::string>{"01234567", "89abcdef", "ghij"}), controller.blocks);

    // A position past the buffer is card data not to follow.
    memory[kRemoteIn + 1] = kRemoteInBuffer;
    EXPECT_EQ(kNotReady, vh_read(remote, buffer, sizeof buffer, &done));
    EXPECT_EQ(0, Close(remote));
}

TEST_F(PciDriverTest, ABlockTheControllerNeverTakesEndsTheWriteAfterOneSecond)
{
    vh_card* card = AddCard();
    CardModel model(card);
    RemoteController controller(model);
    controller.stall = true;
    vh_file* remote = Open(kRemote);
    vh_sleep_floor(1000); // 100 us a turn: fewer turns to the second
    uint32_t done = 0;
    ASSERT_EQ(0, vh_write(remote, "xy", 2, &done));
    vh_clear_log();
    const uint64_t start = vh_time();
    EXPECT_EQ(kNotReady, vh_write(remote, "z", 1, &done));
    EXPECT_EQ(0u, done);
    EXPECT_GE(vh_time() - start, kSecond);
    const std::string log = vh_log();
    EXPECT_NE(std::string::npos, log.find("remote_write: TIMEOUT writing data\n")) << log.substr(log.size() - 200);
    EXPECT_NE(std::string::npos, log.find("DDDispatch_Write failed with value c00000a3\n"));
    // The trace flag silences the messages.
    vh_file* vqe = Open(kVqe);
    uint16_t off = 0;
    ASSERT_EQ(0, vh_ioctl(vqe, IOCTL_VEXO_SET_TRACE, &off, 2, nullptr, 0, &done));
    vh_clear_log();
    EXPECT_EQ(kNotReady, vh_write(remote, "z", 1, &done));
    EXPECT_STREQ("", vh_log());
}

TEST_F(PciDriverTest, ARemoteReadWhoseLockIsRefusedFails)
{
    vh_card* card = AddCard();
    vh_file* remote = Open(kRemote);
    CardModel model(card);
    model.onWrite = [](uint32_t*, uint32_t offset, uint32_t) { return offset == VX_CARD_LOCK; }; // never granted
    vh_sleep_floor(1000);
    char buffer[4];
    uint32_t done = 0;
    EXPECT_EQ(kNotReady, vh_read(remote, buffer, sizeof buffer, &done));
    EXPECT_NE(std::string::npos, std::string(vh_log()).find("memory(Remote): TIMEOUT acquiring memory"));
}

} // namespace
