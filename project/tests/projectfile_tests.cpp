// The project file: golden bytes of a written project, the program list
// and its edge cases, the accessors with fallbacks and defaults, desktops,
// and the in-memory project loaded from and saved to the file.
#include <gtest/gtest.h>

#include "framework/app.h"
#include "link/modeltables.h"
#include "project/projectfile.h"
#include "project/programtypes.h"
#include "project/projectmessages.h"
#include "testsupport/fake_windows.h"
#include "testsupport/scratch_folder.h"
#include "testsupport/scripted_prompts.h"

namespace {

class ProjectFileTest : public ::testing::Test {
protected:
    std::string Path() const { return m_folder / "Proj.prj"; }
    std::string Text() const { return ReadWholeFile(Path()); }
    void Write(const std::string& text) { WriteWholeFile(Path(), text); }

    ScratchFolder m_folder;
    ScriptedPrompts m_prompts;
};

CProgramData Program(const char* name, int type)
{
    CProgramData program;
    program.m_strName = name;
    program.m_nType = type;
    return program;
}

std::vector<std::string> Names(const CTList<CProgramData>& list)
{
    std::vector<std::string> names;
    for (const CProgramData* p = list.GetHead(); p; p = list.GetNext(p))
        names.emplace_back(std::string(p->m_strName.GetString()) + ":" + std::to_string(p->m_nType));
    return names;
}

} // namespace

TEST_F(ProjectFileTest, SavedProjectGoldenBytes)
{
    CProjectContents contents;
    contents.SetControllerType(FindControllerModelByName("QC116"));
    contents.AddProgram(Program("main", 0));
    ASSERT_TRUE(contents.SaveToFile(Path().c_str()));
    EXPECT_EQ(Text(), "[Controller]\r\nType=QC116\r\n"
                      "[Programs]\r\nProgram00=MAIN\r\n"
                      "[ProgramType]\r\nMAIN=0\r\n");
}

TEST_F(ProjectFileTest, ModelNoneWritesNoType)
{
    CProjectContents contents;
    contents.AddProgram(Program("MAIN", 0));
    ASSERT_TRUE(contents.SaveToFile(Path().c_str()));
    EXPECT_EQ(Text().find("Type="), std::string::npos);
}

TEST_F(ProjectFileTest, ProgramListReadingStopsAtAGapAndCutsComments)
{
    Write("[Programs]\r\nProgram00=main;comment\r\nProgram02=LOST\r\n"
          "[ProgramType]\r\nMAIN=3\r\n");
    CProjectFile file(Path().c_str());
    EXPECT_EQ(file.GetProgramCount(), 1);
    CString name;
    int type;
    ASSERT_TRUE(file.GetProgram(0, name, type));
    EXPECT_STREQ(name, "MAIN");
    EXPECT_EQ(type, 3);
    ASSERT_TRUE(file.GetProgram(0, name, type, TRUE));
    EXPECT_STREQ(name, "MAIN;COMMENT");
    EXPECT_FALSE(file.GetProgram(32, name, type));
    EXPECT_EQ(type, -1);

    Write("[Programs]\r\nProgram00=;X\r\n");
    ASSERT_TRUE(file.GetProgram(0, name, type));
    EXPECT_STREQ(name, ";X") << "a \";\" in first place is kept";
}

TEST_F(ProjectFileTest, AddRemoveAndRenameIgnoreCase)
{
    CProjectFile file(Path().c_str());
    EXPECT_EQ(file.AddProgram("one", 0), 0);
    EXPECT_EQ(file.AddProgram("TWO", 2), 1);
    EXPECT_EQ(file.AddProgram("three", 3), 2);
    EXPECT_EQ(file.AddProgram("Two", 3), 1) << "an existing program keeps its index";
    EXPECT_EQ(file.GetProgramType("TWO"), 3);
    file.SetAutoRun("ONE", -1);
    file.SetRunOnProcess("one", 4);

    EXPECT_EQ(file.RemoveProgram("One"), 2);
    EXPECT_EQ(file.RemoveProgram("nothing"), -1);
    CTList<CProgramData> list;
    ASSERT_TRUE(file.ReadProgramList(list));
    EXPECT_EQ(Names(list), (std::vector<std::string>{"TWO:3", "THREE:3"}));
    EXPECT_FALSE(file.KeyExists("Programs", "Program02"));
    EXPECT_FALSE(file.KeyExists("ProgramType", "ONE"));
    EXPECT_FALSE(file.KeyExists("AutoRun", "ONE"));
    EXPECT_FALSE(file.KeyExists("RunOnProcess", "ONE"));

    file.SetAutoRun("THREE", 3);
    file.SetRunOnProcess("THREE", 2);
    ASSERT_TRUE(file.RenameProgram("three", "four"));
    EXPECT_EQ(file.FindProgram("FOUR"), 1);
    EXPECT_EQ(file.GetProgramType("FOUR"), 3);
    EXPECT_EQ(file.GetAutoRun("FOUR"), 3);
    EXPECT_EQ(file.GetRunOnProcess("FOUR"), 2);
    EXPECT_FALSE(file.KeyExists("ProgramType", "THREE"));
    EXPECT_FALSE(file.KeyExists("AutoRun", "THREE"));
    EXPECT_FALSE(file.KeyExists("RunOnProcess", "THREE"));
    EXPECT_FALSE(file.RenameProgram("nothing", "X"));
}

TEST_F(ProjectFileTest, ThirtyTwoProgramsAtMost)
{
    CTList<CProgramData> list;
    for (int i = 0; i < 32; ++i) {
        CProgramData program = Program(("P" + std::to_string(i)).c_str(), 0);
        list.AddTail(&program);
    }
    CProjectFile file(Path().c_str());
    ASSERT_TRUE(file.WriteProgramList(list));
    const std::string before = Text();
    EXPECT_EQ(file.AddProgram("P32", 0), -1);
    EXPECT_EQ(Text(), before) << "the 33rd program writes nothing";
    EXPECT_EQ(file.AddProgram("p5", 2), 5) << "an existing name is still updated";
    EXPECT_EQ(file.GetProgramType("P5"), 2);

    CProgramData extra = Program("P32", 0);
    list.AddTail(&extra);
    EXPECT_FALSE(file.WriteProgramList(list));
    EXPECT_EQ(file.GetProgramCount(), 32);
}

TEST_F(ProjectFileTest, WriteProgramListKeepsRunSettingsOfListedPrograms)
{
    CProjectFile file(Path().c_str());
    file.AddProgram("MAIN", 0);
    file.AddProgram("OLD", 0);
    file.SetAutoRun("MAIN", -1);
    file.SetRunOnProcess("MAIN", 3);
    file.SetAutoRun("OLD", 2);
    file.SetRunOnProcess("OLD", 5);
    file.SetVRRange(0, 10);

    CTList<CProgramData> list;
    CProgramData main = Program("MAIN", 0), added = Program("NEW", 2);
    list.AddTail(&main);
    list.AddTail(&added);
    ASSERT_TRUE(file.WriteProgramList(list));
    EXPECT_EQ(file.GetAutoRun("MAIN"), -1);
    EXPECT_EQ(file.GetRunOnProcess("MAIN"), 3);
    EXPECT_FALSE(file.KeyExists("AutoRun", "OLD"));
    EXPECT_FALSE(file.KeyExists("RunOnProcess", "OLD"));
    EXPECT_FALSE(file.KeyExists("ProgramType", "OLD"));
    int range[2];
    file.GetVRRange(range);
    EXPECT_EQ(range[1], 10) << "sections the list does not own stay";
    CTList<CProgramData> read;
    file.ReadProgramList(read);
    EXPECT_EQ(Names(read), (std::vector<std::string>{"MAIN:0", "NEW:2"}));
}

TEST_F(ProjectFileTest, RangesAndFlags)
{
    CProjectFile file(Path().c_str());
    EXPECT_FALSE(file.SetVRRange(5, 4));
    EXPECT_FALSE(file.SetTableRange(-1, 4));
    EXPECT_FALSE(file.HasSection("VR"));
    EXPECT_TRUE(file.SetVRRange(0, 0));
    EXPECT_TRUE(file.KeyExists("VR", "From"));
    EXPECT_TRUE(file.KeyExists("VR", "To"));
    EXPECT_TRUE(file.SetTableViewRange(3, 9));
    int range[2];
    file.GetTableViewRange(range);
    EXPECT_EQ(range[0], 3);
    EXPECT_EQ(range[1], 9);
    file.GetVariablesRange(range);
    EXPECT_EQ(range[0], 0);

    Write("[Store]\r\nTable=7\r\n");
    EXPECT_EQ(file.GetStoreTable(), 1);
    EXPECT_EQ(file.GetStoreVariables(), 0);
    EXPECT_EQ(file.GetOscilloscopeTableStart(), -1);
    EXPECT_EQ(file.GetRunOnProcess("MAIN"), -1);
    EXPECT_EQ(file.GetRunOnProcess(""), -1);
    EXPECT_EQ(file.GetAutoRun(""), 0);
    EXPECT_FALSE(file.SetRunOnProcess("", 2));
    EXPECT_EQ(file.GetProgramCRC("MAIN"), 0u);

    Write("[ProgramCRC]\r\nMAIN=4294967295\r\n[RunOnProcess]\r\nA=3\r\nB\r\nC=x\r\n");
    EXPECT_EQ(file.GetProgramCRC("main"), 4294967295u);
    CArray<int> processes;
    EXPECT_EQ(file.GetRunOnProcessList(processes), 2) << "a line without \"=\" is no entry";
    ASSERT_EQ(processes.GetSize(), 2);
    EXPECT_EQ(processes[0], 3);
    EXPECT_EQ(processes[1], 0);
}

TEST_F(ProjectFileTest, ControllerTypeAndEprom)
{
    CProjectFile file(Path().c_str());
    EXPECT_FALSE(file.SetControllerType(0));
    EXPECT_FALSE(file.Exists());
    EXPECT_TRUE(file.SetControllerType(FindControllerModelByName("QC110")));
    EXPECT_EQ(file.GetControllerType(), FindControllerModelByName("QC110"));
    file.SetRunFromEPROM(TRUE);
    EXPECT_TRUE(file.IsRunFromEPROM());
    file.SetRunFromEPROM(FALSE);
    EXPECT_FALSE(file.KeyExists("Controller", "Run"));
    EXPECT_STREQ(GetProjectFileExtension(TRUE), ".prj");
    EXPECT_STREQ(GetBackupFileExtension(FALSE), "bak");
}

TEST_F(ProjectFileTest, CanFallbacks)
{
    Write("[CAN Bus]\r\nBaudRate=500\r\n[CAN Address 3]\r\nAmplifier=OLDDRIVE\r\nMotor=OLDMOTOR\r\n");
    CProjectFile file(Path().c_str());
    EXPECT_EQ(file.GetCANBaudRate(0, 1000), 500);
    EXPECT_EQ(file.GetCANBaudRate(1, 1000), 1000) << "slot 1 never falls back";
    EXPECT_STREQ(file.GetCANDriveName(0, 3, "none"), "OLDDRIVE");
    EXPECT_STREQ(file.GetCANMotorName(0, 3, "none"), "OLDMOTOR");
    EXPECT_STREQ(file.GetCANDriveName(1, 3, "none"), "none");
    file.SetCANBaudRate(0, 250);
    file.SetCANDriveName(0, 3, "NEWDRIVE");
    EXPECT_EQ(file.GetCANBaudRate(0, 1000), 250);
    EXPECT_STREQ(file.GetCANDriveName(0, 3, "none"), "NEWDRIVE");
    EXPECT_STREQ(file.GetCANMotorName(0, 3, "none"), "OLDMOTOR");
}

TEST_F(ProjectFileTest, SercosParameterLists)
{
    CProjectFile file(Path().c_str());
    std::vector<int> params{1, 2, 3};
    ASSERT_TRUE(file.SetSercosStandardParams(1, params));
    EXPECT_NE(Text().find("ActiveStandarddParams_Axis01=1,2,3"), std::string::npos);
    std::vector<int> read{9};
    file.GetSercosStandardParams(1, read);
    EXPECT_EQ(read, params);
    ASSERT_TRUE(file.SetSercosStandardParams(1, {}));
    EXPECT_FALSE(file.KeyExists("SERCOS", "ActiveStandarddParams_Axis01"));
    file.GetSercosManufacturerParams(2, read);
    EXPECT_TRUE(read.empty());
    EXPECT_EQ(file.GetSercosMaxScanAddress(0), -1);
}

TEST_F(ProjectFileTest, DesktopRecords)
{
    SWindowParameters first, second;
    first.m_nHead[0] = 0x01020304;
    second.m_nTail[66] = -1;
    CTList<SWindowParameters> list;
    list.AddTail(&first);
    list.AddTail(&second);
    CProjectFile file(Path().c_str());
    ASSERT_TRUE(file.WriteDesktop(list));
    EXPECT_TRUE(file.HasDesktop());
    EXPECT_FALSE(file.HasAutoDesktop());
    const CString tool00 = file.GetString("Desktop", "TOOL00");
    ASSERT_EQ(tool00.GetLength(), 616);
    EXPECT_EQ(std::string(tool00.Left(8)), "04030201");

    CTList<SWindowParameters> read;
    ASSERT_TRUE(file.ReadDesktop(read));
    ASSERT_EQ(read.GetCount(), 2);
    EXPECT_EQ(std::memcmp(read.GetHead(), &first, sizeof first), 0);
    EXPECT_EQ(read.GetNext(read.GetHead())->m_nTail[66], -1);

    // A value of 617 digits is skipped, the next still read; a short one
    // fills from the start; an empty TOOL00 ends reading at once.
    Write("[AutoDesktop]\r\nTOOL00=" + std::string(617, '0') + "\r\nTOOL01=0a0\r\nTOOL02=zz\r\nTOOL03=ff\r\n");
    ASSERT_TRUE(file.ReadAutoDesktop(read));
    ASSERT_EQ(read.GetCount(), 2);
    const auto* bytes = reinterpret_cast<const unsigned char*>(read.GetHead());
    EXPECT_EQ(bytes[0], 0x0a);
    EXPECT_EQ(bytes[1], 0x00);
    EXPECT_EQ(read.GetHead()->m_channels.GetAt(0), 0) << "every byte comes from the text";
    Write("[Desktop]\r\nTOOL00=\r\nTOOL01=ff\r\n");
    file.ReadDesktop(read);
    EXPECT_EQ(read.GetCount(), 0);
}

TEST_F(ProjectFileTest, AxisBitsNeedTheProjectWindowsAxisCount)
{
    CWinApp app("projectfile");
    FakeProjectWindow project;
    FakeMainFrame frame(&project);
    project.SetAnswer(WM_PW_QUERY_AXIS_COUNT, 4);
    CProjectFile file(Path().c_str());
    EXPECT_FALSE(file.SetAxisBit(1, 0, TRUE)) << "no model set";
    file.SetControllerType(FindControllerModelByName("QC116"));
    EXPECT_TRUE(file.SetAxisBit(1, 3, TRUE));
    EXPECT_TRUE(file.SetAxisBit(2, 3, TRUE));
    EXPECT_EQ(file.GetInt("Controller", "Axis03"), 6);
    EXPECT_TRUE(file.SetAxisBit(1, 3, FALSE));
    EXPECT_EQ(file.GetAxisBit(2, 3), 1);
    EXPECT_EQ(file.GetAxisBit(1, 3), 0);
    EXPECT_FALSE(file.SetAxisBit(0, 4, TRUE));
    EXPECT_FALSE(file.SetAxisBit(0, -1, TRUE));
    EXPECT_EQ(file.GetAxisBit(34, 3), 1) << "the bit counts modulo 32";
}

TEST_F(ProjectFileTest, LoadingDropsProgramsWithoutFiles)
{
    Write("[Controller]\r\nType=QC116\r\n[Programs]\r\nProgram00=MAIN\r\nProgram01=PROG1\r\nProgram02=NOTES\r\n"
          "[ProgramType]\r\nMAIN=0\r\nPROG1=0\r\nNOTES=3\r\n[AutoRun]\r\nMAIN=-1\r\nPROG1=2\r\n[VR]\r\nFrom=1\r\nTo=2\r\n");
    WriteWholeFile(m_folder / "MAIN.bas", "PRINT 1\r\n");
    WriteWholeFile(m_folder / "NOTES.txt", "x");
    CProjectContents contents;
    ASSERT_TRUE(contents.LoadFromFile(Path().c_str()));
    EXPECT_EQ(contents.GetControllerType(), FindControllerModelByName("QC116"));
    EXPECT_EQ(Names(contents.m_programs), (std::vector<std::string>{"MAIN:0", "NOTES:3"}));
    ASSERT_EQ(m_prompts.Records().size(), 1u);
    EXPECT_EQ(m_prompts.Records()[0].text, "Program \"PROG1\" removed from project- file does not exist");
    EXPECT_EQ(m_prompts.Records()[0].caption, "Read Project File");

    CProjectFile file(Path().c_str());
    CTList<CProgramData> list;
    file.ReadProgramList(list);
    EXPECT_EQ(Names(list), (std::vector<std::string>{"MAIN:0", "NOTES:3"}));
    EXPECT_EQ(file.GetAutoRun("MAIN"), -1) << "AutoRun survives the rewrite";
    EXPECT_FALSE(file.KeyExists("AutoRun", "PROG1"));
    EXPECT_TRUE(file.KeyExists("VR", "To"));
    EXPECT_FALSE(contents.HasEncryptedProgram());
}

TEST_F(ProjectFileTest, MissingFileReadsAsEmpty)
{
    CProjectContents contents;
    ASSERT_TRUE(contents.LoadFromFile((m_folder / "none.prj").c_str()));
    EXPECT_EQ(contents.GetFirstProgram(), nullptr);
    EXPECT_EQ(contents.GetControllerType(), 0);
    EXPECT_TRUE(m_prompts.Records().empty());
}
