// The project check's program comparisons between the controller's
// programs and the project's: programs on one side only, program types,
// and check values. Each step first reports whether a difference is left;
// when the check asks it to resolve, it then goes through the differing
// programs one by one and lets the user save, load, add, erase or examine
// each.
#include "project/projectcheck.h"

#include <algorithm>
#include <cctype>

#include "foundation/fileutil.h"
#include "foundation/textutil.h"
#include "framework/prompt.h"
#include "project/checkproject.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "project/projectwnd.h"
#include "settings/vqregistry.h"

namespace {

// Command-table ids.
enum : int {
    CMD_NEW_PROGRAM = 13, // NEW "name"
    CMD_SELECT = 19,      // SELECT "name"
    CMD_SELECTED = 21,    // "&C"
};

// The columns of the program-type table the comparisons read.
enum : int {
    COLUMN_DELETE = 16,
    COLUMN_EXAMINE = 21,
    COLUMN_SECOND_VALUE = 22,
    COLUMN_CRC = 23,
};

const int kLongestName = 15;

const char kCheckCaption[] = "Check project";                                   // 339
const char kProgramCheckCaption[] = "Controller program check";                 // 392
const char kInternalError[] = "Internal program error checking programs";       // 537
const char kSaveError[] = "Error saving file";                                  // 526
const char kNotSelected[] = "Could not select the program %s on the controller"; // 866

const char kControllerOnly[] = "Program %s on controller does not have a matching program in the project file"; // 907
const char kControllerOnlyQuestion[] =
    "Program %s on controller %s does not have a matching program in the project file.\r\n\r\n"
    "Do you wish to add it to the project file or erase it from the controller?"; // 860
const char kProjectOnly[] = "Program %s in the project does not have a matching program on controller"; // 925
const char kProjectOnlyQuestion[] =
    "Program %s in the project does not have a matching program on controller.\r\n\r\n"
    "erase it from the project or\r\nadd it to the controller?"; // 926
const char kNameTooLong[] = "Cannot add program %s to the controller as the name is too long"; // 845
const char kTypeMismatch[] = "Program type mismatch: Program %s\n    (Controller %d, Project %d)";   // 1261
const char kCrcFailed[] = "CRC check failed for program %s";                                      // 1332
const char kCopiesDiffer[] = "The copy of the program %s on disk differs from the one on the controller"; // 915
const char kCrcQuestion[] =
    "The copy of the program %s on disk differs from the one on the controller\r\n\r\n"
    "Do you wish to save the copy on the controller, load the copy from the project, or delete it?"; // 916
const char kCrcAutoSave[] =
    "The copy of the program %s on disk differs from the one on the controller\r\n\r\n"
    " We recommend that you save the controller program into the project\r\n\r\n"
    "Do you wish to save the copy on the controller or load the copy from the project?"; // 1040
const char kIecWarning[] = "WARNING\n\nThe project contains an IEC61131 program. Vorta cannot check the version on "
                           "the controller against that stored in the Project File on the PC."; // 1387

const char kAddingToProject[] = "->Adding program %s to the project";           // 840
const char kAddingToController[] = "->Adding program %s to the controller";     // 839
const char kRemovingFromController[] = "->Removing program %s from the controller"; // 928
const char kRemovingFromProject[] = "->Removing program %s from the project";   // 929
const char kWriting[] = "->Writing the program %s to disk";                     // 944
const char kLoading[] = "->Loading the program %s from disk";                   // 894

std::string Upper(LPCSTR text)
{
    std::string name = text ? text : "";
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

// A debugger line that ends in the character 0x0B, as the comparisons
// write them.
void DebugLine(LPCSTR format, LPCSTR name, int type)
{
    CString text = FormatString(format, name, type);
    text += '\x0B';
    ::OutputDebugStringA(text);
}

} // namespace

CProgramComparison::CProgramComparison(CProjectWnd& window, CCheckProject& dialog)
    : m_window(window), m_dialog(dialog)
{
}

bool CProgramComparison::IsCompared(int type)
{
    return m_window.GetConnection().IsProgramTypeSupported(type) && !ProgramTypeColumn19(type);
}

bool CProgramComparison::HasCapability(int column, int type)
{
    CControllerConnection* connection = &m_window.GetConnection();
    switch (column) {
    case COLUMN_DELETE:
        return ControllerCanDeleteProgramType(type, connection) != 0;
    case COLUMN_EXAMINE:
        return ProgramTypeColumn21(type, connection) != 0;
    case COLUMN_SECOND_VALUE:
        return ProgramTypeIsMovedAsFile(type, connection) != 0;
    case COLUMN_CRC:
        return ControllerIsTextProgramType(type, connection) != 0;
    default:
        return false;
    }
}

// ---------------------------------------------------------------- the dialog

int CProgramComparison::Ask(LPCSTR text, const std::vector<CheckButton>& buttons)
{
    m_dialog.ClearButtons();
    int place = 0;
    for (const CheckButton& button : buttons) {
        m_dialog.SetButton(place, button.caption, button.choice, button.isDefault ? TRUE : FALSE);
        if (!button.enabled)
            m_dialog.EnableButton(place, FALSE);
        ++place;
    }
    m_dialog.SetQuestion(text);
    const int choice = m_dialog.GetAnswer(TRUE);
    // A window that is closing ends every question as Cancel (the answer
    // left from an earlier question must not count).
    return m_window.IsClosing() ? CHOICE_CANCEL : choice;
}

void CProgramComparison::Tell(LPCSTR text)
{
    Ask(text, {{"&OK", CHOICE_OK, true, true}});
}

void CProgramComparison::Step(LPCSTR text)
{
    m_dialog.SetStatus(text);
    m_dialog.AddMessage("%s", text ? text : "");
}

// ---------------------------------------------------------------- lists and files

int CProgramComparison::FindProject(LPCSTR name) const
{
    for (std::size_t i = 0; i < m_project.size(); ++i)
        if (m_project[i].name.CompareNoCase(name ? name : "") == 0)
            return static_cast<int>(i);
    return -1;
}

CProgramComparison::Crcs& CProgramComparison::ControllerCrcs(LPCSTR name)
{
    return m_controllerCrcs[Upper(name)];
}

CString CProgramComparison::ProjectFilePath(LPCSTR name, int type, bool controllerFolder)
{
    // No file for a name that could reach outside the folder or be a device.
    if (!IsProgramFileName(name))
        return CString();
    CString path = m_window.GetProjectFile().GetDirectory();
    if (controllerFolder)
        path += "Controller\\";
    return path + name + "." + GetProgramTypeExtension(type);
}

BOOL CProgramComparison::ReadControllerCrc(LPCSTR name, int type)
{
    Crcs& crcs = ControllerCrcs(name);
    crcs = Crcs();
    unsigned crc = 0, second = 0;
    if (!m_window.ReadControllerProgramCrc(name, type, crc, second))
        return FALSE;
    crcs.crc = crc;
    crcs.second = second;
    return TRUE;
}

BOOL CProgramComparison::ReadProjectCrc(CheckedProgram& program)
{
    program.crc = 0;
    program.second = 0;
    return m_window.ReadProjectProgramCrc(program.name, program.type, program.crc, program.second);
}

bool CProgramComparison::RecomputeCrcs(LPCSTR name, int type)
{
    const int index = FindProject(name);
    return index >= 0 && ReadControllerCrc(name, type) && ReadProjectCrc(m_project[static_cast<std::size_t>(index)]);
}

void CProgramComparison::RemoveFromProject(LPCSTR name)
{
    const CString kept = name;
    Step(FormatString(kRemovingFromProject, kept.GetString()));
    m_dialog.RemoveProjectProgram(kept);
    m_window.GetProjectFile().RemoveProgram(kept);
    const int index = FindProject(kept);
    if (index >= 0)
        m_project.erase(m_project.begin() + index);
}

bool CProgramComparison::AddToProject(LPCSTR name, int type)
{
    Step(FormatString(kAddingToProject, name));
    // A program with a second check value cannot be rebuilt from its lines;
    // the IEC project keeps its own files, which the IEC system writes.
    if (HasCapability(COLUMN_SECOND_VALUE, type) && type != PROGRAM_TYPE_IEC_PROJECT)
        return false;
    if (type != PROGRAM_TYPE_IEC_PROJECT && !m_window.SaveProgramToDisk(name, FALSE))
        return false;
    CheckedProgram program;
    program.name = name;
    program.name.MakeUpper();
    program.type = type;
    if (m_project.size() >= static_cast<std::size_t>(PROJECT_MAX_PROGRAMS) ||
        m_window.GetProjectFile().AddProgram(program.name, type) < 0) {
        AfxGetPromptService().PromptDetached(kSaveError, kProgramCheckCaption, MB_OK);
        return false;
    }
    ReadProjectCrc(program);
    m_project.push_back(program);
    m_dialog.AddProjectProgram(program.name);
    return true;
}

bool CProgramComparison::AddToController(const CheckedProgram& program)
{
    Step(FormatString(kAddingToController, program.name.GetString()));
    if (program.name.GetLength() > kLongestName) {
        Tell(FormatString(kNameTooLong, program.name.GetString()));
        return false;
    }
    CControllerConnection& connection = m_window.GetConnection();
    CProgramData record;
    record.m_strName = program.name;
    record.m_nType = program.type;
    record.m_nNew = 1;
    if (!connection.AddProgram(record))
        return false;
    if (!m_window.LoadProgramToController(program.name, TRUE)) {
        // Not on the controller: the list must not say it is.
        connection.RemoveProgram(program.name);
        return false;
    }
    if (!ReadControllerCrc(program.name, program.type))
        return false;
    m_dialog.AddControllerProgram(program.name);
    return true;
}

bool CProgramComparison::EraseFromController(LPCSTR name, int type)
{
    const CString kept = name;
    if (!HasCapability(COLUMN_DELETE, type))
        return false;
    if (!m_window.CanOperateOnProgram(kept) && !m_window.HaltProgramsIfRunning(""))
        return false;
    Step(FormatString(kRemovingFromController, kept.GetString()));
    if (ControllerCanSelectProgramType(type, &m_window.GetConnection())) {
        // NEW removes the selected program as well as the named one on some
        // systems: the program must be the selected one, or nothing goes.
        m_window.ClearReplyValues();
        const BOOL ran = m_window.RunControllerCommands(
            {CProjectWnd::Command(CMD_SELECT, kept.GetString()), CProjectWnd::Command(CMD_SELECTED)});
        if (!ran || m_window.GetReplyValues().selectedProgram.CompareNoCase(kept) != 0) {
            Tell(FormatString(kNotSelected, kept.GetString()));
            return false;
        }
    }
    if (!m_window.RunControllerCommands({CProjectWnd::Command(CMD_NEW_PROGRAM, kept.GetString())}))
        return false;
    m_dialog.RemoveControllerProgram(kept);
    m_window.GetConnection().RemoveProgram(kept);
    m_controllerCrcs.erase(Upper(kept));
    return true;
}

bool CProgramComparison::Examine(LPCSTR name, int controllerType, int projectType)
{
    if (!m_window.SaveProgramToDisk(name, TRUE))
        return false;
    (void)controllerType;
    const CString projectCopy = ProjectFilePath(name, projectType);
    const CString controllerCopy = ProjectFilePath(name, projectType, true);
    if (PathExists(projectCopy, 0) && PathExists(controllerCopy, 0))
        CompareProgramFiles(controllerCopy, projectCopy);
    return true;
}

// ---------------------------------------------------------------- the steps

int CProgramComparison::CompareControllerPrograms(bool resolve)
{
    const CString model = m_window.GetConnection().GetModel().m_szName;
    int outcome = COMPARE_SAME;
    for (const CProgramData& program : m_window.GetConnection().GetPrograms()) {
        if (!IsCompared(program.m_nType) || FindProject(program.m_strName) >= 0)
            continue;
        outcome = COMPARE_DIFFERS;
        m_dialog.SetQuestion(FormatString(kControllerOnly, program.m_strName.GetString()));
        break;
    }
    if (outcome != COMPARE_DIFFERS || !resolve)
        return outcome;

    // The list as it was: a program erased here leaves the connection's
    // list, and the pass goes on with the one that followed it.
    for (const CProgramData& program : m_window.GetConnection().GetPrograms()) {
        if (!IsCompared(program.m_nType) || FindProject(program.m_strName) >= 0)
            continue;
        const int choice =
            Ask(FormatString(kControllerOnlyQuestion, program.m_strName.GetString(), model.GetString()),
                {{"&Add", CHOICE_ADD, true, true},
                 {"&Erase", CHOICE_ERASE, !m_bProgramsFixed, false},
                 {"&Cancel", CHOICE_CANCEL, true, false}});
        bool done = false;
        if (choice == CHOICE_ADD)
            done = AddToProject(program.m_strName, program.m_nType);
        else if (choice == CHOICE_ERASE)
            done = EraseFromController(program.m_strName, program.m_nType);
        if (!done) {
            m_window.RefreshControlPanel();
            return COMPARE_FAILED;
        }
    }
    m_window.RefreshControlPanel();
    return COMPARE_SAME;
}

int CProgramComparison::CompareProjectPrograms(bool resolve)
{
    CControllerConnection& connection = m_window.GetConnection();
    int outcome = COMPARE_SAME;
    for (const CheckedProgram& program : m_project) {
        if (!IsCompared(program.type) || connection.HasProgram(program.name))
            continue;
        outcome = COMPARE_DIFFERS;
        m_dialog.SetQuestion(FormatString(kProjectOnly, program.name.GetString()));
        break;
    }
    if (outcome != COMPARE_DIFFERS || !resolve)
        return outcome;

    const std::vector<CheckedProgram> programs = m_project;
    for (const CheckedProgram& program : programs) {
        if (!IsCompared(program.type) || connection.HasProgram(program.name))
            continue;
        const int choice = Ask(FormatString(kProjectOnlyQuestion, program.name.GetString()),
                               {{"&Erase", CHOICE_ERASE, true, false},
                                {"&Add", CHOICE_ADD, !m_bProgramsFixed, true},
                                {"&Cancel", CHOICE_CANCEL, true, false}});
        bool done = false;
        if (choice == CHOICE_ADD) {
            done = AddToController(program);
        } else if (choice == CHOICE_ERASE) {
            RemoveFromProject(program.name);
            done = true;
        }
        if (!done) {
            m_window.RefreshControlPanel();
            return COMPARE_FAILED;
        }
    }
    m_window.RefreshControlPanel();
    return COMPARE_SAME;
}

int CProgramComparison::CompareProgramTypes(bool resolve, CString& name, int& controllerType, int& projectType)
{
    name.Empty();
    controllerType = -1;
    projectType = -1;
    CControllerConnection& connection = m_window.GetConnection();
    for (const CProgramData& program : connection.GetPrograms()) {
        if (!IsCompared(program.m_nType))
            continue;
        const int index = FindProject(program.m_strName);
        if (index < 0) {
            // The two steps before matched every name.
            DebugLine("CheckProgramTypes - (%s) type = %d", program.m_strName, program.m_nType);
            AfxGetPromptService().PromptDetached(kInternalError, kCheckCaption, MB_OK);
            return COMPARE_FAILED;
        }
        const CheckedProgram project = m_project[static_cast<std::size_t>(index)];
        if (project.type == program.m_nType)
            continue;
        name = project.name;
        controllerType = program.m_nType;
        projectType = project.type;
        const CString text = FormatString(kTypeMismatch, name.GetString(), controllerType, projectType);
        m_dialog.SetQuestion(text);
        if (!resolve)
            return COMPARE_DIFFERS;

        const int choice =
            Ask(text, {{"&Save", CHOICE_SAVE, ControllerCanSaveProgramType(controllerType, &connection) != 0, true},
                       {"&Load", CHOICE_LOAD, ControllerCanLoadProgramType(projectType, &connection) != 0, false},
                       {"Examine", CHOICE_EXAMINE, true, false},
                       {"&Erase", CHOICE_ERASE, true, false},
                       {"&Cancel", CHOICE_CANCEL, true, false}});
        switch (choice) {
        case CHOICE_SAVE: {
            Step(FormatString(kWriting, name.GetString()));
            if (!m_window.SaveProgramToDisk(name, FALSE))
                return COMPARE_FAILED;
            // The project takes the controller's type too: its file now
            // holds the controller's program, and with the old type the
            // mismatch would come back on every check.
            if (m_window.GetProjectFile().AddProgram(name, controllerType) < 0)
                return COMPARE_FAILED;
            m_project[static_cast<std::size_t>(index)].type = controllerType;
            if (!RecomputeCrcs(name, controllerType))
                return COMPARE_FAILED;
            break;
        }
        case CHOICE_LOAD: {
            Step(FormatString(kLoading, name.GetString()));
            if (!m_window.RunControllerCommands({CProjectWnd::Command(CMD_NEW_PROGRAM, name.GetString())}))
                return COMPARE_FAILED;
            // The controller's copy is gone; the project's goes in with its
            // own type.
            if (CProgramData* record = connection.FindProgram(name))
                record->m_nType = projectType;
            if (!m_window.LoadProgramToController(name, TRUE)) {
                connection.RemoveProgram(name);
                m_dialog.RemoveControllerProgram(name);
                return COMPARE_FAILED;
            }
            if (!RecomputeCrcs(name, projectType))
                return COMPARE_FAILED;
            break;
        }
        case CHOICE_EXAMINE:
            if (!Examine(name, controllerType, projectType))
                return COMPARE_FAILED;
            break;
        case CHOICE_ERASE:
            if (HasCapability(COLUMN_DELETE, controllerType)) {
                if (!EraseFromController(name, controllerType))
                    return COMPARE_FAILED;
                RemoveFromProject(name);
            }
            break;
        default:
            return COMPARE_FAILED;
        }
        // One mismatch per run: the warning's Resolve comes back here.
        return COMPARE_DIFFERS;
    }
    return COMPARE_SAME;
}

int CProgramComparison::CompareAllCrcs(bool resolve, bool autoSave)
{
    CControllerConnection& connection = m_window.GetConnection();
    const bool iecWarning = CVQRegistry().GetEnableIEC61131() != 0;
    int outcome = COMPARE_SAME;
    for (const CProgramData& program : connection.GetPrograms()) {
        if (!IsCompared(program.m_nType))
            continue;
        const int index = FindProject(program.m_strName);
        if (index < 0) {
            DebugLine("CheckAllCRCs - (%s) type = %d", program.m_strName, program.m_nType);
            AfxGetPromptService().PromptDetached(kInternalError, kCheckCaption, MB_OK);
            return COMPARE_FAILED;
        }
        const CheckedProgram& project = m_project[static_cast<std::size_t>(index)];
        const Crcs controller = ControllerCrcs(program.m_strName);
        m_dialog.SelectControllerProgram(program.m_strName);
        m_dialog.SelectProjectProgram(project.name);
        const int type = program.m_nType;
        const bool crcChecked = HasCapability(COLUMN_CRC, type);
        const bool crcEqual = !crcChecked || controller.crc == project.crc;
        if (type == PROGRAM_TYPE_IEC_PROJECT && !crcChecked && iecWarning)
            AfxGetPromptService().PromptDetached(kIecWarning, kCheckCaption, MB_OK);
        const bool secondEqual = !HasCapability(COLUMN_SECOND_VALUE, type) || !crcChecked ||
                                 controller.second == project.second;
        m_dialog.MarkProgram(program.m_strName, crcEqual && secondEqual ? TRUE : FALSE);
        if (crcEqual && secondEqual) {
            ::OutputDebugStringA(FormatString("%s: c=0x%04x\n", program.m_strName.GetString(), controller.crc));
            continue;
        }
        ::OutputDebugStringA(FormatString("%s: c=0x%04x, p=0x%04x\n", program.m_strName.GetString(), controller.crc,
                                          project.crc));
        if (outcome == COMPARE_SAME) {
            outcome = COMPARE_DIFFERS;
            m_dialog.SetQuestion(FormatString(kCrcFailed, program.m_strName.GetString()));
        }
    }
    if (outcome != COMPARE_DIFFERS || !resolve)
        return outcome;

    for (const CProgramData& program : connection.GetPrograms()) {
        if (!IsCompared(program.m_nType))
            continue;
        const CString name = program.m_strName;
        const int type = program.m_nType;
        const int index = FindProject(name);
        if (index < 0) {
            DebugLine("CheckAllCRCs resolve - (%s) type = %d", name, type);
            AfxGetPromptService().PromptDetached(kInternalError, kCheckCaption, MB_OK);
            return COMPARE_FAILED;
        }
        if (!HasCapability(COLUMN_CRC, type) ||
            ControllerCrcs(name).crc == m_project[static_cast<std::size_t>(index)].crc)
            continue;
        DebugLine("CheckAllCRCs resolve - (%s) type = %d", name, type);
        m_dialog.MarkProgram(name, FALSE);
        bool next = false;
        while (!next) {
            int choice = CHOICE_SAVE;
            if (autoSave) {
                m_dialog.SetQuestion(FormatString(kCrcAutoSave, name.GetString()));
            } else {
                std::vector<CheckButton> buttons = {{"&Save", CHOICE_SAVE, true, true},
                                                    {"&Load", CHOICE_LOAD, !m_bProgramsFixed, false}};
                if (HasCapability(COLUMN_EXAMINE, type))
                    buttons.push_back({"Examine", CHOICE_EXAMINE, true, false});
                buttons.push_back({"Delete", CHOICE_DELETE, true, false});
                buttons.push_back({"&Cancel", CHOICE_CANCEL, true, false});
                choice = Ask(FormatString(kCrcQuestion, name.GetString()), buttons);
            }
            switch (choice) {
            case CHOICE_SAVE:
            case CHOICE_LOAD: {
                bool done;
                if (choice == CHOICE_SAVE) {
                    Step(FormatString(kWriting, name.GetString()));
                    done = m_window.SaveProgramToDisk(name, FALSE) != FALSE;
                } else {
                    Step(FormatString(kLoading, name.GetString()));
                    done = m_window.RunControllerCommands({CProjectWnd::Command(CMD_NEW_PROGRAM, name.GetString())}) &&
                           m_window.LoadProgramToController(name, TRUE);
                }
                if (!done || !RecomputeCrcs(name, type)) {
                    m_window.RefreshControlPanel();
                    return COMPARE_FAILED;
                }
                const bool equal =
                    ControllerCrcs(name).crc == m_project[static_cast<std::size_t>(FindProject(name))].crc;
                m_dialog.MarkProgram(name, equal ? TRUE : FALSE);
                if (!equal) {
                    m_dialog.SetQuestion(FormatString(kCopiesDiffer, name.GetString()));
                    m_window.RefreshControlPanel();
                    return COMPARE_FAILED;
                }
                next = true;
                break;
            }
            case CHOICE_EXAMINE:
                if (!Examine(name, type, type)) {
                    m_window.RefreshControlPanel();
                    return COMPARE_FAILED;
                }
                break; // asks again
            case CHOICE_DELETE:
                if (!EraseFromController(name, type)) {
                    m_window.RefreshControlPanel();
                    return COMPARE_FAILED;
                }
                RemoveFromProject(name);
                next = true;
                break;
            default:
                m_window.RefreshControlPanel();
                return COMPARE_FAILED;
            }
        }
        m_window.RefreshControlPanel();
    }
    return COMPARE_SAME;
}
