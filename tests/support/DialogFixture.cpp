#include "DialogFixture.h"

#include "TestPlatform.h"

#include <commctrl.h>
#include <json/reader.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

Json::Value ParsedRobotMessage(const std::string& title, const std::string& content)
{
    Json::Value root;
    Json::Reader().parse(RobotMessage(title, content), root);
    return root;
}

std::wstring MakeTempDir()
{
    wchar_t szTemp[MAX_PATH];
    GetTempPathW(MAX_PATH, szTemp);
    static int s_nCount = 0;
    for (int nTry = 0; nTry < 1000; ++nTry)
    {
        wchar_t szDir[MAX_PATH];
        std::swprintf(szDir, MAX_PATH, L"%lstavrin-win-%lu-%d", szTemp, GetCurrentProcessId(), ++s_nCount);
        if (CreateDirectoryW(szDir, nullptr))
            return szDir;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return std::wstring();
}

namespace
{
void RemoveTree(const std::wstring& dir)
{
    std::wstring from = dir + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

CDialogCloser* g_pCloser = nullptr;
}

CDialogCloser::CDialogCloser()
    : m_hHook(SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId()))
{
    g_pCloser = this;
}

CDialogCloser::~CDialogCloser()
{
    UnhookWindowsHookEx(m_hHook);
    g_pCloser = nullptr;
}

LRESULT CALLBACK CDialogCloser::CbtProc(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode == HCBT_CREATEWND && g_pCloser)
        g_pCloser->m_created.push_back(reinterpret_cast<HWND>(wParam));
    if (nCode == HCBT_ACTIVATE && g_pCloser)
    {
        HWND hBox = reinterpret_cast<HWND>(wParam);
        auto it = std::find(g_pCloser->m_created.begin(), g_pCloser->m_created.end(), hBox);
        if (it == g_pCloser->m_created.end())
            return CallNextHookEx(nullptr, nCode, wParam, lParam);
        g_pCloser->m_created.erase(it); // once per window
        wchar_t szText[512] = {};
        GetClassNameW(hBox, szText, 512);
        if (std::wstring(szText) == L"#32770")
        {
            ++g_pCloser->nCount;
            GetWindowTextW(hBox, szText, 512);
            g_pCloser->caption = szText;
            GetWindowRect(hBox, &g_pCloser->rect);
            szText[0] = L'\0';
            GetDlgItemTextW(hBox, 0xFFFF, szText, 512);
            g_pCloser->text = szText;
            if (g_pCloser->onOpen)
                g_pCloser->onOpen();
            PostMessageW(hBox, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(nullptr, nCode, wParam, lParam);
}

void CDialogTest::SetUp()
{
    m_app.SetAppName(L"Tavrin");
    m_dir = MakeTempDir();
    ASSERT_FALSE(m_dir.empty()) << "no temporary folder";
    m_iniPath = m_dir + L"\\Tavrin.ini";
    m_app.SetFileArgument(m_dir);
    WriteIni();
    Recreate();
}

void CDialogTest::TearDown()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_pDlg.reset();
    if (!m_dir.empty())
        RemoveTree(m_dir);
}

void CDialogTest::Recreate()
{
    if (m_hWnd && IsWindow(m_hWnd))
        DestroyWindow(m_hWnd);
    m_pDlg = std::make_unique<CTavrinDlg>();
    ASSERT_TRUE(m_pDlg->Create());
    m_hWnd = m_pDlg->GetSafeHwnd();
}

void CDialogTest::WriteIni(const std::wstring& extraLines, int nPort, int nReconnectSec)
{
    std::wstring text = L"\xFEFF[RobotMqttService]\r\nip=127.0.0.1\r\nport=" +
                        std::to_wstring(nPort ? nPort : TestPlatform::FreeLoopbackPort()) +
                        L"\r\nreconnect-sec=" + std::to_wstring(nReconnectSec) + L"\r\n" + extraLines;
    HANDLE hFile = CreateFileW(m_iniPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    DWORD dwWritten = 0;
    WriteFile(hFile, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &dwWritten, nullptr);
    CloseHandle(hFile);
}

std::wstring CDialogTest::ItemText(int nID) const
{
    wchar_t szText[512] = {};
    GetDlgItemTextW(m_hWnd, nID, szText, 512);
    return szText;
}

int CDialogTest::LineCount(int nPane) const
{
    return static_cast<int>(SendMessageW(Pane(nPane), LB_GETCOUNT, 0, 0));
}

int CDialogTest::Selection(int nPane) const
{
    return static_cast<int>(SendMessageW(Pane(nPane), LB_GETCURSEL, 0, 0));
}

std::wstring CDialogTest::Line(int nPane, int nIndex) const
{
    LRESULT nLen = SendMessageW(Pane(nPane), LB_GETTEXTLEN, nIndex, 0);
    if (nLen == LB_ERR)
        return L"<no line>";
    std::wstring text(static_cast<size_t>(nLen) + 1, L'\0');
    SendMessageW(Pane(nPane), LB_GETTEXT, nIndex, reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(nLen));
    return text;
}

void CDialogTest::Command(int nID, int nCode)
{
    SendMessageW(m_hWnd, WM_COMMAND, MAKEWPARAM(nID, nCode), 0);
}

void CDialogTest::SelectTab(int nPane)
{
    HWND hTab = Item(IDC_TAB_LOG);
    SendMessageW(hTab, TCM_SETCURSEL, nPane, 0);
    NMHDR nm = { hTab, IDC_TAB_LOG, static_cast<UINT>(TCN_SELCHANGE) };
    SendMessageW(m_hWnd, WM_NOTIFY, IDC_TAB_LOG, reinterpret_cast<LPARAM>(&nm));
}
