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
#include "simulator/app/instance.h"
#include "simulator/app/userdialog.h"
#include "simulator/app/virtualqcdlg.h"

namespace {

const char kRunningText[] =
    "QC Simulation is running. Its memory cannot be reset while it runs.\n\nClose QC Simulation, then reset "
    "its memory again.";

const char kBusyText[] =
    "QC Simulation is already starting, or its memory is being reset.\n\nWait for it, then start QC Simulation "
    "again if it does not show.";

class CVirtualQCApp : public CWinApp {
public:
    CVirtualQCApp() : CWinApp("QCSimulation") {}

    BOOL InitInstance() override
    {
        AfxInitCommonControls();
        AfxSetPromptService(&m_prompts);
        InstallControllerEntry();
        // One simulator per memory folder: held from here to the end.
        qcsim::CSimulatorInstance instance(SimulatorDataFolder(false));
        if (WantsResetDialog(m_lpCmdLine)) {
            if (!instance.IsFirst()) {
                // Its images are in use and would be written again when it
                // ends: nothing is deleted.
                instance.BringRunningForward();
                qcsim::ShowMessage(nullptr, kRunningText, "Reset Simulator");
            } else {
                CResetSimulatorDialog dialog;
                dialog.DoModal();
            }
        } else if (!instance.IsFirst()) {
            // The development environment finds one simulator: the running
            // one comes to the front instead. Without a window to show (it
            // is starting, or its memory is being reset) the user is told.
            if (!instance.BringRunningForward())
                qcsim::ShowMessage(nullptr, kBusyText, "QC Simulation");
        } else {
            CVirtualQCDlg dialog;
            dialog.SetInstance(&instance);
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
