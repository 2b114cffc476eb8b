// The installers' environment: the machine's architecture from the
// system's answers, and how the programs show their messages.
#include "setup/setupenvironment.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/prompt.h"
#include "testsupport/scripted_prompts.h"

namespace {

const CNativeMachine kAmd64 = {TRUE, 0x8664, 0};
const CNativeMachine kX86 = {TRUE, 0x014C, 0};
const CNativeMachine kArm64 = {TRUE, 0xAA64, 0};

TEST(SetupEnvironmentTest, NamesTheMachinesArchitecture)
{
    const struct {
        CNativeMachine machine;
        const char* name;
    } cases[] = {
        {kAmd64, "amd64"},
        {kX86, "x86"},
        {kArm64, "arm64"},
        {{TRUE, 0x0200, 0}, "unknown"}, // Itanium
        {{TRUE, 0x0000, 9}, "unknown"}, // IsWow64Process2's answer counts alone
        {{FALSE, 0, 9}, "amd64"},
        {{FALSE, 0, 0}, "x86"},
        {{FALSE, 0, 12}, "arm64"},
        {{FALSE, 0, 6}, "unknown"},
        {{FALSE, 0x8664, 0xFFFF}, "unknown"},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.name, GetArchitectureName(c.machine))
            << c.machine.bFromWow64Process2 << " " << c.machine.nMachine << " " << c.machine.wProcessorArchitecture;
    // Wine runs here on a 64-bit x86 machine.
    EXPECT_STREQ("amd64", GetArchitectureName(CSetupEnvironment().GetNativeMachine()));
}

TEST(SetupEnvironmentTest, ShowsEachMessageSystemModalUnderTheProgramsName)
{
    const std::string oldName = AfxGetAppName();
    AfxSetAppName("DrvPackSetup");
    {
        ScriptedPrompts prompts;
        EXPECT_EQ(0, ShowSetupMessages({}));
        EXPECT_TRUE(prompts.Records().empty());

        EXPECT_EQ(1, ShowSetupMessages({"File not found: C:\\Setup\\WinMerge*.exe", "Error installing WinMerge"}));
        const std::vector<ScriptedPrompts::Record> records = prompts.Records();
        ASSERT_EQ(2u, records.size());
        EXPECT_EQ((std::vector<std::string>{"File not found: C:\\Setup\\WinMerge*.exe", "Error installing WinMerge"}),
                  prompts.Texts());
        for (const ScriptedPrompts::Record& record : records) {
            EXPECT_EQ("DrvPackSetup", record.caption);
            EXPECT_EQ(static_cast<UINT>(MB_OK | MB_SYSTEMMODAL), record.type);
            EXPECT_FALSE(record.detached);
        }
    }
    AfxSetAppName(oldName.c_str());
}

} // namespace
