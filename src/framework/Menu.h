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
    HMENU GetSafeHmenu() const { return m_hMenu; }

    // Tracks hPopup at (x, y); while it is tracked, GetTrackedPopup names it.
    static BOOL TrackPopupMenu(HMENU hPopup, UINT nFlags, int x, int y, HWND hOwner);
    static HMENU GetTrackedPopup();

    HMENU m_hMenu = nullptr;
};
