// The records of the controller's programs and processes as they travel
// between the controller connection, the project window and the tool
// windows: CProgramData (one program of a program list), CProcessData (one
// running process), and the fixed-width records in which the directory
// and process-list replies reach a tool (a reply message owns plain bytes,
// so the records it carries hold no pointers).
//
// This header includes no Win32 header.
#pragma once

#include <cstdint>

#include "framework/cstring.h"

class ControllerMessage;

// Program types of the program-type table.
enum : int {
    PROGRAM_TYPE_NONE = -1,
    PROGRAM_TYPE_BASIC = 0,
    PROGRAM_TYPE_QC_CONFIG = 9,
};

// One program of a program list.
class CProgramData {
public:
    CString m_strName;
    std::int32_t m_nSourceSize = 0;
    std::int32_t m_nCodeSize = 0;
    std::int32_t m_nState = -1;   // the program's state word; -1 unknown
    std::int32_t m_nAutoRun = 0;  // 0 manual, -1 the default process, n process n
    std::int32_t m_nEditable = 0; // the controller lets the program be edited
    std::int32_t m_nSeen = 0;     // met by the last directory read
    std::int32_t m_nNew = 0;      // added since the last directory read
    std::int32_t m_nType = PROGRAM_TYPE_NONE;
    std::int32_t m_nChanged = 0;
    std::int32_t m_nSpare = 0;
};

// One controller process.
class CProcessData {
public:
    // The program the process runs: none or one name.
    CString m_strProgram;
    int m_nProgramCount = 0; // 0 or 1
    CString m_strStatus;
    std::int32_t m_nProcess = 0;
    std::int32_t m_nState = 0; // the process state (0 stopped .. 5 running included)
    std::int32_t m_nLine = 0;
};

// Whether a program of the type may be selected on the controller
// (BASIC, Encrypted, G-Code, Text, IEC Project and QC_CONFIG; not FIFO,
// TempFile, Project or Binary).
bool IsSelectableProgramType(int type);

// The directory reply of one program ("DIR X"), 44 bytes.
struct DirectoryReplyRecord {
    char name[16];          // at most 15 characters and a NUL
    std::int32_t sourceSize;
    std::int32_t codeSize;
    std::int32_t autoRun;
    std::int32_t type;      // -1 when the line had no type
    std::int32_t editable;  // -1 when the line had no such field
    std::int32_t fieldCount; // numbers read behind the name
    std::int32_t nameCut;    // 1: the controller's name was longer than the field
};
static_assert(sizeof(DirectoryReplyRecord) == 44, "directory reply record layout");

// The reply of one process ("PROCESS"), 40 bytes.
struct ProcessReplyRecord {
    std::int32_t process;
    std::int32_t state;
    std::int32_t line;
    char program[28]; // at most 24 characters and a NUL
};
static_assert(sizeof(ProcessReplyRecord) == 40, "process reply record layout");

// The record a directory or process reply message carries; false when the
// message carries none (other commands, a shorter block).
bool ReadDirectoryReply(const ControllerMessage& message, CProgramData& program);
bool ReadProcessReply(const ControllerMessage& message, CProcessData& process);
