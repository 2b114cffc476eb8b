// Typed argument lists: the bracketed arguments of a keyword that reads its
// own, each taken as an integer or a float and tested against its bounds.
//
// The handler gives the expected count, which must equal the keyword's
// largest count of bracketed arguments (error 19 otherwise), and one element
// description per argument. The arguments up to the keyword's smallest count
// are evaluated in order with "," between them; further ones follow while
// the next byte is ",". A value outside its bounds is error 19.
#pragma once

#include <cstdint>

#include "simulator/runtime/process.h"

namespace qcrt {

constexpr uint32_t kTypedInteger = 1u << 0;
constexpr uint32_t kTypedFloat = 1u << 1;
constexpr uint32_t kTypedLow = 1u << 2;  // test the lower bound
constexpr uint32_t kTypedHigh = 1u << 3; // test the upper bound

struct TypedElement {
    uint32_t flags;
    float low;
    float high;
};

// Reads the list behind the keyword token at position (the position is left
// behind the closing bracket). Returns the count of arguments read, 0 after
// an error (left on the process).
int ReadTypedArguments(const uint8_t* text, int& position, int limit, int process, int expected,
                       const TypedElement* elements, ArgumentValue* values);

// For lists read one argument at a time: the "(" that opens the list
// (error 17 without it), and the separator after an argument: "," (More),
// ")" (End) or anything else (error 16).
bool OpenArgumentList(const uint8_t* text, int& position, int limit, int process);
enum class ListStep { More, End, Error };
ListStep StepListSeparator(const uint8_t* text, int& position, int limit, int process);

// Plain count tests: error 17 for fewer than minimum, 16 for more than
// maximum.
bool CountInRange(int count, int minimum, int maximum, int process);

} // namespace qcrt
