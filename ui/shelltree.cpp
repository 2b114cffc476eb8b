#include "ui/shelltree.h"

#include <shellapi.h>

#include <cstring>
#include <utility>

#include "foundation/fileutil.h"
#include "framework/prompt.h"
#include "ui/filenamefilter.h"
#include "ui/toolkit_resource.h"

// --- CShellPidl -------------------------------------------------------------------

CShellPidl::CShellPidl()
{
    if (FAILED(::SHGetMalloc(&m_pMalloc)))
        m_pMalloc = nullptr;
}

CShellPidl::~CShellPidl()
{
    if (m_pMalloc)
        m_pMalloc->Release();
}

LPITEMIDLIST CShellPidl::GetNextItem(LPCITEMIDLIST pidl)
{
    if (!pidl || pidl->mkid.cb == 0)
        return nullptr;
    auto next = reinterpret_cast<LPITEMIDLIST>(const_cast<BYTE*>(reinterpret_cast<const BYTE*>(pidl)) + pidl->mkid.cb);
    return next->mkid.cb ? next : nullptr;
}

UINT CShellPidl::GetSize(LPCITEMIDLIST pidl)
{
    if (!pidl)
        return 0;
    UINT size = sizeof(USHORT);
    for (auto p = reinterpret_cast<const BYTE*>(pidl); reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb;
         p += reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb)
        size += reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb;
    return size;
}

UINT CShellPidl::GetItemCount(LPCITEMIDLIST pidl)
{
    UINT count = 0;
    if (!pidl)
        return 0;
    for (auto p = reinterpret_cast<const BYTE*>(pidl); reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb;
         p += reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb)
        ++count;
    return count;
}

LPITEMIDLIST CShellPidl::Alloc(UINT cb) const
{
    if (!m_pMalloc)
        return nullptr;
    auto pidl = static_cast<LPITEMIDLIST>(m_pMalloc->Alloc(cb));
    if (pidl)
        std::memset(pidl, 0, cb);
    return pidl;
}

LPITEMIDLIST CShellPidl::Concat(LPCITEMIDLIST first, LPCITEMIDLIST second) const
{
    const UINT size1 = first ? GetSize(first) - sizeof(USHORT) : 0;
    const UINT size2 = second ? GetSize(second) : sizeof(USHORT);
    LPITEMIDLIST result = Alloc(size1 + size2);
    if (!result)
        return nullptr;
    if (first)
        std::memcpy(result, first, size1);
    if (second)
        std::memcpy(reinterpret_cast<BYTE*>(result) + size1, second, size2);
    return result;
}

LPITEMIDLIST CShellPidl::CopyFirstItems(LPCITEMIDLIST pidl, UINT n) const
{
    if (!pidl)
        return nullptr;
    UINT size = 0;
    auto p = reinterpret_cast<const BYTE*>(pidl);
    for (UINT i = 0; i < n && reinterpret_cast<LPCITEMIDLIST>(p + size)->mkid.cb; ++i)
        size += reinterpret_cast<LPCITEMIDLIST>(p + size)->mkid.cb;
    LPITEMIDLIST result = Alloc(size + sizeof(USHORT));
    if (result)
        std::memcpy(result, pidl, size);
    return result;
}

LPITEMIDLIST CShellPidl::CopyItem(LPCITEMIDLIST pidl) const
{
    return CopyFirstItems(pidl, 1);
}

LPITEMIDLIST CShellPidl::CopyItemAt(LPCITEMIDLIST pidl, UINT n) const
{
    if (!pidl || n >= GetItemCount(pidl))
        return nullptr;
    auto p = reinterpret_cast<const BYTE*>(pidl);
    for (UINT i = 0; i < n; ++i)
        p += reinterpret_cast<LPCITEMIDLIST>(p)->mkid.cb;
    return CopyItem(reinterpret_cast<LPCITEMIDLIST>(p));
}

LPITEMIDLIST CShellPidl::CopyParent(LPCITEMIDLIST pidl) const
{
    const UINT count = GetItemCount(pidl);
    return CopyFirstItems(pidl, count ? count - 1 : 0);
}

LPITEMIDLIST CShellPidl::Copy(LPCITEMIDLIST pidl) const
{
    if (!pidl)
        return nullptr;
    const UINT size = GetSize(pidl);
    LPITEMIDLIST result = Alloc(size);
    if (result)
        std::memcpy(result, pidl, size);
    return result;
}

void CShellPidl::Free(LPITEMIDLIST pidl) const
{
    if (pidl && m_pMalloc)
        m_pMalloc->Free(pidl);
}

BOOL CShellPidl::GetDisplayName(IShellFolder* pFolder, LPCITEMIDLIST pidl, DWORD dwFlags, char* pszName)
{
    pszName[0] = '\0';
    STRRET str = {};
    if (!pFolder || FAILED(pFolder->GetDisplayNameOf(pidl, dwFlags, &str)))
        return FALSE;
    switch (str.uType) {
    case STRRET_WSTR:
        ::WideCharToMultiByte(CP_ACP, 0, str.pOleStr, -1, pszName, MAX_PATH, nullptr, nullptr);
        ::CoTaskMemFree(str.pOleStr);
        break;
    case STRRET_OFFSET:
        lstrcpynA(pszName, reinterpret_cast<const char*>(pidl) + str.uOffset, MAX_PATH);
        break;
    case STRRET_CSTR:
        lstrcpynA(pszName, str.cStr, MAX_PATH);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

int CShellPidl::GetIconIndex(LPCITEMIDLIST pidl, UINT uFlags)
{
    SHFILEINFOA info = {};
    ::SHGetFileInfoA(reinterpret_cast<LPCSTR>(pidl), 0, &info, sizeof(info), uFlags | SHGFI_PIDL | SHGFI_SYSICONINDEX);
    return info.iIcon;
}

BOOL CShellPidl::GetLevelNames(LPCITEMIDLIST pidl, CStringList& names) const
{
    IShellFolder* pFolder = nullptr;
    if (!pidl || FAILED(::SHGetDesktopFolder(&pFolder)))
        return FALSE;
    BOOL ok = TRUE;
    const UINT count = GetItemCount(pidl);
    for (UINT i = 0; i < count && ok; ++i) {
        LPITEMIDLIST item = CopyItemAt(pidl, i);
        char name[MAX_PATH];
        ok = item && GetDisplayName(pFolder, item, SHGDN_INFOLDER, name);
        if (ok) {
            names.AddTail(name);
            IShellFolder* pChild = nullptr;
            if (i + 1 < count) {
                ok = SUCCEEDED(
                    pFolder->BindToObject(item, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&pChild)));
                if (ok) {
                    pFolder->Release();
                    pFolder = pChild;
                }
            }
        }
        Free(item);
    }
    pFolder->Release();
    return ok;
}

LPITEMIDLIST CShellPidl::PidlFromPath(const char* pszPath) const
{
    IShellFolder* pDesktop = nullptr;
    if (!pszPath || FAILED(::SHGetDesktopFolder(&pDesktop)))
        return nullptr;
    wchar_t wide[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, pszPath, -1, wide, MAX_PATH);
    LPITEMIDLIST pidl = nullptr;
    if (FAILED(pDesktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &pidl, nullptr)))
        pidl = nullptr;
    pDesktop->Release();
    return pidl;
}

// --- CShellTree ------------------------------------------------------------------

IMPLEMENT_DYNAMIC(CShellTree, CTreeCtrl)

BEGIN_MESSAGE_MAP(CShellTree, CTreeCtrl)
ON_NOTIFY_REFLECT(TVN_ITEMEXPANDINGA, OnItemExpanding)
ON_NOTIFY_REFLECT(TVN_ITEMEXPANDINGW, OnItemExpanding)
ON_NOTIFY_REFLECT(TVN_SELCHANGEDA, OnSelChanged)
ON_NOTIFY_REFLECT(TVN_SELCHANGEDW, OnSelChanged)
ON_NOTIFY_REFLECT(TVN_DELETEITEMA, OnDeleteItem)
ON_NOTIFY_REFLECT(TVN_DELETEITEMW, OnDeleteItem)
END_MESSAGE_MAP()

namespace {

int CALLBACK CompareShellItems(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort)
{
    auto* a = reinterpret_cast<CShellTree::ItemData*>(lParam1);
    auto* b = reinterpret_cast<CShellTree::ItemData*>(lParam2);
    auto* pFolder = reinterpret_cast<IShellFolder*>(lParamSort);
    if (!a || !b || !pFolder)
        return 0;
    const HRESULT hr = pFolder->CompareIDs(0, a->pidlRelative, b->pidlRelative);
    return static_cast<short>(HRESULT_CODE(hr));
}

} // namespace

CShellTree::~CShellTree()
{
    if (m_hWnd)
        DeleteAllItems();
}

void CShellTree::SetFileFilter(BOOL bListFiles, const char* pszPattern)
{
    m_bListFiles = bListFiles;
    m_strPattern = pszPattern ? pszPattern : "*.*";
}

void CShellTree::InitImageList()
{
    m_images.DeleteImageList();
    m_iconMap.clear();
    m_nNextImage = 0;
    m_images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 0, 256);
    SetImageList(&m_images, TVSIL_NORMAL);
}

int CShellTree::MapSystemIcon(int nSystem)
{
    for (const IconMap& entry : m_iconMap)
        if (entry.nSystem == nSystem)
            return entry.nOwn;
    SHFILEINFOA info = {};
    auto hSystem = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoA("C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!hSystem || !m_images.m_hImageList)
        return 0;
    HICON hIcon = ::ImageList_GetIcon(hSystem, nSystem, ILD_NORMAL);
    if (!hIcon)
        return 0;
    const int added = ::ImageList_ReplaceIcon(m_images.m_hImageList, -1, hIcon);
    ::DestroyIcon(hIcon);
    if (added < 0)
        return 0;
    m_iconMap.push_back({m_nNextImage, nSystem});
    return m_nNextImage++;
}

void CShellTree::PopulateTree()
{
    DeleteAllItems();
    if (!m_images.m_hImageList)
        InitImageList();
    IShellFolder* pDesktop = nullptr;
    if (FAILED(::SHGetDesktopFolder(&pDesktop)))
        return;
    FillFolder(pDesktop, nullptr, TVI_ROOT);
    TVSORTCB sort = {TVI_ROOT, CompareShellItems, reinterpret_cast<LPARAM>(pDesktop)};
    SortChildrenCB(&sort);
    pDesktop->Release();
}

void CShellTree::FillFolder(IShellFolder* pFolder, LPCITEMIDLIST pidlParent, HTREEITEM hParent)
{
    IEnumIDList* pEnum = nullptr;
    const DWORD flags = SHCONTF_FOLDERS | (m_bListFiles ? SHCONTF_NONFOLDERS : 0);
    if (!pFolder || pFolder->EnumObjects(m_hWnd, flags, &pEnum) != S_OK || !pEnum)
        return;
    const CFileNameChecker filter(m_strPattern);
    LPITEMIDLIST pidl = nullptr;
    ULONG fetched = 0;
    while (pEnum->Next(1, &pidl, &fetched) == S_OK && fetched) {
        ULONG attributes = SFGAO_HASSUBFOLDER | SFGAO_FOLDER;
        LPCITEMIDLIST items[1] = {pidl};
        pFolder->GetAttributesOf(1, items, &attributes);
        char name[MAX_PATH];
        if (!GetDisplayName(pFolder, pidl, SHGDN_INFOLDER, name) ||
            (!(attributes & SFGAO_FOLDER) && !filter.MatchesFilter(name))) {
            Free(pidl);
            continue;
        }
        auto* data = new ItemData{pFolder, pidl, Concat(pidlParent, pidl)};
        pFolder->AddRef();
        TVINSERTSTRUCTA insert = {};
        insert.hParent = hParent;
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = name;
        insert.item.iImage = MapSystemIcon(GetIconIndex(data->pidlAbsolute, SHGFI_SMALLICON));
        insert.item.iSelectedImage = MapSystemIcon(GetIconIndex(data->pidlAbsolute, SHGFI_SMALLICON | SHGFI_OPENICON));
        insert.item.cChildren =
            (attributes & SFGAO_HASSUBFOLDER) || (m_bListFiles && (attributes & SFGAO_FOLDER)) ? 1 : 0;
        insert.item.lParam = reinterpret_cast<LPARAM>(data);
        if (!InsertItem(&insert)) {
            pFolder->Release();
            Free(data->pidlRelative);
            Free(data->pidlAbsolute);
            delete data;
        }
    }
    pEnum->Release();
}

void CShellTree::FillAndSort(HTREEITEM hItem)
{
    auto* data = reinterpret_cast<ItemData*>(GetItemData(hItem));
    if (!data || GetChildItem(hItem))
        return;
    IShellFolder* pFolder = nullptr;
    if (FAILED(data->pParentFolder->BindToObject(data->pidlRelative, nullptr, IID_IShellFolder,
                                                 reinterpret_cast<void**>(&pFolder))))
        return;
    FillFolder(pFolder, data->pidlAbsolute, hItem);
    TVSORTCB sort = {hItem, CompareShellItems, reinterpret_cast<LPARAM>(pFolder)};
    SortChildrenCB(&sort);
    pFolder->Release();
}

void CShellTree::OnItemExpanding(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    *pResult = 0;
    if (tv->action & TVE_EXPAND)
        FillAndSort(tv->itemNew.hItem);
}

void CShellTree::OnSelChanged(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    *pResult = 0;
    if (tv->action == TVC_BYMOUSE && tv->itemNew.hItem) {
        FillAndSort(tv->itemNew.hItem);
        SetItemState(tv->itemNew.hItem, TVIS_EXPANDEDONCE, TVIS_EXPANDEDONCE);
    }
}

void CShellTree::OnDeleteItem(NMHDR* pNMHDR, LRESULT* pResult)
{
    auto* tv = reinterpret_cast<NMTREEVIEWA*>(pNMHDR);
    *pResult = 0;
    auto* data = reinterpret_cast<ItemData*>(tv->itemOld.lParam);
    if (!data)
        return;
    Free(data->pidlRelative);
    Free(data->pidlAbsolute);
    if (data->pParentFolder)
        data->pParentFolder->Release();
    delete data;
}

CString CShellTree::GetItemPath(HTREEITEM hItem) const
{
    auto* data = hItem ? reinterpret_cast<ItemData*>(GetItemData(hItem)) : nullptr;
    if (!data)
        return CString();
    ULONG attributes = SFGAO_FILESYSTEM;
    LPCITEMIDLIST items[1] = {data->pidlRelative};
    data->pParentFolder->GetAttributesOf(1, items, &attributes);
    char path[MAX_PATH + 1] = {};
    if (!(attributes & SFGAO_FILESYSTEM) || !::SHGetPathFromIDListA(data->pidlAbsolute, path))
        return CString();
    return CString(path);
}

BOOL CShellTree::GetSelectedPath(CString& path) const
{
    path = GetItemPath(GetSelectedItem());
    return !path.IsEmpty();
}

BOOL CShellTree::IsSelectedFile() const
{
    HTREEITEM hItem = GetSelectedItem();
    auto* data = hItem ? reinterpret_cast<ItemData*>(GetItemData(hItem)) : nullptr;
    if (!data)
        return FALSE;
    ULONG attributes = SFGAO_FOLDER;
    LPCITEMIDLIST items[1] = {data->pidlRelative};
    data->pParentFolder->GetAttributesOf(1, items, &attributes);
    const CString path = GetItemPath(hItem);
    return !(attributes & SFGAO_FOLDER) && !path.IsEmpty() && PathExists(path);
}

void CShellTree::DeleteChildren(HTREEITEM hItem)
{
    HTREEITEM hChild = GetChildItem(hItem);
    while (hChild) {
        HTREEITEM hNext = GetNextSiblingItem(hChild);
        DeleteItem(hChild);
        hChild = hNext;
    }
}

void CShellTree::RefillSelectedItem()
{
    HTREEITEM hItem = GetSelectedItem();
    if (!hItem)
        return;
    DeleteChildren(hItem);
    FillAndSort(hItem);
    Expand(hItem, TVE_EXPAND);
}

BOOL CShellTree::SelectPath(LPCITEMIDLIST pidl)
{
    CStringList names;
    if (!GetLevelNames(pidl, names))
        return FALSE;
    HTREEITEM hLevel = GetRootItem();
    HTREEITEM hFound = nullptr;
    for (POSITION pos = names.GetHeadPosition(); pos;) {
        const CString name = names.GetNext(pos);
        hFound = nullptr;
        for (HTREEITEM h = hLevel; h; h = GetNextSiblingItem(h)) {
            if (GetItemText(h).CompareNoCase(name) == 0) {
                hFound = h;
                break;
            }
        }
        if (!hFound)
            return FALSE;
        FillAndSort(hFound);
        Expand(hFound, TVE_EXPAND);
        hLevel = GetChildItem(hFound);
    }
    return hFound && SelectItem(hFound);
}

BOOL CShellTree::ShowContextMenu(IShellFolder* pFolder, LPCITEMIDLIST pidl, POINT point)
{
    IContextMenu* pMenu = nullptr;
    LPCITEMIDLIST items[1] = {pidl};
    HRESULT hr =
        pFolder ? pFolder->GetUIObjectOf(m_hWnd, 1, items, IID_IContextMenu, nullptr, reinterpret_cast<void**>(&pMenu))
                : E_POINTER;
    if (FAILED(hr) || !pMenu) {
        CString text;
        text.Format("GetUIObjectOf failed! hr=%lx", static_cast<unsigned long>(hr));
        AfxMessageBox(text);
        return FALSE;
    }
    HMENU hPopup = ::CreatePopupMenu();
    if (!hPopup) {
        pMenu->Release();
        return FALSE;
    }
    if (SUCCEEDED(pMenu->QueryContextMenu(hPopup, 0, 1, 0x7FFF, CMF_EXPLORE))) {
        const UINT command =
            ::TrackPopupMenu(hPopup, TPM_RETURNCMD | TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
        if (command) {
            CMINVOKECOMMANDINFO info = {};
            info.cbSize = sizeof(info);
            info.hwnd = m_hWnd;
            info.lpVerb = MAKEINTRESOURCEA(command - 1);
            info.nShow = SW_SHOWNORMAL;
            hr = pMenu->InvokeCommand(&info);
            if (FAILED(hr)) {
                CString text;
                text.Format("InvokeCommand failed. hr=%lx", static_cast<unsigned long>(hr));
                AfxMessageBox(text);
            }
        }
    }
    ::DestroyMenu(hPopup);
    pMenu->Release();
    return TRUE;
}

// --- CVQShellTree ----------------------------------------------------------------

IMPLEMENT_DYNAMIC(CVQShellTree, CShellTree)

void CVQShellTree::InitImageList()
{
    CShellTree::InitImageList();
    const COLORREF background = ::GetSysColor(COLOR_WINDOW);
    m_images.SetBkColor(background);
    const UINT ids[2] = {IDI_PROJECT_FOLDER, IDI_PROJECT_FOLDER_OPEN};
    for (UINT id : ids) {
        auto hIcon = static_cast<HICON>(
            ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, 16, 16, LR_SHARED));
        if (!hIcon)
            hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
        m_images.Add(hIcon);
        ++m_nNextImage;
    }
    m_images.SetBkColor(background);
}

BOOL CVQShellTree::MarkProjectFolder(HTREEITEM hItem)
{
    CString path = GetItemPath(hItem);
    if (path.IsEmpty())
        return FALSE;
    if (path.Right(1) == "\\")
        path.Truncate(path.GetLength() - 1);
    const CString name = path.Mid(path.ReverseFind('\\') + 1);
    if (name.IsEmpty() || !PathExists(path + "\\" + name + ".prj"))
        return FALSE;
    return SetItemImage(hItem, 0, 1);
}

BOOL CVQShellTree::MarkSelectedProjectFolder()
{
    HTREEITEM hItem = GetSelectedItem();
    return hItem ? MarkProjectFolder(hItem) : FALSE;
}

BOOL CVQShellTree::ReselectSelected()
{
    HTREEITEM hItem = GetSelectedItem();
    return hItem ? Select(hItem, TVGN_CARET) : FALSE;
}

// --- CStringTree -----------------------------------------------------------------

void CStringTree::SetItemText(const char* text, NODE node)
{
    if (node)
        node->m_strText = text;
}

CStringTree::NODE CStringTree::InsertItem(const char* text, NODE parent, HTREEITEM where)
{
    NODE node = new CStringTreeItemData;
    node->m_strText = text;
    node->m_pParent = parent;
    NODE& first = parent ? parent->m_pFirstChild : m_pRoot;
    // The new node goes between prev and next. Sorted, it goes in front of
    // the first sibling whose text sorts after it (equal texts keep their
    // order of insertion); nodes never change texts, so every node handed
    // out keeps naming the same item.
    NODE prev = nullptr;
    NODE next = first;
    if (where != TVI_FIRST) {
        while (next && !(where == TVI_SORT && next->m_strText.CompareNoCase(node->m_strText) > 0)) {
            prev = next;
            next = next->m_pNext;
        }
    }
    node->m_pPrev = prev;
    node->m_pNext = next;
    if (prev)
        prev->m_pNext = node;
    else
        first = node;
    if (next)
        next->m_pPrev = node;
    return node;
}

void CStringTree::DeleteItem(NODE node)
{
    if (!node)
        return;
    while (node->m_pFirstChild)
        DeleteItem(node->m_pFirstChild);
    if (node->m_pPrev)
        node->m_pPrev->m_pNext = node->m_pNext;
    if (node->m_pNext)
        node->m_pNext->m_pPrev = node->m_pPrev;
    if (node->m_pParent && node->m_pParent->m_pFirstChild == node)
        node->m_pParent->m_pFirstChild = node->m_pNext;
    if (m_pRoot == node)
        m_pRoot = node->m_pNext;
    delete node;
}

void CStringTree::DeleteAllItems()
{
    while (m_pRoot)
        DeleteItem(m_pRoot);
}
