#include "mqtt/SocketReady.h"

#include <cerrno>

#ifdef _WIN32
#include <winsock2.h>
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
