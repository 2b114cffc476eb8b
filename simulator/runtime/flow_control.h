// The flow-control statements: jumps, subroutines, the error trap, IF
// blocks, the loops and the waits. Each handler is called on its token and
// leaves the position on what runs next; the compiler has resolved every
// label and block end into a jump field, so no handler searches the code.
//
// Code forms (see compiler.h): IF field cond; ELSE field; ELSEIF field cond;
// WHILE field cond; WEND field; UNTIL field cond; GOTO/GOSUB label field;
// ON field (selector | BASICERROR) GOTO/GOSUB (label field)...; FOR variable
// = start TO end [STEP step]; NEXT variable; WAIT UNTIL field cond.
#pragma once

#include <cstdint>

#include "simulator/runtime/process.h"
#include "simulator/runtime/tokens.h"

namespace qcrt {

// NEXT on a plain local variable that closes the innermost loop, the common
// form, done in place for the process loop; false, with nothing changed, for
// every other form, which KeywordNext runs. Called on the NEXT token.
inline bool NextOnPlainLocal(ProcessRecord& r, const uint8_t* text, int& position, int limit)
{
    if (r.forDepth <= 0 || position + 4 > limit || text[position + 1] != kTokName)
        return false;
    const int slot = text[position + 2] | (text[position + 3] << 8);
    const ForEntry& entry = r.forStack[r.forDepth - 1];
    if (entry.kind != kLoopVariableNamed || entry.number != slot || slot >= kLocalVariables ||
        (r.localFlags[slot] & 3u) != 0)
        return false;
    const float value = r.localValues[slot] + entry.step;
    r.localValues[slot] = value;
    r.result = value;
    if (entry.step >= 0.0f ? entry.end < value : entry.end > value) {
        --r.forDepth;
        position += 4;
        return true;
    }
    // Back to the loop's start, which lies on the FOR's own line.
    position = entry.loopPosition;
    r.currentLine = entry.loopLine;
    return true;
}

// A variable that a statement assigns (FOR, NEXT, GET, INPUT): a named
// variable (its slot), VR(n) (its index) or a parameter (its row, with the
// axis its modifier chose).
struct LoopVariable {
    int32_t kind = kLoopVariableNamed;
    int32_t number = 0;
    int32_t axis = 0;
};
// Reads the variable's reference at position; error when there is none.
bool ReadLoopVariable(const uint8_t* text, int& position, int limit, int process, int32_t error, LoopVariable& v);
float LoopValue(const LoopVariable& v, int process);
void SetLoopValue(const LoopVariable& v, float value, int process);

void KeywordIf(const uint8_t* text, int& position, int limit, int process); // IF, ELSEIF
void KeywordElse(const uint8_t* text, int& position, int limit, int process);
void KeywordEndIf(const uint8_t* text, int& position, int limit, int process);
void KeywordWhile(const uint8_t* text, int& position, int limit, int process);
void KeywordWend(const uint8_t* text, int& position, int limit, int process);
void KeywordUntil(const uint8_t* text, int& position, int limit, int process);
void KeywordGoto(const uint8_t* text, int& position, int limit, int process);
void KeywordGosub(const uint8_t* text, int& position, int limit, int process);
void KeywordReturn(const uint8_t* text, int& position, int limit, int process);
void KeywordOn(const uint8_t* text, int& position, int limit, int process);
void KeywordFor(const uint8_t* text, int& position, int limit, int process);
void KeywordNext(const uint8_t* text, int& position, int limit, int process);
void KeywordWait(const uint8_t* text, int& position, int limit, int process);
void KeywordWa(const uint8_t* text, int& position, int limit, int process);
// THEN, TO, STEP, IDLE, LOADED, BASICERROR, REPEAT as a statement: error 37.
void KeywordOutOfContext(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
