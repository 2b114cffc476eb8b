// A session with the stand-in IEC system: a sandboxed registry whose
// project-file association names the stand-in, an installation folder with
// the empty-project template and the controller maker's library, a folder
// for projects, the stand-in's journal and fault table, and a virtual clock
// that lets real time pass on the long polls so the stand-in can start.
// Any stand-in still running at the end is ended.
#pragma once

#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"

// Virtual time, paced by the stand-in. On every poll of a quarter second or
// more, a stand-in that is still starting is first waited for (real time)
// until it waits for input in its message loop, with its class registered
// and its window made, then a short real pause follows. The code under test
// counts its waits of seconds in virtual time, which passes far faster than
// real time: without the first wait a stand-in that is merely slow to be
// scheduled (a loaded machine) would be given up for one that never starts.
class PacedClock : public FakeClock {
public:
    void SleepMs(DWORD ms) override;

    // The real bound on one stand-in's start.
    static const DWORD kStartBoundMs = 60000;

private:
    // Stand-ins that did not finish starting within the bound: not waited
    // for again, so a hung one costs the bound once, not on every poll.
    std::set<DWORD> m_givenUp;
};

class StandInSession {
public:
    StandInSession();
    ~StandInSession();

    static std::string StandInPath();
    // The installation folder (KWMPEDir), the projects' folder and the
    // stand-in's control folder.
    const std::string& InstallDir() const { return m_installDir; }
    const std::string& ProjectDir() const { return m_projects.Path(); }
    std::string ProjectPath(const char* name) const { return m_projects / name; }

    // The journal's lines so far.
    std::vector<std::string> Journal() const;
    bool JournalHas(const std::string& line) const;
    void ClearJournal() const;
    // Replaces the fault table.
    void SetFaults(const std::string& table) const;

    // The stand-in's main window, or null.
    static HWND MainWindow();
    // Ends every stand-in still running and waits for it.
    static void EndStandIns();
    // Whether a stand-in runs.
    static bool StandInRunning();
    // The process ids of the stand-ins that run.
    static std::vector<DWORD> StandInProcesses();
    // Waits (real time, bounded) until no stand-in runs.
    static bool WaitForStandInEnd(DWORD timeoutMs = kEndBoundMs);
    // The real bound on a stand-in's end: it runs out only when the
    // stand-in does not end, so it is generous.
    static const DWORD kEndBoundMs = 30000;

    PacedClock& Clock() { return m_clock; }

private:
    RegistrySandbox m_registry;
    ScratchFolder m_root;
    ScratchFolder m_projects;
    std::string m_installDir;
    std::string m_controlDir;
    PacedClock m_clock;
};
