#include "ProgramProbe.h"
#include "WaitUntil.h"

#include "app/TrayFacts.h"

#include <mosquitto.h>

#include <chrono>
#include <thread>

namespace Probe
{
std::wstring ExeDir()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L"\\/"));
}

std::wstring Widen(const std::string& utf8)
{
    if (utf8.empty())
        return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &w[0], n);
    return w;
}

bool WaitFor(const std::function<bool()>& done, int nMs)
{
    return WaitUntil(done, std::chrono::milliseconds(nMs), std::chrono::milliseconds(50));
}

std::wstring Text(HWND hWnd)
{
    wchar_t buf[1024] = {};
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
    return buf;
}

std::wstring ItemText(HWND hDlg, int nId)
{
    return Text(GetDlgItem(hDlg, nId));
}

std::vector<std::wstring> PaneLines(HWND hDlg, int nPane)
{
    HWND hList = GetDlgItem(hDlg, IDC_LIST_LOG0 + nPane);
    std::vector<std::wstring> lines;
    DWORD_PTR nCount = 0;
    if (!SendMessageTimeoutW(hList, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &nCount))
        return lines;
    for (int i = 0; i < static_cast<int>(nCount); ++i)
    {
        DWORD_PTR nLen = 0;
        if (!SendMessageTimeoutW(hList, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &nLen) ||
            nLen == static_cast<DWORD_PTR>(LB_ERR))
            break;
        std::wstring line(nLen + 1, L'\0');
        DWORD_PTR nGot = 0;
        if (!SendMessageTimeoutW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&line[0]), SMTO_ABORTIFHUNG, 5000,
                                 &nGot) ||
            nGot == static_cast<DWORD_PTR>(LB_ERR))
            break;
        line.resize(nGot < nLen ? nGot : nLen);
        lines.push_back(line);
    }
    return lines;
}

bool PaneHas(HWND hDlg, int nPane, const std::wstring& part)
{
    return PaneCount(hDlg, nPane, part) > 0;
}

int PaneCount(HWND hDlg, int nPane, const std::wstring& part)
{
    int n = 0;
    for (const std::wstring& line : PaneLines(hDlg, nPane))
        if (line.find(part) != std::wstring::npos)
            ++n;
    return n;
}

bool Responds(HWND hWnd)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(hWnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result) != 0;
}

int CountWindows()
{
    int n = 0;
    EnumWindows([](HWND hWnd, LPARAM lParam) -> BOOL {
        wchar_t name[64];
        if (GetClassNameW(hWnd, name, 64) && wcscmp(name, TAVRIN_CLASS) == 0)
            ++*reinterpret_cast<int*>(lParam);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&n));
    return n;
}

bool CProgram::Start(const std::wstring& exe, const std::wstring& args)
{
    Kill();
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
    {
        m_pi = {};
        return false;
    }
    CloseHandle(m_pi.hThread);
    return true;
}

bool CProgram::WaitExit(DWORD dwMs)
{
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, dwMs) == WAIT_OBJECT_0;
}

DWORD CProgram::Run(const std::wstring& exe, const std::wstring& args, DWORD dwMs)
{
    if (!Start(exe, args))
        return GetLastError();
    DWORD dwExit = WAIT_TIMEOUT;
    if (WaitExit(dwMs))
        GetExitCodeProcess(m_pi.hProcess, &dwExit);
    return dwExit;
}

void CProgram::Kill()
{
    if (!m_pi.hProcess)
        return;
    if (!WaitExit(0))
    {
        TerminateProcess(m_pi.hProcess, 1);
        WaitExit(5000);
    }
    CloseHandle(m_pi.hProcess);
    m_pi = {};
}

HWND WindowOf(DWORD dwPid)
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, TAVRIN_CLASS, nullptr)) != nullptr)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        if (pid == dwPid)
            return hWnd;
    }
    return nullptr;
}

HWND WindowOfCaption(DWORD dwPid, const std::wstring& caption)
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, nullptr, caption.c_str())) != nullptr)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        if (pid == dwPid)
            return hWnd;
    }
    return nullptr;
}
}

void CProgramTest::SetUpTestSuite()
{
    mosquitto_lib_init();
}

void CProgramTest::TearDownTestSuite()
{
    mosquitto_lib_cleanup();
}

void CProgramTest::SetUp()
{
    ASSERT_TRUE(m_broker.Start()) << m_broker.LogText();
    // Other Wine programs of this prefix may have windows of the class too.
    m_nOthers = Probe::CountWindows();
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    m_dir = std::wstring(tmp) + L"tavrin-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount());
    CreateDirectoryW(m_dir.c_str(), nullptr);
    ASSERT_TRUE(WriteIni(StandardIni()));
}

void CProgramTest::TearDown()
{
    m_app.Kill();
    SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(IniPath().c_str());
    RemoveDirectoryW(m_dir.c_str());
}

std::string CProgramTest::SecurityDefaultsIni()
{
    return "username=\r\npassword=\r\ntls=0\r\ntls-cafile=\r\ntls-certfile=\r\ntls-keyfile=\r\n"
           "tls-insecure-no-checks=0\r\n";
}

std::string CProgramTest::StandardIni() const
{
    return "[RobotMqttService]\r\nip=127.0.0.1\r\nport=" + std::to_string(m_broker.Port()) +
           "\r\nreconnect-sec=1\r\nclient-id=\r\n" + SecurityDefaultsIni() + NotificationIni();
}

std::string CProgramTest::NotificationIni()
{
    return std::string("[") + Tray::SECTION + "]\r\n" + Tray::KEY_BALLOONS + "=" + std::to_string(Tray::DEFAULT_BALLOONS) +
           "\r\n" + Tray::KEY_DOWN_GRACE_SEC + "=" + std::to_string(Tray::DEFAULT_DOWN_GRACE_SEC) + "\r\n";
}

bool CProgramTest::WriteIni(const std::string& bytes)
{
    SetFileAttributesW(IniPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE hFile = CreateFileW(IniPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD dwWritten = 0;
    BOOL bOk = WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &dwWritten, nullptr);
    CloseHandle(hFile);
    return bOk && dwWritten == bytes.size();
}

std::string CProgramTest::ReadIni() const
{
    return Probe::ReadBytes(IniPath());
}

std::string Probe::ReadBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    char buf[4096];
    DWORD dwRead = 0;
    while (ReadFile(hFile, buf, sizeof buf, &dwRead, nullptr) && dwRead > 0)
        bytes.append(buf, dwRead);
    CloseHandle(hFile);
    return bytes;
}

HWND CProgramTest::StartProgram()
{
    return StartProgram(L"\"" + m_dir + L"\"");
}

HWND CProgramTest::StartProgram(const std::wstring& args)
{
    if (!m_app.Start(Probe::ExeDir() + L"\\Tavrin.exe", args))
        return nullptr;
    HWND hWnd = nullptr;
    Probe::WaitFor([&] { return (hWnd = Probe::WindowOf(m_app.Pid())) != nullptr; }, 60000);
    return hWnd;
}

bool CProgramTest::ExitProgram(HWND hDlg)
{
    PostMessageW(hDlg, WM_COMMAND, ID_APP_EXIT, 0);
    return m_app.WaitExit(20000);
}
