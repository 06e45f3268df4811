// A poll's worth of messages reaches the screen once, at the end of the
// batch that the timer handler holds around the poll, and leaves the window
// exactly as the same messages one at a time would.
#include "DialogFixture.h"

#include <json/json.h>

#include <optional>
#include <string>
#include <vector>

namespace
{
// What the intake and the window do with one received message.
void Receive(CTavrinDlg& dlg, const std::string& title, const std::string& content)
{
    dlg.AddLog(LOG_SUBSCRIBE, "payload of " + content);
    dlg.OnMessage(ROBOT_TOPIC, ParsedRobotMessage(title, content));
}

LRESULT Extent(HWND hPane)
{
    return SendMessageW(hPane, LB_GETHORIZONTALEXTENT, 0, 0);
}
}

TEST_F(CDialogTest, ABatchShowsTheLastTextsAndEveryLineWhenItEnds)
{
    const std::string wide(180, 'W');
    {
        CTavrinDlg::CScreenBatch batch(*m_pDlg);
        for (int i = 1; i <= 150; ++i)
            Receive(*m_pDlg, i % 2 ? "guide:start:김" + std::to_string(i) : "call:" + std::to_string(i) + ":add:박",
                    i == 120 ? wide : "line " + std::to_string(i));
        // Nothing on the board yet: the fields change once, at the end.
        EXPECT_EQ(ItemText(IDC_ROBOT_DETAIL), L"");
        EXPECT_EQ(ItemText(IDC_RECEIVE_TIME), L"");
    }
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"안내 중(시작)");
    EXPECT_EQ(ItemText(IDC_ROBOT_DETAIL), L"[김149]님");
    EXPECT_EQ(ItemText(IDC_CALL_COUNT), L"남은 호출 수: 150개");
    EXPECT_EQ(ItemText(IDC_CALL_DETAIL), L"[박] 님 (추가)");
    EXPECT_EQ(ItemText(IDC_RECEIVE_TIME).rfind(L"last receive: ", 0), 0u);

    // The newest hundred lines, followed to the end, in both panes.
    ASSERT_EQ(LineCount(0), 100);
    EXPECT_EQ(Line(0, 0).substr(10), L"line 51");
    EXPECT_EQ(Line(0, 99).substr(10), L"line 150");
    EXPECT_EQ(Selection(0), 99);
    ASSERT_EQ(LineCount(3), 100);
    EXPECT_EQ(Line(3, 99).substr(10), L"payload of line 150");
    EXPECT_EQ(Selection(3), 99);

    // The shown pane is drawn again and its extent covers the wide line:
    // measuring the pane whole, as a change of tab does, finds nothing wider.
    HWND hShown = Pane(0);
    EXPECT_TRUE(IsWindowVisible(hShown));
    EXPECT_TRUE(GetUpdateRect(hShown, nullptr, FALSE)) << "the pane waits to be painted";
    LRESULT cx = Extent(hShown);
    EXPECT_GT(cx, 0);
    SelectTab(1);
    SelectTab(0);
    EXPECT_EQ(Extent(hShown), cx);
    EXPECT_EQ(Extent(Pane(3)), 0) << "a hidden pane is measured when it is shown";
}

TEST_F(CDialogTest, OnlyTheOutermostBatchBringsTheScreenUpToDate)
{
    {
        CTavrinDlg::CScreenBatch outer(*m_pDlg);
        {
            CTavrinDlg::CScreenBatch inner(*m_pDlg);
            Receive(*m_pDlg, "return", "first");
        }
        EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"");
        Receive(*m_pDlg, "accept", "second");
    }
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"접수 중");
    ASSERT_EQ(LineCount(0), 2);
    EXPECT_EQ(Line(0, 1).substr(10), L"second");

    // Outside a batch every message shows at once, as before.
    Receive(*m_pDlg, "idle", "third");
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"대기 중");
    EXPECT_EQ(LineCount(0), 3);
}

TEST_F(CDialogTest, ABatchKeepsAnOlderSelectionWhereTheUserPutIt)
{
    for (int i = 0; i < 5; ++i)
        m_pDlg->Panes().AppendLog(0, ("old " + std::to_string(i)).c_str());
    SendMessageW(Pane(0), LB_SETCURSEL, 2, 0);
    {
        CTavrinDlg::CScreenBatch batch(*m_pDlg);
        for (int i = 0; i < 10; ++i)
            Receive(*m_pDlg, "idle", "new " + std::to_string(i));
    }
    EXPECT_EQ(LineCount(0), 15);
    EXPECT_EQ(Selection(0), 2);
}

namespace
{
// What the user can see of a pane, time stamps aside.
struct SPaneView
{
    std::vector<std::wstring> texts;
    LRESULT nSel, nTop, nExtent;
    bool operator==(const SPaneView& o) const
    {
        return texts == o.texts && nSel == o.nSel && nTop == o.nTop && nExtent == o.nExtent;
    }
};
}

TEST_F(CDialogTest, ABatchLeavesEachPaneAsTheSameLinesOneByOneWould)
{
    struct SCase
    {
        int nPane, nBefore, nSelected, nAppended, nWideAt; // -1: none
    } const cases[] = {
        {PANE_GENERAL, 0, -1, 5, -1},       // an empty pane follows its first line
        {PANE_GENERAL, 100, 99, 150, 3},    // following; a wide line the bound drops in the batch
        {PANE_GENERAL, 100, 10, 50, -1},    // the selected line is dropped
        {PANE_GENERAL, 100, 60, 50, 0},     // the selection moves up with its line
        {PANE_GENERAL, 30, 5, 20, -1},      // no line dropped
        {PANE_GENERAL, 100, -1, 250, 200},  // more than the bound in one batch
        {PANE_SUBSCRIBE, 100, 99, 120, 5},  // a hidden pane
        {PANE_SUBSCRIBE, 100, 40, 30, -1},
    };
    auto view = [&](int nPane) {
        SPaneView v{{}, SendMessageW(Pane(nPane), LB_GETCURSEL, 0, 0), SendMessageW(Pane(nPane), LB_GETTOPINDEX, 0, 0),
                    SendMessageW(Pane(nPane), LB_GETHORIZONTALEXTENT, 0, 0)};
        for (int i = 0; i < LineCount(nPane); ++i)
            v.texts.push_back(Line(nPane, i).substr(10));
        return v;
    };
    auto run = [&](const SCase& c, bool bBatch) {
        SendMessageW(Pane(c.nPane), LB_RESETCONTENT, 0, 0);
        SendMessageW(Pane(c.nPane), LB_SETHORIZONTALEXTENT, 0, 0);
        SelectTab(PANE_MQTT); // measured whole when it is current again
        SelectTab(PANE_GENERAL);
        for (int i = 0; i < c.nBefore; ++i)
            m_pDlg->Panes().AppendLog(c.nPane, ("before " + std::to_string(i)).c_str());
        SendMessageW(Pane(c.nPane), LB_SETCURSEL, c.nSelected, 0);
        std::optional<CTavrinDlg::CScreenBatch> batch;
        if (bBatch)
            batch.emplace(*m_pDlg);
        for (int i = 0; i < c.nAppended; ++i)
            m_pDlg->Panes().AppendLog(c.nPane, (i == c.nWideAt ? std::string(300, 'W') : "new " + std::to_string(i)).c_str());
        batch.reset();
        return view(c.nPane);
    };
    for (const SCase& c : cases)
    {
        SPaneView oneByOne = run(c, false), batched = run(c, true);
        EXPECT_TRUE(oneByOne == batched) << "pane " << c.nPane << ", " << c.nBefore << " lines, line " << c.nSelected
                                         << " selected, " << c.nAppended << " appended: selection " << batched.nSel
                                         << " (not " << oneByOne.nSel << "), top " << batched.nTop << " (not "
                                         << oneByOne.nTop << "), extent " << batched.nExtent << " (not "
                                         << oneByOne.nExtent << ")";
    }
}
