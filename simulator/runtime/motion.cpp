#include "simulator/runtime/motion.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "simulator/runtime/host.h"
#include "simulator/runtime/memory_keywords.h"
#include "simulator/runtime/parameters.h"
#include "simulator/runtime/power_up.h"
#include "simulator/runtime/scheduler.h"
#include "simulator/runtime/values.h"
#include "simulator/runtime/vocabulary.h"

namespace qcrt {

MoveEntry g_MoveEntries[kProcessCount][kAxisCount];
uint32_t g_SubmittedAxes[kProcessCount];
std::atomic<uint32_t> g_PendingMoves{0};
std::atomic<int32_t> g_NextMoveCancel{-1};
uint32_t g_MotionErrorAxes = 0;
PositionSwitch g_PositionSwitches[kPositionSwitches];
uint32_t g_PositionSwitchWord = 0;
CaptureState g_Capture;

namespace {

// Axes flagged for an extra pass in this period.
uint32_t g_ExtraPass = 0;
// FRAME as it was at the last period.
int32_t g_LastFrame = 0;

AxisRecord& Axis(int axis)
{
    return g_AxisRecords[axis];
}

int32_t Int(int axis, int word)
{
    return g_AxisRecords[axis].GetInt(word);
}

void SetInt(int axis, int word, int32_t value)
{
    g_AxisRecords[axis].SetInt(word, value);
}

float Float(int axis, int word)
{
    return g_AxisRecords[axis].GetFloat(word);
}

void SetFloat(int axis, int word, float value)
{
    g_AxisRecords[axis].SetFloat(word, value);
}

// Half away from zero, saturating like every conversion of the runtime
// (in double precision: positions need all 32 bits).
int32_t RoundHalfAway(double value)
{
    value = value >= 0.0 ? value + 0.5 : value - 0.5;
    if (std::isnan(value))
        return 0;
    if (value >= 2147483647.0)
        return INT32_MAX;
    if (value <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(value);
}

int32_t AddWrapping(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

int32_t SubtractWrapping(int32_t a, int32_t b)
{
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

int64_t Magnitude(int32_t value)
{
    return value < 0 ? -static_cast<int64_t>(value) : value;
}

// Words of the current move (entry word n).
int32_t MoveInt(int axis, int n)
{
    return Int(axis, kAxisCurrentMove + n);
}

float MoveFloat(int axis, int n)
{
    return Float(axis, kAxisCurrentMove + n);
}

int MasterOf(int axis)
{
    int32_t master = MoveInt(axis, kEntryMaster) - 1;
    return master >= 0 && master < kAxisCount ? master : axis;
}

bool IsLinear(int32_t type)
{
    return type == kMoveLinear || type == kMoveAbsolute || type == kMoveModify || type == kMoveLinearSp ||
           type == kMoveAbsoluteSp;
}

bool IsCircular(int32_t type)
{
    return type == kMoveHelical || type == kMoveCircular || type == kMoveCircularSp || type == kMoveHelicalSp;
}

bool IsLinked(int32_t type)
{
    return type >= kMoveCamBox;
}

float Table(int32_t index)
{
    float value = 0.0f;
    if (!ReadTable(index, value, -1))
        return 0.0f;
    return value;
}

// The TABLE value at a fractional index, between neighbouring entries.
float TableAt(double x)
{
    int32_t i = TruncateToInt32(static_cast<float>(x));
    float low = Table(i);
    if (i + 1 >= TableEntriesInUse())
        return low;
    return low + (Table(i + 1) - low) * static_cast<float>(x - i);
}

int32_t* SystemWord(const char* name)
{
    return SystemParameterWord(FindParameter(name));
}

struct SystemWords {
    int32_t* frame = SystemWord("FRAME");
    int32_t* motionError = SystemWord("MOTION_ERROR");
    int32_t* errorAxis = SystemWord("ERROR_AXIS");
};

const SystemWords& System()
{
    static const SystemWords words;
    return words;
}

// The position of a circular move's axis, relative to its start, at the
// master's remaining path length.
double CircleOffset(int axis, double remaining)
{
    double radius = MoveFloat(axis, kEntryWord11);
    double step = static_cast<double>(MoveFloat(axis, kEntryFactor)) * MoveFloat(axis, kEntryReciprocal);
    double sign = MoveInt(axis, kEntryWord7) == 1 ? 1.0 : -1.0;
    double angle = MoveFloat(axis, kEntryWord9) + sign * step * remaining;
    return MoveInt(axis, kEntryWord5) + radius * std::sin(angle) + Float(axis, kAxisMoveOffset);
}

// How far through its distance a cam is: the distance done over the whole
// (its reciprocal alone would leave a whole distance just short of 1).
double CamFraction(int axis, double done)
{
    int32_t whole = MoveInt(axis, kEntryDistance);
    return whole > 0 ? done / whole : done * MoveFloat(axis, kEntryReciprocal);
}

// The cam profile: the position at a fraction of the table, relative to
// the table's first value.
double CamPosition(int axis, double fraction)
{
    int32_t end = MoveInt(axis, kEntryWord5);
    int32_t span = MoveInt(axis, kEntryWord7);
    int32_t start = end - span;
    double multiplier = MoveFloat(axis, kEntryFactor);
    int32_t options = MoveInt(axis, kEntryOptions);
    if (options & 8) {
        // The multiplier lives in TABLE, at the index the block names, so a
        // program can change it while the cam runs.
        int32_t block = options >> 8;
        multiplier = Table(TruncateToInt32(Table(block + 2)));
    }
    double x = start + span * std::clamp(fraction, 0.0, 1.0);
    // CAMBOX's lead (option 32) starts the profile part-way in, without a jump.
    double lead = MoveInt(axis, kEntryType) == kMoveCamBox ? MoveInt(axis, kEntryLeadOffset) : 0;
    return multiplier * (TableAt(x) - Table(start)) + lead;
}

// MOVELINK's path over the link distance: a ramp quadratic in the link
// distance, a constant ratio, and a ramp down to the distance.
double LinkPosition(int axis, double link)
{
    double total = MoveInt(axis, kEntryLength);
    double accel = total - MoveInt(axis, kEntryWord5);
    double decel = MoveInt(axis, kEntryWord7);
    double ratio = MoveFloat(axis, kEntryReciprocal);
    double distance = MoveInt(axis, kEntryDistance);
    link = std::clamp(link, 0.0, total);
    if (link < accel)
        return MoveFloat(axis, kEntryFactor) * link * link;
    if (link > total - decel) {
        double left = total - link;
        return distance - MoveFloat(axis, kEntryWord9) * left * left;
    }
    return ratio * (link - accel * 0.5);
}

// Where a circular move's axis ends, relative to its start: its programmed
// end point.
int32_t CircleEnd(const MoveEntry& entry)
{
    return static_cast<int32_t>(entry.words[kEntryDistance]);
}

void SetDemand(int axis, int32_t position)
{
    SetInt(axis, kAxisDpos, position);
}

void EndMove(int axis)
{
    SetInt(axis, kAxisMoveBase, Int(axis, kAxisDpos));
    SetInt(axis, kAxisMtype, kMoveIdle);
    SetInt(axis, kAxisMoveFlags, 0);
    // A follow-on move waiting on this axis starts in the same period.
    uint32_t bit = 1u << axis;
    if (Int(axis, kAxisNtype) != kMoveIdle)
        g_ExtraPass |= bit;
    for (int other = 0; other < kAxisCount; ++other) {
        if (Int(other, kAxisNtype) != kMoveIdle && Int(other, kAxisNextMove + kEntryMask) & static_cast<int32_t>(bit))
            g_ExtraPass |= 1u << other;
    }
}

// How far the link axis moved since the last pass.
int32_t LinkMovement(int axis)
{
    int link = MasterOf(axis);
    int32_t now = Int(link, kAxisMpos);
    int32_t moved = SubtractWrapping(now, Int(axis, kAxisLinkLast));
    SetInt(axis, kAxisLinkLast, now);
    return moved;
}

// Option 2 of the link moves: the move waits until the link axis reaches its
// link position.
bool LinkStarted(int axis)
{
    if (Int(axis, kAxisLinkStarted) != 0 || (MoveInt(axis, kEntryOptions) & 2) == 0)
        return true;
    int link = MasterOf(axis);
    int32_t position = MoveInt(axis, kEntryWord11);
    int32_t last = Int(axis, kAxisLinkLast);
    int32_t now = Int(link, kAxisMpos);
    if ((last <= position && now >= position) || (last >= position && now <= position)) {
        SetInt(axis, kAxisLinkStarted, 1);
        SetInt(axis, kAxisLinkLast, position);
        return true;
    }
    SetInt(axis, kAxisLinkLast, now);
    return false;
}

void StartJog(int axis, int32_t type)
{
    AxisRecord& a = Axis(axis);
    std::memset(&a.words[kAxisCurrentMove], 0, kMoveWords * sizeof(uint32_t));
    a.SetInt(kAxisCurrentMove + kEntryMask, static_cast<int32_t>(1u << axis));
    a.SetInt(kAxisMtype, type);
    a.SetInt(kAxisLinkAxisWord, axis + 1);
    // Jog speed unless the fast-jog input is on.
    if (InputActive(a.GetInt(kAxisFastJog))) {
        a.SetInt(kAxisMoveFlags, 0);
    } else {
        a.SetFloat(kAxisAltSpeed, a.GetFloat(kAxisJogSpeed));
        a.SetInt(kAxisMoveFlags, kDatumCreep);
    }
}

void MoveStep(int axis)
{
    const int32_t type = Int(axis, kAxisMtype);
    const int master = MasterOf(axis);
    const int32_t base = Int(axis, kAxisMoveBase);
    switch (type) {
    case kMoveIdle: {
        SetInt(axis, kAxisMoveBase, Int(axis, kAxisDpos));
        SetInt(axis, kAxisRemain, 0);
        SetInt(axis, kAxisMasterRemaining, 0);
        SetFloat(axis, kAxisVpSpeed, 0.0f);
        SetFloat(axis, kAxisStepCarry, 0.0f);
        SetInt(axis, kAxisRampAccumulator, 0);
        SetInt(axis, kAxisRampStep, 0);
        int32_t status = Int(axis, kAxisStatus);
        if (InputActive(Int(axis, kAxisFwdJog)) && (status & 0x210) == 0)
            StartJog(axis, kMoveJogForward);
        else if (InputActive(Int(axis, kAxisRevJog)) && (status & 0x420) == 0)
            StartJog(axis, kMoveJogReverse);
        return;
    }
    case kMoveHold:
        SetDemand(axis, base);
        return;
    case kMoveForward:
    case kMoveReverse:
    case kMoveDatum:
    case kMoveJogForward:
    case kMoveJogReverse: {
        int32_t step = Int(master, kAxisRampStep);
        if (type == kMoveReverse || type == kMoveJogReverse ||
            (type == kMoveDatum && (Int(axis, kAxisMoveFlags) & kDatumReverse)))
            step = SubtractWrapping(0, step);
        SetInt(axis, kAxisMoveBase, AddWrapping(base, step));
        SetDemand(axis, AddWrapping(Int(axis, kAxisDpos), step));
        int32_t jogInput = type == kMoveJogForward   ? Int(axis, kAxisFwdJog)
                           : type == kMoveJogReverse ? Int(axis, kAxisRevJog)
                                                     : -1;
        if ((type == kMoveJogForward || type == kMoveJogReverse) && !InputActive(jogInput))
            SetInt(axis, kAxisStatus, Int(axis, kAxisStatus) | kStatusCancel);
        return;
    }
    case kMoveCam: {
        float done = Float(axis, kAxisLinkCount) + static_cast<float>(Int(axis, kAxisRampStep));
        SetFloat(axis, kAxisLinkCount, done);
        double fraction = CamFraction(axis, done);
        SetDemand(axis, RoundHalfAway(base + CamPosition(axis, fraction)));
        if (fraction >= 1.0)
            EndMove(axis);
        return;
    }
    case kMoveCamBox: {
        if (!LinkStarted(axis))
            return;
        float done = Float(axis, kAxisLinkCount) + static_cast<float>(Magnitude(LinkMovement(axis)));
        double fraction = CamFraction(axis, done);
        if (fraction >= 1.0 && (MoveInt(axis, kEntryOptions) & 4)) {
            // Repeats: the next turn of the table starts where this one ends.
            int32_t turn = RoundHalfAway(CamPosition(axis, 1.0) - MoveInt(axis, kEntryLeadOffset));
            SetInt(axis, kAxisMoveBase, AddWrapping(base, turn));
            SetInt(axis, kAxisCurrentMove + kEntryLeadOffset, 0);
            done -= static_cast<float>(MoveInt(axis, kEntryDistance));
            fraction -= 1.0;
            SetFloat(axis, kAxisLinkCount, done);
            SetDemand(axis, RoundHalfAway(Int(axis, kAxisMoveBase) + CamPosition(axis, fraction)));
            return;
        }
        SetFloat(axis, kAxisLinkCount, done);
        SetDemand(axis, RoundHalfAway(base + CamPosition(axis, fraction)));
        if (fraction >= 1.0)
            EndMove(axis);
        return;
    }
    case kMoveConnect: {
        float target = MoveFloat(axis, kEntryFactor);
        float ratio = Float(axis, kAxisConnectRatio);
        float ramp = Float(axis, kAxisClutchRate) * g_ServoPeriod;
        ratio = ratio < target ? std::min(ratio + ramp, target) : std::max(ratio - ramp, target);
        SetFloat(axis, kAxisConnectRatio, ratio);
        double x = static_cast<double>(LinkMovement(axis)) * ratio + Float(axis, kAxisConnectCarry);
        int32_t step = TruncateToInt32(static_cast<float>(x));
        SetFloat(axis, kAxisConnectCarry, static_cast<float>(x - step));
        SetInt(axis, kAxisMoveBase, AddWrapping(base, step));
        SetDemand(axis, AddWrapping(Int(axis, kAxisDpos), step));
        return;
    }
    case kMoveLink: {
        if (!LinkStarted(axis))
            return;
        float done = Float(axis, kAxisLinkCount) + static_cast<float>(Magnitude(LinkMovement(axis)));
        SetFloat(axis, kAxisLinkCount, done);
        if (done >= static_cast<float>(MoveInt(axis, kEntryLength))) {
            SetDemand(axis, AddWrapping(base, MoveInt(axis, kEntryDistance)));
            EndMove(axis);
            return;
        }
        SetDemand(axis, RoundHalfAway(base + LinkPosition(axis, done)));
        return;
    }
    default:
        break;
    }
    if (IsLinear(type)) {
        int32_t remaining = Int(master, kAxisMasterRemaining);
        int32_t end = AddWrapping(base, MoveInt(axis, kEntryDistance));
        if (remaining >= 1 && Int(master, kAxisMtype) != kMoveIdle) {
            SetDemand(axis, RoundHalfAway(end - static_cast<double>(MoveFloat(axis, kEntryFactor)) * remaining));
            return;
        }
        SetDemand(axis, end);
        EndMove(axis);
        return;
    }
    if (IsCircular(type)) {
        int32_t remaining = Int(master, kAxisMasterRemaining);
        if (remaining >= 1 && Int(master, kAxisMtype) != kMoveIdle) {
            SetDemand(axis, RoundHalfAway(base + CircleOffset(axis, remaining)));
            return;
        }
        SetDemand(axis, AddWrapping(base, MoveInt(axis, kEntryDistance)));
        EndMove(axis);
        return;
    }
    // A type the generator does not run ends at once.
    EndMove(axis);
}

// The simulated servo: the follower runs toward the demand position with its
// speed limit, accelerating and braking at its acceleration, and never passes
// the demand.
void FollowerStep(int axis)
{
    AxisRecord& a = Axis(axis);
    const int32_t d = a.GetInt(kAxisDpos);
    const int32_t m = a.GetInt(kAxisFollowerPosition);
    if (m == d) {
        a.SetFloat(kAxisFollowerSpeed, 0.0f);
        a.SetFloat(kAxisFollowerCarry, 0.0f);
        return;
    }
    const double period = g_ServoPeriod;
    const double demandSpeed = std::fabs(static_cast<double>(a.GetInt(kAxisDemandSpeed))) / period;
    const double limit = std::max({2.0 * a.GetFloat(kAxisSpeed), 2.0 * demandSpeed, 1.0 / period});
    const double accel =
        std::max(4.0 * std::max(a.GetFloat(kAxisAccel), a.GetFloat(kAxisDecel)), 1.0 / (period * period));
    const double remaining = std::fabs(static_cast<double>(d) - m);
    const double direction = d > m ? 1.0 : -1.0;
    double speed = a.GetFloat(kAxisFollowerSpeed);
    const double braking = speed * speed / (2.0 * accel);
    double target = remaining < braking && speed * direction > 0.0 ? 0.0 : direction * limit;
    double change = accel * period;
    speed = speed < target ? std::min(speed + change, target) : std::max(speed - change, target);
    double x = speed * period + a.GetFloat(kAxisFollowerCarry);
    double step = std::clamp(std::trunc(x), -1.0e9, 1.0e9);
    if (std::fabs(step) >= remaining && step * direction > 0.0) {
        a.SetInt(kAxisFollowerPosition, d);
        a.SetFloat(kAxisFollowerSpeed, 0.0f);
        a.SetFloat(kAxisFollowerCarry, 0.0f);
        return;
    }
    a.SetInt(kAxisFollowerPosition, static_cast<int32_t>(m + static_cast<int64_t>(step)));
    a.SetFloat(kAxisFollowerSpeed, static_cast<float>(speed));
    a.SetFloat(kAxisFollowerCarry, static_cast<float>(x - step));
}

// Loads the axis's next move as its current move.
void LoadMove(int axis)
{
    AxisRecord& a = Axis(axis);
    std::memcpy(&a.words[kAxisCurrentMove], &a.words[kAxisNextMove], kMoveWords * sizeof(uint32_t));
    std::memset(&a.words[kAxisNextMove], 0, 2 * sizeof(uint32_t));
    const int32_t type = a.GetInt(kAxisMtype);
    const int32_t start = a.GetInt(kAxisDpos);
    a.SetInt(kAxisMoveBase, start);
    a.SetInt(kAxisMasterRemaining, a.GetInt(kAxisRemain));
    a.SetFloat(kAxisStepCarry, 0.0f);
    a.SetInt(kAxisRampAccumulator, 0);
    a.SetInt(kAxisRampStep, 0);
    a.SetFloat(kAxisLinkCount, 0.0f);
    a.SetInt(kAxisLinkStarted, 0);
    a.SetInt(kAxisMoveFlags, 0);
    a.SetFloat(kAxisMoveOffset, 0.0f);
    a.SetInt(kAxisStatus, a.GetInt(kAxisStatus) & ~kStatusCancel);
    if (type == kMoveAbsolute || type == kMoveAbsoluteSp || type == kMoveModify) {
        // Absolute moves end at their absolute target, wherever a cancel
        // left the axis.
        int32_t target = a.GetInt(kAxisCurrentMove + 14);
        int32_t distance = SubtractWrapping(target, start);
        a.SetInt(kAxisCurrentMove + kEntryDistance, distance);
        int32_t length = a.GetInt(kAxisRemain);
        if (type == kMoveModify) {
            length = TruncateToInt32(static_cast<float>(Magnitude(distance)));
            a.SetInt(kAxisRemain, length);
            a.SetInt(kAxisMasterRemaining, length);
        }
        a.SetFloat(kAxisCurrentMove + kEntryFactor, length != 0 ? static_cast<float>(distance) / length : 0.0f);
    } else if (IsCircular(type)) {
        // The correction that puts the path's first point on the start.
        a.SetFloat(kAxisMoveOffset, 0.0f);
        float offset = static_cast<float>(CircleOffset(axis, a.GetInt(kAxisRemain)));
        a.SetFloat(kAxisMoveOffset, -offset);
    } else if (type == kMoveCamBox || type == kMoveLink || type == kMoveConnect) {
        int link = MasterOf(axis);
        a.SetInt(kAxisLinkLast, g_AxisRecords[link].GetInt(kAxisMpos));
        a.SetFloat(kAxisConnectCarry, 0.0f);
        if (type == kMoveCamBox && a.GetInt(kAxisCurrentMove + kEntryLead) != 0)
            a.SetFloat(kAxisLinkCount, static_cast<float>(-a.GetInt(kAxisCurrentMove + kEntryLead)));
    } else if (type == kMoveDatum) {
        a.SetInt(kAxisMoveFlags, a.GetInt(kAxisCurrentMove + kEntryWord5));
        a.SetFloat(kAxisAltSpeed, a.GetFloat(kAxisCreep));
    }
}

bool AllIdle(uint32_t mask)
{
    for (int axis = 0; axis < kAxisCount; ++axis) {
        if ((mask >> axis & 1u) && Int(axis, kAxisMtype) != kMoveIdle)
            return false;
    }
    return true;
}

void LoadNextMovesOf(uint32_t axes)
{
    for (int axis = kAxisCount - 1; axis >= 0; --axis) {
        if (!(axes >> axis & 1u) || Int(axis, kAxisNtype) == kMoveIdle || Int(axis, kAxisMtype) != kMoveIdle)
            continue;
        // The axes of one move start together, once all of them are free.
        uint32_t mask = static_cast<uint32_t>(Int(axis, kAxisNextMove + kEntryMask));
        if (mask == 0)
            mask = 1u << axis;
        if (!AllIdle(mask))
            continue;
        for (int other = kAxisCount - 1; other >= 0; --other) {
            if ((mask >> other & 1u) && Int(other, kAxisNtype) != kMoveIdle)
                LoadMove(other);
        }
    }
}

void DropNextMove(int axis)
{
    uint32_t mask = static_cast<uint32_t>(Int(axis, kAxisNextMove + kEntryMask));
    if (mask == 0)
        mask = 1u << axis;
    for (int other = 0; other < kAxisCount; ++other) {
        if (mask >> other & 1u) {
            SetInt(other, kAxisNtype, kMoveIdle);
            SetInt(other, kAxisNextMove + kEntryMask, 0);
        }
    }
}

// A cancelled move is over: every axis of the move stops where it is.
void EndCancelledMove(int master)
{
    const int32_t move = Int(master, kAxisCurrentMove + kEntryMask);
    for (int axis = 0; axis < kAxisCount; ++axis) {
        if (Int(axis, kAxisMtype) == kMoveIdle)
            continue;
        if (axis != master && (move == 0 || Int(axis, kAxisCurrentMove + kEntryMask) != move))
            continue;
        SetInt(axis, kAxisEndMove, Int(axis, kAxisDpos));
        SetInt(axis, kAxisMoveFlags, 0);
        SetInt(axis, kAxisMtype, kMoveIdle);
        SetInt(axis, kAxisMoveBase, Int(axis, kAxisDpos));
        SetInt(axis, kAxisRemain, 0);
        SetInt(axis, kAxisMasterRemaining, 0);
        SetInt(axis, kAxisStatus, Int(axis, kAxisStatus) & ~kStatusCancel);
    }
}

// The DATUM searches: at speed toward the datum input, back at creep speed
// until it goes off again, then (modes 1, 2, 5 and 6) to the encoder's
// mark, which the simulated encoder gives at once. The position found
// becomes 0.
void DatumPhases(int axis)
{
    int32_t flags = Int(axis, kAxisMoveFlags);
    const bool input = InputActive(Int(axis, kAxisDatumIn));
    if (flags & kDatumInput) {
        if (!(flags & kDatumCreep)) {
            if (input) {
                // Found: back off at creep speed, from standstill.
                flags = (flags | kDatumCreep) ^ kDatumReverse;
                SetFloat(axis, kAxisVpSpeed, 0.0f);
            }
        } else if (!input) {
            flags &= ~(kDatumInput | kDatumCreep);
        }
        SetInt(axis, kAxisMoveFlags, flags);
        if (flags & kDatumInput)
            return;
    }
    // The mark, or the edge of the input: the datum is here.
    SetInt(axis, kAxisOffpos, SubtractWrapping(0, Int(axis, kAxisDpos)));
    SetFloat(axis, kAxisVpSpeed, 0.0f);
    SetInt(axis, kAxisRampAccumulator, 0);
    SetInt(axis, kAxisRampStep, 0);
    SetInt(axis, kAxisMtype, kMoveIdle);
    SetInt(axis, kAxisMoveFlags, 0);
    SetInt(axis, kAxisEndMove, Int(axis, kAxisDpos));
}

void SpeedPassAxis(int axis)
{
    const int32_t type = Int(axis, kAxisMtype);
    const int32_t speedNow = Int(axis, kAxisDemandSpeed);
    const int32_t dpos = Int(axis, kAxisDpos);
    int32_t status = Int(axis, kAxisStatus);
    if ((speedNow > 0 && (InputActive(Int(axis, kAxisFwdIn)) || dpos >= Int(axis, kAxisFsLimit))) ||
        (speedNow < 0 && (InputActive(Int(axis, kAxisRevIn)) || dpos <= Int(axis, kAxisRsLimit)))) {
        status |= kStatusCancel;
        SetInt(axis, kAxisStatus, status);
    } else if (type == kMoveDatum) {
        DatumPhases(axis);
        if (Int(axis, kAxisMtype) == kMoveIdle)
            return;
    }
    const int master = MasterOf(axis);
    if (IsLinked(type)) {
        // A linked move has no speed of its own: a cancel ends it at once.
        if (status & kStatusCancel)
            EndCancelledMove(axis);
        return;
    }
    // A cancel of any axis of a move is the master's to carry out.
    if ((status & kStatusCancel) && master != axis)
        SetInt(master, kAxisStatus, Int(master, kAxisStatus) | kStatusCancel);
    if (master != axis)
        return;

    AxisRecord& a = Axis(axis);
    status = a.GetInt(kAxisStatus);
    const int32_t flags = a.GetInt(kAxisMoveFlags);
    const bool cancel = (status & kStatusCancel) != 0;
    // A negative speed counts as 0; a rate of 0 or less changes the speed at
    // once instead of never.
    float target = a.GetFloat(kAxisSpeed);
    float decel = a.GetFloat(kAxisDecel);
    if (InputActive(a.GetInt(kAxisFholdIn)))
        target = a.GetFloat(kAxisFhSpeed);
    if (flags & kDatumCreep)
        target = a.GetFloat(kAxisAltSpeed);
    if (cancel) {
        target = 0.0f;
        if (a.GetFloat(kAxisFastDec) != 0.0f)
            decel = a.GetFloat(kAxisFastDec);
    }
    target = std::max(target, 0.0f);
    const float accel = a.GetFloat(kAxisAccel);
    const float period = g_ServoPeriod;
    float speed = a.GetFloat(kAxisVpSpeed);
    if (speed < target)
        speed = accel > 0.0f ? std::min(speed + accel * period, target) : target;
    else if (speed > target)
        speed = decel > 0.0f ? std::max(speed - decel * period, target) : target;
    a.SetFloat(kAxisVpSpeed, speed);

    if (cancel && a.GetInt(kAxisRampAccumulator) == 0 && speed == 0.0f) {
        EndCancelledMove(axis);
        return;
    }
    const bool limited = type < kMoveForward;
    int32_t remain = a.GetInt(kAxisRemain);
    if (limited) {
        double r = remain;
        if (a.GetInt(kAxisMerge) != 0)
            r += a.GetInt(kAxisNextMove + kEntryLength);
        const double limit = a.GetFloat(kAxisDecel);
        double most = r <= 0.0 ? 0.0 : limit > 0.0 ? std::sqrt(2.0 * limit * r) : speed;
        speed = static_cast<float>(std::min<double>(speed, most));
        a.SetFloat(kAxisVpSpeed, speed);
    }
    double x = static_cast<double>(speed) * period + a.GetFloat(kAxisStepCarry);
    int32_t n = RoundHalfAway(x);
    double carry = x - n;
    if (limited && n > remain) {
        // Never beyond the end: the last step takes what is left.
        n = std::max(remain, 0);
        carry = 0.0;
    }
    a.SetInt(kAxisRampAccumulator, AddWrapping(a.GetInt(kAxisRampAccumulator), n));
    if (limited) {
        remain -= n;
        a.SetInt(kAxisRemain, remain);
    }
    a.SetFloat(kAxisStepCarry, static_cast<float>(carry));

    // S-ramp smoothing of the steps.
    int32_t accumulator = a.GetInt(kAxisRampAccumulator);
    if (accumulator != 0) {
        int32_t f = TruncateToInt32(accumulator * a.GetFloat(kAxisRampFactorWord));
        if (f == 0)
            f = accumulator > 0 ? 1 : -1;
        // Only a move toward an end counts its remaining distance down.
        if (limited)
            a.SetInt(kAxisMasterRemaining, SubtractWrapping(a.GetInt(kAxisMasterRemaining), f));
        a.SetInt(kAxisRampStep, f);
        a.SetInt(kAxisRampAccumulator, SubtractWrapping(accumulator, f));
    } else {
        a.SetInt(kAxisRampStep, 0);
        if (limited)
            a.SetInt(kAxisMasterRemaining, remain);
    }
}

void ApplyOffset(int axis, int32_t offset, bool demandToo)
{
    AxisRecord& a = Axis(axis);
    a.SetInt(kAxisMpos, AddWrapping(a.GetInt(kAxisMpos), offset));
    a.SetInt(kAxisFollowerPosition, AddWrapping(a.GetInt(kAxisFollowerPosition), offset));
    if (!demandToo)
        return;
    for (int word : {kAxisDpos, kAxisEndMove, kAxisDemandEdges, kAxisPreviousDemand, kAxisMoveBase})
        a.SetInt(word, AddWrapping(a.GetInt(word), offset));
}

// REP_DIST: the measured position wraps into -REP_DIST..REP_DIST, or into
// 0..REP_DIST with bit 0 of REP_OPTION, and the demand side with it.
bool WrapRepeatDistance(int axis)
{
    AxisRecord& a = Axis(axis);
    const int64_t distance = a.GetInt(kAxisRepDist);
    if (distance <= 0)
        return false;
    const int64_t mpos = a.GetInt(kAxisMpos);
    const bool positive = (a.GetInt(kAxisRepOption) & 1) != 0;
    int64_t shift = 0;
    if (positive) {
        if (mpos >= distance)
            shift = -distance;
        else if (mpos < 0)
            shift = distance;
    } else {
        if (mpos >= distance)
            shift = -2 * distance;
        else if (mpos < -distance)
            shift = 2 * distance;
    }
    if (shift == 0)
        return false;
    ApplyOffset(axis, static_cast<int32_t>(shift), true);
    return true;
}

void ServoOutput(int axis, int32_t output)
{
    AxisRecord& a = Axis(axis);
    int64_t value = static_cast<int64_t>(output) + a.GetInt(kAxisOutputOffset);
    int32_t added = a.GetInt(kAxisAddDac);
    if (added > 0 && added <= kAxisCount && added - 1 != axis)
        value += g_AxisRecords[added - 1].GetInt(kAxisDacOut);
    int64_t limit = std::abs(static_cast<int64_t>(a.GetInt(kAxisOutLimit)));
    value = std::clamp(value, -limit, limit);
    if (a.GetInt(kAxisType) != 13)
        a.SetInt(kAxisDacOut, static_cast<int32_t>(value));
}

bool IsServoType(int32_t type)
{
    return type == 2 || type == 5 || type == 7 || type == 12 || type == 36;
}

bool IsStepperType(int32_t type)
{
    return type == 1 || type == 4 || type == 14 || type == 31 || type == 33 || type == 35 || type == 37;
}

void ServoLoop(int axis)
{
    AxisRecord& a = Axis(axis);
    const int32_t d = a.GetInt(kAxisDemandEdges);
    int32_t fe = SubtractWrapping(d, a.GetInt(kAxisMpos));
    int32_t status = a.GetInt(kAxisStatus);
    const int32_t feLimit = a.GetInt(kAxisFeLimit);
    const int32_t mode = a.GetInt(kAxisFeLimitMode);
    const int64_t magnitude = Magnitude(fe);
    if (magnitude >= feLimit) {
        if (mode == 0 || mode == 2) {
            status |= kStatusFeLimit;
            a.SetInt(kAxisFeLatch, fe);
        } else {
            a.SetInt(kAxisFeLimitMode, 2);
            fe = a.GetInt(kAxisFe);
        }
    } else if (mode != 0) {
        a.SetInt(kAxisFeLimitMode, 1);
    }
    status = magnitude > a.GetInt(kAxisFeRange) ? status | kStatusFeRange : status & ~kStatusFeRange;
    a.SetInt(kAxisStatus, status);
    const int32_t previous = a.GetInt(kAxisFe);
    a.SetInt(kAxisFe, fe);
    const float iGain = a.GetFloat(1);
    float integral = iGain != 0.0f ? a.GetFloat(kAxisIntegral) + static_cast<float>(fe) : 0.0f;
    a.SetFloat(kAxisIntegral, integral);
    float x = a.GetFloat(kAxisDacScale) * (a.GetFloat(kAxisPGain) * fe + a.GetFloat(4) * a.GetInt(kAxisDemandSpeed) +
                                           a.GetFloat(kAxisAffGain) * a.GetInt(kAxisDemandAccel) + iGain * integral +
                                           a.GetFloat(2) * (static_cast<float>(fe) - static_cast<float>(previous)));
    int32_t output = RoundHalfAway(x);
    if (output > 0)
        output = RoundHalfAway(static_cast<double>(output) + a.GetInt(159));
    else if (output < 0)
        output = RoundHalfAway(static_cast<double>(output) + a.GetInt(160));
    if (magnitude < a.GetInt(161))
        a.SetInt(kAxisDeadZone, 0);
    else if (magnitude >= a.GetInt(162))
        a.SetInt(kAxisDeadZone, 1);
    if (a.GetInt(kAxisDeadZone) == 0)
        output = 0;
    ServoOutput(axis, output);
}

void AxisStep(int axis)
{
    AxisRecord& a = Axis(axis);
    // Demand bookkeeping.
    int32_t d = a.GetInt(kAxisDemandEdges);
    int32_t speed = SubtractWrapping(d, a.GetInt(kAxisPreviousDemand));
    a.SetInt(kAxisDemandAccel, SubtractWrapping(speed, a.GetInt(kAxisDemandSpeed)));
    a.SetInt(kAxisDemandSpeed, speed);
    int32_t added = a.GetInt(kAxisAddax);
    if (added > 0 && added <= kAxisCount && added - 1 != axis) {
        // The added axis's demand moves this one too, and stays in its demand.
        int32_t extra = g_AxisRecords[added - 1].GetInt(kAxisDemandSpeed);
        for (int word : {kAxisDemandEdges, kAxisDpos, kAxisEndMove, kAxisMoveBase})
            a.SetInt(word, AddWrapping(a.GetInt(word), extra));
        d = a.GetInt(kAxisDemandEdges);
    }
    a.SetInt(kAxisPreviousDemand, d);

    const int32_t type = a.GetInt(kAxisType);
    const int32_t before = a.GetInt(kAxisMpos);
    if (type == 0 || type == 6) {
        a.SetInt(kAxisMpos, d);
        a.SetInt(kAxisFollowerPosition, d);
        a.SetFloat(kAxisFollowerSpeed, 0.0f);
        a.SetInt(kAxisFe, 0);
        if (type == 6)
            ServoOutput(axis, a.GetInt(kAxisDac));
    } else {
        // The encoder reads the simulated servo.
        a.SetInt(kAxisMpos, a.GetInt(kAxisFollowerPosition));
        const bool servoOn = a.GetInt(kAxisServo) != 0;
        if (IsServoType(type) && servoOn) {
            ServoLoop(axis);
        } else if (IsStepperType(type)) {
            a.SetInt(kAxisFe, SubtractWrapping(d, a.GetInt(kAxisMpos)));
        } else if (type == 3 || type == 10 || IsServoType(type)) {
            // No servo: the demand follows the measurement.
            int32_t mpos = a.GetInt(kAxisMpos);
            for (int word : {kAxisDemandEdges, kAxisDpos, kAxisEndMove, kAxisPreviousDemand, kAxisMoveBase})
                a.SetInt(word, mpos);
            if (g_MotionErrorAxes == 0) {
                a.SetInt(kAxisFe, 0);
                a.SetFloat(kAxisIntegral, 0.0f);
            }
            int32_t dac = a.GetInt(kAxisDac);
            ServoOutput(axis, a.GetFloat(kAxisDacScale) < 0.0f ? -dac : dac);
        }
    }
    // OFFPOS, in a period without a wrap.
    if (!WrapRepeatDistance(axis)) {
        int32_t offset = a.GetInt(kAxisOffpos);
        if (offset != 0) {
            ApplyOffset(axis, offset, (a.GetInt(kAxisRepOption) & 4) == 0);
            a.SetInt(kAxisOffposApplied, offset);
            a.SetInt(kAxisOffpos, 0);
        }
    }
    a.SetInt(kAxisMspeed, SubtractWrapping(a.GetInt(kAxisMpos), before));

    // Motion errors.
    if (a.GetInt(kAxisStatus) & a.GetInt(kAxisErrorMask)) {
        if (g_MotionErrorAxes == 0) {
            if (int32_t* errorAxis = System().errorAxis)
                *errorAxis = axis;
        }
        g_MotionErrorAxes |= 1u << axis;
        if (int32_t* motionError = System().motionError)
            *motionError = static_cast<int32_t>(g_MotionErrorAxes);
    }
}

void FrameTransform()
{
    int32_t frame = System().frame ? *System().frame : 0;
    if (frame != g_LastFrame) {
        // The demand side is rebuilt from the transformed demands.
        int32_t t0 = Int(0, kAxisDemandEdges), t1 = Int(1, kAxisDemandEdges);
        for (int axis = 0; axis < kAxisCount; ++axis) {
            int32_t value = Int(axis, kAxisDemandEdges);
            if (frame == 2 && axis == 0)
                value = AddWrapping(t0, t1) >> 1;
            else if (frame == 2 && axis == 1)
                value = SubtractWrapping(t0, t1) >> 1;
            SetInt(axis, kAxisDpos, value);
            SetInt(axis, kAxisEndMove, value);
        }
        g_LastFrame = frame;
    }
    int32_t d0 = Int(0, kAxisDpos), d1 = Int(1, kAxisDpos);
    for (int axis = 0; axis < kAxisCount; ++axis)
        SetInt(axis, kAxisDemandEdges, Int(axis, kAxisDpos));
    if (frame == 2) {
        SetInt(0, kAxisDemandEdges, AddWrapping(d0, d1));
        SetInt(1, kAxisDemandEdges, SubtractWrapping(d0, d1));
    }
}

void DisabledPeriod()
{
    // Nothing moves: the moves handed over are dropped, and so are the waits
    // for them.
    for (auto& entries : g_MoveEntries) {
        for (MoveEntry& entry : entries)
            entry.words[kEntryType] = 0;
    }
    for (int axis = 0; axis < kAxisCount; ++axis) {
        SetInt(axis, kAxisMtype, kMoveIdle);
        SetInt(axis, kAxisNtype, kMoveIdle);
    }
    for (uint32_t& submitted : g_SubmittedAxes)
        submitted = 0;
    g_PendingMoves.store(0);
}

} // namespace

bool InputActive(int32_t input)
{
    return input >= 0 && input < 32 && ((g_InputWord >> input) & 1u) == 0;
}

int StatementAxisOf(int process)
{
    return BaseAxisAfter(process, 0);
}

int BaseAxisAfter(int process, int n)
{
    const ProcessRecord& r = g_ProcessRecords[process];
    int position = r.statementAxis >= 0 && r.statementAxis < kBaseListSize ? r.statementAxis : 0;
    int32_t axis = r.baseList[(position + n) % kBaseListSize];
    return axis >= 0 && axis < kAxisCount ? axis : 0;
}

bool ConvertCaptureValue(int32_t kind, uint32_t word, float& value)
{
    switch (kind) {
    case 1:
    case 4:
    case 5:
    case 6:
        value = std::bit_cast<float>(word);
        return true;
    case 12:
        value = static_cast<float>(static_cast<int16_t>(word >> 16));
        return true;
    case 0:
    case 2:
    case 3:
    case 7:
    case 8:
        value = static_cast<float>(static_cast<int32_t>(word));
        return true;
    default:
        return false;
    }
}

void ResetMotion()
{
    std::memset(g_MoveEntries, 0, sizeof g_MoveEntries);
    std::memset(g_SubmittedAxes, 0, sizeof g_SubmittedAxes);
    g_PendingMoves.store(0);
    g_NextMoveCancel.store(-1);
    g_MotionErrorAxes = 0;
    std::memset(g_PositionSwitches, 0, sizeof g_PositionSwitches);
    g_PositionSwitchWord = 0;
    g_Capture = CaptureState{};
    g_ExtraPass = 0;
    g_LastFrame = System().frame ? *System().frame : 0;
}

void TakePendingMoves()
{
    uint32_t pending = g_PendingMoves.load();
    for (int process = 0; process < kProcessCount; ++process) {
        if (!(pending >> process & 1u))
            continue;
        const uint32_t mask = g_SubmittedAxes[process];
        bool busy = false;
        for (int axis = 0; axis < kAxisCount; ++axis)
            busy = busy || ((mask >> axis & 1u) && Int(axis, kAxisNtype) != kMoveIdle);
        if (busy)
            continue;
        g_SubmittedAxes[process] = 0;
        double sum = 0.0;
        int last = -1;
        for (int axis = kAxisCount - 1; axis >= 0; --axis) {
            MoveEntry& entry = g_MoveEntries[process][axis];
            const int32_t type = static_cast<int32_t>(entry.words[kEntryType]);
            if (type == kMoveIdle)
                continue;
            AxisRecord& a = g_AxisRecords[axis];
            int32_t distance = static_cast<int32_t>(entry.words[kEntryDistance]);
            if (type == kMoveAbsolute || type == kMoveAbsoluteSp) {
                distance = static_cast<int32_t>(static_cast<uint32_t>(distance) - a.words[kAxisEndMove]);
                entry.words[kEntryDistance] = static_cast<uint32_t>(distance);
                sum += static_cast<double>(distance) * distance;
            }
            // The end of the last move taken, which the next MOVEABS counts from.
            int32_t end = a.GetInt(kAxisEndMove);
            if (IsLinear(type) && type != kMoveModify)
                end = AddWrapping(end, distance);
            else if (type == kMoveModify)
                end = distance;
            else if (IsCircular(type))
                end = AddWrapping(end, CircleEnd(entry));
            std::memcpy(&a.words[kAxisNextMove], entry.words, sizeof entry.words);
            a.words[kAxisNextMove + kEntryMask] = mask;
            a.SetInt(kAxisNextMove + 14, end);
            a.SetInt(kAxisEndMove, end);
            entry.words[kEntryType] = 0;
            last = axis;
        }
        if (last >= 0) {
            const int32_t type = Int(last, kAxisNtype);
            if (type == kMoveAbsolute || type == kMoveAbsoluteSp) {
                if (sum != 0.0) {
                    int32_t length = TruncateToInt32(static_cast<float>(std::sqrt(sum)));
                    for (int axis = 0; axis < kAxisCount; ++axis) {
                        if (!(mask >> axis & 1u) || Int(axis, kAxisNtype) == kMoveIdle)
                            continue;
                        SetInt(axis, kAxisNextMove + kEntryLength, length);
                        SetFloat(axis, kAxisNextMove + kEntryReciprocal, length != 0 ? 1.0f / length : 0.0f);
                    }
                } else {
                    for (int axis = 0; axis < kAxisCount; ++axis) {
                        if (!(mask >> axis & 1u))
                            continue;
                        for (int word : {kEntryMask, kEntryType, kEntryLength, kEntryDistance})
                            SetInt(axis, kAxisNextMove + word, 0);
                    }
                }
            }
        }
        g_PendingMoves.fetch_and(~(1u << process));
    }
}

void LoadNextMoves()
{
    int32_t cancelled = g_NextMoveCancel.exchange(-1);
    if (cancelled >= 0 && cancelled < kAxisCount)
        DropNextMove(cancelled);
    LoadNextMovesOf(~0u);
}

void SpeedPass()
{
    for (int axis = 0; axis < kAxisCount; ++axis) {
        if (Int(axis, kAxisMtype) == kMoveIdle) {
            // A cancel that found nothing to cancel is not kept for the next move.
            SetInt(axis, kAxisStatus, Int(axis, kAxisStatus) & ~kStatusCancel);
            continue;
        }
        SpeedPassAxis(axis);
    }
}

void ServoPass()
{
    for (int axis = kAxisCount - 1; axis >= 0; --axis) {
        MoveStep(axis);
        FollowerStep(axis);
    }
}

void AxisServoStep()
{
    for (int axis = 0; axis < kAxisCount; ++axis)
        AxisStep(axis);
}

void PeriodIoStep()
{
    if (g_PositionSwitchWord != 0) {
        uint32_t outputs = g_OutputWord;
        for (const PositionSwitch& s : g_PositionSwitches) {
            if (!s.inUse || s.axis < 0 || s.axis >= kAxisCount || s.output < 0 || s.output > 31)
                continue;
            int32_t position = Int(s.axis, kAxisMpos);
            uint32_t bit = 1u << s.output;
            outputs = position >= s.low && position <= s.high ? outputs | bit : outputs & ~bit;
        }
        g_OutputWord = outputs;
    }
    // The status bits of the inputs and the soft limits, on every axis.
    for (int axis = 0; axis < kAxisCount; ++axis) {
        AxisRecord& a = Axis(axis);
        int32_t status = a.GetInt(kAxisStatus) & 0xF90F;
        int32_t position = a.GetInt(kAxisMpos);
        if (InputActive(a.GetInt(kAxisFwdIn)))
            status |= kStatusForwardIn;
        if (InputActive(a.GetInt(kAxisRevIn)))
            status |= kStatusReverseIn;
        if (a.GetInt(kAxisMoveFlags) & kDatumActive)
            status |= kStatusDatuming;
        if (InputActive(a.GetInt(kAxisFholdIn)))
            status |= kStatusFeedHold;
        if (position >= a.GetInt(kAxisFsLimit))
            status |= kStatusForwardLimit;
        if (position <= a.GetInt(kAxisRsLimit))
            status |= kStatusReverseLimit;
        a.SetInt(kAxisStatus, status);
    }
    // Capture into TABLE.
    CaptureState& c = g_Capture;
    if (c.mode != 2)
        return;
    if (++c.counter < c.period)
        return;
    c.counter = 0;
    if (c.index >= c.samples) {
        c.mode = 1;
        return;
    }
    for (int n = 0; n < c.count && n < kCaptureParameters; ++n) {
        const CaptureParameter& p = c.parameters[n];
        const int64_t index = static_cast<int64_t>(c.start) + static_cast<int64_t>(n) * c.samples + c.index;
        float value;
        if (p.word && index >= 0 && index <= INT32_MAX && ConvertCaptureValue(p.kind, *p.word, value))
            WriteTable(static_cast<int32_t>(index), value, -1);
    }
    ++c.index;
}

void ExtraMovePass()
{
    // One extra step per period: a move that ends in this step flags its axis
    // again, and that flag is dropped.
    const uint32_t extra = g_ExtraPass;
    for (int axis = kAxisCount - 1; axis >= 0; --axis) {
        if (extra >> axis & 1u)
            MoveStep(axis);
    }
    g_ExtraPass = 0;
}

void ServoPeriod()
{
    if (!g_MotionEnabled.load()) {
        DisabledPeriod();
        return;
    }
    TakePendingMoves();
    LoadNextMoves();
    SpeedPass();
    g_ExtraPass = 0;
    ServoPass();
    if (g_ExtraPass != 0) {
        LoadNextMovesOf(g_ExtraPass);
        ExtraMovePass();
    }
    FrameTransform();
    AxisServoStep();
    PeriodIoStep();
}

void InstallMotionGenerator()
{
    SetMotionPass(ServoPeriod);
}

int WaitForPendingMove(int process)
{
    const uint32_t bit = 1u << process;
    while (g_PendingMoves.load() & bit) {
        if (GetProcessError(process) != 0 || ProcessStopping(process))
            return 1;
        YieldSlice();
    }
    return GetProcessError(process) != 0 ? 1 : 0;
}

void SubmitMove(uint32_t axisMask, int process)
{
    if (axisMask != 0) {
        int highest = 31 - std::countl_zero(axisMask);
        if (highest > g_HighestAxisInUse)
            g_HighestAxisInUse = highest;
    }
    NoSuspendSection section;
    g_SubmittedAxes[process] = axisMask;
    g_PendingMoves.fetch_or(1u << process);
}

} // namespace qcrt
