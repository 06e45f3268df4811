#pragma once

// What the two stream consumers (core_stream, bare_stream) share: their one
// argument, and the end that program_bench gives them through standard input.
#include "BenchTime.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The client identifier of Tavrin.exe and of the portable core in the
// benchmark, fixed so that the broker's log tells when they have subscribed.
inline constexpr char BENCH_CLIENT_ID[] = "tavrin-bench";

// The broker's port, the only argument; 0 after a usage message.
inline int PortArgument(int argc, char** argv, const char* pszName)
{
    int nPort = argc > 1 ? std::atoi(argv[1]) : 0;
    if (nPort <= 0)
        std::fprintf(stderr, "usage: %s PORT\n", pszName);
    return nPort > 0 ? nPort : 0;
}

// Until standard input closes or says "quit"; then bQuit.
inline void ReadCommands(std::atomic<bool>& bQuit)
{
    char line[64];
    while (std::fgets(line, sizeof line, stdin) && std::strncmp(line, "quit", 4) != 0)
    {
    }
    bQuit = true;
}
