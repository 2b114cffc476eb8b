// CSetupApp: the application object of an installer. It has no window: its
// start-up runs the installer's start-up routine over the real
// environment, shows the messages it returns and ends the program, with
// exit code 0 without a message and 1 after one.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/app.h"
#include "framework/cstring.h"
#include "setup/setupenvironment.h"

class CSetupApp : public CWinApp {
public:
    using StartUp = std::vector<CString> (*)(CSetupEnvironment& environment);

    CSetupApp(LPCTSTR lpszAppName, StartUp pfnStartUp) : CWinApp(lpszAppName), m_pfnStartUp(pfnStartUp) {}

    BOOL InitInstance() override;
    int ExitInstance() override;

private:
    StartUp m_pfnStartUp;
    int m_nExitCode = 0;
};
