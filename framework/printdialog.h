// The print setup dialog. Every such dialog goes through one service, like
// the file dialogs: the program's service shows the system's common dialog;
// tests install a scripted one that records what was asked and answers for
// the user.
#pragma once

#include <windows.h>

#include <commdlg.h>

class IPrintDialogService {
public:
    virtual ~IPrintDialogService() = default;
    // Shows the dialog that pd describes (owner, PD_ flags, the current
    // DEVMODE and DEVNAMES handles) and waits: IDOK when the user confirmed,
    // else IDCANCEL (also for every failure). Either way pd's handles are
    // the ones to keep afterwards: the dialog may have freed the ones it got.
    virtual INT_PTR Run(PRINTDLGA& pd) = 0;
};

// The service in use (the system's dialog until one is installed);
// installing null puts the system's dialog back.
IPrintDialogService& AfxGetPrintDialogService();
void AfxSetPrintDialogService(IPrintDialogService* pService);
