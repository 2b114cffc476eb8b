#include "simulator/runtime/io_keywords.h"

#include <cstring>

#include "simulator/runtime/channels.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/typed_arguments.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kTableLast = 255999;
constexpr uint32_t kWordBits = 0xFFFFFF;         // a 24-bit I/O or flag word
constexpr uint32_t kOutputWordMask = 0xFFFFFF00; // outputs 8 to 31 of the output word

struct IoState {
    uint32_t outputs[(kOutputNumbers - 32) / 32]; // outputs 32 to 287
    float analogueIn[kAnalogueInputs];
    int32_t analogueOut[kAnalogueOutputs];
    uint32_t flags;
};

IoState g_Io;

bool Failed(int process)
{
    return GetProcessError(process) != 0;
}

void SetResult(int process, float value)
{
    g_ProcessRecords[process].result = value;
}

bool OutOfRange(int process)
{
    SetProcessError(process, kErrParameterOutOfRange);
    return false;
}

// The count of a handler's own arguments, within what the keyword takes.
bool CountWithin(const OwnArguments& args, int process, int minimum, int maximum)
{
    return args.Ok() && CountInRange(args.Count(), minimum, maximum, process);
}

// Bits a to b (at most 24) of a numbered bit source, bit a first.
template <typename Read> uint32_t BitRange(int a, int b, Read read)
{
    uint32_t value = 0;
    for (int n = b; n >= a; --n)
        value = (value << 1) | (read(n) ? 1u : 0u);
    return value;
}

// A bit of VR(vr): the VR's value as an integer.
bool VrBitArguments(const uint8_t* text, int& position, int limit, int process, int32_t& bit, int32_t& vr,
                    int32_t& word)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 2, 2))
        return false;
    bit = args[0].integer;
    vr = args[1].integer;
    if (bit < 0 || bit > 23 || vr < 0 || vr >= kVrCount)
        return OutOfRange(process);
    word = TruncateToInt32(ReadVr(vr, process));
    return !Failed(process);
}

// A modifier behind a keyword that has no bracketed list.
bool OptionalModifier(const uint8_t* text, int& position, int limit, int process)
{
    if (position < limit && text[position] == kTokModifier)
        return EvaluateModifier(text, position, limit, process);
    return true;
}

// A bare parameter reference as a SCOPE argument: its row, its modifier and
// the end of the expression. False (nothing read) for any other argument.
bool ReadCaptureParameter(const uint8_t* text, int& position, int limit, int process, CaptureParameter& parameter)
{
    int at = position;
    if (at + 2 > limit || text[at] != kTokParameter)
        return false;
    const int row = text[at + 1];
    at += 2;
    if (row >= kParameterRows)
        return false;
    ProcessRecord& r = g_ProcessRecords[process];
    const int32_t axis = r.statementAxis;
    if (at < limit && text[at] == kTokModifier && !EvaluateModifier(text, at, limit, process))
        return false;
    if (at >= limit || text[at] != kTokEox)
        return false;
    parameter.kind = g_Parameters[row].ValueKind();
    parameter.word = ParameterStorage(row, process);
    r.statementAxis = axis;
    position = at + 1;
    return true;
}

} // namespace

void ResetIo()
{
    std::memset(&g_Io, 0, sizeof g_Io);
    g_InputInvertMask = 0;
}

bool ReadOutput(int n)
{
    if (n < kFirstOutput || n >= kOutputNumbers)
        return false;
    if (n < 32)
        return (g_OutputWord >> n) & 1u;
    return (g_Io.outputs[(n - 32) / 32] >> (n % 32)) & 1u;
}

void WriteOutput(int n, bool on)
{
    if (n < kFirstOutput || n >= kOutputNumbers)
        return;
    uint32_t& word = n < 32 ? g_OutputWord : g_Io.outputs[(n - 32) / 32];
    const uint32_t bit = 1u << (n % 32);
    word = on ? (word | bit) : (word & ~bit);
}

bool ReadInput(int n)
{
    if (n < 0 || n >= kInputsPresent)
        return false;
    return (g_InputWord >> n) & 1u;
}

float AnalogueInput(int n)
{
    return n >= 0 && n < kAnalogueInputs ? g_Io.analogueIn[n] : 0.0f;
}

void SetAnalogueInput(int n, float value)
{
    if (n >= 0 && n < kAnalogueInputs)
        g_Io.analogueIn[n] = value;
}

int32_t AnalogueOutput(int n)
{
    return n >= 0 && n < kAnalogueOutputs ? g_Io.analogueOut[n] : 0;
}

void WriteAnalogueOutput(int32_t n, float value, int process)
{
    if (n < 0 || n >= kAnalogueOutputs) {
        SetProcessError(process, kErrCloseBracketExpected);
        return;
    }
    int32_t v = TruncateToInt32(value);
    if (v > kAnalogueOutputLimit)
        v = kAnalogueOutputLimit;
    if (v < -kAnalogueOutputLimit)
        v = -kAnalogueOutputLimit;
    g_Io.analogueOut[n] = v;
}

int AoutKeywordRow()
{
    static const int row = FindKeyword("AOUT");
    return row;
}

// ---------------------------------------------------------------- digital I/O

void KeywordIn(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 0, 2))
        return;
    if (args.Count() == 0) {
        SetResult(process, static_cast<float>(g_InputWord & kWordBits));
        return;
    }
    const int32_t a = args[0].integer;
    if (args.Count() == 1) {
        if (a < 0 || a >= kInputNumbers) {
            OutOfRange(process);
            return;
        }
        SetResult(process, ReadInput(a) ? 1.0f : 0.0f);
        return;
    }
    const int32_t b = args[1].integer;
    if (a < 0 || b < a || b - a > 23 || b >= kInputsPresent) {
        OutOfRange(process);
        return;
    }
    SetResult(process, static_cast<float>(BitRange(a, b, ReadInput)));
}

void KeywordOp(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 0, 2))
        return;
    if (args.Count() == 0) {
        SetResult(process, static_cast<float>(g_OutputWord & kWordBits));
        return;
    }
    if (args.Count() == 1) {
        // The output word: outputs 8 to 23 from bits 8 to 23 of the value.
        const uint32_t value = static_cast<uint32_t>(args[0].integer) & kWordBits & kOutputWordMask;
        g_OutputWord = (g_OutputWord & ~(kWordBits & kOutputWordMask)) | value;
        return;
    }
    const int32_t n = args[0].integer;
    if (n < kFirstOutput || n >= kOutputNumbers) {
        OutOfRange(process);
        return;
    }
    WriteOutput(n, args[1].value != 0.0f);
}

void KeywordReadOp(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 1, 2))
        return;
    const int32_t a = args[0].integer;
    const int32_t b = args.Count() > 1 ? args[1].integer : a;
    if (a < 0 || b < a || b - a > 23 || b >= kOutputNumbers) {
        OutOfRange(process);
        return;
    }
    SetResult(process, static_cast<float>(BitRange(a, b, ReadOutput)));
}

void KeywordSetBit(const uint8_t* text, int& position, int limit, int process)
{
    int32_t bit = 0, vr = 0, word = 0;
    if (VrBitArguments(text, position, limit, process, bit, vr, word))
        WriteVr(vr, static_cast<float>(word | (1 << bit)), process);
}

void KeywordClearBit(const uint8_t* text, int& position, int limit, int process)
{
    int32_t bit = 0, vr = 0, word = 0;
    if (VrBitArguments(text, position, limit, process, bit, vr, word))
        WriteVr(vr, static_cast<float>(word & ~(1 << bit)), process);
}

void KeywordReadBit(const uint8_t* text, int& position, int limit, int process)
{
    int32_t bit = 0, vr = 0, word = 0;
    if (VrBitArguments(text, position, limit, process, bit, vr, word))
        SetResult(process, ((word >> bit) & 1) ? 1.0f : 0.0f);
}

void KeywordInvertIn(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 2, 2))
        return;
    const int32_t n = args[0].integer;
    const int32_t on = args[1].integer;
    if (n < 0 || n >= kInputsPresent || (on != 0 && on != 1)) {
        OutOfRange(process);
        return;
    }
    const uint32_t bit = 1u << n;
    const uint32_t mask = on ? (g_InputInvertMask | bit) : (g_InputInvertMask & ~bit);
    // The input word changes at once, not only at the next exchange.
    g_InputWord ^= (mask ^ g_InputInvertMask);
    g_InputInvertMask = mask;
}

// ---------------------------------------------------------------- analogue I/O

void KeywordAin(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* n = GetArgument(process, 0);
    if (!n || n->integer < 0 || n->integer >= kAnalogueInputs) {
        OutOfRange(process);
        return;
    }
    SetResult(process, g_Io.analogueIn[n->integer]);
}

void KeywordAout(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* n = GetArgument(process, 0);
    if (!n || n->integer < 0 || n->integer >= kAnalogueOutputs) {
        SetProcessError(process, kErrCloseBracketExpected);
        return;
    }
    SetResult(process, static_cast<float>(g_Io.analogueOut[n->integer]));
}

// ---------------------------------------------------------------- the rest

void KeywordMark(const uint8_t* text, int& position, int limit, int process)
{
    ++position;
    if (!OptionalModifier(text, position, limit, process))
        return;
    // The simulated axes have no registration input, so no axis sees the
    // event.
    SetResult(process, 0.0f);
}

void KeywordPeek(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (CountWithin(args, process, 1, 2))
        SetResult(process, 0.0f); // no controller memory to read
}

void KeywordPoke(const uint8_t* text, int& position, int limit, int process)
{
    // Checked and dropped: the simulator has no controller memory to write.
    const TypedElement elements[3] = {
        {kTypedInteger, 0, 0}, {kTypedFloat, 0, 0}, {kTypedInteger | kTypedLow | kTypedHigh, 0, 2}};
    ArgumentValue values[3] = {};
    ReadTypedArguments(text, position, limit, process, 3, elements, values);
}

void KeywordFlags(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 0, 1))
        return;
    if (args.Count() == 1)
        g_Io.flags = static_cast<uint32_t>(args[0].integer) & kWordBits;
    else
        SetResult(process, static_cast<float>(g_Io.flags));
}

void KeywordFlag(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 1, 2))
        return;
    const int32_t n = args[0].integer;
    if (n < 0 || n > 23) {
        OutOfRange(process);
        return;
    }
    const uint32_t bit = 1u << n;
    if (args.Count() == 1) {
        SetResult(process, (g_Io.flags & bit) ? 1.0f : 0.0f);
        return;
    }
    g_Io.flags = args[1].value != 0.0f ? (g_Io.flags | bit) : (g_Io.flags & ~bit);
}

void KeywordDefKey(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!CountWithin(args, process, 2, 12))
        return;
    const int32_t first = args[0].integer;
    const int32_t count = args.Count() - 1;
    if (first < 0 || first > static_cast<int32_t>(sizeof g_KeypadTable) - count) {
        OutOfRange(process);
        return;
    }
    for (int32_t k = 0; k < count; ++k)
        g_KeypadTable[first + k] = static_cast<uint8_t>(args[k + 1].integer);
}

// ---------------------------------------------------------------- capture

void KeywordScope(const uint8_t* text, int& position, int limit, int process)
{
    ++position; // the token
    if (!OpenArgumentList(text, position, limit, process))
        return;
    // on, then period, start and end, then one to four parameters.
    int32_t numbers[4] = {0, 0, 0, 0};
    int given = 0;
    CaptureParameter parameters[kCaptureParameters] = {};
    int count = 0;
    for (;;) {
        if (given < 4) {
            numbers[given++] = TruncateToInt32(EvaluateExpression(text, position, limit, process));
        } else if (count < kCaptureParameters) {
            if (!ReadCaptureParameter(text, position, limit, process, parameters[count])) {
                if (!Failed(process))
                    OutOfRange(process);
                return;
            }
            ++count;
        } else {
            SetProcessError(process, kErrCloseBracketExpected);
            return;
        }
        if (Failed(process))
            return;
        const ListStep step = StepListSeparator(text, position, limit, process);
        if (step == ListStep::End)
            break;
        if (step == ListStep::Error)
            return;
    }
    const int32_t on = numbers[0];
    if (on != 0 && on != 1) {
        OutOfRange(process);
        return;
    }
    if (given > 1) {
        // The full form: period, TABLE range and at least one parameter.
        const int32_t period = numbers[1];
        const int32_t start = given > 2 ? numbers[2] : -1;
        const int32_t end = given > 3 ? numbers[3] : -1;
        if (count == 0 || start < 0 || start > kTableLast || end <= start || end > kTableLast) {
            if (count == 0 && start >= 0 && end > start && end <= kTableLast)
                SetProcessError(process, kErrCommaExpected);
            else
                OutOfRange(process);
            return;
        }
        CaptureState& c = g_Capture;
        c.period = period;
        c.start = start;
        c.count = count;
        c.samples = (end - start + 1) / count;
        for (int n = 0; n < kCaptureParameters; ++n)
            c.parameters[n] = n < count ? parameters[n] : CaptureParameter{};
    }
    g_Capture.mode = on;
    g_Capture.counter = 0;
    g_Capture.index = 0;
}

void KeywordTrigger(const uint8_t*, int& position, int, int)
{
    ++position;
    CaptureState& c = g_Capture;
    if (c.mode != 1)
        return;
    c.counter = 0;
    c.index = 0;
    c.mode = 2;
}

} // namespace qcrt
