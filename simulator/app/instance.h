// One simulator per memory folder. A second QCSimulation on the same
// memory images would share the first one's link and overwrite its images
// at the end: it brings the running one to the front and ends instead. Two
// simulators with images of their own (tests, benchmarks) run side by side.
#pragma once

#include <windows.h>

#include <string>

namespace qcsim {

class CSimulatorInstance {
public:
    // The instance of the simulator whose data folder is folder.
    explicit CSimulatorInstance(const std::string& folder);
    ~CSimulatorInstance();
    CSimulatorInstance(const CSimulatorInstance&) = delete;
    CSimulatorInstance& operator=(const CSimulatorInstance&) = delete;

    // True when no other simulator runs on the folder (this one holds it
    // from now on, until the object goes).
    bool IsFirst() const { return m_first; }
    // Marks the main window as this instance's, for a second one to find.
    void MarkMainWindow(HWND window) const;
    // The running simulator's main window (null when there is none), and
    // bringing it to the front without waiting on it: it may not answer.
    HWND FindRunning() const;
    bool BringRunningForward() const;

    // A number that names the folder (case does not matter).
    static unsigned FolderKey(const std::string& folder);

private:
    HANDLE m_mutex = nullptr;
    unsigned m_key = 0;
    bool m_first = false;
};

} // namespace qcsim
