// COptionsDialog: the "General Options" dialog: start-up and load/save
// switches and the terminal's script editor. It runs modeless on a dialog
// thread of its own and registers with the project window as tool 1010;
// without a project window, or when the project window refuses it, it is
// not created.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class COptionsDialog : public CDialog {
    DECLARE_DYNAMIC(COptionsDialog)
public:
    // The switches, in the order of the check boxes.
    enum Switch {
        AutoConnect,
        RestoreMainWindow,
        CheckControllerType,
        RestoreDesktop,
        AutoEPROM,
        ForceSlowProjectLoad,
        ForceSlowProgramLoad,
        ForceSlowProgramSave,
        AllowOperationsWhenRunning,
        SwitchCount
    };

    COptionsDialog(CWnd* pParent, HWND hWndOwner);

    // Runs the dialog on a new dialog thread under hWndParent; FALSE when no
    // thread could be started (the dialog is then still the caller's).
    // Once started the dialog deletes itself when its window goes.
    BOOL Start(HWND hWndParent);

    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) override;
    using CDialog::Create;

    int m_switches[SwitchCount] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
    CString m_strScriptEditor;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnChangeScriptEditor();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    HWND m_hWndOwner;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
};
