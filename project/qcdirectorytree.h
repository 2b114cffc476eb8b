// The memory card's directory as the memory-card dialog shows it:
// CQCDirectoryEntry is one file or folder of a listing, CQCDirectoryList a
// whole listing with its header texts, CQCDirectoryTreeCtrl a tree control
// whose items each carry their own copy of an entry (the tree owns the
// copies and frees them with their items).
#pragma once

#include <cstdint>

#include "foundation/containers.h"
#include "framework/collections.h"
#include "framework/controls.h"

class CQCDirectoryEntry {
public:
    CString m_strName;
    std::uint32_t m_nDirectory = 0; // 1 for a folder
    CString m_strDate;
    CString m_strTime;
    std::uint32_t m_nSize = 0;
};

class CQCDirectoryList {
public:
    CQCDirectoryList() = default;
    virtual ~CQCDirectoryList() = default;
    CQCDirectoryList(const CQCDirectoryList&) = delete;
    CQCDirectoryList& operator=(const CQCDirectoryList&) = delete;

    // Empties the header texts and the entries.
    void Clear();

    CString m_strVolume;
    CString m_strSerialNumber;
    CString m_strDirectory;
    CTList<CQCDirectoryEntry> m_entries;
};

// Cuts a controller path into its components: a leading "\" is the first
// component, the rest is cut at each "\". False (list empty) for an empty
// piece between two separators.
bool SplitDirectoryPath(const char* path, CStringList& components);

class CQCDirectoryTreeCtrl : public CTreeCtrl {
    DECLARE_DYNAMIC(CQCDirectoryTreeCtrl)
public:
    // How deep DeleteItemTree recurses; a deeper subtree is taken down
    // without recursion.
    static const int kMaxDepth = 20;

    CQCDirectoryTreeCtrl() = default;
    ~CQCDirectoryTreeCtrl() override;

    // Insert an item with a copy of the entry (an empty entry when none is
    // given) as its data; the new item, or null (nothing inserted).
    virtual HTREEITEM InsertEntry(UINT nMask, LPCTSTR lpszText, int nImage, int nSelectedImage, UINT nState,
                                  UINT nStateMask, const CQCDirectoryEntry* pEntry, HTREEITEM hParent,
                                  HTREEITEM hInsertAfter);
    virtual HTREEITEM InsertEntry(HTREEITEM hParent, const CQCDirectoryEntry& entry,
                                  HTREEITEM hInsertAfter = TVI_LAST);
    virtual HTREEITEM InsertEntry(const TVITEMA& item, const CQCDirectoryEntry* pEntry, HTREEITEM hParent,
                                  HTREEITEM hInsertAfter);
    virtual HTREEITEM InsertEntry(LPTVINSERTSTRUCTA lpInsert, const CQCDirectoryEntry* pEntry);

    // The item's entry; null for no item.
    virtual CQCDirectoryEntry* GetItemEntry(HTREEITEM hItem) const;
    virtual BOOL DeleteAll() { return DeleteItemTree(TVI_ROOT); }
    // Deletes the item with everything below it and frees their entries;
    // TVI_ROOT (or null) deletes every item.
    virtual BOOL DeleteItemTree(HTREEITEM hItem);
    virtual BOOL DeleteChildren(HTREEITEM hItem);
    // The item named by a path such as "\DATA\LOGS" (texts compared
    // without case), or null.
    virtual HTREEITEM FindItemByPath(LPCTSTR path) const;
    virtual HTREEITEM FindChild(HTREEITEM hParent, LPCTSTR name) const;
    // Empties the list (header texts too) and appends a copy of each
    // child's entry; the number of children.
    virtual int GetChildren(HTREEITEM hItem, CQCDirectoryList& list) const;
    // The texts from the top item down to the item, joined with "\" (the
    // root's "\" is not doubled).
    virtual CString GetItemPath(HTREEITEM hItem) const;

    // Entries attached to items now.
    int GetEntryCount() const { return m_nEntries; }
    // The deepest recursion the last DeleteItemTree reached.
    int GetDeepestRecursion() const { return m_nDeepest; }

protected:
    void OnDestroy();
    void OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult);
    DECLARE_MESSAGE_MAP()

private:
    BOOL DeleteItemTreeAt(HTREEITEM hItem);
    void FreeEntry(HTREEITEM hItem);
    // Frees the entries of the item's subtree without recursion.
    void FreeSubtreeEntries(HTREEITEM hItem);

    int m_nDepth = 0;
    int m_nDeepest = 0;
    int m_nEntries = 0;
};
