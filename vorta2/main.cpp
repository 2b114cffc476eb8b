// Vorta2: the development environment's program. The application object
// starts the main frame; the frame starts the project window on a thread of
// its own.
#include <windows.h>

#include "editor/editortool.h"
#include "shell/linkdialogs/commsdialogs.h"
#include "project/projectwnd.h"
#include "project/selectprogramdialog.h"
#include "project/toolthread.h"
#include "shell/externaltoolsdialog.h"
#include "shell/mainframe.h"
#include "shell/optionsdialog.h"
#include "shell/res/mainframe_resource.h"
#include "shell/res/shell_resource.h"
#include "shell/vq2app.h"
#include "tools/livetools.h"
#include "settings/vqlogsettings.h"
#include "ui/promptservice.h"

namespace {

// The main frame's commands that run the shell's own dialogs.
void RegisterShellDialogs()
{
    CMainFrame::RegisterDialogCreator(
        ID_GENERAL_OPTIONS, IDD_OPTIONS,
        [](CMainFrame* pFrame, HWND hWndProject) -> CDialog* { return new COptionsDialog(pFrame, hWndProject); });
    CMainFrame::RegisterDialogCreator(ID_EXTERNAL_CONFIGURE, IDD_EXTERNAL_TOOLS,
                                      [](CMainFrame* pFrame, HWND hWndProject) -> CDialog* {
                                          return new CExternalTools(pFrame, hWndProject, pFrame->m_hWnd);
                                      });
}

class CVorta2App : public CVq2App {
public:
    CVorta2App() : CVq2App(RUNTIME_CLASS(CMainFrame), "Vorta2") {}

    BOOL InitInstance() override
    {
        SetLogSettings(&m_logSettings);
        AfxSetPromptService(&m_prompts);
        RegisterCommsLinkDialogs();
        RegisterShellDialogs();
        // The project window opens program editors.
        editor::RegisterEditorTool();
        // ... and the fast program load window.
        RegisterFastLoadProgramTool();
        // ... and the program choice of the Program menu's operations.
        RegisterSelectProgramDialog();
        // ... and the live tools.
        tools::RegisterLiveTools();
        // The project window, which the frame starts on a thread of its own.
        CMainFrame::SetProjectWindowClass(RUNTIME_CLASS(CProjectWnd));
        return CVq2App::InitInstance();
    }

private:
    CVQLogSettings m_logSettings;
    CUserPromptService m_prompts;
};

CVorta2App theApp;

} // namespace
