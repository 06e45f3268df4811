#pragma once

#include "app/TrayState.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>

// The notification-area icon: added when the window is created, added again
// when the taskbar is re-created, removed when the window is destroyed. In
// between only its picture, its tip and its balloons change, by NIM_MODIFY,
// so that it keeps its place.
class CTrayIcon
{
public:
    typedef BOOL(WINAPI* PFN_NOTIFY)(DWORD dwMessage, PNOTIFYICONDATAW pData);
    // What the program asks of the shell goes through this (Shell_NotifyIconW
    // unless a test records it); returns the one it replaces.
    static PFN_NOTIFY SetNotifyFunction(PFN_NOTIFY pfnNotify);

    CTrayIcon() = default;
    ~CTrayIcon();
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // The record once: our id, callback message, picture and tip.
    void Add(HWND hWnd, ETrayIcon eIcon, const std::wstring& tip);
    // At the size that the shell asks for now, with the picture and tip shown last.
    void AddAgain();
    void Delete();
    // A new picture goes at once; a new tip at most once a Tray::TIP_REFRESH_MS.
    void Update(ETrayIcon eIcon, const std::wstring& tip, int64_t nNowMs);
    void ShowBalloon(const STrayBalloon& balloon);
    // The icon's callback message: a right-click opens the program menu, a
    // double-click shows or hides the window.
    void OnNotify(WPARAM wParam, LPARAM lParam);

    ETrayIcon Shown() const { return m_eIcon; }
    HICON IconOf(ETrayIcon eIcon) const { return m_hIcons[eIcon]; }

private:
    void LoadIcons();
    void SetTip(const std::wstring& tip);
    void ShowMenu();

    NOTIFYICONDATAW m_nid{};
    HICON m_hIcons[2] = {};
    ETrayIcon m_eIcon = TRAY_ICON_LINK_DOWN;
    int64_t m_nTipSentMs = 0;
    bool m_bTipSent = false;
    bool m_bModifyFailing = false;
};
