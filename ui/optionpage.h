// COptionPropertyPage: the base of the option sheets' pages. It keeps a
// modified flag and tells the window hosting the pages (0x819B) whenever
// the flag is set.
#pragma once

#include <windows.h>

#include "framework/propsheet.h"

// Posted to a page's notify window when the page is marked modified.
const UINT WM_OPTION_PAGE_MODIFIED = 0x819B;

class COptionPropertyPage : public CPropertyPage {
    DECLARE_DYNAMIC(COptionPropertyPage)
public:
    COptionPropertyPage() : CPropertyPage(0) {}
    COptionPropertyPage(UINT nIDTemplate, UINT nIDCaption);

    // Stores the flag (and tells the sheet), then notifies the owner.
    virtual void SetModified(BOOL bModified);
    // Makes the page store its values.
    virtual BOOL Apply() { return OnApply(); }
    virtual void SetNotifyWindow(HWND hWnd) { m_hWndNotify = hWnd; }
    virtual void NotifyOwner();

    BOOL m_bModified = FALSE;
    HWND m_hWndNotify = nullptr;
};
