// Resource and control IDs, grouped by owner. Shared by the .rc files and the C++ code.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Icons, bitmaps, clips, pictures
#define IDR_MAINFRAME 128
#define IDI_SYNC_FRAME_FIRST 151  // tray animation frames 151..162
#define IDI_SYNC_FRAME_LAST 162
#define IDB_BACKGROUND 163  // main window background, stretched
#define IDB_PATTERN 166     // alternative background, tiled
#define IDR_SYNC_AVI 137
#define IDR_ALARM_GIF 171

// Strings
#define IDS_ABOUTBOX 101

// About box
#define IDD_ABOUTBOX 100
#define IDM_ABOUTBOX 0x0010  // system menu item

// About box controls (dialog 100)
#define IDC_STAR_CREDITS 1027  // the credits area, taken over by CStarCredits

// Main window (dialog 102)
#define IDD_HOROLUX_DIALOG 102
#define IDC_SYNC 1000
#define IDC_LAST_SYNC 1001
#define IDC_OLD_TIME 1002
#define IDC_NEW_TIME 1003
#define IDC_STATUS 1004
#define IDC_EXIT 1005
#define IDC_SYNC_ON_START 1006
#define IDC_AUTOSTART 1007
#define IDC_EXIT_AFTER_SYNC 1008
#define IDC_SCHEDULE_SYNC 1009
#define IDC_INTERVAL 1010
#define IDC_INTERVAL_SPIN 1011
#define IDC_UNIT_HOUR 1012
#define IDC_UNIT_DAY 1013
#define IDC_NEXT_SYNC 1014
#define IDC_SYNC_ANIMATION 1015
#define IDC_NEXT_START_PICKER 1016
#define IDC_SYNC_ON_CONNECT 1017

// Tray menu (menu 133, first popup); 133 is also the tray icon's ID
#define IDR_TRAY_MENU 133
#define ID_TRAY_SYNC_CLOCK 32771
#define ID_TRAY_SHOW 32772
#define ID_TRAY_EXIT 32773
#define ID_TRAY_ALARMS 32774
#define ID_TRAY_SHOW_ALARM_CLOCK 32775
#define ID_TRAY_ABOUT 32776

// Sounds (type "WAVE"); there is no 178
#define IDR_WAVE_FIRST 174
