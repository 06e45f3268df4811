#pragma once

#include "check/CheckCommand.h"
#include "mqtt/LinkSecurity.h"

#include <string>

struct SWatchOptions
{
    std::string host = "127.0.0.1";
    int nPort = 1883;
    bool bJson = false;
    SLinkSecurity security;
    long nCount = 0;   // end after this many messages; 0: no end
    long nIdleSec = 0; // end after this many seconds without one; 0: no end
};

// Subscribes to "server/#" under a client identifier of its own and writes a
// verdict line per message until io.stop is set or the count or the quiet
// time is reached; then the counts. Returns EXIT_DROPPED when a message was
// dropped, EXIT_USAGE when the broker cannot be reached, refuses, or the
// connection is down at the end.
int RunWatch(const SWatchOptions& options, SCheckIo& io);
