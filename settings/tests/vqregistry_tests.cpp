#include "settings/vqregistry.h"

#include <map>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "testsupport/string_lists.h"

#include "testsupport/registry_sandbox.h"

namespace {

const std::string kRoot = "Software\\VexoLabs\\Vorta2";

void CreateKey(HKEY root, const std::string& path)
{
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
}

void PutDword(const std::string& subkey, const char* name, DWORD value, HKEY root = HKEY_CURRENT_USER)
{
    CreateKey(root, kRoot + subkey);
    ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(root, (kRoot + subkey).c_str(), name, REG_DWORD, &value, sizeof value));
}

void PutText(const std::string& path, const char* name, const char* text, HKEY root = HKEY_CURRENT_USER)
{
    CreateKey(root, path);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(root, path.c_str(), name, REG_SZ, text, static_cast<DWORD>(strlen(text) + 1)));
}

void PutBinary(const std::string& subkey, const char* name, const void* data, DWORD size)
{
    CreateKey(HKEY_CURRENT_USER, kRoot + subkey);
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_CURRENT_USER, (kRoot + subkey).c_str(), name, REG_BINARY, data, size));
}

bool KeyExists(const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ValueExists(const std::string& subkey, const char* name)
{
    return RegGetValueA(HKEY_CURRENT_USER, (kRoot + subkey).c_str(), name, RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

// The stored DWORD; fails the test when it is missing or of another type.
DWORD StoredDword(const std::string& subkey, const char* name)
{
    DWORD value = 0xBAD, size = sizeof value, type = 0;
    EXPECT_EQ(ERROR_SUCCESS,
              RegGetValueA(HKEY_CURRENT_USER, (kRoot + subkey).c_str(), name, RRF_RT_ANY, &type, &value, &size))
        << subkey << " " << name;
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type) << name;
    return value;
}

// The raw type and bytes of a value.
std::string StoredRaw(const std::string& subkey, const char* name, DWORD& type)
{
    char buffer[512];
    DWORD size = sizeof buffer;
    type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, (kRoot + subkey).c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer,
                     &size) != ERROR_SUCCESS)
        return "<missing>";
    return std::string(buffer, size);
}

class VQRegistryTest : public RegistrySandboxTest {
protected:
    CVQRegistry m_reg;
};

// ---- One table over every value ----------------------------------------

// Every value of the store, written down from its definition independently of
// the store's own table: the result with no key, and with the key present
// but the value missing (they differ for the key rule and for
// EndPointDiameter). Texts read empty in both cases.
struct Expected {
    const char* name;
    const char* key;
    bool text;
    long long keyMissing;
    long long valueMissing;
};

const Expected kExpected[] = {
    // "\Config"
    {"AutoConnectAtStart", "\\Config", false, 1, 1},
    {"RestoreMainWindowAtStart", "\\Config", false, 0, 0},
    {"AutoRestoreDesktop", "\\Config", false, 0, 0},
    {"ShowToolBar", "\\Config", false, 1, 1},
    {"ShowStatusBar", "\\Config", false, 1, 1},
    {"ShowControlPanel", "\\Config", false, 1, 1},
    {"ShowControllerMessages", "\\Config", false, 1, 1},
    {"Language", "\\Config", false, 0, 0},
    {"BetaMask%02d", "\\Config", false, 0, 0},
    {"CheckControllerType", "\\Config", false, 0, 0},
    {"AutoEPROM", "\\Config", false, 1, 1},
    {"ForceSlowProjectLoad", "\\Config", false, 0, 0},
    {"ForceSlowProgramLoad", "\\Config", false, 0, 0},
    {"ForceSlowProgramSave", "\\Config", false, 0, 0},
    {"AllowProgramOperationsWhenRuning", "\\Config", false, 0, 0},
    {"UseDevelopmentVersionChecking", "\\Config", false, 0, 0},
    {"EnableIEC61131", "\\Config", false, 0, 0},
    {"LastLoadProgDir", "\\Config", true, 0, 0},
    {"LastSaveProgDir", "\\Config", true, 0, 0},
    {"FileCompareProgramName", "\\Config", true, 0, 0},
    {"FileCompareProgramArguments", "\\Config", true, 0, 0},
    {"EnableCommsLogging", "\\Config", false, 0, 0},
    {"EnableDriveCommsLogging", "\\Config", false, 0, 0},
    {"LogToFile", "\\Config", false, 1, 1},
    {"LogWithDebugPrint", "\\Config", false, 0, 0},
    {"TimeStampLogEntries", "\\Config", false, 1, 1},
    {"LogTxRxDataOnly", "\\Config", false, 0, 0},
    {"LogFileName", "\\Config", true, 0, 0},
    {"LogViewer", "\\Config", true, 0, 0},
    {"DigitalIOPollInterval", "\\Config", false, 1000, 1000},
    {"ShowDigitalIODescriptions", "\\Config", false, 0, 0},
    {"ShowVirtualDigitalIO", "\\Config", false, 0, 0},
    {"PanasonicA4NPollInterval", "\\Config", false, 1000, 1000},
    {"DXDriveDBFileName", "\\Config", true, 0, 0},
    {"HideLaunchDxDriveWarning", "\\Config", false, 0, 0},
    {"ShowParameterValidationWarnings", "\\Config", false, 0, 0},
    {"FINSProtocol", "\\Config", true, 0, 0},
    {"FINSIPPort", "\\Config", false, 9600, 9600},
    {"FINSTimeout", "\\Config", false, 500, 500},
    {"DXServerPollPeriod", "\\Config", false, 100, 100},
    // "\Comms"
    {"DefaultDirectPort", "\\Comms", true, 0, 0},
    {"DefaultDirectLink", "\\Comms", false, 0, 0},
    {"Packet", "\\Comms", false, 0, 0},
    {"LogFlags", "\\Comms", false, 0, 0},
    {"MessageTimeout", "\\Comms", false, 20, 20},
    {"ShowAllLinks", "\\Comms", false, 0, 0},
    {"SelectSingleLink", "\\Comms", false, 0, 0},
    // "\Projects"
    {"Project%02d", "\\Projects", true, 0, 0},
    // "\Editor", "\Editor\Assist"
    {"CodeStart", "\\Editor", false, 0, 0},
    {"TabIndent", "\\Editor", false, 4, 4},
    {"TabInOnEnter", "\\Editor", false, 0, 0},
    {"UseInlineBreakpoints", "\\Editor", false, 1, 1},
    {"PrintInColour", "\\Editor", false, 0, 0},
    {"ShowlongVariableWarnings", "\\Editor", false, 1, 1},
    {"EnableEditorKeyAssist", "\\Editor\\Assist", false, 0, 0},
    {"EnableEditorCommandTemplates", "\\Editor\\Assist", false, 0, 0},
    // "\Terminal"
    {"TerminalBufferedLines", "\\Terminal", false, 256, 256},
    {"TerminalMaxLineLength", "\\Terminal", false, 132, 132},
    {"LastScriptFile", "\\Terminal", true, 0, 0},
    {"LastScriptLog", "\\Terminal", true, 0, 0},
    {"ScriptEditor", "\\Terminal", true, 0, 0},
    // "\AxisParameters"
    {"Bank%dRows", "\\AxisParameters", false, -1, -1},
    {"Bank%dScrollPos", "\\AxisParameters", false, -1, -1},
    {"Axes", "\\AxisParameters", false, -1, -1},
    {"AxisScrollPos", "\\AxisParameters", false, -1, -1},
    {"UpdatePeriod", "\\AxisParameters", false, 500, 500},
    // "\Oscilloscope\Setup"
    {"AxisLineWidth", "\\Oscilloscope\\Setup", false, 1, 1},
    {"GridLineWidth", "\\Oscilloscope\\Setup", false, 1, 1},
    {"TraceLineWidth", "\\Oscilloscope\\Setup", false, 1, 1},
    {"CursorLineWidth", "\\Oscilloscope\\Setup", false, 1, 1},
    {"DataPointDiameter", "\\Oscilloscope\\Setup", false, 0, 0},
    {"EndPointDiameter", "\\Oscilloscope\\Setup", false, 1, 3},
    {"MatchScalesInXYMode", "\\Oscilloscope\\Setup", false, 1, 1},
    {"XYBuffers", "\\Oscilloscope\\Setup", false, 0, 0},
    // "\Files"
    {"SystemFileDir", "\\Files", true, 0, 0},
};

TEST_F(VQRegistryTest, TheTableHoldsEveryValueOnceWithItsKey)
{
    int count = 0;
    const VQValueDef* table = CVQRegistry::GetValueTable(count);
    ASSERT_EQ(static_cast<int>(sizeof kExpected / sizeof kExpected[0]), count);
    std::set<std::string> cppNames;
    for (const Expected& e : kExpected) {
        const VQValueDef* def = CVQRegistry::FindValue(e.name);
        ASSERT_NE(nullptr, def) << e.name;
        EXPECT_STREQ(e.name, def->name);
        EXPECT_STREQ(e.key, def->key) << e.name;
        EXPECT_EQ(e.text, def->kind == VQKind::Text) << e.name;
        EXPECT_TRUE(cppNames.insert(def->cppName).second) << def->cppName;
        EXPECT_GE(def, table);
        EXPECT_LT(def, table + count);
    }
    EXPECT_EQ(nullptr, CVQRegistry::FindValue("NoSuchValue"));
    EXPECT_EQ(CVQRegistry::FindValue("BetaMask%02d"), CVQRegistry::FindValue("BetaMask"));
}

TEST_F(VQRegistryTest, EveryValueWithNoKeyGivesItsDefault)
{
    for (const Expected& e : kExpected) {
        if (e.text) {
            EXPECT_STREQ("", m_reg.GetText(e.name)) << e.name;
        } else {
            EXPECT_EQ(e.keyMissing, m_reg.GetNumber(e.name)) << e.name;
        }
    }
    // The same through the typed accessors the other subsystems call.
    EXPECT_EQ(TRUE, m_reg.GetAutoConnectAtStart());
    EXPECT_EQ(TRUE, m_reg.GetAutoEPROM());
    EXPECT_EQ(20u, m_reg.GetMessageTimeout());
    EXPECT_EQ(4u, m_reg.GetTabIndent());
    EXPECT_EQ(256u, m_reg.GetTerminalBufferedLines());
    EXPECT_EQ(132u, m_reg.GetTerminalMaxLineLength());
    EXPECT_EQ(1000u, m_reg.GetDigitalIOPollInterval());
    EXPECT_EQ(100, m_reg.GetDXServerPollPeriod());
    EXPECT_EQ(-1, m_reg.GetBankRows(2));
    EXPECT_EQ(500u, m_reg.GetUpdatePeriod());
    EXPECT_EQ(1u, m_reg.GetEndPointDiameter());
    EXPECT_STREQ("", m_reg.GetLastProject());
    CString text = "old";
    EXPECT_STREQ("", m_reg.GetLogFileName(text));
    EXPECT_STREQ("", text);
    // Reading creates nothing.
    EXPECT_FALSE(KeyExists(kRoot));
}

TEST_F(VQRegistryTest, EveryValueWithItsKeyButNoValue)
{
    for (const Expected& e : kExpected)
        CreateKey(HKEY_CURRENT_USER, kRoot + e.key);
    for (const Expected& e : kExpected) {
        if (e.text) {
            EXPECT_STREQ("", m_reg.GetText(e.name)) << e.name;
        } else {
            EXPECT_EQ(e.valueMissing, m_reg.GetNumber(e.name)) << e.name;
        }
    }
}

TEST_F(VQRegistryTest, AutoEPROMKeepsItsDefaultWhenAnotherConfigValueIsWritten)
{
    m_reg.SetShowToolBar(FALSE);
    ASSERT_TRUE(KeyExists(kRoot + "\\Config"));
    EXPECT_EQ(TRUE, m_reg.GetAutoEPROM());
    EXPECT_EQ(TRUE, m_reg.GetAutoConnectAtStart());
    EXPECT_EQ(FALSE, m_reg.GetCheckControllerType());
    m_reg.SetAutoEPROM(FALSE);
    EXPECT_EQ(FALSE, m_reg.GetAutoEPROM());
    EXPECT_EQ(0u, StoredDword("\\Config", "AutoEPROM"));
}

TEST_F(VQRegistryTest, KeyRuleValuesReadZeroWhenTheirKeyExists)
{
    // EndPointDiameter: 1 without its key, 3 once the key holds anything else.
    EXPECT_EQ(1u, m_reg.GetEndPointDiameter());
    m_reg.SetXYBuffers(2);
    EXPECT_EQ(3u, m_reg.GetEndPointDiameter());
    m_reg.SetEndPointDiameter(5);
    EXPECT_EQ(5u, m_reg.GetEndPointDiameter());
}

// ---- Clamps ----------------------------------------------------------------

struct ClampCase {
    const char* name;
    const char* key;
    DWORD stored;
    long long read;
};

TEST_F(VQRegistryTest, ReadClamps)
{
    const ClampCase cases[] = {
        {"DigitalIOPollInterval", "\\Config", 100, 250},
        {"DigitalIOPollInterval", "\\Config", 250, 250},
        {"DigitalIOPollInterval", "\\Config", 0xFFFFFFFF, 0xFFFFFFFF},
        {"PanasonicA4NPollInterval", "\\Config", 50, 100},
        {"PanasonicA4NPollInterval", "\\Config", 5000, 5000},
        {"TabIndent", "\\Editor", 0, 1},
        {"TabIndent", "\\Editor", 12, 8},
        {"TabIndent", "\\Editor", 3, 3},
        {"CodeStart", "\\Editor", 17, 16},
        {"TerminalBufferedLines", "\\Terminal", 10, 25},
        {"TerminalBufferedLines", "\\Terminal", 5000, 2048},
        {"TerminalMaxLineLength", "\\Terminal", 79, 80},
        {"TerminalMaxLineLength", "\\Terminal", 300, 256},
        {"MessageTimeout", "\\Comms", 2, 2}, // Set clamps, Get does not
        {"MessageTimeout", "\\Comms", 500, 500},
        {"Language", "\\Config", 0x12345, 0x2345}, // 16 bits count
        {"BetaMask00", "\\Config", 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const ClampCase& c : cases) {
        PutDword(c.key, c.name, c.stored);
        const std::string name = c.name;
        if (name == "BetaMask00") {
            EXPECT_EQ(c.read, m_reg.GetNumber("BetaMask", 0));
            EXPECT_EQ(0xFFFFFFFFu, m_reg.GetBetaMask(0));
        } else {
            EXPECT_EQ(c.read, m_reg.GetNumber(c.name)) << c.name << " stored " << c.stored;
        }
    }
    EXPECT_EQ(250u, [&] {
        PutDword("\\Config", "DigitalIOPollInterval", 100);
        return m_reg.GetDigitalIOPollInterval();
    }());
}

struct WriteClampCase {
    const char* name;
    const char* key;
    long long written;
    DWORD stored;
};

TEST_F(VQRegistryTest, WriteClamps)
{
    const WriteClampCase cases[] = {
        {"MessageTimeout", "\\Comms", 2, 5},
        {"MessageTimeout", "\\Comms", 500, 120},
        {"MessageTimeout", "\\Comms", 30, 30},
        {"TabIndent", "\\Editor", 20, 8},
        {"TabIndent", "\\Editor", 0, 1},
        {"CodeStart", "\\Editor", 40, 16},
        {"TerminalBufferedLines", "\\Terminal", 5000, 2048},
        {"TerminalBufferedLines", "\\Terminal", 5, 25},
        {"TerminalMaxLineLength", "\\Terminal", 1000, 256},
        {"DigitalIOPollInterval", "\\Config", 100, 100}, // clamped on reading only
    };
    for (const WriteClampCase& c : cases) {
        EXPECT_TRUE(m_reg.SetNumber(c.name, c.written)) << c.name;
        EXPECT_EQ(c.stored, StoredDword(c.key, c.name)) << c.name << " written " << c.written;
    }
    m_reg.SetMessageTimeout(2);
    EXPECT_EQ(5u, StoredDword("\\Comms", "MessageTimeout"));
    m_reg.SetMessageTimeout(500);
    EXPECT_EQ(120u, StoredDword("\\Comms", "MessageTimeout"));
    EXPECT_EQ(120u, m_reg.GetMessageTimeout());
}

// ---- Types and write conditions -------------------------------------------

TEST_F(VQRegistryTest, StoredTypes)
{
    m_reg.SetShowToolBar(7);
    EXPECT_EQ(1u, StoredDword("\\Config", "ShowToolBar"));
    m_reg.SetLanguage(0x0409);
    EXPECT_EQ(0x0409u, StoredDword("\\Config", "Language"));
    m_reg.SetLogFlags(0x80000001);
    EXPECT_EQ(0x80000001u, m_reg.GetLogFlags());

    m_reg.SetLogFileName("C:\\Logs\\VQ2Debug.log");
    DWORD type = 0;
    EXPECT_EQ(std::string("C:\\Logs\\VQ2Debug.log\0", 21), StoredRaw("\\Config", "LogFileName", type));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_STREQ("C:\\Logs\\VQ2Debug.log", m_reg.GetLogFileName());

    // A text stored without its NUL reads the same; a number stored as text
    // reads as missing.
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetKeyValueA(HKEY_CURRENT_USER, (kRoot + "\\Config").c_str(), "LogViewer", REG_SZ, "notepad", 7));
    EXPECT_STREQ("notepad", m_reg.GetLogViewer());
    PutText(kRoot + "\\Comms", "MessageTimeout", "40");
    EXPECT_EQ(20u, m_reg.GetMessageTimeout());
    PutDword("\\Config", "FINSProtocol", 3);
    EXPECT_STREQ("", m_reg.GetFINSProtocol());
}

TEST_F(VQRegistryTest, WriteConditionsAndNumberedValues)
{
    m_reg.SetDefaultDirectPort("");
    EXPECT_FALSE(KeyExists(kRoot + "\\Comms"));
    m_reg.SetDefaultDirectPort("COM3");
    EXPECT_STREQ("COM3", m_reg.GetDefaultDirectPort());

    EXPECT_EQ(0u, m_reg.GetBetaMask(-1));
    m_reg.SetBetaMask(-1, 5);
    EXPECT_FALSE(KeyExists(kRoot + "\\Config"));
    m_reg.SetBetaMask(3, 0x10);
    EXPECT_EQ(0x10u, StoredDword("\\Config", "BetaMask03"));
    EXPECT_EQ(0x10u, m_reg.GetBetaMask(3));
    EXPECT_EQ(0u, m_reg.GetBetaMask(2));

    m_reg.SetBankRows(-1, 5);
    m_reg.SetBankRows(1, -2);
    m_reg.SetAxes(-1);
    m_reg.SetAxisScrollPos(-3);
    m_reg.SetUpdatePeriod(0);
    m_reg.SetBankScrollPos(-2, 4);
    EXPECT_FALSE(KeyExists(kRoot + "\\AxisParameters"));
    EXPECT_EQ(-1, m_reg.GetBankRows(-1));
    m_reg.SetBankRows(1, 6);
    m_reg.SetBankScrollPos(2, 0);
    m_reg.SetAxes(4);
    m_reg.SetAxisScrollPos(0);
    m_reg.SetUpdatePeriod(250);
    EXPECT_EQ(6u, StoredDword("\\AxisParameters", "Bank1Rows"));
    EXPECT_EQ(0u, StoredDword("\\AxisParameters", "Bank2ScrollPos"));
    EXPECT_EQ(4u, StoredDword("\\AxisParameters", "Axes"));
    EXPECT_EQ(0u, StoredDword("\\AxisParameters", "AxisScrollPos"));
    EXPECT_EQ(250u, m_reg.GetUpdatePeriod());
    EXPECT_EQ(6, m_reg.GetBankRows(1));
    EXPECT_EQ(-1, m_reg.GetBankRows(0));

    m_reg.SetRecentProject(0, "C:\\Projects\\Demo");
    m_reg.SetRecentProject(1, "C:\\Projects\\Older");
    EXPECT_STREQ("C:\\Projects\\Demo", m_reg.GetLastProject());
    EXPECT_STREQ("C:\\Projects\\Older", m_reg.GetRecentProject(1));
    EXPECT_TRUE(ValueExists("\\Projects", "Project01"));
    EXPECT_STREQ("", m_reg.GetRecentProject(-1));

    EXPECT_FALSE(m_reg.SetNumber("NoSuchValue", 1));
    EXPECT_EQ(0, m_reg.GetNumber("NoSuchValue"));
    EXPECT_FALSE(m_reg.SetNumber("LogFileName", 1)); // a text row
    EXPECT_FALSE(m_reg.SetText("LogFlags", "x"));    // a number row
    EXPECT_TRUE(m_reg.SetText("scripteditor", "edit.exe"));
    EXPECT_STREQ("edit.exe", m_reg.GetScriptEditor());
}

TEST_F(VQRegistryTest, KeysOfTheStore)
{
    EXPECT_FALSE(m_reg.MainWindowKeyExists());
    EXPECT_TRUE(m_reg.CreateProjectsKey());
    EXPECT_TRUE(KeyExists(kRoot + "\\Projects"));
    EXPECT_STREQ("Software\\VexoLabs\\Vorta2\\Config", CVQRegistry::KeyPath("\\Config"));
    EXPECT_STREQ("Software\\VexoLabs\\Vorta2\\Config", CVQRegistry::KeyPath("Config"));
}

// ---- Fallbacks -------------------------------------------------------------

TEST_F(VQRegistryTest, FileCompareSettingsFallBackToTheLocalMachine)
{
    PutText(kRoot + "\\Config", "FileCompareProgramName", "C:\\Merge\\Merge.exe", HKEY_LOCAL_MACHINE);
    PutText(kRoot + "\\Config", "FileCompareProgramArguments", "\"%1\" \"%2\"", HKEY_LOCAL_MACHINE);
    EXPECT_STREQ("C:\\Merge\\Merge.exe", m_reg.GetFileCompareProgramName());
    EXPECT_STREQ("\"%1\" \"%2\"", m_reg.GetFileCompareProgramArguments());
    m_reg.SetFileCompareProgramName("D:\\Mine.exe");
    EXPECT_STREQ("D:\\Mine.exe", m_reg.GetFileCompareProgramName());
    // An empty text of the user's falls back too.
    m_reg.SetFileCompareProgramArguments("");
    EXPECT_STREQ("\"%1\" \"%2\"", m_reg.GetFileCompareProgramArguments());
    // Other texts have no fallback.
    PutText(kRoot + "\\Config", "LogViewer", "viewer.exe", HKEY_LOCAL_MACHINE);
    EXPECT_STREQ("", m_reg.GetLogViewer());
}

TEST_F(VQRegistryTest, DXDriveDatabaseFallsBackToTheDriveToolsPath)
{
    EXPECT_STREQ("", m_reg.GetDXDriveDBFileName());
    PutText("Software\\Norvale\\DDP", "DBPath", "C:\\Norvale\\DB", HKEY_LOCAL_MACHINE);
    EXPECT_STREQ("C:\\Norvale\\DB\\DXDrive.dxd", m_reg.GetDXDriveDBFileName());
    m_reg.SetDXDriveDBFileName("E:\\own.dxd");
    EXPECT_STREQ("E:\\own.dxd", m_reg.GetDXDriveDBFileName());
}

// ---- External tools --------------------------------------------------------

void PutTool(int n, const char* name, const char* file)
{
    char key[64];
    snprintf(key, sizeof key, "\\External\\Tool%02d", n);
    PutText(kRoot + key, "Name", name);
    PutText(kRoot + key, "File", file);
}

TEST_F(VQRegistryTest, ExternalToolsCountUpToTheFirstGap)
{
    EXPECT_EQ(0, m_reg.GetExternalToolCount());
    PutTool(0, "Editor", "C:\\edit.exe");
    PutTool(1, "Calc", "C:\\calc.exe");
    PutTool(3, "Far", "C:\\far.exe");
    EXPECT_EQ(2, m_reg.GetExternalToolCount());

    VQExternalTool tool = {};
    EXPECT_EQ(1, m_reg.GetExternalTool(1, &tool));
    EXPECT_STREQ("Calc", tool.name);
    EXPECT_STREQ("C:\\calc.exe", tool.file);
    EXPECT_EQ(0, m_reg.GetExternalTool(2, &tool));
    EXPECT_EQ(0, m_reg.GetExternalTool(-1, &tool));
    EXPECT_EQ(0, m_reg.GetExternalTool(0, nullptr));

    CString file = "old";
    EXPECT_EQ(1, m_reg.GetExternalToolFile("calc", file));
    EXPECT_STREQ("C:\\calc.exe", file);
    EXPECT_EQ(0, m_reg.GetExternalToolFile("Far", file));
    EXPECT_STREQ("", file);
}

TEST_F(VQRegistryTest, ExternalToolsAddSetAndDelete)
{
    VQExternalTool tool = {"First", "C:\\1.exe"};
    m_reg.AddExternalTool(&tool);
    VQExternalTool second = {"Second", "C:\\2.exe"};
    m_reg.AddExternalTool(&second);
    VQExternalTool third = {"Third", "C:\\3.exe"};
    m_reg.AddExternalTool(&third);
    m_reg.AddExternalTool(nullptr);
    ASSERT_EQ(3, m_reg.GetExternalToolCount());

    VQExternalTool changed = {"Third", "C:\\three.exe"};
    EXPECT_EQ(1, m_reg.SetExternalTool(2, &changed));
    EXPECT_EQ(0, m_reg.SetExternalTool(3, &changed));

    m_reg.DeleteExternalTool("FIRST");
    ASSERT_EQ(2, m_reg.GetExternalToolCount());
    VQExternalTool read = {};
    ASSERT_EQ(1, m_reg.GetExternalTool(0, &read));
    EXPECT_STREQ("Second", read.name);
    EXPECT_STREQ("C:\\2.exe", read.file);
    ASSERT_EQ(1, m_reg.GetExternalTool(1, &read));
    EXPECT_STREQ("Third", read.name);
    EXPECT_STREQ("C:\\three.exe", read.file);
    EXPECT_FALSE(KeyExists(kRoot + "\\External\\Tool02"));

    m_reg.DeleteExternalTool("Nobody");
    EXPECT_EQ(2, m_reg.GetExternalToolCount());
}

TEST_F(VQRegistryTest, ExternalToolTextsTooLongForTheRecordAreRefused)
{
    PutTool(0, std::string(41, 'n').c_str(), "C:\\x.exe");
    VQExternalTool tool = {"keep", "keep"};
    EXPECT_EQ(0, m_reg.GetExternalTool(0, &tool));
    EXPECT_STREQ("keep", tool.name);
    PutTool(0, std::string(40, 'n').c_str(), "C:\\x.exe");
    EXPECT_EQ(1, m_reg.GetExternalTool(0, &tool));
    EXPECT_EQ(40u, strlen(tool.name));
}

// ---- Main window placement ------------------------------------------------

TEST_F(VQRegistryTest, MainWindowPlacement)
{
    WINDOWPLACEMENT placement;
    EXPECT_EQ(0, m_reg.GetMainWindowPlacement(placement));
    EXPECT_EQ(static_cast<UINT>(SW_SHOWMAXIMIZED), placement.showCmd);
    EXPECT_EQ(100, placement.rcNormalPosition.left);
    EXPECT_EQ(500, placement.rcNormalPosition.bottom);
    EXPECT_EQ(sizeof placement, placement.length);

    placement.showCmd = SW_SHOWNORMAL;
    placement.ptMinPosition = POINT{-32000, -32000};
    placement.ptMaxPosition = POINT{-8, -8};
    placement.rcNormalPosition = RECT{-1200, 20, -200, 620};
    m_reg.SetMainWindowPlacement(placement);
    EXPECT_TRUE(m_reg.MainWindowKeyExists());
    DWORD type = 0;
    EXPECT_EQ(std::string("Norm\0", 5), StoredRaw("\\MainWindow", "State", type));

    WINDOWPLACEMENT read;
    EXPECT_EQ(1, m_reg.GetMainWindowPlacement(read));
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), read.showCmd);
    EXPECT_EQ(-32000, read.ptMinPosition.x);
    EXPECT_EQ(-8, read.ptMaxPosition.y);
    EXPECT_EQ(-1200, read.rcNormalPosition.left);
    EXPECT_EQ(620, read.rcNormalPosition.bottom);

    const struct {
        UINT show;
        const char* state;
        UINT readBack;
    } cases[] = {
        {SW_SHOWMINIMIZED, "Min", SW_SHOWMINIMIZED},
        {SW_SHOWMAXIMIZED, "Max", SW_SHOWMAXIMIZED},
        {SW_HIDE, "Max", SW_SHOWMAXIMIZED},
        {SW_SHOWNORMAL, "Norm", SW_SHOWNORMAL},
    };
    for (const auto& c : cases) {
        placement.showCmd = c.show;
        m_reg.SetMainWindowPlacement(placement);
        EXPECT_EQ(std::string(c.state) + '\0', StoredRaw("\\MainWindow", "State", type)) << c.show;
        m_reg.GetMainWindowPlacement(read);
        EXPECT_EQ(c.readBack, read.showCmd) << c.show;
    }
    PutText(kRoot + "\\MainWindow", "State", "Whatever");
    m_reg.GetMainWindowPlacement(read);
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), read.showCmd);

    // A missing single value takes its row's default.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (kRoot + "\\MainWindow").c_str(), "NormRight");
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (kRoot + "\\MainWindow").c_str(), "State");
    m_reg.GetMainWindowPlacement(read);
    EXPECT_EQ(700, read.rcNormalPosition.right);
    EXPECT_EQ(static_cast<UINT>(SW_SHOWMAXIMIZED), read.showCmd);
}

// ---- Editor colours, histories, margins -----------------------------------

TEST_F(VQRegistryTest, EditorColours)
{
    const COLORREF defaults[] = {0x00FF00,
                                 0xFF00FF,
                                 0x00FFFF,
                                 0x0000FF,
                                 0x000080,
                                 0x008000,
                                 0x800000,
                                 0x800000,
                                 0x808000,
                                 0x808000,
                                 GetSysColor(COLOR_WINDOW),
                                 GetSysColor(COLOR_WINDOWTEXT),
                                 0xC8FFFF,
                                 0xFFFFDE};
    for (int i = 0; i < VQ_EDITOR_COLOUR_COUNT; ++i) {
        EXPECT_EQ(defaults[i], CVQRegistry::GetDefaultEditorColour(i)) << i;
        EXPECT_EQ(defaults[i], m_reg.GetEditorColour(i)) << i;
    }
    EXPECT_EQ(0u, CVQRegistry::GetDefaultEditorColour(14));
    EXPECT_EQ(0u, m_reg.GetEditorColour(-1));

    m_reg.SetEditorColour(4, RGB(1, 2, 3));
    EXPECT_EQ(RGB(1, 2, 3), StoredDword("\\Editor\\Colour", "KeyWord"));
    EXPECT_EQ(RGB(1, 2, 3), m_reg.GetEditorColour(4));
    EXPECT_EQ(defaults[5], m_reg.GetEditorColour(5));
    m_reg.SetEditorColour(12, RGB(9, 9, 9));
    EXPECT_EQ(defaults[12], m_reg.GetEditorColour(12));
    PutText(kRoot + "\\Editor\\Colour", "Comment", "green");
    EXPECT_EQ(defaults[5], m_reg.GetEditorColour(5));
    EXPECT_STREQ("Foreground", CVQRegistry::GetEditorColourName(11));
    EXPECT_EQ(nullptr, CVQRegistry::GetEditorColourName(12));
}

TEST_F(VQRegistryTest, HistoriesOfSixteenSlots)
{
    CStringList list;
    m_reg.GetFindHistory(list);
    EXPECT_TRUE(list.IsEmpty());

    std::vector<std::string> ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back("find" + std::to_string(i));
    m_reg.SetFindHistory(Fill(list, ten));
    m_reg.SetFindHistory(Fill(list, {"a", "b", "c"}));
    for (int i = 0; i < 16; ++i) {
        char name[32];
        snprintf(name, sizeof name, "FindItem%02d", i);
        EXPECT_EQ(i < 3, ValueExists("\\Editor\\Find", name)) << name;
    }
    m_reg.GetFindHistory(list);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), ToVector(list));

    // A missing slot does not end the list.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, (kRoot + "\\Editor\\Find").c_str(), "FindItem01");
    m_reg.GetFindHistory(list);
    EXPECT_EQ((std::vector<std::string>{"a", "c"}), ToVector(list));

    // An empty entry deletes its slot.
    m_reg.SetFindHistory(Fill(list, {"x", "", "z"}));
    EXPECT_FALSE(ValueExists("\\Editor\\Find", "FindItem01"));
    m_reg.GetFindHistory(list);
    EXPECT_EQ((std::vector<std::string>{"x", "z"}), ToVector(list));

    // Entries beyond sixteen are not stored; the replace history is its own.
    std::vector<std::string> twenty;
    for (int i = 0; i < 20; ++i)
        twenty.push_back("r" + std::to_string(i));
    m_reg.SetReplaceHistory(Fill(list, twenty));
    m_reg.GetReplaceHistory(list);
    EXPECT_EQ(16, list.GetCount());
    EXPECT_STREQ("r15", list.GetTail());
    EXPECT_FALSE(ValueExists("\\Editor\\Find", "ReplaceItem16"));
    m_reg.GetFindHistory(list);
    EXPECT_EQ((std::vector<std::string>{"x", "z"}), ToVector(list));
}

TEST_F(VQRegistryTest, PrintMargins)
{
    VQPrintMargins margins = {75, 75, 75, 75, 0};
    EXPECT_FALSE(m_reg.GetPrintMargins(margins));
    EXPECT_EQ(75, margins.left);

    PutDword("\\Editor\\Print", "Top", 50);
    EXPECT_TRUE(m_reg.GetPrintMargins(margins));
    EXPECT_EQ(0, margins.left);
    EXPECT_EQ(50, margins.top);
    EXPECT_EQ(0u, margins.metric);

    m_reg.SetPrintMargins(VQPrintMargins{-5, 10, 20, 30, 1});
    EXPECT_EQ(0u, StoredDword("\\Editor\\Print", "Left"));
    EXPECT_EQ(30u, StoredDword("\\Editor\\Print", "Bottom"));
    EXPECT_TRUE(m_reg.GetPrintMargins(margins));
    EXPECT_EQ(20, margins.right);
    EXPECT_EQ(1u, margins.metric);
}

// ---- Fonts -------------------------------------------------------------------

TEST_F(VQRegistryTest, FontsAreSubkeysOfThirteenFieldsAndAFaceName)
{
    LOGFONTA font = {};
    font.lfHeight = -13;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfCharSet = ANSI_CHARSET;
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    strcpy(font.lfFaceName, "Courier New");
    EXPECT_EQ(1, m_reg.SetEditorFont(font));

    EXPECT_EQ(static_cast<DWORD>(-13), StoredDword("\\Editor\\Font", "Height"));
    EXPECT_EQ(700u, StoredDword("\\Editor\\Font", "Weight"));
    EXPECT_EQ(static_cast<DWORD>(FIXED_PITCH | FF_MODERN), StoredDword("\\Editor\\Font", "PitchAndFamily"));
    DWORD type = 0;
    EXPECT_EQ(std::string("Courier New\0", 12), StoredRaw("\\Editor\\Font", "FaceName", type));

    LOGFONTA read;
    memset(&read, 0x55, sizeof read);
    EXPECT_EQ(1, m_reg.GetEditorFont(read));
    EXPECT_EQ(0, memcmp(&font, &read, offsetof(LOGFONTA, lfFaceName)));
    EXPECT_STREQ("Courier New", read.lfFaceName);

    // The four fonts of the system lie in their own subkeys.
    EXPECT_EQ(0, m_reg.GetTerminalFont(read));
    EXPECT_EQ(1, m_reg.SetTerminalFont(font));
    EXPECT_EQ(1, m_reg.SetScopeFont(font));
    EXPECT_EQ(1, m_reg.SetEditorPrinterFont(font));
    EXPECT_TRUE(KeyExists(kRoot + "\\Terminal\\Font"));
    EXPECT_TRUE(KeyExists(kRoot + "\\Oscilloscope\\Show\\Font"));
    EXPECT_TRUE(KeyExists(kRoot + "\\Editor\\PrinterFont"));
    EXPECT_EQ(1, m_reg.GetScopeFont(read));
}

TEST_F(VQRegistryTest, FontReadsMissingFieldsAsZero)
{
    PutText(kRoot + "\\Terminal\\Font", "FaceName", "Lucida Console");
    LOGFONTA font;
    memset(&font, 0x55, sizeof font);
    ASSERT_EQ(1, m_reg.GetTerminalFont(font));
    EXPECT_EQ(0, font.lfHeight);
    EXPECT_EQ(0, font.lfWeight);
    EXPECT_EQ(0, font.lfQuality);
    EXPECT_STREQ("Lucida Console", font.lfFaceName);

    PutText(kRoot + "\\Terminal\\Font", "FaceName", std::string(40, 'F').c_str());
    ASSERT_EQ(1, m_reg.GetTerminalFont(font));
    EXPECT_EQ(std::string(31, 'F'), font.lfFaceName);

    // A missing key leaves the font alone.
    LOGFONTA untouched;
    memset(&untouched, 0x55, sizeof untouched);
    EXPECT_EQ(0, m_reg.GetScopeFont(untouched));
    EXPECT_EQ(0x55555555, untouched.lfHeight);
}

TEST_F(VQRegistryTest, WritingAFontRemovesTheOlderSingleValueForm)
{
    const BYTE old[60] = {};
    PutBinary("\\Editor", "Font", old, sizeof old);
    LOGFONTA font = {};
    strcpy(font.lfFaceName, "Arial");
    EXPECT_EQ(1, m_reg.SetFontSetting("\\Editor", "Font", font));
    EXPECT_FALSE(ValueExists("\\Editor", "Font"));
    EXPECT_TRUE(KeyExists(kRoot + "\\Editor\\Font"));
    EXPECT_EQ(0, m_reg.SetFontSetting("\\Editor", "", font));
}

// ---- Oscilloscope groups ---------------------------------------------------

TEST_F(VQRegistryTest, ScopeChannelKeepsDoublesAsEightByteBinaries)
{
    VQScopeChannel channel = {2, "DPOS", 3, 0.01, -2.5, 1, 4};
    EXPECT_EQ(1, m_reg.SetScopeChannel(1, channel));
    DWORD type = 0;
    const std::string raw = StoredRaw("\\Oscilloscope\\Channel1", "VScale", type);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    ASSERT_EQ(8u, raw.size());
    double stored = 0;
    memcpy(&stored, raw.data(), 8);
    EXPECT_EQ(0.01, stored);

    VQScopeChannel read = {};
    EXPECT_EQ(1, m_reg.GetScopeChannel(1, read));
    EXPECT_EQ(2u, read.opMode);
    EXPECT_STREQ("DPOS", read.parameter);
    EXPECT_EQ(0.01, read.vScale);
    EXPECT_EQ(-2.5, read.vOffset);
    EXPECT_EQ(4u, read.scaling);

    // A parameter text longer than the record keeps its first 15 characters.
    PutText(kRoot + "\\Oscilloscope\\Channel1", "Parameter", "ABCDEFGHIJKLMNOPQRST");
    EXPECT_EQ(1, m_reg.GetScopeChannel(1, read));
    EXPECT_STREQ("ABCDEFGHIJKLMNO", read.parameter);

    // Channel 4 does not exist: the record is not touched.
    VQScopeChannel untouched = {7, "X", 7, 7.0, 7.0, 7, 7};
    EXPECT_EQ(0, m_reg.GetScopeChannel(4, untouched));
    EXPECT_EQ(0, m_reg.SetScopeChannel(4, untouched));
    EXPECT_EQ(7u, untouched.opMode);
    EXPECT_EQ(0, m_reg.GetScopeChannel(0, untouched));
    EXPECT_EQ(7u, untouched.opMode);

    // A double of four bytes stops the group.
    const BYTE four[4] = {};
    PutBinary("\\Oscilloscope\\Channel1", "VOffset", four, 4);
    read = VQScopeChannel{};
    EXPECT_EQ(0, m_reg.GetScopeChannel(1, read));
    EXPECT_EQ(0.01, read.vScale);
    EXPECT_EQ(0.0, read.vOffset);
}

TEST_F(VQRegistryTest, ScopeCaptureStopsAtTheFirstMissingValue)
{
    const char* names[] = {"SamplesPerDiv",    "TablePointsPerDiv", "AutoScaleTable", "TableBlock0Start",
                           "TableBlock0End",   "TableBlock1Start",  "TableBlock1End", "TableBlock2End",
                           "TableBlock3Start", "TableBlock3End"};
    DWORD value = 10;
    for (const char* name : names)
        PutDword("\\Oscilloscope\\Capture", name, value++);
    VQScopeCapture capture;
    memset(&capture, 0xEE, sizeof capture);
    EXPECT_EQ(0, m_reg.GetScopeCapture(capture));
    EXPECT_EQ(10u, capture.samplesPerDiv);
    EXPECT_EQ(11u, capture.tablePointsPerDiv);
    EXPECT_EQ(12u, capture.autoScaleTable);
    EXPECT_EQ(13, capture.tableBlock[0].start);
    EXPECT_EQ(14, capture.tableBlock[0].end);
    EXPECT_EQ(15, capture.tableBlock[1].start);
    EXPECT_EQ(16, capture.tableBlock[1].end);
    EXPECT_EQ(static_cast<LONG>(0xEEEEEEEE), capture.tableBlock[2].start);
    EXPECT_EQ(static_cast<LONG>(0xEEEEEEEE), capture.tableBlock[2].end);

    PutDword("\\Oscilloscope\\Capture", "TableBlock2Start", 99);
    EXPECT_EQ(1, m_reg.GetScopeCapture(capture));
    EXPECT_EQ(99, capture.tableBlock[2].start);
    EXPECT_EQ(19, capture.tableBlock[3].end);

    VQScopeCapture written = {5, {{0, 100}, {200, 300}, {-1, 0}, {0, 0}}, 10, 1};
    EXPECT_EQ(1, m_reg.SetScopeCapture(written));
    EXPECT_EQ(1, m_reg.GetScopeCapture(capture));
    EXPECT_EQ(0, memcmp(&written, &capture, sizeof written));
}

TEST_F(VQRegistryTest, ScopeTimebaseColoursAndCursors)
{
    VQScopeTimebase timebase = {};
    EXPECT_EQ(0, m_reg.GetScopeTimebase(timebase));
    EXPECT_EQ(1, m_reg.SetScopeTimebase(VQScopeTimebase{0.02, 0.5, 1, 2, 3}));
    EXPECT_EQ(1, m_reg.GetScopeTimebase(timebase));
    EXPECT_EQ(0.02, timebase.timebase);
    EXPECT_EQ(3u, timebase.triggerSource);

    VQScopeColours colours = {{0x0000FF, 0xFFFF00, 0x00FF00, 0x00FFFF}, 0x600000, 0xC0C0C0, 0x808080,
                              {0x000080, 0x808000, 0x008000, 0x0080FF}, 0x123456};
    EXPECT_EQ(1, m_reg.SetScopeColours(colours));
    EXPECT_EQ(0x600000u, StoredDword("\\Oscilloscope\\Setup", "BackgroundColour"));
    EXPECT_EQ(0x0080FFu, StoredDword("\\Oscilloscope\\Setup", "Cursor3Colour"));
    VQScopeColours read = {};
    EXPECT_EQ(1, m_reg.GetScopeColours(read));
    EXPECT_EQ(0, memcmp(&colours, &read, sizeof read));

    VQScopeCursors cursors = {};
    EXPECT_EQ(0, m_reg.GetScopeCursors(cursors));
    EXPECT_EQ(1, m_reg.SetScopeCursors(VQScopeCursors{{1, 0, 1, 0}, 1}));
    EXPECT_EQ(1, m_reg.GetScopeCursors(cursors));
    EXPECT_EQ(1u, cursors.cursor[2]);
    EXPECT_EQ(1u, cursors.numericDisplay);
}

} // namespace
