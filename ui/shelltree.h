// Trees of names: CShellTree shows the shell's namespace (desktop, drives,
// folders, optionally files) filled lazily as folders open; CVQShellTree
// marks project folders with their own icons; CShellPidl holds the item-ID
// list helpers; CStringTree is a plain in-memory tree of texts.
#pragma once

#include <windows.h>

#include <shlobj.h>

#include <vector>

#include "framework/collections.h"
#include "framework/controls.h"

class CShellPidl {
public:
    CShellPidl();
    virtual ~CShellPidl();
    CShellPidl(const CShellPidl&) = delete;
    CShellPidl& operator=(const CShellPidl&) = delete;

    static LPITEMIDLIST GetNextItem(LPCITEMIDLIST pidl);
    static UINT GetSize(LPCITEMIDLIST pidl);
    static UINT GetItemCount(LPCITEMIDLIST pidl);
    LPITEMIDLIST Concat(LPCITEMIDLIST first, LPCITEMIDLIST second) const;
    LPITEMIDLIST CopyItem(LPCITEMIDLIST pidl) const;
    LPITEMIDLIST CopyItemAt(LPCITEMIDLIST pidl, UINT n) const;
    LPITEMIDLIST CopyParent(LPCITEMIDLIST pidl) const;
    LPITEMIDLIST CopyFirstItems(LPCITEMIDLIST pidl, UINT n) const;
    LPITEMIDLIST Copy(LPCITEMIDLIST pidl) const;
    void Free(LPITEMIDLIST pidl) const;
    static BOOL GetDisplayName(IShellFolder* pFolder, LPCITEMIDLIST pidl, DWORD dwFlags, char* pszName);
    static int GetIconIndex(LPCITEMIDLIST pidl, UINT uFlags);
    BOOL GetLevelNames(LPCITEMIDLIST pidl, CStringList& names) const;
    LPITEMIDLIST PidlFromPath(const char* pszPath) const;

protected:
    LPITEMIDLIST Alloc(UINT cb) const;
    IMalloc* m_pMalloc = nullptr;
};

class CShellTree : public CTreeCtrl, public CShellPidl {
    DECLARE_DYNAMIC(CShellTree)
public:
    // What every tree item carries.
    struct ItemData {
        IShellFolder* pParentFolder;
        LPITEMIDLIST pidlRelative;
        LPITEMIDLIST pidlAbsolute;
    };

    CShellTree() = default;
    ~CShellTree() override;

    void SetFileFilter(BOOL bListFiles, const char* pszPattern);
    void PopulateTree();
    BOOL GetSelectedPath(CString& path) const;
    BOOL SelectPath(LPCITEMIDLIST pidl);
    BOOL IsSelectedFile() const;
    void RefillSelectedItem();
    void RefreshSelectedFolder() { RefillSelectedItem(); }
    void DeleteChildren(HTREEITEM hItem);
    // The file-system path of an item; empty for other items.
    CString GetItemPath(HTREEITEM hItem) const;

    virtual void InitImageList();
    virtual BOOL ShowContextMenu(IShellFolder* pFolder, LPCITEMIDLIST pidl, POINT point);
    virtual void FillFolder(IShellFolder* pFolder, LPCITEMIDLIST pidlParent, HTREEITEM hParent);
    virtual BOOL MarkProjectFolder(HTREEITEM) { return FALSE; }
    virtual BOOL MarkSelectedProjectFolder() { return FALSE; }
    virtual BOOL ReselectSelected() { return FALSE; }

    CImageList m_images;
    struct IconMap {
        int nOwn;
        int nSystem;
    };
    std::vector<IconMap> m_iconMap;
    BOOL m_bListFiles = FALSE;
    CString m_strPattern = "*.*";
    int m_nNextImage = 0;

protected:
    int MapSystemIcon(int nSystem);
    void FillAndSort(HTREEITEM hItem);
    void OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult);
    void OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult);
    void OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()
};

class CVQShellTree : public CShellTree {
    DECLARE_DYNAMIC(CVQShellTree)
public:
    void InitImageList() override;
    BOOL MarkProjectFolder(HTREEITEM hItem) override;
    BOOL MarkSelectedProjectFolder() override;
    BOOL ReselectSelected() override;
};

class CStringTreeItemData {
public:
    CString m_strText;
    WORD m_wData = 0;
    CStringTreeItemData* m_pParent = nullptr;
    CStringTreeItemData* m_pNext = nullptr;
    CStringTreeItemData* m_pPrev = nullptr;
    CStringTreeItemData* m_pFirstChild = nullptr;
};

class CStringTree {
public:
    typedef CStringTreeItemData* NODE;
    CStringTree() = default;
    ~CStringTree() { DeleteAllItems(); }
    CStringTree(const CStringTree&) = delete;
    CStringTree& operator=(const CStringTree&) = delete;

    NODE GetRootItem() const { return m_pRoot; }
    NODE GetChildItem(NODE node) const { return node ? node->m_pFirstChild : nullptr; }
    NODE GetNextSiblingItem(NODE node) const { return node ? node->m_pNext : nullptr; }
    CString GetItemText(NODE node) const { return node ? node->m_strText : CString(); }
    void SetItemText(const char* text, NODE node);
    // where: TVI_FIRST, TVI_SORT (case-insensitive) or anything else to
    // append.
    NODE InsertItem(const char* text, NODE parent = nullptr, HTREEITEM where = TVI_LAST);
    void DeleteItem(NODE node);
    void DeleteAllItems();

private:
    NODE m_pRoot = nullptr;
};
