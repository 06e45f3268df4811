#pragma once

#include "check/CheckCommand.h"

#include <string>

struct SWatchOptions
{
    std::string host = "127.0.0.1";
    int nPort = 1883;
    bool bJson = false;
};

// Subscribes to "server/#" under a client identifier of its own and writes a
// verdict line per message until io.stop is set; then the counts. Returns
// EXIT_USAGE when the broker cannot be reached or refuses.
int RunWatch(const SWatchOptions& options, SCheckIo& io);
