// Private window messages between the main frame, the project window and
// the shell's dialogs (the tool-window protocol itself is in
// ui/toolmessages.h).
#pragma once

#include <windows.h>

// To the project window (sent): lParam = a CString* that receives the open
// project's file path (empty without a project).
const UINT WM_GET_PROJECT_FILE_PATH = WM_APP + 0x13D; // 0x813D
// To the main frame (sent): the external tools changed; rebuild the
// "&External" menu.
const UINT WM_EXTERNAL_TOOLS_CHANGED = WM_APP + 0x169; // 0x8169
// To the project window (posted): open the beta feature dialog.
const UINT WM_OPEN_BETA_FEATURES = WM_APP + 0x1DC; // 0x81DC

// Tool ids of the shell's dialogs.
const UINT TOOL_ID_GENERAL_OPTIONS = 1010;
const UINT TOOL_ID_BETA_FEATURES = 1028;
