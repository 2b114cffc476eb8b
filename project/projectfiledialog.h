// CProjectFileDialog: the dialog through which the user picks a project
// folder for every project command (new, open, load into the controller,
// save from the controller, change). It shows the disk's folders, the
// project held in the selected folder (its controller model and programs),
// warns when that project does not fit the connected controller, makes new
// folders, takes a typed project name and jumps to recent projects; it
// ends with the chosen project's path (GetText).
//
// A folder holds a project when it contains a project file named after
// the folder itself ("Axis\Axis.prj").
#pragma once

#include "framework/collections.h"
#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/shelltree.h"

// What the chooser asks of the project window about the connected
// controller.
class IConnectedController {
public:
    virtual ~IConnectedController() = default;
    // The model name, possibly followed by "@" and more; "None" (or empty)
    // without a controller.
    virtual CString GetConnectedModelName() = 0;
    virtual void GetControllerProgramNames(CStringList& names) = 0;
};

// The folder tree of the chooser: a project-marking shell tree whose
// selection changes also reach the dialog.
class CChooserFolderTree : public CVQShellTree {
public:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;
};

class CProjectFileDialog : public CDialog {
    DECLARE_DYNAMIC(CProjectFileDialog)
public:
    enum { MODE_NEW = 0, MODE_OPEN = 1, MODE_LOAD = 2, MODE_SAVE = 3, MODE_CHANGE = 4 };

    // controller may be null (no controller connected).
    CProjectFileDialog(CWnd* pProjectWnd, int mode, LPCSTR startPath, IConnectedController* controller = nullptr);
    ~CProjectFileDialog() override;

    // The chosen project after OK; empty after Cancel.
    const CString& GetText() const { return m_strResult; }

    // Selects a folder of the disk tree; TRUE when it was found.
    BOOL SelectFolder(LPCSTR folder);

    BOOL PreTranslateMessage(MSG* pMsg) override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnAction();
    void OnNewDirectory();
    void OnRecentProjects();
    void OnNameChange();
    void OnFolderSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    bool NamesAProject() const { return m_nMode == MODE_NEW || m_nMode == MODE_SAVE; }
    void OnFolderSelected();
    void ShowFolderProject(const CString& folder);
    void UpdateState();
    bool ProgramsDiffer();
    CString SelectedFolder() const;

    int m_nMode;
    CString m_strResult;
    CString m_strStart;
    IConnectedController* m_pController;
    CToolTipCtrl m_toolTip;
    CChooserFolderTree m_folders;
    CTreeCtrl m_contents;
    CEdit m_name;
    // The project of the selected folder: its model (before any "@") and
    // whether there is one.
    CString m_strProjectModel;
    BOOL m_bProjectFound = FALSE;
    BOOL m_bInitialised = FALSE;
    int m_nSelecting = 0;
};
