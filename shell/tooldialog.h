// CShellToolDialog: a modeless dialog of the shell on a dialog thread of its
// own that registers with the project window under a tool id while it
// exists. Without a project window, or when the project window refuses it,
// it is not created (and deletes itself); once created it deletes itself
// when its window goes. It takes no controller replies and closes on the
// destroy request, logging it under its name.
#pragma once

#include <windows.h>

#include "framework/dialog.h"

class CShellToolDialog : public CDialog {
    DECLARE_DYNAMIC(CShellToolDialog)
public:
    // hWndProject: the project window to register with; looked up through
    // the main frame when it is no window.
    CShellToolDialog(UINT nIDTemplate, CWnd* pParent, UINT nToolID, LPCSTR lpszLogName, HWND hWndProject = nullptr);

    // Runs the dialog on a new dialog thread under hWndParent; FALSE when no
    // thread could be started (the dialog is then still the caller's).
    BOOL Start(HWND hWndParent);

    BOOL Create(LPCTSTR lpszTemplateName, CWnd* pParentWnd) override;
    using CDialog::Create;

    // The project window the dialog registered with (null before).
    HWND GetProjectWindow() const { return m_hWndProject; }

protected:
    BOOL OnInitDialog() override;
    void PostNcDestroy() override;

    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);

    DECLARE_MESSAGE_MAP()

private:
    UINT m_nIDTemplate;
    UINT m_nToolID;
    CString m_strLogName;
    HWND m_hWndProject;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
};
