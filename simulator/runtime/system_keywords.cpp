#include "simulator/runtime/system_keywords.h"

#include <atomic>
#include <cctype>
#include <cstring>
#include <vector>

#include "simulator/runtime/checksums.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"

namespace qcrt {

namespace {

constexpr int32_t kErrNoProcess = 20;
constexpr int32_t kErrCannotSelect = 32;
constexpr int32_t kErrVariableNotFound = 64;
constexpr int32_t kErrDefinitionDifferent = 91;
constexpr int32_t kErrSeveralRunning = 94;
constexpr int kLineCapacity = 512;

// One entry of the GLOBAL or CONSTANT table; in use while its name is not
// empty. A GLOBAL holds its VR number, a CONSTANT its value.
struct DeclaredName {
    char name[kDeclaredNameLength + 1];
    int32_t vr;
    float value;
};

enum class Table { Global, Constant };

struct DeclaredTables {
    DeclaredName globals[kDeclaredNames];
    DeclaredName constants[kDeclaredNames];
};

DeclaredTables g_Declared;

DeclaredName* Entries(Table table)
{
    return table == Table::Global ? g_Declared.globals : g_Declared.constants;
}

// Names compare as the compiler's variables do: on their first 15 characters.
bool SameName(const char* a, const std::string& b)
{
    return std::strncmp(a, b.c_str(), kNameLength) == 0;
}

DeclaredName* FindEntry(Table table, const std::string& name)
{
    DeclaredName* entries = Entries(table);
    for (int n = 0; n < kDeclaredNames; ++n) {
        if (entries[n].name[0] != '\0' && SameName(entries[n].name, name))
            return &entries[n];
    }
    return nullptr;
}

DeclaredName* FreeEntry(Table table)
{
    DeclaredName* entries = Entries(table);
    for (int n = 0; n < kDeclaredNames; ++n) {
        if (entries[n].name[0] == '\0')
            return &entries[n];
    }
    return nullptr;
}

// A local bound to a definition, or unbound (entry null).
void BindLocal(int process, int text, const std::string& name, Table table, const DeclaredName* entry)
{
    const int slot = FindVariableSlot(text, name);
    ProcessRecord* r = GetProcessRecord(process);
    if (!r || slot < 0 || slot >= kLocalVariables)
        return;
    if (!entry) {
        r->localFlags[slot] = 0;
        r->localValues[slot] = 0.0f;
    } else if (table == Table::Global) {
        r->localFlags[slot] = 3;
        r->localValues[slot] = static_cast<float>(entry->vr);
    } else {
        r->localFlags[slot] = 1;
        r->localValues[slot] = entry->value;
    }
}

// The processes whose programs see a changed definition at once: the running
// user programs and the command line.
void RebindEverywhere(const std::string& name, Table table, const DeclaredName* entry)
{
    BindLocal(0, kCommandLineText, name, table, entry);
    for (int p = 1; p < kProcessCount; ++p) {
        const ProcessRecord& r = g_ProcessRecords[p];
        if (r.currentState != kStateStopped && r.programNumber >= 0 && r.programNumber < kProgramCount)
            BindLocal(p, r.programNumber, name, table, entry);
    }
}

int RunningProgramProcesses()
{
    int count = 0;
    for (int p = 1; p < kProcessCount; ++p) {
        if (g_ProcessRecords[p].currentState != kStateStopped)
            ++count;
    }
    return count;
}

// The quoted name behind a keyword token, lower-cased; false when there is
// none or it is too long.
bool ReadQuotedName(const uint8_t* text, int& position, int limit, int process, std::string& name)
{
    name.clear();
    if (position >= limit || text[position] != kTokQuotes) {
        SetProcessError(process, kErrQuotesExpected);
        return false;
    }
    for (++position; position < limit && text[position] != kTokQuotes; ++position)
        name.push_back(static_cast<char>(std::tolower(text[position])));
    if (position >= limit) {
        SetProcessError(process, kErrQuotesExpected);
        return false;
    }
    ++position;
    if (name.empty() || name.size() > kDeclaredNameLength) {
        SetProcessError(process, kErrStringTooLong);
        return false;
    }
    return true;
}

// GLOBAL "name"[, vr] and CONSTANT "name"[, value].
void Declare(const uint8_t* text, int& position, int limit, int process, Table table)
{
    ++position; // the token
    std::string name;
    if (!ReadQuotedName(text, position, limit, process, name))
        return;
    bool define = false;
    float value = 0.0f;
    if (position < limit && text[position] == kTokComma) {
        ++position;
        value = EvaluateExpression(text, position, limit, process);
        if (GetProcessError(process) != 0)
            return;
        define = true;
    }
    if (RunningProgramProcesses() > 1) {
        SetProcessError(process, kErrSeveralRunning);
        return;
    }
    const int32_t vr = TruncateToInt32(value);
    if (define && table == Table::Global && (vr < 0 || vr >= kVrCount)) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    ResourceClaim binding(process, kResourceCompile, -1);
    const Table other = table == Table::Global ? Table::Constant : Table::Global;
    DeclaredName* entry = FindEntry(table, name);
    if (!define) {
        if (!entry) {
            SetProcessError(process, kErrVariableNotFound);
            return;
        }
        std::memset(entry, 0, sizeof *entry);
        RebindEverywhere(name, table, nullptr);
        return;
    }
    if (FindEntry(other, name)) {
        SetProcessError(process, kErrDefinitionDifferent);
        return;
    }
    if (!entry) {
        entry = FreeEntry(table);
        if (!entry) {
            SetProcessError(process, kErrTooManyVariables);
            return;
        }
        std::memset(entry, 0, sizeof *entry);
        std::memcpy(entry->name, name.data(), name.size());
    }
    entry->vr = vr;
    entry->value = value;
    RebindEverywhere(name, table, entry);
}

const char* LookUpDeclaration(const char* name)
{
    const std::string key(name ? name : "");
    if (FindEntry(Table::Global, key))
        return "GLOBAL";
    if (FindEntry(Table::Constant, key))
        return "CONSTANT";
    return nullptr;
}

bool DefaultProcessStarter(int process)
{
    return CreateProcessThread(process);
}

std::atomic<ProcessStarter> g_ProcessStarter{DefaultProcessStarter};

// The process an auto-run program runs on: the one stored with it, or the
// highest free one from 14 down.
int AutorunProcess(int program, int process)
{
    int32_t wanted = RunProcess(program);
    if (wanted < 0) {
        for (int p = kProcessCount - 1; p >= 1; --p) {
            if (g_ProcessRecords[p].currentState == kStateStopped && !IsProcessActive(p))
                return p;
        }
        SetProcessError(process, kErrNoProcess);
        return -1;
    }
    if (wanted < 1 || wanted >= kProcessCount) {
        SetProcessError(process, kErrParameterOutOfRange);
        return -1;
    }
    if (g_ProcessRecords[wanted].currentState != kStateStopped || IsProcessActive(wanted)) {
        SetProcessError(process, kErrProcessSelected);
        return -1;
    }
    return wanted;
}

} // namespace

void ResetDeclaredNames()
{
    std::memset(&g_Declared, 0, sizeof g_Declared);
}

void BindDeclaredNames(int process, int text)
{
    for (Table table : {Table::Global, Table::Constant}) {
        const DeclaredName* entries = Entries(table);
        for (int n = 0; n < kDeclaredNames; ++n) {
            if (entries[n].name[0] != '\0')
                BindLocal(process, text, entries[n].name, table, &entries[n]);
        }
    }
}

bool FindGlobal(const std::string& name, int32_t& vr)
{
    const DeclaredName* entry = FindEntry(Table::Global, name);
    if (entry)
        vr = entry->vr;
    return entry != nullptr;
}

bool FindConstant(const std::string& name, float& value)
{
    const DeclaredName* entry = FindEntry(Table::Constant, name);
    if (entry)
        value = entry->value;
    return entry != nullptr;
}

void SetProcessStarter(ProcessStarter starter)
{
    g_ProcessStarter.store(starter ? starter : DefaultProcessStarter);
}

void InstallSystemKeywords()
{
    SetDeclarationLookup(LookUpDeclaration);
}

void KeywordGlobal(const uint8_t* text, int& position, int limit, int process)
{
    Declare(text, position, limit, process, Table::Global);
}

void KeywordConstant(const uint8_t* text, int& position, int limit, int process)
{
    Declare(text, position, limit, process, Table::Constant);
}

void KeywordListGlobal(const uint8_t*, int& position, int, int process)
{
    ++position;
    PrintFormatted(process, "Global           VR%c", kEndOfLineCr);
    PrintFormatted(process, "---------------- ----%c", kEndOfLineCr);
    for (const DeclaredName& entry : g_Declared.globals) {
        if (entry.name[0] != '\0')
            PrintFormatted(process, "%16s %i%c", entry.name, entry.vr, kEndOfLineCr);
    }
    PrintFormatted(process, "Constant         Value%c", kEndOfLineCr);
    PrintFormatted(process, "---------------- -------%c", kEndOfLineCr);
    for (const DeclaredName& entry : g_Declared.constants) {
        if (entry.name[0] != '\0')
            PrintFormatted(process, "%16s %f%c", entry.name, entry.value, kEndOfLineCr);
    }
}

void KeywordAutorun(const uint8_t*, int& position, int, int process)
{
    ++position;
    ResourceClaim store(process, kResourceProgramStore, -1);
    std::vector<int> programs;
    for (int program = 0; program < kProgramCount; ++program) {
        if (!ProgramExists(program) || RunType(program) != kRunAtPowerUp)
            continue;
        if (IsProgramLocked(program)) {
            SetProcessError(process, kErrProgramLocked);
            return;
        }
        if (!HasCode(program)) {
            if (!SelectProgramNumber(program, process)) {
                SetProcessError(process, kErrCannotSelect);
                return;
            }
            // A program that does not compile has its report printed and is
            // left out.
            if (!CompileProgram(program, process))
                SetProcessError(process, 0);
        }
        programs.push_back(program);
    }
    for (int program : programs) {
        if (!HasCode(program) && !IsGcodeProgram(program))
            continue;
        const int p = AutorunProcess(program, process);
        if (p < 0)
            return;
        {
            ResourceClaim control(process, kResourceProcessControl, p);
            AssignProgramToProcess(program, p, kStateRunning);
        }
        g_ProcessStarter.load()(p);
    }
}

void KeywordHalt(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok())
        return;
    const int32_t n = args.Count() > 0 ? args[0].integer : 0;
    if (n != 0 && n != 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    for (int p = 1; p < kProcessCount; ++p) {
        ProcessRecord& r = g_ProcessRecords[p];
        if (r.currentState == kStateStopped || r.programNumber < 0 || r.programNumber >= kProgramCount)
            continue;
        ResourceClaim control(process, kResourceProcessControl, p);
        if (n == 0) {
            // Stopped as by an error: the report names the line it was on.
            if (r.errorNumber == 0)
                r.errorNumber = kErrProgramStopped;
        } else {
            // Ended through the normal end action, which releases the program.
            r.requestedState = kStateStopped;
        }
    }
}

void KeywordExecute(const uint8_t* text, int& position, int limit, int process)
{
    ++position;
    std::string line;
    if (position >= limit || text[position] != kTokQuotes) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    for (++position; position < limit && text[position] != kTokQuotes; ++position)
        line.push_back(static_cast<char>(text[position]));
    if (position >= limit) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    ++position;

    std::vector<uint8_t> tokens(kLineCapacity);
    int32_t error = 0;
    const int tokenLength = TokeniseLine(line, tokens.data(), kLineCapacity, 0, error);
    if (error != 0) {
        SetProcessError(process, error);
        return;
    }
    std::vector<uint8_t> code(kLineCapacity * 2);
    int codeLength = 0;
    {
        ResourceClaim compile(process, kResourceCompile, -1);
        if (!CompileCommandLine(tokens.data(), tokenLength, code.data(), static_cast<int>(code.size()), codeLength,
                                process))
            return;
        // The command line's variables are process 0's; a program that
        // executes a text keeps its own.
        if (process == 0)
            BindDeclaredNames(process, kCommandLineText);
    }
    ProcessRecord& r = g_ProcessRecords[process];
    int at = 0;
    while (at < codeLength && code[static_cast<size_t>(at)] != kTokZero && r.errorNumber == 0) {
        ExecuteStatement(code.data(), at, codeLength, process);
        while (at < codeLength && code[static_cast<size_t>(at)] == kTokColon)
            ++at;
    }
}

void KeywordInclude(const uint8_t* text, int& position, int limit, int process)
{
    // INCLUDE, the 4-byte variable count, the quoted name; then the included
    // program's compiled lines, the first without the line end before it,
    // and the line end of the INCLUDE's own line.
    int at = position + 5;
    if (at >= limit || text[at] != kTokQuotes) {
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    for (++at; at < limit && text[at] != kTokQuotes; ++at) {
    }
    ++at;
    ProcessRecord& r = g_ProcessRecords[process];
    if (at >= limit || r.codeProgram < 0) {
        SetProcessError(process, kErrProgramCorrupt);
        return;
    }
    // An included program without statements left nothing: the INCLUDE's
    // line ends here, right before the program's next line.
    int found = 0;
    const int32_t line = r.currentLine & ~static_cast<int32_t>(kBreakpointBit);
    const int next = FindCodeLine(process, r.codeProgram, line + 1, found);
    const bool nothingIncluded = text[at] == kTokZero && (next >= 0 ? at + 1 == next : at + 1 >= limit);
    if (!nothingIncluded) {
        if (at + 3 > limit) {
            SetProcessError(process, kErrProgramCorrupt);
            return;
        }
        r.currentLine = static_cast<int32_t>(Get24(text, at));
    }
    position = at;
}

void KeywordFree(const uint8_t*, int& position, int, int process)
{
    ++position;
    const int64_t free = static_cast<int64_t>(g_MemorySize) - ProgramAreaEnd();
    g_ProcessRecords[process].result = static_cast<float>(free > 0 ? free : 0);
}

} // namespace qcrt
