// The project window of Vorta2 until the real one exists: a hidden window
// on the thread the main frame starts for it. It announces itself to the
// frame, reports ready, accepts tool-window registrations, answers every
// query with 0, reports ready again after every command, and runs the
// frame's shutdown pair (shut down, then busy?) and the destroy request.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

class CProjectWndStandIn : public CWnd {
    DECLARE_DYNCREATE(CProjectWndStandIn)
public:
    // Made on its own thread (CVexoThread), it creates its hidden window
    // at once and tells the application's main window about it.
    CProjectWndStandIn();

    BOOL CreateProjectWindow(HWND hWndFrame);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

private:
    HWND m_hWndFrame = nullptr;
    int m_nRegistered = 0;
};
