// Resource and control IDs of the time source window.
#pragma once

// Time source dialog (190), opened from the main window's system menu
#define IDD_TIME_SOURCE 190
#define IDM_TIME_SOURCE 0x0020  // system menu item, below "About..."
// 1101..1103 and 1110: the page, a time server, a web server, several sources; one radio group
#define IDC_SOURCE_PAGE 1101
#define IDC_SOURCE_SERVER 1102
#define IDC_SOURCE_WEB 1103
#define IDC_PAGE_URL 1104
#define IDC_TIME_SERVER 1105
#define IDC_WEB_URL 1106
#define IDC_TEST_SOURCE 1107
#define IDC_TEST_RESULT 1108
#define IDC_SYNC_HISTORY 1109
#define IDC_SOURCE_AUTO 1110
#define IDC_AUTO_SOURCES 1111        // the Automatic source's entries, one a line
#define IDC_TEST_SOURCES 1112        // Test's row for each of several sources
#define IDC_AUTO_AUTHENTICATED 1113  // Automatic uses authenticated answers only
