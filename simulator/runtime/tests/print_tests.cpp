// Formatted print, channel line ends and error reports.
#include <gtest/gtest.h>

#include <cstring>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tests/fake_host.h"

using namespace qcrt;

namespace {

struct FormatCase {
    const char* name;
    std::string text;
    std::string expected;
};

// One row per directive and width rule. Built with FormatText so each row
// shows the format and its arguments side by side.
std::vector<FormatCase> FormatCases()
{
    return {
        // %i
        {"integer", FormatText("%i", 42), "42"},
        {"negative integer", FormatText("%i", -12), "-12"},
        {"integer too wide for width", FormatText("%5i", 123456), "*****"},
        {"negative fits width exactly", FormatText("%3i", -12), "-12"},
        {"negative right-aligned", FormatText("%4i", -12), " -12"},
        {"width from argument", FormatText("%*i", 6, 42), "    42"},
        {"smallest integer", FormatText("%i", INT32_MIN), "-2147483648"},
        {"real given to %i is truncated", FormatText("%i", 2.7), "2"},
        // %x
        {"hex of -1", FormatText("%x", -1), "FFFFFFFF"},
        {"hex upper case", FormatText("%x", 0xBEEF), "BEEF"},
        {"hex zero", FormatText("%x", 0), "0"},
        {"hex right-aligned", FormatText("%4x", 255), "  FF"},
        {"hex too wide", FormatText("%2x", 0x1234), "**"},
        // %f
        {"default precision 4", FormatText("%f", 1.5), "1.5000"},
        {"rounding constant added before cutting", FormatText("%.2f", 2.345), "2.35"},
        {"precision 0 has no point", FormatText("%.0f", 2.5), "3"},
        {"tiny negative keeps its sign", FormatText("%f", -0.00001), "-0.0000"},
        {"negative value", FormatText("%f", -1.0), "-1.0000"},
        {"precision 7 prints 4", FormatText("%.7f", 1.5), "1.5000"},
        {"precision from argument", FormatText("%.*f", 1, 2.25), "2.3"},
        {"width counts the whole text", FormatText("%8.2f", -3.14159), "   -3.14"},
        {"too wide for width", FormatText("%4.2f", 123.4), "****"},
        {"fits width exactly", FormatText("%6.2f", 123.4), "123.40"},
        {"overflow", FormatText("%f", 3000000000.0), "##########.####"},
        {"overflow ignores width", FormatText("%20.2f", -3000000000.0), "##########.####"},
        {"largest printable", FormatText("%.0f", 2147483647.0), "2147483647"},
        {"integer given to %f", FormatText("%.1f", 3), "3.0"},
        // %s, %r, %z
        {"text", FormatText("%s", "text"), "text"},
        {"text cut to width", FormatText("%6s", "ABCDEFGH"), "ABCDEF"},
        {"text padded to width", FormatText("%6s", "AB"), "AB    "},
        {"text width from argument", FormatText("%*s|", 4, "ab"), "ab  |"},
        {"null text", FormatText("%s", static_cast<const char*>(nullptr)), ""},
        {"pool text", FormatText("%r", 0), "Command not recognized"},
        {"pool text in width", FormatText("%7r", 0), "Command"},
        {"pool offset outside the pool", FormatText("[%r]", -5), "[]"},
        {"memory text", FormatText("%z", reinterpret_cast<const uint8_t*>("PROG1")), "PROG1"},
        // %c, %%, unknown letters, missing arguments
        {"character", FormatText("%c", 65), "A"},
        {"character ignores width", FormatText("%5c", 65), "A"},
        {"percent", FormatText("100%%"), "100%"},
        {"unknown letter takes no argument", FormatText("%q%i", 7), "7"},
        {"missing argument counts as 0", FormatText("%i|%s|", 5), "5||"},
        {"percent at the end", FormatText("ab%"), "ab"},
        {"end-of-line codes left as they are", FormatText("x%c", 28), std::string("x\x1c")},
    };
}

TEST(PrintFormat, DirectivesWidthsAndPrecisions)
{
    for (const FormatCase& c : FormatCases())
        EXPECT_EQ(c.text, c.expected) << c.name;
}

class ChannelOutput : public testing::Test {
protected:
    RuntimeEnvironment env;

    std::string Print(int channel, const char* format, int endCode)
    {
        g_ProcessRecords[1].outputChannel = channel;
        PrintFormatted(1, format, endCode);
        return DrainOutput(MapChannel(channel));
    }
};

TEST_F(ChannelOutput, EachChannelEndsLinesItsOwnWay)
{
    struct Case {
        int channel;
        int32_t linkMode;
        int endCode;
        std::string expected;
    };
    const Case cases[] = {
        {0, 0, 28, "AB\r\n"},   {0, 3, 30, "AB\r\n"},   {10, 0, 30, "AB\r\n"},
        {5, 0, 28, "AB\x1c"}, // other channels keep the code itself
        {5, 3, 30, "AB\x1e"},   {2, 0, 28, "AB\x1c"},   {8, 0, 28, "AB\r\n"},
        {9, 0, 30, "AB\r\n"},   {8, 1, 28, "AB\r\x14"}, // CR or LF, then DC4
        {9, 2, 30, "AB\n\x14"}, {8, 4, 28, ""},         // modes above 3 write nothing
    };
    for (const Case& c : cases) {
        g_LinkProtocolMode = c.linkMode;
        EXPECT_EQ(Print(c.channel, "AB%c", c.endCode), c.expected) << "channel " << c.channel << " mode " << c.linkMode;
    }
}

TEST_F(ChannelOutput, Channel4IsChannel3)
{
    g_ProcessRecords[1].outputChannel = 4;
    PrintFormatted(1, "%s", "abc");
    EXPECT_EQ(DrainOutput(3), "abc");
    EXPECT_EQ(DrainOutput(4), "");
}

TEST_F(ChannelOutput, PrintHoldsTheChannelsOutputLockOnlyWhilePrinting)
{
    g_ProcessRecords[1].outputChannel = 5;
    PrintFormatted(1, "x");
    EXPECT_EQ(g_ProcessRecords[1].resources[1], 0u);
    EchoChar(1, 'y');
    EXPECT_EQ(g_ProcessRecords[1].resources[1], 0u);
    EXPECT_EQ(DrainOutput(5), "xy");
}

TEST_F(ChannelOutput, ReportLines)
{
    g_ProcessRecords[0].outputChannel = 5;
    const char name[] = "MOTION";
    std::memcpy(env.host.batteryRam.data() + 20000, name, sizeof name);
    const uint8_t* programName = env.host.batteryRam.data() + 20000;

    ReportCommandLineError(0, 0);
    EXPECT_EQ(DrainOutput(5), "%[COMMAND 0] Command not recognized\x1c");
    ReportAutorunError(0, 36);
    EXPECT_EQ(DrainOutput(5), "%[Autorun failed (36)] - No code available for program\x1c");
    ReportPowerUpError(0, kErrDirectoryStructureInvalid);
    EXPECT_EQ(DrainOutput(5), "%[Error 80] - Directory structure invalid\x1c");
    ReportCompileError(0, 12, programName, 13);
    EXPECT_EQ(DrainOutput(5), "%[COMPILE Line 12 Program MOTION] (13) - THEN expected in IF/ELSEIF\x1c");
    ReportLinkError(0, 4, 53);
    EXPECT_EQ(DrainOutput(5), "%[LINK Line 4] (53) - LABEL not found\x1c");
}

TEST(ErrorTable, MessagesByNumber)
{
    struct Case {
        int32_t number;
        const char* message;
    };
    const Case cases[] = {
        {0, "Command not recognized"},
        {1, "Command not recognized"},
        {111, "Command not recognized"},
        {3, "Error programming Flash"},
        {19, "Parameter out of range"},
        {65, "Table index range error"},
        {67, "Invalid line number"},
        {72, "Value cannot be set. Use CLEAR_PARAMS command"},
        {94, "More than one program running when trying to set GLOBAL/CONSTANT"},
        {96, "TOKEN definition incorrect"},
        {110, "String expected"},
        {-1, "Command not recognized"}, // outside the table: never an overrun
        {112, "Command not recognized"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(PoolText(ErrorMessage(c.number)), c.message) << c.number;
    EXPECT_EQ(ErrorMessage(0), 0) << "offset 0 holds the message of 0";
}

TEST(ErrorTable, OnlyNumbersOfTheTableAreStored)
{
    RuntimeEnvironment env;
    SetProcessError(2, 72);
    EXPECT_EQ(g_ProcessRecords[2].errorNumber, 72);
    SetProcessError(2, 500);
    EXPECT_EQ(g_ProcessRecords[2].errorNumber, 1);
    SetProcessError(2, -4);
    EXPECT_EQ(g_ProcessRecords[2].errorNumber, 1);
    SetProcessError(99, 19); // no such process: nothing happens
}

TEST(MessagePool, EqualTextsShareOneOffset)
{
    PoolOffset first = PoolAdd("Axes initialised: ");
    EXPECT_EQ(PoolAdd("Axes initialised: "), first);
    EXPECT_STREQ(PoolText(first), "Axes initialised: ");
    EXPECT_EQ(PoolAdd("Command not recognized"), 0);
    EXPECT_STREQ(PoolText(static_cast<PoolOffset>(PoolSize()) + 10), "");
}

} // namespace
