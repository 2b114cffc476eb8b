// Resource ids of project management.
#pragma once

#include "ui/toolkit_resource.h"

#define IDD_IEC61131_OPTIONS 1268
#define IDC_ENABLE_IEC61131 1698

// The tool id of the IEC 61131 options window.
#define TOOL_ID_IEC61131_OPTIONS 1059

// The fast program load's window: the toolkit's progress template.
#define IDD_FAST_LOAD_PROGRAM IDD_GAUGE
#define IDC_FAST_LOAD_TEXT IDC_GAUGE_TEXT
#define IDC_FAST_LOAD_PROGRESS IDC_GAUGE_PROGRESS
#define IDC_FAST_LOAD_CANCEL IDC_GAUGE_CANCEL

// The TABLE load and save window.
#define IDD_LOAD_SAVE_TABLE 242
#define IDC_TABLE_TYPE_LIST 1178
#define IDC_TABLE_TYPE_PROGRAM 1179
#define IDC_TABLE_TYPE_TEXT 1180
#define IDC_TABLE_FILE 1151
#define IDC_TABLE_START 1314
#define IDC_TABLE_END 1143
#define IDC_TABLE_HIGHEST 1337
#define IDC_TABLE_TREE 1111
#define IDC_TABLE_NEW_DIR 1204

// The EPROM dialog.
#define IDD_PROGRAM_EPROM 236
#define IDC_EPROM_STATUS 1332

// The full controller directory.
#define IDD_FULL_DIRECTORY 1028
#define IDC_DIRECTORY_PROGRAMS 1235
#define IDC_DIRECTORY_PROCESSES 1231
#define IDC_DIRECTORY_FREE 1160
#define IDC_DIRECTORY_REMOTE 1531

// The program file load and save window.
#define IDD_LOAD_SAVE_FILE 241
#define IDC_PROGRAM_TREE 1083
#define IDC_PROGRAM_FOLDERS 1110
#define IDC_PROGRAM_NAME 1295
#define IDC_PROGRAM_FILE 1294
#define IDC_PROGRAM_NEW_DIR 1090

// The project check dialog.
#define IDD_CHECK_PROJECT 250
#define IDC_CHECK_CONTROLLER_TREE 1087
#define IDC_CHECK_PROJECT_TREE 1244
#define IDC_CHECK_LOG 1229
#define IDC_CHECK_QUESTION 1361
#define IDC_CHECK_STATUS 658
#define IDC_CHECK_BUTTON0 1055

// The text entry and recent projects dialogs.
#define IDD_ENTER_TEXT 235
#define IDC_ENTER_PROMPT 1245
#define IDC_ENTER_TEXT 1332
#define IDD_RECENT_PROJECTS 1030
#define IDC_RECENT_LIST 1878
