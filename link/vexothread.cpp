#include "link/vexothread.h"

#include "framework/wnd.h"
#include "link/linkmessages.h"

IMPLEMENT_DYNCREATE(CVexoThread, CWinThread)

BOOL CVexoThread::InitInstance()
{
    if (!m_pWindowClass) {
        ShowLinkMessage(LinkMessage(MSG_THREAD_NO_CLASS), MSG_THREAD_CAPTION);
        return FALSE;
    }
    CObject* pObject = m_pWindowClass->CreateObject();
    CWnd* pWnd = DYNAMIC_DOWNCAST(CWnd, pObject);
    if (!pWnd || !::IsWindow(pWnd->GetSafeHwnd())) {
        // Nothing of it stands: the object is no one else's.
        delete pObject;
        ShowLinkMessage(LinkMessage(MSG_THREAD_CREATE_FAILED), MSG_THREAD_CAPTION);
        return FALSE;
    }
    m_hWnd = pWnd->GetSafeHwnd();
    m_pMainWnd = pWnd;
    return TRUE;
}

int CVexoThread::ExitInstance()
{
    m_hWnd = nullptr;
    return CWinThread::ExitInstance();
}

CWnd* CVexoThread::GetMainWnd()
{
    if (m_hWndMain && ::IsWindow(m_hWndMain))
        return CWnd::FromHandle(m_hWndMain);
    return CWinThread::GetMainWnd();
}
