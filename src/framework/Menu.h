#pragma once

#include <windows.h>

// A menu handle; a menu loaded through this object is destroyed with it.
class CMenu
{
public:
    CMenu() = default;
    ~CMenu() { DestroyMenu(); }
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    bool LoadMenu(UINT nIDResource);
    void DestroyMenu();
    HMENU GetSubMenu(int nPos) const { return ::GetSubMenu(m_hMenu, nPos); }

    HMENU m_hMenu = nullptr;
};
