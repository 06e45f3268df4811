#include "framework/Menu.h"

#include "framework/WinApp.h"

#include <utility>

namespace
{
thread_local HMENU t_hTrackedPopup = nullptr;
}

bool CMenu::LoadMenu(UINT nIDResource)
{
    DestroyMenu();
    m_hMenu = ::LoadMenuW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(nIDResource));
    return m_hMenu != nullptr;
}

void CMenu::DestroyMenu()
{
    if (m_hMenu)
        ::DestroyMenu(m_hMenu);
    m_hMenu = nullptr;
}

BOOL CMenu::TrackPopupMenu(HMENU hPopup, UINT nFlags, int x, int y, HWND hOwner)
{
    HMENU hOuter = std::exchange(t_hTrackedPopup, hPopup);
    BOOL bResult = ::TrackPopupMenu(hPopup, nFlags, x, y, 0, hOwner, nullptr);
    t_hTrackedPopup = hOuter;
    return bResult;
}

HMENU CMenu::GetTrackedPopup()
{
    return t_hTrackedPopup;
}
