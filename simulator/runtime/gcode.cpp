#include "simulator/runtime/gcode.h"

#include <cmath>
#include <cstring>
#include <string>

#include "simulator/runtime/compiler.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/interpreter.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kErrInvalidCommand = 99;
constexpr int32_t kErrInvalidParameter = 100;
constexpr int32_t kErrTooManyTokensInBlock = 101;

constexpr int32_t kNoGroup = -1;
constexpr char kParameterLetters[] = "XYZIJKRPDHQ"; // slots 0 to 10, in order
static_assert(sizeof(kParameterLetters) - 1 == kGcodeParameterSlots);

// The supported G and M numbers, as ranges of rows that share their group,
// priority and letters; every row hands its word to the serving program.
struct WordRows {
    int first;
    int last;
    int32_t group;
    int32_t priority;
    const char* accepted;
};

constexpr WordRows kGRows[] = {
    {0, 1, 1, 20, "XYZ"},
    {2, 3, 1, 20, "XYZIJKR"},
    {4, 4, 0, 10, "P"},
    {8, 9, 0, 17, ""},
    {20, 21, 5, 12, ""},
    {28, 29, 0, 19, "XYZ"},
    {40, 42, 6, 13, "D"},
    {43, 44, 7, 14, "H"},
    {49, 49, 7, 14, ""},
    {54, 59, 9, 15, ""},
    {70, 71, 5, 12, ""},
    {80, 80, 1, 20, ""},
    {81, 89, 1, 20, kParameterLetters},
    {90, 91, 3, 17, ""},
    {93, 94, 4, 2, ""},
    {98, 99, 8, 18, kParameterLetters},
};

constexpr WordRows kMRows[] = {
    {0, 2, 11, 21, ""},  {3, 5, 13, 7, ""},   {6, 6, 12, 6, ""},   {7, 9, 14, 8, ""},
    {13, 13, 63, 31, ""}, {30, 30, 11, 21, ""}, {31, 47, 63, 31, ""}, {48, 49, 15, 31, ""},
    {50, 59, 63, 31, ""}, {60, 60, 11, 21, ""}, {61, 99, 63, 31, ""},
};

template <size_t N> const WordRows* FindRow(const WordRows (&rows)[N], float value)
{
    // Only a whole number that a row names has a row (NaN matches none).
    if (!(value >= 0.0f && value <= 99.0f) || value != std::floor(value))
        return nullptr;
    const int number = static_cast<int>(value);
    for (const WordRows& row : rows) {
        if (number >= row.first && number <= row.last)
            return &row;
    }
    return nullptr;
}

GcodeProcessState g_Gcode[kProcessCount];

// The letter of an address keyword of G code ("G", "X" ...), 0 for any
// other token.
char AddressLetter(uint8_t token)
{
    if (!IsKeywordToken(token))
        return 0;
    const char* name = g_Keywords[token].name;
    return name[0] != 0 && name[1] == 0 ? name[0] : 0;
}

int ParameterSlot(char letter)
{
    const char* at = letter != 0 ? std::strchr(kParameterLetters, letter) : nullptr;
    return at ? static_cast<int>(at - kParameterLetters) : -1;
}

bool Pending(int process)
{
    return GetProcessError(process) != 0;
}

// A local variable number of "#": 0 to 1022, else error 19.
bool LocalNumber(float value, int process, int32_t& slot)
{
    if (!(value >= 0.0f && value < static_cast<float>(kLocalVariables))) {
        SetProcessError(process, kErrParameterOutOfRange);
        return false;
    }
    slot = TruncateToInt32(value);
    return true;
}

// ---- The direct evaluator -------------------------------------------------

constexpr int32_t kPrefixPrecedence = -1;

enum class Item : uint8_t { End, Prefix, Binary, Comma, Number, Open, Close };

// What a token is to the direct evaluator; token is set to the operator or
// prefix code that stands for it.
Item Classify(uint8_t& token)
{
    if (IsKeywordToken(token)) {
        const TokenDescriptor& k = g_Keywords[token];
        if (k.Has(kKwOperator)) {
            switch (k.classCode) {
            case kClassAnd:
                token = kTokAnd;
                return Item::Binary;
            case kClassOr:
                token = kTokOr;
                return Item::Binary;
            case kClassXor:
                token = kTokXor;
                return Item::Binary;
            case kClassMod:
                token = kTokMod;
                return Item::Binary;
            default:
                break;
            }
        }
        if (k.classCode == kClassNot) {
            token = kTokNot; // the NOT keyword is the complement operator
            return Item::Prefix;
        }
        return k.Has(kKwFunction) ? Item::Prefix : Item::End;
    }
    switch (token) {
    case kTokMinus:
    case kTokPlus:
    case kTokMultiply:
    case kTokDivide:
    case kTokPower:
    case kTokAnd:
    case kTokOr:
    case kTokXor:
        return Item::Binary;
    case kTokNot:
    case kTokHash:
        return Item::Prefix;
    case kTokComma:
        return Item::Comma;
    case kTokNumber:
        return Item::Number;
    case kTokOpenSquare:
        return Item::Open;
    case kTokCloseSquare:
        return Item::Close;
    default:
        return Item::End;
    }
}

// The end of the number text behind kTokNumber at position (its NUL), or -1
// when the line ends first.
int NumberEnd(const uint8_t* text, int position, int end)
{
    for (int at = position + 1; at < end; ++at) {
        if (text[at] == 0)
            return at;
    }
    return -1;
}

bool PushValue(GcodeProcessState& g, float value, int process)
{
    if (g.valueDepth >= kDirectStackDepth) {
        SetProcessError(process, kErrTooManyStructures);
        return false;
    }
    g.values[g.valueDepth++] = value;
    return true;
}

bool PushOperatorEntry(GcodeProcessState& g, uint8_t token, int32_t precedence, int process)
{
    if (g.operatorDepth >= kDirectStackDepth) {
        SetProcessError(process, kErrTooManyStructures);
        return false;
    }
    g.operatorTokens[g.operatorDepth] = token;
    g.operatorPrecedence[g.operatorDepth] = precedence;
    g.operatorMark[g.operatorDepth] = g.valueDepth;
    ++g.operatorDepth;
    return true;
}

// A function keyword on the values pushed since it: they become its
// arguments, its result takes their place.
void ApplyFunction(GcodeProcessState& g, uint8_t token, int32_t mark, int process)
{
    const TokenDescriptor& k = g_Keywords[token];
    const int count = g.valueDepth - mark;
    if (!k.handler || k.Has(kKwOwnArguments) || count < k.minArguments || count > k.maxArguments) {
        SetProcessError(process, kErrEvaluation);
        return;
    }
    if (!PushArgumentFrame(process))
        return;
    for (int n = 0; n < count; ++n) {
        if (!AddArgument(process, g.values[mark + n])) {
            PopArgumentFrame(process);
            return;
        }
    }
    ProcessRecord& r = g_ProcessRecords[process];
    r.result = 0.0f;
    static const uint8_t kNoText[] = {kTokZero};
    int at = 0;
    k.handler(kNoText, at, 1, process);
    PopArgumentFrame(process);
    g.valueDepth = mark;
    PushValue(g, r.result, process);
}

// Applies the operator on top of the operator stack to the value stack and
// removes it.
void ApplyOperator(GcodeProcessState& g, int process)
{
    const int top = g.operatorDepth - 1;
    const uint8_t token = g.operatorTokens[top];
    const int32_t mark = g.operatorMark[top];
    --g.operatorDepth;
    if (IsKeywordToken(token)) {
        ApplyFunction(g, token, mark, process);
        return;
    }
    switch (token) {
    case kTokNegate:
    case kTokNot:
    case kTokHash: {
        if (g.valueDepth < 1) {
            SetProcessError(process, kErrOperandExpected);
            return;
        }
        float& b = g.values[g.valueDepth - 1];
        if (token != kTokHash) {
            b = ApplyUnaryOperator(token, b, process);
            return;
        }
        int32_t slot = 0;
        if (LocalNumber(b, process, slot))
            b = ReadLocal(slot, process);
        return;
    }
    default:
        if (g.valueDepth < 2) {
            SetProcessError(process, kErrOperandExpected);
            return;
        }
        --g.valueDepth;
        g.values[g.valueDepth - 1] =
            ApplyBinaryOperator(token, g.values[g.valueDepth - 1], g.values[g.valueDepth], process);
        return;
    }
}

enum Comparison { kPush = 0, kApply = 1, kCloseBracket = 2, kComplete = 3, kNestingError = 4 };

Comparison CompareDirectOperators(const GcodeProcessState& g, uint8_t token, int32_t precedence)
{
    const int top = g.operatorDepth - 1;
    const uint8_t t = g.operatorTokens[top];
    const bool sentinel = top == 0;
    const bool bracket = !sentinel && t == kTokOpenSquare;
    switch (token) {
    case kTokCloseSquare:
        return sentinel ? kNestingError : bracket ? kCloseBracket : kApply;
    case kTokComma:
        return sentinel ? kNestingError : bracket ? kComplete : kApply;
    case kTokEox:
        return sentinel ? kComplete : bracket ? kNestingError : kApply;
    default:
        if (sentinel || bracket)
            return kPush;
        // A prefix or unary entry (a minus sign, "#", a function) binds
        // tighter than any binary operator: it is applied first, so that
        // -2+3 and #1+2 evaluate.
        if (g.operatorPrecedence[top] == kPrefixPrecedence)
            return kApply;
        return precedence >= g.operatorPrecedence[top] ? kApply : kPush;
    }
}

// Places the token above the stack; true when the expression is complete.
bool PushDirectOperator(GcodeProcessState& g, uint8_t token, int32_t precedence, int process)
{
    for (;;) {
        switch (CompareDirectOperators(g, token, precedence)) {
        case kPush:
            PushOperatorEntry(g, token, precedence, process);
            return false;
        case kApply:
            ApplyOperator(g, process);
            if (Pending(process))
                return false;
            continue;
        case kCloseBracket:
            --g.operatorDepth;
            return false;
        case kComplete:
            return true;
        default:
            SetProcessError(process, kErrStructureNesting);
            return false;
        }
    }
}

} // namespace

GcodeProcessState& GcodeStateOf(int process)
{
    return g_Gcode[process >= 0 && process < kProcessCount ? process : 0];
}

void ResetGcodeProcess(int process)
{
    if (process >= 0 && process < kProcessCount)
        g_Gcode[process] = GcodeProcessState{};
}

float EvaluateDirect(const uint8_t* text, int& position, int end, int process)
{
    GcodeProcessState& g = GcodeStateOf(process);
    g.operatorDepth = 1;
    g.operatorTokens[0] = kTokEox;
    g.operatorPrecedence[0] = kPrefixPrecedence;
    g.operatorMark[0] = 0;
    g.valueDepth = 0;

    int pos = position;
    bool expectOperand = true;
    while (!Pending(process) && pos < end) {
        uint8_t token = text[pos];
        if (token == kTokSpace) {
            ++pos;
            continue;
        }
        const Item item = Classify(token);
        if (item == Item::End)
            break; // the caller reads this token next
        int next = pos + 1;
        if (item == Item::Number) {
            const int nul = NumberEnd(text, pos, end);
            if (nul < 0) {
                SetProcessError(process, kErrEvaluation);
                break;
            }
            next = nul + 1;
        }
        if (expectOperand) {
            switch (item) {
            case Item::Number: {
                const std::string digits(reinterpret_cast<const char*>(text + pos + 1),
                                         static_cast<size_t>(next - pos - 2));
                if (PushValue(g, ParseNumber(digits), process))
                    expectOperand = false;
                break;
            }
            case Item::Prefix:
            case Item::Open:
                PushOperatorEntry(g, token, kPrefixPrecedence, process);
                break;
            case Item::Binary:
                if (token == kTokMinus) {
                    PushOperatorEntry(g, kTokNegate, kPrefixPrecedence, process);
                    break;
                }
                [[fallthrough]];
            default:
                SetProcessError(process, kErrOperandExpected);
                break;
            }
        } else if (item == Item::Binary || item == Item::Comma) {
            PushDirectOperator(g, token, item == Item::Binary ? OperatorPrecedence(token) : 0, process);
            expectOperand = true;
        } else if (item == Item::Close) {
            PushDirectOperator(g, token, 0, process);
        }
        // Anything else behind an operand is passed over.
        pos = next;
    }
    position = pos;
    if (Pending(process))
        return 0.0f;
    if (expectOperand) {
        // Nothing, or an operator with nothing behind it.
        SetProcessError(process, kErrOperandExpected);
        return 0.0f;
    }
    if (!PushDirectOperator(g, kTokEox, 0, process)) {
        // An unclosed "[" (or an operator that failed) leaves it incomplete.
        if (GetProcessError(process) == 0 || GetProcessError(process) == kErrStructureNesting)
            SetProcessError(process, kErrTooManyStructures);
        return 0.0f;
    }
    return g.valueDepth > 0 ? g.values[0] : 0.0f;
}

void ClassifyGcodeWord(GcodeWord& word, int process)
{
    word.group = kNoGroup;
    word.handOff = 1;
    word.accepted = "";
    switch (word.letter) {
    case 'G':
    case 'M': {
        const WordRows* row = word.letter == 'G' ? FindRow(kGRows, word.value) : FindRow(kMRows, word.value);
        if (!row) {
            SetProcessError(process, kErrInvalidCommand);
            return;
        }
        word.group = row->group;
        word.priority = row->priority;
        word.accepted = row->accepted;
        return;
    }
    case 'S':
        word.priority = 4;
        return;
    case 'T':
        word.priority = 5;
        return;
    case 'F':
        word.priority = 3;
        return;
    default: // "#"
        word.priority = 99;
        word.handOff = 0;
        return;
    }
}

namespace {

enum class Expect : uint8_t { WordStart, CommandValue, ParameterValue, BlockNumber };

// The parameters of a block: a value and a presence bit per slot.
struct BlockParameters {
    float values[kGcodeParameterSlots] = {};
    bool present[kGcodeParameterSlots] = {};
};

// Attaches a parameter to a word record; error 101 when the record is full.
bool Attach(GcodeWord& word, int slot, const BlockParameters& block, int process)
{
    if (word.parameterCount >= kGcodeWordParameters) {
        SetProcessError(process, kErrTooManyTokensInBlock);
        return false;
    }
    word.parameters[word.parameterCount++] = {static_cast<uint8_t>(kParameterLetters[slot]), block.values[slot]};
    return true;
}

// Opens the next word record of the block; error 101 when all are in use.
GcodeWord* OpenWord(GcodeProcessState& g, int& count, uint8_t letter, int process)
{
    if (count >= kGcodeWordRecords) {
        SetProcessError(process, kErrTooManyTokensInBlock);
        return nullptr;
    }
    GcodeWord& word = g.words[count++];
    word = GcodeWord{};
    word.letter = letter;
    word.accepted = "";
    return &word;
}

// Waits, without sleeping, until the serving program has set VR(0) to 0.
// False when an error is pending or the process is being stopped first.
bool AwaitServed(int process)
{
    for (;;) {
        const float answer = ReadVr(0, process);
        if (Pending(process) || ProcessStopping(process))
            return false;
        if (answer == 0.0f)
            return true;
        YieldSlice();
    }
}

void HandOff(const GcodeWord& word, int process)
{
    WriteVr(1, static_cast<float>(word.letter), process);
    WriteVr(2, word.value, process);
    for (int k = 0; k < word.parameterCount; ++k) {
        WriteVr(3 + 2 * k, static_cast<float>(word.parameters[k].letter), process);
        WriteVr(4 + 2 * k, word.parameters[k].value, process);
    }
    WriteVr(0, static_cast<float>(2 + 2 * word.parameterCount), process);
}

// The parse: word records opened and valued, parameters gathered. Returns
// the number of word records the block holds.
int ParseBlock(const uint8_t* text, int start, int end, int process, BlockParameters& block)
{
    GcodeProcessState& g = GcodeStateOf(process);
    int count = 0;
    Expect expect = Expect::WordStart;
    int slot = 0;
    int pos = start;
    while (pos < end && !Pending(process)) {
        const uint8_t token = text[pos];
        if (token == kTokSpace) {
            ++pos;
            continue;
        }
        if (token == kTokComment) {
            std::string comment;
            for (++pos; pos < end && text[pos] != 0; ++pos)
                comment += static_cast<char>(text[pos]);
            ++pos;
            PrintFormatted(process, "%s%c", comment, kEndOfLineLf);
            continue;
        }
        if (token == kTokPercent) {
            g.state = kGcodeFinished;
            break;
        }
        switch (expect) {
        case Expect::WordStart: {
            const char letter = AddressLetter(token);
            ++pos;
            if (letter != 0 && std::strchr("GMSTF", letter)) {
                if (OpenWord(g, count, static_cast<uint8_t>(letter), process))
                    expect = Expect::CommandValue;
            } else if (ParameterSlot(letter) >= 0) {
                slot = ParameterSlot(letter);
                expect = Expect::ParameterValue;
            } else if (letter == 'N') {
                expect = Expect::BlockNumber;
            } else if (token == kTokHash) {
                GcodeWord* word = OpenWord(g, count, '#', process);
                if (!word)
                    break;
                ClassifyGcodeWord(*word, process);
                const float number = EvaluateDirect(text, pos, end, process);
                if (Pending(process) || !LocalNumber(number, process, word->variable))
                    break;
                while (pos < end && text[pos] == kTokSpace)
                    ++pos;
                if (pos >= end || text[pos] != kTokEqual) {
                    SetProcessError(process, kErrAssignmentExpected);
                    break;
                }
                ++pos;
                word->value = EvaluateDirect(text, pos, end, process);
            } else {
                SetProcessError(process, kErrCommandNotRecognized);
            }
            break;
        }
        case Expect::CommandValue: {
            GcodeWord& word = g.words[count - 1];
            word.value = EvaluateDirect(text, pos, end, process);
            if (!Pending(process))
                ClassifyGcodeWord(word, process);
            expect = Expect::WordStart;
            break;
        }
        case Expect::ParameterValue:
            block.values[slot] = EvaluateDirect(text, pos, end, process);
            block.present[slot] = true;
            expect = Expect::WordStart;
            break;
        case Expect::BlockNumber:
            EvaluateDirect(text, pos, end, process);
            expect = Expect::WordStart;
            break;
        }
    }
    // A letter at the end of the line has no value.
    if (!Pending(process) && expect != Expect::WordStart)
        SetProcessError(process, kErrOperandExpected);
    return count;
}

} // namespace

void ExecuteGcodeBlock(const uint8_t* text, int start, int end, int process)
{
    GcodeProcessState& g = GcodeStateOf(process);
    BlockParameters block;
    const int count = ParseBlock(text, start, end, process, block);
    if (Pending(process))
        return;

    // Parameters to the words that take them, in the block's order.
    for (int n = 0; n < count && !Pending(process); ++n) {
        GcodeWord& word = g.words[n];
        for (const char* letter = word.accepted; *letter && !Pending(process); ++letter) {
            const int slot = ParameterSlot(*letter);
            if (block.present[slot] && Attach(word, slot, block, process))
                block.present[slot] = false;
        }
    }
    // What remains goes to the word held over behind the block's own.
    int taking = count;
    bool remaining = false;
    for (bool present : block.present)
        remaining = remaining || present;
    if (remaining && !Pending(process)) {
        if (count >= kGcodeWordRecords) {
            SetProcessError(process, kErrTooManyTokensInBlock);
            return;
        }
        GcodeWord& held = g.words[count];
        held.parameterCount = 0;
        for (int slot = 0; slot < kGcodeParameterSlots && !Pending(process); ++slot) {
            if (!block.present[slot])
                continue;
            if (!held.accepted || !std::strchr(held.accepted, kParameterLetters[slot])) {
                SetProcessError(process, kErrInvalidParameter);
                return;
            }
            Attach(held, slot, block, process);
        }
        taking = count + 1;
    }
    if (Pending(process))
        return;

    // Ascending priority; words of equal priority keep their order.
    int order[kGcodeWordRecords];
    for (int n = 0; n < taking; ++n) {
        int at = n;
        while (at > 0 && g.words[order[at - 1]].priority > g.words[n].priority) {
            order[at] = order[at - 1];
            --at;
        }
        order[at] = n;
    }

    for (int n = 0; n < taking && !Pending(process); ++n) {
        const GcodeWord& word = g.words[order[n]];
        if (!word.handOff) {
            if (word.letter == '#')
                WriteLocal(word.variable, word.value, process);
            else
                SetProcessError(process, kErrTokenDefinition);
            continue;
        }
        HandOff(word, process);
        if (!AwaitServed(process))
            return;
    }
    if (taking > 0 && !Pending(process)) {
        WriteVr(0, -1.0f, process);
        AwaitServed(process);
    }
}

void GcodeStep(int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    GcodeProcessState& g = GcodeStateOf(process);
    ++r.currentLine;
    const int at = r.position;
    if (at >= r.lowBound && at < r.highBound && r.text[at + 1] != 0) {
        const int length = r.text[at + 1];
        if (length < kLineHeaderSize + 1 || at + length >= r.highBound) {
            SetProcessError(process, kErrProgramCorrupt);
            return;
        }
        r.position = at + length;
        switch (g.state) {
        case kGcodeBeforeStart:
            if (r.text[at + kLineHeaderSize] == kTokPercent)
                g.state = kGcodeOnStartMarker;
            break;
        case kGcodeOnStartMarker:
            g.state = kGcodeExecuting; // the line behind the marker is not run either
            break;
        case kGcodeExecuting:
            ExecuteGcodeBlock(r.text, at + kLineHeaderSize, at + length - 1, process);
            break;
        default:
            r.position = r.highBound;
            break;
        }
        if (r.position < r.highBound && !Pending(process))
            return;
    }
    // The program ends as a BASIC program does at its end; an error of the
    // block is reported rather than this one.
    if (!Pending(process))
        SetProcessError(process, kErrProgramStopped);
}

void GcodeStepAndPause(int process)
{
    GcodeStep(process);
    if (!Pending(process))
        ReportProcessPaused(process);
    g_ProcessRecords[process].requestedState = kStatePaused;
}

} // namespace qcrt
