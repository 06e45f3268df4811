// The installer's custom actions. Windows Installer calls them by name from
// the package's Binary table; each returns ERROR_SUCCESS whatever happens,
// because none of them is worth failing an install or an uninstall for.
#include "res/resource.h"

#include <windows.h>
#include <msi.h>
#include <msiquery.h>

namespace
{
const wchar_t TAVRIN_CLASS[] = L"Tavrin";
const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t RUN_VALUE[] = L"Tavrin";
const DWORD EXIT_WAIT_MS = 10000;

// The installed program's full path: INSTALLDIR ends with a backslash.
bool InstalledExe(MSIHANDLE hInstall, wchar_t (&szExe)[MAX_PATH])
{
    DWORD cch = MAX_PATH;
    if (MsiGetPropertyW(hInstall, L"INSTALLDIR", szExe, &cch) != ERROR_SUCCESS || cch == 0)
        return false;
    return lstrlenW(szExe) + lstrlenW(L"Tavrin.exe") < MAX_PATH && lstrcatW(szExe, L"Tavrin.exe");
}

bool SamePath(const wchar_t* pszA, const wchar_t* pszB)
{
    return CompareStringOrdinal(pszA, -1, pszB, -1, TRUE) == CSTR_EQUAL;
}

// The program of a Run value's command line: the quoted first part, or all
// of it up to the first blank.
void CommandProgram(const wchar_t* pszCommand, wchar_t (&szProgram)[MAX_PATH])
{
    const wchar_t* p = pszCommand;
    wchar_t chEnd = L' ';
    if (*p == L'"')
    {
        chEnd = L'"';
        ++p;
    }
    int n = 0;
    while (*p && *p != chEnd && n < MAX_PATH - 1)
        szProgram[n++] = *p++;
    szProgram[n] = L'\0';
}
} // namespace

// Before an uninstall or an upgrade: a running Tavrin would hold the file
// that is to go. Closing its window only hides it, so it is sent the menu's
// exit command, which ends the program as the user would.
extern "C" __declspec(dllexport) UINT __stdcall CloseTavrin(MSIHANDLE hInstall)
{
    wchar_t szExe[MAX_PATH];
    if (!InstalledExe(hInstall, szExe))
        return ERROR_SUCCESS;

    HWND hWnd = nullptr;
    while ((hWnd = FindWindowExW(nullptr, hWnd, TAVRIN_CLASS, nullptr)) != nullptr)
    {
        DWORD dwPid = 0;
        GetWindowThreadProcessId(hWnd, &dwPid);
        HANDLE hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, dwPid);
        if (!hProcess)
            continue;
        // A portable copy elsewhere is not ours to end.
        wchar_t szImage[MAX_PATH];
        DWORD cch = MAX_PATH;
        if (QueryFullProcessImageNameW(hProcess, 0, szImage, &cch) && SamePath(szImage, szExe))
        {
            PostMessageW(hWnd, WM_COMMAND, MAKEWPARAM(ID_APP_EXIT, 0), 0);
            WaitForSingleObject(hProcess, EXIT_WAIT_MS);
        }
        CloseHandle(hProcess);
    }
    return ERROR_SUCCESS;
}

// After an uninstall (not the one inside an upgrade): the program's menu may
// have registered it to run at login, and Windows would try to start the
// deleted file at every login. The value goes when it names the installed
// program or a file that is no longer there; one that starts a portable copy
// which still exists stays.
extern "C" __declspec(dllexport) UINT __stdcall RemoveRunValue(MSIHANDLE hInstall)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, RUN_KEY, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &hKey) != ERROR_SUCCESS)
        return ERROR_SUCCESS;

    wchar_t szCommand[MAX_PATH + 64] = {};
    DWORD dwType = REG_NONE;
    DWORD cbData = sizeof szCommand - sizeof(wchar_t);
    LONG lResult = RegQueryValueExW(hKey, RUN_VALUE, nullptr, &dwType, reinterpret_cast<BYTE*>(szCommand), &cbData);
    if (lResult == ERROR_SUCCESS && (dwType == REG_SZ || dwType == REG_EXPAND_SZ))
    {
        wchar_t szProgram[MAX_PATH];
        wchar_t szExe[MAX_PATH];
        CommandProgram(szCommand, szProgram);
        bool bOurs = InstalledExe(hInstall, szExe) && SamePath(szProgram, szExe);
        if (bOurs || GetFileAttributesW(szProgram) == INVALID_FILE_ATTRIBUTES)
            RegDeleteValueW(hKey, RUN_VALUE);
    }
    RegCloseKey(hKey);
    return ERROR_SUCCESS;
}
