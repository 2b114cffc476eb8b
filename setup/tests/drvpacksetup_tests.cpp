// DrvPackSetup's start-up over a test environment: the folder layouts of
// driver packages in a scratch folder, the machine's architecture given by
// the test, and the command-line recorder as "DPInst.exe".
#include "setup/drvpacksetup.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "setup_test_support.h"
#include "testsupport/scratch_folder.h"
#include "ui/userdialog.h"

namespace {

const CNativeMachine kAmd64 = {TRUE, 0x8664, 0};
const CNativeMachine kX86 = {TRUE, 0x014C, 0};
const CNativeMachine kArm64 = {TRUE, 0xAA64, 0};

std::vector<std::string> Split(const char* commandLine)
{
    CTList<CString> arguments;
    const int count = SplitCommandLine(commandLine, arguments);
    std::vector<std::string> texts;
    for (const CString* argument = arguments.GetHead(); argument; argument = arguments.GetNext(argument))
        texts.push_back(argument->GetString());
    EXPECT_EQ(static_cast<int>(texts.size()), count);
    return texts;
}

TEST(DrvPackSetupTest, SplitsTheCommandLine)
{
    using Args = std::vector<std::string>;
    const struct {
        const char* commandLine;
        Args arguments;
    } cases[] = {
        {"", Args{}},
        {" \t  ", Args{}},
        {"a  b\tc", Args{"a", "b", "c"}},
        {"\"C:\\Driver Pack\"", Args{"C:\\Driver Pack"}},
        {"\"a b\"c \"\" d", Args{"a bc", "d"}},
        // A backslash before a double quote keeps both, and quoting goes on.
        {"\"C:\\Driver Pack\\\"", Args{"C:\\Driver Pack\\\""}},
        {"\"C:\\x\\\" y", Args{"C:\\x\\\" y"}},
        {"a\\\"b c", Args{"a\\\"b", "c"}},
        // Held backslashes are all copied in front of the next character.
        {"\\\\server\\share\\Drivers", Args{"\\\\server\\share\\Drivers"}},
        {"C:\\a\\\\\\b", Args{"C:\\a\\\\\\b"}},
        // ... and dropped at the very end.
        {"C:\\Drivers\\", Args{"C:\\Drivers"}},
        {"C:\\Drivers\\\\\\", Args{"C:\\Drivers"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.arguments, Split(c.commandLine)) << c.commandLine;
}

class DrvPackSetupRunTest : public testing::Test {
protected:
    std::vector<std::string> Run(const std::string& arguments, const CNativeMachine& machine)
    {
        m_env.arguments = WithFolder(arguments, m_packs);
        m_env.machine = machine;
        std::vector<std::string> texts;
        for (const CString& message : RunDrvPackSetup(m_env))
            texts.push_back(message.GetString());
        return texts;
    }

    ScratchFolder m_scratch;
    const std::string m_packs = m_scratch / "Driver Pack";
    TestEnvironment m_env;
};

TEST_F(DrvPackSetupRunTest, RunsTheInstallerOfTheMachinesArchitectureQuietly)
{
    for (const char* architecture : {"x86", "amd64"})
        ASSERT_TRUE(CopyRecorder(m_packs + "\\" + architecture + "\\DPInst.exe"));
    const struct {
        const char* what;
        const char* arguments;
        CNativeMachine machine;
        const char* folder;
        const char* exitCode; // the installer's, which is not examined
    } cases[] = {
        {"a quoted folder with spaces", "\"<dir>\"", kAmd64, "<dir>\\amd64", ""},
        {"a quoted folder ending in a backslash", "\"<dir>\\\"", kAmd64, "<dir>\\amd64", ""},
        {"padded", "  \"<dir>\"\t", kAmd64, "<dir>\\amd64", ""},
        {"a 32-bit machine", "\"<dir>\"", kX86, "<dir>\\x86", ""},
        {"an installer that reports a failure", "\"<dir>\"", kAmd64, "<dir>\\amd64", "2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = WithFolder(c.folder, m_packs);
        const std::string program = folder + "\\DPInst.exe";
        DeleteFileA((m_packs + "\\x86\\DPInst.exe.cmdline").c_str());
        DeleteFileA((m_packs + "\\amd64\\DPInst.exe.cmdline").c_str());
        ScopedVariable exitCode("VEXO_RECORDER_EXIT_CODE", c.exitCode);

        EXPECT_EQ(std::vector<std::string>{}, Run(c.arguments, c.machine));
        EXPECT_EQ("\"" + program + "\" /q\n" + folder + "\n", RecordOf(program));
    }
}

TEST_F(DrvPackSetupRunTest, SaysWhatIsMissingAndStartsNothing)
{
    const std::string notAProgram = m_scratch / "Not a program";
    ASSERT_TRUE(CreateDirectoryA(m_packs.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((m_packs + "\\x86").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(notAProgram.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((notAProgram + "\\amd64").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(notAProgram + "\\amd64\\DPInst.exe", "only text"));
    ASSERT_TRUE(CopyRecorder(m_scratch / "Other\\amd64\\DPInst.exe"));
    const struct {
        const char* what;
        std::string arguments;
        CNativeMachine machine;
        std::string message;
        int started;
    } cases[] = {
        {"no argument", "", kAmd64, "Invalid argument count 0 (should be 1)", 0},
        {"blanks only", " \t ", kAmd64, "Invalid argument count 0 (should be 1)", 0},
        {"two", "\"<dir>\" \"<dir>\"", kAmd64, "Invalid argument count 2 (should be 1)", 0},
        {"a missing folder", "\"<dir>\\Missing\"", kAmd64, "Directory does not exist <dir>\\Missing", 0},
        {"a missing architecture folder", "\"<dir>\"", kAmd64, "Directory does not exist <dir>\\amd64", 0},
        {"an architecture without drivers", "\"" + m_scratch / "Other" + "\"", kArm64,
         "Directory does not exist " + m_scratch / "Other\\arm64", 0},
        {"no installer", "\"<dir>\"", kX86, "File does not exist <dir>\\x86\\DPInst.exe", 0},
        {"an installer that is no program", "\"" + notAProgram + "\"", kAmd64, "Unable to launch driver install\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_env.started = 0;
        const std::vector<std::string> messages = Run(c.arguments, c.machine);
        ASSERT_EQ(1u, messages.size());
        EXPECT_EQ(c.started, m_env.started);
        if (c.started == 0) {
            EXPECT_EQ(WithFolder(c.message, m_packs), messages[0]);
            continue;
        }
        // The system's own text for the error follows.
        ASSERT_EQ(c.message, messages[0].substr(0, c.message.size()));
        const std::string reason = messages[0].substr(c.message.size());
        EXPECT_FALSE(reason.empty());
        EXPECT_EQ(std::string::npos, reason.find_first_of("\r\n"));
        std::string expected = GetSystemErrorText(ERROR_BAD_EXE_FORMAT).GetString();
        expected.erase(expected.find_last_not_of("\r\n ") + 1);
        EXPECT_EQ(expected, reason);
    }
    EXPECT_EQ("", RecordOf(m_scratch / "Other\\amd64\\DPInst.exe"));
}

} // namespace
