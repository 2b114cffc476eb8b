// Resource ids of the toolkit's controls: the progress and wait windows,
// the font page, the shell tree's project icons, and the strings they load
// (the program's string table holds the strings).
#pragma once

// Dialog templates and their resources.
#define IDD_GAUGE 239
#define IDD_WAIT_MINI_DIALOG 978
#define IDR_WAIT_ANIMATION 979
#define IDI_PROJECT_FOLDER 981
#define IDI_PROJECT_FOLDER_OPEN 982
#define IDD_FLASH_DIALOG 980
#define IDD_FONT_PAGE 992

// Controls.
#define IDC_GAUGE_CANCEL 1054
#define IDC_GAUGE_TEXT 1151
#define IDC_FLASH_TEXT 1194
#define IDC_WAIT_ANIMATION 1220
#define IDC_GAUGE_PROGRESS 1237
#define IDC_FONT_FACE 1522
#define IDC_FONT_STYLE 1523
#define IDC_FONT_SIZE 1524
#define IDC_FONT_STRIKEOUT 1525
#define IDC_FONT_UNDERLINE 1526
#define IDC_FONT_SAMPLE 1527

// Strings (from the program's string table).
#define IDS_NUMERIC_ENTRY 128
#define IDS_FONT_BOLD 617
#define IDS_FONT_ITALIC 618
#define IDS_FONT_BOLD_ITALIC 619
#define IDS_FONT_REGULAR 620
#define IDS_ABORT_PROCESS 791
#define IDS_WARNING 826
#define IDS_INTEGER_OUT_OF_RANGE 910
#define IDS_FLOAT_OUT_OF_RANGE 952
#define IDS_WAITING 1215
