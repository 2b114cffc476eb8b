#include "simulator/runtime/program_selection.h"

#include "simulator/runtime/axis.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/lock.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kErrCannotSelect = 32;
constexpr int32_t kErrSelectOffDataChannel = 79;
constexpr int kDataChannel = 8;
constexpr int kRawChannel = 10;
constexpr uint8_t kBreakpointMark = 0x80;
constexpr int32_t kLastProcess = 14;

// The argument of SELECT: 2 makes a program of type 1, anything else type 0;
// 1 also sets bit 7 of the type byte.
constexpr int32_t kSelectGCode = 2;
constexpr int32_t kSelectMarked = 1;
constexpr int32_t kTypeUnset = static_cast<int32_t>(kTypeNotSet & 0x7F);

// The line of a named program for BREAK_ADD and BREAK_DELETE: its record
// position, or -1 with the error set (27 no such program, 67 no such line).
int BreakLine(const Operands& ops, int process, int& program)
{
    program = ops.names.empty() ? SelectedProgram() : FindProgram(ops.names[0]);
    if (program < 0) {
        SetProcessError(process, ops.names.empty() ? kErrNoProgramSelected : kErrProgramNotFound);
        return -1;
    }
    int32_t line = ops.Value(0, -1);
    int position = line < 0 ? -1 : FindLine(program, line);
    if (position < 0)
        SetProcessError(process, kErrInvalidLineNumber);
    return position;
}

// The breakpoint bit of the compiled line too, when the program has code.
// The commands name a line by its index from 0; the compiled lines count
// from 1.
void MarkCompiledLine(int program, int32_t line, bool on, int process)
{
    if (!HasCode(program))
        return;
    const int32_t codeLine = line + 1;
    int found = -1;
    int at = FindCodeLine(process, program, codeLine, found);
    if (at < 0 || found != codeLine)
        return;
    if (on)
        g_MemoryBase[at + 2] |= kBreakpointMark;
    else
        g_MemoryBase[at + 2] &= static_cast<uint8_t>(~kBreakpointMark);
}

// Reads axis parameters as if the statement addressed the axis, so that
// every value comes out in user units as the parameter read gives it.
class AxisReader {
public:
    AxisReader(int axis, int process) : m_record(g_ProcessRecords[process]), m_process(process)
    {
        m_savedBase = m_record.baseList[0];
        m_savedAxis = m_record.statementAxis;
        m_record.baseList[0] = axis;
        m_record.statementAxis = 0;
    }
    ~AxisReader()
    {
        m_record.baseList[0] = m_savedBase;
        m_record.statementAxis = m_savedAxis;
    }
    AxisReader(const AxisReader&) = delete;
    AxisReader& operator=(const AxisReader&) = delete;

    float Value(const char* parameter) const { return ReadParameter(FindParameter(parameter), m_process); }
    int32_t Integer(const char* parameter) const { return TruncateToInt32(Value(parameter)); }

private:
    ProcessRecord& m_record;
    int m_process;
    int32_t m_savedBase;
    int32_t m_savedAxis;
};

struct AxisItem {
    const char* label;
    const char* parameter;
    bool integer;
};

// Section 0, in its order.
constexpr AxisItem kSectionZero[] = {
    {"P_GAINf=", "P_GAIN", false},   {"I_GAINf=", "I_GAIN", false},     {"D_GAINf=", "D_GAIN", false},
    {"OV_GAINf=", "OV_GAIN", false}, {"VFF_GAINf=", "VFF_GAIN", false}, {"UNITSu=", "UNITS", false},
    {"SPEEDf=", "SPEED", false},     {"ACCELf=", "ACCEL", false},       {"DECELf=", "DECEL", false},
    {"CREEPf=", "CREEP", false},     {"JOGSPEEDf=", "JOGSPEED", false}, {"FELIMITf=", "FE_LIMIT", false},
    {"DACi=", "DAC", true},          {"SERVOi=", "SERVO", true},        {"REPDISTf=", "REP_DIST", false},
    {"FWD_INi=", "FWD_IN", true},    {"REV_INi=", "REV_IN", true},      {"DAT_INi=", "DATUM_IN", true},
    {"FH_INi=", "FHOLD_IN", true},   {"FSLIMITf=", "FS_LIMIT", false},  {"RSLIMITf=", "RS_LIMIT", false},
};

// Both listings need at least two arguments; error 17 otherwise.
bool HasTwoArguments(const OwnArguments& args, int process)
{
    if (!args.Ok())
        return false;
    if (args.Count() < 2) {
        SetProcessError(process, kErrCommaExpected);
        return false;
    }
    return true;
}

void PrintSectionOne(const AxisReader& axis, int process)
{
    const char* moveType = MoveTypeName(axis.Integer("MTYPE"));
    const char* nextType = MoveTypeName(axis.Integer("NTYPE"));
    std::string status = AxisStatusLetters(static_cast<uint32_t>(axis.Integer("AXISSTATUS")));
    if (g_LinkProtocolMode == 3) {
        PrintFormatted(process, "%s%s,%s%s,%s%f,%s%f,%s%f,%s%s,%s%f%c", "MTYPEs=", moveType, "NTYPEs=", nextType,
                       "MPOSf=", axis.Value("MPOS"), "DPOSf=", axis.Value("DPOS"), "FEf=", axis.Value("FE"),
                       "AXISSTATUSc=", status, "VPSPEEDf=", axis.Value("VP_SPEED"), kEndOfLineCr);
        return;
    }
    PrintFormatted(process, "MTYPEs=%s%c", moveType, kEndOfLineCr);
    PrintFormatted(process, "NTYPEs=%s%c", nextType, kEndOfLineCr);
    PrintFormatted(process, "MPOSf=%f%c", axis.Value("MPOS"), kEndOfLineCr);
    PrintFormatted(process, "DPOSf=%f%c", axis.Value("DPOS"), kEndOfLineCr);
    PrintFormatted(process, "FEf=%f%c", axis.Value("FE"), kEndOfLineCr);
    PrintFormatted(process, "AXISSTATUSc=%s%c", status, kEndOfLineCr);
    PrintFormatted(process, "VPSPEEDf=%f%c", axis.Value("VP_SPEED"), kEndOfLineCr);
}

} // namespace

std::string AxisStatusLetters(uint32_t status)
{
    std::string letters = "ocyxehdrfmaw";
    for (int bit = 1; bit <= 12; ++bit) {
        char& letter = letters[static_cast<size_t>(12 - bit)];
        if ((status >> bit) & 1u)
            letter = static_cast<char>(letter - 'a' + 'A');
    }
    return letters;
}

const char* MoveTypeName(int32_t code)
{
    static const char* const names[] = {"IDLE",   "MOVE",      "MOVEABS",     "MHELICAL",    "MOVECIRC", "MOVEMODIFY",
                                        "MOVESP", "MOVEABSSP", "MOVECIRCSP",  "MHELICALSP",  "FORWARD",  "REVERSE",
                                        "DATUM",  "CAM",       "JOG_FORWARD", "JOG_REVERSE", "MOVETANG"};
    if (code >= 0 && code < static_cast<int32_t>(sizeof(names) / sizeof(names[0])))
        return names[code];
    switch (code) {
    case 20:
        return "CAMBOX";
    case 21:
        return "CONNECT";
    case 22:
        return "MOVELINK";
    default:
        return "UNKNOWN";
    }
}

void KeywordSelect(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    if (ops.Has(0) && (ops.values[0] < 0 || ops.values[0] > kSelectGCode)) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (ops.names.empty() || ops.names[0].empty()) {
        SetProcessError(process, kErrCannotSelect);
        return;
    }
    const ProcessRecord* record = GetProcessRecord(process);
    if (g_LinkProtocolMode != 0 && record && record->outputChannel != kDataChannel) {
        SetProcessError(process, kErrSelectOffDataChannel);
        return;
    }
    if (!SelectProgram(ops.names[0], process))
        return;
    int program = SelectedProgram();
    if (ProgramType(program) == kTypeUnset) {
        int32_t kind = ops.Value(0, 0);
        SetProgramType(program, kind == kSelectGCode ? 1 : 0);
        SetModified(program, kind == kSelectMarked);
    } else if (ops.Has(0)) {
        SetProcessError(process, kErrExtraCharacters);
        return;
    }
    PrintFormatted(process, "%s selected%c", ProgramName(program), kEndOfLineCr);
}

void KeywordRename(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    if (ops.names.size() < 2) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    // A new name is checked as written: the reader cut it to 15 characters.
    if (ops.texts[1].size() > static_cast<size_t>(kProgramNameLength)) {
        SetProcessError(process, kErrStringTooLong);
        return;
    }
    if (RenameProgram(ops.names[0], ops.names[1], process))
        PrintFormatted(process, "OK%c", kEndOfLineCr);
}

void KeywordRunType(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    if (ops.names.empty()) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    if (!ops.Has(0)) {
        SetProcessError(process, kErrOperandExpected);
        return;
    }
    int32_t target = ops.Value(1, -1);
    if (target != -1 && (target < 1 || target > kLastProcess)) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    SetRunType(ops.names[0], ops.values[0] != 0 ? kRunAtPowerUp : 0, target, process);
}

void KeywordStore(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    if (AnyProgramRunning()) {
        SetProcessError(process, kErrProgramsRunning);
        return;
    }
    StoreProgramsInFlash(process);
}

void KeywordBreakAdd(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    int32_t line = -1;
    if (ReadOperands(text, position, limit, process, ops)) {
        int program = -1;
        int at = BreakLine(ops, process, program);
        if (at >= 0) {
            g_MemoryBase[at + 2] |= kBreakpointMark;
            line = ops.values[0];
            MarkCompiledLine(program, line, true, process);
        }
    }
    if (GetProcessError(process) != 0)
        line = -1;
    if (g_LinkProtocolMode != 0)
        PrintFormatted(process, "%i%c", line, kEndOfLineCr);
    else
        PrintFormatted(process, "break line=%i%c", line, kEndOfLineCr);
}

void KeywordBreakDelete(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int program = -1;
    int at = BreakLine(ops, process, program);
    if (at < 0)
        return;
    if (g_MemoryBase[at + 1] <= 4) {
        SetProcessError(process, kErrInvalidLineNumber);
        return;
    }
    g_MemoryBase[at + 2] &= static_cast<uint8_t>(~kBreakpointMark);
    MarkCompiledLine(program, ops.values[0], false, process);
}

void KeywordAxisValues(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!HasTwoArguments(args, process))
        return;
    const int32_t axis = args[0].integer;
    const int32_t section = args[1].integer;
    if (axis < 0 || axis >= kAxisCount || section < 0 || section > 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (axis > g_HighestAxisInUse)
        g_HighestAxisInUse = axis;
    AxisReader reader(axis, process);
    PrintFormatted(process, "AXISi=%i%c", axis, kEndOfLineCr);
    if (section == 1) {
        PrintSectionOne(reader, process);
        return;
    }
    for (const AxisItem& item : kSectionZero) {
        if (item.integer)
            PrintFormatted(process, "%s%i%c", item.label, reader.Integer(item.parameter), kEndOfLineCr);
        else
            PrintFormatted(process, "%s%f%c", item.label, reader.Value(item.parameter), kEndOfLineCr);
    }
}

void KeywordTableValues(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!HasTwoArguments(args, process))
        return;
    const int32_t first = args[0].integer;
    const int32_t last = args[1].integer;
    const int32_t format = args.Count() > 2 ? args[2].integer : 0;
    // Only entries in use are read: last stays below their number.
    const int32_t inUse = TableEntriesInUse();
    if (first < 0 || first > last || last >= inUse) {
        SetProcessError(process, kErrTableIndex);
        return;
    }
    if (format < 0 || format > 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    const ProcessRecord* record = GetProcessRecord(process);
    const int32_t channel = record ? record->outputChannel : 0;
    if (channel == kRawChannel) {
        static const uint8_t zeros[8] = {};
        EchoRawBytes(process, zeros, sizeof(zeros));
    }
    const int end = channel == kDataChannel ? kEndOfLineCr : 0;
    for (int32_t index = first; index <= last;) {
        float value = 0.0f;
        if (!ReadTable(index, value, process))
            return;
        int32_t run = 1;
        float next = 0.0f;
        while (format == 1 && index + run <= last && ReadTable(index + run, next, process) && next == value)
            ++run;
        if (run > 1)
            PrintFormatted(process, "k%i,%f,%c", run, value, end);
        else
            PrintFormatted(process, "%f,%c", value, end);
        index += run;
    }
    if (channel != kDataChannel)
        PrintFormatted(process, "%c", kEndOfLineCr);
}

} // namespace qcrt
