#include "framework/wnd.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "framework/exceptions.h"
#include "framework/gdi.h"
#include "framework/menu.h"
#include "framework/resources.h"
#include "framework/thread.h"

IMPLEMENT_DYNCREATE(CWnd, CCmdTarget)

namespace {

// The property that ties a window to its object; works across threads.
const char kWndProp[] = "VexoFrameworkWnd";

// The object waiting to be attached to the window being created on this
// thread, and the creation hook that attaches it.
thread_local CWnd* t_pWndInit = nullptr;
thread_local HHOOK t_hCbtHook = nullptr;
thread_local DWORD t_lastCreateError = 0;
thread_local bool t_lastCreateDestroyed = false;
// The creations in progress on this thread, innermost first.
thread_local CWnd::CCreation* t_pCreation = nullptr;

// The message being handled on this thread (for Default()).
thread_local MSG t_lastMsg = {};

// Temporary wrappers of windows without an object, per thread.
struct TempMap {
    std::map<HWND, std::unique_ptr<CWnd>> wrappers;
};
thread_local afx_internal::CThreadTemp<TempMap> t_tempMap;

} // namespace

CWnd::~CWnd()
{
    // No thread may keep this object as its main window, nor read its
    // handle through that while it goes.
    CMainWndPtr::Forget(this);
    if (m_hWnd && !m_bTemporary && FromHandlePermanent(m_hWnd) == this) {
        // Destroying the object of a live window: detach first so the
        // window procedure never reaches a deleted object.
        if (m_pfnSuper)
            UnsubclassWindow();
        else
            Detach();
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd)
{
    return hWnd ? static_cast<CWnd*>(GetPropA(hWnd, kWndProp)) : nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd)
{
    if (!hWnd)
        return nullptr;
    if (CWnd* pWnd = FromHandlePermanent(hWnd))
        return pWnd;
    auto& slot = t_tempMap.Get().wrappers[hWnd];
    if (!slot) {
        slot = std::make_unique<CWnd>(hWnd);
        slot->m_bTemporary = TRUE;
    }
    return slot.get();
}

void CWnd::DeleteTempMap()
{
    t_tempMap.Delete();
}

BOOL CWnd::Attach(HWND hWnd)
{
    if (!hWnd || m_hWnd || FromHandlePermanent(hWnd))
        return FALSE;
    if (!SetPropA(hWnd, kWndProp, this))
        return FALSE;
    m_hWnd = hWnd;
    t_tempMap.Get().wrappers.erase(hWnd);
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND hWnd = m_hWnd;
    if (hWnd && FromHandlePermanent(hWnd) == this)
        RemovePropA(hWnd, kWndProp);
    m_hWnd = nullptr;
    return hWnd;
}

void CWnd::AttachSubclassed(HWND hWnd)
{
    Attach(hWnd);
    WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(hWnd, GWLP_WNDPROC));
    if (old != AfxWndProc) {
        m_pfnSuper = old;
        SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc));
    }
}

namespace {

// The object's first look at a window being created for it, inside the
// exception wall: FALSE (and the object let go of the window) when it threw.
BOOL FirstLook(CWnd* pWnd)
{
    if (AfxCallWalled("framework: exception in PreSubclassWindow", [&] { pWnd->PreSubclassWindow(); }))
        return TRUE;
    pWnd->UnsubclassWindow();
    return FALSE;
}

} // namespace

LRESULT CALLBACK AfxCbtFilterHook(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND && t_pWndInit) {
        CWnd* pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->AttachSubclassed(reinterpret_cast<HWND>(wParam));
        // A window created for an object gets the same first look as one
        // subclassed later: classes read their style here. A first look
        // that fails refuses the creation.
        if (!FirstLook(pWnd))
            return 1;
    }
    return CallNextHookEx(t_hCbtHook, code, wParam, lParam);
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!cs.lpszClass)
        cs.lpszClass =
            AfxRegisterWndClass(CS_DBLCLKS, LoadCursor(nullptr, IDC_ARROW), reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
    return TRUE;
}

void CWnd::PrepareCreate(CCreation& creation)
{
    if (!t_hCbtHook)
        t_hCbtHook = SetWindowsHookExA(WH_CBT, AfxCbtFilterHook, nullptr, GetCurrentThreadId());
    creation.pWnd = this;
    creation.destroyed = false;
    creation.pOuter = t_pCreation;
    t_pCreation = &creation;
    t_pWndInit = this;
}

BOOL CWnd::EndCreate(CCreation& creation, HWND hWndCreated)
{
    const DWORD error = GetLastError();
    t_pWndInit = nullptr;
    t_pCreation = creation.pOuter;
    t_lastCreateDestroyed = creation.destroyed;
    if (creation.destroyed) {
        t_lastCreateError = hWndCreated ? 0 : error;
        return FALSE;
    }
    t_lastCreateError = (hWndCreated || m_hWnd) ? 0 : error;
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    ForgetLastCreate();
    if (m_hWnd)
        return FALSE;
    CREATESTRUCT cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs))
        return FALSE;

    CCreation creation;
    PrepareCreate(creation);
    HWND hWnd = CreateWindowExA(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    if (!EndCreate(creation, hWnd))
        return FALSE; // destroyed during creation: the object may be gone
    if (!hWnd) {
        // The window may have been attached and destroyed during creation.
        if (m_hWnd)
            Detach();
        return FALSE;
    }
    return TRUE;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::Create(LPCTSTR lpszClassName, LPCTSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, LPVOID lpParam)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, lpParam);
}

void CWnd::ForgetLastCreate()
{
    t_lastCreateDestroyed = false;
}

bool CWnd::LastCreateDestroyed()
{
    return t_lastCreateDestroyed;
}

CString CWnd::GetLastCreateError()
{
    if (!t_lastCreateError)
        return CString();
    char* text = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                   t_lastCreateError, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    CString result;
    if (text) {
        result = text;
        LocalFree(text);
        result.TrimRight();
    } else {
        result.Format("error %lu", t_lastCreateError);
    }
    return result;
}

BOOL CWnd::DestroyWindow()
{
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

BOOL CWnd::SubclassWindow(HWND hWnd)
{
    if (!Attach(hWnd))
        return FALSE;
    try {
        PreSubclassWindow();
    } catch (...) {
        // The object does not take over a window it could not look at.
        Detach();
        throw;
    }
    WNDPROC old =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(AfxWndProc)));
    if (old != AfxWndProc)
        m_pfnSuper = old;
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent)
{
    HWND hWndControl = pParent ? ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID)) : nullptr;
    return hWndControl && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow()
{
    if (m_pfnSuper && m_hWnd)
        SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    return Detach();
}

void CWnd::PreSubclassWindow() {}

void CWnd::PostNcDestroy() {}

const MSG* CWnd::GetCurrentMessage()
{
    return &t_lastMsg;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper)
        return CallWindowProcA(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    return DefWindowProc(t_lastMsg.message, t_lastMsg.wParam, t_lastMsg.lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result))
        result = DefWindowProc(message, wParam, lParam);
    return result;
}

BOOL CWnd::DispatchMapEntry(UINT message, UINT nCode, UINT nID, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(message, nCode, nID);
    if (!e)
        return FALSE;
    *pResult = e->pfn(this, t_lastMsg.message == 0 ? message : t_lastMsg.message, wParam, lParam);
    return TRUE;
}

namespace {

bool IsCtlColor(UINT message)
{
    return message >= WM_CTLCOLORMSGBOX && message <= WM_CTLCOLORSTATIC;
}

// The control a notification of this message comes from, if any.
HWND NotifyingControl(HWND hWndParent, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;
    case WM_MEASUREITEM:
        return wParam ? ::GetDlgItem(hWndParent, static_cast<int>(wParam)) : nullptr;
    case WM_COMPAREITEM:
        return reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
    case WM_DELETEITEM:
        return reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return reinterpret_cast<HWND>(lParam);
    default:
        return IsCtlColor(message) ? reinterpret_cast<HWND>(lParam) : nullptr;
    }
}

} // namespace

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    // Notifications go to the control's own object first.
    if (HWND hWndCtl = NotifyingControl(m_hWnd, message, wParam, lParam)) {
        CWnd* pChild = FromHandlePermanent(hWndCtl);
        if (pChild && pChild != this && pChild->OnChildNotify(message, wParam, lParam, pResult))
            return TRUE;
    }

    // Owner-drawn menu items go to the menu object that holds them.
    if ((message == WM_MEASUREITEM || message == WM_DRAWITEM) && wParam == 0 && lParam) {
        if (message == WM_MEASUREITEM) {
            auto* pMIS = reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam);
            if (pMIS->CtlType == ODT_MENU) {
                if (CMenu* pMenu = CMenu::FindOwnerDrawMenu(m_hWnd, pMIS->itemID)) {
                    pMenu->MeasureItem(pMIS);
                    *pResult = TRUE;
                    return TRUE;
                }
            }
        } else {
            auto* pDIS = reinterpret_cast<LPDRAWITEMSTRUCT>(lParam);
            if (pDIS->CtlType == ODT_MENU) {
                if (CMenu* pMenu =
                        CMenu::FindOwnerDrawMenu(m_hWnd, pDIS->itemID, reinterpret_cast<HMENU>(pDIS->hwndItem))) {
                    pMenu->DrawItem(pDIS);
                    *pResult = TRUE;
                    return TRUE;
                }
            }
        }
    }

    switch (message) {
    case WM_COMMAND:
        if (OnCommand(wParam, lParam)) {
            *pResult = 0;
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY:
        return OnNotify(wParam, lParam, pResult);
    default:
        break;
    }

    const UINT lookup = IsCtlColor(message) ? WM_CTLCOLOR : message;
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(lookup, 0, 0);
    if (!e)
        return FALSE;
    *pResult = e->pfn(this, message, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    const UINT nID = LOWORD(wParam);
    int nCode = HIWORD(wParam);
    // Menu commands (code 0) and accelerators (code 1) are both commands.
    if (lParam == 0 && nCode == 1)
        nCode = CN_COMMAND;
    return OnCmdMsg(nID, nCode, nullptr);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* pNMHDR = reinterpret_cast<const NMHDR*>(lParam);
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_NOTIFY, pNMHDR->code, static_cast<UINT>(pNMHDR->idFrom));
    if (!e)
        return FALSE;
    *pResult = e->pfn(this, WM_NOTIFY, wParam, lParam);
    return TRUE;
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    return ReflectChildNotify(message, wParam, lParam, pResult);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    switch (message) {
    case WM_COMMAND:
        return DispatchMapEntry(WM_REFLECT_BASE + WM_COMMAND, HIWORD(wParam), 0, wParam, lParam, pResult);
    case WM_NOTIFY:
        return DispatchMapEntry(WM_REFLECT_BASE + WM_NOTIFY, reinterpret_cast<const NMHDR*>(lParam)->code, 0, wParam,
                                lParam, pResult);
    default:
        break;
    }
    const UINT lookup = IsCtlColor(message) ? WM_CTLCOLOR : message;
    const AFX_MSGMAP_ENTRY* e = FindMessageEntry(WM_REFLECT_BASE + lookup, 0, 0);
    if (!e)
        return FALSE;
    *pResult = e->pfn(this, WM_REFLECT_BASE + message, wParam, lParam);
    return TRUE;
}

BOOL CWnd::PreTranslateMessage(MSG*)
{
    return FALSE;
}

BOOL CWnd::WalkPreTranslateTree(HWND hWndStop, MSG* pMsg)
{
    for (HWND hWnd = pMsg->hwnd; hWnd && hWnd != hWndStop; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = FromHandlePermanent(hWnd);
        if (pWnd && pWnd->PreTranslateMessage(pMsg))
            return TRUE;
    }
    return FALSE;
}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (!pWnd && t_pWndInit && message == WM_NCCREATE) {
        pWnd = t_pWndInit;
        t_pWndInit = nullptr;
        pWnd->AttachSubclassed(hWnd);
        if (!FirstLook(pWnd))
            return FALSE; // the creation fails
    }
    if (!pWnd)
        return DefWindowProcA(hWnd, message, wParam, lParam);

    const MSG saved = t_lastMsg;
    t_lastMsg = MSG{hWnd, message, wParam, lParam, 0, {0, 0}};
    LRESULT result = 0;
    if (!AfxCallWalled("framework: exception in a window procedure",
                       [&] { result = pWnd->WindowProc(message, wParam, lParam); })) {
        // A creation whose handler threw fails: WM_NCCREATE answers FALSE,
        // WM_CREATE -1. Any other message gets 0.
        result = message == WM_CREATE ? -1 : 0;
    }

    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(hWnd) == pWnd) {
        for (CWnd::CCreation* c = t_pCreation; c; c = c->pOuter) {
            if (c->pWnd == pWnd)
                c->destroyed = true;
        }
        // The window is gone: the thread's main window ends its loop, the
        // object lets go of the handle and may delete itself.
        if (CWinThread* pThread = AfxGetThread(); pThread && pThread->m_pMainWnd == pWnd) {
            pThread->m_pMainWnd = nullptr;
            PostQuitMessage(0);
        }
        pWnd->UnsubclassWindow();
        pWnd->PostNcDestroy();
    }
    t_lastMsg = saved;
    return result;
}

LPCTSTR AfxRegisterWndClass(UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground, HICON hIcon)
{
    static std::mutex lock;
    static std::map<std::string, std::unique_ptr<std::string>> names;
    char name[96];
    wsprintfA(name, "Vexo:%p:%x:%p:%p:%p", static_cast<void*>(AfxGetInstanceHandle()), nClassStyle,
              static_cast<void*>(hCursor), static_cast<void*>(hbrBackground), static_cast<void*>(hIcon));
    std::lock_guard<std::mutex> guard(lock);
    auto& slot = names[name];
    if (!slot) {
        WNDCLASSA wc = {};
        wc.style = nClassStyle;
        wc.lpfnWndProc = AfxWndProc;
        wc.hInstance = AfxGetInstanceHandle();
        wc.hCursor = hCursor;
        wc.hbrBackground = hbrBackground;
        wc.hIcon = hIcon;
        wc.lpszClassName = name;
        if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
        slot = std::make_unique<std::string>(name);
    }
    return slot->c_str();
}

// --- wrappers ----------------------------------------------------------------

void CWnd::SetWindowText(LPCTSTR lpszString)
{
    ::SetWindowTextA(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPTSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextA(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int length = ::GetWindowTextLengthA(m_hWnd);
    char* buffer = rString.GetBufferSetLength(length + 1);
    const int got = ::GetWindowTextA(m_hWnd, buffer, length + 1);
    rString.ReleaseBuffer(got > 0 ? got : 0);
}

CString CWnd::GetWindowTextString() const
{
    CString s;
    GetWindowText(s);
    return s;
}

int CWnd::GetWindowTextLength() const
{
    return ::GetWindowTextLengthA(m_hWnd);
}

void CWnd::SetFont(HFONT hFont, BOOL bRedraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(hFont), bRedraw);
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
}

CWnd* CWnd::GetDlgItem(int nID) const
{
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

int CWnd::SetDlgCtrlID(int nID)
{
    return static_cast<int>(::SetWindowLongPtrA(m_hWnd, GWLP_ID, nID));
}

void CWnd::SetDlgItemText(int nID, LPCTSTR lpszString)
{
    ::SetDlgItemTextA(m_hWnd, nID, lpszString);
}

int CWnd::GetDlgItemText(int nID, CString& rString) const
{
    rString.Empty();
    if (HWND hWnd = ::GetDlgItem(m_hWnd, nID))
        FromHandle(hWnd)->GetWindowText(rString);
    return rString.GetLength();
}

void CWnd::SetDlgItemInt(int nID, UINT nValue, BOOL bSigned)
{
    ::SetDlgItemInt(m_hWnd, nID, nValue, bSigned);
}

UINT CWnd::GetDlgItemInt(int nID, BOOL* lpTrans, BOOL bSigned) const
{
    return ::GetDlgItemInt(m_hWnd, nID, lpTrans, bSigned);
}

void CWnd::CheckDlgButton(int nIDButton, UINT nCheck)
{
    ::CheckDlgButton(m_hWnd, nIDButton, nCheck);
}

UINT CWnd::IsDlgButtonChecked(int nIDButton) const
{
    return ::IsDlgButtonChecked(m_hWnd, nIDButton);
}

void CWnd::CheckRadioButton(int nIDFirst, int nIDLast, int nIDCheck)
{
    ::CheckRadioButton(m_hWnd, nIDFirst, nIDLast, nIDCheck);
}

LRESULT CWnd::SendDlgItemMessage(int nID, UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendDlgItemMessageA(m_hWnd, nID, message, wParam, lParam);
}

CWnd* CWnd::GetParent() const
{
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetOwner() const
{
    return FromHandle(::GetWindow(m_hWnd, GW_OWNER));
}

CWnd* CWnd::GetTopLevelParent() const
{
    return FromHandle(::GetAncestor(m_hWnd, GA_ROOT));
}

CWnd* CWnd::GetWindow(UINT nCmd) const
{
    return FromHandle(::GetWindow(m_hWnd, nCmd));
}

CWnd* CWnd::SetParent(CWnd* pWndNewParent)
{
    return FromHandle(::SetParent(m_hWnd, pWndNewParent ? pWndNewParent->m_hWnd : nullptr));
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, message, wParam, lParam);
}

void CWnd::SendMessageToDescendants(UINT message, WPARAM wParam, LPARAM lParam, BOOL bDeep)
{
    for (HWND hChild = ::GetTopWindow(m_hWnd); hChild; hChild = ::GetNextWindow(hChild, GW_HWNDNEXT)) {
        ::SendMessageA(hChild, message, wParam, lParam);
        if (bDeep && ::GetTopWindow(hChild))
            FromHandle(hChild)->SendMessageToDescendants(message, wParam, lParam, TRUE);
    }
}

BOOL CWnd::ShowWindow(int nCmdShow)
{
    return ::ShowWindow(m_hWnd, nCmdShow);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    HWND hWndCenter = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
    if (!hWndCenter && (GetStyle() & WS_CHILD))
        hWndCenter = ::GetParent(m_hWnd);
    CRect rcCenter;
    if (hWndCenter && ::IsWindowVisible(hWndCenter) && !::IsIconic(hWndCenter))
        ::GetWindowRect(hWndCenter, &rcCenter);
    else
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcCenter, 0);
    CRect rc;
    GetWindowRect(&rc);
    int x = (rcCenter.left + rcCenter.right) / 2 - rc.Width() / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - rc.Height() / 2;
    if (GetStyle() & WS_CHILD) {
        POINT p = {x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    SetWindowPos(nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::GetWindowPlacement(WINDOWPLACEMENT* lpwndpl) const
{
    lpwndpl->length = sizeof(WINDOWPLACEMENT);
    return ::GetWindowPlacement(m_hWnd, lpwndpl);
}

BOOL CWnd::SetWindowPlacement(const WINDOWPLACEMENT* lpwndpl)
{
    WINDOWPLACEMENT wp = *lpwndpl;
    wp.length = sizeof(WINDOWPLACEMENT);
    return ::SetWindowPlacement(m_hWnd, &wp);
}

namespace {

BOOL ModifyLong(HWND hWnd, int index, DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hWnd, index));
    const DWORD newStyle = (style & ~dwRemove) | dwAdd;
    if (style == newStyle)
        return FALSE;
    ::SetWindowLongPtrA(hWnd, index, static_cast<LONG_PTR>(newStyle));
    if (nFlags)
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | nFlags);
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return ModifyLong(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

CWnd* CWnd::FindWindow(LPCTSTR lpszClassName, LPCTSTR lpszWindowName)
{
    return FromHandle(::FindWindowA(lpszClassName, lpszWindowName));
}

BOOL CWnd::RedrawWindow(LPCRECT lpRectUpdate, HRGN hrgnUpdate, UINT flags)
{
    return ::RedrawWindow(m_hWnd, lpRectUpdate, hrgnUpdate, flags);
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer)
{
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent)
{
    return ::KillTimer(m_hWnd, nIDEvent);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

void CWnd::SetScrollRange(int nBar, int nMin, int nMax, BOOL bRedraw)
{
    ::SetScrollRange(m_hWnd, nBar, nMin, nMax, bRedraw);
}

BOOL CWnd::SetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, BOOL bRedraw)
{
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    ::SetScrollInfo(m_hWnd, nBar, lpScrollInfo, bRedraw);
    return TRUE;
}

BOOL CWnd::GetScrollInfo(int nBar, LPSCROLLINFO lpScrollInfo, UINT nMask) const
{
    lpScrollInfo->cbSize = sizeof(SCROLLINFO);
    lpScrollInfo->fMask = nMask;
    return ::GetScrollInfo(m_hWnd, nBar, lpScrollInfo);
}

void CWnd::DragAcceptFiles(BOOL bAccept)
{
    ModifyStyleEx(bAccept ? 0 : WS_EX_ACCEPTFILES, bAccept ? WS_EX_ACCEPTFILES : 0);
}

// --- default handlers ----------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCT)
{
    return static_cast<int>(Default());
}
void CWnd::OnDestroy()
{
    Default();
}
void CWnd::OnNcDestroy()
{
    Default();
}
void CWnd::OnClose()
{
    Default();
}
void CWnd::OnPaint()
{
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnTimer(UINT_PTR)
{
    Default();
}
void CWnd::OnSize(UINT, int, int)
{
    Default();
}
void CWnd::OnSizing(UINT, LPRECT)
{
    Default();
}
void CWnd::OnMove(int, int)
{
    Default();
}
void CWnd::OnWindowPosChanged(WINDOWPOS*)
{
    Default();
}
void CWnd::OnWindowPosChanging(WINDOWPOS*)
{
    Default();
}
void CWnd::OnGetMinMaxInfo(MINMAXINFO*)
{
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT)
{
    Default();
}
void CWnd::OnEnable(BOOL)
{
    Default();
}
void CWnd::OnActivate(UINT, CWnd*, BOOL)
{
    Default();
}
BOOL CWnd::OnNcActivate(BOOL)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnSetFocus(CWnd*)
{
    Default();
}
void CWnd::OnKillFocus(CWnd*)
{
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnChar(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnSysKeyDown(UINT, UINT, UINT)
{
    Default();
}
void CWnd::OnMouseMove(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint)
{
    Default();
}
void CWnd::OnLButtonDblClk(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint)
{
    Default();
}
void CWnd::OnRButtonUp(UINT, CPoint)
{
    Default();
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint)
{
    return static_cast<BOOL>(Default());
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT)
{
    return static_cast<BOOL>(Default());
}
LRESULT CWnd::OnNcHitTest(CPoint)
{
    return Default();
}
void CWnd::OnContextMenu(CWnd*, CPoint)
{
    Default();
}
void CWnd::OnHScroll(UINT, UINT, CScrollBar*)
{
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CScrollBar*)
{
    Default();
}
HBRUSH CWnd::OnCtlColor(CDC*, CWnd*, UINT)
{
    return reinterpret_cast<HBRUSH>(Default());
}
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT)
{
    Default();
}
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT)
{
    Default();
}
UINT CWnd::OnGetDlgCode()
{
    return static_cast<UINT>(Default());
}
BOOL CWnd::OnCopyData(CWnd*, COPYDATASTRUCT*)
{
    return static_cast<BOOL>(Default());
}
void CWnd::OnSysCommand(UINT, LPARAM)
{
    Default();
}
void CWnd::OnInitMenuPopup(CMenu*, UINT, BOOL)
{
    Default();
}

void AfxShowWindowInFront(HWND hWnd)
{
    if (!::IsWindow(hWnd))
        return;
    ::ShowWindowAsync(hWnd, ::IsIconic(hWnd) ? SW_RESTORE : SW_SHOW);
    ::SetWindowPos(hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_ASYNCWINDOWPOS);
    ::SetForegroundWindow(hWnd);
}
