#include "shell/tooldialog.h"

#include "foundation/logline.h"
#include "ui/dialogthread.h"
#include "ui/toolmessages.h"
#include "ui/windowlookup.h"

IMPLEMENT_DYNAMIC(CShellToolDialog, CDialog)

BEGIN_MESSAGE_MAP(CShellToolDialog, CDialog)
ON_WM_CREATE()
ON_WM_DESTROY()
ON_MESSAGE(WM_DESTROY_REQUEST, OnDestroyRequest)
ON_MESSAGE(WM_QUERY_REPLY_CLASS, OnQueryReplyClass)
END_MESSAGE_MAP()

CShellToolDialog::CShellToolDialog(UINT nIDTemplate, CWnd* pParent, UINT nToolID, LPCSTR lpszLogName,
                                   HWND hWndProject)
    : CDialog(nIDTemplate, pParent), m_nIDTemplate(nIDTemplate), m_nToolID(nToolID), m_strLogName(lpszLogName),
      m_hWndProject(hWndProject)
{
}

BOOL CShellToolDialog::Start(HWND hWndParent)
{
    return StartDialogThread(this, m_nIDTemplate, hWndParent);
}

BOOL CShellToolDialog::Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd)
{
    return CreateOrDelete(lpszTemplateName, pParentWnd);
}

int CShellToolDialog::OnCreate(LPCREATESTRUCT lpCreateStruct)
{
    if (CDialog::OnCreate(lpCreateStruct) == -1)
        return -1;
    if (!::IsWindow(m_hWndProject))
        m_hWndProject = GetProjectWndHandle();
    if (!m_hWndProject || !::IsWindow(m_hWndProject) ||
        !::SendMessageA(m_hWndProject, WM_REGISTER_TOOL_WINDOW, m_nToolID, reinterpret_cast<LPARAM>(m_hWnd)))
        return -1;
    m_bRegistered = TRUE;
    return 0;
}

BOOL CShellToolDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    m_bWasCreated = TRUE;
    return TRUE;
}

LRESULT CShellToolDialog::OnDestroyRequest(WPARAM, LPARAM)
{
    GlobalLogLine("Destroy window request \"" + m_strLogName + "\"", LOG_DESTROY_REQUESTS);
    DestroyWindow();
    return 0;
}

LRESULT CShellToolDialog::OnQueryReplyClass(WPARAM, LPARAM)
{
    return REPLY_CLASS_NONE;
}

void CShellToolDialog::OnDestroy()
{
    if (m_bRegistered)
        UnregisterToolWindow(m_hWndProject, m_nToolID, m_hWnd, FALSE);
    m_bRegistered = FALSE;
    CDialog::OnDestroy();
}

void CShellToolDialog::PostNcDestroy()
{
    // A window that never finished its creation leaves the object to
    // Create, which deletes it.
    if (!m_bWasCreated)
        return;
    ::PostQuitMessage(0);
    delete this;
}
