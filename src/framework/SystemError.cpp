#include "framework/SystemError.h"

#include "framework/TextConvert.h"
#include "trace/DebugTrace.h"

#include <string>

void TraceFailure(const char* pszCall, DWORD dwError)
{
    wchar_t* pszText = nullptr;
    DWORD nLen = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, dwError, 0, reinterpret_cast<wchar_t*>(&pszText), 0, nullptr);
    std::wstring text(pszText ? pszText : L"", nLen);
    LocalFree(pszText);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    DebugTrace(std::string(pszCall) + " failed: " + WideToUtf8(text) + " (" + std::to_string(dwError) + ")");
}
