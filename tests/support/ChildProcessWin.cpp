#include "ChildProcess.h"

#include "TestPlatform.h"

#include <thread>
#include <windows.h>

namespace
{
std::wstring Widen(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}

// One argument as CommandLineToArgvW reads it back.
std::wstring Quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    size_t nSlashes = 0;
    for (wchar_t c : arg)
    {
        if (c == L'\\')
        {
            ++nSlashes;
            continue;
        }
        out.append(c == L'"' ? 2 * nSlashes + 1 : nSlashes, L'\\');
        nSlashes = 0;
        out += c;
    }
    out.append(2 * nSlashes, L'\\');
    return out + L"\"";
}

void ReadAll(HANDLE h, std::string& text)
{
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    CloseHandle(h);
}

// A pipe whose child end is inherited and whose parent end is not.
bool MakePipe(HANDLE& hRead, HANDLE& hWrite, bool bChildReads)
{
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    if (!CreatePipe(&hRead, &hWrite, &sa, 0))
        return false;
    SetHandleInformation(bChildReads ? hWrite : hRead, HANDLE_FLAG_INHERIT, 0);
    return true;
}
}

SChildResult RunChild(const std::string& unixPath, const std::vector<std::string>& args, const std::string& input)
{
    SChildResult result;
    HANDLE hInRead, hInWrite, hOutRead, hOutWrite, hErrRead, hErrWrite;
    if (!MakePipe(hInRead, hInWrite, true) || !MakePipe(hOutRead, hOutWrite, false) ||
        !MakePipe(hErrRead, hErrWrite, false))
        return result;

    std::wstring cmd = Quoted(Widen(TestPlatform::HostPath(unixPath)));
    for (const std::string& arg : args)
        cmd += L" " + Quoted(Widen(arg));
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = hInRead;
    si.hStdOutput = hOutWrite;
    si.hStdError = hErrWrite;
    PROCESS_INFORMATION pi = {};
    const bool bStarted = CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
    CloseHandle(hInRead);
    CloseHandle(hOutWrite);
    CloseHandle(hErrWrite);

    std::thread writer([&] {
        DWORD n = 0;
        if (bStarted && !input.empty())
            WriteFile(hInWrite, input.data(), static_cast<DWORD>(input.size()), &n, nullptr);
        CloseHandle(hInWrite);
    });
    std::thread errReader([&] { ReadAll(hErrRead, result.err); });
    ReadAll(hOutRead, result.out);
    writer.join();
    errReader.join();
    if (bStarted)
    {
        WaitForSingleObject(pi.hProcess, INFINITE);
        DWORD dwExit = 0;
        if (GetExitCodeProcess(pi.hProcess, &dwExit))
            result.nExit = static_cast<int>(dwExit);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return result;
}
