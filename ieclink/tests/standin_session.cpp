#include "ieclink/tests/standin_session.h"

#include <gtest/gtest.h>

#include "foundation/fileutil.h"
#include "foundation/registry.h"
#include "ieclink/kwmpelink.h"
#include "ieclink/winprocesses.h"

namespace {
const char kStandInExe[] = "IecSystemStandIn.exe";
}

void PacedClock::SleepMs(DWORD ms)
{
    if (ms >= 250) {
        for (DWORD id : StandInSession::StandInProcesses()) {
            if (m_givenUp.count(id))
                continue;
            HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
            if (!process)
                continue;
            // Returns at once for a stand-in that has started already.
            if (WaitForInputIdle(process, kStartBoundMs) == WAIT_TIMEOUT)
                m_givenUp.insert(id);
            CloseHandle(process);
        }
    }
    FakeClock::SleepMs(ms);
    if (ms >= 250)
        Sleep(25);
}

std::string StandInSession::StandInPath()
{
    return std::string(GetProgramDirectory()) + "\\" + kStandInExe;
}

StandInSession::StandInSession()
{
    EndStandIns();
    m_installDir = m_root / "KW";
    m_controlDir = m_root / "control";
    CreateDirectoryA(m_installDir.c_str(), nullptr);
    CreateDirectoryA(m_controlDir.c_str(), nullptr);
    CreateDirectoryA((m_installDir + "\\Settings Express").c_str(), nullptr);
    CreateDirectoryA((m_installDir + "\\Settings Express\\templates").c_str(), nullptr);
    WriteWholeFile(m_installDir + "\\Settings Express\\templates\\Empty_Project.twt", "IEC STAND-IN PROJECT\r\n");
    CreateDirectoryA((m_installDir + "\\PLC").c_str(), nullptr);
    CreateDirectoryA((m_installDir + "\\PLC\\FW_LIB").c_str(), nullptr);
    CreateDirectoryA((m_installDir + "\\PLC\\FW_LIB\\QC_LIB").c_str(), nullptr);
    WriteWholeFile(m_installDir + "\\PLC\\FW_LIB\\QC_LIB\\QC_LIB.fwl", "library");

    EXPECT_EQ(1, CKWMPELink::SetKWMPEDir(m_installDir.c_str()));
    CRegistry::CreatePath(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe");
    CRegistry(HKEY_LOCAL_MACHINE, "Software\\Classes\\.mwe").SetString("", "StandInProject");
    CRegistry::CreatePath(HKEY_LOCAL_MACHINE, "Software\\Classes\\StandInProject\\Shell\\open\\Command");
    CRegistry(HKEY_LOCAL_MACHINE, "Software\\Classes\\StandInProject\\Shell").SetString("", "open");
    CRegistry(HKEY_LOCAL_MACHINE, "Software\\Classes\\StandInProject\\Shell\\open\\Command")
        .SetString("", ("\"" + StandInPath() + "\" \"%1\"").c_str());
    SetEnvironmentVariableA("VEXO_IEC_STANDIN_DIR", m_controlDir.c_str());
}

StandInSession::~StandInSession()
{
    EndStandIns();
    SetEnvironmentVariableA("VEXO_IEC_STANDIN_DIR", nullptr);
}

std::vector<std::string> StandInSession::Journal() const
{
    std::vector<std::string> lines;
    const std::string text = ReadWholeFile(m_controlDir + "\\journal.txt");
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

bool StandInSession::JournalHas(const std::string& line) const
{
    for (const std::string& l : Journal()) {
        if (l == line)
            return true;
    }
    return false;
}

void StandInSession::ClearJournal() const
{
    DeleteFileA((m_controlDir + "\\journal.txt").c_str());
}

void StandInSession::SetFaults(const std::string& table) const
{
    WriteWholeFile(m_controlDir + "\\faults.txt", table);
}

namespace {
BOOL CALLBACK FindStandInWindow(HWND hwnd, LPARAM lParam)
{
    char title[256];
    GetWindowTextA(hwnd, title, sizeof title);
    if (strncmp(title, "MULTIPROG Express", 17) == 0) {
        *reinterpret_cast<HWND*>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}
} // namespace

HWND StandInSession::MainWindow()
{
    HWND found = nullptr;
    EnumWindows(FindStandInWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool StandInSession::StandInRunning()
{
    CWinProcesses processes;
    CWinProcessData data;
    return processes.FindProcess(kStandInExe, data) != 0;
}

std::vector<DWORD> StandInSession::StandInProcesses()
{
    std::vector<DWORD> ids;
    CWinProcesses processes;
    CWinProcessData data;
    for (int more = processes.GetFirst(data); more; more = processes.GetNext(data)) {
        if (data.m_strExeFile.CompareNoCase(kStandInExe) == 0)
            ids.push_back(data.m_nProcessId);
    }
    return ids;
}

void StandInSession::EndStandIns()
{
    // Asked to end, the stand-in withdraws its class; one that is killed
    // leaves it registered for the next test to stumble on.
    for (int round = 0; round < 10; ++round) {
        HWND window = FindWindowA("IecSystemStandInFrame", nullptr);
        if (!window)
            break;
        PostMessageA(window, WM_APP + 1, 0, 0);
        if (!WaitForStandInEnd(5000))
            break;
    }
    for (int round = 0; round < 10; ++round) {
        CWinProcesses processes;
        CWinProcessData data;
        if (!processes.FindProcess(kStandInExe, data))
            return;
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, data.m_nProcessId);
        if (!process)
            return;
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

bool StandInSession::WaitForStandInEnd(DWORD timeoutMs)
{
    // Waits on the processes themselves, so the wait ends as soon as the
    // last one has.
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<DWORD> ids = StandInProcesses();
        if (ids.empty())
            return true;
        for (DWORD id : ids) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= timeoutMs)
                return false;
            HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
            if (!process) {
                // Listed but no longer to be opened: on its way out.
                Sleep(10);
                continue;
            }
            const DWORD result = WaitForSingleObject(process, timeoutMs - waited);
            CloseHandle(process);
            if (result == WAIT_TIMEOUT)
                return false;
        }
    }
}
