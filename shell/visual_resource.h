// Resource ids of the shell's pictures and small dialogs: the splash
// screen, the main background's logo, the about box and the page setup.
// The templates and pictures live in res/visual.rc; the strings they load
// belong in the program's one string table.
#pragma once

// Pictures.
#define IDB_SPLASH 201
#define IDR_BACKGROUND_LOGO 1291 // resource type "PNG"

// Dialog templates.
#define IDD_ABOUT 215
#define IDD_SPLASH_SCREEN 261
#define IDD_PAGE_SETUP 961

// About box controls.
#define IDC_ABOUT_BUILD 1053
#define IDC_ABOUT_VERSION 1307
#define IDC_ABOUT_LEGAL 1616
#define IDC_ABOUT_CREDIT 1617

// Splash screen controls (OK and Cancel are IDOK and IDCANCEL).
#define IDC_SPLASH_STATUS 1178
#define IDC_SPLASH_PICTURE 1220
#define IDC_SPLASH_UNLOCK 1347
#define IDC_SPLASH_VERSION 1356

// Page setup controls.
#define IDC_MARGIN_LEFT 1425
#define IDC_MARGIN_TOP 1426
#define IDC_MARGIN_BOTTOM 1427
#define IDC_MARGIN_RIGHT 1428
#define IDC_UNIT_CM 1429
#define IDC_UNIT_INCH 1430

// Strings (from the program's string table).
#define IDS_SPLASH_TITLE 590 // "VQ2 Splashscreen"
#define IDS_VERSION 959      // "Version"
