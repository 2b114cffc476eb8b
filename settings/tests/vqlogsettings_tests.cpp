#include "settings/vqlogsettings.h"

#include <gtest/gtest.h>

#include "settings/vqregistry.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"

namespace {

class VQLogSettingsTest : public RegistrySandboxTest {};

TEST_F(VQLogSettingsTest, DefaultsWithNoSettings)
{
    CVQLogSettings settings;
    EXPECT_EQ(0u, settings.GetLogFlags());
    EXPECT_FALSE(settings.GetEnableCommsLogging());
    EXPECT_TRUE(settings.GetLogToFile());
    EXPECT_FALSE(settings.GetLogWithDebugPrint());
    EXPECT_TRUE(settings.GetTimeStampLogEntries());
    EXPECT_FALSE(settings.GetLogTxRxDataOnly());
    EXPECT_STREQ("", settings.GetLogFileName());
}

TEST_F(VQLogSettingsTest, TheLogReadsItsSwitchesFromTheStore)
{
    CVQRegistry reg;
    reg.SetLogFlags(8 | 1024);
    reg.SetEnableCommsLogging(TRUE);
    reg.SetLogToFile(FALSE);
    reg.SetLogWithDebugPrint(TRUE);
    reg.SetTimeStampLogEntries(FALSE);
    reg.SetLogTxRxDataOnly(TRUE);
    reg.SetLogFileName("C:\\Logs\\VQ2Debug.log");

    ILogSettings* previous = InstallVQLogSettings();
    ASSERT_NE(nullptr, dynamic_cast<CVQLogSettings*>(&GetLogSettings()));
    {
        CLogFile log;
        EXPECT_EQ(static_cast<DWORD>(8 | 1024), log.GetLogMask());
        EXPECT_TRUE(log.IsEnabled());
        EXPECT_FALSE(log.GetLogToFile());
        EXPECT_TRUE(log.GetLogWithDebugPrint());
        EXPECT_FALSE(log.GetTimeStampEntries());
        EXPECT_TRUE(log.GetLogTxRxDataOnly());
        EXPECT_STREQ("C:\\Logs\\VQ2Debug.log", log.GetLogFilePath());

        // Nothing is cached: a later change is seen by the next load.
        reg.SetLogFlags(2);
        log.LoadSettings(GetLogSettings());
        EXPECT_EQ(2u, log.GetLogMask());
    }
    SetLogSettings(previous);
}

// The program's log may write (or refuse) a line before the settings store
// is installed; installing it makes the log take the stored switches at
// once.
TEST_F(VQLogSettingsTest, InstallingReloadsTheProgramLog)
{
    ScratchFolder folder;
    const std::string path = folder / "VQ2Debug.log";
    CLogFile* installedLog = SetGlobalLog(nullptr);
    ILogSettings* previous = SetLogSettings(nullptr);

    EXPECT_EQ(0, GlobalLogLine("before the settings", LOG_LINK)); // the defaults: logging off

    CVQRegistry reg;
    reg.SetEnableCommsLogging(TRUE);
    reg.SetLogFlags(LOG_LINK);
    reg.SetLogToFile(TRUE);
    reg.SetTimeStampLogEntries(FALSE);
    reg.SetLogFileName(path.c_str());
    InstallVQLogSettings();

    EXPECT_NE(0, GlobalLogLine("after the settings", LOG_LINK));
    EXPECT_EQ("after the settings\r\n", ReadWholeFile(path));

    SetLogSettings(previous);
    SetGlobalLog(installedLog);
}

} // namespace
