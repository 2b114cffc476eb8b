#include "project/newfolder.h"

#include <cstring>
#include <memory>

#include "project/projectdialogs.h"
#include "ui/progress.h"
#include "ui/shelltree.h"
#include "ui/userdialog.h"

CString JoinFolder(const CString& folder, const CString& name)
{
    CString path = folder;
    if (path.IsEmpty() || path[path.GetLength() - 1] != '\\')
        path += '\\';
    return path + name;
}

CString AskForNewFolder(CWnd* owner, const CString& parent)
{
    CString name;
    CEnterTextDialog dialog(owner, "New directory", "Enter new directory name", &name);
    if (dialog.DoModal() != IDOK)
        return CString();
    name.Trim();
    if (name.IsEmpty())
        return CString();
    // One folder name, made in the parent: no separators, no drive, no
    // wildcards and no way up.
    const bool valid = std::strpbrk(name, "\\/:*?\"<>|") == nullptr && name != "." && name != "..";
    const CString path = JoinFolder(parent, name);
    CString problem;
    if (!valid)
        problem.Format("Invalid directory name \"%s\"", name.GetString());
    else if (parent.IsEmpty() || path.GetLength() >= MAX_PATH - 12)
        problem.Format("Could not create directory %s", path.GetString());
    else if (!::CreateDirectoryA(path, nullptr)) {
        if (::GetLastError() == ERROR_ALREADY_EXISTS)
            problem.Format("Directory %s already exists", path.GetString());
        else
            problem.Format("Could not create directory %s", path.GetString());
    }
    if (!problem.IsEmpty()) {
        ShowUserMessage(owner, problem, "New directory");
        return CString();
    }
    return path;
}

CString MakeFolderInTree(CWnd* owner, CShellTree& tree, LPCSTR waitText)
{
    CString parent;
    if (!tree.GetSelectedPath(parent) || tree.IsSelectedFile())
        return CString();
    const CString folder = AskForNewFolder(owner, parent);
    if (folder.IsEmpty())
        return folder;
    std::unique_ptr<CWaiting> wait;
    if (waitText) {
        wait = std::make_unique<CWaiting>(owner, waitText);
        wait->Show();
    }
    tree.RefillSelectedItem();
    LPITEMIDLIST pidl = tree.PidlFromPath(folder);
    if (pidl)
        tree.SelectPath(pidl);
    tree.Free(pidl);
    if (wait)
        wait->Hide();
    return folder;
}
