// Property sheets and pages: CPropertySheet over the system's property
// sheet (modal or modeless), CPropertyPage as a dialog page that takes the
// sheet's notifications (set active, kill active, apply, reset), and
// CTabbedPages for pages hosted in an ordinary dialog's tab control.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "framework/dialog.h"

class CPropertySheet;

class CPropertyPage : public CDialog {
    DECLARE_DYNAMIC(CPropertyPage)
public:
    explicit CPropertyPage(UINT nIDTemplate, UINT nIDCaption = 0);

    // TRUE enables the sheet's Apply button; the flag is also what
    // CTabbedPages::Apply looks at.
    void SetModified(BOOL bChanged = TRUE);
    BOOL IsModified() const { return m_bModified; }

    virtual BOOL OnSetActive();
    // Validates and saves the page's data; FALSE keeps the page active.
    virtual BOOL OnKillActive();
    // Applies the page; FALSE keeps the sheet open. The default runs OnOK.
    virtual BOOL OnApply();
    virtual void OnReset();
    virtual BOOL OnQueryCancel();
    void OnOK() override;
    void OnCancel() override;

    // Creates the page as a child window (a page hosted outside a sheet).
    BOOL CreateAsChild(CWnd* pParentWnd);

    PROPSHEETPAGEA m_psp = {};
    CString m_strCaption;

protected:
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* pResult) override;

private:
    friend class CPropertySheet;
    friend INT_PTR CALLBACK AfxPageDlgProc(HWND, UINT, WPARAM, LPARAM);
    BOOL m_bModified = FALSE;
};

INT_PTR CALLBACK AfxPageDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CPropertySheet : public CWnd {
    DECLARE_DYNAMIC(CPropertySheet)
public:
    explicit CPropertySheet(LPCTSTR pszCaption = nullptr, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);
    explicit CPropertySheet(UINT nIDCaption, CWnd* pParentWnd = nullptr, UINT iSelectPage = 0);

    void AddPage(CPropertyPage* pPage);
    void RemovePage(CPropertyPage* pPage);
    void RemovePage(int nPage);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetPage(int nPage) const;
    int GetPageIndex(const CPropertyPage* pPage) const;
    CPropertyPage* GetActivePage() const;
    int GetActiveIndex() const;
    BOOL SetActivePage(int nPage);
    BOOL SetActivePage(CPropertyPage* pPage);
    void SetTitle(LPCTSTR lpszText, UINT nStyle = 0);
    HWND GetTabControlHwnd() const;
    // PSBTN_OK, PSBTN_APPLYNOW, PSBTN_CANCEL, ...
    void PressButton(int nButton);
    void EndDialog(int nEndID);

    // Modal: IDOK or IDCANCEL (the system's results), -1 on failure.
    virtual INT_PTR DoModal();
    // Modeless.
    virtual BOOL Create(CWnd* pParentWnd = nullptr, DWORD dwStyle = static_cast<DWORD>(-1), DWORD dwExStyle = 0);

    BOOL PreTranslateMessage(MSG* pMsg) override;

    PROPSHEETHEADERA m_psh = {};

private:
    static PROPSHEETPAGEA PageRecord(CPropertyPage* pPage);
    void BuildHeader();
    CString m_strCaption;
    CWnd* m_pParentWnd = nullptr;
    UINT m_nStartPage = 0;
    BOOL m_bModeless = FALSE;
    std::vector<CPropertyPage*> m_pages;
    std::vector<PROPSHEETPAGEA> m_built;
};

// Pages hosted in a dialog's tab control: one page per tab, the page of the
// selected tab shown in the tab's display area. The owning dialog calls
// OnSelChanging/OnSelChange from its TCN_SELCHANGING/TCN_SELCHANGE handlers
// and Apply from its OK button.
class CTabbedPages {
public:
    BOOL Attach(HWND hWndTab);
    // Adds a tab titled with the page's caption and creates the page.
    BOOL AddPage(CPropertyPage* pPage, LPCTSTR lpszTitle = nullptr);
    int GetPageCount() const { return static_cast<int>(m_pages.size()); }
    CPropertyPage* GetActivePage() const;
    BOOL SetActivePage(int nPage);
    // FALSE (stay on the tab) when the current page does not validate.
    BOOL OnSelChanging();
    void OnSelChange();
    // Applies every page; FALSE at the first one that refuses.
    BOOL Apply();

private:
    void PlacePage(CPropertyPage* pPage) const;
    HWND m_hWndTab = nullptr;
    std::vector<CPropertyPage*> m_pages;
    int m_nActive = -1;
};
