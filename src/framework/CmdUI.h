#pragma once

#include <windows.h>

// Carries one command's state (enabled, checked) to its menu item. The
// window's update handler decides the state; this only applies it.
class CCmdUI
{
public:
    CCmdUI(HMENU hMenu, UINT nIndex, UINT nID) : m_nID(nID), m_hMenu(hMenu), m_nIndex(nIndex) {}

    void Enable(bool bOn = true);
    void SetCheck(int nCheck = 1);

    const UINT m_nID;
    bool m_bEnableChanged = false;

private:
    HMENU m_hMenu;
    UINT m_nIndex;
};

// What the update pass asks: the update handler of a command (true when
// there is one and it ran), and whether a command is handled at all.
class CCmdTarget
{
public:
    virtual bool OnUpdateCommand(CCmdUI& cmdUI) = 0;
    virtual bool HandlesCommand(UINT nID) const = 0;

protected:
    ~CCmdTarget() = default;
};

// The update pass of WM_INITMENUPOPUP: every item of hPopup is routed to
// target's update handler, for the menu bar and a tracked popup alike. An
// item that opens a submenu stands for the submenu's first command, and is
// greyed when target does not handle that command at all.
void UpdateMenuPopup(CCmdTarget& target, HMENU hPopup);
