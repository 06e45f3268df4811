#include "app/TavrinDlg.h"

#include "app/AboutDlg.h"
#include "app/TrayFacts.h"
#include "app/VersionText.h"
#include "framework/CurrentTime.h"
#include "framework/Dpi.h"
#include "framework/WinApp.h"

#include <mosquitto.h>

namespace
{
uint32_t TickCount()
{
    return GetTickCount();
}

// The shell broadcasts this when the taskbar is created again.
const UINT WM_TASKBARCREATED = RegisterWindowMessageW(L"TaskbarCreated");
}

CTavrinDlg::CTavrinDlg()
    : CDialogEx(IDD), m_mqtt(this, TickCount), m_board(*this), m_panes(*this),
      m_trayState(static_cast<int64_t>(GetTickCount64()), CurrentTime()), m_menu(*this, m_profile.m_strPath)
{
    HINSTANCE hInstance = AfxGetInstanceHandle();
    m_hIcon = LoadIconW(hInstance, MAKEINTRESOURCEW(IDR_MAINFRAME));

    // A standard dialog under the application name, which the template names
    // as its class and the single-instance check looks for. Registering it
    // again fails harmlessly.
    std::wstring strClass = AfxGetAppName();
    WNDCLASSW wc = {};
    GetClassInfoW(hInstance, L"#32770", &wc);
    wc.hInstance = hInstance;
    wc.lpszClassName = strClass.c_str();
    RegisterClassW(&wc);
}

CTavrinDlg::~CTavrinDlg()
{
    for (HICON hIcon : {m_hIconSmall, m_hIconBig})
        if (hIcon)
            DestroyIcon(hIcon);
}

void CTavrinDlg::SetWindowIcons(UINT nDpi)
{
    // Pictures drawn for the size, not one that Windows shrinks.
    const struct
    {
        WPARAM nWhich;
        int nMetric;
        HICON* phIcon;
    } icons[] = {{ICON_SMALL, SM_CXSMICON, &m_hIconSmall}, {ICON_BIG, SM_CXICON, &m_hIconBig}};
    for (const auto& icon : icons)
    {
        int cx = GetSystemMetricForDpi(icon.nMetric, nDpi);
        HICON hIcon = static_cast<HICON>(
            LoadImageW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON, cx, cx, 0));
        SendMessage(WM_SETICON, icon.nWhich, reinterpret_cast<LPARAM>(hIcon ? hIcon : m_hIcon));
        if (*icon.phIcon)
            DestroyIcon(*icon.phIcon);
        *icon.phIcon = hIcon;
    }
}

void CTavrinDlg::OnDpiChanged(UINT nDpi, const RECT* pSuggested)
{
    m_scale.Apply(nDpi, pSuggested);
    m_board.SetLargeFont(m_scale.FontAt(nDpi), nDpi);
    m_panes.Layout(nDpi);
    SetWindowIcons(nDpi);
}

void CTavrinDlg::DoDataExchange(CDataExchange* pDX)
{
    CDialogEx::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_TAB_LOG, m_panes.m_tabLog);
}

BOOL CTavrinDlg::OnInitDialog()
{
    CDialogEx::OnInitDialog();

    AddAboutMenuItem();
    SetWindowIcons(GetWindowDpi(m_hWnd));

    std::wstring strAppName = AfxGetAppName();
    CWinApp* pApp = AfxGetApp();
    std::wstring strDirArg = pApp ? pApp->GetFileArgument() : std::wstring();
    m_profile.m_strPath = MakeProfilePath(strAppName.c_str(), strDirArg.empty() ? nullptr : strDirArg.c_str());

    SetWindowText(strAppName + L" (" + LoadVersionText() + L")");

    ReadTraySettings();
    m_tray.Add(m_hWnd, m_trayState.Icon(), m_trayState.Tip());

    SetTimer(m_hWnd, IDT_POLL, 30, nullptr);
    SetTimer(m_hWnd, IDT_RECEIVE_TIME, 1000, nullptr);

    // Tabs and panes first: the connection attempt already logs into them.
    m_panes.Create();
    mosquitto_lib_init();
    m_mqtt.Connect();

    m_board.Create();
    m_panes.ShowCurrentPane();
    // Windows laid the template out for the scale it opens at; from there the
    // window follows the scale of the monitor it is on.
    KeepDialogDpiScaling(m_hWnd);
    m_scale.Capture(m_hWnd, GetWindowDpi(m_hWnd));
    return TRUE;
}

void CTavrinDlg::AddAboutMenuItem()
{
    HMENU hSysMenu = GetSystemMenu(m_hWnd, FALSE);
    if (!hSysMenu)
        return;
    const wchar_t* pszText = nullptr;
    int nLen = LoadStringW(AfxGetInstanceHandle(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&pszText), 0);
    if (nLen <= 0)
        return;
    std::wstring text(pszText, static_cast<size_t>(nLen));
    AppendMenuW(hSysMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(hSysMenu, MF_STRING, IDM_ABOUTBOX, text.c_str());
}

bool CTavrinDlg::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_TASKBARCREATED && WM_TASKBARCREATED != 0)
    {
        m_tray.AddAgain();
        return true;
    }

    switch (message)
    {
    case WM_SYSCOMMAND:
        return OnSysCommand(static_cast<UINT>(wParam));
    case WM_PAINT:
        return OnPaint();
    case WM_QUERYDRAGICON:
        result = reinterpret_cast<LRESULT>(m_hIcon);
        return true;
    case WM_TRAYNOTIFY:
        m_tray.OnNotify(wParam, lParam);
        result = 0;
        return true;
    case WM_DESTROY:
        OnDestroy();
        return true;
    case WM_COMMAND:
        if (OnCommand(wParam))
            return true;
        break;
    case WM_INITMENUPOPUP:
        UpdateMenuPopup(m_menu, reinterpret_cast<HMENU>(wParam));
        return true;
    case WM_TIMER:
        OnTimer(wParam);
        return true;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        result = 0;
        return true;
    case WM_POWERBROADCAST:
        // After sleep the connection may be dead without a word from the
        // network: test it now rather than at the keep-alive.
        if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND)
            m_mqtt.CheckNow();
        result = TRUE;
        return true;
    case WM_NOTIFY:
    {
        NMHDR* pNMHDR = reinterpret_cast<NMHDR*>(lParam);
        if (pNMHDR->idFrom == IDC_TAB_LOG && pNMHDR->code == TCN_SELCHANGE)
        {
            m_panes.OnTabSelChange(&result);
            return true;
        }
        break;
    }
    default:
        break;
    }
    return CDialogEx::OnWndMsg(message, wParam, lParam, result);
}

bool CTavrinDlg::OnCommand(WPARAM wParam)
{
    UINT nID = LOWORD(wParam);
    UINT nCode = HIWORD(wParam);
    if (m_panes.OnCommand(nID, nCode))
        return true;
    // Menu commands come with code 0, the same as BN_CLICKED.
    return nCode == BN_CLICKED && m_menu.OnCommand(nID);
}

bool CTavrinDlg::OnSysCommand(UINT nID)
{
    if ((nID & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg dlgAbout;
    dlgAbout.DoModal();
    return true;
}

bool CTavrinDlg::OnPaint()
{
    if (!IsIconic())
        return false;
    PAINTSTRUCT ps;
    HDC hDC = BeginPaint(m_hWnd, &ps);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    RECT rc;
    GetClientRect(m_hWnd, &rc);
    int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
    int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(hDC, x, y, m_hIcon);
    EndPaint(m_hWnd, &ps);
    return true;
}

void CTavrinDlg::OnTimer(UINT_PTR nIDEvent)
{
    {
        CScreenBatch batch(*this);
        m_mqtt.Poll();
    }
    if (nIDEvent == IDT_RECEIVE_TIME)
        m_board.UpdateReceiveTime();
    UpdateTray(nIDEvent == IDT_RECEIVE_TIME);
}

void CTavrinDlg::ReadTraySettings()
{
    bool bBalloons = GetConfigInt(Tray::SECTION, Tray::KEY_BALLOONS, Tray::DEFAULT_BALLOONS) != 0;
    int nGraceSec = GetConfigInt(Tray::SECTION, Tray::KEY_DOWN_GRACE_SEC, Tray::DEFAULT_DOWN_GRACE_SEC);
    m_trayState.SetBalloons(bBalloons, nGraceSec);
}

void CTavrinDlg::UpdateTray(bool bEverySecond)
{
    if (bEverySecond)
        ReadTraySettings();
    int64_t nNowMs = static_cast<int64_t>(GetTickCount64());
    m_trayState.SetLink(m_mqtt.IsConnected(), m_mqtt.IsAttempting(), m_mqtt.LastFailure(), nNowMs, CurrentTime());
    // The tip is made only when it may go: once a second, or with a new picture.
    if (bEverySecond || m_trayState.Icon() != m_tray.Shown())
    {
        STrayBoard board;
        board.robotStatus = m_board.Shown(IDC_ROBOT_STATUS);
        board.robotDetail = m_board.Shown(IDC_ROBOT_DETAIL);
        board.callCount = m_board.Shown(IDC_CALL_COUNT);
        board.bReceived = m_board.HasReceived();
        board.tReceive = m_board.ReceiveTime();
        m_trayState.SetBoard(board);
        m_tray.Update(m_trayState.Icon(), m_trayState.Tip(), nNowMs);
    }
    for (const STrayBalloon& balloon : m_trayState.TakeBalloons())
        m_tray.ShowBalloon(balloon);
}

void CTavrinDlg::OnOK()
{
    // Enter on a list box comes here; the monitor ends only through "종료".
}

void CTavrinDlg::OnCancel()
{
    // Closing only hides: the program lives on in the notification area.
    ShowWindow(SW_HIDE);
}

void CTavrinDlg::OnDestroy()
{
    m_tray.Delete();
    m_mqtt.Close();
    mosquitto_lib_cleanup();
}

CTavrinDlg::CScreenBatch::CScreenBatch(CTavrinDlg& dlg) : m_dlg(dlg)
{
    m_dlg.m_board.BeginBatch();
    m_dlg.m_panes.BeginBatch();
}

CTavrinDlg::CScreenBatch::~CScreenBatch()
{
    // The board first: drawing a pane again can take milliseconds.
    m_dlg.m_board.EndBatch();
    m_dlg.m_panes.EndBatch();
}
