// Power-up defaults and the battery-backed memory.
//
// At power-up every axis gets its default parameters, the system values are
// set (some from the flash settings store), and the battery-backed memory is
// either kept or rebuilt from the flash copy that POWER_UP selects.
// INITIALISE repeats the axis defaults while the system runs.
//
// The memory checksum (image offset 5116) is the 32-bit sum, with
// wrap-around, of the 182 words of the program directory and the
// top-of-program word at offset 5112.
#pragma once

#include <cstdint>

namespace qcrt {

// Axis record words beside the parameter slots.
constexpr int kAxisPGain = 0;
constexpr int kAxisSpeed = 5;
constexpr int kAxisAccel = 6;
constexpr int kAxisDecel = 7;
constexpr int kAxisJogSpeed = 9;
constexpr int kAxisAffGain = 10;
constexpr int kAxisFhSpeed = 11;
constexpr int kAxisUnits = 12;
constexpr int kAxisFeRange = 14;
constexpr int kAxisCreep = 16;
constexpr int kAxisFastDec = 17;
constexpr int kAxisFwdIn = 22;
constexpr int kAxisRevIn = 23;
constexpr int kAxisDatumIn = 24;
constexpr int kAxisFholdIn = 25;
constexpr int kAxisFsLimit = 26;
constexpr int kAxisRsLimit = 27;
constexpr int kAxisFwdJog = 116;
constexpr int kAxisRevJog = 117;
constexpr int kAxisFastJog = 118;
constexpr int kAxisForceSpeed = 173;
constexpr int kAxisEndMoveSpeed = 174;
constexpr int kAxisNumber = 254;

// The system values. Only those whose role the runtime knows carry a name of
// their own; the others keep the values the controller gives them.
struct SystemValues {
    int32_t controllerType; // read through CONTROL
    int32_t programAreaTop; // until the power-up restore reads the image's
    int32_t setting3;       // flash settings 3, 4, 5 and 8 as read at power-up
    int32_t setting4;
    int32_t setting5; // 32 to 40
    int32_t setting8;
    int32_t servoMicroseconds; // 250, 500, 1000 or 2000
    int32_t value16;
    int32_t value20;
    int32_t minusOne[2];
    int32_t value2748;
    float motionConstant1; // 8.192
    float motionConstant2; // 1.65
    bool defaultsSet;
};

extern SystemValues g_SystemValues;

// Set when CheckMemory finds the memory lost.
extern bool g_MemoryLost;

// The highest axis number a program has addressed (AXIS(n) raises it).
extern int32_t g_HighestAxisInUse;

// The number of TABLE entries in use; the power-up restore sets 256000.
constexpr int32_t kTableEntries = 256000;
extern int32_t g_TableEntriesInUse;

void SetAxisDefaults();
void SetUnitsDefaults(int axis);
void SetSystemDefaults();

// 1 when the stored checksum matches and the program directory is plausible;
// otherwise sets g_MemoryLost and returns 0.
int CheckMemory();
uint32_t ComputeMemoryChecksum();

// Empties the program directory and the program area, in the store and in
// the image, with a matching checksum.
void ResetMemory();

// The power-up restore; its messages go to the process's output channel.
void RestoreMemory(int process);

// INITIALISE: the axis defaults again, keeping each axis's type word.
void InitialiseAxes();
void Initialise(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
