// The real Tavrin.exe at 100, 150 and 200 %: Wine takes the scale from its
// registry when a process starts. The controls' rectangles are read from the
// running program's window.
#include "ProgramProbe.h"
#include "WindowLayout.h"

#include <commctrl.h>

using namespace Probe;

namespace
{
const wchar_t DESKTOP_KEY[] = L"Control Panel\\Desktop";

// Sets the scale that programs started from now on get, and puts the old
// one back at the end.
class CScaleSetting
{
public:
    CScaleSetting()
    {
        RegCreateKeyExW(HKEY_CURRENT_USER, DESKTOP_KEY, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr,
                        &m_hKey, nullptr);
        DWORD cb = sizeof m_dwOld;
        m_bHadValue = RegQueryValueExW(m_hKey, L"LogPixels", nullptr, nullptr,
                                       reinterpret_cast<BYTE*>(&m_dwOld), &cb) == ERROR_SUCCESS;
    }
    ~CScaleSetting()
    {
        if (m_bHadValue)
            Set(m_dwOld);
        else
            RegDeleteValueW(m_hKey, L"LogPixels");
        RegCloseKey(m_hKey);
    }
    void Set(DWORD dwDpi)
    {
        RegSetValueExW(m_hKey, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dwDpi), sizeof dwDpi);
    }

private:
    HKEY m_hKey = nullptr;
    DWORD m_dwOld = 96;
    bool m_bHadValue = false;
};

// TCM_GETITEMRECT writes through a pointer, which must be the program's own.
bool RemoteTabItemRect(HWND hTab, int i, RECT& rc)
{
    DWORD dwPid = 0;
    GetWindowThreadProcessId(hTab, &dwPid);
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, dwPid);
    if (!hProcess)
        return false;
    void* pRemote = VirtualAllocEx(hProcess, nullptr, sizeof rc, MEM_COMMIT, PAGE_READWRITE);
    bool bOk = pRemote && SendMessageW(hTab, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(pRemote))
               && ReadProcessMemory(hProcess, pRemote, &rc, sizeof rc, nullptr);
    if (pRemote)
        VirtualFreeEx(hProcess, pRemote, 0, MEM_RELEASE);
    CloseHandle(hProcess);
    return bOk;
}

class Scale : public CProgramTest
{
};
}

TEST_F(Scale, AtEachScaleNothingIsCutOrCoveredAndThePanesSitBelowTheTabs)
{
    // Pixels as they are, whatever the scale.
    SetProcessDPIAware();
    CScaleSetting setting;
    RECT rcClient96 = {};
    for (DWORD dwDpi : {96u, 144u, 192u})
    {
        SCOPED_TRACE(dwDpi);
        setting.Set(dwDpi);
        HWND hDlg = StartProgram();
        ASSERT_NE(hDlg, nullptr);
        // The first tick of the second's timer comes after the whole start.
        ASSERT_TRUE(WaitFor([&] { return !ItemText(hDlg, IDC_RECEIVE_TIME).empty(); }));
        HWND hTab = GetDlgItem(hDlg, IDC_TAB_LOG);
        SWindowLayout layout = SWindowLayout::Read(hDlg, [&](int i, RECT& rc) { return RemoteTabItemRect(hTab, i, rc); });
        for (const std::string& fault : layout.Faults())
            ADD_FAILURE() << fault << "\n" << layout.Describe();
        if (dwDpi == 96)
            rcClient96 = layout.client;
        else
            EXPECT_GE(layout.client.right, MulDiv(rcClient96.right, dwDpi, 96) * 9 / 10) << "the window grew with the scale";
        EXPECT_TRUE(ExitProgram(hDlg));
    }
}
