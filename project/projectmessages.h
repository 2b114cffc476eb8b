// Private messages between project management's windows and the project
// window, beside those the main frame and the tool-window protocol share
// (shell/mainframemessages.h, ui/toolmessages.h).
#pragma once

#include <windows.h>

#include "shell/mainframemessages.h"
#include "ui/toolmessages.h"

const UINT WM_PW_STORE_EPROM = WM_APP + 0x187;           // 0x8187, sent by a worker
const UINT WM_PW_SET_LOAD_FAILED = WM_APP + 0x1E3;       // 0x81E3, lParam = value
const UINT WM_PW_DIRECTORY_FILLED = WM_APP + 0x1A2;      // 0x81A2

// Connection wanted again after a fast project load.
const UINT WM_PW_CONNECT_WANTED = WM_APP + 0x10D;        // 0x810D
// Stop request of the TABLE load and save window.
const UINT WM_TABLE_STOP = WM_APP + 0x112;               // 0x8112
// The longest command line of the controller (asked of the main window).
const UINT WM_MF_QUERY_LINE_LIMIT = WM_APP + 0x1F4;      // 0x81F4

// Tool ids of project management's windows.
const UINT TOOL_ID_FULL_DIRECTORY = 1028;
const UINT TOOL_ID_EPROM = 1034;
const UINT TOOL_ID_TABLE_LOAD_SAVE = 1040;
const UINT TOOL_ID_FAST_LOAD_PROGRAM = 1057;
const UINT TOOL_ID_FILE_COMPARE_OPTIONS = 1048;
