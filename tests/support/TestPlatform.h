#pragma once

#include <string>
#include <vector>

// The little that the broker fixture needs from the operating system. The
// Windows build runs only under Wine, where the broker is a Linux program and
// the Linux file system is drive Z:.
namespace TestPlatform
{
// A loopback port that nothing listens on right now.
int FreeLoopbackPort();

// Whether something accepts a TCP connection on 127.0.0.1:nPort.
bool AcceptsConnections(int nPort);

// A Linux path as this program's file functions see it.
std::string HostPath(const std::string& unixPath);

// Runs /bin/sh with the arguments (Linux paths). May return before the
// script has finished: callers wait for a file that the script writes.
bool LaunchShell(const std::vector<std::string>& args);
}
