// What the installers' tests share: an environment with the program's
// folder, command line, variables and machine given by the test (programs
// are started for real), environment variables of this process set for a
// scope, and copies of the command-line recorder standing in for the
// installers the setup programs start.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "setup/setupenvironment.h"

class TestEnvironment : public CSetupEnvironment {
public:
    std::string programFolder;
    std::string arguments;
    std::map<std::string, std::string> variables; // absent: not set
    CNativeMachine machine = {TRUE, 0x8664, 0};
    int started = 0; // programs asked to run

    CString GetProgramFolder() const override { return programFolder.c_str(); }
    CString GetArguments() const override { return arguments.c_str(); }
    BOOL GetVariable(LPCSTR lpszName, CString& value) const override;
    BOOL RunAndWait(LPCSTR lpszProgram, LPCSTR lpszCommandLine, LPCSTR lpszFolder, BOOL bShowNormal,
                    DWORD& dwError) override;
    CNativeMachine GetNativeMachine() const override { return machine; }
};

// Sets an environment variable of this process (the programs it starts
// inherit it) and puts back what was there before.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value);
    ~ScopedVariable();
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::string m_name;
    bool m_had = false;
    std::string m_old;
};

// Copies the command-line recorder of the build to path (its folders
// made); whether it could.
bool CopyRecorder(const std::string& path);
// The recorder's record at path: its command line, then its working
// folder, each followed by a line feed; empty when it did not run.
std::string RecordOf(const std::string& program);
// The value of VEXO_RECORDER_CREATE that makes the recorder create these
// files.
std::string FilesToCreate(const std::vector<std::string>& paths);
// Whether a key under HKEY_LOCAL_MACHINE can be opened for reading.
bool MachineKeyExists(const char* path);
// Every occurrence of "<dir>" in text replaced by folder.
std::string WithFolder(std::string text, const std::string& folder);
