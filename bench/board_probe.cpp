// The benchmark's eyes on the real program: starts Tavrin.exe and reads its
// status board from another process, as a program beside it on the desktop
// would. Driven by program_bench through its standard input and output.
//
//   board_probe EXE INI_DIR
//
// Prints "window PID" once the window is there. Then reads commands, one a
// line:
//   watch MS  read the board every MS milliseconds until the next command;
//             prints "seen SEQ TIME" whenever a newer sequence number shows,
//             and "marker TIME" when the end marker does
//   idle      stop reading
//   dump      prints "dump" and what the board and the "mqtt" pane show
//   quit      exit the program through its menu; prints "exited CODE"
// TIME is wall-clock microseconds since 1970, the clock the publisher stamps.
//
// The board fields are read with GetWindowText, which for a window of another
// process answers from the window manager without a message to the program's
// thread: the probe does not slow the program down while it watches.
#include "res/resource.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>

namespace
{
long long NowMicros()
{
    FILETIME ft;
    GetSystemTimePreciseAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // 100 ns steps since 1601 to microseconds since 1970.
    return static_cast<long long>((t.QuadPart - 116444736000000000ULL) / 10);
}

HWND WindowOf(DWORD dwPid)
{
    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, L"Tavrin", nullptr)) != nullptr)
    {
        DWORD pid = 0;
        GetWindowThreadProcessId(hWnd, &pid);
        if (pid == dwPid)
            return hWnd;
    }
    return nullptr;
}

// The sequence number that the stream writes after '#' in every name; -1
// when the field shows none.
long long SeqOf(const wchar_t* text)
{
    const wchar_t* p = std::wcschr(text, L'#');
    if (!p || p[1] < L'0' || p[1] > L'9')
        return -1;
    return std::wcstoll(p + 1, nullptr, 10);
}

std::wstring Widen(const char* psz)
{
    wchar_t buf[MAX_PATH * 2] = {};
    MultiByteToWideChar(CP_ACP, 0, psz, -1, buf, MAX_PATH * 2);
    return buf;
}

std::string Utf8(const std::wstring& text)
{
    char buf[4096] = {};
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, buf, sizeof buf - 1, nullptr, nullptr);
    return buf;
}

// For a run that went wrong: the board, and the newest lines of the "mqtt"
// pane, which the program's thread has to answer.
void Dump(HWND hDlg)
{
    std::string out = "dump";
    for (int nId : {IDC_ROBOT_STATUS, IDC_CALL_COUNT, IDC_ROBOT_DETAIL, IDC_CALL_DETAIL, IDC_RECEIVE_TIME})
    {
        wchar_t sz[512] = {};
        GetWindowTextW(GetDlgItem(hDlg, nId), sz, 512);
        out += " [" + Utf8(sz) + "]";
    }
    HWND hList = GetDlgItem(hDlg, IDC_LIST_LOG0 + PANE_MQTT);
    DWORD_PTR nCount = 0;
    if (!SendMessageTimeoutW(hList, LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &nCount))
        out += " (the window does not answer)";
    for (int i = nCount > 3 ? static_cast<int>(nCount) - 3 : 0; i < static_cast<int>(nCount); ++i)
    {
        wchar_t sz[1024] = {};
        DWORD_PTR nLen = 0;
        if (SendMessageTimeoutW(hList, LB_GETTEXTLEN, i, 0, SMTO_ABORTIFHUNG, 5000, &nLen) && nLen < 1024)
            SendMessageTimeoutW(hList, LB_GETTEXT, i, reinterpret_cast<LPARAM>(sz), SMTO_ABORTIFHUNG, 5000, &nLen);
        out += " {" + Utf8(sz) + "}";
    }
    std::printf("%s\n", out.c_str());
    std::fflush(stdout);
}

// Commands from the driver, read on their own thread.
std::atomic<int> g_nCommand{0};
std::atomic<int> g_nPeriod{1};
enum { CMD_NONE, CMD_WATCH, CMD_IDLE, CMD_QUIT };
std::atomic<bool> g_bDump{false};

void ReadCommands()
{
    char line[256];
    while (std::fgets(line, sizeof line, stdin))
    {
        if (std::strncmp(line, "watch", 5) == 0)
        {
            int n = std::atoi(line + 5);
            g_nPeriod = n > 0 ? n : 1;
            g_nCommand = CMD_WATCH;
        }
        else if (std::strncmp(line, "idle", 4) == 0)
            g_nCommand = CMD_IDLE;
        else if (std::strncmp(line, "dump", 4) == 0)
            g_bDump = true;
        else if (std::strncmp(line, "quit", 4) == 0)
            break;
    }
    g_nCommand = CMD_QUIT;
}
}

int main(int argc, char** argv)
{
    if (argc < 3)
    {
        std::fprintf(stderr, "usage: board_probe EXE INI_DIR\n");
        return 2;
    }
    std::wstring exe = Widen(argv[1]);
    std::wstring dir = Widen(argv[2]);
    std::wstring cmd = L"\"" + exe + L"\" \"" + dir + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    {
        std::printf("error cannot start\n");
        return 1;
    }
    CloseHandle(pi.hThread);

    HWND hDlg = nullptr;
    for (int i = 0; i < 1200 && !hDlg; ++i)
    {
        hDlg = WindowOf(pi.dwProcessId);
        if (!hDlg)
            Sleep(50);
    }
    if (!hDlg)
    {
        std::printf("error no window\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    // The dialog's window comes before its controls.
    HWND hRobot = nullptr;
    HWND hCall = nullptr;
    for (int i = 0; i < 1200 && !(hRobot && hCall); ++i)
    {
        hRobot = GetDlgItem(hDlg, IDC_ROBOT_DETAIL);
        hCall = GetDlgItem(hDlg, IDC_CALL_DETAIL);
        if (!(hRobot && hCall))
            Sleep(50);
    }
    if (!(hRobot && hCall))
    {
        std::printf("error no board\n");
        TerminateProcess(pi.hProcess, 1);
        return 1;
    }
    std::printf("window %lu\n", pi.dwProcessId);
    std::fflush(stdout);

    std::thread reader(ReadCommands);
    long long nNewest = -1;
    std::wstring lastMarker;
    while (g_nCommand != CMD_QUIT)
    {
        if (g_bDump.exchange(false))
            Dump(hDlg);
        if (g_nCommand != CMD_WATCH)
        {
            Sleep(20);
            continue;
        }
        wchar_t szRobot[256] = {};
        wchar_t szCall[256] = {};
        GetWindowTextW(hRobot, szRobot, 256);
        GetWindowTextW(hCall, szCall, 256);
        // What the board shows now was there at the latest when the read returned.
        long long t = NowMicros();
        long long nSeq = SeqOf(szRobot);
        long long nCall = SeqOf(szCall);
        if (nCall > nSeq)
            nSeq = nCall;
        if (nSeq > nNewest)
        {
            nNewest = nSeq;
            std::printf("seen %lld %lld\n", nSeq, t);
        }
        // Each marker names its own sequence number, so each shows once.
        if (std::wcsstr(szRobot, L"MARKER") && lastMarker != szRobot)
        {
            lastMarker = szRobot;
            std::printf("marker %lld\n", t);
        }
        std::fflush(stdout);
        Sleep(static_cast<DWORD>(g_nPeriod.load()));
    }
    reader.join();

    PostMessageW(hDlg, WM_COMMAND, ID_APP_EXIT, 0);
    DWORD dwCode = 1;
    if (WaitForSingleObject(pi.hProcess, 20000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    GetExitCodeProcess(pi.hProcess, &dwCode);
    CloseHandle(pi.hProcess);
    std::printf("exited %lu\n", dwCode);
    std::fflush(stdout);
    return 0;
}
