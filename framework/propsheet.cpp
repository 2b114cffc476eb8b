#include "framework/propsheet.h"

#include "framework/resources.h"

IMPLEMENT_DYNAMIC(CPropertyPage, CDialog)
IMPLEMENT_DYNAMIC(CPropertySheet, CWnd)

// --- CPropertyPage -------------------------------------------------------------------

CPropertyPage::CPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CDialog(nIDTemplate)
{
    if (nIDCaption)
        m_strCaption.LoadString(nIDCaption);
}

INT_PTR CALLBACK AfxPageDlgProc(HWND hWnd, UINT message, WPARAM, LPARAM lParam)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    BOOL result = TRUE;
    AfxCallWalled("framework: exception in a page's OnInitDialog", [&] {
        // The sheet creates its pages itself, so a page's object is attached
        // here, when its dialog first hears of it.
        CPropertyPage* pPage = DYNAMIC_DOWNCAST(CPropertyPage, CWnd::FromHandlePermanent(hWnd));
        if (!pPage && lParam) {
            pPage = reinterpret_cast<CPropertyPage*>(reinterpret_cast<const PROPSHEETPAGEA*>(lParam)->lParam);
            if (!pPage || !pPage->SubclassWindow(hWnd))
                return;
        }
        if (pPage)
            result = pPage->OnInitDialog();
    });
    return result;
}

void CPropertyPage::SetModified(BOOL bChanged)
{
    m_bModified = bChanged;
    if (!m_hWnd)
        return;
    CPropertySheet* pSheet = DYNAMIC_DOWNCAST(CPropertySheet, CWnd::FromHandlePermanent(::GetParent(m_hWnd)));
    if (pSheet)
        pSheet->SendMessage(bChanged ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

BOOL CPropertyPage::OnSetActive()
{
    return TRUE;
}

BOOL CPropertyPage::OnKillActive()
{
    return UpdateData(TRUE);
}

BOOL CPropertyPage::OnApply()
{
    OnOK();
    m_bModified = FALSE;
    return TRUE;
}

void CPropertyPage::OnReset()
{
    OnCancel();
}

BOOL CPropertyPage::OnQueryCancel()
{
    return TRUE;
}

// A page is not ended like a dialog: the sheet owns its life.
void CPropertyPage::OnOK() {}
void CPropertyPage::OnCancel() {}

BOOL CPropertyPage::CreateAsChild(CWnd* pParentWnd)
{
    if (!Create(m_lpszTemplateName, pParentWnd))
        return FALSE;
    ModifyStyle(WS_POPUP | WS_CAPTION | WS_DISABLED | WS_THICKFRAME, WS_CHILD);
    ModifyStyleEx(WS_EX_DLGMODALFRAME, WS_EX_CONTROLPARENT);
    ::SetParent(m_hWnd, pParentWnd ? pParentWnd->m_hWnd : nullptr);
    return TRUE;
}

BOOL CPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const NMHDR* hdr = reinterpret_cast<const NMHDR*>(lParam);
    LRESULT result = 0;
    switch (hdr->code) {
    case PSN_SETACTIVE:
        result = OnSetActive() ? 0 : -1;
        break;
    case PSN_KILLACTIVE:
        result = OnKillActive() ? FALSE : TRUE;
        break;
    case PSN_APPLY:
        result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
        break;
    case PSN_RESET:
        OnReset();
        break;
    case PSN_QUERYCANCEL:
        result = OnQueryCancel() ? FALSE : TRUE;
        break;
    default:
        return CDialog::OnNotify(wParam, lParam, pResult);
    }
    // The sheet reads the answer from the message result and, like any
    // dialog notification, from DWLP_MSGRESULT.
    ::SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, result);
    *pResult = result;
    return TRUE;
}

// --- CPropertySheet ------------------------------------------------------------------

namespace {
thread_local CPropertySheet* t_pSheetInit = nullptr;

int CALLBACK SheetCallback(HWND hWnd, UINT message, LPARAM)
{
    if (message == PSCB_INITIALIZED && t_pSheetInit) {
        CPropertySheet* pSheet = t_pSheetInit;
        t_pSheetInit = nullptr;
        AfxCallWalled("framework: exception in the property sheet callback", [&] { pSheet->SubclassWindow(hWnd); });
    }
    return 0;
}
} // namespace

CPropertySheet::CPropertySheet(LPCTSTR pszCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_strCaption(pszCaption), m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage)
{
}

CPropertySheet::CPropertySheet(UINT nIDCaption, CWnd* pParentWnd, UINT iSelectPage)
    : m_pParentWnd(pParentWnd), m_nStartPage(iSelectPage)
{
    m_strCaption.LoadString(nIDCaption);
}

void CPropertySheet::AddPage(CPropertyPage* pPage)
{
    m_pages.push_back(pPage);
    if (m_hWnd) {
        const PROPSHEETPAGEA psp = PageRecord(pPage);
        if (HPROPSHEETPAGE h = CreatePropertySheetPageA(&psp))
            SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(h));
    }
}

void CPropertySheet::RemovePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return;
    if (m_hWnd)
        SendMessage(PSM_REMOVEPAGE, static_cast<WPARAM>(nPage), 0);
    m_pages.erase(m_pages.begin() + nPage);
}

void CPropertySheet::RemovePage(CPropertyPage* pPage)
{
    RemovePage(GetPageIndex(pPage));
}

CPropertyPage* CPropertySheet::GetPage(int nPage) const
{
    return (nPage >= 0 && nPage < GetPageCount()) ? m_pages[static_cast<size_t>(nPage)] : nullptr;
}

int CPropertySheet::GetPageIndex(const CPropertyPage* pPage) const
{
    for (int i = 0; i < GetPageCount(); ++i) {
        if (m_pages[static_cast<size_t>(i)] == pPage)
            return i;
    }
    return -1;
}

int CPropertySheet::GetActiveIndex() const
{
    if (!m_hWnd)
        return static_cast<int>(m_nStartPage);
    HWND hWndTab = GetTabControlHwnd();
    return hWndTab ? static_cast<int>(::SendMessageA(hWndTab, TCM_GETCURSEL, 0, 0)) : -1;
}

CPropertyPage* CPropertySheet::GetActivePage() const
{
    return GetPage(GetActiveIndex());
}

BOOL CPropertySheet::SetActivePage(int nPage)
{
    if (!m_hWnd) {
        m_nStartPage = static_cast<UINT>(nPage);
        return TRUE;
    }
    return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, static_cast<WPARAM>(nPage), 0));
}

BOOL CPropertySheet::SetActivePage(CPropertyPage* pPage)
{
    const int index = GetPageIndex(pPage);
    return index >= 0 && SetActivePage(index);
}

void CPropertySheet::SetTitle(LPCTSTR lpszText, UINT nStyle)
{
    m_strCaption = lpszText;
    m_psh.dwFlags = (m_psh.dwFlags & ~PSH_PROPTITLE) | (nStyle & PSH_PROPTITLE);
    if (m_hWnd)
        SendMessage(PSM_SETTITLEA, nStyle, reinterpret_cast<LPARAM>(lpszText));
}

HWND CPropertySheet::GetTabControlHwnd() const
{
    return m_hWnd ? reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL, 0, 0)) : nullptr;
}

void CPropertySheet::PressButton(int nButton)
{
    SendMessage(PSM_PRESSBUTTON, static_cast<WPARAM>(nButton), 0);
}

void CPropertySheet::EndDialog(int nEndID)
{
    if (m_bModeless)
        DestroyWindow();
    else
        PressButton(nEndID == IDOK ? PSBTN_OK : PSBTN_CANCEL);
}

PROPSHEETPAGEA CPropertySheet::PageRecord(CPropertyPage* pPage)
{
    PROPSHEETPAGEA psp = pPage->m_psp;
    psp.dwSize = sizeof(psp);
    psp.dwFlags |= PSP_DLGINDIRECT;
    psp.hInstance = AfxGetInstanceHandle();
    psp.pResource = pPage->LoadTemplate();
    psp.pfnDlgProc = AfxPageDlgProc;
    psp.lParam = reinterpret_cast<LPARAM>(pPage);
    if (!pPage->m_strCaption.IsEmpty()) {
        psp.dwFlags |= PSP_USETITLE;
        psp.pszTitle = pPage->m_strCaption;
    }
    return psp;
}

void CPropertySheet::BuildHeader()
{
    m_built.clear();
    for (CPropertyPage* pPage : m_pages)
        m_built.push_back(PageRecord(pPage));
    m_psh.dwSize = sizeof(m_psh);
    m_psh.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    m_psh.hwndParent = m_pParentWnd ? m_pParentWnd->m_hWnd : GetActiveWindow();
    m_psh.hInstance = AfxGetInstanceHandle();
    m_psh.pszCaption = m_strCaption;
    m_psh.nPages = static_cast<UINT>(m_built.size());
    m_psh.nStartPage = m_nStartPage;
    m_psh.ppsp = m_built.data();
    m_psh.pfnCallback = SheetCallback;
}

INT_PTR CPropertySheet::DoModal()
{
    if (m_hWnd || m_pages.empty())
        return -1;
    BuildHeader();
    m_psh.dwFlags &= ~PSH_MODELESS;
    m_bModeless = FALSE;
    t_pSheetInit = this;
    const INT_PTR result = PropertySheetA(&m_psh);
    t_pSheetInit = nullptr;
    if (m_hWnd)
        UnsubclassWindow();
    if (result < 0)
        return -1;
    return result > 0 ? IDOK : IDCANCEL;
}

BOOL CPropertySheet::Create(CWnd* pParentWnd, DWORD, DWORD)
{
    if (m_hWnd || m_pages.empty())
        return FALSE;
    m_pParentWnd = pParentWnd;
    BuildHeader();
    m_psh.dwFlags |= PSH_MODELESS;
    m_bModeless = TRUE;
    t_pSheetInit = this;
    const INT_PTR result = PropertySheetA(&m_psh);
    t_pSheetInit = nullptr;
    if (result <= 0 && m_hWnd)
        UnsubclassWindow();
    if (result > 0 && !m_hWnd) {
        // The sheet came up but this object could not take it over: no
        // window is left behind that nothing owns.
        ::DestroyWindow(reinterpret_cast<HWND>(result));
        return FALSE;
    }
    return result > 0;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* pMsg)
{
    return m_bModeless && m_hWnd && PropSheet_IsDialogMessage(m_hWnd, pMsg);
}

// --- CTabbedPages --------------------------------------------------------------------

BOOL CTabbedPages::Attach(HWND hWndTab)
{
    m_hWndTab = hWndTab;
    return hWndTab != nullptr;
}

BOOL CTabbedPages::AddPage(CPropertyPage* pPage, LPCTSTR lpszTitle)
{
    if (!m_hWndTab)
        return FALSE;
    CWnd* pParent = CWnd::FromHandle(::GetParent(m_hWndTab));
    if (!pPage->CreateAsChild(pParent))
        return FALSE;
    CString title(lpszTitle ? lpszTitle : pPage->m_strCaption.GetString());
    if (title.IsEmpty())
        pPage->GetWindowText(title);
    TCITEMA item = {};
    item.mask = TCIF_TEXT;
    item.pszText = title.GetBuffer();
    ::SendMessageA(m_hWndTab, TCM_INSERTITEMA, m_pages.size(), reinterpret_cast<LPARAM>(&item));
    m_pages.push_back(pPage);
    PlacePage(pPage);
    pPage->ShowWindow(SW_HIDE);
    if (m_nActive < 0)
        SetActivePage(0);
    return TRUE;
}

void CTabbedPages::PlacePage(CPropertyPage* pPage) const
{
    RECT rc;
    ::GetWindowRect(m_hWndTab, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWndTab), reinterpret_cast<LPPOINT>(&rc), 2);
    ::SendMessageA(m_hWndTab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    ::SetWindowPos(pPage->m_hWnd, HWND_TOP, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_NOACTIVATE);
}

CPropertyPage* CTabbedPages::GetActivePage() const
{
    return m_nActive >= 0 ? m_pages[static_cast<size_t>(m_nActive)] : nullptr;
}

BOOL CTabbedPages::SetActivePage(int nPage)
{
    if (nPage < 0 || nPage >= GetPageCount())
        return FALSE;
    if (nPage != m_nActive && !OnSelChanging())
        return FALSE;
    ::SendMessageA(m_hWndTab, TCM_SETCURSEL, static_cast<WPARAM>(nPage), 0);
    OnSelChange();
    return TRUE;
}

BOOL CTabbedPages::OnSelChanging()
{
    CPropertyPage* pPage = GetActivePage();
    return !pPage || pPage->OnKillActive();
}

void CTabbedPages::OnSelChange()
{
    const int nPage = static_cast<int>(::SendMessageA(m_hWndTab, TCM_GETCURSEL, 0, 0));
    if (nPage < 0 || nPage >= GetPageCount())
        return;
    if (CPropertyPage* pOld = GetActivePage(); pOld && nPage != m_nActive)
        pOld->ShowWindow(SW_HIDE);
    m_nActive = nPage;
    CPropertyPage* pPage = GetActivePage();
    pPage->OnSetActive();
    pPage->ShowWindow(SW_SHOW);
}

BOOL CTabbedPages::Apply()
{
    if (!OnSelChanging())
        return FALSE;
    for (CPropertyPage* pPage : m_pages) {
        if (!pPage->OnApply())
            return FALSE;
    }
    return TRUE;
}
