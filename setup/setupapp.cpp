#include "setup/setupapp.h"

#include <commctrl.h>

BOOL CSetupApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0xFF};
    ::InitCommonControlsEx(&controls);
    CWinApp::InitInstance();
    SetRegistryKey("VexoLabs");
    CSetupEnvironment environment(m_lpCmdLine);
    m_nExitCode = ShowSetupMessages(m_pfnStartUp(environment));
    return FALSE; // nothing more to run
}

int CSetupApp::ExitInstance()
{
    CWinApp::ExitInstance();
    return m_nExitCode;
}
