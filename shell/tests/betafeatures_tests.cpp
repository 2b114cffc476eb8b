#include "shell/betafeatures.h"

#include <string>

#include <gtest/gtest.h>

#include "shell_test_support.h"
#include "testsupport/registry_sandbox.h"

namespace {

const std::string kConfig = std::string(kSettingsRoot) + "\\Config";

TEST_F(RegistrySandboxTest, BetaFeaturesFollowTheirKindAndOnlySwitchedOnesReadTheMasks)
{
    struct Case {
        DWORD mask00, mask01;
        BOOL expected[7]; // features -1 .. 5
    };
    const Case cases[] = {
        {0, 0, {FALSE, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE}},
        {0xFFFFFFFF, 0, {FALSE, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE}},
        {0, 1, {FALSE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE}},
        {0, 0xFFFFFFFE, {FALSE, TRUE, TRUE, FALSE, FALSE, FALSE, FALSE}},
        {0xFFFFFFFF, 0xFFFFFFFF, {FALSE, TRUE, TRUE, FALSE, FALSE, TRUE, FALSE}},
    };
    for (const Case& c : cases) {
        PutRegDword(kConfig, "BetaMask00", c.mask00);
        PutRegDword(kConfig, "BetaMask01", c.mask01);
        for (int n = -1; n <= 5; ++n)
            EXPECT_EQ(c.expected[n + 1], IsBetaFeatureEnabled(n))
                << "feature " << n << " masks " << c.mask00 << "," << c.mask01;
    }
}

TEST(BetaFeatureTableTest, FiveFeaturesWithTheirKindsAndNames)
{
    ASSERT_EQ(5, GetBetaFeatureCount());
    const DWORD kinds[] = {5, 5, 0, 0, 1};
    const DWORD names[] = {1283, 1284, 1285, 1286, 1303};
    for (int n = 0; n < 5; ++n) {
        const BetaFeatureRow* row = GetBetaFeature(n);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(static_cast<DWORD>(n), row->number);
        EXPECT_EQ(kinds[n], row->kind);
        EXPECT_EQ(names[n], row->nameId);
    }
    EXPECT_EQ(nullptr, GetBetaFeature(-1));
    EXPECT_EQ(nullptr, GetBetaFeature(5));
}

} // namespace
