// The two windows the main frame keeps beside its toolbar and status bar,
// as far as the frame uses them: the control panel, a bar down the frame's
// left side, and the controller message window, a small window of the
// controller's messages that the frame shows while connected. Their tools
// (the panel's buttons, the message reader) belong to the live controller
// tools and controller management; until those exist these hold the state
// the frame's commands read and do what the frame asks.
#pragma once

#include <windows.h>

#include "framework/wnd.h"

// The control panel's bar id (a control bar of the frame, aligned left).
const UINT IDW_CONTROL_PANEL = 0xE810;

class CControlPanel : public CWnd {
public:
    CControlPanel() = default;

    BOOL Create(CWnd* pFrame);

    // The project window the panel talks to.
    void AttachToMainFrame(HWND hWndProject) { m_hWndProject = hWndProject; }
    HWND GetProjectWindow() const { return m_hWndProject; }
    // The frame is closing: the panel sends nothing any more.
    void MainFrameClosing();
    void RefreshDevelopmentButton() {}

    // Editing of the controller's programs is locked (the controller's
    // lock, or the user's choice) until the project window enables it.
    BOOL IsEditLocked() const { return m_bEditLock; }
    void SetEditLock(BOOL bLocked) { m_bEditLock = bLocked; }
    // Programs are stored in the controller's EPROM as they change.
    BOOL IsAutoStore() const { return m_bAutoStore; }
    void SetAutoStore(BOOL bAutoStore) { m_bAutoStore = bAutoStore; }
    // Asks the project window to enable editing (0x818A).
    void RequestEnableEditing() const;

private:
    HWND m_hWndProject = nullptr;
    BOOL m_bEditLock = FALSE;
    BOOL m_bAutoStore = FALSE;
    BOOL m_bClosing = FALSE;
};

class CControllerMessageDlg : public CWnd {
public:
    CControllerMessageDlg() = default;

    // A hidden tool window owned by the frame.
    BOOL Create(CWnd* pFrame);

    void AddMessage(LPCSTR text);
    void ClearMessages();
    int GetMessageCount() const;

protected:
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnSize(UINT nType, int cx, int cy);
    // Closing only hides the window: the frame is told (0x8197).
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    HWND m_hWndList = nullptr;
    HWND m_hWndFrame = nullptr;
};
