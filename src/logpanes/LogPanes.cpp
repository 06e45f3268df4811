#include "logpanes/LogPanes.h"

#include "framework/CurrentTime.h"
#include "framework/Dpi.h"
#include "framework/MessageBox.h"
#include "framework/SystemError.h"
#include "framework/TextConvert.h"
#include "text/Utf8.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace
{
const wchar_t* const PANE_CAPTIONS[PANE_COUNT] = {
    L"일반", L"mqtt", L"publish", L"subscribe", L"log",
};
}

// A character of at most four bytes gives at least one UTF-16 unit, so this
// much of a longer text always fills the line: the rest is never converted,
// nor kept, however large the text.
std::string_view LogLineHead(std::string_view text)
{
    return Utf8::Cut(text, 4 * CLogPanes::MAX_TEXT_CHARS);
}

std::wstring LogLineText(std::string_view head, size_t nBytes)
{
    const size_t nMax = CLogPanes::MAX_TEXT_CHARS;
    bool bCut = head.size() < nBytes;
    std::wstring text = Utf8ToWide(std::string(head));
    if (text.size() > nMax)
    {
        size_t n = nMax;
        if (IS_HIGH_SURROGATE(text[n - 1]))
            --n;
        text.resize(n);
        bCut = true;
    }
    if (bCut)
        text += L"\u2026 (" + std::to_wstring(nBytes) + L" bytes)";
    return text;
}

std::wstring LogLineText(const char* pszText)
{
    if (!pszText)
        return std::wstring();
    std::string_view text(pszText);
    return LogLineText(LogLineHead(text), text.size());
}

std::wstring FormatLogTime(std::time_t t)
{
    std::tm local = {};
    if (localtime_s(&local, &t) != 0)
        return std::wstring();
    wchar_t szTime[128];
    size_t nLen = std::wcsftime(szTime, 128, L"%H:%M:%S  ", &local);
    return std::wstring(szTime, nLen);
}

CLogPanes::CLogPanes(CWnd& parent) : m_parent(parent)
{
}

void CLogPanes::Create()
{
    for (int i = 0; i < PANE_COUNT; ++i)
        m_tabLog.InsertItem(i, PANE_CAPTIONS[i]);

    RECT rc = PaneRect(GetWindowDpi(m_parent.GetSafeHwnd()));
    HFONT hFont = m_parent.GetFont();
    for (int i = 0; i < PANE_COUNT; ++i)
    {
        if (!m_listLog[i].Create(LIST_STYLE, rc, m_parent.GetSafeHwnd(), IDC_LIST_LOG0 + i))
            TraceLastError("CreateWindowExW(LISTBOX)");
        m_listLog[i].SetFont(hFont, true);
    }
}

RECT CLogPanes::PaneRect(UINT nDpi) const
{
    // The tab control's page area, below its row of tabs at any scale and
    // font, with a margin that scales too.
    RECT rc;
    m_tabLog.GetWindowRect(&rc);
    m_parent.ScreenToClient(&rc);
    m_tabLog.SendMessage(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&rc));
    rc.left += ScaleByDpi(PANE_MARGIN_SIDE, nDpi);
    rc.top += ScaleByDpi(PANE_MARGIN_TOP, nDpi);
    rc.right -= ScaleByDpi(PANE_MARGIN_SIDE, nDpi);
    rc.bottom -= ScaleByDpi(PANE_MARGIN_BOTTOM, nDpi);
    return rc;
}

void CLogPanes::Layout(UINT nDpi)
{
    RECT rc = PaneRect(nDpi);
    for (CListBox& list : m_listLog)
        SetWindowPos(list.GetSafeHwnd(), nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLogPanes::AppendLog(int nPane, const char* pszText)
{
    BeginBatch();
    if (!m_bAppended)
    {
        // The current pane is measured whole first, if it is not yet: from
        // here on only the lines it gets need measuring.
        m_bAppended = true;
        UpdateHorizontalExtent();
    }
    std::string_view text(pszText ? pszText : "");
    std::deque<SPendingLine>& pending = m_pending[nPane];
    pending.push_back({CurrentTime(), std::string(LogLineHead(text)), text.size()});
    if (pending.size() > MAX_LINES)
    {
        // The bound takes it out within this batch: the current pane would
        // still have measured it.
        if (nPane == m_nCoveredPane)
            m_unmeasured.push_back(std::move(pending.front()));
        pending.pop_front();
    }
    EndBatch();
}

void CLogPanes::EndBatch()
{
    if (m_nBatch == 0 || --m_nBatch > 0)
        return;
    if (m_nEndsSinceDrawn < DRAW_EVERY_BATCHES)
        ++m_nEndsSinceDrawn;
    if (!m_bAppended)
    {
        ReleaseAll();
        return;
    }
    m_bAppended = false;

    // The current pane's new lines are measured while it is still undrawn,
    // so that a wider extent costs no drawing of its own.
    const int nCurrent = GetCurrentPane();
    std::vector<std::wstring> toMeasure;
    if (m_nCoveredPane >= 0 && m_nCoveredPane != nCurrent)
        m_nCoveredPane = -1; // its tab was changed without notice: measured whole next time
    if (m_nCoveredPane >= 0)
        for (const SPendingLine& line : m_unmeasured)
            toMeasure.push_back(LineOf(line));
    m_unmeasured.clear();

    for (int i = 0; i < PANE_COUNT; ++i)
        if (!m_pending[i].empty())
            ApplyPending(i, i == m_nCoveredPane ? &toMeasure : nullptr);
    if (!toMeasure.empty())
        WidenExtent(m_listLog[m_nCoveredPane], toMeasure);
    // Drawing a pane again costs far more than the lines it shows (its
    // scroll bars are drawn whole, and under some themes that takes
    // milliseconds); nobody reads thirty redraws a second.
    if (m_nEndsSinceDrawn >= DRAW_EVERY_BATCHES)
        ReleaseAll();
    ShowCurrentPane();
}

void CLogPanes::ReleaseAll()
{
    for (int i = 0; i < PANE_COUNT; ++i)
        ReleaseRedraw(i);
}

// The pane's lines of this batch (each added to pAdded too, where given),
// with the result of appending them one by one: the bound drops the oldest lines, a pane that followed its last line
// (or was empty) follows the new last line, and any other selection stays
// on its line, or goes with it.
void CLogPanes::ApplyPending(int nPane, std::vector<std::wstring>* pAdded)
{
    CListBox& list = m_listLog[nPane];
    std::deque<SPendingLine>& pending = m_pending[nPane];
    const int nSel = list.GetCurSel();
    const int nCount = list.GetCount();
    const int nKept = static_cast<int>(pending.size());

    // A shown pane would scroll and repaint at each of the steps below; it is
    // drawn once, at the next paint, instead. A hidden pane draws nothing,
    // and must not be held: on Windows the default handling of
    // WM_SETREDRAW TRUE makes a hidden window visible.
    if (IsShown(list))
        HoldRedraw(nPane);
    for (const SPendingLine& line : pending)
    {
        std::wstring text = LineOf(line);
        list.AddString(text);
        if (pAdded)
            pAdded->push_back(std::move(text));
    }
    pending.clear();
    // Dropped after the adds, as one by one: a pane that never gets short
    // keeps its scroll position.
    for (int nDrop = nCount + nKept - MAX_LINES; nDrop > 0; --nDrop)
        list.DeleteString(0);
    if (nSel == nCount - 1)
        list.SetCurSel(list.GetCount() - 1);
}

std::wstring CLogPanes::LineOf(const SPendingLine& pending)
{
    // Lines of one second share their time text.
    if (pending.t != m_tFormatted)
    {
        m_tFormatted = pending.t;
        m_strFormatted = FormatLogTime(pending.t);
    }
    return m_strFormatted + LogLineText(pending.head, pending.nBytes);
}

bool CLogPanes::IsShown(const CListBox& list)
{
    // The pane's own style: the whole window may be hidden in the tray.
    return (GetWindowLongW(list.GetSafeHwnd(), GWL_STYLE) & WS_VISIBLE) != 0;
}

void CLogPanes::HoldRedraw(int nPane)
{
    if (m_bHeld[nPane])
        return;
    m_bHeld[nPane] = true;
    m_listLog[nPane].SendMessage(WM_SETREDRAW, FALSE);
}

void CLogPanes::ReleaseRedraw(int nPane)
{
    if (!m_bHeld[nPane])
        return;
    m_bHeld[nPane] = false;
    m_nEndsSinceDrawn = 0;
    m_listLog[nPane].SendMessage(WM_SETREDRAW, TRUE);
    InvalidateRect(m_listLog[nPane].GetSafeHwnd(), nullptr, TRUE);
}

void CLogPanes::ShowCurrentPane()
{
    int nCurrent = GetCurrentPane();
    for (int i = 0; i < PANE_COUNT; ++i)
    {
        // Redraw goes back on while the pane is still shown, never after.
        if (i != nCurrent)
            ReleaseRedraw(i);
        m_listLog[i].ShowWindow(i == nCurrent ? SW_SHOW : SW_HIDE);
    }
    UpdateHorizontalExtent();
}

void CLogPanes::UpdateHorizontalExtent()
{
    CListBox* pList = CurrentList();
    if (!pList || GetCurrentPane() == m_nCoveredPane)
        return;
    std::vector<std::wstring> lines;
    std::wstring line;
    for (int i = 0; i < pList->GetCount(); ++i)
        if (pList->GetText(i, line))
            lines.push_back(line);
    WidenExtent(*pList, lines);
    m_nCoveredPane = GetCurrentPane();
}

void CLogPanes::WidenExtent(CListBox& list, const std::vector<std::wstring>& lines)
{
    // No font is selected: widths follow the context's default font.
    HDC hDC = GetDC(list.GetSafeHwnd());
    int cxWidest = 0;
    for (const std::wstring& line : lines)
    {
        SIZE size = {};
        GetTextExtentPoint32W(hDC, line.c_str(), static_cast<int>(line.size()), &size);
        if (size.cx > cxWidest)
            cxWidest = size.cx;
    }
    ReleaseDC(list.GetSafeHwnd(), hDC);
    if (list.GetHorizontalExtent() < cxWidest)
        list.SetHorizontalExtent(cxWidest);
}

void CLogPanes::OnTabSelChange(LRESULT* pResult)
{
    *pResult = 0;
    ShowCurrentPane();
}

bool CLogPanes::OnCommand(UINT nID, UINT nCode)
{
    if (nCode == LBN_DBLCLK && nID >= IDC_LIST_LOG0 && nID < IDC_LIST_LOG0 + PANE_COUNT)
    {
        OnPaneDblClk(nID);
        return true;
    }
    if (nCode != BN_CLICKED)
        return false;
    switch (nID)
    {
    case IDC_BTN_CLEAR:
        OnClear();
        return true;
    case IDC_BTN_TOEND:
        OnToEnd();
        return true;
    default:
        return false;
    }
}

void CLogPanes::OnPaneDblClk(UINT nID)
{
    // Without a selected line there is nothing to show.
    const CListBox& list = m_listLog[nID - IDC_LIST_LOG0];
    std::wstring line;
    int nSel = list.GetCurSel();
    if (nSel >= 0 && list.GetText(nSel, line))
        AfxMessageBox(line, MB_OK, 0);
}

// Only the current pane; its extent stays, and it is not shown again.
void CLogPanes::OnClear()
{
    if (CListBox* pList = CurrentList())
        pList->ResetContent();
    ReleaseAll(); // the user sees the command's effect at once
}

// On an empty pane this asks for line -1, which changes nothing.
void CLogPanes::OnToEnd()
{
    if (CListBox* pList = CurrentList())
        pList->SetCurSel(pList->GetCount() - 1);
    ReleaseAll();
}

CListBox* CLogPanes::CurrentList()
{
    int nCurrent = GetCurrentPane();
    return (nCurrent >= 0 && nCurrent < PANE_COUNT) ? &m_listLog[nCurrent] : nullptr;
}
