#include "framework/ModulePath.h"

#include <windows.h>

std::wstring GetModulePath()
{
    wchar_t szPath[MAX_PATH];
    DWORD nLen = GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    if (nLen == 0 || nLen >= MAX_PATH)
        return std::wstring();
    return std::wstring(szPath, nLen);
}
