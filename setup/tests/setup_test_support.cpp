#include "setup_test_support.h"

#include "foundation/fileutil.h"
#include "testsupport/scratch_folder.h"

BOOL TestEnvironment::GetVariable(LPCSTR lpszName, CString& value) const
{
    const auto found = variables.find(lpszName);
    if (found == variables.end())
        return FALSE;
    value = found->second.c_str();
    return TRUE;
}

BOOL TestEnvironment::RunAndWait(LPCSTR lpszProgram, LPCSTR lpszCommandLine, LPCSTR lpszFolder, BOOL bShowNormal,
                                 DWORD& dwError)
{
    ++started;
    return CSetupEnvironment::RunAndWait(lpszProgram, lpszCommandLine, lpszFolder, bShowNormal, dwError);
}

ScopedVariable::ScopedVariable(const char* name, const std::string& value) : m_name(name)
{
    CString old;
    m_had = GetEnvironmentText(name, old) != FALSE;
    m_old = old.GetString();
    SetEnvironmentVariableA(name, value.c_str());
}

ScopedVariable::~ScopedVariable()
{
    SetEnvironmentVariableA(m_name.c_str(), m_had ? m_old.c_str() : nullptr);
}

bool CopyRecorder(const std::string& path)
{
    for (size_t slash = path.find('\\', 3); slash != std::string::npos; slash = path.find('\\', slash + 1))
        CreateDirectoryA(path.substr(0, slash).c_str(), nullptr);
    const std::string recorder = std::string(GetProgramDirectory()) + "\\cmdline_recorder.exe";
    return CopyFileA(recorder.c_str(), path.c_str(), FALSE) != FALSE;
}

std::string RecordOf(const std::string& program)
{
    return ReadWholeFile(program + ".cmdline");
}

std::string FilesToCreate(const std::vector<std::string>& paths)
{
    std::string list;
    for (const std::string& path : paths)
        list += (list.empty() ? "" : "|") + path;
    return list;
}

std::string WithFolder(std::string text, const std::string& folder)
{
    for (size_t at = text.find("<dir>"); at != std::string::npos; at = text.find("<dir>", at + folder.size()))
        text.replace(at, 5, folder);
    return text;
}

bool MachineKeyExists(const char* path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}
