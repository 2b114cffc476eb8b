#include "link/modeltables.h"

#include <gtest/gtest.h>

namespace {

TEST(ModelTableTest, EveryRowKnowsItsPlaceAndEveryCodeFindsItsOwnRow)
{
    for (int row = 0; row < CONTROLLER_MODEL_COUNT; ++row) {
        const ControllerModelInfo& model = ControllerModelTable[row];
        EXPECT_EQ(row, model.m_nRowIndex) << model.m_szName;
        if (row >= 2) {
            EXPECT_EQ(row, FindControllerModelByCode(model.m_nControlCode)) << model.m_szName;
        }
    }
    EXPECT_STREQ("None", GetControllerModel(0).m_szName);
    EXPECT_STREQ("None", GetControllerModel(34).m_szName);
    EXPECT_STREQ("QC374", GetControllerModel(23).m_szName);
    EXPECT_STREQ("QC232K", GetControllerModel(15).m_szSystemPrefix);
    EXPECT_STREQ("s37", GetControllerModel(15).m_szSystemExtension);
    EXPECT_EQ(33, GetControllerModel(26).m_nLinkMask);
}

TEST(ModelTableTest, TheControlCodeIdentifiesModelAndLock)
{
    struct Case {
        int value;
        int row;
        bool locked;
        bool found;
    };
    const Case cases[] = {
        {206, 8, false, true},  {1206, 8, true, true}, {464, 23, false, true}, {1464, 23, true, true},
        {2, 2, false, true},    {0, 0, false, false},  {999, 1, false, false}, {1000, 1, false, false},
        {1001, 1, true, false}, {-5, 0, false, false},
    };
    for (const Case& c : cases) {
        int row = -1;
        bool locked = !c.locked;
        EXPECT_EQ(c.found, IdentifyControlCode(c.value, row, locked)) << c.value;
        EXPECT_EQ(c.row, row) << c.value;
        EXPECT_EQ(c.locked, locked) << c.value;
    }
}

TEST(ModelTableTest, FindByNameIgnoresCaseAndWhatFollowsTheAt)
{
    struct Case {
        const char* text;
        int row;
    };
    const Case cases[] = {
        {"qc116@x", 8}, {"QC116", 8}, {"QC116x", 19},    {"qc116x@192.168.0.250", 19},
        {"Unknown", 1}, {"None", 0},  {"QC11", 0},       {"", 0},
        {"@QC116", 0},  {nullptr, 0}, {"zeta115XL", 18},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.row, FindControllerModelByName(c.text)) << (c.text ? c.text : "(null)");
}

TEST(ModelTableTest, MaximumAxesComeFromTheRowOrItsVariant)
{
    struct Case {
        int row;
        int variant;
        int axes;
    };
    const Case cases[] = {
        {23, 0, 8}, {23, 2, 32}, {23, 3, 64}, {23, 4, 64}, {23, 5, 0}, {23, -1, 0},
        {2, 0, 12}, {2, 4, 12},  {11, 1, 24}, {1, 0, 4},   {0, 0, 0},  {34, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.axes, GetMaxAxesForModel(c.row, c.variant)) << c.row << "/" << c.variant;
}

TEST(ModelTableTest, FamilyLimits)
{
    struct Case {
        int family;
        int values;
        int b;
        int c;
    };
    const Case cases[] = {{0, 80, 16, 0},  {1, 80, 80, 16}, {3, 80, 80, 16},
                          {4, 80, 80, 32}, {5, 80, 80, 16}, {-1, 80, 80, 16}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.values, GetValuesPerRequest(c.family)) << c.family;
        EXPECT_EQ(c.b, GetFamilyLimitB(c.family)) << c.family;
        EXPECT_EQ(c.c, GetFamilyLimitC(c.family)) << c.family;
    }
}

TEST(FeatureTableTest, VersionsModelFlagsAndSettingsDecide)
{
    const ControllerModelInfo& qc116 = GetControllerModel(8);   // family 2, feature flags set
    const ControllerModelInfo& zeta115 = GetControllerModel(6); // family 2, flags at 52..164 clear
    const ControllerModelInfo& qc232 = GetControllerModel(15);  // family 3
    const ControllerModelInfo& qc374 = GetControllerModel(23);  // family 4
    struct Case {
        const ControllerModelInfo& model;
        int feature;
        double version;
        bool development;
        bool iec;
        bool available;
    };
    const Case cases[] = {
        {qc116, 12, 1.6505, false, false, false},
        {qc116, 12, 1.6505, true, false, true},
        {qc116, 1, 1.16, false, false, true},
        {qc116, 1, 1.1599995, false, false, true}, // within 1e-6 of the table value
        {qc116, 1, 1.159998, false, false, false},
        {qc116, 7, 1.61, false, false, true},
        {zeta115, 7, 9.0, false, false, false}, // the model does not enable it
        {zeta115, 2, 1.4805, false, false, true},
        {qc232, 2, 99.0, false, false, false}, // never on family 3
        {qc374, 2, 99.0, false, false, false}, // nor on family 4
        {qc374, 31, 2.001, false, true, true},
        {qc374, 31, 2.001, false, false, false}, // IEC 61131 switched off
        {qc374, 31, 2.0007, true, true, true},
        {qc374, 16, 0.0, false, false, true},
        {GetControllerModel(0), 0, 0.0, false, false, true},
        {GetControllerModel(0), 1, 99.0, false, false, false}, // family 0 has no features
        {qc116, 38, 99.0, false, false, false},
        {qc116, -1, 99.0, false, false, false},
        {qc116, 28, 99.0, false, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.available, IsFeatureAvailable(c.model, c.feature, c.version, c.development, c.iec))
            << c.model.m_szName << " feature " << c.feature << " at " << c.version;
    }
}

TEST(FeatureTableTest, ProgramKindsAndLinkTypesMapToFeaturesAndMaskBits)
{
    const int kinds[][2] = {{0, 0}, {1, 10}, {2, 12}, {3, 29}, {4, 31}, {9, 37}, {5, -1}, {-1, -1}};
    for (const auto& kind : kinds)
        EXPECT_EQ(kind[1], GetProgramTypeFeature(kind[0])) << kind[0];
    const int links[][2] = {{1, 1}, {2, 2}, {3, 4}, {4, 8}, {5, 16}, {6, 0}, {0, 0}};
    for (const auto& link : links)
        EXPECT_EQ(link[1], GetLinkTypeMaskBit(link[0])) << link[0];
}

} // namespace
