#include "DialogFixture.h"

#include "app/SingleInstance.h"
#include "app/TavrinApp.h"
#include "app/TrayIcon.h"
#include "framework/TextConvert.h"

#include <json/json.h>

#include <regex>

namespace
{
LOGFONTW FontOf(HWND hWnd)
{
    LOGFONTW lf = {};
    GetObjectW(reinterpret_cast<HFONT>(SendMessageW(hWnd, WM_GETFONT, 0, 0)), sizeof(lf), &lf);
    return lf;
}
}

TEST_F(CDialogTest, StartsWithVersionedTitleEmptyBoardAndLargeRobotFont)
{
    wchar_t szTitle[64] = {};
    GetWindowTextW(m_hWnd, szTitle, 64);
    EXPECT_EQ(std::wstring(szTitle), L"Tavrin (ver 0.7.104)");
    EXPECT_EQ(m_pDlg->GetProfilePath(), m_iniPath);

    for (int nID : { IDC_ROBOT_STATUS, IDC_ROBOT_DETAIL, IDC_CALL_COUNT, IDC_CALL_DETAIL, IDC_RECEIVE_TIME })
        EXPECT_EQ(ItemText(nID), L"") << nID;

    EXPECT_EQ(FontOf(Item(IDC_ROBOT_STATUS)).lfHeight, -48);
    HFONT hDialogFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    for (int nID : { IDC_ROBOT_DETAIL, IDC_CALL_COUNT, IDC_CALL_DETAIL, IDC_RECEIVE_TIME })
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(Item(nID), WM_GETFONT, 0, 0)), hDialogFont) << nID;

    // The failed first connection is already in the "mqtt" pane.
    EXPECT_GT(LineCount(1), 0);
}

TEST_F(CDialogTest, OnlyTheSecondTimerRefreshesTheIndicator)
{
    SendMessageW(m_hWnd, WM_TIMER, IDT_POLL, 0);
    EXPECT_EQ(ItemText(IDC_RECEIVE_TIME), L"");
    SendMessageW(m_hWnd, WM_TIMER, IDT_RECEIVE_TIME, 0);
    std::string text = WideToUtf8(ItemText(IDC_RECEIVE_TIME));
    EXPECT_TRUE(std::regex_match(text, std::regex(R"(init: \d\d:\d\d:\d\d \([0-9]\))"))) << text;
}

TEST_F(CDialogTest, MessagesDriveTheBoardTheIndicatorAndTheGeneralPane)
{
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("guide:start:A", "안내 시작"));
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"안내 중(시작)");
    EXPECT_EQ(ItemText(IDC_ROBOT_DETAIL), L"[A]님");
    std::string indicator = WideToUtf8(ItemText(IDC_RECEIVE_TIME));
    EXPECT_TRUE(std::regex_match(indicator, std::regex(R"(last receive: \d\d:\d\d:\d\d \(0\))"))) << indicator;
    ASSERT_EQ(LineCount(0), 1);
    EXPECT_EQ(Line(0, 0).substr(10), L"안내 시작");

    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage(":call::2:add:홍길동:"));
    EXPECT_EQ(ItemText(IDC_CALL_COUNT), L"남은 호출 수: 2개");
    EXPECT_EQ(ItemText(IDC_CALL_DETAIL), L"[홍길동] 님 (추가)");
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"안내 중(시작)") << "a call leaves the robot fields";

    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("idle"));
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"대기 중");
    EXPECT_EQ(ItemText(IDC_ROBOT_DETAIL), L"");
    EXPECT_EQ(ItemText(IDC_CALL_COUNT), L"남은 호출 수: 2개");

    // Too few tokens or no keyword: nothing on the board, but logged.
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("guide:ok", "short guide"));
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("dance", ""));
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"대기 중");
    ASSERT_EQ(LineCount(0), 5);
    EXPECT_EQ(Line(0, 3).substr(10), L"short guide");
    EXPECT_EQ(Line(0, 4).size(), 10u);

    // Dropped: another topic, or an envelope without correlationId.
    Json::Value noCorrelation = ParsedRobotMessage("return");
    noCorrelation.removeMember("correlationId");
    m_pDlg->OnMessage("server/other", ParsedRobotMessage("return"));
    m_pDlg->OnMessage(ROBOT_TOPIC, noCorrelation);
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"대기 중");
    EXPECT_EQ(LineCount(0), 5);
}

TEST_F(CDialogTest, LogKindsReachTheirPanes)
{
    struct
    {
        int nKind;
        int nPane;
    } const cases[] = { { LOG_MQTT, 1 }, { LOG_SUBSCRIBE, 3 }, { LOG_PUBLISH, 2 }, { LOG_LIBRARY, 4 },
                        { 0, 0 }, { 5, 0 }, { -1, 0 } };
    for (const auto& c : cases)
    {
        std::string text = "kind " + std::to_string(c.nKind);
        m_pDlg->AddLog(c.nKind, text);
        int nCount = LineCount(c.nPane);
        ASSERT_GT(nCount, 0);
        EXPECT_EQ(WideToUtf8(Line(c.nPane, nCount - 1).substr(10)), text) << "kind " << c.nKind;
    }
    m_pDlg->AddLog(LOG_PUBLISH, std::string("before\0after", 12));
    EXPECT_EQ(Line(2, LineCount(2) - 1).substr(10), L"before");
}

TEST_F(CDialogTest, SettingsGoThroughTheIniFileAsUtf8)
{
    EXPECT_EQ(m_pDlg->GetConfigString("RobotMqttService", "ip", "10.0.0.1"), "127.0.0.1");
    EXPECT_EQ(m_pDlg->GetConfigInt("RobotMqttService", "reconnect-sec", 60), 3600);
    EXPECT_EQ(m_pDlg->GetConfigString("설정", "이름", "값 ☃"), "값 ☃");
    wchar_t szValue[64] = {};
    GetPrivateProfileStringW(L"설정", L"이름", L"", szValue, 64, m_iniPath.c_str());
    EXPECT_EQ(std::wstring(szValue), L"값 ☃");
}

TEST_F(CDialogTest, CancelHidesOkDoesNothingExitEndsTheDialog)
{
    ASSERT_TRUE(IsWindowVisible(m_hWnd));
    Command(IDCANCEL);
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
    EXPECT_EQ(m_pDlg->GetModalResult(), -1) << "hiding does not end the dialog";
    SendMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(m_pDlg->GetModalResult(), -1);

    // Messages still land while hidden.
    m_pDlg->OnMessage(ROBOT_TOPIC, ParsedRobotMessage("return"));
    EXPECT_EQ(ItemText(IDC_ROBOT_STATUS), L"복귀 중");

    Command(IDOK);
    EXPECT_EQ(m_pDlg->GetModalResult(), -1) << "Enter on a list box does not end the monitor";
    Command(ID_APP_EXIT);
    EXPECT_EQ(m_pDlg->GetModalResult(), IDCANCEL);
}

TEST_F(CDialogTest, TrayDoubleClickTogglesTheWindow)
{
    SendMessageW(m_hWnd, WM_TRAYNOTIFY, IDI_TRAY, WM_LBUTTONDBLCLK);
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
    SendMessageW(m_hWnd, WM_TRAYNOTIFY, IDI_TRAY + 1, WM_LBUTTONDBLCLK);
    SendMessageW(m_hWnd, WM_TRAYNOTIFY, IDI_TRAY, WM_LBUTTONUP);
    EXPECT_FALSE(IsWindowVisible(m_hWnd)) << "other icons and other clicks do nothing";
    SendMessageW(m_hWnd, WM_TRAYNOTIFY, IDI_TRAY, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(m_hWnd));
}

TEST_F(CDialogTest, SecondStartRestoresAMinimisedFirstInstance)
{
    // The window alone tells: this process holds no mutex.
    ShowWindow(m_hWnd, SW_MINIMIZE);
    ASSERT_TRUE(IsIconic(m_hWnd));

    CTavrinApp second;
    second.SetAppName(L"Tavrin");
    EXPECT_FALSE(second.InitInstance());
    EXPECT_FALSE(IsIconic(m_hWnd));
    EXPECT_TRUE(IsWindowVisible(m_hWnd));

    // A shown first instance is left alone (and a hidden one stays hidden).
    ShowWindow(m_hWnd, SW_HIDE);
    EXPECT_FALSE(second.InitInstance());
    EXPECT_FALSE(IsWindowVisible(m_hWnd));
}

TEST(SingleInstanceTest, TheMutexAlsoTellsAndAFailedOneDoesNotStopTheStart)
{
    const std::wstring name = L"TavrinSingleInstanceTest"; // no window of this class
    CSingleInstance first, second, third;
    EXPECT_TRUE(first.Claim(name));
    EXPECT_FALSE(second.Claim(name)) << "an instance still starting holds the mutex";

    // Another kind of object under the mutex's name: CreateMutexW fails.
    HANDLE hEvent = CreateEventW(nullptr, FALSE, FALSE, L"Local\\TavrinBlocked.SingleInstance");
    ASSERT_NE(hEvent, nullptr);
    EXPECT_TRUE(third.Claim(L"TavrinBlocked"));
    CloseHandle(hEvent);
}

namespace
{
// Ends its own modal loop with the command given, as soon as the loop runs.
class CSelfEndingDlg : public CTavrinDlg
{
public:
    explicit CSelfEndingDlg(UINT nCommand) : m_nCommand(nCommand) {}
    HWND m_hSeen = nullptr;

protected:
    BOOL OnInitDialog() override
    {
        BOOL bResult = CTavrinDlg::OnInitDialog();
        m_hSeen = m_hWnd;
        PostMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(m_nCommand, 0), 0);
        return bResult;
    }

private:
    UINT m_nCommand;
};
}

TEST_F(CDialogTest, ModalRunEndsOnExitAndDestroysTheWindow)
{
    DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    CSelfEndingDlg dlg(ID_APP_EXIT);
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_FALSE(IsWindow(dlg.m_hSeen));
    EXPECT_EQ(dlg.GetSafeHwnd(), nullptr);
}

TEST_F(CDialogTest, SystemMenuAboutRunsTheAboutBoxCentredOnTheWindow)
{
    // The main window keeps its template's place; the About box, which
    // starts hidden, opens centred on it.
    RECT rcMain;
    GetWindowRect(m_hWnd, &rcMain);
    EXPECT_EQ(rcMain.left, 0);
    EXPECT_EQ(rcMain.top, 0);

    m_app.m_pMainWnd = m_pDlg.get(); // the About box's owner, as in the program
    CDialogCloser boxes;
    SendMessageW(m_hWnd, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    m_app.m_pMainWnd = nullptr;
    EXPECT_EQ(boxes.nCount, 1);
    EXPECT_EQ(boxes.caption, L"Tavrin 정보");
    EXPECT_TRUE(IsWindowEnabled(m_hWnd));
    EXPECT_NEAR(boxes.rect.left + boxes.rect.right, rcMain.left + rcMain.right, 2);
    EXPECT_NEAR(boxes.rect.top + boxes.rect.bottom, rcMain.top + rcMain.bottom, 2);

    // Exactly the styles of the About template, with its font.
    HRSRC hRes = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_ABOUTBOX), MAKEINTRESOURCEW(5) /* RT_DIALOG */);
    ASSERT_NE(hRes, nullptr);
    const BYTE* pTemplate = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, hRes)));
    DWORD dwStyle;
    memcpy(&dwStyle, pTemplate + 12, sizeof dwStyle); // DLGTEMPLATEEX: after version, signature, help id, ex style
    EXPECT_EQ(dwStyle, static_cast<DWORD>(DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU));
}

TEST_F(CDialogTest, TheTrayIconComesBackWithTheTaskbar)
{
    NOTIFYICONDATAW nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = m_hWnd;
    nid.uID = IDI_TRAY;
    if (!Shell_NotifyIconW(NIM_MODIFY, &nid))
        GTEST_SKIP() << "no notification area here";

    // As if the shell had restarted: our icon is gone until it is re-added.
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &nid));
    ASSERT_FALSE(Shell_NotifyIconW(NIM_MODIFY, &nid));
    SendMessageW(m_hWnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    EXPECT_TRUE(Shell_NotifyIconW(NIM_MODIFY, &nid));
}
