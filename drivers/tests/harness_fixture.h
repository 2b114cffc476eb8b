// The PCI driver loaded in the harness, with cards whose memory holds a
// container directory, and a register model that records the driver's
// accesses and lets a test play the card.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "harness.h"

// Word offsets of the standard card's containers (from the card's start).
namespace card_layout {
const uint32_t kDirectory = 0x4000 / 4;
const uint32_t kVr = 0x4400 / 4;        // 64 words
const uint32_t kVrWords = 64;
const uint32_t kTable = 0x4500 / 4;     // 128 words
const uint32_t kTableWords = 128;
const uint32_t kIo = 0x4700 / 4;        // 21 words
const uint32_t kRemoteIn = 0x4800 / 4;  // 2 + 16 words
const uint32_t kRemoteInBuffer = 16;
const uint32_t kRemoteOut = 0x4880 / 4; // 2 + 8 words
const uint32_t kRemoteOutBuffer = 8;
} // namespace card_layout

// One directory entry: type, length in words, start in words from 0x4000.
struct Container {
    uint32_t type;
    uint32_t words;
    uint32_t start;
};

// Writes a directory of up to nine containers into card memory.
void WriteDirectory(uint32_t* memory, const std::vector<Container>& containers);
// The standard card's directory (VR, TABLE, IO, RemoteIn, RemoteOut).
std::vector<Container> StandardContainers();

// Plays a card's registers: plain memory unless a hook says otherwise;
// records every lock-word write and the reads per offset.
class CardModel {
public:
    explicit CardModel(vh_card* card);
    ~CardModel();

    // Returns true with value set to answer a read itself.
    std::function<bool(uint32_t* memory, uint32_t offset, uint32_t& value)> onRead;
    // Returns true when it stored (or dropped) the write itself.
    std::function<bool(uint32_t* memory, uint32_t offset, uint32_t value)> onWrite;

    // The transmit status: free at the first test, full from then on.
    void FullAfterFirstTransmitCheck();

    std::vector<uint32_t> LockWrites();
    int Reads(uint32_t offset);
    std::vector<uint32_t> Writes(uint32_t offset);

private:
    static uint32_t Read(void* context, uint32_t* memory, uint32_t offset);
    static void Write(void* context, uint32_t* memory, uint32_t offset, uint32_t value);

    vh_card* m_card;
    std::mutex m_lock;
    std::vector<uint32_t> m_lockWrites;
    std::vector<std::pair<uint32_t, uint32_t>> m_writes;
    std::vector<uint32_t> m_reads;
};

class DriverTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A card added to the driver and, when asked, started with its memory;
    // its directory is the standard one. Removed and freed by TearDown.
    vh_card* AddCard(bool start = true, uint32_t bytes = 0x10000);
    // Removes a card's device (REMOVE) and forgets it.
    void RemoveCard(vh_card* card);
    vh_file* Open(const std::string& path, int32_t expected = 0);
    int32_t Close(vh_file* file);

    std::vector<vh_card*> m_cards;
    std::vector<vh_card*> m_removed;
    std::vector<vh_file*> m_files;
};

// Waits in real time (bounded) until condition holds.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);
