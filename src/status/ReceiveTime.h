#pragma once

#include <cstdint>
#include <string>

// The text of the receive-time indicator: "init: %s (%d)" until the first
// accepted message, then "last receive: %s (%d)"; the count wraps each minute.
std::string FormatReceiveTime(bool bReceived, int64_t tReceive, int64_t tNow);
