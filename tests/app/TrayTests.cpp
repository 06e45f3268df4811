// The notification-area icon: its state, tip and balloons with a clock of
// the test's own, and what the window asks Shell_NotifyIconW to do (Wine's
// tray is not the taskbar, so the requests are recorded, not looked at).
#include "DialogFixture.h"
#include "TestBroker.h"

#include "app/TrayFacts.h"
#include "app/TrayIcon.h"
#include "app/TrayState.h"
#include "framework/TextConvert.h"

#include <regex>

namespace
{
const std::time_t T0 = 1700000000;
const std::wstring CLOCK = L"\\d\\d:\\d\\d:\\d\\d";

bool Matches(const std::wstring& text, const std::wstring& pattern)
{
    return std::regex_match(text, std::wregex(pattern));
}

// A tray state on the test's clock, in milliseconds from its start.
struct CTrayClock
{
    CTrayState state{0, T0};
    int64_t nMs = 0;

    void Link(bool bConnected, ELinkFailure eFailure, int64_t nAtMs, bool bAttempting = false)
    {
        nMs = nAtMs;
        state.SetLink(bConnected, bAttempting, eFailure, nMs, T0 + nMs / 1000);
    }
};
}

TEST(TrayStateTest, TheIconFollowsTheLinkAndAReconnectAtOnceDoesNotFlicker)
{
    CTrayClock c;
    EXPECT_EQ(c.state.Icon(), TRAY_ICON_LINK_DOWN) << "not up before the first connection";
    EXPECT_TRUE(Matches(c.state.Tip(), L"Tavrin\n연결 끊김: " + CLOCK + L"부터")) << c.state.Tip();
    c.Link(false, LINK_FAIL_NONE, 10, true);
    EXPECT_TRUE(Matches(c.state.Tip(), L"Tavrin\n연결 끊김: " + CLOCK + L"부터\n연결 시도 중")) << c.state.Tip();

    const struct
    {
        bool bConnected;
        ELinkFailure eFailure;
        int64_t nMs;
        ETrayIcon eIcon;
    } steps[] = {
        {true, LINK_FAIL_NONE, 100, TRAY_ICON_LINK_UP},
        {false, LINK_FAIL_LOST, 1000, TRAY_ICON_LINK_UP}, // lost, and straight back
        {false, LINK_FAIL_LOST, 1000 + Tray::DOWN_SHOWN_AFTER_MS - 1, TRAY_ICON_LINK_UP},
        {true, LINK_FAIL_NONE, 1000 + Tray::DOWN_SHOWN_AFTER_MS - 1, TRAY_ICON_LINK_UP},
        {false, LINK_FAIL_LOST, 5000, TRAY_ICON_LINK_UP}, // lost for good
        {false, LINK_FAIL_REFUSED, 5000 + Tray::DOWN_SHOWN_AFTER_MS, TRAY_ICON_LINK_DOWN},
        {false, LINK_FAIL_NONE, 9000, TRAY_ICON_LINK_DOWN},
        {true, LINK_FAIL_NONE, 9030, TRAY_ICON_LINK_UP},
    };
    for (const auto& s : steps)
    {
        c.Link(s.bConnected, s.eFailure, s.nMs);
        EXPECT_EQ(c.state.Icon(), s.eIcon) << "at " << s.nMs << " ms";
    }
}

TEST(TrayStateTest, TheDownTipSaysSinceWhenAndWhyInAFewWords)
{
    const struct
    {
        ELinkFailure eFailure;
        const wchar_t* words;
    } rows[] = {
        {LINK_FAIL_LOOKUP, L"주소를 찾지 못함"},   {LINK_FAIL_NO_ANSWER, L"응답 없음"},
        {LINK_FAIL_UNREACHABLE, L"연결할 수 없음"}, {LINK_FAIL_REFUSED, L"연결 거부"},
        {LINK_FAIL_BAD_LOGIN, L"로그인 실패"},      {LINK_FAIL_NOT_AUTHORISED, L"권한 없음"},
        {LINK_FAIL_TLS, L"보안 연결 실패"},         {LINK_FAIL_LOST, L"연결이 끊어짐"},
    };
    for (const auto& row : rows)
    {
        CTrayClock c;
        c.Link(true, LINK_FAIL_NONE, 0);
        c.Link(false, row.eFailure, 60000);
        // The reason stays while the next attempt runs.
        c.Link(false, LINK_FAIL_NONE, 61000, true);
        EXPECT_TRUE(Matches(c.state.Tip(), L"Tavrin\n연결 끊김: " + CLOCK + L"부터\n원인: " + row.words)) << c.state.Tip();
    }
}

TEST(TrayStateTest, TheUpTipShowsTheBoardAndTheOpenCallsWhenAny)
{
    CTrayClock c;
    c.Link(true, LINK_FAIL_NONE, 0);
    EXPECT_EQ(c.state.Tip(), L"Tavrin\n마지막 수신: 없음");

    STrayBoard board;
    board.robotStatus = L"안내 중(호출)";
    board.robotDetail = L"[김민수]님";
    board.callCount = L"남은 호출 수: 2개";
    board.bReceived = true;
    board.tReceive = T0;
    c.state.SetBoard(board);
    EXPECT_TRUE(Matches(c.state.Tip(), L"Tavrin\n안내 중\\(호출\\) \\[김민수\\]님\n남은 호출 수: 2개\n마지막 수신: " + CLOCK))
        << c.state.Tip();

    board.robotDetail.clear();
    board.callCount = L"남은 호출 수: 0개";
    c.state.SetBoard(board);
    EXPECT_TRUE(Matches(c.state.Tip(), L"Tavrin\n안내 중\\(호출\\)\n마지막 수신: " + CLOCK)) << c.state.Tip();
}

TEST(TrayStateTest, TheTipKeepsToTheShellsLimitWithKoreanNamesAndSurrogatePairs)
{
    CTrayClock c;
    c.Link(true, LINK_FAIL_NONE, 0);
    for (size_t nName = 40; nName <= 130; ++nName)
    {
        // Hangul and a character outside the BMP (two UTF-16 units) in turn.
        std::wstring name;
        while (name.size() < nName)
            name += name.size() % 3 == 0 ? L"\U0001F916" : L"홍";
        STrayBoard board;
        board.robotStatus = L"안내 중(안내)";
        board.robotDetail = L"[" + name + L"]님";
        board.callCount = L"남은 호출 수: " + name + L"개";
        board.bReceived = true;
        board.tReceive = T0;
        c.state.SetBoard(board);
        std::wstring tip = c.state.Tip();
        SCOPED_TRACE(nName);
        EXPECT_LE(tip.size(), Tray::TIP_MAX_CHARS);
        for (size_t i = 0; i < tip.size(); ++i)
            EXPECT_EQ(IS_HIGH_SURROGATE(tip[i]), i + 1 < tip.size() && IS_LOW_SURROGATE(tip[i + 1])) << i;
        EXPECT_TRUE(Matches(tip, L"Tavrin\n안내 중\\(안내\\) \\[.*\n남은 호출 수: .*\n마지막 수신: " + CLOCK)) << nName;
    }
}

TEST(TrayStateTest, FitLinesSharesTheCutAmongTheLongLines)
{
    const struct
    {
        std::vector<std::wstring> lines;
        size_t nMax;
        std::wstring fitted;
    } cases[] = {
        {{L"ab", L"cd"}, 5, L"ab\ncd"},
        {{L"ab", L"cdefgh"}, 6, L"ab\ncd…"},
        {{L"abcdef", L"gh"}, 6, L"ab…\ngh"},
        {{L"abcdefgh", L"ijklm", L"n"}, 10, L"ab…\nij…\nn"},
        {{L"a\U0001F916b", L"c"}, 4, L"a…\nc"},
        {{L"abc", L"def"}, 2, L"a…"},
        {{}, 3, L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitLines(c.lines, c.nMax), c.fitted) << c.fitted.size();
}

TEST(TrayStateTest, BalloonsComeOnlyWhenAskedForAfterTheGraceAndOneForABurst)
{
    // Off, as by default: nothing whatever happens.
    CTrayClock off;
    off.state.SetBalloons(false, 0);
    off.Link(true, LINK_FAIL_NONE, 0);
    off.Link(false, LINK_FAIL_LOST, 1000);
    off.Link(false, LINK_FAIL_LOST, 3600000);
    off.state.OnNewCall(L"[A] 님 (추가)", L"남은 호출 수: 1개", 3600000);
    off.Link(true, LINK_FAIL_NONE, 3600001);
    EXPECT_TRUE(off.state.TakeBalloons().empty());

    CTrayClock c;
    c.state.SetBalloons(true, 60);
    c.Link(true, LINK_FAIL_NONE, 0);
    // A restart within the grace passes in silence, there and back.
    c.Link(false, LINK_FAIL_LOST, 1000);
    c.Link(false, LINK_FAIL_NO_ANSWER, 60999);
    c.Link(true, LINK_FAIL_NONE, 61000);
    EXPECT_TRUE(c.state.TakeBalloons().empty());

    c.Link(false, LINK_FAIL_LOST, 100000);
    c.Link(false, LINK_FAIL_NO_ANSWER, 159999);
    EXPECT_TRUE(c.state.TakeBalloons().empty());
    c.Link(false, LINK_FAIL_NO_ANSWER, 160000);
    c.Link(false, LINK_FAIL_NO_ANSWER, 900000);
    std::vector<STrayBalloon> balloons = c.state.TakeBalloons();
    ASSERT_EQ(balloons.size(), 1u) << "one for the outage";
    EXPECT_EQ(balloons[0].title, L"Tavrin");
    EXPECT_TRUE(Matches(balloons[0].text, L"연결 끊김: " + CLOCK + L"부터\n원인: 응답 없음")) << balloons[0].text;
    c.Link(true, LINK_FAIL_NONE, 900030);
    balloons = c.state.TakeBalloons();
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].text, L"다시 연결됨");

    // A burst of calls gives one; the next after the gap one more.
    for (int64_t nMs : {1000000, 1000010, 1000000 + Tray::BALLOON_GAP_MS - 1})
        c.state.OnNewCall(L"[홍길동] 님 (추가)", L"남은 호출 수: 2개", nMs);
    balloons = c.state.TakeBalloons();
    ASSERT_EQ(balloons.size(), 1u);
    EXPECT_EQ(balloons[0].text, L"새 환자 호출\n[홍길동] 님 (추가)\n남은 호출 수: 2개");
    c.state.OnNewCall(L"[B] 님 (추가)", L"남은 호출 수: 3개", 1000000 + Tray::BALLOON_GAP_MS);
    EXPECT_EQ(c.state.TakeBalloons().size(), 1u);
}

TEST(TrayStateTest, OnlyAnAddedCallIsNew)
{
    EXPECT_TRUE(IsNewCallDetail("[홍길동] 님 (추가)"));
    for (const char* detail : {"[홍길동] 님 (삭제)", "[홍길동] 님 (취소)", "[x (추가)] 님 ()", "", "(추가"})
        EXPECT_FALSE(IsNewCallDetail(detail)) << detail;
}

namespace
{
// What the program asked of the shell.
struct SNotify
{
    DWORD dwMessage;
    UINT uFlags;
    HICON hIcon;
    std::wstring tip;
    std::wstring infoTitle;
    std::wstring info;
};
std::vector<SNotify> g_notified;

BOOL WINAPI RecordNotify(DWORD dwMessage, PNOTIFYICONDATAW pData)
{
    g_notified.push_back({dwMessage, pData->uFlags, pData->hIcon, pData->szTip, pData->szInfoTitle, pData->szInfo});
    return TRUE;
}

// The real window, with the shell's part recorded from its creation on.
class CTrayDialogTest : public CDialogTest
{
protected:
    void SetUp() override
    {
        g_notified.clear();
        m_pfnOld = CTrayIcon::SetNotifyFunction(RecordNotify);
        CDialogTest::SetUp();
    }
    void TearDown() override
    {
        CDialogTest::TearDown();
        CTrayIcon::SetNotifyFunction(m_pfnOld);
    }
    std::vector<SNotify> Of(DWORD dwMessage) const
    {
        std::vector<SNotify> found;
        for (const SNotify& n : g_notified)
            if (n.dwMessage == dwMessage)
                found.push_back(n);
        return found;
    }

    CTrayIcon::PFN_NOTIFY m_pfnOld = nullptr;
};
}

TEST_F(CTrayDialogTest, TheIconIsAddedOnceAndThenOnlyModified)
{
    std::vector<SNotify> added = Of(NIM_ADD);
    ASSERT_EQ(added.size(), 1u);
    CTrayIcon& tray = m_pDlg->Tray();
    EXPECT_EQ(added[0].uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_EQ(added[0].hIcon, tray.IconOf(TRAY_ICON_LINK_DOWN)) << "nothing listens on the broker's port";
    EXPECT_NE(tray.IconOf(TRAY_ICON_LINK_UP), tray.IconOf(TRAY_ICON_LINK_DOWN));
    ICONINFO info = {};
    BITMAP bm = {};
    ASSERT_TRUE(GetIconInfo(tray.IconOf(TRAY_ICON_LINK_DOWN), &info));
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXSMICON)) << "the size the shell asks for";
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);

    // Timer ticks refresh the tip by NIM_MODIFY, never by adding the icon again.
    for (int i = 0; i < 3; ++i)
    {
        SendMessageW(m_hWnd, WM_TIMER, IDT_RECEIVE_TIME, 0);
        Sleep(Tray::TIP_REFRESH_MS / 2);
    }
    EXPECT_EQ(Of(NIM_ADD).size(), 1u);
    for (const SNotify& n : Of(NIM_MODIFY))
        EXPECT_TRUE(Matches(n.tip, L"Tavrin\n연결 끊김: " + CLOCK + L"부터\n원인: .*")) << n.tip;

    DestroyWindow(m_hWnd);
    EXPECT_EQ(g_notified.back().dwMessage, static_cast<DWORD>(NIM_DELETE));
}

TEST_F(CTrayDialogTest, ANewPictureGoesAtOnceANewTipOnceASecondABalloonAlone)
{
    CTrayIcon& tray = m_pDlg->Tray();
    g_notified.clear();
    tray.Update(TRAY_ICON_LINK_DOWN, L"a", 10000);
    tray.Update(TRAY_ICON_LINK_DOWN, L"b", 10000 + Tray::TIP_REFRESH_MS - 1);
    tray.Update(TRAY_ICON_LINK_UP, L"c", 10000 + Tray::TIP_REFRESH_MS - 1);
    tray.Update(TRAY_ICON_LINK_UP, L"d", 10000 + Tray::TIP_REFRESH_MS);
    tray.Update(TRAY_ICON_LINK_UP, L"e", 10000 + 2 * Tray::TIP_REFRESH_MS - 2);
    tray.Update(TRAY_ICON_LINK_UP, L"e", 10000 + 2 * Tray::TIP_REFRESH_MS - 2);
    std::vector<SNotify> sent = Of(NIM_MODIFY);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].tip, L"a");
    EXPECT_EQ(sent[1].tip, L"c");
    EXPECT_EQ(sent[1].hIcon, tray.IconOf(TRAY_ICON_LINK_UP));
    tray.Update(TRAY_ICON_LINK_UP, L"e", 10000 + 3 * Tray::TIP_REFRESH_MS);
    EXPECT_EQ(Of(NIM_MODIFY).size(), 3u);

    g_notified.clear();
    tray.ShowBalloon({L"Tavrin", L"다시 연결됨"});
    ASSERT_EQ(g_notified.size(), 1u);
    EXPECT_EQ(g_notified[0].uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_EQ(g_notified[0].info, L"다시 연결됨");
    // The record keeps no balloon: the taskbar's return re-adds the icon alone.
    SendMessageW(m_hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    ASSERT_EQ(g_notified.back().dwMessage, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(g_notified.back().info, L"");
    EXPECT_EQ(g_notified.back().tip, L"e");
}

TEST_F(CTrayDialogTest, TheBalloonSettingsAreWrittenBackOffByDefault)
{
    SendMessageW(m_hWnd, WM_TIMER, IDT_RECEIVE_TIME, 0);
    wchar_t sz[16];
    GetPrivateProfileStringW(L"Notifications", L"balloons", L"?", sz, 16, m_iniPath.c_str());
    EXPECT_EQ(std::wstring(sz), L"0");
    GetPrivateProfileStringW(L"Notifications", L"down-grace-sec", L"?", sz, 16, m_iniPath.c_str());
    EXPECT_EQ(std::wstring(sz), L"60");
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("call:1:add:홍길동"));
    SendMessageW(m_hWnd, WM_TIMER, IDT_POLL, 0);
    for (const SNotify& n : g_notified)
        EXPECT_EQ(n.uFlags & NIF_INFO, 0u);
}

TEST_F(CTrayDialogTest, ThePictureAndTheTipFollowARealLinkThroughLossAndReconnection)
{
    CTestBroker broker;
    ASSERT_TRUE(broker.Start()) << broker.LogText();
    WriteIni(L"", broker.Port(), 1);
    Recreate();
    g_notified.clear();
    CTrayIcon& tray = m_pDlg->Tray();
    // The timers' work, until the shell has been asked for what is wanted.
    auto TicksUntil = [&](ETrayIcon eIcon, const std::wstring& tipPattern) {
        for (int i = 0; i < 300; ++i)
        {
            SendMessageW(m_hWnd, WM_TIMER, IDT_RECEIVE_TIME, 0);
            if (!g_notified.empty() && g_notified.back().hIcon == tray.IconOf(eIcon)
                && Matches(g_notified.back().tip, tipPattern))
                return true;
            Sleep(100);
        }
        std::wstring lines;
        for (int i = 0; i < LineCount(PANE_MQTT); ++i)
            lines += Line(PANE_MQTT, i) + L"\n";
        ADD_FAILURE() << "the mqtt pane:\n" << WideToUtf8(lines);
        return false;
    };

    ASSERT_TRUE(TicksUntil(TRAY_ICON_LINK_UP, L"Tavrin\n마지막 수신: 없음"));
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("guide:call:김민수"));
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("call:2:add:홍길동"));
    EXPECT_TRUE(TicksUntil(TRAY_ICON_LINK_UP, L"Tavrin\n안내 중\\(호출\\) \\[김민수\\]님\n남은 호출 수: 2개\n마지막 수신: " + CLOCK));

    ASSERT_TRUE(broker.Stop());
    EXPECT_TRUE(TicksUntil(TRAY_ICON_LINK_DOWN, L"Tavrin\n연결 끊김: " + CLOCK + L"부터\n원인: .+"));
    ASSERT_TRUE(broker.Start());
    EXPECT_TRUE(TicksUntil(TRAY_ICON_LINK_UP, L"Tavrin\n안내 중\\(호출\\) [\\s\\S]*"));
    EXPECT_EQ(Of(NIM_ADD).size(), 0u) << "the icon keeps its place";
}
