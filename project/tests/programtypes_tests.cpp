// The program-type and file-type tables, their look-ups, the capability
// predicates and the copy routines.
#include <gtest/gtest.h>

#include "foundation/safefile.h"
#include "project/programtypes.h"
#include "project/projectmessages.h"
#include "testsupport/fake_windows.h"
#include "testsupport/scratch_folder.h"

namespace {

std::vector<std::string> ToVector(const CStringList& list)
{
    std::vector<std::string> out;
    for (POSITION pos = list.GetHeadPosition(); pos;)
        out.emplace_back(list.GetNext(pos).GetString());
    return out;
}

} // namespace

TEST(ProgramTypes, NamesAndExtensions)
{
    EXPECT_STREQ(GetProgramTypeName(0), "BASIC");
    EXPECT_STREQ(GetProgramTypeName(11), "Unknown");
    EXPECT_STREQ(GetProgramTypeName(-1), "Unknown");
    EXPECT_STREQ(GetProgramTypeExtension(3), "txt");
    EXPECT_STREQ(GetProgramTypeExtension(4), "mwe");
    EXPECT_STREQ(GetProgramTypeTransferExtension(4), "zwa");
    EXPECT_STREQ(GetProgramTypeExtension(PROGRAM_TYPE_FIFO), "");
    EXPECT_STREQ(GetProgramTypeTransferExtension(PROGRAM_TYPE_FIFO), "");
    EXPECT_EQ(GetProgramTypeIdByName("g-code"), 2);
    EXPECT_EQ(GetProgramTypeIdByName("Nothing"), -1);
}

TEST(ProgramTypes, TypeOfExtension)
{
    const struct {
        const char* extension;
        int type;
    } cases[] = {{"LST", 3}, {"plt", 3}, {"bas", 0}, {"qcc", 9}, {"xyz", -1}, {"zwa", 4},
                 {"mwe", 4}, {"gco", 2}, {"prj", 7}, {"bin", 8}, {"", -1}};
    for (const auto& c : cases)
        EXPECT_EQ(GetProgramTypeOfExtension(c.extension), c.type) << c.extension;
    EXPECT_EQ(FindFileTypeOfExtension("zwa"), -1); // transfer extensions are not searched
    EXPECT_EQ(FindFileTypeOfExtension("lst"), 3);
    EXPECT_EQ(GetProgramTypeOfFileType(5), 3);
    EXPECT_EQ(GetProgramTypeOfFileType(-1), -1);
    EXPECT_EQ(GetProgramTypeOfFileType(4), -1);
}

TEST(ProgramTypes, FileTypeLookups)
{
    EXPECT_FALSE(IsValidFileType(-1));
    EXPECT_FALSE(IsValidFileType(10));
    EXPECT_TRUE(IsValidFileType(9));
    EXPECT_EQ(FindFileType(4), nullptr);
    CStringList list;
    EXPECT_EQ(GetFileTypeExtensions(9, list), 2);
    EXPECT_EQ(ToVector(list), (std::vector<std::string>{"qcc", "bas"}));
    EXPECT_EQ(GetFileTypeExtensions(4, list), 0);
    EXPECT_STREQ(GetFirstExtensionOfFileType(3), "txt");
    EXPECT_STREQ(GetFirstExtensionOfFileType(10), "");
    EXPECT_STREQ(GetFileTypeTransferExtension(1), "");
    EXPECT_STREQ(GetFileTypeTransferExtension(6), "zwa");
}

TEST(ProgramTypes, SplitExtensionList)
{
    const struct {
        const char* text;
        std::vector<std::string> pieces;
    } cases[] = {{"txt,lst", {"txt", "lst"}}, {"a,,b", {"a", "", "b"}}, {"a,", {"a"}}, {"", {}}, {",", {""}}};
    for (const auto& c : cases) {
        CStringList list;
        EXPECT_EQ(SplitExtensionList(c.text, list), static_cast<int>(c.pieces.size())) << c.text;
        EXPECT_EQ(ToVector(list), c.pieces) << c.text;
    }
}

// A program name becomes a file name in the project folder: every hostile
// spelling a project file or a controller's directory may carry is refused
// before anything is opened.
TEST(ProgramTypes, ProgramNamesAndTheFileNamesTheyBecome)
{
    const struct {
        const char* name;
        bool program; // a name the controller holds
        bool file;    // a name that may become a file name
    } cases[] = {
        {"MAIN_1", true, true},
        {"ABCDEFGHIJKLMNO", true, true},
        {"ABCDEFGHIJKLMNOP", false, false},
        {"", false, false},
        {nullptr, false, false},
        {"A-B", false, false},
        {"A B", false, false},
        {" MAIN", false, false},
        {"..\\..\\VICTIM", false, false},
        {"..\\MAIN", false, false},
        {"..", false, false},
        {".", false, false},
        {"SUB\\MAIN", false, false},
        {"SUB/MAIN", false, false},
        {"C:MAIN", false, false},
        {"\"MAIN\"", false, false},
        {"MAIN\t", false, false},
        {"MA\x01IN", false, false},
        {"MAIN.BAS", false, false},
        {"AUX", true, false},
        {"aux", true, false},
        {"Con", true, false},
        {"NUL", true, false},
        {"PRN", true, false},
        {"COM1", true, false},
        {"com9", true, false},
        {"LPT1", true, false},
        {"lpt9", true, false},
        {"COM0", true, true},
        {"LPT10", true, true},
        {"AUX1", true, true},
        {"AUXILIARY", true, true},
        {"CONVEYOR", true, true},
        {"NUL_", true, true},
    };
    for (const auto& c : cases) {
        const char* shown = c.name ? c.name : "(null)";
        EXPECT_EQ(c.program, IsValidProgramName(c.name)) << shown;
        EXPECT_EQ(c.file, IsProgramFileName(c.name)) << shown;
    }
    // A device name stays the device whatever its extension.
    for (const char* device : {"AUX.bas", "con.txt", "NUL.", "COM1.bas", "LPT9.x.y", "PRN .bas"})
        EXPECT_TRUE(IsReservedDeviceName(device)) << device;
    for (const char* other : {"AUXX.bas", "MAIN.bas", "COM.bas", "LPT0.bas", "", ".bas"})
        EXPECT_FALSE(IsReservedDeviceName(other)) << other;
}

TEST(ProgramTypes, OperationsByRow)
{
    EXPECT_EQ(IsOperationAllowedForRow(5, 1), 0); // Encrypted cannot be edited
    EXPECT_EQ(IsOperationAllowedForRow(6, 1), 1); // but run
    for (int row = 0; row < PROGRAM_TYPE_ROW_COUNT; ++row) {
        EXPECT_EQ(IsOperationAllowedForRow(0, row), 1);
        EXPECT_EQ(IsOperationAllowedForRow(12, row), 0);
        EXPECT_EQ(IsOperationAllowedForRow(-1, row), 0);
    }
    CStringList names;
    EXPECT_EQ(CollectProgramTypeNamesForOperation(7, names, nullptr), 3);
    EXPECT_EQ(ToVector(names), (std::vector<std::string>{"BASIC", "G-Code", "QC_CONFIG"}))
        << "operation 7 reads c12, set for BASIC, G-Code and QC_CONFIG";
    CStringList extensions;
    EXPECT_EQ(CollectExtensionsForOperation(2, extensions, nullptr), 9);
    EXPECT_EQ(ToVector(extensions),
              (std::vector<std::string>{"bas", "gco", "txt", "lst", "plt", "mwe", "bin", "qcc", "bas"}));
}

TEST(ProgramTypes, WindowFormsWithoutAWindowGiveTheColumn)
{
    EXPECT_EQ(CanEditProgramType(1, nullptr), 0);
    EXPECT_EQ(CanRunProgramType(1, nullptr), 1);
    EXPECT_EQ(CanLoadProgramType(3, nullptr), 1);
    EXPECT_EQ(CanMoveProgramTypeAsFile(4, nullptr), 1);
    EXPECT_EQ(CanRunProgramType(42, nullptr), 0);
    EXPECT_EQ(ProgramTypeColumn19(8), 1);
    EXPECT_EQ(ControllerCanEditProgramType(0, nullptr), 1);
    EXPECT_STREQ(GetProgramTypeFixedName(9, nullptr), "QC_CONFIG");
}

TEST(ProgramTypes, WindowFormsAskTheProjectWindow)
{
    FakeProjectWindow project;
    const HWND window = project.Handle();
    // Feature 31 (IEC Project) missing, 29 (Text) present, 27 missing.
    project.SetFeature(0, true);
    project.SetFeature(29, true);
    project.SetFeature(12, true);
    EXPECT_EQ(CanMoveProgramTypeAsFile(4, window), 0);
    EXPECT_EQ(CanEditProgramType(3, window), 1);
    EXPECT_EQ(CanLoadProgramType(3, window), 0) << "a Text load also needs feature 27";
    project.SetFeature(27, true);
    EXPECT_EQ(CanLoadProgramType(3, window), 1);
    EXPECT_EQ(CanLoadProgramType(1, window), 0) << "Encrypted needs feature 10";
    project.SetFeature(10, true);
    EXPECT_EQ(CanLoadProgramType(1, window), 0) << "and feature 9";
    project.SetFeature(9, true);
    EXPECT_EQ(CanLoadProgramType(1, window), 1);
    EXPECT_STREQ(GetProgramTypeFixedName(9, window), "") << "feature 37 is missing";
    project.SetFeature(37, true);
    EXPECT_STREQ(GetProgramTypeFixedName(9, window), "QC_CONFIG");
}

TEST(PlotConversion, CommandsBecomeLines)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"IN;SP1;\r\n", "IN;\r\nSP1;\r\n"},
        {"PU0,0\r\n", "PU0,0;\r\n"},
        {"PU0,0\r\nPD1,1\r\n", "PU0,0;\r\nPD1,1;\r\n"}, // a CR LF file is not cut after a line
        {"PU0,0\nPD1,1", "PU0,0;\r\nPD1,1"},
        {";;\n;", ";\r\n"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertPlotText(c.in), c.out) << c.in;
}

TEST(FileCopy, RoutinesOfTheFileTypes)
{
    ScratchFolder folder;
    const std::string plot = folder / "in.plt";
    const std::string out = folder / "out.txt";
    WriteWholeFile(plot, "IN;SP1;\r\n");
    EXPECT_EQ(TransferFileOfType(plot.c_str(), 5, out.c_str()), 1);
    EXPECT_EQ(ReadWholeFile(out), "IN;\r\nSP1;\r\n");

    EXPECT_EQ(TransferFileOfType(plot.c_str(), 4, out.c_str()), 0) << "no file type 4";
    EXPECT_EQ(TransferFileOfType((folder / "missing.bas").c_str(), 1, out.c_str()), 0);
    EXPECT_EQ(ReadWholeFile(out), "IN;\r\nSP1;\r\n") << "a failed copy leaves the destination";

    const std::string bas = folder / "MAIN.bas";
    WriteWholeFile(bas, "PRINT 1\r\n");
    EXPECT_EQ(TransferFileOfType(bas.c_str(), 0, out.c_str()), 1);
    EXPECT_EQ(ReadWholeFile(out), "PRINT 1\r\n");
}

TEST(FileCopy, IecProjectNeedsItsDataFolder)
{
    ScratchFolder folder;
    const std::string source = folder / "Iec.mwe";
    WriteWholeFile(source, "project");
    const std::string target = folder / "Copy.mwe";
    EXPECT_EQ(CopyIecProjectFile(source.c_str(), target.c_str()), 0);
    EXPECT_FALSE(FileExists(target.c_str()));

    ::CreateDirectoryA((folder / "Iec").c_str(), nullptr);
    WriteWholeFile(folder / "Iec\\data.txt", "data");
    EXPECT_EQ(CopyIecProjectFile(source.c_str(), target.c_str()), 1);
    EXPECT_EQ(ReadWholeFile(target), "project");
    EXPECT_EQ(ReadWholeFile(folder / "Copy\\data.txt"), "data");
}

TEST(ProcessStates, Texts)
{
    LoadProcessStateTexts(TRUE);
    EXPECT_STREQ(GetProcessStateText(0), "Stopped");
    EXPECT_STREQ(GetProcessStateText(5), "Running Included");
    EXPECT_STREQ(GetProcessStateText(6), "");
    EXPECT_STREQ(GetProcessStateText(-1), "");
}
