// The check value of a program's text as the controller computes it for
// "&Z": the "CRC-16" of every line (its characters, then one byte 0xAA),
// line ends not counted. It is how the project tells whether its copy of a
// program is the one the controller holds.
//
// Plain C++: no Win32 header.
#pragma once

#include <cstdint>
#include <string>

// The check value of a program text held in memory. Lines end at LF; a CR
// before it is not part of the line; the text after the last line end is a
// line when it is not empty; a text without any line is one empty line.
std::uint32_t ProgramTextCrc(const std::string& text);

// The check value of a program file; false (crc untouched) when the file
// cannot be read.
bool ProgramFileCrc(const char* path, std::uint32_t& crc);
