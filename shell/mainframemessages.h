// The private messages between the main frame and the project window, and
// the project-window requests the main frame's commands post or send. The
// tool-window protocol (registration, lookups, the destroy request) is in
// ui/toolmessages.h; the frame's other shell messages in shellmessages.h.
#pragma once

#include <windows.h>

// The frame's own start-up steps.
const UINT WM_START_PROJECT_WINDOW = WM_USER + 0x100;      // 0x500
const UINT WM_PLACE_CONTROLLER_MESSAGES = WM_USER + 0x101; // 0x501
const UINT WM_RESTORE_MAIN_WINDOW = WM_APP + 0x17E;        // 0x817E

// From the project window to the frame.
const UINT WM_PROJECT_WINDOW_STARTED = WM_APP + 0x101; // lParam = the project window object
const UINT WM_PROJECT_WINDOW_GOING = WM_APP + 0x102;
const UINT WM_SET_PROJECT_TEXT = WM_APP + 0x10A; // wParam string id, or 0 and lParam a path text
const UINT WM_CONNECTED = WM_APP + 0x10B;        // to the frame: lParam 1 packet mode
const UINT WM_DISCONNECTED = WM_APP + 0x10E;     // to the frame
const UINT WM_PROJECT_AVAILABLE = WM_APP + 0x10F;
const UINT WM_READY = WM_APP + 0x11E;
const UINT WM_NOT_READY = WM_APP + 0x11F;
const UINT WM_CONTROLLER_TYPE = WM_APP + 0x138; // lParam = the type text
const UINT WM_OPERATION_STARTED = WM_APP + 0x14D;
const UINT WM_OPERATION_ENDED = WM_APP + 0x14E;
const UINT WM_FRAME_TO_FOREGROUND = WM_APP + 0x152;
const UINT WM_FRAME_QUERY_0x8153 = WM_APP + 0x153; // answered 0
const UINT WM_GET_FRAME_CLIENT_RECT = WM_APP + 0x155;
const UINT WM_DRIVE_KIND_PRESENT = WM_APP + 0x158; // lParam = DRIVE_KIND_
const UINT WM_WINDOW_LIST_CLEAR = WM_APP + 0x165;
const UINT WM_WINDOW_LIST_ADD = WM_APP + 0x166; // wParam = window
const UINT WM_WINDOW_LIST_DONE = WM_APP + 0x167;
const UINT WM_HIDE_CONTROLLER_MESSAGES = WM_APP + 0x197;
const UINT WM_FRAME_QUERY_0x81B5 = WM_APP + 0x1B5; // answered 0
const UINT WM_ETHERNET_CONFIG_AVAILABLE = WM_APP + 0x1CD;
const UINT WM_GET_STATUS_BAR_HEIGHT = WM_APP + 0x1D0;
const UINT WM_GET_FRAME_FREE_AREA = WM_APP + 0x1DA;
const UINT WM_REFRESH_DEVELOPMENT_BUTTON = WM_APP + 0x1E8;

// From the frame to the project window: commands (posted unless said).
const UINT WM_PW_CONNECT = WM_APP + 0x10B; // wParam 1
const UINT WM_PW_CONNECT_USING_PROJECT = WM_APP + 0x10C;
const UINT WM_PW_DISCONNECT = WM_APP + 0x10E; // wParam 1 user, 2 for exit
const UINT WM_PW_NEW_PROJECT = WM_APP + 0x113;
const UINT WM_PW_LOAD_PROJECT = WM_APP + 0x115;
const UINT WM_PW_SAVE_PROJECT_AS = WM_APP + 0x116;
const UINT WM_PW_CHECK_PROJECT = WM_APP + 0x117;
const UINT WM_PW_REVERT_TO_BACKUP = WM_APP + 0x118;
const UINT WM_PW_MODIFY_STARTUP = WM_APP + 0x119;
const UINT WM_PW_LOAD_PROGRAM_FILE = WM_APP + 0x11A;
const UINT WM_PW_SAVE_PROGRAM_FILE = WM_APP + 0x11B;
const UINT WM_PW_HALT_ALL = WM_APP + 0x13A;  // sent
const UINT WM_PW_OPEN_TOOL = WM_APP + 0x14C; // wParam = tool id
const UINT WM_PW_RESTORE_LAST_DESKTOP = WM_APP + 0x14F;
const UINT WM_PW_RESTORE_SAVED_DESKTOP = WM_APP + 0x150;
const UINT WM_PW_SAVE_DESKTOP = WM_APP + 0x151;    // sent
const UINT WM_PW_ARRANGE_WINDOWS = WM_APP + 0x164; // sent: wParam 0 cascade, 1, 2 tile; lParam RECT*
const UINT WM_PW_CLEAR_DESKTOP = WM_APP + 0x16C;
const UINT WM_PW_ENABLE_EDITING = WM_APP + 0x18A;
const UINT WM_PW_DELETE_ALL_PROGRAMS = WM_APP + 0x191;
const UINT WM_PW_RESET_CONTROLLER = WM_APP + 0x196;
const UINT WM_PW_CONNECT_TO_SIMULATOR = WM_APP + 0x1A1;
const UINT WM_PW_COMPILE_ALL = WM_APP + 0x1D7;
const UINT WM_PW_SHUT_DOWN = WM_APP + 0x1EE;
const UINT WM_PW_AUTORUN = WM_APP + 0x1F3; // sent

// Queries of the project window (sent; the answer is the result).
const UINT WM_PW_QUERY_PROGRAMS_RUNNING = WM_APP + 0x126;
const UINT WM_PW_QUERY_PROGRAM_COUNT = WM_APP + 0x12A;
const UINT WM_PW_QUERY_TOOL_OPEN = WM_APP + 0x12C; // wParam = tool id
const UINT WM_PW_QUERY_DISCONNECT_BUSY = WM_APP + 0x144;
const UINT WM_PW_QUERY_LOCKED = WM_APP + 0x157;
const UINT WM_PW_QUERY_LOAD_SYSTEM_SOFTWARE = WM_APP + 0x168; // lParam = DWORD* link mask
const UINT WM_PW_QUERY_ANALOGUE_INPUTS = WM_APP + 0x18E;
const UINT WM_PW_QUERY_FLASH_STICK = WM_APP + 0x1AA;
const UINT WM_PW_QUERY_FEATURE = WM_APP + 0x1CC; // lParam = feature
const UINT WM_PW_QUERY_REGISTERED_COUNT = WM_APP + 0x1EC;
const UINT WM_PW_QUERY_SHUTDOWN_BUSY = WM_APP + 0x1EF;

// Drive kinds of WM_DRIVE_KIND_PRESENT.
enum : int {
    DRIVE_KIND_CAN = 0,
    DRIVE_KIND_SLM = 1,
    DRIVE_KIND_SERCOS = 2,
    DRIVE_KIND_MECHATROLINK = 3,
    DRIVE_KIND_PANASONIC = 4,
};
