#include "shell/systemregistry.h"

#include <gtest/gtest.h>

#include "shell_test_support.h"
#include "testsupport/registry_sandbox.h"

namespace {

const char kAdvanced[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";

TEST_F(RegistrySandboxTest, HideFileExtReadsOneUntilStoredAndCreatesItsKey)
{
    CSystemRegistry explorer;
    EXPECT_EQ(1u, explorer.GetHideFileExt()); // no key
    ASSERT_FALSE(RegKeyExists(kAdvanced));

    explorer.SetHideFileExt(0);
    EXPECT_EQ(0, RegDword(kAdvanced, "HideFileExt"));
    EXPECT_EQ(0u, explorer.GetHideFileExt());

    // A key without the value reads 1 again.
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyValueA(HKEY_CURRENT_USER, kAdvanced, "HideFileExt"));
    EXPECT_EQ(1u, explorer.GetHideFileExt());
}

} // namespace
