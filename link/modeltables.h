// The controller model table and the feature-version table, and the
// look-ups over them that identification and feature tests use.
//
// Each controller model has one row, keyed by the code it reports for
// "?CONTROL[0]". A row is 49 32-bit words (196 bytes); the words this
// module names lie at fixed byte positions, the others are kept for the
// schematic, memory and system-software code of other parts of the
// program. Row 0 ("None") stands for no controller, row 1 ("Unknown") for
// a controller whose code is in no row.
//
// The feature-version table gives, per feature id and model family, the
// lowest system-software version (release and development) that has the
// feature.
//
// This header includes no Win32 header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/types.h"

struct ControllerModelInfo {
    char m_szName[12];              // 0
    std::int32_t m_nControlCode;    // 12: "?CONTROL[0]" without the lock offset
    std::int32_t m_nRowIndex;       // 16
    std::int32_t m_nAxes;           // 20: -1 = by variant (GetMaxAxesForModel)
    std::int32_t m_nWords24[6];     // 24..47
    std::int32_t m_nPowerUpCapable; // 48: keeps the POWER_UP setting
    std::int32_t m_nFeatureFlag7;   // 52: enables feature 7
    std::int32_t m_nFeatureFlag30;  // 56: enables feature 30
    std::int32_t m_nWords60[3];     // 60..71
    std::int32_t m_nFeatureFlag21;  // 72: enables feature 21
    std::int32_t m_nMemory;         // 76: program memory size
    std::int32_t m_nWord80;         // 80
    std::int32_t m_nVRCount;        // 84
    std::int32_t m_nWords88[2];     // 88..95
    char m_szSystemPrefix[8];       // 96: system software file-name prefix
    char m_szSystemExtension[4];    // 104: "out" or "s37"
    std::int32_t m_nWord108;        // 108
    std::int32_t m_nFamily;         // 112: 0..4, column of the feature table
    std::int32_t m_nWords116[3];    // 116..127
    std::int32_t m_nLinkMask;       // 128: LINK_MASK_ bits the model accepts
    std::int32_t m_nWords132[8];    // 132..163
    std::int32_t m_nFeatureFlag9;   // 164: enables features 9 and 27
    std::int32_t m_nWord168;        // 168
    std::int32_t m_nFeatureFlag32;  // 172: enables feature 32
    std::int32_t m_nWords176[2];    // 176..183
    std::int32_t m_nFeatureFlag34;  // 184: enables feature 34
    std::int32_t m_nWords188[2];    // 188..195
};
static_assert(sizeof(ControllerModelInfo) == 196, "a model row is 49 words");
static_assert(offsetof(ControllerModelInfo, m_nPowerUpCapable) == 48);
static_assert(offsetof(ControllerModelInfo, m_nFeatureFlag21) == 72);
static_assert(offsetof(ControllerModelInfo, m_szSystemPrefix) == 96);
static_assert(offsetof(ControllerModelInfo, m_nFamily) == 112);
static_assert(offsetof(ControllerModelInfo, m_nLinkMask) == 128);
static_assert(offsetof(ControllerModelInfo, m_nFeatureFlag9) == 164);
static_assert(offsetof(ControllerModelInfo, m_nFeatureFlag34) == 184);

const int CONTROLLER_MODEL_COUNT = 34;
const int MODEL_ROW_NONE = 0;
const int MODEL_ROW_UNKNOWN = 1;

// Link mask bits of a model row.
enum : int {
    LINK_MASK_SERIAL = 1,
    LINK_MASK_USB = 2,
    LINK_MASK_SIMULATOR = 4,
    LINK_MASK_ETHERNET = 8,
    LINK_MASK_PCI = 16,
};

// The model table, CONTROLLER_MODEL_COUNT rows.
extern const ControllerModelInfo ControllerModelTable[CONTROLLER_MODEL_COUNT];

// Row by number; row 0 ("None") for a number outside the table.
const ControllerModelInfo& GetControllerModel(int row);

// The text up to the first "@" (all of it without one), compared without
// regard to case with the names of rows 1 to 33 in order: the first match's
// row, 0 when none matches.
int FindControllerModelByName(LPCSTR text);

// The row whose CONTROL code equals code (rows 2 to 33); -1 when none.
int FindControllerModelByCode(int code);

// Reads the answer to "?CONTROL[0]": a value above 1000 is a locked
// controller with 1000 added. Sets row to the model's row, or when no row
// has the code to 1 ("Unknown") for a value of 1 or more and 0 ("None")
// otherwise; returns whether a model row was found.
bool IdentifyControlCode(int value, int& row, bool& locked);

// Axis counts of the variants 0..4 for rows whose axes value is -1.
const int MODEL_VARIANT_COUNT = 5;
const int MAX_CONTROLLER_AXES = 128;

// The axes of a model: 0 when the row is not 1..33 or the variant is not
// 0..4; the row's axes, or for -1 the variant's; at most 128.
int GetMaxAxesForModel(int row, int variant);

// The three limits of a model family (0..4); any other family gives the
// values of families 1 to 3 (80, 80, 16).
int GetValuesPerRequest(int family);
int GetFamilyLimitB(int family);
int GetFamilyLimitC(int family);

// Feature ids 0..37; 0 is always available.
const int FEATURE_COUNT = 38;
const int FEATURE_CHANNEL_MODE = 1;
const int FEATURE_PACKET_MODE = 2;
const int FEATURE_IEC61131 = 31;
// Version that stands for "never".
const double FEATURE_NEVER = 999999.0;

struct FeatureVersions {
    double release;
    double development;
};
// FeatureVersionTable[id][family - 1] for families 1..4.
extern const FeatureVersions FeatureVersionTable[FEATURE_COUNT][4];

// Whether a model running system software version has a feature:
// feature 0 always; ids outside 1..37 never; the model's enable flags for
// features 7, 9, 21, 27, 30, 32 and 34 and the IEC 61131 setting for
// feature 31 must be non-zero; then the version must reach the table's
// value (release or development column) less 1e-6. A family outside 1..4
// has no features.
bool IsFeatureAvailable(const ControllerModelInfo& model, int feature, double version, bool useDevelopmentVersions,
                        bool enableIEC61131);

// The feature a program kind needs: kind 0 none (0), kinds 1, 2, 3, 4 and 9
// features 10, 12, 29, 31 and 37; -1 for a kind that is never supported.
int GetProgramTypeFeature(int kind);

// The link mask bit of a link type (1 serial, 2 USB, 3 simulator window
// link, 4 Ethernet, 5 PCI); 0 for any other type.
int GetLinkTypeMaskBit(int linkType);
