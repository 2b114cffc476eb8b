// The motion keywords: the BASE list and the small axis commands, and the
// commands that load moves for the motion generator (motion.h).
//
// A move command evaluates and checks its arguments, waits until the
// process's previous move has been taken (WaitForPendingMove, a yield point),
// fills the process's move entries of its axes and submits them. Distances
// are given in user units and stored in counts (times the axis's UNITS); a
// distance or target becomes a count by adding 0.1 (-0.1 for a negative
// value) and truncating.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int32_t kErrDuplicateAxes = 60; // "Duplicate axes not permitted"

// A value in counts as a move's target: +-0.1, truncated toward zero.
int32_t TargetCount(float counts);

void KeywordBase(const uint8_t* text, int& position, int limit, int process);
void KeywordAddax(const uint8_t* text, int& position, int limit, int process);
void KeywordAddDac(const uint8_t* text, int& position, int limit, int process);
void KeywordAcc(const uint8_t* text, int& position, int limit, int process);
void KeywordDec(const uint8_t* text, int& position, int limit, int process);
void KeywordSp(const uint8_t* text, int& position, int limit, int process);

void KeywordForward(const uint8_t* text, int& position, int limit, int process);
void KeywordReverse(const uint8_t* text, int& position, int limit, int process);
void KeywordMove(const uint8_t* text, int& position, int limit, int process);
void KeywordMoveAbs(const uint8_t* text, int& position, int limit, int process);
void KeywordCancel(const uint8_t* text, int& position, int limit, int process);
void KeywordRapidStop(const uint8_t* text, int& position, int limit, int process);
void KeywordPmove(const uint8_t* text, int& position, int limit, int process);

void KeywordCam(const uint8_t* text, int& position, int limit, int process);
void KeywordCamBox(const uint8_t* text, int& position, int limit, int process);
void KeywordConnect(const uint8_t* text, int& position, int limit, int process);
void KeywordMoveLink(const uint8_t* text, int& position, int limit, int process);
void KeywordMoveCirc(const uint8_t* text, int& position, int limit, int process); // MOVECIRC, MHELICAL
void KeywordMoveModify(const uint8_t* text, int& position, int limit, int process);
void KeywordDatum(const uint8_t* text, int& position, int limit, int process);
void KeywordDefpos(const uint8_t* text, int& position, int limit, int process);

// WAIT IDLE and WAIT LOADED of the statement's axis: true when the program
// may pass.
bool AxisIdle(int process, bool loadedOnly);

} // namespace qcrt
