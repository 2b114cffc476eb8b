// External tools: up to ten other programs the user lists in the settings
// store ("\External\Tool%02d"), offered in the main frame's "&External"
// menu with the commands 32865 to 32874 and started from there. A tool
// named "Docwell" is given the open project's file path.
#pragma once

#include <windows.h>

#include "framework/cstring.h"

const int MAX_EXTERNAL_TOOLS = 10;

// Rebuilds the tool items at the end of the menu bar's "&External" popup
// (any case): the old tool items go, a separator stands between the other
// items and the tools while there are tools, then one item per tool. FALSE
// when the menu has no such popup.
BOOL BuildExternalToolsMenu(HMENU hMenuBar);

// The command line and working folder that start a tool: the quoted file
// path, for "Docwell" followed by the quoted project path when there is
// one; the folder is the file path up to its last "\".
void MakeExternalToolCommand(LPCSTR lpszFile, LPCSTR lpszProjectPath, CString& rCommandLine, CString& rFolder);

// Starts tool nIndex (nothing when it is not listed). A missing file, or a
// start the system refuses, is told to the user under "Start Tool". The
// project path comes from hWndProject (0x813D) when the tool is "Docwell".
// TRUE when the process was started; it is not waited for.
BOOL StartExternalTool(int nIndex, HWND hWndProject);
