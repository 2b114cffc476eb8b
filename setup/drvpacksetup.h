// DrvPackSetup: installs the driver packages of the system's kernel drivers.
// It is started with one argument, the folder that holds one subfolder per
// processor architecture ("x86", "amd64"), each with the platform's
// driver-package installer "DPInst.exe"; it runs the installer of the
// machine's architecture quietly ("/q") and waits for it. Its messages are
// in its string table (drvpacksetup_resource.h), which a program that calls
// RunDrvPackSetup carries.
#pragma once

#include <windows.h>

#include <vector>

#include "foundation/containers.h"
#include "framework/cstring.h"
#include "setup/setupenvironment.h"

// Splits a command line into arguments and returns their number. Spaces and
// tabs outside double quotes end an argument (empty ones are not added); a
// double quote switches quoting and is not copied, except after a
// backslash, when both are copied and quoting stays as it was. Backslashes
// are held back and copied, all of them, in front of the next character
// that is copied; those at the very end are dropped.
int SplitCommandLine(LPCSTR lpszCommandLine, CTList<CString>& arguments);

// The start-up over the command line after the program's name. The
// messages for the user, in order; none on success.
std::vector<CString> RunDrvPackSetup(CSetupEnvironment& environment);
