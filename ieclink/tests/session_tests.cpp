// The link library against the stand-in IEC system in a process of its
// own: start and attach, projects, POUs, downloads, CRCs, compression, the
// controller's address and the user-close lock, and the failures of each.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>

#include "foundation/fileutil.h"
#include "ieclink/kwmpelink.h"
#include "ieclink/tests/standin_session.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_file_dialogs.h"
#include "testsupport/scripted_prompts.h"

namespace {

class LinkUnderTest : public CKWMPELink {
public:
    using CKWMPELink::SetHardwareConfig;
};

// The temporary folder (TMP) for the lifetime of the object.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& folder)
    {
        m_bHadOld = GetEnvironmentVariableA("TMP", m_old, MAX_PATH) > 0;
        SetEnvironmentVariableA("TMP", folder.c_str());
    }
    ~TemporaryFolder() { SetEnvironmentVariableA("TMP", m_bHadOld ? m_old : nullptr); }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

private:
    char m_old[MAX_PATH] = "";
    bool m_bHadOld = false;
};

class IecLinkSession : public testing::Test {
protected:
    void ConnectAndCreate(const char* name = "Line.mwe")
    {
        ASSERT_EQ(1, m_link.LocateAppExecutable());
        ASSERT_EQ(1, m_link.Connect()) << m_link.GetLastError().GetString();
        ASSERT_EQ(1, m_link.CreateProject(CString(m_session.ProjectPath(name).c_str())))
            << m_link.GetLastError().GetString();
    }
    std::string ProjectText(const char* name = "Line.mwe") const
    {
        return ReadWholeFile(m_session.ProjectPath(name));
    }

    StandInSession m_session;
    LinkUnderTest m_link;
};

TEST_F(IecLinkSession, ConnectStartsAttachesAndHidesTheSystem)
{
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    EXPECT_STREQ(StandInSession::StandInPath().c_str(), m_link.GetAppPath().GetString());
    EXPECT_EQ(0, m_link.IsAppRunning());

    ASSERT_EQ(1, m_link.Connect()) << m_link.GetLastError().GetString();
    EXPECT_EQ(1, m_link.IsAppRunning());
    EXPECT_EQ(1, m_link.IsAppConnected());
    const std::vector<std::string> journal = m_session.Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_NE(std::string::npos, journal[0].find(" -express")) << journal[0];
    EXPECT_TRUE(m_session.JournalHas("Attach"));
    EXPECT_TRUE(m_session.JournalHas("Visible 0"));
    HWND window = StandInSession::MainWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(0, m_link.IsProjectOpen());

    // Attached already: no start, no wait.
    const std::uint64_t slept = m_session.Clock().SleptMs();
    EXPECT_EQ(1, m_link.Connect());
    EXPECT_EQ(slept, m_session.Clock().SleptMs());

    long id = 0;
    EXPECT_EQ(1, m_link.GetCommandID("ExpandProject", id));
    EXPECT_NE(0, id);

    m_link.ShowApp();
    EXPECT_TRUE(IsWindowVisible(window));
    m_link.HideApp();
    EXPECT_FALSE(IsWindowVisible(window));

    m_link.CloseApp();
    EXPECT_TRUE(StandInSession::WaitForStandInEnd());
    EXPECT_EQ(0, m_link.IsAppConnected());
}

TEST_F(IecLinkSession, CopiesShareTheAttachedSystemAndOutliveTheOriginal)
{
    auto* original = new CKWMPELink;
    ASSERT_EQ(1, original->LocateAppExecutable());
    ASSERT_EQ(1, original->Connect()) << original->GetLastError().GetString();
    CKWMPELink copy(*original);
    CKWMPELink assigned;
    assigned = *original;
    delete original;
    for (CKWMPELink* link : {&copy, &assigned}) {
        EXPECT_EQ(1, link->IsAppConnected());
        long id = 0;
        EXPECT_EQ(1, link->GetCommandID("ExpandProject", id)) << link->GetLastError().GetString();
        EXPECT_NE(0, id);
    }
}

TEST_F(IecLinkSession, ANewProjectIsSetUpForTheController)
{
    ConnectAndCreate();
    const std::string text = ProjectText();
    const std::string library = m_session.InstallDir() + "\\PLC\\FW_LIB\\QC_LIB\\QC_LIB.fwl";
    EXPECT_EQ("IEC STAND-IN PROJECT\r\n"
              "LIBRARY\t" + library + "\r\n"
              "CONFIGURATION\tCongfig01\teCLR\r\n"
              "RESOURCE\tResource01\tMOTION_CONTROLLER\r\n"
              "TASK\tTask01\tDEFAULT\r\n"
              "IOGROUP\tIO_Group01\tQC_IO\r\n",
              text);
    EXPECT_EQ(1, m_link.IsProjectOpen());
    EXPECT_STREQ(m_session.ProjectPath("Line.mwe").c_str(), m_link.GetCurrentProjectFilePath().GetString());
    EXPECT_STREQ(m_session.ProjectPath("Line").c_str(), m_link.GetCurrentProjectDirPath().GetString());

    // Set up once only.
    EXPECT_EQ(0, m_link.SetHardwareConfig());
    EXPECT_STREQ("Configuration already exists in project", m_link.GetLastError().GetString());
    EXPECT_EQ(text, ProjectText());

    // A configuration of that name but of another PLC type does not count.
    std::string other = text;
    other.replace(other.find("Congfig01\teCLR"), strlen("Congfig01\teCLR"), "CONGFIG01\tOTHER");
    WriteWholeFile(m_session.ProjectPath("Line.mwe"), other);
    EXPECT_EQ(1, m_link.SetHardwareConfig()) << m_link.GetLastError().GetString();
    EXPECT_EQ(other +
                  "CONFIGURATION\tCongfig01\teCLR\r\n"
                  "RESOURCE\tResource01\tMOTION_CONTROLLER\r\n"
                  "TASK\tTask01\tDEFAULT\r\n"
                  "IOGROUP\tIO_Group01\tQC_IO\r\n",
              ProjectText());
    WriteWholeFile(m_session.ProjectPath("Line.mwe"), text);

    // An existing file is refused before the system is asked anything.
    m_session.ClearJournal();
    m_link.ClearError();
    EXPECT_EQ(0, m_link.CreateProject(CString(m_session.ProjectPath("Line.mwe").c_str())));
    EXPECT_EQ("File " + m_session.ProjectPath("Line.mwe") + " already exists",
              std::string(m_link.GetLastError().GetString()));
    EXPECT_TRUE(m_session.Journal().empty());
}

TEST_F(IecLinkSession, CreateNeedsTheTemplateAndTheControllerMakersLibrary)
{
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    ASSERT_EQ(1, m_link.Connect());
    const std::string library = m_session.InstallDir() + "\\PLC\\FW_LIB\\QC_LIB\\QC_LIB.fwl";
    DeleteFileA(library.c_str());
    EXPECT_EQ(0, m_link.CreateProject(CString(m_session.ProjectPath("Line.mwe").c_str())));
    EXPECT_EQ("File " + library + " does not exist", std::string(m_link.GetLastError().GetString()));
    EXPECT_EQ(std::string::npos, ProjectText().find("CONFIGURATION"));

    const std::string templ = m_session.InstallDir() + "\\Settings Express\\templates\\Empty_Project.twt";
    DeleteFileA(templ.c_str());
    EXPECT_EQ(0, m_link.CreateProject(CString(m_session.ProjectPath("New.mwe").c_str())));
    EXPECT_EQ("File " + templ + " does not exist", std::string(m_link.GetLastError().GetString()));
    EXPECT_EQ(0, PathExists(m_session.ProjectPath("New.mwe").c_str()));
}

TEST_F(IecLinkSession, OpeningAndClosingFailures)
{
    ConnectAndCreate();
    EXPECT_EQ(1, m_link.CloseProject());
    EXPECT_EQ(0, m_link.CloseProject());
    EXPECT_STREQ("No project open", m_link.GetLastError().GetString());

    const std::string missing = m_session.ProjectPath("None.mwe");
    EXPECT_EQ(0, m_link.OpenProject(missing.c_str()));
    EXPECT_EQ("File " + missing + " does not exist", std::string(m_link.GetLastError().GetString()));
    const std::string notAProject = m_session.ProjectPath("Text.mwe");
    WriteWholeFile(notAProject, "not a project");
    EXPECT_EQ(0, m_link.OpenProject(notAProject.c_str()));
    EXPECT_STREQ("Failed to open project", m_link.GetLastError().GetString());
    EXPECT_EQ(0, m_link.IsProjectOpen());

    ASSERT_EQ(1, m_link.OpenProject(m_session.ProjectPath("Line.mwe").c_str())) << m_link.GetLastError().GetString();
    m_session.SetFaults("CloseProject\r\n");
    EXPECT_EQ(0, m_link.CloseProject());
    EXPECT_STREQ("Failed to close project", m_link.GetLastError().GetString());
    EXPECT_EQ(0, m_link.OpenProject(m_session.ProjectPath("Line.mwe").c_str()));
    EXPECT_STREQ("Failed to close open project", m_link.GetLastError().GetString());
    EXPECT_EQ(1, m_link.IsProjectOpen());
}

TEST_F(IecLinkSession, AutomationErrorsNeverLeaveAMember)
{
    ConnectAndCreate();
    ASSERT_EQ(1, m_link.AddPOU("MAIN"));
    // Every call for the current project raises "Object not found"; what
    // goes through the default resource reports that it has none.
    m_session.SetFaults("CurrentProject 0x8004400A\r\n");
    const CString line = m_session.ProjectPath("Line.mwe").c_str();
    const CString other = m_session.ProjectPath("Other.mwe").c_str();
    struct Member {
        const char* name;
        std::function<int(LinkUnderTest&)> call;
        const char* error;
    };
    const Member members[] = {
        {"Connect", [](LinkUnderTest& l) { return l.Connect(); }, "Object not found"},
        {"OpenProject", [&](LinkUnderTest& l) { return l.OpenProject(line); }, "Object not found"},
        {"CreateProject", [&](LinkUnderTest& l) { return l.CreateProject(other); }, "Object not found"},
        {"CloseProject", [](LinkUnderTest& l) { return l.CloseProject(); }, "Object not found"},
        {"CompileProject", [](LinkUnderTest& l) { return l.CompileProject(); }, "Object not found"},
        {"SaveCompressed", [](LinkUnderTest& l) { return l.SaveCompressed(); }, "Object not found"},
        {"SendToController", [](LinkUnderTest& l) { return l.SendToController(); }, "Invalid resource"},
        {"AddPOU", [](LinkUnderTest& l) { return l.AddPOU("AUX"); }, "Object not found"},
        {"DoesPOUExist", [](LinkUnderTest& l) { return l.DoesPOUExist("MAIN"); }, "Object not found"},
        {"GetPOUs",
         [](LinkUnderTest& l) {
             CStringList pous;
             return l.GetPOUs(pous);
         },
         "Object not found"},
        {"CreateProgramInstance", [](LinkUnderTest& l) { return l.CreateProgramInstance("MAIN", "I"); },
         "Invalid task"},
        {"SetIPAddress", [](LinkUnderTest& l) { return l.SetIPAddress(CIP4Address()); }, "Object not found"},
        {"GetIPAddress",
         [](LinkUnderTest& l) {
             CIP4Address address(0x01020304);
             return l.GetIPAddress(address) + (address.GetAddressText() == "127.0.0.1" ? 0 : 100);
         },
         "Object not found"},
        {"ShowControlDialog", [](LinkUnderTest& l) { return l.ShowControlDialog(1); }, "Invalid resource"},
        {"GetProjectCRC",
         [](LinkUnderTest& l) {
             unsigned long crc = 5;
             return l.GetProjectCRC(crc) + (crc == 0 ? 0 : 100);
         },
         "Invalid resource"},
    };
    for (const Member& m : members) {
        m_link.ClearError();
        EXPECT_EQ(0, m.call(m_link)) << m.name;
        EXPECT_STREQ(m.error, m_link.GetLastError().GetString()) << m.name;
    }
    EXPECT_TRUE(m_link.GetCurrentProjectFilePath().IsEmpty());
    EXPECT_EQ(0, PathExists(other));

    // The link stays usable.
    m_session.SetFaults("");
    CStringList pous;
    EXPECT_EQ(1, m_link.GetPOUs(pous));
    EXPECT_STREQ(line.GetString(), m_link.GetCurrentProjectFilePath().GetString());
}

TEST_F(IecLinkSession, PousAndProgramInstances)
{
    ConnectAndCreate();
    CStringList pous;
    EXPECT_EQ(0, m_link.GetPOUs(pous));
    EXPECT_TRUE(m_link.GetLastError().IsEmpty());

    EXPECT_EQ(1, m_link.AddPOU("MAIN"));
    EXPECT_EQ(0, m_link.AddPOU("MAIN"));
    EXPECT_STREQ("POU already exists", m_link.GetLastError().GetString());
    EXPECT_EQ(1, m_link.DoesPOUExist("main"));
    EXPECT_EQ(0, m_link.DoesPOUExist("AUX"));
    EXPECT_EQ(1, m_link.AddPOU("AUX"));
    ASSERT_EQ(2, m_link.GetPOUs(pous));
    EXPECT_STREQ("MAIN", pous.GetHead().GetString());
    EXPECT_STREQ("AUX", pous.GetTail().GetString());
    EXPECT_TRUE(m_session.JournalHas("AddPou MAIN 7 2 eCLR MOTION_CONTROLLER"));

    EXPECT_EQ(1, m_link.CreateProgramInstance("MAIN", "MainInstance"));
    EXPECT_NE(std::string::npos, ProjectText().find("TASK\tTask01\tDEFAULT\r\nPROGRAM\tMainInstance\tMAIN\r\n"));
    EXPECT_EQ(0, m_link.CreateProgramInstance("", "X"));

    // The default task is found by its name in any case; without it there
    // is no task for the instance.
    std::string text = ProjectText();
    text.replace(text.find("TASK\tTask01"), strlen("TASK\tTask01"), "TASK\ttask01");
    WriteWholeFile(m_session.ProjectPath("Line.mwe"), text);
    EXPECT_EQ(1, m_link.CreateProgramInstance("AUX", "AuxInstance"));
    text = ProjectText();
    text.replace(text.find("TASK\ttask01"), strlen("TASK\ttask01"), "TASK\tTask02");
    WriteWholeFile(m_session.ProjectPath("Line.mwe"), text);
    m_link.ClearError();
    EXPECT_EQ(0, m_link.CreateProgramInstance("AUX", "Other"));
    EXPECT_STREQ("Invalid task", m_link.GetLastError().GetString());
    EXPECT_EQ(std::string::npos, ProjectText().find("Other"));
}

TEST_F(IecLinkSession, CompileCompressDownloadAndCrcs)
{
    ConnectAndCreate();
    EXPECT_EQ(1, m_link.CompileProject());
    m_session.SetFaults("Compile 0x80044004\r\n");
    EXPECT_EQ(0, m_link.CompileProject());
    EXPECT_STREQ("Compilation error", m_link.GetLastError().GetString());
    m_session.SetFaults("");

    const std::string zwe = m_session.ProjectPath("Line.zwe");
    EXPECT_EQ(1, m_link.SaveCompressed()) << m_link.GetLastError().GetString();
    EXPECT_TRUE(m_session.JournalHas("CompressProject \"" + zwe + "\""));
    EXPECT_EQ(1, PathExists(zwe.c_str()));

    EXPECT_EQ(1, m_link.SendToController()) << m_link.GetLastError().GetString();
    EXPECT_TRUE(m_session.JournalHas("PlcDownload Congfig01 Resource01"));

    unsigned long project = 0, controller = 0;
    EXPECT_EQ(1, m_link.GetProjectCRC(project));
    EXPECT_EQ(1, m_link.GetControllerProjectCRC(controller));
    EXPECT_NE(0ul, project);
    EXPECT_EQ(project, controller);
    ASSERT_EQ(1, m_link.AddPOU("MAIN"));
    EXPECT_EQ(1, m_link.GetProjectCRC(project));
    EXPECT_EQ(1, m_link.GetControllerProjectCRC(controller));
    EXPECT_NE(project, controller);

    // Download and compression failures have texts of their own.
    m_session.SetFaults("PlcDownload 0x80004005\r\nCompressProject 0x80004005\r\n");
    EXPECT_EQ(0, m_link.SendToController());
    EXPECT_STREQ("PLC download failed", m_link.GetLastError().GetString());
    EXPECT_EQ(0, m_link.SaveCompressed());
    EXPECT_STREQ("Compress project failed", m_link.GetLastError().GetString());
}

TEST_F(IecLinkSession, ACompressedProjectExpandsAndOpens)
{
    ConnectAndCreate();
    ASSERT_EQ(1, m_link.AddPOU("MAIN"));
    ASSERT_EQ(1, m_link.SaveCompressed());
    const std::string zwe = m_session.ProjectPath("Line.zwe");
    const std::string text = ProjectText();
    DeleteFileA(m_session.ProjectPath("Line.mwe").c_str());

    EXPECT_EQ(1, m_link.OpenCompressed(zwe.c_str())) << m_link.GetLastError().GetString();
    EXPECT_TRUE(m_session.JournalHas("ExpandProject \"" + m_session.ProjectPath("Line") + "\" \"" + zwe + "\""));
    EXPECT_EQ(text, ProjectText());
    EXPECT_EQ(1, PathExists(m_session.ProjectPath("Line\\POU\\MAIN.st").c_str()));
    EXPECT_EQ(1, m_link.IsProjectOpen());

    // The expand command's code 1 is a failure too.
    m_session.SetFaults("ExpandProject 1\r\n");
    EXPECT_EQ(0, m_link.OpenCompressed(zwe.c_str()));
    EXPECT_STREQ("Expand project failed", m_link.GetLastError().GetString());

    // A missing archive fails without a text.
    m_link.ClearError();
    EXPECT_EQ(0, m_link.OpenCompressed(m_session.ProjectPath("None.zwe").c_str()));
    EXPECT_TRUE(m_link.GetLastError().IsEmpty());
}

TEST_F(IecLinkSession, TheControllersAddressGoesThroughAnImportedSettingsFile)
{
    ScratchFolder temp;
    TemporaryFolder tmp(temp.Path());
    WriteWholeFile(temp / "RESRC0.set", "x");
    WriteWholeFile(temp / "RESRC1.set", "x");

    ConnectAndCreate();
    CIP4Address address;
    EXPECT_EQ(1, m_link.GetIPAddress(address));
    EXPECT_STREQ("192.168.0.250", address.GetAddressText().GetString());

    CIP4Address wanted;
    wanted.SetAddressText("10.0.0.7");
    EXPECT_EQ(1, m_link.SetIPAddress(wanted)) << m_link.GetLastError().GetString();
    EXPECT_TRUE(m_session.JournalHas("ImportSettings " + (temp / "RESRC2.set")));
    const std::string settings = m_session.ProjectPath("Line\\C\\Configuration\\R\\Resource01\\Resource01.set");
    EXPECT_EQ("REOURCE\r\n    COMPORT: DLL .\\plc\\socomm.dll -ip10.0.0.7 -p41100 -TO2000\r\nEND_REOURCE\r\n",
              ReadWholeFile(settings));
    EXPECT_EQ(0, PathExists((temp / "RESRC2.set").c_str()));
    EXPECT_EQ(1, m_link.GetIPAddress(address));
    EXPECT_STREQ("10.0.0.7", address.GetAddressText().GetString());

    // Port and time-out of the project's file are kept.
    WriteWholeFile(settings, "REOURCE\r\nCOMPORT: DLL .\\PLC\\SOCOMM.DLL -IP192.168.1.20 -P5000 -TO3000\r\n");
    EXPECT_EQ(1, m_link.GetIPAddress(address));
    EXPECT_STREQ("192.168.1.20", address.GetAddressText().GetString());
    wanted.SetAddressText("10.0.0.8");
    EXPECT_EQ(1, m_link.SetIPAddress(wanted));
    EXPECT_EQ("REOURCE\r\n    COMPORT: DLL .\\PLC\\SOCOMM.DLL -ip10.0.0.8 -p5000 -TO3000\r\nEND_REOURCE\r\n",
              ReadWholeFile(settings));

    // A refused import changes nothing and leaves no temporary file.
    m_session.SetFaults("ImportSettings 0x80004005\r\n");
    wanted.SetAddressText("10.0.0.9");
    EXPECT_EQ(0, m_link.SetIPAddress(wanted));
    EXPECT_STREQ("Error importing settings", m_link.GetLastError().GetString());
    EXPECT_NE(std::string::npos, ReadWholeFile(settings).find("-ip10.0.0.8 "));
    EXPECT_EQ(0, PathExists((temp / "RESRC2.set").c_str()));
}

TEST_F(IecLinkSession, ASettingsFileThatDoesNotReadOrATemporaryFileThatCannotBeMadeChangesNothing)
{
    ScratchFolder temp;
    TemporaryFolder tmp(temp.Path());
    ScriptedPrompts prompts;

    ConnectAndCreate();
    std::string folder = m_session.ProjectPath("Line");
    for (const char* part : {"\\C", "\\Configuration", "\\R", "\\Resource01"}) {
        folder += part;
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    const std::string settings = folder + "\\Resource01.set";
    const char* const unreadable = "REOURCE\r\nEND_REOURCE\r\n";
    WriteWholeFile(settings, unreadable);
    CIP4Address wanted;
    wanted.SetAddressText("10.0.0.7");
    EXPECT_EQ(0, m_link.SetIPAddress(wanted));
    EXPECT_EQ("Error reading from file " + settings, std::string(m_link.GetLastError().GetString()));
    EXPECT_EQ(unreadable, ReadWholeFile(settings));
    EXPECT_FALSE(m_session.JournalHas("ImportSettings " + (temp / "RESRC0.set")));
    CIP4Address address;
    EXPECT_EQ(1, m_link.GetIPAddress(address));
    EXPECT_STREQ("192.168.0.250", address.GetAddressText().GetString());
    EXPECT_TRUE(prompts.Records().empty());

    // A temporary folder that is not there: the box at once, then the
    // failure with the temporary file's name.
    const char* const readable = "REOURCE\r\n    COMPORT: DLL .\\plc\\socomm.dll -ip10.0.0.1 -p1 -TO2\r\n";
    WriteWholeFile(settings, readable);
    const std::string missing = temp / "missing";
    TemporaryFolder missingTmp(missing);
    const std::string temporary = missing + "\\RESRC0.set";
    EXPECT_EQ(0, m_link.SetIPAddress(wanted));
    EXPECT_EQ("Error writing to file " + temporary, std::string(m_link.GetLastError().GetString()));
    ASSERT_EQ(1u, prompts.Records().size());
    EXPECT_EQ("Unable to open file: " + temporary, prompts.Records()[0].text);
    EXPECT_EQ(readable, ReadWholeFile(settings));
}

TEST_F(IecLinkSession, TheUserCannotCloseTheSystemWhileTheLockHolds)
{
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    ASSERT_EQ(1, m_link.Connect());
    EXPECT_EQ(1, m_link.IsUserAppCloseEnabled());
    m_link.DisableUserAppClose();
    EXPECT_EQ(0, m_link.IsUserAppCloseEnabled());

    HWND window = StandInSession::MainWindow();
    ASSERT_NE(nullptr, window);
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(m_session.JournalHas("WM_CLOSE refused"));
    EXPECT_TRUE(StandInSession::StandInRunning());

    m_link.EnableUserAppClose();
    EXPECT_EQ(1, m_link.IsUserAppCloseEnabled());
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(StandInSession::WaitForStandInEnd());
}

TEST_F(IecLinkSession, ASystemThatNeverRegistersIsGivenUpAfterTwentySeconds)
{
    m_session.SetFaults("NoRegister\r\n");
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    const std::uint64_t start = m_session.Clock().NowMs();
    EXPECT_EQ(0, m_link.Connect());
    EXPECT_STREQ("Unable to connect to application", m_link.GetLastError().GetString());
    const std::uint64_t waited = m_session.Clock().NowMs() - start;
    EXPECT_GE(waited, 20000u);
    EXPECT_LT(waited, 24000u);
    EXPECT_EQ(0, m_link.IsAppConnected());
}

TEST_F(IecLinkSession, ASystemSlowToStartIsStillAttached)
{
    // Registered seconds of real time after it started, as on a loaded
    // machine: the start waits count virtual time, which must not run out
    // while the system has merely not got as far as registering.
    m_session.SetFaults("SlowStart 3000\r\n");
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    const std::uint64_t start = m_session.Clock().NowMs();
    ASSERT_EQ(1, m_link.Connect()) << m_link.GetLastError().GetString();
    EXPECT_LT(m_session.Clock().NowMs() - start, 20000u);
    EXPECT_TRUE(m_session.JournalHas("Registered"));
    EXPECT_TRUE(m_session.JournalHas("Attach"));
    EXPECT_EQ(1, m_link.IsAppConnected());
}

TEST_F(IecLinkSession, AMainWindowThatNeverAppearsIsGivenUpAfterThirtySeconds)
{
    m_session.SetFaults("NoWindow\r\n");
    ASSERT_EQ(1, m_link.LocateAppExecutable());
    const std::uint64_t start = m_session.Clock().NowMs();
    EXPECT_EQ(0, m_link.Connect());
    EXPECT_STREQ("Unable to connect to application", m_link.GetLastError().GetString());
    EXPECT_GE(m_session.Clock().NowMs() - start, 30000u);
    EXPECT_EQ(0, m_link.IsAppConnected());
}

} // namespace

namespace {

TEST_F(IecLinkSession, ProjectsAreNamedThroughTheFileDialogs)
{
    ScriptedFileDialogs dialogs;
    dialogs.Cancel();
    dialogs.Cancel();
    EXPECT_TRUE(m_link.BrowseForProject(nullptr).IsEmpty());
    EXPECT_EQ(0, m_link.CreateProject(static_cast<CWnd*>(nullptr)));

    ASSERT_EQ(1, m_link.LocateAppExecutable());
    ASSERT_EQ(1, m_link.Connect());
    dialogs.Choose(m_session.ProjectPath("Chosen.mwe"));
    EXPECT_EQ(1, m_link.CreateProject(static_cast<CWnd*>(nullptr))) << m_link.GetLastError().GetString();
    EXPECT_EQ(1, PathExists(m_session.ProjectPath("Chosen.mwe").c_str()));
    dialogs.Choose(m_session.ProjectPath("Chosen.mwe"));
    EXPECT_STREQ(m_session.ProjectPath("Chosen.mwe").c_str(), m_link.BrowseForProject(nullptr).GetString());

    const auto records = dialogs.Records();
    ASSERT_EQ(4u, records.size());
    const bool open[] = {true, false, false, true};
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(open[i], records[i].open) << i;
        EXPECT_EQ("mwe", records[i].defExt) << i;
        EXPECT_EQ("KW project files (*.mwe)|*.mwe||", records[i].filter) << i;
        EXPECT_EQ(static_cast<DWORD>(OFN_HIDEREADONLY), records[i].flags) << i;
    }
}

} // namespace

namespace {

class ResourceLink : public CKWMPELink {
public:
    using CKWMPELink::GetDefaultResource;
    using CKWMPELink::RemoveIOGroupsFromResource;
};

TEST(IecLinkResource, ControlDialogAndIoGroupsOfTheDefaultResource)
{
    StandInSession session;
    ResourceLink link;
    ASSERT_EQ(1, link.LocateAppExecutable());
    ASSERT_EQ(1, link.Connect());
    EXPECT_EQ(0, link.ShowControlDialog(1));
    EXPECT_STREQ("Invalid resource", link.GetLastError().GetString());
    ASSERT_EQ(1, link.CreateProject(CString(session.ProjectPath("Line.mwe").c_str())));

    EXPECT_EQ(1, link.ShowControlDialog(1));
    EXPECT_TRUE(session.JournalHas("ShowControlDialog 1"));
    session.SetFaults("ShowControlDialog 0x80044002\r\n");
    EXPECT_EQ(0, link.ShowControlDialog(0));
    EXPECT_STREQ("Variable not found", link.GetLastError().GetString());

    EXPECT_EQ(1, link.RemoveIOGroupsFromResource(link.GetDefaultResource()));
    EXPECT_EQ(std::string::npos, ReadWholeFile(session.ProjectPath("Line.mwe")).find("IOGROUP"));
    EXPECT_EQ(0, link.RemoveIOGroupsFromResource(CDispatchPtr()));
    EXPECT_STREQ("Invalid resource", link.GetLastError().GetString());
}

} // namespace
