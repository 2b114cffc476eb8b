#include "project/qcdirectorytree.h"

#include <vector>

void CQCDirectoryList::Clear()
{
    m_strVolume.Empty();
    m_strSerialNumber.Empty();
    m_strDirectory.Empty();
    m_entries.RemoveAll();
}

bool SplitDirectoryPath(const char* path, CStringList& components)
{
    components.RemoveAll();
    if (!path)
        return false;
    const char* p = path;
    if (*p == '\\') {
        components.AddTail("\\");
        ++p;
    }
    while (*p) {
        const char* end = p;
        while (*end && *end != '\\')
            ++end;
        if (end == p) {
            components.RemoveAll();
            return false;
        }
        components.AddTail(CString(p, static_cast<int>(end - p)));
        p = *end ? end + 1 : end;
    }
    return true;
}

IMPLEMENT_DYNAMIC(CQCDirectoryTreeCtrl, CTreeCtrl)

BEGIN_MESSAGE_MAP(CQCDirectoryTreeCtrl, CTreeCtrl)
ON_WM_DESTROY()
ON_NOTIFY_REFLECT(TVN_DELETEITEMA, OnDeleteItem)
ON_NOTIFY_REFLECT(TVN_DELETEITEMW, OnDeleteItem)
END_MESSAGE_MAP()

CQCDirectoryTreeCtrl::~CQCDirectoryTreeCtrl() = default;

HTREEITEM CQCDirectoryTreeCtrl::InsertEntry(LPTVINSERTSTRUCTA lpInsert, const CQCDirectoryEntry* pEntry)
{
    if (!lpInsert || !m_hWnd)
        return nullptr;
    TVINSERTSTRUCTA insert = *lpInsert;
    insert.item.mask &= ~TVIF_PARAM;
    insert.item.lParam = 0;
    const HTREEITEM hItem = CTreeCtrl::InsertItem(&insert);
    if (!hItem)
        return nullptr;
    auto* copy = new CQCDirectoryEntry(pEntry ? *pEntry : CQCDirectoryEntry());
    if (!SetItemData(hItem, reinterpret_cast<DWORD_PTR>(copy))) {
        delete copy;
        DeleteItem(hItem);
        return nullptr;
    }
    ++m_nEntries;
    return hItem;
}

HTREEITEM CQCDirectoryTreeCtrl::InsertEntry(const TVITEMA& item, const CQCDirectoryEntry* pEntry, HTREEITEM hParent,
                                            HTREEITEM hInsertAfter)
{
    TVINSERTSTRUCTA insert = {};
    insert.hParent = hParent;
    insert.hInsertAfter = hInsertAfter;
    insert.item = item;
    return InsertEntry(&insert, pEntry);
}

HTREEITEM CQCDirectoryTreeCtrl::InsertEntry(UINT nMask, LPCTSTR lpszText, int nImage, int nSelectedImage,
                                            UINT nState, UINT nStateMask, const CQCDirectoryEntry* pEntry,
                                            HTREEITEM hParent, HTREEITEM hInsertAfter)
{
    TVITEMA item = {};
    item.mask = nMask;
    item.pszText = const_cast<LPSTR>(lpszText);
    item.iImage = nImage;
    item.iSelectedImage = nSelectedImage;
    item.state = nState;
    item.stateMask = nStateMask;
    return InsertEntry(item, pEntry, hParent, hInsertAfter);
}

HTREEITEM CQCDirectoryTreeCtrl::InsertEntry(HTREEITEM hParent, const CQCDirectoryEntry& entry,
                                            HTREEITEM hInsertAfter)
{
    return InsertEntry(TVIF_TEXT, entry.m_strName, 0, 0, 0, 0, &entry, hParent, hInsertAfter);
}

CQCDirectoryEntry* CQCDirectoryTreeCtrl::GetItemEntry(HTREEITEM hItem) const
{
    if (!hItem || hItem == TVI_ROOT || !m_hWnd)
        return nullptr;
    return reinterpret_cast<CQCDirectoryEntry*>(GetItemData(hItem));
}

void CQCDirectoryTreeCtrl::FreeEntry(HTREEITEM hItem)
{
    CQCDirectoryEntry* entry = GetItemEntry(hItem);
    if (!entry)
        return;
    SetItemData(hItem, 0);
    delete entry;
    --m_nEntries;
}

void CQCDirectoryTreeCtrl::FreeSubtreeEntries(HTREEITEM hItem)
{
    std::vector<HTREEITEM> pending{hItem};
    while (!pending.empty()) {
        const HTREEITEM h = pending.back();
        pending.pop_back();
        for (HTREEITEM child = GetChildItem(h); child; child = GetNextSiblingItem(child))
            pending.push_back(child);
        FreeEntry(h);
    }
}

BOOL CQCDirectoryTreeCtrl::DeleteItemTree(HTREEITEM hItem)
{
    if (!m_hWnd)
        return FALSE;
    m_nDepth = 0;
    m_nDeepest = 0;
    if (!hItem || hItem == TVI_ROOT) {
        BOOL ok = TRUE;
        while (HTREEITEM top = GetRootItem()) {
            if (!DeleteItemTreeAt(top)) {
                ok = FALSE;
                break;
            }
        }
        return ok;
    }
    return DeleteItemTreeAt(hItem);
}

BOOL CQCDirectoryTreeCtrl::DeleteItemTreeAt(HTREEITEM hItem)
{
    m_nDeepest = std::max(m_nDeepest, m_nDepth + 1);
    if (m_nDepth >= kMaxDepth) {
        // Deeper than the recursion goes: the rest of this subtree goes in
        // one walk, so no entry is left behind.
        FreeSubtreeEntries(hItem);
        return DeleteItem(hItem);
    }
    ++m_nDepth;
    while (HTREEITEM child = GetChildItem(hItem)) {
        if (!DeleteItemTreeAt(child)) {
            --m_nDepth;
            return FALSE;
        }
    }
    --m_nDepth;
    FreeEntry(hItem);
    return DeleteItem(hItem);
}

BOOL CQCDirectoryTreeCtrl::DeleteChildren(HTREEITEM hItem)
{
    if (!m_hWnd || !hItem)
        return FALSE;
    while (HTREEITEM child = GetChildItem(hItem)) {
        if (!DeleteItemTree(child))
            return FALSE;
    }
    return TRUE;
}

HTREEITEM CQCDirectoryTreeCtrl::FindChild(HTREEITEM hParent, LPCTSTR name) const
{
    if (!m_hWnd || !name)
        return nullptr;
    HTREEITEM child = (!hParent || hParent == TVI_ROOT) ? GetRootItem() : GetChildItem(hParent);
    for (; child; child = GetNextSiblingItem(child))
        if (GetItemText(child).CompareNoCase(name) == 0)
            return child;
    return nullptr;
}

HTREEITEM CQCDirectoryTreeCtrl::FindItemByPath(LPCTSTR path) const
{
    CStringList components;
    if (!SplitDirectoryPath(path, components) || components.IsEmpty())
        return nullptr;
    HTREEITEM item = TVI_ROOT;
    for (POSITION pos = components.GetHeadPosition(); pos && item;)
        item = FindChild(item, components.GetNext(pos));
    return item == TVI_ROOT ? nullptr : item;
}

int CQCDirectoryTreeCtrl::GetChildren(HTREEITEM hItem, CQCDirectoryList& list) const
{
    list.Clear();
    if (!m_hWnd || !hItem)
        return 0;
    int count = 0;
    for (HTREEITEM child = hItem == TVI_ROOT ? GetRootItem() : GetChildItem(hItem); child;
         child = GetNextSiblingItem(child)) {
        const CQCDirectoryEntry* entry = GetItemEntry(child);
        CQCDirectoryEntry copy = entry ? *entry : CQCDirectoryEntry();
        if (!entry)
            copy.m_strName = GetItemText(child);
        if (!list.m_entries.AddTail(copy))
            break;
        ++count;
    }
    return count;
}

CString CQCDirectoryTreeCtrl::GetItemPath(HTREEITEM hItem) const
{
    if (!m_hWnd || !hItem || hItem == TVI_ROOT)
        return CString();
    std::vector<CString> texts;
    for (HTREEITEM h = hItem; h; h = GetParentItem(h))
        texts.push_back(GetItemText(h));
    CString path;
    for (auto it = texts.rbegin(); it != texts.rend(); ++it) {
        if (!path.IsEmpty() && path[path.GetLength() - 1] != '\\')
            path += '\\';
        path += *it;
    }
    return path;
}

void CQCDirectoryTreeCtrl::OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult)
{
    // An item taken down by anyone else still frees its entry.
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    *pResult = 0;
    if (auto* entry = reinterpret_cast<CQCDirectoryEntry*>(tv->itemOld.lParam)) {
        delete entry;
        --m_nEntries;
    }
}

void CQCDirectoryTreeCtrl::OnDestroy()
{
    DeleteAll();
    CTreeCtrl::OnDestroy();
}
