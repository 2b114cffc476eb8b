// The digital and analogue I/O keywords (IN, OP, READ_OP, INVERT_IN, AIN,
// AOUT), the VR bit fields (SET_BIT, CLEAR_BIT, READ_BIT), the flag word
// (FLAGS, FLAG), the key definitions (DEFKEY), MARK, PEEK and POKE, and the
// capture keywords SCOPE and TRIGGER.
//
// Inputs 0 to 31 are the input word the main dialog publishes (after the
// inversion mask of INVERT_IN); the controller numbers inputs up to 287, and
// those beyond the 32 present read 0. Outputs are numbered 8 to 287: 8 to 31
// are the output word the main dialog shows, the others are kept here.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kInputNumbers = 288;
constexpr int kInputsPresent = 32;
constexpr int kOutputNumbers = 288;
constexpr int kFirstOutput = 8;
constexpr int kAnalogueInputs = 72;
constexpr int kAnalogueOutputs = 36;
constexpr int32_t kAnalogueOutputLimit = 32767;

// Power-up state: every output above 31 off, analogue values 0, flags clear.
void ResetIo();

// Output n (0 to 287) on or off; outputs 0 to 7 do not exist and read 0.
bool ReadOutput(int n);
void WriteOutput(int n, bool on);
// Input n (0 to 287) as the runtime sees it.
bool ReadInput(int n);

float AnalogueInput(int n);
void SetAnalogueInput(int n, float value); // the simulator's mimics
int32_t AnalogueOutput(int n);

// AOUT(n) = value: the value limited to -32767..32767; n outside 0 to 35 is
// error 16.
void WriteAnalogueOutput(int32_t n, float value, int process);
// The keyword row of AOUT (its assignment is a statement form of its own).
int AoutKeywordRow();

// Keyword handlers.
void KeywordIn(const uint8_t* text, int& position, int limit, int process);
void KeywordOp(const uint8_t* text, int& position, int limit, int process);
void KeywordReadOp(const uint8_t* text, int& position, int limit, int process);
void KeywordSetBit(const uint8_t* text, int& position, int limit, int process);
void KeywordClearBit(const uint8_t* text, int& position, int limit, int process);
void KeywordReadBit(const uint8_t* text, int& position, int limit, int process);
void KeywordInvertIn(const uint8_t* text, int& position, int limit, int process);
void KeywordAin(const uint8_t* text, int& position, int limit, int process);
void KeywordAout(const uint8_t* text, int& position, int limit, int process);
void KeywordMark(const uint8_t* text, int& position, int limit, int process);
void KeywordPeek(const uint8_t* text, int& position, int limit, int process);
void KeywordPoke(const uint8_t* text, int& position, int limit, int process);
void KeywordFlags(const uint8_t* text, int& position, int limit, int process);
void KeywordFlag(const uint8_t* text, int& position, int limit, int process);
void KeywordDefKey(const uint8_t* text, int& position, int limit, int process);
void KeywordScope(const uint8_t* text, int& position, int limit, int process);
void KeywordTrigger(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
