// Resource ids of the UI toolkit: its dialog templates, their controls and
// the strings it loads (the program's string table holds the strings).
#pragma once

// Dialog templates.
#define IDD_USER_DIALOG 265
#define IDD_ERROR_DIALOG 964
#define IDD_CONFIRMATION_DIALOG 970
#define IDD_OK_CANCEL_HIDE_DIALOG 1081
#define IDD_SELECT_FROM_LIST_DIALOG 1256

// Controls.
#define IDC_USER_BUTTON0 1055
#define IDC_USER_BUTTON1 1056
#define IDC_USER_BUTTON2 1057
#define IDC_MESSAGE_TEXT 1194
#define IDC_ERROR_LIST 1196
#define IDC_SELECT_LIST 1235
#define IDC_HIDE_MESSAGE_TEXT 1332
#define IDC_DONT_SHOW_AGAIN 1698

// Strings (from the program's string table).
#define IDS_BUTTON_NO 596
#define IDS_BUTTON_OK 627
#define IDS_BUTTON_YES 835
#define IDS_UNKNOWN_ERROR 1321

// The application's icon.
#define IDI_APPLICATION_ICON 101
