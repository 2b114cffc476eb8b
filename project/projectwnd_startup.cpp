// The STARTUP data: controller values stored as BASIC lines in the
// project's STARTUP program.
//
// The project file's "Store" settings choose what goes into the Standard
// section (section 1) of "StartUp.bas": the parameters of the chosen axes,
// a range of VR variables and a range of TABLE values, read from the
// controller now. The user's own lines and the other tools' sections stay
// as they are; the program is then taken back into the project and the
// controller as a program file import, and keeps its run type.
#include "project/projectwnd.h"

#include <string>
#include <vector>

#include "controller/startupfile.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/tablelist.h"

namespace {

const char kStartupProgram[] = "STARTUP";
const char kStartupFile[] = "StartUp.bas";
// Below every run type a program can have.
const int kRunTypeUnknown = -100;
// Bit 0 of an axis's word in the project file: its parameters are stored.
const int kStoreAxisBit = 0;
const int kTableValuesPerLine = 10;
const char kWriteFailed[] = "Error writing to file:\n%s";
const char kCaption[] = "Project Manager"; // 659

} // namespace

BOOL CProjectWnd::WriteStartupData()
{
    if (!IsProjectOpen())
        return FALSE;
    BusyOn();
    struct CReady {
        explicit CReady(CProjectWnd& window) : m_window(window) {}
        ~CReady() { m_window.BusyOff(); }
        CProjectWnd& m_window;
    } ready(*this);
    CBusy busy(*this);

    if (!HaltProgramsIfRunning(nullptr))
        return FALSE;

    const CString path = m_projectFile.GetDirectory() + kStartupFile;
    CStartupFile file(path);
    CTableList table;
    // A program without a record runs on no process: run type 0.
    int runType = 0;
    CProgramData startup;
    if (m_pConnection->LookupProgram(kStartupProgram, startup)) {
        CloseEditor(kStartupProgram);
        runType = startup.m_nAutoRun;
    }
    // Read whenever the file is there: the user's lines and the other
    // tools' sections must survive a controller that has no STARTUP yet.
    file.Read();

    CStringList lines;
    if (m_projectFile.GetStoreParameters()) {
        if (m_pConnection->GetModelRow() == MODEL_ROW_NONE)
            return FALSE;
        const int axisCount = GetAxisCountAtServoPeriod();
        std::vector<int> axes;
        for (int axis = 0; axis < axisCount; ++axis) {
            CString key;
            key.Format("Axis%02d", axis);
            if ((static_cast<unsigned>(m_projectFile.GetInt("Controller", key, 0)) >> kStoreAxisBit) & 1)
                axes.push_back(axis);
        }
        if (!ExportAxisParameters(lines, axes))
            return FALSE;
    }
    if (m_projectFile.GetStoreVariables()) {
        int range[2] = {0, 0};
        m_projectFile.GetVariablesRange(range);
        std::vector<std::string> variables;
        if (!ReadVariables(variables, range[0], range[1]))
            return FALSE;
        for (const std::string& line : variables)
            lines.AddTail(line.c_str());
    }
    if (m_projectFile.GetStoreTable()) {
        int range[2] = {0, 0};
        m_projectFile.GetTableRange(range);
        if (!ReadTable(table, range[0], range[1]))
            return FALSE;
        lines.AddTail("' TABLE DATA");
        CStringList commands;
        table.FormatTableCommands(commands, kTableValuesPerLine, m_pConnection->GetValuesPerRequest());
        for (POSITION pos = commands.GetHeadPosition(); pos;)
            lines.AddTail(commands.GetNext(pos));
    }

    if (!file.ClearSection(STARTUP_SECTION_STANDARD) || !file.AppendLines(lines, STARTUP_SECTION_STANDARD) ||
        !file.Write()) {
        CString text;
        text.Format(kWriteFailed, path.GetString());
        AfxGetPromptService().PromptDetached(text, kCaption);
        return FALSE;
    }
    if (!ImportProgramFile(kStartupProgram, path, 0, FALSE))
        return FALSE;

    // The program keeps the run type it had; the fresh record's value is
    // marked unknown first so that RUNTYPE goes out in every case.
    if (runType >= -1) {
        if (CProgramData* record = m_pConnection->FindProgram(kStartupProgram))
            record->m_nAutoRun = kRunTypeUnknown;
        SetRunType(runType, kStartupProgram);
    }
    return TRUE;
}
