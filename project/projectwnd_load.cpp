// Loading a project into the controller, and reverting a project to its
// backup.
//
// A load asks every question before it changes anything: the controller's
// program list, the tool windows and the open project stay as they were
// until the user has agreed to all of it.
#include "project/projectwnd.h"

#include <climits>
#include <vector>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/checkproject.h"
#include "project/newfolder.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "settings/vqregistry.h"

namespace {

const char kManagerCaption[] = "Project Manager"; // 659
const char kLoadCaption[] = "Load Project";       // 567
const char kWarningCaption[] = "Warning";         // 826
const int kNewAllCommand = 14;                    // "NEW ALL"
const int kFastProjectFeature = 9;
const WPARAM kNotConnectedText = 624; // "Not Connected", to the main frame

void Tell(LPCSTR caption, LPCSTR format, LPCSTR value)
{
    CString text;
    text.Format(format, value);
    AfxGetPromptService().PromptDetached(text, caption);
}

} // namespace

int CProjectWnd::LoadProject(LPCSTR pathText, CCheckProject* dialog, BOOL checkAfterwards, BOOL confirm)
{
    // The path may be the open project's own text, which changes below.
    const CString path = pathText ? pathText : "";
    CBusy busy(*this);
    CVQRegistry settings;
    const bool fast = m_pConnection->IsFeatureSupported(kFastProjectFeature) && settings.GetForceSlowProjectLoad() <= 0;
    const int connected = m_pConnection->GetModelRow();

    // The questions, in order; 2 when the load may go ahead.
    bool recordModel = false;
    int outcome = [&]() -> int {
        if (!HaltProgramsIfRunning(nullptr))
            return 0;
        if (path.IsEmpty() || !FileExists(path)) {
            Tell(kManagerCaption, "Project %s not found\r\nPlease specify an existing project\"", path);
            return 0;
        }
        CProjectFile project(path);
        CString first;
        int type = 0;
        project.GetProgram(0, first, type, TRUE);
        if (first.Find(';') >= 0 && first.Right(4).CompareNoCase(".bas") == 0) {
            CString text;
            text.Format("Project\n%s\n is a Vorta 1 project \n\nDo you want to convert it?", path.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_DEFBUTTON1 | MB_ICONQUESTION) !=
                IDYES)
                return 0;
            if (!ConvertProjectFile(path)) {
                Tell(kManagerCaption, "Error converting project %s", path);
                return 0;
            }
        }
        for (int i = 0; i < PROJECT_MAX_PROGRAMS; ++i) {
            CString name;
            if (!project.GetProgram(i, name, type) || name.IsEmpty())
                continue;
            // Refused before the controller is erased: a name it cannot
            // hold, or one that cannot be the name of a file in the folder.
            if (!IsProgramFileName(name)) {
                Tell(kLoadCaption,
                     "Program name \"%s\" is not valid: a program name has 1 to 15 letters, digits or \"_\" and is "
                     "no device name.\r\nRename the program in the project; the project is not loaded.",
                     name);
                return 0;
            }
            if (!m_pConnection->IsProgramTypeSupported(type)) {
                Tell(kLoadCaption,
                     "Program type \"%s\" not supported on this controller, or by this version of system software",
                     GetProgramTypeName(type));
                return 0;
            }
        }
        if (confirm) {
            CString text;
            text.Format("This will erase the actual contents of the controller\nand load the project\n%s\nin its "
                        "place.\n\nAre you sure?",
                        path.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
                IDYES) {
                Disconnect(0, DISCONNECT_TERMINAL);
                return 1;
            }
        }
        // A project that records no model was made for none in particular.
        const int recorded = project.GetControllerType();
        if (recorded != MODEL_ROW_NONE && recorded != connected && settings.GetCheckControllerType()) {
            CString text;
            text.Format("Project was created on a different controller.\nProject uses   %s\nController is  %s\n\nDo you "
                        "want to load it and change the project?",
                        GetControllerModel(recorded).m_szName, GetControllerModel(connected).m_szName);
            if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
                IDYES)
                return 1;
            recordModel = true;
        }
        return 2;
    }();

    if (outcome == 2) {
        m_pConnection->RemoveAllPrograms();
        CloseAllWindows(0);
        m_projectFile.Load(path);
        SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(path.GetString()));
        if (recordModel)
            m_projectFile.SetControllerType(connected);
        if (fast)
            return FastLoadProject(path);
        outcome = LoadProjectSlowly(path, dialog, checkAfterwards);
    }
    if (fast && outcome != 2)
        return outcome;

    const bool keepsPowerUp = m_pConnection->GetModel().m_nPowerUpCapable != 0;
    if (outcome == 2) {
        // Each program runs as the project says; the run type is sent even
        // where the controller's list already holds that value.
        for (const CProgramData& program : m_pConnection->GetPrograms()) {
            if (CProgramData* record = m_pConnection->FindProgram(program.m_strName))
                record->m_nAutoRun = INT_MIN;
            SetRunType(m_projectFile.GetAutoRun(program.m_strName), program.m_strName);
        }
        if (keepsPowerUp && m_projectFile.IsRunFromEPROM() &&
            AfxGetPromptService().Prompt(
                m_hWnd, "This project was originally stored in EPROM.\n\nDo you want it stored in EPROM on this controller?",
                kWarningCaption, MB_YESNO | MB_DEFBUTTON1 | MB_ICONQUESTION) == IDYES)
            StoreProgramsInEprom(FALSE);
        RefreshControlPanel();
        if (!keepsPowerUp && settings.GetAutoEPROM())
            StoreProgramsInEprom(FALSE);
    }
    if (outcome == 0)
        SendToMainFrame(PWM_OPEN_PROJECT, kNotConnectedText, 0);
    else
        SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(path.GetString()));
    return outcome;
}

int CProjectWnd::LoadProjectSlowly(LPCSTR path, CCheckProject* dialog, BOOL checkAfterwards)
{
    m_pConnection->RemoveAllPrograms();
    if (!RunControllerCommands({Command(kNewAllCommand)}))
        return 0;
    RefreshControlPanel();
    CTList<CProgramData> programs;
    if (!m_projectFile.ReadProgramList(programs))
        return 0;
    if (dialog) {
        const CString file = path;
        dialog->SetStatus(file.Mid(file.ReverseFind('\\') + 1));
        // The controller has just been emptied.
        dialog->ClearControllerTree(TRUE);
        dialog->ClearProjectTree(FALSE);
        dialog->SetProjectRoot(GetControllerModel(m_projectFile.GetControllerType()).m_szName);
        for (const CProgramData* program = programs.GetHead(); program; program = programs.GetNext(program))
            dialog->AddProjectProgram(program->m_strName);
    }

    m_nCancel = 0;
    bool loaded = true;
    bool first = true;
    for (const CProgramData* program = programs.GetHead(); program && loaded && m_nCancel == 0;
         program = programs.GetNext(program)) {
        if (first)
            SendToControlPanel(PWM_NOT_FOUND);
        first = false;
        loaded = LoadProgramToController(program->m_strName, FALSE) != FALSE;
        if (!loaded)
            break;
        if (!m_pConnection->HasProgram(program->m_strName))
            m_pConnection->AddProgram(*program);
        if (dialog)
            dialog->AddControllerProgram(program->m_strName);
    }
    // Part of the project went in: controller and project no longer agree.
    if (!loaded || m_nCancel != 0) {
        if (!loaded)
            AfxGetPromptService().PromptDetached(
                "Load project failed\r\nProject is now inconsistent and so VQ will disconnect", kManagerCaption);
        Disconnect(0, DISCONNECT_TERMINAL);
        return loaded ? 1 : 0;
    }
    if (!RefreshProgramList(TRUE))
        return 0;
    if (checkAfterwards && !RunProjectCheck(FALSE))
        return 0;
    return 2;
}

BOOL CProjectWnd::RevertProject()
{
    CBusy busy(*this);
    if (!IsProjectOpen())
        return FALSE;
    const CString path = m_projectFile.GetFilePath();
    const CString folder = m_projectFile.GetDirectory();
    const CString backupFolder = JoinFolder(folder, "backup");
    const CString backupFile = JoinFolder(backupFolder, path.Mid(path.ReverseFind('\\') + 1));
    if (!HaltProgramsIfRunning(nullptr))
        return FALSE;
    CloseAllWindows(0);
    const char kNoBackup[] = "Backup project file %s does not exist\r\nThe project will not be reverted";
    if (!FileExists(backupFile)) {
        Tell(kManagerCaption, kNoBackup, backupFile);
        return FALSE;
    }
    if (AfxGetPromptService().Prompt(m_hWnd,
                                     "This will completely erase any modifications that have been done since the last "
                                     "connection to the controller\r\nAre you sure?",
                                     kManagerCaption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) != IDYES)
        return FALSE;

    // Every file of the backup is looked for before any is copied: a
    // backup with a file missing leaves the project as it is.
    struct Copy {
        CString source;
        bool withFolder;
    };
    std::vector<Copy> copies;
    {
        CProjectFile backup(backupFile);
        const int count = backup.GetProgramCount();
        for (int i = 0; i < count; ++i) {
            CString name;
            int type = 0;
            if (!backup.GetProgram(i, name, type) || name.IsEmpty())
                return FALSE;
            if (!IsProgramFileName(name)) {
                ReportRefusedProgram(backupFile, name);
                continue;
            }
            if (!m_pConnection->IsProgramTypeSupported(type))
                continue;
            const CString source = JoinFolder(backupFolder, name + "." + GetProgramTypeExtension(type));
            if (!FileExists(source)) {
                Tell(kManagerCaption, kNoBackup, source);
                return FALSE;
            }
            copies.push_back(Copy{source, type == PROGRAM_TYPE_IEC_PROJECT});
        }
    }
    for (const Copy& copy : copies) {
        const CString name = copy.source.Mid(copy.source.ReverseFind('\\') + 1);
        const BOOL copied = copy.withFolder ? CopyProgramWithFolder(copy.source, folder, TRUE)
                                            : CopyProgramFile(copy.source, JoinFolder(folder, name), FALSE);
        if (!copied)
            return FALSE;
    }
    if (!CopyProgramFile(backupFile, path, FALSE))
        return FALSE;
    return LoadProject(path, nullptr, TRUE, FALSE) == 2 ? TRUE : FALSE;
}
