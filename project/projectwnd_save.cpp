// Saving a project: from the controller, or as a copy of the open project.
// The steps are written to the debugger output.
#include "project/projectwnd.h"

#include <memory>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "project/newfolder.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "project/projectfiledialog.h"
#include "project/projecthub.h"

namespace {

const char kManagerCaption[] = "Project Manager"; // 659
const char kSaveCaption[] = "Save project";       // 722
const DWORD kCopyPauseMs = 250;

void Trace(LPCSTR format, LPCSTR first = "", LPCSTR second = "")
{
    CString text;
    text.Format(format, first, second);
    ::OutputDebugStringA(text);
}

} // namespace

int CProjectWnd::SaveProject(BOOL copyMode, CCheckProject* dialog, BOOL checkAfterwards)
{
    if (!HaltProgramsIfRunning(nullptr))
        return 0;
    CloseAllWindows(0);
    CString folder;
    const INT_PTR answer = RunProjectFileDialog(CProjectFileDialog::MODE_SAVE, folder);
    if (answer == IDCANCEL)
        return 1;
    if (answer != IDOK)
        return 0;
    return SaveProjectInto(folder, copyMode, dialog, checkAfterwards);
}

int CProjectWnd::SaveProjectInto(LPCSTR folderText, BOOL copyMode, CCheckProject*, BOOL checkAfterwards)
{
    CBusy busy(*this);
    CString folder = folderText ? folderText : "";
    if (folder.IsEmpty()) {
        Trace("Error - empty project directory\n");
        return 0;
    }
    // A copy of the open project into its own folder would copy each file
    // over itself: nothing is saved, and that is no success. The folders
    // are compared by their full long paths, so no other spelling of the
    // folder (".", "..", a short name) gets past; a copy into a folder
    // inside the project, or into one that holds it, is refused too.
    const CString oldPath = m_projectFile.GetFilePath();
    const CString oldFolder = WithoutTrailingBackslash(m_projectFile.GetDirectory());
    folder = WithoutTrailingBackslash(folder);
    if (copyMode && !oldFolder.IsEmpty()) {
        if (NormalisedPath(folder).CompareNoCase(NormalisedPath(oldFolder)) == 0) {
            AfxGetPromptService().PromptDetached("Cannot save to currently selected project", kSaveCaption);
            return 1;
        }
        if (IsSameOrInsideFolder(folder, oldFolder) || IsSameOrInsideFolder(oldFolder, folder)) {
            CString text;
            text.Format("Cannot save the project into\n%s\nwhich is inside the current project or holds it.\n\n"
                        "Choose a folder of its own.",
                        folder.GetString());
            AfxGetPromptService().PromptDetached(text, kSaveCaption);
            return 1;
        }
    }
    if (copyMode && oldPath.IsEmpty()) {
        Trace("Error - no open project to copy\n");
        AfxGetPromptService().PromptDetached("No project file specified", kManagerCaption);
        return 0;
    }
    if (!HaltProgramsIfRunning(nullptr)) {
        Trace("Failed to halt programs\n");
        return 0;
    }
    CloseAllWindows(0);
    if (!DirectoryExists(folder) && !::CreateDirectoryA(folder, nullptr)) {
        Trace("Unable to create project directory %s\n", folder);
        AfxGetPromptService().PromptDetached("Could not create project directory\r\nSave project will be cancelled",
                                             kManagerCaption);
        return 0;
    }
    const CString newPath = ProjectFileOfFolder(folder);
    if (FileExists(newPath)) {
        CString text;
        text.Format("Project\n%s\nalready exists\n\nDo you want to overwrite it?", newPath.GetString());
        if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_DEFBUTTON2 | MB_ICONQUESTION) !=
            IDYES) {
            Trace("Save Project cancelled by user\n");
            return 1;
        }
    }

    m_projectFile.Load(newPath);
    SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(newPath.GetString()));
    int outcome = 2;
    if (!copyMode) {
        if (!WriteProgramList(newPath, FALSE)) {
            Trace("Write project file failed (%s)\n", newPath);
            outcome = 0;
        } else if (!SaveAllProgramsToDisk()) {
            Trace("Write programs failed\n");
            outcome = 0;
        }
    } else {
        // The open project's own programs, as its project file lists them.
        std::unique_ptr<IHubProgress> gauge = StartGaugeProgress(m_hWnd, "Saving project");
        if (gauge)
            gauge->SetPercent(0);
        CTList<CProgramData> programs;
        CProjectFile(oldPath).ReadProgramList(programs);
        WaitServing([] { return false; }, kCopyPauseMs);
        const int count = static_cast<int>(programs.GetCount());
        int done = 0;
        for (const CProgramData* program = programs.GetHead(); program && outcome == 2;
             program = programs.GetNext(program)) {
            ++done;
            if (program->m_strName.IsEmpty())
                continue;
            const CString file = program->m_strName + "." + GetProgramTypeExtension(program->m_nType);
            const CString source = JoinFolder(oldFolder, file);
            const CString destination = JoinFolder(folder, file);
            if (program->m_nType == PROGRAM_TYPE_IEC_PROJECT) {
                Trace("IEC - %s\n", program->m_strName);
                if (!CopyProgramWithFolder(source, folder, TRUE))
                    outcome = 0;
            } else {
                Trace("Program - %s\n", program->m_strName);
                if (!CopyProgramFile(source, destination, FALSE)) {
                    Trace("Copy file failed (%s -> %s)\n", source, destination);
                    outcome = 0;
                }
            }
            if (gauge)
                gauge->SetPercent(100 * done / count);
        }
        if (outcome == 2 && !CopyProgramFile(oldPath, newPath, FALSE)) {
            Trace("Copy project file failed (%s -> %s)\n", oldPath, newPath);
            outcome = 0;
        }
        WaitServing([] { return false; }, kCopyPauseMs);
        if (gauge)
            gauge->Close();
    }

    if (outcome != 2) {
        if (newPath.CompareNoCase(oldPath) != 0) {
            m_projectFile.Load(oldPath);
            SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(oldPath.GetString()));
            AfxGetPromptService().PromptDetached("Save project failed\nThe original project will be reselected",
                                                 kManagerCaption);
        } else {
            AfxGetPromptService().PromptDetached(
                "Save project failed\nFailed whilst overwriting the current project.\nVQ will disconnect", kManagerCaption);
            Disconnect(0, DISCONNECT_TERMINAL);
        }
        return outcome;
    }
    if (checkAfterwards && !RunProjectCheck(FALSE)) {
        Trace("Failed project check after Save Project\n");
        return 0;
    }
    if (!BackupOpenProject()) {
        Trace("Failed backup after Save Project\n");
        return 0;
    }
    return outcome;
}
