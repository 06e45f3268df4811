#pragma once

#include <windows.h>
#include <shellapi.h>

// The notification-area icon: one small function per job.
enum
{
    TRAY_ICON_ID = 128,
    WM_TRAYNOTIFY = WM_APP + 2,
};

// Fills the record once: callback message, icon, no tip.
void FillTrayRecord(NOTIFYICONDATAW& nid, HWND hWnd, HICON hIcon);
void AddTrayIcon(NOTIFYICONDATAW& nid);
void DeleteTrayIcon(NOTIFYICONDATAW& nid);
// The program menu as a popup at the cursor, owned by hWnd.
void ShowTrayMenu(HWND hWnd);
