// The STARTUP program's file on disk: reading, the safe write and the
// project window's question.
#include <gtest/gtest.h>

#include <windows.h>

#include <mutex>
#include <string>
#include <vector>

#include "controller/startupfile.h"
#include "foundation/safefile.h"
#include "framework/app.h"
#include "ui/toolmessages.h"
#include "testsupport/fake_windows.h"
#include "testsupport/scratch_folder.h"

namespace {

const char kUserAndCan[] = "PRINT \"hello\"\r\n"
                           "' Start CAN Section\r\n"
                           "CANIO_ADDRESS=32\r\n"
                           "'Stop CAN Section\r\n"
                           "VR(1)=0\r\n";

// Puts the Standard section of a project's data into the file, as the
// writers do.
void ReplaceStandard(CStartupFile& file, const std::vector<std::string>& lines)
{
    file.ClearSection(STARTUP_SECTION_STANDARD);
    for (const std::string& line : lines)
        file.AppendLine(line.c_str(), STARTUP_SECTION_STANDARD);
}

class StartupFileTest : public ::testing::Test {
protected:
    std::string Path() const { return m_folder / "StartUp.bas"; }

    ScratchFolder m_folder;
};

} // namespace

TEST_F(StartupFileTest, ReadChangeAndWriteKeepTheUserLinesAndOtherSections)
{
    ASSERT_TRUE(WriteWholeFile(Path(), kUserAndCan));
    CStartupFile file(Path().c_str());
    EXPECT_EQ(file.GetPath(), Path().c_str());
    ASSERT_TRUE(file.Read());
    ReplaceStandard(file, {"' Variables", " VR(7)=2.5000"});
    ASSERT_TRUE(file.Write());
    EXPECT_EQ(ReadWholeFile(Path()), "'Start Standard Section\r\n"
                                     "' Variables\r\n"
                                     " VR(7)=2.5000\r\n"
                                     "'Stop Standard Section\r\n"
                                     "PRINT \"hello\"\r\n"
                                     "'Start CAN Section\r\n"
                                     "CANIO_ADDRESS=32\r\n"
                                     "'Stop CAN Section\r\n"
                                     "VR(1)=0\r\n");
    EXPECT_EQ(FilesIn(m_folder.Path()), std::vector<std::string>{"StartUp.bas"}) << "no temporary file is left";

    // The same object writes again after its own write.
    ReplaceStandard(file, {"VR(7)=3"});
    ASSERT_TRUE(file.Write());
    CStartupFile again(Path().c_str());
    ASSERT_TRUE(again.Read());
    ASSERT_NE(again.FindSection(STARTUP_SECTION_STANDARD), nullptr);
    EXPECT_EQ(again.FindSection(STARTUP_SECTION_STANDARD)->GetLines().GetHead(), "VR(7)=3");
}

TEST_F(StartupFileTest, EmptyFileReadsAsOneEmptySectionAndWritesBackEmpty)
{
    ASSERT_TRUE(WriteWholeFile(Path(), ""));
    CStartupFile file(Path().c_str());
    ASSERT_TRUE(file.Read());
    ASSERT_EQ(file.GetSections().GetCount(), 1);
    EXPECT_EQ(file.GetSections().GetHead()->GetId(), STARTUP_SECTION_USER);
    EXPECT_TRUE(file.GetSections().GetHead()->GetLines().IsEmpty());
    ASSERT_TRUE(file.Write());
    BOOL exists = FALSE;
    std::string bytes;
    EXPECT_TRUE(ReadWholeFileBytes(Path().c_str(), bytes, &exists));
    EXPECT_TRUE(exists);
    EXPECT_EQ(bytes, "");
}

TEST_F(StartupFileTest, MissingFileGivesAFileOfTheOwnSectionOnly)
{
    CStartupFile file(Path().c_str());
    file.AppendLine("stale", STARTUP_SECTION_USER);
    EXPECT_FALSE(file.Read());
    EXPECT_TRUE(file.GetSections().IsEmpty()) << "Read starts from nothing";
    ReplaceStandard(file, {"VR(7)=2.5"});
    ASSERT_TRUE(file.Write());
    EXPECT_EQ(ReadWholeFile(Path()), "'Start Standard Section\r\nVR(7)=2.5\r\n'Stop Standard Section\r\n");
}

// Every way the write can fail leaves the old file as it was, says so and
// leaves no temporary file behind.
TEST_F(StartupFileTest, FailedWriteKeepsTheOldFile)
{
    struct Case {
        const char* name;
        // Sets up the fault after the file has been read; undoes it on the
        // way out.
        std::function<std::function<void()>(const std::string& path)> fault;
    };
    const Case cases[] = {
        {"read-only file",
         [](const std::string& path) {
             ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
             return [path] { ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL); };
         }},
        {"file held open by another program, sharing nothing",
         [](const std::string& path) {
             HANDLE held = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
             EXPECT_NE(held, INVALID_HANDLE_VALUE);
             return [held] { ::CloseHandle(held); };
         }},
        {"file held open for writing by another program",
         [](const std::string& path) {
             HANDLE held = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
             EXPECT_NE(held, INVALID_HANDLE_VALUE);
             return [held] { ::CloseHandle(held); };
         }},
        {"the replacement fails after the temporary file was written",
         [](const std::string&) {
             SetReplaceFileHookForTest([](LPCSTR, LPCSTR) {
                 ::SetLastError(ERROR_DISK_FULL);
                 return FALSE;
             });
             return [] { SetReplaceFileHookForTest({}); };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(Path(), kUserAndCan));
        CStartupFile file(Path().c_str());
        ASSERT_TRUE(file.Read());
        const std::string before = ReadWholeFile(Path());
        ReplaceStandard(file, {"VR(7)=2.5"});
        const std::function<void()> undo = c.fault(Path());
        EXPECT_FALSE(file.Write());
        undo();
        EXPECT_EQ(ReadWholeFile(Path()), before);
        EXPECT_EQ(FilesIn(m_folder.Path()), std::vector<std::string>{"StartUp.bas"});
    }
}

TEST_F(StartupFileTest, AFileThatCannotBeReadIsNeverReplaced)
{
    ASSERT_TRUE(WriteWholeFile(Path(), kUserAndCan));
    HANDLE held = ::CreateFileA(Path().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CStartupFile file(Path().c_str());
    EXPECT_FALSE(file.Read());
    EXPECT_TRUE(file.GetSections().IsEmpty());
    ::CloseHandle(held);

    // Its user lines and CAN section were never read: writing only the own
    // section over them would lose them.
    ReplaceStandard(file, {"VR(7)=2.5"});
    EXPECT_FALSE(file.Write());
    EXPECT_EQ(ReadWholeFile(Path()), kUserAndCan);

    // Read again, it is written.
    ASSERT_TRUE(file.Read());
    ReplaceStandard(file, {"VR(7)=2.5"});
    EXPECT_TRUE(file.Write());
    EXPECT_NE(ReadWholeFile(Path()).find("CANIO_ADDRESS=32\r\n"), std::string::npos);
}

TEST_F(StartupFileTest, TwoWritersLoseNeitherSection)
{
    // Both tools read the file before either writes.
    ASSERT_TRUE(WriteWholeFile(Path(), "user\r\n"));
    CStartupFile can(Path().c_str());
    CStartupFile standard(Path().c_str());
    ASSERT_TRUE(can.Read());
    ASSERT_TRUE(standard.Read());
    can.AppendLine("c", STARTUP_SECTION_CAN);
    ASSERT_TRUE(can.Write());
    ReplaceStandard(standard, {"s"});
    EXPECT_FALSE(standard.Write()) << "it would have removed the CAN section";

    // Read afresh, the second writer keeps the first one's section.
    ASSERT_TRUE(standard.Read());
    ReplaceStandard(standard, {"s"});
    ASSERT_TRUE(standard.Write());
    EXPECT_EQ(ReadWholeFile(Path()), "'Start CAN Section\r\nc\r\n'Stop CAN Section\r\n"
                                     "'Start Standard Section\r\ns\r\n'Stop Standard Section\r\n"
                                     "user\r\n");

    // A file made by someone else after a Read that found none is not
    // overwritten either.
    const std::string other = m_folder / "Other.bas";
    CStartupFile late(other.c_str());
    EXPECT_FALSE(late.Read());
    ASSERT_TRUE(WriteWholeFile(other, "made meanwhile\r\n"));
    late.AppendLine("x", STARTUP_SECTION_CAN);
    EXPECT_FALSE(late.Write());
    EXPECT_EQ(ReadWholeFile(other), "made meanwhile\r\n");
}

TEST_F(StartupFileTest, WriteIntoAMissingFolderFailsAndMakesNothing)
{
    const std::string path = m_folder / "NoSuchFolder\\StartUp.bas";
    CStartupFile file(path.c_str());
    EXPECT_FALSE(file.Read());
    ReplaceStandard(file, {"VR(7)=2.5"});
    EXPECT_FALSE(file.Write());
    EXPECT_TRUE(FilesIn(m_folder.Path()).empty());
}

TEST_F(StartupFileTest, SetPathForgetsWhatWasRead)
{
    // A file that could not be read holds back only its own write.
    ASSERT_TRUE(WriteWholeFile(Path(), kUserAndCan));
    HANDLE held = ::CreateFileA(Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    CStartupFile file(Path().c_str());
    EXPECT_FALSE(file.Read());
    ::CloseHandle(held);

    const std::string copy = m_folder / "Copy.bas";
    file.SetPath(copy.c_str());
    EXPECT_EQ(file.GetPath(), copy.c_str());
    file.AppendLine("x", STARTUP_SECTION_USER);
    ASSERT_TRUE(file.Write());
    EXPECT_EQ(ReadWholeFile(copy), "x\r\n");
    EXPECT_EQ(ReadWholeFile(Path()), kUserAndCan);
}

namespace {

// The project window as IsAvailable sees it: it answers the program
// question from a list of the controller's programs and keeps the names it
// was asked.
class StartupAvailableTest : public StartupFileTest {
protected:
    void SetUp() override
    {
        m_project.SetHandler(WM_PW_QUERY_HAS_PROGRAM, [this](WPARAM, LPARAM name) -> LRESULT {
            std::lock_guard<std::mutex> guard(m_lock);
            m_asked.push_back(reinterpret_cast<LPCSTR>(name));
            for (const std::string& program : m_programs)
                if (_stricmp(program.c_str(), reinterpret_cast<LPCSTR>(name)) == 0)
                    return 1;
            return 0;
        });
    }
    std::vector<std::string> Asked()
    {
        std::lock_guard<std::mutex> guard(m_lock);
        return std::exchange(m_asked, {});
    }

    CWinApp m_app{"startup file"};
    FakeProjectWindow m_project;
    FakeMainFrame m_frame{&m_project};
    std::mutex m_lock;
    std::vector<std::string> m_programs;
    std::vector<std::string> m_asked;
};

} // namespace

TEST_F(StartupAvailableTest, AsksTheProjectWindowForTheProgramOfTheFileName)
{
    struct Case {
        const char* name;
        bool fileThere;
        std::vector<std::string> programs;
        BOOL askProject;
        BOOL available;
    } const cases[] = {
        {"file and program", true, {"MAIN", "STARTUP"}, TRUE, TRUE},
        {"file without the program", true, {"MAIN"}, TRUE, FALSE},
        {"program without the file", false, {"STARTUP"}, TRUE, FALSE},
        {"file, the project not asked", true, {}, FALSE, TRUE},
        {"no file, the project not asked", false, {"STARTUP"}, FALSE, FALSE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileA(Path().c_str());
        if (c.fileThere) {
            ASSERT_TRUE(WriteWholeFile(Path(), "x\r\n"));
        }
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_programs = c.programs;
        }
        Asked();
        CStartupFile file(Path().c_str());
        EXPECT_EQ(file.IsAvailable(c.askProject), c.available);
        EXPECT_EQ(Asked(), c.askProject ? std::vector<std::string>{"StartUp"} : std::vector<std::string>{});
    }

    // The name is the text between the last backslash and the last dot.
    for (const auto& [path, name] : std::vector<std::pair<std::string, std::string>>{
             {"C:\\a.b\\STARTUP", "STARTUP"}, {"C:\\x\\Setup.v1.bas", "Setup.v1"}, {"StartUp.bas", "StartUp"}}) {
        CStartupFile file(path.c_str());
        file.IsAvailable(TRUE);
        EXPECT_EQ(Asked(), std::vector<std::string>{name}) << path;
    }
}

TEST_F(StartupAvailableTest, ReadDoesNotDependOnTheControllersProgramList)
{
    // The controller holds no STARTUP: the user's lines and the CAN section
    // are read all the same, so a write keeps them.
    ASSERT_TRUE(WriteWholeFile(Path(), kUserAndCan));
    CStartupFile file(Path().c_str());
    EXPECT_FALSE(file.IsAvailable(TRUE));
    Asked();
    ASSERT_TRUE(file.Read());
    EXPECT_TRUE(file.HasSection(STARTUP_SECTION_CAN));
    EXPECT_TRUE(Asked().empty()) << "Read does not ask";
}

TEST(StartupAvailableWithoutProject, NoProjectWindowMeansNotAvailable)
{
    ScratchFolder folder;
    const std::string path = folder / "StartUp.bas";
    ASSERT_TRUE(WriteWholeFile(path, "x\r\n"));
    CStartupFile file(path.c_str());
    {
        // No application main window at all.
        EXPECT_FALSE(file.IsAvailable(TRUE));
    }
    {
        // A main frame that knows no project window.
        CWinApp app("startup file");
        FakeMainFrame frame(nullptr);
        EXPECT_FALSE(file.IsAvailable(TRUE));
        EXPECT_TRUE(file.IsAvailable(FALSE));
    }
}
