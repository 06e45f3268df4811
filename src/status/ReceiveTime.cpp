#include "status/ReceiveTime.h"

#include <cstdio>
#include <ctime>

std::string FormatReceiveTime(bool bReceived, int64_t tReceive, int64_t tNow)
{
    char szTime[128] = "";
    std::time_t t = static_cast<std::time_t>(tReceive);
    // localtime fails for times the C library cannot represent (before 1970 on
    // Windows, far-off years everywhere); the time text is then empty.
    if (const std::tm* pTm = std::localtime(&t))
    {
        if (std::strftime(szTime, sizeof szTime, "%H:%M:%S", pTm) == 0)
            szTime[0] = '\0';
    }

    // Wrapping subtraction: no overflow for any pair of inputs; equal to the true
    // difference for every pair of real clock readings.
    int64_t elapsed = static_cast<int64_t>(static_cast<uint64_t>(tNow) - static_cast<uint64_t>(tReceive));
    int32_t nCount = static_cast<int32_t>(elapsed % 60);

    char szText[192];
    std::snprintf(szText, sizeof szText, bReceived ? "last receive: %s (%d)" : "init: %s (%d)",
                  szTime, static_cast<int>(nCount));
    return szText;
}
