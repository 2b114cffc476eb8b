// Resource ids of project management.
#pragma once

#define IDD_IEC61131_OPTIONS 1268
#define IDC_ENABLE_IEC61131 1698

// The tool id of the IEC 61131 options window.
#define TOOL_ID_IEC61131_OPTIONS 1059
