// What the installers' start-up routines see of the machine they run on:
// their own folder, their command line, environment variables, the start of
// another program with the wait for its end, and the processor Windows runs
// on natively. CSetupEnvironment asks the system; tests derive from it and
// answer some of the questions themselves.
//
// Each installer's start-up is a plain function over an environment that
// returns the messages it has for the user, in order; the program shows them
// with ShowSetupMessages.
#pragma once

#include <windows.h>

#include <vector>

#include "framework/cstring.h"

// What the system says about the machine: IsWow64Process2's native machine
// (an IMAGE_FILE_MACHINE_ value) where that function exists, else
// GetNativeSystemInfo's processor architecture.
struct CNativeMachine {
    BOOL bFromWow64Process2;
    USHORT nMachine;
    WORD wProcessorArchitecture;
};

// The name of the driver-package folder of a machine: "x86", "amd64" or
// "arm64", and "unknown" for any other.
LPCSTR GetArchitectureName(const CNativeMachine& machine);

class CSetupEnvironment {
public:
    // The command line after the program's own name.
    explicit CSetupEnvironment(LPCSTR lpszArguments = "") : m_strArguments(lpszArguments ? lpszArguments : "") {}
    virtual ~CSetupEnvironment() = default;

    // The folder of the program's own file, without a trailing backslash.
    virtual CString GetProgramFolder() const;
    virtual CString GetArguments() const { return m_strArguments; }
    // FALSE when the variable is not set.
    virtual BOOL GetVariable(LPCSTR lpszName, CString& value) const;
    // Starts program with the command line (the program's own path first)
    // in the folder, without inherited handles, its window shown normally
    // when asked, else as the start-up information of this process says;
    // then waits for its end, without a time limit (a person may be
    // answering its questions), serving this thread's messages meanwhile.
    // FALSE with the system's error code when it cannot be started.
    virtual BOOL RunAndWait(LPCSTR lpszProgram, LPCSTR lpszCommandLine, LPCSTR lpszFolder, BOOL bShowNormal,
                            DWORD& dwError);
    virtual CNativeMachine GetNativeMachine() const;

private:
    CString m_strArguments;
};

// folder + "\" + name, without doubling a backslash the folder ends with.
CString AppendToFolder(const CString& folder, LPCSTR lpszName);

// Shows each message through the prompt service (OK, system-modal, the
// program's name as caption). The program's exit code: 0 without a
// message, 1 after one.
int ShowSetupMessages(const std::vector<CString>& messages);
