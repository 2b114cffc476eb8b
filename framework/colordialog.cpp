#include "framework/colordialog.h"

#include <atomic>

namespace {

class CSystemColorDialog : public IColorDialogService {
public:
    INT_PTR Run(CHOOSECOLORA& cc) override { return ::ChooseColorA(&cc) ? IDOK : IDCANCEL; }
};

CSystemColorDialog g_systemDialog;
std::atomic<IColorDialogService*> g_colorDialogs{&g_systemDialog};

} // namespace

IColorDialogService& AfxGetColorDialogService()
{
    return *g_colorDialogs.load();
}

void AfxSetColorDialogService(IColorDialogService* pService)
{
    g_colorDialogs = pService ? pService : &g_systemDialog;
}

CColorDialog::CColorDialog(COLORREF clrInit, DWORD dwFlags, HWND hWndOwner)
{
    for (COLORREF& custom : m_custom)
        custom = RGB(255, 255, 255);
    m_cc.lStructSize = sizeof m_cc;
    m_cc.hwndOwner = hWndOwner;
    m_cc.rgbResult = clrInit;
    m_cc.lpCustColors = m_custom;
    m_cc.Flags = dwFlags | (clrInit ? CC_RGBINIT : 0);
}

INT_PTR CColorDialog::DoModal()
{
    return AfxGetColorDialogService().Run(m_cc);
}
