// The controller's error reports read and put into words (plain C++; the
// native build runs these too).
#include <gtest/gtest.h>

#include "project/controllerreport.h"

namespace {

struct ReportCase {
    const char* command;
    const char* line;
    ControllerReport::Kind kind;
    const char* program;
    int lineNumber;
    const char* entry;
};

const ReportCase kReportCases[] = {
    {"RUN \"MAIN\",3", "%[VQE 27] Not allowed", ControllerReport::General, "MAIN", -1,
     "Error detected in the command RUN \"MAIN\",3\r\n->Not allowed"},
    {"COMPILE \"PROG\"", "%[COMPILE Line 4] (8) - Syntax error", ControllerReport::Compile, "PROG", 4,
     "The following error occured whilst processing the command COMPILE \"PROG\"\r\n->Phase COMPILE - Program PROG, "
     "Line 4\n->Syntax error"},
    // The report names its program: that name wins over the command's.
    {"COMPILE \"PROG\"", "%[COMPILE Line 9 Program SUB1] (8) - x", ControllerReport::Compile, "SUB1", 9,
     "The following error occured whilst processing the command COMPILE \"PROG\"\r\n->Phase COMPILE - Program SUB1, "
     "Line 9\n->x"},
    {"COMPILE", "%[LINK Line 12] (40) - Label missing", ControllerReport::Link, "", 12,
     "The following error occured whilst processing the command COMPILE\r\n->Phase LINK - Line 12\n->Label missing"},
    // A quote at the start names no program.
    {"\"A\" RUN \"B\"", "%[VQE 1] x", ControllerReport::General, "", -1,
     "Error detected in the command \"A\" RUN \"B\"\r\n->x"},
    {"PRINT 1", "junk", ControllerReport::None, "", -1, "Error in command PRINT 1\n->unk"},
    // The largest line number is read; one past it matches no form.
    {"COMPILE", "%[COMPILE Line 2147483647] (8) - x", ControllerReport::Compile, "", 2147483647,
     "The following error occured whilst processing the command COMPILE\r\n->Phase COMPILE - Line 2147483647\n->x"},
    {"COMPILE", "%[COMPILE Line 2147483648] (8) - x", ControllerReport::None, "", -1,
     "Error in command COMPILE\n->[COMPILE Line 2147483648] (8) - x"},
    // A line number too long for an integer matches no form.
    {"COMPILE", "%[COMPILE Line 99999999999] (8) - x", ControllerReport::None, "", -1,
     "Error in command COMPILE\n->[COMPILE Line 99999999999] (8) - x"},
};

TEST(ControllerReport, FormsAndEntries)
{
    for (const ReportCase& row : kReportCases) {
        SCOPED_TRACE(row.line);
        const ControllerReport report = ParseControllerReport(row.command, row.line);
        EXPECT_EQ(row.kind, report.kind);
        if (report.kind != ControllerReport::None) {
            EXPECT_EQ(row.program, report.program);
            EXPECT_EQ(row.lineNumber, report.line);
        }
        EXPECT_EQ(row.entry, FormatControllerReport(row.command, row.line, report));
    }
    // The text part is cut to 80 characters.
    const std::string longText(200, 'z');
    EXPECT_EQ(80u, ParseControllerReport("X", "%[VQE 1] " + longText).text.size());
}

} // namespace
