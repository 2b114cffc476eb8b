// MergeToolSetup's start-up over a test environment: the installer is a
// copy of the command-line recorder that makes the files an installed tool
// would have; the registry is the sandbox's.
#include "setup/mergetoolsetup.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/vqregistry.h"
#include "setup/instregistry.h"
#include "setup_test_support.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"

namespace {

const char kConfigKey[] = "Software\\VexoLabs\\Vorta2\\Config";

std::vector<std::string> Texts(const std::vector<CString>& messages)
{
    std::vector<std::string> texts;
    for (const CString& message : messages)
        texts.push_back(message.GetString());
    return texts;
}

// A value of the machine-wide key as stored: its type and its bytes.
struct StoredValue {
    DWORD type = REG_NONE;
    std::string data;
};

StoredValue MachineValue(const char* name)
{
    StoredValue value;
    char data[1024];
    DWORD size = sizeof data;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kConfigKey, name, RRF_RT_ANY | RRF_NOEXPAND, &value.type, data, &size) ==
        ERROR_SUCCESS)
        value.data.assign(data, size);
    return value;
}

class MergeToolSetupTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        m_env.programFolder = m_setupFolder;
        m_env.variables["ProgramFiles"] = m_programFiles;
        ASSERT_TRUE(CreateDirectoryA(m_setupFolder.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(m_programFiles.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(m_programFiles64.c_str(), nullptr));
    }
    // The installer in the setup folder, making these files when it runs.
    void PutInstaller(const std::vector<std::string>& installs)
    {
        ASSERT_TRUE(CopyRecorder(m_installer));
        m_installs = installs;
    }
    std::vector<std::string> Run()
    {
        ScopedVariable creates("VEXO_RECORDER_CREATE", FilesToCreate(m_installs));
        return Texts(RunMergeToolSetup(m_env));
    }

    ScratchFolder m_scratch;
    const std::string m_setupFolder = m_scratch / "Setup Files";
    const std::string m_installer = m_setupFolder + "\\WinMerge-Setup.exe";
    const std::string m_programFiles = m_scratch / "Program Files (x86)";
    const std::string m_programFiles64 = m_scratch / "Program Files";
    std::vector<std::string> m_installs;
    TestEnvironment m_env;
};

TEST_F(MergeToolSetupTest, RegistersTheToolItsInstallerPutInPlace)
{
    const std::string folder86 = m_programFiles + "\\WinMerge";
    const std::string folder64 = m_programFiles64 + "\\WinMerge";
    struct Case {
        const char* what;
        const char* arguments; // <dir>: the setup folder; empty: the program's own folder
        int variables;         // set: 1 %ProgramFiles%, 2 %ProgramW6432%
        std::vector<std::string> installs;
        std::string registered;
    } cases[] = {
        {"a first install of the Unicode build", "", 1, {folder86 + "\\WinMergeU.exe"}, folder86 + "\\WinMergeU.exe"},
        {"WinMerge.exe beside it is taken first",
         "",
         1,
         {folder86 + "\\WinMergeU.exe", folder86 + "\\WinMerge.exe"},
         folder86 + "\\WinMerge.exe"},
        {"the 64-bit program files when the 32-bit ones have none",
         "",
         3,
         {folder64 + "\\WinMergeU.exe"},
         folder64 + "\\WinMergeU.exe"},
        {"the 64-bit program files alone", "", 2, {folder64 + "\\WinMergeU.exe"}, folder64 + "\\WinMergeU.exe"},
        {"the 32-bit program files first",
         "",
         3,
         {folder86 + "\\WinMergeU.exe", folder64 + "\\WinMerge.exe"},
         folder86 + "\\WinMergeU.exe"},
        {"a quoted folder with spaces, padded",
         "  \"<dir>\"\t ",
         1,
         {folder86 + "\\WinMergeU.exe"},
         folder86 + "\\WinMergeU.exe"},
        {"a bare folder with spaces", "<dir>", 1, {folder86 + "\\WinMergeU.exe"}, folder86 + "\\WinMergeU.exe"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software");
        RemoveTree(folder86);
        RemoveTree(folder64);
        DeleteFileA((m_installer + ".cmdline").c_str());
        m_env.arguments = WithFolder(c.arguments, m_setupFolder);
        m_env.variables.clear();
        if (c.variables & 1)
            m_env.variables["ProgramFiles"] = m_programFiles;
        if (c.variables & 2)
            m_env.variables["ProgramW6432"] = m_programFiles64;
        PutInstaller(c.installs);

        EXPECT_EQ(std::vector<std::string>{}, Run());
        EXPECT_EQ("\"" + m_installer + "\"\n" + m_setupFolder + "\n", RecordOf(m_installer));
        // REG_SZ with its terminating NUL, where the development
        // environment reads it when the user has no value of their own.
        const StoredValue name = MachineValue("FileCompareProgramName");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), name.type);
        EXPECT_EQ(c.registered + '\0', name.data);
        const StoredValue arguments = MachineValue("FileCompareProgramArguments");
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), arguments.type);
        EXPECT_EQ(std::string("%p %c") + '\0', arguments.data);
        CVQRegistry settings;
        EXPECT_STREQ(c.registered.c_str(), settings.GetFileCompareProgramName());
        EXPECT_STREQ("%p %c", settings.GetFileCompareProgramArguments());
    }
}

TEST_F(MergeToolSetupTest, EndsWithAMessageAndWritesNothingWhenNoToolCanBeRegistered)
{
    const std::string bareFolder = m_scratch / "Empty Folder";
    ASSERT_TRUE(CreateDirectoryA(bareFolder.c_str(), nullptr));
    const std::string notAProgram = bareFolder + "\\Not A Program";
    ASSERT_TRUE(CreateDirectoryA(notAProgram.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(notAProgram + "\\WinMerge-2.16.exe", "only text"));
    struct Case {
        const char* what;
        std::string arguments;
        bool installer; // the recorder as the setup folder's installer
        std::vector<std::string> messages;
        int started;
    } cases[] = {
        {"no installer in the folder",
         bareFolder,
         false,
         {"File not found: " + bareFolder + "\\WinMerge*.exe", "Error installing WinMerge"},
         0},
        {"an installer that does not install the tool", "", true, {"Empty WinMerge file name"}, 1},
        {"a missing folder, quoted",
         "\"" + m_scratch / "Missing" + "\"",
         true,
         {"Directory \"" + m_scratch / "Missing" + "\" does not exist"},
         0},
        {"a drive root", "C:\\", true, {"Directory error for directory C:\\", "Error installing WinMerge"}, 0},
        {"an installer that cannot be started", notAProgram, false, {"Error installing WinMerge"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_env.arguments = c.arguments;
        m_env.started = 0;
        DeleteFileA(m_installer.c_str());
        if (c.installer)
            PutInstaller({});

        EXPECT_EQ(c.messages, Run());
        EXPECT_EQ(c.started, m_env.started);
        EXPECT_FALSE(MachineKeyExists("Software\\VexoLabs"));
    }
}

TEST_F(MergeToolSetupTest, AKeyThatCannotBeCreatedIsDescribed)
{
    // Below a volatile key no lasting key can be made (the system refuses
    // it with ERROR_CHILD_MUST_BE_VOLATILE).
    HKEY hVolatile = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, "Volatile", 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &hVolatile, nullptr));
    HKEY hChild = nullptr;
    EXPECT_EQ(ERROR_CHILD_MUST_BE_VOLATILE, RegCreateKeyExA(hVolatile, "Software", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                                            KEY_ALL_ACCESS, nullptr, &hChild, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, hVolatile));
    PutInstaller({m_programFiles + "\\WinMerge\\WinMergeU.exe"});

    EXPECT_EQ(std::vector<std::string>{"Error registering WinMerge\nError creating key\nRoot=HKEY_LOCAL_MACHINE\n"
                                       "Key=Software\\VexoLabs\\Vorta2\\Config"},
              Run());
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    RegCloseKey(hVolatile);
}

TEST(InstRegistryTest, NamesItsErrorsAndRoots)
{
    const struct {
        int code;
        const char* text;
    } errors[] = {
        {CInstRegistry::ErrNone, "No error"},
        {CInstRegistry::ErrCreateKey, "Error creating key"},
        {CInstRegistry::ErrSelectKey, "Error selecting key"},
        {CInstRegistry::ErrWriteValue, "Error writing value"},
        {CInstRegistry::ErrReadValue, "Error reading value"},
        {CInstRegistry::ErrDeleteKey, "Error deleting key"},
        {CInstRegistry::ErrDeleteValue, "Error deleting value"},
        {7, "Unknown error"},
        {-1, "Unknown error"},
    };
    for (const auto& e : errors)
        EXPECT_STREQ(e.text, CInstRegistry::GetErrorText(e.code)) << e.code;

    const struct {
        HKEY root;
        const char* name;
    } roots[] = {
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, "HKEY_USERS"},
        {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
        {HKEY_PERFORMANCE_TEXT, "HKEY_PERFORMANCE_TEXT"},
        {HKEY_PERFORMANCE_NLSTEXT, "HKEY_PERFORMANCE_NLSTEXT"},
        {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG"},
        {HKEY_DYN_DATA, "HKEY_DYN_DATA"},
        {HKEY_CLASSES_ROOT, "Unknown 0x80000000"},
        {nullptr, "Unknown 0x0"},
        {reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234abcd)), "Unknown 0x1234abcd"},
    };
    for (const auto& r : roots)
        EXPECT_STREQ(r.name, CInstRegistry::GetRootName(r.root)) << r.name;
}

TEST_F(RegistrySandboxTest, InstRegistryWritesAndClearsItsLastError)
{
    CInstRegistry registry;
    EXPECT_FALSE(registry.WriteString(HKEY_LOCAL_MACHINE, "\\Leading", "Name", "text"));
    EXPECT_EQ(CInstRegistry::ErrCreateKey, registry.GetError());
    EXPECT_STREQ("Error creating key\nRoot=HKEY_LOCAL_MACHINE\nKey=\\Leading", registry.GetErrorDescription());

    EXPECT_TRUE(registry.WriteString(HKEY_CURRENT_USER, "Software\\Test", "Name", "text"));
    EXPECT_EQ(CInstRegistry::ErrNone, registry.GetError());
    EXPECT_STREQ("No error\nRoot=Unknown 0x0\nKey=", registry.GetErrorDescription());
    CString text;
    EXPECT_TRUE(CRegistry(HKEY_CURRENT_USER, "Software\\Test").GetString("Name", text));
    EXPECT_STREQ("text", text);
}

} // namespace
