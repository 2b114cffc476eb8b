#include "framework/cmdui.h"

#include "framework/wnd.h"

void CCmdUI::Enable(BOOL bOn)
{
    if (m_hMenu) {
        EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    } else if (m_pOther && m_pOther->m_hWnd) {
        // Never disable the control that has the focus without moving the
        // focus on first: keyboard users would be stranded.
        if (!bOn && ::GetFocus() == m_pOther->m_hWnd) {
            HWND hWndParent = ::GetParent(m_pOther->m_hWnd);
            if (hWndParent)
                ::SendMessageA(hWndParent, WM_NEXTDLGCTL, 0, 0);
        }
        ::EnableWindow(m_pOther->m_hWnd, bOn);
    }
    m_bEnableChanged = TRUE;
}

void CCmdUI::SetCheck(int nCheck)
{
    if (m_hMenu)
        CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
    else if (m_pOther && m_pOther->m_hWnd)
        ::SendMessageA(m_pOther->m_hWnd, BM_SETCHECK, static_cast<WPARAM>(nCheck), 0);
}

void CCmdUI::SetRadio(BOOL bOn)
{
    if (m_hMenu) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
        info.fType = bOn ? (info.fType | MFT_RADIOCHECK) : (info.fType & ~MFT_RADIOCHECK);
        info.fState = bOn ? (info.fState | MFS_CHECKED) : (info.fState & ~MFS_CHECKED);
        SetMenuItemInfoA(m_hMenu, m_nIndex, TRUE, &info);
    } else {
        SetCheck(bOn ? 1 : 0);
    }
}

void CCmdUI::SetText(LPCTSTR lpszText)
{
    if (m_hMenu) {
        const UINT state = GetMenuState(m_hMenu, m_nIndex, MF_BYPOSITION);
        ModifyMenuA(m_hMenu, m_nIndex, MF_BYPOSITION | MF_STRING | (state & ~(MF_BITMAP | MF_OWNERDRAW | MF_SEPARATOR)),
                    m_nID, lpszText);
    } else if (m_pOther && m_pOther->m_hWnd) {
        ::SetWindowTextA(m_pOther->m_hWnd, lpszText);
    }
}

BOOL CCmdUI::DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler)
{
    m_bEnableChanged = FALSE;
    const BOOL updated = pTarget->OnCmdMsg(m_nID, static_cast<int>(CN_UPDATE_COMMAND_UI), this);
    if (!updated && bDisableIfNoHandler && !m_bEnableChanged)
        Enable(pTarget->HasCommandHandler(m_nID));
    return updated;
}
