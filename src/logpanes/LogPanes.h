#pragma once

#include "framework/ListBox.h"
#include "framework/TabCtrl.h"
#include "logpanes/PaneLimits.h"
#include "res/resource.h"

#include <ctime>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// The five tabbed, time-stamped log lists under the status board, and the
// user's commands on them: switch, clear, jump to the end, double-click.
class CLogPanes
{
public:
    enum
    {
        MAX_LINES = PANE_MAX_LINES,
        MAX_TEXT_CHARS = PANE_LINE_CHARS,
        // While lines keep coming, the shown pane is drawn at the first
        // batch end and then at every fourth (about eight times a second at
        // one poll every 30 ms); a batch end without lines draws what is
        // left undrawn. Its lines are in the list at every batch end.
        DRAW_EVERY_BATCHES = 4,
    };
    static const DWORD LIST_STYLE = WS_CHILD | WS_BORDER | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY;
    // Between the tab control's page area and the panes, in pixels at 100 %.
    enum { PANE_MARGIN_SIDE = 16, PANE_MARGIN_TOP = 12, PANE_MARGIN_BOTTOM = 8 };

    explicit CLogPanes(CWnd& parent);

    // The tab items, then the list boxes over the tab's page area, hidden.
    // The window binds m_tabLog to its template's tab control first.
    void Create();
    // The panes over the tab control's page area again, at nDpi: after the
    // window has been laid out for another scale.
    void Layout(UINT nDpi);
    RECT PaneRect(UINT nDpi) const;
    // Adds one line of UTF-8 text (as LogLineText shows it), stamped with
    // the time of this call; keeps the bound, follows the tail when the last
    // line was selected (or the pane was empty), and shows the current pane.
    // In a batch all of that is done once, when the batch ends.
    void AppendLog(int nPane, const char* pszText);
    void ShowCurrentPane();
    // Widens the current pane's horizontal extent to its widest line; never
    // narrows it. Lines are measured once: a pane that stays current has
    // each new line measured as it comes.
    void UpdateHorizontalExtent();
    // Between the two, appends only note their lines. The end puts them
    // into the panes as if they had come one by one: each pane gets the
    // newest of them that its bound keeps, is drawn once, and the current
    // pane's extent covers every line it got. A poll that takes in hundreds
    // of messages costs one update of each pane. Calls nest; only the
    // outermost end does the work. Callers end a batch at every poll, with
    // lines or without.
    void BeginBatch() { ++m_nBatch; }
    void EndBatch();

    // The tab control's TCN_SELCHANGE.
    void OnTabSelChange(LRESULT* pResult);
    // The panes' own commands: the buttons "지우기" and "끝으로", and a
    // double-click on a line. False for any other command.
    bool OnCommand(UINT nID, UINT nCode);

    int GetCurrentPane() const { return m_tabLog.GetCurSel(); }

    CTabCtrl m_tabLog;
    CListBox m_listLog[PANE_COUNT];

private:
    // A line as it was appended, before it is made into the pane's text.
    struct SPendingLine
    {
        std::time_t t;
        std::string head; // the part of the text that the line shows
        size_t nBytes;    // the size of the whole text
    };

    void ApplyPending(int nPane, std::vector<std::wstring>* pAdded);
    std::wstring LineOf(const SPendingLine& pending);
    void OnPaneDblClk(UINT nID);
    void OnClear();
    void OnToEnd();
    CListBox* CurrentList();
    static bool IsShown(const CListBox& list);
    // Redraw is held off only on a shown pane, and let go before it is hidden.
    void HoldRedraw(int nPane);
    void ReleaseRedraw(int nPane);
    void ReleaseAll();
    static void WidenExtent(CListBox& list, const std::vector<std::wstring>& lines);

    CWnd& m_parent;
    // The pane whose extent covers all its lines; -1 for none yet.
    int m_nCoveredPane = -1;
    int m_nBatch = 0;
    bool m_bAppended = false;                       // in this batch
    std::deque<SPendingLine> m_pending[PANE_COUNT]; // the newest MAX_LINES of this batch
    std::vector<SPendingLine> m_unmeasured;         // the covered pane's, dropped within the batch
    bool m_bHeld[PANE_COUNT] = {};                  // redraw off until the pane is drawn
    int m_nEndsSinceDrawn = DRAW_EVERY_BATCHES;     // batch ends since the shown pane was drawn
    std::time_t m_tFormatted = -1;                  // FormatLogTime of this second, kept
    std::wstring m_strFormatted;
};

// The UTF-8 text as a pane shows it: whole, or its first MAX_TEXT_CHARS
// UTF-16 units (never half a surrogate pair) followed by the mark
// "… (N bytes)" with the full size.
std::wstring LogLineText(const char* pszText);
// The same from the head of a text of nBytes that LogLineHead kept.
std::string_view LogLineHead(std::string_view text);
std::wstring LogLineText(std::string_view head, size_t nBytes);

// "%H:%M:%S  " in local time; empty when the time cannot be formatted.
std::wstring FormatLogTime(std::time_t t);
