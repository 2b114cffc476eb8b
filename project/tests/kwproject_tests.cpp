// The IEC project of the development environment against the stand-in IEC
// system: export to and import from the project folder, the questions on
// the way, the user-close lock while a project is held, and the end of the
// system with the object.
#include <windows.h>

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "ieclink/tests/standin_session.h"
#include "link/asciicoder.h"
#include "project/kwproject.h"
#include "testsupport/scripted_file_dialogs.h"
#include "testsupport/scripted_prompts.h"

namespace {

class KWProjectTest : public testing::Test {
protected:
    std::string Path(const char* name) const { return m_session.ProjectPath(name); }

    // A project Line with one data file, exported to Line.zwa.
    void CreateAndExport(CKWProject& project)
    {
        ASSERT_EQ(1, project.CreateProject(Path("Line.mwe").c_str())) << project.GetLastError().GetString();
        CreateDirectoryA(Path("Line\\POU").c_str(), nullptr);
        WriteWholeFile(Path("Line\\POU\\MAIN.st"), "PROGRAM MAIN END_PROGRAM");
        ASSERT_EQ(1, project.ExportProject()) << project.GetLastError().GetString();
    }

    static void SetWriteTime(const std::string& path, const FILETIME& time)
    {
        HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        SetFileTime(file, nullptr, nullptr, &time);
        CloseHandle(file);
    }
    static FILETIME WriteTime(const std::string& path)
    {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data);
        return data.ftLastWriteTime;
    }
    static FILETIME Later(FILETIME t, int seconds)
    {
        ULARGE_INTEGER v;
        v.LowPart = t.dwLowDateTime;
        v.HighPart = t.dwHighDateTime;
        v.QuadPart += static_cast<ULONGLONG>(seconds) * 10000000ull;
        return {v.LowPart, v.HighPart};
    }

    StandInSession m_session;
    ScriptedPrompts m_prompts;
};

TEST_F(KWProjectTest, AnExportCarriesTheCompressedProjectAsText)
{
    CKWProject project;
    EXPECT_EQ(1, project.IsChangedSinceExport());
    CreateAndExport(project);
    EXPECT_STREQ("Line", project.GetProjectName().GetString());
    EXPECT_STREQ(Path("Line.zwe").c_str(), project.GetCompressedFilePath().GetString());
    EXPECT_STREQ(Path("Line.zwa").c_str(), project.GetCodedFilePath().GetString());
    EXPECT_TRUE(m_session.JournalHas("CompressProject \"" + Path("Line.zwe") + "\""));

    std::string decoded;
    ASSERT_TRUE(DecodeAsciiText(ReadWholeFile(Path("Line.zwa")), decoded));
    EXPECT_EQ(ReadWholeFile(Path("Line.zwe")), decoded);

    // Nothing newer than the coded file: unchanged; a newer data file, or
    // a newer project file, changes it; so does a missing coded file.
    const FILETIME zwa = WriteTime(Path("Line.zwa"));
    SetWriteTime(Path("Line.mwe"), zwa);
    SetWriteTime(Path("Line\\POU\\MAIN.st"), zwa);
    EXPECT_EQ(0, project.IsChangedSinceExport());
    SetWriteTime(Path("Line\\POU\\MAIN.st"), Later(zwa, 10));
    EXPECT_EQ(1, project.IsChangedSinceExport());
    SetWriteTime(Path("Line\\POU\\MAIN.st"), zwa);
    SetWriteTime(Path("Line.mwe"), Later(zwa, 10));
    EXPECT_EQ(1, project.IsChangedSinceExport());
    SetWriteTime(Path("Line.mwe"), zwa);
    DeleteFileA(Path("Line.zwa").c_str());
    EXPECT_EQ(1, project.IsChangedSinceExport());
}

TEST_F(KWProjectTest, ASilentImportReplacesTheOldProject)
{
    CKWProject project;
    CreateAndExport(project);
    const std::string zwe = ReadWholeFile(Path("Line.zwe"));
    WriteWholeFile(Path("Line\\stale.txt"), "old");
    m_session.ClearJournal();

    ASSERT_EQ(1, project.ImportProject(Path("Line.zwa").c_str(), 1)) << project.GetLastError().GetString();
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_TRUE(m_session.JournalHas("ExpandProject \"" + Path("Line") + "\" \"" + Path("Line.zwe") + "\""));
    EXPECT_EQ(zwe, ReadWholeFile(Path("Line.zwe")));
    EXPECT_EQ(0, PathExists(Path("Line\\stale.txt").c_str()));
    EXPECT_EQ("PROGRAM MAIN END_PROGRAM", ReadWholeFile(Path("Line\\POU\\MAIN.st")));
    EXPECT_EQ(1, project.IsProjectOpen());
    EXPECT_STREQ(Path("Line.mwe").c_str(), project.GetCurrentProjectFilePath().GetString());
}

TEST_F(KWProjectTest, ACodedProjectReadBackFromTheControllerBecomesTheProjectAgain)
{
    // Saving from the controller reads the coded project line by line and
    // writes each line with CR LF; the silent import makes the project of it.
    CKWProject project;
    CreateAndExport(project);
    const std::string zwe = ReadWholeFile(Path("Line.zwe"));
    const std::string coded = ReadWholeFile(Path("Line.zwa"));
    std::string readBack;
    std::string line;
    for (char c : coded) {
        if (c == '\r')
            continue;
        if (c == '\n') {
            readBack += line + "\r\n";
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        readBack += line + "\r\n";
    ASSERT_TRUE(WriteWholeFile(Path("Line.zwa"), readBack));
    WriteWholeFile(Path("Line\\POU\\MAIN.st"), "changed since");

    ASSERT_EQ(1, project.ImportProject(Path("Line.zwa").c_str(), 1)) << project.GetLastError().GetString();
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(zwe, ReadWholeFile(Path("Line.zwe")));
    EXPECT_EQ("PROGRAM MAIN END_PROGRAM", ReadWholeFile(Path("Line\\POU\\MAIN.st")));
    EXPECT_STREQ(Path("Line.mwe").c_str(), project.GetCurrentProjectFilePath().GetString());
}

TEST_F(KWProjectTest, AnImportIntoAnEmptyFolderAsksNothing)
{
    CKWProject project;
    CreateAndExport(project);
    ASSERT_EQ(1, project.CloseProject());
    ASSERT_TRUE(CopyFileA(Path("Line.zwa").c_str(), Path("Copy.zwa").c_str(), FALSE));
    ASSERT_EQ(1, project.ImportProject(Path("Copy.zwa").c_str(), 0)) << project.GetLastError().GetString();
    EXPECT_TRUE(m_prompts.Records().empty());
    EXPECT_EQ(1, PathExists(Path("Copy.mwe").c_str()));
    EXPECT_EQ(1, PathExists(Path("Copy\\POU\\MAIN.st").c_str()));
}

TEST_F(KWProjectTest, ACorruptCodedFileLeavesTheOldProjectIntact)
{
    CKWProject project;
    CreateAndExport(project);
    const std::string mwe = ReadWholeFile(Path("Line.mwe"));
    const std::string zwe = ReadWholeFile(Path("Line.zwe"));
    const std::string coded = ReadWholeFile(Path("Line.zwa"));
    // Cut short, and a character outside the code.
    const std::string corrupt[] = {coded.substr(0, coded.size() / 2), "12\r\n{#$%!}\r\n", "not a number\r\n"};
    for (const std::string& text : corrupt) {
        WriteWholeFile(Path("Line.zwa"), text);
        EXPECT_EQ(0, project.ImportProject(Path("Line.zwa").c_str(), 1));
        EXPECT_EQ("Error decoding ASCII compressed file " + Path("Line.zwa"),
                  std::string(project.GetLastError().GetString()));
        EXPECT_EQ(mwe, ReadWholeFile(Path("Line.mwe")));
        EXPECT_EQ(zwe, ReadWholeFile(Path("Line.zwe")));
        EXPECT_EQ(1, PathExists(Path("Line\\POU\\MAIN.st").c_str()));
    }
}

TEST_F(KWProjectTest, TheBackupQuestion)
{
    CKWProject project;
    CreateAndExport(project);
    const std::string zwe = ReadWholeFile(Path("Line.zwe"));
    ScriptedFileDialogs dialogs;

    // Backup onto the compressed file itself.
    m_session.ClearJournal();
    dialogs.Choose(Path("LINE.ZWE"));
    m_prompts.Answer(IDYES);
    EXPECT_EQ(0, project.ImportProject(Path("Line.zwa").c_str(), 0));
    const auto records = m_prompts.Records();
    ASSERT_EQ(2u, records.size());
    EXPECT_EQ("Save program", records[0].caption);
    EXPECT_EQ("Project file " + Path("Line") + " already exists on the PC do you want to back it up or overwrite it?",
              records[0].text);
    // Backup (the default) answers Yes, Overwrite No.
    EXPECT_EQ(static_cast<UINT>(MB_YESNOCANCEL), records[0].type & MB_TYPEMASK);
    EXPECT_EQ(static_cast<UINT>(MB_DEFBUTTON1), records[0].type & MB_DEFMASK);
    EXPECT_EQ((std::vector<std::string>{"&Backup", "&Overwrite", "&Cancel"}), records[0].labels);
    EXPECT_EQ("&Backup", records[1].caption);
    EXPECT_EQ("Cannot backup file to itself!", records[1].text);
    EXPECT_EQ(1, PathExists(Path("Line.mwe").c_str()));
    EXPECT_FALSE(m_session.JournalHas("ExpandProject \"" + Path("Line") + "\" \"" + Path("Line.zwe") + "\""));

    // Cancel, at the question and at the dialog, imports nothing.
    m_prompts.Answer(IDCANCEL);
    EXPECT_EQ(0, project.ImportProject(Path("Line.zwa").c_str(), 0));
    dialogs.Cancel();
    m_prompts.Answer(IDYES);
    EXPECT_EQ(0, project.ImportProject(Path("Line.zwa").c_str(), 0));
    EXPECT_FALSE(m_session.JournalHas("ExpandProject \"" + Path("Line") + "\" \"" + Path("Line.zwe") + "\""));

    // A backup elsewhere keeps the old compressed project, then imports.
    dialogs.Choose(Path("Backup.zwe"));
    m_prompts.Answer(IDYES);
    EXPECT_EQ(1, project.ImportProject(Path("Line.zwa").c_str(), 0)) << project.GetLastError().GetString();
    EXPECT_EQ(zwe, ReadWholeFile(Path("Backup.zwe")));
    EXPECT_TRUE(m_session.JournalHas("ExpandProject \"" + Path("Line") + "\" \"" + Path("Line.zwe") + "\""));

    const auto asked = dialogs.Records();
    ASSERT_EQ(3u, asked.size());
    for (const auto& record : asked) {
        EXPECT_FALSE(record.open);
        EXPECT_EQ("zwe", record.defExt);
        EXPECT_EQ("Compressed KW Project (*.zwe)|*.zwe||", record.filter);
        EXPECT_EQ(static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY), record.flags);
    }

    // Overwrite asks for no backup.
    m_session.ClearJournal();
    WriteWholeFile(Path("Line\\stale.txt"), "old");
    m_prompts.Answer(IDNO);
    EXPECT_EQ(1, project.ImportProject(Path("Line.zwa").c_str(), 0)) << project.GetLastError().GetString();
    EXPECT_EQ(3u, dialogs.Records().size());
    EXPECT_EQ(0, PathExists(Path("Line\\stale.txt").c_str()));
    EXPECT_TRUE(m_session.JournalHas("ExpandProject \"" + Path("Line") + "\" \"" + Path("Line.zwe") + "\""));
}

TEST_F(KWProjectTest, AHeldProjectKeepsTheSystemOpenUntilItIsClosed)
{
    {
        CKWProject creator;
        ASSERT_EQ(1, creator.CreateProject(Path("Line.mwe").c_str()));
    }
    EXPECT_TRUE(StandInSession::WaitForStandInEnd());

    CKWProject project;
    ASSERT_EQ(1, project.OpenProject(Path("Line.mwe").c_str())) << project.GetLastError().GetString();
    // The project already open stays open.
    EXPECT_EQ(1, project.OpenProject(Path("line.mwe").c_str()));
    EXPECT_TRUE(project.GetLastError().IsEmpty());
    EXPECT_EQ(1, project.IsProjectOpen());

    HWND window = StandInSession::MainWindow();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_session.JournalHas("WM_CLOSE refused"));
    EXPECT_TRUE(StandInSession::StandInRunning());

    EXPECT_EQ(1, project.CloseProject());
    EXPECT_TRUE(project.GetCurrentProjectFilePath().IsEmpty());
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(StandInSession::WaitForStandInEnd());
}

TEST_F(KWProjectTest, AProjectThatWillNotCloseStaysWithItsReason)
{
    CKWProject project;
    ASSERT_EQ(1, project.CreateProject(Path("Other.mwe").c_str())) << project.GetLastError().GetString();
    ASSERT_EQ(1, project.CreateProject(Path("Line.mwe").c_str())) << project.GetLastError().GetString();
    ASSERT_EQ(1, project.OpenProject(Path("Line.mwe").c_str()));
    m_session.SetFaults("CloseProject\r\n");

    EXPECT_EQ(0, project.OpenProject(Path("Other.mwe").c_str()));
    EXPECT_STREQ("Failed to close project", project.GetLastError().GetString());
    EXPECT_EQ(0, project.CreateProject(Path("New.mwe").c_str()));
    EXPECT_STREQ("Failed to close project", project.GetLastError().GetString());
    EXPECT_EQ(0, PathExists(Path("New.mwe").c_str()));
    EXPECT_EQ(0, project.CloseProject());
    EXPECT_STREQ("Failed to close project", project.GetLastError().GetString());
    EXPECT_STREQ(Path("Line.mwe").c_str(), project.GetCurrentProjectFilePath().GetString());

    // Still held: the user cannot close the system under it.
    HWND window = StandInSession::MainWindow();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_session.JournalHas("WM_CLOSE refused"));
    EXPECT_TRUE(IsWindow(window));

    m_session.SetFaults("");
    EXPECT_EQ(1, project.OpenProject(Path("Other.mwe").c_str())) << project.GetLastError().GetString();
    EXPECT_STREQ(Path("Other.mwe").c_str(), project.GetCurrentProjectFilePath().GetString());
}

TEST_F(KWProjectTest, DeletingTheObjectEndsTheSystem)
{
    auto* project = new CKWProject;
    ASSERT_EQ(1, project->CreateProject(Path("Line.mwe").c_str()));
    ASSERT_EQ(1, project->OpenProject(Path("Line.mwe").c_str()));
    EXPECT_TRUE(StandInSession::StandInRunning());
    delete project;
    EXPECT_TRUE(StandInSession::WaitForStandInEnd());
    EXPECT_TRUE(m_session.JournalHas("CloseProject"));
    EXPECT_TRUE(m_session.JournalHas("UserCloseLock 0"));
    EXPECT_TRUE(m_session.JournalHas("Close 2"));
}

TEST_F(KWProjectTest, NothingToConnectTo)
{
    // An association that names a program that is not there.
    CKWProject project;
    SetEnvironmentVariableA("VEXO_IEC_STANDIN_DIR", nullptr);
    RegSetValueA(HKEY_LOCAL_MACHINE, "Software\\Classes\\StandInProject\\Shell\\open\\Command", REG_SZ,
                 ("\"" + Path("None.exe") + "\" \"%1\"").c_str(), 0);
    EXPECT_EQ(0, project.OpenProject(Path("Line.mwe").c_str()));
    EXPECT_EQ("File " + Path("None.exe") + " does not exist.", std::string(project.GetLastError().GetString()));
    EXPECT_EQ(0, project.SaveCompressed());
    EXPECT_STREQ("No link to MultiProg", project.GetLastError().GetString());
    EXPECT_EQ(0, project.ExportProject());
    EXPECT_STREQ("No link to MultiProg", project.GetLastError().GetString());
    EXPECT_EQ(0, project.ImportProject(Path("None.zwa").c_str(), 1));
    EXPECT_EQ("File " + Path("None.zwa") + " does not exist.", std::string(project.GetLastError().GetString()));
    project.ShowLastError(0);
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("File " + Path("None.zwa") + " does not exist.", m_prompts.Records()[0].text);
}

} // namespace

namespace {

TEST_F(KWProjectTest, OpeningACompressedProjectOverAnExistingOneAsksFirst)
{
    CKWProject project;
    CreateAndExport(project);
    ASSERT_EQ(1, project.CloseProject());
    WriteWholeFile(Path("Line\\extra.txt"), "x");

    m_prompts.Answer(IDNO);
    EXPECT_EQ(0, project.OpenCompressedProject(Path("Line.zwe").c_str()));
    EXPECT_STREQ("Aborted by user", project.GetLastError().GetString());
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Save table", m_prompts.Records()[0].caption);
    EXPECT_EQ("File " + Path("Line.mwe") + " exists\n\nDo you want to overwrite it?", m_prompts.Records()[0].text);
    EXPECT_EQ(1, PathExists(Path("Line\\extra.txt").c_str()));

    m_prompts.Answer(IDYES);
    EXPECT_EQ(1, project.OpenCompressedProject(Path("Line.zwe").c_str())) << project.GetLastError().GetString();
    EXPECT_EQ(0, PathExists(Path("Line\\extra.txt").c_str()));
    EXPECT_EQ(1, PathExists(Path("Line\\POU\\MAIN.st").c_str()));
    EXPECT_EQ(1, project.IsProjectOpen());
}

TEST_F(KWProjectTest, CompileAddressAndCrcsReportTheLinksErrors)
{
    CKWProject project;
    CIP4Address address;
    address.SetAddressText("10.0.0.7");
    ASSERT_EQ(1, project.Connect());
    EXPECT_STREQ("No project open", project.GetLastError().GetString());
    EXPECT_EQ(0, project.SetIPAddress(address));
    EXPECT_STREQ("No project open", project.GetLastError().GetString());

    ASSERT_EQ(1, project.CreateProject(Path("Line.mwe").c_str()));
    EXPECT_EQ(1, project.SetIPAddress(address));
    EXPECT_TRUE(project.GetLastError().IsEmpty());
    EXPECT_EQ(1, project.Compile());
    m_session.SetFaults("Compile 0x80044004\r\nRunQuery 0x80004005\r\n");
    EXPECT_EQ(0, project.Compile());
    EXPECT_STREQ("Compilation error", project.GetLastError().GetString());

    // A query that fails reads as CRC 0.
    unsigned long crc = 5;
    EXPECT_EQ(1, project.GetProjectCRC(crc));
    EXPECT_EQ(0ul, crc);
    m_session.SetFaults("");
    EXPECT_EQ(1, project.GetProjectCRC(crc));
    EXPECT_NE(0ul, crc);
    EXPECT_EQ(1, project.GetControllerProjectCRC(crc));
    EXPECT_EQ(0ul, crc);
}

} // namespace
