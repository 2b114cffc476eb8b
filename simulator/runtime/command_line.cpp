#include "simulator/runtime/command_line.h"
#include "simulator/runtime/lock.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/channels.h"
#include "simulator/runtime/checksums.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/lexer.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/modbus.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/ports.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_commands.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/system_keywords.h"
#include "simulator/runtime/terminal_keywords.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

int32_t g_DigitalInputs = 32;
int32_t g_AnalogInputs = 0;
int32_t g_SlotBoardTypes[kSlotCount] = {};
bool g_StartingUp = false;
int32_t g_MemoryFault = -1;

namespace {

constexpr uint8_t kBel = 7;
constexpr uint8_t kBs = 8;

constexpr int kMajorVersion = 1;
constexpr int kMinorVersion = 65;
constexpr int kProcessesInitialised = 15;
constexpr uint32_t kSystemRamStart = 0x100000;
constexpr uint32_t kSystemRamLength = 0x20000;
constexpr int kCommandCodeSize = 512;

uint32_t NoMemoryFault(uint32_t, uint32_t, int, int)
{
    return 0;
}
std::atomic<MemoryTestHook> g_MemoryTest{NoMemoryFault};

// The history of typed lines; g_HistoryWrite is the entry the next line goes to.
char g_History[kHistoryEntries][kLineBufferSize];
int g_HistoryWrite = 0;

// Command lines being executed: one of the channel-8 service may run inside
// a typed one that waits for a key.
int g_ExecutionDepth = 0;

// Command channel 8.
struct CommandChannelState {
    uint8_t buffer[kCommandBufferSize];
    int length = 0;
    bool started = false;
};
CommandChannelState g_Command;
// The process whose command from channel 8 is running and whose reply has
// not been ended yet; -1 when none. Read by any process that loads a program.
std::atomic<int> g_ReplyProcess{-1};

bool IsWordChar(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// The line being edited and its cursor; the echo goes to the process's
// output channel.
class LineEditor {
public:
    LineEditor(int process, char* buffer, int maximum) : m_process(process), m_line(buffer), m_maximum(maximum)
    {
        m_line[0] = 0;
        m_browse = g_HistoryWrite;
    }

    // False when the read ended without Enter.
    bool Run()
    {
        for (;;) {
            int key = ReadChar(m_process);
            if (key < 0)
                return false;
            if (key == 13) {
                if (m_length >= m_maximum)
                    m_length = m_cursor; // no terminator before the maximum
                m_line[m_length] = 0;
                Echo("\r\n");
                return true;
            }
            if (key == 0) {
                int second = ReadChar(m_process);
                if (second < 0)
                    return false;
                CursorKey(second);
            } else if (key >= 32) {
                Printable(static_cast<char>(key));
            } else {
                ControlKey(key);
            }
        }
    }

private:
    void Echo(int c) { EchoChar(m_process, c); }
    void Echo(const char* text)
    {
        for (; *text; ++text)
            Echo(static_cast<uint8_t>(*text));
    }
    void EchoRepeated(int c, int count)
    {
        for (int n = 0; n < count; ++n)
            Echo(c);
    }
    void Bell()
    {
        if (ProcessRecord* r = GetProcessRecord(m_process); r && r->outputChannel < 8)
            Echo(kBel);
    }
    // The line from the cursor on, then the cursor back where it was;
    // blanks clears that many characters left over behind the line's end.
    void RedrawFromCursor(int blanks)
    {
        for (int n = m_cursor; n < m_length; ++n)
            Echo(static_cast<uint8_t>(m_line[n]));
        EchoRepeated(' ', blanks);
        EchoRepeated(kBs, m_length - m_cursor + blanks);
    }
    void MoveTo(int target)
    {
        target = std::clamp(target, 0, m_length);
        while (m_cursor > target) {
            Echo(kBs);
            --m_cursor;
        }
        while (m_cursor < target)
            Echo(static_cast<uint8_t>(m_line[m_cursor++]));
    }
    void Clear()
    {
        m_length = 0;
        m_cursor = 0;
        m_line[0] = 0;
    }
    void Abort()
    {
        PrintFormatted(m_process, "\r\n>>");
        Clear();
    }

    int NextWordStart(int from) const
    {
        int at = from;
        while (at < m_length && IsWordChar(m_line[at]))
            ++at;
        while (at < m_length && !IsWordChar(m_line[at]))
            ++at;
        return at;
    }

    void Printable(char c)
    {
        if (m_insert) {
            if (m_cursor >= m_maximum - 1) {
                Bell();
                return;
            }
            int length = std::min(m_length + 1, m_maximum);
            for (int n = length - 1; n > m_cursor; --n)
                m_line[n] = m_line[n - 1];
            m_line[m_cursor] = c;
            m_length = length;
            m_line[m_length] = 0;
            ++m_cursor;
            Echo(static_cast<uint8_t>(c));
            RedrawFromCursor(0);
            return;
        }
        if (m_cursor >= m_maximum) {
            Bell();
            return;
        }
        m_line[m_cursor] = c;
        if (m_cursor == m_length)
            m_line[++m_length] = 0;
        ++m_cursor;
        Echo(static_cast<uint8_t>(c));
    }

    void DeleteAt(int at, int count)
    {
        std::memmove(m_line + at, m_line + at + count, static_cast<size_t>(m_length - at - count));
        m_length -= count;
        m_line[m_length] = 0;
    }

    void ControlKey(int key)
    {
        switch (key) {
        case 8: // Backspace
            if (m_cursor > 0) {
                Echo(kBs);
                --m_cursor;
                DeleteAt(m_cursor, 1);
                RedrawFromCursor(1);
            }
            return;
        case 1: { // Ctrl-A: delete to the end of the line
            int removed = m_length - m_cursor;
            EchoRepeated(' ', removed);
            EchoRepeated(kBs, removed);
            m_length = m_cursor;
            m_line[m_length] = 0;
            return;
        }
        case 2: // Ctrl-B
            MoveTo(0);
            return;
        case 3: // Ctrl-C
            Abort();
            return;
        case 4: // Ctrl-D
            if (m_cursor < m_length) {
                DeleteAt(m_cursor, 1);
                RedrawFromCursor(1);
            }
            return;
        case 5: // Ctrl-E
            MoveTo(m_length);
            return;
        case 9: { // Tab: the next word, or round to the first one
            int at = NextWordStart(m_cursor);
            if (at >= m_length)
                at = IsWordChar(m_line[0]) ? 0 : NextWordStart(0);
            MoveTo(at);
            return;
        }
        case 20: // Ctrl-T
            m_insert = !m_insert;
            return;
        case 22: // Ctrl-V
            PrintHelp();
            Abort();
            return;
        case 23: { // Ctrl-W: the separators up to the next word
            int end = m_cursor;
            while (end < m_length && !IsWordChar(m_line[end]))
                ++end;
            if (end > m_cursor) {
                int removed = end - m_cursor;
                DeleteAt(m_cursor, removed);
                RedrawFromCursor(removed);
            }
            return;
        }
        case 24: // Ctrl-X
            MoveTo(NextWordStart(m_cursor));
            return;
        case 26: { // Ctrl-Z: the start of the word to the left
            int at = m_cursor;
            while (at > 0 && !IsWordChar(m_line[at - 1]))
                --at;
            while (at > 0 && IsWordChar(m_line[at - 1]))
                --at;
            MoveTo(at);
            return;
        }
        default:
            PrintFormatted(m_process, "\nControl char : 0x%x\r\n>>", key);
            return;
        }
    }

    void CursorKey(int key)
    {
        switch (key) {
        case 0:
            if (m_cursor > 0)
                MoveTo(m_cursor - 1);
            return;
        case 1:
            if (m_cursor < m_length)
                MoveTo(m_cursor + 1);
            return;
        case 2:
        case 3:
            Browse(key == 2 ? kHistoryEntries - 1 : 1);
            return;
        default:
            Bell();
            return;
        }
    }

    void Browse(int step)
    {
        for (int n = 0; n < kHistoryEntries; ++n) {
            m_browse = (m_browse + step) % kHistoryEntries;
            if (g_History[m_browse][0] == 0)
                continue;
            EchoRepeated(kBs, m_cursor);
            EchoRepeated(' ', m_length);
            EchoRepeated(kBs, m_length);
            int length = static_cast<int>(strnlen(g_History[m_browse], kLineBufferSize));
            m_length = std::min(length, m_maximum);
            std::memcpy(m_line, g_History[m_browse], static_cast<size_t>(m_length));
            m_line[m_length] = 0;
            m_cursor = 0;
            MoveTo(m_length);
            return;
        }
    }

    void PrintHelp()
    {
        static const char* const kHelp[] = {
            "\nCommand line editing keys:\r\n\n",
            "\tctl-a: del to the end of the line\r\n",
            "\tctl-e: go end of the line\r\n",
            "\tctl-b: go start of the line\r\n",
            "\tctl-z: go the start of the left word\r\n",
            "\tctl-x: go the start of the right word\r\n",
            "\ttab  : go the start of the next word\r\n",
            "\tctl-t: toggle insert mode\r\n",
            "\tctl-v: view history buffer\r\n",
            "\tctl-c: abort this edit & reset the line\r\n",
            "\n\nHistory buffer:\r\n",
        };
        for (const char* line : kHelp)
            PrintFormatted(m_process, "%s", line);
        for (int n = 1; n <= kHistoryEntries; ++n) {
            const char* entry = g_History[(g_HistoryWrite + kHistoryEntries - n) % kHistoryEntries];
            if (entry[0] != 0)
                PrintFormatted(m_process, "\r\n    %s", std::string(entry, strnlen(entry, kLineBufferSize)));
        }
        PrintFormatted(m_process, "\r\n");
    }

    int m_process;
    char* m_line;
    int m_maximum;
    int m_length = 0;
    int m_cursor = 0;
    bool m_insert = true;
    int m_browse = 0;
};

void StoreInHistory(const char* line)
{
    const char* recent = g_History[(g_HistoryWrite + kHistoryEntries - 1) % kHistoryEntries];
    if (std::strncmp(recent, line, kLineBufferSize) == 0)
        return;
    char* entry = g_History[g_HistoryWrite];
    std::memset(entry, 0, kLineBufferSize);
    std::memcpy(entry, line, strnlen(line, kLineBufferSize - 1));
    g_HistoryWrite = (g_HistoryWrite + 1) % kHistoryEntries;
}

bool StopRequested()
{
    return g_ProcessRecords[0].stopRequest.load() != 0 || g_RuntimeStopping.load();
}

// Reads the stored TABLE from flash when its mark says there is one.
void ReadFlashTable(int process)
{
    const uint8_t* flash = GetFlashImage();
    uint64_t needed = uint64_t{kFlashTableOffset} + 1 + uint64_t{kTableEntries} * 4;
    if (!flash || GetFlashSize() < needed || flash[kFlashTableOffset] != 0)
        return;
    PrintFormatted(process, "Reading FLASH table\r\n");
    for (int32_t n = 0; n < kTableEntries; ++n) {
        int at = static_cast<int>(kFlashTableOffset + 1 + 4 * static_cast<uint32_t>(n));
        WriteTable(n, GetFloat(flash, at), process);
    }
}

void PrintBanner(int process)
{
    PrintFormatted(process, "%c0\r\nVexo Labs Ltd\r\n\n", kEsc);
    PrintFormatted(process, "%r %i.%02i\r\n", PoolAdd("QC Multitasking BASIC Version"), kMajorVersion,
                   kMinorVersion);
    PrintFormatted(process, "%r %s @ %s\r\n\n", PoolAdd("Created"), BuildDate(), BuildTime());
    PrintFormatted(process, "Axes initialised: %i\r\n", kAxisCount);
    static const struct {
        const char* label;
        int32_t type;
    } kBoards[] = {
        {"\r\nCAN comms boards       : ", 20}, {"USB comms boards       : ", 21}, {"SLM comms boards       : ", 22},
        {"SERCOS comms boards    : ", 24},     {"Profibus comms boards  : ", 23}, {"Ethernet comms boards  : ", 25},
        {"Analog feedback boards : ", 28},     {"Enhanced CAN boards    : ", 29}, {"EthernetIP comms boards: ", 30},
    };
    for (const auto& board : kBoards)
        PrintBoardList(process, board.label, board.type);
    PrintFormatted(process, "%r0-%i\r\n", PoolAdd("\r\nInput numbers: "), g_DigitalInputs - 1);
    PrintFormatted(process, "%r8-%i\r\n\n", PoolAdd("Output numbers: "), g_DigitalInputs - 1);
    PrintFormatted(process, "%r%i\r\n\n", PoolAdd("Analog Inputs: "), g_AnalogInputs);
    PrintFormatted(process, "%r%i\r\n\n", PoolAdd("Processes initialised: "), kProcessesInitialised);
}

void RunMemoryTests(int process)
{
    MemoryTestHook test = g_MemoryTest.load();
    PrintFormatted(process, "Test APPS RAM: ");
    if (uint32_t at = test(0, g_MemorySize, 8, 0); at != 0) {
        PrintFormatted(process, "Error at %i\r\n", static_cast<int32_t>(at));
        g_MemoryFault = 0;
    } else {
        PrintFormatted(process, "Success\r\n");
    }
    PrintFormatted(process, "Test System RAM: ");
    if (uint32_t at = test(kSystemRamStart, kSystemRamLength, 16, 0); at != 0) {
        PrintFormatted(process, "Error at low word %i\r\n", static_cast<int32_t>(at));
        g_MemoryFault = 1;
    } else if (uint32_t high = test(kSystemRamStart, kSystemRamLength, 16, 16); high != 0) {
        PrintFormatted(process, "Error at high word %i\r\n\n", static_cast<int32_t>(high));
        g_MemoryFault = 2;
    } else {
        PrintFormatted(process, "Success\r\n\n");
    }
}

// The power-up state of the tables.
void SetPowerUpState()
{
    for (AxisRecord& axis : g_AxisRecords)
        axis = AxisRecord{};
    SetAxisDefaults();
    InitProcessTable();
    BindMemoryImages();
    InitChannels();
    InitPorts();
    ResetCommandChannel();
    ResetUnlockFailures();
    ProcessRecord& commandLine = g_ProcessRecords[0];
    commandLine.processNumber = 0;
    commandLine.inputChannel = 0;
    commandLine.outputChannel = 0;
    SetSystemDefaults(); // VERSION among them
    g_DigitalInputs = 32;
    for (int32_t& type : g_SlotBoardTypes)
        type = 0;
    g_MemoryFault = -1;
    g_ServoRunning.store(true);
    InstallInterpreter();
    SetCommandChannelService(ServiceCommandChannel);
    InstallModbus();
}

} // namespace

const char* BuildDate()
{
    return __DATE__;
}

const char* BuildTime()
{
    return __TIME__;
}

void SetMemoryTestHook(MemoryTestHook hook)
{
    g_MemoryTest.store(hook ? hook : NoMemoryFault);
}

void ClearHistory()
{
    std::memset(g_History, 0, sizeof g_History);
    g_HistoryWrite = 0;
}

void ResetCommandChannel()
{
    g_Command = CommandChannelState{};
    g_ReplyProcess.store(-1);
}

void PrintBoardList(int process, const char* label, int32_t boardType)
{
    std::string numbers;
    for (int axis = 0; axis < kAxisCount; ++axis) {
        if (g_AxisRecords[axis].GetInt(kAxisType) == boardType)
            numbers += std::to_string(axis) + " ";
    }
    if (numbers.empty()) {
        for (int slot = 0; slot < kSlotCount; ++slot) {
            if (g_SlotBoardTypes[slot] == boardType)
                numbers += std::to_string(slot) + " ";
        }
    }
    if (numbers.empty())
        numbers = "None";
    PrintFormatted(process, "%s%s\r\n", label, numbers);
}

int ControllerStartup()
{
    constexpr int process = 0;
    SetPowerUpState();
    RuntimeSleep(500);
    // A CAN board would be set up here; the simulator's slots hold none.

    g_StartingUp = true;
    PrintBanner(process);
    RunMemoryTests(process);

    RestoreMemory(process);
    bool directoryValid = DirectoryValid();
    PrintFormatted(process, "\nTotal memory available: %i\r\n",
                   static_cast<int32_t>(g_MemorySize) - ProgramAreaEnd());
    ReadFlashTable(process);
    PrintFormatted(process, "\n");

    FindSpecialKeywords();
    RuntimeSleep(1000);

    SetProcessError(process, kErrNone);
    if (!CharWaiting(process) && directoryValid && CompileAllPrograms(process))
        StartPowerUpPrograms(process);
    if (int32_t error = GetProcessError(process); error != 0) {
        SetProcessError(process, kErrNone);
        ReportAutorunError(process, error);
    }
    if (!directoryValid)
        ReportPowerUpError(process, kErrDirectoryStructureInvalid);

    BuildCrc16Table();
    CommandLineLoop();
    g_StartingUp = false;
    return 0;
}

void CommandLineLoop()
{
    ClearHistory();
    SetHistoryClear(ClearHistory); // VQE with an argument clears it too
    if (StopRequested())
        return;
    char line[kLineBufferSize];
    for (;;) {
        PrintFormatted(0, ">>");
        SetProcessError(0, kErrNone);
        bool read = ReadCommandLine(0, line, kCommandLineMaximum);
        if (StopRequested())
            return;
        if (!read || line[0] == 0)
            continue;
        StoreInHistory(line);
        ExecuteCommandLine(line);
        if (StopRequested())
            return;
    }
}

bool ReadCommandLine(int process, char* buffer, int maximum)
{
    maximum = std::clamp(maximum, 1, kLineBufferSize - 1);
    LineEditor editor(process, buffer, maximum);
    return editor.Run();
}

void ExecuteCommandLine(const char* line)
{
    constexpr int process = 0;
    ProcessRecord& r = g_ProcessRecords[0];
    uint8_t tokens[kLineBufferSize * 2];
    int32_t error = 0;
    int tokenLength =
        TokeniseLine(std::string_view(line, strnlen(line, kLineBufferSize)), tokens, sizeof tokens, kLexerModeBasic,
                     error);
    int first = tokenLength > 0 && tokens[0] == kTokSpace ? 1 : 0;
    if (error == 0 && (tokenLength <= first || tokens[first] == kTokZero || tokens[first] == kTokComment))
        return;

    // The code lives on this call's stack for as long as the line runs; jump
    // fields are relative to its start. A command of the channel-8 service
    // may run while a typed command waits for a key, so the execution fields
    // of process 0 are put back afterwards.
    uint8_t code[kCommandCodeSize];
    int codeLength = 0;
    bool compiled;
    {
        ResourceClaim claim(process, kResourceCompile, -1);
        SetProcessError(process, kErrNone);
        compiled = error == 0 && CompileCommandLine(tokens + first, tokenLength - first, code, sizeof code,
                                                    codeLength, process);
        // GLOBAL and CONSTANT names used on the line stand for their VR or value.
        if (compiled)
            BindDeclaredNames(process, kCommandLineText);
    }
    if (error != 0)
        SetProcessError(process, error);

    if (compiled) {
        const uint8_t* savedText = r.text;
        const int32_t saved[] = {r.position, r.lowBound, r.highBound, r.base, r.codeProgram, r.currentLine};
        if (g_ExecutionDepth == 0)
            ResetArguments(process);
        // A typed line's FOR and GOSUB entries are its own: a loop that an
        // error left open ends with its line. A line run while another waits
        // stacks above that line's entries and leaves them as they were.
        const int32_t forDepth = g_ExecutionDepth == 0 ? 0 : r.forDepth;
        const int32_t gosubDepth = g_ExecutionDepth == 0 ? 0 : r.gosubDepth;
        r.forDepth = forDepth;
        r.gosubDepth = gosubDepth;
        ++g_ExecutionDepth;
        r.valueDepth = 0;
        r.text = code;
        r.lowBound = 0;
        r.highBound = codeLength;
        r.base = 0;
        r.codeProgram = -1;
        r.currentLine = 0;
        int position = 0;
        while (position < codeLength && r.errorNumber == 0 && !StopRequested()) {
            uint8_t token = code[position];
            if (token == kTokZero || token == kTokComment)
                break;
            if (token == kTokColon || token == kTokLabel) {
                ++position;
                continue;
            }
            r.statementStart = position;
            r.statementAxis = 0;
            r.modifierProcess = 0;
            r.modifierSlot = 0;
            r.modifierPort = 0;
            r.hashChannel = -1;
            ExecuteStatement(code, position, codeLength, process);
            r.position = position;
        }
        --g_ExecutionDepth;
        r.forDepth = forDepth;
        r.gosubDepth = gosubDepth;
        r.text = savedText;
        r.position = saved[0];
        r.lowBound = saved[1];
        r.highBound = saved[2];
        r.base = saved[3];
        r.codeProgram = saved[4];
        r.currentLine = saved[5];
    }
    if (int32_t pending = GetProcessError(process); pending != 0) {
        SetProcessError(process, kErrNone);
        ReportCommandLineError(process, pending);
    }
}

void ServiceCommandChannel(int process)
{
    if (!CharWaiting(process))
        return;
    int c = ReadChannelChar(process);
    if (c < 0)
        return;
    CommandChannelState& s = g_Command;
    const uint8_t byte = static_cast<uint8_t>(c);
    if (byte != kDc2 && byte != kDc4) {
        if (byte == kStx) {
            // A frame starts here: whatever came before it is dropped.
            s.buffer[0] = kStx;
            s.length = 1;
        } else if (byte == kLf) {
            s.started = true;
        } else {
            s.buffer[s.length] = byte;
            if (s.length < kCommandBufferSize - 2)
                ++s.length;
        }
        return;
    }
    if (!s.started)
        return;
    const int length = s.length;
    s.length = 0;
    s.started = false;
    std::string text(reinterpret_cast<const char*>(s.buffer), static_cast<size_t>(length));

    if (g_LinkProtocolMode == 3) {
        bool good = length > 4 && s.buffer[0] == kStx && s.buffer[length - 4] == kEtx;
        if (good) {
            uint8_t check[3];
            EncodeFrameCrc(Crc16(s.buffer + 1, static_cast<size_t>(length - 4)), check);
            good = std::memcmp(check, s.buffer + length - 3, 3) == 0;
        }
        if (!good) {
            EchoChar(process, kNak);
            return;
        }
        EchoChar(process, kAck);
        g_ReplyProcess.store(process);
        ExecuteCommandLine(text.substr(1, static_cast<size_t>(length - 5)).c_str());
        EndCommandReply(process);
        return;
    }
    if (byte == kDc2) {
        PrintFormatted(process, "%s\n!\n%c", text, kDc2);
        return;
    }
    PrintFormatted(process, "%s%c", text, kEndOfLineLf);
    g_ReplyProcess.store(process);
    ExecuteCommandLine(text.c_str());
    EndCommandReply(process);
}

void EndCommandReply(int process)
{
    int running = process;
    if (!g_ReplyProcess.compare_exchange_strong(running, -1))
        return;
    PrintFormatted(process, "%c", kEndOfLineLf);
}

} // namespace qcrt
