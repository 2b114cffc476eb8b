// What the editor document knows of its program on the controller: whether
// it is compiled, which process runs it and where that process stands,
// whether programs run at all, and from that whether the lines may be
// edited. The controller's program and process records reach it through
// the frame; the line store it works on is the document's CEditBuffer.
// Plain C++, no Win32.
#pragma once
#include <string>

namespace editor {

class CEditBuffer;

// Edit states of the document.
constexpr int kEditStateUnknown = 0;
constexpr int kEditStateEditable = 1;
constexpr int kEditStateReadOnly = 2;

// Process states of a process status record that the document acts on.
constexpr int kProcessStopped = 0;
constexpr int kProcessRunning = 1;
constexpr int kProcessAtLine = 3;

// The controller's state of one program.
struct ProgramStateRecord {
    std::string program;
    bool compiled = false;
    int mayEdit = 0; // the controller lets the program be edited while programs run
};

// The controller's state of one process.
struct ProcessStatusRecord {
    std::string program;
    int state = kProcessStopped;
    int process = -1;
    int line = 0; // where a stopped process stands (state 3)
};

// Told what the frame shows of the run state.
class IRunStateObserver {
public:
    virtual void CompileStateChanged(int state) = 0;
    // The line the followed process stands on; -1 for none.
    virtual void CurrentLineChanged(int line) = 0;
    virtual void EditStateChanged(int state) = 0;

protected:
    ~IRunStateObserver() = default;
};

class CEditRunState {
public:
    explicit CEditRunState(CEditBuffer& buffer) : m_buffer(buffer) {}

    void SetObserver(IRunStateObserver* observer) { m_pObserver = observer; }

    // A record for another program (names compared without case) changes
    // nothing and gives false; else the compiled flag.
    bool TakeProgramState(const ProgramStateRecord& record);
    // False when the record is not taken: another program, or another
    // process than the one followed.
    bool TakeProcessStatus(const ProcessStatusRecord& record);

    // Recomputes the edit state; the observer hears of it when it changed
    // or when forced. Returns the state.
    int UpdateEditState(bool force = false);
    int GetEditState() const { return m_editState; }
    bool IsEditable() const { return m_editState == kEditStateEditable; }

    // Each recomputes the edit state.
    void SetReadOnlyRequest(bool readOnly);
    void SetRunning(bool running);
    // The controller's feature and the user's setting that let a program
    // be edited while programs run (as far as the controller allows it);
    // they count from the next recomputation.
    void SetEditWhileRunning(bool controllerFeature, bool allowedBySetting);

    // The step request that comes with opening the editor: stepping on
    // (1) and the process (a negative number is kept as -1).
    void SetStartupRequest(int step, int process);
    int GetStartupStep() const { return m_startupStep; }
    int GetStartupProcess() const { return m_startupProcess; }

    bool IsReadOnlyRequested() const { return m_readOnlyRequest; }
    bool IsRunning() const { return m_running; }
    int GetMayEdit() const { return m_mayEdit; }
    int GetFollowedProcess() const { return m_followedProcess; }
    int GetProcessState() const { return m_processState; }

private:
    bool EditWhileRunning() const { return m_featureEditWhileRunning && m_allowEditWhileRunning; }

    CEditBuffer& m_buffer;
    IRunStateObserver* m_pObserver = nullptr;
    int m_editState = kEditStateUnknown;
    bool m_readOnlyRequest = false;
    bool m_running = false;
    int m_mayEdit = 0;
    bool m_featureEditWhileRunning = false;
    bool m_allowEditWhileRunning = false;
    int m_followedProcess = -1;
    int m_processState = kProcessStopped;
    int m_startupStep = 0;
    int m_startupProcess = -1;
};

} // namespace editor
