// The drive-bus keywords MECHATROLINK, INVERTER_READ, INVERTER_WRITE,
// INVERTER_COMMAND and SERCOS, and the SERCOS_PHASE parameter.
//
// The simulator has no bus hardware. MECHATROLINK and the INVERTER_ keywords
// check their arguments as the controller does and answer as a bus on which
// no station ever replies. SERCOS runs the controller's ring procedures
// (initialisation, the station list, register access, the service-channel
// transfers with their hand-shakes and time-outs) against a memory image of
// the ring interface's registers, one per slot 0 to 3. Slots 4 to 23 pass
// the argument checks but have no image: operations on them give error 19.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kRingSlots = 4;
constexpr int kRingRegisters = 1024;
constexpr int kRingStations = 8;

// Words of the axis record that a station assignment sets besides ATYPE.
constexpr int kAxisRingStation = 236;   // the axis's station entry index
constexpr int kAxisRingRate = 237;      // set to kRingRateWord on assignment
constexpr int32_t kRingRateWord = 60000000;

// The ring interface's registers of one slot: register i is the value word
// 2 i (its low 16 bits are the register's value) beside a second word; the
// second word of the last register is the ring's access word.
struct RingImage {
    uint32_t words[2 * kRingRegisters];
};
static_assert(sizeof(RingImage) == 8192);

struct RingStation {
    int32_t inUse;
    int32_t index;
    int32_t address;  // 1 to 254, -1 when free
    int32_t prepared; // the service channel was prepared
    int32_t axis;     // -1 when free
    int32_t kind;     // drive kind 0 to 4
};

// The station list of a slot, kept apart from its image.
struct RingRecord {
    int32_t stations;
    int32_t lengthFactor;
    RingStation entries[kRingStations];
    int32_t control;     // the last control word given; 255 after a reset
    int32_t idleCommand; // 27 after initialisation
};
static_assert(sizeof(RingRecord) == 4 * (2 + 6 * kRingStations + 2));

// Power-up state: every image cleared, every station list reset.
void ResetDriveBuses();

// The images and lists (null outside slots 0 to 3).
RingImage* GetRingImage(int slot);
RingRecord* GetRingRecord(int slot);
uint16_t RingRegister(int slot, int reg);
void SetRingRegister(int slot, int reg, uint32_t value);
uint32_t RingAccessWord(int slot);

// Called once per servo period while a ring procedure waits, with the slot;
// stands for the stations on the ring (none in the simulator).
using RingStationModel = void (*)(int slot);
void SetRingStationModel(RingStationModel model);

// SERCOS_PHASE of a slot: the low 8 bits of register 10; a write also sets
// registers 12 and 25 for the phase. Slots without an image give error 19.
float ReadSercosPhase(int slot, int process);
float WriteSercosPhase(int slot, int32_t phase, int process);

// Keyword handlers. SERCOS reads its own arguments; the others take theirs
// from the argument frame.
void KeywordSercos(const uint8_t* text, int& position, int limit, int process);
void KeywordMechatrolink(const uint8_t* text, int& position, int limit, int process);
void KeywordInverterRead(const uint8_t* text, int& position, int limit, int process);
void KeywordInverterWrite(const uint8_t* text, int& position, int limit, int process);
void KeywordInverterCommand(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
