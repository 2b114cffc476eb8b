// CFileCompareOptionsDialog: the "File Compare Options" tool window (tool
// id 1048) that names the external program comparing a controller copy and
// a project copy of a program file, and the argument template the project
// window starts it with ("%c" the controller copy, "%p" the project copy).
// Modeless; registers with the project window while it exists and deletes
// itself when its window goes.
#pragma once

#include "framework/dialog.h"

class CFileCompareOptionsDialog : public CDialog {
    DECLARE_DYNCREATE(CFileCompareOptionsDialog)
public:
    // The template the project window uses when none is stored.
    static const char kDefaultArguments[];

    // Made by the tool launcher through the run-time class: creates the
    // window at once, owned by the thread's main window, and shows it.
    CFileCompareOptionsDialog();
    ~CFileCompareOptionsDialog() override;

    // Whether the window was created; when it was not, the object has to
    // be deleted by whoever made it.
    BOOL IsCreated() const { return m_bWasCreated; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    void PostNcDestroy() override;
    int OnCreate(LPCREATESTRUCT lpCreateStruct);
    void OnDestroy();
    void OnBrowse();
    LRESULT OnDestroyRequest(WPARAM wParam, LPARAM lParam);
    LRESULT OnQueryReplyClass(WPARAM wParam, LPARAM lParam);
    DECLARE_MESSAGE_MAP()

private:
    HWND m_hWndProject = nullptr;
    BOOL m_bRegistered = FALSE;
    BOOL m_bWasCreated = FALSE;
    CString m_strProgram;
    CString m_strArguments;
};
