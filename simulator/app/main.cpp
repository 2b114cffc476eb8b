// QCSimulation: the controller simulator. The application object shows the
// main dialog (or, with "-reset", only the dialog that deletes the memory
// image files) and ends when it closes.
#include <windows.h>

#include "framework/afx.h"
#include "framework/app.h"
#include "framework/controls.h"
#include "framework/prompt.h"
#include "simulator/app/controller_entry.h"
#include "simulator/app/hrlog.h"
#include "simulator/app/userdialog.h"
#include "simulator/app/virtualqcdlg.h"

namespace {

class CVirtualQCApp : public CWinApp {
public:
    CVirtualQCApp() : CWinApp("QCSimulation") {}

    BOOL InitInstance() override
    {
        AfxInitCommonControls();
        AfxSetPromptService(&m_prompts);
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
        AfxSetPromptService(nullptr);
        return FALSE;
    }

private:
    qcsim::CSimPrompts m_prompts;
};

// The high-resolution log, written (when it holds entries) at the end.
qcsim::CHRLog theHRLog;
CVirtualQCApp theApp;

} // namespace
