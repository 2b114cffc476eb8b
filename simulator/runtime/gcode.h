// G-code programs: a process whose program is of the G code type steps
// through its source lines one per turn. Each line (a block) is parsed on the
// spot: its numbers and bracketed expressions are evaluated by a direct infix
// evaluator, its words are sorted into execution order and handed one by one
// to a BASIC program that serves them through the first VR variables:
//
//   VR(1)         the character code of the word's letter (71 for G)
//   VR(2)         the word's value
//   VR(3 + 2k)    the letter of attached parameter k
//   VR(4 + 2k)    its value
//   VR(0)         written last: the number of values written (2 + 2 x
//                 parameters); the serving program sets it to 0 when done
//
// After the words of a block VR(0) becomes -1 (end of block), answered the
// same way. The runtime itself moves no axis for a G-code word; "#n = value"
// assigns local variable n of the process and is carried out here.
//
// Lines before the first one that starts with "%" are passed over, and so is
// the line right behind it; a second "%" ends the program at the next step.
#pragma once

#include <cstdint>

namespace qcrt {

constexpr int kGcodeWordRecords = 60;   // words of one block at the most
constexpr int kGcodeWordParameters = 7; // parameters one word record holds
constexpr int kGcodeParameterSlots = 11;
constexpr int kDirectStackDepth = 20; // entries of either evaluator stack

// The state word of a G-code process.
constexpr int32_t kGcodeBeforeStart = 0;
constexpr int32_t kGcodeOnStartMarker = 1;
constexpr int32_t kGcodeExecuting = 2;
constexpr int32_t kGcodeFinished = 3;

struct GcodeParameter {
    uint8_t letter;
    float value;
};

// One command word of a block (G, M, S, T, F, or "#" for an assignment).
struct GcodeWord {
    uint8_t letter;
    float value;       // the word's value; for "#" the value to assign
    int32_t variable;  // for "#": the local variable's number
    int32_t priority;  // words run in ascending priority
    int32_t group;     // modal group (recorded, not checked)
    int32_t handOff;   // 1: handed to the serving program
    const char* accepted; // the parameter letters the word takes
    int32_t parameterCount;
    GcodeParameter parameters[kGcodeWordParameters];
};

// The G-code state of a process: the state word, the word records (kept
// between blocks: a block of parameters alone runs them with the word held
// over from an earlier block) and the direct evaluator's two stacks.
struct GcodeProcessState {
    int32_t state;
    GcodeWord words[kGcodeWordRecords];
    int32_t operatorDepth;
    uint8_t operatorTokens[kDirectStackDepth + 1];
    int32_t operatorPrecedence[kDirectStackDepth + 1];
    int32_t operatorMark[kDirectStackDepth + 1]; // value depth when pushed
    int32_t valueDepth;
    float values[kDirectStackDepth];
};

GcodeProcessState& GcodeStateOf(int process);

// Clears the state of a process at a program start.
void ResetGcodeProcess(int process);

// The run action of the process loop for a G-code program, and the step
// action: the step, then (unless an error is pending) the "Paused" report and
// the requested state paused.
void GcodeStep(int process);
void GcodeStepAndPause(int process);

// Parses and executes the tokens of one line from start up to end.
void ExecuteGcodeBlock(const uint8_t* text, int start, int end, int process);

// Fills a word record's priority, group, hand-off flag and accepted letters
// from its letter and value; error 99 for a G or M number without a row.
void ClassifyGcodeWord(GcodeWord& word, int process);

// Evaluates an infix expression straight from the token line (below end) and
// returns its value; position is left on the token that ended it.
float EvaluateDirect(const uint8_t* text, int& position, int end, int process);

} // namespace qcrt
