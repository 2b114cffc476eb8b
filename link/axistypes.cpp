#include "link/axistypes.h"

#include <cstddef>

// clang-format off
const DaughterBoardType AxisTypeTable[AXIS_TYPE_COUNT] = {
    {"0", 0, 0, 0},
    {"Stepper", 1, 0, 0},
    {"Servo", 1, 0, 0},
    {"Encoder", 1, 0, 0},
    {"Stepper-Encoder", 1, 0, 0},
    {"Resolver", 1, 0, 0},
    {"Voltage Output", 1, 0, 0},
    {"Absolute SSI Servo", 1, 0, 0},
    {"CAN", 0, 0, 0},
    {"CAN Axis", 2, 0, 0},
    {"PSwitch", 1, 0, 0},                    // 10
    {"SLM", 4, 0, 0},
    {"Enhanced Servo", 1, 0, 0},
    {"Drive Module", 1, 0, 0},
    {"Encoder Output", 1, 0, 0},
    {"Vexo CAN", 2, 0, 0},
    {"SERCOS Speed", 6, 2, 0},
    {"SERCOS Position", 6, 1, 0},
    {"CANopen Position", 3, 1, 0},
    {"CANopen Speed", 3, 2, 0},
    {"PLM", 5, 0, 0},                        // 20
    {"Lenze CAN", 2, 0, 0},
    {"SERCOS Speed + Regist", 6, 2, 1},
    {"SERCOS Position + Regist", 6, 1, 1},
    {"SERCOS Torque", 6, 3, 0},
    {"SERCOS Speed Open", 6, 4, 0},
    {"CAN 402 Position", 2, 1, 0},
    {"CAN 402 Speed", 2, 2, 0},
    {"Unknown 28", 0, 0, 0},
    {"Unknown 29", 0, 0, 0},
    {"Analogue Feedback", 1, 0, 0},          // 30
    {"Tamagawa Stepper", 1, 0, 0},
    {"Tamagawa Servo", 1, 0, 0},
    {"EnDat Stepper", 1, 0, 0},
    {"EnDat Servo", 1, 0, 0},
    {"PWM Stepper", 1, 0, 0},
    {"PWM Servo", 1, 0, 0},
    {"Stepper Z", 0, 0, 0},
    {"Metronix Direct", 1, 0, 0},
    {"Unknown 39", 0, 0, 0},
    {"Mechatrolink Position", 7, 1, 0},      // 40
    {"Mechatrolink Speed", 7, 2, 0},
    {"Mechatrolink Torque", 7, 3, 0},
    {"Stepper 32 bit", 1, 0, 0},
    {"Servo 32 bit", 1, 0, 0},
    {"Encoder Out 32 bit", 1, 0, 0},
    {"Tamagawa 32 Servo", 1, 0, 0},
    {"EnDat 32 Servo", 1, 0, 0},
    {"SSI 32 Servo", 1, 0, 0},
    {"Mechatrolink Inverter", 7, 0, 0},
    {"A4N Position", 8, 1, 0},               // 50
    {"A4N Speed", 9, 2, 0},
    {"A4N Torque", 9, 3, 0},
    {"SERCOS Speed", 6, 2, 0},
    {"SERCOS Position", 6, 1, 0},
    {"SERCOS Torque", 6, 3, 0},
    {"SERCOS Open", 6, 4, 0},
    {"SERCOS Speed + Regist", 6, 2, 1},
    {"SERCOS Position + Regist", 6, 1, 1},
    {"SERCOS Spare", 6, 0, 0},
    {"Servo 32 SD", 6, 0, 0},                // 60
    {"SLM", 4, 0, 0},
    {"PLM", 5, 0, 0},
    {"Stepper Z", 1, 0, 0},
    {"Quadrature Z", 1, 0, 0},
    {"EtherCAT Position", 10, 1, 0},
    {"EtherCAT Speed", 10, 2, 0},
    {"EtherCAT Torque", 10, 3, 0},
};
// clang-format on

namespace {

constexpr int kAnyBusEmptyId = 0x1003E;

struct ModuleRow {
    int id;
    const char* name;
    int axisTypes[8];
    int values[5]; // channels, second count, placement, flag 1, flag 2
    int last;
};

// clang-format off
constexpr ModuleRow kNamedModules[] = {
    {0x10014, "CAN",             {9, 15, 18, 19},       {0, 0, 0, 2, 2}, 0},
    {0x10015, "USB",             {},                    {0, 0, 0, 2, 2}, 0},
    {0x10016, "SLM",             {11},                  {0, 0, 0, 2, 2}, 3},
    {0x10017, "Profibus",        {},                    {0, 0, 0, 2, 2}, 0},
    {0x10018, "SERCOS",          {16, 17, 24, 22, 23},  {0, 0, 0, 2, 2}, 0},
    {0x10019, "Ethernet",        {},                    {0, 0, 0, 2, 2}, 0},
    {0x1001A, "DAC 4",           {},                    {4, 3, 1, 2, 2}, 0},
    {0x1001B, "DAC 8",           {},                    {0, 0, 0, 2, 2}, 0},
    {0x1001C, "Analogue 8 i/p",  {},                    {8, 5, 2, 2, 2}, 0},
    {0x1001D, "Enhanced CAN",    {9, 15, 18, 19},       {0, 0, 0, 2, 2}, 0},
    {0x1001E, "Ethernet IP",     {},                    {0, 0, 0, 2, 2}, 0},
    {0x1001F, "Mechatrolink 16", {40, 41, 42},          {0, 0, 0, 2, 2}, 0},
    {0x10020, "SERCOS",          {53, 54, 55, 57, 58},  {0, 0, 0, 2, 2}, 0},
    {0x10021, "Flex Axis",       {},                    {0, 0, 0, 2, 2}, 0},
    {0x10022, "Profibus",        {},                    {0, 0, 0, 2, 2}, 0},
    {0x10023, "DeviceNet",       {},                    {0, 0, 0, 2, 2}, 0},
    {0x10024, "Mechatrolink 4",  {40, 41, 42},          {0, 0, 0, 2, 2}, 0},
    {0x10025, "Panasonic A4N",   {50, 51, 52},          {0, 0, 0, 2, 2}, 0},
    {0x10026, "CANopen",         {18, 19},              {0, 0, 0, 2, 2}, 0},
    {0x10027, "Internal Axis",   {},                    {0, 0, 0, 0, 0}, 0},
    {0x10028, "Flex Axis (4)",   {},                    {0, 0, 0, 2, 3}, 0},
    {0x10029, "Flex Axis (8)",   {},                    {0, 0, 0, 2, 3}, 0},
    {0x1002A, "EtherCAT",        {},                    {0, 0, 0, 2, 2}, 0},
    {0x1002B, "SLM",             {61, 62},              {0, 0, 0, 2, 2}, 6},
    {0x1002C, "Flex SSI (8)",    {},                    {0, 0, 0, 2, 3}, 0},
};
// clang-format on

constexpr void SetName(DaughterBoardRecord& record, const char* text, int number = -1)
{
    std::size_t n = 0;
    for (; text[n] && n + 1 < sizeof record.m_szName; ++n)
        record.m_szName[n] = text[n];
    if (number >= 0) {
        // " " and the number in decimal (two digits at most here).
        char digits[4] = {};
        int count = 0;
        do {
            digits[count++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number && count < 3);
        record.m_szName[n++] = ' ';
        while (count > 0)
            record.m_szName[n++] = digits[--count];
    }
    for (; n < sizeof record.m_szName; ++n)
        record.m_szName[n] = '\0';
}

constexpr std::array<DaughterBoardRecord, MODULE_COUNT> BuildModuleTable()
{
    std::array<DaughterBoardRecord, MODULE_COUNT> table{};
    for (int index = 0; index < MODULE_COUNT; ++index) {
        DaughterBoardRecord& record = table[static_cast<std::size_t>(index)];
        const int id = FIRST_MODULE_ID + index;
        record.m_nModuleId = id;
        // The number in a generated name is the id's low part in decimal.
        const int number = id - 0x10000;
        if (id < 0x1002D) {
            const ModuleRow& row = kNamedModules[index];
            SetName(record, row.name);
            for (int n = 0; n < 8; ++n)
                record.m_nAxisTypes[n] = row.axisTypes[n];
            record.m_nChannels = row.values[0];
            record.m_nSecondCount = row.values[1];
            record.m_nPlacement = row.values[2];
            record.m_nFlag1 = row.values[3];
            record.m_nFlag2 = row.values[4];
            record.m_nLast = row.last;
            continue;
        }
        if (id < kAnyBusEmptyId) {
            SetName(record, "Unallocated Module", number);
            continue;
        }
        if (id == kAnyBusEmptyId)
            SetName(record, "AnyBUS Empty");
        else if (id < LAST_MODULE_ID) {
            SetName(record, "AnyBUS Module", number);
            record.m_nModuleId = kAnyBusEmptyId;
        } else
            SetName(record, "Unknown");
        record.m_nFlag1 = 2;
        record.m_nFlag2 = 2;
    }
    return table;
}

} // namespace

const std::array<DaughterBoardRecord, MODULE_COUNT> DaughterBoardTable = BuildModuleTable();

const DaughterBoardRecord* FindDaughterBoardRecord(int moduleId)
{
    if (moduleId < FIRST_MODULE_ID || moduleId > LAST_MODULE_ID)
        return nullptr;
    return &DaughterBoardTable[static_cast<std::size_t>(moduleId - FIRST_MODULE_ID)];
}

int FindDaughterBoardType(int moduleId, int kind, int subKind, int variant)
{
    for (const DaughterBoardRecord& record : DaughterBoardTable) {
        if (record.m_nModuleId != moduleId)
            continue;
        for (int type : record.m_nAxisTypes) {
            if (type == 0)
                break;
            if (type < 0 || type >= AXIS_TYPE_COUNT)
                continue;
            const DaughterBoardType& axis = AxisTypeTable[type];
            if (axis.m_nKind == kind && axis.m_nSubKind == subKind && axis.m_nVariant == variant)
                return type;
        }
        return 0;
    }
    return 0;
}

const char* GetAxisTypeName(int axisType)
{
    return (axisType >= 0 && axisType < AXIS_TYPE_COUNT) ? AxisTypeTable[axisType].m_szName : "";
}

BOOL IsEncoderAxisType(int axisType)
{
    return axisType >= 1 && axisType < AXIS_TYPE_COUNT && AxisTypeTable[axisType].m_nKind == AXIS_KIND_LOCAL;
}

BOOL IsExpansionModuleId(int moduleId)
{
    return moduleId >= FIRST_MODULE_ID && moduleId < LAST_MODULE_ID;
}

BOOL IsEncoderAxisTypeOrModule(int value)
{
    return IsEncoderAxisType(value) || IsExpansionModuleId(value);
}

BOOL IsDriveNetworkAxisType(int axisType)
{
    return axisType == 16 || axisType == 17 || (axisType >= 22 && axisType <= 25) || (axisType >= 53 && axisType <= 59);
}

BOOL IsSlmPlmAxisType(int axisType)
{
    return axisType == 11 || axisType == 20 || axisType == 61 || axisType == 62;
}

BOOL IsCanModule(int moduleId)
{
    return moduleId == 0x10014 || moduleId == 0x1001D || moduleId == 0x10026;
}

BOOL IsSercosModule(int moduleId)
{
    return moduleId == 0x10018 || moduleId == 0x10020;
}

BOOL IsSlmModule(int moduleId)
{
    return moduleId == 0x10016 || moduleId == 0x1002B;
}

BOOL IsMechatrolinkModule(int moduleId)
{
    return moduleId == 0x1001F || moduleId == 0x10024;
}

BOOL IsPanasonicModule(int moduleId)
{
    return moduleId == 0x10025;
}

BOOL IsEthernetModule(int moduleId)
{
    return moduleId == 0x10019;
}
