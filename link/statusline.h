// The controller's status lines: in channel mode the controller reports the
// state of its processes on channel 9 as lines such as
// "%[Process 2:Line 17] - Paused". ParseStatusLine reads one line into a
// result; the controller connection passes it on to the project window.
//
// Fragments are compared without regard to case, each at the position the
// previous one left.
//
// This header includes no Win32 header.
#pragma once

#include <string>

struct StatusLineResult {
    enum Kind {
        Nothing,        // not a status line the project window hears of
        UnknownProgram, // a "%[" line of no known form
        ProgramStatus,  // process runs (or includes) the named program
        ProcessStatus,  // process has a status, line, error and text
    };
    Kind kind = Nothing;
    int process = -1;
    int status = -1; // 0 stopped, 1 released, 3 paused
    int line = -1;
    int error = -1;
    std::string program;
    std::string text;
};

// Process status values.
const int PROCESS_STOPPED = 0;
const int PROCESS_RELEASED = 1;
const int PROCESS_PAUSED = 3;

// Reads one status line (without its line end). Logs each step
// `Parse Status - "%s" - "%s" - %d` (fragment, remaining text, state;
// category 512) and "Parse Status End".
StatusLineResult ParseStatusLine(const char* line);
