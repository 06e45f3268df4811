#include "WindowLayout.h"

#include "res/resource.h"

#include <commctrl.h>

#include <cstdio>

namespace
{
// The template's controls; the panes follow.
const int CONTROLS[] = {IDC_LABEL_ROBOT, IDC_ROBOT_STATUS, IDC_ROBOT_DETAIL, IDC_LABEL_CALL, IDC_CALL_COUNT,
                        IDC_CALL_DETAIL, IDC_RECEIVE_TIME, IDC_TAB_LOG, IDC_BTN_CLEAR, IDC_BTN_TOEND, IDCANCEL};

std::string Text(const RECT& rc)
{
    char sz[64];
    std::snprintf(sz, sizeof sz, "(%ld,%ld)-(%ld,%ld)", rc.left, rc.top, rc.right, rc.bottom);
    return sz;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right
           && inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b)
{
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

bool IsPane(int nID)
{
    return nID >= IDC_LIST_LOG0 && nID < IDC_LIST_LOG0 + PANE_COUNT;
}
}

SWindowLayout SWindowLayout::Read(HWND hDlg, const std::function<bool(int, RECT&)>& tabItemRect)
{
    SWindowLayout layout;
    GetClientRect(hDlg, &layout.client);
    std::vector<int> ids(std::begin(CONTROLS), std::end(CONTROLS));
    for (int i = 0; i < PANE_COUNT; ++i)
        ids.push_back(IDC_LIST_LOG0 + i);
    for (int nID : ids)
    {
        SControl control = {nID, {}};
        HWND hItem = GetDlgItem(hDlg, nID);
        GetWindowRect(hItem, &control.rc);
        MapWindowPoints(nullptr, hDlg, reinterpret_cast<POINT*>(&control.rc), 2);
        layout.controls.push_back(control);
    }
    HWND hTab = GetDlgItem(hDlg, IDC_TAB_LOG);
    int nTabs = static_cast<int>(SendMessageW(hTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < nTabs; ++i)
    {
        RECT rc = {};
        if (!tabItemRect(i, rc))
            continue;
        MapWindowPoints(hTab, hDlg, reinterpret_cast<POINT*>(&rc), 2);
        layout.tabs.push_back(rc);
    }
    return layout;
}

RECT SWindowLayout::Of(int nID) const
{
    for (const SControl& control : controls)
        if (control.nID == nID)
            return control.rc;
    return RECT{};
}

std::vector<std::string> SWindowLayout::Faults() const
{
    std::vector<std::string> faults;
    RECT tab = Of(IDC_TAB_LOG);
    if (tabs.size() != PANE_COUNT)
        faults.push_back("tab items read: " + std::to_string(tabs.size()));
    for (const SControl& a : controls)
    {
        if (!Inside(a.rc, client) || IsRectEmpty(&a.rc))
            faults.push_back(std::to_string(a.nID) + " " + Text(a.rc) + " is not whole in the window " + Text(client));
        if (IsPane(a.nID))
        {
            if (!Inside(a.rc, tab))
                faults.push_back("pane " + std::to_string(a.nID) + " " + Text(a.rc) + " leaves the tabs " + Text(tab));
            for (const RECT& item : tabs)
                if (a.rc.top < item.bottom)
                    faults.push_back("pane " + std::to_string(a.nID) + " " + Text(a.rc) + " covers the tab " + Text(item));
            continue;
        }
        for (const SControl& b : controls)
            if (&a < &b && !IsPane(b.nID) && Overlap(a.rc, b.rc))
                faults.push_back(std::to_string(a.nID) + " " + Text(a.rc) + " overlaps " + std::to_string(b.nID) + " " +
                                 Text(b.rc));
    }
    for (const RECT& item : tabs)
        if (!Inside(item, tab))
            faults.push_back("tab " + Text(item) + " is not whole in the tab control " + Text(tab));
    return faults;
}

std::string SWindowLayout::Describe() const
{
    std::string text = "client " + Text(client);
    for (const SControl& control : controls)
        text += "\n  " + std::to_string(control.nID) + " " + Text(control.rc);
    for (const RECT& item : tabs)
        text += "\n  tab " + Text(item);
    return text;
}
