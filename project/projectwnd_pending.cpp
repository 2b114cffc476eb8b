// The project window's members whose own files are still to come: the
// controller search and simulator start, connect and disconnect, the saved
// layout and the hardware scan. Until then each does the least that keeps
// the window consistent; each definition leaves this file when its own
// file takes it over.
#include "project/projectwnd.h"

// ---- Search and simulator start.

BOOL CProjectWnd::SearchController(int, int)
{
    return FALSE;
}

BOOL CProjectWnd::TryLink(const CCommPortData&)
{
    return FALSE;
}

int CProjectWnd::ChooseLink(BOOL)
{
    return -1;
}

BOOL CProjectWnd::StartSimulator()
{
    return FALSE;
}

BOOL CProjectWnd::OpenSelectedLink(int)
{
    return FALSE;
}

// ---- Connect and disconnect.

BOOL CProjectWnd::Connect(WPARAM)
{
    return m_bConnected.load();
}

BOOL CProjectWnd::PostConnect(int, int)
{
    return FALSE;
}

int CProjectWnd::Disconnect(UINT, int)
{
    if (!m_bConnected || m_bDisconnecting)
        return 0;
    m_bConnected = FALSE;
    return 1;
}

LRESULT CProjectWnd::OnConnectRequest(WPARAM, LPARAM)
{
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnConnectWithProject(WPARAM, LPARAM)
{
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnDisconnectRequest(WPARAM wParam, LPARAM lParam)
{
    Disconnect(static_cast<UINT>(lParam), static_cast<int>(wParam));
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnApplyLink(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CProjectWnd::OnLockRequest(WPARAM, LPARAM)
{
    return 0;
}

LRESULT CProjectWnd::OnSearchSimulator(WPARAM, LPARAM)
{
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnHandOverLink(WPARAM wParam, LPARAM)
{
    HandOverLink(static_cast<UINT>(wParam));
    return 0;
}

LRESULT CProjectWnd::OnLinkFailed(WPARAM, LPARAM)
{
    Disconnect(0, DISCONNECT_LINK_FAILED);
    PostToMainFrame(PWM_READY);
    return 0;
}

// ---- Layout.

void CProjectWnd::CollectLayout() {}

void CProjectWnd::SaveLayout(LPCSTR) {}

BOOL CProjectWnd::ReadLayout(LPCSTR)
{
    return FALSE;
}

void CProjectWnd::RestoreWindows() {}

LRESULT CProjectWnd::OnRestoreRecord(WPARAM, LPARAM lParam)
{
    if (!lParam)
        SetPendingRestore(nullptr);
    return 1;
}

LRESULT CProjectWnd::OnRestoreAutoDesktop(WPARAM, LPARAM)
{
    CloseAllWindows(0);
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnRestoreDesktop(WPARAM, LPARAM)
{
    PostToMainFrame(PWM_READY);
    return 0;
}

LRESULT CProjectWnd::OnSaveDesktop(WPARAM, LPARAM)
{
    return 0;
}

// ---- Hardware scan.

void CProjectWnd::ScanControllerHardware() {}
