// VR and TABLE memory, the processes' local variables, CLEAR and RESET,
// B_SPLINE, the memory-stick functions and the arithmetic functions
// of one argument.
//
// VR(i), i from 0 to 1023, is the float at image offset 780 + 4 i. The
// TABLE (values 0 to 255999) is a working array, mirrored into the image:
// value i at offset (size - 8 - 4 i), growing down from the top of the
// battery-backed image, with the number of values in use (TSIZE) in the
// image's last 4 bytes. The program store grows up into the same bytes, so
// only the values whose place lies above the program area are mirrored:
// reads and writes never touch program bytes, and a value whose place the
// programs give back is written there again. A TABLE read needs an index
// below TSIZE (error 65); a write at or beyond it grows the TABLE to the
// index + 1, refused with error 35 when the new value's place lies in the
// program area.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kVrCount = 1024;

// The keyword row of VR (its assignment is a statement form of its own).
int VrKeywordRow();

float ReadVr(int32_t index, int process); // error 19 outside 0 to 1023
void WriteVr(int32_t index, float value, int process);

bool ReadTable(int32_t index, float& value, int process);
bool WriteTable(int32_t index, float value, int process);
int32_t TableEntriesInUse();
void SetTableEntriesInUse(int32_t count);

// The working array from the bound image (BindMemoryImages): the values
// whose place lies above the image's program area; those behind its
// programs read 0.
void LoadTableFromImage();
// Writes the working values again to their places that lie in image bytes
// from to below to and above the program area (the programs gave them back,
// or bytes there were used for a while).
void RewriteTableMirror(int64_t from, int64_t to);

// Local variables. Flag bits 0 and 1 set: the local stands for VR(its value);
// bit 0 alone: read-only (error 21 on a write, the value kept).
float ReadLocal(int slot, int process);
float WriteLocal(int slot, float value, int process);

// Lets expressions call VR and the functions of one value directly
// (SetValueFunction); their keyword handlers below do the same through an
// argument frame.
void InstallValueFunctions();

// Keyword handlers.
void KeywordVr(const uint8_t* text, int& position, int limit, int process);
void KeywordTable(const uint8_t* text, int& position, int limit, int process);
void KeywordClear(const uint8_t* text, int& position, int limit, int process);
void KeywordReset(const uint8_t* text, int& position, int limit, int process);
// FLASHVR(n): keeps the current VR(n), n from 0 to 1023, in flash; -1 stores
// the whole TABLE in the flash area the power-up reads back, -2 erases that
// area, -3 and -4 copy TABLE block b (16000 values from 16000 b) to and from
// flash page p: FLASHVR(-3, b [, p]), p defaulting to b. Other numbers are
// error 19.
void KeywordFlashVr(const uint8_t* text, int& position, int limit, int process);
// LOOKUP(format [, ...]) [PROC(n)]: 0 and 1 send the further values as
// 4 bytes each (float bits, or truncated to an integer) behind a 0 byte;
// 2 sends local variable n of the process truncated behind a 0 byte, 3 gives
// it as the value behind a "0"; 4 writes it. Other formats do nothing.
void KeywordLookup(const uint8_t* text, int& position, int limit, int process);
void KeywordBSpline(const uint8_t* text, int& position, int limit, int process);
void KeywordStick(const uint8_t* text, int& position, int limit, int process); // STICK_READ, STICK_WRITE
void KeywordAbs(const uint8_t* text, int& position, int limit, int process);
void KeywordSin(const uint8_t* text, int& position, int limit, int process);
void KeywordCos(const uint8_t* text, int& position, int limit, int process);
void KeywordTan(const uint8_t* text, int& position, int limit, int process);
void KeywordAsin(const uint8_t* text, int& position, int limit, int process);
void KeywordAcos(const uint8_t* text, int& position, int limit, int process);
void KeywordAtan(const uint8_t* text, int& position, int limit, int process);
void KeywordAtan2(const uint8_t* text, int& position, int limit, int process);
void KeywordExp(const uint8_t* text, int& position, int limit, int process);
void KeywordInt(const uint8_t* text, int& position, int limit, int process);
void KeywordFrac(const uint8_t* text, int& position, int limit, int process);
void KeywordSgn(const uint8_t* text, int& position, int limit, int process);
void KeywordSqr(const uint8_t* text, int& position, int limit, int process);
void KeywordLn(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
