#include "ui/optionpage.h"

IMPLEMENT_DYNAMIC(COptionPropertyPage, CPropertyPage)

COptionPropertyPage::COptionPropertyPage(UINT nIDTemplate, UINT nIDCaption) : CPropertyPage(nIDTemplate, nIDCaption) {}

void COptionPropertyPage::SetModified(BOOL bModified)
{
    m_bModified = bModified;
    CPropertyPage::SetModified(bModified);
    NotifyOwner();
}

void COptionPropertyPage::NotifyOwner()
{
    if (m_hWndNotify && ::IsWindow(m_hWndNotify))
        ::PostMessageA(m_hWndNotify, WM_OPTION_PAGE_MODIFIED, 0, 0);
}
