// A new project: the controller emptied and a new, empty project folder
// made the open project.
#include "project/projectwnd.h"

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "project/projectfiledialog.h"

namespace {

const char kManagerCaption[] = "Project Manager"; // 659
const int kNewAllCommand = 14;                    // "NEW ALL"
const WPARAM kNotConnectedText = 624;             // "Not Connected", to the main frame

} // namespace

int CProjectWnd::CreateNewProject()
{
    CBusy busy(*this);
    m_layout.clear();
    CString reason;
    CString projectPath;
    // The steps in order; the outcome of the first that does not go on.
    const int outcome = [&]() -> int {
        if (!HaltProgramsIfRunning(nullptr))
            return 0;
        CloseAllWindows(0);
        if (AfxGetPromptService().Prompt(
                m_hWnd, "This will completely erase the contents of the controller\r\nDo you wish to continue?",
                kManagerCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return 1;

        CString folder;
        const INT_PTR answer = RunProjectFileDialog(CProjectFileDialog::MODE_NEW, folder);
        if (answer == IDCANCEL) {
            reason = "User cancelled";
            return 1;
        }
        if (answer != IDOK)
            return 0;
        folder = WithoutTrailingBackslash(folder);
        if (folder.IsEmpty()) {
            reason = "Error getting project name";
            return 0;
        }
        // A file of the folder's name is no folder to put a project in.
        if (!DirectoryExists(folder) && !::CreateDirectoryA(folder, nullptr)) {
            reason = "Error creating project directory";
            return 0;
        }
        projectPath = ProjectFileOfFolder(folder);
        bool overwrite = false;
        if (FileExists(projectPath)) {
            CString text;
            text.Format("Project\n%s\nalready exists\n\nDo you want to overwrite it?", projectPath.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, kManagerCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
                return 1;
            overwrite = true;
        }

        if (!RunControllerCommands({Command(kNewAllCommand)})) {
            reason = "Error deleting programs on controller";
            return 0;
        }
        m_pConnection->RemoveAllPrograms();
        // The controller's (now empty) list makes the new project file; a
        // file that is not there afterwards was not written.
        if (!WriteProgramList(projectPath, overwrite ? TRUE : FALSE) || !FileExists(projectPath)) {
            reason = "Error writing project file";
            return 0;
        }
        m_projectFile.Load(projectPath);
        SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(projectPath.GetString()));
        return 2;
    }();

    if (outcome == 2) {
        SendToControlPanel(PWM_NOT_FOUND);
        SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(projectPath.GetString()));
        BackupOpenProject();
    } else if (outcome == 0) {
        AfxGetPromptService().PromptDetached(
            "Error during new project\r\n\r\n" + reason + "\r\nNew project will be cancelled", kManagerCaption);
        SendToMainFrame(PWM_OPEN_PROJECT, kNotConnectedText, 0);
    }
    return outcome;
}
