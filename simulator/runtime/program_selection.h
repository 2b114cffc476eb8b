// The small program commands the development environment formats itself:
// SELECT, RENAME, RUNTYPE, STORE, BREAK_ADD and BREAK_DELETE, and the axis
// and TABLE listings AXISVALUES and TABLEVALUES. A quoted operand may be
// followed by the argument after a blank or after a comma (SELECT "MAIN" 1
// and SELECT "MAIN",1), since the environment sends both.
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

// The status letters of AXISVALUES: a letter is upper case when its bit is
// set (o bit 12 on the left to w bit 1 on the right).
std::string AxisStatusLetters(uint32_t status);
// The name of a move type code (MTYPE, NTYPE).
const char* MoveTypeName(int32_t code);

void KeywordSelect(const uint8_t* text, int& position, int limit, int process);
void KeywordRename(const uint8_t* text, int& position, int limit, int process);
void KeywordRunType(const uint8_t* text, int& position, int limit, int process);
void KeywordStore(const uint8_t* text, int& position, int limit, int process);
void KeywordBreakAdd(const uint8_t* text, int& position, int limit, int process);
void KeywordBreakDelete(const uint8_t* text, int& position, int limit, int process);
void KeywordAxisValues(const uint8_t* text, int& position, int limit, int process);
void KeywordTableValues(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
