// Axis records: 24 axes of 255 32-bit words each. A parameter with an axis
// slot lives in the word of that number; some words hold floats, some
// integers, so the record is kept as raw words with typed accessors.
#pragma once

#include <bit>
#include <cstdint>

namespace qcrt {

constexpr int kAxisCount = 24;
constexpr int kAxisWords = 255;

// Words named by the host interface.
constexpr int kAxisFeLimit = 13;
constexpr int kAxisOutLimit = 15;
constexpr int kAxisRepDist = 18;
constexpr int kAxisServo = 21;
constexpr int kAxisType = 30;
constexpr int kAxisMpos = 36;
constexpr int kAxisEncoder = 103;
constexpr int kAxisVerify = 114;
constexpr int kAxisServoMode = 136;

struct AxisRecord {
    uint32_t words[kAxisWords];

    int32_t GetInt(int word) const { return static_cast<int32_t>(words[word]); }
    void SetInt(int word, int32_t value) { words[word] = static_cast<uint32_t>(value); }
    float GetFloat(int word) const { return std::bit_cast<float>(words[word]); }
    void SetFloat(int word, float value) { words[word] = std::bit_cast<uint32_t>(value); }
};

extern AxisRecord g_AxisRecords[kAxisCount];

// Two drive-interface entries per axis, set by the axis type.
extern int32_t g_DriveInterface[kAxisCount][2];

// The servo period in seconds (0.001 at power-up).
extern float g_ServoPeriod;

// Sets an axis's type and what the type implies (ATYPE, SERVO and the words
// that go with the type). Axes outside 0 to 23 are ignored.
void SetAxisType(int axis, int type);

// Called after the servo period is set.
void ServoPeriodChanged();

} // namespace qcrt
