// Resource ids of the editor's dialogs.
#pragma once

#define IDD_VARIABLE_LENGTH_WARNING 1186
#define IDC_VARIABLE_LENGTH_TEXT 1194
#define IDC_DISABLE_FURTHER_WARNINGS 1698
