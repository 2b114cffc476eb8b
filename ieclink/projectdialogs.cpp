// The file dialogs through which the user names a project of the external
// system. They go through the program's file dialog service.
#include <windows.h>
#include <commdlg.h>

#include "framework/filedialog.h"
#include "framework/wnd.h"
#include "ieclink/kwmpelink.h"

namespace {

const char kProjectFilter[] = "KW project files (*.mwe)|*.mwe||";

int ProjectFileDialog(BOOL bOpen, CWnd* parent, CString& path)
{
    CFileDialog dialog(bOpen, CKWMPELink::m_kstrProjectFileExtension, nullptr, OFN_HIDEREADONLY, kProjectFilter,
                       parent);
    const INT_PTR result = dialog.DoModal();
    path = result == IDOK ? dialog.GetPathName() : CString();
    return static_cast<int>(result);
}

} // namespace

int CKWMPELink::CreateProject(CWnd* parent)
{
    CString path;
    if (ProjectFileDialog(FALSE, parent, path) != IDOK || path.IsEmpty())
        return 0;
    return CreateProject(path);
}

CString CKWMPELink::BrowseForProject(CWnd* parent)
{
    CString path;
    if (ProjectFileDialog(TRUE, parent, path) != IDOK)
        path.Empty();
    return path;
}
