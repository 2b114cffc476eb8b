#include "link/commandtable.h"

#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "foundation/matcher.h"
#include "foundation/textutil.h"

const char* const kCommandParsingErrorText = "** Parsing error while creating command.";

namespace {

CommandTableEntry g_commandTable[COMMAND_TABLE_SIZE];
std::once_flag g_commandTableBuilt;

struct Row {
    int id;
    const char* commandTemplate;
    int argumentKind;
    int replyKind;
};

// Time-out factor 1, no extra seconds and no program name unless
// FillRows says otherwise.
const Row kRows[] = {
    {0, "DIR X", 1, 43},
    {1, "PROCESS", 1, 44},
    {2, "RUN", 12, 1},
    {3, "STOP", 12, 1},
    {4, "STEPLINE", 12, 10},
    {5, "TRON", 12, 10},
    {6, "TROFF", 12, 10},
    {7, "HALT", 1, 1},
    {8, "", 4, 1}, // raw transmission
    {9, "", 1, 1}, // received bytes
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

void WriteRow(int id, LPCSTR commandTemplate, int argumentKind, int replyKind, int timeoutFactor, int extraSeconds,
              int needsProgramName)
{
    if (id < 0 || id >= COMMAND_TABLE_SIZE)
        return;
    CommandTableEntry& row = g_commandTable[id];
    std::memset(row.m_szTemplate, 0, sizeof row.m_szTemplate);
    if (commandTemplate)
        CopyTextBounded(row.m_szTemplate, COMMAND_TEMPLATE_SIZE, commandTemplate, COMMAND_TEMPLATE_SIZE - 1);
    row.m_nArgumentKind = argumentKind;
    row.m_nReplyKind = replyKind;
    row.m_nTimeoutFactor = timeoutFactor;
    row.m_nExtraSeconds = extraSeconds;
    row.m_nNeedsProgramName = needsProgramName;
}

void FillRows()
{
    // Ids 45 and 51 to 54 stay empty: kinds 0, no command.
    std::memset(g_commandTable, 0, sizeof g_commandTable);
    for (const Row& row : kRows) {
        int factor = 1;
        int extraSeconds = 0;
        // Storing programs and selecting them can take the controller a while.
        if (row.id == 12 || row.id == 15 || row.id == 19 || row.id == 20) {
            factor = 2;
            extraSeconds = 40;
        }
        // COMPILE and the editor's line commands work on the editor's program,
        // and so does the line count the editor asks for an empty file.
        const int needsName = (row.id >= 46 && row.id <= 50) || row.id == 22 ? 1 : 0;
        WriteRow(row.id, row.commandTemplate, row.argumentKind, row.replyKind, factor, extraSeconds, needsName);
    }
}

// One value scanned from an argument text, ready for the template.
struct CommandValue {
    enum Type { Integer, Real, Text } type;
    std::int32_t integer = 0;
    double real = 0.0;
    std::string text;
    // False for an optional value the argument left out (its preset
    // stands); only such a value may go unused by the template.
    bool given = true;
};
using Values = std::vector<CommandValue>;

CommandValue IntegerValue(std::int32_t value)
{
    return CommandValue{CommandValue::Integer, value, 0.0, {}};
}

CommandValue RealValue(double value)
{
    return CommandValue{CommandValue::Real, 0, value, {}};
}

CommandValue TextValue(const char* text)
{
    return CommandValue{CommandValue::Text, 0, 0.0, text};
}

// Destinations for MatchText: an integer (also for "%u", stored as the same
// 32 bits) or a real takes one pointer, a text its buffer and size.
struct IntSlot {
    std::int32_t value;
    explicit IntSlot(std::int32_t preset = 0) : value(preset) {}
    auto Args() { return std::make_tuple(&value); }
};

struct RealSlot {
    double value = 0.0;
    auto Args() { return std::make_tuple(&value); }
};

// "%s" takes at most 256 characters.
struct TextSlot {
    char text[257] = {};
    auto Args() { return std::make_tuple(static_cast<char*>(text), static_cast<int>(sizeof text)); }
};

template <class... Slots> bool Scan(const char* input, const char* pattern, Slots&... slots)
{
    auto args = std::tuple_cat(std::make_tuple(input, pattern), slots.Args()...);
    return std::apply([](auto... a) { return MatchText(a...) != FALSE; }, args);
}

// Kinds whose values are all integers ("%u" and "%lu" store the same 32
// bits as "%i"); 47 has seven optional values preset 0.
struct IntegerKind {
    int kind;
    const char* pattern;
};
const IntegerKind kIntegerKinds[] = {
    {7, "%i,%i"},
    {8, "%i,%i,%i"},
    {22, "%i,%i,%i,%i"},
    {24, "%i,%i,%i,%i,%i"},
    {26, "%i,%i,%i,%i,%i,%i"},
    {29, "%i,%i,%i,%u"},
    {30, "%i,%i,%i,%li"},
    {31, "%i,%i,%i,%lu"},
    {36, "%i,%i,%u"},
    {39, "%i,%i,%u,%i,%i"},
    {40, "%i,%i,%u,%u,%i"},
    {41, "%i,%i,%u,%li,%i"},
    {42, "%i,%i,%u,%lu,%i"},
    {47, "%i,%i,%i,%i,[%i],[%i],[%i],[%i],[%i],[%i],[%i]"},
};
const int kMostIntegers = 11;

bool ScanIntegers(const char* pattern, const char* text, Values& values)
{
    // The matcher reads only as many destinations as the pattern has.
    IntSlot v[kMostIntegers];
    if (!Scan(text, pattern, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10]))
        return false;
    int count = 0;
    for (const char* p = pattern; *p; ++p)
        count += *p == '%' ? 1 : 0;
    // Integers hold no comma, so the fields of the text are the values given.
    int given = 1;
    for (const char* p = text; *p; ++p)
        given += *p == ',' ? 1 : 0;
    if (*text && text[std::strlen(text) - 1] == ',')
        --given; // an empty last field gives nothing
    for (int n = 0; n < count && n < kMostIntegers; ++n) {
        values.push_back(IntegerValue(v[n].value));
        values.back().given = n < given;
    }
    return given <= count;
}

// Scans text with one of the kinds' patterns into values. Returns false
// when the text does not scan; a kind without a pattern gives false too,
// with known set false.
bool ScanArgument(int kind, const char* text, Values& values, bool& known)
{
    known = true;
    values.clear();
    for (const IntegerKind& integers : kIntegerKinds) {
        if (integers.kind == kind)
            return ScanIntegers(integers.pattern, text, values);
    }
    switch (kind) {
    case 6: { // "%i,%s"
        IntSlot i;
        TextSlot s;
        if (!Scan(text, "%i,%s", i, s))
            return false;
        values = {IntegerValue(i.value), TextValue(s.text)};
        return true;
    }
    case 9: { // "%f"
        RealSlot f;
        if (!Scan(text, "%f", f))
            return false;
        values = {RealValue(f.value)};
        return true;
    }
    case 12: { // "%s,[%i]"
        TextSlot s;
        IntSlot i(-1);
        if (!Scan(text, "%s,[%i]", s, i))
            return false;
        values = {TextValue(s.text), IntegerValue(i.value)};
        return true;
    }
    case 13: { // "%s,%i[,%i]"
        TextSlot s;
        IntSlot i;
        IntSlot j(-1);
        if (!Scan(text, "%s,%i[,%i]", s, i, j))
            return false;
        values = {TextValue(s.text), IntegerValue(i.value), IntegerValue(j.value)};
        return true;
    }
    case 14: { // "%s,%s"
        TextSlot a;
        TextSlot b;
        if (!Scan(text, "%s,%s", a, b))
            return false;
        values = {TextValue(a.text), TextValue(b.text)};
        return true;
    }
    case 17: { // "%i,[%s]"
        IntSlot i;
        TextSlot s;
        if (!Scan(text, "%i,[%s]", i, s))
            return false;
        values = {IntegerValue(i.value), TextValue(s.text)};
        return true;
    }
    case 18: { // "%i,%i,%i,%i,%s[,%s[,%s[,%s]"
        IntSlot v[4] = {IntSlot(-1), IntSlot(-1), IntSlot(-1), IntSlot(-1)};
        TextSlot s[4];
        if (!Scan(text, "%i,%i,%i,%i,%s[,%s[,%s[,%s]", v[0], v[1], v[2], v[3], s[0], s[1], s[2], s[3]))
            return false;
        for (const IntSlot& slot : v)
            values.push_back(IntegerValue(slot.value));
        for (const TextSlot& slot : s)
            values.push_back(TextValue(slot.text));
        return true;
    }
    case 19: { // "%i,%f"
        IntSlot i;
        RealSlot f;
        if (!Scan(text, "%i,%f", i, f))
            return false;
        values = {IntegerValue(i.value), RealValue(f.value)};
        return true;
    }
    case 20: { // "%s,%i,%s"
        TextSlot a;
        IntSlot i;
        TextSlot b;
        if (!Scan(text, "%s,%i,%s", a, i, b))
            return false;
        values = {TextValue(a.text), IntegerValue(i.value), TextValue(b.text)};
        return true;
    }
    case 21: { // "%s,%i"
        TextSlot s;
        IntSlot i;
        if (!Scan(text, "%s,%i", s, i))
            return false;
        values = {TextValue(s.text), IntegerValue(i.value)};
        return true;
    }
    case 23: { // "%i,%s,%i"
        IntSlot i;
        TextSlot s;
        IntSlot j;
        if (!Scan(text, "%i,%s,%i", i, s, j))
            return false;
        values = {IntegerValue(i.value), TextValue(s.text), IntegerValue(j.value)};
        return true;
    }
    case 25: { // "%i,%i,%i,%s"
        IntSlot v[3];
        TextSlot s;
        if (!Scan(text, "%i,%i,%i,%s", v[0], v[1], v[2], s))
            return false;
        values = {IntegerValue(v[0].value), IntegerValue(v[1].value), IntegerValue(v[2].value), TextValue(s.text)};
        return true;
    }
    case 35: { // "%i,%i,%s"
        IntSlot v[2];
        TextSlot s;
        if (!Scan(text, "%i,%i,%s", v[0], v[1], s))
            return false;
        values = {IntegerValue(v[0].value), IntegerValue(v[1].value), TextValue(s.text)};
        return true;
    }
    default:
        known = false;
        return false;
    }
}

// Kinds whose pattern has an optional value after a comma ("%s,[%i]").
// The matcher wants that comma even when the value is left out, so a text
// without it is scanned again with the comma added.
bool HasOptionalAfterComma(int kind)
{
    return kind == 12 || kind == 17 || kind == 47;
}

// Puts values into a printf-style template, conversion by conversion, each
// checked against its value's type: %d %i %u %x take integers, %f %e %g
// reals, %s texts ("l" is accepted and ignored: every integer is 32 bits).
// Extra values are ignored as printf ignores extra arguments; a missing or
// mismatched value, or an unknown conversion, fails.
bool FormatTemplate(const char* commandTemplate, const Values& values, std::string& out)
{
    out.clear();
    std::size_t next = 0;
    for (const char* p = commandTemplate; *p; ++p) {
        if (*p != '%') {
            out += *p;
            continue;
        }
        if (p[1] == '%') {
            out += '%';
            ++p;
            continue;
        }
        std::string conversionText = "%";
        const char* q = p + 1;
        while (*q && std::strchr("-+ #0", *q))
            conversionText += *q++;
        while (*q >= '0' && *q <= '9')
            conversionText += *q++;
        if (*q == '.') {
            conversionText += *q++;
            while (*q >= '0' && *q <= '9')
                conversionText += *q++;
        }
        while (*q == 'l')
            ++q;
        const char conversion = *q;
        if (conversion == '\0' || next >= values.size())
            return false;
        const CommandValue& value = values[next++];
        conversionText += conversion;
        char buffer[512];
        int written = -1;
        switch (conversion) {
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X':
            if (value.type != CommandValue::Integer)
                return false;
            if (conversion == 'd' || conversion == 'i')
                written = std::snprintf(buffer, sizeof buffer, conversionText.c_str(), static_cast<int>(value.integer));
            else
                written =
                    std::snprintf(buffer, sizeof buffer, conversionText.c_str(), static_cast<unsigned>(value.integer));
            break;
        case 'f':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
            if (value.type != CommandValue::Real)
                return false;
            written = std::snprintf(buffer, sizeof buffer, conversionText.c_str(), value.real);
            break;
        case 's':
            if (value.type != CommandValue::Text)
                return false;
            if (conversionText == "%s") {
                out += value.text;
                p = q;
                continue;
            }
            written = std::snprintf(buffer, sizeof buffer, conversionText.c_str(), value.text.c_str());
            break;
        default:
            return false;
        }
        if (written < 0 || written >= static_cast<int>(sizeof buffer))
            return false;
        out.append(buffer, static_cast<std::size_t>(written));
        p = q;
    }
    // A value given but not used would be lost from the command.
    for (std::size_t n = next; n < values.size(); ++n) {
        if (values[n].given)
            return false;
    }
    return true;
}

// Patterns whose last conversion is not a text that takes the rest: text
// left over after them is a value too many. The pattern is scanned again
// with a text conversion added to catch it.
bool LeavesTextOver(int kind, const char* text)
{
    static const struct {
        int kind;
        const char* pattern;
    } kClosed[] = {
        {9, "%f%s"},          {12, "%s,[%i]%s"}, {13, "%s,%i[,%i]%s"}, {19, "%i,%f%s"},
        {21, "%s,%i%s"},      {23, "%i,%s,%i%s"},
    };
    for (const auto& closed : kClosed) {
        if (closed.kind != kind)
            continue;
        char rest[257] = {};
        int slot = 0;
        double real = 0.0;
        char first[257] = {};
        int second = -1;
        switch (kind) {
        case 9:
            MatchText(text, closed.pattern, &real, rest, static_cast<int>(sizeof rest));
            break;
        case 13:
            MatchText(text, closed.pattern, first, static_cast<int>(sizeof first), &slot, &second, rest,
                      static_cast<int>(sizeof rest));
            break;
        case 19:
            MatchText(text, closed.pattern, &slot, &real, rest, static_cast<int>(sizeof rest));
            break;
        case 12:
        case 21:
            MatchText(text, closed.pattern, first, static_cast<int>(sizeof first), &slot, rest,
                      static_cast<int>(sizeof rest));
            break;
        case 23:
            MatchText(text, closed.pattern, &slot, first, static_cast<int>(sizeof first), &second, rest,
                      static_cast<int>(sizeof rest));
            break;
        default:
            break;
        }
        return rest[0] != '\0';
    }
    return false;
}

} // namespace

void BuildCommandTable()
{
    std::call_once(g_commandTableBuilt, FillRows);
}

void SetCommandRow(int id, LPCSTR commandTemplate, int argumentKind, int replyKind, int timeoutFactor, int extraSeconds,
                   int needsProgramName)
{
    // The table is filled first, so its lazy fill never undoes this row.
    BuildCommandTable();
    WriteRow(id, commandTemplate, argumentKind, replyKind, timeoutFactor, extraSeconds, needsProgramName);
}

const CommandTableEntry* GetCommandRow(int id)
{
    BuildCommandTable();
    if (id < 0 || id >= COMMAND_TABLE_SIZE)
        return nullptr;
    return &g_commandTable[id];
}

CommandFormatResult FormatControllerCommand(const ControllerMessage& message, CString& command)
{
    command.Empty();
    const CommandTableEntry* row = GetCommandRow(message.m_nCommandId);
    if (!row)
        return COMMAND_BAD_ID;
    const int kind = row->m_nArgumentKind;
    // A text argument stops at its first NUL: bytes behind one would be
    // left out of the command without a word.
    if (kind != ARGUMENT_RAW && message.HasBytes() &&
        std::strlen(message.GetText()) != static_cast<std::size_t>(message.GetLength()))
        return COMMAND_PARSE_ERROR;
    std::string text;
    switch (kind) {
    case ARGUMENT_NONE:
        text = row->m_szTemplate;
        break;
    case ARGUMENT_INTEGER:
        if (!FormatTemplate(row->m_szTemplate, {IntegerValue(message.GetInteger())}, text))
            return COMMAND_BAD_KIND;
        break;
    case ARGUMENT_TEXT:
        if (!FormatTemplate(row->m_szTemplate, {TextValue(message.GetText())}, text))
            return COMMAND_BAD_KIND;
        break;
    case ARGUMENT_RAW:
        return COMMAND_NO_TEXT;
    default: {
        Values values;
        bool known = false;
        bool scanned = ScanArgument(kind, message.GetText(), values, known);
        if (!known)
            return COMMAND_BAD_KIND;
        if (!scanned && HasOptionalAfterComma(kind)) {
            const std::string withComma = std::string(message.GetText()) + ",";
            scanned = ScanArgument(kind, withComma.c_str(), values, known);
        }
        if (!scanned || LeavesTextOver(kind, message.GetText()))
            return COMMAND_PARSE_ERROR;
        bool formatted = false;
        if (kind == 12) {
            // `RUN "MAIN"` or, with a process number, `RUN "MAIN",3`.
            const bool withNumber = values[1].integer != -1;
            values[1].given = withNumber;
            formatted = FormatTemplate(withNumber ? "%s \"%s\",%i" : "%s \"%s\"",
                                       {TextValue(row->m_szTemplate), values[0], values[1]}, text);
        } else if (kind == 13) {
            const bool withSecond = values[2].integer != -1;
            values[2].given = withSecond;
            formatted = FormatTemplate(withSecond ? "%s \"%s\",%i,%i" : "%s \"%s\",%i",
                                       {TextValue(row->m_szTemplate), values[0], values[1], values[2]}, text);
        } else if (kind == 18) {
            // Four integers and the first text, then each further text up to
            // the first empty one.
            std::string inner;
            formatted = FormatTemplate("%i,%i,%i,%i,%s", Values(values.begin(), values.begin() + 5), inner);
            for (std::size_t n = 5; formatted && n < values.size() && !values[n].text.empty(); ++n)
                inner += "," + values[n].text;
            formatted = formatted && FormatTemplate(row->m_szTemplate, {TextValue(inner.c_str())}, text);
        } else {
            formatted = FormatTemplate(row->m_szTemplate, values, text);
        }
        if (!formatted)
            return COMMAND_BAD_KIND;
        break;
    }
    }
    command = CString(text);
    return text.empty() ? COMMAND_EMPTY : COMMAND_FORMATTED;
}

BOOL BuildCommandText(const ControllerMessage& message, CString& command, CStringList* errors)
{
    const CommandFormatResult result = FormatControllerCommand(message, command);
    if (result == COMMAND_PARSE_ERROR && errors)
        errors->AddTail(kCommandParsingErrorText);
    return result == COMMAND_FORMATTED ? TRUE : FALSE;
}
