#include "mqtt/SocketReady.h"

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#ifdef _WIN32
bool SocketHasData(int nSocket)
{
    if (nSocket < 0)
        return false;
    fd_set fds;
    FD_ZERO(&fds);
    FD_SET(static_cast<SOCKET>(nSocket), &fds);
    timeval tv = {0, 0};
    return select(0, &fds, nullptr, nullptr, &tv) > 0;
}
#else
bool SocketHasData(int nSocket)
{
    if (nSocket < 0)
        return false;
    // poll rather than select: no limit on the descriptor's value.
    pollfd pfd = {nSocket, POLLIN, 0};
    return poll(&pfd, 1, 0) > 0 && (pfd.revents & POLLIN);
}
#endif
