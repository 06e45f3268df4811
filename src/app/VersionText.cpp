#include "app/VersionText.h"

#include <windows.h>

#include <cwchar>
#include <vector>

std::wstring LoadVersionText()
{
    wchar_t szPath[MAX_PATH] = {};
    wchar_t szShort[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    // The short name, where the volume keeps one; otherwise the long name.
    const wchar_t* pszFile = GetShortPathNameW(szPath, szShort, MAX_PATH) ? szShort : szPath;

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
