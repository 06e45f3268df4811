#pragma once

#include <windows.h>
#include <shellapi.h>

// The notification-area icon: added when the window is created, added again
// when the taskbar is re-created, removed when the window is destroyed.
class CTrayIcon
{
public:
    // The record once: our id, callback message and icon, no tip.
    void Add(HWND hWnd, HICON hIcon);
    void AddAgain();
    void Delete();
    // The icon's callback message: a right-click opens the program menu, a
    // double-click shows or hides the window.
    void OnNotify(WPARAM wParam, LPARAM lParam);

private:
    void ShowMenu();

    NOTIFYICONDATAW m_nid{};
};
