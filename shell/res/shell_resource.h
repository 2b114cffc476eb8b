// Resource ids of the application shell: the application object, recent
// projects, languages, help, external tools, options and beta features.
//
// The shell's resources are compiled once, from shell.rc, because a program
// has one string table and a block of sixteen strings may be defined only
// once. The shell's pictures and windows (background, toolbar, splash,
// about box, page setup) keep their resources in visual.rc with their own
// ids in visual_resource.h; shell.rc includes that script when it exists.
//
// Strings of this file: 766, 940, 957, 1246, 1283 to 1286, 1303, 1350 to
// 1359 and 57344. Tests' own strings lie from 9100 to 9199.
#pragma once

// The application's name (the title string every program's table carries).
#define IDS_APP_TITLE 57344

// The main frame's resources and the application's icon.
#define IDR_MAINFRAME 101

// External tools.
#define IDD_ADD_EXTERNAL_TOOL 211
#define IDD_EXTERNAL_TOOLS 237
#define IDC_TOOL_ADD 1003
#define IDC_TOOL_BROWSE 1052
#define IDC_TOOL_CLOSE 1073
#define IDC_TOOL_DELETE 1100
#define IDC_TOOL_FILE 1150
#define IDC_TOOL_NAME 1203
#define IDC_TOOL_LIST 1335
#define IDS_START_TOOL 766
#define IDS_UNABLE_TO_START_TOOL 940
#define IDS_TOOL_ALREADY_LISTED 1350
// The "&External" menu's tool commands.
#define ID_EXTERNAL_TOOL_FIRST 32865
#define ID_EXTERNAL_TOOL_LAST 32874

// General options.
#define IDD_OPTIONS 245
#define IDC_OPT_CHECK_CONTROLLER_TYPE 1071
#define IDC_OPT_RESTORE_DESKTOP 1270
#define IDC_OPT_SCRIPT_EDITOR 1456
#define IDC_OPT_AUTO_EPROM 1498
#define IDC_OPT_CHANGE_SCRIPT_EDITOR 1529
#define IDC_OPT_AUTO_CONNECT 1626
#define IDC_OPT_FORCE_SLOW_PROJECT_LOAD 1631
#define IDC_OPT_RESTORE_MAIN_WINDOW 1632
#define IDC_OPT_ALLOW_OPERATIONS_RUNNING 1698
#define IDC_OPT_FORCE_SLOW_PROGRAM_LOAD 1804
#define IDC_OPT_FORCE_SLOW_PROGRAM_SAVE 1805
#define IDS_DEFAULT_SCRIPT_EDITOR 957
#define ID_GENERAL_OPTIONS 32815

// Languages.
#define IDD_LANGUAGE 1209
#define IDC_LANGUAGE_LIST 1770

// Beta features.
#define IDD_BETA_FEATURES 1238
#define IDB_BETA_FEATURES 1251
#define IDC_BETA_LIST 1802
#define IDS_BETA_COLUMN 1246
#define IDS_BETA_NEW_OSCILLOSCOPE 1283
#define IDS_BETA_FAST_PROGRAM_LOAD 1284
#define IDS_BETA_FAST_PROJECT_LOAD 1285
#define IDS_BETA_FAST_PROGRAM_SAVE 1286
#define IDS_BETA_COMMS_LINK_SELECTION 1303
