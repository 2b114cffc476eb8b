#include "ieclink/winprocesses.h"

CWinProcesses::CWinProcesses(int bTakeSnapshot)
{
    m_entry.dwSize = sizeof m_entry;
    if (bTakeSnapshot)
        TakeSnapshot();
}

CWinProcesses::~CWinProcesses()
{
    if (m_hSnapshot != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hSnapshot);
}

int CWinProcesses::TakeSnapshot()
{
    if (m_hSnapshot != INVALID_HANDLE_VALUE)
        ::CloseHandle(m_hSnapshot);
    m_bEntryValid = 0;
    m_hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    return m_hSnapshot != INVALID_HANDLE_VALUE;
}

void CWinProcesses::Fill(CWinProcessData& data) const
{
    data.m_nProcessId = m_entry.th32ProcessID;
    data.m_nThreadCount = m_entry.cntThreads;
    // The entry may hold a folder on some systems; only the name counts.
    CString name(m_entry.szExeFile);
    const int slash = name.ReverseFind('\\');
    data.m_strExeFile = slash >= 0 ? name.Mid(slash + 1) : name;
    data.m_nParentProcessId = m_entry.th32ParentProcessID;
    data.m_nBasePriority = m_entry.pcPriClassBase;
}

int CWinProcesses::GetFirst(CWinProcessData& data)
{
    if (m_hSnapshot == INVALID_HANDLE_VALUE)
        return 0;
    m_entry.dwSize = sizeof m_entry;
    m_bEntryValid = ::Process32First(m_hSnapshot, &m_entry) ? 1 : 0;
    if (m_bEntryValid)
        Fill(data);
    return m_bEntryValid;
}

int CWinProcesses::GetNext(CWinProcessData& data)
{
    if (m_hSnapshot == INVALID_HANDLE_VALUE)
        return 0;
    m_entry.dwSize = sizeof m_entry;
    m_bEntryValid = ::Process32Next(m_hSnapshot, &m_entry) ? 1 : 0;
    if (m_bEntryValid)
        Fill(data);
    return m_bEntryValid;
}

int CWinProcesses::FindProcess(const CString& name, CWinProcessData& data)
{
    data = CWinProcessData();
    if (name.IsEmpty())
        return 0;
    CWinProcessData entry;
    for (int more = GetFirst(entry); more; more = GetNext(entry)) {
        if (entry.m_strExeFile.CompareNoCase(name) == 0) {
            data = entry;
            return 1;
        }
    }
    return 0;
}
