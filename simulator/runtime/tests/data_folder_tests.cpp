// The simulator's data folder and its bounded copy.
#include <gtest/gtest.h>

#include <cstring>

#include "simulator/runtime/data_folder.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

class DataFolder : public testing::Test {
protected:
    const std::string local = "C:\\users\\tester\\AppData\\Local";
    const std::string vendor = local + "\\VexoLabs";
    const std::string folder = vendor + "\\QCSimulator";

    RuntimeEnvironment env;
};

TEST_F(DataFolder, MissingLevelsAreCreatedInTurn)
{
    EXPECT_EQ(GetSimulatorDataFolder(true), folder);
    EXPECT_EQ(env.host.created, (std::vector<std::string>{vendor, folder}));
    EXPECT_TRUE(env.host.prompts.empty());
}

TEST_F(DataFolder, ExistingFolderCreatesNothing)
{
    env.host.directories = {local, vendor, folder};
    EXPECT_EQ(GetSimulatorDataFolder(true), folder);
    EXPECT_TRUE(env.host.created.empty());
    EXPECT_TRUE(env.host.prompts.empty());
}

TEST_F(DataFolder, FailedLevelIsReportedAndGivesNoFolder)
{
    env.host.failingDirectories = {folder};
    EXPECT_EQ(GetSimulatorDataFolder(true), "");
    EXPECT_EQ(env.host.prompts, (std::vector<std::string>{"Error creating directory " + folder}));
    EXPECT_EQ(env.host.created, (std::vector<std::string>{vendor})) << "levels made before the failure stay";
}

TEST_F(DataFolder, WithoutCreateNothingIsTestedOrMade)
{
    env.host.directories.clear();
    EXPECT_EQ(GetSimulatorDataFolder(false), folder);
    EXPECT_TRUE(env.host.created.empty());
}

TEST_F(DataFolder, NoApplicationDataFolderIsSilent)
{
    env.host.appDataAvailable = false;
    EXPECT_EQ(GetSimulatorDataFolder(true), "");
    EXPECT_TRUE(env.host.prompts.empty());
}

TEST_F(DataFolder, DriveRootGetsOneBackslash)
{
    env.host.appData = "D:\\";
    env.host.directories = {"D:\\"};
    EXPECT_EQ(GetSimulatorDataFolder(true), "D:\\VexoLabs\\QCSimulator");
    EXPECT_EQ(env.host.created, (std::vector<std::string>{"D:\\VexoLabs", "D:\\VexoLabs\\QCSimulator"}));
}

TEST(CopyBounded, CopiesWhatFitsAndTellsWhetherAllFitted)
{
    struct Case {
        int destLength;
        int sourceLength;
        int result;
        const char* after; // destination of "........" afterwards
    };
    const Case cases[] = {
        {3, 5, 0, "abc....."}, {3, 3, 1, "abc....."}, {8, 2, 1, "ab......"},
        {0, 3, 0, "........"}, {3, 0, 0, "........"},
    };
    for (const Case& c : cases) {
        char dest[9] = "........";
        EXPECT_EQ(CopyBounded(dest, c.destLength, "abcde", c.sourceLength), c.result);
        EXPECT_STREQ(dest, c.after);
    }
    char dest[4] = "...";
    EXPECT_EQ(CopyBounded(nullptr, 3, "abc", 3), 0);
    EXPECT_EQ(CopyBounded(dest, 3, nullptr, 3), 0);
    EXPECT_STREQ(dest, "...");
}

} // namespace
