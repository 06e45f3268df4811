#pragma once

#include <string>

// The program's narrow text is UTF-8 everywhere; the window speaks UTF-16.
// Invalid UTF-8 becomes U+FFFD.
std::wstring Utf8ToWide(const std::string& text);
std::wstring Utf8ToWide(const char* pszText);
std::string WideToUtf8(const std::wstring& text);
