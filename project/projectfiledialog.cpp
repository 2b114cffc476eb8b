#include "project/projectfiledialog.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "foundation/fileutil.h"
#include "foundation/safefile.h"
#include "project/loadsavefile.h"
#include "project/newfolder.h"
#include "project/project_resource.h"
#include "project/projectdialogs.h"
#include "project/projectfile.h"
#include "ui/userdialog.h"

namespace {

struct ModeTexts {
    const char* caption;
    const char* action;
};
const ModeTexts kModes[] = {
    {"New project", "&Create"}, {"Open project", "&Open"},     {"Load Project", "&Load"},
    {"Save project", "&Save"},  {"Change project", "C&hange"},
};

CString WithoutTrailingSeparator(CString path)
{
    while (path.GetLength() > 3 && path[path.GetLength() - 1] == '\\')
        path.Truncate(path.GetLength() - 1);
    return path;
}

CString LastComponent(const CString& path)
{
    const CString trimmed = WithoutTrailingSeparator(path);
    return trimmed.Mid(trimmed.ReverseFind('\\') + 1);
}

CString BeforeAt(const CString& text)
{
    const int at = text.Find('@');
    return at >= 0 ? text.Left(at) : text;
}

bool IsUnknownModel(const CString& model)
{
    return model.CompareNoCase("Unknown") == 0;
}

// A project's folder name: one folder name, nothing the file system
// refuses.
bool IsValidProjectName(const CString& name)
{
    return !name.IsEmpty() && std::strpbrk(name, "\\/:*?\"<>|") == nullptr && name != "." && name != "..";
}

} // namespace

BOOL CChooserFolderTree::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const BOOL handled = CVQShellTree::OnChildNotify(message, wParam, lParam, pResult);
    if (message == WM_NOTIFY) {
        const UINT code = reinterpret_cast<const NMHDR*>(lParam)->code;
        // The tree has filled the new selection; the dialog hears of it too.
        if (code == TVN_SELCHANGEDA || code == TVN_SELCHANGEDW)
            return FALSE;
    }
    return handled;
}

IMPLEMENT_DYNAMIC(CProjectFileDialog, CDialog)

BEGIN_MESSAGE_MAP(CProjectFileDialog, CDialog)
ON_BN_CLICKED(IDC_CHOOSER_ACTION, OnAction)
ON_BN_CLICKED(IDC_CHOOSER_NEW_DIR, OnNewDirectory)
ON_BN_CLICKED(IDC_CHOOSER_RECENT, OnRecentProjects)
ON_EN_CHANGE(IDC_CHOOSER_NAME, OnNameChange)
ON_NOTIFY(TVN_SELCHANGEDA, IDC_CHOOSER_FOLDERS, OnFolderSelChanged)
ON_NOTIFY(TVN_SELCHANGEDW, IDC_CHOOSER_FOLDERS, OnFolderSelChanged)
END_MESSAGE_MAP()

CProjectFileDialog::CProjectFileDialog(CWnd* pProjectWnd, int mode, LPCSTR startPath,
                                       IConnectedController* controller)
    : CDialog(IDD_PROJECT_FILE, pProjectWnd), m_nMode(mode), m_strStart(startPath ? startPath : ""),
      m_pController(controller)
{
}

CProjectFileDialog::~CProjectFileDialog() = default;

void CProjectFileDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_CHOOSER_FOLDERS, m_folders);
    DDX_Control(pDX, IDC_CHOOSER_CONTENTS, m_contents);
    DDX_Control(pDX, IDC_CHOOSER_NAME, m_name);
}

BOOL CProjectFileDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (m_nMode < MODE_NEW || m_nMode > MODE_CHANGE) {
        EndDialog(IDCANCEL);
        return TRUE;
    }
    SetWindowText(kModes[m_nMode].caption);
    SetDlgItemText(IDC_CHOOSER_ACTION, kModes[m_nMode].action);
    SetDlgItemText(IDC_CHOOSER_FOLDER_TITLE, "Disk directory");
    SetDlgItemText(IDC_CHOOSER_FOLDER_HINT, "Select project directory");
    SetDlgItemText(IDC_CHOOSER_CONTENTS_TITLE, "Project contents");
    if (NamesAProject()) {
        SetDlgItemText(IDC_CHOOSER_NAME_LABEL, "Project name");
        m_name.SetWindowText("Untitled");
        m_name.SetSel(0, -1);
    } else {
        SetDlgItemText(IDC_CHOOSER_PROJECT_HINT, "Select project");
    }

    m_folders.SetFileFilter(FALSE, "*.*");
    m_folders.PopulateTree();
    m_bInitialised = TRUE;
    BOOL found = FALSE;
    if (NamesAProject()) {
        // A new project goes beside the start path: its parent folder. A
        // project file as the start stands for its project's folder, so the
        // default is never a folder inside the open project; saving names
        // the open project itself by default.
        CString start = WithoutTrailingSeparator(m_strStart);
        if (PathExists(start) && !DirectoryExists(start)) {
            start = start.Left(std::max(0, start.ReverseFind('\\')));
            const CString project = LastComponent(start);
            if (m_nMode == MODE_SAVE && !project.IsEmpty() && project.Find(':') < 0) {
                m_name.SetWindowText(project);
                m_name.SetSel(0, -1);
            }
        }
        const int separator = start.ReverseFind('\\');
        CString parent = separator > 0 ? start.Left(separator) : start;
        if (parent.GetLength() == 2 && parent[1] == ':')
            parent += '\\';
        found = !parent.IsEmpty() && SelectFolder(parent);
        if (found)
            m_folders.Expand(m_folders.GetSelectedItem(), TVE_EXPAND);
    } else {
        // A project file given as the start selects its folder.
        CString start = m_strStart;
        if (PathExists(start) && !DirectoryExists(start))
            start = start.Left(std::max(0, start.ReverseFind('\\')));
        found = !start.IsEmpty() && SelectFolder(start);
    }
    if (CWnd* action = GetDlgItem(IDC_CHOOSER_ACTION))
        action->EnableWindow(found);
    UpdateState();

    if (m_toolTip.Create(this)) {
        m_toolTip.AddTool(GetDlgItem(IDC_CHOOSER_NEW_DIR), "New directory");
        m_toolTip.Activate(TRUE);
    }
    SetForegroundWindow();
    return TRUE;
}

BOOL CProjectFileDialog::PreTranslateMessage(MSG* pMsg)
{
    if (m_toolTip.m_hWnd)
        m_toolTip.RelayEvent(pMsg);
    return CDialog::PreTranslateMessage(pMsg);
}

BOOL CProjectFileDialog::SelectFolder(LPCSTR folder)
{
    LPITEMIDLIST pidl = m_folders.PidlFromPath(folder);
    const BOOL found = pidl && m_folders.SelectPath(pidl);
    m_folders.Free(pidl);
    return found;
}

CString CProjectFileDialog::SelectedFolder() const
{
    CString folder;
    m_folders.GetSelectedPath(folder);
    return folder;
}

void CProjectFileDialog::OnFolderSelChanged(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    OnFolderSelected();
}

void CProjectFileDialog::OnFolderSelected()
{
    // Re-selecting the item below may report the selection once more.
    if (!m_bInitialised || m_nSelecting > 0)
        return;
    ++m_nSelecting;
    if (m_folders.MarkSelectedProjectFolder()) {
        m_name.SetWindowText(LastComponent(SelectedFolder()));
        if (NamesAProject())
            m_folders.ReselectSelected();
    } else if (!NamesAProject()) {
        m_name.SetWindowText("");
    }
    --m_nSelecting;
    UpdateState();
}

void CProjectFileDialog::OnNameChange()
{
    if (m_bInitialised)
        UpdateState();
}

void CProjectFileDialog::ShowFolderProject(const CString& folder)
{
    m_contents.DeleteAllItems();
    m_strResult.Empty();
    m_strProjectModel.Empty();
    m_bProjectFound = FALSE;
    if (folder.IsEmpty())
        return;
    const CString name = LastComponent(folder);
    if (name.IsEmpty() || name.Find(':') >= 0)
        return;
    const CString file = JoinFolder(folder, name) + "." + GetProjectFileExtension(FALSE);
    if (!PathExists(file))
        return;
    m_strResult = file;
    m_bProjectFound = TRUE;

    CProjectFile project(file);
    const HTREEITEM root = m_contents.InsertItem(name, 4, 4);
    m_strProjectModel = BeforeAt(project.GetString("Controller", "Type")).Trim();
    if (!m_strProjectModel.IsEmpty()) {
        CString modelText;
        modelText.Format("%s@%s", m_strProjectModel.GetString(), "");
        const int image = ModelNameToCode(modelText);
        const HTREEITEM model = m_contents.InsertItem(modelText, image, image, root);
        const int count = project.GetProgramCount();
        for (int i = 0; i < count; ++i) {
            CString program;
            int type = 0;
            if (project.GetProgram(i, program, type) && !program.IsEmpty())
                m_contents.InsertItem(program, 6, 6, model);
        }
        m_contents.Expand(model, TVE_EXPAND);
    }
    m_contents.Expand(root, TVE_EXPAND);
}

bool CProjectFileDialog::ProgramsDiffer()
{
    // The same names in any order, compared without regard to case.
    std::vector<CString> project;
    const HTREEITEM model = m_contents.GetChildItem(m_contents.GetRootItem());
    for (HTREEITEM item = m_contents.GetChildItem(model); item; item = m_contents.GetNextSiblingItem(item))
        project.push_back(m_contents.GetItemText(item));
    CStringList controller;
    if (m_pController)
        m_pController->GetControllerProgramNames(controller);
    if (static_cast<std::size_t>(controller.GetCount()) != project.size())
        return true;
    for (POSITION pos = controller.GetHeadPosition(); pos;) {
        const CString name = controller.GetNext(pos);
        bool found = false;
        for (const CString& entry : project)
            found = found || entry.CompareNoCase(name) == 0;
        if (!found)
            return true;
    }
    return false;
}

void CProjectFileDialog::UpdateState()
{
    ShowFolderProject(SelectedFolder());

    const CString connected = m_pController ? BeforeAt(m_pController->GetConnectedModelName()) : CString();
    const bool controllerKnown = !connected.IsEmpty() && connected.CompareNoCase("None") != 0;
    CString controllerWarning;
    if (controllerKnown)
        controllerWarning.Format("Warning: Controller (%s) different to project (%s)", connected.GetString(),
                                 m_strProjectModel.GetString());
    SetDlgItemText(IDC_CHOOSER_CONTROLLER_WARNING, controllerWarning);
    SetDlgItemText(IDC_CHOOSER_PROGRAM_WARNING, "Warning: Programs in project do not match those on controller");

    bool modelsDiffer = false, programsDiffer = false;
    if (m_bProjectFound && !NamesAProject() && controllerKnown && !m_strProjectModel.IsEmpty()) {
        modelsDiffer = connected.CompareNoCase(m_strProjectModel) != 0 && !IsUnknownModel(connected) &&
                       !IsUnknownModel(m_strProjectModel);
        if (!modelsDiffer && (m_nMode == MODE_OPEN || m_nMode == MODE_CHANGE))
            programsDiffer = ProgramsDiffer();
    }

    CString name;
    m_name.GetWindowText(name);
    const bool folderSelected = !SelectedFolder().IsEmpty();
    bool actionEnabled;
    if (NamesAProject()) {
        m_name.EnableWindow(folderSelected);
        actionEnabled = folderSelected && !name.IsEmpty();
    } else {
        m_name.EnableWindow(FALSE);
        actionEnabled = m_bProjectFound && !name.IsEmpty();
    }
    if (CWnd* action = GetDlgItem(IDC_CHOOSER_ACTION))
        action->EnableWindow(actionEnabled);
    SetDefID(actionEnabled ? IDC_CHOOSER_ACTION : IDCANCEL);

    if (CWnd* warning = GetDlgItem(IDC_CHOOSER_CONTROLLER_WARNING))
        warning->ShowWindow(modelsDiffer ? SW_SHOW : SW_HIDE);
    if (CWnd* warning = GetDlgItem(IDC_CHOOSER_PROGRAM_WARNING))
        warning->ShowWindow(programsDiffer ? SW_SHOW : SW_HIDE);
}

void CProjectFileDialog::OnOK()
{
    // Enter presses the default button: the action when it is enabled.
    if (CWnd* action = GetDlgItem(IDC_CHOOSER_ACTION); action && action->IsWindowEnabled())
        OnAction();
    else
        OnCancel();
}

void CProjectFileDialog::OnAction()
{
    if (NamesAProject()) {
        CString name;
        m_name.GetWindowText(name);
        name.Trim();
        CString result;
        if (name.GetLength() > 2 && (name[1] == ':' || name[1] == '\\'))
            result = name;
        else if (!SelectedFolder().IsEmpty() && !name.IsEmpty())
            result = JoinFolder(SelectedFolder(), name);
        // The project file goes into the folder under the folder's name:
        // both must be possible on this file system.
        const CString projectName = LastComponent(result);
        if (!result.IsEmpty() && !IsValidProjectName(projectName)) {
            ShowUserMessage(this, "Invalid project name", GetWindowTextString());
            return;
        }
        if (!result.IsEmpty() && result.GetLength() + 1 + projectName.GetLength() + 4 >= MAX_PATH) {
            ShowUserMessage(this, "The project path is too long", GetWindowTextString());
            return;
        }
        m_strResult = result;
    }
    // Other modes: the project file found for the selected folder.
    EndDialog(m_strResult.IsEmpty() ? IDCANCEL : IDOK);
}

void CProjectFileDialog::OnCancel()
{
    m_strResult.Empty();
    EndDialog(IDCANCEL);
}

void CProjectFileDialog::OnNewDirectory()
{
    if (!MakeFolderInTree(this, m_folders, "Creating").IsEmpty())
        UpdateState();
}

void CProjectFileDialog::OnRecentProjects()
{
    CRecentProjectsDialog recent(this);
    if (recent.DoModal() != IDOK)
        return;
    m_strResult = recent.GetText();
    if (!m_strResult.IsEmpty())
        EndDialog(IDOK);
}
