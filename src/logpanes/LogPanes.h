#pragma once

#include "framework/ListBox.h"
#include "framework/TabCtrl.h"

#include <ctime>
#include <string>

// The five tabbed, time-stamped log lists under the status board. The tab
// control and the list boxes belong to the window; this works on them.
class CLogPanes
{
public:
    enum
    {
        PANE_COUNT = 5,
        MAX_LINES = 100,
        FIRST_LIST_ID = 101,
    };
    static const DWORD LIST_STYLE = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY;

    CLogPanes(CWnd& parent, CTabCtrl& tab, CListBox* pLists);

    // The tab items, then the list boxes over the tab's page area, hidden.
    void Create();
    // Adds one time-stamped line, keeps the bound and follows the tail when
    // the last line was selected (or the pane was empty).
    void Append(int nPane, const std::wstring& text);
    void ShowCurrent();
    // Widens the current pane's horizontal extent to its widest line; never
    // narrows it.
    void UpdateHorizontalExtent();
    void Clear();
    void ToEnd();
    // False when the pane has no selected line.
    bool GetSelectedLine(int nPane, std::wstring& line) const;
    int GetCurrentPane() const { return m_tab.GetCurSel(); }

private:
    CListBox* CurrentList();

    CWnd& m_parent;
    CTabCtrl& m_tab;
    CListBox* m_pLists;
};

// "%H:%M:%S  " in local time; empty when the time cannot be formatted.
std::wstring FormatLogTime(std::time_t t);
