#pragma once

// Starts the real Tavrin.exe against the test broker and reads it from
// outside through its window, as another program on the desktop would:
// control and list-box texts are marshalled across processes.
#include "TestBroker.h"
#include "TestMessage.h"
#include "res/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace Probe
{
const wchar_t TAVRIN_CLASS[] = L"Tavrin";

// "%H:%M:%S  " in front of every pane line.
const size_t TIME_PART = 10;

std::wstring ExeDir();
std::wstring Widen(const std::string& utf8);
bool WaitFor(const std::function<bool()>& done, int nMs = 20000);
// A file's bytes, read while another process may be writing it.
std::string ReadBytes(const std::wstring& path);

// Window text; empty when the window does not answer within a few seconds.
std::wstring Text(HWND hWnd);
std::wstring ItemText(HWND hDlg, int nId);
// The lines of a pane (PANE_GENERAL...), time part included.
std::vector<std::wstring> PaneLines(HWND hDlg, int nPane);
bool PaneHas(HWND hDlg, int nPane, const std::wstring& part);
int PaneCount(HWND hDlg, int nPane, const std::wstring& part);
// Whether the window's thread answers a message at all.
bool Responds(HWND hWnd);
// Windows of the class in this Wine prefix, other tests' programs included.
int CountWindows();

class CProgram
{
public:
    CProgram() = default;
    CProgram(const CProgram&) = delete;
    CProgram& operator=(const CProgram&) = delete;
    ~CProgram() { Kill(); }

    bool Start(const std::wstring& exe, const std::wstring& args);
    bool WaitExit(DWORD dwMs);
    // Starts the program and waits for its end: its exit code, or the error
    // that kept it from starting, or WAIT_TIMEOUT.
    DWORD Run(const std::wstring& exe, const std::wstring& args, DWORD dwMs);
    bool IsRunning() { return m_pi.hProcess && !WaitExit(0); }
    void Kill();
    DWORD Pid() const { return m_pi.dwProcessId; }

private:
    PROCESS_INFORMATION m_pi = {};
};

// The program's main window, or null.
HWND WindowOf(DWORD dwPid);
// A top-level window of the process with exactly this caption, or null.
HWND WindowOfCaption(DWORD dwPid, const std::wstring& caption);
}

// A broker, a private folder with an INI file that names it, and the program
// started on that folder.
class CProgramTest : public testing::Test
{
protected:
    static void SetUpTestSuite();
    static void TearDownTestSuite();
    void SetUp() override;
    void TearDown() override;

    // The INI that SetUp writes: the broker's port, a one-second pause, the
    // computed client identifier and the notification settings, as the program
    // writes them back.
    std::string StandardIni() const;
    // The sign-in and TLS keys with their defaults, as the program writes
    // them back after "client-id".
    static std::string SecurityDefaultsIni();
    // The section that the program adds to a file without it, with the defaults.
    static std::string NotificationIni();
    std::wstring IniPath() const { return m_dir + L"\\Tavrin.ini"; }
    bool WriteIni(const std::string& bytes);
    std::string ReadIni() const;

    // Starts Tavrin.exe on the folder (or the given arguments) and waits for
    // its window; null when none came.
    HWND StartProgram();
    HWND StartProgram(const std::wstring& args);
    // Exit from the program menu; true once the process has ended.
    bool ExitProgram(HWND hDlg);

    CTestBroker m_broker;
    Probe::CProgram m_app;
    std::wstring m_dir;
    int m_nOthers = 0;
};
