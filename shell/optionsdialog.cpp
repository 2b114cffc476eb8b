#include "shell/optionsdialog.h"

#include "foundation/safefile.h"
#include "framework/filedialog.h"
#include "shell/betafeatures.h"
#include "shell/res/shell_resource.h"
#include "shell/shellmessages.h"
#include "settings/vqregistry.h"
#include "ui/userdialog.h"

IMPLEMENT_DYNAMIC(COptionsDialog, CShellToolDialog)

BEGIN_MESSAGE_MAP(COptionsDialog, CShellToolDialog)
ON_BN_CLICKED(IDC_OPT_CHANGE_SCRIPT_EDITOR, OnChangeScriptEditor)
END_MESSAGE_MAP()

namespace {

// The check box of each switch, in switch order.
const int kSwitchControls[COptionsDialog::SwitchCount] = {
    IDC_OPT_AUTO_CONNECT,
    IDC_OPT_RESTORE_MAIN_WINDOW,
    IDC_OPT_CHECK_CONTROLLER_TYPE,
    IDC_OPT_RESTORE_DESKTOP,
    IDC_OPT_AUTO_EPROM,
    IDC_OPT_FORCE_SLOW_PROJECT_LOAD,
    IDC_OPT_FORCE_SLOW_PROGRAM_LOAD,
    IDC_OPT_FORCE_SLOW_PROGRAM_SAVE,
    IDC_OPT_ALLOW_OPERATIONS_RUNNING,
};

} // namespace

COptionsDialog::COptionsDialog(CWnd* pParent, HWND hWndOwner)
    : CShellToolDialog(IDD_OPTIONS, pParent, TOOL_ID_GENERAL_OPTIONS, "Options dialog"), m_hWndOwner(hWndOwner)
{
}

void COptionsDialog::DoDataExchange(CDataExchange* pDX)
{
    CDialog::DoDataExchange(pDX);
    for (int i = 0; i < SwitchCount; ++i)
        DDX_Check(pDX, kSwitchControls[i], m_switches[i]);
    DDX_Text(pDX, IDC_OPT_SCRIPT_EDITOR, m_strScriptEditor);
}

BOOL COptionsDialog::OnInitDialog()
{
    CShellToolDialog::OnInitDialog();
    CVQRegistry settings;
    m_switches[AutoConnect] = settings.GetAutoConnectAtStart();
    m_switches[RestoreMainWindow] = settings.GetRestoreMainWindowAtStart();
    m_switches[CheckControllerType] = settings.GetCheckControllerType();
    m_switches[RestoreDesktop] = settings.GetAutoRestoreDesktop();
    m_switches[AutoEPROM] = settings.GetAutoEPROM();
    m_switches[ForceSlowProjectLoad] = settings.GetForceSlowProjectLoad();
    // The slow load and save switches mean something only while their fast
    // counterparts exist.
    if (IsBetaFeatureEnabled(BETA_FAST_PROGRAM_LOAD))
        m_switches[ForceSlowProgramLoad] = settings.GetForceSlowProgramLoad();
    else
        ::EnableWindow(GetDlgItemHwnd(IDC_OPT_FORCE_SLOW_PROGRAM_LOAD), FALSE);
    if (IsBetaFeatureEnabled(BETA_FAST_PROGRAM_SAVE))
        m_switches[ForceSlowProgramSave] = settings.GetForceSlowProgramSave();
    else
        ::EnableWindow(GetDlgItemHwnd(IDC_OPT_FORCE_SLOW_PROGRAM_SAVE), FALSE);
    m_switches[AllowOperationsWhenRunning] = settings.GetAllowProgramOperationsWhenRuning();
    m_strScriptEditor = settings.GetScriptEditor();
    if (m_strScriptEditor.IsEmpty())
        m_strScriptEditor = LoadStringOr(IDS_DEFAULT_SCRIPT_EDITOR, "Notepad.exe");
    UpdateData(FALSE);
    return TRUE;
}

void COptionsDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    CVQRegistry settings;
    settings.SetAutoConnectAtStart(m_switches[AutoConnect]);
    settings.SetRestoreMainWindowAtStart(m_switches[RestoreMainWindow]);
    settings.SetCheckControllerType(m_switches[CheckControllerType]);
    settings.SetAutoRestoreDesktop(m_switches[RestoreDesktop]);
    settings.SetAutoEPROM(m_switches[AutoEPROM]);
    settings.SetForceSlowProjectLoad(m_switches[ForceSlowProjectLoad]);
    settings.SetForceSlowProgramLoad(m_switches[ForceSlowProgramLoad]);
    settings.SetForceSlowProgramSave(m_switches[ForceSlowProgramSave]);
    settings.SetAllowProgramOperationsWhenRuning(m_switches[AllowOperationsWhenRunning]);
    DestroyWindow();
}

void COptionsDialog::OnCancel()
{
    DestroyWindow();
}

void COptionsDialog::OnChangeScriptEditor()
{
    UpdateData(TRUE);
    CFileDialog dialog(TRUE, "tsf", m_strScriptEditor, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       "Executable (*.exe)|*.exe||", this);
    if (dialog.DoModal() == IDOK && FileExists(dialog.GetPathName())) {
        // Stored at once: Cancel does not take it back.
        m_strScriptEditor = dialog.GetPathName();
        CVQRegistry().SetScriptEditor(m_strScriptEditor);
    }
    UpdateData(FALSE);
}
