#pragma once

// Resource, control and command ids, shared by the code and Tavrin.rc.

// Dialogs, icon, menu, strings
#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_TAVRIN_DIALOG       102
#define IDR_MAINFRAME           128
#define IDS_STARTUP_VALUE       128   // name of our value under the Run key

// Log pane list boxes, created at run time: IDC_LIST_LOG0 + pane number
#define IDC_LIST_LOG0           101
#define IDC_LIST_LOG4           105

// Log panes by the position of their tab
#define LOG_PANE_GENERAL        0   // 일반
#define LOG_PANE_MQTT           1
#define LOG_PANE_PUBLISH        2
#define LOG_PANE_SUBSCRIBE      3
#define LOG_PANE_LIBRARY        4   // log

// Controls of the main window
#define IDC_TAB_LOG             1001
#define IDC_BTN_CLEAR           1003
#define IDC_BTN_TOEND           1004
#define IDC_ROBOT_STATUS        1005
#define IDC_CALL_COUNT          1006
#define IDC_ROBOT_DETAIL        1007
#define IDC_CALL_DETAIL         1008
#define IDC_RECEIVE_TIME        1009
#define IDC_LABEL_ROBOT         1010
#define IDC_LABEL_CALL          1011

// System menu and program menu commands
#define IDM_ABOUTBOX            0x0010
#define ID_SHOW_HIDE            32771
#define ID_STARTUP              32772
#define ID_OPEN_INI             32776
#define ID_APP_EXIT             57665

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
