#include "link/commandtable.h"

#include <string>

#include <gtest/gtest.h>

namespace {

ControllerMessage TextMessage(int id, const char* argument)
{
    ControllerMessage message;
    message.m_nCommandId = id;
    message.SetArgumentText(argument);
    return message;
}

// A text argument with a NUL inside it.
ControllerMessage BytesMessage(int id, const std::string& bytes)
{
    ControllerMessage message;
    message.m_nCommandId = id;
    message.SetArgument(bytes.data(), static_cast<int>(bytes.size()));
    return message;
}

ControllerMessage IntegerMessage(int id, int value)
{
    ControllerMessage message;
    message.m_nCommandId = id;
    message.SetInteger(value);
    return message;
}

TEST(CommandTextTest, ArgumentTextsGoIntoTheTemplates)
{
    struct Case {
        int id;
        const char* argument;
        const char* command;
    };
    const Case cases[] = {
        {0, "", "DIR X"},
        {2, "MAIN", "RUN \"MAIN\""},
        {2, "MAIN,", "RUN \"MAIN\""},
        {2, "MAIN,3", "RUN \"MAIN\",3"},
        {3, "MAIN,", "STOP \"MAIN\""},
        {38, "MAIN,1", "RUNTYPE \"MAIN\",1"},
        {38, "MAIN,1,2", "RUNTYPE \"MAIN\",1,2"},
        {57, "0,100,1,2,MPOS AXIS(0),DPOS AXIS(0)", "SCOPE(0,100,1,2,MPOS AXIS(0),DPOS AXIS(0))"},
        {57, "0,100,1,2,AIN(0)", "SCOPE(0,100,1,2,AIN(0))"},
        {58, "5,1.5", "TABLE(5,1.5000)"},
        {82, "2,-12.25", "JOGSPEED AXIS(2)=-12.2500"},
        {143, "0.001", "SERVO_PERIOD=0.001000"},
        {13, "PROG1", "NEW \"PROG1\""},
        {69, "MPOS AXIS(1)", "?MPOS AXIS(1);"},
        // Kind 6 keeps the rest of the text as it is, blanks and commas included.
        {24, "3,PRINT 1, 2", "&3I,PRINT 1, 2"},
        {132, "7, 1.5", "VR(7)= 1.5"},
        {43, "A,B", "COPY \"A\" \"B\""},
        {48, "5,A=1", "&5R,A=1"},
        {48, "5", "&5R,"},
        {67, "SPEED,2", "?SPEED AXIS(2);"},
        {68, "SPEED,2,100.5", "SPEED AXIS(2)=100.5"},
        {137, "3,TEXT,1", "LOOKUP(4,3,TEXT) PROC(1)"},
        {125, "1,2,3,X", "SERCOS(5,1,2,3,6,X)"},
        {155, "1,2,192.168.0.1", "ETHERNET(1,1,2,192.168.0.1)"},
        {122, "1,2,3,4000000000", "SERCOS(5,1,2,3,2,4000000000)"},
        {123, "1,2,3,-5", "SERCOS(5,1,2,3,4,-5)"},
        {164, "1,2,3,-4,5", "?MECHATROLINK(1,13,2,3,4,-4,5)[0];"},
        {166, "1,2,3", "?MECHATROLINK(1,14,2,3,2,-1)[0];"},
        {140, "1,2,3,4,5,6", "CAN(1,8,2,3,4,5,6)"},
        {87, "1,2,3,4,5,6,7,8,9,10", "CAN(1,7,2,3,4,5,6,7,8,9,10)"},
        {141, "1,2,3,4,5,6,7,8,9", "CAN(1,9,2,3,4,5,6,7,8,9)"},
        {141, "1,2,3,4", "CAN(1,9,2,3,4,0,0,0,0,0)"},
    };
    for (const Case& c : cases) {
        CString command;
        EXPECT_EQ(COMMAND_FORMATTED, FormatControllerCommand(TextMessage(c.id, c.argument), command))
            << c.id << " " << c.argument;
        EXPECT_STREQ(c.command, command) << c.id << " " << c.argument;
    }
}

TEST(CommandTextTest, IntegerArgumentsTakeTheRecordsValue)
{
    struct Case {
        int id;
        int value;
        const char* command;
    };
    const Case cases[] = {
        {32, 10, "?VR(10);"},
        {18, 3, "VQE(3)"},
        {28, -1, "?ATYPE AXIS(-1)[0];"},
        {47, 12, "&12L"},
    };
    for (const Case& c : cases) {
        CString command;
        EXPECT_TRUE(BuildCommandText(IntegerMessage(c.id, c.value), command)) << c.id;
        EXPECT_STREQ(c.command, command) << c.id;
    }
}

TEST(CommandTextTest, FailuresBuildNothing)
{
    struct Case {
        ControllerMessage message;
        CommandFormatResult result;
    };
    const Case cases[] = {
        {IntegerMessage(208, 1), COMMAND_BAD_ID},
        {IntegerMessage(-1, 1), COMMAND_BAD_ID},
        {TextMessage(COMMAND_ID_RAW, "PRINT 1"), COMMAND_NO_TEXT},
        {TextMessage(COMMAND_ID_RECEIVED, "x"), COMMAND_EMPTY},
        {TextMessage(45, ""), COMMAND_BAD_KIND},     // a row never set
        {TextMessage(61, "1"), COMMAND_PARSE_ERROR}, // two integers needed
        {TextMessage(61, "1,x"), COMMAND_PARSE_ERROR},
        {TextMessage(38, "MAIN"), COMMAND_PARSE_ERROR}, // the integer is not optional
        {TextMessage(143, "fast"), COMMAND_PARSE_ERROR},
        {TextMessage(58, ""), COMMAND_PARSE_ERROR},
        // A NUL would cut the text; values the template cannot take would
        // be dropped: neither command may go out.
        {BytesMessage(13, std::string("PROG\0X", 6)), COMMAND_PARSE_ERROR},
        {BytesMessage(24, std::string("3,PRINT 1\0;HALT", 16)), COMMAND_PARSE_ERROR},
        {TextMessage(61, "1,2,3"), COMMAND_PARSE_ERROR},
        {TextMessage(2, "MAIN,3,4"), COMMAND_PARSE_ERROR},
        {TextMessage(38, "MAIN,1,2,3"), COMMAND_PARSE_ERROR},
        {TextMessage(67, "SPEED,2,3"), COMMAND_PARSE_ERROR},
        {TextMessage(137, "3,TEXT,1,9"), COMMAND_PARSE_ERROR},
        {TextMessage(82, "2,1.5,7"), COMMAND_PARSE_ERROR},
        {TextMessage(143, "0.001x"), COMMAND_PARSE_ERROR},
        {TextMessage(141, "1,2,3,4,5,6,7,8,9,10"), COMMAND_BAD_KIND},
    };
    for (const Case& c : cases) {
        CString command = "left over";
        EXPECT_EQ(c.result, FormatControllerCommand(c.message, command)) << c.message.m_nCommandId;
        EXPECT_TRUE(command.IsEmpty()) << c.message.m_nCommandId;
    }
}

TEST(CommandTextTest, OnlyAScanFailureIsReportedToTheErrorList)
{
    CStringList errors;
    CString command;
    EXPECT_FALSE(BuildCommandText(TextMessage(61, "1,x"), command, &errors));
    EXPECT_FALSE(BuildCommandText(IntegerMessage(208, 1), command, &errors));
    EXPECT_FALSE(BuildCommandText(TextMessage(COMMAND_ID_RECEIVED, ""), command, &errors));
    EXPECT_TRUE(BuildCommandText(TextMessage(61, "1,2"), command, &errors));
    ASSERT_EQ(1, errors.GetCount());
    EXPECT_STREQ("** Parsing error while creating command.", errors.GetHead());
}

TEST(CommandTextTest, AnOverlongTextValueFailsInsteadOfBeingCut)
{
    const std::string name(257, 'A');
    CString command;
    EXPECT_EQ(COMMAND_PARSE_ERROR, FormatControllerCommand(TextMessage(43, (name + ",B").c_str()), command));
    const std::string fits(256, 'A');
    EXPECT_EQ(COMMAND_FORMATTED, FormatControllerCommand(TextMessage(43, (fits + ",B").c_str()), command));
    EXPECT_EQ("COPY \"" + fits + "\" \"B\"", command.str());
}

TEST(CommandTextTest, ATemplateThatDoesNotFitItsKindFailsInsteadOfFormattingGarbage)
{
    // Row 45 is never set by the table, so the test may use it.
    SetCommandRow(45, "?%s AXIS(%i);", ARGUMENT_INTEGER, REPLY_REAL);
    CString command;
    EXPECT_EQ(COMMAND_BAD_KIND, FormatControllerCommand(IntegerMessage(45, 1), command));
    SetCommandRow(45, "&%iL %i", ARGUMENT_INTEGER, REPLY_TEXT);
    EXPECT_EQ(COMMAND_BAD_KIND, FormatControllerCommand(IntegerMessage(45, 1), command));
    SetCommandRow(45, "", 0, 0, 0, 0, 0);
}

// Run first in a program of its own as well (link/tests/CMakeLists.txt): a
// row set before any lookup must survive the table's first fill.
TEST(CommandRowBeforeFirstLookupTest, ARowSetFirstIsKept)
{
    SetCommandRow(51, "?ROW_SET_FIRST[0];", ARGUMENT_NONE, REPLY_INTEGER, 3, 7);
    const CommandTableEntry* row = GetCommandRow(51);
    ASSERT_NE(nullptr, row);
    EXPECT_STREQ("?ROW_SET_FIRST[0];", row->m_szTemplate);
    EXPECT_EQ(REPLY_INTEGER, row->m_nReplyKind);
    EXPECT_EQ(3, row->m_nTimeoutFactor);
    EXPECT_EQ(7, row->m_nExtraSeconds);
    EXPECT_STREQ("?VERSION;", GetCommandRow(40)->m_szTemplate); // the rest is filled
    SetCommandRow(51, "", 0, 0, 0, 0, 0);
}

TEST(CommandTableTest, TimeOutsAndProgramNames)
{
    for (int id = 0; id < COMMAND_TABLE_SIZE; ++id) {
        const CommandTableEntry* row = GetCommandRow(id);
        ASSERT_NE(nullptr, row);
        const bool slow = id == 12 || id == 15 || id == 19 || id == 20;
        const bool unset = id == 45 || (id >= 51 && id <= 54);
        EXPECT_EQ(unset ? 0 : (slow ? 2 : 1), row->m_nTimeoutFactor) << id;
        EXPECT_EQ(slow ? 40 : 0, row->m_nExtraSeconds) << id;
        EXPECT_EQ((id >= 46 && id <= 50) || id == 22 ? 1 : 0, row->m_nNeedsProgramName) << id;
        if (unset) {
            EXPECT_STREQ("", row->m_szTemplate) << id;
            EXPECT_EQ(0, row->m_nArgumentKind) << id;
            EXPECT_EQ(0, row->m_nReplyKind) << id;
        }
    }
    EXPECT_EQ(nullptr, GetCommandRow(COMMAND_TABLE_SIZE));
    EXPECT_EQ(nullptr, GetCommandRow(-1));
}

// The rows the project window, the editor, the tools, controller management,
// the oscilloscope and the drive tools send, as they rely on them.
TEST(CommandTableTest, RowsOtherSubsystemsSendAreExact)
{
    struct Row {
        int id;
        const char* commandTemplate;
        int argumentKind;
        int replyKind;
    };
    const Row rows[] = {
        {0, "DIR X", 1, 43},
        {1, "PROCESS", 1, 44},
        {2, "RUN", 12, 1},
        {3, "STOP", 12, 1},
        {4, "STEPLINE", 12, 10},
        {5, "TRON", 12, 10},
        {6, "TROFF", 12, 10},
        {7, "HALT", 1, 1},
        {8, "", 4, 1},
        {9, "", 1, 1},
        {10, "LOADSYSTEM", 1, 10},
        {11, "EX", 1, 10},
        {12, "STORE", 1, 10},
        {13, "NEW \"%s\"", 3, 10},
        {14, "NEW ALL", 1, 10},
        {15, "EPROM", 1, 3},
        {16, "DIR F", 1, 3},
        {17, "EPROM(%i)", 2, 10},
        {18, "VQE(%i)", 2, 1},
        {19, "SELECT \"%s\"", 3, 10},
        {20, "SELECT \"%s\" %i", 21, 10},
        {21, "&C", 1, 3},
        {22, "&N", 1, 2},
        {23, "&%iL", 2, 3},
        {24, "&%iI,%s", 6, 10},
        {25, "&%iR,%s", 6, 10},
        {26, "&Z,%s", 3, 2},
        {27, "&X,%s", 3, 2},
        {28, "?ATYPE AXIS(%i)[0];", 2, 2},
        {29, "?TSIZE[0];", 1, 2},
        {30, "AXISVALUES(%i,%i)", 7, 3},
        {31, "TABLEVALUES(%i,%i,%i)", 8, 45},
        {32, "?VR(%i);", 2, 9},
        {33, "?POWER_UP[0];", 1, 2},
        {34, "?WDOG[0];", 1, 2},
        {35, "?FREE[0];", 1, 11},
        {36, "POWER_UP=%i", 2, 1},
        {37, "WDOG=%i", 2, 1},
        {38, "RUNTYPE", 13, 1},
        {39, "ATYPE AXIS(%i)=%i", 7, 1},
        {40, "?VERSION;", 1, 9},
        {41, "?CONTROL[0];", 1, 2},
        {42, "&K", 1, 11},
        {43, "COPY \"%s\" \"%s\"", 14, 10},
        {44, "RENAME \"%s\" \"%s\"", 14, 10},
        {46, "COMPILE", 1, 10},
        {47, "&%iL", 2, 3},
        {48, "&%iR,%s", 17, 48},
        {49, "&%i,%iD", 7, 3},
        {50, "&%iI,%s", 17, 48},
        {55, "TRIGGER", 1, 1},
        {56, "?SCOPE_POS[0];", 1, 2},
        {57, "SCOPE(%s)", 18, 1},
        {58, "TABLE(%i,%.4f)", 19, 1},
        {59, "?NIO[0];", 1, 2},
        {60, "?IN(%i)[0];", 2, 2},
        {61, "?IN(%i,%i)[0];", 7, 2},
        {62, "OP(%i,%i)", 7, 1},
        {63, "?OP(%i)[0];", 2, 2},
        {64, "?OP[0];", 1, 2},
        {65, "?NAIO[0];", 1, 2},
        {66, "?N_ANA_OUT[0];", 1, 2},
        {67, "?%s AXIS(%i);", 21, 9},
        {68, "%s AXIS(%i)=%s", 20, 1},
        {69, "?%s;", 3, 9},
        {70, "%s=%s", 14, 1},
        {71, "?SPEED AXIS(%i);", 2, 9},
        {72, "?JOGSPEED AXIS(%i);", 2, 9},
        {73, "?FWD_JOG AXIS(%i)[0];", 2, 2},
        {74, "?REV_JOG AXIS(%i)[0];", 2, 2},
        {75, "?DPOS AXIS(%i);", 2, 9},
        {76, "?SERVO AXIS(%i)[0];", 2, 2},
        {77, "?ACCEL AXIS(%i);", 2, 9},
        {78, "?DECEL AXIS(%i);", 2, 9},
        {79, "?MTYPE AXIS(%i)[0];", 2, 2},
        {80, "FWD_JOG AXIS(%i)=%i", 7, 1},
        {81, "REV_JOG AXIS(%i)=%i", 7, 1},
        {82, "JOGSPEED AXIS(%i)=%.4f", 19, 1},
        {83, "FAST_JOG AXIS(%i)=%i", 7, 1},
        {84, "?MOTION_ERROR[0];", 1, 2},
        {85, "CAN(%i,5,%i,%i,%i)", 22, 1},
        {86, "CAN(%i,5,%i,%i,%i,%i)", 24, 1},
        {87, "CAN(%i,7,%i,%i,%i,%i,%i,%i,%i,%i,%i)", 47, 1},
        {88, "?CAN(%i,3,%i)[0];", 7, 2},
        {89, "CAN(%i,6,%i,%i)", 8, 3},
        {90, "CAN(%i,2,%i)", 7, 1},
        {91, "?CAN(%i,0,%i)[0];", 7, 2},
        {92, "?CAN(%i,2)[0];", 2, 2},
        {93, "?CAN_ADDRESS AXIS(%i)[0];", 2, 2},
        {94, "CAN_ADDRESS AXIS(%i)=%i", 7, 1},
        {95, "DATUM(0)", 1, 1},
        {96, "TABLE(%i,%s)", 6, 1},
        {97, "?DLINK(9,%i)[0];", 2, 2},
        {98, "DLINK(4,%i,%i,%i)", 8, 1},
        {99, "DLINK(7,%i,%i)", 7, 1},
        {100, "?DLINK(5,%i,%i)[0];", 7, 2},
        {101, "DLINK(6,%i,%i,%i)", 8, 1},
        {102, "?DLINK(2,%i,%i)[0];", 7, 2},
        {103, "?DLINK(3,%i,%i)[0];", 7, 2},
        {104, "?DLINK(8,%i,%i)[0];", 7, 2},
        {105, "?DLINK(10,%i,%i)[0];", 7, 2},
        {106, "DLINK(1,%i,%i,5,%i)", 8, 1},
        {107, "SERCOS(2,%i,%i,%i)", 8, 1},
        {108, "?SERCOS(10,%i)[0];", 2, 2},
        {109, "?SERCOS(7,%i,%i)[0];", 7, 2},
        {110, "?SERCOS_PHASE SLOT(%i)[0];", 2, 2},
        {111, "SERCOS_PHASE SLOT(%i)=%i", 7, 1},
        {112, "SERCOS(1,%i,0,12,%i)", 7, 1},
        {113, "SERCOS(3,%i,%i,%i,%i)", 22, 1},
        {114, "?SERCOS(4,%i,%i,%i,2)[0];", 8, 2},
        {115, "?SERCOS(4,%i,%i,%i,2)[0];", 8, 27},
        {116, "?SERCOS(4,%i,%i,%i,4)[0];", 8, 11},
        {117, "?SERCOS(4,%i,%i,%i,4)[0];", 8, 28},
        {118, "SERCOS(4,%i,%i,%i,7)", 8, 3},
        {119, "?SERCOS(8,%i,%i)[0];", 7, 27},
        {120, "SERCOS(8,%i,%i)", 7, 3},
        {121, "SERCOS(5,%i,%i,%i,2,%i)", 22, 1},
        {122, "SERCOS(5,%i,%i,%i,2,%u)", 29, 1},
        {123, "SERCOS(5,%i,%i,%i,4,%li)", 30, 1},
        {124, "SERCOS(5,%i,%i,%i,4,%lu)", 31, 1},
        {125, "SERCOS(5,%i,%i,%i,6,%s)", 25, 1},
        {126, "SERCOS(5,%i,%i,%i,7,%s)", 25, 1},
        {127, "SERCOS(1,%i,0,%i,%i)", 8, 1},
        {128, "?SERCOS(6,%i,%i,%i)[0];", 8, 2},
        {129, "?DRIVE_STATUS AXIS(%i)[0];", 2, 2},
        {130, "?CAN_ENABLE AXIS(%i);", 2, 3},
        {131, "CAN_ENABLE AXIS(%i)=%i", 7, 1},
        {132, "VR(%i)=%s", 6, 1},
        {133, "?COMMSTYPE SLOT(%i)[0];", 2, 2},
        {134, "RAPIDSTOP", 1, 1},
        {135, "WA(%i)", 2, 1},
        {136, "?LOOKUP(3,%i) PROC(%i);", 7, 3},
        {137, "LOOKUP(4,%i,%s) PROC(%i)", 23, 3},
        {138, "?AIN(%i);", 2, 9},
        {139, "?AIN%i;", 2, 9},
        {140, "CAN(%i,8,%i,%i,%i,%i,%i)", 26, 1},
        {141, "CAN(%i,9,%i,%i,%i,%i,%i,%i,%i,%i)", 47, 1},
        {142, "?SERVO_PERIOD;", 1, 9},
        {143, "SERVO_PERIOD=%f", 9, 1},
        {144, "?CANIO_ADDRESS[0];", 1, 2},
        {145, "CANIO_ADDRESS=%i", 2, 1},
        {146, "?CANIO_ENABLE[0];", 1, 2},
        {147, "CANIO_ENABLE=%i", 2, 1},
        {148, "?CANIO_STATUS[0];", 1, 2},
        {149, "CANIO_STATUS=16", 1, 1},
        {150, "BREAK_ADD \"%s\" %i", 21, 2},
        {151, "BREAK_LIST \"%s\"", 3, 3},
        {152, "BREAK_DELETE \"%s\" %i", 21, 1},
        {153, "BREAK_RESET \"%s\"", 3, 1},
        {154, "ETHERNET(0,%i,%i)", 7, 3},
        {155, "ETHERNET(1,%i,%i,%s)", 35, 1},
        {156, "ETHERNET(1,%i,%i,%i,%i,%i,%i)", 26, 1},
        {157, "ETHERNET(1,%i,%i,%i)", 8, 1},
        {158, "ETHERNET(2,%i,%i,%i)", 8, 1},
        {159, "MECHATROLINK(%i,0)", 2, 3},
        {160, "?MECHATROLINK(%i,4,%i,-1)[0];", 7, 3},
        {161, "?MECHATROLINK(%i,3,-1)[0];", 2, 3},
        {162, "?MECHATROLINK(%i,13,%i,%u,2,%i,%i)[0];", 39, 3},
        {163, "?MECHATROLINK(%i,13,%i,%u,2,%u,%i)[0];", 40, 3},
        {164, "?MECHATROLINK(%i,13,%i,%u,4,%li,%i)[0];", 41, 3},
        {165, "?MECHATROLINK(%i,13,%i,%u,4,%lu,%i)[0];", 42, 3},
        {166, "?MECHATROLINK(%i,14,%i,%u,2,-1)[0];", 36, 3},
        {167, "?MECHATROLINK(%i,14,%i,%u,2,-1)[0];", 36, 3},
        {168, "?MECHATROLINK(%i,14,%i,%u,4,-1)[0];", 36, 3},
        {169, "?MECHATROLINK(%i,14,%i,%u,4,-1)[0];", 36, 3},
        {170, "?MECHATROLINK(%i,15,%i,-1)[0];", 7, 3},
        {171, "?MECHATROLINK(%i,16,%i,%i)[0];", 8, 3},
        {172, "?MECHATROLINK(%i,17,%i,%i,-1)[0];", 8, 3},
        {173, "?MECHATROLINK(%i,20,%i)[0];", 7, 3},
        {174, "?MECHATROLINK(%i,21,%i)[0];", 7, 3},
        {175, "?MECHATROLINK(%i,22,%i,-1)[0];", 7, 3},
        {176, "?MECHATROLINK(%i,23,%i,-1)[0];", 7, 3},
        {177, "?MECHATROLINK(%i,29,%i,1)[0];", 7, 3},
        {178, "?VRSTRING(%i);", 2, 3},
        {179, "%s AXIS(%i)", 21, 1},
        {180, "?READ_OP(%i,%i)[0];", 7, 2},
        {181, "?REGIST_CONTROL AXIS(%i)[0];", 2, 2},
        {182, "REGIST_CONTROL AXIS(%i)=%i", 7, 1},
        {183, "REGIST(-1) AXIS(%i)", 2, 1},
        {184, "?RS232_SPEED_MODE[0];", 1, 2},
        {185, "RS232_SPEED_MODE=%i", 2, 1},
        {186, "?FPGA_VERSION SLOT(%i)[0];", 2, 11},
        {187, "?UNITS AXIS(%i)[0];", 2, 11},
        {188, "FILE \"DIR\"", 1, 3},
        {189, "FILE \"MD\" \"%s\"", 3, 3},
        {190, "FILE \"CD\" \"%s\"", 3, 3},
        {191, "FILE \"RD\" \"%s\"", 3, 3},
        {192, "FILE \"DIR\"", 1, 3},
        {193, "FILE \"DEL\" \"%s\"", 3, 3},
        {194, "FILE \"LOAD_PROGRAM\" \"%s\"", 3, 3},
        {195, "FILE \"SAVE_PROGRAM\" \"%s\"", 3, 3},
        {196, "FILE \"LOAD_PROJECT\" \"%s\"", 3, 3},
        {197, "FILE \"SAVE_PROJECT\" \"%s\"", 3, 3},
        {198, "?FILE \"DETECT\"[0];", 1, 2},
        {199, "LOAD_PROJECT(%i)", 2, 3},
        {200, "LOAD_PROJECT", 1, 3},
        {201, "?TICKS[0];", 1, 11},
        {202, "?DRIVE_READ(%i) AXIS(%i)[0];", 7, 2},
        {203, "DRIVE_READ(%i) AXIS(%i)", 7, 3},
        {204, "?DRIVE_WRITE(%i,%i) AXIS(%i)[0];", 8, 2},
        {205, "?SLOT_NUMBER AXIS(%i)[0];", 2, 2},
        {206, "?COMMSPOSITION SLOT(%i)[0];", 2, 2},
        {207, "AUTORUN", 1, 1},
    };
    for (const Row& expected : rows) {
        const CommandTableEntry* row = GetCommandRow(expected.id);
        ASSERT_NE(nullptr, row);
        EXPECT_STREQ(expected.commandTemplate, row->m_szTemplate) << expected.id;
        EXPECT_EQ(expected.argumentKind, row->m_nArgumentKind) << expected.id;
        EXPECT_EQ(expected.replyKind, row->m_nReplyKind) << expected.id;
    }
}

} // namespace
