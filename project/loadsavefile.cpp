#include "project/loadsavefile.h"

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/newfolder.h"
#include "project/programtypes.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "shell/systemregistry.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

namespace {

const UINT TOOL_ID_DIALOGS = 1019;
const char kInvalidName[] =
    "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only";

} // namespace

void AskToShowFileExtensions(HWND owner)
{
    CSystemRegistry explorer;
    if (!explorer.GetHideFileExt())
        return;
    const char text[] = "Your folder options include \"Hide file extensions for known file types\".  This can make "
                        "Vorta unable to load or save program or table files.\n\nDo you wish to remove this folder "
                        "option?";
    if (AfxGetPromptService().Prompt(owner, text, "Warning", MB_YESNO | MB_DEFBUTTON1) == IDYES)
        explorer.SetHideFileExt(0);
}

int ModelNameToCode(const char* modelText)
{
    static const int kImages[CONTROLLER_MODEL_COUNT] = {10, 10, 11, 17, 12, 13, 14, 14, 18, 21, 16, 20,
                                                        15, 15, 19, 22, 27, 23, 14, 18, 31, 28, 30, 29,
                                                        18, 14, 27, 28, 21, 36, 36, 33, 34, 35};
    const int row = FindControllerModelByName(modelText ? modelText : "");
    return kImages[row > 0 && row < CONTROLLER_MODEL_COUNT ? row : 1];
}

IMPLEMENT_DYNAMIC(CLoadSaveFile, CDialog)

BEGIN_MESSAGE_MAP(CLoadSaveFile, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_EN_CHANGE(IDC_PROGRAM_NAME, OnFieldChange)
ON_EN_CHANGE(IDC_PROGRAM_FILE, OnFieldChange)
ON_BN_CLICKED(IDC_PROGRAM_NEW_DIR, OnNewDirectory)
END_MESSAGE_MAP()

CLoadSaveFile::CLoadSaveFile(int mode, const CStringList& programs, LPCSTR initialProgram, LPCSTR modelText)
    : CDialog(IDD_LOAD_SAVE_FILE, nullptr), m_nMode(mode), m_strInitialProgram(initialProgram ? initialProgram : ""),
      m_strModel(modelText ? modelText : "")
{
    for (POSITION pos = programs.GetHeadPosition(); pos;)
        m_programs.AddTail(programs.GetNext(pos));
}

CLoadSaveFile::~CLoadSaveFile() = default;

BOOL CLoadSaveFile::Create(CWnd* pParentWnd)
{
    return CreateOrDelete(IDD_LOAD_SAVE_FILE, pParentWnd);
}

void CLoadSaveFile::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_PROGRAM_TREE, m_programTree);
    DDX_Control(pDX, IDC_PROGRAM_FOLDERS, m_folderTree);
    DDX_Control(pDX, IDC_PROGRAM_NAME, m_programName);
    DDX_Control(pDX, IDC_PROGRAM_FILE, m_fileName);
}

int CLoadSaveFile::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndProject = RegisterToolWindow(TOOL_ID_DIALOGS, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CLoadSaveFile::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    SetWindowText(m_nMode == MODE_LOAD ? "Load program from file" : "Save program to file");
    AskToShowFileExtensions(m_hWnd);

    // The extensions of the program types that can be loaded.
    CStringList extensions;
    CollectExtensionsForOperation(1, extensions, nullptr);
    m_strFilter.Empty();
    for (POSITION pos = extensions.GetHeadPosition(); pos;)
        m_strFilter += (m_strFilter.IsEmpty() ? "*." : ";*.") + extensions.GetNext(pos);
    if (m_strFilter.IsEmpty())
        m_strFilter = "*.bas;*.gco";
    m_folderTree.SetFileFilter(m_nMode == MODE_LOAD, m_strFilter);

    HTREEITEM root = TVI_ROOT;
    if (!m_strModel.IsEmpty())
        root = m_programTree.InsertItem(m_strModel, ModelNameToCode(m_strModel), ModelNameToCode(m_strModel));
    for (POSITION pos = m_programs.GetHeadPosition(); pos;) {
        const CString name = m_programs.GetNext(pos);
        const HTREEITEM item = m_programTree.InsertItem(name, 6, 6, root);
        if (m_nMode == MODE_SAVE && name.CompareNoCase(m_strInitialProgram) == 0) {
            m_programTree.SelectItem(item);
            m_programName.SetWindowText(name);
        }
    }
    if (m_nMode == MODE_SAVE)
        m_fileName.SetFocus();
    m_folderTree.PopulateTree();
    CString folder = m_nMode == MODE_LOAD ? CVQRegistry().GetLastLoadProgDir() : CVQRegistry().GetLastSaveProgDir();
    if (!folder.IsEmpty())
        SelectFolder(folder);
    UpdateOk();
    return m_nMode == MODE_SAVE ? FALSE : TRUE;
}

BOOL CLoadSaveFile::SelectFolder(LPCSTR folder)
{
    LPITEMIDLIST pidl = m_folderTree.PidlFromPath(folder);
    const BOOL ok = pidl && m_folderTree.SelectPath(pidl);
    m_folderTree.Free(pidl);
    UpdateOk();
    return ok;
}

void CLoadSaveFile::OnNewDirectory()
{
    MakeFolderInTree(this, m_folderTree);
    UpdateOk();
}

void CLoadSaveFile::OnFieldChange()
{
    UpdateOk();
}

void CLoadSaveFile::UpdateOk()
{
    CString name, file;
    m_programName.GetWindowText(name);
    m_fileName.GetWindowText(file);
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(!name.IsEmpty() && !file.IsEmpty());
}

void CLoadSaveFile::OnOK()
{
    CString name, file, folder;
    m_programName.GetWindowText(name);
    m_fileName.GetWindowText(file);
    m_folderTree.GetSelectedPath(folder);
    CString path;
    if (m_nMode == MODE_SAVE || !m_folderTree.IsSelectedFile()) {
        if (!file.IsEmpty())
            path = folder + (folder.IsEmpty() || folder[folder.GetLength() - 1] != '\\' ? "\\" : "") + file;
    } else {
        path = folder;
    }
    const CString pathFolder = path.Left(std::max(0, path.ReverseFind('\\')));
    if (m_nMode == MODE_SAVE) {
        if (GetFileExtension(path).CompareNoCase("zwa") == 0)
            path = path.Left(path.ReverseFind('.')) + ".mwe";
        if (PathExists(path)) {
            CString text;
            text.Format("Program file %s already exists\n\nDo you want to overwrite it?\"", path.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, "Save program", MB_YESNO | MB_DEFBUTTON1) != IDYES) {
                DestroyWindow();
                return;
            }
        }
        ::SendMessageA(m_hWndProject, WM_PW_SAVE_PROGRAM_FILE, reinterpret_cast<WPARAM>(name.GetString()),
                       reinterpret_cast<LPARAM>(path.GetString()));
        if (DirectoryExists(pathFolder))
            CVQRegistry().SetLastSaveProgDir(pathFolder);
    } else {
        if (!IsValidProgramName(name)) {
            ShowUserMessage(this, kInvalidName, "Load program");
            return; // the window stays open
        }
        if (::SendMessageA(m_hWndProject, WM_PW_QUERY_HAS_PROGRAM, 0, reinterpret_cast<LPARAM>(name.GetString()))) {
            CString text;
            text.Format("Program %s already exists in the current project.\n\nDo you want to overwrite it?",
                        name.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, "Warning", MB_YESNO | MB_DEFBUTTON2) != IDYES) {
                DestroyWindow();
                return;
            }
        }
        ::SendMessageA(m_hWndProject, WM_PW_LOAD_PROGRAM_FILE, reinterpret_cast<WPARAM>(name.GetString()),
                       reinterpret_cast<LPARAM>(path.GetString()));
        if (DirectoryExists(pathFolder))
            CVQRegistry().SetLastLoadProgDir(pathFolder);
    }
    DestroyWindow();
}

void CLoadSaveFile::OnCancel()
{
    DestroyWindow();
}

LRESULT CLoadSaveFile::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"Load/Save File\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CLoadSaveFile::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CLoadSaveFile::OnDestroy()
{
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        UnregisterToolWindow(m_hWndProject, TOOL_ID_DIALOGS, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CLoadSaveFile::PostNcDestroy()
{
    if (m_bWasCreated)
        delete this;
}
