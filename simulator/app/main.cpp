// QCSimulation: the controller simulator. The application object shows the
// main dialog (or, with "-reset", only the dialog that deletes the memory
// image files) and ends when it closes.
#include <windows.h>

#include "framework/afx.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "simulator/app/controller_entry.h"
#include "simulator/app/virtualqcdlg.h"

namespace {

class CVirtualQCApp : public CWinApp {
public:
    CVirtualQCApp() : CWinApp("QCSimulation") {}

    BOOL InitInstance() override
    {
        AfxInitCommonControls();
        InstallControllerEntry();
        if (WantsResetDialog(m_lpCmdLine)) {
            CResetSimulatorDialog dialog;
            dialog.DoModal();
        } else {
            CVirtualQCDlg dialog;
            m_pMainWnd = &dialog;
            dialog.DoModal();
            m_pMainWnd = nullptr;
        }
        return FALSE;
    }
};

CVirtualQCApp theApp;

} // namespace
