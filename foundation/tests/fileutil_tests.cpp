#include "foundation/fileutil.h"

#include <cstdio>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "testsupport/scratch_folder.h"

namespace {

std::set<std::string> Entries(const std::string& folder)
{
    std::set<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do {
        const std::string name = data.cFileName;
        if (name != "." && name != "..")
            names.insert(name + ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? "\\" : ""));
    } while (FindNextFileA(h, &data));
    FindClose(h);
    return names;
}

void SetWriteTime(const std::string& path, ULONGLONG ticks)
{
    HANDLE h = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    FILETIME time = {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
    CloseHandle(h);
}

// A directory link made on the host: under Wine a host symbolic link shows
// as a folder with the reparse-point attribute, which is what a directory
// link or junction is on Windows. Wine cannot make or remove one through
// the Win32 calls, so the host's ln and rm do it; the link goes when the
// object does. Made() is false where that is not possible.
class HostDirectoryLink {
public:
    HostDirectoryLink(const std::string& target, const std::string& link) : m_path(link)
    {
        m_unixPath = UnixPath(link);
        const std::string unixTarget = UnixPath(target);
        m_made = !m_unixPath.empty() && !unixTarget.empty() &&
                 StartHost("/bin/ln", "ln -s " + unixTarget + " " + m_unixPath) && WaitFor(true);
    }
    ~HostDirectoryLink()
    {
        if (m_made && StartHost("/bin/rm", "rm -f " + m_unixPath))
            WaitFor(false);
    }
    bool Made() const { return m_made; }

private:
    using ToUnix = char*(CDECL*)(LPCWSTR);
    using ToDos = WCHAR*(CDECL*)(LPCSTR);

    static std::string UnixPath(const std::string& path)
    {
        auto toUnix = reinterpret_cast<ToUnix>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
        WCHAR wide[MAX_PATH];
        if (!toUnix || !MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH))
            return std::string();
        char* unix = toUnix(wide);
        const std::string result = unix ? unix : "";
        HeapFree(GetProcessHeap(), 0, unix);
        return result;
    }

    // Wine runs a host program on its own; there is no process to wait
    // for, so the caller watches for the program's effect.
    static bool StartHost(const char* program, const std::string& commandLine)
    {
        auto toDos = reinterpret_cast<ToDos>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_dos_file_name")));
        WCHAR* dos = toDos ? toDos(program) : nullptr;
        if (!dos)
            return false;
        STARTUPINFOW startup = {sizeof startup};
        PROCESS_INFORMATION process;
        std::wstring wideLine(commandLine.begin(), commandLine.end());
        const BOOL started =
            CreateProcessW(dos, wideLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
        HeapFree(GetProcessHeap(), 0, dos);
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        return started != FALSE;
    }

    // Waits (at most 10 s) until the link is there as a link, or gone.
    bool WaitFor(bool present) const
    {
        for (int i = 0; i < 1000; ++i) {
            const DWORD attributes = GetFileAttributesA(m_path.c_str());
            const bool isLink = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
            if (isLink == present && (present || attributes == INVALID_FILE_ATTRIBUTES))
                return true;
            Sleep(10);
        }
        return false;
    }

    std::string m_path;
    std::string m_unixPath;
    bool m_made = false;
};

class FileUtilTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(WriteWholeFile(m_folder / "plain.txt", "plain"));
        ASSERT_TRUE(WriteWholeFile(m_folder / "locked.txt", "locked"));
        SetFileAttributesA((m_folder / "locked.txt").c_str(), FILE_ATTRIBUTE_READONLY);
        ASSERT_TRUE(CreateDirectoryA((m_folder / "sub").c_str(), nullptr));
    }

    ScratchFolder m_folder;
};

TEST_F(FileUtilTest, PathExistsByKind)
{
    char drive[4] = "C:\\";
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    drive[0] = windows[0];

    struct Case {
        std::string path;
        int kind;
        BOOL exists;
        BOOL readOnly;
    };
    const Case cases[] = {
        {m_folder / "plain.txt", 0, TRUE, FALSE},
        {m_folder / "locked.txt", 0, TRUE, TRUE},
        {m_folder / "plain.txt", 1, FALSE, TRUE},
        {m_folder / "sub", 1, TRUE, FALSE},
        {m_folder / "sub\\", 1, TRUE, FALSE},
        {m_folder / "sub", 0, FALSE, TRUE}, // a folder is no file
        {m_folder / "missing.txt", 0, FALSE, TRUE},
        {m_folder / "p*.txt", 0, TRUE, FALSE},
        {m_folder / "s*", 1, TRUE, FALSE},
        {m_folder / "plain.txt", 2, FALSE, TRUE},
        {drive, 1, TRUE, FALSE},
        {drive, 0, TRUE, FALSE}, // a drive root exists whichever kind is asked
        {"Q:", 1, FALSE, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.path << " kind " << c.kind);
        BOOL readOnly = 7;
        EXPECT_EQ(c.exists, PathExists(c.path.c_str(), c.kind, &readOnly));
        EXPECT_EQ(c.readOnly, readOnly);
    }
    EXPECT_TRUE(DirectoryExists(m_folder.Path().c_str()));
    EXPECT_FALSE(PathExists(nullptr));
    SetFileAttributesA((m_folder / "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileUtilTest, LocalDrivePaths)
{
    char windows[MAX_PATH];
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
    EXPECT_TRUE(IsLocalDrivePath(windows, TRUE));
    EXPECT_TRUE(IsLocalDrivePath(windows, FALSE));
    EXPECT_FALSE(IsLocalDrivePath("\\\\server\\share\\file", FALSE));
    EXPECT_FALSE(IsLocalDrivePath("C:", FALSE));
    EXPECT_FALSE(IsLocalDrivePath("1:\\x", FALSE));
}

TEST_F(FileUtilTest, CopyAndDeleteFolderTrees)
{
    ASSERT_TRUE(WriteWholeFile(m_folder / "sub\\inner.bas", "PRINT 1"));
    ASSERT_TRUE(CreateDirectoryA((m_folder / "sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(m_folder / "sub\\deeper\\deep.txt", "deep"));
    SetFileAttributesA((m_folder / "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    ScratchFolder target;
    const std::string copy = target / "copy";
    ASSERT_TRUE(CopyDirectory(m_folder.Path().c_str(), copy.c_str(), 0, 32));
    EXPECT_EQ((std::set<std::string>{"locked.txt", "plain.txt", "sub\\"}), Entries(copy));
    EXPECT_EQ((std::set<std::string>{"deeper\\", "inner.bas"}), Entries(copy + "\\sub"));
    EXPECT_EQ("deep", ReadWholeFile(copy + "\\sub\\deeper\\deep.txt"));

    // Copying again overwrites.
    ASSERT_TRUE(WriteWholeFile(m_folder / "plain.txt", "changed"));
    ASSERT_TRUE(CopyDirectory(m_folder.Path().c_str(), copy.c_str()));
    EXPECT_EQ("changed", ReadWholeFile(copy + "\\plain.txt"));

    // The depth limit stops the copy and says so.
    const std::string shallow = target / "shallow";
    EXPECT_FALSE(CopyDirectory(m_folder.Path().c_str(), shallow.c_str(), 0, 1));
    EXPECT_FALSE(CopyDirectory((m_folder / "missing").c_str(), shallow.c_str()));
    EXPECT_FALSE(CopyDirectory(m_folder.Path().c_str(), shallow.c_str(), 3, 2));

    EXPECT_TRUE(DeleteDirectory(copy.c_str()));
    EXPECT_FALSE(DirectoryExists(copy.c_str()));
    EXPECT_FALSE(DeleteDirectory(copy.c_str()));
}

TEST_F(FileUtilTest, FindNewestFileWalksSubfolders)
{
    ASSERT_TRUE(CreateDirectoryA((m_folder / "sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(m_folder / "sub\\deeper\\newest.txt", "n"));
    const ULONGLONG base = 133000000000000000ull; // in 2022
    SetWriteTime(m_folder / "plain.txt", base);
    SetWriteTime(m_folder / "locked.txt", base + 10);
    SetWriteTime(m_folder / "sub\\deeper\\newest.txt", base + 20);

    CString path;
    FILETIME time = {0, 0};
    ASSERT_TRUE(FindNewestFile(m_folder.Path().c_str(), path, time));
    EXPECT_EQ(CString((m_folder / "sub\\deeper\\newest.txt").c_str()), path);
    EXPECT_EQ(base + 20, (static_cast<ULONGLONG>(time.dwHighDateTime) << 32) | time.dwLowDateTime);

    // Nothing later than the time passed in: the outputs stay.
    EXPECT_FALSE(FindNewestFile(m_folder.Path().c_str(), path, time));
    EXPECT_EQ(CString((m_folder / "sub\\deeper\\newest.txt").c_str()), path);

    // Too shallow a walk misses the deep file.
    CString shallowPath;
    FILETIME shallowTime = {0, 0};
    ASSERT_TRUE(FindNewestFile(m_folder.Path().c_str(), shallowPath, shallowTime, 0, 1));
    EXPECT_EQ(CString((m_folder / "locked.txt").c_str()), shallowPath);
    SetFileAttributesA((m_folder / "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Folder walks never go through a link: a tree holding a link to a folder
// outside it is copied, searched and deleted without touching that folder.
TEST_F(FileUtilTest, FolderWalksNeverFollowLinks)
{
    ScratchFolder outside;
    ASSERT_TRUE(WriteWholeFile(outside / "precious.txt", "keep me"));
    SetWriteTime(outside / "precious.txt", 133000000000000900ull);
    ASSERT_TRUE(WriteWholeFile(m_folder / "sub\\inner.txt", "inner"));
    SetWriteTime(m_folder / "sub\\inner.txt", 133000000000000100ull);
    SetFileAttributesA((m_folder / "locked.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetWriteTime(m_folder / "plain.txt", 133000000000000000ull);
    SetWriteTime(m_folder / "locked.txt", 133000000000000000ull);

    HostDirectoryLink link(outside.Path(), m_folder / "sub\\link");
    if (!link.Made())
        GTEST_SKIP() << "no directory link can be made here";

    // The search does not find the newer file behind the link.
    CString newest;
    FILETIME time = {0, 0};
    ASSERT_TRUE(FindNewestFile(m_folder.Path().c_str(), newest, time));
    EXPECT_EQ(CString((m_folder / "sub\\inner.txt").c_str()), newest);

    // The copy makes the link again or fails; it never copies through it.
    ScratchFolder target;
    const std::string copy = target / "copy";
    const BOOL copied = CopyDirectory(m_folder.Path().c_str(), copy.c_str());
    const DWORD copiedLink = GetFileAttributesA((copy + "\\sub\\link").c_str());
    const bool linkMadeAgain = copiedLink != INVALID_FILE_ATTRIBUTES && (copiedLink & FILE_ATTRIBUTE_REPARSE_POINT);
    EXPECT_EQ(copied != FALSE, linkMadeAgain);
    if (!linkMadeAgain) {
        EXPECT_FALSE(PathExists((copy + "\\sub\\link\\precious.txt").c_str()));
    }

    // Deleting the tree removes at most the link; the folder it points to
    // keeps its files. The result says whether the tree is gone.
    const BOOL deleted = DeleteDirectory(m_folder.Path().c_str());
    EXPECT_EQ("keep me", ReadWholeFile(outside / "precious.txt"));
    EXPECT_EQ(deleted != FALSE, !DirectoryExists(m_folder.Path().c_str()));
    EXPECT_FALSE(PathExists((m_folder / "sub\\inner.txt").c_str()));
}

TEST_F(FileUtilTest, TempFolderAndUnusedNames)
{
    const CString temp = GetTempFolder();
    ASSERT_FALSE(temp.IsEmpty());
    EXPECT_EQ('\\', temp[temp.GetLength() - 1]);
    EXPECT_TRUE(DirectoryExists(temp));

    // A prefix of our own, so names other programs left do not matter.
    char prefix[32];
    snprintf(prefix, sizeof prefix, "FndT%lu_", GetCurrentProcessId());
    const CString first = MakeTempFileName(prefix, "tmp");
    EXPECT_EQ(temp + prefix + "0.tmp", first);
    ASSERT_TRUE(WriteWholeFile(first.GetString(), "taken"));
    const CString second = MakeTempFileName(prefix, "tmp");
    EXPECT_EQ(temp + prefix + "1.tmp", second);
    DeleteFileA(first);
}

TEST_F(FileUtilTest, ProgramPathsAndNames)
{
    const CString module = GetModulePath();
    ASSERT_FALSE(module.IsEmpty());
    EXPECT_EQ(CString(".exe"), module.Right(4));
    const CString stripped = GetModulePath(TRUE);
    EXPECT_EQ(module.Left(module.GetLength() - 4), stripped);
    EXPECT_EQ(module.Left(module.ReverseFind('\\')), GetProgramDirectory());

    struct Case {
        const char* path;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"C:\\Work\\demo.prj", "demo", "prj"},
        {"C:\\Work.d\\demo", "demo", ""},
        {"archive.tar.gz", "archive.tar", "gz"},
        {"C:\\Work\\", "", ""},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        CString name;
        CString extension;
        SplitFileName(c.path, name, extension);
        EXPECT_EQ(CString(c.name), name);
        EXPECT_EQ(CString(c.extension), extension);
        EXPECT_EQ(CString(c.extension), GetFileExtension(c.path));
    }
}

TEST_F(FileUtilTest, EnvironmentAndTimeTexts)
{
    SetEnvironmentVariableA("FND_TEST_VALUE", "hello");
    CString value = "unchanged";
    EXPECT_TRUE(GetEnvironmentText("FND_TEST_VALUE", value));
    EXPECT_EQ(CString("hello"), value);
    SetEnvironmentVariableA("FND_TEST_VALUE", nullptr);
    value = "unchanged";
    EXPECT_FALSE(GetEnvironmentText("FND_TEST_VALUE", value));
    EXPECT_FALSE(GetEnvironmentText("", value));
    EXPECT_EQ(CString("unchanged"), value);

    char common[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA("CommonProgramFiles", common, MAX_PATH);
    const CString saved = length ? CString(common) : CString();
    SetEnvironmentVariableA("CommonProgramFiles", "C:\\Common Files");
    EXPECT_EQ(CString("C:\\Common Files\\VexoLabs"), GetCommonFilesMakerDir());
    SetEnvironmentVariableA("CommonProgramFiles", "C:\\Common Files\\");
    EXPECT_EQ(CString("C:\\Common Files\\VexoLabs"), GetCommonFilesMakerDir());
    SetEnvironmentVariableA("CommonProgramFiles", length ? saved.GetString() : nullptr);

    EXPECT_EQ(CString("1970"), FormatTimeString(12 * 3600, "%Y"));
    EXPECT_EQ(CString(""), FormatTimeString(0, ""));
    EXPECT_EQ(CString(""), FormatTimeString(0, nullptr));
}

} // namespace
