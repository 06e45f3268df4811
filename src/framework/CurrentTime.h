#pragma once

#include <windows.h>

#include <ctime>

// What std::time(nullptr) gives, read straight from the system clock. The C
// runtime's time() costs about 7 us a call under Wine (bench/window_cost),
// more than the rest of a message's work in a batch, and a message asks for
// the time three times.
inline std::time_t CurrentTime()
{
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    ULARGE_INTEGER t;
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // 100-ns intervals since 1601 to seconds since 1970.
    return static_cast<std::time_t>((t.QuadPart - 116444736000000000ULL) / 10000000ULL);
}
