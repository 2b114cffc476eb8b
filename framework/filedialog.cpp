#include "framework/filedialog.h"

#include <commdlg.h>

#include <atomic>
#include <vector>

#include "framework/wnd.h"

namespace {

// The system's open and save dialogs.
class CSystemFileDialogs : public IFileDialogService {
public:
    INT_PTR Run(const CFileDialogRequest& request, CString& rPathName) override
    {
        // The filter's "|" separators become the NULs the dialog wants; the
        // list ends with two NULs.
        std::vector<char> filter(request.strFilter.GetLength() + 2, '\0');
        for (int i = 0; i < request.strFilter.GetLength(); ++i)
            filter[i] = request.strFilter[i] == '|' ? '\0' : request.strFilter[i];
        std::vector<char> file(32768, '\0');
        lstrcpynA(file.data(), request.strFileName, static_cast<int>(file.size()));

        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = request.hWndOwner;
        ofn.lpstrFilter = request.strFilter.IsEmpty() ? nullptr : filter.data();
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = file.data();
        ofn.nMaxFile = static_cast<DWORD>(file.size());
        ofn.lpstrInitialDir = request.strInitialDir.IsEmpty() ? nullptr : static_cast<LPCSTR>(request.strInitialDir);
        ofn.lpstrTitle = request.strTitle.IsEmpty() ? nullptr : static_cast<LPCSTR>(request.strTitle);
        ofn.lpstrDefExt = request.strDefExt.IsEmpty() ? nullptr : static_cast<LPCSTR>(request.strDefExt);
        ofn.Flags = request.dwFlags | OFN_EXPLORER;
        const BOOL ok = request.bOpenFileDialog ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
        if (!ok)
            return IDCANCEL;
        rPathName = file.data();
        return IDOK;
    }
};

CSystemFileDialogs g_systemDialogs;
std::atomic<IFileDialogService*> g_fileDialogs{&g_systemDialogs};

} // namespace

IFileDialogService& AfxGetFileDialogService()
{
    return *g_fileDialogs.load();
}

void AfxSetFileDialogService(IFileDialogService* pService)
{
    g_fileDialogs = pService ? pService : &g_systemDialogs;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, LPCTSTR lpszDefExt, LPCTSTR lpszFileName, DWORD dwFlags,
                         LPCTSTR lpszFilter, CWnd* pParentWnd)
{
    m_request.bOpenFileDialog = bOpenFileDialog;
    m_request.strDefExt = lpszDefExt;
    m_request.strFileName = lpszFileName;
    m_request.strFilter = lpszFilter;
    m_request.dwFlags = dwFlags;
    m_request.hWndOwner = pParentWnd ? pParentWnd->GetSafeHwnd() : nullptr;
}

INT_PTR CFileDialog::DoModal()
{
    CString path;
    const INT_PTR result = AfxGetFileDialogService().Run(m_request, path);
    m_strPathName = result == IDOK ? path : CString();
    return result == IDOK ? IDOK : IDCANCEL;
}

CString CFileDialog::GetFileName() const
{
    return m_strPathName.Mid(m_strPathName.ReverseFind('\\') + 1);
}

CString CFileDialog::GetFileTitle() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? name : name.Left(dot);
}

CString CFileDialog::GetFileExt() const
{
    const CString name = GetFileName();
    const int dot = name.ReverseFind('.');
    return dot < 0 ? CString() : name.Mid(dot + 1);
}

CString CFileDialog::GetFolderPath() const
{
    const int slash = m_strPathName.ReverseFind('\\');
    return slash < 0 ? CString() : m_strPathName.Left(slash);
}
