// The private messages of the project window (WM_APP + 0x100 on), by
// name. The main frame's own names for some of them are in
// shell/mainframemessages.h, the tool-window protocol's in
// ui/toolmessages.h; the names here are the project window's.
#pragma once

#include <windows.h>

// Tool requests and the registry.
const UINT PWM_PROCESS_MESSAGE = WM_APP + 0x100;   // lParam ControllerMessage*
const UINT PWM_STARTED = WM_APP + 0x101;           // to the main frame: lParam this object
const UINT PWM_GOING = WM_APP + 0x102;             // to the main frame
const UINT PWM_REGISTER = WM_APP + 0x103;          // tool id, window
const UINT PWM_UNREGISTER = WM_APP + 0x104;        // tool id, window
const UINT PWM_QUERY_CLASS = WM_APP + 0x105;       // to a tool: CVexoReply**, int* channel
const UINT PWM_GET_OBJECT = WM_APP + 0x106;        // this object
const UINT PWM_GET_HANDLE = WM_APP + 0x107;        // to the main frame: component id
const UINT PWM_DESTROY = WM_APP + 0x108;           // destroy request
const UINT PWM_OPEN_PROJECT = WM_APP + 0x10A;      // lParam path
const UINT PWM_CONNECT = WM_APP + 0x10B;           // wParam connect mode
const UINT PWM_CONNECT_WITH_PROJECT = WM_APP + 0x10C;
const UINT PWM_CONNECT_WHEN_POSSIBLE = WM_APP + 0x10D;
const UINT PWM_DISCONNECT = WM_APP + 0x10E;        // wParam reason, lParam tool id to keep
const UINT PWM_CONNECTED = WM_APP + 0x10F;         // to the main frame
const UINT PWM_PROGRAM_RECORDS = WM_APP + 0x110;   // wParam CVexoReply* or 0, lParam window
const UINT PWM_NOT_FOUND = WM_APP + 0x111;         // to the control panel
const UINT PWM_CANCEL = WM_APP + 0x112;
const UINT PWM_NEW_PROJECT = WM_APP + 0x113;       // 1 when a new project was made
const UINT PWM_FAST_LOAD_CHOSEN = WM_APP + 0x114;  // fast load of a project the user chooses
const UINT PWM_LOAD_PROJECT = WM_APP + 0x115;      // lParam path or 0
const UINT PWM_SAVE_PROJECT_COPY = WM_APP + 0x116; // 1 when the copy was saved
const UINT PWM_CHECK_PROJECT = WM_APP + 0x117;
const UINT PWM_REVERT_PROJECT = WM_APP + 0x118;    // 0 when reverted
// The answer of the project operations above (new, load, save a copy,
// revert) and of the check when the window runs the request later, after
// the operation under way: neither done nor failed yet.
const LRESULT PWM_OPERATION_DEFERRED = -1;
const UINT PWM_MODIFY_STARTUP = WM_APP + 0x119;
const UINT PWM_LOAD_FILE = WM_APP + 0x11A;         // heap texts, freed here
const UINT PWM_SAVE_FILE = WM_APP + 0x11B;         // heap texts, freed here
const UINT PWM_READY = WM_APP + 0x11E;             // to the main frame: busy off
const UINT PWM_BUSY = WM_APP + 0x11F;              // to the main frame: busy on
const UINT PWM_PROJECT_FOLDER = WM_APP + 0x121;    // lParam CString*
const UINT PWM_LEAVE_CHANNEL_MODE = WM_APP + 0x122; // lParam caller
const UINT PWM_ENTER_CHANNEL_MODE = WM_APP + 0x123; // lParam caller
const UINT PWM_APPLY_LINK = WM_APP + 0x124;
const UINT PWM_CHANNEL = WM_APP + 0x125;           // to a terminal or keypad
const UINT PWM_ANY_RUNNING = WM_APP + 0x126;
const UINT PWM_SUBSCRIBE = WM_APP + 0x127;         // command id, window
const UINT PWM_SUBSCRIBED_REQUEST = WM_APP + 0x128; // to a subscriber
const UINT PWM_PROGRAM_COUNT = WM_APP + 0x12A;
const UINT PWM_TOOL_OPEN = WM_APP + 0x12C;         // wParam tool id
const UINT PWM_PROGRAM_FILE_PATH = WM_APP + 0x131; // name, CString*
const UINT PWM_PROGRAM_NAME = WM_APP + 0x132;      // to an editor frame
const UINT PWM_LINK_DATA = WM_APP + 0x133;         // CCommPortData*
const UINT PWM_MODEL_INFO = WM_APP + 0x134;
const UINT PWM_BROADCAST = WM_APP + 0x135;
const UINT PWM_PROCESS_STATUS = WM_APP + 0x136;    // status, CProcessData*
const UINT PWM_CLOSE_ALL = WM_APP + 0x137;
const UINT PWM_MODEL_TEXT = WM_APP + 0x138;        // to the main frame
const UINT PWM_MODEL_NAME = WM_APP + 0x139;        // CString*
const UINT PWM_STOP_ALL = WM_APP + 0x13A;
const UINT PWM_FREE_PROCESSES = WM_APP + 0x13C;    // CStringList*
const UINT PWM_PROJECT_FILE_PATH = WM_APP + 0x13D; // CString*
const UINT PWM_STARTUP_PATH = WM_APP + 0x13E;      // CString*
const UINT PWM_TAKE_EXCLUSIVE = WM_APP + 0x141;
const UINT PWM_LEAVE_EXCLUSIVE = WM_APP + 0x142;
const UINT PWM_WRITE_EXCLUSIVE = WM_APP + 0x143;   // bytes, length
const UINT PWM_IS_CONNECTED = WM_APP + 0x144;
const UINT PWM_GET_CHANNEL = WM_APP + 0x145;       // window
const UINT PWM_SET_CHANNEL = WM_APP + 0x146;       // channel, window
const UINT PWM_RESTORE_RECORD = WM_APP + 0x147;    // SWindowParameters* or 0
const UINT PWM_SAVE_RECORD = WM_APP + 0x148;       // to a tool: SWindowParameters*
const UINT PWM_OPEN_TOOL = WM_APP + 0x14C;         // tool id, channel
const UINT PWM_OPERATION_STARTED = WM_APP + 0x14D; // to the main frame
const UINT PWM_OPERATION_ENDED = WM_APP + 0x14E;   // to the main frame
const UINT PWM_RESTORE_AUTO_DESKTOP = WM_APP + 0x14F;
const UINT PWM_RESTORE_DESKTOP = WM_APP + 0x150;
const UINT PWM_SAVE_DESKTOP = WM_APP + 0x151;
const UINT PWM_FRAME_FOREGROUND = WM_APP + 0x152;  // to the main frame
const UINT PWM_FRAME_CORNER = WM_APP + 0x155;      // to the main frame: RECT*
const UINT PWM_LOCK = WM_APP + 0x156;              // 1 lock / 0 unlock, code
const UINT PWM_IS_LOCKED = WM_APP + 0x157;
const UINT PWM_DRIVE_KIND = WM_APP + 0x158;        // to the main frame
const UINT PWM_PROCESSES_CLEARED = WM_APP + 0x159; // broadcast
const UINT PWM_REFRESH_PROGRAMS = WM_APP + 0x15B;
const UINT PWM_COMPILE_PROGRAM = WM_APP + 0x15D;
const UINT PWM_SELECT_PROGRAM = WM_APP + 0x15E;    // lParam name
const UINT PWM_EDITOR_REQUEST = WM_APP + 0x15F;    // to an editor frame
const UINT PWM_MARK_LINE = WM_APP + 0x161;         // to editors and the control panel: 0, line
const UINT PWM_ARRANGE = WM_APP + 0x164;           // mode, RECT*
const UINT PWM_WINDOW_LIST_CLEAR = WM_APP + 0x165; // to the main frame
const UINT PWM_WINDOW_LIST_ADD = WM_APP + 0x166;   // to the main frame
const UINT PWM_WINDOW_LIST = WM_APP + 0x167;       // rebuild the "Window" list
const UINT PWM_LINK_SUITS = WM_APP + 0x168;        // int* mask
const UINT PWM_LINK_NAME = WM_APP + 0x16A;         // CString*
const UINT PWM_GET_CONNECTION = WM_APP + 0x16B;
const UINT PWM_CLOSE_ALL_BUT = WM_APP + 0x16C;     // tool id kept
const UINT PWM_FREE_CHANNELS = WM_APP + 0x16E;     // first, CStringList*
const UINT PWM_CHOOSER_TOOL_ID = WM_APP + 0x16F;
const UINT PWM_SET_REPLY_CHANNEL = WM_APP + 0x170;
const UINT PWM_COMMS_PORTS = WM_APP + 0x171;       // CStringList*
const UINT PWM_CHOOSER_DONE = WM_APP + 0x172;
const UINT PWM_DIRECT_PORT = WM_APP + 0x173;       // text or 0
const UINT PWM_LINK_CONFIG = WM_APP + 0x174;       // config set, buffer
const UINT PWM_HAS_PROGRAM = WM_APP + 0x175;       // name
const UINT PWM_MODULE_SLOTS = WM_APP + 0x176;      // int[8]
const UINT PWM_EDITOR_OPEN = WM_APP + 0x17B;       // name
const UINT PWM_CLOSE_EDITOR = WM_APP + 0x17C;      // name
const UINT PWM_BROADCAST_EDITORS = WM_APP + 0x17F;
const UINT PWM_LISTED = WM_APP + 0x181;            // to a tool
const UINT PWM_SET_RUN_TYPE = WM_APP + 0x183;      // process, name
const UINT PWM_FREE_AUTORUN_PROCESSES = WM_APP + 0x184; // CStringList*
const UINT PWM_AUTORUN_PROCESS = WM_APP + 0x185;   // name
const UINT PWM_PROGRAM_STATE = WM_APP + 0x186;     // state, heap name freed here
const UINT PWM_STORE_EPROM = WM_APP + 0x187;       // sent by a worker: returns when stored
const UINT PWM_POWER_UP_ACTIVE = WM_APP + 0x189;
const UINT PWM_CLEAR_POWER_UP = WM_APP + 0x18A;
const UINT PWM_TERMINAL_DIRECT = WM_APP + 0x18C;
const UINT PWM_DIGITAL_IO_COUNT = WM_APP + 0x18D;  // refresh
const UINT PWM_ANALOGUE_IN_COUNT = WM_APP + 0x18E; // refresh
const UINT PWM_PROGRAM_NAMES = WM_APP + 0x192;     // filter, CStringList*
const UINT PWM_RUNNING_PROGRAMS = WM_APP + 0x193;  // filter, CStringList*
const UINT PWM_SELECTED_PROGRAM = WM_APP + 0x194;  // CString*
const UINT PWM_RESET_CONTROLLER = WM_APP + 0x196;
const UINT PWM_MESSAGE_TIMEOUT = WM_APP + 0x19A;   // seconds
const UINT PWM_GET_STORED_VALUE = WM_APP + 0x19C;
const UINT PWM_SET_WATCH_WINDOW = WM_APP + 0x19D;  // window
const UINT PWM_WATCH_WINDOW = WM_APP + 0x19E;      // to every tool
const UINT PWM_SEARCH_SIMULATOR = WM_APP + 0x1A1;
const UINT PWM_READ_PROCESSES = WM_APP + 0x1A2;
const UINT PWM_PROCESSES_READING = WM_APP + 0x1A3; // to the control panel
const UINT PWM_WINDOW_PROCESS = WM_APP + 0x1A7;    // window, CProcessData*
const UINT PWM_PROGRAM_PROCESS = WM_APP + 0x1A8;   // name
const UINT PWM_CHOOSE_CHANNEL_NEXT = WM_APP + 0x1A9;
const UINT PWM_HAS_MEMORY_DEVICE = WM_APP + 0x1AA;
const UINT PWM_VERSION = WM_APP + 0x1B2;           // double*
const UINT PWM_SUPPRESS_REPORT = WM_APP + 0x1B3;   // flag
const UINT PWM_AXIS_TYPE = WM_APP + 0x1B7;         // axis
const UINT PWM_AXIS_TYPES = WM_APP + 0x1B8;        // int array
const UINT PWM_BROADCAST_TERMINALS = WM_APP + 0x1BC;
const UINT PWM_HAND_OVER_LINK = WM_APP + 0x1BD;    // tool id kept
const UINT PWM_RESET_LINK = WM_APP + 0x1BE;
const UINT PWM_GET_LINK = WM_APP + 0x1BF;
const UINT PWM_SERVO_PERIOD = WM_APP + 0x1C0;
const UINT PWM_SERVO_PERIOD_READ = WM_APP + 0x1C1; // to the control panel
const UINT PWM_PROGRAM_TYPE = WM_APP + 0x1C9;      // name
const UINT PWM_PROGRAM_EXTRA = WM_APP + 0x1CB;     // name
const UINT PWM_FEATURE = WM_APP + 0x1CC;           // feature id
const UINT PWM_IP_ADDRESS = WM_APP + 0x1D2;        // CString*
const UINT PWM_REOPEN_LINK = WM_APP + 0x1D3;
const UINT PWM_LINK_FAILED = WM_APP + 0x1D5;
const UINT PWM_ANALOGUE_OUT_COUNT = WM_APP + 0x1D6; // refresh
const UINT PWM_SET_ANALOGUE_IN_COUNT = WM_APP + 0x1D8;
const UINT PWM_SET_ANALOGUE_OUT_COUNT = WM_APP + 0x1D9;
const UINT PWM_OPEN_BETA_DIALOG = WM_APP + 0x1DC;
const UINT PWM_SET_LOAD_VALUE = WM_APP + 0x1E3;
const UINT PWM_PROCESS_IN_USE = WM_APP + 0x1E4;    // process
const UINT PWM_SET_LINK = WM_APP + 0x1E6;          // index
const UINT PWM_RUN_PROGRAM_OPERATION = WM_APP + 0x1E7;
const UINT PWM_QUEUE_FILE_OPERATION = WM_APP + 0x1E9; // lParam CFileOperationData*
const UINT PWM_RUN_FILE_OPERATION = WM_APP + 0x1EA;   // lParam the queued request's id
const UINT PWM_RELOAD_PROGRAM = WM_APP + 0x1F0;       // lParam name (sent)
const UINT PWM_STORE_STARTUP_DATA = WM_APP + 0x199;
const UINT PWM_PROGRAM_RECORD = WM_APP + 0x1EB;    // name, CProgramData*
const UINT PWM_REGISTERED_COUNT = WM_APP + 0x1EC;
const UINT PWM_AXIS_COUNT = WM_APP + 0x1ED;
const UINT PWM_DELETE_IEC_PROJECT = WM_APP + 0x1EE;
const UINT PWM_HAS_IEC_PROJECT = WM_APP + 0x1EF;
const UINT PWM_HAS_FLASH_OR_CARD = WM_APP + 0x1F2;
const UINT PWM_AUTORUN = WM_APP + 0x1F3;
const UINT PWM_FAMILY_LIMIT_A = WM_APP + 0x1F4;
const UINT PWM_FAMILY_LIMIT_B = WM_APP + 0x1F5;
const UINT PWM_FAMILY_LIMIT_C = WM_APP + 0x1F6;

// The program list, the editors and the program operations.
const UINT PWM_PROGRAM_NOTICE = WM_APP + 0x120;    // to tools: 0 added or updated, 1 removed; CProgramData*
const UINT PWM_EDIT_PROGRAM = WM_APP + 0x12B;      // name: open it in an editor (queued)
const UINT PWM_QUEUE_OPERATION = WM_APP + 0x12D;   // code, CProgramOperationData*
const UINT PWM_SEND_PENDING = WM_APP + 0x15C;      // to editor frames: send the pending lines
const UINT PWM_READ_DIRECTORY = WM_APP + 0x1CA;
const UINT PWM_COMPILE_ALL = WM_APP + 0x1D7;

// The project window's own, beyond the shared range.
// A tool's request failed on the tool's thread: the layout is saved and the
// link-failure disconnect runs here (lParam: heap command text, freed here).
const UINT PWM_REQUEST_FAILED = WM_USER + 0x2F1;
// wParam of PWM_REQUEST_FAILED: why a tool's request failed.
const WPARAM REQUEST_LINK_FAILED = 0; // no answer: the link is given up
const WPARAM REQUEST_REFUSED = 1;     // the controller refused it and said why
const WPARAM REQUEST_RUN_REFUSED = 2; // the same for a RUN or STEPLINE
// A status line for the process list: lParam a heap copy, freed here.
const UINT PWM_STATUS_LINE = WM_USER + 0x2F2;
// For the control panel, from the link's receive thread: the selected
// program (lParam a heap text) or a process record (lParam a heap
// CProcessData); the window passes it on and frees it.
const UINT PWM_PANEL_PROGRAM = WM_USER + 0x2F3;
const UINT PWM_PANEL_PROCESS = WM_USER + 0x2F4;
// Posted after lines were added to the error list: the list is shown in
// front of the other windows (the main frame among them).
const UINT PWM_ERRORS_TO_FRONT = WM_USER + 0x2F5;

// Disconnect reasons (wParam of PWM_DISCONNECT).
enum : int {
    DISCONNECT_PLAIN = 0,
    DISCONNECT_OFFER_AND_TERMINAL = 1,
    DISCONNECT_OFFER = 2,
    DISCONNECT_TERMINAL = 3,
    DISCONNECT_LINK_FAILED = 5,
};

// Reply classes a tool answers to PWM_QUERY_CLASS.
enum : int {
    REPLY_CLASS_TERMINAL = 0,
    REPLY_CLASS_TOOL = 1,
    REPLY_CLASS_EDITOR = 2,
    REPLY_CLASS_COMMAND_LINE = 3,
    REPLY_CLASS_PLAIN = 4,
    REPLY_CLASS_LOADER = 5,
    REPLY_CLASS_PANEL = 7,
    REPLY_CLASS_FAST_LOAD = 8,
};

// Tool ids the project window itself names.
const UINT TOOL_CONTROL_PANEL = 1012;
const UINT TOOL_LOCK_DIALOG = 1014;
const UINT TOOL_STARTUP_DIALOG = 1017;
const UINT TOOL_PLAIN_DIALOG = 1019;
const UINT TOOL_EDITOR = 1024;
const UINT TOOL_KEYPAD = 1031;
const UINT TOOL_EPROM = 1034;
const UINT TOOL_RESET_DIALOG = 1036;
const UINT TOOL_TERMINAL = 1042;
const UINT TOOL_WATCH = 1045;
const UINT TOOL_BETA_FEATURES = 1055;
const UINT TOOL_MEMORY_DEVICE = 1063;
// Creator keys of the launcher's choosers (no tool registers under them).
const UINT TOOL_CHANNEL_CHOOSER = 2001; // CChannelSelectDlg
const UINT TOOL_LINK_CHOOSER = 2002;    // CChooseCommsLinkDialog
