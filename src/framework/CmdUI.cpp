#include "framework/CmdUI.h"

void CCmdUI::Enable(bool bOn)
{
    EnableMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    m_bEnableChanged = true;
}

void CCmdUI::SetCheck(int nCheck)
{
    CheckMenuItem(m_hMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

namespace
{
UINT ItemCount(HMENU hMenu)
{
    int nCount = GetMenuItemCount(hMenu);
    return nCount < 0 ? 0 : static_cast<UINT>(nCount);
}

const UINT SUBMENU_ITEM = static_cast<UINT>(-1);
}

void UpdateMenuPopup(CCmdTarget& target, HMENU hPopup)
{
    if (!IsMenu(hPopup))
        return;
    UINT nIndexMax = ItemCount(hPopup);
    for (UINT nIndex = 0; nIndex < nIndexMax; ++nIndex)
    {
        UINT nID = GetMenuItemID(hPopup, static_cast<int>(nIndex));
        if (nID == 0)
            continue; // separator
        bool bDisableIfNoHandler = false;
        if (nID == SUBMENU_ITEM)
        {
            HMENU hSubMenu = GetSubMenu(hPopup, static_cast<int>(nIndex));
            nID = hSubMenu ? GetMenuItemID(hSubMenu, 0) : 0;
            if (nID == 0 || nID == SUBMENU_ITEM)
                continue;
            bDisableIfNoHandler = true;
        }
        CCmdUI state(hPopup, nIndex, nID);
        target.OnUpdateCommand(state);
        if (bDisableIfNoHandler && !state.m_bEnableChanged)
            state.Enable(target.HandlesCommand(nID));

        // An update handler may have removed items: step back past them.
        UINT nCount = ItemCount(hPopup);
        if (nCount < nIndexMax)
        {
            nIndex -= nIndexMax - nCount;
            while (nIndex < nCount && GetMenuItemID(hPopup, static_cast<int>(nIndex)) == nID)
                ++nIndex;
        }
        nIndexMax = nCount;
    }
}
