#include "project/selectprogramdialog.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "foundation/logline.h"
#include "foundation/scopedcount.h"
#include "foundation/winutil.h"
#include "framework/prompt.h"
#include "link/modeltables.h"
#include "project/programoperation.h"
#include "project/programtypes.h"
#include "project/project_resource.h"
#include "project/projectfile.h"
#include "project/projectwnd.h"
#include "project/projectwndmessages.h"
#include "project/toolthread.h"
#include "shell/mainframe.h"
#include "shell/res/mainframe_resource.h"
#include "ui/dialogthread.h"
#include "ui/toolmessages.h"
#include "ui/userdialog.h"
#include "ui/windowlookup.h"

namespace {

const int PURPOSE_SELECT = 1;
const int PURPOSE_NONE = -99;
const UINT_PTR kDestroyRetryTimer = 1;
const UINT kDestroyRetryMs = 5;
const int kProgramImage = 6;
// The program-type column of the types a new program may have.
const int kNewProgramColumn = 6;

const char kCaption[] = "Select program";
const char kInvalidName[] =
    "Invalid program name.\r\n\r\nMust be a maximum of 15 alphanumeric or underscore characters only";
const char kDefaultProcess[] = "Default";

// What each purpose shows, which programs it lists and what the program's
// type must allow for the request to go.
struct PurposeRow {
    int purpose;
    const char* title;
    UINT listMessage; // 0x8192 program names or 0x8193 running programs
    int filter;
    int (*capable)(int type, HWND projectWindow);
};

const PurposeRow kPurposes[] = {
    {PROGRAM_OP_NEW, "New Program", PWM_PROGRAM_NAMES, 3, CanEditProgramType},
    {PURPOSE_SELECT, "Select Program", PWM_PROGRAM_NAMES, 0, CanSelectProgramType},
    {PROGRAM_OP_EDIT, "Edit Program", PWM_PROGRAM_NAMES, 3, CanEditProgramType},
    {PROGRAM_OP_COPY, "Copy Program", PWM_PROGRAM_NAMES, 7, CanCopyProgramType},
    {PROGRAM_OP_RENAME, "Rename Program", PWM_PROGRAM_NAMES, 6, CanRenameProgramType},
    {PROGRAM_OP_DELETE, "Delete Program", PWM_PROGRAM_NAMES, 9, CanDeleteProgramType},
    {PROGRAM_OP_COMPILE, "Compile Program", PWM_PROGRAM_NAMES, 8, CanCompileProgramType},
    {PROGRAM_OP_RUN, "Run Program", PWM_PROGRAM_NAMES, 4, CanRunProgramType},
    {PROGRAM_OP_STEP, "Start Program Stepping", PWM_PROGRAM_NAMES, 5, CanStepProgramType},
    {PROGRAM_OP_DEBUG, "Debug Program", PWM_PROGRAM_NAMES, 5, CanRunProgramType},
    {PROGRAM_OP_STOP, "Stop Program", PWM_RUNNING_PROGRAMS, 4, CanRunProgramType},
};

const PurposeRow* FindPurpose(int purpose)
{
    for (const PurposeRow& row : kPurposes)
        if (row.purpose == purpose)
            return &row;
    return nullptr;
}

bool TakesNewName(int purpose)
{
    return purpose == PROGRAM_OP_NEW || purpose == PROGRAM_OP_COPY || purpose == PROGRAM_OP_RENAME;
}

bool TakesProcess(int purpose)
{
    return purpose == PROGRAM_OP_RUN || purpose == PROGRAM_OP_STEP || purpose == PROGRAM_OP_DEBUG;
}

// The number at the start of text after leading blanks. Returns 1 with the
// value, 0 when the text does not start with a digit, -1 when the number
// is larger than an int holds.
int LeadingNumber(const CString& text, int& value)
{
    int at = 0;
    while (at < text.GetLength() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    if (at >= text.GetLength() || text[at] < '0' || text[at] > '9')
        return 0;
    long long number = 0;
    for (; at < text.GetLength() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number = number * 10 + (text[at] - '0');
        if (number > INT_MAX)
            return -1;
    }
    value = static_cast<int>(number);
    return 1;
}

// The default process of a program in the project file, -1 when none.
int DefaultProcessOf(HWND projectWindow, const CString& program)
{
    if (program.IsEmpty())
        return -1;
    CString path;
    if (!::SendMessageA(projectWindow, PWM_PROJECT_FILE_PATH, 0, reinterpret_cast<LPARAM>(&path)) || path.IsEmpty())
        return -1;
    CProjectFile file(path);
    return file.GetRunOnProcess(program);
}

} // namespace

IMPLEMENT_DYNAMIC(CSelectProgramExDialog, CDialog)

BEGIN_MESSAGE_MAP(CSelectProgramExDialog, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
ON_NOTIFY(TVN_SELCHANGEDA, IDC_SELECT_TREE, OnTreeSelChanged)
ON_NOTIFY(TVN_SELCHANGEDW, IDC_SELECT_TREE, OnTreeSelChanged)
ON_EN_CHANGE(IDC_SELECT_NAME, OnNameChange)
ON_CBN_SELCHANGE(IDC_SELECT_CHOICE, OnChoiceChange)
END_MESSAGE_MAP()

CSelectProgramExDialog::CSelectProgramExDialog(CWnd* pParent, int purpose, LPCSTR program)
    : CDialog(IDD_SELECT_PROGRAM, pParent), m_nPurpose(purpose), m_strProgram(program ? program : "")
{
    const PurposeRow* row = FindPurpose(purpose);
    m_strTitle = row ? row->title : "???";
    if (!row)
        m_nPurpose = PURPOSE_NONE;
}

CSelectProgramExDialog::~CSelectProgramExDialog() = default;

BOOL CSelectProgramExDialog::Start(HWND hWndParent)
{
    return StartDialogThread(this, IDD_SELECT_PROGRAM, hWndParent);
}

BOOL CSelectProgramExDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    return CreateOrDelete(lpszTemplateName, pParentWnd);
}

void CSelectProgramExDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SELECT_TREE, m_tree);
    DDX_Control(pDX, IDC_SELECT_CHOICE, m_choice);
    DDX_Control(pDX, IDC_SELECT_NAME, m_name);
}

int CSelectProgramExDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    SetIcon(LoadApplicationIcon(), TRUE);
    m_hWndProject = RegisterToolWindowAtItsPlace(TOOL_ID_SELECT_PROGRAM, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CSelectProgramExDialog::OnInitDialog()
{
    CScopedCount busy(m_nBusy);
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    SetWindowText(m_strTitle);
    const PurposeRow* row = FindPurpose(m_nPurpose);
    if (!row) {
        // Nothing to choose for: close again at once.
        PostMessage(WM_DESTROY_REQUEST);
        return TRUE;
    }

    // The programs under the controller model's name.
    CString model;
    if (const auto* info =
            reinterpret_cast<const ControllerModelInfo*>(::SendMessageA(m_hWndProject, PWM_MODEL_INFO, 0, 0)))
        model = CString(info->m_szName, static_cast<int>(strnlen(info->m_szName, sizeof info->m_szName)));
    m_hRoot = m_tree.InsertItem(model, 0, 0);
    CStringList programs;
    ::SendMessageA(m_hWndProject, row->listMessage, static_cast<WPARAM>(row->filter),
                   reinterpret_cast<LPARAM>(&programs));
    for (POSITION pos = programs.GetHeadPosition(); pos;)
        m_tree.InsertItem(programs.GetNext(pos), kProgramImage, kProgramImage, m_hRoot);
    m_tree.Expand(m_hRoot, TVE_EXPAND);

    const BOOL choice = m_nPurpose == PROGRAM_OP_NEW || TakesProcess(m_nPurpose);
    m_choice.ShowWindow(choice ? SW_SHOW : SW_HIDE);
    if (CWnd* label = GetDlgItem(IDC_SELECT_CHOICE_LABEL)) {
        label->ShowWindow(choice ? SW_SHOW : SW_HIDE);
        label->SetWindowText(m_nPurpose == PROGRAM_OP_NEW ? "Type" : "Process");
    }
    SetDlgItemText(IDC_SELECT_TREE_LABEL, "Project");
    if (m_nPurpose == PROGRAM_OP_NEW)
        SetDlgItemText(IDC_SELECT_PROMPT, "Enter new program name");
    else if (TakesNewName(m_nPurpose))
        SetDlgItemText(IDC_SELECT_PROMPT, "Select existing program and enter new name");
    else {
        SetDlgItemText(IDC_SELECT_PROMPT, "Select Program");
        m_name.SetReadOnly(TRUE);
    }

    CString preselected = m_strProgram;
    if (preselected.IsEmpty())
        ::SendMessageA(m_hWndProject, PWM_SELECTED_PROGRAM, 0, reinterpret_cast<LPARAM>(&preselected));
    if (m_nPurpose == PROGRAM_OP_NEW)
        FillTypes();
    if (TakesProcess(m_nPurpose))
        FillProcesses(CString());
    if (!preselected.IsEmpty())
        SelectProgramByName(preselected);
    UpdateOk();
    if (TakesNewName(m_nPurpose)) {
        m_name.SetFocus();
        return FALSE;
    }
    return TRUE;
}

HTREEITEM CSelectProgramExDialog::SelectedProgramItem() const
{
    const HTREEITEM item = m_tree.GetSelectedItem();
    return item && m_hRoot && m_tree.GetParentItem(item) == m_hRoot ? item : nullptr;
}

void CSelectProgramExDialog::SelectProgramByName(const CString& name)
{
    for (HTREEITEM item = m_tree.GetChildItem(m_hRoot); item; item = m_tree.GetNextSiblingItem(item)) {
        const CString text = m_tree.GetItemText(item);
        if (text.CompareNoCase(name) != 0)
            continue;
        m_tree.SelectItem(item);
        if (!TakesNewName(m_nPurpose))
            m_name.SetWindowText(text);
        return;
    }
}

void CSelectProgramExDialog::FillTypes()
{
    m_choice.ResetContent();
    CStringList types;
    CollectProgramTypeNamesForOperation(m_nPurpose, types, m_hWndProject);
    // Only the types a new program can be made of (FIFO, Project and the
    // like pass the operation's test but would be refused on OK).
    int added = 0;
    for (POSITION pos = types.GetHeadPosition(); pos;) {
        const CString name = types.GetNext(pos);
        const ProgramTypeRow* type = FindProgramTypeByName(name);
        if (type && GetProgramTypeColumn(*type, kNewProgramColumn)) {
            m_choice.AddString(name);
            ++added;
        }
    }
    if (added == 0)
        m_choice.AddString(GetProgramTypeName(0));
    m_choice.SetCurSel(0);
    ApplyTypeChoice();
}

void CSelectProgramExDialog::FillProcesses(const CString& program)
{
    m_choice.ResetContent();
    CStringList free;
    ::SendMessageA(m_hWndProject, PWM_FREE_PROCESSES, 0, reinterpret_cast<LPARAM>(&free));
    if (free.IsEmpty())
        return;
    // The list holds "%3d" texts; sorted by number whatever their width.
    std::vector<std::pair<int, CString>> entries;
    for (POSITION pos = free.GetHeadPosition(); pos;) {
        const CString text = free.GetNext(pos);
        int number = 0;
        if (LeadingNumber(text, number) == 1)
            entries.emplace_back(number, text);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    m_choice.AddString(kDefaultProcess);
    for (const auto& entry : entries)
        m_choice.AddString(entry.second);
    const int wanted = DefaultProcessOf(m_hWndProject, program);
    CString text;
    text.Format("%3d", wanted);
    const int found = wanted >= 0 ? m_choice.FindStringExact(-1, text) : CB_ERR;
    m_choice.SetCurSel(found == CB_ERR ? 0 : found);
}

void CSelectProgramExDialog::ApplyTypeChoice()
{
    CString name;
    const int index = m_choice.GetCurSel();
    if (index >= 0)
        m_choice.GetLBText(index, name);
    const CString fixed = GetProgramTypeFixedName(GetProgramTypeIdByName(name), m_hWndProject);
    m_name.SetWindowText(fixed);
    m_name.EnableWindow(fixed.IsEmpty());
}

void CSelectProgramExDialog::UpdateOk()
{
    CString name;
    m_name.GetWindowText(name);
    const bool program = SelectedProgramItem() != nullptr;
    bool enable = false;
    switch (m_nPurpose) {
    case PROGRAM_OP_NEW:
        enable = !name.IsEmpty();
        break;
    case PROGRAM_OP_RUN:
    case PROGRAM_OP_STEP:
        enable = program && m_choice.GetCount() > 0;
        break;
    case PURPOSE_NONE:
        break;
    default:
        enable = program && !name.IsEmpty();
        break;
    }
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->EnableWindow(enable);
    SetDefID(enable ? IDOK : IDCANCEL);
}

void CSelectProgramExDialog::OnTreeSelChanged(NMHDR*, LRESULT* pResult)
{
    *pResult = 0;
    if (!TakesNewName(m_nPurpose) && m_nPurpose != PURPOSE_NONE) {
        const HTREEITEM item = SelectedProgramItem();
        const CString program = item ? m_tree.GetItemText(item) : CString();
        m_name.SetWindowText(program);
        if (TakesProcess(m_nPurpose))
            FillProcesses(program);
    }
    UpdateOk();
}

void CSelectProgramExDialog::OnNameChange()
{
    UpdateOk();
}

void CSelectProgramExDialog::OnChoiceChange()
{
    if (m_nPurpose == PROGRAM_OP_NEW)
        ApplyTypeChoice();
    UpdateOk();
}

void CSelectProgramExDialog::ShowInvalidName()
{
    ShowUserMessage(this, kInvalidName, kCaption);
}

BOOL CSelectProgramExDialog::CollectRequest(CString& program, CString& newName, int& type, int& process,
                                            BOOL& cancelled)
{
    cancelled = FALSE;
    const HTREEITEM item = SelectedProgramItem();
    program = item ? m_tree.GetItemText(item) : CString();
    if (program.IsEmpty() && m_nPurpose != PROGRAM_OP_NEW)
        return FALSE;

    if (TakesNewName(m_nPurpose)) {
        m_name.GetWindowText(newName);
        newName.MakeUpper();
        for (HTREEITEM child = m_tree.GetChildItem(m_hRoot); child; child = m_tree.GetNextSiblingItem(child)) {
            if (m_tree.GetItemText(child).CompareNoCase(newName) != 0)
                continue;
            CString text;
            text.Format("Program %s exists in project,\r\nDo you wish to overwrite it?", newName.GetString());
            if (AfxGetPromptService().Prompt(m_hWnd, text, kCaption, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
                cancelled = TRUE;
                return FALSE;
            }
            break;
        }
        if (!IsValidProgramName(newName))
            return FALSE;
        if (m_nPurpose == PROGRAM_OP_NEW) {
            // A new program is made under its new name.
            program = newName;
            CString typeName;
            const int index = m_choice.GetCurSel();
            if (index >= 0)
                m_choice.GetLBText(index, typeName);
            type = index >= 0 ? GetProgramTypeIdByName(typeName) : 0;
        }
    }

    if (TakesProcess(m_nPurpose)) {
        CString text;
        const int index = m_choice.GetCurSel();
        if (index >= 0)
            m_choice.GetLBText(index, text);
        const int found = LeadingNumber(text, process);
        if (found < 0)
            return FALSE;
        if (found == 0)
            process = -1;
    }

    if (m_nPurpose == PROGRAM_OP_STOP) {
        // "name,process" as the running programs are listed.
        const int comma = program.Find(',');
        if (comma < 0 || LeadingNumber(program.Mid(comma + 1), process) != 1)
            return FALSE;
        program = program.Left(comma);
    }

    return IsValidProgramName(program) ? TRUE : FALSE;
}

void CSelectProgramExDialog::OnOK()
{
    CScopedCount busy(m_nBusy);
    if (m_nPurpose == PURPOSE_NONE)
        return;
    CString program, newName;
    int type = PROGRAM_OP_TYPE_FROM_CONTROLLER;
    int process = -1;
    BOOL cancelled = FALSE;
    if (!CollectRequest(program, newName, type, process, cancelled)) {
        if (!cancelled)
            ShowInvalidName();
        return;
    }

    ShowWindow(SW_HIDE);
    if (type == PROGRAM_OP_TYPE_FROM_CONTROLLER)
        type = static_cast<int>(
            ::SendMessageA(m_hWndProject, PWM_PROGRAM_TYPE, 0, reinterpret_cast<LPARAM>(program.GetString())));
    const PurposeRow* row = FindPurpose(m_nPurpose);
    if (row && row->capable(type, m_hWndProject)) {
        CProgramOperationData request;
        request.m_nOperation = m_nPurpose;
        request.m_strProgram = program;
        request.m_strSecond = m_nPurpose == PROGRAM_OP_NEW ? CString() : newName;
        request.m_nType = type;
        request.m_nNumber = process;
        ::SendMessageA(m_hWndProject, PWM_QUEUE_OPERATION, static_cast<WPARAM>(m_nPurpose),
                       reinterpret_cast<LPARAM>(&request));
    } else {
        GlobalLogFormat(LOG_PROJECT_MESSAGES, "Select Program: program %s of type %d does not allow operation %d",
                        program.GetString(), type, m_nPurpose);
    }
    PostMessage(WM_DESTROY_REQUEST);
}

void CSelectProgramExDialog::OnCancel()
{
    PostMessage(WM_DESTROY_REQUEST);
}

LRESULT CSelectProgramExDialog::OnDestroyRequest(WPARAM, LPARAM)
{
    const BOOL busy = m_nBusy > 0;
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"Select Program\" (%d)", busy ? 1 : 0);
    if (busy)
        SetTimer(kDestroyRetryTimer, kDestroyRetryMs);
    else
        DestroyWindow();
    return 0;
}

void CSelectProgramExDialog::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent != kDestroyRetryTimer)
        return;
    KillTimer(kDestroyRetryTimer);
    PostMessage(WM_DESTROY_REQUEST);
}

LRESULT CSelectProgramExDialog::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CSelectProgramExDialog::OnDestroy()
{
    KillTimer(kDestroyRetryTimer);
    if (m_bRegistered)
        UnregisterToolWindow(m_hWndProject, TOOL_ID_SELECT_PROGRAM, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CSelectProgramExDialog::PostNcDestroy()
{
    // A window that never finished its creation leaves the object to
    // Create, which deletes it.
    if (!m_bWasCreated)
        return;
    ::PostQuitMessage(0);
    delete this;
}

void RegisterSelectProgramDialog()
{
    for (UINT command : {ID_PROGRAM_NEW, ID_PROGRAM_EDIT, ID_PROGRAM_COPY, ID_PROGRAM_RENAME, ID_PROGRAM_DELETE,
                         ID_PROGRAM_COMPILE, ID_PROGRAM_RUN, ID_PROGRAM_START_STEPPING, ID_PROGRAM_DEBUG,
                         ID_PROGRAM_STOP}) {
        const int purpose = CMainFrame::GetProgramOperation(command);
        CMainFrame::RegisterDialogCreator(command, IDD_SELECT_PROGRAM,
                                          [purpose](CMainFrame* pFrame, HWND) -> CDialog* {
                                              return new CSelectProgramExDialog(pFrame, purpose);
                                          });
    }
    CProjectWnd::RegisterToolCreator(
        TOOL_ID_SELECT_PROGRAM,
        [](CProjectWnd&, int purpose) -> BOOL {
            auto* dialog = new CSelectProgramExDialog(nullptr, purpose);
            if (dialog->Start(GetMainWindowHandle()))
                return TRUE;
            delete dialog;
            return FALSE;
        },
        RUNTIME_CLASS(CSelectProgramExDialog));
}
