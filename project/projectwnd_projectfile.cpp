// The project window's operations on the project file: the controller
// model it was made for, the program list, choosing and converting a
// project, and the messages of the project's own operations (new, load,
// save a copy, revert).
#include "project/projectwnd.h"

#include <algorithm>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/newfolder.h"
#include "project/programfilecopy.h"
#include "project/programtypes.h"
#include "project/projectfiledialog.h"
#include "settings/vqregistry.h"

namespace {

const char kManagerCaption[] = "Project Manager";    // 659
const char kReadProjectCaption[] = "Read Project File"; // 670
const char kCheckCaption[] = "Project Check";          // 653
const char kProjectFileCaption[] = "Project file";     // 237
const char kConvertCaption[] = "Convert project";      // 557
const char kNotFound[] = "Project %s not found\r\nPlease specify an existing project"; // 924

CString ModelName(int row)
{
    return GetControllerModel(row).m_szName;
}

// The connected controller as the project-file dialog asks about it.
class CDialogController : public IConnectedController {
public:
    explicit CDialogController(CControllerConnection& connection) : m_connection(connection) {}
    CString GetConnectedModelName() override { return ModelName(m_connection.GetModelRow()); }
    void GetControllerProgramNames(CStringList& names) override
    {
        names.RemoveAll();
        for (const CProgramData& program : m_connection.GetPrograms())
            names.AddTail(program.m_strName);
    }

private:
    CControllerConnection& m_connection;
};

} // namespace

CString CProjectWnd::WithoutTrailingBackslash(LPCSTR path)
{
    CString text = path ? path : "";
    while (text.GetLength() > 3 && text[text.GetLength() - 1] == '\\')
        text.Truncate(text.GetLength() - 1);
    return text;
}

CString CProjectWnd::ProjectFileOfFolder(LPCSTR folder)
{
    const CString path = WithoutTrailingBackslash(folder);
    const CString name = path.Mid(path.ReverseFind('\\') + 1);
    return JoinFolder(path, name + GetProjectFileExtension(TRUE));
}

INT_PTR CProjectWnd::RunProjectFileDialog(int mode, CString& chosen)
{
    CDialogController controller(*m_pConnection);
    CProjectFileDialog dialog(this, mode, m_projectFile.GetFilePath(), &controller);
    const INT_PTR answer = dialog.DoModal();
    chosen = answer == IDOK ? dialog.GetText() : CString();
    return answer;
}

BOOL CProjectWnd::ConfirmProjectController(LPCSTR path)
{
    CProjectFile project(path && *path ? path : m_projectFile.GetFilePath().GetString());
    m_pConnection->RemoveAllPrograms();
    const int connected = m_pConnection->GetModelRow();
    const int recorded = project.GetControllerType();
    if (CVQRegistry().GetCheckControllerType() && recorded != connected) {
        CString text;
        text.Format("This project was created on %s controller\na %s controller has been detected\n\n\"Do you wish to "
                    "update the project?",
                    ModelName(recorded).GetString(), ModelName(connected).GetString());
        const LPCTSTR labels[] = {"&Yes", "&Cancel"};
        if (AfxGetPromptService().PromptLabelled(m_hWnd, text, kReadProjectCaption, MB_YESNO | MB_DEFBUTTON2, labels,
                                                 2) != IDYES) {
            AfxGetPromptService().Prompt(
                m_hWnd, "Cannot load this project as controller definition does not coincide with the detected controller",
                kReadProjectCaption, MB_OK | MB_ICONEXCLAMATION);
            return FALSE;
        }
    }
    if (connected == MODEL_ROW_NONE)
        return FALSE;
    return project.SetControllerType(connected);
}

BOOL CProjectWnd::MatchProjectController()
{
    CBusy busy(*this);
    const int connected = m_pConnection->GetModelRow();
    const int recorded = m_projectFile.GetControllerType();
    if (connected == recorded)
        return TRUE;
    if (CVQRegistry().GetCheckControllerType()) {
        CString text;
        text.Format("Project was created on a different controller\r\nProject uses   %s\r\nController is  %s\r\n\r\nDo "
                    "you want to modify the project?",
                    ModelName(recorded).GetString(), ModelName(connected).GetString());
        const LPCTSTR labels[] = {"&Yes", "&No"};
        if (AfxGetPromptService().PromptLabelled(m_hWnd, text, kCheckCaption, MB_YESNO | MB_DEFBUTTON2, labels, 2) !=
            IDYES)
            return FALSE;
    }
    // A project that cannot take the model would keep asking.
    return IsProjectOpen() ? m_projectFile.SetControllerType(connected) : TRUE;
}

BOOL CProjectWnd::WriteProgramList(LPCSTR path, BOOL reset)
{
    CProjectFile file(path && *path ? path : m_projectFile.GetFilePath().GetString());
    if (file.GetFilePath().IsEmpty())
        return FALSE;
    if (reset && file.Exists() && !file.EraseFile())
        return FALSE;
    const int connected = m_pConnection->GetModelRow();
    if (connected != MODEL_ROW_NONE) {
        if (!file.SetControllerType(connected))
            return FALSE;
        file.DeleteSection("Programs");
        file.DeleteSection("ProgramType");
    }
    // Readers stop at the first empty entry: the entries are numbered
    // without gaps, so a program left out (IEC) hides none after it.
    int entry = 0;
    for (const CProgramData& program : m_pConnection->GetPrograms()) {
        if (program.m_strName.IsEmpty())
            return FALSE;
        if (program.m_nType == PROGRAM_TYPE_IEC_PROJECT)
            continue;
        if (!file.SetProgram(entry, program.m_strName, program.m_nType)) {
            CString text;
            text.Format("Error writing program \"%s\" entry in project file", program.m_strName.GetString());
            AfxGetPromptService().PromptDetached(text, kProjectFileCaption);
            return FALSE;
        }
        ++entry;
    }
    return TRUE;
}

int CProjectWnd::ChooseProjectFile(int mode)
{
    CBusy busy(*this);
    m_layout.clear();
    CString chosen;
    const int outcome = ChooseExistingProject(mode, chosen);
    if (outcome != 2)
        return outcome;
    m_projectFile.Load(chosen);
    SendToMainFrame(PWM_OPEN_PROJECT, 0, reinterpret_cast<LPARAM>(m_projectFile.GetFilePath().GetString()));
    return 2;
}

int CProjectWnd::ChooseExistingProject(int mode, CString& chosen)
{
    const INT_PTR answer = RunProjectFileDialog(mode, chosen);
    if (answer == IDCANCEL)
        return 1;
    if (answer != IDOK || chosen.IsEmpty())
        return 0;
    if (!FileExists(chosen)) {
        CString text;
        text.Format(kNotFound, chosen.GetString());
        AfxGetPromptService().PromptDetached(text, kManagerCaption);
        return 0;
    }
    return 2;
}

int CProjectWnd::OpenProjectWithDialog()
{
    CString path;
    const int outcome = ChooseExistingProject(CProjectFileDialog::MODE_LOAD, path);
    return outcome == 2 ? LoadProject(path, nullptr, TRUE, TRUE) : outcome;
}

BOOL CProjectWnd::ConvertProjectFile(LPCSTR path)
{
    const CString project = path ? path : "";
    const CString extension = GetProjectFileExtension(TRUE);
    if (project.GetLength() <= 4 || project.Right(extension.GetLength()).CompareNoCase(extension) != 0)
        return FALSE;
    CBusy busy(*this);
    const CString saved = project.Left(project.GetLength() - extension.GetLength()) + GetBackupFileExtension(TRUE);
    if (!CopyProgramFile(project, saved, FALSE))
        return FALSE;

    BOOL converted = TRUE;
    {
        CProjectFile file(project);
        const CString folder = file.GetDirectory();
        for (int i = 0; i < PROJECT_MAX_PROGRAMS && converted; ++i) {
            CString entry;
            int type = 0;
            file.GetProgram(i, entry, type, TRUE);
            // "name;file"; anything else is of the present layout.
            const int semicolon = entry.Find(';');
            if (semicolon < 1)
                continue;
            const CString oldName = entry.Left(semicolon);
            CString oldFile = entry.Mid(semicolon + 1).Trim();
            if (oldFile.Find(':') < 0 && oldFile.Left(1) != "\\")
                oldFile = folder + oldFile;
            type = file.GetProgramType(oldName);
            // A "-" is no program-name character; the program and its file
            // take "_" in its place, so that the new name finds its file.
            CString name = oldName;
            name.Replace('-', '_');
            // The new name becomes a file in the folder and the old file is
            // read: neither may reach outside the folder or be a device.
            const int slash = std::max(oldFile.ReverseFind('\\'), oldFile.ReverseFind('/'));
            if (!IsProgramFileName(name) || IsReservedDeviceName(oldFile.Mid(slash + 1))) {
                ReportRefusedProgram(project, entry);
                continue;
            }
            const CString newFile = folder + name + ".bas";
            if (newFile.CompareNoCase(oldFile) != 0 && !CopyProgramFile(oldFile, newFile, FALSE)) {
                CString text;
                text.Format("Error copying file from %s to %s", oldFile.GetString(), newFile.GetString());
                AfxGetPromptService().PromptDetached(text, kConvertCaption);
                converted = FALSE;
                break;
            }
            if (name != oldName)
                file.DeleteKey("ProgramType", oldName);
            converted = file.SetProgram(i, name, type);
        }
    }
    if (!converted)
        CopyProgramFile(saved, project, FALSE);
    return converted;
}

bool CProjectWnd::HandleProjectMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message != PWM_NEW_PROJECT && message != PWM_LOAD_PROJECT && message != PWM_SAVE_PROJECT_COPY &&
        message != PWM_REVERT_PROJECT)
        return false;
    result = 0;
    // One project operation at a time: a request that comes while a
    // connect, the check or another of them runs (their waits serve
    // messages) runs after it, and its sender is told so, not that it
    // was done. A load's path is copied: the sender's text may be gone by
    // then.
    if (m_bConnecting || m_bCheckRunning || m_bProjectOperationRunning) {
        if (message == PWM_LOAD_PROJECT)
            DeferTextMessage(message, wParam, reinterpret_cast<LPCSTR>(lParam));
        else
            DeferMessage(message, wParam, 0);
        result = PWM_OPERATION_DEFERRED;
        return true;
    }
    m_bProjectOperationRunning = TRUE;
    SendToMainFrame(PWM_BUSY);
    if (message == PWM_NEW_PROJECT) {
        result = CreateNewProject() == 2 ? 1 : 0;
    } else if (message == PWM_LOAD_PROJECT) {
        if (m_pConnection->GetLink() && m_pConnection->GetLinkMode() != CONNECTION_CHANNEL_MODE)
            m_pConnection->EnterChannelMode(nullptr);
        // The path may be one the window holds (the project to open): the
        // load works on a copy.
        const CString path = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
        const int outcome = path.IsEmpty() ? OpenProjectWithDialog() : LoadProject(path, nullptr, TRUE, TRUE);
        result = outcome == 2 ? 0 : 1;
    } else if (message == PWM_SAVE_PROJECT_COPY) {
        result = SaveProject(TRUE, nullptr, TRUE) == 2 ? 1 : 0;
    } else {
        result = RevertProject() ? 0 : 1;
    }
    PostToMainFrame(PWM_READY);
    m_bProjectOperationRunning = FALSE;
    return true;
}
