#include "harness_fixture.h"

#include <windows.h>

#include <cstring>
#include <memory>

#include "pci/card.h"

void WriteDirectory(uint32_t* memory, const std::vector<Container>& containers)
{
    uint32_t* directory = memory + card_layout::kDirectory;
    std::memset(directory, 0, 21 * 4);
    directory[0] = 3;  // container version
    directory[1] = 42; // controller
    for (size_t i = 0; i < containers.size() && i < 9; ++i) {
        directory[2 + 2 * i] = containers[i].words << 5 | containers[i].type;
        directory[3 + 2 * i] = containers[i].start;
    }
    directory[20] = 7; // NIO
}

std::vector<Container> StandardContainers()
{
    using namespace card_layout;
    return {{VX_CONTAINER_VR, kVrWords, kVr - kDirectory},
            {VX_CONTAINER_TABLE, kTableWords, kTable - kDirectory},
            {VX_CONTAINER_IO, 21, kIo - kDirectory},
            {VX_CONTAINER_REMOTE_IN, kRemoteInBuffer + 2, kRemoteIn - kDirectory},
            {VX_CONTAINER_REMOTE_OUT, kRemoteOutBuffer + 2, kRemoteOut - kDirectory}};
}

CardModel::CardModel(vh_card* card) : m_card(card)
{
    vh_card_model model = {&Read, &Write, this};
    vh_card_set_model(card, &model);
}

CardModel::~CardModel()
{
    vh_card_set_model(m_card, nullptr);
}

uint32_t CardModel::Read(void* context, uint32_t* memory, uint32_t offset)
{
    auto* self = static_cast<CardModel*>(context);
    {
        std::lock_guard<std::mutex> guard(self->m_lock);
        self->m_reads.push_back(offset);
    }
    uint32_t value = 0;
    if (self->onRead && self->onRead(memory, offset, value))
        return value;
    return memory[offset / 4];
}

void CardModel::Write(void* context, uint32_t* memory, uint32_t offset, uint32_t value)
{
    auto* self = static_cast<CardModel*>(context);
    {
        std::lock_guard<std::mutex> guard(self->m_lock);
        self->m_writes.emplace_back(offset, value);
        if (offset == VX_CARD_LOCK)
            self->m_lockWrites.push_back(value);
    }
    if (self->onWrite && self->onWrite(memory, offset, value))
        return;
    memory[offset / 4] = value;
}

void CardModel::FullAfterFirstTransmitCheck()
{
    auto checks = std::make_shared<int>(0);
    onRead = [checks](uint32_t*, uint32_t offset, uint32_t& value) {
        if (offset != VX_CARD_TRANSMIT_STATUS)
            return false;
        value = ++*checks == 1 ? 0 : VX_CARD_STATUS_BYTE;
        return true;
    };
}

std::vector<uint32_t> CardModel::LockWrites()
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_lockWrites;
}

int CardModel::Reads(uint32_t offset)
{
    std::lock_guard<std::mutex> guard(m_lock);
    int count = 0;
    for (uint32_t read : m_reads)
        count += read == offset;
    return count;
}

std::vector<uint32_t> CardModel::Writes(uint32_t offset)
{
    std::lock_guard<std::mutex> guard(m_lock);
    std::vector<uint32_t> values;
    for (auto& write : m_writes)
        if (write.first == offset)
            values.push_back(write.second);
    return values;
}

void DriverTest::SetUp()
{
    vh_reset();
    ASSERT_EQ(0, vh_load());
}

void DriverTest::TearDown()
{
    vh_manual_time(0);
    for (vh_file* file : m_files)
        vh_close(file);
    for (vh_card* card : m_cards)
        vh_pnp(card, 0x02 /* IRP_MN_REMOVE_DEVICE */);
    for (vh_card* card : m_cards)
        vh_card_free(card);
    for (vh_card* card : m_removed)
        vh_card_free(card);
    vh_unload();
    // Nothing of the driver's is left.
    EXPECT_EQ(0, vh_live("pool"));
    EXPECT_EQ(0, vh_live("mappings"));
    EXPECT_EQ(0, vh_live("devices"));
    EXPECT_EQ(0, vh_live("links"));
    EXPECT_EQ(0, vh_live("threads"));
    EXPECT_STREQ("", vh_violations());
}

vh_card* DriverTest::AddCard(bool start, uint32_t bytes)
{
    vh_card* card = vh_card_new(bytes);
    if (bytes >= 0x8000)
        WriteDirectory(vh_card_memory(card), StandardContainers());
    EXPECT_EQ(0, vh_add_device(card));
    m_cards.push_back(card);
    if (start) {
        EXPECT_EQ(0, vh_start(card, bytes));
    }
    return card;
}

void DriverTest::RemoveCard(vh_card* card)
{
    EXPECT_EQ(0, vh_pnp(card, 0x02));
    for (auto it = m_cards.begin(); it != m_cards.end(); ++it) {
        if (*it == card) {
            m_cards.erase(it);
            break;
        }
    }
    m_removed.push_back(card);
}

vh_file* DriverTest::Open(const std::string& path, int32_t expected)
{
    int32_t status = 0;
    vh_file* file = vh_open(path.c_str(), &status);
    EXPECT_EQ(expected, status) << path;
    if (file)
        m_files.push_back(file);
    return file;
}

int32_t DriverTest::Close(vh_file* file)
{
    for (auto it = m_files.begin(); it != m_files.end(); ++it) {
        if (*it == file) {
            m_files.erase(it);
            break;
        }
    }
    return vh_close(file);
}

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    const ULONGLONG start = GetTickCount64();
    while (!condition()) {
        if (GetTickCount64() - start > static_cast<ULONGLONG>(timeoutMs))
            return false;
        Sleep(1);
    }
    return true;
}
