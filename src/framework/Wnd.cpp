#include "framework/Wnd.h"

#include <algorithm>
#include <utility>

bool CWnd::Attach(HWND hWnd)
{
    if (m_hWnd || !hWnd)
        return false;
    m_hWnd = hWnd;
    return true;
}

HWND CWnd::Detach()
{
    return std::exchange(m_hWnd, nullptr);
}

std::wstring CWnd::GetDlgItemText(int nID) const
{
    HWND hItem = GetDlgItem(nID);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hItem)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(hItem, &text[0], static_cast<int>(text.size()))));
    return text;
}

std::wstring CWnd::GetWindowText() const
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_hWnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(::GetWindowTextW(m_hWnd, &text[0], static_cast<int>(text.size()))));
    return text;
}

void CWnd::ScreenToClient(RECT* pRect) const
{
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(pRect), 2);
}

void CWnd::CenterWindow()
{
    HWND hOwner = ::GetWindow(m_hWnd, GW_OWNER);
    if (hOwner && (!::IsWindowVisible(hOwner) || ::IsIconic(hOwner)))
        hOwner = nullptr;
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(hOwner ? hOwner : m_hWnd, MONITOR_DEFAULTTONEAREST), &mi);
    RECT rcCenter = mi.rcWork;
    if (hOwner)
        ::GetWindowRect(hOwner, &rcCenter);

    RECT rc;
    ::GetWindowRect(m_hWnd, &rc);
    const LONG cx = rc.right - rc.left;
    const LONG cy = rc.bottom - rc.top;
    LONG x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    LONG y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Right and bottom edges first, so that the title bar stays reachable.
    x = std::max(mi.rcWork.left, std::min(x, mi.rcWork.right - cx));
    y = std::max(mi.rcWork.top, std::min(y, mi.rcWork.bottom - cy));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
