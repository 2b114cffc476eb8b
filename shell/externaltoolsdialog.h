// The dialogs that edit the external tools: CExternalTools ("External
// Tools", modeless on a dialog thread of its own, registered with the
// project window as a dialog) lists the tools and adds and deletes them;
// CAddExternalTool ("Add External Tool", modal) picks one program file and
// its name.
#pragma once

#include <windows.h>

#include "framework/controls.h"
#include "framework/dialog.h"
#include "shell/tooldialog.h"

class CAddExternalTool : public CDialog {
    DECLARE_DYNAMIC(CAddExternalTool)
public:
    explicit CAddExternalTool(CWnd* pParent = nullptr);

    CString m_strFile;
    CString m_strName;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    void OnOK() override;
    void OnBrowse();

    DECLARE_MESSAGE_MAP()
};

class CExternalTools : public CShellToolDialog {
    DECLARE_DYNAMIC(CExternalTools)
public:
    // hWndProject: the project window to register with (looked up through
    // the main frame when it is no window); hWndMainFrame is told when the
    // tools change (0x8169).
    CExternalTools(CWnd* pParent, HWND hWndProject, HWND hWndMainFrame);

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void OnAdd();
    void OnDelete();
    void OnClose();
    void OnSelectionChange();

    DECLARE_MESSAGE_MAP()

private:
    void UpdateButtons();
    BOOL IsListed(const CString& name) const;
    void ToolsChanged();

    HWND m_hWndMainFrame;
    CListBox m_list;
};
