#include "project/fulldirectory.h"

#include "foundation/logline.h"
#include "link/controllermessage.h"
#include "project/programtypes.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "ui/windowlookup.h"

namespace {

const int kDirectory = 0;  // "DIR X"
const int kProcesses = 1;  // "PROCESS"
const int kFreeMemory = 35; // "?FREE[0];"
const UINT_PTR kTimerId = 32904;
// The step of the refresh, shared by every full-directory window.
std::atomic<int> g_phase{0};

} // namespace

CString FormatRunColumn(int autoRun)
{
    return autoRun != 0 ? "Auto" : "Man.";
}

CString FormatProcessColumn(int autoRun)
{
    if (autoRun == 0)
        return CString();
    if (autoRun < 1)
        return "Def.";
    CString text;
    text.Format("%d", autoRun);
    return text;
}

IMPLEMENT_DYNCREATE(CFullDirectory, CDialog)

BEGIN_MESSAGE_MAP(CFullDirectory, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_WM_TIMER()
ON_WM_CLOSE()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CFullDirectory::CFullDirectory() : CDialog(IDD_FULL_DIRECTORY, nullptr)
{
    SetReply("FullDir");
    m_sender.SetText("FullDir");
}

CFullDirectory::~CFullDirectory() = default;

BOOL CFullDirectory::Create(CWnd* pParentWnd)
{
    return CreateOrDelete(IDD_FULL_DIRECTORY, pParentWnd);
}

void CFullDirectory::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_DIRECTORY_PROGRAMS, m_programList);
    DDX_Control(pDX, IDC_DIRECTORY_PROCESSES, m_processList);
}

int CFullDirectory::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    const HWND project = RegisterToolWindowAtItsPlace(TOOL_ID_FULL_DIRECTORY, m_hWnd);
    if (!project)
        return -1;
    m_hWndProject = project;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CFullDirectory::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    m_bEdColumn = ::SendMessageA(m_hWndProject, WM_PW_QUERY_FEATURE, 0, 16) != 0;
    struct Column {
        const char* title;
        int width;
        int format;
    };
    static const Column programColumns[] = {{"Program", 110, LVCFMT_LEFT}, {"Type", 60, LVCFMT_LEFT},
                                            {"Source", 48, LVCFMT_RIGHT},  {"Code", 45, LVCFMT_RIGHT},
                                            {"Run", 36, LVCFMT_LEFT},      {"Proc", 36, LVCFMT_RIGHT},
                                            {"Ed", 28, LVCFMT_CENTER}};
    static const Column processColumns[] = {{"Proc", 36, LVCFMT_RIGHT}, {"Program", 110, LVCFMT_LEFT},
                                            {"Status", 56, LVCFMT_LEFT}, {"Line", 36, LVCFMT_RIGHT}};
    for (int i = 0; i < (m_bEdColumn ? 7 : 6); ++i)
        m_programList.InsertColumn(i, programColumns[i].title, programColumns[i].format, programColumns[i].width);
    for (int i = 0; i < 4; ++i)
        m_processList.InsertColumn(i, processColumns[i].title, processColumns[i].format, processColumns[i].width);
    LoadProcessStateTexts(FALSE);
    m_programs.RemoveAll();
    m_processes.RemoveAll();
    m_bRemote = false;
    m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kDirectory), CommandItem(kProcesses), CommandItem(kFreeMemory)});
    FillPrograms();
    FillProcesses();
    ShowFields();
    ::PostMessageA(m_hWndProject, WM_PW_DIRECTORY_FILLED, 0, 0);
    m_nTimer = SetTimer(kTimerId, 500);
    return TRUE;
}

void CFullDirectory::OnReply(ControllerMessage* message)
{
    GlobalLogLine("RxAtTool: Full Dir", LOG_TOOL_REPLIES);
    if (!message || message->m_nChannel != CHANNEL_COMMAND || m_bClosing.load())
        return;
    switch (message->m_nCommandId) {
    case kDirectory: {
        CProgramData program;
        if (ReadDirectoryReply(*message, program))
            m_programs.AddTail(&program);
        break;
    }
    case kProcesses: {
        CProcessData process;
        if (!ReadProcessReply(*message, process))
            break;
        if (process.m_strProgram.CompareNoCase("REMOTE_PROGRAM") == 0)
            m_bRemote = true;
        else
            m_processes.AddTail(&process);
        break;
    }
    case kFreeMemory: {
        CSingleLock lock(&m_freeLock, TRUE);
        m_strFree.Format("%ld", static_cast<long>(message->GetInteger()));
        break;
    }
    default:
        break;
    }
}

void CFullDirectory::FillPrograms()
{
    if (m_bClosing.load())
        return;
    ++m_nFillDepth;
    m_programList.DeleteAllItems();
    int row = 0;
    for (const CProgramData* p = m_programs.GetHead(); p; p = m_programs.GetNext(p), ++row) {
        m_programList.InsertItem(row, p->m_strName);
        CString number;
        m_programList.SetItemText(row, 1, GetProgramTypeName(p->m_nType));
        number.Format("%ld", static_cast<long>(p->m_nSourceSize));
        m_programList.SetItemText(row, 2, number);
        number.Format("%ld", static_cast<long>(p->m_nCodeSize));
        m_programList.SetItemText(row, 3, number);
        m_programList.SetItemText(row, 4, FormatRunColumn(p->m_nAutoRun));
        m_programList.SetItemText(row, 5, FormatProcessColumn(p->m_nAutoRun));
        if (m_bEdColumn)
            m_programList.SetItemText(row, 6, p->m_nEditable > 0 ? "Y" : "N");
    }
    --m_nFillDepth;
}

void CFullDirectory::FillProcesses()
{
    if (m_bClosing.load())
        return;
    ++m_nFillDepth;
    m_processList.DeleteAllItems();
    int row = 0;
    for (const CProcessData* p = m_processes.GetHead(); p; p = m_processes.GetNext(p), ++row) {
        CString number;
        number.Format("%ld", static_cast<long>(p->m_nProcess));
        m_processList.InsertItem(row, number);
        m_processList.SetItemText(row, 1, p->m_strProgram);
        m_processList.SetItemText(row, 2, GetProcessStateText(p->m_nState));
        number.Format("%ld", static_cast<long>(p->m_nLine));
        m_processList.SetItemText(row, 3, number);
    }
    --m_nFillDepth;
}

void CFullDirectory::ShowFields()
{
    CString free;
    {
        CSingleLock lock(&m_freeLock, TRUE);
        free = m_strFree;
    }
    SetDlgItemText(IDC_DIRECTORY_FREE, free);
    if (CWnd* note = GetDlgItem(IDC_DIRECTORY_REMOTE))
        note->ShowWindow(m_bRemote.load() ? SW_SHOW : SW_HIDE);
}

void CFullDirectory::Step()
{
    if (m_bClosing.load() || m_bInStep)
        return;
    m_bInStep = true;
    int phase = g_phase.load();
    switch (phase) {
    case 0:
        m_programs.RemoveAll();
        m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kDirectory)});
        FillPrograms();
        break;
    case 1:
        m_processes.RemoveAll();
        m_bRemote = false;
        m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kProcesses)});
        FillProcesses();
        break;
    default:
        m_sender.SendSequenceEx(m_hWnd, this, {CommandItem(kFreeMemory)});
        break;
    }
    g_phase.compare_exchange_strong(phase, (phase + 1) % 3);
    ShowFields();
    m_bInStep = false;
}

void CFullDirectory::OnTimer(UINT_PTR nIDEvent)
{
    if (nIDEvent == kTimerId)
        Step();
}

void CFullDirectory::OnOK()
{
    OnClose();
}

void CFullDirectory::OnCancel()
{
    OnClose();
}

void CFullDirectory::OnClose()
{
    m_bClosing = true;
    if (IsBusy())
        PostMessage(WM_CLOSE, 0, 0);
    else
        DestroyWindow();
}

LRESULT CFullDirectory::OnDestroyRequest(WPARAM, LPARAM)
{
    const bool busy = IsBusy();
    GlobalLogFormat(LOG_DESTROY_REQUESTS, "Destroy window request \"%s\" (%d)", "FullDir", busy ? 1 : 0);
    m_bClosing = true;
    if (busy)
        PostMessage(WM_DESTROY_REQUEST, 0, 0);
    else
        DestroyWindow();
    return 0;
}

LRESULT CFullDirectory::OnQueryReplyClass(WPARAM wParam, LPARAM)
{
    if (wParam)
        *reinterpret_cast<CVexoReply**>(wParam) = this;
    return 1;
}

void CFullDirectory::OnDestroy()
{
    m_bClosing = true;
    SetClosing();
    m_sender.SetClosing(true);
    if (m_nTimer)
        KillTimer(m_nTimer);
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        ::SendMessageA(m_hWndProject, WM_UNREGISTER_TOOL_WINDOW, TOOL_ID_FULL_DIRECTORY,
                       reinterpret_cast<LPARAM>(m_hWnd));
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CFullDirectory::PostNcDestroy()
{
    if (m_bWasCreated)
        delete this;
}
