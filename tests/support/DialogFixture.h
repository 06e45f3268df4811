#pragma once

#include "TestMessage.h"
#include "app/TavrinDlg.h"
#include "framework/WinApp.h"

#include <gtest/gtest.h>
#include <json/value.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

// RobotMessage as the intake hands it on, parsed.
Json::Value ParsedRobotMessage(const std::string& title, const std::string& content = "content");

// A fresh folder under the temporary folder; empty when none can be made.
// Only a name that is taken is worth another try.
std::wstring MakeTempDir();

// While it lives, every dialog or message box that this thread opens is
// recorded and closed with IDOK when it is first activated.
class CDialogCloser
{
public:
    CDialogCloser();
    ~CDialogCloser();
    CDialogCloser(const CDialogCloser&) = delete;
    CDialogCloser& operator=(const CDialogCloser&) = delete;

    int nCount = 0;
    // Runs in each box as it opens, before the box is closed.
    std::function<void()> onOpen;
    std::wstring caption;
    std::wstring text; // a message box's text
    RECT rect = {};    // where it opened

private:
    static LRESULT CALLBACK CbtProc(int nCode, WPARAM wParam, LPARAM lParam);
    HHOOK m_hHook;
    std::vector<HWND> m_created;
};

// The real main window, created modeless from its template under the
// application name "Tavrin", with its INI file in a fresh temporary folder
// that names a broker port nothing listens on.
class CDialogTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    HWND Item(int nID) const { return GetDlgItem(m_hWnd, nID); }
    std::wstring ItemText(int nID) const;
    HWND Pane(int nPane) const { return Item(IDC_LIST_LOG0 + nPane); }
    int LineCount(int nPane) const;
    int Selection(int nPane) const;
    std::wstring Line(int nPane, int nIndex) const;
    void Command(int nID, int nCode = BN_CLICKED);
    // Picks a tab the way a click does: select it, then notify the window.
    void SelectTab(int nPane);
    // Writes the INI file (UTF-16 with BOM) with the given extra lines; the
    // broker's port is one nothing listens on unless nPort names one.
    void WriteIni(const std::wstring& extraLines = L"", int nPort = 0, int nReconnectSec = 3600);
    // A new window on the INI file as it is now.
    void Recreate();

    CWinApp m_app;
    std::wstring m_dir;
    std::wstring m_iniPath;
    std::unique_ptr<CTavrinDlg> m_pDlg;
    HWND m_hWnd = nullptr;
};
