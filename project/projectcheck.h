// What the project check (projectwnd_check.cpp) and its program comparisons
// (projectwnd_compare.cpp) share: the choice codes of the check dialog's
// buttons, the outcomes of a comparison step, and CProgramComparison, the
// four comparison steps between the controller's programs and the open
// project's, with the questions through which the user repairs a
// difference program by program.
//
// Everything runs on the project window's thread, inside the check; the
// questions wait in the check dialog and answer that thread's messages
// meanwhile. The controller's program list is the connection's; the
// project's is the one the check read from the project file.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "framework/cstring.h"

class CCheckProject;
class CProjectWnd;

// Outcomes of a comparison step.
enum : int {
    COMPARE_SAME = 0,    // no difference left
    COMPARE_FAILED = 1,  // failed, or cancelled by the user
    COMPARE_DIFFERS = 2, // a difference remains
};

// Choice codes of the check dialog's buttons.
enum : int {
    CHOICE_NONE = 0,
    CHOICE_OK = 1,
    CHOICE_CANCEL = 2,
    CHOICE_LOAD = 1000,
    CHOICE_SAVE = 1001,
    CHOICE_ADD = 1002,
    CHOICE_ERASE = 1003,
    CHOICE_CHANGE = 1004,
    CHOICE_NEW = 1005,
    CHOICE_RESOLVE = 1006,
    CHOICE_EXAMINE = 1015,
    CHOICE_DELETE = 1021,
};

// One button of a question: its caption, its choice code, whether it is
// enabled and whether it is the default.
struct CheckButton {
    const char* caption;
    int choice;
    bool enabled;
    bool isDefault;
};

// A program of the project as the check knows it, with the check values of
// its file.
struct CheckedProgram {
    CString name;
    int type = 0;
    unsigned crc = 0;
    unsigned second = 0;
};

class CProgramComparison {
public:
    CProgramComparison(CProjectWnd& window, CCheckProject& dialog);

    // The project's programs (read from the project file by the check).
    std::vector<CheckedProgram>& ProjectPrograms() { return m_project; }
    // Whether the controller runs its programs from a fixed power-up copy:
    // loading and erasing are then not offered.
    void SetProgramsFixed(bool fixed) { m_bProgramsFixed = fixed; }
    // Whether a program of the type takes part in the comparison: the
    // controller has the type and the type is not left out of the check.
    bool IsCompared(int type);

    // Asks in the dialog: the text in its message area and the buttons in
    // places 0, 1, ... The choice; Cancel once the window is closing.
    int Ask(LPCSTR text, const std::vector<CheckButton>& buttons);
    // The text with one "&OK" button, waited for.
    void Tell(LPCSTR text);
    // The step text, also written to the dialog's log.
    void Step(LPCSTR text);

    // The steps; each returns an outcome.
    int CompareControllerPrograms(bool resolve);
    int CompareProjectPrograms(bool resolve);
    // Also the name, the controller's and the project's type of the first
    // mismatch (empty and -1 when none).
    int CompareProgramTypes(bool resolve, CString& name, int& controllerType, int& projectType);
    int CompareAllCrcs(bool resolve, bool autoSave);

    // The check values of the controller's copy, kept for the CRC step;
    // FALSE when they could not be read.
    BOOL ReadControllerCrc(LPCSTR name, int type);
    // The check values of the project's copy into its record; FALSE when
    // they could not be computed.
    BOOL ReadProjectCrc(CheckedProgram& program);
    // The project's file of a program: the project folder, the name and
    // the extension of the type; with controllerFolder its "Controller"
    // subfolder.
    CString ProjectFilePath(LPCSTR name, int type, bool controllerFolder = false);

private:
    struct Crcs {
        unsigned crc = 0;
        unsigned second = 0;
    };

    int FindProject(LPCSTR name) const;
    void RemoveFromProject(LPCSTR name);
    // Adds a controller program to the project (its copy written into the
    // project folder, a record in the project file); false on failure.
    bool AddToProject(LPCSTR name, int type);
    // Loads a project program into the controller; false on failure.
    bool AddToController(const CheckedProgram& program);
    // Removes a program from the controller after the halt question and a
    // select that must name it; false when it could not (nothing removed).
    bool EraseFromController(LPCSTR name, int type);
    // Reads the controller's CRC and computes the project's again.
    bool RecomputeCrcs(LPCSTR name, int type);
    // The controller copy written into the "Controller" subfolder, then the
    // two copies side by side in the file-compare program; false when the
    // copy could not be written.
    bool Examine(LPCSTR name, int controllerType, int projectType);
    bool HasCapability(int column, int type);
    Crcs& ControllerCrcs(LPCSTR name);

    CProjectWnd& m_window;
    CCheckProject& m_dialog;
    std::vector<CheckedProgram> m_project;
    std::map<std::string, Crcs> m_controllerCrcs; // by upper-case name
    bool m_bProgramsFixed = false;
};
