#include "project/iec61131options.h"

#include "foundation/logline.h"
#include "project/project_resource.h"
#include "settings/vqregistry.h"
#include "ui/toolmessages.h"
#include "ui/windowlookup.h"

IMPLEMENT_DYNAMIC(CIEC61131Options, CDialog)

BEGIN_MESSAGE_MAP(CIEC61131Options, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CIEC61131Options::CIEC61131Options() : CDialog(IDD_IEC61131_OPTIONS, nullptr) {}

CIEC61131Options::~CIEC61131Options() = default;

BOOL CIEC61131Options::Create(CWnd* pParentWnd)
{
    return CreateOrDelete(IDD_IEC61131_OPTIONS, pParentWnd);
}

void CIEC61131Options::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_ENABLE_IEC61131, m_enable);
}

int CIEC61131Options::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    m_hWndProject = RegisterToolWindow(TOOL_ID_IEC61131_OPTIONS, m_hWnd);
    if (!m_hWndProject)
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CIEC61131Options::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    CVQRegistry settings;
    m_enable.SetCheck(settings.GetEnableIEC61131() > 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void CIEC61131Options::OnOK()
{
    CVQRegistry settings;
    settings.SetEnableIEC61131(m_enable.GetCheck() == BST_CHECKED ? 1 : 0);
    DestroyWindow();
}

void CIEC61131Options::OnCancel()
{
    DestroyWindow();
}

LRESULT CIEC61131Options::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"IEC61131 Options dialog\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CIEC61131Options::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CIEC61131Options::OnDestroy()
{
    if (m_bRegistered && ::IsWindow(m_hWndProject))
        UnregisterToolWindow(m_hWndProject, TOOL_ID_IEC61131_OPTIONS, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CIEC61131Options::PostNcDestroy()
{
    // A window that never finished its creation leaves the object to
    // Create, which deletes it.
    if (m_bWasCreated)
        delete this;
}
