#include "framework/menu.h"

#include "framework/resources.h"
#include "framework/wnd.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {

using MenuPermanentMap = afx_internal::CPermanentHandleMap<CMenu, HMENU>;
thread_local afx_internal::CThreadTemp<afx_internal::CTempHandleMap<CMenu, HMENU>> t_menuTemp;
// The popup this thread is showing through CMenu::TrackPopupMenu(Ex).
thread_local HMENU t_hTrackingMenu = nullptr;

// Makes hMenu the tracked popup for the life of the object.
class CTrackingScope {
public:
    explicit CTrackingScope(HMENU hMenu) : m_hOuter(t_hTrackingMenu) { t_hTrackingMenu = hMenu; }
    ~CTrackingScope() { t_hTrackingMenu = m_hOuter; }
    CTrackingScope(const CTrackingScope&) = delete;
    CTrackingScope& operator=(const CTrackingScope&) = delete;

private:
    HMENU m_hOuter;
};

// The innermost menu object in hMenu's tree that holds command nID: the
// popup's own object before that of the menu bar around it.
CMenu* FindHolder(HMENU hMenu, UINT nID, int depth = 0)
{
    if (!hMenu || depth > 16 || ::GetMenuState(hMenu, nID, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return nullptr;
    const int count = ::GetMenuItemCount(hMenu);
    for (int i = 0; i < count; ++i) {
        if (CMenu* pMenu = FindHolder(::GetSubMenu(hMenu, i), nID, depth + 1))
            return pMenu;
    }
    return MenuPermanentMap::Instance().Lookup(hMenu);
}

LPCTSTR BitmapItem(const CBitmap* pBmp)
{
    return reinterpret_cast<LPCTSTR>(pBmp ? pBmp->m_hObject : nullptr);
}

HBITMAP BitmapHandle(const CBitmap* pBmp)
{
    return pBmp ? static_cast<HBITMAP>(pBmp->m_hObject) : nullptr;
}

} // namespace

CMenu::~CMenu()
{
    DestroyMenu();
}

CMenu* CMenu::FromHandle(HMENU hMenu)
{
    if (!hMenu)
        return nullptr;
    if (CMenu* pMenu = MenuPermanentMap::Instance().Lookup(hMenu))
        return pMenu;
    if (CMenu* pMenu = t_menuTemp.Get().Find(hMenu))
        return pMenu;
    auto wrapper = std::make_unique<CMenu>();
    wrapper->m_hMenu = hMenu;
    return t_menuTemp.Get().Put(hMenu, std::move(wrapper));
}

void CMenu::DeleteTempMap()
{
    t_menuTemp.Delete();
}

BOOL CMenu::Attach(HMENU hMenu)
{
    if (!hMenu || m_hMenu)
        return FALSE;
    m_hMenu = hMenu;
    MenuPermanentMap::Instance().Set(hMenu, this);
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU hMenu = m_hMenu;
    if (hMenu)
        MenuPermanentMap::Instance().Remove(hMenu, this);
    m_hMenu = nullptr;
    return hMenu;
}

BOOL CMenu::CreateMenu()
{
    return Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu()
{
    return Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(LPCTSTR lpszResourceName)
{
    const HINSTANCE hInst = AfxFindResourceHandle(lpszResourceName, MAKEINTRESOURCEA(4) /* RT_MENU */);
    return Attach(::LoadMenuA(hInst, lpszResourceName));
}

BOOL CMenu::LoadMenuIndirect(const void* lpMenuTemplate)
{
    return Attach(::LoadMenuIndirectA(lpMenuTemplate));
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    return ::DestroyMenu(Detach());
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::AppendMenuA(m_hMenu, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const CBitmap* pBmp)
{
    return ::AppendMenuA(m_hMenu, nFlags | MF_BITMAP, nIDNewItem, BitmapItem(pBmp));
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::InsertMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::InsertMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, const CBitmap* pBmp)
{
    return ::InsertMenuA(m_hMenu, nPosition, nFlags | MF_BITMAP, nIDNewItem, BitmapItem(pBmp));
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, LPCTSTR lpszNewItem)
{
    return ::ModifyMenuA(m_hMenu, nPosition, nFlags, nIDNewItem, lpszNewItem);
}

BOOL CMenu::ModifyMenu(UINT nPosition, UINT nFlags, UINT_PTR nIDNewItem, const CBitmap* pBmp)
{
    return ::ModifyMenuA(m_hMenu, nPosition, nFlags | MF_BITMAP, nIDNewItem, BitmapItem(pBmp));
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable)
{
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, nIDEnableItem, nEnable));
}

UINT CMenu::CheckMenuItem(UINT nIDCheckItem, UINT nCheck)
{
    return ::CheckMenuItem(m_hMenu, nIDCheckItem, nCheck);
}

BOOL CMenu::CheckMenuRadioItem(UINT nIDFirst, UINT nIDLast, UINT nIDItem, UINT nFlags)
{
    return ::CheckMenuRadioItem(m_hMenu, nIDFirst, nIDLast, nIDItem, nFlags);
}

UINT CMenu::GetDefaultItem(UINT gmdiFlags, BOOL fByPos) const
{
    return ::GetMenuDefaultItem(m_hMenu, fByPos, gmdiFlags);
}

BOOL CMenu::SetMenuItemBitmaps(UINT nPosition, UINT nFlags, const CBitmap* pBmpUnchecked, const CBitmap* pBmpChecked)
{
    return ::SetMenuItemBitmaps(m_hMenu, nPosition, nFlags, BitmapHandle(pBmpUnchecked), BitmapHandle(pBmpChecked));
}

int CMenu::GetMenuString(UINT nIDItem, LPTSTR lpString, int nMaxCount, UINT nFlags) const
{
    return ::GetMenuStringA(m_hMenu, nIDItem, lpString, nMaxCount, nFlags);
}

int CMenu::GetMenuString(UINT nIDItem, CString& rString, UINT nFlags) const
{
    const int length = ::GetMenuStringA(m_hMenu, nIDItem, nullptr, 0, nFlags);
    if (length <= 0) {
        rString.Empty();
        return 0;
    }
    char* buffer = rString.GetBufferSetLength(length + 1);
    const int got = ::GetMenuStringA(m_hMenu, nIDItem, buffer, length + 1, nFlags);
    rString.ReleaseBuffer(got > 0 ? got : 0);
    return rString.GetLength();
}

CMenu* CMenu::GetSubMenu(int nPos) const
{
    return FromHandle(::GetSubMenu(m_hMenu, nPos));
}

BOOL CMenu::GetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos) const
{
    lpMenuItemInfo->cbSize = sizeof(MENUITEMINFOA);
    return ::GetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo);
}

BOOL CMenu::SetMenuItemInfo(UINT uItem, LPMENUITEMINFO lpMenuItemInfo, BOOL fByPos)
{
    lpMenuItemInfo->cbSize = sizeof(MENUITEMINFOA);
    return ::SetMenuItemInfoA(m_hMenu, uItem, fByPos, lpMenuItemInfo);
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, LPCRECT lpRect)
{
    CTrackingScope tracking(m_hMenu);
    return ::TrackPopupMenu(m_hMenu, nFlags, x, y, 0, pWnd ? pWnd->m_hWnd : nullptr, lpRect);
}

BOOL CMenu::TrackPopupMenuEx(UINT fuFlags, int x, int y, CWnd* pWnd, LPTPMPARAMS lptpm)
{
    CTrackingScope tracking(m_hMenu);
    return ::TrackPopupMenuEx(m_hMenu, fuFlags, x, y, pWnd ? pWnd->m_hWnd : nullptr, lptpm);
}

void CMenu::MeasureItem(LPMEASUREITEMSTRUCT) {}

void CMenu::DrawItem(LPDRAWITEMSTRUCT) {}

CMenu* CMenu::FindOwnerDrawMenu(HWND hWnd, UINT nID, HMENU hMenuHint)
{
    if (CMenu* pMenu = FindHolder(t_hTrackingMenu, nID))
        return pMenu;
    if (CMenu* pMenu = FindHolder(hWnd ? ::GetMenu(hWnd) : nullptr, nID))
        return pMenu;
    return FindHolder(hMenuHint, nID);
}
