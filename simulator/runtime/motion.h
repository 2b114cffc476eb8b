// The motion generator: moves handed over by the processes, stepped once per
// servo period, and the simulated servo that lets each axis's measured
// position follow its demand.
//
// A motion command fills the process's move entries (one per axis) and
// submits them; the generator takes them into the axes' next-move slots at
// its next servo period, loads a next move once the axis's current move is
// over, and steps the current moves. All of it is plain code over the axis
// records with the servo period (g_ServoPeriod) as its time step: a test runs
// ServoPeriod() as often as it likes, without any thread.
//
// Distances are encoder counts; speeds are counts per second and
// accelerations counts per second squared (the axis parameters' stored
// forms). Profiles: trapezoidal speed ramps (ACCEL up, DECEL down), with the
// speed of a move limited to sqrt(2 DECEL R) at R counts from its end; SRAMP
// smooths the steps by its ramp factor.
#pragma once

#include <atomic>
#include <cstdint>

#include "simulator/runtime/axis.h"
#include "simulator/runtime/process.h"

namespace qcrt {

// Move types (MTYPE, NTYPE).
enum : int32_t {
    kMoveIdle = 0,
    kMoveLinear = 1, // MOVE
    kMoveAbsolute = 2,
    kMoveHelical = 3,
    kMoveCircular = 4,
    kMoveModify = 5,
    kMoveLinearSp = 6,
    kMoveAbsoluteSp = 7,
    kMoveCircularSp = 8,
    kMoveHelicalSp = 9,
    kMoveForward = 10,
    kMoveReverse = 11,
    kMoveDatum = 12,
    kMoveCam = 13,
    kMoveJogForward = 14,
    kMoveJogReverse = 15,
    kMoveHold = 16,
    kMoveCamBox = 20,
    kMoveConnect = 21,
    kMoveLink = 22,
};

// A move entry: 22 words, copied whole into an axis's next-move slot. Word
// 2 names an axis as its number + 1 (0 none); the TABLE references of CAM
// and CAMBOX are TABLE indices.
constexpr int kMoveWords = 22;
struct MoveEntry {
    uint32_t words[kMoveWords];
};
static_assert(sizeof(MoveEntry) == 88, "a move entry is 22 words");

// Entry words.
constexpr int kEntryMask = 0;
constexpr int kEntryType = 1;
constexpr int kEntryMaster = 2;
constexpr int kEntryLength = 3;
constexpr int kEntryDistance = 4;
constexpr int kEntryWord5 = 5;
constexpr int kEntryFactor = 6;
constexpr int kEntryWord7 = 7;
constexpr int kEntryReciprocal = 8;
constexpr int kEntryWord9 = 9;
constexpr int kEntryOptions = 10;
constexpr int kEntryWord11 = 11;
constexpr int kEntryLead = 12;
constexpr int kEntryLeadOffset = 13;

// Axis record words of the motion generator. The current move occupies
// words 210 to 231 and the next-move slot words 232 to 253, entry word n at
// 210 + n and 232 + n.
constexpr int kAxisDac = 20;
constexpr int kAxisFeLatch = 28;
constexpr int kAxisVpSpeed = 31;
constexpr int kAxisStatus = 32;
constexpr int kAxisFe = 33;
constexpr int kAxisFollowerPosition = 35; // the simulated servo's position
constexpr int kAxisDpos = 37;
constexpr int kAxisOffpos = 38;
constexpr int kAxisStepCarry = 39;
constexpr int kAxisDacOut = 40;
constexpr int kAxisEndMove = 41;
constexpr int kAxisErrorMask = 48;
constexpr int kAxisMspeed = 49;
constexpr int kAxisFollowerSpeed = 60;
constexpr int kAxisFollowerCarry = 61;
constexpr int kAxisLinkLast = 62;     // the link axis's position at the last pass
constexpr int kAxisLinkCount = 63;    // link distance (or CAM distance) done, float
constexpr int kAxisConnectRatio = 64; // CONNECT's current ratio, float
constexpr int kAxisConnectCarry = 65; // CONNECT's fraction carried, float
constexpr int kAxisMoveOffset = 66;   // circle start correction, float
constexpr int kAxisDeadZone = 67;
constexpr int kAxisIntegral = 68; // float
constexpr int kAxisPreviousFe = 69;
constexpr int kAxisLinkStarted = 70; // a link move has passed its start position
constexpr int kAxisMasterRemaining = 94;
constexpr int kAxisAltSpeed = 98;
constexpr int kAxisMoveFlags = 99;
constexpr int kAxisAddax = 104;
constexpr int kAxisPreviousDemand = 106;
constexpr int kAxisDemandEdges = 107;
constexpr int kAxisRampFactorWord = 108;
constexpr int kAxisRampStep = 109;
constexpr int kAxisRampAccumulator = 110;
constexpr int kAxisMerge = 111;
constexpr int kAxisRepOption = 112;
constexpr int kAxisDemandAccel = 115;
constexpr int kAxisDriveEnable = 120;
constexpr int kAxisClutchRate = 132;
constexpr int kAxisAddDac = 142;
constexpr int kAxisDemandSpeed = 143;
constexpr int kAxisOutputOffset = 145;
constexpr int kAxisDacScale = 146;
constexpr int kAxisReciprocalDecelWord = 175;
constexpr int kAxisReciprocalAccelWord = 176;
constexpr int kAxisFeLimitMode = 178;
constexpr int kAxisOffposApplied = 196;
constexpr int kAxisMoveBase = 209;
constexpr int kAxisCurrentMove = 210;
constexpr int kAxisMtype = 211;
constexpr int kAxisLinkAxisWord = 212;
constexpr int kAxisRemain = 213;
constexpr int kAxisNextMove = 232;
constexpr int kAxisNtype = 233;

// AXISSTATUS bits.
constexpr int32_t kStatusFeRange = 0x2;
constexpr int32_t kStatusForwardIn = 0x10;
constexpr int32_t kStatusReverseIn = 0x20;
constexpr int32_t kStatusDatuming = 0x40;
constexpr int32_t kStatusFeedHold = 0x80;
constexpr int32_t kStatusFeLimit = 0x100;
constexpr int32_t kStatusForwardLimit = 0x200;
constexpr int32_t kStatusReverseLimit = 0x400;
constexpr int32_t kStatusCancel = 0x800;

// DATUM flag word bits (axis word 99).
constexpr int32_t kDatumActive = 0x2;
constexpr int32_t kDatumCreep = 0x10; // run at the speed of word 98
constexpr int32_t kDatumInput = 0x20; // searching the datum input
constexpr int32_t kDatumReverse = 0x200;
constexpr int32_t kDatumMark = 0x400; // searching the encoder's mark

// The process's move entries and what it has submitted.
extern MoveEntry g_MoveEntries[kProcessCount][kAxisCount];
extern uint32_t g_SubmittedAxes[kProcessCount];
// Bit p: process p's move waits for the motion generator.
extern std::atomic<uint32_t> g_PendingMoves;
// The axis whose next move CANCEL(1) drops at the next period, -1 none.
extern std::atomic<int32_t> g_NextMoveCancel;

// Motion errors: the axes whose status met their ERRORMASK, and the first.
extern uint32_t g_MotionErrorAxes;

// Position switches: 16 entries, used while the switch word is not 0.
constexpr int kPositionSwitches = 16;
struct PositionSwitch {
    int32_t low; // encoder counts, inclusive
    int32_t high;
    int32_t output; // 0 to 31
    int32_t axis;
    int32_t inUse;
};
extern PositionSwitch g_PositionSwitches[kPositionSwitches];
extern uint32_t g_PositionSwitchWord;

// Capture of up to four parameters into TABLE once per sample period while
// the mode is 2 (capturing); at the last sample the mode returns to 1
// (armed). Each parameter is a 32-bit word and the value kind that says how
// to read it.
constexpr int kCaptureParameters = 4;
struct CaptureParameter {
    int32_t kind;
    const uint32_t* word;
};
struct CaptureState {
    int32_t mode; // 0 off, 1 armed, 2 capturing
    int32_t period;
    int32_t counter;
    int32_t index;
    int32_t samples; // per parameter
    int32_t start;   // TABLE index of the first sample
    int32_t count;   // parameters captured, 1 to 4
    CaptureParameter parameters[kCaptureParameters];
};
extern CaptureState g_Capture;
// A captured word as a TABLE value; false for kinds that write nothing.
bool ConvertCaptureValue(int32_t kind, uint32_t word, float& value);

// Power-up state of the move entries, masks, switches and capture.
void ResetMotion();

// One servo period (the sequencer's motion pass).
void ServoPeriod();
void InstallMotionGenerator();

// The steps of a period, in the order ServoPeriod runs them.
void TakePendingMoves();
void LoadNextMoves();
void SpeedPass();
void ServoPass();
// The axes whose move ended in this period with a follow-on move waiting
// (their next moves loaded) step once more, highest first.
void ExtraMovePass();
void AxisServoStep();
void PeriodIoStep();

// Hand-over from a process (the current thread's process).
// WaitForPendingMove: 1 when the process got an error (or is being stopped)
// while it waited, else 0.
int WaitForPendingMove(int process);
void SubmitMove(uint32_t axisMask, int process);

// The statement's axis (AXIS modifier, else the first of the BASE list) and
// the BASE-list entry n places after it.
int StatementAxisOf(int process);
int BaseAxisAfter(int process, int n);

// True when an input (its number, -1 none) is active: its bit in the input
// word is 0.
bool InputActive(int32_t input);

} // namespace qcrt
