#pragma once

// Every id of the program, written once: resources, controls, panes,
// commands, timers and the tray's message. Tavrin.rc, the code, the tests
// and the benchmarks all include this file.

// Dialogs, icon, menu, strings
#define IDD_ABOUTBOX            100
#define IDS_ABOUTBOX            101
#define IDD_TAVRIN_DIALOG       102
#define IDR_MAINFRAME           128
#define IDI_LINK_DOWN           129   // icon 128 marked: the link is not up (made by the build)
#define IDS_STARTUP_VALUE       128   // name of our value under the Run key

// Log panes, by number, in tab order. Their list boxes are created at run
// time with the ids IDC_LIST_LOG0 + pane number.
#define PANE_GENERAL            0
#define PANE_MQTT               1
#define PANE_PUBLISH            2
#define PANE_SUBSCRIBE          3
#define PANE_LOG                4
#define PANE_COUNT              5
#define IDC_LIST_LOG0           101

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

// Timers of the main window: both poll the MQTT link
#define IDT_POLL                10005 // every 30 ms
#define IDT_RECEIVE_TIME        10006 // every 1000 ms; also refreshes the receive time

// The notification-area icon and its callback message (WM_APP + 2)
#define IDI_TRAY                128
#define WM_TRAYNOTIFY           0x8002

#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif
