#include "DialogFixture.h"
#include "MessageRecorder.h"

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <regex>
#include <string>

// PANE_GENERAL and PANE_PUBLISH get nothing from the failed connection at
// start: their lines are the tests' own.
namespace
{
std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}
}

TEST_F(CDialogTest, PanesAreListBoxesOverTheTabsOneShownAtATime)
{
    HWND hTab = Item(IDC_TAB_LOG);
    ASSERT_EQ(SendMessageW(hTab, TCM_GETITEMCOUNT, 0, 0), 5);
    const wchar_t* captions[] = { L"일반", L"mqtt", L"publish", L"subscribe", L"log" };
    for (int i = 0; i < 5; ++i)
    {
        wchar_t szText[32] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = szText;
        item.cchTextMax = 32;
        SendMessageW(hTab, TCM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(std::wstring(szText), captions[i]);

        HWND hPane = Pane(i);
        ASSERT_NE(hPane, nullptr);
        EXPECT_EQ(GetParent(hPane), m_hWnd);
        // The list box itself adds and drops the scroll-bar bits as it needs them.
        EXPECT_EQ(GetWindowLongW(hPane, GWL_STYLE) & ~(WS_VISIBLE | WS_VSCROLL | WS_HSCROLL),
                  WS_CHILD | WS_BORDER | LBS_NOTIFY);
        EXPECT_EQ(SendMessageW(hPane, WM_GETFONT, 0, 0), SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        EXPECT_EQ(IsWindowVisible(hPane) != FALSE, i == 0) << "pane " << i;
    }

    SelectTab(3);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(IsWindowVisible(Pane(i)) != FALSE, i == 3) << "pane " << i;
}

TEST_F(CDialogTest, LinesCarryTheTimeAndFollowTheTail)
{
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "첫 줄");
    ASSERT_EQ(LineCount(PANE_GENERAL), 1);
    EXPECT_EQ(Selection(PANE_GENERAL), 0) << "the first line of an empty pane is selected";
    std::wstring first = Line(PANE_GENERAL, 0);
    EXPECT_TRUE(std::regex_match(Narrow(first.substr(0, 10)), std::regex("[0-2][0-9]:[0-5][0-9]:[0-6][0-9]  ")));
    EXPECT_EQ(first.substr(10), L"첫 줄");

    m_pDlg->Panes().AppendLog(PANE_GENERAL, "");
    EXPECT_EQ(Line(PANE_GENERAL, 1).size(), 10u) << "an empty text leaves the time and two spaces";
    EXPECT_EQ(Selection(PANE_GENERAL), 1);

    // An older line selected: the selection stays while lines arrive.
    SendMessageW(Pane(PANE_GENERAL), LB_SETCURSEL, 0, 0);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "third");
    EXPECT_EQ(Selection(PANE_GENERAL), 0);

    // Back to the end: following again.
    Command(IDC_BTN_TOEND);
    EXPECT_EQ(Selection(PANE_GENERAL), 2);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "fourth");
    EXPECT_EQ(Selection(PANE_GENERAL), 3);
}

TEST_F(CDialogTest, APaneKeepsItsNewestHundredLines)
{
    for (int i = 1; i <= 101; ++i)
        m_pDlg->Panes().AppendLog(PANE_GENERAL, ("line " + std::to_string(i)).c_str());
    ASSERT_EQ(LineCount(PANE_GENERAL), 100);
    EXPECT_EQ(Line(PANE_GENERAL, 0).substr(10), L"line 2");
    EXPECT_EQ(Line(PANE_GENERAL, 99).substr(10), L"line 101");
    EXPECT_EQ(Selection(PANE_GENERAL), 99);

    // The selected oldest line is dropped: no selection, and no following
    // until "끝으로".
    SendMessageW(Pane(PANE_GENERAL), LB_SETCURSEL, 0, 0);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "line 102");
    EXPECT_EQ(LineCount(PANE_GENERAL), 100);
    EXPECT_EQ(Selection(PANE_GENERAL), LB_ERR);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "line 103");
    EXPECT_EQ(Selection(PANE_GENERAL), LB_ERR);
    Command(IDC_BTN_TOEND);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "line 104");
    EXPECT_EQ(Selection(PANE_GENERAL), 99);
    EXPECT_EQ(Line(PANE_GENERAL, 99).substr(10), L"line 104");
}

TEST_F(CDialogTest, ClearEmptiesOnlyTheCurrentPaneAndKeepsTheScrollRange)
{
    std::string wide(200, 'W');
    m_pDlg->Panes().AppendLog(PANE_GENERAL, wide.c_str());
    m_pDlg->Panes().AppendLog(PANE_PUBLISH, "kept");
    LRESULT cxBefore = SendMessageW(Pane(PANE_GENERAL), LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GT(cxBefore, 0);

    Command(IDC_BTN_CLEAR);
    EXPECT_EQ(LineCount(PANE_GENERAL), 0);
    EXPECT_EQ(LineCount(PANE_PUBLISH), 1);
    m_pDlg->Panes().AppendLog(PANE_GENERAL, "short");
    EXPECT_EQ(SendMessageW(Pane(PANE_GENERAL), LB_GETHORIZONTALEXTENT, 0, 0), cxBefore);
    EXPECT_EQ(Selection(PANE_GENERAL), 0) << "the next line after clearing is followed";

    // "끝으로" on an empty pane changes nothing.
    Command(IDC_BTN_CLEAR);
    Command(IDC_BTN_TOEND);
    EXPECT_EQ(LineCount(PANE_GENERAL), 0);
    EXPECT_EQ(Selection(PANE_GENERAL), LB_ERR);
}

TEST_F(CDialogTest, AHiddenPaneIsMeasuredWhenItBecomesCurrent)
{
    std::string wide(150, 'M');
    m_pDlg->Panes().AppendLog(PANE_PUBLISH, wide.c_str());
    EXPECT_EQ(SendMessageW(Pane(PANE_PUBLISH), LB_GETHORIZONTALEXTENT, 0, 0), 0);

    SelectTab(PANE_PUBLISH);
    LRESULT cxWide = SendMessageW(Pane(PANE_PUBLISH), LB_GETHORIZONTALEXTENT, 0, 0);
    EXPECT_GT(cxWide, 0);

    // A line for pane 0 re-measures the current pane, not pane 0.
    m_pDlg->Panes().AppendLog(PANE_GENERAL, (wide + wide).c_str());
    EXPECT_EQ(SendMessageW(Pane(PANE_GENERAL), LB_GETHORIZONTALEXTENT, 0, 0), 0);
    EXPECT_EQ(SendMessageW(Pane(PANE_PUBLISH), LB_GETHORIZONTALEXTENT, 0, 0), cxWide);

    SelectTab(PANE_GENERAL);
    EXPECT_GT(SendMessageW(Pane(PANE_GENERAL), LB_GETHORIZONTALEXTENT, 0, 0), cxWide);
}

TEST_F(CDialogTest, DoubleClickShowsTheSelectedLineAndNothingWithoutOne)
{
    CDialogCloser boxes;

    Command(IDC_LIST_LOG0 + PANE_GENERAL, LBN_DBLCLK);
    EXPECT_EQ(boxes.nCount, 0) << "an empty pane has no line to show";

    m_pDlg->Panes().AppendLog(PANE_GENERAL, "두 번 누른 줄");
    Command(IDC_LIST_LOG0 + PANE_GENERAL, LBN_DBLCLK);
    EXPECT_EQ(boxes.nCount, 1);
    EXPECT_EQ(boxes.caption, L"Tavrin");
    EXPECT_EQ(boxes.text, Line(PANE_GENERAL, 0));
}

TEST_F(CDialogTest, HiddenPanesNeverGetRedrawMessagesAndStayHidden)
{
    CMessageRecorder recorder({Pane(0), Pane(1), Pane(2), Pane(3), Pane(4)});
    auto lines = [&](int nTimes) {
        for (int i = 0; i < nTimes; ++i)
            for (int nPane = 0; nPane < 5; ++nPane)
                m_pDlg->Panes().AppendLog(nPane, "burst");
    };
    auto exactlyShown = [&](int nCurrent) {
        for (int nPane = 0; nPane < 5; ++nPane)
            EXPECT_EQ((GetWindowLongW(Pane(nPane), GWL_STYLE) & WS_VISIBLE) != 0, nPane == nCurrent) << nPane;
    };

    lines(3);
    exactlyShown(0);
    {
        CTavrinDlg::CScreenBatch batch(*m_pDlg);
        lines(3);
        SelectTab(3); // a tab picked while the batch holds the old pane
        lines(3);
    }
    exactlyShown(3);
    SendMessageW(m_hWnd, WM_TIMER, IDT_POLL, 0);
    exactlyShown(3);

    EXPECT_FALSE(recorder.Of(WM_SETREDRAW).empty()) << "the shown pane is still drawn once per batch";
    for (const auto& m : recorder.Of(WM_SETREDRAW))
        EXPECT_TRUE(m.bVisible) << "WM_SETREDRAW " << m.wParam << " to a hidden pane";
}

TEST_F(CDialogTest, AStreamDrawsTheShownPaneAtEveryFourthBatchAndAQuietOneDrawsTheRest)
{
    auto batch = [&](int nLines) {
        CTavrinDlg::CScreenBatch b(*m_pDlg);
        for (int i = 0; i < nLines; ++i)
            m_pDlg->Panes().AppendLog(PANE_GENERAL, "stream");
    };
    for (int i = 0; i < CLogPanes::DRAW_EVERY_BATCHES; ++i)
        batch(0); // quiet long enough that the next line is drawn at once
    Command(IDC_BTN_CLEAR, BN_CLICKED);
    CMessageRecorder recorder({Pane(PANE_GENERAL)});
    auto draws = [&] {
        const auto all = recorder.Of(WM_SETREDRAW);
        return static_cast<size_t>(std::count_if(all.begin(), all.end(), [](const auto& m) { return m.wParam != 0; }));
    };
    // batches with lines, then quiet ones: draws after each, lines after each
    const struct { int nLines; size_t nDraws; int nCount; } steps[] = {
        {1, 1, 1}, {2, 1, 3}, {1, 1, 4}, {1, 1, 5}, {1, 2, 6}, {1, 2, 7},
        {0, 3, 7}, {0, 3, 7}, {1, 3, 8}, {1, 3, 9}, {1, 4, 10},
    };
    for (size_t i = 0; i < std::size(steps); ++i)
    {
        batch(steps[i].nLines);
        EXPECT_EQ(draws(), steps[i].nDraws) << "after batch " << i;
        EXPECT_EQ(SendMessageW(Pane(PANE_GENERAL), LB_GETCOUNT, 0, 0), steps[i].nCount) << "after batch " << i;
    }
    // A command on a held pane is drawn at once.
    batch(1);
    const size_t nBefore = draws();
    Command(IDC_BTN_TOEND, BN_CLICKED);
    EXPECT_EQ(draws(), nBefore + 1);
}

