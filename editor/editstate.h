// What the editor document knows of its program's state on the controller:
// whether it may be edited, whether programs run, the process it follows
// and the line where that process stands, and the start-up request the
// frame carries out. Plain C++, no Win32.
#pragma once

namespace editor {

struct CEditDocState {
    int editState = 0;            // 0 not yet known, 1 editable, 2 read-only
    bool readOnlyRequest = false; // the frame's request (POWER_UP, status kind 36)
    bool running = false;         // programs run on the controller
    int mayEdit = 0;              // the controller lets this program be edited while it runs
    bool allowWhenRunning = false; // the setting AllowProgramOperationsWhenRuning
    bool breakpointsChanged = false;
    int programType = -1;         // from the project window; -1 none
    int followedProcess = -1;
    int processState = 0;
    int currentLine = -1; // where the followed process stands; -1 none
    int startupStep = 0;
    int startupProcess = -1;
    bool cancel = false; // stops a running reformat

    // Editable (1) when no read-only request is made and either the
    // controller lets this program be edited while it runs (with feature
    // 16 and the setting on) or no program runs; else read-only (2).
    int ComputeEditState(bool featureEditWhileRunning) const
    {
        if (readOnlyRequest)
            return 2;
        if (featureEditWhileRunning && allowWhenRunning)
            return mayEdit != 0 ? 1 : 2;
        return running ? 2 : 1;
    }
};

} // namespace editor
