// The program-file copies, the external compare program's command line and
// the project backup, on scratch folders (the backup through a test hub
// whose connection lists the controller's programs).
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/fileutil.h"
#include "link/controllerconnection.h"
#include "project/programfilecopy.h"
#include "project/projectbackup.h"
#include "project/tests/test_hub.h"
#include "settings/vqregistry.h"
#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

// ---------------------------------------------------------------- compare

TEST(CompareCommandLine, PlaceholdersArePathsInQuotesAndOtherPercentsStay)
{
    struct Row {
        const char* argumentTemplate;
        bool valid;
        const char* commandLine;
    };
    const Row rows[] = {
        {"%C %P", true, "\"C:\\T\\diff.exe\" \"C:\\c\\MAIN.bas\" \"C:\\p\\MAIN.bas\""},
        {"%p-%c", true, "\"C:\\T\\diff.exe\" \"C:\\p\\MAIN.bas\"-\"C:\\c\\MAIN.bas\""},
        // %% is one percent sign, so "c" after it is a plain letter.
        {"/diff %p %%c", false, "\"C:\\T\\diff.exe\" /diff \"C:\\p\\MAIN.bas\" %c"},
        // No placeholder after the percent: both characters pass.
        {"%x %c %p", true, "\"C:\\T\\diff.exe\" %x \"C:\\c\\MAIN.bas\" \"C:\\p\\MAIN.bas\""},
        // A percent at the very end is dropped.
        {"%c %p %", true, "\"C:\\T\\diff.exe\" \"C:\\c\\MAIN.bas\" \"C:\\p\\MAIN.bas\" "},
        {"%c", false, "\"C:\\T\\diff.exe\" \"C:\\c\\MAIN.bas\""},
        {"", false, "\"C:\\T\\diff.exe\" "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argumentTemplate);
        CString line;
        EXPECT_EQ(row.valid, BuildCompareCommandLine("C:\\T\\diff.exe", row.argumentTemplate, "C:\\c\\MAIN.bas",
                                                     "C:\\p\\MAIN.bas", line) != FALSE);
        EXPECT_STREQ(row.commandLine, line);
    }
}

class CompareTest : public RegistrySandboxTest {
protected:
    void SetUp() override
    {
        RegistrySandboxTest::SetUp();
        // A copy of the recorder of its own, so that its record is this
        // test's alone.
        m_tool = m_folder / "compare.exe";
        ASSERT_TRUE(::CopyFileA((std::string(GetProgramDirectory()) + "\\cmdline_recorder.exe").c_str(), m_tool.c_str(),
                                FALSE));
    }
    // What the tool recorded; empty when it was not started (waits up to
    // 5 s real time for it to write).
    std::string Recorded(bool expectStart)
    {
        std::string text;
        for (int i = 0; i < (expectStart ? 500 : 20) && text.empty(); ++i) {
            ::Sleep(10);
            text = ReadWholeFile(m_tool + ".cmdline");
        }
        return text.substr(0, text.find('\n'));
    }

    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
    std::string m_tool;
};

TEST_F(CompareTest, TheToolIsStartedWithBothCopiesQuoted)
{
    CVQRegistry settings;
    settings.SetFileCompareProgramName(m_tool.c_str());
    settings.SetFileCompareProgramArguments("%C %P");
    const std::string controller = m_folder / "controller copy.bas";
    const std::string project = m_folder / "MAIN.bas";
    EXPECT_TRUE(CompareProgramFiles(controller.c_str(), project.c_str()));
    EXPECT_EQ("\"" + m_tool + "\" \"" + controller + "\" \"" + project + "\"", Recorded(true));
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(CompareTest, ABadSettingIsReportedAndNothingStarts)
{
    struct Row {
        bool toolExists;
        const char* arguments;
        const char* message;
    };
    const Row rows[] = {
        {true, "/diff %p %%c", "Invalid arguments for external program"},
        {true, "%c only", "Invalid arguments for external program"},
        {false, "%c %p",
         "The external program used for comparing program files has not been configured or does not exist"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments);
        CVQRegistry settings;
        settings.SetFileCompareProgramName(row.toolExists ? m_tool.c_str() : (m_folder / "gone.exe").c_str());
        settings.SetFileCompareProgramArguments(row.arguments);
        const std::size_t before = m_prompts.Records().size();
        EXPECT_FALSE(CompareProgramFiles("a.bas", "b.bas"));
        const auto records = m_prompts.Records();
        ASSERT_EQ(before + 1, records.size());
        EXPECT_EQ(row.message, records.back().text);
        EXPECT_EQ("Compare Programs", records.back().caption);
        EXPECT_TRUE(records.back().detached);
    }
    EXPECT_EQ("", Recorded(false));

    // A tool that is there but cannot be started.
    const std::string text = m_folder / "notes.txt";
    WriteWholeFile(text, "not a program");
    CVQRegistry settings;
    settings.SetFileCompareProgramName(text.c_str());
    settings.SetFileCompareProgramArguments("%c %p");
    EXPECT_FALSE(CompareProgramFiles("a.bas", "b.bas"));
    EXPECT_EQ("Error running external program", m_prompts.Records().back().text);
}

// ---------------------------------------------------------------- copies

class CopyTest : public RegistrySandboxTest {
protected:
    void TearDown() override
    {
        // Read-only files would outlive the scratch folder.
        for (const std::string& path : m_readOnly)
            ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        RegistrySandboxTest::TearDown();
    }
    void MakeReadOnly(const std::string& path)
    {
        ASSERT_TRUE(::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
        m_readOnly.push_back(path);
    }

    FakeClock m_clock;
    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
    std::vector<std::string> m_readOnly;
};

TEST_F(CopyTest, AProgramFileReplacesItsCopyUnlessTheCopyCannotGo)
{
    const std::string source = m_folder / "MAIN.bas";
    const std::string target = m_folder / "copy.bas";
    WriteWholeFile(source, "PRINT 2\r\n");
    WriteWholeFile(target, "PRINT 1\r\n");
    EXPECT_TRUE(CopyProgramFile(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ("PRINT 2\r\n", ReadWholeFile(target));

    // Asked not to overwrite: the copy there stays.
    WriteWholeFile(target, "PRINT 1\r\n");
    EXPECT_FALSE(CopyProgramFile(source.c_str(), target.c_str(), TRUE));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(target));
    EXPECT_FALSE(CopyProgramFile("", target.c_str(), FALSE));
    EXPECT_FALSE(CopyProgramFile(source.c_str(), "", FALSE));

    // Nothing the copy has not replaced is lost: a missing source leaves
    // the destination, and a file copied onto itself (by any spelling)
    // stays whole.
    EXPECT_FALSE(CopyProgramFile((m_folder / "MISSING.bas").c_str(), target.c_str(), FALSE));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(target));
    for (const std::string& same : {source, m_folder.Path() + "\\.\\MAIN.bas", m_folder / "main.BAS"}) {
        EXPECT_TRUE(CopyProgramFile(source.c_str(), same.c_str(), FALSE)) << same;
        EXPECT_EQ("PRINT 2\r\n", ReadWholeFile(source)) << same;
    }
    std::vector<std::string> files = FilesIn(m_folder.Path());
    std::sort(files.begin(), files.end());
    EXPECT_EQ((std::vector<std::string>{"MAIN.bas", "copy.bas"}), files) << "no temporary file stays behind";
    EXPECT_TRUE(m_prompts.Records().empty());

    MakeReadOnly(target);
    EXPECT_FALSE(CopyProgramFile(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(target));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Error writing to file:\n" + target, records[0].text);
    EXPECT_EQ("Project", records[0].caption);
}

TEST_F(CopyTest, AProgramWithAFolderIsCopiedWholeAndAnExistingCopyOnlyWhenAgreed)
{
    const std::string source = m_folder / "IECP.mwe";
    WriteWholeFile(source, "project 2");
    ::CreateDirectoryA((m_folder / "IECP").c_str(), nullptr);
    WriteWholeFile(m_folder / "IECP\\unit.st", "unit 2");
    WriteWholeFile(m_folder / "IECP.zwa", "zwa 2");
    const std::string target = m_folder / "target";
    ::CreateDirectoryA(target.c_str(), nullptr);

    EXPECT_TRUE(CopyProgramWithFolder(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ("project 2", ReadWholeFile(target + "\\IECP.mwe"));
    EXPECT_EQ("unit 2", ReadWholeFile(target + "\\IECP\\unit.st"));
    EXPECT_EQ("zwa 2", ReadWholeFile(target + "\\IECP.zwa"));
    EXPECT_FALSE(PathExists((target + "\\IECP.zwe").c_str()));
    EXPECT_TRUE(m_prompts.Records().empty());

    // A copy there: No to the file keeps everything as it was.
    WriteWholeFile(source, "project 3");
    m_prompts.Answer(IDNO);
    EXPECT_FALSE(CopyProgramWithFolder(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ("project 2", ReadWholeFile(target + "\\IECP.mwe"));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("File " + target + "\\IECP.mwe exists\n\nDo you want to overwrite it?", m_prompts.Records()[0].text);
    EXPECT_EQ("&Backup", m_prompts.Records()[0].caption);

    // Yes to both questions replaces file and folder (a file only the old
    // folder had goes).
    WriteWholeFile(target + "\\IECP\\old.st", "old");
    m_prompts.Answer(IDYES);
    m_prompts.Answer(IDYES);
    EXPECT_TRUE(CopyProgramWithFolder(source.c_str(), target.c_str(), FALSE));
    EXPECT_EQ("project 3", ReadWholeFile(target + "\\IECP.mwe"));
    EXPECT_FALSE(PathExists((target + "\\IECP\\old.st").c_str()));
    ASSERT_EQ(3u, m_prompts.Records().size());
    EXPECT_EQ("Directory " + target + "\\IECP exists. Do you want to overwrite it?", m_prompts.Records()[2].text);

    // Silently, without a question.
    EXPECT_TRUE(CopyProgramWithFolder(source.c_str(), target.c_str(), TRUE));
    EXPECT_EQ(3u, m_prompts.Records().size());

    // Without the program's folder, or without the target, nothing is copied.
    WriteWholeFile(m_folder / "LONE.mwe", "no folder");
    EXPECT_FALSE(CopyProgramWithFolder((m_folder / "LONE.mwe").c_str(), target.c_str(), TRUE));
    EXPECT_FALSE(PathExists((target + "\\LONE.mwe").c_str()));
    EXPECT_FALSE(CopyProgramWithFolder(source.c_str(), (m_folder / "nowhere").c_str(), TRUE));

    // Onto itself, by any spelling, the program and its folder stay; into
    // its own folder nothing is deleted.
    for (const std::string& same : {m_folder.Path(), m_folder / "IECP\\..", m_folder.Path() + "\\."}) {
        EXPECT_TRUE(CopyProgramWithFolder(source.c_str(), same.c_str(), FALSE)) << same;
        EXPECT_EQ("unit 2", ReadWholeFile(m_folder / "IECP\\unit.st")) << same;
        EXPECT_EQ("zwa 2", ReadWholeFile(m_folder / "IECP.zwa")) << same;
    }
    EXPECT_FALSE(CopyProgramWithFolder(source.c_str(), (m_folder / "IECP").c_str(), TRUE));
    EXPECT_EQ("unit 2", ReadWholeFile(m_folder / "IECP\\unit.st"));
    EXPECT_EQ(3u, m_prompts.Records().size());
}

// ---------------------------------------------------------------- backup

class BackupTest : public CopyTest {
protected:
    void SetUp() override
    {
        CopyTest::SetUp();
        m_connection = std::make_unique<CControllerConnection>(&m_hub);
        m_hub.SetConnection(m_connection.get());
        m_project = m_folder / "Demo.prj";
        WriteWholeFile(m_project, "[Programs]\r\nProgram00=MAIN\r\nProgram01=IECP\r\nProgram02=BUF\r\n"
                                  "[ProgramType]\r\nMAIN=0\r\nIECP=4\r\nBUF=5\r\n");
        m_hub.SetProjectPath(m_project);
        WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
        WriteWholeFile(m_folder / "IECP.mwe", "iec");
        ::CreateDirectoryA((m_folder / "IECP").c_str(), nullptr);
        WriteWholeFile(m_folder / "IECP\\unit.st", "unit");
        for (const char* name : {"MAIN", "IECP", "BUF"}) {
            CProgramData program;
            program.m_strName = name;
            m_connection->AddProgram(program);
        }
    }
    void TearDown() override
    {
        m_connection.reset();
        CopyTest::TearDown();
    }
    std::string Backup(const std::string& name) const { return m_folder / ("backup\\" + name); }

    TestHub m_hub;
    std::unique_ptr<CControllerConnection> m_connection;
    std::string m_project;
};

TEST_F(BackupTest, TheFolderIsMadeAndFilledAndASecondBackupReplacesTheFirst)
{
    ASSERT_TRUE(BackupProject(m_hub));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(Backup("MAIN.bas")));
    EXPECT_EQ("iec", ReadWholeFile(Backup("IECP.mwe")));
    EXPECT_EQ("unit", ReadWholeFile(Backup("IECP\\unit.st")));
    EXPECT_EQ(ReadWholeFile(m_project), ReadWholeFile(Backup("Demo.prj")));
    // The type marked as having no file of its own is left out.
    EXPECT_FALSE(PathExists(Backup("BUF.*").c_str()));
    const auto progress = m_hub.LastProgress();
    ASSERT_TRUE(progress);
    EXPECT_EQ("Creating backup", progress->texts.at(0));
    EXPECT_EQ((std::vector<int>{0, 25, 50, 100}), progress->percents);
    EXPECT_TRUE(progress->closed);

    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 2\r\n");
    WriteWholeFile(m_folder / "IECP\\unit.st", "unit 2");
    ASSERT_TRUE(BackupProject(m_hub));
    EXPECT_EQ("PRINT 2\r\n", ReadWholeFile(Backup("MAIN.bas")));
    EXPECT_EQ("unit 2", ReadWholeFile(Backup("IECP\\unit.st")));
    EXPECT_TRUE(m_prompts.Records().empty());
}

TEST_F(BackupTest, AFailedCopyFailsTheBackupAndKeepsWhatIsThere)
{
    ASSERT_TRUE(BackupProject(m_hub));
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 2\r\n");
    const std::string projectBefore = ReadWholeFile(Backup("Demo.prj"));
    WriteWholeFile(m_project, ReadWholeFile(m_project) + "[Controller]\r\nRun=EPROM\r\n");

    // A program copy that cannot be written: reported, and the project
    // file is not backed up beside an incomplete set.
    MakeReadOnly(Backup("MAIN.bas"));
    EXPECT_FALSE(BackupProject(m_hub));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(Backup("MAIN.bas")));
    EXPECT_EQ(projectBefore, ReadWholeFile(Backup("Demo.prj")));
    ASSERT_EQ(1u, m_prompts.Records().size());
    EXPECT_EQ("Error writing to file:\n" + Backup("MAIN.bas"), m_prompts.Records()[0].text);
    ::SetFileAttributesA(Backup("MAIN.bas").c_str(), FILE_ATTRIBUTE_NORMAL);

    // The project file's copy failing fails the backup too.
    MakeReadOnly(Backup("Demo.prj"));
    EXPECT_FALSE(BackupProject(m_hub));
    EXPECT_EQ(projectBefore, ReadWholeFile(Backup("Demo.prj")));

    // A program file that is missing.
    ::SetFileAttributesA(Backup("Demo.prj").c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA((m_folder / "MAIN.bas").c_str());
    EXPECT_FALSE(BackupProject(m_hub));
}

TEST_F(BackupTest, AnIECProjectIsCopiedWithItsFolderUnderItsOwnName)
{
    const std::string target = m_folder / "elsewhere";
    ::CreateDirectoryA(target.c_str(), nullptr);
    // Only a program the controller lists as an IEC project.
    EXPECT_FALSE(CopyIECProjectTo(*m_connection, m_folder.Path().c_str(), "IECP", (target + "\\x.mwe").c_str()));
    m_connection->FindProgram("IECP")->m_nType = 4;
    EXPECT_TRUE(CopyIECProjectTo(*m_connection, m_folder.Path().c_str(), "IECP", (target + "\\x.mwe").c_str()));
    EXPECT_EQ("iec", ReadWholeFile(target + "\\IECP.mwe"));
    EXPECT_EQ("unit", ReadWholeFile(target + "\\IECP\\unit.st"));
    EXPECT_FALSE(PathExists((target + "\\x.mwe").c_str()));
    EXPECT_FALSE(CopyIECProjectTo(*m_connection, m_folder.Path().c_str(), "MAIN", (target + "\\x.mwe").c_str()));
}

TEST_F(BackupTest, ABackupFolderThatCannotBeMadeIsReported)
{
    WriteWholeFile(m_folder / "backup", "a file where the folder would go");
    EXPECT_FALSE(BackupProject(m_hub));
    const auto records = m_prompts.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ("Error creating backup subdirectory", records[0].text);
    EXPECT_EQ("Project Manager", records[0].caption);
    EXPECT_TRUE(m_hub.Progresses().empty());

    // Without an open project there is nothing to back up.
    m_hub.SetProjectPath("");
    EXPECT_TRUE(BackupProject(m_hub));
    EXPECT_EQ(1u, m_prompts.Records().size());
}

TEST_F(BackupTest, ACancelDuringTheBackupFailsItAfterEveryCopy)
{
    m_hub.onProgress = [](RecordingProgress::Log& log) { log.cancelled = true; };
    EXPECT_FALSE(BackupProject(m_hub));
    EXPECT_EQ("PRINT 1\r\n", ReadWholeFile(Backup("MAIN.bas")));
    EXPECT_TRUE(PathExists(Backup("Demo.prj").c_str()));
}

} // namespace
