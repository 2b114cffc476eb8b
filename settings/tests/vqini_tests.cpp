#include "settings/vqini.h"

#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"

namespace {

class VQIniTest : public testing::Test {
protected:
    void SetUp() override
    {
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        m_path = std::string(folder) + "vqini_test_" + std::to_string(GetCurrentProcessId()) + ".ini";
        std::ofstream out(m_path, std::ios::binary);
        out << "[IO_Description_QC4]\r\nI_0003=Start button\r\nO_0012 = Lamp red \r\n"
               "[IO_Description_QC8]\r\nI_0003=Other\r\n";
    }
    void TearDown() override { DeleteFileA(m_path.c_str()); }
    std::string m_path;
};

TEST_F(VQIniTest, IODescriptionsByModelKindAndNumber)
{
    CVQIni ini(m_path.c_str());
    EXPECT_STREQ("Start button", ini.GetIODescription("QC4", 'I', 3));
    EXPECT_STREQ("Lamp red", ini.GetIODescription("QC4", 'O', 12));
    EXPECT_STREQ("Lamp red", ini.GetIODescription("QC4", 12, 'O'));
    EXPECT_STREQ("Other", ini.GetIODescription("qc8", 'I', 3));
    EXPECT_STREQ("", ini.GetIODescription("QC4", 'I', 12));
    EXPECT_STREQ("", ini.GetIODescription("QC2", 'I', 3));
}

TEST(VQIniPathTest, TheProductFileLiesBesideTheProgram)
{
    CVQIni ini;
    EXPECT_STREQ(GetProgramDirectory() + "\\Vorta.ini", ini.GetFilePath());
    EXPECT_STREQ("", ini.GetIODescription("QC4", 'I', 1));
}

} // namespace
