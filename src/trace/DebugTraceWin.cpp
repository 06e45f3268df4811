#include "trace/DebugTrace.h"

#include <windows.h>

#include <string>

void DebugTrace(std::string_view text)
{
    std::string line = "Tavrin: ";
    line.append(text).append("\n");
    int nChars = MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(nChars), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &wide[0], nChars);
    OutputDebugStringW(wide.c_str());
}
