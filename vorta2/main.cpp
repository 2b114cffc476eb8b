// Vorta2: the development environment's program. The application object
// starts the main frame; the frame starts the project window on a thread of
// its own.
#include <windows.h>

#include "editor/editoptions.h"
#include "editor/editortool.h"
#include "shell/linkdialogs/commsdialogs.h"
#include "project/filecompareoptions.h"
#include "project/fulldirectory.h"
#include "project/iec61131options.h"
#include "project/programeprom.h"
#include "project/project_resource.h"
#include "project/projectmessages.h"
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

// A tool window of project management on a thread of its own: made by new
// and Create, which deletes a window that could not be made.
template <class TWindow> void RegisterToolOfClass(UINT nToolID, const CRuntimeClass* pWindowClass)
{
    CProjectWnd::RegisterToolCreator(
        nToolID,
        [](CProjectWnd&, int) -> BOOL {
            return CreateWindowOnThread([]() -> CWnd* {
                       auto* window = new TWindow;
                       return window->Create() ? window : nullptr;
                   }) != nullptr;
        },
        pWindowClass);
}

// The tools of the frame's commands that are built; the frame grays the
// commands of the others.
void RegisterProjectTools()
{
    // Controller > Full Directory.
    RegisterToolOfClass<CFullDirectory>(TOOL_ID_FULL_DIRECTORY, RUNTIME_CLASS(CFullDirectory));
    // Controller > Fix Programs in EPROM.
    RegisterToolOfClass<CProgramEPROM>(TOOL_ID_EPROM, RUNTIME_CLASS(CProgramEPROM));
    // Options > IEC 61131.
    RegisterToolOfClass<CIEC61131Options>(TOOL_ID_IEC61131_OPTIONS, RUNTIME_CLASS(CIEC61131Options));
    // Options > Program Compare: the dialog makes its window itself.
    CProjectWnd::RegisterToolCreator(
        TOOL_ID_FILE_COMPARE_OPTIONS,
        [](CProjectWnd&, int) -> BOOL {
            return CreateWindowOnThread([]() -> CWnd* {
                       auto* window = new CFileCompareOptionsDialog;
                       if (window->IsCreated())
                           return window;
                       delete window;
                       return nullptr;
                   }) != nullptr;
        },
        RUNTIME_CLASS(CFileCompareOptionsDialog));
    // Options > Editor: a dialog thread of its own under the main frame.
    CProjectWnd::RegisterToolCreator(editor::kToolIdEditorOptions, [](CProjectWnd& project, int) -> BOOL {
        return editor::StartEditorOptions(project.GetMainFrameWindow(), project.GetSafeHwnd());
    });
    CMainFrame::SetToolAvailability([](UINT nToolID) { return CProjectWnd::HasToolCreator(nToolID); });
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
        // ... and the tools of the frame's commands.
        RegisterProjectTools();
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
