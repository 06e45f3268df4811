#include "framework/TextConvert.h"

#include <windows.h>

#include <cstring>

namespace
{
std::wstring ToWide(const char* p, size_t nBytes)
{
    if (nBytes == 0)
        return std::wstring();
    int nChars = MultiByteToWideChar(CP_UTF8, 0, p, static_cast<int>(nBytes), nullptr, 0);
    std::wstring result(static_cast<size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, p, static_cast<int>(nBytes), &result[0], nChars);
    return result;
}
}

std::wstring Utf8ToWide(const std::string& text)
{
    return ToWide(text.data(), text.size());
}

std::wstring Utf8ToWide(const char* pszText)
{
    return pszText ? ToWide(pszText, std::strlen(pszText)) : std::wstring();
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int nLen = static_cast<int>(text.size());
    int nBytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), nLen, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(nBytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), nLen, &result[0], nBytes, nullptr, nullptr);
    return result;
}
