#include "mqtt/SocketReady.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#else
#include <poll.h>
#include <sys/socket.h>
#endif

bool ReadFoundSocketEmpty()
{
    // The library's own test after each packet, in the same order.
#ifdef _WIN32
    return errno == EAGAIN || errno == WSAEWOULDBLOCK;
#else
    return errno == EAGAIN || errno == EWOULDBLOCK;
#endif
}

namespace
{
int SocketError(int nSocket)
{
    int nError = 0;
    socklen_t nLen = sizeof nError;
    if (getsockopt(nSocket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&nError), &nLen) != 0)
    {
#ifdef _WIN32
        return WSAGetLastError();
#else
        return errno;
#endif
    }
    return nError;
}
}

ESocketConnect ProbeConnect(int nSocket, int& nError)
{
    nError = 0;
#ifdef _WIN32
    SOCKET s = static_cast<SOCKET>(nSocket);
    fd_set writeSet, exceptSet;
    FD_ZERO(&writeSet);
    FD_ZERO(&exceptSet);
    FD_SET(s, &writeSet);
    FD_SET(s, &exceptSet);
    timeval zero = {0, 0};
    int n = select(0, nullptr, &writeSet, &exceptSet, &zero);
    if (n == SOCKET_ERROR)
    {
        nError = WSAGetLastError();
        return SOCKET_FAILED;
    }
    if (FD_ISSET(s, &exceptSet))
    {
        nError = SocketError(nSocket);
        if (nError == 0)
            nError = WSAECONNREFUSED;
        return SOCKET_FAILED;
    }
    if (!FD_ISSET(s, &writeSet))
        return SOCKET_CONNECTING;
#else
    pollfd pfd = {nSocket, POLLOUT, 0};
    int n = poll(&pfd, 1, 0);
    if (n < 0)
    {
        nError = errno;
        return SOCKET_FAILED;
    }
    if (n == 0)
        return SOCKET_CONNECTING;
#endif
    nError = SocketError(nSocket);
    return nError == 0 ? SOCKET_CONNECTED : SOCKET_FAILED;
}

std::string SystemErrorText(int nError)
{
#ifdef _WIN32
    wchar_t* pszText = nullptr;
    DWORD nLen = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                    FORMAT_MESSAGE_IGNORE_INSERTS,
                                nullptr, static_cast<DWORD>(nError), 0, reinterpret_cast<LPWSTR>(&pszText), 0, nullptr);
    std::string text;
    if (nLen && pszText)
    {
        while (nLen && (pszText[nLen - 1] == L'\r' || pszText[nLen - 1] == L'\n' || pszText[nLen - 1] == L'.'))
            --nLen;
        int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszText, static_cast<int>(nLen), nullptr, 0, nullptr, nullptr);
        text.resize(static_cast<size_t>(nBytes));
        WideCharToMultiByte(CP_UTF8, 0, pszText, static_cast<int>(nLen), &text[0], nBytes, nullptr, nullptr);
    }
    LocalFree(pszText);
    if (text.empty())
        text = "error " + std::to_string(nError);
    return text;
#else
    return std::strerror(nError);
#endif
}
