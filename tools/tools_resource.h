// The live tools' templates and controls.
#pragma once

#define IDD_CHANNEL_SELECT 2101
#define IDC_CHANNEL_LIST 2102
#define IDC_CHANNEL_FOR 2103
#define IDC_CHANNEL_TOOL 2104
