#include "app/VersionText.h"

#include "framework/ModulePath.h"

#include <windows.h>

#include <cwchar>
#include <vector>

std::wstring LoadVersionText()
{
    std::wstring strPath = GetModulePath();
    wchar_t szShort[MAX_PATH] = {};
    // The short name, where the volume keeps one; otherwise the long name.
    const wchar_t* pszFile = GetShortPathNameW(strPath.c_str(), szShort, MAX_PATH) ? szShort : strPath.c_str();

    DWORD dwHandle = 0;
    DWORD dwSize = GetFileVersionInfoSizeW(pszFile, &dwHandle);
    if (dwSize == 0)
        return std::wstring();
    std::vector<unsigned char> block(dwSize);
    if (!GetFileVersionInfoW(pszFile, 0, dwSize, block.data()))
        return std::wstring();
    VS_FIXEDFILEINFO* pInfo = nullptr;
    UINT nLen = 0;
    if (!VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&pInfo), &nLen) || !pInfo ||
        nLen < sizeof(VS_FIXEDFILEINFO))
        return std::wstring();

    wchar_t szVersion[32];
    std::swprintf(szVersion, 32, L"ver %d.%d.%d", static_cast<int>(HIWORD(pInfo->dwFileVersionMS)),
                  static_cast<int>(LOWORD(pInfo->dwFileVersionMS)),
                  static_cast<int>(HIWORD(pInfo->dwFileVersionLS)));
    return szVersion;
}
