// The program text the load benchmarks send: BASIC lines of VR
// arithmetic with a comment, CR LF ended, cut to exactly size bytes.
#pragma once

#include <cstddef>
#include <string>

inline std::string BenchProgramText(std::size_t size)
{
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "VR(" + std::to_string(line % 1000) + ")=VR(" + std::to_string(line % 997) + ")+1 ' a comment\r\n";
    text.resize(size);
    return text;
}
