// CFileDialog: the open and save file dialogs. Every such dialog goes
// through one service, like the prompt service: the program's service shows
// the system's common dialog; tests install a scripted one that records what
// was asked and answers for the user.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

class CWnd;

// What a file dialog asks: the dialog's settings as its creator gave them.
struct CFileDialogRequest {
    BOOL bOpenFileDialog = TRUE;
    CString strDefExt;   // without the "."
    CString strFileName; // the initial file name
    CString strFilter;   // "Text (*.txt)|*.txt|All (*.*)|*.*||"
    CString strTitle;
    CString strInitialDir;
    DWORD dwFlags = 0; // OFN_ flags
    HWND hWndOwner = nullptr;
};

class IFileDialogService {
public:
    virtual ~IFileDialogService() = default;
    // Shows the dialog and waits: IDOK with the chosen full path in
    // rPathName, or IDCANCEL (also for every failure).
    virtual INT_PTR Run(const CFileDialogRequest& request, CString& rPathName) = 0;
};

// The service in use (the system's dialogs until one is installed);
// installing null puts the system's dialogs back.
IFileDialogService& AfxGetFileDialogService();
void AfxSetFileDialogService(IFileDialogService* pService);

class CFileDialog {
public:
    CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt = nullptr, LPCTSTR lpszFileName = nullptr,
                DWORD dwFlags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, LPCTSTR lpszFilter = nullptr,
                CWnd* pParentWnd = nullptr);
    virtual ~CFileDialog() = default;

    virtual INT_PTR DoModal();

    // The chosen file after IDOK: full path, name with extension, name
    // without extension, extension without ".", and the folder.
    CString GetPathName() const { return m_strPathName; }
    CString GetFileName() const;
    CString GetFileTitle() const;
    CString GetFileExt() const;
    CString GetFolderPath() const;

    CFileDialogRequest m_request;

private:
    CString m_strPathName;
};
