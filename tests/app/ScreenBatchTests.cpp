// A poll's worth of messages reaches the screen once, at the end of the
// batch that the timer handler holds around the poll, and leaves the window
// exactly as the same messages one at a time would.
#include "DialogFixture.h"

#include <json/json.h>

#include <string>

namespace
{
// What the intake and the window do with one received message.
void Receive(CTavrinDlg& dlg, const std::string& title, const std::string& content)
{
    dlg.AddLog(LOG_SUBSCRIBE, "payload of " + content);
    dlg.OnMessage(MESSAGE_TOPIC, RobotMessage(title, content));
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
