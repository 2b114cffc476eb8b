// The private window messages of the tool-window protocol and the ids
// windows register under. Tool windows find the project window through the
// main frame, register with it when they are created and unregister when
// they go; any window on a thread of its own closes on the destroy request.
#pragma once

#include <windows.h>

// Main frame and project window lookups (answered in the result).
// wParam = component id: the window handle the main frame knows under it.
const UINT WM_GET_WINDOW_HANDLE = WM_APP + 0x107; // 0x8107
// To the main frame: wParam = component id, the object behind that window.
// To the project window: its own object.
const UINT WM_GET_WINDOW_OBJECT = WM_APP + 0x106; // 0x8106

// Registration with the project window (sent). wParam = tool id, lParam =
// the tool's window. The answer to a registration is 0 for a refusal, else
// the screen position for the tool (x low 16 bits, y high 16 bits).
const UINT WM_REGISTER_TOOL_WINDOW = WM_APP + 0x103;   // 0x8103
const UINT WM_UNREGISTER_TOOL_WINDOW = WM_APP + 0x104; // 0x8104
// Sent by the project window to a registered tool: wParam = where the tool
// stores its reply receiver, lParam = where it may store a wanted channel;
// the answer is the tool's reply class.
const UINT WM_QUERY_REPLY_CLASS = WM_APP + 0x105; // 0x8105

// Queries of the project window that tools and the classes they use send
// (the answer is the result).
const UINT WM_PW_QUERY_AXIS_COUNT = WM_APP + 0x1ED;   // 0x81ED
const UINT WM_PW_QUERY_HAS_PROGRAM = WM_APP + 0x175;  // 0x8175, lParam = name
const UINT WM_PW_QUERY_PROGRAM_TYPE = WM_APP + 0x1C9; // 0x81C9, lParam = name
const UINT WM_PW_QUERY_CONNECTION = WM_APP + 0x16B;   // 0x816B

// Asks a window that runs on a thread of its own to destroy itself.
const UINT WM_DESTROY_REQUEST = WM_APP + 0x108; // 0x8108

// To a user dialog: lParam = a text shown as one more line of its message.
const UINT WM_APPEND_MESSAGE_LINE = WM_APP + 0x1D1; // 0x81D1
// The error list's own message: lines are waiting to be shown.
const UINT WM_ERROR_LINES_WAITING = WM_APP + 0x188; // 0x8188

// Component ids the main frame answers for.
const UINT COMPONENT_CONTROL_PANEL = 1012;
const UINT COMPONENT_CONTROLLER_MESSAGES = 1015;
const UINT COMPONENT_PROJECT_WINDOW = 1035;

// The tool id of the dialogs of the dialog framework and other plain
// dialogs.
const UINT TOOL_ID_DIALOG = 1019;

// Reply class of windows that take no controller replies.
const LRESULT REPLY_CLASS_NONE = 4;
// The channel a tool answers when it wants none.
const int NO_CHANNEL = -101;
