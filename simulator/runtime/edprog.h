// EDPROG: the development environment's line-by-line access to the selected
// program (insert, replace, delete, list, search, count, labels, name) and
// the check value of any program. Line numbers count from 0. Every reply
// line ends with the end-of-line code 28, so the environment reads it from
// its data channel without a prompt. The "&" short form is the same command
// ("&0I,text" is EDPROG "text",1,0).
#pragma once

#include <cstdint>
#include <string>

namespace qcrt {

// The operations, by their numbers.
enum : int32_t {
    kEditInsert = 1,
    kEditSearch = 2,
    kEditDelete = 3,
    kEditList = 4,
    kEditCount = 5,
    kEditLabels = 6,
    kEditName = 7,
    kEditReplace = 8,
    kEditZero = 9,
    kEditCheckValue = 10,
};
constexpr int kEditTextMaximum = 120;

// The text of a line as the store lists it: its indentation in blanks, then
// the detokenised line. A line that lists longer than 120 characters comes
// out longer than that (cut somewhere after the 120th character).
std::string ListedLine(int program, int position);
// False, with error 93 for the process, when a listed line is longer than a
// listing may show: such a line is reported, never shown cut.
bool ListsWhole(const std::string& listed, int process);

// The check value of a program: the CRC-16 over the listed text of every
// line, each followed by the byte 0xAA. A program without lines counts as
// one empty line, as a file without lines does on the development
// environment's side, so an empty program and an empty file agree.
uint16_t ProgramCheckValue(int program);

void KeywordEditProgram(const uint8_t* text, int& position, int limit, int process);

} // namespace qcrt
