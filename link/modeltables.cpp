#include "link/modeltables.h"

#include <cctype>
#include <cstring>

namespace {

constexpr void CopyName(char* target, std::size_t size, const char* text)
{
    std::size_t n = 0;
    for (; text[n] && n + 1 < size; ++n)
        target[n] = text[n];
    for (; n < size; ++n)
        target[n] = '\0';
}

// One row: the flags are those at byte positions 52, 56, 72, 164, 172 and
// 184, in that order.
struct Flags {
    int at52, at56, at72, at164, at172, at184;
};

constexpr ControllerModelInfo MakeModel(int row, const char* name, int code, int axes, int family, int powerUp,
                                        int memory, int vrCount, const char* prefix, const char* extension,
                                        int linkMask, Flags flags)
{
    ControllerModelInfo model{};
    CopyName(model.m_szName, sizeof model.m_szName, name);
    model.m_nControlCode = code;
    model.m_nRowIndex = row;
    model.m_nAxes = axes;
    model.m_nPowerUpCapable = powerUp;
    model.m_nFeatureFlag7 = flags.at52;
    model.m_nFeatureFlag30 = flags.at56;
    model.m_nFeatureFlag21 = flags.at72;
    model.m_nMemory = memory;
    model.m_nVRCount = vrCount;
    CopyName(model.m_szSystemPrefix, sizeof model.m_szSystemPrefix, prefix);
    CopyName(model.m_szSystemExtension, sizeof model.m_szSystemExtension, extension);
    model.m_nFamily = family;
    model.m_nLinkMask = linkMask;
    model.m_nFeatureFlag9 = flags.at164;
    model.m_nFeatureFlag32 = flags.at172;
    model.m_nFeatureFlag34 = flags.at184;
    return model;
}

const int kVariantAxes[MODEL_VARIANT_COUNT] = {8, 16, 32, 64, 64};

struct FamilyLimits {
    int valuesPerRequest, limitB, limitC;
};
const FamilyLimits kFamilyLimits[5] = {{80, 16, 0}, {80, 80, 16}, {80, 80, 16}, {80, 80, 16}, {80, 80, 32}};
const FamilyLimits kOtherFamilyLimits = {80, 80, 16};

const FamilyLimits& LimitsOf(int family)
{
    return (family >= 0 && family < 5) ? kFamilyLimits[family] : kOtherFamilyLimits;
}

} // namespace

// clang-format off
const ControllerModelInfo ControllerModelTable[CONTROLLER_MODEL_COUNT] = {
    //        row name         code axes fam PU  memory  VRs    prefix    ext    links  flags 52,56,72,164,172,184
    MakeModel(0,  "None",      0,   0,   0,  1,  16000,  251,   "",       "",    1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(1,  "Unknown",   0,   4,   0,  1,  16000,  251,   "",       "",    1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(2,  "QC2",       2,   12,  1,  1,  16000,  251,   "a",      "out", 1,  {0, 0, 0, 0, 0, 1}),
    MakeModel(3,  "QC110",     200, 16,  2,  1,  16000,  1024,  "",       "",    0,  {0, 0, 1, 1, 0, 0}),
    MakeModel(4,  "QC112",     202, 3,   1,  0,  8000,   251,   "e",      "out", 1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(5,  "QC114",     204, 4,   1,  1,  16000,  251,   "b",      "out", 1,  {0, 0, 0, 0, 0, 1}),
    MakeModel(6,  "Zeta115",   205, 8,   2,  1,  16000,  251,   "f",      "out", 1,  {0, 0, 0, 0, 0, 1}),
    MakeModel(7,  "Zeta115x",  255, 8,   2,  1,  32000,  1024,  "k",      "out", 1,  {0, 0, 1, 1, 0, 1}),
    MakeModel(8,  "QC116",     206, 8,   2,  1,  16000,  1024,  "h",      "out", 1,  {1, 1, 1, 1, 0, 1}),
    MakeModel(9,  "PCX118",    208, 8,   2,  0,  32000,  1024,  "j",      "out", 16, {0, 0, 1, 1, 0, 1}),
    MakeModel(10, "QC126",     216, 16,  1,  1,  16000,  251,   "c",      "out", 1,  {0, 0, 0, 0, 0, 1}),
    MakeModel(11, "QC134",     224, 24,  2,  1,  256000, 1024,  "i",      "out", 1,  {1, 1, 1, 1, 0, 1}),
    MakeModel(12, "QC312",     250, 4,   1,  1,  16000,  251,   "d",      "out", 1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(13, "QC312e",    251, 8,   1,  1,  16000,  251,   "d",      "out", 1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(14, "QCV71",     260, 3,   2,  0,  8000,   251,   "g",      "out", 1,  {0, 0, 0, 0, 0, 0}),
    MakeModel(15, "QC232-K",   291, 3,   3,  0,  4000,   256,   "QC232K", "s37", 1,  {0, 0, 1, 1, 0, 0}),
    MakeModel(16, "RJ1-QC26",  262, 16,  2,  1,  16000,  1024,  "QCX",    "out", 8,  {0, 0, 1, 1, 0, 0}),
    MakeModel(17, "QC232-L",   292, 3,   3,  0,  4000,   251,   "QC232L", "s37", 1,  {0, 0, 1, 1, 0, 0}),
    MakeModel(18, "Zeta115xl", 254, 4,   2,  1,  32000,  1024,  "l",      "out", 1,  {0, 0, 1, 1, 0, 1}),
    MakeModel(19, "QC116x",    207, 8,   2,  1,  32000,  1024,  "m",      "out", 1,  {1, 1, 1, 1, 0, 1}),
    MakeModel(20, "QC232X",    293, 3,   3,  0,  16000,  1024,  "QC232X", "s37", 1,  {0, 0, 1, 1, 0, 0}),
    MakeModel(21, "RJ1-QC14",  263, 16,  2,  1,  16000,  1024,  "QCX",    "out", 8,  {0, 0, 1, 1, 0, 0}),
    MakeModel(22, "QLN115",    294, 8,   2,  0,  4000,   256,   "n",      "out", 1,  {0, 0, 1, 1, 0, 0}),
    MakeModel(23, "QC374",     464, -1,  4,  1,  256000, 65536, "QC374",  "out", 8,  {0, 1, 1, 1, 1, 0}),
    MakeModel(24, "QC119",     209, 16,  2,  1,  16000,  1024,  "p",      "out", 8,  {0, 1, 1, 1, 0, 1}),
    MakeModel(25, "Zeta119",   259, 16,  2,  1,  16000,  1024,  "q",      "out", 8,  {0, 1, 1, 1, 0, 1}),
    MakeModel(26, "QCK82",     264, 16,  2,  1,  16000,  1024,  "KJ1",    "out", 33, {0, 0, 1, 1, 0, 0}),
    MakeModel(27, "RJ2-QC74",  266, -1,  4,  1,  256000, 65536, "QC74",   "out", 8,  {0, 0, 1, 1, 0, 0}),
    MakeModel(28, "PCX124",    214, 14,  2,  0,  32000,  1024,  "r",      "out", 16, {0, 0, 1, 1, 0, 1}),
    MakeModel(29, "RJ2-QC14",  267, 5,   4,  1,  256000, 65536, "QC74",   "out", 8,  {0, 0, 1, 1, 0, 0}),
    MakeModel(30, "RJ2-QC26",  268, 16,  4,  1,  256000, 65536, "QC74",   "out", 8,  {0, 0, 1, 1, 0, 0}),
    MakeModel(31, "QC315",     405, 16,  4,  0,  512000, 65536, "QC315",  "out", 9,  {0, 1, 1, 1, 0, 0}),
    MakeModel(32, "QC313",     403, 16,  4,  0,  512000, 65536, "QC313",  "out", 9,  {0, 1, 1, 1, 0, 0}),
    MakeModel(33, "QC310",     400, -1,  4,  1,  256000, 65536, "",       "",    0,  {0, 1, 1, 1, 1, 0}),
};

namespace {
const FeatureVersions N = {FEATURE_NEVER, FEATURE_NEVER};
const FeatureVersions A = {0.0, 0.0}; // always
}

const FeatureVersions FeatureVersionTable[FEATURE_COUNT][4] = {
    //  family 1             family 2             family 3             family 4
    /* 0 */  {A,                  A,                   A,                   A},
    /* 1 */  {{1.16, 1.16},       {1.16, 1.16},        A,                   A},
    /* 2 */  {{1.4805, 1.4805},   {1.4805, 1.4805},    N,                   N},
    /* 3 */  {{1.4811, 1.4811},   {1.4811, 1.4811},    A,                   A},
    /* 4 */  {{1.4814, 1.4814},   {1.4814, 1.4814},    N,                   A},
    /* 5 */  {{1.5, 1.5},         {1.5, 1.5},          {1.9026, 1.9026},    A},
    /* 6 */  {{1.5101, 1.5101},   {1.5101, 1.5101},    {1.9025, 1.9025},    A},
    /* 7 */  {{1.61, 1.61},       {1.61, 1.61},        N,                   A},
    /* 8 */  {N,                  {1.6108, 1.6108},    {1.9203, 1.9203},    A},
    /* 9 */  {N,                  {1.63, 1.63},        {1.9203, 1.9203},    A},
    /* 10 */ {N,                  {1.63, 1.63},        {1.9203, 1.9203},    A},
    /* 11 */ {N,                  {1.6309, 1.6309},    N,                   A},
    /* 12 */ {N,                  {1.6513, 1.65},      N,                   A},
    /* 13 */ {N,                  {1.6401, 1.6322},    {1.9311, 1.9311},    A},
    /* 14 */ {N,                  {1.64, 1.6336},      {1.9027, 1.9027},    A},
    /* 15 */ {N,                  {1.6322, 1.6322},    {1.9301, 1.9301},    A},
    /* 16 */ {N,                  N,                   N,                   A},
    /* 17 */ {N,                  {1.6419, 1.6419},    N,                   A},
    /* 18 */ {N,                  {1.6407, 1.6407},    N,                   A},
    /* 19 */ {N,                  {1.6414, 1.6414},    {1.9201, 1.9201},    A},
    /* 20 */ {N,                  {1.6423, 1.6423},    N,                   A},
    /* 21 */ {N,                  {1.64, 1.64},        N,                   A},
    /* 22 */ {N,                  {1.6468, 1.6468},    N,                   A},
    /* 23 */ {N,                  {1.65, 1.6497},      N,                   A},
    /* 24 */ {N,                  {1.649, 1.649},      N,                   A},
    /* 25 */ {N,                  {1.6514, 1.6514},    N,                   A},
    /* 26 */ {N,                  {1.66, 1.66},        N,                   A},
    /* 27 */ {N,                  {1.6653, 1.665},     N,                   {2.001, 2.0006}},
    /* 28 */ {N,                  N,                   N,                   N},
    /* 29 */ {N,                  {1.663, 1.6627},     N,                   A},
    /* 30 */ {N,                  {1.663, 1.6627},     N,                   A},
    /* 31 */ {N,                  N,                   N,                   {2.001, 2.0006}},
    /* 32 */ {N,                  N,                   N,                   {2.001, 2.0006}},
    /* 33 */ {N,                  {1.65, 1.65},        {1.92, 1.92},        {2.0025, 2.0024}},
    /* 34 */ {{1.4814, 1.4814},   {1.4814, 1.4814},    N,                   N},
    /* 35 */ {N,                  N,                   N,                   A},
    /* 36 */ {N,                  N,                   N,                   {2.0084, 2.0084}},
    /* 37 */ {N,                  N,                   N,                   {2.0137, 2.0137}},
};
// clang-format on

const ControllerModelInfo& GetControllerModel(int row)
{
    if (row < 0 || row >= CONTROLLER_MODEL_COUNT)
        row = MODEL_ROW_NONE;
    return ControllerModelTable[row];
}

int FindControllerModelByName(LPCSTR text)
{
    if (!text)
        return MODEL_ROW_NONE;
    const char* at = std::strchr(text, '@');
    const std::size_t length = at ? static_cast<std::size_t>(at - text) : std::strlen(text);
    for (int row = MODEL_ROW_UNKNOWN; row < CONTROLLER_MODEL_COUNT; ++row) {
        const char* name = ControllerModelTable[row].m_szName;
        if (std::strlen(name) != length)
            continue;
        std::size_t n = 0;
        while (n < length &&
               std::tolower(static_cast<unsigned char>(name[n])) == std::tolower(static_cast<unsigned char>(text[n])))
            ++n;
        if (n == length)
            return row;
    }
    return MODEL_ROW_NONE;
}

int FindControllerModelByCode(int code)
{
    // Rows 0 and 1 carry code 0 and are found only as the fall-back.
    for (int row = 2; row < CONTROLLER_MODEL_COUNT; ++row) {
        if (ControllerModelTable[row].m_nControlCode == code)
            return row;
    }
    return -1;
}

bool IdentifyControlCode(int value, int& row, bool& locked)
{
    locked = value > 1000;
    if (locked)
        value -= 1000;
    const int found = FindControllerModelByCode(value);
    if (found >= 0) {
        row = found;
        return true;
    }
    row = value >= 1 ? MODEL_ROW_UNKNOWN : MODEL_ROW_NONE;
    return false;
}

int GetMaxAxesForModel(int row, int variant)
{
    if (row < 1 || row >= CONTROLLER_MODEL_COUNT || variant < 0 || variant >= MODEL_VARIANT_COUNT)
        return 0;
    int axes = ControllerModelTable[row].m_nAxes;
    if (axes == -1)
        axes = kVariantAxes[variant];
    return axes > MAX_CONTROLLER_AXES ? MAX_CONTROLLER_AXES : axes;
}

int GetValuesPerRequest(int family)
{
    return LimitsOf(family).valuesPerRequest;
}

int GetFamilyLimitB(int family)
{
    return LimitsOf(family).limitB;
}

int GetFamilyLimitC(int family)
{
    return LimitsOf(family).limitC;
}

bool IsFeatureAvailable(const ControllerModelInfo& model, int feature, double version, bool useDevelopmentVersions,
                        bool enableIEC61131)
{
    if (feature == 0)
        return true;
    if (feature < 1 || feature >= FEATURE_COUNT)
        return false;
    int enable = 1;
    switch (feature) {
    case 7:
        enable = model.m_nFeatureFlag7;
        break;
    case 30:
        enable = model.m_nFeatureFlag30;
        break;
    case 21:
        enable = model.m_nFeatureFlag21;
        break;
    case 9:
    case 27:
        enable = model.m_nFeatureFlag9;
        break;
    case 32:
        enable = model.m_nFeatureFlag32;
        break;
    case 34:
        enable = model.m_nFeatureFlag34;
        break;
    case FEATURE_IEC61131:
        enable = enableIEC61131 ? 1 : 0;
        break;
    default:
        break;
    }
    if (!enable)
        return false;
    if (model.m_nFamily < 1 || model.m_nFamily > 4)
        return false;
    const FeatureVersions& versions = FeatureVersionTable[feature][model.m_nFamily - 1];
    const double needed = useDevelopmentVersions ? versions.development : versions.release;
    return version >= needed - 1e-6;
}

int GetProgramTypeFeature(int kind)
{
    switch (kind) {
    case 0:
        return 0;
    case 1:
        return 10;
    case 2:
        return 12;
    case 3:
        return 29;
    case 4:
        return 31;
    case 9:
        return 37;
    default:
        return -1;
    }
}

int GetLinkTypeMaskBit(int linkType)
{
    switch (linkType) {
    case 1:
        return LINK_MASK_SERIAL;
    case 2:
        return LINK_MASK_USB;
    case 3:
        return LINK_MASK_SIMULATOR;
    case 4:
        return LINK_MASK_ETHERNET;
    case 5:
        return LINK_MASK_PCI;
    default:
        return 0;
    }
}
