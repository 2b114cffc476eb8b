// Resource ids of the link dialogs and their option pages. The strings
// they load (link type names 1289 to 1293, the chooser's caption 1304) live
// in the program's one string table (shell/res/mainframe.rc).
#pragma once

// Templates.
#define IDD_COMMS_LINKS 1259
#define IDD_COMMS_LINK_CONFIG 1266
#define IDD_CHOOSE_COMMS_LINK 1267
#define IDD_SERIAL_OPTIONS 1277 // 1268 is IEC 61131 Options
#define IDD_ETHERNET_OPTIONS 1275 // 1269 is Program Properties
#define IDD_USB_OPTIONS 1270
#define IDD_PCI_OPTIONS 1271
#define IDD_WIN_COMMS_OPTIONS 1272

// The link list.
#define IDC_LINK_ADD 1003
#define IDC_LINK_DELETE 1100
#define IDC_LINK_EDIT 1135
#define IDC_LINK_TIMEOUT 1456
#define IDC_LINK_SINGLE 1698
#define IDC_LINK_LIST 1808
#define IDC_LINK_UP 1809
#define IDC_LINK_DOWN 1810
// The move buttons' pictures.
#define IDB_LINK_UP 1811
#define IDB_LINK_DOWN 1812

// The configuration dialog.
#define IDC_LINK_NUMBER 1456
#define IDC_LINK_TYPE 1665
#define IDC_LINK_PAGE_FRAME 1814

// The chooser.
#define IDC_SHOW_ENABLED 1815
#define IDC_SHOW_ALL 1816

// Serial page.
#define IDC_SERIAL_PORT 1222
#define IDC_BAUD_9600 1048
#define IDC_BAUD_19200 1049
#define IDC_BAUD_38400 1050
#define IDC_BAUD_115200 1052
#define IDC_PARITY_EVEN 1210
#define IDC_PARITY_NONE 1211
#define IDC_PARITY_ODD 1212
#define IDC_DATA_7 1097
#define IDC_DATA_8 1098
#define IDC_STOP_1 1323
#define IDC_STOP_2 1324
#define IDC_SERIAL_NORMAL 1497
#define IDC_SERIAL_FAST 1706
#define IDC_SERIAL_PACKET 1879

// Ethernet page.
#define IDC_ETHERNET_HOST 1456
#define IDC_ETHERNET_PORT 1541

// USB and PCI pages.
#define IDC_DEVICE_NUMBER 1665

// The comms log's form.
#define IDD_COMMS_LOG 101
#define IDC_COMMS_LOG_LIST 1385

// Strings.
#define IDS_CHOOSE_LINK_CAPTION 1304
#define IDS_LINK_TYPE_SERIAL 1289
#define IDS_LINK_TYPE_USB 1290
#define IDS_LINK_TYPE_QCSIM 1291
#define IDS_LINK_TYPE_ETHERNET 1292
#define IDS_LINK_TYPE_PCI 1293
#define IDS_BAD_IP_ADDRESS 1305
#define IDS_BAD_IP_PORT 1306
#define IDS_COMMS_LOG_COLUMN 133 // "Message"
