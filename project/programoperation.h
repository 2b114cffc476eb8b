// CProgramOperationData: one thing a tool asks the project window to do to
// a controller program (open it in an editor, compile, run, step, stop,
// ...). The tools send it with 0x812D; the project window queues a copy and
// carries the operations out one at a time on its own thread (0x81E7).
#pragma once

#include "framework/cstring.h"

// Operation codes.
enum : int {
    PROGRAM_OP_NEW = 0,
    PROGRAM_OP_EDIT = 2,
    PROGRAM_OP_COPY = 3,
    PROGRAM_OP_RENAME = 4,
    PROGRAM_OP_DELETE = 5,
    PROGRAM_OP_DELETE_ALL = 6,
    PROGRAM_OP_COMPILE = 7,
    PROGRAM_OP_RUN = 8,
    PROGRAM_OP_STEP = 9,
    PROGRAM_OP_DEBUG = 10,
    PROGRAM_OP_STEP_TOOLBAR = 11,
    PROGRAM_OP_TRACE_OFF = 12,
    PROGRAM_OP_STOP = 13,
    PROGRAM_OP_HALT_ALL = 14,
};

// A type of -1 or -2 is taken from the controller's record of the program.
const int PROGRAM_OP_TYPE_FROM_CONTROLLER = -1;

class CProgramOperationData {
public:
    int m_nOperation = 0;
    CString m_strProgram;
    CString m_strSecond; // a file path, or the new name of a copy or rename
    int m_nNumber = -1;  // the process, a line or a flag, as the operation needs
    int m_nType = PROGRAM_OP_TYPE_FROM_CONTROLLER;
};
