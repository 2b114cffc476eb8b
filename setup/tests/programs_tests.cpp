// The installers as programs, started with a scratch folder and an
// environment of their own: what they start, what they show, what they
// write and their exit codes.
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "setup_test_support.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/test_window.h"

namespace {

const DWORD kProgramTimeoutMs = 20000;

// A program of the build, beside the tests.
std::string BuildProgram(const char* name)
{
    return std::string(GetProgramDirectory()) + "\\" + name;
}

// A program started with arguments and these environment
// variables changed (an empty value removes one); terminated with the
// object when it is still running.
class Program {
public:
    Program(const std::string& path, const std::string& arguments, const std::map<std::string, std::string>& changes)
    {
        std::string command = "\"" + path + "\" " + arguments;
        std::string environment = Environment(changes);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        m_started = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, environment.data(), nullptr,
                                   &startup, &m_info) != FALSE;
    }
    ~Program()
    {
        if (!m_started)
            return;
        if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, 5000);
        }
        CloseHandle(m_info.hThread);
        CloseHandle(m_info.hProcess);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return m_started; }
    bool Ended() const { return WaitForSingleObject(m_info.hProcess, 0) == WAIT_OBJECT_0; }
    bool WaitForEnd() const
    {
        return PumpUntil([this] { return Ended(); }, kProgramTimeoutMs);
    }
    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(m_info.hProcess, &code);
        return code;
    }
    // A message box ("#32770") of the program, null when it shows none.
    HWND MessageBox() const
    {
        struct Search {
            DWORD processId;
            HWND found;
        } search = {m_info.dwProcessId, nullptr};
        EnumWindows(
            [](HWND hWnd, LPARAM param) -> BOOL {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD processId = 0;
                char className[16] = {};
                GetWindowThreadProcessId(hWnd, &processId);
                GetClassNameA(hWnd, className, sizeof className);
                if (processId != s->processId || std::string(className) != "#32770" || !IsWindowVisible(hWnd))
                    return TRUE;
                s->found = hWnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

private:
    // This process's environment block with the changes made, sorted as
    // the system keeps it.
    static std::string Environment(const std::map<std::string, std::string>& changes)
    {
        std::map<std::string, std::string> variables;
        char* block = GetEnvironmentStringsA();
        for (const char* entry = block; *entry; entry += strlen(entry) + 1) {
            const char* equals = strchr(entry + 1, '=');
            if (equals)
                variables[std::string(entry, equals)] = equals + 1;
        }
        FreeEnvironmentStringsA(block);
        for (const auto& [name, value] : changes) {
            for (auto it = variables.begin(); it != variables.end();)
                it = _stricmp(it->first.c_str(), name.c_str()) == 0 ? variables.erase(it) : std::next(it);
            if (!value.empty())
                variables[name] = value;
        }
        std::string text;
        for (const auto& [name, value] : variables)
            text += name + "=" + value + '\0';
        return text + '\0';
    }

    bool m_started = false;
    PROCESS_INFORMATION m_info = {};
};

// The text a message box shows: its static control with text.
std::string MessageText(HWND hBox)
{
    for (HWND hChild = GetWindow(hBox, GW_CHILD); hChild; hChild = GetWindow(hChild, GW_HWNDNEXT)) {
        char className[16] = {};
        GetClassNameA(hChild, className, sizeof className);
        const std::string text = WindowText(hChild);
        if (_stricmp(className, "Static") == 0 && !text.empty())
            return text;
    }
    return "";
}

TEST(SetupProgramsTest, TheRecorderPlaysAnInstaller)
{
    ScratchFolder scratch;
    const std::string recorder = scratch / "WinMerge-Setup.exe";
    const std::string tool = scratch / "Program Files\\WinMerge\\WinMergeU.exe";
    const std::string other = scratch / "Other.exe";
    ASSERT_TRUE(CopyRecorder(recorder));
    Program installer(recorder, "/S",
                      {{"VEXO_RECORDER_CREATE", FilesToCreate({tool, other})}, {"VEXO_RECORDER_EXIT_CODE", "7"}});
    ASSERT_TRUE(installer.Started());
    ASSERT_TRUE(installer.WaitForEnd());
    EXPECT_EQ(7u, installer.ExitCode());
    EXPECT_TRUE(PathExists(tool.c_str()));
    EXPECT_TRUE(PathExists(other.c_str()));
    EXPECT_NE("", RecordOf(recorder));
}

TEST(SetupProgramsTest, DrvPackSetupRunsTheInstallerAndShowsNothing)
{
    ScratchFolder scratch;
    const std::string folder = scratch / "Driver Pack";
    const std::string program = folder + "\\amd64\\DPInst.exe";
    ASSERT_TRUE(CopyRecorder(program));

    Program setup(BuildProgram("DrvPackSetup.exe"), "\"" + folder + "\"", {});
    ASSERT_TRUE(setup.Started());
    ASSERT_TRUE(setup.WaitForEnd());
    EXPECT_EQ(0u, setup.ExitCode());
    EXPECT_EQ("\"" + program + "\" /q\n" + folder + "\\amd64\n", RecordOf(program));
}

TEST(SetupProgramsTest, DrvPackSetupShowsItsMessageAndEndsWithCodeOne)
{
    Program setup(BuildProgram("DrvPackSetup.exe"), "", {});
    ASSERT_TRUE(setup.Started());
    HWND hBox = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (hBox = setup.MessageBox()) != nullptr; }, kProgramTimeoutMs));
    EXPECT_EQ("DrvPackSetup", WindowText(hBox));
    EXPECT_EQ("Invalid argument count 0 (should be 1)", MessageText(hBox));
    EXPECT_FALSE(setup.Ended()); // it waits for the answer
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(setup.WaitForEnd());
    EXPECT_EQ(1u, setup.ExitCode());
}

// The machine-wide key of the development environment in the prefix's own
// registry; the levels the test made are removed again.
class MachineConfigKey {
public:
    MachineConfigKey()
    {
        for (const char* level : kLevels)
            m_existed.push_back(MachineKeyExists(level));
    }
    ~MachineConfigKey()
    {
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kLevels[2], "FileCompareProgramName");
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kLevels[2], "FileCompareProgramArguments");
        for (int i = 2; i >= 0; --i) {
            if (!m_existed[static_cast<size_t>(i)])
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, kLevels[i]);
        }
    }
    MachineConfigKey(const MachineConfigKey&) = delete;
    MachineConfigKey& operator=(const MachineConfigKey&) = delete;

    static std::string Text(const char* name)
    {
        char text[1024] = {};
        DWORD size = sizeof text;
        if (RegGetValueA(HKEY_LOCAL_MACHINE, kLevels[2], name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
            return "(none)";
        return text;
    }

private:
    static constexpr const char* kLevels[] = {"Software\\VexoLabs", "Software\\VexoLabs\\Vorta2",
                                              "Software\\VexoLabs\\Vorta2\\Config"};
    std::vector<bool> m_existed;
};

TEST(SetupProgramsTest, MergeToolSetupRegistersTheInstalledToolOnTheMachine)
{
    ScratchFolder scratch;
    const std::string folder = scratch / "Setup Files";
    const std::string programFiles = scratch / "Program Files";
    const std::string installer = folder + "\\WinMerge-Setup.exe";
    const std::string tool = programFiles + "\\WinMerge\\WinMergeU.exe";
    ASSERT_TRUE(CopyRecorder(installer));
    ASSERT_TRUE(CreateDirectoryA(programFiles.c_str(), nullptr));
    MachineConfigKey key;
    ASSERT_EQ("(none)", key.Text("FileCompareProgramName"));

    Program setup(BuildProgram("MergeToolSetup.exe"), "\"" + folder + "\"",
                  {{"ProgramFiles", programFiles}, {"ProgramW6432", programFiles}, {"VEXO_RECORDER_CREATE", tool}});
    ASSERT_TRUE(setup.Started());
    ASSERT_TRUE(setup.WaitForEnd());
    EXPECT_EQ(0u, setup.ExitCode());
    EXPECT_EQ("\"" + installer + "\"\n" + folder + "\n", RecordOf(installer));
    EXPECT_EQ(tool, key.Text("FileCompareProgramName"));
    EXPECT_EQ("%p %c", key.Text("FileCompareProgramArguments"));
}

} // namespace
