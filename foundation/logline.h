// Writing to the program log from code that includes no Win32 header.
//
// Every line carries a category bit; the log writes it when the bit is set
// in its category mask (the "LogFlags" setting). The log itself is CLogFile
// (foundation/logfile.h).
#pragma once

#include "framework/types.h"

enum : DWORD {
    LOG_LINK = 1,               // link traffic and events, "Tx: " and "Rx: " data lines
    LOG_CONNECTION = 2,         // commands sent and queued ("S: ", "Q: ")
    LOG_LINK_WRITES = 4,        // start and end of link writes, transmit lock
    LOG_SEQUENCES = 8,          // message sender sends and sequences
    LOG_PROJECT_MESSAGES = 16,  // project window message processing
    LOG_CHANNEL_DISPATCH = 32,  // channel dispatch and reply delivery
    LOG_TOOL_REPLIES = 64,      // replies at tool windows ("RxAtTool: ")
    LOG_RECEIVE_LOOP = 128,     // receive-loop passes
    LOG_RECEIVE_COUNTS = 256,   // received byte counts, ring fill, link modes
    LOG_STATUS_ERRORS = 512,    // status parsing, receive errors, lock time-outs
    LOG_CHANNEL_CHANGES = 1024, // channel changes
    LOG_WINDOW_REGISTRATION = 4096,
    LOG_DESTROY_REQUESTS = 8192,
    LOG_SIMULATOR_LINK = 16384, // simulator window link set-up
    LOG_EMPTY_READS = 32768,
    LOG_PROCESS_STATUS = 65536, // controller process status lines
    LOG_RAW_SERIAL = 131072,    // raw serial reads and writes as byte dumps
};

// One line to the program's global log, opening its file for the line when
// it is closed. The result is CLogFile::LogLine's: 0 when refused.
int GlobalLogLine(LPCSTR text, DWORD category);
// The same with printf-style formatting.
int GlobalLogFormat(DWORD category, LPCSTR format, ...)
#if defined(__clang__)
    __attribute__((format(printf, 2, 3)))
#elif defined(__GNUC__)
    __attribute__((format(gnu_printf, 2, 3)))
#endif
    ;
