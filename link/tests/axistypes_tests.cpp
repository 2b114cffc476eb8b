#include "link/axistypes.h"

#include <gtest/gtest.h>

namespace {

TEST(AxisTypeTest, ModulesListTheirAxisTypesByKindAndMode)
{
    struct Case {
        int module;
        int kind;
        int subKind;
        int variant;
        int axisType;
    };
    const Case cases[] = {
        {0x10018, AXIS_KIND_SERCOS, AXIS_MODE_POSITION, 1, 23},
        {0x10018, AXIS_KIND_SERCOS, AXIS_MODE_POSITION, 0, 17},
        {0x10018, AXIS_KIND_SERCOS, AXIS_MODE_OPEN, 0, 0}, // type 25 is not listed for it
        {0x10020, AXIS_KIND_SERCOS, AXIS_MODE_TORQUE, 0, 55},
        {0x10015, AXIS_KIND_SERCOS, AXIS_MODE_POSITION, 0, 0},
        {0x10014, AXIS_KIND_CANOPEN, AXIS_MODE_SPEED, 0, 19},
        {0x10014, AXIS_KIND_CAN, 0, 0, 9},
        {0x10025, AXIS_KIND_A4N_POSITION, AXIS_MODE_POSITION, 0, 50},
        {0x1002B, AXIS_KIND_PLM, 0, 0, 62},
        {0x1003F, 0, 0, 0, 0},
        {0x10013, AXIS_KIND_CAN, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.axisType, FindDaughterBoardType(c.module, c.kind, c.subKind, c.variant))
            << std::hex << c.module << std::dec << " " << c.kind << "/" << c.subKind << "/" << c.variant;
    }
}

TEST(AxisTypeTest, EveryModuleIdHasItsRowByPosition)
{
    struct Case {
        int module;
        const char* name;
        int storedId;
    };
    const Case cases[] = {
        {0x10014, "CAN", 0x10014},
        {0x1001A, "DAC 4", 0x1001A},
        {0x1002C, "Flex SSI (8)", 0x1002C},
        {0x1002D, "Unallocated Module 45", 0x1002D},
        {0x1003D, "Unallocated Module 61", 0x1003D},
        {0x1003E, "AnyBUS Empty", 0x1003E},
        {0x1003F, "AnyBUS Module 63", 0x1003E},
        {0x1005D, "AnyBUS Module 93", 0x1003E},
        {0x1005E, "Unknown", 0x1005E},
    };
    for (const Case& c : cases) {
        const DaughterBoardRecord* record = FindDaughterBoardRecord(c.module);
        ASSERT_NE(nullptr, record) << std::hex << c.module;
        EXPECT_STREQ(c.name, record->m_szName);
        EXPECT_EQ(c.storedId, record->m_nModuleId) << c.name;
    }
    EXPECT_EQ(nullptr, FindDaughterBoardRecord(0x10013));
    EXPECT_EQ(nullptr, FindDaughterBoardRecord(0x1005F));
    const DaughterBoardRecord* analogue = FindDaughterBoardRecord(0x1001C);
    EXPECT_EQ(8, analogue->m_nChannels);
    EXPECT_EQ(5, analogue->m_nSecondCount);
    EXPECT_EQ(2, analogue->m_nPlacement);
    EXPECT_EQ(3, FindDaughterBoardRecord(0x10016)->m_nLast);
}

TEST(AxisTypeTest, Predicates)
{
    struct Case {
        BOOL (*predicate)(int);
        const char* name;
        int value;
        BOOL expected;
    };
    const Case cases[] = {
        {IsEncoderAxisType, "encoder", 1, TRUE},
        {IsEncoderAxisType, "encoder", 63, TRUE},
        {IsEncoderAxisType, "encoder", 8, FALSE},
        {IsEncoderAxisType, "encoder", 37, FALSE},
        {IsEncoderAxisType, "encoder", 0, FALSE},
        {IsEncoderAxisType, "encoder", 68, FALSE},
        {IsExpansionModuleId, "module", 0x10014, TRUE},
        {IsExpansionModuleId, "module", 0x1005D, TRUE},
        {IsExpansionModuleId, "module", 0x1005E, FALSE},
        {IsEncoderAxisTypeOrModule, "either", 2, TRUE},
        {IsEncoderAxisTypeOrModule, "either", 0x10020, TRUE},
        {IsEncoderAxisTypeOrModule, "either", 16, FALSE},
        {IsDriveNetworkAxisType, "network", 17, TRUE},
        {IsDriveNetworkAxisType, "network", 25, TRUE},
        {IsDriveNetworkAxisType, "network", 26, FALSE},
        {IsDriveNetworkAxisType, "network", 59, TRUE},
        {IsDriveNetworkAxisType, "network", 60, FALSE},
        {IsSlmPlmAxisType, "slm/plm", 20, TRUE},
        {IsSlmPlmAxisType, "slm/plm", 21, FALSE},
        {IsDriveLinkAxisType, "drivelink", 61, TRUE},
        {IsCanModule, "can", 0x10026, TRUE},
        {IsCanModule, "can", 0x10015, FALSE},
        {IsSercosModule, "sercos", 0x10020, TRUE},
        {IsSLMModule, "slm", 0x1002B, TRUE},
        {IsSlmModule, "slm", 0x10014, FALSE},
        {IsMechatrolinkModule, "mechatrolink", 0x10024, TRUE},
        {IsPanasonicModule, "panasonic", 0x10025, TRUE},
        {IsEthernetModule, "ethernet", 0x10019, TRUE},
        {IsEthernetModule, "ethernet", 0x1001E, FALSE},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, c.predicate(c.value)) << c.name << " " << std::hex << c.value;
    EXPECT_STREQ("SERCOS Speed + Regist", GetAxisTypeName(22));
    EXPECT_STREQ("", GetAxisTypeName(68));
}

} // namespace
