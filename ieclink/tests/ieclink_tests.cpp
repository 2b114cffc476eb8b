// The link library as a program linked against it sees it: its messages in
// the program's resource chain, the texts of result codes, the CRC texts,
// finding the external system's installation, the last error and the
// prompts it shows through the program's prompt service.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "foundation/registry.h"
#include "ieclink/kwmpelink.h"
#include "ieclink/tests/messages_table.h"
#include "ieclink/winprocesses.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

// Opens the protected helpers of the link to the tests.
class LinkUnderTest : public CKWMPELink {
public:
    using CKWMPELink::DecodeCRCString;
    using CKWMPELink::GetResultText;
};

TEST(IecLinkMessages, EveryMessageIsFoundByIdThroughTheProgramsChain)
{
    for (const IecMessage& message : kIecMessages) {
        CString text;
        ASSERT_TRUE(text.LoadString(message.id)) << message.id;
        EXPECT_STREQ(message.text, text.GetString()) << message.id;
    }
}

TEST(IecLinkMessages, ResultCodesReadAsTheirTexts)
{
    struct Case {
        HRESULT code;
        const char* text;
    };
    const Case cases[] = {
        {static_cast<HRESULT>(0x80044000), "Internal error"},
        {static_cast<HRESULT>(0x80044001), "POU not found"},
        {static_cast<HRESULT>(0x80044004), "Compilation error"},
        {static_cast<HRESULT>(0x80044007), "Invalid project path"},
        {static_cast<HRESULT>(0x80044008), "No project open"},
        {static_cast<HRESULT>(0x80044009), "Invalid object"},
        {static_cast<HRESULT>(0x8004403F), "SCC command not supported"},
        {static_cast<HRESULT>(0x80044040), "SCC invalid client path"},
        {static_cast<HRESULT>(0x8004404C), "Download of changes is not possible"},
        {static_cast<HRESULT>(0x8004404D), "Unknown error 0x8004404d"},
        {static_cast<HRESULT>(0x80043FFF), "Unknown error 0x80043fff"},
        {S_OK, "OK"},
        {E_UNEXPECTED, "Unexpected error"},
        {E_NOTIMPL, "Not implemented"},
        {E_OUTOFMEMORY, "Out of memory"},
        {E_INVALIDARG, "Invalid argument"},
        {E_NOINTERFACE, "No interface"},
        {E_POINTER, "Invalid pointer"},
        {E_HANDLE, "Invalid handle"},
        {E_ABORT, "Operation aborted"},
        {E_FAIL, "Failed (unspecied)"},
        {E_ACCESSDENIED, "Access denied"},
        {static_cast<HRESULT>(0x8000000A), "Operation pending"},
        {S_FALSE, "Unknown error 0x00000001"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(c.text, LinkUnderTest::GetResultText(c.code).GetString()) << std::hex << c.code;
}

TEST(IecLinkCrc, CrcTextsDecode)
{
    struct Case {
        const char* text;
        unsigned long crc;
    };
    const Case cases[] = {
        {"0x1A2B", 6699},         {"1a2b", 6699},         {"0X1A2B", 0},      {"", 0},
        {"0x", 0},                {"xyz", 0},             {"0x00FF", 255},    {"FFFFFFFF", 0xFFFFFFFFul},
        {"100000000", 0},         {"12G4", 0x12},         {"0x0x12", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.crc, LinkUnderTest::DecodeCRCString(c.text)) << c.text;
}

class IecLinkRegistry : public RegistrySandboxTest {
protected:
    static void Associate(const char* typeName, const char* verb, const char* command)
    {
        CRegistry::CreatePath(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe");
        CRegistry(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe").SetString("", typeName);
        const CString shell = CString("Software\\Classes\\") + typeName + "\\Shell";
        CRegistry::CreatePath(HKEY_LOCAL_MACHINE, shell + "\\" + verb + "\\Command");
        CRegistry(HKEY_LOCAL_MACHINE, shell).SetString("", verb);
        CRegistry(HKEY_LOCAL_MACHINE, shell + "\\" + verb + "\\Command").SetString("", command);
    }
};

TEST_F(IecLinkRegistry, TheExecutableComesFromTheProjectFilesAssociation)
{
    struct Case {
        const char* command;
        int result;
        const char* path;
    };
    const Case cases[] = {
        {"\"C:\\KW\\Bin\\Standin.exe\" \"%1\"", 1, "C:\\KW\\Bin\\Standin.exe"},
        {"C:\\KW\\Bin\\Standin.exe %1", 1, "C:\\KW\\Bin\\Standin.exe"},
        {"\"C:\\Program Files\\KW\\Standin.exe\" \"%1\"", 1, "C:\\Program Files\\KW\\Standin.exe"},
        {"C:\\KW\\Bin\\Standin.exe", 0, ""},
        {"%1", 0, ""},
        {"C:\\KW\\Bin\\Standin.exe%1", 0, ""},
    };
    for (const Case& c : cases) {
        Associate("KWProject", "open", c.command);
        CKWMPELink link;
        EXPECT_EQ(c.result, link.LocateAppExecutable()) << c.command;
        EXPECT_STREQ(c.path, link.GetAppPath().GetString()) << c.command;
        EXPECT_STREQ("", link.GetLastError().GetString());
    }
}

TEST_F(IecLinkRegistry, NoAssociationLeavesThePathEmpty)
{
    CKWMPELink link;
    EXPECT_EQ(0, link.LocateAppExecutable());
    EXPECT_TRUE(link.GetAppPath().IsEmpty());

    // A type without a verb is no better.
    CRegistry::CreatePath(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe");
    CRegistry(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe").SetString("", "KWProject");
    EXPECT_EQ(0, link.LocateAppExecutable());
}

TEST_F(IecLinkRegistry, TheSystemsFolderIsStoredAsTextWithItsNul)
{
    ScratchFolder folder;
    CString dir;
    EXPECT_EQ(0, CKWMPELink::GetKWMPEDir(dir));

    EXPECT_EQ(0, CKWMPELink::SetKWMPEDir((folder / "missing").c_str()));
    EXPECT_FALSE(CRegistry(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\KWMPELink").KeyExists());

    ASSERT_EQ(1, CKWMPELink::SetKWMPEDir(folder.Path().c_str()));
    EXPECT_EQ(1, CKWMPELink::GetKWMPEDir(dir));
    EXPECT_STREQ(folder.Path().c_str(), dir.GetString());

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\VexoLabs\\KWMPELink", 0, KEY_ALL_ACCESS, &key));
    DWORD type = 0, size = 0;
    RegQueryValueExA(key, "KWMPEDir", nullptr, &type, nullptr, &size);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(folder.Path().size() + 1, size);

    // Any other type reads as missing.
    const DWORD number = 7;
    RegSetValueExA(key, "KWMPEDir", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
    RegCloseKey(key);
    EXPECT_EQ(0, CKWMPELink::GetKWMPEDir(dir));
    EXPECT_TRUE(dir.IsEmpty());
}

TEST_F(IecLinkRegistry, AFailedLaunchEndsConnectAtOnce)
{
    ScratchFolder folder;
    const std::string missing = folder / "NoSuchSystem.exe";
    Associate("KWProject", "open", ("\"" + missing + "\" \"%1\"").c_str());
    FakeClock clock;
    CKWMPELink link;
    ASSERT_EQ(1, link.LocateAppExecutable());
    EXPECT_EQ(0, link.IsAppRunning());
    EXPECT_EQ(0, link.Connect());
    const CString error = link.GetLastError();
    EXPECT_EQ(0, error.Find("Program launch failed with error 2: ")) << error.GetString();
    EXPECT_GT(error.GetLength(), static_cast<int>(strlen("Program launch failed with error 2: "))) << error.GetString();
    EXPECT_EQ(0u, clock.SleptMs());
    EXPECT_EQ(0, link.IsAppConnected());
}

TEST(IecLinkUnconnected, MembersFailWithInvalidApplicationAndTheObjectStaysUsable)
{
    CKWMPELink link;
    long id = 5;
    EXPECT_EQ(0, link.GetCommandID("CompressProject", id));
    EXPECT_EQ(0, id);
    EXPECT_STREQ("Invalid application", link.GetLastError().GetString());
    link.ClearError();

    struct Member {
        const char* name;
        int (*call)(CKWMPELink&);
    };
    const Member members[] = {
        {"OpenProject", [](CKWMPELink& l) { return l.OpenProject("C:\\x.mwe"); }},
        {"CreateProject", [](CKWMPELink& l) { return l.CreateProject(CString("C:\\x.mwe")); }},
        {"CloseProject", [](CKWMPELink& l) { return l.CloseProject(); }},
        {"CompileProject", [](CKWMPELink& l) { return l.CompileProject(); }},
        {"SaveCompressed", [](CKWMPELink& l) { return l.SaveCompressed(); }},
        {"SendToController", [](CKWMPELink& l) { return l.SendToController(); }},
        {"AddPOU", [](CKWMPELink& l) { return l.AddPOU("MAIN"); }},
        {"SetIPAddress", [](CKWMPELink& l) { return l.SetIPAddress(CIP4Address()); }},
        {"GetIPAddress",
         [](CKWMPELink& l) {
             CIP4Address a(0x01020304);
             const int r = l.GetIPAddress(a);
             return r + (a.GetAddressText() == "127.0.0.1" ? 0 : 100);
         }},
    };
    for (const Member& m : members) {
        link.ClearError();
        EXPECT_EQ(0, m.call(link)) << m.name;
        EXPECT_STREQ("Invalid application", link.GetLastError().GetString()) << m.name;
    }
    EXPECT_EQ(0, link.IsProjectOpen());
    EXPECT_EQ(0, link.IsAppConnected());
    EXPECT_EQ(0, link.IsUserAppCloseEnabled());
    EXPECT_TRUE(link.GetCurrentProjectFilePath().IsEmpty());
    link.CloseApp();
    link.HideApp();
}

TEST(IecLinkUnconnected, TheLastErrorIsShownThroughTheProgramsPrompts)
{
    ScriptedPrompts prompts;
    CKWMPELink link;
    link.ShowLastError(0);
    EXPECT_TRUE(prompts.Records().empty());

    link.ShowLastError(1);
    ASSERT_EQ(1u, prompts.Records().size());
    EXPECT_EQ("No error", prompts.Records()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), prompts.Records()[0].type & MB_ICONMASK);

    link.OpenProject("C:\\x.mwe");
    link.ShowLastError(1);
    ASSERT_EQ(2u, prompts.Records().size());
    EXPECT_EQ("Invalid application", prompts.Records()[1].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), prompts.Records()[1].type & MB_ICONMASK);

    CKWMPELink copy(link);
    EXPECT_STREQ("Invalid application", copy.GetLastError().GetString());
}

class WindowLink : public CKWMPELink {
public:
    using CKWMPELink::EnumWindowsProc;
    using CKWMPELink::LocateAppMainWindow;
};

TEST(IecLinkMainWindow, TheFirstWindowWhoseTitleBeginsWithTheSystemsNameIsTheOne)
{
    // Near misses: another case, and one character short.
    const char* titles[] = {"multiprog express", "MULTIPROG Expres", "MULTIPROG Express - A", "MULTIPROG Express - B"};
    std::vector<HWND> windows;
    for (const char* title : titles)
        windows.push_back(CreateWindowExA(0, "STATIC", title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                          GetModuleHandleA(nullptr), nullptr));
    for (HWND window : windows)
        ASSERT_NE(nullptr, window);

    // The first of the two in the system's own order.
    EnumWindows(
        [](HWND hwnd, LPARAM lParam) -> BOOL {
            auto* wanted = reinterpret_cast<std::vector<HWND>*>(lParam);
            if (hwnd != (*wanted)[2] && hwnd != (*wanted)[3])
                return TRUE;
            wanted->push_back(hwnd);
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&windows));
    ASSERT_EQ(5u, windows.size());
    const HWND first = windows[4];

    WindowLink link;
    EXPECT_EQ(first, link.LocateAppMainWindow());
    EXPECT_FALSE(WindowLink::EnumWindowsProc(windows[2], 0));

    DestroyWindow(windows[2]);
    DestroyWindow(windows[3]);
    EXPECT_EQ(nullptr, link.LocateAppMainWindow());
    DestroyWindow(windows[0]);
    DestroyWindow(windows[1]);
}

TEST(IecLinkProcesses, TheRunningProgramIsFoundByItsFileNameInAnyCase)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    CString name(strrchr(path, '\\') + 1);
    name.MakeUpper();
    CWinProcesses processes;
    CWinProcessData data;
    ASSERT_EQ(1, processes.FindProcess(name, data));
    EXPECT_EQ(GetCurrentProcessId(), data.m_nProcessId);
    EXPECT_EQ(0, data.m_strExeFile.CompareNoCase(name));
    EXPECT_EQ(0, processes.FindProcess("", data));
    EXPECT_EQ(0u, data.m_nProcessId);
    EXPECT_EQ(0, processes.FindProcess("NoSuchProgram.exe", data));

    CWinProcesses none(0);
    EXPECT_EQ(0, none.GetFirst(data));
}

} // namespace
