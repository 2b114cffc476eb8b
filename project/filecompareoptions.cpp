#include "project/filecompareoptions.h"

#include "foundation/fileutil.h"
#include "foundation/logline.h"
#include "framework/app.h"
#include "framework/filedialog.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
#include "settings/vqregistry.h"
#include "ui/windowlookup.h"

const char CFileCompareOptionsDialog::kDefaultArguments[] = "%c %p";

IMPLEMENT_DYNCREATE(CFileCompareOptionsDialog, CDialog)

BEGIN_MESSAGE_MAP(CFileCompareOptionsDialog, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_COMPARE_BROWSE, OnBrowse)
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CFileCompareOptionsDialog::CFileCompareOptionsDialog() : CDialog(IDD_FILE_COMPARE_OPTIONS, nullptr)
{
    CWinThread* thread = AfxGetThread();
    CWnd* owner = thread ? thread->GetMainWnd() : nullptr;
    if (CDialog::Create(IDD_FILE_COMPARE_OPTIONS, owner))
        ShowWindow(SW_SHOW);
}

CFileCompareOptionsDialog::~CFileCompareOptionsDialog() = default;

int CFileCompareOptionsDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndProject = RegisterToolWindow(TOOL_ID_FILE_COMPARE_OPTIONS, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CFileCompareOptionsDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    CVQRegistry settings;
    m_strProgram = settings.GetFileCompareProgramName();
    m_strArguments = settings.GetFileCompareProgramArguments();
    SetDlgItemText(IDC_COMPARE_PROGRAM, m_strProgram);
    SetDlgItemText(IDC_COMPARE_ARGUMENTS, m_strArguments);
    return TRUE;
}

void CFileCompareOptionsDialog::OnBrowse()
{
    GetDlgItemText(IDC_COMPARE_PROGRAM, m_strProgram);
    CFileDialog dialog(TRUE, "exe", m_strProgram, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST,
                       "Program Files|*.exe||", this);
    if (dialog.DoModal() != IDOK)
        return;
    const CString path = dialog.GetPathName();
    if (!PathExists(path))
        return;
    m_strProgram = path;
    m_strArguments = kDefaultArguments;
    SetDlgItemText(IDC_COMPARE_PROGRAM, m_strProgram);
    SetDlgItemText(IDC_COMPARE_ARGUMENTS, m_strArguments);
}

void CFileCompareOptionsDialog::OnOK()
{
    GetDlgItemText(IDC_COMPARE_PROGRAM, m_strProgram);
    GetDlgItemText(IDC_COMPARE_ARGUMENTS, m_strArguments);
    // Only a program that is there is stored; the window closes either way.
    if (PathExists(m_strProgram)) {
        CVQRegistry settings;
        settings.SetFileCompareProgramName(m_strProgram);
        settings.SetFileCompareProgramArguments(m_strArguments);
    }
    PostMessage(WM_DESTROY_REQUEST, 0, 0);
}

void CFileCompareOptionsDialog::OnCancel()
{
    PostMessage(WM_DESTROY_REQUEST, 0, 0);
}

LRESULT CFileCompareOptionsDialog::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"File Compare Options\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CFileCompareOptionsDialog::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CFileCompareOptionsDialog::OnDestroy()
{
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        UnregisterToolWindow(m_hWndProject, TOOL_ID_FILE_COMPARE_OPTIONS, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CFileCompareOptionsDialog::PostNcDestroy()
{
    // A window that never finished its creation leaves the object to its
    // maker.
    if (m_bWasCreated)
        delete this;
}
