#pragma once
#define IDR_TEST_WAVE 9174
#define IDD_TEST_DIALOG 9100
#define IDC_TEST_EDIT 9101
#define IDC_TEST_CHECK 9102
#define IDC_TEST_RADIO1 9103
#define IDC_TEST_RADIO2 9104
#define IDC_TEST_RADIO3 9105
#define IDC_TEST_STATIC 9106
#define IDC_TEST_BUTTON 9107
// Number field and its spin: a pair styled as the main window's, a pair whose spin wraps, and a
// plain edit that is no number field.
#define IDD_TEST_NUMBER 9300
#define IDC_TEST_NUM_EDIT 9301
#define IDC_TEST_NUM_SPIN 9302
#define IDC_TEST_NUM_WRAP_EDIT 9303
#define IDC_TEST_NUM_WRAP_SPIN 9304
#define IDC_TEST_NUM_PLAIN_EDIT 9305
#define IDC_TEST_NUM_PLAIN_SPIN 9306
// Segment display: one plain static that the test sizes in pixels.
#define IDD_TEST_SEGMENT 9400
#define IDC_TEST_SEGMENT 9401
// Extended list control: a report list styled as the alarm list, wider than its three columns,
// and a button to take the focus away from it.
#define IDD_TEST_LIST 9600
#define IDC_TEST_LIST 9601
#define IDC_TEST_LIST_BUTTON 9602
// Animated picture: a plain static where the alarm popup has control 1030, and one beside it.
#define IDD_TEST_ANIMATED 9500
#define IDC_TEST_ANIMATED_PICTURE 9501
#define IDC_TEST_ANIMATED_OTHER 9502
