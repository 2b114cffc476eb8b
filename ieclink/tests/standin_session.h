// A session with the stand-in IEC system: a sandboxed registry whose
// project-file association names the stand-in, an installation folder with
// the empty-project template and the controller maker's library, a folder
// for projects, the stand-in's journal and fault table, and a virtual clock
// that lets real time pass on the long polls so the stand-in can start.
// Any stand-in still running at the end is ended.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "testsupport/fake_clock.h"
#include "testsupport/registry_sandbox.h"
#include "testsupport/scratch_folder.h"

// Virtual time, with a short real pause on every poll of a quarter second
// or more.
class PacedClock : public FakeClock {
public:
    void SleepMs(DWORD ms) override;
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
    // Waits (real time, bounded) until no stand-in runs.
    static bool WaitForStandInEnd(DWORD timeoutMs);

    PacedClock& Clock() { return m_clock; }

private:
    RegistrySandbox m_registry;
    ScratchFolder m_root;
    ScratchFolder m_projects;
    std::string m_installDir;
    std::string m_controlDir;
    PacedClock m_clock;
};
