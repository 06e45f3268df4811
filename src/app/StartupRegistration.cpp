#include "app/StartupRegistration.h"

#include "framework/ModulePath.h"
#include "framework/RegKey.h"
#include "framework/SystemError.h"
#include "res/resource.h"
#include "trace/DebugTrace.h"

#include <windows.h>

#include <string>

namespace
{
const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Task Manager and Settings switch a Run entry off and on here, under the
// same name, without touching the Run value: a binary value whose first byte
// is odd when off (then followed by the time of switching), even when on.
const wchar_t APPROVED_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
const BYTE APPROVED_ON[12] = {2};

// The name of our value, from the string table at each use. Without it we
// would be left with the key's default value, which other software may own,
// so an empty name means there is nothing of ours to read, write or delete.
std::wstring StartupValueName()
{
    wchar_t szName[128];
    int nLength = LoadStringW(GetModuleHandleW(nullptr), IDS_STARTUP_VALUE, szName, sizeof szName / sizeof szName[0]);
    return std::wstring(szName, nLength > 0 ? nLength : 0);
}
bool IsSwitchedOffByWindows(const std::wstring& strName)
{
    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, APPROVED_KEY, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;
    BYTE data[64];
    DWORD dwType = REG_NONE;
    DWORD cbData = sizeof data;
    if (RegQueryValueExW(key, strName.c_str(), nullptr, &dwType, data, &cbData) != ERROR_SUCCESS)
        return false;
    return dwType == REG_BINARY && cbData > 0 && (data[0] & 1) != 0;
}

// Only a value that is there is changed: none at all counts as on.
void SwitchOnInWindows(const std::wstring& strName)
{
    if (!IsSwitchedOffByWindows(strName))
        return;
    CRegKey key;
    LONG lResult = key.Open(HKEY_CURRENT_USER, APPROVED_KEY, KEY_SET_VALUE);
    if (lResult == ERROR_SUCCESS)
        lResult = RegSetValueExW(key, strName.c_str(), 0, REG_BINARY, APPROVED_ON, sizeof APPROVED_ON);
    if (lResult != ERROR_SUCCESS)
        TraceFailure("RegSetValueExW(StartupApproved)", static_cast<DWORD>(lResult));
}
} // namespace

// Any well-formed string under our name counts, wherever it points, unless
// Windows has switched it off.
bool IsStartupRegistered()
{
    std::wstring strName = StartupValueName();
    if (strName.empty() || IsSwitchedOffByWindows(strName))
        return false;

    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, RUN_KEY, KEY_QUERY_VALUE) != ERROR_SUCCESS)
        return false;

    wchar_t szData[MAX_PATH];
    DWORD dwType = REG_NONE;
    DWORD cbData = sizeof szData;
    if (RegQueryValueExW(key, strName.c_str(), nullptr, &dwType, reinterpret_cast<BYTE*>(szData), &cbData)
        != ERROR_SUCCESS)
        return false;
    if (dwType != REG_SZ && dwType != REG_EXPAND_SZ)
        return false;
    return cbData == 0 || (cbData % sizeof(wchar_t) == 0 && szData[cbData / sizeof(wchar_t) - 1] == L'\0');
}

void RegisterStartup()
{
    std::wstring strName = StartupValueName();
    if (strName.empty())
        return;

    // Without the whole path there is nothing that would start.
    std::wstring strExe = GetModulePath();
    if (strExe.empty())
    {
        DebugTrace("not registered to run at login: the executable's path does not fit");
        return;
    }

    CRegKey key;
    LONG lResult = key.Open(HKEY_CURRENT_USER, RUN_KEY, KEY_SET_VALUE);
    if (lResult != ERROR_SUCCESS)
    {
        TraceFailure("RegOpenKeyExW(Run, KEY_SET_VALUE)", static_cast<DWORD>(lResult));
        return;
    }

    // Quoted, so that a path with spaces stays one argument.
    std::wstring strCommand = L"\"" + strExe + L"\" /startup";
    lResult = RegSetValueExW(key, strName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strCommand.c_str()),
                             static_cast<DWORD>((strCommand.size() + 1) * sizeof(wchar_t)));
    if (lResult != ERROR_SUCCESS)
        TraceFailure("RegSetValueExW(Run)", static_cast<DWORD>(lResult));
    else
        SwitchOnInWindows(strName);
}

void UnregisterStartup()
{
    std::wstring strName = StartupValueName();
    if (strName.empty())
        return;

    CRegKey key;
    LONG lResult = key.Open(HKEY_CURRENT_USER, RUN_KEY, KEY_WRITE);
    if (lResult != ERROR_SUCCESS)
    {
        TraceFailure("RegOpenKeyExW(Run, KEY_WRITE)", static_cast<DWORD>(lResult));
        return;
    }
    lResult = RegDeleteValueW(key, strName.c_str());
    if (lResult != ERROR_SUCCESS)
        TraceFailure("RegDeleteValueW(Run)", static_cast<DWORD>(lResult));
}

void ToggleStartup()
{
    if (IsStartupRegistered())
        UnregisterStartup();
    else
        RegisterStartup();
}
