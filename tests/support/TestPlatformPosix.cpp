#include "TestPlatform.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace
{
sockaddr_in Loopback(int nPort)
{
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(nPort));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return addr;
}
}

namespace TestPlatform
{
int FreeLoopbackPort()
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return -1;
    sockaddr_in addr = Loopback(0);
    socklen_t nLen = sizeof addr;
    int nPort = -1;
    if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&addr), &nLen) == 0)
        nPort = ntohs(addr.sin_port);
    close(s);
    return nPort;
}

bool AcceptsConnections(int nPort)
{
    int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return false;
    sockaddr_in addr = Loopback(nPort);
    bool bOk = connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(s);
    return bOk;
}

std::string HostPath(const std::string& unixPath)
{
    return unixPath;
}

bool LaunchShell(const std::vector<std::string>& args)
{
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("sh"));
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv.data(), environ) != 0)
        return false;
    int nStatus = 0;
    return waitpid(pid, &nStatus, 0) == pid;
}
}
