#pragma once

#include <windows.h>

class CWnd;

// Carries one command's state (enabled, checked) to its menu item. The
// window's update handler decides the state; this object only applies it.
class CCmdUI
{
public:
    void Enable(bool bOn = true);
    void SetCheck(int nCheck = 1);

    // Asks target's update handler for m_nID. With bDisableIfNoHndler, an
    // item whose command the target does not handle at all is greyed.
    bool DoUpdate(CWnd& target, bool bDisableIfNoHndler);

    UINT m_nID = 0;
    UINT m_nIndex = 0;
    UINT m_nIndexMax = 0;
    HMENU m_pMenu = nullptr;
    HMENU m_pSubMenu = nullptr;     // the item opens this submenu
    HMENU m_pParentMenu = nullptr;  // the bar, the popup itself when tracked, or none
    bool m_bEnableChanged = false;
};

// The update pass of WM_INITMENUPOPUP: every item of hPopup is routed to
// target's update handlers, for the menu bar and a tracked popup alike.
void UpdateMenuPopup(CWnd& target, HMENU hPopup);
