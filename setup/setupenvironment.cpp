#include "setup/setupenvironment.h"

#include <string>

#include "foundation/fileutil.h"
#include "framework/prompt.h"
#include "framework/thread.h"

namespace {

// IMAGE_FILE_MACHINE_ and PROCESSOR_ARCHITECTURE_ values (the older headers
// lack the ARM64 ones).
const USHORT kMachineI386 = 0x014C;
const USHORT kMachineAmd64 = 0x8664;
const USHORT kMachineArm64 = 0xAA64;
const WORD kArchitectureIntel = 0;
const WORD kArchitectureAmd64 = 9;
const WORD kArchitectureArm64 = 12;

using IsWow64Process2Fn = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);

} // namespace

LPCSTR GetArchitectureName(const CNativeMachine& machine)
{
    if (machine.bFromWow64Process2) {
        switch (machine.nMachine) {
        case kMachineI386:
            return "x86";
        case kMachineAmd64:
            return "amd64";
        case kMachineArm64:
            return "arm64";
        default:
            return "unknown";
        }
    }
    switch (machine.wProcessorArchitecture) {
    case kArchitectureIntel:
        return "x86";
    case kArchitectureAmd64:
        return "amd64";
    case kArchitectureArm64:
        return "arm64";
    default:
        return "unknown";
    }
}

CString CSetupEnvironment::GetProgramFolder() const
{
    return GetProgramDirectory();
}

BOOL CSetupEnvironment::GetVariable(LPCSTR lpszName, CString& value) const
{
    return GetEnvironmentText(lpszName, value);
}

BOOL CSetupEnvironment::RunAndWait(LPCSTR lpszProgram, LPCSTR lpszCommandLine, LPCSTR lpszFolder, BOOL bShowNormal,
                                   DWORD& dwError)
{
    dwError = ERROR_SUCCESS;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (bShowNormal) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_SHOWNORMAL;
    }
    // CreateProcess may write into the command line.
    std::string commandLine = lpszCommandLine;
    PROCESS_INFORMATION process = {};
    if (!::CreateProcessA(lpszProgram, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                          lpszFolder, &startup, &process)) {
        dwError = ::GetLastError();
        return FALSE;
    }
    AfxWaitWithMessages(process.hProcess, INFINITE);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return TRUE;
}

CNativeMachine CSetupEnvironment::GetNativeMachine() const
{
    CNativeMachine machine = {};
    // IsWow64Process2 came with Windows 10; IsWow64Process would say
    // nothing of a 64-bit process and nothing of ARM64.
    const auto isWow64Process2 = reinterpret_cast<IsWow64Process2Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "IsWow64Process2")));
    USHORT process = 0, native = 0;
    if (isWow64Process2 && isWow64Process2(::GetCurrentProcess(), &process, &native)) {
        machine.bFromWow64Process2 = TRUE;
        machine.nMachine = native;
        return machine;
    }
    SYSTEM_INFO info = {};
    ::GetNativeSystemInfo(&info);
    machine.wProcessorArchitecture = info.wProcessorArchitecture;
    return machine;
}

CString AppendToFolder(const CString& folder, LPCSTR lpszName)
{
    if (!folder.IsEmpty() && folder[folder.GetLength() - 1] == '\\')
        return folder + lpszName;
    return folder + "\\" + lpszName;
}

int ShowSetupMessages(const std::vector<CString>& messages)
{
    for (const CString& message : messages)
        AfxGetPromptService().Prompt(nullptr, message, AfxGetAppName(), MB_OK | MB_SYSTEMMODAL);
    return messages.empty() ? 0 : 1;
}
