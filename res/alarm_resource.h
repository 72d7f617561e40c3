// Resource and control IDs of the alarm windows.
#pragma once

// Set Alarm dialog (168)
#define IDD_SET_ALARM 168
#define IDC_ALARM_MESSAGE 1022
#define IDC_ALARM_INTERVAL 1023
#define IDC_ALARM_ON_OFF 1025
#define IDC_SOUND_NONE 1036  // 1036..1046: the sounds 0..10, one radio group
#define IDC_ALARM_INTERVAL_SPIN 1047
#define IDC_ALARM_INTERVAL_LABEL 1049
#define IDC_ALARM_WARN 1051  // minutes of warning before it rings, 0..60
#define IDC_ALARM_WARN_SPIN 1052

// Alarm popup (167)
#define IDD_ALARM_POPUP 167
#define IDC_POPUP_MESSAGE 1022
#define IDC_POPUP_PICTURE 1030
#define IDC_POPUP_SNOOZE 1050  // also the popup's result when it was pressed

// Alarms list (173)
#define IDD_ALARMS 173
#define IDC_ALARM_LIST 1031
#define IDC_ADD_ALARM 1032
#define IDC_EDIT_ALARM 1033
#define IDC_DELETE_ALARM 1034
#define IDC_SNOOZE_MINUTES 1053  // the snooze length of every alarm
#define IDC_SNOOZE_MINUTES_SPIN 1054
