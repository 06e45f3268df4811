#include "app/TrayIcon.h"

#include "framework/Menu.h"
#include "res/resource.h"

void FillTrayRecord(NOTIFYICONDATAW& nid, HWND hWnd, HICON hIcon)
{
    nid = NOTIFYICONDATAW{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = hWnd;
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = WM_TRAYNOTIFY;
    nid.hIcon = hIcon;
}

void AddTrayIcon(NOTIFYICONDATAW& nid)
{
    Shell_NotifyIconW(NIM_ADD, &nid);
}

void DeleteTrayIcon(NOTIFYICONDATAW& nid)
{
    Shell_NotifyIconW(NIM_DELETE, &nid);
}

void ShowTrayMenu(HWND hWnd)
{
    POINT pt = {};
    GetCursorPos(&pt);
    // The window must be in the foreground before TrackPopupMenu, or the
    // menu will not close when the user clicks elsewhere.
    SetForegroundWindow(hWnd);
    CMenu menu;
    if (!menu.LoadMenu(IDR_MAINFRAME))
        return;
    CMenu::TrackPopupMenu(menu.GetSubMenu(0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, hWnd);
    // Lets the menu's modal loop end cleanly on the next message.
    PostMessageW(hWnd, WM_NULL, 0, 0);
}
