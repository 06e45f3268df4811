#include "app/TrayIcon.h"

#include "app/TrayFacts.h"
#include "framework/Menu.h"
#include "framework/SystemError.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include <cwchar>

namespace
{
CTrayIcon::PFN_NOTIFY g_pfnNotify = Shell_NotifyIconW;

// Copies at most the field's size less one and ends it.
template <size_t N>
void CopyText(wchar_t (&field)[N], const std::wstring& text)
{
    size_t n = text.size() < N ? text.size() : N - 1;
    if (n > 0 && IS_HIGH_SURROGATE(text[n - 1]))
        --n;
    std::wmemcpy(field, text.data(), n);
    field[n] = L'\0';
}
}

CTrayIcon::PFN_NOTIFY CTrayIcon::SetNotifyFunction(PFN_NOTIFY pfnNotify)
{
    PFN_NOTIFY pfnOld = g_pfnNotify;
    g_pfnNotify = pfnNotify;
    return pfnOld;
}

CTrayIcon::~CTrayIcon()
{
    for (HICON hIcon : m_hIcons)
        if (hIcon)
            DestroyIcon(hIcon);
}

void CTrayIcon::Add(HWND hWnd, ETrayIcon eIcon, const std::wstring& tip)
{
    m_nid = NOTIFYICONDATAW{};
    m_nid.cbSize = sizeof(m_nid);
    m_nid.hWnd = hWnd;
    m_nid.uID = IDI_TRAY;
    m_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_nid.uCallbackMessage = WM_TRAYNOTIFY;
    m_eIcon = eIcon;
    SetTip(tip);
    AddAgain();
}

void CTrayIcon::LoadIcons()
{
    // The size of the shell's small icons at the system's scale: a picture
    // of its own rather than one that the shell shrinks or blows up.
    static const int IDS[2] = {IDR_MAINFRAME, IDI_LINK_DOWN};
    for (int i = 0; i < 2; ++i)
    {
        HICON hIcon = static_cast<HICON>(LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDS[i]), IMAGE_ICON,
                                                    GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
        if (!hIcon)
        {
            TraceLastError("LoadImageW(tray icon)");
            continue;
        }
        if (m_hIcons[i])
            DestroyIcon(m_hIcons[i]);
        m_hIcons[i] = hIcon;
    }
    m_nid.hIcon = m_hIcons[m_eIcon];
}

void CTrayIcon::AddAgain()
{
    LoadIcons();
    // Without an icon the window and its menu bar still work.
    if (!g_pfnNotify(NIM_ADD, &m_nid))
        TraceLastError("Shell_NotifyIconW(NIM_ADD)");
}

void CTrayIcon::Delete()
{
    g_pfnNotify(NIM_DELETE, &m_nid);
}

void CTrayIcon::SetTip(const std::wstring& tip)
{
    CopyText(m_nid.szTip, tip);
}

void CTrayIcon::Update(ETrayIcon eIcon, const std::wstring& tip, int64_t nNowMs)
{
    bool bNewIcon = eIcon != m_eIcon;
    wchar_t szTip[ARRAYSIZE(m_nid.szTip)];
    CopyText(szTip, tip);
    bool bNewTip = std::wcscmp(szTip, m_nid.szTip) != 0;
    if (!bNewIcon && !(bNewTip && (!m_bTipSent || nNowMs - m_nTipSentMs >= Tray::TIP_REFRESH_MS)))
        return;
    m_eIcon = eIcon;
    m_nid.hIcon = m_hIcons[eIcon];
    SetTip(tip);
    m_bTipSent = true;
    m_nTipSentMs = nNowMs;
    // Without an icon (the taskbar not there yet) this fails every second
    // until "TaskbarCreated" adds it: said once.
    bool bFailed = !g_pfnNotify(NIM_MODIFY, &m_nid);
    if (bFailed && !m_bModifyFailing)
        TraceLastError("Shell_NotifyIconW(NIM_MODIFY)");
    m_bModifyFailing = bFailed;
}

void CTrayIcon::ShowBalloon(const STrayBalloon& balloon)
{
    // A copy: the record keeps no balloon, or re-adding it would show it again.
    NOTIFYICONDATAW nid = m_nid;
    nid.uFlags = NIF_INFO;
    CopyText(nid.szInfoTitle, balloon.title);
    CopyText(nid.szInfo, balloon.text);
    nid.dwInfoFlags = NIIF_INFO;
    if (!g_pfnNotify(NIM_MODIFY, &nid))
        TraceLastError("Shell_NotifyIconW(NIM_MODIFY, balloon)");
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
