// CSelectProgramExDialog: the tool window (tool id 1038) through which the
// user chooses the program of a program operation (new, select, edit,
// copy, rename, delete, compile, run, start stepping, debug, stop). It
// shows the controller's programs under the model's name, takes a new
// name, a program type or a process where the operation needs one, checks
// them and hands the request to the project window as a program operation
// (0x812D), then closes. It runs modeless on a dialog thread of its own
// (template 249) and registers with the project window while it is made.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"

// The tool id under which the dialog registers.
const UINT TOOL_ID_SELECT_PROGRAM = 1038;

class CSelectProgramExDialog : public CDialog {
    DECLARE_DYNAMIC(CSelectProgramExDialog)
public:
    // purpose: the program operation (PROGRAM_OP_ codes, 1 for a plain
    // selection); any other purpose shows "???" and closes at once.
    // program: the name to preselect; empty takes the project window's
    // selected program.
    CSelectProgramExDialog(CWnd* pParent, int purpose, LPCSTR program = "");
    ~CSelectProgramExDialog() override;

    // Runs the dialog on a new dialog thread under the window; FALSE when no
    // thread could be started (the dialog is then still the caller's).
    BOOL Start(HWND hWndParent);

    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) override;
    using CDialog::Create;

    int GetPurpose() const { return m_nPurpose; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnTimer(UINT_PTR nIDEvent);
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    void OnTreeSelChanged(NMHDR* pNotify, LRESULT* pResult);
    void OnNameChange();
    void OnChoiceChange();
    DECLARE_MESSAGE_MAP()

private:
    // The selected tree item when it is a program (not the model's root).
    HTREEITEM SelectedProgramItem() const;
    // Selects the root's child of that name (without regard to case).
    void SelectProgramByName(const CString& name);
    void FillTypes();
    void FillProcesses(const CString& program);
    void ApplyTypeChoice();
    void UpdateOk();
    // Collects the request from the controls; FALSE, with the user told,
    // when the input is not valid (the dialog stays open). cancelled is
    // set when the user declined to overwrite an existing program.
    BOOL CollectRequest(CString& program, CString& newName, int& type, int& process, BOOL& cancelled);
    void ShowInvalidName();

    int m_nPurpose;
    CString m_strTitle;
    CString m_strProgram;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    int m_nBusy = 0;
    HTREEITEM m_hRoot = nullptr;
    CTreeCtrl m_tree;
    CEdit m_name;
    CComboBox m_choice;
};

// How the program opens the dialog: the main frame's Program menu commands
// (each in its operation's mode) and the project window's tool launcher
// for tool 1038 (the launcher's channel is the operation, 0 a new program).
void RegisterSelectProgramDialog();
