// What one socket call costs this Windows build where it runs: under Wine
// every socket call is a round trip to the wineserver, and libmosquitto
// makes four reads for every message of a few hundred bytes (command byte,
// two length bytes, the rest), so this sets the floor under the program's
// throughput. Measured on a loopback connection of this process.
//
//   wine_calls [N]
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace
{
double Now()
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

double PerCall(int n, const std::function<void()>& call)
{
    double t0 = Now();
    for (int i = 0; i < n; ++i)
        call();
    return (Now() - t0) * 1e6 / n;
}
}

int main(int argc, char** argv)
{
    int n = argc > 1 ? std::atoi(argv[1]) : 5000;
    if (n <= 0)
    {
        std::fprintf(stderr, "usage: wine_calls [N]\n");
        return 2;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
        return 1;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int nLen = sizeof addr;
    bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &nLen);
    listen(listener, 1);
    SOCKET writer = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(writer, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return 1;
    SOCKET reader = accept(listener, nullptr, nullptr);
    u_long nNonBlocking = 1;
    ioctlsocket(reader, FIONBIO, &nNonBlocking);

    // Bytes enough for every one-byte read below, all waiting before they start.
    std::vector<char> bytes(static_cast<size_t>(n), 'x');
    for (size_t nSent = 0; nSent < bytes.size();)
    {
        int k = send(writer, bytes.data() + nSent, static_cast<int>(bytes.size() - nSent), 0);
        if (k <= 0)
            return 1;
        nSent += static_cast<size_t>(k);
    }
    Sleep(200);

    char c;
    std::printf("wine_calls: %d calls each on a loopback socket\n", n);
    std::printf("%-44s %12s\n", "call", "us per call");
    std::printf("%-44s %12.1f\n", "recv of 1 byte, data waiting", PerCall(n, [&] { recv(reader, &c, 1, 0); }));
    std::printf("%-44s %12.1f\n", "recv on an empty socket (would block)", PerCall(n, [&] { recv(reader, &c, 1, 0); }));
    std::printf("%-44s %12.1f\n", "select, zero timeout", PerCall(n, [&] {
                    fd_set fds;
                    FD_ZERO(&fds);
                    FD_SET(reader, &fds);
                    timeval tv = {0, 0};
                    select(0, &fds, nullptr, nullptr, &tv);
                }));
    std::printf("%-44s %12.1f\n", "ioctlsocket FIONREAD", PerCall(n, [&] {
                    u_long nBytes = 0;
                    ioctlsocket(reader, FIONREAD, &nBytes);
                }));
    std::printf("%-44s %12.1f\n", "send of 1 byte", PerCall(n, [&] { send(writer, &c, 1, 0); }));
    closesocket(reader);
    closesocket(writer);
    closesocket(listener);
    WSACleanup();
    return 0;
}
