#include "setup/mergetoolsetup.h"

#include "foundation/fileutil.h"
#include "framework/file.h"
#include "settings/vqregistry.h"
#include "setup/instregistry.h"

namespace {

const char kConfigKey[] = VQ_ROOT_KEY VQKEY_Config;

CString Formatted(LPCSTR format, LPCSTR text)
{
    CString message;
    message.Format(format, text);
    return message;
}

// The folder named on the command line, else the program's own.
CString GetSetupFolder(const CSetupEnvironment& environment)
{
    CString folder = environment.GetArguments();
    folder.Trim();
    if (folder.IsEmpty())
        return environment.GetProgramFolder();
    if (folder.GetLength() >= 2 && folder[0] == '"' && folder[folder.GetLength() - 1] == '"')
        folder = folder.Mid(1, folder.GetLength() - 2);
    return folder;
}

// Runs the first "WinMerge*.exe" of the folder and waits for its end.
// FALSE, with what went wrong added to the messages where there is
// something to say, when it could not be run.
BOOL RunInstaller(CSetupEnvironment& environment, const CString& folder, std::vector<CString>& messages)
{
    if (folder.GetLength() <= 3 || !PathExists(folder, 1)) {
        messages.push_back(Formatted("Directory error for directory %s", folder));
        return FALSE;
    }
    const CString pattern = AppendToFolder(folder, "WinMerge*.exe");
    CString installer;
    CFileFind finder;
    BOOL more = finder.FindFile(pattern);
    while (more && installer.IsEmpty()) {
        more = finder.FindNextFile();
        if (!finder.IsDirectory())
            installer = finder.GetFilePath();
    }
    if (installer.IsEmpty()) {
        messages.push_back(Formatted("File not found: %s", pattern));
        return FALSE;
    }
    DWORD error = ERROR_SUCCESS;
    return environment.RunAndWait(installer, "\"" + installer + "\"", folder, TRUE, error);
}

} // namespace

CWinMerge::CWinMerge(const CSetupEnvironment& environment)
{
    for (LPCSTR variable : {"ProgramFiles", "ProgramW6432"}) {
        CString programFiles;
        if (environment.GetVariable(variable, programFiles) && FindIn(programFiles))
            return;
    }
}

BOOL CWinMerge::FindIn(const CString& programFiles)
{
    if (!PathExists(programFiles, 1))
        return FALSE;
    const CString folder = AppendToFolder(programFiles, "WinMerge");
    if (!PathExists(folder, 1))
        return FALSE;
    for (LPCSTR name : {"WinMerge.exe", "WinMergeU.exe"}) {
        const CString program = AppendToFolder(folder, name);
        if (PathExists(program, 0)) {
            m_strProgramFiles = programFiles;
            m_strFolder = folder;
            m_strProgramPath = program;
            return TRUE;
        }
    }
    return FALSE;
}

std::vector<CString> RunMergeToolSetup(CSetupEnvironment& environment)
{
    std::vector<CString> messages;
    const CString folder = GetSetupFolder(environment);
    if (!PathExists(folder, 1)) {
        messages.push_back(Formatted("Directory \"%s\" does not exist", folder));
        return messages;
    }
    if (!RunInstaller(environment, folder, messages)) {
        messages.push_back("Error installing WinMerge");
        return messages;
    }
    // Looked for once the installer has ended: a first install has only
    // now put the tool in place.
    const CWinMerge tool(environment);
    if (tool.GetProgramPath().IsEmpty()) {
        messages.push_back("Empty WinMerge file name");
        return messages;
    }
    CInstRegistry registry;
    if (!registry.WriteString(HKEY_LOCAL_MACHINE, kConfigKey, "FileCompareProgramName", tool.GetProgramPath()))
        messages.push_back("Error registering WinMerge\n" + registry.GetErrorDescription());
    else if (!registry.WriteString(HKEY_LOCAL_MACHINE, kConfigKey, "FileCompareProgramArguments", "%p %c"))
        messages.push_back("Error registering WinMerge arguments\n" + registry.GetErrorDescription());
    return messages;
}
