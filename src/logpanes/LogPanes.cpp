#include "logpanes/LogPanes.h"

#include "framework/TextConvert.h"

#include <cstring>
#include <cwchar>
#include <vector>

namespace
{
const wchar_t* const PANE_CAPTIONS[CLogPanes::PANE_COUNT] = {
    L"일반", L"mqtt", L"publish", L"subscribe", L"log",
};
}

std::wstring LogLineText(const char* pszText)
{
    if (!pszText)
        return std::wstring();
    const size_t nBytes = std::strlen(pszText);
    const size_t nMax = CLogPanes::MAX_TEXT_CHARS;
    // A character of at most four bytes gives at least one UTF-16 unit, so
    // this much of a longer text always fills the line: the rest is never
    // converted, however large the text.
    size_t nHead = nBytes < 4 * nMax ? nBytes : 4 * nMax;
    bool bCut = nHead < nBytes;
    // Not inside a character: back over the continuation bytes (10xxxxxx)
    // of the one that the cut would split.
    while (bCut && nHead > 0 && (static_cast<unsigned char>(pszText[nHead]) & 0xC0) == 0x80)
        --nHead;
    std::wstring text = Utf8ToWide(std::string(pszText, nHead));
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

std::wstring FormatLogTime(std::time_t t)
{
    std::tm local = {};
    if (localtime_s(&local, &t) != 0)
        return std::wstring();
    wchar_t szTime[128];
    size_t nLen = std::wcsftime(szTime, 128, L"%H:%M:%S  ", &local);
    return std::wstring(szTime, nLen);
}

CLogPanes::CLogPanes(CWnd& parent, CTabCtrl& tab, CListBox* pLists)
    : m_parent(parent), m_tab(tab), m_pLists(pLists)
{
}

void CLogPanes::Create()
{
    for (int i = 0; i < PANE_COUNT; ++i)
        m_tab.InsertItem(i, PANE_CAPTIONS[i]);

    RECT rc;
    m_tab.GetWindowRect(&rc);
    m_parent.ScreenToClient(&rc);
    rc.left += 20;
    rc.top += 40;
    rc.right -= 20;
    rc.bottom -= 10;

    HFONT hFont = m_parent.GetFont();
    for (int i = 0; i < PANE_COUNT; ++i)
    {
        m_pLists[i].Create(LIST_STYLE, rc, m_parent.GetSafeHwnd(), FIRST_LIST_ID + i);
        m_pLists[i].SetFont(hFont, true);
    }
}

void CLogPanes::Append(int nPane, const char* pszText)
{
    CListBox& list = m_pLists[nPane];
    int nSel = list.GetCurSel();
    int nCount = list.GetCount();
    std::wstring line = FormatLogTime(std::time(nullptr)) + LogLineText(pszText);

    // A shown pane would scroll and repaint at each of the steps below; it is
    // drawn once, at the next paint, instead (in a batch: once for all). A
    // hidden pane draws nothing, and must not be held: on Windows the
    // default handling of WM_SETREDRAW TRUE makes a hidden window visible.
    const bool bShown = IsShown(list);
    if (bShown)
        HoldRedraw(nPane);
    list.AddString(line);
    if (list.GetCount() > MAX_LINES)
        list.DeleteString(0);
    // Following the tail: the last line was selected, or the pane was empty.
    if (nSel == nCount - 1)
        list.SetCurSel(list.GetCount() - 1);
    if (bShown && m_nBatch == 0)
        ReleaseRedraw(nPane);

    // The current pane's extent already covers its other lines, so only the
    // new one can widen it. A covered pane that is no longer current (its
    // tab was changed without notice) has to be measured whole next time.
    if (nPane == m_nCoveredPane)
    {
        if (nPane != GetCurrentPane())
            m_nCoveredPane = -1;
        else if (m_nBatch > 0)
            m_unmeasured.push_back(line);
        else
            WidenExtent(list, {line});
    }
}

void CLogPanes::EndBatch()
{
    if (m_nBatch == 0 || --m_nBatch > 0)
        return;
    // Measured while still undrawn, so that a wider extent costs no drawing of its own.
    if (!m_unmeasured.empty() && m_nCoveredPane >= 0)
    {
        if (m_nCoveredPane == GetCurrentPane())
            WidenExtent(m_pLists[m_nCoveredPane], m_unmeasured);
        else
            m_nCoveredPane = -1;
    }
    m_unmeasured.clear();
    for (int i = 0; i < PANE_COUNT; ++i)
        ReleaseRedraw(i);
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
    m_pLists[nPane].SendMessage(WM_SETREDRAW, FALSE);
}

void CLogPanes::ReleaseRedraw(int nPane)
{
    if (!m_bHeld[nPane])
        return;
    m_bHeld[nPane] = false;
    m_pLists[nPane].SendMessage(WM_SETREDRAW, TRUE);
    InvalidateRect(m_pLists[nPane].GetSafeHwnd(), nullptr, TRUE);
}

void CLogPanes::ShowCurrent()
{
    int nCurrent = GetCurrentPane();
    for (int i = 0; i < PANE_COUNT; ++i)
    {
        // Redraw goes back on while the pane is still shown, never after.
        if (i != nCurrent)
            ReleaseRedraw(i);
        m_pLists[i].ShowWindow(i == nCurrent ? SW_SHOW : SW_HIDE);
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

void CLogPanes::Clear()
{
    if (CListBox* pList = CurrentList())
        pList->ResetContent();
}

void CLogPanes::ToEnd()
{
    if (CListBox* pList = CurrentList())
        pList->SetCurSel(pList->GetCount() - 1);
}

bool CLogPanes::GetSelectedLine(int nPane, std::wstring& line) const
{
    int nSel = m_pLists[nPane].GetCurSel();
    return nSel >= 0 && m_pLists[nPane].GetText(nSel, line);
}

CListBox* CLogPanes::CurrentList()
{
    int nCurrent = GetCurrentPane();
    return (nCurrent >= 0 && nCurrent < PANE_COUNT) ? &m_pLists[nCurrent] : nullptr;
}
