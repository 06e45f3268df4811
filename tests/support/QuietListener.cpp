#include "QuietListener.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
typedef SOCKET Socket;
#define CloseSocket closesocket
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
typedef int Socket;
#define CloseSocket close
#endif

namespace
{
sockaddr_in Loopback(int nPort)
{
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<unsigned short>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}

void SetNonBlocking(Socket s)
{
#ifdef _WIN32
    u_long nOn = 1;
    ioctlsocket(s, FIONBIO, &nOn);
#else
    fcntl(s, F_SETFL, fcntl(s, F_GETFL) | O_NONBLOCK);
#endif
}
}

CQuietListener::CQuietListener(EKind eKind)
{
#ifdef _WIN32
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
#endif
    Socket s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = Loopback(0);
    socklen_t nLen = sizeof addr;
    // A backlog of 0 leaves room for one connection in the accept queue.
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, eKind == SILENT ? 0 : 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &nLen) != 0)
    {
        CloseSocket(s);
        return;
    }
    m_listener = static_cast<long long>(s);
    m_nPort = ntohs(addr.sin_port);
    if (eKind != SILENT)
        return;
    // Connections that are never accepted fill the queue; past it, the
    // kernel drops SYNs without a word.
    for (int i = 0; i < 3; ++i)
    {
        Socket filler = socket(AF_INET, SOCK_STREAM, 0);
        SetNonBlocking(filler);
        sockaddr_in to = Loopback(m_nPort);
        connect(filler, reinterpret_cast<sockaddr*>(&to), sizeof to);
        m_fillers.push_back(static_cast<long long>(filler));
    }
}

CQuietListener::~CQuietListener()
{
    for (long long s : m_fillers)
        CloseSocket(static_cast<Socket>(s));
    if (m_listener != -1)
        CloseSocket(static_cast<Socket>(m_listener));
#ifdef _WIN32
    WSACleanup();
#endif
}
