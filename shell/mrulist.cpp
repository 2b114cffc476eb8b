#include "shell/mrulist.h"

#include "foundation/registry.h"
#include "framework/wnd.h"

CMRUList::CMRUList(CWnd* pOwner, UINT nFirstID, HKEY hRoot, LPCSTR lpszKeyPath)
    : m_nFirstID(nFirstID), m_hRoot(hRoot), m_strKeyPath(lpszKeyPath), m_pOwner(pOwner)
{
}

void CMRUList::SetValueNameFormat(LPCSTR lpszFormat)
{
    if (lpszFormat)
        m_strValueFormat = lpszFormat;
}

void CMRUList::SetMenuName(LPCSTR lpszName)
{
    if (lpszName)
        m_strMenuName = lpszName;
}

void CMRUList::SetSubMenuName(LPCSTR lpszName)
{
    if (lpszName)
        m_strSubMenuName = lpszName;
}

void CMRUList::Add(LPCSTR lpszPath)
{
    if (!lpszPath)
        return;
    if (POSITION pos = m_entries.Find(lpszPath)) {
        m_entries.RemoveAt(pos);
        m_entries.AddHead(lpszPath);
        return;
    }
    m_entries.AddHead(lpszPath);
    while (m_entries.GetCount() > m_nMaxEntries)
        m_entries.RemoveTail();
}

CString CMRUList::ValueName(int nIndex) const
{
    CString name;
    name.Format(m_strValueFormat, nIndex);
    return name;
}

BOOL CMRUList::Load()
{
    m_entries.RemoveAll();
    CRegistry key;
    if (!key.Open(m_hRoot, m_strKeyPath))
        return FALSE;
    for (int i = 0; i < m_nMaxEntries; ++i) {
        CString path;
        if (!key.GetString(ValueName(i), path))
            return FALSE;
        if (path.IsEmpty())
            return TRUE;
        m_entries.AddTail(path);
    }
    return TRUE;
}

void CMRUList::Save() const
{
    CRegistry key;
    if (!key.CreateAndOpen(m_hRoot, m_strKeyPath))
        return;
    for (int i = 0; i < m_nMaxEntries; ++i) {
        const CString name = ValueName(i);
        if (i < m_entries.GetCount())
            key.SetString(name, GetEntry(i));
        else if (key.ValueExists(name))
            key.DeleteValue(name);
    }
}

CString CMRUList::GetEntry(int nIndex) const
{
    if (nIndex < 0 || nIndex >= m_entries.GetCount())
        return CString();
    return m_entries.GetAt(m_entries.FindIndex(nIndex));
}

namespace {

CString MenuItemText(HMENU hMenu, int nPos)
{
    char text[256] = {};
    GetMenuStringA(hMenu, static_cast<UINT>(nPos), text, sizeof text, MF_BYPOSITION);
    return CString(text);
}

// The popup of the item of hMenu whose text matches (any case), with its
// position; null when there is none.
HMENU FindPopupByText(HMENU hMenu, const CString& text, int* pPos = nullptr)
{
    const int count = hMenu ? GetMenuItemCount(hMenu) : 0;
    for (int i = 0; i < count; ++i) {
        HMENU hSub = GetSubMenu(hMenu, i);
        if (hSub && MenuItemText(hMenu, i).CompareNoCase(text) == 0) {
            if (pPos)
                *pPos = i;
            return hSub;
        }
    }
    return nullptr;
}

} // namespace

BOOL CMRUList::FindSubMenuItem(HMENU& hParent, int& nPos) const
{
    if (!m_pOwner || !::IsWindow(m_pOwner->GetSafeHwnd()))
        return FALSE;
    hParent = FindPopupByText(::GetMenu(m_pOwner->GetSafeHwnd()), m_strMenuName);
    return hParent && FindPopupByText(hParent, m_strSubMenuName, &nPos);
}

void CMRUList::UpdateMenu() const
{
    HMENU hParent = nullptr;
    int nPos = 0;
    if (!FindSubMenuItem(hParent, nPos))
        return;
    HMENU hSub = GetSubMenu(hParent, nPos);
    while (GetMenuItemCount(hSub) > 0)
        DeleteMenu(hSub, 0, MF_BYPOSITION);
    for (int i = 0; i < m_entries.GetCount(); ++i) {
        const CString entry = GetEntry(i);
        if (!entry.IsEmpty())
            AppendMenuA(hSub, MF_STRING, m_nFirstID + static_cast<UINT>(i), entry);
    }
}

void CMRUList::EnableMenu(BOOL bEnable) const
{
    HMENU hParent = nullptr;
    int nPos = 0;
    if (FindSubMenuItem(hParent, nPos))
        EnableMenuItem(hParent, static_cast<UINT>(nPos), MF_BYPOSITION | (bEnable ? MF_ENABLED : MF_GRAYED));
}
