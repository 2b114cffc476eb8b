// The program text the load benchmarks send: BASIC lines of VR
// arithmetic with a comment, CR LF ended.
#pragma once

#include <cstddef>
#include <string>

// Whole lines, the fewest that make at least size bytes: a program the
// controller compiles.
inline std::string BenchProgramLines(std::size_t size)
{
    std::string text;
    for (int line = 0; text.size() < size; ++line)
        text += "VR(" + std::to_string(line % 1000) + ")=VR(" + std::to_string(line % 997) + ")+1 ' a comment\r\n";
    return text;
}

// Cut to exactly size bytes (the last line may stop mid-word).
inline std::string BenchProgramText(std::size_t size)
{
    std::string text = BenchProgramLines(size);
    text.resize(size);
    return text;
}
