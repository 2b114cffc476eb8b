// CCmdUI: the state of one command's user interface (a menu item, a
// toolbar button, a control), updated by the ON_UPDATE_COMMAND_UI handler
// of whoever handles the command.
#pragma once

#include <windows.h>

#include "framework/cmdtarget.h"

class CCmdUI {
public:
    virtual ~CCmdUI() = default;

    virtual void Enable(BOOL bOn = TRUE);
    virtual void SetCheck(int nCheck = 1); // 0 clear, 1 checked, 2 indeterminate
    virtual void SetRadio(BOOL bOn = TRUE);
    virtual void SetText(LPCTSTR lpszText);

    // Asks pTarget to update this command; a command nobody updates is
    // disabled when bDisableIfNoHandler and nobody handles it either.
    // TRUE when an update handler ran.
    BOOL DoUpdate(CCmdTarget* pTarget, BOOL bDisableIfNoHandler);

    UINT m_nID = 0;
    UINT m_nIndex = 0; // menu item position
    UINT m_nIndexMax = 0;
    HMENU m_hMenu = nullptr;  // the menu of a menu item
    CWnd* m_pOther = nullptr; // or the window of anything else
    BOOL m_bEnableChanged = FALSE;
    BOOL m_bContinueRouting = FALSE;
};
