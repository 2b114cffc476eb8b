// CLoadSaveFile: the tool window (tool id 1019) with which the user copies
// one program between a PC file and the open project: "Load program from
// file" (mode 0) and "Save program to file" (mode 1). It chooses names and
// paths only; the project window copies when it gets 0x811A (load) or
// 0x811B (save).
//
// AskToShowFileExtensions: the question, asked by this window and the TABLE
// window, whether Explorer's "Hide file extensions for known file types"
// is to be switched off.
#pragma once

#include "framework/controls.h"
#include "framework/dialog.h"
#include "ui/shelltree.h"

void AskToShowFileExtensions(HWND owner);

// The controller model icon of a model text (before any "@").
int ModelNameToCode(const char* modelText);

class CLoadSaveFile : public CDialog {
    DECLARE_DYNAMIC(CLoadSaveFile)
public:
    enum { MODE_LOAD = 0, MODE_SAVE = 1 };

    // programs: the project's program names (a model text first, as the
    // program tree's root, when given).
    CLoadSaveFile(int mode, const CStringList& programs, LPCSTR initialProgram, LPCSTR modelText = "");
    ~CLoadSaveFile() override;
    BOOL Create(CWnd* pParentWnd = nullptr);

    BOOL SelectFolder(LPCSTR folder);
    CString GetFilter() const { return m_strFilter; }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    void OnFieldChange();
    void OnNewDirectory();
    DECLARE_MESSAGE_MAP()

private:
    void UpdateOk();

    int m_nMode;
    CStringList m_programs;
    CString m_strInitialProgram;
    CString m_strModel;
    CString m_strFilter;
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    CTreeCtrl m_programTree;
    CShellTree m_folderTree;
    CEdit m_programName;
    CEdit m_fileName;
};
