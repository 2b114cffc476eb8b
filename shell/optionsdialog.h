// COptionsDialog: the "General Options" dialog: start-up and load/save
// switches and the terminal's script editor. It runs modeless on a dialog
// thread of its own and registers with the project window as tool 1010.
#pragma once

#include <windows.h>

#include "shell/tooldialog.h"

class COptionsDialog : public CShellToolDialog {
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

    int m_switches[SwitchCount] = {1, 0, 0, 0, 0, 0, 0, 0, 0};
    CString m_strScriptEditor;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnChangeScriptEditor();

    DECLARE_MESSAGE_MAP()

private:
    HWND m_hWndOwner;
};
