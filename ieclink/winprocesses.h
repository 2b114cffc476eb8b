// The running processes of the system, from a process snapshot, to find a
// program by its executable's file name.
#pragma once

#include <windows.h>
#include <tlhelp32.h>

#include "framework/cstring.h"
#include "ieclink/kwmpelink.h"

class KWMPELINK_API CWinProcessData {
public:
    CWinProcessData() = default;
    CWinProcessData(const CWinProcessData&) = default;
    CWinProcessData& operator=(const CWinProcessData&) = default;
    virtual ~CWinProcessData() = default;

    DWORD m_nProcessId = 0;
    DWORD m_nThreadCount = 0;
    // The file name with extension, without folder.
    CString m_strExeFile;
    DWORD m_nParentProcessId = 0;
    LONG m_nBasePriority = 0;
};

class KWMPELINK_API CWinProcesses {
public:
    explicit CWinProcesses(int bTakeSnapshot = 1);
    CWinProcesses(const CWinProcesses&) = delete;
    CWinProcesses& operator=(const CWinProcesses&) = delete;
    virtual ~CWinProcesses();

    // A fresh snapshot of every process; 1 when it was taken.
    int TakeSnapshot();
    // 0 at the end or without a snapshot; otherwise fills data and gives 1.
    int GetFirst(CWinProcessData& data);
    int GetNext(CWinProcessData& data);
    // The first process whose executable's file name is name (case not
    // counted); 1 when found. data is cleared first.
    int FindProcess(const CString& name, CWinProcessData& data);

private:
    void Fill(CWinProcessData& data) const;

    HANDLE m_hSnapshot = INVALID_HANDLE_VALUE;
    PROCESSENTRY32 m_entry{};
    int m_bEntryValid = 0;
};
