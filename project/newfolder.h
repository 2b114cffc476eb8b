// "New directory" of the windows that pick a folder in a shell tree (the
// project chooser, the program file and TABLE file windows): asks for a
// name and makes the folder below the selected one.
#pragma once

#include "framework/cstring.h"

class CWnd;
class CShellTree;

// Joins a folder and a name with one "\" between them.
CString JoinFolder(const CString& folder, const CString& name);

// Asks for a name (caption "New directory", prompt "Enter new directory
// name") and creates that folder in parent. The new folder's path; empty
// when the user cancelled or gave no name, or when the folder could not be
// made (a name that is no single folder name, a path too long, a folder
// that exists already: the user is told).
CString AskForNewFolder(CWnd* owner, const CString& parent);

// "New directory" in a window with a shell folder tree: asks for a name,
// makes the folder below the tree's selected folder, refills that folder
// (showing a wait window with waitText meanwhile, when given) and selects
// the new one. The new folder's path, or empty: nothing selected, a file
// selected, cancelled or refused (the tree stays as it was).
CString MakeFolderInTree(CWnd* owner, CShellTree& tree, LPCSTR waitText = nullptr);
