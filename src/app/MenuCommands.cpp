// The program menu, in the menu bar and as the tray popup: its commands and
// the states its items show.
#include "app/StartupRegistration.h"
#include "app/TavrinDlg.h"
#include "app/TrayIcon.h"
#include "framework/CmdUI.h"

#include <shlwapi.h>

void CTavrinDlg::OnTrayNotify(WPARAM wParam, LPARAM lParam)
{
    if (wParam != TRAY_ICON_ID)
        return;
    switch (lParam)
    {
    case WM_RBUTTONUP:
        ShowTrayMenu(m_hWnd);
        break;
    case WM_LBUTTONDBLCLK:
        SetForegroundWindow(m_hWnd);
        OnShowHide();
        break;
    default:
        break;
    }
}

void CTavrinDlg::OnShowHide()
{
    ShowWindow(IsWindowVisible() ? SW_HIDE : SW_SHOW);
}

void CTavrinDlg::OnOpenIni()
{
    ShellExecuteW(m_hWnd, L"open", m_profile.m_strPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CTavrinDlg::OnInitMenuPopup(HMENU hPopup)
{
    UpdateMenuPopup(*this, hPopup);
}

bool CTavrinDlg::OnUpdateCommand(CCmdUI& cmdUI)
{
    switch (cmdUI.m_nID)
    {
    case ID_SHOW_HIDE:
        cmdUI.SetCheck(IsWindowVisible() ? 1 : 0);
        return true;
    case ID_OPEN_INI:
        cmdUI.Enable(PathFileExistsW(m_profile.m_strPath.c_str()) != FALSE);
        return true;
    case ID_STARTUP:
        cmdUI.SetCheck(IsStartupRegistered() ? 1 : 0);
        return true;
    default:
        return false;
    }
}

bool CTavrinDlg::HandlesCommand(UINT nID) const
{
    switch (nID)
    {
    case ID_SHOW_HIDE:
    case ID_OPEN_INI:
    case ID_STARTUP:
    case ID_APP_EXIT:
        return true;
    default:
        return false;
    }
}
