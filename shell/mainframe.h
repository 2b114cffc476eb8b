// CMainFrame: the development environment's MDI main window. It owns the
// toolbar, the status bar, the control panel, the controller message
// window, the recent-projects list, the help object, the "&External" and
// "&Window" menus and five system-wide hot keys, and does little work of
// its own: the project window (a hidden window on a thread of its own,
// started by the frame) owns the project and the controller connection.
// Menu commands become private messages to the project window, tools are
// opened through it by tool id, and dialogs run on threads of their own;
// the project window tells the frame about connection, readiness and
// status texts by the frame's own messages (shell/mainframemessages.h).
//
// Every wait of the frame handles the main thread's messages (so the
// project window's sends to the frame are answered meanwhile) and is
// bounded on the clock; every question to the project window is a send
// with a time-out, and no answer counts as "no".
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "foundation/containers.h"
#include "framework/frame.h"
#include "framework/statusbar.h"
#include "shell/truecolourtoolbar.h"

class CControlPanel;
class CControllerMessageDlg;
class CDialog;
class CMainBackgroundWnd;
class CMRUList;
class CVQHelp;
class CWinThread;

// A tool window the project window announced for the "&Window" menu.
class CWindowInfo {
public:
    CWindowInfo() = default;
    CWindowInfo(HWND hWnd, LPCSTR title) : m_hWnd(hWnd), m_strTitle(title) {}
    virtual ~CWindowInfo() = default;
    CWindowInfo(const CWindowInfo& other) = default;
    CWindowInfo& operator=(const CWindowInfo& other) = default;

    HWND m_hWnd = nullptr;
    CString m_strTitle;
};

class CMainFrame : public CMDIFrameWnd {
    DECLARE_DYNCREATE(CMainFrame)
public:
    CMainFrame();
    ~CMainFrame() override;

    // Dialogs that commands run on threads of their own are made by
    // creators their owners register per command (a command without one
    // is grayed). The creator gets the frame and the project window.
    using DialogCreator = std::function<CDialog*(CMainFrame* pFrame, HWND hWndProject)>;
    static void RegisterDialogCreator(UINT nCommandID, UINT nTemplateID, DialogCreator creator);
    static void UnregisterDialogCreator(UINT nCommandID);
    static BOOL HasDialogCreator(UINT nCommandID);

    // Whether the project window can open a tool (its tool launcher knows
    // how the tool's window is made); set once by the program. A command
    // that opens a tool it cannot open is grayed. Without an answer set,
    // every tool counts as one that opens.
    using ToolAvailability = std::function<BOOL(UINT nToolID)>;
    static void SetToolAvailability(ToolAvailability isAvailable);
    static BOOL IsToolAvailable(UINT nToolID);

    // The run-time class of the project window, which the frame creates on
    // a thread of its own (CVexoThread) at start-up; set once by the
    // program. Without it 0x500 starts nothing.
    static void SetProjectWindowClass(CRuntimeClass* pWindowClass);

    // The beep of a refused close or program operation (MessageBeep with
    // the exclamation sound unless a test counts them); null puts it back.
    using WarningBeep = std::function<void()>;
    void SetWarningBeep(WarningBeep beep);

    // The mode in which a Program menu command runs the select-program
    // dialog (0 new, 2 edit, 3 copy, 4 rename, 5 delete, 7 compile, 8 run,
    // 9 start stepping, 10 debug, 11 step, 13 stop); -1 for any other
    // command. The dialog's owner registers its creator with it.
    static int GetProgramOperation(UINT nCommandID);

    // Drive kinds the project window reported for the connected controller.
    BOOL HasCANDrives() const { return m_bDriveKind[0]; }
    BOOL HasSLMDrives() const { return m_bDriveKind[1]; }
    BOOL HasSERCOSDrives() const { return m_bDriveKind[2]; }
    BOOL HasMechatrolinkDrives() const { return m_bDriveKind[3]; }
    BOOL HasPanasonicDrives() const { return m_bDriveKind[4]; }

    BOOL IsConnected() const { return m_bConnected; }
    BOOL IsReady() const { return m_bReady; }
    BOOL IsOperationInProgress() const { return m_bOperationInProgress; }
    BOOL IsProjectAvailable() const { return m_bProjectAvailable; }
    HWND GetProjectWndHandle() const { return m_hWndProject; }
    CWnd* GetProjectWndObject() const { return m_pProjectWnd; }
    int GetControllerModelIndex() const { return m_nControllerModel; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }
    CTrueColourToolBar& GetToolBar() { return m_wndToolBar; }
    CControlPanel* GetControlPanel() const { return m_pControlPanel.get(); }
    CControllerMessageDlg* GetControllerMessages() const { return m_pControllerMessages.get(); }
    // The hot keys that registered (row order), for the tests.
    BOOL IsHotKeyRegistered(int nRow) const { return nRow >= 0 && nRow < 5 && m_bHotKey[nRow]; }
    CTList<CWindowInfo>& GetWindowList() { return m_windowList; }

    // The free area for arranging windows (screen coordinates): the client
    // area less the visible control panel, toolbar and status bar.
    void GetFreeArea(CRect& rect) const;

    // Bounds of the frame's waits (milliseconds on the clock).
    static constexpr DWORD kQueryTimeoutMs = 2000;
    static constexpr DWORD kCloseWaitMs = 30000;
    static constexpr DWORD kHaltWaitMs = 15000;
    static constexpr DWORD kProjectThreadWaitMs = 10000;
    static constexpr int kMaxDeferredDestroys = 200;
    static constexpr UINT kDeferredDestroyMs = 25;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    BOOL OnCreateClient(LPCREATESTRUCT lpcs, void* pContext) override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnClose();
    void OnSize(UINT nType, int cx, int cy);
    void OnWindowPosChanged(WINDOWPOS* lpwndpos);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    // Brings the windows the frame owns above it again.
    LRESULT OnRaiseOwnedWindows(WPARAM, LPARAM);
    void OnTimer(UINT_PTR nIDEvent);
    void OnHotKey(UINT nHotKeyId, UINT nKey1, UINT nKey2);
    BOOL OnQueryEndSession();

    // Messages of the project window and other windows.
    LRESULT OnStartProjectWindow(WPARAM, LPARAM);
    LRESULT OnPlaceControllerMessages(WPARAM, LPARAM);
    LRESULT OnRestoreMainWindow(WPARAM, LPARAM);
    LRESULT OnProjectWindowStarted(WPARAM, LPARAM lParam);
    LRESULT OnProjectWindowGoing(WPARAM, LPARAM);
    LRESULT OnQueryReplyClass(WPARAM, LPARAM);
    LRESULT OnGetWindowObject(WPARAM wParam, LPARAM);
    LRESULT OnGetWindowHandle(WPARAM wParam, LPARAM);
    LRESULT OnSetProjectText(WPARAM wParam, LPARAM lParam);
    LRESULT OnConnected(WPARAM wParam, LPARAM lParam);
    LRESULT OnDisconnected(WPARAM wParam, LPARAM lParam);
    LRESULT OnProjectAvailable(WPARAM, LPARAM);
    LRESULT OnReady(WPARAM, LPARAM);
    LRESULT OnNotReady(WPARAM, LPARAM);
    LRESULT OnControllerType(WPARAM, LPARAM lParam);
    LRESULT OnOperationStarted(WPARAM, LPARAM);
    LRESULT OnOperationEnded(WPARAM, LPARAM);
    LRESULT OnToForeground(WPARAM, LPARAM);
    LRESULT OnAnswerZero(WPARAM, LPARAM);
    LRESULT OnGetClientRectMessage(WPARAM, LPARAM lParam);
    LRESULT OnDriveKindPresent(WPARAM, LPARAM lParam);
    LRESULT OnWindowListClear(WPARAM, LPARAM);
    LRESULT OnWindowListAdd(WPARAM wParam, LPARAM);
    LRESULT OnWindowListDone(WPARAM, LPARAM);
    LRESULT OnExternalToolsChanged(WPARAM, LPARAM);
    LRESULT OnHideControllerMessages(WPARAM, LPARAM);
    LRESULT OnEthernetConfigAvailable(WPARAM, LPARAM);
    LRESULT OnGetStatusBarHeight(WPARAM, LPARAM);
    LRESULT OnGetFreeArea(WPARAM, LPARAM lParam);
    LRESULT OnLinkChanged(WPARAM, LPARAM lParam);
    LRESULT OnRefreshDevelopmentButton(WPARAM, LPARAM);
    LRESULT OnDestroyRequest(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()

public:
    // Commands (run through the frame's command table).
    BOOL OnCmdMsg(UINT nID, int nCode, void* pExtra) override;
    BOOL HasCommandHandler(UINT nID) const override;
    void OnRecentProject(UINT nID);
    void OnControllerLock();
    void OnControllerUnlock();
    void OnLoadSystemSoftware();
    void OnEnableEditing();
    void OnProgramOperation(UINT nID);
    void OnHaltAll();
    void OnDeleteAllPrograms();
    void OnSetPowerUpMode();
    void OnAutorunPrograms();
    void OnIntelligentDrives();
    void OnLanguage();
    void OnExternalTool(UINT nID);
    void OnArrangeWindows(UINT nID);
    void OnClearControllerMessages();
    void OnToggleControllerMessages();
    void OnToggleBar(UINT nID);
    void OnSaveDesktop();
    void OnWindowEntry(UINT nID);
    void OnHelpVorta();
    void OnHelpBasic();

    // The enable rule of a command (TRUE for commands without one).
    BOOL IsCommandAllowed(UINT nID);
    // The project window's answer to a query, 0 without a project window or
    // an answer within kQueryTimeoutMs.
    LRESULT QueryProjectWindow(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    // Rebuilds the "&Window" menu from the window list.
    void RebuildWindowMenu();
    // The halt question before an operation that needs the programs
    // stopped: TRUE when none runs (any more).
    BOOL AskToHaltPrograms();
    // The refusal of the load-system-software command for a link mask.
    static CString FormatSystemSoftwareRefusal(DWORD dwLinkMask);

    struct CommandRow;

private:
    // Takes the visible toolbar's room off rect (screen coordinates).
    void ExcludeToolBar(CRect& rect) const;
    void ExecuteCommand(const CommandRow& row, UINT nID);
    BOOL R() const { return m_bReady && !m_bOperationInProgress; }
    BOOL C() const { return R() && m_bConnected; }
    BOOL N() const { return R() && !m_bConnected; }
    BOOL P() const { return C() && m_bProjectAvailable; }
    BOOL E() const;
    BOOL PE() const;
    BOOL CanUseProjectWindow() const;
    // Gated commands act only when ready, and clear it.
    BOOL TakeReady();
    void PostToProject(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    void OpenTool(UINT nToolID);
    // The tool the drive button opens: the one kind's, the chooser when
    // there are several, 0 without drives.
    UINT DriveToolToOpen() const;
    BOOL RunDialogThread(UINT nCommandID);
    void SetReady(BOOL bReady);
    void ApplyControllerMessageRule();
    void SetPaneFitted(int nPane, LPCSTR text, int nExtra);
    void ForgetController();
    void DeferDestroy();
    // Handles messages until done() or timeoutMs pass (on the clock),
    // pausing pollMs between looks.
    void WaitPumping(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs);
    CWnd* GetBar(UINT nCommandID) const;

    CVQHelp* m_pHelp = nullptr;
    CStatusBar m_wndStatusBar;
    CTrueColourToolBar m_wndToolBar;
    std::unique_ptr<CControlPanel> m_pControlPanel;
    std::unique_ptr<CControllerMessageDlg> m_pControllerMessages;
    CWinThread* m_pProjectThread = nullptr;
    HANDLE m_hProjectThread = nullptr;
    HWND m_hWndProject = nullptr;
    CWnd* m_pProjectWnd = nullptr;
    BOOL m_bConnected = FALSE;
    BOOL m_bProjectAvailable = FALSE;
    BOOL m_bReady = FALSE;
    BOOL m_bDriveKind[5] = {};
    BOOL m_bEthernetConfigAvailable = FALSE;
    BOOL m_bHotKey[5] = {};
    BOOL m_bShowControllerMessages = TRUE;
    BOOL m_bDestroying = FALSE;
    BOOL m_bOperationInProgress = FALSE;
    BOOL m_bCloseUnderWay = FALSE;
    BOOL m_bPlacementRestored = FALSE;
    int m_nDeferredDestroys = 0;
    CMRUList* m_pRecentProjects = nullptr;
    CTList<CWindowInfo> m_windowList;
    int m_nControllerModel = 0;
    std::unique_ptr<CMainBackgroundWnd> m_pBackground;
    WarningBeep m_warningBeep;
};
