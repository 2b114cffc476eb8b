#include "simulator/runtime/errors.h"

#include <array>

#include "simulator/runtime/print.h"

namespace qcrt {

namespace {

// Messages by number. 66 and 95 have no message of their own and print the
// message of 0.
constexpr const char* kMessages[kErrorCount] = {
    "Command not recognized", // 0
    "Command not recognized",
    "Invalid transfer type",
    "Error programming Flash",
    "Operand expected",
    "Assignment expected",
    "QUOTES expected",
    "Stack overflow",
    "Too many variables",
    "Divide by zero",
    "Extra characters at end of line", // 10
    "] expected",
    "Cannot modify a special program",
    "THEN expected in IF/ELSEIF",
    "Error erasing Flash",
    "Start of expression expected",
    ") expected",
    ", expected",
    "Command line broken by ESC",
    "Parameter out of range",
    "No process available", // 20
    "Value is read only",
    "Modifier not allowed",
    "Remote axis is in use",
    "Command is command line only",
    "Command is runtime only",
    "LABEL expected",
    "Program not found",
    "Duplicate identifier",
    "Program is locked",
    "Program(s) running", // 30
    "Program is stopped",
    "Cannot select program",
    "No program selected",
    "No more programs available",
    "Out of memory",
    "No code available for program",
    "Command out of context",
    "Too many nested structures",
    "Structure nesting error",
    "ELSE/ELSEIF/ENDIF without previous IF", // 40
    "WEND without previous WHILE",
    "UNTIL without previous REPEAT",
    "Identifier expected",
    "TO expected after FOR",
    "Too many nested FOR/NEXT",
    "NEXT without FOR",
    "UNTIL/IDLE expected after WAIT",
    "GOTO/GOSUB expected",
    "Too many nested GOSUB",
    "RETURN without GOSUB", // 50
    "LABEL must be at start of line",
    "Cannot nest one line IF",
    "LABEL not found",
    "LINE NUMBER cannot have decimal point",
    "Cannot have multiple instances of REMOTE",
    "Invalid use of $",
    "VR(x) expected",
    "Program already exists",
    "Process already selected",
    "Duplicate axes not permitted", // 60
    "PLC type is invalid",
    "Evaluation error",
    "Reserved keyword not available on this controller",
    "VARIABLE not found",
    "Table index range error",
    "Command not recognized", // 66: no message of its own
    "Invalid line number",
    "String exceeds permitted length",
    "Scope period should exceed number of Ain params",
    "Value is incorrect", // 70
    "Invalid I/O channel",
    "Value cannot be set. Use CLEAR_PARAMS command",
    "Directory not locked",
    "Directory already locked",
    "Program not running on this process",
    "Program not running",
    "Program not paused on this process",
    "Program not paused",
    "Command not allowed when running Vorta",
    "Directory structure invalid", // 80
    "Directory is LOCKED",
    "Cannot edit program",
    "Too many nested OPERANDS",
    "Cannot reset when drive servo on",
    "Flash Stick Blank",
    "Flash Stick not available on this controller",
    "Slave error",
    "Master error",
    "Network timeout",
    "Network protocol error", // 90
    "Global definition is different",
    "Invalid program name",
    "Program corrupt",
    "More than one program running when trying to set GLOBAL/CONSTANT",
    "Command not recognized", // 95: no message of its own
    "TOKEN definition incorrect",
    "Cannot change program type once it has been created",
    "Command expected",
    "Invalid command",
    "Invalid parameter for command", // 100
    "Too many tokens in block",
    "Invalid mix of modal groups",
    "Variable defined outside include file",
    "Invalid program type",
    "Variable not declared",
    "( expected",
    "Number expected",
    "AS expected",
    "STRING, VECTOR or ARRAY expected",
    "String expected", // 110
    "Command not recognized",
};

// Every number has its text: a missing row would leave a null at the end.
static_assert(kMessages[kErrorCount - 1] != nullptr);

struct ReportTexts {
    std::array<PoolOffset, kErrorCount> messages;
    PoolOffset command = PoolAdd("%[COMMAND ");
    PoolOffset autorun = PoolAdd("%[Autorun failed ");
    PoolOffset error = PoolAdd("%[Error ");
    PoolOffset compileLine = PoolAdd("%[COMPILE Line ");
    PoolOffset program = PoolAdd(" Program ");
    PoolOffset linkLine = PoolAdd("%[LINK Line ");

    ReportTexts()
    {
        for (int n = 0; n < kErrorCount; ++n)
            messages[n] = PoolAdd(kMessages[n]);
    }
};

const ReportTexts& Texts()
{
    static const ReportTexts texts;
    return texts;
}

} // namespace

PoolOffset ErrorMessage(int32_t number)
{
    if (number < 0 || number >= kErrorCount)
        number = 0;
    return Texts().messages[number];
}

void ReportCommandLineError(int process, int32_t number)
{
    PrintFormatted(process, "%r%i] %r%c", Texts().command, number, ErrorMessage(number), 28);
}

void ReportAutorunError(int process, int32_t number)
{
    PrintFormatted(process, "%r(%i)] - %r%c", Texts().autorun, number, ErrorMessage(number), 28);
}

void ReportPowerUpError(int process, int32_t number)
{
    PrintFormatted(process, "%r%i] - %r%c", Texts().error, number, ErrorMessage(number), 28);
}

void ReportCompileError(int process, int32_t line, const uint8_t* programName, int32_t number)
{
    PrintFormatted(process, "%r%i%r%z] (%i) - %r%c", Texts().compileLine, line, Texts().program, programName, number,
                   ErrorMessage(number), 28);
}

void ReportLinkError(int process, int32_t line, int32_t number)
{
    PrintFormatted(process, "%r%i] (%i) - %r%c", Texts().linkLine, line, number, ErrorMessage(number), 28);
}

} // namespace qcrt
