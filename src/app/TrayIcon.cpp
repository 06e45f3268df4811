#include "app/TrayIcon.h"

#include "framework/Menu.h"
#include "framework/SystemError.h"
#include "res/resource.h"

void CTrayIcon::Add(HWND hWnd, HICON hIcon)
{
    m_nid = NOTIFYICONDATAW{};
    m_nid.cbSize = sizeof(m_nid);
    m_nid.hWnd = hWnd;
    m_nid.uID = IDI_TRAY;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_nid.hIcon = hIcon;
    AddAgain();
}

void CTrayIcon::AddAgain()
{
    // Without an icon the window and its menu bar still work.
    if (!Shell_NotifyIconW(NIM_ADD, &m_nid))
        TraceLastError("Shell_NotifyIconW(NIM_ADD)");
}

void CTrayIcon::Delete()
{
    Shell_NotifyIconW(NIM_DELETE, &m_nid);
}

void CTrayIcon::OnNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != IDI_TRAY)
        return;
    switch (lParam)
    {
    case WM_RBUTTONUP:
        ShowMenu();
        break;
    case WM_LBUTTONDBLCLK:
        SetForegroundWindow(m_nid.hWnd);
        SendMessageW(m_nid.hWnd, WM_COMMAND, ID_SHOW_HIDE, 0);
        break;
    default:
        break;
    }
}

void CTrayIcon::ShowMenu()
{
    POINT pt = {};
    GetCursorPos(&pt);
    // The window must be in the foreground before TrackPopupMenu, or the
    // menu will not close when the user clicks elsewhere.
    SetForegroundWindow(m_nid.hWnd);
    CMenu menu;
    if (!menu.LoadMenu(IDR_MAINFRAME))
        return;
    TrackPopupMenu(menu.GetSubMenu(0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_nid.hWnd, nullptr);
    // Lets the menu's modal loop end cleanly on the next message.
    PostMessageW(m_nid.hWnd, WM_NULL, 0, 0);
}
