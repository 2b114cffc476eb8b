// The program-file operations that the project window's check, backup,
// save and revert share: opening a controller copy and a project copy of a
// program side by side in the external file-compare program, copying one
// program file with an overwrite check, copying a program that has a
// folder of its own (the IEC type: "<name>.<ext>", the folder "<name>" and
// the companions "<name>.zwe" and "<name>.zwa") and copying an IEC project
// elsewhere.
//
// Every failure is reported to the user here (the compare's messages do
// not wait) and gives FALSE; nothing is rolled back.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

class CControllerConnection;

// The command line of the compare program: the program's path in double
// quotes and a blank, then the argument template with "%c"/"%C" replaced by
// the quoted controller copy, "%p"/"%P" by the quoted project copy and
// "%%" by one percent sign; "%" before any other character stays as it is
// and a "%" at the very end is dropped. FALSE when either placeholder is
// missing.
BOOL BuildCompareCommandLine(LPCSTR program, LPCSTR argumentTemplate, LPCSTR controllerCopy, LPCSTR projectCopy,
                             CString& commandLine);

// Starts the configured compare program on the two copies (the settings
// Config\FileCompareProgramName and Config\FileCompareProgramArguments)
// without waiting for it; TRUE when it was started.
BOOL CompareProgramFiles(LPCSTR controllerCopy, LPCSTR projectCopy);

// The full, long form of a path ("." and ".." resolved, short names made
// long as far as the path exists, no trailing backslash but a drive
// root's), so that two spellings of one file or folder compare equal
// without regard to case. Empty when the path cannot be made full.
CString NormalisedPath(LPCSTR path);
// Whether path names folder itself or something inside it, however either
// is spelled (NormalisedPath).
bool IsSameOrInsideFolder(LPCSTR path, LPCSTR folder);

// Copies source over destination: the source is read whole, then the
// destination is replaced through a temporary file beside it (a failure
// there is reported, "Error writing to file:\n<destination>", and gives
// FALSE). A source that cannot be read gives FALSE and leaves the
// destination as it was; a file copied onto itself stays whole. With
// failIfExists an existing destination makes the copy fail.
BOOL CopyProgramFile(LPCSTR source, LPCSTR destination, BOOL failIfExists);

// Copies a program with a folder of its own into destinationFolder: the
// file, its folder tree and the companions that exist. An existing copy is
// replaced silently with overwriteSilently, else after the user agrees.
BOOL CopyProgramWithFolder(LPCSTR sourceFile, LPCSTR destinationFolder, BOOL overwriteSilently);

// Copies the IEC project of program name (which must be an IEC program in
// the connection's list) from projectFolder to destination (a path whose
// name and extension are replaced by the project's).
BOOL CopyIECProjectTo(CControllerConnection& connection, LPCSTR projectFolder, LPCSTR name, LPCSTR destination);
