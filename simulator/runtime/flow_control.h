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

namespace qcrt {

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
