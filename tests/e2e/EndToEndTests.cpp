// The real Tavrin.exe against a real broker, read from outside through its
// window, as another program on the desktop would: control and list-box texts
// are marshalled across processes.
#include "ProgramProbe.h"
#include "mqtt/LinkFacts.h"
#include "TestPublisher.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

using namespace Probe;

namespace
{
class EndToEnd : public CProgramTest
{
};
}

TEST_F(EndToEnd, BrokerMessagesDriveTheBoardUntilExit)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(Text(hDlg), L"Tavrin (ver 0.7.104)");
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"connection success"); }));
    EXPECT_TRUE(PaneHas(hDlg, PANE_MQTT, L"connect(127.0.0.1:" + std::to_wstring(m_broker.Port()) + L")"));

    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(pub.IsConnected());
    // The subscription follows the broker's answer; keep sending until it lands.
    ASSERT_TRUE(WaitFor([&] {
        pub.Publish(Link::TOPIC_MESSAGE, RobotMessage("guide:start:김민수", "안내 시작"));
        pub.Sync();
        return Text(GetDlgItem(hDlg, IDC_ROBOT_STATUS)) == L"안내 중(시작)";
    }));
    EXPECT_EQ(Text(GetDlgItem(hDlg, IDC_ROBOT_DETAIL)), L"[김민수]님");
    EXPECT_TRUE(PaneHas(hDlg, PANE_GENERAL, L"  안내 시작"));
    EXPECT_TRUE(PaneHas(hDlg, PANE_SUBSCRIBE, L"guide:start:김민수"));
    EXPECT_EQ(Text(GetDlgItem(hDlg, IDC_RECEIVE_TIME)).rfind(L"last receive: ", 0), 0u);

    // Hidden, it goes on taking messages in.
    PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(hDlg); }));
    pub.Publish(Link::TOPIC_MESSAGE, RobotMessage("call:2:add:\\ubc15\\uc9c0\\ud6c8", "호출"));
    ASSERT_TRUE(WaitFor([&] { return Text(GetDlgItem(hDlg, IDC_CALL_DETAIL)) == L"[박지훈] 님 (추가)"; }));
    EXPECT_EQ(Text(GetDlgItem(hDlg, IDC_CALL_COUNT)), L"남은 호출 수: 2개");
    EXPECT_EQ(Text(GetDlgItem(hDlg, IDC_ROBOT_STATUS)), L"안내 중(시작)");

    // A second start finds the running window and ends at once, leaving it hidden.
    CProgram second;
    ASSERT_TRUE(second.Start(ExeDir() + L"\\Tavrin.exe", L"\"" + m_dir + L"\""));
    EXPECT_TRUE(second.WaitExit(20000));
    EXPECT_EQ(CountWindows(), m_nOthers + 1);
    EXPECT_FALSE(IsWindowVisible(hDlg));

    PostMessageW(hDlg, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_TRUE(m_app.WaitExit(20000));
    EXPECT_EQ(CountWindows(), m_nOthers);
}

TEST_F(EndToEnd, BrokerRestartIsSurvived)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"connection success"); }));
    ASSERT_TRUE(m_broker.Stop());
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"connection lost"); }, 90000));
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, PANE_MQTT, L"reconnect success"); }, 30000));
    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(WaitFor([&] {
        pub.Publish(Link::TOPIC_MESSAGE, RobotMessage("return", ""));
        pub.Sync();
        return Text(GetDlgItem(hDlg, IDC_ROBOT_STATUS)) == L"복귀 중";
    }));
    PostMessageW(hDlg, WM_COMMAND, ID_APP_EXIT, 0);
    EXPECT_TRUE(m_app.WaitExit(20000));
}

TEST_F(EndToEnd, UnderAnotherNameTheProgramEndsWithoutAWindow)
{
    std::wstring other = m_dir + L"\\Other.exe";
    ASSERT_TRUE(CopyFileW((ExeDir() + L"\\Tavrin.exe").c_str(), other.c_str(), FALSE));
    CProgram app;
    ASSERT_TRUE(app.Start(other, L"\"" + m_dir + L"\""));
    EXPECT_TRUE(app.WaitExit(20000));
    EXPECT_EQ(CountWindows(), m_nOthers);
    app.Kill();
    DeleteFileW(other.c_str());
}
