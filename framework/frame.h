// CFrameWnd: a program's top-level frame window, built from one resource id
// (its menu, icon and title string) by LoadFrame. A frame whose creation
// finished deletes itself when its window goes; when creation fails the
// object stays with its creator.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

class CFrameWnd : public CWnd {
    DECLARE_DYNCREATE(CFrameWnd)
public:
    CFrameWnd() = default;

    // Creates the frame: the title is the string nIDResource up to its first
    // "\n" (else the application's name), the menu and icon are the
    // resources of that id when they exist. FALSE when the window could not
    // be created.
    virtual BOOL LoadFrame(UINT nIDResource, DWORD dwDefaultStyle = WS_OVERLAPPEDWINDOW, CWnd* pParentWnd = nullptr,
                           void* pContext = nullptr);
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;

protected:
    void PostNcDestroy() override;

    UINT m_nIDResource = 0;

private:
    BOOL m_bCreated = FALSE;
};
