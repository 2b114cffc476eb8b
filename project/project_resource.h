// Resource ids of project management.
#pragma once

#define IDD_IEC61131_OPTIONS 1268
#define IDC_ENABLE_IEC61131 1698

// The tool id of the IEC 61131 options window.
#define TOOL_ID_IEC61131_OPTIONS 1059

// The fast program load's window.
#define IDD_FAST_LOAD_PROGRAM 239
#define IDC_FAST_LOAD_TEXT 1151
#define IDC_FAST_LOAD_PROGRESS 1237
#define IDC_FAST_LOAD_CANCEL 1054
