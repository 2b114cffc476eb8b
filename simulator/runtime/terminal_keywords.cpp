#include "simulator/runtime/terminal_keywords.h"

#include <atomic>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flow_control.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/message_pool.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/resources.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kErrInvalidChannel = 71;
constexpr int kTerminalChannel = 3;
constexpr int kFirstWindow = 10;
constexpr int kLastWindow = 24;
constexpr int kInputLineLength = 78;
constexpr uint8_t kCr = 13;
constexpr uint8_t kBackspace = 8;
constexpr uint8_t kDelete = 127;
// FILETIME of 1 January 1970, in 100 ns units.
constexpr uint64_t kUnixEpoch = 116444736000000000ULL;

std::atomic<HistoryClear> g_HistoryClear{nullptr};

struct TerminalTexts {
    PoolOffset badInput = PoolAdd("Error in input parameter, please enter again.");
    PoolOffset days[7] = {PoolAdd("Sunday"),   PoolAdd("Monday"), PoolAdd("Tuesday"), PoolAdd("Wednesday"),
                          PoolAdd("Thursday"), PoolAdd("Friday"), PoolAdd("Saturday")};
};

const TerminalTexts& Texts()
{
    static const TerminalTexts texts;
    return texts;
}

bool Failed(int process)
{
    return GetProcessError(process) != 0;
}

// The window selection codes of terminal window n (10 to 24) on channel 3.
int WindowOpenCode(int window)
{
    return 129 + 8 * (window - 9);
}
int WindowCloseCode(int window)
{
    return 128 + 8 * (window - 9);
}

// The "#n" channel of a statement, when its code has one: the number, or
// false with the process's error set. The "," behind it is stepped over.
bool ReadHashChannel(const uint8_t* text, int& position, int limit, int process, bool& given, int32_t& n)
{
    given = false;
    if (position >= limit || text[position] != kTokHash)
        return true;
    ++position;
    n = TruncateToInt32(EvaluateExpression(text, position, limit, process));
    if (Failed(process))
        return false;
    if (position < limit && text[position] == kTokComma)
        ++position;
    given = true;
    return true;
}

// The input channel of GET, INPUT and LINPUT for "#n": 0 to 9 as they are,
// the terminal windows 10 to 24 on channel 3; -1 for any other number.
int InputChannelFor(int32_t n)
{
    if (n >= 0 && n <= 9)
        return n;
    if (n >= kFirstWindow && n <= kLastWindow)
        return kTerminalChannel;
    return -1;
}

// Reads the "#n" of an input statement into the channel the statement reads.
bool ReadInputChannel(const uint8_t* text, int& position, int limit, int process, int& channel)
{
    bool given = false;
    int32_t n = 0;
    channel = g_ProcessRecords[process].inputChannel;
    if (!ReadHashChannel(text, position, limit, process, given, n))
        return false;
    if (!given)
        return true;
    channel = InputChannelFor(n);
    if (channel < 0) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    return true;
}

// The start of GET, INPUT and LINPUT: the token, the "#n" channel and the
// first variable.
bool ReadInputStatement(const uint8_t* text, int& position, int limit, int process, int32_t missing, int& channel,
                        LoopVariable& variable)
{
    ++position; // the token
    return ReadInputChannel(text, position, limit, process, channel) &&
           ReadLoopVariable(text, position, limit, process, missing, variable);
}

// PRINT's number format behind an item: "[m]" or "[w, d]".
bool ReadNumberFormat(const uint8_t* text, int& position, int limit, int process, int& width, int& decimals)
{
    width = 0;
    decimals = 4;
    if (position >= limit || text[position] != kTokOpenSquare)
        return true;
    ++position;
    const float first = EvaluateExpression(text, position, limit, process);
    if (Failed(process))
        return false;
    if (position < limit && text[position] == kTokComma) {
        ++position;
        const float second = EvaluateExpression(text, position, limit, process);
        if (Failed(process))
            return false;
        width = TruncateToInt32(first);
        decimals = TruncateToInt32(second);
    } else {
        // One number: the integer part is the width and the first decimal
        // digit the decimals; without that digit the integer part is the
        // decimals and there is no width.
        const int32_t whole = TruncateToInt32(first);
        const int32_t digit = TruncateToInt32((first - static_cast<float>(whole)) * 10.0f + 0.5f);
        if (digit == 0) {
            width = 0;
            decimals = whole;
        } else {
            width = whole;
            decimals = digit;
        }
    }
    if (position >= limit || text[position] != kTokCloseSquare) {
        SetProcessError(process, kErrSquareBracketExpected);
        return false;
    }
    ++position;
    return true;
}

// The items of a PRINT statement, up to its closing separator. Returns
// whether the last item asked for no line end (";").
bool PrintItems(const uint8_t* text, int& position, int limit, int process)
{
    bool noLineEnd = false;
    while (position < limit && !Failed(process)) {
        const uint8_t token = text[position];
        if (token == kTokColon || token == kTokZero)
            break;
        noLineEnd = false;
        if (token == kTokQuotes) {
            std::string item;
            for (++position; position < limit && text[position] != kTokQuotes; ++position)
                item.push_back(static_cast<char>(text[position]));
            if (position >= limit) {
                SetProcessError(process, kErrQuotesExpected);
                break;
            }
            ++position;
            PrintFormatted(process, "%s", item);
        } else if (IsKeywordToken(token) && g_Keywords[token].classCode == kClassStringFunction) {
            ++position;
            CallKeyword(token, text, position, limit, process);
        } else {
            const float value = EvaluateExpression(text, position, limit, process);
            int width = 0;
            int decimals = 4;
            if (Failed(process) || !ReadNumberFormat(text, position, limit, process, width, decimals))
                break;
            PrintFormatted(process, "%*.*f", width, decimals, value);
        }
        if (Failed(process) || position >= limit)
            break;
        if (text[position] == kTokComma) {
            ++position;
            PrintFormatted(process, "     ");
        } else if (text[position] == kTokSemicolon) {
            ++position;
            noLineEnd = true;
        } else {
            break;
        }
    }
    return noLineEnd;
}

// The first argument of a handler's own bracketed list, as an integer.
bool OneIntegerArgument(const OwnArguments& args, int process, int32_t& value)
{
    if (!args.Ok())
        return false;
    if (args.Count() < 1) {
        SetProcessError(process, kErrCommaExpected);
        return false;
    }
    value = args[0].integer;
    return true;
}

// Parses an entry of INPUT: numbers separated by ",", as many as wanted.
bool ParseInputNumbers(const std::string& line, size_t wanted, std::vector<float>& values)
{
    values.clear();
    size_t at = 0;
    auto skipBlanks = [&]() {
        while (at < line.size() && line[at] == ' ')
            ++at;
    };
    while (values.size() < wanted) {
        skipBlanks();
        const size_t start = at;
        if (at < line.size() && (line[at] == '-' || line[at] == '+'))
            ++at;
        size_t digits = 0;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
            ++at;
            ++digits;
        }
        if (at < line.size() && line[at] == '.') {
            ++at;
            while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
                ++at;
                ++digits;
            }
        }
        if (digits == 0)
            return false;
        if (at < line.size() && (line[at] == 'e' || line[at] == 'E')) {
            size_t exponent = at + 1;
            if (exponent < line.size() && (line[exponent] == '-' || line[exponent] == '+'))
                ++exponent;
            if (exponent >= line.size() || line[exponent] < '0' || line[exponent] > '9')
                return false;
            at = exponent;
            while (at < line.size() && line[at] >= '0' && line[at] <= '9')
                ++at;
        }
        std::string number = line.substr(start, at - start);
        if (number[0] == '+')
            number.erase(0, 1);
        values.push_back(ParseNumber(number));
        skipBlanks();
        if (values.size() < wanted) {
            if (at >= line.size() || line[at] != ',')
                return false;
            ++at;
        }
    }
    skipBlanks();
    return at == line.size();
}

// Reads one line from the process's input channel, echoed, up to CR: at most
// 78 characters are kept. False when the process was stopped meanwhile.
bool ReadInputLine(int process, std::string& line)
{
    line.clear();
    for (;;) {
        const int c = ReadChannelChar(process);
        if (c < 0)
            return false;
        if (c == kCr) {
            PrintFormatted(process, "%c", kEndOfLineCr);
            return true;
        }
        if (c == kBackspace || c == kDelete) {
            if (!line.empty()) {
                line.pop_back();
                PrintFormatted(process, "%c %c", kBackspace, kBackspace);
            }
            continue;
        }
        if (c < ' ' || c > '~' || static_cast<int>(line.size()) >= kInputLineLength)
            continue;
        line.push_back(static_cast<char>(c));
        EchoChar(process, c);
    }
}

void SetResult(int process, float value)
{
    g_ProcessRecords[process].result = value;
}

// The form TIME = h : m : s, DATE = d : m : y or DAY = n: true when the code
// holds an assignment (the position then behind "=").
bool AssignmentForm(const uint8_t* text, int& position, int limit)
{
    if (position < limit && text[position] == kTokAssign) {
        ++position;
        return true;
    }
    return false;
}

// The next value of an assignment form; the ":" between the values is
// stepped over.
bool NextAssignedValue(const uint8_t* text, int& position, int limit, int process, bool first, int32_t& value)
{
    if (!first) {
        if (position >= limit || text[position] != kTokColon) {
            SetProcessError(process, kErrParameterOutOfRange);
            return false;
        }
        ++position;
    }
    value = TruncateToInt32(EvaluateExpression(text, position, limit, process));
    return !Failed(process);
}

} // namespace

// ---------------------------------------------------------------- clock

int DaysInMonth(int month, int year)
{
    switch (month) {
    case 2:
        return year % 4 == 0 ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
        return 30;
    default:
        return 31;
    }
}

int32_t DayNumber(int year, int month, int day)
{
    // Days from 1 March of year 0 of the Gregorian calendar (the month count
    // starting in March keeps the leap day at the end of the year).
    auto daysFromCivil = [](int64_t y, int64_t m, int64_t d) {
        y -= m <= 2 ? 1 : 0;
        const int64_t era = (y >= 0 ? y : y - 399) / 400;
        const int64_t yearOfEra = y - era * 400;
        const int64_t dayOfYear = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
        return era * 146097 + dayOfEra;
    };
    return static_cast<int32_t>(daysFromCivil(year, month, day) - daysFromCivil(1899, 12, 31));
}

LocalDateTime ReadLocalDateTime()
{
    const uint64_t now = GetTimeNow();
    const std::time_t seconds =
        static_cast<std::time_t>(now > kUnixEpoch ? (now - kUnixEpoch) / (kTicksPerMillisecond * 1000) : 0);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &seconds);
#else
    localtime_r(&seconds, &local);
#endif
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
            local.tm_min,         local.tm_sec,     local.tm_wday};
}

// ---------------------------------------------------------------- PRINT

void KeywordPrint(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    ++position; // the token
    bool given = false;
    int32_t n = 0;
    if (!ReadHashChannel(text, position, limit, process, given, n))
        return;
    int32_t channel = r.outputChannel;
    int window = 0;
    if (given) {
        if (n >= 0 && n <= 7) {
            channel = n;
        } else if (n >= kFirstWindow && n <= kLastWindow) {
            channel = kTerminalChannel;
            window = n;
        } else {
            SetProcessError(process, kErrInvalidChannel);
            return;
        }
    }
    ChannelScope output(r.outputChannel, channel);
    // The terminal channel's output of one statement is never interleaved
    // with another process's.
    std::optional<ResourceClaim> exclusive;
    if (MapChannel(channel) == kTerminalChannel)
        exclusive.emplace(process, kResourceTerminalOutput, -1);
    if (window != 0)
        EchoChar(process, WindowOpenCode(window));
    const bool noLineEnd = PrintItems(text, position, limit, process);
    if (!noLineEnd && !Failed(process))
        PrintFormatted(process, "%c", kEndOfLineCr);
    if (window != 0)
        EchoChar(process, WindowCloseCode(window));
}

// ---------------------------------------------------------------- input

void KeywordInput(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int channel = 0;
    LoopVariable first;
    if (!ReadInputStatement(text, position, limit, process, kErrIdentifierExpected, channel, first))
        return;
    std::vector<LoopVariable> variables{first};
    while (position < limit && text[position] == kTokComma) {
        ++position;
        LoopVariable v;
        if (!ReadLoopVariable(text, position, limit, process, kErrIdentifierExpected, v))
            return;
        variables.push_back(v);
    }
    std::vector<float> values;
    {
        ChannelScope input(r.inputChannel, channel);
        std::string line;
        for (;;) {
            if (!ReadInputLine(process, line))
                return;
            if (ParseInputNumbers(line, variables.size(), values))
                break;
            PrintFormatted(process, "%r%c", Texts().badInput, kEndOfLineCr);
        }
    }
    for (size_t k = 0; k < variables.size() && !Failed(process); ++k)
        SetLoopValue(variables[k], values[k], process);
}

void KeywordGet(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int channel = 0;
    LoopVariable v;
    if (!ReadInputStatement(text, position, limit, process, kErrIdentifierExpected, channel, v))
        return;
    int c = -1;
    {
        ChannelScope input(r.inputChannel, channel);
        c = GetInputRing(process);
        const ChannelRecord* record = GetChannelRecord(MapChannel(channel));
        if (c >= 0 && record && record->inputMode == kInputKeypad)
            c = g_KeypadTable[c];
    }
    if (c >= 0)
        SetLoopValue(v, static_cast<float>(c), process);
}

void KeywordLineInput(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int channel = 0;
    LoopVariable v;
    if (!ReadInputStatement(text, position, limit, process, kErrVrExpected, channel, v))
        return;
    if (v.kind != kLoopVariableVr) {
        SetProcessError(process, kErrVrExpected);
        return;
    }
    if (v.number < 0 || v.number >= kVrCount) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    ChannelScope input(r.inputChannel, channel);
    for (int32_t index = v.number; index < kVrCount; ++index) {
        const int c = WaitInputChar(process);
        if (c < 0)
            return;
        WriteVr(index, static_cast<float>(c), process);
        if (c == kCr)
            return;
    }
}

void KeywordKey(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    ++position;
    bool given = false;
    int32_t n = 0;
    if (!ReadHashChannel(text, position, limit, process, given, n))
        return;
    int channel = r.inputChannel;
    if (given) {
        if (n >= 0 && n <= 9) {
            channel = n;
        } else if (n >= 101 && n <= 109) {
            // The channel-status form: whether input waits on channel n - 100.
            channel = n - 100;
        } else {
            SetProcessError(process, kErrParameterOutOfRange);
            return;
        }
    }
    ChannelScope input(r.inputChannel, channel);
    SetResult(process, CharWaiting(process) ? -1.0f : 0.0f);
}

// ---------------------------------------------------------------- string functions

void KeywordChr(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    int32_t code = 0;
    if (OneIntegerArgument(args, process, code))
        EchoChar(process, code & 0xFF);
}

void KeywordHex(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    int32_t value = 0;
    if (!OneIntegerArgument(args, process, value))
        return;
    if (value < -8388608 || value > 16777215) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    PrintFormatted(process, "%x", value & 0xFFFFFF);
}

void KeywordCursor(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    int32_t column = 0;
    if (!OneIntegerArgument(args, process, column))
        return;
    if (column < 0 || column > 79) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    PrintFormatted(process, "%c%c%c", 27, 72, column);
}

void KeywordVrString(const uint8_t*, int&, int, int process)
{
    // The keyword call has evaluated the argument.
    const ArgumentValue* first = GetArgument(process, 0);
    if (!first) {
        SetProcessError(process, kErrCommaExpected);
        return;
    }
    if (first->integer < 0 || first->integer >= kVrCount) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    std::string characters;
    for (int32_t index = first->integer; index <= kVrCount - 2; ++index) {
        const int32_t code = TruncateToInt32(ReadVr(index, process));
        if (code == 0)
            break;
        characters.push_back(static_cast<char>(code & 0xFF));
    }
    if (!characters.empty())
        PrintFormatted(process, "%s", characters);
}

void KeywordTimeText(const uint8_t*, int& position, int, int process)
{
    ++position;
    const LocalDateTime now = ReadLocalDateTime();
    PrintFormatted(process, "%i%i:%i%i:%i%i", now.hour / 10, now.hour % 10, now.minute / 10, now.minute % 10,
                   now.second / 10, now.second % 10);
}

void KeywordDateText(const uint8_t*, int& position, int, int process)
{
    ++position;
    const LocalDateTime now = ReadLocalDateTime();
    const int year = now.year % 100;
    PrintFormatted(process, "%i%i/%i%i/%i%i", now.day / 10, now.day % 10, now.month / 10, now.month % 10, year / 10,
                   year % 10);
}

void KeywordDayText(const uint8_t*, int& position, int, int process)
{
    ++position;
    const LocalDateTime now = ReadLocalDateTime();
    PrintFormatted(process, "%r", Texts().days[now.weekday % 7]);
}

// ---------------------------------------------------------------- clock keywords

void KeywordTime(const uint8_t* text, int& position, int limit, int process)
{
    ++position;
    if (!AssignmentForm(text, position, limit)) {
        const LocalDateTime now = ReadLocalDateTime();
        SetResult(process, static_cast<float>(now.hour * 3600 + now.minute * 60 + now.second));
        return;
    }
    // The clock is the PC's: the form is checked and changes nothing.
    int32_t h = 0, m = 0, s = 0;
    if (!NextAssignedValue(text, position, limit, process, true, h) ||
        !NextAssignedValue(text, position, limit, process, false, m) ||
        !NextAssignedValue(text, position, limit, process, false, s))
        return;
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        SetProcessError(process, kErrParameterOutOfRange);
}

void KeywordDate(const uint8_t* text, int& position, int limit, int process)
{
    ++position;
    if (!AssignmentForm(text, position, limit)) {
        const LocalDateTime now = ReadLocalDateTime();
        SetResult(process, static_cast<float>(DayNumber(now.year, now.month, now.day)));
        return;
    }
    int32_t d = 0, m = 0, y = 0;
    if (!NextAssignedValue(text, position, limit, process, true, d))
        return;
    if (d < 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (!NextAssignedValue(text, position, limit, process, false, m) ||
        !NextAssignedValue(text, position, limit, process, false, y))
        return;
    if (m < 1 || m > 12 || d > DaysInMonth(m, y))
        SetProcessError(process, kErrParameterOutOfRange);
}

void KeywordDay(const uint8_t* text, int& position, int limit, int process)
{
    ++position;
    if (!AssignmentForm(text, position, limit)) {
        SetResult(process, static_cast<float>(ReadLocalDateTime().weekday));
        return;
    }
    int32_t n = 0;
    if (!NextAssignedValue(text, position, limit, process, true, n))
        return;
    if (n < 0 || n > 6)
        SetProcessError(process, kErrParameterOutOfRange);
}

// ---------------------------------------------------------------- system state

void KeywordBatteryLow(const uint8_t*, int& position, int, int process)
{
    ++position;
    SetResult(process, 0.0f); // the simulator's memory needs no battery
}

void SetHistoryClear(HistoryClear clear)
{
    g_HistoryClear.store(clear);
}

void KeywordVqe(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok())
        return;
    if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
        return;
    if (args.Count() > 0) {
        g_LinkProtocolMode = args[0].integer;
        if (HistoryClear clear = g_HistoryClear.load())
            clear();
    }
    SetResult(process, static_cast<float>(g_LinkProtocolMode));
}

} // namespace qcrt
