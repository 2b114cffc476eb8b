// MergeToolSetup: runs the installer of the file-compare tool WinMerge that
// ships in a folder beside it (or in the folder its command line names),
// waits for it, and registers the installed tool for the development
// environment in the machine-wide settings: Config\FileCompareProgramName
// and Config\FileCompareProgramArguments under HKEY_LOCAL_MACHINE, which
// the development environment reads when the user's own values are empty.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/cstring.h"
#include "setup/setupenvironment.h"

// The installed tool, looked for when it is made: under %ProgramFiles%, and
// then under %ProgramW6432% when that is set (a 32-bit program's
// %ProgramFiles% is the 32-bit folder), the folder "WinMerge" with
// "WinMerge.exe" in it, else "WinMergeU.exe".
class CWinMerge {
public:
    explicit CWinMerge(const CSetupEnvironment& environment);

    // The program files folder and the tool's folder in it where the tool
    // was found, and the path of its program file; all empty when none was.
    const CString& GetProgramFilesFolder() const { return m_strProgramFiles; }
    const CString& GetFolder() const { return m_strFolder; }
    const CString& GetProgramPath() const { return m_strProgramPath; }

private:
    BOOL FindIn(const CString& programFiles);

    CString m_strProgramFiles;
    CString m_strFolder;
    CString m_strProgramPath;
};

// The start-up: the folder is the command line (trimmed, without one pair
// of surrounding double quotes) or the program's own folder; runs the
// installer "WinMerge*.exe" found there, then registers the tool it
// installed. The messages for the user, in order; none on success.
std::vector<CString> RunMergeToolSetup(CSetupEnvironment& environment);
