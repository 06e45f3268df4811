#include "TestPlatform.h"

#include <winsock2.h>
#include <windows.h>

namespace
{
void StartWinsock()
{
    static bool s_bStarted = false;
    if (s_bStarted)
        return;
    WSADATA data;
    s_bStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

sockaddr_in Loopback(int nPort)
{
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

std::wstring Widen(const std::string& s)
{
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(n, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    return w;
}
}

namespace TestPlatform
{
int FreeLoopbackPort()
{
    StartWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return -1;
    sockaddr_in addr = Loopback(0);
    int nLen = sizeof addr;
    int nPort = -1;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &nLen) == 0)
        nPort = ntohs(addr.sin_port);
    closesocket(s);
    return nPort;
}

bool AcceptsConnections(int nPort)
{
    StartWinsock();
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == INVALID_SOCKET)
        return false;
    sockaddr_in addr = Loopback(nPort);
    bool bOk = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    closesocket(s);
    return bOk;
}

std::string HostPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

bool LaunchShell(const std::vector<std::string>& args)
{
    // Wine runs a Linux program named by its Z: path and hands it the
    // arguments as they are. The process handle it returns cannot be waited on.
    std::wstring cmd = L"Z:\\bin\\sh";
    for (const std::string& arg : args)
        cmd += L" \"" + Widen(arg) + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}
}
