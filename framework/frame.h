// CFrameWnd: a program's top-level frame window, built from one resource id
// (its menu, icon and title string) by LoadFrame. A frame whose creation
// finished deletes itself when its window goes; when creation fails the
// object stays with its creator. Commands the frame's own map does not
// handle go on to the application object.
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

    // Commands the frame does not handle itself go on to the application.
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    BOOL HasCommandHandler(UINT nID) const override;

protected:
    void PostNcDestroy() override;

    UINT m_nIDResource = 0;

private:
    BOOL m_bCreated = FALSE;
};
