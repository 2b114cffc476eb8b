#include "foundation/logfile.h"

#include <algorithm>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/scripted_prompts.h"
#include "testsupport/scratch_folder.h"

namespace {

struct TestSettings : ILogSettings {
    DWORD mask = 0xFFFFFFFF;
    BOOL enabled = TRUE;
    BOOL toFile = TRUE;
    BOOL debugPrint = FALSE;
    BOOL timeStamp = FALSE;
    BOOL txRxOnly = FALSE;
    std::string path;

    DWORD GetLogFlags() const override { return mask; }
    BOOL GetEnableCommsLogging() const override { return enabled; }
    BOOL GetLogToFile() const override { return toFile; }
    BOOL GetLogWithDebugPrint() const override { return debugPrint; }
    BOOL GetTimeStampLogEntries() const override { return timeStamp; }
    BOOL GetLogTxRxDataOnly() const override { return txRxOnly; }
    CString GetLogFileName() const override { return path.c_str(); }
};

// A log on a fixed clock (5 March 2024, 07:08:09.045) whose debugger
// output is recorded.
class CTestLog : public CLogFile {
public:
    explicit CTestLog(const ILogSettings& settings) : CLogFile(settings) {}

    mutable std::vector<std::string> m_debug;

protected:
    void GetStampTime(SYSTEMTIME& now) const override { now = SYSTEMTIME{2024, 3, 2, 5, 7, 8, 9, 45}; }
    void DebugPrint(LPCSTR text) const override { m_debug.push_back(text); }
};

// Holds a file open without sharing, as another program might.
class ExclusiveHolder {
public:
    explicit ExclusiveHolder(const std::string& path)
        : m_handle(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr))
    {
    }
    ~ExclusiveHolder()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    bool Holds() const { return m_handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE m_handle;
};

class LogFileTest : public testing::Test {
protected:
    LogFileTest() { m_settings.path = m_folder / "vorta.log"; }

    std::string Written() const { return ReadWholeFile(m_settings.path); }

    ScratchFolder m_folder;
    TestSettings m_settings;
};

TEST_F(LogFileTest, CategoryMaskAndTxRxOnlyDecideWhatIsWritten)
{
    struct Case {
        DWORD mask;
        BOOL txRxOnly;
        DWORD category;
        const char* text;
        const char* written;
    };
    const Case cases[] = {
        {8192, FALSE, 64, "RxAtTool: Editor Frame", ""},
        {8192, FALSE, 8192, "Destroy window request \"Editor\" (0)", "Destroy window request \"Editor\" (0)\r\n"},
        {0x0003, FALSE, 2, "Q: ?VERSION", "Q: ?VERSION\r\n"},
        {0, FALSE, 1, "Tx: ABC", ""},
        // Tx/Rx-only keeps the data lines whatever the mask says.
        {0xFFFFFFFF, TRUE, 8192, "Destroy window request \"Editor\" (0)", ""},
        {0, TRUE, 64, "Rx: ABC", "Rx: ABC\r\n"},
        {0, TRUE, 1, "Tx: ", "\r\n"},
        {0xFFFFFFFF, TRUE, 1, "Tx:ABC", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        DeleteFileA(m_settings.path.c_str());
        m_settings.mask = c.mask;
        m_settings.txRxOnly = c.txRxOnly;
        CTestLog log(m_settings);
        EXPECT_NE(0, log.LogLine(c.text, c.category));
        EXPECT_EQ(c.written, Written());
        EXPECT_FALSE(log.IsOpen()); // opened for the line only
    }
}

TEST_F(LogFileTest, RefusedLinesReturnZero)
{
    struct Case {
        const char* name;
        BOOL enabled;
        BOOL toFile;
        BOOL debugPrint;
        const char* text;
    };
    const Case cases[] = {
        {"disabled", FALSE, TRUE, FALSE, "x"},
        {"null text", TRUE, TRUE, FALSE, nullptr},
        {"no output at all", TRUE, FALSE, FALSE, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_settings.enabled = c.enabled;
        m_settings.toFile = c.toFile;
        m_settings.debugPrint = c.debugPrint;
        CTestLog log(m_settings);
        EXPECT_EQ(0, log.LogLine(c.text, 1));
        EXPECT_EQ("", Written());
    }
}

TEST_F(LogFileTest, TimeStampAndDebuggerOutput)
{
    m_settings.timeStamp = TRUE;
    m_settings.debugPrint = TRUE;
    CTestLog log(m_settings);
    EXPECT_NE(0, log.LogLine("Log opened", 1));
    EXPECT_EQ("05-Mar-2024 @ 07:08:09.045: Log opened\r\n", Written());
    ASSERT_EQ(1u, log.m_debug.size());
    EXPECT_EQ("05-Mar-2024 @ 07:08:09.045: Log opened\r\n", log.m_debug[0]);

    SYSTEMTIME odd = {1999, 0, 0, 31, 23, 59, 59, 999};
    EXPECT_EQ(CString("31-\?\?\?-1999 @ 23:59:59.999"), FormatLogTimeStamp(odd));
}

TEST_F(LogFileTest, LogDataNamesEveryByte)
{
    m_settings.mask = 131072;
    CTestLog log(m_settings);
    const BYTE bytes[] = {0x02, 0x41, 0x20, 0xF6};
    EXPECT_NE(0, log.LogData("Tx Write:", bytes, 4, 131072));
    EXPECT_EQ("Tx Write:<STX>A<Sp><0xf6>\r\n", Written());

    EXPECT_EQ(0, log.LogData("Tx Write:", bytes, 4, 1)); // category not in the mask
    EXPECT_EQ(0, log.LogData("Tx Write:", nullptr, 4, 131072));
    EXPECT_NE(0, log.LogData(nullptr, bytes + 1, 1, 131072));
    EXPECT_EQ("Tx Write:<STX>A<Sp><0xf6>\r\nA\r\n", Written());
}

// While the file cannot be opened, lines wait; the 1025th becomes the
// marker, later ones are lost, and the next opening writes them all first.
TEST_F(LogFileTest, LinesWaitWhileTheFileCannotBeOpened)
{
    const std::string folder = m_folder / "later";
    m_settings.path = folder + "\\vorta.log";
    CTestLog log(m_settings);

    for (int i = 1; i <= 1030; ++i) {
        SCOPED_TRACE(i);
        const CString line = CString("line ") + std::to_string(i).c_str();
        EXPECT_EQ(i <= 1024 ? 1 : 0, log.LogLine(line, 1) != 0 ? 1 : 0);
    }
    EXPECT_EQ(1025, log.GetPendingLineCount());
    ASSERT_FALSE(log.m_debug.empty());
    EXPECT_EQ("Failed to open log file\n", log.m_debug.back());

    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    EXPECT_NE(0, log.LogLine("after", 1));
    EXPECT_EQ(0, log.GetPendingLineCount());

    std::string expected;
    for (int i = 1; i <= 1024; ++i)
        expected += "line " + std::to_string(i) + "\r\n";
    expected += "** BUFFER FULL ERROR **\r\nafter\r\n";
    EXPECT_EQ(expected, ReadWholeFile(m_settings.path));
}

TEST_F(LogFileTest, AFileHeldByAnotherProgramMakesLinesWait)
{
    CTestLog log(m_settings);
    {
        ExclusiveHolder other(m_settings.path);
        ASSERT_TRUE(other.Holds());
        EXPECT_NE(0, log.LogLine("first", 1));
        EXPECT_EQ(1, log.GetPendingLineCount());
    }
    EXPECT_NE(0, log.LogLine("second", 1));
    EXPECT_EQ("first\r\nsecond\r\n", Written());
}

TEST_F(LogFileTest, LineWithoutOpenFlagWaitsForTheNextOpening)
{
    CTestLog log(m_settings);
    EXPECT_NE(0, log.LogLine("quiet", 1, FALSE));
    EXPECT_EQ("", Written());
    EXPECT_NE(0, log.LogLine("loud", 1, TRUE));
    EXPECT_EQ("quiet\r\nloud\r\n", Written());
}

TEST_F(LogFileTest, NewPathOnAnOpenLogAppendsToTheNewFile)
{
    const std::string second = m_folder / "second.log";
    ASSERT_TRUE(WriteWholeFile(second, "earlier\r\n"));
    CTestLog log(m_settings);
    ASSERT_TRUE(log.Open());
    ASSERT_TRUE(log.IsOpen());
    log.LogLine("one", 1);
    EXPECT_TRUE(log.IsOpen()); // opened by the caller, so it stays open

    log.SetFilePath(second.c_str());
    EXPECT_TRUE(log.IsOpen());
    EXPECT_EQ(CString(second.c_str()), log.GetLogFilePath());
    log.LogLine("two", 1);
    log.Close();
    EXPECT_FALSE(log.IsOpen());

    EXPECT_EQ("one\r\n", Written());
    EXPECT_EQ("earlier\r\ntwo\r\n", ReadWholeFile(second));
}

TEST_F(LogFileTest, OpenRules)
{
    {
        TestSettings noPath = m_settings;
        noPath.path.clear();
        CTestLog log(noPath);
        EXPECT_FALSE(log.Open());
        EXPECT_EQ(std::vector<std::string>{"Empty file path for log file\n"}, log.m_debug);
    }
    m_settings.toFile = FALSE;
    CTestLog log(m_settings);
    EXPECT_TRUE(log.Open());
    EXPECT_FALSE(log.IsOpen());
    EXPECT_TRUE(log.Open(FALSE, TRUE)); // forced, but there is no file yet
    EXPECT_FALSE(log.IsOpen());
    ASSERT_TRUE(WriteWholeFile(m_settings.path, "kept\r\n"));
    EXPECT_TRUE(log.Open(FALSE, TRUE));
    EXPECT_TRUE(log.IsOpen());
    log.Close();
    EXPECT_EQ("kept\r\n", Written());
}

TEST_F(LogFileTest, ResetEmptiesTheFile)
{
    ScriptedPrompts prompts;
    CTestLog log(m_settings);
    EXPECT_TRUE(log.Reset()); // no file: nothing to do
    log.LogLine("one", 1);
    ASSERT_EQ("one\r\n", Written());
    EXPECT_TRUE(log.Reset());
    EXPECT_EQ("", Written());

    ASSERT_TRUE(log.Open());
    log.LogLine("two", 1);
    EXPECT_TRUE(log.Reset());
    EXPECT_TRUE(log.IsOpen()); // open before, open after
    log.LogLine("three", 1);
    log.Close();
    EXPECT_EQ("three\r\n", Written());
    EXPECT_TRUE(prompts.Records().empty());
}

TEST_F(LogFileTest, FailedResetTellsTheUser)
{
    ScriptedPrompts prompts;
    CTestLog log(m_settings);
    log.LogLine("one", 1);
    {
        ExclusiveHolder other(m_settings.path);
        ASSERT_TRUE(other.Holds());
        EXPECT_FALSE(log.Reset());
    }
    // Logging to file is off and the reset is not forced: the file stays
    // as it is, which is no success.
    log.SetLogToFile(FALSE);
    EXPECT_FALSE(log.Reset(FALSE));
    EXPECT_EQ("one\r\n", Written());
    EXPECT_TRUE(log.Reset(TRUE));
    EXPECT_EQ("", Written());

    const auto shown = prompts.Records();
    ASSERT_EQ(2u, shown.size());
    for (const auto& r : shown) {
        EXPECT_EQ("Logfile", r.caption);
        EXPECT_EQ("Faild to reset log file", r.text);
        EXPECT_TRUE(r.detached);
    }
}

TEST_F(LogFileTest, LinesFromManyThreadsArriveWhole)
{
    CTestLog log(m_settings);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 100; ++i) {
                const CString line =
                    CString("thread ") + std::to_string(t).c_str() + " line " + std::to_string(i).c_str();
                log.LogLine(line, 1);
            }
        });
    }
    for (std::thread& t : threads)
        t.join();

    std::vector<std::string> lines;
    std::istringstream in(Written());
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    ASSERT_EQ(400u, lines.size());
    for (int t = 0; t < 4; ++t) {
        for (int i = 0; i < 100; ++i) {
            const std::string line = "thread " + std::to_string(t) + " line " + std::to_string(i) + "\r";
            EXPECT_NE(lines.end(), std::find(lines.begin(), lines.end(), line)) << line;
        }
    }
}

TEST_F(LogFileTest, SwitchesComeFromTheInstalledSettings)
{
    m_settings.mask = 8 | 64;
    m_settings.debugPrint = TRUE;
    m_settings.txRxOnly = TRUE;
    ILogSettings* previous = SetLogSettings(&m_settings);
    CLogFile log;
    SetLogSettings(previous);

    EXPECT_EQ(72u, log.GetLogMask());
    EXPECT_TRUE(log.IsEnabled());
    EXPECT_TRUE(log.GetLogToFile());
    EXPECT_TRUE(log.GetLogWithDebugPrint());
    EXPECT_FALSE(log.GetTimeStampEntries());
    EXPECT_TRUE(log.GetLogTxRxDataOnly());
    EXPECT_EQ(CString(m_settings.path.c_str()), log.GetLogFilePath());

    // Without a settings store every value has its default.
    CLogFile defaults;
    EXPECT_EQ(0u, defaults.GetLogMask());
    EXPECT_FALSE(defaults.IsEnabled());
    EXPECT_TRUE(defaults.GetLogToFile());
    EXPECT_FALSE(defaults.GetLogWithDebugPrint());
    EXPECT_TRUE(defaults.GetTimeStampEntries());
    EXPECT_FALSE(defaults.GetLogTxRxDataOnly());
    EXPECT_TRUE(defaults.GetLogFilePath().IsEmpty());
}

} // namespace
