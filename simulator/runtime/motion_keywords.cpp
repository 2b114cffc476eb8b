#include "simulator/runtime/motion_keywords.h"

#include <bit>
#include <cmath>
#include <cstdlib>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/errors.h"
#include "simulator/runtime/evaluator.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/motion.h"
#include "simulator/runtime/own_arguments.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/print.h"
#include "simulator/runtime/process.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/tokens.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

namespace {

template <void (*Body)(const uint8_t*, int&, int, int)>
void WithArguments(const uint8_t* text, int& position, int limit, int process)
{
    // The bracketed list, then the statement's modifier (AXIS, PROC).
    OwnArguments arguments(text, position, limit, process);
    if (!arguments.Ok())
        return;
    if (position < limit && text[position] == kTokModifier && !EvaluateModifier(text, position, limit, process))
        return;
    Body(text, position, limit, process);
}

constexpr float kHalfPi = 1.5707963f;
constexpr float kFullTurn = 6.283185f;

float Value(int process, int n, float fallback = 0.0f)
{
    const ArgumentValue* a = GetArgument(process, n);
    return a ? a->value : fallback;
}

int32_t Integer(int process, int n, int32_t fallback = 0)
{
    const ArgumentValue* a = GetArgument(process, n);
    return a ? a->integer : fallback;
}

float UnitsOf(int axis)
{
    return g_AxisRecords[axis].GetFloat(kAxisUnits);
}

void RaiseHighestAxis(int axis)
{
    if (axis > g_HighestAxisInUse)
        g_HighestAxisInUse = axis;
}

MoveEntry& EntryOf(int process, int axis)
{
    return g_MoveEntries[process][axis];
}

void PutInt(MoveEntry& entry, int n, int32_t value)
{
    entry.words[n] = static_cast<uint32_t>(value);
}

void PutFloat(MoveEntry& entry, int n, float value)
{
    entry.words[n] = std::bit_cast<uint32_t>(value);
}

// The first words of an entry: type, master and (for the moves that count
// along a path) length and distance.
MoveEntry& StartEntry(int process, int axis, int32_t type, int master)
{
    MoveEntry& entry = EntryOf(process, axis);
    PutInt(entry, kEntryType, type);
    PutInt(entry, kEntryMaster, master + 1);
    return entry;
}

// A reciprocal that is 0 where the value is 0.
float Reciprocal(float value)
{
    return value != 0.0f ? 1.0f / value : 0.0f;
}

// The rows of the statement's axis, as a reference.
AxisRecord& StatementRecord(int process)
{
    return g_AxisRecords[StatementAxisOf(process)];
}

// FORWARD and REVERSE.
void LoadConstantSpeed(int process, int32_t type)
{
    int axis = StatementAxisOf(process);
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, type, axis);
    PutInt(entry, kEntryLength, 0);
    PutInt(entry, kEntryDistance, 0);
    SubmitMove(1u << axis, process);
}

// The axes of a multi-axis command: value j belongs to the BASE-list entry
// j places after the statement's axis.
uint32_t AxesOf(int process, int count)
{
    uint32_t mask = 0;
    for (int j = 0; j < count; ++j)
        mask |= 1u << BaseAxisAfter(process, j);
    return mask;
}

// Waits for two servo periods, unless the process is being stopped.
void WaitTwoPeriods(int process)
{
    for (int n = 0; n < 2 && !ProcessStopping(process); ++n)
        WaitForTick(process);
}

bool StatementEnds(const uint8_t* text, int position, int limit)
{
    return position >= limit || text[position] == kTokColon || text[position] == kTokZero;
}

// DATUM(0) for an axis on a drive exchange: waits (at most about 1 s) until
// the drive has nothing pending, then clears the exchange words.
void ResetDriveExchange(int axis, int process)
{
    AxisRecord& a = g_AxisRecords[axis];
    const int32_t start = g_SystemMilliseconds.load();
    NoSuspendSection section;
    while (((static_cast<uint32_t>(a.GetInt(125)) >> 28) & 1u || a.GetInt(137) != 0) &&
           std::abs(static_cast<int64_t>(g_SystemMilliseconds.load()) - start) < 1001 && !ProcessStopping(process)) {
        EndNoSuspend();
        YieldSlice();
        BeginNoSuspend();
    }
    for (int word : {139, 137, 138, 125, 126})
        a.SetInt(word, 0);
}

} // namespace

int32_t TargetCount(float counts)
{
    if (counts > 0.0f)
        return TruncateToInt32(counts + 0.1f);
    if (counts < 0.0f)
        return TruncateToInt32(counts - 0.1f);
    return 0;
}

static void BodyBase(const uint8_t* text, int& position, int limit, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    const int count = ArgumentCount(process);
    if (count == 0) {
        const ProcessRecord& listed = g_ProcessRecords[r.modifierProcess % kProcessCount];
        if (!StatementEnds(text, position, limit)) {
            r.result = static_cast<float>(listed.baseList[0]); // BASE in an expression
            return;
        }
        if (process != 0) {
            SetProcessError(process, kErrCommandLineOnly);
            return;
        }
        int32_t channel = r.outputChannel;
        r.outputChannel = 0;
        PrintFormatted(process, "(%i", listed.baseList[0]);
        for (int n = 1; n < kBaseListSize; ++n)
            PrintFormatted(process, ",%i", listed.baseList[n]);
        PrintFormatted(process, ")\r\n");
        r.outputChannel = channel;
        return;
    }
    bool listed[kAxisCount] = {};
    int32_t axes[kBaseListSize] = {};
    for (int n = 0; n < count; ++n) {
        int32_t axis = Integer(process, n);
        if (axis < 0 || axis >= kAxisCount) {
            SetProcessError(process, kErrParameterOutOfRange);
            return;
        }
        if (listed[axis]) {
            SetProcessError(process, kErrDuplicateAxes);
            return;
        }
        listed[axis] = true;
        axes[n] = axis;
        RaiseHighestAxis(axis);
    }
    int filled = count;
    int32_t next = axes[count - 1];
    while (filled < kBaseListSize) {
        next = (next + 1) % kAxisCount;
        if (listed[next])
            continue;
        listed[next] = true;
        axes[filled++] = next;
    }
    for (int n = 0; n < kBaseListSize; ++n)
        r.baseList[n] = axes[n];
    r.result = static_cast<float>(axes[0]);
}

namespace {

void LinkAxis(int process, int word)
{
    int axis = StatementAxisOf(process);
    int32_t other = Integer(process, 0, -2);
    if (other < -1 || other >= kAxisCount || other == axis) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    g_AxisRecords[axis].SetInt(word, other + 1);
}

} // namespace

static void BodyAddax(const uint8_t*, int&, int, int process)
{
    LinkAxis(process, kAxisAddax);
}

static void BodyAddDac(const uint8_t*, int&, int, int process)
{
    LinkAxis(process, kAxisAddDac);
}

// The rate of ACC, DEC and SP in counts for the statement's axis; null
// (error 19) for a negative rate.
static AxisRecord* RateInCounts(int process, float& counts)
{
    float rate = Value(process, 0, -1.0f);
    if (rate < 0.0f) {
        SetProcessError(process, kErrParameterOutOfRange);
        return nullptr;
    }
    AxisRecord& a = StatementRecord(process);
    counts = rate * a.GetFloat(kAxisUnits);
    return &a;
}

static void BodyAcc(const uint8_t*, int&, int, int process)
{
    float counts;
    if (AxisRecord* a = RateInCounts(process, counts)) {
        a->SetFloat(kAxisAccel, counts);
        a->SetFloat(kAxisDecel, counts);
        a->SetFloat(kAxisReciprocalDecelWord, Reciprocal(counts));
        a->SetFloat(kAxisReciprocalAccelWord, Reciprocal(counts));
    }
}

static void BodyDec(const uint8_t*, int&, int, int process)
{
    float counts;
    if (AxisRecord* a = RateInCounts(process, counts)) {
        a->SetFloat(kAxisDecel, counts);
        a->SetFloat(kAxisReciprocalDecelWord, Reciprocal(counts));
    }
}

static void BodySp(const uint8_t*, int&, int, int process)
{
    float counts;
    if (AxisRecord* a = RateInCounts(process, counts))
        a->SetFloat(kAxisSpeed, counts);
}

static void BodyForward(const uint8_t*, int&, int, int process)
{
    LoadConstantSpeed(process, kMoveForward);
}

static void BodyReverse(const uint8_t*, int&, int, int process)
{
    LoadConstantSpeed(process, kMoveReverse);
}

static void BodyMoveAbs(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    const int master = StatementAxisOf(process);
    if (WaitForPendingMove(process))
        return;
    for (int j = 0; j < count; ++j) {
        int axis = BaseAxisAfter(process, j);
        MoveEntry& entry = StartEntry(process, axis, kMoveAbsolute, master);
        PutInt(entry, kEntryLength, 0);
        PutInt(entry, kEntryDistance, TargetCount(Value(process, j) * UnitsOf(axis)));
    }
    SubmitMove(AxesOf(process, count), process);
}

static void BodyMove(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    const int master = StatementAxisOf(process);
    double sum = 0.0;
    for (int j = 0; j < count; ++j) {
        double scaled = static_cast<double>(Value(process, j)) * UnitsOf(BaseAxisAfter(process, j));
        sum += scaled * scaled;
    }
    const int32_t length = TruncateToInt32(static_cast<float>(std::sqrt(sum) + 0.5));
    if (WaitForPendingMove(process))
        return;
    for (int j = 0; j < count; ++j) {
        int axis = BaseAxisAfter(process, j);
        int32_t distance = TargetCount(Value(process, j) * UnitsOf(axis));
        MoveEntry& entry = StartEntry(process, axis, kMoveLinear, master);
        PutInt(entry, kEntryLength, length);
        PutInt(entry, kEntryDistance, distance);
        // The share of the rounded length, so that the axis ends on its count.
        PutFloat(entry, kEntryFactor, length != 0 ? static_cast<float>(distance) / static_cast<float>(length) : 0.0f);
    }
    SubmitMove(AxesOf(process, count), process);
}

static void BodyCancel(const uint8_t*, int&, int, int process)
{
    const int32_t mode = Integer(process, 0, 0);
    if (mode != 0 && mode != 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    const int axis = StatementAxisOf(process);
    if (mode == 0) {
        NoSuspendSection section;
        AxisRecord& a = g_AxisRecords[axis];
        a.SetInt(kAxisStatus, a.GetInt(kAxisStatus) | kStatusCancel);
    } else {
        // One next-move cancel at a time.
        int32_t none = -1;
        while (!g_NextMoveCancel.compare_exchange_strong(none, axis)) {
            if (ProcessStopping(process))
                return;
            none = -1;
            YieldSlice();
        }
    }
    WaitTwoPeriods(process);
}

static void BodyRapidStop(const uint8_t*, int&, int, int process)
{
    {
        NoSuspendSection section;
        for (AxisRecord& a : g_AxisRecords) {
            a.SetInt(kAxisStatus, a.GetInt(kAxisStatus) | kStatusCancel);
            // The moves waiting behind do not start either.
            a.SetInt(kAxisNtype, kMoveIdle);
            a.SetInt(kAxisNextMove + kEntryMask, 0);
        }
    }
    WaitTwoPeriods(process);
}

static void BodyPmove(const uint8_t*, int&, int, int process)
{
    ProcessRecord& r = g_ProcessRecords[process];
    int watched = r.modifierProcess % kProcessCount;
    r.result = (g_PendingMoves.load() >> watched & 1u) ? -1.0f : 0.0f;
}

namespace {

bool TableRangeFits(int32_t start, int32_t end)
{
    const int32_t used = TableEntriesInUse();
    return start >= 0 && start < used && end < used && end > start;
}

} // namespace

static void BodyCam(const uint8_t*, int&, int, int process)
{
    const int32_t start = Integer(process, 0), end = Integer(process, 1);
    const float multiplier = Value(process, 2), distance = Value(process, 3);
    if (!TableRangeFits(start, end))
        SetProcessError(process, kErrTableIndex);
    if (distance <= 0.0f)
        SetProcessError(process, kErrParameterOutOfRange);
    if (GetProcessError(process) != 0)
        return;
    const int axis = StatementAxisOf(process);
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, kMoveCam, axis);
    const float d = distance * UnitsOf(axis);
    PutInt(entry, kEntryWord5, end);
    PutInt(entry, kEntryWord7, end - start);
    PutFloat(entry, kEntryFactor, multiplier);
    PutInt(entry, kEntryDistance, TruncateToInt32(d));
    PutFloat(entry, kEntryReciprocal, 1.0f / d);
    PutInt(entry, kEntryOptions, 0);
    SubmitMove(1u << axis, process);
}

static void BodyCamBox(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    const int32_t start = Integer(process, 0), end = Integer(process, 1);
    float multiplier = Value(process, 2);
    const float linkDistance = Value(process, 3);
    const int32_t link = Integer(process, 4);
    const int32_t options = Integer(process, 5, 0);
    const float linkPosition = Value(process, 6, 0.0f);
    const int32_t lead = Integer(process, 7, 0);
    const int axis = StatementAxisOf(process);
    if (!TableRangeFits(start, end))
        SetProcessError(process, kErrTableIndex);
    if (linkDistance <= 0.0f || link < 0 || link >= kAxisCount || link == axis)
        SetProcessError(process, kErrParameterOutOfRange);
    if (GetProcessError(process) != 0)
        return;
    const float linkUnits = UnitsOf(link);
    const int32_t k = TruncateToInt32(static_cast<float>(lead) * linkUnits);
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, kMoveCamBox, link);
    const float l = linkDistance * linkUnits;
    PutInt(entry, kEntryWord5, end);
    PutInt(entry, kEntryWord7, end - start);
    PutFloat(entry, kEntryFactor, multiplier);
    PutInt(entry, kEntryDistance, TruncateToInt32(l));
    PutFloat(entry, kEntryReciprocal, 1.0f / l);
    PutInt(entry, kEntryOptions, options);
    PutInt(entry, kEntryWord11, TruncateToInt32(linkPosition * linkUnits));
    if (options & 8) {
        // The multiplier comes from a block of TABLE values.
        const int32_t block = TruncateToInt32(multiplier);
        if (block < 0 || block >= TableEntriesInUse() - 6) {
            SetProcessError(process, kErrTableIndex);
            return;
        }
        float first = 0.0f, third = 0.0f, value = 0.0f;
        if (!ReadTable(block + 2, third, process) || !ReadTable(TruncateToInt32(third), value, process))
            return;
        PutInt(entry, kEntryWord9, 0);
        PutInt(entry, kEntryOptions,
               static_cast<int32_t>(static_cast<uint32_t>(options) + 256u * static_cast<uint32_t>(block)));
        PutFloat(entry, kEntryFactor, value);
        if (!ReadTable(block, first, process) || !ReadTable(TruncateToInt32(first), multiplier, process))
            return;
    }
    PutInt(entry, kEntryLead, 0);
    PutInt(entry, kEntryLeadOffset, 0);
    if (options & 32) {
        if (count < 8) {
            SetProcessError(process, kErrCommaExpected);
            return;
        }
        if (k < 1 || static_cast<float>(k) >= l) {
            SetProcessError(process, kErrParameterOutOfRange);
            return;
        }
        const double x = start + static_cast<double>(end - start) * k / l;
        const int32_t i = TruncateToInt32(static_cast<float>(x));
        float low = 0.0f, high = 0.0f, first = 0.0f;
        ReadTable(start, first, -1);
        ReadTable(i, low, -1);
        if (!ReadTable(i + 1, high, -1))
            high = low;
        const double at = low + (high - low) * (x - i);
        PutInt(entry, kEntryLead, -k);
        PutInt(entry, kEntryLeadOffset, TruncateToInt32(static_cast<float>(-multiplier * (at - first))));
    }
    SubmitMove(1u << axis, process);
}

static void BodyConnect(const uint8_t*, int&, int, int process)
{
    const float ratio = Value(process, 0);
    const int32_t link = Integer(process, 1, -1);
    const int axis = StatementAxisOf(process);
    if (link < 0 || link >= kAxisCount || link == axis) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, kMoveConnect, link);
    PutFloat(entry, kEntryFactor, ratio);
    SubmitMove(1u << axis, process);
}

static void BodyMoveLink(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    const float distance = Value(process, 0);
    const float linkDistance = std::fabs(Value(process, 1));
    float accel = std::fabs(Value(process, 2, 0.0f));
    float decel = count == 3 ? accel : std::fabs(Value(process, 3, 0.0f));
    int32_t link = Integer(process, 4, -1);
    const int32_t options = Integer(process, 5, 0);
    const float linkPosition = Value(process, 6, 0.0f);
    if (linkDistance < accel + decel) {
        const float sum = accel + decel;
        accel = accel * linkDistance / sum;
        decel = decel * linkDistance / sum;
    }
    const int axis = StatementAxisOf(process);
    if (link == -1)
        link = BaseAxisAfter(process, 1);
    if (link < 0 || link >= kAxisCount || link == axis) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (WaitForPendingMove(process))
        return;
    const float us = UnitsOf(axis), ul = UnitsOf(link);
    const float s = distance * us, lc = linkDistance * ul, ac = accel * ul, dc = decel * ul;
    MoveEntry& entry = StartEntry(process, axis, kMoveLink, link);
    PutInt(entry, kEntryDistance, TargetCount(s));
    PutInt(entry, kEntryLength, TruncateToInt32(lc));
    PutInt(entry, kEntryWord5, TruncateToInt32(lc - ac));
    PutInt(entry, kEntryWord7, TruncateToInt32(dc));
    PutInt(entry, kEntryOptions, options);
    PutInt(entry, kEntryWord11, TruncateToInt32(linkPosition * ul));
    const float path = lc - (ac + dc) * 0.5f;
    const float ratio = path != 0.0f ? s / path : 0.0f;
    PutFloat(entry, kEntryReciprocal, ratio);
    PutFloat(entry, kEntryFactor, ac != 0.0f ? ratio * 0.5f / ac : 0.0f);
    PutFloat(entry, kEntryWord9, dc != 0.0f ? ratio * 0.5f / dc : 0.0f);
    SubmitMove(1u << axis, process);
}

static void BodyMoveCirc(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    const int32_t direction = Integer(process, 4, -1);
    if (direction != 0 && direction != 1) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    const bool helix = count >= 6;
    const int32_t mode = Integer(process, 6, 0);
    const int a1 = StatementAxisOf(process), a2 = BaseAxisAfter(process, 1), a3 = BaseAxisAfter(process, 2);
    const float end1 = Value(process, 0) * UnitsOf(a1), end2 = Value(process, 1) * UnitsOf(a2);
    const float centre1 = Value(process, 2) * UnitsOf(a1), centre2 = Value(process, 3) * UnitsOf(a2);
    const float height = helix ? Value(process, 5) * UnitsOf(a3) : 0.0f;
    const float radius = std::sqrt(centre1 * centre1 + centre2 * centre2);
    // 0 - x rather than -x: a centre on an axis must not give -0, whose
    // angle is -pi where the end point's is pi.
    float endAngle = std::atan2(end1 - centre1, end2 - centre2);
    const float startAngle = std::atan2(0.0f - centre1, 0.0f - centre2);
    if (direction == 0) {
        if (endAngle - startAngle > -0.000001f)
            endAngle -= kFullTurn;
    } else if (endAngle - startAngle <= 0.000001f) {
        endAngle += kFullTurn;
    }
    const float arc = std::fabs(radius * (endAngle - startAngle));
    const float path = helix && mode == 0 ? std::sqrt(arc * arc + height * height) : arc;
    const float circleFactor = path != 0.0f ? arc / path : 1.0f;
    if (WaitForPendingMove(process))
        return;
    const int32_t type = helix ? kMoveHelical : kMoveCircular;
    for (int n = 0; n < 2; ++n) {
        MoveEntry& entry = StartEntry(process, n == 0 ? a1 : a2, type, a1);
        PutInt(entry, kEntryLength, TruncateToInt32(path));
        PutFloat(entry, kEntryFactor, circleFactor);
        PutFloat(entry, kEntryReciprocal, Reciprocal(radius));
        PutFloat(entry, kEntryWord11, radius);
        PutInt(entry, kEntryWord7, direction == 0 ? 1 : 0);
        PutInt(entry, kEntryWord5, TruncateToInt32(n == 0 ? centre1 : centre2));
        PutFloat(entry, kEntryWord9, n == 0 ? endAngle : endAngle + kHalfPi);
        // The end point itself, where the move ends: the angles run over the
        // truncated path length and would miss it by up to a count.
        PutInt(entry, kEntryDistance, TargetCount(n == 0 ? end1 : end2));
    }
    uint32_t mask = 1u << a1 | 1u << a2;
    if (helix) {
        MoveEntry& entry = StartEntry(process, a3, kMoveLinear, a1);
        PutInt(entry, kEntryLength, TruncateToInt32(path));
        PutInt(entry, kEntryDistance, TargetCount(height));
        PutFloat(entry, kEntryFactor, path != 0.0f ? height / path : 0.0f);
        mask |= 1u << a3;
    }
    SubmitMove(mask, process);
}

static void BodyMoveModify(const uint8_t*, int&, int, int process)
{
    const int axis = StatementAxisOf(process);
    const float target = Value(process, 0) * UnitsOf(axis);
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, kMoveModify, axis);
    PutInt(entry, kEntryDistance, TargetCount(target));
    PutFloat(entry, kEntryFactor, 1.0f);
    SubmitMove(1u << axis, process);
}

static void BodyDatum(const uint8_t*, int&, int, int process)
{
    static constexpr int32_t kFlags[] = {0, 0x402, 0x602, 0x22, 0x222, 0x422, 0x622};
    const int32_t mode = Integer(process, 0, -1);
    if (mode < 0 || mode > 6) {
        SetProcessError(process, kErrParameterOutOfRange);
        return;
    }
    if (mode == 0) {
        if (int32_t* motionError = SystemParameterWord(FindParameter("MOTION_ERROR")))
            *motionError = 0;
        {
            NoSuspendSection section;
            g_MotionErrorAxes = 0;
            for (AxisRecord& a : g_AxisRecords) {
                a.SetInt(kAxisStatus, a.GetInt(kAxisStatus) & ~0x90E);
                a.SetInt(kAxisFeLatch, 0);
                if (a.GetInt(kAxisType) == 4) {
                    a.SetInt(kAxisDpos, a.GetInt(kAxisMpos));
                    a.SetInt(kAxisEndMove, a.GetInt(kAxisMpos));
                }
            }
        }
        for (int axis = 0; axis < kAxisCount; ++axis) {
            AxisRecord& a = g_AxisRecords[axis];
            int32_t type = a.GetInt(kAxisType);
            if (type == 11 || type == 20) {
                ResetDriveExchange(axis, process);
                a.SetInt(kAxisServo, 0);
                a.SetInt(44, 0);
            } else if (type == 21) {
                a.SetInt(kAxisDriveEnable, a.GetInt(kAxisDriveEnable) | 0x800);
            }
        }
        return;
    }
    const int axis = StatementAxisOf(process);
    if (WaitForPendingMove(process))
        return;
    MoveEntry& entry = StartEntry(process, axis, kMoveDatum, axis);
    PutInt(entry, kEntryLength, 0);
    PutInt(entry, kEntryDistance, 0);
    PutInt(entry, kEntryWord5, kFlags[mode]);
    SubmitMove(1u << axis, process);
}

static void BodyDefpos(const uint8_t*, int&, int, int process)
{
    const int count = ArgumentCount(process);
    uint32_t mask = 0;
    {
        NoSuspendSection section;
        for (int j = 0; j < count && j < kBaseListSize; ++j) {
            int axis = BaseAxisAfter(process, j);
            RaiseHighestAxis(axis);
            AxisRecord& a = g_AxisRecords[axis];
            double offset = static_cast<double>(Value(process, j) * a.GetFloat(kAxisUnits)) - a.GetInt(kAxisDpos);
            a.SetInt(kAxisOffpos, TruncateToInt32(static_cast<float>(offset)));
            mask |= 1u << axis;
        }
    }
    auto pending = [mask] {
        for (int axis = 0; axis < kAxisCount; ++axis) {
            if ((mask >> axis & 1u) && g_AxisRecords[axis].GetInt(kAxisOffpos) != 0)
                return true;
        }
        return false;
    };
    // The servo pass takes the offsets in; without motion simulation nothing
    // would, and they are dropped.
    while (pending()) {
        if (!g_MotionEnabled.load() || ProcessStopping(process)) {
            for (int axis = 0; axis < kAxisCount; ++axis) {
                if (mask >> axis & 1u)
                    g_AxisRecords[axis].SetInt(kAxisOffpos, 0);
            }
            return;
        }
        YieldSlice();
    }
}

void KeywordBase(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyBase>(text, position, limit, process);
}

void KeywordAddax(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyAddax>(text, position, limit, process);
}

void KeywordAddDac(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyAddDac>(text, position, limit, process);
}

void KeywordAcc(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyAcc>(text, position, limit, process);
}

void KeywordDec(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyDec>(text, position, limit, process);
}

void KeywordSp(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodySp>(text, position, limit, process);
}

void KeywordForward(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyForward>(text, position, limit, process);
}

void KeywordReverse(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyReverse>(text, position, limit, process);
}

void KeywordMoveAbs(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyMoveAbs>(text, position, limit, process);
}

void KeywordMove(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyMove>(text, position, limit, process);
}

void KeywordCancel(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyCancel>(text, position, limit, process);
}

void KeywordRapidStop(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyRapidStop>(text, position, limit, process);
}

void KeywordPmove(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyPmove>(text, position, limit, process);
}

void KeywordCam(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyCam>(text, position, limit, process);
}

void KeywordCamBox(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyCamBox>(text, position, limit, process);
}

void KeywordConnect(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyConnect>(text, position, limit, process);
}

void KeywordMoveLink(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyMoveLink>(text, position, limit, process);
}

void KeywordMoveCirc(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyMoveCirc>(text, position, limit, process);
}

void KeywordMoveModify(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyMoveModify>(text, position, limit, process);
}

void KeywordDatum(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyDatum>(text, position, limit, process);
}

void KeywordDefpos(const uint8_t* text, int& position, int limit, int process)
{
    WithArguments<BodyDefpos>(text, position, limit, process);
}

bool AxisIdle(int process, bool loadedOnly)
{
    NoSuspendSection section;
    const int axis = StatementAxisOf(process);
    if (g_MoveEntries[process][axis].words[kEntryType] != 0 && (g_PendingMoves.load() >> process & 1u))
        return false;
    const AxisRecord& a = g_AxisRecords[axis];
    if (a.GetInt(kAxisNtype) != kMoveIdle)
        return false;
    return loadedOnly || a.GetInt(kAxisMtype) == kMoveIdle;
}

} // namespace qcrt
