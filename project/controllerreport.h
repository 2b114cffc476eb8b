// The controller's error reports, read and put into words: plain C++ over
// text, so the forms are tested alone.
//
// This header includes no Win32 header.
#pragma once

#include <string>

struct ControllerReport {
    enum Kind { None, General, Compile, Link };
    Kind kind = None;
    // The program the report is about: named in the command (between its
    // first two quotes, for a command that compiles, runs or steps one) or
    // in the report itself; empty when neither names one.
    std::string program;
    int line = -1;
    int error = 0;
    std::string text; // at most 80 characters
};

// Reads one report line answering command (its text as sent).
ControllerReport ParseControllerReport(const std::string& command, const std::string& line);
// The error list's entry for a report.
std::string FormatControllerReport(const std::string& command, const std::string& line,
                                   const ControllerReport& report);
