// The resource settings file: its reader over the lines it may meet, the
// writer's exact text, and open failures shown through the prompts.
#include <windows.h>

#include <gtest/gtest.h>

#include "ieclink/kwmpelink.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

TEST(ResourceSettingsReader, ReadsTheCommunicationLine)
{
    struct Case {
        const char* line;
        int result;
        const char* library;
        const char* address;
        unsigned long port;
        unsigned long timeout;
    };
    const char* defLib = ".\\plc\\socomm.dll";
    const Case cases[] = {
        {"    COMPORT: DLL .\\plc\\socomm.dll -ip10.0.0.7 -p41100 -TO2000", 1, defLib, "10.0.0.7", 41100, 2000},
        {"  COMPORT: DLL .\\PLC\\SOCOMM.DLL -IP192.168.1.20 -P5000 -TO3000", 1, ".\\PLC\\SOCOMM.DLL", "192.168.1.20",
         5000, 3000},
        // In the first column as well as indented.
        {"COMPORT: DLL .\\plc\\socomm.dll -ip10.1.2.3 -p1 -TO2", 1, defLib, "10.1.2.3", 1, 2},
        {"\tcomport: dll .\\plc\\socomm.dll -ip10.1.2.4", 1, defLib, "10.1.2.4", 41100, 2000},
        // A "-p" inside the library's path is not the port.
        {"    COMPORT: DLL C:\\my-p9\\socomm.dll -ip10.1.1.1 -TO5", 1, "C:\\my-p9\\socomm.dll", "10.1.1.1", 41100, 5},
        // Options in any order; missing ones keep their defaults.
        {"    COMPORT: DLL x.dll -TO7 -p8 -ip1.2.3.4", 1, "x.dll", "1.2.3.4", 8, 7},
        {"    COMPORT: DLL x.dll -p8", 1, "x.dll", "192.168.0.250", 8, 2000},
        {"    COMPORT: DLL x.dll -p4294967295 -TO4294967295", 1, "x.dll", "192.168.0.250", 4294967295ul, 4294967295ul},
        {"    COMPORT: DLL x.dll -p4294967296 -TO-1", 1, "x.dll", "192.168.0.250", 41100, 2000},
        {"    COMPORT: DLL x.dll -ip300.1.1.1", 1, "x.dll", "192.168.0.250", 41100, 2000},
        {"    COMPORT: DLL x.dllfoo -ip1.2.3.4", 1, "x.dll", "192.168.0.250", 41100, 2000},
        // Lines that do not read.
        {"    COMPORT: DLL .\\plc\\socomm.so -ip1.2.3.4", 0, defLib, "192.168.0.250", 41100, 2000},
        {"    COMPORT: DLL.\\plc\\socomm.dll -ip1.2.3.4", 0, defLib, "192.168.0.250", 41100, 2000},
        {"    COMPORT: DLL", 0, defLib, "192.168.0.250", 41100, 2000},
        {"    COMPORT: DLL .\\plc\\socomm.dll", 0, defLib, "192.168.0.250", 41100, 2000},
        {"    COMPORT: SERIAL COM1", 0, defLib, "192.168.0.250", 41100, 2000},
        {"    OTHER: DLL x.dll -ip1.2.3.4", 0, defLib, "192.168.0.250", 41100, 2000},
    };
    for (const Case& c : cases) {
        ResourceSettings settings("unused");
        const CString text = CString("REOURCE\r\n") + c.line + "\r\nEND_REOURCE\r\n";
        EXPECT_EQ(c.result, settings.Parse(text)) << c.line;
        EXPECT_STREQ(c.library, settings.m_strCommLibrary.GetString()) << c.line;
        EXPECT_STREQ(c.address, settings.m_address.GetAddressText().GetString()) << c.line;
        EXPECT_EQ(c.port, settings.m_nPort) << c.line;
        EXPECT_EQ(c.timeout, settings.m_nTimeout) << c.line;
    }
}

TEST(ResourceSettingsReader, TheFirstCommunicationLineCountsWhateverTheLineEnds)
{
    ResourceSettings settings("unused");
    ASSERT_EQ(1, settings.Parse("REOURCE\n  COMPORT: DLL a.dll -ip1.1.1.1\n  COMPORT: DLL b.dll -ip2.2.2.2\n"));
    EXPECT_STREQ("a.dll", settings.m_strCommLibrary.GetString());
    EXPECT_STREQ("1.1.1.1", settings.m_address.GetAddressText().GetString());
}

TEST(ResourceSettingsFile, WritesThreeLinesAndReadsThemBack)
{
    ScratchFolder folder;
    const CString path = (folder / "R.set").c_str();
    ResourceSettings written(path);
    written.m_address.SetAddressText("10.0.0.7");
    ASSERT_EQ(1, written.Write(path));
    EXPECT_EQ("REOURCE\r\n    COMPORT: DLL .\\plc\\socomm.dll -ip10.0.0.7 -p41100 -TO2000\r\nEND_REOURCE\r\n",
              ReadWholeFile(path.GetString()));

    // Port and time-out survive a read and a write of a changed address.
    WriteWholeFile(path.GetString(), "REOURCE\r\n  COMPORT: DLL .\\PLC\\SOCOMM.DLL -IP192.168.1.20 -P5000 -TO3000\r\n");
    ResourceSettings read(path);
    ASSERT_EQ(1, read.Read());
    read.m_address.SetAddressText("10.0.0.8");
    ASSERT_EQ(1, read.Write(path));
    EXPECT_EQ("REOURCE\r\n    COMPORT: DLL .\\PLC\\SOCOMM.DLL -ip10.0.0.8 -p5000 -TO3000\r\nEND_REOURCE\r\n",
              ReadWholeFile(path.GetString()));
}

TEST(ResourceSettingsFile, AFileThatCannotBeOpenedIsReportedAtOnce)
{
    ScratchFolder folder;
    ScriptedPrompts prompts;
    const CString missing = (folder / "none\\R.set").c_str();
    ResourceSettings settings(missing);
    EXPECT_EQ(0, settings.Read());
    EXPECT_EQ(0, settings.Write(missing));
    ASSERT_EQ(2u, prompts.Records().size());
    EXPECT_EQ("Unable to open file: " + std::string(missing), prompts.Records()[0].text);
    EXPECT_EQ("Unable to open file: " + std::string(missing), prompts.Records()[1].text);
}

} // namespace
