#pragma once

#include "framework/ListBox.h"
#include "framework/TabCtrl.h"

#include <ctime>
#include <string>
#include <vector>

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
        // Longer texts are cut for display: a list box holds, draws and
        // measures its lines whole, and a payload may be megabytes.
        MAX_TEXT_CHARS = 4096,
    };
    static const DWORD LIST_STYLE = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY;

    CLogPanes(CWnd& parent, CTabCtrl& tab, CListBox* pLists);

    // The tab items, then the list boxes over the tab's page area, hidden.
    void Create();
    // Adds one time-stamped line of UTF-8 text (as LogLineText shows it),
    // keeps the bound and follows the tail when the last line was selected
    // (or the pane was empty).
    void Append(int nPane, const char* pszText);
    void ShowCurrent();
    // Widens the current pane's horizontal extent to its widest line; never
    // narrows it. Lines are measured once: a pane that stays current has
    // each new line measured as it comes.
    void UpdateHorizontalExtent();
    void Clear();
    void ToEnd();
    // Between the two, appends neither draw nor measure: the end draws each
    // pane that got lines once and measures the current pane's new lines,
    // so that a poll that takes in hundreds of messages costs one drawing.
    // Calls nest; only the outermost end does the work.
    void BeginBatch() { ++m_nBatch; }
    void EndBatch();
    // False when the pane has no selected line.
    bool GetSelectedLine(int nPane, std::wstring& line) const;
    int GetCurrentPane() const { return m_tab.GetCurSel(); }

private:
    CListBox* CurrentList();
    static bool IsShown(const CListBox& list);
    // Redraw is held off only on a shown pane, and let go before it is hidden.
    void HoldRedraw(int nPane);
    void ReleaseRedraw(int nPane);
    static void WidenExtent(CListBox& list, const std::vector<std::wstring>& lines);

    CWnd& m_parent;
    CTabCtrl& m_tab;
    CListBox* m_pLists;
    // The pane whose extent covers all its lines; -1 for none yet.
    int m_nCoveredPane = -1;
    int m_nBatch = 0;
    bool m_bHeld[PANE_COUNT] = {}; // redraw off until the batch ends
    std::vector<std::wstring> m_unmeasured; // the covered pane's lines of this batch
};

// The UTF-8 text as a pane shows it: whole, or its first MAX_TEXT_CHARS
// UTF-16 units (never half a surrogate pair) followed by the mark
// "… (N bytes)" with the full size.
std::wstring LogLineText(const char* pszText);

// "%H:%M:%S  " in local time; empty when the time cannot be formatted.
std::wstring FormatLogTime(std::time_t t);
