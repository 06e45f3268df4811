#include "app/StartupRegistration.h"

#include "framework/RegKey.h"
#include "res/resource.h"

#include <windows.h>

#include <string>

namespace
{
const wchar_t RUN_KEY[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The name of our value, from the string table at each use. Without it we
// would be left with the key's default value, which other software may own,
// so an empty name means there is nothing of ours to read, write or delete.
std::wstring StartupValueName()
{
    wchar_t szName[128];
    int nLength = LoadStringW(GetModuleHandleW(nullptr), IDS_STARTUP_VALUE, szName, sizeof szName / sizeof szName[0]);
    return std::wstring(szName, nLength > 0 ? nLength : 0);
}
} // namespace

// Any well-formed string under our name counts, wherever it points.
bool IsStartupRegistered()
{
    std::wstring strName = StartupValueName();
    if (strName.empty())
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

    // A cut path would register a command that starts nothing.
    wchar_t szExe[MAX_PATH];
    DWORD dwLength = GetModuleFileNameW(nullptr, szExe, MAX_PATH);
    if (dwLength == 0 || dwLength >= MAX_PATH)
        return;

    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, RUN_KEY, KEY_SET_VALUE) != ERROR_SUCCESS)
        return;

    // Quoted, so that a path with spaces stays one argument.
    std::wstring strCommand = L"\"" + std::wstring(szExe, dwLength) + L"\" /startup";
    RegSetValueExW(key, strName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(strCommand.c_str()),
                   static_cast<DWORD>((strCommand.size() + 1) * sizeof(wchar_t)));
}

void UnregisterStartup()
{
    std::wstring strName = StartupValueName();
    if (strName.empty())
        return;

    CRegKey key;
    if (key.Open(HKEY_CURRENT_USER, RUN_KEY, KEY_WRITE) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, strName.c_str());
}

void ToggleStartup()
{
    if (IsStartupRegistered())
        UnregisterStartup();
    else
        RegisterStartup();
}
