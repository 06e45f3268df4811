#include "framework/CmdUI.h"

#include "framework/Menu.h"
#include "framework/Wnd.h"

void CCmdUI::Enable(bool bOn)
{
    EnableMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : (MF_DISABLED | MF_GRAYED)));
    m_bEnableChanged = true;
}

void CCmdUI::SetCheck(int nCheck)
{
    CheckMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (nCheck ? MF_CHECKED : MF_UNCHECKED));
}

bool CCmdUI::DoUpdate(CWnd& target, bool bDisableIfNoHndler)
{
    m_bEnableChanged = false;
    bool bResult = target.OnUpdateCommand(*this);
    if (bDisableIfNoHndler && !m_bEnableChanged)
        Enable(target.HandlesCommand(m_nID));
    return bResult;
}

namespace
{
HMENU FindParentMenu(const CWnd& target, HMENU hPopup)
{
    if (hPopup == CMenu::GetTrackedPopup())
        return hPopup;
    HMENU hBar = ::GetMenu(target.GetSafeHwnd());
    if (!hBar)
        return nullptr;
    int nCount = GetMenuItemCount(hBar);
    for (int i = 0; i < nCount; ++i)
    {
        if (GetSubMenu(hBar, i) == hPopup)
            return hBar;
    }
    return nullptr;
}

UINT ItemCount(HMENU hMenu)
{
    int nCount = GetMenuItemCount(hMenu);
    return nCount < 0 ? 0 : static_cast<UINT>(nCount);
}
}

void UpdateMenuPopup(CWnd& target, HMENU hPopup)
{
    if (!IsMenu(hPopup))
        return;
    CCmdUI state;
    state.m_pMenu = hPopup;
    state.m_pParentMenu = FindParentMenu(target, hPopup);
    state.m_nIndexMax = ItemCount(hPopup);
    for (state.m_nIndex = 0; state.m_nIndex < state.m_nIndexMax; ++state.m_nIndex)
    {
        state.m_nID = GetMenuItemID(hPopup, static_cast<int>(state.m_nIndex));
        if (state.m_nID == 0)
            continue; // separator
        if (state.m_nID == static_cast<UINT>(-1))
        {
            // The item opens a submenu: it stands for the submenu's first command.
            state.m_pSubMenu = GetSubMenu(hPopup, static_cast<int>(state.m_nIndex));
            if (!state.m_pSubMenu)
                continue;
            state.m_nID = GetMenuItemID(state.m_pSubMenu, 0);
            if (state.m_nID == 0 || state.m_nID == static_cast<UINT>(-1))
                continue;
            state.DoUpdate(target, true);
        }
        else
        {
            state.m_pSubMenu = nullptr;
            state.DoUpdate(target, false);
        }

        // An update handler may have removed items: step back past them.
        UINT nCount = ItemCount(hPopup);
        if (nCount < state.m_nIndexMax)
        {
            state.m_nIndex -= state.m_nIndexMax - nCount;
            while (state.m_nIndex < nCount &&
                   GetMenuItemID(hPopup, static_cast<int>(state.m_nIndex)) == state.m_nID)
                ++state.m_nIndex;
        }
        state.m_nIndexMax = nCount;
    }
}
