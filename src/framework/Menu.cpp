#include "framework/Menu.h"

#include "framework/WinApp.h"

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
