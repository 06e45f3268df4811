// The real Tavrin.exe against a real broker, read from outside through its
// window, as another program on the desktop would: control and list-box texts
// are marshalled across processes.
#include "TestBroker.h"
#include "TestPublisher.h"

#include <gtest/gtest.h>
#include <mosquitto.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace
{
const wchar_t kClass[] = L"Tavrin";

std::wstring ExeDir()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path);
    return s.substr(0, s.find_last_of(L"\\/"));
}

bool WaitFor(const std::function<bool()>& done, int nMs = 20000)
{
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(nMs);
    while (std::chrono::steady_clock::now() < end)
    {
        if (done())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return done();
}

std::wstring Text(HWND hWnd)
{
    wchar_t buf[1024] = {};
    SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
    return buf;
}

std::vector<std::wstring> PaneLines(HWND hDlg, int nPane)
{
    HWND hList = GetDlgItem(hDlg, 101 + nPane);
    std::vector<std::wstring> lines;
    DWORD_PTR nCount = 0;
    SendMessageTimeoutW(hList, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &nCount);
    for (int i = 0; i < static_cast<int>(nCount); ++i)
    {
        wchar_t buf[2048] = {};
        SendMessageTimeoutW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000, nullptr);
        lines.push_back(buf);
    }
    return lines;
}

bool PaneHas(HWND hDlg, int nPane, const std::wstring& part)
{
    for (const std::wstring& line : PaneLines(hDlg, nPane))
        if (line.find(part) != std::wstring::npos)
            return true;
    return false;
}

int CountWindows()
{
    int n = 0;
    EnumWindows([](HWND hWnd, LPARAM lParam) -> BOOL {
        wchar_t name[64];
        if (GetClassNameW(hWnd, name, 64) && wcscmp(name, kClass) == 0)
            ++*reinterpret_cast<int*>(lParam);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&n));
    return n;
}

std::string Message(const std::string& title, const std::string& content)
{
    return "{\"id\":\"1\",\"version\":\"1.0\",\"timestamp\":\"0\",\"correlationId\":\"c\","
           "\"request\":{\"title\":\"" + title + "\",\"content\":\"" + content + "\"}}";
}

class CProgram
{
public:
    ~CProgram() { Kill(); }

    bool Start(const std::wstring& exe, const std::wstring& args)
    {
        std::wstring cmd = L"\"" + exe + L"\" " + args;
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &m_pi))
            return false;
        CloseHandle(m_pi.hThread);
        return true;
    }
    bool WaitExit(DWORD dwMs) { return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, dwMs) == WAIT_OBJECT_0; }
    void Kill()
    {
        if (!m_pi.hProcess)
            return;
        if (!WaitExit(0))
        {
            TerminateProcess(m_pi.hProcess, 1);
            WaitExit(5000);
        }
        CloseHandle(m_pi.hProcess);
        m_pi.hProcess = nullptr;
    }
    DWORD Pid() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi = {};
};

HWND WindowOf(DWORD dwPid)
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, kClass, nullptr)) != nullptr)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        if (pid == dwPid)
            return hWnd;
    }
    return nullptr;
}

class EndToEnd : public testing::Test
{
protected:
    static void SetUpTestSuite() { mosquitto_lib_init(); }
    static void TearDownTestSuite() { mosquitto_lib_cleanup(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_broker.Start()) << m_broker.LogText();
        // Other Wine programs of this prefix may have windows of the class too.
        m_nOthers = CountWindows();
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        m_dir = std::wstring(tmp) + L"tavrin-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(GetTickCount());
        CreateDirectoryW(m_dir.c_str(), nullptr);
        std::string ini = "[RobotMqttService]\r\nip=127.0.0.1\r\nport=" + std::to_string(m_broker.Port()) +
                          "\r\nreconnect-sec=1\r\n";
        HANDLE hFile = CreateFileW((m_dir + L"\\Tavrin.ini").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD dwWritten = 0;
        WriteFile(hFile, ini.data(), static_cast<DWORD>(ini.size()), &dwWritten, nullptr);
        CloseHandle(hFile);
    }
    void TearDown() override
    {
        m_app.Kill();
        DeleteFileW((m_dir + L"\\Tavrin.ini").c_str());
        RemoveDirectoryW(m_dir.c_str());
    }

    HWND StartProgram()
    {
        if (!m_app.Start(ExeDir() + L"\\Tavrin.exe", L"\"" + m_dir + L"\""))
            return nullptr;
        HWND hWnd = nullptr;
        WaitFor([&] { return (hWnd = WindowOf(m_app.Pid())) != nullptr; }, 60000);
        return hWnd;
    }

    CTestBroker m_broker;
    CProgram m_app;
    std::wstring m_dir;
    int m_nOthers = 0;
};
}

TEST_F(EndToEnd, BrokerMessagesDriveTheBoardUntilExit)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(Text(hDlg), L"Tavrin (ver 0.7.104)");
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, 1, L"connection success"); }));
    EXPECT_TRUE(PaneHas(hDlg, 1, L"connect(127.0.0.1:" + std::to_wstring(m_broker.Port()) + L")"));

    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(pub.IsConnected());
    // The subscription follows the broker's answer; keep sending until it lands.
    ASSERT_TRUE(WaitFor([&] {
        pub.Publish("server/sendMessage", Message("guide:start:김민수", "안내 시작"));
        pub.Sync();
        return Text(GetDlgItem(hDlg, 1005)) == L"안내 중(시작)";
    }));
    EXPECT_EQ(Text(GetDlgItem(hDlg, 1007)), L"[김민수]님");
    EXPECT_TRUE(PaneHas(hDlg, 0, L"  안내 시작"));
    EXPECT_TRUE(PaneHas(hDlg, 3, L"guide:start:김민수"));
    EXPECT_EQ(Text(GetDlgItem(hDlg, 1009)).rfind(L"last receive: ", 0), 0u);

    // Hidden, it goes on taking messages in.
    PostMessageW(hDlg, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(hDlg); }));
    pub.Publish("server/sendMessage", Message("call:2:add:\\ubc15\\uc9c0\\ud6c8", "호출"));
    ASSERT_TRUE(WaitFor([&] { return Text(GetDlgItem(hDlg, 1008)) == L"[박지훈] 님 (추가)"; }));
    EXPECT_EQ(Text(GetDlgItem(hDlg, 1006)), L"남은 호출 수: 2개");
    EXPECT_EQ(Text(GetDlgItem(hDlg, 1005)), L"안내 중(시작)");

    // A second start finds the running window and ends at once, leaving it hidden.
    CProgram second;
    ASSERT_TRUE(second.Start(ExeDir() + L"\\Tavrin.exe", L"\"" + m_dir + L"\""));
    EXPECT_TRUE(second.WaitExit(20000));
    EXPECT_EQ(CountWindows(), m_nOthers + 1);
    EXPECT_FALSE(IsWindowVisible(hDlg));

    PostMessageW(hDlg, WM_COMMAND, 57665, 0);
    EXPECT_TRUE(m_app.WaitExit(20000));
    EXPECT_EQ(CountWindows(), m_nOthers);
}

TEST_F(EndToEnd, BrokerRestartIsSurvived)
{
    HWND hDlg = StartProgram();
    ASSERT_NE(hDlg, nullptr);
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, 1, L"connection success"); }));
    ASSERT_TRUE(m_broker.Stop());
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, 1, L"connection lost"); }, 90000));
    ASSERT_TRUE(m_broker.Start());
    ASSERT_TRUE(WaitFor([&] { return PaneHas(hDlg, 1, L"reconnect success"); }, 30000));
    CTestPublisher pub(m_broker.Port());
    ASSERT_TRUE(WaitFor([&] {
        pub.Publish("server/sendMessage", Message("return", ""));
        pub.Sync();
        return Text(GetDlgItem(hDlg, 1005)) == L"복귀 중";
    }));
    PostMessageW(hDlg, WM_COMMAND, 57665, 0);
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
