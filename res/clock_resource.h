// Resource and control IDs of the floating clock and its transparency popup.
#pragma once

// Floating clock (dialog 169)
#define IDD_ALARM_CLOCK 169
#define IDC_CLOCK_DISPLAY 1026  // taken over by CSegmentDisplay

// Its popup menu (menu 172, first popup)
#define IDR_ALARM_CLOCK_MENU 172
#define ID_CLOCK_TEXT_COLOR 32777     // lit segments
#define ID_CLOCK_BK_COLOR 32778       // background
#define ID_CLOCK_TEXT_BK_COLOR 32779  // unlit segments
#define ID_CLOCK_CLOSE 32780

// Transparency popup (dialog 170)
#define IDD_TRANSP_SLIDER 170
#define IDC_TRANSP_SLIDER 1028
