#include "simulator/runtime/memory_keywords.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/flash.h"
#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_layout.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/program_store.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/typed_arguments.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

constexpr int32_t kTableLimit = 256000;

int32_t ImageWordAt(uint32_t offset)
{
    int32_t word;
    std::memcpy(&word, g_MemoryBase + offset, 4);
    return word;
}

void PutImageWordAt(uint32_t offset, int32_t word)
{
    std::memcpy(g_MemoryBase + offset, &word, 4);
}

// The TABLE as processes see it; the image holds a mirror of it.
float g_TableValues[kTableLimit];

// Where TABLE value i lies in the image (below the TSIZE word).
int64_t MirrorOffset(int32_t index)
{
    return static_cast<int64_t>(g_MemorySize) - 8 - 4 * static_cast<int64_t>(index);
}

// The image offset of TABLE value i, or -1 when it would lie in the program
// area below top (or outside the image).
int64_t TableOffset(int32_t index, int64_t top)
{
    int64_t offset = MirrorOffset(index);
    if (offset < top || offset < static_cast<int64_t>(kProgramAreaStart) ||
        offset + 4 > static_cast<int64_t>(g_MemorySize))
        return -1;
    return offset;
}

int64_t TableOffset(int32_t index)
{
    return TableOffset(index, ProgramAreaEnd());
}

ProcessRecord& RecordOf(int process)
{
    return g_ProcessRecords[process];
}

// A bracketed argument list read one value at a time, for handlers that act
// on each value as it comes (a TABLE write stops at the first value that
// fails) or that need the list's own errors (") expected").
class ArgumentCursor {
public:
    ArgumentCursor(const uint8_t* text, int& position, int limit, int process)
        : m_text(text), m_position(position), m_limit(limit), m_process(process)
    {
        ++m_position; // the token
        if (m_position < m_limit && m_text[m_position] == kTokOpenBracket) {
            ++m_position;
            if (m_position < m_limit && m_text[m_position] == kTokCloseBracket)
                ++m_position;
            else
                m_open = true;
        }
    }

    // True while the list has a value that Next has not read.
    bool More() const { return m_open; }

    // The next value; false at the end of the list or when its evaluation
    // failed (the process's error says which).
    bool Next(float& value)
    {
        if (!m_open)
            return false;
        value = EvaluateExpression(m_text, m_position, m_limit, m_process);
        if (GetProcessError(m_process) != 0) {
            m_open = false;
            return false;
        }
        const uint8_t separator = m_position < m_limit ? m_text[m_position] : 0;
        if (separator == kTokCloseBracket) {
            m_open = false;
        } else if (separator != kTokComma) {
            SetProcessError(m_process, kErrCloseBracketExpected);
            m_open = false;
            return false;
        }
        ++m_position;
        return true;
    }

    // The next value, which the form needs: error missing when the list has
    // ended.
    bool Require(float& value, int32_t missing)
    {
        if (Next(value))
            return true;
        if (GetProcessError(m_process) == 0)
            SetProcessError(m_process, missing);
        return false;
    }

    // Evaluates what is left of the list, for a form that does not use it.
    bool SkipRest()
    {
        float unused;
        while (Next(unused)) {
        }
        return GetProcessError(m_process) == 0;
    }

private:
    const uint8_t* m_text;
    int& m_position;
    int m_limit;
    int m_process;
    bool m_open = false;
};

// A function of one float argument: its value, or the error it sets.
template <float (*F)(float, int)> void UnaryFunction(int process)
{
    const ArgumentValue* a = GetArgument(process, 0);
    if (!a) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    RecordOf(process).result = F(a->value, process);
}

float Abs(float x, int)
{
    return std::fabs(x);
}
// SIN and COS in double: the argument less the nearest multiple of pi/2
// (pi/2 in two parts, the first of 25 bits, so that the product with the
// multiple is exact below 2^28 pi/2), then a polynomial on [-pi/4, pi/4].
// A float result needs no more, and the C library of the Windows build,
// which works in long double, takes several times as long. Larger arguments,
// infinities and NaN go to the C library.
constexpr double kInversePiOver2 = 6.36619772367581382433e-01;
constexpr double kPiOver2High = 1.57079631090164184570e+00;
constexpr double kPiOver2Low = 1.58932547735281966916e-08;
constexpr double kReductionLimit = 4.2166e8;

double SinKernel(double y)
{
    const double z = y * y;
    return y + y * z *
                   (-1.66666666666666324348e-01 +
                    z * (8.33333333332248946124e-03 +
                         z * (-1.98412698298579493134e-04 +
                              z * (2.75573137070700676789e-06 +
                                   z * (-2.50507602534068634195e-08 + z * 1.58969099521155010221e-10)))));
}

double CosKernel(double y)
{
    const double z = y * y;
    return 1.0 - 0.5 * z +
           z * z *
               (4.16666666666666019037e-02 +
                z * (-1.38888888888741095749e-03 +
                     z * (2.48015872894767294178e-05 +
                          z * (-2.75573143513906633035e-07 +
                               z * (2.08757232129817482790e-09 + z * -1.13596475577881948265e-11)))));
}

// sin(x) for quarter 0, cos(x) for quarter 1.
float SinFromQuarter(float x, int quarter)
{
    const double d = x;
    if (!(std::fabs(d) < kReductionLimit))
        return quarter == 0 ? std::sin(x) : std::cos(x);
    // Rounded by hand: the Windows build's nearbyint takes longer than the
    // whole rest.
    const double scaled = d * kInversePiOver2;
    const int64_t n = static_cast<int64_t>(scaled < 0.0 ? scaled - 0.5 : scaled + 0.5);
    const double multiple = static_cast<double>(n);
    const double y = d - multiple * kPiOver2High - multiple * kPiOver2Low;
    switch ((n + quarter) & 3) {
    case 0:
        return static_cast<float>(SinKernel(y));
    case 1:
        return static_cast<float>(CosKernel(y));
    case 2:
        return static_cast<float>(-SinKernel(y));
    default:
        return static_cast<float>(-CosKernel(y));
    }
}

float Sin(float x, int)
{
    return SinFromQuarter(x, 0);
}
float Cos(float x, int)
{
    return SinFromQuarter(x, 1);
}
float Tan(float x, int)
{
    return std::tan(x);
}
float Asin(float x, int)
{
    return std::asin(x);
}
float Acos(float x, int)
{
    return std::acos(x);
}
float Atan(float x, int)
{
    return std::atan(x);
}
float Exp(float x, int)
{
    return std::exp(x);
}
float Int(float x, int)
{
    return std::trunc(x);
}
float Frac(float x, int)
{
    return x - std::trunc(x);
}
float Sgn(float x, int)
{
    return x < 0.0f ? -1.0f : 1.0f;
}
float Sqr(float x, int process)
{
    if (x < 0.0f) {
        SetProcessError(process, kErrParameterOutOfRange);
        return 0.0f;
    }
    return std::sqrt(x);
}
float Ln(float x, int process)
{
    if (!(x > 0.0f)) {
        SetProcessError(process, kErrParameterOutOfRange);
        return 0.0f;
    }
    return std::log(x);
}

float VrValue(float index, int process)
{
    return ReadVr(TruncateToInt32(index), process);
}

} // namespace

void InstallValueFunctions()
{
    const struct {
        const char* name;
        ValueFunction function;
    } functions[] = {
        {"ABS", Abs}, {"SIN", Sin}, {"COS", Cos},   {"TAN", Tan}, {"ASIN", Asin}, {"ACOS", Acos}, {"ATAN", Atan},
        {"EXP", Exp}, {"INT", Int}, {"FRAC", Frac}, {"SGN", Sgn}, {"SQR", Sqr},   {"LN", Ln},     {"VR", VrValue},
    };
    for (const auto& f : functions)
        SetValueFunction(FindKeyword(f.name), f.function);
}

int VrKeywordRow()
{
    static const int row = FindKeyword("VR");
    return row;
}

float ReadVr(int32_t index, int process)
{
    if (index < 0 || index >= kVrCount || !g_MemoryBase) {
        SetProcessError(process, kErrParameterOutOfRange);
        return 0.0f;
    }
    return std::bit_cast<float>(ImageWordAt(kVrOffset + 4 * static_cast<uint32_t>(index)));
}

void WriteVr(int32_t index, float value, int process)
{
    if (index < 0 || index >= kVrCount || !g_MemoryBase) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    PutImageWordAt(kVrOffset + 4 * static_cast<uint32_t>(index), std::bit_cast<int32_t>(value));
}

int32_t TableEntriesInUse()
{
    return g_TableEntriesInUse;
}

void SetTableEntriesInUse(int32_t count)
{
    g_TableEntriesInUse = count;
    if (g_MemorySize == kBatteryRamSize)
        PutImageWordAt(g_MemorySize - 4, count);
}

bool ReadTable(int32_t index, float& value, int process)
{
    if (index < 0 || index >= g_TableEntriesInUse || index >= kTableLimit) {
        SetProcessError(process, kErrTableIndex);
        return false;
    }
    value = g_TableValues[index];
    return true;
}

bool WriteTable(int32_t index, float value, int process)
{
    if (index < 0 || index >= kTableLimit) {
        SetProcessError(process, kErrTableIndex);
        return false;
    }
    const int64_t offset = TableOffset(index);
    if (index >= g_TableEntriesInUse && offset < 0) {
        SetProcessError(process, kErrOutOfMemory);
        return false;
    }
    g_TableValues[index] = value;
    if (offset >= 0)
        PutImageWordAt(static_cast<uint32_t>(offset), std::bit_cast<int32_t>(value));
    if (index >= g_TableEntriesInUse)
        SetTableEntriesInUse(index + 1);
    return true;
}

void LoadTableFromImage()
{
    // The top as the image holds it: the store has not read its directory
    // yet. An implausible top (a blank image) puts no program in the way.
    int64_t top = kProgramAreaStart;
    if (g_MemoryBase && g_MemorySize >= kProgramTopOffset + 4) {
        const int32_t word = ImageWordAt(kProgramTopOffset);
        if (word >= static_cast<int32_t>(kProgramAreaStart) && static_cast<uint32_t>(word) <= g_MemorySize)
            top = word;
    }
    for (int32_t index = 0; index < kTableLimit; ++index) {
        const int64_t offset = g_MemoryBase ? TableOffset(index, top) : -1;
        g_TableValues[index] = offset < 0 ? 0.0f : std::bit_cast<float>(ImageWordAt(static_cast<uint32_t>(offset)));
    }
}

void RewriteTableMirror(int64_t from, int64_t to)
{
    if (!g_MemoryBase || to <= from)
        return;
    // The values whose four bytes begin from "from - 3" on and below "to".
    const int64_t high = MirrorOffset(0);
    const int64_t first = std::max<int64_t>(0, (high - (to - 1) + 3) / 4);
    const int64_t last = std::min<int64_t>(kTableLimit - 1, (high - (from - 3)) / 4);
    for (int64_t index = first; index <= last; ++index) {
        const int64_t offset = TableOffset(static_cast<int32_t>(index));
        if (offset >= 0)
            PutImageWordAt(static_cast<uint32_t>(offset), std::bit_cast<int32_t>(g_TableValues[index]));
    }
}

namespace {

// Local variable slot of process owner; errors go to process, the one that
// runs the statement (LOOKUP reaches another process's locals).
float ReadLocalOf(int owner, int slot, int process)
{
    ProcessRecord& r = RecordOf(owner);
    if (slot < 0 || slot >= kLocalVariables)
        return 0.0f;
    if ((r.localFlags[slot] & 3u) == 3u)
        return ReadVr(TruncateToInt32(r.localValues[slot]), process);
    return r.localValues[slot];
}

float WriteLocalOf(int owner, int slot, float value, int process)
{
    ProcessRecord& r = RecordOf(owner);
    ProcessRecord& caller = RecordOf(process);
    if (slot < 0 || slot >= kLocalVariables) {
        SetProcessError(process, kErrEvaluation);
        return caller.result;
    }
    uint32_t flags = r.localFlags[slot] & 3u;
    if (flags == 3u) {
        WriteVr(TruncateToInt32(r.localValues[slot]), value, process);
        caller.result = value;
    } else if (flags == 1u) {
        SetProcessError(process, kErrReadOnly);
    } else {
        r.localValues[slot] = value;
        caller.result = value;
    }
    return caller.result;
}

// Bytes for LOOKUP's output, sent as data (28 and 30 are no line ends) in
// as few prints as the buffer allows.
class RawOutput {
public:
    explicit RawOutput(int process) : m_process(process) {}
    ~RawOutput() { Flush(); }
    RawOutput(const RawOutput&) = delete;
    RawOutput& operator=(const RawOutput&) = delete;

    void Put(uint8_t byte)
    {
        if (m_count == sizeof m_bytes)
            Flush();
        m_bytes[m_count++] = byte;
    }
    // Least significant byte first.
    void Put32(uint32_t word)
    {
        for (int n = 0; n < 4; ++n)
            Put(static_cast<uint8_t>(word >> (8 * n)));
    }
    void Flush()
    {
        EchoRawBytes(m_process, m_bytes, m_count);
        m_count = 0;
    }

private:
    int m_process;
    uint8_t m_bytes[64];
    size_t m_count = 0;
};

} // namespace

float ReadLocal(int slot, int process)
{
    return ReadLocalOf(process, slot, process);
}

float WriteLocal(int slot, float value, int process)
{
    return WriteLocalOf(process, slot, value, process);
}

void KeywordLookup(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = RecordOf(process);
    ArgumentCursor args(text, position, limit, process);
    float format = 0.0f;
    if (!args.Require(format, kErrCommaExpected))
        return;
    const int32_t form = TruncateToInt32(format);
    if (form == 0 || form == 1) {
        RawOutput out(process);
        out.Put(0);
        float value = 0.0f;
        while (args.Next(value))
            out.Put32(form == 0 ? std::bit_cast<uint32_t>(value) : static_cast<uint32_t>(TruncateToInt32(value)));
        return;
    }
    if (form < 0 || form > 4) {
        args.SkipRest(); // a form this controller does not have does nothing
        return;
    }

    // Forms 2 to 4: a local variable of this process, or of the one a PROC
    // modifier behind the list chooses for this call only.
    float index = 0.0f, value = 0.0f;
    if (!args.Require(index, kErrCommaExpected) || (form == 4 && !args.Require(value, kErrCommaExpected)))
        return;
    if (!args.SkipRest())
        return;
    const int32_t ownProcess = r.modifierProcess;
    if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
        return;
    const int chosen = r.modifierProcess;
    r.modifierProcess = ownProcess;
    const int32_t slot = TruncateToInt32(index);
    if (slot < 0 || slot >= kLocalVariables || !GetProcessRecord(chosen)) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (form == 4) {
        WriteLocalOf(chosen, slot, value, process);
        return;
    }
    {
        RawOutput out(process);
        out.Put(form == 2 ? 0 : 48);
    }
    const float local = ReadLocalOf(chosen, slot, process);
    if (GetProcessError(process) != 0)
        return;
    if (form == 2) {
        RawOutput out(process);
        out.Put32(static_cast<uint32_t>(TruncateToInt32(local)));
    } else {
        r.result = local;
    }
}

void KeywordVr(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* index = GetArgument(process, 0);
    if (!index) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    RecordOf(process).result = ReadVr(index->integer, process);
}

void KeywordTable(const uint8_t* text, int& position, int limit, int process)
{
    ArgumentCursor args(text, position, limit, process);
    float first = 0.0f;
    if (!args.Require(first, kErrParameterOutOfRange))
        return;
    const int32_t index = TruncateToInt32(first);
    if (!args.More()) {
        float value = 0.0f;
        if (ReadTable(index, value, process))
            RecordOf(process).result = value;
        return;
    }
    // Each value is written as soon as it is evaluated: a value that fails
    // leaves those before it written.
    float value = 0.0f;
    for (int32_t n = 0; args.Next(value); ++n) {
        if (index > INT32_MAX - n) {
            SetProcessError(process, kErrTableIndex);
            return;
        }
        if (!WriteTable(index + n, value, process))
            return;
    }
}

void KeywordClear(const uint8_t*, int& position, int, int process)
{
    ++position;
    if (g_MemoryBase)
        std::memset(g_MemoryBase + kVrOffset, 0, 4 * kVrCount);
    ClearLocalVariables(process);
}

namespace {

// FLASHVR(-3, block [, page]) and FLASHVR(-4, block [, page]): TABLE block b
// is the 16000 values from 16000 b; the page defaults to the block's number.
void CopyTableBlock(bool toFlash, int count, int process)
{
    if (!CountInRange(count, 2, 3, process))
        return;
    const int32_t block = GetArgument(process, 1)->integer;
    const int32_t page = count == 3 ? GetArgument(process, 2)->integer : block;
    if (block < 0 || block >= kTableEntries / kTableBlockEntries) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    std::vector<float> values(kTableBlockEntries);
    const int32_t first = block * kTableBlockEntries;
    if (toFlash) {
        for (int32_t n = 0; n < kTableBlockEntries; ++n) {
            if (!ReadTable(first + n, values[static_cast<size_t>(n)], process))
                return;
        }
        StoreTablePage(page, values.data(), process);
        return;
    }
    if (!LoadTablePage(page, values.data(), process))
        return;
    for (int32_t n = 0; n < kTableBlockEntries; ++n) {
        if (!WriteTable(first + n, values[static_cast<size_t>(n)], process))
            return;
    }
}

} // namespace

void KeywordFlashVr(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* first = GetArgument(process, 0);
    if (!first) {
        SetProcessError(process, kErrCommaExpected);
        return;
    }
    const int32_t n = first->integer;
    const int count = ArgumentCount(process);
    if (n < -4 || n >= kVrCount) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    switch (n) {
    case -1: {
        // The whole TABLE, as the power-up reads it back; values beyond
        // those in use are stored as 0.
        if (!CountInRange(count, 1, 1, process))
            return;
        std::vector<float> values(kTableEntries, 0.0f);
        for (int32_t index = 0; index < TableEntriesInUse() && index < kTableEntries; ++index)
            values[static_cast<size_t>(index)] = g_TableValues[index];
        StoreTableInFlash(values.data(), kTableEntries, process);
        return;
    }
    case -2:
        if (CountInRange(count, 1, 1, process))
            EraseFlashTable(process);
        return;
    case -3:
    case -4:
        CopyTableBlock(n == -3, count, process);
        return;
    default:
        break;
    }
    if (!CountInRange(count, 1, 1, process))
        return;
    const float value = ReadVr(n, process);
    if (GetProcessError(process) == 0)
        WriteFlashVr(n, value, process);
}

void KeywordReset(const uint8_t*, int& position, int, int process)
{
    ++position;
    ClearLocalVariables(process);
}

void KeywordBSpline(const uint8_t* text, int& position, int limit, int process)
{
    OwnArguments args(text, position, limit, process);
    if (!args.Ok())
        return;
    if (args.Count() != 5) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    const int32_t type = args[0].integer, source = args[1].integer, count = args[2].integer;
    const int32_t destination = args[3].integer, factor = args[4].integer;
    const int64_t end = static_cast<int64_t>(destination) + static_cast<int64_t>(count) * factor;
    if (type != 1 || source < 0 || source > kTableLimit || count <= 3 ||
        static_cast<int64_t>(source) + count > kTableLimit || destination < 0 || destination > kTableLimit ||
        factor <= 0 || end > kTableLimit) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    auto sourceValue = [&](int32_t k, float& value) { return ReadTable(source + k, value, process); };
    int32_t out = destination;
    auto put = [&](float value) { return WriteTable(out++, value, process); };

    const int32_t last = count - 1;
    float first = 0.0f;
    if (!sourceValue(0, first) || !put(first))
        return;
    // The control values of each segment, as indices into the source.
    auto segment = [&](int32_t a, int32_t b, int32_t c, int32_t d) {
        float p0, p1, p2, p3;
        if (!sourceValue(a, p0) || !sourceValue(b, p1) || !sourceValue(c, p2) || !sourceValue(d, p3))
            return false;
        const float sixth = 0.16666666f;
        const float c0 = (p0 + 4.0f * p1 + p2) * sixth;
        const float c1 = (3.0f * p2 - 3.0f * p0) * sixth;
        const float c2 = (3.0f * p0 - 6.0f * p1 + 3.0f * p2) * sixth;
        const float c3 = (-p0 + 3.0f * p1 - 3.0f * p2 + p3) * sixth;
        const float step = 1.0f / static_cast<float>(factor);
        float t = 0.0f;
        for (int32_t n = 0; n < factor; ++n, t += step) {
            if (!put(((c3 * t + c2) * t + c1) * t + c0))
                return false;
        }
        return true;
    };
    if (!segment(0, 0, 0, 1))
        return;
    for (int32_t i = 2; i <= last; ++i) {
        if (!segment(i - 3 > 0 ? i - 3 : 0, i - 2, i - 1, i))
            return;
    }
    if (!segment(last - 2, last - 1, last, last) || !segment(last - 1, last, last, last))
        return;
    float final = 0.0f;
    if (sourceValue(last, final))
        put(final);
}

void KeywordStick(const uint8_t* text, int& position, int limit, int process)
{
    // There is no memory stick on the simulated controller.
    OwnArguments args(text, position, limit, process);
    if (args.Ok())
        RecordOf(process).result = 0.0f;
}

void KeywordAbs(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Abs>(process);
}
void KeywordSin(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Sin>(process);
}
void KeywordCos(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Cos>(process);
}
void KeywordTan(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Tan>(process);
}
void KeywordAsin(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Asin>(process);
}
void KeywordAcos(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Acos>(process);
}
void KeywordAtan(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Atan>(process);
}
void KeywordExp(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Exp>(process);
}
void KeywordInt(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Int>(process);
}
void KeywordFrac(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Frac>(process);
}
void KeywordSgn(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Sgn>(process);
}
void KeywordSqr(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Sqr>(process);
}
void KeywordLn(const uint8_t*, int&, int, int process)
{
    UnaryFunction<Ln>(process);
}

void KeywordAtan2(const uint8_t*, int&, int, int process)
{
    const ArgumentValue* a = GetArgument(process, 0);
    const ArgumentValue* b = GetArgument(process, 1);
    if (!a || !b) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    RecordOf(process).result = std::atan2(a->value, b->value);
}

} // namespace qcrt
