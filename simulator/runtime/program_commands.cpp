#include "simulator/runtime/program_commands.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/command_line.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/edprog.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

uint32_t g_RuntimeModeWord = 0;

namespace {

constexpr int kDataChannel = 8;
constexpr int kListLimit = 120;
constexpr int kSRecordBytes = 16;
constexpr int kThreadStartTries = 100;
// The program type of a program whose type was never set, as the store
// answers it (the low 7 bits of the type byte).
constexpr int32_t kTypeUnset = static_cast<int32_t>(kTypeNotSet & 0x7F);

// Error numbers of these commands.
constexpr int32_t kErrNoProcess = 20;
constexpr int32_t kErrNotRunningOnProcess = 75;
constexpr int32_t kErrProgramNotRunning = 76;
constexpr int32_t kErrNotPausedOnProcess = 77;
constexpr int32_t kErrProgramNotPaused = 78;
constexpr int32_t kErrCannotEditProgram = 82;
constexpr int32_t kErrFlashStickBlank = 85;

std::mutex g_LoaderLock;
SystemLoaderHook g_SystemLoader;

// The stored copy of the programs that POWER_UP = 1 brings back: the
// directory from its start, the end of the program area behind it, the
// program bytes from kCopyProgramOffset.
constexpr uint32_t kCopyTopOffset = kDirectorySize;
constexpr uint32_t kCopyProgramOffset = 1024;

bool EndsStatement(uint8_t token)
{
    return token == kTokZero || token == kTokColon || token == kTokComment || token == kTokModifier;
}

} // namespace

bool ReadOperands(const uint8_t* text, int& position, int limit, int process, Operands& out)
{
    if (position < 0 || position >= limit || !IsKeywordToken(text[position])) {
        SetProcessError(process, kErrProgramCorrupt);
        return false;
    }
    const TokenDescriptor& k = g_Keywords[text[position]];
    ++position;
    while (position < limit && text[position] == kTokQuotes) {
        std::string raw;
        for (++position; position < limit && text[position] != kTokQuotes; ++position)
            raw += static_cast<char>(text[position]);
        ++position;
        std::string name = raw.substr(0, static_cast<size_t>(kProgramNameLength));
        for (char& c : name) {
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        }
        out.texts.push_back(raw);
        out.names.push_back(name);
        if (position + 1 < limit && text[position] == kTokComma && text[position + 1] == kTokQuotes)
            ++position;
    }
    if (k.Has(kKwBracketed)) {
        if (!PushArgumentFrame(process))
            return false;
        bool ok = EvaluateArgumentList(text, position, limit, process);
        for (int n = 0; ok && n < ArgumentCount(process); ++n)
            out.values.push_back(GetArgument(process, n)->integer);
        PopArgumentFrame(process);
        return ok;
    }
    for (int count = 0; count < k.maxArguments && position < limit; ++count) {
        if (text[position] == kTokComma)
            ++position;
        if (position >= limit || EndsStatement(text[position]))
            break;
        float value = EvaluateExpression(text, position, limit, process);
        if (GetProcessError(process) != 0)
            return false;
        out.values.push_back(TruncateToInt32(value));
    }
    return true;
}

namespace {

bool IsLocked()
{
    return IsMemoryProtected();
}

// The named program, or the selected one without a name; errors 27 and 33.
int NamedOrSelected(const std::vector<std::string>& names, int process)
{
    if (!names.empty()) {
        int program = FindProgram(names[0]);
        if (program < 0)
            SetProcessError(process, kErrProgramNotFound);
        return program;
    }
    int program = SelectedProgram();
    if (program < 0)
        SetProcessError(process, kErrNoProgramSelected);
    return program;
}

bool RunsProgram(int target, int program)
{
    const ProcessRecord& r = g_ProcessRecords[target];
    return r.programNumber == program && (r.currentState != kStateStopped || r.requestedState != kStateStopped);
}

bool IsFree(int target)
{
    const ProcessRecord& r = g_ProcessRecords[target];
    return r.currentState == kStateStopped && r.requestedState == kStateStopped;
}

// The power-up source: "EPROM", "RAM", or an error reading it.
enum class PowerUpSource { Error, Ram, Eprom };
PowerUpSource ReadPowerUpSource(int process)
{
    int32_t before = GetProcessError(process);
    SetProcessError(process, kErrNone);
    int32_t value = ReadSetting(kSettingPowerUp, process);
    bool failed = GetProcessError(process) != 0;
    SetProcessError(process, before);
    if (failed)
        return PowerUpSource::Error;
    return value == 1 ? PowerUpSource::Eprom : PowerUpSource::Ram;
}

// A name as channel 8's directory gives it: a character below 33 would
// split the reply's fields, so it shows as "*".
std::string MachineName(int program)
{
    std::string name = ProgramName(program);
    for (char& c : name) {
        if (static_cast<uint8_t>(c) < 33)
            c = '*';
    }
    return name;
}

const char* CodeTypeText(int program)
{
    int32_t type = ProgramType(program);
    if (type == kProgramTypeBasic || type == kTypeUnset)
        return "Normal   ";
    if (type == kProgramTypeGCode)
        return "G code";
    return "Unknown  ";
}

int32_t AutoRunProcess(int program)
{
    return RunType(program) == kRunAtPowerUp ? RunProcess(program) : 0;
}

void PrintMachineDirectory(int process, bool extended)
{
    static const char* const kSources[] = {"ERROR", "RAM", "EPROM"};
    PrintFormatted(process, "%s,%i%c", kSources[static_cast<int>(ReadPowerUpSource(process))],
                   static_cast<int32_t>(g_MemorySize) - ProgramAreaEnd(), kEndOfLineCr);
    for (int program = 0; program < kProgramCount; ++program) {
        if (!ProgramExists(program))
            continue;
        std::string line = FormatText("%s,%i,%i,%i", MachineName(program), SourceLength(program),
                                      CodeLength(program), AutoRunProcess(program));
        // X adds the code type and whether the store lets the program be
        // changed, which the development environment shows as "editable".
        if (extended)
            line += FormatText(",%i,%i", ProgramType(program) == kProgramTypeGCode ? kProgramTypeGCode : 0,
                               MayBeChanged(program) ? 1 : 0);
        PrintFormatted(process, "%s%c", line, kEndOfLineCr);
    }
}

void PrintHumanDirectory(int process, bool extended)
{
    switch (ReadPowerUpSource(process)) {
    case PowerUpSource::Error:
        PrintFormatted(process, "Error reading POWER_UP\r\n");
        break;
    case PowerUpSource::Ram:
        PrintFormatted(process, "RAM selected for power up\r\n");
        break;
    case PowerUpSource::Eprom:
        PrintFormatted(process, "EPROM selected for power up\r\n");
        break;
    }
    PrintFormatted(process, "%r%i\r\n", PoolAdd("Memory available: "),
                   static_cast<int32_t>(g_MemorySize) - ProgramAreaEnd());
    int selected = SelectedProgram();
    if (selected < 0)
        PrintFormatted(process, "Selected program: None\r\n");
    else
        PrintFormatted(process, "Selected program: %*s\r\n", 16, ProgramName(selected));
    PrintFormatted(process, "%r%s%r\r\n", PoolAdd("Directory is "), IsLocked() ? "" : "UN", PoolAdd("LOCKED"));
    PrintFormatted(process, "Program          Source Code   Run Type Code Type\r\n");
    PrintFormatted(process, "---------------- ------ ------ -------- ---------\r\n");
    for (int program = 0; program < kProgramCount; ++program) {
        if (!ProgramExists(program))
            continue;
        std::string line = FormatText("%*s %6i %6i ", 16, ProgramName(program), SourceLength(program),
                                      CodeLength(program));
        if (RunType(program) == kRunAtPowerUp)
            line += FormatText("Auto(%2i) ", RunProcess(program));
        else
            line += "Manual   ";
        line += CodeTypeText(program);
        if (extended)
            line += FormatText("%7i %7i %7i", SourceStart(program), CodeStart(program), CodeEnd(program));
        PrintFormatted(process, "%s%c", line, kEndOfLineCr);
    }
    PrintFormatted(process, "OK\r\n");
}

// The reply of a command that has none of its own.
void ReplyOk(int process)
{
    PrintFormatted(process, "OK%c", kEndOfLineCr);
}

enum class StartKind { Run, Step, Pause };

// The program and process a process command names. The program: the named
// one (27 when the store has none), for a caller that is a program and
// ownProgram its own, else the selected one (33). The process: the argument,
// 1 to 14 (19 otherwise; process 0 is the command line, where no program can
// run), or -1 without one.
bool ResolveTarget(const Operands& ops, int process, bool ownProgram, int& program, int& target)
{
    target = -1;
    if (ops.Has(0)) {
        target = ops.Value(0, -1);
        if (target < 1 || target >= kProcessCount) {
            SetProcessError(process, kErrParameterOutOfRange);
            return false;
        }
    }
    if (!ops.names.empty()) {
        program = FindProgram(ops.names[0]);
        if (program < 0)
            SetProcessError(process, kErrProgramNotFound);
        return program >= 0;
    }
    if (ownProgram && process != 0) {
        program = g_ProcessRecords[process].programNumber;
        return true;
    }
    program = SelectedProgram();
    if (program < 0)
        SetProcessError(process, kErrNoProgramSelected);
    return program >= 0;
}

void RunOrStep(const Operands& ops, int process, StartKind kind)
{
    const int32_t state = kind == StartKind::Run ? kStateRunning : kind == StartKind::Step ? kStateStep : kStatePaused;
    int program;
    int target;
    if (!ResolveTarget(ops, process, kind != StartKind::Run, program, target))
        return;
    if (target < 0) {
        if (kind != StartKind::Run) {
            bool any = false;
            for (int p = 1; p < kProcessCount; ++p) {
                if (RunsProgram(p, program)) {
                    ResourceClaim claim(process, kResourceProcessControl, p);
                    g_ProcessRecords[p].requestedState = state;
                    any = true;
                }
            }
            if (any) {
                if (process == 0)
                    ReplyOk(process);
                return;
            }
        }
        target = HighestFreeProcess();
        if (target < 0) {
            SetProcessError(process, kErrNoProcess);
            return;
        }
    } else if (!IsFree(target)) {
        // A busy process must run this program; RUN cannot start it twice.
        if (!RunsProgram(target, program)) {
            SetProcessError(process, kErrNotRunningOnProcess);
            return;
        }
        if (kind == StartKind::Run) {
            SetProcessError(process, kErrProgramsRunning);
            return;
        }
        ResourceClaim claim(process, kResourceProcessControl, target);
        g_ProcessRecords[target].requestedState = state;
        if (process == 0)
            ReplyOk(process);
        return;
    }
    if (!StartProgramOnProcess(program, target, state, process))
        return;
    if (kind != StartKind::Run && process == 0)
        ReplyOk(process);
}

} // namespace

bool StoreProgramsInFlash(int process)
{
    auto line = [process](const char* text) { PrintFormatted(process, "%r%c", PoolAdd(text), kEndOfLineCr); };
    ResourceClaim claim(process, kResourceProgramStore, -1);
    if (!InitFlashDevice()) {
        line("Flash did not erase");
        return false;
    }
    const uint32_t top = static_cast<uint32_t>(ProgramAreaEnd());
    const uint32_t room = g_FlashDevice.furtherAreaOffset - g_FlashDevice.memoryCopyOffset - kCopyProgramOffset;
    if (top < kProgramAreaStart || top - kProgramAreaStart > room) {
        line("Total size of application programs are too long to store");
        return false;
    }
    line("Erasing Application area of FLASH");
    const int first = static_cast<int>(g_FlashDevice.memoryCopyOffset / g_FlashDevice.sectorSize);
    const int end = static_cast<int>(g_FlashDevice.furtherAreaOffset / g_FlashDevice.sectorSize);
    for (int sector = first; sector < end; ++sector) {
        if (!EraseSector(sector)) {
            line("Flash did not erase");
            return false;
        }
    }
    PrintFormatted(process, "Programming");
    const uint32_t base = g_FlashDevice.memoryCopyOffset;
    uint8_t header[kCopyProgramOffset];
    std::memset(header, 0xFF, sizeof header);
    std::memcpy(header, g_MemoryBase + kDirectoryOffset, kDirectorySize);
    int at = static_cast<int>(kCopyTopOffset);
    Put32(header, at, static_cast<int32_t>(top));
    PrintFormatted(process, "%c", '0');
    if (!ProgramFlash(header, base, sizeof header)) {
        PrintFormatted(process, "%c", kEndOfLineCr);
        line("Fault programming directory");
        return false;
    }
    PrintFormatted(process, "%c%c", 8, '1');
    if (!ProgramFlash(g_MemoryBase + kProgramAreaStart, base + kCopyProgramOffset, top - kProgramAreaStart)) {
        PrintFormatted(process, "%c", kEndOfLineCr);
        line("Fault programming programs");
        return false;
    }
    PrintFormatted(process, "%c%c", 8, kEndOfLineCr);
    line("Verifying");
    const uint8_t* image = g_FlashDevice.image + base;
    for (uint32_t n = 0; n < kDirectorySize; ++n) {
        if (image[n] != g_MemoryBase[kDirectoryOffset + n]) {
            PrintFormatted(process, "%r at %i%c", PoolAdd("Error in directory"), static_cast<int32_t>(n),
                           kEndOfLineCr);
            return false;
        }
    }
    for (uint32_t n = 0; n < top - kProgramAreaStart; ++n) {
        if (image[kCopyProgramOffset + n] != g_MemoryBase[kProgramAreaStart + n]) {
            PrintFormatted(process, "%r%i%c", PoolAdd("Error in programs at "), static_cast<int32_t>(n),
                           kEndOfLineCr);
            return false;
        }
    }
    return true;
}

namespace {

// A program line as the load and APPENDPROG take it: its leading blanks are
// the indentation (at most 127), the rest is tokenised for the program's
// kind into tokens (kMaxLineRecord bytes). Returns the token length; error
// is the tokeniser's.
int TokeniseIndentedLine(std::string_view text, int program, uint8_t* tokens, int& level, int32_t& error)
{
    size_t indent = 0;
    while (indent < text.size() && text[indent] == ' ')
        ++indent;
    level = static_cast<int>(std::min<size_t>(indent, 127));
    return TokeniseLine(text.substr(indent), tokens, kMaxLineRecord - kLineHeaderSize, LexerModeOf(program), error);
}

// The fast project load.
class ProjectLoader {
public:
    ProjectLoader(int process, int mode) : m_process(process), m_mode(mode) {}

    void Run()
    {
        if (m_mode == 0 && !DeleteProgram("ALL", m_process))
            return;
        // The development environment sends a single program only once the
        // reply to its command has ended, so that reply ends before ENQ.
        if (m_mode != 0)
            EndCommandReply(m_process);
        Answer(kEnq);
        for (;;) {
            int c = NextByte();
            if (c < 0) {
                Fail(true);
                return;
            }
            if (c == kEot)
                return;
            bool ok = true;
            if (c == kSoh)
                ok = Header();
            else if (c == kStx)
                ok = Text();
            if (!ok)
                return;
        }
    }

private:
    // A byte of the process's input channel, waiting at most the load's
    // time for it; -1 when none came (or the process is being stopped).
    int NextByte(unsigned waitMs = kLoadByteWaitMs)
    {
        uint64_t start = GetTimeNow();
        for (;;) {
            int c = GetInputRing(m_process);
            if (c >= 0)
                return c;
            if (ProcessStopping(m_process) || GetTimeNow() - start >= uint64_t{waitMs} * kTicksPerMillisecond)
                return -1;
            RuntimeSleep(1);
        }
    }

    // ENQ, ACK and NAK go out as single bytes, outside any frame of the
    // channel. The development environment sends a single program's blocks
    // on channel -1 (ESC "/", which reaches the command channel as data) and
    // takes the answers there: behind the command channel's own selection,
    // each answer selects channel -1 for itself.
    void Answer(uint8_t byte)
    {
        ProcessRecord* r = GetProcessRecord(m_process);
        if (!r)
            return;
        if (m_mode != 0 && MapChannel(r->outputChannel) == kDataChannel) {
            PutOutputRing(kDataChannel, m_process, kEsc);
            PutOutputRing(kDataChannel, m_process, '/');
        }
        PutOutputRing(r->outputChannel, m_process, byte);
    }

    // The three check characters, 6 bits each less 32, most significant first.
    bool CheckField(uint16_t crc, bool& timedOut)
    {
        uint32_t value = 0;
        for (int n = 0; n < 3; ++n) {
            int c = NextByte();
            if (c < 0) {
                timedOut = true;
                return false;
            }
            value = (value << 6) | static_cast<uint32_t>((c - 32) & 63);
        }
        return (value & 0xFFFF) == crc;
    }

    bool Header()
    {
        std::string bytes;
        std::string name;
        int c;
        while ((c = NextByte()) >= 0 && c != kFs) {
            bytes += static_cast<char>(c);
            name += static_cast<char>(c);
        }
        if (c < 0) {
            Fail(true);
            return false;
        }
        if (name.size() > static_cast<size_t>(kProgramNameLength)) {
            Fail(false);
            return false;
        }
        bytes += static_cast<char>(kFs);
        int32_t type = 0;
        while ((c = NextByte()) >= 0 && c != kEtx) {
            bytes += static_cast<char>(c);
            if (c >= '0' && c <= '9' && type < 100000)
                type = type * 10 + (c - '0');
        }
        if (c < 0) {
            Fail(true);
            return false;
        }
        bool timedOut = false;
        bool matches = CheckField(Crc16(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), timedOut);
        if (!matches) {
            // A header whose check never came or does not hold loses only itself.
            Fail(false);
            return false;
        }
        if (type == 1) {
            Fail(true);
            return false;
        }
        int program = -1;
        if (m_mode == 2)
            program = FindProgram(name);
        if (program < 0) {
            if (m_mode == 1 && FindProgram(name) >= 0 && !DeleteProgram(name, m_process)) {
                SetProcessError(m_process, kErrNone);
                Fail(false);
                return false;
            }
            program = CreateProgram(name, m_process);
            m_fresh = true;
        } else {
            m_fresh = false;
        }
        if (program < 0 || !SelectProgramNumber(program, m_process)) {
            SetProcessError(m_process, kErrNone);
            Fail(false);
            return false;
        }
        if (m_fresh)
            SetProgramType(program, type);
        m_program = program;
        Answer(kAck);
        return true;
    }

    bool Text()
    {
        uint32_t crc = 0;
        std::string line;
        int c;
        bool ok = true;
        while ((c = NextByte()) >= 0 && c != kEtx) {
            uint8_t byte = static_cast<uint8_t>(c);
            crc = Crc16Update(crc, &byte, 1);
            if (!ok)
                continue;
            if (c == kCr) {
                ok = AppendLine(line);
                line.clear();
            } else if (line.size() >= static_cast<size_t>(kLoadLineLength)) {
                ok = false;
            } else {
                line += static_cast<char>(c);
            }
        }
        if (c < 0) {
            Fail(true);
            return false;
        }
        if (ok && !line.empty())
            ok = AppendLine(line);
        bool timedOut = false;
        bool matches = CheckField(static_cast<uint16_t>(Crc16Finish(crc)), timedOut);
        if (!ok || !matches || m_program < 0) {
            Fail(true);
            return false;
        }
        // The loaded text is the program as the development environment
        // keeps it: nothing is left to compile on the next selection.
        SetModified(m_program, false);
        Answer(kAck);
        return true;
    }

    bool AppendLine(const std::string& text)
    {
        if (m_program < 0)
            return false;
        uint8_t tokens[kMaxLineRecord];
        int level = 0;
        int32_t error = 0;
        const int length = TokeniseIndentedLine(text, m_program, tokens, level, error);
        if (error != 0)
            return false; // a line the store would not hold as sent is never acknowledged
        bool stored;
        if (m_fresh) {
            stored = ReplaceLine(FindLine(m_program, 0), tokens, length, level, m_process);
            m_fresh = false;
        } else {
            stored = InsertLine(SourceEnd(m_program) - 4, tokens, length, level, m_process);
        }
        if (!stored)
            SetProcessError(m_process, kErrNone);
        return stored;
    }

    // A failure answers NAK; a whole load whose text failed loses what it
    // loaded. Input is then dropped until EOT or a pause of 500 ms.
    void Fail(bool discardPrograms)
    {
        Answer(kNak);
        if (discardPrograms) {
            if (m_mode == 0)
                DeleteProgram("ALL", m_process);
            else if (m_program >= 0 && ProgramExists(m_program) && m_mode == 1)
                DeleteProgram(ProgramName(m_program), m_process);
            SetProcessError(m_process, kErrNone);
        }
        for (;;) {
            int c = NextByte(kLoadDiscardMs);
            if (c < 0 || c == kEot)
                return;
        }
    }

    int m_process;
    int m_mode;
    int m_program = -1;
    bool m_fresh = false;
};

} // namespace

int HighestFreeProcess()
{
    for (int p = kProcessCount - 1; p >= 1; --p) {
        if (IsFree(p))
            return p;
    }
    return -1;
}

bool StartProgramOnProcess(int program, int target, int32_t state, int process)
{
    {
        ResourceClaim store(process, kResourceProgramStore, program);
        if (IsProgramLocked(program)) {
            SetProcessError(process, kErrProgramLocked);
            return false;
        }
        if (!HasCode(program) && program == SelectedProgram()) {
            // Only the command line shows a compile's messages.
            ProcessRecord* caller = GetProcessRecord(process);
            int32_t channel = caller ? caller->outputChannel : 0;
            if (caller && process != 0)
                caller->outputChannel = -1;
            CompileProgram(program, process);
            if (caller)
                caller->outputChannel = channel;
            if (GetProcessError(process) != 0)
                return false;
        }
        if (!HasCode(program) && !IsGcodeProgram(program)) {
            SetProcessError(process, kErrNoCode);
            return false;
        }
    }
    {
        ResourceClaim control(process, kResourceProcessControl, target);
        if (!IsFree(target)) {
            SetProcessError(process, kErrProgramsRunning);
            return false;
        }
        if (!AssignProgramToProcess(program, target, state)) {
            SetProcessError(process, kErrProgramsRunning);
            return false;
        }
        ProcessRecord& r = g_ProcessRecords[target];
        r.programKind = ProgramType(program) == kProgramTypeGCode ? 1 : 0;
        ResetLocalVariables(target);
    }
    // The thread of a program that has just ended may still be on its way
    // out; it is given a moment. One that never goes refuses the start
    // rather than leave a process that asks to run with no thread.
    for (int tries = 0; !CreateProcessThread(target); ++tries) {
        if (tries >= kThreadStartTries || ProcessStopping(process)) {
            ResourceClaim control(process, kResourceProcessControl, target);
            g_ProcessRecords[target].requestedState = kStateStopped;
            SetProcessError(process, kErrProgramsRunning);
            return false;
        }
        RuntimeSleep(1);
    }
    return true;
}

void StartPowerUpPrograms(int process)
{
    for (int program = 0; program < kProgramCount; ++program) {
        if (!ProgramExists(program) || RunType(program) != kRunAtPowerUp)
            continue;
        int target = RunProcess(program);
        if (target < 1 || target >= kProcessCount || !IsFree(target))
            target = HighestFreeProcess();
        if (target < 0) {
            SetProcessError(process, kErrNoProcess);
            return;
        }
        // The power-up compile passes over programs whose type was never set.
        if (!HasCode(program) && !CompileProgram(program, process))
            return;
        if (!StartProgramOnProcess(program, target, kStateRunning, process))
            return;
    }
}

void KeywordDir(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    bool extended = false;
    if (!names.empty()) {
        if (names[0] == "F") {
            PrintFormatted(process, "No Flash Stick Present%c", kEndOfLineCr);
            return;
        }
        extended = names[0] == "X";
    }
    ProcessRecord* r = GetProcessRecord(process);
    if (r && MapChannel(r->outputChannel) == kDataChannel)
        PrintMachineDirectory(process, extended);
    else
        PrintHumanDirectory(process, extended);
}

namespace {

// The program a listing shows: named, or the selected one; -1 with the
// error set, and while the controller is locked (81).
int ListedProgram(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return -1;
    if (IsLocked()) {
        SetProcessError(process, kErrDirectoryLocked);
        return -1;
    }
    return NamedOrSelected(ops.names, process);
}

} // namespace

void KeywordList(const uint8_t* text, int& position, int limit, int process)
{
    int program = ListedProgram(text, position, limit, process);
    if (program < 0)
        return;
    for (int at = FindLine(program, 0); at >= 0 && !ProcessStopping(process); at = NextLine(program, at)) {
        const std::string line = ListedLine(program, at);
        if (!ListsWhole(line, process))
            return;
        PrintFormatted(process, "%s\r\n", line);
    }
}

void KeywordView(const uint8_t* text, int& position, int limit, int process)
{
    int program = ListedProgram(text, position, limit, process);
    if (program < 0)
        return;
    auto dump = [process](const char* title, int32_t start, int32_t end, bool breakOnLines) {
        PrintFormatted(process, "%r%i to %i", PoolAdd(title), start, end - 1);
        int inRow = 0;
        for (int32_t at = start; at < end; ++at) {
            if (at == start || inRow == 21) {
                PrintFormatted(process, "\r\n%i : ", at);
                inRow = 0;
            }
            static const char kDigits[] = "0123456789ABCDEF";
            uint8_t byte = g_MemoryBase[at];
            const char hex[] = {kDigits[byte >> 4], kDigits[byte & 15], 0};
            PrintFormatted(process, "%s", hex);
            ++inRow;
            if (breakOnLines && byte == kTokZero)
                inRow = 21;
        }
        PrintFormatted(process, "\r\n");
    };
    dump("Source code: from ", SourceStart(program), SourceEnd(program), true);
    dump("Object code: from ", CodeStart(program), CodeEnd(program), true);
}

void KeywordNew(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    std::string name;
    if (!names.empty()) {
        name = names[0];
    } else {
        int program = SelectedProgram();
        if (program < 0) {
            SetProcessError(process, kErrNoProgramSelected);
            return;
        }
        name = ProgramName(program);
    }
    if (DeleteProgram(name, process))
        ReplyOk(process);
}

void KeywordCopy(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    if (names.size() < 2) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    if (CopyProgram(names[0], names[1], process))
        ReplyOk(process);
}

void KeywordCompile(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int program = SelectedProgram();
    if (program < 0) {
        SetProcessError(process, kErrNoProgramSelected);
        return;
    }
    if (HasCode(program))
        return;
    ResourceClaim claim(process, kResourceProgramStore, program);
    if (IsProgramLocked(program)) {
        SetProcessError(process, kErrProgramLocked);
        return;
    }
    CompileProgram(program, process);
}

void KeywordAppendProgram(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    if (ops.texts.empty()) {
        SetProcessError(process, kErrQuotesExpected);
        return;
    }
    const std::string line = ops.texts[0].substr(0, static_cast<size_t>(kListLimit));
    int program = SelectedProgram();
    if (program < 0) {
        SetProcessError(process, kErrNoProgramSelected);
        return;
    }
    if (!MayBeChanged(program) || IsRunning(program)) {
        SetProcessError(process, kErrCannotEditProgram);
        return;
    }
    uint8_t tokens[kMaxLineRecord];
    int level = 0;
    int32_t error = 0;
    const int length = TokeniseIndentedLine(line, program, tokens, level, error);
    if (error != 0) {
        SetProcessError(process, error);
        return;
    }
    if (static_cast<int64_t>(ProgramAreaEnd()) + length + kLineHeaderSize >= static_cast<int64_t>(g_MemorySize)) {
        SetProcessError(process, kErrOutOfMemory);
        return;
    }
    InsertLine(SourceEnd(program) - 4, tokens, length, level, process);
}

void KeywordRun(const uint8_t* text, int& position, int limit, int process)
{
    if (Operands ops; ReadOperands(text, position, limit, process, ops))
        RunOrStep(ops, process, StartKind::Run);
}

void KeywordStepLine(const uint8_t* text, int& position, int limit, int process)
{
    if (Operands ops; ReadOperands(text, position, limit, process, ops))
        RunOrStep(ops, process, StartKind::Step);
}

void KeywordTron(const uint8_t* text, int& position, int limit, int process)
{
    if (Operands ops; ReadOperands(text, position, limit, process, ops))
        RunOrStep(ops, process, StartKind::Pause);
}

void KeywordStop(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    if (names.empty() && process != 0) {
        // A program's own STOP or END.
        SetProcessError(process, kErrProgramStopped);
        return;
    }
    int program;
    int target;
    if (!ResolveTarget(ops, process, false, program, target))
        return;
    if (target > 0) {
        if (!RunsProgram(target, program)) {
            SetProcessError(process, kErrNotRunningOnProcess);
            return;
        }
        if (target == process)
            SetProcessError(process, kErrProgramStopped);
        else
            SetProcessError(target, kErrProgramStopped);
        return;
    }
    bool any = false;
    bool self = false;
    for (int p = 1; p < kProcessCount; ++p) {
        if (!RunsProgram(p, program))
            continue;
        any = true;
        if (p == process)
            self = true;
        else
            SetProcessError(p, kErrProgramStopped);
    }
    if (self)
        SetProcessError(process, kErrProgramStopped);
    else if (!any && names.empty())
        SetProcessError(process, kErrProgramNotRunning);
}

void KeywordTroff(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int program;
    int target;
    if (!ResolveTarget(ops, process, true, program, target))
        return;
    if (ops.names.empty() && process != 0 && target < 0)
        target = process;
    auto paused = [](int p) {
        int32_t current = g_ProcessRecords[p].currentState;
        return current == kStatePaused || current == kStateStep;
    };
    if (target > 0) {
        if (!RunsProgram(target, program) || !paused(target)) {
            SetProcessError(process, kErrNotPausedOnProcess);
            return;
        }
        ResourceClaim claim(process, kResourceProcessControl, target);
        g_ProcessRecords[target].requestedState = kStateRunning;
    } else {
        bool any = false;
        for (int p = 1; p < kProcessCount; ++p) {
            if (RunsProgram(p, program) && paused(p)) {
                ResourceClaim claim(process, kResourceProcessControl, p);
                g_ProcessRecords[p].requestedState = kStateRunning;
                any = true;
            }
        }
        if (!any) {
            SetProcessError(process, kErrProgramNotPaused);
            return;
        }
    }
    if (process == 0)
        ReplyOk(process);
}

void KeywordProcMode(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* value = GetArgument(process, 0);
    if (value && value->integer != 0)
        g_RuntimeModeWord |= kProcModeBit;
    else
        g_RuntimeModeWord &= ~kProcModeBit;
}

void KeywordBreakList(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    auto list = [process](int program) {
        PrintFormatted(process, "Program: %z%c", ProgramNameInMemory(program), kEndOfLineCr);
        int index = 0;
        for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at), ++index) {
            if ((g_MemoryBase[at + 2] & 0x80) == 0)
                continue;
            std::string line =
                DetokeniseLine(g_MemoryBase, at + kLineHeaderSize, at + g_MemoryBase[at + 1], LexerModeOf(program));
            PrintFormatted(process, "%r%i: %s%c", PoolAdd("Line "), index, line, kEndOfLineCr);
        }
    };
    if (!names.empty()) {
        int program = FindProgram(names[0]);
        if (program < 0)
            SetProcessError(process, kErrProgramNotFound);
        else
            list(program);
        return;
    }
    for (int program = 0; program < kProgramCount; ++program) {
        if (ProgramExists(program) && HasCode(program))
            list(program);
    }
}

void KeywordBreakReset(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const std::vector<std::string>& names = ops.names;
    auto reset = [](int program) {
        for (int at = FindLine(program, 0); at >= 0; at = NextLine(program, at))
            g_MemoryBase[at + 2] &= 0x7F;
        // The compiled lines carry the mark in bit 23 of their line field.
        int position = 0;
        while (NextBreakpointLine(0, program, position, false) != 0)
            g_MemoryBase[position + 2] &= 0x7F;
    };
    if (!names.empty()) {
        int program = FindProgram(names[0]);
        if (program < 0)
            SetProcessError(process, kErrProgramNotFound);
        else
            reset(program);
        return;
    }
    for (int program = 0; program < kProgramCount; ++program) {
        if (ProgramExists(program) && HasCode(program))
            reset(program);
    }
}

std::string SRecord(const char* type, uint32_t address, const uint8_t* data, int count)
{
    std::string line = type;
    uint32_t sum = static_cast<uint32_t>(count + 4);
    uint8_t addressBytes[3] = {static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
                               static_cast<uint8_t>(address)};
    auto hex = [&line](uint8_t byte) {
        static const char kDigits[] = "0123456789abcdef";
        line += kDigits[byte >> 4];
        line += kDigits[byte & 15];
    };
    hex(static_cast<uint8_t>(count + 4));
    for (uint8_t b : addressBytes) {
        hex(b);
        sum += b;
    }
    for (int n = 0; n < count; ++n) {
        hex(data[n]);
        sum += data[n];
    }
    hex(static_cast<uint8_t>(~sum & 0xFF));
    return line;
}

void KeywordFlashDump(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    const uint8_t* image = GetFlashImage();
    const uint32_t size = image ? GetFlashSize() : 0;
    for (uint32_t at = 0; at < size; at += kSRecordBytes) {
        // A key at the terminal stops the dump; the key is taken.
        if (GetInputRing(process) >= 0 || ProcessStopping(process))
            return;
        int count = static_cast<int>(std::min<uint32_t>(kSRecordBytes, size - at));
        const char* type = at + kSRecordBytes >= size ? "S8" : "S2";
        PrintFormatted(process, "%s\r\n", SRecord(type, at, image + at, count));
    }
}

void KeywordEprom(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int32_t n = ops.Value(0, 0);
    if (n < 0 || n > 3) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (IsLocked()) {
        SetProcessError(process, kErrDirectoryLocked);
        return;
    }
    if (n == 0) {
        StoreProgramsInFlash(process);
        return;
    }
    // The simulator has no Flash Stick.
    SetProcessError(process, kErrFlashStickBlank);
}

void KeywordLoadProject(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    int32_t mode = ops.Value(0, 0);
    if (mode < 0 || mode > 2) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    LoadProject(process, mode);
}

void LoadProject(int process, int mode)
{
    ProjectLoader loader(process, mode);
    loader.Run();
}

void SetSystemLoaderHook(SystemLoaderHook hook)
{
    std::lock_guard<std::mutex> guard(g_LoaderLock);
    g_SystemLoader = std::move(hook);
}

void KeywordLoadSystem(const uint8_t* text, int& position, int limit, int process)
{
    Operands ops;
    if (!ReadOperands(text, position, limit, process, ops))
        return;
    ProcessRecord* r = GetProcessRecord(process);
    if (!r)
        return;
    if (MapChannel(r->outputChannel) == kDataChannel) {
        PrintFormatted(process, "OK\r%c\n%c", kDc4, kDc4);
        RuntimeSleep(500);
    } else {
        PrintFormatted(process, "WARNING: This will stop the controller\r\nContinue [Y/N] ? ");
        int key;
        for (;;) {
            key = ReadChar(process);
            if (key < 0)
                return;
            if (key >= 'a' && key <= 'z')
                key -= 'a' - 'A';
            EchoChar(process, key);
            EchoChar(process, 8);
            if (key == 'Y' || key == 'N')
                break;
        }
        if (key == 'N') {
            PrintFormatted(process, "\r\n");
            return;
        }
        PrintFormatted(process, "\r\nSystem will shut down in 5 seconds.\r\n");
        RuntimeSleep(5000);
    }
    // The simulator's port 0 is the window link, which has no line rate to
    // set: the loader takes over from here.
    SystemLoaderHook loader;
    {
        std::lock_guard<std::mutex> guard(g_LoaderLock);
        loader = g_SystemLoader;
    }
    if (loader)
        loader();
}

} // namespace qcrt
