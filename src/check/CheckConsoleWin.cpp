#include "check/CheckConsole.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <iostream>
#include <shellapi.h>

namespace
{
std::atomic<bool>* g_pStop = nullptr;

BOOL WINAPI OnConsoleControl(DWORD dwType)
{
    if (!g_pStop || (dwType != CTRL_C_EVENT && dwType != CTRL_BREAK_EVENT))
        return FALSE;
    g_pStop->store(true);
    return TRUE;
}

std::string ToUtf8(const wchar_t* psz)
{
    int n = WideCharToMultiByte(CP_UTF8, 0, psz, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string text(n - 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, psz, -1, &text[0], n, nullptr, nullptr);
    return text;
}

class CHandleOutput : public COutput
{
public:
    explicit CHandleOutput(DWORD dwStdHandle) : m_dwStdHandle(dwStdHandle) {}
    void Write(const std::string& text) override
    {
        HANDLE h = GetStdHandle(m_dwStdHandle);
        if (h == INVALID_HANDLE_VALUE || h == nullptr || text.empty())
            return;
        DWORD dwMode = 0;
        if (GetConsoleMode(h, &dwMode))
        {
            // A console shows UTF-16 whatever its code page: Korean comes out
            // as Korean, not as the bytes read in the console's code page.
            int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
            std::wstring wide(n, L'\0');
            MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
            DWORD dwWritten = 0;
            WriteConsoleW(h, wide.data(), static_cast<DWORD>(wide.size()), &dwWritten, nullptr);
            return;
        }
        // A pipe or a file: the UTF-8 bytes themselves, "\n" as it is.
        for (size_t nDone = 0; nDone < text.size();)
        {
            DWORD dwWritten = 0;
            if (!WriteFile(h, text.data() + nDone, static_cast<DWORD>(text.size() - nDone), &dwWritten, nullptr) ||
                dwWritten == 0)
                return;
            nDone += dwWritten;
        }
    }

private:
    DWORD m_dwStdHandle;
};
}

namespace CheckConsole
{
std::vector<std::string> Arguments(int, char**)
{
    // The narrow arguments are in the ANSI code page and lose what it lacks.
    std::vector<std::string> args;
    int nArgs = 0;
    LPWSTR* ppArgs = CommandLineToArgvW(GetCommandLineW(), &nArgs);
    if (!ppArgs)
        return args;
    for (int i = 1; i < nArgs; ++i)
        args.push_back(ToUtf8(ppArgs[i]));
    LocalFree(ppArgs);
    return args;
}

std::istream& BinaryStdin()
{
    // No CR LF translation, and Ctrl+Z is a byte like any other.
    _setmode(_fileno(stdin), _O_BINARY);
    return std::cin;
}

COutput& Stdout()
{
    static CHandleOutput s_out(STD_OUTPUT_HANDLE);
    return s_out;
}

COutput& Stderr()
{
    static CHandleOutput s_err(STD_ERROR_HANDLE);
    return s_err;
}

void CatchInterrupt(std::atomic<bool>* pStop)
{
    g_pStop = pStop;
    if (pStop)
        SetConsoleCtrlHandler(OnConsoleControl, TRUE);
    else
        SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool ReadSecret(const std::string& prompt, std::string& secret)
{
    HANDLE hIn = GetStdHandle(STD_INPUT_HANDLE);
    DWORD dwMode = 0;
    if (!GetConsoleMode(hIn, &dwMode))
        return false;
    Stderr().Write(prompt);
    SetConsoleMode(hIn, (dwMode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) | ENABLE_LINE_INPUT);
    std::wstring line;
    wchar_t sz[256];
    DWORD dwRead = 0;
    bool bRead = false;
    while (ReadConsoleW(hIn, sz, 256, &dwRead, nullptr) && dwRead > 0)
    {
        bRead = true;
        line.append(sz, dwRead);
        if (line.back() == L'\n')
            break;
    }
    SetConsoleMode(hIn, dwMode);
    Stderr().Write("\n");
    while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r'))
        line.pop_back();
    secret = ToUtf8(line.c_str());
    SecureZeroMemory(&line[0], line.size() * sizeof(wchar_t));
    return bRead;
}
}
