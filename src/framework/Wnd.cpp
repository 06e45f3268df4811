#include "framework/Wnd.h"

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

bool CWnd::OnUpdateCommand(CCmdUI&)
{
    return false;
}

bool CWnd::HandlesCommand(UINT) const
{
    return false;
}
