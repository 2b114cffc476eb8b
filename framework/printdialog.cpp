#include "framework/printdialog.h"

#include <atomic>

namespace {

// The system's print dialog.
class CSystemPrintDialog : public IPrintDialogService {
public:
    INT_PTR Run(PRINTDLGA& pd) override
    {
        pd.lStructSize = sizeof pd;
        return PrintDlgA(&pd) ? IDOK : IDCANCEL;
    }
};

CSystemPrintDialog g_systemDialog;
std::atomic<IPrintDialogService*> g_printDialogs{&g_systemDialog};

} // namespace

IPrintDialogService& AfxGetPrintDialogService()
{
    return *g_printDialogs.load();
}

void AfxSetPrintDialogService(IPrintDialogService* pService)
{
    g_printDialogs = pService ? pService : &g_systemDialog;
}
