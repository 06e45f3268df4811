#include "mqtt/ClientId.h"

#include <windows.h>

namespace
{
std::string Utf8(const wchar_t* psz)
{
    int nBytes = WideCharToMultiByte(CP_UTF8, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    if (nBytes <= 1)
        return std::string();
    std::string text(static_cast<size_t>(nBytes - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, psz, -1, &text[0], nBytes, nullptr, nullptr);
    return text;
}
}

std::string DefaultClientId()
{
    wchar_t szComputer[MAX_COMPUTERNAME_LENGTH + 1] = L"";
    DWORD nComputer = ARRAYSIZE(szComputer);
    if (!GetComputerNameW(szComputer, &nComputer))
        szComputer[0] = L'\0';
    // 256 is UNLEN, the longest user name.
    wchar_t szUser[257] = L"";
    DWORD nUser = ARRAYSIZE(szUser);
    if (!GetUserNameW(szUser, &nUser))
        szUser[0] = L'\0';
    return MakeClientId(Utf8(szComputer), Utf8(szUser));
}
