// Waits until a running Tavrin's board shows a guide under way and an open
// call, and its general pane has lines: the picture of the program at work
// that `make screenshot` takes. Exit status 0 then, and DONE_FILE is made
// (for a caller outside the Wine desktop that the program runs on); 1 when
// the time is up.
//   board_wait SECONDS [DONE_FILE]
#include "res/resource.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace
{
std::wstring ItemText(HWND hDlg, int nID)
{
    // Answered by the window manager for a window of another process.
    wchar_t sz[256] = {};
    GetWindowTextW(GetDlgItem(hDlg, nID), sz, 256);
    return sz;
}

bool BoardMoved()
{
    HWND hDlg = FindWindowW(L"Tavrin", nullptr);
    return hDlg && ItemText(hDlg, IDC_ROBOT_STATUS).rfind(L"안내 중", 0) == 0 && !ItemText(hDlg, IDC_CALL_COUNT).empty()
           && SendMessageW(GetDlgItem(hDlg, IDC_LIST_LOG0 + PANE_GENERAL), LB_GETCOUNT, 0, 0) > 1;
}
}

int wmain(int argc, wchar_t** argv)
{
    const DWORD dwLimit = (argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 180) * 1000;
    const DWORD dwStart = GetTickCount();
    while (!BoardMoved())
    {
        if (GetTickCount() - dwStart > dwLimit)
            return 1;
        Sleep(200);
    }
    if (argc > 2)
        CloseHandle(CreateFileW(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return 0;
}
